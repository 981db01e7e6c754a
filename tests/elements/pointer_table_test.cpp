// Pointer input over tables: a group tag dropped on a header cell.
#include "document/pointer_services.h"
#include "paint/pointer_fixture.h"

namespace ht::testing {
namespace {

int gUngroupCol = -1;
String gUngroupField;
void recordUngroup(TElement&, StringView Field, int Col) {
  gUngroupField = String(Field);
  gUngroupCol = Col;
}

TEST_F(PointerTest, AGroupTagDroppedOnAHeaderCellLeavesAfterTheRelease) {
  auto saved = HtPointerServices().Ungroup;
  HtPointerServices().Ungroup = recordUngroup;
  Load(
      u"<table style='position:absolute;left:0;top:0;border-spacing:0'><tr>"
      u"<th id=h style='width:100px;height:30px;padding:0'>Head</th><th style='width:100px'>B</th></tr></table>"
      u"<span id=gt class='group-tag' field=f draggable=true "
      u"style='position:absolute;left:300px;top:100px;width:40px;height:20px;display:block'>x</span>");
  TElement* second = Doc->GetElementAt(150, 10, u"th", u"");
  ASSERT_NE(second, nullptr);
  Press(310, 110);
  Move(150, 10, ssLeft);
  Release(150, 10);
  HtPointerServices().Ungroup = saved;
  EXPECT_EQ(Id(u"gt"), nullptr);
  EXPECT_EQ(gUngroupField, u"f");
  EXPECT_EQ(gUngroupCol, 1);
  // The release chain walked the tag before it left; the page goes on.
  Move(150, 10);
  EXPECT_EQ(Doc->Event.Target, second);
}

}  // namespace
}  // namespace ht::testing
