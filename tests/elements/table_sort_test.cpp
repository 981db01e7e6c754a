// The data grid's sorting (directions, numbers, dates, group and total
// rows, stability), grouping and ungrouping, column moves and header drops.
#include <gtest/gtest.h>

#include <string>

#include "document/document.h"
#include "elements/table_fixture.h"
#include "layout/layout_style.h"
#include "platform/rtl/collation.h"
#include "platform/rtl/string.h"

namespace ht::testing {

namespace {

class TableSort : public TableTest {
 protected:
  // Sort keys are the texts as laid out.
  TTableElement* Load(StringView Html) {
    TTableElement* t = TableTest::Load(Html);
    Doc->CalcSize(800, 600);
    return t;
  }
  // The body rows' texts in column Col, in grid order, joined with ",".
  static std::string Column(TTableElement* T, int Col) {
    std::string s;
    for (int i = 0; i < T->BodyCount(); ++i) {
      if (i) s += ",";
      auto* r = dynamic_cast<TTableRow*>(T->Body->Get(i));
      TTableCell* c = r ? r->Cells(Col) : nullptr;
      if (r && r->GetAttribute(u"class") == u"group") s += "[" + StringToUtf8(r->GetRawInnerText()) + "]";
      else s += c ? StringToUtf8(c->GetRawInnerText()) : "-";
    }
    return s;
  }
  static std::u16string Rows(std::initializer_list<const char16_t*> Cells, const char16_t* Class = u"") {
    std::u16string s;
    for (const char16_t* c : Cells) s += u"<tr><td" + std::u16string(Class) + u">" + c + u"</td></tr>";
    return s;
  }
};

TEST_F(TableSort, SameColumnReversesAnotherStartsAscending) {
  TTableElement* t = Load(
      u"<table><thead><tr><th><a id=s0>A</a></th><th><a id=s1>B</a></th></tr></thead>"
      u"<tr><td>b</td><td>2</td></tr><tr><td>a</td><td>3</td></tr><tr><td>c</td><td>1</td></tr></table>");
  t->SetSortColumn(0);
  EXPECT_EQ(Column(t, 0), "a,b,c");
  EXPECT_TRUE(ById(u"s0")->HasClass(u"sort-up"));
  t->SetSortColumn(0);
  EXPECT_EQ(Column(t, 0), "c,b,a");
  EXPECT_TRUE(ById(u"s0")->HasClass(u"sort-down"));
  t->SetSortColumn(1);
  EXPECT_EQ(Column(t, 1), "1,2,3");
  EXPECT_FALSE(ById(u"s0")->HasClass(u"sort-down"));
  EXPECT_TRUE(ById(u"s1")->HasClass(u"sort-up"));
  EXPECT_TRUE(t->Sorted());
  // The tree keeps the markup's order; the grid follows the list.
  EXPECT_EQ(t->Row(0)->Row, 0);
  EXPECT_EQ(t->Cells(1, 1)->GetRawInnerText(), u"1");
}

TEST_F(TableSort, SortedRowsAreWrittenInTheirOrder) {
  TTableElement* t = Load(u"<table><tbody><tr><td>b</td></tr></tbody><tbody><tr><td>a</td></tr><tr><td>c</td></tr></tbody></table>");
  t->Sort(0, true);
  const std::string html = StringToUtf8(t->GetOuterHTML());
  const size_t a = html.find(">a<"), b = html.find(">b<"), c = html.find(">c<");
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  // All rows now stand in the first body section.
  EXPECT_EQ(static_cast<TElement*>(t->TBodies->Get(0))->Count(), 3);
}

TEST_F(TableSort, NumbersDatesAndText) {
  TTableElement* t = Load(u"<table>" + Rows({u"1 000", u"20", u"3"}, u" class=float") + u"</table>");
  t->Sort(0, true);
  EXPECT_EQ(Column(t, 0), "3,20,1 000");
  t = Load(u"<table>" + Rows({u"1 000", u"20", u"3"}) + u"</table>");
  t->Sort(0, true);
  EXPECT_EQ(Column(t, 0), "1 000,20,3");
  t = Load(u"<table>" + Rows({u"2024-03-01", u"2023-12-31", u"2024-01-15"}, u" class=date") + u"</table>");
  t->Sort(0, true);
  EXPECT_EQ(Column(t, 0), "2023-12-31,2024-01-15,2024-03-01");
  // One text that is no date: the column compares as text.
  t = Load(u"<table>" + Rows({u"b", u"2024-01-15", u"a"}, u" class=date") + u"</table>");
  t->Sort(0, true);
  EXPECT_EQ(Column(t, 0), "2024-01-15,a,b");
}

TEST_F(TableSort, GroupRowsStayTotalsEndTheirGroupBothWays) {
  TTableElement* t = Load(
      u"<table><tr class=group><td>G1</td></tr><tr><td>b</td></tr><tr class=total><td>t1</td></tr>"
      u"<tr><td>a</td></tr><tr class=group><td>G2</td></tr><tr><td>d</td></tr><tr><td>c</td></tr>"
      u"<tr><td></td></tr></table>");
  t->Sort(0, true);
  EXPECT_EQ(Column(t, 0), "[G1],a,b,t1,[G2],,c,d");
  t->Sort(0, true);
  EXPECT_EQ(Column(t, 0), "[G1],b,a,t1,[G2],d,c,");
}

TEST_F(TableSort, EqualKeysKeepTheirOrderWhateverTheirClasses) {
  std::u16string html = u"<table>";
  for (int i = 0; i < 1000; ++i)
    html += u"<tr id=r" + Utf8ToString(std::to_string(i)) + u"><td" + (i % 3 ? u"" : u" class=float") + u">k</td></tr>";
  TTableElement* t = Load(html + u"</table>");
  t->Sort(0, true);
  t->Sort(0, true);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(t->Body->Get(i)->GetAttribute(u"id"), u"r" + Utf8ToString(std::to_string(i)));
}

TEST_F(TableSort, GroupAndUngroup) {
  TTableElement* t = Load(
      u"<table><thead><tr><th field=k id=hk>K</th><th field=v>V</th></tr></thead>"
      u"<tr><td field=k>x</td><td>1</td></tr><tr><td field=k></td><td>2</td></tr>"
      u"<tr><td field=k>&lt;i&gt;a&lt;/i&gt;&amp;</td><td>3</td></tr><tr><td field=k>x</td><td>4</td></tr></table>");
  t->Group(0);
  EXPECT_EQ(t->SortColumn, 0);
  // Sorted by the key first; the hidden key cells keep their column.
  EXPECT_EQ(Column(t, 0), "[-],,[<i>a</i>&],<i>a</i>&,[x],x,x");
  EXPECT_EQ(t->RowCount, 8);
  EXPECT_EQ(ById(u"hk")->Tag(), u"desc");
  // The group row's text is shown as written, not read as markup.
  auto* g = static_cast<TElement*>(t->Body->Get(2));
  ASSERT_EQ(g->Count(), 1);
  EXPECT_EQ(g->GetChild(0)->Count(), 1);
  EXPECT_EQ(DisplayOf(t->Cells(0, 2)), dsNone);

  t->Ungroup(u"k", 0);
  EXPECT_EQ(ById(u"hk")->Tag(), u"th");
  EXPECT_EQ(t->RowCount, 5);
  // The column moved to the place of the header cell it was dropped on (the
  // first one shown), and the sort column moved with it.
  EXPECT_EQ(t->HeaderCell(1), Cell(u"hk"));
  EXPECT_EQ(t->SortColumn, 1);
  EXPECT_EQ(Column(t, 0), "2,3,1,4");
  // Without a header cell of that field nothing happens.
  t->Ungroup(u"nothing", 0);
  EXPECT_EQ(t->HeaderCell(1), Cell(u"hk"));
}

TEST_F(TableSort, MovingColumnsKeepsTheSortColumnAndColElements) {
  TTableElement* t = Load(
      u"<table><col id=c0><col id=c1><col id=c2><thead><tr><th>A</th><th>B</th><th id=hc>C</th></tr></thead>"
      u"<tr><td>a</td><td>b</td><td>c</td></tr></table>");
  int moved = 0;
  Doc->AfterTableColumnMoved = [&](TElement* T, int From, int To) { moved += T == t && From == 2 && To == 0; };
  t->SetSortColumn(2);
  t->MoveColumn(2, 0);
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(t->SortColumn, 0);
  EXPECT_EQ(t->HeaderCell(0), Cell(u"hc"));
  EXPECT_EQ(StringToUtf8(t->Cells(0, 1)->GetRawInnerText() + t->Cells(1, 1)->GetRawInnerText() +
                         t->Cells(2, 1)->GetRawInnerText()),
            "cab");
  EXPECT_EQ(t->ColDesc[0], ById(u"c2"));
  EXPECT_EQ(t->ColDesc[0]->Next(), ById(u"c0"));
  Doc->NeedRepaint = false;
  t->MoveColumn(1, 1);
  EXPECT_TRUE(Doc->NeedRepaint);
}

TEST_F(TableSort, HeaderDrops) {
  TTableElement* t = Load(
      u"<div class=table-group-box id=box></div><table><thead><tr><th id=a field=a>A</th><th id=b>B</th></tr>"
      u"</thead><tr><td>1</td><td>x</td></tr><tr><td>2</td><td>y</td></tr></table>");
  EXPECT_FALSE(Cell(u"a")->HeaderDropped(t->Cells(0, 1)));  // a body cell takes nothing
  EXPECT_TRUE(Cell(u"a")->HeaderDropped(Cell(u"b")));
  EXPECT_EQ(t->HeaderCell(1), Cell(u"a"));
  EXPECT_TRUE(Cell(u"a")->HeaderDropped(ById(u"box")));
  ASSERT_EQ(ById(u"box")->Count(), 1);
  EXPECT_EQ(ById(u"box")->GetChild(0)->GetAttribute(u"class"), u"group-tag");
  EXPECT_EQ(ById(u"box")->GetChild(0)->GetAttribute(u"field"), u"a");
  EXPECT_EQ(Column(t, 0), "[1],x,[2],y");
}

TEST(Collation, RootRulesTertiaryStrength) {
  EXPECT_LT(CompareStringW(u"a", u"B"), 0);
  EXPECT_LT(CompareStringW(u"a", u"A"), 0);
  EXPECT_EQ(CompareStringW(u"abc", u"abc"), 0);
  EXPECT_GT(CompareStringW(u"\u00E9", u"e"), 0);
  EXPECT_LT(CompareStringW(u"\u00E9", u"f"), 0);
  EXPECT_LT(CollationKey(u"a"), CollationKey(u"B"));
  EXPECT_LT(CollationKey(u"a"), CollationKey(u"A"));
  EXPECT_EQ(CollationKey(u"x"), CollationKey(u"x"));
}

}  // namespace

}  // namespace ht::testing
