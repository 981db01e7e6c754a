// Table painting: the table paints its own box, its caption, the cell
// backgrounds of its rows in one sweep, then its rows and the borders of
// its row groups, and its own border over its cells. In paged output it
// paints the slice of rows its layout placed on the page and moves the
// paging state on to the next page.
#include <algorithm>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "elements/table_element.h"
#include "layout/layout_style.h"
#include "layout/overflow_data.h"
#include "paint/element_paint.h"
#include "paint/paint_guards.h"
#include "paint/text_paint.h"

namespace ht {

namespace {

bool isTableDisplay(TDisplayStyle d) { return d == dsTable || d == dsInlineTable; }

int32_t zOf(const TElement* E) {
  const TElementStyle* s = ElementStyleOf(E);
  return s ? s->ZIndex : 0;
}

TElement* firstRow(TElement* Group, bool Last) {
  TElement* found = nullptr;
  for (int i = 0; i < Group->Count(); ++i) {
    auto* c = AsElement(Group->GetNode(i));
    if (!c || c->IsText() || c->Tag() != u"tr") continue;
    found = c;
    if (!Last) break;
  }
  return found;
}

// The table's box below its caption: the top moves down by the caption's
// height while the box paints.
struct TCaptionShift {
  TElement* Table;
  float Shift;
  TCaptionShift(TElement* T, TElement* Caption) : Table(T), Shift(Caption ? Caption->CalcHeight() : 0.0f) {
    if (Shift != 0) {
      Table->OuterRect.Top += Shift;
      Table->CalcRects();
    }
  }
  ~TCaptionShift() {
    if (Shift != 0) {
      Table->OuterRect.Top -= Shift;
      Table->CalcRects();
    }
  }
};

// The grid rows First..Last that may show in the view: rows stand in grid
// order one below the other, so the view's top and bottom are found by
// halving; rows that span others reach back at most MaxSpan rows.
void rowsInView(const TTableElement& T, int& First, int& Last, const THtDrawInfo& DI, int MaxSpan) {
  if (First > Last || !T.Document || !T.Document->Surface || Last - First < 16) return;
  constexpr float kFar = 1e7f;
  auto rowAt = [&](int i) { return T.Row(i); };
  // The first row whose bottom reaches the view's top.
  int lo = First, hi = Last + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    TTableRow* r = rowAt(mid);
    const bool reaches = !r || RectInView(T, TRectF(r->OuterRect.Left + DI.CX, -kFar, r->OuterRect.Right + DI.CX,
                                                    r->OuterRect.Bottom + DI.CY));
    if (reaches) hi = mid;
    else lo = mid + 1;
  }
  const int from = std::max(First, lo - MaxSpan);
  // The last row whose top is above the view's bottom.
  lo = from;
  hi = Last + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    TTableRow* r = rowAt(mid);
    const bool starts = !r || RectInView(T, TRectF(r->OuterRect.Left + DI.CX, r->OuterRect.Top + DI.CY,
                                                   r->OuterRect.Right + DI.CX, kFar));
    if (starts) lo = mid + 1;
    else hi = mid;
  }
  First = from;
  Last = std::max(from - 1, lo - 1);
}

}  // namespace

void TTableElement::Draw(TFlow* Flow, const THtDrawInfo& DI) {
  // Row groups are not painted as boxes; hit testing takes only elements
  // marked as drawn.
  if (THead) THead->IncludeFlag(efDrawn);
  if (TBodies)
    for (int i = 0; i < TBodies->Count(); ++i) static_cast<TElement*>(TBodies->Get(i))->IncludeFlag(efDrawn);
  if (TFoot) TFoot->IncludeFlag(efDrawn);
  TElement::Draw(Flow, DI);
}

void TTableElement::UpdateScrollBars() {
  if (fScrollingDescendants) return TElement::UpdateScrollBars();
  if (FOverflowData) FOverflowData->Updatepos();
}

