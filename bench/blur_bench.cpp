// Box blur of a full-HD ARGB image for the scalar and the vector routines,
// beside the memory floor of one pass over the frame: the frame is evicted
// from every cache level first (clflush), then read once and written once,
// as a blur pass that reaches main memory would have to.
#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <cstring>
#include <random>
#include <vector>

#include "canvas/blur.h"
#include "canvas/pixel_buffer.h"
#include "platform/rtl/cpu_features.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

std::vector<uint32_t> randomImage() {
  std::vector<uint32_t> px(size_t(kWidth) * kHeight);
  std::mt19937 rng(7);
  for (uint32_t& p : px) p = rng();
  return px;
}

// Writes every line of the buffer back to memory and drops it from the caches.
void evict(const void* p, size_t bytes) {
  const char* c = static_cast<const char*>(p);
  for (size_t i = 0; i < bytes; i += 64) _mm_clflush(c + i);
  _mm_mfence();
}

// One read and one write of a cold frame, in place (what a blur pass that
// missed every cache would pay at the least).
void BM_ColdFrameFloor(benchmark::State& state) {
  std::vector<uint32_t> px = randomImage();
  const size_t bytes = px.size() * 4;
  for (auto _ : state) {
    state.PauseTiming();
    evict(px.data(), bytes);
    state.ResumeTiming();
    auto* v = reinterpret_cast<__m128i*>(px.data());
    const __m128i one = _mm_set1_epi32(1);
    for (size_t i = 0; i < bytes / 16; ++i) _mm_store_si128(v + i, _mm_add_epi32(_mm_load_si128(v + i), one));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_ColdFrameFloor)->Unit(benchmark::kMillisecond);

using BlurRoutine = void (*)(uint8_t*, int, int, ptrdiff_t, const ht::TRect&, int);

bool supported(BlurRoutine blur) {
  if (blur == ht::BoxBlurRectSse42) return ht::CpuFeatures().SSE42;
  if (blur == ht::BoxBlurRectAvx2) return ht::CpuFeatures().AVX2;
  return true;
}

// Arg 0: radius; arg 1: 1 when the frame is evicted before each blur.
template <BlurRoutine Blur>
void BM_BoxBlur(benchmark::State& state) {
  if (!supported(Blur)) {
    state.SkipWithError("instruction set not available");
    return;
  }
  std::vector<uint32_t> px = randomImage();
  const int radius = int(state.range(0));
  const bool cold = state.range(1) != 0;
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      evict(px.data(), px.size() * 4);
      state.ResumeTiming();
    }
    Blur(reinterpret_cast<uint8_t*>(px.data()), kWidth, kHeight, kWidth * 4, ht::TRect(0, 0, kWidth, kHeight),
         radius);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()) * 4);
}
BENCHMARK_TEMPLATE(BM_BoxBlur, ht::BoxBlurRectScalar)->Args({2, 0})->Args({32, 0})->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_BoxBlur, ht::BoxBlurRectSse42)
    ->ArgsProduct({{2, 8, 32}, {0}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_BoxBlur, ht::BoxBlurRectAvx2)
    ->ArgsProduct({{2, 4, 8, 16, 32}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
