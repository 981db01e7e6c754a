#include "platform/ui/element_scroll_bar.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace ht::ui {

namespace {

// The thickness GTK gives a scroll bar across its length.
int barThickness() {
  GtkWidget* probe = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, nullptr);
  g_object_ref_sink(probe);
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(probe, &minimum, &natural);
  gtk_widget_destroy(probe);
  g_object_unref(probe);
  return std::max(natural, 1);
}

}  // namespace

struct TElementScrollBarSignals {
  static gboolean changeValue(GtkRange*, GtkScrollType, gdouble Value, gpointer Self) {
    auto* b = static_cast<TElementScrollBar*>(Self);
    Guard([&] {
      const int last = std::max(b->Max() - b->PageSize(), 0);
      const int pos = std::clamp(int(std::lround(Value)), 0, last);
      b->SetPosition(pos);
      if (b->OnChange) b->OnChange();
    });
    return TRUE;
  }
};

TElementScrollBar::TElementScrollBar(TCustomPanel& AParent) : TScrollBar(100, barThickness()), FParent(AParent) {
  makeBar();
}

TElementScrollBar::~TElementScrollBar() {
  g_signal_handlers_disconnect_by_data(FBar, this);
  gtk_widget_destroy(FBar);
  g_object_unref(FBar);
}

void TElementScrollBar::makeBar() {
  FBar = gtk_scrollbar_new(Kind() == sbVertical ? GTK_ORIENTATION_VERTICAL : GTK_ORIENTATION_HORIZONTAL, nullptr);
  g_object_ref_sink(FBar);
  TrackWidget(FBar);
  gtk_widget_set_no_show_all(FBar, TRUE);
  g_signal_connect(FBar, "change-value", G_CALLBACK(TElementScrollBarSignals::changeValue), this);
  gtk_fixed_put(GTK_FIXED(FParent.ChildLayer()), FBar, Left(), Top());
  gtk_widget_set_size_request(FBar, Width(), Height());
  syncRange();
  gtk_widget_set_visible(FBar, Visible());
}

void TElementScrollBar::syncRange() {
  GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(FBar));
  gtk_adjustment_configure(adj, Position(), 0, std::max(Max(), 0), 1, std::max(LargeChange(), 1),
                           std::max(PageSize(), 0));
}

void TElementScrollBar::SetKind(TScrollBarKind Value) {
  if (Value == Kind()) return;
  TScrollBar::SetKind(Value);
  gtk_orientable_set_orientation(GTK_ORIENTABLE(FBar),
                                 Value == sbVertical ? GTK_ORIENTATION_VERTICAL : GTK_ORIENTATION_HORIZONTAL);
  gtk_widget_set_size_request(FBar, Width(), Height());
}

void TElementScrollBar::SetVisible(bool Value) {
  TScrollBar::SetVisible(Value);
  gtk_widget_set_visible(FBar, Value);
}

void TElementScrollBar::SetMax(int Value) {
  TScrollBar::SetMax(Value);
  syncRange();
}

void TElementScrollBar::SetPageSize(int Value) {
  TScrollBar::SetPageSize(Value);
  syncRange();
}

void TElementScrollBar::SetLargeChange(int Value) {
  TScrollBar::SetLargeChange(Value);
  syncRange();
}

void TElementScrollBar::SetPosition(int Value) {
  TScrollBar::SetPosition(Value);
  syncRange();
}

void TElementScrollBar::SetWindowPos(int ALeft, int ATop, int AWidth, int AHeight) {
  TScrollBar::SetWindowPos(ALeft, ATop, AWidth, AHeight);
  UiTrace().Add("SetWindowPos " + std::to_string(ALeft) + " " + std::to_string(ATop) + " " + std::to_string(AWidth) +
                " " + std::to_string(AHeight));
  gtk_fixed_move(GTK_FIXED(FParent.ChildLayer()), FBar, ALeft, ATop);
  gtk_widget_set_size_request(FBar, AWidth, AHeight);
}

}  // namespace ht::ui
