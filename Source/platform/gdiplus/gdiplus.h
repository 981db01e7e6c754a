#pragma once
// The GDI+ facade over the drawing core: graphics objects on a DC, states,
// clips and regions, matrices, pens, solid and linear-gradient brushes,
// paths (with text outlines), font families, fonts, private font
// collections and glyph runs (DrawDriverString).
//
// GDI+ puts pixel centres on integer coordinates; cairo puts them on
// half-integers. Paths and lines are therefore drawn with a device
// translation of +0.5, so a rectangle from (-0.5, -0.5) of size 10 x 10
// covers exactly 10 x 10 pixels. Clips are shifted the same way and take the
// whole pixels whose centres they hold; glyph runs are not shifted.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/core_fonts.h"
#include "platform/core/core_image.h"
#include "platform/core/core_status.h"
#include "platform/core/core_surface.h"
#include "platform/gdi/gdi.h"
#include "platform/rtl/string.h"

namespace ht::gdiplus {

using ARGB = uint32_t;
using REAL = float;
using INT = int;
using UINT16 = uint16_t;
using GraphicsState = unsigned;

enum Status : int {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  WrongState = 8,
  FileNotFound = 10,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
};

enum FontStyle : int { FontStyleRegular = 0, FontStyleBold = 1, FontStyleItalic = 2, FontStyleBoldItalic = 3,
                       FontStyleUnderline = 4, FontStyleStrikeout = 8 };
enum FillMode : int { FillModeAlternate = 0, FillModeWinding = 1 };
enum SmoothingMode : int { SmoothingModeDefault = 0, SmoothingModeHighSpeed = 1, SmoothingModeHighQuality = 2,
                           SmoothingModeNone = 3, SmoothingModeAntiAlias = 4 };
enum CompositingMode : int { CompositingModeSourceOver = 0, CompositingModeSourceCopy = 1 };
enum TextRenderingHint : int { TextRenderingHintSystemDefault = 0, TextRenderingHintAntiAlias = 4,
                               TextRenderingHintClearTypeGridFit = 5 };
enum CombineMode : int { CombineModeReplace = 0, CombineModeIntersect = 1 };
enum DashStyle : int { DashStyleSolid = 0, DashStyleDash = 1, DashStyleDot = 2, DashStyleDashDot = 3,
                       DashStyleDashDotDot = 4, DashStyleCustom = 5 };
enum LineCap : int { LineCapFlat = 0, LineCapSquare = 1, LineCapRound = 2, LineCapTriangle = 3 };
enum DashCap : int { DashCapFlat = 0, DashCapRound = 2, DashCapTriangle = 3 };
enum LineJoin : int { LineJoinMiter = 0, LineJoinBevel = 1, LineJoinRound = 2, LineJoinMiterClipped = 3 };
enum PenAlignment : int { PenAlignmentCenter = 0, PenAlignmentInset = 1 };
enum Unit : int { UnitWorld = 0, UnitPixel = 2, UnitPoint = 3 };
enum DriverStringOptions : int { DriverStringOptionsCmapLookup = 1, DriverStringOptionsVertical = 2,
                                 DriverStringOptionsRealizedAdvance = 4, DriverStringOptionsLimitSubpixel = 8 };

struct PointF {
  REAL X = 0, Y = 0;
  PointF() = default;
  PointF(REAL x, REAL y) : X(x), Y(y) {}
};
struct RectF {
  REAL X = 0, Y = 0, Width = 0, Height = 0;
  RectF() = default;
  RectF(REAL x, REAL y, REAL w, REAL h) : X(x), Y(y), Width(w), Height(h) {}
};

// The facade's call trace.
core::TCallTrace& GdipTrace();

class Matrix {
 public:
  Matrix() = default;
  Matrix(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) { SetElements(m11, m12, m21, m22, dx, dy); }
  Status SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy);
  void GetElements(REAL* m) const;
  Status Reset() { return SetElements(1, 0, 0, 1, 0, 0); }
  // Order: this matrix acts after M (append) or before it (prepend).
  Status Multiply(const Matrix* M, bool Append = false);
  Status Invert();
  bool IsIdentity() const;
  core::TCoreMatrix Core() const { return M; }
  void SetCore(const core::TCoreMatrix& A) { M = A; }

