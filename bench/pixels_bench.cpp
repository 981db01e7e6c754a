// The 32-bit pixel fill: the plain loop against the 128-bit and 256-bit paths.
#include <benchmark/benchmark.h>

#include <vector>

#include "canvas/pixels.h"
#include "platform/rtl/cpu_features.h"

namespace {

template <void (*Fill)(uint32_t, void*, int64_t)>
void BM_Fill(benchmark::State& state) {
  const int64_t count = state.range(0);
  std::vector<uint32_t> buffer(size_t(count) + 1);
  // One slot in: rows of a bitmap rarely start on a vector boundary.
  void* start = reinterpret_cast<char*>(buffer.data()) + 4;
  for (auto _ : state) {
    Fill(0xFF336699u, start, count);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * count * 4);
}

void BM_FillScalar(benchmark::State& s) { BM_Fill<ht::FillPixels32Scalar>(s); }
void BM_FillSSE2(benchmark::State& s) {
  if (!ht::CpuFeatures().SSE2) return s.SkipWithError("no SSE2");
  BM_Fill<ht::FillPixels32SSE2>(s);
}
void BM_FillAVX2(benchmark::State& s) {
  if (!ht::CpuFeatures().AVX2) return s.SkipWithError("no AVX2");
  BM_Fill<ht::FillPixels32AVX2>(s);
}

}  // namespace

BENCHMARK(BM_FillScalar)->Arg(13)->Arg(256)->Arg(4096)->Arg(1 << 18);
BENCHMARK(BM_FillSSE2)->Arg(13)->Arg(256)->Arg(4096)->Arg(1 << 18);
BENCHMARK(BM_FillAVX2)->Arg(13)->Arg(256)->Arg(4096)->Arg(1 << 18);
