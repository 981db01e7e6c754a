#include "backends/canvas_dx.h"

#include <gtest/gtest.h>

#include "canvas/path_records.h"

namespace ht {
namespace {

using namespace d2d;

std::string text(const TRectF& r) {
  return core::TraceNum(r.Left) + "," + core::TraceNum(r.Top) + "," + core::TraceNum(r.Right) + "," +
         core::TraceNum(r.Bottom);
}
std::string text(const TPointF& p) { return core::TraceNum(p.X) + "," + core::TraceNum(p.Y); }

class DXCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetD2DFaults();
    FreeD2DHelper();
    BindDirect2DEntryPoints();
    THtCanvasDX::ResetDirectXSupport();
    dc = gdi::CreateCompatibleDC(nullptr);
    bmp = gdi::CreateDIBSection32(100, 60, nullptr);
    gdi::SelectObject(dc, bmp);
    target = std::make_unique<gdi::TCanvas>(dc);
    SetPresentSink([this](HWND, const core::TCoreSurface& s) {
      ++presents;
      if (s.Width() > 0) lastFront = const_cast<core::TCoreSurface&>(s).Pixel(15, 15);
    });
    D2DTrace().Clear();
    D2DTrace().Enabled = true;
  }
  void TearDown() override {
    D2DTrace().Enabled = false;
    SetPresentSink(nullptr);
    ResetD2DFaults();
    FreeD2DHelper();
    THtCanvasDX::ResetDirectXSupport();
    THtCanvasDX::IsWindows81OrLater = true;
    target.reset();
    gdi::DeleteDC(dc);
    gdi::DeleteObject(bmp);
  }
  THtCanvasScene dcScene(float Scale = 1) {
    THtCanvasScene s;
    s.Init(TRect(0, 0, 100, 60), target.get());
    s.Scale = Scale;
    return s;
  }
  static THtCanvasScene windowScene(const TRect& Vp, HWND W = 9) {
    THtCanvasScene s;
    s.Init(Vp, nullptr);
    s.Window = W;
    return s;
  }
  static void frame(THtCanvasDX& c, const THtCanvasScene& s) {
    c.BeginScene(s);
    c.BeforeEndScene();
    c.EndScene();
  }
  static std::string trace() { return D2DTrace().Text(); }
  static bool traced(const std::string& call) { return trace().find(call) != std::string::npos; }
  // The calls recorded after the last one starting with From.
  static std::string after(const std::string& From) {
    const auto& calls = D2DTrace().Calls;
    std::string r;
    for (size_t i = calls.size(); i-- > 0;)
      if (calls[i].rfind(From, 0) == 0) {
        for (size_t j = i + 1; j < calls.size(); ++j) r += (r.empty() ? "" : "; ") + calls[j];
        break;
      }
    return r;
  }
  uint32_t px(int x, int y) { return bmp->Surface.Pixel(x, y); }

  gdi::HDC dc = nullptr;
  std::unique_ptr<gdi::TCanvas> target;
  gdi::HBITMAP bmp = nullptr;
  int presents = 0;
  uint32_t lastFront = 0;
};

// ---------------------------------------------------------------- scenes and targets

