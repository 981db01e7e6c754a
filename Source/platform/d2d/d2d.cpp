// Direct2D over the drawing core: geometries, brushes, stroke styles,
// render targets with clips and layers, bitmaps, factories.
#include "platform/d2d/d2d.h"

#include "platform/d2d/wic.h"

#include <cairo.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace ht::d2d {

namespace {

const double kPi = 3.14159265358979323846;

core::TCoreExtend extendOf(D2D1_EXTEND_MODE m) {
  return m == D2D1_EXTEND_MODE_WRAP ? core::exRepeat : m == D2D1_EXTEND_MODE_MIRROR ? core::exReflect : core::exPad;
}

// A scratch context for hit tests and bounds (user space = identity).
core::TCoreContext& scratch() {
  thread_local core::TCoreSurface surface(1, 1);
  thread_local core::TCoreContext ctx(surface);
  return ctx;
}

core::TCorePath transformed(const core::TCorePath& P, const D2D1_MATRIX_3X2_F* M) {
  core::TCorePath r = P;
  if (M) r.Transform(ToCore(*M));
  return r;
}

std::string num(double v) { return core::TraceNum(v); }

HRESULT nextFaultEndDraw() {
  auto& q = D2DFaults().EndDraw;
  if (q.empty()) return S_OK;
  HRESULT h = q.front();
  q.pop_front();
  return h;
}

void ellipsePath(core::TCorePath& P, float cx, float cy, float rx, float ry) {
  P.Arc(cx - rx, cy - ry, 2 * rx, 2 * ry, 0, 360, false);
  P.Close();
}

void roundRectPath(core::TCorePath& P, const D2D1_ROUNDED_RECT& R) {
  float l = std::min(R.rect.left, R.rect.right), r = std::max(R.rect.left, R.rect.right);
  float t = std::min(R.rect.top, R.rect.bottom), b = std::max(R.rect.top, R.rect.bottom);
  float rx = std::clamp(std::fabs(R.radiusX), 0.0f, (r - l) / 2), ry = std::clamp(std::fabs(R.radiusY), 0.0f, (b - t) / 2);
  if (rx <= 0 || ry <= 0) {
    P.Rectangle(l, t, r - l, b - t);
    return;
  }
  P.MoveTo(l + rx, t);
  P.LineTo(r - rx, t);
  P.Arc(r - 2 * rx, t, 2 * rx, 2 * ry, 270, 90, true);
  P.LineTo(r, b - ry);
  P.Arc(r - 2 * rx, b - 2 * ry, 2 * rx, 2 * ry, 0, 90, true);
  P.LineTo(l + rx, b);
  P.Arc(l, b - 2 * ry, 2 * rx, 2 * ry, 90, 90, true);
  P.LineTo(l, t + ry);
  P.Arc(l, t, 2 * rx, 2 * ry, 180, 90, true);
  P.Close();
}

core::TCorePath rectPath(const D2D1_RECT_F& R) {
  core::TCorePath p;
  p.MoveTo(R.left, R.top);
  p.LineTo(R.right, R.top);
  p.LineTo(R.right, R.bottom);
  p.LineTo(R.left, R.bottom);
  p.Close();
  return p;
}

std::vector<core::TCoreStop> coreStops(const ID2D1GradientStopCollection* C, float Opacity) {
  std::vector<core::TCoreStop> r;
  if (!C) return r;
  for (const auto& s : C->Stops) {
    D2D1_COLOR_F c = s.color;
    c.a *= Opacity;
    r.push_back({std::clamp(double(s.position), 0.0, 1.0), ToArgb(c)});
  }
  std::stable_sort(r.begin(), r.end(), [](const core::TCoreStop& a, const core::TCoreStop& b) {
    return a.Offset < b.Offset;
  });
  return r;
}

}  // namespace

core::TCoreMatrix ToCore(const D2D1_MATRIX_3X2_F& M) { return {M._11, M._12, M._21, M._22, M._31, M._32}; }

uint32_t ToArgb(const D2D1_COLOR_F& C) {
  auto byte = [](float v) -> uint32_t {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return uint32_t(std::lround(v * 255));
  };
  return byte(C.a) << 24 | byte(C.r) << 16 | byte(C.g) << 8 | byte(C.b);
}

// ---------------------------------------------------------------- stroke styles

ID2D1StrokeStyle::ID2D1StrokeStyle(const D2D1_STROKE_STYLE_PROPERTIES& P, const float* D, UINT32 Count)
    : Props(P) {
  if (D && P.dashStyle == D2D1_DASH_STYLE_CUSTOM) Dashes.assign(D, D + Count);
}

core::TCoreStroke ID2D1StrokeStyle::ToCore(float Width) const {
  core::TCoreStroke s;
  s.Width = Width;
  auto cap = [](D2D1_CAP_STYLE c) {
    return c == D2D1_CAP_STYLE_SQUARE ? core::lcSquareCap : c == D2D1_CAP_STYLE_ROUND ? core::lcRoundCap : core::lcButt;
  };
  s.Cap = cap(Props.startCap);
  s.Join = Props.lineJoin == D2D1_LINE_JOIN_BEVEL  ? core::ljBevelJoin
           : Props.lineJoin == D2D1_LINE_JOIN_ROUND ? core::ljRoundJoin
                                                    : core::ljMiterJoin;
  // Direct2D's limit is against half the stroke width, cairo's against all of it.
  s.MiterLimit = std::max(1.0f, Props.miterLimit) / 2;
  if (s.MiterLimit < 1) s.MiterLimit = 1;
  std::vector<float> pattern;
  switch (Props.dashStyle) {
    case D2D1_DASH_STYLE_DASH: pattern = {2, 2}; break;
    case D2D1_DASH_STYLE_DOT: pattern = {0, 2}; break;
    case D2D1_DASH_STYLE_DASH_DOT: pattern = {2, 2, 0, 2}; break;
    case D2D1_DASH_STYLE_DASH_DOT_DOT: pattern = {2, 2, 0, 2, 0, 2}; break;
    case D2D1_DASH_STYLE_CUSTOM: pattern = Dashes; break;
    default: break;
  }
  if (pattern.empty()) return s;
  // A capped dash reaches half a width beyond each end; the gaps shrink by as much.
  bool capped = Props.dashCap != D2D1_CAP_STYLE_FLAT;
  float w = std::max(Width, 1e-3f);
  for (size_t i = 0; i < pattern.size(); ++i) {
    double len = double(pattern[i]) * w;
    if (capped) len += (i % 2 == 0) ? w : -w;
    s.Dashes.push_back(std::max(0.0, len));
  }
  s.DashOffset = Props.dashOffset * w + (capped ? w / 2 : 0);
  return s;
}

// ---------------------------------------------------------------- geometries

HRESULT ID2D1Geometry::GetBounds(const D2D1_MATRIX_3X2_F* M, D2D1_RECT_F* B) const {
  if (!Ready()) return D2DERR_WRONG_STATE;
  if (FPath.Empty()) {
    *B = {FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX};
    return S_OK;
  }
  core::TCorePath p = transformed(FPath, M);
  if (!p.IsFinite()) {
    // Cairo is never handed such points; the bounds are as unusable as they.
    TRectF r;
    p.Bounds(r);
    *B = {r.Left, r.Top, r.Right, r.Bottom};
    return S_OK;
  }
  cairo_t* cr = scratch().Handle();
  cairo_identity_matrix(cr);
  p.Apply(cr);
  double x1, y1, x2, y2;
  cairo_path_extents(cr, &x1, &y1, &x2, &y2);
  cairo_new_path(cr);
  if (x1 == 0 && y1 == 0 && x2 == 0 && y2 == 0) {
    // A lone point has no extents in cairo; its own position bounds it.
    TRectF r;
    p.Bounds(r);
    *B = {r.Left, r.Top, r.Right, r.Bottom};
    return S_OK;
  }
  *B = {float(x1), float(y1), float(x2), float(y2)};
  return S_OK;
}

