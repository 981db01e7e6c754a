#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/gdi_draw.h"
#include "platform/gdi/gdi_meta.h"

namespace ht::gdi {
namespace {

constexpr uint32_t White = 0xFFFFFFFF, Red = 0xFFFF0000, Blue = 0xFF0000FF;

class GdiDraw : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  void SetUp() override {
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateCompatibleBitmap(dc, 40, 30);
    SelectObject(dc, bmp);
    bmp->Surface.Fill(White);
  }
  void TearDown() override {
    DeleteDC(dc);
    DeleteObject(bmp);
    if (font) DeleteObject(font);
    GdiTrace().Enabled = false;
    GdiTrace().Clear();
  }
  uint32_t px(int x, int y) { return bmp->Surface.Pixel(x, y); }
  // The first and last pixel of Colour on each axis, or "none".
  std::string box(uint32_t Colour) {
    int l = 99, t = 99, r = -1, b = -1;
    for (int y = 0; y < bmp->Surface.Height(); ++y)
      for (int x = 0; x < bmp->Surface.Width(); ++x)
        if (px(x, y) == Colour) l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
    if (r < 0) return "none";
    return std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " + std::to_string(b);
  }
  HDC dc;
  HBITMAP bmp;
  HFONT font = nullptr;
};

TEST_F(GdiDraw, ShapesOutsideABracketDrawAliasedUnderTheWorldTransform) {
  SelectObject(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, RGB(255, 0, 0));
  MoveToEx(dc, 2, 2, nullptr);
  LineTo(dc, 8, 2);
  EXPECT_EQ("2 2 7 2", box(Red));  // the end point is not drawn
  for (int x = 0; x < 40; ++x) EXPECT_TRUE(px(x, 2) == Red || px(x, 2) == White);  // aliased

  bmp->Surface.Fill(White);
  SetGraphicsMode(dc, GM_ADVANCED);
  XFORM m{2, 0, 0, 2, 10, 1};
  SetWorldTransform(dc, &m);
  SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, RGB(0, 0, 255));
  Rectangle(dc, 1, 1, 4, 3);
  EXPECT_EQ("12 3 17 6", box(Blue));
}

TEST_F(GdiDraw, SaveDcKeepsTheTransformPenBrushAndColours) {
  SetGraphicsMode(dc, GM_ADVANCED);
  const int level = SaveDC(dc);
  XFORM m{1, 0, 0, 1, 5, 5};
  SetWorldTransform(dc, &m);
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  SetDCBrushColor(dc, RGB(9, 9, 9));
  SetPolyFillMode(dc, WINDING);
  RestoreDC(dc, level);
  XFORM now;
  GetWorldTransform(dc, &now);
  EXPECT_EQ(0, now.eDx);
  EXPECT_EQ(oldPen, SelectObject(dc, GetStockObject(BLACK_PEN)));
  EXPECT_EQ(COLORREF(0xFFFFFF), SetDCBrushColor(dc, 0));
  EXPECT_EQ(ALTERNATE, GetPolyFillMode(dc));
  DeleteObject(pen);
}

TEST_F(GdiDraw, PatternBrushesTileFromTheBrushOrigin) {
  HBITMAP tile = CreateCompatibleBitmap(dc, 2, 1);
  tile->Surface.SetPixel(0, 0, Red);
  tile->Surface.SetPixel(1, 0, Blue);
  tile->Surface.MarkDirty();
  HBRUSH b = CreatePatternBrush(tile);
  DeleteObject(tile);  // the brush keeps its own copy
  SetBrushOrgEx(dc, 1, 0, nullptr);
  RECT r{0, 0, 4, 1};
  FillRect(dc, &r, b);
  EXPECT_EQ(Blue, px(0, 0));
  EXPECT_EQ(Red, px(1, 0));
  EXPECT_EQ(Blue, px(2, 0));
  EXPECT_EQ(White, px(4, 0));
  DeleteObject(b);
}

