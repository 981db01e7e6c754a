#pragma once
// Software blurs on 32-bit pixels: a trimmed Gaussian kernel with a line
// convolution, the Gaussian blur of a bitmap region, the fast soft shadow of
// a (rounded) rectangle and a two-pass running-sum box blur.
#include <cstddef>
#include <cstdint>

#include "canvas/bitmap_effects.h"

namespace ht {

struct TGaussKernel {
  static constexpr int MaxSize = 30;
  int Size = 0;                        // taps actually used on each side (1..30)
  float Weights[2 * MaxSize + 1];      // normalised weights, index j + MaxSize for j in -30..30
  int32_t IntWeights[2 * MaxSize + 1]; // the same in fixed point, 24 fraction bits

  int32_t IntWeight(int j) const { return IntWeights[j + MaxSize]; }
  float Weight(int j) const { return Weights[j + MaxSize]; }
};

// Builds the kernel of a Gaussian with the given radius, trimmed to the taps
// that can change a value of MaxData in steps of DataGranularity. Radii of
// 1000 and more blur no differently and are clamped; a radius of 0.1 or less
// (or NaN) raises EAssertionFailed.
void MakeGaussKernel(TGaussKernel& K, float Radius, float MaxData, float DataGranularity);

// Convolves Line[First..Last] in place, replicating the region's end pixels.
// Work must hold LastIndex + 1 pixels. Pixels SkipFrom..SkipTo at least
// K.Size away from both ends are left as they are when SkipTo >= 0.
void BlurLine32(uint32_t* Line, int LastIndex, const TGaussKernel& K, uint32_t* Work, int First,
                int Last, int SkipFrom, int SkipTo);

bool AnyPixelDiffers(const uint32_t* P, uint32_t Value, int Count);

// Gaussian blur of the region R (right and bottom inclusive), rows then
// columns. Skip marks an inner area that needs no blurring; (-1, -1, -1, -1)
// skips nothing.
void BlurBitmapRect(const THtPixelMap& Bitmap, const TGaussKernel& K, const TRect& R, const TRect& Skip);

// Turns a shape already painted in Color (R with corners of radius Radius)
// into its soft shadow: one corner is blurred in two dimensions, the others
// are blurred or mirrored from it, and the sides are filled from one blurred
// line, so the cost does not grow with the area. The result is symmetric
// about the box's centre lines. Raises "Blur only works for 32-bit bitmaps"
// for other bitmaps; does nothing for Blur < 0.1.
void BlurBitmap32(const THtPixelMap& Bitmap, const TRect& R, float Blur, uint32_t Color, int Radius,
                  bool Mirror);

// Two running-sum box-blur passes over R, clipped to the bitmap. Pixels
// addresses row 0; Stride may be negative.
void BoxBlurRect(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius);

// The implementations behind BoxBlurRect, exposed so that tests and
// benchmarks can compare them; all give the same bytes. The vector ones
// need SSE4.2 or AVX2 (see CpuFeatures()).
void BoxBlurRectScalar(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R,
                       int Radius);
void BoxBlurRectSse42(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R,
                      int Radius);
void BoxBlurRectAvx2(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R,
                     int Radius);

}  // namespace ht
