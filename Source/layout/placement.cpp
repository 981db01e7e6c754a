// Box placement: a sized box gets its final position. In-flow boxes sit at
// their run, floats at the first place in their container's float map where
// they fit, relative boxes move by their offsets, and absolute, fixed and
// running boxes are placed in their containing block after the whole tree
// is laid out.
#include <algorithm>
#include <cmath>

#include "css/element_style.h"
#include "css/float_bands.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"

namespace ht {

namespace {

const TBaseElementStyle* baseStyleOf(const TStyledHTMLNode* N) {
  auto* facts = N ? (N->Style() ? N->Style()->AsElementStyleFacts() : nullptr) : nullptr;
  return facts ? &facts->Style() : nullptr;
}

bool placeable(const TElement* E) {
  if (E->IsText() || E->LineBlocks.Count() == 0) return false;
  if (E->IsReplacedElement()) return true;
  switch (DisplayOf(E)) {
    case dsBlock:
    case dsInlineBlock:
    case dsTable:
    case dsListItem:
    case dsFlex:
    case dsInlineFlex:
    case dsInlineTable:
      return true;
    default:
      return false;
  }
}

// An inset in pixels; percentages of Base.
bool insetPx(const TElement* E, int Side, const float* Base, float& Px) {
  const TBaseElementStyle* s = baseStyleOf(E);
  if (!s) return false;
  TMeasure m = Side == 0 ? s->Top() : Side == 1 ? s->Right() : Side == 2 ? s->Bottom() : s->Left();
  if (m.GetAuto()) return false;
  if (m.FMUnit == muPercent) m.Parent = Base;
  Px = m.ToPixels();
  if (!std::isfinite(Px)) Px = 0;
  return true;
}

bool isPositioned(TElementPosition p) { return p == epAbsolute || p == epFixed || p == epRunning; }

}  // namespace

void TElement::PlaceBox(TFlow* Flow) {
  if (!placeable(this)) return;
  THtLineBlock* run = LineBlocks.First();
  const TDisplayStyle d = DisplayOf(this);
  if (Flow && run) {
    float top = run->Y();
    if (IsInlineBlockLike(d)) top -= MarginTop;
    OffsetRects(run->X() - OuterRect.Left, top - OuterRect.Top);
  }
  if (IsFloated(this) && (Style()->Float() == fLeft || Style()->Float() == fRight)) PlaceFloat(Flow);
  const TElementPosition pos = Style() ? Style()->Position() : epStatic;
  if (pos == epRelative) {
    float dx = 0, dy = 0;
    if (Container && Container != this) {
      insetPx(this, 3, &Container->InnerWidth, dx);
      insetPx(this, 0, &Container->InnerHeight, dy);
    }
    OffsetRects(dx, dy);
  } else if (isPositioned(pos)) {
    PlaceAbsoluteBox();
  }
  OuterRect.Right = OuterRect.Left + InnerWidth + InnerDeltaX() + OuterDeltaX();
  OuterRect.Bottom = OuterRect.Top + InnerHeight + InnerDeltaY() + OuterDeltaY();
  CalcRects();
  if (HasFlag(efVisible)) ExtendScrollArea();
  if (Document) {
    // Areas a scroll cannot move with the kept pixels: a fixed box where
    // the view shows it, a filtered one where the document holds it.
    const TBaseElementStyle* s = baseStyleOf(this);
    THtScrollRepaintEntry entry;
    bool listed = true;
    if (pos == epFixed) {
      entry = {true, OuterRect};
    } else if (s && s->Filter()) {
      const float x = RealLeft(), y = RealTop();
      entry = {false, TRectF(OuterRect.Left + x, OuterRect.Top + y, OuterRect.Right + x, OuterRect.Bottom + y)};
    } else {
      listed = false;
    }
    // A box placed again in the same pass is listed once.
    auto same = [&](const THtScrollRepaintEntry& e) {
      return e.IsFixed == entry.IsFixed && e.R.Left == entry.R.Left && e.R.Top == entry.R.Top &&
             e.R.Right == entry.R.Right && e.R.Bottom == entry.R.Bottom;
    };
    auto& list = Document->ScrollRepaintList;
    if (listed && std::none_of(list.begin(), list.end(), same)) list.push_back(entry);
  }
  if (run) {
    run->SetX(OuterRect.Left);
    run->SetY(OuterRect.Top);
  }
}

void TElement::PlaceFloat(TFlow* Flow) {
  TElement* c = static_cast<TElement*>(Container);
  if (!c || c == this) return;
  TBlockFloats* map = c->FloatMap();
  const float w = CalcWidth(), h = CalcHeight();
  const TBaseElementStyle* s = baseStyleOf(this);
  const bool clearLeft = s && (s->Clear & 1), clearRight = s && (s->Clear & 2);
  const bool left = Style()->Float() == fLeft;
  float li = 0, ri = 0;
  float y = map->FindLinePosition(w, OuterRect.Top, h, this, li, ri, clearLeft, clearRight);
  // A float never slips beside or above a lower float of its side that it
  // would overlap; each round moves strictly down.
  for (int guard = 0; guard < 10000; ++guard) {
    const TBlockSide& side = left ? *map->Left : *map->Right;
    if (side.Bands.empty()) break;
    const float bottom = side.LowestBottom(), edge = side.Bands.back().Edge;
    const bool push = left ? (bottom > y && edge > li) : (bottom > y && edge > ri && bottom < y + h);
    if (!push) break;
    y = map->FindLinePosition(w, bottom, h, this, li, ri, clearLeft, clearRight);
  }
  if (!left && Flow && Flow->FCurX > c->InnerWidth - ri - w) {
    const THtLineInfo* l = Flow->CurrentLine();
    y = std::max(y, l->Y + l->Height);
  }
  const float x = left ? li : c->InnerWidth - ri - w;
  if (x != OuterRect.Left || y != OuterRect.Top) OffsetRects(x - OuterRect.Left, y - OuterRect.Top);
  map->AddFloat(this, Document && Document->Paged);
  if (THtLineBlock* run = LineBlocks.First()) run->SetY(y);
}

void TElement::PlaceAbsoluteBox() {
  TElement* c = static_cast<TElement*>(Container);
  const TElementPosition pos = Style()->Position();
  float cbw = 0, cbh = 0, cbBottom = 0;
  THtDocument* doc = Document;
  if (pos == epFixed || pos == epRunning || !c || c == this) {
    if (doc) {
      cbw = doc->FViewPort.Right - doc->FViewPort.Left;
      cbh = doc->FViewPort.Bottom - doc->FViewPort.Top;
      cbBottom = cbh;
    }
    if (pos == epRunning)
      if (THtLineBlock* run = LineBlocks.First()) run->SetY(0);
  } else {
    const TElementPosition cp = c->Style() ? c->Style()->Position() : epStatic;
    const bool rootLike = !c->Parent() && cp == epStatic && !IsFloated(c) && !(c->Style() && c->Style()->HasTransform());
    if (rootLike && doc) {
      cbw = doc->FViewPort.Right - doc->FViewPort.Left - c->MarginLeft;
      cbh = doc->FViewPort.Bottom - doc->FViewPort.Top - c->MarginTop;
    } else {
      const TRectF pr = c->PaddingRect();
      cbw = pr.Right - pr.Left;
      cbh = pr.Bottom - pr.Top;
    }
    if (doc && doc->BodyElement == c) {
      cbw = float(doc->ScaledClientWidth);
      cbh = float(doc->ScaledClientHeight);
    }
    cbBottom = cbh;
  }
  if (!std::isfinite(cbw)) cbw = 0;
  if (!std::isfinite(cbh)) cbh = 0;

  CalcBoxSize(InnerDeltaX() + OuterDeltaX(), InnerDeltaY() + OuterDeltaY(), MinWidth(), MaxWidth());
  const float* wBase = c && c != this ? &c->InnerWidth : nullptr;
  const float* hBase = c && c != this ? &c->InnerHeight : nullptr;
  float v = 0;
  float left = OuterRect.Left, top = OuterRect.Top;
  const float ow = CalcWidth(), oh = CalcHeight();
  if (insetPx(this, 3, wBase, v)) {
    left = v;
  } else if (insetPx(this, 1, wBase, v)) {
    left = cbw - v - ow;
    float sw = 0;
    if (left < 0 && !SetWidthOf(this, sw) && IsReplacedElement()) {
      const float right = cbw - v;
      OuterRect.Right = right;
      OuterRect.Left = std::min(right - MinWidth(), 0.0f);
      CalcRects();
      left = OuterRect.Left;
    }
  } else if (THtLineBlock* run = LineBlocks.First()) {
    left = run->X();
  }
  if (insetPx(this, 0, hBase, v)) {
    top = v;
  } else if (insetPx(this, 2, hBase, v)) {
    top = (pos == epFixed ? cbBottom : cbh) - std::round(v) - oh;
  }
  OffsetRects(left - OuterRect.Left, top - OuterRect.Top);
}

void TElement::PlaceOutOfFlowElements() {
  if (!LayoutDepthLeft()) return;
  TLayoutDepth depth;
  if (!IsText() && Style() && isPositioned(Style()->Position()) && Container && Container != this) PlaceBox(nullptr);
  if (TElement* b = AsElement(Before)) b->PlaceOutOfFlowElements();
  if (HasFlag(efHasOutOfFlowElements)) {
    for (int i = 0; i < Count(); ++i) {
      TElement* c = AsElement(GetNodes()->Get(i));
      if (!c || c->IsText() || DisplayOf(c) == dsNone) continue;
      const bool direct = c->Style() && (isPositioned(c->Style()->Position()) || IsFloated(c));
      if (c->HasFlag(efHasOutOfFlowElements) || direct) c->PlaceOutOfFlowElements();
    }
  }
  if (TElement* a = AsElement(After)) a->PlaceOutOfFlowElements();
}

}  // namespace ht
