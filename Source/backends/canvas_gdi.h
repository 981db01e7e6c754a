#pragma once
// THtCanvasGDI: the drawing surface carried out on a GDI device context,
// aliased and on integer device pixels, through world transforms. GDI+ is
// used only for anti-aliased curves, ellipses and translucent rectangles,
// and only while FAllowGDIP is set (printing clears it). Text is drawn as
// glyph runs of fonts realised at 1000 units, scaled by the world
// transform. Each SaveState saves the DC's state beside the matrix.
//
// It prints the recorded pages of the GDI and Direct2D back ends and renders
// GDI pages into metafiles; it never becomes the default canvas class.
// Drawing objects of other back ends are accepted where they can be read:
// pens by their settings, paths by their records, fonts by family, height
// and style, raster images by their source bytes.
#include <map>
#include <memory>
#include <vector>

#include "backends/canvas_gp.h"
#include "backends/gdi_images.h"
#include "backends/gdi_objects.h"
#include "backends/path_gdi.h"
#include "canvas/canvas.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdi/gdi_draw.h"

namespace ht {


class THtCanvasGDIClass : public THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;
  THtStringList* InstalledFonts() const override;
  const THtPenClass* PenClass() const override { return &THtPenGDI::ClassType; }
  const THtFontClass* FontClass() const override { return &THtFontGDI::ClassType; }
  const THtImageClass* ImageClass() const override;
  const THtPathClass* PathClass() const override { return &THtPathGDI::ClassType; }
  // THtMetaCanvasGDI: documents print by recording.
  const THtCanvasClass* PrintCanvasClass() const override;
  const THtBitmapClass* BitmapClass() const override { return &THtBitmapGP::ClassType; }
  THtFontCollection* SharedFontCollection() const override;
  std::unique_ptr<THtFontCollection> CreateFontCollection() const override;
  THtCanvasFlags GetFlags() const override;
  // Installed faces, without raster and vertical ("@") ones.
  void GetFonts(std::vector<String>& List) const override;
  // The sum of the run's advances (font units at 1000) times height / 1000.
  // The run is clamped to s; TextStyle and Scale are not used.
  float MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale, int AFirstChar,
                      int ALength) const override;
  // "Font Awesome 5 Free" (any case) names its solid face.
  void DecodeFontFamily(String& Family) const override;
  // By the path's region at the rounded point.
  bool PointInPath(float X, float Y, THtPath* Path) const override;
};

class THtCanvasGDI : public THtCanvas {
 public:
  static const THtCanvasGDIClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  THtCanvasGDI() = default;
  ~THtCanvasGDI() override;

  // The scene's target must be a platform canvas (gdi::TCanvas) or a
  // THtBitmapGP: anything else raises "No canvas handle provided". A kept
  // off-screen bitmap (Scene.Bitmap) is drawn into and scrolled by the
  // scene's scroll amounts.
  void BeginScene(const THtCanvasScene& AScene) override;
  // Puts the DC back as the scene found it.
  void EndScene() override;
  void SaveState() override;
  // Raises "Restore from empty GDI state stack" without a saved state.
  void RestoreState() override;
  void IntersectClip(const TRectF& R) override;
  // Ends the path first; a rectangle without curves clips by its bounds.
  void IntersectClip(THtPath* ClipPath) override;
  // Device pixels.
  void SetClip(const TRectF& R) override;
  void SetSmoothingMode(bool Smooth) override { FSmoothing = Smooth; }
  void MatrixTransform(const THtMatrixData& M, bool Add) override;

  void DrawPath(THtPen* Pen, THtPath* Path) override;
  void FillPath(THtBrush* Brush, THtPath* Path) override;
  void DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) override;
  void DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle) override;
  void FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) override;
  void DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) override;
  using THtCanvas::DrawRectangle;
  using THtCanvas::FillRectangle;
  void FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) override;
  // Leaves the pen with square caps and mitered joins.
  void DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) override;
  void RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) override;
  void DrawCheck(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;
  void DrawRadio(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;
  void DrawButton(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;

  // Partial alpha and opacity draw opaque; the run is clamped to s.
  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override;
  void DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                    const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke, int AFirstChar,
                    int ALength) override;

  void BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius) override;
  void DrawImage(THtImage* Image, const TRectF& R, float Opacity) override;
  // A pattern brush of the image scaled to the W x H tile.
  void TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                 bool RepeatY, float Opacity, float Radius) override;
  void DrawBitmap(THtBitmap* B, const TRectF& DestR, const TRect& SrcR, float Opacity) override;
  bool Print(THtObject*, StringView) override { return false; }

  gdi::HDC CanvasHandle() const { return FCanvasHandle; }
  // Pixel snapping of one coordinate under the current matrix.
  int SnapCoord(float V);
  int SnapCenter(float V);

  THtCharPlacement FCP;
  std::vector<int> StateStack;  // SaveDC level per SaveState, 0 when none was saved
  bool FSmoothing = true;
  std::unique_ptr<gdiplus::Graphics> G;
  bool FAllowGDIP = true;
  int FSavedState = 0;
  gdi::HGDIOBJ FSavePen = nullptr, FSaveBrush = nullptr;
  gdi::HDC FCanvasHandle = nullptr;
  bool PrintMode = false;

 private:
  void selectBrush(uint32_t Color);
  void selectPen(THtPen* Pen);
  void ensureGraphics();
  // Runs Draw with G in document coordinates; G goes and the state comes
  // back also when Draw raises.
  template <class F>
  void withGraphics(F Draw);
  void ensureClipLevel();
  void drawUnderline(THtFont* Font, const TRectF& R, uint32_t Color);
  void drawText(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                const TSingleArray* ASpacing, int AFirstChar, int ALength);
  void fillPathGDI(THtBrush* Brush, THtPathGDI* Path);
  void fillPathGP(THtBrush* Brush, THtPathGDI* Path);
  void drawControl(int Kind, const TRectF& R, bool Checked, bool Active, bool HOver, bool Disabled);
  bool canBlend();
  // A path of this canvas's class for any path (others by their records).
  THtPathGDI* gdiPath(THtPath* Path);
  // A font of this canvas's class for any font.
  THtFontGDI* gdiFont(THtFont* Font);
  // An image this canvas can draw for a raster image of any class.
  THtImageGDI* gdiImage(THtImage* Image);

  std::unique_ptr<THtPathGDI> FForeignPath;
  std::unique_ptr<THtFontCollection> FForeignFonts;
  std::map<THtImage*, std::unique_ptr<THtImageGDI>> FForeignImages;
  gdi::TGdiPen* FTempPen = nullptr;
};

}  // namespace ht
