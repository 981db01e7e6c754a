// Text on the Direct2D canvas against the libraries underneath it, used raw:
// MeasureString over the book's word runs against hb_shape plus an advance
// sum on the same face (warm: the runs are in the face's shaped-run cache,
// as when layout measures again; cold: every run is shaped), and laying out
// and drawing a paragraph of runs against cairo_show_glyphs of glyphs shaped
// beforehand.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <hb.h>

#include <memory>
#include <vector>

#include "backends/canvas_dx.h"
#include "book_runs.h"
#include "raw_harfbuzz.h"
#include "platform/core/core_fonts.h"

namespace {

using namespace ht;
using bench::BookRuns;

struct DXSetup {
  std::unique_ptr<THtFontCollection> fonts;
  THtFontDX* font = nullptr;
  std::shared_ptr<core::TCoreFontFace> face;
  bool ok = false;
  DXSetup() {
    core::FontSystem::UseTestFonts();
    BindDirect2DEntryPoints();
    ok = THtCanvasDX::IsDirectXSupported();
    fonts = THtCanvasDX::ClassType.CreateFontCollection();
    font = static_cast<THtFontDX*>(fonts->GetFont(u"Arial", 16, {}));
    face = core::FontSystem::Find(u"Arial", 400, false).Face;
  }
};

DXSetup& Setup() {
  static DXSetup s;
  return s;
}

void BM_DXMeasureString(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.empty() || !Setup().ok) return state.SkipWithError("no book page or no Direct2D");
  THtFontDX* font = Setup().font;
  const THtTextStyle st;
  for (auto _ : state)
    for (const String& r : runs)
      benchmark::DoNotOptimize(THtCanvasDX::ClassType.MeasureString(r, font, st, 1, 1, int(r.size())));
  state.SetItemsProcessed(int64_t(state.iterations() * runs.size()));
}
BENCHMARK(BM_DXMeasureString)->Unit(benchmark::kMillisecond);

// The same with the face's shaped-run cache emptied before every pass, so
// every run is shaped, as the peer does.
void BM_DXMeasureStringCold(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.empty() || !Setup().ok) return state.SkipWithError("no book page or no Direct2D");
  THtFontDX* font = Setup().font;
  const THtTextStyle st;
  for (auto _ : state) {
    state.PauseTiming();
    font->Font->Face()->ClearShapeCache();
    state.ResumeTiming();
    for (const String& r : runs)
      benchmark::DoNotOptimize(THtCanvasDX::ClassType.MeasureString(r, font, st, 1, 1, int(r.size())));
  }
  state.SetItemsProcessed(int64_t(state.iterations() * runs.size()));
}
BENCHMARK(BM_DXMeasureStringCold)->Unit(benchmark::kMillisecond);

void BM_DXMeasureRawHarfbuzz(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.empty()) return state.SkipWithError("no book page");
  bench::MeasureRunsWithRawHarfbuzz(state, runs);
}
BENCHMARK(BM_DXMeasureRawHarfbuzz)->Unit(benchmark::kMillisecond);

constexpr int kDrawRuns = 300;

void BM_DXDrawString(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.size() < kDrawRuns || !Setup().ok) return state.SkipWithError("no book page or no Direct2D");
  THtFontDX* font = Setup().font;
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bmp = gdi::CreateDIBSection32(800, 600, nullptr);
  gdi::SelectObject(dc, bmp);
  {
    gdi::TCanvas target(dc);
    THtCanvasDX canvas;
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, 800, 600), &target);
    canvas.BeginScene(scene);
    THtTextStyle st;
    st.Color = 0xFF000000;
    for (auto _ : state)
      for (int i = 0; i < kDrawRuns; ++i) {
        float x = float((i % 6) * 130), y = float((i / 6) * 12);
        canvas.DrawString(runs[size_t(i)], TRectF(x, y, x + 130, y + 20), font, st, 1, -1);
      }
    canvas.BeforeEndScene();
    canvas.EndScene();
  }
  gdi::DeleteDC(dc);
  gdi::DeleteObject(bmp);
  state.SetItemsProcessed(int64_t(state.iterations() * kDrawRuns));
}
BENCHMARK(BM_DXDrawString)->Unit(benchmark::kMillisecond);

void BM_DXDrawRawCairoGlyphs(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.size() < kDrawRuns) return state.SkipWithError("no book page");
  auto face = Setup().face;
  std::vector<std::vector<cairo_glyph_t>> glyphs(kDrawRuns);
  for (int i = 0; i < kDrawRuns; ++i) {
    std::vector<core::TShapedGlyph> g;
    face->Shape(runs[size_t(i)], false, {}, g);
    double x = (i % 6) * 130, y = (i / 6) * 12 + 14.5;
    for (const auto& s : g) {
      glyphs[size_t(i)].push_back(cairo_glyph_t{s.Glyph, x, y});
      x += s.XAdvance * 16.0 / face->UnitsPerEm();
    }
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 800, 600);
  cairo_t* cr = cairo_create(surface);
  cairo_set_font_face(cr, face->CairoFace());
  cairo_set_font_size(cr, 16);
  cairo_font_options_t* o = cairo_font_options_create();
  cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, o);
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  for (auto _ : state)
    for (const auto& g : glyphs) cairo_show_glyphs(cr, g.data(), int(g.size()));
  state.SetItemsProcessed(int64_t(state.iterations() * kDrawRuns));
  cairo_font_options_destroy(o);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_DXDrawRawCairoGlyphs)->Unit(benchmark::kMillisecond);

}  // namespace
