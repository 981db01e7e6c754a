#include "host/float_window.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "backends/canvas_gdi.h"
#include "backends/canvas_gp.h"
#include "canvas/colors.h"
#include "host/html_panel.h"
#include "platform/rtl/sys_colors.h"
#include "platform/ui/application.h"

namespace ht {

namespace {

// Windows' MulDiv: halves away from zero.
int mulDiv(int64_t A, int B, int C) {
  const double v = double(A) * B / C;
  return int(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
}

int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr const char16_t* kStyles =
    u"body {font-family: 'Segoe UI'; font-size: 10pt; padding: 10px 10px; }  table {border-collapse: collapse}";

gboolean panelEnter(GtkWidget*, GdkEventCrossing*, gpointer Window) {
  ui::Guard([Window] { static_cast<THtFloatWindow*>(Window)->PanelMouseEnter(); });
  return FALSE;
}

gboolean panelLeave(GtkWidget*, GdkEventCrossing*, gpointer Window) {
  ui::Guard([Window] { static_cast<THtFloatWindow*>(Window)->PanelMouseLeave(); });
  return FALSE;
}

}  // namespace

TRect FloatWindowBounds(const THtFloatBoundsInput& In, THtFloatWindowAnimation& Animation) {
  auto scaled = [&In](double V) { return mulDiv(int64_t(std::ceil(V)), In.DPI, 96); };
  const TRect& m = In.Monitor;
  const int half = (m.Bottom - m.Top) / 2;
  int X = In.X, Y = In.Y;
  const int cw = In.ContentWidth, ch = In.ContentHeight;
  int W, H;
  if (In.Autosize) {
    W = scaled(cw) + 2;
    H = scaled(ch) + 2;
  } else {
    W = scaled(std::min(cw, In.UserWidth)) + 2;
    H = In.UserHeight > 0 ? In.UserHeight + 2 : scaled(ch) + 2;
  }
  // Below the middle of the work area and reaching its bottom: upwards.
  if (Y - m.Top > half && Y + H >= m.Bottom) {
    Y -= std::min(half, H + scaled(26));
    if (Animation == fwaSlideDown) Animation = fwaSlideUp;
  }
  const int VH = std::max(1, std::min(scaled(ch) + 2, half - scaled(26)));
  if (VH < scaled(ch)) W += 20;  // room for the scroll bar of the cut content
  if (In.FollowPointer) {
    const int px = In.Pointer.X, py = In.Pointer.Y;
    if (px < X + 10) X = px - 10;
    if (px > X + W - 1) X = px - W;
    if (py < Y + 10) Y = py - 10;
    if (py > Y + VH - 10) Y = py - VH + 10;
  }
  if (X + W > m.Right) X = m.Right - W;
  return TRect{X, Y, X + W + In.FrameWidth, Y + VH + In.FrameHeight};
}

bool PointInFloatClient(TRect Client, TPoint P, bool Exact) {
  const int g = Exact ? 0 : 30;
  return P.X >= Client.Left - g && P.X < Client.Right + g && P.Y >= Client.Top - g && P.Y < Client.Bottom + g;
}

bool SetAcrylicBackdrop(ui::TWinControl& Window, uint32_t Color) {
  (void)Window, (void)Color;
  return false;
}

THtFloatForm::~THtFloatForm() {
  if (FOnDestroy) {
    TNotifyEvent fn = std::move(FOnDestroy);
    fn(nullptr);
  }
  Panel.reset();
}

// ---------------------------------------------------------------- window

THtFloatWindow::THtFloatWindow() {
  ST.OnTimer = [this] { ShowTimer(); };
  Ani.OnTimer = [this] { AniTimer(); };
  MouseMon.OnTimer = [this] { MouseMonTimer(); };
  FSlide.OnTimer = [this] { slideStep(); };
  FDPI = ui::ScreenPixelsPerInch();
}

THtFloatWindow::~THtFloatWindow() {
  Hide(true);
  F.reset();
}

void THtFloatWindow::Show(int X, int Y, int Width, int Height, const String& HTML, THtDocument* MainDoc,
                          THtFloatWindowAnimation Animation) {
  if (fState == fwsShowing) return;
  ST.SetEnabled(false);
  FSlide.SetEnabled(false);
  if (fState != fwsHidden) Hide(true);
  F.reset();
  fPanelSizeChanged = nullptr;
  F = std::make_unique<THtFloatForm>(FShadow ? 0x20000u : 0u);
  F->FOnDestroy = [this](THtObject*) { FormDestroyed(); };
  fState = fwsShowing;
  F->SetBounds(X, Y, 2000, 2000);
  F->SetAlphaBlendValue(80);
  fAlpha = 80;
  UserX = X;
  UserY = Y;
  UserWidth = Width;
  UserHeight = Height;

  // The panel, built once its properties are set.
  F->Panel = std::make_unique<THtPanel>(true);
  P = F->Panel.get();
  if (HtDefaultCanvasClass == &THtCanvasGDI::ClassType) P->SetCanvasClass(&THtCanvasGP::ClassType);
  P->SetPanelColor(TColor(0x1FFFFFFF));
  P->fAllowFocus = fAllowFocus;
  P->ShowHint = true;
  P->fOnUrlClick = [this](TElement* E) { PanelUrlClick(E); };
  P->SetVerticalScrollBar(hsbAuto);
  P->SetHorizontalScrollBar(hsbAuto);
  if (MainDoc) {
    P->fOnGetImage = MainDoc->OnGetImage;
    P->fOnGetImageObject = MainDoc->OnGetImageObject;
    P->TagObject = MainDoc->TagObject;
  }
  P->fWebLoading = fWebLoading;
  P->fBackgroundImageLoading = fBackgroundImageLoading;
  P->SetStyles({kStyles});
  P->SetHTML({HTML});
  P->SetDPI(FDPI);
  g_signal_connect(P->ClientArea(), "enter-notify-event", G_CALLBACK(panelEnter), this);
  g_signal_connect(P->ClientArea(), "leave-notify-event", G_CALLBACK(panelLeave), this);
  P->SetParent(F.get());
  P->Loaded();

  UpdateBounds(false, &Animation);
  Acrylic = SetAcrylicBackdrop(*F, 0x01AAAAAA);
  if (THtDocument* d = P->Doc()) {
    const uint32_t window = TColorToARGB(TColor(clSystemColor | uint32_t(COLOR_WINDOW)));
    d->DefaultBackgroundColor = Acrylic ? (window & 0x00FFFFFF) | 0x80000000u : window;
    if (Acrylic) P->SetTransparent(true);
  }
  if (Animation == fwaSlideDown || Animation == fwaSlideUp) {
    if (Animation == fwaSlideDown) F->SetAlphaBlendValue(255);
    FSlideTarget = F->BoundsRect();
    FSlideUp = Animation == fwaSlideUp;
    FSlideStart = nowMs();
    slideStep();
    FSlide.SetEnabled(true);
  }
  if (Animation == fwaBlend) {
    ST.SetEnabled(true);
  } else {
    fState = fwsVisible;
    if (Animation != fwaNone) {
      F->SetAlphaBlendValue(255);
      fAlpha = 255;
    }
    F->ShowNoActivate();
  }
  if (THtDocument* d = P->Doc()) d->OnSizeChanged = [this](THtObject*) { DocSizeChanged(); };
  MouseMon.SetEnabled(true);
}

void THtFloatWindow::slideStep() {
  if (!F) {
    FSlide.SetEnabled(false);
    return;
  }
  const double t = std::clamp(double(nowMs() - FSlideStart) / 100, 0.0, 1.0);
  const TRect& r = FSlideTarget;
  const int h = std::max(1, int(std::lround((r.Bottom - r.Top) * t)));
  if (FSlideUp) F->SetBounds(r.Left, r.Bottom - h, r.Right - r.Left, h);
  else F->SetBounds(r.Left, r.Top, r.Right - r.Left, h);
  if (t >= 1) FSlide.SetEnabled(false);
}

void THtFloatWindow::UpdateBounds(bool FollowPointer, THtFloatWindowAnimation* Animation) {
  if (!F || !P || !P->Doc()) return;
  THtDocument& d = *P->Doc();
  {
    TNotifyEvent saved = std::move(d.OnSizeChanged);
    d.OnSizeChanged = nullptr;
    d.CalcSize(TRect{0, 0, UserWidth, 1});
    // The panel's own handler, kept for DocSizeChanged without Autosize.
    if (saved && !fPanelSizeChanged) fPanelSizeChanged = saved;
    d.OnSizeChanged = fPanelSizeChanged;
  }
  THtFloatBoundsInput in;
  in.X = UserX;
  in.Y = UserY;
  in.UserWidth = UserWidth;
  in.UserHeight = UserHeight;
  in.Autosize = fAutoSize;
  in.DPI = FDPI;
  in.ContentWidth = int(std::lround(double(d.ContentWidth) + d.OuterDeltaX() + d.InnerDeltaX()));
  in.ContentHeight = d.DocumentHeight;
  in.Monitor = ui::MonitorWorkAreaAt(TPoint{UserX, UserY});
  in.FollowPointer = FollowPointer;
  in.Pointer = ui::CursorPos();
  in.FrameWidth = ui::TFloatForm::FrameWidth;
  in.FrameHeight = ui::TFloatForm::FrameHeight;
  THtFloatWindowAnimation unused = fwaNone;
  const TRect r = FloatWindowBounds(in, Animation ? *Animation : unused);
  F->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  d.OnSizeChanged = [this](THtObject*) { DocSizeChanged(); };
}

void THtFloatWindow::Hide(bool Force) {
  if (Force) {
    MouseMon.SetEnabled(false);
    FSlide.SetEnabled(false);
    if (F) F->Hide();
    P = nullptr;
    fState = fwsHidden;
    return;
  }
  if (MouseInWindow(false) || !AutoHide) {
    fHideOnLeave = AutoHide;
  } else if (fState == fwsVisible || fState == fwsShowing) {
    fState = fwsHiding;
    ST.SetEnabled(true);
  }
}

TPoint THtFloatWindow::ClienttoScreen(TPoint Pt) const { return F ? F->ClientToScreen(Pt) : Pt; }

bool THtFloatWindow::MouseInWindow(bool Exact) const {
  if (!F) return false;
  return PointInFloatClient(TRect{0, 0, F->ClientWidth(), F->ClientHeight()}, F->ScreenToClient(ui::CursorPos()),
                            Exact);
}

String THtFloatWindow::HTML() const { return P ? P->HTML().Text() : String(); }

void THtFloatWindow::SetHTML(const String& Value) {
  if (!P) return;
  P->SetHTML({Value});
  UpdateBounds(true);
}

int THtFloatWindow::AlphaBlend() const { return F ? F->AlphaBlendValue() : 255; }

void THtFloatWindow::SetAlphaBlend(int Value) {
  if (Value < 0 || Value > 255) throw ERangeError(u"Range check error");
  if (F) F->SetAlphaBlendValue(Value);
}

// ---------------------------------------------------------------- timers and events

void THtFloatWindow::ShowTimer() {
  ST.SetEnabled(false);
  if (fState == fwsShowing && F) {
    fState = fwsVisible;
    F->SetAlphaBlendValue(80);
    fAlpha = 80;
    F->ShowNoActivate();
    Ani.SetEnabled(true);
  } else if (fState == fwsHiding) {
    Hide(true);
  }
}

void THtFloatWindow::AniTimer() {
  fAlpha = std::min(fAlpha + 15, 255);
  if (F) F->SetAlphaBlendValue(fAlpha);
  if (fAlpha >= 255) Ani.SetEnabled(false);
}

void THtFloatWindow::MouseMonTimer() {
  if (!F) {
    MouseMon.SetEnabled(false);
    return;
  }
  const bool inside = MouseInWindow(false);
  if (!inside && !fLastInWindow && !ST.Enabled()) Hide(false);
  fLastInWindow = inside;
}

void THtFloatWindow::PanelMouseEnter() {
  if (!Ani.Enabled() && AlphaBlend() != 255 && F) F->SetAlphaBlendValue(255);
  if (fState == fwsHiding) {
    ST.SetEnabled(false);
    fState = fwsVisible;
  }
}

void THtFloatWindow::PanelMouseLeave() {
  if (fHideOnLeave && ((fState == fwsVisible && !MouseInWindow(false)) || fState == fwsShowing)) {
    fState = fwsHiding;
    ST.SetEnabled(true);
  }
}

void THtFloatWindow::PanelUrlClick(TElement* E) {
  if (fOnUrlClick) fOnUrlClick(E);
}

void THtFloatWindow::DocSizeChanged() {
  if (fAutoSize) UpdateBounds(MouseInWindow(false));
  else if (fPanelSizeChanged) fPanelSizeChanged(nullptr);
}

// The form goes only through F, which is already empty then.
void THtFloatWindow::FormDestroyed() { P = nullptr; }

}  // namespace ht
