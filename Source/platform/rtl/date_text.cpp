#include "platform/rtl/date_text.h"

#include <cmath>

#include "platform/rtl/format.h"

namespace ht {

namespace {

// Reads Count digits at Pos; false when any is not a digit.
bool digits(StringView s, size_t Pos, size_t Count, int& Value) {
  if (Pos + Count > s.size()) return false;
  Value = 0;
  for (size_t i = Pos; i < Pos + Count; ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    Value = Value * 10 + (s[i] - u'0');
  }
  return true;
}

String twoDigits(int V) { return Format(u"%d%d", V / 10 % 10, V % 10); }

}  // namespace

String DateToStr(TDateTime Value) {
  int y = 0, m = 0, d = 0;
  DecodeDate(Value, y, m, d);
  String year = Format(u"%d", y);
  while (year.size() < 4) year.insert(year.begin(), u'0');
  return year + u"-" + twoDigits(m) + u"-" + twoDigits(d);
}

String TimeToStr(TDateTime Value) {
  double frac = std::fabs(Value - std::trunc(Value));
  int seconds = int(std::lround(frac * 86400.0));
  if (seconds >= 86400) seconds = 86399;
  return twoDigits(seconds / 3600) + u":" + twoDigits(seconds / 60 % 60) + u":" + twoDigits(seconds % 60);
}

TDateTime StrToDate(StringView Text) {
  const StringView t = TrimBlanks(Text);
  int y = 0, m = 0, d = 0;
  TDateTime result = 0;
  if (t.size() != 10 || t[4] != u'-' || t[7] != u'-' || !digits(t, 0, 4, y) || !digits(t, 5, 2, m) ||
      !digits(t, 8, 2, d) || !TryEncodeDate(y, m, d, result))
    throw EConvertError(Format(u"'%s' is not a valid date", String(Text)));
  return result;
}

TDateTime StrToTime(StringView Text) {
  const StringView t = TrimBlanks(Text);
  int h = 0, n = 0, s = 0;
  const bool shape = (t.size() == 5 || (t.size() == 8 && t[5] == u':')) && t[2] == u':';
  if (!shape || !digits(t, 0, 2, h) || !digits(t, 3, 2, n) || (t.size() == 8 && !digits(t, 6, 2, s)) || h > 23 ||
      n > 59 || s > 59)
    throw EConvertError(Format(u"'%s' is not a valid time", String(Text)));
  return (h * 3600.0 + n * 60.0 + s) / 86400.0;
}

}  // namespace ht