TEST_F(GdiDraw, StretchModesGradientsAndClipsInLogicalUnits) {
  HDC src = CreateCompatibleDC(nullptr);
  HBITMAP sb = CreateCompatibleBitmap(src, 2, 1);
  SelectObject(src, sb);
  sb->Surface.SetPixel(0, 0, Red);
  sb->Surface.SetPixel(1, 0, Blue);
  sb->Surface.MarkDirty();
  GdiTrace().Enabled = true;
  ASSERT_TRUE(StretchBlt(dc, 0, 0, 8, 1, src, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(Red, px(1, 0));  // nearest pixel: no blend
  SetStretchBltMode(dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(dc, 0, 2, 8, 1, src, 0, 0, 2, 1, SRCCOPY));
  EXPECT_NE(Red, px(3, 2));  // filtered
  EXPECT_NE(Blue, px(3, 2));
  EXPECT_NE(std::string::npos, GdiTrace().Text().find("StretchBlt/HALFTONE(0,2,8,1)"));
  EXPECT_FALSE(StretchBlt(dc, 0, 0, 0, 1, src, 0, 0, 2, 1, SRCCOPY));
  DeleteDC(src);
  DeleteObject(sb);

  TRIVERTEX v[2];
  v[0].x = 0, v[0].y = 10, v[0].Red = 0xFF00;
  v[1].x = 20, v[1].y = 12, v[1].Blue = 0xFF00;
  GRADIENT_RECT g{0, 1};
  ASSERT_TRUE(GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H));
  EXPECT_GT(px(0, 10) >> 16 & 0xFF, 0xF0u);
  EXPECT_GT(px(19, 11) & 0xFF, 0xF0u);
  EXPECT_EQ(White, px(20, 10));

  SetGraphicsMode(dc, GM_ADVANCED);
  XFORM m{2, 0, 0, 2, 0, 0};
  SetWorldTransform(dc, &m);
  IntersectClipRect(dc, 1, 1, 3, 3);
  RECT clip;
  GetClipBox(dc, &clip);
  EXPECT_EQ(2, clip.left);
  EXPECT_EQ(6, clip.right);
}

TEST_F(GdiDraw, TextRunsRecordTheirCharactersOnAMetafileAndEllipsisFits) {
  LOGFONTW lf;
  lf.lfHeight = -20;
  std::u16string face = u"Arial";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  HFONT f = CreateFontIndirectW(&lf);
  HDC meta = CreateEnhMetaFileW(nullptr, 100, 40);
  SelectObject(meta, f);
  SetTextColor(meta, RGB(255, 0, 0));
  const char16_t glyphs[] = {36, 37};  // glyph indexes, not characters
  ASSERT_TRUE(ExtTextOutW(meta, 0, 0, ETO_GLYPH_INDEX, nullptr, glyphs, 2, nullptr, u"AB"));
  HENHMETAFILE mf = CloseEnhMetaFile(meta);
  int texts = 0;
  for (auto& r : mf->Records)
    if (r.Text) {
      ++texts;
      EXPECT_EQ(u"AB", r.Text->Text);
      EXPECT_EQ(36u, r.Text->Glyphs[0]);
    }
  EXPECT_EQ(1, texts);
  DeleteEnhMetaFile(mf);

  SelectObject(dc, f);
  RECT full{0, 0, 1000, 30};
  const std::u16string s = u"A long line of text";
  DrawTextW(dc, s.data(), int(s.size()), &full, DT_CALCRECT | DT_SINGLELINE);
  RECT narrow{0, 0, full.right / 2, 30};
  DrawTextW(dc, s.data(), int(s.size()), &narrow, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_LE(narrow.right, full.right / 2);
  EXPECT_GT(narrow.right, 0);
  EXPECT_GT(DrawTextW(dc, s.data(), int(s.size()), &full, DT_SINGLELINE), 0);
  EXPECT_NE("none", box(0xFF000000));
  font = f;
}

TEST(GdiPrinter, SheetsAnswerNoBlendingWhenThePrinterSaysSo) {
  TPrinter& p = Printer();
  auto keep = GetPrintSink();
  struct nullSink : TPrintSink {
    bool Print(TPrintJob&) override { return true; }
  };
  SetPrintSink(std::make_shared<nullSink>());
  p.CanAlphaBlend = false;
  p.BeginDoc();
  EXPECT_EQ(0, GetDeviceCaps(p.Handle(), SHADEBLENDCAPS));
  EXPECT_EQ(DT_RASPRINTER, GetDeviceCaps(p.Handle(), TECHNOLOGY));
  EXPECT_EQ(96, GetDeviceCaps(p.Handle(), LOGPIXELSX));
  p.EndDoc();
  p.CanAlphaBlend = true;
  p.BeginDoc();
  EXPECT_NE(0, GetDeviceCaps(p.Handle(), SHADEBLENDCAPS));
  p.EndDoc();
  SetPrintSink(keep);
}

}  // namespace
}  // namespace ht::gdi
