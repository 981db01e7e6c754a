#include "backends/canvas_gdi.h"

#include <cairo.h>

#include <cmath>

#include "canvas/brush.h"
#include "platform/rtl/rtl_errors.h"

namespace ht {

const THtCanvasGDIClass THtCanvasGDI::ClassType{"THtCanvasGDI", &THtCanvas::ClassType,
                                                CreateInstance<THtCanvasGDI, THtCanvas>};

THtCanvasGDI::~THtCanvasGDI() {
  if (FCanvasHandle) {
    try {
      EndScene();
    } catch (...) {
    }
  }
}

void THtCanvasGDI::BeginScene(const THtCanvasScene& AScene) {
  auto* target = dynamic_cast<gdi::TCanvas*>(AScene.Canvas);
  if (!target) throw Exception(String(u"No canvas handle provided"));
  THtCanvas::BeginScene(AScene);
  gdi::HDC dc = target->Handle();
  FSavedState = gdi::SaveDC(dc);
  if (!FSavedState) RaiseLastGdiError();
  // The facade keeps the world transform beside the DC's saved states.
  FSavedMode = dc->GraphicsMode;
  gdi::GetWorldTransform(dc, &FSavedXform);
  gdi::SetGraphicsMode(dc, gdi::GM_ADVANCED);
  if (!Scene.UpdateRects.empty()) {
    gdi::HRGN rgn = gdi::CreateRectRgn(0, 0, 0, 0);
    for (const TRect& r : Scene.UpdateRects) {
      gdi::HRGN one = gdi::CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
      gdi::CombineRgn(rgn, rgn, one, gdi::RGN_OR);
      gdi::DeleteObject(one);
    }
    gdi::ExtSelectClipRgn(dc, rgn, gdi::RGN_AND);
    gdi::DeleteObject(rgn);
  }
  FCanvasHandle = dc;
  StateStack.clear();
  applyWorldTransform();
  TranslateTransform(float(Scene.ViewPort.Left) + Scene.OffsetX * Scene.Scale,
                     float(Scene.ViewPort.Top) + Scene.OffsetY * Scene.Scale);
  if (std::fabs(Scene.Scale - 1) > 0.0001f) ScaleTransform(Scene.Scale, Scene.Scale);
}

void THtCanvasGDI::EndScene() {
  if (!FCanvasHandle) return;
  gdi::HDC dc = FCanvasHandle;
  FCanvasHandle = nullptr;
  StateStack.clear();
  gdi::SetWorldTransform(dc, &FSavedXform);
  if (!gdi::RestoreDC(dc, FSavedState)) RaiseLastGdiError();
  gdi::SetGraphicsMode(dc, FSavedMode);
}

void THtCanvasGDI::SaveState() {
  THtCanvas::SaveState();
  StateStack.push_back(FCanvasHandle ? gdi::SaveDC(FCanvasHandle) : 0);
}

void THtCanvasGDI::RestoreState() {
  if (StateStack.empty()) throw Exception(String(u"Restore from empty GDI state stack"));
  int level = StateStack.back();
  if (level && FCanvasHandle && !gdi::RestoreDC(FCanvasHandle, level)) RaiseLastGdiError();
  StateStack.pop_back();
  THtCanvas::RestoreState();
  applyWorldTransform();
}

void THtCanvasGDI::MatrixTransform(const THtMatrixData& M, bool Add) {
  THtCanvas::MatrixTransform(M, Add);
  applyWorldTransform();
}

void THtCanvasGDI::applyWorldTransform() {
  if (!FCanvasHandle) return;
  const float* d = CurrentMatrix()->Data;
  gdi::XFORM x{d[0], d[1], d[2], d[3], d[4], d[5]};
  if (!gdi::SetWorldTransform(FCanvasHandle, &x)) RaiseLastGdiError();
}

uint32_t THtCanvasGDI::solidColor(THtBrush* Brush) const {
  if (!Brush || Brush->Kind != hbSolid) throw EAbstractError(String(u"Abstract Error"));
  return Brush->Color();
}

void THtCanvasGDI::fillRegion(gdi::HRGN Rgn, uint32_t Color) {
  gdi::HDC dc = FCanvasHandle;
  if (dc->Clip) gdi::CombineRgn(Rgn, Rgn, dc->Clip.get(), gdi::RGN_AND);
  cairo_t* cr = cairo_create(dc->Bitmap->Surface.Handle());
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_source_rgba(cr, ((Color >> 16) & 0xFF) / 255.0, ((Color >> 8) & 0xFF) / 255.0, (Color & 0xFF) / 255.0,
                        (Color >> 24) / 255.0);
  cairo_set_operator(cr, (Color >> 24) == 0xFF ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
  for (int i = 0, n = cairo_region_num_rectangles(Rgn->Region); i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(Rgn->Region, i, &r);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
  }
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(dc->Bitmap->Surface.Handle());
  gdi::DeleteObject(Rgn);
}

void THtCanvasGDI::FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) {
  if (!FCanvasHandle) return;
  uint32_t c = solidColor(Brush);
  if ((c >> 24) == 0) return;
  gdi::HDC dc = FCanvasHandle;
  // The rectangle's own corners as a polygon under the world transform: its
  // region holds the pixels whose centres it covers.
  auto rnd = [](double v) {
    if (!(v >= -2147483648.0 && v <= 2147483647.0)) {
      core::SetLastError(core::csInvalidParameter);
      RaiseLastGdiError();
    }
    return int(std::nearbyint(v));
  };
  int l = rnd(X), t = rnd(Y), r = rnd(double(X) + w), b = rnd(double(Y) + h);
  gdi::BeginPath(dc);
  gdi::MoveToEx(dc, l, t, nullptr);
  gdi::LineTo(dc, r, t);
  gdi::LineTo(dc, r, b);
  gdi::LineTo(dc, l, b);
  gdi::CloseFigure(dc);
  gdi::EndPath(dc);
  gdi::HRGN rgn = gdi::PathToRegion(dc);
  if (!rgn) RaiseLastGdiError();
  fillRegion(rgn, c);
}

void THtCanvasGDI::FillPath(THtBrush* Brush, THtPath* Path) {
  if (!FCanvasHandle) return;
  auto* p = dynamic_cast<THtPathGDI*>(Path);
  if (!p) throw EInvalidCast(String(u"Invalid class typecast"));
  uint32_t c = solidColor(Brush);
  if ((c >> 24) == 0) return;
  p->EndPath();
  if (p->PointCount == 0) return;
  gdi::SetPolyFillMode(FCanvasHandle, p->FModeWinding ? gdi::WINDING : gdi::ALTERNATE);
  p->PlayInto(FCanvasHandle, true);
  gdi::HRGN rgn = gdi::PathToRegion(FCanvasHandle);
  if (!rgn) RaiseLastGdiError();
  fillRegion(rgn, c);
}

void THtCanvasGDI::DrawPath(THtPen*, THtPath*) { throw EAbstractError(String(u"Abstract Error")); }

void THtCanvasGDI::DrawString(StringView, const TRectF&, THtFont*, const THtTextStyle&, int, int) {
  throw EAbstractError(String(u"Abstract Error"));
}

}  // namespace ht
