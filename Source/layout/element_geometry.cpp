// Geometry after layout: the document position of an element's coordinate
// origin, the rectangles of an inline element's line fragments, a table
// cell's content offset and the content corner in canvas pixels.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"

namespace ht {

namespace {

bool blockAncestorDisplay(TDisplayStyle d) {
  switch (d) {
    case dsBlock:
    case dsInlineBlock:
    case dsTable:
    case dsTableRow:
    case dsTableRowGroup:
    case dsTableCell:
    case dsListItem:
    case dsFlex:
    case dsInlineTable:
      return true;
    default:
      return false;
  }
}

// The nearest ancestor that is not text and has a block-like display.
const TElement* blockAncestor(const TElement* E) {
  for (const TElement* p = E->Parent(); p; p = p->Parent())
    if (!p->IsText() && blockAncestorDisplay(DisplayOf(p))) return p;
  return nullptr;
}

bool isCell(const TStyledHTMLNode* N) { return N->HasFlag(efTableCell) || DisplayOf(N) == dsTableCell; }

float scrollOf(const TElement* E, bool Vertical) {
  if (!E->FOverflowData) return 0;
  return float(Vertical ? E->FOverflowData->VOffset : E->FOverflowData->HOffset);
}

bool bothAuto(const TElement* E, int SideA, int SideB) {
  float v = 0;
  return !SetInsetOf(E, SideA, v) && !SetInsetOf(E, SideB, v);
}

// Container chains can be far deeper than any stack frame budget: the
// static positions are summed along the chain without recursion.
float staticLeft(const TElement* E);
float staticTop(const TElement* E);

}  // namespace

float TElement::GetRealLeft() const {
  const auto* c = static_cast<const TElement*>(Container);
  if (!c || c == this) return 0;
  const TElementPosition pos = Style() ? Style()->Position() : epStatic;
  if (pos == epFixed) return Document ? -Document->FDocOffsetX : 0.0f;
  if (pos == epRunning) return 0;
  if (pos == epAbsolute) {
    // At its static position the box's run lies in the content box of the
    // block it was laid out in; an inset counts from the padding box.
    if (bothAuto(this, 3, 1)) {
      if (const TElement* a = blockAncestor(this)) return a->RealLeft() + a->InnerRect().Left;
    } else {
      return c->RealLeft() + c->PaddingRect().Left;
    }
  }
  return staticLeft(this);
}

float TElement::GetRealTop() const {
  const auto* c = static_cast<const TElement*>(Container);
  if (!c || c == this) return 0;
  const TElementPosition pos = Style() ? Style()->Position() : epStatic;
  if (pos == epFixed) return Document ? -Document->FDocOffsetY : 0.0f;
  if (pos == epRunning) return Document ? -Document->FDocOffsetY : 0.0f;
  if (pos == epAbsolute) {
    if (bothAuto(this, 0, 2)) {
      if (const TElement* a = blockAncestor(this)) return a->RealTop() + a->InnerRect().Top + a->VDelta;
    } else {
      auto* op = const_cast<TElement*>(this)->OffsetParent();
      return c->RealTop() + c->PaddingRect().Top + (op ? op->VDelta : 0.0f);
    }
  }
  return staticTop(this);
}

namespace {

float staticLeft(const TElement* E) {
  float x = 0;
  const TElement* e = E;
  for (int guard = 0; guard < 1000000; ++guard) {
    const auto* c = static_cast<const TElement*>(e->Container);
    if (!c || c == e) break;
    x += c->OuterRect.Left + c->LeftDelta() - scrollOf(c, false);
    const TElementPosition cp = c->Style() ? c->Style()->Position() : epStatic;
    if (cp == epAbsolute || cp == epFixed || cp == epRunning) return x + c->RealLeft();
    e = c;
  }
  return x;
}

float staticTop(const TElement* E) {
  float y = 0;
  const TElement* e = E;
  for (int guard = 0; guard < 1000000; ++guard) {
    const auto* c = static_cast<const TElement*>(e->Container);
    if (!c || c == e) break;
    y += c->OuterRect.Top + c->TopDelta() - scrollOf(c, true);
    if (!(IsFloated(e) && !isCell(c))) y += c->VDelta;
    const TElementPosition cp = c->Style() ? c->Style()->Position() : epStatic;
    if (cp == epAbsolute || cp == epFixed || cp == epRunning) return y + c->RealTop();
    e = c;
  }
  return y;
}

}  // namespace

TRectF TElement::Rects(int Line) const {
  if (DisplayOf(this) != dsInline || LineBlocks.Count() < 2 || IsText()) return BorderRect();
  const auto* c = static_cast<const TElement*>(Container);
  const THtLineBlock* first = LineBlocks.First();
  const THtLineBlock* last = LineBlocks.Last();
  TFlow* flow = c ? c->SelfFlow.get() : nullptr;
  const int start = StartLine();
  if (!flow || start < 0 || start >= flow->LineCount()) {
    if (HasFlag(efVertical)) return TRectF(first->Top, first->Left, first->Left + first->LogicalHeight, first->Top + first->LogicalWidth);
    return first->R();
  }
  const int line = start + Line;
  TRectF r;
  if (Line == 0) {
    r = first->R();
  } else {
    if (line >= flow->LineCount()) return first->R();
    const THtLineInfo& sl = flow->FLines[size_t(start)];
    const THtLineInfo& ll = flow->FLines[size_t(line)];
    r.Top = ll.Y + ll.Ascent - (sl.Y + std::max(sl.Ascent, first->Ascent) - first->Top);
    r.Bottom = r.Top + InnerHeight;
  }
  float left = 2147483648.0f, right = 0;
  const THtLineBlock* lastOnLine = nullptr;
  for (const THtLineBlock* b = first; b; b = b->NextBlock()) {
    if (b->Line == line && b->InFlow()) {
      left = std::min(left, b->X());
      right = std::max(right, b->X() + b->XSize());
      lastOnLine = b;
    }
    if (b == last) break;
  }
  if (lastOnLine && lastOnLine->Has(trfSpace) && line != EndLine() && lastOnLine->XSize() > 0)
    right -= lastOnLine->XSize();
  if (Line == 0) left += MarginLeft;
  if (line == EndLine()) right -= MarginRight;
  r.Left = left;
  r.Right = right;
  r.Top -= PaddingTop;
  r.Bottom += PaddingBottom;
  return r;
}

int TElement::EndLine() const {
  // The last run that shows: hidden runs at the end (a trailing collapsed
  // space) do not start a line of their own.
  const int n = LineBlocks.Count();
  if (n == 0) return StartLine();
  for (int i = n - 1; i > 0; --i)
    if (!LineBlocks.Get(i)->Hidden()) return LineBlocks.Get(i)->Line;
  return LineBlocks.Get(0)->Line;
}

void TElement::UpdateVAlign() {
  CalcRects();
  VDelta = 0;
  const THtLineBlock* run = LineBlocks.First();
  if (!run) return;
  switch (run->VAlign) {
    case vaBaseLine:
    case vaMiddle:
      VDelta = (InnerHeight - ContentHeight) / 2;
      break;
    case vaBottom:
      VDelta = InnerHeight - ContentHeight;
      break;
    default:
      break;
  }
  if (!std::isfinite(VDelta)) VDelta = 0;
}

int TElement::GetClientLeft() {
  const THtDocument* d = Document;
  const float scale = d && d->Surface ? d->Surface->ScaleFactor() : 1.0f;
  const float viewLeft = d && d->Surface ? float(d->Surface->Scene.ViewPort.Left) : 0.0f;
  const float offset = d ? d->FDocOffsetX : 0.0f;
  float x = RealLeft() + InnerRect().Left;
  const TDisplayStyle disp = DisplayOf(this);
  if (disp == dsInline || IsInlineBlockLike(disp)) {
    // The content's x on the first line: the left edge of the first
    // fragment, past the left padding and border.
    x = RealLeft() + Rects(0).Left + BorderLeft + PaddingLeft();
    if (disp != dsInline) x = RealLeft() + InnerRect().Left;
  }
  return int(std::lround(viewLeft + (offset + x) * scale));
}

int TElement::GetClientTop() {
  const THtDocument* d = Document;
  const float scale = d && d->Surface ? d->Surface->ScaleFactor() : 1.0f;
  const float viewTop = d && d->Surface ? float(d->Surface->Scene.ViewPort.Top) : 0.0f;
  const float offset = d ? d->FDocOffsetY : 0.0f;
  return int(std::lround(viewTop + (offset + RealTop() + InnerRect().Top) * scale));
}

}  // namespace ht