HRESULT ID2D1Geometry::FillContainsPoint(D2D1_POINT_2F Pt, const D2D1_MATRIX_3X2_F* M, float, BOOL* Contains) const {
  *Contains = 0;
  if (!Ready()) return D2DERR_WRONG_STATE;
  cairo_identity_matrix(scratch().Handle());
  *Contains = scratch().InFill(transformed(FPath, M), Pt.x, Pt.y);
  return S_OK;
}

HRESULT ID2D1Geometry::StrokeContainsPoint(D2D1_POINT_2F Pt, float Width, ID2D1StrokeStyle* Style,
                                           const D2D1_MATRIX_3X2_F* M, float, BOOL* Contains) const {
  *Contains = 0;
  if (!Ready()) return D2DERR_WRONG_STATE;
  core::TCoreStroke s = Style ? Style->ToCore(Width) : core::TCoreStroke();
  s.Width = Width;
  cairo_identity_matrix(scratch().Handle());
  *Contains = scratch().InStroke(transformed(FPath, M), s, Pt.x, Pt.y);
  return S_OK;
}

ID2D1RoundedRectangleGeometry::ID2D1RoundedRectangleGeometry(const D2D1_ROUNDED_RECT& R) : Rect(R) {
  FPath.FillRule = core::frWinding;
  roundRectPath(FPath, R);
}

HRESULT ID2D1PathGeometry::Open(std::shared_ptr<ID2D1GeometrySink>* Sink) {
  Sink->reset();
  if (FOpened) return D2DERR_WRONG_STATE;
  FOpened = true;
  *Sink = std::make_shared<ID2D1GeometrySink>(shared_from_this());
  return S_OK;
}

HRESULT ID2D1PathGeometry::GetFigureCount(UINT32* Count) const {
  if (!FClosed) return D2DERR_WRONG_STATE;
  *Count = FFigures;
  return S_OK;
}

bool ID2D1GeometrySink::usable() {
  if (FClosed && FError == S_OK) FError = D2DERR_WRONG_STATE;
  return FError == S_OK;
}

void ID2D1GeometrySink::SetFillMode(D2D1_FILL_MODE Mode) {
  if (!usable()) return;
  FPath.FillRule = Mode == D2D1_FILL_MODE_WINDING ? core::frWinding : core::frEvenOdd;
}

void ID2D1GeometrySink::BeginFigure(D2D1_POINT_2F Start, D2D1_FIGURE_BEGIN) {
  if (!usable()) return;
  if (FInFigure) {
    FError = D2DERR_WRONG_STATE;
    return;
  }
  FInFigure = true;
  ++FFigures;
  FPath.MoveTo(Start.x, Start.y);
}

void ID2D1GeometrySink::AddLine(D2D1_POINT_2F P) {
  if (!usable()) return;
  if (!FInFigure) {
    FError = D2DERR_WRONG_STATE;
    return;
  }
  FPath.LineTo(P.x, P.y);
}

void ID2D1GeometrySink::AddBezier(const D2D1_BEZIER_SEGMENT& B) {
  if (!usable()) return;
  if (!FInFigure) {
    FError = D2DERR_WRONG_STATE;
    return;
  }
  FPath.CurveTo(B.point1.x, B.point1.y, B.point2.x, B.point2.y, B.point3.x, B.point3.y);
}

void ID2D1GeometrySink::AddArc(const D2D1_ARC_SEGMENT& A) {
  if (!usable()) return;
  if (!FInFigure) {
    FError = D2DERR_WRONG_STATE;
    return;
  }
  TPointF p0 = FPath.CurrentPoint();
  double x1 = p0.X, y1 = p0.Y, x2 = A.point.x, y2 = A.point.y;
  if (x1 == x2 && y1 == y2) return;
  double rx = std::fabs(A.size.width), ry = std::fabs(A.size.height);
  if (!(rx > 0) || !(ry > 0) || !std::isfinite(rx) || !std::isfinite(ry)) {
    FPath.LineTo(A.point.x, A.point.y);
    return;
  }
  // Endpoint form to centre form (rotation phi).
  double phi = double(A.rotationAngle) * kPi / 180, cp = std::cos(phi), sp = std::sin(phi);
  double dx2 = (x1 - x2) / 2, dy2 = (y1 - y2) / 2;
  double x1p = cp * dx2 + sp * dy2, y1p = -sp * dx2 + cp * dy2;
  double lambda = x1p * x1p / (rx * rx) + y1p * y1p / (ry * ry);
  if (lambda > 1) {
    double s = std::sqrt(lambda);
    rx *= s;
    ry *= s;
  }
  bool large = A.arcSize == D2D1_ARC_SIZE_LARGE, cw = A.sweepDirection == D2D1_SWEEP_DIRECTION_CLOCKWISE;
  double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
  double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
  double coef = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
  if (large == cw) coef = -coef;
  double cxp = coef * rx * y1p / ry, cyp = -coef * ry * x1p / rx;
  double cx = cp * cxp - sp * cyp + (x1 + x2) / 2, cy = sp * cxp + cp * cyp + (y1 + y2) / 2;
  auto angle = [](double ux, double uy, double vx, double vy) {
    return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
  };
  double t1 = angle(1, 0, (x1p - cxp) / rx, (y1p - cyp) / ry);
  double dt = angle((x1p - cxp) / rx, (y1p - cyp) / ry, (-x1p - cxp) / rx, (-y1p - cyp) / ry);
  if (!cw && dt > 0) dt -= 2 * kPi;
  if (cw && dt < 0) dt += 2 * kPi;
  int segs = std::max(1, int(std::ceil(std::fabs(dt) / (kPi / 2) - 1e-9)));
  double step = dt / segs, k = 4.0 / 3.0 * std::tan(step / 4);
  auto pt = [&](double t, double& x, double& y, double& tx, double& ty) {
    double ex = rx * std::cos(t), ey = ry * std::sin(t);
    x = cx + cp * ex - sp * ey;
    y = cy + sp * ex + cp * ey;
    double dx = -rx * std::sin(t), dy = ry * std::cos(t);
    tx = cp * dx - sp * dy;
    ty = sp * dx + cp * dy;
  };
  for (int i = 0; i < segs; ++i) {
    double a = t1 + i * step, b = a + step, ax, ay, atx, aty, bx, by, btx, bty;
    pt(a, ax, ay, atx, aty);
    pt(b, bx, by, btx, bty);
    if (i == segs - 1) {
      bx = x2;
      by = y2;
    }
    FPath.CurveTo(float(ax + k * atx), float(ay + k * aty), float(bx - k * btx), float(by - k * bty), float(bx),
                  float(by));
  }
}

void ID2D1GeometrySink::EndFigure(D2D1_FIGURE_END End) {
  if (!usable()) return;
  if (!FInFigure) {
    FError = D2DERR_WRONG_STATE;
    return;
  }
  FInFigure = false;
  if (End == D2D1_FIGURE_END_CLOSED) FPath.Close();
}

HRESULT ID2D1GeometrySink::Close() {
  if (FClosed) return D2DERR_WRONG_STATE;
  if (FInFigure && FError == S_OK) FError = D2DERR_WRONG_STATE;
  FClosed = true;
  if (FError != S_OK) return FError;
  FGeometry->FPath = std::move(FPath);
  FGeometry->FFigures = FFigures;
  FGeometry->FClosed = true;
  return S_OK;
}

