#include "platform/ui/gtk_form_controls.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/date_text.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace ht::ui {

namespace {

std::string cssColor(uint32_t RGB) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", RGB & 0xFF, (RGB >> 8) & 0xFF, (RGB >> 16) & 0xFF);
  return buf;
}

// A family name as a CSS string.
std::string cssFamily(StringView Name) {
  std::string out = "\"";
  for (char c : StringToUtf8(Name))
    if (c != '"' && c != '\\' && c != '\n' && c != ';' && c != '}') out += c;
  return out + "\"";
}

// The widget-side part every control shares: its place on the panel's
// child layer, visibility, font and colours through its own CSS provider,
// sensitivity, the keyboard focus and its signals.
class TGtkPart {
 public:
  TGtkPart(TCustomPanel& Panel, GtkWidget* Outer, GtkWidget* Input) : FPanel(Panel), FOuter(Outer), FInput(Input) {
    g_object_ref_sink(FOuter);
    TrackWidget(FOuter);
    // The inner widgets show with the outer one, which the engine shows.
    gtk_widget_show_all(FOuter);
    gtk_widget_set_visible(FOuter, FALSE);
    gtk_widget_set_no_show_all(FOuter, TRUE);
    FCss = gtk_css_provider_new();
    for (GtkWidget* w : {FOuter, FInput})
      gtk_style_context_add_provider(gtk_widget_get_style_context(w), GTK_STYLE_PROVIDER(FCss),
                                     GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_fixed_put(GTK_FIXED(FPanel.ChildLayer()), FOuter, 0, 0);
  }
  ~TGtkPart() {
    g_signal_handlers_disconnect_matched(FInput, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, FData);
    g_signal_handlers_disconnect_matched(FOuter, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, FData);
    gtk_widget_destroy(FOuter);
    g_object_unref(FOuter);
    g_object_unref(FCss);
  }
  TGtkPart(const TGtkPart&) = delete;
  TGtkPart& operator=(const TGtkPart&) = delete;

  // Connects the focus signals of the input widget to Control.
  void ConnectFocus(TFormControl* Control) {
    FData = Control;
    g_signal_connect(FInput, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer Self) -> gboolean {
                       auto* c = static_cast<TFormControl*>(Self);
                       Guard([&] {
                         if (c->OnEnter) c->OnEnter();
                       });
                       return FALSE;
                     }),
                     Control);
    g_signal_connect(FInput, "focus-out-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer Self) -> gboolean {
                       auto* c = static_cast<TFormControl*>(Self);
                       Guard([&] {
                         if (c->OnExit) c->OnExit();
                       });
                       return FALSE;
                     }),
                     Control);
    gtk_widget_add_events(FInput, GDK_POINTER_MOTION_MASK);
    g_signal_connect(FInput, "motion-notify-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventMotion* E, gpointer Self) -> gboolean {
                       auto* c = static_cast<TFormControl*>(Self);
                       Guard([&] {
                         if (c->OnMouseMove) c->OnMouseMove(0, int(E->x), int(E->y));
                       });
                       return FALSE;
                     }),
                     Control);
  }
  void Place(int L, int T, int W, int H) {
    gtk_fixed_move(GTK_FIXED(FPanel.ChildLayer()), FOuter, L, T);
    gtk_widget_set_size_request(FOuter, std::max(W, 1), std::max(H, 1));
  }
  void Show(bool V) { gtk_widget_set_visible(FOuter, V); }
  void Restyle(const TFormControl& C) {
    std::string css = "* { min-height: 0; ";
    if (!C.FontName().empty()) css += "font-family: " + cssFamily(C.FontName()) + "; ";
    if (C.FontSize() > 0) css += "font-size: " + std::to_string(std::abs(C.FontSize())) + "pt; ";
    css += "color: " + cssColor(C.FontColor()) + "; ";
    if (C.HasColor()) css += "background-color: " + cssColor(C.Color()) + "; background-image: none; ";
    if (C.BorderStyle() == bsNone) css += "border-width: 0; box-shadow: none; ";
    css += "}";
    gtk_css_provider_load_from_data(FCss, css.c_str(), -1, nullptr);
  }
  int NaturalHeight() const {
    int minimum = 0, natural = 0;
    gtk_widget_get_preferred_height(FOuter, &minimum, &natural);
    return std::max(natural, 1);
  }

  TCustomPanel& FPanel;
  GtkWidget* FOuter;
  GtkWidget* FInput;
  GtkCssProvider* FCss = nullptr;
  void* FData = nullptr;
  bool FSetting = false;  // the engine is writing: no OnChange
};