TEST_F(DXCanvasTest, WindowScenesPresentUpdatesAndScrolls) {
  THtCanvasDX c;
  THtCanvasScene s = windowScene(TRect(0, 0, 200, 400));
  s.AddUpdateRect(TRect(0, 0, 10, 10));
  c.BeginScene(s);
  auto red = std::make_unique<THtBrush>(0xFFFF0000u);
  c.FillRectangle(red.get(), 10, 10, 10, 10);
  c.BeforeEndScene();
  c.EndScene();
  // First scene: chain, device context and target made, everything presented.
  EXPECT_TRUE(traced("CreateSwapChainForHwnd"));
  EXPECT_TRUE(traced("CreateDeviceContext"));
  EXPECT_TRUE(traced("Present1(dirty=0)"));
  EXPECT_EQ(presents, 1);
  EXPECT_EQ(lastFront, 0xFFFF0000u);

  struct Case {
    float ScrollY;
    std::string Present;
  } cases[] = {
      {30, "Present1(dirty=1 scroll=0,0,200,370 offset=0,-30)"},
      {-30, "Present1(dirty=1 scroll=0,30,200,400 offset=0,30)"},
      {400, "Present1(dirty=0)"},  // nothing of the old frame stays
  };
  for (const auto& k : cases) {
    D2DTrace().Clear();
    s.UpdateRects.clear();
    s.ScrollY = k.ScrollY;
    frame(c, s);
    EXPECT_EQ(after("EndDraw"), k.Present) << k.ScrollY;
    EXPECT_FALSE(traced("CreateSwapChain")) << "the chain is kept";
  }
  // A new size: buffers resized, everything redrawn and presented.
  D2DTrace().Clear();
  s = windowScene(TRect(0, 0, 200, 300));
  s.ScrollY = 30;
  frame(c, s);
  EXPECT_TRUE(traced("ResizeBuffers(200,300)"));
  EXPECT_TRUE(traced("Present1(dirty=0)"));
}

TEST_F(DXCanvasTest, ScrollRectangleStartsAtTheViewport) {
  THtCanvasDX c;
  THtCanvasScene s = windowScene(TRect(0, 50, 200, 450));
  frame(c, s);
  D2DTrace().Clear();
  s.ScrollY = -30;  // content moves down by 30
  frame(c, s);
  EXPECT_TRUE(traced("scroll=0,80,200,450 offset=0,30")) << trace();
  D2DTrace().Clear();
  s.ScrollY = 30;
  frame(c, s);
  EXPECT_TRUE(traced("scroll=0,50,200,420 offset=0,-30")) << trace();
}

TEST_F(DXCanvasTest, LostTargetsAreMadeAgain) {
  THtCanvasDX c;
  THtCanvasScene s = windowScene(TRect(0, 0, 50, 50));
  frame(c, s);
  uint64_t v1 = c.ContextVersion();
  // End of drawing asks for a new target: no error; the next scene binds one.
  D2DFaults().EndDraw = {D2DERR_RECREATE_TARGET};
  EXPECT_NO_THROW(frame(c, s));
  EXPECT_FALSE(c.Context());
  D2DTrace().Clear();
  s.ScrollY = 10;
  frame(c, s);
  EXPECT_TRUE(traced("Present1(dirty=0)"));
  EXPECT_GT(c.ContextVersion(), v1);

  // Device removed at present: no error, and the next scene makes new
  // devices, a new chain and a new device context from the new device.
  D2DFaults().Present = {DXGI_ERROR_DEVICE_REMOVED};
  EXPECT_NO_THROW(frame(c, s));
  D2DTrace().Clear();
  EXPECT_NO_THROW(frame(c, s));
  EXPECT_TRUE(traced("D3D11CreateDevice(hardware)"));
  EXPECT_TRUE(traced("CreateDeviceContext"));
  EXPECT_TRUE(traced("Present"));
  EXPECT_NO_THROW(frame(c, s));

  // Other failures raise.
  D2DFaults().Present = {E_FAIL};
  EXPECT_THROW(frame(c, s), EOleSysError);
  D2DFaults().EndDraw = {E_OUTOFMEMORY};
  EXPECT_THROW(frame(c, s), EOleSysError);
}

