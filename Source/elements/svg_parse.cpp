#include "elements/svg_parse.h"

#include <charconv>
#include <cmath>
#include <string>

#include "markup/str_utils.h"

namespace ht {

namespace {

bool isBlank(char16_t c) { return c <= u' '; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The length of the number at s[i] ([sign] digits [. digits] [e [sign] digits]); 0 when none.
size_t numberLength(StringView s, size_t i) {
  size_t j = i;
  if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) ++j;
  size_t digits = 0;
  while (j < s.size() && isDigit(s[j])) ++j, ++digits;
  if (j < s.size() && s[j] == u'.') {
    ++j;
    while (j < s.size() && isDigit(s[j])) ++j, ++digits;
  }
  if (digits == 0) return 0;
  if (j < s.size() && (s[j] == u'e' || s[j] == u'E')) {
    size_t k = j + 1;
    if (k < s.size() && (s[k] == u'+' || s[k] == u'-')) ++k;
    if (k < s.size() && isDigit(s[k])) {
      while (k < s.size() && isDigit(s[k])) ++k;
      j = k;
    }
  }
  return j - i;
}

}  // namespace

std::vector<float> ReadSVGNumbers(StringView Text) {
  std::vector<float> out;
  size_t i = 0;
  while (i < Text.size()) {
    while (i < Text.size() && isBlank(Text[i])) ++i;
    if (i < Text.size() && Text[i] == u',') ++i;
    while (i < Text.size() && isBlank(Text[i])) ++i;
    if (i >= Text.size()) break;
    const size_t n = numberLength(Text, i);
    if (n == 0) break;
    std::string ascii;
    ascii.reserve(n);
    for (size_t k = i; k < i + n; ++k) ascii += char(Text[k]);
    const char* first = ascii.c_str();
    if (*first == '+') ++first;
    double v = 0;
    std::from_chars(first, ascii.c_str() + ascii.size(), v);
    out.push_back(float(v));
    i += n;
  }
  return out;
}

String SVGLengthText(StringView Value) {
  const StringView v = TrimBlanks(Value);
  const size_t n = numberLength(v, 0);
  if (n > 0 && n == v.size()) return String(v) + u"px";
  return String(v);
}

}  // namespace ht

namespace ht {

namespace {

String num(float v) {
  if (!std::isfinite(v)) v = 0;
  char buf[48];
  auto r = std::to_chars(buf, buf + sizeof buf, double(v), std::chars_format::general, 9);
  return AsciiToString(std::string(buf, r.ptr));
}

}  // namespace

std::vector<TSVGTransformItem> ParseSVGTransformList(StringView Text) {
  std::vector<TSVGTransformItem> out;
  size_t i = 0;
  while (i < Text.size()) {
    while (i < Text.size() && (Text[i] <= u' ' || Text[i] == u',')) ++i;
    size_t start = i;
    while (i < Text.size() && ((Text[i] >= u'a' && Text[i] <= u'z') || (Text[i] >= u'A' && Text[i] <= u'Z'))) ++i;
    if (i == start) break;
    TSVGTransformItem item;
    item.Name = AsciiLowerCase(Text.substr(start, i - start));
    while (i < Text.size() && Text[i] <= u' ') ++i;
    if (i >= Text.size() || Text[i] != u'(') break;
    const size_t close = Text.find(u')', i);
    if (close == StringView::npos) break;
    item.Args = ReadSVGNumbers(Text.substr(i + 1, close - i - 1));
    for (float& a : item.Args)
      if (!std::isfinite(a)) a = 0;
    out.push_back(std::move(item));
    i = close + 1;
  }
  return out;
}

String SVGTransformToCSS(StringView Text) {
  String css;
  auto add = [&](const String& f) {
    if (!css.empty()) css += u' ';
    css += f;
  };
  for (const TSVGTransformItem& t : ParseSVGTransformList(Text)) {
    const auto& a = t.Args;
    auto arg = [&](size_t k, float d) { return k < a.size() ? a[k] : d; };
    if (t.Name == u"translate") {
      add(u"translate(" + num(arg(0, 0)) + u"px, " + num(arg(1, 0)) + u"px)");
    } else if (t.Name == u"scale") {
      add(u"scale(" + num(arg(0, 1)) + u", " + num(arg(1, arg(0, 1))) + u")");
    } else if (t.Name == u"rotate") {
      if (a.size() >= 3) add(u"translate(" + num(a[1]) + u"px, " + num(a[2]) + u"px)");
      add(u"rotate(" + num(arg(0, 0)) + u"deg)");
      if (a.size() >= 3) add(u"translate(" + num(-a[1]) + u"px, " + num(-a[2]) + u"px)");
    } else if (t.Name == u"matrix" && a.size() >= 6) {
      add(u"matrix(" + num(a[0]) + u", " + num(a[1]) + u", " + num(a[2]) + u", " + num(a[3]) + u", " + num(a[4]) +
          u", " + num(a[5]) + u")");
    }
  }
  return css.empty() ? String(u"none") : css;
}

}  // namespace ht
