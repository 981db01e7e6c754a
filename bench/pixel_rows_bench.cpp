// The pixel buffer's row routines on a full-HD image, plain against vector.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "canvas/pixel_rows.h"
#include "platform/rtl/cpu_features.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

std::vector<uint8_t> randomBytes(size_t n) {
  std::vector<uint8_t> v(n);
  std::mt19937 rng(3);
  for (uint8_t& b : v) b = uint8_t(rng());
  return v;
}

template <void (*Swap)(uint8_t*, int)>
void BM_SwapBGR24(benchmark::State& state) {
  if (Swap == ht::SwapBGR24Sse42 && !ht::CpuFeatures().SSE42) return state.SkipWithError("no SSE4.2");
  const int stride = (kWidth * 3 + 3) / 4 * 4;
  std::vector<uint8_t> px = randomBytes(size_t(stride) * kHeight);
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) Swap(px.data() + size_t(y) * stride, kWidth);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()));
}
BENCHMARK_TEMPLATE(BM_SwapBGR24, ht::SwapBGR24Scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_SwapBGR24, ht::SwapBGR24Sse42)->Unit(benchmark::kMicrosecond);

template <void (*Apply)(uint8_t*, const uint8_t*, int), int MaskBits>
void BM_ApplyMask(benchmark::State& state) {
  if (!ht::CpuFeatures().SSE2) return state.SkipWithError("no SSE2");
  std::vector<uint8_t> px = randomBytes(size_t(kWidth) * 4 * kHeight);
  const int maskStride = (kWidth * MaskBits + 31) / 32 * 4;
  std::vector<uint8_t> mask = randomBytes(size_t(maskStride) * kHeight);
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y)
      Apply(px.data() + size_t(y) * kWidth * 4, mask.data() + size_t(y) * maskStride, kWidth);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()));
}
BENCHMARK_TEMPLATE(BM_ApplyMask, ht::ApplyMaskRow8Scalar, 8)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_ApplyMask, ht::ApplyMaskRow8Sse2, 8)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_ApplyMask, ht::ApplyMaskRow1Scalar, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_ApplyMask, ht::ApplyMaskRow1Sse2, 1)->Unit(benchmark::kMicrosecond);

template <void (*Expand)(const uint8_t*, uint32_t*, int)>
void BM_Expand24to32(benchmark::State& state) {
  if (Expand == ht::Expand24to32Sse42 && !ht::CpuFeatures().SSE42) return state.SkipWithError("no SSE4.2");
  const int stride = (kWidth * 3 + 3) / 4 * 4;
  std::vector<uint8_t> src = randomBytes(size_t(stride) * kHeight);
  std::vector<uint32_t> dst(size_t(kWidth) * kHeight);
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) Expand(src.data() + size_t(y) * stride, dst.data() + size_t(y) * kWidth, kWidth);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dst.size()) * 4);
}
BENCHMARK_TEMPLATE(BM_Expand24to32, ht::Expand24to32Scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Expand24to32, ht::Expand24to32Sse42)->Unit(benchmark::kMicrosecond);

template <void (*Expand)(const uint8_t*, uint32_t*, int, uint32_t, uint32_t)>
void BM_Expand1to32(benchmark::State& state) {
  if (!ht::CpuFeatures().SSE2) return state.SkipWithError("no SSE2");
  const int stride = (kWidth + 31) / 32 * 4;
  std::vector<uint8_t> src = randomBytes(size_t(stride) * kHeight);
  std::vector<uint32_t> dst(size_t(kWidth) * kHeight);
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y)
      Expand(src.data() + size_t(y) * stride, dst.data() + size_t(y) * kWidth, kWidth, 0xFF000000u, 0xFFFFFFFFu);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dst.size()) * 4);
}
BENCHMARK_TEMPLATE(BM_Expand1to32, ht::Expand1to32Scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Expand1to32, ht::Expand1to32Sse2)->Unit(benchmark::kMicrosecond);

}  // namespace
