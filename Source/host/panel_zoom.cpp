// THtPanel: the zoom (the surface's scale factor), smooth scrolling and
// zooming driven by the animation thread, DPI changes and touch gestures.
//
// The animation thread only posts: AnimationStep reads two atomic flags
// and queues a tick for the panel's liveness token, so a tick that arrives
// after the unsubscription or the panel's end finds nothing to do.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

#include "canvas/canvas.h"
#include "document/animation_thread.h"
#include "host/html_panel.h"
#include "platform/rtl/dispatcher.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

constexpr unsigned WM_SMOOTHSCROLL = ui::WM_USER + 3;  // 1027
constexpr unsigned WM_SMOOTHZOOM = ui::WM_USER + 4;    // 1028
constexpr int kScrollDuration = 200;
constexpr int kZoomDuration = 100;

// Rounds half away from zero, into the int range.
int roundInt(double V) {
  if (!(V == V)) return 0;
  return int(std::clamp(std::round(V), double(INT_MIN), double(INT_MAX)));
}

double easeOut(double t, double b, double c, double d) { return b - c * (t / d) * (t / d - 2); }
double linear(double t, double b, double c, double d) { return b + c * t / d; }

}  // namespace

int64_t THtPanel::tickCount() const {
  if (TickCount) return TickCount();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// ---------------------------------------------------------------- the scale

int THtPanel::Scale() const {
  if (!FDoc || !FDoc->Surface) return 100;
  return roundInt(double(scale()) * 9600.0 / CurrentDPI);
}

int THtPanel::InnerWidth() const { return roundInt(ClientWidth() / double(scale())); }

int THtPanel::InnerHeight() const { return roundInt(ClientHeight() / double(scale())); }

void THtPanel::SetScale(int Value) {
  // A percent of 0 or less would store scale 0 and divide by it later.
  if (Value <= 0) return;
  if (FScaleFromCenter)
    ScalefromPoint(Value, TPoint{ClientWidth() / 2, ClientHeight() / 2}, false);
  else
    ScalefromPoint(Value, TPoint{0, 0}, false);
}

void THtPanel::ScalefromPoint(int ScalePercent, TPoint Center, bool Fast) {
  if (!FDoc || !FDoc->Surface || ScalePercent <= 0) return;
  const float newScale = float(ScalePercent / 100.0 * CurrentDPI / 96.0);
  const float old = scale();
  if (std::fabs(newScale - old) <= 1e-5f * std::max(std::fabs(newScale), std::fabs(old))) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  // The visible rectangle's corner in old device pixels.
  const double vLeft = OffsetX, vTop = OffsetY;
  // An empty client (before the first allocation) has no fraction to keep.
  const double fx = cw > 0 ? double(Center.X) / cw : 0.0;
  const double fy = ch > 0 ? double(Center.Y) / ch : 0.0;
  const double ratio = double(newScale) / old;
  if (FScaleFromCenter) {
    const double ih = double(InnerHeight());
    OffsetY = roundInt((OffsetY + old * ih * fy) * ratio - old * ih * fy);
  } else {
    OffsetX = std::max(0, roundInt(OffsetX * ratio));
    OffsetY = std::max(0, roundInt(OffsetY * ratio));
  }
  if (!FDoc->AdaptiveZoom && FScaleFromCenter) OffsetX = roundInt((OffsetX + cw * fx) * ratio - cw * fx);
  FDoc->Surface->SetScaleFactor(newScale);
  if (!fInZoom) {
    const THtCanvasClass* cc = FDoc->CanvasClass;
    if (FDoc->AdaptiveZoom || !(cc && cc->GetFlags().Contains(hcfCacheTextWidth))) FDoc->NeedRecalc = true;
  }
  const int oldHeight = ClientHeight();
  UpdateScrollBars();
  const int dh = std::max(0, ClientHeight() - oldHeight);
  FScrollDX = 0;
  FScrollDY = 0;
  TRectF d;
  d.Left = float(vLeft * ratio - OffsetX);
  d.Top = float(vTop * ratio - OffsetY);
  d.Right = float(d.Left + cw * ratio);
  d.Bottom = float(d.Top + ch * ratio);
  FZoomUp = newScale > old;
  const int64_t start = tickCount();
  // The picture kept from the last paint is stretched in place; the window
  // shows it at its next draw without a new paint.
  gdi::TCanvas* picture = Canvas();
  bool scaled = false;
  if (Fast && FScaleFromCenter && LastPaintTime >= 10 && picture) {
    THtCanvasScene scene;
    scene.Init(ClientRect(), picture);
    scene.Window = reinterpret_cast<uintptr_t>(Handle());
    scaled = FDoc->Surface->FastScale(scene, d);
  }
  if (!scaled) {
    Repaint();
    return;
  }
  LastPaintTime = tickCount() - start;
  if (!FInSmoothZoom) FLastZoomTime = tickCount();
  if (old > newScale) {
    // The strips the shrunken picture left uncovered.
    THtCanvasScene& scene = FDoc->Surface->Scene;
    scene.UpdateRects.clear();
    const TRect c = ClientRect();
    scene.AddUpdateRect(TRect{0, 0, roundInt(d.Left), ch});
    scene.AddUpdateRect(TRect{0, 0, cw, roundInt(d.Top)});
    scene.AddUpdateRect(TRect{0, roundInt(d.Bottom) - dh, cw, ch});
    scene.AddUpdateRect(TRect{roundInt(d.Right), 0, cw, ch});
    std::vector<TRect> strips = scene.UpdateRects;
    FDoc->Draw(picture, c, c, -float(OffsetX) / newScale, -float(OffsetY) / newScale,
               reinterpret_cast<uintptr_t>(Handle()));
    FDoc->Surface->Scene.UpdateRects.clear();
  }
  ShowPaintBuffer();
  FInSmoothZoom = true;
  if (!FSubscribedtoAnimation) {
    FLastFullPaintTime = FLastZoomTime;
    subscribe();
  }
}

// ---------------------------------------------------------------- the animation subscription

std::function<void(int32_t)> THtPanel::AnimationStep() const {
  // Copies of the shared flags and the liveness token: nothing here points
  // into the panel.
  std::shared_ptr<TAnimationShared> shared = FAnimShared;
  TLivenessToken target = Token();
  THtPanel* self = const_cast<THtPanel*>(this);
  return [shared, target, self](int32_t Step) {
    unsigned msg = 0;
    if (shared->InSmoothScroll) msg = WM_SMOOTHSCROLL;
    else if (shared->InSmoothZoom) msg = WM_SMOOTHZOOM;
    else return;
    TDispatcher::Main().Post(
        [self, msg, Step] {
          ui::TMessage m{msg, 0, Step, 0};
          self->Dispatch(m);
        },
        target);
  };
}

void THtPanel::subscribe() {
  if (FSubscribedtoAnimation) return;
  FAnimationToken = AnimationThread().Subscribe(AnimationStep());
  FSubscribedtoAnimation = true;
}

void THtPanel::unsubscribe() {
  if (!FSubscribedtoAnimation) return;
  if (AnimationThreadExists()) AnimationThread().Unsubscribe(FAnimationToken);
  FSubscribedtoAnimation = false;
  FAnimationToken = 0;
}

// ---------------------------------------------------------------- smooth scrolling

void THtPanel::SetTargetPosition(int TargetX, int TargetY) {
  const int ch = ClientHeight(), cw = ClientWidth();
  bool restarted = false;
  auto axis = [&](int Target, int Offset, int DocSize, int Client, int& TargetField, int& InitialField) {
    int y = Target;
    if (!(FScaleFromCenter && Offset < 0)) y = std::max(0, std::min(y, DocSize - Client));
    if (Offset < 0) y = std::min(y, std::max(0, DocSize - Client));
    if (y == Offset) {
      TargetField = InitialField = Offset;
      return;
    }
    if (FSubscribedtoAnimation && FInSmoothScroll && y == TargetField) return;
    InitialField = Offset;
    FScrollTimeCounter = 0;
    FLastScrollCounter = 0;
    TargetField = y;
    restarted = true;
    if (!FInSmoothScroll) BeginSmoothScroll();
    subscribe();
  };
  axis(TargetY, OffsetY, DocumentPixelHeight(), ch, FTargetYOffset, FInitialYOffset);
  axis(TargetX, OffsetX, DocumentPixelWidth(), cw, FTargetXOffset, FInitialXOffset);
  // Both axes share one clock: a new target on either restarts both
  // curves from where they are, not from where they began.
  if (restarted) {
    FInitialYOffset = FTargetYOffset == FInitialYOffset ? FInitialYOffset : OffsetY;
    FInitialXOffset = FTargetXOffset == FInitialXOffset ? FInitialXOffset : OffsetX;
  }
  if (!FInSmoothScroll) EndSmoothScroll();
}

void THtPanel::WMUser3(int Step) {
  if (!FInSmoothScroll) return;
  FScrollTimeCounter += Step;
  const int t = std::min(FScrollTimeCounter, kScrollDuration);
  auto finish = [&] {
    EndSmoothScroll();
    if (FSubscribedtoAnimation && !FInSmoothZoom) unsubscribe();
  };
  if (FScrollTimeCounter - FLastScrollCounter > std::min<int64_t>(LastPaintTime, 10) &&
      FTargetYOffset != FInitialYOffset) {
    int v = roundInt(easeOut(t, FInitialYOffset, double(FTargetYOffset) - FInitialYOffset, kScrollDuration));
    if (std::abs(double(v) - FTargetYOffset) < 3) {
      v = FTargetYOffset;
      finish();
    }
    FLastScrollCounter = FScrollTimeCounter;
    Scroll(0, float(double(v) - OffsetY), true);
  }
  if (FTargetXOffset != FInitialXOffset) {
    int v = roundInt(easeOut(t, FInitialXOffset, double(FTargetXOffset) - FInitialXOffset, kScrollDuration));
    if (std::abs(double(v) - FTargetXOffset) < 2) {
      v = FTargetXOffset;
      finish();
    }
    Scroll(float(double(v) - OffsetX), 0, true);
  }
}

// ---------------------------------------------------------------- smooth zooming

void THtPanel::SetTargetScale(int TargetScale) {
  if (FInSmoothZoom && FTargetScale == TargetScale) return;
  FTargetScale = TargetScale;
  FInitialScale = Scale();
  FZoomTimeCounter = 0;
  FLastZoomTimeCounter = -100;
  if (!FInSmoothZoom) FLastFullPaintTime = tickCount();
  if (TargetScale == Scale() || FSubscribedtoAnimation) return;
  subscribe();
  FInSmoothZoom = true;
}

void THtPanel::WMUser4(int Step) {
  FZoomTimeCounter += Step;
  if (!FInSmoothZoom) return;
  if (!(FZoomTimeCounter - FLastZoomTimeCounter > std::min<int64_t>(LastPaintTime, 10))) return;
  int v = roundInt(
      linear(std::min(FZoomTimeCounter, kZoomDuration), FInitialScale, double(FTargetScale) - FInitialScale,
             kZoomDuration));
  if (std::abs(double(v) - FTargetScale) < 2) {
    if (FSubscribedtoAnimation && !FInSmoothScroll) unsubscribe();
    FInSmoothZoom = false;
    v = FTargetScale;
  }
  FLastZoomTimeCounter = FZoomTimeCounter;
  const bool fast = FInSmoothZoom && (tickCount() - FLastFullPaintTime) < std::max<int64_t>(200, 2 * LastPaintTime);
  ScalefromPoint(v, FLastZoomCenter, fast);
}

// ---------------------------------------------------------------- horizontal wheel

void THtPanel::WMMouseHWheel(ui::TMessage& Message) {
  if (!FDoc) return;
  const int delta = int16_t(uint16_t(uint32_t(Message.WParam) >> 16));
  if (std::abs(delta) > 3) fTouchScrolled = true;
  const int base = FSubscribedtoAnimation && FInSmoothScroll ? FTargetXOffset : OffsetX;
  SetTargetPosition(roundInt(double(delta) + base), OffsetY);
}

// ---------------------------------------------------------------- DPI

void THtPanel::SetDPI(int NewDPI) {
  if (NewDPI <= 0) return;
  if (!FDoc) {
    CurrentDPI = NewDPI;
    return;
  }
  const int percent = Scale();
  CurrentDPI = NewDPI;
  FDoc->SetDPI(NewDPI);
  SetScale(percent);
  if (FDoc->AdaptiveZoom) {
    FDoc->Recalc();
    Repaint();
  }
}

void THtPanel::ScaleFactorChanged(int Factor) {
  if (Factor > 0 && 96 * Factor != CurrentDPI) ChangeScale(96 * Factor, CurrentDPI, true);
}

void THtPanel::ChangeScale(int M, int D, bool isDpiChange) {
  if (isDpiChange && D != 0) SetDPI(roundInt(double(CurrentDPI) * M / D));
}

// ---------------------------------------------------------------- gestures

void THtPanel::DoGesture(const TGestureEventInfo& EventInfo, bool& Handled) {
  if (!FDoc) return;
  switch (EventInfo.GestureID) {
    case TGestureEventInfo::igiZoom:
      if (EventInfo.Flags & TGestureEventInfo::gfBegin) {
        fZoomStartDistance = std::max(1, EventInfo.Distance);
        fZoomStartScale = Scale();
        fInZoom = true;
      } else {
        if (EventInfo.Flags & TGestureEventInfo::gfEnd) {
          fInZoom = false;
          FDoc->Recalc();
        }
        if (fZoomStartDistance != 0) {
          int s = std::max(20, roundInt(double(fZoomStartScale) * EventInfo.Distance / fZoomStartDistance));
          if (s >= 96 && s <= 104) s = 100;
          SetScale(s);
        }
      }
      Handled = true;
      return;
    case TGestureEventInfo::igiPan: {
      const TPoint p{EventInfo.Location.X, EventInfo.Location.Y - 3};
      if (EventInfo.Flags & TGestureEventInfo::gfEnd) {
        if (TouchSelectionMode) {
          docMouseDown(p.X, p.Y, false, 0);
          TouchSelectionMode = false;
          Handled = true;
          return;
        }
      } else if (FDoc->Selection.Empty() && !TouchSelectionMode) {
        Handled = false;
        return;
      }
      if (EventInfo.Flags & TGestureEventInfo::gfBegin) {
        TouchSelectionMode = false;
        const double s = scale();
        const int x = roundInt(p.X / s) - FDoc->DocOffsetX(), y = roundInt(p.Y / s) - FDoc->DocOffsetY();
        bool left = false;
        if (FDoc->Selection.AtPoint(x, y, left)) {
          // A touch on a selection end drags it.
          TouchSelectionMode = true;
          docMouseDown(p.X, p.Y, true, ssLeft);
          Handled = true;
        } else {
          Handled = false;
        }
        return;
      }
      if (TouchSelectionMode) {
        docMouseMove(p.X, p.Y, TShiftState(ssLeft | ssTouch));
        Handled = true;
        Repaint();
      } else if (FDoc->DragElement || FDoc->SizingElement) {
        docMouseMove(p.X, p.Y, 0);
        Handled = true;
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace ht
