#pragma once
// Native form controls as the engine sees them: stand-ins for the
// platform's edit box, number box, date-time picker, combo box, list box
// and memo. They are hosted controls (hosted_control.h) that add keyboard
// focus, enablement, a font and colours, and the change, enter, exit, click
// and mouse-move notifications.
//
// The classes here keep the state and serve as the fakes of tests; the
// host's GTK versions (gtk_form_controls.h) override the setters to carry
// each change to their widgets and call the base. Only the user raises the
// notifications: setters never do, so the engine can write a value without
// hearing its own change back. Colours are the platform's RGB values (red
// in the low byte). Bounds are device pixels of the host control's client
// area. Main thread only.
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/geometry.h"
#include "platform/rtl/shift_state.h"
#include "platform/ui/hosted_control.h"

namespace ht::gdi {
class TCanvas;
}

namespace ht::ui {

enum TBorderStyle { bsNone, bsSingle };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TFormControlKind { fkEdit, fkNumberBox, fkDateTimePicker, fkComboBox, fkListBox, fkMemo };

// The largest size a control is given on either axis (the platform's
// window coordinates are 16-bit).
constexpr int MaxControlExtent = 32767;

class TFormControl : public TControl {
 public:
  // Pixels per inch of control fonts.
  static constexpr int PixelsPerInch = 96;

  TFormControl(const TControlClass& AClass, int AWidth, int AHeight) : TControl(AClass) {
    TControl::SetBounds(0, 0, AWidth, AHeight);
  }

  // The notifications (see the header comment).
  std::function<void()> OnChange, OnEnter, OnExit, OnClick;
  std::function<void(TShiftState Shift, int X, int Y)> OnMouseMove;

  // Sizes are kept within 0 .. MaxControlExtent.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override {
    TControl::SetBounds(ALeft, ATop, clampExtent(AWidth), clampExtent(AHeight));
  }
  const String& FontName() const { return FFontName; }
  virtual void SetFontName(StringView Value) { FFontName = String(Value); }
  // The font's pixel height, from its size in points.
  int FontHeight() const { return int(std::lround(std::abs(FontSize()) * double(PixelsPerInch) / 72.0)); }
  uint32_t FontColor() const { return FFontColor; }
  virtual void SetFontColor(uint32_t Value) { FFontColor = Value; }
  // The background; HasColor is false until one is set.
  uint32_t Color() const { return FColor; }
  bool HasColor() const { return FHasColor; }
  virtual void SetColor(uint32_t Value) {
    FColor = Value;
    FHasColor = true;
  }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  virtual void SetBorderStyle(TBorderStyle Value) { FBorderStyle = Value; }
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value) { FEnabled = Value; }
  virtual bool Focused() const { return FFocused; }
  // Takes the keyboard focus; the stand-in raises OnEnter when it did not
  // have it.
  virtual void SetFocus() {
    if (FFocused) return;
    FFocused = true;
    if (OnEnter) OnEnter();
  }
  // The focus moved elsewhere (the stand-in raises OnExit).
  virtual void KillFocus() {
    if (!FFocused) return;
    FFocused = false;
    if (OnExit) OnExit();
  }

 protected:
  static int clampExtent(int V) { return V < 0 ? 0 : (V > MaxControlExtent ? MaxControlExtent : V); }
  bool FFocused = false;

 private:
  String FFontName;
  uint32_t FFontColor = 0;
  uint32_t FColor = 0xFFFFFF;
  bool FHasColor = false;
  TBorderStyle FBorderStyle = bsSingle;
  bool FEnabled = true;
};

// A one-line edit box.
class TEdit : public TFormControl {
 public:
  static const TControlClass& Class() {
    static const TControlClass c{u"TEdit", nullptr, {}, true};
    return c;
  }
  TEdit() : TEdit(Class()) {}

