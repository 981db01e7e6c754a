#pragma once
// THtPathDX: the path of the Direct2D canvas, a Direct2D path geometry built
// figure by figure through its sink, with the point record (THtCustomPath)
// kept beside it. The record is what AddPath replays and what the canvas
// asks whether a path is a plain rectangle; the geometry is what it draws,
// fills, hit-tests and clips with once the path is ended.
//
// Adding to a path that was already ended (drawn, measured, cloned) re-opens
// it: the geometry is rebuilt from the record and the new figures follow.
#include <memory>

#include "canvas/path.h"
#include "canvas/path_records.h"
#include "platform/d2d/d2d.h"

namespace ht {

class THtPathDX : public THtPath {
 public:
  static const THtPathClass ClassType;
  const THtPathClass* ClassRefOf() const override { return &ClassType; }

  explicit THtPathDX(bool AForClip);
  ~THtPathDX() override;

  bool GetFillModeWinding() const override { return FFillModeWindings; }
  // Reaches the geometry only before its first figure.
  void SetFillModeWinding(bool Value) override;
  void EndPath() override;
  // Keeps the fill rule for the new geometry.
  void Clear() override;
  std::unique_ptr<THtPath> Clone() const override;
  void CloseFigure() override;
  void AddLine(float x1, float y1, float x2, float y2) override;
  // A sweep of 359.9 degrees or more is the whole ellipse.
  void AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) override;
  void AddRectangle(float X, float Y, float w, float h) override;
  using THtPath::AddRectangle;
  // One closed figure of the geometry, beside the path's other figures.
  void AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY) override;
  using THtPath::AddRoundRect;
  void AddBeziers(const TPointFArray& Points) override;
  void AddPath(THtPath* APath) override;
  void GetBounds(TRectF& R, const THtMatrixData* M) override;
  // Transforms the record and rebuilds the geometry from it.
  void Transform(const THtMatrixData& M) override;
  void MoveTo(float CX, float CY) override;
  void LineTo(float X, float Y) override;
  bool Empty() const override { return FEmpty; }

  // The point at Angle degrees on the ellipse of the box, as the arcs
  // compute it (single-precision result).
  static TPointF EllipsePoint(float X, float Y, float w, float h, float Angle);

  std::shared_ptr<d2d::ID2D1PathGeometry> Geometry;
  std::shared_ptr<d2d::ID2D1GeometrySink> Sink;  // null once closed
  bool FEmpty = true;
  bool FClosed = false;
  bool FEnded = true;
  TRectF R;  // bounds, cached when the path is closed

 private:
  THtCustomPath& rec() { return *FCustomPath; }
  void newGeometry();
  // Before adding: a closed path is re-opened from its record.
  void reopen();
  void begin(float x, float y);
};

}  // namespace ht
