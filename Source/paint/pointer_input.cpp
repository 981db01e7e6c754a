// The document's pointer entry points: the host hands every press, release,
// move and wheel step here in viewport pixels. They find the element under
// the pointer, move the hover state along its ancestor chain, keep the
// active state and the clicks, route moves and releases to a drag or a
// resize under way, extend the mouse selection, choose the cursor, run the
// element events all this queued and finally restyle, lay out and repaint
// as the flags ask.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "paint/element_paint.h"
#include "layout/text_element.h"
#include "paint/pointer.h"
#include "platform/rtl/numeric.h"
#include "platform/ui/scroll_bar.h"

namespace ht {

namespace {

// Halves away from zero; NaN gives 0 and values beyond the int range are
// held at its limits.
int roundHalfAway(double V) {
  if (std::isnan(V)) return 0;
  const double r = std::round(V);
  if (r <= double(INT_MIN)) return INT_MIN;
  if (r >= double(INT_MAX)) return INT_MAX;
  return int(r);
}

void fillEvent(THtDocument& D, int X, int Y) {
  D.Event.ClientX = X;
  D.Event.ClientY = Y;
  const TPointF p = D.ViewporttoDocument(TPointF{float(X), float(Y)});
  D.Event.PageX = RoundHalfEven(p.X);
  D.Event.PageY = RoundHalfEven(p.Y);
  D.Event.Target = nullptr;
  D.Event.FStopped = false;
}

bool isAncestorOf(const TElement* A, const TElement* E) {
  for (const TElement* p = E ? E->Parent() : nullptr; p; p = p->Parent())
    if (p == A) return true;
  return false;
}

bool hasHover(TElement& E) {
  const TElementStyle* s = E.OwnsStyle() ? ElementStyleOf(&E) : nullptr;
  return s && (s->CurrentPC & (1u << unsigned(pcHover)));
}

// What a move's hover restyles ask to repaint: the painted bounds of the
// restyled subtrees before and after, in viewport pixels, unless one of
// them could not be told or the restyle needs a new layout (All).
struct TDamage {
  std::vector<TRect> Rects;
  bool All = false;
  bool Any = false;
};

void growBy(TRectF& R, float D) { R = TRectF{R.Left - D, R.Top - D, R.Right + D, R.Bottom + D}; }

void unite(TRectF& Acc, bool& Has, const TRectF& R) {
  if (!(R.Right > R.Left) || !(R.Bottom > R.Top)) return;
  if (!Has) {
    Acc = R;
    Has = true;
    return;
  }
  Acc = TRectF{std::min(Acc.Left, R.Left), std::min(Acc.Top, R.Top), std::max(Acc.Right, R.Right),
               std::max(Acc.Bottom, R.Bottom)};
}

// The painted bounds of E's subtree on the surface (document pixels):
// border boxes (an inline box's line pieces) grown by shadows and
// outlines, and the content rectangles of their flows, which hold the text.
// False when a box is transformed, fixed or filtered.
bool subtreeBounds(TElement* E, TRectF& Out, bool& Has) {
  std::vector<TElement*> stack{E};
  while (!stack.empty()) {
    TElement* e = stack.back();
    stack.pop_back();
    if (e->IsText()) continue;
    const TElementStyle* S = ElementStyleOf(e);
    if (!S || S->fDisplay == dsNone) continue;
    if (e->MJoint || S->Position() == epFixed || S->Filter()) return false;
    const float sx = e->SurfaceLeft(), sy = e->SurfaceTop();
    TRectF box = S->fDisplay == dsInline ? TRectF{} : e->BorderRect();
    bool hasBox = S->fDisplay != dsInline;
    if (!hasBox)
      for (int line = e->StartLine(); line <= e->EndLine() && line - e->StartLine() < 10000; ++line)
        unite(box, hasBox, e->Rects(line));
    if (hasBox) {
      box = Moved(box, sx, sy);
      float grow = 1;
      if (S->IsSet(cspBoxShadow)) {
        const TElementShadow sh = S->BoxShadow();
        if (!sh.IsEmpty())
          grow += std::fabs(sh.Blur.ToPixels()) +
                  std::max(std::fabs(sh.X.ToPixels()), std::fabs(sh.Y.ToPixels()));
      }
      if (S->IsSet(cspOutline) || S->IsSet(cspOutlineStyle)) grow += std::fabs(S->OutlineWidthPx()) + 2;
      if (!std::isfinite(grow)) return false;
      growBy(box, grow);
      unite(Out, Has, box);
    }
    if (const TFlow* flow = e->SelfFlow.get()) {
      float cx = sx, cy = sy;
      e->LocalToDocument(cx, cy);
      TRectF content = Moved(flow->ContentRect, cx, cy);
      growBy(content, 2);
      unite(Out, Has, content);
    }
    for (int i = e->Count() - 1; i >= 0; --i)
      if (TElement* c = AsElement(e->GetNode(i))) stack.push_back(c);
  }
  return true;
}

// Adds E's painted bounds, mapped to viewport pixels, to Damage.
void addDamage(THtDocument& D, TElement* E, TDamage& Damage) {
  if (Damage.All) return;
  TRectF r;
  bool has = false;
  if (!subtreeBounds(E, r, has)) {
    Damage.All = true;
    return;
  }
  if (!has || !D.Surface) return;
  const THtCanvasScene& scene = D.Surface->Scene;
  const double s = scene.Scale;
  const double l = (double(r.Left) + D.FDocOffsetX) * s + scene.ViewPort.Left;
  const double t = (double(r.Top) + D.FDocOffsetY) * s + scene.ViewPort.Top;
  const double rr = (double(r.Right) + D.FDocOffsetX) * s + scene.ViewPort.Left;
  const double b = (double(r.Bottom) + D.FDocOffsetY) * s + scene.ViewPort.Top;
  if (!std::isfinite(l) || !std::isfinite(t) || !std::isfinite(rr) || !std::isfinite(b) || std::fabs(l) > 1e9 ||
      std::fabs(t) > 1e9 || std::fabs(rr) > 1e9 || std::fabs(b) > 1e9) {
    Damage.All = true;
    return;
  }
  // Outwards to whole pixels; a box that kept its place is listed once.
  const TRect whole(int(std::floor(l)), int(std::floor(t)), int(std::ceil(rr)), int(std::ceil(b)));
  for (const TRect& k : Damage.Rects)
    if (k.Left == whole.Left && k.Top == whole.Top && k.Right == whole.Right && k.Bottom == whole.Bottom) return;
  Damage.Rects.push_back(whole);
}

// Restyles R (its parent for a text node) and the next sibling element,
// which sibling selectors may tie to it, noting what the restyle repaints.
void restyleFrom(THtDocument& D, TElement* R, TDamage& Damage) {
  if (R->Tag().empty() && R->Parent()) R = R->Parent();
  TElement* next = nullptr;
  for (TElement* n = R->Next(); n && !next; n = n->Next())
    if (!n->IsText()) next = n;
  Damage.Any = true;
  addDamage(D, R, Damage);
  if (next) addDamage(D, next, Damage);
  R->RestyleSelf();
  if (next) next->RestyleSelf();
  // A restyle that needs a new layout moves boxes anywhere.
  if (D.NeedRecalc || D.FDisplayChanged) Damage.All = true;
  addDamage(D, R, Damage);
  if (next) addDamage(D, next, Damage);
  D.Changed = false;
}

// The run under the page point in Target as a selection end: a text run
// gives its element and the caret nearest to the point.
bool textRunAt(THtDocument& D, TElement* Target, TElement*& E, int& Pos) {
  const TPointF p = Target->ParentTransformPoint(TPointF{float(D.Event.PageX), float(D.Event.PageY)});
  THtDrawInfo di;
  di.CX = Target->RealLeft();
  di.CY = Target->RealTop();
  THtLineBlock* run = nullptr;
  Target->GetLineBlockAt(p.X, p.Y, u"", u"", run, di, false);
  auto* text = run && run->IsText() ? dynamic_cast<TTextElement*>(run->E) : nullptr;
  if (!text) return false;
  Pos = text->NearestSpace(RoundHalfEven(p.X), run);
  E = run->E;
  return true;
}

// The nearest element to the page point; below the content's last tenth,
// the document's last node.
void nearestForSelection(THtDocument& D, TElement*& E, int& Pos) {
  E = nullptr;
  Pos = 0;
  D.GetNearestElement(D.Event.PageX, D.Event.PageY, E, Pos);
  if (!E && double(D.Event.PageY) >= 0.9 * D.InnerHeight) E = AsElement(D.Last());
}

// Elements that pointer handling took out of the tree, once the entry
// point's events have run.
void removePending(THtDocument& D) {
  while (!D.FPendingRemovals.empty()) {
    TElement* e = D.FPendingRemovals.back();
    D.FPendingRemovals.pop_back();
    if (THtNode* parent = e->Parent()) parent->DeleteChild(e);
  }
}

// A repaint of what the move's hover restyles damaged, or of everything.
void repaintDamage(THtDocument& D, const TDamage& Damage) {
  if (!Damage.Any || Damage.All || D.NeedRecalc) {
    D.Repaint();
    return;
  }
  D.DamageRects.insert(D.DamageRects.end(), Damage.Rects.begin(), Damage.Rects.end());
  D.FDamageOnly = true;
  struct TReset {
    bool& F;
    ~TReset() { F = false; }
  } reset{D.FDamageOnly};
  D.Repaint();
}

}  // namespace

void THtDocument::OnMouseDown(int X, int Y, bool Down, TShiftState Shift) {
  bool ignore = false;
  if (Down) {
    Changed = false;
    ActiveTable = nullptr;
    fillEvent(*this, X, Y);
    TouchMarkerTracking = tmNone;
    FPressOffset = TPoint{DocOffsetX(), DocOffsetY()};
    if ((Shift & ssLeft) && TouchEnabled) {
      bool left = false;
      if (Selection.AtPoint(Event.PageX, Event.PageY, left)) {
        // The grabbed handle becomes the selection's end.
        if (left != Selection.Inverted()) Selection.Invert();
        TouchMarkerTracking = left ? tmLeft : tmRight;
        return;
      }
    }
    if ((Shift & ssLeft) && !(Shift & (ssShift | ssTouch))) Selection.Clear();
    OnMouseMove(X, Y, Shift);
    FPressedElement = Event.Target;
    if (TElement* sizing = SizingElement) {
      const TPointF p = sizing->ParentTransformPoint(TPointF{float(Event.PageX), float(Event.PageY)});
      bool own = false;
      sizing->DoMouseDown(RoundHalfEven(p.X), RoundHalfEven(p.Y), true, own, Shift);
    }
    for (TElement* e = Event.Target; e; e = e->Parent()) e->DoMouseDown(Event.PageX, Event.PageY, true, ignore, Shift);
    ProcessElementEvents();
    if ((Shift & ssLeft) && !Selection.StartElement() && EnableSelection && !SizingElement && !DragElement) {
      TElement* e = nullptr;
      int pos = 0;
      if (!Event.Target || !textRunAt(*this, Event.Target, e, pos)) {
        e = nullptr;
        pos = 0;
        GetNearestElement(Event.PageX, Event.PageY, e, pos);
      }
      Selection.StartPos = pos;
      Selection.SetStartElement(e);
    }
  } else {
    Changed = false;
    fillEvent(*this, X, Y);
    const bool scrolled = std::fabs(double(FDocOffsetX) - FPressOffset.X) > 5 ||
                          std::fabs(double(FDocOffsetY) - FPressOffset.Y) > 5;
    if (TouchEnabled) {
      bool left = false;
      if (TouchMarkerTracking != tmNone) {
        TouchMarkerTracking = tmNone;
        NeedRepaint = true;
      } else if (!scrolled && !(Shift & ssDouble) && !Selection.AtPoint(Event.PageX, Event.PageY, left)) {
        Selection.Clear();
      }
    }
    if (TElement* dragged = DragElement; dragged && dragged->HasFlag(efDragMoved)) {
      dragged->EndDrag(Event.PageX, Event.PageY);
      // The element that was dragged stays silent on this release: the
      // flag keeps its "mouseup" and click from being queued, and its own
      // release step clears it.
      if (DragElement == dragged) dragged->IncludeFlag(efDragMoved);
      if (!FDragOverList.empty()) {
        Event.Target = FDragOverList.front();
        const std::vector<TElement*> chain = FDragOverList;
        for (TElement* e : chain) e->RunEvent(u"dragleave", Shift);
        FDragOverList.clear();
        ignore = true;
      }
    }
    DragElement = nullptr;
    if (TElement* sizing = SizingElement) {
      sizing->EndSizing();
      sizing->ApplyUserSize();
      if (OnElementResizeEnd) OnElementResizeEnd(sizing);
      // A handler may have removed the element.
      if (SizingElement == sizing) sizing->RunImmediateEvent(u"resizeend");
      SizingElement = nullptr;
      FSizingHandle = 0;
      FUserWidth = 0;
      FUserHeight = 0;
      NeedRecalc = true;
      NeedRepaint = true;
    }
    Event.Target = FPressedElement;
    FPressedElement = nullptr;
    for (TElement* e = Event.Target; e; e = e->Parent()) e->DoMouseDown(Event.PageX, Event.PageY, false, ignore, Shift);
    ProcessElementEvents();
    FFreeAspect = false;
    removePending(*this);
  }
  if (Changed) {
    if (CalcStyle(Styles.get())) {
      fCacheReady = false;
      if (NeedRecalc) Recalc();
      Repaint();
    } else if (NeedRepaint) {
      Repaint();
    }
  } else if (NeedRepaint) {
    Repaint();
  }
}

void THtDocument::OnMouseMove(int X, int Y, TShiftState State) {
  if (!HasFlag(efDrawn)) return;
  if (Changed) RecalcStyles();
  if (FDisplayChanged) {
    FDisplayChanged = false;
    Recalc();
  } else if (NeedRecalc) {
    RecalcLayout();
  }
  if (!(State & ssLeft)) {
    SizingElement = nullptr;
    FSizingHandle = 0;
    DragElement = nullptr;
  }
  Cursor = X >= 0 && Y >= 0 ? DefaultCursor : crDefault;
  fillEvent(*this, X, Y);
  TDamage damage;
  // A failing handler must not break hover processing: the move ends.
  try {
    const bool selecting = !(State & ssTouch) || TouchMarkerTracking != tmNone;
    TElement* oldEnd = Selection.EndElement();
    const int oldEndPos = Selection.EndPos;
    const bool extend = selecting && EnableSelection && (State & ssLeft);
    if (extend) Selection.SetEndElement(nullptr);
    if (DragElement) {
      DragOver(Event.PageX, Event.PageY, State);
    } else if (TElement* sizing = SizingElement) {
      sizing->SizingMove(Event.PageX, Event.PageY, State);
      if (!sizing->IsReplacedElement()) {
        RecalcLayout();
        NeedRecalc = false;
      }
      if (SizingElement == sizing) sizing->RunImmediateEvent(u"resize");
      Repaint();
      return;
    } else {
      const int px = Event.PageX, py = Event.PageY;
      MouseMove(px, py, State, false, THtDrawInfo{});
      TElement* target = Event.Target;
      if (FHoverElement && FHoverElement != target) {
        TElement* outermost = nullptr;
        for (TElement* e = FHoverElement; e; e = e->Parent()) {
          if (target && (e == target || isAncestorOf(e, target))) break;
          e->MouseLeave(px, py, State);
          outermost = e;
        }
        if (outermost && Changed) restyleFrom(*this, outermost, damage);
      }
      TElement* entered = nullptr;
      for (TElement* e = target; e; e = e->Parent()) {
        e->RunEvent(u"mousemove", State);
        if (!hasHover(*e)) {
          e->MouseEnter(px, py, State);
          entered = e;
        }
        if (Cursor == crDefault || Cursor == DefaultCursor) {
          const TElementStyle* s = ElementStyleOf(e);
          bool applies = false;
          const TCursor c = s ? CSSCursorToCursor(s->Cursor(), applies) : crDefault;
          if (applies) Cursor = c;
        }
      }
      if (entered && Changed) restyleFrom(*this, entered, damage);
      FHoverElement = target;
      if (extend && !Selection.EndElement()) {
        TElement* e = nullptr;
        int pos = 0;
        if (target) {
          if (!textRunAt(*this, target, e, pos)) nearestForSelection(*this, e, pos);
          if (e && e->Tag() != u"html" && e->Tag() != u"body") {
            Selection.EndPos = pos;
            Selection.SetEndElement(e);
          }
        } else {
          nearestForSelection(*this, e, pos);
          Selection.EndPos = pos;
          Selection.SetEndElement(e);
        }
        if (Selection.EndElement() != oldEnd || Selection.EndPos != oldEndPos) NeedRepaint = true;
      }
    }
    if (!SizingElement) Changed = false;
    ProcessElementEvents();
    if (Changed) {
      if (CalcStyle(Styles.get())) {
        if (NeedRecalc) Recalc();
        if (FRestyleAgain) {
          SetStyleCalculated(false);
          CalcStyle(Styles.get());
          Recalc();
          FRestyleAgain = false;
        }
        Repaint();
      }
    } else {
      if (FDisplayChanged) {
        FDisplayChanged = false;
        Recalc();
      } else if (NeedRecalc) {
        RecalcLayout();
      }
      if (NeedRepaint) {
        ResetCache();
        repaintDamage(*this, damage);
      }
    }
    if (NeedRepaint) repaintDamage(*this, damage);
    if (SizingElement && FSizingHandle != 0) Cursor = ResizeHandleCursor(FSizingHandle);
    if (Control && Control->Cursor() != Cursor) Control->SetCursor(Cursor);
  } catch (...) {
  }
}

void THtDocument::OnMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  const TPointF p = ViewporttoDocument(TPointF{float(MousePos.X), float(MousePos.Y)});
  Event.PageX = roundHalfAway(p.X);
  Event.PageY = roundHalfAway(p.Y);
  Event.FStopped = false;
  MouseWheel(Shift, WheelDelta, TPoint{Event.PageX, Event.PageY});
  ProcessElementEvents();
  if (NeedRepaint) Repaint();
}

}  // namespace ht
