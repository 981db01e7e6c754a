#include <algorithm>
#include "canvas/meta_stream.h"

#include <gtest/gtest.h>

#include "canvas/meta_canvas.h"
#include "canvas/meta_test_util.h"
#include "canvas/path_records.h"

namespace ht::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Saved(THtMetaList& L) {
  TMemoryStream st;
  L.SavetoStream(st);
  return st.Data();
}

THtFontCollection& Fonts() {
  static THtFontCollection fonts(&TTraceCanvas::ClassType, false);
  return fonts;
}

// The other back end, with paths kept as record lists so that they can be
// written again.
class TRecordPathCanvasClass : public TOtherCanvasClass {
 public:
  using TOtherCanvasClass::TOtherCanvasClass;
  const THtPathClass* PathClass() const override { return &THtCustomPath::ClassType; }
};
const TRecordPathCanvasClass RecordPathCanvas{"TRecordPathCanvas", &TOtherCanvas::ClassType, nullptr};

std::unique_ptr<THtMetaList> Loaded(const Bytes& B) {
  auto list = std::make_unique<THtMetaList>(true);
  TMemoryStream st(B.data(), B.size());
  list->LoadfromStream(st, &RecordPathCanvas, &Fonts());
  return list;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(MetaStream, ByteExactSamples) {
  THtMetaList empty(true);
  EXPECT_EQ(Saved(empty), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(Loaded({0, 0, 0, 0})->Count(), 0);

  THtMetaList state(true);
  state.Add(std::make_unique<THtMetaStateRec>(true));
  EXPECT_EQ(Saved(state), (Bytes{1, 0, 0, 0, 6, 0, 1}));

  THtMetaList matrix(true);
  matrix.Add(std::make_unique<THtMetaMatrixRec>(THtMatrixData()));
  const Bytes zeros8(8, 0);
  EXPECT_EQ(Saved(matrix), Concat({{1, 0, 0, 0, 5, 0}, {0, 0, 0x80, 0x3F}, zeros8, {0, 0, 0x80, 0x3F}, zeros8,
                                   {0, 0, 0, 0}}));

  // A text of one character: its string is the count 1, then E9 00.
  TMetaFixtureCanvas meta;
  THtTextStyle style;
  style.Color = 0xFF000000;
  meta.DrawString(u"\u00E9", TRectF(), Fonts().GetFont(u"Arial", 16, {}), style, 1, -1);
  const Bytes text = Saved(*meta.List());
  EXPECT_EQ(Bytes(text.begin() + 4, text.begin() + 12), (Bytes{1, 0, 1, 0, 0, 0, 0xE9, 0}));
}

TEST(MetaStream, LinksAndShadowsAreCountedButNotRead) {
  THtMetaList list(true);
  THtPen pen(0xFF0000FF, 1);
  list.Add(std::make_unique<THtMetaLinkRec>(TRectF(0, 0, 1, 1), u"#a", false));
  list.Add(std::make_unique<THtMetaShadowRec>(nullptr, THtShadowProps()));
  list.Add(std::make_unique<THtMetaLineRec>(&pen, 1, 2, 3, 4));
  const Bytes b = Saved(list);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 10), (Bytes{3, 0, 0, 0, 0, 0, 0, 0, 3, 0}));
  auto back = Loaded(b);
  ASSERT_EQ(back->Count(), 1);
  auto* line = dynamic_cast<THtMetaLineRec*>(back->GetRec(0));
  ASSERT_TRUE(line);
  EXPECT_EQ(line->x2, 3);
  EXPECT_EQ(line->Pen->GetColor(), 0xFF0000FFu);
  EXPECT_EQ(line->Pen->ClassRefOf(), &TOtherPen::ClassType);
}

TEST(MetaStream, PlainStrokeIsWrittenAsColourAndWidth) {
  TMetaFixtureCanvas meta;
  THtPen pen(0xFF102030, 1);
  meta.DrawRectangle(&pen, 1, 2, 3, 4);
  const Bytes b = Saved(*meta.List());
  // code, 6 floats, Rounded 0, Fill 0, has-pen 0, colour, 1.0
  ASSERT_EQ(b.size(), 4u + 2 + 24 + 3 + 8);
  EXPECT_EQ(Bytes(b.begin() + 30, b.end()), (Bytes{0, 0, 0, 0x30, 0x20, 0x10, 0xFF, 0, 0, 0x80, 0x3F}));
  auto back = Loaded(b);
  auto* r = dynamic_cast<THtMetaRectRec*>(back->GetRec(0));
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->Stroke);
  EXPECT_FALSE(r->Fill);
  TOtherCanvas other;
  back->Play(&other, 1);
  EXPECT_EQ(other.Calls, (std::vector<std::string>{"DrawPath FF102030/1 [M 1,2 L 4,2 L 4,6 L 1,6 L 1,2] TOtherPen style0"}));
}

