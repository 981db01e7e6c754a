// GDI+ images, bitmaps and the canvas's shapes, images, shadows and control
// pictures, by pixel probes and the facades' traces.
#include <gtest/gtest.h>

#include <limits>

#include "backends/backends_startup.h"
#include "canvas/box_shadow.h"
#include "gp_test_fixture.h"
#include "platform/core/core_image.h"

namespace ht::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// A GIF of 1 x 1 frames (red, blue, red) with the given delays.
Bytes threeFrameGif(uint16_t d0, uint16_t d1, uint16_t d2) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255};
  const uint16_t delays[3] = {d0, d1, d2};
  for (int i = 0; i < 3; ++i) {
    b.insert(b.end(), {0x21, 0xF9, 4, 0, uint8_t(delays[i]), uint8_t(delays[i] >> 8), 0, 0});
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, uint8_t(i == 1 ? 0x4C : 0x44), 1, 0});
  }
  b.push_back(0x3B);
  return b;
}

// A W x H PNG of one premultiplied colour.
Bytes solidPNG(int W, int H, uint32_t Argb) {
  std::vector<uint32_t> px(size_t(W) * H, Argb);
  return core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), W, H);
}

class GPImages : public GPCanvasTest {
 protected:
  static void SetUpTestSuite() {
    GPCanvasTest::SetUpTestSuite();
    HtBackendsInitialize();
  }
  static void TearDownTestSuite() { HtBackendsFinalize(); }
  std::unique_ptr<THtImageGP> Load(const Bytes& b) {
    auto img = std::make_unique<THtImageGP>();
    img->LoadFromBytes(b, false);
    return img;
  }
};

TEST_F(GPImages, TheCanvasNamesItsImageAndBitmapClasses) {
  EXPECT_EQ(THtCanvasGP::ClassType.ImageClass(), &THtImageGP::ClassType);
  EXPECT_EQ(THtCanvasGP::ClassType.BitmapClass(), &THtBitmapGP::ClassType);
}

TEST_F(GPImages, LoadingAndFailures) {
  auto png = Load(solidPNG(3, 2, 0xFF00FF00));
  EXPECT_TRUE(png->IsLoaded());
  EXPECT_EQ(png->Width, 3);
  EXPECT_EQ(png->Height, 2);
  EXPECT_EQ(png->Kind, hikPNG);
  EXPECT_EQ(png->AsBytes().size(), solidPNG(3, 2, 0xFF00FF00).size());
  // Bytes nothing reads are a failed load, not an empty image.
  const Bytes junk = {'B', 'Z', 1, 2, 3, 4, 5, 6, 7, 8};
  auto bad = Load(junk);
  EXPECT_FALSE(bad->IsLoaded());
  EXPECT_EQ(bad->Width, 0);
  // Empty bytes load as an image of size 0; SVG text only keeps its bytes.
  EXPECT_TRUE(Load({})->IsLoaded());
  const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg'/>";
  auto s = Load(Bytes(svg.begin(), svg.end()));
  EXPECT_EQ(s->Kind, hikSVG);
  EXPECT_FALSE(s->IsLoaded());
  EXPECT_EQ(s->AsBytes().size(), svg.size());
}

TEST_F(GPImages, GifFramesDelaysAndNextFrame) {
  const Bytes gif = threeFrameGif(0, 50, 0);
  auto a = Load(gif);
  ASSERT_TRUE(a->IsLoaded());
  EXPECT_TRUE(a->Animated);
  EXPECT_EQ(a->FrameCount(), 3);
  EXPECT_EQ(a->Delays(), (std::vector<uint32_t>{33, 50, 33}));
  EXPECT_EQ(a->FrameTime, 116);
  // Loading the same bytes again gives the same result.
  auto b = Load(gif);
  EXPECT_EQ(b->Width, a->Width);
  EXPECT_EQ(b->FrameCount(), a->FrameCount());
  // Frame 0 lasts 330 ms.
  EXPECT_FALSE(a->NextFrame(200));
  EXPECT_TRUE(a->NextFrame(200));
  EXPECT_EQ(a->Frame(), 1);
  // The second frame is blue once selected.
  a->SelectFrame();
  Begin(4, 4);
  Canvas->DrawImage(a.get(), TRectF(0, 0, 1, 1), 1);
  EXPECT_EQ(Px(0, 0), 0xFF0000FFu);
  // After the last frame comes the first.
  EXPECT_TRUE(a->NextFrame(500));
  EXPECT_TRUE(a->NextFrame(330));
  EXPECT_EQ(a->Frame(), 0);
}