// ---------------------------------------------------------------- bitmaps and brushes

D2D1_SIZE_F ID2D1Bitmap::GetSize() const { return {float(Surface->Width()), float(Surface->Height())}; }
D2D1_SIZE_U ID2D1Bitmap::GetPixelSize() const { return {UINT32(Surface->Width()), UINT32(Surface->Height())}; }

HRESULT ID2D1Bitmap::CopyFromRenderTarget(const D2D1_POINT_2U* DestPoint, ID2D1RenderTarget* Target,
                                          const D2D1_RECT_U* SrcRect) {
  if (!Target) return E_INVALIDARG;
  TRect area;
  core::TCoreSurface* src = Target->TargetSurface(area);
  if (!src) return S_OK;
  D2D1_RECT_U r = SrcRect ? *SrcRect : D2D1_RECT_U{0, 0, UINT32(area.Right - area.Left), UINT32(area.Bottom - area.Top)};
  if (r.right < r.left || r.bottom < r.top) return E_INVALIDARG;
  int dx = DestPoint ? int(DestPoint->x) : 0, dy = DestPoint ? int(DestPoint->y) : 0;
  src->Flush();
  Surface->Flush();
  for (int y = 0; y < int(r.bottom - r.top); ++y) {
    int sy = area.Top + int(r.top) + y, ty = dy + y;
    if (sy < 0 || sy >= src->Height() || ty < 0 || ty >= Surface->Height()) continue;
    for (int x = 0; x < int(r.right - r.left); ++x) {
      int sx = area.Left + int(r.left) + x, tx = dx + x;
      if (sx < 0 || sx >= src->Width() || tx < 0 || tx >= Surface->Width()) continue;
      uint8_t* d = Surface->ScanLine(ty) + size_t(tx) * 4;
      std::memcpy(d, src->ScanLine(sy) + size_t(sx) * 4, 4);
      if (AlphaMode == D2D1_ALPHA_MODE_IGNORE) d[3] = 0xFF;
    }
  }
  Surface->MarkDirty();
  return S_OK;
}

void ID2D1SolidColorBrush::SetColor(const D2D1_COLOR_F& C) {
  D2DTrace().Add("SetColor");
  FColor = C;
}

core::TCorePaint ID2D1SolidColorBrush::ToPaint() const {
  D2D1_COLOR_F c = FColor;
  c.a *= Opacity;
  return core::TCorePaint::Solid(ToArgb(c));
}

core::TCorePaint ID2D1LinearGradientBrush::ToPaint() const {
  core::TCorePaint p;
  p.Kind = core::pkLinear;
  p.P0 = TPointF(Props.startPoint.x, Props.startPoint.y);
  p.P1 = TPointF(Props.endPoint.x, Props.endPoint.y);
  p.Stops = coreStops(Stops.get(), Opacity);
  p.ExtendX = p.ExtendY = extendOf(Stops ? Stops->Extend : D2D1_EXTEND_MODE_CLAMP);
  p.Matrix = ToCore(Transform);
  return p;
}

core::TCorePaint ID2D1RadialGradientBrush::ToPaint() const {
  core::TCorePaint p;
  p.Kind = core::pkRadial;
  float rx = Props.radiusX, ry = Props.radiusY;
  // Pattern space holds a circle of radius rx; the y axis is stretched to ry.
  float sy = rx != 0 ? ry / rx : 1;
  p.P0 = TPointF(Props.gradientOriginOffset.x, sy != 0 ? Props.gradientOriginOffset.y / sy : 0);
  p.P1 = TPointF(0, 0);
  p.R0 = 0;
  p.R1 = rx;
  p.Stops = coreStops(Stops.get(), Opacity);
  p.ExtendX = p.ExtendY = extendOf(Stops ? Stops->Extend : D2D1_EXTEND_MODE_CLAMP);
  p.Matrix = ToCore(Transform).After(
      core::TCoreMatrix::Translation(Props.center.x, Props.center.y).After(core::TCoreMatrix::Scaling(1, sy)));
  return p;
}

core::TCorePaint ID2D1BitmapBrush::ToPaint() const {
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = Bitmap ? Bitmap->Surface.get() : nullptr;
  p.ExtendX = extendOf(Props.extendModeX);
  p.ExtendY = extendOf(Props.extendModeY);
  p.Matrix = ToCore(Transform);
  p.Smooth = Props.interpolationMode == D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
  if (!p.Surface) return core::TCorePaint::Solid(0);
  return p;
}

// ---------------------------------------------------------------- render targets

ID2D1RenderTarget::ID2D1RenderTarget() = default;
ID2D1RenderTarget::~ID2D1RenderTarget() = default;

HRESULT ID2D1RenderTarget::CreateSolidColorBrush(const D2D1_COLOR_F& Color, const D2D1_BRUSH_PROPERTIES* Props,
                                                 std::shared_ptr<ID2D1SolidColorBrush>* Brush) {
  auto b = std::make_shared<ID2D1SolidColorBrush>();
  b->SetColor(Color);
  if (Props) {
    b->Opacity = Props->opacity;
    b->Transform = Props->transform;
  }
  *Brush = b;
  return S_OK;
}

HRESULT ID2D1RenderTarget::CreateGradientStopCollection(const D2D1_GRADIENT_STOP* Stops, UINT32 Count,
                                                        D2D1_GAMMA Gamma, D2D1_EXTEND_MODE Extend,
                                                        std::shared_ptr<ID2D1GradientStopCollection>* Collection) {
  Collection->reset();
  if (!Stops || Count == 0) return E_INVALIDARG;
  auto c = std::make_shared<ID2D1GradientStopCollection>();
  c->Stops.assign(Stops, Stops + Count);
  c->Gamma = Gamma;
  c->Extend = Extend;
  *Collection = c;
  return S_OK;
}

HRESULT ID2D1RenderTarget::CreateLinearGradientBrush(const D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES& LProps,
                                                     const D2D1_BRUSH_PROPERTIES* Props,
                                                     std::shared_ptr<ID2D1GradientStopCollection> Stops,
                                                     std::shared_ptr<ID2D1LinearGradientBrush>* Brush) {
  Brush->reset();
  if (!Stops) return E_INVALIDARG;
  auto b = std::make_shared<ID2D1LinearGradientBrush>();
  b->Props = LProps;
  b->Stops = std::move(Stops);
  if (Props) {
    b->Opacity = Props->opacity;
    b->Transform = Props->transform;
  }
  *Brush = b;
  return S_OK;
}

HRESULT ID2D1RenderTarget::CreateRadialGradientBrush(const D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES& RProps,
                                                     const D2D1_BRUSH_PROPERTIES* Props,
                                                     std::shared_ptr<ID2D1GradientStopCollection> Stops,
                                                     std::shared_ptr<ID2D1RadialGradientBrush>* Brush) {
  Brush->reset();
  if (!Stops) return E_INVALIDARG;
  auto b = std::make_shared<ID2D1RadialGradientBrush>();
  b->Props = RProps;
  b->Stops = std::move(Stops);
  if (Props) {
    b->Opacity = Props->opacity;
    b->Transform = Props->transform;
  }
  *Brush = b;
  return S_OK;
}