TEST(MetaStream, TextWithFillReadsBackAsPlainText) {
  TMetaFixtureCanvas meta;
  THtBrush fill(0xFF00FF00);
  THtTextStyle style;
  style.Color = 0xFF000000;
  style.Opacity = 0.75f;
  style.LetterSpacing = 1.5f;
  style.RTL = true;
  style.DecorationStyle = tsWavy;
  style.WritingMode = wmSidewaysLR;
  style.FontFeatures = u"kern";
  THtFont* font = Fonts().GetFont(u"Arial", 16, {hfsBold});
  meta.DrawStringEx(u"hello", TRectF(1, 2, 3, 4), font, style, {1, 2}, &fill, nullptr, 1, -1);
  auto back = Loaded(Saved(*meta.List()));
  ASSERT_EQ(back->Count(), 1);
  auto* t = back->GetRec(0);
  ASSERT_EQ(typeid(*t), typeid(THtMetaTextRec));
  auto* text = static_cast<THtMetaTextRec*>(t);
  EXPECT_EQ(text->Text, u"hello");
  EXPECT_EQ(RectText(text->R), "1,2,3,4");
  EXPECT_EQ(text->Font, font);
  EXPECT_TRUE(text->FontStyle.Contains(hfsBold));
  EXPECT_EQ(text->TextStyle.Opacity, 0.75f);
  EXPECT_EQ(text->TextStyle.LetterSpacing, 1.5f);
  EXPECT_TRUE(text->TextStyle.RTL);
  EXPECT_EQ(text->TextStyle.DecorationStyle, tsWavy);
  EXPECT_EQ(text->TextStyle.WritingMode, wmSidewaysLR);
  EXPECT_EQ(text->TextStyle.FontFeatures, u"");
}

TEST(MetaStream, ImageBrushComesBackSolid) {
  THtMetaList list(true);
  THtBrush brush(0xFFABCDEF);
  brush.Kind = hbImage;
  list.Add(std::make_unique<THtMetaEllipseRec>(0, 0, 4, 4, &brush, nullptr));
  auto back = Loaded(Saved(list));
  auto* e = dynamic_cast<THtMetaEllipseRec*>(back->GetRec(0));
  ASSERT_TRUE(e && e->Brush);
  EXPECT_EQ(e->Brush->Kind, hbSolid);
  EXPECT_EQ(e->Brush->GetColor(), 0xFFABCDEFu);
}

// A list with every kind of record the stream carries.
std::unique_ptr<THtMetaList> AllKinds(std::unique_ptr<TTestImage>& Image) {
  auto meta = std::make_unique<TMetaFixtureCanvas>();
  THtBrush solid(0xFFFF0000);
  THtBrush radial(1, 2, 3, 4, 5, 6, 7, THtMatrixData());
  radial.SetGradientColors({0, 0.5f}, {0xFF00FF00, 0x800000FF});
  THtBrush linear(TRectF(0, 0, 10, 10), 0, 0, 30, TRectF(1, 1, 9, 9));
  linear.SetGradientColors({0, 1}, {0xFF00FF00, 0xFF0000FF});
  THtPen dashed(0xFF0000FF, 2);
  dashed.SetDashes({4, 2});
  dashed.SetLineCap(lcRound);
  dashed.SetLineJoin(ljBevel);
  THtCustomPath path;
  path.MoveTo(0, 0);
  path.LineTo(10, 5);
  path.CloseFigure();
  path.SetFillModeWinding(true);
  THtTextStyle style;
  style.Color = 0xFF000000;
  Image = TTestImage::Make(8, 6);

  meta->SaveState();
  meta->IntersectClip(TRectF(0, 0, 50, 50));
  meta->IntersectClip(&path);
  meta->TranslateTransform(3, 4);
  meta->DrawString(u"text", TRectF(0, 0, 30, 10), Fonts().GetFont(u"Arial", 12, {hfsItalic}), style, 1, -1);
  meta->FillPath(&radial, &path);
  meta->DrawPath(&dashed, &path);
  meta->DrawLine(&dashed, 1, 2, 3, 4);
  meta->DrawImage(Image.get(), TRectF(0, 0, 8, 6), 0.5f);
  meta->FillEllipse(&linear, 0, 0, 5, 5);
  meta->DrawEllipse(&dashed, 0, 0, 5, 5);
  meta->FillRectangle(&solid, 0, 0, 5, 5);
  meta->FillRoundRect(&linear, TRectF(0, 0, 5, 5), 1, 2);
  meta->DrawRectangle(&dashed, 0, 0, 5, 5);
  meta->RestoreState();
  return meta->DetachList();
}

