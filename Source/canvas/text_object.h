#pragma once
// A prepared, styled text layout made by THtCanvas::CreateTextObject; back
// ends implement it.
#include "canvas/canvas_types.h"
#include "css/css_keywords.h"
#include "platform/rtl/object.h"

namespace ht {

class THtTextObject : public THtObject {
 public:
  // Ranges start at FirstChar (1-based).
  virtual void SetColor(uint32_t Color, int FirstChar, int Length) = 0;
  virtual void SetStyle(THtFontStyles Style, int FirstChar, int Length, uint32_t AUnderlineColor,
                        TCSSTextDecorationStyle AUnderlineStyle) = 0;
  virtual void SetAlignment(THAlign Align) = 0;

  bool Ellipsis = false;
  bool Shadow = false;
  float ShadowX = 0, ShadowY = 0;
  uint32_t ShadowColor = 0;
};

}  // namespace ht
