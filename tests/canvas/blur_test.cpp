#include "canvas/blur.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "canvas/matrix.h"
#include "platform/rtl/cpu_features.h"

namespace ht {
namespace {

TEST(GaussKernel, SizesAndFixedPointSum) {
  struct Case {
    float radius;
    int size;
  };
  for (Case c : {Case{0.5f, 1}, Case{1, 2}, Case{2, 5}, Case{5, 14}}) {
    TGaussKernel k;
    MakeGaussKernel(k, c.radius, 255, 1);
    EXPECT_EQ(k.Size, c.size) << c.radius;
    int64_t sum = 0;
    for (int j = -k.Size; j <= k.Size; ++j) sum += k.IntWeight(j);
    EXPECT_GE(sum, 16777215) << c.radius;
    EXPECT_LE(sum, 16777215 + 2 * k.Size + 1) << c.radius;
    EXPECT_EQ(k.IntWeight(-1), k.IntWeight(1));
  }
}

TEST(GaussKernel, RadiusBounds) {
  TGaussKernel k;
  EXPECT_THROW(MakeGaussKernel(k, 0.1f, 255, 1), EAssertionFailed);
  EXPECT_THROW(MakeGaussKernel(k, 0, 255, 1), EAssertionFailed);
  // A huge CSS blur is clamped rather than aborting the paint.
  TGaussKernel big, clamped;
  MakeGaussKernel(big, 1e6f, 255, 1);
  MakeGaussKernel(clamped, 999, 255, 1);
  EXPECT_EQ(big.Size, clamped.Size);
  EXPECT_EQ(big.IntWeight(0), clamped.IntWeight(0));
}

TEST(BlurLine32, UniformLineUnchangedAndImpulseSpreadsSymmetrically) {
  TGaussKernel k;
  MakeGaussKernel(k, 2, 255, 1);
  std::vector<uint32_t> line(21, 0x80402010), work(21);
  BlurLine32(line.data(), 20, k, work.data(), 0, 20, -1, -1);
  for (uint32_t p : line) EXPECT_EQ(p, 0x80402010u);

  std::fill(line.begin(), line.end(), 0);
  line[10] = 0xFFFFFFFF;
  BlurLine32(line.data(), 20, k, work.data(), 0, 20, -1, -1);
  EXPECT_LT(line[10] & 0xFF, 255u);
  for (int d = 1; d <= 10; ++d) EXPECT_EQ(line[10 - d], line[10 + d]) << d;
  EXPECT_NE(line[10 + k.Size], 0u);
  EXPECT_EQ(line[10 + k.Size + 1], 0u);
  // All four channels are treated alike.
  EXPECT_EQ(line[9] & 0xFF, line[9] >> 24);
}

TEST(BlurLine32, RegionEdgesReplicateAndSkipKeepsInnerPixels) {
  TGaussKernel k;
  MakeGaussKernel(k, 1, 255, 1);
  // Pixels outside First..Last never contribute: a bright neighbour just
  // outside the region leaves the uniform region alone.
  std::vector<uint32_t> line = {0xFF, 0x10, 0x10, 0x10, 0x10, 0xFF}, work(6);
  BlurLine32(line.data(), 5, k, work.data(), 1, 4, -1, -1);
  EXPECT_EQ(line, (std::vector<uint32_t>{0xFF, 0x10, 0x10, 0x10, 0x10, 0xFF}));

  std::vector<uint32_t> ramp(12), blurred, skipped;
  work.resize(12);
  for (int i = 0; i < 12; ++i) ramp[size_t(i)] = uint32_t(i * 20);
  blurred = skipped = ramp;
  BlurLine32(blurred.data(), 11, k, work.data(), 0, 11, -1, -1);
  BlurLine32(skipped.data(), 11, k, work.data(), 0, 11, 0, 11);
  for (int i = 0; i < 12; ++i) {
    bool inner = i - k.Size >= 0 && i + k.Size <= 11;
    EXPECT_EQ(skipped[size_t(i)], inner ? ramp[size_t(i)] : blurred[size_t(i)]) << i;
  }
}

struct Bitmap {
  std::vector<uint32_t> px;
  THtPixelMap map;
  Bitmap(int w, int h, bool bottomUp) : px(size_t(w) * h, 0) {
    map.Width = w;
    map.Height = h;
    map.Stride = bottomUp ? -4 * w : 4 * w;
    map.Bits = reinterpret_cast<uint8_t*>(bottomUp ? px.data() + size_t(h - 1) * w : px.data());
  }
  uint32_t& at(int x, int y) { return map.ScanLine(y)[x]; }
};

TEST(BlurBitmapRect, BlursInsideRegionOnlyWhateverTheOrientation) {
  TGaussKernel k;
  MakeGaussKernel(k, 1.5f, 255, 1);
  std::vector<uint32_t> results[2];
  for (bool bottomUp : {false, true}) {
    Bitmap b(20, 16, bottomUp);
    b.at(8, 8) = 0xFFFFFFFF;
    b.at(1, 1) = 0xFFFFFFFF;  // outside the region
    BlurBitmapRect(b.map, k, TRect{4, 4, 12, 12}, TRect{-1, -1, -1, -1});
    EXPECT_EQ(b.at(1, 1), 0xFFFFFFFFu);
    EXPECT_NE(b.at(7, 8), 0u);
    EXPECT_EQ(b.at(7, 8), b.at(9, 8));
    EXPECT_EQ(b.at(8, 7), b.at(8, 9));
    EXPECT_EQ(b.at(7, 8), b.at(8, 7));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) results[bottomUp].push_back(b.at(x, y));
  }
  EXPECT_EQ(results[0], results[1]);
}

TEST(BlurBitmap32, RejectsOtherDepthsAndTinyBlurs) {
  Bitmap b(40, 40, true);
  b.map.PixelBits = 16;
  EXPECT_THROW(
      {
        try {
          BlurBitmap32(b.map, TRect{10, 10, 30, 30}, 3, 0xFF000000, 0, true);
        } catch (const Exception& e) {
          EXPECT_EQ(e.Message(), u"Blur only works for 32-bit bitmaps");
          throw;
        }
      },
      Exception);
  b.map.PixelBits = 32;
  FillRectAlpha(b.map, TRect{10, 10, 30, 30}, 0xFF000000);
  std::vector<uint32_t> before = b.px;
  BlurBitmap32(b.map, TRect{10, 10, 30, 30}, 0.05f, 0xFF000000, 0, true);
  EXPECT_EQ(b.px, before);
}

// The soft shadow of a large rectangle: symmetric, opaque in the middle,
// clear far outside, monotonic across each side.
TEST(BlurBitmap32, LargeRectangleShadowIsSymmetric) {
  for (int radius : {0, 3}) {
    for (bool mirror : {true, false}) {
      const int W = 140, H = 120;
      Bitmap b(W, H, true);
      const TRect r{30, 25, 110, 95};
      FillRectAlpha(b.map, r, 0xFF204060);
      BlurBitmap32(b.map, r, 4, 0xFF204060, radius, mirror);
      EXPECT_EQ(b.at(70, 60), 0xFF204060u);
      EXPECT_EQ(b.at(2, 2), 0u);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          uint32_t a = b.at(x, y) >> 24;
          ASSERT_NEAR(double(a), double(b.at(r.Left + r.Right - 1 - x, y) >> 24), 0) << x << "," << y << " radius " << radius << " mirror " << mirror;
          ASSERT_NEAR(double(a), double(b.at(x, r.Top + r.Bottom - 1 - y) >> 24), 0) << x << "," << y << " radius " << radius << " mirror " << mirror;
        }
      for (int x = 1; x < 60; ++x) EXPECT_GE(b.at(x, 60) >> 24, b.at(x - 1, 60) >> 24) << x;
      EXPECT_GT(b.at(r.Left - 2, 60) >> 24, 0u);
      EXPECT_LT(b.at(r.Left - 2, 60) >> 24, 128u);
    }
  }
}

