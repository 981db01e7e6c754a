#include "canvas/brush.h"

#include <algorithm>
#include <cmath>

namespace ht {

const THtBrushClass THtBrush::ClassType{"THtBrush", nullptr, std::type_identity<THtBrush>()};

THtBrush::THtBrush(uint32_t AColor) : FColor(AColor) {}

namespace {

// A negative angle as its equivalent in [0, 360), in one step however far
// below 0 it is; an angle that is not finite (NaN, infinity) has no
// direction and counts as 0.
float nonNegativeAngle(float Angle) {
  if (!std::isfinite(Angle)) return 0;
  if (Angle >= 0) return Angle;
  Angle = std::fmod(Angle, 360.0f);
  if (Angle < 0) Angle += 360;
  return Angle;
}

}  // namespace

THtBrush::THtBrush(const TRectF& R, uint32_t, uint32_t, float AAngle, const TRectF& AFillRect)
    : Kind(hbGradient), GradientRect(R), FillRect(AFillRect) {
  Angle = nonNegativeAngle(AAngle);
}

THtBrush::THtBrush(float AOffsetX, float AOffsetY, float ACx, float ACy, float AFX, float AFY,
                   float ARadius, const THtMatrixData& AMatrix)
    : Kind(hbRadial),
      OffsetX(AOffsetX),
      OffsetY(AOffsetY),
      CX(ACx),
      CY(ACy),
      FX(AFX),
      FY(AFY),
      Radius(ARadius),
      Matrix(AMatrix) {}

void THtBrush::SetGradientColors(const TSingleArray& Positions, const TCardinalArray& Colors) {
  GradientColors = Colors;
  GradientPositions = Positions;
  // A gradient always ends at position 1 with its last colour.
  if (!Positions.empty() && !SameSingle(Positions.back(), 1)) {
    if (!GradientColors.empty()) GradientColors.push_back(GradientColors.back());
    GradientPositions.push_back(1);
  }
}

std::unique_ptr<THtBrush> THtBrush::Clone() const {
  const THtBrushClass* cls = ClassRefOf();
  std::unique_ptr<THtBrush> b;
  if (Kind == hbGradient)
    b = cls->CreateGradient(GradientRect, 0, 0, Angle, FillRect);
  else if (Kind == hbRadial)
    b = cls->CreateRadialGradient(OffsetX, OffsetY, CX, CY, FX, FY, Radius, Matrix);
  else
    b = cls->Create(GetColor());
  b->Kind = Kind;
  b->OffsetX = OffsetX;
  b->OffsetY = OffsetY;
  b->CX = CX;
  b->CY = CY;
  b->FX = FX;
  b->FY = FY;
  b->Radius = Radius;
  b->Matrix = Matrix;
  b->Angle = Angle;
  b->GradientRect = GradientRect;
  if (!GradientColors.empty()) b->SetGradientColors(GradientPositions, GradientColors);
  return b;
}

uint32_t THtBrush::CalcGradientColor(float X, float Y) {
  if (GradientColors.size() < 2) return GradientColors.size() == 1 ? GradientColors[0] : GetColor();
  Angle = nonNegativeAngle(Angle);

  // The point relative to the corner where the gradient starts.
  float x, y;
  if (Angle <= 90) {
    x = X - FillRect.Left;
    y = FillRect.Bottom - Y;
  } else if (Angle <= 180) {
    x = X - FillRect.Left;
    y = Y - FillRect.Top;
  } else if (Angle <= 270) {
    x = FillRect.Right - X;
    y = Y - FillRect.Top;
  } else {
    x = FillRect.Right - X;
    y = FillRect.Bottom - Y;
  }
  THtMatrixData m;
  m.Rotate(Angle <= 180 ? 90 - Angle : Angle - 90);
  const float p = m.TransformPoint(TPointF(x, y)).X;
  const float width = std::fabs(FillRect.Right - FillRect.Left);
  const float t = width > 0 ? std::fabs(p) / width : 0;

  // Stops without positions (or fewer positions than colours) pair up as far
  // as both arrays reach.
  const size_t n = std::min(GradientPositions.size(), GradientColors.size());
  if (n == 0) return GradientColors[0];
  const float* pos = GradientPositions.data();
  const uint32_t* col = GradientColors.data();
  if (t <= pos[0]) return col[0];
  size_t i = 0;
  while (i < n - 1 && t >= pos[i + 1]) ++i;
  if (i == n - 1) return col[n - 1];
  if (SameSingle(pos[i], pos[i + 1])) return col[i];

  const float f = (t - pos[i]) / (pos[i + 1] - pos[i]);
  uint32_t result = 0;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const int c0 = int((col[i] >> shift) & 0xFF);
    const int c1 = int((col[i + 1] >> shift) & 0xFF);
    const long v = std::lrint(f * float(c1 - c0)) + c0;
    result |= uint32_t(std::clamp(v, 0L, 255L)) << shift;
  }
  return result;
}

}  // namespace ht
