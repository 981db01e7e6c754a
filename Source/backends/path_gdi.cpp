#include "backends/path_gdi.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/rtl/numeric.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/rtl_errors.h"

namespace ht {

using namespace gdi;

const THtPathClass THtPathGDI::ClassType{"THtPathGDI", &THtPath::ClassType,
                                          CreateInstance<THtPathGDI, THtPath, bool>};

void RaiseLastGdiError() {
  std::string m = "GDI call failed (error " + std::to_string(core::GetLastError()) + ")";
  throw EGdiError(AsciiToString(m));
}

namespace {

void check(BOOL Ok) {
  if (!Ok) RaiseLastGdiError();
}

// Halves away from zero, and halves to even; coordinates beyond the 32-bit
// range are refused before they reach GDI.
int checkedInt(double v) {
  if (!(v >= -2147483648.0 && v <= 2147483647.0)) {
    core::SetLastError(core::csInvalidParameter);
    RaiseLastGdiError();
  }
  return int(v);
}
int roundAway(double v) { return checkedInt(std::round(v)); }
int roundEven(double v) { return checkedInt(std::nearbyint(v)); }

}  // namespace

THtPathGDI::THtPathGDI(bool AForClip) : THtPath(AForClip) {
  fCD = AForClip ? 1 : 0;
  SetCustomPath(std::make_unique<THtCustomPath>(AForClip));
  BeginPath();
}

THtPathGDI::~THtPathGDI() {
  if (fRegion) DeleteObject(fRegion);
  freeDC();
}

void THtPathGDI::freeDC() {
  if (!TempDC) return;
  AbortPath(TempDC);
  DeleteDC(TempDC);
  TempDC = nullptr;
}

void THtPathGDI::SetFillModeWinding(bool Value) {
  GPath->SetFillMode(Value ? gdiplus::FillModeWinding : gdiplus::FillModeAlternate);
  FModeWinding = Value;
  FCustomPath->SetFillModeWinding(Value);
}

void THtPathGDI::BeginPath() {
  GPath = std::make_unique<gdiplus::GraphicsPath>(gdiplus::FillModeAlternate);
  if (TempDC) throw Exception(String(u"Duplicate call to BeginPath"));
  TempDC = CreateCompatibleDC(nullptr);
  SetArcDirection(TempDC, AD_CLOCKWISE);
  check(gdi::BeginPath(TempDC));
  Ended = false;
  first = true;
  FCustomPath->BeginPath();
}

void THtPathGDI::EndPath() {
  if (Ended) return;
  Ended = true;
  check(gdi::EndPath(TempDC));
  PointCount = GetPath(TempDC, nullptr, nullptr, 0);
  if (PointCount < 0) RaiseLastGdiError();
  Points.assign(PointCount, POINT());
  PointTypes.assign(PointCount, 0);
  if (PointCount > 0 && GetPath(TempDC, Points.data(), PointTypes.data(), PointCount) != PointCount)
    RaiseLastGdiError();
  freeDC();
  FCustomPath->EndPath();
}

void THtPathGDI::Clear() {
  GPath = std::make_unique<gdiplus::GraphicsPath>(FModeWinding ? gdiplus::FillModeWinding
                                                               : gdiplus::FillModeAlternate);
  if (fRegion) {
    DeleteObject(fRegion);
    fRegion = nullptr;
  }
  if (!TempDC) {
    TempDC = CreateCompatibleDC(nullptr);
    SetArcDirection(TempDC, AD_CLOCKWISE);
  }
  check(gdi::BeginPath(TempDC));
  Points.clear();
  PointTypes.clear();
  PointCount = 0;
  dropShapes();
  onlyShapes_ = true;
  fHasCurves = false;
  Ended = false;
  first = true;
  FCustomPath->Clear();
}

std::unique_ptr<THtPath> THtPathGDI::Clone() const {
  auto p = std::make_unique<THtPathGDI>(FForClip);
  const_cast<THtPathGDI*>(this)->PlayInto(p->TempDC, false);
  p->FCustomPath->AddPath(const_cast<THtCustomPath*>(FCustomPath));
  return p;
}

void THtPathGDI::dropShapes() {
  fIsRect = fIsRoundRect = false;
  Shapes.clear();
}

void THtPathGDI::addShape(const TShape& S, const TRect& Unpadded) {
  if (!onlyShapes_) return;
  if (Shapes.empty()) {
    fIsRect = !S.Round;
    fIsRoundRect = S.Round;
    fRect = Unpadded;
    if (S.Round) fRadiusX = S.RX, fRadiusY = S.RY;
  }
  Shapes.push_back(S);
}

void THtPathGDI::CloseFigure() {
  GPath->CloseFigure();
  check(gdi::CloseFigure(TempDC));
  FCustomPath->CloseFigure();
}

void THtPathGDI::AddLine(float x1, float y1, float x2, float y2) {
  GPath->AddLine(x1, y1, x2, y2);
  dropShapes();
  onlyShapes_ = false;
  if (SameSingle(x1, x2) || SameSingle(y1, y2)) {
    // Axis lines sit on pixel edges: half a unit up and left.
    MoveToEx(TempDC, roundAway(x1 - 0.5), roundAway(y1 - 0.5), nullptr);
    gdi::LineTo(TempDC, roundAway(x2 - 0.5), roundAway(y2 - 0.5));
  } else {
    fHasCurves = true;
    MoveToEx(TempDC, roundAway(x1), roundAway(y1), nullptr);
    check(gdi::LineTo(TempDC, roundAway(x2), roundAway(y2)));
  }
  first = false;
  FCustomPath->AddLine(x1, y1, x2, y2);
}

void THtPathGDI::AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) {
  dropShapes();
  onlyShapes_ = false;
  GPath->AddArc(X, Y, w, h, StartAngle, SweepAngle);
  fHasCurves = true;
  double cx = std::nearbyint(X + w / 2.0 - 0.5), cy = std::nearbyint(Y + h / 2.0 - 0.5);
  double rad = M_PI / 180;
  if (SameSingle(w, h)) {
    double r = w / 2.0 - 0.1;
    if (first) {
      double rx = roundEven(w / 2.0 - 0.1), ry = roundEven(h / 2.0 - 0.1);
      MoveToEx(TempDC, roundEven(cx + rx * std::cos(StartAngle * rad)), roundEven(cy + ry * std::sin(StartAngle * rad)),
               nullptr);
    }
    check(AngleArc(TempDC, roundEven(cx), roundEven(cy), DWORD(std::max(0, roundEven(r))), -StartAngle, -SweepAngle));
  } else {
    double R = roundEven(std::max(w, h) / 2.0);
    double a0 = StartAngle * rad, a1 = (StartAngle + SweepAngle) * rad;
    SetArcDirection(TempDC, SweepAngle < 0 ? AD_COUNTERCLOCKWISE : AD_CLOCKWISE);
    check(ArcTo(TempDC, roundEven(X - 0.01), roundEven(Y - 0.01), roundEven(X + w - 0.01), roundEven(Y + h - 0.01),
                roundEven(cx + R * std::cos(a0)), roundEven(cy + R * std::sin(a0)), roundEven(cx + R * std::cos(a1)),
                roundEven(cy + R * std::sin(a1))));
    SetArcDirection(TempDC, AD_CLOCKWISE);
  }
  first = false;
  FCustomPath->AddArc(X, Y, w, h, StartAngle, SweepAngle, Width);
}