// The GTK side laid over a stand-in: every setter carries its change to
// the widget after the base kept it.
template <class Base>
class TGtkControl : public Base {
 public:
  TGtkControl(TCustomPanel& Panel, GtkWidget* Outer, GtkWidget* Input, bool AAutoHeight)
      : FPart(Panel, Outer, Input), FAutoHeight(AAutoHeight) {
    FPart.ConnectFocus(this);
    restyle();
  }
  GtkWidget* Outer() const { return FPart.FOuter; }
  GtkWidget* Input() const { return FPart.FInput; }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override {
    if (AHeight != this->Height()) FAutoHeight = false;
    Base::SetBounds(ALeft, ATop, AWidth, AHeight);
    FPart.Place(this->Left(), this->Top(), this->Width(), this->Height());
  }
  void SetVisible(bool Value) override {
    Base::SetVisible(Value);
    FPart.Show(Value);
  }
  void SetFontSize(int Value) override {
    Base::SetFontSize(Value);
    restyle();
  }
  void SetFontName(StringView Value) override {
    Base::SetFontName(Value);
    restyle();
  }
  void SetFontColor(uint32_t Value) override {
    Base::SetFontColor(Value);
    restyle();
  }
  void SetColor(uint32_t Value) override {
    Base::SetColor(Value);
    restyle();
  }
  void SetBorderStyle(TBorderStyle Value) override {
    Base::SetBorderStyle(Value);
    restyle();
  }
  void SetEnabled(bool Value) override {
    Base::SetEnabled(Value);
    gtk_widget_set_sensitive(FPart.FOuter, Value);
  }
  bool Focused() const override { return gtk_widget_has_focus(FPart.FInput); }
  void SetFocus() override { gtk_widget_grab_focus(FPart.FInput); }
  void KillFocus() override {
    if (Focused()) gtk_widget_grab_focus(FPart.FPanel.ClientArea());
  }

 protected:
  void restyle() {
    FPart.Restyle(*this);
    if (FAutoHeight) Base::SetBounds(this->Left(), this->Top(), this->Width(), FPart.NaturalHeight());
    FPart.Place(this->Left(), this->Top(), this->Width(), this->Height());
  }
  // Runs a write of the engine's without raising OnChange.
  template <class F>
  void quietly(F&& Fn) {
    const bool was = FPart.FSetting;
    FPart.FSetting = true;
    Fn();
    FPart.FSetting = was;
  }
  void changed() {
    if (!FPart.FSetting && this->OnChange) this->OnChange();
  }

  TGtkPart FPart;
  bool FAutoHeight;
};

// --- Entries ----------------------------------------------------------------------------

template <class Base>
class TGtkEntryControl : public TGtkControl<Base> {
 public:
  TGtkEntryControl(TCustomPanel& Panel, GtkWidget* Entry) : TGtkControl<Base>(Panel, Entry, Entry, true) {
    g_signal_connect(Entry, "changed", G_CALLBACK(+[](GtkEditable* E, gpointer Self) {
                       auto* c = static_cast<TGtkEntryControl*>(Self);
                       Guard([&] { c->userEdit(Utf8ToString(gtk_entry_get_text(GTK_ENTRY(E)))); });
                     }),
                     this);
  }
  ~TGtkEntryControl() override { g_signal_handlers_disconnect_by_data(this->Input(), this); }
  GtkEntry* entry() const { return GTK_ENTRY(this->Input()); }

