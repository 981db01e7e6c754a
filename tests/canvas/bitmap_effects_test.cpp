#include "canvas/bitmap_effects.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

TEST(FillPixelRectAlpha, PremultipliesAndClips) {
  THtDibBitmap b(6, 5);
  THtPixelMap m = b.Map();
  FillRectAlpha(m, TRect{4, 3, 10, 10}, 0x80FF0000);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(m.ScanLine(y)[x], x >= 4 && y >= 3 ? 0x80800000u : 0u) << x << "," << y;
  // Empty, inverted and below-the-bitmap rectangles do nothing.
  FillRectAlpha(m, TRect{0, 2, 6, 2}, 0xFFFFFFFF);
  FillRectAlpha(m, TRect{0, 5, 6, 9}, 0xFFFFFFFF);
  FillRectAlpha(m, TRect{3, 0, 1, 2}, 0xFFFFFFFF);
  EXPECT_EQ(m.ScanLine(2)[0], 0u);
  EXPECT_EQ(m.ScanLine(0)[1], 0u);
}

TEST(FillPixelRectAlpha, WholeRowsInEitherOrientation) {
  for (ptrdiff_t sign : {1, -1}) {
    std::vector<uint32_t> px(4 * 6, 0);
    uint8_t* row0 = reinterpret_cast<uint8_t*>(sign > 0 ? px.data() : px.data() + 5 * 4);
    FillPixelRectAlpha(row0, 4, 6, sign * 16, TRect{-3, 1, 9, 3}, 0xFF102030);
    THtPixelMap m{row0, 4, 6, sign * 16, 32};
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(m.ScanLine(y)[x], y == 1 || y == 2 ? 0xFF102030u : 0u);
  }
}

TEST(BitmapAlpha, SetAllAndExceptKeyColour) {
  THtDibBitmap b(3, 1);
  THtPixelMap m = b.Map();
  m.ScanLine(0)[0] = 0x00FF00FF;
  m.ScanLine(0)[1] = 0x12123456;
  m.ScanLine(0)[2] = 0xFF000000;
  SetBitmapAlphaExcept(m, 0xFF, 0xAAFF00FF);  // the key's own alpha does not matter
  EXPECT_EQ(m.ScanLine(0)[0], 0x00FF00FFu);
  EXPECT_EQ(m.ScanLine(0)[1], 0xFF123456u);
  SetBitmapAlpha(m, 0x40);
  EXPECT_EQ(m.ScanLine(0)[0], 0x40FF00FFu);
  EXPECT_EQ(m.ScanLine(0)[2], 0x40000000u);
}

TEST(Create32BitBitmap, SizeAndFill) {
  THtDibBitmap b = Create32BitBitmap(3, 2, 0x80FF0000);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Map().ScanLine(1)[2], 0x80800000u);
  THtDibBitmap empty = Create32BitBitmap(-1, 0, 0xFFFFFFFF);
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.Map().Bits, nullptr);
}

}  // namespace
}  // namespace ht
