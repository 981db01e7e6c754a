// Images of the Direct2D back end: decoding through the imaging component,
// the frame table and animation of GIFs composed by the codec, image and
// tile drawing with the device-size cache, box shadows and blurs, pages.
#include <gtest/gtest.h>

#include <cstring>

#include "backends/backends_startup.h"
#include "backends/canvas_dx.h"
#include "backends/dx_images.h"
#include "backends/dx_pages.h"
#include "backends/gif_image.h"
#include "canvas/box_shadow.h"
#include "gif_test_util.h"
#include "platform/core/core_image.h"

namespace ht {
namespace {

using namespace d2d;
using Bytes = std::vector<uint8_t>;

Bytes solidPNG(int W, int H, uint32_t Argb) {
  std::vector<uint32_t> px(size_t(W) * H, Argb);
  return core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), W, H);
}

// A 2 x 1 BMP of 32-bit pixels whose alpha bytes are 0x40.
Bytes alphaBMP() {
  Bytes b = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 32, 0};
  b.resize(54, 0);
  b.insert(b.end(), {0, 0, 200, 0x40, 0, 200, 0, 0x40});
  return b;
}

// A GIF of 1 x 1 frames (red, blue, red) with the given delays, looping
// Loops times (no loop block when negative).
Bytes threeFrameGif(int Loops, uint16_t Delay = 5) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255};
  if (Loops >= 0)
    b.insert(b.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, uint8_t(Loops),
                       uint8_t(Loops >> 8), 0});
  for (int i = 0; i < 3; ++i) {
    b.insert(b.end(), {0x21, 0xF9, 4, 0, uint8_t(Delay), uint8_t(Delay >> 8), 0, 0});
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, uint8_t(i == 1 ? 0x4C : 0x44), 1, 0});
  }
  b.push_back(0x3B);
  return b;
}

class DXImagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { HtBackendsInitialize(); }
  static void TearDownTestSuite() { HtBackendsFinalize(); }
  void SetUp() override {
    ResetD2DFaults();
    FreeD2DHelper();
    BindDirect2DEntryPoints();
    THtCanvasDX::ResetDirectXSupport();
    ASSERT_TRUE(THtCanvasDX::IsDirectXSupported());
    D2DTrace().Clear();
    D2DTrace().Enabled = false;
  }
  void TearDown() override {
    Free();
    D2DTrace().Enabled = false;
    SetPresentSink(nullptr);
    ResetD2DFaults();
    FreeD2DHelper();
    THtCanvasDX::ResetDirectXSupport();
  }
  static std::unique_ptr<THtImageDX> Load(const Bytes& b) {
    auto img = std::make_unique<THtImageDX>();
    img->LoadFromBytes(b, false);
    return img;
  }
  // A scene on a white W x H bitmap.
  void Begin(int W = 300, int H = 200) {
    Free();
    dc = gdi::CreateCompatibleDC(nullptr);
    bmp = gdi::CreateDIBSection32(W, H, nullptr);
    bmp->Surface.Fill(0xFFFFFFFF);
    gdi::SelectObject(dc, bmp);
    target = std::make_unique<gdi::TCanvas>(dc);
    THtCanvasScene s;
    s.Init(TRect(0, 0, W, H), target.get());
    Canvas.BeginScene(s);
    open = true;
  }
  // Ends the scene: the pixels are in the bitmap.
  void End() {
    if (!open) return;
    open = false;
    Canvas.BeforeEndScene();
    Canvas.EndScene();
  }
  void Free() {
    End();
    if (!dc) return;
    target.reset();
    gdi::DeleteDC(dc);
    gdi::DeleteObject(bmp);
    dc = nullptr;
  }
  uint32_t Px(int x, int y) { return bmp->Surface.Pixel(x, y); }
  static int Alpha(uint32_t p) { return int(p >> 24); }
  static int Blue(uint32_t p) { return int(p & 0xFF); }
  static int Count(const std::string& s, const std::string& what) {
    int n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
  }

  THtCanvasDX Canvas;
  gdi::HDC dc = nullptr;
  gdi::HBITMAP bmp = nullptr;
  bool open = false;
  std::unique_ptr<gdi::TCanvas> target;
};

// ---------------------------------------------------------------- decoding

