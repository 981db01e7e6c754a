// Box effects around the background and border: the outline, the box shadow
// and the backdrop blur filter.
#include <algorithm>
#include <cmath>

#include "canvas/box_shadow.h"
#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "paint/element_paint.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

}  // namespace

void BaseDrawOutline(TElement& E, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  TElementStyle* S = ElementStyleOf(&E);
  if (!G || !S) return;
  const float width = FiniteOr0(S->OutlineWidthPx());
  // A pen of width 0 would stroke a hairline; an outline without width
  // shows nothing.
  if (!(width > 0)) return;
  THtPen* pen = G->GetPen(S->OutlineColor(), width);
  pen->SetAlignInset(true);
  pen->SetLineJoin(ljMiter);
  float offset = 0;
  if (PCSSValue v = S->FindOwnProp(cspOutlineOffset); v && !v->Tokens.empty()) offset = FiniteOr0(v->Tokens[0].AsFloat);
  TRectF r = E.BorderRect();
  r = Moved(TRectF{r.Left - offset, r.Top - offset, r.Right + offset, r.Bottom + offset}, DI.CX, DI.CY);
  switch (S->OutlineStyle()) {
    case lsDotted: pen->SetStyle(hpsDot); break;
    case lsDashed: pen->SetStyle(hpsDash); break;
    default: pen->SetStyle(hpsSolid); break;
  }
  float rx = 0, ry = 0;
  if (S->IsSet(cspBorderRadius) || S->IsSet(cspBorderTopLeftradius)) {
    TMeasure mx, my;
    S->BorderRadius(mx, my);
    rx = FiniteOr0(mx.ToPixels());
    ry = FiniteOr0(my.ToPixels());
  }
  if (rx > 0 || ry > 0)
    G->RoundRect(pen, r, rx, ry);
  else
    G->DrawRectangle(pen, r);
  pen->SetStyle(hpsSolid);
}

void DrawBoxShadow(TElement& E, const THtDrawInfo& DI, const TElementShadow& Shadow) {
  THtCanvas* G = SurfaceOf(E);
  TElementStyle* S = ElementStyleOf(&E);
  THtDocument* doc = E.Document;
  if (!G || !S || !doc || S->NoShadow()) return;
  TRectF r = Moved(E.BorderRect(), DI.CX, DI.CY);
  if (&E == doc->BodyElement) {
    r = Moved(doc->BorderRect(), DI.CX, DI.CY);
  } else if (E.Container == &E && !doc->DoubleBuffered) {
    const TRect& vp = G->Scene.ViewPort;
    r = TRectF{0, 0, float(vp.Right - vp.Left), float(vp.Bottom - vp.Top)};
  }
  if (!(r.Right - r.Left >= 2) || !(r.Bottom - r.Top >= 2)) return;
  if (doc->Paged && !E.OutofFlow()) r.Top = std::max(r.Top, float(RoundHalfEven(doc->TopDelta())));

  THtShadowProps p;
  p.HOffset = FiniteOr0(Shadow.X.ToPixels());
  p.VOffset = FiniteOr0(Shadow.Y.ToPixels());
  p.Blur = FiniteOr0(Shadow.Blur.ToPixels());
  p.Color = Shadow.Color;
  p.Opacity = uint8_t(std::clamp(RoundHalfEven(Shadow.Strength * S->CalculatedOpacity * 255), 0, 255));
  p.Inset = Shadow.Inset;
  const uint32_t bg = S->BackgroundColor();
  p.BackgroundColor = ApplyOpacity(bg, S->CalculatedOpacity);
  p.HasBackground = S->BackgroundPresent() && (bg >> 24) == 0xFF && S->CalculatedOpacity == 1.0f;
  const int rm = S->MaxBorderRadius();
  p.OneBorderRadius = S->BorderOneRadius(rm, rm);
  p.MaxBorderRadius = std::min({float(rm), (r.Bottom - r.Top) / 2, (r.Right - r.Left) / 2});
  p.R = r;
  if (p.OneBorderRadius) {
    G->DrawShadow(nullptr, p);
  } else {
    std::unique_ptr<THtPath> path = CreateBorderPath(E, r, false);
    G->DrawShadow(path.get(), p);
  }
}

void DrawFilter(TElement& E, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  TElementStyle* S = ElementStyleOf(&E);
  if (!G || !S) return;
  PCSSValue v = S->Filter();
  // Only a blur is drawn: "blur", its opening and its argument.
  if (!v || v->Tokens.size() < 3) return;
  String name = v->Tokens[0].Name;
  if (!name.empty() && name.back() == u'(') name.pop_back();
  if (!SameTextAscii(name, u"blur")) return;
  const TCSSToken* arg = nullptr;
  for (size_t i = 1; i < v->Tokens.size() && !arg; ++i) {
    const TCSSTokenType t = v->Tokens[i].CType;
    if (t == ctNumber || t == ctDimension) arg = &v->Tokens[i];
  }
  if (!arg) return;
  const TRectF r = Moved(E.BorderRect(), DI.CX, DI.CY);
  // Beyond the box's larger side a wider blur changes nothing visible but
  // its cost; a negative or broken amount blurs nothing.
  const float limit = std::max(r.Right - r.Left, r.Bottom - r.Top);
  const float amount = std::min(arg->AsFloat, limit);
  if (!(amount > 0)) return;
  std::unique_ptr<THtPath> clip = CreateClipPath(E, r);
  G->BlurRect(r, clip.get(), amount);
}

}  // namespace ht
