#pragma once
// TSelectElement: the "select" element. Its options are not laid out; it
// keeps their values and display texts (the options' inner HTML) and shows
// them in a native control over the document: a drop-down combo box
// without a "size" attribute, else a list box whose items are drawn as
// HTML through temporary documents (TInternalListBox). The user's choice is
// written back into the options' "selected" attributes. The kind is fixed
// when the control is made; the control lives until the element is
// destroyed. In paged output the display value is printed as text.
#include <memory>
#include <vector>

#include "document/base_input_element.h"
#include "platform/ui/form_controls.h"

namespace ht {

// The owner drawing of a select's list box: each item is its HTML laid out
// and painted by a temporary document in the list box's font.
class TInternalListBox {
 public:
  // Installs the measuring and drawing handlers on AListBox.
  TInternalListBox(ui::TListBox& AListBox, float ASurfaceScale);

  ui::TListBox& ListBox;
  float SurfaceScale;  // the scene scale when the list box was made

  // Height in: the list box's default; out: the item's HTML height in the
  // width less 16, plus 6 pixels at the surface scale. Failures keep Height.
  void MeasureItem(int Index, int& Height) const;
  // Paints the item's HTML into Rect of Canvas; failures leave it blank.
  void DrawItem(int Index, gdi::TCanvas& Canvas, const TRect& Rect, ui::TOwnerDrawState State) const;
};

class TSelectElement : public TBaseInputElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  ~TSelectElement() override;

  ui::TComboBox* FComboBox = nullptr;  // the control when it is a combo box
  ui::TListBox* FListBox = nullptr;    // the control when it is a list box
  std::unique_ptr<ui::TFormControl> Control;
  std::unique_ptr<TInternalListBox> FListDrawing;
  bool FIsCombo = true;  // the "size" attribute is absent or empty
  std::vector<String> FValues;  // per option: its "value" attribute
  std::vector<String> FItems;   // per option: its inner HTML
  int FSelectedIndex = -1;      // the last option marked "selected" (or set by SetValue)
  int FMaxItemWidth = 0;        // the widest option text in whole pixels

  void AfterParse() override;
  void SetInnerHTML(StringView S) override;
  bool GetIntrinsicSize(float& W, float& H, bool& KeepAspect) override;
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  void UpdateScrollBars() override;
  void HideControls() override;
  void CalcBoxes(TFlow* Flow) override;
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
  void Focus() override;
  String GetValue() override;
  void SetValue(StringView Value) override;
  bool GetDisabled() override;
  void SetDisabled(bool Value) override;
  String GetDisplayValue() override;

  // Appends an option (AKey empty: the value is AName).
  void AddString(StringView AName, StringView AKey);
  // Selects the last item of a list box.
  void ScrolltoBottom();

  void CreateControl();
  void FillControl();
  void MeasureItems();
  void AdjustControlWidth();
  void ControlChange();
};

}  // namespace ht
