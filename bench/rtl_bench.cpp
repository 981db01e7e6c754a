// Placeholder until the first hot paths land: UTF-8 conversion at the edges.
#include <benchmark/benchmark.h>

#include "platform/rtl/string.h"

static void BM_Utf8ToString(benchmark::State& state) {
  std::string text(4096, 'a');
  for (size_t i = 0; i < text.size(); i += 64) text.replace(i, 3, "\xE2\x82\xAC");
  for (auto _ : state) benchmark::DoNotOptimize(ht::Utf8ToString(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Utf8ToString);
