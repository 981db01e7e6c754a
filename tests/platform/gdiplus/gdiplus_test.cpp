#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/gdiplus/gdiplus.h"

namespace ht::gdiplus {
namespace {

constexpr ARGB kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

class Gdip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  void SetUp() override {
    dc = gdi::CreateCompatibleDC(nullptr);
    bmp = gdi::CreateCompatibleBitmap(dc, 40, 40);
    gdi::SelectObject(dc, bmp);
  }
  void TearDown() override {
    gdi::DeleteDC(dc);
    gdi::DeleteObject(bmp);
    GdipTrace().Enabled = false;
    GdipTrace().Clear();
  }
  uint32_t px(int x, int y) { return bmp->Surface.Pixel(x, y); }
  static std::vector<uint8_t> ahemBytes() {
    std::string src = std::getenv("TARNWICK_SOURCE_DIR") ? std::getenv("TARNWICK_SOURCE_DIR") : ".";
    std::ifstream in(src + "/tests/data/fonts/ahem.ttf", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  gdi::HDC dc = nullptr;
  gdi::HBITMAP bmp = nullptr;
};

TEST_F(Gdip, PixelCentresSitOnIntegers) {
  Graphics g(dc);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  SolidBrush red(kRed);
  // Shifted by half a pixel up and left, the rectangle covers whole pixels.
  g.FillRectangle(&red, RectF(-0.5f, -0.5f, 10, 10));
  EXPECT_EQ(px(0, 0), kRed);
  EXPECT_EQ(px(9, 9), kRed);
  EXPECT_EQ(px(10, 10), 0u);
  // Unshifted, its edges cover half pixels.
  SolidBrush blue(kBlue);
  g.FillRectangle(&blue, RectF(20, 20, 10, 10));
  EXPECT_EQ(px(20, 25) >> 24, 0x80u);
  EXPECT_EQ(px(21, 25), kBlue);
  EXPECT_EQ(px(30, 25) >> 24, 0x80u);
}

TEST_F(Gdip, NestedClipsRestoreWithTheirState) {
  GdipTrace().Enabled = true;
  Graphics g(dc);
  GraphicsState outer = g.Save();
  g.IntersectClip(RectF(0, 0, 20, 20));
  GraphicsState inner = g.Save();
  g.IntersectClip(RectF(0, 0, 5, 5));
  RectF b;
  g.GetClipBounds(&b);
  EXPECT_FLOAT_EQ(b.Width, 5);
  EXPECT_EQ(g.Restore(inner), Ok);
  g.GetClipBounds(&b);
  EXPECT_FLOAT_EQ(b.Width, 20);
  EXPECT_EQ(g.Restore(outer), Ok);
  g.GetClipBounds(&b);
  EXPECT_FLOAT_EQ(b.Width, 40);
  EXPECT_EQ(g.Restore(inner), InvalidParameter);  // dropped with the outer one
  EXPECT_EQ(GdipTrace().Text(),
            "Graphics(HDC); Save=1; IntersectClip(0,0,20,20); Save=2; IntersectClip(0,0,5,5); Restore(2); Restore(1); "
            "Restore(2)");
}

TEST_F(Gdip, ClipsFollowTheWorldMatrixAndTheDcClip) {
  gdi::HRGN rgn = gdi::CreateRectRgn(0, 0, 30, 30);
  gdi::SelectClipRgn(dc, rgn);
  gdi::DeleteObject(rgn);
  Graphics g(dc);
  Matrix m(2, 0, 0, 2, 0, 0);
  g.SetTransform(&m);
  g.SetClip(RectF(0, 0, 10, 10));
  g.ResetTransform();
  SolidBrush red(kRed);
  g.FillRectangle(&red, RectF(-0.5f, -0.5f, 40, 40));
  EXPECT_EQ(px(19, 19), kRed);
  EXPECT_EQ(px(21, 5), 0u);
  g.ResetClip();
  g.FillRectangle(&red, RectF(-0.5f, -0.5f, 40, 40));
  EXPECT_EQ(px(29, 29), kRed);
  EXPECT_EQ(px(31, 31), 0u);  // the DC's region still holds
}

TEST_F(Gdip, ClipsTakeWholePixelsByTheirCentres) {
  Graphics g(dc);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  g.SetClip(RectF(0, 0, 10.3f, 10));
  SolidBrush red(kRed);
  g.FillRectangle(&red, RectF(-0.5f, -0.5f, 40, 40));
  EXPECT_EQ(px(9, 5), kRed);
  EXPECT_EQ(px(10, 5), kRed);  // its centre (10) lies inside
  EXPECT_EQ(px(11, 5), 0u);
  EXPECT_EQ(px(5, 9), kRed);
  EXPECT_EQ(px(5, 10), 0u);  // no partly covered pixels
}

TEST_F(Gdip, PensDashesAndInsets) {
  core::TCoreStroke s;
  Pen p(kRed, 2);
  ASSERT_TRUE(p.Stroke(s));
  EXPECT_TRUE(s.Dashes.empty());
  p.SetDashStyle(DashStyleDot);
  p.Stroke(s);
  EXPECT_EQ(s.Dashes, (std::vector<double>{2, 2}));
  REAL custom[] = {4, 1};
  EXPECT_EQ(p.SetDashPattern(custom, 2), Ok);
  EXPECT_EQ(p.GetDashStyle(), DashStyleCustom);
  p.Stroke(s);
  EXPECT_EQ(s.Dashes, (std::vector<double>{8, 2}));  // in pen widths
  REAL bad[] = {1, 0};
  EXPECT_EQ(p.SetDashPattern(bad, 2), InvalidParameter);
  Pen clear(kRed, 2);
  clear.SetDashStyle(DashStyleCustom);  // no pattern: draws nothing
  EXPECT_FALSE(clear.Stroke(s));
  Graphics g(dc);
  g.DrawLine(&clear, 0, 5, 30, 5);
  EXPECT_EQ(px(10, 5), 0u);
  Pen inset(kBlue, 4);
  inset.SetAlignment(PenAlignmentInset);
  g.DrawRectangle(&inset, RectF(9.5f, 9.5f, 20, 20));
  EXPECT_EQ(px(11, 20), kBlue);  // inside the edge
  EXPECT_EQ(px(8, 20), 0u);      // nothing outside
}

TEST_F(Gdip, LinearGradients) {
  LinearGradientBrush b(RectF(0, 0, 40, 10), kRed, kBlue, 0);
  EXPECT_EQ(b.GetLastStatus(), Ok);
  Graphics g(dc);
  g.FillRectangle(&b, RectF(-0.5f, -0.5f, 40, 10));
  EXPECT_GT((px(1, 5) >> 16) & 0xFF, 0xF0u);
  EXPECT_GT(px(38, 5) & 0xFF, 0xF0u);
  ARGB colors[] = {kRed, 0xFF00FF00, kBlue};
  REAL pos[] = {0, 0.5f, 1};
  EXPECT_EQ(b.SetInterpolationColors(colors, pos, 3), Ok);
  g.FillRectangle(&b, RectF(-0.5f, -0.5f, 40, 10));
  EXPECT_GT((px(20, 5) >> 8) & 0xFF, 0xE0u);
  LinearGradientBrush flat(RectF(0, 0, 0, 10), kRed, kBlue, 90);
  EXPECT_EQ(flat.GetLastStatus(), InvalidParameter);
}

TEST_F(Gdip, PathFiguresJoinUntilStarted) {
  GraphicsPath p;
  p.AddLine(0, 0, 10, 0);
  p.AddLine(10, 10, 0, 10);  // joined: a line from (10, 0)
  EXPECT_EQ(p.P.Ops.size(), 4u);
  p.StartFigure();
  p.AddLine(20, 0, 30, 0);
  EXPECT_EQ(p.P.Ops[4], core::poMove);
  p.AddRectangle(RectF(-0.5f, -0.5f, 10, 10));
  RectF b;
  p.GetBounds(&b);
  EXPECT_FLOAT_EQ(b.X, -0.5f);
  EXPECT_FLOAT_EQ(b.Width, 30.5f);
  Matrix m(2, 0, 0, 2, 1, 0);
  p.GetBounds(&b, &m);
  EXPECT_FLOAT_EQ(b.X, 0);
  EXPECT_FLOAT_EQ(b.Width, 61);
  PointF last;
  p.GetLastPoint(&last);
  EXPECT_FLOAT_EQ(last.X, -0.5f);
  GraphicsPath box;
  box.AddRectangle(RectF(-0.5f, -0.5f, 10, 10));
  EXPECT_TRUE(box.IsVisible(5, 5));
  EXPECT_FALSE(box.IsVisible(15, 5));
  Region r(&box);
  r.Intersect(RectF(0, 0, 3, 3));
  EXPECT_TRUE(r.IsVisible(1, 1));
  EXPECT_FALSE(r.IsVisible(5, 5));
  EXPECT_TRUE(Region().IsInfinite());
}

TEST_F(Gdip, FontsFamiliesAndPrivateCollections) {
  Font arial(u"Arial", 10);
  ASSERT_EQ(arial.GetLastStatus(), Ok);
  EXPECT_NEAR(arial.GetHeight(nullptr), 10.0 * 2355 / 2048, 1e-4);
  FontFamily fam;
  arial.GetFamily(&fam);
  EXPECT_EQ(fam.GetFamilyName(), u"Arial");
  EXPECT_EQ(fam.GetCellAscent(FontStyleRegular), 1854);
  EXPECT_EQ(Font(u"Helvetica", 10).GetLastStatus(), FontFamilyNotFound);
  EXPECT_EQ(Font(u"Arial", 0).GetLastStatus(), InvalidParameter);

  PrivateFontCollection pfc;
  std::vector<uint8_t> junk(64, 1);
  EXPECT_EQ(pfc.AddMemoryFont(junk.data(), INT(junk.size())), FileNotFound);
  auto bytes = ahemBytes();
  EXPECT_EQ(pfc.AddMemoryFont(bytes.data(), INT(bytes.size()) / 3), FileNotFound);  // truncated
  EXPECT_EQ(pfc.GetFamilyCount(), 0);
  EXPECT_EQ(pfc.AddMemoryFont(bytes.data(), INT(bytes.size())), Ok);
  EXPECT_EQ(pfc.AddFontFile(u"/no/such/file.ttf"), FileNotFound);
  ASSERT_EQ(pfc.GetFamilyCount(), 1);
  EXPECT_EQ(pfc.GetFamilies()[0].GetFamilyName(), u"Ahem");
  FontFamily ahem(u"AHEM", &pfc);
  EXPECT_TRUE(ahem.IsAvailable());
  EXPECT_FALSE(FontFamily(u"Arial", &pfc).IsAvailable());  // only what was added
  Font f(&ahem, 10);
  EXPECT_EQ(f.GetLastStatus(), Ok);
}

TEST_F(Gdip, TextOutlinesAndGlyphRuns) {
  PrivateFontCollection pfc;
  auto bytes = ahemBytes();
  pfc.AddMemoryFont(bytes.data(), INT(bytes.size()));
  FontFamily ahem(u"Ahem", &pfc);
  GraphicsPath p;
  ASSERT_EQ(p.AddString(u"XX", &ahem, FontStyleRegular, 10, PointF(2, 3), StringFormat::GenericTypographic()), Ok);
  RectF b;
  p.GetBounds(&b);
  EXPECT_FLOAT_EQ(b.X, 2);
  EXPECT_FLOAT_EQ(b.Y, 3);
  EXPECT_FLOAT_EQ(b.Width, 20);
  EXPECT_FLOAT_EQ(b.Height, 10);

  Font f(&ahem, 10);
  Graphics g(dc);
  SolidBrush red(kRed);
  UINT16 glyphs[] = {UINT16(f.Face()->GlyphIndex(U'X'))};
  PointF at[] = {PointF(0, 8)};
  EXPECT_EQ(g.DrawDriverString(glyphs, 1, &f, &red, at, 0, nullptr), Ok);
  EXPECT_EQ(px(5, 5), kRed);
  UINT16 chars[] = {u'X'};
  PointF at2[] = {PointF(20, 8)};
  g.DrawDriverString(chars, 1, &f, &red, at2, DriverStringOptionsCmapLookup, nullptr);
  EXPECT_EQ(px(25, 5), kRed);
}

TEST_F(Gdip, NonFiniteInputStopsTheGraphics) {
  Graphics g(dc);
  Matrix bad(std::numeric_limits<float>::infinity(), 0, 0, 1, 0, 0);
  EXPECT_EQ(g.SetTransform(&bad), InvalidParameter);
  SolidBrush red(kRed);
  EXPECT_EQ(g.FillRectangle(&red, RectF(0, 0, 10, 10)), GenericError);
  EXPECT_EQ(px(5, 5), 0u);
  Graphics g2(dc);
  EXPECT_EQ(g2.FillRectangle(&red, RectF(0, 0, std::nanf(""), 10)), GenericError);
}

}  // namespace
}  // namespace ht::gdiplus
