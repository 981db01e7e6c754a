#pragma once
// THtCustomPath: a path kept as a list of typed records. It is the concrete
// path of the base canvas and the record list every back-end path keeps
// beside its platform path, and it answers what the engine asks about a path
// without a platform: last point, bounds, rectangle test, curves, SVG path
// data, transformed, translated and flattened copies.
//
// While building, points that repeat the current point are dropped and a
// line that continues the previous axis-parallel line in the same direction
// extends it, so the records stay minimal.
//
// Curve records hold cubic segments continuing from the previous record's
// end, three points each. Arc records keep their ellipse box and polar
// angles in degrees; readers convert them to parametric angles.
#include <memory>
#include <vector>

#include "canvas/path.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/rtl_errors.h"
#include "platform/rtl/string.h"

namespace ht {

class THtCanvas;
class THtPen;

enum THtPathRecKind : uint8_t {
  prMoveTo,
  prLineTo,
  prCurveTo,
  prArc,
  prStartFigure,
  prCloseFigure,
  prEllipse,
  prQCurveto,
  prPolyline,
};

struct THtPathRec {
  THtPathRecKind Kind = prMoveTo;
  TPointF Point;       // moves and lines
  TPointFArray Points;  // see the kinds above; arcs: (X, Y), (w, h), (StartAngle, SweepAngle)
};
using PHtPathRec = THtPathRec*;

class THtCustomPath : public THtPath {
 public:
  static const THtPathClass ClassType;
  const THtPathClass* ClassRefOf() const override { return &ClassType; }

  // This path is its own record list (CustomPath is the path itself).
  explicit THtCustomPath(bool AForClip = false) : THtPath(AForClip) { FCustomPath = this; }
  THtCustomPath(const THtCustomPath& A)
      : THtPath(A), Tolerance(A.Tolerance), FRecs(A.FRecs), FCount(A.FCount) {
    FCustomPath = this;
  }
  THtCustomPath& operator=(const THtCustomPath&) = default;

  void Clear() override;
  std::unique_ptr<THtPath> Clone() const override;
  void StartFigure() override;
  void CloseFigure() override;
  // Width is not kept.
  void AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) override;
  // A closed figure: a move, three lines and a close.
  void AddRectangle(float X, float Y, float w, float h) override;
  using THtPath::AddRectangle;
  // One curve record per segment of three points; extra points are ignored.
  // A segment whose four points coincide adds nothing.
  void AddBeziers(const TPointFArray& APoints) override;
  // Appends copies of APath's records; raises EInvalidCast when APath is not
  // a THtCustomPath.
  void AddPath(THtPath* APath) override;
  // (0, 0, 0, 0) without records; arcs and ellipses count with their box,
  // curves with their control points.
  void GetBounds(TRectF& R, const THtMatrixData* M) override;
  // Maps every point; an arc becomes a line to its start and a curve record
  // (a zero sweep only the line); an ellipse keeps its size.
  void Transform(const THtMatrixData& M) override;
  void MoveTo(float CX, float CY) override;
  void LineTo(float X, float Y) override;
  void AddEllipse(float X, float Y, float w, float h) override;
  bool Empty() const override { return FCount == 0; }

  // Appends one default record for the caller to fill with what its kind
  // holds (arcs three points, ellipses two); the pointer is valid until the
  // next record is added.
  PHtPathRec Add();
  // 0 <= Index < Count, else EListError.
  PHtPathRec GetRec(int Index);
  const THtPathRec& Rec(int Index) const;
  int Count() const { return FCount; }

  // The end point of the last drawing record; (0, 0) when there is none.
  TPointF LastPoint() const;
  // One closed axis-aligned rectangle of non-zero size (move, lines, figure
  // marks; no second figure).
  bool IsRect() const;
  bool HasCurves() const;
  void Assign(const THtCustomPath& ASource);
  void Translate(float dx, float dy);
  // Res (passed empty) gets a copy with curves, arcs and ellipses replaced
  // by lines; lines shorter than Tolerance / 4 merge into the previous one.
  void Flatten(float ATolerance, THtCustomPath& Res) const;
  // Replays the path as separate strokes (lines, arcs, ellipses; curves as
  // short lines; a close as the line back to the figure start).
  void DrawPath(THtCanvas* Canvas, THtPen* Pen) const;
  // SVG path data; empty without records.
  String AsString() const override;

  // Point comparisons of LineTo and AddBeziers: |a - b| <= Tolerance.
  float Tolerance = 1e-6f;

 private:
  class TFlattener;
  class TTextWriter;

  // The end point of the record at Index (its last point for curves,
  // polylines and arcs; its point for moves and lines).
  TPointF recEnd(int Index) const;

  std::vector<THtPathRec> FRecs;  // storage; its size is the capacity
  int FCount = 0;
};

// The record list of a path (its CustomPath): the path itself when it is a
// THtCustomPath, the list a back-end path keeps, else null; null for null.
THtCustomPath* CustomPathOf(THtPath* APath);
// The path as SVG path data; empty when the path has no record list.
String PathAsString(THtPath* APath);

}  // namespace ht
