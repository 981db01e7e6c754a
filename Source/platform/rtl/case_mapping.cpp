#include "platform/rtl/case_mapping.h"

#include <unicode/uchar.h>

namespace ht {

namespace {

template <class Map>
void mapSameLengthInPlace(String& out, Map map) {
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
}

template <class Map>
String mapSameLength(StringView s, Map map) {
  String out(s);
  mapSameLengthInPlace(out, map);
  return out;
}

// ASCII letters without asking ICU; everything else by its simple mapping.
UChar32 lower(UChar32 c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  return u_tolower(c);
}

}  // namespace

String UpperCaseSameLength(StringView s) { return mapSameLength(s, [](UChar32 c) { return u_toupper(c); }); }
String LowerCaseSameLength(StringView s) { return mapSameLength(s, lower); }

void LowerCaseSameLength(StringView s, String& Out) {
  Out.assign(s);
  mapSameLengthInPlace(Out, lower);
}

}  // namespace ht
