#pragma once
// The GDI facade over the drawing core: device contexts with a selected
// bitmap and font, saved states, region clips, fonts realised from LOGFONTW
// (a negative height is the em size in pixels), text metrics, glyph
// placement by harfbuzz with integer advances, font enumeration and private
// memory fonts. Coordinates are integers, as in GDI.
//
// Handles are pointers to the facade's objects; functions keep the names,
// arguments and results of the API they stand in for.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/core/core_fonts.h"
#include "platform/core/core_status.h"
#include "platform/core/core_surface.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/string.h"

typedef struct _cairo_region cairo_region_t;

namespace ht::gdi {

using BOOL = int;
using DWORD = uint32_t;
using UINT = unsigned;
using WORD = uint16_t;
using LPARAM = intptr_t;

class TGdiObject {
 public:
  // What an object is, so that selecting one needs no type tests.
  enum TKind : uint8_t { okOther, okFont, okBitmap, okPen, okBrush, okRegion };
  explicit TGdiObject(TKind AKind = okOther) : Kind(AKind) {}
  virtual ~TGdiObject() = default;
  const TKind Kind;
};
class TGdiFont;
class TGdiRegion;
class TGdiBitmap;
class TGdiDC;
class TGdiMetaFile;
class TGdiPen;
class TGdiBrush;
using HPEN = TGdiPen*;
using HBRUSH = TGdiBrush*;
using HGDIOBJ = TGdiObject*;
using HFONT = TGdiFont*;
using HRGN = TGdiRegion*;
using HBITMAP = TGdiBitmap*;
using HDC = TGdiDC*;
using HANDLE = void*;

struct RECT {
  int left = 0, top = 0, right = 0, bottom = 0;
};
struct SIZE {
  int cx = 0, cy = 0;
};
using BYTE = uint8_t;
using COLORREF = uint32_t;  // 0x00BBGGRR
struct POINT {
  int x = 0, y = 0;
};
struct XFORM {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};
constexpr int AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2;
constexpr int ALTERNATE = 1, WINDING = 2;
constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr int BLACKONWHITE = 1, COLORONCOLOR = 3, HALFTONE = 4;

constexpr int LF_FACESIZE = 32;
constexpr int FW_NORMAL = 400, FW_BOLD = 700;

struct LOGFONTW {
  int lfHeight = 0, lfWidth = 0, lfEscapement = 0, lfOrientation = 0, lfWeight = FW_NORMAL;
  uint8_t lfItalic = 0, lfUnderline = 0, lfStrikeOut = 0, lfCharSet = 1, lfOutPrecision = 0, lfClipPrecision = 0,
          lfQuality = 0, lfPitchAndFamily = 0;
  char16_t lfFaceName[LF_FACESIZE] = {};
};

// tmPitchAndFamily bits; note that TMPF_FIXED_PITCH set means a variable pitch.
constexpr uint8_t TMPF_FIXED_PITCH = 0x01, TMPF_VECTOR = 0x02, TMPF_TRUETYPE = 0x04;

struct TEXTMETRICW {
  int tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0,
      tmAveCharWidth = 0, tmMaxCharWidth = 0, tmWeight = 0, tmOverhang = 0, tmDigitizedAspectX = 96,
      tmDigitizedAspectY = 96;
  char16_t tmFirstChar = 32, tmLastChar = 0xFFFC, tmDefaultChar = 0x1F, tmBreakChar = 32;
  uint8_t tmItalic = 0, tmUnderlined = 0, tmStruckOut = 0, tmPitchAndFamily = 0, tmCharSet = 0;
};

// GetCharacterPlacementW flags.
constexpr DWORD GCP_REORDER = 0x0002, GCP_USEKERNING = 0x0008, GCP_LIGATE = 0x0020,
                GCP_NUMERICOVERRIDE = 0x01000000, GCP_NUMERICSLOCAL = 0x08000000;

struct GCP_RESULTSW {
  DWORD lStructSize = 0;
  char16_t* lpOutString = nullptr;
  UINT* lpOrder = nullptr;  // per character: the index of its cluster's first glyph
  int* lpDx = nullptr;      // per glyph: the integer advance
  int* lpCaretPos = nullptr;
  char* lpClass = nullptr;
  WORD* lpGlyphs = nullptr;
  UINT nGlyphs = 0;  // in: capacity of lpGlyphs/lpDx; out: glyphs written
  int nMaxFit = 0;
};

constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
constexpr int NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3, RGN_ERROR = 0;
constexpr int GM_COMPATIBLE = 1, GM_ADVANCED = 2;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD RASTER_FONTTYPE = 1, DEVICE_FONTTYPE = 2, TRUETYPE_FONTTYPE = 4;

// The facade's call trace and fault hooks (tests only).
core::TCallTrace& GdiTrace();
// When set and returning true, GetCharacterPlacementW fails for that call
// (its flags are passed), as the platform may for some runs.
extern std::function<bool(DWORD Flags)> GdiPlacementFault;

// ---- objects
class TGdiFont : public TGdiObject {
 public:
  explicit TGdiFont(const LOGFONTW& ALog);
  LOGFONTW Log;
  // Realised on first use: private memory fonts first, then the installed
  // families; an unknown family is mapped to "Arial" (Substituted).
  const core::TFaceMatch& Match();
  bool Substituted();
  // The em size in pixels.
  double EmSize();


