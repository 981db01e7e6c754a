#include "canvas/path_records.h"

#include <algorithm>
#include <cmath>

#include "canvas/arc_geometry.h"
#include "canvas/matrix.h"
#include "canvas/svg_writer.h"
#include "markup/object_list.h"

namespace ht {

const THtPathClass THtCustomPath::ClassType{"THtCustomPath", &THtPath::ClassType,
                                            &CreateInstance<THtCustomPath, THtPath, bool>};

namespace {

// |a - b| <= tol, or the single-precision tolerance when tol is 0.
bool nearly(float a, float b, float tol) { return tol == 0 ? SameSingle(a, b) : std::fabs(a - b) <= tol; }
bool samePoint(const TPointF& a, const TPointF& b, float tol) { return nearly(a.X, b.X, tol) && nearly(a.Y, b.Y, tol); }

float dist2(const TPointF& a, const TPointF& b) {
  const float dx = a.X - b.X, dy = a.Y - b.Y;
  return dx * dx + dy * dy;
}

// The sign of a step along an axis: -1, 0 or 1.
int direction(float delta) { return (delta > 0) - (delta < 0); }

bool isDrawing(THtPathRecKind k) { return k != prStartFigure && k != prCloseFigure; }

// The cubic points of an arc record's arc (start point first), empty for a
// zero sweep.
TPointFArray arcCurve(const THtPathRec& r) {
  const TPointF box = r.Points[0], size = r.Points[1], angles = r.Points[2];
  double t0 = 0, dt = 0;
  ArcParametric(size.X, size.Y, angles.X, angles.Y, t0, dt);
  TPointFArray pts;
  ArctoBezier(box.X + size.X / 2, box.Y + size.Y / 2, size.X / 2, size.Y / 2, t0, dt, pts);
  return pts;
}

// A full ellipse as cubic points starting at its rightmost point.
TPointFArray ellipseCurve(const THtPathRec& r) {
  const TPointF box = r.Points[0], size = r.Points[1];
  TPointFArray pts;
  ArctoBezier(box.X + size.X / 2, box.Y + size.Y / 2, size.X / 2, size.Y / 2, 0, 2 * 3.14159265358979323846, pts);
  return pts;
}

TPointF ellipseStart(const THtPathRec& r) {
  return TPointF(r.Points[0].X + r.Points[1].X, r.Points[0].Y + r.Points[1].Y / 2);
}

double roundTo(double v, int digits) {
  if (!std::isfinite(v)) return v;
  const double scale = digits == 2 ? 100 : digits == 3 ? 1000 : 10000;
  const double r = std::nearbyint(v * scale) / scale;
  return std::isfinite(r) ? r : v;
}

}  // namespace

// ---------------------------------------------------------------------------
// storage

PHtPathRec THtCustomPath::Add() {
  // Geometric growth keeps long paths linear to build.
  if (FCount >= int(FRecs.size())) FRecs.resize(std::max<size_t>(size_t(FCount) + 5, FRecs.size() * 2));
  THtPathRec& r = FRecs[size_t(FCount++)];
  r = THtPathRec();
  return &r;
}

PHtPathRec THtCustomPath::GetRec(int Index) { return const_cast<PHtPathRec>(&Rec(Index)); }

const THtPathRec& THtCustomPath::Rec(int Index) const {
  if (Index < 0 || Index >= FCount) throw EListError(u"List index out of bounds (%d)", Index);
  return FRecs[size_t(Index)];
}

void THtCustomPath::Clear() {
  FRecs.clear();
  FRecs.shrink_to_fit();
  FCount = 0;
}

std::unique_ptr<THtPath> THtCustomPath::Clone() const {
  std::unique_ptr<THtPath> p = ClassRefOf()->Create(false);
  if (auto* c = dynamic_cast<THtCustomPath*>(p.get())) c->Assign(*this);
  p->SetFillModeWinding(GetFillModeWinding());
  return p;
}

void THtCustomPath::Assign(const THtCustomPath& ASource) {
  if (&ASource == this) return;
  FRecs.assign(ASource.FRecs.begin(), ASource.FRecs.begin() + ASource.FCount);
  FCount = ASource.FCount;
}

void THtCustomPath::StartFigure() { Add()->Kind = prStartFigure; }
void THtCustomPath::CloseFigure() { Add()->Kind = prCloseFigure; }

void THtCustomPath::AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float) {
  PHtPathRec r = Add();
  r->Kind = prArc;
  r->Points = {TPointF(X, Y), TPointF(w, h), TPointF(StartAngle, SweepAngle)};
}

