#include "markup/char_direction.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

TEST(CharDirection, Classes) {
  const struct {
    char16_t ch;
    THtTextRunBidi bidi;
  } cases[] = {
      {u'a', bdLTR},     {u'Z', bdLTR},       {u'5', bdWeakLRT},   {u',', bdNeutral},   {0, bdNeutral},
      {u'@', bdNeutral}, {u'`', bdNeutral},   {u'~', bdNeutral},   {0x7F, bdLTR},       {0x05D0, bdRTL},
      {0x0627, bdRTL},   {0x08A0, bdRTL},     {0xFB1D, bdRTL},     {0xFEFB, bdRTL},     {0xFEFF, bdRTL},
      {0x4E2D, bdNeutral}, {0xD800, bdNeutral}, {0x00E9, bdLTR},   {0x0400, bdLTR},     {0x2000, bdLTR},
      {0x2001, bdNeutral}, {0xFF00, bdNeutral},
  };
  for (const auto& c : cases) EXPECT_EQ(CharBidiClass(c.ch), c.bidi) << std::hex << unsigned(c.ch);
}

TEST(CharDirection, ArabicMarks) {
  EXPECT_TRUE(IsArabicMark(0x064B));
  EXPECT_TRUE(IsArabicMark(0x0653));
  EXPECT_FALSE(IsArabicMark(0x0654));
  EXPECT_FALSE(IsArabicMark(0x064A));
}

}  // namespace
}  // namespace ht
