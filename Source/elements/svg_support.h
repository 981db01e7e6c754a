#pragma once
// Helpers shared by the SVG element files.
#include "css/transform.h"
#include "document/document.h"
#include "platform/rtl/geometry.h"

namespace ht {

// The document's drawing surface; null for an element outside a document.
inline THtCanvas* SVGSurfaceOf(const TElement* E) { return E->Document ? E->Document->Surface.get() : nullptr; }

// The transform origin of a box with outer rectangle Outer: left, right,
// top, bottom and center take its edges or middle; lengths and percentages
// are measured against its rounded width and height.
void SVGTransformOrigin(const TRectF& Outer, const TTransform& T, float& OX, float& OY);

}  // namespace ht
