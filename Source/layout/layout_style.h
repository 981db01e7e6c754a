#pragma once
// Layout's view of a node's computed style, as plain values. The computed
// style's header and the drawing surface's headers each declare their own
// font-style set, so layout code that measures text reads style only here.
#include "css/css_keywords.h"
#include "css/styled_node.h"

namespace ht {
class TElement;
class THtFont;
}

namespace ht {

inline TDisplayStyle DisplayOf(const TStyledHTMLNode* N) {
  return N && N->Style() ? N->Style()->Display() : dsInline;
}

inline bool IsInlineLevelDisplay(TDisplayStyle d) {
  return d == dsInline || d == dsInlineBlock || d == dsInlineFlex || d == dsInlineTable;
}

inline bool IsBlockLevelDisplay(TDisplayStyle d) {
  return d == dsBlock || d == dsTable || d == dsTableRow || d == dsTableRowGroup || d == dsListItem || d == dsFlex;
}

// The node's own float is set and not none (footnotes included).
inline bool IsFloated(const TStyledHTMLNode* N) { return N && N->Style() && N->Style()->Float() != fNone; }

// Computed values; the defaults of a node without a computed style.
TWhiteSpace WhiteSpaceOf(const TStyledHTMLNode* N);         // wsNormal
TCSSWordBreak WordBreakOf(const TStyledHTMLNode* N);        // wbNormal
TCSSFlexDirection FlexDirectionOf(const TStyledHTMLNode* N);  // fdRow
// text-indent in whole pixels, plus room for a marker drawn inside the
// first line of a list item.
int TextIndentOf(const TStyledHTMLNode* N);
// The width when set (not auto), in pixels; Percent tells a percentage.
bool SetWidthOf(const TStyledHTMLNode* N, float& Px, bool* Percent = nullptr);
// The line height in whole pixels when set (neither auto nor initial).
bool SetLineHeightOf(const TStyledHTMLNode* N, int& Px);
int TabIntervalOf(const TStyledHTMLNode* N);
// The max-width in pixels when set and neither auto nor a percentage.
bool FixedMaxWidthOf(const TStyledHTMLNode* N, float& Px);
// box-sizing; content-box without a style.
TBoxSizing BoxSizingOf(const TStyledHTMLNode* N);
// The height when set (not auto), in pixels; Percent tells a percentage.
bool SetHeightOf(const TStyledHTMLNode* N, float& Px, bool* Percent = nullptr);
// An inset (0 top, 1 right, 2 bottom, 3 left) in pixels when set.
bool SetInsetOf(const TStyledHTMLNode* N, int Side, float& Px);
bool HasTabStops(const TStyledHTMLNode* N);
// max-width / max-height in pixels when set (not auto), whatever the unit.
bool SetMaxWidthOf(const TStyledHTMLNode* N, float& Px);
bool SetMaxHeightOf(const TStyledHTMLNode* N, float& Px);
// The style's zoom; 1 without a style.
float ZoomOf(const TStyledHTMLNode* N);

// What a text element reads of its (shared) style to make and measure runs.
struct TTextValues {
  float FontSizePx = 0;  // finite, never negative
  bool RelativeFont = false;  // percent, vw or vh: resolved on every box building
  TCSSTextTransform Transform = cttNone;
  float WordSpacing = 0, LetterSpacing = 0;
  bool RTL = false;
  TCSSTextOverflow Overflow = toClip;
  TCSSWritingMode WritingMode = wmHorizontalTB;
  TCSSTextDecorationStyle DecorationStyle = tsSolid;
  TVAlign VAlign = vaBaseLine;
  TDisplayStyle Display = dsInline;
};
// False for a node without a computed style (V keeps its defaults).
bool TextValuesOf(const TStyledHTMLNode* N, TTextValues& V);
// Single values of the same, for the passes that run over every box and
// need one of them: reading the whole set walks the inherited properties.
TVAlign VAlignOf(const TStyledHTMLNode* N);         // vaBaseLine
float FontSizePxOf(const TStyledHTMLNode* N);       // finite, never negative
bool RelativeFontOf(const TStyledHTMLNode* N);
// The font of the node's style from the document's collection; null
// without a style, a document or a usable size.
THtFont* StyleFontOf(const TStyledHTMLNode* N);
// The same for the passes over every box: kept on the element until its
// next style pass, except for a relative font size (asked again each time,
// as a text does).
THtFont* LayoutFontOf(TElement* E);
// The used line height of text: auto, inherit and initial give the font's
// line height, a number multiplies it, a length is rounded to pixels; never
// below the font's line height.
float TextLineHeightOf(const TStyledHTMLNode* N, float FontLineHeight);

}  // namespace ht
