// Hit testing of one element and its subtree: the point tests, the area of
// a box a point falls in, the run under a point, the elements under a point
// by z level and the run nearest to a point.
//
// Every routine takes document points. An element's boxes are relative to
// the origin of the flow it was laid out in; the draw info (or RealLeft /
// RealTop) carries that origin, as in painting, so a point is tested where
// the box was painted. A transformed element undoes its matrix on the point
// before handing it to its children.
#include "paint/hit_testing.h"

#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/geometry.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "paint/element_paint.h"

namespace ht {

namespace {

// Half-open containment: the left and top edges are inside, the right and
// bottom edges outside.
bool contains(const TRectF& R, float X, float Y) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

bool within(float V, float Length) { return V >= 0 && V <= Length; }

int32_t zIndexOf(const TElement* E) {
  const TElementStyle* S = E ? ElementStyleOf(E) : nullptr;
  return S ? S->ZIndex : 0;
}

TElementOverflow overflowX(const TElement& E) { return E.Style() ? E.Style()->OverflowX() : eoVisible; }
TElementOverflow overflowY(const TElement& E) { return E.Style() ? E.Style()->OverflowY() : eoVisible; }

bool isBeingResized(const TElement& E) { return E.HasFlag(efHSizeTracking) || E.HasFlag(efVSizeTracking); }

bool isShown(const TElement& E) {
  return E.HasFlag(efVisible) && E.HasFlag(efDrawn) && !E.HasFlag(efDragMoved);
}

// Whether the point, relative to the flow origin of E's boxes, lies inside
// E's margin box on each axis whose overflow clips.
bool insideClip(const TElement& E, float DX, float DY) {
  const TRectF& o = E.OuterRect;
  return (within(DX - o.Left, o.Right - o.Left) || overflowX(E) == eoVisible) &&
         (within(DY - o.Top, o.Bottom - o.Top) || overflowY(E) == eoVisible);
}

// An inline box that spans several lines: each line's piece, from the
// line's first run of the box to its last run on that line, as tall as the
// box's content.
bool hitInlineLines(TElement& E, float DX, float DY) {
  const auto* container = static_cast<const TElement*>(E.Container);
  TFlow* flow = container ? container->SelfFlow.get() : nullptr;
  const int first = E.StartLine(), last = E.EndLine();
  if (!flow || first < 0 || last >= flow->LineCount() || first > last) return false;
  const THtLineInfo& lastLine = flow->FLines[size_t(last)];
  if (DY > lastLine.Y + lastLine.Ascent + E.InnerHeight) return false;
  const THtLineBlock* lastRun = E.LastRun();
  for (int l = first; l <= last; ++l) {
    const THtLineInfo& line = flow->FLines[size_t(l)];
    if (line.Y - E.InnerHeight > DY) return false;
    if (line.Y + line.Ascent + E.InnerHeight < DY) continue;
    const THtLineBlock* run = l == first ? E.FirstRun() : line.FirstBox;
    if (!run || run->Line != l || DX < run->Left) continue;
    TRectF r;
    r.Left = run->Left;
    r.Top = line.Y + line.Ascent - run->Ascent;
    r.Bottom = r.Top + E.InnerHeight;
    r.Right = run->X() + run->XSize();
    for (const THtLineBlock* b = run; b && b->Line == l; b = b->NextBlock()) {
      r.Right = std::max(r.Right, b->X() + b->XSize());
      if (b == lastRun) break;
    }
    if (contains(r, DX, DY)) return true;
  }
  return false;
}

bool hitOwnBox(TElement& E, float DX, float DY) {
  const TElementStyle* S = ElementStyleOf(&E);
  if (S && S->fDisplay == dsInline && E.Container) {
    const TRectF first = E.Rects(0);
    if (DY < first.Top) return false;
    if (E.StartLine() == E.EndLine()) return contains(first, DX, DY);
    return hitInlineLines(E, DX, DY);
  }
  TRectF r = E.Rects(0);
  if (S && S->BorderCollapse() == bcCollapse) {
    r.Right -= E.BorderRight;
    r.Bottom -= E.BorderBottom;
  }
  return contains(r, DX, DY);
}

// The run filter of the run-under-a-point search: any element with ATag
// empty; else a box (never text) whose tag is ATag, or any tagged box for
// "*"; with AStyleClass, a box having that class as well.
bool matches(TElement& E, bool IsTextRun, StringView ATag, StringView AStyleClass) {
  if (!ATag.empty()) {
    if (IsTextRun) return false;
    if (ATag == u"*" ? E.Tag().empty() : E.Tag() != ATag) return false;
  }
  if (!AStyleClass.empty() && (IsTextRun || !E.HasClass(AStyleClass))) return false;
  return true;
}

bool isLineRun(const THtLineBlock& B) { return B.IsText() || (B.E && B.E->IsLineElement()); }

// The element a run's rectangle is relative to: a text run's containing
// block, any other run's own element.
TElement* runOwner(const THtLineBlock& B) {
  if (B.IsText()) return static_cast<TElement*>(B.E->Container);
  return B.E;
}

TElementPosition positionOf(const TElement& E) {
  const TElementStyle* S = ElementStyleOf(&E);
  return S ? S->fPosition : epStatic;
}

// Hit bands of a long flow: bands of runs in chain order with how far up
// and down, from the flow's content origin, a point may find anything in
// them. A band counts only when each of its runs is a line run of this
// flow's own or an element in place (static or relative, untransformed,
// not dragged, nothing positioned inside), whose search finds nothing
// outside its margin box and its content rectangle; any other run keeps
// its band searched.
constexpr size_t kHitBandRuns = 32;
constexpr int kHitBandedLines = 64;

bool inPlace(const TElement& E) {
  const TElementStyle* S = ElementStyleOf(&E);
  return S && (S->fPosition == epStatic || S->fPosition == epRelative) && !S->HasTransform() &&
         E.M.Flags == mfIdentity && !E.HasFlag(efDragMoved) && !E.HasFlag(efHasOutOfFlowElements);
}

void makeHitBands(const TElement& Owner, TFlow& F) {
  constexpr float far = 1000000;
  F.HitBands.clear();
  TFlow::TPaintBand band;
  size_t n = 0;
  for (THtLineBlock* b = F.FirstBlock; b; b = b->NextBlock(), ++n) {
    if (n % kHitBandRuns == 0) {
      if (n > 0) F.HitBands.push_back(band);
      band = TFlow::TPaintBand{nullptr, far, -far, true};
    }
    band.Last = b;
    if (!band.Cullable || !b->E) continue;
    float top = 0, bottom = 0;
    if (isLineRun(*b)) {
      if (!b->E->Visible()) continue;
      if (b->IsText() ? runOwner(*b) != &Owner : !inPlace(*b->E)) {
        band.Cullable = false;
        continue;
      }
      top = b->Top;
      bottom = b->Y() + b->YSize();
    } else if (b->Has(trfText) || b->Has(trfInlineStart) || b->Has(trfInlineEnd) ||
               positionOf(*b->E) == epRunning) {
      continue;
    } else {
      const TElement& e = *b->E;
      if (!inPlace(e) || DisplayOf(&e) == dsTableRowGroup) {
        band.Cullable = false;
        continue;
      }
      top = e.OuterRect.Top;
      bottom = e.OuterRect.Bottom;
      if (const TFlow* f = e.SelfFlow.get()) {
        top = std::min(top, e.OuterRect.Top + f->ContentRect.Top);
        bottom = std::max(bottom, e.OuterRect.Top + f->ContentRect.Bottom);
      }
    }
    band.Top = std::min(band.Top, top);
    band.Bottom = std::max(band.Bottom, bottom);
  }
  if (n > 0) F.HitBands.push_back(band);
}

// The flow's hit bands, made when missing or stale; null for a short flow.
const std::vector<TFlow::TPaintBand>* hitBands(const TElement& Owner, TFlow& F) {
  if (F.LineCount() < kHitBandedLines) return nullptr;
  const uint64_t tree = TreeChangeStamp(), style = StyleChangeStamp();
  if (F.HitBands.empty() || F.HitBandsTreeStamp != tree || F.HitBandsStyleStamp != style) {
    makeHitBands(Owner, F);
    F.HitBandsTreeStamp = tree;
    F.HitBandsStyleStamp = style;
  }
  return &F.HitBands;
}

}  // namespace

// --- Point tests --------------------------------------------------------------------------

bool BaseInternalHitTest(TElement& E, float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) {
  if (isBeingResized(E)) return true;
  if (!isShown(E)) return false;
  // The box is painted through its own transform, so the point is taken
  // back through it before the box itself is tested, not only before the
  // children are.
  TPointF p{X, Y};
  E.UntransformPoint(p);
  const float dx = p.X - Left, dy = p.Y - Top;
  const bool hit = !Outside && hitOwnBox(E, dx, dy);
  if (hit || SelfOnly) return hit;
  // The margin box is measured from the flow origin the boxes are relative
  // to, so a point inside a clipping box counts as inside wherever the box
  // stands in its flow.
  const bool inside = insideClip(E, dx, dy);
  for (int i = 0; i < E.Count(); ++i) {
    TElement* c = AsElement(E.GetNode(i));
    if (!c || c->ClassRefOf() == &TTextElement::ClassType) continue;
    if (c->HitTest(p.X, p.Y, false, Outside || !inside)) return true;
  }
  return false;
}

bool BaseHitTest(TElement& E, float X, float Y, bool SelfOnly, bool Outside) {
  const TElementStyle* S = ElementStyleOf(&E);
  if (S && S->fDisplay == dsNone) return false;
  if (!isShown(E)) return false;
  return E.InternalHitTest(X, Y, E.RealLeft(), E.RealTop(), SelfOnly, Outside);
}

THitTestArea TElement::HitTestEx(int X, int Y) {
  const TElementStyle* S = ElementStyleOf(this);
  if ((S && S->fDisplay == dsNone) || !HasFlag(efDrawn)) return htOutside;
  if (isBeingResized(*this)) return htInside;
  const float dx = float(X) - RealLeft(), dy = float(Y) - RealTop();
  if (S && S->fDisplay == dsInline) {
    const int lines = EndLine() - StartLine();
    for (int l = 0; l <= lines; ++l)
      if (contains(Rects(l), dx, dy)) return htInside;
    return htOutside;
  }
  const TRectF inner = InnerRect();
  if (contains(inner, dx, dy)) return htInside;
  if (!contains(OuterRect, dx, dy)) return htOutside;
  if (dy < inner.Top) return htBefore;
  if (dy >= inner.Bottom) return htAfter;
  return dx < inner.Left ? htBefore : htAfter;
}

bool TElement::RectInView(const TRectF& R) const { return ht::RectInView(*this, R); }

bool TElement::RectInView(const TRect& R) const { return RectInView(RectToRectF(R)); }

// --- Elements under a point by z level ------------------------------------------------------

void TElement::CollectElementsAtPoint(float X, float Y, int ZLevel, bool Outside, THtNodeList& List,
                                      const THtDrawInfo& DI) {
  const TElementPosition pos = positionOf(*this);
  if ((pos == epAbsolute || pos == epFixed || pos == epRunning) && Container) {
    const auto* c = static_cast<const TElement*>(Container);
    if (overflowX(*c) == eoVisible && overflowY(*c) == eoVisible) Outside = false;
  }
  THtDrawInfo di = DI;
  PrepareDrawInfo(di);
  const bool inside = insideClip(*this, X - di.CX, Y - di.CY);
  if (Count() > 0) {
    TPointF p{X, Y};
    UntransformPoint(p);
    THtDrawInfo child = di;
    LocalToDocument(child.CX, child.CY);
    for (int i = Count() - 1; i >= 0; --i) {
      TElement* c = AsElement(GetNode(i));
      if (c && c->HasFlag(efVisible) && c->HasFlag(efDrawn))
        c->CollectElementsAtPoint(p.X, p.Y, ZLevel, Outside || !inside, List, child);
    }
  }
  THtDrawInfo own = DI;
  PrepareDrawInfo(own);
  if (zIndexOf(this) >= ZLevel && InternalHitTest(X, Y, own.CX, own.CY, true, Outside) && List.IndexOf(this) < 0)
    List.Add(this);
}

// --- The run under a point --------------------------------------------------------------------

void TElement::GetLineBlockAt(float X, float Y, StringView ATag, StringView AStyleClass, THtLineBlock*& Res,
                              const THtDrawInfo& DI, bool Outside) {
  TPointF p{X, Y};
  UntransformPoint(p);
  THtDrawInfo di = DI;
  PrepareDrawInfo(di);
  const bool inside = insideClip(*this, X - di.CX, Y - di.CY);
  TFlow* flow = SelfFlow.get();
  const float fy = Y - di.CY - OuterRect.Top;
  if (flow && (HasFlag(efHasOutOfFlowElements) || DisplayOf(this) == dsTableRowGroup ||
               (fy >= flow->ContentRect.Top && fy <= flow->ContentRect.Bottom))) {
    THtDrawInfo content = di;
    LocalToDocument(content.CX, content.CY);
    const TElement* owner = nullptr;
    float ox = 0, oy = 0;
    // A band whose reach (a pixel to spare each side) misses the point is
    // passed over at its first run. While an element is dragged its boxes
    // stand off their place, where no band reaches.
    const TElement* dragged = Document ? Document->DragElement : nullptr;
    const std::vector<TFlow::TPaintBand>* bands =
        dragged && dragged->HasFlag(efDragMoved) ? nullptr : hitBands(*this, *flow);
    const float by = p.Y - content.CY;
    size_t index = 0;
    for (THtLineBlock* b = flow->FirstBlock; b; b = b->NextBlock(), ++index) {
      if (bands && index % kHitBandRuns == 0 && index / kHitBandRuns < bands->size()) {
        const TFlow::TPaintBand& band = (*bands)[index / kHitBandRuns];
        if (band.Cullable && (by < band.Top - 1 || by > band.Bottom + 1)) {
          b = band.Last;
          index += kHitBandRuns - 1;
          continue;
        }
      }
      if (!b->E) continue;
      if (isLineRun(*b)) {
        if (!b->E->Visible()) continue;
        TElement* o = runOwner(*b);
        if (o != owner) {
          owner = o;
          if (!o || o == this) {
            ox = content.CX;
            oy = content.CY;
          } else {
            THtDrawInfo od = content;
            o->PrepareDrawInfo(od);
            if (b->IsText()) o->LocalToDocument(od.CX, od.CY);
            ox = od.CX;
            oy = od.CY;
          }
        }
        const TRectF r{ox + b->Left, oy + b->Top, ox + b->X() + b->XSize(), oy + b->Y() + b->YSize()};
        if (Outside || !inside || !contains(r, p.X, p.Y)) continue;
        // The run's element, else the nearest ancestor (by its first run)
        // that passes the filter.
        THtLineBlock* found = nullptr;
        if (matches(*b->E, b->IsText(), ATag, AStyleClass)) {
          found = b;
        } else {
          for (TElement* a = b->E->Parent(); a && a != Document; a = a->Parent()) {
            THtLineBlock* r0 = a->FirstRun();
            if (!r0 || r0->E == Document) break;
            if (matches(*a, r0->IsText(), ATag, AStyleClass)) {
              found = r0;
              break;
            }
          }
        }
        if (!found) break;
        // A dragged element is looked through: the search goes on with the
        // runs after this one.
        if (found->E->HasFlag(efDragMoved)) continue;
        if (!Res || zIndexOf(found->E) >= zIndexOf(Res->E)) Res = found;
        return;
      }
      if (b->Has(trfText) || b->Has(trfInlineStart) || b->Has(trfInlineEnd)) continue;
      if (positionOf(*b->E) == epRunning) continue;
      b->E->GetLineBlockAt(p.X, p.Y, ATag, AStyleClass, Res, content, Outside || !inside);
    }
  }
  if (Res && zIndexOf(Res->E) >= zIndexOf(this)) return;
  if (!Outside && contains(Moved(OuterRect, di.CX, di.CY), p.X, p.Y) && !Tag().empty() &&
      matches(*this, false, ATag, AStyleClass) && !HasFlag(efDragMoved))
    Res = FirstRun();
}

// --- The run nearest to a point -----------------------------------------------------------------

THtLineBlock* BaseGetNearestLineBlockAt(TElement& E, float X, float Y) {
  THtLineBlock* result = E.FirstRun();
  TFlow* flow = E.SelfFlow.get();
  if (!flow || !flow->FirstBlock || flow->LineCount() == 0) return result;
  const float lx = X - E.RealLeft() - E.OuterRect.Left - E.LeftDelta();
  const float ly = Y - E.RealTop() - E.OuterRect.Top - E.TopDelta();
  const bool oneColumn = E.ColumnCount() < 2;
  int chosen = 0;
  for (int l = flow->LineCount() - 1; l >= 0; --l) {
    const THtLineInfo& line = flow->FLines[size_t(l)];
    if ((ly >= line.Y && oneColumn) || (ly >= line.Y && ly <= line.Y + line.Height && lx >= float(line.LeftOffset))) {
      chosen = l;
      break;
    }
  }
  const THtLineInfo& line = flow->FLines[size_t(chosen)];
  THtLineBlock* run = nullptr;
  if (ly > line.Y + line.Height) {
    // Below the chosen line: the last visible run, stepped back along its
    // visual line while it lies right of the pointer.
    run = flow->LastBlock ? flow->LastBlock->Last() : nullptr;
    while (run && run->Hidden()) run = run->Previous();
    for (THtLineBlock* prev = run ? run->PreviousVisible() : nullptr; prev && prev->SameLine(run) && run->Left > lx;
         prev = run->PreviousVisible())
      run = prev;
    return run ? run : result;
  }
  // On the chosen line: the run horizontally nearest to the pointer.
  float best = 0;
  for (THtLineBlock* b = line.FirstBox; b && b->Line == chosen; b = b->NextBlock()) {
    float d = 0;
    if (lx < b->Left) d = b->Left - lx;
    else if (lx > b->Left + b->LogicalWidth) d = lx - b->Left - b->LogicalWidth;
    if (!run || d < best) {
      run = b;
      best = d;
    }
    if (d == 0) break;
  }
  if (!run) return result;
  if (isLineRun(*run)) return run;
  if (run->E && run->E != &E && run->E->SelfFlow) return run->E->GetNearestLineBlockAt(X, Y);
  return run;
}

}  // namespace ht
