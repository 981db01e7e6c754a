#include "canvas/arc_geometry.h"

#include <algorithm>
#include <cmath>

#include "canvas/matrix.h"

namespace ht {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;

double toRad(double deg) { return deg * kPi / 180; }

// atan2 brought into 0..2pi.
double positiveAtan2(double y, double x) {
  double r = std::atan2(y, x);
  if (r < 0) r += kTwoPi;
  return r;
}

float clampUnit(float v) { return std::clamp(v, -1.0f, 1.0f); }

}  // namespace

// atan2(s tan t, s Rx/Ry) with s the sign of cos t equals atan2(sin t, Rx/Ry cos t);
// written without the tangent it stays exact at t = pi/2 and 3pi/2.
float XEllipse(float Angle, float Rx, float Ry) {
  const double t = Angle;
  const double sign = Ry < 0 ? -1 : 1;
  return float(positiveAtan2(std::sin(t) * std::fabs(Ry), std::cos(t) * Rx * sign));
}

float XCircle(float Angle, float Rx, float Ry) {
  const double t = Angle;
  const double sign = Rx < 0 ? -1 : 1;
  return float(positiveAtan2(std::sin(t) * std::fabs(Rx), std::cos(t) * Ry * sign));
}

void CalcArc(float X0, float Y0, float X, float Y, float Rx, float Ry, float Phi, bool LargeFlag, bool SweepFlag,
             float& CX, float& CY, float& AStart, float& ASweep, float* UsedRx, float* UsedRy) {
  if (UsedRx) *UsedRx = std::fabs(Rx);
  if (UsedRy) *UsedRy = std::fabs(Ry);
  if ((X0 == X && Y0 == Y) || Rx == 0 || Ry == 0) {
    CX = X0;
    CY = Y0;
    AStart = ASweep = 0;
    return;
  }
  Rx = std::fabs(Rx);
  Ry = std::fabs(Ry);
  const float phi = float(Phi * kPi / 180);
  const float sinPhi = std::sin(phi), cosPhi = std::cos(phi);

  const float dx = (X0 - X) / 2, dy = (Y0 - Y) / 2;
  const float x1 = cosPhi * dx + sinPhi * dy;
  const float y1 = -sinPhi * dx + cosPhi * dy;

  float rx2 = Rx * Rx, ry2 = Ry * Ry;
  const float x12 = x1 * x1, y12 = y1 * y1;
  const float lambda = (SameSingle(rx2, 0) || SameSingle(ry2, 0)) ? 0 : x12 / rx2 + y12 / ry2;
  if (lambda > 1) {
    const float k = std::sqrt(lambda);
    Rx *= k;
    Ry *= k;
    rx2 = Rx * Rx;
    ry2 = Ry * Ry;
  }
  if (UsedRx) *UsedRx = Rx;
  if (UsedRy) *UsedRy = Ry;

  const float r = (rx2 * ry2 - rx2 * y12 - ry2 * x12) / (rx2 * y12 + ry2 * x12);
  float c = 0;
  if (r > 0) c = std::sqrt(r) * (LargeFlag == SweepFlag ? -1.0f : 1.0f);
  else if (std::isnan(r)) c = r;

  const float cx1 = c * Rx * y1 / Ry;
  const float cy1 = -c * Ry * x1 / Rx;
  CX = (X0 + X) / 2 + cosPhi * cx1 - sinPhi * cy1;
  CY = (Y0 + Y) / 2 + sinPhi * cx1 + cosPhi * cy1;

  const float ux = (x1 - cx1) / Rx, uy = (y1 - cy1) / Ry;
  const float vx = (-x1 - cx1) / Rx, vy = (-y1 - cy1) / Ry;
  const float lu = std::sqrt(ux * ux + uy * uy), lv = std::sqrt(vx * vx + vy * vy);

  float start = std::acos(clampUnit(ux / lu));
  if (uy < 0) start = -start;
  if (start < 0) start += float(kTwoPi);
  float sweep = std::acos(clampUnit((ux * vx + uy * vy) / (lu * lv)));
  if (ux * vy - uy * vx < 0) sweep = -sweep;

  const float polarStart = XEllipse(start, Rx, Ry);
  const float polarEnd = XEllipse(start + sweep, Rx, Ry);
  ASweep = polarEnd - polarStart;
  AStart = polarStart;
  if (!SweepFlag && ASweep > 0) ASweep -= float(kTwoPi);
  else if (SweepFlag && ASweep < 0) ASweep += float(kTwoPi);

  AStart = float(AStart * 180 / kPi);
  ASweep = float(ASweep * 180 / kPi);
}

