#include "platform/gdi/gdi_paths.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

namespace ht::gdi {

namespace {

struct dcState {
  XFORM Xf;
  int ArcDir = AD_COUNTERCLOCKWISE;
  int FillMode = ALTERNATE;
  POINT Cur;  // logical current position
  bool InPath = false, Ended = false;
  bool NeedMove = true;
  POINT FigStart;  // logical start of the open figure
  std::vector<POINT> Pts;
  std::vector<BYTE> Types;
};

std::mutex stateLock;
std::map<HDC, dcState>& states() {
  static auto* m = new std::map<HDC, dcState>();
  return *m;
}

// The context's state; callers hold stateLock.
dcState& st(HDC Dc) { return states()[Dc]; }

BOOL fail(uint32_t Code = core::csInvalidParameter) {
  core::SetLastError(Code);
  return 0;
}

struct ptF {
  double x, y;
};

POINT toDevice(const dcState& s, double x, double y) {
  const XFORM& m = s.Xf;
  double dx = x * m.eM11 + y * m.eM21 + m.eDx, dy = x * m.eM12 + y * m.eM22 + m.eDy;
  return POINT{int(std::lround(dx)), int(std::lround(dy))};
}

void startFigure(dcState& s) {
  if (!s.NeedMove) return;
  s.Pts.push_back(toDevice(s, s.Cur.x, s.Cur.y));
  s.Types.push_back(PT_MOVETO);
  s.FigStart = s.Cur;
  s.NeedMove = false;
}

void addLine(dcState& s, double x, double y) {
  startFigure(s);
  s.Pts.push_back(toDevice(s, x, y));
  s.Types.push_back(PT_LINETO);
}

void addBezier(dcState& s, ptF a, ptF b, ptF c) {
  startFigure(s);
  for (ptF p : {a, b, c}) {
    s.Pts.push_back(toDevice(s, p.x, p.y));
    s.Types.push_back(PT_BEZIERTO);
  }
}

void closeFigure(dcState& s) {
  if (!s.Types.empty() && !s.NeedMove) s.Types.back() |= PT_CLOSEFIGURE;
  s.Cur = s.FigStart;
  s.NeedMove = true;
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

bool recording(HDC Dc, dcState*& s) {
  if (!Dc) return false;
  s = &st(Dc);
  return s->InPath;
}

// The parameter angle of the ellipse point on the radial towards (X, Y).
double radialParam(ptF C, double Rx, double Ry, double X, double Y) {
  double dx = X - C.x, dy = Y - C.y;
  if (Rx <= 0 || Ry <= 0) return 0;
  return std::atan2(dy / Ry, dx / Rx);
}

}  // namespace

void ForgetDC(HDC Dc) {
  std::lock_guard<std::mutex> g(stateLock);
  states().erase(Dc);
}

BOOL BeginPath(HDC Dc) {
  if (!Dc) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  dcState& s = st(Dc);
  s.Pts.clear();
  s.Types.clear();
  s.InPath = true;
  s.Ended = false;
  s.NeedMove = true;
  GdiTrace().Add("BeginPath");
  return 1;
}

BOOL EndPath(HDC Dc) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s)) return fail();
  s->InPath = false;
  s->Ended = true;
  GdiTrace().Add("EndPath");
  return 1;
}

BOOL AbortPath(HDC Dc) {
  if (!Dc) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  dcState& s = st(Dc);
  s.InPath = s.Ended = false;
  s.Pts.clear();
  s.Types.clear();
  return 1;
}

BOOL CloseFigure(HDC Dc) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s) || s->NeedMove) return fail();
  closeFigure(*s);
  return 1;
}

int GetPath(HDC Dc, POINT* Points, BYTE* Types, int Count) {
  std::lock_guard<std::mutex> g(stateLock);
  if (!Dc) return fail(), -1;
  dcState& s = st(Dc);
  if (!s.Ended) return fail(), -1;
  int n = int(s.Pts.size());
  if (Count == 0) return n;
  if (Count < n || !Points || !Types) return fail(core::csInsufficientBuffer), -1;
  std::copy(s.Pts.begin(), s.Pts.end(), Points);
  std::copy(s.Types.begin(), s.Types.end(), Types);
  return n;
}

