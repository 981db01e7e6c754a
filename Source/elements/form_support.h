#pragma once
// What the form-control elements share: reading attributes as integers,
// style values read through the
// computed style, and the scene scale of a document's surface.
#include <cstdint>

#include "css/css_selector.h"
#include "platform/rtl/date_text.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;
class THtDocument;
class TElementStyle;

// A whole decimal number (blanks around it, an optional sign, digits
// only) that fits an int; false for anything else.
bool TryStrToInt(StringView Text, int& Value);

// The surface's scene scale, 1 when there is none or it is unusable.
float SceneScaleOf(const THtDocument* Doc);
// Round(X x scene scale), halves to even, kept within the controls' range.
int ScaleToDevice(const THtDocument* Doc, float X);
// The computed font size in whole pixels.
int FontSizeInPixels(const TElement* E);
// Whether the element's pseudo-class set holds PClass.
bool HasPseudoClass(const TElement* E, TCSSPseudoClass PClass);
// The platform's RGB colour (red in the low byte) of an ARGB colour.
uint32_t ToPlatformColor(uint32_t ARGB);

}  // namespace ht
