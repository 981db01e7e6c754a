#include "canvas/canvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "canvas/path_records.h"
#include "support/trace_canvas.h"

namespace ht {
namespace {

using testing::TTraceCanvas;
using testing::TTraceCanvasClass;

THtCanvasScene sceneOf(const TRect& viewPort) {
  THtCanvasScene s;
  s.Init(viewPort, nullptr);
  return s;
}

std::string rectText(const TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom);
}

TEST(CanvasCreate, Defaults) {
  TTraceCanvas c;
  EXPECT_EQ(c.PageCount(), 0);
  EXPECT_EQ(c.DPI(), 96);
  EXPECT_EQ(c.ScaleFactor(), 1.0f);
  EXPECT_EQ(c.HPages(), 1);
  EXPECT_EQ(c.VPages(), 1);
  EXPECT_EQ(c.MultipageOrientation(), coDefault);
  EXPECT_EQ(c.StateDepth(), 0);
  EXPECT_TRUE(c.GetFlags() == (THtCanvasFlags{hcfNeedBuffer, hcfCacheTextWidth, hcfScaleCanvasDrawing}));
  EXPECT_EQ(c.PathClass(), &testing::TTracePath::ClassType);
  EXPECT_EQ(THtCanvas::ClassType.PathClass(), &THtCustomPath::ClassType);
  EXPECT_EQ(c.ClassRefOf()->PrintCanvasClass(), &TTraceCanvas::ClassType);
  EXPECT_TRUE(c.ClassRefOf()->InheritsFrom(&THtCanvas::ClassType));
}

TEST(CanvasClass, DefaultClassAndAbstractOperations) {
  const THtCanvasClass* saved = HtDefaultCanvasClass;
  HtDefaultCanvasClass = nullptr;
  try {
    CanvasClassOrDefault(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(StringToUtf8(e.Message()), "No canvas class provided to HTML document");
  }
  HtDefaultCanvasClass = &TTraceCanvas::ClassType;
  EXPECT_EQ(CanvasClassOrDefault(nullptr), &TTraceCanvas::ClassType);
  auto canvas = CanvasClassOrDefault(nullptr)->Create();
  EXPECT_NE(dynamic_cast<TTraceCanvas*>(canvas.get()), nullptr);
  HtDefaultCanvasClass = saved;

  EXPECT_TRUE(THtCanvas::ClassType.IsAbstract());
  EXPECT_THROW(THtCanvas::ClassType.InstalledFonts(), EAbstractError);
  EXPECT_THROW(THtCanvas::ClassType.HasFont(u"arial"), EAbstractError);
}

TEST(CanvasScene, AddUpdateRect) {
  THtCanvasScene s = sceneOf(TRect(0, 0, 100, 100));
  s.AddUpdateRect(TRect(10, 10, 10, 20));    // empty
  s.AddUpdateRect(TRect(100, 0, 120, 10));   // only touches the viewport
  EXPECT_TRUE(s.UpdateRects.empty());
  s.AddUpdateRect(TRect(10, 10, 50, 50));
  s.AddUpdateRect(TRect(10, 10, 50, 50));    // inside one stored (edges touch)
  s.AddUpdateRect(TRect(20, 20, 30, 30));
  ASSERT_EQ(s.UpdateRects.size(), 1u);
  s.AddUpdateRect(TRect(90, 90, 150, 120));  // stored whole, clip grows past the viewport
  ASSERT_EQ(s.UpdateRects.size(), 2u);
  EXPECT_EQ(rectText(s.UpdateRects[1]), "90,90,150,120");
  EXPECT_EQ(rectText(s.ClipRect), "0,0,150,120");
}

TEST(CanvasScene, ExpandUpdateRectsStaysInTheViewport) {
  THtCanvasScene s = sceneOf(TRect(0, 0, 100, 100));
  s.AddUpdateRect(TRect(5, 40, 60, 95));
  s.ExpandUpdateRects(10, 3, 50, 10);
  EXPECT_EQ(rectText(s.UpdateRects[0]), "0,37,100,100");
}

TEST(CanvasScene, AddScrollUpdateRectsMovesPointersAndMarksStrips) {
  struct Case {
    int dx, dy, stride;
    ptrdiff_t srcMove, destMove;
    std::string rects;
  } cases[] = {
      {3, 0, 400, 0, 12, "0,0,3,50;"},
      {-3, 0, 400, 12, 0, "97,0,100,50;"},
      {0, 2, 400, 0, 800, "0,0,100,2;"},
      {0, -2, 400, 800, 0, "0,48,100,50;"},
      {0, 2, -400, 800, 0, "0,0,100,2;"},   // bottom-up rows
      {0, -2, -400, 0, 800, "0,48,100,50;"},
  };
  for (const Case& c : cases) {
    THtCanvasScene s = sceneOf(TRect(0, 0, 100, 50));
    std::vector<uint8_t> pixels(100 * 50 * 4);
    uint8_t* src = pixels.data();
    uint8_t* dest = pixels.data();
    EXPECT_TRUE(s.AddScrollUpdateRects(c.dx, c.dy, 100, 50, c.stride, &src, &dest));
    EXPECT_EQ(src - pixels.data(), c.srcMove) << c.dx << "," << c.dy << "," << c.stride;
    EXPECT_EQ(dest - pixels.data(), c.destMove) << c.dx << "," << c.dy << "," << c.stride;
    std::string got;
    for (const TRect& r : s.UpdateRects) got += rectText(r) + ";";
    EXPECT_EQ(got, c.rects);
  }
}

TEST(CanvasScene, ScrollExistingRectsAreStretched) {
  THtCanvasScene s = sceneOf(TRect(0, 0, 100, 50));
  s.AddUpdateRect(TRect(10, 10, 20, 20));
  uint8_t* none = nullptr;
  EXPECT_TRUE(s.AddScrollUpdateRects(5, 0, 100, 50, 400, nullptr, &none));
  EXPECT_EQ(none, nullptr);  // pointers that are not given stay alone
  EXPECT_EQ(rectText(s.UpdateRects[0]), "10,10,25,20");
}

TEST(CanvasScene, ScrollNotSmallerThanTheBitmapRepaintsEverything) {
  for (auto [dx, dy] : {std::pair{100, 0}, std::pair{-250, 0}, std::pair{0, 50}, std::pair{3, -80}}) {
    THtCanvasScene s = sceneOf(TRect(0, 0, 100, 50));
    std::vector<uint8_t> pixels(100 * 50 * 4);
    uint8_t* src = pixels.data();
    uint8_t* dest = pixels.data();
    EXPECT_FALSE(s.AddScrollUpdateRects(dx, dy, 100, 50, 400, &src, &dest));
    EXPECT_EQ(src, pixels.data());
    EXPECT_EQ(dest, pixels.data());
    ASSERT_EQ(s.UpdateRects.size(), 1u);
    EXPECT_EQ(rectText(s.UpdateRects[0]), "0,0,100,50");
  }
}

TEST(CanvasBeginScene, MatricesAndScrollStretching) {
  TTraceCanvas c;
  c.TranslateTransform(3, 3);
  c.SaveState();
  THtCanvasScene s = sceneOf(TRect(10, 20, 210, 120));
  s.OffsetX = 5;
  s.Scale = 2;
  s.UpdateRects = {TRect(1, 30, 50, 60), TRect(100, 90, 150, 115)};
  s.ScrollX = 2.5f;  // dx = -2 (halves to even): Left moves 2 left, not below 0
  s.ScrollY = -20;   // dy = 20: Bottom grows, capped at the viewport's bottom
  c.BeginScene(s);
  EXPECT_EQ(c.StateDepth(), 0);
  EXPECT_EQ(c.CurrentMatrix()->Flags, mfIdentity);
  EXPECT_EQ(StringToUtf8(c.RootMatrix.AsString(false)), "matrix(2,0,0,2,30,40)");
  EXPECT_EQ(rectText(c.Scene.UpdateRects[0]), "0,30,50,80");
  EXPECT_EQ(rectText(c.Scene.UpdateRects[1]), "98,90,150,120");
  // The caller's scene is a copy and stays as it was.
  EXPECT_EQ(rectText(s.UpdateRects[0]), "1,30,50,60");
}

TEST(CanvasState, SaveRestoreBalanceAndOverPop) {
  TTraceCanvas c;
  c.TranslateTransform(10, 0);
  c.SaveState();
  c.ScaleTransform(2, 2);
  c.SaveState();
  c.RotateTransform(90);
  c.RestoreState();
  EXPECT_EQ(c.CurrentMatrix()->Flags, mfScale);
  c.RestoreState();
  c.RestoreState();  // nothing saved any more: no change
  EXPECT_EQ(StringToUtf8(c.CurrentMatrix()->AsString(false)), "translate(10,0)");
  EXPECT_EQ(c.StateDepth(), 0);
  // The stack's storage is reused.
  c.SaveState();
  EXPECT_EQ(c.StateDepth(), 1);
}

TEST(CanvasTransforms, NoOpsSkipMatrixTransform) {
  TTraceCanvas c;
  c.ScaleTransform(1, 1.00005f);
  c.TranslateTransform(0, 0);
  EXPECT_TRUE(c.Calls.empty());
  c.RotateTransform(0);
  c.TranslateTransform(4, 0);
  c.ScaleTransform(2, 3);
  EXPECT_EQ(c.Joined(),
            "MatrixTransform+ \n"
            "MatrixTransform+ translate(4,0)\n"
            "MatrixTransform+  scale(2,3)\n");
  // The scale acts before the translation already in place.
  const TPointF p = c.CurrentMatrix()->TransformPoint(TPointF(1, 1));
  EXPECT_FLOAT_EQ(p.X, 6);
  EXPECT_FLOAT_EQ(p.Y, 3);
  EXPECT_FLOAT_EQ(c.CurrentScale(), 2);
  c.MatrixTransform(THtMatrixData(), false);
  EXPECT_EQ(c.CurrentMatrix()->Flags, mfIdentity);
}

TEST(CanvasClear, FillsDeviceRectanglesThroughTheInverseMatrix) {
  TTraceCanvas c;
  c.BeginScene(sceneOf(TRect(0, 0, 100, 80)));
  c.ScaleTransform(2, 2);
  c.Calls.clear();
  c.Clear(0xFFFF0000);
  EXPECT_EQ(c.Joined(), "FillPath FFFF0000 [M 0,0 L 50,0 L 50,40 L 0,40 L 0,0]\n");

  THtCanvasScene s = sceneOf(TRect(0, 0, 100, 80));
  s.AddUpdateRect(TRect(10, 10, 20, 20));
  s.AddUpdateRect(TRect(40, 40, 60, 50));
  c.BeginScene(s);
  c.MatrixTransform(THtMatrixData(), false);
  THtMatrixData singular;
  singular.Init(0, 0, 0, 0, 5, 5);
  c.MatrixTransform(singular, false);  // inverts to the identity
  c.Calls.clear();
  c.Clear(0xFF00FF00);
  EXPECT_EQ(c.Joined(),
            "FillPath FF00FF00 [M 10,10 L 20,10 L 20,20 L 10,20 L 10,10]\n"
            "FillPath FF00FF00 [M 40,40 L 60,40 L 60,50 L 40,50 L 40,40]\n");
}

TEST(CanvasComposites, ShapesGoThroughTemporaryPaths) {
  TTraceCanvas c;
  THtPen* pen = c.GetPen(0xFF000000, 2);
  THtBrush* brush = c.GetBrush(0xFF0000FF);
  c.DrawLine(pen, 1, 2, 3, 4);
  c.FillEllipse(brush, 0, 0, 10, 10);
  c.DrawEllipse(pen, 0, 0, 10, 10);
  c.FillRoundRect(brush, TRectF(0, 0, 10, 10), 0, 0.00005f);
  c.FillRoundRect(brush, TRectF(0, 0, 20, 10), 2, 3);
  c.DrawRectangle(pen, TRectF(1, 1, 3, 3));
  EXPECT_EQ(c.Joined(),
            "DrawPath FF000000/2 [M 1,2 L 3,4]\n"
            "FillPath FF0000FF [A 0,0,10,10,0,359.9 Z]\n"
            "DrawPath FF000000/2 [A 0,0,10,10,0,360 Z]\n"
            "FillPath FF0000FF [M 0,0 L 10,0 L 10,10 L 0,10 L 0,0]\n"
            "FillPath FF0000FF [M 2,0 L 18,0 A 16,0,4,6,270,90 L 20,7 A 16,4,4,6,360,90 L 2,10 "
            "A 0,4,4,6,90,90 L 0,3 A 0,0,4,6,180,90]\n"
            "DrawPath FF000000/2 [M 1,1 L 3,1 L 3,3 L 1,3 L 1,1]\n");
  // A canvas class whose path class is null cannot build composites.
  struct NoPathClass : THtCanvasClass {
    using THtCanvasClass::THtCanvasClass;
    const THtPathClass* PathClass() const override { return nullptr; }
  };
  static const NoPathClass kNoPath{"NoPath", &THtCanvas::ClassType, nullptr};
  struct NoPath : TTraceCanvas {
    const THtCanvasClass* ClassRefOf() const override { return &kNoPath; }
  } bare;
  EXPECT_THROW(bare.DrawLine(pen, 0, 0, 1, 1), EAbstractError);
}

TEST(CanvasReusedObjects, PenAndBrushAreResetNotReallocated) {
  TTraceCanvas c;
  THtPen* pen = c.GetPen(0xFF112233, 3);
  pen->SetLineJoin(ljRound);
  pen->SetLineCap(lcRound);
  pen->SetStyle(hpsDash);
  pen->SetDashes({6, 3});
  pen->SetDashOffset(1.5f);
  pen->SetMode(ldmXOR);
  THtPen* again = c.GetPen(0xFF445566, 1);
  EXPECT_EQ(again, pen);
  EXPECT_EQ(again->GetColor(), 0xFF445566u);
  EXPECT_EQ(again->GetWidth(), 1);
  EXPECT_EQ(again->GetLineJoin(), ljMiter);
  EXPECT_EQ(again->GetLineCap(), lcFlat);
  EXPECT_EQ(again->GetStyle(), hpsSolid);
  EXPECT_TRUE(again->Dashes.empty());
  EXPECT_EQ(again->GetDashOffset(), 1.5f);  // offset and mode keep their values
  EXPECT_EQ(again->Mode(), ldmXOR);

  THtBrush* brush = c.GetBrush(1);
  EXPECT_EQ(c.GetBrush(0xFF00FF00), brush);
  EXPECT_EQ(brush->Color(), 0xFF00FF00u);
}

TEST(CanvasPaging, PagesOrientationAndPixels) {
  TTraceCanvas c;
  c.BeginPaging(210, 297, 96);
  EXPECT_TRUE(c.Paged());
  EXPECT_EQ(c.PageWidthPixels(), 794);
  EXPECT_EQ(c.PageHeightPixels(), 1123);
  ASSERT_EQ(c.PageCount(), 1);
  EXPECT_EQ(c.GetPage(0)->Orientation, coPortrait);

  c.NewPage(coLandscape);
  c.NewPage(coDefault);
  ASSERT_EQ(c.PageCount(), 3);
  for (int i : {1, 2}) {
    EXPECT_EQ(c.GetPage(i)->WidthMM, 297);
    EXPECT_EQ(c.GetPage(i)->HeightMM, 210);
    EXPECT_EQ(c.GetPage(i)->Number, i + 1);
    EXPECT_EQ(c.GetPage(i)->Orientation, coLandscape);
  }
  EXPECT_EQ(c.PageWidthMM(), 297);
  EXPECT_EQ(c.PageWidthPixels(), 1123);
  c.NewPage(coPortrait);
  EXPECT_EQ(c.GetPage(3)->WidthMM, 210);
  EXPECT_THROW(c.GetPage(4), EListError);
  EXPECT_THROW(c.GetPage(-1), EListError);

  c.BeginPaging(100, 100, 300);  // frees the earlier pages
  EXPECT_EQ(c.PageCount(), 1);
  EXPECT_EQ(c.GetPage(0)->WidthPx, 1181);
  c.SetDPI(72);
  EXPECT_EQ(c.PageWidthPixels(), 1181);  // DPI alone does not recompute
}

TEST(CanvasScale, RoundsHalvesToEven) {
  TTraceCanvas c;
  EXPECT_EQ(c.Scale(2.5f), 2);
  EXPECT_EQ(c.Scale(3.5f), 4);
  c.SetScaleFactor(1.5f);
  EXPECT_EQ(c.Scale(3), 4);  // 4.5 -> 4
}

TEST(CanvasCulling, CanvasAndDocumentRectInView) {
  TTraceCanvas c;
  THtCanvasScene s = sceneOf(TRect(0, 0, 100, 100));
  c.BeginScene(s);
  EXPECT_TRUE(c.CanvasRectInView(TRect(90, 90, 110, 110)));
  EXPECT_FALSE(c.CanvasRectInView(TRect(100, 0, 110, 10)));  // touching is not overlapping
  s.AddUpdateRect(TRect(10, 10, 20, 20));
  c.BeginScene(s);
  EXPECT_FALSE(c.CanvasRectInView(TRect(50, 50, 60, 60)));
  EXPECT_TRUE(c.CanvasRectInView(TRect(15, 15, 60, 60)));
  // Document rectangles go through the current matrix and are widened to
  // whole pixels: a right edge at 9.6 becomes Round(10.1) = 10, which only
  // touches the update rectangle; at 10.6 it becomes 11 and overlaps.
  c.TranslateTransform(10, 0);
  EXPECT_FALSE(c.DocumentRectInView(TRectF(-30, 12, -0.4f, 18)));
  EXPECT_TRUE(c.DocumentRectInView(TRectF(-30, 12, 0.6f, 18)));
}

TEST(CanvasFonts, DecodeFontFamily) {
  struct Case {
    const char16_t* in;
    const char* out;
  } cases[] = {{u"SANS-SERIF", "Arial"},   {u"monospace", "Courier New"}, {u"Serif", "Times New Roman"},
               {u"system-ui", "Segoe UI"}, {u"times", "Times New Roman"},  {u"Helvetica", "Helvetica"}};
  for (const Case& c : cases) {
    String f = c.in;
    TTraceCanvas::ClassType.DecodeFontFamily(f);
    EXPECT_EQ(StringToUtf8(f), c.out);
  }
}

TEST(CanvasFonts, HasFontStripsSuffixesInOrder) {
  TTraceCanvasClass::FontNames() = {u"Arial", u"Times New Roman"};
  TTraceCanvasClass::ResetInstalledFonts();
  const auto& cls = TTraceCanvas::ClassType;
  EXPECT_TRUE(cls.HasFont(u"ARIAL"));
  EXPECT_TRUE(cls.HasFont(u"Arial Bold"));
  EXPECT_TRUE(cls.HasFont(u"Arial Bold Narrow"));  // " narrow" then " bold"
  EXPECT_FALSE(cls.HasFont(u"Arial Narrow Bold"));  // only " bold" is stripped
  EXPECT_FALSE(cls.HasFont(u"Calibri"));

  TTraceCanvasClass::FontNames().push_back(u"Arial Narrow");
  TTraceCanvasClass::ResetInstalledFonts();
  EXPECT_TRUE(cls.HasFont(u"Arial Narrow Bold"));
  const int calls = TTraceCanvasClass::GetFontsCalls();
  cls.HasFont(u"x");
  EXPECT_EQ(TTraceCanvasClass::GetFontsCalls(), calls);  // filled once

  TTraceCanvasClass::FontNames().clear();
  TTraceCanvasClass::ResetInstalledFonts();
  EXPECT_FALSE(cls.HasFont(u"arial"));
  cls.HasFont(u"arial");
  EXPECT_EQ(TTraceCanvasClass::GetFontsCalls(), calls + 2);  // an empty list retries
}

TEST(CanvasMisc, ColorMatrixStringExAndPdf) {
  TTraceCanvas c;
  EXPECT_FALSE(c.HasImageColorMatrix());
  THtColorMatrix cm{};
  cm[0] = 0.5f;
  c.SetImageColorMatrix(cm);
  cm[0] = 2;
  EXPECT_EQ((*c.ImageColorMatrix())[0], 0.5f);

  auto fonts = c.ClassRefOf()->CreateFontCollection();
  THtFont* f = fonts->GetFont(u"Arial", 10, {});
  c.DrawStringEx(u"Hello", TRectF(1, 2, 50, 20), f, THtTextStyle::Default(), {1, 2}, nullptr, nullptr, 2, 3);
  EXPECT_EQ(c.Joined(), "DrawString \"ell\" 1,2 Arial\n");
  EXPECT_EQ(c.CreateTextObject(u"x", f, THtTextStyle::Default(), TRectF(), 1, 1), nullptr);

  const std::filesystem::path file = std::filesystem::temp_directory_path() / "tarnwick_canvas_pdf_test.pdf";
  { std::ofstream(file) << "old content"; }
  c.SavetoPDF(Utf8ToString(file.string()));
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
  std::filesystem::remove(file);
  EXPECT_THROW(c.SavetoPDF(u"/nonexistent-dir/x.pdf"), EFCreateError);
}

}  // namespace
}  // namespace ht
