// The viewer's start and repaint, run by hand on a display (for example
// under xvfb-run): the time from making the main window to its first paint
// of the sample page beside a bare GTK window that paints one rectangle,
// and a full repaint of the sample page. Without a display every benchmark
// reports an error and times nothing.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <gtk/gtk.h>

#include "backends/backends_startup.h"
#include "host/html_panel.h"
#include "layout/layout_startup.h"
#include "platform/ui/application.h"

namespace {

bool started() {
  static const bool ok = [] {
    ht::HtBackendsInitialize();
    ht::HtLayoutInitialize();
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

}  // namespace
