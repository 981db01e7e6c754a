#pragma once
// THtCanvas: the abstract drawing surface of the engine. Layout, painting and
// the element subsystems draw only through it; the back ends derive their
// canvases from it and supply the primitives left abstract here (DrawPath,
// FillPath, DrawString and the class functions InstalledFonts and
// MeasureString).
//
// Class functions (called on the class, without an instance) are virtual
// operations of the class descriptor THtCanvasClass; a back end derives its
// own descriptor type and overrides them. Every canvas class declares
//   static const <its descriptor> ClassType;
//   const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
//
// Character positions (AFirstChar) are 1-based.
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "canvas/bitmap.h"
#include "canvas/brush.h"
#include "canvas/canvas_scene.h"
#include "canvas/canvas_types.h"
#include "canvas/font.h"
#include "canvas/image.h"
#include "canvas/matrix.h"
#include "canvas/page.h"
#include "canvas/path.h"
#include "canvas/pen.h"
#include "canvas/text_object.h"
#include "canvas/text_run.h"
#include "markup/hash_dictionary.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/rtl_errors.h"
#include "platform/rtl/stream.h"

namespace ht {

enum THtCanvasFlag : uint8_t {
  hcfNeedBuffer,            // the document paints through an off-screen bitmap
  hcfCacheTextWidth,        // text widths may be cached in the font's width cache
  hcfScaleCanvasDrawing,
  hcfSupportsTextLayouts,
  hcfSupportsSimpleLayouts,
  hcfFullRepaint,
  hcfSupportsImageRef,
  hcfHasVSync,
  hcfIntCoordinates,
};
using THtCanvasFlags = TEnumSet<THtCanvasFlag, uint16_t>;

// 5 x 5 matrix applied to image colours.
using THtColorMatrix = std::array<float, 25>;
using PHtColorMatrix = THtColorMatrix*;

class TElementBackground;  // css/element_background.h
class THtShadowCache;      // canvas/box_shadow.h
struct THtShadowProps;

// A font service a host may register; the canvas only keeps it.
class IHtFontService {
 public:
  virtual ~IHtFontService() = default;
};

using TRenderPDFPageEvent = std::function<void(THtObject* Sender, int Page)>;

struct THtCanvasState {
  THtMatrixData M;  // the matrix saved by SaveState
};

// The class descriptor of the canvases, with the class functions.
class THtCanvasClass : public TClassRef<THtCanvas> {
 public:
  using TClassRef::TClassRef;

  // The class's own list of installed family names (lower case), one per
  // canvas class for the life of the process. Abstract.
  virtual THtStringList* InstalledFonts() const;
  virtual const THtBrushClass* BrushClass() const;
  virtual const THtPenClass* PenClass() const;
  virtual const THtFontClass* FontClass() const;
  virtual const THtImageClass* ImageClass() const;
  // THtCustomPath in the base, so the shape composites work on any canvas.
  virtual const THtPathClass* PathClass() const;
  virtual const THtPageClass* PageClass() const;
  // The class a canvas prints with: itself unless a back end names another.
  virtual const THtCanvasClass* PrintCanvasClass() const { return this; }
  virtual const THtBitmapClass* BitmapClass() const;
  // One collection shared by all canvases of a back end; null in the base.
  virtual THtFontCollection* SharedFontCollection() const { return nullptr; }
  // A new, unshared collection bound to this class.
  virtual std::unique_ptr<THtFontCollection> CreateFontCollection() const;
  virtual THtCanvasFlags GetFlags() const;
  // Adds the installed family names; nothing in the base.
  virtual void GetFonts(std::vector<String>& List) const;
  // Whether a family is installed, also after stripping one weight or width
  // suffix at a time. Safe on any thread.
  virtual bool HasFont(StringView FontName) const;
  virtual THtBytes ImageListItemtoBytes(THtObject* ImageList, int Index) const;
  // The advance width of ALength units of s from AFirstChar. Abstract.
  virtual float MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale,
                              int AFirstChar, int ALength) const;
  virtual void SplitString(StringView s, THtTextRuns& Runs, const THtTextRunClass* RunClass) const;
  // Replaces a generic CSS family name (ignoring ASCII case) by an
  // installed family; other names stay.
  virtual void DecodeFontFamily(String& Family) const;
  virtual bool PointInPath(float X, float Y, THtPath* Path) const;
  virtual bool PointOnPath(float X, float Y, THtPath* Path, float w) const;
};

