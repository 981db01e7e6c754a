#pragma once
// THtPathGDI: the path of the GDI canvas. Every figure goes three ways at
// once: into a GDI+ path (the canvas draws curves with it), into a GDI path
// recorded on a private memory DC and read back as integer points and point
// types at EndPath (PolyDraw replays, clip paths, regions, hit tests), and
// into the record list (rectangle tests, SVG text, recording canvas).
//
// A path made only of rectangles and rounded rectangles replays them as
// Rectangle and RoundRect calls, every one of them, rather than their
// flattened points. Reading the points (PlayInto, Region, GetBounds) ends
// the path; adding after that needs Clear.
#include <memory>
#include <vector>

#include "canvas/path.h"
#include "canvas/path_records.h"
#include "platform/gdi/gdi_paths.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/rtl/exception.h"

namespace ht {

// A failed GDI call: "GDI call failed (error <code>)".
HT_DECLARE_EXCEPTION(EGdiError, Exception);
[[noreturn]] void RaiseLastGdiError();

class THtPathGDI : public THtPath {
 public:
  static const THtPathClass ClassType;
  const THtPathClass* ClassRefOf() const override { return &ClassType; }

  explicit THtPathGDI(bool AForClip);
  ~THtPathGDI() override;

  bool GetFillModeWinding() const override { return FModeWinding; }
  void SetFillModeWinding(bool Value) override;
  // Raises "Duplicate call to BeginPath" while recording.
  void BeginPath() override;
  void EndPath() override;
  void Clear() override;
  // The GDI points and the records; the GDI+ twin and the flags start empty.
  std::unique_ptr<THtPath> Clone() const override;
  void CloseFigure() override;
  void AddLine(float x1, float y1, float x2, float y2) override;
  void AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) override;
  void AddRectangle(float X, float Y, float w, float h) override;
  using THtPath::AddRectangle;
  void AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY) override;
  using THtPath::AddRoundRect;
  void AddBeziers(const TPointFArray& Points) override;
  // APath must be a THtPathGDI (EInvalidCast otherwise).
  void AddPath(THtPath* APath) override;
  // The box of the integer points; (0, 0, 0, 0) without points. M unused.
  void GetBounds(TRectF& R, const THtMatrixData* M) override;
  // Applies to the GDI points added afterwards; raises on an ended path.
  void Transform(const THtMatrixData& M) override;
  void MoveTo(float CX, float CY) override;
  void LineTo(float X, float Y) override;
  bool Empty() const override { return PointCount == 0; }

  // Replays the path into DC, inside a path bracket when AsPath.
  void PlayInto(gdi::HDC DC, bool AsPath);
  // The path's region, made on first use and owned by the path.
  gdi::HRGN Region();

  std::vector<gdi::POINT> Points;
  std::vector<gdi::BYTE> PointTypes;
  int PointCount = 0;
  bool Ended = false;
  gdi::HDC TempDC = nullptr;
  gdi::HRGN fRegion = nullptr;
  bool FModeWinding = false;
  bool first = true;
  int fCD = 0;
  TRect fRect;
  int fRadiusX = 0, fRadiusY = 0;
  bool fIsRoundRect = false;
  bool fIsRect = false;
  bool fHasCurves = false;
  std::unique_ptr<gdiplus::GraphicsPath> GPath;

  // The shapes replayed while the path holds nothing else (without the clip
  // path's extra pixel: the canvas replays them in advanced mode, whose
  // rectangles keep their right and bottom edge).
  struct TShape {
    TRect R;
    int RX = 0, RY = 0;
    bool Round = false;
  };
  std::vector<TShape> Shapes;

 private:
  gdi::HDC dc() const { return TempDC; }
  void dropShapes();
  void addShape(const TShape& S, const TRect& Unpadded);
  void freeDC();
  bool onlyShapes_ = true;  // no figure but shapes has been added
};

}  // namespace ht
