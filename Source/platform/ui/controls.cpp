#include "platform/ui/controls.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/core/core_status.h"
#include "platform/rtl/dispatcher.h"
#include "platform/rtl/string.h"
#include "platform/ui/application.h"

namespace ht::ui {

namespace {

std::string traceInfo(const char* Call, int Bar, const SCROLLINFO& si) {
  return std::string(Call) + " " + std::to_string(Bar) + " " + std::to_string(si.fMask) + " " +
         std::to_string(si.nMin) + " " + std::to_string(si.nMax) + " " + std::to_string(si.nPage) + " " +
         std::to_string(si.nPos);
}

GtkAdjustment* adjustmentOf(GtkWidget* Bar) { return gtk_range_get_adjustment(GTK_RANGE(Bar)); }

}  // namespace

// ---------------------------------------------------------------- TWinControl

TWinControl::~TWinControl() {
  FLiveness.Kill();
  if (FHandle) {
    gtk_widget_destroy(FHandle);
    g_object_unref(FHandle);
  }
}

void TWinControl::SetHandle(GtkWidget* W) {
  FHandle = W;
  g_object_ref_sink(W);
  TrackWidget(W);
}

bool TWinControl::Visible() const { return FHandle && gtk_widget_get_visible(FHandle); }

void TWinControl::SetVisible(bool Value) {
  if (!FHandle || Value == bool(gtk_widget_get_visible(FHandle))) return;
  VisibleChanging(Value);
  gtk_widget_set_visible(FHandle, Value);
}

int TWinControl::Width() const { return FHandle ? std::max(gtk_widget_get_allocated_width(FHandle), 0) : 0; }

int TWinControl::Height() const { return FHandle ? std::max(gtk_widget_get_allocated_height(FHandle), 0) : 0; }

void TWinControl::Dispatch(TMessage&) {}

void TWinControl::PostMessage(unsigned Msg, intptr_t WParam, intptr_t LParam) {
  UiTrace().Add("PostMessage " + std::to_string(Msg));
  TDispatcher::Main().Post(
      [this, Msg, WParam, LParam] {
        TMessage m{Msg, WParam, LParam, 0};
        Dispatch(m);
      },
      FLiveness.Token(), TDispatcher::TKey(Msg) + 1);
}

// ---------------------------------------------------------------- TCustomPanel

struct TPanelSignals {
  static gboolean queryTooltip(GtkWidget*, gint X, gint Y, gboolean, GtkTooltip* Tip, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    THintInfo info;
    info.CursorPos = TPoint{X, Y};
    TMessage m{CM_HINTSHOW, 0, reinterpret_cast<intptr_t>(&info), 0};
    bool show = false;
    Guard([&] {
      p->Dispatch(m);
      show = m.Result == 0 && !info.HintStr.empty();
    });
    if (!show) return FALSE;
    gtk_tooltip_set_text(Tip, StringToUtf8(info.HintStr).c_str());
    const TRect& r = info.CursorRect;
    GdkRectangle area{r.Left, r.Top, std::max(r.Right - r.Left, 1), std::max(r.Bottom - r.Top, 1)};
    gtk_tooltip_set_tip_area(Tip, &area);
    return TRUE;
  }
  static void scaleFactor(GObject* W, GParamSpec*, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    const int factor = gtk_widget_get_scale_factor(GTK_WIDGET(W));
    Guard([&] { p->ScaleFactorChanged(factor); });
  }
  static gboolean draw(GtkWidget* W, cairo_t* Cr, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    Guard([&] { p->draw(Cr, gtk_widget_get_allocated_width(W), gtk_widget_get_allocated_height(W)); });
    return FALSE;
  }

  static void sizeAllocate(GtkWidget*, GdkRectangle* A, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    if (A->width == p->FLastW && A->height == p->FLastH) return;
    p->FLastW = A->width;
    p->FLastH = A->height;
    Guard([&] { p->Resize(); });
  }

