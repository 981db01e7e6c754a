#pragma once
// TInputElement: the "input" element. Check boxes, radio buttons and push
// buttons are drawn by the engine on the drawing surface; every other kind
// is a text-like field edited in a native editor laid over the document:
// an edit box, a number box or a date-time picker (input_editor.cpp).
//
// The kind is set again from the "type" attribute at every attribute
// parse. The checked state is the element flag efChecked and the
// pseudo-class :checked. Checking a radio unchecks the other radios of the
// document with the same non-empty name. Every change of the checked state
// and every edit raises the element's "change" event.
//
// The editor exists from the first box computation on screen (with a host
// control that makes form controls) until the element is destroyed; the
// element owns it. In paged output no editor is made and the value is
// printed as text.
#include <memory>

#include "document/base_input_element.h"
#include "platform/ui/form_controls.h"

namespace ht {

enum TInputType : uint8_t { itText, itCheck, itRadio, itButton };

class TInputElement : public TBaseInputElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  ~TInputElement() override;

  std::unique_ptr<ui::TFormControl> FControl;  // the editor of an itText input
  float FControlScale = 1;  // the surface's scene scale at the editor's last placement
  bool FDisabled = false;   // of own-drawn inputs and of text inputs without an editor
  TInputType InputType = itText;

  void ParseAttribute(StringView Param, StringView Value) override;
  void StyleChanged(bool ForceRecalc) override;
  bool GetIntrinsicSize(float& W, float& H, bool& KeepAspect) override;
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  void FillBackground(const THtDrawInfo& DI) override;
  void UpdateScrollBars() override;
  void HideControls() override;
  void CalcBoxes(TFlow* Flow) override;
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
  void DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift) override;
  void Focus() override;

  String GetValue() override;
  // A date or time picker raises EConvertError for text that is not a date
  // (a time for "time"); the "value" attribute then stays as it was.
  void SetValue(StringView Value) override;
  bool GetDisabled() override;
  void SetDisabled(bool Value) override;

  bool Checked() const { return HasFlag(efChecked); }
  void SetChecked(bool Value);
  void DrawCheck(const TRectF& R);
  void DrawRadio(const TRectF& R);
  // True when the editor exists and has the keyboard focus.
  bool Focused() const;

  // --- The native editor (input_editor.cpp) ---------------------------------------
  void CreateControl();
  void ApplyControlStyle();
  void ControlChange();
  void ControlEnter();
  void ControlExit();

 private:
  void setFocusState(bool Add, StringView Event);
  // The kind of the editor to make for the raw "type" attribute.
  ui::TFormControlKind editorKind() const;
};

}  // namespace ht
