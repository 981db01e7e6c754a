#include "markup/date_utils.h"

#include <climits>

#include "markup/str_utils.h"

namespace ht {

namespace {

bool isLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c > 0x80; }


// A decimal integer with an optional sign and nothing else.
bool readInt(StringView s, int& value) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (!IsAsciiDigit(s[i])) return false;
    v = v * 10 + (s[i] - u'0');
    if (v > INT_MAX) return false;
  }
  value = int(negative ? -v : v);
  return true;
}

// The month of an abbreviation at the start of s (at least three units); 0
// when it is none. The first letter is case-folded, later ones must be
// lower case.
int monthFromName(StringView s) {
  const char16_t c0 = s[0];
  const char16_t c1 = s[1];
  const char16_t c2 = s[2];
  if (c0 > 0x80) {
    switch (c0) {
      case u'я': return 1;
      case u'ф': return c1 == u'е' ? 2 : 0;
      case u'м': return c2 == u'р' ? 3 : (c2 == u'й' || c2 == u'я') ? 5 : 0;
      case u'а': return c1 == u'п' ? 4 : c1 == u'в' ? 8 : 0;
      case u'и': return c2 == u'н' ? 6 : c2 == u'л' ? 7 : 0;
      case u'с': return c1 == u'е' ? 9 : 0;
      case u'о': return c1 == u'к' ? 10 : 0;
      case u'н': return c1 == u'о' ? 11 : 0;
      case u'д': return c1 == u'е' ? 12 : 0;
      default: return 0;
    }
  }
  switch (LowerCaseChar(c0)) {
    case u'j': return c1 == u'a' ? 1 : c2 == u'n' ? 6 : c2 == u'l' ? 7 : 0;
    case u'f': return c1 == u'e' ? 2 : 0;
    case u'm': return c2 == u'r' ? 3 : c2 == u'y' ? 5 : 0;
    case u'a': return c1 == u'p' ? 4 : c1 == u'u' ? 8 : 0;
    case u's': return c1 == u'e' ? 9 : 0;
    case u'o': return c1 == u'c' ? 10 : 0;
    case u'n': return c1 == u'o' ? 11 : 0;
    case u'd': return c1 == u'e' ? 12 : 0;
    default: return 0;
  }
}

constexpr size_t kEnglishNameLength[13] = {0, 7, 8, 5, 5, 3, 4, 4, 6, 9, 7, 8, 8};

StringView automaticMask(StringView value) {
  const char16_t third = value.size() >= 3 ? value[2] : u'\0';
  const size_t n = value.size();
  if (n <= 11) {
    if (third == u'.') return n == 10 ? u"dd.mm.yyyy" : n == 8 ? u"dd.mm.yy" : u"";
    return n == 10 ? u"yyyy-mm-dd" : n == 11 ? u"dd-mmm-yyyy" : u"dd-mmm-yy";
  }
  if (third == u'.') {
    switch (n) {
      case 19: return u"dd.mm.yyyy hh:nn:ss";
      case 18: return u"dd.mm.yyyy h:nn:ss";
      case 16: return u"dd.mm.yyyy hh:nn";
      case 15: return u"dd.mm.yyyy h:nn";
      case 14: return u"dd.mm.yy hh:nn";
      case 13: return u"dd.mm.yy h:nn";
      default: return u"";
    }
  }
  return third == u'-' ? u"dd-mmm-yyyy hh:nn:ss" : u"yyyy-mm-dd hh:nn:ss";
}

class MaskReader {
 public:
  // shownMask is the mask named in the error message.
  MaskReader(StringView original, StringView value, StringView mask, StringView shownMask)
      : original_(original), value_(value), mask_(mask), shownMask_(shownMask) {}

  TDateTime Parse();

 private:
  [[noreturn]] void fail() const {
    throw EConvertError(u"Date/time string '%s' does not match mask '%s'", original_, shownMask_);
  }
  char16_t maskAt(size_t i) const { return i < mask_.size() ? mask_[i] : u'\0'; }
  size_t run(size_t i, char16_t c) const {
    size_t n = 0;
    while (maskAt(i + n) == c) ++n;
    return n;
  }
  // count units of value from the cursor, trimmed or not, as an integer.
  int take(size_t count, bool trim) {
    StringView piece = value_.substr(pos_, count);
    pos_ += piece.size();
    if (trim) piece = TrimBlanks(piece);
    int v = 0;
    if (!readInt(piece, v)) fail();
    return v;
  }
  // d, dd, h, hh: one digit when a single letter is followed by a non-digit.
  int takeDayLike(size_t letters) {
    if (letters == 1 && !(pos_ + 1 < value_.size() && IsAsciiDigit(value_[pos_ + 1]))) {
      if (!IsAsciiDigit(value_[pos_])) fail();
      return value_[pos_++] - u'0';
    }
    return take(2, true);
  }
  static int twoDigitYear(int y) { return y < 60 ? 2000 + y : 1900 + y; }