TEST_F(DXImagesTest, DecodingCases) {
  auto png = Load(solidPNG(3, 2, 0xFF00FF00));
  EXPECT_TRUE(png->IsLoaded());
  EXPECT_EQ(png->Width, 3);
  EXPECT_EQ(png->Height, 2);
  EXPECT_EQ(png->FrameCount(), 1u);
  EXPECT_EQ(png->FirstDelay(), 10);
  EXPECT_FALSE(png->Animated);
  EXPECT_TRUE(png->Frames().empty());
  EXPECT_EQ(png->AsBytes().size(), solidPNG(3, 2, 0xFF00FF00).size());

  // A BMP keeps its size and loses its alpha.
  auto bmpImage = Load(alphaBMP());
  ASSERT_TRUE(bmpImage->IsLoaded());
  EXPECT_EQ(bmpImage->Width, 2);
  EXPECT_EQ(bmpImage->Height, 1);
  WICPixelFormatGUID f;
  bmpImage->FDecoded->GetPixelFormat(&f);
  EXPECT_EQ(f, GUID_WICPixelFormat32bppBGR);
  uint8_t px[8];
  ASSERT_EQ(bmpImage->FDecoded->CopyPixels(nullptr, 8, 8, px), S_OK);
  EXPECT_EQ(px[3], 0xFF);
  EXPECT_EQ(px[7], 0xFF);

  // Bytes no decoder reads, and SVG text, are not loaded.
  const Bytes junk = {'B', 'Z', 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(Load(junk)->IsLoaded());
  const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg'/>";
  auto s = Load(Bytes(svg.begin(), svg.end()));
  EXPECT_EQ(s->Kind, hikSVG);
  EXPECT_FALSE(s->IsLoaded());

  // A picture 2000 or more pixels wide is kept without a cache.
  D2DTrace().Enabled = true;
  auto wide = Load(solidPNG(2000, 1, 0xFF0000FF));
  auto narrow = Load(solidPNG(1999, 1, 0xFF0000FF));
  EXPECT_EQ(Count(D2DTrace().Text(), "CreateBitmapFromSource(NoCache)"), 1);
  EXPECT_EQ(wide->FDecoded->Cache, WICBitmapNoCache);
  EXPECT_EQ(narrow->FDecoded->Cache, WICBitmapCacheOnLoad);
  EXPECT_EQ(wide->Width, 2000);
}

TEST_F(DXImagesTest, FailedDecodingCallsRaiseInvalidGraphic) {
  try {
    CheckImageResult(E_FAIL);
    FAIL() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), u"Invalid image. Error -2147467259");
  }
  EXPECT_NO_THROW(CheckImageResult(S_OK));
  EXPECT_NO_THROW(CheckImageResult(1));
}

TEST_F(DXImagesTest, GifFrameTableFromTheCodecsBlocks) {
  // A frame without a control extension: delay 0, disposal 0, transparent.
  Bytes noGce = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 3, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255};
  noGce.insert(noGce.end(), {0x2C, 1, 0, 1, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0});
  noGce.insert(noGce.end(), {0x21, 0xF9, 4, 0x09, 7, 0, 0, 0});
  noGce.insert(noGce.end(), {0x2C, 2, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 1, 0});
  noGce.push_back(0x3B);
  auto img = Load(noGce);
  ASSERT_TRUE(img->IsLoaded());
  // Sized by the logical screen, not by frame 0.
  EXPECT_EQ(img->Width, 4);
  EXPECT_EQ(img->Height, 3);
  ASSERT_EQ(img->Frames().size(), 2u);
  const THtDXFrame& f0 = img->Frames()[0];
  EXPECT_EQ(f0.Delay, 0);
  EXPECT_EQ(f0.Disposal, 0);
  EXPECT_TRUE(f0.Transparent);
  EXPECT_EQ(img->FirstDelay(), 10);
  const THtDXFrame& f1 = img->Frames()[1];
  EXPECT_EQ((std::vector<int>{f1.Left, f1.Top, f1.Right, f1.Bottom}), (std::vector<int>{2, 0, 3, 1}));
  EXPECT_EQ(f1.Delay, 70);
  EXPECT_EQ(f1.Disposal, 2);
  EXPECT_TRUE(f1.Transparent);
  EXPECT_EQ(img->LoopCount(), 1u);
  EXPECT_TRUE(img->Animated);

  // A still GIF whose frame sits inside a larger screen.
  Bytes still = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 3, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255};
  still.insert(still.end(), {0x2C, 1, 0, 1, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B});
  auto one = Load(still);
  ASSERT_TRUE(one->IsLoaded());
  EXPECT_EQ(one->Width, 4);
  EXPECT_EQ(one->Height, 3);
  uint8_t px[4 * 4 * 3];
  ASSERT_EQ(one->FDecoded->CopyPixels(nullptr, 16, sizeof px, px), S_OK);
  EXPECT_EQ(px[(1 * 4 + 1) * 4 + 2], 255);  // red at (1, 1)
  EXPECT_EQ(px[3], 0);                      // the rest of the screen is clear
}

