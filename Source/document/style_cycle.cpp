// The document's passes: the style pass, the layout pass for a viewport,
// repaint requests and the paint entry. Changes elsewhere only set the flags
// Changed (styles), NeedRecalc (layout) and NeedRepaint (picture); these
// entries turn the flags into passes.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "document/animation.h"
#include "document/animation_thread.h"
#include "document/document.h"
#include "document/paint_services.h"
#include "document/script_adapter.h"
#include "markup/node_list.h"

namespace ht {

namespace {

// Clears Flag while alive and sets it back to false on every exit.
struct TFlagScope {
  bool& Flag;
  explicit TFlagScope(bool& F) : Flag(F) { Flag = true; }
  ~TFlagScope() { Flag = false; }
};

int effectiveDPI(int DPI) { return DPI > 0 ? DPI : 96; }

TRectF scaledViewPort(const TRect& R, int DPI) {
  const float k = 96.0f / float(effectiveDPI(DPI));
  TRectF f{float(R.Left), float(R.Top), float(R.Right), float(R.Bottom)};
  f.Right = f.Left + (f.Right - f.Left) * k;
  f.Bottom = f.Top + (f.Bottom - f.Top) * k;
  return f;
}

}  // namespace

void THtDocument::CalcSize(const TRect& AViewPort) {
  if (Calculating) return;
  TFlagScope calculating(Calculating);
  struct TStyleFlag {
    THtDocument* D;
    ~TStyleFlag() { D->FCalculatingStyle = false; }
  } styleFlag{this};
  FCalculatingStyle = true;
  const float oldWidth = ContentWidth, oldHeight = ContentHeight;
  if (Surface) Surface->Scene.ViewPort = AViewPort;
  FViewPort = scaledViewPort(AViewPort, DPI());
  ClientWidth = int(std::lround(FViewPort.Right - FViewPort.Left));
  ClientHeight = int(std::lround(FViewPort.Bottom - FViewPort.Top));
  InnerHeight = float(ClientHeight);
  ScaledClientWidth = ClientWidth;
  ScaledClientHeight = ClientHeight;
  if (Styles && (Styles->TestMediaSets(Media, ClientWidth, DeviceWidth) || DependOnViewport)) {
    FCalculatingStyle = false;
    RecalcStyles();
    FCalculatingStyle = true;
  } else if (Changed) {
    FCalculatingStyle = false;
    CalcStyle(Styles.get());
    FCalculatingStyle = true;
  }
  // Only the boxes a restyle marked are laid out again when nothing else
  // asked for layout and the viewport is the one of the last layout.
  FIncrementalLayout = EnableIncrementalLayout && FLaidOut && NeedRecalc && !NeedRecalc.Full() &&
                       !FFullRecalcRequest && !Paged && FLaidOutWidth == ClientWidth &&
                       FLaidOutHeight == ClientHeight;
  if (!FIncrementalLayout) SetFlag(efNeedRecalc, true, false, true);
  FIncrementalFailed = false;
  NeedRecalc = false;
  FFullRecalcRequest = false;
  NeedRepaint = true;
  {
    std::lock_guard<std::recursive_mutex> guard(FLayoutLock);
    if (!Paged) {
      PageWidthPixels = float(ClientWidth);
      PageHeightPixels = float(ClientHeight);
    }
    auto pass = [this] {
      ++FLayoutPassNumber;
      // A pass may show boxes that were hidden, with bars or controls
      // inside: the scroll bar pass must not keep passing over them.
      NoteTreeChange();
      ContentWidth = 0;
      ContentHeight = 0;
      InnerWidth = float(ClientWidth) - OuterDeltaX() - InnerDeltaX();
      OuterRect = TRectF{0, 0, float(ClientWidth), float(ClientHeight)};
      Container = this;
      // Boxes are built and placed by the layout unit.
      if (OnLayoutPass) {
        OnLayoutPass(*this);
        DocumentWidth = std::max(int(std::lround(CalcWidth())), int(std::lround(ContentWidth)));
        DocumentHeight = int(std::lround(CalcHeight()));
      } else {
        LayoutPass();
      }
    };
    pass();
    if (FIncrementalLayout && FIncrementalFailed) {
      // A kept box's inputs changed: everything is laid out again.
      FIncrementalLayout = false;
      SetFlag(efNeedRecalc, true, false, true);
      pass();
    }
    FIncrementalLayout = false;
    FLaidOut = true;
    FLaidOutWidth = ClientWidth;
    FLaidOutHeight = ClientHeight;
  }
  ResetCache();
  const bool sizeChanged = std::fabs(ContentHeight - oldHeight) > 1.0f || std::fabs(ContentWidth - oldWidth) > 1.0f;
  if (sizeChanged && !Painting && OnSizeChanged) OnSizeChanged(this);
  if (FScriptAdapter && !FScriptLoaded) {
    FScriptLoaded = true;
    FScriptAdapter->OnLoad(this);
  }
}

void THtDocument::Recalc() {
  CalcSize(Surface ? Surface->Scene.ViewPort : TRect{});
  fCacheReady = false;
}

void THtDocument::RecalcLayout() {
  // Styles stay as they are; the layout request decides how much is laid
  // out again.
  Recalc();
}

void THtDocument::Refresh() {
  RecalcIndexes();
  RecalcStyles();
  Recalc();
  if (NeedRecalc) Recalc();
  Repaint();
}

void THtDocument::Repaint() {
  if (!FDamageOnly) {
    FWholeRepaintPending = true;
    DamageRects.clear();
  }
  if (Painting) {
    NeedRepaint = true;
    return;
  }
  if (OnRepaint) {
    OnRepaint(this);
  } else if (auto paint = HtPaintServices().InternalPaint) {
    TFlagScope painting(Painting);
    paint(*this);
  }
  NeedRepaint = false;
}

void THtDocument::Draw(THtObject* Canvas, const TRect& AViewPort, const TRect& AClipRect, float ADocOffsetX,
                       float ADocOffsetY, uintptr_t AWindowHandle) {
  if (Painting) {
    NeedRepaint = true;
    return;
  }
  // A paint that comes before the animation hand-off takes it over.
  ApplyAnimatedStyles();
  if (Changed) CalcStyle(Styles.get());
  TFlagScope painting(Painting);
  if (Surface && Surface->Paged()) DoubleBuffered = false;
  if (Surface) {
    THtCanvasScene& scene = Surface->Scene;
    scene.Canvas = Canvas;
    scene.ViewPort = AViewPort;
    scene.ClipRect = AClipRect;
    scene.Window = AWindowHandle;
    scene.OffsetX = ADocOffsetX;
    scene.OffsetY = ADocOffsetY;
    if (CanvasClass->GetFlags().Contains(hcfFullRepaint) && !Paged) scene.ClipRect = AViewPort;
  }
  FDocOffsetX = ADocOffsetX;
  FDocOffsetY = ADocOffsetY;
  FViewPort = scaledViewPort(AViewPort, DPI());
  ClientWidth = int(std::lround(FViewPort.Right - FViewPort.Left));
  if (NeedRecalc) Recalc();
  // Only the damaged rectangles are painted when nothing else asked for a
  // whole repaint; a scroll in between repaints everything.
  bool damageOnly = Surface && !FWholeRepaintPending && !DamageRects.empty() && !Paged && !Transparent &&
                    !Surface->Cached() &&
                    !NeedFullRepaint();
  if (damageOnly && (Surface->Scene.ScrollX != 0 || Surface->Scene.ScrollY != 0)) {
    Surface->Scene.ScrollX = 0;
    Surface->Scene.ScrollY = 0;
    damageOnly = false;
  }
  if (damageOnly) Surface->Scene.UpdateRects = DamageRects;
  FWholeRepaintPending = false;
  DamageRects.clear();
  if (Surface) Surface->Scene.Canvas = Canvas;
  if (auto paint = HtPaintServices().InternalPaint) paint(*this);
  if (damageOnly && Surface) Surface->Scene.UpdateRects.clear();
}

void THtDocument::Draw(THtObject* Canvas, const TRect& DrawRect) {
  TRect clip = DrawRect;
  clip.Left = std::max(clip.Left, 0);
  clip.Top = std::max(clip.Top, 0);
  Draw(Canvas, DrawRect, clip, 0, 0, 0);
}

void THtDocument::ResetCache() { fCacheReady = false; }

void THtDocument::InternalPaint() { HtPaintServices().InternalPaint(*this); }
float THtDocument::PageBottom() { return HtPaintServices().PageBottom(*this); }

void THtDocument::RawPaint(THtCanvas& ASurface, const THtCanvasScene& AScene) {
  HtPaintServices().RawPaint(*this, ASurface, AScene);
}

int THtDocument::DocOffsetX() const { return RoundHalfEven(FDocOffsetX); }
int THtDocument::DocOffsetY() const { return RoundHalfEven(FDocOffsetY); }

THtFont* THtDocument::StyleFont(const String& Family, float Size, THtFontStyles Style, float Scale) {
  if (!FFontCollection) return nullptr;
  THtFont* font = FFontCollection->GetFont(Family, Size, Style);
  if (font) font->SetScale(Scale);
  return font;
}

THtBrush* THtDocument::ColorBrush(uint32_t Color) { return Surface ? Surface->GetBrush(Color) : nullptr; }

bool THtDocument::CanvasHasFont(String& Family) const {
  if (!CanvasClass) return true;
  CanvasClass->DecodeFontFamily(Family);
  return CanvasClass->HasFont(Family);
}

// --- Animation list ------------------------------------------------------------------------

void THtDocument::AddAnimation(TAbstractAnimation* Item) {
  std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
  FAnimations.emplace_back(Item);
  // Under the lock the thread decides to drop an idle document under.
  SubscribetoAnimation();
}

void THtDocument::DeleteAnimation(TAbstractAnimation* Item) {
  std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
  auto it = std::find_if(FAnimations.begin(), FAnimations.end(), [&](const auto& p) { return p.get() == Item; });
  if (it != FAnimations.end()) FAnimations.erase(it);
}

void THtDocument::DeleteElementAnimations(TElement* E, THtObject* Par) {
  std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
  if (!Par) std::erase(FAnimatedStyleElements, E);
  std::erase_if(FAnimations, [&](const std::unique_ptr<TAbstractAnimation>& a) {
    if (a->Element != E || (Par && a.get() != Par)) return false;
    if (a->Transition) {
      a->Transition->Active = false;
      a->Transition->Animation = nullptr;
    }
    return true;
  });
}

size_t THtDocument::AnimationCount() {
  std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
  return FAnimations.size();
}

}  // namespace ht
