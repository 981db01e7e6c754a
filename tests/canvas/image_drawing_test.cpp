#include "canvas/image_drawing.h"

#include <gtest/gtest.h>

#include "canvas/meta_test_util.h"

namespace ht::testing {
namespace {

std::vector<std::string> DrawnTiles(const TRecTrace& T) {
  std::vector<std::string> out;
  for (const std::string& c : T.Calls)
    if (c.rfind("DrawImage", 0) == 0) out.push_back(c.substr(c.find(' ', 10) + 1, c.rfind(" o=") - c.find(' ', 10) - 1));
  return out;
}

TEST(ImageDrawing, BaseDrawsOnlyVectorImages) {
  TRecTrace trace;
  auto raster = TTestImage::Make(100, 50);
  BaseDrawImage(trace, raster.get(), TRectF(0, 0, 200, 100), 1);
  EXPECT_TRUE(trace.Calls.empty());

  TMetaFixtureCanvas meta;
  THtBrush red(0xFFFF0000);
  meta.FillRectangle(&red, 0, 0, 10, 10);
  THtImage vector;
  vector.IsVector = true;
  vector.Width = 100;
  vector.Height = 50;
  vector.MetaList = meta.List();
  vector.ListShared = true;
  BaseDrawImage(trace, &vector, TRectF(5, 0, 205, 100), 0.5f);
  EXPECT_EQ(trace.Calls, (std::vector<std::string>{
                             "SaveState",
                             "IntersectClip 5,0,205,100",
                             "MatrixTransform+ translate(5,0)",
                             "MatrixTransform+  scale(2,2)",
                             "FillPath 80FF0000 [M 0,0 L 10,0 L 10,10 L 0,10 L 0,0]",
                             "RestoreState",
                         }));
  // A width that rounds to the image's own plays unscaled, whatever the height.
  trace.Calls.clear();
  BaseDrawImage(trace, &vector, TRectF(0, 0, 100.4f, 300), 1);
  EXPECT_EQ(trace.Calls, (std::vector<std::string>{
                             "SaveState",
                             "IntersectClip 0,0,100.4,300",
                             "FillPath FFFF0000 [M 0,0 L 10,0 L 10,10 L 0,10 L 0,0]",
                             "RestoreState",
                         }));
}

TEST(ImageDrawing, TileGrid) {
  struct Case {
    const char* name;
    float w, h;
    TRectF r;
    TPointF origin;
    bool rx, ry;
    std::vector<std::string> tiles;
  } cases[] = {
      {"four columns", 30, 30, {0, 0, 100, 30}, {0, 0}, true, false,
       {"0,0,30,30", "30,0,60,30", "60,0,90,30", "90,0,120,30"}},
      {"shifted grid", 30, 30, {0, 0, 100, 30}, {-10, 0}, true, false,
       {"-20,0,10,30", "10,0,40,30", "40,0,70,30", "70,0,100,30"}},
      {"shift reaching past the box", 30, 30, {0, 0, 100, 30}, {-25, 0}, true, false,
       {"-5,0,25,30", "25,0,55,30", "55,0,85,30", "85,0,115,30"}},
      {"one tile", 30, 20, {10, 10, 100, 100}, {35, 5}, false, false, {"5,5,35,25"}},
      {"rows and columns", 50, 40, {0, 0, 100, 80}, {0, 0}, true, true,
       {"0,0,50,40", "50,0,100,40", "0,40,50,80", "50,40,100,80"}},
      {"zero width", 0, 30, {0, 0, 100, 30}, {0, 0}, true, false, {}},
      {"negative height", 30, -1, {0, 0, 100, 30}, {0, 0}, true, false, {}},
  };
  auto img = TTestImage::Make(30, 30);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecTrace trace;
    BaseTileImage(trace, img.get(), c.w, c.h, c.r, c.origin, c.rx, c.ry, 1, 0);
    EXPECT_EQ(DrawnTiles(trace), c.tiles);
  }
}

TEST(ImageDrawing, TileCountIsBoundByTheClip) {
  auto img = TTestImage::Make(30, 30);
  TRecTrace trace;
  trace.SetClipRect(TRect(0, 0, 50, 40));
  // Only the tiles the clip shows.
  BaseTileImage(trace, img.get(), 10, 10, TRectF(0, 0, 1000, 1000), TPointF(0, 0), true, true, 1, 0);
  EXPECT_EQ(DrawnTiles(trace).size(), 20u);
  // A vanishing tile ends at once instead of never.
  TRecTrace tiny;
  tiny.SetClipRect(TRect(0, 0, 50, 40));
  BaseTileImage(tiny, img.get(), 1e-30f, 1e-30f, TRectF(0, 0, 100, 100), TPointF(0, 0), true, true, 1, 0);
  EXPECT_TRUE(DrawnTiles(tiny).empty());
  TRecTrace unclipped;
  BaseTileImage(unclipped, img.get(), 1e-30f, 10, TRectF(0, 0, 100, 100), TPointF(0, 0), true, false, 1, 0);
  EXPECT_TRUE(DrawnTiles(unclipped).empty());
}

TMeasure Px(float v) {
  TMeasure m;
  m.Init(nullptr);
  m.SetPixels(v);
  return m;
}

TMeasure Keyword(TMeasureFlag f) {
  TMeasure m;
  m.Init(nullptr);
  m.Include(mfNotAuto);
  m.Include(f);
  return m;
}

TMeasure Auto() {
  TMeasure m;
  m.Init(nullptr);
  return m;
}

TEST(ImageDrawing, BackgroundPlacement) {
  struct Case {
    const char* name;
    int iw, ih;
    TRectF box;
    TBackgroundSize size;
    TBackgroundRepeat repeat;
    TMeasure sizeX, sizeY, posX, posY;
    std::string first;  // first call after the fill
  } cases[] = {
      {"contain", 200, 100, {0, 0, 100, 100}, bsContain, brRepeat, Auto(), Auto(), Auto(), Auto(),
       "DrawImage 200x100 0,0,100,50 o=1"},
      {"cover", 200, 100, {0, 0, 100, 100}, bsCover, brRepeat, Auto(), Auto(), Auto(), Auto(),
       "DrawImage 200x100 0,0,200,100 o=1"},
      {"size x only", 200, 100, {0, 0, 300, 300}, bsSize, brRepeat, Px(50), Auto(), Auto(), Auto(),
       "TileImage 50x100 0,0,300,300 origin 0,0 rx ry"},
      {"centred repeat", 50, 50, {0, 0, 300, 50}, bsAuto, brRepeatX, Auto(), Auto(), Keyword(mfCenter), Auto(),
       "TileImage 50x50 0,0,300,50 origin -125,0 rx"},
      {"right repeat", 50, 50, {0, 0, 300, 50}, bsAuto, brRepeatX, Auto(), Auto(), Keyword(mfRight), Auto(),
       "TileImage 50x50 0,0,300,50 origin -250,0 rx"},
      {"offset repeat", 50, 50, {0, 0, 300, 50}, bsAuto, brRepeatX, Auto(), Auto(), Px(20), Auto(),
       "TileImage 50x50 0,0,300,50 origin -20,0 rx"},
      {"bottom", 40, 40, {0, 0, 100, 100}, bsAuto, brNoRepeat, Auto(), Auto(), Auto(), Keyword(mfBottom),
       "DrawImage 40x40 0,60,40,100 o=1"},
      {"centre both", 40, 20, {0, 0, 100, 100}, bsAuto, brNoRepeat, Auto(), Auto(), Keyword(mfCenter),
       Keyword(mfCenter), "DrawImage 40x20 30,40,70,60 o=1"},
      {"left keyword", 40, 20, {10, 0, 100, 100}, bsAuto, brNoRepeat, Auto(), Auto(), Keyword(mfLeft), Px(7),
       "DrawImage 40x20 10,7,50,27 o=1"},
      {"no width", 0, 10, {0, 0, 100, 100}, bsAuto, brNoRepeat, Auto(), Auto(), Auto(), Auto(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto img = TTestImage::Make(c.iw, c.ih);
    TElementBackground bg;
    bg.Size = c.size;
    bg.Repeat = c.repeat;
    bg.SizeX = c.sizeX;
    bg.SizeY = c.sizeY;
    bg.PositionX = c.posX;
    bg.PositionY = c.posY;
    TRecTrace trace;
    trace.FillImage(c.box, img.get(), 0, 0, bg, 1, 0);
    EXPECT_EQ(trace.Calls.empty() ? "" : trace.Calls[0], c.first);
  }
}

TEST(ImageDrawing, CentredRepeatCoversTheWholeBox) {
  auto img = TTestImage::Make(50, 50);
  TElementBackground bg;
  bg.Repeat = brRepeatX;
  bg.PositionX = Keyword(mfCenter);
  bg.PositionY = Auto();
  TRecTrace trace;
  trace.FillImage(TRectF(0, 0, 300, 50), img.get(), 0, 0, bg, 1, 0);
  const auto tiles = DrawnTiles(trace);
  ASSERT_EQ(tiles.size(), 7u);
  EXPECT_EQ(tiles.front(), "-25,0,25,50");
  EXPECT_EQ(tiles.back(), "275,0,325,50");
}

class TFontStyle : public TMeasureContext {
 public:
  float MeasureZoom() const override { return 1; }
  int MeasureFontSize() const override { return 20; }
  bool MeasureRootFontSize(int&) const override { return false; }
  bool MeasureViewport(float&, float&, float&) const override { return false; }
};

TEST(ImageDrawing, RecordedBackgroundNoLongerNeedsItsElement) {
  auto style = std::make_unique<TFontStyle>();
  auto base = std::make_unique<float>(200);
  TElementBackground bg(style.get());
  bg.Size = bsSize;
  bg.SizeX.Parse(u"2em");
  bg.SizeY.Parse(u"25%");
  bg.SizeY.Parent = base.get();
  bg.PositionX.Parse(u"10%");
  bg.PositionX.Parent = base.get();
  TMetaFixtureCanvas meta;
  auto img = TTestImage::Make(20, 10);
  meta.FillImage(TRectF(0, 0, 100, 100), img.get(), 0, 0, bg, 1, 0);
  style.reset();  // the element and its style go away
  base.reset();
  const TElementBackground& kept = *dynamic_cast<THtMetaFillImageRec&>(*meta.List()->GetRec(0)).Background;
  EXPECT_EQ(kept.Size, bsSize);
  EXPECT_EQ(kept.SizeX.ToPixels(), 40);
  EXPECT_EQ(kept.SizeY.ToPixels(), 50);
  EXPECT_EQ(kept.PositionX.ToPixels(), 20);
  EXPECT_TRUE(kept.PositionY.GetAuto());
}

TEST(ImageDrawing, FillImageIsRecordedWithPixelLengths) {
  TMetaFixtureCanvas meta;
  auto img = TTestImage::Make(20, 10);
  TElementBackground bg;
  bg.Repeat = brNoRepeat;
  bg.PositionX = Px(7);
  bg.PositionY = Auto();
  meta.FillImage(TRectF(0, 0, 100, 100), img.get(), 3, 4, bg, 0.5f, 2);
  auto* rec = dynamic_cast<THtMetaFillImageRec*>(meta.List()->GetRec(0));
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->Background->PositionX.ToIntPixels(), 7);
  EXPECT_TRUE(rec->Background->PositionY.GetAuto());
  TRecTrace trace;
  meta.List()->Play(&trace, 0.5f);
  EXPECT_EQ(trace.Calls, (std::vector<std::string>{"DrawImage 20x10 4,-4,24,6 o=.25"}));
}

// A back end with its own background and shadow drawing.
class TOwnDrawing : public TRecTrace {
 public:
  void FillImage(const TRectF& R, THtImage* Image, float, float, const TElementBackground& Background,
                 float Opacity, float) override {
    Calls.push_back("FillImage " + std::to_string(Image->Width) + "x" + std::to_string(Image->Height) + " " +
                    RectText(R) + " x=" + std::to_string(Background.PositionX.ToIntPixels()) +
                    " o=" + TraceNum(Opacity));
  }
  void DrawShadow(THtPath* Path, const THtShadowProps& Props) override {
    Calls.push_back(std::string("DrawShadow ") + (Path ? "path " : "box ") + RectText(Props.R));
  }
};

TEST(ImageDrawing, ReplayReachesTheTargetsOwnOperations) {
  TMetaFixtureCanvas meta;
  auto img = TTestImage::Make(20, 10);
  TElementBackground bg;
  bg.PositionX = Px(7);
  meta.FillImage(TRectF(0, 0, 100, 100), img.get(), 0, 0, bg, 0.5f, 0);
  THtShadowProps shadow;
  shadow.R = TRectF(1, 2, 30, 40);
  THtCanvas& asCanvas = meta;  // recorded through the canvas interface
  asCanvas.DrawShadow(nullptr, shadow);
  ASSERT_EQ(meta.List()->Count(), 2);

  TOwnDrawing target;
  meta.List()->Play(&target, 0.5f);
  EXPECT_EQ(target.Calls, (std::vector<std::string>{"FillImage 20x10 0,0,100,100 x=7 o=.25",
                                                    "DrawShadow box 1,2,30,40"}));
}

}  // namespace
}  // namespace ht::testing
