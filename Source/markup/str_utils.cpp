#include "markup/str_utils.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "markup/char_search.h"

namespace ht {

bool StrStartsWith(StringView s, StringView prefix) {
  return !prefix.empty() && s.substr(0, prefix.size()) == prefix;
}

bool RawStrStartsWith(std::string_view s, std::string_view prefix) {
  return !prefix.empty() && s.substr(0, prefix.size()) == prefix;
}

bool StrEndsWith(StringView s, StringView suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool StrInArray(StringView s, std::initializer_list<StringView> items) {
  return std::find(items.begin(), items.end(), s) != items.end();
}

bool StrInArray(StringView s, const std::vector<String>& items) {
  return std::find(items.begin(), items.end(), s) != items.end();
}

int PosCharFrom(char16_t ch, StringView s, int start) {
  if (start < 1) start = 1;
  if (s.empty() || size_t(start) > s.size()) return 0;
  const size_t from = size_t(start) - 1;
  const size_t found = FindChar(s.data() + from, ch, s.size() - from);
  return found == 0 ? 0 : int(from + found);
}

char16_t LowerCaseChar(char16_t ch) { return AsciiLower(ch); }

void ReplaceChar(String& s, char16_t oldChar, char16_t newChar) {
  std::replace(s.begin(), s.end(), oldChar, newChar);
}

namespace {

// The first occurrence of pattern in s at or after from, or npos.
size_t findPattern(StringView s, StringView pattern, size_t from) {
  if (pattern.size() == 1) {
    if (from >= s.size()) return StringView::npos;
    const size_t found = FindChar(s.data() + from, pattern[0], s.size() - from);
    return found == 0 ? StringView::npos : from + found - 1;
  }
  return s.find(pattern, from);
}

}  // namespace

String FastReplaceStr(String source, StringView oldPattern, StringView newPattern) {
  if (oldPattern.empty() || oldPattern.size() > source.size()) return source;
  size_t hit = findPattern(source, oldPattern, 0);
  if (hit == StringView::npos) return source;
  if (oldPattern.size() == 1 && newPattern.size() == 1) {
    ReplaceChar(source, oldPattern[0], newPattern[0]);
    return source;
  }
  // Grows by half its length (at most 65535 units, at least what the append
  // needs) and is cut to the exact length at the end.
  String result(source.size() + newPattern.size() - oldPattern.size(), u'\0');
  size_t length = 0;
  auto append = [&](const char16_t* p, size_t n) {
    if (length + n > result.size()) {
      const size_t grow = std::max(std::min<size_t>(result.size() / 2, 65535), length + n - result.size());
      result.resize(result.size() + grow);
    }
    std::copy(p, p + n, result.begin() + ptrdiff_t(length));
    length += n;
  };
  size_t done = 0;
  while (hit != StringView::npos) {
    append(source.data() + done, hit - done);
    append(newPattern.data(), newPattern.size());
    done = hit + oldPattern.size();
    hit = findPattern(source, oldPattern, done);
  }
  append(source.data() + done, source.size() - done);
  result.resize(length);
  return result;
}

String ExtractWord(String& s, StringView delimiters, bool wordOnly) {
  if (s.empty() || delimiters.empty()) return String();
  const size_t first = s.find_first_not_of(delimiters);
  if (first == String::npos) {
    String all;
    all.swap(s);
    return wordOnly ? String() : all;
  }
  size_t end = s.find_first_of(delimiters, first);
  if (end == String::npos) end = s.size();
  String result;
  if (wordOnly) {
    result = s.substr(first, end - first);
    s.erase(0, std::min(end + 1, s.size()));
  } else {
    result = s.substr(0, end);
    s.erase(0, end);
  }
  return result;
}

void AppendDelimited(String& s, StringView value, StringView separator) {
  if (s.empty()) {
    s.assign(value);
  } else {
    s.append(separator);
    s.append(value);
  }
}

namespace {
}  // namespace

double FastStrToFloat(StringView s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == u' ') ++i;
  if (i >= n) return 0;
  bool negative = false;
  const char16_t first = s[i];
  if (first == u'+' || first == u'-') {
    negative = first == u'-';
    ++i;
  } else if (!IsAsciiDigit(first) && first != u'.' && first != u',') {
    return 0;
  }
  double value = 0;
  while (i < n && IsAsciiDigit(s[i])) value = value * 10 + (s[i++] - u'0');
  if (i < n && (s[i] == u'.' || s[i] == u',')) {
    ++i;
    double fraction = 0;
    double scale = 1;
    for (int digits = 0; i < n && IsAsciiDigit(s[i]); ++i, ++digits) {
      if (digits < 7) {
        fraction = fraction * 10 + (s[i] - u'0');
        scale *= 10;
      }
    }
    value += fraction / scale;
  }
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    ++i;
    bool negativeExp = false;
    if (i < n && s[i] == u'-') {
      negativeExp = true;
      ++i;
    }
    int exponent = 0;
    for (int digits = 0; i < n && IsAsciiDigit(s[i]); ++i, ++digits)
      if (digits < 7) exponent = exponent * 10 + (s[i] - u'0');
    if (!negativeExp && exponent > 16) {
      value = 0;
    } else {
      float power = 1;
      for (int k = 0; k < exponent && power != std::numeric_limits<float>::infinity(); ++k)
        power *= 10.0f;
      value = negativeExp ? value / double(power) : value * double(power);
    }
  }
  if (i != n) return 0;
  return negative ? -value : value;
}

int32_t HexStrToInt(StringView s) {
  if (s.empty()) return 0;
  if (s.substr(0, 2) == u"0x") s.remove_prefix(2);
  if (!s.empty() && (s.back() == u'h' || s.back() == u'H')) s.remove_suffix(1);
  static constexpr StringView kAlphabet = u"0123456789abcdefghijklmnopqrstuvwxyz";
  uint32_t sum = 0;
  for (size_t distance = 0; distance < s.size(); ++distance) {
    const char16_t c = LowerCaseChar(s[s.size() - 1 - distance]);
    const size_t found = kAlphabet.find(c);
    const int64_t worth = found == StringView::npos ? -1 : int64_t(found);
    // 16^8 and above are multiples of 2^32: they add nothing in 32 bits.
    if (distance < 8) sum += uint32_t(worth * (int64_t(1) << (4 * distance)));
  }
  return int32_t(sum);
}

int RoundHalfAway(double x) {
  if (std::isnan(x)) return 0;
  const double r = x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
  if (r >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (r <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return int(r);
}

}  // namespace ht
