#include "backends/canvas_dx.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "backends/canvas_gp.h"
#include "backends/dx_pages.h"
#include "canvas/bitmap_effects.h"
#include "platform/rtl/module.h"
#include "canvas/geometry.h"
#include "platform/gdi/gdi_controls.h"
#include "platform/rtl/numeric.h"
#include "canvas/path_records.h"

namespace ht {

using namespace d2d;

namespace {

bool DXSupportChecked = false;
bool DXSupported = false;
std::shared_ptr<IDWriteFactory> SharedDWriteFactory;
// Stamps of bound targets: one counter for the process, so two bindings in
// the same instant still differ.
std::atomic<uint64_t> contextStamp{0};

float roundHalfAway(double x) { return float(x < 0 ? std::ceil(x - 0.5) : std::floor(x + 0.5)); }

D2D1_COLOR_F colorF(uint32_t c) {
  return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, ((c >> 24) & 0xFF) / 255.0f};
}

D2D1_RECT_F rectF(const TRectF& R) { return {R.Left, R.Top, R.Right, R.Bottom}; }

bool isScale(THtMatrixFlag k) { return k == mfScale || k == mfNegativeScale; }

bool isPlainPen(THtPen* Pen) {
  return Pen->GetStyle() == hpsSolid && Pen->GetLineJoin() == ljMiter && Pen->Dashes.empty() &&
         Pen->GetLineCap() == lcFlat;
}

}  // namespace

// ---------------------------------------------------------------- class

const THtCanvasDXClass THtCanvasDX::ClassType{"THtCanvasDX", &THtCanvas::ClassType,
                                              &CreateInstance<THtCanvasDX, THtCanvas>};
bool THtCanvasDX::IsWindows81OrLater = true;

D2D1_COLOR_F THtCanvasDX::ColorF(uint32_t Color) { return colorF(Color); }

THtStringList* THtCanvasDXClass::InstalledFonts() const {
  static THtStringList list(31);
  return &list;
}

THtCanvasFlags THtCanvasDXClass::GetFlags() const {
  return {hcfCacheTextWidth, hcfScaleCanvasDrawing, hcfSupportsTextLayouts, hcfSupportsSimpleLayouts,
          hcfFullRepaint};
}

bool THtCanvasDXClass::PointInPath(float X, float Y, THtPath* Path) const {
  auto* p = dynamic_cast<THtPathDX*>(Path);
  if (!p || !p->Geometry) return false;
  BOOL in = 0;
  // An open geometry answers no.
  if (FAILED(p->Geometry->FillContainsPoint({X, Y}, nullptr, 2.0f, &in))) return false;
  return in != 0;
}

bool THtCanvasDXClass::PointOnPath(float X, float Y, THtPath* Path, float w) const {
  auto* p = dynamic_cast<THtPathDX*>(Path);
  if (!p || !p->Geometry) return false;
  BOOL in = 0;
  if (FAILED(p->Geometry->StrokeContainsPoint({X, Y}, w, nullptr, nullptr, 2.0f, &in))) return false;
  return in != 0;
}

// ---------------------------------------------------------------- life

THtCanvasDX::THtCanvasDX() {
  D2D1_STROKE_STYLE_PROPERTIES props;
  props.miterLimit = 4.0f;
  try {
    D2DHelper().D2DFactory->CreateStrokeStyle(props, nullptr, 0, &FPenStyle);
  } catch (const std::exception&) {
    // No devices on this machine: the canvas never binds a target anyway.
  }
}

THtCanvasDX::~THtCanvasDX() = default;

bool THtCanvasDX::IsDirectXSupported() {
  if (DXSupportChecked) return DXSupported;
  DXSupportChecked = true;
  try {
    SharedDWriteFactory = GetDWriteFactory();
    // Windows are drawn through a Direct2D 1.1 device context: without a
    // device there is nothing to make it from.
    DXSupported = D2DHelper().D2DDevice != nullptr;
  } catch (const std::exception&) {
    DXSupported = false;
  }
  return DXSupported;
}

bool THtCanvasDX::StartDirect2D() {
  if (IsLibrary) return false;
  if (!IsDirectXSupported()) return false;
  if (HtDefaultCanvasClass == nullptr || HtDefaultCanvasClass == &THtCanvasGP::ClassType)
    HtDefaultCanvasClass = &ClassType;
  return HtDefaultCanvasClass == &ClassType;
}

const THtPageClass* THtCanvasDXClass::PageClass() const { return &THtPageDX::ClassType; }
const THtCanvasClass* THtCanvasDXClass::PrintCanvasClass() const { return &THtMetaCanvasDX::ClassType; }

