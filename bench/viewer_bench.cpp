// The viewer's start and repaint, run by hand on a display (for example
// under xvfb-run): the time from making the main window to its first paint
// of the sample page beside a bare GTK window that paints one rectangle,
// a full repaint of the sample page, and one step of a smooth scroll and
// of a fast zoom on the shared book page beside a whole-window cairo copy
// (each step should fit a 16.7 ms frame). Without a display every benchmark
// reports an error and times nothing.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>

#include "backends/backends_startup.h"
#include "host/html_panel.h"
#include "layout/layout_startup.h"
#include "paint/paint_startup.h"
#include "platform/ui/application.h"

namespace {

bool started() {
  static const bool ok = [] {
    ht::HtBackendsInitialize();
    ht::HtLayoutInitialize();
    ht::HtPaintInitialize();
    ht::HtHostInitialize();
    return ht::ui::TApplication::Initialize();
  }();
  return ok;
}

const ht::String kSamplePage = ht::Utf8ToString(TARNWICK_SOURCE_DIR "/app/index.html");

void runUntil(const bool& Flag) {
  while (!Flag) gtk_main_iteration_do(TRUE);
}

gboolean paintRectangle(GtkWidget*, cairo_t* Cr, gpointer Done) {
  cairo_set_source_rgb(Cr, 0.2, 0.5, 0.8);
  cairo_rectangle(Cr, 10, 10, 100, 100);
  cairo_fill(Cr);
  *static_cast<bool*>(Done) = true;
  return FALSE;
}

void BM_BareWindowFirstPaint(benchmark::State& state) {
  if (!started()) return state.SkipWithError("no display: run under xvfb-run");
  for (auto _ : state) {
    bool painted = false;
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(w), 1171, 723);
    GtkWidget* area = gtk_drawing_area_new();
    g_signal_connect(area, "draw", G_CALLBACK(paintRectangle), &painted);
    gtk_container_add(GTK_CONTAINER(w), area);
    gtk_widget_show_all(w);
    runUntil(painted);
    state.PauseTiming();
    gtk_widget_destroy(w);
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BareWindowFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ViewerFirstPaint(benchmark::State& state) {
  if (!started()) return state.SkipWithError("no display: run under xvfb-run");
  for (auto _ : state) {
    bool painted = false;
    auto form = std::make_unique<ht::ui::TForm>();
    form->SetClientSize(1171, 723);
    auto panel = std::make_unique<ht::THtPanel>();
    panel->SetVerticalScrollBar(ht::hsbAlways);
    panel->SetHorizontalScrollBar(ht::hsbAlways);
    panel->fAfterPaint = [&](ht::THtObject*) { painted = true; };
    panel->SetParent(form.get());
    panel->LoadFromFile(kSamplePage);
    form->Show();
    runUntil(painted);
    state.PauseTiming();
    panel.reset();
    form.reset();
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ViewerFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SamplePageFullRepaint(benchmark::State& state) {
  if (!started()) return state.SkipWithError("no display: run under xvfb-run");
  bool painted = false;
  auto form = std::make_unique<ht::ui::TForm>();
  form->SetClientSize(1171, 723);
  auto panel = std::make_unique<ht::THtPanel>();
  panel->SetVerticalScrollBar(ht::hsbAlways);
  panel->SetHorizontalScrollBar(ht::hsbAlways);
  panel->fAfterPaint = [&](ht::THtObject*) { painted = true; };
  panel->SetParent(form.get());
  panel->LoadFromFile(kSamplePage);
  form->Show();
  runUntil(painted);
  const int w = panel->ClientWidth(), h = panel->ClientHeight();
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(target);
  for (auto _ : state) {
    panel->Repaint();  // drops the document's paint cache: everything is drawn again
    panel->PaintTo(cr, w, h);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(target);
  panel.reset();
  form.reset();
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}
BENCHMARK(BM_SamplePageFullRepaint)->Unit(benchmark::kMillisecond);

// The book page in a window of the viewer's size, painted once.
struct TBookWindow {
  std::unique_ptr<ht::ui::TForm> Form = std::make_unique<ht::ui::TForm>();
  std::unique_ptr<ht::THtPanel> Panel = std::make_unique<ht::THtPanel>();
  cairo_surface_t* Target = nullptr;
  cairo_t* Cr = nullptr;
  int W = 0, H = 0;
  bool Loaded = false;
  TBookWindow() {
    const ht::String book = ht::Utf8ToString(TARNWICK_SOURCE_DIR "/../shared/bench/rust-book-print.html");
    if (!std::filesystem::exists(TARNWICK_SOURCE_DIR "/../shared/bench/rust-book-print.html")) return;
    bool painted = false;
    Form->SetClientSize(1171, 723);
    Panel->SetVerticalScrollBar(ht::hsbAlways);
    Panel->SetHorizontalScrollBar(ht::hsbAlways);
    Panel->fAfterPaint = [&](ht::THtObject*) { painted = true; };
    Panel->SetParent(Form.get());
    Panel->LoadFromFile(book);
    Form->Show();
    runUntil(painted);
    Panel->fAfterPaint = nullptr;
    W = Panel->ClientWidth();
    H = Panel->ClientHeight();
    Target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, H);
    Cr = cairo_create(Target);
    Loaded = true;
  }
  ~TBookWindow() {
    if (Cr) cairo_destroy(Cr);
    if (Target) cairo_surface_destroy(Target);
    Panel.reset();
    Form.reset();
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  }
};

// The floor of any frame: one copy of a whole window picture with cairo.
void BM_FullWindowCairoCopy(benchmark::State& state) {
  cairo_surface_t* from = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1171, 723);
  cairo_surface_t* to = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1171, 723);
  {
    // A picture of its own, so the copy cannot be skipped as clear.
    cairo_t* paint = cairo_create(from);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 1171, 723);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.1, 0.4, 0.8, 1);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.9, 0.8, 0.2, 0.7);
    cairo_set_source(paint, g);
    cairo_paint(paint);
    cairo_pattern_destroy(g);
    cairo_destroy(paint);
  }
  cairo_t* cr = cairo_create(to);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  for (auto _ : state) {
    cairo_set_source_surface(cr, from, 0, 0);
    cairo_paint(cr);
    cairo_surface_flush(to);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(to);
  cairo_surface_destroy(from);
}
BENCHMARK(BM_FullWindowCairoCopy)->Unit(benchmark::kMillisecond);

