// Pointer input over tables: header cells dragged onto headers and into a
// group box, group tags dropped back, row resizing and the designer's
// insertion marks.
#include "document/pointer_services.h"
#include "elements/table_element.h"
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


// Three header cells 100 pixels wide in a table at the page's top left, a
// group box below it, and two body rows.
constexpr const char16_t* kGrid =
    u"<style>th,td{width:100px;height:30px;padding:0} th{draggable:true}"
    u" .group-tag{display:inline-block;draggable:true;width:60px;height:20px}</style>"
    u"<table id=t style='position:absolute;left:0;top:0;border-spacing:0'>"
    u"<thead><tr><th id=a field=a>A</th><th id=b field=b>B</th><th id=c field=c>C</th></tr></thead>"
    u"<tr><td>2</td><td>x</td><td>p</td></tr><tr><td>1</td><td>y</td><td>q</td></tr></table>"
    u"<div id=box class=table-group-box style='position:absolute;left:0;top:150px;width:300px;height:40px'></div>";

TTableElement* tableOf(TElement* E) { return dynamic_cast<TTableElement*>(E); }

std::string headers(TTableElement* T) {
  std::string out;
  for (int c = 0; c < T->ColCount; ++c)
    if (TTableCell* h = T->HeaderCell(c)) out += utf8(h->GetAttribute(u"id")) + (h->Tag() == u"th" ? "" : "-");
  return out;
}

TEST_F(PointerTest, AHeaderDraggedOntoAnotherHeaderMovesItsColumn) {
  Load(kGrid);
  TTableElement* t = tableOf(Id(u"t"));
  ASSERT_NE(t, nullptr);
  int moves = 0;
  Doc->AfterTableColumnMoved = [&](TElement*, int From, int To) { moves += From == 0 && To == 2; };
  Press(50, 10);
  Move(150, 12, ssLeft);
  Move(250, 12, ssLeft);
  Release(250, 12);
  EXPECT_EQ(headers(t), "bca");
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(utf8(t->Cells(2, 1)->GetRawInnerText()), "2");
  // A press released where it began is a click: nothing moves.
  Paint();
  Press(50, 10);
  Release(52, 10);
  EXPECT_EQ(headers(t), "bca");
}

TEST_F(PointerTest, AHeaderDroppedInTheGroupBoxGroupsAndItsTagDroppedBackUngroups) {
  Load(kGrid);
  TTableElement* t = tableOf(Id(u"t"));
  ASSERT_NE(t, nullptr);
  Press(150, 10);
  Move(150, 100, ssLeft);
  Move(100, 160, ssLeft);
  Release(100, 160);
  ASSERT_EQ(Id(u"box")->Count(), 1);
  auto* tag = AsElement(Id(u"box")->GetNode(0));
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->GetAttribute(u"class"), u"group-tag");
  EXPECT_EQ(tag->GetAttribute(u"field"), u"b");
  EXPECT_EQ(Id(u"b")->Tag(), u"desc");
  EXPECT_EQ(t->BodyCount(), 4);  // a group row before each of x and y
  // The tag dropped on header "c" (now beside "a": the grouped column
  // takes no room) ungroups: the column shows again, moved to c's place.
  Paint();
  const TPoint p = tag->ClienttoDocument(TPoint{5, 5});
  Press(p.X, p.Y);
  Move(p.X + 40, p.Y - 60, ssLeft);
  Move(150, 10, ssLeft);
  Release(150, 10);
  EXPECT_EQ(Id(u"box")->Count(), 0);
  EXPECT_EQ(t->BodyCount(), 2);
  EXPECT_EQ(headers(t), "acb");
}

