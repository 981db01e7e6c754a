// Borders: one stroke for a uniform border, else side by side (a centred
// line, a trapezoid meeting its neighbours on the diagonals, or a stroked
// path clipped to the side's wedge); one piece per line for inline boxes;
// column rules; the rounded box paths that backgrounds, shadows and clips
// share.
#include <algorithm>
#include <cmath>

#include "canvas/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "paint/element_paint.h"
#include "paint/paint_guards.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

constexpr uint32_t NoneColor = 0x1FFFFFFFu;

// Whole-pixel width of a side: anything above 0 and up to half a pixel
// still shows one pixel.
float pixelWidth(float W) {
  if (!(W > 0)) return 0;
  if (W <= 0.5f) return 1;
  return std::trunc(W);
}

THtPenStyle dashOf(TLineStyle S) {
  switch (S) {
    case lsDotted: return hpsDot;
    case lsDashed: return hpsDash;
    default: return hpsSolid;  // double, groove, ridge, inset, outset: one solid line
  }
}

bool anyRadius(const TBaseElementStyle& S) {
  return S.IsSet(cspBorderRadius) || S.IsSet(cspBorderTopLeftradius) || S.IsSet(cspBorderTopRightRadius) ||
         S.IsSet(cspBorderBottomLeftRadius) || S.IsSet(cspBorderBottomRightRadius);
}

// Corner 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left.
void cornerRadii(const TBaseElementStyle& S, int Corner, float& RX, float& RY) {
  TMeasure mx, my;
  switch (Corner) {
    case 0: S.BorderTopLeftRadius(mx, my); break;
    case 1: S.BorderTopRightRadius(mx, my); break;
    case 2: S.BorderBottomRightRadius(mx, my); break;
    default: S.BorderBottomLeftRadius(mx, my); break;
  }
  RX = mx.ToPixels();
  RY = my.ToPixels();
}

// The working record of one border call.
struct TBorderWork {
  THtCanvas& G;
  const TElement& E;
  TElementStyle& S;
  float L = 0, T = 0, R = 0, Bt = 0, W = 0, H = 0;
  float wt = 0, wr = 0, wb = 0, wl = 0;
  float srx = -1, sry = -1;  // shorthand radii, -1 when none
  THtPen* pen = nullptr;
  std::unique_ptr<THtPath> work;
  float rxs = 0, rys = 0, rxe = 0, rye = 0;
  uint32_t color = 0;

  TBorderWork(THtCanvas& AG, const TElement& AE, TElementStyle& AS) : G(AG), E(AE), S(AS) {}

  void setBox(const TRectF& B) {
    L = B.Left;
    T = B.Top;
    R = B.Right;
    Bt = B.Bottom;
    W = R - L;
    H = Bt - T;
  }

  float computedWidth(int Side) const {
    switch (Side) {
      case 0: return E.BorderTop;
      case 1: return E.BorderRight;
      case 2: return E.BorderBottom;
      default: return E.BorderLeft;
    }
  }
  float pixel(int Side) const {
    switch (Side) {
      case 0: return wt;
      case 1: return wr;
      case 2: return wb;
      default: return wl;
    }
  }

  // Pen, colour, dash and clamped corner radii of a side; false when the
  // side is not drawn.
  bool prepare(int Side) {
    color = S.GetBorderColor(Side);
    if (color == NoneColor || (color >> 24) == 0) return false;
    color = ApplyOpacity(color, S.CalculatedOpacity);
    if (work) work->Clear();
    pen->SetColor(color);
    pen->SetLineCap(lcSquare);
    pen->SetWidth(FiniteOr0(computedWidth(Side)));
    const bool vertical = Side == 1 || Side == 3;
    const float n1 = vertical ? wt : wl, n2 = vertical ? wb : wr;
    if (n1 == 0 && n2 == 0) pen->SetLineCap(lcFlat);
    pen->SetStyle(dashOf(S.GetBorderStyle(Side)));
    rxs = rxe = srx;
    rys = rye = sry;
    if (anyRadius(S)) {
      // Start and end corners of each side, clockwise.
      static const int startCorner[4] = {0, 1, 2, 3}, endCorner[4] = {1, 2, 3, 0};
      cornerRadii(S, startCorner[Side], rxs, rys);
      cornerRadii(S, endCorner[Side], rxe, rye);
    }
    const float m = std::max(0.0f, std::min(W, H) / 2);
    rxs = std::min(std::max(FiniteOr0(rxs), 0.0f), m);
    rxe = std::min(std::max(FiniteOr0(rxe), 0.0f), m);
    if (!(rys >= 0)) rys = rxs;
    if (!(rye >= 0)) rye = rxe;
    rys = std::min(rys, m);
    rye = std::min(rye, m);
    return true;
  }