  static gboolean changeValue(GtkRange* R, GtkScrollType Scroll, gdouble Value, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    const int bar = GTK_WIDGET(R) == p->FVBar ? SB_VERT : SB_HORZ;
    int code = SB_THUMBTRACK;
    switch (Scroll) {
      case GTK_SCROLL_STEP_BACKWARD:
      case GTK_SCROLL_STEP_UP:
      case GTK_SCROLL_STEP_LEFT:
        code = SB_LINEUP;
        break;
      case GTK_SCROLL_STEP_FORWARD:
      case GTK_SCROLL_STEP_DOWN:
      case GTK_SCROLL_STEP_RIGHT:
        code = SB_LINEDOWN;
        break;
      case GTK_SCROLL_PAGE_BACKWARD:
      case GTK_SCROLL_PAGE_UP:
      case GTK_SCROLL_PAGE_LEFT:
        code = SB_PAGEUP;
        break;
      case GTK_SCROLL_PAGE_FORWARD:
      case GTK_SCROLL_PAGE_DOWN:
      case GTK_SCROLL_PAGE_RIGHT:
        code = SB_PAGEDOWN;
        break;
      case GTK_SCROLL_START:
        code = SB_TOP;
        break;
      case GTK_SCROLL_END:
        code = SB_BOTTOM;
        break;
      default:
        break;
    }
    TCustomPanel::TBarState& s = p->FBars[bar];
    const int pos = int(std::lround(Value));
    Guard([&] {
      s.Tracking = code == SB_THUMBTRACK;
      s.TrackPos = pos;
      struct TEnd {
        TCustomPanel::TBarState& S;
        ~TEnd() { S.Tracking = false; }
      } end{s};
      TMessage m{bar == SB_VERT ? unsigned(WM_VSCROLL) : unsigned(WM_HSCROLL),
                 intptr_t((uint32_t(pos & 0xFFFF) << 16) | uint32_t(code)), 0, 0};
      p->Dispatch(m);
    });
    // The control writes the bar's position itself.
    return TRUE;
  }
};

// ---------------------------------------------------------------- input

uint16_t KeyvalToVirtualKey(unsigned Keyval) {
  if (Keyval >= GDK_KEY_0 && Keyval <= GDK_KEY_9) return uint16_t('0' + (Keyval - GDK_KEY_0));
  if (Keyval >= GDK_KEY_a && Keyval <= GDK_KEY_z) return uint16_t('A' + (Keyval - GDK_KEY_a));
  if (Keyval >= GDK_KEY_A && Keyval <= GDK_KEY_Z) return uint16_t('A' + (Keyval - GDK_KEY_A));
  if (Keyval >= GDK_KEY_KP_0 && Keyval <= GDK_KEY_KP_9) return uint16_t(VK_NUMPAD0 + (Keyval - GDK_KEY_KP_0));
  if (Keyval >= GDK_KEY_F1 && Keyval <= GDK_KEY_F24) return uint16_t(VK_F1 + (Keyval - GDK_KEY_F1));
  switch (Keyval) {
    case GDK_KEY_BackSpace: return VK_BACK;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab: return VK_TAB;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return VK_RETURN;
    case GDK_KEY_Escape: return VK_ESCAPE;
    case GDK_KEY_space: return VK_SPACE;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up: return VK_PRIOR;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down: return VK_NEXT;
    case GDK_KEY_End:
    case GDK_KEY_KP_End: return VK_END;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home: return VK_HOME;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left: return VK_LEFT;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: return VK_UP;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right: return VK_RIGHT;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: return VK_DOWN;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert: return VK_INSERT;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete: return VK_DELETE;
    case GDK_KEY_KP_Multiply: return VK_MULTIPLY;
    case GDK_KEY_KP_Add: return VK_ADD;
    case GDK_KEY_KP_Subtract: return VK_SUBTRACT;
    case GDK_KEY_KP_Decimal: return VK_DECIMAL;
    case GDK_KEY_KP_Divide: return VK_DIVIDE;
    default: return 0;
  }
}

namespace {

TShiftState shiftOf(guint State) {
  TShiftState s = 0;
  if (State & GDK_SHIFT_MASK) s |= ssShift;
  if (State & GDK_CONTROL_MASK) s |= ssCtrl;
  if (State & GDK_MOD1_MASK) s |= ssAlt;
  if (State & GDK_BUTTON1_MASK) s |= ssLeft;
  if (State & GDK_BUTTON2_MASK) s |= ssMiddle;
  if (State & GDK_BUTTON3_MASK) s |= ssRight;
  return s;
}

bool buttonOf(guint Button, TMouseButton& B, TShiftState& Bit) {
  switch (Button) {
    case 1: B = mbLeft; Bit = ssLeft; return true;
    case 2: B = mbMiddle; Bit = ssMiddle; return true;
    case 3: B = mbRight; Bit = ssRight; return true;
    default: return false;
  }
}

int intSetting(const char* Name, int Fallback) {
  int v = Fallback;
  if (GtkSettings* st = gtk_settings_get_default()) g_object_get(st, Name, &v, nullptr);
  return v;
}

int clampToInt(double V) { return int(std::clamp(std::lround(V), long(INT32_MIN), long(INT32_MAX))); }

}  // namespace

struct TInputSignals {
  static gboolean press(GtkWidget* W, GdkEventButton* E, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    // The toolkit's own double and triple presses follow a plain one; the
    // plain presses alone are told apart below.
    if (E->type != GDK_BUTTON_PRESS) return TRUE;
    TMouseButton b;
    TShiftState bit;
    if (!buttonOf(E->button, b, bit)) return FALSE;
    TShiftState shift = TShiftState(shiftOf(E->state) | bit);
    TCustomPanel::TLastPress& last = p->FLastPress;
    const int distance = intSetting("gtk-double-click-distance", 5);
    const bool isDouble = last.Valid && last.Button == E->button &&
                          E->time - last.Time <= uint32_t(TCustomPanel::SystemDoubleClickTime()) &&
                          std::fabs(E->x - last.X) <= distance && std::fabs(E->y - last.Y) <= distance;
    if (isDouble) {
      shift |= ssDouble;
      last.Valid = false;
    } else {
      last = TCustomPanel::TLastPress{E->time, E->button, E->x, E->y, true};
    }
    (void)W;
    Guard([&] { p->MouseDown(b, shift, int(std::floor(E->x)), int(std::floor(E->y))); });
    return TRUE;
  }

