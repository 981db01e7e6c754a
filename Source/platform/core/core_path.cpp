#include "platform/core/core_path.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace ht::core {

TCoreMatrix TCoreMatrix::After(const TCoreMatrix& F) const {
  TCoreMatrix r;
  r.xx = F.xx * xx + F.yx * xy;
  r.yx = F.xx * yx + F.yx * yy;
  r.xy = F.xy * xx + F.yy * xy;
  r.yy = F.xy * yx + F.yy * yy;
  r.x0 = F.x0 * xx + F.y0 * xy + x0;
  r.y0 = F.x0 * yx + F.y0 * yy + y0;
  return r;
}

bool TCoreMatrix::IsFinite() const {
  return std::isfinite(xx) && std::isfinite(yx) && std::isfinite(xy) && std::isfinite(yy) &&
         std::isfinite(x0) && std::isfinite(y0);
}

bool TCoreMatrix::IsInvertible() const {
  double det = xx * yy - yx * xy;
  return IsFinite() && std::isfinite(det) && det != 0;
}

void TCorePath::MoveTo(float x, float y) {
  // A move after a move replaces it: no empty figures.
  if (!Ops.empty() && Ops.back() == poMove) {
    Points.back() = TPointF(x, y);
  } else {
    Ops.push_back(poMove);
    Points.emplace_back(x, y);
  }
  figureStart_ = TPointF(x, y);
}

void TCorePath::LineTo(float x, float y) {
  if (Ops.empty() || Ops.back() == poClose) {
    TPointF start = Ops.empty() ? TPointF(x, y) : figureStart_;
    MoveTo(start.X, start.Y);
  }
  Ops.push_back(poLine);
  Points.emplace_back(x, y);
}

void TCorePath::CurveTo(float x1, float y1, float x2, float y2, float x3, float y3) {
  if (Ops.empty() || Ops.back() == poClose) {
    TPointF start = Ops.empty() ? TPointF(x1, y1) : figureStart_;
    MoveTo(start.X, start.Y);
  }
  Ops.push_back(poCurve);
  Points.emplace_back(x1, y1);
  Points.emplace_back(x2, y2);
  Points.emplace_back(x3, y3);
}

void TCorePath::Close() {
  if (!Ops.empty() && Ops.back() != poClose) Ops.push_back(poClose);
}

TPointF TCorePath::CurrentPoint() const {
  if (Ops.empty()) return {};
  if (Ops.back() == poClose) return figureStart_;
  return Points.back();
}

void TCorePath::Arc(float x, float y, float w, float h, float Start, float Sweep, bool Connect) {
  const double pi = 3.14159265358979323846;
  double rx = w / 2.0, ry = h / 2.0, cx = x + rx, cy = y + ry;
  // Polar angles on the ellipse become parametric angles.
  auto param = [&](double deg) {
    double a = deg * pi / 180;
    return std::atan2(rx * std::sin(a), ry * std::cos(a));
  };
  double t0, t1;
  if (std::fabs(Sweep) >= 360) {
    t0 = Start * pi / 180;
    t1 = t0 + (Sweep > 0 ? 2 * pi : -2 * pi);
  } else {
    t0 = param(Start);
    t1 = param(double(Start) + Sweep);
    // Keep the direction and the number of turns of the sweep.
    double base = std::floor((double(Start) + Sweep) / 360.0) - std::floor(Start / 360.0);
    t1 += base * 2 * pi;
    if (Sweep > 0) {
      while (t1 < t0) t1 += 2 * pi;
      while (t1 - t0 > 2 * pi) t1 -= 2 * pi;
    } else {
      while (t1 > t0) t1 -= 2 * pi;
      while (t0 - t1 > 2 * pi) t1 += 2 * pi;
    }
  }
  auto pt = [&](double t) { return TPointF(float(cx + rx * std::cos(t)), float(cy + ry * std::sin(t))); };
  TPointF p0 = pt(t0);
  if (Connect && HasCurrentPoint() && Ops.back() != poClose)
    LineTo(p0.X, p0.Y);
  else
    MoveTo(p0.X, p0.Y);
  int segs = std::max(1, int(std::ceil(std::fabs(t1 - t0) / (pi / 2) - 1e-9)));
  double step = (t1 - t0) / segs;
  double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < segs; ++i) {
    double a = t0 + i * step, b = a + step;
    double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    CurveTo(float(cx + rx * (ca - k * sa)), float(cy + ry * (sa + k * ca)), float(cx + rx * (cb + k * sb)),
            float(cy + ry * (sb - k * cb)), float(cx + rx * cb), float(cy + ry * sb));
  }
}

