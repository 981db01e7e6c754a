#include "platform/d2d/d2d.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ht::d2d {
namespace {

D2D1_COLOR_F rgba(float r, float g, float b, float a = 1) { return {r, g, b, a}; }

class D2DFacade : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetD2DFaults();
    D2DTrace().Clear();
    D2DTrace().Enabled = true;
    dc = gdi::CreateCompatibleDC(nullptr);
    bmp = gdi::CreateDIBSection32(40, 30, nullptr);
    gdi::SelectObject(dc, bmp);
    D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, IID_ID2D1Factory, nullptr, &factory);
    factory->CreateDCRenderTarget(D2D1_RENDER_TARGET_PROPERTIES(), &rt);
    RECT r{0, 0, 40, 30};
    ASSERT_EQ(rt->BindDC(dc, &r), S_OK);
    rt->CreateSolidColorBrush(rgba(1, 0, 0), nullptr, &red);
  }
  void TearDown() override {
    D2DTrace().Enabled = false;
    ResetD2DFaults();
    gdi::DeleteDC(dc);
    gdi::DeleteObject(bmp);
  }
  // Premultiplied ARGB of the DC's bitmap (rows bottom-up in memory).
  uint32_t px(int x, int y) { return bmp->Surface.Pixel(x, y); }

  gdi::HDC dc = nullptr;
  gdi::HBITMAP bmp = nullptr;
  std::shared_ptr<ID2D1Factory> factory;
  std::shared_ptr<ID2D1DCRenderTarget> rt;
  std::shared_ptr<ID2D1SolidColorBrush> red;
};

TEST_F(D2DFacade, PopsMustMatchPushesInReverse) {
  std::shared_ptr<ID2D1PathGeometry> g;
  factory->CreatePathGeometry(&g);
  std::shared_ptr<ID2D1GeometrySink> sink;
  g->Open(&sink);
  sink->BeginFigure({0, 0}, D2D1_FIGURE_BEGIN_FILLED);
  sink->AddLine({10, 0});
  sink->AddLine({0, 10});
  sink->EndFigure(D2D1_FIGURE_END_CLOSED);
  ASSERT_EQ(sink->Close(), S_OK);
  D2D1_LAYER_PARAMETERS lp;
  lp.contentBounds = {-1000, -1000, 1000, 1000};
  lp.geometricMask = g.get();

  rt->BeginDraw();
  rt->PushLayer(lp, nullptr);
  rt->PushAxisAlignedClip({0, 0, 5, 5}, D2D1_ANTIALIAS_MODE_ALIASED);
  rt->PopAxisAlignedClip();
  rt->PopLayer();
  EXPECT_EQ(rt->EndDraw(), S_OK);

  // Clip pushed after the layer but popped before it: refused.
  rt->BeginDraw();
  rt->PushLayer(lp, nullptr);
  rt->PushAxisAlignedClip({0, 0, 5, 5}, D2D1_ANTIALIAS_MODE_ALIASED);
  rt->PopLayer();
  rt->PopAxisAlignedClip();
  EXPECT_EQ(rt->EndDraw(), D2DERR_POP_CALL_DID_NOT_MATCH_PUSH);

  rt->BeginDraw();
  rt->PushAxisAlignedClip({0, 0, 5, 5}, D2D1_ANTIALIAS_MODE_ALIASED);
  EXPECT_EQ(rt->EndDraw(), D2DERR_PUSH_POP_UNBALANCED);
  // The target recovers at the next pass.
  rt->BeginDraw();
  EXPECT_EQ(rt->EndDraw(), S_OK);
}

