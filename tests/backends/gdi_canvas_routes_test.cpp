// The GDI canvas's routes by call trace and pixel probe: scroll blits, clip
// routes, the fill and outline tables by colour alpha, glyph runs and their
// fallback, measuring, gradient bands, radial fills, tiles and image blits;
// the GDI pens, fonts, web-font collections and images.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "backends/canvas_gdi.h"
#include "canvas/brush.h"
#include "platform/core/core_fonts.h"
#include "platform/core/core_image.h"

namespace ht {
namespace {

constexpr uint32_t White = 0xFFFFFFFF, Red = 0xFFFF0000, Blue = 0xFF0000FF;

class GDIRoutes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  void SetUp() override {
    Fonts = THtCanvasGDI::ClassType.CreateFontCollection();
    Canvas = std::make_unique<THtCanvasGDI>();
    Canvas->SetFontCollection(Fonts.get());
  }
  void TearDown() override {
    if (Canvas->CanvasHandle()) Canvas->EndScene();
    gdi::GdiTrace().Enabled = false;
    gdi::GdiTrace().Clear();
    THtDocumentConverter::RegisterImageConverter(nullptr);
  }
  void Begin(int W = 60, int H = 40) {
    Target = std::make_unique<gdi::TBitmap>(W, H);
    Target->Surface().Fill(White);
    THtCanvasScene s;
    s.Init(TRect(0, 0, W, H), &Target->Canvas());
    Canvas->BeginScene(s);
    Canvas->SaveState();
  }
  void Trace() {
    gdi::GdiTrace().Clear();
    gdi::GdiTrace().Enabled = true;
  }
  std::string Calls() { return gdi::GdiTrace().Text(); }
  uint32_t Px(int x, int y) { return Target->Surface().Pixel(x, y); }
  THtFont* Font(float Height, THtFontStyles Style = {}) { return Fonts->GetFont(u"Arial", Height, Style); }
  static THtTextStyle Black() {
    THtTextStyle s;
    s.Color = 0xFF000000;
    return s;
  }
  std::unique_ptr<THtFontCollection> Fonts;
  std::unique_ptr<THtCanvasGDI> Canvas;
  std::unique_ptr<gdi::TBitmap> Target;
};

TEST_F(GDIRoutes, AScrolledSceneMovesItsBitmapAndUpdatesTheUncoveredStrip) {
  THtBitmapGP kept(20, 20, true);
  kept.FillRect(TRect(0, 0, 20, 20), White);
  kept.FillRect(TRect(0, 10, 20, 12), Red);
  Target = std::make_unique<gdi::TBitmap>(20, 20);
  THtCanvasScene s;
  s.Init(TRect(0, 0, 20, 20), &Target->Canvas());
  s.Bitmap = &kept;
  s.ScrollY = 4;
  Trace();
  Canvas->BeginScene(s);
  EXPECT_NE(std::string::npos, Calls().find("BitBlt(0,-4,20,20)"));
  EXPECT_EQ(Red, kept.Surface()->Pixel(5, 6));
  ASSERT_FALSE(Canvas->Scene.UpdateRects.empty());
  EXPECT_EQ(16, Canvas->Scene.UpdateRects.back().Top);
  Canvas->EndScene();
}

TEST_F(GDIRoutes, ClipRoutes) {
  Begin();
  Trace();
  THtPathGDI rect(true);
  rect.AddRectangle(2, 2, 10, 10);
  Canvas->IntersectClip(&rect);
  EXPECT_NE(std::string::npos, Calls().find("IntersectClipRect(2,2,")) << Calls();
  Trace();
  THtPathGDI round(true);
  round.AddRoundRect(2, 2, 10, 10, 3, 3);
  Canvas->IntersectClip(&round);
  EXPECT_NE(std::string::npos, Calls().find("SelectClipPath(1)"));
  Trace();
  THtPathGDI dot(true);
  dot.MoveTo(4, 4);
  dot.EndPath();
  Canvas->IntersectClip(&dot);
  EXPECT_EQ(std::string::npos, Calls().find("SelectClipPath"));
  // A path not yet ended is ended, not skipped.
  Trace();
  THtPathGDI open(true);
  open.MoveTo(0, 0);
  open.LineTo(8, 0);
  open.LineTo(0, 8);
  Canvas->IntersectClip(&open);
  EXPECT_NE(std::string::npos, Calls().find("SelectClipPath(1)"));
  Canvas->FillRectangle(Canvas->GetBrush(Red), 0, 0, 60, 40);
  EXPECT_EQ(Red, Px(3, 3));
  EXPECT_EQ(White, Px(9, 9));
  EXPECT_EQ(White, Px(30, 3));
}

TEST_F(GDIRoutes, RectangleFillsAndOutlinesByColourAlpha) {
  struct TCase {
    uint32_t Color;
    bool AllowGDIP;
    float W;
    const char* Call;  // expected in the trace, or "" for nothing drawn
  } cases[] = {
      {0x00FF0000, true, 10, ""},
      {0xFFFF0000, true, 10, "FillRect(3,3,13,13)"},
      {0x80FF0000, true, 10, "GDI+"},
      {0x80FF0000, false, 0.4f, ""},
      {0x80FF0000, false, 10, "AlphaBlend(3,3,10,10)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Call);
    Begin();
    Canvas->FAllowGDIP = c.AllowGDIP;
    Trace();
    Canvas->FillRectangle(Canvas->GetBrush(c.Color), 3.2f, 3.2f, c.W, 10);
    const std::string calls = Calls();
    if (std::string(c.Call).empty()) {
      EXPECT_EQ("", calls);
      EXPECT_EQ(White, Px(5, 5));
    } else if (std::string(c.Call) == "GDI+") {
      EXPECT_EQ(std::string::npos, calls.find("FillRect"));
      EXPECT_NE(White, Px(5, 5));
    } else {
      EXPECT_NE(std::string::npos, calls.find(c.Call)) << calls;
      EXPECT_NE(White, Px(5, 5));
    }
    Canvas->EndScene();
  }

  Begin();
  THtPenGDI pen(Blue, 1);
  Trace();
  Canvas->DrawRectangle(&pen, 10.2f, 10.2f, 20, 20);
  EXPECT_NE(std::string::npos, Calls().find("Polyline(5)"));
  EXPECT_EQ(lcSquare, pen.GetLineCap());
  EXPECT_EQ(ljMiter, pen.GetLineJoin());
  EXPECT_EQ(Blue, Px(20, 10));
  THtPenGDI faint(0x80000000, 2);
  Trace();
  Canvas->DrawRectangle(&faint, 40, 2, 10, 10);
  EXPECT_EQ(4, gdi::GdiTrace().Count("AlphaBlend"));
}

TEST_F(GDIRoutes, GlyphRunsAndTheirFallback) {
  Begin(200, 40);
  THtFont* f16 = Font(16);
  Trace();
  THtTextStyle clear = Black();
  clear.Color = 0x00000000;
  Canvas->DrawString(u"abc", TRectF(0, 0, 100, 20), f16, clear, 1, -1);
  THtTextStyle gone = Black();
  gone.Opacity = 0;
  Canvas->DrawString(u"abc", TRectF(0, 0, 100, 20), f16, gone, 1, -1);
  EXPECT_EQ("", Calls());
  Canvas->DrawString(u"abcdef", TRectF(0, 0, 100, 20), f16, Black(), 3, -1);
  EXPECT_NE(std::string::npos, Calls().find("ExtTextOutW(4)")) << Calls();
  Trace();
  Canvas->DrawString(u"x\u0301y", TRectF(0, 20, 100, 40), f16, Black(), 1, -1);
  EXPECT_NE(std::string::npos, Calls().find("DrawTextW(")) << Calls();
  // A run longer than the string is clamped to it.
  Trace();
  Canvas->DrawString(u"ab", TRectF(0, 0, 100, 20), f16, Black(), 2, 10);
  EXPECT_NE(std::string::npos, Calls().find("ExtTextOutW(1)")) << Calls();

  const THtTextStyle st;
  THtFont* f = Font(10);
  EXPECT_EQ(0, THtCanvasGDI::ClassType.MeasureString(u"", f, st, 1, 1, -1));
  // Wider than 65535 font units: the advances' sum, not the low 16 bits.
  const String run(80, u'W');
  const float one = THtCanvasGDI::ClassType.MeasureString(u"W", f, st, 1, 1, -1);
  EXPECT_GT(one * 80 * 100, 65535);
  EXPECT_NEAR(one * 80, THtCanvasGDI::ClassType.MeasureString(run, f, st, 1, 1, -1), 0.5);
  EXPECT_FLOAT_EQ(one, THtCanvasGDI::ClassType.MeasureString(u"WW", f, st, 1, 2, 5));

  EXPECT_EQ(311, int(THtCanvasGDI::ClassType.GetFlags().ToBits()));
  EXPECT_EQ(&THtMetaCanvasGDI::ClassType, THtCanvasGDI::ClassType.PrintCanvasClass());
  String family = u"font awesome 5 free";
  THtCanvasGDI::ClassType.DecodeFontFamily(family);
  EXPECT_EQ(u"Font Awesome 5 Free Solid", family);
  std::vector<String> names;
  THtCanvasGDI::ClassType.GetFonts(names);
  EXPECT_FALSE(names.empty());
  for (const String& n : names) EXPECT_NE(u'@', n[0]);
}

TEST_F(GDIRoutes, SpacingWidensTheAdvanceBeforeItsCharacter) {
  THtFont* f = Font(16);
  // The distance between the two glyphs of "ab" as a metafile records it
  // (font units at 1000).
  auto gap = [&](const TSingleArray* Spacing) {
    gdi::HDC mdc = gdi::CreateEnhMetaFileW(nullptr, 100, 40);
    {
      gdi::TCanvas target(mdc);
      THtCanvasGDI c;
      THtCanvasScene s;
      s.Init(TRect(0, 0, 100, 40), &target);
      c.BeginScene(s);
      if (Spacing)
        c.DrawStringEx(u"ab", TRectF(0, 0, 100, 20), f, Black(), *Spacing, nullptr, nullptr, 1, -1);
      else
        c.DrawString(u"ab", TRectF(0, 0, 100, 20), f, Black(), 1, -1);
      c.EndScene();
    }
    gdi::HENHMETAFILE mf = gdi::CloseEnhMetaFile(mdc);
    float d = 0;
    for (auto& r : mf->Records)
      if (r.Text && r.Text->Positions.size() == 2) d = r.Text->Positions[1].X - r.Text->Positions[0].X;
    gdi::DeleteEnhMetaFile(mf);
    return d;
  };
  const TSingleArray spacing = {0, 5};  // 5 px before "b"
  EXPECT_EQ(312, gap(&spacing) - gap(nullptr));  // 5 px at 1000 / 16 units per px, halves to even
}

TEST_F(GDIRoutes, GradientBandsFollowTheCssAngle) {
  // (angle, pixel expected red, pixel expected blue)
  struct TCase {
    float Angle;
    int RedX, RedY, BlueX, BlueY;
  } cases[] = {{90, 2, 10, 37, 10}, {270, 37, 10, 2, 10}, {180, 20, 1, 20, 18}, {0, 20, 18, 20, 1}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Angle);
    Begin();
    auto brush = THtCanvasGDI::ClassType.BrushClass()->CreateGradient(TRectF(0, 0, 40, 20), Red, Blue, c.Angle,
                                                                       TRectF(0, 0, 40, 20));
    brush->SetGradientColors({0, 1}, {Red, Blue});
    Trace();
    Canvas->FillRectangle(brush.get(), 0, 0, 40, 20);
    EXPECT_EQ(1, gdi::GdiTrace().Count("GradientFill"));
    EXPECT_GT((Px(c.RedX, c.RedY) >> 16) & 0xFF, 200u);
    EXPECT_GT(Px(c.BlueX, c.BlueY) & 0xFF, 200u);
    Canvas->EndScene();
  }
}

TEST_F(GDIRoutes, RadialFillsStartWithTheirFirstColourAtTheCentre) {
  Begin();
  auto brush =
      THtCanvasGDI::ClassType.BrushClass()->CreateRadialGradient(0, 0, 20, 20, 20, 20, 15, THtMatrixData::Identity());
  brush->SetGradientColors({0, 1}, {Red, Blue});
  THtPathGDI circle(false);
  circle.AddEllipse(0, 0, 40, 40);
  Canvas->FillPath(brush.get(), &circle);
  EXPECT_GT((Px(20, 20) >> 16) & 0xFF, 200u);
  EXPECT_GT(Px(20, 38) & 0xFF, 200u);
}

// A W x H image of Colour as PNG bytes.
THtBytes png(int W, int H, uint32_t Colour) {
  std::vector<uint32_t> px(size_t(W * H), Colour);
  return core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), W, H);
}