TEST_F(DXImagesTest, HostileGifsStayWithinTheBudget) {
  // A logical screen of 65535 x 65535 around a 1 x 1 frame.
  Bytes huge = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 255, 0, 0, 0, 0, 255};
  huge.insert(huge.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B});
  EXPECT_FALSE(Load(huge)->IsLoaded());
  // A frame past the codec's budget.
  Bytes frame = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255};
  frame.insert(frame.end(), {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x44, 1, 0, 0x3B});
  EXPECT_FALSE(Load(frame)->IsLoaded());
  // Found by fuzzing: an empty first frame the codec cannot compose, then
  // frames of zero height. No exception leaves the image or a paint.
  const Bytes empty = {
      0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x05, 0x00, 0x03, 0x00, 0x91, 0x00, 0x00, 0x00, 0x00, 0x00,
      0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x21, 0xFF, 0x0B, 0x4E, 0x45, 0x54, 0x53,
      0x43, 0x41, 0x50, 0x45, 0x32, 0x2E, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x04,
      0x0A, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00,
      0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x21, 0xFF, 0x0B, 0x4E, 0x45, 0x54, 0x53, 0x43, 0x41,
      0x50, 0x45, 0x32, 0x2E, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x04, 0x0A, 0x00,
      0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x03, 0x00, 0x80, 0x09, 0x09, 0x09, 0xC8,
      0x64, 0x32, 0x02, 0x04, 0x44, 0x8C, 0xA7, 0x58, 0x00, 0x21, 0xF9, 0x04, 0x09, 0x14, 0x00, 0x00,
      0x00, 0x2C, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x40, 0x00, 0x03, 0x00, 0x80, 0x09,
      0x09, 0x09, 0xC8, 0x64, 0x32, 0x02, 0x04, 0x44, 0x8C, 0xA7, 0x58, 0x00, 0x21, 0xF9, 0x04, 0x09,
      0x14, 0x00, 0x00, 0x00, 0x2C, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x40, 0x02, 0x04,
      0x8C, 0x36, 0x12, 0x05, 0x00, 0x3B,
  };
  auto e = Load(empty);
  Begin(8, 8);
  EXPECT_NO_THROW(Canvas.DrawImage(e.get(), TRectF(0, 0, 5, 3), 1));
  // Found by fuzzing: a header whose screen the codec cannot assign a
  // frame to. Not loaded, and no exception leaves loading.
  const Bytes unassignable = {0x47, 0x49, 0x46, 0x00, 0x00, 0x00, 0x80, 0x00, 0x77, 0x00, 0x77, 0x01,
                              0x00, 0x21, 0x01, 0xC7, 0x0C, 0xDC, 0xB6, 0xD9, 0x00, 0x04, 0x9C, 0x4E,
                              0xDC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06};
  std::unique_ptr<THtImageDX> u;
  EXPECT_NO_THROW(u = Load(unassignable));
  EXPECT_FALSE(u->IsLoaded());
  // Thousands of tiny frames load and animate.
  Bytes many = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255};
  for (int i = 0; i < 5000; ++i) many.insert(many.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0});
  many.push_back(0x3B);
  auto img = Load(many);
  ASSERT_TRUE(img->IsLoaded());
  EXPECT_EQ(img->FrameCount(), 5000u);
  Begin(4, 4);
  img->SetCurrentFrame(4999);
  Canvas.DrawImage(img.get(), TRectF(0, 0, 1, 1), 1);
  End();
  EXPECT_EQ(Px(0, 0), 0xFFFF0000u);
}

// ---------------------------------------------------------------- animation

