#include "canvas/box_shadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "canvas/brush.h"
#include "canvas/canvas_scene.h"
#include "canvas/matrix.h"
#include "support/trace_canvas.h"

namespace ht {
namespace {

using testing::TraceNum;

std::vector<std::string>& shadowLog() {
  static std::vector<std::string> log;
  return log;
}

std::string rectText(const TRectF& R) {
  return TraceNum(R.Left) + "," + TraceNum(R.Top) + "," + TraceNum(R.Right) + "," + TraceNum(R.Bottom);
}
std::string rectText(const TRect& R) { return rectText(TRectF(float(R.Left), float(R.Top), float(R.Right), float(R.Bottom))); }

// Bounds of the points of a trace path's moves and lines.
TRectF pointBounds(const testing::TTracePath* Path) {
  TRectF b(1e9f, 1e9f, -1e9f, -1e9f);
  for (const std::string& op : Path->Ops) {
    float x, y;
    if ((op[0] == 'M' || op[0] == 'L') && sscanf(op.c_str() + 1, " %f,%f", &x, &y) == 2)
      b = TRectF(std::min(b.Left, x), std::min(b.Top, y), std::max(b.Right, x), std::max(b.Bottom, y));
  }
  return b;
}

class TLogBitmap : public THtBitmap {
 public:
  static const THtBitmapClass ClassType;
  const THtBitmapClass* ClassRefOf() const override { return &ClassType; }
  TLogBitmap(int AWidth, int AHeight, bool DIB) : THtBitmap(AWidth, AHeight, DIB), w(AWidth), h(AHeight) {
    shadowLog().push_back("new bitmap " + std::to_string(w) + "x" + std::to_string(h));
  }
  int GetHeight() const override { return h; }
  int GetWidth() const override { return w; }
  THtObject* GetCanvas() const override { return nullptr; }
  void FillRect(const TRect& R, uint32_t) override { shadowLog().push_back("clear " + rectText(R)); }
  void DrawOnCanvas(const THtObject*, const TRectF&, uint8_t, bool) override {}
  void SetSize(int NewWidth, int NewHeight) override {
    w = NewWidth;
    h = NewHeight;
    shadowLog().push_back("resize bitmap");
  }
  int w, h;
};
const THtBitmapClass TLogBitmap::ClassType{"TLogBitmap", &THtBitmap::ClassType,
                                           &CreateInstance<TLogBitmap, THtBitmap, int, int, bool>};

class TShadowCanvasClass : public testing::TTraceCanvasClass {
 public:
  using TTraceCanvasClass::TTraceCanvasClass;
  const THtBitmapClass* BitmapClass() const override { return &TLogBitmap::ClassType; }
};

// Logs, from every canvas of its class, the calls a shadow makes; a scratch
// canvas's lines start with "  " so the two levels read apart. Fills are
// logged with the filled area in device coordinates.
class TShadowCanvas : public testing::TTraceCanvas {
 public:
  static const TShadowCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
  TShadowCanvas() : scratch(count()++ > 0) {}
  ~TShadowCanvas() override { --count(); }

  void log(const std::string& s) { shadowLog().push_back((scratch ? "  " : "") + s); }
  void BeginScene(const THtCanvasScene& S) override {
    TTraceCanvas::BeginScene(S);
    log("BeginScene");
  }
  void EndScene() override { log("EndScene"); }
  void SaveState() override {
    TTraceCanvas::SaveState();
    log("SaveState");
  }
  void RestoreState() override {
    TTraceCanvas::RestoreState();
    log("RestoreState");
  }
  void MatrixTransform(const THtMatrixData& M, bool Add) override {
    TTraceCanvas::MatrixTransform(M, Add);
    log(Calls.back());
  }
  void SetSmoothingMode(bool Smooth) override { log(Smooth ? "Smooth on" : "Smooth off"); }
  void SetCompositingMode(bool Over) override { log(Over ? "Over" : "Copy"); }
  void FillPath(THtBrush* Brush, THtPath* Path) override {
    const TRectF b = CurrentMatrix()->TransformRect(pointBounds(dynamic_cast<testing::TTracePath*>(Path)));
    char color[16];
    snprintf(color, sizeof color, "%08X", Brush->GetColor());
    log(std::string("Fill ") + color + " " + rectText(b));
  }
  void BlurRect(const TRectF& R, THtPath*, float Radius) override {
    log("Blur " + rectText(R) + " " + TraceNum(Radius));
  }
  void DrawBitmap(THtBitmap*, const TRectF& D, const TRect& S, float Opacity) override {
    log("DrawBitmap " + rectText(D) + " <- " + rectText(S) + " @" + TraceNum(Opacity));
  }

