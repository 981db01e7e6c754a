// Pictures into GIF frames: device-independent rows into bitmaps, bitmaps
// of each pixel format into frames, and whole DIBs into GIF files, hostile
// headers included.
#include <gtest/gtest.h>

#include <cstring>

#include "backends/gif_image.h"
#include "gif_test_util.h"

namespace ht {
namespace {

std::vector<uint8_t> bgrPixels(const TGifBitmap& b) { return b.Data(); }

TEST(GifSetBits, RowFormats) {
  struct Case {
    const char* name;
    int32_t width, height, bits;
    bool flip;
    std::vector<uint8_t> rows;
    THtGIFPixelFormat format;
    std::vector<uint8_t> pixels;
  } cases[] = {
      {"1-bit msb first", 8, 1, 1, false, {0x80, 0, 0, 0}, gpf8bit, {1, 0, 0, 0, 0, 0, 0, 0}},
      {"4-bit high half first", 2, 1, 4, false, {0x12, 0, 0, 0}, gpf8bit, {1, 2}},
      // Rows of 9 pixel bytes padded to 12; the last source row on top.
      {"24-bit flipped",
       3,
       2,
       24,
       true,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0},
       gpf24bit,
       {11, 12, 13, 14, 15, 16, 17, 18, 19, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      // 0x7FFF is white, 0x001F pure blue (blue first in each pixel).
      {"16-bit 5-5-5", 2, 1, 16, false, {0xFF, 0x7F, 0x1F, 0x00}, gpf24bit, {255, 255, 255, 255, 0, 0}},
      {"32-bit", 1, 1, 32, false, {7, 8, 9, 99}, gpf24bit, {7, 8, 9}},
  };
  for (const Case& c : cases) {
    TGifBitmap b;
    b.SetWidth(c.width);
    b.SetHeight(c.height);
    b.SetBits(c.rows, c.bits, c.flip);
    EXPECT_EQ(b.PixelFormat(), c.format) << c.name;
    EXPECT_EQ(bgrPixels(b), c.pixels) << c.name;
  }
  TGifBitmap b;
  b.SetWidth(3);
  b.SetHeight(2);
  try {
    b.SetBits(std::vector<uint8_t>(14), 24, false);  // 12 + 9 needed
    FAIL();
  } catch (const EHtGIFException& e) {
    EXPECT_STREQ(e.what(), "Premature end of data");
  }
}

TEST(GifFrameFromBitmap, PaletteFormats) {
  THtGifImage image;
  TGifBitmap b;
  b.SetPixelFormat(gpf8bit);
  b.SetWidth(3);
  b.SetHeight(1);
  TGIFPalette sixteen(16);
  for (int i = 0; i < 16; ++i) sixteen[size_t(i)] = TGIFColor{uint8_t(i), 0, 0};
  b.SetPalette(sixteen);
  b.SetBits({5, 200, 15, 0}, 8, false);
  auto* f = new THtGIFFrame(&image);
  f->Assign(&b);
  EXPECT_EQ(f->ColorTable().Count(), 16);
  EXPECT_EQ(f->Data(), (std::vector<uint8_t>{5, 0, 15}));  // 200 is no colour
  EXPECT_EQ(f->Width(), 3);
  EXPECT_EQ(image.Width(), 3);
  // A transparent palette bitmap marks its transparent colour's index.
  b.SetTransparent(true);
  b.TransparentIndex = 15;
  f->Assign(&b);
  ASSERT_TRUE(f->Transparent());
  EXPECT_EQ(f->GraphicControlExtension()->TransparentColorIndex(), 15);
}

TEST(GifFrameFromBitmap, TrueColourWithoutReductionKeepsColoursInOrderOfUse) {
  THtGifImage image;
  image.ColorReduction = rmNone;
  TGifBitmap b;
  b.SetWidth(3);
  b.SetHeight(1);
  b.SetBits({0, 0, 255, 255, 0, 0, 0, 0, 255, 0, 0, 0}, 24, false);  // red, blue, red
  auto* f = new THtGIFFrame(&image);
  f->Assign(&b);
  ASSERT_EQ(f->ColorTable().Count(), 2);
  EXPECT_EQ(f->ColorTable().GetColor(0), 0x0000FFu);  // red in the lowest byte
  EXPECT_EQ(f->ColorTable().GetColor(1), 0xFF0000u);
  EXPECT_EQ(f->Data(), (std::vector<uint8_t>{0, 1, 0}));

  // More than 256 colours cannot go in unreduced, and leave no half-made
  // frame behind.
  TGifBitmap many;
  many.SetWidth(300);
  many.SetHeight(1);
  std::vector<uint8_t> row(900);
  for (int i = 0; i < 300; ++i) row[size_t(i) * 3] = uint8_t(i), row[size_t(i) * 3 + 1] = uint8_t(i >> 8);
  many.SetBits(row, 24, false);
  EXPECT_THROW(f->Assign(&many), EHtGIFException);
  EXPECT_TRUE(f->Empty());
  EXPECT_EQ(f->ColorTable().Count(), 0);

  // The frame's own picture given back to it.
  f->Assign(&b);
  f->SetBitmap(f->Bitmap());
  EXPECT_EQ(f->Data(), (std::vector<uint8_t>{0, 1, 0}));

  // Reduced, the frame holds the quantised palette.
  image.ColorReduction = rmQuantize;
  f->Assign(&many);
  EXPECT_LE(f->ColorTable().Count(), 256);
  EXPECT_EQ(f->Width(), 300);
}

// --- DIBs ----------------------------------------------------------------

struct Dib {
  uint32_t headerSize = 40;
  int32_t width = 2, height = 2;
  uint16_t bits = 24;
  uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
  std::vector<uint8_t> palette;  // entries as stored
  std::vector<uint32_t> masks;   // red, green, blue
  std::vector<uint8_t> pixels;

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out;
    auto put = [&out](uint32_t v, int n) {
      for (int i = 0; i < n; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    put(headerSize, 4);
    if (headerSize == 12) {
      put(uint32_t(width), 2), put(uint32_t(height), 2), put(1, 2), put(bits, 2);
    } else {
      put(uint32_t(width), 4), put(uint32_t(height), 4), put(1, 2), put(bits, 2);
      put(compression, 4), put(sizeImage, 4), put(2835, 4), put(2835, 4), put(clrUsed, 4), put(0, 4);
      if (headerSize >= 52)
        for (uint32_t m : masks) put(m, 4);
      while (out.size() < headerSize) out.push_back(0);
      if (headerSize == 40)
        for (uint32_t m : masks) put(m, 4);
    }
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
  }
};

// Converts and reads the GIF back with giflib.
giftest::RefImage convert(const Dib& dib, bool flip = true, bool transparent = false,
                          std::vector<uint32_t>* colors = nullptr) {
  const auto bytes = dib.bytes();
  TMemoryStream in(bytes.data(), bytes.size());
  std::vector<uint8_t> gif;
  THtGifImage::ConvertDIB(in, gif, flip, transparent);
  if (colors) {
    THtGifImage image;
    EXPECT_EQ(giftest::Load(image, gif), "");
    const THtGIFFrame* f = image.Frames().Frames(0);
    colors->clear();
    for (uint8_t v : f->Data()) colors->push_back(f->ActiveColorTable().GetColor(v));
  }
  return giftest::GiflibDecode(gif);
}

TEST(GifConvertDIB, HeadersAndPixelLayouts) {
  // Bottom-up rows: the first row stored is the bottom one.
  Dib rgb;  // red, green / blue, white; biSizeImage 0 as usual
  rgb.pixels = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
  const std::vector<uint32_t> expected{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  std::vector<uint32_t> colors;
  auto ref = convert(rgb, true, false, &colors);
  ASSERT_TRUE(ref.Ok);
  EXPECT_EQ(ref.Width, 2);
  EXPECT_EQ(colors, expected);

  Dib v5 = rgb;  // the 124-byte header
  v5.headerSize = 124;
  v5.masks = {0, 0, 0};
  convert(v5, true, false, &colors);
  EXPECT_EQ(colors, expected);

  Dib topDown = rgb;  // a negative height stores rows top to bottom
  topDown.height = -2;
  topDown.pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
  convert(topDown, true, false, &colors);
  EXPECT_EQ(colors, expected);

  Dib fiveSixFive;  // bit fields after a 40-byte header
  fiveSixFive.bits = 16;
  fiveSixFive.compression = 3;
  fiveSixFive.masks = {0xF800, 0x07E0, 0x001F};
  fiveSixFive.pixels = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0xFF, 0xFF};  // blue, green / red, white
  convert(fiveSixFive, false, false, &colors);
  EXPECT_EQ(colors, (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));

  Dib core;  // 12-byte header, three-byte palette entries
  core.headerSize = 12;
  core.bits = 1;
  core.palette = {0, 0, 0, 255, 255, 255};
  core.pixels = {0x40, 0, 0, 0, 0x80, 0, 0, 0};
  convert(core, true, false, &colors);
  EXPECT_EQ(colors, (std::vector<uint32_t>{0xFFFFFF, 0, 0, 0xFFFFFF}));
}

TEST(GifConvertDIB, TransparentTopLeft) {
  Dib eight;
  eight.bits = 8;
  eight.width = 3;
  eight.clrUsed = 3;
  eight.palette = {0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};  // black, red, blue
  eight.pixels = {0, 0, 0, 0, 2, 1, 0, 0};  // top row: 2, 1, 0
  const auto ref = convert(eight, true, true);
  ASSERT_TRUE(ref.Ok);
  ASSERT_EQ(ref.Frames.size(), 1u);
  EXPECT_EQ(ref.Frames[0].Transparent, ref.Frames[0].Pixels[0]);
  EXPECT_EQ(ref.Frames[0].Pixels, (std::vector<uint8_t>{2, 1, 0, 0, 0, 0}));
}

TEST(GifConvertDIB, HostileHeadersFailCleanly) {
  using Edit = void (*)(Dib&);
  struct Case {
    const char* name;
    Edit edit;
    const char* message;
  } cases[] = {
      {"zero width", [](Dib& d) { d.width = 0; }, "Invalid image dimensions"},
      {"negative width", [](Dib& d) { d.width = -3; }, "Invalid image dimensions"},
      {"too wide", [](Dib& d) { d.width = 70000, d.height = 1; }, "Invalid image dimensions"},
      {"huge", [](Dib& d) { d.width = 65535, d.height = 65535; }, "Image is too large"},
      {"too many colours", [](Dib& d) { d.bits = 8, d.clrUsed = 300; }, "Invalid image dimensions"},
      {"short pixels", [](Dib& d) { d.pixels.resize(13); }, "Premature end of data"},
      {"short palette", [](Dib& d) { d.bits = 8, d.palette.resize(40); }, "Premature end of data"},
      {"run-length", [](Dib& d) { d.bits = 8, d.compression = 1; }, "Unsupported bitmap compression"},
      {"bit fields on 24 bits", [](Dib& d) { d.compression = 3; }, "Unsupported bitmap compression"},
      {"odd header", [](Dib& d) { d.headerSize = 20; }, "Unsupported bitmap header"},
      {"odd bit count", [](Dib& d) { d.bits = 2; }, "Unsupported PixelFormat"},
  };
  for (const Case& c : cases) {
    Dib dib;
    c.edit(dib);
    const auto bytes = dib.bytes();
    TMemoryStream in(bytes.data(), bytes.size());
    std::vector<uint8_t> data{1, 2, 3};
    try {
      THtGifImage::ConvertDIB(in, data, true, false);
      ADD_FAILURE() << c.name;
    } catch (const EHtGIFException& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3})) << c.name;
  }
}

}  // namespace
}  // namespace ht