// The same shadow when the rectangle reaches past the bitmap: clipped, no
// stray writes (checked by the sanitizers), still a shadow inside.
TEST(BlurBitmap32, ClipsToBitmap) {
  Bitmap b(50, 40, false);
  const TRect r{-20, -10, 45, 35};
  FillRectAlpha(b.map, r, 0xFF000000);
  BlurBitmap32(b.map, r, 6, 0xFF000000, 2, true);
  EXPECT_EQ(b.at(10, 10), 0xFF000000u);
  EXPECT_LT(b.at(49, 20) >> 24, 128u);
  // Absurd blurs and radii stay within bounds instead of exhausting memory.
  BlurBitmap32(b.map, r, 1e9f, 0xFF000000, 1 << 30, true);
}

// Box blur: the vector routine must give the scalar routine's bytes.
TEST(BoxBlurRect, NoOpsAndUniformArea) {
  Bitmap b(10, 10, false);
  std::mt19937 rng(5);
  for (uint32_t& p : b.px) p = rng();
  std::vector<uint32_t> before = b.px;
  BoxBlurRect(b.map.Bits, 10, 10, b.map.Stride, TRect{0, 0, 10, 10}, 0);
  EXPECT_EQ(b.px, before);
  BoxBlurRect(b.map.Bits, 10, 10, b.map.Stride, TRect{3, 0, 5, 10}, 4);  // 2 pixels wide
  EXPECT_EQ(b.px, before);
  BoxBlurRect(b.map.Bits, 10, 10, b.map.Stride, TRect{20, 0, 30, 10}, 4);  // outside
  EXPECT_EQ(b.px, before);

  std::fill(b.px.begin(), b.px.end(), 0x7F3A11C0);
  BoxBlurRect(b.map.Bits, 10, 10, b.map.Stride, TRect{-5, -5, 50, 50}, 3);
  for (uint32_t p : b.px) EXPECT_EQ(p, 0x7F3A11C0u);
}

