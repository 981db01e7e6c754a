#include "canvas/pixel_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/rtl/cpu_features.h"

namespace ht {
namespace {

using RowFn = void (*)(uint8_t*, const uint8_t*, int);

// Runs a plain and a vector routine on the same random rows of 0 to 64
// pixels at every offset and compares every byte of the buffer, the bytes
// around the row included.
void compareRoutines(RowFn plain, RowFn vector, int BytesPerPixel, int MaskBitsPerPixel) {
  std::mt19937 rng(99);
  for (int count = 0; count <= 64; ++count) {
    for (int offset = 0; offset < 16; ++offset) {
      std::vector<uint8_t> a(size_t(count * BytesPerPixel + 32)), mask(size_t(count * MaskBitsPerPixel / 8 + 24));
      for (uint8_t& v : a) v = uint8_t(rng());
      for (uint8_t& v : mask) v = uint8_t(rng());
      std::vector<uint8_t> b = a;
      // 32-bit pixels keep their natural alignment, 16-byte alignment varies.
      const int at = BytesPerPixel == 4 ? offset & ~3 : offset;
      const uint8_t* m = mask.data() + offset % 8;
      plain(a.data() + at, m, count);
      vector(b.data() + at, m, count);
      ASSERT_EQ(a, b) << "count " << count << " offset " << offset;
    }
  }
}

TEST(PixelRows, PlainResults) {
  uint8_t bgr[7] = {1, 2, 3, 4, 5, 6, 7};
  SwapBGR24Scalar(bgr, 2);
  EXPECT_EQ(std::vector<uint8_t>(bgr, bgr + 7), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 7}));

  uint32_t px[9] = {0x11223344, 0x11223344, 0x11223344, 0, 0, 0, 0, 0, 0x55667788};
  const uint8_t bits[2] = {0x5F, 0x00};  // 01011111 0
  ApplyMaskRow1Scalar(reinterpret_cast<uint8_t*>(px), bits, 9);
  EXPECT_EQ(px[0], 0xFF223344u);
  EXPECT_EQ(px[1], 0x00223344u);
  EXPECT_EQ(px[2], 0xFF223344u);
  EXPECT_EQ(px[8], 0xFF667788u);
  uint32_t wide[3];
  Expand24to32Scalar(bgr, wide, 2);
  EXPECT_EQ(wide[0], 0xFF010203u);
  Expand1to32Scalar(bits, wide, 3, 7, 9);
  EXPECT_EQ(std::vector<uint32_t>(wide, wide + 3), (std::vector<uint32_t>{7, 9, 7}));
  const uint8_t bytes[2] = {0x12, 0x34};
  ApplyMaskRow8Scalar(reinterpret_cast<uint8_t*>(px), bytes, 2);
  EXPECT_EQ(px[0], 0x12223344u);
  EXPECT_EQ(px[1], 0x34223344u);
  EXPECT_EQ(px[2], 0xFF223344u);
}

TEST(PixelRows, VectorRoutinesMatchPlainOnes) {
  if (CpuFeatures().SSE2) {
    compareRoutines(ApplyMaskRow8Scalar, ApplyMaskRow8Sse2, 4, 8);
    compareRoutines(ApplyMaskRow1Scalar, ApplyMaskRow1Sse2, 4, 1);
  }
  if (CpuFeatures().SSE42) {
    compareRoutines([](uint8_t* p, const uint8_t*, int n) { SwapBGR24Scalar(p, n); },
                    [](uint8_t* p, const uint8_t*, int n) { SwapBGR24Sse42(p, n); }, 3, 0);
    // Expansions write 32-bit pixels from the mask argument as source.
    compareRoutines([](uint8_t* p, const uint8_t* m, int n) { Expand24to32Scalar(m, reinterpret_cast<uint32_t*>(p), n); },
                    [](uint8_t* p, const uint8_t* m, int n) { Expand24to32Sse42(m, reinterpret_cast<uint32_t*>(p), n); },
                    4, 24);
  }
  if (CpuFeatures().SSE2) {
    compareRoutines(
        [](uint8_t* p, const uint8_t* m, int n) { Expand1to32Scalar(m, reinterpret_cast<uint32_t*>(p), n, 0xFF000000, 0xFFFFFFFF); },
        [](uint8_t* p, const uint8_t* m, int n) { Expand1to32Sse2(m, reinterpret_cast<uint32_t*>(p), n, 0xFF000000, 0xFFFFFFFF); },
        4, 1);
  }
}

}  // namespace
}  // namespace ht
