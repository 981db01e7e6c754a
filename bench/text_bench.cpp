// Text on the GDI+ canvas against the libraries underneath it, used raw:
// MeasureString over the book's word runs against hb_shape plus an advance
// sum on the same face (warm: the runs are in the face's shaped-run cache, as
// when layout measures again; cold: every run is shaped), and DrawString
// against cairo_show_glyphs of the same glyphs at the same size.
#include <benchmark/benchmark.h>
#include <cairo-ft.h>
#include <cairo.h>
#include <hb.h>

#include <memory>
#include <vector>

#include "backends/canvas_gp.h"
#include "canvas/text_run.h"
#include "platform/core/core_fonts.h"
#include "book_runs.h"
#include "raw_harfbuzz.h"
#include "shared_input.h"

namespace {

using namespace ht;
using bench::BookRuns;

struct TextSetup {
  std::unique_ptr<THtFontCollection> fonts;
  THtFontGP* font = nullptr;
  std::shared_ptr<core::TCoreFontFace> face;
  TextSetup() {
    core::FontSystem::UseTestFonts();
    fonts = THtCanvasGP::ClassType.CreateFontCollection();
    font = static_cast<THtFontGP*>(fonts->GetFont(u"Arial", 16, {}));
    face = core::FontSystem::Find(u"Arial", 400, false).Face;
  }
};

TextSetup& Setup() {
  static TextSetup s;
  return s;
}

void BM_MeasureString(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.empty()) return state.SkipWithError(bench::TSharedPage::Missing);
  THtFontGP* font = Setup().font;
  const THtTextStyle st;
  for (auto _ : state)
    for (const String& r : runs)
      benchmark::DoNotOptimize(THtCanvasGP::ClassType.MeasureString(r, font, st, 1, 1, int(r.size())));
  state.SetItemsProcessed(int64_t(state.iterations() * runs.size()));
}
BENCHMARK(BM_MeasureString)->Unit(benchmark::kMillisecond);

// The same with the face's shaped-run cache emptied before every pass, so
// every run is shaped.
void BM_MeasureStringCold(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.empty()) return state.SkipWithError(bench::TSharedPage::Missing);
  THtFontGP* font = Setup().font;
  const THtTextStyle st;
  gdi::HFONT gdiFont = font->GDIFont.Handle();
  for (auto _ : state) {
    state.PauseTiming();
    gdiFont->Match().Face->ClearShapeCache();
    state.ResumeTiming();
    for (const String& r : runs)
      benchmark::DoNotOptimize(THtCanvasGP::ClassType.MeasureString(r, font, st, 1, 1, int(r.size())));
  }
  state.SetItemsProcessed(int64_t(state.iterations() * runs.size()));
}
BENCHMARK(BM_MeasureStringCold)->Unit(benchmark::kMillisecond);

void BM_MeasureRawHarfbuzz(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.empty()) return state.SkipWithError(bench::TSharedPage::Missing);
  bench::MeasureRunsWithRawHarfbuzz(state, runs);
}
BENCHMARK(BM_MeasureRawHarfbuzz)->Unit(benchmark::kMillisecond);

// 300 runs of the book laid out on lines of a 800 x 600 surface.
constexpr int kDrawRuns = 300;

void BM_DrawString(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.size() < kDrawRuns) return state.SkipWithError(bench::TSharedPage::Missing);
  THtFontGP* font = Setup().font;
  gdi::TBitmap target(800, 600);
  THtCanvasGP canvas;
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, 800, 600), &target.Canvas());
  canvas.BeginScene(scene);
  THtTextStyle st;
  st.Color = 0xFF000000;
  for (auto _ : state)
    for (int i = 0; i < kDrawRuns; ++i) {
      float x = float((i % 6) * 130), y = float((i / 6) * 12);
      canvas.DrawString(runs[size_t(i)], TRectF(x, y, x + 130, y + 20), font, st, 1, -1);
    }
  canvas.EndScene();
  state.SetItemsProcessed(int64_t(state.iterations() * kDrawRuns));
}
BENCHMARK(BM_DrawString)->Unit(benchmark::kMillisecond);

void BM_DrawRawCairoGlyphs(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.size() < kDrawRuns) return state.SkipWithError(bench::TSharedPage::Missing);
  auto face = Setup().face;
  THtFontGP* font = Setup().font;
  // The same glyphs at the same positions, shaped once beforehand.
  std::vector<std::vector<cairo_glyph_t>> glyphs(kDrawRuns);
  for (int i = 0; i < kDrawRuns; ++i) {
    std::vector<core::TShapedGlyph> g;
    face->Shape(runs[size_t(i)], false, {}, g);
    double x = (i % 6) * 130, y = (i / 6) * 12 + font->Ascent;
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
BENCHMARK(BM_DrawRawCairoGlyphs)->Unit(benchmark::kMillisecond);

}  // namespace
