// The rectangle an element shows while it is resized, and the knobs drawn
// at selection ends and resize corners.
#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/line_blocks.h"
#include "paint/element_paint.h"
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

}  // namespace ht
