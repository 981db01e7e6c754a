// Computed style: one cascade load of a typical rule set, and the typed
// reads layout makes of it.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "css/css_parser.h"
#include "css/element_style.h"

namespace ht {
namespace {

struct TSink : ICSSSectionSink {
  std::vector<std::unique_ptr<TCSSSection>> Sections;
  void AddSection(std::unique_ptr<TCSSSection> Section, const TCSSParser&) override {
    Sections.push_back(std::move(Section));
  }
};

struct TFixture {
  TFixture() {
    RegisterCSSProperties();
    Parser = std::make_unique<TCSSParser>(
        String(u"a{display:block; width:200px; margin:0 auto; padding:4px 8px; color:#333; font-size:14px}"
               u"b{border:1px solid #ccc; background-color:#fff; line-height:1.5; text-align:center}"
               u"c{width:50%; color:red; z-index:3; opacity:.9; border-radius:4px; font-weight:bold}"),
        true);
    Parser->ReadSections(Sink);
    uint32_t weight = 1;
    for (auto& s : Sink.Sections) {
      for (TCSSValue& v : s->CompiledValues) List.AddValue(weight, weight, &v);
      ++weight;
    }
  }
  std::unique_ptr<TCSSParser> Parser;
  TSink Sink;
  TCSSWeightList List;
};

void BM_LoadProps(benchmark::State& state) {
  TFixture f;
  TBaseElementStyle style;
  for (auto _ : state) {
    style.Reset();
    style.LoadProps(f.List, false);
    benchmark::DoNotOptimize(style.FProps.data());
  }
  state.SetItemsProcessed(state.iterations() * f.List.Count());
}
BENCHMARK(BM_LoadProps);

void BM_TypedReads(benchmark::State& state) {
  TFixture f;
  TBaseElementStyle style;
  style.LoadProps(f.List, false);
  style.IntFontSize = 14;
  for (auto _ : state) {
    benchmark::DoNotOptimize(style.Width());
    benchmark::DoNotOptimize(style.MarginLeftPx());
    benchmark::DoNotOptimize(style.PaddingTopPx());
    benchmark::DoNotOptimize(style.BorderTopWidthPx());
    benchmark::DoNotOptimize(style.TextColor());
    benchmark::DoNotOptimize(style.LineHeight());
    benchmark::DoNotOptimize(style.TextAlign());
    benchmark::DoNotOptimize(style.Float());
  }
  state.SetItemsProcessed(state.iterations() * 8);
}
BENCHMARK(BM_TypedReads);

}  // namespace
}  // namespace ht

