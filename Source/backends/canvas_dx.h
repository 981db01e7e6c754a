#pragma once
// THtCanvasDX: the drawing surface over Direct2D. A scene draws into a
// window through a swap chain whose back buffer is the target of a Direct2D
// device context, or into a GDI device context (the scene's canvas is a
// gdi::TCanvas) through a DC-bound target.
// A window scene presents only its update rectangles and scroll offset.
//
// State: every saved state remembers the clips and layers it pushed, in
// order, and undoes them in reverse on restore (Direct2D accepts pops only
// in reverse push order). Solid colours share one brush; pens become stroke
// styles, one shared for plain pens.
//
// Text is laid out with DirectWrite, one layout per call, and drawn as glyph
// runs; underlines are the canvas's own lines. Images are resampled once to
// the device size they are drawn at and cached per target; box shadows are
// blurred on the processor and drawn from cached pieces (canvas_dx_images).
// Pages are recorded by THtMetaCanvasDX and printed through the GDI canvas
// (dx_pages.h). Check boxes and radio buttons are the classic control
// pictures of the GDI facade, drawn into a bitmap and placed as a Direct2D
// bitmap.
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "backends/d2d_helper.h"
#include "backends/dx_fonts.h"
#include "backends/dx_images.h"
#include "backends/path_dx.h"
#include "canvas/canvas.h"
#include "canvas/text_object.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht {

class THtCanvasDXClass : public THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;
  THtStringList* InstalledFonts() const override;
  const THtFontClass* FontClass() const override;
  THtFontCollection* SharedFontCollection() const override;
  std::unique_ptr<THtFontCollection> CreateFontCollection() const override;
  // The families of the system font collection, by their "en-us" names.
  void GetFonts(std::vector<String>& List) const override;
  // The layout's width with trailing white space plus the letter spacing of
  // every character; 0 without Direct2D.
  float MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale, int AFirstChar,
                      int ALength) const override;
  const THtPathClass* PathClass() const override { return &THtPathDX::ClassType; }
  const THtImageClass* ImageClass() const override { return &THtImageDX::ClassType; }
  const THtBitmapClass* BitmapClass() const override { return &THtBitmapDX::ClassType; }
  const THtPageClass* PageClass() const override;
  // Direct2D prints no pages itself: THtMetaCanvasDX records and prints them.
  const THtCanvasClass* PrintCanvasClass() const override;
  THtCanvasFlags GetFlags() const override;
  // Fill and stroke hit tests in the path's own coordinates.
  bool PointInPath(float X, float Y, THtPath* Path) const override;
  bool PointOnPath(float X, float Y, THtPath* Path, float w) const override;
};

// One saved state: what it pushed, so a restore can undo it.
struct THtDXState {
  int ClipCount = 0;
  int TransformCount = 0;
  int PushedLayerCount = 0;
  std::vector<bool> Pushes;  // true for a layer, false for a clip, in push order
};

class THtCanvasDX;

// The pieces of the last box shadow the canvas blurred, and what they were
// made for.
class TDXBlurCache {
 public:
  std::shared_ptr<d2d::ID2D1BitmapBrush> BR;  // profile across a vertical edge
  std::shared_ptr<d2d::ID2D1BitmapBrush> BT;  // profile across a horizontal edge
  std::shared_ptr<d2d::ID2D1Bitmap> BA;       // corner tile, or a small shadow whole
  int MaxBorderRadius = 0;
  float Radius = 0;
  uint32_t Color = 0;
  bool Small = false;
  float W = 0, H = 0;
  // The offsets decide a large shadow's corner size and a small one's
  // cut-out, so they are part of the key.
  float HOffset = 0, VOffset = 0;
  // True when the pieces fit (radius within 0.5, the size within 0.5 for a
  // small shadow, BR made); otherwise stores the key and answers false.
  bool Same(int AMaxBorderRadius, float ARadius, uint32_t AColor, bool ASmall, float AW, float AH, float AHOffset,
            float AVOffset);
};