TEST_F(DXCanvasTest, LegacyChainKeepsTheLastFrame) {
  THtCanvasDX c;
  THtCanvasScene s = windowScene(TRect(0, 0, 40, 40));
  s.EditorMode = true;  // editors get a legacy chain
  auto red = std::make_unique<THtBrush>(0xFFFF0000u);
  c.BeginScene(s);
  c.FillRectangle(red.get(), 10, 10, 10, 10);
  c.EndScene();
  ASSERT_TRUE(c.SwapChain());
  EXPECT_FALSE(c.SwapChain1());
  EXPECT_EQ(lastFront, 0xFFFF0000u);
  // Scrolled by 5: the kept frame is drawn shifted and the scene is clipped
  // to the exposed strip.
  s.ScrollY = 5;
  D2DTrace().Clear();
  c.BeginScene(s);
  c.EndScene();
  EXPECT_TRUE(traced("DrawBitmap"));
  EXPECT_TRUE(traced("PushAxisAlignedClip(0,35,40,40,aliased)")) << trace();
  EXPECT_EQ(c.SwapChain()->Front().Pixel(15, 10), 0xFFFF0000u);
  EXPECT_EQ(c.SwapChain()->Front().Pixel(15, 20), 0xFF000000u);  // 20 + 5 was cleared black
}

TEST_F(DXCanvasTest, EmptyOrHugeViewportsPresentNothing) {
  for (TRect vp : {TRect(0, 0, 0, 0), TRect(0, 0, 100000, 10)}) {
    THtCanvasDX c;
    auto red = std::make_unique<THtBrush>(0xFFFF0000u);
    THtCanvasScene s = windowScene(vp);
    EXPECT_NO_THROW({
      c.BeginScene(s);
      c.FillRectangle(red.get(), 0, 0, 10, 10);
      c.EndScene();
    });
    s.EditorMode = true;
    THtCanvasDX legacy;
    EXPECT_NO_THROW(frame(legacy, s));
  }
  EXPECT_EQ(presents, 0);
  THtCanvasDX c;
  THtCanvasScene s;
  s.Init(TRect(0, 0, 0, 0), target.get());
  EXPECT_NO_THROW(frame(c, s));
}

TEST_F(DXCanvasTest, ClearFillsTheTargetAndRebindsCountUp) {
  THtCanvasDX c;
  c.BeginScene(dcScene());
  uint64_t v1 = c.ContextVersion();
  c.Clear(0x00FF0000);
  EXPECT_EQ(c.Context()->Drawing(), true);
  c.EndScene();
  EXPECT_EQ(px(50, 30), 0xFFFF0000u);
  c.BeginScene(dcScene());
  EXPECT_NE(c.ContextVersion(), v1);  // two binds in the same instant differ
  c.Clear(0x80FF0000);
  c.EndScene();
  EXPECT_EQ(px(50, 30), 0x80800000u);
}

TEST_F(DXCanvasTest, ClassAnswers) {
  THtCanvasDX c;
  try {
    c.Print(nullptr, u"x");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Use HtDefaultCanvasClass.PrintCanvasClass for creating print documents");
  }
  c.RotateTransform(90);
  EXPECT_NEAR(c.CurrentScale(), 0, 1e-6);
  EXPECT_EQ(c.GetFlags().ToBits(), 62);
  EXPECT_EQ(c.PathClass(), &THtPathDX::ClassType);
}

// ---------------------------------------------------------------- state and clipping

std::unique_ptr<THtPathDX> triangle(float x = 0) {
  auto p = std::make_unique<THtPathDX>(true);
  p->MoveTo(x, 0);
  p->LineTo(x + 40, 0);
  p->LineTo(x, 40);
  p->CloseFigure();
  return p;
}

TEST_F(DXCanvasTest, RestoreUndoesPushesInReverse) {
  THtCanvasDX c;
  c.BeginScene(dcScene());
  c.SaveState();
  c.IntersectClip(triangle().get());
  c.IntersectClip(TRectF(0, 0, 30, 30));
  c.SetClip(TRectF(0, 0, 20, 20));
  D2DTrace().Clear();
  c.RestoreState();
  EXPECT_EQ(trace(), "PopAxisAlignedClip; PopAxisAlignedClip; PopLayer");  // no transform set again
  // A clip pushed before a layer comes off after it.
  c.SaveState();
  c.IntersectClip(TRectF(0, 0, 30, 30));
  c.IntersectClip(triangle().get());
  D2DTrace().Clear();
  c.RestoreState();
  EXPECT_EQ(trace(), "PopLayer; PopAxisAlignedClip");
  EXPECT_NO_THROW(c.EndScene());
  EXPECT_TRUE(c.States().empty());
}

