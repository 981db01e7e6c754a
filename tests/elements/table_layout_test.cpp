// Column widths, row heights and the table's painting, on documents laid
// out and painted on the Ahem-metric trace canvas.
#include <gtest/gtest.h>

#include <string>

#include "document/document.h"
#include "elements/table_fixture.h"
#include "layout/layout_style.h"
#include "platform/rtl/string.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

namespace {

const char16_t* const kHead =
    u"<!DOCTYPE html><html><head><style>body { margin: 0; font: 10px/1 Ahem } td, th { padding: 0 } table { border-spacing: 0 }"
    u"</style></head><body>";

class TableLayout : public TableTest {
 protected:
  // Loads the page (kHead first), lays it out at 800 x 600 and answers its
  // first table.
  TTableElement* Layout(StringView Body) {
    TTableElement* t = Load(String(kHead) + String(Body));
    Doc->CalcSize(800, 600);
    return t;
  }
  // "w0 w1 ..." of the columns' used widths.
  static std::string Widths(TTableElement* T) {
    std::string s;
    for (const TTableColumn& c : T->Columns->Cols)
      s += (s.empty() ? "" : " ") + TraceNum(c.UsedWidth(T->Columns->WidthBase));
    return s;
  }
  static float Width(TElement* E) { return E->OuterRect.Right - E->OuterRect.Left; }
  static float Height(TElement* E) { return E->OuterRect.Bottom - E->OuterRect.Top; }
  // Paints the laid-out page on the trace canvas and answers the fills.
  std::string PaintFills() {
    auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
    g.Groups = TTraceCanvas::tcAll;
    g.Calls.clear();
    THtObject target;
    Doc->Draw(&target, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, 0, 0);
    return g.Only("Fill");
  }
};

struct WidthCase {
  const char* name;
  const char* body;
  const char* widths;  // the columns' used widths
  float table;         // the table's border-box width
};

class TableWidths : public TableLayout, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(TableWidths, Distributes) {
  const WidthCase& c = GetParam();
  TTableElement* t = Layout(Utf8ToString(c.body));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Widths(t), c.widths);
  EXPECT_FLOAT_EQ(Width(t), c.table);
}

const WidthCase kWidthCases[] = {
    {"Auto_columns_take_max_content", "<table><tr><td>aa aa</td><td>b</td></tr></table>", "50 10", 60},
    // Auto columns give up width greedily in column order, down to their
    // minimums (a browser shares the shortfall).
    {"Narrow_container_shrinks_auto_columns_in_order",
     "<div style='width:60px'><table><tr><td>aa aa aa</td><td>bbb bbb</td></tr></table></div>", "20 40", 60},
    {"Fixed_layout_shares_the_width_over_auto_columns",
     "<table style='table-layout:fixed'><tr><td>xxxxxxxxxx</td><td>y</td></tr></table>", "400 400", 800},
    // Fixed layout with pixel columns only: the table is their sum,
    // whatever it is offered.
    {"Fixed_layout_sums_pixel_columns",
     "<table style='table-layout:fixed'><tr><td style='width:50px'>a</td><td style='width:70px'>b</td></tr></table>",
     "50 70", 120},
    {"Fixed_layout_splits_the_rest_over_auto_columns",
     "<table style='table-layout:fixed;width:300px'><tr><td style='width:100px'>a</td><td>b</td><td>c</td></tr>"
     "</table>",
     "100 100 100", 300},
    // Percentages summing to 150 are scaled to 100 (60 % and 40 %).
    {"Percentages_over_100_rescaled",
     "<table style='width:500px'><tr><td style='width:90%'>a</td><td style='width:60%'>b</td></tr></table>", "300 200",
     500},
    {"Percentages_under_100_kept",
     "<table style='width:500px'><tr><td style='width:50%'>a</td><td style='width:30%'>b</td><td>c</td></tr></table>",
     "250 150 100", 500},
    // Half a pixel left over stays undistributed.
    {"Half_pixel_left_over",
     "<table style='width:101px'><tr><td style='width:50%'>a</td><td style='width:50px'>b</td></tr></table>",
     "50.5 50", 100.5},
    {"Spacing_counts_once_per_gap_and_edge",
     "<table style='border-spacing:4px'><tr><td>a</td><td>b</td><td>c</td></tr></table>", "10 10 10", 46},
    // Two pixel columns under a wider colspan-2 cell: the span's need finds
    // no auto column and the first column takes it (the distribution ends).
    {"Span_over_pixel_columns_ends",
     "<table><tr><td colspan=2>xxxxxxxxxxxxxxxxxxxx</td></tr>"
     "<tr><td style='width:10px'>a</td><td style='width:10px'>b</td></tr></table>",
     "190 10", 200},
};