void TTableElement::DrawBlock(TFlow* Flow, const THtDrawInfo& DI) { DrawTable(Flow, DI); }
void TTableElement::DrawInline(TFlow* Flow, const THtDrawInfo& DI) { DrawTable(Flow, DI); }

void TTableElement::drawRow(TElement* R, const THtDrawInfo& DI2) {
  if (R && (R->IsVisibleInView(DI2.CX, DI2.CY) || (Document && Document->Paged))) R->Draw(SelfFlow.get(), DI2);
}

void TTableElement::drawGroupBorder(TElement* Group, const THtDrawInfo& DI2, bool PageOnly) {
  if (!Group || !Group->HasFlag(efHasBorder)) return;
  TElement* f = firstRow(Group, false);
  if (!f) return;
  TElement* l = firstRow(Group, true);
  if (PageOnly) {
    auto* fr = dynamic_cast<TTableRow*>(f);
    auto* lr = dynamic_cast<TTableRow*>(l);
    const int h = HeaderCount();
    if (!fr || !lr || fr->Row > fLastBodyRow + h || lr->Row < fFirstBodyRow + h) return;
  }
  Group->OuterRect.Left = f->OuterRect.Left;
  Group->OuterRect.Top = f->OuterRect.Top;
  Group->OuterRect.Right = f->OuterRect.Right;
  Group->OuterRect.Bottom = l->OuterRect.Bottom;
  Group->CalcRects();
  Group->DrawBorder(DI2);
}

void TTableElement::DrawTable(TFlow* Flow, const THtDrawInfo& DI) {
  (void)Flow;
  if (!Body) return;
  TElementStyle* st = ElementStyleOf(this);
  if (!st) return;
  const bool paged = Document && Document->Paged;
  if (!paged && !isTableDisplay(st->fDisplay)) {
    const TElementOverflow o = st->OverflowY() != eoVisible ? st->OverflowY() : st->OverflowX();
    if (o != eoVisible && BorderRect().Bottom - BorderRect().Top == 0) return;
  }
  THtDrawInfo di2 = DI;
  LocalToDocument(di2.CX, di2.CY);
  if (paged) {
    drawPage(di2, DI);
    return;
  }
  const int32_t z = st->ZIndex;
  if (DI.ZIndex == z) {
    TCaptionShift shift(this, Caption);
    if (st->IsSet(cspBoxShadow)) {
      const TElementShadow shadow = st->BoxShadow();
      if (!shadow.IsEmpty()) DrawBoxShadow(*this, DI, shadow);
    }
    FillBackground(DI);
  }
  if (Count() == 0) return;
  if (HasFlag(efStackingContext) && !FZLevels.empty()) {
    for (int32_t level : FZLevels) drawLevel(level, di2, DI);
  } else {
    drawLevel(di2.ZIndex, di2, DI);
  }
  if (DI.ZIndex == z && HasFlag(efHasBorder)) {
    TCaptionShift shift(this, Caption);
    DrawBorder(DI);
  }
  if (DI.ZIndex == z) {
    if (HasFlag(efDesignerSelected)) DrawDesignerSelection(*this, DI);
    drawInsertionMarks(di2);
  }
}

void TTableElement::drawInsertionMarks(const THtDrawInfo& DI2) {
  THtCanvas* G = SurfaceOf(*this);
  if (!G || !Document || (AddRowMark < 0 && AddColMark < 0)) return;
  const uint32_t color = Document->DesignerSelectionColor;
  // A knob with a white plus sign at P and a bar along the new row or
  // column.
  auto knob = [&](float X, float Y) {
    G->FillEllipse(G->GetBrush(color), X - 8, Y - 8, 16, 16);
    THtPen* plus = G->GetPen(0xFFFFFFFFu, 3);
    G->DrawLine(plus, X - 5, Y, X + 5, Y);
    G->DrawLine(plus, X, Y - 5, X, Y + 5);
  };
  if (AddRowMark >= 0 && RowCount > 0 && AddColMark < 0) {
    const bool below = AddRowMark > 0 && AddRowMark >= RowCount;
    TTableRow* r = Row(below ? RowCount - 1 : AddRowMark);
    if (!r) return;
    const float x = r->SurfaceLeft() + r->OuterRect.Left;
    const float y = r->SurfaceTop() + (below ? r->OuterRect.Bottom : r->OuterRect.Top);
    G->DrawRectangle(G->GetPen(color, 1), x, y - 1, CalcWidth(), 3);
    knob(x, y);
  }
  if (AddColMark >= 0 && Columns) {
    // Drawn where the pointer finds it: the column's left edge from the
    // content origin.
    const float x = DI2.CX + Columns->ColLeft(AddColMark, 1), y = DI2.CY - 8;
    G->DrawRectangle(G->GetPen(color, 1), x - 1, y + 8, 3, CalcHeight());
    knob(x, y);
  }
}