TEST_F(DXCanvasTest, LayersBeforeWindows81TakeALayerObject) {
  THtCanvasDX::IsWindows81OrLater = false;
  THtCanvasDX c;
  c.BeginScene(dcScene());
  c.SaveState();
  D2DTrace().Clear();
  c.IntersectClip(triangle().get());
  EXPECT_EQ(trace(), "CreateLayer; PushLayer(mask)");
  c.RestoreState();
  EXPECT_NO_THROW(c.EndScene());
}

TEST_F(DXCanvasTest, ClipsByPixels) {
  THtCanvasDX c;
  auto red = std::make_unique<THtBrush>(0xFFFF0000u);
  c.BeginScene(dcScene());
  c.SaveState();
  c.IntersectClip(triangle().get());
  c.FillRectangle(red.get(), 0, 0, 100, 60);
  c.RestoreState();
  c.SaveState();
  c.IntersectClip(TRectF(5, 5, 0, 0));  // empty: hides everything
  c.FillRectangle(red.get(), 0, 0, 100, 60);
  c.RestoreState();
  c.EndScene();
  EXPECT_EQ(px(5, 5), 0xFFFF0000u);
  EXPECT_EQ(px(35, 35), 0u);
  EXPECT_EQ(px(80, 50), 0u);
}

TEST_F(DXCanvasTest, InvisibleClipPathsPushNoLayer) {
  THtCanvasDX c;
  c.BeginScene(dcScene());
  c.SaveState();
  D2DTrace().Clear();
  c.IntersectClip(triangle(500).get());
  EXPECT_FALSE(traced("PushLayer"));
  EXPECT_TRUE(traced("PushAxisAlignedClip(500,0,540,40,aliased)"));
  // A rectangle path is an axis-aligned clip.
  auto rect = std::make_unique<THtPathDX>(true);
  rect->AddRectangle(1, 2, 3, 4);
  c.IntersectClip(rect.get());
  EXPECT_TRUE(traced("PushAxisAlignedClip(1,2,4,6,aliased)"));
  c.RestoreState();
  c.EndScene();
}

TEST_F(DXCanvasTest, BindOffsetFollowsEveryTransform) {
  THtCanvasDX c;
  THtCanvasScene s = dcScene(2);
  s.ClipRect = TRect(10, 20, 100, 60);
  c.BeginScene(s);
  c.SaveState();
  THtMatrixData t;
  t.Init(1, 0, 0, 1, 5, 5);
  c.MatrixTransform(t, true);
  D2DTrace().Clear();
  c.RestoreState();
  EXPECT_EQ(trace(), "SetTransform(2,0,0,2,-10,-20)");
  c.EndScene();
}

TEST_F(DXCanvasTest, LinesSnapToDevicePixels) {
  struct Case {
    float Scale;
    std::string Line;
  } cases[] = {
      {3, "DrawLine(9.83,9.83,49.83,9.83,1)"},  // 3 device pixels: centre of row 29
      {2, "DrawLine(10,10.5,50,10.5,1)"},       // 2 device pixels: a pixel edge
      {1, "DrawLine(10,10.3,50,10.3,1)"},       // no scale, no snapping
  };
  auto pen = std::make_unique<THtPen>(0xFF000000u, 1.0f);
  for (const auto& k : cases) {
    THtCanvasDX c;
    c.BeginScene(dcScene(k.Scale));
    D2DTrace().Clear();
    c.DrawLine(pen.get(), 10, 10.3f, 50, 10.3f);
    EXPECT_EQ(after("SetColor"), k.Line);
    c.EndScene();
  }
  THtCanvasDX c;
  c.BeginScene(dcScene());
  EXPECT_FLOAT_EQ(c.SnapStrokeWidth(0.3f), 1);
  c.EndScene();
}

