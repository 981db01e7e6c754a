#include "platform/gdi/gdi_paths.h"

#include "platform/gdi/gdi_internal.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace ht::gdi {

namespace {

using dcState = TGdiDC;

BOOL fail(uint32_t Code = core::csInvalidParameter) {
  core::SetLastError(Code);
  return 0;
}

struct ptF {
  double x, y;
};

POINT toDevice(const dcState& s, double x, double y) {
  const XFORM& m = s.A.Xf;
  double dx = x * m.eM11 + y * m.eM21 + m.eDx, dy = x * m.eM12 + y * m.eM22 + m.eDy;
  // Beyond the 32-bit range a point is clamped rather than wrapped.
  auto clampInt = [](double v) {
    if (!(v > -2147483648.0)) return int(-2147483647 - 1);
    if (!(v < 2147483647.0)) return 2147483647;
    return int(std::lround(v));
  };
  return POINT{clampInt(dx), clampInt(dy)};
}

void startFigure(dcState& s) {
  if (!s.Path.NeedMove) return;
  s.Path.Pts.push_back(toDevice(s, s.A.Cur.x, s.A.Cur.y));
  s.Path.Types.push_back(PT_MOVETO);
  s.Path.FigStart = s.A.Cur;
  s.Path.NeedMove = false;
}

void addLine(dcState& s, double x, double y) {
  startFigure(s);
  s.Path.Pts.push_back(toDevice(s, x, y));
  s.Path.Types.push_back(PT_LINETO);
}

void addBezier(dcState& s, ptF a, ptF b, ptF c) {
  startFigure(s);
  for (ptF p : {a, b, c}) {
    s.Path.Pts.push_back(toDevice(s, p.x, p.y));
    s.Path.Types.push_back(PT_BEZIERTO);
  }
}

void closeFigure(dcState& s) {
  if (!s.Path.Types.empty() && !s.Path.NeedMove) s.Path.Types.back() |= PT_CLOSEFIGURE;
  s.A.Cur = s.Path.FigStart;
  s.Path.NeedMove = true;
}

// The arc of the ellipse (centre C, radii Rx, Ry) from parameter angle T0
// over Sweep radians (positive: increasing angle, clockwise on a y-down
// screen), as Beziers of at most a quarter turn; the line to its start
// joins the open figure.
void addArc(dcState& s, ptF C, double Rx, double Ry, double T0, double Sweep) {
  auto at = [&](double t) { return ptF{C.x + Rx * std::cos(t), C.y + Ry * std::sin(t)}; };
  ptF p0 = at(T0);
  addLine(s, p0.x, p0.y);
  int n = std::max(1, int(std::ceil(std::abs(Sweep) / (M_PI / 2) - 1e-9)));
  double d = Sweep / n, k = 4.0 / 3.0 * std::tan(d / 4);
  double t = T0;
  for (int i = 0; i < n; ++i) {
    double t1 = t + d;
    ptF a = at(t), b = at(t1);
    ptF c1{a.x - k * Rx * std::sin(t), a.y + k * Ry * std::cos(t)};
    ptF c2{b.x + k * Rx * std::sin(t1), b.y - k * Ry * std::cos(t1)};
    addBezier(s, c1, c2, b);
    t = t1;
  }
}

// Outside a bracket the shape calls record into a scratch path of their
// own and draw it; the context's own path is put back untouched.
class scratchPath {
 public:
  explicit scratchPath(HDC Dc) : dc_(Dc), saved_(std::move(Dc->Path)) {
    Dc->Path = TGdiDC::TPathState();
    Dc->Path.InPath = true;
  }
  ~scratchPath() {
    if (!done_) dc_->Path = std::move(saved_);
  }
  BOOL Draw(bool Fill, bool Stroke) {
    TGdiDC::TPathState shape = std::move(dc_->Path);
    dc_->Path = std::move(saved_);
    done_ = true;
    return detail::RenderPath(dc_, shape.Pts, shape.Types, Fill, Stroke);
  }

