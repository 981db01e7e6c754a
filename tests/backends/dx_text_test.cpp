#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "backends/canvas_dx.h"
#include "backends/dx_fonts.h"
#include "platform/core/core_fonts.h"
#include "platform/rtl/stream.h"

namespace ht {
namespace {

using namespace d2d;

std::vector<uint8_t> ahemBytes() {
  std::string src = std::getenv("TARNWICK_SOURCE_DIR") ? std::getenv("TARNWICK_SOURCE_DIR") : ".";
  std::ifstream in(src + "/tests/data/fonts/ahem.ttf", std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class DXTextTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  void SetUp() override {
    FreeD2DHelper();
    BindDirect2DEntryPoints();
    THtCanvasDX::ResetDirectXSupport();
    ASSERT_TRUE(THtCanvasDX::IsDirectXSupported());
    Fonts = THtCanvasDX::ClassType.CreateFontCollection();
    Canvas.SetFontCollection(Fonts.get());
  }
  void TearDown() override {
    if (dc) {
      Canvas.BeforeEndScene();
      Canvas.EndScene();
      target.reset();
      gdi::DeleteDC(dc);
      gdi::DeleteObject(bmp);
    }
    FreeD2DHelper();
    THtCanvasDX::ResetDirectXSupport();
  }
  // A scene on a white W x H bitmap.
  void Begin(int W = 120, int H = 40) {
    dc = gdi::CreateCompatibleDC(nullptr);
    bmp = gdi::CreateDIBSection32(W, H, nullptr);
    bmp->Surface.Fill(0xFFFFFFFF);
    gdi::SelectObject(dc, bmp);
    target = std::make_unique<gdi::TCanvas>(dc);
    THtCanvasScene s;
    s.Init(TRect(0, 0, W, H), target.get());
    Canvas.BeginScene(s);
  }
  // Ends the scene so the pixels are in the bitmap.
  void Flush() {
    Canvas.BeforeEndScene();
    Canvas.EndScene();
  }
  uint32_t Px(int x, int y) { return bmp->Surface.Pixel(x, y); }
  THtFontDX* Font(const char16_t* Family, float Height, THtFontStyles Style = {}, THtFontCollection* C = nullptr) {
    return static_cast<THtFontDX*>((C ? C : Fonts.get())->GetFont(Family, Height, Style));
  }
  static float Measure(StringView s, THtFont* F, int First = 1, int Length = -1, const THtTextStyle& St = {}) {
    return THtCanvasDX::ClassType.MeasureString(s, F, St, 1, First, Length);
  }
  // The first and last dark columns of row y.
  std::pair<int, int> Ink(int y, int W = 120) {
    int first = -1, last = -1;
    for (int x = 0; x < W; ++x)
      if ((Px(x, y) & 0xFF) < 0x80) {
        if (first < 0) first = x;
        last = x;
      }
    return {first, last};
  }

  std::unique_ptr<THtFontCollection> Fonts;
  THtCanvasDX Canvas;
  gdi::HDC dc = nullptr;
  gdi::HBITMAP bmp = nullptr;
  std::unique_ptr<gdi::TCanvas> target;
};

// ---------------------------------------------------------------- fonts

TEST_F(DXTextTest, NameEndingsBecomeWeightsAndStretches) {
  struct Case {
    const char16_t* Family;
    THtFontStyles Style;
    const char16_t* Asked;
    UINT32 Weight;
    DWRITE_FONT_STRETCH Stretch;
    DWRITE_FONT_STYLE Slant;
  } cases[] = {
      {u"Ahem LIGHT", {}, u"Ahem", 300, DWRITE_FONT_STRETCH_NORMAL, DWRITE_FONT_STYLE_NORMAL},
      {u"Ahem Narrow", {}, u"Ahem", 400, DWRITE_FONT_STRETCH_ULTRA_CONDENSED, DWRITE_FONT_STYLE_NORMAL},
      {u"Ahem NARROW BOLD", {}, u"Ahem NARROW", 700, DWRITE_FONT_STRETCH_NORMAL, DWRITE_FONT_STYLE_NORMAL},
      {u"Ahem", {hfsBold, hfsItalic}, u"Ahem", 700, DWRITE_FONT_STRETCH_NORMAL, DWRITE_FONT_STYLE_ITALIC},
      {u"Ahem", {hfsUltraLight}, u"Ahem", 200, DWRITE_FONT_STRETCH_NORMAL, DWRITE_FONT_STYLE_NORMAL},
  };
  for (const Case& c : cases) {
    THtFontDX* f = Font(c.Family, 16, c.Style);
    SCOPED_TRACE(std::string(c.Family, c.Family + std::char_traits<char16_t>::length(c.Family)));
    EXPECT_EQ(f->FormatName, c.Asked);
    EXPECT_EQ(f->RealName, c.Family);  // the full name is kept
    EXPECT_EQ(f->Font->GetFontWeight(), c.Weight);
    EXPECT_EQ(f->Font->GetFontStretch(), c.Stretch);
    EXPECT_EQ(f->Font->GetFontStyle(), c.Slant);
    EXPECT_EQ(f->Font->GetWordWrapping(), DWRITE_WORD_WRAPPING_NO_WRAP);
  }
  // Missing Helvetica becomes Arial, in RealName too.
  THtFontDX* h = Font(u"Helvetica", 16);
  EXPECT_EQ(h->RealName, u"Arial");
  EXPECT_EQ(h->FormatName, u"Arial");
  EXPECT_TRUE(Font(u"Times New Roman", 16)->IsTimes);
  EXPECT_FALSE(h->IsTimes);
}

TEST_F(DXTextTest, MetricsFromTheDesignUnits) {
  THtFontDX* arial = Font(u"Arial", 16);
  EXPECT_NEAR(arial->Ascent, 16 * 1854 / 2048.0f, 1e-3);  // 14.484
  EXPECT_NEAR(arial->Descent, 16 * 434 / 2048.0f, 1e-3);  // 3.391
  EXPECT_FLOAT_EQ(arial->LineHeight, arial->Ascent + arial->Descent + arial->LineSpacing);
  EXPECT_GT(arial->SpaceWidth, 0);
  EXPECT_GT(arial->MinCharWidth, 0);
  EXPECT_GT(arial->Strike, 0);     // above it

  THtFontDX* ahem = Font(u"Ahem", 20);
  EXPECT_FLOAT_EQ(ahem->Ascent, 16);
  EXPECT_FLOAT_EQ(ahem->Descent, 4);
  EXPECT_FLOAT_EQ(ahem->SpaceWidth, 20);
  EXPECT_FLOAT_EQ(ahem->MinCharWidth, 20);

  EXPECT_GE(Font(u"Arial", 0.5f)->UnderlineHeight, 1);
  THtFontDX* zero = Font(u"Arial", 0);
  EXPECT_EQ(zero->Height(), 0);
  EXPECT_EQ(zero->Size(), 0);
  EXPECT_EQ(zero->Ascent, 0);
  EXPECT_EQ(zero->Descent, 0);
  EXPECT_EQ(zero->SpaceWidth, 0);
  ASSERT_NE(zero->Font, nullptr);
  EXPECT_EQ(zero->Font->GetFontSize(), 1);
}

TEST_F(DXTextTest, SystemCollectionIsStrictAndListsAliases) {
  std::shared_ptr<IDWriteFontCollection> c;
  ASSERT_EQ(GetDWriteFactory()->GetSystemFontCollection(&c, 0), S_OK);
  UINT32 i;
  BOOL found;
  c->FindFamilyName(u"arial", &i, &found);
  EXPECT_TRUE(found);
  c->FindFamilyName(u"Aria", &i, &found);
  EXPECT_FALSE(found);
  std::vector<String> list;
  THtCanvasDX::ClassType.GetFonts(list);
  EXPECT_NE(std::find(list.begin(), list.end(), u"Arial"), list.end());
  EXPECT_NE(std::find(list.begin(), list.end(), u"Ahem"), list.end());
}

// ---------------------------------------------------------------- measuring

TEST_F(DXTextTest, MeasuresClampedRuns) {
  THtFontDX* ahem = Font(u"Ahem", 20);
  struct Case {
    int First, Length;
    float Width;
  } cases[] = {{1, -1, 80}, {2, 2, 40}, {3, -1, 40}, {3, 99, 40}, {0, 2, 20}, {5, 1, 0}, {1, 0, 0}, {-3, -1, 80}};
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(Measure(u"XXXX", ahem, c.First, c.Length), c.Width) << c.First << "," << c.Length;
  EXPECT_FLOAT_EQ(Measure(u"", ahem), 0);
  // Carriage returns measure as spaces; letter spacing counts every character.
  EXPECT_FLOAT_EQ(Measure(u"X\rX", ahem), 60);
  THtTextStyle spaced;
  spaced.LetterSpacing = 1.5f;
  THtFontDX* arial = Font(u"Arial", 16);
  EXPECT_FLOAT_EQ(Measure(u"ab", arial, 1, -1, spaced), Measure(u"ab", arial) + 3);
  // Kerning is on by default and the font's settings can turn it off.
  THtFontDX* plain = Font(u"Arial", 1000);
  float kerned = Measure(u"AVAV", plain);
  THtFontDX* noKern = static_cast<THtFontDX*>(Fonts->GetFont(u"Arial", 1000, {}, {u"kern=0"}));
  EXPECT_LT(kerned, Measure(u"AVAV", noKern));
}

TEST_F(DXTextTest, FeatureSettingsGiveTypography) {
  THtFontDX* f = static_cast<THtFontDX*>(
      Fonts->GetFont(u"Arial", 16, {}, {u"smcp", u"liga=0", u"auto", u"kern=x"}));
  auto t = THtCanvasDX::GetFontTypography(f);
  std::string got;
  for (const DWRITE_FONT_FEATURE& x : t->Features) {
    for (int i = 0; i < 4; ++i) got += char(x.nameTag >> (8 * i));
    got += std::to_string(x.parameter) + " ";
  }
  EXPECT_EQ(got, "smcp1 liga0 kern1 lnum0 pnum0 onum0 tnum0 clig1 calt1 ccmp1 ");
  // Without settings every font shares the default typography.
  EXPECT_EQ(THtCanvasDX::GetFontTypography(Font(u"Arial", 16)), THtCanvasDX::GetFontTypography(Font(u"Ahem", 9)));
}

// Typography belongs to the characters it is set on: runs split where the
// features change, and objects with the same features count as one (they
// never split a run).
TEST_F(DXTextTest, TypographyByRange) {
  THtFontDX* f = Font(u"Arial", 20);
  auto typography = [](std::vector<DWRITE_FONT_FEATURE> list) {
    std::shared_ptr<IDWriteTypography> t;
    GetDWriteFactory()->CreateTypography(&t);
    for (const auto& x : list) t->AddFontFeature(x);
    return t;
  };
  const auto kernOff = typography({{DWriteFontFeature('k', 'e', 'r', 'n'), 0}});
  const auto kernOn = typography({{DWriteFontFeature('k', 'e', 'r', 'n'), 1}});
  std::shared_ptr<IDWriteTextLayout> l;
  ASSERT_EQ(GetDWriteFactory()->CreateTextLayout(u"AVAV", f->Font.get(), 500, 50, &l), S_OK);
  l->SetTypography(kernOn, {0, 4});
  DWRITE_TEXT_METRICS kerned;
  l->GetMetrics(&kerned);
  ASSERT_EQ(l->Runs().size(), 1u);
  l->SetTypography(typography({{DWriteFontFeature('k', 'e', 'r', 'n'), 1}}), {0, 2});  // same features
  EXPECT_EQ(l->Runs().size(), 1u);
  l->SetTypography(kernOff, {2, 100});  // clipped to the text
  ASSERT_EQ(l->Runs().size(), 2u);
  EXPECT_EQ(l->Runs()[1].TextPosition, 2u);
  EXPECT_EQ(l->GetTypography(3)->FeatureStrings(), kernOff->FeatureStrings());
  EXPECT_EQ(l->GetTypography(0)->FeatureStrings(), kernOn->FeatureStrings());
  EXPECT_EQ(l->GetTypography(4), nullptr);
  DWRITE_TEXT_METRICS half;
  l->GetMetrics(&half);
  l->SetTypography(kernOff, {0, 2});
  DWRITE_TEXT_METRICS plain;
  l->GetMetrics(&plain);
  EXPECT_LT(kerned.width, half.width);
  EXPECT_LT(half.width, plain.width);
}

// A renderer that records what a layout hands it.
class TRecordingRenderer : public IDWriteTextRenderer {
 public:
  HRESULT IsPixelSnappingDisabled(void*, BOOL* D) override {
    *D = Unsnapped;
    return S_OK;
  }
  HRESULT GetCurrentTransform(void*, D2D1_MATRIX_3X2_F* T) override {
    *T = Transform;
    return S_OK;
  }
  HRESULT GetPixelsPerDip(void*, float* P) override {
    *P = 1;
    return S_OK;
  }
  HRESULT DrawGlyphRun(void* Context, float X, float Y, DWRITE_MEASURING_MODE, const DWRITE_GLYPH_RUN& Run,
                       const DWRITE_GLYPH_RUN_DESCRIPTION& D, IUnknown* Effect) override {
    float w = 0;
    for (UINT32 i = 0; i < Run.glyphCount; ++i) w += Run.glyphAdvances[i];
    Log += "run " + std::to_string(D.textPosition) + "+" + std::to_string(D.stringLength) + " \"" +
           StringToUtf8(String(D.string, D.stringLength)) + "\" at " + std::to_string(int(X)) + "," +
           std::to_string(Y) + " w" + std::to_string(int(std::lround(w))) + " map" +
           std::to_string(D.clusterMap[D.stringLength - 1]) + (Effect ? " effect" : "") +
           (Context == this ? "" : " ?context") + "\n";
    return S_OK;
  }
  HRESULT DrawStrikethrough(void*, float X, float, const DWRITE_STRIKETHROUGH& S, IUnknown*) override {
    Log += "strike at " + std::to_string(int(X)) + " w" + std::to_string(int(std::lround(S.width))) + "\n";
    return S_OK;
  }
  BOOL Unsnapped = 0;
  D2D1_MATRIX_3X2_F Transform;
  std::string Log;
};

TEST_F(DXTextTest, LayoutsDrawThroughARenderer) {
  THtFontDX* ahem = Font(u"Ahem", 10);
  std::shared_ptr<IDWriteTextLayout> l;
  ASSERT_EQ(GetDWriteFactory()->CreateTextLayout(u"abc", ahem->Font.get(), 500, 50, &l), S_OK);
  l->SetLineSpacing(DWRITE_LINE_SPACING_METHOD_UNIFORM, 0, 8.25f);
  l->SetStrikethrough(1, {2, 1});
  l->SetDrawingEffect(std::make_shared<IUnknown>(), {1, 1});
  auto r = std::make_shared<TRecordingRenderer>();
  r->Transform._32 = 0.5f;  // the baseline snaps to whole device rows
  ASSERT_EQ(l->Draw(r.get(), r.get(), 3, 1), S_OK);
  EXPECT_EQ(r->Log,
            "run 0+1 \"a\" at 3,9.500000 w10 map0\n"
            "run 1+1 \"b\" at 13,9.500000 w10 map0 effect\n"
            "run 2+1 \"c\" at 23,9.500000 w10 map0\n"
            "strike at 23 w10\n");
  r->Log.clear();
  r->Unsnapped = 1;
  l->Draw(r.get(), r.get(), 3, 1);
  EXPECT_NE(r->Log.find("at 3,9.250000"), std::string::npos) << r->Log;
  EXPECT_EQ(l->Draw(r.get(), nullptr, 0, 0), E_INVALIDARG);
}

// ---------------------------------------------------------------- drawing

TEST_F(DXTextTest, DrawsGlyphsAtTheBaseline) {
  Begin();
  THtFontDX* ahem = Font(u"Ahem", 20);
  THtTextStyle st;
  st.Color = 0xFF000000;
  Canvas.DrawString(u"XXXX", TRectF(10, 5, 110, 30), ahem, st, 1, -1);
  Flush();
  // Four squares of 20 from x 10 (the layout sits half a pixel left, then
  // snaps), from the top of the line to its descent.
  EXPECT_EQ(Ink(15), std::make_pair(10, 89));
  EXPECT_EQ(Px(50, 5) & 0xFF, 0u);
  EXPECT_EQ(Px(50, 24) & 0xFF, 0u);
  EXPECT_EQ(Px(50, 26), 0xFFFFFFFFu);
}

TEST_F(DXTextTest, DrawsTheRunAskedFor) {
  Begin();
  THtFontDX* ahem = Font(u"Ahem", 10);
  THtTextStyle st;
  st.Color = 0xFF000000;
  // Characters 3-10 of ten: "X X" has a gap where the space is.
  Canvas.DrawString(u"  X XXXXXX", TRectF(0, 0, 120, 20), ahem, st, 3, -1);
  Flush();
  EXPECT_EQ(Ink(5), std::make_pair(0, 79));
  EXPECT_EQ(Px(15, 5), 0xFFFFFFFFu);
  EXPECT_NE(Canvas.TextLayout(), nullptr);
  EXPECT_EQ(Canvas.TextLayout()->Text(), u"X XXXXXX");
}

TEST_F(DXTextTest, BlankUnderlinedRunDrawsOnlyTheLine) {
  Begin();
  THtFontDX* ahem = Font(u"Ahem", 20, {hfsUnderline});
  THtTextStyle st;
  st.Color = 0xFF000000;
  st.DecorationColor = 0xFFFF0000;
  Canvas.DrawString(u"   ", TRectF(10, 0, 70, 30), ahem, st, 1, -1);
  Flush();
  EXPECT_EQ(Canvas.TextLayout(), nullptr);
  int y = int(std::round(16 + ahem->Underline));
  EXPECT_EQ(Px(40, y), 0xFFFF0000u);
  EXPECT_EQ(Px(40, 8), 0xFFFFFFFFu);
}

TEST_F(DXTextTest, LetterSpacingWidensEveryAdvance) {
  Begin();
  THtFontDX* ahem = Font(u"Ahem", 10);
  THtTextStyle st;
  st.Color = 0xFF000000;
  st.LetterSpacing = 5;
  Canvas.DrawStringEx(u"XX", TRectF(0, 0, 100, 20), ahem, st, {}, nullptr, nullptr, 1, -1);
  // Per-character spacing: element k + 1 follows character k.
  THtTextStyle plain;
  plain.Color = 0xFF000000;
  Canvas.DrawStringEx(u"XXX", TRectF(0, 20, 100, 40), ahem, plain, {0, 0, 7}, nullptr, nullptr, 1, -1);
  Flush();
  EXPECT_EQ(Ink(5), std::make_pair(0, 24));
  EXPECT_EQ(Px(12, 5), 0xFFFFFFFFu);
  EXPECT_EQ(Ink(25), std::make_pair(0, 36));
  EXPECT_EQ(Px(22, 25), 0xFFFFFFFFu);
  EXPECT_EQ(Px(15, 25) & 0xFF, 0u);
}

TEST_F(DXTextTest, MissingCharactersComeFromAFallbackFace) {
  THtFontDX* arial = Font(u"Arial", 20);
  std::shared_ptr<IDWriteTextLayout> l;
  ASSERT_EQ(GetDWriteFactory()->CreateTextLayout(u"a\u2713b", arial->Font.get(), 500, 50, &l), S_OK);
  const auto& runs = l->Runs();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].Face, runs[2].Face);
  EXPECT_NE(runs[1].Face, runs[0].Face);
  EXPECT_NE(runs[1].Face->GlyphIndex(0x2713), 0u);
  EXPECT_NE(runs[1].Indices[0], 0u);
}

TEST_F(DXTextTest, RightToLeftRunsInVisualOrder) {
  THtFontDX* f = Font(u"Arial", 20);
  std::shared_ptr<IDWriteTextLayout> l;
  // Hebrew letters then Latin: in a right-to-left paragraph the Latin run
  // comes first from the left.
  GetDWriteFactory()->CreateTextLayout(u"\u05D0\u05D1 ab", f->Font.get(), 300, 50, &l);
  l->SetReadingDirection(DWRITE_READING_DIRECTION_RIGHT_TO_LEFT);
  const auto& runs = l->Runs();
  ASSERT_GE(runs.size(), 2u);
  EXPECT_EQ(runs.front().TextPosition, 3u);
  EXPECT_EQ(runs.front().BidiLevel, 2u);
  EXPECT_EQ(runs.back().TextPosition, 0u);
  EXPECT_EQ(runs.back().BidiLevel & 1, 1u);
  DWRITE_TEXT_METRICS m;
  l->GetMetrics(&m);
  EXPECT_FLOAT_EQ(m.left, 300 - m.widthIncludingTrailingWhitespace);  // right aligned
}

TEST_F(DXTextTest, StrikeThroughCrossesTheGlyphs) {
  Begin();
  THtFontDX* ahem = Font(u"Ahem", 20, {hfsStrikeOut});
  THtTextStyle st;
  st.Color = 0xFF0000FF;
  Canvas.DrawString(u"X X", TRectF(0, 0, 100, 30), ahem, st, 1, -1);
  Flush();
  // The gap of the space is crossed by the line.
  auto strikeRow = [&] {
    for (int y = 0; y < 30; ++y)
      if ((Px(30, y) & 0xFF) > 0x80 && ((Px(30, y) >> 16) & 0xFF) < 0x80) return y;
    return -1;
  };
  int y = strikeRow();
  EXPECT_GT(y, 0);
  EXPECT_LT(y, 16);
}

// ---------------------------------------------------------------- text objects

TEST_F(DXTextTest, TextObjectUnderlinesMergeAndHitTest) {
  Begin();
  THtFontDX* ahem = Font(u"Ahem", 10);
  THtTextStyle st;
  st.Color = 0xFF000000;
  auto obj = Canvas.CreateTextObject(u"XXXXXXXX", ahem, st, TRectF(0, 0, 100, 20), 1, -1);
  auto* t = static_cast<THtTextObjectDX*>(obj.get());
  ASSERT_NE(t->Layout, nullptr);
  EXPECT_EQ(t->TextLength, 8u);
  t->SetStyle({hfsUnderline}, 1, 3, 0xFFFF0000, tsSolid);
  t->SetStyle({hfsUnderline}, 4, 2, 0xFFFF0000, tsSolid);
  ASSERT_EQ(t->Underlines.size(), 1u);
  EXPECT_EQ(t->Underlines[0].FirstChar, 1);
  EXPECT_EQ(t->Underlines[0].Length, 5);
  t->SetStyle({hfsUnderline}, 6, 1, 0xFF00FF00, tsSolid);  // another colour: a new entry
  EXPECT_EQ(t->Underlines.size(), 2u);

  std::vector<DWRITE_HIT_TEST_METRICS> hits;
  t->Layout->HitTestTextRange(2, 3, 5, 0, &hits);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_FLOAT_EQ(hits[0].left, 25);
  EXPECT_FLOAT_EQ(hits[0].width, 30);

  t->SetColor(0xFF0000FF, 8, 1);
  Canvas.DrawTextObject(t, TRectF(0, 0, 100, 20), ahem);
  Flush();
  EXPECT_EQ(Px(75, 5), 0xFF0000FFu);  // the last character in its own colour
  EXPECT_EQ(Px(5, 5), 0xFF000000u);
}

TEST_F(DXTextTest, TextObjectEllipsisShadowAndSideways) {
  Begin(120, 120);
  THtFontDX* ahem = Font(u"Ahem", 10);
  THtTextStyle st;
  st.Color = 0xFF000000;
  auto obj = Canvas.CreateTextObject(u"XXXXXXXXXX", ahem, st, TRectF(0, 0, 45, 20), 1, -1);
  auto* t = static_cast<THtTextObjectDX*>(obj.get());
  t->Ellipsis = true;
  t->Shadow = true;
  t->ShadowX = 2;
  t->ShadowY = 2;
  t->ShadowColor = 0xFFFF0000;
  Canvas.DrawTextObject(t, TRectF(0, 0, 45, 20), ahem);
  EXPECT_EQ(t->Layout->DisplayText(), u"XXX\u2026");
  DWRITE_TEXT_METRICS m;
  t->Layout->GetMetrics(&m);
  EXPECT_LE(m.width, 45);

  D2D1_MATRIX_3X2_F before, after;
  Canvas.Context()->GetTransform(&before);
  THtTextStyle side = st;
  side.WritingMode = wmSidewaysLR;
  auto v = Canvas.CreateTextObject(u"XX", ahem, side, TRectF(50, 40, 100, 60), 1, -1);
  Canvas.DrawTextObject(v.get(), TRectF(50, 40, 100, 60), ahem);
  Canvas.Context()->GetTransform(&after);
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  Flush();
  EXPECT_EQ(Px(5, 11), 0xFFFF0000u);  // the shadow shows below-right of the glyphs
  EXPECT_EQ(Px(5, 5), 0xFF000000u);
  // Rotated by -90 degrees: the two squares stack upwards from the rectangle.
  // Rotated by -90 degrees: the squares run upwards from (60, 90), one em
  // wide.
  EXPECT_EQ(Px(65, 85), 0xFF000000u);
  EXPECT_EQ(Px(65, 72), 0xFF000000u);
  EXPECT_EQ(Px(65, 95), 0xFFFFFFFFu);
  EXPECT_EQ(Px(75, 80), 0xFFFFFFFFu);
}

TEST_F(DXTextTest, ItalicTimesQuotesAndEmptyText) {
  Begin();
  THtFontDX* times = Font(u"Times New Roman", 16, {hfsItalic});
  auto obj = Canvas.CreateTextObject(u"a\"b", times, {}, TRectF(10, 0, 5, 20), 1, -1);  // negative width
  auto* t = static_cast<THtTextObjectDX*>(obj.get());
  ASSERT_NE(t->Layout, nullptr);
  EXPECT_EQ(t->Layout->Text(), u"a\u201Cb");
  EXPECT_EQ(t->Layout->GetMaxWidth(), 0);
  auto none = Canvas.CreateTextObject(u"", times, {}, TRectF(0, 0, 50, 20), 1, -1);
  EXPECT_EQ(static_cast<THtTextObjectDX*>(none.get())->Layout, nullptr);
  Canvas.DrawTextObject(none.get(), TRectF(0, 0, 50, 20), times);  // nothing, no crash
}

// ---------------------------------------------------------------- in-memory fonts

TEST_F(DXTextTest, CustomFontsShareBytesAndBatchCollections) {
  TDXCustomFonts fonts;
  std::vector<uint8_t> ahem = ahemBytes();
  ASSERT_FALSE(ahem.empty());
  TMemoryStream a(ahem.data(), ahem.size());
  fonts.AddFontStream(u"Web", a);
  fonts.AddFontStream(u"Web", a);  // same name, same bytes: nothing new
  EXPECT_EQ(fonts.Fonts().size(), 1u);
  fonts.AddFontStream(u"Other", a);
  ASSERT_EQ(fonts.Fonts().size(), 2u);
  EXPECT_EQ(fonts.Fonts()[0].second->FontData, fonts.Fonts()[1].second->FontData);

  auto first = fonts.HasFont(u"WEB");
  ASSERT_NE(first, nullptr);
  UINT32 i;
  BOOL found;
  first->FindFamilyName(u"Ahem", &i, &found);  // the name inside the file
  EXPECT_TRUE(found);
  EXPECT_EQ(fonts.HasFont(u"missing"), nullptr);
  EXPECT_EQ(fonts.CollectionCount(), 1u);

  std::vector<uint8_t> junk(64, 0x41);
  TMemoryStream j(junk.data(), junk.size());
  fonts.AddFontStream(u"Junk", j);
  auto second = fonts.HasFont(u"junk");
  EXPECT_EQ(fonts.CollectionCount(), 2u);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetFontFamilyCount(), 0u);  // no face in garbage
  EXPECT_EQ(fonts.HasFont(u"web"), first);

