#include "canvas/pixel_buffer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "canvas/matrix.h"
#include "canvas/pixel_rows.h"
#include "canvas/pixels.h"

namespace ht {

namespace {

[[noreturn]] void assertionFailure(int line) {
  throw EAssertionFailed(u"Assertion failure (%s, line %d)", u"pixel_buffer.cpp", line);
}

}  // namespace

namespace {

inline uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

inline uint32_t getBit(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void setBit(uint8_t* row, int x, uint32_t v) {
  uint8_t m = uint8_t(0x80 >> (x & 7));
  row[x >> 3] = uint8_t(v & 1 ? row[x >> 3] | m : row[x >> 3] & ~m);
}

// Sub-byte pixels, first pixel in the most significant bits.
inline uint32_t getPacked(const uint8_t* row, int x, int bits) {
  int perByte = 8 / bits, shift = 8 - bits * (x % perByte + 1);
  return (row[x / perByte] >> shift) & ((1u << bits) - 1);
}
inline void setPacked(uint8_t* row, int x, int bits, uint32_t v) {
  int perByte = 8 / bits, shift = 8 - bits * (x % perByte + 1);
  uint8_t mask = uint8_t(((1u << bits) - 1) << shift);
  row[x / perByte] = uint8_t((row[x / perByte] & ~mask) | ((v << shift) & mask));
}

// Reads exactly Count bytes or raises.
void readExact(TStream& ST, uint8_t* To, size_t Count) {
  if (ST.Read(To, Count) != Count) throw EHtBitmapDataError(String(u"Bitmap data is truncated"));
}

// Bytes left in the stream after its position.
uint64_t bytesLeft(TStream& ST) {
  int64_t here = ST.Position(), size = ST.Size();
  return size > here ? uint64_t(size - here) : 0;
}

struct Corner {
  double R, G, B;
};

// Corner colours by the inks present: index C * 8 + M * 4 + Y * 2 + K.
constexpr Corner kInkCorners[16] = {
    {1, 1, 1},                {0.1373, 0.1216, 0.1255},  // none, K
    {1, 0.949, 0},            {0.1098, 0.102, 0},        // Y, Y+K
    {0.9255, 0, 0.549},       {0.1412, 0, 0},            // M, M+K
    {0.9294, 0.1098, 0.1412}, {0.1333, 0, 0},            // M+Y, M+Y+K
    {0, 0.6784, 0.9373},      {0, 0.0588, 0.1412},       // C, C+K
    {0, 0.651, 0.3137},       {0, 0.0745, 0},            // C+Y, C+Y+K
    {0.1804, 0.1922, 0.5725}, {0, 0, 0.0078},            // C+M, C+M+K
    {0.2118, 0.2119, 0.2235}, {0, 0, 0},                 // C+M+Y, C+M+Y+K
};

uint32_t cmykToArgb(uint32_t v) {
  double ink[4] = {(v & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, ((v >> 16) & 0xFF) / 255.0,
                   (v >> 24) / 255.0};
  double r = 0, g = 0, b = 0;
  for (int corner = 0; corner < 16; ++corner) {
    double w = 1;
    for (int i = 0; i < 4; ++i) w *= (corner >> (3 - i)) & 1 ? ink[i] : 1 - ink[i];
    r += w * kInkCorners[corner].R;
    g += w * kInkCorners[corner].G;
    b += w * kInkCorners[corner].B;
  }
  auto channel = [](double c) { return uint32_t(std::clamp(c, 0.0, 1.0) * 255); };
  return 0xFF000000u | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

uint8_t combineBits(uint8_t d, uint8_t s, THtPixelOperation op) {
  switch (op) {
    case poOr: return uint8_t(d | s);
    case poAnd: return uint8_t(d & s);
    case poXor: return uint8_t(d ^ s);
    case poNXor: return uint8_t(d ^ ~s);
    case poCopy: return s;
  }
  return d;
}

}  // namespace

// ---- THtColorSpace ----

uint32_t THtColorSpace::ConvertColor(uint32_t C) { return C; }

uint32_t THtColorSpace::ConvertFloat(double C1, double C2, double C3, double) {
  auto byte = [](double c) { return uint32_t(int64_t(c * 255 + 0.5)); };
  return 0xFF000000u + byte(C3) * 65536 + byte(C2) * 256 + byte(C1);
}

int THtColorSpace::InComponentCount() { return 3; }
int THtColorSpace::OutComponentCount() { return 3; }
bool THtColorSpace::IsIdentity() { return true; }
bool THtColorSpace::Convert8to32(const uint8_t*, uint32_t*, int, int, int) { return false; }

// ---- THtBitmapData ----

THtBitmapData::THtBitmapData(int AWidth, int AHeight, int ABits) {
  if (AHeight < 0) assertionFailure(__LINE__);
  FWidth = AWidth;
  FHeight = AHeight;
  FBits = ABits;
  FStride = CalcStride(AWidth, ABits);
  FData.assign(size_t(FStride) * size_t(FHeight), 0);
}

std::unique_ptr<THtBitmapData> THtBitmapData::Create(int AWidth, int AHeight, int ABits) const {
  return std::make_unique<THtBitmapData>(AWidth, AHeight, ABits);
}

int THtBitmapData::CalcStride(int AWidth, int ABits) {
  if (ABits < 1 || ABits > 48 || AWidth < 0) assertionFailure(__LINE__);
  int64_t stride = (int64_t(AWidth) * ABits + 31) / 32 * 4;
  if (stride > INT_MAX) assertionFailure(__LINE__);
  return int(stride);
}

void THtBitmapData::resetTo(int AWidth, int AHeight, int ABits, std::vector<uint8_t> AData, int AStride) {
  FWidth = AWidth;
  FHeight = AHeight;
  FBits = ABits;
  FStride = AStride;
  FData = std::move(AData);
}

void THtBitmapData::SetWidth(int Value) {
  FWidth = Value;
  FStride = CalcStride(FWidth, FBits);
  FData.resize(size_t(FStride) * size_t(FHeight));
}

void THtBitmapData::SetHeight(int Value) {
  if (Value < 0) assertionFailure(__LINE__);
  FHeight = Value;
  FData.resize(size_t(FStride) * size_t(FHeight));
}

void THtBitmapData::SetData(std::vector<uint8_t> AData, int AWidth, int AHeight, int ABits) {
  if (ABits <= 0) assertionFailure(__LINE__);
  const size_t sourceStride = AHeight > 0 ? AData.size() / size_t(AHeight) : 0;
  if (sourceStride == 0) assertionFailure(__LINE__);
  const int stride = CalcStride(AWidth, ABits);
  std::vector<uint8_t> data;
  if (sourceStride == size_t(stride)) {
    data = std::move(AData);
  } else {
    data.assign(size_t(stride) * size_t(AHeight), 0);
    const size_t n = std::min(sourceStride, size_t(stride));
    for (int y = 0; y < AHeight; ++y)
      std::memcpy(data.data() + size_t(y) * stride, AData.data() + size_t(y) * sourceStride, n);
  }
  data.resize(size_t(stride) * size_t(AHeight));
  resetTo(AWidth, AHeight, ABits, std::move(data), stride);
}

void THtBitmapData::LoadfromDIB(TStream& ST, const std::vector<uint8_t>& AData, int ABits, bool AFlip) {
  const int64_t start = ST.Position();
  uint8_t h[40];
  readExact(ST, h, sizeof h);
  auto u32 = [&](int at) { return load32(h + at); };
  const uint32_t headerSize = u32(0);
  const int64_t width = int32_t(u32(4)), height = int32_t(u32(8));
  const int bits = h[14] | (h[15] << 8);
  const uint32_t compression = u32(16), imageSize = u32(20), colorsUsed = u32(32);
  if (headerSize < 12) throw EHtBitmapDataError(String(u"Invalid bitmap header"));
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    throw EHtBitmapDataError(u"Unsupported bitmap depth %d", bits);
  // Run-length and embedded JPEG/PNG pixels are not decoded.
  if (compression != 0 && compression != 3)
    throw EHtBitmapDataError(u"Unsupported bitmap compression %u", compression);
  const int64_t w = std::abs(width), hgt = std::abs(height);
  if (w == 0 || hgt == 0 || w > (1 << 24) || hgt > (1 << 24))
    throw EHtBitmapDataError(String(u"Invalid bitmap size"));
  const int64_t required = hgt * ((w * bits + 31) / 32 * 4);
  if (required > INT_MAX) throw EHtBitmapDataError(String(u"Invalid bitmap size"));

  // Palette: 3-byte entries after a core header, else blue, green, red,
  // reserved, kept as red, green, blue.
  uint8_t palette[256][3] = {};
  const bool hasPalette = bits <= 8;
  if (hasPalette && ABits != 24 && ABits != 8) throw EHtBitmapDataError(u"Unsupported target depth %d", ABits);
  if (hasPalette) {
    ST.SetPosition(start + int64_t(headerSize));
    const uint32_t entries = colorsUsed != 0 ? colorsUsed : 1u << bits;
    const uint32_t entrySize = headerSize == 12 ? 3 : 4;
    if (uint64_t(entries) * entrySize > bytesLeft(ST)) throw EHtBitmapDataError(String(u"Bitmap data is truncated"));
    for (uint32_t i = 0; i < entries; ++i) {
      uint8_t e[4];
      readExact(ST, e, entrySize);
      if (i >= (1u << bits)) continue;  // entries no index can reach
      if (entrySize == 3)
        std::memcpy(palette[i], e, 3);
      else
        palette[i][0] = e[2], palette[i][1] = e[1], palette[i][2] = e[0];
    }
  }

  // Colour masks follow a plain 40-byte header of a bit-field image.
  if (!hasPalette && compression == 3 && headerSize == 40) ST.SetPosition(start + 40 + 12);
  std::vector<uint8_t> pixels;
  if (imageSize != 0) {
    if (imageSize < uint64_t(required) || imageSize > bytesLeft(ST))
      throw EHtBitmapDataError(String(u"Bitmap data is truncated"));
    pixels.resize(imageSize);
    readExact(ST, pixels.data(), pixels.size());
  } else if (!AData.empty()) {
    if (AData.size() < uint64_t(required)) throw EHtBitmapDataError(String(u"Bitmap data is truncated"));
    pixels = AData;
  } else {
    if (uint64_t(required) > bytesLeft(ST)) throw EHtBitmapDataError(String(u"Bitmap data is truncated"));
    pixels.resize(size_t(required));
    readExact(ST, pixels.data(), pixels.size());
  }
  // The DIB's alpha byte is not used.
  if (bits == 32)
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  SetData(std::move(pixels), int(w), int(hgt), bits);

  if (!hasPalette) {
    if (AFlip) FlipVertical();
    return;
  }
  auto target = Create(FWidth, FHeight, ABits);
  for (int y = 0; y < FHeight; ++y) {
    const uint8_t* src = ScanLine(AFlip ? FHeight - 1 - y : y);
    uint8_t* dst = target->ScanLine(y);
    for (int x = 0; x < FWidth; ++x) {
      const uint8_t* entry = palette[bits == 8 ? src[x] : getPacked(src, x, bits)];
      if (ABits == 24)
        std::memcpy(dst + 3 * x, entry, 3);
      else
        dst[x] = entry[0];
    }
  }
  resetTo(FWidth, FHeight, ABits, std::move(target->FData), target->FStride);
}

void THtBitmapData::Convertto32(THtColorSpace* AColorSpace) {
  THtColorSpace* cs = AColorSpace && !AColorSpace->IsIdentity() ? AColorSpace : nullptr;
  if (FBits != 1 && FBits != 4 && FBits != 8 && FBits != 16 && FBits != 24 && FBits != 32) return;
  if (FBits == 32 && !cs) return;
  std::vector<uint8_t> out(size_t(FWidth) * size_t(FHeight) * 4);
  auto put = [&](int x, int y, uint32_t v) { store32(out.data() + (size_t(y) * FWidth + x) * 4, v); };
  uint32_t table[256];
  switch (FBits) {
    case 1:
      table[0] = cs ? cs->ConvertColor(0) : 0xFF000000u;
      table[1] = cs ? cs->ConvertColor(1) : 0xFFFFFFFFu;
      for (int y = 0; y < FHeight; ++y)
        Expand1to32(ScanLine(y), reinterpret_cast<uint32_t*>(out.data()) + size_t(y) * FWidth, FWidth, table[0],
                    table[1]);
      break;
    case 4:
      for (uint32_t v = 0; v < 16; ++v) table[v] = cs ? cs->ConvertColor(v) : 0xFF000000u + v * 0x010101u;
      for (int y = 0; y < FHeight; ++y) {
        const uint8_t* src = ScanLine(y);
        for (int x = 0; x < FWidth; ++x) put(x, y, table[(src[x / 2] >> (x % 2 * 4)) & 0xF]);
      }
      break;
    case 8:
      if (cs && cs->Convert8to32(FData.data(), reinterpret_cast<uint32_t*>(out.data()), FWidth, FHeight, FStride))
        break;
      for (uint32_t g = 0; g < 256; ++g) table[g] = cs ? cs->ConvertColor(g * 0x01010101u) : 0xFF000000u + g * 0x010101u;
      for (int y = 0; y < FHeight; ++y) {
        const uint8_t* src = ScanLine(y);
        for (int x = 0; x < FWidth; ++x) put(x, y, table[src[x]]);
      }
      break;
    case 16:
      for (int y = 0; y < FHeight; ++y) {
        const uint8_t* src = ScanLine(y);
        for (int x = 0; x < FWidth; ++x) {
          uint32_t word = src[2 * x] | (src[2 * x + 1] << 8);
          auto expand = [](uint32_t v) { return ((v & 31) * 527 + 23) >> 6; };
          uint32_t c = 0xFF000000u | (expand(word >> 10) << 16) | (expand(word >> 5) << 8) | expand(word);
          put(x, y, cs ? cs->ConvertColor(c) : c);
        }
      }
      break;
    case 24:
      for (int y = 0; y < FHeight; ++y) {
        const uint8_t* src = ScanLine(y);
        if (!cs) {
          Expand24to32(src, reinterpret_cast<uint32_t*>(out.data()) + size_t(y) * FWidth, FWidth);
          continue;
        }
        for (int x = 0; x < FWidth; ++x) {
          uint32_t c = src[3 * x] | (src[3 * x + 1] << 8) | (src[3 * x + 2] << 16);
          put(x, y, cs->ConvertColor(c));
        }
      }
      break;
    case 32: {
      // Runs of one value are converted once.
      uint32_t lastIn = 0, lastOut = cs->ConvertColor(0);
      for (int y = 0; y < FHeight; ++y) {
        const uint8_t* src = ScanLine(y);
        for (int x = 0; x < FWidth; ++x) {
          uint32_t v = load32(src + 4 * x);
          if (v != lastIn) lastIn = v, lastOut = cs->ConvertColor(v);
          put(x, y, lastOut);
        }
      }
      break;
    }
  }
  resetTo(FWidth, FHeight, 32, std::move(out), FWidth * 4);
}

void THtBitmapData::CMYKtoRGBA() {
  if (FBits != 32) return;
  bool first = true;
  uint32_t lastIn = 0, lastOut = 0;
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = ScanLine(y);
    for (int x = 0; x < FWidth; ++x) {
      uint32_t v = load32(row + 4 * x);
      if (first || v != lastIn) lastIn = v, lastOut = cmykToArgb(v), first = false;
      store32(row + 4 * x, lastOut);
    }
  }
}

void THtBitmapData::BGRtoRGB() {
  if (FBits != 24) return;
  for (int y = 0; y < FHeight; ++y) SwapBGR24(ScanLine(y), FWidth);
}

void THtBitmapData::InvertComponents() {
  for (uint8_t& b : FData) b = uint8_t(~b);
}

void THtBitmapData::FlipVertical() {
  for (int a = 0, b = FHeight - 1; a < b; ++a, --b) std::swap_ranges(ScanLine(a), ScanLine(a) + FStride, ScanLine(b));
}

void THtBitmapData::Clear(uint32_t AColor) {
  switch (FBits) {
    case 1: std::fill(FData.begin(), FData.end(), AColor != 0 ? 0xFF : 0); break;
    case 8: std::fill(FData.begin(), FData.end(), uint8_t(AColor)); break;
    case 32: FillPixels32(AColor, FData.data(), int64_t(FData.size() / 4)); break;
    default: break;
  }
}

void THtBitmapData::checkMask(const THtBitmapData& AMask) const {
  if (AMask.FBits != 1 && AMask.FBits != 2 && AMask.FBits != 4 && AMask.FBits != 8 && AMask.FBits != 32)
    throw Exception(u"Mask bits %d", AMask.FBits);
  // Masks that cannot be resized must already fit.
  if (AMask.FWidth != FWidth || AMask.FHeight != FHeight)
    throw EHtBitmapDataError(u"Mask size %dx%d differs from bitmap size %dx%d", AMask.FWidth, AMask.FHeight,
                             FWidth, FHeight);
}

void THtBitmapData::maskRow(const THtBitmapData& AMask, int Y, uint8_t* Out) const {
  const uint8_t* m = AMask.ScanLine(Y);
  for (int x = 0; x < FWidth; ++x) {
    switch (AMask.FBits) {
      case 1: Out[x] = getBit(m, x) ? 0 : 255; break;
      // Packed masks read the first pixel from the lowest bits, unscaled.
      case 2: Out[x] = (m[x / 4] >> (x % 4 * 2)) & 3; break;
      case 4: Out[x] = (m[x / 2] >> (x % 2 * 4)) & 15; break;
      case 8: Out[x] = m[x]; break;
      default: Out[x] = m[4 * x]; break;
    }
  }
}

void THtBitmapData::ApplyMask(THtBitmapData& AMask) {
  AMask.Resize(FWidth, FHeight);
  if (FBits != 32) Convertto32(nullptr);
  if (FBits != 32) return;
  checkMask(AMask);
  std::vector<uint8_t> alpha(static_cast<size_t>(FWidth));
  for (int y = 0; y < FHeight; ++y) {
    if (AMask.FBits == 1) {
      ApplyMaskRow1(ScanLine(y), AMask.ScanLine(y), FWidth);
    } else if (AMask.FBits == 8) {
      ApplyMaskRow8(ScanLine(y), AMask.ScanLine(y), FWidth);
    } else {
      maskRow(AMask, y, alpha.data());
      ApplyMaskRow8(ScanLine(y), alpha.data(), FWidth);
    }
  }
}

void THtBitmapData::Convertto32Mask(THtBitmapData& AMask) {
  AMask.Resize(FWidth, FHeight);
  if (FBits != 24) {
    ApplyMask(AMask);
    return;
  }
  if (AMask.FBits != 1 && AMask.FBits != 8) throw Exception(u"Mask bits %d", AMask.FBits);
  checkMask(AMask);
  std::vector<uint8_t> out(size_t(FWidth) * size_t(FHeight) * 4), alpha(static_cast<size_t>(FWidth));
  for (int y = 0; y < FHeight; ++y) {
    const uint8_t* src = ScanLine(y);
    uint8_t* dst = out.data() + size_t(y) * FWidth * 4;
    maskRow(AMask, y, alpha.data());
    for (int x = 0; x < FWidth; ++x) {
      std::memcpy(dst + 4 * x, src + 3 * x, 3);
      dst[4 * x + 3] = alpha[size_t(x)];
    }
  }
  resetTo(FWidth, FHeight, 32, std::move(out), FWidth * 4);
}

void THtBitmapData::ApplyColorMask(uint32_t AColor) {
  auto solid = Create(FWidth, FHeight, 32);
  solid->Clear(AColor);
  solid->ApplyMask(*this);
  resetTo(FWidth, FHeight, 32, std::move(solid->FData), solid->FStride);
}

void THtBitmapData::ApplyColorRangeMask(int R1, int R2, int G1, int G2, int B1, int B2) {
  if (FData.empty()) return;
  if (FBits != 32) Convertto32(nullptr);
  if (FBits != 32) return;
  const uint8_t r1 = uint8_t(R1), r2 = uint8_t(R2), g1 = uint8_t(G1), g2 = uint8_t(G2), b1 = uint8_t(B1),
                b2 = uint8_t(B2);
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* p = ScanLine(y);
    for (int x = 0; x < FWidth; ++x, p += 4)
      if (p[0] >= b1 && p[0] <= b2 && p[1] >= g1 && p[1] <= g2 && p[2] >= r1 && p[2] <= r2) p[3] = 0;
  }
}

void THtBitmapData::ConverttoMask() {
  if (FBits != 32) assertionFailure(__LINE__);
  std::vector<uint8_t> out(size_t(FWidth) * size_t(FHeight));
  for (int y = 0; y < FHeight; ++y) {
    const uint8_t* src = ScanLine(y);
    for (int x = 0; x < FWidth; ++x) out[size_t(y) * FWidth + x] = src[4 * x + 3];
  }
  resetTo(FWidth, FHeight, 8, std::move(out), FWidth);
}

void THtBitmapData::Combine(const THtBitmapData& ASource, int X, int Y, THtPixelOperation AOperation) {
  if (ASource.FBits != FBits) assertionFailure(__LINE__);
  if (FBits != 1 && FBits != 24) return;
  const int x0 = std::max(X, 0), x1 = int(std::min<int64_t>(int64_t(X) + ASource.FWidth, FWidth));
  const int y0 = std::max(Y, 0), y1 = int(std::min<int64_t>(int64_t(Y) + ASource.FHeight, FHeight));
  for (int y = y0; y < y1; ++y) {
    uint8_t* d = ScanLine(y);
    const uint8_t* s = ASource.ScanLine(y - Y);
    for (int x = x0; x < x1; ++x) {
      if (FBits == 1) {
        setBit(d, x, combineBits(uint8_t(getBit(d, x)), uint8_t(getBit(s, x - X)), AOperation));
      } else {
        for (int c = 0; c < 3; ++c) d[3 * x + c] = combineBits(d[3 * x + c], s[3 * (x - X) + c], AOperation);
      }
    }
  }
}

void THtBitmapData::Crop(const TRect& CropRect) {
  const TRect& r = CropRect;
  if (r.Left < 0 || r.Top < 0 || r.Left > r.Right || r.Top > r.Bottom || r.Right > FWidth || r.Bottom > FHeight)
    throw EHtBitmapDataError(u"Crop rectangle (%d, %d, %d, %d) lies outside the %dx%d bitmap", r.Left, r.Top,
                             r.Right, r.Bottom, FWidth, FHeight);
  const int w = r.Right - r.Left, h = r.Bottom - r.Top, stride = CalcStride(w, FBits);
  std::vector<uint8_t> out(size_t(stride) * size_t(h), 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = ScanLine(r.Top + y);
    uint8_t* dst = out.data() + size_t(y) * stride;
    if (FBits >= 8) {
      const int bytes = FBits / 8;
      std::memcpy(dst, src + size_t(r.Left) * bytes, size_t(w) * bytes);
    } else {
      for (int x = 0; x < w; ++x) setPacked(dst, x, FBits, getPacked(src, r.Left + x, FBits));
    }
  }
  resetTo(w, h, FBits, std::move(out), stride);
}

void THtBitmapData::Resize(int NewWidth, int NewHeight) {
  if (NewWidth == FWidth && NewHeight == FHeight) return;
  if (FBits != 1 && FBits != 4 && FBits != 8 && FBits != 32) return;
  if (NewWidth < 0 || NewHeight < 0)
    throw EHtBitmapDataError(u"Invalid bitmap size %dx%d", NewWidth, NewHeight);
  const int stride = CalcStride(NewWidth, FBits);
  std::vector<uint8_t> out(size_t(stride) * size_t(NewHeight), 0);
  if (FWidth > 0 && FHeight > 0) {
    for (int y = 0; y < NewHeight; ++y) {
      uint8_t* dst = out.data() + size_t(y) * stride;
      if (FBits == 32) {
        int sy = std::min(int(std::nearbyint(double(FHeight) * y / NewHeight)), FHeight - 1);
        const uint8_t* src = ScanLine(sy);
        const double step = double(FWidth) / NewWidth;
        for (int x = 0; x < NewWidth; ++x) {
          int sx = std::min(int(std::nearbyint(x * step)), FWidth - 1);
          std::memcpy(dst + 4 * x, src + 4 * sx, 4);
        }
        continue;
      }
      const uint8_t* src = ScanLine(int(int64_t(y) * FHeight / NewHeight));
      if (NewWidth == FWidth) {
        std::memcpy(dst, src, size_t(stride));
        continue;
      }
      for (int x = 0; x < NewWidth; ++x) {
        int sx = int(int64_t(x) * FWidth / NewWidth);
        if (FBits == 8)
          dst[x] = src[sx];
        else
          setPacked(dst, x, FBits, getPacked(src, sx, FBits));
      }
    }
  }
  resetTo(NewWidth, NewHeight, FBits, std::move(out), stride);
}

uint32_t THtBitmapData::GetPixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  const uint8_t* row = ScanLine(Y);
  switch (FBits) {
    case 1: return getBit(row, X);
    case 8: return row[X];
    case 24: return row[3 * X] | (row[3 * X + 1] << 8) | (row[3 * X + 2] << 16);
    case 32: return load32(row + 4 * X);
    default: return 0;
  }
}

void THtBitmapData::SetPixel(int X, int Y, uint32_t Value) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
  uint8_t* row = ScanLine(Y);
  switch (FBits) {
    case 1: setBit(row, X, Value); break;
    case 8: row[X] = uint8_t(Value); break;
    case 24:
      row[3 * X] = uint8_t(Value), row[3 * X + 1] = uint8_t(Value >> 8), row[3 * X + 2] = uint8_t(Value >> 16);
      break;
    case 32: store32(row + 4 * X, Value); break;
    default: break;
  }
}

}  // namespace ht
