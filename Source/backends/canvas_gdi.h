#pragma once
// THtCanvasGDI: the drawing surface carried out on a GDI device context,
// aliased and on integer device pixels, through world transforms. A scene
// draws into the DC of a platform canvas; each SaveState saves the DC's
// state beside the matrix.
//
// Built so far: scenes, states, transforms, solid fills of rectangles and
// paths. Strokes and text are not built yet and raise EAbstractError rather
// than drawing nothing.
#include <memory>
#include <vector>

#include "backends/path_gdi.h"
#include "canvas/canvas.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht {

class THtCanvasGDIClass : public THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;
  const THtPathClass* PathClass() const override { return &THtPathGDI::ClassType; }
};

class THtCanvasGDI : public THtCanvas {
 public:
  static const THtCanvasGDIClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  THtCanvasGDI() = default;
  ~THtCanvasGDI() override;

  // The scene's target must be a platform canvas (gdi::TCanvas): anything
  // else raises "No canvas handle provided".
  void BeginScene(const THtCanvasScene& AScene) override;
  // Puts the DC back as the scene found it.
  void EndScene() override;
  void SaveState() override;
  // Raises "Restore from empty GDI state stack" without a saved state.
  void RestoreState() override;
  void MatrixTransform(const THtMatrixData& M, bool Add) override;
  // Solid colours: the pixels whose centres the transformed rectangle
  // covers, inside the DC's clip; translucent colours blend over.
  void FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) override;
  // Paths of this canvas's class, solid colours, by their region.
  void FillPath(THtBrush* Brush, THtPath* Path) override;
  void DrawPath(THtPen* Pen, THtPath* Path) override;
  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override;

  gdi::HDC CanvasHandle() const { return FCanvasHandle; }

  std::vector<int> StateStack;  // SaveDC level per SaveState, 0 when none was saved
  bool FAllowGDIP = true;
  bool PrintMode = false;

 private:
  void applyWorldTransform();
  // Fills the DC-space region (consumed) with Color, inside the DC's clip.
  void fillRegion(gdi::HRGN Rgn, uint32_t Color);
  uint32_t solidColor(THtBrush* Brush) const;

  int FSavedState = 0;
  gdi::HDC FCanvasHandle = nullptr;
  int FSavedMode = gdi::GM_COMPATIBLE;
  gdi::XFORM FSavedXform;
};

}  // namespace ht
