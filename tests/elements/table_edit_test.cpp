// Data grid editing: rows and columns inserted and deleted around spans
// and col elements, merging and splitting, the grid's counts, the table's
// removal with its last row, tab-separated export and the presentational
// attributes.
#include <gtest/gtest.h>

#include <string>

#include "document/document.h"
#include "elements/table_fixture.h"
#include "layout/layout_style.h"
#include "platform/rtl/string.h"

namespace ht::testing {

namespace {

class TableEdit : public TableTest {
 protected:
  // Each row's cells as "text" or "text:colspan/rowspan" when spanning,
  // rows separated by " | ".
  static std::string Cells(TTableElement* T) {
    std::string s;
    for (int r = 0; r < T->RowCount; ++r) {
      if (r) s += " | ";
      TTableRow* row = T->Row(r);
      bool first = true;
      for (int k = 0; row && k < row->Count(); ++k) {
        auto* c = dynamic_cast<TTableCell*>(row->ChildNodes(k));
        if (!c) continue;
        if (!first) s += ' ';
        first = false;
        // A no-break space shows as "_", a line break as "~".
        std::string text;
        for (char16_t ch : c->TextContent()) text += ch == u'\u00A0' ? "_" : ch == u'\n' ? "~" : StringToUtf8(String(1, ch));
        s += text + "@" + std::to_string(c->Col);
        if (c->ColSpan > 1 || c->GetRowSpan() > 1)
          s += ":" + std::to_string(c->ColSpan) + "/" + std::to_string(c->GetRowSpan());
      }
    }
    return s;
  }
  // Every row is listed once, numbered in grid order, and every placed cell
  // lies inside the grid.
  static void ExpectConsistent(TTableElement* T) {
    ASSERT_EQ(T->RowCount, T->HeaderCount() + T->BodyCount());
    for (int r = 0; r < T->RowCount; ++r) {
      TTableRow* row = T->Row(r);
      ASSERT_NE(row, nullptr);
      EXPECT_EQ(row->Row, r);
      EXPECT_EQ(row->Table, T);
      for (int k = 0; k < row->Count(); ++k) {
        auto* c = dynamic_cast<TTableCell*>(row->ChildNodes(k));
        if (c && DisplayOf(c) != dsNone) {
          EXPECT_LT(c->Col, T->ColCount);
        }
      }
    }
  }
};

TEST_F(TableEdit, InsertRowUnderAHeaderMakesAHeaderRow) {
  TTableElement* t = Load(u"<table><thead><tr><th>h</th></tr></thead><tr><td>a</td></tr></table>");
  t->InsertRow(0, u"x");
  EXPECT_EQ(t->HeaderCount(), 2);
  EXPECT_EQ(Cells(t), "x@0 | h@0 | a@0");
  EXPECT_EQ(t->Row(0)->Parent(), t->THead);
  // At the header's end the row opens the body.
  t->InsertRow(2, u"y");
  EXPECT_EQ(t->HeaderCount(), 2);
  EXPECT_EQ(Cells(t), "x@0 | h@0 | y@0 | a@0");
  EXPECT_NE(t->Row(2)->Parent(), t->THead);
  ExpectConsistent(t);
}

TEST_F(TableEdit, InsertRowWidensOnlySpansAcrossIt) {
  const char16_t* html =
      u"<table><tr><td rowspan=3>s</td><td>a</td></tr><tr><td>b</td></tr><tr><td>c</td></tr>"
      u"<tr><td>d</td><td>e</td></tr></table>";
  TTableElement* t = Load(html);
  t->InsertRow(1, u"n");
  EXPECT_EQ(Cells(t), "s@0:1/4 a@1 | n@1 | b@1 | c@1 | d@0 e@1");
  // Just below the span's end the new row gets a cell of its own.
  t = Load(html);
  t->InsertRow(3, u"n");
  EXPECT_EQ(Cells(t), "s@0:1/3 a@1 | b@1 | c@1 | n@0 n@1 | d@0 e@1");
  ExpectConsistent(t);
}

TEST_F(TableEdit, InsertColBesideOrInsideSpans) {
  TTableElement* t = Load(u"<table><tr><td colspan=2>a</td><td>b</td></tr><tr><td>c</td><td colspan=2>d</td></tr></table>");
  t->InsertCol(2, u"n", u"");
  EXPECT_EQ(Cells(t), "a@0:2/1 n@2 b@3 | c@0 d@1:3/1");
  EXPECT_EQ(t->ColCount, 4);
  EXPECT_EQ(t->ColDescCount, 3);  // col elements up to the new column
  ExpectConsistent(t);
}

TEST_F(TableEdit, InsertColBesideARowSpanFillsTheRowsItCovers) {
  TTableElement* t = Load(u"<table><tr><td rowspan=2>a</td><td>b</td></tr><tr><td>c</td></tr></table>");
  t->InsertCol(1, u"n", u"");
  EXPECT_EQ(Cells(t), "a@0:1/2 n@1 b@2 | n@1 c@2");
  ExpectConsistent(t);
}

TEST_F(TableEdit, InsertColBeforeAColElement) {
  TTableElement* t = Load(u"<table><col id=c0><col id=c1><tr><td>a</td><td>b</td></tr></table>");
  TElement* col = t->InsertCol(1, u"n", u"40");
  ASSERT_NE(col, nullptr);
  EXPECT_EQ(col->GetAttribute(u"width"), u"40");
  EXPECT_EQ(col->Next(), ById(u"c1"));
  EXPECT_EQ(t->ColDesc[1], col);
  EXPECT_EQ(Cells(t), "a@0 n@1 b@2");
}

TEST_F(TableEdit, DeleteColShrinksSpansAndSplitsCellsStartingThere) {
  TTableElement* t = Load(
      u"<table><col><col span=3><tr><td colspan=3>a</td><td>b</td></tr>"
      u"<tr><td>c</td><td colspan=2>d</td><td>e</td></tr></table>");
  t->DeleteCol(1);
  EXPECT_EQ(Cells(t), "a@0:2/1 b@2 | c@0 _@1 e@2");
  EXPECT_EQ(t->ColCount, 3);
  // The col spanning three columns now spans two.
  EXPECT_EQ(t->ColDesc[1]->GetAttribute(u"span"), u"2");
  ExpectConsistent(t);
}

TEST_F(TableEdit, DeleteRowSplitsSpansStartingThereAndShortensSpansAbove) {
  const char16_t* html =
      u"<table><tr><td>x</td><td>y</td></tr><tr><td rowspan=3>s</td><td>a</td></tr>"
      u"<tr><td>b</td></tr><tr><td>c</td></tr></table>";
  TTableElement* t = Load(html);
  t->DeleteRow(1);
  EXPECT_EQ(Cells(t), "x@0 y@1 | @0 b@1 | @0 c@1");
  t = Load(html);
  t->DeleteRow(2);
  EXPECT_EQ(Cells(t), "x@0 y@1 | s@0:1/2 a@1 | c@1");
  ExpectConsistent(t);
}

TEST_F(TableEdit, MergeAndSplitCells) {
  TTableElement* t = Load(u"<table><tr><td id=a>a</td><td>b</td><td>c</td></tr><tr><td id=d>d</td><td>e</td><td>f</td></tr></table>");
  Cell(u"a")->SetColSpan(2);
  EXPECT_EQ(Cells(t), "a ~b@0:2/1 c@2 | d@0 e@1 f@2");
  EXPECT_EQ(Cell(u"a")->GetAttribute(u"colspan"), u"2");
  Cell(u"a")->SetColSpan(1);
  EXPECT_EQ(Cells(t), "a ~b@0 _@1 c@2 | d@0 e@1 f@2");
  Cell(u"d")->SetRowSpan(1);  // already one row: nothing
  EXPECT_EQ(Cells(t), "a ~b@0 _@1 c@2 | d@0 e@1 f@2");
  ById(u"a")->SetAttribute(u"id", u"");
  TTableCell* c = t->Cells(1, 0);
  c->SetRowSpan(2);
  EXPECT_EQ(Cells(t), "a ~b@0 _~e@1:1/2 c@2 | d@0 f@2");
  c->SetRowSpan(1);
  EXPECT_EQ(Cells(t), "a ~b@0 _~e@1 c@2 | d@0 @1 f@2");
  ExpectConsistent(t);
}

TEST_F(TableEdit, VerticalMergePassesOverRowsWithoutACell) {
  TTableElement* t = Load(
      u"<table><tr><td id=a>a</td><td rowspan=2>s</td></tr><tr></tr><tr><td>c</td><td>d</td></tr></table>");
  // Row 1 has no cell of its own in column 0.
  Cell(u"a")->SetRowSpan(3);
  EXPECT_EQ(Cells(t), "a~c@0:1/3 s@1:1/2 |  | d@1");
  ExpectConsistent(t);
}

TEST_F(TableEdit, CountsGrowAndShrinkFromTheEnd) {
  TTableElement* t = Load(u"<table><tr><td>a</td></tr></table>");
  t->SetColCount(3);
  t->SetRowCount(2);
  EXPECT_EQ(Cells(t), "a@0 _@1 _@2 | _@0 _@1 _@2");
  EXPECT_EQ(t->ColDesc[2]->GetAttribute(u"width"), u"100");
  t->SetColCount(1);
  t->SetRowCount(1);
  EXPECT_EQ(Cells(t), "a@0");
  EXPECT_EQ(t->ColDescCount, 1);  // made for column 0 by the first new column
  ExpectConsistent(t);
}

TEST_F(TableEdit, RemovingTheLastRowRemovesTheTableSafely) {
  TTableElement* t = Load(u"<div id=box><table id=t><tr><td>a</td></tr><tr><td>b</td></tr></table></div>");
  Doc->ActiveTable = t;
  Doc->FHoverElement = t;
  int removed = 0;
  Doc->OnElementDeleted = [&](TElement* E) { removed += E == t; };
  t->SetRowCount(0);
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(ById(u"t"), nullptr);
  EXPECT_EQ(Doc->ActiveTable, nullptr);
  EXPECT_NE(Doc->FHoverElement, t);
  EXPECT_EQ(ById(u"box")->Count(), 0);
}

TEST_F(TableEdit, BadIndexesRaiseAndLeaveTheGrid) {
  TTableElement* t = Load(u"<table><tr><td>a</td><td>b</td></tr></table>");
  EXPECT_THROW(t->DeleteRow(1), ERangeError);
  EXPECT_THROW(t->DeleteRow(-1), ERangeError);
  EXPECT_THROW(t->InsertRow(2, u"x"), ERangeError);
  EXPECT_THROW(t->DeleteCol(2), ERangeError);
  EXPECT_THROW(t->InsertCol(3, u"x", u""), ERangeError);
  EXPECT_EQ(Cells(t), "a@0 b@1");
  t->MoveColumn(5, -3);
  t->Sort(9, true);
  EXPECT_EQ(Cells(t), "a@0 b@1");
}

TEST_F(TableEdit, TooManyColumnsKeepsTheCellsMade) {
  TTableElement* t = Load(u"<table><tr><td>a</td></tr></table>");
  EXPECT_THROW(t->SetColCount(2048), Exception);
  EXPECT_EQ(t->ColCount, 2047);
  ExpectConsistent(t);
}

TEST_F(TableEdit, AsCSV) {
  TTableElement* t = Load(u"<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>");
  EXPECT_EQ(t->AsCSV(), u"\"a\"\t\"b\"\r\n\"c\"\t\"d\"");
  t = Load(
      u"<table><tr><td colspan=2>say \"hi\"  </td><td rowspan=2>t\tab</td></tr>"
      u"<tr><td></td><td>x</td></tr></table>");
  EXPECT_EQ(t->AsCSV(), u"\"say \"\"hi\"\"\"\t\"say \"\"hi\"\"\"\t\"t\tab\"\r\n\"\"\t\"x\"\t");
}

TEST_F(TableEdit, PresentationalAttributes) {
  TTableElement* t = Load(u"<table border=\"\" cellpadding=4 cellspacing=3 bordercolor=red><tr><td colspan=5000>a</td></tr></table>");
  EXPECT_EQ(t->CellBorderWidth, 1);
  EXPECT_EQ(t->CellPadding, 4);
  const String& css = t->VirtualSelfStyle();
  EXPECT_NE(css.find(u"border-width:1px"), String::npos) << StringToUtf8(css);
  EXPECT_NE(css.find(u"border-style:solid"), String::npos);
  EXPECT_NE(css.find(u"border-spacing:3px"), String::npos);
  EXPECT_NE(css.find(u"border-color:red"), String::npos);
  EXPECT_EQ(t->Cells(0, 0)->ColSpan, 1024);
  t = Load(u"<table border=0 cellpadding=x><tr><td colspan=0>a</td><td colspan=x>b</td></tr></table>");
  EXPECT_EQ(t->CellBorderWidth, 0);
  EXPECT_EQ(t->CellPadding, 1);
  EXPECT_EQ(t->VirtualSelfStyle().find(u"border"), String::npos);
  EXPECT_EQ(t->Cells(0, 0)->ColSpan, 1);
  EXPECT_EQ(t->Cells(1, 0)->ColSpan, 1);
}

TEST_F(TableEdit, AddRowAppendsToTheLastBody) {
  TTableElement* t = Load(u"<table><tbody><tr><td>a</td></tr></tbody><tbody id=b2></tbody></table>");
  TTableRow* r = t->AddRow();
  EXPECT_EQ(r->Parent(), ById(u"b2"));
  EXPECT_EQ(r->Row, 1);
  EXPECT_EQ(t->RowCount, 2);
  ExpectConsistent(t);
}

}  // namespace

}  // namespace ht::testing

#include "elements/table_ops_driver.h"

#include <random>
#include <vector>

namespace ht::testing {

namespace {

// Seeded random tables and operation sequences: the grid stays sound after
// every step, or the grid's exception comes.
TEST_F(TableEdit, SeededOperationSequencesKeepTheGrid) {
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(96);
    for (uint8_t& b : bytes) b = uint8_t(rng());
    const uint8_t* data = bytes.data();
    size_t size = bytes.size();
    TTableElement* t = Load(TableFromBytes(data, size));
    ASSERT_NE(t, nullptr);
    std::string fault;
    bool removed = false;
    EXPECT_TRUE(RunTableOps(t, data, size, fault, removed)) << "seed " << seed << ": " << fault;
    Doc->CalcSize(300, 200);
  }
}

}  // namespace

}  // namespace ht::testing