// A bottom-up 24-bit BMP of W x H pixels (Colour gives each pixel's ARGB),
// or its first Cut bytes.
THtBytes bmp(int W, int H, const std::function<uint32_t(int, int)>& Colour, size_t Cut = 0) {
  const int stride = (W * 3 + 3) & ~3;
  THtBytes b(54 + size_t(stride * H));
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put(2, uint32_t(b.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, uint32_t(W), 4);
  put(22, uint32_t(H), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) put(54 + size_t((H - 1 - y) * stride + x * 3), Colour(x, y) & 0xFFFFFF, 3);
  if (Cut) b.resize(Cut);
  return b;
}

TEST_F(GDIRoutes, ImagesBlitStretchBlendAndTileAtTheTileSize) {
  THtImageGDI img;
  img.LoadFromBytes(bmp(2, 2, [](int x, int y) { return (x + y) % 2 ? Blue : Red; }), false);
  ASSERT_TRUE(img.IsLoaded());
  EXPECT_FALSE(img.AlphaPremultiplied);
  Begin();
  Canvas->TranslateTransform(5, 5);
  Trace();
  Canvas->DrawImage(&img, TRectF(0, 0, 2, 2), 1);
  EXPECT_NE(std::string::npos, Calls().find("BitBlt(0,0,2,2)"));
  EXPECT_EQ(Red, Px(5, 5));  // placed through the world transform
  Trace();
  Canvas->DrawImage(&img, TRectF(10, 0, 14, 4), 1);
  EXPECT_NE(std::string::npos, Calls().find("StretchBlt/HALFTONE"));
  Trace();
  Canvas->DrawImage(&img, TRectF(20, 0, 22, 2), 0.5f);
  EXPECT_NE(std::string::npos, Calls().find("AlphaBlend"));
  Canvas->RestoreState();
  Canvas->SaveState();
  Target->Surface().Fill(White);
  Canvas->TileImage(&img, 4, 4, TRectF(0, 20, 16, 24), TPointF(0, 0), true, false, 1, 0);
  // Tiles of 4 x 4 (the image filtered up): reddish pixels 0, 1, 4 and 5,
  // bluish 2 and 3; a tile of the image's own size would make 1 and 5 blue.
  EXPECT_EQ(Red, Px(0, 20));
  EXPECT_EQ(Blue, Px(3, 20));
  EXPECT_GT((Px(1, 20) >> 16) & 0xFF, 128u);
  EXPECT_GT((Px(5, 20) >> 16) & 0xFF, 128u);
  EXPECT_EQ(White, Px(16, 20));
  EXPECT_EQ(White, Px(0, 24));  // one tile high
  // Printing on a device that cannot blend takes the opaque route.
  Canvas->EndScene();
  gdi::TPrinter& P = gdi::Printer();
  auto keep = gdi::GetPrintSink();
  struct nullSink : gdi::TPrintSink {
    bool Print(gdi::TPrintJob&) override { return true; }
  };
  gdi::SetPrintSink(std::make_shared<nullSink>());
  P.CanAlphaBlend = false;
  P.BeginDoc();
  gdi::TCanvas sheet(P.Handle());
  THtCanvasScene s;
  s.Init(TRect(0, 0, 100, 100), &sheet);
  Canvas->PrintMode = true;
  Canvas->BeginScene(s);
  Trace();
  Canvas->DrawImage(&img, TRectF(0, 0, 2, 2), 0.5f);
  EXPECT_NE(std::string::npos, Calls().find("BitBlt"));
  EXPECT_EQ(std::string::npos, Calls().find("AlphaBlend"));
  Canvas->EndScene();
  P.EndDoc();
  P.CanAlphaBlend = true;
  gdi::SetPrintSink(keep);
}

TEST_F(GDIRoutes, CoordinatesBeyondThe32BitRangeAreRefused) {
  Begin();
  EXPECT_THROW(Canvas->FillRectangle(Canvas->GetBrush(Red), 1e12f, 0, 10, 10), EGdiError);
  THtPenGDI pen(Red, 1);
  EXPECT_THROW(Canvas->DrawLine(&pen, 0, 0, 0, 5e11f), EGdiError);
}

TEST_F(GDIRoutes, PensFontsAndWebFonts) {
  THtPenGDI thin(Red, 1);
  EXPECT_EQ(nullptr, thin.FPen);
  thin.SetWidth(1.5f);
  ASSERT_NE(nullptr, thin.FPen);
  EXPECT_EQ(2, thin.FPen->Width);
  EXPECT_EQ(gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_FLAT | gdi::PS_JOIN_MITER | gdi::PS_SOLID, thin.FPen->Style);
  THtPenGDI dashed(Red, 1);
  dashed.SetStyle(hpsDash);
  ASSERT_NE(nullptr, dashed.FPen);
  EXPECT_EQ(gdi::PS_DASH, dashed.FPen->Style & gdi::PS_STYLE_MASK);

  THtFontStyles underlined;
  underlined.Include(hfsUnderline);
  auto* f = static_cast<THtFontGDI*>(Fonts->GetFont(u"Arial", 16, underlined));
  EXPECT_EQ(0, f->Font->Style & gdi::fsUnderline);
  EXPECT_GT(f->Ascent, 10);
  EXPECT_LT(f->Ascent, 16);
  EXPECT_GT(f->SpaceWidth, 2);

  auto fonts = THtCanvasGDI::ClassType.CreateFontCollection();
  fonts->AddFontFile(u"X", u"/no/such/font.ttf");  // ignored
  TMemoryStream empty;
  EXPECT_THROW(fonts->AddFontStream(u"X", empty), EGdiError);
  std::string src = std::getenv("TARNWICK_SOURCE_DIR") ? std::getenv("TARNWICK_SOURCE_DIR") : ".";
  TMemoryStream ahem;
  {
    std::FILE* in = std::fopen((src + "/tests/data/fonts/ahem.ttf").c_str(), "rb");
    ASSERT_NE(nullptr, in);
    std::vector<uint8_t> b(1 << 20);
    b.resize(std::fread(b.data(), 1, b.size(), in));
    std::fclose(in);
    ahem.WriteBuffer(b.data(), b.size());
  }
  fonts->AddFontStream(u"Ahem", ahem);
  auto* gdiFonts = static_cast<THtFontCollectionGDI*>(fonts.get());
  ASSERT_EQ(1u, gdiFonts->MemFonts.size());
  gdi::HANDLE h = gdiFonts->MemFonts[0];
  fonts.reset();
  EXPECT_FALSE(gdi::RemoveFontMemResourceEx(h));  // already taken back
}

TEST_F(GDIRoutes, ImagesDecodeBmpAndIconsAndPremultiplyConverterPng) {
  THtImageGDI tiny;
  tiny.LoadFromBytes(THtBytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0}, false);
  EXPECT_FALSE(tiny.IsLoaded());
  EXPECT_EQ(nullptr, tiny.GetSourceStream());

  THtImageGDI b;
  b.LoadFromBytes(bmp(3, 2, [](int, int) { return Red; }), false);
  ASSERT_TRUE(b.IsLoaded());
  EXPECT_EQ(3, b.Width);
  EXPECT_EQ(2, b.Height);
  EXPECT_EQ(Red, b.Bitmap->Surface().Pixel(2, 1));
  for (size_t cut : {size_t(20), size_t(60)}) {
    THtImageGDI broken;
    broken.LoadFromBytes(bmp(30, 20, [](int, int) { return Red; }, cut), false);
    EXPECT_FALSE(broken.IsLoaded()) << cut;
  }
  std::vector<uint32_t> px(25, Blue);
  THtImageGDI icon;
  icon.LoadFromBytes(core::EncodeICO(reinterpret_cast<const uint8_t*>(px.data()), 5, 5), false);
  ASSERT_TRUE(icon.IsLoaded());
  EXPECT_EQ(5, icon.Width);

  THtImageGDI noConverter;
  noConverter.LoadFromBytes(png(2, 2, Red), false);
  EXPECT_FALSE(noConverter.IsLoaded());
  EXPECT_NE(nullptr, noConverter.GetSourceStream());

  // A converter handing straight (200, 100, 50, alpha 128) and a stride
  // longer than the row.
  struct TOnePixel : IHtImageConverter {
    std::unique_ptr<THtBitmapData> PNGtoBitmapData(const THtBytes&) override {
      auto d = std::make_unique<THtBitmapData>(0, 0, 32);
      std::vector<uint8_t> rows = {50, 100, 200, 128, 9, 9, 9, 9};  // blue, green, red, alpha; padding
      d->SetData(rows, 1, 1, 32);
      return d;
    }
  };
  THtDocumentConverter::RegisterImageConverter(std::make_shared<TOnePixel>());
  THtImageGDI pm;
  pm.LoadFromBytes(png(1, 1, Red), false);
  ASSERT_TRUE(pm.IsLoaded());
  EXPECT_TRUE(pm.AlphaPremultiplied);
  EXPECT_EQ(0x80643219u, pm.Bitmap->Surface().Pixel(0, 0));  // (100, 50, 25, 128)
}

}  // namespace
}  // namespace ht
