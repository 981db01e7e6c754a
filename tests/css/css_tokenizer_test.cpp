#include "css/css_tokenizer.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

// Every token of Text as "Type:Name" separated by "|".
std::string tokenize(const char16_t* text, bool readNumbers = true) {
  TCSSTokenizer tz(text, readNumbers);
  std::string out;
  while (!tz.Eof) {
    if (!tz.NextToken() && tz.Eof) break;
    if (!out.empty()) out += "|";
    out += std::string(EnumName(tz.Token.CType).substr(2)) + ":" + StringToUtf8(tz.Token.Name);
    if (tz.Token.CType == ctSpace && tz.Eof) break;
  }
  return out;
}

TCSSToken firstToken(const char16_t* text, bool readNumbers = true) {
  TCSSTokenizer tz(text, readNumbers);
  tz.NextToken();
  return tz.Token;
}

TEST(CSSTokenizer, TokenStreams) {
  const struct {
    const char16_t* text;
    const char* tokens;
  } cases[] = {
      {u"url( 'a b.png' )", "URI:a b.png"},
      {u"url(\"x)y\") z", "URI:x)y|Space: |Ident:z"},
      {u"url(\"a\\\")b\")c", "URI:a\")b|Ident:c"},  // an escaped quote stays in the address
      {u"URL(  a.png  )", "URI:a.png"},
      {u"url()", "URI:"},
      {u"url(x.png", "URI:x.png"},
      {u"rgb(1)", "Function:rgb|OpenPar:(|Number:1|ClosePar:)"},
      {u"-webkit-box", "Ident:-webkit-box"},
      {u"-5px", "Dimension:-5px"},
      {u"- 5", "Ident:-|Space: |Number:5"},
      {u"\\31 0", "Ident:10"},
      {u"1emx", "Ident:1e|Ident:mx"},
      {u"3d 2n", "Ident:3d|Space: |Ident:2|Ident:n"},
      {u"1.2.3", "Number:1.2|Number:.3"},
      {u"50% 50x%", "Percentage:50%|Space: |Percentage:50x%"},
      {u"a:b;c,d{}[]/", "Ident:a|Colon::|Ident:b|Semicolon:;|Ident:c|Comma:,|Ident:d|BlockStart:{|BlockEnd:}|"
                        "OpenBr:[|CloseBr:]|Slash:/"},
      {u"#fff @media !x", "Hash:fff|Space: |AtKeyword:@media|Space: |Delimiter:!|Ident:x"},
      {u"'it''s'", "String:it|String:s"},
      {u"\"a\\\"b\" 'c\\\r\nd'", "String:a\"b|Space: |String:cd"},
      {u"'line\r rest", "String:line|Space: |Ident:rest"},
      {u"'open", "String:open"},
      {u"a/* note */b", "Ident:a|Comment: note |Ident:b"},
      {u"a/* open", "Ident:a|Comment: open"},
      {u"  \t\n x", "Ident:x"},
      {u"\u00e9t\u00e9 \u4e2d\u6587", "Delimiter:\u00e9|Ident:t|Delimiter:\u00e9|Space: |Ident:\u4e2d\u6587"},
      {u"\\", "Space:"},
  };
  for (const auto& c : cases) EXPECT_EQ(tokenize(c.text), c.tokens) << StringToUtf8(c.text);
}

TEST(CSSTokenizer, Escapes) {
  const struct {
    const char16_t* text;
    String name;
  } cases[] = {
      {u"\\41 B", u"AB"},
      {u"\\1F600x", u"\U0001F600x"},
      // Code points that are not characters become U+FFFD, never a cut value.
      {u"\\110000", u"\uFFFD"},
      {u"\\D800 a", u"\uFFFDa"},
      {u"\\0 a", u"\uFFFDa"},
      {u"a\\ b", u"a b"},
      {u"a\\zb", u"azb"},
  };
  for (const auto& c : cases) {
    const TCSSToken t = firstToken(c.text);
    EXPECT_EQ(t.CType, ctIdent) << StringToUtf8(c.text);
    EXPECT_EQ(t.Name, c.name) << StringToUtf8(c.text);
  }
  EXPECT_EQ(firstToken(u"'\\110000'").Name, u"\uFFFD");
}

TEST(CSSTokenizer, NumbersAndUnits) {
  const struct {
    const char16_t* text;
    TCSSTokenType type;
    TMeasureUnit unit;
    float value;
  } cases[] = {
      {u"1.5em", ctDimension, muEM, 1.5f},  {u"10S", ctDimension, muS, 10},   {u"2px", ctDimension, muPX, 2},
      {u"3PT", ctDimension, muPt, 3},       {u"4pc", ctDimension, muPC, 4},   {u"5mm", ctDimension, muMM, 5},
      {u"6ms", ctDimension, muMS, 6},       {u"7cm", ctDimension, muCM, 7},   {u"8in", ctDimension, muIN, 8},
      {u"9ex", ctDimension, muEX, 9},       {u"90deg", ctDimension, muDeg, 90}, {u"2rem", ctDimension, muREM, 2},
      {u"50vw", ctDimension, muVW, 50},     {u"50vh", ctDimension, muVH, 50}, {u"1e3", ctNumber, muNone, 1000},
      {u"-.5", ctNumber, muNone, -0.5f},    {u"25%", ctPercentage, muPercent, 25},
      {u"7cmx", ctIdent, muNone, 0},        {u"2reM", ctIdent, muNone, 0},
         {u"1e99", ctNumber, muNone, 1},
      {u"400000000000000000000000000000000000000", ctNumber, muNone, 0},
  };
  for (const auto& c : cases) {
    const TCSSToken t = firstToken(c.text);
    EXPECT_EQ(t.CType, c.type) << StringToUtf8(c.text);
    if (c.type != ctIdent) {
      EXPECT_EQ(t.Name, c.text);
    }
    if (c.type != ctNumber) {
      EXPECT_EQ(t.MUnit, c.unit) << StringToUtf8(c.text);
    }
    EXPECT_FLOAT_EQ(t.AsFloat, c.value) << StringToUtf8(c.text);
  }
  // Without ReadNumbers only the text is kept.
  const TCSSToken t = firstToken(u"1.2.3px", false);
  EXPECT_EQ(t.Name, u"1.2.3px");
  EXPECT_EQ(t.MUnit, muPX);
  EXPECT_EQ(t.AsFloat, 0);
}

TEST(CSSTokenizer, PositionsAndEnd) {
  TCSSTokenizer tz(u"a bc", true);
  ASSERT_TRUE(tz.NextToken());
  EXPECT_EQ(tz.Token.StartPos, 1);
  EXPECT_EQ(tz.Token.EndPos, 1);
  EXPECT_TRUE(tz.NextToken());  // a space with a character after it
  ASSERT_TRUE(tz.NextToken());
  EXPECT_EQ(tz.Token.Name, u"bc");
  EXPECT_EQ(tz.Token.StartPos, 3);
  EXPECT_EQ(tz.Token.EndPos, 4);
  EXPECT_FALSE(tz.NextToken());
  EXPECT_TRUE(tz.Eof);
  EXPECT_EQ(tz.Token.Name, u"bc");

  TCSSTokenizer trailing(u"x ", true);
  trailing.NextToken();
  EXPECT_FALSE(trailing.NextToken());  // a space at the end
  EXPECT_EQ(trailing.Token.CType, ctSpace);

  TCSSTokenizer empty(u"", true);
  EXPECT_FALSE(empty.NextToken());
  EXPECT_TRUE(empty.Eof);
}

}  // namespace
}  // namespace ht