void TCorePath::Rectangle(float x, float y, float w, float h) {
  Ops.push_back(poMove);
  Points.emplace_back(x, y);
  figureStart_ = TPointF(x, y);
  LineTo(x + w, y);
  LineTo(x + w, y + h);
  LineTo(x, y + h);
  Close();
}

void TCorePath::Append(const TCorePath& Other, bool Connect) {
  size_t p = 0;
  bool first = true;
  for (TCorePathOp op : Other.Ops) {
    switch (op) {
      case poMove:
        if (first && Connect && HasCurrentPoint() && Ops.back() != poClose)
          LineTo(Other.Points[p].X, Other.Points[p].Y);
        else {
          Ops.push_back(poMove);
          Points.push_back(Other.Points[p]);
          figureStart_ = Other.Points[p];
        }
        ++p;
        break;
      case poLine:
        LineTo(Other.Points[p].X, Other.Points[p].Y);
        ++p;
        break;
      case poCurve:
        CurveTo(Other.Points[p].X, Other.Points[p].Y, Other.Points[p + 1].X, Other.Points[p + 1].Y,
                Other.Points[p + 2].X, Other.Points[p + 2].Y);
        p += 3;
        break;
      case poClose:
        Close();
        break;
    }
    first = false;
  }
}

void TCorePath::Transform(const TCoreMatrix& M) {
  for (auto& pt : Points) pt = M.Map(pt.X, pt.Y);
  figureStart_ = M.Map(figureStart_.X, figureStart_.Y);
}

void TCorePath::Clear() {
  Ops.clear();
  Points.clear();
  figureStart_ = TPointF();
}

bool TCorePath::Bounds(TRectF& R) const {
  if (Points.empty()) {
    R = TRectF();
    return false;
  }
  R = TRectF(Points[0].X, Points[0].Y, Points[0].X, Points[0].Y);
  for (const auto& p : Points) {
    R.Left = std::min(R.Left, p.X);
    R.Top = std::min(R.Top, p.Y);
    R.Right = std::max(R.Right, p.X);
    R.Bottom = std::max(R.Bottom, p.Y);
  }
  return true;
}

bool TCorePath::IsFinite() const {
  return std::all_of(Points.begin(), Points.end(),
                     [](const TPointF& p) { return std::isfinite(p.X) && std::isfinite(p.Y); });
}

bool TCorePath::IsRect(TRectF* R) const {
  // move, 3 or 4 lines, optional close
  size_t n = Ops.size();
  if (n < 4 || Ops[0] != poMove) return false;
  size_t lines = 0;
  for (size_t i = 1; i < n; ++i) {
    if (Ops[i] == poLine)
      ++lines;
    else if (Ops[i] == poClose && i == n - 1)
      ;
    else
      return false;
  }
  if (lines < 3 || lines > 4) return false;
  std::vector<TPointF> p(Points.begin(), Points.end());
  if (lines == 4) {
    if (p[4].X != p[0].X || p[4].Y != p[0].Y) return false;
  } else if (Ops.back() != poClose) {
    return false;
  }
  bool h0 = p[0].Y == p[1].Y && p[1].X == p[2].X && p[2].Y == p[3].Y && p[3].X == p[0].X;
  bool v0 = p[0].X == p[1].X && p[1].Y == p[2].Y && p[2].X == p[3].X && p[3].Y == p[0].Y;
  if (!h0 && !v0) return false;
  TRectF b;
  Bounds(b);
  if (b.Right <= b.Left || b.Bottom <= b.Top) return false;
  if (R) *R = b;
  return true;
}

void TCorePath::Apply(cairo_t* Cr) const {
  cairo_new_path(Cr);
  size_t p = 0;
  for (TCorePathOp op : Ops) {
    switch (op) {
      case poMove:
        cairo_move_to(Cr, Points[p].X, Points[p].Y);
        ++p;
        break;
      case poLine:
        cairo_line_to(Cr, Points[p].X, Points[p].Y);
        ++p;
        break;
      case poCurve:
        cairo_curve_to(Cr, Points[p].X, Points[p].Y, Points[p + 1].X, Points[p + 1].Y, Points[p + 2].X,
                       Points[p + 2].Y);
        p += 3;
        break;
      case poClose:
        cairo_close_path(Cr);
        break;
    }
  }
  cairo_set_fill_rule(Cr, FillRule == frWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
}

}  // namespace ht::core
