#include "backends/canvas_gdi.h"

#include <algorithm>
#include <cmath>

#include "backends/gdi_images.h"
#include "backends/gp_images.h"
#include "canvas/blur.h"
#include "canvas/colors.h"
#include "platform/gdi/gdi_controls.h"
#include "platform/rtl/numeric.h"
#include "platform/rtl/rtl_errors.h"

namespace ht {

const THtCanvasGDIClass THtCanvasGDI::ClassType{"THtCanvasGDI", &THtCanvas::ClassType,
                                                CreateInstance<THtCanvasGDI, THtCanvas>};

namespace {

void check(bool Ok) {
  if (!Ok) RaiseLastGdiError();
}

// Coordinates beyond the 32-bit range are refused before GDI rounds them.
int roundEven(double v) {
  if (!(v >= -2147483648.0 && v <= 2147483647.0)) {
    core::SetLastError(core::csInvalidParameter);
    RaiseLastGdiError();
  }
  return int(std::nearbyint(v));
}
int roundAway(double v) {
  if (!(v >= -2147483648.0 && v <= 2147483647.0)) {
    core::SetLastError(core::csInvalidParameter);
    RaiseLastGdiError();
  }
  return int(std::round(v));
}

gdi::COLORREF colorRef(uint32_t Argb) { return SwapRedBlue(Argb); }
uint8_t alphaOf(uint32_t Argb) { return uint8_t(Argb >> 24); }

// A 1 x 1 bitmap of one pixel, premultiplied, on a DC of its own.
class onePixel {
 public:
  onePixel(uint32_t Argb) {
    dc_ = gdi::CreateCompatibleDC(nullptr);
    bmp_ = gdi::CreateDIBSection32(1, 1, nullptr);
    gdi::SelectObject(dc_, bmp_);
    const uint32_t a = Argb >> 24;
    auto pm = [&](uint32_t c) { return (c * a + 127) / 255; };
    bmp_->Surface.SetPixel(0, 0, (a << 24) | (pm((Argb >> 16) & 0xFF) << 16) | (pm((Argb >> 8) & 0xFF) << 8) |
                                     pm(Argb & 0xFF));
    bmp_->Surface.MarkDirty();
  }
  ~onePixel() {
    gdi::DeleteDC(dc_);
    gdi::DeleteObject(bmp_);
  }
  gdi::HDC Dc() const { return dc_; }

 private:
  gdi::HDC dc_;
  gdi::HBITMAP bmp_;
};

gdi::XFORM toXform(const THtMatrixData& M) {
  return gdi::XFORM{M.Data[0], M.Data[1], M.Data[2], M.Data[3], M.Data[4], M.Data[5]};
}

// The current matrix's rectangle in device pixels, rounded.
TRect deviceRect(const THtMatrixData& M, const TRectF& R) {
  const float* d = M.Data;
  double l = 1e300, t = 1e300, r = -1e300, b = -1e300;
  for (TPointF p : {TPointF(R.Left, R.Top), TPointF(R.Right, R.Top), TPointF(R.Right, R.Bottom),
                    TPointF(R.Left, R.Bottom)}) {
    const double x = p.X * d[0] + p.Y * d[2] + d[4], y = p.X * d[1] + p.Y * d[3] + d[5];
    l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
  }
  return TRect(roundEven(l), roundEven(t), roundEven(r), roundEven(b));
}

// Identity world transform while device pixels are copied.
struct deviceSpace {
  gdi::HDC Dc;
  gdi::XFORM Saved;
  explicit deviceSpace(gdi::HDC D) : Dc(D) {
    gdi::GetWorldTransform(Dc, &Saved);
    gdi::ModifyWorldTransform(Dc, nullptr, gdi::MWT_IDENTITY);
  }
  ~deviceSpace() { gdi::SetWorldTransform(Dc, &Saved); }
};

}  // namespace

// ---------------------------------------------------------------- class

THtStringList* THtCanvasGDIClass::InstalledFonts() const {
  static std::unique_ptr<THtStringList> list = std::make_unique<THtStringList>(31);
  return list.get();
}

const THtImageClass* THtCanvasGDIClass::ImageClass() const { return &THtImageGDI::ClassType; }
const THtCanvasClass* THtCanvasGDIClass::PrintCanvasClass() const { return &THtMetaCanvasGDI::ClassType; }

THtFontCollection* THtCanvasGDIClass::SharedFontCollection() const {
  static std::unique_ptr<THtFontCollectionGDI> shared = std::make_unique<THtFontCollectionGDI>(this, true);
  return shared.get();
}

std::unique_ptr<THtFontCollection> THtCanvasGDIClass::CreateFontCollection() const {
  return std::make_unique<THtFontCollectionGDI>(this, false);
}

THtCanvasFlags THtCanvasGDIClass::GetFlags() const {
  return {hcfNeedBuffer, hcfCacheTextWidth, hcfScaleCanvasDrawing, hcfSupportsSimpleLayouts, hcfFullRepaint,
          hcfIntCoordinates};
}

void THtCanvasGDIClass::GetFonts(std::vector<String>& List) const {
  gdi::HDC dc = gdi::GetDC(0);
  gdi::EnumFontsW(
      dc, nullptr,
      [&](const gdi::LOGFONTW* lf, const gdi::TEXTMETRICW*, gdi::DWORD type, gdi::LPARAM) {
        String name(lf->lfFaceName);
        if (!name.empty() && name[0] != u'@' && !(type & gdi::RASTER_FONTTYPE)) List.push_back(name);
        return 1;
      },
      0);
  gdi::ReleaseDC(0, dc);
}

float THtCanvasGDIClass::MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float,
                                       int AFirstChar, int ALength) const {
  auto* font = dynamic_cast<THtFontGDI*>(Font);
  if (!font || s.empty() || ALength == 0 || !ClampTextRun(s, AFirstChar, ALength)) return 0;
  thread_local THtCharPlacement cp;
  if (GlyphPlacement(font->FFontDC, s.data() + (AFirstChar - 1), ALength, cp, TextStyle.RTL) == 0) return 0;
  // The sum of the advances: the placement's extent keeps only 16 bits.
  int64_t sum = 0;
  for (gdi::UINT i = 0; i < cp.GR.nGlyphs; ++i) sum += cp.CharWidths[i];
  return float(double(sum) * font->Height() / 1000);
}