TEST_F(DXCanvasTest, TransparentAndClearOnesDrawNothing) {
  THtCanvasDX c;
  c.BeginScene(dcScene());
  auto clear = std::make_unique<THtBrush>(0x00FF0000u);
  D2DTrace().Clear();
  c.FillRectangle(clear.get(), 0, 0, 10, 10);
  EXPECT_EQ(trace(), "");
  c.FillEllipse(clear.get(), 0, 0, 10, 10);
  EXPECT_EQ(after("SetColor"), "FillEllipse");
  auto pen = std::make_unique<THtPen>(0xFF000000u, 1.0f);
  pen->SetStyle(hpsClear);
  D2DTrace().Clear();
  c.DrawLine(pen.get(), 0, 0, 10, 10);
  c.DrawRectangle(pen.get(), 0, 0, 10, 10);
  c.DrawEllipse(pen.get(), 0, 0, 10, 10);
  c.RoundRect(pen.get(), TRectF(0, 0, 10, 10), 2, 2);
  EXPECT_EQ(trace(), "");
  c.EndScene();
  EXPECT_EQ(px(5, 5), 0u);
}

TEST_F(DXCanvasTest, ShapesByPixels) {
  THtCanvasDX c;
  auto blue = std::make_unique<THtBrush>(0xFF0000FFu);
  auto pen = std::make_unique<THtPen>(0xFF00FF00u, 2.0f);
  c.BeginScene(dcScene());
  c.FillRoundRect(blue.get(), TRectF(0, 0, 40, 40), 10, 10);
  c.DrawRectangle(pen.get(), 50, 0, 20, 20);
  c.DrawArc(pen.get(), 50, 30, 20, 20, 0, 360);
  c.EndScene();
  EXPECT_EQ(px(20, 20), 0xFF0000FFu);
  EXPECT_EQ(px(0, 0), 0u);  // corner cut by the radius
  EXPECT_EQ(px(50, 10), 0xFF00FF00u);
  EXPECT_EQ(px(60, 10), 0u);
  EXPECT_GT(px(70, 40) >> 24, 0xE0u);  // right edge of the circle
}

TEST_F(DXCanvasTest, CheckAndRadioPictures) {
  THtCanvasDX c;
  c.BeginScene(dcScene());
  D2DTrace().Clear();
  c.DrawCheck(TRectF(10, 10, 23, 23), 192, true, false, false, false);
  EXPECT_TRUE(traced("DrawBitmap(30x30 -> 10,10,24,24)")) << trace();  // drawn at 2x, placed at 14 x 14
  c.DrawCheck(TRectF(40, 10, 53, 23), 96, false, false, false, false);
  c.DrawRadio(TRectF(60, 10, 73, 23), 96, true, false, false, false);
  EXPECT_TRUE(traced("DrawBitmap(13x13 -> 60,10,73,23)")) << trace();
  c.DrawRadio(TRectF(80, 10, 93, 23), 96, false, false, false, true);
  c.DrawCheck(TRectF(0, 0, -5, 1e9f), 96, true, false, false, false);  // nothing to draw
  c.EndScene();
  auto dark = [&](int l, int t, int r, int b) {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) n += ((px(x, y) >> 16) & 0xFF) < 90 && (px(x, y) >> 24) == 0xFF;
    return n;
  };
  EXPECT_GT(dark(13, 13, 21, 21), 3);  // the mark
  EXPECT_EQ(dark(43, 13, 51, 21), 0);
  EXPECT_EQ(px(47, 17), 0xFFFFFFFFu);  // white inside
  EXPECT_GT(dark(65, 15, 68, 18), 3);  // the dot
  EXPECT_EQ(px(86, 16), 0xFFF0F0F0u);  // disabled: button face
  EXPECT_EQ(px(60, 10) >> 24, 0u);     // outside the circle stays clear
}

