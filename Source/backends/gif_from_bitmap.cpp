// Pictures into GIF frames: a bitmap of any pixel format becomes a frame with
// a local colour table, and a device-independent bitmap read from a stream
// becomes the bytes of a one-frame GIF file.
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "backends/gif_color_reduction.h"
#include "backends/gif_image.h"

namespace ht {

namespace {

// One colour channel of a packed pixel, widened to 8 bits by repeating its
// bits (so 5 bits of all ones give 255).
struct TChannel {
  uint32_t Mask = 0;
  int32_t Shift = 0, Bits = 0;
  explicit TChannel(uint32_t mask) : Mask(mask) {
    if (!mask) return;
    Shift = std::countr_zero(mask);
    Bits = int32_t(std::bit_width(mask >> Shift));
  }
  uint8_t operator()(uint32_t v) const {
    if (Bits == 0) return 0;
    const uint32_t value = (v & Mask) >> Shift;
    if (Bits >= 8) return uint8_t(value >> (Bits - 8));
    uint32_t out = 0;
    for (int32_t s = 8 - Bits; s > -Bits; s -= Bits) out |= s >= 0 ? value << s : value >> -s;
    return uint8_t(out);
  }
};

struct TMasks {
  uint32_t Red, Green, Blue;
};
constexpr TMasks kMasks16{0x7C00, 0x03E0, 0x001F};
constexpr TMasks kMasks32{0xFF0000, 0x00FF00, 0x0000FF};

size_t rowStride(int32_t width, int32_t bits) { return ((size_t(width) * size_t(bits) + 31) & ~size_t(31)) / 8; }

// The bytes the rows need: every row padded to 32 bits but the last.
size_t pixelBytes(int32_t width, int32_t height, int32_t bits) {
  if (width <= 0 || height <= 0) return 0;
  return rowStride(width, bits) * size_t(height - 1) + (size_t(width) * size_t(bits) + 7) / 8;
}

// 16- or 32-bit rows through channel masks into a 24-bit bitmap.
void setMaskedBits(TGifBitmap& bitmap, const uint8_t* data, int32_t bits, bool flip, const TMasks& masks) {
  bitmap.SetPixelFormat(gpf24bit);
  const TChannel red(masks.Red), green(masks.Green), blue(masks.Blue);
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  const size_t stride = rowStride(w, bits);
  for (int32_t i = 0; i < h; ++i) {
    const uint8_t* in = data + size_t(i) * stride;
    uint8_t* out = bitmap.ScanLine(flip ? h - 1 - i : i);
    for (int32_t x = 0; x < w; ++x, out += 3) {
      uint32_t v;
      if (bits == 16) {
        v = uint32_t(in[0] | in[1] << 8);
        in += 2;
      } else {
        v = uint32_t(in[0] | in[1] << 8 | in[2] << 16 | uint32_t(in[3]) << 24);
        in += 4;
      }
      out[0] = blue(v);
      out[1] = green(v);
      out[2] = red(v);
    }
  }
}

}  // namespace

void TGifBitmap::SetBits(const std::vector<uint8_t>& AData, int32_t ABitsPerPixel, bool Flip) {
  if (ABitsPerPixel < 8 && ABitsPerPixel != 1 && ABitsPerPixel != 4) return;
  if (ABitsPerPixel <= 0) return;
  const int32_t w = FWidth, h = FHeight;
  if (AData.size() < pixelBytes(w, h, ABitsPerPixel)) throw EHtGIFException(u"Premature end of data");
  if (w == 0 || h == 0) return;
  if (ABitsPerPixel == 16 || ABitsPerPixel == 32) {
    setMaskedBits(*this, AData.data(), ABitsPerPixel, Flip, ABitsPerPixel == 16 ? kMasks16 : kMasks32);
    return;
  }
  const size_t stride = rowStride(w, ABitsPerPixel);
  if (ABitsPerPixel == 1 || ABitsPerPixel == 4) SetPixelFormat(gpf8bit);
  for (int32_t i = 0; i < h; ++i) {
    const uint8_t* in = AData.data() + size_t(i) * stride;
    uint8_t* out = ScanLine(Flip ? h - 1 - i : i);
    if (ABitsPerPixel == 1) {
      for (int32_t x = 0; x < w; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
    } else if (ABitsPerPixel == 4) {
      for (int32_t x = 0; x < w; ++x) out[x] = x & 1 ? in[x >> 1] & 0x0F : in[x >> 1] >> 4;
    } else {
      // Rows in the bitmap's own format; a source row shorter than that
      // gives only the bytes it has.
      const size_t offset = size_t(i) * stride;
      const size_t n = std::min(size_t(w) * size_t(PixelSize()), AData.size() - offset);
      std::memcpy(out, in, n);
    }
  }
}

void THtGIFFrame::Assign(const TGifBitmap* Source) {
  // The frame's own cached bitmap is kept alive while it is read.
  std::unique_ptr<TGifBitmap> own;
  if (Source && Source == FBitmap.get()) own = std::move(FBitmap);
  Clear();
  if (!Source) return;
  try {
    assignBitmap(*Source);
  } catch (...) {
    Clear();  // no half-made frame
    throw;
  }
}

void THtGIFFrame::assignBitmap(const TGifBitmap& Bitmap) {
  const TGifBitmap* Source = &Bitmap;
  SetBounds(0, 0, std::abs(Source->Width()), Source->Height());
  if (Empty()) return;

  const TColorReduction reduction = FImage ? FImage->ColorReduction : rmQuantize;
  std::unique_ptr<TGifBitmap> bitmap;
  THtGIFPixelFormat format = Source->PixelFormat();
  if (format == gpf1bit || format == gpf4bit || format == gpf8bit) {
    bitmap = std::make_unique<TGifBitmap>();
    bitmap->Assign(Source);
  } else {
    const TGIFPalette palette = Source->Palette();
    bitmap = ReduceColors(*Source, reduction, FImage ? FImage->DitherMode : dmFloydSteinberg,
                          FImage ? FImage->ReductionBits() : 8, reduction == rmPalette ? &palette : nullptr);
    format = bitmap->PixelFormat();
    if (bitmap->Width() != Width() || bitmap->Height() != Height())
      throw EHtGIFException(u"Color table is empty");  // reduction to a palette without colours
  }

  // gpf4bit has no packed layout: it goes the true-colour way.
  const THtGIFPixelFormat readFormat = format == gpf1bit || format == gpf8bit ? format : gpf24bit;
  TDIBReader reader(*bitmap, readFormat);
  const int32_t w = Width(), h = Height();
  uint8_t* pixels = FData.data();
  if (readFormat == gpf1bit || readFormat == gpf8bit) {
    FColorTable->ImportPalette(bitmap->Palette());
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* in = bitmap->ScanLine(y);
      uint8_t* out = pixels + size_t(y) * w;
      if (readFormat == gpf1bit)
        for (int32_t x = 0; x < w; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
      else
        std::memcpy(out, in, size_t(w));
    }
    const int32_t count = FColorTable->Count();
    if (count < 256)
      for (size_t i = 0; i < FData.size(); ++i)
        if (pixels[i] >= count) pixels[i] = 0;
  } else {
    // The colours in order of first use; a ring of the last eight colours
    // added spares most table searches.
    struct TRecent {
      uint32_t Color;
      int32_t Index;
    } ring[8];
    int32_t ringPos = 0, ringFilled = 0;
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* in = bitmap->ScanLine(y);
      uint8_t* out = pixels + size_t(y) * w;
      for (int32_t x = 0; x < w; ++x, in += 3) {
        const uint32_t color = uint32_t(in[2]) | uint32_t(in[1]) << 8 | uint32_t(in[0]) << 16;
        int32_t index = -1;
        for (int32_t k = 1; k <= ringFilled; ++k) {
          const TRecent& r = ring[(ringPos - k + 8) & 7];
          if (r.Color == color) {
            index = r.Index;
            break;
          }
        }
        if (index < 0) {
          index = FColorTable->AddUnique(color);
          ring[ringPos] = {color, index};
          ringPos = (ringPos + 1) & 7;
          ringFilled = std::min(ringFilled + 1, 8);
        }
        out[x] = uint8_t(index);
      }
    }
  }

  if (Source->Transparent() && (format == gpf1bit || format == gpf4bit || format == gpf8bit)) {
    const int32_t index = FColorTable->IndexOf(Source->TransparentColor());
    if (index >= 0) {
      if (!FGCE) new TGIFGraphicControlExtension(this);  // owned by the extension list
      FGCE->SetTransparentColorIndex(index);
      FGCE->SetPackedFields(uint8_t(FGCE->PackedFields() | 1));
    }
  }
  // The cached picture is made from the frame's own pixels when asked for,
  // so it always matches them.
  FBitmap.reset();
  FLocalPalette.reset();
}

void THtGIFFrame::SetBitmap(const TGifBitmap* Value) {
  if (Value && Value == FBitmap.get()) {
    Assign(Value);  // keeps it alive while reading it
    return;
  }
  FBitmap.reset();
  if (Value) Assign(Value);
}

// ---------------------------------------------------------------------------
// Device-independent bitmaps

namespace {

uint32_t le32(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

void THtGifImage::ConvertDIB(TStream& ST, std::vector<uint8_t>& Data, bool Flip, bool Transparent) {
  const int64_t start = ST.Position();
  uint8_t header[56] = {};
  gif::ReadCheck(ST, header, 4);
  const uint32_t biSize = le32(header);
  int64_t width, height;
  int32_t bitCount;
  uint32_t compression = 0, clrUsed = 0;
  size_t entrySize = 4;
  TMasks masks = kMasks32;
  bool masksAfterHeader = false;
  if (biSize == 12) {
    // The old core header: 16-bit sizes and three-byte palette entries.
    gif::ReadCheck(ST, header + 4, 8);
    width = le16(header + 4);
    height = le16(header + 6);
    bitCount = le16(header + 10);
    entrySize = 3;
  } else if (biSize >= 40) {
    const size_t extra = biSize >= 52 ? 52 : 40;
    gif::ReadCheck(ST, header + 4, extra - 4);
    width = int32_t(le32(header + 4));
    height = int32_t(le32(header + 8));
    bitCount = le16(header + 14);
    compression = le32(header + 16);
    clrUsed = le32(header + 32);
    if (compression == 3) {
      if (bitCount != 16 && bitCount != 32) throw EHtGIFException(u"Unsupported bitmap compression");
      if (biSize >= 52) {
        masks = TMasks{le32(header + 40), le32(header + 44), le32(header + 48)};
      } else {
        ST.SetPosition(start + biSize);
        uint8_t m[12];
        gif::ReadCheck(ST, m, 12);
        masks = TMasks{le32(m), le32(m + 4), le32(m + 8)};
        masksAfterHeader = true;
      }
    } else if (compression != 0) {
      throw EHtGIFException(u"Unsupported bitmap compression");
    } else if (bitCount == 16) {
      masks = kMasks16;
    }
  } else {
    throw EHtGIFException(u"Unsupported bitmap header");
  }
  // A negative height marks rows stored top to bottom.
  const bool topDown = height < 0;
  height = std::abs(height);
  if (width <= 0 || height == 0 || width > 65535 || height > 65535 || clrUsed > 256)
    throw EHtGIFException(u"Invalid image dimensions");
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    throw EHtGIFException(u"Unsupported PixelFormat");
  CheckGifPixelBudget(width, height);
  const int32_t w = int32_t(width), h = int32_t(height);

  ST.SetPosition(start + biSize + (masksAfterHeader ? 12 : 0));
  TGIFPalette palette;
  if (bitCount <= 8) {
    const size_t count = clrUsed ? clrUsed : size_t(1) << bitCount;
    std::vector<uint8_t> bytes(count * entrySize);
    gif::ReadCheck(ST, bytes.data(), bytes.size());
    palette.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = bytes.data() + i * entrySize;
      palette[i] = TGIFColor{e[2], e[1], e[0]};
    }
  } else if (clrUsed) {
    ST.SetPosition(ST.Position() + int64_t(clrUsed * entrySize));  // an optional table for true colour
  }

  const size_t need = pixelBytes(w, h, bitCount);
  const int64_t available = ST.Size() - ST.Position();
  if (available < 0 || size_t(available) < need) throw EHtGIFException(u"Premature end of data");
  std::vector<uint8_t> pixels(need);
  gif::ReadCheck(ST, pixels.data(), need);

  THtGifImage image;
  image.SetWidth(w);
  image.SetHeight(h);
  TGifBitmap bitmap;
  bitmap.SetPixelFormat(bitCount <= 8 ? gpf8bit : gpf24bit);
  bitmap.SetWidth(w);
  bitmap.SetHeight(h);
  bitmap.SetPalette(palette);
  const bool flip = Flip != topDown;
  if (bitCount == 16 || bitCount == 32)
    setMaskedBits(bitmap, pixels.data(), bitCount, flip, masks);
  else
    bitmap.SetBits(pixels, bitCount, flip);
  bitmap.SetTransparent(Transparent);
  auto* frame = new THtGIFFrame(&image);  // owned by the image's frame list
  frame->Assign(&bitmap);
  if (Transparent) frame->MakeTransparent(int32_t(frame->Bitmap()->GetPixel(0, 0)));

  TMemoryStream out;
  image.SaveToStream(out);
  Data = out.Data();
}

}  // namespace ht
