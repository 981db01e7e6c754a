// Tree construction and HTML writing over a large real-world page.
// Throughput counts the page's bytes as stored (UTF-8): parsing is tokenize +
// build + free; writing is GetInnerHTML of the built tree.
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include <memory>
#include <string>

#include "markup/markup_startup.h"
#include "markup/node.h"

namespace {

// The shared page, with the tables the markup code reads prepared once.
const bench::TSharedPage& page() {
  static const bool ready = [] {
    ht::HtMarkupInitialize();
    return true;
  }();
  (void)ready;
  return bench::BookPage();
}

void BM_ParseAndFree(benchmark::State& state) {
  const bench::TSharedPage& p = page();
  if (!p.ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  for (auto _ : state) {
    auto root = std::make_unique<ht::THtmlNode>();
    root->Parse(p.text);
    benchmark::DoNotOptimize(root->GetCount());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.bytes));
}
BENCHMARK(BM_ParseAndFree)->Unit(benchmark::kMillisecond);

void BM_WriteHTML(benchmark::State& state) {
  const bench::TSharedPage& p = page();
  if (!p.ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  ht::THtmlNode root;
  root.Parse(p.text);
  for (auto _ : state) {
    ht::String html = root.GetInnerHTML();
    benchmark::DoNotOptimize(html.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.bytes));
}
BENCHMARK(BM_WriteHTML)->Unit(benchmark::kMillisecond);

}  // namespace
