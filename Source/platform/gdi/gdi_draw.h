#pragma once
// Drawing with the GDI facade: stock objects, pens and brushes, DC colours
// and modes, rectangle fills, clips in logical units, glyph runs and single
// lines of text, stretched copies, gradient fills and device capabilities.
// Everything is aliased and on whole device pixels, as the platform draws;
// logical coordinates pass through the world transform of GM_ADVANCED.
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_paths.h"

namespace ht::gdi {

// ---- stock objects, pens and brushes
constexpr int WHITE_BRUSH = 0, BLACK_BRUSH = 4, NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
              DC_BRUSH = 18, DC_PEN = 19;
// Null for an unknown index. Stock objects are never deleted.
HGDIOBJ GetStockObject(int Index);

struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  uintptr_t lbHatch = 0;  // BS_PATTERN: the HBITMAP
};
// A cosmetic pen when Width is 0 or 1; geometric otherwise.
HPEN CreatePen(int Style, int Width, COLORREF Color);
// Style = PS_GEOMETRIC or PS_COSMETIC + end cap + join + line style; only
// solid brushes. Null (invalid parameter) for other brushes, a cosmetic
// width above 1 or a user style.
HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH* Brush, DWORD StyleCount, const DWORD* StyleArray);
HBRUSH CreateSolidBrush(COLORREF Color);
// The brush keeps a copy of the bitmap; null for a missing or empty one.
HBRUSH CreatePatternBrush(HBITMAP Bitmap);

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
inline constexpr COLORREF RGB(int R, int G, int B) { return COLORREF(R | (G << 8) | (B << 16)); }
COLORREF SetDCPenColor(HDC Dc, COLORREF Color);
COLORREF SetDCBrushColor(HDC Dc, COLORREF Color);
COLORREF SetTextColor(HDC Dc, COLORREF Color);
// TRANSPARENT or OPAQUE; 0 on failure.
int SetBkMode(HDC Dc, int Mode);
constexpr UINT TA_TOP = 0, TA_LEFT = 0, TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BASELINE = 24;
// The previous alignment; GDI_ERROR on failure. Only top-left placement is
// drawn.
constexpr UINT GDI_ERROR = 0xFFFFFFFF;
UINT SetTextAlign(HDC Dc, UINT Align);
// The origin (device pixels) of pattern brushes.
BOOL SetBrushOrgEx(HDC Dc, int X, int Y, POINT* Old);
// BLACKONWHITE, COLORONCOLOR (nearest pixel) or HALFTONE (filtered).
int SetStretchBltMode(HDC Dc, int Mode);

// ---- fills and clips
// The rectangle (logical, right and bottom excluded) filled with Brush.
int FillRect(HDC Dc, const RECT* R, HBRUSH Brush);
// Logical coordinates through the world transform; the clip keeps the
// pixels whose centres lie inside.
int IntersectClipRect(HDC Dc, int L, int T, int R, int B);

// ---- text
constexpr UINT ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004, ETO_GLYPH_INDEX = 0x0010;
// Draws Count glyphs (ETO_GLYPH_INDEX) or characters of the selected font in
// the text colour, the first glyph's top-left at (X, Y), each next one Dx
// further (the shaper's advances without Dx). On a metafile DC the run
// becomes a text record that keeps Chars (the characters the glyphs stand
// for, with GlyphOfChar per character) when they are given.
BOOL ExtTextOutW(HDC Dc, int X, int Y, UINT Options, const RECT* R, const char16_t* Str, UINT Count, const int* Dx,
                 StringView Chars = {}, const UINT* GlyphOfChar = nullptr);
constexpr UINT DT_LEFT = 0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_SINGLELINE = 0x20, DT_NOCLIP = 0x100,
               DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_END_ELLIPSIS = 0x8000, DT_RTLREADING = 0x20000;
// One line of text in R (other lines are not broken); DT_END_ELLIPSIS cuts
// the text to fit with "..." at its end; DT_RTLREADING reads right to left.
// DT_CALCRECT only measures (R's right and bottom become the extent).
// Returns the text height, 0 on failure.
int DrawTextW(HDC Dc, const char16_t* Text, int Count, RECT* R, UINT Format);
// The face name of the selected font; the count of units copied.
int GetTextFaceW(HDC Dc, int Count, char16_t* Name);
constexpr DWORD FR_PRIVATE = 0x10;
// Installs the font file's faces for this process; the number of faces, 0
// when the file is missing or holds none.
int AddFontResourceExW(const char16_t* FileName, DWORD Flags, void* Reserved);

// ---- copies and gradients
// Device pixels; HALFTONE filters, other modes take the nearest pixel.
BOOL StretchBlt(HDC Dest, int X, int Y, int W, int H, HDC Src, int SX, int SY, int SW, int SH, DWORD Rop);
struct TRIVERTEX {
  int x = 0, y = 0;
  uint16_t Red = 0, Green = 0, Blue = 0, Alpha = 0;
};
struct GRADIENT_RECT {
  UINT UpperLeft = 0, LowerRight = 0;
};
constexpr DWORD GRADIENT_FILL_RECT_H = 0, GRADIENT_FILL_RECT_V = 1;
// Each rectangle between its two vertices (logical) shades from the first
// vertex's colour to the second's, left to right (H) or top to bottom (V).
BOOL GradientFill(HDC Dc, const TRIVERTEX* Vertices, UINT NumVertices, const GRADIENT_RECT* Rects, UINT NumRects,
                  DWORD Mode);

// ---- device capabilities
constexpr int TECHNOLOGY = 2, HORZRES = 8, VERTRES = 10, SHADEBLENDCAPS = 120;
constexpr int DT_RASDISPLAY = 1, DT_RASPRINTER = 2;
constexpr int SB_CONST_ALPHA = 0x1, SB_PIXEL_ALPHA = 0x10;
// A printer answers through its DC's DeviceCaps; a bitmap answers 96
// pixels per inch and its own size.
int GetDeviceCaps(HDC Dc, int Index);

}  // namespace ht::gdi
