// The HTML tokenizer alone, and the item reader on top of it, over a large
// real-world page. Throughput counts the page's bytes as stored (UTF-8).
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include <string>

#include "markup/entities.h"
#include "markup/html_parser.h"
#include "markup/html_tokenizer.h"
#include "markup/string_rec.h"

namespace {

// The shared page, with the tables the markup code reads prepared once.
const bench::TSharedPage& page() {
  static const bool ready = [] {
    ht::CreateEntityDictionaries();
    return true;
  }();
  (void)ready;
  return bench::BookPage();
}

void BM_Tokenizer(benchmark::State& state) {
  const bench::TSharedPage& p = page();
  if (!p.ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  size_t tokens = 0;
  for (auto _ : state) {
    ht::THtObjectDictionary tags(256, true, ht::KeyField<&ht::THtStringRec::Value>);
    ht::THTMLTokenizer tk(p.text, false);
    tk.TagList = &tags;
    tokens = 0;
    for (;;) {
      if (!tk.NextToken(true) && tk.Parser->Empty()) break;
      ++tokens;
    }
    benchmark::DoNotOptimize(tokens);
  }
  state.counters["tokens"] = double(tokens);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.bytes));
}
BENCHMARK(BM_Tokenizer)->Unit(benchmark::kMillisecond);

void BM_ItemReader(benchmark::State& state) {
  const bench::TSharedPage& p = page();
  if (!p.ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  size_t items = 0;
  for (auto _ : state) {
    ht::THtmlParser hp(p.text, false);
    items = 0;
    while (hp.NextItem()) ++items;
    benchmark::DoNotOptimize(items);
  }
  state.counters["items"] = double(items);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.bytes));
}
BENCHMARK(BM_ItemReader)->Unit(benchmark::kMillisecond);

}  // namespace
