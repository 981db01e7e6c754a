// THtPanel: bringing an element, a rectangle or the selection into the
// window, at once (Scroll) or smoothly (SetTargetPosition).
//
// An element's box is its first line rectangle moved by its RealLeft and
// RealTop, in document pixels. The window's document origin is taken from
// the scroll offsets (-OffsetX / scale), which is what the last paint set,
// or what the next one will set when a scroll has not been painted yet.
#include <algorithm>
#include <climits>
#include <cmath>

#include "document/element.h"
#include "host/html_panel.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

int roundInt(double V) {
  if (!(V == V)) return 0;
  return int(std::clamp(std::round(V), double(INT_MIN), double(INT_MAX)));
}

TRectF elementBox(TElement* E) {
  TRectF r = E->Rects(0);
  const float l = E->RealLeft(), t = E->RealTop();
  return TRectF(r.Left + l, r.Top + t, r.Right + l, r.Bottom + t);
}

// The document rectangle of the text run holding Pos.
bool runRect(TElement* E, int Pos, TRectF& R) {
  auto* text = dynamic_cast<TTextElement*>(E);
  if (!text) return false;
  const int i = text->CharBlockIndex(Pos);
  if (i < 0 || i >= text->LineBlocks.Count()) return false;
  R = text->LineBlocks.Get(i)->RealRect();
  return true;
}

}  // namespace

void THtPanel::docOrigin(double& X, double& Y) const {
  const double s = scale();
  X = RoundHalfEven(float(-OffsetX / s));
  Y = RoundHalfEven(float(-OffsetY / s));
}

void THtPanel::ScrollIntoView(TElement* E) {
  if (!FDoc || !E) return;
  const TRectF b = elementBox(E);
  double ox, oy;
  docOrigin(ox, oy);
  const double s = scale();
  if (b.Top + oy < 0)
    ScrollY(roundInt((b.Top + oy) * s));
  else if ((b.Bottom + oy) * s > ClientHeight())
    Scroll(0, float(roundInt((b.Bottom + oy) * s) - ClientHeight()), true);
  if (b.Left + ox < 0)
    ScrollX(roundInt((b.Left + ox) * s));
  else if ((b.Right + ox) * s > ClientWidth())
    Scroll(float(roundInt((b.Right + ox) * s) - ClientWidth()), 0, true);
}

void THtPanel::ScrollRectIntoView(TRect R) {
  if (!FDoc) return;
  double ox, oy;
  docOrigin(ox, oy);
  const double s = scale();
  if (R.Top + oy < 0)
    ScrollY(roundInt((R.Top + oy) * s));
  else if (R.Bottom + oy > ClientHeight() / s)
    Scroll(0, float(roundInt((R.Bottom + oy) * s) - ClientHeight()), true);
  if (R.Left + ox < 0)
    ScrollX(roundInt((R.Left + ox) * s));
  else if (R.Right + ox > ClientWidth() / s)
    Scroll(float(roundInt((R.Right + ox) * s) - ClientWidth()), 0, true);
}

void THtPanel::ScrollIntoTop(TElement* E) {
  if (!FDoc || !E) return;
  const TRectF b = elementBox(E);
  double ox, oy;
  docOrigin(ox, oy);
  Scroll(0, float(roundInt((b.Top + oy - 10) * scale())), true);
}

void THtPanel::ScrollIntoCenter(TElement* E) {
  if (!FDoc || !E) return;
  SetTargetPosition(0, roundInt(E->PageY() * double(scale()) - ClientHeight() / 2));
}

void THtPanel::ScrollCanvasRectIntoCenter(TRect R) {
  if (!FDoc) return;
  ScrollY(roundInt((double(R.Top) + R.Bottom) / 2 - ClientHeight() / 2.0));
  ScrollX(roundInt((double(R.Left) + R.Right) / 2 - ClientWidth() / 2.0));
}

void THtPanel::ScrollSelectionIntoView() {
  if (!FDoc || FDoc->Selection.Empty()) return;
  TDocSelection& sel = FDoc->Selection;
  TElement* s = sel.RealStartElement();
  TElement* t = sel.RealEndElement();
  if (!s || !t) return;
  TRectF r1;
  TPointF start;
  if (runRect(s, sel.RealStartPos(), r1)) {
    start = s->CharPoint(sel.RealStartPos(), false);
  } else {
    r1 = elementBox(s);
    start = TPointF(r1.Left, r1.Top);
  }
  TPointF end;
  if (auto* text = dynamic_cast<TTextElement*>(t)) {
    end = text->CharPoint(sel.RealEndPos(), false);
    end.Y += std::ceil(text->LineHeight());
  } else {
    const TRectF b = elementBox(t);
    end = TPointF(b.Right, b.Bottom);
  }
  // A selection ending on a later line further left.
  if (start.X > end.X) end.X = r1.Right;
  ScrollRectIntoView(TRect{roundInt(start.X), roundInt(start.Y), roundInt(end.X), roundInt(end.Y)});
}

void THtPanel::ScrollSelectionIntoCenter() {
  if (!FDoc || FDoc->Selection.Empty()) return;
  TDocSelection& sel = FDoc->Selection;
  TElement* s = sel.RealStartElement();
  TElement* t = sel.RealEndElement();
  if (!s || !t) return;
  TRectF r;
  double top = runRect(s, sel.RealStartPos(), r) ? r.Top : s->PageY();
  double bottom = runRect(t, sel.RealEndPos(), r) ? r.Bottom : t->PageY();
  if (top > bottom) std::swap(top, bottom);
  SetTargetPosition(0, roundInt((top + (bottom - top) / 2) * scale() - Height() / 2.0));
}

}  // namespace ht