  void polygon(THtPath& P, std::initializer_list<TPointF> Points) {
    bool first = true;
    for (const TPointF& p : Points) {
      if (first) P.MoveTo(p.X, p.Y);
      else P.LineTo(p.X, p.Y);
      first = false;
    }
  }

  void arc(float X, float Y, float w, float h, float Start) {
    // A corner smaller than the half pen leaves no arc to draw.
    if (w > 0 && h > 0) work->AddArc(X, Y, w, h, Start, 90, 1.0f);
  }

  // Wedge point on the left or right of the top side (Bottom: mirrored).
  TPointF wedgePoint(bool Right, float Across, float Along, bool Bottom) const {
    TPointF p;
    const float x0 = Right ? R : L, sign = Right ? -1.0f : 1.0f;
    float dy;
    if (Across == 0) {
      p.X = x0;
      dy = H / 2;
    } else {
      const float k = Across / Along;
      if (W > H * k) {
        p.X = x0 + sign * H * k / 2;
        dy = H / 2;
      } else {
        p.X = x0 + sign * W / 2;
        dy = W / (2 * k);
      }
    }
    p.Y = Bottom ? Bt - dy : T + dy;
    return p;
  }

  void drawSide(int Side) {
    const float dxs = 2 * rxs, dys = 2 * rys, dxe = 2 * rxe, dye = 2 * rye;
    if (rxs == 0 && rys == 0 && rxe == 0 && rye == 0) {
      drawSquareSide(Side);
      return;
    }
    // The wedge of the side, then the side's stroke clipped to it.
    std::unique_ptr<THtPath> wedge = G.PathClass()->Create(true);
    wedge->SetFillModeWinding(true);
    const float pw = pen->GetWidth();
    switch (Side) {
      case 0: {
        const TPointF r = wedgePoint(true, wr, wt, false), l = wedgePoint(false, wl, wt, false);
        polygon(*wedge, {{L, T}, {R + pw / 2, T}, {r.X + pw / 2, r.Y}, {l.X, l.Y}, {L, T}});
        break;
      }
      case 1: {
        const float D = std::min(2 * wr + 2 * rxs, W / 2);
        const float Yb = wb == 0 ? Bt : Bt - D * wb / wr, Yt = wt == 0 ? T : T + D * wt / wr;
        polygon(*wedge, {{R + 1, T - 1}, {R + 1, Bt + 1}, {R - D, Yb + 1}, {R - D, Yt + 1}, {R + 1, T - 1}});
        break;
      }
      case 2: {
        const TPointF r = wr == 0 ? TPointF{R, T + H / 2} : wedgePoint(true, wr, wb, true);
        const TPointF l = wedgePoint(false, wl, wb, true);
        polygon(*wedge, {{R + 1, Bt + 1}, {L - 1, Bt + 1}, {l.X, l.Y}, {r.X, r.Y}, {R + 1, Bt + 1}, {L - 1, Bt - 1}});
        break;
      }
      default: {
        const float D = std::min(2 * wl + 2 * rxs, W / 2);
        const float Yt = wt == 0 ? T : T + D * wt / wl, Yb = wb == 0 ? Bt : Bt - D * wb / wl;
        polygon(*wedge, {{L - 1, Bt + 1}, {L - 1, T - 1}, {L + D, Yt - 1}, {L + D, Yb + 1}, {L - 1, Bt + 1}});
        break;
      }
    }
    TSavedState saved(G);
    G.IntersectClip(wedge.get());
    const float h = pixel(Side) / 2;
    if (rxs == rxe) {
      TRectF rr;
      switch (Side) {
        case 0: rr = TRectF{L - wl + h, T, R + wr - h, Bt - wb + wt}; break;
        case 1: rr = TRectF{L, T, R, Bt}; break;
        case 2: rr = TRectF{L - wl + h, T + wt - h, R + wr - wb, Bt}; break;
        default: rr = TRectF{L, T, R - wr + h, Bt - wb + wl}; break;
      }
      G.RoundRect(pen, rr, rxs, rys);
      return;
    }
    work->Clear();
    switch (Side) {
      case 0:
        if (rxs > 0) arc(L + h, T + h, dxs - h, dys - h, 180);
        else work->MoveTo(L, T + h);
        work->LineTo(R - dxe - h, T + h);
        if (rxe > 0) arc(R - dxe - h, T + h, dxe, dye, 270);
        break;
      case 1:
        if (rxs > 0) arc(R - dxs - h, T + h, dxs - h, dys - h, 270);
        else work->MoveTo(R - h, T);
        work->LineTo(R - h, Bt - rye - h / 2);
        if (rxe > 0) arc(R - dxe, Bt - dye, dxe - h, dye - h, 0);
        break;
      case 2:
        if (rxs > 0) arc(R - dxs - h, Bt - dys - h, dxs, dys, 0);
        else work->MoveTo(R, Bt - h);
        work->LineTo(L + rxe + wl / 2, Bt - h);
        if (rxe > 0) arc(L + h, Bt - dye, dxe - h, dye - h, 90);
        break;
      default:
        if (rxs > 0) arc(L + h, Bt - dys, dxs - h, dys - h, 90);
        else work->MoveTo(L + h, Bt);
        work->LineTo(L + h, T + rye + h / 2);
        if (rxe > 0) arc(L + h, T + h, dxe - h, dye - h, 180);
        break;
    }
    G.DrawPath(pen, work.get());
  }

