#pragma once
// Testing an @media query against the medium and the viewport width. The
// query is evaluated from the tokens the parser kept, so that "not",
// comma-separated alternatives and features this engine cannot answer are
// honoured: a query with an unknown feature or an unknown media type does
// not apply (and "not" inverts that). Lengths in em and rem count 16 pixels.
#include "css/css_media_set.h"
#include "platform/rtl/string.h"

namespace ht {

// Whether Set applies to medium M at the viewport width Width and the
// device width DeviceWidth (0: the same as Width). A set without tokens is
// tested from its fields: Media must be exactly {cmAll} or hold M, and the
// widths lie within MinWidth..MaxWidth and MinDeviceWidth..MaxDeviceWidth
// (a maximum of 0 meaning none).
bool MediaSetMatches(const TCSSMediaSet& Set, TCSSMedia M, int Width, int DeviceWidth);

// Whether the answer of MediaSetMatches can depend on the widths.
bool MediaSetTestsWidth(const TCSSMediaSet& Set);
// Whether the set can ever fail to apply (it is more than "all").
bool MediaSetIsQuery(const TCSSMediaSet& Set);

// "@media " followed by the texts of the query's tokens (from the first
// that is not whitespace).
String MediaSetAsString(const TCSSMediaSet& Set);

}  // namespace ht
