#include "canvas/meta_canvas.h"

#include <gtest/gtest.h>

#include "canvas/exporters.h"
#include "canvas/meta_test_util.h"

namespace ht::testing {
namespace {

THtFont* Font16() {
  static THtFontCollection fonts(&TTraceCanvas::ClassType, false);
  return fonts.GetFont(u"Arial", 16, {});
}

THtTextStyle Style(uint32_t Color = 0xFF000000, float Opacity = 1) {
  THtTextStyle s;
  s.Color = Color;
  s.Opacity = Opacity;
  return s;
}

template <class T>
T* RecAt(THtMetaCanvas& C, int Index) {
  return dynamic_cast<T*>(C.List()->GetRec(Index));
}

std::vector<std::string> Replay(THtMetaList& L, float Opacity = 1) {
  TRecTrace trace;
  L.Play(&trace, Opacity);
  return trace.Calls;
}

TEST(MetaCanvas, ReplaysShapesInRecordingOrder) {
  TMetaFixtureCanvas meta;
  THtBrush red(0xFFFF0000);
  THtPen blue(0xFF0000FF, 2);
  meta.SaveState();
  meta.IntersectClip(TRectF(0, 0, 50, 60));
  meta.FillRectangle(&red, 1, 2, 10, 5);
  meta.DrawRectangle(&blue, 1, 2, 10, 5);
  meta.DrawLine(&blue, 0, 0, 5, 5);
  meta.DrawLine(nullptr, 0, 0, 5, 5);  // no pen: nothing recorded
  meta.FillEllipse(&red, 0, 0, 4, 4);
  meta.DrawLink(TRectF(1, 1, 2, 2), u"#top", true);
  meta.RestoreState();
  EXPECT_EQ(meta.StateDepth(), 0);
  EXPECT_EQ(Replay(*meta.List()), (std::vector<std::string>{
                                      "SaveState",
                                      "IntersectClip 0,0,50,60",
                                      "FillPath FFFF0000 [M 1,2 L 11,2 L 11,7 L 1,7 L 1,2]",
                                      "DrawPath FF0000FF/2 [M 1,2 L 11,2 L 11,7 L 1,7 L 1,2]",
                                      "DrawPath FF0000FF/2 [M 0,0 L 5,5]",
                                      "FillPath FFFF0000 [A 0,0,4,4,0,359.9 Z]",
                                      "DrawLink 1,1,2,2 #top anchor",
                                      "RestoreState",
                                  }));
}

TEST(MetaCanvas, RoundedRectanglesStayOneRecord) {
  TMetaFixtureCanvas meta;
  THtBrush red(0xFFFF0000);
  THtPen blue(0xFF0000FF, 2);
  meta.FillRoundRect(&red, TRectF(0, 0, 20, 10), 2, 3);
  meta.RoundRect(&blue, TRectF(0, 0, 20, 10), 2, 3);
  ASSERT_EQ(meta.List()->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    auto* r = RecAt<THtMetaRectRec>(meta, i);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->Rounded);
    EXPECT_EQ(r->Rx, 2);
    EXPECT_EQ(r->Ry, 3);
    EXPECT_EQ(r->Fill, i == 0);
    EXPECT_EQ(r->Stroke, i == 1);
  }
  // Replayed onto another recording canvas they are still rounded records.
  TMetaFixtureCanvas copy;
  meta.List()->Play(&copy, 1);
  ASSERT_EQ(copy.List()->Count(), 2);
  EXPECT_TRUE(RecAt<THtMetaRectRec>(copy, 1)->Rounded);
  EXPECT_TRUE(RecAt<THtMetaRectRec>(copy, 1)->Stroke);
}

TEST(MetaCanvas, NothingIsRecordedWithoutAList) {
  HtRefCanvasClass = &TTraceCanvas::ClassType;
  THtMetaCanvas meta;
  THtBrush red(0xFFFF0000);
  meta.FillRectangle(&red, 0, 0, 1, 1);
  EXPECT_EQ(meta.List(), nullptr);
}

TEST(MetaCanvas, TextRecordingConditions) {
  struct Case {
    const char* name;
    StringView text;
    uint32_t color;
    float opacity;
    int first, length;
    bool ex;
    const char16_t* recorded;  // null: nothing recorded
  } cases[] = {
      {"whole string", u"hello", 0xFF000000, 1, 1, -1, false, u"hello"},
      {"part", u"hello", 0xFF000000, 1, 2, 3, false, u"ell"},
      {"rest from first", u"hello", 0xFF000000, 1, 3, -1, false, u"llo"},
      {"empty", u"", 0xFF000000, 1, 1, -1, false, nullptr},
      {"zero length", u"hello", 0xFF000000, 1, 1, 0, false, nullptr},
      {"zero opacity", u"hello", 0xFF000000, 0, 1, -1, false, nullptr},
      {"transparent", u"hello", 0x00000000, 1, 1, -1, false, nullptr},
      {"ex transparent", u"hello", 0x00000000, 1, 1, -1, true, u"hello"},
      {"ex zero opacity", u"hello", 0xFF000000, 0, 1, -1, true, nullptr},
      {"blanks", u"a\u00A0b\r\nc", 0xFF000000, 1, 1, -1, false, u"a b  c"},
      {"past the end", u"hello", 0xFF000000, 1, 9, 2, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMetaFixtureCanvas meta;
    if (c.ex)
      meta.DrawStringEx(c.text, TRectF(1, 2, 30, 20), Font16(), Style(c.color, c.opacity), {}, nullptr, nullptr,
                        c.first, c.length);
    else
      meta.DrawString(c.text, TRectF(1, 2, 30, 20), Font16(), Style(c.color, c.opacity), c.first, c.length);
    if (!c.recorded) {
      EXPECT_EQ(meta.List()->Count(), 0);
      continue;
    }
    ASSERT_EQ(meta.List()->Count(), 1);
    EXPECT_EQ(RecAt<THtMetaTextRec>(meta, 0)->Text, String(c.recorded));
  }
}

TEST(MetaCanvas, TextWithFillAndStrokeKeepsObjectsOnlyWhenNeeded) {
  TMetaFixtureCanvas meta;
  THtBrush solid(0xFF112233);
  THtBrush gradient(TRectF(0, 0, 10, 10), 0, 0, 90, TRectF(0, 0, 10, 10));
  THtPen plain(0xFF445566, 2);
  THtPen dashed(0xFF445566, 2);
  dashed.SetDashes({4, 2});
  meta.DrawStringEx(u"a", TRectF(0, 0, 9, 9), Font16(), Style(), {1}, &solid, &plain, 1, -1);
  meta.DrawStringEx(u"b", TRectF(0, 0, 9, 9), Font16(), Style(), {1}, &gradient, &dashed, 1, -1);
  auto* a = RecAt<THtMetaTextExRec>(meta, 0);
  auto* b = RecAt<THtMetaTextExRec>(meta, 1);
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(a->HasFill && a->HasStroke);
  EXPECT_FALSE(a->Fill || a->Stroke);
  EXPECT_EQ(a->FillColor, 0xFF112233u);
  EXPECT_EQ(a->StrokeColor, 0xFF445566u);
  EXPECT_EQ(a->StrokeWidth, 2);
  ASSERT_TRUE(b->Fill && b->Stroke);
  EXPECT_EQ(b->Fill->Kind, hbGradient);
  EXPECT_EQ(b->Stroke->Dashes, (TSingleArray{2, 1}));

  EXPECT_EQ(Replay(*meta.List()), (std::vector<std::string>{
                                      "DrawStringEx \"a\" spacing=1 fill=FF112233/THtBrush stroke=FF445566/2/0 o=1",
                                      "DrawStringEx \"b\" spacing=1 fill=00000000/THtBrush stroke=FF445566/2/0 o=1",
                                  }));
}

TEST(MetaCanvas, PageCountPlaceholderFilledAtEndPaging) {
  TMetaFixtureCanvas meta;
  meta.BeginPaging(210, 297, 96);
  meta.DrawString(u"Page 1 of $$|$# ($$|$#)", TRectF(0, 0, 100, 20), Font16(), Style(), 1, -1);
  meta.DrawStringEx(u"of $$|$#", TRectF(0, 0, 100, 20), Font16(), Style(), {}, nullptr, nullptr, 1, -1);
  for (int i = 0; i < 6; ++i) meta.NewPage(coDefault);
  meta.EndPaging();
  ASSERT_EQ(meta.PageCount(), 7);
  auto* page = static_cast<THtPageMeta*>(meta.GetPage(0));
  EXPECT_EQ(static_cast<THtMetaTextRec*>(page->Meta->GetRec(0))->Text, u"Page 1 of 7 (7)");
  EXPECT_EQ(static_cast<THtMetaTextRec*>(page->Meta->GetRec(1))->Text, u"of $$|$#");
  EXPECT_EQ(static_cast<THtPageMeta*>(meta.GetPage(6))->Meta->Page, 6);
}

TEST(MetaCanvas, SceneScaleAndViewportAreRecorded) {
  HtRefCanvasClass = &TTraceCanvas::ClassType;
  THtMetaCanvas meta;
  THtCanvasScene scene;
  scene.Init(TRect(10, 20, 500, 500), nullptr);
  scene.Scale = 2;
  meta.BeginScene(scene);
  ASSERT_EQ(meta.List()->Count(), 2);
  const THtMatrixData& scale = RecAt<THtMetaMatrixRec>(meta, 0)->M;
  const THtMatrixData& move = RecAt<THtMetaMatrixRec>(meta, 1)->M;
  EXPECT_EQ(scale.Data[0], 2);
  EXPECT_EQ(scale.Data[3], 2);
  EXPECT_EQ(move.Data[4], 10);
  EXPECT_EQ(move.Data[5], 20);

  THtMetaCanvas plain;
  scene.Init(TRect(0, 0, 500, 500), nullptr);
  plain.BeginScene(scene);
  EXPECT_EQ(plain.List()->Count(), 0);
}

TEST(MetaCanvas, MatrixSetWithoutAddReplaysAsThatMatrix) {
  TMetaFixtureCanvas meta;
  meta.TranslateTransform(10, 0);
  THtMatrixData scale;
  scale.Init(2, 0, 0, 2, 0, 0);
  meta.MatrixTransform(scale, false);
  EXPECT_EQ(meta.CurrentMatrix()->TransformPoint(TPointF(1, 1)).X, 2);

  // Replayed under a starting offset of 50, the list ends at "scale 2 under
  // that offset", not at "scale 2 after the translation".
  TRecTrace trace;
  trace.TranslateTransform(50, 0);
  meta.List()->Play(&trace, 1);
  const TPointF p = trace.CurrentMatrix()->TransformPoint(TPointF(1, 1));
  EXPECT_FLOAT_EQ(p.X, 52);
  EXPECT_FLOAT_EQ(p.Y, 2);
}

// Traces the gradient stops a filled path is drawn with.
class TStopsCanvas : public TRecTrace {
 public:
  void FillPath(THtBrush* Brush, THtPath* Path) override {
    TRecTrace::FillPath(Brush, Path);
    for (uint32_t c : Brush->GradientColors) Calls.back() += " " + HexColor(c);
  }
};

TEST(MetaCanvas, HalfOpacityReplayFadesAndRestores) {
  TMetaFixtureCanvas meta;
  THtBrush red(0xFFFF0000);
  THtPen blue(0xFF0000FF, 2);
  THtBrush radial(0, 0, 5, 5, 5, 5, 5, THtMatrixData());
  radial.SetGradientColors({0, 1}, {0xFF00FF00, 0xFF0000FF});
  THtBrush linear(TRectF(0, 0, 10, 10), 0, 0, 0, TRectF(0, 0, 10, 10));
  linear.SetGradientColors({0, 1}, {0xFF00FF00, 0xFF0000FF});
  auto path = std::make_unique<TTracePath>(false);
  path->MoveTo(0, 0);
  path->LineTo(4, 4);
  meta.FillRectangle(&red, 0, 0, 4, 4);
  meta.FillPath(&red, path.get());
  meta.DrawPath(&blue, path.get());
  meta.FillPath(&radial, path.get());
  meta.FillPath(&linear, path.get());
  meta.DrawLine(&blue, 0, 0, 1, 1);
  meta.DrawString(u"t", TRectF(0, 0, 10, 10), Font16(), Style(0xFF000000, 0.8f), 1, -1);

  // The path bounds of the trace path are empty; give the records a view.
  for (int i = 1; i <= 4; ++i) RecAt<THtMetaPathRec>(meta, i)->Bounds = TRectF(0, 0, 4, 4);
  std::vector<std::string> faded = Replay(*meta.List(), 0.5f);
  ASSERT_EQ(faded.size(), 7u);
  EXPECT_EQ(faded[0], "FillPath 80FF0000 [M 0,0 L 4,0 L 4,4 L 0,4 L 0,0]");
  EXPECT_EQ(faded[1], "FillPath 80FF0000 [M 0,0 L 4,4]");
  EXPECT_EQ(faded[2], "DrawPath 800000FF/2 [M 0,0 L 4,4]");
  EXPECT_EQ(faded[5], "DrawPath 800000FF/2 [M 0,0 L 1,1]");
  EXPECT_EQ(faded[6], "DrawString \"t\" 0,0 Arial o=.4");
  // During the call a linear gradient is faded, a radial one is not.
  TStopsCanvas stops;
  meta.List()->Play(&stops, 0.5f);
  EXPECT_EQ(stops.Calls[3], "FillPath 00000000 [M 0,0 L 4,4] FF00FF00 FF0000FF");
  EXPECT_EQ(stops.Calls[4], "FillPath 00000000 [M 0,0 L 4,4] 8000FF00 800000FF");
  auto* radialRec = RecAt<THtMetaPathRec>(meta, 3);
  auto* linearRec = RecAt<THtMetaPathRec>(meta, 4);
  EXPECT_EQ(radialRec->Brush->GradientColors, (TCardinalArray{0xFF00FF00, 0xFF0000FF}));
  EXPECT_EQ(linearRec->Brush->GradientColors, (TCardinalArray{0xFF00FF00, 0xFF0000FF}));

  // Everything was put back: a full-opacity replay draws the recorded colours.
  std::vector<std::string> full = Replay(*meta.List(), 1);
  EXPECT_EQ(full[1], "FillPath FFFF0000 [M 0,0 L 4,4]");
  EXPECT_EQ(full[2], "DrawPath FF0000FF/2 [M 0,0 L 4,4]");
  EXPECT_EQ(full[6], "DrawString \"t\" 0,0 Arial o=.8");
}

TEST(MetaCanvas, OtherBackEndGetsRebuiltObjects) {
  TMetaFixtureCanvas meta;
  THtBrush gradient(TRectF(0, 0, 10, 10), 0, 0, 45, TRectF(0, 0, 10, 10));
  gradient.SetGradientColors({0, 1}, {0xFF00FF00, 0xFF0000FF});
  THtBrush solid(0xFFFF0000);
  THtPen dashed(0xFF0000FF, 2);
  dashed.SetStyle(hpsDash);
  meta.FillRoundRect(&gradient, TRectF(0, 0, 20, 10), 2, 3);
  meta.FillRectangle(&solid, 0, 0, 20, 10);
  meta.DrawRectangle(&dashed, 0, 0, 20, 10);
  meta.FillEllipse(&solid, 0, 0, 4, 4);

  TOtherCanvas other;
  meta.List()->Play(&other, 1);
  ASSERT_EQ(other.Calls.size(), 4u);
  // A gradient is rebuilt with the target's brush class...
  EXPECT_EQ(other.Calls[0],
            "FillPath 00000000 [M 2,0 L 18,0 A 16,0,4,6,270,90 L 20,7 A 16,4,4,6,360,90 L 2,10 A 0,4,4,6,90,90 "
            "L 0,3 A 0,0,4,6,180,90] TOtherBrush");
  // ...a solid fill uses the target's shared brush.
  EXPECT_EQ(other.Calls[1], "FillPath FFFF0000 [M 0,0 L 20,0 L 20,10 L 0,10 L 0,0] TOtherBrush");
  EXPECT_EQ(other.Calls[2], "DrawPath FF0000FF/2 [M 0,0 L 20,0 L 20,10 L 0,10 L 0,0] TOtherPen style1");
  EXPECT_EQ(other.Calls[3], "FillPath FFFF0000 [A 0,0,4,4,0,359.9 Z] TOtherBrush");
  // The shared pen is solid again after the dashed rectangle.
  EXPECT_EQ(other.GetPen(0, 1)->GetStyle(), hpsSolid);
}

TEST(MetaCanvas, ImagesReplayAfterUnify) {
  TMetaFixtureCanvas meta;
  auto img = TTestImage::Make(40, 20);
  TElementBackground bg;
  bg.Repeat = brNoRepeat;
  meta.DrawImage(img.get(), TRectF(0, 0, 40, 20), 0.5f);
  meta.FillImage(TRectF(0, 0, 100, 100), img.get(), 0, 0, bg, 1, 0);
  auto* rec = RecAt<THtMetaImageRec>(meta, 0);
  EXPECT_EQ(RectText(rec->RSource), "0,0,40,20");

  meta.List()->Unify();
  img.reset();  // the document that drew the image goes away
  EXPECT_EQ(rec->Image, nullptr);
  EXPECT_EQ(std::string(rec->ImageData.begin(), rec->ImageData.end()), "IMG 40 20");

  TOtherCanvas other;
  meta.List()->Play(&other, 1);
  EXPECT_EQ(other.Calls, (std::vector<std::string>{"DrawImage 40x20 0,0,40,20 o=.5",
                                                   "DrawImage 40x20 0,0,40,20 o=1"}));
}

// ---------------------------------------------------------------------------
// Paging, sheets and export

struct TRenderedPage {
  THtMetaList* List;
  int W, H;
};

class TTraceExporter : public THtPagedExporter {
 public:
  static const THtPagedExporterClass ClassType;
  const THtPagedExporterClass* ClassRefOf() const override { return &ClassType; }

  void BeginDocument() override { Log.push_back("begin"); }
  void EndDocument() override { Log.push_back("end"); }
  bool RenderPage(THtMetaList* AMeta, int W, int H) override {
    THtPagedExporter::RenderPage(AMeta, W, H);
    Pages.push_back({AMeta, W, H});
    Log.push_back("page " + std::to_string(AMeta->Page));
    return int(Pages.size()) < StopAfter;
  }
  void SavetoStream(TStream& AStream) override { AStream.WriteBuffer("PDF!", 4); }

  std::vector<std::string> Log;
  std::vector<TRenderedPage> Pages;
  int StopAfter = 1000;
};
const THtPagedExporterClass TTraceExporter::ClassType{"TTraceExporter", nullptr,
                                                      &CreateInstance<TTraceExporter, THtPagedExporter>, u"PDF"};

TEST(MetaExport, PrintOrderAndDisabledPages) {
  TMetaFixtureCanvas meta;
  meta.BeginPaging(210, 297, 96);
  meta.NewPage(coDefault);
  meta.NewPage(coDefault);
  meta.EndPaging();
  meta.GetPage(1)->Disabled = true;

  TTraceExporter plain;
  meta.ExportTo(plain);
  EXPECT_EQ(plain.Log, (std::vector<std::string>{"begin", "page 0", "page 2", "end"}));
  EXPECT_EQ(plain.Pages[0].W, 794);
  EXPECT_EQ(plain.Pages[0].H, 1123);
  EXPECT_EQ(plain.Page(), 1);

  meta.PrintOrder = {2, 1, 0};
  TTraceExporter ordered;
  meta.ExportTo(ordered);
  EXPECT_EQ(ordered.Log, (std::vector<std::string>{"begin", "page 2", "page 0", "end"}));

  TTraceExporter stopped;
  stopped.StopAfter = 1;
  meta.ExportTo(stopped);
  EXPECT_EQ(stopped.Log, (std::vector<std::string>{"begin", "page 2", "end"}));

  meta.PrintOrder = {2, 3};
  TTraceExporter bad;
  EXPECT_THROW(meta.ExportTo(bad), EListError);
  EXPECT_TRUE(bad.Log.empty());
}

TEST(MetaExport, NUpSheets) {
  struct Case {
    const char* name;
    int hp, vp, pages;
    TCSSOrientation orientation;
    int sheetW, sheetH, sheets;
    float scale;
    std::vector<TPointF> offsets;  // of the pages on the first sheet
  } cases[] = {
      {"2x2 portrait", 2, 2, 5, coPortrait, 794, 1123, 2, 0.5f, {{0, 0}, {397, 0}, {0, 561.5f}, {397, 561.5f}}},
      {"1x2 landscape", 1, 2, 2, coLandscape, 1123, 794, 1, float(794.0 / 1123.0), {{0, 0}, {0, 397}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMetaFixtureCanvas meta;
    meta.BeginPaging(210, 297, 96);
    for (int i = 1; i < c.pages; ++i) meta.NewPage(coDefault);
    meta.EndPaging();
    meta.GetPage(1)->Disabled = true;  // sheets keep disabled pages
    THtBrush b(0xFF000000);
    static_cast<THtPageMeta*>(meta.GetPage(0))->Meta->Add(std::make_unique<THtMetaRectRec>(0, 0, 1, 1, &b, nullptr));
    meta.SetHPages(c.hp);
    meta.SetVPages(c.vp);
    meta.SetMultipageOrientation(c.orientation);
    TTraceExporter e;
    meta.ExportTo(e);
    ASSERT_EQ(int(e.Pages.size()), c.sheets);
    EXPECT_EQ(e.Pages[0].W, c.sheetW);
    EXPECT_EQ(e.Pages[0].H, c.sheetH);
    THtMetaList& sheet = *e.Pages[0].List;
    // Per page: save, matrix, the page's records, restore.
    int at = 0;
    for (size_t p = 0; p < c.offsets.size(); ++p) {
      SCOPED_TRACE(p);
      ASSERT_TRUE(dynamic_cast<THtMetaStateRec*>(sheet.GetRec(at)));
      auto* m = dynamic_cast<THtMetaMatrixRec*>(sheet.GetRec(at + 1));
      ASSERT_TRUE(m);
      EXPECT_FLOAT_EQ(m->M.Data[0], c.scale);
      EXPECT_FLOAT_EQ(m->M.Data[3], c.scale);
      EXPECT_FLOAT_EQ(m->M.Data[4], c.offsets[p].X);
      EXPECT_FLOAT_EQ(m->M.Data[5], c.offsets[p].Y);
      const int own = static_cast<THtPageMeta*>(meta.GetPage(int(p)))->Meta->Count();
      if (p == 0) {
        EXPECT_EQ(sheet.GetRec(at + 2), static_cast<THtPageMeta*>(meta.GetPage(0))->Meta->GetRec(0));
      }
      at += 3 + own;
    }
    EXPECT_EQ(sheet.Count(), at);
  }
}

TEST(MetaExport, PdfNeedsARegisteredExporter) {
  FinalizeExporterRegistries();
  TMetaFixtureCanvas meta;
  meta.BeginPaging(210, 297, 96);
  meta.EndPaging();
  TMemoryStream out;
  try {
    meta.SavetoPDFStream(out);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"PDF exporter not registered (add quennet unit into project)");
  }
  EXPECT_EQ(out.Size(), 0);

  THtPagedExporter::RegisterExporter(u"PDF", &TTraceExporter::ClassType);
  meta.SavetoPDFStream(out);
  EXPECT_EQ(out.Size(), 4);
  FinalizeExporterRegistries();
}

TEST(MetaExport, AddPagesMovesUnifiedPages) {
  TMetaFixtureCanvas target, source;
  target.BeginPaging(210, 297, 96);
  source.BeginPaging(210, 297, 96);
  source.NewPage(coDefault);
  auto img = TTestImage::Make(3, 4);
  source.DrawImage(img.get(), TRectF(0, 0, 3, 4), 1);
  THtPage* moved = source.GetPage(1);
  target.AddPages(source);
  EXPECT_EQ(source.PageCount(), 0);
  ASSERT_EQ(target.PageCount(), 3);
  EXPECT_EQ(target.GetPage(2), moved);
  EXPECT_EQ(moved->Number, 2);
  auto* rec = static_cast<THtMetaImageRec*>(static_cast<THtPageMeta*>(moved)->Meta->GetRec(0));
  EXPECT_EQ(rec->Image, nullptr);
  EXPECT_FALSE(rec->ImageData.empty());
  // Source records nothing into the page it gave away.
  THtBrush b(0xFF000000);
  source.FillRectangle(&b, 0, 0, 1, 1);
  EXPECT_EQ(static_cast<THtPageMeta*>(moved)->Meta->Count(), 1);
}

TEST(MetaExport, PageAsVectorImage) {
  TMetaFixtureCanvas meta;
  meta.BeginPaging(210, 297, 96);
  THtBrush b(0xFFFF0000);
  meta.FillRectangle(&b, 0, 0, 10, 10);
  meta.EndPaging();
  std::unique_ptr<THtImage> img = meta.GetPage(0)->AsImage(0, 0);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->Width, 794);
  EXPECT_EQ(img->Height, 1123);
  EXPECT_TRUE(img->IsVector && img->Loaded);
  // Drawn at half width, the picture plays at scale 0.5, clipped and moved.
  TRecTrace trace;
  trace.DrawImage(img.get(), TRectF(10, 10, 407, 571.5f), 1);
  EXPECT_EQ(trace.Calls, (std::vector<std::string>{
                             "DrawImage vector 10,10,407,571.5",
                             "SaveState",
                             "IntersectClip 10,10,407,571.5",
                             "MatrixTransform+ translate(10,10)",
                             "MatrixTransform+  scale(.5,.5)",
                             "FillPath FFFF0000 [M 0,0 L 10,0 L 10,10 L 0,10 L 0,0]",
                             "RestoreState",
                         }));
  img.reset();  // the page still owns its list
  EXPECT_EQ(static_cast<THtPageMeta*>(meta.GetPage(0))->Meta->Count(), 1);
}

TEST(MetaExport, OwnedVectorImageListIsFreedWithTheImage) {
  TMetaFixtureCanvas meta;
  THtBrush b(0xFFFF0000);
  meta.FillRectangle(&b, 0, 0, 10, 10);
  auto img = std::make_unique<THtImage>();
  img->IsVector = true;
  img->MetaList = meta.DetachList().release();
  EXPECT_EQ(meta.List(), nullptr);
  img.reset();  // ASan reports a leak if the list is not freed
}

}  // namespace
}  // namespace ht::testing
