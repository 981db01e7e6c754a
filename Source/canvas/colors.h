#pragma once
// Packing and conversion of colour values between the platform's colour
// numbers (TColor, COLORREF order, negative for system colours) and the
// engine's ARGB values (alpha in the top byte; 0x1FFFFFFF stands for none).
#include <cstdint>

#include "platform/rtl/sys_colors.h"

namespace ht {

// 0xRRGGBB.
uint32_t MakeRGB(uint8_t R, uint8_t G, uint8_t B);
uint32_t PackARGB(uint8_t A, uint8_t R, uint8_t G, uint8_t B);
// A COLORREF-ordered colour made opaque ARGB.
uint32_t ColorRefToARGB(uint32_t C);
// Exchanges bits 0-7 and 16-23 and clears the top byte (COLORREF to 0xRRGGBB
// and back).
uint32_t SwapRedBlue(uint32_t C);
// A negative C becomes the system colour with index C and 0xFF; other values
// are returned unchanged.
TColor ResolveSysColor(TColor C);
// Opaque ARGB of a TColor.
uint32_t TColorToARGB(TColor C);
// The opaque ARGB of a platform colour as a control shows it. There are no
// visual styles here, so this is TColorToARGB; Control is not used.
uint32_t ColorToARGB(const void* Control, TColor C);
// Each of red, green and blue moves Percent of the way to 255 (rounded to the
// nearest, capped at 255); alpha is kept. 0 keeps the colour, 100 gives white.
uint32_t LightenColor(uint32_t C, uint8_t Percent);
// Alpha becomes round(alpha x Opacity), halves to even; an Opacity equal to 1
// (within single-precision tolerance) returns C unchanged. Opacity outside
// 0..1 is clamped (NaN counts as 0).
uint32_t ApplyOpacity(uint32_t C, float Opacity);

}  // namespace ht
