#pragma once
// Small text helpers shared by the CSS parser, selectors and text output.
#include <cmath>

#include "platform/rtl/string.h"

namespace ht {

// S without leading and trailing characters at or below U+0020.
inline StringView TrimBlanks(StringView S) {
  size_t b = 0, e = S.size();
  while (b < e && S[b] <= u' ') ++b;
  while (e > b && S[e - 1] <= u' ') --e;
  return S.substr(b, e - b);
}

// X taken to the nearest integer (halves to even), limited to the int range;
// 0 for NaN.
inline int RoundToInt(float X) {
  if (!(X == X)) return 0;
  const double r = std::nearbyint(double(X));
  if (r >= 2147483647.0) return 2147483647;
  if (r <= -2147483648.0) return -2147483647 - 1;
  return int(r);
}

inline bool StartsWithText(StringView S, StringView Prefix) {
  return S.size() >= Prefix.size() && S.substr(0, Prefix.size()) == Prefix;
}

}  // namespace ht
