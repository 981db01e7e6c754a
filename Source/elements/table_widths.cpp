// Column widths of a table: the width pass measures every cell into its
// starting column (per span length) and answers the table's min- and
// max-content widths; the column pass distributes the width the table may
// use over the columns.
#include <algorithm>
#include <cmath>

#include "document/computed_style.h"
#include "document/document.h"
#include "elements/table_element.h"
#include "layout/layout_style.h"

namespace ht {

namespace {

// Exactly a table cell: subclasses (form cells and the like) lay out on
// their own.
bool exactCell(const THtNode* N) { return N && N->ClassRefOf() == &TTableCell::ClassType; }

bool containsPercent(const String& s) { return s.find(u'%') != String::npos; }

// The CSS width of E as a column width: a percentage as such, else pixels.
bool styleColumnWidth(const TElement* E, TColumnWidth& W, float& Px) {
  const TElementStyle* st = ElementStyleOf(E);
  if (!st) return false;
  const TMeasure m = st->Width();
  if (m.GetAuto()) return false;
  bool percent = false;
  if (!SetWidthOf(E, Px, &percent)) return false;
  if (!std::isfinite(Px)) Px = 0;
  W.Set = true;
  W.Percent = m.FMUnit == muPercent;
  W.Value = W.Percent ? m.FValue : Px;
  if (!std::isfinite(W.Value)) W.Value = 0;
  return true;
}

bool fixedMeasure(const TMeasure& M) { return !M.GetAuto() && M.FMUnit != muPercent; }

}  // namespace

bool TTableElement::FixedLayout() const {
  const TElementStyle* st = ElementStyleOf(this);
  return st && st->TableLayout() == tlFixed;
}

float TTableElement::StyleInnerWidth() const {
  float w = 0;
  if (!SetWidthOf(this, w) || !std::isfinite(w)) return 0;
  if (BoxSizingOf(this) == bsBorderbox) w -= BorderLeft + BorderRight + FPaddingLeft + FPaddingRight;
  return std::max(0.0f, w);
}

void TTableElement::syncColumns() {
  if (!Columns) return;
  const TElementStyle* st = ElementStyleOf(this);
  Columns->WidthBase = fWidthBase;
  Columns->HSpacing = float(HCellSpacing);
  Columns->FixedLayout = FixedLayout();
  Columns->BorderCollapse = fBorderCollapse;
  Columns->RightToLeft = st && st->CalculatedDirection == cdRTL;
  Columns->TableRightBorder = Style() && Style()->HasGroup(IElementStyleFacts::TEdgeGroup::Border) ? BorderRight : 0;
}

void TTableElement::setInnerWidth(float W, float Spacing) {
  InnerWidth = std::max(0.0f, std::isfinite(W) ? W : 0.0f);
  fWidthBase = InnerWidth - Spacing;
  if (Columns) Columns->WidthBase = fWidthBase;
}

void TTableElement::CalcBoxes(TFlow* Flow) {
  TElement::CalcBoxes(Flow);
  if (SelfFlow && Columns && DisplayOf(this) != dsNone) SelfFlow->MinWidth = Columns->TotalMinWidth();
}

void TTableElement::UpdateMinMaxWidth(float AMinWidth, float AMaxWidth) {
  const TElementStyle* st = ElementStyleOf(this);
  if (!st) return;
  fBorderCollapse = st->BorderCollapse() == bcCollapse;
  if (fBorderCollapse) {
    HCellSpacing = VCellSpacing = 0;
  } else {
    HCellSpacing = VCellSpacing = 2;
    if (st->IsSet(cspBorderSpacing)) {
      const float x = st->BorderSpacingX().ToPixels(), y = st->BorderSpacingY().ToPixels();
      HCellSpacing = std::isfinite(x) ? std::clamp(int(std::lround(x)), 0, 100000) : 0;
      VCellSpacing = std::isfinite(y) ? std::clamp(int(std::lround(y)), 0, 100000) : HCellSpacing;
    }
  }
  PrepareColumns();
  const bool fixed = FixedLayout();
  const float S = float(ColCount + 1) * float(HCellSpacing);
  float m = MinContentWidth();
  if (!IsInFixedLayer() && SelfFlow) {
    SelfFlow->MinWidth = Columns->TotalMinWidth();
    m = std::max(m, MinContentWidth());
  }
  if (!SelfFlow) return;
  TFlow& f = *SelfFlow;
  float cssWidth = 0;
  const bool widthSet = SetWidthOf(this, cssWidth);
  const float cssInner = StyleInnerWidth();
  const bool widthDefinite = SizeFlags & sfWidthDefinite;
  f.MinWidth = fixed && widthDefinite && widthSet ? cssInner : Columns->TotalMinWidth() + S;
  if (fixedMeasure(st->MinWidth())) f.MinWidth = std::max(m, AMinWidth);
  const bool fixedNonRelative = fixed && widthSet && !RelativeWidth();
  if (!fixedNonRelative) f.MaxContentWidth = Columns->TotalMaxWidth();
  f.MaxContentWidth += S;
  if ((SizeFlags & sfWidthFixed) && widthSet) {
    if (!RelativeWidth()) {
      f.MinWidth = fixed ? cssInner : std::max(m, cssInner);
      f.MaxContentWidth = std::max(f.MaxContentWidth, std::max(cssInner, m));
    }
    InnerWidth = m;
  }
  if (fixedMeasure(st->MaxWidth())) f.MaxContentWidth = std::min(f.MaxContentWidth, AMaxWidth);
  for (int r = 0; r < RowCount; ++r) {
    TTableRow* row = Row(r);
    if (!row) continue;
    for (int k = 0; k < row->Count(); ++k) {
      THtNode* n = row->ChildNodes(k);
      if (!exactCell(n)) continue;
      auto* cell = static_cast<TTableCell*>(n);
      if (DisplayOf(cell) == dsNone) continue;
      if (ColCount == 1) cell->InnerWidth = std::max(cell->InnerWidth, m);
      if (cell->Col < Columns->Count() && !Columns->Cols[cell->Col].Auto) cell->SizeFlags |= sfWidthDefinite;
    }
  }
}

void TTableElement::PrepareColumns() {
  if (!Body) Prepare();
  if (!Columns || Columns->Count() != ColCount) Columns = std::make_unique<TTableColumns>(this, ColCount);
  syncColumns();
  for (int i = 0; i < Columns->Count(); ++i) {
    TTableColumn& c = Columns->Cols[size_t(i)];
    c.Auto = true;
    c.Width = TColumnWidth{};
    c.fSpanContentWidths.clear();
    c.fSpanMinWidths.clear();
    c.fSpanWidths.clear();
    c.ColDesc = i < ColDescCount && size_t(i) < ColDesc.size() ? ColDesc[size_t(i)] : nullptr;
    TColumnWidth w;
    float px = 0;
    if (c.ColDesc && c.ColDesc->GetAttribute(u"width") != u"*" && styleColumnWidth(c.ColDesc, w, px)) {
      c.Width = w;
      c.Auto = false;
    }
  }
  if (Columns->Count() > 0) {
    const bool fixed = FixedLayout();
    for (int i = 0; i < HeaderCount(); ++i) {
      auto* r = static_cast<TElement*>(Header->Get(i));
      if (r->Visible()) MeasureRowCells(r);
    }
    if (!(fixed && HeaderCount() > 0))
      for (int i = 0; i < BodyCount(); ++i) {
        auto* r = static_cast<TElement*>(Body->Get(i));
        if (!r->Visible()) continue;
        MeasureRowCells(r);
        if (fixed && Columns->AllWidthsSet()) break;
      }
  }
  Columns->fPercentCount = 0;
  Columns->fPercentSum = 0;
  Columns->fAutoCount = 0;
  for (TTableColumn& c : Columns->Cols) {
    c.MinWidth = c.SpanMinWidth(1);
    c.MaxContentWidth = std::max(c.MinWidth, c.SpanMaxWidth(1));
    if (!c.Auto) {
      if (!c.Width.Percent) {
        if (std::round(c.Width.Value) < std::round(c.MinWidth)) c.Width.Value = c.MinWidth;
      } else {
        ++Columns->fPercentCount;
        Columns->fPercentSum += c.Width.Value;
      }
    } else {
      c.Width = TColumnWidth{true, false, c.MaxContentWidth};
      ++Columns->fAutoCount;
    }
  }
  Columns->UpdateFlags();
}

void TTableElement::MeasureRowCells(TElement* R) {
  auto* row = dynamic_cast<TTableRow*>(R);
  const bool fixedWithWidth = FixedLayout() && StyleInnerWidth() > 0;
  for (int k = 0; k < R->Count(); ++k) {
    THtNode* n = R->ChildNodes(k);
    if (!exactCell(n)) continue;
    auto* cell = static_cast<TTableCell*>(n);
    if (DisplayOf(cell) == dsNone || cell->Col >= Columns->Count()) continue;
    const bool borders = cell->Style() && cell->Style()->HasGroup(IElementStyleFacts::TEdgeGroup::Border);
    float b = borders ? cell->BorderLeft + cell->BorderRight : 0.0f;
    if (fBorderCollapse) b /= 2;
    const float dx = cell->InnerDeltaX();
    const int s = std::max(1, std::min<int>(cell->ColSpan, ColCount - cell->Col));
    TTableColumn& c = Columns->Cols[cell->Col];
    auto finite = [](float v) { return std::isfinite(v) ? v : 0.0f; };
    if (!fixedWithWidth) c.AddSpanMinWidth(s, std::ceil(finite(cell->MinContentWidth()) + dx + b));
    c.AddSpanContentWidth(s, std::ceil(finite(cell->MaxContentWidth()) + dx + b));
    TColumnWidth w;
    float px = 0;
    if (styleColumnWidth(cell, w, px)) {
      if (cell->ColSpan == 1 && c.Auto) {
        c.Auto = false;
        c.Width = w.Percent ? w : TColumnWidth{true, false, px + dx + b};
      } else if (cell->ColSpan > 1 && c.SpanWidth(s) == 0) {
        c.AddSpanWidth(s, px + dx + b);
      }
    }
    if (row && cell->GetRowSpan() < 2) {
      row->ContentHeight = std::max(row->ContentHeight, finite(cell->MinHeight()));
      float h = 0;
      if ((cell->SizeFlags & sfHeightFixed) && SetHeightOf(cell, h))
        row->ContentHeight = std::nearbyint(std::max(row->ContentHeight, finite(h)));
    }
  }
}

void TTableElement::CalcTableColumns() {
  if (!Columns) PrepareColumns();
  float w = InnerWidth;
  if (!((SizeFlags & sfWidthDefinite) || GetUserWidth() != 0)) {
    const auto* c = static_cast<const TElement*>(Container);
    w = (c && c != this ? c->InnerWidth : InnerWidth) - OuterDeltaX() - InnerDeltaX();
  }
  DistributeColumns(w);
}

void TTableElement::DistributeColumns(float W) {
  if (!Columns) return;
  TTableColumns& cols = *Columns;
  syncColumns();
  if (!std::isfinite(W)) W = 0;
  const float h = float(HCellSpacing);
  const float S = float(ColCount + 1) * h;
  const float inside = float(ColCount) * h;  // spacing the percentage base leaves out
  if (RowCount == 1 && (SizeFlags & sfHeightDefinite))
    if (TTableRow* r = Row(0)) r->SizeFlags |= sfHeightDefinite;
  for (TTableColumn& c : cols.Cols) {
    if (c.Auto) continue;
    c.DefaultPixels = c.Pixels(fWidthBase);
    if (c.ColDesc) c.DefaultPercent = containsPercent(c.ColDesc->GetAttribute(u"width"));
    else c.DefaultPercent = c.Width.Percent;
  }
  // Percentages refer to the width offered from the start: widths measured
  // against an older base would pass for pixels in the span rules.
  setInnerWidth(W - S, inside);
  cols.SetToMaxWidths(cfAuto);
  const bool fixed = FixedLayout();
  const TElementStyle* st = ElementStyleOf(this);
  float maxW = 0;
  const bool maxFixed = st && fixedMeasure(st->MaxWidth()) && FixedMaxWidthOf(this, maxW);
  auto freeSpace = [&] { return InnerWidth - cols.TotalPixels(); };
  // Percentages become pixels before the table takes its final width, so
  // the columns keep the widths the distribution gave them.
  auto freezePercents = [&] {
    for (TTableColumn& c : cols.Cols)
      if (c.Width.Set && c.Width.Percent) c.Width = TColumnWidth{true, false, c.Pixels(cols.WidthBase)};
  };
  if ((SizeFlags & sfWidthDefinite) || GetUserWidth() != 0 || fixed) {
    if (!fixed) {
      W = std::max(W, cols.TotalMinWidth() + S);
    } else {
      float F = 0;
      for (const TTableColumn& c : cols.Cols)
        if (!c.Auto && !c.Width.Percent) F += c.Pixels(fWidthBase);
      if (cols.AutoCount() > 0 || cols.fPercentCount > 0) W = std::max(W, F);
      else W = F;
    }
    if (maxFixed) W = std::min(W, maxW);
    setInnerWidth(W - S, inside);
    float free = freeSpace();
    if (free > 0.5f) {
      if (cols.AutoCount() > 0 && fixed) {
        const float each = (free + cols.AutoPixels()) / float(cols.AutoCount());
        for (TTableColumn& c : cols.Cols)
          if (c.Auto) c.Width = TColumnWidth{true, false, each};
      } else {
        const bool percents = cols.FlagCount(cfPercent) > 0;
        if (cols.AutoCount() > 0 && (free = freeSpace()) > 0.5f) cols.GrowColumns(free, cfAuto, true);
        if (percents && (free = freeSpace()) > 0.5f) cols.GrowColumns(free, cfPercent, true);
        if ((free = freeSpace()) > 0.5f) cols.GrowColumns(free, kAllColumns, true);
        if ((free = freeSpace()) > 0.5f)
          cols.GrowColumns(free, cols.AutoCount() > 0 ? TColumnFlags(cfAuto) : percents ? TColumnFlags(cfPercent) : kAllColumns,
                           false);
      }
    } else if (free < -0.5f) {
      if (cols.AutoCount() > 0 && (free = freeSpace()) < -0.5f) cols.ShrinkColumns(-free, cfAuto);
      if (cols.FlagCount(cfPercent) > 0 && (free = freeSpace()) < -0.5f) cols.ShrinkColumns(-free, cfPercent);
      if ((free = freeSpace()) < -0.5f) cols.ShrinkColumns(-free, cfEmpty);
      if ((free = freeSpace()) < -0.5f) cols.ShrinkColumns(-free, kAllColumns);
    }
    freezePercents();
    setInnerWidth(cols.TotalPixels() + S, inside);
    return;
  }
  const float m = cols.TotalMinWidth();
  if (maxFixed) W = std::min(W, maxW);
  const float p = cols.MaxPixelsInPercent();
  cols.Set100Percent();
  const float avail = W - S;
  setInnerWidth(avail, inside);
  if (std::max(m, 100 * p) >= avail) {
    setInnerWidth(std::max(m, avail), inside);
    if (avail >= cols.TotalMaxWidth()) cols.SetToMaxWidths(cfAuto);
    else cols.SetToMinWidths(cfAuto);
    if (cols.TotalPixels() > avail) {
      cols.ShrinkColumns(cols.TotalPixels() - avail, cfAuto);
      if (cols.TotalPixels() > avail) cols.ShrinkColumns(cols.TotalPixels() - avail, kAllColumns);
    } else {
      cols.GrowColumns(InnerWidth - cols.TotalPixels(), cfAuto, false);
    }
  } else {
    const float n = std::max(cols.TotalMaxWidth(), 100 * p);
    if (avail >= n) {
      setInnerWidth(n, inside);
      cols.SetToMaxWidths(cfAuto);
      cols.GrowColumns(n - cols.TotalPixels(), cfAuto, false);
    } else {
      setInnerWidth(avail, inside);
      cols.SetToMaxWidths(cfAuto);
      cols.ShrinkAutoColumns(n - avail);
      if (cols.TotalPixels() > InnerWidth) cols.ShrinkColumns(cols.TotalPixels() - InnerWidth, kAllColumns);
    }
  }
  freezePercents();
  setInnerWidth(cols.TotalPixels() + S, S);
}

}  // namespace ht