HRGN PathToRegion(HDC Dc) {
  std::vector<POINT> pts;
  std::vector<BYTE> types;
  int mode;
  {
    std::lock_guard<std::mutex> g(stateLock);
    if (!Dc) return fail(), nullptr;
    dcState& s = st(Dc);
    if (!s.Ended) return fail(), nullptr;
    pts.swap(s.Pts);
    types.swap(s.Types);
    s.Ended = false;
    mode = s.FillMode;
  }
  // Flatten to closed polygons; every figure is closed for filling.
  std::vector<std::vector<ptF>> polys;
  for (size_t i = 0; i < pts.size(); ++i) {
    BYTE t = types[i] & ~PT_CLOSEFIGURE;
    if (t == PT_MOVETO || polys.empty()) polys.emplace_back();
    if (t == PT_BEZIERTO && i + 2 < pts.size() && !polys.back().empty()) {
      ptF p0 = polys.back().back();
      ptF p1{double(pts[i].x), double(pts[i].y)}, p2{double(pts[i + 1].x), double(pts[i + 1].y)},
          p3{double(pts[i + 2].x), double(pts[i + 2].y)};
      for (int k = 1; k <= 16; ++k) {
        double u = k / 16.0, v = 1 - u;
        polys.back().push_back({v * v * v * p0.x + 3 * v * v * u * p1.x + 3 * v * u * u * p2.x + u * u * u * p3.x,
                                v * v * v * p0.y + 3 * v * v * u * p1.y + 3 * v * u * u * p2.y + u * u * u * p3.y});
      }
      i += 2;
    } else {
      polys.back().push_back({double(pts[i].x), double(pts[i].y)});
    }
  }
  auto* rgn = new TGdiRegion();
  double minY = 1e300, maxY = -1e300;
  for (auto& p : polys)
    for (auto& q : p) minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
  if (minY > maxY) return rgn;
  // Scan lines through pixel centres; spans between crossings under the
  // fill rule.
  for (int y = int(std::floor(minY)); y < int(std::ceil(maxY)); ++y) {
    double cy = y + 0.5;
    std::vector<std::pair<double, int>> xs;
    for (auto& p : polys) {
      size_t n = p.size();
      for (size_t i = 0; i < n; ++i) {
        ptF a = p[i], b = p[(i + 1) % n];
        if ((a.y <= cy) == (b.y <= cy)) continue;
        xs.emplace_back(a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y), b.y > a.y ? 1 : -1);
      }
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += mode == WINDING ? xs[i].second : 1;
      bool inside = mode == WINDING ? wind != 0 : (wind & 1) != 0;
      if (!inside) continue;
      // Pixels whose centre lies between the crossings.
      int x0 = int(std::ceil(xs[i].first - 0.5)), x1 = int(std::ceil(xs[i + 1].first - 0.5));
      if (x1 > x0) {
        cairo_rectangle_int_t r{x0, y, x1 - x0, 1};
        cairo_region_union_rectangle(rgn->Region, &r);
      }
    }
  }
  return rgn;
}

BOOL MoveToEx(HDC Dc, int X, int Y, POINT* Old) {
  if (!Dc) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  dcState& s = st(Dc);
  if (Old) *Old = s.Cur;
  s.Cur = POINT{X, Y};
  if (s.InPath) s.NeedMove = true;
  return 1;
}

BOOL LineTo(HDC Dc, int X, int Y) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s)) return fail();
  addLine(*s, X, Y);
  s->Cur = POINT{X, Y};
  return 1;
}

BOOL PolyBezierTo(HDC Dc, const POINT* Points, DWORD Count) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s) || Count % 3 != 0 || (Count && !Points)) return fail();
  for (DWORD i = 0; i < Count; i += 3)
    addBezier(*s, {double(Points[i].x), double(Points[i].y)}, {double(Points[i + 1].x), double(Points[i + 1].y)},
              {double(Points[i + 2].x), double(Points[i + 2].y)});
  if (Count) s->Cur = Points[Count - 1];
  return 1;
}

BOOL PolyDraw(HDC Dc, const POINT* Points, const BYTE* Types, int Count) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s) || Count < 0 || (Count && (!Points || !Types))) return fail();
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
  for (int i = 0; i < Count; ++i) {
    BYTE t = Types[i] & ~PT_CLOSEFIGURE;
    int last = i;
    if (t == PT_MOVETO) {
      s->Cur = Points[i];
      s->NeedMove = true;
    } else if (t == PT_LINETO) {
      addLine(*s, Points[i].x, Points[i].y);
      s->Cur = Points[i];
    } else {
      addBezier(*s, {double(Points[i].x), double(Points[i].y)}, {double(Points[i + 1].x), double(Points[i + 1].y)},
                {double(Points[i + 2].x), double(Points[i + 2].y)});
      last = i + 2;
      s->Cur = Points[last];
    }
    if (Types[last] & PT_CLOSEFIGURE) {
      if (t == PT_MOVETO) startFigure(*s);
      closeFigure(*s);
    }
    i = last;
  }
  return 1;
}