void TTableElement::drawLevel(int32_t Z, const THtDrawInfo& DI2In, const THtDrawInfo& DI) {
  THtDrawInfo di2 = DI2In;
  di2.ZIndex = Z;
  TElementStyle* st = ElementStyleOf(this);
  const bool sweep = st && st->ZIndex == DI.ZIndex && isTableDisplay(st->fDisplay);
  if (Caption) Caption->Draw(SelfFlow.get(), di2);
  const int h = HeaderCount();
  if (h > 0) {
    if (sweep) DrawRowBackgrounds(0, h - 1, di2);
    for (int i = 0; i < h; ++i) drawRow(static_cast<TElement*>(Header->Get(i)), di2);
  }
  if (sweep) DrawRowBackgrounds(h, RowCount - 1, di2);
  int first = h, last = RowCount - 1;
  rowsInView(*this, first, last, di2, fMaxRowSpan);
  if (TBodies)
    for (int i = 0; i < TBodies->Count(); ++i) {
      auto* g = static_cast<TElement*>(TBodies->Get(i));
      if (TElementStyle* gs = ElementStyleOf(g); gs && st) gs->CalculatedOpacity = st->CalculatedOpacity;
      if (zOf(g) == DI.ZIndex) drawGroupBorder(g, di2, false);
    }
  for (int i = first - h; i <= last - h && i < BodyCount(); ++i) drawRow(static_cast<TElement*>(Body->Get(i)), di2);
}

void TTableElement::DrawRowBackgrounds(int First, int Last, const THtDrawInfo& DI) {
  const bool paged = Document && Document->Paged;
  First = std::max(First, 0);
  Last = std::min(Last, RowCount - 1);
  if (!paged) rowsInView(*this, First, Last, DI, fMaxRowSpan);
  if (HCellSpacing == 0)
    for (int i = First; i <= Last; ++i) {
      TTableRow* r = Row(i);
      if (!r || !r->HasFlag(efHasBackground)) continue;
      THtDrawInfo dr = DI;
      r->PrepareDrawInfo(dr);
      fillRowBesideSpans(i, dr, DI);
    }
  for (int i = First; i <= Last; ++i) {
    TTableRow* r = Row(i);
    if (!r || DisplayOf(r) == dsNone) continue;
    THtDrawInfo dr = DI;
    r->PrepareDrawInfo(dr);
    if (!(paged || r->IsVisibleInView(dr.CX, dr.CY)) || r->Count() == 0) continue;
    r->LocalToDocument(dr.CX, dr.CY);
    for (int k = 0; k < r->Count(); ++k) {
      auto* c = AsElement(r->GetNode(k));
      if (!c || c->IsText() || DisplayOf(c) != dsTableCell) continue;
      THtDrawInfo dc = dr;
      c->PrepareDrawInfo(dc);
      c->FillBackground(dc);
    }
  }
}

