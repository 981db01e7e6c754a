// The GDI canvas against the libraries underneath it, used raw:
// DrawString (glyph placement on the font's 1000-unit DC plus ExtTextOutW
// under the world transform) against hb_shape plus cairo_show_glyphs of the
// same runs at the same size (warm: the runs are in the font's shaped-run
// cache, as when layout has measured them; cold: every run is shaped), and
// opaque FillRectangle (snapped FillRect
// with the DC brush) against an aliased cairo fill of the same rectangles.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <hb.h>

#include <memory>
#include <vector>

#include "backends/canvas_gdi.h"
#include "book_runs.h"
#include "canvas/text_run.h"
#include "platform/core/core_fonts.h"
#include "raw_harfbuzz.h"
#include "shared_input.h"

namespace {

using namespace ht;
using bench::BookRuns;

struct GdiSetup {
  std::unique_ptr<THtFontCollection> fonts;
  THtFont* font = nullptr;
  std::shared_ptr<core::TCoreFontFace> face;
  GdiSetup() {
    core::FontSystem::UseTestFonts();
    fonts = THtCanvasGDI::ClassType.CreateFontCollection();
    font = fonts->GetFont(u"Arial", 16, {});
    face = core::FontSystem::Find(u"Arial", 400, false).Face;
  }
};

GdiSetup& Setup() {
  static GdiSetup s;
  return s;
}

// 300 runs of the book laid out on lines of a 800 x 600 surface.
constexpr int kDrawRuns = 300;

void BM_GdiDrawString(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.size() < kDrawRuns) return state.SkipWithError(bench::TSharedPage::Missing);
  gdi::TBitmap target(800, 600);
  THtCanvasGDI canvas;
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, 800, 600), &target.Canvas());
  canvas.BeginScene(scene);
  THtTextStyle st;
  st.Color = 0xFF000000;
  for (auto _ : state)
    for (int i = 0; i < kDrawRuns; ++i) {
      const float x = float((i % 6) * 130), y = float((i / 6) * 12);
      canvas.DrawString(runs[size_t(i)], TRectF(x, y, x + 130, y + 20), Setup().font, st, 1, -1);
    }
  canvas.EndScene();
  state.SetItemsProcessed(int64_t(state.iterations() * kDrawRuns));
}
BENCHMARK(BM_GdiDrawString)->Unit(benchmark::kMillisecond);

// The same with the face's shaped-run cache emptied before every pass, so
// every run is shaped, as the peer does.
void BM_GdiDrawStringCold(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.size() < kDrawRuns) return state.SkipWithError(bench::TSharedPage::Missing);
  gdi::TBitmap target(800, 600);
  THtCanvasGDI canvas;
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, 800, 600), &target.Canvas());
  canvas.BeginScene(scene);
  THtTextStyle st;
  st.Color = 0xFF000000;
  gdi::HFONT gdiFont = static_cast<THtFontGDI*>(Setup().font)->Font->Handle();
  for (auto _ : state) {
    state.PauseTiming();
    gdiFont->Match().Face->ClearShapeCache();
    state.ResumeTiming();
    for (int i = 0; i < kDrawRuns; ++i) {
      const float x = float((i % 6) * 130), y = float((i / 6) * 12);
      canvas.DrawString(runs[size_t(i)], TRectF(x, y, x + 130, y + 20), Setup().font, st, 1, -1);
    }
  }
  canvas.EndScene();
  state.SetItemsProcessed(int64_t(state.iterations() * kDrawRuns));
}
BENCHMARK(BM_GdiDrawStringCold)->Unit(benchmark::kMillisecond);

// The peer shapes every run with harfbuzz and shows its glyphs with cairo.
void BM_RawHarfbuzzCairoGlyphs(benchmark::State& state) {
  const auto& runs = BookRuns();
  if (runs.size() < kDrawRuns) return state.SkipWithError(bench::TSharedPage::Missing);
  auto face = Setup().face;
  bench::TRawHarfbuzzFont hb;
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
  const double ascent = Setup().font->Ascent;
  std::vector<cairo_glyph_t> glyphs;
  for (auto _ : state)
    for (int i = 0; i < kDrawRuns; ++i) {
      const String& r = runs[size_t(i)];
      unsigned n = hb.Shape(r);
      const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(hb.buf, &n);
      const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(hb.buf, &n);
      double x = (i % 6) * 130, y = (i / 6) * 12 + ascent;
      glyphs.resize(n);
      for (unsigned k = 0; k < n; ++k) {
        glyphs[k] = cairo_glyph_t{info[k].codepoint, x, y};
        x += pos[k].x_advance * 16.0 / hb.upem;
      }
      cairo_show_glyphs(cr, glyphs.data(), int(n));
    }
  state.SetItemsProcessed(int64_t(state.iterations() * kDrawRuns));
  cairo_font_options_destroy(o);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_RawHarfbuzzCairoGlyphs)->Unit(benchmark::kMillisecond);

// 1000 opaque rectangles of 60 x 40 over a 800 x 600 surface.
constexpr int kRects = 1000;
TRectF rectAt(int i) {
  const float x = float((i * 37) % 740) + 0.3f, y = float((i * 53) % 560) + 0.6f;
  return TRectF(x, y, x + 60, y + 40);
}

void BM_GdiFillRectangle(benchmark::State& state) {
  gdi::TBitmap target(800, 600);
  THtCanvasGDI canvas;
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, 800, 600), &target.Canvas());
  canvas.BeginScene(scene);
  THtBrush* brush = canvas.GetBrush(0xFF336699);
  for (auto _ : state)
    for (int i = 0; i < kRects; ++i) {
      const TRectF r = rectAt(i);
      canvas.FillRectangle(brush, r.Left, r.Top, 60, 40);
    }
  canvas.EndScene();
  state.SetItemsProcessed(int64_t(state.iterations() * kRects));
}
BENCHMARK(BM_GdiFillRectangle)->Unit(benchmark::kMillisecond);

void BM_CairoAliasedFill(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 800, 600);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_source_rgb(cr, 0x33 / 255.0, 0x66 / 255.0, 0x99 / 255.0);
  for (auto _ : state)
    for (int i = 0; i < kRects; ++i) {
      const TRectF r = rectAt(i);
      cairo_rectangle(cr, r.Left, r.Top, 60, 40);
      cairo_fill(cr);
    }
  state.SetItemsProcessed(int64_t(state.iterations() * kRects));
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoAliasedFill)->Unit(benchmark::kMillisecond);

}  // namespace