HRESULT ID2D1RenderTarget::CreateBitmap(D2D1_SIZE_U Size, const void* Src, UINT32 Pitch,
                                        const D2D1_BITMAP_PROPERTIES& Props, std::shared_ptr<ID2D1Bitmap>* Bitmap) {
  Bitmap->reset();
  if (Props.pixelFormat.format != DXGI_FORMAT_B8G8R8A8_UNORM) return E_INVALIDARG;
  if (!SurfaceWithinBudget(Size.width, Size.height)) return E_OUTOFMEMORY;
  int w = int(Size.width), h = int(Size.height);
  if (Src && Pitch < UINT32(w) * 4) return E_INVALIDARG;
  auto s = std::make_shared<core::TCoreSurface>(w, h);
  if (Src) {
    const uint8_t* p = static_cast<const uint8_t*>(Src);
    for (int y = 0; y < h; ++y) std::memcpy(s->ScanLine(y), p + size_t(y) * Pitch, size_t(w) * 4);
  }
  if (Props.pixelFormat.alphaMode == D2D1_ALPHA_MODE_IGNORE)
    for (int y = 0; y < h; ++y) {
      uint8_t* row = s->ScanLine(y);
      for (int x = 0; x < w; ++x) row[x * 4 + 3] = 0xFF;
    }
  s->MarkDirty();
  *Bitmap = std::make_shared<ID2D1Bitmap>(s, Props.pixelFormat.alphaMode);
  return S_OK;
}

HRESULT ID2D1RenderTarget::CreateBitmapBrush(std::shared_ptr<ID2D1Bitmap> Bitmap,
                                             const D2D1_BITMAP_BRUSH_PROPERTIES* BProps,
                                             const D2D1_BRUSH_PROPERTIES* Props,
                                             std::shared_ptr<ID2D1BitmapBrush>* Brush) {
  auto b = std::make_shared<ID2D1BitmapBrush>();
  b->Bitmap = std::move(Bitmap);
  if (BProps) b->Props = *BProps;
  if (Props) {
    b->Opacity = Props->opacity;
    b->Transform = Props->transform;
  }
  *Brush = b;
  return S_OK;
}

HRESULT ID2D1RenderTarget::CreateLayer(const D2D1_SIZE_F*, std::shared_ptr<ID2D1Layer>* Layer) {
  D2DTrace().Add("CreateLayer");
  *Layer = std::make_shared<ID2D1Layer>();
  return S_OK;
}

void ID2D1RenderTarget::fail(HRESULT Hr) {
  if (FError == S_OK) FError = Hr;
}

bool ID2D1RenderTarget::ready() {
  if (!FDrawing) return false;
  return FError == S_OK && FCtx && !FCtx->InError();
}