void TTableElement::fillRowBesideSpans(int Index, const THtDrawInfo& DR, const THtDrawInfo& DI) {
  TTableRow* r = Row(Index);
  // The columns that cells of rows above cover down into this row: a row's
  // background never shows inside another row's cell, only in its own.
  std::vector<std::pair<float, float>> covered;
  for (int j = std::max(0, Index - fMaxRowSpan + 1); j < Index; ++j) {
    TTableRow* a = Row(j);
    if (!a || DisplayOf(a) == dsNone) continue;
    THtDrawInfo da = DI;
    a->PrepareDrawInfo(da);
    a->LocalToDocument(da.CX, da.CY);
    for (int k = 0; k < a->Count(); ++k) {
      auto* c = AsElement(a->GetNode(k));
      if (!c || c->IsText() || DisplayOf(c) != dsTableCell) continue;
      auto* cell = dynamic_cast<TTableCell*>(c);
      if (!cell || j + cell->GetRowSpan() - 1 < Index) continue;
      THtDrawInfo dc = da;
      cell->PrepareDrawInfo(dc);
      const TRectF b = Moved(cell->BorderRect(), dc.CX, dc.CY);
      covered.emplace_back(b.Left, b.Right);
    }
  }
  THtCanvas* G = SurfaceOf(*this);
  if (covered.empty() || !G) {
    r->TElement::FillBackground(DR);
    return;
  }
  std::sort(covered.begin(), covered.end());
  const TRectF box = Moved(r->BorderRect(), DR.CX, DR.CY);
  float x = box.Left;
  auto fillTo = [&](float Right) {
    if (Right <= x) return;
    TSavedState saved(*G);
    G->IntersectClip(TRectF(x, box.Top, Right, box.Bottom));
    r->TElement::FillBackground(DR);
  };
  for (const auto& [left, right] : covered) {
    fillTo(std::min(left, box.Right));
    x = std::max(x, right);
  }
  fillTo(box.Right);
}

void TTableElement::FillBackground(const THtDrawInfo& DI) {
  TElement::FillBackground(DI);
  if (isTableDisplay(DisplayOf(this))) return;
  THtDrawInfo di2 = DI;
  LocalToDocument(di2.CX, di2.CY);
  DrawRowBackgrounds(0, RowCount - 1, di2);
}

void TTableElement::drawSpannedCell(int Col, const THtDrawInfo& DI2) {
  const int h = HeaderCount();
  auto* R = fFirstBodyRow < BodyCount() ? dynamic_cast<TTableRow*>(Body->Get(fFirstBodyRow)) : nullptr;
  if (!R) return;
  for (int b = fFirstBodyRow - 1; b >= 0; --b) {
    auto* row = dynamic_cast<TTableRow*>(Body->Get(b));
    TTableCell* cell = row ? row->Cells(Col) : nullptr;
    if (!cell) continue;
    const int span = cell->GetRowSpan();
    // Only a span that reaches this page is painted again.
    if (span < 2 || b + span - 1 < fFirstBodyRow) return;
    const int lastRow = std::min(b + span - 1, BodyCount() - 1);
    auto* l = dynamic_cast<TTableRow*>(Body->Get(lastRow));
    const float top = R->OuterRect.Top;
    row->OffsetRects(0, top - row->OuterRect.Top);
    if (l) cell->OuterRect.Bottom = l->OuterRect.Bottom - row->OuterRect.Top;
    cell->OuterRect.Top = 0;
    cell->CalcRects();
    THtDrawInfo dr = DI2;
    row->PrepareDrawInfo(dr);
    row->LocalToDocument(dr.CX, dr.CY);
    THtDrawInfo dc = dr;
    cell->PrepareDrawInfo(dc);
    cell->FillBackground(dc);
    cell->DrawBorder(dc);
    (void)h;
    return;
  }
}