void THtCanvasGDIClass::DecodeFontFamily(String& Family) const {
  if (FontNameLowerCase(Family) == u"font awesome 5 free") {
    Family = u"Font Awesome 5 Free Solid";
    return;
  }
  THtCanvasClass::DecodeFontFamily(Family);
}

bool THtCanvasGDIClass::PointInPath(float X, float Y, THtPath* Path) const {
  auto* p = dynamic_cast<THtPathGDI*>(Path);
  return p && gdi::PtInRegion(p->Region(), RoundHalfEven(X), RoundHalfEven(Y));
}

// ---------------------------------------------------------------- scenes and state

THtCanvasGDI::~THtCanvasGDI() {
  if (FCanvasHandle) {
    try {
      EndScene();
    } catch (...) {
    }
  }
  if (FTempPen) gdi::DeleteObject(FTempPen);
}

void THtCanvasGDI::BeginScene(const THtCanvasScene& AScene) {
  auto* bitmap = dynamic_cast<THtBitmapGP*>(AScene.Bitmap);
  gdi::HDC dc = bitmap && bitmap->Handle ? bitmap->Handle : CanvasDC(AScene.Canvas);
  if (!dc) throw Exception(String(u"No canvas handle provided"));
  THtCanvas::BeginScene(AScene);
  FForeignImages.clear();
  const int dx = -RoundHalfEven(Scene.ScrollX), dy = -RoundHalfEven(Scene.ScrollY);
  if ((dx || dy) && bitmap && bitmap->Handle) {
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
    gdi::BitBlt(bitmap->Handle, dx, dy, w, h, bitmap->Handle, 0, 0, gdi::SRCCOPY);
    Scene.AddScrollUpdateRects(dx, dy, w, h, 0, nullptr, nullptr);
  }
  if (dc->GraphicsMode != gdi::GM_ADVANCED && !gdi::SetGraphicsMode(dc, gdi::GM_ADVANCED)) RaiseLastGdiError();
  FSavedState = gdi::SaveDC(dc);
  if (!FSavedState) RaiseLastGdiError();
  FCanvasHandle = dc;
  if (!Scene.UpdateRects.empty()) {
    gdi::HRGN rgn = nullptr;
    for (const TRect& r : Scene.UpdateRects) {
      gdi::HRGN one = gdi::CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
      if (!rgn) {
        rgn = one;
        continue;
      }
      gdi::CombineRgn(rgn, rgn, one, gdi::RGN_OR);
      gdi::DeleteObject(one);
    }
    const int res = gdi::ExtSelectClipRgn(dc, rgn, gdi::RGN_AND);
    gdi::DeleteObject(rgn);
    if (res == gdi::RGN_ERROR) RaiseLastGdiError();
  }
  gdi::SetArcDirection(dc, gdi::AD_CLOCKWISE);
  FSmoothing = true;
  gdi::XFORM x;
  gdi::GetWorldTransform(dc, &x);
  InitialMatrix.Init(x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy);
  FCurrentMatrix = InitialMatrix;
  TranslateTransform(float(Scene.ViewPort.Left) + Scene.OffsetX * Scene.Scale,
                     float(Scene.ViewPort.Top) + Scene.OffsetY * Scene.Scale);
  ScaleTransform(Scene.Scale, Scene.Scale);
  gdi::SetTextAlign(dc, 0);
  FSavePen = gdi::SelectObject(dc, gdi::GetStockObject(gdi::DC_PEN));
  FSaveBrush = gdi::SelectObject(dc, gdi::GetStockObject(gdi::DC_BRUSH));
}

void THtCanvasGDI::EndScene() {
  if (!FCanvasHandle) return;
  gdi::HDC dc = FCanvasHandle;
  FCanvasHandle = nullptr;
  G.reset();
  FForeignImages.clear();
  const bool ok = gdi::RestoreDC(dc, FSavedState);
  if (FSavePen) gdi::SelectObject(dc, FSavePen);
  if (FSaveBrush) gdi::SelectObject(dc, FSaveBrush);
  FSavePen = FSaveBrush = nullptr;
  THtCanvas::EndScene();
  if (!ok) RaiseLastGdiError();
}

void THtCanvasGDI::SaveState() {
  THtCanvas::SaveState();
  StateStack.push_back(FCanvasHandle ? gdi::SaveDC(FCanvasHandle) : 0);
}

void THtCanvasGDI::RestoreState() {
  if (StateStack.empty()) throw Exception(String(u"Restore from empty GDI state stack"));
  const int level = StateStack.back();
  if (level && FCanvasHandle && !gdi::RestoreDC(FCanvasHandle, level)) RaiseLastGdiError();
  StateStack.pop_back();
  THtCanvas::RestoreState();
}

void THtCanvasGDI::MatrixTransform(const THtMatrixData& M, bool Add) {
  if (Add && M.Flags == mfIdentity) return;
  if (FCanvasHandle) {
    const gdi::XFORM x = toXform(M);
    check(Add ? gdi::ModifyWorldTransform(FCanvasHandle, &x, gdi::MWT_LEFTMULTIPLY)
              : gdi::SetWorldTransform(FCanvasHandle, &x));
  }
  THtCanvas::MatrixTransform(M, Add);
}

void THtCanvasGDI::ensureClipLevel() {
  if (!StateStack.empty() && StateStack.back() == 0 && FCanvasHandle) StateStack.back() = gdi::SaveDC(FCanvasHandle);
}

