#include "backends/gp_drawing_objects.h"

#include <algorithm>
#include <cmath>

namespace ht {

const THtBrushClass THtBrushGP::ClassType{"THtBrushGP", &THtBrush::ClassType, std::type_identity<THtBrushGP>()};
const THtPenClass THtPenGP::ClassType{"THtPenGP", &THtPen::ClassType, CreateInstance<THtPenGP, THtPen, uint32_t, float>};
const THtPathClass THtPathGP::ClassType{"THtPathGP", &THtPath::ClassType, CreateInstance<THtPathGP, THtPath, bool>};

gdiplus::Matrix ToGPMatrix(const THtMatrixData& M) {
  return gdiplus::Matrix(M.Data[0], M.Data[1], M.Data[2], M.Data[3], M.Data[4], M.Data[5]);
}

gdiplus::RectF ToGPRect(const TRectF& R) { return gdiplus::RectF(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top); }

// ---------------------------------------------------------------- brush

THtBrushGP::THtBrushGP(uint32_t AColor) : THtBrush(AColor), Brush(std::make_unique<gdiplus::SolidBrush>(AColor)) {}

THtBrushGP::THtBrushGP(const TRectF& R, uint32_t StartColor, uint32_t EndColor, float AAngle, const TRectF& AFillRect)
    : THtBrush(R, StartColor, EndColor, AAngle, AFillRect) {
  // A zero-sized fill rectangle still gets a gradient one unit across.
  float w = std::max(FillRect.Right - FillRect.Left, 1.0f), h = std::max(FillRect.Bottom - FillRect.Top, 1.0f);
  Brush = std::make_unique<gdiplus::LinearGradientBrush>(gdiplus::RectF(FillRect.Left, FillRect.Top, w, h),
                                                         StartColor, EndColor, Angle - 90, false);
}

THtBrushGP::THtBrushGP(float AOffsetX, float AOffsetY, float ACx, float ACy, float AFX, float AFY, float ARadius,
                       const THtMatrixData& AMatrix)
    : THtBrush(AOffsetX, AOffsetY, ACx, ACy, AFX, AFY, ARadius, AMatrix) {}

void THtBrushGP::SetColor(uint32_t Value) {
  THtBrush::SetColor(Value);
  if (auto* s = dynamic_cast<gdiplus::SolidBrush*>(Brush.get())) s->SetColor(Value);
}

void THtBrushGP::SetGradientColors(const TSingleArray& Positions, const TCardinalArray& Colors) {
  THtBrush::SetGradientColors(Positions, Colors);
  if (auto* l = dynamic_cast<gdiplus::LinearGradientBrush*>(Brush.get())) {
    size_t n = std::min(GradientColors.size(), GradientPositions.size());
    l->SetInterpolationColors(GradientColors.data(), GradientPositions.data(), int(n));
  }
}

// ---------------------------------------------------------------- pen

THtPenGP::THtPenGP(uint32_t AColor, float AWidth) : THtPen(AColor, AWidth), Pen(AColor, AWidth) {
  Pen.SetMiterLimit(5);
}

bool THtPenGP::GetAlignInset() const { return Pen.GetAlignment() == gdiplus::PenAlignmentInset; }

void THtPenGP::SetColor(uint32_t Value) {
  THtPen::SetColor(Value);
  Pen.SetColor(Value);
}

void THtPenGP::SetWidth(float Value) {
  THtPen::SetWidth(Value);
  Pen.SetWidth(Value);
}

void THtPenGP::SetAlignInset(bool Value) {
  THtPen::SetAlignInset(Value);
  Pen.SetAlignment(Value ? gdiplus::PenAlignmentInset : gdiplus::PenAlignmentCenter);
}

void THtPenGP::SetStyle(THtPenStyle Value) {
  THtPen::SetStyle(Value);
  // Solid 0 .. dash-dot-dot 4 share their numbers; clear (5) is the custom
  // style, which without a pattern draws nothing.
  if (Value == hpsClear) {
    gdiplus::Pen fresh(Pen.GetColor(), Pen.GetWidth());
    fresh.SetMiterLimit(Pen.GetMiterLimit());
    fresh.SetLineJoin(Pen.GetLineJoin());
    fresh.SetStartCap(Pen.GetStartCap());
    fresh.SetEndCap(Pen.GetStartCap());
    fresh.SetDashOffset(Pen.GetDashOffset());
    fresh.SetAlignment(Pen.GetAlignment());
    Pen = fresh;
    Pen.SetDashStyle(gdiplus::DashStyleCustom);
  } else {
    Pen.SetDashStyle(gdiplus::DashStyle(Value));
  }
}

void THtPenGP::SetLineJoin(THtLineJoin Value) {
  THtPen::SetLineJoin(Value);
  Pen.SetLineJoin(gdiplus::LineJoin(Value));
}

void THtPenGP::SetDashOffset(float Value) {
  THtPen::SetDashOffset(Value);
  Pen.SetDashOffset(Value);
}

void THtPenGP::SetLineCap(THtLineCap Value) {
  THtPen::SetLineCap(Value);
  Pen.SetStartCap(gdiplus::LineCap(Value));
  Pen.SetEndCap(gdiplus::LineCap(Value));
  Pen.SetDashCap(gdiplus::DashCapFlat);
}

void THtPenGP::SetDashes(const TSingleArray& ADashes) {
  THtPen::SetDashes(ADashes);
  if (!Dashes.empty() && GetStyle() != hpsClear) {
    if (Pen.SetDashPattern(Dashes.data(), int(Dashes.size())) != gdiplus::Ok)
      Pen.SetDashStyle(gdiplus::DashStyle(GetStyle()));
  } else if (Dashes.empty() && GetStyle() != hpsClear) {
    Pen.SetDashStyle(gdiplus::DashStyle(GetStyle()));
  }
}

// ---------------------------------------------------------------- path

THtPathGP::THtPathGP(bool AForClip) : THtPath(AForClip) {
  SetCustomPath(std::make_unique<THtCustomPath>(AForClip));
}

bool THtPathGP::GetFillModeWinding() const { return Path.GetFillMode() == gdiplus::FillModeWinding; }

void THtPathGP::SetFillModeWinding(bool Value) {
  THtPath::SetFillModeWinding(Value);
  FCustomPath->SetFillModeWinding(Value);
  Path.SetFillMode(Value ? gdiplus::FillModeWinding : gdiplus::FillModeAlternate);
  changed();
}

void THtPathGP::Clear() {
  gdiplus::FillMode mode = Path.GetFillMode();
  Path.Reset();
  Path.SetFillMode(mode);
  FCustomPath->Clear();
  InFigure = false;
  changed();
}

std::unique_ptr<THtPath> THtPathGP::Clone() const {
  auto p = std::make_unique<THtPathGP>(false);
  p->Path = Path;
  p->FCustomPath->Clear();
  p->FCustomPath->AddPath(const_cast<THtCustomPath*>(FCustomPath));
  p->FFillModeWindings = FFillModeWindings;
  p->FCustomPath->SetFillModeWinding(FFillModeWindings);
  return p;
}

void THtPathGP::StartFigure() {
  Path.StartFigure();
  FCustomPath->StartFigure();
  LastIsMoveTo = false;
  InFigure = false;
  changed();
}

void THtPathGP::CloseFigure() {
  Path.CloseFigure();
  FCustomPath->CloseFigure();
  InFigure = false;
  changed();
}

void THtPathGP::MoveTo(float CX, float CY) {
  LastMoveTo = gdiplus::PointF(CX, CY);
  if (InFigure) Path.StartFigure();
  FCustomPath->MoveTo(CX, CY);
  LastIsMoveTo = true;
  changed();
}

void THtPathGP::LineTo(float X, float Y) {
  gdiplus::PointF from = LastMoveTo;
  if (!LastIsMoveTo) Path.GetLastPoint(&from);
  Path.AddLine(from.X, from.Y, X, Y);
  FCustomPath->LineTo(X, Y);
  drew();
}

void THtPathGP::AddLine(float x1, float y1, float x2, float y2) {
  if (SameSingle(x1, x2) && SameSingle(y1, y2)) {
    MoveTo(x2, y2);
    return;
  }
  Path.AddLine(x1, y1, x2, y2);
  FCustomPath->AddLine(x1, y1, x2, y2);
  drew();
}

void THtPathGP::AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) {
  Path.AddArc(X, Y, w, h, StartAngle, SweepAngle);
  FCustomPath->AddArc(X, Y, w, h, StartAngle, SweepAngle, Width);
  drew();
}

