// Hit testing on the shared book page at 1280 px, painted once so that its
// boxes count as drawn: the element under a point (one in running text and
// one in the margin beside it) and every element under a point by z level.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "document/document.h"
#include "paint/paint_startup.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"
#include "shared_input.h"

namespace {

constexpr int kWidth = 1280, kHeight = 800;

struct TBook {
  std::unique_ptr<ht::THtDocument> Doc;
  std::unique_ptr<ht::gdi::TBitmap> Target;
};

ht::THtDocument* book() {
  static TBook b = [] {
    TBook r;
    std::string bytes;
    if (!bench::LoadSharedInput("rust-book-print.html", bytes)) return r;
    ht::core::FontSystem::UseTestFonts();
    ht::HtBackendsInitialize();
    ht::HtPaintInitialize();
    r.Doc = std::make_unique<ht::THtDocument>(&ht::THtCanvasGP::ClassType);
    r.Doc->Parse(ht::Utf8ToString(bytes));
    r.Target = std::make_unique<ht::gdi::TBitmap>(kWidth, kHeight);
    const ht::TRect view(0, 0, kWidth, kHeight);
    r.Doc->Draw(&r.Target->Canvas(), view, view, 0, 0, 0);
    return r;
  }();
  return b.Doc.get();
}

void BM_GetElementAt(benchmark::State& state) {
  ht::THtDocument* doc = book();
  if (!doc) return state.SkipWithError("shared input missing");
  const int x = int(state.range(0)), y = int(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(doc->GetElementAt(x, y));
}
BENCHMARK(BM_GetElementAt)->Args({400, 300})->Args({1250, 700})->Unit(benchmark::kMicrosecond);

void BM_ElementsFromPoint(benchmark::State& state) {
  ht::THtDocument* doc = book();
  if (!doc) return state.SkipWithError("shared input missing");
  for (auto _ : state) benchmark::DoNotOptimize(doc->ElementsFromPoint(400, 300));
}
BENCHMARK(BM_ElementsFromPoint)->Unit(benchmark::kMicrosecond);

}  // namespace
