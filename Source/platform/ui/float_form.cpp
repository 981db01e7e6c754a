#include "platform/ui/float_form.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/application.h"

namespace ht::ui {

namespace {

constexpr int kFrame = 8;

GdkDevice* pointerDevice() {
  GdkDisplay* d = gdk_display_get_default();
  GdkSeat* seat = d ? gdk_display_get_default_seat(d) : nullptr;
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
}

}  // namespace

int FrameHitTest(int X, int Y, int W, int H) {
  const bool top = Y < kFrame, left = X < kFrame, bottom = H - Y < kFrame, right = W - X < kFrame;
  if (top && left) return 13;
  if (top && right) return 14;
  if (bottom && left) return 16;
  if (bottom && right) return 17;
  if (top) return 12;
  if (left) return 10;
  if (bottom) return 15;
  if (right) return 11;
  return 0;
}

struct TFloatSignals {
  static void pressed(GtkGestureMultiPress* G, gint, gdouble X, gdouble Y, gpointer Self) {
    auto* f = static_cast<TFloatForm*>(Self);
    GtkWidget* w = f->Handle();
    const int code = FrameHitTest(int(std::floor(X)), int(std::floor(Y)), gtk_widget_get_allocated_width(w),
                                  gtk_widget_get_allocated_height(w));
    GdkWindowEdge edge;
    switch (code) {
      case 13: edge = GDK_WINDOW_EDGE_NORTH_WEST; break;
      case 14: edge = GDK_WINDOW_EDGE_NORTH_EAST; break;
      case 16: edge = GDK_WINDOW_EDGE_SOUTH_WEST; break;
      case 17: edge = GDK_WINDOW_EDGE_SOUTH_EAST; break;
      case 12: edge = GDK_WINDOW_EDGE_NORTH; break;
      case 10: edge = GDK_WINDOW_EDGE_WEST; break;
      case 15: edge = GDK_WINDOW_EDGE_SOUTH; break;
      case 11: edge = GDK_WINDOW_EDGE_EAST; break;
      default: return;
    }
    const GdkEvent* e = gtk_gesture_get_last_event(GTK_GESTURE(G), gtk_gesture_get_last_updated_sequence(GTK_GESTURE(G)));
    double rx = 0, ry = 0;
    if (!e || !gdk_event_get_root_coords(e, &rx, &ry)) return;
    gtk_gesture_set_state(GTK_GESTURE(G), GTK_EVENT_SEQUENCE_CLAIMED);
    gtk_window_begin_resize_drag(GTK_WINDOW(w), edge, int(gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(G))),
                                 int(rx), int(ry), gdk_event_get_time(e));
  }
};

TFloatForm::TFloatForm() : TForm(true) {
  GtkWidget* w = Handle();
  GtkWindow* win = GTK_WINDOW(w);
  gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_TOOLTIP);
  gtk_window_set_accept_focus(win, FALSE);
  gtk_window_set_focus_on_map(win, FALSE);
  gtk_window_set_decorated(win, FALSE);
  gtk_window_set_resizable(win, TRUE);
  gtk_container_set_border_width(GTK_CONTAINER(w), 1);
  FPress = gtk_gesture_multi_press_new(w);
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(FPress), GTK_PHASE_CAPTURE);
  g_signal_connect(FPress, "pressed", G_CALLBACK(TFloatSignals::pressed), this);
}

TFloatForm::~TFloatForm() {
  if (FPress) {
    g_signal_handlers_disconnect_by_data(FPress, this);
    g_object_unref(FPress);
  }
}

void TFloatForm::SetBounds(int X, int Y, int W, int H) {
  GtkWindow* win = GTK_WINDOW(Handle());
  gtk_window_move(win, X, Y);
  gtk_window_resize(win, std::max(W, 1), std::max(H, 1));
}

TRect TFloatForm::BoundsRect() const {
  int x = 0, y = 0, w = 0, h = 0;
  gtk_window_get_position(GTK_WINDOW(Handle()), &x, &y);
  gtk_window_get_size(GTK_WINDOW(Handle()), &w, &h);
  return TRect{x, y, x + w, y + h};
}

int TFloatForm::ClientWidth() const {
  const TRect r = BoundsRect();
  return std::max(r.Right - r.Left - FrameWidth, 0);
}

int TFloatForm::ClientHeight() const {
  const TRect r = BoundsRect();
  return std::max(r.Bottom - r.Top - FrameHeight, 0);
}

TPoint TFloatForm::ClientToScreen(TPoint P) const {
  const TRect r = BoundsRect();
  return TPoint{P.X + r.Left + FrameWidth / 2, P.Y + r.Top + FrameHeight / 2};
}

TPoint TFloatForm::ScreenToClient(TPoint P) const {
  const TRect r = BoundsRect();
  return TPoint{P.X - r.Left - FrameWidth / 2, P.Y - r.Top - FrameHeight / 2};
}

void TFloatForm::SetAlphaBlendValue(int Value) {
  FAlpha = std::clamp(Value, 0, 255);
  gtk_widget_set_opacity(Handle(), FAlpha / 255.0);
}

void TFloatForm::ShowNoActivate() { gtk_widget_show(Handle()); }

void TFloatForm::Hide() { gtk_widget_hide(Handle()); }

TPoint CursorPos() {
  int x = 0, y = 0;
  if (GdkDevice* p = pointerDevice()) gdk_device_get_position(p, nullptr, &x, &y);
  return TPoint{x, y};
}

bool LeftButtonDown() {
  GdkDevice* p = pointerDevice();
  if (!p) return false;
  GdkModifierType mask = GdkModifierType(0);
  gdk_device_get_state(p, gdk_get_default_root_window(), nullptr, &mask);
  return (mask & GDK_BUTTON1_MASK) != 0;
}

TRect MonitorWorkAreaAt(TPoint P) {
  GdkDisplay* d = gdk_display_get_default();
  GdkMonitor* m = d ? gdk_display_get_monitor_at_point(d, P.X, P.Y) : nullptr;
  if (!m) return TRect{0, 0, 1024, 768};
  GdkRectangle r;
  gdk_monitor_get_workarea(m, &r);
  return TRect{r.x, r.y, r.x + r.width, r.y + r.height};
}

int ScreenPixelsPerInch() {
  GdkScreen* s = gdk_screen_get_default();
  const double r = s ? gdk_screen_get_resolution(s) : -1;
  return r > 0 ? int(std::lround(r)) : 96;
}

}  // namespace ht::ui