  static gboolean release(GtkWidget*, GdkEventButton* E, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    TMouseButton b;
    TShiftState bit;
    if (!buttonOf(E->button, b, bit)) return FALSE;
    const TShiftState shift = TShiftState(shiftOf(E->state) & ~bit);
    Guard([&] { p->MouseUp(b, shift, int(std::floor(E->x)), int(std::floor(E->y))); });
    if (b == mbRight && p->PopupMenu)
      Guard([&] { p->PopupMenu->Popup(int(std::floor(E->x_root)), int(std::floor(E->y_root))); });
    return TRUE;
  }

  static gboolean motion(GtkWidget*, GdkEventMotion* E, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    Guard([&] { p->MouseMove(shiftOf(E->state), int(std::floor(E->x)), int(std::floor(E->y))); });
    return TRUE;
  }

  static gboolean leave(GtkWidget*, GdkEventCrossing* E, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    if (E->detail == GDK_NOTIFY_INFERIOR) return FALSE;
    Guard([&] {
      TMessage m{CM_MOUSELEAVE, 0, 0, 0};
      p->Dispatch(m);
    });
    return FALSE;
  }

  static gboolean scroll(GtkWidget*, GdkEventScroll* E, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    const TShiftState shift = shiftOf(E->state);
    const TPoint pos{int(std::floor(E->x_root)), int(std::floor(E->y_root))};
    Guard([&] {
      switch (E->direction) {
        case GDK_SCROLL_UP: p->PostWheelMessage(false, WHEEL_DELTA, shift, pos); break;
        case GDK_SCROLL_DOWN: p->PostWheelMessage(false, -WHEEL_DELTA, shift, pos); break;
        case GDK_SCROLL_LEFT: p->PostWheelMessage(true, -WHEEL_DELTA, shift, pos); break;
        case GDK_SCROLL_RIGHT: p->PostWheelMessage(true, WHEEL_DELTA, shift, pos); break;
        case GDK_SCROLL_SMOOTH: {
          double dx = 0, dy = 0;
          gdk_event_get_scroll_deltas(reinterpret_cast<GdkEvent*>(E), &dx, &dy);
          if (const int v = clampToInt(-dy * WHEEL_DELTA)) p->PostWheelMessage(false, v, shift, pos);
          if (const int h = clampToInt(dx * WHEEL_DELTA)) p->PostWheelMessage(true, h, shift, pos);
          break;
        }
        default: break;
      }
    });
    return TRUE;
  }

  static gboolean key(GtkWidget*, GdkEventKey* E, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    uint16_t vk = KeyvalToVirtualKey(E->keyval);
    if (vk == 0) return FALSE;
    const TShiftState shift = TShiftState(shiftOf(E->state) & (ssShift | ssCtrl | ssAlt));
    Guard([&] { p->KeyDown(vk, shift); });
    // The panel wants arrows, tabs and characters for itself.
    return TRUE;
  }
};

// Pinch, touch pan and long press on the client area.
struct TGestureSignals {
  static void zoomBegin(GtkGesture*, GdkEventSequence*, gpointer Self) {
    send(Self, TGestureEventInfo::igiZoom, TGestureEventInfo::gfBegin, {}, 100);
  }
  static void zoomChanged(GtkGestureZoom*, gdouble Scale, gpointer Self) {
    send(Self, TGestureEventInfo::igiZoom, 0, {}, int(std::lround(std::clamp(Scale, 0.0, 1e6) * 100)));
  }
  static void zoomEnd(GtkGesture* G, GdkEventSequence*, gpointer Self) {
    const double scale = gtk_gesture_zoom_get_scale_delta(GTK_GESTURE_ZOOM(G));
    send(Self, TGestureEventInfo::igiZoom, TGestureEventInfo::gfEnd, {},
         int(std::lround(std::clamp(scale, 0.0, 1e6) * 100)));
  }
  static void panBegin(GtkGestureDrag*, gdouble X, gdouble Y, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    p->FPanX = X;
    p->FPanY = Y;
    pan(p, TGestureEventInfo::gfBegin, X, Y, 0, 0);
  }
  static void panUpdate(GtkGestureDrag* G, gdouble DX, gdouble DY, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    double x = 0, y = 0;
    gtk_gesture_drag_get_start_point(G, &x, &y);
    const double stepX = x + DX - p->FPanX, stepY = y + DY - p->FPanY;
    p->FPanX = x + DX;
    p->FPanY = y + DY;
    pan(p, 0, x + DX, y + DY, stepX, stepY);
  }
  static void panEnd(GtkGestureDrag* G, gdouble DX, gdouble DY, gpointer Self) {
    double x = 0, y = 0;
    gtk_gesture_drag_get_start_point(G, &x, &y);
    pan(static_cast<TCustomPanel*>(Self), TGestureEventInfo::gfEnd, x + DX, y + DY, 0, 0);
  }
  static void longPress(GtkGestureLongPress*, gdouble X, gdouble Y, gpointer Self) {
    auto* p = static_cast<TCustomPanel*>(Self);
    Guard([&] {
      p->MouseDown(mbRight, TShiftState(ssRight | ssTouch), int(X), int(Y));
      p->MouseUp(mbRight, ssTouch, int(X), int(Y));
    });
  }

