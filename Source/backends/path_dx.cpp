#include "backends/path_dx.h"

#include <algorithm>
#include <cmath>

#include "backends/d2d_helper.h"

namespace ht {

using namespace d2d;

const THtPathClass THtPathDX::ClassType{"THtPathDX", &THtPath::ClassType, &CreateInstance<THtPathDX, THtPath, bool>};

THtPathDX::THtPathDX(bool AForClip) : THtPath(AForClip) {
  SetCustomPath(std::make_unique<THtCustomPath>(AForClip));
  newGeometry();
}

THtPathDX::~THtPathDX() = default;

void THtPathDX::newGeometry() {
  Sink.reset();
  OleCheck(D2DHelper().D2DFactory->CreatePathGeometry(&Geometry));
  OleCheck(Geometry->Open(&Sink));
  FClosed = false;
}

void THtPathDX::reopen() {
  if (!FClosed) return;
  THtCustomPath copy;
  copy.Assign(rec());
  Sink.reset();
  Geometry.reset();
  newGeometry();
  if (FFillModeWindings) Sink->SetFillMode(D2D1_FILL_MODE_WINDING);
  rec().Clear();
  FEmpty = true;
  FEnded = true;
  AddPath(&copy);
}

void THtPathDX::begin(float x, float y) {
  Sink->BeginFigure({x, y}, D2D1_FIGURE_BEGIN_FILLED);
  FEmpty = false;
  FEnded = false;
}

void THtPathDX::SetFillModeWinding(bool Value) {
  if (Value == FFillModeWindings) return;
  if (Sink) Sink->SetFillMode(Value ? D2D1_FILL_MODE_WINDING : D2D1_FILL_MODE_ALTERNATE);
  FFillModeWindings = Value;
}

void THtPathDX::EndPath() {
  THtPath::EndPath();
  if (!FEnded && Sink) {
    Sink->EndFigure(D2D1_FIGURE_END_OPEN);
    FEnded = true;
  }
  if (!FClosed) {
    OleCheck(Sink->Close());
    Sink.reset();
    FClosed = true;
    GetBounds(R, nullptr);
  }
}

void THtPathDX::Clear() {
  if (FEmpty) return;
  if (!FClosed) {
    // A failed close is of no interest: the geometry is being dropped.
    if (!FEnded) Sink->EndFigure(D2D1_FIGURE_END_OPEN);
    Sink->Close();
  }
  Geometry.reset();
  Sink.reset();
  newGeometry();
  if (FFillModeWindings) Sink->SetFillMode(D2D1_FILL_MODE_WINDING);
  FEmpty = true;
  FEnded = true;
  rec().Clear();
}

std::unique_ptr<THtPath> THtPathDX::Clone() const {
  auto* self = const_cast<THtPathDX*>(this);
  self->EndPath();
  auto c = std::make_unique<THtPathDX>(FForClip);
  c->EndPath();
  c->Geometry = Geometry;
  c->Sink.reset();
  c->R = R;
  c->FEmpty = FEmpty;
  c->FFillModeWindings = FFillModeWindings;
  c->CustomPath()->Assign(*FCustomPath);
  return c;
}

void THtPathDX::CloseFigure() {
  if (!FEnded && Sink) {
    Sink->EndFigure(D2D1_FIGURE_END_CLOSED);
    FEnded = true;
  }
  THtPath::CloseFigure();
  rec().CloseFigure();
}

void THtPathDX::AddLine(float x1, float y1, float x2, float y2) {
  reopen();
  if (FEmpty || FEnded) begin(x1, y1);
  Sink->AddLine({x2, y2});
  rec().AddLine(x1, y1, x2, y2);
}

TPointF THtPathDX::EllipsePoint(float X, float Y, float w, float h, float Angle) {
  const double pi = 3.14159265358979323846;
  double rx = w / 2.0, ry = h / 2.0, cx = X + rx, cy = Y + ry;
  float t = float(double(Angle) * pi / 180);
  double s = std::sin(double(t)), k = std::cos(double(t));
  double d = (s / k) * rx / ry;
  double e = std::sqrt(d * d + 1);
  double px = rx / e, py = ry * d / e;
  auto sign = [](double v) { return v > 0 ? 1 : v < 0 ? -1 : 0; };
  // A value keeps its sign when it matches the reference's, else flips.
  if (sign(px) != sign(k)) px = -px;
  if (sign(py) != sign(s)) py = -py;
  return TPointF(float(cx + px), float(cy + py));
}

void THtPathDX::AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float) {
  if (!(w > 0) || !(h > 0)) {
    LineTo(X, Y);
    return;
  }
  reopen();
  float rx = w / 2, ry = h / 2;
  TPointF p0 = EllipsePoint(X, Y, w, h, StartAngle);
  if (FEmpty || FEnded)
    begin(p0.X, p0.Y);
  else
    Sink->AddLine({p0.X, p0.Y});
  D2D1_ARC_SEGMENT a;
  a.size = {rx, ry};
  a.sweepDirection = SweepAngle > 0 ? D2D1_SWEEP_DIRECTION_CLOCKWISE : D2D1_SWEEP_DIRECTION_COUNTER_CLOCKWISE;
  if (std::fabs(SweepAngle) >= 359.9f) {
    // A whole turn ends where it starts; two half arcs draw the ellipse.
    TPointF mid = EllipsePoint(X, Y, w, h, StartAngle + 180);
    a.arcSize = D2D1_ARC_SIZE_SMALL;
    a.point = {mid.X, mid.Y};
    Sink->AddArc(a);
    a.point = {p0.X, p0.Y};
    Sink->AddArc(a);
  } else {
    TPointF p1 = EllipsePoint(X, Y, w, h, StartAngle + SweepAngle);
    a.point = {p1.X, p1.Y};
    a.arcSize = std::fabs(SweepAngle) >= 180 ? D2D1_ARC_SIZE_LARGE : D2D1_ARC_SIZE_SMALL;
    Sink->AddArc(a);
  }
  rec().AddArc(X, Y, w, h, StartAngle, SweepAngle, 1.0f);
}