  void SetText(StringView Value) override {
    Base::SetText(Value);
    if (Utf8ToString(gtk_entry_get_text(entry())) == Value) return;
    this->quietly([&] { gtk_entry_set_text(entry(), StringToUtf8(Value).c_str()); });
  }
  void SetMaxLength(int Value) override {
    Base::SetMaxLength(Value);
    gtk_entry_set_max_length(entry(), std::min(this->MaxLength(), 65535));
  }
  void SetReadOnly(bool Value) override {
    Base::SetReadOnly(Value);
    gtk_editable_set_editable(GTK_EDITABLE(entry()), !Value);
  }
  void SetPasswordChar(char16_t Value) override {
    Base::SetPasswordChar(Value);
    gtk_entry_set_visibility(entry(), Value == 0);
    if (Value) gtk_entry_set_invisible_char(entry(), gunichar(Value));
  }
  void SetTextHint(StringView Value) override {
    Base::SetTextHint(Value);
    gtk_entry_set_placeholder_text(entry(), StringToUtf8(Value).c_str());
  }
  void SetAlignment(TAlignment Value) override {
    Base::SetAlignment(Value);
    gtk_entry_set_alignment(entry(), Value == taCenter ? 0.5f : Value == taRightJustify ? 1.0f : 0.0f);
  }

 protected:
  virtual void userEdit(const String& Text) {
    Base::SetText(Text);
    this->changed();
  }
};

using TGtkEdit = TGtkEntryControl<TEdit>;

class TGtkNumberBox : public TGtkEntryControl<TNumberBox> {
 public:
  explicit TGtkNumberBox(TCustomPanel& Panel)
      : TGtkEntryControl<TNumberBox>(Panel, gtk_spin_button_new_with_range(-1e9, 1e9, 1)) {
    syncRange();
  }
  GtkSpinButton* spin() const { return GTK_SPIN_BUTTON(Input()); }
  void SetMode(TNumberBoxMode Value) override {
    TNumberBox::SetMode(Value);
    syncRange();
  }
  void SetDecimal(int Value) override {
    TNumberBox::SetDecimal(Value);
    syncRange();
  }
  void SetMinValue(double Value) override {
    TNumberBox::SetMinValue(Value);
    syncRange();
  }
  void SetMaxValue(double Value) override {
    TNumberBox::SetMaxValue(Value);
    syncRange();
  }

 private:
  void syncRange() {
    quietly([&] {
      gtk_spin_button_set_digits(spin(), Mode() == nbmFloat ? guint(std::min(Decimal(), 20)) : 0);
      const bool limited = MinValue() != 0 || MaxValue() != 0;
      gtk_spin_button_set_range(spin(), limited ? MinValue() : -1e9, limited ? std::max(MaxValue(), MinValue()) : 1e9);
      gtk_spin_button_set_increments(spin(), Mode() == nbmFloat ? std::pow(10.0, -std::min(Decimal(), 20)) : 1, 10);
      // The text the engine wrote stays as it was.
      gtk_entry_set_text(entry(), StringToUtf8(Text()).c_str());
    });
  }
};

// --- Date and time ----------------------------------------------------------------------

class TGtkDateTimePicker : public TGtkControl<TDateTimePicker> {
 public:
  // The entry is both the outer and the input widget.
  TGtkDateTimePicker(TCustomPanel& Panel, GtkWidget* Entry) : TGtkControl(Panel, Entry, Entry, true) {
    gtk_entry_set_icon_from_icon_name(entry(), GTK_ENTRY_ICON_SECONDARY, "x-office-calendar");
    g_signal_connect(Entry, "changed", G_CALLBACK(+[](GtkEditable*, gpointer Self) {
                       auto* c = static_cast<TGtkDateTimePicker*>(Self);
                       Guard([&] { c->userEdit(); });
                     }),
                     this);
    g_signal_connect(Entry, "icon-press", G_CALLBACK(+[](GtkEntry*, GtkEntryIconPosition, GdkEvent*, gpointer Self) {
                       auto* c = static_cast<TGtkDateTimePicker*>(Self);
                       Guard([&] { c->popup(); });
                     }),
                     this);
    showValue();
  }
  ~TGtkDateTimePicker() override {
    g_signal_handlers_disconnect_by_data(Input(), this);
    if (FPopover) gtk_widget_destroy(FPopover);
  }
  GtkEntry* entry() const { return GTK_ENTRY(Input()); }
  GtkWidget* Popover() const { return FPopover; }
  GtkWidget* Calendar() const { return FCalendar; }

