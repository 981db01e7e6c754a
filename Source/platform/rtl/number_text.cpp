#include "platform/rtl/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace ht {

namespace {

constexpr double kTwo63 = 9223372036854775808.0;

// Decimal digits of n (no sign), written at out; returns the count.
std::size_t writeUnsigned(uint64_t n, char* out) {
  auto res = std::to_chars(out, out + 24, n);
  return std::size_t(res.ptr - out);
}

// Applies the compact rules to "[-]digits[.fraction]" text in place: drops
// trailing fraction zeros and a bare point, the "0" before the point, and the
// sign of a zero magnitude.
std::size_t trimCompact(char* s, std::size_t len) {
  char* point = static_cast<char*>(std::memchr(s, '.', len));
  if (point) {
    while (len > 0 && s[len - 1] == '0') --len;
    if (s + len - 1 == point) --len;
  }
  std::size_t sign = (len > 0 && s[0] == '-') ? 1 : 0;
  bool allZero = true;
  for (std::size_t i = sign; i < len; ++i)
    if (s[i] != '0' && s[i] != '.') { allZero = false; break; }
  if (allZero || len == sign) {
    s[0] = '0';
    return 1;
  }
  if (point && s[sign] == '0' && s + sign + 1 == point) {
    std::memmove(s + sign, s + sign + 1, len - sign - 1);
    --len;
  }
  return len;
}

// Scaled integer n written with a point before its last Digits digits.
std::size_t writeScaled(int64_t n, int digits, char* out) {
  char* p = out;
  uint64_t mag = uint64_t(n);
  if (n < 0) {
    *p++ = '-';
    mag = uint64_t(0) - mag;
  }
  char digitsBuf[24];
  std::size_t count = writeUnsigned(mag, digitsBuf);
  if (digits <= 0) {
    std::memcpy(p, digitsBuf, count);
    return trimCompact(out, std::size_t(p - out) + count);
  }
  std::size_t frac = std::size_t(digits);
  if (count <= frac) {
    *p++ = '.';
    for (std::size_t i = count; i < frac; ++i) *p++ = '0';
    std::memcpy(p, digitsBuf, count);
    p += count;
  } else {
    std::memcpy(p, digitsBuf, count - frac);
    p += count - frac;
    *p++ = '.';
    std::memcpy(p, digitsBuf + count - frac, frac);
    p += frac;
  }
  return trimCompact(out, std::size_t(p - out));
}

// Exact decimal expansion of a double too large for the scaled integer.
std::size_t writeExact(double v, int digits, char* out) {
  auto res = std::to_chars(out, out + kCompactFloatTextMax, v, std::chars_format::fixed, digits);
  return trimCompact(out, std::size_t(res.ptr - out));
}

}  // namespace

std::size_t CompactFloatText(double Value, int Digits, char* Out) {
  if (Digits > 18) throw EIntOverflow(String(u"Integer overflow"));
  if (Digits < 0) Digits = 0;
  if (std::isnan(Value)) {
    std::memcpy(Out, "NAN", 3);
    return 3;
  }
  if (std::isinf(Value)) {
    if (Value < 0) {
      std::memcpy(Out, "-INF", 4);
      return 4;
    }
    std::memcpy(Out, "INF", 3);
    return 3;
  }
  double p = 1;
  for (int i = 0; i < Digits; ++i) p *= 10;  // exact up to 10^22
  // Default rounding mode: nearest, halves to even.
  double whole = std::nearbyint(Value);
  if (std::fabs(Value - whole) * p < 0.5) {
    if (std::fabs(whole) < kTwo63) return writeScaled(int64_t(whole), 0, Out);
    return writeExact(whole, 0, Out);
  }
  double scaled = Value * p;
  if (std::fabs(scaled) < kTwo63) return writeScaled(int64_t(std::nearbyint(scaled)), Digits, Out);
  return writeExact(Value, Digits, Out);
}

String FastFloatToStr(double Value, int Digits) {
  char buf[kCompactFloatTextMax];
  return AsciiToString(std::string_view(buf, CompactFloatText(Value, Digits, buf)));
}

}  // namespace ht
