// Path data at the sizes recorded drawing produces: reading SVG path data
// into path records, writing the records back as path text, and flattening
// curves into lines.
#include <benchmark/benchmark.h>

#include <cmath>

#include "canvas/path_data_parser.h"
#include "canvas/path_records.h"

namespace {

using namespace ht;

// A closed figure of n line and curve segments around a circle.
THtCustomPath figure(int n) {
  THtCustomPath p;
  p.MoveTo(100, 50);
  for (int i = 1; i <= n; ++i) {
    const float a = float(i) * 6.2831853f / float(n);
    const float x = 50 + 50 * std::cos(a), y = 50 + 50 * std::sin(a);
    if (i % 2)
      p.LineTo(x, y);
    else
      p.AddBeziers({TPointF(x + 1, y - 1), TPointF(x - 1, y + 1), TPointF(x, y)});
  }
  p.CloseFigure();
  return p;
}

void BM_PathParse(benchmark::State& state) {
  const String text = figure(int(state.range(0))).AsString();
  for (auto _ : state) {
    THtCustomPath p;
    ParsePathData(p, text);
    benchmark::DoNotOptimize(p.Count());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_PathParse)->Arg(100)->Arg(10000);

void BM_PathAsString(benchmark::State& state) {
  const THtCustomPath p = figure(int(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(p.AsString());
  state.SetItemsProcessed(int64_t(state.iterations()) * p.Count());
}
BENCHMARK(BM_PathAsString)->Arg(100)->Arg(10000);

void BM_PathFlatten(benchmark::State& state) {
  const THtCustomPath p = figure(int(state.range(0)));
  for (auto _ : state) {
    THtCustomPath res;
    p.Flatten(0.5f, res);
    benchmark::DoNotOptimize(res.Count());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * p.Count());
}
BENCHMARK(BM_PathFlatten)->Arg(100)->Arg(10000);

}  // namespace
