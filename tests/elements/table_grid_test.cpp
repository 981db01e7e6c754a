// The grid: row lists and sections, cell placement with column and row
// spans, column descriptions, look-ups and the column limit.
#include <gtest/gtest.h>

#include "document/table_hooks.h"
#include "elements/table_fixture.h"
#include "platform/rtl/string.h"

namespace ht::testing {

namespace {

struct GridCase {
  const char* name;
  const char* html;
  const char* grid;  // "id@col" per placed cell, rows separated by " | "
  int colCount;
};

class TableGrid : public TableTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(TableGrid, PlacesCells) {
  const GridCase& c = GetParam();
  TTableElement* t = Load(Utf8ToString(c.html));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Grid(t), c.grid);
  EXPECT_EQ(t->ColCount, c.colCount);
}

const GridCase kGridCases[] = {
    {"Rowspan_pushes_next_row", "<table><tr><td id=a rowspan=2></td><td id=b></td></tr><tr><td id=c></td></tr></table>",
     "a@0 b@1 | c@1", 2},
    // A span past the last column adds columns only as far as col elements
    // describe them.
    {"Colspan_without_cols", "<table><tr><td id=a colspan=3></td></tr></table>", "a@0", 1},
    {"Colspan_with_three_cols", "<table><col><col><col><tr><td id=a colspan=3></td></tr></table>", "a@0", 3},
    {"Colspan_with_col_span", "<table><colgroup><col span=3></colgroup><tr><td id=a colspan=3></td></tr></table>",
     "a@0", 3},
    {"Colspans_leave_column_one_empty",
     "<table><tr><td id=a colspan=2></td><td id=b></td></tr><tr><td id=c colspan=2></td><td id=d></td></tr></table>",
     "a@0 b@2 | c@0 d@2", 3},
    {"Rowspan_with_unit", "<table><tr><td id=a rowspan=3px></td><td id=b></td></tr><tr><td id=c></td></tr>"
                          "<tr><td id=d></td></tr></table>",
     "a@0 b@1 | c@1 | d@1", 2},
    {"Rowspan_zero_is_one", "<table><tr><td id=a rowspan=0></td></tr><tr><td id=b></td></tr></table>", "a@0 | b@0",
     1},
    {"Rowspan_text_is_one", "<table><tr><td id=a rowspan=x></td></tr><tr><td id=b></td></tr></table>", "a@0 | b@0",
     1},
    {"Rowspan_past_end_is_cut", "<table><tr><td id=a rowspan=9></td><td id=b></td></tr><tr><td id=c></td></tr></table>",
     "a@0 b@1 | c@1", 2},
    // Every column carried from above counts each row once, also columns
    // after the row's last cell.
    {"Carried_spans_after_last_cell",
     "<table><tr><td id=a></td><td id=b rowspan=3></td><td id=c></td><td id=d rowspan=3></td></tr>"
     "<tr><td id=e></td></tr><tr><td id=f></td></tr>"
     "<tr><td id=g></td><td id=h></td><td id=i></td><td id=j></td></tr></table>",
     "a@0 b@1 c@2 d@3 | e@0 | f@0 | g@0 h@1 i@2 j@3", 4},
    {"Hidden_cell_skipped", "<table><tr><td id=a style='display:none'></td><td id=b></td></tr></table>", "b@0", 1},
    {"Header_rows_first",
     "<table><tbody><tr><td id=b></td></tr></tbody><thead><tr><th id=h></th></tr></thead></table>", "h@0 | b@0", 1},
    {"Footer_before_body_stays_first",
     "<table><tfoot><tr><td id=f></td></tr></tfoot><tbody><tr><td id=b></td></tr></tbody></table>", "f@0 | b@0", 1},
};

INSTANTIATE_TEST_SUITE_P(Cases, TableGrid, ::testing::ValuesIn(kGridCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TableTest, RowsOutsideSectionsMoveIntoImplicitBody) {
  TTableElement* t = Load(u"<table><tr id=r1><td></td></tr><tr id=r2><td></td></tr></table>");
  ASSERT_EQ(t->TBodies->Count(), 1);
  auto* tb = static_cast<TElement*>(t->TBodies->Get(0));
  EXPECT_EQ(tb->Tag(), u"tbody");
  EXPECT_EQ(ById(u"r1")->Parent(), tb);
  EXPECT_EQ(ById(u"r2")->Parent(), tb);
  EXPECT_EQ(t->RowCount, 2);
  // Preparing again finds the section and keeps one.
  t->Prepare();
  EXPECT_EQ(t->TBodies->Count(), 1);
  EXPECT_EQ(t->RowCount, 2);
}

TEST_F(TableTest, HeaderOnlyTableGetsEmptyBody) {
  TTableElement* t = Load(u"<table><caption id=cap>c</caption><thead><tr><th></th></tr></thead></table>");
  EXPECT_EQ(t->TBodies->Count(), 1);
  EXPECT_EQ(t->Header->Count(), 1);
  EXPECT_EQ(t->Body->Count(), 0);
  EXPECT_EQ(t->Caption, ById(u"cap"));
  EXPECT_NE(t->THead, nullptr);
}

TEST_F(TableTest, LookUps) {
  TTableElement* t = Load(
      u"<table><thead><tr><th id=h0 colspan=2></th><th id=h2></th></tr><tr><th id=g0></th><th id=g1></th>"
      u"<th id=g2></th></tr></thead><tr><td id=a rowspan=2></td><td id=b></td><td id=c></td></tr>"
      u"<tr><td id=d></td><td id=e></td></tr></table>");
  EXPECT_EQ(t->RowCount, 4);
  EXPECT_EQ(t->ColCount, 3);
  EXPECT_EQ(t->GetCells(1, 0), Cell(u"h0"));
  EXPECT_EQ(t->GetCells(0, 3), nullptr);  // covered by a's row span, which starts above
  EXPECT_EQ(t->LastCell(), Cell(u"e"));
  // Several header rows: only a cell starting exactly at the column.
  EXPECT_EQ(t->HeaderCell(1), Cell(u"g1"));
  EXPECT_EQ(t->BodyCell(0), Cell(u"a"));
  EXPECT_EQ(t->BodyCell(2), Cell(u"e"));
  EXPECT_EQ(Cell(u"a")->GetRowSpan(), 2);
  EXPECT_EQ(Cell(u"h2")->GetNextCell(), Cell(u"g0"));
  EXPECT_EQ(Cell(u"g0")->GetPreviousCell(), Cell(u"h2"));
  // Column 0 of the last row is covered from above: no cell of that row.
  EXPECT_EQ(Cell(u"c")->GetNextCell(), nullptr);
  EXPECT_EQ(Cell(u"e")->GetNextCell(), nullptr);
  EXPECT_EQ(Cell(u"e")->Table(), t);
  EXPECT_EQ(Cell(u"e")->GetRow(), 3);
  EXPECT_TRUE(t->HasTableFlag(tfHasColspans));
  EXPECT_TRUE(t->HasTableFlag(tfHasRowspans));
  try {
    t->GetCells(0, 4);
    FAIL() << "no exception";
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), u"Table row index out of range");
  }
  // The document's hooks answer through the table classes.
  const THtTableHooks& hooks = HtTableHooks();
  EXPECT_TRUE(hooks.IsTableCell(*Cell(u"e")));
  EXPECT_TRUE(hooks.IsTableRow(*Cell(u"e")->Parent()));
  EXPECT_EQ(hooks.Table(*Cell(u"e")), t);
  EXPECT_EQ(hooks.Row(*Cell(u"d")), 3);
}

