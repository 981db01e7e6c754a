#include "css/element_shadow.h"

#include "css/value_parsing.h"

namespace ht {

namespace {
bool isLength(const TCSSToken& t) {
  return t.CType == ctNumber || t.CType == ctDimension || t.CType == ctPercentage ||
         (t.CType == ctFunction && SameTextAscii(t.Name, u"calc"));
}
}  // namespace

void TElementShadow::parse(TCSSTokenSequence& Sequence, bool Box) {
  if (!Sequence.T) return;
  if (Sequence.T->CType == ctIdent && SameTextAscii(Sequence.T->Name, u"none")) return;
  TMeasure* lengths[] = {&X, &Y, &Blur};
  int count = 0;  // lengths read; the fourth, a box's spread, is dropped
  for (; Sequence.T && Sequence.T->CType != ctComma; Sequence.Next()) {
    const TCSSToken& t = *Sequence.T;
    if (isLength(t)) {
      if (count < 3) lengths[count]->Decode(Sequence);
      ++count;
      if (t.CType == ctFunction) SkipFunctionArguments(Sequence);
    } else if (Box && t.CType == ctIdent && SameTextAscii(t.Name, u"inset")) {
      Inset = true;
    } else if (t.CType == ctIdent || t.CType == ctHash || t.CType == ctFunction) {
      uint32_t color = Color;
      if (Sequence.ReadColor(color)) Color = color;
      if (t.CType == ctFunction) SkipFunctionArguments(Sequence);
    }
    if (!Sequence.T) break;
  }
  if (count < 2) return;
  if (count == 2) SetPixelValue(Blur, 0);
  Strength = 1.0f;
}

void TElementShadow::ParseBoxShadow(TCSSTokenSequence& Sequence) { parse(Sequence, true); }

void TElementShadow::ParseTextShadow(TCSSTokenSequence& Sequence) { parse(Sequence, false); }

bool TElementShadow::IsEmpty() const {
  return X.GetAuto() || Y.GetAuto() || Blur.GetAuto() || Strength == 0;
}

}  // namespace ht
