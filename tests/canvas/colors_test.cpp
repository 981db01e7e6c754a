#include "canvas/colors.h"

#include <gtest/gtest.h>

#include <limits>

namespace ht {
namespace {

TEST(ColorRoutines, Packing) {
  EXPECT_EQ(MakeRGB(0x12, 0x34, 0x56), 0x123456u);
  EXPECT_EQ(PackARGB(0x80, 0x12, 0x34, 0x56), 0x80123456u);
  EXPECT_EQ(ColorRefToARGB(0x00563412), 0xFF123456u);
  EXPECT_EQ(SwapRedBlue(0xAA123456), 0x00563412u);
  EXPECT_EQ(SwapRedBlue(SwapRedBlue(0x00ABCDEF)), 0x00ABCDEFu);
}

TEST(ColorRoutines, TColorConversion) {
  EXPECT_EQ(TColorToARGB(0x0000FF), 0xFFFF0000u);  // COLORREF red
  EXPECT_EQ(TColorToARGB(0xFF0000), 0xFF0000FFu);
  EXPECT_EQ(ResolveSysColor(0x123456), 0x123456);
  // System colours resolve through the fixed default table.
  EXPECT_EQ(ResolveSysColor(clSystemColor | COLOR_WINDOW), 0xFFFFFF);
  EXPECT_EQ(TColorToARGB(clSystemColor | COLOR_HIGHLIGHT), 0xFF0078D7u);
  EXPECT_EQ(TColorToARGB(clSystemColor | COLOR_INFOBK), 0xFFFFFFE1u);
  EXPECT_EQ(ColorToARGB(nullptr, clSystemColor | COLOR_BTNFACE), 0xFFF0F0F0u);
  EXPECT_EQ(TColorToARGB(clSystemColor | 200), 0xFF000000u);  // unknown index: black
}

TEST(ColorRoutines, LightenColor) {
  const struct {
    uint32_t color;
    uint8_t percent;
    uint32_t result;
  } cases[] = {
      {0xFF000000, 50, 0xFF808080},  // 127.5 rounds up
      {0x80FF0000, 100, 0x80FFFFFF},
      {0x12345678, 0, 0x12345678},
      {0xFF102030, 10, 0xFF283645},
      {0xFF000000, 255, 0xFFFFFFFF},  // capped
  };
  for (const auto& c : cases) EXPECT_EQ(LightenColor(c.color, c.percent), c.result) << c.percent;
}

TEST(ColorRoutines, ApplyOpacity) {
  EXPECT_EQ(ApplyOpacity(0xFF123456, 0.5f), 0x80123456u);  // 127.5 to even
  EXPECT_EQ(ApplyOpacity(0x03123456, 0.5f), 0x02123456u);  // 1.5 to even
  EXPECT_EQ(ApplyOpacity(0xFF123456, 0.99995f), 0xFF123456u);
  EXPECT_EQ(ApplyOpacity(0xFF123456, 0.99f), 0xFC123456u);
  EXPECT_EQ(ApplyOpacity(0xFF123456, 0), 0x00123456u);
  // Out of range and NaN never spill into the colour bytes.
  EXPECT_EQ(ApplyOpacity(0x80123456, 3), 0x80123456u);
  EXPECT_EQ(ApplyOpacity(0x80123456, -1), 0x00123456u);
  EXPECT_EQ(ApplyOpacity(0x80123456, std::numeric_limits<float>::quiet_NaN()), 0x00123456u);
}

}  // namespace
}  // namespace ht
