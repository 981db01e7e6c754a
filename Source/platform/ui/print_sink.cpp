#include "platform/ui/print_sink.h"

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <utility>

#include "platform/core/core_surface.h"
#include "platform/ui/application.h"

namespace ht::ui {

namespace {

// What the last executed dialog chose, for the next job.
struct TChoice {
  GtkPrintSettings* Settings = nullptr;
  GtkPageSetup* PageSetup = nullptr;
  void Clear() {
    if (Settings) g_object_unref(Settings);
    if (PageSetup) g_object_unref(PageSetup);
    Settings = nullptr;
    PageSetup = nullptr;
  }
} choice;

constexpr double kMMPerPixel = 25.4 / 96;

void requestPageSetup(GtkPrintOperation*, GtkPrintContext*, gint PageNr, GtkPageSetup* Setup, gpointer Job) {
  auto* job = static_cast<gdi::TPrintJob*>(Job);
  if (PageNr < 0 || size_t(PageNr) >= job->Pages.size()) return;
  const gdi::TPrintedPage& page = job->Pages[size_t(PageNr)];
  if (!page.Meta) return;
  // The paper in portrait; the orientation turns it.
  double w = page.Meta->Width * kMMPerPixel, h = page.Meta->Height * kMMPerPixel;
  const bool landscape = page.Orientation == gdi::poLandscape;
  if (landscape && w > h) std::swap(w, h);
  GtkPaperSize* paper = gtk_paper_size_new_custom("tarnwick-page", "Page", w, h, GTK_UNIT_MM);
  gtk_page_setup_set_paper_size(Setup, paper);
  gtk_paper_size_free(paper);
  gtk_page_setup_set_orientation(Setup, landscape ? GTK_PAGE_ORIENTATION_LANDSCAPE : GTK_PAGE_ORIENTATION_PORTRAIT);
  for (GtkUnit u : {GTK_UNIT_MM}) {
    gtk_page_setup_set_top_margin(Setup, 0, u);
    gtk_page_setup_set_bottom_margin(Setup, 0, u);
    gtk_page_setup_set_left_margin(Setup, 0, u);
    gtk_page_setup_set_right_margin(Setup, 0, u);
  }
}

void drawPage(GtkPrintOperation*, GtkPrintContext* Context, gint PageNr, gpointer Job) {
  Guard([&] {
    auto* job = static_cast<gdi::TPrintJob*>(Job);
    if (PageNr < 0 || size_t(PageNr) >= job->Pages.size() || !job->Pages[size_t(PageNr)].Meta) return;
    core::TCoreContext c(gtk_print_context_get_cairo_context(Context));
    const double sx = gtk_print_context_get_dpi_x(Context) / 96, sy = gtk_print_context_get_dpi_y(Context) / 96;
    gdi::PlayEnhMetaFileOn(c, job->Pages[size_t(PageNr)].Meta.get(), core::TCoreMatrix{sx, 0, 0, sy, 0, 0});
  });
}

}  // namespace

TGtkPrintDialog::TGtkPrintDialog() = default;
TGtkPrintDialog::~TGtkPrintDialog() = default;

bool TGtkPrintDialog::Execute() {
  GtkWidget* d = gtk_print_unix_dialog_new("Print", nullptr);
  TrackWidget(d);
  GtkPrintUnixDialog* u = GTK_PRINT_UNIX_DIALOG(d);
  gtk_print_unix_dialog_set_manual_capabilities(
      u, GtkPrintCapabilities(GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_COPIES));
  GtkPrintSettings* s = gtk_print_settings_new();
  gtk_print_settings_set_n_copies(s, Copies);
  gtk_print_unix_dialog_set_settings(u, s);
  g_object_unref(s);
  const bool ok = gtk_dialog_run(GTK_DIALOG(d)) == GTK_RESPONSE_OK;
  if (ok) {
    choice.Clear();
    choice.Settings = gtk_print_unix_dialog_get_settings(u);
    choice.PageSetup = GTK_PAGE_SETUP(g_object_ref(gtk_print_unix_dialog_get_page_setup(u)));
    Copies = gtk_print_settings_get_n_copies(choice.Settings);
    PageNumsRange = gtk_print_settings_get_print_pages(choice.Settings) == GTK_PRINT_PAGES_RANGES;
    if (PageNumsRange) {
      gint n = 0;
      GtkPageRange* r = gtk_print_settings_get_page_ranges(choice.Settings, &n);
      if (n > 0) {
        FromPage = r[0].start + 1;
        ToPage = r[n - 1].end + 1;
      }
      g_free(r);
      // The range is applied by the caller's page selection.
      gtk_print_settings_set_print_pages(choice.Settings, GTK_PRINT_PAGES_ALL);
    }
  }
  gtk_widget_destroy(d);
  return ok;
}

bool TGtkPrintSink::Print(gdi::TPrintJob& Job) {
  if (Job.Pages.empty() || !TApplication::Initialized()) return false;
  GtkPrintOperation* op = gtk_print_operation_new();
  gtk_print_operation_set_n_pages(op, gint(Job.Pages.size()));
  gtk_print_operation_set_job_name(op, Job.Title.empty() ? "Document" : StringToUtf8(Job.Title).c_str());
  gtk_print_operation_set_use_full_page(op, TRUE);
  g_signal_connect(op, "request-page-setup", G_CALLBACK(requestPageSetup), &Job);
  g_signal_connect(op, "draw-page", G_CALLBACK(drawPage), &Job);
  GtkPrintOperationAction action = GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG;
  if (choice.Settings) {
    gtk_print_operation_set_print_settings(op, choice.Settings);
    if (choice.PageSetup) gtk_print_operation_set_default_page_setup(op, choice.PageSetup);
    action = GTK_PRINT_OPERATION_ACTION_PRINT;
  }
  GError* error = nullptr;
  const GtkPrintOperationResult r = gtk_print_operation_run(op, action, nullptr, &error);
  if (error) g_error_free(error);
  g_object_unref(op);
  choice.Clear();
  return r == GTK_PRINT_OPERATION_RESULT_APPLY;
}

void InstallGtkPrinting() { gdi::SetPrintSink(std::make_shared<TGtkPrintSink>()); }

}  // namespace ht::ui
