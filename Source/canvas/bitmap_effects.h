#pragma once
// 32-bit bitmaps as the software effects see them, and the routines that fill
// them and set their alpha. Pixels are 32-bit values, bytes blue, green, red,
// alpha; every channel is treated alike.
//
// A bitmap is addressed through its row 0 and a signed stride, so the same
// routines serve top-down surfaces (positive stride) and bottom-up DIBs
// (negative stride: row y + 1 lies one row below row y in memory).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/geometry.h"

namespace ht {

struct THtPixelMap {
  uint8_t* Bits = nullptr;  // first byte of row 0 (the top row)
  int Width = 0;
  int Height = 0;
  ptrdiff_t Stride = 0;     // bytes from row y to row y + 1, may be negative
  int PixelBits = 32;

  uint32_t* ScanLine(int y) const {
    return reinterpret_cast<uint32_t*>(Bits + ptrdiff_t(y) * Stride);
  }
};

// A device-independent 32-bit bitmap that owns its pixels, stored bottom-up.
class THtDibBitmap {
 public:
  THtDibBitmap() = default;
  THtDibBitmap(int AWidth, int AHeight);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Resizes and clears every pixel to 0.
  void SetSize(int AWidth, int AHeight);
  THtPixelMap Map();

 private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<uint32_t> FPixels;
};

// Color with blue, green and red each scaled by alpha / 255 (rounded).
uint32_t PremultiplyColor(uint32_t Color);

// Fills R, clipped to the bitmap, with Color premultiplied.
void FillPixelRectAlpha(uint8_t* Bits, int Width, int Height, ptrdiff_t Stride, const TRect& R,
                        uint32_t Color);
void FillRectAlpha(const THtPixelMap& Bitmap, const TRect& R, uint32_t Color);

// Sets the alpha byte of every pixel.
void SetBitmapAlpha(const THtPixelMap& Bitmap, uint8_t Alpha);
// Sets the alpha byte of every pixel whose low 24 bits differ from KeyColor;
// pixels of the key colour keep theirs (colour-keyed transparency).
void SetBitmapAlphaExcept(const THtPixelMap& Bitmap, uint8_t Alpha, uint32_t KeyColor);

// A new 32-bit bitmap; sizes of 0 or less leave it empty in that direction.
// A Color other than 0 fills it premultiplied.
THtDibBitmap Create32BitBitmap(int Width, int Height, uint32_t Color);

}  // namespace ht
