// Image decoding through the decoder interface beside raw libpng and
// libjpeg-turbo on the same bytes, and a full-HD DrawBitmap beside a raw
// cairo paint of the same pixels. Document images: the key and decoding of
// a 1 MB data: URL beside the Base64 decoder alone, and 100 PNGs through
// the image loader thread beside raw libpng on the same files. Ratios: peer
// time / our time.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <jpeglib.h>
#include <png.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "canvas/image.h"
#include "document/data_url.h"
#include "document/document.h"
#include "document/image_loader.h"
#include "layout/layout_startup.h"
#include "markup/base64.h"
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

// --- Document images ------------------------------------------------------------------------

// A 1 MB payload of a data: URL: the cache key and the decoding beside the
// Base64 decoder alone on the same text.
const ht::String& megabyteDataUrl() {
  static const ht::String url = [] {
    Bytes bytes(1 << 20);
    uint32_t seed = 7;
    for (uint8_t& b : bytes) b = uint8_t((seed = seed * 1664525 + 1013904223) >> 24);
    return u"data:image/png;base64," + ht::FastEncodeBase64(bytes);
  }();
  return url;
}

void BM_DataUrl_KeyAndDecode(benchmark::State& state) {
  const ht::String& url = megabyteDataUrl();
  for (auto _ : state) {
    ht::TDataUrl parts;
    ht::SplitDataUrl(url, parts);
    benchmark::DoNotOptimize(ht::DataUrlKey(parts.Payload));
    ht::THtBytes bytes;
    ht::String text;
    ht::DecodeDataUrl(parts, bytes, text);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(url.size()));
}
BENCHMARK(BM_DataUrl_KeyAndDecode)->Unit(benchmark::kMillisecond);

void BM_DataUrl_Base64DecoderAlone(benchmark::State& state) {
  const ht::String& url = megabyteDataUrl();
  const ht::StringView payload = ht::StringView(url).substr(url.find(u',') + 1);
  for (auto _ : state) benchmark::DoNotOptimize(ht::DecodeBase64ToBytes(payload).data());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(url.size()));
}
BENCHMARK(BM_DataUrl_Base64DecoderAlone)->Unit(benchmark::kMillisecond);

// 100 different PNGs of 160 x 120.
const std::vector<Bytes>& hundredPngs() {
  static const std::vector<Bytes> pngs = [] {
    std::vector<Bytes> out;
    const std::vector<uint8_t> px = picture();
    for (int i = 0; i < 100; ++i) {
      std::vector<uint8_t> tile(size_t(160) * 120 * 4);
      for (int y = 0; y < 120; ++y)
        std::memcpy(&tile[size_t(y) * 160 * 4], &px[(size_t(y + i) * W + size_t(i) * 4) * 4], 160 * 4);
      out.push_back(ht::core::EncodePNG(tile.data(), 160, 120));
    }
    return out;
  }();
  return pngs;
}

// Every PNG through a document's background loading: queued, fetched by the
// loader thread, decoded by the GDI+ back end's image, handed back.
void BM_Loader_100PNGs(benchmark::State& state) {
  static const bool started = (ht::HtBackendsInitialize(), ht::HtLayoutInitialize(), true);
  (void)started;
  const std::vector<Bytes>& pngs = hundredPngs();
  ht::TDispatcher dispatcher;
  ht::SetImageLoader(std::make_unique<ht::THtImageLoader>(true, &dispatcher));
  for (auto _ : state) {
    ht::THtDocument doc(&ht::THtCanvasGP::ClassType);
    doc.BackgroundImageLoading = true;
    doc.OnGetImage = [&](ht::THtDocument*, const ht::String& Url, ht::TElement*) {
      return pngs[size_t(std::stoi(ht::StringToUtf8(Url)))];
    };
    for (int i = 0; i < 100; ++i) doc.GetImage(ht::String(ht::AsciiToString(std::to_string(i))), nullptr, false);
    dispatcher.RunUntil([&] { return doc.AllImagesLoaded(); }, std::chrono::seconds(60));
  }
  ht::SetImageLoader(nullptr);
}
BENCHMARK(BM_Loader_100PNGs)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same 100 PNGs through raw libpng, one after the other.
void BM_Loader_100PNGsRawLibpng(benchmark::State& state) {
  const std::vector<Bytes>& pngs = hundredPngs();
  std::vector<uint8_t> px(size_t(160) * 120 * 4);
  for (auto _ : state) {
    for (const Bytes& png : pngs) {
      png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
      png_infop info = png_create_info_struct(p);
      Src src{png.data(), png.size(), 0};
      png_set_read_fn(p, &src, readFn);
      png_read_info(p, info);
      png_set_bgr(p);
      png_set_filler(p, 0xFF, PNG_FILLER_AFTER);
      png_read_update_info(p, info);
      std::vector<png_bytep> rows(120);
      for (int y = 0; y < 120; ++y) rows[size_t(y)] = px.data() + size_t(y) * 160 * 4;
      png_read_image(p, rows.data());
      png_destroy_read_struct(&p, &info, nullptr);
      for (size_t i = 0; i < px.size(); i += 4) ht::core::Premultiply(&px[i]);
      benchmark::DoNotOptimize(px.data());
    }
  }
}
BENCHMARK(BM_Loader_100PNGsRawLibpng)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
