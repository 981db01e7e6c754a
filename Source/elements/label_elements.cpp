#include "elements/label_elements.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/path.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "elements/form_support.h"
#include "layout/layout_style.h"

namespace ht {

const THtNodeClass THtLabelElement::ClassType{"THtLabelElement", &TElement::ClassType,
                                              CreateInstance<THtLabelElement, THtNode>};
const THtNodeClass THtCommentElement::ClassType{"THtCommentElement", &TElement::ClassType,
                                                CreateInstance<THtCommentElement, THtNode>};
const THtNodeClass TFieldSetElement::ClassType{"TFieldSetElement", &TElement::ClassType,
                                               CreateInstance<TFieldSetElement, THtNode>};

namespace {

// The labels passing a press or release on right now: a label that names
// one of them (itself included) would hand the press round for ever.
std::vector<const THtLabelElement*>& labelChain() {
  static std::vector<const THtLabelElement*> chain;
  return chain;
}

}  // namespace

// --- Label ------------------------------------------------------------------------------

void THtLabelElement::StyleChanged(bool ForceRecalc) {
  TElement::StyleChanged(ForceRecalc);
  if (Document) Document->NeedRepaint = true;
}

TElement* THtLabelElement::Target() {
  const String& id = GetAttribute(u"for");
  if (!id.empty()) return Document ? Document->GetElementbyId(id) : nullptr;
  return dynamic_cast<TElement*>(FindNode(u"input"));
}

void THtLabelElement::DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift) {
  TElement* target = Target();
  auto& chain = labelChain();
  if (auto* label = dynamic_cast<THtLabelElement*>(target);
      label && (label == this || std::find(chain.begin(), chain.end(), label) != chain.end()))
    target = nullptr;
  if (target) {
    // Once per click: a target already pressed (the click began on it)
    // takes no second press, and one no longer active no second release.
    const bool active = HasPseudoClass(target, pcActive);
    if (Down ? !active : active) {
      const TRectF r = target->Rects(0);
      chain.push_back(this);
      struct TPop {
        std::vector<const THtLabelElement*>& C;
        ~TPop() { C.pop_back(); }
      } pop{chain};
      target->DoMouseDown(int(std::lround(target->RealLeft() + r.Left)), int(std::lround(target->RealTop() + r.Top)),
                          Down, Ignore, Shift);
    }
  }
  TElement::DoMouseDown(X, Y, Down, Ignore, Shift);
}

// --- Comment ----------------------------------------------------------------------------

THtCommentElement::THtCommentElement() { setStyleDisplay(dsNone); }

bool THtCommentElement::CalcStyle(TCSSStyleSheet* Styles) {
  const bool result = TElement::CalcStyle(Styles);
  if (OwnsStyle()) setStyleDisplay(dsNone);
  return result;
}

// --- Fieldset ---------------------------------------------------------------------------

TElement* TFieldSetElement::legend() {
  // Compared by address only: a legend that left may be freed already.
  if (!FLegend) return nullptr;
  for (int i = 0; i < Count(); ++i)
    if (GetNode(i) == FLegend) return FLegend;
  FLegend = nullptr;
  return nullptr;
}

void TFieldSetElement::CalcBoxes(TFlow* Flow) {
  if (!legend()) {
    for (int i = 0; i < Count(); ++i) {
      auto* e = dynamic_cast<TElement*>(GetNode(i));
      if (e && SameTextAscii(e->Tag(), u"legend")) {
        FLegend = e;
        break;
      }
    }
  }
  TElement::CalcBoxes(Flow);
}

void TFieldSetElement::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  if (TElement* l = legend()) l->Draw(Flow, DI);
  TElement::DrawInnerElements(Flow, DI);
}

bool TFieldSetElement::NotchEnds(float& X1, float& X2) {
  TElement* l = legend();
  const TElementStyle* ls = l ? ElementStyleOf(l) : nullptr;
  if (!ls) return false;
  const float width = l->OuterRect.Right - l->OuterRect.Left;
  const float* base = l->Container ? &l->Container->InnerWidth : nullptr;
  TMeasure left = ls->Left();
  if (!left.GetAuto()) {
    left.Parent = base;
    X1 = float(int(left.ToPixels()));
    X2 = X1 + width;
    return true;
  }
  // Placed from the right: 3 pixels of gap on each side of where layout
  // put it.
  const TRectF own = BorderRect(), lb = l->BorderRect();
  X1 = lb.Left - own.Left - 3;
  X2 = lb.Right - own.Left + 3;
  return true;
}

void TFieldSetElement::DrawBorder(const THtDrawInfo& DI) {
  float x1 = 0, x2 = 0;
  THtCanvas* g = Document ? Document->Surface.get() : nullptr;
  if (!g || !NotchEnds(x1, x2)) {
    TElement::DrawBorder(DI);
    return;
  }
  TRectF r = BorderRect();
  r.Left += DI.CX;
  r.Right += DI.CX;
  r.Top += DI.CY;
  r.Bottom += DI.CY;
  const float h = FLegend->OuterRect.Bottom - FLegend->OuterRect.Top;
  std::unique_ptr<THtPath> path = g->PathClass()->Create(true);
  path->MoveTo(r.Left - 100, r.Top - 100);
  path->LineTo(r.Left + x1, r.Top - 100);
  path->LineTo(r.Left + x1, r.Top + h);
  path->LineTo(r.Left + x2, r.Top + h);
  path->LineTo(r.Left + x2, r.Top - 100);
  path->LineTo(r.Right + 100, r.Top - 100);
  path->LineTo(r.Right + 100, r.Bottom + 100);
  path->LineTo(r.Left - 100, r.Bottom + 100);
  path->CloseFigure();
  g->SaveState();
  g->IntersectClip(path.get());
  TElement::DrawBorder(DI);
  g->RestoreState();
}

}  // namespace ht
