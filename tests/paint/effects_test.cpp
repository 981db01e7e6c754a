// Outline, box shadow, blur filter and backgrounds on boxes placed by hand.
#include "paint_fixture.h"

#include "canvas/image.h"
#include "css/property_registry.h"

namespace ht::testing {
namespace {

class EffectsTest : public PaintTest {
 protected:
  TElement* Box(StringView Css, TRectF R = TRectF{0, 0, 100, 50}, float Opacity = 1) {
    Load(u"<body><div id=a style='" + String(Css) + u"'></div></body>");
    TElement* e = Place(u"a", R);
    St(e).CalculatedOpacity = Opacity;
    return e;
  }
};

TEST_F(EffectsTest, OutlineIsStrokedInsideItsOffsetRectangle) {
  // 100 x 50 with offset 4: a 108 x 58 rectangle, stroked inside its edge.
  Box(u"outline:2px dashed red;outline-offset:4px")->DrawOutline(THtDrawInfo{});
  EXPECT_EQ(Calls(), "DrawRect FFFF0000/2 dash -4,-4,104,54\n");
  Box(u"outline:3px solid red;border-radius:6px")->DrawOutline(THtDrawInfo{0, 5, 5, 0, 0});
  EXPECT_EQ(Calls(), "RoundRect FFFF0000/3 5,5,105,55 r6,6\n");
}

TEST_F(EffectsTest, OutlineWithoutWidthDrawsNothing) {
  // A pen of width 0 would stroke a hairline.
  Box(u"outline:solid red")->DrawOutline(THtDrawInfo{});
  EXPECT_EQ(Calls(), "");
}

TEST_F(EffectsTest, BoxShadowTakesAPathOnlyForUnequalCorners) {
  TElement* e = Box(u"box-shadow:3px 4px 5px #ff0000;border-radius:8px");
  DrawBoxShadow(*e, THtDrawInfo{}, St(e).BoxShadow());
  EXPECT_EQ(Calls(), "DrawShadow 0,0,100,50 off 3,4 blur 5 FFFF0000 a255 r8\n");
  e = Box(u"box-shadow:3px 4px 5px #ff0000;border-top-left-radius:8px", TRectF{0, 0, 100, 50}, 0.5f);
  DrawBoxShadow(*e, THtDrawInfo{}, St(e).BoxShadow());
  EXPECT_EQ(Calls().substr(0, 48), "DrawShadow 0,0,100,50 off 3,4 blur 5 FFFF0000 a1");
  EXPECT_NE(Calls().find(" [M 8,0"), std::string::npos) << Calls();
  // One pixel high: no shadow.
  e = Box(u"box-shadow:3px 4px 5px red", TRectF{0, 0, 100, 1});
  DrawBoxShadow(*e, THtDrawInfo{}, St(e).BoxShadow());
  EXPECT_EQ(Calls(), "");
}

TEST_F(EffectsTest, OnlyASaneBlurFilterIsDrawn) {
  const struct {
    const char16_t* Css;
    const char* Expected;
  } cases[] = {
      {u"filter:blur(5px)", "BlurRect 0,0,100,50 5\n"},
      {u"filter:grayscale(1)", ""},
      {u"filter:blur(-5px)", ""},
      {u"filter:blur(1e9px)", "BlurRect 0,0,100,50 100\n"},  // no wider than the box
      {u"filter:blur()", ""},
  };
  for (const auto& c : cases) {
    DrawFilter(*Box(c.Css), THtDrawInfo{});
    EXPECT_EQ(Calls(), c.Expected) << StringToUtf8(c.Css);
  }
}

TEST_F(EffectsTest, BackgroundColourTakesTheOpacity) {
  // Alpha $80 at opacity 0.5 fills with alpha $40.
  Box(u"background-color:rgba(0,0,255,0.5)", TRectF{0, 0, 100, 50}, 0.5f)->FillBackground(THtDrawInfo{0, 10, 10, 0, 0});
  EXPECT_EQ(Calls(), "Smooth off\nFillRect 400000FF 10,10,110,60\nSmooth on\n");
  Box(u"background:red;border-radius:8px")->FillBackground(THtDrawInfo{});
  EXPECT_EQ(Calls(), "Smooth on\nFillRoundRect FFFF0000 0,0,100,50 r8,8\nSmooth on\n");
  // Out of view: nothing.
  Box(u"background:red", TRectF{0, 700, 100, 750})->FillBackground(THtDrawInfo{});
  EXPECT_EQ(Calls(), "");
}

TEST_F(EffectsTest, ColourUnderAnImageIsFilledOnce) {
  TElement* e = Box(u"background:rgba(255,0,0,0.5) url(a.png)");
  THtImage image;
  image.Url = u"a.png";
  image.Width = image.Height = 10;
  TElementBackground& bg = St(e).Background();
  bg.LoadedImage = &image;
  bg.LoadedURL = bg.Image;
  e->FillBackground(THtDrawInfo{});
  // One fill of the translucent colour, then the image over it.
  EXPECT_EQ(G().Only("Fill"), "FillRect 80FF0000 0,0,100,50\nFillImage a.png 0,0,100,50 o1 d0,0 r0\n");
  EXPECT_EQ(G().Balance, 0);
}

TEST_F(EffectsTest, CrossFadeShowsTheOldImageUnderTheNew) {
  TElement* e = Box(u"background:rgba(255,0,0,0.5) url(new.png)");
  THtImage oldImage, newImage;
  oldImage.Url = u"old.png";
  newImage.Url = u"new.png";
  oldImage.Width = oldImage.Height = newImage.Width = newImage.Height = 10;
  TElementBackground& bg = St(e).Background();
  bg.LoadedImage = &newImage;
  bg.PreviousImage = &oldImage;
  bg.LoadedURL = bg.Image;
  // A background-image transition a quarter of the way.
  auto t = std::make_unique<TCSSTransition>();
  t->Prop = FindCSSProp(u"background-image");
  t->CurrentValue = 0.25f;
  t->Active = true;
  St(e).Transitions = std::make_unique<std::map<String, std::unique_ptr<TCSSTransition>>>();
  (*St(e).Transitions)[u"background-image"] = std::move(t);
  e->FillBackground(THtDrawInfo{});
  // The colour once, then the old image at 0.75 and the new one at 0.25:
  // no second colour fill covers the old image.
  EXPECT_EQ(G().Only("Fill"),
            "FillRect 80FF0000 0,0,100,50\n"
            "FillImage old.png 0,0,100,50 o.75 d0,0 r0\n"
            "FillImage new.png 0,0,100,50 o.25 d0,0 r0\n");
}

TEST_F(EffectsTest, AnImageThatCannotLoadIsNotAskedForAgain) {
  TElement* e = Box(u"background:url(missing.png)");
  int asked = 0;
  Doc->OnGetImageObject = [&](THtDocument*, const String&, TElement*) -> THtImage* {
    ++asked;
    return nullptr;
  };
  e->FillBackground(THtDrawInfo{});
  Doc->ResetImageCache();
  e->FillBackground(THtDrawInfo{});
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(St(e).Background().Image, u"");
  EXPECT_EQ(G().Only("FillImage"), "");
}

TEST_F(EffectsTest, GradientsNeedAHeightAndSurviveManyStops) {
  Box(u"background:linear-gradient(red, blue)", TRectF{0, 0, 100, 0})->FillBackground(THtDrawInfo{});
  EXPECT_EQ(G().Only("FillPath"), "");
  String stops;
  for (int i = 0; i < 10000; ++i) stops += i % 2 ? u",red" : u",blue";
  Box(u"background:linear-gradient(to right" + stops + u")")->FillBackground(THtDrawInfo{});
  EXPECT_EQ(G().Only("FillPath").substr(0, 9), "FillPath ");
  Box(u"background:radial-gradient(red, blue)", TRectF{0, 0, 0.4f, 50})->FillBackground(THtDrawInfo{});
  EXPECT_EQ(G().Balance, 0);
}

}  // namespace
}  // namespace ht::testing
