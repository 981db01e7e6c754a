// Table layout once the columns are known: each row places its cells on
// the columns and takes the height of its tallest single-row cell; cells
// spanning rows pass their heights to the rows they span; the table stacks
// its caption and rows, shares a CSS height over the rows and fits its
// sections around their rows.
#include <algorithm>
#include <cmath>

#include "document/computed_style.h"
#include "document/document.h"
#include "elements/table_element.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

bool exactCell(const THtNode* N) { return N && N->ClassRefOf() == &TTableCell::ClassType; }

bool hasBorders(const TStyledHTMLNode* E) {
  return E->Style() && E->Style()->HasGroup(IElementStyleFacts::TEdgeGroup::Border);
}

float rowHeight(const TElement* R) { return R->OuterRect.Bottom - R->OuterRect.Top; }

void moveTo(TElement* E, float X, float Y) { E->OffsetRects(X - E->OuterRect.Left, Y - E->OuterRect.Top); }

void syncRun(TElement* E) {
  if (THtLineBlock* run = E->LineBlocks.First()) {
    run->Left = E->OuterRect.Left;
    run->Top = E->OuterRect.Top;
    run->LogicalWidth = E->CalcWidth();
    run->LogicalHeight = E->CalcHeight();
  }
}

// A section's box is its rows' box; with a flow of its own, the flow keeps
// that rectangle and the section itself sits at the table's content origin
// with no size, so that its rows stay in the table's coordinates.
void fitToRows(TElement* Section) {
  if (!Section) return;
  TElement* first = nullptr;
  TElement* last = nullptr;
  for (int i = 0; i < Section->Count(); ++i) {
    auto* c = AsElement(Section->GetNode(i));
    if (!c || c->IsText() || c->Tag() != u"tr") continue;
    if (!first) first = c;
    last = c;
  }
  if (!first) return;
  TRectF r = first->OuterRect;
  r.Bottom = last->OuterRect.Bottom;
  Section->OuterRect = r;
  if (Section->SelfFlow) {
    Section->SelfFlow->ContentRect = r;
    Section->OuterRect = TRectF();
  }
  syncRun(Section);
}

}  // namespace

// --- TTableRow -------------------------------------------------------------------

float TTableRow::SpanHeight(int ARowSpan) const {
  const int i = ARowSpan - 2;
  return i >= 0 && i < int(fSpanHeights.size()) ? fSpanHeights[size_t(i)] : 0.0f;
}

void TTableRow::SetSpanHeight(int ARowSpan, float Value) {
  if (ARowSpan < 2) return;
  if (int(fSpanHeights.size()) < ARowSpan - 1) fSpanHeights.resize(size_t(ARowSpan - 1), 0.0f);
  fSpanHeights[size_t(ARowSpan - 2)] = Value;
}