void THtCanvasDX::ResetDirectXSupport() {
  DXSupportChecked = DXSupported = false;
  SharedDWriteFactory.reset();
}

// ---------------------------------------------------------------- scenes

void THtCanvasDX::dropTarget() {
  FContext.reset();
  FDeviceContext.reset();
  FSwapChain.reset();
  FSwapChain1.reset();
  FBuffer.reset();
  FDXSolidBrush.reset();
}

void THtCanvasDX::BeginScene(const THtCanvasScene& AScene) {
  if (!IsDirectXSupported()) return;
  THtCanvas::BeginScene(AScene);
  FCanvas = Scene.Canvas;
  FBindMatrix.Reset();
  const TRect& vp = Scene.ViewPort;
  int vw = vp.Right - vp.Left, vh = vp.Bottom - vp.Top;
  bool bound = false;
  if (Scene.Window != 0 && Scene.Window == FWindowDC && FContext) {
    if (FLastClipRect.Right - FLastClipRect.Left != vw || FLastClipRect.Bottom - FLastClipRect.Top != vh) {
      FBuffer.reset();
      FDeviceContext->SetTarget(nullptr);
      if (FSwapChain1)
        FSwapChain1->ResizeBuffers(0, UINT(std::max(vw, 0)), UINT(std::max(vh, 0)), DXGI_FORMAT_B8G8R8A8_UNORM, 0);
      else if (FSwapChain)
        FSwapChain->ResizeBuffers(0, UINT(std::max(vw, 0)), UINT(std::max(vh, 0)), DXGI_FORMAT_B8G8R8A8_UNORM, 0);
      std::shared_ptr<ID2D1Bitmap1> target;
      IDXGISwapChain* chain = FSwapChain1 ? FSwapChain1.get() : FSwapChain.get();
      D2DHelper().CreateTargetBitmap(FDeviceContext.get(), chain, target);
      FDeviceContext->SetTarget(target);
      FSwapChainRecreated = true;
      Scene.UpdateRects.clear();
      Scene.ScrollX = Scene.ScrollY = 0;
    }
  } else {
    FWindowDC = Scene.Window;
    if (FWindowDC != 0) {
      if (!FSwapChain) {
        // Devices made again on the way: the old device's context is dead.
        if (D2DHelper().CreateSwapChain(FWindowDC, vw, vh, Scene.EditorMode, FSwapChain, FSwapChain1))
          FDeviceContext.reset();
      }
      if (!FDeviceContext && D2DHelper().D2DDevice &&
          SUCCEEDED(D2DHelper().D2DDevice->CreateDeviceContext(
              D2D1_DEVICE_CONTEXT_OPTIONS_ENABLE_MULTITHREADED_OPTIMIZATIONS, &FDeviceContext))) {
        FDeviceContext->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
        FDeviceContext->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE);
      }
      if (!FDeviceContext) return;  // no device to draw with: nothing this scene
      std::shared_ptr<ID2D1Bitmap1> target;
      IDXGISwapChain* chain = FSwapChain1 ? FSwapChain1.get() : FSwapChain.get();
      D2DHelper().CreateTargetBitmap(FDeviceContext.get(), chain, target);
      FDeviceContext->SetTarget(target);
      FContextVersion = ++contextStamp;
      FContext = FDeviceContext;
      FSwapChainRecreated = true;
      Scene.UpdateRects.clear();
      Scene.ScrollX = Scene.ScrollY = 0;
    } else {
      if (!FDCTarget) FDCTarget = D2DHelper().CreateDCRenderTarget();
      FContextVersion = ++contextStamp;
      RECT r{vp.Left, vp.Top, vp.Right, vp.Bottom};
      auto* dcCanvas = dynamic_cast<gdi::TCanvas*>(FCanvas);
      OleCheck(FDCTarget->BindDC(dcCanvas ? dcCanvas->Handle() : nullptr, &r));
      FBindMatrix.Init(1, 0, 0, 1, float(-Scene.ClipRect.Left), float(-Scene.ClipRect.Top));
      FHasBindMatrix = Scene.ClipRect.Left != 0 || Scene.ClipRect.Top != 0;
      FBindMatrix.UpdateFlags();
      FContext = FDCTarget;
    }
    bound = true;
  }
  if (bound) {
    // Pieces made on the old target do not belong to the new one.
    FBlurCache.reset();
    FContext->CreateSolidColorBrush(colorF(0xFFFFFFFF), nullptr, &FDXSolidBrush);
    FLastSolidColor = 0xFFFFFFFF;
    FPen.reset();
    FSolidBrush.reset();
  }
  int dx = -RoundHalfEven(Scene.ScrollX), dy = -RoundHalfEven(Scene.ScrollY);
  if (dx != 0 || dy != 0) Scene.AddScrollUpdateRects(dx, dy, vw, vh, 0, nullptr, nullptr);
  FLastClipRect = vp;
  FContext->BeginDraw();
  FContext->SetTransform(D2D1IdentityMatrix());
  if ((dx != 0 || dy != 0) && FBuffer) {
    D2D1_RECT_F r{float(vp.Left + dx), float(vp.Top + dy), float(vp.Right + dx), float(vp.Bottom + dy)};
    FContext->DrawBitmap(FBuffer.get(), &r, 1, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  }
  SaveState();
  if (!Scene.UpdateRects.empty() && !FSwapChain1) {
    THtPathDX clip(true);
    for (const TRect& u : Scene.UpdateRects)
      clip.AddRectangle(float(u.Left), float(u.Top), float(u.Right - u.Left), float(u.Bottom - u.Top));
    IntersectClip(&clip);
  }
  FNeedRestoreState = true;
  TranslateTransform(vp.Left + Scene.OffsetX * Scene.Scale, vp.Top + Scene.OffsetY * Scene.Scale);
  if (!SameSingle(Scene.Scale, 1)) ScaleTransform(Scene.Scale, Scene.Scale);
  FSmoothing = true;
}

