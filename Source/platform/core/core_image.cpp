// The decoder registry, the pixel budget and our own BMP and ICO readers.
#include "platform/core/core_image.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace ht::core {

bool WithinPixelBudget(int64_t W, int64_t H, int64_t Frames) {
  if (W <= 0 || H <= 0 || Frames <= 0) return false;
  if (W > HtMaxImageSide || H > HtMaxImageSide) return false;
  return W * H * Frames <= HtMaxImagePixels;
}

bool TCoreImage::AddFrame(int Count, bool Clear) {
  if (!WithinPixelBudget(Width, Height, int64_t(Frames.size()) + Count)) return false;
  Frames.emplace_back();
  const size_t n = size_t(Width) * size_t(Height) * 4;
  if (Clear)
    Frames.back().Bits.assign(n, 0);
  else
    Frames.back().Bits.resize(n);
  return true;
}

// ---------------------------------------------------------------- registry

std::shared_ptr<TCoreImageDecoder> CreatePNGDecoder();
std::shared_ptr<TCoreImageDecoder> CreateJPEGDecoder();
std::shared_ptr<TCoreImageDecoder> CreateTIFFDecoder();
std::shared_ptr<TCoreImageDecoder> CreateWebPDecoder();
std::shared_ptr<TCoreImageDecoder> CreateBMPDecoder();
std::shared_ptr<TCoreImageDecoder> CreateICODecoder();

namespace {

struct Registry {
  std::mutex Lock;
  std::vector<std::shared_ptr<TCoreImageDecoder>> List;
  Registry() {
    List = {CreatePNGDecoder(), CreateJPEGDecoder(), CreateTIFFDecoder(), CreateWebPDecoder(), CreateBMPDecoder(),
            CreateICODecoder()};
  }
};

Registry& registry() {
  static Registry r;
  return r;
}

std::vector<std::shared_ptr<TCoreImageDecoder>> snapshot() {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.Lock);
  return r.List;
}

}  // namespace

void RegisterImageDecoder(std::shared_ptr<TCoreImageDecoder> Decoder) {
  if (!Decoder) return;
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.Lock);
  for (auto& d : r.List)
    if (d->Name() == Decoder->Name()) {
      d = std::move(Decoder);
      return;
    }
  r.List.push_back(std::move(Decoder));
}

void UnregisterImageDecoder(std::string_view Name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.Lock);
  std::erase_if(r.List, [&](const auto& d) { return d->Name() == Name; });
}

std::vector<std::string> ImageDecoderNames() {
  std::vector<std::string> names;
  for (auto& d : snapshot()) names.emplace_back(d->Name());
  return names;
}

bool DecodeImage(const uint8_t* Data, size_t Size, TCoreImage& Image) {
  Image = TCoreImage();
  if (!Data || Size == 0) return false;
  for (auto& d : snapshot()) {
    if (!d->CanRead(Data, Size)) continue;
    bool ok = false;
    try {
      ok = d->Decode(Data, Size, Image);
    } catch (...) {
      ok = false;
    }
    if (ok && Image.Width > 0 && Image.Height > 0 && !Image.Frames.empty()) {
      Image.Format = std::string(d->Name());
      return true;
    }
    Image = TCoreImage();
  }
  return false;
}

// ---------------------------------------------------------------- BMP

