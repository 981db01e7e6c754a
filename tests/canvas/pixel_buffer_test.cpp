#include "canvas/pixel_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "canvas/matrix.h"

namespace ht {
namespace {

// A buffer holding the given rows of bytes.
THtBitmapData makeData(int w, int h, int bits, std::vector<std::vector<uint8_t>> rows) {
  THtBitmapData d(w, h, bits);
  for (int y = 0; y < h; ++y) std::memcpy(d.ScanLine(y), rows[size_t(y)].data(), rows[size_t(y)].size());
  return d;
}

TEST(BitmapData, CalcStride) {
  struct Case {
    int width, bits, stride;
  } cases[] = {{3, 24, 12}, {5, 1, 4}, {33, 1, 8}, {0, 8, 0}, {7, 4, 4}, {1, 48, 8}, {10, 32, 40}};
  for (Case c : cases) EXPECT_EQ(THtBitmapData::CalcStride(c.width, c.bits), c.stride) << c.width << "/" << c.bits;
  EXPECT_THROW(THtBitmapData::CalcStride(4, 0), EAssertionFailed);
  EXPECT_THROW(THtBitmapData::CalcStride(4, 49), EAssertionFailed);
  EXPECT_THROW(THtBitmapData::CalcStride(-1, 8), EAssertionFailed);
}

TEST(BitmapData, SetDataRepacksRows) {
  THtBitmapData d(1, 1, 8);
  // Three 3-byte rows become rows of stride 4.
  d.SetData({1, 2, 3, 4, 5, 6, 7, 8, 9}, 3, 3, 8);
  EXPECT_EQ(d.Stride(), 4);
  EXPECT_EQ(d.Data().size(), 12u);
  EXPECT_EQ(d.GetPixel(0, 1), 4u);
  EXPECT_EQ(d.GetPixel(2, 2), 9u);
  EXPECT_THROW(d.SetData({}, 3, 3, 8), EAssertionFailed);
  EXPECT_THROW(d.SetData({1, 2, 3}, 3, 1, 0), EAssertionFailed);
}

TEST(BitmapData, PixelAccess) {
  THtBitmapData d(10, 2, 1);
  d.SetPixel(9, 1, 1);
  EXPECT_EQ(d.ScanLine(1)[1], 0x40);
  EXPECT_EQ(d.GetPixel(9, 1), 1u);
  EXPECT_EQ(d.GetPixel(-1, 0), 0u);
  d.SetPixel(10, 0, 1);  // outside: ignored
  THtBitmapData c(2, 1, 24);
  c.SetPixel(1, 0, 0x112233);
  EXPECT_EQ(c.ScanLine(0)[3], 0x33);
  EXPECT_EQ(c.GetPixel(1, 0), 0x112233u);
  EXPECT_EQ(c.GetPixel(0, 1), 0u);
}

class RecordingSpace : public THtColorSpace {
 public:
  bool identity = false, bulk = false;
  int calls = 0;
  uint32_t ConvertColor(uint32_t C) override {
    ++calls;
    return 0xFF000000u | (~C & 0xFFFFFF);
  }
  bool IsIdentity() override { return identity; }
  bool Convert8to32(const uint8_t* src, uint32_t* dst, int w, int h, int stride) override {
    if (!bulk) return false;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) dst[y * w + x] = 0x11000000u | src[y * stride + x];
    return true;
  }
};

TEST(BitmapData, Convertto32ByDepth) {
  struct Case {
    int bits, width;
    std::vector<uint8_t> row;
    std::vector<uint32_t> expected;
  } cases[] = {
      {1, 9, {0xA0, 0x80}, {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
                            0xFF000000, 0xFFFFFFFF}},
      {4, 3, {0x2F, 0x05}, {0xFF0F0F0F, 0xFF020202, 0xFF050505}},  // low nibble first, unscaled
      {8, 2, {0x00, 0x80}, {0xFF000000, 0xFF808080}},
      {16, 2, {0x1F, 0x00, 0x00, 0x7C}, {0xFF0000FF, 0xFFFF0000}},
      {24, 2, {1, 2, 3, 4, 5, 6}, {0xFF030201, 0xFF060504}},
  };
  for (const Case& c : cases) {
    THtBitmapData d = makeData(c.width, 1, c.bits, {c.row});
    d.Convertto32(nullptr);
    ASSERT_EQ(d.PixelBits(), 32);
    EXPECT_EQ(d.Stride(), 4 * c.width);
    for (int x = 0; x < c.width; ++x) EXPECT_EQ(d.GetPixel(x, 0), c.expected[size_t(x)]) << c.bits << " x=" << x;
  }
  // 16-bit fields: 5 bits scaled to 0..255 by (v * 527 + 23) >> 6.
  THtBitmapData w = makeData(1, 1, 16, {{0x10, 0x00}});
  w.Convertto32(nullptr);
  EXPECT_EQ(w.GetPixel(0, 0), 0xFF000084u);
}

TEST(BitmapData, Convertto32ThroughColourSpace) {
  RecordingSpace cs;
  THtBitmapData d = makeData(2, 2, 8, {{0, 1}, {1, 1}});
  cs.bulk = true;
  d.Convertto32(&cs);
  EXPECT_EQ(d.GetPixel(1, 0), 0x11000001u);
  EXPECT_EQ(cs.calls, 0);  // the bulk conversion took it: no table built

  THtBitmapData e = makeData(2, 2, 8, {{0, 1}, {1, 1}});
  cs.bulk = false;
  e.Convertto32(&cs);
  EXPECT_EQ(cs.calls, 256);
  EXPECT_EQ(e.GetPixel(1, 1), 0xFFFEFEFEu);

  // 32-bit runs are converted once per change of value.
  cs.calls = 0;
  THtBitmapData f(4, 1, 32);
  f.SetPixel(2, 0, 0x00ABCDEF);
  f.Convertto32(&cs);
  EXPECT_EQ(cs.calls, 3);  // the cache for 0, the 0xABCDEF pixel, then 0 again
  EXPECT_EQ(f.GetPixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(f.GetPixel(2, 0), 0xFF543210u);

  // An identity colour space is the same as none.
  cs.identity = true;
  THtBitmapData g = makeData(1, 1, 8, {{7}});
  g.Convertto32(&cs);
  EXPECT_EQ(g.GetPixel(0, 0), 0xFF070707u);
}

TEST(ColorSpace, BaseIdentity) {
  THtColorSpace cs;
  EXPECT_EQ(cs.ConvertColor(0x12345678), 0x12345678u);
  EXPECT_EQ(cs.ConvertFloat(1, 0.5, 0, 0.3), 0xFF0080FFu);
  EXPECT_TRUE(cs.IsIdentity());
  EXPECT_EQ(cs.InComponentCount(), 3);
}

TEST(BitmapData, CMYKtoRGBA) {
  THtBitmapData d(4, 1, 32);
  d.SetPixel(1, 0, 0xFF000000);  // K only
  d.SetPixel(2, 0, 0x000000FF);  // C only
  d.SetPixel(3, 0, 0xFF000000);
  d.CMYKtoRGBA();
  EXPECT_EQ(d.GetPixel(0, 0), 0xFFFFFFFFu);  // no ink, also as the first pixel
  EXPECT_EQ(d.GetPixel(1, 0), 0xFF231F20u);
  EXPECT_EQ(d.GetPixel(2, 0), 0xFF00ACEFu);  // 0.6784 * 255 = 172.99, truncated
  EXPECT_EQ(d.GetPixel(3, 0), 0xFF231F20u);
}

TEST(BitmapData, ApplyMaskDepths) {
  // 1-bit 10000000: pixel 0 transparent, pixels 1-7 opaque.
  THtBitmapData d(8, 1, 32);
  THtBitmapData m1 = makeData(8, 1, 1, {{0x80}});
  d.ApplyMask(m1);
  EXPECT_EQ(d.GetPixel(0, 0) >> 24, 0u);
  for (int x = 1; x < 8; ++x) EXPECT_EQ(d.GetPixel(x, 0) >> 24, 255u);

  THtBitmapData m8 = makeData(2, 1, 8, {{0x10, 0xF0}});
  THtBitmapData grey = makeData(4, 1, 8, {{1, 2, 3, 4}});  // converted to 32 bits first
  grey.ApplyMask(m8);  // the mask is stretched to 4 pixels
  EXPECT_EQ(m8.Width(), 4);
  EXPECT_EQ(grey.GetPixel(1, 0), 0x10020202u);
  EXPECT_EQ(grey.GetPixel(2, 0), 0xF0030303u);

  THtBitmapData m32(1, 1, 32);
  m32.SetPixel(0, 0, 0x000000AB);
  THtBitmapData one(1, 1, 32);
  one.ApplyMask(m32);
  EXPECT_EQ(one.GetPixel(0, 0), 0xAB000000u);

  // Packed masks: first pixel from the lowest bits, values unscaled.
  THtBitmapData m4 = makeData(2, 1, 4, {{0x2F}});
  THtBitmapData two(2, 1, 32);
  two.ApplyMask(m4);
  EXPECT_EQ(two.GetPixel(0, 0) >> 24, 15u);
  EXPECT_EQ(two.GetPixel(1, 0) >> 24, 2u);

  // A 2-bit mask cannot be resized: a size mismatch is an error, not a
  // read outside the mask.
  THtBitmapData m2 = makeData(1, 1, 2, {{0x03}});
  EXPECT_THROW(two.ApplyMask(m2), EHtBitmapDataError);
}

TEST(BitmapData, Convertto32Mask) {
  THtBitmapData d = makeData(2, 1, 24, {{1, 2, 3, 4, 5, 6}});
  THtBitmapData m = makeData(2, 1, 1, {{0x40}});
  d.Convertto32Mask(m);
  EXPECT_EQ(d.PixelBits(), 32);
  EXPECT_EQ(d.GetPixel(0, 0), 0xFF030201u);
  EXPECT_EQ(d.GetPixel(1, 0), 0x00060504u);

  THtBitmapData e = makeData(2, 1, 24, {{1, 2, 3, 4, 5, 6}});
  THtBitmapData m32(2, 1, 32);
  try {
    e.Convertto32Mask(m32);
    FAIL();
  } catch (const Exception& ex) {
    EXPECT_EQ(ex.Message(), u"Mask bits 32");
  }
}

TEST(BitmapData, ColourMasks) {
  // A stencil becomes a solid colour with the stencil as alpha.
  THtBitmapData s = makeData(2, 1, 8, {{0x00, 0x80}});
  s.ApplyColorMask(0xFF123456);
  EXPECT_EQ(s.PixelBits(), 32);
  EXPECT_EQ(s.GetPixel(0, 0), 0x00123456u);
  EXPECT_EQ(s.GetPixel(1, 0), 0x80123456u);

  THtBitmapData c = makeData(3, 1, 24, {{10, 20, 30, 10, 20, 31, 9, 20, 30}});
  c.ApplyColorRangeMask(30, 30, 20, 20, 10, 10);  // R, G, B bounds; byte 0 is blue
  EXPECT_EQ(c.GetPixel(0, 0), 0x001E140Au);
  EXPECT_EQ(c.GetPixel(1, 0) >> 24, 255u);
  EXPECT_EQ(c.GetPixel(2, 0) >> 24, 255u);

  THtBitmapData a(3, 2, 32);
  a.SetPixel(2, 1, 0x7F000000);
  a.ConverttoMask();
  EXPECT_EQ(a.PixelBits(), 8);
  EXPECT_EQ(a.Stride(), 3);
  EXPECT_EQ(a.Data(), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0x7F}));
  EXPECT_THROW(a.ConverttoMask(), EAssertionFailed);
}

