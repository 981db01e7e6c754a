#pragma once
// THtBitmapData: a plain, back-end-independent pixel buffer (width, height,
// bit depth, row stride, one byte array) with the conversions that image
// decoders need: depth conversion to 32 bits through an optional colour space,
// CMYK to RGB, alpha masks, colour-key transparency, flips, crops, resizes
// and bitwise combination.
//
// Pixel layouts: 1 bit: 8 pixels per byte, first pixel in the most
// significant bit. 8 bits: one byte (grey, palette index or mask value).
// 16 bits: little-endian words, blue bits 0-4, green 5-9, red 10-14.
// 24 bits: three bytes in the order they arrived. 32 bits: one little-endian
// value with alpha in the top byte (ARGB).
//
// One buffer is used by one thread at a time.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/geometry.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/stream.h"

namespace ht {

// Raised for a malformed device-independent bitmap.
HT_DECLARE_EXCEPTION(EHtBitmapDataError, Exception);

enum THtPixelOperation { poOr, poAnd, poXor, poNXor, poCopy };

// Base of the colour spaces that decoders pass in; the identity on RGB.
class THtColorSpace {
 public:
  virtual ~THtColorSpace() = default;
  // One pixel value to ARGB.
  virtual uint32_t ConvertColor(uint32_t C);
  // Components in 0..1 to an opaque colour (C4 is not used by the base).
  virtual uint32_t ConvertFloat(double C1, double C2, double C3, double C4);
  virtual int InComponentCount();
  virtual int OutComponentCount();
  // True: conversions ignore this colour space and use their fixed rules.
  virtual bool IsIdentity();
  // Bulk conversion of 8-bit data to contiguous 32-bit pixels at DestData;
  // false declines, and the caller converts value by value.
  virtual bool Convert8to32(const uint8_t* SourceData, uint32_t* DestData, int SourceWidth,
                            int SourceHeight, int SourceStride);
};

class THtBitmapData {
 public:
  THtBitmapData(int AWidth, int AHeight, int ABits);
  virtual ~THtBitmapData() = default;
  // Makes a new buffer of the same class (the virtual constructor).
  virtual std::unique_ptr<THtBitmapData> Create(int AWidth, int AHeight, int ABits) const;

  // Bytes per row: AWidth * ABits / 8 rounded up to a multiple of 4.
  // ABits must be 1..48.
  static int CalcStride(int AWidth, int ABits);

  // Adopts pixel rows: the source stride is AData.size() / AHeight.
  void SetData(std::vector<uint8_t> AData, int AWidth, int AHeight, int ABits);
  // Reads a BITMAPINFOHEADER, its palette and the pixels from ST. AData
  // supplies the pixels when the header gives no image size. Palette images
  // expand to ABits (24 or 8), palette entries kept as red, green, blue
  // (3-byte entries of a 12-byte header as stored); indexes beyond the
  // palette give black. AFlip reverses the rows; a 32-bit DIB's alpha is
  // set to 255. Compressed pixels are not decoded. Raises
  // EHtBitmapDataError for a malformed, compressed or truncated bitmap and
  // leaves this buffer unchanged then.
  void LoadfromDIB(TStream& ST, const std::vector<uint8_t>& AData, int ABits, bool AFlip);

  void Convertto32(THtColorSpace* AColorSpace);
  void CMYKtoRGBA();
  void BGRtoRGB();
  void InvertComponents();
  void FlipVertical();
  void Clear(uint32_t AColor);
  // AMask is resized to this buffer first (the mask object changes).
  void ApplyMask(THtBitmapData& AMask);
  void Convertto32Mask(THtBitmapData& AMask);
  void ApplyColorMask(uint32_t AColor);
  void ApplyColorRangeMask(int R1, int R2, int G1, int G2, int B1, int B2);
  void ConverttoMask();
  void Combine(const THtBitmapData& ASource, int X, int Y, THtPixelOperation AOperation);
  // Keeps rows Top..Bottom-1 and columns Left..Right-1 (depths of 8 bits
  // and more); the rectangle must lie inside the buffer.
  void Crop(const TRect& CropRect);
  // Nearest-neighbour resize of 1-, 4-, 8- and 32-bit data.
  void Resize(int NewWidth, int NewHeight);
  uint32_t GetPixel(int X, int Y) const;
  void SetPixel(int X, int Y, uint32_t Value);

  int Width() const { return FWidth; }
  void SetWidth(int Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  std::vector<uint8_t>& Data() { return FData; }
  const std::vector<uint8_t>& Data() const { return FData; }
  int PixelBits() const { return FBits; }
  int Stride() const { return FStride; }
  int PixelBytes() const { return FBits / 8; }
  uint8_t* ScanLine(int Index) { return FData.data() + size_t(Index) * size_t(FStride); }
  const uint8_t* ScanLine(int Index) const { return FData.data() + size_t(Index) * size_t(FStride); }

  bool IsClear = false;  // a flag for the owner; the buffer never reads it

 protected:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<uint8_t> FData;
  int FBits = 0;
  int FStride = 0;

 private:
  void resetTo(int AWidth, int AHeight, int ABits, std::vector<uint8_t> AData, int AStride);
  // Raises unless AMask has a mask depth and this buffer's size.
  void checkMask(const THtBitmapData& AMask) const;
  // Row Y of the mask as one alpha byte per pixel.
  void maskRow(const THtBitmapData& AMask, int Y, uint8_t* Out) const;
};

}  // namespace ht