TEST_F(DXImagesTest, LoopCountsAndTheFinishedState) {
  // Loop block 0: for ever.
  auto endless = Load(threeFrameGif(0));
  EXPECT_EQ(endless->LoopCount(), 0u);
  std::vector<int> seen;
  for (int i = 0; i < 7; ++i) {
    EXPECT_TRUE(endless->NextFrame(50));
    seen.push_back(endless->CurrentFrame());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1, 2, 0, 1}));
  // Time below the delay moves nothing.
  EXPECT_FALSE(endless->NextFrame(49));

  // No loop block: one pass, the last frame stays.
  auto once = Load(threeFrameGif(-1));
  EXPECT_EQ(once->LoopCount(), 1u);
  EXPECT_TRUE(once->NextFrame(50));
  EXPECT_TRUE(once->NextFrame(50));
  EXPECT_FALSE(once->NextFrame(50));
  EXPECT_TRUE(once->Finished());
  // A paint limits the index to the last frame; the animation stays over.
  Begin(20, 20);
  Canvas.DrawImage(once.get(), TRectF(0, 0, 10, 10), 1);
  EXPECT_EQ(once->ShownFrame(), 2);
  EXPECT_FALSE(once->NextFrame(50));
  EXPECT_FALSE(once->NextFrame(5000));
  EXPECT_EQ(once->ShownFrame(), 2);
}

// The codec's own picture of frame Index, as premultiplied BGRA bytes.
Bytes codecPicture(const Bytes& Gif, int Index) {
  THtGifImage gif;
  TMemoryStream st(Gif.data(), Gif.size());
  gif.LoadFromStream(st);
  gif.SetFrameIndex(Index);
  TGifBitmap* pic = gif.Bitmap();
  Bytes out(size_t(pic->Width()) * pic->Height() * 4);
  for (int y = 0; y < pic->Height(); ++y)
    for (int x = 0; x < pic->Width(); ++x) {
      const uint8_t* s = pic->ScanLine(y) + x * 4;
      uint8_t* d = out.data() + (size_t(y) * pic->Width() + x) * 4;
      if (s[3]) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
    }
  return out;
}

Bytes pixels(core::TCoreSurface& s) {
  s.Flush();
  Bytes out(size_t(s.Width()) * s.Height() * 4);
  for (int y = 0; y < s.Height(); ++y) std::memcpy(out.data() + size_t(y) * s.Width() * 4, s.ScanLine(y), s.Width() * 4u);
  return out;
}

TEST_F(DXImagesTest, PrepareFrameComposesTheCodecsPictures) {
  for (const char* name : {"disposal_1", "disposal_2", "disposal_3", "animation"}) {
    SCOPED_TRACE(name);
    const Bytes gif = giftest::FixtureBytes(name);
    auto img = Load(gif);
    ASSERT_TRUE(img->IsLoaded());
    ASSERT_GT(img->FrameCount(), 1u);
    Begin(40, 40);
    const int n = int(img->FrameCount());
    // Every frame in turn, then jumps forward over frames and back.
    std::vector<int> order;
    for (int i = 0; i < n; ++i) order.push_back(i);
    order.push_back(0);
    if (n > 2) order.push_back(n - 1);
    order.push_back(n / 2);
    for (int i : order) {
      img->SetCurrentFrame(i);
      Canvas.DrawImage(img.get(), TRectF(0, 0, float(img->Width), float(img->Height)), 1);
      ASSERT_TRUE(img->FFrameBitmap);
      EXPECT_EQ(pixels(*img->FFrameBitmap->Surface), codecPicture(gif, i)) << "frame " << i;
    }
    // A new target gets its bitmap from the frame buffer, which catches up.
    Begin(40, 40);
    img->SetCurrentFrame(1);
    Canvas.DrawImage(img.get(), TRectF(0, 0, float(img->Width), float(img->Height)), 1);
    EXPECT_EQ(pixels(*img->FFrameBitmap->Surface), codecPicture(gif, 1));
    EXPECT_EQ(pixels(*img->FrameBuffer()->Surface), codecPicture(gif, 1));
  }
}

// ---------------------------------------------------------------- drawing