void THtCanvasGDI::IntersectClip(const TRectF& R) {
  if (!FCanvasHandle) return;
  ensureClipLevel();
  if (gdi::IntersectClipRect(FCanvasHandle, roundEven(R.Left), roundEven(R.Top), roundEven(R.Right),
                             roundEven(R.Bottom)) == gdi::RGN_ERROR)
    RaiseLastGdiError();
}

void THtCanvasGDI::IntersectClip(THtPath* ClipPath) {
  if (!FCanvasHandle || !ClipPath) return;
  THtPathGDI* path = gdiPath(ClipPath);
  // A path still being built has no points yet: it is ended first.
  path->EndPath();
  const THtCustomPath* records = path->CustomPath();
  if (records && records->IsRect() && !records->HasCurves()) {
    TRectF b;
    path->GetBounds(b, nullptr);
    IntersectClip(b);
    return;
  }
  ensureClipLevel();
  if (path->PointCount < 2) return;
  gdi::SelectObject(FCanvasHandle, gdi::GetStockObject(gdi::NULL_PEN));
  path->PlayInto(FCanvasHandle, true);
  check(gdi::SelectClipPath(FCanvasHandle, gdi::RGN_AND));
}

void THtCanvasGDI::SetClip(const TRectF& R) {
  if (!FCanvasHandle) return;
  gdi::HRGN rgn = gdi::CreateRectRgn(roundEven(R.Left), roundEven(R.Top), roundEven(R.Right), roundEven(R.Bottom));
  gdi::SelectClipRgn(FCanvasHandle, rgn);
  gdi::DeleteObject(rgn);
}

// ---------------------------------------------------------------- helpers

int THtCanvasGDI::SnapCoord(float V) {
  const float* m = CurrentMatrix()->Data;
  double v = V;
  if (m[0] > 0 && m[1] == 0) v = std::round((v - 0.5) * m[0]) / m[0];
  return roundAway(v);
}

int THtCanvasGDI::SnapCenter(float V) {
  const float* m = CurrentMatrix()->Data;
  double v = V;
  if (m[0] > 0 && m[1] == 0) v = std::round((v - 0.5) * m[0]) / m[0] + 0.5 / m[0];
  return roundAway(v);
}

void THtCanvasGDI::selectBrush(uint32_t Color) {
  gdi::SelectObject(FCanvasHandle, gdi::GetStockObject(gdi::NULL_PEN));
  gdi::SetBkMode(FCanvasHandle, gdi::OPAQUE);
  gdi::SelectObject(FCanvasHandle, gdi::GetStockObject(gdi::DC_BRUSH));
  gdi::SetDCBrushColor(FCanvasHandle, colorRef(Color));
}

void THtCanvasGDI::selectPen(THtPen* Pen) {
  gdi::SelectObject(FCanvasHandle, gdi::GetStockObject(gdi::NULL_BRUSH));
  if (auto* p = dynamic_cast<THtPenGDI*>(Pen); p && p->FPen) {
    gdi::SelectObject(FCanvasHandle, p->FPen);
    return;
  }
  const bool plain = Pen->GetStyle() == hpsSolid && Pen->GetLineJoin() == ljMiter && Pen->GetLineCap() == lcFlat &&
                     Pen->GetWidth() <= 1;
  if (!dynamic_cast<THtPenGDI*>(Pen) && !plain) {
    // A pen of another back end: a geometric pen of its settings.
    gdi::LOGBRUSH b;
    b.lbColor = colorRef(Pen->GetColor());
    gdi::HPEN made = gdi::ExtCreatePen(GdiPenStyle(*Pen), gdi::DWORD(std::max(0, RoundHalfEven(Pen->GetWidth()))),
                                       &b, 0, nullptr);
    if (made) {
      gdi::SelectObject(FCanvasHandle, made);
      if (FTempPen) gdi::DeleteObject(FTempPen);
      FTempPen = made;
      return;
    }
  }
  gdi::SelectObject(FCanvasHandle, gdi::GetStockObject(gdi::DC_PEN));
  gdi::SetDCPenColor(FCanvasHandle, colorRef(Pen->GetColor()));
}

void THtCanvasGDI::ensureGraphics() {
  if (G) return;
  G = std::make_unique<gdiplus::Graphics>(FCanvasHandle);
  G->SetSmoothingMode(FSmoothing ? gdiplus::SmoothingModeAntiAlias : gdiplus::SmoothingModeNone);
}

template <class F>
void THtCanvasGDI::withGraphics(F Draw) {
  ensureGraphics();
  // The drawing is in document coordinates: the graphics takes the matrix,
  // the DC none.
  const gdiplus::Matrix m = ToGPMatrix(*CurrentMatrix());
  G->SetTransform(&m);
  SaveState();
  gdi::ModifyWorldTransform(FCanvasHandle, nullptr, gdi::MWT_IDENTITY);
  try {
    Draw(*G);
  } catch (...) {
    G.reset();
    RestoreState();
    throw;
  }
  G.reset();
  RestoreState();
}

bool THtCanvasGDI::canBlend() { return gdi::GetDeviceCaps(FCanvasHandle, gdi::SHADEBLENDCAPS) > 0; }

THtPathGDI* THtCanvasGDI::gdiPath(THtPath* Path) {
  if (auto* p = dynamic_cast<THtPathGDI*>(Path)) return p;
  // Another back end's path: rebuilt from its records.
  FForeignPath = std::make_unique<THtPathGDI>(Path->ForClip());
  FForeignPath->Parse(PathAsString(Path));
  FForeignPath->SetFillModeWinding(Path->GetFillModeWinding());
  return FForeignPath.get();
}

THtFontGDI* THtCanvasGDI::gdiFont(THtFont* Font) {
  if (auto* f = dynamic_cast<THtFontGDI*>(Font)) return f;
  if (!Font) return nullptr;
  if (!FForeignFonts) FForeignFonts = ClassType.CreateFontCollection();
  return dynamic_cast<THtFontGDI*>(FForeignFonts->GetFont(Font->Family(), Font->Height(), Font->Style()));
}

