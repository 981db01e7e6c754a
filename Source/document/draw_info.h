#pragma once
// THtDrawInfo: the origins handed down every paint and hit-test call. Each
// element works on its own copy, adjusted by PrepareDrawInfo (its drawing
// offset) and LocalToDocument (its content origin less its scroll offsets),
// so a callee never changes its caller's values.
#include <cstdint>

namespace ht {

struct THtDrawInfo {
  int32_t ZIndex = 0;      // the z level being painted or hit-tested
  float CX = 0, CY = 0;    // origin of the flow being painted: OuterRect is relative to it
  float ACX = 0, ACY = 0;  // padding-box corner of the containing box of absolutely positioned descendants
};

}  // namespace ht