  static void send(gpointer Self, int Id, int Flags, TPoint At, int Distance) {
    auto* p = static_cast<TCustomPanel*>(Self);
    Guard([&] {
      bool handled = false;
      p->DoGesture(TGestureEventInfo{Id, Flags, At, Distance}, handled);
    });
  }
  static void pan(TCustomPanel* P, int Flags, double X, double Y, double StepX, double StepY) {
    Guard([&] {
      bool handled = false;
      P->DoGesture(TGestureEventInfo{TGestureEventInfo::igiPan, Flags, TPoint{int(X), int(Y)}, 0}, handled);
      if (!handled && (StepX != 0 || StepY != 0)) P->PanBy(int(std::lround(StepX)), int(std::lround(StepY)));
    });
  }
};

void TCustomPanel::SetFocus() {
  if (gtk_widget_get_can_focus(FArea)) gtk_widget_grab_focus(FArea);
}

bool TCustomPanel::Focused() const { return gtk_widget_has_focus(FArea); }

TPoint TCustomPanel::ScreenToClient(TPoint P) const {
  const TPoint o = ClientToScreen(TPoint{0, 0});
  return TPoint{P.X - o.X, P.Y - o.Y};
}

TPoint TCustomPanel::ClientToScreen(TPoint P) const {
  GdkWindow* w = gtk_widget_get_window(FArea);
  if (!w) return P;
  int ox = 0, oy = 0;
  gdk_window_get_origin(w, &ox, &oy);
  // The drawing area has no window of its own: its allocation is relative
  // to the window it draws on.
  if (!gtk_widget_get_has_window(FArea)) {
    GtkAllocation a;
    gtk_widget_get_allocation(FArea, &a);
    ox += a.x;
    oy += a.y;
  }
  return TPoint{P.X + ox, P.Y + oy};
}

void TCustomPanel::SetCursorName(const std::string& Name) {
  if (Name == FCursorName) return;
  FCursorName = Name;
  GdkWindow* w = gtk_widget_get_window(FArea);
  if (!w) return;
  GdkCursor* c = Name.empty() ? nullptr : gdk_cursor_new_from_name(gdk_window_get_display(w), Name.c_str());
  gdk_window_set_cursor(w, c);
  if (c) g_object_unref(c);
}

int TCustomPanel::ScaleFactor() const { return FArea ? gtk_widget_get_scale_factor(FArea) : 1; }

int TCustomPanel::SystemDoubleClickTime() { return intSetting("gtk-double-click-time", 400); }

void TCustomPanel::PostWheelMessage(bool Horizontal, int Delta, TShiftState Shift, TPoint ScreenPos) {
  FWheelQueue.push_back(TWheelMessage{Horizontal, Delta, Shift, ScreenPos});
  TDispatcher::Main().Post([this] { handleWheelMessage(); }, FLiveness.Token());
}

void TCustomPanel::handleWheelMessage() {
  if (FWheelQueue.empty()) return;
  const TWheelMessage m = FWheelQueue.front();
  FWheelQueue.pop_front();
  if (m.Horizontal) {
    TMessage msg{WM_MOUSEHWHEEL, intptr_t(uint32_t(uint16_t(int16_t(std::clamp(m.Delta, -32768, 32767)))) << 16 | m.Shift),
                 intptr_t(uint32_t(uint16_t(m.Pos.X)) | uint32_t(uint16_t(m.Pos.Y)) << 16), 0};
    Dispatch(msg);
  } else {
    DoMouseWheel(m.Shift, m.Delta, m.Pos);
  }
}

int TCustomPanel::RemoveQueuedWheelMessages() {
  int n = 0;
  for (auto it = FWheelQueue.begin(); it != FWheelQueue.end();) {
    if (it->Horizontal) {
      ++it;
    } else {
      it = FWheelQueue.erase(it);
      ++n;
    }
  }
  return n;
}

TCustomPanel::TCustomPanel() {
  GtkWidget* grid = gtk_grid_new();
  SetHandle(grid);
  FOverlay = gtk_overlay_new();
  FArea = gtk_drawing_area_new();
  FFixed = gtk_fixed_new();
  FVBar = gtk_scrollbar_new(GTK_ORIENTATION_VERTICAL, nullptr);
  FHBar = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, nullptr);
  for (GtkWidget* w : {FOverlay, FArea, FFixed, FVBar, FHBar}) TrackWidget(w);
  gtk_widget_set_hexpand(FOverlay, TRUE);
  gtk_widget_set_vexpand(FOverlay, TRUE);
  gtk_widget_set_size_request(FArea, 1, 1);
  gtk_container_add(GTK_CONTAINER(FOverlay), FArea);
  gtk_overlay_add_overlay(GTK_OVERLAY(FOverlay), FFixed);
  // Pointer input reaches the client area through the empty child layer.
  gtk_overlay_set_overlay_pass_through(GTK_OVERLAY(FOverlay), FFixed, TRUE);
  gtk_grid_attach(GTK_GRID(grid), FOverlay, 0, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), FVBar, 1, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), FHBar, 0, 1, 1, 1);
  for (GtkWidget* b : {FVBar, FHBar}) {
    gtk_widget_set_no_show_all(b, TRUE);
    g_signal_connect(b, "change-value", G_CALLBACK(TPanelSignals::changeValue), this);
  }
  g_signal_connect(FArea, "draw", G_CALLBACK(TPanelSignals::draw), this);
  g_signal_connect(FArea, "size-allocate", G_CALLBACK(TPanelSignals::sizeAllocate), this);
  g_signal_connect(FArea, "notify::scale-factor", G_CALLBACK(TPanelSignals::scaleFactor), this);
  gtk_widget_add_events(FArea, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                   GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK |
                                   GDK_LEAVE_NOTIFY_MASK | GDK_ENTER_NOTIFY_MASK);
  gtk_widget_set_can_focus(FArea, TRUE);
  g_signal_connect(FArea, "button-press-event", G_CALLBACK(TInputSignals::press), this);
  g_signal_connect(FArea, "button-release-event", G_CALLBACK(TInputSignals::release), this);
  g_signal_connect(FArea, "motion-notify-event", G_CALLBACK(TInputSignals::motion), this);
  g_signal_connect(FArea, "leave-notify-event", G_CALLBACK(TInputSignals::leave), this);
  g_signal_connect(FArea, "scroll-event", G_CALLBACK(TInputSignals::scroll), this);
  g_signal_connect(FArea, "key-press-event", G_CALLBACK(TInputSignals::key), this);
  // Tooltips: the toolkit asks at each pointer rest, the panel answers.
  gtk_widget_set_has_tooltip(FArea, TRUE);
  g_signal_connect(FArea, "query-tooltip", G_CALLBACK(TPanelSignals::queryTooltip), this);
  FZoomGesture = gtk_gesture_zoom_new(FArea);
  g_signal_connect(FZoomGesture, "begin", G_CALLBACK(TGestureSignals::zoomBegin), this);
  g_signal_connect(FZoomGesture, "scale-changed", G_CALLBACK(TGestureSignals::zoomChanged), this);
  g_signal_connect(FZoomGesture, "end", G_CALLBACK(TGestureSignals::zoomEnd), this);
  // Pans and long presses come from touch screens only; the mouse drags
  // and clicks through the button handlers.
  FPanGesture = gtk_gesture_drag_new(FArea);
  gtk_gesture_single_set_touch_only(GTK_GESTURE_SINGLE(FPanGesture), TRUE);
  g_signal_connect(FPanGesture, "drag-begin", G_CALLBACK(TGestureSignals::panBegin), this);
  g_signal_connect(FPanGesture, "drag-update", G_CALLBACK(TGestureSignals::panUpdate), this);
  g_signal_connect(FPanGesture, "drag-end", G_CALLBACK(TGestureSignals::panEnd), this);
  FLongPressGesture = gtk_gesture_long_press_new(FArea);
  gtk_gesture_single_set_touch_only(GTK_GESTURE_SINGLE(FLongPressGesture), TRUE);
  g_signal_connect(FLongPressGesture, "pressed", G_CALLBACK(TGestureSignals::longPress), this);
  gtk_widget_show(FArea);
  gtk_widget_show(FFixed);
  gtk_widget_show(FOverlay);
  gtk_widget_show(grid);
}

