#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "markup/date_utils.h"
#include "markup/node.h"
#include "markup/str_utils.h"
#include "platform/rtl/number_text.h"

namespace ht {

namespace {

// The platform's string-to-integer rule: optional leading blanks and sign,
// then decimal digits, or hexadecimal after "$" or "0x"; nothing may follow.
bool tryTextToInt(StringView s, int& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  int base = 10;
  if (i < s.size() && s[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    const char16_t c = s[i];
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (base == 16 && AsciiLower(c) >= u'a' && AsciiLower(c) <= u'f')
      d = AsciiLower(c) - u'a' + 10;
    else
      return false;
    v = v * base + d;
    // Hexadecimal may run to 32 bits: it can spell a negative number.
    if (v > (base == 16 ? int64_t(UINT32_MAX) : int64_t(INT32_MAX) + 1)) return false;
  }
  if (negative) v = -v;
  if (v < INT32_MIN) return false;
  if (v > INT32_MAX) {
    // Hexadecimal text may spell a negative number through the sign bit.
    if (base != 16 || v > int64_t(UINT32_MAX)) return false;
    v = int32_t(uint32_t(v));
  }
  value = int(v);
  return true;
}

String twoDigits(int v) {
  String s(2, u'0');
  s[0] = char16_t(u'0' + v / 10 % 10);
  s[1] = char16_t(u'0' + v % 10);
  return s;
}

String dateText(TDateTime Value) {
  int y, m, d;
  DecodeDate(Value, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d", y);
  return AsciiToString(buf) + u'-' + twoDigits(m) + u'-' + twoDigits(d);
}

// The time of day to the nearest millisecond, as the date-time number holds it.
void splitTime(TDateTime Value, TDateTime& day, int& h, int& n, int& s) {
  day = std::trunc(Value);
  int64_t ms = std::llround(std::fabs(Value - day) * 86400000.0);
  if (ms >= 86400000) {  // rounded up to the next midnight
    ms -= 86400000;
    day += Value < 0 ? -1 : 1;
  }
  const int64_t secs = ms / 1000;
  h = int(secs / 3600);
  n = int(secs / 60 % 60);
  s = int(secs % 60);
}

String timeText(int h, int n, int s) {
  return twoDigits(h) + u':' + twoDigits(n) + u':' + twoDigits(s);
}

TDateTime readDate(const THtNode* node, StringView Name, StringView Mask) {
  const String& value = node->GetAttribute(Name);
  return value.empty() ? 0 : ParseDateTimeMask(value, Mask);
}

}  // namespace

int THtNode::GetAttrI(StringView AttrName) const {
  const String& text = GetAttribute(AttrName);
  int value;
  if (!tryTextToInt(text, value)) throw EConvertError(u"'%s' is not a valid integer value", text);
  return value;
}

void THtNode::SetAttrI(StringView AttrName, int AttrValue) {
  SetAttr(AttrName, AsciiToString(std::to_string(AttrValue)));
}

double THtNode::GetAttrF(StringView AttrName) const { return FastStrToFloat(GetAttribute(AttrName)); }

void THtNode::SetAttrF(StringView AttrName, double AttrValue) {
  // Two fraction digits at most, and always an integer digit before the point.
  String text = FastFloatToStr(AttrValue, 2);
  if (!text.empty() && text[0] == u'.')
    text.insert(0, 1, u'0');
  else if (text.size() > 1 && text[0] == u'-' && text[1] == u'.')
    text.insert(1, 1, u'0');
  SetAttr(AttrName, text);
}

void THtNode::SetFloat(StringView AttrName, double Value) {
  // General form with 15 significant digits; an exponent is written as
  // "E" followed by its sign when negative and its digits ("1E20", "1E-5").
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::general, 15);
  std::string text(buf, r.ptr);
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));  // "E", "NAN", "INF"
  const size_t e = text.find('E');
  if (e != std::string::npos) {
    std::string mantissa = text.substr(0, e);
    std::string exponent = text.substr(e + 1);
    bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) exponent.erase(0, 1);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    text = mantissa + "E" + (negative ? "-" : "") + exponent;
  }
  SetAttr(AttrName, AsciiToString(text));
}

bool THtNode::GetAttrB(StringView AttrName) const {
  const String& v = GetAttribute(AttrName);
  return v == u"1" || v == u"true" || v == u"on";
}

void THtNode::SetAttrB(StringView AttrName, bool AttrValue) { SetAttr(AttrName, AttrValue ? u"1" : u"0"); }

TDateTime THtNode::GetDate(StringView Name) const { return readDate(this, Name, u"yyyy-mm-dd"); }

void THtNode::SetDate(StringView AttrName, TDateTime Value) { SetAttr(AttrName, dateText(Value)); }

TDateTime THtNode::GetDateTime(StringView Name) const {
  // The mask's blank and the written "T" each skip one character.
  return readDate(this, Name, u"yyyy-mm-dd hh:nn:ss");
}

void THtNode::SetDateTime(StringView AttrName, TDateTime Value) {
  TDateTime day;
  int h, n, s;
  splitTime(Value, day, h, n, s);
  SetAttr(AttrName, dateText(day) + u'T' + timeText(h, n, s));
}

TDateTime THtNode::GetTime(StringView Name) const { return readDate(this, Name, u"hh:nn:ss"); }

void THtNode::SetTime(StringView AttrName, TDateTime Value) {
  TDateTime day;
  int h, n, s;
  splitTime(Value, day, h, n, s);
  SetAttr(AttrName, timeText(h, n, s));
}

}  // namespace ht
