#pragma once
// TTextAreaElement: the "textarea" element, edited in a native memo laid
// over the document. Its text children give the memo its first text (they
// are not laid out); the memo then holds the value, with lines joined by
// "\n". "cols" and "rows" size the memo in half and whole font sizes. The
// memo is made at the first box computation with a host control (paged
// output too), hidden under display none or opacity 0, and freed with the
// element.
#include <memory>

#include "document/base_input_element.h"
#include "platform/ui/form_controls.h"

namespace ht {

class TTextAreaElement : public TBaseInputElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  ~TTextAreaElement() override;

  std::unique_ptr<ui::TMemo> Control;
  int FCols = 0;  // "cols" as an integer, 0 when it is not one
  int FRows = 0;  // "rows" as an integer, 0 when it is not one

  bool GetIntrinsicSize(float& W, float& H, bool& KeepAspect) override;
  void UpdateScrollBars() override;
  void HideControls() override;
  void CalcBoxes(TFlow* Flow) override;
  void Focus() override;
  String GetValue() override;
  // Without a memo nothing is stored.
  void SetValue(StringView Value) override;
  bool GetDisabled() override;
  void SetDisabled(bool Value) override;

  void CreateControl();
  void AdjustControlWidth() {}
  void ControlChange();
};

}  // namespace ht