TEST(BoxBlurRect, ThreePixelWindowAverages) {
  // r = 1 on a 4-pixel row: window of 3 with the ends repeated, two passes.
  Bitmap b(4, 4, false);
  for (int y = 0; y < 4; ++y) b.at(0, y) = 0x000000FF;
  BoxBlurRectScalar(b.map.Bits, 4, 4, b.map.Stride, TRect{0, 0, 4, 4}, 1);
  // Pass 1: 255,0,0,0 -> 170, 85, 0, 0 (columns stay uniform). Pass 2:
  // round(141.67), 85, round(28.33), 0.
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(b.at(0, y), 142u);
    EXPECT_EQ(b.at(1, y), 85u);
    EXPECT_EQ(b.at(2, y), 28u);
    EXPECT_EQ(b.at(3, y), 0u);
  }
}

// The box blur by its definition: every output is the rounded mean of the
// 2r + 1 pixels around it, the area's end pixels repeated.
void boxBlurByDefinition(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, TRect R, int Radius) {
  R = TRect(std::max(R.Left, 0), std::max(R.Top, 0), std::min(R.Right, Width), std::min(R.Bottom, Height));
  const int cols = R.Right - R.Left, rows = R.Bottom - R.Top;
  if (cols <= 0 || rows <= 0) return;
  const int r = std::min({Radius, cols / 2 - 1, rows / 2 - 1});
  if (r <= 0) return;
  const float inv = 1.0f / float(2 * r + 1);
  THtPixelMap m{Pixels, Width, Height, Stride, 32};
  auto blurLine = [&](std::vector<uint32_t*> px) {
    std::vector<uint32_t> src;
    for (uint32_t* p : px) src.push_back(*p);
    const int n = int(src.size());
    for (int i = 0; i < n; ++i) {
      uint32_t out = 0;
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int j = -r; j <= r; ++j) sum += (src[size_t(std::clamp(i + j, 0, n - 1))] >> (8 * c)) & 0xFF;
        out |= uint32_t(std::clamp(int(std::nearbyint(float(sum) * inv)), 0, 255)) << (8 * c);
      }
      *px[size_t(i)] = out;
    }
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = R.Top; y < R.Bottom; ++y) {
      std::vector<uint32_t*> line;
      for (int x = R.Left; x < R.Right; ++x) line.push_back(m.ScanLine(y) + x);
      blurLine(line);
    }
    for (int x = R.Left; x < R.Right; ++x) {
      std::vector<uint32_t*> line;
      for (int y = R.Top; y < R.Bottom; ++y) line.push_back(m.ScanLine(y) + x);
      blurLine(line);
    }
  }
}

