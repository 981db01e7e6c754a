// Column widths, row heights and the table's painting, on documents laid
// out and painted on the Ahem-metric trace canvas.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST_F(TableLayout, RowsAreHitThroughTheirCellsDownTheirSpans) {
  TTableElement* t = Layout(u"<table><tr id=r0><td rowspan=3>a</td><td>b</td></tr><tr><td>c</td></tr>"
                            u"<tr><td id=d>d</td></tr></table>");
  PaintFills();  // only painted elements are hit
  auto* r0 = dynamic_cast<TTableRow*>(ById(u"r0"));
  ASSERT_NE(r0, nullptr);
  EXPECT_TRUE(r0->HitTest(5, 25, false, false));    // the spanning cell in the third row
  EXPECT_FALSE(r0->HitTest(15, 25, false, false));  // beside it lies the third row's cell
  EXPECT_FALSE(r0->HitTest(5, 5, true, false));     // never by itself
  r0->IncludeFlag(efVSizeTracking);
  EXPECT_TRUE(r0->HitTest(500, 500, true, false));  // while being sized, everywhere
  r0->ExcludeFlag(efVSizeTracking);
  // The table: its own border box; outside a clipping box only when positioned.
  EXPECT_TRUE(t->HitTest(15, 25, true, false));
  EXPECT_FALSE(t->HitTest(25, 5, false, false));
  EXPECT_FALSE(t->HitTest(15, 25, false, true));
  // The nearest run at a row's height comes from that row.
  THtLineBlock* b = t->GetNearestLineBlockAt(15, 25);
  ASSERT_TRUE(b && b->E);
  EXPECT_TRUE(b->E == t->Row(2) || b->E->HasAsParent(t->Row(2)));
}

