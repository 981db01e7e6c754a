#pragma once
// Fill of 32-bit pixel runs.
#include <cstdint>

namespace ht {

// Writes Value into Count consecutive 32-bit slots at P (no alignment
// needed); Count <= 0 writes nothing. Runs of 8 or more slots are written 8 at
// a time with 256-bit stores when the processor has AVX2, else 4 at a time
// with 128-bit stores, and the remainder one by one.
void FillPixels32(uint32_t Value, void* P, int64_t Count);

// The plain loop and the two vector routines FillPixels32 chooses from; the
// vector ones may only be called when the processor has their instruction
// set (SSE2, AVX2). Exposed so tests can compare them byte for byte.
void FillPixels32Scalar(uint32_t Value, void* P, int64_t Count);
void FillPixels32SSE2(uint32_t Value, void* P, int64_t Count);
void FillPixels32AVX2(uint32_t Value, void* P, int64_t Count);

}  // namespace ht