 private:
  HDC dc_;
  TGdiDC::TPathState saved_;
  bool done_ = false;
};

// Records into the bracket, or into a scratch path drawn afterwards.
template <class F>
BOOL shapeCall(HDC Dc, bool Fill, bool Stroke, F Record) {
  if (!Dc) return fail();
  if (Dc->Path.InPath) return Record(*Dc) ? 1 : 0;
  scratchPath scratch(Dc);
  if (!Record(*Dc)) return 0;
  return scratch.Draw(Fill, Stroke);
}

// The parameter angle of the ellipse point on the radial towards (X, Y).
double radialParam(ptF C, double Rx, double Ry, double X, double Y) {
  double dx = X - C.x, dy = Y - C.y;
  if (Rx <= 0 || Ry <= 0) return 0;
  return std::atan2(dy / Ry, dx / Rx);
}

}  // namespace

BOOL BeginPath(HDC Dc) {
  if (!Dc) return fail();
  TGdiDC::TPathState& p = Dc->Path;
  p.Pts.clear();
  p.Types.clear();
  p.InPath = true;
  p.Ended = false;
  p.NeedMove = true;
  GdiTrace().Add("BeginPath");
  return 1;
}

BOOL EndPath(HDC Dc) {
  if (!Dc || !Dc->Path.InPath) return fail();
  Dc->Path.InPath = false;
  Dc->Path.Ended = true;
  GdiTrace().Add("EndPath");
  return 1;
}

BOOL AbortPath(HDC Dc) {
  if (!Dc) return fail();
  Dc->Path = TGdiDC::TPathState();
  return 1;
}

BOOL CloseFigure(HDC Dc) {
  if (!Dc || !Dc->Path.InPath || Dc->Path.NeedMove) return fail();
  closeFigure(*Dc);
  return 1;
}

int GetPath(HDC Dc, POINT* Points, BYTE* Types, int Count) {
  if (!Dc || !Dc->Path.Ended) return fail(), -1;
  const TGdiDC::TPathState& s = Dc->Path;
  int n = int(s.Pts.size());
  if (Count == 0) return n;
  if (Count < n || !Points || !Types) return fail(core::csInsufficientBuffer), -1;
  std::copy(s.Pts.begin(), s.Pts.end(), Points);
  std::copy(s.Types.begin(), s.Types.end(), Types);
  return n;
}