 private:
  core::TCoreMatrix M;
};

class Brush {
 public:
  virtual ~Brush() = default;
  // How the core paints with it (world coordinates).
  virtual core::TCorePaint Paint() const = 0;
  virtual std::unique_ptr<Brush> Clone() const = 0;
};

class SolidBrush : public Brush {
 public:
  explicit SolidBrush(ARGB Color) : FColor(Color) {}
  Status SetColor(ARGB Color) {
    FColor = Color;
    return Ok;
  }
  ARGB GetColor() const { return FColor; }
  core::TCorePaint Paint() const override { return core::TCorePaint::Solid(FColor); }
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<SolidBrush>(FColor); }

 private:
  ARGB FColor;
};

// Colours run along the direction Angle (degrees) so that the corners of
// Rect project onto the gradient's ends; beyond them the end colours
// continue.
class LinearGradientBrush : public Brush {
 public:
  LinearGradientBrush(const RectF& Rect, ARGB Color1, ARGB Color2, REAL Angle, bool IsAngleScalable = false);
  // Replaces the two end colours by Count stops.
  Status SetInterpolationColors(const ARGB* Colors, const REAL* Positions, INT Count);
  Status GetLastStatus() const { return FStatus; }
  const RectF& GetRectangle() const { return FRect; }
  core::TCorePaint Paint() const override { return FPaint; }
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<LinearGradientBrush>(*this); }

 private:
  RectF FRect;
  core::TCorePaint FPaint;
  Status FStatus = Ok;
};

class Pen {
 public:
  Pen(ARGB Color, REAL Width = 1) : FColor(Color), FWidth(Width) {}
  Status SetColor(ARGB C) { FColor = C; return Ok; }
  ARGB GetColor() const { return FColor; }
  Status SetWidth(REAL W) { FWidth = W; return Ok; }
  REAL GetWidth() const { return FWidth; }
  Status SetDashStyle(DashStyle S);
  DashStyle GetDashStyle() const { return FDashStyle; }
  // Lengths in multiples of the pen width; makes the style custom. An empty
  // or non-positive pattern is refused.
  Status SetDashPattern(const REAL* Dashes, INT Count);
  Status SetDashOffset(REAL O) { FDashOffset = O; return Ok; }
  REAL GetDashOffset() const { return FDashOffset; }
  Status SetStartCap(LineCap C) { FStartCap = C; return Ok; }
  Status SetEndCap(LineCap C) { FEndCap = C; return Ok; }
  LineCap GetStartCap() const { return FStartCap; }
  Status SetDashCap(DashCap C) { FDashCap = C; return Ok; }
  Status SetLineJoin(LineJoin J) { FJoin = J; return Ok; }
  LineJoin GetLineJoin() const { return FJoin; }
  Status SetMiterLimit(REAL L) { FMiterLimit = L; return Ok; }
  REAL GetMiterLimit() const { return FMiterLimit; }
  Status SetAlignment(PenAlignment A) { FAlignment = A; return Ok; }
  PenAlignment GetAlignment() const { return FAlignment; }
  const std::vector<REAL>& DashPattern() const { return FPattern; }

  // The core stroke; false when the pen draws nothing (a custom dash style
  // without a pattern).
  bool Stroke(core::TCoreStroke& S) const;

 private:
  ARGB FColor;
  REAL FWidth;
  DashStyle FDashStyle = DashStyleSolid;
  std::vector<REAL> FPattern;  // custom pattern
  REAL FDashOffset = 0;
  LineCap FStartCap = LineCapFlat, FEndCap = LineCapFlat;
  DashCap FDashCap = DashCapFlat;
  LineJoin FJoin = LineJoinMiter;
  REAL FMiterLimit = 10;
  PenAlignment FAlignment = PenAlignmentCenter;
};

class FontCollection;
class PrivateFontCollection;