TEST_F(GPImages, BitmapResizeKeepsTheTopLeft) {
  THtBitmapGP b(20, 10, true);
  b.FillRect(TRect(0, 0, 20, 10), 0xFF00FF00);
  b.FillRect(TRect(0, 0, 5, 5), 0xFFFF0000);
  b.SetSize(10, 20);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 20);
  EXPECT_EQ(b.Surface()->Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(b.Surface()->Pixel(9, 9), 0xFF00FF00u);
  EXPECT_EQ(b.Surface()->Pixel(9, 15), 0u);
  EXPECT_EQ(b.Surface()->Stride(), -40);  // rows bottom-up
  b.SetSize(0, 5);
  EXPECT_EQ(b.Handle, nullptr);
  EXPECT_EQ(b.Surface(), nullptr);
}

TEST_F(GPImages, DrawImageOpacityAndColourMatrix) {
  auto img = Load(solidPNG(2, 2, 0xFFFF0000));
  Begin(10, 10);
  Canvas->DrawImage(img.get(), TRectF(0, 0, 2, 2), 1);
  EXPECT_EQ(Px(0, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(1, 1), 0xFFFF0000u);
  EXPECT_EQ(Px(2, 2), 0xFFFFFFFFu);
  // Scaled into a larger rectangle.
  Canvas->DrawImage(img.get(), TRectF(4, 4, 8, 8), 1);
  EXPECT_EQ(Px(7, 7), 0xFFFF0000u);
  // A colour matrix swapping red and blue, then opacity 0.5 alone: the
  // second draw uses the identity with alpha 0.5.
  THtColorMatrix cm{};
  cm[2] = 1, cm[5 + 1] = 1, cm[10 + 0] = 1, cm[15 + 3] = 1, cm[24] = 1;
  Canvas->SetImageColorMatrix(cm);
  Canvas->DrawImage(img.get(), TRectF(0, 4, 2, 6), 1);
  EXPECT_EQ(Px(0, 4), 0xFF0000FFu);
  Canvas->EndScene();
  auto plain = std::make_unique<TProbeCanvasGP>();
  Canvas = std::move(plain);
  Begin(10, 10);
  Canvas->DrawImage(img.get(), TRectF(0, 0, 2, 2), 0.5f);
  const uint32_t p = Px(0, 0);
  EXPECT_NEAR(int((p >> 16) & 0xFF), 255, 1);
  EXPECT_NEAR(int((p >> 8) & 0xFF), 127, 2);
}

TEST_F(GPImages, TileImageScalesToTheTileAndCutsAtIt) {
  // 2 x 2 image: left column red, right column blue.
  std::vector<uint32_t> px = {0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFF0000FF};
  auto img = Load(core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), 2, 2));
  Begin(40, 40);
  // Tiles of 10 x 10: five red columns then five blue, repeated.
  Canvas->TileImage(img.get(), 10, 10, TRectF(0, 0, 40, 20), TPointF(0, 0), true, true, 1, 0);
  EXPECT_EQ(Px(2, 2), 0xFFFF0000u);
  // Scaled smoothly: the middle of each half keeps its colour.
  EXPECT_GT(Px(7, 2) & 0xFF, 0xF0u);
  EXPECT_EQ(Px(12, 12), 0xFFFF0000u);
  EXPECT_GT(Px(37, 17) & 0xFF, 0xF0u);
  // Not repeating vertically: one tile of 10 rows, all of it.
  Canvas->Clear(0xFFFFFFFF);
  Canvas->TileImage(img.get(), 10, 10, TRectF(0, 0, 40, 40), TPointF(0, 0), true, false, 1, 0);
  EXPECT_EQ(Px(2, 9), 0xFFFF0000u);
  EXPECT_EQ(Px(2, 10), 0xFFFFFFFFu);
}