namespace detail {

std::vector<std::vector<TPointF>> FlattenFigures(const std::vector<POINT>& pts, const std::vector<BYTE>& types) {
  std::vector<std::vector<TPointF>> polys;
  for (size_t i = 0; i < pts.size() && i < types.size(); ++i) {
    BYTE t = types[i] & ~PT_CLOSEFIGURE;
    if (t == PT_MOVETO || polys.empty()) polys.emplace_back();
    if (t == PT_BEZIERTO && i + 2 < pts.size() && !polys.back().empty()) {
      ptF p0{polys.back().back().X, polys.back().back().Y};
      ptF p1{double(pts[i].x), double(pts[i].y)}, p2{double(pts[i + 1].x), double(pts[i + 1].y)},
          p3{double(pts[i + 2].x), double(pts[i + 2].y)};
      for (int k = 1; k <= 16; ++k) {
        double u = k / 16.0, v = 1 - u;
        polys.back().emplace_back(
            float(v * v * v * p0.x + 3 * v * v * u * p1.x + 3 * v * u * u * p2.x + u * u * u * p3.x),
            float(v * v * v * p0.y + 3 * v * v * u * p1.y + 3 * v * u * u * p2.y + u * u * u * p3.y));
      }
      i += 2;
    } else {
      polys.back().emplace_back(float(pts[i].x), float(pts[i].y));
    }
  }
  return polys;
}

HRGN FiguresToRegion(const std::vector<POINT>& pts, const std::vector<BYTE>& types, int mode) {
  // Flatten to closed polygons; every figure is closed for filling.
  std::vector<std::vector<TPointF>> polys = FlattenFigures(pts, types);
  auto* rgn = new TGdiRegion();
  double minY = 1e300, maxY = -1e300;
  for (auto& p : polys)
    for (auto& q : p) minY = std::min(minY, double(q.Y)), maxY = std::max(maxY, double(q.Y));
  if (minY > maxY) return rgn;
  // Scan lines through pixel centres; spans between crossings under the
  // fill rule.
  for (double y = std::floor(minY); y < std::ceil(maxY); ++y) {
    double cy = y + 0.5;
    std::vector<std::pair<double, int>> xs;
    for (auto& p : polys) {
      size_t n = p.size();
      for (size_t i = 0; i < n; ++i) {
        TPointF a = p[i], b = p[(i + 1) % n];
        if ((a.Y <= cy) == (b.Y <= cy)) continue;
        xs.emplace_back(a.X + (cy - a.Y) * (double(b.X) - a.X) / (double(b.Y) - a.Y), b.Y > a.Y ? 1 : -1);
      }
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += mode == WINDING ? xs[i].second : 1;
      bool inside = mode == WINDING ? wind != 0 : (wind & 1) != 0;
      if (!inside) continue;
      // Pixels whose centre lies between the crossings.
      double x0 = std::ceil(xs[i].first - 0.5), x1 = std::ceil(xs[i + 1].first - 0.5);
      if (x1 > x0 && y >= INT32_MIN && y <= INT32_MAX && x0 >= INT32_MIN && x1 <= INT32_MAX) {
        cairo_rectangle_int_t r{int(x0), int(y), int(x1 - x0), 1};
        cairo_region_union_rectangle(rgn->Region, &r);
      }
    }
  }
  return rgn;
}

}  // namespace detail

HRGN PathToRegion(HDC Dc) {
  if (!Dc || !Dc->Path.Ended) return fail(), nullptr;
  TGdiDC::TPathState p = std::move(Dc->Path);
  Dc->Path = TGdiDC::TPathState();
  return detail::FiguresToRegion(p.Pts, p.Types, Dc->A.FillMode);
}

namespace {
BOOL drawEnded(HDC Dc, bool Fill, bool Stroke) {
  if (!Dc || !Dc->Path.Ended) return fail();
  TGdiDC::TPathState p = std::move(Dc->Path);
  Dc->Path = TGdiDC::TPathState();
  if (GdiTrace().Enabled) GdiTrace().Add(Fill && Stroke ? "StrokeAndFillPath" : Fill ? "FillPath" : "StrokePath");
  return detail::RenderPath(Dc, p.Pts, p.Types, Fill, Stroke);
}
}  // namespace

BOOL FillPath(HDC Dc) { return drawEnded(Dc, true, false); }
BOOL StrokePath(HDC Dc) { return drawEnded(Dc, false, true); }
BOOL StrokeAndFillPath(HDC Dc) { return drawEnded(Dc, true, true); }

BOOL SelectClipPath(HDC Dc, int Mode) {
  if (GdiTrace().Enabled) GdiTrace().Add("SelectClipPath(" + std::to_string(Mode) + ")");
  HRGN r = PathToRegion(Dc);
  if (!r) return 0;
  int res = ExtSelectClipRgn(Dc, r, Mode);
  DeleteObject(r);
  return res == RGN_ERROR ? fail() : 1;
}

BOOL MoveToEx(HDC Dc, int X, int Y, POINT* Old) {
  if (!Dc) return fail();
  if (Old) *Old = Dc->A.Cur;
  Dc->A.Cur = POINT{X, Y};
  if (Dc->Path.InPath) Dc->Path.NeedMove = true;
  return 1;
}

BOOL LineTo(HDC Dc, int X, int Y) {
  if (GdiTrace().Enabled && Dc && !Dc->Path.InPath) GdiTrace().Add("LineTo");
  return shapeCall(Dc, false, true, [&](dcState& s) {
    addLine(s, X, Y);
    s.A.Cur = POINT{X, Y};
    return true;
  });
}