class FontFamily {
 public:
  FontFamily() = default;
  // Looks Name up in Collection (the installed families when null); a
  // family that is not there leaves the status FontFamilyNotFound.
  explicit FontFamily(StringView Name, const FontCollection* Collection = nullptr);
  Status GetLastStatus() const { return FStatus; }
  bool IsAvailable() const { return FStatus == Ok; }
  String GetFamilyName() const { return FName; }
  UINT16 GetEmHeight(INT Style) const;
  UINT16 GetCellAscent(INT Style) const;
  UINT16 GetCellDescent(INT Style) const;
  UINT16 GetLineSpacing(INT Style) const;
  bool IsStyleAvailable(INT Style) const { return Face(Style) != nullptr; }
  // The face for a style (bold and italic count); null when unavailable.
  std::shared_ptr<core::TCoreFontFace> Face(INT Style) const;
  std::unique_ptr<FontFamily> Clone() const { return std::make_unique<FontFamily>(*this); }

 private:
  friend class PrivateFontCollection;
  String FName;
  const FontCollection* FCollection = nullptr;
  Status FStatus = FontFamilyNotFound;
};

class FontCollection {
 public:
  virtual ~FontCollection() = default;
  INT GetFamilyCount() const;
  // Up to Count families (in the order first added).
  std::vector<FontFamily> GetFamilies() const;
  // The faces of one family (case-insensitive), for FontFamily.
  std::vector<std::shared_ptr<core::TCoreFontFace>> FacesOf(StringView Family) const;

 protected:
  std::vector<std::shared_ptr<core::TCoreFontFace>> FFaces;
};

class PrivateFontCollection : public FontCollection {
 public:
  // FileNotFound when the file cannot be read or holds no font.
  Status AddFontFile(const String& FileName);
  // Copies the bytes; garbage or truncated data adds nothing
  // (FileNotFound) and leaves the collection as it was.
  Status AddMemoryFont(const void* Memory, INT Length);
};

class GraphicsPath;

// ---- images
enum InterpolationMode : int { InterpolationModeDefault = 0, InterpolationModeLowQuality = 1,
                               InterpolationModeHighQuality = 2, InterpolationModeBilinear = 3,
                               InterpolationModeBicubic = 4, InterpolationModeNearestNeighbor = 5 };
enum WrapMode : int { WrapModeTile = 0, WrapModeClamp = 4 };
enum RotateFlipType : int { RotateNoneFlipNone = 0, RotateNoneFlipY = 6 };
using PixelFormat = int;
constexpr PixelFormat PixelFormat24bppRGB = 0x21808, PixelFormat32bppRGB = 0x22009,
                      PixelFormat32bppARGB = 0x26200A, PixelFormat32bppPARGB = 0xE200B;
constexpr unsigned PropertyTagFrameDelay = 0x5100;

// Row-vector colour transform: [r g b a 1] x M, components 0..1.
struct ColorMatrix {
  REAL m[5][5] = {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}};
  // Identity except, at most, the alpha scale m[3][3].
  bool AlphaOnly() const;
};

class ImageAttributes {
 public:
  Status SetColorMatrix(const ColorMatrix* M) {
    if (!M) return InvalidParameter;
    FMatrix = *M;
    FHas = true;
    return Ok;
  }
  Status ClearColorMatrix() {
    FHas = false;
    return Ok;
  }
  const ColorMatrix* GetColorMatrix() const { return FHas ? &FMatrix : nullptr; }

 private:
  ColorMatrix FMatrix;
  bool FHas = false;
};