THtImageGDI* THtCanvasGDI::gdiImage(THtImage* Image) {
  if (auto* i = dynamic_cast<THtImageGDI*>(Image)) return i;
  if (!Image) return nullptr;
  auto& kept = FForeignImages[Image];
  if (!kept) {
    // Another back end's image: decoded again from its source bytes.
    kept = std::make_unique<THtImageGDI>();
    if (TStream* src = Image->GetSourceStream()) kept->LoadFromBytes(StreamBytes(*src), false);
  }
  return kept.get();
}

// ---------------------------------------------------------------- lines and shapes

void THtCanvasGDI::DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) {
  if (!FCanvasHandle || !Pen) return;
  selectPen(Pen);
  int ax, ay, bx, by;
  if (x1 == x2) {
    ax = bx = SnapCoord(x1), ay = SnapCoord(y1), by = SnapCenter(y2);
  } else if (y1 == y2) {
    ax = SnapCoord(x1), ay = by = SnapCoord(y1), bx = SnapCenter(x2);
  } else {
    ax = SnapCoord(x1), ay = SnapCoord(y1), bx = SnapCoord(x2), by = SnapCoord(y2);
  }
  gdi::MoveToEx(FCanvasHandle, ax, ay, nullptr);
  gdi::LineTo(FCanvasHandle, bx, by);
}

void THtCanvasGDI::DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle) {
  if (!FCanvasHandle || !Pen) return;
  selectPen(Pen);
  const int cx = roundEven(X + w / 2), cy = roundEven(Y + h / 2);
  if (w == h) {
    check(gdi::AngleArc(FCanvasHandle, cx, cy, gdi::DWORD(std::max(0, roundEven(w / 2))), -StartAngle, -SweepAngle));
    return;
  }
  const double r = roundEven(std::max(w, h)), k = 0.017453292519943295;
  const double s = StartAngle * k, e = (double(StartAngle) + SweepAngle) * k;
  gdi::Arc(FCanvasHandle, roundEven(X), roundEven(Y), roundEven(X + w), roundEven(Y + h), roundEven(cx + r * std::cos(s)),
           roundEven(cy + r * std::sin(s)), roundEven(cx + r * std::cos(e)), roundEven(cy + r * std::sin(e)));
}

void THtCanvasGDI::DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) {
  if (!FCanvasHandle || !Pen) return;
  if (FAllowGDIP) {
    withGraphics([&](gdiplus::Graphics& g) {
      gdiplus::Pen p(Pen->GetColor(), Pen->GetWidth());
      g.DrawEllipse(&p, X, Y, w, h);
    });
    return;
  }
  selectPen(Pen);
  const int l = roundEven(X), t = roundEven(Y);
  gdi::Ellipse(FCanvasHandle, l, t, l + roundEven(w), t + roundEven(h));
}

void THtCanvasGDI::FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) {
  if (!FCanvasHandle || !Brush) return;
  if (FAllowGDIP) {
    withGraphics([&](gdiplus::Graphics& g) {
      gdiplus::SolidBrush b(Brush->Color());
      g.FillEllipse(&b, X, Y, w, h);
    });
    return;
  }
  selectBrush(Brush->Color());
  const int l = roundEven(X), t = roundEven(Y);
  gdi::Ellipse(FCanvasHandle, l, t, l + roundEven(w), t + roundEven(h));
}

void THtCanvasGDI::FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) {
  if (!FCanvasHandle || !Brush || !(w > 0) || !(h > 0)) return;
  if (Brush->Kind != hbSolid) {
    THtPathGDI path(false);
    path.AddRectangle(X, Y, w, h);
    FillPath(Brush, &path);
    return;
  }
  const uint32_t c = Brush->Color();
  const uint8_t a = alphaOf(c);
  if (a == 0) return;
  if (a == 255) {
    selectBrush(c);
    const gdi::RECT r{SnapCoord(X), SnapCoord(Y), SnapCoord(X + w), SnapCoord(Y + h)};
    gdi::FillRect(FCanvasHandle, &r, static_cast<gdi::HBRUSH>(gdi::GetStockObject(gdi::DC_BRUSH)));
    return;
  }
  if (FAllowGDIP) {
    withGraphics([&](gdiplus::Graphics& g) {
      gdiplus::SolidBrush b(c);
      g.FillRectangle(&b, gdiplus::RectF(X, Y, w, h));
    });
    return;
  }
  if (!(w > 0.5f && h > 0.5f)) return;
  onePixel px(c);
  gdi::BLENDFUNCTION bf{gdi::AC_SRC_OVER, 0, 255, gdi::AC_SRC_ALPHA};
  check(gdi::AlphaBlend(FCanvasHandle, SnapCoord(X), SnapCoord(Y), roundEven(w), roundEven(h), px.Dc(), 0, 0, 1, 1,
                        bf));
}

void THtCanvasGDI::DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) {
  if (!FCanvasHandle || !Pen) return;
  Pen->SetLineCap(lcSquare);
  Pen->SetLineJoin(ljMiter);
  selectPen(Pen);
  const uint32_t c = Pen->GetColor();
  if (alphaOf(c) == 255) {
    const float half = Pen->GetWidth() / 2;
    const int x1 = SnapCoord(X + half), y1 = SnapCoord(Y + half), x2 = SnapCoord(X + w - half),
              y2 = SnapCoord(Y + h - half);
    const gdi::POINT pts[5] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
    gdi::Polyline(FCanvasHandle, pts, 5);
    return;
  }
  const int pw = roundEven(Pen->GetWidth());
  if (pw <= 0) return;
  onePixel px(c | 0xFF000000u);
  gdi::BLENDFUNCTION bf{gdi::AC_SRC_OVER, 0, alphaOf(c), 0};
  auto strip = [&](int l, int t, int sw, int sh) {
    check(gdi::AlphaBlend(FCanvasHandle, l, t, sw, sh, px.Dc(), 0, 0, 1, 1, bf));
  };
  strip(roundEven(X), roundEven(Y), roundEven(w), pw);
  if (h > 0) strip(roundEven(X + w - pw), roundEven(Y), pw, roundEven(h));
  if (roundEven(w) > 0) strip(roundEven(X), roundEven(Y + h - pw), roundEven(w), pw);
  strip(roundEven(X), roundEven(Y), pw, roundEven(h));
}