void THtPathDX::AddRectangle(float X, float Y, float w, float h) {
  reopen();
  if (FEmpty) {
    // Several rectangles in one path cover their union.
    Sink->SetFillMode(D2D1_FILL_MODE_WINDING);
    FEmpty = false;
  }
  if (FEnded) Sink->BeginFigure({X, Y}, D2D1_FIGURE_BEGIN_FILLED);
  Sink->AddLine({X + w, Y});
  Sink->AddLine({X + w, Y + h});
  Sink->AddLine({X, Y + h});
  Sink->AddLine({X, Y});
  Sink->EndFigure(D2D1_FIGURE_END_CLOSED);
  FEnded = true;
  rec().AddLine(X, Y, X + w, Y);
  rec().LineTo(X + w, Y + h);
  rec().LineTo(X, Y + h);
  rec().LineTo(X, Y);
}

void THtPathDX::AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY) {
  reopen();
  // Its own closed figure, so the path's other figures stay (a border ring
  // is two rounded rectangles in one path).
  if (!FEnded) {
    Sink->EndFigure(D2D1_FIGURE_END_OPEN);
    FEnded = true;
  }
  float l = std::min(X, X + w), r = std::max(X, X + w), t = std::min(Y, Y + h), b = std::max(Y, Y + h);
  float rx = std::clamp(RadiusX, 0.0f, (r - l) / 2), ry = std::clamp(RadiusY, 0.0f, (b - t) / 2);
  if (!(rx > 0) || !(ry > 0)) rx = ry = 0;
  begin(l + rx, t);
  auto corner = [&](float x, float y) {
    if (rx == 0) return;
    D2D1_ARC_SEGMENT a;
    a.point = {x, y};
    a.size = {rx, ry};
    a.sweepDirection = D2D1_SWEEP_DIRECTION_CLOCKWISE;
    Sink->AddArc(a);
  };
  Sink->AddLine({r - rx, t});
  corner(r, t + ry);
  Sink->AddLine({r, b - ry});
  corner(r - rx, b);
  Sink->AddLine({l + rx, b});
  corner(l, b - ry);
  Sink->AddLine({l, t + ry});
  corner(l + rx, t);
  Sink->EndFigure(D2D1_FIGURE_END_CLOSED);
  FEnded = true;
  rec().AddRoundRect(X, Y, w, h, RadiusX, RadiusY);
}

