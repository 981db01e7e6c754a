#include "layout/layout_style.h"

#include <algorithm>
#include <cmath>

#include "css/styled_element_link.h"
#include "document/computed_style.h"
#include "document/element.h"

namespace ht {

namespace {

const TBaseElementStyle* styleOf(const TStyledHTMLNode* N) {
  if (!N) return nullptr;
  auto* facts = (N->Style() ? N->Style()->AsElementStyleFacts() : nullptr);
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

TBoxSizing BoxSizingOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s ? s->BoxSizing() : bsContentbox;
}

bool SetHeightOf(const TStyledHTMLNode* N, float& Px, bool* Percent) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return false;
  const TMeasure h = s->Height();
  if (h.GetAuto()) return false;
  Px = h.ToPixels();
  if (!std::isfinite(Px)) return false;
  if (Percent) *Percent = h.FMUnit == muPercent;
  return true;
}

bool SetInsetOf(const TStyledHTMLNode* N, int Side, float& Px) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return false;
  const TMeasure m = Side == 0 ? s->Top() : Side == 1 ? s->Right() : Side == 2 ? s->Bottom() : s->Left();
  if (m.GetAuto()) return false;
  Px = m.ToPixels();
  return std::isfinite(Px);
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

bool FixedMaxWidthOf(const TStyledHTMLNode* N, float& Px) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return false;
  const TMeasure m = s->MaxWidth();
  if (m.GetAuto() || m.FMUnit == muPercent) return false;
  Px = m.ToPixels();
  return std::isfinite(Px);
}

bool HasTabStops(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s && s->TabStops() != nullptr;
}

namespace {

bool setMeasure(const TMeasure& m, float& Px) {
  if (m.GetAuto()) return false;
  Px = m.ToPixels();
  return std::isfinite(Px);
}

}  // namespace

bool SetMaxWidthOf(const TStyledHTMLNode* N, float& Px) {
  const TBaseElementStyle* s = styleOf(N);
  return s && setMeasure(s->MaxWidth(), Px);
}

bool SetMaxHeightOf(const TStyledHTMLNode* N, float& Px) {
  const TBaseElementStyle* s = styleOf(N);
  return s && setMeasure(s->MaxHeight(), Px);
}

float ZoomOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s && std::isfinite(s->Zoom) && s->Zoom > 0 ? s->Zoom : 1.0f;
}

namespace {

float finitePx(float v) { return std::isfinite(v) && v > 0 ? v : 0.0f; }

}  // namespace

bool TextValuesOf(const TStyledHTMLNode* N, TTextValues& V) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return false;
  const TMeasure fs = s->FontSize();
  V.FontSizePx = finitePx(fs.ToPixels());
  V.RelativeFont = fs.FMUnit == muPercent || fs.FMUnit == muVW || fs.FMUnit == muVH;
  V.Transform = s->TextTransform();
  V.WordSpacing = std::isfinite(s->WordSpacing().ToPixels()) ? s->WordSpacing().ToPixels() : 0.0f;
  V.LetterSpacing = std::isfinite(s->LetterSpacing().ToPixels()) ? s->LetterSpacing().ToPixels() : 0.0f;
  if (s->WordSpacing().GetAuto()) V.WordSpacing = 0;
  if (s->LetterSpacing().GetAuto()) V.LetterSpacing = 0;
  V.RTL = s->Direction() == cdRTL;
  V.Overflow = s->TextOverflow();
  V.WritingMode = s->WritingMode();
  V.DecorationStyle = s->TextDecorationStyle();
  V.VAlign = s->VerticalAlign();
  V.Display = s->Display();
  return true;
}

TVAlign VAlignOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s ? s->VerticalAlign() : vaBaseLine;
}

float FontSizePxOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  return s ? finitePx(s->FontSize().ToPixels()) : 0.0f;
}

bool RelativeFontOf(const TStyledHTMLNode* N) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return false;
  const TMeasureUnit u = s->FontSize().FMUnit;
  return u == muPercent || u == muVW || u == muVH;
}

THtFont* StyleFontOf(const TStyledHTMLNode* N) {
  TElementStyle* s = ElementStyleOf(N);
  if (!s) return nullptr;
  const float px = s->FontSize().ToPixels();
  if (!std::isfinite(px) || px < 0) return nullptr;
  return s->GetFont();
}

THtFont* LayoutFontOf(TElement* E) {
  if (!E) return nullptr;
  if (E->FLayoutFontKept) return E->FLayoutFont;
  E->FLayoutFont = StyleFontOf(E);
  E->FLayoutFontKept = !RelativeFontOf(E);
  return E->FLayoutFont;
}

float TextLineHeightOf(const TStyledHTMLNode* N, float FontLineHeight) {
  const TBaseElementStyle* s = styleOf(N);
  if (!s) return FontLineHeight;
  const TMeasure lh = s->LineHeight();
  if (lh.GetAuto() || lh.Has(mfInherit) || lh.Has(mfInitial)) return FontLineHeight;
  float v = lh.FMUnit == muNone && !lh.Calc ? lh.FValue * FontLineHeight : float(lh.ToIntPixels());
  if (!std::isfinite(v)) v = 0;
  return std::max(v, FontLineHeight);
}

}  // namespace ht
