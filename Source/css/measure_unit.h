#pragma once
// The units a CSS length, time or angle is written in. The order is stored in
// compiled values; muNone is a bare number.
#include <cstdint>

#include "platform/rtl/enum_table.h"

namespace ht {

#define HT_MEASURE_UNIT_VALUES(X) \
  X(muPX)                         \
  X(muPercent)                    \
  X(muIN)                         \
  X(muMM)                         \
  X(muPt)                         \
  X(muCM)                         \
  X(muEM)                         \
  X(muEX)                         \
  X(muPC)                         \
  X(muMS)                         \
  X(muS)                          \
  X(muREM)                        \
  X(muVW)                         \
  X(muVH)                         \
  X(muDeg)                        \
  X(muNone)
HT_ENUM(TMeasureUnit, uint8_t, HT_MEASURE_UNIT_VALUES);

// The unit's CSS text ("px", "%", ...; empty for muNone).
StringView MeasureUnitText(TMeasureUnit Unit);

}  // namespace ht
