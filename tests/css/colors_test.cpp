#include "css/colors.h"

#include <gtest/gtest.h>

#include "css/css_token.h"
#include "markup/node.h"
#include "platform/rtl/sys_colors.h"
#include "value_tokens.h"

namespace ht {
namespace {

struct TextCase {
  const char16_t* text;
  uint32_t color;
};

TEST(Colors, ParseHtColor) {
  const TextCase cases[] = {
      {u"#abc", 0xFFAABBCC},       {u"#abcd", 0xDDAABBCC},      {u"#abcdef", 0xFFABCDEF},
      {u"#ABCDEF80", 0x80ABCDEF},  {u"#abcdef8", 0xFFABCDEF},   {u"#abcde", clInvalid},
      {u"#ggg", clInvalid},        {u"#", clInvalid},           {u"#ab", clInvalid},
      {u"", 0xFF000000},           {u"transparent", 0x00FFFFFF}, {u"none", clNone},
      {u"RED", 0xFFFF0000},        {u"00ff00", 0xFF00FF00},     {u"ff0000", 0xFFFF0000},
      {u"nosuchcolour", clInvalid}, {u"indianred", 0xFFCD5C5C}, {u"indigo", 0xFF4B0082},
      {u"grey", 0xFF808080},       {u"lightgrey", 0xFFD3D3D3},  {u"darkgrey", clInvalid},
      {u"black", 0xFF000000},      {u"yellowgreen", 0xFF9ACD32},
      {u"rgba(255, 0, 0, 0.5)", 0x80FF0000},
      {u"rgba(0,128,255,1)", 0xFF0080FF},
      // Channels are clamped, never carried into the next one.
      {u"rgba(300, -5, 256, 7)", 0xFFFF0000 | 0xFF},
      {u"rgba(red, .5)", 0x80FF0000},
      {u"rgba( #00f , 0)", 0x000000FF},
      {u"rgba(nosuch, 1)", clInvalid},
      {u"rgba(1, 2", 0x00010200},
      {u"rgba(x", clInvalid},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHtColor(c.text), c.color) << StringToUtf8(c.text);
}

TEST(Colors, ColorFromIdentRejectsShortHexFormsAndFlagsSystemColours) {
  const struct {
    const char16_t* text;
    uint32_t color;
    int systemFlag;
  } cases[] = {
      {u"#abcd", clInvalid, 0},  {u"#abcde", clInvalid, 0}, {u"#abc", 0xFFAABBCC, 0},
      {u"abc", 0xFFAABBCC, 0},   {u"Navy", 0xFF000080, 0},    {u"rgba(1,2,3,1)", clInvalid, 0},
      {u"ButtonFace", DefaultThemeColor(COLOR_BTNFACE), 1},   {u"c3ddkshadow", DefaultThemeColor(21), 1},
  };
  for (const auto& c : cases) {
    int flag = -1;
    EXPECT_EQ(ColorFromIdent(c.text, flag), c.color) << StringToUtf8(c.text);
    EXPECT_EQ(flag, c.systemFlag) << StringToUtf8(c.text);
  }
}

TEST(Colors, SystemColoursFollowTheInstalledThemeProcedure) {
  // Default: the platform's COLORREF with red and blue swapped, opaque.
  EXPECT_EQ(DefaultThemeColor(COLOR_WINDOW), 0xFF000000 | SwapRB(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(SystemColorByName(u"WINDOW"), DefaultThemeColor(COLOR_WINDOW));
  EXPECT_EQ(SystemColorByName(u"activeborder"), DefaultThemeColor(10));
  EXPECT_EQ(SystemColorByName(u"windowtext"), DefaultThemeColor(8));
  EXPECT_EQ(SystemColorByName(u"red"), 0u);
  EXPECT_EQ(SystemColorByName(u"zzz"), 0u);

  THtmlNode::SetThemeColorPrc([](int index) { return 0xFF000000u | uint32_t(index); });
  EXPECT_EQ(ParseHtColor(u"buttonface"), 0xFF00000Fu);
  EXPECT_EQ(ParseHtColor(u"scrollbar"), 0xFF000000u);
  // "window" and "windowtext" fall back to white and black when the theme
  // answers 0 for them.
  THtmlNode::SetThemeColorPrc([](int) { return 0u; });
  EXPECT_EQ(ParseHtColor(u"window"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseHtColor(u"windowtext"), 0xFF000000u);
  EXPECT_EQ(ParseHtColor(u"menu"), clInvalid);
  THtmlNode::SetThemeColorPrc(nullptr);
}

TEST(Colors, HexText) {
  EXPECT_EQ(ColorToHexStr(0xFF102030), u"#102030");
  EXPECT_EQ(ColorToHexStr(0x80102030), u"#10203080");
  EXPECT_EQ(ColorToHexStr(0x00ABCDEF), u"#abcdef00");
  EXPECT_EQ(ColorToHex6(0x80A0B0C0), u"a0b0c0");
  EXPECT_EQ(SwapRB(0x11223344), 0x00443322u);
}

}  // namespace
}  // namespace ht

namespace ht {
namespace {

// ReadColor on the first token of a declared value.
struct ReadResult {
  bool ok;
  uint32_t color;
};
ReadResult readColor(const char16_t* value, uint32_t currentColor = 0xFF000000) {
  TCSSTokens tokens = ValueTokens(value);
  TCSSTokenSequence seq;
  seq.Init(tokens);
  seq.CurrentColor = currentColor;
  uint32_t color = 0xDEADBEEF;
  const bool ok = seq.ReadColor(color);
  return {ok, color};
}

TEST(ReadColor, DeclaredValues) {
  const struct {
    const char16_t* value;
    bool ok;
    uint32_t color;  // 0xDEADBEEF: left untouched
  } cases[] = {
      {u"rgba(255, 0, 0, .5)", true, 0x80FF0000},
      {u"rgb(0, 128, 255)", true, 0xFF0080FF},
      {u"rgb(50%, 0, 0)", true, 0xFF800000},  // 127.5 goes to the even 128
      {u"rgb(300, -4, 0)", true, 0xFFFF0000},
      {u"rgba(0, 0, 255, 50%)", true, 0x800000FF},
      {u"rgb(0 0 255 / 0.25)", true, 0x400000FF},
      {u"rgba(red, .5)", true, 0x80FF0000},
      {u"rgba(#00f, 0)", true, 0x000000FF},
      {u"rgb(1, 2, 3", true, 0xFF010203},
      {u"rgb(1, 2)", false, 0xDEADBEEF},
      {u"rgba(nosuch, 1)", false, 0xDEADBEEF},
      {u"var(--x)", true, 0xDEADBEEF},
      {u"hsl(0, 0%, 0%)", false, 0xDEADBEEF},
      {u"#abc", true, 0xFFAABBCC},
      {u"#00000000", true, 0x00000000},  // transparent black is a colour
      {u"#abcde", false, 0xDEADBEEF},
      {u"Red", true, 0xFFFF0000},
      {u"transparent", true, 0x00FFFFFF},
      {u"ff0000", true, 0xFFFF0000},
      {u"nosuchcolour", false, 0xDEADBEEF},
      {u"inherit", false, 0xDEADBEEF},
      {u"000000", false, 0xFF000000},  // digits are not a colour
      {u"12px", false, 0xDEADBEEF},
      {u"'red'", false, 0xDEADBEEF},
  };
  for (const auto& c : cases) {
    const ReadResult r = readColor(c.value);
    EXPECT_EQ(r.ok, c.ok) << StringToUtf8(c.value);
    EXPECT_EQ(r.color, c.color) << StringToUtf8(c.value);
  }
}

TEST(ReadColor, CurrentColorIsResolvedAtEachRead) {
  TCSSTokens tokens = ValueTokens(u"currentColor");
  TCSSTokenSequence seq;
  seq.Init(tokens);
  uint32_t color = 0;
  seq.CurrentColor = 0xFF112233;
  EXPECT_TRUE(seq.ReadColor(color));
  EXPECT_EQ(color, 0xFF112233u);
  seq.CurrentColor = 0x80445566;
  EXPECT_TRUE(seq.ReadColor(color));
  EXPECT_EQ(color, 0x80445566u);
  EXPECT_EQ(tokens[0].Flags, ctfCurrentColor);
}

TEST(ReadColor, TokenCachesItsColourButSystemColoursFollowTheTheme) {
  TCSSTokens tokens = ValueTokens(u"buttonface");
  TCSSTokenSequence seq;
  seq.Init(tokens);
  uint32_t color = 0;
  EXPECT_TRUE(seq.ReadColor(color));
  EXPECT_EQ(color, DefaultThemeColor(COLOR_BTNFACE));
  EXPECT_TRUE(tokens[0].Compiled);
  EXPECT_EQ(tokens[0].Flags, ctfSystemColor);
  THtmlNode::SetThemeColorPrc([](int) { return 0xFF123456u; });
  EXPECT_TRUE(seq.ReadColor(color));
  EXPECT_EQ(color, 0xFF123456u);
  THtmlNode::SetThemeColorPrc(nullptr);

  // A compiled value, even 0, is used as it is.
  TCSSTokens hash = ValueTokens(u"#ffffff");
  hash[0].SetCompiled(0);
  seq.Init(hash);
  color = 5;
  EXPECT_TRUE(seq.ReadColor(color));
  EXPECT_EQ(color, 0u);

  // A function compiled into its single token.
  TCSSTokens fn = ValueTokens(u"rgb(");
  fn.resize(1);
  seq.Init(fn);
  EXPECT_FALSE(seq.ReadColor(color));
  fn[0].SetCompiled(0xFF010203);
  EXPECT_TRUE(seq.ReadColor(color));
  EXPECT_EQ(color, 0xFF010203u);

  TCSSTokens none;
  seq.Init(none);
  EXPECT_FALSE(seq.ReadColor(color));
}

}  // namespace
}  // namespace ht