void THtCanvasDX::BeginScene2(const TRect& AViewPort, const TRect& AClipRect, float OffsetX, float OffsetY,
                              float AScale) {
  if (!FContext) return;
  FContext->CreateSolidColorBrush(colorF(0xFFFFFFFF), nullptr, &FDXSolidBrush);
  FContext->BeginDraw();
  if (!SameSingle(AScale, 1)) ScaleTransform(AScale, AScale);
  TranslateTransform(float(AViewPort.Left - AClipRect.Left) + OffsetX * AScale,
                     float(AViewPort.Top - AClipRect.Top) + OffsetY * AScale);
  FLastClipRect = AClipRect;
}

void THtCanvasDX::BeforeEndScene() {
  THtCanvas::BeforeEndScene();
  if (FNeedRestoreState) {
    THtMatrixData m = FCurrentMatrix;
    RestoreState();
    FNeedRestoreState = false;
    MatrixTransform(m, false);
  }
}

void THtCanvasDX::EndScene() {
  THtCanvas::EndScene();
  if (FNeedRestoreState) {
    RestoreState();
    FNeedRestoreState = false;
  }
  if (!FContext || !FContext->Drawing()) return;
  HRESULT endResult = FContext->EndDraw();
  const TRect& vp = Scene.ViewPort;
  int vw = vp.Right - vp.Left, vh = vp.Bottom - vp.Top;
  bool window = FContext == FDeviceContext && FWindowDC != 0;
  if (window && !FSwapChain1 && FSwapChain && SurfaceWithinBudget(vw, vh)) {
    if (!FBuffer) {
      D2D1_BITMAP_PROPERTIES props;
      props.pixelFormat = D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE);
      OleCheck(FContext->CreateBitmap({UINT32(vw), UINT32(vh)}, nullptr, 0, props, &FBuffer));
    }
    D2D1_POINT_2U at{0, 0};
    D2D1_RECT_U src{UINT32(std::max(vp.Left, 0)), UINT32(std::max(vp.Top, 0)), UINT32(std::max(vp.Right, 0)),
                    UINT32(std::max(vp.Bottom, 0))};
    OleCheck(FBuffer->CopyFromRenderTarget(&at, FContext.get(), &src));
  }
  HRESULT presentResult = S_OK;
  if (window) {
    int dx = -RoundHalfEven(Scene.ScrollX), dy = -RoundHalfEven(Scene.ScrollY);
    if (std::abs(dx) >= vw || std::abs(dy) >= vh || FSwapChainRecreated) dx = dy = 0;
    DXGI_PRESENT_PARAMETERS params;
    RECT scroll;
    POINT offset;
    std::vector<RECT> dirty;
    if (dx != 0 || dy != 0) {
      offset = {dx, dy};
      scroll = {vp.Left, vp.Top, vp.Right, vp.Bottom};
      // The part that receives scrolled content, in the viewport's place.
      if (dy < 0) scroll.bottom = vp.Bottom + dy;
      if (dy > 0) scroll.top = vp.Top + dy;
      if (dx < 0) scroll.right = vp.Right + dx;
      if (dx > 0) scroll.left = vp.Left + dx;
      scroll.top = std::max(scroll.top, 0);
      scroll.bottom = std::max(scroll.bottom, scroll.top);
      for (const TRect& u : Scene.UpdateRects) dirty.push_back({u.Left, u.Top, u.Right, u.Bottom});
      params.DirtyRectsCount = UINT(dirty.size());
      params.pDirtyRects = dirty.data();
      params.pScrollRect = &scroll;
      params.pScrollOffset = &offset;
    }
    if (FSwapChain1)
      presentResult = FSwapChain1->Present1(1, 0, &params);
    else if (FSwapChain)
      presentResult = FSwapChain->Present(1, 0);
  }
  StateStack.clear();
  FSwapChainRecreated = false;
  if (DeviceLost(presentResult)) {
    // The device is gone: the next scene makes new devices and a new chain
    // instead of failing at every frame.
    dropTarget();
    return;
  }
  OleCheck(presentResult);
  if (endResult == D2DERR_RECREATE_TARGET)
    FContext.reset();
  else
    OleCheck(endResult);
}

