// A path-heavy drawing (5,000 curved, filled and stroked paths) at 1171 x 723
// painted inline by the default Direct2D back end beside librsvg drawing the
// same file in-process onto a cairo image surface. Each side is timed from
// text to pixels (parse, style, lay out, paint) and for a repaint of a drawing
// already loaded. The goal: within 1.5 times librsvg.
#include <benchmark/benchmark.h>
#include <librsvg/rsvg.h>

#include <cairo.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "backends/canvas_dx.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"

namespace {

constexpr int kWidth = 1171, kHeight = 723, kPaths = 5000;

// The same drawing for both sides, from a fixed seed.
const std::string& drawing() {
  static const std::string svg = [] {
    std::mt19937 rng(20261211);
    std::uniform_real_distribution<double> x(0, kWidth), y(0, kHeight), d(-60, 60);
    std::uniform_int_distribution<int> c(0, 0xFFFFFF);
    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kWidth) + "\" height=\"" +
                    std::to_string(kHeight) + "\" viewBox=\"0 0 " + std::to_string(kWidth) + " " +
                    std::to_string(kHeight) + "\">";
    char buf[320];
    for (int i = 0; i < kPaths; ++i) {
      const double x0 = x(rng), y0 = y(rng);
      std::snprintf(buf, sizeof buf,
                    "<path d=\"M%.1f %.1f C%.1f %.1f %.1f %.1f %.1f %.1f S%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f "
                    "%.1f Z\" fill=\"#%06x\" fill-opacity=\"0.6\" stroke=\"#%06x\" stroke-width=\"1.5\"/>",
                    x0, y0, x0 + d(rng), y0 + d(rng), x0 + d(rng), y0 + d(rng), x0 + d(rng), y0 + d(rng),
                    x0 + d(rng), y0 + d(rng), x0 + d(rng), y0 + d(rng), x0 + d(rng), y0 + d(rng), x0 + d(rng),
                    y0 + d(rng), unsigned(c(rng)), unsigned(c(rng)));
      s += buf;
    }
    return s + "</svg>";
  }();
  return svg;
}

void ready() {
  static const bool done = (ht::core::FontSystem::UseTestFonts(), ht::HtElementsInitialize(), true);
  (void)done;
}

std::unique_ptr<ht::THtDocument> loaded() {
  auto doc = std::make_unique<ht::THtDocument>(&ht::THtCanvasDX::ClassType);
  doc->Parse(u"<body style=\"margin:0\">" + ht::Utf8ToString(drawing()) + u"</body>");
  doc->CalcSize(kWidth, kHeight);
  return doc;
}

void paint(ht::THtDocument& Doc, ht::gdi::TBitmap& Target) {
  const ht::TRect view(0, 0, kWidth, kHeight);
  Doc.Draw(&Target.Canvas(), view, view, 0, 0, 0);
  Target.Surface().Flush();
}

void BM_EngineTextToPixels(benchmark::State& state) {
  ready();
  ht::gdi::TBitmap target(kWidth, kHeight);
  for (auto _ : state) {
    std::unique_ptr<ht::THtDocument> doc = loaded();
    paint(*doc, target);
  }
}
BENCHMARK(BM_EngineTextToPixels)->Unit(benchmark::kMillisecond);

void BM_EngineRepaint(benchmark::State& state) {
  ready();
  ht::gdi::TBitmap target(kWidth, kHeight);
  std::unique_ptr<ht::THtDocument> doc = loaded();
  paint(*doc, target);  // the first paint styles and boxes the drawing
  for (auto _ : state) paint(*doc, target);
}
BENCHMARK(BM_EngineRepaint)->Unit(benchmark::kMillisecond);

struct TRsvg {
  RsvgHandle* Handle = nullptr;
  TRsvg() {
    const std::string& svg = drawing();
    Handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), gsize(svg.size()), nullptr);
  }
  ~TRsvg() {
    if (Handle) g_object_unref(Handle);
  }
  bool Render(cairo_surface_t* Surface) const {
    cairo_t* cr = cairo_create(Surface);
    const RsvgRectangle viewport{0, 0, double(kWidth), double(kHeight)};
    const bool ok = rsvg_handle_render_document(Handle, cr, &viewport, nullptr);
    cairo_destroy(cr);
    cairo_surface_flush(Surface);
    return ok;
  }
};

void BM_LibrsvgTextToPixels(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  for (auto _ : state) {
    TRsvg rsvg;
    if (!rsvg.Handle || !rsvg.Render(surface)) {
      state.SkipWithError("librsvg failed");
      break;
    }
  }
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_LibrsvgTextToPixels)->Unit(benchmark::kMillisecond);

void BM_LibrsvgRepaint(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  TRsvg rsvg;
  if (!rsvg.Handle) state.SkipWithError("librsvg failed");
  for (auto _ : state)
    if (!rsvg.Render(surface)) {
      state.SkipWithError("librsvg failed");
      break;
    }
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_LibrsvgRepaint)->Unit(benchmark::kMillisecond);

}  // namespace
