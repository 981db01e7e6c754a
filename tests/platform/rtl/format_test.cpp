#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

TEST(Format, DirectivesUsedByMessages) {
  EXPECT_EQ(Format(u"Invalid tag name %s. Line %d position %d", u"<x", 3, 14),
            u"Invalid tag name <x. Line 3 position 14");
  EXPECT_EQ(Format(u"%x|%X|%d|%u", 255, 0xABCu, -7, 7u), u"ff|ABC|-7|7");
  EXPECT_EQ(Format(u"%x", -1), u"ffffffff");
  EXPECT_EQ(Format(u"%g %g", 0.5, 1e21), u"0.5 1e+21");
  EXPECT_EQ(Format(u"100%% done"), u"100% done");
}

TEST(Format, MissingArgumentsPrintTheDirective) {
  EXPECT_EQ(Format(u"%s and %s", u"one"), u"one and %s");
  EXPECT_EQ(Format(u"trailing %"), u"trailing %");
}

HT_DECLARE_EXCEPTION(ETestError, Exception);

TEST(Exception, CarriesMessageInBothEncodings) {
  try {
    throw ETestError(u"Bad value \u00E9 at %d", 4);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Bad value \u00E9 at 4");
    EXPECT_STREQ(e.what(), "Bad value \xC3\xA9 at 4");
  }
}

}  // namespace
}  // namespace ht
