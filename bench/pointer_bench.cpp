// Pointer input over the shared book page at 1280 px on the GDI+ back end:
// a move that changes nothing, and the paint after a hover colour change
// (only the damaged boxes) beside a full frame.
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

struct TPage {
  std::unique_ptr<ht::THtDocument> Doc;
  std::unique_ptr<ht::gdi::TBitmap> Target;
  void Paint() {
    Doc->Draw(&Target->Canvas(), ht::TRect(0, 0, kWidth, kHeight), ht::TRect(0, 0, kWidth, kHeight), 0, 0, 0);
  }
};

// The book page with a hover colour on paragraphs, painted once; repaints
// are asked for, not drawn.
TPage* book() {
  static std::unique_ptr<TPage> page = []() -> std::unique_ptr<TPage> {
    static const bool ready = (ht::core::FontSystem::UseTestFonts(), ht::HtBackendsInitialize(),
                               ht::HtPaintInitialize(), true);
    (void)ready;
    std::string bytes;
    if (!bench::LoadSharedInput("rust-book-print.html", bytes)) return nullptr;
    auto p = std::make_unique<TPage>();
    p->Doc = std::make_unique<ht::THtDocument>(&ht::THtCanvasGP::ClassType);
    p->Doc->Parse(u"<style>p:hover{background-color:#eeeeff}</style>" + ht::Utf8ToString(bytes));
    p->Target = std::make_unique<ht::gdi::TBitmap>(kWidth, kHeight);
    p->Paint();
    p->Doc->OnRepaint = [](ht::THtObject*) {};
    return p;
  }();
  return page.get();
}

// Two points over different paragraphs of the first view.
bool twoParagraphs(ht::THtDocument& Doc, ht::TPoint& A, ht::TPoint& B) {
  int found = 0;
  for (int y = 5; y < kHeight && found < 2; y += 5) {
    ht::TElement* e = Doc.GetElementAt(400, y);
    if (!e || e->Tag() != u"p") continue;
    if (found == 1 && e == Doc.GetElementAt(A.X, A.Y)) continue;
    (found == 0 ? A : B) = ht::TPoint{400, y};
    ++found;
  }
  return found == 2;
}

void BM_MoveChangingNothing(benchmark::State& state) {
  TPage* page = book();
  if (!page) return state.SkipWithError("shared input missing");
  page->Doc->OnMouseMove(400, 300, 0);
  for (auto _ : state) page->Doc->OnMouseMove(400, 300, 0);
}
BENCHMARK(BM_MoveChangingNothing)->Unit(benchmark::kMicrosecond);

// A move from one paragraph to the next and the paint it asks for.
void BM_HoverChangeRepaint(benchmark::State& state) {
  TPage* page = book();
  ht::TPoint a, b;
  if (!page || !twoParagraphs(*page->Doc, a, b)) return state.SkipWithError("shared input missing");
  // The first hover of the page enters the whole chain up to the root.
  for (const ht::TPoint& p : {a, b}) {
    page->Doc->OnMouseMove(p.X, p.Y, 0);
    page->Paint();
  }
  bool first = true;
  for (auto _ : state) {
    const ht::TPoint p = first ? a : b;
    first = !first;
    page->Doc->OnMouseMove(p.X, p.Y, 0);
    page->Paint();
  }
}
BENCHMARK(BM_HoverChangeRepaint)->Unit(benchmark::kMicrosecond);

void BM_FullFrame(benchmark::State& state) {
  TPage* page = book();
  if (!page) return state.SkipWithError("shared input missing");
  for (auto _ : state) {
    page->Doc->Repaint();
    page->Paint();
  }
}
BENCHMARK(BM_FullFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