INSTANTIATE_TEST_SUITE_P(Cases, TableWidths, ::testing::ValuesIn(kWidthCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TableLayout, FixedLayoutMeasuresOnlyTheHeader) {
  TTableElement* t = Layout(
      u"<table style='table-layout:fixed'><thead><tr><th>a</th><th>b</th></tr></thead>"
      u"<tr><td>xxxxxxxxxx</td><td>y</td></tr></table>");
  EXPECT_FLOAT_EQ(t->Columns->Cols[0].MaxContentWidth, 10);
  // Auto layout measures the body too.
  t = Layout(u"<table><thead><tr><th>a</th><th>b</th></tr></thead><tr><td>xxxxxxxxxx</td><td>y</td></tr></table>");
  EXPECT_FLOAT_EQ(t->Columns->Cols[0].MaxContentWidth, 100);
}

TEST_F(TableLayout, RightToLeftPutsColumnZeroRight) {
  Layout(u"<table style='direction:rtl'><tr><td id=a>aa</td><td id=b>b</td></tr></table>");
  EXPECT_FLOAT_EQ(Cell(u"a")->OuterRect.Left, 10);
  EXPECT_FLOAT_EQ(Cell(u"b")->OuterRect.Left, 0);
}

TEST_F(TableLayout, SpanHeightsAndRowHeights) {
  TTableElement* t =
      Layout(u"<table><tr id=r><td style='height:20px'>a</td><td style='height:35px'>b</td>"
             u"<td rowspan=2 style='height:100px'>c</td></tr><tr id=s><td>d</td></tr></table>");
  auto* r = dynamic_cast<TTableRow*>(ById(u"r"));
  ASSERT_NE(r, nullptr);
  // The spanning cell does not raise its first row; its need is kept under
  // span 2 and shared over both rows: 100 - (35 + 10) to the two rows.
  EXPECT_FLOAT_EQ(r->SpanHeight(2), 100);
  EXPECT_FLOAT_EQ(r->ContentHeight, 35);
  EXPECT_FLOAT_EQ(Height(r), 35 + 28);
  EXPECT_FLOAT_EQ(Height(ById(u"s")), 10 + 27);
  EXPECT_FLOAT_EQ(Height(t), 100);
}

TEST_F(TableLayout, SpanningRowReachesItsLastRow) {
  Layout(u"<table><tr id=r0><td rowspan=3>a</td><td>b</td></tr><tr id=r1><td>c</td></tr>"
         u"<tr id=r2><td>d</td></tr><tr id=r3><td>e</td></tr></table>");
  auto* r0 = dynamic_cast<TTableRow*>(ById(u"r0"));
  EXPECT_EQ(r0->MaxRowSpan(), 3);
  EXPECT_FLOAT_EQ(r0->SpanRect().Bottom, ById(u"r2")->OuterRect.Bottom);
  EXPECT_FLOAT_EQ(dynamic_cast<TTableRow*>(ById(u"r3"))->SpanRect().Bottom, ById(u"r3")->OuterRect.Bottom);
}

TEST_F(TableLayout, RowWithHiddenCellsKeepsItsHeight) {
  Layout(u"<table><tr id=r style='height:25px'><td style='display:none'>a</td></tr><tr><td>b</td></tr></table>");
  EXPECT_FLOAT_EQ(Height(ById(u"r")), 25);
}

TEST_F(TableLayout, CollapsedCaptionIsFollowedByHalfTheTopBorder) {
  TTableElement* t = Layout(
      u"<table style='border-collapse:collapse'><caption id=c>cap</caption><tr id=r><td style='border:4px solid'>a"
      u"</td></tr></table>");
  EXPECT_FLOAT_EQ(Height(ById(u"c")), 10);
  EXPECT_FLOAT_EQ(ById(u"r")->OuterRect.Top, 12);
  EXPECT_EQ(t->HCellSpacing, 0);
}

TEST_F(TableLayout, CellsHaveNoMarginsAndDoNotFloat) {
  Layout(u"<table><tr><td id=a style='margin:20px;float:right'>a</td><td id=b>b</td></tr></table>");
  TTableCell* a = Cell(u"a");
  EXPECT_FLOAT_EQ(a->MarginLeft, 0);
  EXPECT_FLOAT_EQ(a->OuterRect.Left, 0);
  EXPECT_EQ(DisplayOf(a), dsTableCell);
  EXPECT_FLOAT_EQ(Cell(u"b")->OuterRect.Left, 10);
}

TEST_F(TableLayout, CellOutsideATableIsABlock) {
  Load(String(kHead) + u"<div><td id=a>a</td></div>");
  // The parser keeps a stray cell only inside tables: make one by hand.
  auto* div = dynamic_cast<TElement*>(Doc->BodyElement->GetNode(0));
  if (!div) GTEST_SKIP();
  auto* cell = static_cast<TTableCell*>(div->AddChild(&TTableCell::ClassType));
  cell->SetTag(u"td");
  Doc->RecalcStyles();
  EXPECT_EQ(DisplayOf(cell), dsBlock);
}

TEST_F(TableLayout, MarkupPaddingAndBorderFillTheSidesCssLeaves) {
  TTableElement* t = Load(u"<table><tr><td id=a style='border-left:3px solid'>a</td></tr></table>");
  t->CellBorderWidth = 1;
  t->CellPadding = 4;
  Doc->RecalcStyles();
  TTableCell* a = Cell(u"a");
  EXPECT_FLOAT_EQ(a->BorderLeft, 3);
  EXPECT_FLOAT_EQ(a->BorderTop, 1);
  EXPECT_FLOAT_EQ(a->BorderRight, 1);
  EXPECT_FLOAT_EQ(a->BorderBottom, 1);
  EXPECT_FLOAT_EQ(a->PaddingTop, 4);
  EXPECT_FLOAT_EQ(a->FPaddingLeft, 4);
}

TEST_F(TableLayout, RowBackgroundShowsInEachCellNotInTheGaps) {
  Layout(u"<table style='border-spacing:2px'><tr style='background:#ff0000'><td>a</td><td>b</td></tr></table>");
  EXPECT_EQ(PaintFills(), "FillRect FFFF0000 2,2,12,12\nFillRect FFFF0000 14,2,24,12\n");
}

TEST_F(TableLayout, RowBackgroundFillsTheWholeRowWithoutSpacing) {
  // The row first, then its cells (which inherit its colour).
  Layout(u"<table><tr style='background:#ff0000'><td>a</td><td>b</td></tr></table>");
  EXPECT_EQ(PaintFills(), "FillRect FFFF0000 0,0,20,10\nFillRect FFFF0000 0,0,10,10\nFillRect FFFF0000 10,0,20,10\n");
}

TEST_F(TableLayout, BoxAndBorderStartBelowTheCaption) {
  Layout(u"<table style='background:#00ff00;border:1px solid #0000ff'><caption>cap</caption><tr><td>a</td></tr>"
         u"</table>");
  auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
  EXPECT_EQ(PaintFills(), "FillRect FF00FF00 0,10,12,22\n");
  EXPECT_EQ(g.Only("DrawRect"), "DrawRect FF0000FF/1 0,10,12,22\n");
}

TEST_F(TableLayout, RowGroupBorderFramesItsRows) {
  Layout(u"<table style='border-spacing:2px'><tbody style='border:1px solid #0000ff'><tr><td>a</td></tr>"
         u"<tr><td>b</td></tr></tbody></table>");
  auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
  PaintFills();
  // One frame from the first row's top left to the last row's bottom.
  EXPECT_EQ(g.Only("DrawRect"), "DrawRect FF0000FF/1 0,2,14,24\n");
}

}  // namespace

}  // namespace ht::testing