  const String& Text() const { return FText; }
  virtual void SetText(StringView Value) { FText = String(Value); }
  // 0: no limit.
  int MaxLength() const { return FMaxLength; }
  virtual void SetMaxLength(int Value) { FMaxLength = Value < 0 ? 0 : Value; }
  bool ReadOnly() const { return FReadOnly; }
  virtual void SetReadOnly(bool Value) { FReadOnly = Value; }
  // 0: characters are shown.
  char16_t PasswordChar() const { return FPasswordChar; }
  virtual void SetPasswordChar(char16_t Value) { FPasswordChar = Value; }
  const String& TextHint() const { return FTextHint; }
  virtual void SetTextHint(StringView Value) { FTextHint = String(Value); }
  TAlignment Alignment() const { return FAlignment; }
  virtual void SetAlignment(TAlignment Value) { FAlignment = Value; }

 protected:
  TEdit(const TControlClass& AClass, int AWidth = 121, int AHeight = 23) : TFormControl(AClass, AWidth, AHeight) {}

 private:
  String FText, FTextHint;
  int FMaxLength = 0;
  bool FReadOnly = false;
  char16_t FPasswordChar = 0;
  TAlignment FAlignment = taLeftJustify;
};

enum TNumberBoxMode { nbmInteger, nbmFloat };

// An edit box for numbers with up and down steps; Text holds the number.
class TNumberBox : public TEdit {
 public:
  static const TControlClass& Class() {
    static const TControlClass c{u"TNumberBox", nullptr, {}, true};
    return c;
  }
  TNumberBox() : TEdit(Class()) {}

  TNumberBoxMode Mode() const { return FMode; }
  virtual void SetMode(TNumberBoxMode Value) { FMode = Value; }
  // Digits after the point in float mode.
  int Decimal() const { return FDecimal; }
  virtual void SetDecimal(int Value) { FDecimal = Value < 0 ? 0 : Value; }
  // Both 0: no limits.
  double MinValue() const { return FMinValue; }
  virtual void SetMinValue(double Value) { FMinValue = Value; }
  double MaxValue() const { return FMaxValue; }
  virtual void SetMaxValue(double Value) { FMaxValue = Value; }

 private:
  TNumberBoxMode FMode = nbmInteger;
  int FDecimal = 2;
  double FMinValue = 0, FMaxValue = 0;
};

enum TDateTimeKind { dtkDate, dtkTime };

// A date or a time chooser. DateTime is the platform's date-time number
// (days since 1899-12-30 plus the day's fraction).
class TDateTimePicker : public TFormControl {
 public:
  static const TControlClass& Class() {
    static const TControlClass c{u"TDateTimePicker", nullptr, {}, true};
    return c;
  }
  TDateTimePicker() : TFormControl(Class(), 186, 23) {}

  TDateTimeKind Kind() const { return FKind; }
  virtual void SetKind(TDateTimeKind Value) { FKind = Value; }
  double DateTime() const { return FDateTime; }
  virtual void SetDateTime(double Value) { FDateTime = Value; }

 private:
  TDateTimeKind FKind = dtkDate;
  double FDateTime = 0;
};

// A drop-down list of texts.
class TComboBox : public TFormControl {
 public:
  static const TControlClass& Class() {
    static const TControlClass c{u"TComboBox", nullptr, {}, true};
    return c;
  }
  TComboBox() : TFormControl(Class(), 145, 23) {}

  const std::vector<String>& Items() const { return FItems; }
  // Replaces the items; the selection is cleared.
  virtual void SetItems(const std::vector<String>& Value) {
    FItems = Value;
    FItemIndex = -1;
  }
  virtual void AddItem(StringView Value) { FItems.emplace_back(Value); }
  // -1: nothing chosen. An index outside the items chooses nothing.
  int ItemIndex() const { return FItemIndex; }
  virtual void SetItemIndex(int Value) { FItemIndex = Value >= 0 && Value < int(FItems.size()) ? Value : -1; }
  // The chosen item's text, empty when nothing is chosen.
  String Text() const { return FItemIndex >= 0 ? FItems[size_t(FItemIndex)] : String(); }
  int DropDownCount() const { return FDropDownCount; }
  virtual void SetDropDownCount(int Value) { FDropDownCount = Value; }