// ---------------------------------------------------------------- state

void THtCanvasDX::setDeviceTransform() {
  if (!FContext) return;
  THtMatrixData m = FCurrentMatrix;
  if (FHasBindMatrix) {
    m = FBindMatrix;
    m.Multiply(FCurrentMatrix);
  }
  const float* d = m.Data;
  FContext->SetTransform({d[0], d[1], d[2], d[3], d[4], d[5]});
}

void THtCanvasDX::countPush(bool Layer) {
  if (StateStack.empty()) return;
  THtDXState& s = StateStack.back();
  s.Pushes.push_back(Layer);
  (Layer ? s.PushedLayerCount : s.ClipCount)++;
}

void THtCanvasDX::SaveState() {
  THtCanvas::SaveState();
  StateStack.emplace_back();
}

void THtCanvasDX::RestoreState() {
  THtCanvas::RestoreState();
  if (StateStack.empty()) return;
  THtDXState s = std::move(StateStack.back());
  StateStack.pop_back();
  if (FContext) {
    for (auto it = s.Pushes.rbegin(); it != s.Pushes.rend(); ++it) {
      if (*it)
        FContext->PopLayer();
      else
        FContext->PopAxisAlignedClip();
    }
  }
  if (s.TransformCount > 0) setDeviceTransform();
}

void THtCanvasDX::MatrixTransform(const THtMatrixData& M, bool Add) {
  THtCanvas::MatrixTransform(M, Add);
  if (!StateStack.empty()) ++StateStack.back().TransformCount;
  setDeviceTransform();
}

void THtCanvasDX::IntersectClip(const TRectF& R) {
  if (!drawing()) return;
  TRectF r = R;
  if (!(r.Right - r.Left > 0) || !(r.Bottom - r.Top > 0)) r = TRectF(0, 0, 0, 0);
  FContext->PushAxisAlignedClip(rectF(r), D2D1_ANTIALIAS_MODE_ALIASED);
  countPush(false);
}