TEST_F(D2DFacade, ClipsLayersAndClearByPixels) {
  std::shared_ptr<ID2D1PathGeometry> tri;
  factory->CreatePathGeometry(&tri);
  std::shared_ptr<ID2D1GeometrySink> sink;
  tri->Open(&sink);
  sink->BeginFigure({0, 0}, D2D1_FIGURE_BEGIN_FILLED);
  sink->AddLine({20, 0});
  sink->AddLine({0, 20});
  sink->EndFigure(D2D1_FIGURE_END_CLOSED);
  ASSERT_EQ(sink->Close(), S_OK);

  rt->BeginDraw();
  D2D1_COLOR_F white = rgba(1, 1, 1);
  rt->Clear(&white);
  rt->PushAxisAlignedClip({0, 0, 10.4f, 30}, D2D1_ANTIALIAS_MODE_ALIASED);
  D2D1_LAYER_PARAMETERS lp;
  lp.contentBounds = {-1000, -1000, 1000, 1000};
  lp.geometricMask = tri.get();
  lp.maskAntialiasMode = D2D1_ANTIALIAS_MODE_ALIASED;
  rt->PushLayer(lp, nullptr);
  rt->FillRectangle({0, 0, 40, 30}, red.get());
  rt->PopLayer();
  rt->PopAxisAlignedClip();
  ASSERT_EQ(rt->EndDraw(), S_OK);
  EXPECT_EQ(px(2, 2), 0xFFFF0000u);    // inside clip and triangle
  EXPECT_EQ(px(12, 2), 0xFFFFFFFFu);   // outside the clip (10.4 snaps to 10)
  EXPECT_EQ(px(9, 2), 0xFFFF0000u);
  EXPECT_EQ(px(8, 15), 0xFFFFFFFFu);   // outside the triangle
  EXPECT_EQ(px(30, 25), 0xFFFFFFFFu);

  // Clear replaces, alpha included, within the clip only.
  rt->BeginDraw();
  D2D1_COLOR_F half = rgba(1, 0, 0, 128 / 255.0f);
  rt->PushAxisAlignedClip({0, 0, 10, 10}, D2D1_ANTIALIAS_MODE_ALIASED);
  rt->Clear(&half);
  rt->PopAxisAlignedClip();
  ASSERT_EQ(rt->EndDraw(), S_OK);
  EXPECT_EQ(px(5, 5), 0x80800000u);
  EXPECT_EQ(px(15, 15), 0xFFFFFFFFu);
}

TEST_F(D2DFacade, BindOffsetsTheTarget) {
  RECT r{10, 5, 30, 25};
  ASSERT_EQ(rt->BindDC(dc, &r), S_OK);
  rt->BeginDraw();
  rt->FillRectangle({-100, -100, 5, 5}, red.get());
  ASSERT_EQ(rt->EndDraw(), S_OK);
  EXPECT_EQ(px(12, 7), 0xFFFF0000u);
  EXPECT_EQ(px(9, 7), 0u);    // left of the bound rectangle
  EXPECT_EQ(px(16, 7), 0u);   // beyond the 5 px square
  EXPECT_EQ(rt->BindDC(nullptr, &r), E_INVALIDARG);
}

TEST_F(D2DFacade, ArcSegmentsEndWhereAsked) {
  // Quarter circles in both directions and a large arc.
  struct Case {
    D2D1_SWEEP_DIRECTION Dir;
    D2D1_ARC_SIZE Size;
    D2D1_RECT_F Bounds;
  } cases[] = {
      {D2D1_SWEEP_DIRECTION_CLOCKWISE, D2D1_ARC_SIZE_SMALL, {10, 0, 20, 10}},
      {D2D1_SWEEP_DIRECTION_COUNTER_CLOCKWISE, D2D1_ARC_SIZE_SMALL, {10, 0, 20, 10}},
      {D2D1_SWEEP_DIRECTION_CLOCKWISE, D2D1_ARC_SIZE_LARGE, {10, -10, 30, 10}},
  };
  for (const auto& c : cases) {
    std::shared_ptr<ID2D1PathGeometry> g;
    factory->CreatePathGeometry(&g);
    std::shared_ptr<ID2D1GeometrySink> sink;
    g->Open(&sink);
    sink->BeginFigure({10, 0}, D2D1_FIGURE_BEGIN_FILLED);
    D2D1_ARC_SEGMENT a;
    a.point = {20, 10};
    a.size = {10, 10};
    a.sweepDirection = c.Dir;
    a.arcSize = c.Size;
    sink->AddArc(a);
    sink->EndFigure(D2D1_FIGURE_END_OPEN);
    ASSERT_EQ(sink->Close(), S_OK);
    const auto& p = g->CorePath();
    ASSERT_EQ(p.Ops.back(), core::poCurve);
    EXPECT_FLOAT_EQ(p.Points.back().X, 20);
    EXPECT_FLOAT_EQ(p.Points.back().Y, 10);
    D2D1_RECT_F b;
    ASSERT_EQ(g->GetBounds(nullptr, &b), S_OK);
    EXPECT_NEAR(b.left, c.Bounds.left, 0.05);
    EXPECT_NEAR(b.top, c.Bounds.top, 0.05);
    EXPECT_NEAR(b.right, c.Bounds.right, 0.05);
    EXPECT_NEAR(b.bottom, c.Bounds.bottom, 0.05);
  }
}

