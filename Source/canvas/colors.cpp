#include "canvas/colors.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/numeric.h"

namespace ht {

uint32_t MakeRGB(uint8_t R, uint8_t G, uint8_t B) {
  return (uint32_t(R) << 16) | (uint32_t(G) << 8) | B;
}

uint32_t PackARGB(uint8_t A, uint8_t R, uint8_t G, uint8_t B) {
  return (uint32_t(A) << 24) | (uint32_t(R) << 16) | (uint32_t(G) << 8) | B;
}

uint32_t ColorRefToARGB(uint32_t C) {
  return PackARGB(255, uint8_t(C & 0xFF), uint8_t((C >> 8) & 0xFF), uint8_t((C >> 16) & 0xFF));
}

uint32_t SwapRedBlue(uint32_t C) {
  return ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF);
}

TColor ResolveSysColor(TColor C) {
  if (C < 0) return TColor(GetSysColor(C & 0xFF));
  return C;
}

uint32_t TColorToARGB(TColor C) { return SwapRedBlue(uint32_t(ResolveSysColor(C))) | 0xFF000000u; }

uint32_t ColorToARGB(const void* /*Control*/, TColor C) { return TColorToARGB(C); }

uint32_t LightenColor(uint32_t C, uint8_t Percent) {
  auto lighten = [Percent](uint32_t c) {
    // MulDiv(255 - c, Percent, 100), rounded to the nearest.
    uint32_t v = c + ((255 - c) * Percent + 50) / 100;
    return std::min<uint32_t>(v, 255);
  };
  return (C & 0xFF000000u) | (lighten((C >> 16) & 0xFF) << 16) | (lighten((C >> 8) & 0xFF) << 8) |
         lighten(C & 0xFF);
}

uint32_t ApplyOpacity(uint32_t C, float Opacity) {
  if (SameSingle(Opacity, 1.0f)) return C;
  float o = Opacity > 0 ? std::min(Opacity, 1.0f) : 0.0f;
  uint32_t alpha = uint32_t(std::nearbyint(double(C >> 24) * double(o)));  // halves to even
  return (alpha << 24) | (C & 0x00FFFFFFu);
}

}  // namespace ht
