#include "platform/rtl/code_pages.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

TEST(CodePages, AnsiIsWindows1252WithAnExactByteRoundTrip) {
  EXPECT_EQ(SystemAnsiCodePage(), 1252);
  std::string every(256, '\0');
  for (int i = 0; i < 256; ++i) every[i] = char(i);
  const String text = AnsiToString(every);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text[0x80], u'\u20AC');
  EXPECT_EQ(text[0x9F], u'\u0178');
  for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(text[undefined], char16_t(undefined));
  EXPECT_EQ(text[0xE9], u'\u00E9');
  EXPECT_EQ(StringToAnsi(text), every);
  EXPECT_EQ(CodePageToString(every, CP_ACP), text);
  EXPECT_EQ(StringToCodePage(text, 1252), every);
  // Characters 1252 cannot hold, a surrogate pair among them, become one "?" each.
  EXPECT_EQ(StringToAnsi(u"a\u0100\U0001F600\u0080b"), "a???b");
}

TEST(CodePages, NumberedCodePages) {
  struct Case {
    int codePage;
    std::string bytes;
    String text;
  };
  const Case cases[] = {
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", u"\u041f\u0440\u0438\u0432\u0435\u0442"},
      {866, "\x8F\xE0\xA8", u"\u041f\u0440\u0438"},
      {20866, "\xF0\xD2\xC9", u"\u041f\u0440\u0438"},
      {28592, "\xA3\xF3" "d\xBC", u"\u0141\u00f3d\u017a"},
      {1250, "\xA3\xF3" "d\x9F", u"\u0141\u00f3d\u017a"},
      {932, "\x93\xFA\x96\x7B", u"\u65e5\u672c"},
      {936, "\xD6\xD0\xCE\xC4", u"\u4e2d\u6587"},
      {950, "\xA4\xA4\xA4\xE5", u"\u4e2d\u6587"},
      {949, "\xC7\xD1\xB1\xDB", u"\ud55c\uae00"},
      {65001, "\xE2\x82\xAC", u"\u20ac"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    EXPECT_TRUE(IsCodePageSupported(c.codePage));
    EXPECT_EQ(CodePageToString(c.bytes, c.codePage), c.text);
    EXPECT_EQ(StringToCodePage(c.text, c.codePage), c.bytes);
  }
  EXPECT_EQ(StringToCodePage(u"a\u4e2d", 1251), "a?");
  EXPECT_EQ(CodePageToString("", 1251), u"");
}

TEST(CodePages, UnknownCodePageRaises) {
  EXPECT_FALSE(IsCodePageSupported(12345));
  try {
    CodePageToString("abc", 12345);
    FAIL() << "no exception";
  } catch (const EEncodingError& e) {
    EXPECT_EQ(e.Message(), u"Code page 12345 is not supported");
  }
  EXPECT_THROW(StringToCodePage(u"abc", -3), EEncodingError);
}

}  // namespace
}  // namespace ht