bool TTableRow::CalcLayout() {
  fSpanHeights.clear();
  bool result = true;
  if (DisplayOf(this) == dsNone) {
    InnerHeight = 0;
    return result;
  }
  if (!Table) return TElement::CalcLayout();
  if (!LayoutDepthLeft()) return result;
  TLayoutDepth depth;
  TTableElement& t = *Table;
  TTableColumns* cols = t.Columns.get();
  CalcSizeFlags(false);
  float cssHeight = 0;
  bool percent = false;
  const bool heightSet = SetHeightOf(this, cssHeight, &percent);
  cssHeight = FiniteOr0(cssHeight);
  ContentHeight = heightSet ? cssHeight : 0.0f;
  MaxTopBorder = MaxBottomBorder = 0;
  fPercentHeight = RelativeHeight();
  fFixedHeight = heightSet && !percent;
  const bool collapse = t.fBorderCollapse;
  float d = 0, tb = 0;
  if (collapse && hasBorders(&t)) {
    d = t.BorderRight;
    tb = t.BorderTop;
  }
  if (Row != 0) tb = 0;
  bool first = true;
  for (int k = 0; k < Count(); ++k) {
    THtNode* n = GetNode(k);
    if (!exactCell(n)) continue;
    auto* cell = static_cast<TTableCell*>(n);
    if (DisplayOf(cell) == dsNone) continue;
    float f = 0, g = 0, h = 0;
    if (hasBorders(cell)) {
      f = cell->BorderLeft;
      h = cell->BorderRight;
      if (first && collapse) g = hasBorders(&t) ? t.BorderLeft : 0.0f;
    }
    if (first) result = false;
    first = false;
    float left = cols ? cols->ColLeft(cell->Col, cell->ColSpan) : 0.0f;
    float right = left + (cols ? cols->ColSpanWidth(cell->Col, cell->ColSpan) : 0.0f);
    if (collapse) {
      left -= (f + g) / 2;
      if (cell->Col + cell->ColSpan < t.ColCount) right += h / 2;
      else right += std::min(d, h);
    }
    const float top = collapse ? -(cell->BorderTop + tb) / 2 : 0.0f;
    MaxTopBorder = std::max(MaxTopBorder, cell->BorderTop);
    moveTo(cell, left, top);
    cell->OuterRect.Right = std::max(left, right);
    cell->InnerWidth = std::max(0.0f, right - left - cell->InnerDeltaX() - f - h);
    cell->SizeFlags |= sfWidthDefinite;
    cell->InnerHeight = 0;
    cell->OuterRect.Bottom = cell->OuterRect.Top + cell->InnerDeltaY() + cell->OuterDeltaY();
    syncRun(cell);
    if (cell->CalcLayout()) result = true;
    syncRun(cell);
    float bt = cell->BorderTop, bb = cell->BorderBottom;
    if (collapse) {
      bt /= 2;
      bb /= 2;
    }
    const float v = FiniteOr0(cell->InnerHeight + cell->InnerDeltaY() + bt + bb);
    const int span = cell->GetRowSpan();
    if (span >= 2) {
      SetSpanHeight(span, std::max(SpanHeight(span), v));
    } else {
      ContentHeight = std::max(ContentHeight, v);
      MaxBottomBorder = std::max(MaxBottomBorder, cell->BorderBottom);
      if (cell->SizeFlags & (sfHeightFixed | sfHeightDefinite)) {
        float ch = 0;
        if (SetHeightOf(cell, ch)) {
          fFixedHeight = true;
          fPercentHeight = !(cell->SizeFlags & sfHeightFixed);
        }
      }
    }
    // The white space that follows a cell takes no room in the row.
    if (THtLineBlock* run = cell->LineBlocks.First())
      for (THtLineBlock* b = run->NextBlock(); b && b->Has(trfSpace); b = b->NextBlock()) b->Flags.Include(trfHidden);
  }
  float h = heightSet ? std::max(cssHeight, ContentHeight) : ContentHeight;
  h = std::max(MinHeight(), std::min(h, std::max(ContentHeight, MaxHeight())));
  if (GetUserHeight() != 0) h = std::max(h, float(GetUserHeight()));
  InnerHeight = FiniteOr0(h);
  InnerWidth = t.InnerWidth;
  OuterRect.Right = OuterRect.Left + InnerWidth;
  OuterRect.Bottom = OuterRect.Top + InnerHeight;
  CalcRects();
  if (SelfFlow) {
    // The row's cells stand side by side, placed by the table: no line
    // of the flow holds text.
    if (SelfFlow->FLines.empty()) SelfFlow->FLines.resize(1);
    SelfFlow->FLines[0].IsBlock = true;
    SelfFlow->FirstBlocktoPrint = SelfFlow->FirstBlock;
  }
  return result;
}

