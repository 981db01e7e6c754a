// Painting the shared book page at 1280 px: the paint walk alone (onto a
// recording canvas that records nothing), viewports of its boxes and text
// painted by the GDI+ back end on cairo beside replaying each one's
// recording on the same back end (the argument is the band: the viewport
// scrolled down by that many heights), and the stacking passes of a page
// with thousands of z levels.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "canvas/meta_canvas.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"
#include "shared_input.h"

namespace {

constexpr int kWidth = 1280, kHeight = 800;

// The units the viewer starts (the elements unit starts painting, layout
// and the document under it): without them the book's tables and SVG
// icons would be timed as plain boxes.
std::unique_ptr<ht::THtDocument> laidOut(const ht::String& Html) {
  static const bool ready = (ht::core::FontSystem::UseTestFonts(), ht::HtBackendsInitialize(),
                             ht::HtElementsInitialize(), ht::HtRefCanvasClass = &ht::THtCanvasGP::ClassType, true);
  (void)ready;
  auto doc = std::make_unique<ht::THtDocument>(&ht::THtCanvasGP::ClassType);
  doc->Parse(Html);
  doc->CalcSize(kWidth, kHeight);
  return doc;
}

ht::THtDocument* book() {
  static std::unique_ptr<ht::THtDocument> doc = [] {
    std::string bytes;
    return bench::LoadSharedInput("rust-book-print.html", bytes) ? laidOut(ht::Utf8ToString(bytes)) : nullptr;
  }();
  return doc.get();
}

ht::THtCanvasScene viewScene(ht::THtObject* Target, int Band = 0) {
  ht::THtCanvasScene s;
  s.Init(ht::TRect(0, 0, kWidth, kHeight), Target);
  s.OffsetY = -float(Band) * kHeight;
  return s;
}

// The bands timed: the top of the book (its SVG icons, drawn large without
// the book's style sheets) and bands of running text further down.
void bands(benchmark::internal::Benchmark* B) {
  for (int band : {0, 1, 2, 3, 4, 5, 6, 7, 16, 64, 256}) B->Arg(band);
}

// The walk and every drawing call, none of them recorded or drawn.
void BM_PaintWalkOnly(benchmark::State& state) {
  ht::THtDocument* doc = book();
  if (!doc) return state.SkipWithError("shared input missing");
  ht::THtMetaCanvas null;  // without a scene it has no list: records nothing
  const ht::THtCanvasScene s = viewScene(nullptr, int(state.range(0)));
  for (auto _ : state) doc->RawPaint(null, s);
}
BENCHMARK(BM_PaintWalkOnly)->Apply(bands)->Unit(benchmark::kMicrosecond);

void BM_PaintViewportOnCairo(benchmark::State& state) {
  ht::THtDocument* doc = book();
  if (!doc) return state.SkipWithError("shared input missing");
  ht::gdi::TBitmap target(kWidth, kHeight);
  const ht::TRect view(0, 0, kWidth, kHeight);
  const float offsetY = -float(state.range(0)) * kHeight;
  for (auto _ : state) doc->Draw(&target.Canvas(), view, view, 0, offsetY, 0);
}
BENCHMARK(BM_PaintViewportOnCairo)->Apply(bands)->Unit(benchmark::kMicrosecond);

// The same viewport recorded once, then played back on the GDI+ canvas: the
// cost of the drawing calls alone, the floor the walk is measured against.
void BM_ReplayViewportRecording(benchmark::State& state) {
  ht::THtDocument* doc = book();
  if (!doc) return state.SkipWithError("shared input missing");
  ht::THtMetaCanvas meta;
  const ht::THtCanvasScene s = viewScene(nullptr, int(state.range(0)));
  meta.BeginScene(s);
  // RawPaint starts from the surface's initial matrix: the band's offset
  // goes there.
  meta.InitialMatrix.Translate(0, s.OffsetY);
  doc->RawPaint(meta, s);
  meta.EndScene();
  std::unique_ptr<ht::THtMetaList> recording = meta.DetachList();
  if (!recording) return state.SkipWithError("nothing recorded");
  ht::gdi::TBitmap target(kWidth, kHeight);
  ht::THtCanvasGP gp;
  // The band's offset is in the recorded matrix: the scene adds none.
  for (auto _ : state) {
    gp.BeginScene(viewScene(&target.Canvas()));
    recording->Play(&gp, 1);
    gp.EndScene();
  }
  state.counters["records"] = recording->Count();
}
BENCHMARK(BM_ReplayViewportRecording)->Apply(bands)->Unit(benchmark::kMicrosecond);

// N positioned siblings, each on a z level of its own.
void BM_PaintManyZLevels(benchmark::State& state) {
  ht::String html = u"<body>";
  for (int i = 0; i < state.range(0); ++i)
    html += u"<div style='position:relative;height:1px;z-index:" + ht::Utf8ToString(std::to_string(i % 5000)) +
            u"'></div>";
  std::unique_ptr<ht::THtDocument> doc = laidOut(html + u"</body>");
  ht::THtMetaCanvas null;
  const ht::THtCanvasScene s = viewScene(nullptr);
  for (auto _ : state) doc->RawPaint(null, s);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PaintManyZLevels)->Arg(500)->Arg(5000)->Unit(benchmark::kMicrosecond)->Complexity();

}  // namespace
