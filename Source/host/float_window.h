#pragma once
// THtFloatWindow: a short HTML text in a small borderless window that never
// takes the focus. The window (a THtFloatForm holding a THtPanel, made anew
// for every Show) is sized to the rendered content, kept on the monitor's
// work area and near the pointer, faded or slid in, and hidden again once
// the pointer has left it. Main thread only; three timers drive it: ST
// (50 ms, the show and hide delay), Ani (10 ms, fade-in steps) and
// MouseMon (300 ms, the pointer watch).
#include <memory>

#include "document/document.h"
#include "platform/rtl/geometry.h"
#include "platform/ui/float_form.h"
#include "platform/ui/timer.h"

namespace ht {

class THtPanel;

enum THtFloatWindowAnimation { fwaNone, fwaBlend, fwaSlideUp, fwaSlideDown };
enum TFloatWindowState { fwsHidden, fwsShowing, fwsVisible, fwsHiding };

// What the window's bounds are computed from.
struct THtFloatBoundsInput {
  int X = 0, Y = 0;                     // where Show asked for it (screen)
  int UserWidth = 0, UserHeight = 0;    // the size limit Show was given
  bool Autosize = true;
  int DPI = 96;
  int ContentWidth = 0;                 // the document's, rounded (96 dpi pixels)
  int ContentHeight = 0;
  TRect Monitor;                        // the work area of the nearest monitor
  bool FollowPointer = false;
  TPoint Pointer;                       // screen
  int FrameWidth = 0, FrameHeight = 0;  // the form's frame
};

// The form's outer bounds. In the lower half of the monitor, a window that
// would reach the bottom opens upwards (and a slide-down becomes a
// slide-up); content taller than half the monitor less 26 scaled pixels is
// cut to that and widened by 20 pixels for the scroll bar; with
// FollowPointer the pointer is kept inside; the right edge stays on the
// monitor.
TRect FloatWindowBounds(const THtFloatBoundsInput& In, THtFloatWindowAnimation& Animation);

// Whether P lies in Client, grown by 30 pixels on every side unless Exact.
bool PointInFloatClient(TRect Client, TPoint P, bool Exact);

// Gives a window a translucent blurred backdrop with the colour; false when
// the platform has no such backdrop (always, here: nothing changes).
bool SetAcrylicBackdrop(ui::TWinControl& Window, uint32_t Color);

class THtFloatForm : public ui::TFloatForm {
 public:
  explicit THtFloatForm(unsigned AWindowStyle) : FWindowClassStyle(AWindowStyle) {}
  // Calls FOnDestroy first, then frees the panel.
  ~THtFloatForm() override;
  TNotifyEvent FOnDestroy;
  unsigned FWindowClassStyle;
  std::unique_ptr<THtPanel> Panel;
};

class THtFloatWindow : public THtObject {
 public:
  THtFloatWindow();
  ~THtFloatWindow() override;

  // Shows HTML at the screen point (X, Y) within Width x Height (Height 0:
  // as tall as the content). MainDoc lends its image callbacks and tag
  // object. Ignored while a blend-in is pending.
  void Show(int X, int Y, int Width, int Height, const String& HTML, THtDocument* MainDoc,
            THtFloatWindowAnimation Animation);
  // Forced: at once. Otherwise once the pointer has left the window (or,
  // without AutoHide, only when it leaves the panel).
  void Hide(bool Force);
  TPoint ClienttoScreen(TPoint P) const;
  bool MouseInWindow(bool Exact) const;
  void UpdateBounds(bool FollowPointer, THtFloatWindowAnimation* Animation = nullptr);

  bool Showing() const { return fState == fwsShowing || fState == fwsVisible; }
  TFloatWindowState State() const { return fState; }
  String HTML() const;
  void SetHTML(const String& Value);
  // The form's opacity (255 without form); ERangeError above 255.
  int AlphaBlend() const;
  void SetAlphaBlend(int Value);
  THtFloatForm* Form() const { return F.get(); }
  THtPanel* Panel() const { return P; }

  TElementNotifyEvent fOnUrlClick;
  bool fWebLoading = false;
  bool fAutoSize = true;
  bool fBackgroundImageLoading = true;
  bool fAllowFocus = true;
  bool fLastInWindow = false;
  int FDPI = 96;
  bool FShadow = false;
  ui::TTimer ST{50}, Ani{10}, MouseMon{300};
  bool fHideOnLeave = false;
  int UserX = 0, UserY = 0, UserWidth = 0, UserHeight = 0;
  int fAlpha = 0;
  bool AutoHide = true;
  bool Acrylic = false;

  // Timer and event handlers.
  void ShowTimer();
  void AniTimer();
  void MouseMonTimer();
  void PanelMouseEnter();
  void PanelMouseLeave();
  void PanelUrlClick(TElement* E);
  void DocSizeChanged();
  void FormDestroyed();

 private:
  void slideStep();
  std::unique_ptr<THtFloatForm> F;
  THtPanel* P = nullptr;
  TFloatWindowState fState = fwsHidden;
  TNotifyEvent fPanelSizeChanged;  // the panel's own handler
  // A slide of 100 ms towards FSlideTarget.
  ui::TTimer FSlide{10};
  TRect FSlideTarget;
  bool FSlideUp = false;
  int64_t FSlideStart = 0;
};

}  // namespace ht
