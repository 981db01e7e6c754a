#pragma once
// Small readers of SVG attribute text.
#include <vector>

#include "platform/rtl/string.h"

namespace ht {

// Numbers separated by blanks and single commas, read in order. Reading
// ends at the end of the text or at the first place where no number can be
// read; what was read before stays.
std::vector<float> ReadSVGNumbers(StringView Text);

// An attribute length as CSS text: a bare number gets "px".
String SVGLengthText(StringView Value);

}  // namespace ht

namespace ht {

// One function of an SVG transform list with its numbers.
struct TSVGTransformItem {
  String Name;  // lower case
  std::vector<float> Args;
};

// "translate(10 20) rotate(45, 5, 5)"...: the functions read in order;
// reading ends at the first text that is not a function.
std::vector<TSVGTransformItem> ParseSVGTransformList(StringView Text);

// The same list as CSS transform text ("translate(10px, 20px) rotate(45deg)"),
// rotations about a point as translations around them; skews are dropped.
String SVGTransformToCSS(StringView Text);

}  // namespace ht