TEST_F(D2DFacade, SinkMisuseFailsAtClose) {
  std::shared_ptr<ID2D1PathGeometry> g;
  factory->CreatePathGeometry(&g);
  std::shared_ptr<ID2D1GeometrySink> sink;
  g->Open(&sink);
  sink->AddLine({1, 1});  // no figure
  EXPECT_EQ(sink->Close(), D2DERR_WRONG_STATE);
  D2D1_RECT_F b;
  EXPECT_EQ(g->GetBounds(nullptr, &b), D2DERR_WRONG_STATE);
  std::shared_ptr<ID2D1GeometrySink> again;
  EXPECT_EQ(g->Open(&again), D2DERR_WRONG_STATE);
  // Drawing a geometry that never closed fails the pass.
  rt->BeginDraw();
  rt->FillGeometry(g.get(), red.get());
  EXPECT_EQ(rt->EndDraw(), D2DERR_WRONG_STATE);
}

TEST_F(D2DFacade, DashesCountInStrokeWidths) {
  D2D1_STROKE_STYLE_PROPERTIES p;
  p.dashStyle = D2D1_DASH_STYLE_CUSTOM;
  float dashes[] = {4, 2};
  std::shared_ptr<ID2D1StrokeStyle> s;
  ASSERT_EQ(factory->CreateStrokeStyle(p, dashes, 2, &s), S_OK);
  core::TCoreStroke c = s->ToCore(3);
  ASSERT_EQ(c.Dashes.size(), 2u);
  EXPECT_DOUBLE_EQ(c.Dashes[0], 12);
  EXPECT_DOUBLE_EQ(c.Dashes[1], 6);
  // Square dash caps: a dot becomes a square one width long.
  p.dashStyle = D2D1_DASH_STYLE_DOT;
  p.dashCap = D2D1_CAP_STYLE_SQUARE;
  ASSERT_EQ(factory->CreateStrokeStyle(p, nullptr, 0, &s), S_OK);
  c = s->ToCore(2);
  EXPECT_DOUBLE_EQ(c.Dashes[0], 2);
  EXPECT_DOUBLE_EQ(c.Dashes[1], 2);
  EXPECT_EQ(factory->CreateStrokeStyle(p, dashes, 2, &s), E_INVALIDARG);
}

TEST_F(D2DFacade, BitmapBrushExtendsPerAxis) {
  // A 2 x 2 bitmap: red top row, blue bottom row; wrap in x, clamp in y.
  uint32_t pixels[4] = {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF};
  std::shared_ptr<ID2D1Bitmap> b;
  D2D1_BITMAP_PROPERTIES props;
  ASSERT_EQ(rt->CreateBitmap({2, 2}, pixels, 8, props, &b), S_OK);
  D2D1_BITMAP_BRUSH_PROPERTIES bp;
  bp.extendModeX = D2D1_EXTEND_MODE_WRAP;
  bp.extendModeY = D2D1_EXTEND_MODE_CLAMP;
  bp.interpolationMode = D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR;
  std::shared_ptr<ID2D1BitmapBrush> brush;
  rt->CreateBitmapBrush(b, &bp, nullptr, &brush);
  rt->BeginDraw();
  rt->FillRectangle({0, 0, 40, 30}, brush.get());
  ASSERT_EQ(rt->EndDraw(), S_OK);
  EXPECT_EQ(px(31, 0), 0xFFFF0000u);
  EXPECT_EQ(px(31, 20), 0xFF0000FFu);  // clamped: the bottom row repeats down
  // Past the budget: no bitmap.
  EXPECT_EQ(rt->CreateBitmap({100000, 2}, nullptr, 0, props, &b), E_OUTOFMEMORY);
}

