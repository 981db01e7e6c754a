#pragma once
// A small borderless window that floats above the others and never takes
// the keyboard focus: a GTK popup with the tooltip type hint, a one-pixel
// frame, and one control filling it. Pressing within 8 pixels of its edge
// resizes it (the window manager's resize drag); its opacity needs a
// compositor. Also the screen queries a floating window needs.
#include <functional>

#include "platform/rtl/geometry.h"
#include "platform/ui/controls.h"

namespace ht::ui {

// Where a press at client point (X, Y) of a W x H window resizes it, in
// the platform's hit-test codes: HTTOPLEFT (13), HTTOPRIGHT (14),
// HTBOTTOMLEFT (16), HTBOTTOMRIGHT (17), HTTOP (12), HTLEFT (10),
// HTBOTTOM (15), HTRIGHT (11), tested in that order at a distance below 8
// from an edge (the right and bottom edges lie at W and H); 0 elsewhere.
int FrameHitTest(int X, int Y, int W, int H);

class TFloatForm : public TForm {
 public:
  TFloatForm();
  ~TFloatForm() override;

  // Outer bounds in screen pixels, frame included.
  void SetBounds(int X, int Y, int W, int H);
  TRect BoundsRect() const;
  // The frame's share of the outer size.
  static constexpr int FrameWidth = 2, FrameHeight = 2;
  int ClientWidth() const;
  int ClientHeight() const;
  TPoint ClientToScreen(TPoint P) const;
  TPoint ScreenToClient(TPoint P) const;
  // 0 to 255.
  void SetAlphaBlendValue(int Value);
  int AlphaBlendValue() const { return FAlpha; }
  // Shows the window without activating it.
  void ShowNoActivate();
  void Hide();

 private:
  friend struct TFloatSignals;
  int FAlpha = 255;
  GtkGesture* FPress = nullptr;
};

// The pointer's screen position.
TPoint CursorPos();
// The left button is held down now.
bool LeftButtonDown();
// The work area (screen less panels and docks) of the monitor nearest to
// the screen point.
TRect MonitorWorkAreaAt(TPoint P);
// The screen's pixels per inch.
int ScreenPixelsPerInch();

}  // namespace ht::ui
