#pragma once
// The abstract geometric path of the canvas: figures of lines, arcs and
// Bezier curves with a fill rule. Every canvas makes paths of its own class
// (THtCanvas::PathClass); this base defines the operations and builds the
// composite figures (lines, rectangles, rounded rectangles, ellipses,
// quadratic curves) from the primitive ones, and reads SVG path data.
//
// Every path can answer with a record list (THtCustomPath, CustomPath): a
// THtCustomPath is its own; a back-end path creates one beside its platform
// path, owns it and fills it as it builds (SetCustomPath).
//
// Angles are degrees from the positive x axis towards the positive y axis
// (clockwise on a y-down surface); a positive sweep runs the same way. An arc
// is given by the box (X, Y, w, h) of its ellipse.
#include <memory>
#include <vector>

#include "canvas/canvas_types.h"
#include "canvas/matrix.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

class THtCustomPath;

using TPointFArray = std::vector<TPointF>;

// Class reference of the paths; Create(AForClip) is the virtual constructor.
class THtPathClass : public TClassRef<THtPath, bool> {
 public:
  using TClassRef::TClassRef;
};

class THtPath : public THtObject {
 public:
  static const THtPathClass ClassType;
  virtual const THtPathClass* ClassRefOf() const { return &ClassType; }

  // Out of line, where THtCustomPath is complete.
  explicit THtPath(bool AForClip);
  ~THtPath() override;
  // Copy the fill rule and clip flag only: a record list belongs to one
  // path (THtCustomPath copies its records; other paths copy through Clone).
  THtPath(const THtPath& A);
  THtPath& operator=(const THtPath& A);

  virtual bool GetFillModeWinding() const { return FFillModeWindings; }
  virtual void SetFillModeWinding(bool Value) { FFillModeWindings = Value; }
  bool FillModeWinding() const { return GetFillModeWinding(); }
  bool ForClip() const { return FForClip; }

  virtual void BeginPath() {}
  virtual void EndPath() {}
  virtual void Clear() = 0;
  virtual std::unique_ptr<THtPath> Clone() const = 0;
  virtual void StartFigure() {}
  virtual void CloseFigure() {}
  // MoveTo(x1, y1) then LineTo(x2, y2).
  virtual void AddLine(float x1, float y1, float x2, float y2);
  // Width is a stroke width for back ends that use it.
  virtual void AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) = 0;
  // An open figure X,Y -> X+w,Y -> X+w,Y+h -> X,Y+h -> X,Y.
  virtual void AddRectangle(float X, float Y, float w, float h);
  // Four edges and four 90-degree corner arcs, starting with the top edge;
  // the figure is not closed.
  virtual void AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY);
  // Cubic segments from the current point, three points per segment.
  virtual void AddBeziers(const TPointFArray& Points);
  // Quadratic segments as cubic ones through AddBeziers (see the free
  // AddQBeziers in path_data_parser.h for how the points are read).
  virtual void AddQBeziers(const TPointFArray& Points);
  virtual void AddPath(THtPath* APath) = 0;
  // The bounding rectangle, mapped through M when given.
  virtual void GetBounds(TRectF& R, const THtMatrixData* M) = 0;
  virtual void Transform(const THtMatrixData& M) = 0;
  virtual void MoveTo(float CX, float CY) = 0;
  virtual void LineTo(float X, float Y) = 0;
  // AddArc(X, Y, w, h, 0, 359.9, 1.0).
  virtual void AddEllipse(float X, float Y, float w, float h);
  // Appends the figures of SVG path data (ParsePathData: raises Exception
  // "Unknown path command ..." on bad data, keeping what was read before).
  virtual void Parse(StringView s);
  virtual bool Empty() const { return false; }
  // SVG path data of the record list; empty when there is none.
  virtual String AsString() const;

  // The record list: this path itself for a THtCustomPath, the list a
  // back-end path keeps, or null.
  THtCustomPath* CustomPath() { return FCustomPath; }
  const THtCustomPath* CustomPath() const { return FCustomPath; }

  void AddRectangle(const TRectF& R) { AddRectangle(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top); }
  void AddRoundRect(const TRectF& R, float RadiusX, float RadiusY) {
    AddRoundRect(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top, RadiusX, RadiusY);
  }

 protected:
  bool FForClip;
  bool FFillModeWindings = false;  // non-zero winding when true, even-odd otherwise
  THtCustomPath* FCustomPath = nullptr;  // this path itself or FOwnedCustomPath

  // For back-end paths: the record list they keep beside the platform path,
  // owned by this path from now on.
  void SetCustomPath(std::unique_ptr<THtCustomPath> APath);

 private:
  std::unique_ptr<THtCustomPath> FOwnedCustomPath;
};

}  // namespace ht