BOOL PolyBezierTo(HDC Dc, const POINT* Points, DWORD Count) {
  if (Count % 3 != 0 || (Count && !Points)) return fail();
  return shapeCall(Dc, false, true, [&](dcState& s) {
    for (DWORD i = 0; i < Count; i += 3)
      addBezier(s, {double(Points[i].x), double(Points[i].y)}, {double(Points[i + 1].x), double(Points[i + 1].y)},
                {double(Points[i + 2].x), double(Points[i + 2].y)});
    if (Count) s.A.Cur = Points[Count - 1];
    return true;
  });
}

BOOL PolyDraw(HDC Dc, const POINT* Points, const BYTE* Types, int Count) {
  if (!Dc || Count < 0 || (Count && (!Points || !Types))) return fail();
  // Checked whole before anything is recorded.
  for (int i = 0; i < Count; ++i) {
    BYTE t = Types[i] & ~PT_CLOSEFIGURE;
    if (t == PT_BEZIERTO) {
      if (i + 2 >= Count || (Types[i + 1] & ~PT_CLOSEFIGURE) != PT_BEZIERTO ||
          (Types[i + 2] & ~PT_CLOSEFIGURE) != PT_BEZIERTO)
        return fail();
      i += 2;
    } else if (t != PT_MOVETO && t != PT_LINETO) {
      return fail();
    }
  }
  if (GdiTrace().Enabled && !Dc->Path.InPath) GdiTrace().Add("PolyDraw(" + std::to_string(Count) + ")");
  return shapeCall(Dc, false, true, [&](dcState& s) {
    for (int i = 0; i < Count; ++i) {
      BYTE t = Types[i] & ~PT_CLOSEFIGURE;
      int last = i;
      if (t == PT_MOVETO) {
        s.A.Cur = Points[i];
        s.Path.NeedMove = true;
      } else if (t == PT_LINETO) {
        addLine(s, Points[i].x, Points[i].y);
        s.A.Cur = Points[i];
      } else {
        addBezier(s, {double(Points[i].x), double(Points[i].y)}, {double(Points[i + 1].x), double(Points[i + 1].y)},
                  {double(Points[i + 2].x), double(Points[i + 2].y)});
        last = i + 2;
        s.A.Cur = Points[last];
      }
      if (Types[last] & PT_CLOSEFIGURE) {
        if (t == PT_MOVETO) startFigure(s);
        closeFigure(s);
      }
      i = last;
    }
    return true;
  });
}

BOOL Polyline(HDC Dc, const POINT* Points, int Count) {
  if (!Dc || Count < 2 || !Points) return fail();
  if (GdiTrace().Enabled && !Dc->Path.InPath) GdiTrace().Add("Polyline(" + std::to_string(Count) + ")");
  return shapeCall(Dc, false, true, [&](dcState& s) {
    POINT cur = s.A.Cur;
    s.A.Cur = Points[0];
    s.Path.NeedMove = true;
    for (int i = 1; i < Count; ++i) addLine(s, Points[i].x, Points[i].y);
    s.A.Cur = cur;
    if (s.Path.InPath) s.Path.NeedMove = true;
    return true;
  });
}

BOOL Rectangle(HDC Dc, int L, int T, int R, int B) {
  if (!Dc) return fail();
  if (GdiTrace().Enabled && !Dc->Path.InPath) GdiTrace().Add("Rectangle");
  return shapeCall(Dc, true, true, [&](dcState& s) {
    if (L > R) std::swap(L, R);
    if (T > B) std::swap(T, B);
    int e = s.GraphicsMode == GM_ADVANCED ? 0 : 1;
    POINT cur = s.A.Cur;
    s.A.Cur = POINT{L, T};
    s.Path.NeedMove = true;
    addLine(s, R - e, T);
    addLine(s, R - e, B - e);
    addLine(s, L, B - e);
    closeFigure(s);
    s.A.Cur = cur;  // the shape calls leave the current position alone
    return true;
  });
}

