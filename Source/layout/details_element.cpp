#include "layout/details_element.h"

#include "css/css_selector.h"
#include "css/element_style_facts.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "layout/layout_style.h"
#include "markup/str_utils.h"

namespace ht {

const THtNodeClass TDetailsElement::ClassType{"TDetailsElement", &TElement::ClassType,
                                              CreateInstance<TDetailsElement, THtNode>};

bool TDetailsElement::Open() const {
  const auto* facts = ElementStyleFactsOf(Style());
  return facts && (facts->Style().CurrentPC & (1u << unsigned(pcChecked)));
}

void TDetailsElement::CalcChildBoxes(TFlow* Flow) {
  if (Open()) {
    TElement::CalcChildBoxes(Flow);
    return;
  }
  for (int i = 0; i < Count(); ++i) {
    TElement* c = AsElement(GetNodes()->Get(i));
    if (!c || c->IsText()) continue;
    if (SameTextAscii(c->Tag(), u"summary") && DisplayOf(c) != dsNone) {
      c->CalcBoxes(Flow);
      continue;
    }
    c->HideControls();
    // Hidden until the next restyle gives it its display back.
    if (auto* facts = ElementStyleFactsOf(c->Style()); facts && c->OwnsStyle()) facts->Style().SetDisplay(dsNone);
  }
}

void TDetailsElement::DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift) {
  TElement::DoMouseDown(X, Y, Down, Ignore, Shift);
  if (Down) return;
  // Through the pseudo-class setter, so that the restyle gives the hidden
  // children their display back.
  SetPseudoClass(pcChecked, !Open(), false);
  if (Document) {
    Document->NeedRecalc = true;
    Document->NeedRepaint = true;
  }
}

}  // namespace ht
