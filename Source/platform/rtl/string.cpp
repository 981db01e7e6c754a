#include "platform/rtl/string.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ht {

std::string StringToUtf8(StringView s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      cp = CombineSurrogates(s[i], s[i + 1]);
      ++i;
    } else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i])) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

namespace {

// Decodes the multi-byte sequence (or malformed bytes) at s[i], b = s[i] >=
// 0x80, into out; answers the index after it. The same rules as the scalar
// routine: one U+FFFD for each malformed sequence.
inline size_t decodeUtf8Sequence(const uint8_t* s, size_t i, size_t n, uint8_t b, char16_t*& out) {
  int extra;
  char32_t cp, minimum;
  if (b >= 0xC2 && b <= 0xDF) {
    extra = 1; cp = b & 0x1F; minimum = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2; cp = b & 0x0F; minimum = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3; cp = b & 0x07; minimum = 0x10000;
  } else {
    *out++ = u'\uFFFD';
    return i + 1;
  }
  size_t j = i + 1;
  int got = 0;
  while (got < extra && j < n && (s[j] & 0xC0) == 0x80) {
    cp = (cp << 6) | (s[j] & 0x3F);
    ++j;
    ++got;
  }
  if (got < extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    *out++ = u'\uFFFD';
  } else if (cp >= 0x10000) {
    cp -= 0x10000;
    *out++ = char16_t(0xD800 + (cp >> 10));
    *out++ = char16_t(0xDC00 + (cp & 0x3FF));
  } else {
    *out++ = char16_t(cp);
  }
  return j;
}

}  // namespace

// Writes into a buffer sized for the worst case (every byte gives at most
// one unit: a four-byte sequence gives two), widening runs of ASCII sixteen
// bytes at a time.
String Utf8ToString(std::string_view text) {
  String result(text.size(), u'\0');
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  char16_t* const start = result.data();
  char16_t* out = start;
  size_t i = 0;
  while (i < n) {
#if defined(__SSE2__)
    while (i + 16 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const int high = _mm_movemask_epi8(v);
      if (high == 0xFFFF) break;
      // Widen the whole block, then keep only the ASCII units before the first high byte.
      const __m128i zero = _mm_setzero_si128();
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(v, zero));
      if (high == 0) {
        i += 16;
        out += 16;
        continue;
      }
      const int ascii = __builtin_ctz(unsigned(high));
      i += size_t(ascii);
      out += ascii;
      break;
    }
#endif
    if (i >= n) break;
    const uint8_t b = s[i];
    if (b < 0x80) {
      *out++ = char16_t(b);
      ++i;
    } else {
      i = decodeUtf8Sequence(s, i, n, b, out);
    }
  }
  result.resize(size_t(out - start));
  return result;
}

String Utf8ToStringScalar(std::string_view s) {
  String out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const uint8_t b = uint8_t(s[i]);
    if (b < 0x80) {
      out.push_back(char16_t(b));
      ++i;
      continue;
    }
    int extra;
    char32_t cp;
    char32_t minimum;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1; cp = b & 0x1F; minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2; cp = b & 0x0F; minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3; cp = b & 0x07; minimum = 0x10000;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    size_t j = i + 1;
    int got = 0;
    while (got < extra && j < n && (uint8_t(s[j]) & 0xC0) == 0x80) {
      cp = (cp << 6) | (uint8_t(s[j]) & 0x3F);
      ++j;
      ++got;
    }
    if (got < extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
      i = (got < extra) ? j : i + 1 + extra;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i = j;
  }
  return out;
}

String AsciiToString(std::string_view s) {
  String out(s.size(), u'\0');
  for (size_t i = 0; i < s.size(); ++i) out[i] = char16_t(uint8_t(s[i]));
  return out;
}

String AsciiLowerCase(StringView s) {
  String out(s);
  for (auto& c : out) c = AsciiLower(c);
  return out;
}

bool SameTextAscii(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

String FontNameLowerCase(StringView s) {
  String r(s);
  for (char16_t& c : r) {
    if (c < 0x80) {
      c = AsciiLower(c);
    } else if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
               (c >= 0x410 && c <= 0x42F)) {
      c = char16_t(c + 0x20);
    } else if (c >= 0x400 && c <= 0x40F) {
      c = char16_t(c + 0x50);
    } else if (c == 0x178) {
      c = 0xFF;  // the one capital of the block whose small letter is in Latin-1
    } else if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
      // Latin Extended-A pairs capitals and small letters; the parity flips
      // between 0x138 and 0x149 and after 0x178.
      const bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
      if ((c % 2 == 1) == oddCapital) c = char16_t(c + 1);
    }
  }
  return r;
}

}  // namespace ht
