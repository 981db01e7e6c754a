#include "markup/str_utils.h"

#include <gtest/gtest.h>

#include <limits>

#include "markup/char_search.h"

namespace ht {
namespace {

TEST(StrUtils, PrefixSuffixAndMembership) {
  EXPECT_FALSE(StrStartsWith(u"abc", u""));
  EXPECT_TRUE(StrStartsWith(u"abc", u"ab"));
  EXPECT_FALSE(StrStartsWith(u"abc", u"Ab"));
  EXPECT_FALSE(StrStartsWith(u"ab", u"abc"));
  EXPECT_FALSE(RawStrStartsWith("abc", ""));
  EXPECT_TRUE(RawStrStartsWith("abc", "a"));
  EXPECT_TRUE(StrEndsWith(u"", u""));
  EXPECT_TRUE(StrEndsWith(u"abc", u""));
  EXPECT_TRUE(StrEndsWith(u"abc", u"bc"));
  EXPECT_FALSE(StrEndsWith(u"bc", u"abc"));
  EXPECT_TRUE(StrInArray(u"b", {u"a", u"b"}));
  EXPECT_FALSE(StrInArray(u"B", {u"a", u"b"}));
  EXPECT_TRUE(IsBlankString(u""));
  EXPECT_TRUE(IsBlankString(u" \t\r\n"));
  EXPECT_FALSE(IsBlankString(u"  x"));
}

TEST(StrUtils, PosCharFromCountsFromOne) {
  EXPECT_EQ(PosCharFrom(u'/', u"a/b/c", 3), 4);
  EXPECT_EQ(PosCharFrom(u'/', u"a/b/c", 6), 0);
  EXPECT_EQ(PosCharFrom(u'/', u"a/b/c", 2), 2);
  EXPECT_EQ(PosCharFrom(u'/', u"a/b/c", -5), 2);
  EXPECT_EQ(PosCharFrom(u'/', u"", 1), 0);
  EXPECT_EQ(PosCharFrom(u'x', u"a/b/c", 1), 0);
  // Matches in the vector blocks and in the tail, after the selection.
  SelectFindChar();
  const String s = u"abcdefghijklmnopqrstuvwxyz";
  EXPECT_EQ(PosCharFrom(u'z', s, 1), 26);
  EXPECT_EQ(PosCharFrom(u'i', s, 9), 9);
  EXPECT_EQ(PosCharFrom(u'i', s, 10), 0);
}

TEST(StrUtils, ReplaceStr) {
  struct Case {
    const char16_t* source;
    const char16_t* oldPattern;
    const char16_t* newPattern;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"a-b-c", u"-", u"+", u"a+b+c"},        // one unit each
      {u"a-b-c", u"-", u"", u"abc"},           // removal
      {u"aaaa", u"aa", u"b", u"bb"},           // no overlaps
      {u"aaa", u"aa", u"xyz", u"xyza"},        // resumes after the match
      {u"abc", u"", u"x", u"abc"},             // empty pattern
      {u"ab", u"abc", u"x", u"ab"},            // pattern longer than source
      {u"abc", u"B", u"x", u"abc"},            // case-sensitive
      {u"<a><b>", u"<", u"&lt;", u"&lt;a>&lt;b>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FastReplaceStr(c.source, c.oldPattern, c.newPattern), c.expected) << StringToUtf8(c.source);

  // Growth past the first estimate and past the 65535-unit step.
  const String many(100000, u'x');
  const String grown = FastReplaceStr(many, u"x", u"yz");
  EXPECT_EQ(grown.size(), 200000u);
  EXPECT_EQ(grown.find_first_not_of(u"yz"), String::npos);
  EXPECT_EQ(grown.substr(0, 4), u"yzyz");

  String s = u"a.b.c";
  ReplaceChar(s, u'.', u'/');
  EXPECT_EQ(s, u"a/b/c");
}

TEST(StrUtils, ExtractWord) {
  String s = u",,ab,cd";
  EXPECT_EQ(ExtractWord(s, u",", true), u"ab");
  EXPECT_EQ(s, u"cd");
  EXPECT_EQ(ExtractWord(s, u",", true), u"cd");
  EXPECT_EQ(s, u"");

  s = u",,ab,cd";
  EXPECT_EQ(ExtractWord(s, u",", false), u",,ab");
  EXPECT_EQ(s, u",cd");

  s = u",;,";
  EXPECT_EQ(ExtractWord(s, u",;", false), u",;,");
  EXPECT_EQ(s, u"");
  s = u",;,";
  EXPECT_EQ(ExtractWord(s, u",;", true), u"");
  EXPECT_EQ(s, u"");

  s = u"ab";
  EXPECT_EQ(ExtractWord(s, u"", true), u"");
  EXPECT_EQ(s, u"ab");

  s = u"";
  AppendDelimited(s, u"a", u", ");
  AppendDelimited(s, u"b", u", ");
  EXPECT_EQ(s, u"a, b");
}

TEST(StrUtils, FastStrToFloat) {
  struct Case {
    const char16_t* text;
    double expected;
  };
  const Case cases[] = {
      {u"  -1,5", -1.5},     {u"1.5 ", 0},        {u"2e3", 2000},     {u"2e+3", 0},
      {u"1e17", 0},          {u"1e16", double(1e16f)},                 {u"0.123456789", 0.1234567},
      {u"+7", 7},            {u".5", 0.5},        {u"x1", 0},         {u"", 0},
      {u"   ", 0},           {u"1.5x", 0},        {u"25e-1", 2.5},    {u"12", 12},
      {u"\t1", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(FastStrToFloat(c.text), c.expected) << StringToUtf8(c.text);
}

TEST(StrUtils, HexStrToInt) {
  struct Case {
    const char16_t* text;
    int32_t expected;
  };
  const Case cases[] = {
      {u"ff", 255},  {u"0xff", 255}, {u"FFh", 255},       {u"", 0},
      {u"0x", 0},    {u"10", 16},    {u"7fffffff", 0x7FFFFFFF},
      {u"ffffffff", -1},             {u"100000000", 0},   // wraps in 32 bits
      {u"g", 16},    {u"z", 35},     {u"1-", 15},          // past f, and outside the alphabet
      {u"0XFF", 33 * 256 + 255},  // only a lower-case x is a prefix
  };
  for (const auto& c : cases) EXPECT_EQ(HexStrToInt(c.text), c.expected) << StringToUtf8(c.text);
}

TEST(StrUtils, RoundHalfAway) {
  EXPECT_EQ(RoundHalfAway(2.5), 3);
  EXPECT_EQ(RoundHalfAway(-2.5), -3);
  EXPECT_EQ(RoundHalfAway(2.4999), 2);
  EXPECT_EQ(RoundHalfAway(-0.4), 0);
  EXPECT_EQ(RoundHalfAway(1e300), std::numeric_limits<int>::max());
  EXPECT_TRUE(IsInRange(3, 3, 5));
  EXPECT_FALSE(IsInRangeF(5.5f, 3, 5));
}

}  // namespace

#define HT_TEST_DISPLAY_VALUES(X) X(tdsInline) X(tdsBlock) X(tdsInlineBlock)
HT_ENUM(TTestDisplay, uint8_t, HT_TEST_DISPLAY_VALUES);

namespace {

TEST(StrUtils, TryGetEnumValue) {
  int value = 99;
  EXPECT_TRUE(TryGetEnumValue<TTestDisplay>(u"tds", u"inline-block", value));
  EXPECT_EQ(value, tdsInlineBlock);
  EXPECT_TRUE(TryGetEnumValue<TTestDisplay>(u"tds", u"BLOCK", value));
  EXPECT_EQ(value, tdsBlock);
  EXPECT_FALSE(TryGetEnumValue<TTestDisplay>(u"tds", u"flex", value));
  EXPECT_EQ(value, -1);
}

}  // namespace
}  // namespace ht
