#pragma once
// One box or text shadow parsed from its tokens. The lengths come in the
// order x, y, blur (and, for a box, a spread that is not kept); the colour
// and, for a box, "inset" may stand before, between or after them.
// Only the first shadow of a comma-separated list is read.
#include <cstdint>

#include "css/css_token.h"
#include "css/measure.h"

namespace ht {

struct TElementShadow {
  TMeasure X, Y, Blur;
  uint32_t Color = 0;  // ARGB; kept as it was when the value names no colour
  float Strength = 0;  // 1.0 once a shadow has been read
  bool Inset = false;

  // "none" leaves the record as it was. A shadow needs an x and a y
  // length; a missing blur is 0.
  void ParseBoxShadow(TCSSTokenSequence& Sequence);
  void ParseTextShadow(TCSSTokenSequence& Sequence);
  // True when X, Y or Blur is not set, or no shadow has been read.
  bool IsEmpty() const;

 private:
  void parse(TCSSTokenSequence& Sequence, bool Box);
};

}  // namespace ht