void ID2D1RenderTarget::applyState() {
  if (FApplied) return;
  FApplied = true;
  FCtx->SetMatrix(core::TCoreMatrix::Translation(FArea.Left, FArea.Top).After(ToCore(FTransform)));
  FCtx->SetAntialias(FAntialias == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
}

D2D1_SIZE_F ID2D1RenderTarget::GetSize() {
  TRect a;
  if (!TargetSurface(a)) return {};
  return {float(a.Right - a.Left), float(a.Bottom - a.Top)};
}

void ID2D1RenderTarget::BeginDraw() {
  D2DTrace().Add("BeginDraw");
  if (FDrawing) {
    fail(D2DERR_WRONG_STATE);
    return;
  }
  FDrawing = true;
  FApplied = false;
  FError = S_OK;
  FPushes.clear();
  FCtx.reset();
  FSurface = TargetSurface(FArea);
  if (FSurface && FArea.Right > FArea.Left && FArea.Bottom > FArea.Top) {
    FCtx = std::make_unique<core::TCoreContext>(*FSurface);
    FCtx->ClipDeviceRect(TRectF(FArea.Left, FArea.Top, FArea.Right, FArea.Bottom));
  }
}

HRESULT ID2D1RenderTarget::EndDraw(uint64_t*, uint64_t*) {
  D2DTrace().Add("EndDraw");
  if (!FDrawing) return D2DERR_WRONG_STATE;
  FDrawing = false;
  if (!FPushes.empty()) fail(D2DERR_PUSH_POP_UNBALANCED);
  FPushes.clear();
  FCtx.reset();
  if (FSurface && FSurface->Stride() != 0) FSurface->MarkDirty();  // a recording has no pixels
  FSurface = nullptr;
  HRESULT injected = nextFaultEndDraw();
  HRESULT r = FError != S_OK ? FError : injected;
  FError = S_OK;
  return r;
}

void ID2D1RenderTarget::SetTransform(const D2D1_MATRIX_3X2_F& M) {
  if (D2DTrace().Enabled)
    D2DTrace().Add("SetTransform(" + num(M._11) + "," + num(M._12) + "," + num(M._21) + "," + num(M._22) + "," +
                   num(M._31) + "," + num(M._32) + ")");
  FTransform = M;
  FApplied = false;
}

void ID2D1RenderTarget::SetAntialiasMode(D2D1_ANTIALIAS_MODE Mode) {
  FAntialias = Mode;
  FApplied = false;
}

void ID2D1RenderTarget::PushAxisAlignedClip(const D2D1_RECT_F& R, D2D1_ANTIALIAS_MODE Mode) {
  if (D2DTrace().Enabled)
    D2DTrace().Add("PushAxisAlignedClip(" + num(R.left) + "," + num(R.top) + "," + num(R.right) + "," +
                   num(R.bottom) + (Mode == D2D1_ANTIALIAS_MODE_ALIASED ? ",aliased)" : ",antialiased)"));
  if (!FDrawing) return;
  FPushes.push_back({false, {}, 1, false, {}});
  if (!FCtx) return;
  FApplied = false;
  FCtx->Save();
  // The clip is the device-space bounds of the transformed rectangle.
  core::TCoreMatrix m = core::TCoreMatrix::Translation(FArea.Left, FArea.Top).After(ToCore(FTransform));
  TPointF p[4] = {m.Map(R.left, R.top), m.Map(R.right, R.top), m.Map(R.right, R.bottom), m.Map(R.left, R.bottom)};
  float l = p[0].X, t = p[0].Y, r = p[0].X, b = p[0].Y;
  for (auto& q : p) {
    l = std::min(l, q.X);
    t = std::min(t, q.Y);
    r = std::max(r, q.X);
    b = std::max(b, q.Y);
  }
  if (Mode == D2D1_ANTIALIAS_MODE_ALIASED) {
    // A pixel is inside when its centre is.
    l = std::floor(l + 0.5f);
    t = std::floor(t + 0.5f);
    r = std::floor(r + 0.5f);
    b = std::floor(b + 0.5f);
  }
  if (!(r > l) || !(b > t)) {
    r = l;
    b = t;
  }
  FCtx->SetAntialias(Mode == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  FCtx->ClipDeviceRect(TRectF(l, t, r, b));
}

void ID2D1RenderTarget::PopAxisAlignedClip() {
  D2DTrace().Add("PopAxisAlignedClip");
  if (!FDrawing) return;
  if (FPushes.empty() || FPushes.back().Layer) {
    fail(D2DERR_POP_CALL_DID_NOT_MATCH_PUSH);
    return;
  }
  FPushes.pop_back();
  FApplied = false;
  if (FCtx) FCtx->Restore();
}

void ID2D1RenderTarget::PushLayer(const D2D1_LAYER_PARAMETERS& P, ID2D1Layer*) {
  D2DTrace().Add(P.geometricMask ? "PushLayer(mask)" : "PushLayer");
  if (!FDrawing) return;
  TPush push{true, {}, P.opacity, false, {}};
  if (P.opacityBrush) {
    push.HasMask = true;
    push.Mask = P.opacityBrush->ToPaint();
  }
  if (FCtx) push.Matrix = core::TCoreMatrix::Translation(FArea.Left, FArea.Top).After(ToCore(FTransform));
  FPushes.push_back(push);
  if (!FCtx) return;
  FApplied = false;
  if (P.geometricMask && !P.geometricMask->Ready()) fail(D2DERR_WRONG_STATE);
  FCtx->Save();
  FCtx->SetMatrix(push.Matrix);
  FCtx->SetAntialias(false);
  FCtx->ClipPath(rectPath(P.contentBounds));
  if (P.geometricMask && P.geometricMask->Ready()) {
    FCtx->SetMatrix(push.Matrix.After(ToCore(P.maskTransform)));
    FCtx->SetAntialias(P.maskAntialiasMode == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
    FCtx->ClipPath(P.geometricMask->CorePath());
  }
  FCtx->PushGroup();
}

void ID2D1RenderTarget::PopLayer() {
  D2DTrace().Add("PopLayer");
  if (!FDrawing) return;
  if (FPushes.empty() || !FPushes.back().Layer) {
    fail(D2DERR_POP_CALL_DID_NOT_MATCH_PUSH);
    return;
  }
  TPush push = FPushes.back();
  FPushes.pop_back();
  if (!FCtx) return;
  FApplied = false;
  FCtx->SetMatrix(push.Matrix);
  if (push.HasMask)
    FCtx->PopGroupMasked(push.Mask);
  else
    FCtx->PopGroup(push.Opacity);
  FCtx->Restore();
}

void ID2D1RenderTarget::Clear(const D2D1_COLOR_F* Color) {
  D2DTrace().Add("Clear");
  if (!ready()) return;
  FCtx->Save();
  FCtx->SetOperator(core::opSource);
  FCtx->Paint(core::TCorePaint::Solid(Color ? ToArgb(*Color) : 0));
  FCtx->Restore();
}

void ID2D1RenderTarget::fillPath(const core::TCorePath& P, ID2D1Brush* Brush) {
  if (!Brush) return;
  applyState();
  if (auto* solid = dynamic_cast<ID2D1SolidColorBrush*>(Brush)) {
    // The common case, without a pattern object per fill.
    if (!FCtx->Check(P)) return;
    D2D1_COLOR_F c = solid->GetColor();
    float a = std::clamp(c.a * solid->Opacity, 0.0f, 1.0f);
    if (!FCtx->Check(c.r) || !FCtx->Check(c.g) || !FCtx->Check(c.b) || !FCtx->Check(a)) return;
    cairo_t* cr = FCtx->Handle();
    P.Apply(cr);
    cairo_set_source_rgba(cr, std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f), a);
    cairo_fill(cr);
    return;
  }
  core::TCorePaint paint = Brush->ToPaint();
  if (paint.Kind == core::pkSurface && Brush->Opacity != 1) {
    // A bitmap brush's opacity: the fill painted through a group.
    if (!FCtx->Check(Brush->Opacity)) return;
    const float opacity = Brush->Opacity;
    Brush->Opacity = 1;
    FCtx->PushGroup();
    fillPath(P, Brush);
    FCtx->PopGroup(std::clamp(opacity, 0.0f, 1.0f));
    Brush->Opacity = opacity;
    return;
  }
  bool mixed = paint.Kind == core::pkSurface && paint.ExtendX != paint.ExtendY &&
               (paint.ExtendX == core::exPad || paint.ExtendY == core::exPad);
  if (!mixed) {
    FCtx->Fill(P, paint);
    return;
  }
  // Cairo extends both axes alike. A bitmap clamped along one axis and
  // tiled along the other is painted in three bands across the clamped
  // axis: the bitmap itself tiled, and before and after it its first and
  // last line (one pixel thick, so tiling it is clamping it).
  const core::TCoreSurface& src = *paint.Surface;
  bool clampY = paint.ExtendY == core::exPad;
  int w = src.Width(), h = src.Height(), n = clampY ? h : w;
  core::TCoreExtend tile = clampY ? paint.ExtendX : paint.ExtendY;
  const float big = 1e6f;
  auto band = [&](float a, float b) {
    float x0 = clampY ? -big : a, x1 = clampY ? big : b, y0 = clampY ? a : -big, y1 = clampY ? b : big;
    const auto& M = paint.Matrix;
    core::TCorePath q;
    TPointF p0 = M.Map(x0, y0), p1 = M.Map(x1, y0), p2 = M.Map(x1, y1), p3 = M.Map(x0, y1);
    q.MoveTo(p0.X, p0.Y);
    q.LineTo(p1.X, p1.Y);
    q.LineTo(p2.X, p2.Y);
    q.LineTo(p3.X, p3.Y);
    q.Close();
    return q;
  };
  auto edge = [&](int index) {
    auto s = std::make_unique<core::TCoreSurface>(clampY ? w : 1, clampY ? 1 : h);
    const_cast<core::TCoreSurface&>(src).Flush();
    for (int y = 0; y < s->Height(); ++y)
      for (int x = 0; x < s->Width(); ++x)
        s->SetPixel(x, y, const_cast<core::TCoreSurface&>(src).Pixel(clampY ? x : index, clampY ? index : y));
    s->MarkDirty();
    return s;
  };
  auto paintBand = [&](const core::TCorePath& clip, const core::TCoreSurface* surface, const core::TCoreMatrix& M) {
    core::TCorePaint p = paint;
    p.Surface = const_cast<core::TCoreSurface*>(surface);
    p.ExtendX = p.ExtendY = tile;
    p.Matrix = M;
    FCtx->Save();
    FCtx->ClipPath(clip);
    FCtx->Fill(P, p);
    FCtx->Restore();
  };
  paintBand(band(0, float(n)), &src, paint.Matrix);
  auto first = edge(0), last = edge(n - 1);
  core::TCoreMatrix shift = clampY ? core::TCoreMatrix::Translation(0, n - 1) : core::TCoreMatrix::Translation(n - 1, 0);
  paintBand(band(-big, 0), first.get(), paint.Matrix);
  paintBand(band(float(n), big), last.get(), paint.Matrix.After(shift));
}

void ID2D1RenderTarget::strokePath(const core::TCorePath& P, ID2D1Brush* Brush, float Width,
                                   ID2D1StrokeStyle* Style) {
  if (!Brush) return;
  applyState();
  core::TCoreStroke s;
  if (Style)
    s = Style->ToCore(Width);
  else {
    s.Width = Width;
    s.MiterLimit = 5;  // Direct2D's default of 10 half-widths
  }
  FCtx->Stroke(P, s, Brush->ToPaint());
}

void ID2D1RenderTarget::DrawLine(D2D1_POINT_2F P0, D2D1_POINT_2F P1, ID2D1Brush* Brush, float Width,
                                 ID2D1StrokeStyle* Style) {
  if (D2DTrace().Enabled)
    D2DTrace().Add("DrawLine(" + num(P0.x) + "," + num(P0.y) + "," + num(P1.x) + "," + num(P1.y) + "," +
                   num(Width) + ")");
  if (!ready()) return;
  core::TCorePath p;
  p.MoveTo(P0.x, P0.y);
  p.LineTo(P1.x, P1.y);
  strokePath(p, Brush, Width, Style);
}

void ID2D1RenderTarget::DrawRectangle(const D2D1_RECT_F& R, ID2D1Brush* Brush, float Width,
                                      ID2D1StrokeStyle* Style) {
  if (D2DTrace().Enabled)
    D2DTrace().Add("DrawRectangle(" + num(R.left) + "," + num(R.top) + "," + num(R.right) + "," + num(R.bottom) +
                   "," + num(Width) + ")");
  if (!ready()) return;
  strokePath(rectPath(R), Brush, Width, Style);
}

void ID2D1RenderTarget::FillRectangle(const D2D1_RECT_F& R, ID2D1Brush* Brush) {
  if (D2DTrace().Enabled)
    D2DTrace().Add("FillRectangle(" + num(R.left) + "," + num(R.top) + "," + num(R.right) + "," + num(R.bottom) + ")");
  if (!ready()) return;
  FScratch.Clear();
  FScratch.MoveTo(R.left, R.top);
  FScratch.LineTo(R.right, R.top);
  FScratch.LineTo(R.right, R.bottom);
  FScratch.LineTo(R.left, R.bottom);
  FScratch.Close();
  fillPath(FScratch, Brush);
}

void ID2D1RenderTarget::DrawRoundedRectangle(const D2D1_ROUNDED_RECT& R, ID2D1Brush* Brush, float Width,
                                             ID2D1StrokeStyle* Style) {
  if (D2DTrace().Enabled)
    D2DTrace().Add("DrawRoundedRectangle(" + num(R.rect.left) + "," + num(R.rect.top) + "," + num(R.rect.right) +
                   "," + num(R.rect.bottom) + "," + num(Width) + ")");
  if (!ready()) return;
  core::TCorePath p;
  roundRectPath(p, R);
  strokePath(p, Brush, Width, Style);
}

void ID2D1RenderTarget::FillRoundedRectangle(const D2D1_ROUNDED_RECT& R, ID2D1Brush* Brush) {
  D2DTrace().Add("FillRoundedRectangle");
  if (!ready()) return;
  core::TCorePath p;
  roundRectPath(p, R);
  fillPath(p, Brush);
}

void ID2D1RenderTarget::DrawEllipse(const D2D1_ELLIPSE& E, ID2D1Brush* Brush, float Width, ID2D1StrokeStyle* Style) {
  D2DTrace().Add("DrawEllipse");
  if (!ready()) return;
  core::TCorePath p;
  ellipsePath(p, E.point.x, E.point.y, E.radiusX, E.radiusY);
  strokePath(p, Brush, Width, Style);
}

void ID2D1RenderTarget::FillEllipse(const D2D1_ELLIPSE& E, ID2D1Brush* Brush) {
  D2DTrace().Add("FillEllipse");
  if (!ready()) return;
  core::TCorePath p;
  ellipsePath(p, E.point.x, E.point.y, E.radiusX, E.radiusY);
  fillPath(p, Brush);
}

void ID2D1RenderTarget::DrawGeometry(ID2D1Geometry* G, ID2D1Brush* Brush, float Width, ID2D1StrokeStyle* Style) {
  D2DTrace().Add("DrawGeometry");
  if (!FDrawing || !G) return;
  if (!G->Ready()) {
    fail(D2DERR_WRONG_STATE);
    return;
  }
  if (!ready()) return;
  strokePath(G->CorePath(), Brush, Width, Style);
}

void ID2D1RenderTarget::FillGeometry(ID2D1Geometry* G, ID2D1Brush* Brush, ID2D1Brush* OpacityBrush) {
  D2DTrace().Add("FillGeometry");
  if (!FDrawing || !G) return;
  if (!G->Ready()) {
    fail(D2DERR_WRONG_STATE);
    return;
  }
  if (!ready() || !Brush) return;
  applyState();
  if (!OpacityBrush) {
    FCtx->Fill(G->CorePath(), Brush->ToPaint());
    return;
  }
  FCtx->Save();
  FCtx->ClipPath(G->CorePath());
  FCtx->PushGroup();
  FCtx->Paint(Brush->ToPaint());
  FCtx->PopGroupMasked(OpacityBrush->ToPaint());
  FCtx->Restore();
}

void ID2D1RenderTarget::DrawBitmap(ID2D1Bitmap* Bitmap, const D2D1_RECT_F* Dest, float Opacity,
                                   D2D1_BITMAP_INTERPOLATION_MODE Mode, const D2D1_RECT_F* Src) {
  if (D2DTrace().Enabled && Bitmap && Dest)
    D2DTrace().Add("DrawBitmap(" + std::to_string(Bitmap->Surface->Width()) + "x" +
                   std::to_string(Bitmap->Surface->Height()) + " -> " + num(Dest->left) + "," + num(Dest->top) +
                   "," + num(Dest->right) + "," + num(Dest->bottom) + ")");
  else
    D2DTrace().Add("DrawBitmap");
  if (!ready() || !Bitmap || Bitmap->Surface->Width() == 0) return;
  D2D1_SIZE_F size = Bitmap->GetSize();
  D2D1_RECT_F s = Src ? *Src : D2D1_RECT_F{0, 0, size.width, size.height};
  D2D1_RECT_F d = Dest ? *Dest : D2D1_RECT_F{0, 0, size.width, size.height};
  float sw = s.right - s.left, sh = s.bottom - s.top;
  if (!(sw > 0) || !(sh > 0)) return;
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = Bitmap->Surface.get();
  p.Smooth = Mode == D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
  p.Matrix = core::TCoreMatrix::Translation(d.left, d.top)
                 .After(core::TCoreMatrix::Scaling((d.right - d.left) / sw, (d.bottom - d.top) / sh))
                 .After(core::TCoreMatrix::Translation(-s.left, -s.top));
  applyState();
  FCtx->Save();
  FCtx->ClipPath(rectPath(d));
  FCtx->Paint(p, Opacity);
  FCtx->Restore();
}

HRESULT ID2D1DCRenderTarget::BindDC(gdi::HDC Dc, const RECT* R) {
  if (D2DTrace().Enabled && R)
    D2DTrace().Add("BindDC(" + std::to_string(R->left) + "," + std::to_string(R->top) + "," +
                   std::to_string(R->right) + "," + std::to_string(R->bottom) + ")");
  if (!Dc || !R) return E_INVALIDARG;
  if (FDrawing) return D2DERR_WRONG_STATE;
  FDc = Dc;
  FRect = *R;
  return S_OK;
}

core::TCoreSurface* ID2D1DCRenderTarget::TargetSurface(TRect& Area) {
  if (!FDc || !FDc->Bitmap || FRect.right <= FRect.left || FRect.bottom <= FRect.top) return nullptr;
  Area = TRect(FRect.left, FRect.top, FRect.right, FRect.bottom);
  core::TCoreSurface& s = FDc->Bitmap->Surface;
  return s.Width() > 0 ? &s : nullptr;
}

void ID2D1DeviceContext::SetTarget(std::shared_ptr<ID2D1Image> Target) { FTarget = std::move(Target); }

HRESULT ID2D1DeviceContext::CreateBitmapFromDxgiSurface(const std::shared_ptr<IDXGISurface1>& Surface,
                                                        const D2D1_BITMAP_PROPERTIES1* Props,
                                                        std::shared_ptr<ID2D1Bitmap1>* Bitmap) {
  Bitmap->reset();
  if (!Surface || !Surface->Surface) return E_INVALIDARG;
  if (Surface->Surface->Width() == 0) return E_INVALIDARG;  // no pixels to draw on
  auto b = std::make_shared<ID2D1Bitmap1>(Surface->Surface,
                                          Props ? Props->pixelFormat.alphaMode : D2D1_ALPHA_MODE_IGNORE);
  if (Props) b->Options = Props->bitmapOptions;
  *Bitmap = b;
  return S_OK;
}

core::TCoreSurface* ID2D1DeviceContext::TargetSurface(TRect& Area) {
  if (auto* list = dynamic_cast<ID2D1CommandList*>(FTarget.get())) {
    if (list->Closed()) return nullptr;
    Area = TRect(0, 0, kMaxSurfaceSide, kMaxSurfaceSide);
    return list->Recording.get();
  }
  auto* b = dynamic_cast<ID2D1Bitmap*>(FTarget.get());
  if (!b || !b->Surface || b->Surface->Width() == 0) return nullptr;
  Area = TRect(0, 0, b->Surface->Width(), b->Surface->Height());
  return b->Surface.get();
}

HRESULT ID2D1Device::CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS, std::shared_ptr<ID2D1DeviceContext>* Context) {
  D2DTrace().Add("CreateDeviceContext");
  Context->reset();
  if (D3DDevice && D3DDevice->Removed) return DXGI_ERROR_DEVICE_REMOVED;
  *Context = std::make_shared<ID2D1DeviceContext>();
  return S_OK;
}

HRESULT ID2D1Factory::CreatePathGeometry(std::shared_ptr<ID2D1PathGeometry>* Geometry) {
  *Geometry = std::make_shared<ID2D1PathGeometry>();
  return S_OK;
}

HRESULT ID2D1Factory::CreateRoundedRectangleGeometry(const D2D1_ROUNDED_RECT& R,
                                                     std::shared_ptr<ID2D1RoundedRectangleGeometry>* Geometry) {
  *Geometry = std::make_shared<ID2D1RoundedRectangleGeometry>(R);
  return S_OK;
}

HRESULT ID2D1Factory::CreateStrokeStyle(const D2D1_STROKE_STYLE_PROPERTIES& Props, const float* Dashes, UINT32 Count,
                                        std::shared_ptr<ID2D1StrokeStyle>* Style) {
  Style->reset();
  if (Props.dashStyle == D2D1_DASH_STYLE_CUSTOM && (!Dashes || Count == 0)) return E_INVALIDARG;
  if (Props.dashStyle != D2D1_DASH_STYLE_CUSTOM && Dashes && Count) return E_INVALIDARG;
  *Style = std::make_shared<ID2D1StrokeStyle>(Props, Dashes, Count);
  return S_OK;
}

HRESULT ID2D1Factory::CreateDCRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES& Props,
                                           std::shared_ptr<ID2D1DCRenderTarget>* Target) {
  D2DTrace().Add("CreateDCRenderTarget");
  Target->reset();
  if (Props.pixelFormat.format != DXGI_FORMAT_B8G8R8A8_UNORM) return E_INVALIDARG;
  *Target = std::make_shared<ID2D1DCRenderTarget>();
  return S_OK;
}