BOOL Rectangle(HDC Dc, int L, int T, int R, int B) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s)) return fail();
  if (L > R) std::swap(L, R);
  if (T > B) std::swap(T, B);
  int e = Dc->GraphicsMode == GM_ADVANCED ? 0 : 1;
  POINT cur = s->Cur;
  s->Cur = POINT{L, T};
  s->NeedMove = true;
  addLine(*s, R - e, T);
  addLine(*s, R - e, B - e);
  addLine(*s, L, B - e);
  closeFigure(*s);
  s->Cur = cur;  // the shape calls leave the current position alone
  return 1;
}

BOOL RoundRect(HDC Dc, int L, int T, int R, int B, int W, int H) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s)) return fail();
  if (L > R) std::swap(L, R);
  if (T > B) std::swap(T, B);
  int e = Dc->GraphicsMode == GM_ADVANCED ? 0 : 1;
  double r = R - e, b = B - e;
  double rx = std::min(std::abs(W) / 2.0, (r - L) / 2), ry = std::min(std::abs(H) / 2.0, (b - T) / 2);
  POINT cur = s->Cur;
  s->Cur = POINT{int(std::lround(L + rx)), T};
  s->NeedMove = true;
  startFigure(*s);
  constexpr double Q = M_PI / 2;
  addArc(*s, {r - rx, T + ry}, rx, ry, -Q, Q);
  addArc(*s, {r - rx, b - ry}, rx, ry, 0, Q);
  addArc(*s, {L + rx, b - ry}, rx, ry, Q, Q);
  addArc(*s, {L + rx, T + ry}, rx, ry, 2 * Q, Q);
  closeFigure(*s);
  s->Cur = cur;
  return 1;
}

BOOL AngleArc(HDC Dc, int X, int Y, DWORD Radius, float StartAngle, float SweepAngle) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s) || Radius > 0x7FFFFFFF) return fail();
  double rad = M_PI / 180;
  // Counter-clockwise on screen is decreasing angle on a y-down plane.
  addArc(*s, {double(X), double(Y)}, Radius, Radius, -StartAngle * rad, -SweepAngle * rad);
  double te = -(StartAngle + SweepAngle) * rad;
  s->Cur = POINT{int(std::lround(X + Radius * std::cos(te))), int(std::lround(Y + Radius * std::sin(te)))};
  return 1;
}

BOOL ArcTo(HDC Dc, int L, int T, int R, int B, int X1, int Y1, int X2, int Y2) {
  std::lock_guard<std::mutex> g(stateLock);
  dcState* s;
  if (!recording(Dc, s)) return fail();
  ptF c{(L + R) / 2.0, (T + B) / 2.0};
  double rx = std::abs(R - L) / 2.0, ry = std::abs(B - T) / 2.0;
  double t0 = radialParam(c, rx, ry, X1, Y1), t1 = radialParam(c, rx, ry, X2, Y2);
  double sweep = t1 - t0;
  if (s->ArcDir == AD_CLOCKWISE) {
    while (sweep <= 0) sweep += 2 * M_PI;
  } else {
    while (sweep >= 0) sweep -= 2 * M_PI;
  }
  addArc(*s, c, rx, ry, t0, sweep);
  s->Cur = POINT{int(std::lround(c.x + rx * std::cos(t1))), int(std::lround(c.y + ry * std::sin(t1)))};
  return 1;
}

int SetArcDirection(HDC Dc, int Dir) {
  if (!Dc || (Dir != AD_CLOCKWISE && Dir != AD_COUNTERCLOCKWISE)) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  int old = st(Dc).ArcDir;
  st(Dc).ArcDir = Dir;
  return old;
}

int GetArcDirection(HDC Dc) {
  if (!Dc) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  return st(Dc).ArcDir;
}

int SetPolyFillMode(HDC Dc, int Mode) {
  if (!Dc || (Mode != ALTERNATE && Mode != WINDING)) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  int old = st(Dc).FillMode;
  st(Dc).FillMode = Mode;
  return old;
}

int GetPolyFillMode(HDC Dc) {
  if (!Dc) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  return st(Dc).FillMode;
}

BOOL SetWorldTransform(HDC Dc, const XFORM* X) {
  if (!Dc || !X || Dc->GraphicsMode != GM_ADVANCED) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  st(Dc).Xf = *X;
  return 1;
}

BOOL GetWorldTransform(HDC Dc, XFORM* X) {
  if (!Dc || !X) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  *X = st(Dc).Xf;
  return 1;
}

BOOL ModifyWorldTransform(HDC Dc, const XFORM* X, DWORD Mode) {
  if (!Dc || Dc->GraphicsMode != GM_ADVANCED) return fail();
  if (Mode != MWT_IDENTITY && !X) return fail();
  std::lock_guard<std::mutex> g(stateLock);
  XFORM& m = st(Dc).Xf;
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