 private:
  bool realised_ = false, substituted_ = false;
  core::TFaceMatch match_;
  double em_ = 0;
};

class TGdiRegion : public TGdiObject {
 public:
  TGdiRegion();
  ~TGdiRegion() override;
  cairo_region_t* Region;
};

class TGdiBitmap : public TGdiObject {
 public:
  TGdiBitmap(int W, int H, bool BottomUp) : TGdiObject(okBitmap), Surface(W, H, BottomUp) {}
  // Over a recording surface (metafiles).
  TGdiBitmap(cairo_surface_t* Recording, int W, int H) : TGdiObject(okBitmap), Surface(Recording, W, H) {}
  core::TCoreSurface Surface;
};

// PS_* pen styles (ExtCreatePen and CreatePen).
constexpr DWORD PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
                PS_STYLE_MASK = 0xF, PS_ENDCAP_ROUND = 0, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200,
                PS_ENDCAP_MASK = 0xF00, PS_JOIN_ROUND = 0, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000,
                PS_JOIN_MASK = 0xF000, PS_COSMETIC = 0, PS_GEOMETRIC = 0x10000, PS_TYPE_MASK = 0xF0000;
constexpr UINT BS_SOLID = 0, BS_NULL = 1, BS_PATTERN = 3;

// A pen: cosmetic pens are one device pixel wide whatever the transform;
// geometric ones have a width in logical units. The DC pen takes its colour
// from the DC (SetDCPenColor).
class TGdiPen : public TGdiObject {
 public:
  TGdiPen() : TGdiObject(okPen) {}
  DWORD Style = PS_SOLID;
  int Width = 0;
  COLORREF Color = 0;
  bool UseDcColor = false;
};

// A brush: solid, null or a pattern of a bitmap (a copy the brush owns),
// tiled in device pixels from the DC's brush origin.
class TGdiBrush : public TGdiObject {
 public:
  TGdiBrush() : TGdiObject(okBrush) {}
  ~TGdiBrush() override;
  UINT Style = BS_SOLID;
  COLORREF Color = 0;
  bool UseDcColor = false;
  TGdiBitmap* Pattern = nullptr;
};

class TGdiDC : public TGdiObject {
 public:
  TGdiDC();
  ~TGdiDC() override;
  HBITMAP Bitmap;  // the selected bitmap (a 1 x 1 stock bitmap at first)
  HFONT Font;      // the selected font (a stock font at first)
  std::unique_ptr<TGdiRegion> Clip;  // device-space clip; null is none
  int GraphicsMode = GM_COMPATIBLE;
  TGdiMetaFile* Meta = nullptr;  // the metafile a metafile DC records
  // SHADEBLENDCAPS: 0 on a device that cannot blend (a printer may say so).
  int ShadeBlendCaps = 0x11;
  // The device's answers to GetDeviceCaps, when it is not a plain bitmap.
  std::function<int(int Index)> DeviceCaps;
  // Counts changes of Clip, so a drawing context kept for the DC knows when
  // to clip again.
  unsigned ClipGeneration = 0;
  // The drawing context kept for the selected bitmap (facade use only).
  struct _cairo* DrawCr = nullptr;
  unsigned DrawCrClip = 0;
  uint32_t DrawCrColor = 0xFFFFFFFF;  // the solid source last set on it (COLORREF), or none

  // What SaveDC keeps besides the objects and the clip.
  struct TAttrs {
    XFORM Xf;
    int ArcDir = AD_COUNTERCLOCKWISE;
    int FillMode = ALTERNATE;
    HPEN Pen;
    HBRUSH Brush;
    COLORREF DCPenColor = 0, DCBrushColor = 0xFFFFFF, TextColor = 0;
    int BkMode = OPAQUE;
    UINT TextAlign = 0;
    POINT BrushOrg;
    int StretchMode = BLACKONWHITE;
    POINT Cur;  // logical current position
  } A;

  // The path bracket: figures recorded as device points (not saved by
  // SaveDC).
  struct TPathState {
    bool InPath = false, Ended = false, NeedMove = true;
    POINT FigStart;  // logical start of the open figure
    std::vector<POINT> Pts;
    std::vector<BYTE> Types;
  } Path;

