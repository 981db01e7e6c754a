#include "platform/rtl/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ht {
namespace {

struct NumberCase {
  double value;
  int digits;
  const char16_t* text;
};

TEST(FastFloatToStr, CompactForm) {
  const NumberCase cases[] = {
      {3.14159, 2, u"3.14"}, {-0.05, 2, u"-.05"},  {2, 3, u"2"},       {1.05, 1, u"1"},
      {0.05, 1, u"0"},       {123.5, 1, u"123.5"}, {1.5, 2, u"1.5"},   {2.004, 2, u"2"},
      {2.006, 2, u"2.01"},   {0.5, 2, u".5"},      {0.25, 2, u".25"},  {100, 2, u"100"},
      {1.995, 2, u"2"},      {-0.001, 2, u"0"},    {-0.005, 2, u"0"},  {0, 4, u"0"},
      {-0.0, 0, u"0"},       {2.5, 0, u"2"},       {3.5, 0, u"4"},     {-1234.5, 1, u"-1234.5"},
      {0.001, 3, u".001"},   {10.1, 3, u"10.1"},   {-7, 2, u"-7"},     {1.25, -1, u"1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FastFloatToStr(c.value, c.digits), c.text) << c.value << " digits " << c.digits;
}

// Beyond the 64-bit scaled range the exact decimal value is written, still
// without exponent; before, such values wrapped through the integer.
TEST(FastFloatToStr, HugeAndNonFinite) {
  const NumberCase cases[] = {
      {3e9, 2, u"3000000000"},
      {-3e9, 0, u"-3000000000"},
      {1e20, 2, u"100000000000000000000"},
      {-1e20, 0, u"-100000000000000000000"},
      {9.3e18, 0, u"9300000000000000000"},
      {123456789012.5, 8, u"123456789012.5"},
      {std::numeric_limits<double>::quiet_NaN(), 2, u"NAN"},
      {std::numeric_limits<double>::infinity(), 2, u"INF"},
      {-std::numeric_limits<double>::infinity(), 2, u"-INF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FastFloatToStr(c.value, c.digits), c.text) << c.value << " digits " << c.digits;
  String max = FastFloatToStr(std::numeric_limits<double>::max(), 18);
  EXPECT_EQ(max.size(), 309u);
  EXPECT_EQ(max.substr(0, 5), u"17976");
}

TEST(FastFloatToStr, DigitsBeyondEighteenOverflow) {
  EXPECT_EQ(FastFloatToStr(0.5, 18), u".5");
  try {
    FastFloatToStr(0.5, 19);
    FAIL() << "no exception";
  } catch (const EIntOverflow& e) {
    EXPECT_EQ(e.Message(), u"Integer overflow");
  }
}

}  // namespace
}  // namespace ht