  StringView original_, value_, mask_, shownMask_;
  size_t pos_ = 0;
};

TDateTime MaskReader::Parse() {
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  bool dateRead = false, timeRead = false, afternoon = false, morning = false;
  size_t i = 0;
  while (i < mask_.size() && pos_ < value_.size()) {
    const char16_t c = mask_[i];
    const size_t letters = run(i, c);
    if (c == u'd') {
      const size_t used = letters >= 2 ? 2 : 1;
      day = takeDayLike(used);
      dateRead = true;
      i += used;
    } else if (c == u'm' && letters <= 2) {
      month = takeDayLike(letters);
      if (month < 0) fail();
      dateRead = true;
      i += letters;
    } else if ((c == u'm' || c == u'M') && letters >= 3) {
      dateRead = true;
      month = value_.size() - pos_ >= 3 ? monthFromName(value_.substr(pos_)) : 0;
      if (c == u'M') {
        pos_ += month ? kEnglishNameLength[month] : 3;
        i += 3;
      } else if (letters >= 4) {
        while (pos_ < value_.size() && isLetter(value_[pos_])) ++pos_;
        i += 4;
      } else {
        pos_ += 3;
        i += 3;
      }
    } else if (c == u'y' && letters >= 3) {
      const size_t left = value_.size() - pos_;
      if (left < 3) fail();
      if (left == 3 || !IsAsciiDigit(value_[pos_ + 2])) {
        year = twoDigitYear(take(2, true));
      } else {
        year = take(4, true);
        if (year < 0) fail();
      }
      dateRead = true;
      i += 4;
    } else if (c == u'y') {
      year = twoDigitYear(take(2, true));
      dateRead = true;
      i += 2;
    } else if (c == u'h') {
      const size_t used = letters >= 2 ? 2 : 1;
      hour = takeDayLike(used);
      timeRead = true;
      i += used;
    } else if (c == u'n') {
      minute = take(2, true);
      if (minute < 0) fail();
      timeRead = true;
      i += letters >= 2 ? 2 : 1;
    } else if (c == u's') {
      second = take(2, false);
      if (second < 0) fail();
      timeRead = true;
      i += letters >= 2 ? 2 : 1;
    } else if (c == u'p' && i + 1 < mask_.size()) {
      const char16_t marker = LowerCaseChar(value_[pos_]);
      afternoon = marker == u'p';
      morning = marker == u'a';
      pos_ += 2;
      i += 2;
    } else {
      ++pos_;
      ++i;
    }
  }
  if (pos_ > value_.size()) pos_ = value_.size();

  TDateTime date = 0;
  if (dateRead) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || year > 9999) fail();
    if (!TryEncodeDate(year, month, day, date)) fail();
  }
  if (timeRead) {
    if (afternoon && hour < 12) hour += 12;
    // 12 am is the first hour of the day.
    if (morning && hour == 12) hour = 0;
    if (hour < 0 || hour > 23 || minute > 59 || second > 59) fail();
    const double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before the epoch the fraction still counts forwards within the day.
    date = date < 0 ? date - time : date + time;
  }
  return date;
}

}  // namespace

TDateTime ParseDateTimeMask(StringView value, StringView mask) {
  if (value.empty()) return 0;
  if (mask.empty()) {
    mask = automaticMask(value);
    if (mask.empty()) return 0;
  }
  if (mask == u"cisco") {
    StringView v = value;
    const size_t eq = v.find(u'=');
    if (eq != StringView::npos) v.remove_prefix(eq + 1);
    if (!v.empty() && v[0] == u'*') v.remove_prefix(1);
    String stamp(v.substr(0, 8));
    stamp += u' ';
    stamp += TrimBlanks(v.substr(v.size() > 11 ? v.size() - 11 : 0));
    return MaskReader(value, stamp, u"hh:nn:ss mmm d yyyy", mask).Parse();
  }
  return MaskReader(value, value, mask, mask).Parse();
}

}  // namespace ht
