// UTF-8 and ANSI decoding at the edges: a synthetic text (one euro sign per
// 64 bytes) and the shared book page, bulk routine beside the scalar one.
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include "platform/rtl/code_pages.h"
#include "platform/rtl/string.h"

namespace {

std::string syntheticText() {
  std::string text(4096, 'a');
  for (size_t i = 0; i < text.size(); i += 64) text.replace(i, 3, "\xE2\x82\xAC");
  return text;
}

const std::string& bookBytes() {
  static const std::string bytes = [] {
    std::string b;
    bench::LoadSharedInput(bench::TSharedPage::Name, b);
    return b;
  }();
  return bytes;
}

// Arg 0: synthetic text; 1: the book page.
template <ht::String (*Decode)(std::string_view)>
void BM_Decode(benchmark::State& state) {
  const std::string text = state.range(0) ? bookBytes() : syntheticText();
  if (text.empty()) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Decode(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK_TEMPLATE(BM_Decode, ht::Utf8ToString)->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(BM_Decode, ht::Utf8ToStringScalar)->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(BM_Decode, ht::AnsiToString)->Arg(1);

}  // namespace