// A prepared layout of styled ranges. Underlines are drawn by the canvas.
class THtTextObjectDX : public THtTextObject {
 public:
  struct TUnderline {
    int FirstChar = 1, Length = 0;  // 1-based
    uint32_t Color = 0;
    TCSSTextDecorationStyle Style = tsSolid;
  };
  // A solid brush of Color on the owner's target paints the range.
  void SetColor(uint32_t Color, int FirstChar, int Length) override;
  // Weight, slant and strike-through of the range; an underline joins the
  // previous one when it continues it in the same colour.
  void SetStyle(THtFontStyles Style, int FirstChar, int Length, uint32_t AUnderlineColor,
                TCSSTextDecorationStyle AUnderlineStyle) override;
  // Only justification is kept.
  void SetAlignment(THAlign Align) override;

  std::shared_ptr<d2d::IDWriteTextLayout> Layout;
  uint32_t TextLength = 0;
  std::vector<TUnderline> Underlines;
  THtCanvasDX* Owner = nullptr;
  THtTextStyle TextStyle;
};

// The canvas's own text renderer: a layout drawn through it has every
// glyph advance widened by the text style's letter spacing and by the extra
// advance Spacing gives each character, and its strike-through moved along
// with the run. The drawing context is the canvas.
class TDXCustomTextRenderer : public d2d::IDWriteTextRenderer {
 public:
  d2d::HRESULT IsPixelSnappingDisabled(void* Context, d2d::BOOL* Disabled) override;
  d2d::HRESULT GetCurrentTransform(void* Context, d2d::D2D1_MATRIX_3X2_F* Transform) override;
  d2d::HRESULT GetPixelsPerDip(void* Context, float* PixelsPerDip) override;
  d2d::HRESULT DrawGlyphRun(void* Context, float BaselineOriginX, float BaselineOriginY, d2d::DWRITE_MEASURING_MODE Mode,
                       const d2d::DWRITE_GLYPH_RUN& Run, const d2d::DWRITE_GLYPH_RUN_DESCRIPTION& Description,
                       d2d::IUnknown* Effect) override;
  d2d::HRESULT DrawStrikethrough(void* Context, float BaselineOriginX, float BaselineOriginY,
                            const d2d::DWRITE_STRIKETHROUGH& Strikethrough, d2d::IUnknown* Effect) override;

  // The style of the call being drawn (set while it draws).
  const THtTextStyle* TextStyle = nullptr;
  // Extra advance per character of the call being drawn; empty for none.
  TSingleArray Spacing;

 private:
  // How far the last glyph run moved from where the layout put it.
  float FRunShift = 0;
  std::vector<uint32_t> FGlyphs;
  std::vector<float> FAdvances;
  std::vector<TPointF> FPositions;
};

class THtCanvasDX : public THtCanvas {
 public:
  static const THtCanvasDXClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  THtCanvasDX();
  ~THtCanvasDX() override;

  // Direct2D usable here: the devices can be made and Direct2D 1.1 gives a
  // device to draw windows with. Computed once per process.
  static bool IsDirectXSupported();
  // Forgets the answer (tests change the machine).
  static void ResetDirectXSupport();
  // The back end's start-up: when the devices can be made, the Direct2D
  // canvas becomes the default canvas class in place of the GDI+ one (a
  // class someone else chose stays). Not when the engine runs as a library.
  static bool StartDirect2D();
  // Layers need a layer object before Windows 8.1; this system answers as a
  // later one (tests may switch it).
  static bool IsWindows81OrLater;

  void BeginScene(const THtCanvasScene& AScene) override;
  void BeforeEndScene() override;
  void EndScene() override;
  // Starts drawing on a target already bound.
  void BeginScene2(const TRect& AViewPort, const TRect& AClipRect, float OffsetX, float OffsetY, float AScale);

  void SaveState() override;
  void RestoreState() override;
  void IntersectClip(const TRectF& R) override;
  void IntersectClip(THtPath* ClipPath) override;
  void SetClip(const TRectF& R) override;
  void SetSmoothingMode(bool Smooth) override;
  void MatrixTransform(const THtMatrixData& M, bool Add) override;