void THtCanvasDX::SetClip(const TRectF& R) {
  if (!drawing()) return;
  FContext->PushAxisAlignedClip(rectF(R), D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  countPush(false);
}

THtPathDX* THtCanvasDX::dxPath(THtPath* Path, std::unique_ptr<THtPathDX>& Temp) {
  auto* p = dynamic_cast<THtPathDX*>(Path);
  if (!p) {
    Temp = std::make_unique<THtPathDX>(Path ? Path->ForClip() : false);
    if (Path) {
      Temp->SetFillModeWinding(Path->FillModeWinding());
      Temp->AddPath(Path);
    }
    p = Temp.get();
  }
  if (!p->FClosed) p->EndPath();
  return p;
}

void THtCanvasDX::IntersectClip(THtPath* ClipPath) {
  if (!drawing() || !ClipPath) return;
  std::unique_ptr<THtPathDX> temp;
  THtPathDX* p = dxPath(ClipPath, temp);
  TRectF R = p->R;
  const THtCustomPath* rec = p->CustomPath();
  if (rec && rec->IsRect() && !rec->HasCurves()) {
    IntersectClip(R);
    return;
  }
  TRect device = RectFToRect(FCurrentMatrix.TransformRect(R));
  if (!RectsIntersect(device, Scene.ClipRect)) {
    // Not visible anyway: its bounds clip as well as a layer would.
    IntersectClip(R);
    return;
  }
  D2D1_LAYER_PARAMETERS lp;
  lp.contentBounds = rectF(R);
  lp.geometricMask = p->Geometry.get();
  lp.maskAntialiasMode = D2D1_ANTIALIAS_MODE_PER_PRIMITIVE;
  lp.opacity = 1;
  lp.layerOptions = D2D1_LAYER_OPTIONS_INITIALIZE_FOR_CLEARTYPE;
  std::shared_ptr<ID2D1Layer> layer;
  if (!IsWindows81OrLater) FContext->CreateLayer(nullptr, &layer);
  FContext->PushLayer(lp, layer.get());
  countPush(true);
}

void THtCanvasDX::SetSmoothingMode(bool Smooth) {
  if (Smooth == FSmoothing) return;
  if (FContext) FContext->SetAntialiasMode(Smooth ? D2D1_ANTIALIAS_MODE_PER_PRIMITIVE : D2D1_ANTIALIAS_MODE_ALIASED);
  FSmoothing = Smooth;
}

// ---------------------------------------------------------------- snapping

float THtCanvasDX::SnapToDevicePixel(float x) const {
  THtMatrixFlag k = FCurrentMatrix.Flags;
  float s = FCurrentMatrix.Data[THtMatrixData::m11];
  if (k == mfIdentity || k == mfTranslation) return roundHalfAway(x);
  if (isScale(k) && !SameSingle(s, 0)) return roundHalfAway(double(x) * s) / s;
  return x;
}

float THtCanvasDX::SnapCoordinate(float x, bool Odd) const {
  THtMatrixFlag k = FCurrentMatrix.Flags;
  float s = FCurrentMatrix.Data[THtMatrixData::m11];
  if (!isScale(k) || SameSingle(s, 0) || !(s < 9)) return x;
  if (Odd) return roundHalfAway((double(x) - 0.5) * s) / s + 0.5f / s;
  return roundHalfAway(double(x) * s) / s;
}

float THtCanvasDX::SnapStrokeWidth(float w) const {
  if (SameSingle(w, 0)) return 0;
  float s = FCurrentMatrix.Data[THtMatrixData::m11];
  if (s > 0 && FCurrentMatrix.Data[THtMatrixData::m12] == 0) return std::max(1.0f, roundHalfAway(double(w) * s)) / s;
  return w;
}

// ---------------------------------------------------------------- brushes and strokes

void THtCanvasDX::SetSolidColor(uint32_t Color) {
  if (Color == FLastSolidColor || !FDXSolidBrush) return;
  FDXSolidBrush->SetColor(colorF(Color));
  FLastSolidColor = Color;
}

std::shared_ptr<ID2D1StrokeStyle> THtCanvasDX::GetStrokeStyle(THtPen* Pen) {
  if (isPlainPen(Pen)) return FPenStyle;
  D2D1_STROKE_STYLE_PROPERTIES p;
  switch (Pen->GetStyle()) {
    case hpsDash: p.dashStyle = D2D1_DASH_STYLE_DASH; break;
    case hpsDot: p.dashStyle = D2D1_DASH_STYLE_DOT; break;
    case hpsDashDot: p.dashStyle = D2D1_DASH_STYLE_DASH_DOT; break;
    case hpsDashDotDot: p.dashStyle = D2D1_DASH_STYLE_DASH_DOT_DOT; break;
    default: p.dashStyle = D2D1_DASH_STYLE_SOLID; break;
  }
  p.dashCap = p.dashStyle == D2D1_DASH_STYLE_SOLID ? D2D1_CAP_STYLE_FLAT : D2D1_CAP_STYLE_SQUARE;
  if (!Pen->Dashes.empty()) p.dashStyle = D2D1_DASH_STYLE_CUSTOM;
  p.lineJoin = Pen->GetLineJoin() == ljBevel   ? D2D1_LINE_JOIN_BEVEL
               : Pen->GetLineJoin() == ljRound ? D2D1_LINE_JOIN_ROUND
                                               : D2D1_LINE_JOIN_MITER;
  p.miterLimit = 0;
  D2D1_CAP_STYLE cap = Pen->GetLineCap() == lcSquare  ? D2D1_CAP_STYLE_SQUARE
                       : Pen->GetLineCap() == lcRound ? D2D1_CAP_STYLE_ROUND
                                                      : D2D1_CAP_STYLE_FLAT;
  p.startCap = p.endCap = cap;
  p.dashOffset = Pen->GetDashOffset();
  std::shared_ptr<ID2D1StrokeStyle> style;
  bool custom = p.dashStyle == D2D1_DASH_STYLE_CUSTOM;
  OleCheck(D2DHelper().D2DFactory->CreateStrokeStyle(p, custom ? Pen->Dashes.data() : nullptr,
                                                     custom ? UINT32(Pen->Dashes.size()) : 0, &style));
  return style;
}

std::shared_ptr<ID2D1Brush> THtCanvasDX::GetD2DBrush(THtBrush* Brush) {
  auto stops = [&]() {
    if (Brush->GradientColors.empty()) {
      Brush->GradientColors.assign(1, 0);
      Brush->GradientPositions.assign(1, 0);
    }
    std::vector<D2D1_GRADIENT_STOP> s;
    size_t n = Brush->GradientColors.size();
    for (size_t i = 0; i < n; ++i) {
      float pos = i < Brush->GradientPositions.size() ? Brush->GradientPositions[i]
                                                      : (n > 1 ? float(i) / float(n - 1) : 0.0f);
      s.push_back({pos, colorF(Brush->GradientColors[i])});
    }
    std::shared_ptr<ID2D1GradientStopCollection> c;
    OleCheck(FContext->CreateGradientStopCollection(s.data(), UINT32(s.size()), D2D1_GAMMA_2_2,
                                                    D2D1_EXTEND_MODE_MIRROR, &c));
    return c;
  };
  auto matrixOf = [](const THtMatrixData& m) {
    return D2D1_MATRIX_3X2_F{m.Data[0], m.Data[1], m.Data[2], m.Data[3], m.Data[4], m.Data[5]};
  };
  switch (Brush->Kind) {
    case hbGradient: {
      const TRectF& g = Brush->GradientRect;
      float L = g.Left, T = g.Top, R = g.Right, B = g.Bottom, W = R - L, H = B - T;
      double ratio = SameSingle(H, 0) ? 100 : double(W) / H;
      float a = Brush->Angle;
      if (std::isfinite(a)) {
        while (a < 0) a += 360;
        while (a > 360) a -= 360;
      } else {
        a = 0;
      }
      Brush->Angle = a;
      const double rad = 3.14159265358979323846 / 180;
      auto sn = [&](double d) { return std::sin(d * rad); };
      auto cs = [&](double d) { return std::cos(d * rad); };
      auto tn = [&](double d) { return std::tan(d * rad); };
      D2D1_POINT_2F S, E;
      if (a <= 90) {
        S = {L, B};
        E = (a > 89 || ratio <= tn(a)) ? D2D1_POINT_2F{R, float(B - W * cs(a))} : D2D1_POINT_2F{float(L + H * sn(a)), T};
      } else if (a <= 180) {
        double b = 180 - a;
        S = {L, T};
        E = (a > 179 || ratio >= tn(b)) ? D2D1_POINT_2F{float(L + H * sn(b)), B}
                                        : D2D1_POINT_2F{R, float(T + W * cs(b))};
      } else if (a <= 270) {
        double b = a - 180;
        S = {R, T};
        E = (a > 269 || ratio <= tn(b)) ? D2D1_POINT_2F{L, float(T + W * cs(b))}
                                        : D2D1_POINT_2F{float(R - H * sn(b)), B};
      } else {
        double b = a - 270;
        S = {R, B};
        E = (a > 359 || ratio <= tn(b)) ? D2D1_POINT_2F{float(R - H * cs(b)), T}
                                        : D2D1_POINT_2F{L, float(B - W * sn(b))};
      }
      D2D1_BRUSH_PROPERTIES bp{1, matrixOf(Brush->Matrix)};
      std::shared_ptr<ID2D1LinearGradientBrush> lb;
      OleCheck(FContext->CreateLinearGradientBrush({S, E}, &bp, stops(), &lb));
      return lb;
    }
    case hbRadial: {
      D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES rp;
      rp.center = {Brush->CX, Brush->CY};
      rp.gradientOriginOffset = {Brush->FX - Brush->CX, Brush->FY - Brush->CY};
      rp.radiusX = rp.radiusY = Brush->Radius;
      D2D1_BRUSH_PROPERTIES bp{1, Brush->Matrix.Flags != mfIdentity ? matrixOf(Brush->Matrix) : D2D1IdentityMatrix()};
      std::shared_ptr<ID2D1RadialGradientBrush> rb;
      OleCheck(FContext->CreateRadialGradientBrush(rp, &bp, stops(), &rb));
      return rb;
    }
    case hbImage:
      // Image bitmaps come with the image drawing of the back end; until
      // then an image brush paints nothing visible.
      SetSolidColor(0);
      return FDXSolidBrush;
    case hbSolid:
    default:
      SetSolidColor(Brush->Color());
      return FDXSolidBrush;
  }
}

// ---------------------------------------------------------------- shapes

void THtCanvasDX::DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) {
  if (!drawing() || !Pen || Pen->GetStyle() == hpsClear) return;
  float s = FCurrentMatrix.Data[THtMatrixData::m11];
  float w = SameSingle(FCurrentMatrix.Data[THtMatrixData::m12], 0) ? Pen->GetWidth() * s : Pen->GetWidth();
  bool odd = int64_t(roundHalfAway(w)) % 2 != 0;
  if (x1 == x2) {
    y1 = SnapCoordinate(y1, odd);
    y2 = SnapCoordinate(y2, odd);
    x1 = x2 = SnapCoordinate(x1, odd);
  } else if (y1 == y2) {
    x1 = SnapCoordinate(x1, odd);
    x2 = SnapCoordinate(x2, odd);
    y1 = y2 = SnapCoordinate(y1, odd);
  }
  SetSolidColor(Pen->GetColor());
  auto style = GetStrokeStyle(Pen);
  FContext->DrawLine({x1, y1}, {x2, y2}, FDXSolidBrush.get(), SnapStrokeWidth(Pen->GetWidth()), style.get());
}