HRESULT ID2D1Factory1::CreateDevice(const std::shared_ptr<IDXGIDevice>& Device,
                                    std::shared_ptr<ID2D1Device>* D2DDevice) {
  D2DDevice->reset();
  auto d3d = std::dynamic_pointer_cast<ID3D11Device>(Device);
  if (!d3d) return E_INVALIDARG;
  *D2DDevice = std::make_shared<ID2D1Device>(d3d);
  return S_OK;
}

}  // namespace ht::d2d

namespace ht::d2d {

void ID2D1RenderTarget::DrawGlyphs(const core::TCoreFontFace& Face, float EmSize, const uint32_t* Glyphs,
                                   const TPointF* Positions, int Count, ID2D1Brush* Brush) {
  if (Count <= 0 || !Brush || !ready()) return;
  applyState();
  core::DrawGlyphRun(*FCtx, Face, EmSize, Glyphs, Positions, Count, Brush->ToPaint());
}

}  // namespace ht::d2d

// ---------------------------------------------------------------- images, command lists, effects

namespace ht::d2d {

HRESULT ID2D1Bitmap::CopyFromMemory(const D2D1_RECT_U* DstRect, const void* Src, UINT32 Pitch) {
  if (!Src) return E_INVALIDARG;
  const int w = Surface->Width(), h = Surface->Height();
  D2D1_RECT_U r = DstRect ? *DstRect : D2D1_RECT_U{0, 0, UINT32(w), UINT32(h)};
  if (r.right < r.left || r.bottom < r.top || r.right > UINT32(w) || r.bottom > UINT32(h)) return E_INVALIDARG;
  const size_t rowBytes = size_t(r.right - r.left) * 4;
  if (Pitch < rowBytes) return E_INVALIDARG;
  Surface->Flush();
  const uint8_t* p = static_cast<const uint8_t*>(Src);
  for (UINT32 y = r.top; y < r.bottom; ++y, p += Pitch) {
    uint8_t* d = Surface->ScanLine(int(y)) + size_t(r.left) * 4;
    std::memcpy(d, p, rowBytes);
    if (AlphaMode == D2D1_ALPHA_MODE_IGNORE)
      for (size_t x = 3; x < rowBytes; x += 4) d[x] = 0xFF;
  }
  Surface->MarkDirty();
  return S_OK;
}

HRESULT ID2D1RenderTarget::CreateBitmapFromWicBitmap(IWICBitmapSource* Source, const D2D1_BITMAP_PROPERTIES* Props,
                                                     std::shared_ptr<ID2D1Bitmap>* Bitmap) {
  D2DTrace().Add("CreateBitmapFromWicBitmap");
  Bitmap->reset();
  if (!Source) return E_INVALIDARG;
  WICPixelFormatGUID f;
  HRESULT hr = Source->GetPixelFormat(&f);
  if (FAILED(hr)) return hr;
  if (f != GUID_WICPixelFormat32bppPBGRA && f != GUID_WICPixelFormat32bppBGR) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (Props && Props->pixelFormat.format != DXGI_FORMAT_B8G8R8A8_UNORM) return E_INVALIDARG;
  auto s = ReadSourcePBGRA(Source, &hr);
  if (!s) return hr;
  D2D1_ALPHA_MODE mode = f == GUID_WICPixelFormat32bppBGR ? D2D1_ALPHA_MODE_IGNORE : D2D1_ALPHA_MODE_PREMULTIPLIED;
  if (Props && Props->pixelFormat.alphaMode != D2D1_ALPHA_MODE_UNKNOWN) mode = Props->pixelFormat.alphaMode;
  *Bitmap = std::make_shared<ID2D1Bitmap>(s, mode);
  return S_OK;
}

ID2D1WicBitmapRenderTarget::ID2D1WicBitmapRenderTarget(std::shared_ptr<IWICBitmap> B) : Bitmap(std::move(B)) {}

core::TCoreSurface* ID2D1WicBitmapRenderTarget::TargetSurface(TRect& Area) {
  if (!Bitmap || !Bitmap->Surface || Bitmap->Surface->Width() == 0 || Bitmap->Surface->Height() == 0) return nullptr;
  Area = TRect(0, 0, Bitmap->Surface->Width(), Bitmap->Surface->Height());
  return Bitmap->Surface.get();
}

HRESULT ID2D1Factory::CreateWicBitmapRenderTarget(std::shared_ptr<IWICBitmap> Bitmap,
                                                  const D2D1_RENDER_TARGET_PROPERTIES& Props,
                                                  std::shared_ptr<ID2D1RenderTarget>* Target) {
  D2DTrace().Add("CreateWicBitmapRenderTarget");
  Target->reset();
  if (!Bitmap || !Bitmap->Surface) return E_INVALIDARG;
  if (Props.pixelFormat.format != DXGI_FORMAT_B8G8R8A8_UNORM) return E_INVALIDARG;
  *Target = std::make_shared<ID2D1WicBitmapRenderTarget>(std::move(Bitmap));
  return S_OK;
}

ID2D1CommandList::ID2D1CommandList()
    : Recording(std::make_shared<core::TCoreSurface>(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr),
                                                     kMaxSurfaceSide, kMaxSurfaceSide)) {}

