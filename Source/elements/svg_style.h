#pragma once
// The computed style of SVG elements: the paint and geometry values of the
// SVG presentation properties kept as fields, beside the ordinary computed
// style. The sixteen SVG properties join the property registry at the
// elements unit's start-up, before any sheet is parsed, so value
// preparation finds them like any other property.
//
// Position measures (x, y, dx, dy, offset, stroke-dashoffset) have no
// percentage base: a percentage there is 0 pixels.
#include <cstdint>
#include <memory>

#include "canvas/pen.h"
#include "css/css_keywords.h"
#include "document/computed_style.h"
#include "platform/rtl/enum_table.h"

namespace ht {

#define HT_TEXT_ANCHOR_VALUES(X) X(taStart) X(taEnd) X(taMiddle)
HT_ENUM(THtTextAnchor, uint8_t, HT_TEXT_ANCHOR_VALUES);
#define HT_FILL_RULE_VALUES(X) X(frNonZero) X(frEvenOdd)
HT_ENUM(THtFillRule, uint8_t, HT_FILL_RULE_VALUES);
#define HT_SVG_DOMINANT_BASELINE_VALUES(X) X(dbAuto) X(dbAlphabetic) X(dbCentral) X(dbMiddle)
HT_KEYWORD_ENUM(TSVGDominantBaseline, HT_SVG_DOMINANT_BASELINE_VALUES);
#define HT_SVG_SHAPE_RENDERING_VALUES(X) X(srDefault) X(srCrispEdges)
HT_ENUM(TSVGShapeRendering, uint8_t, HT_SVG_SHAPE_RENDERING_VALUES);

// The keyword none of fill and stroke; 0 is no paint either.
constexpr uint32_t SVGColorNone = 0x1FFFFFFF;
inline bool IsSVGPaint(uint32_t C) { return C != 0 && C != SVGColorNone; }

class TSVGElementStyle : public TElementStyle {
 public:
  explicit TSVGElementStyle(TElement* AElement);

  uint32_t Fill = 0;
  uint32_t Stroke = 0;
  uint32_t StopColor = 0;
  TMeasure StopOffset;
  TMeasure X, Y, DX, DY;
  TMeasure StrokeDashOffset;
  String FillUrl;  // "#id" as the url token holds it; empty without
  float StopOpacity = 1.0f;
  THtTextAnchor TextAnchor = taStart;
  THtFillRule FillRule = frNonZero;
  TSVGDominantBaseline DominantBaseline = dbAuto;
  std::shared_ptr<const TSingleArray> StrokeDashArray;  // shared with children that inherit it
  THtLineJoin StrokeLineJoin = ljMiter;
  THtLineCap StrokeLineCap = lcFlat;
  TSVGShapeRendering ShapeRendering = srDefault;
  // Noted by the element when its style flags are updated.
  float FStrokeWidth = 0;
  float FStrokeOpacity = 0;
  bool FStrokeOpacityNoted = false;  // tells a declared 0 from "not noted yet"

  void ApplyProp(PCSSValue Value, TCSSTokenSequence& Seq) override;
  bool IsSameStyle(TBaseElementStyle& Other, bool Force) override;
  void Inherit(const TBaseElementStyle& s) override;
  // Also forgets a fill url: a later colour fill or restyle must not keep an
  // old paint server.
  void Reset() override;
  int ApplyTransitions() override;

  // fill-opacity, inherited, 1 when unset, at most 1.
  float FillOpacity() const;
  // stroke-opacity, inherited, 1 when unset, not capped.
  float StrokeOpacity() const;
  // stroke-width with the element's inner width as percentage base.
  TMeasure StrokeWidth() const;
};

// The style class of SVG elements.
extern const TElementStyleClass SVGElementStyleClass;

// The SVG style of E, or null.
TSVGElementStyle* SVGStyleOf(const TStyledHTMLNode* E);

// Adds the sixteen SVG presentation properties to the registry; later calls
// do nothing.
void RegisterSVGProperties();

}  // namespace ht