BOOL RoundRect(HDC Dc, int L, int T, int R, int B, int W, int H) {
  if (!Dc) return fail();
  if (GdiTrace().Enabled && !Dc->Path.InPath) GdiTrace().Add("RoundRect");
  return shapeCall(Dc, true, true, [&](dcState& s) {
    if (L > R) std::swap(L, R);
    if (T > B) std::swap(T, B);
    int e = s.GraphicsMode == GM_ADVANCED ? 0 : 1;
    double r = R - e, b = B - e;
    double rx = std::min(std::abs(double(W)) / 2.0, (r - L) / 2), ry = std::min(std::abs(double(H)) / 2.0, (b - T) / 2);
    POINT cur = s.A.Cur;
    s.A.Cur = POINT{int(std::lround(L + rx)), T};
    s.Path.NeedMove = true;
    startFigure(s);
    constexpr double Q = M_PI / 2;
    addArc(s, {r - rx, T + ry}, rx, ry, -Q, Q);
    addArc(s, {r - rx, b - ry}, rx, ry, 0, Q);
    addArc(s, {L + rx, b - ry}, rx, ry, Q, Q);
    addArc(s, {L + rx, T + ry}, rx, ry, 2 * Q, Q);
    closeFigure(s);
    s.A.Cur = cur;
    return true;
  });
}

BOOL Ellipse(HDC Dc, int L, int T, int R, int B) {
  if (!Dc) return fail();
  if (GdiTrace().Enabled && !Dc->Path.InPath) GdiTrace().Add("Ellipse");
  return shapeCall(Dc, true, true, [&](dcState& s) {
    if (L > R) std::swap(L, R);
    if (T > B) std::swap(T, B);
    int e = s.GraphicsMode == GM_ADVANCED ? 0 : 1;
    double r = R - e, b = B - e;
    ptF c{(L + r) / 2, (T + b) / 2};
    POINT cur = s.A.Cur;
    s.A.Cur = POINT{int(std::lround(r)), int(std::lround(c.y))};
    s.Path.NeedMove = true;
    addArc(s, c, (r - L) / 2, (b - T) / 2, 0, 2 * M_PI);
    closeFigure(s);
    s.A.Cur = cur;
    return true;
  });
}

BOOL AngleArc(HDC Dc, int X, int Y, DWORD Radius, float StartAngle, float SweepAngle) {
  if (Radius > 0x7FFFFFFF || !std::isfinite(StartAngle) || !std::isfinite(SweepAngle)) return fail();
  if (GdiTrace().Enabled && Dc && !Dc->Path.InPath) GdiTrace().Add("AngleArc");
  return shapeCall(Dc, false, true, [&](dcState& s) {
    double rad = M_PI / 180;
    // Counter-clockwise on screen is decreasing angle on a y-down plane.
    addArc(s, {double(X), double(Y)}, Radius, Radius, -StartAngle * rad, -SweepAngle * rad);
    double te = -(double(StartAngle) + SweepAngle) * rad;
    s.A.Cur = POINT{int(std::lround(X + Radius * std::cos(te))), int(std::lround(Y + Radius * std::sin(te)))};
    return true;
  });
}

