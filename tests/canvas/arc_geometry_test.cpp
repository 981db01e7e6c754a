#include "canvas/arc_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ht {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(ArcGeometry, PolarAndParametricAngles) {
  EXPECT_NEAR(XEllipse(float(kPi / 4), 2, 1), std::atan2(1.0, 2.0), 1e-6);
  EXPECT_NEAR(XCircle(XEllipse(float(kPi / 4), 2, 1), 2, 1), kPi / 4, 1e-6);
  // The axes map to themselves, also where the tangent is infinite.
  for (double a : {0.0, kPi / 2, kPi, 3 * kPi / 2}) {
    EXPECT_NEAR(XEllipse(float(a), 2, 1), a, 1e-6) << a;
    EXPECT_NEAR(XCircle(float(a), 2, 1), a, 1e-6) << a;
  }
  // Negative angles and angles past a full turn come back within 0..2pi.
  EXPECT_NEAR(XEllipse(float(-kPi / 2), 2, 1), 3 * kPi / 2, 1e-6);
  EXPECT_NEAR(XEllipse(float(2 * kPi + 0.5), 1, 1), 0.5, 1e-5);
}

TEST(ArcGeometry, CalcArc) {
  float cx, cy, start, sweep, rx, ry;
  // Half a circle, clockwise on the y-down surface.
  CalcArc(0, 0, 10, 0, 5, 5, 0, false, true, cx, cy, start, sweep, &rx, &ry);
  EXPECT_NEAR(cx, 5, 1e-4);
  EXPECT_NEAR(cy, 0, 1e-4);
  EXPECT_NEAR(start, 180, 1e-3);
  EXPECT_NEAR(sweep, 180, 1e-3);

  // Radii too small: scaled up until the centre lies between the ends.
  CalcArc(0, 0, 10, 0, 1, 1, 0, false, true, cx, cy, start, sweep, &rx, &ry);
  EXPECT_NEAR(cx, 5, 1e-4);
  EXPECT_NEAR(cy, 0, 1e-4);
  EXPECT_NEAR(rx, 5, 1e-4);
  EXPECT_NEAR(ry, 5, 1e-4);

  // The large arc of a circle of radius 10 through (0, 0) and (10, 0),
  // counter-clockwise.
  CalcArc(0, 0, 10, 0, 10, 10, 0, true, false, cx, cy, start, sweep);
  EXPECT_NEAR(cx, 5, 1e-3);
  EXPECT_NEAR(cy, std::sqrt(75.0), 1e-3);
  EXPECT_NEAR(sweep, -300, 1e-2);

  // Equal end points or a zero radius: the start as centre, no angles.
  CalcArc(3, 4, 3, 4, 5, 5, 0, false, true, cx, cy, start, sweep);
  EXPECT_EQ(cx, 3);
  EXPECT_EQ(cy, 4);
  EXPECT_EQ(sweep, 0);
  CalcArc(3, 4, 8, 4, 0, 5, 0, false, true, cx, cy, start, sweep);
  EXPECT_EQ(cx, 3);
  EXPECT_EQ(start, 0);
}

TEST(ArcGeometry, ArctoBezier) {
  TPointFArray pts{TPointF(1, 2)};
  ArctoBezier(0, 0, 5, 5, 0, 0, pts);
  ASSERT_EQ(pts.size(), 1u);  // a zero sweep changes nothing
  ArctoBezier(0, 0, 5, 5, 0, std::nan(""), pts);
  ASSERT_EQ(pts.size(), 1u);

  struct Case {
    double sweep;
    size_t points;
  } cases[] = {{kPi / 2, 4}, {kPi, 7}, {-kPi * 0.6, 7}, {2 * kPi, 13}, {1e-7, 4}, {-1e-7, 4}};
  for (const Case& c : cases) {
    ArctoBezier(10, 20, 4, 2, 0.3, c.sweep, pts);
    ASSERT_EQ(pts.size(), c.points) << c.sweep;
    // Every segment end lies on the ellipse at its parametric angle.
    const size_t n = (pts.size() - 1) / 3;
    for (size_t i = 0; i <= n; ++i) {
      const double t = 0.3 + c.sweep * double(i) / double(n);
      EXPECT_NEAR(pts[3 * i].X, 10 + 4 * std::cos(t), 1e-4) << c.sweep << " " << i;
      EXPECT_NEAR(pts[3 * i].Y, 20 + 2 * std::sin(t), 1e-4) << c.sweep << " " << i;
    }
    for (const TPointF& p : pts) EXPECT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
  }
  // A huge sweep keeps its end point but traces at most two turns.
  ArctoBezier(0, 0, 1, 1, 0, 1e12, pts);
  EXPECT_LE(pts.size(), 3u * 8 + 1);
  EXPECT_NEAR(pts.back().X, std::cos(std::fmod(1e12, 2 * kPi)), 1e-3);
}

TEST(ArcGeometry, ArcPointsFollowPolarAngles) {
  // 45 degrees on a wide ellipse lies on the diagonal from the centre.
  const TPointF p = ArcStartPoint(0, 0, 40, 10, 45);
  EXPECT_NEAR(p.X - 20, p.Y - 5, 1e-4);
  const TPointF e = ArcEndPoint(0, 0, 40, 10, 0, 90);
  EXPECT_NEAR(e.X, 20, 1e-4);
  EXPECT_NEAR(e.Y, 10, 1e-4);
  const TPointF g = GetPositionForAngle(90, TPointF(1, 1), 3, 2);
  EXPECT_NEAR(g.X, 1, 1e-6);
  EXPECT_NEAR(g.Y, 3, 1e-6);

  double t0, dt;
  ArcParametric(10, 10, 0, 360, t0, dt);
  EXPECT_NEAR(dt, 2 * kPi, 1e-6);
  ArcParametric(10, 10, 90, -450, t0, dt);
  EXPECT_NEAR(t0, kPi / 2, 1e-6);
  EXPECT_NEAR(dt, -2.5 * kPi, 1e-5);
}

}  // namespace
}  // namespace ht
