#include "layout/control_element.h"

#include <cmath>
#include <cstdlib>

#include "canvas/canvas.h"
#include "document/document.h"
#include "layout/layout_style.h"
#include "markup/attributes.h"
#include "markup/str_utils.h"
#include "platform/rtl/number_text.h"
#include "platform/ui/scroll_bar.h"

namespace ht {

const THtNodeClass TControlElement::ClassType{"TControlElement", &TElement::ClassType,
                                              CreateInstance<TControlElement, THtNode>};

namespace {

String trimmed(const String& s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] <= u' ') ++a;
  while (b > a && s[b - 1] <= u' ') --b;
  return s.substr(a, b - a);
}

// A whole decimal number (an optional sign, then digits only); false for
// anything else, which leaves an integer property unset.
bool parseInteger(StringView Text, int64_t& Value) {
  const String t = trimmed(String(Text));
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
  if (i == t.size()) return false;
  uint64_t v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < u'0' || t[i] > u'9') return false;
    if (v > (uint64_t(INT64_MAX) - uint64_t(t[i] - u'0')) / 10) return false;
    v = v * 10 + uint64_t(t[i] - u'0');
  }
  Value = negative ? -int64_t(v) : int64_t(v);
  return true;
}

String withoutHyphens(StringView s) {
  String out;
  for (char16_t c : s)
    if (c != u'-') out += c;
  return out;
}

float scaleOf(const THtDocument* Doc) {
  const float s = Doc && Doc->Surface ? Doc->Surface->ScaleFactor() : 1.0f;
  return std::isfinite(s) && s > 0 ? s : 1.0f;
}

}  // namespace

TControlElement::TControlElement() {
  setStyleDisplay(dsInlineBlock);
  FControlHeight = -1;
}

TControlElement::~TControlElement() {
  IncludeFlag(efDestroying);
  // A control the element does not own stays with its owner.
  FOwned.reset();
  Control = nullptr;
}

void TControlElement::ParseAttribute(StringView Param, StringView Value) {
  TElement::ParseAttribute(Param, Value);
  if (SameTextAscii(Param, u"name")) Name = String(Value);
}

void TControlElement::CreateControl() {
  THtDocument* doc = Document;
  if (!doc || doc->Paged) return;
  ui::IHostControl* host = doc->Control;
  ui::TControl* window = host ? host->ControlWindow() : nullptr;
  if (host && host->DesignMode()) return;
  // 1. A control of the host's form with the element's name moves in; its
  // owner keeps it.
  const String name = GetAttribute(u"name");
  if (!Control && !name.empty() && window && window->Owner()) {
    if (ui::TControl* found = window->Owner()->FindControl(name)) {
      Control = found;
      found->SetParent(window);
    }
  }
  // 2. The application's own control, owned by the element.
  if (!Control && doc->OnCreateControl) {
    ui::TControl* made = nullptr;
    doc->OnCreateControl(doc, this, made);
    if (made) {
      Control = made;
      if (made->Owner()) FOwned = made->Owner()->RemoveComponent(made);
      else FOwned.reset(made);
      FOwnsControl = true;
    }
  }
  // 3. A class the host registered as hostable, and a stored-form text.
  if (!Control) {
    const String type = GetAttribute(u"type");
    std::unique_ptr<ui::TControl> made;
    if (const ui::TControlClass* cls = ui::FindHostableClass(type); cls && host && cls->Create) made = cls->Create();
    const String text = trimmed(GetRawInnerText());
    if (text.compare(0, 7, u"object ") == 0 && ui::StoredFormReader()) {
      ui::TControl* read = ui::StoredFormReader()(text, made.get());
      if (read && read != made.get()) made.reset(read);
    }
    if (made) {
      ui::TControl* c = made.get();
      if (SameTextAscii(type, u"internal") && window) {
        window->InsertComponent(std::move(made));
      } else if (window && window->Owner()) {
        window->Owner()->InsertComponent(std::move(made));
      } else {
        FOwned = std::move(made);
        FOwnsControl = true;
      }
      Control = c;
    }
  }
  if (!Control) return;
  // 4. A control without a parent belongs to the element until shown.
  if (!Control->Parent()) {
    if (!FOwnsControl && Control->Owner()) {
      FOwned = Control->Owner()->RemoveComponent(Control);
      FOwnsControl = bool(FOwned);
    }
    Control->SetVisible(false);
  }
  float px = 0;
  if (SetWidthOf(this, px) && std::isfinite(px) && std::lround(px) > 0) Control->SetWidth(int(std::lround(px)));
  if (SetHeightOf(this, px) && std::isfinite(px) && std::lround(px) > 0) Control->SetHeight(int(std::lround(px)));
  if (window) Control->SetParent(window);
  if (const THtAttributes* attrs = Attributes()) {
    const ui::TControlClass& cls = Control->ControlClass();
    for (int i = 0; i < attrs->Count; ++i) {
      const ui::TPropertyInfo* p = cls.FindProperty(attrs->GetName(i));
      if (!p) continue;
      const String& text = attrs->GetValue(i);
      ui::TPropertyValue v;
      switch (p->Kind) {
        case ui::pkInteger:
        case ui::pkInt64: {
          int64_t n = 0;
          if (!parseInteger(text, n)) continue;
          if (p->Kind == ui::pkInteger && (n < INT32_MIN || n > INT32_MAX)) continue;
          v.Int = n;
          break;
        }
        case ui::pkEnumeration: {
          const String key = withoutHyphens(text);
          int found = -1;
          for (size_t k = 0; k < p->EnumNames.size(); ++k)
            if (SameTextAscii(p->EnumNames[k], key)) found = int(k);
          if (found < 0) continue;
          v.Int = found;
          break;
        }
        case ui::pkFloat:
          v.Float = FastStrToFloat(text);
          if (!std::isfinite(v.Float)) continue;
          break;
        default:
          v.Str = text;
          break;
      }
      Control->SetProperty(p->Name, v);
    }
  }
  UpdateControlFont();
  if (doc->AfterControlCreated) doc->AfterControlCreated(this, Control);
}

