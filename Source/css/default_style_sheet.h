#pragma once
// The built-in style sheet of element defaults that styles every document
// before its own sheets, and the two mappings of presentational HTML
// attributes (align, font size) into style values.
#include "css/css_keywords.h"
#include "css/style_sheet.h"
#include "platform/rtl/string.h"

namespace ht {

// The built-in sheet, parsed on the first call. Its rules weigh 0 and keep
// the order numbers 1, 2, 3 ... when merged into other sheets, so any
// document rule with a specificity, or of equal weight, overrides them.
// Safe to call from several threads; the property registry must exist.
TCSSStyleSheet* DefaultStyleSheet();
// The sheet merged into documents in quirks mode (weight 0, like the
// built-in sheet); parsed on the first call, freed with the built-in sheet.
TCSSStyleSheet* QuirksStyleSheet();
// Frees the built-in sheet (style unit shutdown); a later call of
// DefaultStyleSheet parses it again.
void FreeDefaultStyleSheet();

// An align attribute: empty gives thLeft; otherwise the first letter, in
// any case: c centre, j justify, r right, x thXCenter, anything else left.
THAlign AlignFromAttr(StringView Text);
// The size attribute of a font element, in pixels: an integer n ("+n"
// counts from the default size 3) gives 10, 10, 13, 16, 18, 24, 32, 48 for
// n up to 0, 1 ... 7, and n itself above 7; "n" followed by "px" gives n;
// any other text gives 10.
int FontSizeFromAttr(StringView Text);

}  // namespace ht
