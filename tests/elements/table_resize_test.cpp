// Column widths frozen into col elements and interactive column resizing,
// on documents laid out on the Ahem-metric canvas.
#include <gtest/gtest.h>

#include <string>

#include "document/document.h"
#include "elements/table_fixture.h"
#include "platform/rtl/string.h"

namespace ht::testing {

namespace {

const char16_t* const kHead =
    u"<!DOCTYPE html><html><head><style>body { margin: 0; font: 10px/1 Ahem } td, th { padding: 0 }"
    u" table { border-spacing: 0 }</style></head><body>";

class TableResize : public TableTest {
 protected:
  TTableElement* Layout(StringView Body) {
    TTableElement* t = Load(String(kHead) + String(Body));
    Doc->CalcSize(800, 600);
    return t;
  }
  // The "width" attributes of the col elements, joined with " ".
  static std::string ColWidths(TTableElement* T) {
    std::string s;
    for (int i = 0; i < T->ColDescCount; ++i) s += (i ? " " : "") + StringToUtf8(T->ColDesc[size_t(i)]->GetAttribute(u"width"));
    return s;
  }
  static float Used(TTableElement* T, int Col) {
    return T->Columns->Cols[size_t(Col)].UsedWidth(T->Columns->WidthBase);
  }
};

TEST(FormatPercent, OneDecimalAtMost) {
  EXPECT_EQ(FormatPercent(33.33f), u"33.3");
  EXPECT_EQ(FormatPercent(12.96f), u"13");
  EXPECT_EQ(FormatPercent(12.04f), u"12");
  EXPECT_EQ(FormatPercent(50), u"50");
}

TEST_F(TableResize, FirstResizeMakesOneColPerColumn) {
  TTableElement* t = Layout(
      u"<table style='width:400px'><tr><td style='width:25%'>a</td><td id=b>bb</td><td>c</td></tr></table>");
  Cell(u"b")->SetUserWidth(100);
  ASSERT_EQ(t->ColDescCount, 3);
  // The percentage column keeps its unit, the others take pixels.
  const std::string w = ColWidths(t);
  EXPECT_EQ(w.substr(0, w.find(' ')).back(), '%') << w;
  EXPECT_EQ(w.find('%', w.find(' ')), std::string::npos) << w;
  EXPECT_EQ(t->ColDesc[1]->GetAttribute(u"width"), u"100");
}

TEST_F(TableResize, UnderAPixelChangesNothing) {
  TTableElement* t = Layout(u"<table><col width=50><col width=60><tr><td id=a>a</td><td>b</td></tr></table>");
  t->Columns->SetColumnWidth(0, Used(t, 0) + 0.5f);
  EXPECT_EQ(ColWidths(t), "50 60");
}

TEST_F(TableResize, WithACssWidthTheNextColumnTakesTheDifference) {
  TTableElement* t = Layout(
      u"<table style='width:200px'><col width=100><col width=100><tr><td id=a>a</td><td>bbbbbbbb</td></tr></table>");
  Cell(u"a")->SetUserWidth(120);
  EXPECT_EQ(ColWidths(t), "120 80");
  // Not below the next column's minimum (eight Ahem characters).
  Cell(u"a")->SetUserWidth(190);
  EXPECT_EQ(t->ColDesc[1]->GetAttribute(u"width"), u"80");
}

TEST_F(TableResize, TheLastColumnLetsTheTableWidthGo) {
  TTableElement* t = Layout(u"<table width=300 style='width:300px'><col width=100><col width=200><tr><td>a</td><td id=b>b</td></tr></table>");
  Cell(u"b")->SetUserWidth(150);
  EXPECT_FALSE(t->HasAttribute(u"width"));
  EXPECT_EQ(t->GetAttribute(u"style").find(u"width"), String::npos);
  EXPECT_EQ(ColWidths(t), "100 150");
}

TEST_F(TableResize, TablesSharingAnIdFollow) {
  Layout(
      u"<table id=g><col width=50><col width=50><thead><tr><th id=h>a</th><th>b</th></tr></thead></table>"
      u"<table id=g><tr><td>a</td><td>b</td></tr></table>");
  TTableElement* second = nullptr;
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (auto* t = dynamic_cast<TTableElement*>(n); t && t != Cell(u"h")->Table()) second = t;
  ASSERT_NE(second, nullptr);
  Cell(u"h")->SetUserWidth(90);
  EXPECT_EQ(ColWidths(Cell(u"h")->Table()).substr(0, 2), "90");
  ASSERT_GE(second->ColDescCount, 1);
  EXPECT_EQ(second->ColDesc[0]->GetAttribute(u"width"), u"90");
}

}  // namespace

}  // namespace ht::testing