TEST_F(D2DFacade, GradientStopsAndExtendMirror) {
  D2D1_GRADIENT_STOP stops[2] = {{0, rgba(1, 0, 0)}, {1, rgba(0, 0, 1)}};
  std::shared_ptr<ID2D1GradientStopCollection> c;
  ASSERT_EQ(rt->CreateGradientStopCollection(stops, 2, D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_MIRROR, &c), S_OK);
  std::shared_ptr<ID2D1LinearGradientBrush> lb;
  rt->CreateLinearGradientBrush({{0, 0}, {10, 0}}, nullptr, c, &lb);
  rt->BeginDraw();
  rt->FillRectangle({0, 0, 40, 30}, lb.get());
  ASSERT_EQ(rt->EndDraw(), S_OK);
  EXPECT_GT((px(0, 5) >> 16) & 0xFF, 240u);
  EXPECT_LT(px(9, 5) & 0xFF, 255u);
  EXPECT_GT(px(9, 5) & 0xFF, 200u);
  // Mirrored: 19.5 is back near the start colour.
  EXPECT_GT((px(19, 5) >> 16) & 0xFF, 200u);
  EXPECT_LT(px(19, 5) & 0xFF, 40u);
  EXPECT_EQ(rt->CreateGradientStopCollection(stops, 0, D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_CLAMP, &c), E_INVALIDARG);
}

TEST_F(D2DFacade, HitTestsUseTheTransform) {
  std::shared_ptr<ID2D1RoundedRectangleGeometry> g;
  factory->CreateRoundedRectangleGeometry({{0, 0, 20, 10}, 5, 5}, &g);
  BOOL in = 0;
  g->FillContainsPoint({10, 5}, nullptr, 2, &in);
  EXPECT_TRUE(in);
  g->FillContainsPoint({0.5f, 0.5f}, nullptr, 2, &in);  // cut by the corner
  EXPECT_FALSE(in);
  D2D1_MATRIX_3X2_F m;
  m._31 = 100;
  g->FillContainsPoint({110, 5}, &m, 2, &in);
  EXPECT_TRUE(in);
  g->StrokeContainsPoint({10, 0.4f}, 1, nullptr, nullptr, 2, &in);
  EXPECT_TRUE(in);
  g->StrokeContainsPoint({10, 5}, 1, nullptr, nullptr, 2, &in);
  EXPECT_FALSE(in);
}

// ---------------------------------------------------------------- devices and chains

std::shared_ptr<ID3D11Device> hardwareDevice() {
  std::shared_ptr<ID3D11Device> dev;
  std::shared_ptr<ID3D11DeviceContext> ctx;
  D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, 0, D3D11_CREATE_DEVICE_BGRA_SUPPORT, nullptr, 0,
                    D3D11_SDK_VERSION, &dev, nullptr, &ctx);
  return dev;
}

std::shared_ptr<IDXGIFactory2> factory2(const std::shared_ptr<ID3D11Device>& dev) {
  std::shared_ptr<IDXGIDevice> dxgi;
  QueryInterface(dev, &dxgi);
  std::shared_ptr<IDXGIAdapter> adapter;
  dxgi->GetAdapter(&adapter);
  std::shared_ptr<IDXGIFactory> f;
  adapter->GetParent(IID_IDXGIFactory2, &f);
  return std::dynamic_pointer_cast<IDXGIFactory2>(f);
}

TEST_F(D2DFacade, PresentScrollsTheFrontAndCopiesDirtyRectangles) {
  auto dev = hardwareDevice();
  ASSERT_TRUE(dev);
  auto f = factory2(dev);
  ASSERT_TRUE(f);
  DXGI_SWAP_CHAIN_DESC1 desc;
  desc.Width = 4;
  desc.Height = 6;
  std::shared_ptr<IDXGISwapChain1> chain;
  ASSERT_EQ(f->CreateSwapChainForHwnd(dev, 7, &desc, nullptr, nullptr, &chain), S_OK);
  int shown = 0;
  SetPresentSink([&](HWND w, const core::TCoreSurface& s) {
    EXPECT_EQ(w, HWND(7));
    EXPECT_EQ(s.Width(), 4);
    ++shown;
  });
  // Frame 1: row y has colour y + 1.
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x) chain->Back().SetPixel(x, y, 0xFF000000u | uint32_t(y + 1));
  ASSERT_EQ(chain->Present1(1, 0, nullptr), S_OK);
  // Frame 2: scrolled up by 2 rows; only the bottom two rows are new (0x10).
  for (int y = 4; y < 6; ++y)
    for (int x = 0; x < 4; ++x) chain->Back().SetPixel(x, y, 0xFF000010u);
  RECT dirty{0, 4, 4, 6}, scroll{0, 0, 4, 4};
  POINT offset{0, -2};
  DXGI_PRESENT_PARAMETERS pp{1, &dirty, &scroll, &offset};
  ASSERT_EQ(chain->Present1(1, 0, &pp), S_OK);
  EXPECT_EQ(chain->Front().Pixel(1, 0), 0xFF000003u);
  EXPECT_EQ(chain->Front().Pixel(1, 3), 0xFF000006u);
  EXPECT_EQ(chain->Front().Pixel(1, 5), 0xFF000010u);
  EXPECT_EQ(shown, 2);
  EXPECT_NE(D2DTrace().Text().find("Present1(dirty=1 scroll=0,0,4,4 offset=0,-2)"), std::string::npos);
  SetPresentSink(nullptr);
}