void TTableRow::UpdateHeight(float NewHeight) {
  OuterRect.Bottom = OuterRect.Top + NewHeight;
  CalcRects();
  syncRun(this);
  if (!SelfFlow || !Table) return;
  TTableElement& t = *Table;
  const bool collapse = t.fBorderCollapse;
  float bb = 0, a = 0;
  if (collapse && hasBorders(&t)) {
    bb = t.BorderBottom;
    a = t.BorderTop + MaxTopBorder;
  }
  if (Row != 0) a = 0;
  const bool paged = Document && Document->Paged;
  const int lastLaid = paged ? t.fLastBodyRow : t.RowCount - 1;
  float tallest = 0;
  for (int k = 0; k < Count(); ++k) {
    THtNode* node = GetNode(k);
    if (!exactCell(node)) continue;
    auto* c = static_cast<TTableCell*>(node);
    if (DisplayOf(c) != dsTableCell) continue;
    const int n = c->GetRowSpan();
    int count = n;
    if (paged) count = std::max(1, std::min(n, lastLaid - Row + 1));
    float bottom = t.RowsHeight(Row, count);
    float top = 0;
    if (collapse) {
      top = -(c->BorderTop + a) / 2;
      if (Row + n >= t.RowCount) bottom += (c->BorderBottom + bb) / 2;
      else if (paged && Row == lastLaid) bottom += std::min(bb, c->BorderBottom) / 2;
      else bottom += c->BorderBottom / 2;
    }
    moveTo(c, c->OuterRect.Left, top);
    c->OuterRect.Bottom = std::max(top, bottom);
    c->CalcRects();
    c->UpdateVAlign();
    if (c->SelfFlow) c->SelfFlow->ContentRect = TRectF(0, 0, c->CalcWidth(), c->CalcHeight());
    syncRun(c);
    if (n > 1) tallest = std::max(tallest, c->OuterRect.Bottom);
  }
  SelfFlow->ContentRect = TRectF(0, 0, CalcWidth(), std::max(CalcHeight(), tallest));
}

TRectF TTableRow::SpanRect() const {
  TRectF r = BorderRect();
  if (Table && MaxRowSpan() > 1) {
    const int last = std::min(Table->RowCount, Row + MaxRowSpan()) - 1;
    if (TTableRow* l = last >= 0 && last < Table->RowCount ? Table->Row(last) : nullptr)
      r.Bottom = std::max(r.Bottom, l->BorderRect().Bottom);
  }
  return r;
}

bool TTableRow::CanResizeAt(float X, float Y, float Left, float Top) const {
  if (std::fabs(Y - (Top + OuterRect.Bottom)) >= 5) return true;
  const float x = X - Left;
  const TRectF box = BorderRect();
  if (x < box.Left || x > box.Right) return true;
  for (int k = 0; k < Count(); ++k) {
    auto* c = dynamic_cast<TTableCell*>(GetNode(k));
    if (!c) continue;
    const TRectF cb = c->BorderRect();
    if (x >= cb.Left && x <= cb.Right) return c->GetRowSpan() < 2;
  }
  return true;
}

bool TTableRow::InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) {
  (void)Outside;
  if (HasFlag(efHSizeTracking) || HasFlag(efVSizeTracking)) return true;
  if (DisplayOf(this) == dsNone) return false;
  TRectF r = OuterRect;
  if (Table && MaxRowSpan() > 1) {
    const int last = std::min(Table->RowCount, Row + MaxRowSpan()) - 1;
    if (TTableRow* l = last >= 0 && last < Table->RowCount ? Table->Row(last) : nullptr)
      r.Bottom = std::max(r.Bottom, l->OuterRect.Bottom);
  }
  const float x = X - Left, y = Y - Top;
  if (SelfOnly || !(x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom)) return false;
  for (int k = 0; k < Count(); ++k) {
    TElement* c = AsElement(GetNode(k));
    if (c && !c->IsText() && c->HitTest(X, Y, false, false)) return true;
  }
  return false;
}

// --- TTableElement ----------------------------------------------------------------

bool TTableElement::InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) {
  (void)SelfOnly;
  const TElementStyle* st = ElementStyleOf(this);
  if (!st || st->fDisplay == dsNone) return false;
  const TElementPosition pos = st->fPosition;
  if (Outside && pos != epAbsolute && pos != epFixed && pos != epRunning) return false;
  const TRectF b = BorderRect();
  const float x = X - Left, y = Y - Top;
  return x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom;
}

THtLineBlock* TTableElement::GetNearestLineBlockAt(float X, float Y) {
  const float y = Y - RealTop() - OuterRect.Top - TopDelta();
  for (int i = 0; i < RowCount; ++i)
    if (TTableRow* r = Row(i); r && r->OuterRect.Top <= y && y <= r->OuterRect.Bottom)
      return r->GetNearestLineBlockAt(X, Y);
  return TElement::GetNearestLineBlockAt(X, Y);
}

