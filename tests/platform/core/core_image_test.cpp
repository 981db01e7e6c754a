// The decoder registry against fixtures the tests make: PNG, JPEG and TIFF
// through their libraries' encoders, WebP lossless, BMP and ICO bytes by
// hand; every result compared with its source pixels.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>

#include "platform/core/core_fonts.h"
#include "platform/core/core_image.h"

namespace ht::core {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t px(TCoreImage& I, int x, int y, size_t f = 0) {
  uint32_t v;
  std::memcpy(&v, I.Row(f, y) + 4 * x, 4);
  return v;  // premultiplied ARGB
}

// ---- PNG through libpng's full writer (palettes, depths, interlacing)

void pngWrite(png_structp p, png_bytep d, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(p));
  out->insert(out->end(), d, d + n);
}
void pngFlush(png_structp) {}

Bytes makePNG(int W, int H, int ColorType, int Depth, bool Interlace, const std::vector<Bytes>& Rows,
              const std::vector<png_color>& Palette = {}, const Bytes& Trns = {}) {
  Bytes out;
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  png_set_write_fn(p, &out, pngWrite, pngFlush);
  png_set_IHDR(p, info, png_uint_32(W), png_uint_32(H), Depth, ColorType,
               Interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!Palette.empty()) png_set_PLTE(p, info, Palette.data(), int(Palette.size()));
  if (!Trns.empty()) png_set_tRNS(p, info, Trns.data(), int(Trns.size()), nullptr);
  png_write_info(p, info);
  if (Depth == 16) png_set_swap(p);  // rows below are little-endian
  std::vector<png_bytep> rows;
  for (auto& r : Rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(p, rows.data());
  png_write_end(p, nullptr);
  png_destroy_write_struct(&p, &info);
  return out;
}

TEST(CoreImage, PNGKinds) {
  TCoreImage img;
  // Palette with tRNS: entry 1 half transparent red.
  Bytes pal = makePNG(2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {{0, 1}}, {{0, 0, 255}, {255, 0, 0}}, {255, 128});
  ASSERT_TRUE(DecodeImage(pal.data(), pal.size(), img));
  EXPECT_EQ(img.Format, "png");
  EXPECT_EQ(px(img, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(px(img, 1, 0), 0x80800000u);
  // 16-bit RGB: the high byte is kept.
  Bytes deep = makePNG(1, 1, PNG_COLOR_TYPE_RGB, 16, false, {{0xFF, 0xFF, 0x00, 0x80, 0x00, 0x00}});
  ASSERT_TRUE(DecodeImage(deep.data(), deep.size(), img));
  EXPECT_EQ(px(img, 0, 0) & 0xFFFFFF00u, 0xFFFF8000u);
  // Grey and interlaced.
  std::vector<Bytes> rows;
  for (int y = 0; y < 9; ++y) {
    Bytes r;
    for (int x = 0; x < 9; ++x) r.push_back(uint8_t(x * 20 + y));
    rows.push_back(r);
  }
  Bytes grey = makePNG(9, 9, PNG_COLOR_TYPE_GRAY, 8, true, rows);
  ASSERT_TRUE(DecodeImage(grey.data(), grey.size(), img));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) {
      const uint32_t g = uint32_t(x * 20 + y);
      ASSERT_EQ(px(img, x, y), 0xFF000000u | g << 16 | g << 8 | g) << x << "," << y;
    }
}

// ---- JPEG through libjpeg's compressor

Bytes makeJPEG(int W, int H, J_COLOR_SPACE Space, int Components, const Bytes& Pixels) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = JDIMENSION(W);
  c.image_height = JDIMENSION(H);
  c.input_components = Components;
  c.in_color_space = Space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(Pixels.data() + size_t(c.next_scanline) * size_t(W * Components));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(mem, mem + size);
  jpeg_destroy_compress(&c);
  free(mem);
  return out;
}

bool near(uint32_t a, uint32_t b, int tol) {
  for (int s = 0; s < 32; s += 8)
    if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tol) return false;
  return true;
}

TEST(CoreImage, JPEGGreyAndCMYK) {
  TCoreImage img;
  Bytes grey = makeJPEG(8, 8, JCS_GRAYSCALE, 1, Bytes(64, 100));
  ASSERT_TRUE(DecodeImage(grey.data(), grey.size(), img));
  EXPECT_EQ(img.Format, "jpeg");
  EXPECT_TRUE(near(px(img, 3, 3), 0xFF646464u, 2)) << std::hex << px(img, 3, 3);
  // Inks stored inverted, as Adobe writes them: pure cyan-free, magenta-free
  // yellow over no black gives (255, 255, 0).
  Bytes cmyk;
  for (int i = 0; i < 64; ++i) cmyk.insert(cmyk.end(), {255, 255, 0, 255});
  Bytes j = makeJPEG(8, 8, JCS_CMYK, 4, cmyk);
  ASSERT_TRUE(DecodeImage(j.data(), j.size(), img));
  EXPECT_TRUE(near(px(img, 4, 4), 0xFFFFFF00u, 3)) << std::hex << px(img, 4, 4);
}

