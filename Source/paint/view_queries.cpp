// Where an element's painted box lies and whether it meets the view: the
// culling tests of the paint walk, the last line of an element and its
// origin on the drawing surface.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "paint/element_paint.h"
#include "platform/rtl/numeric.h"

namespace ht {

THtCanvas* SurfaceOf(const TElement& E) {
  if (const THtDocument* d = dynamic_cast<const THtDocument*>(&E)) return d->Surface.get();
  return E.Document ? E.Document->Surface.get() : nullptr;
}

bool IsRootLike(const TElement& E) {
  return (E.Document && &E == E.Document->BodyElement) || dynamic_cast<const THtDocument*>(&E) ||
         E.Container == &E;
}

bool RectInView(const TElement& E, const TRectF& R) {
  THtCanvas* G = SurfaceOf(E);
  return G && G->DocumentRectInView(R);
}

// The origin on the surface of an element's own coordinates: fixed boxes
// stand at the view, running ones at the page's top (heading) or below its
// content area; a footer sits below the footnotes too, so its links do.
float BaseSurfaceLeft(const TElement& E) {
  const TElementStyle* S = ElementStyleOf(&E);
  THtDocument* doc = E.Document;
  if (S && doc && S->fPosition == epFixed) return -doc->FDocOffsetX;
  if (S && doc && S->fPosition == epRunning) return -doc->FDocOffsetX - float(doc->PageMargins[3]);
  return E.RealLeft();
}

float BaseSurfaceTop(const TElement& E) {
  const TElementStyle* S = ElementStyleOf(&E);
  THtDocument* doc = E.Document;
  if (S && doc && S->fPosition == epFixed) return -doc->FDocOffsetY;
  if (S && doc && S->fPosition == epRunning) {
    const String name = S->RunningBlock();
    if (name == u"heading") return -doc->FDocOffsetY - float(doc->PageMargins[0]);
    const float band = doc->PageHeightPixels - float(doc->PageMargins[2]) - doc->FDocOffsetY - float(doc->PageMargins[0]);
    return name == u"footer" ? band + doc->FFootnoteHeight : band;
  }
  return E.RealTop();
}

bool BaseIsVisibleInView(const TElement& E, float X, float Y) {
  const TElementStyle* S = ElementStyleOf(&E);
  if ((E.Document && &E == E.Document->BodyElement) || (S && S->fPosition == epRunning)) return true;
  const bool isInline = S && S->fDisplay == dsInline;
  if (!isInline) {
    TRectF r = Moved(E.BorderRect(), X, Y);
    if (S && S->IsSet(cspBoxShadow)) {
      const TElementShadow sh = S->BoxShadow();
      if (!sh.IsEmpty()) {
        const float grow = float(RoundHalfEven(sh.Blur.ToPixels()) +
                                 std::max(std::abs(RoundHalfEven(sh.X.ToPixels())),
                                          std::abs(RoundHalfEven(sh.Y.ToPixels()))));
        if (std::isfinite(grow)) r = TRectF{r.Left - grow, r.Top - grow, r.Right + grow, r.Bottom + grow};
      }
    }
    return RectInView(E, r);
  }
  if (E.IsReplacedElement()) {
    const TRectF box = E.BorderRect();
    for (int i = 0; i < E.LineBlocks.Count(); ++i) {
      TRectF r = Moved(E.LineBlocks.Get(i)->R(), X, Y);
      r.Top -= E.PaddingTop + E.BorderTop;
      r.Bottom = r.Top + (box.Bottom - box.Top);
      if (RectInView(E, r)) return true;
    }
    return false;
  }
  // An inline box: its first two runs (its start and end markers, or its
  // only run); without runs its border box.
  const int n = E.LineBlocks.Count();
  if (n == 0) return RectInView(E, Moved(E.BorderRect(), X, Y));
  const THtLineBlock* a = E.LineBlocks.Get(0);
  const THtLineBlock* b = n > 1 ? E.LineBlocks.Get(1) : a;
  const TRectF ra = a->R(), rb = b->R();
  TRectF u{std::min(ra.Left, rb.Left), std::min(ra.Top, rb.Top), std::max(ra.Right, rb.Right),
           std::max(ra.Bottom, rb.Bottom)};
  if (a->Line != b->Line) {
    u.Left = 0;
    u.Right = E.Container ? E.Container->CalcWidth() : u.Right;
  }
  return RectInView(E, Moved(u, X, Y));
}

}  // namespace ht
