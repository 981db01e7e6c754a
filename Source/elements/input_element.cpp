// The input element's model: its kind from the "type" attribute, its own
// drawing of check boxes, radios and buttons, the checked state with radio
// groups, pointer handling, the value accessors and the change event.
#include "elements/input_element.h"

#include <cmath>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "css/style_maps.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "elements/form_support.h"
#include "layout/layout_style.h"
#include "markup/attributes.h"
#include "platform/rtl/numeric.h"

namespace ht {

const THtNodeClass TInputElement::ClassType{"TInputElement", &TBaseInputElement::ClassType,
                                            CreateInstance<TInputElement, THtNode>};

namespace {

bool isOwnDrawn(TInputType T) { return T == itCheck || T == itRadio || T == itButton; }

}  // namespace

TInputElement::~TInputElement() {
  // The editor's notifications must not reach a half-destroyed element.
  if (FControl) {
    FControl->OnChange = nullptr;
    FControl->OnEnter = nullptr;
    FControl->OnExit = nullptr;
    FControl->OnMouseMove = nullptr;
  }
  FControl.reset();
}

void TInputElement::ParseAttribute(StringView Param, StringView Value) {
  TBaseInputElement::ParseAttribute(Param, Value);
  const String type = AsciiLowerCase(GetAttribute(u"type"));
  if (type == u"check" || type == u"checkbox") {
    InputType = itCheck;
  } else if (type == u"radio") {
    InputType = itRadio;
  } else if (type == u"button" || type == u"submit" || type == u"reset" || type == u"color") {
    InputType = itButton;
    String caption = GetAttribute(u"value");
    if (caption.empty() && type == u"submit") caption = u"Submit";
    if (caption.empty() && type == u"reset") caption = u"Reset";
    SetContent(caption);
  } else {
    InputType = itText;
  }
  if (Param == u"checked") {
    if (InputType != itRadio) InputType = itCheck;
    IncludeFlag(efChecked);
    SetPseudoClass(pcChecked, true, false);
  } else if (Param == u"disabled") {
    FDisabled = true;
  } else if (Param == u"size") {
    // Only a whole positive number: anything else would be raw CSS.
    int n = 0;
    if (TryStrToInt(Value, n) && n > 0) AddVirtualCSS2(u"width", Format(u"%dem", n));
  } else if (Param == u"value") {
    SetValue(Value);
  }
}

void TInputElement::StyleChanged(bool ForceRecalc) {
  TBaseInputElement::StyleChanged(ForceRecalc);
  if (isOwnDrawn(InputType) && Document) Document->NeedRepaint = true;
}

bool TInputElement::CalcStyle(TCSSStyleSheet* Styles) {
  if (InputType == itText) {
    const bool valid = !HasAttribute(u"required") || !GetValue().empty();
    SetPseudoClass(pcValid, valid, false);
    SetPseudoClass(pcInvalid, !valid, false);
  }
  bool result = TBaseInputElement::CalcStyle(Styles);
  if (FControl) ApplyControlStyle();
  // Printed text fields keep a frame.
  const TElementStyle* st = ElementStyleOf(this);
  if (Document && Document->Paged && InputType == itText && st && GetAttribute(u"border") != u"0" &&
      !st->BorderPresent()) {
    AddCSS(u"border: solid gray 1px", false, InlineStyleWeight);
    result = TBaseInputElement::CalcStyle(Styles) || result;
  }
  return result;
}

void TInputElement::CalcBoxes(TFlow* Flow) {
  // A replaced element laid out inline is an inline block.
  if (OwnsStyle() && DisplayOf(this) == dsInline) setStyleDisplay(dsInlineBlock);
  TBaseInputElement::CalcBoxes(Flow);
  CreateControl();
  THtLineBlock* run = FirstRun();
  if (!run) return;
  if (InputType == itText) {
    TElementStyle* st = ElementStyleOf(this);
    THtFont* font = StyleFontOf(this);
    if (st && font) run->Ascent = font->Ascent + 4 - st->BorderTopWidthPx() + PaddingTop;
  } else if (InputType == itCheck) {
    run->Ascent = run->LogicalHeight * 0.9f;
  }
}

bool TInputElement::GetIntrinsicSize(float& W, float& H, bool& KeepAspect) {
  if (InputType == itCheck || InputType == itRadio) {
    W = H = float(std::lround(14 * ZoomOf(this)));
    KeepAspect = true;
    return true;
  }
  KeepAspect = false;
  W = 150;
  if (InputType == itButton) {
    THtFont* font = StyleFontOf(this);
    const THtCanvasClass* cc = Document ? CanvasClassOrDefault(Document->CanvasClass) : nullptr;
    const String& caption = Content();
    const float text = font && cc && !caption.empty()
                           ? cc->MeasureString(caption, font, THtTextStyle::Default(), 1.0f, 1, int(caption.size()))
                           : 0.0f;
    W = float(std::lround(text + 16));
  }
  if (FControl) {
    const TElementStyle* st = ElementStyleOf(this);
    H = float(std::lround(float(FControl->Height()) / SceneScaleOf(Document))) + (st && st->BorderPresent() ? 4 : 0);
  } else {
    H = float(FontSizeInPixels(this) + 4);
  }
  return true;
}

void TInputElement::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  TElementStyle* st = ElementStyleOf(this);
  if (InputType == itRadio && st && st->IsSet(cspAppearance) && st->Appearance() != caRadio) {
    TBaseInputElement::DrawInnerElements(Flow, DI);
    return;
  }
  if (!st || !Document || !Document->Surface || DI.ZIndex != st->ZIndex) return;
  THtCanvas& g = *Document->Surface;
  THtTextStyle ts;
  ts.Reset();
  ts.RTL = st->Direction() == cdRTL;
  ts.Color = st->TextColor();
  TRectF r = Rects(0);
  r.Left += DI.CX;
  r.Right += DI.CX;
  r.Top += DI.CY + 1;
  r.Bottom += DI.CY + 1;
  const bool shown = st->Opacity() != 0;
  const bool active = HasPseudoClass(this, pcActive), hover = HasPseudoClass(this, pcHover);
  switch (InputType) {
    case itCheck:
      if (shown) DrawCheck(r);
      break;
    case itRadio:
      if (shown) DrawRadio(r);
      break;
    case itButton: {
      if (!shown) break;
      if (!st->BorderPresent() && !st->BackgroundPresent())
        g.DrawButton(r, Document->DPI(), Checked(), active, hover, GetDisabled());
      THtFont* font = st->GetFont();
      const String caption = Content();
      if (!font || caption.empty()) break;
      const float w = float(std::lround(g.ClassRefOf()->MeasureString(caption, font, ts, g.ScaleFactor(), 1,
                                                                     int(caption.size()))));
      r.Left += (r.Right - r.Left - w) / 2;
      r.Top += float(std::lround((r.Bottom - r.Top - font->LineHeight) / 2));
      g.DrawString(caption, r, font, ts, 1, int(caption.size()));
      break;
    }
    case itText:
      if (FControl) {
        if (!FControl->Visible()) FControl->SetVisible(true);
      } else if (Document->Paged) {
        THtFont* font = st->GetFont();
        const String value = GetValue();
        if (!font || value.empty()) break;
        r.Top += float(FontSizeInPixels(this)) / 16 * 3;
        g.DrawString(value, r, font, ts, 1, int(value.size()));
      }
      break;
  }
}

