#include "elements/table_columns.h"

#include <algorithm>
#include <cmath>

namespace ht {

namespace {

float roundEven(float v) { return std::nearbyint(v); }

float entry(const std::vector<float>& a, int s) { return s >= 1 && s <= int(a.size()) ? a[size_t(s - 1)] : 0.0f; }

void addEntry(std::vector<float>& a, int s, float v) {
  if (s < 1) return;
  if (int(a.size()) < s) a.resize(size_t(s), 0.0f);
  a[size_t(s - 1)] = std::max(a[size_t(s - 1)], v);
}

TColumnWidth pixels(float v) { return TColumnWidth{true, false, v}; }

}  // namespace

// --- TTableColumn ---------------------------------------------------------------

float TTableColumn::Pixels(float Base) const {
  if (!Width.Set) return 0;
  return Width.Percent ? Width.Value * Base / 100.0f : Width.Value;
}
float TTableColumn::UsedWidth(float Base) const { return std::max(MinWidth, Pixels(Base)); }
float TTableColumn::SpanMinWidth(int s) const { return entry(fSpanMinWidths, s); }
float TTableColumn::SpanWidth(int s) const { return entry(fSpanWidths, s); }
float TTableColumn::SpanMaxWidth(int s) const {
  if (const float w = SpanWidth(s); w != 0) return std::max(w, SpanMinWidth(s));
  return entry(fSpanContentWidths, s);
}
void TTableColumn::AddSpanMinWidth(int s, float v) { addEntry(fSpanMinWidths, s, v); }
void TTableColumn::AddSpanContentWidth(int s, float v) { addEntry(fSpanContentWidths, s, v); }
void TTableColumn::AddSpanWidth(int s, float v) { addEntry(fSpanWidths, s, v); }
void TTableColumn::AddPixels(float x, float Base) { Width = pixels(Pixels(Base) + x); }

// --- TTableColumns ----------------------------------------------------------------

TTableColumns::TTableColumns(TTableElement* ATable, int ACount) : Cols(size_t(std::max(0, ACount))), Table(ATable) {}

float TTableColumns::AutoPixels() const {
  float s = 0;
  for (const auto& c : Cols)
    if (c.Auto) s += c.Pixels(WidthBase);
  return s;
}

float TTableColumns::FixedPixels() const {
  float s = 0;
  for (const auto& c : Cols)
    if (!c.Auto && !c.Width.Percent) s += c.Pixels(WidthBase);
  return s;
}

float TTableColumns::PercentPixels() const {
  float s = 0;
  for (const auto& c : Cols)
    if (!c.Auto && (c.fFlag & cfPercent)) s += c.UsedWidth(WidthBase);
  return s;
}

float TTableColumns::TotalPixels() const {
  float s = 0;
  for (const auto& c : Cols) s += c.UsedWidth(WidthBase);
  return s;
}

float TTableColumns::TotalMinWidth() const {
  const int n = Count();
  std::vector<float> p(size_t(n) + 1, 0.0f);
  size_t longest = 0;
  for (int i = 0; i < n; ++i) {
    p[size_t(i) + 1] = p[size_t(i)] + Cols[size_t(i)].MinWidth;
    longest = std::max(longest, Cols[size_t(i)].fSpanMinWidths.size());
  }
  for (int k = 2; k <= int(longest); ++k)
    for (int i = 0; i + k <= n; ++i) {
      const auto& a = Cols[size_t(i)].fSpanMinWidths;
      if (int(a.size()) < k) continue;
      const float d = p[size_t(i)] + a[size_t(k - 1)] - p[size_t(i + k)];
      if (d > 0)
        for (int j = i + k; j <= n; ++j) p[size_t(j)] += d;
    }
  return p[size_t(n)];
}

namespace {

// A running sum in which every column adds Own(k), and the sum up to a
// column is raised to the width a span ending there needs from its start.
template <class Own>
float spannedSum(const std::vector<TTableColumn>& Cols, Own own) {
  const int n = int(Cols.size());
  std::vector<float> p(size_t(n) + 1, 0.0f);
  for (int k = 0; k < n; ++k) {
    float s = p[size_t(k)] + own(Cols[size_t(k)]);
    for (int j = 0; j < k; ++j) s = std::max(s, p[size_t(j)] + Cols[size_t(j)].SpanMaxWidth(k - j + 1));
    p[size_t(k) + 1] = s;
  }
  return p[size_t(n)];
}

}  // namespace

float TTableColumns::TotalMaxWidth() const {
  const float base = WidthBase;
  return spannedSum(Cols, [base](const TTableColumn& c) {
    return !c.Auto && !c.Width.Percent ? c.Pixels(base) : c.SpanMaxWidth(1);
  });
}

float TTableColumns::TotalMaxContentWidth() const {
  return spannedSum(Cols, [](const TTableColumn& c) { return c.SpanMaxWidth(1); });
}

float TTableColumns::MaxPixelsInPercent() const {
  float m = 0;
  for (const auto& c : Cols)
    if ((c.fFlag & cfPercent) && c.Width.Percent && c.Width.Value > 0) m = std::max(m, c.MaxContentWidth / c.Width.Value);
  return m;
}

int TTableColumns::FlagCount(TColumnFlags Flags) const {
  int n = 0;
  for (const auto& c : Cols) n += meets(c, Flags);
  return n;
}

float TTableColumns::FlagTotalPixels(TColumnFlags Flags) const {
  float s = 0;
  for (const auto& c : Cols)
    if (meets(c, Flags)) s += c.UsedWidth(WidthBase);
  return s;
}

float TTableColumns::FlagTotalMaxWidth(TColumnFlags Flags) const {
  float s = 0;
  for (const auto& c : Cols)
    if (meets(c, Flags)) s += c.SpanMaxWidth(1);
  return s;
}

float TTableColumns::ColRangeWidth(int StartCol, int EndCol) const {
  float s = 0;
  for (int i = std::max(0, StartCol); i <= EndCol && i < Count(); ++i) s += Cols[size_t(i)].Pixels(WidthBase);
  return s;
}

float TTableColumns::ColSpanWidth(int Col, int Span) const {
  if (Col >= Count() || Col < 0) return 0;
  float s = 0;
  const int end = std::min(Count(), Col + Span);
  for (int i = Col; i < end; ++i) s += Cols[size_t(i)].UsedWidth(WidthBase) + HSpacing;
  return s - HSpacing;
}

float TTableColumns::ColLeft(int Col, int Span) const {
  float x = 0;
  if (!RightToLeft) {
    x = BorderCollapse ? 0 : float(Col + 1) * HSpacing;
    for (int i = 0; i < Col && i < Count(); ++i) x += Cols[size_t(i)].UsedWidth(WidthBase);
    return x;
  }
  const int n = Col + Span - 1;
  x = float(Count() - n) * HSpacing;
  if (BorderCollapse && TableRightBorder > 0) x += TableRightBorder / 2 - 0.5f;
  for (int i = n + 1; i < Count(); ++i) x += Cols[size_t(i)].UsedWidth(WidthBase);
  return x;
}

bool TTableColumns::AllWidthsSet() const {
  for (const auto& c : Cols)
    if (!c.Width.Set) return false;
  return true;
}

void TTableColumns::UpdateFlags() {
  for (auto& c : Cols) {
    c.fFlag = c.Auto ? cfAuto : c.Width.Percent ? cfPercent : cfFixed;
    if (c.MinWidth == 0 && c.MaxContentWidth == 0) c.fFlag |= cfEmpty;
  }
}

void TTableColumns::GrowColumns(float Delta, TColumnFlags Flags, bool ToMaxWidthOnly) {
  if (!(Delta > 0)) return;
  const float base = WidthBase;
  float room = 0;
  for (const auto& c : Cols)
    if (meets(c, Flags)) room += std::max(0.0f, c.SpanMaxWidth(1) - c.UsedWidth(base));
  if (Delta < room) {
    const float total = FlagTotalMaxWidth(Flags);
    float left = Delta;
    for (auto& c : Cols)
      if (meets(c, Flags) && total > 0) {
        const float x = roundEven(std::min(left, Delta * c.MaxContentWidth / total));
        c.AddPixels(x, base);
        left -= x;
      }
    return;
  }
  if (room > 0) {
    for (auto& c : Cols)
      if (meets(c, Flags)) {
        const float d = c.SpanMaxWidth(1) - c.UsedWidth(base);
        if (d > 0) c.AddPixels(d, base);
      }
    Delta -= room;
    if (Delta <= 0) {
      UpdateFlags();
      return;
    }
  }
  for (int i = 0; i < Count(); ++i) {
    const TTableColumn& c = Cols[size_t(i)];
    for (int k = 1; i + k < Count() && k < int(c.fSpanContentWidths.size()); ++k) {
      const float t = c.SpanWidth(k + 1) != 0 ? c.SpanWidth(k + 1) : c.fSpanContentWidths[size_t(k)];
      const float have = ColSpanWidth(i, k + 1);
      if (t > have) {
        Delta -= GrowAutoColumnsInRange(i, i + k, std::min(t - have, Delta));
        if (Delta <= 0) return;
      }
    }
  }
  if (ToMaxWidthOnly) return;
  const int k = FlagCount(Flags);
  if (k == 0) return;
  const float total = FlagTotalPixels(Flags);
  if (total == 0) {
    for (auto& c : Cols)
      if (meets(c, Flags)) c.AddPixels(Delta / float(k), base);
  } else {
    const float f = (total + Delta) / total;
    for (auto& c : Cols)
      if (meets(c, Flags)) c.Width = pixels(c.UsedWidth(base) * f);
    const float shortfall = total + Delta - FlagTotalPixels(Flags);
    for (auto& c : Cols)
      if (meets(c, Flags)) {
        c.AddPixels(shortfall, base);
        break;
      }
  }
  UpdateFlags();
}

float TTableColumns::GrowAutoColumnsInRange(int StartCol, int EndCol, float X) {
  int a = 0;
  for (int i = StartCol; i <= EndCol && i < Count(); ++i) a += Cols[size_t(i)].Auto;
  if (a == 0) return 0;
  for (int i = StartCol; i <= EndCol && i < Count(); ++i)
    if (Cols[size_t(i)].Auto) Cols[size_t(i)].AddPixels(X / float(a), WidthBase);
  return X;
}

void TTableColumns::ShrinkColumns(float Delta, TColumnFlags Flags) {
  const float base = WidthBase;
  const float total = FlagTotalPixels(Flags);
  if (total == 0) return;
  float excess = 0, capped = 0;
  for (const auto& c : Cols)
    if (meets(c, Flags)) {
      const float u = c.UsedWidth(base);
      const float want = Delta * u / total - (u - c.MinWidth);
      if (want > 0) {
        excess += want;
        capped += u;
      }
    }
  if (total - capped != 0) excess = excess * total / (total - capped);
  for (auto& c : Cols)
    if (meets(c, Flags)) {
      const float u = c.UsedWidth(base);
      const float loss = std::min(u - c.MinWidth, (Delta + excess) * u / total);
      if (loss > 0) c.Width = pixels(u - loss);
    }
  if (!FixedLayout)
    for (int i = 0; i < Count(); ++i) EnsureSpanMinWidths(i, kAllColumns);
  UpdateFlags();
}

void TTableColumns::ShrinkAutoColumns(float Delta) {
  for (auto& c : Cols) {
    if (!(Delta > 0)) break;
    if (!c.Auto) continue;
    const float px = c.Pixels(WidthBase);
    const float give = std::min(Delta, px - c.MinWidth);
    if (give > 0) {
      c.Width = pixels(px - give);
      Delta -= give;
    }
  }
}

void TTableColumns::giveRange(int StartCol, int EndCol, float b, TColumnFlags Flags, bool SpanRule) {
  const float base = WidthBase;
  EndCol = std::min(EndCol, Count() - 1);
  if (StartCol > EndCol || !(b > 0)) return;
  auto grow = [&](TTableColumn& c, float want) {
    const float x = std::min(b, want);
    if (x > 0) {
      c.AddPixels(x, base);
      b -= x;
    }
  };
  for (int i = StartCol; i <= EndCol && b > 0; ++i)
    if (meets(Cols[size_t(i)], Flags)) grow(Cols[size_t(i)], Cols[size_t(i)].DefaultPixels - Cols[size_t(i)].UsedWidth(base));
  if (SpanRule) {
    for (int i = StartCol; i <= EndCol && b > 0; ++i) {
      TTableColumn& c = Cols[size_t(i)];
      if (meets(c, Flags) && c.Auto) grow(c, c.SpanMaxWidth(1) - c.Pixels(base));
    }
    for (int i = StartCol; i < EndCol && b > 0; ++i) {
      TTableColumn& c = Cols[size_t(i)];
      if (meets(c, Flags) && c.Auto)
        grow(c, c.SpanMaxWidth(2) - c.Pixels(base) - Cols[size_t(i) + 1].Pixels(base));
    }
  }
  if (!(b > 0)) return;
  for (int i = StartCol; i <= EndCol; ++i)
    if (meets(Cols[size_t(i)], Flags) && Cols[size_t(i)].Auto) return grow(Cols[size_t(i)], b);
  for (int i = StartCol; i <= EndCol; ++i)
    if (meets(Cols[size_t(i)], Flags)) return grow(Cols[size_t(i)], b);
  // No column of the range takes part: the first one takes the rest, so the
  // span's need is met and the caller's loop ends.
  grow(Cols[size_t(StartCol)], b);
}

void TTableColumns::SetToMaxWidths(TColumnFlags Flags) {
  const float base = WidthBase;
  const int n = Count();
  for (auto& c : Cols)
    if (meets(c, Flags)) c.Width = pixels(std::max(c.MinWidth, c.SpanMaxWidth(1)));
  std::vector<float> p(size_t(n) + 1, 0.0f);
  for (int i = 0; i < n; ++i) p[size_t(i) + 1] = p[size_t(i)] + Cols[size_t(i)].Pixels(base);
  for (int i = 0; i < n; ++i) {
    const auto& a = Cols[size_t(i)].fSpanContentWidths;
    for (int k = 0; k < int(a.size()) && i + k + 1 <= n; ++k) {
      const float d = p[size_t(i)] + a[size_t(k)] - p[size_t(i + k + 1)];
      if (d > 0)
        for (int j = i + k + 1; j <= n; ++j) p[size_t(j)] += d;
    }
  }
  for (int e = 0; e < n; ++e) {
    const float b = p[size_t(e) + 1] - ColRangeWidth(0, e);
    if (b > 0) giveRange(0, e, b, Flags, true);
  }
}

void TTableColumns::SetToMinWidths(TColumnFlags Flags) {
  for (int i = 0; i < Count(); ++i) {
    TTableColumn& c = Cols[size_t(i)];
    if (meets(c, Flags)) c.Width = pixels(c.MinWidth);
    EnsureSpanMinWidths(i, Flags);
  }
}

void TTableColumns::EnsureSpanMinWidths(int EndCol, TColumnFlags Flags) {
  for (int s = 0; s < EndCol && EndCol < Count(); ++s) {
    const float m = Cols[size_t(s)].SpanMinWidth(EndCol - s + 1);
    const float c = m - ColRangeWidth(s, EndCol);
    if (c > 0) giveRange(s, EndCol, c, Flags, false);
  }
}

void TTableColumns::Set100Percent() {
  if (fPercentCount == 0 || fPercentSum == 0 || fPercentSum == 100) return;
  if (fPercentCount < Count() && fPercentSum < 100) return;
  const float f = 100.0f / fPercentSum;
  for (auto& c : Cols)
    if (!c.Auto && c.Width.Percent) c.Width.Value *= f;
  fPercentSum = 100;
}

}  // namespace ht