TEST_F(GPImages, RadialGradientsRunFromTheCentre) {
  Begin(100, 100);
  auto brush = THtCanvasGP::ClassType.BrushClass()->CreateRadialGradient(0, 0, 50, 50, 50, 50, 30, THtMatrixData());
  brush->SetGradientColors({0, 1}, {0xFFFF0000, 0xFF0000FF});
  Canvas->FillRectangle(brush.get(), 0, 0, 100, 100);
  // Red at the centre, blue at the edge of the circle and outside it.
  EXPECT_GT((Px(50, 50) >> 16) & 0xFF, 240u);
  EXPECT_EQ(Px(2, 2), 0xFF0000FFu);
  EXPECT_GT(Px(50, 79) & 0xFF, 200u);
  // A path: outside the gradient ellipse the last colour goes on too.
  Canvas->Clear(0xFFFFFFFF);
  auto path = THtCanvasGP::ClassType.PathClass()->Create(false);
  path->AddRectangle(0, 0, 100, 100);
  Canvas->FillPath(brush.get(), path.get());
  EXPECT_EQ(Px(2, 2), 0xFF0000FFu);
  EXPECT_GT((Px(50, 50) >> 16) & 0xFF, 240u);
}

TEST_F(GPImages, LinesAndRectangles) {
  Begin(100, 100);
  THtPen* pen = Canvas->GetPen(0xFF000000, 1);
  // A horizontal line is aliased: whole pixels only.
  Canvas->DrawLine(pen, 10, 10, 50, 10);
  EXPECT_EQ(Px(20, 10), 0xFF000000u);
  EXPECT_EQ(Px(20, 9), 0xFFFFFFFFu);
  EXPECT_EQ(Px(20, 11), 0xFFFFFFFFu);
  // A diagonal one is anti-aliased: some grey.
  Canvas->DrawLine(pen, 10, 20, 50, 37);
  bool grey = false;
  for (int y = 20; y < 40; ++y) {
    const uint32_t c = Px(30, y) & 0xFF;
    grey |= c > 0 && c < 255;
  }
  EXPECT_TRUE(grey);
  // Dashed rectangles: large ones are drawn solid.
  gdiplus::GdipTrace().Enabled = true;
  pen->SetStyle(hpsDash);
  Canvas->DrawRectangle(pen, 0, 0, 1200, 50);
  EXPECT_EQ(pen->GetStyle(), hpsDash);
  pen->SetWidth(3);
  auto lightOnTop = [&] {
    int n = 0;
    for (int x = 5; x < 75; ++x) n += (Px(x, 1) & 0xFF) > 200;
    return n;
  };
  Canvas->Clear(0xFFFFFFFF);
  Canvas->DrawRectangle(pen, 0.0f, 0.0f, 800.0f, 50.0f);
  EXPECT_GT(lightOnTop(), 5);
  Canvas->Clear(0xFFFFFFFF);
  Canvas->DrawRectangle(pen, 0.0f, 0.0f, 1200.0f, 50.0f);
  EXPECT_EQ(lightOnTop(), 0);
}

TEST_F(GPImages, BoxShadowThroughBitmapsAndBlur) {
  Begin(100, 100);
  THtShadowProps p;
  HtShadowProps(p, TRectF(30, 30, 60, 60), 0, true, 5, 5, 6, 0xFF000000, 255, false);
  Canvas->DrawShadow(nullptr, p);
  // Dark under the offset box, fading outwards, nothing far away.
  EXPECT_LT(Px(62, 62) & 0xFF, 200u);
  EXPECT_EQ(Px(5, 5), 0xFFFFFFFFu);
  const uint32_t edge = Px(68, 45) & 0xFF;
  EXPECT_GT(edge, Px(62, 45) & 0xFF);
}

