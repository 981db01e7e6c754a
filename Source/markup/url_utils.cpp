#include "markup/url_utils.h"

#include <array>
#include <string>

#include "markup/str_utils.h"

namespace ht {

String CombineURL(StringView base, StringView ref) {
  String result;
  if (ref.empty() || ref[0] != u'/') {
    const size_t slash = base.rfind(u'/');
    result.assign(slash == StringView::npos ? base : base.substr(0, slash + 1));
    result.append(ref);
    return result;
  }
  if (ref.size() >= 2 && ref[1] == u'/') {
    const StringView rest = ref.substr(2);
    if (!StrStartsWith(rest, u"http"))
      result = StrStartsWith(base, u"https://") ? u"https://" : u"http://";
    result.append(rest);
    return result;
  }
  size_t from = 0;
  if (StrStartsWith(base, u"http://") || StrStartsWith(base, u"https://")) from = base.find(u"//") + 2;
  const size_t hostEnd = base.find(u'/', from);
  result.assign(hostEnd == StringView::npos ? base : base.substr(0, hostEnd));
  result.append(ref);
  return result;
}

namespace {

// The 256 escapes "%00" ... "%ff".
struct PercentTable {
  std::array<std::array<char16_t, 3>, 256> escapes;
  constexpr PercentTable() : escapes() {
    constexpr char16_t kHex[] = u"0123456789abcdef";
    for (int i = 0; i < 256; ++i) escapes[i] = {u'%', kHex[i >> 4], kHex[i & 15]};
  }
};
constexpr PercentTable kPercent;

bool staysUnescaped(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) return true;
  switch (c) {
    case u'!': case u'(': case u')': case u'*': case u'-':
    case u'.': case u'\\': case u'_': case u'~':
      return true;
    default:
      return false;
  }
}

}  // namespace

namespace {

// Form decoding ("+" a space, "%%" a "%", stops at U+0000) or plain URL
// percent decoding (every unit kept, only "%hh" decoded), into UTF-8 bytes.
std::string percentDecode(StringView s, bool Form) {
  std::string bytes;
  bytes.reserve(s.size());
  for (size_t i = 0; i < s.size() && !(Form && s[i] == 0); ++i) {
    const char16_t c = s[i];
    if (Form && c == u'+') {
      bytes.push_back(' ');
    } else if (c == u'%') {
      if (Form && i + 1 < s.size() && s[i + 1] == u'%') {
        bytes.push_back('%');
        ++i;
      } else if (i + 2 < s.size() && HexDigitValue(s[i + 1]) >= 0 && HexDigitValue(s[i + 2]) >= 0) {
        bytes.push_back(char(HexDigitValue(s[i + 1]) * 16 + HexDigitValue(s[i + 2])));
        i += 2;
      } else {
        bytes.push_back('%');
      }
    } else if (c < 0x80) {
      bytes.push_back(char(c));
    } else {
      // Not encoded text: keep the character rather than its low byte.
      size_t units = IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1]) ? 2 : 1;
      bytes += StringToUtf8(s.substr(i, units));
      i += units - 1;
    }
  }
  return bytes;
}

}  // namespace

String URLDecode(StringView s) { return Utf8ToString(percentDecode(s, true)); }

std::string PercentDecodeBytes(StringView s) { return percentDecode(s, false); }

String PercentDecode(StringView s) { return Utf8ToString(percentDecode(s, false)); }

String URLEncode(StringView s) {
  String out;
  out.reserve(s.size() * 3);
  auto escape = [&](unsigned byte) {
    const auto& e = kPercent.escapes[byte & 0xFF];
    out.append(e.data(), e.size());
  };
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (staysUnescaped(c)) {
      out.push_back(c);
    } else if (c == u' ') {
      out.push_back(u'+');
    } else if (c < 0x80) {
      escape(c);
    } else if (c < 0x800) {
      escape(0xC0 | (c >> 6));
      escape(0x80 | (c & 0x3F));
    } else if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      const char32_t cp = CombineSurrogates(c, s[++i]);
      escape(0xF0 | (cp >> 18));
      escape(0x80 | ((cp >> 12) & 0x3F));
      escape(0x80 | ((cp >> 6) & 0x3F));
      escape(0x80 | (cp & 0x3F));
    } else {
      const char16_t unit = IsHighSurrogate(c) || IsLowSurrogate(c) ? u'\uFFFD' : c;
      escape(0xE0 | (unit >> 12));
      escape(0x80 | ((unit >> 6) & 0x3F));
      escape(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

}  // namespace ht