  // Replacing a name keeps the older collection alive for its formats.
  fonts.AddFontStream(u"Web", j);
  EXPECT_EQ(first->GetFontFamilyCount(), 1u);
}

TEST_F(DXTextTest, FontStreamsServeOnlyWhatTheyHold) {
  auto font = std::make_shared<TDXCustomFont>();
  font->FontData = std::make_shared<const std::vector<uint8_t>>(std::vector<uint8_t>{1, 2, 3, 4});
  TDWriteFontResource r(font);
  struct Case {
    UINT64 Offset, Size;
    HRESULT Result;
  } cases[] = {{0, 4, S_OK}, {3, 1, S_OK}, {4, 0, E_FAIL}, {2, 3, E_FAIL}, {1, ~UINT64(0), E_FAIL}};
  for (const Case& c : cases) {
    const void* start = &r;
    void* context = &r;
    EXPECT_EQ(r.ReadFileFragment(&start, c.Offset, c.Size, &context), c.Result) << c.Offset << "+" << c.Size;
    if (c.Result == S_OK) {
      EXPECT_EQ(*static_cast<const uint8_t*>(start), uint8_t(c.Offset + 1));
    } else {
      EXPECT_EQ(start, nullptr);
      EXPECT_EQ(context, nullptr);
    }
  }
  UINT64 v = 7;
  EXPECT_EQ(r.GetFileSize(&v), S_OK);
  EXPECT_EQ(v, 4u);
  EXPECT_EQ(r.GetLastWriteTime(&v), S_OK);
  EXPECT_EQ(v, 0u);
  EXPECT_EQ(TDWriteFontResource(nullptr).GetFileSize(&v), E_FAIL);

  // The file loader knows only its own collection's fonts.
  TDXCustomFontCollection c;
  c.FontList.push_back(font);
  std::shared_ptr<IDWriteFontFileStream> stream;
  const TDXCustomFont* key = font.get();
  EXPECT_EQ(c.Loader->CreateStreamFromKey(&key, sizeof key, &stream), S_OK);
  EXPECT_NE(stream, nullptr);
  const TDXCustomFont* stranger = reinterpret_cast<const TDXCustomFont*>(&c);
  EXPECT_EQ(c.Loader->CreateStreamFromKey(&stranger, sizeof stranger, &stream), E_INVALIDARG);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(c.Loader->CreateStreamFromKey(&key, 3, &stream), E_INVALIDARG);
  // Enumerating gives one file per font, then stops.
  std::shared_ptr<IDWriteFontFileEnumerator> e;
  ASSERT_EQ(c.ColLoader->CreateEnumeratorFromKey(GetDWriteFactory().get(), nullptr, 0, &e), S_OK);
  BOOL has = 0;
  EXPECT_EQ(e->MoveNext(&has), S_OK);
  EXPECT_TRUE(has);
  EXPECT_EQ(e->MoveNext(&has), S_OK);
  EXPECT_FALSE(has);
}

TEST_F(DXTextTest, WebFontFromBytesDrawsInAScene) {
  core::FontSystem::UseSystemFonts();
  std::vector<uint8_t> ahem = ahemBytes();
  TMemoryStream s(ahem.data(), ahem.size());
  Fonts->AddFontStream(u"Ahem", s);
  THtFontDX* f = Font(u"Ahem", 20);
  std::shared_ptr<IDWriteFontCollection> c;
  f->Font->GetFontCollection(&c);
  EXPECT_FALSE(c->System);
  EXPECT_FLOAT_EQ(Measure(u"XXXX", f), 80);
  Begin();
  THtTextStyle st;
  st.Color = 0xFF000000;
  Canvas.DrawString(u"XXXX", TRectF(10, 5, 110, 30), f, st, 1, -1);
  Flush();
  EXPECT_EQ(Ink(15), std::make_pair(10, 89));
  core::FontSystem::UseTestFonts();
}

}  // namespace
}  // namespace ht
