#pragma once
// Tests and conversions of the platform's integer and float rectangles. The
// Boolean tests use strict comparisons exactly as written beside them, so
// rectangles that only touch do not intersect.
#include "platform/rtl/geometry.h"

namespace ht {

// A.Left < B.Right and B.Left < A.Right and A.Top < B.Bottom and B.Top < A.Bottom.
bool RectsIntersect(const TRect& A, const TRect& B);
// A.Left < B.Right and A.Right > B.Left and A.Top < B.Bottom and A.Bottom > B.Top.
bool RectFIntersectsRect(const TRectF& A, const TRect& B);
// A lies within B (edges may coincide).
bool RectInsideRect(const TRect& A, const TRect& B);
// Max of the lefts and tops, min of the rights and bottoms; the result may be
// empty or inverted, callers test it.
TRect RectIntersection(const TRect& A, const TRect& B);
TRectF RectFIntersection(const TRectF& A, const TRectF& B);
// Half-open: Left <= X < Right and Top <= Y < Bottom.
bool RectFContainsPoint(const TRectF& R, const TPoint& P);
bool RectFContainsPointF(const TRectF& R, const TPointF& P);
bool SameRect(const TRect& A, const TRect& B);
// Each coordinate rounded to the nearest integer, halves to even; values
// beyond the integer range saturate, NaN gives 0.
TRect RectFToRect(const TRectF& R);
TRectF RectToRectF(const TRect& R);

}  // namespace ht