  void DrawPath(THtPen* Pen, THtPath* Path) override;
  void FillPath(THtBrush* Brush, THtPath* Path) override;
  void DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) override;
  void DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle) override;
  void FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) override;
  void DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) override;
  void FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) override;
  void DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) override;
  using THtCanvas::DrawRectangle;
  using THtCanvas::FillRectangle;
  void RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) override;
  void FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY) override;
  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override;
  // Letter spacing and ASpacing (element k + 1: extra advance after
  // character k) widen the glyph advances; AFill and AStroke are not used.
  void DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                    const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke, int AFirstChar,
                    int ALength) override;
  // The OpenType features of the font's settings, then the defaults they
  // do not name; the shared default typography when there are none.
  static std::shared_ptr<d2d::IDWriteTypography> GetFontTypography(THtFont* Font);
  std::unique_ptr<THtTextObject> CreateTextObject(StringView s, THtFont* Font, const THtTextStyle& TextStyle,
                                                  const TRectF& R, int AFirstChar, int ALength) override;
  void DrawTextObject(THtTextObject* TextObject, const TRectF& R, THtFont* Font) override;
  // An ARGB colour as a Direct2D colour.
  static d2d::D2D1_COLOR_F ColorF(uint32_t Color);
  // The layout of the last DrawString or DrawStringEx.
  const std::shared_ptr<d2d::IDWriteTextLayout>& TextLayout() const { return FTextLayout; }
  // A DPI-sized picture drawn into R grown by one pixel.
  void DrawCheck(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;
  // A picture the size of R.
  void DrawRadio(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) override;
  // A Direct2D bitmap of a 32-bit platform bitmap on the current target,
  // premultiplied when the bitmap has alpha; null when none can be made.
  std::shared_ptr<d2d::ID2D1Bitmap> BitmapToD2DBitmap(gdi::HBITMAP Bitmap, bool HasAlpha = true);

  // Images (canvas_dx_images.cpp). A vector image plays its display list, a
  // page image its command list; a THtImageDX is drawn from its bitmap at
  // device size (an animation from its composed frame).
  void DrawImage(THtImage* Image, const TRectF& R, float Opacity) override;
  // A bitmap brush of the image scaled to the W x H tile; a direction that
  // does not repeat is limited to one tile.
  void TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                 bool RepeatY, float Opacity, float Radius) override;
  // Makes sure the image's bitmap serves a device size of w x h.
  void GetImageBitmap(THtImageDX* Image, int w, int h);
  std::shared_ptr<d2d::ID2D1Bitmap> BitmapToD2DBitmap(THtBitmap* Bitmap);
  // The pixels of Rect (right and bottom outside).
  std::shared_ptr<d2d::ID2D1Bitmap> BitmapRectToD2DBitmap(THtBitmap* Bitmap, const TRect& Rect);
  // Outer shadows with one corner radius; others are not drawn.
  void DrawShadow(THtPath* Path, const THtShadowProps& Props) override;
  // Gaussian blur of what is drawn in R, on window targets only.
  void BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius) override;
  // Clears the pixels of a 32-bit bitmap inside a rounded rectangle.
  static void ClearRoundRectPixels(THtBitmap* Bitmap, const TRectF& R, float Radius);
  TDXBlurCache* BlurCache() const { return FBlurCache.get(); }

  // Raises: printing goes through the print canvas class.
  bool Print(THtObject* PrintDialog, StringView Title) override;
  // m11 of the current matrix.
  float CurrentScale() const override;
  // Fills the target, as far as the clip allows; a colour with alpha 0 is
  // taken as opaque.
  void Clear(uint32_t AColor) override;

  // Brushes and strokes.
  void SetSolidColor(uint32_t Color);
  std::shared_ptr<d2d::ID2D1StrokeStyle> GetStrokeStyle(THtPen* Pen);
  std::shared_ptr<d2d::ID2D1Brush> GetD2DBrush(THtBrush* Brush);

  // Snapping to device pixels (s = m11 of the current matrix).
  float SnapToDevicePixel(float x) const;
  float SnapCoordinate(float x, bool Odd) const;
  float SnapStrokeWidth(float w) const;

  // The current target (empty before the first scene and after a loss).
  const std::shared_ptr<d2d::ID2D1RenderTarget>& Context() const { return FContext; }
  uint64_t ContextVersion() const { return FContextVersion; }
  const std::vector<THtDXState>& States() const { return StateStack; }
  const std::shared_ptr<d2d::IDXGISwapChain>& SwapChain() const { return FSwapChain; }
  const std::shared_ptr<d2d::IDXGISwapChain1>& SwapChain1() const { return FSwapChain1; }
  uint32_t LastSolidColor() const { return FLastSolidColor; }

 private:
  // Sets the target's transform: the current matrix, then the bind offset.
  void setDeviceTransform();
  // Records a push in the top saved state.
  void countPush(bool Layer);
  // The path as THtPathDX, ended; a path of another class is copied into
  // Temp through its record.
  THtPathDX* dxPath(THtPath* Path, std::unique_ptr<THtPathDX>& Temp);
  // A target lost or a device removed: everything made from it goes.
  void dropTarget();
  bool drawing() const { return FContext != nullptr && FContext->Drawing(); }
  // Draws a frame control of Kind (check or radio) W x H into Dest.
  void drawControl(unsigned Kind, int W, int H, const d2d::RECT& Inner, const d2d::D2D1_RECT_F& Dest, bool Checked,
                   bool Active, bool HOver, bool Disabled);

  // Prepares the layout of a DrawString call; false when nothing but the
  // underline is to be drawn. Y is the snapped baseline.
  bool beginText(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int& AFirstChar,
                 int& ALength, float& Y, bool& Layout);
  void endText(const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, float Y);
  void drawDecorationLine(float x1, float y, float x2, const THtTextStyle& TextStyle, THtFont* Font);
  std::shared_ptr<d2d::ID2D1StrokeStyle> decorationStrokeStyle(TCSSTextDecorationStyle Style);
  // Draws the layout through the text renderer with advances widened by
  // letter spacing and Spacing.
  void drawSpaced(d2d::D2D1_POINT_2F Origin, d2d::IDWriteTextLayout* Layout, const THtTextStyle& TextStyle,
                  const TSingleArray& Spacing);
  friend class TDXCustomTextRenderer;
  std::shared_ptr<TDXCustomTextRenderer> FCustomRender = std::make_shared<TDXCustomTextRenderer>();
  void DrawBoxShadow(const TRectF& R, THtPath* Path, const THtShadowProps& Props);
  void DrawSmallShadow(THtPath* Path, const THtShadowProps& Props);
  void BuildShadowMask(const TRectF& R, int S, float HOffset, float VOffset, float Radius);
  std::unique_ptr<TDXBlurCache> FBlurCache;

  std::shared_ptr<d2d::IDWriteTextLayout> FTextLayout;
  THtObject* FCanvas = nullptr;
  std::shared_ptr<d2d::ID2D1RenderTarget> FContext;
  std::vector<THtDXState> StateStack;
  TRect FLastClipRect;
  d2d::HWND FWindowDC = 0;
  std::shared_ptr<d2d::ID2D1SolidColorBrush> FDXSolidBrush;
  uint64_t FContextVersion = 0;
  THtMatrixData FBindMatrix;
  bool FHasBindMatrix = false;
  std::shared_ptr<d2d::ID2D1DeviceContext> FDeviceContext;
  uint32_t FLastSolidColor = 0xFFFFFFFF;
  std::shared_ptr<d2d::ID2D1DCRenderTarget> FDCTarget;
  std::shared_ptr<d2d::ID2D1Bitmap> FBuffer;
  bool FNeedRestoreState = false;
  std::shared_ptr<d2d::ID2D1StrokeStyle> FPenStyle;
  bool FSmoothing = true;
  std::shared_ptr<d2d::IDXGISwapChain> FSwapChain;
  std::shared_ptr<d2d::IDXGISwapChain1> FSwapChain1;
  bool FSwapChainRecreated = false;
};

}  // namespace ht
