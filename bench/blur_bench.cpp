// Box blur of a full-HD ARGB image beside a plain copy of the same buffer
// (the memory floor), for the scalar and the SSE4.2 routine.
#include <benchmark/benchmark.h>

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

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint32_t> src = randomImage(), dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * 4);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size()) * 4);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

template <void (*Blur)(uint8_t*, int, int, ptrdiff_t, const ht::TRect&, int)>
void BM_BoxBlur(benchmark::State& state) {
  if (Blur == ht::BoxBlurRectSse42 && !ht::CpuFeatures().SSE42) {
    state.SkipWithError("no SSE4.2");
    return;
  }
  std::vector<uint32_t> px = randomImage();
  const int radius = int(state.range(0));
  for (auto _ : state) {
    Blur(reinterpret_cast<uint8_t*>(px.data()), kWidth, kHeight, kWidth * 4, ht::TRect(0, 0, kWidth, kHeight),
         radius);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()) * 4);
}
BENCHMARK_TEMPLATE(BM_BoxBlur, ht::BoxBlurRectScalar)->Arg(2)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_BoxBlur, ht::BoxBlurRectSse42)->Arg(2)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
