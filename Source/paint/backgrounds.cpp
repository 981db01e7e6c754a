// Backgrounds: the colour, the image (with a cross-fade while a
// background-image transition runs) and the gradient of an element, in that
// order, inside the element's rounded border box.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "canvas/geometry.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "markup/url_utils.h"
#include "paint/element_paint.h"
#include "paint/paint_guards.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

constexpr uint32_t NoneColor = 0x1FFFFFFFu;

bool isInlineContent(const TElement& E, const TBaseElementStyle& S) {
  const TDisplayStyle d = S.fDisplay;
  return E.LineBlocks.Count() > 0 && (E.IsText() || d == dsInline || d == dsNone || d == dsInlineFlex);
}

// The first line block's rectangle in physical axes.
TRectF firstBlockRect(const THtLineBlock& B) {
  if (B.E && B.E->HasFlag(efVertical)) return TRectF{B.Top, B.Left, B.Top + B.LogicalHeight, B.Left + B.LogicalWidth};
  return TRectF{B.Left, B.Top, B.Left + B.LogicalWidth, B.Top + B.LogicalHeight};
}

// The surface's view in the current coordinates.
TRectF viewInCurrentSpace(THtCanvas& G) {
  THtMatrixData inverse = *G.CurrentMatrix();
  inverse.Inverse();
  return inverse.TransformRect(RectToRectF(G.Scene.ViewPort));
}

void fillGradient(THtCanvas& G, TElement& E, TElementStyle& S, TRectF R, THtPath* BorderPath) {
  TElementBackground& bg = S.Background();
  TGradient& gr = bg.Gradient;
  float GW = R.Right - R.Left, GH = R.Bottom - R.Top;
  if (!bg.SizeX.GetAuto()) {
    GW = float(bg.SizeX.ToIntPixels());
    R.Right = R.Left + GW;
  }
  if (!bg.SizeY.GetAuto()) {
    GH = float(bg.SizeY.ToIntPixels());
    R.Bottom = R.Top + GH;
  }
  if (!S.IsSet(cspBackgroundImage) || gr.Stops.empty() || !(GH > 0)) return;
  const TRectF g{R.Left, R.Top, R.Left + GW, R.Top + GH};
  std::unique_ptr<THtPath> own;
  if (!BorderPath) {
    own = CreateBorderPath(E, R, false);
    BorderPath = own.get();
  }
  if (!BorderPath) return;
  const size_t n = gr.Stops.size();
  TSingleArray positions(n);
  TCardinalArray colors(n);
  for (size_t i = 0; i < n; ++i) colors[i] = ApplyOpacity(gr.Stops[i].Color, S.CalculatedOpacity);
  // Each measure is read against the gradient box, not the element's size.
  auto px = [](TMeasure M, const float* Base) {
    M.Parent = Base;
    return FiniteOr0(float(M.ToIntPixels()));
  };
  std::unique_ptr<THtBrush> brush;
  if (gr.Kind == 1) {
    for (size_t i = 0; i < n; ++i) positions[i] = std::fabs(GW) > 0.5f ? px(gr.Stops[i].Position, &GW) / GW : 0.0f;
    const float cx = px(gr.CenterX, &GW), cy = px(gr.CenterY, &GH);
    const float dx = std::max(GW - cx, cx), dy = std::max(GH - cy, cy);
    const float radius = std::sqrt(dx * dx + dy * dy);
    brush = G.BrushClass()->CreateRadialGradient(0, 0, g.Left + cx, g.Top + cy, g.Left + cx, g.Top + cy, radius,
                                                 THtMatrixData());
    brush->FillRect = R;
  } else {
    for (size_t i = 0; i < n; ++i) {
      const TMeasure& m = gr.Stops[i].Position;
      if (gr.Direction == gsBottom)
        positions[i] = m.FMUnit == muPercent && m.FValue == 100 ? 1.0f : px(m, &GH) / GH;
      else
        positions[i] = std::fabs(GW) > 0.5f ? px(m, &GW) / GW : 0.0f;
    }
    brush = G.BrushClass()->CreateGradient(g, 0, 0, gr.Angle, g);
  }
  brush->SetGradientColors(positions, colors);
  G.FillPath(brush.get(), BorderPath);
}

}  // namespace

