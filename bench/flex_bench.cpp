// Flex lines against the same boxes as inline blocks, on the Ahem-metric
// trace canvas of the tests:
//   FlexRow/N          N flex items of 20 x 10 px wrapping in a 1000 px row
//   InlineBlocks/N     the same N boxes as inline blocks in a 1000 px block
// The target is FlexRow within twice the time of InlineBlocks.
//   Columns/N          a three-column block of N text lines: the column
//                      distribution after line breaking (linear in lines)
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "document/document.h"
#include "layout/layout_startup.h"
#include "support/ahem_canvas.h"

namespace {

using namespace ht;

std::unique_ptr<THtDocument> makeDocument(const String& Body) {
  HtLayoutInitialize();
  auto doc = std::make_unique<THtDocument>(&testing::TAhemCanvas::ClassType, false);
  doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}"
             u".f{display:flex;flex-wrap:wrap;width:1000px}.f div{width:20px;height:10px}"
             u".i{width:1000px}.i span{display:inline-block;width:20px;height:10px}"
             u".c{column-count:3;width:900px}</style>" +
             Body);
  doc->CalcSize(1280, 800);
  return doc;
}

void layOut(benchmark::State& state, const String& Body) {
  auto doc = makeDocument(Body);
  for (auto _ : state) {
    doc->NeedRecalc = true;
    doc->CalcSize(1280, 800);
  }
  state.SetComplexityN(state.range(0));
}

String repeat(const String& Item, int64_t N) {
  String s;
  for (int64_t i = 0; i < N; ++i) s += Item;
  return s;
}

void BM_FlexRow(benchmark::State& state) {
  layOut(state, u"<div class=f>" + repeat(u"<div></div>", state.range(0)) + u"</div>");
}
BENCHMARK(BM_FlexRow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_InlineBlocks(benchmark::State& state) {
  layOut(state, u"<div class=i>" + repeat(u"<span></span>", state.range(0)) + u"</div>");
}
BENCHMARK(BM_InlineBlocks)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Columns(benchmark::State& state) {
  layOut(state, u"<div class=c>" + repeat(u"aaa<br>", state.range(0)) + u"</div>");
}
BENCHMARK(BM_Columns)->RangeMultiplier(4)->Range(256, 16384)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace
