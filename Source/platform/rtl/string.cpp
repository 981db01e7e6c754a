#include "platform/rtl/string.h"

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

String Utf8ToString(std::string_view s) {
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

}  // namespace ht
