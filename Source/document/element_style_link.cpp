// The element's side of its computed style, apart from the document so
// that the style's declarations stay out of the drawing headers.
#include "css/styled_element_link.h"
#include "document/computed_style.h"
#include "document/element.h"

namespace ht {

void TElement::takeStyleFromParent(TElement* Child) {
  if (!Child->FStyle || Child->IsText()) {
    Child->shareStyleOf(this);
    return;
  }
  if (!StyleCalculated()) return;
  auto* own = ElementStyleFactsOf(FStyle.get());
  auto* childStyle = ElementStyleFactsOf(Child->FStyle.get());
  if (own && childStyle && Child->OwnsStyle()) childStyle->Style().Inherit(own->Style());
}

const TElementStyleClass* TElement::StyleClass() const { return &ElementStyleClass; }

void TElement::UpdateFontSize() {
  if (!FStyle || !OwnsStyle()) return;
  if (auto* facts = ElementStyleFactsOf(FStyle.get()))
    facts->Style().IntFontSize = facts->Style().FontSize().ToPixels();
}

void TElement::ResetStyle() {
  TStyledHTMLNode::ResetStyle();
  FLayoutFontKept = false;
  TElement* bodyNode = bodyElement();
  if (!bodyNode || bodyNode == this) return;
  auto* own = ElementStyleFactsOf(FStyle.get());
  auto* body = ElementStyleFactsOf(bodyNode->FStyle.get());
  if (own && body && OwnsStyle()) own->Style().CalculatedTextStyle = body->Style().CalculatedTextStyle;
}

void TElement::setStyleDisplay(TDisplayStyle Value) {
  if (auto* own = ElementStyleFactsOf(FStyle.get()); own && OwnsStyle()) own->Style().SetDisplay(Value);
}

void TElement::setStyleFontSize(float Px) {
  if (auto* own = ElementStyleFactsOf(FStyle.get()); own && OwnsStyle()) own->Style().IntFontSize = Px;
}

}  // namespace ht