void TTableElement::BeforeCalcLayout() {
  TElement::BeforeCalcLayout();
  fFirstBodyRow = 0;
  fPrevLastBodyRow = -1;
  fFirstHeaderRow = 0;
  fPrevLastHeaderRow = -1;
  fLastHeaderRow = 0;
  HeaderRepeat = true;
}

float TTableElement::RowsHeight(int First, int Count) const {
  const int end = std::min(RowCount, First + Count);
  if (end <= First) return 0;
  float s = 0;
  for (int i = std::max(0, First); i < end; ++i)
    if (TTableRow* r = Row(i)) s += rowHeight(r) + float(VCellSpacing);
  return s - float(VCellSpacing);
}

int TTableElement::HeaderHeight() const {
  if (HeaderCount() == 0) return 0;
  auto* f = static_cast<TElement*>(Header->Get(0));
  auto* l = static_cast<TElement*>(Header->Get(HeaderCount() - 1));
  const int h = int(std::nearbyint(l->OuterRect.Bottom - f->OuterRect.Top));
  return fBorderCollapse ? h - 1 : h;
}

void TTableElement::DistributeSpanHeights(int Index) {
  TTableRow* r0 = Index >= 0 && Index < RowCount ? Row(Index) : nullptr;
  if (!r0 || r0->MaxRowSpan() < 2 || r0->MaxSpanHeight() <= rowHeight(r0)) return;
  const bool paged = Document && Document->Paged;
  for (size_t k = 0; k < r0->fSpanHeights.size(); ++k) {
    const float need = r0->fSpanHeights[k];
    if (need == 0) continue;
    const int last = std::min(RowCount - 1, Index + int(k) + 1);
    float S = 0;
    for (int i = Index; i <= last; ++i)
      if (TTableRow* r = Row(i)) S += rowHeight(r) + float(VCellSpacing);
    float extra = need - S;
    if (extra <= 0) continue;
    const float share = std::nearbyint(extra / float(last - Index + 1));
    for (int i = Index; i <= last && extra > 0; ++i) {
      TTableRow* r = Row(i);
      if (!r) continue;
      float grow;
      if (paged && i == fLastBodyRow) {
        grow = std::nearbyint(extra);
        extra = 0;
      } else {
        grow = std::nearbyint(std::min(extra, share));
        extra -= share;
      }
      r->OuterRect.Bottom += grow;
      r->InnerHeight += grow;
    }
  }
}

void TTableElement::GrowRows(int First, int Last, float X) {
  int free = 0;
  for (int i = First; i <= Last; ++i)
    if (TTableRow* r = Row(i); r && !r->fFixedHeight) ++free;
  const bool all = free == 0;
  const int n = all ? Last - First + 1 : free;
  if (n <= 0) return;
  const float each = X / float(n);
  float rest = X;
  for (int i = First; i <= Last && rest >= 0; ++i) {
    TTableRow* r = Row(i);
    if (!r || (!all && r->fFixedHeight)) continue;
    const float g = std::min(rest, each);
    r->OuterRect.Bottom += g;
    r->InnerHeight += g;
    rest -= each;
  }
}

void TTableElement::ShrinkRows(int First, int Last, float X) {
  float H = 0;
  bool any = false;
  for (int i = First; i <= Last; ++i)
    if (TTableRow* r = Row(i); r && r->fFixedHeight && r->fPercentHeight) {
      H += rowHeight(r);
      any = true;
    }
  if (!any) return;
  for (int i = First; i <= Last; ++i)
    if (TTableRow* r = Row(i); r && r->fFixedHeight && r->fPercentHeight) {
      const float h = rowHeight(r) * (H - std::min(X, H)) / std::max(H, 1.0f);
      r->OuterRect.Bottom = r->OuterRect.Top + h;
      r->InnerHeight = h;
    }
}

