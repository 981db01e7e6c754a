// Image decoding through the decoder interface beside raw libpng and
// libjpeg-turbo on the same bytes, and a full-HD DrawBitmap beside a raw
// cairo paint of the same pixels. Ratios: peer time / our time.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <jpeglib.h>
#include <png.h>

#include <cstring>
#include <vector>

#include "backends/canvas_gp.h"
#include "platform/core/core_image.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int W = 1024, H = 768;

// A picture with gradients and noise, so neither codec has it easy.
std::vector<uint8_t> picture() {
  std::vector<uint8_t> px(size_t(W) * H * 4);
  uint32_t seed = 1;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      seed = seed * 1664525 + 1013904223;
      uint8_t* p = &px[(size_t(y) * W + x) * 4];
      p[0] = uint8_t(x + (seed >> 29)), p[1] = uint8_t(y), p[2] = uint8_t((x ^ y) + (seed >> 30)), p[3] = 255;
    }
  return px;
}

const Bytes& pngBytes() {
  static Bytes b = ht::core::EncodePNG(picture().data(), W, H);
  return b;
}

const Bytes& jpegBytes() {
  static Bytes b = [] {
    std::vector<uint8_t> px = picture();
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = W;
    c.image_height = H;
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRA;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = px.data() + size_t(c.next_scanline) * W * 4;
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&c);
    free(mem);
    return out;
  }();
  return b;
}

void BM_PNG_DecoderInterface(benchmark::State& state) {
  pngBytes();  // encode the input outside the timed loop
  for (auto _ : state) {
    ht::core::TCoreImage img;
    benchmark::DoNotOptimize(ht::core::DecodeImage(pngBytes().data(), pngBytes().size(), img));
  }
}
BENCHMARK(BM_PNG_DecoderInterface)->Unit(benchmark::kMillisecond);

struct Src {
  const uint8_t* d;
  size_t n, pos;
};
void readFn(png_structp p, png_bytep out, png_size_t n) {
  auto* s = static_cast<Src*>(png_get_io_ptr(p));
  std::memcpy(out, s->d + s->pos, n);
  s->pos += n;
}

// Raw libpng to the same 32-bit BGRA rows, premultiplied as we need them.
void BM_PNG_RawLibpng(benchmark::State& state) {
  std::vector<uint8_t> px(size_t(W) * H * 4);
  for (auto _ : state) {
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    Src src{pngBytes().data(), pngBytes().size(), 0};
    png_set_read_fn(p, &src, readFn);
    png_read_info(p, info);
    png_set_bgr(p);
    png_set_filler(p, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(p, info);
    std::vector<png_bytep> rows(H);
    for (int y = 0; y < H; ++y) rows[size_t(y)] = px.data() + size_t(y) * W * 4;
    png_read_image(p, rows.data());
    png_destroy_read_struct(&p, &info, nullptr);
    for (size_t i = 0; i < px.size(); i += 4) ht::core::Premultiply(&px[i]);
    benchmark::DoNotOptimize(px.data());
  }
}
BENCHMARK(BM_PNG_RawLibpng)->Unit(benchmark::kMillisecond);

void BM_JPEG_DecoderInterface(benchmark::State& state) {
  jpegBytes();  // encode the input outside the timed loop
  for (auto _ : state) {
    ht::core::TCoreImage img;
    benchmark::DoNotOptimize(ht::core::DecodeImage(jpegBytes().data(), jpegBytes().size(), img));
  }
}
BENCHMARK(BM_JPEG_DecoderInterface)->Unit(benchmark::kMillisecond);

void BM_JPEG_RawLibjpeg(benchmark::State& state) {
  std::vector<uint8_t> px(size_t(W) * H * 4);
  for (auto _ : state) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpegBytes().data(), jpegBytes().size());
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&d);
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = px.data() + size_t(d.output_scanline) * W * 4;
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    benchmark::DoNotOptimize(px.data());
  }
}
BENCHMARK(BM_JPEG_RawLibjpeg)->Unit(benchmark::kMillisecond);

constexpr int FW = 1920, FH = 1080;

void BM_DrawBitmap_FullHD(benchmark::State& state) {
  ht::THtBitmapGP b(FW, FH, true);
  b.FillRect(ht::TRect(0, 0, FW, FH), 0x80FF8000);
  ht::gdi::TBitmap target(FW, FH);
  ht::THtCanvasGP canvas;
  ht::THtCanvasScene s;
  s.Init(ht::TRect(0, 0, FW, FH), &target.Canvas());
  canvas.BeginScene(s);
  for (auto _ : state) canvas.DrawBitmap(&b, ht::TRectF(0, 0, FW, FH), ht::TRect(0, 0, FW, FH), 1);
  canvas.EndScene();
}
BENCHMARK(BM_DrawBitmap_FullHD)->Unit(benchmark::kMillisecond);

void BM_DrawBitmap_RawCairo(benchmark::State& state) {
  cairo_surface_t* src = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, FW, FH);
  cairo_surface_t* dst = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, FW, FH);
  cairo_t* cr = cairo_create(dst);
  {
    // The same translucent colour as the engine's bitmap: cairo skips a source
    // it knows to be clear, which would time nothing.
    cairo_t* fill = cairo_create(src);
    cairo_set_source_rgba(fill, 1.0, 0.5, 0.0, 0.5);
    cairo_set_operator(fill, CAIRO_OPERATOR_SOURCE);
    cairo_paint(fill);
    cairo_destroy(fill);
  }
  for (auto _ : state) {
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(src);
  cairo_surface_destroy(dst);
}
BENCHMARK(BM_DrawBitmap_RawCairo)->Unit(benchmark::kMillisecond);

}  // namespace
