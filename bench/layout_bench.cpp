// Layout of the book page with fixed Ahem metrics (every character one em
// wide):
//   BuildBoxesAndMeasure  box building with text prepared, split, measured
//   RebuildBoxes          box building again without structural change,
//                         reusing runs and flows (heap allocations: goal 0)
//   CalcSize1280          the parsed, styled page laid out at 1280 px
//   RelayoutOneWidth      one element's width changed, then laid out again
//   RelayoutOneWidthSameHeight  the same with the element's height fixed
//   LitehtmlRender1280    litehtml's render(1280) of the same page (Debian's
//                         liblitehtml-dev, linked here only), its container
//                         measuring text with the same fixed metrics and its
//                         master sheet holding the usual block defaults
// The target is CalcSize1280 at least twice as fast as LitehtmlRender1280.
#include <benchmark/benchmark.h>
#include <litehtml/litehtml.h>

#include "litehtml_container.h"

#include "shared_input.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdlib>
#include <string>
#include <memory>
#include <new>
#include <vector>

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

void BM_CalcSize1280(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  b.doc->CalcSize(1280, 800);
  for (auto _ : state) b.doc->CalcSize(1280, 800);
  state.counters["runs"] = double(b.Runs());
  state.counters["height"] = double(b.doc->DocumentHeight);
}
BENCHMARK(BM_CalcSize1280)->Unit(benchmark::kMillisecond);

// Toggles the width of the block in the middle of the page (in document
// order) between two values and lays the page out again; in the SameHeight
// case the block's height is fixed, so its outer size stays and nothing after it
// moves. The counter pct_of_full is the relayout's time as a share of a
// full layout of the page timed in the same run (best of three), both in
// thread CPU time so that other load on the machine does not skew it.
double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void relayoutOneWidth(benchmark::State& state, const char16_t* narrow, const char16_t* wide) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  std::vector<TElement*> blocks;
  for (THtNode* n = b.body; n; n = n->NextNode())
    if (n->Tag() == u"div" || n->Tag() == u"p") blocks.push_back(static_cast<TElement*>(n));
  if (blocks.empty()) return state.SkipWithError("no block in the book page");
  TElement* e = blocks[blocks.size() / 2];
  b.doc->CalcSize(1280, 800);
  bool isWide = false;
  double relayout = 0;
  for (auto _ : state) {
    const double t0 = threadSeconds();
    e->SetAttribute(u"style", isWide ? wide : narrow);
    isWide = !isWide;
    b.doc->CalcSize(1280, 800);
    relayout += threadSeconds() - t0;
  }
  state.counters["height"] = double(b.doc->DocumentHeight);
  double full = 1e30;
  for (int i = 0; i < 3; ++i) {
    const double t0 = threadSeconds();
    b.doc->NeedRecalc = true;
    b.doc->CalcSize(1280, 800);
    full = std::min(full, threadSeconds() - t0);
  }
  state.counters["pct_of_full"] = 100.0 * relayout / double(state.iterations()) / full;
}

void BM_RelayoutOneWidth(benchmark::State& state) { relayoutOneWidth(state, u"width: 600px", u"width: 700px"); }
BENCHMARK(BM_RelayoutOneWidth)->Unit(benchmark::kMillisecond);

void BM_RelayoutOneWidthSameHeight(benchmark::State& state) {
  relayoutOneWidth(state, u"width: 600px; height: 300px", u"width: 700px; height: 300px");
}
BENCHMARK(BM_RelayoutOneWidthSameHeight)->Unit(benchmark::kMillisecond);

// The block and hidden elements and the spacing a browser gives by default.
constexpr const char* kLitehtmlMaster = R"css(
html, address, blockquote, body, dd, div, dl, dt, fieldset, form, h1, h2, h3, h4, h5, h6, ol, p, ul, pre,
article, aside, details, figcaption, figure, footer, header, main, nav, section, summary, hr, menu { display: block }
head, style, script, link, meta, title, template { display: none }
li { display: list-item }
table { display: table } tr { display: table-row } thead, tbody, tfoot { display: table-row-group }
td, th { display: table-cell } caption { display: table-caption }
body { margin: 8px }
h1 { font-size: 2em; margin: .67em 0 } h2 { font-size: 1.5em; margin: .75em 0 } h3 { font-size: 1.17em; margin: .83em 0 }
p, blockquote, ul, ol, dl, h4 { margin: 1em 0 }
ul, ol { padding-left: 40px }
pre { white-space: pre }
b, strong, th { font-weight: bold } i, em { font-style: italic }
)css";

void BM_LitehtmlRender1280(benchmark::State& state) {
  if (!bench::BookPage().ok) return state.SkipWithError(bench::TSharedPage::Missing);
  std::string utf8;
  if (!bench::LoadSharedInput(bench::TSharedPage::Name, utf8)) return state.SkipWithError(bench::TSharedPage::Missing);
  bench::TAhemLitehtmlContainer container;
  litehtml::context context;
  context.load_master_stylesheet(kLitehtmlMaster);
  litehtml::document::ptr doc = litehtml::document::createFromString(utf8.c_str(), &container, &context);
  doc->render(1280);
  for (auto _ : state) doc->render(1280);
  state.counters["height"] = double(doc->height());
}
BENCHMARK(BM_LitehtmlRender1280)->Unit(benchmark::kMillisecond);

}  // namespace
