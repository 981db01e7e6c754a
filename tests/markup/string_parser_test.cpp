#include "markup/string_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace ht {
namespace {

TEST(StringParser, EmptyText) {
  TStringParser sp(u"");
  EXPECT_TRUE(sp.Empty());
  EXPECT_TRUE(sp.First());
  EXPECT_EQ(sp.GetCurrent(), 0);
  EXPECT_EQ(sp.Pos(), 1);
  EXPECT_EQ(sp.Line(), 0);
  EXPECT_EQ(sp.Next(), 0);
  String s = u"x";
  sp.ReadWord(s);
  EXPECT_EQ(s, u"");
  s = u"x";
  EXPECT_FALSE(sp.ReadParam(s));
  EXPECT_EQ(s, u"");
  sp.ReadtoChar(u';', s);
  sp.ReadLn(s);
  sp.ReadtoWordBreak(s);
  EXPECT_EQ(s, u"");
  EXPECT_EQ(sp.ReadInt(), 0);
  EXPECT_EQ(sp.ReadHex(), 0);
  EXPECT_EQ(sp.ReadNum(), 0.0);
  EXPECT_EQ(sp.ReadNumEx(), 0.0);
  sp.Skip(3);
  sp.SkipEndBlanks();
  EXPECT_EQ(sp.Pos(), 1);
  EXPECT_EQ(sp.Tail(), u"");
}

TEST(StringParser, CursorQueries) {
  TStringParser sp(u"ab\ncd\nef");
  EXPECT_EQ(sp.CharPos(u'a'), 1);
  EXPECT_EQ(sp.CharPos(u'd'), 5);
  EXPECT_EQ(sp.CharPos(u'z'), 0);
  sp.Skipto(u'd');
  EXPECT_EQ(sp.Pos(), 5);
  EXPECT_EQ(sp.Line(), 1);
  EXPECT_FALSE(sp.First());
  EXPECT_EQ(sp.Tail(), u"d\nef");
  sp.Skip(100);
  EXPECT_TRUE(sp.Empty());
  EXPECT_EQ(sp.Line(), 2);
  EXPECT_EQ(sp.GetCurrent(), 0);
  EXPECT_EQ(sp.Next(), 0);  // never moves past the end
  EXPECT_EQ(sp.Pos(), 9);
}

TEST(StringParser, StartsWithLowerCasesTheText) {
  TStringParser sp(u"CDATA[x");
  EXPECT_TRUE(sp.StartsWith(u"cdata"));
  EXPECT_FALSE(sp.StartsWith(u"CDATA"));
  EXPECT_FALSE(sp.StartsWith(u""));
  EXPECT_FALSE(sp.StartsWith(u"cdata[xy"));  // longer than the text left
  EXPECT_EQ(sp.Pos(), 1);
}

TEST(StringParser, SkipEndBlanks) {
  TStringParser a(u"ab \r\n");
  a.SkipEndBlanks();
  EXPECT_EQ(a.Tail(), u"ab");
  TStringParser b(u"   ");
  b.SkipEndBlanks();
  EXPECT_EQ(b.Tail(), u" ");
  TStringParser c(u"x y\t ");
  c.Skip(2);
  c.SkipEndBlanks();  // tabs stay; the cursor keeps its index
  EXPECT_EQ(c.Pos(), 3);
  EXPECT_EQ(c.Tail(), u"y\t");
}

TEST(StringParser, ReadWordAndLine) {
  TStringParser sp(u"  foo(bar) baz,q");
  String s;
  sp.ReadWord(s);
  EXPECT_EQ(s, u"foo");
  sp.ReadWord(s);  // the first unit is always taken
  EXPECT_EQ(s, u"(bar");
  sp.ReadWord(s, false);
  EXPECT_EQ(s, u")");

  TStringParser ln(u"one\r\ntwo\n\nthree\rfour");
  std::vector<String> lines;
  while (!ln.Empty()) {
    ln.ReadLn(s);
    lines.push_back(s);
  }
  EXPECT_EQ(lines, (std::vector<String>{u"one", u"two", u"", u"three", u"four"}));
}

TEST(StringParser, ReadParam) {
  TStringParser sp(u"(a, b)");
  String s;
  EXPECT_TRUE(sp.ReadParam(s));
  EXPECT_EQ(s, u"a");
  EXPECT_TRUE(sp.ReadParam(s));
  EXPECT_EQ(s, u" b");
  EXPECT_FALSE(sp.ReadParam(s));
  EXPECT_EQ(s, u"");
  EXPECT_TRUE(sp.Empty());
}

TEST(StringParser, ReadtoChar) {
  TStringParser a(u"  a b ;c");
  String s;
  a.ReadtoChar(u';', s, true);
  EXPECT_EQ(s, u"a b");
  EXPECT_EQ(a.GetCurrent(), u'c');

  TStringParser b(u";;x;");
  b.ReadtoChar(u';', s, false);
  EXPECT_EQ(s, u";;x");
  EXPECT_EQ(b.Pos(), 4);

  TStringParser c(u" a,b:c");
  c.ReadtoChars(TCharSet(":,"), s);
  EXPECT_EQ(s, u"a");
  EXPECT_EQ(c.GetCurrent(), u',');
}

TEST(StringParser, ReadtoWordBreak) {
  auto units = [](const String& text) {
    TStringParser sp(text);
    std::vector<String> out;
    String s;
    while (!sp.Empty()) {
      sp.ReadtoWordBreak(s);
      out.push_back(s);
    }
    return out;
  };
  EXPECT_EQ(units(u"hello world-wide"), (std::vector<String>{u"hello", u" world", u"-wide"}));
  EXPECT_EQ(units(u"a/ b"), (std::vector<String>{u"a", u"/ b"}));
  // An ideograph followed by a closing mark keeps the mark.
  EXPECT_EQ(units(u"\u4E00\u4E01\u4E02!"), (std::vector<String>{u"\u4E00", u"\u4E01\u4E02!"}));
  EXPECT_EQ(units(u"\u4E00\u4E01!"), (std::vector<String>{u"\u4E00\u4E01!"}));
  EXPECT_EQ(units(u"\u4E00\u4E01\u201Dab"), (std::vector<String>{u"\u4E00\u4E01\u201Dab"}));
  // An ideographic mark (U+3002) stops the second scan at once.
  EXPECT_EQ(units(u"\u4E00\u4E01\u3002"), (std::vector<String>{u"\u4E00\u4E01", u"\u3002"}));
}

TEST(StringParser, IntegerReaders) {
  TStringParser a(u"  , -42x");
  EXPECT_EQ(a.ReadInt(), -42);
  EXPECT_EQ(a.GetCurrent(), u'x');

  TStringParser b(u"2147483647");
  EXPECT_EQ(b.ReadInt(), 214748364);
  EXPECT_EQ(b.Tail(), u"7");

  TStringParser c(u"+15, 7 -ff 1Ag");
  EXPECT_EQ(c.ReadInt(), 15);
  EXPECT_EQ(c.ReadInt1(), 7);
  EXPECT_EQ(c.ReadHex(), -255);
  EXPECT_EQ(c.ReadHex(), 0x1A);
  EXPECT_EQ(c.GetCurrent(), u'g');

  TStringParser d(u" -101, 1");
  EXPECT_EQ(d.ReadBin(), -5);
  EXPECT_EQ(d.ReadBin(), 0);  // no comma skipping
  EXPECT_EQ(d.GetCurrent(), u',');
}

TEST(StringParser, FloatReaders) {
  TStringParser a(u"3.123456789x");
  EXPECT_DOUBLE_EQ(a.ReadNum(), 3.1234567);
  EXPECT_EQ(a.GetCurrent(), u'x');

  TStringParser b(u"1.5e3 2e40 -.5 7E-2");
  EXPECT_DOUBLE_EQ(b.ReadNumEx(), 1500);
  EXPECT_DOUBLE_EQ(b.ReadNumEx(), 2);  // too large an exponent is ignored
  EXPECT_DOUBLE_EQ(b.ReadNumEx(), -0.5);
  EXPECT_DOUBLE_EQ(b.ReadNumEx(), 0.07);

  TStringParser c(u"12345678901234");  // beyond 32 bits: the rest as a double
  EXPECT_DOUBLE_EQ(c.ReadNumEx(), 12345678901234.0);

  TStringParser d(u"1ex");  // "e" not followed by a sign or digit stays
  EXPECT_DOUBLE_EQ(d.ReadNumEx(), 1);
  EXPECT_EQ(d.GetCurrent(), u'e');
}

TEST(StringParser, ReadIntOrFloat) {
  struct Case {
    const char16_t* text;
    bool isInt;
    int64_t intValue;
    double extValue;
    const char16_t* rest;
  };
  const Case cases[] = {
      {u"12", true, 12, 0, u""},
      {u"12.5", false, 0, 12.5, u""},
      {u"-3..7", true, -3, 0, u"..7"},
      {u"99999999999999999999", false, 0, 1e20, u""},
      {u"9223372036854775807", true, INT64_MAX, 0, u""},
      {u"-4000000000", true, -4000000000LL, 0, u""},
      {u"5e2", false, 0, 500, u""},
      {u"5e300", false, 0, 5, u""},
  };
  for (const Case& c : cases) {
    TStringParser sp(c.text);
    int64_t i = -1;
    double f = -1;
    EXPECT_EQ(sp.ReadIntOrFloat(i, f), c.isInt) << StringToUtf8(c.text);
    if (c.isInt)
      EXPECT_EQ(i, c.intValue) << StringToUtf8(c.text);
    else
      EXPECT_NEAR(f, c.extValue, std::abs(c.extValue) * 1e-12) << StringToUtf8(c.text);
    EXPECT_EQ(sp.Tail(), c.rest) << StringToUtf8(c.text);
  }
}

TEST(StringParser, RaisingMode) {
  const char16_t* bad[] = {u"012", u"1.", u"", u"-", u"x", u".5"};
  for (const char16_t* text : bad) {
    TStringParser sp(text);
    sp.RaiseException = true;
    try {
      sp.ReadNumEx();
      ADD_FAILURE() << "no error for " << StringToUtf8(text);
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"Incorrect number");
    }
    TStringParser sp2(text);
    sp2.RaiseException = true;
    int64_t i;
    double f;
    EXPECT_THROW(sp2.ReadIntOrFloat(i, f), EConvertError) << StringToUtf8(text);
  }
  TStringParser ri(u"a");
  ri.RaiseException = true;
  EXPECT_THROW(ri.ReadInt(), EConvertError);
  TStringParser r1(u"-b");
  r1.RaiseException = true;
  EXPECT_THROW(r1.ReadInt1(), EConvertError);
  // Raising mode applies any exponent and accepts a single zero.
  TStringParser ok(u"0.25 1e40");
  ok.RaiseException = true;
  EXPECT_DOUBLE_EQ(ok.ReadNumEx(), 0.25);
  EXPECT_DOUBLE_EQ(ok.ReadNumEx(), 1e40);
}

TEST(StringParser, SharedThroughInterface) {
  std::shared_ptr<IStringParser> sp = TStringParser::CreateShared(u"a b");
  String s;
  sp->ReadWord(s);
  EXPECT_EQ(s, u"a");
  EXPECT_EQ(sp->Pos(), 2);
}

TEST(StringParser, HasCJKChar) {
  EXPECT_FALSE(HasCJKChar(u""));
  EXPECT_FALSE(HasCJKChar(u"abc\u3042"));  // kana is not counted
  EXPECT_TRUE(HasCJKChar(u"ab\u4E2D"));
  EXPECT_TRUE(HasCJKChar(u"\uFA00"));
}

}  // namespace
}  // namespace ht
