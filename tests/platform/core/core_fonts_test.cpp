#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/core/core_fonts.h"

namespace ht::core {
namespace {

class CoreFonts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { FontSystem::UseTestFonts(); }
  static int width(const TCoreFontFace& f, StringView s, std::vector<std::string> feats = {}) {
    std::vector<TShapedGlyph> g;
    f.Shape(s, false, feats, g);
    int w = 0;
    for (const auto& x : g) w += x.XAdvance;
    return w;
  }
  static std::vector<uint8_t> fileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

TEST_F(CoreFonts, AliasTableIsStrict) {
  struct Case {
    const char16_t* asked;
    const char16_t* family;  // null: not found
    const char16_t* faceName;
  } cases[] = {
      {u"Arial", u"Liberation Sans", u"Arial"},
      {u"arial", u"Liberation Sans", u"Arial"},
      {u"Times New Roman", u"Liberation Serif", u"Times New Roman"},
      {u"Courier New", u"Liberation Mono", u"Courier New"},
      {u"Arial Narrow", u"Liberation Sans Narrow", u"Arial Narrow"},
      {u"Calibri", u"Carlito", u"Calibri"},
      {u"Cambria", u"Caladea", u"Cambria"},
      {u"Segoe UI", u"DejaVu Sans", u"Segoe UI"},
      {u"DejaVu Sans", u"DejaVu Sans", u"DejaVu Sans"},
      {u"Ahem", u"Ahem", u"Ahem"},
      {u"Helvetica", nullptr, nullptr},
      {u"No Such Family", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    TFaceMatch m = FontSystem::Find(c.asked, 400, false);
    if (!c.family) {
      EXPECT_EQ(m.Face, nullptr) << StringToUtf8(c.asked);
      continue;
    }
    ASSERT_NE(m.Face, nullptr) << StringToUtf8(c.asked);
    EXPECT_EQ(m.Face->FamilyName(), c.family);
    EXPECT_EQ(m.FaceName, c.faceName);
    EXPECT_FALSE(m.Face->Metrics().Italic);
  }
  EXPECT_TRUE(FontSystem::UsingTestFonts());
}

TEST_F(CoreFonts, WeightAndSlantPickTheClosestFace) {
  auto bold = FontSystem::Find(u"Arial", 700, false).Face;
  auto italic = FontSystem::Find(u"Arial", 400, true).Face;
  ASSERT_TRUE(bold && italic);
  EXPECT_EQ(bold->StyleName(), u"Bold");
  EXPECT_EQ(italic->StyleName(), u"Italic");
  // A condensed member of the family is never the plain face.
  EXPECT_EQ(FontSystem::Find(u"DejaVu Sans", 400, false).Face->StyleName(), u"Book");
}

TEST_F(CoreFonts, ShapingInDesignUnits) {
  auto arial = FontSystem::Find(u"Arial", 400, false).Face;
  ASSERT_TRUE(arial);
  EXPECT_EQ(arial->UnitsPerEm(), 2048);
  EXPECT_EQ(width(*arial, u"Hello"), 1479 + 1139 + 455 + 455 + 1139);
  // Kerning on by default, off with "-kern".
  EXPECT_LT(width(*arial, u"AV"), width(*arial, u"AV", {"-kern"}));
  EXPECT_EQ(width(*arial, u"AV", {"-kern", "bogus feature=="}), width(*arial, u"AV", {"-kern"}));
  auto ahem = FontSystem::Find(u"Ahem", 400, false).Face;
  ASSERT_TRUE(ahem);
  EXPECT_EQ(width(*ahem, u"XXXX") * 20 / ahem->UnitsPerEm(), 80);
}

TEST_F(CoreFonts, ClustersAndRightToLeft) {
  auto dv = FontSystem::Find(u"DejaVu Sans", 400, false).Face;
  std::vector<TShapedGlyph> g;
  dv->Shape(u"a\u0301b", false, {}, g);  // a + combining acute, b
  ASSERT_GE(g.size(), 2u);
  EXPECT_EQ(g.front().Cluster, 0u);
  EXPECT_EQ(g.back().Cluster, 2u);
  dv->Shape(u"\u05D0\u05D1", true, {}, g);  // Hebrew: visual order reversed
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(g[0].Cluster, 1u);
}

// The run cache answers what shaping answers, once per text, direction and
// feature list; a key differing in any of them is a run of its own.
TEST_F(CoreFonts, CachedRunsMatchShapingAndKeepTheirKeysApart) {
  auto arial = FontSystem::Find(u"Arial", 400, false).Face;
  ASSERT_TRUE(arial);
  arial->ClearShapeCache();
  auto same = [](const std::vector<TShapedGlyph>& a, const std::vector<TShapedGlyph>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].Glyph != b[i].Glyph || a[i].Cluster != b[i].Cluster || a[i].XAdvance != b[i].XAdvance ||
          a[i].XOffset != b[i].XOffset || a[i].YOffset != b[i].YOffset)
        return false;
    return true;
  };
  const struct {
    const char16_t* text;
    bool rtl;
    std::vector<std::string> features;
  } cases[] = {{u"AV", false, {}}, {u"AV", false, {"-kern"}}, {u"AV", true, {}}, {u"AV\u05D0", false, {}},
               {u"", false, {}}, {u"office", false, {"-liga", "-clig"}}};
  for (const auto& c : cases) {
    std::vector<TShapedGlyph> direct;
    arial->Shape(c.text, c.rtl, c.features, direct);
    auto first = arial->ShapeCached(c.text, c.rtl, c.features);
    ASSERT_TRUE(first);
    EXPECT_TRUE(same(*first, direct)) << c.features.size();
    EXPECT_EQ(arial->ShapeCached(c.text, c.rtl, c.features), first);  // shared, not shaped again
  }
  EXPECT_NE(arial->ShapeCached(u"AV", false, {}), arial->ShapeCached(u"AV", false, {"-kern"}));
  EXPECT_NE(arial->ShapeCached(u"AV", false, {}), arial->ShapeCached(u"AV", true, {}));
  // Far more runs than one generation holds: the cache stays bounded and
  // keeps answering correctly for runs that aged out.
  auto hello = arial->ShapeCached(u"Hello", false, {});
  for (int i = 0; i < 20000; ++i) arial->ShapeCached(u"w" + Utf8ToString(std::to_string(i)), false, {});
  auto again = arial->ShapeCached(u"Hello", false, {});
  EXPECT_TRUE(same(*again, *hello));
  arial->ClearShapeCache();
  EXPECT_NE(arial->ShapeCached(u"Hello", false, {}), hello);
}

TEST_F(CoreFonts, FaceMetricsAndOutlines) {
  auto arial = FontSystem::Find(u"Arial", 400, false).Face;
  const auto& m = arial->Metrics();
  EXPECT_EQ(m.WinAscent, 1854);
  EXPECT_EQ(m.WinDescent, 434);
  EXPECT_EQ(m.Ascender + m.Descender + m.LineGap, 2355);
  EXPECT_FALSE(m.FixedPitch);
  EXPECT_TRUE(FontSystem::Find(u"Courier New", 400, false).Face->Metrics().FixedPitch);
  auto ahem = FontSystem::Find(u"Ahem", 400, false).Face;
  TCorePath p;
  ASSERT_TRUE(ahem->GlyphOutline(ahem->GlyphIndex(U'X'), 10, 5, 20, p));
  TRectF b;
  ASSERT_TRUE(p.Bounds(b));
  EXPECT_FLOAT_EQ(b.Left, 5);
  EXPECT_FLOAT_EQ(b.Right, 15);
  EXPECT_FLOAT_EQ(b.Top, 12);  // ascent 0.8 em above the baseline
  EXPECT_FLOAT_EQ(b.Bottom, 22);
}

TEST_F(CoreFonts, BadFontBytesGiveNoFace) {
  std::string src = std::getenv("TARNWICK_SOURCE_DIR") ? std::getenv("TARNWICK_SOURCE_DIR") : ".";
  auto good = fileBytes(src + "/tests/data/fonts/ahem.ttf");
  ASSERT_GT(good.size(), 1000u);
  EXPECT_TRUE(TCoreFontFace::FromMemory(good));
  EXPECT_FALSE(TCoreFontFace::FromMemory({}));
  EXPECT_FALSE(TCoreFontFace::FromMemory(std::vector<uint8_t>(500, 0xAB)));
  EXPECT_FALSE(TCoreFontFace::FromMemory(good, 3));  // no such face index
  // Truncated data either fails or yields a face that shapes and outlines
  // without reading past its bytes.
  for (size_t cut : {size_t(12), size_t(200), good.size() / 2}) {
    auto f = TCoreFontFace::FromMemory(std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(cut)));
    if (!f) continue;
    std::vector<TShapedGlyph> g;
    f->Shape(u"XpÉ", false, {}, g);
    TCorePath p;
    for (const auto& x : g) f->GlyphOutline(x.Glyph, 10, 0, 0, p);
  }
  EXPECT_FALSE(TCoreFontFace::FromFile("/nonexistent/font.ttf"));
}

TEST_F(CoreFonts, GlyphRunsPaintUnhinted) {
  auto ahem = FontSystem::Find(u"Ahem", 400, false).Face;
  TCoreSurface s(40, 20);
  TCoreContext c(s);
  uint32_t g[2] = {ahem->GlyphIndex(U'X'), ahem->GlyphIndex(U'X')};
  TPointF pos[2] = {TPointF(0, 8), TPointF(20, 8)};
  DrawGlyphRun(c, *ahem, 10, g, pos, 2, TCorePaint::Solid(0xFF0000FF));
  EXPECT_EQ(s.Pixel(5, 3), 0xFF0000FFu);
  EXPECT_EQ(s.Pixel(25, 3), 0xFF0000FFu);
  EXPECT_EQ(s.Pixel(15, 3), 0u);
  EXPECT_EQ(s.Pixel(5, 12), 0u);  // the em box ends 2 px below the baseline
}

}  // namespace
}  // namespace ht::core