TEST_F(TableTest, RemoveUnecessaryColspans) {
  TTableElement* t = Load(
      u"<table><tr><td id=a colspan=2></td><td id=b></td></tr><tr><td id=c colspan=2></td><td id=d></td></tr>"
      u"</table>");
  t->RemoveUnecessaryColspans();
  EXPECT_EQ(t->ColCount, 2);
  EXPECT_EQ(Grid(t), "a@0 b@1 | c@0 d@1");
  EXPECT_FALSE(Cell(u"a")->HasAttribute(u"colspan"));
}

std::u16string row(int cells) {
  std::u16string s = u"<table><tr>";
  for (int i = 0; i < cells; ++i) s += u"<td></td>";
  return s + u"</tr></table>";
}

TEST_F(TableTest, ColumnLimit) {
  EXPECT_EQ(Load(row(2047))->ColCount, 2047);
  try {
    Load(row(5000));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Too many table columns");
  }
  // The columns counted so far stay.
  for (THtNode* n = Doc.get(); n; n = n->NextNode()) {
    if (auto* t = dynamic_cast<TTableElement*>(n)) {
      EXPECT_EQ(t->ColCount, 2047);
    }
  }
  EXPECT_THROW(Load(u"<table><col span=3000><tr><td></td></tr></table>"), Exception);
}

TEST_F(TableTest, WideAndTallSpansStayBounded) {
  std::u16string html = u"<table>";
  for (int r = 0; r < 1000; ++r) html += u"<tr><td colspan=1024></td></tr>";
  html += u"<tr><td rowspan=65535></td><td colspan=99999></td></tr></table>";
  TTableElement* t = Load(html);
  EXPECT_EQ(t->RowCount, 1001);
  EXPECT_EQ(t->ColCount, 2);
}

}  // namespace

// Tree edits that bypass the grid (a handler deleting or moving a row, a
// section, the caption or a col element) leave the table nothing freed to
// walk: the grid is rebuilt from what is left.
TEST_F(TableTest, PartsFreedOrMovedByTreeEditsLeaveTheGrid) {
  struct TCase {
    const char16_t* Id;
    bool Move;
    int Rows;
  } cases[] = {{u"r1", false, 2}, {u"b1", false, 1}, {u"h", false, 2}, {u"cap", false, 3},
               {u"cg", false, 3}, {u"c1", false, 3}, {u"r2", true, -1}};
  for (const TCase& c : cases) {
    TTableElement* t = Load(
        u"<table><caption id=cap>c</caption><colgroup id=cg><col id=c1><col></colgroup>"
        u"<thead id=h><tr><th>H</th><th>I</th></tr></thead>"
        u"<tbody id=b1><tr id=r1><td>a</td><td rowspan=2>b</td></tr><tr id=r2><td>c</td></tr></tbody></table>"
        u"<div id=out></div>");
    ASSERT_NE(t, nullptr);
    TElement* e = ById(c.Id);
    if (c.Move) ById(u"out")->Add(e);
    else e->Parent()->DeleteChild(e);
    Doc->RecalcStyles();
    Doc->CalcSize(300, 200);
    if (c.Rows >= 0) {
      EXPECT_EQ(t->RowCount, c.Rows) << StringToUtf8(String(c.Id));
    }
    EXPECT_EQ(t->RowCount, t->HeaderCount() + t->BodyCount()) << StringToUtf8(String(c.Id));
    // The table goes after a row that left it: the row forgets it.
    if (c.Move) {
      t->Parent()->DeleteChild(t);
      auto* r = dynamic_cast<TTableRow*>(ById(u"r2"));
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(r->Table, nullptr);
      Doc->RecalcStyles();
    }
  }
}

}  // namespace ht::testing
