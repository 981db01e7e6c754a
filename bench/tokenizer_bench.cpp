// The HTML tokenizer alone, and the item reader on top of it, over a large
// real-world page, from its bytes: each run decodes the stored UTF-8 (the
// tokenizer reads UTF-16) and then reads the text. Throughput counts the
// page's bytes.
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include <string>

#include "markup/entities.h"
#include "markup/html_parser.h"
#include "markup/html_tokenizer.h"
#include "markup/string_rec.h"

namespace {

// The page as stored.
const std::string& pageBytes() {
  static const std::string bytes = [] {
    std::string b;
    bench::LoadSharedInput(bench::TSharedPage::Name, b);
    return b;
  }();
  return bytes;
}

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
    const ht::String text = ht::Utf8ToString(pageBytes());
    ht::THtObjectDictionary tags(256, true, ht::KeyField<&ht::THtStringRec::Value>);
    ht::THTMLTokenizer tk(text, false, ht::TTextHold::InPlace);
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
    const ht::String text = ht::Utf8ToString(pageBytes());
    ht::THtmlParser hp(text, false, ht::TTextHold::InPlace);
    items = 0;
    while (hp.NextItem()) ++items;
    benchmark::DoNotOptimize(items);
  }
  state.counters["items"] = double(items);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.bytes));
}
BENCHMARK(BM_ItemReader)->Unit(benchmark::kMillisecond);

}  // namespace