// The process-wide default canvas class, empty until a back end's start-up
// stores its class there.
extern const THtCanvasClass* HtDefaultCanvasClass;

// ACanvasClass, else HtDefaultCanvasClass; raises Exception "No canvas class
// provided to HTML document" when both are empty.
const THtCanvasClass* CanvasClassOrDefault(const THtCanvasClass* ACanvasClass);

class THtCanvas : public THtObject {
 public:
  static const THtCanvasClass ClassType;
  virtual const THtCanvasClass* ClassRefOf() const { return &ClassType; }

  THtCanvas();
  ~THtCanvas() override;
  THtCanvas(const THtCanvas&) = delete;
  THtCanvas& operator=(const THtCanvas&) = delete;

  // Class functions reached through an instance.
  const THtBrushClass* BrushClass() const { return ClassRefOf()->BrushClass(); }
  const THtPenClass* PenClass() const { return ClassRefOf()->PenClass(); }
  const THtFontClass* FontClass() const { return ClassRefOf()->FontClass(); }
  const THtImageClass* ImageClass() const { return ClassRefOf()->ImageClass(); }
  const THtPathClass* PathClass() const { return ClassRefOf()->PathClass(); }
  const THtPageClass* PageClass() const { return ClassRefOf()->PageClass(); }
  const THtBitmapClass* BitmapClass() const { return ClassRefOf()->BitmapClass(); }
  THtCanvasFlags GetFlags() const { return ClassRefOf()->GetFlags(); }

  // ---- virtual operations
  // The page at Index (0-based); raises EListError outside 0..PageCount-1.
  virtual THtPage* GetPage(int Index) const;

  // Copies the scene and sets up the matrices of the pass; back ends call
  // this first and then bind their target.
  virtual void BeginScene(const THtCanvasScene& AScene);
  virtual void BeforeEndScene() {}
  virtual void EndScene() {}
  virtual void CachedDraw(THtObject* Canvas, const TRectF& R, float DocOffsetX, float DocOffsetY,
                          uint32_t BackgroundColor, float ADocScale);
  // Push and pop the current matrix; back ends save their own state too.
  // RestoreState without a saved state changes nothing.
  virtual void SaveState();
  virtual void RestoreState();
  virtual void IntersectClip(const TRectF& R);
  virtual void IntersectClip(THtPath* ClipPath);
  virtual void SetClip(const TRectF& R);
  virtual void SetSmoothingMode(bool Smooth);
  // True draws source over destination, false copies the source.
  virtual void SetCompositingMode(bool ModeOver);
  virtual void DrawPath(THtPen* Pen, THtPath* Path) = 0;
  // Fills with the path's fill rule.
  virtual void FillPath(THtBrush* Brush, THtPath* Path) = 0;

