#include "css/measure.h"

#include <gtest/gtest.h>

#include "value_tokens.h"

namespace ht {
namespace {

// A style with a settable zoom, font size, root font size and viewport.
class TestStyle : public TMeasureContext {
 public:
  float zoom = 1;
  int fontSize = 13;
  int rootFontSize = -1;  // -1: the element has no parent
  float viewWidth = 0, viewHeight = 0, deviceScale = 1;

  float MeasureZoom() const override { return zoom; }
  int MeasureFontSize() const override { return fontSize; }
  bool MeasureRootFontSize(int& px) const override {
    px = rootFontSize;
    return rootFontSize >= 0;
  }
  bool MeasureViewport(float& w, float& h, float& scale) const override {
    w = viewWidth;
    h = viewHeight;
    scale = deviceScale;
    return viewWidth > 0;
  }
};

// A measure decoded from a declared value; the tokens live in the fixture.
class MeasureTest : public ::testing::Test {
 protected:
  TMeasure decode(const char16_t* value, const TMeasureContext* style) {
    tokens_ = ValueTokens(value);
    TCSSTokenSequence seq;
    seq.Init(tokens_);
    TMeasure m;
    m.Init(style);
    m.Decode(seq);
    return m;
  }
  TCSSTokens tokens_;
};

TEST_F(MeasureTest, ParseAttributeText) {
  const struct {
    const char16_t* text;
    float value;
    TMeasureUnit unit;
  } cases[] = {
      {u"12px", 12, muPX},    {u"12PX", 12, muNone},   {u"12 px", 12, muNone}, {u"1.5e2px", 150, muNone},
      {u"-3em", -3, muEM},    {u"5r", 5, muREM},       {u"7ms", 7, muNone},    {u"50%", 50, muPercent},
      {u"2ex", 2, muEX},      {u"3in", 3, muIN},       {u"4mm", 4, muMM},      {u"5cm", 5, muCM},
      {u"6pt", 6, muPt},      {u"7pc", 7, muPC},       {u"8s", 8, muS},        {u"9vw", 9, muVW},
      {u"10vh", 10, muVH},    {u"2e-1", 0.2f, muNone}, {u"1.2.3", 0, muNone},
  };
  for (const auto& c : cases) {
    TMeasure m;
    m.Init(nullptr);
    m.Parse(c.text);
    EXPECT_FALSE(m.GetAuto()) << StringToUtf8(c.text);
    EXPECT_FLOAT_EQ(m.FValue, c.value) << StringToUtf8(c.text);
    EXPECT_EQ(m.FMUnit, c.unit) << StringToUtf8(c.text);
  }
}

TEST_F(MeasureTest, ParseKeepsFormerValueOnUnreadableText) {
  TMeasure m;
  m.Init(nullptr);
  m.Parse(u"5px");
  for (const char16_t* text : {u"abc", u"", u"1e999px"}) {
    m.Parse(text);
    EXPECT_EQ(m.FValue, 5) << StringToUtf8(text);
    EXPECT_FALSE(m.GetAuto()) << StringToUtf8(text);
  }
  m.Parse(u"inherit");
  EXPECT_TRUE(m.Has(mfInherit));
  m.Parse(u"auto");
  EXPECT_TRUE(m.GetAuto());
  EXPECT_EQ(m.FValue, 0);
  m.Parse(u"Auto");  // only "auto" itself is the keyword
  EXPECT_TRUE(m.GetAuto());
}

TEST_F(MeasureTest, ToPixels) {
  const float base300 = 300, base16 = 16;
  const struct {
    const char16_t* text;
    float zoom;
    const float* parent;
    int rootFontSize;
    float pixels;
    int intPixels;
  } cases[] = {
      {u"50%", 1, &base300, -1, 150, 150},
      {u"50%", 2, &base300, -1, 150, 150},
      {u"50%", 1, nullptr, -1, 0, 0},
      {u"10pt", 1, nullptr, -1, 13.3333333f, 13},
      {u"1in", 1, nullptr, -1, 96, 96},
      {u"1cm", 1, nullptr, -1, 37.795276f, 38},
      {u"10mm", 1, nullptr, -1, 37.795276f, 38},
      {u"1pc", 1, nullptr, -1, 16, 16},
      {u"2ex", 1, nullptr, -1, 22, 22},
      {u"0.5em", 1, nullptr, -1, 6.5f, 6},  // halves to even at zoom 1
      {u"6.5px", 1, nullptr, -1, 6.5f, 7},
      {u"0.25em", 2, nullptr, -1, 6.5f, 7},  // zoomed: halves away from zero
      {u"-6.5px", 1, nullptr, -1, -6.5f, -7},
      {u"2rem", 1, nullptr, -1, 26, 26},
      {u"2rem", 1, nullptr, 16, 32, 32},
      {u"2rem", 2, nullptr, 16, 64, 64},
      {u"1.5", 2, &base16, -1, 24, 24},  // a unit-less factor is never zoomed
      {u"3px", 2, nullptr, -1, 6, 6},
      {u"7ms", 2, nullptr, -1, 7, 7},
  };
  for (const auto& c : cases) {
    TestStyle style;
    style.zoom = c.zoom;
    style.rootFontSize = c.rootFontSize;
    TMeasure m;
    m.Init(&style);
    m.Parse(c.text);
    m.Parent = c.parent;
    EXPECT_NEAR(m.ToPixels(), c.pixels, 1e-4) << StringToUtf8(c.text) << " zoom " << c.zoom;
    EXPECT_EQ(m.ToIntPixels(), c.intPixels) << StringToUtf8(c.text) << " zoom " << c.zoom;
  }
}

TEST_F(MeasureTest, ViewportUnitsAndMissingStyle) {
  TestStyle style;
  style.viewWidth = 800;
  style.viewHeight = 600;
  style.deviceScale = 2;
  TMeasure m;
  m.Init(&style);
  m.Parse(u"50vw");
  EXPECT_EQ(m.ToIntPixels(), 200);
  m.Parse(u"50vh");
  EXPECT_EQ(m.ToPixels(), 150);

  // Without a style: em and rem use 13 pixels, vw and vh have no viewport.
  const struct {
    const char16_t* text;
    int pixels;
  } bare[] = {{u"2em", 26}, {u"2rem", 26}, {u"50vw", 0}, {u"50vh", 0}, {u"2px", 2}};
  for (const auto& c : bare) {
    m.Init(nullptr);
    m.Parse(c.text);
    EXPECT_EQ(m.ToIntPixels(), c.pixels) << StringToUtf8(c.text);
    EXPECT_EQ(m.ToPixels(), float(c.pixels)) << StringToUtf8(c.text);
  }
}

TEST_F(MeasureTest, AutoAndZeroConvertToNothing) {
  TestStyle style;
  TMeasure m;
  m.Init(&style);
  EXPECT_TRUE(m.GetAuto());
  EXPECT_EQ(m.ToIntPixels(), 0);
  m.SetPixels(12);
  EXPECT_EQ(m.ToIntPixels(), 12);
  m.SetValue(0);
  EXPECT_TRUE(m.Has(mfZero));
  EXPECT_EQ(m.ToPixels(), 0);
  m.SetAuto(true);
  EXPECT_EQ(m.ToPixels(), 0);
  EXPECT_TRUE(m.Relative());
}

TEST_F(MeasureTest, DecodeKeywordsAndTokens) {
  const struct {
    const char16_t* value;
    bool isAuto;
    float v;
    TMeasureUnit unit;
    TMeasureFlags flags;
  } cases[] = {
      {u"12px", false, 12, muPX, MeasureFlags(mfNotAuto)},
      {u"12", false, 12, muPX, MeasureFlags(mfNotAuto)},
      {u"25%", false, 25, muPercent, MeasureFlags(mfNotAuto)},
      {u"auto", true, 0, muNone, 0},
      {u"AUTO", true, 0, muNone, 0},
      {u"none", true, 0, muNone, 0},
      {u"inherit", false, 0, muNone, MeasureFlags(mfNotAuto, mfInherit)},
      {u"initial", true, 0, muNone, MeasureFlags(mfInitial)},
      {u"normal", false, 0, muNone, MeasureFlags(mfNotAuto, mfInitial)},
      {u"left", false, 0, muPercent, MeasureFlags(mfNotAuto, mfLeft)},
      {u"center", false, 50, muPercent, MeasureFlags(mfNotAuto, mfCenter)},
      {u"Bottom", false, 100, muPercent, MeasureFlags(mfNotAuto, mfBottom)},
      {u"thick", false, 3, muPX, MeasureFlags(mfNotAuto)},
      {u"xx-large", false, 26, muPX, MeasureFlags(mfNotAuto)},
      {u"smaller", false, 80, muPercent, MeasureFlags(mfNotAuto)},
      {u"foo", false, 0, muNone, MeasureFlags(mfNotAuto)},
      {u"min(1px)", true, 0, muNone, 0},
  };
  for (const auto& c : cases) {
    const TMeasure m = decode(c.value, nullptr);
    EXPECT_EQ(m.GetAuto(), c.isAuto) << StringToUtf8(c.value);
    EXPECT_EQ(m.FValue, c.v) << StringToUtf8(c.value);
    EXPECT_EQ(m.FMUnit, c.unit) << StringToUtf8(c.value);
    EXPECT_EQ(m.Flags, c.flags) << StringToUtf8(c.value);
  }
}

TEST_F(MeasureTest, Calc) {
  const struct {
    const char16_t* value;
    float zoom;
    float pixels;
  } cases[] = {
      {u"calc(100% - 20px)", 1, 480},
      {u"CALC(2 + 3 * 4)", 1, 14},
      {u"calc((2 + 3) * 4)", 1, 20},
      {u"calc(10px - 4px - 3px)", 1, 3},
      {u"calc(12px / 2 / 3)", 1, 2},
      {u"calc(10px / 0)", 1, 10},
      {u"calc(2 * -(3px))", 1, -6},
      {u"calc(-2px * 3)", 1, -6},
      {u"calc([2px + 3px) * 2)", 1, 10},
      {u"calc(1px + calc(2px * 3))", 1, 7},  // a nested calc( groups
      {u"calc(calc(calc(1px)))", 1, 1},
      {u"calc(1em + 1in)", 1, 109},
      {u"calc()", 1, 0},
      {u"calc(", 1, 0},
      {u"calc(5px", 1, 5},
      {u"calc(1px +", 1, 1},
      {u"calc(* / +)", 1, 0},
      {u"calc(10px + 10%)", 2, 70},  // operands are zoomed, the result is not zoomed again
  };
  const float base = 500;
  for (const auto& c : cases) {
    TestStyle style;
    style.zoom = c.zoom;
    TMeasure m = decode(c.value, &style);
    m.Parent = &base;
    EXPECT_FALSE(m.GetAuto()) << StringToUtf8(c.value);
    EXPECT_EQ(m.Calc, &tokens_) << StringToUtf8(c.value);
    EXPECT_FLOAT_EQ(m.ToPixels(), c.pixels) << StringToUtf8(c.value);
    EXPECT_EQ(m.ToIntPixels(), int(c.pixels)) << StringToUtf8(c.value);
    m.DecodeCalc();
    EXPECT_FLOAT_EQ(m.FValue, c.pixels) << StringToUtf8(c.value);
    EXPECT_EQ(m.FMUnit, muPX);
    EXPECT_EQ(m.Calc, &tokens_);
  }
}

TEST_F(MeasureTest, AsString) {
  TMeasure m;
  m.Init(nullptr);
  EXPECT_EQ(m.AsString(), u"auto");
  m.SetPixels(1.25f);
  EXPECT_EQ(m.AsString(), u"1.25px");
  m.SetValue(1.0f / 3);
  m.FMUnit = muEM;
  EXPECT_EQ(m.AsString(), u"0.333em");
  m.SetValue(12);
  m.FMUnit = muNone;
  EXPECT_EQ(m.AsString(), u"12");
  m.SetValue(-0.0001f);
  EXPECT_EQ(m.AsString(), u"0");
  m.SetValue(0);
  EXPECT_EQ(m.AsString(), u"0");
  const float base = 500;
  TMeasure c = decode(u"calc(100% - 20.5px)", nullptr);
  c.Parent = &base;
  EXPECT_EQ(c.AsString(), u"479.5px");
}

TEST_F(MeasureTest, AssignKeepsStyleAndSetValueKeepsInvariants) {
  TestStyle a, b;
  TMeasure src, dst;
  src.Init(&a);
  dst.Init(&b);
  src.Parse(u"50%");
  const float base = 10;
  src.Parent = &base;
  dst.Assign(src);
  EXPECT_EQ(dst.Style, &b);
  EXPECT_EQ(dst.ToPixels(), 5);

  TMeasure m = decode(u"calc(1px)", nullptr);
  m.Include(mfInitial);
  m.SetValue(4);
  EXPECT_EQ(m.Calc, nullptr);
  EXPECT_FALSE(m.Has(mfInitial));
  EXPECT_FALSE(m.Has(mfZero));
}

}  // namespace
}  // namespace ht
