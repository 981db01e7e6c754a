#include "layout/layout_style.h"

#include <cmath>

#include "css/styled_element_link.h"

namespace ht {

namespace {

const TBaseElementStyle* styleOf(const TStyledHTMLNode* N) {
  if (!N) return nullptr;
  auto* facts = dynamic_cast<const TElementStyleFacts*>(N->Style());
  return facts ? &facts->Style() : nullptr;
}

}  // namespace

TWhiteSpace WhiteSpaceOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s ? s->WhiteSpace : wsNormal;
}

TCSSWordBreak WordBreakOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s ? s->CalculatedWordBreak : wbNormal;
}

TCSSFlexDirection FlexDirectionOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s ? s->FlexDirection() : fdRow;
}

int TextIndentOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return 0;
  int indent = s->TextIndent().ToIntPixels();
  if (s->Display() == dsListItem && s->ListStylePosition() == lspInside && s->ListStyleType() != lstNone)
    indent += 20;
  return indent;
}

bool SetWidthOf(const TStyledHTMLNode* N, float& Px, bool* Percent) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return false;
  const TMeasure w = s->Width();
  if (w.GetAuto()) return false;
  Px = w.ToPixels();
  if (!std::isfinite(Px)) return false;
  if (Percent) *Percent = w.FMUnit == muPercent;
  return true;
}

bool SetLineHeightOf(const TStyledHTMLNode* N, int& Px) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return false;
  const TMeasure lh = s->LineHeight();
  if (lh.GetAuto() || lh.Has(mfInitial)) return false;
  Px = lh.ToIntPixels();
  return true;
}

int TabIntervalOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s ? s->TabInterval().ToIntPixels() : 0;
}

}  // namespace ht
