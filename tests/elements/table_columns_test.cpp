// The column set's distribution rules on hand-made column needs.
#include <gtest/gtest.h>

#include "elements/table_columns.h"

namespace ht::testing {

namespace {

// Columns with the given min and max-content widths (span 1), all Auto.
TTableColumns autoColumns(std::initializer_list<std::pair<float, float>> Needs) {
  TTableColumns cols(nullptr, int(Needs.size()));
  int i = 0;
  for (auto [mn, mx] : Needs) {
    TTableColumn& c = cols.Cols[size_t(i++)];
    c.AddSpanMinWidth(1, mn);
    c.AddSpanContentWidth(1, mx);
    c.MinWidth = mn;
    c.MaxContentWidth = std::max(mn, mx);
    c.Width = {true, false, c.MaxContentWidth};
  }
  cols.UpdateFlags();
  return cols;
}

TEST(TableColumns, SpanMinimumsWidenTheTotal) {
  TTableColumns cols = autoColumns({{10, 20}, {10, 20}, {5, 5}});
  cols.Cols[0].AddSpanMinWidth(2, 50);
  EXPECT_FLOAT_EQ(cols.TotalMinWidth(), 55);
  cols.Cols[0].AddSpanContentWidth(2, 70);
  EXPECT_FLOAT_EQ(cols.TotalMaxContentWidth(), 75);
}

TEST(TableColumns, SpacingInsideSpansAndColumnLefts) {
  TTableColumns cols = autoColumns({{10, 10}, {20, 20}, {30, 30}});
  cols.HSpacing = 2;
  EXPECT_FLOAT_EQ(cols.ColSpanWidth(0, 2), 32);
  EXPECT_FLOAT_EQ(cols.ColSpanWidth(1, 9), 52);
  EXPECT_FLOAT_EQ(cols.ColLeft(1, 1), 14);
  // Right to left: column 0 sits at the right edge.
  cols.RightToLeft = true;
  EXPECT_FLOAT_EQ(cols.ColLeft(0, 1), 3 * 2 + 50);
  EXPECT_FLOAT_EQ(cols.ColLeft(2, 1), 2);
}

TEST(TableColumns, PercentagesOverHundredAreRescaled) {
  TTableColumns cols(nullptr, 2);
  for (auto& c : cols.Cols) {
    c.Auto = false;
    c.Width = {true, true, 75};
  }
  cols.fPercentCount = 2;
  cols.fPercentSum = 150;
  cols.Set100Percent();
  EXPECT_FLOAT_EQ(cols.Cols[0].Width.Value, 50);
  EXPECT_FLOAT_EQ(cols.fPercentSum, 100);
  // 80 in total stays while an Auto column remains.
  TTableColumns mixed(nullptr, 2);
  mixed.Cols[0].Auto = false;
  mixed.Cols[0].Width = {true, true, 80};
  mixed.fPercentCount = 1;
  mixed.fPercentSum = 80;
  mixed.Set100Percent();
  EXPECT_FLOAT_EQ(mixed.Cols[0].Width.Value, 80);
}

TEST(TableColumns, GrowAndShrinkKeepMinimums) {
  TTableColumns cols = autoColumns({{10, 40}, {10, 20}});
  cols.SetToMinWidths(cfAuto);
  EXPECT_FLOAT_EQ(cols.TotalPixels(), 20);
  // Room of 40 up to the targets; 30 is shared by max-content share.
  cols.GrowColumns(30, cfAuto, false);
  EXPECT_FLOAT_EQ(cols.TotalPixels(), 50);
  cols.ShrinkColumns(100, cfAuto);
  EXPECT_FLOAT_EQ(cols.Cols[0].UsedWidth(0), 10);
  EXPECT_FLOAT_EQ(cols.Cols[1].UsedWidth(0), 10);
}

// Two pixel-width columns under a wider colspan-2 cell: no Auto column can
// take the span's need, so the first column of the range takes it (the
// distribution once looped for ever here).
TEST(TableColumns, SpanOverFixedColumnsEnds) {
  TTableColumns cols(nullptr, 2);
  for (auto& c : cols.Cols) {
    c.Auto = false;
    c.Width = {true, false, 20};
    c.MinWidth = 20;
    c.MaxContentWidth = 20;
    c.AddSpanMinWidth(1, 20);
    c.AddSpanContentWidth(1, 20);
  }
  cols.Cols[0].AddSpanMinWidth(2, 100);
  cols.Cols[0].AddSpanContentWidth(2, 100);
  cols.UpdateFlags();
  cols.SetToMaxWidths(cfAuto);
  EXPECT_FLOAT_EQ(cols.ColRangeWidth(0, 1), 100);
  cols.SetToMinWidths(cfAuto);
  EXPECT_FLOAT_EQ(cols.ColRangeWidth(0, 1), 100);
}

}  // namespace

}  // namespace ht::testing