// One step of a smooth scroll: the offset moves by a wheel step's share
// and the window is painted.
void BM_SmoothScrollStep(benchmark::State& state) {
  if (!started()) return state.SkipWithError("no display: run under xvfb-run");
  TBookWindow book;
  if (!book.Loaded) return state.SkipWithError("../shared/bench/rust-book-print.html is missing");
  int direction = 1;
  for (auto _ : state) {
    if (book.Panel->OffsetY > 20000) direction = -1;
    if (book.Panel->OffsetY < 100) direction = 1;
    book.Panel->Scroll(0, float(24 * direction), true);
    book.Panel->PaintTo(book.Cr, book.W, book.H);
  }
  state.counters["page_px"] = book.Panel->DocumentPixelHeight();
  if (const char* png = std::getenv("VIEWER_BENCH_PNG")) cairo_surface_write_to_png(book.Target, png);
}
BENCHMARK(BM_SmoothScrollStep)->Unit(benchmark::kMillisecond);

// One step of a smooth zoom on the fast path: the surface stretches its
// cached picture when it can; a surface that cannot repaints the window.
void BM_FastScaleStep(benchmark::State& state) {
  if (!started()) return state.SkipWithError("no display: run under xvfb-run");
  TBookWindow book;
  if (!book.Loaded) return state.SkipWithError("../shared/bench/rust-book-print.html is missing");
  book.Panel->FScaleFromCenter = true;
  const ht::TPoint centre{book.W / 2, book.H / 2};
  int step = 0;
  for (auto _ : state) {
    book.Panel->LastPaintTime = 10;
    book.Panel->ScalefromPoint(100 + (step++ % 2) * 4, centre, true);
    book.Panel->PaintTo(book.Cr, book.W, book.H);
  }
}
BENCHMARK(BM_FastScaleStep)->Unit(benchmark::kMillisecond);

}  // namespace
