#include "platform/rtl/case_mapping.h"

#include <unicode/uchar.h>

namespace ht {

namespace {

template <class Map>
String mapSameLength(StringView s, Map map) {
  String out(s);
  for (size_t i = 0; i < out.size();) {
    char32_t cp = out[i];
    size_t n = 1;
    if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
      cp = CombineSurrogates(out[i], out[i + 1]);
      n = 2;
    } else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i])) {
      ++i;  // unpaired: kept
      continue;
    }
    const char32_t m = char32_t(map(UChar32(cp)));
    const size_t mn = m > 0xFFFF ? 2 : 1;
    if (m != cp && mn == n) {
      if (n == 1) {
        out[i] = char16_t(m);
      } else {
        const char32_t v = m - 0x10000;
        out[i] = char16_t(0xD800 + (v >> 10));
        out[i + 1] = char16_t(0xDC00 + (v & 0x3FF));
      }
    }
    i += n;
  }
  return out;
}

}  // namespace

String UpperCaseSameLength(StringView s) { return mapSameLength(s, [](UChar32 c) { return u_toupper(c); }); }
String LowerCaseSameLength(StringView s) { return mapSameLength(s, [](UChar32 c) { return u_tolower(c); }); }

}  // namespace ht