 private:
  std::vector<String> FItems;
  int FItemIndex = -1;
  int FDropDownCount = 8;
};

// The state of an item being drawn.
struct TOwnerDrawState {
  bool Selected = false;
};

// A list of items the owner measures and draws (each item's height comes
// from OnMeasureItem, its picture from OnDrawItem on a canvas whose origin
// is the item's corner).
class TListBox : public TFormControl {
 public:
  static const TControlClass& Class() {
    static const TControlClass c{u"TListBox", nullptr, {}, true};
    return c;
  }
  TListBox() : TFormControl(Class(), 121, 97) {}

  // Height in: the default item height; out: the item's.
  std::function<void(int Index, int& Height)> OnMeasureItem;
  // Rect: the item's rectangle in the canvas.
  std::function<void(int Index, gdi::TCanvas& Canvas, const TRect& Rect, TOwnerDrawState State)> OnDrawItem;

  const std::vector<String>& Items() const { return FItems; }
  virtual void SetItems(const std::vector<String>& Value) {
    FItems = Value;
    FSelected.assign(FItems.size(), false);
    FItemIndex = -1;
  }
  virtual void AddItem(StringView Value) {
    FItems.emplace_back(Value);
    FSelected.push_back(false);
  }
  int Count() const { return int(FItems.size()); }
  // The focused item (the chosen one without MultiSelect); -1 for none.
  int ItemIndex() const { return FItemIndex; }
  virtual void SetItemIndex(int Value) {
    FItemIndex = Value >= 0 && Value < Count() ? Value : -1;
    if (!FMultiSelect) FSelected.assign(FItems.size(), false);
    if (FItemIndex >= 0) FSelected[size_t(FItemIndex)] = true;
  }
  bool MultiSelect() const { return FMultiSelect; }
  virtual void SetMultiSelect(bool Value) { FMultiSelect = Value; }
  bool Selected(int Index) const { return Index >= 0 && Index < Count() && FSelected[size_t(Index)]; }
  virtual void SetSelected(int Index, bool Value) {
    if (Index < 0 || Index >= Count()) return;
    if (!FMultiSelect && Value) {
      SetItemIndex(Index);
      return;
    }
    FSelected[size_t(Index)] = Value;
  }
  int ItemHeight() const { return FItemHeight; }
  virtual void SetItemHeight(int Value) { FItemHeight = Value; }

 private:
  std::vector<String> FItems;
  std::vector<bool> FSelected;
  int FItemIndex = -1;
  bool FMultiSelect = false;
  int FItemHeight = 16;
};

enum TScrollStyle { ssNone, ssVertical };

// A multi-line edit box; its text's lines are joined with "\n".
class TMemo : public TFormControl {
 public:
  static const TControlClass& Class() {
    static const TControlClass c{u"TMemo", nullptr, {}, true};
    return c;
  }
  TMemo() : TFormControl(Class(), 185, 89) {}

  const String& Text() const { return FText; }
  virtual void SetText(StringView Value) { FText = String(Value); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  virtual void SetScrollBars(TScrollStyle Value) { FScrollBars = Value; }

 private:
  String FText;
  TScrollStyle FScrollBars = ssNone;
};

// The stand-in of a kind: what a host without widgets of its own (a test)
// hands out.
inline std::unique_ptr<TFormControl> CreateStandInControl(TFormControlKind Kind) {
  switch (Kind) {
    case fkEdit:
      return std::make_unique<TEdit>();
    case fkNumberBox:
      return std::make_unique<TNumberBox>();
    case fkDateTimePicker:
      return std::make_unique<TDateTimePicker>();
    case fkComboBox:
      return std::make_unique<TComboBox>();
    case fkListBox:
      return std::make_unique<TListBox>();
    case fkMemo:
      return std::make_unique<TMemo>();
  }
  return nullptr;
}

}  // namespace ht::ui