// ---------------------------------------------------------------- brushes and strokes

TEST_F(DXCanvasTest, LinearGradientEnds) {
  struct Case {
    float Angle, Normalised;
    D2D1_POINT_2F S, E;
  } cases[] = {
      {-90, 270, {200, 0}, {0, 0}},
      {90, 90, {0, 100}, {200, 100}},
      {0, 0, {0, 100}, {0, 0}},
      {180, 180, {0, 0}, {0, 100}},
  };
  THtCanvasDX c;
  c.BeginScene(dcScene());
  for (const auto& k : cases) {
    THtBrush b(TRectF(0, 0, 200, 100), 0xFFFF0000u, 0xFF0000FFu, 0, TRectF(0, 0, 200, 100));
    b.Angle = k.Angle;
    b.SetGradientColors({0, 1}, {0xFFFF0000u, 0xFF0000FFu});
    auto lb = std::dynamic_pointer_cast<ID2D1LinearGradientBrush>(c.GetD2DBrush(&b));
    ASSERT_TRUE(lb);
    EXPECT_FLOAT_EQ(b.Angle, k.Normalised);
    EXPECT_NEAR(lb->Props.startPoint.x, k.S.x, 1e-3);
    EXPECT_NEAR(lb->Props.startPoint.y, k.S.y, 1e-3);
    EXPECT_NEAR(lb->Props.endPoint.x, k.E.x, 1e-3);
    EXPECT_NEAR(lb->Props.endPoint.y, k.E.y, 1e-3);
    EXPECT_EQ(lb->Stops->Extend, D2D1_EXTEND_MODE_MIRROR);
  }
  // No colours: one transparent stop, written back into the brush.
  THtBrush empty(TRectF(0, 0, 200, 100), 0, 0, 90, TRectF(0, 0, 200, 100));
  empty.GradientColors.clear();
  empty.GradientPositions.clear();
  auto lb = std::dynamic_pointer_cast<ID2D1LinearGradientBrush>(c.GetD2DBrush(&empty));
  ASSERT_EQ(empty.GradientColors.size(), 1u);
  EXPECT_EQ(empty.GradientColors[0], 0u);
  EXPECT_EQ(lb->Stops->Stops.size(), 1u);
  c.FillRectangle(&empty, 0, 0, 100, 60);
  c.EndScene();
  EXPECT_EQ(px(50, 30), 0u);
}

TEST_F(DXCanvasTest, StrokeStylesAndTheSharedBrush) {
  THtCanvasDX c;
  c.BeginScene(dcScene());
  THtPen plain(0xFF000000u, 1);
  auto shared = c.GetStrokeStyle(&plain);
  EXPECT_EQ(c.GetStrokeStyle(&plain), shared);
  EXPECT_FLOAT_EQ(shared->Props.miterLimit, 4);
  THtPen dashed(0xFF000000u, 1);
  dashed.SetDashes({4, 2});
  auto s = c.GetStrokeStyle(&dashed);
  EXPECT_NE(s, shared);
  EXPECT_EQ(s->Props.dashStyle, D2D1_DASH_STYLE_CUSTOM);
  EXPECT_EQ(s->Dashes, (std::vector<float>{4, 2}));
  dashed.SetDashes({});
  dashed.SetStyle(hpsDot);
  dashed.SetLineCap(lcRound);
  s = c.GetStrokeStyle(&dashed);
  EXPECT_EQ(s->Props.dashStyle, D2D1_DASH_STYLE_DOT);
  EXPECT_EQ(s->Props.dashCap, D2D1_CAP_STYLE_SQUARE);
  EXPECT_EQ(s->Props.startCap, D2D1_CAP_STYLE_ROUND);

  D2DTrace().Clear();
  c.SetSolidColor(0xFF112233u);
  c.SetSolidColor(0xFF112233u);
  EXPECT_EQ(D2DTrace().Count("SetColor"), 1);
  EXPECT_EQ(c.LastSolidColor(), 0xFF112233u);
  c.EndScene();
}

