#pragma once
// The column set of a table: what each column's cells need (per starting
// column and span length), the column's kind (automatic, percentage, fixed
// pixels) and, after distribution, its width in pixels. Row layout and
// drawing place cells by ColLeft and ColSpanWidth.
#include <cstdint>
#include <string>
#include <vector>

namespace ht {

class TElement;
class TTableElement;

enum TColumnFlag : uint8_t { cfAuto = 1, cfPercent = 2, cfFixed = 4, cfEmpty = 8 };
using TColumnFlags = uint8_t;
constexpr TColumnFlags kAllColumns = cfAuto | cfPercent | cfFixed;

// A column width: unset (auto), a percentage of the table's width base, or
// pixels.
struct TColumnWidth {
  bool Set = false;
  bool Percent = false;
  float Value = 0;
};

struct TTableColumn {
  std::vector<float> fSpanContentWidths;  // entry s-1: max-content of span-s cells starting here
  std::vector<float> fSpanMinWidths;      // entry s-1: min-content of the same
  std::vector<float> fSpanWidths;         // entry s-1: the first explicit width of a span-s cell
  TColumnFlags fFlag = cfAuto;
  float MinWidth = 0;
  float MaxContentWidth = 0;
  float DefaultPixels = 0;
  bool DefaultPercent = false;
  bool Auto = true;
  TColumnWidth Width;
  TElement* ColDesc = nullptr;

  // Width in pixels against Base (the table's percentage base).
  float Pixels(float Base) const;
  float UsedWidth(float Base) const;
  float SpanMinWidth(int s) const;
  float SpanWidth(int s) const;
  float SpanMaxWidth(int s) const;
  void AddSpanMinWidth(int s, float v);
  void AddSpanContentWidth(int s, float v);
  void AddSpanWidth(int s, float v);
  void AddPixels(float x, float Base);
};

// A percentage with at most one decimal: 33.33 gives "33.3", 12.96 "13".
std::u16string FormatPercent(float Value);

class TTableColumns {
 public:
  explicit TTableColumns(TTableElement* ATable, int ACount);

  std::vector<TTableColumn> Cols;
  TTableElement* Table;
  int fPercentCount = 0, fAutoCount = 0;
  float fPercentSum = 0;
  // The table's percentage base, horizontal spacing and fixed layout, as
  // the table sets them before each pass.
  float WidthBase = 0;
  float HSpacing = 0;
  bool FixedLayout = false;
  bool BorderCollapse = false;
  bool RightToLeft = false;
  float TableRightBorder = 0;

  int Count() const { return int(Cols.size()); }
  int AutoCount() const { return fAutoCount; }
  float AutoPixels() const;
  float FixedPixels() const;
  float PercentPixels() const;
  float TotalPixels() const;
  float TotalMinWidth() const;
  float TotalMaxWidth() const;
  float TotalMaxContentWidth() const;
  float TotalAutoMaxWidth() const { return FlagTotalMaxWidth(cfAuto); }
  float MaxPixelsInPercent() const;
  int FlagCount(TColumnFlags Flags) const;
  float FlagTotalPixels(TColumnFlags Flags) const;
  float FlagTotalMaxWidth(TColumnFlags Flags) const;
  float ColRangeWidth(int StartCol, int EndCol) const;
  float ColSpanWidth(int Col, int Span) const;
  float ColLeft(int Col, int Span) const;
  bool AllWidthsSet() const;
  void UpdateFlags();

  // --- Widths into col elements (table_col_tags.cpp) ---------------------------
  // Replaces the table's col and colgroup children with one col per column
  // holding its current width (pixels, or a percentage for columns given
  // in percent); cell widths are dropped.
  void PrepareColTags();
  // Rewrites the width of every column that has a col element.
  void UpdateColTags();
  // Column Col becomes X pixels (at least its minimum) and the table's
  // width is distributed again; a change under one pixel does nothing.
  // With a CSS width on the table the next column takes the difference.
  void SetColumnWidth(int Col, float X);

  void GrowColumns(float Delta, TColumnFlags Flags, bool ToMaxWidthOnly);
  void ShrinkColumns(float Delta, TColumnFlags Flags);
  void ShrinkAutoColumns(float Delta);
  void SetToMaxWidths(TColumnFlags Flags);
  void SetToMinWidths(TColumnFlags Flags);
  void Set100Percent();
  void EnsureSpanMinWidths(int EndCol, TColumnFlags Flags);
  float GrowAutoColumnsInRange(int StartCol, int EndCol, float X);

 private:
  bool meets(const TTableColumn& c, TColumnFlags Flags) const { return (c.fFlag & Flags) != 0; }
  // Shares b over columns 0..EndCol (or StartCol..EndCol) that meet Flags;
  // whatever no rule takes goes to the first column of the range, so the
  // loop always ends.
  void giveRange(int StartCol, int EndCol, float b, TColumnFlags Flags, bool SpanRule);
};

}  // namespace ht