void BaseFillBackground(TElement& E, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  TElementStyle* S = ElementStyleOf(&E);
  if (!G || !S) return;
  // A completely selected table cell is also filled; the selection has no
  // queries yet, so only a background of the style is wanted for now.
  if (!S->BackgroundPresent()) return;
  if (!E.IsVisibleInView(DI.CX, DI.CY) || S->Opacity() == 0) return;

  TRectF r;
  if (S->fDisplay == dsInline && E.LineBlocks.Count() > 0)
    r = firstBlockRect(*E.LineBlocks.First());
  else
    r = E.BorderRect();
  r = Moved(r, DI.CX, DI.CY);
  const bool rootLike = IsRootLike(E);
  if (rootLike) r = viewInCurrentSpace(*G);

  std::unique_ptr<THtPath> borderPath;
  const uint32_t c = S->BackgroundColor();
  if (c != NoneColor && (c >> 24) != 0) {
    THtBrush* brush = S->CreateBGColorBrush(c, S->CalculatedOpacity);
    const bool square = S->BorderOneRadius(0, 0);
    TSmoothingOn smoothing(*G);
    if (brush && isInlineContent(E, *S)) {
      if (square) G->SetSmoothingMode(false);
      const int first = E.StartLine(), last = E.EndLine();
      const bool anyBorder = S->BorderPresent();
      for (int line = first; line <= last; ++line) {
        TRectF ri = Moved(E.Rects(line - first), DI.CX, DI.CY);
        if (anyBorder) {
          ri.Left += E.BorderLeft / 2;
          ri.Top += E.BorderTop / 2;
          ri.Right -= E.BorderRight / 2;
          ri.Bottom -= E.BorderBottom / 2;
        }
        if (square) {
          G->FillRectangle(brush, ri);
        } else {
          std::unique_ptr<THtPath> p = CreateBorderPath(E, ri, false);
          if (p) G->FillPath(brush, p.get());
        }
      }
    } else if (brush) {
      if (rootLike && (brush->GetColor() >> 24) == 0xFF) {
        G->Clear(brush->GetColor());
      } else if (square) {
        G->SetSmoothingMode(false);
        G->FillRectangle(brush, r);
      } else {
        float RX = 0, RY = 0;
        S->MaxBorderRadiusXY(RX, RY);
        if (S->BorderOneRadius(RoundHalfEven(RX), RoundHalfEven(RY))) {
          const float m = std::min(r.Right - r.Left, r.Bottom - r.Top);
          G->SetSmoothingMode(true);
          G->FillRoundRect(brush, r, std::min(FiniteOr0(RX), m / 2), std::min(FiniteOr0(RY), m / 2));
        } else {
          borderPath = CreateBorderPath(E, r, false);
          G->SetSmoothingMode(true);
          if (borderPath) G->FillPath(brush, borderPath.get());
        }
      }
    }
  }
  TElementBackground& bg = S->Background();
  if (S->IsSet(cspBackgroundImage) && !bg.Image.empty()) DrawBackgroundImage(E, r, *S, false, S->CalculatedOpacity);
  fillGradient(*G, E, *S, r, borderPath.get());
}

void DrawBackgroundImage(TElement& E, TRectF R, TBaseElementStyle& Style, bool Previous, float Opacity) {
  THtDocument* doc = E.Document;
  THtCanvas* G = SurfaceOf(E);
  if (!doc || !G || !doc->ShowImages) return;
  TElementBackground& bg = Style.Background();
  bg.Repeat = Style.BackgroundRepeat();
  bg.Attachment = Style.BackgroundAttachment();
  if (bg.LoadedURL != bg.Image) bg.LoadedImage = nullptr;
  if (!bg.LoadedImage && !bg.Image.empty()) {
    String url = bg.Image;
    if (url.find(u':') == String::npos && !bg.BaseURL.empty()) url = CombineURL(bg.BaseURL, url);
    const THtCanvasClass* cls = doc->CanvasClass;
    bg.LoadedImage = doc->GetImage(url, &E, cls && cls->GetFlags().Contains(hcfSupportsImageRef));
    // A failed fetch is not tried again on later paints.
    if (!bg.LoadedImage) bg.Image.clear();
    bg.LoadedURL = bg.Image;
  }
  if (bg.Attachment == baFixed) doc->HasFixedAttachment = true;

  float t = 1;
  if (Style.Transitions && !Style.GetTransitionValue(cspBackgroundImage, t)) t = 1;
  if (!std::isfinite(t)) t = 1;
  t = std::clamp(t, 0.0f, 1.0f);
  if (!Previous && t != 1) DrawBackgroundImage(E, R, Style, true, Opacity);
  THtImage* image = Previous ? bg.PreviousImage : bg.LoadedImage;
  const float opacity = Previous ? Opacity * (1 - t) : Opacity * t;
  if (!image) return;

  TRectF b;
  if (IsRootLike(E)) {
    b = R;
  } else if (Style.fDisplay == dsInline) {
    b = E.Rects(0);
    b = Moved(b, E.MarginLeft, E.MarginTop);
  } else {
    switch (bg.Origin) {
      case boContentBox: b = E.InnerRect(); break;
      case boBorderBox: b = E.BorderRect(); break;
      default: b = E.PaddingRect(); break;
    }
  }
  if (&E == doc->BodyElement) b = TRectF{b.Left, b.Top, b.Left + doc->CalcWidth(), b.Top + doc->CalcHeight()};

  // Sizes refer to the image box, positions to the space the image leaves.
  const float bw = b.Right - b.Left, bh = b.Bottom - b.Top;
  const float freeW = std::max(0.0f, bw - float(image->Width)), freeH = std::max(0.0f, bh - float(image->Height));
  struct TBases {
    TElementBackground& bg;
    TElement& E;
    ~TBases() {
      bg.SizeX.Parent = &E.InnerWidth;
      bg.SizeY.Parent = &E.InnerHeight;
      bg.PositionX.Parent = &E.InnerWidth;
      bg.PositionY.Parent = &E.InnerHeight;
    }
  } bases{bg, E};
  bg.SizeX.Parent = &bw;
  bg.SizeY.Parent = &bh;
  bg.PositionX.Parent = &freeW;
  bg.PositionY.Parent = &freeH;

  TSavedState saved(*G);
  b = Moved(b, E.SurfaceLeft(), E.SurfaceTop());
  float dx = 0, dy = 0;
  if (bg.Attachment == baFixed) {
    dx = doc->FDocOffsetX;
    dy = doc->FDocOffsetY;
  }
  // The colour layer is already painted under the image: filling it again
  // here would double a translucent colour and cover the old image of a
  // cross-fade.
  TElementStyle* es = ElementStyleOf(&E);
  if (!es || es->BorderOneRadius(0, 0)) {
    G->IntersectClip(b);
    G->FillImage(b, image, dx, dy, bg, opacity, 0);
  } else {
    std::unique_ptr<THtPath> clip = CreateBorderPath(E, b, true);
    if (clip) G->IntersectClip(clip.get());
    G->FillImage(b, image, dx, dy, bg, opacity, float(es->MaxBorderRadius()));
  }
  if (image->Animated && !doc->Paged) doc->SetHasAnimatedImages(true);
}

}  // namespace ht
