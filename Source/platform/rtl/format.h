#pragma once
// printf-style message formatting for the engine's fixed English messages.
// Supports %s (text), %d (signed integer), %u, %x / %X (hexadecimal), %g
// (shortest float text, locale-independent) and %%. A directive whose
// argument is missing or of the wrong kind prints as written, so a bad
// message never throws while reporting another error.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/rtl/string.h"

namespace ht {

class FormatArg {
 public:
  enum class Kind { Text, Int, UInt, Float };

  FormatArg(StringView v) : kind_(Kind::Text), text_(v) {}
  FormatArg(const String& v) : kind_(Kind::Text), text_(v) {}
  FormatArg(const char16_t* v) : kind_(Kind::Text), text_(v) {}
  template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
  FormatArg(T v) : kind_(Kind::Int), int_(v) {}
  template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_signed_v<T>, int> = 0>
  FormatArg(T v) : kind_(Kind::UInt), uint_(v) {}
  FormatArg(double v) : kind_(Kind::Float), float_(v) {}
  FormatArg(float v) : kind_(Kind::Float), float_(v) {}

  Kind kind() const { return kind_; }
  StringView text() const { return text_; }
  int64_t asInt() const { return kind_ == Kind::UInt ? int64_t(uint_) : int_; }
  uint64_t asUInt() const { return kind_ == Kind::Int ? uint64_t(int_) : uint_; }
  double asFloat() const { return float_; }

 private:
  Kind kind_;
  StringView text_;
  int64_t int_ = 0;
  uint64_t uint_ = 0;
  double float_ = 0;
};

String FormatList(StringView fmt, std::initializer_list<FormatArg> args);

template <class... Args>
String Format(StringView fmt, const Args&... args) {
  return FormatList(fmt, {FormatArg(args)...});
}

// Shortest round-trip decimal text of a double, "." as the point ("1e+20"
// style exponent for very large or small magnitudes, as %g does).
String FloatToText(double v);

}  // namespace ht
