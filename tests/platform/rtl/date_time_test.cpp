#include "platform/rtl/date_time.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

TEST(DateTime, DayCountFromTheEpoch) {
  struct Case {
    int y, m, d;
    double days;
  };
  const Case cases[] = {
      {1899, 12, 30, 0}, {1899, 12, 31, 1}, {1900, 1, 1, 2},       {1900, 3, 1, 61},
      {1970, 1, 1, 25569}, {2000, 2, 29, 36585}, {2021, 3, 5, 44260}, {1899, 12, 29, -1},
      {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days);
    int y = 0, m = 0, d = 0;
    DecodeDate(c.days, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
  }
}

TEST(DateTime, ImpossibleDatesAreRejected) {
  TDateTime date = 0;
  EXPECT_FALSE(TryEncodeDate(2021, 2, 29, date));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, date));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, date));
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, date));
  EXPECT_FALSE(TryEncodeDate(2021, 4, 31, date));
  EXPECT_FALSE(TryEncodeDate(2021, 13, 1, date));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, date));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, date));
  EXPECT_THROW(EncodeDate(2021, 2, 31), EConvertError);
}

}  // namespace
}  // namespace ht
