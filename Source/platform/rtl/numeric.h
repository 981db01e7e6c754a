#pragma once
// Small numeric helpers shared by every subsystem that rounds or compares
// coordinates: one rounding rule and one tolerance, so the canvas, the style
// and the back-ends agree on what "the same value" and "the nearest pixel" are.
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/rtl/geometry.h"

namespace ht {

// The nearest integer, halves to even (the default rounding mode). NaN gives
// 0 and values beyond the int range are held at its limits.
inline int RoundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(v);
  if (r <= double(INT_MIN)) return INT_MIN;
  if (r >= double(INT_MAX)) return INT_MAX;
  return int(r);
}

// Two single-precision values are the same when they differ by at most the
// larger of 1e-4 and 1e-4 times the smaller magnitude (against 0 or 1 that is
// exactly 1e-4). Worked in double so float arguments compare exactly.
inline bool SameSingle(double a, double b) {
  const double eps = std::max(std::min(std::fabs(a), std::fabs(b)) * 1e-4, 1e-4);
  return std::fabs(a - b) <= eps;
}

// The value itself when finite, else 0: style and layout inputs may hold
// NaN or infinity, which must never reach a size or a coordinate.
inline float FiniteOr0(float v) { return std::isfinite(v) ? v : 0.0f; }

// Both coordinates the same under SameSingle.
inline bool SamePoint(const TPointF& a, const TPointF& b) { return SameSingle(a.X, b.X) && SameSingle(a.Y, b.Y); }

}  // namespace ht