// ---------------------------------------------------------------- paths

TEST_F(DXCanvasTest, PathFiguresAndBounds) {
  THtPathDX p(false);
  TRectF r;
  p.GetBounds(r, nullptr);
  EXPECT_EQ(text(r), "0,0,0,0");
  EXPECT_TRUE(p.FClosed);

  THtPathDX q(false);
  q.MoveTo(0, 0);
  q.LineTo(10, 0);
  q.LineTo(10, 10);
  q.CloseFigure();
  q.LineTo(20, 20);  // begins a figure of its own
  q.EndPath();
  UINT32 figures = 0;
  q.Geometry->GetFigureCount(&figures);
  EXPECT_EQ(figures, 2u);

  // AddLine inside an open figure runs from the current point; the record
  // keeps its own line.
  THtPathDX l(false);
  l.MoveTo(1, 1);
  l.AddLine(0, 0, 5, 5);
  l.EndPath();
  ASSERT_EQ(l.Geometry->CorePath().Points.size(), 2u);
  EXPECT_EQ(text(l.Geometry->CorePath().Points[0]), "1,1");
  EXPECT_EQ(PathAsString(&l), u"M0 0l5 5 ");

  // Seven points: two segments, the last point ignored.
  THtPathDX b(false);
  b.MoveTo(0, 0);
  b.AddBeziers({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}});
  b.EndPath();
  EXPECT_EQ(b.Geometry->CorePath().Ops.size(), 3u);
}

TEST_F(DXCanvasTest, PathArcs) {
  THtPathDX p(false);
  p.AddArc(0, 0, 100, 50, 0, 90, 3);
  p.EndPath();
  const auto& cp = p.Geometry->CorePath();
  EXPECT_EQ(text(cp.Points.front()), "100,25");
  EXPECT_EQ(text(cp.Points.back()), "50,50");
  EXPECT_EQ(p.CustomPath()->Rec(0).Kind, prArc);

  struct Case {
    float Start, Sweep;
    TRectF Bounds;
  } cases[] = {
      {0, 90, TRectF(50, 25, 100, 50)},
      {0, -90, TRectF(50, 0, 100, 25)},   // counter-clockwise
      {0, 180, TRectF(0, 25, 100, 50)},
      {0, 359.9f, TRectF(0, 0, 100, 50)},  // the whole ellipse
      {45, 360, TRectF(0, 0, 100, 50)},
  };
  for (const auto& k : cases) {
    THtPathDX a(false);
    a.AddArc(0, 0, 100, 50, k.Start, k.Sweep, 1);
    TRectF r;
    a.GetBounds(r, nullptr);
    EXPECT_NEAR(r.Left, k.Bounds.Left, 0.05) << k.Sweep;
    EXPECT_NEAR(r.Top, k.Bounds.Top, 0.05) << k.Sweep;
    EXPECT_NEAR(r.Right, k.Bounds.Right, 0.05) << k.Sweep;
    EXPECT_NEAR(r.Bottom, k.Bounds.Bottom, 0.05) << k.Sweep;
  }
  THtPathDX e(false);
  e.AddEllipse(0, 0, 100, 50);
  e.EndPath();
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(50, 45, &e));
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(95, 25, &e));

  // No width: a line to the box's corner, recorded as a line.
  THtPathDX z(false);
  z.AddArc(5, 6, 0, 10, 0, 90, 1);
  for (int i = 0; i < z.CustomPath()->Count(); ++i) EXPECT_NE(z.CustomPath()->Rec(i).Kind, prArc);
}