TEST(CoreImage, TIFFAndWebP) {
  TCoreImage img;
  // TIFF: RGBA with straight alpha, written to a temporary file.
  std::string name = ::testing::TempDir() + "core_image_test.tif";
  TIFF* t = TIFFOpen(name.c_str(), "w");
  ASSERT_NE(t, nullptr);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  uint16_t extra = EXTRASAMPLE_UNASSALPHA;
  TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
  uint8_t rows[2][8] = {{255, 0, 0, 255, 0, 255, 0, 255}, {0, 0, 255, 255, 255, 255, 255, 0}};
  for (uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(t, rows[y], y, 0);
  TIFFClose(t);
  FILE* f = std::fopen(name.c_str(), "rb");
  Bytes tif;
  for (int c; (c = std::fgetc(f)) != EOF;) tif.push_back(uint8_t(c));
  std::fclose(f);
  std::remove(name.c_str());
  ASSERT_TRUE(DecodeImage(tif.data(), tif.size(), img));
  EXPECT_EQ(img.Format, "tiff");
  EXPECT_EQ(px(img, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(px(img, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(px(img, 0, 1), 0xFF0000FFu);
  EXPECT_EQ(px(img, 1, 1), 0u);

  // WebP lossless keeps every pixel.
  Bytes bgra = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 10, 20, 30, 255};
  uint8_t* out = nullptr;
  size_t n = WebPEncodeLosslessBGRA(bgra.data(), 2, 2, 8, &out);
  ASSERT_GT(n, 0u);
  Bytes webp(out, out + n);
  WebPFree(out);
  ASSERT_TRUE(DecodeImage(webp.data(), webp.size(), img));
  EXPECT_EQ(img.Format, "webp");
  EXPECT_EQ(0, std::memcmp(img.Frames[0].Bits.data(), bgra.data(), 16));
}

// ---- BMP and ICO by hand

void put16(Bytes& b, unsigned v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A file with a 40-byte header; Extra (masks, palette) before Pixels.
Bytes makeBMP(int W, int H, int Bpp, uint32_t Comp, const Bytes& Extra, const Bytes& Pixels) {
  Bytes b = {'B', 'M'};
  put32(b, uint32_t(14 + 40 + Extra.size() + Pixels.size()));
  put32(b, 0);
  put32(b, uint32_t(14 + 40 + Extra.size()));
  put32(b, 40);
  put32(b, uint32_t(W));
  put32(b, uint32_t(H));
  put16(b, 1);
  put16(b, unsigned(Bpp));
  put32(b, Comp);
  for (int i = 0; i < 5; ++i) put32(b, 0);
  b.insert(b.end(), Extra.begin(), Extra.end());
  b.insert(b.end(), Pixels.begin(), Pixels.end());
  return b;
}

TEST(CoreImage, BMPDepthsAndLayouts) {
  const Bytes pal2 = {0, 0, 0, 0, 255, 255, 255, 0};  // black, white
  const Bytes pal16 = [] {
    Bytes p(64, 0);
    p[4 * 3 + 2] = 255;  // entry 3: red
    return p;
  }();
  struct Case {
    const char* Name;
    Bytes File;
    uint32_t TopLeft, TopRight;
  } cases[] = {
      // Bottom-up: the first row in the file is the bottom row.
      {"1-bit", makeBMP(2, 2, 1, 0, pal2, {0x40, 0, 0, 0, 0x80, 0, 0, 0}), 0xFFFFFFFF, 0xFF000000},
      {"4-bit", makeBMP(2, 1, 4, 0, pal16, {0x30, 0, 0, 0}), 0xFFFF0000, 0xFF000000},
      {"8-bit", makeBMP(1, 1, 8, 0, pal16, {3, 0, 0, 0}), 0xFFFF0000, 0xFFFF0000},
      {"16-bit 5-5-5", makeBMP(1, 1, 16, 0, {}, {0x00, 0x7C, 0, 0}), 0xFFFF0000, 0xFFFF0000},
      {"16-bit fields 5-6-5", makeBMP(1, 1, 16, 3, {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}, {0xE0, 0x07, 0, 0}),
       0xFF00FF00, 0xFF00FF00},
      {"24-bit", makeBMP(1, 1, 24, 0, {}, {0x30, 0x20, 0x10, 0}), 0xFF102030, 0xFF102030},
      {"32-bit ignores alpha", makeBMP(1, 1, 32, 0, {}, {1, 2, 3, 0}), 0xFF030201, 0xFF030201},
      // Top-down: a negative height.
      {"top-down", makeBMP(1, -2, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0}), 0xFFFF0000, 0xFFFF0000},
      // RLE8: a run of two of entry 3 on the bottom row, end of bitmap.
      {"RLE8", makeBMP(2, 2, 8, 1, pal16, {2, 3, 0, 0, 1, 3, 0, 1}), 0xFFFF0000, 0},
  };
  for (auto& c : cases) {
    TCoreImage img;
    ASSERT_TRUE(DecodeImage(c.File.data(), c.File.size(), img)) << c.Name;
    EXPECT_EQ(px(img, 0, 0), c.TopLeft) << c.Name;
    EXPECT_EQ(px(img, img.Width - 1, 0), c.TopRight) << c.Name;
  }
}

TEST(CoreImage, ICOEntries) {
  // A 2 x 2 32-bit entry without alpha: the AND mask makes pixel (1, 0)
  // transparent.
  Bytes dib;
  put32(dib, 40);
  put32(dib, 2);
  put32(dib, 4);  // twice the height
  put16(dib, 1);
  put16(dib, 32);
  for (int i = 0; i < 6; ++i) put32(dib, 0);
  for (int i = 0; i < 4; ++i) dib.insert(dib.end(), {0, 0, 255, 0});
  dib.insert(dib.end(), {0, 0, 0, 0, 0x40, 0, 0, 0});  // bottom row, top row
  Bytes ico = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0};
  put32(ico, uint32_t(dib.size()));
  put32(ico, 22);
  ico.insert(ico.end(), dib.begin(), dib.end());
  TCoreImage img;
  ASSERT_TRUE(DecodeImage(ico.data(), ico.size(), img));
  EXPECT_EQ(img.Format, "ico");
  EXPECT_EQ(px(img, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(px(img, 1, 0), 0u);
  EXPECT_EQ(px(img, 1, 1), 0xFFFF0000u);

  // The writer stores a PNG entry, which reads back.
  const uint32_t pixels[4] = {0xFF112233, 0x80400000, 0, 0xFFFFFFFF};
  Bytes written = EncodeICO(reinterpret_cast<const uint8_t*>(pixels), 2, 2);
  ASSERT_TRUE(DecodeImage(written.data(), written.size(), img));
  EXPECT_EQ(px(img, 0, 0), 0xFF112233u);
  EXPECT_TRUE(near(px(img, 1, 0), 0x80400000u, 1));
  EXPECT_EQ(px(img, 1, 1), 0xFFFFFFFFu);
}

TEST(CoreImage, BadInputIsRefused) {
  std::vector<Bytes> fixtures = {
      makePNG(3, 3, PNG_COLOR_TYPE_GRAY, 8, false, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
      makeJPEG(8, 8, JCS_GRAYSCALE, 1, Bytes(64, 7)),
      makeBMP(3, 3, 24, 0, {}, Bytes(36, 9)),
  };
  // Cut at every offset: a failure or a (partial) picture, never a crash.
  for (auto& f : fixtures)
    for (size_t n = 0; n < f.size(); ++n) {
      TCoreImage img;
      if (DecodeImage(f.data(), n, img)) {
        EXPECT_EQ(img.Frames[0].Bits.size(), size_t(img.Width) * img.Height * 4);
      }
    }
  // Hostile sizes are refused before anything is allocated.
  Bytes huge = makeBMP(100000, 100000, 24, 0, {}, Bytes(16, 0));
  TCoreImage img;
  EXPECT_FALSE(DecodeImage(huge.data(), huge.size(), img));
  Bytes png = fixtures[0];
  // IHDR width and height at 16..23 (the CRC then fails: refused either way).
  png[16] = 0, png[17] = 1, png[18] = 0x86, png[19] = 0xA0;
  png[20] = 0, png[21] = 1, png[22] = 0x86, png[23] = 0xA0;
  EXPECT_FALSE(DecodeImage(png.data(), png.size(), img));
  EXPECT_FALSE(WithinPixelBudget(100000, 100000));
  EXPECT_FALSE(WithinPixelBudget(0, 5));
  EXPECT_TRUE(WithinPixelBudget(4096, 4096));
  const char junk[] = "not an image at all";
  EXPECT_FALSE(DecodeImage(reinterpret_cast<const uint8_t*>(junk), sizeof junk, img));
  EXPECT_TRUE(img.Frames.empty());
}

// Decoding and font creation on two threads at once (run under TSan too).
TEST(CoreImageThreads, DecodeBesideFonts) {
  Bytes png = makePNG(16, 16, PNG_COLOR_TYPE_GRAY, 8, false, std::vector<Bytes>(16, Bytes(16, 50)));
  auto work = [&](bool fonts) {
    for (int i = 0; i < 20; ++i) {
      TCoreImage img;
      EXPECT_TRUE(DecodeImage(png.data(), png.size(), img));
      if (fonts) FontSystem::Find(u"Arial", 400, false);
    }
  };
  std::thread a(work, true), b(work, false);
  a.join();
  b.join();
}

}  // namespace
}  // namespace ht::core