void THtCanvasGDI::RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) {
  if (!FCanvasHandle || !Pen) return;
  const float pw = Pen->GetWidth();
  if (FPaged || !FAllowGDIP) {
    selectPen(Pen);
    check(gdi::RoundRect(FCanvasHandle, roundEven(R.Left + pw / 2 - 0.01f), roundEven(R.Top + pw / 2 - 0.01f),
                         roundEven(R.Right - pw / 2 + 0.01f), roundEven(R.Bottom - pw / 2 + 0.01f),
                         roundEven(2 * RadiusX), roundEven(2 * RadiusY)));
    return;
  }
  THtPathGDI path(false);
  path.AddRoundRect(R.Left + pw / 2, R.Top + pw / 2, R.Right - R.Left - pw, R.Bottom - R.Top - pw, RadiusX, RadiusY);
  DrawPath(Pen, &path);
}

// ---------------------------------------------------------------- paths

void THtCanvasGDI::DrawPath(THtPen* Pen, THtPath* Path) {
  if (!FCanvasHandle || !Pen || !Path) return;
  THtPathGDI* path = gdiPath(Path);
  if (!FPaged && path->fHasCurves && FAllowGDIP) {
    withGraphics([&](gdiplus::Graphics& g) {
      gdiplus::Pen p(Pen->GetColor(), Pen->GetWidth());
      g.DrawPath(&p, path->GPath.get());
    });
    return;
  }
  selectPen(Pen);
  path->EndPath();
  if (path->PointCount == 0) return;
  if (path->PointCount == 2 && (path->PointTypes[1] & ~gdi::PT_CLOSEFIGURE) == gdi::PT_LINETO) {
    gdi::MoveToEx(FCanvasHandle, path->Points[0].x, path->Points[0].y, nullptr);
    gdi::LineTo(FCanvasHandle, path->Points[1].x, path->Points[1].y);
    return;
  }
  check(gdi::PolyDraw(FCanvasHandle, path->Points.data(), path->PointTypes.data(), path->PointCount));
}

void THtCanvasGDI::FillPath(THtBrush* Brush, THtPath* Path) {
  if (!FCanvasHandle || !Brush || !Path) return;
  THtPathGDI* path = gdiPath(Path);
  if (!FPaged && path->fHasCurves && FAllowGDIP)
    fillPathGP(Brush, path);
  else
    fillPathGDI(Brush, path);
}

void THtCanvasGDI::fillPathGP(THtBrush* Brush, THtPathGDI* Path) {
  withGraphics([&](gdiplus::Graphics& g) {
    g.SetSmoothingMode(FSmoothing ? gdiplus::SmoothingModeAntiAlias : gdiplus::SmoothingModeNone);
    switch (Brush->Kind) {
      case hbSolid: {
        gdiplus::SolidBrush b(Brush->Color());
        g.FillPath(&b, Path->GPath.get());
        break;
      }
      case hbGradient: {
        TRectF r;
        Path->GetBounds(r, nullptr);
        gdiplus::LinearGradientBrush b(ToGPRect(r), 0, 0, Brush->Angle - 90, false);
        const size_t n = std::min(Brush->GradientColors.size(), Brush->GradientPositions.size());
        if (n >= 2) b.SetInterpolationColors(Brush->GradientColors.data(), Brush->GradientPositions.data(), int(n));
        g.FillPath(&b, Path->GPath.get());
        break;
      }
      case hbRadial: {
        if (Brush->GradientColors.empty()) return;
        gdiplus::SolidBrush outside(Brush->GradientColors.back());
        g.FillPath(&outside, Path->GPath.get());
        gdiplus::GraphicsPath ellipse(gdiplus::FillModeAlternate);
        const float rad = Brush->Radius;
        ellipse.AddEllipse(Brush->CX - rad, Brush->CY - rad, 2 * rad, 2 * rad);
        if (Brush->Matrix.Flags != mfIdentity) {
          gdiplus::Matrix m = ToGPMatrix(Brush->Matrix);
          ellipse.Transform(&m);
        }
        gdiplus::PathGradientBrush pg(&ellipse);
        SetRadialStops(pg, *Brush);
        g.FillPath(&pg, Path->GPath.get());
        break;
      }
      default: break;
    }
  });
}