void TTableElement::drawPage(const THtDrawInfo& DI2, const THtDrawInfo& DI) {
  const int h = HeaderCount();
  const bool hasRows = (Body && fLastBodyRow >= std::max(fFirstBodyRow, 0)) || (h > 0 && fLastHeaderRow >= fFirstHeaderRow);
  if (!HeaderFit || !hasRows) return;
  TElementStyle* st = ElementStyleOf(this);
  {
    TCaptionShift shift(this, Caption);
    if (st && st->IsSet(cspBoxShadow)) {
      const TElementShadow shadow = st->BoxShadow();
      if (!shadow.IsEmpty()) DrawBoxShadow(*this, DI, shadow);
    }
    FillBackground(DI);
    DrawBorder(DI);
  }
  if (Count() == 0) return;
  EnsureSelfFlow();
  fFirstBodyRow = std::max(fFirstBodyRow, 0);
  if (Caption && fFirstBodyRow <= 0 && (fLastHeaderRow >= fFirstHeaderRow || fLastBodyRow >= fFirstBodyRow))
    Caption->Draw(SelfFlow.get(), DI2);
  if (HeaderRepeat && h > 0) {
    if (st && st->ZIndex == DI.ZIndex) DrawRowBackgrounds(fFirstHeaderRow, h - 1, DI2);
    for (int i = fFirstHeaderRow; i <= fLastHeaderRow && i < h; ++i) drawRow(static_cast<TElement*>(Header->Get(i)), DI2);
    if (!(StartPage == -1 || (Document && StartPage == Document->Page)) && fFirstHeaderRow > 0 && fLastHeaderRow >= h - 1 && fHeaderComplete)
      HeaderRepeat = false;
    if (fHeaderComplete) {
      fFirstHeaderRow = fLastHeaderRow + 1;
      if (HeaderRepeat && fFirstHeaderRow >= h) fFirstHeaderRow = 0;
    } else {
      fFirstHeaderRow = fLastHeaderRow;
    }
    fPrevLastHeaderRow = std::max(fFirstHeaderRow - 1, -1);
  }
  if (Body) {
    if (fFirstBodyRow <= fLastBodyRow && fFirstBodyRow < BodyCount()) {
      auto* R = static_cast<TElement*>(Body->Get(fFirstBodyRow));
      int c = 0, k = 0;
      while (c < ColCount) {
        TTableCell* next = nullptr;
        for (; k < R->Count(); ++k)
          if (auto* cell = dynamic_cast<TTableCell*>(R->GetNode(k))) {
            next = cell;
            ++k;
            break;
          }
        const int e = next ? next->Col : ColCount;
        for (int j = c; j < e; ++j) drawSpannedCell(j, DI2);
        c = next ? next->Col + next->ColSpan : ColCount;
      }
    }
    DrawRowBackgrounds(fFirstBodyRow + h, fLastBodyRow + h, DI2);
    for (int i = fFirstBodyRow; i <= fLastBodyRow && i < BodyCount(); ++i) drawRow(static_cast<TElement*>(Body->Get(i)), DI2);
    if (TBodies)
      for (int i = 0; i < TBodies->Count(); ++i) drawGroupBorder(static_cast<TElement*>(TBodies->Get(i)), DI2, true);
  }
  fFirstBodyRow = fLastRowComplete ? fLastBodyRow + 1 : fLastBodyRow;
  fPrevLastBodyRow = std::max(fFirstBodyRow - 1, -1);
}

// --- Rows and cells -----------------------------------------------------------------

bool TTableRow::IsVisibleInView(float X, float Y) const {
  if (!Document || !Document->Surface) return true;
  return RectInView(Moved(SpanRect(), X, Y));
}

void TTableRow::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  if (SelfFlow) SelfFlow->FirstBlocktoPrint = SelfFlow->FirstBlock;
  TElement::DrawInnerElements(Flow, DI);
}

void TTableCell::FillBackground(const THtDrawInfo& DI) {
  TElement* p = Parent();
  TElementStyle* st = ElementStyleOf(this);
  TElementStyle* ps = p ? ElementStyleOf(p) : nullptr;
  if (st && ps && DisplayOf(this) == dsTableCell && !HasFlag(efHasBackground) && ps->BackgroundPresent()) {
    st->Background().Assign(ps->Background());
  }
  TElement::FillBackground(DI);
}

}  // namespace ht
