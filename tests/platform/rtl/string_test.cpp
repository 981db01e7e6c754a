#include "platform/rtl/string.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

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

// The bulk routine (ASCII sixteen bytes at a time) against the plain one, on
// random mixes of ASCII runs, valid sequences of every length and malformed
// bytes, with odd lengths so runs end at every offset of a block.
TEST(Utf8, BulkDecodingMatchesScalar) {
  const char* pieces[] = {"a", "0123456789abcdef", "<p class=x>", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                          "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\xFF", "\x7F"};
  std::mt19937 rng(99);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int count = int(rng() % 40);
    for (int k = 0; k < count; ++k) {
      const char* piece = pieces[rng() % std::size(pieces)];
      const int repeat = 1 + int(rng() % 20);
      for (int j = 0; j < repeat; ++j) bytes += piece;
    }
    if (!bytes.empty() && rng() % 2) bytes.pop_back();  // cut a sequence short
    ASSERT_EQ(Utf8ToString(bytes), Utf8ToStringScalar(bytes)) << "round " << round;
  }
}

TEST(AsciiCase, FoldsOnlyAscii) {
  EXPECT_EQ(AsciiLowerCase(u"DiV\u00C9"), u"div\u00C9");
  EXPECT_TRUE(SameTextAscii(u"Inline-Block", u"inline-BLOCK"));
  EXPECT_FALSE(SameTextAscii(u"abc", u"abcd"));
}

// Style sheets and the canvases key fonts by this folding, so both sides
// must agree on every script a family name is written in.
TEST(FontNameCase, FoldsTheScriptsOfFamilyNames) {
  const struct {
    const char16_t* name;
    const char16_t* lower;
  } cases[] = {
      {u"Open Sans", u"open sans"},
      {u"\u00C9CRITURE \u00D7", u"\u00E9criture \u00D7"},       // Latin-1; the sign stays
      {u"\u0141\u00F3d\u017A \u0139\u0178", u"\u0142\u00F3d\u017A \u013A\u00FF"},  // Latin Extended-A parities
      {u"\u0391\u03A9 \u0401\u0416", u"\u03B1\u03C9 \u0451\u0436"},  // Greek, Cyrillic
  };
  for (const auto& c : cases) EXPECT_EQ(FontNameLowerCase(c.name), String(c.lower));
}

}  // namespace
}  // namespace ht
