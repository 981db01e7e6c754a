// CSS tokenizer throughput on a synthetic style sheet, and the hot value
// reads: colour names and hex text, and whole-pixel conversion of measures.
#include <benchmark/benchmark.h>

#include "css/colors.h"
#include "css/css_tokenizer.h"
#include "css/measure.h"

namespace {

ht::String styleSheet() {
  ht::String rule =
      u".menu > li a:hover, #main .item[data-x='1'] {\n"
      u"  margin: 0 auto 12px -4.5em; padding: 2px 1.25rem;\n"
      u"  color: #336699; background: url(\"img/bg.png\") no-repeat 50% 0;\n"
      u"  font: bold 13px/1.5 'Segoe UI', sans-serif; width: calc(100% - 20px);\n"
      u"  border: 1px solid rgba(0, 0, 0, .25); /* a comment */ z-index: 10;\n"
      u"}\n";
  ht::String text;
  while (text.size() < 64 * 1024) text += rule;
  return text;
}

void BM_TokenizeStyleSheet(benchmark::State& state) {
  const ht::String text = styleSheet();
  int64_t tokens = 0;
  for (auto _ : state) {
    ht::TCSSTokenizer tz(text, state.range(0) != 0);
    while (tz.NextToken()) ++tokens;
    benchmark::DoNotOptimize(tz.Token.EndPos);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * sizeof(char16_t)));
  state.counters["tokens/s"] = benchmark::Counter(double(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TokenizeStyleSheet)->Arg(0)->Arg(1);

void BM_ParseHtColor(benchmark::State& state) {
  const ht::String texts[] = {u"red", u"LightGoldenrodYellow", u"#336699", u"#abc", u"nosuchcolour"};
  for (auto _ : state)
    for (const auto& t : texts) benchmark::DoNotOptimize(ht::ParseHtColor(t));
  state.SetItemsProcessed(int64_t(state.iterations()) * 5);
}
BENCHMARK(BM_ParseHtColor);

void BM_MeasureToIntPixels(benchmark::State& state) {
  ht::TMeasure m[4];
  const float base = 640;
  const char16_t* texts[] = {u"12px", u"50%", u"1.5em", u"10pt"};
  for (int i = 0; i < 4; ++i) {
    m[i].Init(nullptr);
    m[i].Parse(texts[i]);
    m[i].Parent = &base;
  }
  for (auto _ : state)
    for (const auto& x : m) benchmark::DoNotOptimize(x.ToIntPixels());
  state.SetItemsProcessed(int64_t(state.iterations()) * 4);
}
BENCHMARK(BM_MeasureToIntPixels);

}  // namespace
