#pragma once
// Blurred outer box shadows (CSS box-shadow) drawn through the canvas
// interface. Small boxes are rendered off-screen through a bitmap of their
// own; large boxes are drawn as nine slices of one cached square shadow
// bitmap that is re-rendered only when the shadow's look changes.
#include <array>
#include <cstdint>
#include <memory>

#include "canvas/bitmap.h"
#include "platform/rtl/geometry.h"

namespace ht {

class THtCanvas;
class THtPath;

struct THtShadowProps {
  TRectF R;                       // the box in document coordinates
  float MaxBorderRadius = 0;      // largest corner radius, 0 for square corners
  bool OneBorderRadius = false;   // all corners share one radius
  float HOffset = 0, VOffset = 0; // the shadow offset
  float Blur = 0;                 // the blur radius
  uint32_t Color = 0;             // shadow colour (ARGB)
  uint32_t BackgroundColor = 0;   // the box's background colour
  uint8_t Opacity = 255;
  bool Inset = false;
  bool HasBackground = false;     // the box paints a background
};

// Fills every field except BackgroundColor and HasBackground, which the
// caller sets separately.
void HtShadowProps(THtShadowProps& P, const TRectF& R, float MaxBorderRadius, bool OneBorderRadius,
                   float HOffset, float VOffset, float Blur, uint32_t Color, uint8_t Opacity, bool Inset);

// The last large shadow of a canvas: its bitmap and what it was rendered for.
class THtShadowCache {
 public:
  std::unique_ptr<THtBitmap> B;
  THtShadowProps Props;
};

// Boxes of this area (square pixels) and more go through the cache.
constexpr float HtLargeShadowArea = 40000;
// Blurs above this radius look no different on a shadow but would ask for
// huge bitmaps; they are drawn at this radius.
constexpr float HtMaxShadowBlur = 100;
// A small box whose own shadow bitmap would exceed this many pixels is drawn
// through the cache instead.
constexpr int64_t HtMaxSmallShadowPixels = 4 << 20;
// Cached shadow bitmaps are never larger than this on a side; a shadow that
// would need more (offsets of thousands of pixels) is not drawn.
constexpr int HtMaxShadowCacheSide = 4096;

// Round(Blur * 3), halves to even, with Blur limited to HtMaxShadowBlur.
int ShadowPad(float Blur);
// The box moved by the offset and grown by pad on every side.
TRectF ShadowRect(const THtShadowProps& P, int Pad);
bool IsLargeShadow(const THtShadowProps& P);
// Side of the cached square bitmap: Round(2 * radius) + 4 * pad +
// Round(max(|HOffset|, |VOffset|)) + 5.
int ShadowCacheSide(const THtShadowProps& P, int Pad);
// Whether a cached bitmap rendered for Cached serves P: same colour exactly,
// radius, offsets and blur equal within single-precision tolerance, and the
// same background presence (which decides the cut-out).
bool SameShadowKey(const THtShadowProps& Cached, const THtShadowProps& P);
// Where the box lies in a shadow bitmap whose shadow shape is Shape: the
// shape moved back by the shadow offset.
TRectF ShadowCutoutRect(const TRectF& Shape, float HOffset, float VOffset);

struct THtShadowSlice {
  TRectF Dest;  // in the coordinates the slices are drawn in
  TRect Src;    // in the cached bitmap
};

// The eight slices of a large shadow: corners then top, bottom, left and
// right edges. D is the shadow rectangle, s the corner size and hxd/vyd the
// offsets in drawing units; Half, HX, VY in bitmap pixels; W, H the bitmap's
// size. The edges stretch a one-pixel strip.
std::array<THtShadowSlice, 8> ShadowSlices(const TRect& D, int s, int hxd, int vyd, int Half, int HX, int VY, int W,
                                           int H);

// Draws the shadow of Props on Canvas (the base implementation of the
// canvas's DrawShadow): Path is the shadow shape when given, else the box as
// a (rounded) rectangle. Cache is the canvas's cache of large shadows,
// created on first use. Inset and OneBorderRadius are not looked at.
void DrawBoxShadow(THtCanvas& Canvas, const THtShadowProps& Props, THtPath* Path,
                   std::unique_ptr<THtShadowCache>& Cache);

}  // namespace ht