void THtCustomPath::AddEllipse(float X, float Y, float w, float h) {
  PHtPathRec r = Add();
  r->Kind = prEllipse;
  r->Points = {TPointF(X, Y), TPointF(w, h)};
}

void THtCustomPath::AddRectangle(float X, float Y, float w, float h) {
  if (FRecs.size() < size_t(FCount) + 5) FRecs.resize(size_t(FCount) + 5);
  const TPointF pts[4] = {{X, Y}, {X + w, Y}, {X + w, Y + h}, {X, Y + h}};
  for (int i = 0; i < 4; ++i) {
    PHtPathRec r = Add();
    r->Kind = i == 0 ? prMoveTo : prLineTo;
    r->Point = pts[i];
  }
  Add()->Kind = prCloseFigure;
}

void THtCustomPath::AddPath(THtPath* APath) {
  auto* other = dynamic_cast<THtCustomPath*>(APath);
  if (!other) throw EInvalidCast(String(u"Invalid class typecast"));
  const std::vector<THtPathRec> copy(other->FRecs.begin(), other->FRecs.begin() + other->FCount);
  for (const THtPathRec& r : copy) *Add() = r;
}

// ---------------------------------------------------------------------------
// building

void THtCustomPath::MoveTo(float CX, float CY) {
  if (FCount > 0 && FRecs[size_t(FCount - 1)].Kind == prMoveTo) {
    FRecs[size_t(FCount - 1)].Point = TPointF(CX, CY);
    return;
  }
  if (FCount > 0) {
    const THtPathRec& last = FRecs[size_t(FCount - 1)];
    const TPointF cur = last.Kind == prLineTo ? last.Point : LastPoint();
    if (last.Kind != prCloseFigure && SamePoint(cur, TPointF(CX, CY))) return;
  }
  PHtPathRec r = Add();
  r->Kind = prMoveTo;
  r->Point = TPointF(CX, CY);
}

void THtCustomPath::LineTo(float X, float Y) {
  TPointF cur;
  if (FCount > 1 && FRecs[size_t(FCount - 1)].Kind == prLineTo &&
      (FRecs[size_t(FCount - 2)].Kind == prMoveTo || FRecs[size_t(FCount - 2)].Kind == prLineTo)) {
    THtPathRec& last = FRecs[size_t(FCount - 1)];
    const TPointF p = last.Point, q = FRecs[size_t(FCount - 2)].Point;
    if (samePoint(p, TPointF(X, Y), Tolerance)) return;
    // A line continuing the last one along the same axis in the same
    // direction extends it; one that turns back must stay a line of its own.
    if (nearly(p.X, X, Tolerance) && nearly(q.X, X, Tolerance) && direction(p.Y - q.Y) == direction(Y - p.Y)) {
      last.Point.Y = Y;
      return;
    }
    if (nearly(p.Y, Y, Tolerance) && nearly(q.Y, Y, Tolerance) && direction(p.X - q.X) == direction(X - p.X)) {
      last.Point.X = X;
      return;
    }
    cur = p;
  } else {
    cur = LastPoint();
  }
  if (samePoint(cur, TPointF(X, Y), Tolerance)) return;
  const bool afterClose = FCount > 0 && FRecs[size_t(FCount - 1)].Kind == prCloseFigure;
  PHtPathRec r = Add();
  r->Kind = afterClose ? prMoveTo : prLineTo;
  r->Point = TPointF(X, Y);
}

void THtCustomPath::AddBeziers(const TPointFArray& APoints) {
  if (APoints.size() < 3) return;
  TPointF a = LastPoint();
  for (size_t i = 0; i + 2 < APoints.size(); i += 3) {
    const TPointF& end = APoints[i + 2];
    // Only a segment that never leaves its start is nothing; a loop that
    // returns to its start still draws.
    if (samePoint(end, a, Tolerance) && samePoint(APoints[i], a, Tolerance) &&
        samePoint(APoints[i + 1], a, Tolerance)) {
      LineTo(end.X, end.Y);
    } else {
      PHtPathRec r = Add();
      r->Kind = prCurveTo;
      r->Points = {APoints[i], APoints[i + 1], end};
    }
    a = end;
  }
}

