#pragma once
// Font styles: the one definition shared by computed style, the canvas and
// painting, which reads both.
#include <cstdint>

#include "platform/rtl/enum_set.h"
#include "platform/rtl/enum_table.h"

namespace ht {

#define HT_FONT_STYLE_VALUES(X) X(hfsBold) X(hfsItalic) X(hfsUnderline) X(hfsStrikeOut) X(hfsLight) X(hfsUltraLight)
HT_ENUM(THtFontStyle, uint8_t, HT_FONT_STYLE_VALUES);
using THtFontStyles = TEnumSet<THtFontStyle, uint8_t>;

}  // namespace ht
