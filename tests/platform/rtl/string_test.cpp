#include "platform/rtl/string.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
  const String s = u"a\u00E9\u20AC\U0001F600z";
  EXPECT_EQ(StringToUtf8(s), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToString(StringToUtf8(s)), s);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  struct Case {
    std::string in;
    String out;
  } cases[] = {
      {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong lead bytes are invalid
      {"\xE2\x82", u"\uFFFD"},                 // truncated at the end
      {"\xED\xA0\x80x", u"\uFFFDx"},           // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},         // above U+10FFFF
      {"a\x80" "b", u"a\uFFFDb"},              // stray continuation byte
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToString(c.in), c.out) << c.in;
}

TEST(Utf8, LoneSurrogatesWriteReplacement) {
  EXPECT_EQ(StringToUtf8(String(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(StringToUtf8(String(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(AsciiCase, FoldsOnlyAscii) {
  EXPECT_EQ(AsciiLowerCase(u"DiV\u00C9"), u"div\u00C9");
  EXPECT_TRUE(SameTextAscii(u"Inline-Block", u"inline-BLOCK"));
  EXPECT_FALSE(SameTextAscii(u"abc", u"abcd"));
}

}  // namespace
}  // namespace ht
