#pragma once
// Free string routines used across the engine: prefix and suffix tests, a
// fast character search, word extraction, replacement and number reading.
// Character positions at this API are 1-based (0 means "not found") and
// count UTF-16 units. Comparisons are exact and case-sensitive. None of these
// routines raises.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/enum_table.h"
#include "platform/rtl/string.h"

namespace ht {

// An empty prefix gives false.
bool StrStartsWith(StringView s, StringView prefix);
bool RawStrStartsWith(std::string_view s, std::string_view prefix);
// An empty suffix gives true, also for an empty s.
bool StrEndsWith(StringView s, StringView suffix);
bool StrInArray(StringView s, std::initializer_list<StringView> items);
bool StrInArray(StringView s, const std::vector<String>& items);

// The 1-based position of the first ch at or after the 1-based start; 0 when
// there is none or start lies beyond the end. A start below 1 counts as 1.
int PosCharFrom(char16_t ch, StringView s, int start);

// A-Z to a-z; every other character unchanged.
char16_t LowerCaseChar(char16_t ch);

// Replaces every oldChar by newChar in place.
void ReplaceChar(String& s, char16_t oldChar, char16_t newChar);
// Every occurrence of oldPattern, left to right without overlaps, replaced
// by newPattern. Source comes back unchanged (moved, not copied) when
// oldPattern is empty, longer than source or absent.
String FastReplaceStr(String source, StringView oldPattern, StringView newPattern);

// Skips leading delimiters; the word runs to the next delimiter or the end.
// wordOnly: returns the word and removes it and its ending delimiter from s.
// Otherwise: returns everything before that delimiter (leading delimiters
// included) and leaves s starting at the delimiter. Nothing happens when s
// or delimiters is empty.
String ExtractWord(String& s, StringView delimiters, bool wordOnly);
// s becomes value when empty, else s + separator + value.
void AppendDelimited(String& s, StringView value, StringView separator);

// A strict decimal reader: optional leading spaces and sign, digits, "." or
// "," with at most seven significant fraction digits, an exponent without
// "+" up to 16 (a larger one gives 0). Any text not read to its very end
// gives 0.
double FastStrToFloat(StringView s);
// Hexadecimal digits with an optional "0x" prefix and "h"/"H" suffix.
// Digits past "f" still count (g = 16 ... z = 35) and other characters count
// as -1 in their place; the sum wraps in 32 bits.
int32_t HexStrToInt(StringView s);
// Halves away from zero: 2.5 gives 3, -2.5 gives -3. Saturates at the int
// range; NaN gives 0.
int RoundHalfAway(double x);
inline bool IsInRange(int value, int min, int max) { return min <= value && value <= max; }
inline bool IsInRangeF(float value, float min, float max) { return min <= value && value <= max; }

// The keyword rule: name's hyphens removed, prefix + name looked up among
// the value names of E ignoring case. value is the ordinal, -1 when none.
template <class E>
bool TryGetEnumValue(StringView prefix, StringView name, int& value) {
  const String plain = FastReplaceStr(String(name), u"-", u"");
  const auto& names = TEnumInfo<E>::Names;
  value = enum_detail::FindKeyword(names.data(), names.size(), prefix, plain);
  return value >= 0;
}

}  // namespace ht