void TControlElement::UpdateControlFont() {
  if (!Control) return;
  if (Control->ControlClass().HasFont) {
    const int size = int(std::lround(FontSizePxOf(this) * 72.0f / 96.0f * scaleOf(Document)));
    if (std::abs(Control->FontSize()) != size || FControlHeight == -1) Control->SetFontSize(size);
  }
  if (FControlHeight == -1 && Control->Height() >= 0) FControlHeight = Control->Height();
}

void TControlElement::CalcBoxes(TFlow* Flow) {
  if (HasFlag(efDestroying)) return;
  if (!Control && Document && !Document->Paged) {
    CreateControl();
    UpdateControlFont();
  }
  // The children (a stored-form text, say) take no part in layout.
  struct THidden {
    std::unique_ptr<THtNodeList>& Slot;
    std::unique_ptr<THtNodeList> Saved;
    ~THidden() { Slot = std::move(Saved); }
  } hidden{FNodes, std::move(FNodes)};
  TElement::CalcBoxes(Flow);
}

bool TControlElement::GetIntrinsicSize(float& Width, float& Height, bool& KeepAspect) {
  KeepAspect = false;
  if (!Control) return false;
  Width = float(Control->Width());
  Height = float(Control->Height());
  return true;
}

void TControlElement::UpdateScrollBars() {
  if (!Control) return;
  UpdateControlFont();
  const int x = GetClientLeft(), y = GetClientTop();
  float h = 0;
  if (SetHeightOf(this, h) && std::isfinite(h)) FControlHeight = int(std::lround(h));
  const float scale = scaleOf(Document);
  const int w = int(std::lround(InnerWidth * scale));
  const int ch = int(std::lround(float(FControlHeight) * scale));
  if (std::abs(Control->Left() - x) > 1 || std::abs(Control->Top() - y) > 1 || std::abs(Control->Width() - w) > 1 ||
      std::abs(Control->Height() - ch) > 1)
    Control->SetBounds(x, y, w, ch);
  if (!Control->Visible()) Control->SetVisible(true);
}

void TControlElement::HideControls() {
  if (Control && Control->Visible()) Control->SetVisible(false);
}

void TControlElement::WritePropertiesBack() {
  THtAttributes* attrs = Attributes();
  if (!Control || !attrs) return;
  const ui::TControlClass& cls = Control->ControlClass();
  for (int i = 0; i < attrs->Count; ++i) {
    const ui::TPropertyInfo* p = cls.FindProperty(attrs->GetName(i));
    ui::TPropertyValue v;
    if (!p || !Control->GetProperty(p->Name, v)) continue;
    String text;
    switch (p->Kind) {
      case ui::pkInteger:
      case ui::pkInt64:
        text = Utf8ToString(std::to_string(v.Int));
        break;
      case ui::pkEnumeration:
        if (v.Int >= 0 && size_t(v.Int) < p->EnumNames.size()) text = p->EnumNames[size_t(v.Int)];
        break;
      case ui::pkFloat:
        text = FastFloatToStr(v.Float, 15);
        for (char16_t& c : text)
          if (c == u',') c = u'.';
        break;
      default:
        text = v.Str;
        break;
    }
    attrs->SetValue(i, text);
  }
}

void TControlElement::FastInnerHTML(TFastString& FS) {
  WritePropertiesBack();
  TElement::FastInnerHTML(FS);
}

}  // namespace ht