void THtPathDX::AddBeziers(const TPointFArray& Points) {
  if (Points.empty()) return;
  reopen();
  if (FEmpty || FEnded) begin(Points[0].X, Points[0].Y);
  for (size_t i = 0; i + 2 < Points.size(); i += 3)
    Sink->AddBezier({{Points[i].X, Points[i].Y}, {Points[i + 1].X, Points[i + 1].Y}, {Points[i + 2].X, Points[i + 2].Y}});
  rec().AddBeziers(Points);
}

void THtPathDX::AddPath(THtPath* APath) {
  THtCustomPath* src = CustomPathOf(APath);
  if (!src) return;
  // A copy: the source may be this path.
  THtCustomPath recs;
  recs.Assign(*src);
  for (int i = 0; i < recs.Count(); ++i) {
    const THtPathRec& r = recs.Rec(i);
    switch (r.Kind) {
      case prMoveTo: MoveTo(r.Point.X, r.Point.Y); break;
      case prLineTo: LineTo(r.Point.X, r.Point.Y); break;
      case prCurveTo: AddBeziers(r.Points); break;
      case prArc:
        if (r.Points.size() >= 3)
          AddArc(r.Points[0].X, r.Points[0].Y, r.Points[1].X, r.Points[1].Y, r.Points[2].X, r.Points[2].Y, 1.0f);
        break;
      case prStartFigure: StartFigure(); break;
      case prCloseFigure: CloseFigure(); break;
      case prEllipse:
        if (r.Points.size() >= 2) AddEllipse(r.Points[0].X, r.Points[0].Y, r.Points[1].X, r.Points[1].Y);
        break;
      case prQCurveto:
      case prPolyline: break;
    }
  }
}

void THtPathDX::GetBounds(TRectF& ARect, const THtMatrixData* M) {
  EndPath();
  if (FCustomPath->Empty()) {
    ARect = TRectF(0, 0, 0, 0);
    return;
  }
  D2D1_MATRIX_3X2_F m;
  if (M) m = {M->Data[0], M->Data[1], M->Data[2], M->Data[3], M->Data[4], M->Data[5]};
  D2D1_RECT_F b;
  OleCheck(Geometry->GetBounds(M ? &m : nullptr, &b));
  if (b.left > b.right) b = {0, 0, 0, 0};  // only empty figures
  ARect = TRectF(b.left, b.top, b.right, b.bottom);
}

void THtPathDX::Transform(const THtMatrixData& M) {
  THtCustomPath copy;
  copy.Assign(rec());
  copy.Transform(M);
  if (!FClosed && Sink) {
    if (!FEnded) Sink->EndFigure(D2D1_FIGURE_END_OPEN);
    Sink->Close();
  }
  FClosed = true;  // let reopen rebuild from the (transformed) record
  rec().Assign(copy);
  reopen();
}

void THtPathDX::MoveTo(float CX, float CY) {
  reopen();
  if (!FEnded) Sink->EndFigure(D2D1_FIGURE_END_OPEN);
  begin(CX, CY);
  rec().MoveTo(CX, CY);
}

void THtPathDX::LineTo(float X, float Y) {
  reopen();
  if (FEmpty || FEnded)
    begin(X, Y);
  else
    Sink->AddLine({X, Y});
  rec().LineTo(X, Y);
}

}  // namespace ht
