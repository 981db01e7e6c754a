#pragma once
// The platform's modifier-key and button set and its mouse buttons, shared
// by the window layer (which fills them from toolkit events) and the
// document (which receives them with pointer input).
#include <cstdint>

namespace ht {

// One bit per value.
enum TShiftStateBit : uint16_t {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
  ssTouch = 1u << 7,
  ssPen = 1u << 8,
  ssCommand = 1u << 9,
  ssHorizontal = 1u << 10,
};
using TShiftState = uint16_t;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

}  // namespace ht
