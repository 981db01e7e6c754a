// Element trees: the book page built as elements of a document beside the
// same page built as plain markup nodes (the ratio of the two is the cost
// of the element model), and inserts at one place, whose cost per insert
// must not grow with the number already made.
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include <memory>

#include "canvas/meta_canvas.h"
#include "document/document.h"
#include "layout/layout_startup.h"
#include "markup/node.h"

namespace {

const bench::TSharedPage& page() {
  static const bool ready = [] {
    ht::HtLayoutInitialize();
    return true;
  }();
  (void)ready;
  return bench::BookPage();
}

void BM_BookAsNodes(benchmark::State& state) {
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
BENCHMARK(BM_BookAsNodes)->Unit(benchmark::kMillisecond);

void BM_BookAsElements(benchmark::State& state) {
  const bench::TSharedPage& p = page();
  if (!p.ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  for (auto _ : state) {
    auto doc = std::make_unique<ht::THtDocument>(&ht::THtMetaCanvas::ClassType);
    doc->Parse(p.text);
    benchmark::DoNotOptimize(doc->GetCount());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.bytes));
}
BENCHMARK(BM_BookAsElements)->Unit(benchmark::kMillisecond);

void BM_InsertAtOnePlace(benchmark::State& state) {
  page();
  const int inserts = int(state.range(0));
  for (auto _ : state) {
    ht::THtDocument doc(&ht::THtMetaCanvas::ClassType);
    auto* anchor = doc.Add(new ht::TElement());
    doc.Add(new ht::TElement());
    for (int i = 0; i < inserts; ++i) doc.InsertAfter(anchor, new ht::TElement());
    benchmark::DoNotOptimize(doc.GetCount());
  }
  state.SetItemsProcessed(state.iterations() * inserts);
}
BENCHMARK(BM_InsertAtOnePlace)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
