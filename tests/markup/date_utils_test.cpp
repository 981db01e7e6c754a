#include "markup/date_utils.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ht {
namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDate(y, mo, d) + (h * 3600 + mi * 60 + s) / 86400.0;
}

TEST(DateUtils, ParsesWithMasks) {
  struct Case {
    const char16_t* value;
    const char16_t* mask;
    double expected;
  };
  const Case cases[] = {
      // Masks chosen from the text's shape.
      {u"05.03.2021", u"", at(2021, 3, 5)},
      {u"05.03.21", u"", at(2021, 3, 5)},
      {u"2021-03-05", u"", at(2021, 3, 5)},
      {u"05-Mar-2021", u"", at(2021, 3, 5)},
      {u"05-mar-99", u"", at(1999, 3, 5)},
      {u"2021-03-05 14:30:00", u"", at(2021, 3, 5, 14, 30)},
      {u"05.03.2021 14:30:15", u"", at(2021, 3, 5, 14, 30, 15)},
      {u"05.03.2021 9:30:15", u"", at(2021, 3, 5, 9, 30, 15)},
      {u"05.03.21 9:30", u"", at(2021, 3, 5, 9, 30)},
      {u"05-Mar-2021 14:30:00", u"", at(2021, 3, 5, 14, 30)},
      {u"05.03.202", u"", 0},  // a dotted shape of no known length
      // Explicit masks.
      {u"5.3.21", u"d.m.yy", at(2021, 3, 5)},
      {u"15.11.1960", u"d.m.yyyy", at(1960, 11, 15)},
      {u"9:05", u"h:nn", 9 * 3600 / 86400.0 + 5 * 60 / 86400.0},
      {u"07:15 pm", u"hh:nn pm", (19 * 60 + 15) / 1440.0},
      {u"12:15 am", u"hh:nn pm", 15 / 1440.0},
      {u"12:15 pm", u"hh:nn pm", (12 * 60 + 15) / 1440.0},
      {u"1 September 2020", u"d mmmm yyyy", at(2020, 9, 1)},
      {u"July 4, 1976", u"MMM d, yyyy", at(1976, 7, 4)},
      {u"3 июл 2022", u"d mmm yyyy", at(2022, 7, 3)},
      {u"29.02.2024", u"dd.mm.yyyy", at(2024, 2, 29)},
      {u"05.03.213", u"dd.mm.yyyy", at(2021, 3, 5)},  // three units left: a two-digit year
      {u"*10:20:30.123 UTC Mon Mar 1 2023", u"cisco", at(2023, 3, 1, 10, 20, 30)},
      {u"stamp=*10:20:30.123 UTC Mon Mar 1 2023", u"cisco", at(2023, 3, 1, 10, 20, 30)},
      {u"", u"dd.mm.yyyy", 0},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(ParseDateTimeMask(c.value, c.mask), c.expected, 1e-9)
        << StringToUtf8(c.value) << " / " << StringToUtf8(c.mask);
}

TEST(DateUtils, MismatchesRaiseWithValueAndMask) {
  struct Case {
    const char16_t* value;
    const char16_t* mask;
  };
  const Case cases[] = {
      {u"31.02.2021", u"dd.mm.yyyy"},  // no such day
      {u"29.02.2023", u"dd.mm.yyyy"},
      {u"05.13.2021", u"dd.mm.yyyy"},
      {u"aa.03.2021", u"dd.mm.yyyy"},
      {u"05.03", u"dd.mm.yyyy"},       // year missing
      {u"05.03.21", u"dd.mm.yyyy"},    // fewer than three units for the year
      {u"24:00", u"hh:nn"},
      {u"10:60", u"hh:nn"},
      {u"05 Foo 2021", u"dd mmm yyyy"},
      {u"05.03.0000", u"dd.mm.yyyy"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.value));
    try {
      ParseDateTimeMask(c.value, c.mask);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(),
                u"Date/time string '" + String(c.value) + u"' does not match mask '" + c.mask + u"'");
    }
  }
}

}  // namespace
}  // namespace ht