// ---------------------------------------------------------------------------
// questions

TPointF THtCustomPath::recEnd(int Index) const {
  const THtPathRec& r = FRecs[size_t(Index)];
  switch (r.Kind) {
    case prMoveTo:
    case prLineTo: return r.Point;
    case prCurveTo:
    case prQCurveto:
    case prPolyline: return r.Points.empty() ? TPointF() : r.Points.back();
    case prArc: {
      const TPointF box = r.Points[0], size = r.Points[1], angles = r.Points[2];
      return ArcEndPoint(box.X, box.Y, size.X, size.Y, angles.X, angles.Y);
    }
    case prEllipse: return ellipseStart(r);
    default: return TPointF();
  }
}

TPointF THtCustomPath::LastPoint() const {
  int i = FCount - 1;
  while (i >= 0 && !isDrawing(FRecs[size_t(i)].Kind)) --i;
  return i < 0 ? TPointF() : recEnd(i);
}

void THtCustomPath::GetBounds(TRectF& R, const THtMatrixData* M) {
  if (FCount == 0) {
    R = TRectF(0, 0, 0, 0);
    return;
  }
  constexpr float kFar = 2147483648.0f;
  R = TRectF(kFar, kFar, -kFar, -kFar);
  auto widen = [&R](const TPointF& p) {
    if (p.X < R.Left) R.Left = p.X;
    if (p.Y < R.Top) R.Top = p.Y;
    if (p.X > R.Right) R.Right = p.X;
    if (p.Y > R.Bottom) R.Bottom = p.Y;
  };
  for (int i = 0; i < FCount; ++i) {
    const THtPathRec& r = FRecs[size_t(i)];
    switch (r.Kind) {
      case prMoveTo:
      case prLineTo: widen(r.Point); break;
      case prArc:
      case prEllipse:
        widen(r.Points[0]);
        widen(TPointF(r.Points[0].X + r.Points[1].X, r.Points[0].Y + r.Points[1].Y));
        break;
      default:
        for (const TPointF& p : r.Points) widen(p);
    }
  }
  if (R.Left == kFar) R.Left = 0;
  if (R.Top == kFar) R.Top = 0;
  if (R.Right == -kFar) R.Right = 0;
  if (R.Bottom == -kFar) R.Bottom = 0;
  if (M) R = M->TransformRect(R);
}

bool THtCustomPath::HasCurves() const {
  for (int i = 0; i < FCount; ++i) {
    const THtPathRecKind k = FRecs[size_t(i)].Kind;
    if (k == prCurveTo || k == prArc || k == prEllipse || k == prQCurveto) return true;
  }
  return false;
}

bool THtCustomPath::IsRect() const {
  if (FCount > 7) return false;
  TPointF v[6];
  int n = 0;
  bool closed = false;
  for (int i = 0; i < FCount; ++i) {
    const THtPathRec& r = FRecs[size_t(i)];
    switch (r.Kind) {
      case prMoveTo:
      case prLineTo:
        // One figure only: nothing after a close, a move only at the start.
        if (closed || (r.Kind == prMoveTo && n > 0) || n == 6) return false;
        if (n > 0 && !SameSingle(r.Point.X, v[n - 1].X) && !SameSingle(r.Point.Y, v[n - 1].Y)) return false;
        v[n++] = r.Point;
        break;
      case prStartFigure:
        if (n > 0) return false;
        break;
      case prCloseFigure: closed = true; break;
      default: return false;
    }
  }
  if (n >= 2 && SamePoint(v[n - 1], v[0])) --n;
  if (n != 4) return false;
  // Four corners joined by alternating horizontal and vertical edges of
  // non-zero length (the last edge back to the first corner included).
  bool horizontal[4];
  for (int i = 0; i < 4; ++i) {
    const TPointF &a = v[i], &b = v[(i + 1) % 4];
    const bool sameY = SameSingle(a.Y, b.Y), sameX = SameSingle(a.X, b.X);
    if (sameX == sameY) return false;
    horizontal[i] = sameY;
  }
  return horizontal[0] != horizontal[1] && horizontal[1] != horizontal[2] && horizontal[2] != horizontal[3];
}

// ---------------------------------------------------------------------------
// copies