  void SetKind(TDateTimeKind Value) override {
    TDateTimePicker::SetKind(Value);
    gtk_entry_set_icon_from_icon_name(entry(), GTK_ENTRY_ICON_SECONDARY,
                                      Value == dtkDate ? "x-office-calendar" : nullptr);
    showValue();
  }
  void SetDateTime(double Value) override {
    TDateTimePicker::SetDateTime(Value);
    showValue();
  }

  void popup() {
    if (Kind() != dtkDate) return;
    if (!FPopover) {
      FPopover = gtk_popover_new(Input());
      FCalendar = gtk_calendar_new();
      gtk_container_add(GTK_CONTAINER(FPopover), FCalendar);
      gtk_widget_show(FCalendar);
      g_signal_connect(FCalendar, "day-selected", G_CALLBACK(+[](GtkCalendar* Cal, gpointer Self) {
                         auto* c = static_cast<TGtkDateTimePicker*>(Self);
                         Guard([&] { c->daySelected(Cal); });
                       }),
                       this);
    }
    int y = 0, m = 0, d = 0;
    DecodeDate(DateTime(), y, m, d);
    quietly([&] {
      gtk_calendar_select_month(GTK_CALENDAR(FCalendar), guint(m - 1), guint(y));
      gtk_calendar_select_day(GTK_CALENDAR(FCalendar), guint(d));
    });
    gtk_popover_popup(GTK_POPOVER(FPopover));
  }

 private:
  String valueText() const { return Kind() == dtkDate ? DateToStr(DateTime()) : TimeToStr(DateTime()); }
  void showValue() {
    const std::string text = StringToUtf8(valueText());
    if (text == gtk_entry_get_text(entry())) return;
    quietly([&] { gtk_entry_set_text(entry(), text.c_str()); });
  }
  // Typed text that reads as a date (a time) becomes the value.
  void userEdit() {
    if (FPart.FSetting) return;
    const String text = Utf8ToString(gtk_entry_get_text(entry()));
    double v = 0;
    try {
      v = Kind() == dtkDate ? StrToDate(text) + (DateTime() - std::trunc(DateTime()))
                            : std::trunc(DateTime()) + StrToTime(text);
    } catch (const EConvertError&) {
      return;
    }
    TDateTimePicker::SetDateTime(v);
    changed();
  }
  void daySelected(GtkCalendar* Cal) {
    if (FPart.FSetting) return;
    guint y = 0, m = 0, d = 0;
    gtk_calendar_get_date(Cal, &y, &m, &d);
    TDateTime date = 0;
    if (!TryEncodeDate(int(y), int(m) + 1, int(d), date)) return;
    TDateTimePicker::SetDateTime(date + (DateTime() - std::trunc(DateTime())));
    showValue();
    changed();
  }

  GtkWidget* FPopover = nullptr;
  GtkWidget* FCalendar = nullptr;
};

// --- Combo box ----------------------------------------------------------------------------

class TGtkComboBox : public TGtkControl<TComboBox> {
 public:
  explicit TGtkComboBox(TCustomPanel& Panel, GtkWidget* Combo = gtk_combo_box_text_new())
      : TGtkControl(Panel, Combo, Combo, true) {
    g_signal_connect(Combo, "changed", G_CALLBACK(+[](GtkComboBox* C, gpointer Self) {
                       auto* c = static_cast<TGtkComboBox*>(Self);
                       Guard([&] {
                         if (c->FPart.FSetting) return;
                         c->TComboBox::SetItemIndex(gtk_combo_box_get_active(C));
                         c->changed();
                       });
                     }),
                     this);
  }
  ~TGtkComboBox() override { g_signal_handlers_disconnect_by_data(Input(), this); }
  GtkComboBoxText* combo() const { return GTK_COMBO_BOX_TEXT(Input()); }