bool TTableElement::KeepRowTogether(int Index) const {
  TTableRow* r = Index >= 0 && Index < RowCount ? Row(Index) : nullptr;
  if (!r || !Document) return false;
  const float h = rowHeight(r);
  if (h > Document->PageBottom()) return false;
  const TElementStyle* st = ElementStyleOf(r);
  return (st && st->PageBreakInside() == pbAvoid) || h < Document->PageHeightPixels / 10;
}

bool TTableElement::pagedRows(float Caption) {
  THtDocument& doc = *Document;
  const float pageBottom = doc.PageBottom();
  const float pageH = doc.PageHeightPixels;
  const bool F = InFixedContainer();
  const bool placed = doc.FPagingBreak;
  const float bb = hasBorders(this) ? BorderBottom : 0.0f;
  const float L = SurfaceTop() + InnerRect().Top + Caption;
  const int h = HeaderCount(), nb = BodyCount();
  auto incomplete = [&] { return !HasFlag(efCompletelyDrawn); };
  auto avoids = [](const TElement* E) {
    const TElementStyle* st = ElementStyleOf(E);
    return st && st->PageBreakInside() == pbAvoid;
  };
  float y = Caption;
  HeaderFit = true;
  fLastRowComplete = true;
  fLastBodyRow = std::max(fFirstBodyRow, 0);
  fHeaderComplete = true;
  fLastHeaderRow = std::max(fLastHeaderRow, 0);
  if (HeaderRepeat && h > 0) {
    for (int k = fLastHeaderRow; k < h; ++k) {
      TTableRow* r = Row(k);
      if (!r) continue;
      if (fFirstHeaderRow == 0) r->BeforeCalcLayout();
      moveTo(r, 0, y);
      // Every row counts as laid out: a cut of its content at the page end
      // shows as the table's loss of efCompletelyDrawn.
      r->CalcLayout();
      const bool answer = true;
      const float rh = rowHeight(r);
      if (answer && incomplete() && !F) {
        if (KeepRowTogether(k) && placed && (pageBottom - pageH / 6 <= L + y || avoids(r))) {
          --fLastHeaderRow;
        } else {
          if (fLastHeaderRow < h - 1) ++fLastHeaderRow;
          fHeaderComplete = false;
        }
        break;
      }
      if (!answer && incomplete() && !F) {
        fHeaderComplete = false;
        break;
      }
      if (!answer && fLastHeaderRow == fFirstHeaderRow) ++fFirstHeaderRow;
      if (!F) {
        if (KeepRowTogether(k) && L + y + rh + bb > pageBottom) break;
        if (L + y + rh + bb > pageBottom) {
          r->OuterRect.Bottom = std::min(r->OuterRect.Bottom, pageBottom - L - bb);
          if (fLastHeaderRow < h - 1) ++fLastHeaderRow;
          break;
        }
      }
      fLastHeaderRow = k;
      y += rh + float(VCellSpacing);
    }
    for (int i = fFirstHeaderRow; i <= std::min(h - 1, fLastHeaderRow); ++i) DistributeSpanHeights(i);
    y = 0;
    for (int i = fFirstHeaderRow; i <= std::min(h - 1, fLastHeaderRow); ++i)
      if (TTableRow* r = Row(i)) y += rowHeight(r);
  }
  HeaderFit = fLastHeaderRow >= h - 1 && fHeaderComplete;
  if (HeaderFit) {
    while (fLastBodyRow < nb) {
      const int b = fLastBodyRow;
      TTableRow* r = Row(h + b);
      if (!r) {
        ++fLastBodyRow;
        continue;
      }
      moveTo(r, 0, y);
      r->CalcLayout();
      const bool answer = true;
      const float rh = rowHeight(r);
      if (answer && incomplete() && !F) {
        if (KeepRowTogether(h + b) && (placed || b > fFirstBodyRow) && (pageBottom - pageH / 6 <= L + y || avoids(r)))
          break;
        ++fLastBodyRow;
        fLastRowComplete = false;
        break;
      }
      if (!answer) {
        if (incomplete() && !F) break;
        if (fLastBodyRow == fFirstBodyRow) ++fFirstBodyRow;
      }
      if (!F) {
        if (KeepRowTogether(h + b) && L + y + rh + bb > pageBottom) break;
        if (L + y + rh + bb > pageBottom) {
          r->OuterRect.Bottom = std::min(r->OuterRect.Bottom, pageBottom - L);
          if (!fBorderCollapse) r->OuterRect.Bottom -= bb;
          r->OuterRect.Bottom = std::max(r->OuterRect.Bottom, r->OuterRect.Top);
          ++fLastBodyRow;
          break;
        }
      }
      ++fLastBodyRow;
      y += rh + float(VCellSpacing);
    }
  }
  --fLastBodyRow;
  if (avoids(this) && fLastBodyRow < nb - 1 && !F) {
    fLastBodyRow = -1;
    SetFlag(efCompletelyDrawn, false, true, true);
    fFirstBodyRow = 0;
    return false;
  }
  if (fFirstBodyRow < fLastBodyRow && fLastBodyRow < nb - 1) {
    auto* lastRow = static_cast<TElement*>(Body->Get(fLastBodyRow));
    TElement* g = lastRow->Parent();
    if (g && g != this && avoids(g)) {
      int j = fLastBodyRow;
      while (j > 0 && static_cast<TElement*>(Body->Get(j - 1))->Parent() == g) --j;
      if (j > fFirstBodyRow) {
        float groupH = 0;
        for (int i = j; i <= fLastBodyRow; ++i) groupH += rowHeight(static_cast<TElement*>(Body->Get(i)));
        if (groupH < pageH * 0.8f) fLastBodyRow = j - 1;
      }
    }
  }
  // A page always takes at least one row.
  if (fLastBodyRow < fFirstBodyRow && !placed && h == 0 && nb > 0) fLastBodyRow = std::min(nb - 1, fFirstBodyRow);
  if (fLastBodyRow < nb - 1) SetFlag(efCompletelyDrawn, false, true, false);
  const bool begins = StartPage == -1 || StartPage == doc.Page;
  // A page that took no body row after the header rows stops repeating
  // them, or a header as tall as the page would repeat on every page.
  if (fLastBodyRow < fFirstBodyRow && !begins) HeaderRepeat = false;
  if (begins && fLastBodyRow < 0 && Caption) {
    if (this->Caption) this->Caption->BeforeCalcLayout();
  }
  fLastBodyRow += h;
  for (int i = h + fFirstBodyRow; i <= fLastBodyRow; ++i) DistributeSpanHeights(i);
  return true;
}

