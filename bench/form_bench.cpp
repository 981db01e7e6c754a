// Forms in the viewer, run by hand on a display (for example under
// xvfb-run): the first paint of a page holding 1,000 text inputs beside a
// bare GTK window holding 1,000 entries (the goal: within 1.5 times).
// Without a display every benchmark reports an error and times nothing.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>

#include <memory>

#include "backends/backends_startup.h"
#include "elements/elements_startup.h"
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
    ht::HtElementsInitialize();
    ht::HtHostInitialize();
    return ht::ui::TApplication::Initialize();
  }();
  return ok;
}

void runUntil(const bool& Flag) {
  while (!Flag) gtk_main_iteration_do(TRUE);
}

void settle() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

gboolean markPainted(GtkWidget*, cairo_t*, gpointer Done) {
  *static_cast<bool*>(Done) = true;
  return FALSE;
}

void BM_BareWindowWith1000Entries(benchmark::State& state) {
  if (!started()) return state.SkipWithError("no display: run under xvfb-run");
  for (auto _ : state) {
    bool painted = false;
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(w), 1171, 723);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    GtkWidget* fixed = gtk_fixed_new();
    for (int i = 0; i < 1000; ++i) {
      GtkWidget* e = gtk_entry_new();
      gtk_widget_set_size_request(e, 150, 24);
      gtk_fixed_put(GTK_FIXED(fixed), e, (i % 6) * 160, (i / 6) * 30);
    }
    g_signal_connect_after(fixed, "draw", G_CALLBACK(markPainted), &painted);
    gtk_container_add(GTK_CONTAINER(scroller), fixed);
    gtk_container_add(GTK_CONTAINER(w), scroller);
    gtk_widget_show_all(w);
    runUntil(painted);
    state.PauseTiming();
    gtk_widget_destroy(w);
    settle();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BareWindowWith1000Entries)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FormOf1000InputsFirstPaint(benchmark::State& state) {
  if (!started()) return state.SkipWithError("no display: run under xvfb-run");
  std::vector<ht::String> html{u"<body style='width:1000px'>"};
  for (int i = 0; i < 1000; ++i) html.push_back(u"<input value=text>");
  for (auto _ : state) {
    bool painted = false;
    auto form = std::make_unique<ht::ui::TForm>();
    form->SetClientSize(1171, 723);
    auto panel = std::make_unique<ht::THtPanel>();
    panel->fAfterPaint = [&](ht::THtObject*) { painted = true; };
    panel->SetHTML(html);
    panel->SetParent(form.get());
    form->Show();
    runUntil(painted);
    state.PauseTiming();
    panel.reset();
    form.reset();
    settle();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FormOf1000InputsFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();


}  // namespace
