#include "canvas/pixels.h"

#include <cstring>

#include "platform/rtl/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HT_PIXELS_X86 1
#endif

namespace ht {

namespace {

// Slots are written with memcpy so unaligned runs stay well-defined.
inline void storeScalar(unsigned char* d, uint32_t Value, int64_t Count) {
  for (int64_t i = 0; i < Count; ++i) std::memcpy(d + i * 4, &Value, 4);
}

}  // namespace

void FillPixels32Scalar(uint32_t Value, void* P, int64_t Count) {
  if (Count > 0) storeScalar(static_cast<unsigned char*>(P), Value, Count);
}

#ifdef HT_PIXELS_X86

__attribute__((target("sse2"))) void FillPixels32SSE2(uint32_t Value, void* P, int64_t Count) {
  if (Count <= 0) return;
  auto* d = static_cast<unsigned char*>(P);
  if (Count >= 8) {
    const __m128i v = _mm_set1_epi32(int(Value));
    for (; Count >= 4; Count -= 4, d += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
  }
  storeScalar(d, Value, Count);
}

__attribute__((target("avx2"))) void FillPixels32AVX2(uint32_t Value, void* P, int64_t Count) {
  if (Count <= 0) return;
  auto* d = static_cast<unsigned char*>(P);
  if (Count >= 8) {
    const __m256i v = _mm256_set1_epi32(int(Value));
    for (; Count >= 8; Count -= 8, d += 32) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), v);
  }
  storeScalar(d, Value, Count);
}

#else

void FillPixels32SSE2(uint32_t Value, void* P, int64_t Count) { FillPixels32Scalar(Value, P, Count); }
void FillPixels32AVX2(uint32_t Value, void* P, int64_t Count) { FillPixels32Scalar(Value, P, Count); }

#endif

void FillPixels32(uint32_t Value, void* P, int64_t Count) {
  if (Count <= 0) return;
  if (Count < 8) {
    FillPixels32Scalar(Value, P, Count);
    return;
  }
  const TCpuFeatures& cpu = CpuFeatures();
  if (cpu.AVX2)
    FillPixels32AVX2(Value, P, Count);
  else if (cpu.SSE2)
    FillPixels32SSE2(Value, P, Count);
  else
    FillPixels32Scalar(Value, P, Count);
}

}  // namespace ht
