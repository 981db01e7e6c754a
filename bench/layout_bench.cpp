// Box building of the book page on the Ahem-metric canvas: the first build
// (text prepared, split and measured) and a rebuild without structural
// change, which reuses runs and flows. Runs per second, and the heap
// allocations of one rebuild (the goal is none).
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "document/document.h"
#include "layout/flow.h"
#include "layout/layout_startup.h"
#include "layout/text_element.h"
#include "support/ahem_canvas.h"

namespace {
std::atomic<long> gAllocations{0};
}

// The replaced global new and delete pair malloc with free themselves;
// the compiler only sees free meeting a pointer from new. Sanitizer builds
// keep their own allocator (allocations then count as 0).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

using namespace ht;

struct Book {
  bool ok = false;
  std::unique_ptr<THtDocument> doc;
  TElement* body = nullptr;
  Book() {
    ok = bench::BookPage().ok;
    if (!ok) return;
    HtLayoutInitialize();
    doc = std::make_unique<THtDocument>(&testing::TAhemCanvas::ClassType, false);
    doc->Parse(bench::BookPage().text);
    doc->CalcSize(1000, 800);
    for (THtNode* n = doc.get(); n && !body; n = n->NextNode())
      if (n->Tag() == u"body") body = static_cast<TElement*>(n);
    ok = body != nullptr;
  }
  ~Book() {
    if (!doc) return;
    doc.reset();
    HtLayoutFinalize();
  }
  long Runs() const {
    long runs = 0;
    for (THtNode* n = doc.get(); n; n = n->NextNode())
      if (auto* e = dynamic_cast<TElement*>(n)) runs += e->LineBlocks.Count();
    return runs;
  }
  // Forgets the prepared text so that the next build splits and measures.
  void Unprepare() {
    for (THtNode* n = doc.get(); n; n = n->NextNode())
      if (auto* t = dynamic_cast<TTextElement*>(n)) t->SetOwnTextFlag(tfTextPrepared, false);
  }
};

void BM_BuildBoxesAndMeasure(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  for (auto _ : state) {
    b.Unprepare();
    b.body->CalcBoxes(nullptr);
  }
  const long runs = b.Runs();
  state.counters["runs"] = double(runs);
  state.counters["runs/s"] = benchmark::Counter(double(runs), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildBoxesAndMeasure)->Unit(benchmark::kMillisecond);

void BM_RebuildBoxes(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  b.body->CalcBoxes(nullptr);
  long allocations = 0;
  for (auto _ : state) {
    const long before = gAllocations.load();
    b.body->CalcBoxes(nullptr);
    allocations = gAllocations.load() - before;
  }
  const long runs = b.Runs();
  state.counters["runs/s"] = benchmark::Counter(double(runs), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["allocs"] = double(allocations);
}
BENCHMARK(BM_RebuildBoxes)->Unit(benchmark::kMillisecond);

}  // namespace
