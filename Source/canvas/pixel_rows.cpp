#include "canvas/pixel_rows.h"

#include <immintrin.h>

#include <cstring>
#include <utility>

#include "platform/rtl/cpu_features.h"

namespace ht {

// ---- 24-bit byte swap

void SwapBGR24Scalar(uint8_t* P, int Count) {
  for (int i = 0; i < Count; ++i, P += 3) std::swap(P[0], P[2]);
}

__attribute__((target("sse4.2"))) void SwapBGR24Sse42(uint8_t* P, int Count) {
  // Five pixels (15 bytes) per step; the sixteenth byte goes back unchanged.
  // Each block is loaded before the previous one is stored, so no load waits
  // for the overlapping store.
  const __m128i shuffle = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  const int steps = Count >= 6 ? (Count * 3 - 1) / 15 : 0;
  if (steps > 0) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    for (int k = 0; k < steps; ++k) {
      uint8_t* p = P + 15 * k;
      const __m128i next = k + 1 < steps ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 15)) : v;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi8(v, shuffle));
      v = next;
    }
  }
  SwapBGR24Scalar(P + 15 * steps, Count - 5 * steps);
}

void SwapBGR24(uint8_t* P, int Count) {
  if (CpuFeatures().SSE42)
    SwapBGR24Sse42(P, Count);
  else
    SwapBGR24Scalar(P, Count);
}

// ---- 8-bit masks

void ApplyMaskRow8Scalar(uint8_t* Pixels, const uint8_t* Mask, int Count) {
  for (int i = 0; i < Count; ++i) Pixels[4 * i + 3] = Mask[i];
}

__attribute__((target("sse2"))) void ApplyMaskRow8Sse2(uint8_t* Pixels, const uint8_t* Mask, int Count) {
  const __m128i zero = _mm_setzero_si128(), colour = _mm_set1_epi32(0x00FFFFFF);
  int i = 0;
  for (; i + 4 <= Count; i += 4) {
    int m;
    std::memcpy(&m, Mask + i, 4);
    // Each mask byte to the top byte of its 32-bit lane.
    const __m128i wide = _mm_unpacklo_epi8(zero, _mm_cvtsi32_si128(m));
    const __m128i alpha = _mm_unpacklo_epi16(zero, wide);
    __m128i* p = reinterpret_cast<__m128i*>(Pixels + 4 * i);
    _mm_storeu_si128(p, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(p), colour), alpha));
  }
  ApplyMaskRow8Scalar(Pixels + 4 * i, Mask + i, Count - i);
}

void ApplyMaskRow8(uint8_t* Pixels, const uint8_t* Mask, int Count) {
  if (CpuFeatures().SSE2)
    ApplyMaskRow8Sse2(Pixels, Mask, Count);
  else
    ApplyMaskRow8Scalar(Pixels, Mask, Count);
}

// ---- 1-bit masks

void ApplyMaskRow1Scalar(uint8_t* Pixels, const uint8_t* Mask, int Count) {
  for (int i = 0; i < Count; ++i) Pixels[4 * i + 3] = (Mask[i >> 3] >> (7 - (i & 7))) & 1 ? 0 : 255;
}

__attribute__((target("sse2"))) void ApplyMaskRow1Sse2(uint8_t* Pixels, const uint8_t* Mask, int Count) {
  const __m128i zero = _mm_setzero_si128(), colour = _mm_set1_epi32(0x00FFFFFF),
                opaque = _mm_set1_epi32(int(0xFF000000u));
  const __m128i bitsLo = _mm_setr_epi32(0x80, 0x40, 0x20, 0x10), bitsHi = _mm_setr_epi32(8, 4, 2, 1);
  int i = 0;
  for (; i + 8 <= Count; i += 8) {
    const __m128i byte = _mm_set1_epi32(Mask[i >> 3]);
    // Opaque where the pixel's bit is clear.
    const __m128i alphaLo = _mm_and_si128(_mm_cmpeq_epi32(_mm_and_si128(byte, bitsLo), zero), opaque);
    const __m128i alphaHi = _mm_and_si128(_mm_cmpeq_epi32(_mm_and_si128(byte, bitsHi), zero), opaque);
    __m128i* p = reinterpret_cast<__m128i*>(Pixels + 4 * i);
    _mm_storeu_si128(p, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(p), colour), alphaLo));
    _mm_storeu_si128(p + 1, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(p + 1), colour), alphaHi));
  }
  for (; i < Count; ++i) Pixels[4 * i + 3] = (Mask[i >> 3] >> (7 - (i & 7))) & 1 ? 0 : 255;
}