void THtCanvasGDI::fillPathGDI(THtBrush* Brush, THtPathGDI* Path) {
  gdi::SelectObject(FCanvasHandle, gdi::GetStockObject(gdi::NULL_PEN));
  Path->EndPath();
  if (Brush->Kind == hbImage) return;
  if (Brush->Kind == hbSolid && alphaOf(Brush->Color()) == 0) return;
  if (Path->PointCount < 3) return;
  if (Brush->Kind == hbGradient) {
    const size_t n = std::min(Brush->GradientColors.size(), Brush->GradientPositions.size());
    if (n < 2) return;
    TRectF b;
    Path->GetBounds(b, nullptr);
    const int l = roundEven(b.Left), t = roundEven(b.Top), r = roundEven(b.Right) + 2, btm = roundEven(b.Bottom) + 2;
    const int w = r - l, h = btm - t;
    const int level = gdi::SaveDC(FCanvasHandle);
    Path->PlayInto(FCanvasHandle, true);
    check(gdi::SelectClipPath(FCanvasHandle, gdi::RGN_AND));
    // Bands along the axis nearest to the CSS angle (0 up, 90 right); "to
    // top" and "to left" run from the far side.
    const float a = std::fmod(std::fmod(Brush->Angle, 360.0f) + 360.0f, 360.0f);
    const bool horizontal = (a >= 45 && a < 135) || (a >= 225 && a < 315);
    const bool reversed = a >= 225 || a < 45 || a >= 315;
    auto vertex = [](int x, int y, uint32_t c) {
      gdi::TRIVERTEX v;
      v.x = x, v.y = y;
      v.Red = uint16_t(((c >> 16) & 0xFF) << 8), v.Green = uint16_t(((c >> 8) & 0xFF) << 8),
      v.Blue = uint16_t((c & 0xFF) << 8);
      return v;
    };
    bool ok = true;
    for (size_t i = 0; i + 1 < n && ok; ++i) {
      float p0 = Brush->GradientPositions[i], p1 = Brush->GradientPositions[i + 1];
      uint32_t c0 = Brush->GradientColors[i], c1 = Brush->GradientColors[i + 1];
      if (reversed) {
        std::swap(p0, p1), std::swap(c0, c1);
        p0 = 1 - p0, p1 = 1 - p1;
      }
      gdi::TRIVERTEX v[2];
      if (horizontal) {
        v[0] = vertex(l + roundEven(p0 * w), t, c0);
        v[1] = vertex(l + roundEven(p1 * w), btm, c1);
      } else {
        v[0] = vertex(l, t + roundEven(p0 * h), c0);
        v[1] = vertex(r, t + roundEven(p1 * h), c1);
      }
      gdi::GRADIENT_RECT gr{0, 1};
      ok = gdi::GradientFill(FCanvasHandle, v, 2, &gr, 1,
                             horizontal ? gdi::GRADIENT_FILL_RECT_H : gdi::GRADIENT_FILL_RECT_V);
    }
    gdi::RestoreDC(FCanvasHandle, level);
    check(ok);
    return;
  }
  const uint32_t c = Brush->Kind == hbRadial && !Brush->GradientColors.empty() ? Brush->GradientColors.back()
                                                                               : Brush->Color();
  if (alphaOf(c) == 255 || !canBlend()) {
    selectBrush(c);
    gdi::SetPolyFillMode(FCanvasHandle, Path->FModeWinding ? gdi::WINDING : gdi::ALTERNATE);
    Path->PlayInto(FCanvasHandle, true);
    check(gdi::FillPath(FCanvasHandle));
    return;
  }
  TRectF b;
  Path->GetBounds(b, nullptr);
  if (b.Right - b.Left == 0 || b.Bottom - b.Top == 0) return;
  onePixel px(c | 0xFF000000u);
  const int level = gdi::SaveDC(FCanvasHandle);
  gdi::SetPolyFillMode(FCanvasHandle, Path->FModeWinding ? gdi::WINDING : gdi::ALTERNATE);
  Path->PlayInto(FCanvasHandle, true);
  bool ok = gdi::SelectClipPath(FCanvasHandle, gdi::RGN_AND);
  if (ok) {
    const int l = roundEven(b.Left), t = roundEven(b.Top);
    gdi::BLENDFUNCTION bf{gdi::AC_SRC_OVER, 0, alphaOf(c), 0};
    ok = gdi::AlphaBlend(FCanvasHandle, l, t, roundEven(b.Right) + 2 - l, roundEven(b.Bottom) + 2 - t, px.Dc(), 0, 0,
                         1, 1, bf);
  }
  gdi::RestoreDC(FCanvasHandle, level);
  check(ok);
}

// ---------------------------------------------------------------- text

void THtCanvasGDI::DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                              int AFirstChar, int ALength) {
  drawText(s, R, Font, TextStyle, nullptr, AFirstChar, ALength);
}

void THtCanvasGDI::DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                                const TSingleArray& ASpacing, THtBrush*, THtPen*, int AFirstChar, int ALength) {
  drawText(s, R, Font, TextStyle, &ASpacing, AFirstChar, ALength);
}

void THtCanvasGDI::drawText(StringView s, const TRectF& R, THtFont* AFont, const THtTextStyle& TextStyle,
                            const TSingleArray* ASpacing, int AFirstChar, int ALength) {
  THtFontGDI* font = gdiFont(AFont);
  if (!FCanvasHandle || !font) return;
  if (alphaOf(TextStyle.Color) == 0 || TextStyle.Opacity == 0) return;
  gdi::UINT flags = gdi::DT_NOCLIP | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX;
  if (TextStyle.RTL) flags |= gdi::DT_RTLREADING;
  if (TextStyle.Overflow == toEllipsis) flags |= gdi::DT_END_ELLIPSIS;
  if (ALength == 0 || !ClampTextRun(s, AFirstChar, ALength)) return;
  const TRect r(roundEven(R.Left), roundEven(R.Top), roundEven(R.Right), roundEven(R.Bottom));
  thread_local String text;
  text.assign(s.substr(size_t(AFirstChar - 1), size_t(ALength)));
  std::replace(text.begin(), text.end(), u'\u00A0', u' ');
  gdi::SetBkMode(FCanvasHandle, gdi::TRANSPARENT);
  gdi::SetTextColor(FCanvasHandle, colorRef(TextStyle.Color));
  gdi::SelectObject(FCanvasHandle, font->Font->Handle());
  gdi::SelectObject(font->FFontDC, font->Font->Handle());
  if (GlyphPlacement(font->FFontDC, text.data(), ALength, FCP, TextStyle.RTL) == 0) {
    gdi::SetBkMode(FCanvasHandle, gdi::OPAQUE);
    return;
  }
  const double h = font->Height();
  const gdi::XFORM x{float(h / 1000), 0, 0, float(h / 1000), float(r.Left), float(r.Top)};
  check(gdi::ModifyWorldTransform(FCanvasHandle, &x, gdi::MWT_LEFTMULTIPLY));
  try {
    const gdi::UINT n = FCP.GR.nGlyphs;
    bool fallback = false;
    if (ASpacing) {
      const double scale = h > 0.001 ? 1000 / h : 1;
      for (gdi::UINT i = 0; i < n; ++i) {
        if (FCP.CharWidths[i] == 0) fallback = true;
        // The spacing before the next character (0-based AFirstChar + i)
        // widens this glyph's advance.
        const size_t at = size_t(AFirstChar) + i;
        if (at < ASpacing->size()) FCP.CharWidths[i] += RoundHalfEven((*ASpacing)[at] * scale);
      }
    } else {
      for (gdi::UINT i = 0; i < n; ++i)
        if (FCP.CharWidths[i] == 0) fallback = true;
    }
    if (!fallback) {
      std::vector<char16_t> ids(FCP.Glyphs.begin(), FCP.Glyphs.begin() + n);
      const gdi::RECT big{0, 0, 2147483647, 2147483647};
      check(gdi::ExtTextOutW(FCanvasHandle, 0, 0, gdi::ETO_GLYPH_INDEX, &big, ids.data(), n, FCP.CharWidths.data(),
                             text, FCP.GlyphIndices.data()));
    } else {
      gdi::RECT big{0, 0, 2147483647, 2147483647};
      if (flags & gdi::DT_END_ELLIPSIS) big.right = roundEven((r.Right - r.Left) * 1000 / std::max(h, 0.001));
      gdi::DrawTextW(FCanvasHandle, text.data(), int(text.size()), &big, flags);
    }
  } catch (...) {
    const gdi::XFORM back = toXform(*CurrentMatrix());
    gdi::SetWorldTransform(FCanvasHandle, &back);
    throw;
  }
  const gdi::XFORM back = toXform(*CurrentMatrix());
  gdi::SetWorldTransform(FCanvasHandle, &back);
  gdi::SetBkMode(FCanvasHandle, gdi::OPAQUE);
  if (font->Style().Contains(hfsUnderline) || (AFont && AFont->Style().Contains(hfsUnderline)))
    drawUnderline(font, R, TextStyle.DecorationColor);
}