bool TTableElement::CalcLayout() {
  fFirstBodyRow = std::max(fFirstBodyRow, 0);
  const bool paged = Document && Document->Paged;
  if (paged) {
    fFirstBodyRow = fPrevLastBodyRow + 1;
    fFirstHeaderRow = fPrevLastHeaderRow + 1;
  }
  if (DisplayOf(this) == dsNone || !Style()) return true;
  if (!LayoutDepthLeft()) return true;
  TLayoutDepth depth;
  if (!Body) Prepare();
  if (!Columns) PrepareColumns();
  CalcSizeFlags(false);
  const float hd = InnerDeltaX() + OuterDeltaX(), vd = InnerDeltaY() + OuterDeltaY();
  ResolveWidth(hd, MinWidth(), MaxWidth());
  CalcTableColumns();
  OuterRect.Right = OuterRect.Left + InnerWidth + hd;
  OuterRect.Bottom = OuterRect.Top + InnerHeight + vd;
  const float docW = Document ? Document->ContentWidth : 0.0f, docH = Document ? Document->ContentHeight : 0.0f;

  float cap = 0;
  if (Caption && DisplayOf(Caption) != dsNone) {
    moveTo(Caption, 0, 0);
    Caption->CalcLayout();
    Caption->PlaceBox(nullptr);
    syncRun(Caption);
    cap = Caption->CalcHeight();
  }

  const int h = HeaderCount();
  int last = RowCount - 1;
  bool result = true;
  if (paged) {
    if (!pagedRows(cap)) {
      if (Document) {
        Document->ContentWidth = docW;
        Document->ContentHeight = docH;
      }
      return false;
    }
    last = fLastBodyRow;
  } else {
    fLastBodyRow = last;
    for (int i = 0; i < h; ++i)
      if (TTableRow* r = Row(i); r && r->CalcLayout()) result = true;
    for (int i = h + fFirstBodyRow; i < RowCount; ++i)
      if (TTableRow* r = Row(i); r && r->CalcLayout()) result = true;
    for (int i = 0; i < RowCount; ++i) DistributeSpanHeights(i);
  }
  fMaxRowSpan = 1;
  for (int i = 0; i < RowCount; ++i)
    if (TTableRow* r = Row(i)) fMaxRowSpan = std::max(fMaxRowSpan, r->MaxRowSpan());

  float cssH = 0;
  const TElementStyle* st = ElementStyleOf(this);
  if ((SizeFlags & (sfHeightFixed | sfHeightDefinite)) && st && st->OverflowY() == eoVisible && SetHeightOf(this, cssH)) {
    float rows = RowsHeight(0, last + 1);
    if (!fBorderCollapse) rows += 2 * float(VCellSpacing);
    ResolveHeight();
    if (InnerHeight > rows) GrowRows(0, last, InnerHeight - rows);
    else ShrinkRows(0, last, rows - InnerHeight);
  }

  // Placement.
  float y = cap;
  if (!fBorderCollapse) y += float(VCellSpacing);
  else if (RowCount > 0 && Row(0)) y += Row(0)->MaxTopBorder / 2;
  auto place = [&](int i) {
    TTableRow* r = Row(i);
    if (!r) return;
    const float rh = rowHeight(r);
    moveTo(r, 0, y);
    r->CalcRects();
    r->UpdateHeight(rh);
    y += rh + float(VCellSpacing);
  };
  for (int i = 0; i < h && i < RowCount; ++i) place(i);
  for (int i = h + fFirstBodyRow; i <= last && i < RowCount; ++i) place(i);
  if (Document) {
    Document->ContentWidth = docW;
    Document->ContentHeight = docH;
  }

  InnerHeight = y;
  ContentWidth = InnerWidth;
  ContentHeight = y;
  if (st && st->OverflowY() != eoVisible && SetHeightOf(this, cssH) && DisplayOf(this) == dsBlock) {
    const float saved = InnerHeight;
    ResolveHeight();
    InnerHeight = std::min(InnerHeight, saved);
  }
  OuterRect.Bottom = OuterRect.Top + InnerHeight + vd;
  if (THtLineBlock* run = LineBlocks.First()) {
    run->LogicalWidth = CalcWidth();
    run->LogicalHeight = CalcHeight();
    run->Ascent = run->LogicalHeight;
  }
  CalcRects();
  if (last < RowCount - 1) SetFlag(efCompletelyDrawn, false, true, false);
  if (fBorderCollapse && hasBorders(this)) OuterRect.Right -= BorderRight / 2;
  fitToRows(THead);
  if (TBodies)
    for (int i = 0; i < TBodies->Count(); ++i) fitToRows(static_cast<TElement*>(TBodies->Get(i)));
  fitToRows(TFoot);
  if (SelfFlow) {
    SelfFlow->FirstBlocktoPrint = SelfFlow->FirstBlock;
    SelfFlow->LastBlocktoPrint = SelfFlow->LastBlock ? SelfFlow->LastBlock->NextBlock() : nullptr;
    // The designer's insertion marks stand up to 10 px outside the table:
    // its content reaches that far so that painting and culling count them.
    const float room = Document && (Document->HasOption(hoAddColMarks) || Document->HasOption(hoAddRowMarks)) ? 10.0f : 0.0f;
    SelfFlow->ContentRect = TRectF(-room, -room, CalcWidth() + room, CalcHeight() + room);
  }
  if (paged) fLastBodyRow -= h;
  // Whether painting must move scroll bars inside the table.
  fScrollingDescendants = false;
  const THtNode* after = Last()->NextNode();  // the first node past the table's subtree
  for (THtNode* n = NextNode(); n && n != after; n = n->NextNode())
    if (auto* e = AsElement(n); e && e->FOverflowData) {
      fScrollingDescendants = true;
      break;
    }
  return result;
}

}  // namespace ht
