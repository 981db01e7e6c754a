#pragma once
// Case mapping of display text that keeps the UTF-16 length, so positions
// into the mapped text (selection, search, highlight, text-transform) stay
// valid for the original. Each code point takes its simple (one-to-one)
// mapping; a mapping that would change the number of UTF-16 units leaves
// the code point as it was. Unpaired surrogates are kept.
#include "platform/rtl/string.h"

namespace ht {

String UpperCaseSameLength(StringView s);
String LowerCaseSameLength(StringView s);
// The same into Out, reusing its storage (for loops over many strings).
void LowerCaseSameLength(StringView s, String& Out);

}  // namespace ht