TEST(BitmapData, CombineOneBitAcrossBytes) {
  THtBitmapData d = makeData(16, 1, 1, {{0xFF, 0xFF}});
  THtBitmapData s = makeData(8, 1, 1, {{0x5A}});
  d.Combine(s, 3, 0, poAnd);
  // Columns 3..10 take 01011010; the others stay set.
  EXPECT_EQ(d.ScanLine(0)[0], 0xEB);
  EXPECT_EQ(d.ScanLine(0)[1], 0x5F);

  struct Case {
    THtPixelOperation op;
    uint8_t expected;
  } cases[] = {{poOr, 0xFA}, {poAnd, 0x50}, {poXor, 0xAA}, {poNXor, 0x55}, {poCopy, 0x5A}};
  for (Case c : cases) {
    THtBitmapData t = makeData(8, 1, 1, {{0xF0}});
    t.Combine(s, 0, 0, c.op);
    EXPECT_EQ(t.ScanLine(0)[0], c.expected) << c.op;
  }
  // Negative offsets skip the source's first columns and rows.
  THtBitmapData u = makeData(8, 1, 1, {{0x00}});
  u.Combine(s, -4, 0, poCopy);
  EXPECT_EQ(u.ScanLine(0)[0], 0xA0);
  THtBitmapData wrong(8, 1, 24);
  EXPECT_THROW(u.Combine(wrong, 0, 0, poOr), EAssertionFailed);
}

