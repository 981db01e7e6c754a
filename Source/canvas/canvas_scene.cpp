#include "canvas/canvas_scene.h"

#include <algorithm>
#include <cstdlib>

#include "canvas/geometry.h"

namespace ht {

void THtCanvasScene::Init(const TRect& AViewPort, THtObject* ACanvas) {
  *this = THtCanvasScene();
  Canvas = ACanvas;
  ViewPort = AViewPort;
  ClipRect = AViewPort;
}

void THtCanvasScene::AddUpdateRect(const TRect& R) {
  if (R.Top >= R.Bottom || R.Left >= R.Right) return;
  if (!RectsIntersect(R, ViewPort)) return;
  for (const TRect& u : UpdateRects)
    if (RectInsideRect(R, u)) return;
  UpdateRects.push_back(R);
  ClipRect = TRect(std::min(ClipRect.Left, R.Left), std::min(ClipRect.Top, R.Top),
                   std::max(ClipRect.Right, R.Right), std::max(ClipRect.Bottom, R.Bottom));
}

void THtCanvasScene::ExpandUpdateRects(int ALeft, int ATop, int ARight, int ABottom) {
  for (TRect& r : UpdateRects) {
    r.Left = std::max(r.Left - ALeft, ViewPort.Left);
    r.Top = std::max(r.Top - ATop, ViewPort.Top);
    r.Right = std::min(r.Right + ARight, ViewPort.Right);
    r.Bottom = std::min(r.Bottom + ABottom, ViewPort.Bottom);
  }
}

bool THtCanvasScene::AddScrollUpdateRects(int dx, int dy, int Width, int Height, int Stride,
                                          uint8_t** psrc, uint8_t** pdest) {
  // A scroll as large as the bitmap leaves nothing to copy; moving the
  // pointers would aim the copy outside the pixels.
  if (std::abs(int64_t(dx)) >= Width || std::abs(int64_t(dy)) >= Height) {
    AddUpdateRect(TRect(0, 0, Width, Height));
    return false;
  }
  auto advance = [](uint8_t** p, int64_t bytes) {
    if (p && *p) *p += bytes;
  };
  const int64_t stride = Stride;
  if (dx > 0) {
    advance(pdest, 4 * int64_t(dx));
    ExpandUpdateRects(0, 0, dx, 0);
  } else if (dx < 0) {
    advance(psrc, 4 * -int64_t(dx));
    ExpandUpdateRects(-dx, 0, 0, 0);
  }
  if (dy > 0) {
    if (Stride > 0)
      advance(pdest, int64_t(dy) * stride);
    else
      advance(psrc, int64_t(dy) * -stride);
    ExpandUpdateRects(0, 0, 0, dy);
  } else if (dy < 0) {
    if (Stride > 0)
      advance(psrc, -int64_t(dy) * stride);
    else
      advance(pdest, -int64_t(dy) * -stride);
    ExpandUpdateRects(0, -dy, 0, 0);
  }
  if (dx > 0)
    AddUpdateRect(TRect(0, 0, dx, Height));
  else if (dx < 0)
    AddUpdateRect(TRect(Width + dx, 0, Width, Height));
  if (dy > 0)
    AddUpdateRect(TRect(0, 0, Width, dy));
  else if (dy < 0)
    AddUpdateRect(TRect(0, Height + dy, Width, Height));
  return true;
}

}  // namespace ht