  void SetItems(const std::vector<String>& Value) override {
    TComboBox::SetItems(Value);
    quietly([&] {
      gtk_combo_box_text_remove_all(combo());
      // Option markup shows as written.
      for (const String& s : Value) gtk_combo_box_text_append_text(combo(), StringToUtf8(s).c_str());
    });
  }
  void AddItem(StringView Value) override {
    TComboBox::AddItem(Value);
    quietly([&] { gtk_combo_box_text_append_text(combo(), StringToUtf8(Value).c_str()); });
  }
  void SetItemIndex(int Value) override {
    TComboBox::SetItemIndex(Value);
    quietly([&] { gtk_combo_box_set_active(GTK_COMBO_BOX(combo()), ItemIndex()); });
  }
};

// --- List box -------------------------------------------------------------------------------

// One drawing area as tall as all items, in a scrolled window: only the
// rows in view are painted, so long lists scroll at the same cost.
class TGtkListBox : public TGtkControl<TListBox> {
 public:
  explicit TGtkListBox(TCustomPanel& Panel) : TGtkListBox(Panel, gtk_scrolled_window_new(nullptr, nullptr)) {}
  TGtkListBox(TCustomPanel& Panel, GtkWidget* Scroller)
      : TGtkControl(Panel, Scroller, makeArea(Scroller), false) {
    GtkWidget* area = Input();
    g_signal_connect(area, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* Cr, gpointer Self) -> gboolean {
                       auto* c = static_cast<TGtkListBox*>(Self);
                       Guard([&] { c->draw(Cr); });
                       return TRUE;
                     }),
                     this);
    g_signal_connect(area, "button-press-event",
                     G_CALLBACK(+[](GtkWidget* W, GdkEventButton* E, gpointer Self) -> gboolean {
                       auto* c = static_cast<TGtkListBox*>(Self);
                       gtk_widget_grab_focus(W);
                       Guard([&] { c->press(E->y, (E->state & GDK_CONTROL_MASK) != 0); });
                       return TRUE;
                     }),
                     this);
  }
  ~TGtkListBox() override { g_signal_handlers_disconnect_by_data(Input(), this); }

  void SetItems(const std::vector<String>& Value) override {
    TListBox::SetItems(Value);
    remeasure();
  }
  void AddItem(StringView Value) override {
    TListBox::AddItem(Value);
    remeasure();
  }
  void SetItemIndex(int Value) override {
    TListBox::SetItemIndex(Value);
    scrollTo(ItemIndex());
    gtk_widget_queue_draw(Input());
  }
  void SetSelected(int Index, bool Value) override {
    TListBox::SetSelected(Index, Value);
    gtk_widget_queue_draw(Input());
  }
  void SetItemHeight(int Value) override {
    const bool same = Value == ItemHeight();
    TListBox::SetItemHeight(Value);
    if (!same) remeasure();
  }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override {
    const bool wider = AWidth != Width();
    TGtkControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (wider) remeasure();
  }

  // The item's top and height in the list.
  int ItemTop(int Index) const { return Index >= 0 && Index < int(FTops.size()) ? FTops[size_t(Index)] : 0; }
  int ItemHeightAt(int Index) const {
    return Index >= 0 && Index + 1 < int(FTops.size()) ? FTops[size_t(Index) + 1] - FTops[size_t(Index)] : 0;
  }
  void press(double Y, bool Toggle) {
    measureRange(Y, Y + 1);
    const int i = itemAt(Y);
    if (i < 0) return;
    if (MultiSelect() && Toggle) {
      TListBox::SetSelected(i, !Selected(i));
    } else {
      if (MultiSelect())
        for (int k = 0; k < Count(); ++k) TListBox::SetSelected(k, false);
      TListBox::SetItemIndex(i);
    }
    gtk_widget_queue_draw(Input());
    if (OnClick) OnClick();
  }

 private:
  static GtkWidget* makeArea(GtkWidget* Scroller) {
    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK);
    gtk_widget_set_can_focus(area, TRUE);
    gtk_container_add(GTK_CONTAINER(Scroller), area);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(Scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    return area;
  }
  // Items are measured when they first come into view: a long list costs
  // only what is shown. Until then an item takes the default height.
  void remeasure() {
    FHeights.assign(size_t(Count()), -1);
    retop();
  }
  void retop() {
    FTops.assign(1, 0);
    for (int h : FHeights) FTops.push_back(FTops.back() + (h < 0 ? std::max(ItemHeight(), 1) : h));
    gtk_widget_set_size_request(Input(), -1, std::min(FTops.back(), INT32_MAX / 2));
    gtk_widget_queue_draw(Input());
  }
  // Measures the unmeasured items between Y1 and Y2; true when any was.
  bool measureRange(double Y1, double Y2) {
    bool any = false;
    for (int i = std::max(itemAt(Y1), 0); i < Count() && ItemTop(i) < Y2; ++i) {
      if (FHeights[size_t(i)] >= 0) continue;
      int h = std::max(ItemHeight(), 1);
      if (OnMeasureItem) OnMeasureItem(i, h);
      FHeights[size_t(i)] = std::clamp(h, 1, MaxControlExtent);
      any = true;
      retop();
    }
    return any;
  }
  int itemAt(double Y) const {
    auto it = std::upper_bound(FTops.begin(), FTops.end(), int(Y));
    const int i = int(it - FTops.begin()) - 1;
    return i >= 0 && i < Count() ? i : -1;
  }
  void scrollTo(int Index) {
    if (Index < 0) return;
    measureRange(ItemTop(Index), ItemTop(Index) + 1);
    GtkAdjustment* adj = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(Outer()));
    const double top = ItemTop(Index), bottom = top + ItemHeightAt(Index);
    const double value = gtk_adjustment_get_value(adj), page = gtk_adjustment_get_page_size(adj);
    if (top < value) gtk_adjustment_set_value(adj, top);
    else if (bottom > value + page) gtk_adjustment_set_value(adj, bottom - page);
  }
  void draw(cairo_t* Cr) {
    const int w = gtk_widget_get_allocated_width(Input());
    double x1, y1, x2, y2;
    cairo_clip_extents(Cr, &x1, &y1, &x2, &y2);
    measureRange(y1, y2);
    cairo_set_source_rgb(Cr, (Color() & 0xFF) / 255.0, ((Color() >> 8) & 0xFF) / 255.0,
                         ((Color() >> 16) & 0xFF) / 255.0);
    cairo_paint(Cr);
    if (w <= 0) return;
    for (int i = std::max(itemAt(y1), 0); i < Count() && ItemTop(i) < y2; ++i) {
      const int h = ItemHeightAt(i);
      if (h <= 0) continue;
      gdi::TBitmap bitmap(w, h);
      bitmap.Surface().Fill(0xFF000000u | ((Color() & 0xFF) << 16) | (Color() & 0xFF00) | ((Color() >> 16) & 0xFF));
      TOwnerDrawState state;
      state.Selected = Selected(i);
      if (OnDrawItem) OnDrawItem(i, bitmap.Canvas(), TRect{0, 0, w, h}, state);
      bitmap.Surface().Flush();
      cairo_save(Cr);
      cairo_set_source_surface(Cr, bitmap.Surface().Handle(), 0, ItemTop(i));
      cairo_paint(Cr);
      cairo_restore(Cr);
    }
  }

  std::vector<int> FHeights;  // per item; -1 until measured
  std::vector<int> FTops{0};  // item tops; one more entry than items
};

