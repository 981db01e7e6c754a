// The rectangle an element shows while it is resized, and the knobs drawn
// at selection ends and resize corners.
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/line_blocks.h"
#include "document/table_hooks.h"
#include "layout/image_element.h"
#include "paint/element_paint.h"
#include "paint/paint_guards.h"
#include "paint/pointer.h"
#include "platform/rtl/numeric.h"
#include "platform/rtl/sys_colors.h"
#include "paint/text_paint.h"

namespace ht {

TRectF GetSizingRect(const TElement& E) {
  const TElementStyle* S = ElementStyleOf(&E);
  TRectF r = E.OuterRect;
  if (S && S->fDisplay == dsInline) {
    const THtLineBlock* first = E.LineBlocks.First();
    r = E.Rects(first ? first->Line : 0);
  }
  const THtDocument* doc = E.Document;
  const int handle = doc ? doc->FSizingHandle : 0;
  if (!S || S->Resize() == erNone || handle == 0) return r;
  const int w = E.GetUserWidth(), h = E.GetUserHeight();
  if (w != 0) {
    if (handle == 1 || handle == 4 || handle == 6) r.Left = r.Right - float(w);
    if (handle == 3 || handle == 5 || handle == 8) r.Right = r.Left + float(w);
  }
  if (h != 0) {
    if (handle == 1 || handle == 2 || handle == 3) r.Top = r.Bottom - float(h);
    if (handle == 6 || handle == 7 || handle == 8) r.Bottom = r.Top + float(h);
  }
  return r;
}

void DrawHandle(TElement& E, float X, float Y, int Size, uint32_t Color, uint8_t Style) {
  THtCanvas* G = SurfaceOf(E);
  if (!G) return;
  const float size = float(Size);
  if (Style == 1) {
    G->FillEllipse(G->GetBrush(Color), X - size, Y - size, 2 * size, 2 * size);
    const float inner = size / 2;
    G->FillEllipse(G->GetBrush(LightenColor(Color, 60)), X - 1 - inner, Y - 1 - inner, inner + 1, inner + 1);
    return;
  }
  G->FillRectangle(G->GetBrush(Color & 0x50FFFFFFu), X - size, Y - size, 2 * size, 2 * size);
  G->DrawRectangle(G->GetPen(Color, 1), X - size, Y - size, 2 * size, 2 * size);
}

void DrawDesignerSelection(TElement& E, const THtDrawInfo& DI) {
  THtDocument* doc = E.Document;
  THtCanvas* G = SurfaceOf(E);
  const TElementStyle* S = ElementStyleOf(&E);
  if (!doc || !G || !S || doc->DesignerSelectionColor < 0x01000000u) return;
  const uint32_t color = doc->DesignerSelectionColor;
  const TRectF r = Moved(GetSizingRect(E), DI.CX, DI.CY);
  const bool cell = S->fDisplay == dsTableCell || HtTableHooks().IsTableCell(E);
  const TElementResize resize = S->Resize();
  const float w = r.Right - r.Left, h = r.Bottom - r.Top;
  TSmoothingOn smoothing(*G);
  G->SetSmoothingMode(false);
  if (doc->HighlightCurrentBlock && doc->Selection.Empty()) {
    if ((resize == erNone || cell) && w > 2 && h > 2)
      G->FillRectangle(G->GetBrush((color & 0xFFFFFFu) | 0x10000000u), r.Left + 1, r.Top + 1, w - 2, h - 2);
    if (!cell) G->DrawRectangle(G->GetPen(color & 0x80FFFFFFu, 1), r.Left, r.Top, w, h);
  }
  if (resize != erNone && !cell && doc->EnableResize) {
    const uint32_t handleColor =
        doc->FFreeAspect ? 0xA0FF5050u : TColorToARGB(TColor(clSystemColor | COLOR_HIGHLIGHT)) | 0xFF000000u;
    const float scale = G->ScaleFactor();
    const int size = scale > 0 && std::isfinite(scale) ? RoundHalfEven(5 / std::sqrt(double(scale))) : 5;
    const bool keepsAspect = dynamic_cast<TImageElement*>(&E) && doc->ProportionalImageResize;
    if (!keepsAspect) {
      const float midX = (r.Left + r.Right) / 2, midY = (r.Top + r.Bottom) / 2;
      if (ResizesHorizontally(resize)) {
        DrawHandle(E, r.Left, midY, size, handleColor, 0);
        DrawHandle(E, r.Right, midY, size, handleColor, 0);
      }
      if (ResizesVertically(resize)) {
        DrawHandle(E, midX, r.Top, size, handleColor, 0);
        DrawHandle(E, midX, r.Bottom, size, handleColor, 0);
      }
    }
    if (resize == erBoth) {
      G->DrawRectangle(G->GetPen(handleColor, 1), r.Left, r.Top, w, h);
      DrawHandle(E, r.Left + 1, r.Top + 1, size, handleColor, 0);
      DrawHandle(E, r.Right - 1, r.Top + 1, size, handleColor, 0);
      DrawHandle(E, r.Left + 1, r.Bottom - 1, size, handleColor, 0);
      DrawHandle(E, r.Right - 1, r.Bottom - 1, size, handleColor, 0);
    }
  }
}

void DrawCellGridFrame(TElement& E, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  if (!G) return;
  const TRectF b = Moved(E.BorderRect(), DI.CX, DI.CY);
  G->DrawRectangle(G->GetPen(0xA0E0E0FFu, 1), b.Left - 0.5f, b.Top - 0.5f, b.Right - b.Left + 1, b.Bottom - b.Top + 1);
}

}  // namespace ht
