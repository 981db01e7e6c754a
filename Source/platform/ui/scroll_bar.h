#pragma once
// Element scroll bars as the engine sees them: a platform scroll-bar
// control placed over the document's host control. The host makes them
// (IHostControl, GTK scroll bars in the viewer); tests use a fake. Without
// a host control no bar exists.
//
// The base class keeps the control's state; a platform version overrides
// the setters to carry each change to its widget and calls the base. Only a
// user's move raises OnChange: the setters never do, so the engine can move
// a bar to a new offset without hearing its own change back. Positions and
// sizes are device pixels of the host control's client area. Main thread
// only.
#include <functional>
#include <memory>

#include "platform/ui/form_controls.h"
#include "platform/rtl/cursors.h"

namespace ht::ui {

enum TScrollBarKind { sbHorizontal, sbVertical };

class TControl;

class TScrollBar {
 public:
  virtual ~TScrollBar() = default;

  // The user moved the bar; Position holds the new value.
  std::function<void()> OnChange;

  TScrollBarKind Kind() const { return FKind; }
  // A new kind swaps width and height, as a bar turned on its side.
  virtual void SetKind(TScrollBarKind Value) {
    if (Value == FKind) return;
    FKind = Value;
    const int w = FWidth;
    FWidth = FHeight;
    FHeight = w;
  }
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value) { FVisible = Value; }
  bool TabStop() const { return FTabStop; }
  virtual void SetTabStop(bool Value) { FTabStop = Value; }

  // The range is 0 .. Max; the thumb covers PageSize of it, so positions
  // run from 0 to Max - PageSize.
  int Max() const { return FMax; }
  virtual void SetMax(int Value) { FMax = Value; }
  int PageSize() const { return FPageSize; }
  virtual void SetPageSize(int Value) { FPageSize = Value; }
  int LargeChange() const { return FLargeChange; }
  virtual void SetLargeChange(int Value) { FLargeChange = Value; }
  int Position() const { return FPosition; }
  // Does not raise OnChange.
  virtual void SetPosition(int Value) { FPosition = Value; }

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Moves and sizes the bar without activating it or changing its z-order.
  virtual void SetWindowPos(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
  }

 protected:
  // A new bar is horizontal, as high as the platform's horizontal bars.
  TScrollBar(int AWidth, int AHeight) : FWidth(AWidth), FHeight(AHeight) {}

 private:
  TScrollBarKind FKind = sbHorizontal;
  bool FVisible = false;
  bool FTabStop = true;
  int FMax = 100, FPageSize = 0, FLargeChange = 1, FPosition = 0;
  int FLeft = 0, FTop = 0, FWidth, FHeight;
};

// What the engine asks of the control a document is hosted in.
class IHostControl {
 public:
  virtual ~IHostControl() = default;
  // A new bar owned by the caller, parented to this control: horizontal
  // and hidden.
  virtual std::unique_ptr<TScrollBar> CreateScrollBar() = 0;
  // The host control in the hosted controls' window tree: the parent of
  // the controls a document shows; its owner is the form whose controls a
  // document may find by name. Null: the host hosts no controls.
  virtual TControl* ControlWindow() { return nullptr; }
  // A host being designed shows no hosted controls.
  virtual bool DesignMode() const { return false; }
  // A new form control of that kind owned by the caller, parented to this
  // control and hidden; null: the host makes no form controls.
  virtual std::unique_ptr<TFormControl> CreateFormControl(TFormControlKind Kind) {
    (void)Kind;
    return nullptr;
  }
  // The pointer shape over the control, which the document chooses as the
  // pointer moves.
  virtual TCursor Cursor() const { return crDefault; }
  virtual void SetCursor(TCursor) {}
};

}  // namespace ht::ui
