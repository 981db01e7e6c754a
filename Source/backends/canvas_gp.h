#pragma once
// THtCanvasGP: the engine's drawing surface carried out with GDI+. A scene
// draws into the DC of a platform canvas. Text is shaped by GDI on each
// font's DC held at 1000 units to the em (GlyphPlacement, shared with the
// GDI canvas), placed by the canvas and drawn as a glyph run.
#include <memory>
#include <vector>

#include "backends/gp_drawing_objects.h"
#include "backends/gp_fonts.h"
#include "backends/gp_images.h"
#include "canvas/canvas.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdiplus/gdiplus.h"

namespace ht {

// Glyph-placement buffers reused by every text call; they only grow.
struct THtCharPlacement {
  gdi::GCP_RESULTSW GR;
  std::vector<int> CharWidths;          // the advance of each glyph
  std::vector<gdi::UINT> GlyphIndices;  // per character: its first glyph
  std::vector<gdi::WORD> Glyphs;
};

// Shapes Count units of Text with the font selected into DC (kerning and
// ligatures; reordering for right-to-left text). A run that shapes to more
// glyphs than the buffers hold grows them to the shaper's count; a run the
// platform refuses is retried once with local digits and numeric override.
// The result is the platform's (0 on failure); advances are in the units of
// the DC's font.
gdi::DWORD GlyphPlacement(gdi::HDC DC, const char16_t* Text, int Count, THtCharPlacement& CP, bool RTL);

class THtCanvasGPClass : public THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;

  THtStringList* InstalledFonts() const override;
  const THtBrushClass* BrushClass() const override { return &THtBrushGP::ClassType; }
  const THtPenClass* PenClass() const override { return &THtPenGP::ClassType; }
  const THtPathClass* PathClass() const override { return &THtPathGP::ClassType; }
  const THtFontClass* FontClass() const override { return &THtFontGP::ClassType; }
  const THtImageClass* ImageClass() const override { return &THtImageGP::ClassType; }
  const THtBitmapClass* BitmapClass() const override { return &THtBitmapGP::ClassType; }
  const THtPageClass* PageClass() const override;
  THtFontCollection* SharedFontCollection() const override;
  std::unique_ptr<THtFontCollection> CreateFontCollection() const override;
  THtCanvasFlags GetFlags() const override;
  // The screen's font faces, without vertical ("@") and raster fonts.
  void GetFonts(std::vector<String>& List) const override;
  // The run's advance: shaped once at 1000 units and scaled by the font
  // height. Letter and word spacing are not added; Scale is not used. The
  // run is clamped to s; a no-break space measures as a space.
  float MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale, int AFirstChar,
                      int ALength) const override;
  bool PointInPath(float X, float Y, THtPath* Path) const override;
};

class THtCanvasGP : public THtCanvas {
 public:
  static const THtCanvasGPClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  THtCanvasGP() = default;
  ~THtCanvasGP() override;