TEST_F(TableLayout, RowResizeZoneIsRefusedOverARowSpan) {
  TTableElement* t = Layout(
      u"<table><tr id=r><td style='width:50px;height:20px'>a</td><td rowspan=2 style='width:50px'>b</td></tr>"
      u"<tr><td style='height:20px'>c</td></tr></table>");
  auto* r = static_cast<TTableRow*>(ById(u"r"));
  const float bottom = r->OuterRect.Bottom;
  EXPECT_TRUE(r->CanResizeAt(10, bottom + 4, 0, 0));    // over a single-row cell
  EXPECT_FALSE(r->CanResizeAt(70, bottom - 4, 0, 0));   // over the spanning cell
  EXPECT_TRUE(r->CanResizeAt(70, bottom - 6, 0, 0));    // outside the zone
  EXPECT_TRUE(r->CanResizeAt(500, bottom, 0, 0));       // beside the row
  (void)t;
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

TEST_F(TableLayout, RowBackgroundStaysOutOfACellSpanningFromAbove) {
  // The second row's fill is clipped to the column beside the first row's
  // spanning cell, which shows its own row's (no) background.
  Layout(u"<table><tr><td rowspan=2>a</td><td>b</td></tr><tr style='background:#ff0000'><td>c</td></tr></table>");
  PaintFills();
  auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
  std::string s;
  for (const std::string& c : g.Calls)
    if (c.rfind("FillRect", 0) == 0 || c.rfind("IntersectClip 10", 0) == 0) s += c + "\n";
  EXPECT_EQ(s, "IntersectClip 10,10,20,20\nFillRect FFFF0000 0,10,20,20\nFillRect FFFF0000 10,10,20,20\n");
}

TEST_F(TableLayout, MarkupBorderDrawsEveryCellsFrame) {
  // border=1: a grey 1-pixel frame around the table and each cell; a cell
  // with its own left border keeps it and gets the markup width elsewhere.
  Layout(u"<table border=1><tr><td>a</td><td id=b style='border-left:3px solid #0000ff'>b</td></tr></table>");
  TTableCell* b = Cell(u"b");
  EXPECT_FLOAT_EQ(b->BorderLeft, 3);
  EXPECT_FLOAT_EQ(b->BorderTop, 1);
  PaintFills();
  auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
  // Cell a's frame, then the table's over the cells; b's three grey sides.
  EXPECT_EQ(g.Only("DrawRect"), "DrawRect FF808080/1 1,1,13,13\nDrawRect FF808080/1 0,0,28,14\n");
  EXPECT_EQ(g.Only("DrawLine"),
            "DrawLine FF808080/1 14.5,1.5 26.5,1.5\nDrawLine FF808080/1 26.5,1.5 26.5,12.5\n"
            "DrawLine FF808080/1 14.5,12.5 26.5,12.5\n");
}

TEST_F(TableLayout, InsertionMarksSitOnRowAndColumnEdges) {
  TTableElement* t = Layout(u"<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>");
  auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
  t->AddRowMark = 2;  // past the last row: on its bottom edge
  PaintFills();
  EXPECT_EQ(g.Only("DrawRect"), "DrawRect FF0078D7/1 0,19,20,22\n");
  EXPECT_EQ(g.Only("DrawLine"), "DrawLine FFFFFFFF/3 -5,20 5,20 flat\nDrawLine FFFFFFFF/3 0,15 0,25 flat\n");
  t->AddRowMark = -1;
  t->AddColMark = 1;
  PaintFills();
  EXPECT_EQ(g.Only("DrawRect"), "DrawRect FF0078D7/1 9,0,12,20\n");
}

TEST_F(TableLayout, InsertionMarksHaveRoomOutsideTheTable) {
  // The table starts 5 px below the window; its column mark stands above it.
  TTableElement* t =
      Load(String(kHead) + u"<div style='height:605px'></div><table><tr><td>a</td><td>b</td></tr></table>");
  Doc->Options = 1u << hoAddColMarks;
  Doc->CalcSize(800, 600);
  const TRectF& c = t->SelfFlow->ContentRect;
  EXPECT_EQ(std::string(TraceNum(c.Left)) + " " + TraceNum(c.Top) + " " + TraceNum(c.Right) + " " + TraceNum(c.Bottom),
            "-10 -10 30 20");
  t->AddColMark = 1;
  auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
  PaintFills();
  EXPECT_EQ(g.Only("DrawRect"), "DrawRect FF0078D7/1 9,605,12,615\n");
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

namespace ht::testing {

namespace {

TEST_F(TableLayout, BadInputLaysOutBounded) {
  // Nested tables.
  std::u16string nested;
  for (int i = 0; i < 200; ++i) nested += u"<table><tr><td>";
  nested += u"x";
  for (int i = 0; i < 200; ++i) nested += u"</td></tr></table>";
  TTableElement* t = Layout(nested);
  ASSERT_NE(t, nullptr);
  EXPECT_GT(Width(t), 0);
  // Wide spans on many rows and a huge row span.
  std::u16string wide = u"<table>";
  for (int r = 0; r < 1000; ++r) wide += u"<tr><td colspan=1024>a</td></tr>";
  wide += u"<tr><td rowspan=65535>b</td><td>c</td></tr></table>";
  t = Layout(wide);
  EXPECT_EQ(t->RowCount, 1001);
  EXPECT_GT(Height(t), 1000 * 10);
}

}  // namespace

}  // namespace ht::testing

namespace ht::testing {

namespace {

// Paged output, one page at a time: the table lays out the slice of rows
// that fits the page, then painting the page moves it on to the next.
class TablePaging : public TableLayout {
 protected:
  TTableElement* PagedTable(StringView Body, float PageHeight) {
    TTableElement* t = Layout(Body);
    Doc->Paged = true;
    Doc->PageHeightPixels = PageHeight;
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, 800, 600), nullptr);
    G().BeginScene(scene);
    G().Groups = TTraceCanvas::tcAll;
    t->BeforeCalcLayout();
    return t;
  }
  TTraceCanvas& G() { return static_cast<TTraceCanvas&>(*Doc->Surface); }
  // Lays out the next page and paints it; "first..last" of the body rows
  // placed (grid rows of the header are not counted).
  std::string Page(TTableElement* T, bool Placed = false) {
    T->SetFlag(efCompletelyDrawn, true, false, true);
    Doc->FPagingBreak = Placed;
    T->CalcLayout();
    const std::string slice = std::to_string(T->fFirstBodyRow) + ".." + std::to_string(T->fLastBodyRow);
    G().Calls.clear();
    T->DrawTable(nullptr, THtDrawInfo{});
    return slice;
  }
  static std::u16string Rows(int N, StringView Height, StringView Extra = u"") {
    std::u16string s;
    for (int i = 0; i < N; ++i)
      s += u"<tr id=r" + Utf8ToString(std::to_string(i)) + u" style='height:" + String(Height) + u"'><td></td>" +
           String(Extra) + u"</tr>";
    return s;
  }
};

TEST_F(TablePaging, HeaderRowsRepeatOnEveryPage) {
  TTableElement* t = PagedTable(u"<table><thead><tr id=h style='height:20px'><th>h</th></tr></thead>" +
                                    Rows(25, u"8px") + u"</table>",
                                100);
  // Short rows (below a tenth of the page) move to the next page whole.
  EXPECT_EQ(Page(t), "0..9");
  EXPECT_FLOAT_EQ(ById(u"h")->OuterRect.Top, 0);
  EXPECT_FLOAT_EQ(ById(u"r0")->OuterRect.Top, 20);
  EXPECT_TRUE(t->HeaderRepeat);
  EXPECT_EQ(Page(t), "10..19");
  EXPECT_FLOAT_EQ(ById(u"h")->OuterRect.Top, 0);
  EXPECT_FLOAT_EQ(ById(u"r10")->OuterRect.Top, 20);
  EXPECT_EQ(Page(t), "20..24");
  EXPECT_TRUE(t->HasFlag(efCompletelyDrawn));
}

TEST_F(TablePaging, TallRowsAreCutAtThePageBottom) {
  TTableElement* t = PagedTable(u"<table>" + Rows(3, u"40px") + u"</table>", 100);
  // The third row starts at 80 and is cut to the 20 pixels left.
  EXPECT_EQ(Page(t), "0..2");
  EXPECT_FLOAT_EQ(Height(ById(u"r2")), 20);
  // A row taller than the page is cut too, and each page takes a row.
  t = PagedTable(u"<table>" + Rows(2, u"250px") + u"</table>", 100);
  EXPECT_EQ(Page(t), "0..0");
  EXPECT_FLOAT_EQ(Height(ById(u"r0")), 100);
  EXPECT_EQ(Page(t), "1..1");
}

TEST_F(TablePaging, RowsKeptTogetherMoveWhenSomethingStandsAbove) {
  // page-break-inside: avoid keeps a row whole; with content placed before
  // on the page and the row starting in the last sixth, it moves.
  TTableElement* t =
      PagedTable(u"<table><tr id=a style='height:90px'><td>a</td></tr><tr id=b style='height:30px;"
                 u"page-break-inside:avoid'><td>b</td></tr></table>",
                 100);
  EXPECT_EQ(Page(t, true), "0..0");
  EXPECT_EQ(Page(t, true), "1..1");
}

TEST_F(TablePaging, RowGroupKeptTogetherMovesUnderFourFifthsOfAPage) {
  TTableElement* t = PagedTable(u"<table><tbody>" + Rows(4, u"20px") +
                                    u"</tbody><tbody style='page-break-inside:avoid'>"
                                    u"<tr id=g0 style='height:20px'><td>a</td></tr><tr id=g1 style='height:20px'><td>b"
                                    u"</td></tr></tbody></table>",
                                100);
  // The group's first row would fit after the four others; the group moves.
  EXPECT_EQ(Page(t), "0..3");
  EXPECT_EQ(Page(t), "4..5");
}

TEST_F(TablePaging, SpanningCellContinuesOnTheNextPage) {
  // A rowspan-3 cell in the last column starts on the last row of page 1.
  std::u16string rows = Rows(11, u"8px", u"<td></td>");
  rows += u"<tr id=s style='height:8px'><td></td><td id=span rowspan=3 style='width:10px;background:#ff0000'></td></tr>";
  rows += u"<tr style='height:8px'><td></td></tr><tr id=e style='height:8px'><td></td></tr>";
  TTableElement* t = PagedTable(u"<table style='border-spacing:0'>" + rows + u"</table>", 100);
  EXPECT_EQ(Page(t), "0..11");
  EXPECT_EQ(Page(t), "12..13");
  // Painted again from the top of the page's first row to the bottom of
  // its third row.
  EXPECT_EQ(G().Only("FillRect"), "FillRect FFFF0000 0,0,10,16\n");
}

}  // namespace

}  // namespace ht::testing