HRESULT ID2D1CommandList::Close() {
  if (FClosed) return D2DERR_WRONG_STATE;
  FClosed = true;
  return S_OK;
}

HRESULT ID2D1DeviceContext::CreateCommandList(std::shared_ptr<ID2D1CommandList>* List) {
  D2DTrace().Add("CreateCommandList");
  *List = std::make_shared<ID2D1CommandList>();
  return S_OK;
}

HRESULT ID2D1DeviceContext::CreateEffect(CLSID_D2D1Effect Id, std::shared_ptr<ID2D1Effect>* Effect) {
  Effect->reset();
  if (Id != CLSID_D2D1GaussianBlur) return E_INVALIDARG;
  *Effect = std::make_shared<ID2D1Effect>();
  return S_OK;
}

void ID2D1Effect::SetInput(UINT32, std::shared_ptr<ID2D1Image> AInput) { Input = std::move(AInput); }

HRESULT ID2D1Effect::SetValue(UINT32 Index, float Value) {
  switch (Index) {
    case D2D1_GAUSSIANBLUR_PROP_STANDARD_DEVIATION:
      if (!(Value >= 0) || !(Value <= 250)) return E_INVALIDARG;
      StandardDeviation = Value;
      return S_OK;
    case D2D1_GAUSSIANBLUR_PROP_OPTIMIZATION: Optimization = UINT32(Value); return S_OK;
    case D2D1_GAUSSIANBLUR_PROP_BORDER_MODE:
      BorderMode = Value != 0 ? D2D1_BORDER_MODE_HARD : D2D1_BORDER_MODE_SOFT;
      return S_OK;
    default: return E_INVALIDARG;
  }
}