TEST_F(DXImagesTest, DeviceSizedBitmapIsKeptOrMadeAgain) {
  auto img = Load(solidPNG(100, 20, 0xFF0000FF));
  ASSERT_TRUE(img->IsLoaded());
  Begin();
  auto width = [&] { return img->FFrameBitmap ? int(img->FFrameBitmap->GetPixelSize().width) : -1; };
  const struct {
    float W;
    int Expected;
  } steps[] = {{50, 50}, {30, 50}, {52, 50}, {53, 53}, {100, 100}, {20, 100}, {150, 100}};
  for (const auto& s : steps) {
    Canvas.DrawImage(img.get(), TRectF(0, 0, s.W, 10), 1);
    EXPECT_EQ(width(), s.Expected) << s.W;
  }
  // A new target makes the bitmap again.
  auto before = img->FFrameBitmap;
  Begin();
  Canvas.DrawImage(img.get(), TRectF(0, 0, 20, 10), 1);
  EXPECT_NE(img->FFrameBitmap, before);
  EXPECT_EQ(width(), 20);
  // Drawn at its own size: whole pixels.
  Begin(120, 40);
  Canvas.DrawImage(img.get(), TRectF(10.3f, 5.4f, 110.3f, 25.4f), 1);
  End();
  EXPECT_EQ(Px(10, 5), 0xFF0000FFu);
  EXPECT_EQ(Px(109, 24), 0xFF0000FFu);
  EXPECT_EQ(Px(110, 24), 0xFFFFFFFFu);
  EXPECT_EQ(Px(9, 5), 0xFFFFFFFFu);
}

TEST_F(DXImagesTest, OtherImageClassesDrawNothing) {
  THtImageGP gp;
  gp.LoadFromBytes(solidPNG(4, 4, 0xFF000000), false);
  ASSERT_TRUE(gp.IsLoaded());
  Begin(10, 10);
  D2DTrace().Enabled = true;
  Canvas.DrawImage(&gp, TRectF(0, 0, 4, 4), 1);
  EXPECT_EQ(Count(D2DTrace().Text(), "DrawBitmap"), 0);
  End();
  EXPECT_EQ(Px(1, 1), 0xFFFFFFFFu);
}

TEST_F(DXImagesTest, TilesAreTheAskedSizeAndRepeatOnlyWhereAsked) {
  // 10 x 10: left half red, right half blue.
  std::vector<uint32_t> px(100);
  for (int i = 0; i < 100; ++i) px[size_t(i)] = (i % 10) < 5 ? 0xFFFF0000 : 0xFF0000FF;
  auto img = Load(core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), 10, 10));
  ASSERT_TRUE(img->IsLoaded());
  Begin(220, 120);
  // Repeat down only, tile 40 x 20: the left 40 units, every row.
  Canvas.TileImage(img.get(), 40, 20, TRectF(0, 0, 200, 100), TPointF(0, 0), false, true, 1, 0);
  End();
  EXPECT_EQ(Px(5, 5), 0xFFFF0000u);
  EXPECT_EQ(Px(30, 5), 0xFF0000FFu);  // scaled to 40: blue from x 20
  EXPECT_EQ(Px(30, 95), 0xFF0000FFu);
  EXPECT_EQ(Px(45, 50), 0xFFFFFFFFu);
  EXPECT_EQ(Px(150, 50), 0xFFFFFFFFu);
}

// ---------------------------------------------------------------- shadows

THtShadowProps shadow(const TRectF& R, float Blur, float HOffset, float VOffset, float Radius = 0,
                      bool HasBackground = false) {
  THtShadowProps p;
  HtShadowProps(p, R, Radius, true, HOffset, VOffset, Blur, 0xFF000000, 255, false);
  p.HasBackground = HasBackground;
  return p;
}