  void drawSquareSide(int Side) {
    const float w = pixel(Side);
    const bool trapezoid = w > 1 && (Side == 0 || Side == 2 ? (wr != 0 || wl != 0) : (wt != 0 || wb != 0));
    if (trapezoid) {
      G.SetSmoothingMode(true);
      work->Clear();
      switch (Side) {
        case 0: polygon(*work, {{L, T - 0.5f}, {R, T - 0.5f}, {R - wr, T + wt}, {L + wl, T + wt}, {L, T}}); break;
        case 1: polygon(*work, {{R, T}, {R, Bt}, {R - wr, Bt - wb}, {R - wr, T + wt}, {R, T}}); break;
        case 2:
          polygon(*work, {{L, Bt + 0.5f}, {L + wl, Bt - wb}, {R - wr, Bt - wb}, {R, Bt + 0.5f}, {L, Bt + 0.5f}});
          break;
        default:
          polygon(*work, {{L, T - 0.5f}, {L + wl, T + wt}, {L + wl, Bt - wb}, {L, Bt + 0.5f}, {L, T - 0.5f}});
          break;
      }
      G.FillPath(G.GetBrush(color), work.get());
      return;
    }
    switch (Side) {
      case 0:
        G.SetSmoothingMode(false);
        G.DrawLine(pen, L + wl / 2, T + wt / 2, R - wr / 2, T + wt / 2);
        break;
      case 1:
        G.SetSmoothingMode(false);
        G.DrawLine(pen, R - wr / 2, T + wt / 2, R - wr / 2, Bt - wb / 2);
        break;
      case 2:
        G.SetSmoothingMode(!(wr == 0 && wl == 0));
        G.DrawLine(pen, L + wl / 2, Bt - wb / 2, R - wr / 2, Bt - wb / 2);
        break;
      default:
        G.SetSmoothingMode(false);
        G.DrawLine(pen, L + wl / 2, T + wt / 2, L + wl / 2, Bt - wb / 2);
        break;
    }
  }

  void drawSides() {
    work = G.PathClass()->Create(false);
    work->SetFillModeWinding(true);
    for (int side = 0; side < 4; ++side)
      if (pixel(side) > 0 && prepare(side)) drawSide(side);
    work.reset();
  }
};

bool isInlineContent(const TElement& E, const TBaseElementStyle& S) {
  const TDisplayStyle d = S.fDisplay;
  return E.LineBlocks.Count() > 0 || E.IsText() || d == dsInline || d == dsNone || d == dsInlineFlex;
}

void drawPageBreakMarkers(THtCanvas& G, TElement& E, const TBaseElementStyle& S) {
  THtDocument* doc = E.Document;
  if (!doc || doc->Paged || !doc->ShowPageBreaks) return;
  const bool before = S.PageBreakBefore() == pbAlways, after = S.PageBreakAfter() == pbAlways;
  if (!before && !after) return;
  THtPen* pen = G.GetPen(0xFF909090u, 1.0f);
  pen->SetStyle(hpsDash);
  if (before) {
    const float y = E.SurfaceTop() + E.OuterRect.Top;
    G.DrawLine(pen, 0.5f, y - 1, 10000, y);
  } else {
    const float y = E.SurfaceTop() + E.OuterRect.Bottom;
    G.DrawLine(pen, 0.5f, y + 1, 10000, y);
  }
}