TEST_F(DXCanvasTest, RectanglesAndRoundRectanglesKeepTheOtherFigures) {
  THtPathDX u(false);
  u.AddRectangle(0, 0, 20, 20);
  u.AddRectangle(10, 10, 20, 20);
  u.EndPath();
  EXPECT_FALSE(u.GetFillModeWinding());
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(15, 15, &u));  // union

  // A triangle, then a rounded rectangle: both are in the geometry.
  THtPathDX p(false);
  p.MoveTo(0, 0);
  p.LineTo(10, 0);
  p.LineTo(0, 10);
  p.CloseFigure();
  p.AddRoundRect(20, 0, 20, 20, 5, 5);
  p.EndPath();
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(2, 2, &p));
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(30, 10, &p));
  EXPECT_FALSE(THtCanvasDX::ClassType.PointInPath(20.5f, 0.5f, &p));
  THtPathDX copy(false);
  copy.AddPath(&p);
  copy.EndPath();
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(2, 2, &copy));
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(30, 10, &copy));

  // A border ring: the inner rounded rectangle is a hole.
  THtPathDX ring(false);
  ring.AddRoundRect(0, 0, 40, 40, 8, 8);
  ring.AddRoundRect(5, 5, 30, 30, 4, 4);
  ring.EndPath();
  EXPECT_FALSE(THtCanvasDX::ClassType.PointInPath(20, 20, &ring));
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(2, 20, &ring));
  EXPECT_TRUE(THtCanvasDX::ClassType.PointOnPath(5, 20, &ring, 1));
}

TEST_F(DXCanvasTest, PathClearCloneTransformAndReopen) {
  // Clear keeps the winding rule for the new geometry.
  THtPathDX w(false);
  w.SetFillModeWinding(true);
  w.MoveTo(0, 0);
  w.Clear();
  for (float x : {0.0f, 10.0f}) {
    w.MoveTo(x, 0);
    w.LineTo(x + 20, 0);
    w.LineTo(x + 20, 20);
    w.LineTo(x, 20);
    w.CloseFigure();
  }
  w.EndPath();
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(15, 10, &w));

  THtPathDX p(false);
  p.AddRectangle(0, 0, 10, 10);
  auto clone = p.Clone();
  p.Clear();
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(p.CustomPath()->Count(), 0);
  EXPECT_TRUE(THtCanvasDX::ClassType.PointInPath(5, 5, clone.get()));
  TRectF r;
  clone->GetBounds(r, nullptr);
  EXPECT_EQ(text(r), "0,0,10,10");

  // Transform moves the geometry too.
  THtMatrixData m;
  m.Init(1, 0, 0, 1, 100, 0);
  m.UpdateFlags();
  p.AddRectangle(0, 0, 10, 10);
  p.Transform(m);
  p.GetBounds(r, nullptr);
  EXPECT_EQ(text(r), "100,0,110,10");
  // Adding after the path was ended carries on with the same figures.
  p.AddRectangle(150, 50, 10, 10);
  p.GetBounds(r, nullptr);
  EXPECT_EQ(text(r), "100,0,160,60");
}

TEST_F(DXCanvasTest, PathDataDrawsOrFailsCleanly) {
  THtCanvasDX c;
  c.BeginScene(dcScene());
  auto pen = std::make_unique<THtPen>(0xFF000000u, 1.0f);
  auto brush = std::make_unique<THtBrush>(0xFF000000u);
  for (const char16_t* data : {u"M10 10 L50 10 A20 20 0 1 1 10 40 Z", u"M0 0 Q 5 5 10 0 T 20 0",
                               u"M 1e38 1e38 L -1e38 3", u"M10 10 X", u"A5 5 0 0 1 nan 4"}) {
    THtPathDX p(false);
    try {
      p.Parse(data);
    } catch (const Exception&) {
    }
    c.FillPath(brush.get(), &p);
    c.DrawPath(pen.get(), &p);
  }
  EXPECT_NO_THROW(c.EndScene());
}

}  // namespace
}  // namespace ht
