// Colour reduction beside giflib's quantiser on one 1920 x 1080 photo-like
// picture (smooth gradients, soft shapes and grain): the octree palette with
// nearest-colour mapping against GifQuantizeBuffer on the same pixels
// (compare items_per_second; items are pixels). Floyd-Steinberg dithering
// and optimising a 100-frame animation are reported beside them.
#include <benchmark/benchmark.h>

#include <gif_lib.h>

#include <cmath>
#include <random>

#include "backends/gif_color_reduction.h"
#include "backends/gif_image.h"

namespace {

using namespace ht;

constexpr int kWidth = 1920, kHeight = 1080;

const TGifBitmap& photo() {
  static const TGifBitmap picture = [] {
    TGifBitmap b;
    b.SetWidth(kWidth);
    b.SetHeight(kHeight);
    std::mt19937 rng(7);
    std::normal_distribution<double> grain(0, 6);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < kWidth; ++x, p += 3) {
        const double sky = double(y) / kHeight;
        const double dx = x - 1200.0, dy = y - 400.0;
        const double sun = std::exp(-(dx * dx + dy * dy) / 60000.0);
        const double hill = y > 700 + 80 * std::sin(x / 230.0) ? 1.0 : 0.0;
        auto channel = [&](double v) { return uint8_t(std::clamp(v + grain(rng), 0.0, 255.0)); };
        p[2] = channel(hill ? 60 + 40 * sky : 90 + 120 * sky + 150 * sun);   // red
        p[1] = channel(hill ? 110 + 60 * sky : 140 + 60 * sky + 120 * sun);  // green
        p[0] = channel(hill ? 50 : 230 - 90 * sky + 20 * sun);               // blue
      }
    }
    return b;
  }();
  return picture;
}

void BM_ReduceColorsOctree(benchmark::State& state) {
  const TGifBitmap& b = photo();
  for (auto _ : state) {
    auto r = ReduceColors(b, rmQuantize, dmNearest, 8, nullptr);
    benchmark::DoNotOptimize(r->ScanLine(0));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ReduceColorsOctree)->Unit(benchmark::kMillisecond);

void BM_GiflibQuantizeBuffer(benchmark::State& state) {
  const TGifBitmap& b = photo();
  std::vector<GifByteType> red(size_t(kWidth) * kHeight), green(red.size()), blue(red.size()), out(red.size());
  for (int y = 0; y < kHeight; ++y) {
    const uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < kWidth; ++x, p += 3) {
      const size_t i = size_t(y) * kWidth + x;
      blue[i] = p[0], green[i] = p[1], red[i] = p[2];
    }
  }
  GifColorType map[256];
  for (auto _ : state) {
    int size = 256;
    GifQuantizeBuffer(kWidth, kHeight, &size, red.data(), green.data(), blue.data(), out.data(), map);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_GiflibQuantizeBuffer)->Unit(benchmark::kMillisecond);

void BM_ReduceColorsFloydSteinberg(benchmark::State& state) {
  const TGifBitmap& b = photo();
  for (auto _ : state) {
    auto r = ReduceColors(b, rmQuantize, dmFloydSteinberg, 8, nullptr);
    benchmark::DoNotOptimize(r->ScanLine(0));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ReduceColorsFloydSteinberg)->Unit(benchmark::kMillisecond);

// 100 frames of 320 x 240: a still background with a moving sprite, each
// frame with a local copy of the table, so every phase has work to do.
void buildAnimation(THtGifImage& image) {
  constexpr int w = 320, h = 240;
  std::mt19937 rng(3);
  std::vector<uint8_t> background(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) background[size_t(y) * w + x] = uint8_t((x / 8 + y / 8) % 64 + (rng() % 3));
  TGIFPalette pal;
  for (int i = 0; i < 128; ++i) pal.push_back(TGIFColor{uint8_t(i * 2), uint8_t(255 - i), uint8_t(i * 5)});
  for (int f = 0; f < 100; ++f) {
    auto* frame = new THtGIFFrame(&image);
    frame->SetBounds(0, 0, w, h);
    frame->ColorTable().ImportPalette(pal);
    frame->Data() = background;
    for (int y = 40; y < 90; ++y)
      for (int x = f * 2; x < f * 2 + 50; ++x) frame->Data()[size_t(y) * w + x] = uint8_t(64 + (x + y) % 64);
    frame->SetDelay(4);
    new TGIFCommentExtension(frame);
  }
}

void BM_OptimizeAnimation(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    THtGifImage image;
    buildAnimation(image);
    state.ResumeTiming();
    image.Optimize({ooCrop, ooMerge, ooCleanup, ooColorTable});
    benchmark::DoNotOptimize(image.Frames().Count());
  }
  state.SetItemsProcessed(state.iterations() * 100 * 320 * 240);
}
BENCHMARK(BM_OptimizeAnimation)->Unit(benchmark::kMillisecond);

}  // namespace
