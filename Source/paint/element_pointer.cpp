// The element side of pointer input: the move that finds the innermost
// element under the pointer and offers resize edges and designer handles,
// the press and release that keep :active and raise the mouse events and
// clicks, hover enter and leave, and the wheel over overflow areas.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "css/element_style_facts.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "document/pointer_services.h"
#include "layout/flow.h"
#include "layout/image_element.h"
#include "layout/overflow_data.h"
#include "paint/element_paint.h"
#include "paint/pointer.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

TBaseElementStyle* ownStyle(TElement& E) {
  if (!E.OwnsStyle()) return nullptr;
  TElementStyleFacts* facts = ElementStyleFactsOf(E.Style());
  return facts ? &facts->Style() : nullptr;
}

bool hasPC(TElement& E, TCSSPseudoClass PClass) {
  TBaseElementStyle* s = ownStyle(E);
  return s && PClass < 32 && (s->CurrentPC & (1u << PClass));
}

// Whether the pseudo-class set changed.
bool applyPC(TElement& E, TCSSPseudoClass PClass, bool Add) {
  TBaseElementStyle* s = ownStyle(E);
  return s && s->ApplyPseudoClass(PClass, Add);
}

bool within(float V, float Low, float High) { return V >= Low && V <= High; }

// Children of these elements are not placed in the element's own flow.
bool childrenOutsideFlow(const TElement& E) {
  return E.IsReplacedElement() || !E.SelfFlow || E.Tag() == u"g";
}

bool visitsEveryChild(const TElementStyle* S) {
  return S && (S->fDisplay == dsTable || S->fDisplay == dsTableRow);
}

// One pass over the children at the draw info's z level; the innermost
// element hit lands in Event.Target.
void childrenPass(TElement& E, const TElementStyle* S, int X, int Y, TShiftState State, bool Outside,
                  const THtDrawInfo& DI) {
  THtDocument* doc = E.Document;
  const bool every = visitsEveryChild(S);
  if (childrenOutsideFlow(E)) {
    for (int i = E.Count() - 1; i >= 0; --i) {
      TElement* c = AsElement(E.GetNode(i));
      if (!c || c->IsText()) continue;
      c->MouseMove(X, Y, State, Outside, DI);
      if (doc->Event.Target && !every) return;
    }
    return;
  }
  THtLineBlock* run = E.SelfFlow->LastBlock;
  while (run) {
    TElement* c = run->E;
    const bool skip = run->Has(trfHidden) || run->Has(trfInlineEnd) || run->Has(trfText) || !c;
    if (!skip) {
      c->MouseMove(X, Y, State, Outside, DI);
      if (doc->Event.Target && !every) return;
    }
    // The earlier runs of the same element were visited with it.
    THtLineBlock* prev = run->PreviousBlock();
    while (prev && c && prev->E == c) prev = prev->PreviousBlock();
    run = prev;
  }
}

void proposeSizing(TElement& E, const TElementStyle* S, int X, int Y, TShiftState State, bool Outside,
                   const THtDrawInfo& DI) {
  THtDocument* doc = E.Document;
  const TElementResize resize = S->Resize();
  if (!Outside && doc->EnableResize && !(State & ssLeft)) {
    const TRectF border = E.BorderRect();
    const float x = float(X), y = float(Y);
    if (ResizesHorizontally(resize) && std::fabs(DI.CX + E.OuterRect.Right - x) < 4 &&
        within(y - DI.CY, border.Top, border.Bottom)) {
      doc->Cursor = crHSplit;
      doc->SizingElement = &E;
    }
    if (ResizesVertically(resize) && std::fabs(DI.CY + E.OuterRect.Bottom - y) < 4 &&
        within(x - DI.CX, border.Left, border.Right)) {
      doc->Cursor = crVSplit;
      doc->SizingElement = &E;
    }
  }
  if (resize != erNone && E.HasFlag(efDesignerSelected) && S->fDisplay != dsTableCell) {
    const TRectF r = Moved(E.OuterRect, DI.CX, DI.CY);
    const TCursor c = ResizeHandleCursor(ResizeHandleAt(r, X, Y));
    if (c != crDefault) {
      doc->Cursor = c;
      doc->SizingElement = &E;
    }
  }
}

}  // namespace