  // Shapes built from a temporary path of PathClass and drawn through
  // DrawPath / FillPath.
  virtual void DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2);
  virtual void DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle);
  virtual void FillEllipse(THtBrush* Brush, float X, float Y, float w, float h);
  virtual void DrawEllipse(THtPen* Pen, float X, float Y, float w, float h);
  virtual void FillRectangle(THtBrush* Brush, float X, float Y, float w, float h);
  virtual void DrawRectangle(THtPen* Pen, float X, float Y, float w, float h);
  // Strokes the outline of a rounded rectangle (ht::RoundRect in the base).
  virtual void RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY);
  virtual void FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY);
  // Form-control glyphs in the box R; the base draws ht::DrawCheck,
  // ht::DrawRadio and ht::DrawButton (whose outline goes through RoundRect).
  virtual void DrawCheck(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled);
  virtual void DrawRadio(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled);
  virtual void DrawButton(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled);
  // The wavy spelling underline (ht::DrawWavyLine in the base).
  virtual void DrawWavyLine(float x1, float y1, float x2, float y2, THtPen* Pen);

  // Draws ALength units of s from AFirstChar with the text's top-left at
  // R's top-left.
  virtual void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                          int AFirstChar, int ALength) = 0;
  // The base ignores ASpacing, AFill and AStroke.
  virtual void DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                            const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke,
                            int AFirstChar, int ALength);
  // A prepared text layout; null in the base.
  virtual std::unique_ptr<THtTextObject> CreateTextObject(StringView s, THtFont* Font,
                                                          const THtTextStyle& TextStyle, const TRectF& R,
                                                          int AFirstChar, int ALength);
  virtual void DrawTextObject(THtTextObject* TextObject, const TRectF& R, THtFont* Font);
  virtual void DrawLink(const TRectF& R, StringView Href, bool IsAnchor);
  virtual void BeginLink(StringView Href, StringView Title);
  virtual void EndLink() {}

  // Matrix state. The first three go through MatrixTransform, so a back end
  // that overrides it sees every change; M acts before the current matrix.
  virtual void ScaleTransform(float XScale, float YScale);
  virtual void TranslateTransform(float XOffset, float YOffset);
  virtual void RotateTransform(float Angle);
  virtual void MatrixTransform(const THtMatrixData& M, bool Add);

  // Text with a shadow; the base draws a sharp one (ht::DrawTextShadow).
  virtual void DrawTextShadow(StringView s, const TRectF& R, const THtTextStyle& TextStyle, THtFont* Font,
                              float HOffset, float VOffset, float Blur, uint32_t ShadowColor);

  // Blurs the target inside R (current coordinates); nothing in the base.
  virtual void BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius);
  virtual void DrawBitmap(THtBitmap* B, const TRectF& DestR, const TRect& SrcR, float Opacity);

  // Images and backgrounds (image_drawing.h): the base DrawImage plays only
  // vector images, TileImage draws one DrawImage per tile and FillImage
  // sizes, positions and repeats a CSS background image inside R.
  virtual void DrawImage(THtImage* Image, const TRectF& R, float Opacity);
  virtual void TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                         bool RepeatY, float Opacity, float Radius);
  virtual void FillImage(const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                         const TElementBackground& Background, float Opacity, float Radius);
  // The blurred outer box shadow of Props (box_shadow.h); Path is the
  // shadow's shape when given, else the box as a (rounded) rectangle.
  virtual void DrawShadow(THtPath* Path, const THtShadowProps& Props);

  // The reused pen and brush: owned by the canvas, valid until the next call
  // of the same operation.
  virtual THtPen* GetPen(uint32_t AColor, float AWidth);
  virtual THtBrush* GetBrush(uint32_t AColor);

  virtual void SetImageColorMatrix(const THtColorMatrix& CM);

  // Paging: page sizes in millimetres, pages numbered from 1.
  virtual void BeginPaging(float APageWidthMM, float APageHeightMM, int ADPI);
  virtual void EndPaging() {}
  virtual void NewPage(TCSSOrientation Orientation);
  virtual bool Print(THtObject* PrintDialog, StringView Title);
  // SavetoPDFStream into memory, then the file is created (or replaced)
  // with the bytes; a failing export leaves the file untouched.
  virtual void SavetoPDF(StringView FileName);
  virtual void SavetoPDFStream(TStream& Stream);

  // |m11| + |m12| of the current matrix.
  virtual float CurrentScale() const;
  virtual THtMatrixData* CurrentMatrix() { return &FCurrentMatrix; }
  // Fills every update rectangle (or the clip rectangle) of the scene, in
  // device coordinates whatever the current matrix.
  virtual void Clear(uint32_t AColor);
  virtual bool FastScale(const THtCanvasScene& AScene, const TRectF& NewRect);

  // ---- non-virtual operations
  static void RegisterFontService(std::shared_ptr<IHtFontService> AFontService);
  static std::shared_ptr<IHtFontService> FontService();

  // Round(X * ScaleFactor), halves to even.
  int Scale(float X) const;
  THtCanvas* G() { return this; }
  void DrawRectangle(THtPen* Pen, const TRectF& R) {
    DrawRectangle(Pen, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
  }
  void FillRectangle(THtBrush* Brush, const TRectF& R) {
    FillRectangle(Brush, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
  }
  // R strictly overlaps the clip rectangle and, when there are update
  // rectangles, one of them.
  bool CanvasRectInView(const TRect& R) const;
  // R mapped through the current matrix, widened to whole pixels.
  bool DocumentRectInView(const TRectF& R) const;
  bool HasImageColorMatrix() const { return FImageColorMatrix != nullptr; }
  const THtColorMatrix* ImageColorMatrix() const { return FImageColorMatrix.get(); }

  // ---- properties
  const TRenderPDFPageEvent& OnRenderPDFPage() const { return FOnRenderPDFPage; }
  void SetOnRenderPDFPage(TRenderPDFPageEvent Value) { FOnRenderPDFPage = std::move(Value); }
  int PageWidthPixels() const { return FPageWidthPixels; }
  int PageHeightPixels() const { return FPageHeightPixels; }
  void SetPageHeightPixels(int Value) { FPageHeightPixels = Value; }
  bool Paged() const { return FPaged; }
  int DPI() const { return FDPI; }
  // Does not recompute the pixel sizes.
  void SetDPI(int Value) { FDPI = Value; }
  int PageCount() const { return int(fPages.size()); }
  bool Cached() const { return FCached; }
  bool NeedCacheUpdate() const { return FNeedCacheUpdate; }
  void SetNeedCacheUpdate(bool Value) { FNeedCacheUpdate = Value; }
  int HPages() const { return FHPages; }
  void SetHPages(int Value) { FHPages = Value; }
  int VPages() const { return FVPages; }
  void SetVPages(int Value) { FVPages = Value; }
  TCSSOrientation MultipageOrientation() const { return FMultipageOrientation; }
  void SetMultipageOrientation(TCSSOrientation Value) { FMultipageOrientation = Value; }
  THtFontCollection* FontCollection() const { return FFontCollection; }
  void SetFontCollection(THtFontCollection* Value) { FFontCollection = Value; }
  float ScaleFactor() const { return Scene.Scale; }
  void SetScaleFactor(float Value) { Scene.Scale = Value; }
  const TRect& ClipRect() const { return Scene.ClipRect; }
  void SetClipRect(const TRect& Value) { Scene.ClipRect = Value; }
  float ScreenScale() const { return FScreenScale; }
  void SetScreenScale(float Value) { FScreenScale = Value; }
  float PageWidthMM() const { return FPageWidthMM; }
  float PageHeightMM() const { return FPageHeightMM; }
  // Store the millimetres and set the pixel size to Round(mm * DPI / 25.4).
  void SetPageWidthMM(float Value);
  void SetPageHeightMM(float Value);
  // Saved states currently on the stack.
  int StateDepth() const { return FStateStackIndex + 1; }

  THtMatrixData InitialMatrix;  // the target's matrix when the pass began
  THtMatrixData RootMatrix;     // document-to-device matrix of the pass
  THtCanvasScene Scene;         // a copy of the pass's scene

 protected:
  TCSSOrientation FMultipageOrientation = coDefault;
  int FVPages = 1, FHPages = 1;
  THtFontCollection* FFontCollection = nullptr;  // not owned
  float FScreenScale = 1.0f;
  int FPageHeightPixels = 0, FPageWidthPixels = 0;
  float FPageWidthMM = 0, FPageHeightMM = 0;
  int FDPI = 96;
  bool FPaged = false;
  std::vector<std::unique_ptr<THtPage>> fPages;
  bool FCached = false;
  bool FNeedCacheUpdate = false;
  std::unique_ptr<THtColorMatrix> FImageColorMatrix;
  std::unique_ptr<THtShadowCache> FShadowCache;  // the last large shadow; made by the first one drawn
  TRenderPDFPageEvent FOnRenderPDFPage;
  THtMatrixData FCurrentMatrix;
  std::vector<THtCanvasState> FStateStack;  // only grows
  int FStateStackIndex = -1;                // top saved state, -1 when none
  std::unique_ptr<THtPen> FPen;
  std::unique_ptr<THtBrush> FSolidBrush;
  std::unique_ptr<THtStringList> FFontDictionary;  // for the back ends

 private:
  // A temporary path of PathClass (EAbstractError when there is none).
  std::unique_ptr<THtPath> newPath() const;
};

}  // namespace ht
