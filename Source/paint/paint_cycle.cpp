// The document's paint pass: a cached rendering, an off-screen bitmap or
// straight onto the target, framed by the surface's scene, with the tree
// painted through TElement::Draw and the document-wide extras after it.
#include "paint/paint_cycle.h"

#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "canvas/geometry.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "paint/element_paint.h"
#include "paint/paint_guards.h"
#include "platform/rtl/format.h"
#include "platform/rtl/numeric.h"
#include "platform/rtl/sys_colors.h"

namespace ht {

namespace {

TRect roundRect(const TRectF& R) {
  return TRect(RoundHalfEven(R.Left), RoundHalfEven(R.Top), RoundHalfEven(R.Right), RoundHalfEven(R.Bottom));
}

TRectF mapRect(const TRectF& R, float S, float TX, float TY) {
  return TRectF{R.Left * S + TX, R.Top * S + TY, R.Right * S + TX, R.Bottom * S + TY};
}

bool documentHasBackground(THtDocument& Doc) {
  const TElementStyle* s = ElementStyleOf(&Doc);
  return s && s->BackgroundPresent();
}

uint32_t documentBackgroundColor(THtDocument& Doc) {
  const TElementStyle* s = ElementStyleOf(&Doc);
  return s ? s->BackgroundColor() : 0;
}

// The default background: a value without an alpha byte is a platform
// colour (white by default), shown opaque.
uint32_t clearColor(const THtDocument& Doc) {
  const uint32_t c = Doc.DefaultBackgroundColor;
  return (c >> 24) == 0 ? TColorToARGB(TColor(c)) : c;
}

TFlow* documentFlow(THtDocument& Doc) {
  if (!Doc.FDocFlow) Doc.FDocFlow = std::make_unique<TFlow>(&Doc);
  return Doc.FDocFlow.get();
}

// Ends the scene when the tree walk raises.
struct TSceneScope {
  THtCanvas& G;
  THtDocument& Doc;
  bool Ended = false;
  ~TSceneScope() {
    if (!Ended) G.EndScene();
  }
};

}  // namespace

float IntervalOverlap(float A1, float A2, float B1, float B2) {
  const float d = std::min(A2, B2) - std::max(A1, B1);
  return d > 0 ? d : 0.0f;
}

void AddSelectionRect(THtDocument& Doc, const TRectF& R) {
  std::vector<TRectF>& list = Doc.FSelectionRects;
  if (!list.empty()) {
    const TRectF& last = list.back();
    const bool sameRow = IntervalOverlap(R.Top, R.Bottom, last.Top, last.Bottom) > 0;
    if (sameRow && R.Left >= last.Right) {
      list.push_back(R);
      return;
    }
    if (sameRow && last.Left >= R.Right) {
      // Before every entry of the row that lies right of R, so that a row
      // arriving right to left still ends up left to right.
      size_t i = list.size() - 1;
      while (i > 0 && list[i - 1].Left >= R.Right && IntervalOverlap(R.Top, R.Bottom, list[i - 1].Top, list[i - 1].Bottom) > 0)
        --i;
      list.insert(list.begin() + std::ptrdiff_t(i), R);
      return;
    }
  }
  size_t i = list.size();
  while (i > 0 && list[i - 1].Top > R.Top) --i;
  list.insert(list.begin() + std::ptrdiff_t(i), R);
}

void DrawSelectionRects(THtDocument& Doc) {
  THtCanvas* G = Doc.Surface.get();
  std::vector<TRectF>& list = Doc.FSelectionRects;
  if (!G || list.empty()) return;
  // Rectangles of one row that overlap by more than half the taller one
  // become one.
  for (size_t i = 0; i < list.size(); ++i) {
    TRectF cur = list[i];
    while (i + 1 < list.size()) {
      const TRectF& r = list[i + 1];
      const float half = std::max(r.Bottom - r.Top, cur.Bottom - cur.Top) / 2;
      if (r.Left < cur.Left || !(IntervalOverlap(cur.Top, cur.Bottom, r.Top, r.Bottom) > half)) break;
      cur.Right = std::max(cur.Right, r.Right);
      cur.Bottom = std::max(cur.Bottom, r.Bottom);
      cur.Top = std::min(cur.Top, r.Top);
      list.erase(list.begin() + std::ptrdiff_t(i + 1));
    }
    list[i] = cur;
  }
  std::unique_ptr<THtPath> path = G->PathClass()->Create(false);
  path->SetFillModeWinding(true);
  TRectF cur = list[0];
  path->MoveTo(cur.Left, cur.Top);
  path->LineTo(cur.Right, cur.Top);
  path->LineTo(cur.Right, cur.Bottom);
  for (size_t i = 1; i < list.size(); ++i) {
    const TRectF r = list[i];
    if (r.Right != cur.Right) {
      if (cur.Bottom < r.Top) path->LineTo(cur.Right, r.Top);
      if (r.Top < cur.Bottom) {
        if (cur.Right <= r.Right) {
          path->LineTo(cur.Left, cur.Bottom);
          path->LineTo(cur.Left, cur.Top);
          path->LineTo(cur.Right, cur.Top);
          path->LineTo(cur.Right, r.Top);
        } else {
          path->LineTo(std::max(r.Right, cur.Left), cur.Bottom);
          path->LineTo(std::max(r.Right, cur.Left), r.Top);
        }
      }
      path->LineTo(r.Right, r.Top);
    }
    path->LineTo(r.Right, r.Bottom);
    cur = r;
  }
  path->LineTo(cur.Left, cur.Bottom);
  path->LineTo(cur.Left, cur.Top);
  for (size_t k = list.size() - 1; k-- > 0;) {
    const TRectF r = list[k];
    if (r.Bottom > cur.Bottom) continue;
    if (r.Left != cur.Left) {
      if (r.Bottom <= cur.Top) path->LineTo(cur.Left, r.Bottom);
      if (cur.Top < r.Bottom) {
        if (cur.Left < r.Left) {
          path->LineTo(r.Left, cur.Top);
        } else {
          const float top = std::max(r.Top, cur.Top), x = std::min(cur.Left, r.Right);
          path->LineTo(cur.Left, top);
          path->LineTo(x, top);
          path->LineTo(x, r.Bottom);
        }
      }
      path->LineTo(r.Left, r.Bottom);
    }
    path->LineTo(r.Left, r.Top);
    cur = r;
  }
  path->CloseFigure();
  const uint32_t highlight = TColorToARGB(TColor(clSystemColor | COLOR_HIGHLIGHT)) | 0xFF000000u;
  TSmoothingOn smoothing(*G);
  G->SetSmoothingMode(false);
  G->FillPath(G->GetBrush((highlight & 0x00FFFFFFu) | 0x40000000u), path.get());
  G->DrawPath(G->GetPen(highlight, 1), path.get());
}

THtCellTableHook& CellTableHook() {
  static THtCellTableHook hook;
  return hook;
}

String ResizeHintText(const TElement& E) {
  const TRectF box = E.BorderRect();
  const float w = box.Right - box.Left, h = box.Bottom - box.Top;
  TElement* table = CellTableHook() ? CellTableHook()(E) : nullptr;
  const TElementStyle* s = ElementStyleOf(&E);
  if (table) {
    const float tw = table->BorderRect().Right - table->BorderRect().Left;
    // A share of a table without width is no number: the cell shows pixels.
    if (s && s->Width().FMUnit == muPercent && tw > 0) {
      const double share = std::round(double(w) * 100 / double(tw) * 10) / 10;
      return FloatToText(share) + u"%";
    }
    return FloatToText(RoundHalfEven(w)) + u" px";
  }
  if (E.HasFlag(efHSizeTracking))
    return FloatToText(E.GetUserWidth() != 0 ? E.GetUserWidth() : RoundHalfEven(w)) + u" px";
  return FloatToText(E.GetUserHeight() != 0 ? E.GetUserHeight() : RoundHalfEven(h)) + u" px";
}

void DrawResizeHint(THtDocument& Doc) {
  TElement* E = Doc.SizingElement;
  THtCanvas* G = Doc.Surface.get();
  if (!E || !G) return;
  if (Doc.OnShowResizeHint) {
    Doc.OnShowResizeHint(E);
    return;
  }
  const TRectF box = E->BorderRect();
  const bool vertical = !E->HasFlag(efHSizeTracking) && E->HasFlag(efVSizeTracking);
  float x = vertical ? box.Left + 5 : box.Right, y = vertical ? box.Bottom - 20 : box.Top - 20;
  x += E->SurfaceLeft();
  y = std::max(0.0f, y + E->SurfaceTop());
  const String text = ResizeHintText(*E);
  THtFont* font = Doc.FontCollection() ? Doc.FontCollection()->GetFont(u"Arial", 13, THtFontStyles{}) : nullptr;
  TSmoothingOn smoothing(*G);
  G->SetSmoothingMode(true);
  G->FillRoundRect(G->GetBrush(0xE0EEEEEEu), TRectF{x - 5, y - 5, x + 70, y + 18}, 10, 10);
  if (!font) return;
  font->SetScale(G->Scene.Scale);
  THtTextStyle style;
  style.Color = 0xFF4040F0u;
  const float tw = G->ClassRefOf()->MeasureString(text, font, style, 1.0f, 1, int(text.size()));
  G->DrawString(text, TRectF{x + (70 - tw) / 2, y, x + 70, y + 18}, font, style, 1, int(text.size()));
}

void BaseApplyUserSize(TElement& E) {
  const TElementStyle* s = ElementStyleOf(&E);
  const bool outerBox = s && (s->BoxSizing() == bsBorderbox || s->BoxSizing() == bsPaddingbox);
  if (E.GetUserWidth() > 0) {
    const int v = E.GetUserWidth() + (outerBox ? RoundHalfEven(E.InnerDeltaX()) : 0);
    E.AddCSS(u"width:" + FloatToText(v) + u"px;", true, 0);
  }
  if (E.GetUserHeight() > 0) {
    const int v = E.GetUserHeight() + (outerBox ? RoundHalfEven(E.InnerDeltaY()) : 0);
    E.AddCSS(u"height:" + FloatToText(v) + u"px;", true, 0);
  }
  E.NotifyParent(&E, 1, 0);
  E.ExcludeFlag(efHSizeTracking);
  E.ExcludeFlag(efVSizeTracking);
}

void BaseInternalPaint(THtDocument& Doc) {
  THtCanvas* surface = Doc.Surface.get();
  if (!surface) return;
  THtCanvasScene scene = surface->Scene;
  THtObject* const target = scene.Canvas;
  ++Doc.PaintCount;
  Doc.SetHasAnimatedImages(false);
  if (Doc.BeforePaint) Doc.BeforePaint(&Doc);
  const bool paged = Doc.Paged;
  if (!scene.Canvas && !paged) return;

  if (!paged && surface->Cached() && Doc.fCacheReady && (Doc.FWholeCache || Doc.DocOffsetY() == Doc.FCachedOffsetY)) {
    Doc.FCachedOffsetX = Doc.DocOffsetX();
    Doc.FCachedOffsetY = Doc.DocOffsetY();
    surface->CachedDraw(scene.Canvas, RectToRectF(scene.ViewPort), Doc.FDocOffsetX, Doc.FDocOffsetY,
                        documentBackgroundColor(Doc), Doc.DeviceScale());
    Doc.NeedRepaint = false;
    return;
  }
  TFlow* flow = documentFlow(Doc);
  const TRect clip = scene.ClipRect;
  const int W = RoundHalfEven(float(clip.Right - clip.Left) * surface->ScreenScale());
  const int H = RoundHalfEven(float(clip.Bottom - clip.Top) * surface->ScreenScale());
  if (W <= 0 || H <= 0) return;
  Doc.NeedRepaint = false;
  Doc.FSelectionRects.clear();

  bool buffered = Doc.DoubleBuffered && !paged;
  // A new or resized buffer holds nothing to keep: the whole view is painted.
  const bool freshBuffer = buffered && (!Doc.B || Doc.B->Width() != W || Doc.B->Height() != H);
  if (freshBuffer) scene.UpdateRects.clear();
  if (buffered && !Doc.B && surface->BitmapClass()) Doc.B = surface->BitmapClass()->Create(W, H, true);
  // A canvas class without bitmaps paints straight onto the target.
  if (!Doc.B) buffered = false;
  if (buffered) {
    if (Doc.B->Width() != W || Doc.B->Height() != H) Doc.B->SetSize(W, H);
    if (Doc.Transparent) Doc.B->FillRect(TRect(0, 0, W, H), 0);
    scene.Canvas = Doc.B->Canvas();
    scene.Bitmap = Doc.B.get();
  }
  if (!paged) Doc.UpdateScrollBars();
  const float savedScale = surface->Scene.Scale, savedX = Doc.FDocOffsetX, savedY = Doc.FDocOffsetY;
  if (surface->Cached() && !paged) {
    const float scale = savedScale;
    const float height = Doc.CalcHeight();
    if (Doc.DocOffsetY() != Doc.FCachedOffsetY) {
      Doc.FCachedOffsetX = Doc.DocOffsetX();
      Doc.FCachedOffsetY = Doc.DocOffsetY();
      scene.ClipRect = TRect(0, 0, RoundHalfEven(float(Doc.DocumentWidth) * scale), RoundHalfEven(height * scale));
      Doc.FWholeCache = true;
    } else {
      Doc.FWholeCache = false;
      scene.ClipRect = TRect(0, RoundHalfEven(-Doc.FDocOffsetY * scale), Doc.DocumentWidth,
                             RoundHalfEven(-Doc.FDocOffsetY * scale + height));
    }
    Doc.FDocOffsetX = 0;
    Doc.FDocOffsetY = 0;
    scene.Scale = 1.0f;
  } else if (buffered) {
    const int dx = -scene.ClipRect.Left, dy = -scene.ClipRect.Top;
    scene.ViewPort = TRect(scene.ViewPort.Left + dx, scene.ViewPort.Top + dy, scene.ViewPort.Right + dx,
                           scene.ViewPort.Bottom + dy);
    scene.ClipRect = TRect(0, 0, scene.ClipRect.Right + dx, scene.ClipRect.Bottom + dy);
  }
  scene.OffsetX = Doc.FDocOffsetX;
  scene.OffsetY = Doc.FDocOffsetY;
  scene.EditorMode = Doc.EditorMode;

  if (scene.ScrollX != 0 || scene.ScrollY != 0) {
    const float S = scene.Scale;
    const TRectF view = RectToRectF(scene.ViewPort);
    for (const THtScrollRepaintEntry& e : Doc.ScrollRepaintList) {
      if (e.IsFixed) {
        scene.AddUpdateRect(roundRect(mapRect(e.R, S, view.Left, view.Top)));
      } else {
        const TRectF m =
            mapRect(e.R, S, (float(Doc.DocOffsetX()) + view.Left) * S, (float(Doc.DocOffsetY()) + view.Top) * S);
        if (RectFIntersectsRect(m, scene.ViewPort)) scene.AddUpdateRect(roundRect(m));
      }
    }
  }
  if (Doc.BeforeBeginScene) Doc.BeforeBeginScene(&Doc, scene);
  surface->BeginScene(scene);
  {
    TSceneScope sceneScope{*surface, Doc};
    if (!Doc.Transparent && !paged && !documentHasBackground(Doc)) surface->Clear(clearColor(Doc));
    // Paged output: the page's footnotes and running header and footer
    // first, then the content.
    if (paged) {
      Doc.DrawFootnotes();
      Doc.DrawRunningElements();
      Doc.FFootnoteHeight = 0;
    }
    THtDrawInfo di;
    static_cast<TElement&>(Doc).Draw(flow, di);
    if (!paged && Doc.SizingElement &&
        (Doc.SizingElement->HasFlag(efHSizeTracking) || Doc.SizingElement->HasFlag(efVSizeTracking)))
      DrawResizeHint(Doc);
    if (Doc.BlendedSelection) DrawSelectionRects(Doc);
    DrawSelectionMarkers(Doc);
    surface->BeforeEndScene();
    if (Doc.BeforeEndScene) Doc.BeforeEndScene(&Doc, surface->Scene);
    sceneScope.Ended = true;
    surface->EndScene();
  }
  // The update rectangles (a caller's, a scroll's strips, fixed boxes)
  // belong to this frame: the next one starts from the whole view again.
  surface->Scene.UpdateRects.clear();
  Doc.fCacheReady = true;
  if (buffered) {
    Doc.B->DrawOnCanvas(target, RectToRectF(clip), 255, Doc.Transparent);
  }
  if (!buffered && !paged && surface->Cached()) {
    surface->Scene.Scale = savedScale;
    Doc.FDocOffsetX = savedX;
    Doc.FDocOffsetY = savedY;
    surface->CachedDraw(target, RectToRectF(surface->Scene.ViewPort), Doc.FDocOffsetX,
                        Doc.FDocOffsetY, documentBackgroundColor(Doc), surface->Scene.Scale);
  }
  if (Doc.HasAnimatedImages() && !Doc.SubscribedtoAnimation) Doc.SubscribetoAnimation();
}

void BaseRawPaint(THtDocument& Doc, THtCanvas& ASurface, const THtCanvasScene& AScene) {
  ++Doc.PaintCount;
  // The document paints onto ASurface for the call; its own surface is
  // put back at the end, also when painting raises.
  struct TSurfaceSwap {
    THtDocument& Doc;
    std::unique_ptr<THtCanvas> Own;
    ~TSurfaceSwap() {
      (void)Doc.Surface.release();
      Doc.Surface = std::move(Own);
    }
  } swap{Doc, std::move(Doc.Surface)};
  Doc.Surface.reset(&ASurface);
  Doc.SetHasAnimatedImages(false);
  if (Doc.BeforePaint) Doc.BeforePaint(&Doc);
  Doc.NeedRepaint = false;
  TFlow* flow = documentFlow(Doc);
  const int W = RoundHalfEven(float(AScene.ClipRect.Right - AScene.ClipRect.Left) * ASurface.ScreenScale());
  const int H = RoundHalfEven(float(AScene.ClipRect.Bottom - AScene.ClipRect.Top) * ASurface.ScreenScale());
  if (W < 1 || H < 1) return;
  Doc.FSelectionRects.clear();
  Doc.UpdateScrollBars();
  if (!Doc.DoubleBuffered && !Doc.Transparent && !Doc.Paged && !documentHasBackground(Doc))
    ASurface.Clear(clearColor(Doc));
  TSavedState saved(ASurface);
  THtMatrixData m = ASurface.InitialMatrix;
  m.Translate(float(AScene.ViewPort.Left), float(AScene.ViewPort.Top));
  ASurface.MatrixTransform(m, false);
  struct TClipSwap {
    THtCanvas& G;
    TRect Old;
    ~TClipSwap() { G.Scene.ClipRect = Old; }
  } clipSwap{ASurface, ASurface.Scene.ClipRect};
  ASurface.Scene.ClipRect = AScene.ClipRect;
  THtMatrixData inverse = m;
  inverse.Inverse();
  ASurface.IntersectClip(inverse.TransformRect(RectToRectF(AScene.ClipRect)));
  THtDrawInfo di;
  static_cast<TElement&>(Doc).Draw(flow, di);
}

}  // namespace ht