void THtPathGDI::AddRectangle(float X, float Y, float w, float h) {
  GPath->AddRectangle(gdiplus::RectF(X, Y, w, h));
  TRect r(roundEven(X), roundEven(Y), roundEven(double(X) + w), roundEven(double(Y) + h));
  check(gdi::Rectangle(TempDC, r.Left, r.Top, r.Right + fCD, r.Bottom + fCD));
  addShape(TShape{r, 0, 0, false}, r);
  first = false;
  FCustomPath->AddRectangle(X, Y, w, h);
}

void THtPathGDI::AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY) {
  fHasCurves = true;
  double rx = std::min<double>(RadiusX, w / 2.0), ry = std::min<double>(RadiusY, h / 2.0);
  if (SameSingle(2 * rx, w) && SameSingle(2 * ry, h)) {
    GPath->AddEllipse(X, Y, w, h);
  } else {
    GPath->StartFigure();
    float l = X - 0.5f, t = Y - 0.5f, r = X + w + 1 - float(2 * rx) - 1.5f, b = Y + h + 1 - float(2 * ry) - 1.5f;
    GPath->AddLine(X + RadiusX - 0.5f, t, X + w + 1 - RadiusX - 1.5f, t);
    GPath->AddArc(r, t, float(2 * rx), float(2 * ry), 270, 90);
    GPath->AddArc(r, b, float(2 * rx), float(2 * ry), 0, 90);
    GPath->AddArc(l, b, float(2 * rx), float(2 * ry), 90, 90);
    GPath->AddArc(l, t, float(2 * rx), float(2 * ry), 180, 90);
    GPath->CloseFigure();
  }
  TRect q(roundEven(X - 0.01), roundEven(Y - 0.01), roundEven(double(X) + w - 0.01), roundEven(double(Y) + h - 0.01));
  int cw = roundEven(2.0 * RadiusX), ch = roundEven(2.0 * RadiusY);
  check(gdi::RoundRect(TempDC, q.Left, q.Top, q.Right + fCD, q.Bottom + fCD, cw, ch));
  addShape(TShape{q, cw, ch, true}, q);
  first = false;
  FCustomPath->AddRoundRect(X, Y, w, h, RadiusX, RadiusY);
}

void THtPathGDI::AddBeziers(const TPointFArray& Pts) {
  dropShapes();
  onlyShapes_ = false;
  size_t n = Pts.size() / 3 * 3;
  if (n > 0) {
    TPointF start = FCustomPath->LastPoint();
    std::vector<gdiplus::PointF> gp;
    gp.emplace_back(start.X, start.Y);
    for (size_t i = 0; i < n; ++i) gp.emplace_back(Pts[i].X, Pts[i].Y);
    GPath->AddBeziers(gp.data(), int(gp.size()));
    fHasCurves = true;
    std::vector<POINT> ip(n);
    for (size_t i = 0; i < n; ++i) ip[i] = POINT{roundEven(Pts[i].X), roundEven(Pts[i].Y)};
    check(PolyBezierTo(TempDC, ip.data(), DWORD(n)));
  }
  first = false;
  FCustomPath->AddBeziers(Pts);
}