// --- Memo ---------------------------------------------------------------------------------

class TGtkMemo : public TGtkControl<TMemo> {
 public:
  explicit TGtkMemo(TCustomPanel& Panel) : TGtkMemo(Panel, gtk_scrolled_window_new(nullptr, nullptr)) {}
  TGtkMemo(TCustomPanel& Panel, GtkWidget* Scroller) : TGtkControl(Panel, Scroller, makeView(Scroller), false) {
    SetScrollBars(ScrollBars());
    g_signal_connect(buffer(), "changed", G_CALLBACK(+[](GtkTextBuffer*, gpointer Self) {
                       auto* c = static_cast<TGtkMemo*>(Self);
                       Guard([&] { c->userEdit(); });
                     }),
                     this);
  }
  ~TGtkMemo() override { g_signal_handlers_disconnect_by_data(buffer(), this); }
  GtkTextBuffer* buffer() const { return gtk_text_view_get_buffer(GTK_TEXT_VIEW(Input())); }

  void SetText(StringView Value) override {
    TMemo::SetText(Value);
    if (currentText() == Value) return;
    const std::string text = StringToUtf8(Value);
    quietly([&] { gtk_text_buffer_set_text(buffer(), text.c_str(), int(text.size())); });
  }
  void SetScrollBars(TScrollStyle Value) override {
    TMemo::SetScrollBars(Value);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(Outer()), GTK_POLICY_NEVER,
                                   Value == ssVertical ? GTK_POLICY_ALWAYS : GTK_POLICY_EXTERNAL);
  }

 private:
  static GtkWidget* makeView(GtkWidget* Scroller) {
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
    gtk_container_add(GTK_CONTAINER(Scroller), view);
    return view;
  }
  String currentText() const {
    GtkTextIter a, b;
    gtk_text_buffer_get_bounds(buffer(), &a, &b);
    gchar* t = gtk_text_buffer_get_text(buffer(), &a, &b, FALSE);
    String s = Utf8ToString(t ? t : "");
    g_free(t);
    return s;
  }
  void userEdit() {
    if (FPart.FSetting) return;
    TMemo::SetText(currentText());
    changed();
  }
};

}  // namespace

