#pragma once
// The paint pass handed to THtCanvas::BeginScene: the target, the visible
// area, the dirty rectangles and the document's offset, scale and scroll.
#include <cstdint>
#include <vector>

#include "platform/rtl/geometry.h"
#include "platform/rtl/object.h"

namespace ht {

struct THtCanvasScene {
  THtObject* Canvas = nullptr;  // the target the back end draws on
  uintptr_t Window = 0;         // the target window, 0 when none
  TRect ViewPort;               // the visible area in device pixels
  // The area that needs painting: starts as the viewport and grows to cover
  // every update rectangle.
  TRect ClipRect;
  std::vector<TRect> UpdateRects;  // empty means the whole clip rectangle
  float OffsetX = 0, OffsetY = 0;  // the document's offset in device pixels
  float Scale = 1;                 // the document's scale
  float ScrollX = 0, ScrollY = 0;  // scroll distance since the previous pass
  THtObject* Bitmap = nullptr;     // the kept off-screen bitmap (THtBitmap)
  bool EditorMode = false;

  void Init(const TRect& AViewPort, THtObject* ACanvas);
  // Ignores empty rectangles, those that do not strictly overlap the
  // viewport and those inside one already stored; otherwise stores R as
  // given and grows ClipRect to contain it.
  void AddUpdateRect(const TRect& R);
  // Grows every update rectangle by the four amounts, held inside the
  // viewport.
  void ExpandUpdateRects(int ALeft, int ATop, int ARight, int ABottom);
  // For a kept bitmap of Width x Height 32-bit pixels (Stride bytes per row,
  // negative for bottom-up rows) scrolled by (dx, dy): moves the row-pixel
  // pointers psrc and pdest (either may be null) so that a block copy from
  // *psrc to *pdest shifts the picture, and adds the uncovered strips as
  // update rectangles. Returns false, moving nothing and marking the whole
  // bitmap dirty, when the scroll is not smaller than the bitmap (nothing of
  // the old picture stays visible, so there is nothing to copy).
  bool AddScrollUpdateRects(int dx, int dy, int Width, int Height, int Stride, uint8_t** psrc,
                            uint8_t** pdest);
};

}  // namespace ht