void THtCanvasDX::DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) {
  if (!drawing() || !Pen || Pen->GetStyle() == hpsClear) return;
  SetSolidColor(Pen->GetColor());
  float pw = Pen->GetWidth(), half = pw / 2, s = FCurrentMatrix.Data[THtMatrixData::m11];
  bool odd = int64_t(roundHalfAway(FCurrentMatrix.HasRotation() ? pw : pw * s)) % 2 != 0;
  SetSmoothingMode(false);
  D2D1_RECT_F r{SnapCoordinate(X + half, odd), SnapCoordinate(Y + half, odd), SnapCoordinate(X + w - half, odd),
                SnapCoordinate(Y + h - half, odd)};
  auto style = GetStrokeStyle(Pen);
  FContext->DrawRectangle(r, FDXSolidBrush.get(), SnapStrokeWidth(pw), style.get());
  SetSmoothingMode(true);
}

void THtCanvasDX::FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) {
  if (!drawing() || !Brush) return;
  if (Brush->Kind == hbSolid && Brush->Color() < 0x01000000) return;
  auto b = GetD2DBrush(Brush);
  FContext->FillRectangle({X, Y, X + w, Y + h}, b.get());
}

void THtCanvasDX::RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) {
  if (!drawing() || !Pen || Pen->GetStyle() == hpsClear) return;
  SetSolidColor(Pen->GetColor());
  float sw = SnapStrokeWidth(Pen->GetWidth()), half = sw / 2;
  D2D1_RECT_F r{SnapToDevicePixel(R.Left) + half, SnapToDevicePixel(R.Top) + half,
                SnapToDevicePixel(R.Right) - half, SnapToDevicePixel(R.Bottom) - half};
  auto style = GetStrokeStyle(Pen);
  FContext->DrawRoundedRectangle({r, RadiusX, RadiusY}, FDXSolidBrush.get(), sw, style.get());
}

