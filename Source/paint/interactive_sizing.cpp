// Interactive sizing: resize edges and the eight designer handles. While
// the button is held the new size lives in the document's user width and
// height; the release writes it into the element's inline style.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "document/computed_style.h"
#include "document/document.h"
#include "layout/image_element.h"
#include "paint/pointer.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

bool movesLeftEdge(int H) { return H == 1 || H == 4 || H == 6; }
bool movesTopEdge(int H) { return H == 1 || H == 2 || H == 3; }
bool isCorner(int H) { return H == 1 || H == 3 || H == 6 || H == 8; }

}  // namespace

uint8_t ResizeHandleAt(const TRectF& R, int X, int Y) {
  const double x = X, y = Y;
  const bool nearTop = R.Top - 4 <= y && y <= R.Top + 8;
  const bool nearBottom = R.Bottom - 8 <= y && y <= R.Bottom + 4;
  const bool nearLeft = R.Left - 4 <= x && x <= R.Left + 8;
  const bool nearRight = R.Right - 8 <= x && x <= R.Right + 4;
  const bool midY = std::fabs(y - (double(R.Top) + R.Bottom) / 2) <= 4;
  const bool midX = std::fabs(x - (double(R.Left) + R.Right) / 2) <= 4;
  if (nearTop && nearLeft) return 1;
  if (nearBottom && nearLeft) return 6;
  if (nearTop && nearRight) return 3;
  if (nearBottom && nearRight) return 8;
  if (midY && nearLeft) return 4;
  if (nearTop && midX) return 2;
  if (midY && nearRight) return 5;
  if (nearBottom && midX) return 7;
  return 0;
}

TCursor ResizeHandleCursor(uint8_t Handle) {
  switch (Handle) {
    case 1:
    case 8: return crSizeNWSE;
    case 3:
    case 6: return crSizeNESW;
    case 2:
    case 7: return crSizeNS;
    case 4:
    case 5: return crSizeWE;
    default: return crDefault;
  }
}

void BaseBeginSizing(TElement& E, bool Horizontal, bool Vertical, int, int) {
  THtDocument* doc = E.Document;
  const TElementStyle* S = ElementStyleOf(&E);
  if (!doc || !S) return;
  doc->SizingElement = &E;
  const TElementResize resize = S->Resize();
  if (Horizontal && ResizesHorizontally(resize)) E.IncludeFlag(efHSizeTracking);
  if (Vertical && ResizesVertically(resize)) E.IncludeFlag(efVSizeTracking);
  if (Horizontal && Vertical) doc->FSizingHandle = 8;
  else if (Vertical) doc->FSizingHandle = 7;
  else if (Horizontal) doc->FSizingHandle = 5;
}

void TElement::EndSizing() {
  ExcludeFlag(efHSizeTracking);
  ExcludeFlag(efVSizeTracking);
}

void TElement::SizingMove(int X, int Y, TShiftState) {
  THtDocument* doc = Document;
  if (!doc) return;
  const TPointF p = ParentTransformPoint(TPointF{float(X), float(Y)});
  const int handle = doc->FSizingHandle;
  const TRectF border = BorderRect();
  const TRectF content = InnerRect();
  const float boxWidth = content.Right - content.Left, boxHeight = content.Bottom - content.Top;
  const bool image = dynamic_cast<TImageElement*>(this) != nullptr;
  if (HasFlag(efHSizeTracking)) {
    const double w = movesLeftEdge(handle)
                         ? double(border.Left) + (border.Right - border.Left) + SurfaceLeft() + InnerDeltaX() - p.X
                         : double(p.X) - border.Left - SurfaceLeft() - InnerDeltaX();
    int width = std::max(1, RoundHalfEven(w));
    // A sudden collapse to a tiny width is a glitch of the pointer, not a
    // wish: the width stays.
    const int current = GetUserWidth();
    if (current != 0 && width < 10 && int64_t(current) - width > 20) width = current;
    SetUserWidth(width);
    if (doc->ProportionalImageResize && (Tag() == u"img" || Tag() == u"svg") && !doc->FFreeAspect && boxWidth != 0)
      SetUserHeight(std::max(1, RoundHalfEven(double(width) * boxHeight / boxWidth)));
    doc->Cursor = crSizeWE;
    if (!(HasFlag(efDesignerSelected) && Tag() == u"img")) doc->NeedRecalc = true;
    doc->NeedRepaint = true;
  }
  if (HasFlag(efVSizeTracking)) {
    const double h = movesTopEdge(handle)
                         ? double(border.Bottom - border.Top) + border.Top + RealTop() + InnerDeltaY() - p.Y
                         : double(p.Y) - border.Top - RealTop() - InnerDeltaY();
    const int height = std::max(1, RoundHalfEven(h));
    SetUserHeight(height);
    if ((isCorner(handle) || doc->ProportionalImageResize) && image && !doc->FFreeAspect && boxWidth != 0 &&
        boxHeight != 0)
      SetUserWidth(std::max(1, RoundHalfEven(double(height) * boxWidth / boxHeight)));
    doc->Cursor = crSizeNS;
    if (!HasFlag(efDesignerSelected)) doc->NeedRecalc = true;
    doc->NeedRepaint = true;
  }
}

}  // namespace ht