TEST_F(GPImages, ClassicControlPictures) {
  Begin(60, 20);
  gdi::GdiTrace().Enabled = true;
  gdi::GdiTrace().Clear();
  Canvas->DrawCheck(TRectF(2, 3, 15, 16), 96, true, false, false, false);
  Canvas->DrawRadio(TRectF(22, 3, 35, 16), 96, false, false, false, false);
  Canvas->DrawButton(TRectF(40, 2, 58, 18), 96, false, false, false, false);
  EXPECT_EQ(gdi::GdiTrace().Count("DrawFrameControl"), 3);
  gdi::GdiTrace().Enabled = false;
  auto darkest = [&] {
    uint32_t m = 255;
    for (int y = 6; y < 14; ++y)
      for (int x = 6; x < 14; ++x) m = std::min(m, Px(x, y) & 0xFF);
    return m;
  };
  // The check box: a white inside with a dark tick; the button its face.
  EXPECT_LT(darkest(), 60u);
  EXPECT_EQ(Px(12, 12), 0xFFFFFFFFu);
  EXPECT_EQ(Px(28, 9), 0xFFFFFFFFu);
  EXPECT_EQ(Px(49, 10), 0xFFF0F0F0u);
  // A disabled checked box draws its tick grey.
  Canvas->Clear(0xFFFFFFFF);
  Canvas->DrawCheck(TRectF(2, 3, 15, 16), 96, true, false, false, true);
  const uint32_t tick = darkest();
  EXPECT_TRUE(tick > 60 && tick < 200) << tick;
}

TEST_F(GPImages, BitmapsDrawWithOpacity) {
  Begin(20, 20);
  THtBitmapGP b(4, 4, true);
  b.FillRect(TRect(0, 0, 4, 4), 0xFF000000);
  Canvas->DrawBitmap(&b, TRectF(2, 2, 10, 10), TRect(0, 0, 4, 4), 0.5f);
  EXPECT_NEAR(int(Px(5, 5) & 0xFF), 128, 2);
  EXPECT_EQ(Px(11, 11), 0xFFFFFFFFu);
  // An empty source rectangle draws nothing.
  Canvas->DrawBitmap(&b, TRectF(12, 12, 16, 16), TRect(0, 0, 0, 4), 1);
  EXPECT_EQ(Px(13, 13), 0xFFFFFFFFu);
}


// A 20 x 10 bitmap in four quadrants: red, green over blue, white.
constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
void fillQuadrants(THtBitmapGP& b) {
  b.FillRect(TRect(0, 0, 10, 5), kRed);
  b.FillRect(TRect(10, 0, 20, 5), kGreen);
  b.FillRect(TRect(0, 5, 10, 10), kBlue);
  b.FillRect(TRect(10, 5, 20, 10), kWhite);
}

