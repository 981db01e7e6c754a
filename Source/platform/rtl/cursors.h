#pragma once
// The pointer shapes the engine asks for, as the platform's cursor numbers.
// The engine only chooses among them; the window layer maps each to a
// toolkit cursor of its own.
#include <cstdint>

namespace ht {

enum TCursor : int16_t {
  crDefault = 0,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crHSplit = -14,
  crVSplit = -15,
  crHelp = -20,
  crHandPoint = -21,
};

}  // namespace ht
