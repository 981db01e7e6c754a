#include "canvas/geometry.h"

#include "platform/rtl/numeric.h"

#include <algorithm>
#include <cmath>
#include <climits>

namespace ht {

bool RectsIntersect(const TRect& A, const TRect& B) {
  return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

bool RectFIntersectsRect(const TRectF& A, const TRect& B) {
  return A.Left < float(B.Right) && A.Right > float(B.Left) && A.Top < float(B.Bottom) &&
         A.Bottom > float(B.Top);
}

bool RectInsideRect(const TRect& A, const TRect& B) {
  return A.Left >= B.Left && A.Right <= B.Right && A.Top >= B.Top && A.Bottom <= B.Bottom;
}

TRect RectIntersection(const TRect& A, const TRect& B) {
  return TRect(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
               std::min(A.Bottom, B.Bottom));
}

TRectF RectFIntersection(const TRectF& A, const TRectF& B) {
  return TRectF(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
                std::min(A.Bottom, B.Bottom));
}

bool RectFContainsPoint(const TRectF& R, const TPoint& P) {
  return RectFContainsPointF(R, TPointF(float(P.X), float(P.Y)));
}

bool RectFContainsPointF(const TRectF& R, const TPointF& P) {
  return R.Left <= P.X && P.X < R.Right && R.Top <= P.Y && P.Y < R.Bottom;
}

bool SameRect(const TRect& A, const TRect& B) {
  return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}

TRect RectFToRect(const TRectF& R) {
  return TRect(RoundHalfEven(R.Left), RoundHalfEven(R.Top), RoundHalfEven(R.Right), RoundHalfEven(R.Bottom));
}

TRectF RectToRectF(const TRect& R) {
  return TRectF(float(R.Left), float(R.Top), float(R.Right), float(R.Bottom));
}

}  // namespace ht
