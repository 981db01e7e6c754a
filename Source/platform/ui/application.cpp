#include "platform/ui/application.h"

#include <gtk/gtk.h>

#include <atomic>

#include "platform/rtl/dispatcher.h"
#include "platform/rtl/exception.h"

namespace ht::ui {

namespace {

std::atomic<int> liveWidgets{0};
int initCount = 0;
guint sourceId = 0;
int loopDepth = 0;
GList* dialogs = nullptr;

// Ready whenever the dispatcher holds calls; dispatching drains them.
gboolean sourcePrepare(GSource*, gint* timeout) {
  *timeout = -1;
  return TDispatcher::Main().Pending() > 0;
}

gboolean sourceCheck(GSource*) { return TDispatcher::Main().Pending() > 0; }

gboolean sourceDispatch(GSource*, GSourceFunc, gpointer) {
  Guard([] { TDispatcher::Main().Drain(); });
  return G_SOURCE_CONTINUE;
}

GSourceFuncs dispatcherFuncs = {sourcePrepare, sourceCheck, sourceDispatch, nullptr, nullptr, nullptr};

void widgetDestroyed(GtkWidget*, gpointer) { --liveWidgets; }

void dialogResponse(GtkDialog* d, gint, gpointer) {
  dialogs = g_list_remove(dialogs, d);
  gtk_widget_destroy(GTK_WIDGET(d));
}

void showMessage(const std::string& Text) {
  if (TApplication::OnException) {
    TApplication::OnException(Utf8ToString(Text));
    return;
  }
  if (!TApplication::Initialized()) {
    g_printerr("%s\n", Text.c_str());
    return;
  }
  GtkWidget* d = gtk_message_dialog_new(nullptr, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK,
                                        "%s", Text.c_str());
  TrackWidget(d);
  gtk_window_set_title(GTK_WINDOW(d), "Error");
  g_signal_connect(d, "response", G_CALLBACK(dialogResponse), nullptr);
  dialogs = g_list_prepend(dialogs, d);
  gtk_widget_show(d);
}

}  // namespace

core::TCallTrace& UiTrace() {
  static core::TCallTrace trace("ui");
  return trace;
}

int LiveWidgets() { return liveWidgets; }

void TrackWidget(GtkWidget* W) {
  ++liveWidgets;
  g_signal_connect(W, "destroy", G_CALLBACK(widgetDestroyed), nullptr);
}

std::function<void(const String&)> TApplication::OnException;

bool TApplication::Initialize() {
  if (initCount > 0) {
    ++initCount;
    return true;
  }
  if (!gtk_init_check(nullptr, nullptr)) return false;
  ++initCount;
  GSource* s = g_source_new(&dispatcherFuncs, sizeof(GSource));
  g_source_set_name(s, "ht-dispatcher");
  sourceId = g_source_attach(s, nullptr);
  g_source_unref(s);
  // Any thread: a new entry wakes the loop, whose prepare step then sees it.
  TDispatcher::Main().SetWakeUp([] { g_main_context_wakeup(nullptr); });
  return true;
}

void TApplication::Finalize() {
  if (initCount == 0 || --initCount > 0) return;
  TDispatcher::Main().SetWakeUp(nullptr);
  CloseDialogs();
  if (sourceId) g_source_remove(sourceId);
  sourceId = 0;
  // Let GTK finish destroying what was closed.
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

bool TApplication::Initialized() { return initCount > 0; }

void TApplication::Run() {
  ++loopDepth;
  gtk_main();
  --loopDepth;
}

void TApplication::Terminate() {
  if (loopDepth > 0) gtk_main_quit();
}

void TApplication::ProcessMessages() {
  for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
  Guard([] { TDispatcher::Main().Drain(); });
}

void TApplication::HandleException(const std::exception& E) {
  try {
    showMessage(E.what());
  } catch (...) {
  }
}

void TApplication::HandleUnknownException() {
  try {
    showMessage("Unknown exception");
  } catch (...) {
  }
}

int TApplication::OpenDialogs() { return int(g_list_length(dialogs)); }

void TApplication::CloseDialogs() {
  while (dialogs) {
    GtkWidget* d = GTK_WIDGET(dialogs->data);
    dialogs = g_list_remove(dialogs, d);
    gtk_widget_destroy(d);
  }
}

}  // namespace ht::ui
