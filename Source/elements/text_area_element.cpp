// The text area: its memo made, sized from "cols" and "rows", placed over
// the content box before every paint, and its edits raised as "change".
#include "elements/text_area_element.h"

#include <cmath>
#include <cstdlib>

#include "document/computed_style.h"
#include "document/document.h"
#include "elements/form_support.h"
#include "layout/layout_style.h"
#include "platform/ui/scroll_bar.h"

namespace ht {

const THtNodeClass TTextAreaElement::ClassType{"TTextAreaElement", &TBaseInputElement::ClassType,
                                               CreateInstance<TTextAreaElement, THtNode>};

namespace {

int memoFontPoints(const TElement* E) {
  return ScaleToDevice(E->Document, float(FontSizeInPixels(E)) * 72.0f / float(ui::TFormControl::PixelsPerInch));
}

}  // namespace

TTextAreaElement::~TTextAreaElement() {
  if (Control) Control->OnChange = nullptr;
  Control.reset();
}

void TTextAreaElement::CalcBoxes(TFlow* Flow) {
  if (OwnsStyle() && DisplayOf(this) == dsInline) setStyleDisplay(dsInlineBlock);
  CreateControl();
  // The text children are the memo's first text, not laid out.
  struct THidden {
    std::unique_ptr<THtNodeList>& Slot;
    std::unique_ptr<THtNodeList> Saved;
    ~THidden() { Slot = std::move(Saved); }
  } hidden{FNodes, std::move(FNodes)};
  TBaseInputElement::CalcBoxes(Flow);
}

void TTextAreaElement::CreateControl() {
  THtDocument* doc = Document;
  if (Control || !doc || !doc->Control || doc->Control->DesignMode()) return;
  std::unique_ptr<ui::TFormControl> made = doc->Control->CreateFormControl(ui::fkMemo);
  auto* memo = dynamic_cast<ui::TMemo*>(made.get());
  if (!memo) return;
  made.release();
  Control.reset(memo);
  memo->OnChange = [this] { ControlChange(); };
  memo->SetVisible(true);
  const TRectF inner = InnerRect();
  memo->SetBounds(int(std::lround(SurfaceLeft() + inner.Left)), int(std::lround(SurfaceTop() + inner.Top)),
                  int(std::lround(std::fmin(ContentWidth, float(ui::MaxControlExtent)))), memo->Height());
  const TElementStyle* st = ElementStyleOf(this);
  if (st) memo->SetFontName(st->FontFamily());
  const int f = FontSizeInPixels(this);
  memo->SetFontSize(memoFontPoints(this));
  memo->SetScrollBars(st && st->OverflowY() == eoHidden ? ui::ssNone : ui::ssVertical);
  if (GetAttribute(u"border") == u"0") memo->SetBorderStyle(ui::bsNone);
  // Sizes are bounded by the control's range (SetBounds clamps them).
  if (const String& cols = GetAttribute(u"cols"); !cols.empty()) {
    FCols = TryStrToInt(cols, FCols) ? FCols : 0;
    if (FCols > 0) memo->SetWidth(int(std::lround(std::fmin(double(f) * FCols * 0.5, ui::MaxControlExtent))));
  }
  if (const String& rows = GetAttribute(u"rows"); !rows.empty()) {
    FRows = TryStrToInt(rows, FRows) ? FRows : 0;
    if (FRows > 0) memo->SetHeight(int(std::fmin(double(f) * FRows, ui::MaxControlExtent)));
  }
  String text;
  for (int i = 0; i < Count(); ++i)
    if (auto* n = dynamic_cast<TStyledHTMLNode*>(GetNode(i)); n && n->IsText()) text += n->Content();
  memo->SetText(text);
  if (doc->AfterControlCreated) doc->AfterControlCreated(this, memo);
}

bool TTextAreaElement::GetIntrinsicSize(float& W, float& H, bool& KeepAspect) {
  KeepAspect = false;
  if (!Control) {
    W = H = 0;
    return true;
  }
  AdjustControlWidth();
  const float scale = SceneScaleOf(Document);
  W = float(std::lround(float(Control->Width()) / scale));
  H = float(std::lround(float(Control->Height()) / scale)) + 2;
  return true;
}

void TTextAreaElement::UpdateScrollBars() {
  if (!Control) return;
  ui::TMemo& c = *Control;
  if (const int points = memoFontPoints(this); c.FontSize() != points) c.SetFontSize(points);
  const int x = GetClientLeft(), y = GetClientTop();
  if (std::abs(x - c.Left()) > 1 || std::abs(y - c.Top()) > 1)
    c.SetBounds(x, y, ScaleToDevice(Document, InnerWidth), c.Height());
  const TElementStyle* st = ElementStyleOf(this);
  const bool shown = Visible() && (!st || st->Opacity() != 0);
  if (shown && !c.Visible()) c.SetVisible(true);
  else if (!shown && c.Visible()) c.SetVisible(false);
}

void TTextAreaElement::HideControls() {
  // Under display none the memo hides as the input's editor does.
  TBaseInputElement::HideControls();
  if (Control && Control->Visible()) Control->SetVisible(false);
}

void TTextAreaElement::ControlChange() { RunImmediateEvent(u"change"); }

String TTextAreaElement::GetValue() { return Control ? Control->Text() : String(); }

void TTextAreaElement::SetValue(StringView Value) {
  if (Control && Control->Text() != Value) Control->SetText(Value);
}

bool TTextAreaElement::GetDisabled() { return Control && !Control->Enabled(); }

void TTextAreaElement::SetDisabled(bool Value) {
  if (Control) Control->SetEnabled(!Value);
}

void TTextAreaElement::Focus() {
  TBaseInputElement::Focus();
  if (Control) Control->SetFocus();
}

}  // namespace ht