// Both routines must give the definition's bytes on random images, areas
// and radii, with padded rows, either orientation and rows off 16-byte
// alignment; nothing outside the area may change.
TEST(BoxBlurRect, RoutinesMatchDefinitionOnRandomInput) {
  const bool vector = CpuFeatures().SSE42;
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    const int w = int(rng() % 65), h = int(rng() % 65);
    const int pad = int(rng() % 3), off = 4 * int(rng() % 4);
    const bool bottomUp = rng() & 1;
    const int stridePx = w + pad;
    std::vector<uint8_t> expected(size_t(stridePx) * h * 4 + 16 + off);
    for (uint8_t& v : expected) v = uint8_t(rng());
    std::vector<uint8_t> scalar = expected, sse = expected;
    const ptrdiff_t stride = ptrdiff_t(stridePx) * 4 * (bottomUp ? -1 : 1);
    const size_t row0 = off + (bottomUp && h > 0 ? size_t(h - 1) * stridePx * 4 : 0);
    TRect r(int(rng() % 70) - 5, int(rng() % 70) - 5, 0, 0);
    r.Right = r.Left + int(rng() % 70);
    r.Bottom = r.Top + int(rng() % 70);
    const int radius = int(rng() % 40);
    boxBlurByDefinition(expected.data() + row0, w, h, stride, r, radius);
    BoxBlurRectScalar(scalar.data() + row0, w, h, stride, r, radius);
    ASSERT_EQ(scalar, expected) << "round " << round << " " << w << "x" << h << " r=" << radius;
    if (!vector) continue;
    BoxBlurRectSse42(sse.data() + row0, w, h, stride, r, radius);
    ASSERT_EQ(sse, expected) << "round " << round << " " << w << "x" << h << " r=" << radius;
  }
}

// The AVX2 routine (two rows side by side in the horizontal step, an extra
// ring row) against the scalar one, on areas wide enough for its 8-pixel
// steps and odd enough for its tails.
TEST(BoxBlurRect, Avx2MatchesScalar) {
  if (!CpuFeatures().AVX2) GTEST_SKIP() << "no AVX2";
  std::mt19937 rng(77);
  for (int round = 0; round < 200; ++round) {
    const int w = 1 + int(rng() % 150), h = 1 + int(rng() % 90);
    const bool bottomUp = rng() & 1;
    const int stridePx = w + int(rng() % 3);
    std::vector<uint8_t> scalar(size_t(stridePx) * h * 4);
    for (uint8_t& v : scalar) v = uint8_t(rng());
    std::vector<uint8_t> avx = scalar;
    const ptrdiff_t stride = ptrdiff_t(stridePx) * 4 * (bottomUp ? -1 : 1);
    const size_t row0 = bottomUp ? size_t(h - 1) * stridePx * 4 : 0;
    TRect r(int(rng() % 20) - 5, int(rng() % 20) - 5, 0, 0);
    r.Right = r.Left + int(rng() % 170);
    r.Bottom = r.Top + int(rng() % 100);
    const int radius = 1 + int(rng() % 40);
    BoxBlurRectScalar(scalar.data() + row0, w, h, stride, r, radius);
    BoxBlurRectAvx2(avx.data() + row0, w, h, stride, r, radius);
    ASSERT_EQ(avx, scalar) << "round " << round << " " << w << "x" << h << " r=" << radius;
  }
  // Radii of 128 and more leave the 16-bit sums for the 32-bit ones.
  for (int radius : {127, 128, 140}) {
    const int w = 300, h = 290;
    std::vector<uint8_t> scalar(size_t(w) * h * 4);
    for (uint8_t& v : scalar) v = uint8_t(rng());
    std::vector<uint8_t> avx = scalar;
    BoxBlurRectScalar(scalar.data(), w, h, w * 4, TRect{0, 0, w, h}, radius);
    BoxBlurRectAvx2(avx.data(), w, h, w * 4, TRect{0, 0, w, h}, radius);
    ASSERT_EQ(avx, scalar) << "r=" << radius;
  }
}

}  // namespace
}  // namespace ht