void THtCanvasGDI::drawUnderline(THtFont* Font, const TRectF& R, uint32_t Color) {
  selectPen(GetPen(Color, 1.0f));
  const int y = roundEven(R.Top + Font->Ascent + Font->Descent) - 1;
  gdi::MoveToEx(FCanvasHandle, roundEven(R.Left), y, nullptr);
  gdi::LineTo(FCanvasHandle, roundEven(R.Right), y);
}

// ---------------------------------------------------------------- images

void THtCanvasGDI::DrawImage(THtImage* Image, const TRectF& R, float Opacity) {
  if (!FCanvasHandle || !Image) return;
  if (Image->IsVector) {
    THtCanvas::DrawImage(Image, R, Opacity);
    return;
  }
  THtImageGDI* img = gdiImage(Image);
  if (!img || !img->Bitmap) return;
  const int l = roundEven(R.Left), t = roundEven(R.Top), w = roundEven(R.Right) - l, h = roundEven(R.Bottom) - t;
  if (w <= 0 || h <= 0) return;
  gdi::HDC src = img->Bitmap->Canvas().Handle();
  const int iw = img->Bitmap->Width(), ih = img->Bitmap->Height();
  if ((Opacity == 1.0f && !img->AlphaPremultiplied) || (PrintMode && !canBlend())) {
    if (roundEven(R.Right - R.Left) == iw) {
      gdi::BitBlt(FCanvasHandle, l, t, w, h, src, 0, 0, gdi::SRCCOPY);
    } else {
      gdi::SetStretchBltMode(FCanvasHandle, gdi::HALFTONE);
      gdi::StretchBlt(FCanvasHandle, l, t, w, h, src, 0, 0, iw, ih, gdi::SRCCOPY);
    }
    return;
  }
  gdi::SetStretchBltMode(FCanvasHandle, gdi::HALFTONE);
  gdi::BLENDFUNCTION bf{gdi::AC_SRC_OVER, 0, uint8_t(std::clamp(RoundHalfEven(Opacity * 255), 0, 255)),
                        gdi::AC_SRC_ALPHA};
  check(gdi::AlphaBlend(FCanvasHandle, l, t, w, h, src, 0, 0, iw, ih, bf));
}

void THtCanvasGDI::TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                             bool RepeatY, float Opacity, float Radius) {
  if (!FCanvasHandle || !Image) return;
  if (Image->IsVector) {
    THtCanvas::TileImage(Image, W, H, R, Origin, RepeatX, RepeatY, Opacity, Radius);
    return;
  }
  THtImageGDI* img = gdiImage(Image);
  if (!img || !img->Bitmap || !(W > 0) || !(H > 0)) return;
  TRectF dest = R;
  if (!RepeatY) dest.Bottom = std::min(dest.Bottom, dest.Top + H);
  if (!RepeatX) dest.Right = std::min(dest.Right, dest.Left + W);
  // The tile in device pixels: pattern brushes do not pass through the
  // world transform.
  const float* m = CurrentMatrix()->Data;
  const int tw = std::max(1, roundEven(W * std::hypot(m[0], m[1]))),
            th = std::max(1, roundEven(H * std::hypot(m[2], m[3])));
  if (!core::WithinPixelBudget(tw, th)) return;
  gdi::TBitmap tile(tw, th);
  gdi::HDC tdc = tile.Canvas().Handle();
  gdi::SetStretchBltMode(tdc, gdi::HALFTONE);
  gdi::StretchBlt(tdc, 0, 0, tw, th, img->Bitmap->Canvas().Handle(), 0, 0, img->Bitmap->Width(),
                  img->Bitmap->Height(), gdi::SRCCOPY);
  SaveState();
  gdi::HBRUSH brush = gdi::CreatePatternBrush(tile.Handle());
  if (brush) {
    const float ox = R.Left - Origin.X, oy = R.Top - Origin.Y;
    gdi::SetBrushOrgEx(FCanvasHandle, roundEven(ox * m[0] + oy * m[2] + m[4]), roundEven(ox * m[1] + oy * m[3] + m[5]),
                       nullptr);
    const gdi::RECT r{roundEven(dest.Left), roundEven(dest.Top), roundEven(dest.Right), roundEven(dest.Bottom)};
    gdi::FillRect(FCanvasHandle, &r, brush);
    gdi::DeleteObject(brush);
  }
  RestoreState();
}