void THtCustomPath::Transform(const THtMatrixData& M) {
  std::vector<THtPathRec> out;
  out.reserve(size_t(FCount) + 4);
  auto map = [&M](const TPointF& p) { return M.TransformPoint(p); };
  auto figureOpen = [&out]() { return !out.empty() && isDrawing(out.back().Kind); };
  auto pushCurve = [&](const TPointFArray& pts, bool asFigure) {
    if (pts.empty()) return;
    THtPathRec start;
    start.Kind = asFigure || !figureOpen() ? prMoveTo : prLineTo;
    start.Point = map(pts[0]);
    // The usual arc continues from the point before it: no line is needed.
    const bool joined = start.Kind == prLineTo && (out.back().Kind == prMoveTo || out.back().Kind == prLineTo) &&
                        SamePoint(out.back().Point, start.Point);
    if (!joined) out.push_back(start);
    THtPathRec curve;
    curve.Kind = prCurveTo;
    curve.Points.reserve(pts.size() - 1);
    for (size_t k = 1; k < pts.size(); ++k) curve.Points.push_back(map(pts[k]));
    out.push_back(std::move(curve));
  };
  const bool translationOnly = M.Flags <= mfTranslation;
  for (int i = 0; i < FCount; ++i) {
    THtPathRec& r = FRecs[size_t(i)];
    switch (r.Kind) {
      case prMoveTo:
      case prLineTo:
        r.Point = map(r.Point);
        out.push_back(std::move(r));
        break;
      case prCurveTo:
      case prQCurveto:
      case prPolyline:
        for (TPointF& p : r.Points) p = map(p);
        out.push_back(std::move(r));
        break;
      case prArc: {
        const TPointFArray pts = arcCurve(r);
        if (pts.empty()) {
          // A zero sweep only reaches its start point.
          const TPointF s = ArcStartPoint(r.Points[0].X, r.Points[0].Y, r.Points[1].X, r.Points[1].Y, r.Points[2].X);
          THtPathRec line;
          line.Kind = figureOpen() ? prLineTo : prMoveTo;
          line.Point = map(s);
          out.push_back(line);
        } else {
          pushCurve(pts, false);
        }
        break;
      }
      case prEllipse:
        if (translationOnly) {
          r.Points[0] = map(r.Points[0]);
          out.push_back(std::move(r));
        } else {
          // A scaled or rotated ellipse is no longer an axis-aligned box.
          pushCurve(ellipseCurve(r), true);
          THtPathRec close;
          close.Kind = prCloseFigure;
          out.push_back(close);
        }
        break;
      default: out.push_back(std::move(r));
    }
  }
  FCount = int(out.size());
  FRecs = std::move(out);
}

void THtCustomPath::Translate(float dx, float dy) {
  for (int i = 0; i < FCount; ++i) {
    THtPathRec& r = FRecs[size_t(i)];
    switch (r.Kind) {
      case prMoveTo:
      case prLineTo:
        r.Point.X += dx;
        r.Point.Y += dy;
        break;
      case prCurveTo:
      case prQCurveto:
      case prPolyline:
        for (TPointF& p : r.Points) {
          p.X += dx;
          p.Y += dy;
        }
        break;
      case prArc:
      case prEllipse:
        r.Points[0].X += dx;
        r.Points[0].Y += dy;
        break;
      default: break;
    }
  }
}

namespace {

// Appends the lines approximating cubic segments (three points each after
// start) to Res; Line receives each point.
template <class LineFn>
void flattenCubics(TPointF start, const TPointF* pts, size_t n, float density, LineFn&& Line) {
  for (size_t i = 0; i + 2 < n; i += 3) {
    const TPointF p1 = pts[i], p2 = pts[i + 1], p3 = pts[i + 2];
    const double chord = std::sqrt(double(dist2(start, p3))) * density;
    const int count = !(chord >= 3) ? 3 : chord > 10 ? 10 : int(std::nearbyint(chord));
    const float ax = -start.X + 3 * p1.X - 3 * p2.X + p3.X, ay = -start.Y + 3 * p1.Y - 3 * p2.Y + p3.Y;
    const float bx = 3 * start.X - 6 * p1.X + 3 * p2.X, by = 3 * start.Y - 6 * p1.Y + 3 * p2.Y;
    const float cx = -3 * start.X + 3 * p1.X, cy = -3 * start.Y + 3 * p1.Y;
    for (int k = 1; k < count; ++k) {
      const float t = float(k) / float(count);
      Line(TPointF(((ax * t + bx) * t + cx) * t + start.X, ((ay * t + by) * t + cy) * t + start.Y));
    }
    Line(p3);  // the segment ends exactly at its end point
    start = p3;
  }
}

}  // namespace

