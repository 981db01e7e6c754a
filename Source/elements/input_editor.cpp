// The native editor of a text-like input: made at the first box
// computation on screen, set up from the attributes and the computed
// style, placed over the content box before every paint, and its focus and
// change notifications turned into element events.
#include <cmath>
#include <cstdlib>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "elements/form_support.h"
#include "elements/input_element.h"
#include "platform/ui/scroll_bar.h"

namespace ht {

namespace {

// The attribute as an integer, Fallback when it is not one.
int intAttribute(const TElement& E, StringView Name, int Fallback) {
  int v = 0;
  return TryStrToInt(E.GetAttribute(Name), v) ? v : Fallback;
}

}  // namespace

ui::TFormControlKind TInputElement::editorKind() const {
  // The raw attribute, compared exactly: "Date" makes an edit box.
  const String& type = GetAttribute(u"type");
  if (type == u"date" || type == u"time") return ui::fkDateTimePicker;
  if (type == u"number") return ui::fkNumberBox;
  return ui::fkEdit;
}

void TInputElement::CreateControl() {
  THtDocument* doc = Document;
  if (InputType != itText || FControl || !doc || !doc->Control || doc->Control->DesignMode() || doc->Paged) return;
  std::unique_ptr<ui::TFormControl> made = doc->Control->CreateFormControl(editorKind());
  if (!made) return;
  FControl = std::move(made);
  ui::TFormControl& c = *FControl;
  c.SetVisible(false);
  ApplyControlStyle();
  const TRectF inner = InnerRect();
  c.SetBounds(int(std::lround(SurfaceLeft() + inner.Left)), int(std::lround(SurfaceTop() + inner.Top)),
              int(std::lround(std::fmin(ContentWidth, float(ui::MaxControlExtent)))), c.Height());
  c.OnChange = [this] { ControlChange(); };
  c.OnEnter = [this] { ControlEnter(); };
  c.OnExit = [this] { ControlExit(); };
  TElementStyle* st = ElementStyleOf(this);
  auto* number = dynamic_cast<ui::TNumberBox*>(&c);
  auto* picker = dynamic_cast<ui::TDateTimePicker*>(&c);
  if (auto* edit = dynamic_cast<ui::TEdit*>(&c); edit && !number) {
    if (st) edit->SetFontColor(ToPlatformColor(st->TextColor()));
    if (GetAttribute(u"border") == u"0") edit->SetBorderStyle(ui::bsNone);
    if (GetAttribute(u"type") == u"password") edit->SetPasswordChar(u'*');
    if (const String& hint = GetAttribute(u"placeholder"); !hint.empty()) edit->SetTextHint(hint);
    const THAlign align = st ? st->TextAlign() : thStart;
    if (align == thCenter) edit->SetAlignment(ui::taCenter);
    else if (align == thRight) edit->SetAlignment(ui::taRightJustify);
    // A maxlength that is not a whole number is ignored.
    int maxLength = 0;
    if (TryStrToInt(GetAttribute(u"maxlength"), maxLength) && maxLength > 0) edit->SetMaxLength(maxLength);
  }
  if (number) {
    if (GetAttribute(u"valuetype") == u"float") number->SetMode(ui::nbmFloat);
    if (!GetAttribute(u"decimaldigits").empty()) number->SetDecimal(intAttribute(*this, u"decimaldigits", 2));
    if (!GetAttribute(u"maxvalue").empty()) number->SetMaxValue(intAttribute(*this, u"maxvalue", 1000));
    if (!GetAttribute(u"minvalue").empty()) number->SetMinValue(intAttribute(*this, u"minvalue", 0));
  }
  if (auto* edit = dynamic_cast<ui::TEdit*>(&c)) {
    edit->SetText(GetAttribute(u"value"));
    if (HasAttribute(u"disabled")) edit->SetReadOnly(true);
  } else if (picker) {
    if (GetAttribute(u"type") == u"time") picker->SetKind(ui::dtkTime);
    const String value = GetAttribute(u"value");
    if (!value.empty()) {
      try {
        picker->SetDateTime(picker->Kind() == ui::dtkTime ? StrToTime(value) : StrToDate(value));
      } catch (const EConvertError&) {
        // The picker keeps its default.
      }
    }
  }
  if (doc->AfterControlCreated) doc->AfterControlCreated(this, FControl.get());
}

void TInputElement::ApplyControlStyle() {
  if (!FControl) return;
  ui::TFormControl& c = *FControl;
  const int f = FontSizeInPixels(this);
  const int points = ScaleToDevice(Document, float(f) * 72.0f / float(ui::TFormControl::PixelsPerInch));
  if (c.FontSize() != points) c.SetFontSize(points);
  TElementStyle* st = ElementStyleOf(this);
  if (!st) return;
  if (const String family = st->FontFamily(); c.FontName() != family) c.SetFontName(family);
  if (!dynamic_cast<ui::TEdit*>(&c) || dynamic_cast<ui::TNumberBox*>(&c)) return;
  if (st->BackgroundPresent()) {
    const uint32_t color = ToPlatformColor(st->BackgroundColor());
    if (!c.HasColor() || c.Color() != color) c.SetColor(color);
  }
  if (st->BorderPresent()) {
    // The engine draws the CSS border around a borderless editor.
    c.SetBorderStyle(ui::bsNone);
    c.SetHeight(c.FontHeight() + 4);
  } else if (GetAttribute(u"border") != u"0") {
    c.SetBorderStyle(ui::bsSingle);
  }
}

void TInputElement::UpdateScrollBars() {
  if (LineBlocks.Count() == 0) return;
  FControlScale = SceneScaleOf(Document);
  if (!FControl) return;
  ui::TFormControl& c = *FControl;
  const int x = GetClientLeft(), y = GetClientTop();
  const int w = ScaleToDevice(Document, InnerWidth);
  // A pixel of difference is rounding: moving back and forth would flicker.
  if (std::abs(x - c.Left()) > 1 || std::abs(y - c.Top()) > 1 || std::abs(c.Width() - w) > 1)
    c.SetBounds(x, y, w, c.Height());
  // The box reaches down to the editor's real height.
  OuterRect.Bottom = InnerRect().Top + float(c.Height()) / FControlScale + PaddingBottom + MarginBottom + BorderBottom;
  if (Visible() && !c.Visible()) c.SetVisible(true);
  else if (!Visible() && c.Visible()) c.SetVisible(false);
}

void TInputElement::HideControls() {
  TBaseInputElement::HideControls();
  if (FControl && FControl->Visible()) FControl->SetVisible(false);
}

void TInputElement::Focus() {
  TBaseInputElement::Focus();
  if (FControl) FControl->SetFocus();
}

bool TInputElement::Focused() const { return FControl && FControl->Focused(); }

void TInputElement::setFocusState(bool Add, StringView Event) {
  SetPseudoClass(pcFocus, Add, false);
  for (TElement* p = Parent(); p; p = p->Parent()) p->SetPseudoClass(pcFocusWithin, Add, false);
  if (Document) Document->Repaint();
  RunImmediateEvent(Event);
}

void TInputElement::ControlEnter() { setFocusState(true, u"focus"); }

void TInputElement::ControlExit() { setFocusState(false, u"blur"); }

}  // namespace ht