void THtCanvasGDI::DrawBitmap(THtBitmap* B, const TRectF& DestR, const TRect& SrcR, float Opacity) {
  auto* b = dynamic_cast<THtBitmapGP*>(B);
  if (!FCanvasHandle || !b || !b->Handle) return;
  gdi::BLENDFUNCTION bf{gdi::AC_SRC_OVER, 0, uint8_t(std::clamp(RoundHalfEven(Opacity * 255), 0, 255)),
                        gdi::AC_SRC_ALPHA};
  const int l = roundEven(DestR.Left), t = roundEven(DestR.Top);
  gdi::AlphaBlend(FCanvasHandle, l, t, roundEven(DestR.Right - DestR.Left), roundEven(DestR.Bottom - DestR.Top),
                  b->Handle, SrcR.Left, SrcR.Top, SrcR.Right - SrcR.Left, SrcR.Bottom - SrcR.Top, bf);
}

void THtCanvasGDI::BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius) {
  if (!FCanvasHandle) return;
  const TRect d = deviceRect(*CurrentMatrix(), R);
  const int w = d.Right - d.Left, h = d.Bottom - d.Top;
  if (w <= 0 || h <= 0) return;
  auto* bitmap = dynamic_cast<THtBitmapGP*>(Scene.Bitmap);
  if (bitmap && bitmap->Surface() && !BorderPath) {
    core::TCoreSurface* s = bitmap->Surface();
    s->Flush();
    BoxBlurRect(s->ScanLine(0), s->Width(), s->Height(), s->Stride(), d, RoundHalfEven(BlurRadius * 2));
    s->MarkDirty();
    return;
  }
  if (!core::WithinPixelBudget(w, h)) return;
  THtBitmapGP copy(w, h, true);
  if (!copy.Surface()) return;
  {
    deviceSpace ds(FCanvasHandle);
    gdi::BitBlt(copy.Handle, 0, 0, w, h, FCanvasHandle, d.Left, d.Top, gdi::SRCCOPY);
  }
  core::TCoreSurface* s = copy.Surface();
  s->Flush();
  BoxBlurRect(s->ScanLine(0), w, h, s->Stride(), TRect(0, 0, w, h), RoundHalfEven(BlurRadius));
  s->MarkDirty();
  THtPathGDI* border = BorderPath ? gdiPath(BorderPath) : nullptr;
  if (border) {
    // The inside of the border alone is the clip.
    SaveState();
    gdi::SelectObject(FCanvasHandle, gdi::GetStockObject(gdi::NULL_PEN));
    border->PlayInto(FCanvasHandle, true);
    check(gdi::SelectClipPath(FCanvasHandle, gdi::RGN_AND));
  }
  {
    deviceSpace ds(FCanvasHandle);
    gdi::BitBlt(FCanvasHandle, d.Left, d.Top, w, h, copy.Handle, 0, 0, gdi::SRCCOPY);
  }
  if (border) RestoreState();
}

// ---------------------------------------------------------------- control pictures

void THtCanvasGDI::drawControl(int Kind, const TRectF& R, bool Checked, bool Active, bool HOver, bool Disabled) {
  if (!FCanvasHandle) return;
  const float grow = Kind == 2 ? 0 : 1;
  const TRectF logical(float(roundEven(R.Left - grow)), float(roundEven(R.Top - grow)),
                       float(roundEven(R.Right + grow)), float(roundEven(R.Bottom + grow)));
  const TRect d = deviceRect(*CurrentMatrix(), logical);
  const int w = d.Right - d.Left, h = d.Bottom - d.Top;
  if (w <= 0 || h <= 0 || !core::WithinPixelBudget(w, h)) return;
  gdi::TBitmap copy(w, h);
  gdi::HDC cdc = copy.Canvas().Handle();
  deviceSpace ds(FCanvasHandle);
  gdi::BitBlt(cdc, 0, 0, w, h, FCanvasHandle, d.Left, d.Top, gdi::SRCCOPY);
  gdi::UINT state = Kind == 0 ? gdi::DFCS_BUTTONCHECK : Kind == 1 ? gdi::DFCS_BUTTONRADIO : gdi::DFCS_BUTTONPUSH;
  if (Checked) state |= gdi::DFCS_CHECKED | gdi::DFCS_HOT;
  if (Active) state |= gdi::DFCS_PUSHED;
  if (HOver) state |= gdi::DFCS_HOT;
  if (Disabled) state |= gdi::DFCS_INACTIVE;
  const gdi::RECT rc = Kind == 1 ? gdi::RECT{1, 1, w - 1, h - 1} : gdi::RECT{0, 0, w - 1, h - 1};
  const bool ok = gdi::DrawFrameControl(cdc, &rc, gdi::DFC_BUTTON, state);
  if (!ok && Kind != 1) RaiseLastGdiError();
  gdi::BitBlt(FCanvasHandle, d.Left, d.Top, w, h, cdc, 0, 0, gdi::SRCCOPY);
}

void THtCanvasGDI::DrawCheck(const TRectF& R, int, bool Checked, bool Active, bool HOver, bool Disabled) {
  drawControl(0, R, Checked, Active, HOver, Disabled);
}
void THtCanvasGDI::DrawRadio(const TRectF& R, int, bool Checked, bool Active, bool HOver, bool Disabled) {
  drawControl(1, R, Checked, Active, HOver, Disabled);
}
void THtCanvasGDI::DrawButton(const TRectF& R, int, bool Checked, bool Active, bool HOver, bool Disabled) {
  drawControl(2, R, Checked, Active, HOver, Disabled);
}

}  // namespace ht