void TInputElement::FillBackground(const THtDrawInfo& DI) {
  const TElementStyle* st = ElementStyleOf(this);
  bool fill = false;
  switch (InputType) {
    case itButton:
      fill = true;
      break;
    case itRadio:
      fill = st && st->IsSet(cspAppearance) && st->Appearance() != caRadio;
      break;
    case itText:
      fill = st && st->BackgroundPresent();
      break;
    case itCheck:
      break;
  }
  if (fill) TBaseInputElement::FillBackground(DI);
}

void TInputElement::DrawCheck(const TRectF& R) {
  if (!Document || !Document->Surface) return;
  Document->Surface->DrawCheck(R, Document->DPI(), Checked(), HasPseudoClass(this, pcActive),
                               HasPseudoClass(this, pcHover), GetDisabled());
}

void TInputElement::DrawRadio(const TRectF& R) {
  if (!Document || !Document->Surface) return;
  Document->Surface->DrawRadio(R, Document->DPI(), Checked(), HasPseudoClass(this, pcActive),
                               HasPseudoClass(this, pcHover), GetDisabled());
}

void TInputElement::DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift) {
  TBaseInputElement::DoMouseDown(X, Y, Down, Ignore, Shift);
  if (HasAttribute(u"readonly") || Down) return;
  if ((InputType == itCheck || InputType == itRadio) && !GetDisabled()) {
    SetChecked(InputType == itCheck ? !Checked() : true);
    if (Document) {
      Document->Changed = true;
      Document->NeedRepaint = true;
    }
  } else if (FControl) {
    FControl->SetFocus();
  }
}