// Copies records into a flattened path: curves, arcs and ellipses become
// lines, and lines much shorter than the tolerance merge into the one before.
class THtCustomPath::TFlattener {
 public:
  TFlattener(THtCustomPath& res, float tolerance)
      : res(res), merge2(tolerance * tolerance / 16), density(0.2f / std::max(tolerance, 0.001f)) {}

  void Add(const THtPathRec& r, bool first) {
    switch (r.Kind) {
      case prMoveTo:
        *res.Add() = r;
        cur = figStart = r.Point;
        open = true;
        break;
      case prLineTo: lineTo(r, first); break;
      case prCloseFigure:
        *res.Add() = r;
        cur = figStart;
        open = false;
        break;
      case prCurveTo:
        curve(r.Points.data(), r.Points.size());
        if (r.Points.size() >= 3) cur = r.Points[(r.Points.size() / 3) * 3 - 1];
        open = true;
        break;
      case prQCurveto: quadratic(r); break;
      case prArc: arc(r); break;
      case prEllipse: ellipse(r); break;
      case prPolyline:
        for (const TPointF& p : r.Points) startAt(p);
        if (!r.Points.empty()) cur = r.Points.back();
        break;
      default: break;
    }
  }

 private:
  THtPathRec* last() { return res.FCount > 0 ? &res.FRecs[size_t(res.FCount - 1)] : nullptr; }
  static bool isPoint(const THtPathRec* r) { return r && (r->Kind == prMoveTo || r->Kind == prLineTo); }

  void lineTo(const THtPathRec& r, bool first) {
    THtPathRec* prev = last();
    if (!first && isPoint(prev) && dist2(prev->Point, r.Point) < merge2)
      prev->Point = r.Point;
    else
      *res.Add() = r;
    cur = r.Point;
    if (!open) figStart = r.Point;
    open = true;
  }

  // A line to p, continuing the open figure or starting one there.
  void startAt(const TPointF& p) {
    PHtPathRec r = res.Add();
    r->Kind = open ? prLineTo : prMoveTo;
    r->Point = p;
    if (!open) figStart = p;
    open = true;
  }

  // Cubic segments from the current point as lines; a line to where the
  // path already is adds nothing.
  void curve(const TPointF* pts, size_t n) { curveFrom(cur, pts, n); }
  void curveFrom(const TPointF& start, const TPointF* pts, size_t n) {
    flattenCubics(start, pts, n, density, [this](const TPointF& p) {
      const THtPathRec* prev = last();
      if (isPoint(prev) && prev->Point.X == p.X && prev->Point.Y == p.Y) return;
      PHtPathRec r = res.Add();
      r->Kind = prLineTo;
      r->Point = p;
    });
  }

  // Quadratic segments go as the cubics drawing the same curves.
  void quadratic(const THtPathRec& r) {
    TPointFArray cubic;
    TPointF s = cur;
    for (size_t k = 0; k + 1 < r.Points.size(); k += 2) {
      const TPointF q = r.Points[k], e = r.Points[k + 1];
      cubic.push_back(TPointF((s.X + 2 * q.X) / 3, (s.Y + 2 * q.Y) / 3));
      cubic.push_back(TPointF((2 * q.X + e.X) / 3, (2 * q.Y + e.Y) / 3));
      cubic.push_back(e);
      s = e;
    }
    curve(cubic.data(), cubic.size());
    cur = s;
    open = true;
  }

  void arc(const THtPathRec& r) {
    const TPointFArray pts = arcCurve(r);
    if (pts.empty()) return;
    startAt(pts[0]);
    curveFrom(pts[0], pts.data() + 1, pts.size() - 1);
    cur = pts.back();
  }

  // A whole ellipse is a closed figure of its own.
  void ellipse(const THtPathRec& r) {
    const TPointFArray pts = ellipseCurve(r);
    PHtPathRec m = res.Add();
    m->Kind = prMoveTo;
    m->Point = pts[0];
    curveFrom(pts[0], pts.data() + 1, pts.size() - 1);
    res.Add()->Kind = prCloseFigure;
    cur = pts[0];
    open = false;
  }

