#pragma once
// Processor features that select vector paths. Vector routines are compiled
// with __attribute__((target(...))) and are only called when the flag for
// their instruction set is set; everything else is built for the baseline.
namespace ht {

struct TCpuFeatures {
  bool SSE2 = false;   // alpha-mask vector steps
  bool SSE42 = false;  // character search, Base64 encoding, byte swapping, box blur
  bool AVX2 = false;   // 256-bit stores of the 32-bit pixel fill
};

// Read once, on first use (the utilities' start-up makes that first use
// happen before other threads exist), then read-only.
const TCpuFeatures& CpuFeatures();

// Ask the processor on every call; for callers that decide per call.
bool HasSSE2();
bool HasSSE42();

}  // namespace ht
