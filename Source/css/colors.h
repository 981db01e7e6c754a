#pragma once
// Colour text to 32-bit ARGB (alpha in the top byte) and back: hexadecimal
// notations, the 142 colour names, the 41 system colour names (read through
// the installed theme colour procedure), "transparent", "none", "rgba(" text
// and the rgb()/rgba() functions inside CSS values (TCSSTokenSequence::
// ReadColor, declared in css_token.h).
#include <cstdint>

#include "platform/rtl/string.h"

namespace ht {

constexpr uint32_t clNone = 0x1FFFFFFF;     // the keyword "none": drawn as nothing
constexpr uint32_t clInvalid = 1;           // bad colour text; callers skip it
constexpr uint32_t clTransparent = 0x00FFFFFF;

// Colour text to ARGB: empty gives opaque black; "#rgb", "#rgba",
// "#rrggbb", "#rrggbbaa"; "rgba(r, g, b, a)"; colour and system colour
// names (any case); bare hexadecimal digits ("ff0000"). Anything else gives
// clInvalid.
uint32_t ParseHtColor(StringView Text);
// The reading of an identifier token: as ParseHtColor without the "rgba("
// rule, and "#" text of 4, 7, 8 or more characters only. SystemFlag becomes
// 1 when a system colour name supplied the colour, else 0.
uint32_t ColorFromIdent(StringView Text, int& SystemFlag);
// The colour of a colour name (alpha 255), 0 when Name is not one.
uint32_t ColorByName(StringView Name);
// The theme colour of a system colour name, 0 when Name is not one.
uint32_t SystemColorByName(StringView Name);
// "rgba(r, g, b, a)" or "rgba(<colour>, a)" in plain text (attribute
// values). Channels are clamped to 0..255 and alpha to 0..1; never raises.
uint32_t ParseRGBAText(StringView Text);

// "#rrggbb" when alpha is 255, else "#rrggbbaa"; lower-case digits.
String ColorToHexStr(uint32_t Color);
// "rrggbb", lower-case digits.
String ColorToHex6(uint32_t Color);
// Exchanges the red and blue bytes and clears alpha.
uint32_t SwapRB(uint32_t Color);

// Builds the colour-name dictionary; also done on first use.
void CreateColorDictionary();
// The default theme colour procedure: the platform's system colour for
// Index, red and blue swapped, alpha 255.
uint32_t DefaultThemeColor(int Index);

}  // namespace ht
