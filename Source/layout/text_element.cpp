#include "layout/text_element.h"

namespace ht {

const THtNodeClass TTextElement::ClassType{"TTextElement", &TElement::ClassType,
                                           CreateInstance<TTextElement, THtNode>};

TTextElement::TTextElement() : TElement(false) {}

void TTextElement::ApplyTextFlag(int TextFlag, bool Value) {
  if (TextFlag < 0 || TextFlag > 15) return;
  const uint16_t bit = uint16_t(1u << TextFlag);
  TextFlags = Value ? uint16_t(TextFlags | bit) : uint16_t(TextFlags & ~bit);
}

}  // namespace ht