TCustomPanel::~TCustomPanel() {
  FLiveness.Kill();
  FStyleHook.reset();
  // Signals must not reach the half-destroyed panel while GTK tears down.
  for (GtkWidget* w : {FArea, FVBar, FHBar}) g_signal_handlers_disconnect_by_data(w, this);
  for (GtkGesture* g : {FZoomGesture, FPanGesture, FLongPressGesture}) {
    g_signal_handlers_disconnect_by_data(g, this);
    g_object_unref(g);
  }
}

int TCustomPanel::ClientWidth() const { return std::max(gtk_widget_get_allocated_width(FArea), 0); }

int TCustomPanel::ClientHeight() const { return std::max(gtk_widget_get_allocated_height(FArea), 0); }

bool TCustomPanel::HasChildControls() const {
  GList* kids = gtk_container_get_children(GTK_CONTAINER(FFixed));
  const bool any = kids != nullptr;
  g_list_free(kids);
  return any;
}

void TCustomPanel::SetScrollBars(bool Vertical, bool Horizontal) {
  UiTrace().Add(std::string("SetScrollBars ") + (Vertical ? "1" : "0") + (Horizontal ? "1" : "0"));
  gtk_widget_set_visible(FVBar, Vertical);
  gtk_widget_set_visible(FHBar, Horizontal);
}