// A decoded image with its frames (the time dimension), or a bitmap over
// pixels (its own or someone else's).
class Image {
 public:
  // Decodes Bytes through the core's decoders; bytes no decoder reads give
  // an image whose status is InvalidParameter, of size 0 and no frames.
  static std::unique_ptr<Image> FromBytes(const uint8_t* Bytes, size_t Size);
  virtual ~Image();
  Status GetLastStatus() const { return FStatus; }
  unsigned GetWidth() const { return FStatus == Ok ? unsigned(FWidth) : 0; }
  unsigned GetHeight() const { return FStatus == Ok ? unsigned(FHeight) : 0; }
  unsigned GetFrameCount() const;
  Status SelectActiveFrame(unsigned Index);
  // PropertyTagFrameDelay: one delay per frame in hundredths of a second;
  // other tags are not there (PropertyNotFound as GenericError).
  Status GetPropertyItem(unsigned Tag, std::vector<uint32_t>& Values) const;
  Status RotateFlip(RotateFlipType Type);
  bool FlippedY() const { return FFlipY; }
  // The pixels of the active frame; null without any.
  core::TCoreSurface* Surface() const { return FSurface.get(); }

 protected:
  Image() = default;
  void wrap(uint8_t* Top, int W, int H, int Stride);
  std::shared_ptr<core::TCoreImage> FData;
  std::unique_ptr<core::TCoreSurface> FSurface;
  std::vector<uint8_t> FOwn;
  int FWidth = 0, FHeight = 0;
  unsigned FFrame = 0;
  bool FFlipY = false;
  Status FStatus = Ok;
};

class Bitmap : public Image {
 public:
  // Over Scan0 (not owned; Stride bytes per row, negative for bottom-up);
  // 32-bit formats only.
  Bitmap(INT Width, INT Height, INT Stride, PixelFormat Format, uint8_t* Scan0);
  // A cleared bitmap of its own.
  Bitmap(INT Width, INT Height);
};

// Fills with an image repeated from the brush origin (its transform).
class TextureBrush : public Brush {
 public:
  // The attributes' colour matrix is applied to the texture once, here.
  TextureBrush(const Image* Img, WrapMode Mode = WrapModeTile, const ImageAttributes* Attr = nullptr);
  Status GetLastStatus() const { return FStatus; }
  Status TranslateTransform(REAL Dx, REAL Dy);
  Status ScaleTransform(REAL Sx, REAL Sy);
  Status SetTransform(const Matrix* M);
  core::TCorePaint Paint() const override;
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<TextureBrush>(*this); }

 private:
  std::shared_ptr<core::TCoreSurface> FTexture;
  Matrix FTransform;
  WrapMode FWrap;
  Status FStatus = Ok;
};

// A gradient from the centre point to the boundary of an ellipse path (the
// bounds of the path given). Interpolation positions count from the
// boundary (0) to the centre (1); outside the path it paints nothing.
class PathGradientBrush : public Brush {
 public:
  explicit PathGradientBrush(const GraphicsPath* Path);
  Status SetCenterColor(ARGB Color);
  Status SetCenterPoint(const PointF& P);
  PointF GetCenterPoint() const { return FCenter; }
  // Positions must rise from 0 to 1.
  Status SetInterpolationColors(const ARGB* Colors, const REAL* Positions, INT Count);
  Status SetTransform(const Matrix* M);
  core::TCorePaint Paint() const override;
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<PathGradientBrush>(*this); }
  const std::vector<core::TCoreStop>& Blend() const { return FStops; }

 private:
  RectF FBounds;
  PointF FCenter;
  ARGB FCenterColor = 0xFF000000, FSurround = 0xFFFFFFFF;
  std::vector<core::TCoreStop> FStops;  // boundary-counted positions
  Matrix FTransform;
};

class Graphics;

class Font {
 public:
  // EmSize in pixels (UnitPixel) or points.
  Font(const FontFamily* Family, REAL EmSize, INT Style = FontStyleRegular, Unit U = UnitPixel);
  Font(StringView FamilyName, REAL EmSize, INT Style = FontStyleRegular, Unit U = UnitPixel,
       const FontCollection* Collection = nullptr);
  Status GetLastStatus() const { return FStatus; }
  bool IsAvailable() const { return FStatus == Ok; }
  Status GetFamily(FontFamily* Family) const;
  REAL GetSize() const { return FSize; }
  Unit GetUnit() const { return FUnit; }
  INT GetStyle() const { return FStyle; }
  // The line spacing in pixels.
  REAL GetHeight(const Graphics* G) const;
  // The em size in pixels.
  REAL EmPixels() const { return FUnit == UnitPoint ? FSize * 96 / 72 : FSize; }
  const std::shared_ptr<core::TCoreFontFace>& Face() const { return FFace; }

