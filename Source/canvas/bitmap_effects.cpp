#include "canvas/bitmap_effects.h"

#include <algorithm>

#include "canvas/pixels.h"

namespace ht {

THtDibBitmap::THtDibBitmap(int AWidth, int AHeight) { SetSize(AWidth, AHeight); }

void THtDibBitmap::SetSize(int AWidth, int AHeight) {
  FWidth = std::max(AWidth, 0);
  FHeight = std::max(AHeight, 0);
  FPixels.assign(size_t(FWidth) * size_t(FHeight), 0);
}

THtPixelMap THtDibBitmap::Map() {
  THtPixelMap m;
  m.Width = FWidth;
  m.Height = FHeight;
  m.Stride = -ptrdiff_t(FWidth) * 4;
  m.Bits = FPixels.empty() ? nullptr
                           : reinterpret_cast<uint8_t*>(FPixels.data() + size_t(FHeight - 1) * FWidth);
  return m;
}

uint32_t PremultiplyColor(uint32_t Color) {
  uint32_t a = Color >> 24;
  auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (mul((Color >> 16) & 0xFF) << 16) | (mul((Color >> 8) & 0xFF) << 8) |
         mul(Color & 0xFF);
}

void FillPixelRectAlpha(uint8_t* Bits, int Width, int Height, ptrdiff_t Stride, const TRect& R,
                        uint32_t Color) {
  if (!Bits || R.Bottom <= R.Top || R.Top >= Height) return;
  int left = std::max(R.Left, 0), right = std::min(R.Right, Width);
  int top = std::max(R.Top, 0), bottom = std::min(R.Bottom, Height);
  if (left >= right || top >= bottom) return;
  uint32_t value = PremultiplyColor(Color);
  THtPixelMap m{Bits, Width, Height, Stride, 32};
  if (left == 0 && right == Width && (Stride == ptrdiff_t(Width) * 4 || Stride == -ptrdiff_t(Width) * 4)) {
    // Whole rows lie in one run of memory: start at the lower address.
    uint32_t* start = Stride > 0 ? m.ScanLine(top) : m.ScanLine(bottom - 1);
    FillPixels32(value, start, int64_t(bottom - top) * Width);
    return;
  }
  for (int y = bottom - 1; y >= top; --y) FillPixels32(value, m.ScanLine(y) + left, right - left);
}

void FillRectAlpha(const THtPixelMap& Bitmap, const TRect& R, uint32_t Color) {
  FillPixelRectAlpha(Bitmap.Bits, Bitmap.Width, Bitmap.Height, Bitmap.Stride, R, Color);
}

void SetBitmapAlpha(const THtPixelMap& Bitmap, uint8_t Alpha) {
  if (!Bitmap.Bits) return;
  uint32_t a = uint32_t(Alpha) << 24;
  for (int y = 0; y < Bitmap.Height; ++y) {
    uint32_t* p = Bitmap.ScanLine(y);
    for (int x = 0; x < Bitmap.Width; ++x) p[x] = (p[x] & 0x00FFFFFF) | a;
  }
}

void SetBitmapAlphaExcept(const THtPixelMap& Bitmap, uint8_t Alpha, uint32_t KeyColor) {
  if (!Bitmap.Bits) return;
  uint32_t a = uint32_t(Alpha) << 24, key = KeyColor & 0x00FFFFFF;
  for (int y = 0; y < Bitmap.Height; ++y) {
    uint32_t* p = Bitmap.ScanLine(y);
    for (int x = 0; x < Bitmap.Width; ++x)
      if ((p[x] & 0x00FFFFFF) != key) p[x] = (p[x] & 0x00FFFFFF) | a;
  }
}

THtDibBitmap Create32BitBitmap(int Width, int Height, uint32_t Color) {
  THtDibBitmap b(Width, Height);
  if (Color != 0) FillRectAlpha(b.Map(), TRect{0, 0, Width, Height}, Color);
  return b;
}

}  // namespace ht