bool ResizesHorizontally(TElementResize R) { return R == erBoth || R == erHorizontal; }
bool ResizesVertically(TElementResize R) { return R == erBoth || R == erVertical; }

TCursor CSSCursorToCursor(TCSSCursor Value, bool& Applies) {
  Applies = true;
  switch (Value) {
    case ecCrossHair: return crCross;
    case ecDefault: return crDefault;
    case ecPointer: return crHandPoint;
    case ecText: return crIBeam;
    case ecHelp: return crHelp;
    case ecWResize:
    case ecEResize: return crSizeWE;
    case ecNResize:
    case ecSResize: return crSizeNS;
    default: Applies = false; return crDefault;
  }
}

bool BaseMouseMove(TElement& E, int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI) {
  THtDocument* doc = E.Document;
  const TElementStyle* S = ElementStyleOf(&E);
  if (!doc || !S || E.IsText()) return false;
  if ((E.HasFlag(efStackingContext) && S->ZIndex != DI.ZIndex) || !E.HasFlag(efVisible)) return false;
  THtDrawInfo di = DI;
  E.PrepareDrawInfo(di);
  TPointF p{float(X), float(Y)};
  E.InverseTransformPoint(p);

  if (E.SelfFlow || (E.Count() > 0 && (E.IsReplacedElement() || E.Tag() == u"g"))) {
    const TFlow* flow = E.SelfFlow.get();
    const bool rowLike = S->fDisplay == dsTableRow || S->fDisplay == dsTableRowGroup;
    const float fy = p.Y - di.CY - E.OuterRect.Top;
    const bool skip = !E.HasFlag(efHasOutOfFlowElements) && !rowLike && flow &&
                      !within(fy, flow->ContentRect.Top, flow->ContentRect.Bottom);
    if (!skip) {
      const float fx = p.X - di.CX - E.OuterRect.Left;
      const bool insideX = S->OverflowX() == eoVisible || S->fDisplay == dsTableRowGroup ||
                           within(fx, E.MarginLeft, E.CalcWidth() - E.MarginRight);
      const bool insideY = S->OverflowY() == eoVisible || within(fy, E.MarginTop, E.CalcHeight() - E.MarginBottom);
      const bool childOutside = Outside || !(insideX && insideY);
      TPointF cp{float(X), float(Y)};
      E.UntransformPoint(cp);
      const int cx = RoundHalfEven(cp.X), cy = RoundHalfEven(cp.Y);
      THtDrawInfo child = di;
      E.LocalToDocument(child.CX, child.CY);
      if (E.HasFlag(efStackingContext) && !E.FZLevels.empty()) {
        for (size_t i = E.FZLevels.size(); i-- > 0;) {
          child.ZIndex = E.FZLevels[i];
          childrenPass(E, S, cx, cy, State, childOutside, child);
          if (doc->Event.Target && !visitsEveryChild(S)) break;
        }
      } else {
        child.ZIndex = DI.ZIndex;
        childrenPass(E, S, cx, cy, State, childOutside, child);
      }
    }
  }

  if (S->ZIndex == DI.ZIndex) {
    if (!doc->Event.Target && S->PointerEvents() != peNone && S->fDisplay != dsTable &&
        S->fDisplay != dsTableRowGroup && E.InternalHitTest(p.X, p.Y, di.CX, di.CY, true, Outside))
      doc->Event.Target = &E;
    proposeSizing(E, S, X, Y, State, Outside, di);
  }
  return false;
}

