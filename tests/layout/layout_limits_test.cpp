// Inputs that stress the passes: chains deeper than the parser nests, many
// floats, and lines that must always move on.
#include <chrono>
#include <string>

#include "layout_fixture.h"
#include "layout/flow.h"

namespace ht::testing {

class LayoutLimitsTest : public LayoutTest {};

TEST_F(LayoutLimitsTest, AChainDeeperThanTheParserNestsLaysOutWithoutExhaustingTheStack) {
  Doc->Parse(u"<!DOCTYPE html><body><div id=top>x</div></body>");
  Doc->CalcSize(800, 600);
  TElement* e = Doc->Body();
  ASSERT_TRUE(e);
  for (int i = 0; i < 3000; ++i) {
    auto d = Doc->CreateElement(u"div");
    TElement* child = d.release();
    e->AppendChild(child);
    e = child;
  }
  e->SetInnerText(u"deep");
  Doc->CalcSize(800, 600);
  EXPECT_GT(Doc->DocumentHeight, 0);
}

TEST_F(LayoutLimitsTest, TenThousandFloatsTakeBoundedTime) {
  String html = u"<!DOCTYPE html><style>body{margin:0} i{float:left;width:10px;height:10px}</style><body>";
  for (int i = 0; i < 10000; ++i) html += u"<i></i>";
  Doc->Parse(html);
  Doc->CalcSize(800, 600);
  // 80 floats a row: the last one starts row 125.
  TElement* last = nullptr;
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (n->Tag() == u"i") last = static_cast<TElement*>(n);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->RealTop() + last->OuterRect.Top, 1240);
  EXPECT_EQ(last->RealLeft() + last->OuterRect.Left, 790);
}

TEST_F(LayoutLimitsTest, FloatsOnBothSidesWithTextBesideThem) {
  String html =
      u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem} i{float:left;width:300px;height:7px}"
      u" b{float:right;width:300px;height:13px}</style><body>";
  for (int i = 0; i < 2500; ++i) html += u"<i></i><b></b>aaaaaaaaaaaaaaaaaaaaaaaaa ";
  Doc->Parse(html);
  Doc->CalcSize(800, 600);
  EXPECT_GT(Doc->DocumentHeight, 2500 * 7);
}

}  // namespace ht::testing
