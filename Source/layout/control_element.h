#pragma once
// TControlElement: the element of the "control" tag, which puts a control
// of the host's control library into the document. When first laid out it
// finds the control by name on the host's form, asks the document's
// OnCreateControl, or creates a hostable class named by its "type"
// attribute; it writes its attributes into the control's properties, keeps
// the control over its content box with the CSS font size, and writes the
// properties back into the attributes when the document is saved. A paged
// document, or one without a host control, creates none. The engine does
// not paint the control.
#include <memory>

#include "document/element.h"
#include "platform/ui/hosted_control.h"

namespace ht {

class TControlElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TControlElement();
  ~TControlElement() override;

  int FControlHeight = -1;    // the control's height in document pixels; -1 until known
  bool FOwnsControl = false;  // the element frees the control
  ui::TControl* Control = nullptr;
  String Name;

  void CalcBoxes(TFlow* Flow) override;
  bool GetIntrinsicSize(float& Width, float& Height, bool& KeepAspect) override;
  void UpdateScrollBars() override;
  void HideControls() override;
  void ParseAttribute(StringView Param, StringView Value) override;
  void FastInnerHTML(TFastString& FS) override;
  bool IsReplacedElement() const override { return true; }

  void CreateControl();
  void UpdateControlFont();
  // Each attribute naming a property of the control's class takes the
  // property's current value as text.
  void WritePropertiesBack();

 private:
  std::unique_ptr<ui::TControl> FOwned;  // set while the element owns the control
};

}  // namespace ht
