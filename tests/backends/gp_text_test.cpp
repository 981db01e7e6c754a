#include <cmath>
#include <limits>

#include "backends/gp_test_fixture.h"
#include "canvas/colors.h"

namespace ht::testing {
namespace {

using GPText = GPCanvasTest;

TEST_F(GPText, MeasuresAtPinnedWidths) {
  THtFontGP* arial = Font(u"Arial", 1000);
  EXPECT_FLOAT_EQ(Measure(u"Hello", arial), 2278);
  EXPECT_FLOAT_EQ(Measure(u"Hello", Font(u"Arial", 20)), 2278 * 20 / 1000.0f);
  EXPECT_FLOAT_EQ(Measure(u"XXXX", Font(u"Ahem", 20)), 80);
  // A no-break space measures as a space.
  EXPECT_FLOAT_EQ(Measure(u"a b", arial), Measure(u"a\u00A0b", arial));
  // Runs: 1-based, -1 is the rest, out-of-range parts are clamped away.
  struct Case {
    int first, length;
    float width;
  } cases[] = {{2, 3, 556 + 222 + 222}, {4, -1, 222 + 556}, {4, 99, 222 + 556}, {0, 2, 722}, {6, 1, 0}, {1, 0, 0}};
  for (const auto& c : cases)
    EXPECT_FLOAT_EQ(Measure(u"Hello", arial, c.first, c.length), c.width) << c.first << "," << c.length;
  EXPECT_FLOAT_EQ(Measure(u"", arial), 0);
}

TEST_F(GPText, PlacementRetriesOnceWithNumericOverride) {
  THtFontGP* arial = Font(u"Arial", 1000);
  std::vector<gdi::DWORD> seen;
  gdi::GdiPlacementFault = [&](gdi::DWORD flags) {
    seen.push_back(flags);
    return (flags & 0x09000000) == 0;
  };
  EXPECT_FLOAT_EQ(Measure(u"Hello", arial), 2278);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], 0x28u);
  EXPECT_EQ(seen[1], 0x09000028u);
  gdi::GdiPlacementFault = [](gdi::DWORD) { return true; };
  EXPECT_FLOAT_EQ(Measure(u"Hello", arial), 0);
  Begin();
  THtTextStyle st;
  st.Color = 0xFF000000;
  Canvas->DrawString(u"Hello", TRectF(0, 0, 100, 50), Font(u"Arial", 30), st, 1, -1);
  Target->Surface().Flush();
  for (int x = 0; x < 100; x += 3) EXPECT_EQ(Px(x, 20), 0xFFFFFFFFu);  // nothing drawn
}

TEST_F(GPText, GrowsToTheShapersGlyphCount) {
  // A decomposed character shapes to more glyphs than the run has units.
  THtCharPlacement cp;
  THtFontGP* f = Font(u"DejaVu Sans", 1000);
  const String s = u"\u0344";  // one unit, two glyphs after decomposition (or one)
  gdi::DWORD r = GlyphPlacement(f->GDIDC, s.data(), 1, cp, false);
  ASSERT_NE(r, 0u);
  EXPECT_GE(cp.Glyphs.size(), cp.GR.nGlyphs);
  // Forcing tiny buffers: the call grows them to whatever the run needs.
  THtCharPlacement small;
  const String word = u"Hello";
  ASSERT_NE(GlyphPlacement(f->GDIDC, word.data(), 5, small, false), 0u);
  EXPECT_EQ(small.GR.nGlyphs, 5u);
}

TEST_F(GPText, LetterSpacingAndTheSpacingArray) {
  Begin();
  THtFontGP* f = Font(u"Ahem", 10);
  THtTextStyle st;
  st.Color = 0xFF000000;
  st.LetterSpacing = 2;
  Canvas->DrawString(u"XXX", TRectF(5, 0, 100, 20), f, st, 1, -1);
  ASSERT_GE(Canvas->FGPos.size(), 3u);
  EXPECT_FLOAT_EQ(Canvas->FGPos[0].X, 5);
  EXPECT_FLOAT_EQ(Canvas->FGPos[1].X, 17);
  EXPECT_FLOAT_EQ(Canvas->FGPos[2].X, 29);
  EXPECT_FLOAT_EQ(Canvas->FGPos[0].Y, 8);  // top + ascent
  // DrawStringEx ignores the letter spacing and adds the spacing of each
  // character after the first from the run's start in the array.
  std::unique_ptr<THtBrush> fill = Canvas->BrushClass()->Create(0xFF000000);
  TSingleArray spacing{100, 1, 3, 7};
  Canvas->DrawStringEx(u"XXXX", TRectF(0, 0, 100, 20), f, st, spacing, fill.get(), nullptr, 2, 3);
  EXPECT_FLOAT_EQ(Canvas->FGPos[1].X, 10 + 3);
  EXPECT_FLOAT_EQ(Canvas->FGPos[2].X, 20 + 3 + 7);
}