 private:
  void init();
  FontFamily FFamily;
  REAL FSize;
  INT FStyle;
  Unit FUnit;
  Status FStatus = Ok;
  std::shared_ptr<core::TCoreFontFace> FFace;
};

class StringFormat {
 public:
  static const StringFormat* GenericTypographic();
  static const StringFormat* GenericDefault();
  bool Typographic = false;
};

class GraphicsPath {
 public:
  explicit GraphicsPath(FillMode Mode = FillModeAlternate) { P.FillRule = Mode == FillModeWinding ? core::frWinding : core::frEvenOdd; }
  std::unique_ptr<GraphicsPath> Clone() const { return std::make_unique<GraphicsPath>(*this); }
  Status SetFillMode(FillMode Mode);
  FillMode GetFillMode() const { return P.FillRule == core::frWinding ? FillModeWinding : FillModeAlternate; }
  // Lines, arcs and curves join the open figure (a line from its last
  // point); rectangles, ellipses and text are figures of their own.
  Status AddLine(REAL X1, REAL Y1, REAL X2, REAL Y2);
  Status AddArc(REAL X, REAL Y, REAL W, REAL H, REAL StartAngle, REAL SweepAngle);
  // 1 + 3n points.
  Status AddBeziers(const PointF* Points, INT Count);
  Status AddRectangle(const RectF& R);
  Status AddEllipse(REAL X, REAL Y, REAL W, REAL H);
  Status AddPath(const GraphicsPath* Other, bool Connect);
  // The outlines of Text laid out on one line from Origin (the top of the
  // em box) with the family's face for Style at EmSize pixels.
  Status AddString(StringView Text, const FontFamily* Family, INT Style, REAL EmSize, const PointF& Origin,
                   const StringFormat* Format);
  Status StartFigure();
  Status CloseFigure();
  Status CloseAllFigures();
  Status Reset();
  Status Transform(const Matrix* M);
  // The bounds of the points, mapped through M when given (the pen is not
  // considered).
  Status GetBounds(RectF* Bounds, const Matrix* M = nullptr, const Pen* P = nullptr) const;
  Status GetLastPoint(PointF* Point) const;
  INT GetPointCount() const { return INT(P.Points.size()); }
  bool IsVisible(REAL X, REAL Y) const;

  core::TCorePath P;

 private:
  bool FOpen = false;
};

// The intersection of its paths (no path: infinite).
class Region {
 public:
  Region() = default;
  explicit Region(const RectF& R);
  explicit Region(const GraphicsPath* Path);
  std::unique_ptr<Region> Clone() const { return std::make_unique<Region>(*this); }
  Status Intersect(const RectF& R);
  Status Intersect(const Region* Other);
  Status MakeInfinite();
  Status Transform(const Matrix* M);
  bool IsInfinite() const { return FParts.empty(); }
  bool IsVisible(REAL X, REAL Y) const;
  // Bounds of the intersection (an over-estimate for non-rectangles).
  Status GetBounds(RectF* R) const;
  const std::vector<core::TCorePath>& Parts() const { return FParts; }

 private:
  std::vector<core::TCorePath> FParts;
};

class Graphics {
 public:
  // Draws on the DC's bitmap within the DC's clip.
  explicit Graphics(gdi::HDC Dc);
  // Draws on a surface directly.
  explicit Graphics(core::TCoreSurface* Surface);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Status GetLastStatus() const { return FStatus; }
  GraphicsState Save();
  // Back to the state Save returned; later states are dropped.
  Status Restore(GraphicsState State);

  Status SetTransform(const Matrix* M);
  Status GetTransform(Matrix* M) const;
  Status ResetTransform();
  Status SetSmoothingMode(SmoothingMode Mode);
  SmoothingMode GetSmoothingMode() const { return FState.Smoothing; }
  Status SetCompositingMode(CompositingMode Mode);
  CompositingMode GetCompositingMode() const { return FState.Compositing; }
  Status SetTextRenderingHint(TextRenderingHint Hint);
  TextRenderingHint GetTextRenderingHint() const { return FState.TextHint; }

