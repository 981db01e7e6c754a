// THtPanel: hints for the elements under the pointer. An element's "title"
// becomes the toolkit's tooltip; its "floathint" markup shows in the
// floating hint window (also when the panel's hints are off).
#include "document/element.h"
#include "host/float_window.h"
#include "host/html_panel.h"
#include "platform/ui/float_form.h"

namespace ht {

THtFloatWindow& THtPanel::FloatHint() {
  if (!HtFloatHint) HtFloatHint = std::make_unique<THtFloatWindow>();
  return *HtFloatHint;
}

void THtPanel::DoElementEnter(TElement* E) {
  if (fOnElementEnter) fOnElementEnter(E);
  if (!E) return;
  // No hints while a drag or a selection is under way.
  const bool left = ui::LeftButtonDown();
  const String title = E->GetAttribute(u"title");
  if (!title.empty() && !left && ShowHint) {
    FHintStr = title;
    HintElement = E;
    return;
  }
  const String markup = E->GetAttribute(u"floathint");
  if (markup.empty() || left || HintElement == E) return;
  HintElement = E;
  const TPoint p = ui::CursorPos();
  FloatHint().Show(p.X, p.Y, 200, 200, markup, E->Document, fwaNone);
}

void THtPanel::DoElementExit(TElement* E) {
  if (fOnElementExit) fOnElementExit(E);
  if (!E) return;
  if (!E->GetAttribute(u"title").empty()) FHintStr = Hint;
  if (HtFloatHint && HtFloatHint->Showing() && E == HintElement) {
    HideFloatHint();
    HintElement = nullptr;
  }
}

void THtPanel::ShowFloatHint(TElement* AElement, const String& Template, bool Animation) {
  HintElement = AElement;
  const TPoint p = ui::CursorPos();
  FloatHint().Show(p.X, p.Y, 500, 500, Template, AElement ? AElement->Document : nullptr,
                   Animation ? fwaBlend : fwaNone);
}

void THtPanel::HideFloatHint() {
  if (HtFloatHint) HtFloatHint->Hide(false);
}

void THtPanel::CMHintShow(ui::TMessage& Message) {
  auto* info = reinterpret_cast<ui::THintInfo*>(Message.LParam);
  if (FHintStr.empty() || !info) {
    Message.Result = 1;
    return;
  }
  info->HintStr = FHintStr;
  // A tip area of one pixel at the pointer: any move asks again.
  info->CursorRect = TRect{info->CursorPos.X, info->CursorPos.Y, info->CursorPos.X + 1, info->CursorPos.Y + 1};
  Message.Result = 0;
}

}  // namespace ht
