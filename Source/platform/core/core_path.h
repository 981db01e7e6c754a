#pragma once
// Device-independent geometry of the drawing core: affine matrices in the
// same row-vector form as the engine's (x' = x*xx + y*xy + x0) and paths made
// of moves, lines, cubic curves and closes. Arcs are stored as curves.
#include <cstdint>
#include <vector>

#include "platform/rtl/geometry.h"

typedef struct _cairo cairo_t;

namespace ht::core {

struct TCoreMatrix {
  double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;

  static TCoreMatrix Translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
  static TCoreMatrix Scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  TPointF Map(float x, float y) const {
    return TPointF(float(x * xx + y * xy + x0), float(x * yx + y * yy + y0));
  }
  // The result maps a point first through First, then through this.
  TCoreMatrix After(const TCoreMatrix& First) const;
  bool IsFinite() const;
  bool IsInvertible() const;
};

enum TCoreFillRule : uint8_t { frEvenOdd, frWinding };
enum TCorePathOp : uint8_t { poMove, poLine, poCurve, poClose };

class TCorePath {
 public:
  void MoveTo(float x, float y);
  // Without a current point a line starts the figure at (x, y).
  void LineTo(float x, float y);
  void CurveTo(float x1, float y1, float x2, float y2, float x3, float y3);
  void Close();
  // The arc of the ellipse inscribed in (x, y, w, h) from the polar angle
  // Start over Sweep degrees (clockwise on a y-down surface for positive
  // sweeps); a sweep of 360 or more is the whole ellipse. With Connect the
  // arc joins the current figure by a line, otherwise it starts a figure.
  void Arc(float x, float y, float w, float h, float Start, float Sweep, bool Connect);
  // A closed figure clockwise from (x, y).
  void Rectangle(float x, float y, float w, float h);
  // Appends Other's figures; with Connect its first move becomes a line.
  void Append(const TCorePath& Other, bool Connect);
  void Transform(const TCoreMatrix& M);
  void Clear();

  bool Empty() const { return Ops.empty(); }
  bool HasCurrentPoint() const { return !Ops.empty(); }
  TPointF CurrentPoint() const;
  // The bounds of every point (control points included); false when empty.
  bool Bounds(TRectF& R) const;
  // Whether every coordinate is finite.
  bool IsFinite() const;
  // One closed axis-aligned rectangle without curves.
  bool IsRect(TRectF* R = nullptr) const;
  // Replaces the current path of Cr by this one (user space of Cr).
  void Apply(cairo_t* Cr) const;

  std::vector<TCorePathOp> Ops;
  std::vector<TPointF> Points;  // one per move/line, three per curve
  TCoreFillRule FillRule = frEvenOdd;

 private:
  TPointF figureStart_;
};

}  // namespace ht::core