void ID2D1Effect::GetOutput(std::shared_ptr<ID2D1Image>* Output) { *Output = shared_from_this(); }

std::shared_ptr<core::TCoreSurface> ID2D1Effect::Render(TPoint& Origin) {
  auto* b = dynamic_cast<ID2D1Bitmap*>(Input.get());
  Origin = TPoint(0, 0);
  if (!b || !b->Surface || b->Surface->Width() == 0) return nullptr;
  core::TCoreSurface& src = *b->Surface;
  src.Flush();
  const float sigma = StandardDeviation;
  const int r = sigma > 0 ? int(std::ceil(sigma * 3)) : 0;
  const bool hard = BorderMode == D2D1_BORDER_MODE_HARD;
  const int pad = hard ? 0 : r;
  const int w = src.Width() + 2 * pad, h = src.Height() + 2 * pad;
  if (!SurfaceWithinBudget(w, h)) return nullptr;
  // Premultiplied channels in floats, one plane per pass.
  std::vector<float> a(size_t(w) * h * 4, 0.0f), t(a.size(), 0.0f);
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* s = src.ScanLine(y);
    float* d = a.data() + (size_t(y + pad) * w + pad) * 4;
    for (int x = 0; x < src.Width() * 4; ++x) d[x] = s[x];
    if (b->AlphaMode == D2D1_ALPHA_MODE_IGNORE)
      for (int x = 3; x < src.Width() * 4; x += 4) d[x] = 255;
  }
  std::vector<float> k(size_t(2 * r + 1), 1.0f);
  if (r > 0) {
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += k[size_t(i + r)] = std::exp(-float(i * i) / (2 * sigma * sigma));
    for (float& v : k) v /= sum;
  }
  // Hard borders repeat the edge pixels; soft ones read transparency.
  auto pass = [&](const std::vector<float>& in, std::vector<float>& out, bool horizontal) {
    const int n = horizontal ? w : h, lines = horizontal ? h : w;
    for (int l = 0; l < lines; ++l)
      for (int i = 0; i < n; ++i) {
        float acc[4] = {0, 0, 0, 0};
        for (int j = -r; j <= r; ++j) {
          int q = i + j;
          if (q < 0 || q >= n) {
            if (!hard) continue;
            q = std::clamp(q, 0, n - 1);
          }
          const float* p = in.data() + (horizontal ? size_t(l) * w + q : size_t(q) * w + l) * 4;
          const float kk = k[size_t(j + r)];
          for (int c = 0; c < 4; ++c) acc[c] += p[c] * kk;
        }
        float* o = out.data() + (horizontal ? size_t(l) * w + i : size_t(i) * w + l) * 4;
        for (int c = 0; c < 4; ++c) o[c] = acc[c];
      }
  };
  pass(a, t, true);
  pass(t, a, false);
  auto out = std::make_shared<core::TCoreSurface>(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* d = out->ScanLine(y);
    const float* s = a.data() + size_t(y) * w * 4;
    for (int x = 0; x < w * 4; ++x) d[x] = uint8_t(std::clamp(int(s[x] + 0.5f), 0, 255));
    for (int x = 0; x < w; ++x)  // premultiplied: no channel above alpha
      for (int c = 0; c < 3; ++c) d[x * 4 + c] = std::min(d[x * 4 + c], d[x * 4 + 3]);
  }
  out->MarkDirty();
  Origin = TPoint(-pad, -pad);
  return out;
}

void ID2D1DeviceContext::DrawImage(ID2D1Image* Image, const D2D1_POINT_2F* Offset, const D2D1_RECT_F* ImageRect,
                                   D2D1_INTERPOLATION_MODE Mode, D2D1_COMPOSITE_MODE) {
  D2DTrace().Add(dynamic_cast<ID2D1CommandList*>(Image) ? "DrawImage(commands)" : "DrawImage");
  if (!ready() || !Image) return;
  const float ox = Offset ? Offset->x : 0, oy = Offset ? Offset->y : 0;
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Smooth = Mode == D2D1_INTERPOLATION_MODE_LINEAR;
  std::shared_ptr<core::TCoreSurface> keep;
  D2D1_RECT_F bounds;
  if (auto* list = dynamic_cast<ID2D1CommandList*>(Image)) {
    if (!list->Closed()) {
      fail(D2DERR_WRONG_STATE);
      return;
    }
    keep = list->Recording;
    bounds = ImageRect ? *ImageRect : D2D1_RECT_F{-1e6f, -1e6f, 1e6f, 1e6f};
    p.Matrix = core::TCoreMatrix::Translation(ox, oy);
  } else if (auto* effect = dynamic_cast<ID2D1Effect*>(Image)) {
    TPoint origin;
    keep = effect->Render(origin);
    if (!keep) return;
    bounds = {float(origin.X), float(origin.Y), float(origin.X + keep->Width()), float(origin.Y + keep->Height())};
    if (ImageRect)
      bounds = {std::max(bounds.left, ImageRect->left), std::max(bounds.top, ImageRect->top),
                std::min(bounds.right, ImageRect->right), std::min(bounds.bottom, ImageRect->bottom)};
    p.Matrix = core::TCoreMatrix::Translation(ox + float(origin.X), oy + float(origin.Y));
  } else if (auto* bitmap = dynamic_cast<ID2D1Bitmap*>(Image)) {
    keep = bitmap->Surface;
    bounds = {0, 0, float(keep->Width()), float(keep->Height())};
    if (ImageRect) bounds = *ImageRect;
    p.Matrix = core::TCoreMatrix::Translation(ox, oy);
  } else {
    return;
  }
  p.Surface = keep.get();
  applyState();
  FCtx->Save();
  FCtx->ClipPath(rectPath({bounds.left + ox, bounds.top + oy, bounds.right + ox, bounds.bottom + oy}));
  FCtx->Paint(p, 1);
  FCtx->Restore();
}

}  // namespace ht::d2d
