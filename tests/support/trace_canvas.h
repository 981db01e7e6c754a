#pragma once
// A canvas for tests that draws nothing and records every call instead: the
// drawing primitives with their pen, brush and path text, the state and
// matrix changes, clipping and text, in call order. Fonts measure with fixed
// metrics (every unit is half the font height wide) so widths are exact.
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/image.h"
#include "platform/rtl/stream.h"

namespace ht::testing {

// A path that keeps its figures as text: "M x,y", "L x,y", "A x,y,w,h,start,sweep",
// "C ...", "Z", separated by blanks; numbers at most two decimals.
class TTracePath : public THtPath {
 public:
  static const THtPathClass ClassType;
  const THtPathClass* ClassRefOf() const override { return &ClassType; }

  explicit TTracePath(bool AForClip) : THtPath(AForClip) {}

  void Clear() override { Ops.clear(); }
  std::unique_ptr<THtPath> Clone() const override;
  void CloseFigure() override { Ops.push_back("Z"); }
  void AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float Width) override;
  void AddBeziers(const TPointFArray& Points) override;
  void AddPath(THtPath* APath) override;
  void GetBounds(TRectF& R, const THtMatrixData* M) override;
  void Transform(const THtMatrixData& M) override;
  void MoveTo(float CX, float CY) override;
  void LineTo(float X, float Y) override;
  bool Empty() const override { return Ops.empty(); }

  std::string Text() const;
  std::vector<std::string> Ops;
};

// An image that decodes nothing but reads the size from the header of a PNG,
// GIF or BMP; other bytes (and truncated headers) leave it not loaded, as
// a back end leaves bytes no decoder reads. Empty bytes load as 0 x 0. It
// keeps its bytes as its source stream.
class TTraceImage : public THtImage {
 public:
  static const THtImageClass ClassType;
  const THtImageClass* ClassRefOf() const override { return &ClassType; }

  TStream* GetSourceStream() override { return FSource.get(); }
  void LoadFromBytes(const THtBytes& ABytes, bool InLoader) override;

  std::unique_ptr<TMemoryStream> FSource;
};

// The bytes of a PNG header (signature and IHDR) of the given size, enough
// for TTraceImage.
THtBytes TracePng(int W, int H);

class TTraceCanvasClass : public THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;

  THtStringList* InstalledFonts() const override;
  const THtPathClass* PathClass() const override { return &TTracePath::ClassType; }
  const THtImageClass* ImageClass() const override { return &TTraceImage::ClassType; }
  void GetFonts(std::vector<String>& List) const override;
  // Every unit is Font->Height() / 2 * Scale wide, plus the letter spacing,
  // plus the word spacing for each space.
  float MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale,
                      int AFirstChar, int ALength) const override;

  // The family names GetFonts reports (a test sets them; HasFont fills the
  // installed list from them once).
  static std::vector<String>& FontNames();
  // Empties the installed list so the next HasFont reads FontNames again.
  static void ResetInstalledFonts();
  // How often GetFonts ran.
  static int& GetFontsCalls();
};

class TTraceCanvas : public THtCanvas {
 public:
  static const TTraceCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  void BeginScene(const THtCanvasScene& AScene) override;
  void EndScene() override;
  void SaveState() override;
  void RestoreState() override;
  void IntersectClip(const TRectF& R) override;
  void IntersectClip(THtPath* ClipPath) override;
  void SetClip(const TRectF& R) override;
  void MatrixTransform(const THtMatrixData& M, bool Add) override;
  void DrawPath(THtPen* Pen, THtPath* Path) override;
  void FillPath(THtBrush* Brush, THtPath* Path) override;
  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override;

  // Extra groups of calls to record; with a group on, its calls are only
  // recorded (the base canvas does not carry them out).
  enum TTraceGroup : uint32_t {
    tcSmoothing = 1u << 0,  // SetSmoothingMode
    tcShapes = 1u << 1,     // DrawLine, rectangles, rounded rectangles, ellipses
    tcEffects = 1u << 2,    // Clear, DrawShadow, BlurRect, FillImage, DrawImage, DrawBitmap
    // Not a group of calls: BeginScene moves the current matrix by the
    // scene's offset and scale, as the back ends do.
    tcSceneMatrix = 1u << 3,
    tcAll = 15u,
  };
  uint32_t Groups = 0;
  // When above 0, the call with this number (counting every call but
  // RestoreState, EndScene and SetSmoothingMode, which run from clean-up)
  // raises Exception
  // "trace canvas: call N" instead of happening.
  int ThrowAtCall = 0;
  int CallCount = 0;  // calls counted so far

  void SetSmoothingMode(bool Smooth) override;
  void DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) override;
  void FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) override;
  void DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) override;
  void DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) override;
  void RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) override;
  void FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY) override;
  void Clear(uint32_t AColor) override;
  void DrawShadow(THtPath* Path, const THtShadowProps& Props) override;
  void BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius) override;
  void FillImage(const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                 const TElementBackground& Background, float Opacity, float Radius) override;
  void DrawImage(THtImage* Image, const TRectF& R, float Opacity) override;
  void DrawBitmap(THtBitmap* B, const TRectF& DestR, const TRect& SrcR, float Opacity) override;
  using THtCanvas::DrawRectangle;
  using THtCanvas::FillRectangle;

  // The recorded calls, one line each.
  std::vector<std::string> Calls;
  // SaveState minus RestoreState calls seen (negative after an unbalanced
  // restore).
  int Balance = 0;
  std::string Joined() const;
  // The recorded calls that start with Prefix, joined like Joined.
  std::string Only(std::string_view Prefix) const;

 private:
  // Counts the call and raises when it is the one to fail.
  void hit();
};

// Compact text of a number (at most two decimals), as the trace writes it.
std::string TraceNum(double v);

}  // namespace ht::testing
