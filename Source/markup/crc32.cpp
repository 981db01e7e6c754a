#include "markup/crc32.h"

#include <array>

namespace ht {

namespace {

// Built by the compiler, so it is complete before any code runs.
constexpr std::array<uint32_t, 256> kTable = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    table[i] = c;
  }
  return table;
}();

}  // namespace

uint32_t StrCRC32(StringView s) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char16_t c : s) {
    if (c == 0) break;
    crc = (crc >> 8) ^ kTable[(crc ^ uint8_t(c)) & 0xFF];
  }
  return crc;
}

}  // namespace ht