void THtPathGP::AddRectangle(float X, float Y, float w, float h) {
  Path.AddRectangle(gdiplus::RectF(X - 0.5f, Y - 0.5f, w, h));
  FCustomPath->AddRectangle(X, Y, w, h);
  drew();
}

void THtPathGP::AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY) {
  THtPath::AddRoundRect(X, Y, w, h, RadiusX, RadiusY);
  Path.CloseFigure();
  InFigure = false;
  changed();
}

void THtPathGP::AddBeziers(const TPointFArray& Points) {
  if (!Points.empty()) {
    TPointF start = FCustomPath->LastPoint();
    std::vector<gdiplus::PointF> pts;
    pts.emplace_back(start.X, start.Y);
    size_t n = Points.size() / 3 * 3;
    for (size_t i = 0; i < n; ++i) pts.emplace_back(Points[i].X, Points[i].Y);
    if (n > 0) Path.AddBeziers(pts.data(), int(pts.size()));
    FCustomPath->AddBeziers(Points);
  }
  drew();
}

void THtPathGP::AddPath(THtPath* APath) {
  if (auto* other = dynamic_cast<THtPathGP*>(APath)) {
    Path.AddPath(&other->Path, true);
    FCustomPath->AddPath(other->FCustomPath);
  } else if (THtCustomPath* recs = CustomPathOf(APath)) {
    FCustomPath->AddPath(recs);
  }
  drew();
}

void THtPathGP::GetBounds(TRectF& R, const THtMatrixData* M) {
  gdiplus::RectF b;
  if (M) {
    gdiplus::Matrix m = ToGPMatrix(*M);
    Path.GetBounds(&b, &m);
  } else {
    Path.GetBounds(&b);
  }
  R = TRectF(b.X, b.Y, b.X + b.Width, b.Y + b.Height);
}

void THtPathGP::Transform(const THtMatrixData& M) {
  gdiplus::Matrix m = ToGPMatrix(M);
  Path.Transform(&m);
  FCustomPath->Transform(M);
  changed();
}

gdiplus::Region* THtPathGP::VisRegion() {
  if (!fVisRegion) fVisRegion = std::make_unique<gdiplus::Region>(&Path);
  return fVisRegion.get();
}

}  // namespace ht
