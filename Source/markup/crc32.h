#pragma once
// A cheap fingerprint of strings: the reflected CRC-32 (polynomial
// 0xEDB88320) over the low byte of each UTF-16 unit.
#include <cstdint>

#include "platform/rtl/string.h"

namespace ht {

// Starts at 0xFFFFFFFF, stops at the first U+0000, and is not inverted at
// the end: over ASCII text it is the complement of the standard CRC-32
// ("123456789" gives 0x340BC6D9). An empty s gives 0xFFFFFFFF.
uint32_t StrCRC32(StringView s);

}  // namespace ht