TEST_F(DXImagesTest, SmallBoxesBlurWholeLargeOnesAsNineSlices) {
  Begin();
  D2DTrace().Enabled = true;
  Canvas.DrawShadow(nullptr, shadow(TRectF(20, 20, 70, 70), 4, 2, 2));
  const std::string small = D2DTrace().Text();
  // b = 10: one bitmap of 70 x 70 at the box moved by the offset.
  EXPECT_EQ(Count(small, "DrawBitmap("), 1);
  EXPECT_NE(small.find("DrawBitmap(70x70 -> 12,12,82,82)"), std::string::npos) << small;
  EXPECT_EQ(Count(small, "PushLayer"), 0);
  D2DTrace().Clear();
  Canvas.DrawShadow(nullptr, shadow(TRectF(100, 50, 200, 150), 4, 2, 2));
  const std::string large = D2DTrace().Text();
  // S = 10, q = 2, T = 18: four corners from an 18 x 17 tile, four edges.
  EXPECT_EQ(Count(large, "PushLayer(mask)"), 1);
  EXPECT_EQ(Count(large, "DrawBitmap(18x17"), 4) << large;
  EXPECT_NE(large.find("FillRectangle(0,0,18,84)"), std::string::npos) << large;
  EXPECT_NE(large.find("FillRectangle(0,0,84,18)"), std::string::npos) << large;
  EXPECT_NE(large.find("DrawBitmap(18x17 -> 194,42,212,60)"), std::string::npos) << large;
  // The same shadow again reuses its pieces.
  D2DTrace().Clear();
  Canvas.DrawShadow(nullptr, shadow(TRectF(100, 50, 200, 150), 4, 2, 2));
  EXPECT_EQ(Count(D2DTrace().Text(), "CreateDCRenderTarget"), 0);
  // Another offset is another key.
  Canvas.DrawShadow(nullptr, shadow(TRectF(100, 50, 200, 150), 4, 3, 2));
  EXPECT_EQ(Count(D2DTrace().Text(), "CreateDCRenderTarget"), 1);
}

TEST_F(DXImagesTest, ShadowPixelsRampOutAndLeaveTheBoxClear) {
  Begin();
  Canvas.DrawShadow(nullptr, shadow(TRectF(60, 40, 160, 140), 4, 2, 2));
  Canvas.DrawShadow(nullptr, shadow(TRectF(200, 40, 250, 90), 3, 4, 4));
  End();
  // Large: darkest at the shadow's edge, fading outwards.
  const int y = 90;
  int last = -1;
  for (int x = 160; x <= 175; ++x) {
    const int b = Blue(Px(x, y));
    EXPECT_GE(b, last) << x;  // lighter (or equal) going out
    last = b;
  }
  EXPECT_LT(Blue(Px(160, y)), 0x80);
  EXPECT_EQ(Px(178, y), 0xFFFFFFFFu);
  // Inside the box the mask kept the shadow off.
  EXPECT_EQ(Px(110, 90), 0xFFFFFFFFu);
  EXPECT_EQ(Px(158, 138), 0xFFFFFFFFu);
  // Small: the box is cut out of its blurred shadow.
  EXPECT_EQ(Px(225, 65), 0xFFFFFFFFu);
  EXPECT_LT(Blue(Px(252, 65)), 0xC0);
  EXPECT_LT(Blue(Px(225, 92)), 0xC0);
}

TEST_F(DXImagesTest, ShadowsWithoutBlurAreThePlainShape) {
  Begin();
  Canvas.DrawShadow(nullptr, shadow(TRectF(60, 40, 160, 140), 0, 6, 6));
  Canvas.DrawShadow(nullptr, shadow(TRectF(200, 40, 250, 90), 0, 4, 4));
  End();
  // Large: S = 6 (the offset), a hard edge at the shadow's right side.
  EXPECT_EQ(Px(163, 90), 0xFF000000u);
  EXPECT_EQ(Px(166, 90), 0xFFFFFFFFu);
  EXPECT_EQ(Px(110, 143), 0xFF000000u);
  EXPECT_EQ(Px(110, 146), 0xFFFFFFFFu);
  EXPECT_EQ(Px(110, 90), 0xFFFFFFFFu);  // under the box
  // Small: the same, cut out where the box is.
  EXPECT_EQ(Px(252, 60), 0xFF000000u);
  EXPECT_EQ(Px(255, 60), 0xFFFFFFFFu);
  EXPECT_EQ(Px(225, 60), 0xFFFFFFFFu);
}

