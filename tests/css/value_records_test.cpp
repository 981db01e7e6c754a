#include <gtest/gtest.h>

#include "css/element_background.h"
#include "css/element_shadow.h"
#include "css/property_registry.h"
#include "css/transform.h"
#include "value_tokens.h"

namespace ht {
namespace {

// Parses the value text with one of the record readers; the tokens live as
// long as the fixture.
class ValueRecordTest : public ::testing::Test {
 protected:
  TCSSTokenSequence& seq(const char16_t* text) {
    tokens_ = ValueTokens(text);
    seq_ = TCSSTokenSequence();
    seq_.Init(tokens_);
    return seq_;
  }
  TElementBackground& background(const char16_t* text) {
    bg_ = std::make_unique<TElementBackground>();
    bg_->Parse(seq(text));
    return *bg_;
  }
  TTransform transform(const char16_t* text) {
    TTransform t;
    t.Parse(seq(text));
    return t;
  }
  TElementShadow boxShadow(const char16_t* text) {
    TElementShadow s;
    s.ParseBoxShadow(seq(text));
    return s;
  }
  TElementShadow textShadow(const char16_t* text) {
    TElementShadow s;
    s.ParseTextShadow(seq(text));
    return s;
  }
  TCSSTokens tokens_;
  TCSSTokenSequence seq_;
  std::unique_ptr<TElementBackground> bg_;
};

void expectMeasure(const TMeasure& m, float value, TMeasureUnit unit) {
  EXPECT_FALSE(m.GetAuto());
  EXPECT_FLOAT_EQ(m.FValue, value);
  EXPECT_EQ(m.FMUnit, unit);
}

TEST_F(ValueRecordTest, BackgroundImageAndPositions) {
  RegisterCSSProperties();
  TElementBackground& b = background(u"url(a%20b.png) no-repeat 10px 20px fixed border-box contain");
  EXPECT_EQ(b.Image, u"a b.png");
  EXPECT_EQ(b.Repeat, brRepeat);  // repeat has its own property
  EXPECT_EQ(b.Attachment, baFixed);
  EXPECT_EQ(b.Origin, boBorderBox);
  EXPECT_EQ(b.Size, bsContain);
  expectMeasure(b.PositionX, 10, muPX);
  expectMeasure(b.PositionY, 20, muPX);

  EXPECT_EQ(background(u"url(data:image/png;base64,a%20b)").Image, u"data:image/png;base64,a%20b");
  EXPECT_TRUE(background(u"url(a.png) 50% 50%").PositionX.GetAuto());
  TElementBackground& middle = background(u"left middle");
  expectMeasure(middle.PositionX, 0, muPercent);
  expectMeasure(middle.PositionY, 50, muPercent);
  TElementBackground& center = background(u"center");
  expectMeasure(center.PositionX, 50, muPercent);
  EXPECT_TRUE(center.PositionY.GetAuto());
  // A bare number is whole pixels, halves to even.
  expectMeasure(background(u"2.5 3.5").PositionX, 2, muPX);
  expectMeasure(bg_->PositionY, 4, muPX);
  expectMeasure(background(u"-10px 5px").PositionX, -10, muPX);
  // The numbers of an rgb() colour are not positions.
  EXPECT_TRUE(background(u"rgb(10, 20, 30) url(x.png)").PositionX.GetAuto());
  EXPECT_EQ(bg_->Image, u"x.png");
}

TEST_F(ValueRecordTest, BackgroundNoneAndVendorPrefix) {
  RegisterCSSProperties();
  TElementBackground b;
  b.Parse(seq(u"url(a.png) linear-gradient(red, blue)"));
  b.Parse(seq(u"-webkit-linear-gradient(red, blue)"));
  EXPECT_EQ(b.Image, u"a.png");
  EXPECT_EQ(b.Gradient.Stops.size(), 2u);
  b.Parse(seq(u"none 10px"));
  EXPECT_EQ(b.Image, u"");
  EXPECT_TRUE(b.PositionX.GetAuto());
}

TEST_F(ValueRecordTest, LinearGradients) {
  RegisterCSSProperties();
  const struct {
    const char16_t* text;
    float angle;
    TGradientDirection direction;
  } cases[] = {
      {u"linear-gradient(red, blue)", 180, gsBottom},
      {u"linear-gradient(to right, red, blue)", 90, gsRight},
      {u"linear-gradient(to top left, red, blue)", -45, gsTopLeft},
      {u"linear-gradient(to bottom right, red, blue)", 135, gsBottomRight},
      {u"linear-gradient(left bottom, red, blue)", -135, gsBottomLeft},
      {u"linear-gradient(top, red, blue)", 180, gsBottom},
      {u"linear-gradient(45deg, red, blue)", 45, gsBottom},
  };
  for (const auto& c : cases) {
    const TGradient& g = background(c.text).Gradient;
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(g.Kind, 0);
    EXPECT_FLOAT_EQ(g.Angle, c.angle);
    EXPECT_EQ(g.Direction, c.direction);
    ASSERT_EQ(g.Stops.size(), 2u);
    EXPECT_EQ(g.Stops[0].Color, 0xFFFF0000u);
    EXPECT_EQ(g.Stops[1].Color, 0xFF0000FFu);
    expectMeasure(g.Stops[0].Position, 0, muPercent);
    expectMeasure(g.Stops[1].Position, 100, muPercent);
  }
}

TEST_F(ValueRecordTest, GradientStops) {
  RegisterCSSProperties();
  const TGradient& three = background(u"linear-gradient(red, lime 30%, rgba(0, 0, 255, 0.5))").Gradient;
  ASSERT_EQ(three.Stops.size(), 3u);
  expectMeasure(three.Stops[0].Position, 0, muPercent);
  expectMeasure(three.Stops[1].Position, 30, muPercent);
  expectMeasure(three.Stops[2].Position, 100, muPercent);
  EXPECT_EQ(three.Stops[2].Color >> 24, 128u);
  expectMeasure(background(u"linear-gradient(red, lime, blue)").Gradient.Stops[1].Position, 50, muPercent);
  // A lone stop sits at the start rather than at an undefined position.
  const TGradient& one = background(u"linear-gradient(red)").Gradient;
  ASSERT_EQ(one.Stops.size(), 1u);
  expectMeasure(one.Stops[0].Position, 0, muPercent);
  // An unreadable colour ends the linear gradient and the whole value.
  TElementBackground& bad = background(u"linear-gradient(red, nocolour) url(a.png)");
  EXPECT_EQ(bad.Gradient.Stops.size(), 1u);
  EXPECT_EQ(bad.Image, u"");
}

TEST_F(ValueRecordTest, RadialGradients) {
  RegisterCSSProperties();
  const TGradient& g = background(u"radial-gradient(circle at 20% 30%, red, blue)").Gradient;
  EXPECT_EQ(g.Kind, 1);
  expectMeasure(g.CenterX, 20, muPercent);
  expectMeasure(g.CenterY, 30, muPercent);
  EXPECT_EQ(g.Stops.size(), 2u);
  const TGradient& plain = background(u"radial-gradient(red, blue)").Gradient;
  expectMeasure(plain.CenterX, 50, muPercent);
  EXPECT_EQ(plain.Stops.size(), 2u);
  // An unreadable colour ends the radial gradient only.
  TElementBackground& bad = background(u"radial-gradient(circle, red, nocolour) url(a.png)");
  EXPECT_EQ(bad.Gradient.Stops.size(), 1u);
  EXPECT_EQ(bad.Image, u"a.png");
}

TEST_F(ValueRecordTest, BackgroundAssignAndClear) {
  RegisterCSSProperties();
  TElementBackground& source = background(u"url(a.png) linear-gradient(red, blue) 5px 6px");
  source.LoadedURL = u"a.png";
  TElementBackground copy;
  copy.LoadedURL = u"old.png";
  copy.Assign(source);
  EXPECT_EQ(copy.Image, u"a.png");
  EXPECT_EQ(copy.LoadedURL, u"old.png");
  EXPECT_EQ(copy.Gradient.Stops.size(), 2u);
  expectMeasure(copy.PositionY, 6, muPX);
  copy.Clear();
  EXPECT_TRUE(copy.Image.empty() && copy.LoadedURL.empty() && copy.Gradient.Stops.empty());
  EXPECT_EQ(source.Gradient.Stops.size(), 2u);
}

TEST_F(ValueRecordTest, TransformLists) {
  TTransform t = transform(u"translate(10px) scale(2) rotate(45deg) translateX(5%) skew(1deg, 2deg)");
  ASSERT_EQ(t.Items.size(), 5u);
  EXPECT_EQ(t.Items[0].Kind, ttTranslate);
  ASSERT_EQ(t.Items[0].Args.size(), 2u);
  expectMeasure(t.Items[0].Args[0], 10, muPX);
  expectMeasure(t.Items[0].Args[1], 0, muPX);
  EXPECT_EQ(t.Items[1].Kind, ttScale);
  expectMeasure(t.Items[1].Args[1], 2, muPX);
  expectMeasure(t.Items[2].Args[0], 45, muDeg);
  EXPECT_EQ(t.Items[3].Kind, ttTranslateX);
  EXPECT_EQ(t.Items[4].Args.size(), 2u);
  // translate(1em) keeps the unit of the first argument for the 0.
  EXPECT_EQ(transform(u"translate(1em)").Items[0].Args[1].FMUnit, muEM);

  TTransform none = transform(u"none");
  ASSERT_EQ(none.Items.size(), 1u);
  EXPECT_EQ(none.Items[0].Kind, ttNone);
  EXPECT_EQ(transform(u"translate(calc(1px + 2px), 3px) scale(2)").Items.size(), 2u);
  EXPECT_EQ(transform(u"translate(calc(1px + 2px), 3px)").Items[0].Args.size(), 2u);
  // An unknown function ends the list; what came before stays.
  EXPECT_EQ(transform(u"scale(2) rotateY(10deg) scale(3)").Items.size(), 1u);
}

TEST_F(ValueRecordTest, TransformAccessors) {
  TTransform t = transform(u"translate(10%, 20px) scale(2, 3)");
  t.BorderBox = [](float& w, float& h) { w = 200, h = 50; };
  TMeasure* x = t.TranslateX(false);
  ASSERT_TRUE(x);
  EXPECT_FLOAT_EQ(x->ToPixels(), 20);
  EXPECT_FLOAT_EQ(t.TranslateY(false)->FValue, 20);
  EXPECT_FLOAT_EQ(t.ScaleY(false)->FValue, 3);

  TTransform empty;
  EXPECT_EQ(empty.Rotate(false), nullptr);
  TMeasure* scale = empty.ScaleX(true);
  ASSERT_TRUE(scale);
  EXPECT_FLOAT_EQ(scale->FValue, 1);
  EXPECT_EQ(empty.Items.back().Kind, ttScaleX);
  TMeasure* ty = empty.TranslateY(true);
  EXPECT_FALSE(ty->GetAuto());
  EXPECT_EQ(empty.Items.back().Kind, ttTranslateY);
  EXPECT_EQ(empty.Items.size(), 2u);
}

TEST_F(ValueRecordTest, TransformOrigin) {
  for (const char16_t* text : {u"top left", u"left top"}) {
    TTransform t;
    t.OriginX.Init(nullptr);
    t.OriginY.Init(nullptr);
    t.ParseOrigin(seq(text));
    EXPECT_TRUE(t.OriginX.Has(mfLeft));
    EXPECT_TRUE(t.OriginY.Has(mfTop));
  }
  TTransform t;
  t.ParseOrigin(seq(u"0, 5px"));
  expectMeasure(t.OriginY, 5, muPX);
}

TEST_F(ValueRecordTest, Shadows) {
  RegisterCSSProperties();
  TElementShadow full = boxShadow(u"2px 3px 4px 1px red");
  expectMeasure(full.X, 2, muPX);
  expectMeasure(full.Y, 3, muPX);
  expectMeasure(full.Blur, 4, muPX);
  EXPECT_EQ(full.Color, 0xFFFF0000u);
  EXPECT_FALSE(full.IsEmpty());

  // The colour may stand anywhere; a missing blur is 0.
  for (const char16_t* text : {u"2px 3px red", u"red 2px 3px", u"2px red 3px", u"inset 2px 3px #f00"}) {
    SCOPED_TRACE(StringToUtf8(text));
    TElementShadow s = boxShadow(text);
    expectMeasure(s.Y, 3, muPX);
    expectMeasure(s.Blur, 0, muPX);
    EXPECT_EQ(s.Color, 0xFFFF0000u);
    EXPECT_FALSE(s.IsEmpty());
  }
  EXPECT_TRUE(boxShadow(u"inset 2px 3px").Inset);
  TElementShadow text = textShadow(u"rgb(0, 0, 255) 1px 2px");
  EXPECT_EQ(text.Color, 0xFF0000FFu);
  expectMeasure(text.Y, 2, muPX);
  EXPECT_FALSE(text.IsEmpty());

  EXPECT_TRUE(boxShadow(u"none").IsEmpty());
  EXPECT_TRUE(boxShadow(u"2px red").IsEmpty());
  EXPECT_TRUE(TElementShadow().IsEmpty());
  // Only the first shadow of a list is read.
  expectMeasure(boxShadow(u"1px 1px blue, 5px 5px red").X, 1, muPX);
}

}  // namespace
}  // namespace ht