  THtCustomPath& res;
  const float merge2;
  const float density;
  TPointF cur, figStart;
  bool open = false;
};

void THtCustomPath::Flatten(float ATolerance, THtCustomPath& Res) const {
  if (int(Res.FRecs.size()) < FCount) Res.FRecs.resize(size_t(FCount));
  TFlattener flattener(Res, ATolerance);
  for (int i = 0; i < FCount; ++i) flattener.Add(FRecs[size_t(i)], i == 0);
}

// ---------------------------------------------------------------------------
// path text

// Writes the records as SVG path data. The current point is kept as a
// reader of the text computes it (the numbers as written), so relative steps
// never drift from the absolute points.
class THtCustomPath::TTextWriter {
 public:
  explicit TTextWriter(const THtCustomPath& path) : path(path), w(4096) {}

  String Write() {
    for (int i = 0; i < path.FCount; ++i) {
      const THtPathRec& r = path.FRecs[size_t(i)];
      const THtPathRecKind prev = i > 0 ? path.FRecs[size_t(i - 1)].Kind : prStartFigure;
      prevDraws = i > 0 && (prev == prMoveTo || prev == prLineTo || prev == prCurveTo);
      switch (r.Kind) {
        case prMoveTo:
          move(r.Point);
          recStart = r.Point;
          hasRecStart = true;
          break;
        case prLineTo: lineTo(i); break;
        case prCurveTo: curveTo(i); break;
        case prArc: arc(r); break;
        case prEllipse: ellipse(r); break;
        case prCloseFigure: close(); break;
        case prQCurveto: quadratic(i); break;
        case prPolyline: polyline(r); break;
        default: break;
      }
    }
    return w.ToString();
  }

 private:
  void move(const TPointF& p) {
    w.Move(p.X, p.Y);
    pos = figStart = TPointF(float(roundTo(p.X, 2)), float(roundTo(p.Y, 2)));
    open = true;
  }
  void lineRel(const TPointF& p) {
    const double dx = roundTo(double(p.X) - pos.X, 4), dy = roundTo(double(p.Y) - pos.Y, 4);
    w.LineRel(dx, dy);
    pos = TPointF(float(pos.X + dx), float(pos.Y + dy));
  }
  void lineAbs(const TPointF& p) {
    w.LineTo(p.X, p.Y);
    pos = TPointF(float(roundTo(p.X, 2)), float(roundTo(p.Y, 2)));
  }
  void close() {
    w.Z();
    pos = figStart;
    open = false;
  }
  // A figure must be open before a curve: one starts where the records are.
  void openAt(int i) {
    if (!open) move(i > 0 ? path.recEnd(i - 1) : TPointF());
  }
  // Brings the text's current point to p before an arc starts there.
  void reach(const TPointF& p) {
    if (!open)
      move(p);
    else if (std::fabs(p.X - pos.X) >= 5e-4f || std::fabs(p.Y - pos.Y) >= 5e-4f)
      lineRel(p);
  }
  void arcTo(float rx, float ry, bool large, bool sweep, const TPointF& end) {
    w.Arc(std::fabs(rx), std::fabs(ry), 0, large ? 1 : 0, sweep ? 1 : 0, end.X, end.Y);
    pos = TPointF(float(roundTo(end.X, 4)), float(roundTo(end.Y, 4)));
  }

  void lineTo(int i) {
    const THtPathRec& r = path.FRecs[size_t(i)];
    const bool backToStart = hasRecStart && SamePoint(r.Point, recStart);
    if (i == 0) {
      // Path data must begin with a move.
      move(r.Point);
      recStart = r.Point;
      hasRecStart = true;
    } else if (backToStart && i == path.FCount - 1) {
      w.Com(u'z');
      pos = figStart;
      open = false;
    } else if (backToStart && path.FRecs[size_t(i + 1)].Kind == prCloseFigure) {
      // the close returns to the start
    } else if (prevDraws) {
      lineRel(r.Point);
    } else if (w.Empty()) {
      move(r.Point);  // after figure marks only: still the first command
    } else {
      lineAbs(r.Point);
      open = true;
    }
  }

