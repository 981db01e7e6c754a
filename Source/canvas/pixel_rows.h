#pragma once
// Row routines of the pixel buffer with vector paths. Each has a plain
// routine and a vector one that gives the same bytes; the dispatching entry
// picks the vector routine when the processor has its instruction set (see
// CpuFeatures()). Exposed so that tests and benchmarks can compare them.
#include <cstdint>

namespace ht {

// Swaps the first and third byte of Count 3-byte pixels.
void SwapBGR24(uint8_t* P, int Count);
void SwapBGR24Scalar(uint8_t* P, int Count);
void SwapBGR24Sse42(uint8_t* P, int Count);

// Sets the alpha byte of Count 32-bit pixels to the mask bytes.
void ApplyMaskRow8(uint8_t* Pixels, const uint8_t* Mask, int Count);
void ApplyMaskRow8Scalar(uint8_t* Pixels, const uint8_t* Mask, int Count);
void ApplyMaskRow8Sse2(uint8_t* Pixels, const uint8_t* Mask, int Count);

// Sets the alpha byte of Count 32-bit pixels from 1-bit mask bits (most
// significant bit first): 255 where the bit is 0, 0 where it is 1.
void ApplyMaskRow1(uint8_t* Pixels, const uint8_t* Mask, int Count);
void ApplyMaskRow1Scalar(uint8_t* Pixels, const uint8_t* Mask, int Count);
void ApplyMaskRow1Sse2(uint8_t* Pixels, const uint8_t* Mask, int Count);

// Count 3-byte pixels to opaque 32-bit pixels, the bytes in their places.
void Expand24to32(const uint8_t* Src, uint32_t* Dst, int Count);
void Expand24to32Scalar(const uint8_t* Src, uint32_t* Dst, int Count);
void Expand24to32Sse42(const uint8_t* Src, uint32_t* Dst, int Count);

// Count 1-bit pixels (most significant bit first) to Color0 or Color1.
void Expand1to32(const uint8_t* Src, uint32_t* Dst, int Count, uint32_t Color0, uint32_t Color1);
void Expand1to32Scalar(const uint8_t* Src, uint32_t* Dst, int Count, uint32_t Color0, uint32_t Color1);
void Expand1to32Sse2(const uint8_t* Src, uint32_t* Dst, int Count, uint32_t Color0, uint32_t Color1);

}  // namespace ht
