#pragma once
// A GDI+ canvas drawing on an off-screen platform bitmap, with the private
// test fonts, its own font collection and helpers for pixel probes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "backends/canvas_gp.h"
#include "platform/core/core_fonts.h"

namespace ht::testing {

// Exposes the reused pen.
class TProbeCanvasGP : public THtCanvasGP {
 public:
  THtPen* ReusedPen() const { return FPen.get(); }
};

class GPCanvasTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  void SetUp() override {
    Fonts = THtCanvasGP::ClassType.CreateFontCollection();
    Canvas = std::make_unique<TProbeCanvasGP>();
    Canvas->SetFontCollection(Fonts.get());
  }
  void TearDown() override {
    if (Canvas->G) Canvas->EndScene();
    gdi::GdiPlacementFault = nullptr;
    gdiplus::GdipTrace().Enabled = false;
    gdiplus::GdipTrace().Clear();
  }
  // Starts a scene on a fresh white bitmap of W x H.
  void Begin(int W = 100, int H = 50, float Scale = 1) {
    Target = std::make_unique<gdi::TBitmap>(W, H);
    Target->Surface().Fill(0xFFFFFFFF);
    THtCanvasScene s;
    s.Init(TRect(0, 0, W, H), &Target->Canvas());
    s.Scale = Scale;
    Canvas->BeginScene(s);
  }
  uint32_t Px(int x, int y) { return Target->Surface().Pixel(x, y); }
  THtFontGP* Font(const char16_t* Family, float Height, THtFontStyles Style = {}) {
    return static_cast<THtFontGP*>(Fonts->GetFont(Family, Height, Style));
  }
  float Measure(StringView s, THtFont* F, int First = 1, int Length = -1, const THtTextStyle& St = {}) {
    return THtCanvasGP::ClassType.MeasureString(s, F, St, 1, First, Length);
  }
  static std::vector<uint8_t> AhemBytes() {
    std::string src = std::getenv("TARNWICK_SOURCE_DIR") ? std::getenv("TARNWICK_SOURCE_DIR") : ".";
    std::ifstream in(src + "/tests/data/fonts/ahem.ttf", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static std::string SourceDir() {
    return std::getenv("TARNWICK_SOURCE_DIR") ? std::getenv("TARNWICK_SOURCE_DIR") : ".";
  }

  std::unique_ptr<THtFontCollection> Fonts;
  std::unique_ptr<TProbeCanvasGP> Canvas;
  std::unique_ptr<gdi::TBitmap> Target;
};

}  // namespace ht::testing