  bool scratch;
  static int& count() {
    static int n = 0;
    return n;
  }
};
const TShadowCanvasClass TShadowCanvas::ClassType{"TShadowCanvas", &testing::TTraceCanvas::ClassType,
                                                  &CreateInstance<TShadowCanvas, THtCanvas>};

class BoxShadowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shadowLog().clear();
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, 2000, 2000), nullptr);
    canvas.BeginScene(scene);
    shadowLog().clear();
  }
  THtShadowProps props(const TRectF& R, float Radius, float H, float V, float Blur, uint32_t Color, uint8_t Opacity) {
    THtShadowProps p;
    HtShadowProps(p, R, Radius, false, H, V, Blur, Color, Opacity, false);
    return p;
  }
  std::vector<std::string> draw(const THtShadowProps& p) {
    shadowLog().clear();
    DrawBoxShadow(canvas, p, nullptr, cache);
    return shadowLog();
  }
  TShadowCanvas canvas;
  std::unique_ptr<THtShadowCache> cache;
};

TEST_F(BoxShadowTest, Geometry) {
  THtShadowProps p = props(TRectF(0, 0, 200, 200), 0, 2, 3, 4, 0xFF000000, 255);
  const int pad = ShadowPad(p.Blur);
  EXPECT_EQ(pad, 12);
  EXPECT_EQ(ShadowCacheSide(p, pad), 56);
  EXPECT_EQ(ShadowPad(2.5f / 3), 2);  // 2.5 rounds to even
  // A 10000px blur would ask for a 60000-pixel bitmap: the blur is bounded.
  EXPECT_EQ(ShadowPad(10000), int(HtMaxShadowBlur * 3));
  EXPECT_FALSE(IsLargeShadow(props(TRectF(0, 0, 100, 100), 0, 0, 0, 1, 0, 255)));
  EXPECT_TRUE(IsLargeShadow(p));

  // HtShadowProps leaves the background fields alone.
  p.BackgroundColor = 0xFF00FF00;
  p.HasBackground = true;
  HtShadowProps(p, TRectF(1, 2, 3, 4), 5, true, 6, 7, 8, 9, 10, true);
  EXPECT_EQ(p.BackgroundColor, 0xFF00FF00u);
  EXPECT_TRUE(p.HasBackground);
  EXPECT_EQ(p.Opacity, 10);
}

TEST_F(BoxShadowTest, CacheKey) {
  const THtShadowProps base = props(TRectF(0, 0, 200, 200), 4, 2, 3, 4, 0xFF000000, 255);
  struct Case {
    const char* change;
    void (*apply)(THtShadowProps&);
    bool same;
  } cases[] = {
      {"box", [](THtShadowProps& p) { p.R = TRectF(50, 50, 500, 300); }, true},
      {"opacity", [](THtShadowProps& p) { p.Opacity = 10; }, true},
      {"background colour", [](THtShadowProps& p) { p.BackgroundColor = 0xFFFFFFFF; }, true},
      {"blur within tolerance", [](THtShadowProps& p) { p.Blur = 4.0002f; }, true},
      {"colour", [](THtShadowProps& p) { p.Color = 0xFE000000; }, false},
      {"blur", [](THtShadowProps& p) { p.Blur = 5; }, false},
      {"radius", [](THtShadowProps& p) { p.MaxBorderRadius = 5; }, false},
      {"offset", [](THtShadowProps& p) { p.VOffset = 2; }, false},
      // Decides whether the box is cut out of the cached bitmap.
      {"background presence", [](THtShadowProps& p) { p.HasBackground = true; }, false},
  };
  for (const Case& c : cases) {
    THtShadowProps p = base;
    c.apply(p);
    EXPECT_EQ(SameShadowKey(base, p), c.same) << c.change;
  }
}

TEST_F(BoxShadowTest, SmallBoxDrawsItsOwnBitmapAndCutsTheBoxOut) {
  // 100 x 100 at (10, 20), offset (2, 3), blur 4: pad 12, bitmap 124 x 124
  // drawn at (0, 11); the box lies at (12 - 2, 12 - 3) in the bitmap.
  THtShadowProps p = props(TRectF(10, 20, 110, 120), 0, 2, 3, 4, 0x80FF0000, 128);
  p.HasBackground = true;
  p.BackgroundColor = 0x80FFFFFF;
  EXPECT_EQ(draw(p), (std::vector<std::string>{
                         "new bitmap 124x124",
                         "clear 0,0,124,124",
                         "  BeginScene",
                         "  SaveState",
                         "  MatrixTransform+ translate(2,-8)",
                         "  Smooth off",
                         "  Fill 80FF0000 12,12,112,112",
                         "  RestoreState",
                         "  Blur 0,0,124,124 2",
                         "  MatrixTransform+ translate(0,-11)",
                         "  Copy",
                         "  Fill 00FFFFFF 10,9,110,109",
                         "  EndScene",
                         "DrawBitmap 0,11,124,135 <- 0,0,124,124 @.5",
                     }));
  // An opaque background covers the shadow under the box: no cut-out.
  p.BackgroundColor = 0xFFFFFFFF;
  for (const std::string& line : draw(p)) EXPECT_EQ(line.find("00FFFFFF"), std::string::npos) << line;
}