TEST_F(GPImages, ScaleInPlaceStretchesIntoTheRectangleCutToTheBitmap) {
  struct Probe {
    int x, y;
    uint32_t want;
  };
  struct Case {
    const char* what;
    TRectF r;
    std::vector<Probe> probes;
  } cases[] = {
      // Half size at (5, 2); the rest keeps the old picture.
      {"shrunk", TRectF(5, 2, 15, 7), {{6, 3, kRed}, {13, 3, kGreen}, {6, 6, kBlue}, {13, 6, kWhite},
                                       {2, 8, kBlue}, {17, 1, kGreen}, {1, 1, kRed}}},
      // Twice the size from (-10, -5): the centre of the picture fills the
      // bitmap, cut on all four sides.
      {"grown", TRectF(-10, -5, 30, 15), {{2, 2, kRed}, {17, 2, kGreen}, {2, 7, kBlue}, {17, 7, kWhite}}},
      // Squashed to a quarter of the height: rows stay in order.
      {"aspect", TRectF(0, 0, 20, 5), {{2, 0, kRed}, {17, 1, kGreen}, {2, 4, kBlue}, {17, 3, kWhite},
                                      {2, 7, kBlue}, {17, 8, kWhite}}},
      // Only the top-left corner lands inside.
      {"past the edges", TRectF(15, 8, 35, 18), {{16, 9, kRed}, {2, 2, kRed}, {12, 2, kGreen}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    THtBitmapGP b(20, 10, true);
    fillQuadrants(b);
    ASSERT_TRUE(ScaleInPlace(b, c.r));
    EXPECT_EQ(b.Width(), 20);
    for (const Probe& p : c.probes) EXPECT_EQ(b.Surface()->Pixel(p.x, p.y), p.want) << p.x << "," << p.y;
  }
}

TEST_F(GPImages, ScaleInPlaceRefusesSizesItCannotScaleTo) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const TRectF bad[] = {TRectF(0, 0, 0, 10),         TRectF(0, 0, 10, 0.2f),       TRectF(10, 10, 0, 0),
                        TRectF(0, 0, nan, 10),       TRectF(inf, 0, 10, 10),       TRectF(0, 0, 1e9f, 1e9f),
                        TRectF(0, 0, 200000, 200000), TRectF(-3e9f, 0, 10, 10)};
  for (const TRectF& r : bad) {
    SCOPED_TRACE(::testing::Message() << r.Left << " " << r.Top << " " << r.Right << " " << r.Bottom);
    THtBitmapGP b(20, 10, true);
    fillQuadrants(b);
    EXPECT_FALSE(ScaleInPlace(b, r));
    EXPECT_EQ(b.Surface()->Pixel(1, 1), kRed);
    EXPECT_EQ(b.Surface()->Pixel(18, 8), kWhite);
  }
  THtBitmapGP empty(0, 0, true);
  EXPECT_FALSE(ScaleInPlace(empty, TRectF(0, 0, 10, 10)));
}

TEST_F(GPImages, FastScaleRescalesTheKeptBitmapAndShowsAZoomIn) {
  Target = std::make_unique<gdi::TBitmap>(20, 10);
  Target->Surface().Fill(kWhite);
  THtCanvasScene s;
  s.Init(TRect(0, 0, 20, 10), &Target->Canvas());
  // Nothing kept: the caller repaints.
  EXPECT_FALSE(Canvas->FastScale(s, TRectF(0, 0, 40, 20)));

  // The kept bitmap of a smaller window grows to the viewport first.
  THtBitmapGP kept(10, 5, true);
  kept.FillRect(TRect(0, 0, 10, 5), kRed);
  kept.FillRect(TRect(5, 0, 10, 5), kBlue);
  s.Bitmap = &kept;
  // Zooming in shows the stretched picture at once.
  ASSERT_TRUE(Canvas->FastScale(s, TRectF(0, 0, 40, 20)));
  EXPECT_EQ(kept.Width(), 20);
  EXPECT_EQ(kept.Height(), 10);
  EXPECT_EQ(Px(2, 2), kRed);
  EXPECT_EQ(Px(17, 8), kBlue);
  EXPECT_EQ(kept.Surface()->Pixel(17, 8), kBlue);
  // Zooming out leaves the target alone (the caller paints the strips).
  Target->Surface().Fill(kWhite);
  ASSERT_TRUE(Canvas->FastScale(s, TRectF(0, 0, 10, 5)));
  EXPECT_EQ(kept.Surface()->Pixel(2, 1), kRed);
  EXPECT_EQ(kept.Surface()->Pixel(8, 1), kBlue);
  EXPECT_EQ(kept.Surface()->Pixel(15, 8), kBlue);
  EXPECT_EQ(Px(2, 2), kWhite);

  // Without a bitmap in the given scene, the one of the last scene is used.
  THtCanvasScene painted;
  painted.Init(TRect(0, 0, 20, 10), &kept);
  painted.Bitmap = &kept;
  Canvas->BeginScene(painted);
  Canvas->EndScene();
  s.Bitmap = nullptr;
  EXPECT_TRUE(Canvas->FastScale(s, TRectF(0, 0, 30, 15)));
  // An empty viewport or rectangle is refused.
  s.ViewPort = TRect(0, 0, 0, 0);
  EXPECT_FALSE(Canvas->FastScale(s, TRectF(0, 0, 30, 15)));
  s.ViewPort = TRect(0, 0, 20, 10);
  EXPECT_FALSE(Canvas->FastScale(s, TRectF(0, 0, 0, 15)));
}

}  // namespace
}  // namespace ht::testing