TEST(MetaStream, EveryKindSurvivesARoundTrip) {
  std::unique_ptr<TTestImage> image;
  auto list = AllKinds(image);
  const Bytes first = Saved(*list);
  auto back = Loaded(first);
  ASSERT_EQ(back->Count(), list->Count());
  auto* path = dynamic_cast<THtMetaPathRec*>(back->GetRec(5));
  ASSERT_TRUE(path);
  EXPECT_EQ(StringToUtf8(PathAsString(path->Path.get())), "M0 0l10 5 z");
  EXPECT_TRUE(path->Path->FillModeWinding());
  EXPECT_EQ(path->Brush->Kind, hbRadial);
  EXPECT_EQ(path->Brush->GradientColors, (TCardinalArray{0xFF00FF00, 0x800000FF, 0x800000FF}));
  // Written again, the rebuilt records give the same bytes.
  EXPECT_EQ(Saved(*back), first);
}

TEST(MetaStream, TruncatedStreamsAreRejected) {
  std::unique_ptr<TTestImage> image;
  auto list = AllKinds(image);
  const Bytes full = Saved(*list);
  for (size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    auto target = std::make_unique<THtMetaList>(true);
    THtBrush keep(0);
    target->Add(std::make_unique<THtMetaRectRec>(0, 0, 1, 1, &keep, nullptr));
    TMemoryStream st(full.data(), n);
    EXPECT_THROW(target->LoadfromStream(st, &RecordPathCanvas, &Fonts()), EMetaStreamError);
    EXPECT_EQ(target->Count(), 1);  // nothing half-read is added
  }
}

TEST(MetaStream, DamagedStreamsAreRejected) {
  const Bytes zeros8(8, 0);
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"negative count", {0xFF, 0xFF, 0xFF, 0xFF}},
      {"count beyond the data", {0xFF, 0xFF, 0xFF, 0x7F, 6, 0, 1}},
      {"huge string", {1, 0, 0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0x7F}},
      {"state byte 2", {1, 0, 0, 0, 6, 0, 2}},
      {"matrix kind 9", Concat({{1, 0, 0, 0, 5, 0}, zeros8, zeros8, zeros8, {9, 0, 0, 0}})},
      {"huge image", Concat({{1, 0, 0, 0, 4, 0}, zeros8, zeros8, zeros8, zeros8, {0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0x7F}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(Loaded(c.bytes), EMetaStreamError);
  }
}

TEST(MetaStream, DamagedPathTextIsADamagedStream) {
  std::unique_ptr<TTestImage> image;
  auto list = AllKinds(image);
  Bytes bytes = Saved(*list);
  // The path's text, in whichever form the stream keeps strings.
  const std::string utf8 = "M0 0l10 5 z";
  std::string utf16;
  for (char c : utf8) utf16 += std::string{c, '\0'};
  bool damaged = false;
  for (const std::string& form : {utf16, utf8}) {
    auto at = std::search(bytes.begin(), bytes.end(), form.begin(), form.end());
    if (at == bytes.end()) continue;
    *at = uint8_t('K');  // no such command
    damaged = true;
    break;
  }
  ASSERT_TRUE(damaged);
  EXPECT_THROW(Loaded(bytes), EMetaStreamError);
}

TEST(MetaStream, UnknownCodesConsumeNoFields) {
  auto back = Loaded({3, 0, 0, 0, 0x63, 0, 0, 0, 6, 0, 0});
  ASSERT_EQ(back->Count(), 1);
  EXPECT_FALSE(static_cast<THtMetaStateRec*>(back->GetRec(0))->Save);
}

}  // namespace
}  // namespace ht::testing