  // Clips are kept in device space: the world matrix at the time applies.
  Status SetClip(const RectF& R, CombineMode Mode = CombineModeReplace);
  Status SetClip(const Region* R, CombineMode Mode = CombineModeReplace);
  Status IntersectClip(const RectF& R);
  Status IntersectClip(const Region* R);
  Status ResetClip();
  // In world coordinates.
  Status GetClipBounds(RectF* R) const;

  Status Clear(ARGB Color);
  Status FillPath(const Brush* B, const GraphicsPath* Path);
  Status DrawPath(const Pen* P, const GraphicsPath* Path);
  Status FillRectangle(const Brush* B, const RectF& R);
  Status DrawRectangle(const Pen* P, const RectF& R);
  Status DrawLine(const Pen* P, REAL X1, REAL Y1, REAL X2, REAL Y2);
  Status FillEllipse(const Brush* B, REAL X, REAL Y, REAL W, REAL H);
  // Glyphs (or characters with DriverStringOptionsCmapLookup) at their
  // baseline positions, one position per glyph.
  Status DrawDriverString(const UINT16* Text, INT Length, const Font* F, const Brush* B, const PointF* Positions,
                          INT Flags, const Matrix* M);
  // The same, keeping the characters the glyphs stand for (GlyphOfChar: per
  // character, its cluster's first glyph): on a metafile DC the run is
  // recorded as a text record with its characters.
  Status DrawDriverString(const UINT16* Text, INT Length, const Font* F, const Brush* B, const PointF* Positions,
                          INT Flags, const Matrix* M, StringView Chars, const unsigned* GlyphOfChar);

  Status SetInterpolationMode(InterpolationMode Mode) {
    FState.Interpolation = Mode;
    return Ok;
  }
  InterpolationMode GetInterpolationMode() const { return FState.Interpolation; }
  // The whole image into Dest (world units; no half-pixel shift, so whole
  // coordinates put image pixels on device pixels).
  Status DrawImage(const Image* Img, const RectF& Dest);
  // Part of the image (pixel units) into Dest through the attributes.
  Status DrawImage(const Image* Img, const RectF& Dest, REAL SrcX, REAL SrcY, REAL SrcW, REAL SrcH, Unit SrcUnit,
                   const ImageAttributes* Attr = nullptr);
  Status FillEllipse(const Brush* B, const RectF& R) { return FillEllipse(B, R.X, R.Y, R.Width, R.Height); }
  Status DrawEllipse(const Pen* P, REAL X, REAL Y, REAL W, REAL H);
  Status DrawArc(const Pen* P, REAL X, REAL Y, REAL W, REAL H, REAL Start, REAL Sweep);

  core::TCoreContext& Context() { return *FContext; }
  gdi::HDC GetHDC() const { return FDc; }

 private:
  struct StateRec {
    core::TCoreMatrix World;
    std::vector<core::TCorePath> Clip;  // device space
    SmoothingMode Smoothing = SmoothingModeNone;
    CompositingMode Compositing = CompositingModeSourceOver;
    TextRenderingHint TextHint = TextRenderingHintSystemDefault;
    InterpolationMode Interpolation = InterpolationModeDefault;
  };
  void applyClip();
  // A new context on the DC's current bitmap, in the current state.
  void rebind();
  void shapeMatrix();  // world + half-pixel shift, for paths
  void textMatrix();   // world only
  Status done(Status S) { return FStatus = S; }

  gdi::HDC FDc = nullptr;
  std::unique_ptr<core::TCoreContext> FContext;
  std::vector<TRect> FDcClip;
  bool FHasDcClip = false;
  StateRec FState;
  std::vector<std::pair<GraphicsState, StateRec>> FSaved;
  GraphicsState FNextState = 1;
  Status FStatus = Ok;
};

}  // namespace ht::gdiplus
