// The touch handles at the two ends of a selection: a stem down from the
// caret with a knob below it, and, over the handle being dragged, a
// magnifier showing its line at one and a half times the size. The knob's
// document point is kept in the selection, where touch presses are tested
// against it.
#include <cmath>
#include <memory>

#include "canvas/box_shadow.h"
#include "canvas/canvas.h"
#include "canvas/font.h"
#include "canvas/matrix.h"
#include "canvas/path.h"
#include "canvas/pen.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "paint/element_paint.h"
#include "paint/paint_cycle.h"
#include "paint/paint_guards.h"
#include "paint/text_paint.h"

namespace ht {

namespace {

constexpr uint32_t kHandleColor = 0xA09090FEu;

}  // namespace

void DrawSelectionHandle(TElement& E, TRectF Rect, bool IsLeft, bool Magnify, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  THtDocument* doc = E.Document;
  if (!G || !doc) return;
  if (Magnify) DrawMagnifier(E, TRectF{Rect.Left - 30, Rect.Top, Rect.Right + 30, Rect.Bottom}, DI);
  // The knob's style is the handle style's value; the platform's look is
  // the square one.
  const uint8_t style = uint8_t(doc->SelectHandleStyle == shPlatform ? shWindows : doc->SelectHandleStyle);
  const float scale = G->Scene.Scale > 0 ? G->Scene.Scale : 1.0f;
  DrawHandle(E, Rect.Left, Rect.Bottom + 8, int(std::lround(8 / std::sqrt(scale))), kHandleColor, style);
  THtPen* pen = G->GetPen(kHandleColor, 1);
  pen->SetWidth(2);
  G->DrawLine(pen, Rect.Left, Rect.Top, Rect.Left, Rect.Bottom + 8);
  const TPointF knob{Rect.Left - E.SurfaceLeft() + E.RealLeft(), Rect.Bottom - E.SurfaceTop() + E.RealTop() + 8};
  (IsLeft ? doc->Selection.LeftPoint : doc->Selection.RightPoint) = knob;
}

void DrawMagnifier(TElement& E, const TRectF& R, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  THtDocument* doc = E.Document;
  if (!G || !doc) return;
  const float W = R.Right - R.Left, H = R.Bottom - R.Top;
  TRectF box;
  box.Top = R.Top - 2 * H - 10;
  box.Left = R.Left - W / 2;
  box.Right = box.Left + 2 * W;
  box.Bottom = box.Top + 2 * H;
  box = TRectF{box.Left - 3, box.Top - 3, box.Right + 3, box.Bottom + 3};
  std::unique_ptr<THtPath> path = G->PathClass()->Create(false);
  path->AddRoundRect(box, 5, 5);
  G->FillPath(G->GetBrush(0xFFFFFFFFu), path.get());
  G->DrawPath(G->GetPen(0xFFAAAAAAu, 1), path.get());
  THtShadowProps shadow;
  HtShadowProps(shadow, box, 5, true, 3, 3, 4, 0xFF808080u, 255, false);
  G->DrawShadow(nullptr, shadow);

  TSavedState state(*G);
  G->IntersectClip(path.get());
  // The line of the dragged end, from its first visible run.
  auto* text = dynamic_cast<TTextElement*>(&E);
  THtLineBlock* first = nullptr;
  if (text) {
    const TDocSelection& sel = doc->Selection;
    first = text->CharBlock(&E == sel.StartElement() ? sel.StartPos : sel.EndPos);
  }
  if (!first) first = E.FirstRun();
  if (!first) return;
  // Back to the first visible run of its line in the chain walked below.
  for (THtLineBlock* p = first->PreviousBlock(); p && !p->Hidden() && !p->IsLineBreak() && p->Line == first->Line;
       p = first->PreviousBlock())
    first = p;
  const float x0 = R.Left + 30;
  THtMatrixData m;
  m.Scale(1.5f, 1.5f);
  m.Translate(-(x0 * 1.5f - x0), -(R.Top * 1.5f - R.Top) - 2 * H - 5);
  G->MatrixTransform(m, true);
  TElement* container = AsElement(E.Container);
  TFlow* flow = container ? container->SelfFlow.get() : nullptr;
  for (THtLineBlock* b = first; b && b->SameLine(first); b = b->NextBlock()) {
    if (!b->E) continue;
    const THtDrawInfo copy = DI;
    b->E->DrawRun(flow, b, copy);
  }
}

namespace {

// The handle at one end of the selection when that end is in a text
// element: at the caret there, as tall as the element's font.
void drawMarker(TElement* E, int Pos, bool IsLeft, bool Magnify) {
  auto* text = dynamic_cast<TTextElement*>(E);
  if (!text) return;
  const TPointF at = text->CharPoint(Pos, false);
  // The caret point is in document pixels; the handle draws in surface
  // pixels.
  const float x = at.X + text->SurfaceLeft() - text->RealLeft();
  const float y = at.Y + text->SurfaceTop() - text->RealTop();
  const float height = text->Font ? text->Font->Height() : 0;
  const TElementStyle* S = ElementStyleOf(text);
  THtDrawInfo di;
  di.ZIndex = S ? S->ZIndex : 0;
  di.CX = text->RealLeft();
  di.CY = text->RealTop();
  DrawSelectionHandle(*text, TRectF{x, y, x + 10, y + height}, IsLeft, Magnify, di);
}

}  // namespace

void DrawSelectionMarkers(THtDocument& Doc) {
  TDocSelection& sel = Doc.Selection;
  if (!Doc.TouchEnabled || sel.Empty()) return;
  // The handle being dragged shows its magnifier.
  drawMarker(sel.RealStartElement(), sel.RealStartPos(), true, Doc.TouchMarkerTracking == tmLeft);
  drawMarker(sel.RealEndElement(), sel.RealEndPos(), false, Doc.TouchMarkerTracking == tmRight);
}

}  // namespace ht