TEST_F(BoxShadowTest, LargeBoxesShareOneCachedBitmap) {
  // Blur 4, radius 0, offset (2, 3): pad 12, side 56, half 23.
  THtShadowProps p = props(TRectF(100, 100, 300, 300), 0, 2, 3, 4, 0xFF000000, 255);
  std::vector<std::string> first = draw(p);
  ASSERT_GE(first.size(), 3u);
  EXPECT_EQ(first[0], "new bitmap 56x56");
  EXPECT_EQ(first[1], "clear 0,0,56,56");
  // The shadow shape, then the box at its offset cut out of it: the same
  // geometry as for small boxes.
  EXPECT_NE(std::find(first.begin(), first.end(), "  Fill FE000000 12,12,44,44"), first.end());
  EXPECT_NE(std::find(first.begin(), first.end(), "  Fill 00FFFFFF 10,9,42,41"), first.end());
  // Shadow rect (90, 91, 314, 315); slices at whole pixels.
  const std::vector<std::string> slices = {
      "SaveState",
      "MatrixTransform= ",
      "DrawBitmap 90,91,113,114 <- 0,0,23,23 @1",
      "DrawBitmap 291,91,314,114 <- 33,0,56,23 @1",
      "DrawBitmap 90,292,113,315 <- 0,33,23,56 @1",
      "DrawBitmap 291,292,314,315 <- 33,33,56,56 @1",
      "DrawBitmap 113,91,291,111 <- 23,0,24,20 @1",
      "DrawBitmap 113,289,291,315 <- 23,30,24,56 @1",
      "DrawBitmap 90,114,111,292 <- 0,23,21,24 @1",
      "DrawBitmap 289,114,314,292 <- 31,23,56,24 @1",
      "RestoreState",
  };
  EXPECT_EQ(std::vector<std::string>(first.end() - long(slices.size()), first.end()), slices);

  // Another box, opacity and background colour: the cached bitmap is reused,
  // and the opacity still applies.
  THtShadowProps q = p;
  q.R = TRectF(0, 0, 400, 250);
  q.Opacity = 51;
  q.BackgroundColor = 0x80808080;
  std::vector<std::string> second = draw(q);
  for (const std::string& line : second) EXPECT_EQ(line.find("  "), std::string::npos) << line;
  EXPECT_NE(second[2].find("@.2"), std::string::npos) << second[2];

  q.Color = 0xFF0000FF;
  std::vector<std::string> third = draw(q);
  EXPECT_EQ(third[0], "clear 0,0,56,56");
  EXPECT_NE(std::find(third.begin(), third.end(), "  Fill FE0000FF 12,12,44,44"), third.end());
}

TEST_F(BoxShadowTest, CanvasKeepsItsOwnCache) {
  const THtShadowProps p = props(TRectF(100, 100, 300, 300), 0, 2, 3, 4, 0xFF000000, 255);
  shadowLog().clear();
  canvas.DrawShadow(nullptr, p);
  ASSERT_FALSE(shadowLog().empty());
  EXPECT_EQ(shadowLog()[0], "new bitmap 56x56");
  // The second large shadow is cut from the bitmap the canvas kept.
  shadowLog().clear();
  canvas.DrawShadow(nullptr, p);
  for (const std::string& line : shadowLog()) {
    EXPECT_EQ(line.find("bitmap"), std::string::npos) << line;
    EXPECT_EQ(line.find("  "), std::string::npos) << line;
  }
}

TEST_F(BoxShadowTest, RotatedSlicesStayInDocumentUnits) {
  canvas.RotateTransform(30);
  shadowLog().clear();
  THtShadowProps p = props(TRectF(100, 100, 300, 300), 0, 2, 3, 4, 0xFF000000, 255);
  std::vector<std::string> calls = draw(p);
  for (const std::string& line : calls) EXPECT_EQ(line.find("MatrixTransform= "), std::string::npos) << line;
  EXPECT_NE(std::find(calls.begin(), calls.end(), "DrawBitmap 90,91,113,114 <- 0,0,23,23 @1"), calls.end());
}

TEST_F(BoxShadowTest, ScaledSlicesArePlacedInDevicePixels) {
  canvas.ScaleTransform(2, 2);
  THtShadowProps p = props(TRectF(100, 100, 300, 300), 0, 2, 3, 4, 0xFF000000, 255);
  std::vector<std::string> calls = draw(p);
  // s = 46, D = (180, 182, 628, 630).
  EXPECT_NE(std::find(calls.begin(), calls.end(), "DrawBitmap 180,182,226,228 <- 0,0,23,23 @1"), calls.end());
}

TEST_F(BoxShadowTest, HugeBlurStaysBounded) {
  THtShadowProps p = props(TRectF(0, 0, 50, 50), 0, 0, 0, 10000, 0xFF000000, 255);
  std::vector<std::string> calls = draw(p);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "new bitmap 650x650");
  // A long thin box goes through the cache rather than a bitmap of its own.
  calls = draw(props(TRectF(0, 0, 39000, 1), 0, 0, 0, 50, 0xFF000000, 255));
  EXPECT_EQ(calls[0], "new bitmap 605x605");
}

}  // namespace
}  // namespace ht