  // The scene's target must be a platform canvas (gdi::TCanvas) or a
  // THtBitmapGP: anything else raises "No canvas handle provided".
  void BeginScene(const THtCanvasScene& AScene) override;
  void EndScene() override;
  void SaveState() override;
  // Raises "Restore from empty GDI+ state stack" without a saved state.
  void RestoreState() override;
  void IntersectClip(const TRectF& R) override;
  void IntersectClip(THtPath* ClipPath) override;
  void SetClip(const TRectF& R) override;
  void SetSmoothingMode(bool Smooth) override;
  void SetCompositingMode(bool ModeOver) override;
  void MatrixTransform(const THtMatrixData& M, bool Add) override;
  void DrawPath(THtPen* Pen, THtPath* Path) override;
  void FillPath(THtBrush* Brush, THtPath* Path) override;
  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override;
  // A stroke of another colour than the fill draws the text as outlines,
  // filled first (with AFill when given), then stroked; otherwise a glyph
  // run placed with ASpacing in place of the letter spacing.
  void DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                    const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke, int AFirstChar,
                    int ALength) override;

  // ---- shapes, images and control pictures
  // Horizontal and vertical lines are drawn without anti-aliasing.
  void DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) override;
  void DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle) override;
  void DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) override;
  // Inset; dashed rectangles over 1000 units are drawn solid.
  void DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) override;
  using THtCanvas::DrawRectangle;
  using THtCanvas::FillRectangle;
  // A radial brush paints its last colour outside the gradient ellipse.
  void FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) override;
  void FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) override;
  void DrawImage(THtImage* Image, const TRectF& R, float Opacity) override;
  // The texture is scaled to the W x H tile; a non-repeating axis shows one
  // tile.
  void TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                 bool RepeatY, float Opacity, float Radius) override;
  // AlphaBlend in device pixels unless the matrix mirrors or rotates.
  void DrawBitmap(THtBitmap* B, const TRectF& DestR, const TRect& SrcR, float Opacity) override;
  void SetImageColorMatrix(const THtColorMatrix& CM) override;
  void DrawCheck(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;
  void DrawRadio(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;
  void DrawButton(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;
  void BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius) override;
  void Clear(uint32_t AColor) override;
  // A quick preview while zooming: the kept bitmap (AScene's, else the one
  // of the last scene) is resized to AScene's viewport and its picture
  // stretched into NewRect; when the picture grew past the viewport it is
  // shown on AScene's target at once. False when there is no kept bitmap
  // or NewRect cannot be scaled to (the caller repaints instead).
  bool FastScale(const THtCanvasScene& AScene, const TRectF& NewRect) override;

  // ---- pages and printing
  // Ends the recording of every page and writes the page count over the
  // placeholder "$$|$#" in their text.
  void EndPaging() override;
  // Each page's metafile on the printer, in page order (a print dialog's
  // range and copies when one is given; it is a gdi::TPrintDialog). False
  // when cancelled or nothing printed.
  bool Print(THtObject* PrintDialog, StringView Title) override;

  gdiplus::ColorMatrix FImageMatrix;

  // Snapping to device pixels of the current matrix; results in document
  // units.
  float SnapToPixel(float x) const;
  float SnapToPixelEx(float x, bool Half) const;
  float SnapWidth(float w) const;
  void DrawDecorations(const TRectF& R, THtFontGP* Font, const THtTextStyle& TextStyle);
  void DrawOutlinedText(StringView s, const TRectF& R, THtFontGP* Font, const THtTextStyle& TextStyle,
                        THtBrush* Fill, THtPen* Pen, int AFirstChar, int ALength);

  std::unique_ptr<gdiplus::Graphics> G;
  THtObject* Canvas = nullptr;
  gdi::HDC FCanvasHandle = nullptr;
  int FDCSave = 0;
  std::vector<gdiplus::GraphicsState> StateStack;
  std::unique_ptr<gdiplus::Matrix> FGPMatrix;
  std::vector<gdiplus::PointF> FGPos;
  THtCharPlacement FCharPlacement;

 private:
  // Places the run's glyphs from R's top-left on the baseline; Spacing adds
  // per-character extra space (by the glyphs' first characters), else the
  // letter spacing is added after every glyph. False when placement fails.
  bool placeRun(StringView s, const TRectF& R, THtFontGP* Font, float LetterSpacing, const TSingleArray* Spacing,
                int First, int Length, bool RTL);
};

// Round half away from zero.
float RoundHalfAway(float x);

// Clamps a 1-based run (Length -1: to the end) to s; false when nothing of
// it is left.
bool ClampTextRun(StringView s, int& First, int& Length);
// A path gradient's centre and interpolation colours from a radial brush's
// stops: the gradient's positions count from the centre, the path
// gradient's from the boundary.
void SetRadialStops(gdiplus::PathGradientBrush& B, const THtBrush& Brush);

// Stretches the bitmap's whole picture (bilinear) to NewRect's size rounded
// and puts it at NewRect's rounded top-left, cut to the bitmap; pixels
// outside NewRect keep what they held. False, changing nothing, when the
// bitmap has no pixels or NewRect is empty, not finite or beyond the pixel
// budget.
bool ScaleInPlace(THtBitmapGP& Bitmap, const TRectF& NewRect);

}  // namespace ht