TEST_F(PointerTest, RowsResizeAtTheirBottomEdgeExceptOverACellSpanningRows) {
  Load(
      u"<style>td{width:100px;height:30px;padding:0} tr{resize:vertical}</style>"
      u"<table style='position:absolute;left:0;top:0;border-spacing:0'>"
      u"<tr id=r1><td>a</td><td rowspan=2>b</td></tr><tr id=r2><td>c</td></tr></table>");
  // Over the first column the first row's bottom edge is a resize edge
  // (reached from above: at 30 the row below takes the pointer); over the
  // spanning cell it is not.
  Move(150, 28);
  EXPECT_EQ(Host.FShown, crDefault);
  EXPECT_EQ(Doc->SizingElement, nullptr);
  Move(50, 28);
  EXPECT_EQ(Host.FShown, crVSplit);
  Press(50, 28);
  Move(50, 50, ssLeft);
  Release(50, 50);
  EXPECT_NE(Style(u"r1").find(u"height"), String::npos) << utf8(Style(u"r1"));
  EXPECT_EQ(Style(u"r2"), u"");
  Paint();
  EXPECT_NEAR(Id(u"r1")->OuterRect.Bottom - Id(u"r1")->OuterRect.Top, 50, 1);
}

// Just below the edge the row beneath holds the pointer; the edge is still
// the row above's, and stays refused over a cell spanning rows.
TEST_F(PointerTest, ARowsBottomEdgeIsGrabbedFromBelowToo) {
  Load(
      u"<style>td{width:100px;height:30px;padding:0} tr{resize:vertical}</style>"
      u"<table style='position:absolute;left:0;top:0;border-spacing:0'>"
      u"<tr id=r1><td>a</td><td rowspan=2>b</td></tr><tr id=r2><td>c</td></tr></table>");
  Move(150, 32);
  EXPECT_EQ(Host.FShown, crDefault);
  EXPECT_EQ(Doc->SizingElement, nullptr);
  Move(50, 35);
  EXPECT_EQ(Doc->SizingElement, nullptr);
  Move(50, 32);
  EXPECT_EQ(Host.FShown, crVSplit);
  EXPECT_EQ(Doc->SizingElement, Id(u"r1"));
  Press(50, 32);
  Move(50, 50, ssLeft);
  Release(50, 50);
  EXPECT_NE(Style(u"r1").find(u"height"), String::npos) << utf8(Style(u"r1"));
  EXPECT_EQ(Style(u"r2"), u"");
  Paint();
  EXPECT_NEAR(Id(u"r1")->OuterRect.Bottom - Id(u"r1")->OuterRect.Top, 50, 1);
}

TEST_F(PointerTest, InsertionMarksFollowThePointerInTheDesigner) {
  Load(
      u"<style>td{width:100px;height:30px;padding:0}</style>"
      u"<table id=t style='position:absolute;left:40px;top:40px;border-spacing:0'>"
      u"<tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>");
  TTableElement* t = tableOf(Id(u"t"));
  ASSERT_NE(t, nullptr);
  Doc->DesignerGrid = true;
  Doc->Options = (1u << hoAddRowMarks) | (1u << hoAddColMarks);
  struct TCase {
    int X, Y, Row, Col;
  } cases[] = {
      {35, 42, 0, -1},    // left of the first row's top
      {30, 68, 1, -1},    // 20 px left, near the first row's bottom
      {45, 100, 2, -1},   // near the last row's bottom
      {140, 35, -1, 1},   // above column 1's left edge
      {238, 34, -1, 2},   // above the right edge: a new last column
      {90, 55, -1, -1},   // inside a cell
  };
  for (const TCase& c : cases) {
    Move(c.X, c.Y);
    EXPECT_EQ(t->AddRowMark, c.Row) << c.X << "," << c.Y;
    EXPECT_EQ(t->AddColMark, c.Col) << c.X << "," << c.Y;
    if (c.Row >= 0 || c.Col >= 0) {
      EXPECT_EQ(Doc->ActiveTable, t);
    }
  }
  Move(30, 68);
  ASSERT_EQ(t->AddRowMark, 1);
  Move(380, 280);
  EXPECT_EQ(t->AddRowMark, -1);
  // Without the options or with a button held no mark is offered.
  Doc->Options = 0;
  Move(30, 68);
  EXPECT_EQ(t->AddRowMark, -1);
}

}  // namespace
}  // namespace ht::testing