namespace {
void recordArc(dcState& s, int L, int T, int R, int B, int X1, int Y1, int X2, int Y2, bool Joined) {
  ptF c{(double(L) + R) / 2.0, (double(T) + B) / 2.0};
  double rx = std::abs(double(R) - L) / 2.0, ry = std::abs(double(B) - T) / 2.0;
  double t0 = radialParam(c, rx, ry, X1, Y1), t1 = radialParam(c, rx, ry, X2, Y2);
  double sweep = t1 - t0;
  if (s.A.ArcDir == AD_CLOCKWISE) {
    while (sweep <= 0) sweep += 2 * M_PI;
  } else {
    while (sweep >= 0) sweep -= 2 * M_PI;
  }
  if (!Joined) {
    ptF p0{c.x + rx * std::cos(t0), c.y + ry * std::sin(t0)};
    s.A.Cur = POINT{int(std::lround(p0.x)), int(std::lround(p0.y))};
    s.Path.NeedMove = true;
  }
  addArc(s, c, rx, ry, t0, sweep);
  s.A.Cur = POINT{int(std::lround(c.x + rx * std::cos(t1))), int(std::lround(c.y + ry * std::sin(t1)))};
}
}  // namespace

BOOL ArcTo(HDC Dc, int L, int T, int R, int B, int X1, int Y1, int X2, int Y2) {
  return shapeCall(Dc, false, true, [&](dcState& s) {
    recordArc(s, L, T, R, B, X1, Y1, X2, Y2, true);
    return true;
  });
}

BOOL Arc(HDC Dc, int L, int T, int R, int B, int X1, int Y1, int X2, int Y2) {
  if (GdiTrace().Enabled && Dc && !Dc->Path.InPath) GdiTrace().Add("Arc");
  return shapeCall(Dc, false, true, [&](dcState& s) {
    POINT cur = s.A.Cur;
    recordArc(s, L, T, R, B, X1, Y1, X2, Y2, false);
    s.A.Cur = cur;
    if (s.Path.InPath) s.Path.NeedMove = true;
    return true;
  });
}

int SetArcDirection(HDC Dc, int Dir) {
  if (!Dc || (Dir != AD_CLOCKWISE && Dir != AD_COUNTERCLOCKWISE)) return fail();
  int old = Dc->A.ArcDir;
  Dc->A.ArcDir = Dir;
  return old;
}

int GetArcDirection(HDC Dc) { return Dc ? Dc->A.ArcDir : fail(); }

int SetPolyFillMode(HDC Dc, int Mode) {
  if (!Dc || (Mode != ALTERNATE && Mode != WINDING)) return fail();
  int old = Dc->A.FillMode;
  Dc->A.FillMode = Mode;
  return old;
}

int GetPolyFillMode(HDC Dc) { return Dc ? Dc->A.FillMode : fail(); }

namespace {
bool finiteXform(const XFORM& x) {
  return std::isfinite(x.eM11) && std::isfinite(x.eM12) && std::isfinite(x.eM21) && std::isfinite(x.eM22) &&
         std::isfinite(x.eDx) && std::isfinite(x.eDy) && double(x.eM11) * x.eM22 - double(x.eM12) * x.eM21 != 0;
}
}  // namespace

BOOL SetWorldTransform(HDC Dc, const XFORM* X) {
  if (!Dc || !X || Dc->GraphicsMode != GM_ADVANCED || !finiteXform(*X)) return fail();
  Dc->A.Xf = *X;
  return 1;
}

BOOL GetWorldTransform(HDC Dc, XFORM* X) {
  if (!Dc || !X) return fail();
  *X = Dc->A.Xf;
  return 1;
}

BOOL ModifyWorldTransform(HDC Dc, const XFORM* X, DWORD Mode) {
  if (!Dc || Dc->GraphicsMode != GM_ADVANCED) return fail();
  if (Mode != MWT_IDENTITY && (!X || !finiteXform(*X))) return fail();
  XFORM& m = Dc->A.Xf;
  auto mul = [](const XFORM& a, const XFORM& b) {  // a then b
    XFORM r;
    r.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
    r.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
    r.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
    r.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
    r.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
    r.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
    return r;
  };
  switch (Mode) {
    case MWT_IDENTITY: m = XFORM(); break;
    case MWT_LEFTMULTIPLY: m = mul(*X, m); break;
    case MWT_RIGHTMULTIPLY: m = mul(m, *X); break;
    default: return fail();
  }
  return 1;
}

}  // namespace ht::gdi
