#include "platform/rtl/format.h"

#include <charconv>
#include <cmath>

namespace ht {

String FloatToText(double v) {
  if (std::isnan(v)) return u"NAN";
  if (std::isinf(v)) return v < 0 ? u"-INF" : u"INF";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general);
  return AsciiToString(std::string_view(buf, size_t(res.ptr - buf)));
}

namespace {

void appendUnsigned(String& out, uint64_t v, int base, bool upper) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v, base);
  for (char* p = buf; p != res.ptr; ++p)
    out.push_back(char16_t(upper ? (*p >= 'a' ? *p - 32 : *p) : *p));
}

}  // namespace

String FormatList(StringView fmt, std::initializer_list<FormatArg> args) {
  String out;
  out.reserve(fmt.size() + 16 * args.size());
  auto next = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    const char16_t c = fmt[i];
    if (c != u'%' || i + 1 == fmt.size()) {
      out.push_back(c);
      continue;
    }
    const char16_t d = fmt[i + 1];
    if (d == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    const bool known = d == u's' || d == u'd' || d == u'u' || d == u'x' || d == u'X' || d == u'g';
    if (!known || next == args.end()) {
      out.push_back(c);
      continue;
    }
    const FormatArg& a = *next++;
    ++i;
    switch (d) {
      case u's':
        if (a.kind() == FormatArg::Kind::Text) out.append(a.text());
        else if (a.kind() == FormatArg::Kind::Float) out.append(FloatToText(a.asFloat()));
        else if (a.kind() == FormatArg::Kind::Int && a.asInt() < 0) {
          out.push_back(u'-');
          appendUnsigned(out, uint64_t(0) - uint64_t(a.asInt()), 10, false);
        } else appendUnsigned(out, a.asUInt(), 10, false);
        break;
      case u'd':
      case u'u':
        if (a.kind() == FormatArg::Kind::Text) { out.append(a.text()); break; }
        if (a.kind() == FormatArg::Kind::Float) { out.append(FloatToText(a.asFloat())); break; }
        if (a.kind() == FormatArg::Kind::Int && a.asInt() < 0) {
          out.push_back(u'-');
          appendUnsigned(out, uint64_t(0) - uint64_t(a.asInt()), 10, false);
        } else {
          appendUnsigned(out, a.asUInt(), 10, false);
        }
        break;
      case u'x':
      case u'X':
        if (a.kind() == FormatArg::Kind::Text) { out.append(a.text()); break; }
        // Negative 32-bit values print as their 32-bit pattern, as messages
        // about colours and ids expect.
        if (a.kind() == FormatArg::Kind::Int && a.asInt() < 0 && a.asInt() >= INT32_MIN)
          appendUnsigned(out, uint32_t(int32_t(a.asInt())), 16, d == u'X');
        else
          appendUnsigned(out, a.asUInt(), 16, d == u'X');
        break;
      case u'g':
        if (a.kind() == FormatArg::Kind::Text) out.append(a.text());
        else if (a.kind() == FormatArg::Kind::Float) out.append(FloatToText(a.asFloat()));
        else out.append(FloatToText(double(a.asInt())));
        break;
    }
  }
  return out;
}

}  // namespace ht