  void curveTo(int i) {
    const THtPathRec& r = path.FRecs[size_t(i)];
    const size_t n = (r.Points.size() / 3) * 3;
    if (n == 0) return;
    openAt(i);
    if (!prevDraws) {
      w.Com(u'C');
      for (size_t j = 0; j < n; ++j) {
        w.Add(double(r.Points[j].X), 3).AddChar(u' ');
        w.Add(double(r.Points[j].Y), 3).AddChar(j + 1 < n ? u',' : u' ');
      }
      pos = TPointF(float(roundTo(r.Points[n - 1].X, 3)), float(roundTo(r.Points[n - 1].Y, 3)));
      return;
    }
    // Relative segments, each from the end the text reached before it.
    w.Com(u'c');
    TPointF base = pos;
    for (size_t k = 0; k < n; k += 3) {
      for (size_t j = k; j < k + 3; ++j) {
        w.Add(double(r.Points[j].X) - base.X, 3).AddChar(u' ');
        w.Add(double(r.Points[j].Y) - base.Y, 3).AddChar(u',');
      }
      const TPointF e = r.Points[k + 2];
      base = TPointF(float(base.X + roundTo(double(e.X) - base.X, 3)), float(base.Y + roundTo(double(e.Y) - base.Y, 3)));
    }
    w.DeletefromEnd(1);
    pos = base;
  }

  void arc(const THtPathRec& r) {
    const TPointF box = r.Points[0], size = r.Points[1];
    const float start = r.Points[2].X, sweep = r.Points[2].Y;
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    reach(ArcStartPoint(box.X, box.Y, size.X, size.Y, start));
    if (sweep == 0) return;
    const float rx = size.X / 2, ry = size.Y / 2;
    const double mag = std::fabs(double(sweep));
    if (mag < 360 - 1e-3) {
      arcTo(rx, ry, mag > 180 + 1e-3, sweep >= 0, ArcEndPoint(box.X, box.Y, size.X, size.Y, start, sweep));
      return;
    }
    // An SVG arc back to its own start draws nothing: whole turns go as
    // half turns (at most two turns, keeping the end point).
    const double sign = sweep >= 0 ? 1 : -1;
    double remaining = std::min(mag, 360 + std::fmod(mag, 360.0));
    double a = start;
    while (remaining > 1e-3) {
      const double step = std::min(180.0, remaining);
      a += sign * step;
      remaining -= step;
      arcTo(rx, ry, false, sweep >= 0, ArcStartPoint(box.X, box.Y, size.X, size.Y, float(a)));
    }
  }

  void ellipse(const THtPathRec& r) {
    const TPointF box = r.Points[0], size = r.Points[1];
    const TPointF right = ellipseStart(r), left(box.X, box.Y + size.Y / 2);
    move(right);
    arcTo(size.X / 2, size.Y / 2, false, true, left);
    arcTo(size.X / 2, size.Y / 2, false, true, right);
    close();
  }

  void quadratic(int i) {
    const THtPathRec& r = path.FRecs[size_t(i)];
    openAt(i);
    w.Com(u'Q');
    for (const TPointF& p : r.Points) {
      w.Add(double(p.X), 4).AddChar(u' ');
      w.Add(double(p.Y), 4).AddChar(u' ');
    }
    if (!r.Points.empty()) pos = TPointF(float(roundTo(r.Points.back().X, 4)), float(roundTo(r.Points.back().Y, 4)));
  }

  void polyline(const THtPathRec& r) {
    if (r.Points.empty()) return;
    if (!open)
      move(r.Points[0]);
    else
      lineAbs(r.Points[0]);
    for (size_t k = 1; k < r.Points.size(); ++k) lineRel(r.Points[k]);
  }

  const THtCustomPath& path;
  THtSVGWriter w;
  TPointF pos, figStart;
  bool open = false;       // a figure is started in the text
  TPointF recStart;        // the figure start of the records
  bool hasRecStart = false;
  bool prevDraws = false;  // the record before draws from the current point
};

String THtCustomPath::AsString() const { return FCount == 0 ? String() : TTextWriter(*this).Write(); }

THtCustomPath* CustomPathOf(THtPath* APath) { return APath ? APath->CustomPath() : nullptr; }

String PathAsString(THtPath* APath) {
  THtCustomPath* c = CustomPathOf(APath);
  return c ? c->AsString() : String();
}

}  // namespace ht