void drawColumnRules(THtCanvas& G, TElement& E, TElementStyle& S, const THtDrawInfo& DI) {
  const TCSSColumnRule rule = S.ColumnRule();
  if (rule.Style == lsNone) return;
  THtPen* pen = G.GetPen(ApplyOpacity(rule.Color, S.CalculatedOpacity), FiniteOr0(rule.Width.ToPixels()));
  pen->SetStyle(dashOf(rule.Style));
  TRectF b = E.Rects(0);
  b = Moved(b, DI.CX, DI.CY);
  TMeasure gap = S.ColumnGap();
  gap.Parent = &E.InnerWidth;
  const float g = gap.GetAuto() ? float(S.MeasureFontSize()) : FiniteOr0(gap.ToPixels());
  const int n = E.ColumnCount();
  const float c = float(RoundHalfEven(((b.Right - b.Left) - g * float(n - 1)) / float(n)));
  float x = c;
  for (int i = 0; i < n - 1; ++i) {
    const float lx = b.Left + x + float(RoundHalfEven(g / 2)) - 0.5f;
    G.DrawLine(pen, lx, b.Top, lx, b.Bottom);
    x += float(RoundHalfEven(g)) + c;
  }
}

}  // namespace

void BaseDrawBorder(TElement& E, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  TElementStyle* S = ElementStyleOf(&E);
  if (!G || !S) return;
  drawPageBreakMarkers(*G, E, *S);
  if (E.ColumnCount() > 1) drawColumnRules(*G, E, *S, DI);
  if (!S->BorderPresent() || S->Opacity() == 0) return;
  // A table cell's width may come from the table's markup rather than its
  // style: only a box without a width of either kind is skipped.
  if (S->BorderOneStyle() && ((S->GetBorderColor(0) >> 24) == 0 || (S->BorderTopWidthPx() == 0 && E.BorderTop == 0)))
    return;

  TBorderWork w(*G, E, *S);
  w.pen = G->GetPen(0, 1.0f);
  w.pen->SetAlignInset(true);
  w.pen->SetLineJoin(ljMiter);

  const int startLine = E.StartLine(), endLine = E.EndLine();
  if (isInlineContent(E, *S) && endLine != startLine) {
    // One piece per line: the start edge on the first line only, the end
    // edge on the last line only.
    TSmoothingOn smoothing(*G);
    if (S->BorderOneRadius(0, 0)) G->SetSmoothingMode(false);
    for (int line = startLine; line <= endLine; ++line) {
      TRectF b = E.Rects(line - startLine);
      b = Moved(b, DI.CX, DI.CY);
      w.setBox(b);
      w.wt = pixelWidth(E.BorderTop);
      w.wr = pixelWidth(E.BorderRight);
      w.wb = pixelWidth(E.BorderBottom);
      w.wl = pixelWidth(E.BorderLeft);
      if (line == startLine) w.wr = 0;
      else {
        w.wl = 0;
        if (line != endLine) w.wr = 0;
      }
      w.drawSides();
    }
    return;
  }

  if (S->IsSet(cspBorderRadius)) {
    TMeasure rx, ry;
    S->BorderRadius(rx, ry);
    w.srx = rx.ToPixels();
    w.sry = ry.ToPixels();
  }
  TRectF b = E.Rects(0);
  b = Moved(b, DI.CX, DI.CY);
  w.setBox(b);
  w.wt = pixelWidth(E.BorderTop);
  w.wr = pixelWidth(E.BorderRight);
  w.wb = pixelWidth(E.BorderBottom);
  w.wl = pixelWidth(E.BorderLeft);

  TSmoothingOn smoothing(*G);
  G->SetSmoothingMode(!S->BorderOneRadius(0, 0));
  if (S->BorderOneStyle()) {
    w.work = G->PathClass()->Create(false);
    if (!w.prepare(0)) return;
    if (S->BorderOneRadius(RoundHalfEven(w.rxs), RoundHalfEven(w.rys))) {
      if (w.rxs == 0 && w.rys == 0)
        G->DrawRectangle(w.pen, b);
      else if (RoundHalfEven(2 * w.rxs) >= RoundHalfEven(std::max(w.W, w.H)))
        G->DrawEllipse(w.pen, b.Left, b.Top, w.W, w.H);
      else
        G->RoundRect(w.pen, b, w.rxs, w.rys);
      return;
    }
  }
  w.drawSides();
}

