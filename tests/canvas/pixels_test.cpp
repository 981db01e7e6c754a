#include "canvas/pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/rtl/cpu_features.h"

namespace ht {
namespace {

using FillFn = void (*)(uint32_t, void*, int64_t);

// Fills Count slots starting `offset` bytes into a guarded buffer and returns
// the whole buffer, so writes outside the run show up.
std::vector<unsigned char> fillGuarded(FillFn fill, uint32_t value, int64_t count, size_t offset) {
  std::vector<unsigned char> buf(offset + 64 * 4 + 64, 0xCD);
  fill(value, buf.data() + offset, count);
  return buf;
}

TEST(FillPixels32, WritesExactlyTheSlots) {
  for (int64_t count : {-5, 0, 1, 3, 4, 7, 8, 13, 64}) {
    auto buf = fillGuarded(FillPixels32, 0x11223344, count, 4);
    for (size_t i = 0; i < buf.size(); i += 4) {
      uint32_t v;
      std::memcpy(&v, buf.data() + i, 4);
      bool inside = i >= 4 && int64_t(i) < 4 + (count > 0 ? count : 0) * 4;
      EXPECT_EQ(v, inside ? 0x11223344u : 0xCDCDCDCDu) << "count " << count << " slot " << i / 4;
    }
  }
}

// Every vector path writes the bytes the plain loop writes, at any start.
TEST(FillPixels32, VectorPathsMatchScalar) {
  std::vector<std::pair<const char*, FillFn>> paths = {{"dispatch", FillPixels32}};
  if (CpuFeatures().SSE2) paths.emplace_back("sse2", FillPixels32SSE2);
  if (CpuFeatures().AVX2) paths.emplace_back("avx2", FillPixels32AVX2);
  std::mt19937 rng(20261210);
  for (int round = 0; round < 400; ++round) {
    uint32_t value = rng();
    int64_t count = int64_t(rng() % 65);
    size_t offset = rng() % 32;  // unaligned starts, not only multiples of 4
    auto expected = fillGuarded(FillPixels32Scalar, value, count, offset);
    for (auto [name, fn] : paths)
      ASSERT_EQ(fillGuarded(fn, value, count, offset), expected)
          << name << " count " << count << " offset " << offset;
  }
}

}  // namespace
}  // namespace ht