void TInputElement::SetChecked(bool Value) {
  if (Value) {
    IncludeFlag(efChecked);
    SetAttribute(u"checked", u"true");
  } else {
    ExcludeFlag(efChecked);
    if (THtAttributes* a = Attributes(); a && a->Indexof(u"checked") >= 0) {
      a->ClearAttr(u"checked");
      StyleChanged(false);
    }
  }
  SetPseudoClass(pcChecked, Value, false);
  // The other radios of the group: same non-empty name, radios only.
  const String name = GetAttribute(u"name");
  if (Value && InputType == itRadio && !name.empty() && Document) {
    for (THtNode* n = Document->NextNode(); n; n = n->NextNode()) {
      auto* other = dynamic_cast<TInputElement*>(n);
      if (other && other != this && other->InputType == itRadio && other->Checked() &&
          other->GetAttribute(u"name") == name)
        other->SetChecked(false);
    }
  }
  ControlChange();
}

void TInputElement::ControlChange() {
  RunImmediateEvent(u"change");
  StyleChanged(true);
  if (InputType == itText) SetAttribute(u"value", GetValue());
  if (Document) Document->Repaint();
}

String TInputElement::GetValue() {
  if (auto* picker = dynamic_cast<ui::TDateTimePicker*>(FControl.get()))
    return GetAttribute(u"type") == u"date" ? DateToStr(picker->DateTime()) : TimeToStr(picker->DateTime());
  if (auto* edit = dynamic_cast<ui::TEdit*>(FControl.get())) return edit->Text();
  if (InputType == itCheck || InputType == itRadio) return Checked() ? u"true" : u"false";
  return GetAttribute(u"value");
}

void TInputElement::SetValue(StringView Value) {
  if (auto* picker = dynamic_cast<ui::TDateTimePicker*>(FControl.get())) {
    const double old = picker->DateTime();
    if (GetAttribute(u"type") == u"time") picker->SetDateTime(std::trunc(old) + StrToTime(Value));
    else picker->SetDateTime(StrToDate(Value) + (old - std::trunc(old)));
  } else if (auto* edit = dynamic_cast<ui::TEdit*>(FControl.get())) {
    if (edit->Text() != Value) edit->SetText(Value);
  }
  SetAttribute(u"value", Value);
}

bool TInputElement::GetDisabled() {
  // A disabled text input's editor is read-only but enabled: the attribute
  // still counts.
  if (InputType == itText && FControl) return FDisabled || !FControl->Enabled();
  return FDisabled;
}

void TInputElement::SetDisabled(bool Value) {
  FDisabled = Value;
  if (InputType == itText && FControl) FControl->SetEnabled(!Value);
  if (Document) Document->Repaint();
}

}  // namespace ht