void THtCanvasDX::FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY) {
  if (!drawing() || !Brush) return;
  auto b = GetD2DBrush(Brush);
  FContext->FillRoundedRectangle({rectF(R), RadiusX, RadiusY}, b.get());
}

void THtCanvasDX::DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) {
  if (!drawing() || !Pen || Pen->GetStyle() == hpsClear) return;
  SetSolidColor(Pen->GetColor());
  FContext->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  auto style = GetStrokeStyle(Pen);
  FContext->DrawEllipse({{X + w / 2, Y + h / 2}, w / 2, h / 2}, FDXSolidBrush.get(), Pen->GetWidth(), style.get());
}

void THtCanvasDX::FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) {
  if (!drawing() || !Brush) return;
  auto b = GetD2DBrush(Brush);
  FContext->FillEllipse({{X + w / 2, Y + h / 2}, w / 2, h / 2}, b.get());
}

void THtCanvasDX::DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle) {
  if (!drawing() || !Pen || Pen->GetStyle() == hpsClear) return;
  THtPathDX path(false);
  path.AddArc(SnapCoordinate(X, true), SnapCoordinate(Y, true), SnapToDevicePixel(w), SnapToDevicePixel(h),
              StartAngle, SweepAngle, SnapStrokeWidth(Pen->GetWidth()));
  DrawPath(Pen, &path);
}

void THtCanvasDX::DrawPath(THtPen* Pen, THtPath* Path) {
  if (!drawing() || !Pen || !Path || Pen->GetStyle() == hpsClear) return;
  std::unique_ptr<THtPathDX> temp;
  THtPathDX* p = dxPath(Path, temp);
  SetSolidColor(Pen->GetColor());
  auto style = GetStrokeStyle(Pen);
  FContext->DrawGeometry(p->Geometry.get(), FDXSolidBrush.get(), Pen->GetWidth(), style.get());
}

void THtCanvasDX::FillPath(THtBrush* Brush, THtPath* Path) {
  if (!drawing() || !Brush || !Path) return;
  std::unique_ptr<THtPathDX> temp;
  THtPathDX* p = dxPath(Path, temp);
  if (Brush->Kind != hbSolid || (Brush->Color() >> 24) != 0) {
    auto b = GetD2DBrush(Brush);
    FContext->FillGeometry(p->Geometry.get(), b.get());
  }
}