  struct Saved {
    HBITMAP Bitmap;
    HFONT Font;
    std::unique_ptr<TGdiRegion> Clip;
    int GraphicsMode;
    TAttrs A;
  };
  std::vector<Saved> States;
  // The clip as device rectangles, for contexts drawing on the bitmap; false
  // when the DC has no clip.
  bool ClipRects(std::vector<TRect>& Rects) const;
};

// ---- device contexts
// A memory DC; the screen DC when Dc is null compatible means nothing here.
HDC CreateCompatibleDC(HDC Dc);
BOOL DeleteDC(HDC Dc);
// The screen's DC (one per process, never deleted).
HDC GetDC(uintptr_t Window);
int ReleaseDC(uintptr_t Window, HDC Dc);
// The new level (1, 2, ...); 0 on failure.
int SaveDC(HDC Dc);
// Level > 0: back to that state; negative: that many states back.
BOOL RestoreDC(HDC Dc, int Level);
// Selects a font, bitmap or clip region (a copy, as SelectClipRgn); returns
// the previous object of that kind (for regions, the region type).
HGDIOBJ SelectObject(HDC Dc, HGDIOBJ Obj);
BOOL DeleteObject(HGDIOBJ Obj);
int SetGraphicsMode(HDC Dc, int Mode);

// ---- bitmaps
HBITMAP CreateCompatibleBitmap(HDC Dc, int W, int H);
// A 32-bit DIB; a positive Height is bottom-up. *Bits gets the first byte.
HBITMAP CreateDIBSection32(int W, int Height, uint8_t** Bits);
BOOL BitBlt(HDC Dest, int X, int Y, int W, int H, HDC Src, int SX, int SY, DWORD Rop);

constexpr uint8_t AC_SRC_OVER = 0, AC_SRC_ALPHA = 1;
struct BLENDFUNCTION {
  uint8_t BlendOp = AC_SRC_OVER, BlendFlags = 0, SourceConstantAlpha = 255, AlphaFormat = AC_SRC_ALPHA;
};
// Composites the source rectangle over the destination rectangle (stretched
// to it, nearest pixel) with the constant alpha; AC_SRC_ALPHA uses the
// source's premultiplied alpha, otherwise the source counts as opaque.
// Fails (0) for empty or negative sizes and for a source rectangle outside
// the source bitmap.
BOOL AlphaBlend(HDC Dest, int X, int Y, int W, int H, HDC Src, int SX, int SY, int SW, int SH, BLENDFUNCTION Blend);


// ---- regions
HRGN CreateRectRgn(int L, int T, int R, int B);
int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode);
// AND intersects the DC's clip with Rgn, OR unites, COPY replaces (a null
// Rgn removes the clip).
int ExtSelectClipRgn(HDC Dc, HRGN Rgn, int Mode);
int SelectClipRgn(HDC Dc, HRGN Rgn);
int GetClipBox(HDC Dc, RECT* R);
BOOL PtInRegion(HRGN Rgn, int X, int Y);

// ---- fonts and text
HFONT CreateFontIndirectW(const LOGFONTW* Log);
BOOL GetTextMetricsW(HDC Dc, TEXTMETRICW* Tm);
BOOL GetTextExtentPoint32W(HDC Dc, const char16_t* Text, int Count, SIZE* Size);
// Shapes Count units of Text with the DC's font: glyphs, integer advances
// per glyph, the order array from the clusters; GCP_REORDER lets the script
// set the direction. No font fallback: a missing character gets glyph 0.
// Returns the extent (width in the low, height in the high word), 0 on
// failure; when nGlyphs is smaller than the glyph count the call fails with
// the last error csInsufficientBuffer and nGlyphs set to the count needed.
DWORD GetCharacterPlacementW(HDC Dc, const char16_t* Text, int Count, int MaxExtent, GCP_RESULTSW* Results,
                             DWORD Flags);
using FONTENUMPROCW = std::function<int(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM)>;
// Every installed family (FaceName null) or the faces of one family; the
// callback returns 0 to stop. Returns the last callback result.
int EnumFontsW(HDC Dc, const char16_t* FaceName, const FONTENUMPROCW& Proc, LPARAM Data);
// Private, non-enumerable fonts for this process from font file bytes.
// Null with *Count 0 when the bytes hold no usable face.
HANDLE AddFontMemResourceEx(const void* Font, DWORD Size, void* Reserved, DWORD* Count);
BOOL RemoveFontMemResourceEx(HANDLE Handle);

// The face of a DC's font, realised.
const core::TFaceMatch& SelectedFace(HDC Dc);

}  // namespace ht::gdi
