#pragma once
// Compact decimal text of a float, as SVG path data, recorded drawing and the
// string builders write numbers: at most Digits fraction digits (the value is
// scaled by 10^Digits and rounded half to even), no trailing zeros, no point
// without a fraction, no "0" before the point (".5", "-.05"), "." whatever the
// locale and never an exponent. A zero magnitude is "0" (never "-0").
//
// Values the scaled 64-bit integer cannot hold (|Value| x 10^Digits >= 2^63)
// are written from the exact decimal expansion of the double, correctly
// rounded to Digits fraction digits and trimmed the same way; so 1e20 gives
// "100000000000000000000". NaN gives "NAN", infinities "INF" and "-INF", as
// FloatToText does.
#include <cstddef>

#include "platform/rtl/exception.h"
#include "platform/rtl/string.h"

namespace ht {

// Raised when 10^Digits overflows a 64-bit integer (Digits above 18).
HT_DECLARE_EXCEPTION(EIntOverflow, Exception);

// Room that CompactFloatText may need: the widest finite double written
// without exponent with 18 fraction digits, plus sign and point.
inline constexpr std::size_t kCompactFloatTextMax = 340;

// Writes the compact text into Out (at least kCompactFloatTextMax chars) and
// returns its length. A negative Digits counts as 0; Digits above 18 raises
// EIntOverflow with the message "Integer overflow".
std::size_t CompactFloatText(double Value, int Digits, char* Out);

String FastFloatToStr(double Value, int Digits);

}  // namespace ht