void THtPathGDI::AddPath(THtPath* APath) {
  auto* o = dynamic_cast<THtPathGDI*>(APath);
  if (!o) throw EInvalidCast(String(u"Invalid class typecast"));
  o->EndPath();
  GPath->AddPath(o->GPath.get(), true);
  fHasCurves = fHasCurves || o->fHasCurves;
  if (o->PointCount > 0) check(PolyDraw(TempDC, o->Points.data(), o->PointTypes.data(), o->PointCount));
  // The other path's shapes, corner sizes included, when both hold only shapes.
  if (onlyShapes_ && o->onlyShapes_) {
    for (const TShape& s : o->Shapes) {
      if (Shapes.empty()) {
        fIsRect = o->fIsRect;
        fIsRoundRect = o->fIsRoundRect;
        fRect = o->fRect;
        fRadiusX = o->fRadiusX;
        fRadiusY = o->fRadiusY;
      }
      Shapes.push_back(s);
    }
  } else if (o->PointCount > 0) {
    dropShapes();
    onlyShapes_ = false;
  }
  if (o->FCustomPath) FCustomPath->AddPath(o->FCustomPath);
}

void THtPathGDI::GetBounds(TRectF& R, const THtMatrixData*) {
  EndPath();
  if (PointCount == 0) {
    R = TRectF(0, 0, 0, 0);
    return;
  }
  // From the first point, so a path wholly left of or above the origin
  // keeps its true box.
  int l = Points[0].x, t = Points[0].y, r = l, b = t;
  for (int i = 1; i < PointCount; ++i) {
    l = std::min(l, Points[i].x);
    t = std::min(t, Points[i].y);
    r = std::max(r, Points[i].x);
    b = std::max(b, Points[i].y);
  }
  R = TRectF(float(l), float(t), float(r), float(b));
}

void THtPathGDI::Transform(const THtMatrixData& M) {
  gdiplus::Matrix gm(M.Data[0], M.Data[1], M.Data[2], M.Data[3], M.Data[4], M.Data[5]);
  GPath->Transform(&gm);
  if (!TempDC) {
    core::SetLastError(core::csInvalidParameter);
    RaiseLastGdiError();
  }
  if (TempDC->GraphicsMode != GM_ADVANCED) SetGraphicsMode(TempDC, GM_ADVANCED);
  XFORM x{M.Data[0], M.Data[1], M.Data[2], M.Data[3], M.Data[4], M.Data[5]};
  check(ModifyWorldTransform(TempDC, &x, MWT_LEFTMULTIPLY));
  FCustomPath->Transform(M);
}

void THtPathGDI::MoveTo(float CX, float CY) {
  if (!FCustomPath->Empty()) GPath->CloseFigure();
  GPath->AddLine(CX, CY, CX, CY);
  MoveToEx(TempDC, roundAway(CX), roundAway(CY), nullptr);
  FCustomPath->MoveTo(CX, CY);
}

void THtPathGDI::LineTo(float X, float Y) {
  gdiplus::PointF last;
  if (GPath->GetLastPoint(&last) == gdiplus::Ok) GPath->AddLine(last.X, last.Y, X, Y);
  dropShapes();
  onlyShapes_ = false;
  check(gdi::LineTo(TempDC, roundAway(X), roundAway(Y)));
  first = false;
  FCustomPath->LineTo(X, Y);
}

void THtPathGDI::PlayInto(HDC DC, bool AsPath) {
  EndPath();
  if (PointCount == 0) return;
  if (AsPath) check(gdi::BeginPath(DC));
  if (fIsRect || fIsRoundRect) {
    for (const TShape& s : Shapes)
      check(s.Round ? gdi::RoundRect(DC, s.R.Left, s.R.Top, s.R.Right, s.R.Bottom, s.RX, s.RY)
                    : gdi::Rectangle(DC, s.R.Left, s.R.Top, s.R.Right, s.R.Bottom));
  } else {
    check(PolyDraw(DC, Points.data(), PointTypes.data(), PointCount));
  }
  if (AsPath) check(gdi::EndPath(DC));
}

HRGN THtPathGDI::Region() {
  EndPath();
  if (!fRegion) {
    HDC d = CreateCompatibleDC(nullptr);
    // Shapes replay as on the canvas, whose context is in advanced mode.
    SetGraphicsMode(d, GM_ADVANCED);
    try {
      PlayInto(d, true);
      fRegion = PathToRegion(d);
    } catch (...) {
      DeleteDC(d);
      throw;
    }
    DeleteDC(d);
    if (!fRegion) RaiseLastGdiError();
  }
  return fRegion;
}

}  // namespace ht