bool TCustomPanel::ScrollBarShown(int Bar) const { return gtk_widget_get_visible(ScrollBar(Bar)); }

void TCustomPanel::Invalidate() {
  UiTrace().Add("Invalidate");
  FShowBufferOnly = false;
  gtk_widget_queue_draw(FArea);
}

void TCustomPanel::InvalidateRect(const TRect& R) {
  UiTrace().Add("InvalidateRect");
  FShowBufferOnly = false;
  if (R.Right > R.Left && R.Bottom > R.Top) gtk_widget_queue_draw_area(FArea, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
}

void TCustomPanel::ScrollWindowEx(int DX, int DY) {
  UiTrace().Add("ScrollWindowEx " + std::to_string(DX) + " " + std::to_string(DY));
  FShowBufferOnly = false;
  gtk_widget_queue_draw(FArea);
}

bool TCustomPanel::GetScrollInfo(int Bar, SCROLLINFO& Info) const {
  if (!ScrollBarShown(Bar)) return false;
  const TBarState& s = FBars[Bar];
  if (Info.fMask & SIF_RANGE) {
    Info.nMin = s.Info.nMin;
    Info.nMax = s.Info.nMax;
  }
  if (Info.fMask & SIF_PAGE) Info.nPage = s.Info.nPage;
  if (Info.fMask & SIF_POS) Info.nPos = s.Info.nPos;
  if (Info.fMask & SIF_TRACKPOS) Info.nTrackPos = s.Tracking ? s.TrackPos : s.Info.nPos;
  return true;
}

int TCustomPanel::SetScrollInfo(int Bar, const SCROLLINFO& Info, bool Redraw) {
  UiTrace().Add(traceInfo("SetScrollInfo", Bar, Info));
  SCROLLINFO& s = FBars[Bar].Info;
  if (Info.fMask & SIF_RANGE) {
    s.nMin = Info.nMin;
    s.nMax = std::max(Info.nMax, Info.nMin);
  }
  const int64_t range = int64_t(s.nMax) - s.nMin + 1;
  if (Info.fMask & SIF_PAGE) s.nPage = unsigned(std::min<int64_t>(Info.nPage, range));
  if (Info.fMask & SIF_POS) s.nPos = Info.nPos;
  // The position stays where a whole page still fits.
  const int last = s.nMax - std::max<int>(int(s.nPage) - 1, 0);
  s.nPos = std::clamp(s.nPos, s.nMin, std::max(last, s.nMin));
  GtkWidget* bar = ScrollBar(Bar);
  GtkAdjustment* adj = adjustmentOf(bar);
  const double page = s.nPage;
  gtk_adjustment_configure(adj, s.nPos, s.nMin, double(s.nMax) + 1, 5, std::max(page, 1.0), page);
  gtk_widget_set_sensitive(bar, int64_t(s.nPage) < range);
  if (Redraw) gtk_widget_queue_draw(bar);
  return s.nPos;
}

void TCustomPanel::AttachStyleHook(const std::string& ControlClass) {
  if (const TStyleHookFactory* f = TStyleEngine::Find(ControlClass)) FStyleHook = (*f)(*this);
}

void TCustomPanel::Paint() {
  if (gdi::TCanvas* c = Canvas()) {
    gdi::HDC dc = c->Handle();
    cairo_t* cr = cairo_create(dc->Bitmap->Surface.Handle());
    cairo_set_source_rgb(cr, ((Color >> 16) & 0xFF) / 255.0, ((Color >> 8) & 0xFF) / 255.0, (Color & 0xFF) / 255.0);
    cairo_rectangle(cr, FClipRect.Left, FClipRect.Top, FClipRect.Right - FClipRect.Left,
                    FClipRect.Bottom - FClipRect.Top);
    cairo_fill(cr);
    cairo_destroy(cr);
    dc->Bitmap->Surface.MarkDirty();
  }
}

void TCustomPanel::draw(cairo_t* Cr, int W, int H) {
  if (W <= 0 || H <= 0) return;
  if (!FPaintBuffer || FPaintBuffer->Width() != W || FPaintBuffer->Height() != H) {
    // A new window shows its background until something paints over it.
    FPaintBuffer = std::make_unique<gdi::TBitmap>(W, H);
    FShowBufferOnly = false;
    FPaintBuffer->Surface().Fill(0xFF000000u | Color);
  }
  double x1, y1, x2, y2;
  cairo_clip_extents(Cr, &x1, &y1, &x2, &y2);
  FClipRect = TRect{int(std::floor(x1)), int(std::floor(y1)), int(std::ceil(x2)), int(std::ceil(y2))};
  if (FShowBufferOnly) {
    FShowBufferOnly = false;
  } else {
    UiTrace().Add("Paint");
    FInPaint = true;
    struct TEnd {
      bool& F;
      ~TEnd() { F = false; }
    } end{FInPaint};
    Paint();
  }
  core::TCoreSurface& s = FPaintBuffer->Surface();
  s.Flush();
  cairo_save(Cr);
  cairo_set_source_surface(Cr, s.Handle(), 0, 0);
  cairo_paint(Cr);
  cairo_restore(Cr);
}

void TCustomPanel::PaintTo(cairo_t* Cr, int Width, int Height) { draw(Cr, Width, Height); }

void TCustomPanel::ShowPaintBuffer() {
  if (!FPaintBuffer) return;
  UiTrace().Add("ShowPaintBuffer");
  FShowBufferOnly = true;
  gtk_widget_queue_draw(FArea);
}

// ---------------------------------------------------------------- style hooks

namespace {

std::map<std::string, TStyleHookFactory>& hookRegistry() {
  static std::map<std::string, TStyleHookFactory> r;
  return r;
}
int registrations = 0;

TRect widgetRect(int X, int Y, int W, int H) { return TRect{X, Y, X + W, Y + H}; }

}  // namespace

void TStyleEngine::RegisterStyleHook(const std::string& ControlClass, TStyleHookFactory Factory) {
  auto& r = hookRegistry();
  if (r.count(ControlClass))
    throw EStyleEngineException(u"Style hook already registered for %s", Utf8ToString(ControlClass));
  r.emplace(ControlClass, std::move(Factory));
  ++registrations;
}

void TStyleEngine::UnRegisterStyleHook(const std::string& ControlClass) { hookRegistry().erase(ControlClass); }

const TStyleHookFactory* TStyleEngine::Find(const std::string& ControlClass) {
  auto& r = hookRegistry();
  auto it = r.find(ControlClass);
  return it == r.end() ? nullptr : &it->second;
}

int TStyleEngine::Registrations() { return registrations; }

namespace {

gboolean hookDraw(GtkWidget*, cairo_t* Cr, gpointer Self) {
  auto* h = static_cast<TScrollingStyleHook*>(Self);
  Guard([&] { h->PaintVertScroll(Cr); });
  return FALSE;
}

gboolean hookButton(GtkWidget*, GdkEventButton* E, gpointer Self) {
  auto* flag = static_cast<bool*>(Self);
  if (E->button == 1) *flag = E->type == GDK_BUTTON_PRESS;
  return FALSE;
}

}  // namespace

TScrollingStyleHook::TScrollingStyleHook(TCustomPanel& AControl) : FControl(AControl) {
  GtkWidget* bar = FControl.ScrollBar(SB_VERT);
  FDrawHandler = g_signal_connect_after(bar, "draw", G_CALLBACK(hookDraw), this);
  FPressHandler = g_signal_connect(bar, "button-press-event", G_CALLBACK(hookButton), &FLeftButtonDown);
  FReleaseHandler = g_signal_connect(bar, "button-release-event", G_CALLBACK(hookButton), &FLeftButtonDown);
}

TScrollingStyleHook::~TScrollingStyleHook() {
  GtkWidget* bar = FControl.ScrollBar(SB_VERT);
  for (unsigned long h : {FDrawHandler, FPressHandler, FReleaseHandler}) g_signal_handler_disconnect(bar, h);
}

void TScrollingStyleHook::DrawVertScroll(gdi::HDC) {}

void TScrollingStyleHook::PaintVertScroll(cairo_t* Cr) {
  GtkWidget* bar = FControl.ScrollBar(SB_VERT);
  const int w = gtk_widget_get_allocated_width(bar), h = gtk_widget_get_allocated_height(bar);
  FScrollRect = TRect{0, 0, w, h};
  if (w <= 0 || h <= 0) return;
  GdkRectangle range;
  gtk_range_get_range_rect(GTK_RANGE(bar), &range);
  FTrackRect = widgetRect(range.x, range.y, range.width, range.height);
  FUpRect = TRect{0, FTrackRect.Top, w, FTrackRect.Top};
  FDownRect = TRect{0, FTrackRect.Bottom, w, FTrackRect.Bottom};
  int sliderStart = 0, sliderEnd = 0;
  if (gtk_widget_get_sensitive(bar)) gtk_range_get_slider_range(GTK_RANGE(bar), &sliderStart, &sliderEnd);
  FSliderRect = TRect{FTrackRect.Left, sliderStart, FTrackRect.Right, sliderEnd};
  gdi::TBitmap picture(w, h);
  DrawVertScroll(picture.Canvas().Handle());
  core::TCoreSurface& s = picture.Surface();
  s.Flush();
  cairo_save(Cr);
  cairo_set_source_surface(Cr, s.Handle(), 0, 0);
  cairo_paint(Cr);
  cairo_restore(Cr);
}

// ---------------------------------------------------------------- popup menus

namespace {

bool isIdentifier(StringView S) {
  if (S.empty()) return false;
  for (size_t i = 0; i < S.size(); ++i) {
    const char16_t c = S[i];
    const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    if (!letter && !(i > 0 && c >= u'0' && c <= u'9')) return false;
  }
  return true;
}

void menuItemActivate(GtkMenuItem*, gpointer Item) {
  auto* item = static_cast<TMenuItem*>(Item);
  Guard([&] {
    if (item->OnClick) item->OnClick(*item);
  });
}

}  // namespace

void TMenuItem::SetName(const String& Value) {
  if (!Value.empty() && !isIdentifier(Value))
    throw EComponentError(u"''%s'' is not a valid component name", Value);
  if (FMenu && !Value.empty())
    for (const auto& other : FMenu->Items)
      if (other.get() != this && SameTextAscii(other->FName, Value))
        throw EComponentError(u"A component named %s already exists", Value);
  FName = Value;
}

TPopupMenu::~TPopupMenu() { Close(); }

TMenuItem& TPopupMenu::Add() {
  Items.push_back(std::make_unique<TMenuItem>());
  Items.back()->FMenu = this;
  return *Items.back();
}

void TPopupMenu::Close() {
  if (!FMenu) return;
  g_signal_handlers_disconnect_matched(FMenu, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
  GList* kids = gtk_container_get_children(GTK_CONTAINER(FMenu));
  for (GList* k = kids; k; k = k->next) g_signal_handlers_disconnect_matched(k->data, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                                                                 reinterpret_cast<gpointer>(menuItemActivate), nullptr);
  g_list_free(kids);
  gtk_widget_destroy(FMenu);
  g_object_unref(FMenu);
  FMenu = nullptr;
}

void TPopupMenu::Popup(int X, int Y) {
  FPopupPoint = TPoint{X, Y};
  Close();
  if (OnPopup) OnPopup(*this);
  if (Items.empty()) return;
  FMenu = gtk_menu_new();
  g_object_ref_sink(FMenu);
  for (const auto& item : Items) {
    GtkWidget* w = item->Caption == u"-" ? gtk_separator_menu_item_new()
                                          : gtk_menu_item_new_with_label(StringToUtf8(item->Caption).c_str());
    if (item->Caption != u"-") g_signal_connect(w, "activate", G_CALLBACK(menuItemActivate), item.get());
    if (!item->Hint.empty()) gtk_widget_set_tooltip_text(w, StringToUtf8(item->Hint).c_str());
    gtk_widget_show(w);
    gtk_menu_shell_append(GTK_MENU_SHELL(FMenu), w);
  }
  gtk_menu_popup_at_pointer(GTK_MENU(FMenu), nullptr);
}

// ---------------------------------------------------------------- TForm

namespace {

gboolean formDelete(GtkWidget*, GdkEvent*, gpointer Self) {
  auto* f = static_cast<TForm*>(Self);
  Guard([&] {
    UiTrace().Add("Close");
    if (f->OnClose) f->OnClose();
    gtk_widget_hide(f->Handle());
    if (f->MainForm) TApplication::Terminate();
  });
  // The form object owns the window; it is destroyed with it.
  return TRUE;
}

}  // namespace

TForm::TForm() : TForm(false) {}

TForm::TForm(bool Popup) {
  GtkWidget* w = gtk_window_new(Popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
  SetHandle(w);
  g_signal_connect(w, "delete-event", G_CALLBACK(formDelete), this);
}

TForm::~TForm() { g_signal_handlers_disconnect_by_data(Handle(), this); }

void TForm::SetCaption(StringView Value) { gtk_window_set_title(GTK_WINDOW(Handle()), StringToUtf8(Value).c_str()); }

String TForm::Caption() const {
  const char* t = gtk_window_get_title(GTK_WINDOW(Handle()));
  return t ? Utf8ToString(t) : String();
}

void TForm::SetClientSize(int W, int H) { gtk_window_set_default_size(GTK_WINDOW(Handle()), W, H); }

void TForm::SetPosition(TPosition Value) {
  gtk_window_set_position(GTK_WINDOW(Handle()), Value == poScreenCenter ? GTK_WIN_POS_CENTER : GTK_WIN_POS_NONE);
}

void TForm::InsertControl(TWinControl& Control) { gtk_container_add(GTK_CONTAINER(Handle()), Control.Handle()); }

void TForm::Show() { gtk_widget_show(Handle()); }

void TForm::Close() {
  if (gtk_widget_get_realized(Handle())) gtk_window_close(GTK_WINDOW(Handle()));
  else formDelete(Handle(), nullptr, this);
}

}  // namespace ht::ui