TEST(BitmapData, CombineTwentyFourBits) {
  THtBitmapData d = makeData(2, 2, 24, {{1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}});
  THtBitmapData s = makeData(1, 1, 24, {{0x10, 0x20, 0x40}});
  d.Combine(s, 1, 1, poXor);
  EXPECT_EQ(d.GetPixel(1, 1), 0x412111u);
  EXPECT_EQ(d.GetPixel(0, 1), 0x010101u);
}

TEST(BitmapData, CropFlipResize) {
  THtBitmapData d = makeData(3, 3, 8, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  d.Crop(TRect{1, 1, 3, 3});
  EXPECT_EQ(d.Width(), 2);
  EXPECT_EQ(d.Stride(), 4);
  EXPECT_EQ(d.GetPixel(0, 0), 5u);
  EXPECT_EQ(d.GetPixel(1, 1), 9u);
  EXPECT_THROW(d.Crop(TRect{0, 0, 3, 1}), EHtBitmapDataError);
  d.FlipVertical();
  EXPECT_EQ(d.GetPixel(0, 0), 8u);

  THtBitmapData r = makeData(2, 2, 8, {{1, 2}, {3, 4}});
  r.Resize(4, 1);
  EXPECT_EQ(r.Height(), 1);
  EXPECT_EQ(r.Data(), (std::vector<uint8_t>{1, 1, 2, 2}));

  THtBitmapData q(3, 1, 32);
  for (int x = 0; x < 3; ++x) q.SetPixel(x, 0, uint32_t(x + 1));
  q.Resize(2, 2);  // columns round(x * 1.5): 0 and 2 (halves to even)
  EXPECT_EQ(q.GetPixel(0, 1), 1u);
  EXPECT_EQ(q.GetPixel(1, 1), 3u);

  THtBitmapData b = makeData(4, 1, 1, {{0x90}});
  b.Resize(8, 2);
  EXPECT_EQ(b.ScanLine(0)[0], 0xC3);
  EXPECT_EQ(b.ScanLine(1)[0], 0xC3);
  THtBitmapData n = makeData(2, 1, 4, {{0x1F}});  // high nibble first
  n.Resize(4, 1);
  EXPECT_EQ(n.ScanLine(0)[0], 0x11);
  EXPECT_EQ(n.ScanLine(0)[1], 0xFF);
}

TEST(BitmapData, ClearInvertSwap) {
  THtBitmapData d(9, 1, 1);
  d.Clear(5);
  EXPECT_EQ(d.Data(), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
  THtBitmapData p(2, 2, 32);
  p.Clear(0x80112233);
  EXPECT_EQ(p.GetPixel(1, 1), 0x80112233u);
  p.InvertComponents();
  EXPECT_EQ(p.GetPixel(0, 0), 0x7FEEDDCCu);
  THtBitmapData c = makeData(2, 1, 24, {{1, 2, 3, 4, 5, 6}});
  c.BGRtoRGB();
  EXPECT_EQ(c.GetPixel(0, 0), 0x010203u);
  EXPECT_EQ(c.GetPixel(1, 0), 0x040506u);
}

// ---- DIB loading ----

struct Dib {
  std::vector<uint8_t> bytes;
  void u16(uint32_t v) {
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
  }
  void u32(uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  static Dib header(int32_t w, int32_t h, int bits, uint32_t imageSize = 0, uint32_t used = 0) {
    Dib d;
    d.u32(40);
    d.u32(uint32_t(w));
    d.u32(uint32_t(h));
    d.u16(1);
    d.u16(uint32_t(bits));
    d.u32(0);
    d.u32(imageSize);
    d.u32(0);
    d.u32(0);
    d.u32(used);
    d.u32(0);
    return d;
  }
  TMemoryStream stream() const { return TMemoryStream(bytes.data(), bytes.size()); }
};

TEST(LoadfromDIB, PaletteExpandsAndFlips) {
  Dib dib = Dib::header(2, 2, 8, 0, 4);
  const uint8_t palette[4][4] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 11, 12, 0}};
  for (auto& e : palette) dib.bytes.insert(dib.bytes.end(), e, e + 4);
  const uint8_t pixels[8] = {0, 1, 0, 0, 2, 3, 0, 0};
  dib.bytes.insert(dib.bytes.end(), pixels, pixels + 8);
  for (bool flip : {false, true}) {
    TMemoryStream st = dib.stream();
    THtBitmapData d(1, 1, 8);
    d.LoadfromDIB(st, {}, 24, flip);
    EXPECT_EQ(d.PixelBits(), 24);
    // Entries are stored as red, green, blue.
    EXPECT_EQ(d.GetPixel(0, 0), flip ? 0x070809u : 0x010203u);
    EXPECT_EQ(d.GetPixel(1, 1), flip ? 0x040506u : 0x0A0B0Cu);
  }
  TMemoryStream st = dib.stream();
  THtBitmapData g(1, 1, 8);
  g.LoadfromDIB(st, {}, 8, false);
  EXPECT_EQ(g.Data(), (std::vector<uint8_t>{3, 6, 0, 0, 9, 12, 0, 0}));
}

TEST(LoadfromDIB, OneBitAndThirtyTwoBit) {
  Dib mono = Dib::header(3, 1, 1);
  const uint8_t pal[8] = {0, 0, 0, 0, 255, 255, 255, 0};
  mono.bytes.insert(mono.bytes.end(), pal, pal + 8);
  const uint8_t bits[4] = {0xA0, 0, 0, 0};
  mono.bytes.insert(mono.bytes.end(), bits, bits + 4);
  TMemoryStream st = mono.stream();
  THtBitmapData d(1, 1, 8);
  d.LoadfromDIB(st, {}, 8, false);
  EXPECT_EQ(d.Data(), (std::vector<uint8_t>{255, 0, 255, 0}));

  Dib argb = Dib::header(1, -2, 32);
  const uint8_t px[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  argb.bytes.insert(argb.bytes.end(), px, px + 8);
  TMemoryStream st2 = argb.stream();
  THtBitmapData e(1, 1, 8);
  e.LoadfromDIB(st2, {}, 24, true);
  EXPECT_EQ(e.Height(), 2);
  EXPECT_EQ(e.GetPixel(0, 0), 0xFF070605u);  // alpha forced opaque, rows flipped
}

TEST(LoadfromDIB, BitFieldMasksAreSkipped) {
  Dib dib = Dib::header(1, 1, 32);
  dib.bytes[16] = 3;  // bit fields: three colour masks follow the header
  for (uint32_t m : {0xFF0000u, 0xFF00u, 0xFFu}) dib.u32(m);
  const uint8_t px[4] = {1, 2, 3, 4};
  dib.bytes.insert(dib.bytes.end(), px, px + 4);
  TMemoryStream st = dib.stream();
  THtBitmapData d(1, 1, 8);
  d.LoadfromDIB(st, {}, 24, false);
  EXPECT_EQ(d.GetPixel(0, 0), 0xFF030201u);
}

TEST(LoadfromDIB, MalformedInputRaises) {
  auto load = [](const Dib& dib, std::vector<uint8_t> data = {}) {
    TMemoryStream st = dib.stream();
    THtBitmapData d(1, 1, 8);
    d.LoadfromDIB(st, data, 24, false);
  };
  Dib shortHeader;
  shortHeader.u32(40);
  EXPECT_THROW(load(shortHeader), EHtBitmapDataError);
  // Pixels missing from the stream, from AData, or a lying image size.
  EXPECT_THROW(load(Dib::header(4, 4, 24)), EHtBitmapDataError);
  EXPECT_THROW(load(Dib::header(4, 4, 24), std::vector<uint8_t>(47)), EHtBitmapDataError);
  EXPECT_THROW(load(Dib::header(4, 4, 24, 1000000)), EHtBitmapDataError);
  EXPECT_THROW(load(Dib::header(70000, 70000, 24)), EHtBitmapDataError);
  EXPECT_THROW(load(Dib::header(0, 4, 24)), EHtBitmapDataError);
  EXPECT_THROW(load(Dib::header(int32_t(0x80000000u), 1, 24)), EHtBitmapDataError);
  EXPECT_THROW(load(Dib::header(2, 2, 7)), EHtBitmapDataError);
  // A palette larger than the stream.
  EXPECT_THROW(load(Dib::header(1, 1, 8, 0, 0xFFFFFFFF)), EHtBitmapDataError);

  // Indexes beyond a short palette read black instead of stray memory.
  Dib dib = Dib::header(2, 1, 8, 0, 1);
  const uint8_t rest[8] = {9, 9, 9, 0, 0, 200, 0, 0};
  dib.bytes.insert(dib.bytes.end(), rest, rest + 8);
  TMemoryStream st = dib.stream();
  THtBitmapData d(1, 1, 8);
  d.LoadfromDIB(st, {}, 24, false);
  EXPECT_EQ(d.GetPixel(0, 0), 0x090909u);
  EXPECT_EQ(d.GetPixel(1, 0), 0u);
}

}  // namespace
}  // namespace ht
