#pragma once
// Surfaces and drawing contexts of the core, over cairo. A surface is a
// 32-bit premultiplied ARGB pixel buffer; a bottom-up one keeps its rows in
// memory from the bottom row up (a DIB), which cairo reads through a negative
// stride. A context draws on a surface (or on a cairo context handed in by a
// window) with device-space clips, groups, masks, paints and hit tests.
//
// Bad numbers never reach cairo: a non-finite coordinate, size or matrix puts
// the context into its error state, after which it draws nothing more.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/core_path.h"
#include "platform/rtl/geometry.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;

namespace ht::core {

class TCoreSurface {
 public:
  // A cleared (transparent) surface; negative sizes count as 0.
  TCoreSurface(int AWidth, int AHeight, bool ABottomUp = false);
  // Over pixels someone else owns and keeps alive: Top is the top row,
  // Stride the bytes to the next row down (negative for bottom-up rows).
  TCoreSurface(uint8_t* Top, int AWidth, int AHeight, int AStride);
  // Takes over a cairo surface of another kind (a recording surface): it
  // draws and paints, but has no pixels to read.
  TCoreSurface(cairo_surface_t* Adopt, int AWidth, int AHeight);
  ~TCoreSurface();
  TCoreSurface(const TCoreSurface&) = delete;
  TCoreSurface& operator=(const TCoreSurface&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool BottomUp() const { return FBottomUp; }
  // Bytes from one image row to the next one down: negative when bottom-up.
  int Stride() const { return FStride; }
  // The first byte of the buffer (the bottom row when bottom-up).
  uint8_t* Bits() { return FStride < 0 ? FTop + ptrdiff_t(FStride) * (std::max(FHeight, 1) - 1) : FTop; }
  // Image row y counted from the top.
  uint8_t* ScanLine(int y);
  // Premultiplied ARGB of a pixel; 0 outside the surface.
  uint32_t Pixel(int x, int y);
  void SetPixel(int x, int y, uint32_t PremultipliedArgb);
  // Every pixel := Argb (premultiplied).
  void Fill(uint32_t Argb);
  // Call after writing pixels directly, before drawing again.
  void MarkDirty();
  void Flush();
  bool WritePNG(const std::string& FileName);
  // Null when the file is not a readable PNG.
  static std::unique_ptr<TCoreSurface> ReadPNG(const std::string& FileName);

  cairo_surface_t* Handle() const { return FSurface; }

 private:
  int FWidth, FHeight, FStride;
  bool FBottomUp;
  std::vector<uint8_t> FBits;
  uint8_t* FTop = nullptr;
  cairo_surface_t* FSurface = nullptr;
};

enum TCoreExtend : uint8_t { exNone, exRepeat, exReflect, exPad };

struct TCoreStop {
  double Offset;
  uint32_t Color;  // ARGB, not premultiplied
};

enum TCorePaintKind : uint8_t { pkSolid, pkLinear, pkRadial, pkSurface };

// What a fill or stroke paints with.
struct TCorePaint {
  TCorePaintKind Kind = pkSolid;
  uint32_t Color = 0xFF000000;  // ARGB, not premultiplied
  TPointF P0, P1;               // linear: start and end; radial: the circles' centres
  float R0 = 0, R1 = 0;         // radial radii
  std::vector<TCoreStop> Stops;
  TCoreSurface* Surface = nullptr;  // not owned
  // Outside the gradient vector or the surface, per axis. Gradients use
  // ExtendX for both axes.
  TCoreExtend ExtendX = exPad, ExtendY = exPad;
  TCoreMatrix Matrix;  // pattern space to user space
  bool Smooth = true;  // surface sampling: bilinear, else nearest

  static TCorePaint Solid(uint32_t Argb) {
    TCorePaint p;
    p.Color = Argb;
    return p;
  }
};

enum TCoreLineCap : uint8_t { lcButt, lcSquareCap, lcRoundCap };
enum TCoreLineJoin : uint8_t { ljMiterJoin, ljBevelJoin, ljRoundJoin };

struct TCoreStroke {
  float Width = 1;
  TCoreLineCap Cap = lcButt;
  TCoreLineJoin Join = ljMiterJoin;
  float MiterLimit = 10;
  std::vector<double> Dashes;  // absolute lengths; empty is solid
  float DashOffset = 0;
};

enum TCoreOperator : uint8_t { opOver, opSource, opClear };

class TCoreContext {
 public:
  explicit TCoreContext(TCoreSurface& ASurface);
  // Draws through a context someone else made (a window's draw signal);
  // takes a reference of its own.
  explicit TCoreContext(cairo_t* ACr);
  ~TCoreContext();
  TCoreContext(const TCoreContext&) = delete;
  TCoreContext& operator=(const TCoreContext&) = delete;

  // True after bad input or a cairo error; the context then draws nothing.
  bool InError() const;

  void Save();
  // Does nothing without a matching Save.
  void Restore();
  int SaveDepth() const { return FDepth; }

  void SetMatrix(const TCoreMatrix& M);
  TCoreMatrix Matrix() const;
  void SetAntialias(bool On);
  bool Antialias() const;
  void SetOperator(TCoreOperator Op);

  // Clips: device-space rectangles ignore the matrix; paths use it.
  void ResetClip();
  void ClipDeviceRect(const TRectF& R);
  // The union of the rectangles; an empty list clips everything away.
  void ClipDeviceRects(const std::vector<TRect>& Rects);
  void ClipPath(const TCorePath& Path);
  // The clip's bounds in device pixels.
  TRectF DeviceClipExtents() const;

  void Fill(const TCorePath& Path, const TCorePaint& Paint);
  void Stroke(const TCorePath& Path, const TCoreStroke& Stroke, const TCorePaint& Paint);
  // Paints the whole clip, multiplied by Alpha.
  void Paint(const TCorePaint& Paint, float Alpha = 1);

  // Drawing between PushGroup and PopGroup goes to a transparent layer that
  // is then painted with Opacity (or through Mask when given).
  void PushGroup();
  void PopGroup(float Opacity);
  void PopGroupMasked(const TCorePaint& Mask);
  int GroupDepth() const { return FGroups; }

  // Hit tests in user space (current matrix).
  bool InFill(const TCorePath& Path, float x, float y);
  bool InStroke(const TCorePath& Path, const TCoreStroke& Stroke, float x, float y);

  cairo_t* Handle() const { return FCr; }
  // Checks a number on its way to cairo; false (and the error state) when it
  // is not finite.
  bool Check(double v);
  bool Check(const TCorePath& Path);
  bool Check(const TCoreMatrix& M);
  bool Check(const TCorePaint& P);

 private:
  void setSource(const TCorePaint& Paint);
  void withPaint(const TCorePaint& Paint, void (*op)(cairo_t*));

  cairo_t* FCr;
  bool FError = false;
  int FDepth = 0;
  int FGroups = 0;
};

// A cairo pattern for Paint; the caller destroys it.
cairo_pattern_t* CreatePattern(const TCorePaint& Paint);

// Colour helpers: ARGB words.
inline double ArgbA(uint32_t c) { return ((c >> 24) & 0xFF) / 255.0; }
inline double ArgbR(uint32_t c) { return ((c >> 16) & 0xFF) / 255.0; }
inline double ArgbG(uint32_t c) { return ((c >> 8) & 0xFF) / 255.0; }
inline double ArgbB(uint32_t c) { return (c & 0xFF) / 255.0; }
// The colour with its alpha multiplied by Opacity (0..1, clamped).
uint32_t ArgbWithOpacity(uint32_t Argb, float Opacity);

}  // namespace ht::core