void ApplyMaskRow1(uint8_t* Pixels, const uint8_t* Mask, int Count) {
  if (CpuFeatures().SSE2)
    ApplyMaskRow1Sse2(Pixels, Mask, Count);
  else
    ApplyMaskRow1Scalar(Pixels, Mask, Count);
}

// ---- expansion to 32 bits

void Expand24to32Scalar(const uint8_t* Src, uint32_t* Dst, int Count) {
  for (int i = 0; i < Count; ++i, Src += 3) Dst[i] = 0xFF000000u | Src[0] | (Src[1] << 8) | (Src[2] << 16);
}

__attribute__((target("sse4.2"))) void Expand24to32Sse42(const uint8_t* Src, uint32_t* Dst, int Count) {
  // Four pixels per step from a 16-byte load (12 bytes used).
  const __m128i shuffle = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
  int i = 0;
  for (; 3 * i + 16 <= 3 * Count; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + 3 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_or_si128(_mm_shuffle_epi8(v, shuffle), opaque));
  }
  Expand24to32Scalar(Src + 3 * i, Dst + i, Count - i);
}

void Expand24to32(const uint8_t* Src, uint32_t* Dst, int Count) {
  if (CpuFeatures().SSE42)
    Expand24to32Sse42(Src, Dst, Count);
  else
    Expand24to32Scalar(Src, Dst, Count);
}

void Expand1to32Scalar(const uint8_t* Src, uint32_t* Dst, int Count, uint32_t Color0, uint32_t Color1) {
  for (int i = 0; i < Count; ++i) Dst[i] = (Src[i >> 3] >> (7 - (i & 7))) & 1 ? Color1 : Color0;
}

__attribute__((target("sse2"))) void Expand1to32Sse2(const uint8_t* Src, uint32_t* Dst, int Count, uint32_t Color0,
                                                     uint32_t Color1) {
  const __m128i zero = _mm_setzero_si128(), c0 = _mm_set1_epi32(int(Color0)), c1 = _mm_set1_epi32(int(Color1));
  const __m128i bitsLo = _mm_setr_epi32(0x80, 0x40, 0x20, 0x10), bitsHi = _mm_setr_epi32(8, 4, 2, 1);
  int i = 0;
  for (; i + 8 <= Count; i += 8) {
    const __m128i byte = _mm_set1_epi32(Src[i >> 3]);
    // All ones where the pixel's bit is clear.
    const __m128i clearLo = _mm_cmpeq_epi32(_mm_and_si128(byte, bitsLo), zero);
    const __m128i clearHi = _mm_cmpeq_epi32(_mm_and_si128(byte, bitsHi), zero);
    __m128i* d = reinterpret_cast<__m128i*>(Dst + i);
    _mm_storeu_si128(d, _mm_or_si128(_mm_and_si128(clearLo, c0), _mm_andnot_si128(clearLo, c1)));
    _mm_storeu_si128(d + 1, _mm_or_si128(_mm_and_si128(clearHi, c0), _mm_andnot_si128(clearHi, c1)));
  }
  for (; i < Count; ++i) Dst[i] = (Src[i >> 3] >> (7 - (i & 7))) & 1 ? Color1 : Color0;
}

void Expand1to32(const uint8_t* Src, uint32_t* Dst, int Count, uint32_t Color0, uint32_t Color1) {
  if (CpuFeatures().SSE2)
    Expand1to32Sse2(Src, Dst, Count, Color0, Color1);
  else
    Expand1to32Scalar(Src, Dst, Count, Color0, Color1);
}

}  // namespace ht