std::unique_ptr<TFormControl> CreateGtkFormControl(TCustomPanel& Panel, TFormControlKind Kind) {
  switch (Kind) {
    case fkEdit:
      return std::make_unique<TGtkEdit>(Panel, gtk_entry_new());
    case fkNumberBox:
      return std::make_unique<TGtkNumberBox>(Panel);
    case fkDateTimePicker:
      return std::make_unique<TGtkDateTimePicker>(Panel, gtk_entry_new());
    case fkComboBox:
      return std::make_unique<TGtkComboBox>(Panel);
    case fkListBox:
      return std::make_unique<TGtkListBox>(Panel);
    case fkMemo:
      return std::make_unique<TGtkMemo>(Panel);
  }
  return nullptr;
}

namespace {

template <class T>
bool widgetsOf(TFormControl& C, GtkWidget*& Outer, GtkWidget*& Input) {
  auto* g = dynamic_cast<T*>(&C);
  if (!g) return false;
  Outer = g->Outer();
  Input = g->Input();
  return true;
}

bool widgetsOf(TFormControl& C, GtkWidget*& Outer, GtkWidget*& Input) {
  return widgetsOf<TGtkEdit>(C, Outer, Input) || widgetsOf<TGtkNumberBox>(C, Outer, Input) ||
         widgetsOf<TGtkDateTimePicker>(C, Outer, Input) || widgetsOf<TGtkComboBox>(C, Outer, Input) ||
         widgetsOf<TGtkListBox>(C, Outer, Input) || widgetsOf<TGtkMemo>(C, Outer, Input);
}

}  // namespace

GtkWidget* FormControlWidget(TFormControl& Control) {
  GtkWidget *outer = nullptr, *input = nullptr;
  return widgetsOf(Control, outer, input) ? outer : nullptr;
}

GtkWidget* FormControlInputWidget(TFormControl& Control) {
  GtkWidget *outer = nullptr, *input = nullptr;
  return widgetsOf(Control, outer, input) ? input : nullptr;
}

}  // namespace ht::ui
