// Appending many short pieces, as the HTML, CSS and SVG writers do: the chunked
// builder against a std::u16string that grows by reallocation.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "markup/fast_string.h"
#include "platform/rtl/string.h"

namespace {

// Keep freed memory in the process: otherwise glibc hands large blocks back
// to the kernel after every iteration and both sides measure mostly page
// faults, in amounts that depend on which benchmark ran before.
const bool warmHeap = [] {
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  return true;
}();

const std::vector<ht::String>& pieces() {
  static const std::vector<ht::String> p = {
      u"<div", u" class=\"", u"item", u"\">", u"Some text of a paragraph, ", u"&amp;", u"</div>", u"\n",
      u"<span style=\"color: red\">", u"x", u"</span>", u"  "};
  return p;
}

// Bytes of text per iteration: state.range(0) pieces.
int64_t textBytes(int64_t count) {
  int64_t units = 0;
  for (int64_t i = 0; i < count; ++i) units += int64_t(pieces()[size_t(i) % pieces().size()].size());
  return units * 2;
}

void BM_FastStringAppend(benchmark::State& state) {
  const auto& p = pieces();
  const int64_t count = state.range(0);
  for (auto _ : state) {
    ht::TFastString sb(65535);
    for (int64_t i = 0; i < count; ++i) sb.Add(p[size_t(i) % p.size()]);
    benchmark::DoNotOptimize(sb.TotalLength());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * textBytes(count));
}

// The same, joined into one string at the end (what every writer does).
void BM_FastStringAppendJoin(benchmark::State& state) {
  const auto& p = pieces();
  const int64_t count = state.range(0);
  for (auto _ : state) {
    ht::TFastString sb(65535);
    for (int64_t i = 0; i < count; ++i) sb.Add(p[size_t(i) % p.size()]);
    ht::String s = sb.ToString();
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * textBytes(count));
}

void BM_U16StringAppend(benchmark::State& state) {
  const auto& p = pieces();
  const int64_t count = state.range(0);
  for (auto _ : state) {
    ht::String s;
    for (int64_t i = 0; i < count; ++i) s.append(p[size_t(i) % p.size()]);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * textBytes(count));
}

// Numbers and single characters, as the path-data and CSS writers append them.
void BM_FastStringNumbers(benchmark::State& state) {
  for (auto _ : state) {
    ht::TFastString sb(4096);
    for (int i = 0; i < 10000; ++i) sb.AddChar(u'L').Add(i * 0.37, 2).AddChar(u' ').Add(i);
    benchmark::DoNotOptimize(sb.TotalLength());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 10000);
}

void BM_RawStringAddUTF8(benchmark::State& state) {
  ht::String text;
  for (int i = 0; i < 1000; ++i) text += u"plain ascii text, caf\u00E9 \u20AC ";
  for (auto _ : state) {
    ht::TFastRawString sb(65535);
    sb.AddUTF8(text);
    benchmark::DoNotOptimize(sb.TotalLength());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()) * 2);
}

void BM_StringToUtf8(benchmark::State& state) {
  ht::String text;
  for (int i = 0; i < 1000; ++i) text += u"plain ascii text, caf\u00E9 \u20AC ";
  for (auto _ : state) benchmark::DoNotOptimize(ht::StringToUtf8(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()) * 2);
}

}  // namespace

BENCHMARK(BM_FastStringAppend)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_FastStringAppendJoin)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_U16StringAppend)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_FastStringNumbers);
BENCHMARK(BM_RawStringAddUTF8);
BENCHMARK(BM_StringToUtf8);
