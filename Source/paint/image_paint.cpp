// Replaced images and inline frames: the box is painted as for any element
// but its border comes after the picture, over it; the picture is stretched
// to the content box (clipped to a rounded border), a missing image shows a
// placeholder, a selected one a tint, and a resize under way a preview.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/canvas_scene.h"
#include "canvas/font.h"
#include "canvas/geometry.h"
#include "canvas/image.h"
#include "canvas/pen.h"
#include "css/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/image_element.h"
#include "paint/element_paint.h"
#include "paint/paint_cycle.h"
#include "paint/paint_guards.h"
#include "paint/text_paint.h"
#include "platform/rtl/format.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

// The border stays off while the inherited box painting runs, also when it
// raises.
struct TBorderLater {
  TImageElement& E;
  explicit TBorderLater(TImageElement& AE) : E(AE) { E.FDrawBorderNow = false; }
  ~TBorderLater() { E.FDrawBorderNow = true; }
};

// The image arrived after layout: lay out again and size the content.
void imageArrived(TImageElement& E) {
  THtDocument* doc = E.Document;
  const TElementStyle* S = ElementStyleOf(&E);
  if (doc) {
    if (!S || (S->fPosition != epAbsolute && S->fPosition != epFixed)) doc->NeedRecalc = true;
    doc->NeedRepaint = true;
  }
  E.CalcContentSize();
}

// Loaded, read only once the loader thread is done with the image: its
// state is the one field that thread hands over (atomically).
bool loaded(const THtImage* I) { return I && I->LoadState != 1 && I->IsLoaded(); }

bool inSelection(const TElement& E) {
  const THtDocument* doc = E.Document;
  return doc && !doc->Selection.Empty() && doc->Selection.InSelection(&E);
}

}  // namespace

void ImageDrawInline(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI) {
  {
    TBorderLater later(E);
    BaseDrawInline(E, Flow, DI);
  }
  if (E.HasFlag(efHasBorder) && E.IsVisibleInView(DI.CX, DI.CY)) E.DrawBorder(DI);
}

void ImageDrawBlock(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI) {
  if (E.Document && E.Document->Paged) {
    E.CalcContentSize();
    E.OuterRect.Right = E.OuterRect.Left + E.ContentWidth;
    E.OuterRect.Bottom = E.OuterRect.Top + E.ContentHeight;
  }
  {
    TBorderLater later(E);
    BaseDrawBlock(E, Flow, DI);
  }
  // Only in the pass that painted the box, so a translucent border is not
  // laid twice.
  const TElementStyle* S = ElementStyleOf(&E);
  if (E.HasFlag(efHasBorder) && S && S->ZIndex == DI.ZIndex && S->CalculatedOpacity != 0) E.DrawBorder(DI);
}

void ImageDrawBorder(TImageElement& E, const THtDrawInfo& DI) {
  if (E.FDrawBorderNow) BaseDrawBorder(E, DI);
}

void ImageDrawInnerElements(TImageElement& E, TFlow*, const THtDrawInfo& DI) {
  const TElementStyle* S = ElementStyleOf(&E);
  if (!S || S->ZIndex != DI.ZIndex) return;
  if (auto* frame = dynamic_cast<TIFrameElement*>(&E))
    DrawIFrame(*frame, E.InnerRect(), DI);
  else
    DrawImage(E, E.InnerRect(), DI);
}

void DrawImage(TImageElement& E, TRectF R, const THtDrawInfo& DI) {
  THtDocument* doc = E.Document;
  THtCanvas* G = SurfaceOf(E);
  TElementStyle* S = ElementStyleOf(&E);
  if (!doc || !G || !S || !doc->ShowImages) return;
  if (E.InnerHeight == 0 && loaded(E.HI)) imageArrived(E);
  R = Moved(R, DI.CX, DI.CY);
  if (!G->DocumentRectInView(TRectF{R.Left, R.Top, R.Left + E.ContentWidth, R.Top + E.ContentHeight})) return;
  if (!E.HI && doc->LazyImageLoading) {
    E.LoadUrl();
    if (E.HI) imageArrived(E);
  }
  const bool drawable = E.HI && (loaded(E.HI) || G->GetFlags().Contains(hcfSupportsImageRef));
  if (drawable) {
    if (E.HI->Animated) doc->SetHasAnimatedImages(true);
    const float W = E.ContentWidth, H = E.ContentHeight;
    {
      std::unique_ptr<TSavedState> clip;
      if (S->BorderPresent() || S->IsSet(cspBorderRadius) || S->IsSet(cspBorderTopLeftradius)) {
        clip = std::make_unique<TSavedState>(*G);
        if (std::unique_ptr<THtPath> path = CreateBorderPath(E, Moved(E.BorderRect(), DI.CX, DI.CY), true))
          G->IntersectClip(path.get());
      }
      const float opacity = E.HasFlag(efDragMoved) ? 0.2f : S->CalculatedOpacity;
      if (W > 0 && H > 0) G->DrawImage(E.HI, TRectF{R.Left, R.Top, R.Left + W, R.Top + H}, opacity);
    }
    if (!doc->HideSelection && inSelection(E)) {
      if (doc->BlendedSelection)
        AddSelectionRect(*doc, R);
      else
        G->FillRectangle(G->GetBrush(ParseHtColor(u"highlight") & 0x30FFFFFFu), R.Left, R.Top, W, H);
    }
  } else if (E.ContentWidth > 0 && E.ContentHeight > 0 && S->Opacity() > 0 &&
             ((!doc->BackgroundImageLoading && !doc->Paged) || !E.HI || E.HI->LoadState == 3)) {
    DrawPlaceholder(E, TRectF{R.Left, R.Top, R.Left + E.ContentWidth, R.Top + E.ContentHeight});
  }
  if (doc->SizingElement == &E) DrawSizingPreview(E, DI);
}

void DrawPlaceholder(TImageElement& E, const TRectF& R) {
  THtCanvas* G = SurfaceOf(E);
  if (!G) return;
  THtPen* pen = G->GetPen(0xFFDDDDDDu, 1);
  if (R.Right - R.Left > 20 || R.Bottom - R.Top > 20) pen->SetStyle(hpsDash);
  const THtMatrixData* m = G->CurrentMatrix();
  if (m->Data[THtMatrixData::m11] + m->Data[THtMatrixData::m22] < 10)
    G->DrawRectangle(pen, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
  else
    G->FillRectangle(G->GetBrush(0x50505050u), R);
  // The pen is the surface's, shared with every other caller.
  pen->SetStyle(hpsSolid);
}

void DrawSizingPreview(TImageElement& E, const THtDrawInfo& DI) {
  THtCanvas* G = SurfaceOf(E);
  THtDocument* doc = E.Document;
  if (!G || !doc) return;
  const TRectF S = Moved(GetSizingRect(E), E.SurfaceLeft(), E.SurfaceTop());
  if (!loaded(E.HI)) return;
  if (doc->FFreeAspect) {
    // The border box with the new rectangle cut out of it washes out what
    // the image gives up.
    const TRectF b = Moved(E.BorderRect(), DI.CX, DI.CY);
    std::unique_ptr<THtPath> path = G->PathClass()->Create(false);
    path->MoveTo(b.Left, b.Top);
    path->LineTo(b.Right, b.Top);
    path->LineTo(b.Right, b.Bottom);
    path->LineTo(b.Left, b.Bottom);
    path->LineTo(b.Left, b.Top);
    path->LineTo(S.Left, S.Top);
    path->LineTo(S.Left, S.Bottom);
    path->LineTo(S.Right, S.Bottom);
    path->LineTo(S.Right, S.Top);
    path->LineTo(S.Left, S.Top);
    path->CloseFigure();
    G->FillPath(G->GetBrush(0xBBFFFFFFu), path.get());
  } else {
    G->DrawImage(E.HI, S, 0.5f);
  }
}

void DrawIFrame(TIFrameElement& E, TRectF R, const THtDrawInfo& DI) {
  THtDocument* doc = E.Document;
  THtCanvas* G = SurfaceOf(E);
  const TElementStyle* S = ElementStyleOf(&E);
  if (!doc || !G || !S || !doc->ShowImages) return;
  E.CalcContentSize();
  R = Moved(R, DI.CX, DI.CY);
  const TRectF box{R.Left, R.Top, R.Left + E.ContentWidth, R.Top + E.ContentHeight};
  if (!G->DocumentRectInView(box)) return;
  THtDocument* nested = E.NestedDocument();
  if (nested && !doc->EditorMode) {
    std::unique_ptr<TSavedState> clip;
    if (S->BorderPresent()) {
      clip = std::make_unique<TSavedState>(*G);
      if (std::unique_ptr<THtPath> path = CreateBorderPath(E, Moved(E.BorderRect(), DI.CX, DI.CY), false))
        G->IntersectClip(path.get());
    }
    // Into the surface being painted, whatever its target: the box in
    // device pixels at the parent's scale, so a scrolled, zoomed or
    // off-screen parent shows the frame where its box is.
    const TRectF device = G->CurrentMatrix()->TransformRect(R);
    const TRect port = RectFToRect(device);
    if (port.Right > port.Left && port.Bottom > port.Top) {
      const float scale = G->Scene.Scale;
      const int w = RoundHalfEven(float(port.Right - port.Left) / scale);
      const int h = RoundHalfEven(float(port.Bottom - port.Top) / scale);
      if (nested->NeedRecalc || nested->ClientWidth != w || nested->ClientHeight != h)
        nested->CalcSize(TRect{0, 0, w, h});
      THtCanvasScene scene = G->Scene;
      scene.ViewPort = port;
      scene.ClipRect = port;
      scene.UpdateRects.clear();
      scene.OffsetX = scene.OffsetY = 0;
      nested->RawPaint(*G, scene);
    }
  } else if (E.ContentWidth > 0 && E.ContentHeight > 0 && !doc->Paged) {
    G->DrawRectangle(G->GetPen(0xFF909090u, 1), R.Left, R.Top, E.ContentWidth, E.ContentHeight);
    const String label =
        Format(u"IFRAME %dx%d", RoundHalfEven(E.ContentWidth), RoundHalfEven(E.ContentHeight));
    THtFont* font = doc->FontCollection() ? doc->FontCollection()->GetFont(u"Arial", 13, THtFontStyles{}) : nullptr;
    if (font) {
      font->SetStyle(THtFontStyles{});
      THtTextStyle style;
      style.Color = 0xFF4040F0u;
      const THtTextStyle plain;
      const int w =
          RoundHalfEven(G->ClassRefOf()->MeasureString(label, font, plain, 1.0f, 1, int(label.size())));
      const TRectF at = Moved(R, std::max((E.ContentWidth - float(w)) / 2, 0.0f),
                              std::max(E.ContentHeight / 2 - 10, 0.0f));
      G->DrawString(label, at, font, style, 1, int(label.size()));
    }
  }
  if (inSelection(E)) G->FillRectangle(G->GetBrush(0x503030FFu), R.Left, R.Top, E.ContentWidth, E.ContentHeight);
  if (doc->SizingElement == &E) DrawSizingPreview(E, DI);
}

}  // namespace ht