TEST_F(DXImagesTest, ShadowsMovedFurtherThanTheCornerFillTheCentre) {
  // S = 10 (a positive horizontal offset would raise S itself): offsets of
  // 12 up, down or left leave a centre the box does not cover.
  const float offsets[][2] = {{0, 12}, {0, -12}, {-12, 0}, {-12, -12}};
  for (const auto& o : offsets) {
    SCOPED_TRACE(o[0]);
    SCOPED_TRACE(o[1]);
    Begin();
    D2DTrace().Clear();
    D2DTrace().Enabled = true;
    Canvas.DrawShadow(nullptr, shadow(TRectF(80, 50, 180, 150), 4, o[0], o[1], 0, true));
    D2DTrace().Enabled = false;
    End();
    EXPECT_EQ(Count(D2DTrace().Text(), "DrawBitmap(18x17"), 4);
    EXPECT_EQ(Px(int(130 + o[0]), int(100 + o[1])), 0xFF000000u);
    EXPECT_EQ(Px(int(130 + o[0]), int(75 + o[1])), 0xFF000000u);
  }
}

TEST_F(DXImagesTest, InsetAndUnevenRadiiDrawNothing) {
  for (int kind = 0; kind < 3; ++kind) {
    Begin();
    THtShadowProps p = shadow(TRectF(60, 40, 160, 140), 4, 2, 2);
    if (kind == 0) p.Inset = true;
    if (kind == 1) p.OneBorderRadius = false;
    if (kind == 2) p.R = TRectF(-500, -500, -400, -400);  // outside the clip
    D2DTrace().Clear();
    D2DTrace().Enabled = true;
    Canvas.DrawShadow(nullptr, p);
    EXPECT_EQ(D2DTrace().Text(), "") << kind;
    End();
    EXPECT_EQ(Px(160, 90), 0xFFFFFFFFu);
  }
}

TEST_F(DXImagesTest, BlurCacheSameStoresTheKeyAndWantsThePieces) {
  TDXBlurCache c;
  EXPECT_FALSE(c.Same(2, 4, 0xFF000000, false, 100, 100, 2, 2));
  EXPECT_FALSE(c.Same(2, 4, 0xFF000000, false, 100, 100, 2, 2));  // no pieces yet
  c.BR = std::make_shared<ID2D1BitmapBrush>();
  EXPECT_TRUE(c.Same(2, 4.4f, 0xFF000000, false, 300, 50, 2, 2));  // size does not count for a large one
  EXPECT_FALSE(c.Same(2, 4, 0xFF000000, false, 100, 100, 2, 3));
  EXPECT_TRUE(c.Same(2, 4, 0xFF000000, false, 100, 100, 2, 3));
  EXPECT_FALSE(c.Same(2, 4, 0xFF000000, true, 50, 50, 2, 3));
  EXPECT_TRUE(c.Same(2, 4, 0xFF000000, true, 50.4f, 50, 2, 3));
  EXPECT_FALSE(c.Same(2, 4, 0xFF000000, true, 51, 50, 2, 3));
}

TEST_F(DXImagesTest, ClearRoundRectPixels) {
  THtBitmapGP b(20, 20, true);
  b.Surface()->Fill(0xFF000000);
  THtCanvasDX::ClearRoundRectPixels(&b, TRectF(2, 2, 18, 18), 5);
  core::TCoreSurface& s = *b.Surface();
  EXPECT_EQ(s.Pixel(10, 10), 0u);
  EXPECT_EQ(s.Pixel(10, 2), 0u);     // the top edge between the corners
  EXPECT_NE(s.Pixel(2, 2), 0u);      // the corner stays
  EXPECT_NE(s.Pixel(1, 10), 0u);     // outside
  EXPECT_EQ(s.Pixel(2, 10), 0u);
  EXPECT_NE(s.Pixel(10, 18), 0u);
  // Rectangles reaching past the bitmap clear only what is inside.
  THtCanvasDX::ClearRoundRectPixels(&b, TRectF(-5, -5, 40, 40), 3);
  EXPECT_EQ(s.Pixel(19, 19), 0u);
}