TEST_F(GPText, StrokeAndFillRoutes) {
  Begin();
  THtFontGP* f = Font(u"Arial", 20);
  THtTextStyle st;
  std::unique_ptr<THtBrush> fill = Canvas->BrushClass()->Create(0xFF0000FF);
  std::unique_ptr<THtPen> same = Canvas->PenClass()->Create(0xFF0000FF, 1);
  std::unique_ptr<THtPen> other = Canvas->PenClass()->Create(0xFFFF0000, 1);
  auto& trace = gdiplus::GdipTrace();
  trace.Enabled = true;
  Canvas->DrawStringEx(u"Ab", TRectF(0, 0, 100, 40), f, st, {}, fill.get(), same.get(), 1, -1);
  EXPECT_EQ(trace.Text(), "DrawDriverString(2)");
  trace.Clear();
  // Different colours: the fill is painted, then the outline.
  Canvas->DrawStringEx(u"Ab", TRectF(0, 0, 100, 40), f, st, {}, fill.get(), other.get(), 1, -1);
  EXPECT_EQ(trace.Text(), "FillPath; DrawPath");
  trace.Clear();
  Canvas->DrawStringEx(u"Ab", TRectF(0, 0, 100, 40), f, st, {}, nullptr, other.get(), 1, -1);
  EXPECT_EQ(trace.Text(), "DrawPath");
}

TEST_F(GPText, DecorationsAndTheReusedPen) {
  Begin(100, 60);
  THtFontGP* f = Font(u"Arial", 40, {hfsUnderline});
  THtTextStyle st;
  st.Color = st.DecorationColor = 0xFF000000;
  st.DecorationStyle = tsDotted;
  Canvas->DrawString(u"a", TRectF(0, 0, 100, 60), f, st, 1, -1);
  THtPen* pen = Canvas->ReusedPen();
  ASSERT_NE(pen, nullptr);
  EXPECT_FLOAT_EQ(pen->GetWidth(), 3);  // ceil(40 / 18)
  EXPECT_EQ(pen->GetStyle(), hpsSolid);
  // Solid underline: a filled band t pixels high under the baseline.
  st.DecorationStyle = tsSolid;
  Target->Surface().Fill(0xFFFFFFFF);
  Canvas->DrawString(u"", TRectF(0, 0, 100, 60), f, st, 1, -1);  // empty: nothing at all
  Canvas->DrawString(u" ", TRectF(0, 0, 100, 60), f, st, 1, -1);
  int y = int(std::round(f->Ascent + f->UnderlinePosition)) + 1;
  EXPECT_EQ(Px(5, y), 0xFF000000u) << y;
  EXPECT_EQ(Px(5, y + 4), 0xFFFFFFFFu);
}

TEST_F(GPText, BadCoordinatesNeverReachTheSurface) {
  Begin();
  THtTextStyle st;
  st.Color = 0xFF000000;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Canvas->DrawString(u"Hello", TRectF(nan, 0, 100, 50), Font(u"Arial", 20), st, 1, -1);
  std::unique_ptr<THtBrush> b = Canvas->BrushClass()->Create(0xFFFF0000);
  Canvas->FillRectangle(b.get(), 0, 0, 50, 50);
  Target->Surface().Flush();
  EXPECT_EQ(Px(10, 10), 0xFFFFFFFFu);  // the graphics stopped drawing
  // A font of no usable height is refused with the font's own error.
  try {
    Font(u"Arial", nan);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Invalid font parameter");
  }
}

TEST_F(GPText, GoldenLiberationSans) {
  Begin(240, 60);
  THtTextStyle st;
  st.Color = 0xFF202020;
  Canvas->DrawString(u"Hello, world", TRectF(4, 2, 240, 40), Font(u"Arial", 24), st, 1, -1);
  st.Color = 0xFF0040C0;
  Canvas->DrawString(u"Liberation Sans 16px", TRectF(4, 34, 240, 60), Font(u"Arial", 16, {hfsBold}), st, 1, -1);
  Canvas->EndScene();
  const std::string golden = SourceDir() + "/tests/data/golden/gp_text_liberation_sans.png";
  if (std::getenv("TARNWICK_UPDATE_GOLDEN")) Target->Surface().WritePNG(golden);
  auto expected = core::TCoreSurface::ReadPNG(golden);
  ASSERT_TRUE(expected) << golden;
  ASSERT_EQ(expected->Width(), 240);
  int bad = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 240; ++x) {
      uint32_t a = expected->Pixel(x, y), b = Px(x, y);
      for (int sh = 0; sh < 32; sh += 8)
        if (std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF)) > 24) {
          ++bad;
          break;
        }
    }
  EXPECT_LE(bad, 20);
}

}  // namespace
}  // namespace ht::testing
