#pragma once
// TTextElement: a text node of the element tree (and the "br" element).
// It makes no computed style of its own: it shares its parent's. Layout
// gives it its runs and geometry.
#include <cstdint>

#include "document/element.h"

namespace ht {

class TTextElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TTextElement();
  bool IsText() const override { return true; }

  uint16_t TextFlags = 0;  // one bit per text flag 0 to 15
  // The content as it is shown (white space handled, case transformed); runs
  // index it by the same positions as the content.
  String DisplayText;

 protected:
  void ApplyTextFlag(int TextFlag, bool Value) override;
};

}  // namespace ht