void BaseDoMouseDown(TElement& E, int X, int Y, bool Down, bool& Ignore, TShiftState Shift) {
  (void)Ignore;
  THtDocument* doc = E.Document;
  const TElementStyle* S = ElementStyleOf(&E);
  if (!doc || !S) return;
  if (Down) {
    // An element already active raises no second "mousedown".
    if (applyPC(E, pcActive, true)) E.RunEvent(u"mousedown", Shift);
    const TElementResize resize = S->Resize();
    if (doc->SizingElement == &E) {
      doc->FFreeAspect = dynamic_cast<TImageElement*>(&E) && (Shift & ssShift);
      const float rl = E.RealLeft(), rt = E.RealTop();
      const float x = float(X), y = float(Y);
      bool horizontal = false;
      if (ResizesHorizontally(resize) && std::fabs(rl + E.OuterRect.Right - x) < 5 &&
          within(y - rt, E.OuterRect.Top, E.OuterRect.Bottom)) {
        E.BeginSizing(true, false, X, Y);
        horizontal = true;
      }
      // A press at the corner sizes both ways.
      if (ResizesVertically(resize) && std::fabs(rt + E.OuterRect.Bottom - y) < 5 &&
          within(x - rl, E.OuterRect.Left, E.OuterRect.Right))
        E.BeginSizing(horizontal, true, X, Y);
      if (E.HasFlag(efDesignerSelected) && S->fDisplay != dsTableCell && doc->EnableResize) {
        const uint8_t h = ResizeHandleAt(Moved(E.OuterRect, rl, rt), X, Y);
        if (h != 0) {
          doc->FSizingHandle = h;
          if (ResizesHorizontally(resize) && (h == 1 || h == 3 || h == 4 || h == 5 || h == 6 || h == 8))
            E.IncludeFlag(efHSizeTracking);
          if (ResizesVertically(resize) && (h == 1 || h == 2 || h == 3 || h == 6 || h == 7 || h == 8))
            E.IncludeFlag(efVSizeTracking);
        }
      }
    }
    // The innermost draggable element of the press chain is dragged.
    if (!doc->SizingElement && !doc->DragElement &&
        (S->Draggable() == dgTrue || E.GetAttribute(u"draggable") == u"true"))
      E.BeginDrag(doc->Event.PageX, doc->Event.PageY);
    return;
  }
  if (hasPC(E, pcActive)) {
    if (!E.HasFlag(efDragMoved)) {
      try {
        E.RunEvent(u"mouseup", Shift);
        doc->DoOnClick(&E, Shift);
      } catch (...) {
        applyPC(E, pcActive, false);
        throw;
      }
    }
    applyPC(E, pcActive, false);
  }
  if (E.HasFlag(efDrag)) E.EndDrag(X, Y);
  E.ExcludeFlag(efDragMoved);
}

void BaseMouseEnter(TElement& E, int, int, TShiftState) {
  THtDocument* doc = E.Document;
  if (!doc || !applyPC(E, pcHover, true)) return;
  doc->DoElementEnter(&E);
  if (hasPC(E, pcLink) && doc->OnURLEnter) doc->OnURLEnter(&E);
}

void BaseMouseLeave(TElement& E, int, int, TShiftState) {
  THtDocument* doc = E.Document;
  if (!doc || !hasPC(E, pcHover)) return;
  if (!applyPC(E, pcHover, false)) return;
  doc->DoElementExit(&E);
  if (hasPC(E, pcLink) && doc->OnURLExit) doc->OnURLExit(&E);
}

void BaseMouseWheel(TElement& E, TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (!E.HasFlag(efHasOverflow)) return;
  const float x = float(MousePos.X), y = float(MousePos.Y);
  if (!E.HitTest(x, y, false, false)) return;
  const TElementStyle* S = ElementStyleOf(&E);
  if (E.FOverflowData && S && E.HitTest(x, y, true, false) &&
      (S->OverflowY() == eoScroll || S->OverflowY() == eoAuto)) {
    // Division truncates toward zero: 120 scrolls 12 up, -125 12 down.
    const int64_t v = int64_t(E.FOverflowData->VOffset) - WheelDelta / 10;
    E.FOverflowData->SetVOffset(int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)));
  }
  for (int i = 0; i < E.Count(); ++i) {
    TElement* c = AsElement(E.GetNode(i));
    if (!c) continue;
    const TElementStyle* cs = ElementStyleOf(c);
    if (cs && cs->fDisplay == dsNone) continue;
    c->MouseWheel(Shift, WheelDelta, MousePos);
  }
}

const THtPointerServices& PointerUnitServices() {
  static const THtPointerServices services{BaseMouseEnter,  BaseMouseLeave, BaseDoMouseDown,
                                           BaseMouseMove,   BaseMouseWheel, BaseEndDrag,
                                           BaseBeginSizing, NeutralPointerServices().Ungroup};
  return services;
}

}  // namespace ht