TEST_F(D2DFacade, DeviceLossAndChainFaults) {
  auto dev = hardwareDevice();
  auto f = factory2(dev);
  DXGI_SWAP_CHAIN_DESC legacy;
  legacy.BufferDesc.Width = 8;
  legacy.BufferDesc.Height = 8;
  legacy.OutputWindow = 3;
  std::shared_ptr<IDXGISwapChain> chain;
  D2DFaults().LegacyChain = {DXGI_ERROR_DEVICE_REMOVED};
  EXPECT_EQ(f->CreateSwapChain(dev, &legacy, &chain), DXGI_ERROR_DEVICE_REMOVED);
  EXPECT_TRUE(dev->Removed);
  // Everything on a removed device keeps failing.
  EXPECT_EQ(f->CreateSwapChain(dev, &legacy, &chain), DXGI_ERROR_DEVICE_REMOVED);
  auto dev2 = hardwareDevice();
  ASSERT_EQ(f->CreateSwapChain(dev2, &legacy, &chain), S_OK);
  D2DFaults().Present = {DXGI_ERROR_DEVICE_RESET};
  EXPECT_EQ(chain->Present(1, 0), DXGI_ERROR_DEVICE_RESET);
  EXPECT_EQ(chain->Present(1, 0), DXGI_ERROR_DEVICE_REMOVED);
  // Past the budget or zero: a chain with no pixels presents nothing.
  legacy.BufferDesc.Width = 0;
  auto dev3 = hardwareDevice();
  ASSERT_EQ(f->CreateSwapChain(dev3, &legacy, &chain), S_OK);
  EXPECT_EQ(chain->Back().Width(), 0);
  EXPECT_EQ(chain->Present(1, 0), S_OK);
}

TEST_F(D2DFacade, EntryPointsAndDeviceFaults) {
  EXPECT_NE(GetProcAddress(LoadLibraryW("d2d1.dll"), "D2D1CreateFactory"), nullptr);
  D2DFaults().MissingLibraries = {"DWrite.dll"};
  EXPECT_EQ(LoadLibraryW("DWrite.dll"), 0u);
  D2DFaults().MissingExports = {"D3D11CreateDevice"};
  EXPECT_EQ(GetProcAddress(LoadLibraryW("d3d11.dll"), "D3D11CreateDevice"), nullptr);

  D2DFaults().HardwareDevice = E_INVALIDARG;
  std::shared_ptr<ID3D11Device> dev;
  EXPECT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, 0, 0, nullptr, 0, 7, &dev, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, 0, 0, nullptr, 0, 7, &dev, nullptr, nullptr), S_OK);
  EXPECT_EQ(dev->DriverType, D3D_DRIVER_TYPE_WARP);

  setenv("TARNWICK_NO_DIRECT3D", "1", 1);
  EXPECT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, 0, 0, nullptr, 0, 7, &dev, nullptr, nullptr),
            DXGI_ERROR_UNSUPPORTED);
  unsetenv("TARNWICK_NO_DIRECT3D");

  D2DFaults().NoFactory1 = true;
  std::shared_ptr<ID2D1Factory> f;
  EXPECT_EQ(D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, IID_ID2D1Factory1, nullptr, &f), E_NOINTERFACE);
  EXPECT_EQ(D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, IID_ID2D1Factory, nullptr, &f), S_OK);
  EXPECT_FALSE(std::dynamic_pointer_cast<ID2D1Factory1>(f));
}

}  // namespace
}  // namespace ht::d2d