TEST_F(DXImagesTest, BlurRectOnWindowTargetsOnly) {
  THtCanvasDX c;
  THtCanvasScene s;
  s.Init(TRect(0, 0, 60, 40), nullptr);
  s.Window = 7;
  c.BeginScene(s);
  c.Clear(0xFFFFFFFF);
  c.FillRectangle(c.GetBrush(0xFF000000), 0, 0, 30, 40);
  c.BlurRect(TRectF(0, 0, 60, 40), nullptr, 0);  // nothing
  auto px = [&](int x, int y) {
    auto dcx = std::dynamic_pointer_cast<ID2D1DeviceContext>(c.Context());
    auto b = std::dynamic_pointer_cast<ID2D1Bitmap>(dcx->GetTarget());
    return b->Surface->Pixel(x, y);
  };
  EXPECT_EQ(px(31, 20), 0xFFFFFFFFu);
  c.BlurRect(TRectF(10, 0, 50, 40), nullptr, 3);
  const uint32_t edgeIn = px(28, 20), edgeOut = px(32, 20);
  EXPECT_LT(Blue(edgeIn), Blue(edgeOut));
  EXPECT_GT(Blue(edgeIn), 0);
  EXPECT_LT(Blue(edgeOut), 255);
  EXPECT_EQ(Alpha(edgeOut), 255);
  EXPECT_EQ(px(5, 20), 0xFF000000u);  // outside R
  EXPECT_EQ(px(55, 20), 0xFFFFFFFFu);
  c.BeforeEndScene();
  c.EndScene();
  // A DC target has no effect to blur with.
  Begin(60, 40);
  Canvas.FillRectangle(Canvas.GetBrush(0xFF000000), 0, 0, 30, 40);
  Canvas.BlurRect(TRectF(10, 0, 50, 40), nullptr, 3);
  End();
  EXPECT_EQ(Px(32, 20), 0xFFFFFFFFu);
}

// ---------------------------------------------------------------- pages

TEST_F(DXImagesTest, CommandListPagesDrawOnWindowTargets) {
  THtPageDX page(10, 10, 1, 96);
  auto& dcx = D2DHelper().DeviceContext;
  ASSERT_TRUE(dcx);
  std::shared_ptr<ID2D1CommandList> list;
  dcx->CreateCommandList(&list);
  dcx->SetTarget(list);
  dcx->BeginDraw();
  std::shared_ptr<ID2D1SolidColorBrush> red;
  dcx->CreateSolidColorBrush(THtCanvasDX::ColorF(0xFFFF0000), nullptr, &red);
  dcx->FillRectangle({0, 0, 20, 20}, red.get());
  EXPECT_EQ(dcx->EndDraw(), S_OK);
  dcx->SetTarget(nullptr);
  ASSERT_EQ(list->Close(), S_OK);
  page.FList = list;
  THtImageCommands img(&page);
  img.Width = 20;
  img.Height = 20;
  EXPECT_EQ(img.CommandList(), list);

  THtCanvasDX c;
  THtCanvasScene s;
  s.Init(TRect(0, 0, 60, 40), nullptr);
  s.Window = 8;
  c.BeginScene(s);
  c.DrawImage(&img, TRectF(10, 10, 50, 50), 1);  // twice the width: scaled by 2, clipped to R
  auto px = [&](int x, int y) {
    auto t = std::dynamic_pointer_cast<ID2D1DeviceContext>(c.Context());
    return std::dynamic_pointer_cast<ID2D1Bitmap>(t->GetTarget())->Surface->Pixel(x, y);
  };
  EXPECT_EQ(px(12, 12), 0xFFFF0000u);
  EXPECT_EQ(px(48, 38), 0xFFFF0000u);
  EXPECT_EQ(px(8, 12), 0u);
  c.BeforeEndScene();
  c.EndScene();
  // A DC target is no device context.
  Begin(20, 20);
  EXPECT_THROW(Canvas.DrawImage(&img, TRectF(0, 0, 20, 20), 1), EOleSysError);
  page.ClearCache();
  EXPECT_FALSE(page.FList);
  EXPECT_FALSE(img.CommandList());
}

TEST_F(DXImagesTest, TheBackEndsClasses) {
  EXPECT_EQ(THtCanvasDX::ClassType.ImageClass(), &THtImageDX::ClassType);
  EXPECT_EQ(THtCanvasDX::ClassType.BitmapClass(), &THtBitmapDX::ClassType);
  EXPECT_EQ(THtCanvasDX::ClassType.PageClass(), &THtPageDX::ClassType);
  EXPECT_EQ(THtCanvasDX::ClassType.PrintCanvasClass(), &THtMetaCanvasDX::ClassType);
  EXPECT_EQ(THtMetaCanvasDX::ClassType.RefCanvas(), &THtCanvasDX::ClassType);
  EXPECT_EQ(THtMetaCanvasDX::ClassType.PageClass(), &THtPageDX::ClassType);
}

}  // namespace
}  // namespace ht