std::unique_ptr<THtPath> CreateBorderPath(const TElement& E, const TRectF& R, bool ForClip) {
  THtCanvas* G = SurfaceOf(E);
  const THtPathClass* cls = G ? G->PathClass() : nullptr;
  if (!cls) return nullptr;
  std::unique_ptr<THtPath> path = cls->Create(ForClip);
  path->SetFillModeWinding(true);
  const float W = R.Right - R.Left, H = R.Bottom - R.Top;
  if (!(W > 0) || !(H > 0)) return path;
  TElementStyle* S = ElementStyleOf(&E);
  if (!S || S->BorderOneRadius(0, 0)) {
    path->AddRectangle(R.Left, R.Top, W, H);
    return path;
  }
  const float c = std::min(W, H) / 2;
  float RX = 0, RY = 0;
  S->MaxBorderRadiusXY(RX, RY);
  if (S->BorderOneRadius(RoundHalfEven(RX), RoundHalfEven(RY))) {
    path->AddRoundRect(R.Left, R.Top, W, H, std::min(FiniteOr0(RX), c), std::min(FiniteOr0(RY), c));
    return path;
  }
  float r[4], ry;
  for (int i = 0; i < 4; ++i) {
    cornerRadii(*S, i, r[i], ry);
    r[i] = std::clamp(FiniteOr0(r[i]), 0.0f, c);
  }
  const float tl = r[0], tr = r[1], br = r[2], bl = r[3];
  path->MoveTo(R.Left + tl, R.Top);
  path->LineTo(R.Right - tr, R.Top);
  if (tr > 0) path->AddArc(R.Right - 2 * tr, R.Top, 2 * tr, 2 * tr, 270, 90, 1.0f);
  path->LineTo(R.Right, R.Bottom - br);
  if (br > 0) path->AddArc(R.Right - 2 * br, R.Bottom - 2 * br, 2 * br, 2 * br, 0, 90, 1.0f);
  path->LineTo(R.Left + bl, R.Bottom);
  if (bl > 0) path->AddArc(R.Left, R.Bottom - 2 * bl, 2 * bl, 2 * bl, 90, 90, 1.0f);
  path->LineTo(R.Left, R.Top + tl);
  if (tl > 0) path->AddArc(R.Left, R.Top, 2 * tl, 2 * tl, 180, 90, 1.0f);
  path->CloseFigure();
  return path;
}

std::unique_ptr<THtPath> CreateClipPath(const TElement& E, const TRectF& R) {
  THtCanvas* G = SurfaceOf(E);
  const THtPathClass* cls = G ? G->PathClass() : nullptr;
  if (!cls) return nullptr;
  std::unique_ptr<THtPath> path = cls->Create(false);
  path->SetFillModeWinding(true);
  const float W = R.Right - R.Left, H = R.Bottom - R.Top;
  TElementStyle* S = ElementStyleOf(&E);
  if (!S || S->BorderOneRadius(0, 0) || !(W > 0) || !(H > 0)) {
    path->AddRectangle(R.Left, R.Top, W, H);
    return path;
  }
  float rx[4], ry[4];
  for (int i = 0; i < 4; ++i) {
    cornerRadii(*S, i, rx[i], ry[i]);
    rx[i] = std::clamp(FiniteOr0(rx[i]), 0.0f, W);
    ry[i] = std::clamp(FiniteOr0(ry[i]), 0.0f, H);
  }
  if (S->BorderOneRadius(RoundHalfEven(rx[0]), RoundHalfEven(ry[0]))) {
    path->AddRoundRect(R.Left, R.Top, W, H, std::min(rx[0], W / 2), std::min(ry[0], H / 2));
    return path;
  }
  // Elliptical corners, right and bottom edges one pixel inside.
  const float r = R.Right - 1, b = R.Bottom - 1;
  path->MoveTo(R.Left + rx[0], R.Top);
  path->LineTo(r - rx[1], R.Top);
  if (rx[1] > 0) path->AddArc(r - 2 * rx[1], R.Top, 2 * rx[1], 2 * ry[1], 270, 90, 1.0f);
  path->LineTo(r, b - ry[2]);
  if (rx[2] > 0) path->AddArc(r - 2 * rx[2], b - 2 * ry[2], 2 * rx[2], 2 * ry[2], 360, 90, 1.0f);
  path->LineTo(R.Left + rx[3], b);
  if (rx[3] > 0) path->AddArc(R.Left, b - 2 * ry[3], 2 * rx[3], 2 * ry[3], 90, 90, 1.0f);
  path->LineTo(R.Left, R.Top + ry[0]);
  if (rx[0] > 0) path->AddArc(R.Left, R.Top, 2 * rx[0], 2 * ry[0], 180, 90, 1.0f);
  return path;
}

}  // namespace ht
