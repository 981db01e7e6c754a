#pragma once
// Joining URLs and percent coding. All tests are case-sensitive; backslashes
// are not separators.
#include <string>

#include "platform/rtl/string.h"

namespace ht {

// ref without a leading "/" replaces what follows base's last "/"; "//host"
// takes the base's scheme ("https:" under an https base, else "http:");
// "/path" replaces everything from the first "/" after base's host.
String CombineURL(StringView base, StringView ref);

// Form decoding into UTF-8 bytes, then to UTF-16: "+" is a space, "%%" a
// "%", "%hh" the byte hh. A "%" not followed by either stays as it is.
// Characters above U+007F (which encoded text never holds) keep their value.
// The scan stops at a U+0000.
String URLDecode(StringView s);

// Percent decoding of a URL: only "%hh" is decoded ("+" stays, a "%" not
// followed by two hex digits stays), into bytes; characters that were not
// encoded give their UTF-8 bytes.
std::string PercentDecodeBytes(StringView s);
// The same bytes read as UTF-8.
String PercentDecode(StringView s);

// Form encoding: letters, digits and !()*-.\_~ stay, space becomes "+",
// everything else is the lower-case %hh escapes of its UTF-8 bytes (a
// surrogate pair is one four-byte character; a lone surrogate is U+FFFD).
String URLEncode(StringView s);

}  // namespace ht
