#include <gtest/gtest.h>

#include <cmath>

#include "canvas/bitmap.h"
#include "canvas/brush.h"
#include "canvas/canvas.h"
#include "canvas/font.h"
#include "canvas/image.h"
#include "canvas/page.h"
#include "canvas/pen.h"
#include "support/trace_canvas.h"

namespace ht {
namespace {

using testing::TTraceCanvas;

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

// A back-end brush, to check that clones keep the class.
class TOtherBrush : public THtBrush {
 public:
  using THtBrush::THtBrush;
  static const THtBrushClass ClassType;
  const THtBrushClass* ClassRefOf() const override { return &ClassType; }
};
const THtBrushClass TOtherBrush::ClassType{"TOtherBrush", &THtBrush::ClassType, std::type_identity<TOtherBrush>()};

TEST(DrawingBrush, SetGradientColorsPadsTheEndStop) {
  THtBrush b(0);
  b.SetGradientColors({0, 0.5f}, {kRed, kBlue});
  EXPECT_EQ(b.GradientPositions, (TSingleArray{0, 0.5f, 1}));
  EXPECT_EQ(b.GradientColors, (TCardinalArray{kRed, kBlue, kBlue}));
  b.SetGradientColors({0, 0.99995f}, {kRed, kBlue});  // 1 within the tolerance
  EXPECT_EQ(b.GradientPositions.size(), 2u);
  b.SetGradientColors({}, {});
  EXPECT_TRUE(b.GradientColors.empty());
}

TEST(DrawingBrush, ConstructorsAndClone) {
  auto g = TOtherBrush::ClassType.CreateGradient(TRectF(0, 0, 10, 10), kRed, kBlue, -90, TRectF(1, 2, 3, 4));
  EXPECT_EQ(g->Kind, hbGradient);
  EXPECT_EQ(g->Angle, 270);
  g->SetGradientColors({0, 1}, {kRed, kBlue});
  auto copy = g->Clone();
  EXPECT_EQ(copy->ClassRefOf(), &TOtherBrush::ClassType);
  EXPECT_EQ(copy->Kind, hbGradient);
  EXPECT_EQ(copy->Angle, 270);
  EXPECT_EQ(copy->FillRect.Right, 3);
  EXPECT_EQ(copy->GradientColors, g->GradientColors);

  // Angles far below 0 come back in one step; ones without a direction are 0.
  const struct {
    float in, out;
  } angles[] = {{-360, 0}, {-450, 270}, {400, 400},
                {-INFINITY, 0}, {INFINITY, 0}, {NAN, 0}};
  for (const auto& a : angles) {
    SCOPED_TRACE(a.in);
    THtBrush b(TRectF(0, 0, 10, 10), kRed, kBlue, a.in, TRectF(0, 0, 10, 10));
    EXPECT_EQ(b.Angle, a.out);
    b.Angle = a.in;  // set directly, then used
    b.SetGradientColors({0, 1}, {kRed, kBlue});
    b.CalcGradientColor(5, 5);
    EXPECT_EQ(b.Angle, a.out);
  }
  const THtBrush far(TRectF(0, 0, 10, 10), kRed, kBlue, -1e30f, TRectF(0, 0, 10, 10));
  EXPECT_TRUE(far.Angle >= 0 && far.Angle < 360) << far.Angle;

  THtMatrixData m;
  m.Init(2, 0, 0, 2, 0, 0);
  auto r = THtBrush::ClassType.CreateRadialGradient(1, 2, 3, 4, 5, 6, 7, m);
  auto rc = r->Clone();
  EXPECT_EQ(rc->Kind, hbRadial);
  EXPECT_EQ(rc->Radius, 7);
  EXPECT_EQ(rc->FY, 6);
  EXPECT_EQ(rc->Matrix.Flags, mfScale);

  THtImage img;
  THtBrush solid(kRed);
  solid.Image = &img;
  auto sc = solid.Clone();
  EXPECT_EQ(sc->Color(), kRed);
  EXPECT_EQ(sc->Image, nullptr);
}

TEST(DrawingBrush, CalcGradientColor) {
  THtBrush none(0x12345678);
  EXPECT_EQ(none.CalcGradientColor(0, 0), 0x12345678u);
  none.SetGradientColors({0}, {kBlue});
  EXPECT_EQ(none.CalcGradientColor(0, 0), kBlue);

  // Angle 90: left to right over a 100-pixel wide rectangle.
  THtBrush b(TRectF(0, 0, 100, 10), 0, 0, 90, TRectF(0, 0, 100, 10));
  b.SetGradientColors({0, 1}, {0xFF000000, 0xFF0000FF});
  EXPECT_EQ(b.CalcGradientColor(0, 5), 0xFF000000u);
  EXPECT_EQ(b.CalcGradientColor(50, 5), 0xFF000080u);  // 127.5 -> 128 (halves to even)
  EXPECT_EQ(b.CalcGradientColor(100, 5), 0xFF0000FFu);

  // Angle -90 becomes 270 and stays: right to left.
  THtBrush back(TRectF(0, 0, 100, 10), 0, 0, 0, TRectF(0, 0, 100, 10));
  back.Angle = -90;
  back.SetGradientColors({0, 1}, {0xFF000000, 0xFF0000FF});
  EXPECT_EQ(back.CalcGradientColor(100, 5), 0xFF000000u);
  EXPECT_EQ(back.CalcGradientColor(25, 5), 0xFF0000BFu);  // t = 0.75: 191.25
  EXPECT_EQ(back.Angle, 270);

  // Two stops at one position give the first colour of the pair.
  THtBrush hard(TRectF(0, 0, 100, 10), 0, 0, 90, TRectF(0, 0, 100, 10));
  hard.SetGradientColors({0, 0.5f, 0.5f, 1}, {kRed, kRed, kBlue, kBlue});
  EXPECT_EQ(hard.CalcGradientColor(20, 5), kRed);
  EXPECT_EQ(hard.CalcGradientColor(70, 5), kBlue);

  // Colours without positions do not read past the arrays.
  THtBrush bare(TRectF(), 0, 0, 90, TRectF(0, 0, 100, 10));
  bare.GradientColors = {kRed, kBlue};
  EXPECT_EQ(bare.CalcGradientColor(50, 5), kRed);
}

TEST(DrawingPen, DashesCloneAndAssign) {
  THtPen p(kRed, 2);
  p.SetDashes({4, 2});
  EXPECT_EQ(p.Dashes, (TSingleArray{2, 1}));
  p.SetLineCap(lcRound);
  p.SetMode(ldmXOR);
  auto c = p.Clone();
  EXPECT_EQ(c->Dashes, (TSingleArray{2, 1}));
  EXPECT_EQ(c->GetLineCap(), lcRound);
  EXPECT_EQ(c->Mode(), ldmXOR);
  EXPECT_EQ(c->GetWidth(), 2);

  THtPen target(0, 1);
  target.SetDashes({3});
  THtPen plain(kBlue, 5);
  target.Assign(plain);
  EXPECT_EQ(target.GetColor(), kBlue);
  EXPECT_EQ(target.GetWidth(), 5);
  EXPECT_EQ(target.Dashes, (TSingleArray{3}));  // kept: the source has none
  target.Assign(p);
  EXPECT_EQ(target.Dashes, (TSingleArray{2, 1}));
}

TEST(DrawingPen, DashesOfAPenWithoutWidthStayFinite) {
  // Such pens stroke a one-pixel hairline: lengths count in pixels.
  for (float width : {0.0f, 1e-30f, -2.0f, std::nanf("")}) {
    THtPen p(kRed, width);
    p.SetDashes({4, 2});
    EXPECT_EQ(p.Dashes, (TSingleArray{4, 2})) << width;
  }
}

TEST(DrawingFonts, GetFontKeysAndSharing) {
  auto fonts = TTraceCanvas::ClassType.CreateFontCollection();
  EXPECT_FALSE(fonts->Shared);
  EXPECT_EQ(fonts->CanvasClass, &TTraceCanvas::ClassType);

  EXPECT_EQ(THtFontCollection::FontKeyFor(u"Arial", 12, {}, {}), String(u"arial|12|\0", 10));
  EXPECT_EQ(THtFontCollection::FontKeyFor(u"Arial", 12.345f, {hfsBold, hfsUnderline}, {u"liga", u"kern"}),
            String(u"arial|12.35|\x01|liga|kern"));

  THtFont* bold = fonts->GetFont(u"Arial", 16, {hfsBold});
  THtFont* boldUnderline = fonts->GetFont(u"ARIAL", 16, {hfsBold, hfsUnderline});
  EXPECT_EQ(bold, boldUnderline);
  EXPECT_TRUE(bold->Style() == (THtFontStyles{hfsBold, hfsUnderline}));
  EXPECT_NE(fonts->GetFont(u"Arial", 16, {hfsItalic}), bold);
  EXPECT_NE(fonts->GetFont(u"Arial", 16, {hfsBold}, {u"smcp"}), bold);
  EXPECT_EQ(fonts->Count(), 3);

  EXPECT_FLOAT_EQ(bold->Size(), 12);
  EXPECT_EQ(bold->Scale(), 1);
  EXPECT_EQ(bold->Owner(), fonts.get());

  THtFont* generic = fonts->GetFont(u"sans-serif", 10, {});
  EXPECT_EQ(StringToUtf8(generic->Family()), "sans-serif");
  EXPECT_EQ(StringToUtf8(generic->RealName), "Arial");

  const String longName(40, u'Q');
  THtFont* longFont = fonts->GetFont(longName, 10, {});
  EXPECT_EQ(longFont->Family().size(), 31u);
  EXPECT_EQ(longFont->FontKey().substr(0, 41), String(40, u'q') + u"|");

  EXPECT_THROW(THtFont(nullptr, u"Arial", 10, {}), EAssertionFailed);
}

TEST(DrawingFonts, WidthCache) {
  auto fonts = TTraceCanvas::ClassType.CreateFontCollection();
  THtFont* f = fonts->GetFont(u"Arial", 10, {});
  float w = -1;
  EXPECT_FALSE(f->GetWidth(u"Hello world", 7, 5, w));
  EXPECT_EQ(w, -1);
  f->AddWidth(u"Hello world", 7, 5, 25.5f);
  EXPECT_TRUE(f->GetWidth(u"the world", 5, 5, w));
  EXPECT_EQ(w, 25.5f);
  f->AddWidth(u"world", 30);  // replaces
  EXPECT_TRUE(f->GetWidth(u"world", 1, 5, w));
  EXPECT_EQ(w, 30);
  EXPECT_FALSE(f->GetWidth(u"world", 3, 5, w));  // beyond the text
  EXPECT_FALSE(f->GetWidth(u"world", 0, 2, w));
  f->AddWidth(u"ab", 2, 10, 7);  // clipped to "b"
  EXPECT_TRUE(f->GetWidth(u"b", 1, 1, w));
  EXPECT_EQ(w, 7);
}

TEST(DrawingFonts, AddFontFileIgnoresMissingFiles) {
  auto fonts = TTraceCanvas::ClassType.CreateFontCollection();
  fonts->AddFontFile(u"x", u"/nonexistent/font.ttf");
  EXPECT_TRUE(fonts->GetFontData().empty());
}

TEST(DrawingImages, DetectKind) {
  struct Case {
    std::vector<uint8_t> bytes;
    uint8_t kind;
  } cases[] = {
      {{0xFF, 0xD8, 0xFF, 0xE0, 0, 0}, hikJPEG},
      {{0x89, 'P', 'N', 'G', 0x0D, 0x0A}, hikPNG},
      {{'G', 'I', 'F', '8', '9', 'a'}, hikGIF},
      {{'B', 'M', 0, 0, 0, 0}, hikBMP},
      {{'<', 's', 'v', 'g', ' ', 'x'}, hikSVG},
      {{'<', 'S', 'v', 'x', 'x', 'x'}, hikSVG},   // "<sv" takes any next byte
      {{'<', 'S', 'V', 'G', ' ', 'x'}, hikSVG},
      {{'<', 's', 'V', 'x', ' ', 'x'}, 0},        // "<sV" needs g or G
      {{'<', '?', 'x', 'm', 'l', ' '}, hikSVG},
      {{0, 0, 1, 0, 1, 0}, hikIcon},
      {{'M', 'M', 0, 42, 0, 0}, hikTIFF},
      {{'I', 'I', 42, 0, 0, 0}, hikTIFF},
      {{'<', 's', 'v', 'g', '>'}, 0},             // five bytes: too short
      {{'h', 'e', 'l', 'l', 'o', '!'}, 0},
  };
  for (const Case& c : cases) {
    THtImage img;
    img.DetectKind(c.bytes);
    EXPECT_EQ(img.Kind, c.kind) << std::string(c.bytes.begin(), c.bytes.end());
  }
  THtImage keeps;
  keeps.Kind = hikPNG;
  keeps.DetectKind({'x', 'x', 'x', 'x', 'x', 'x'});
  EXPECT_EQ(keeps.Kind, hikPNG);
  EXPECT_FALSE(THtImage::IsPNG({0x89, 'P', 'N', 'G', 0x0D}));
  EXPECT_TRUE(THtImage::IsGIF({'G', 'I', 'F', 0, 0, 0}));
}

TEST(DrawingImages, LoadersAndNamedList) {
  auto img = THtImage::ClassType.CreateFromString(u"GIF89a...");
  EXPECT_EQ(img->Kind, hikGIF);
  EXPECT_FALSE(img->IsLoaded());
  EXPECT_TRUE(img->AsBytes().empty());
  auto empty = THtImage::ClassType.CreateFromBytes({});
  EXPECT_EQ(empty->Kind, hikUnknown);

  THtImage shared;
  shared.Shared = true;
  {
    THtImages images;
    images.AddObject(u"http://a/B.png", new THtImage());
    images.AddObject(u"http://a/c.png", &shared);
    EXPECT_EQ(images.FindImage(u"HTTP://A/c.PNG"), &shared);
    EXPECT_EQ(images.FindImage(u"http://a/d.png"), nullptr);
  }  // the unshared image is freed (checked by ASan), the shared one is not
  EXPECT_TRUE(shared.Shared);
}

TEST(DrawingPages, SizeOrientationAndMetafile) {
  THtPage landscape(297, 210, 1, 96);
  EXPECT_EQ(landscape.Orientation, coLandscape);
  EXPECT_EQ(landscape.WidthPx, 1123);
  EXPECT_EQ(landscape.HeightPx, 794);
  THtPage square(100, 100, 2, 96);
  EXPECT_EQ(square.Orientation, coPortrait);
  EXPECT_EQ(square.AsImage(10, 96), nullptr);
  try {
    square.AsMetaFileBytes();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(StringToUtf8(e.Message()), "Metafile is not implemented for class THtPage");
  }
  EXPECT_THROW(square.AsMetaFile(), Exception);
}

TEST(DrawingBitmap, BaseClassIsAbstract) {
  EXPECT_TRUE(THtBitmap::ClassType.IsAbstract());
  EXPECT_EQ(THtBitmap::ClassType.Create(1, 1, true), nullptr);
}

}  // namespace
}  // namespace ht
