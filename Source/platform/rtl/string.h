#pragma once
// The engine's text type: UTF-16 code units, indexes count units. UTF-8 is
// used only at the edges (files, libraries, logs, exception what()).
#include <cstdint>
#include <string>
#include <string_view>

namespace ht {

using String = std::u16string;
using StringView = std::u16string_view;

// Lossless for well-formed input; an unpaired surrogate becomes U+FFFD.
std::string StringToUtf8(StringView s);
// Malformed sequences (bad lead, truncated, overlong, surrogate code points,
// above U+10FFFF) each become one U+FFFD.
String Utf8ToString(std::string_view s);
// The plain one-character-at-a-time routine behind the same rules, kept as
// the reference the vector ASCII path is tested against.
String Utf8ToStringScalar(std::string_view s);

// Widens 7-bit ASCII text (literals, numbers printed by to_chars).
String AsciiToString(std::string_view s);

inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// ASCII character classes; every other character, letters beyond ASCII
// included, answers false.
inline bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
inline bool IsHexDigit(char16_t c) { return IsAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
// The value of a hexadecimal digit; -1 for any other character.
inline int HexDigitValue(char16_t c) {
  if (IsAsciiDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
// Blanks are the characters up to U+0020, controls included.
inline bool IsBlankChar(char16_t c) { return c <= u' '; }
// True when s is empty or holds only blanks.
inline bool IsBlankString(StringView s) {
  for (char16_t c : s)
    if (!IsBlankChar(c)) return false;
  return true;
}
// s without leading blanks; without leading and trailing blanks.
inline StringView TrimLeftBlanks(StringView s) {
  while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
  return s;
}
inline StringView TrimBlanks(StringView s) {
  s = TrimLeftBlanks(s);
  while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
  return s;
}
inline char32_t CombineSurrogates(char16_t hi, char16_t lo) {
  return 0x10000 + ((char32_t(hi) - 0xD800) << 10) + (char32_t(lo) - 0xDC00);
}

// ASCII-only case folding: tag, attribute and keyword names are ASCII.
inline char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
inline char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
String AsciiLowerCase(StringView s);
bool SameTextAscii(StringView a, StringView b);
// Lower case of a font family name, for keys and installed-font look-ups:
// ASCII plus the capitals of the scripts family names are written in
// (Latin-1, Latin Extended-A, Greek, Cyrillic). Lengths are kept.
String FontNameLowerCase(StringView s);

}  // namespace ht