std::shared_ptr<ID2D1Bitmap> THtCanvasDX::BitmapToD2DBitmap(gdi::HBITMAP Bitmap, bool HasAlpha) {
  if (!FContext || !Bitmap) return nullptr;
  core::TCoreSurface& s = Bitmap->Surface;
  s.Flush();
  int w = s.Width(), h = s.Height();
  // Top row first, whatever order the bitmap keeps its rows in.
  std::vector<uint8_t> rows(size_t(w) * size_t(h) * 4);
  for (int y = 0; y < h; ++y) std::memcpy(rows.data() + size_t(y) * w * 4, s.ScanLine(y), size_t(w) * 4);
  D2D1_BITMAP_PROPERTIES props;
  props.pixelFormat =
      D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, HasAlpha ? D2D1_ALPHA_MODE_PREMULTIPLIED : D2D1_ALPHA_MODE_IGNORE);
  std::shared_ptr<ID2D1Bitmap> b;
  if (FAILED(FContext->CreateBitmap({UINT32(w), UINT32(h)}, rows.data(), UINT32(w) * 4, props, &b))) return nullptr;
  return b;
}

void THtCanvasDX::drawControl(unsigned Kind, int W, int H, const d2d::RECT& Inner, const D2D1_RECT_F& Dest,
                              bool Checked, bool Active, bool HOver, bool Disabled) {
  if (!SurfaceWithinBudget(W, H)) return;
  gdi::HBITMAP bmp = gdi::CreateDIBSection32(W, H, nullptr);
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::SelectObject(dc, bmp);
  unsigned state = Kind | (Checked ? gdi::DFCS_CHECKED | gdi::DFCS_HOT : 0) | (Active ? gdi::DFCS_PUSHED : 0) |
                   (HOver ? gdi::DFCS_HOT : 0) | (Disabled ? gdi::DFCS_INACTIVE : 0);
  gdi::RECT r{Inner.left, Inner.top, Inner.right, Inner.bottom};
  gdi::DrawFrameControl(dc, &r, gdi::DFC_BUTTON, state);
  // Everything drawn is opaque; the untouched black background stays clear.
  core::TCoreSurface& s = bmp->Surface;
  s.Flush();
  THtPixelMap map;
  map.Bits = s.ScanLine(0);
  map.Width = W;
  map.Height = H;
  map.Stride = s.Stride();
  SetBitmapAlphaExcept(map, 255, 0);
  s.MarkDirty();
  auto b = BitmapToD2DBitmap(bmp);
  if (b) FContext->DrawBitmap(b.get(), &Dest, 1, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  gdi::DeleteDC(dc);
  gdi::DeleteObject(bmp);
}

void THtCanvasDX::DrawCheck(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) {
  if (!drawing()) return;
  TRect ir = RectFToRect(R);
  ir.Right += 2;
  ir.Bottom += 2;
  int w = RoundHalfEven(float(int64_t(ir.Right) - ir.Left) * DPI / 96.0f);
  int h = RoundHalfEven(float(int64_t(ir.Bottom) - ir.Top) * DPI / 96.0f);
  drawControl(gdi::DFCS_BUTTONCHECK, w, h, {1, 1, w - 1, h - 1},
              {float(ir.Left), float(ir.Top), float(ir.Right - 1), float(ir.Bottom - 1)}, Checked, Active, HOver,
              Disabled);
}

void THtCanvasDX::DrawRadio(const TRectF& R, int, bool Checked, bool Active, bool HOver, bool Disabled) {
  if (!drawing()) return;
  TRect ir = RectFToRect(R);
  int w = int(int64_t(ir.Right) - ir.Left), h = int(int64_t(ir.Bottom) - ir.Top);
  drawControl(gdi::DFCS_BUTTONRADIO, w, h, {0, 0, w, h},
              {float(ir.Left), float(ir.Top), float(ir.Right), float(ir.Bottom)}, Checked, Active, HOver, Disabled);
}

bool THtCanvasDX::Print(THtObject*, StringView) {
  throw Exception(String(u"Use HtDefaultCanvasClass.PrintCanvasClass for creating print documents"));
}

float THtCanvasDX::CurrentScale() const { return FCurrentMatrix.Data[THtMatrixData::m11]; }

void THtCanvasDX::Clear(uint32_t AColor) {
  if (!drawing()) return;
  D2D1_COLOR_F c = colorF(AColor > 0x00FFFFFF ? AColor : (AColor | 0xFF000000u));
  FContext->Clear(&c);
}

}  // namespace ht