namespace {

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t s32(const uint8_t* p) { return int32_t(u32(p)); }

// Reads a value out of a bit-field mask, scaled to 0..255.
struct Field {
  uint32_t Mask = 0;
  int Shift = 0, Bits = 0;
  explicit Field(uint32_t M = 0) : Mask(M) {
    if (!M) return;
    while (!((M >> Shift) & 1)) ++Shift;
    while (Shift + Bits < 32 && ((M >> (Shift + Bits)) & 1)) ++Bits;
  }
  uint8_t Get(uint32_t v) const {
    if (!Mask) return 0;
    const uint32_t x = (v & Mask) >> Shift;
    if (Bits >= 8) return uint8_t(x >> (Bits - 8));
    const uint32_t max = (1u << Bits) - 1;
    return uint8_t((x * 255 + max / 2) / max);
  }
};

// A device-independent bitmap: Dib points at its header, Pixels (when not
// null) at its pixel array, which otherwise follows the palette. Icons store
// twice the height and an AND mask after the colours.
bool decodeDib(const uint8_t* Dib, size_t DibSize, const uint8_t* Pixels, const uint8_t* End, bool Icon,
               TCoreImage& Img) {
  if (DibSize < 12) return false;
  const uint32_t hs = u32(Dib);
  if (hs != 12 && hs != 16 && hs != 40 && hs != 52 && hs != 56 && hs != 64 && hs != 108 && hs != 124) return false;
  if (DibSize < hs) return false;
  int64_t w, h;
  unsigned bpp, comp = 0, used = 0;
  if (hs == 12) {
    w = u16(Dib + 4);
    h = int16_t(u16(Dib + 6));
    bpp = u16(Dib + 10);
  } else {
    w = s32(Dib + 4);
    h = s32(Dib + 8);
    bpp = u16(Dib + 14);
    if (hs >= 20) comp = u32(Dib + 16);
    if (hs >= 36) used = u32(Dib + 32);
  }
  if (Icon) h /= 2;
  const bool topDown = h < 0;
  if (topDown) h = -h;
  if (!WithinPixelBudget(w, h)) return false;
  uint32_t masks[4] = {0, 0, 0, 0};
  const uint8_t* after = Dib + hs;
  bool hasAlphaMask = false;
  if (comp == 3 || comp == 6) {
    if (hs >= 52) {
      for (int i = 0; i < 3; ++i) masks[i] = u32(Dib + 40 + 4 * i);
      if (hs >= 56) masks[3] = u32(Dib + 52), hasAlphaMask = masks[3] != 0;
    } else {
      const int n = comp == 6 ? 4 : 3;
      if (size_t(End - after) < size_t(4 * n)) return false;
      for (int i = 0; i < n; ++i) masks[i] = u32(after + 4 * i);
      hasAlphaMask = n == 4 && masks[3] != 0;
      after += 4 * n;
    }
    if (bpp != 16 && bpp != 32) return false;
  } else if (comp == 1) {
    if (bpp != 8) return false;
  } else if (comp == 2) {
    if (bpp != 4) return false;
  } else if (comp != 0) {
    return false;
  }
  if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  // The palette.
  uint32_t palette[256] = {};
  if (bpp <= 8) {
    const unsigned max = 1u << bpp;
    unsigned n = used == 0 || used > max ? max : used;
    const int entry = hs == 12 ? 3 : 4;
    n = unsigned(std::min<size_t>(n, size_t(End - after) / size_t(entry)));
    for (unsigned i = 0; i < n; ++i) palette[i] = 0xFF000000u | (u32(after + i * entry) & 0xFFFFFF);
    after += n * entry;
  }
  const uint8_t* bits = Pixels ? Pixels : after;
  if (bits < Dib || bits > End) return false;
  Img.Width = int(w);
  Img.Height = int(h);
  if (!Img.AddFrame()) return false;
  const size_t stride = ((size_t(w) * bpp + 31) / 32) * 4;
  auto rowOut = [&](int64_t fileRow) { return Img.Row(0, int(topDown ? fileRow : h - 1 - fileRow)); };

  if (comp == 1 || comp == 2) {
    // Run-length rows; pixels no run reaches stay transparent.
    const uint8_t* p = bits;
    int64_t x = 0, y = 0;
    auto put = [&](unsigned idx) {
      if (x < w && y < h) std::memcpy(rowOut(y) + x * 4, &palette[idx & 0xFF], 4);
      ++x;
    };
    while (End - p >= 2 && y < h) {
      const unsigned n = p[0], v = p[1];
      p += 2;
      if (n > 0) {
        for (unsigned i = 0; i < n; ++i) put(comp == 1 ? v : (i & 1 ? v & 15 : v >> 4));
        continue;
      }
      if (v == 0) {
        x = 0, ++y;
      } else if (v == 1) {
        break;
      } else if (v == 2) {
        if (End - p < 2) break;
        x += p[0], y += p[1];
        p += 2;
      } else {
        const size_t bytes = comp == 1 ? v : (v + 1) / 2;
        if (size_t(End - p) < bytes) break;
        for (unsigned i = 0; i < v; ++i) put(comp == 1 ? p[i] : (i & 1 ? p[i / 2] & 15 : p[i / 2] >> 4));
        p += (bytes + 1) & ~size_t(1);
      }
    }
    return true;
  }

  const Field fr(masks[0] ? masks[0] : (bpp == 16 ? 0x7C00 : 0xFF0000)),
      fg(masks[1] ? masks[1] : (bpp == 16 ? 0x03E0 : 0xFF00)), fb(masks[2] ? masks[2] : (bpp == 16 ? 0x1F : 0xFF)),
      fa(masks[3]);
  // Rows the data does not reach stay transparent (a cut file still shows
  // what it has).
  bool anyAlpha = false;
  // A 32-bit icon's alpha counts only when some pixel has one.
  const bool iconAlpha = Icon && bpp == 32 && !hasAlphaMask;
  for (int64_t r = 0; r < h; ++r) {
    const uint8_t* src = bits + size_t(r) * stride;
    if (src > End || size_t(End - src) < stride) break;
    uint8_t* dst = rowOut(r);
    for (int64_t x = 0; x < w; ++x, dst += 4) {
      uint32_t c;
      switch (bpp) {
        case 1: c = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 2: c = palette[(src[x >> 2] >> (6 - 2 * (x & 3))) & 3]; break;
        case 4: c = palette[(src[x >> 1] >> (x & 1 ? 0 : 4)) & 15]; break;
        case 8: c = palette[src[x]]; break;
        case 24: c = 0xFF000000u | src[x * 3] | src[x * 3 + 1] << 8 | uint32_t(src[x * 3 + 2]) << 16; break;
        default: {
          const uint32_t v = bpp == 16 ? u16(src + x * 2) : u32(src + x * 4);
          const uint8_t a = hasAlphaMask ? fa.Get(v) : (Icon && bpp == 32 ? uint8_t(v >> 24) : 255);
          if (a) anyAlpha = true;
          c = uint32_t(a) << 24 | uint32_t(fr.Get(v)) << 16 | uint32_t(fg.Get(v)) << 8 | fb.Get(v);
        }
      }
      std::memcpy(dst, &c, 4);
      if (!iconAlpha) Premultiply(dst);
    }
  }
  if (iconAlpha && anyAlpha)
    for (size_t i = 0; i < Img.Frames[0].Bits.size(); i += 4) Premultiply(&Img.Frames[0].Bits[i]);
  // Icons: a 32-bit image with alpha carries its own transparency; others
  // take it from the AND mask (1 = transparent).
  if (Icon && !(bpp == 32 && anyAlpha)) {
    if (bpp == 32)
      for (auto it = Img.Frames[0].Bits.begin() + 3; it < Img.Frames[0].Bits.end(); it += 4) *it = 255;
    const size_t mstride = ((size_t(w) + 31) / 32) * 4;
    const uint8_t* mask = bits + stride * size_t(h);
    for (int64_t r = 0; r < h; ++r) {
      const uint8_t* m = mask + size_t(r) * mstride;
      if (m > End || size_t(End - m) < mstride) break;
      uint8_t* dst = rowOut(r);
      for (int64_t x = 0; x < w; ++x)
        if ((m[x >> 3] >> (7 - (x & 7))) & 1) std::memset(dst + x * 4, 0, 4);
    }
  }
  return true;
}

class TBMPDecoder : public TCoreImageDecoder {
 public:
  std::string_view Name() const override { return "bmp"; }
  bool CanRead(const uint8_t* D, size_t S) const override { return S >= 18 && D[0] == 'B' && D[1] == 'M'; }
  bool Decode(const uint8_t* D, size_t S, TCoreImage& Img) const override {
    const uint32_t off = u32(D + 10);
    const uint8_t* end = D + S;
    if (off > S) return false;
    return decodeDib(D + 14, S - 14, off >= 14 + 12 ? D + off : nullptr, end, false, Img);
  }
};

class TICODecoder : public TCoreImageDecoder {
 public:
  std::string_view Name() const override { return "ico"; }
  bool CanRead(const uint8_t* D, size_t S) const override {
    return S >= 6 && u16(D) == 0 && (u16(D + 2) == 1 || u16(D + 2) == 2) && u16(D + 4) > 0;
  }
  bool Decode(const uint8_t* D, size_t S, TCoreImage& Img) const override {
    const unsigned count = u16(D + 4);
    if (S < 6 + 16 * size_t(count)) return false;
    // The largest entry, then the deepest.
    int best = -1;
    int64_t bestKey = -1;
    for (unsigned i = 0; i < count; ++i) {
      const uint8_t* e = D + 6 + 16 * i;
      const int64_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
      const int64_t key = (w * h) << 8 | u16(e + 6);
      if (key > bestKey) bestKey = key, best = int(i);
    }
    const uint8_t* e = D + 6 + 16 * best;
    const uint32_t size = u32(e + 8), off = u32(e + 12);
    if (off >= S || size > S - off) return false;
    const uint8_t* p = D + off;
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (size >= 8 && std::memcmp(p, png, 8) == 0) {
      auto dec = CreatePNGDecoder();
      return dec->Decode(p, size, Img);
    }
    return decodeDib(p, size, nullptr, p + size, true, Img);
  }
};

}  // namespace

std::shared_ptr<TCoreImageDecoder> CreateBMPDecoder() { return std::make_shared<TBMPDecoder>(); }
std::shared_ptr<TCoreImageDecoder> CreateICODecoder() { return std::make_shared<TICODecoder>(); }

// ---------------------------------------------------------------- ICO writer

std::vector<uint8_t> EncodeICO(const uint8_t* Bits, int Width, int Height) {
  std::vector<uint8_t> png = EncodePNG(Bits, Width, Height);
  if (png.empty() || Width > 256 || Height > 256) return {};
  std::vector<uint8_t> out(22);
  auto put16 = [&](size_t at, unsigned v) { out[at] = uint8_t(v), out[at + 1] = uint8_t(v >> 8); };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
  };
  put16(2, 1);
  put16(4, 1);
  out[6] = uint8_t(Width == 256 ? 0 : Width);
  out[7] = uint8_t(Height == 256 ? 0 : Height);
  put16(10, 1);
  put16(12, 32);
  put32(14, uint32_t(png.size()));
  put32(18, 22);
  out.insert(out.end(), png.begin(), png.end());
  return out;
}

}  // namespace ht::core
