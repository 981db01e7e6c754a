#pragma once
// The GDI+ canvas's brushes, pens and paths: each keeps the engine's own
// object up to date through the base operations and mirrors every change
// into the GDI+ object the canvas draws with. A path also records itself in
// a THtCustomPath for bounds, rectangle tests and serialisation.
#include <memory>

#include "canvas/brush.h"
#include "canvas/path.h"
#include "canvas/path_records.h"
#include "canvas/pen.h"
#include "platform/gdiplus/gdiplus.h"

namespace ht {

class THtBrushGP : public THtBrush {
 public:
  static const THtBrushClass ClassType;
  const THtBrushClass* ClassRefOf() const override { return &ClassType; }

  explicit THtBrushGP(uint32_t AColor);
  THtBrushGP(const TRectF& R, uint32_t StartColor, uint32_t EndColor, float AAngle, const TRectF& AFillRect);
  // Empty until the canvas fills with it.
  THtBrushGP(float AOffsetX, float AOffsetY, float ACx, float ACy, float AFX, float AFY, float ARadius,
             const THtMatrixData& AMatrix);

  void SetColor(uint32_t Value) override;
  void SetGradientColors(const TSingleArray& Positions, const TCardinalArray& Colors) override;

  std::unique_ptr<gdiplus::Brush> Brush;
};

class THtPenGP : public THtPen {
 public:
  static const THtPenClass ClassType;
  const THtPenClass* ClassRefOf() const override { return &ClassType; }

  THtPenGP(uint32_t AColor, float AWidth);

  bool GetAlignInset() const override;
  void SetColor(uint32_t Value) override;
  void SetWidth(float Value) override;
  void SetAlignInset(bool Value) override;
  // hpsClear is a custom dash without a pattern: it draws nothing.
  void SetStyle(THtPenStyle Value) override;
  void SetLineJoin(THtLineJoin Value) override;
  void SetDashOffset(float Value) override;
  void SetLineCap(THtLineCap Value) override;
  // The pattern goes to GDI+ in pen widths, as the base keeps it.
  void SetDashes(const TSingleArray& ADashes) override;

  gdiplus::Pen Pen;
};

class THtPathGP : public THtPath {
 public:
  static const THtPathClass ClassType;
  const THtPathClass* ClassRefOf() const override { return &ClassType; }

  explicit THtPathGP(bool AForClip);

  bool GetFillModeWinding() const override;
  void SetFillModeWinding(bool Value) override;
  void Clear() override;
  // Not for clipping; the figure flags start fresh.
  std::unique_ptr<THtPath> Clone() const override;
  void StartFigure() override;
  void CloseFigure() override;
  // Two equal points act as MoveTo(x2, y2).
  void AddLine(float x1, float y1, float x2, float y2) override;
  void AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) override;
  // GDI+ gets the rectangle half a unit up and left; the record keeps it.
  void AddRectangle(float X, float Y, float w, float h) override;
  using THtPath::AddRectangle;
  void AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY) override;
  using THtPath::AddRoundRect;
  void AddBeziers(const TPointFArray& Points) override;
  void AddPath(THtPath* APath) override;
  void GetBounds(TRectF& R, const THtMatrixData* M) override;
  void Transform(const THtMatrixData& M) override;
  void MoveTo(float CX, float CY) override;
  void LineTo(float X, float Y) override;
  bool Empty() const override { return Path.P.Empty(); }

  // The hit-test region of the path as it is now, made on first use; any
  // change of the path drops it.
  gdiplus::Region* VisRegion();

  gdiplus::GraphicsPath Path;
  gdiplus::PointF LastMoveTo;
  bool LastIsMoveTo = false;
  bool InFigure = false;

 private:
  void changed() { fVisRegion.reset(); }
  void drew() {
    LastIsMoveTo = false;
    InFigure = true;
    changed();
  }
  std::unique_ptr<gdiplus::Region> fVisRegion;
};

// GDI+ matrix of the six elements of M.
gdiplus::Matrix ToGPMatrix(const THtMatrixData& M);
// Left, top, right, bottom as x, y, width, height.
gdiplus::RectF ToGPRect(const TRectF& R);

}  // namespace ht