void ArctoBezier(float CX, float CY, float RX, float RY, double StartAngle, double SweepAngle, TPointFArray& Pts) {
  if (SweepAngle == 0 || !std::isfinite(SweepAngle) || !std::isfinite(StartAngle)) return;
  // Beyond a full turn the figure repeats itself: keep the end point but
  // trace at most two turns, so huge sweeps cannot ask for huge arrays.
  if (std::fabs(SweepAngle) > 2 * kTwoPi)
    SweepAngle = std::copysign(kTwoPi + std::fmod(std::fabs(SweepAngle), kTwoPi), SweepAngle);

  const int n = int(std::ceil(std::fabs(SweepAngle) / (kPi / 2) - 1e-6));
  const int count = std::max(n, 1);
  Pts.resize(size_t(3 * count + 1));
  const double seg = SweepAngle / count;
  const double a = seg / 2;
  const double sa = std::sin(a), ca = std::cos(a);
  const double k = 4 * (1 - ca) / 3;
  // k*ca/sa written as 4/3 tan(a/2) ca: finite for tiny segments of either sign.
  const double ky = 4.0 / 3.0 * std::tan(a / 2) * ca;
  const double p1x = ca + k, p1y = -(sa - ky);
  const double p2x = ca + k, p2y = sa - ky;
  const double p3x = ca, p3y = sa;

  auto place = [&](double x, double y, double theta) {
    const double c = std::cos(theta), s = std::sin(theta);
    return TPointF(float(CX + RX * (x * c - y * s)), float(CY + RY * (x * s + y * c)));
  };
  Pts[0] = place(ca, -sa, StartAngle + a);
  for (int i = 0; i < count; ++i) {
    const double theta = StartAngle + i * seg + a;
    Pts[size_t(3 * i + 1)] = place(p1x, p1y, theta);
    Pts[size_t(3 * i + 2)] = place(p2x, p2y, theta);
    Pts[size_t(3 * i + 3)] = place(p3x, p3y, theta);
  }
}

TPointF GetPositionForAngle(double Angle, const TPointF& Center, float RadiusX, float RadiusY) {
  const double a = toRad(Angle);
  return TPointF(float(Center.X + RadiusX * std::cos(a)), float(Center.Y + RadiusY * std::sin(a)));
}

void ArcParametric(float w, float h, float StartAngle, float SweepAngle, double& T0, double& DT) {
  T0 = XCircle(float(toRad(StartAngle)), w, h);
  if (SweepAngle == 0 || !std::isfinite(SweepAngle)) {
    DT = 0;
    return;
  }
  const double t1 = XCircle(float(toRad(double(StartAngle) + SweepAngle)), w, h);
  double dt = t1 - T0;
  if (SweepAngle > 0) {
    if (dt < 0) dt += kTwoPi;
  } else if (dt > 0) {
    dt -= kTwoPi;
  }
  // Whole turns cannot be told from the end angle; float noise near them
  // could also flip a tiny remainder into a near-full turn.
  const double mag = std::fabs(double(SweepAngle));
  const double rem = std::fmod(mag, 360.0);
  if (rem < 1e-4)
    dt = 0;
  else if (rem > 360 - 1e-4)
    dt = std::copysign(kTwoPi, double(SweepAngle));
  const double turns = std::min(std::floor(mag / 360), 2.0);
  dt += std::copysign(turns * kTwoPi, double(SweepAngle));
  DT = dt;
}

TPointF ArcStartPoint(float X, float Y, float w, float h, float StartAngle) {
  const double t = XCircle(float(toRad(StartAngle)), w, h);
  return TPointF(float(X + w / 2.0 + w / 2.0 * std::cos(t)), float(Y + h / 2.0 + h / 2.0 * std::sin(t)));
}

TPointF ArcEndPoint(float X, float Y, float w, float h, float StartAngle, float SweepAngle) {
  return ArcStartPoint(X, Y, w, h, float(double(StartAngle) + SweepAngle));
}

}  // namespace ht
