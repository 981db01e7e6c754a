// The select element: its option lists, its combo or list box, the value
// read from the control and written back into the options.
#include "elements/select_element.h"

#include <cmath>
#include <cstdlib>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "css/style_maps.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "document/element_registry.h"
#include "elements/form_support.h"
#include "layout/layout_style.h"
#include "markup/attributes.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/sys_colors.h"
#include "platform/ui/scroll_bar.h"

namespace ht {

const THtNodeClass TSelectElement::ClassType{"TSelectElement", &TBaseInputElement::ClassType,
                                             CreateInstance<TSelectElement, THtNode>};

namespace {

bool isOption(THtNode* N) { return N && SameTextAscii(N->Tag(), u"option"); }

// The ARGB of a platform RGB colour.
uint32_t toARGB(uint32_t RGB) { return 0xFF000000u | ToPlatformColor(RGB); }

}  // namespace

// --- TInternalListBox -------------------------------------------------------------------

TInternalListBox::TInternalListBox(ui::TListBox& AListBox, float ASurfaceScale)
    : ListBox(AListBox), SurfaceScale(ASurfaceScale) {
  ListBox.OnMeasureItem = [this](int Index, int& Height) { MeasureItem(Index, Height); };
  ListBox.OnDrawItem = [this](int Index, gdi::TCanvas& Canvas, const TRect& Rect, ui::TOwnerDrawState State) {
    DrawItem(Index, Canvas, Rect, State);
  };
}

void TInternalListBox::MeasureItem(int Index, int& Height) const {
  if (Index < 0 || Index >= ListBox.Count()) return;
  try {
    THtDocument doc(nullptr, false);
    doc.FDefaultFontName = ListBox.FontName();
    doc.DefaultFontSize = float(ListBox.FontHeight());
    doc.Parse(ListBox.Items()[size_t(Index)]);
    doc.CalcSize(TRect{0, 0, std::max(ListBox.Width() - 16, 1), 1});
    Height = doc.DocumentHeight + int(std::lround(6 * SurfaceScale));
  } catch (const std::exception&) {
    // The item keeps the list box's height.
  }
}

void TInternalListBox::DrawItem(int Index, gdi::TCanvas& Canvas, const TRect& Rect, ui::TOwnerDrawState State) const {
  if (Index < 0 || Index >= ListBox.Count()) return;
  try {
    THtDocument doc(nullptr, false);
    doc.FDefaultFontName = ListBox.FontName();
    doc.DefaultFontSize = float(ListBox.FontHeight());
    if (State.Selected) {
      doc.DefaultBackgroundColor = toARGB(GetSysColor(COLOR_HIGHLIGHT));
      doc.FDefaultTextColor = toARGB(GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
      doc.DefaultBackgroundColor = ListBox.HasColor() ? toARGB(ListBox.Color()) : 0xFFFFFFFFu;
      doc.FDefaultTextColor = toARGB(ListBox.FontColor());
    }
    doc.Parse(ListBox.Items()[size_t(Index)]);
    doc.Draw(&Canvas, Rect, Rect, 0, 0, 0);
  } catch (const std::exception&) {
    // The item stays blank.
  }
}

// --- TSelectElement ---------------------------------------------------------------------

TSelectElement::~TSelectElement() {
  if (Control) {
    Control->OnChange = nullptr;
    Control->OnClick = nullptr;
  }
  if (FListBox) {
    FListBox->OnMeasureItem = nullptr;
    FListBox->OnDrawItem = nullptr;
  }
  FListDrawing.reset();
  Control.reset();
}

void TSelectElement::AfterParse() {
  TBaseInputElement::AfterParse();
  FSelectedIndex = -1;
  FValues.clear();
  FItems.clear();
  // The kind stays the one the control was made with.
  if (!Control) FIsCombo = GetAttribute(u"size").empty();
  for (int i = 0; i < Count(); ++i) {
    THtNode* n = GetNode(i);
    if (!isOption(n)) continue;
    FValues.push_back(n->GetAttribute(u"value"));
    auto* html = dynamic_cast<THtmlNode*>(n);
    FItems.push_back(html ? html->GetInnerHTML() : String());
    if (n->HasAttribute(u"selected")) FSelectedIndex = int(FItems.size()) - 1;
  }
}

void TSelectElement::AddString(StringView AName, StringView AKey) {
  FItems.emplace_back(AName);
  FValues.emplace_back(AKey.empty() ? AName : AKey);
  if (FComboBox) FComboBox->AddItem(AName);
  if (FListBox) FListBox->AddItem(AName);
  auto* option = dynamic_cast<TElement*>(AddChild(ElementClassFor(u"option")));
  if (!option) return;
  option->SetTag(u"option");
  option->SetAttribute(u"value", AKey);
  option->SetInnerText(AName);
}

void TSelectElement::SetInnerHTML(StringView S) {
  TBaseInputElement::SetInnerHTML(S);
  AfterParse();
  if (Control) {
    MeasureItems();
    AdjustControlWidth();
    FillControl();
  }
}

bool TSelectElement::CalcStyle(TCSSStyleSheet* Styles) {
  bool result = TBaseInputElement::CalcStyle(Styles);
  const TElementStyle* st = ElementStyleOf(this);
  if (Document && Document->Paged && st && GetAttribute(u"border") != u"0" && !st->BorderPresent()) {
    AddCSS(u"border: solid gray 1px", false, InlineStyleWeight);
    result = TBaseInputElement::CalcStyle(Styles) || result;
    st = ElementStyleOf(this);
  }
  MeasureItems();
  if (FListBox && st) {
    const ui::TBorderStyle b = st->BorderPresent() || GetAttribute(u"border") == u"0" ? ui::bsNone : ui::bsSingle;
    if (FListBox->BorderStyle() != b) FListBox->SetBorderStyle(b);
  }
  return result;
}

void TSelectElement::MeasureItems() {
  FMaxItemWidth = 0;
  THtFont* font = StyleFontOf(this);
  const THtCanvasClass* cc = Document ? CanvasClassOrDefault(Document->CanvasClass) : nullptr;
  if (!font || !cc) return;
  for (const String& item : FItems) {
    if (item.empty()) continue;
    const float w = cc->MeasureString(item, font, THtTextStyle::Default(), 1.0f, 1, int(item.size()));
    if (std::isfinite(w)) FMaxItemWidth = std::max(FMaxItemWidth, int(std::ceil(std::fmin(w, 1e9f))));
  }
}

void TSelectElement::CalcBoxes(TFlow* Flow) {
  if (OwnsStyle() && DisplayOf(this) == dsInline) setStyleDisplay(dsInlineBlock);
  CreateControl();
  TBaseInputElement::CalcBoxes(Flow);
  if (THtLineBlock* run = FirstRun()) run->Ascent = (run->LogicalHeight - 4) * 0.7f + 2;
}

void TSelectElement::CreateControl() {
  if (!Control) FIsCombo = GetAttribute(u"size").empty();
  float w = 0;
  ContentWidth = SetWidthOf(this, w) && std::isfinite(w) ? float(int(w)) : float(FMaxItemWidth);
  THtDocument* doc = Document;
  const int f = FontSizeInPixels(this);
  const auto fontPoints = [&] {
    return ScaleToDevice(doc, float(f) * 72.0f / float(ui::TFormControl::PixelsPerInch));
  };
  if (!Control && doc && doc->Control) {
    if (doc->Control->DesignMode()) return;
    const float scale = SceneScaleOf(doc);
    if (FIsCombo) {
      Control = doc->Control->CreateFormControl(ui::fkComboBox);
      FComboBox = dynamic_cast<ui::TComboBox*>(Control.get());
      if (!FComboBox) {
        Control.reset();
        return;
      }
      Control->SetVisible(false);
      Control->OnChange = [this] { ControlChange(); };
    } else {
      Control = doc->Control->CreateFormControl(ui::fkListBox);
      FListBox = dynamic_cast<ui::TListBox*>(Control.get());
      if (!FListBox) {
        Control.reset();
        return;
      }
      FListDrawing = std::make_unique<TInternalListBox>(*FListBox, scale);
      Control->SetVisible(true);
      Control->OnClick = [this] { ControlChange(); };
      if (HasAttribute(u"multiple")) FListBox->SetMultiSelect(true);
    }
    ui::TFormControl& c = *Control;
    if (const TElementStyle* st = ElementStyleOf(this)) c.SetFontName(st->FontFamily());
    c.SetFontSize(fontPoints());
    const TRectF inner = InnerRect();
    const int l = int(std::lround(SurfaceLeft() + inner.Left));
    const float t = SurfaceTop() + inner.Top;
    const int width = int(std::lround(std::fmin(ContentWidth, float(ui::MaxControlExtent))));
    if (FComboBox) {
      c.SetBounds(l, int(std::lround(t)) + f / 4, width, c.Height());
    } else {
      // A size that is not a whole positive number leaves the platform's height.
      int size = 0;
      const int height = TryStrToInt(GetAttribute(u"size"), size) && size > 0
                             ? ScaleToDevice(doc, float(f) * float(size))
                             : c.Height();
      c.SetBounds(l, int(std::lround(t + float(f) / 4)), width, height);
    }
    if (GetAttribute(u"border") == u"0") c.SetBorderStyle(ui::bsNone);
    FillControl();
    if (doc->AfterControlCreated) doc->AfterControlCreated(this, Control.get());
  }
  if (Control) {
    if (Control->FontSize() != fontPoints()) Control->SetFontSize(fontPoints());
    ContentHeight = float(std::lround(float(Control->Height()) / SceneScaleOf(doc)));
  }
}

void TSelectElement::FillControl() {
  if (FComboBox) {
    FComboBox->SetDropDownCount(20);
    FComboBox->SetItems(FItems);
    if (FSelectedIndex != -1) FComboBox->SetItemIndex(FSelectedIndex);
  } else if (FListBox) {
    FListBox->SetItems(FItems);
    if (FListBox->MultiSelect()) {
      int index = 0;
      for (int i = 0; i < Count(); ++i) {
        THtNode* n = GetNode(i);
        if (!isOption(n)) continue;
        if (n->HasAttribute(u"selected")) FListBox->SetSelected(index, true);
        ++index;
      }
    } else if (FSelectedIndex != -1) {
      FListBox->SetItemIndex(FSelectedIndex);
    }
  }
}

void TSelectElement::AdjustControlWidth() {
  float w = 0;
  if (!Control || SetWidthOf(this, w)) return;
  int width = ScaleToDevice(Document, float(FMaxItemWidth + 24));
  float maxW = 0;
  const TElementStyle* st = ElementStyleOf(this);
  const bool percent = st && st->MaxWidth().FMUnit == muPercent;
  if (SetMaxWidthOf(this, maxW) && (!percent || (Container && (Container->SizeFlags & sfWidthDefinite))) &&
      std::isfinite(maxW))
    width = std::min(width, ScaleToDevice(Document, maxW));
  if (width != Control->Width()) Control->SetWidth(width);
}

bool TSelectElement::GetIntrinsicSize(float& W, float& H, bool& KeepAspect) {
  KeepAspect = false;
  if (Control) {
    AdjustControlWidth();
    const float scale = SceneScaleOf(Document);
    W = float(std::lround(float(Control->Width()) / scale));
    H = float(std::lround(float(Control->Height()) / scale)) + 2;
  } else {
    W = Container ? float(std::lround(Container->InnerWidth)) : 0.0f;
    H = FListBox ? float(20 * FListBox->Count()) : 0.0f;
  }
  return true;
}

void TSelectElement::UpdateScrollBars() {
  if (LineBlocks.Count() == 0 || !Control) return;
  ui::TFormControl& c = *Control;
  const int x = GetClientLeft(), y = GetClientTop();
  const int points = ScaleToDevice(Document, float(FontSizeInPixels(this)) * 72.0f / float(ui::TFormControl::PixelsPerInch));
  if (c.FontSize() != points) c.SetFontSize(points);
  if (FListBox) FListBox->SetItemHeight(c.FontHeight());
  if (std::abs(x - c.Left()) > 1 || std::abs(y - c.Top()) > 1)
    c.SetBounds(x, y, ScaleToDevice(Document, InnerWidth), c.Height());
  if (Visible() && !c.Visible()) c.SetVisible(true);
  else if (!Visible() && c.Visible()) c.SetVisible(false);
}

void TSelectElement::HideControls() {
  // Under display none the control hides as the input's editor does.
  TBaseInputElement::HideControls();
  if (Control && Control->Visible()) Control->SetVisible(false);
}

void TSelectElement::ControlChange() {
  RunImmediateEvent(u"change");
  StyleChanged(true);
  const String v = GetValue();
  for (int i = 0; i < Count(); ++i) {
    THtNode* n = GetNode(i);
    if (!isOption(n)) continue;
    if (THtAttributes* a = n->Attributes(); a && a->Indexof(u"selected") >= 0) {
      if (auto* e = dynamic_cast<TElement*>(n)) {
        a->ClearAttr(u"selected");
        e->StyleChanged(false);
      }
    }
    if (n->GetAttribute(u"value") == v) n->SetAttribute(u"selected", u"true");
  }
  if (Document) Document->Repaint();
}

String TSelectElement::GetValue() {
  if (FComboBox) {
    const int i = FComboBox->ItemIndex();
    if (i < 0) return String();
    const String v = i < int(FValues.size()) ? FValues[size_t(i)] : String();
    return v.empty() ? FComboBox->Text() : v;
  }
  if (FListBox) {
    if (FListBox->MultiSelect()) {
      String out;
      bool first = true;
      for (int i = 0; i < FListBox->Count() && i < int(FValues.size()); ++i) {
        if (!FListBox->Selected(i)) continue;
        if (!first) out += u',';
        out += FValues[size_t(i)];
        first = false;
      }
      return out;
    }
    const int i = FListBox->ItemIndex();
    if (i < 0) return String();
    const String v = i < int(FValues.size()) ? FValues[size_t(i)] : String();
    return v.empty() && i < FListBox->Count() ? FListBox->Items()[size_t(i)] : v;
  }
  return String();
}

void TSelectElement::SetValue(StringView Value) {
  FSelectedIndex = -1;
  for (size_t i = 0; i < FValues.size(); ++i)
    if (SameTextAscii(FValues[i], Value)) {
      FSelectedIndex = int(i);
      break;
    }
  if (FComboBox) FComboBox->SetItemIndex(FSelectedIndex);
}

bool TSelectElement::GetDisabled() { return Control && !Control->Enabled(); }

void TSelectElement::SetDisabled(bool Value) {
  if (Control) Control->SetEnabled(!Value);
}

String TSelectElement::GetDisplayValue() {
  return FSelectedIndex >= 0 && FSelectedIndex < int(FItems.size()) ? FItems[size_t(FSelectedIndex)] : String();
}

void TSelectElement::ScrolltoBottom() {
  if (FListBox) FListBox->SetItemIndex(FListBox->Count() - 1);
}

void TSelectElement::Focus() {
  TBaseInputElement::Focus();
  if (Control) Control->SetFocus();
}

void TSelectElement::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  (void)Flow;
  if (!Document || !Document->Paged || !Document->Surface) return;
  TElementStyle* st = ElementStyleOf(this);
  THtFont* font = st ? st->GetFont() : nullptr;
  const String text = GetDisplayValue();
  if (!font || text.empty()) return;
  TRectF r = InnerRect();
  r.Left += DI.CX + 1;
  r.Right += DI.CX + 1;
  r.Top += DI.CY + 1;
  r.Bottom += DI.CY + 1;
  THtTextStyle ts;
  ts.RTL = st->Direction() == cdRTL;
  ts.Color = st->TextColor();
  Document->Surface->DrawString(text, r, font, ts, 1, int(text.size()));
}

}  // namespace ht