namespace ht::testing {

namespace {

TEST_F(TableLayout, PaintsOnlyTheRowsInView) {
  std::u16string html = u"<table>";
  for (int i = 0; i < 1000; ++i) {
    html += u"<tr style='background:#ff0000'><td>x</td>";
    // A cell spanning from above the view into it is still painted.
    if (i == 495) html += u"<td rowspan=10 style='background:#0000ff'>y</td>";
    html += u"</tr>";
  }
  TTableElement* t = Layout(html + u"</table>");
  auto& g = static_cast<TTraceCanvas&>(*Doc->Surface);
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, 800, 600), nullptr);
  g.BeginScene(scene);
  g.Groups = TTraceCanvas::tcAll;
  g.Calls.clear();
  // The table scrolled by 5000 pixels: rows 500 to 559 show, each filled
  // as a row and in its cell.
  THtDrawInfo di;
  di.CY = -5000;
  t->DrawTable(nullptr, di);
  const std::string fills = g.Only("FillRect");
  const auto rows = std::count(fills.begin(), fills.end(), '\n');
  EXPECT_GE(rows, 120);
  EXPECT_LE(rows, 140);
  EXPECT_NE(fills.find("FillRect FF0000FF 10,-50,20,50"), std::string::npos) << fills.substr(0, 400);
}

}  // namespace

}  // namespace ht::testing

namespace ht::testing {

namespace {

// A header as tall as the page: the table still ends within a page per body
// row.
TEST_F(TablePaging, HeaderTallerThanThePageEnds) {
  TTableElement* t = PagedTable(u"<table><thead><tr style='height:150px'><th></th></tr></thead>" + Rows(3, u"20px") +
                                    u"</table>",
                                100);
  int pages = 0;
  for (; pages < 10; ++pages) {
    Doc->Page = pages;
    if (t->StartPage == -1) t->StartPage = pages;
    Page(t);
    if (t->HasFlag(efCompletelyDrawn)) break;
  }
  EXPECT_LT(pages, 4);
  EXPECT_TRUE(t->HasFlag(efCompletelyDrawn));
}

}  // namespace

}  // namespace ht::testing
