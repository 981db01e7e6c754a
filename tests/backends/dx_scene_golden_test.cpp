// A reviewed picture of a whole Direct2D window scene: text, a PNG, a GIF
// frame and a box shadow, as the present sink receives it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "backends/backends_startup.h"
#include "backends/canvas_dx.h"
#include "canvas/box_shadow.h"
#include "gif_test_util.h"
#include "platform/core/core_fonts.h"
#include "platform/core/core_image.h"

namespace ht {
namespace {

using namespace d2d;

std::string sourceDir() {
  const char* s = std::getenv("TARNWICK_SOURCE_DIR");
  return s ? s : ".";
}

TEST(DXSceneGolden, WindowSceneWithTextImagesAndShadow) {
  core::FontSystem::UseTestFonts();
  HtBackendsInitialize();
  FreeD2DHelper();
  THtCanvasDX::ResetDirectXSupport();
  ASSERT_TRUE(THtCanvasDX::IsDirectXSupported());
  const int W = 220, H = 120;
  core::TCoreSurface shown(W, H);
  int presents = 0;
  SetPresentSink([&](HWND, const core::TCoreSurface& Front) {
    ++presents;
    auto& f = const_cast<core::TCoreSurface&>(Front);
    f.Flush();
    for (int y = 0; y < H && y < f.Height(); ++y)
      std::memcpy(shown.ScanLine(y), f.ScanLine(y), size_t(std::min(W, f.Width())) * 4);
    shown.MarkDirty();
  });
  {
    // A 24 x 16 PNG: a blue square on orange, with a half-transparent row.
    std::vector<uint32_t> px(24 * 16, 0xFFFF8000);
    for (int y = 4; y < 12; ++y)
      for (int x = 8; x < 16; ++x) px[size_t(y) * 24 + x] = 0xFF2040C0;
    for (int x = 0; x < 24; ++x) px[size_t(15) * 24 + x] = 0x80400000;
    THtImageDX png;
    png.LoadFromBytes(core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), 24, 16), false);
    THtImageDX gif;
    gif.LoadFromBytes(giftest::FixtureBytes("disposal_2"), false);
    ASSERT_TRUE(png.IsLoaded());
    ASSERT_TRUE(gif.IsLoaded());
    gif.SetCurrentFrame(1);

    auto fonts = THtCanvasDX::ClassType.CreateFontCollection();
    THtCanvasDX c;
    c.SetFontCollection(fonts.get());
    THtCanvasScene s;
    s.Init(TRect(0, 0, W, H), nullptr);
    s.Window = 21;
    c.BeginScene(s);
    c.Clear(0xFFFFFFFF);
    THtShadowProps p;
    HtShadowProps(p, TRectF(120, 20, 200, 90), 8, true, 4, 5, 6, 0xFF203040, 200, false);
    c.DrawShadow(nullptr, p);
    c.FillRoundRect(c.GetBrush(0xFFE8F0FF), TRectF(120, 20, 200, 90), 8, 8);
    THtTextStyle st;
    st.Color = 0xFF102030;
    c.DrawString(u"Tarnwick", TRectF(8, 6, 120, 36), fonts->GetFont(u"Arial", 20, {}), st, 1, -1);
    c.DrawImage(&png, TRectF(8, 44, 56, 76), 1);  // twice its size
    c.DrawImage(&gif, TRectF(66, 44, 66 + float(gif.Width) * 8, 44 + float(gif.Height) * 8), 1);
    c.BeforeEndScene();
    c.EndScene();
  }
  SetPresentSink(nullptr);
  FreeD2DHelper();
  THtCanvasDX::ResetDirectXSupport();
  HtBackendsFinalize();
  ASSERT_EQ(presents, 1);

  const std::string golden = sourceDir() + "/tests/data/golden/dx_window_scene.png";
  if (std::getenv("TARNWICK_UPDATE_GOLDEN")) shown.WritePNG(golden);
  auto expected = core::TCoreSurface::ReadPNG(golden);
  ASSERT_TRUE(expected) << golden;
  ASSERT_EQ(expected->Width(), W);
  ASSERT_EQ(expected->Height(), H);
  int bad = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const uint32_t a = expected->Pixel(x, y), b = shown.Pixel(x, y);
      for (int sh = 0; sh < 32; sh += 8)
        if (std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF)) > 24) {
          ++bad;
          break;
        }
    }
  EXPECT_LE(bad, 20);
}

}  // namespace
}  // namespace ht
