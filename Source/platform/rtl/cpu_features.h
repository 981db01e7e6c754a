#pragma once
// Processor features that select vector paths. Read once, on first use.
namespace ht {

struct TCpuFeatures {
  bool SSE2 = false;
  bool SSE42 = false;
  bool AVX2 = false;
};

const TCpuFeatures& CpuFeatures();

}  // namespace ht
