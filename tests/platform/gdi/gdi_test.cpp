#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <numeric>

#include "platform/gdi/gdi.h"

namespace ht::gdi {
namespace {

class Gdi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  void SetUp() override { dc = CreateCompatibleDC(nullptr); }
  void TearDown() override {
    DeleteDC(dc);
    for (auto f : fonts) DeleteObject(f);
    GdiPlacementFault = nullptr;
  }
  HFONT font(const char16_t* face, int height, int weight = FW_NORMAL) {
    LOGFONTW lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
    HFONT f = CreateFontIndirectW(&lf);
    fonts.push_back(f);
    SelectObject(dc, f);
    return f;
  }
  // Advances per glyph and the order array of a run.
  DWORD place(StringView s, std::vector<int>& dx, std::vector<UINT>& order, DWORD flags = GCP_USEKERNING | GCP_LIGATE) {
    dx.assign(s.size() + 8, -1);
    order.assign(s.size(), 99);
    std::vector<WORD> glyphs(dx.size());
    GCP_RESULTSW r;
    r.lStructSize = sizeof r;
    r.lpDx = dx.data();
    r.lpOrder = order.data();
    r.lpGlyphs = glyphs.data();
    r.nGlyphs = UINT(dx.size());
    DWORD res = GetCharacterPlacementW(dc, s.data(), int(s.size()), 0, &r, flags);
    dx.resize(r.nGlyphs);
    return res;
  }
  static std::vector<uint8_t> ahemBytes() {
    std::string src = std::getenv("TARNWICK_SOURCE_DIR") ? std::getenv("TARNWICK_SOURCE_DIR") : ".";
    std::ifstream in(src + "/tests/data/fonts/ahem.ttf", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  HDC dc = nullptr;
  std::vector<HFONT> fonts;
};

TEST_F(Gdi, PlacementAtThousandUnits) {
  font(u"Arial", -1000);
  std::vector<int> dx;
  std::vector<UINT> order;
  DWORD r = place(u"Hello", dx, order);
  ASSERT_NE(r, 0u);
  EXPECT_EQ(dx, (std::vector<int>{722, 556, 222, 222, 556}));
  EXPECT_EQ(std::accumulate(dx.begin(), dx.end(), 0), 2278);
  EXPECT_EQ(r & 0xFFFF, 2278u);
  EXPECT_EQ(order, (std::vector<UINT>{0, 1, 2, 3, 4}));
  font(u"Ahem", -20);
  place(u"XXXX", dx, order);
  EXPECT_EQ(std::accumulate(dx.begin(), dx.end(), 0), 80);
}

TEST_F(Gdi, OrderArrayFollowsClusters) {
  font(u"DejaVu Sans", -1000);
  std::vector<int> dx;
  std::vector<UINT> order;
  ASSERT_NE(place(u"a\u0301b", dx, order), 0u);
  EXPECT_EQ(order[0], order[1]);  // the mark belongs to the cluster of "a"
  EXPECT_EQ(order[2], UINT(dx.size() - 1));
  // Right to left only with reordering: the first character is drawn last.
  ASSERT_NE(place(u"\u05D0\u05D1", dx, order, GCP_REORDER), 0u);
  EXPECT_EQ(order, (std::vector<UINT>{1, 0}));
  ASSERT_NE(place(u"\u05D0\u05D1", dx, order, 0), 0u);
  EXPECT_EQ(order, (std::vector<UINT>{0, 1}));
}

TEST_F(Gdi, PlacementFailures) {
  font(u"Arial", -1000);
  std::vector<WORD> glyphs(2);
  std::vector<int> dx(2);
  GCP_RESULTSW r;
  r.lpGlyphs = glyphs.data();
  r.lpDx = dx.data();
  r.nGlyphs = 2;
  EXPECT_EQ(GetCharacterPlacementW(dc, u"Hello", 5, 0, &r, 0), 0u);
  EXPECT_EQ(core::GetLastError(), uint32_t(core::csInsufficientBuffer));
  EXPECT_EQ(r.nGlyphs, 5u);  // the count the caller must provide
  EXPECT_EQ(GetCharacterPlacementW(dc, u"Hello", 0, 0, &r, 0), 0u);
  EXPECT_EQ(GetCharacterPlacementW(nullptr, u"Hello", 5, 0, &r, 0), 0u);
  GdiPlacementFault = [](DWORD) { return true; };
  std::vector<int> d;
  std::vector<UINT> o;
  EXPECT_EQ(place(u"Hello", d, o), 0u);
}

TEST_F(Gdi, TextMetricsAndSubstitution) {
  struct Case {
    const char16_t* face;
    int ascent, descent;
    bool fixed, substituted;
  } cases[] = {
      {u"Arial", 905, 212, false, false},
      {u"Courier New", 833, 300, true, false},
      {u"Helvetica", 905, 212, false, true},  // not installed: the default face
  };
  for (const auto& c : cases) {
    HFONT f = font(c.face, -1000);
    TEXTMETRICW tm;
    ASSERT_TRUE(GetTextMetricsW(dc, &tm));
    EXPECT_EQ(tm.tmAscent, c.ascent) << StringToUtf8(c.face);
    EXPECT_EQ(tm.tmDescent, c.descent) << StringToUtf8(c.face);
    EXPECT_EQ((tm.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0, c.fixed) << StringToUtf8(c.face);
    EXPECT_EQ(f->Substituted(), c.substituted);
  }
  font(u"Arial", 2288);  // a positive height is the cell height
  TEXTMETRICW tm;
  GetTextMetricsW(dc, &tm);
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, 2288);
  SIZE sz;
  font(u"Ahem", -10);
  ASSERT_TRUE(GetTextExtentPoint32W(dc, u"XX X", 4, &sz));
  EXPECT_EQ(sz.cx, 40);
  EXPECT_EQ(sz.cy, 10);
}

TEST_F(Gdi, SavedStatesAndRegionClips) {
  HBITMAP bmp = CreateCompatibleBitmap(dc, 100, 100);
  SelectObject(dc, bmp);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 100);
  int level = SaveDC(dc);
  EXPECT_EQ(level, 1);
  HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(50, 50, 60, 60);
  CombineRgn(a, a, b, RGN_OR);
  EXPECT_EQ(ExtSelectClipRgn(dc, a, RGN_AND), COMPLEXREGION);
  SaveDC(dc);
  HRGN c = CreateRectRgn(0, 0, 5, 5);
  EXPECT_EQ(ExtSelectClipRgn(dc, c, RGN_AND), SIMPLEREGION);
  GetClipBox(dc, &box);
  EXPECT_EQ(box.right, 5);
  EXPECT_TRUE(RestoreDC(dc, -1));
  GetClipBox(dc, &box);
  EXPECT_EQ(box.right, 60);
  EXPECT_TRUE(RestoreDC(dc, level));
  GetClipBox(dc, &box);
  EXPECT_EQ(box.right, 100);
  EXPECT_FALSE(RestoreDC(dc, 1));  // nothing saved any more
  EXPECT_TRUE(PtInRegion(a, 55, 55));
  EXPECT_FALSE(PtInRegion(a, 30, 30));
  for (HRGN r : {a, b, c}) DeleteObject(r);
  DeleteDC(dc);  // a DC does not own its bitmap
  dc = CreateCompatibleDC(nullptr);
  DeleteObject(bmp);
}

TEST_F(Gdi, ScrollCopyOntoItself) {
  uint8_t* bits = nullptr;
  HBITMAP bmp = CreateDIBSection32(4, 4, &bits);  // bottom-up
  ASSERT_TRUE(bits);
  EXPECT_LT(bmp->Surface.Stride(), 0);
  SelectObject(dc, bmp);
  bmp->Surface.SetPixel(0, 3, 0xFFFF0000);
  EXPECT_TRUE(BitBlt(dc, 0, -1, 4, 4, dc, 0, 0, SRCCOPY));  // up by one row
  EXPECT_EQ(bmp->Surface.Pixel(0, 2), 0xFFFF0000u);
  EXPECT_EQ(bmp->Surface.Pixel(0, 3), 0xFFFF0000u);  // the uncovered row keeps its old pixels
  DeleteDC(dc);
  dc = CreateCompatibleDC(nullptr);
  DeleteObject(bmp);
}

TEST_F(Gdi, MemoryFontsAndEnumeration) {
  auto bytes = ahemBytes();
  DWORD n = 0;
  HANDLE h = AddFontMemResourceEx(bytes.data(), DWORD(bytes.size()), nullptr, &n);
  ASSERT_TRUE(h);
  EXPECT_EQ(n, 1u);
  std::vector<uint8_t> junk(300, 7);
  EXPECT_FALSE(AddFontMemResourceEx(junk.data(), DWORD(junk.size()), nullptr, &n));
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(AddFontMemResourceEx(bytes.data(), 100, nullptr, &n));  // truncated
  std::vector<String> names;
  EnumFontsW(dc, nullptr, [&](const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM) {
    EXPECT_EQ(type, TRUETYPE_FONTTYPE);
    names.emplace_back(lf->lfFaceName);
    return 1;
  }, 0);
  for (const char16_t* want : {u"Arial", u"Liberation Sans", u"Calibri", u"Ahem"})
    EXPECT_NE(std::find(names.begin(), names.end(), String(want)), names.end()) << StringToUtf8(want);
  int calls = 0;
  EnumFontsW(dc, nullptr, [&](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM) { return ++calls < 2 ? 1 : 0; }, 0);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(RemoveFontMemResourceEx(h));
  EXPECT_FALSE(RemoveFontMemResourceEx(h));
}

}  // namespace
}  // namespace ht::gdi
