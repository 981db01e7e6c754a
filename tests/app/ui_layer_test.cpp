// The window layer on GTK: the dispatcher's wake-up source, posted
// messages, scroll bars as adjustments, scroll messages from the bars and
// exceptions in callbacks.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/window_fixture.h"
#include "platform/rtl/dispatcher.h"
#include "platform/rtl/exception.h"
#include "platform/ui/element_scroll_bar.h"

namespace ht::testing {
namespace {

class TRecordingPanel : public ui::TCustomPanel {
 public:
  std::vector<ui::TMessage> Messages;
  std::vector<ui::SCROLLINFO> InfoAtMessage;
  bool ThrowInPaint = false;
  int Paints = 0;
  void Dispatch(ui::TMessage& M) override {
    Messages.push_back(M);
    ui::SCROLLINFO si;
    si.fMask = 23;
    GetScrollInfo(M.Msg == ui::WM_VSCROLL ? ui::SB_VERT : ui::SB_HORZ, si);
    InfoAtMessage.push_back(si);
  }

 protected:
  void Paint() override {
    ++Paints;
    if (ThrowInPaint) throw Exception(u"paint failed");
    ui::TCustomPanel::Paint();
  }
};

using UiLayerTest = WindowTest;

TEST_F(UiLayerTest, AWorkerPostRunsFromTheMainLoopWithoutAnExplicitDrain) {
  std::atomic<bool> ran{false};
  std::thread worker([&] { TDispatcher::Main().Post([&] { ran = true; }); });
  worker.join();
  // Only GTK's loop runs here: the wake-up source drains the dispatcher.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!ran && std::chrono::steady_clock::now() < end) gtk_main_iteration_do(TRUE);
  EXPECT_TRUE(ran);
}

TEST_F(UiLayerTest, PostedMessagesCoalesceAndSkipAFreedControl) {
  auto panel = std::make_unique<TRecordingPanel>();
  panel->PostMessage(ui::WM_USER + 3, 1);
  panel->PostMessage(ui::WM_USER + 3, 2);
  panel->PostMessage(ui::WM_USER + 4, 7);
  ui::TApplication::ProcessMessages();
  ASSERT_EQ(panel->Messages.size(), 2u);
  EXPECT_EQ(panel->Messages[0].Msg, ui::WM_USER + 3u);
  EXPECT_EQ(panel->Messages[0].WParam, 2);  // the latest post of the pair
  EXPECT_EQ(panel->Messages[1].Msg, ui::WM_USER + 4u);

  panel->PostMessage(ui::WM_USER + 3);
  panel.reset();
  ui::TApplication::ProcessMessages();  // must not reach the freed panel
  EXPECT_EQ(TDispatcher::Main().Pending(), 0u);
}

TEST_F(UiLayerTest, ScrollInfoIsTheBarsAdjustment) {
  TRecordingPanel panel;
  panel.SetScrollBars(true, true);
  ShowIn(panel);
  struct Case {
    int nMax, nPage, nPos, wantPos;
    bool sensitive;
  } cases[] = {
      {1999, 500, 1600, 1500, true},  // the position stays where a whole page fits
      {1999, 500, 300, 300, true},
      {499, 500, 10, 0, false},  // the page covers the range: shown but insensitive
      {498, 500, 0, 0, false},
  };
  for (const Case& c : cases) {
    ui::SCROLLINFO si;
    si.fMask = 23;
    si.nMax = c.nMax;
    si.nPage = unsigned(c.nPage);
    si.nPos = c.nPos;
    EXPECT_EQ(panel.SetScrollInfo(ui::SB_VERT, si, true), c.wantPos) << c.nMax << " " << c.nPos;
    GtkWidget* bar = panel.ScrollBar(ui::SB_VERT);
    GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(bar));
    EXPECT_EQ(gtk_adjustment_get_upper(adj), c.nMax + 1);
    EXPECT_EQ(gtk_adjustment_get_page_size(adj), std::min(c.nPage, c.nMax + 1));
    EXPECT_EQ(gtk_adjustment_get_value(adj), c.wantPos);
    EXPECT_EQ(bool(gtk_widget_get_sensitive(bar)), c.sensitive) << c.nMax;
    EXPECT_TRUE(gtk_widget_get_visible(bar));
    ui::SCROLLINFO back;
    back.fMask = 23;
    ASSERT_TRUE(panel.GetScrollInfo(ui::SB_VERT, back));
    EXPECT_EQ(back.nMax, c.nMax);
    EXPECT_EQ(back.nPos, c.wantPos);
    EXPECT_EQ(back.nTrackPos, c.wantPos);
  }
  panel.SetScrollBars(false, true);
  ui::SCROLLINFO none;
  none.fMask = 23;
  EXPECT_FALSE(panel.GetScrollInfo(ui::SB_VERT, none));
}

TEST_F(UiLayerTest, BarChangesArriveAsScrollMessages) {
  TRecordingPanel panel;
  panel.SetScrollBars(true, true);
  ShowIn(panel);
  ui::SCROLLINFO si;
  si.fMask = 23;
  si.nMax = 1999;
  si.nPage = 400;
  si.nPos = 100;
  panel.SetScrollInfo(ui::SB_VERT, si, true);
  panel.SetScrollInfo(ui::SB_HORZ, si, true);
  struct Case {
    int bar;
    GtkScrollType scroll;
    double value;
    int code;
  } cases[] = {
      {ui::SB_VERT, GTK_SCROLL_STEP_FORWARD, 105, ui::SB_LINEDOWN},
      {ui::SB_VERT, GTK_SCROLL_STEP_BACKWARD, 95, ui::SB_LINEUP},
      {ui::SB_VERT, GTK_SCROLL_PAGE_FORWARD, 500, ui::SB_PAGEDOWN},
      {ui::SB_VERT, GTK_SCROLL_PAGE_BACKWARD, 0, ui::SB_PAGEUP},
      {ui::SB_VERT, GTK_SCROLL_JUMP, 300.4, ui::SB_THUMBTRACK},
      {ui::SB_VERT, GTK_SCROLL_END, 1600, ui::SB_BOTTOM},
      {ui::SB_HORZ, GTK_SCROLL_STEP_RIGHT, 105, ui::SB_LINERIGHT},
      {ui::SB_HORZ, GTK_SCROLL_JUMP, 250, ui::SB_THUMBTRACK},
  };
  for (const Case& c : cases) {
    panel.Messages.clear();
    panel.InfoAtMessage.clear();
    gboolean handled = FALSE;
    g_signal_emit_by_name(panel.ScrollBar(c.bar), "change-value", c.scroll, c.value, &handled);
    EXPECT_TRUE(handled);
    ASSERT_EQ(panel.Messages.size(), 1u);
    EXPECT_EQ(panel.Messages[0].Msg, c.bar == ui::SB_VERT ? unsigned(ui::WM_VSCROLL) : unsigned(ui::WM_HSCROLL));
    EXPECT_EQ(panel.Messages[0].WParam & 0xFFFF, c.code);
    // The bar keeps its position until the control writes it; a thumb
    // drag's position is the track position of the message.
    EXPECT_EQ(panel.InfoAtMessage[0].nPos, 100);
    if (c.code == ui::SB_THUMBTRACK) {
      EXPECT_EQ(panel.InfoAtMessage[0].nTrackPos, int(c.value + 0.5));
      EXPECT_EQ(panel.Messages[0].WParam >> 16, int(c.value + 0.5));
    }
  }
  ui::SCROLLINFO after;
  after.fMask = 23;
  panel.GetScrollInfo(ui::SB_VERT, after);
  EXPECT_EQ(after.nTrackPos, after.nPos);  // the drag's message has ended
}

TEST_F(UiLayerTest, AnExceptionInAPaintIsReportedNotPropagated) {
  std::vector<String> reported;
  ui::TApplication::OnException = [&](const String& M) { reported.push_back(M); };
  TRecordingPanel panel;
  panel.ThrowInPaint = true;
  ShowIn(panel);
  ASSERT_TRUE(RunUntil([&] { return panel.Paints > 0; }));
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported[0], u"paint failed");
}

TEST_F(UiLayerTest, TheErrorDialogIsNonModalAndCounted) {
  const int before = ui::LiveWidgets();
  ui::TApplication::HandleException(std::runtime_error("something failed"));
  EXPECT_EQ(ui::TApplication::OpenDialogs(), 1);
  EXPECT_EQ(ui::LiveWidgets(), before + 1);
  ui::TApplication::CloseDialogs();
  EXPECT_EQ(ui::TApplication::OpenDialogs(), 0);
  EXPECT_EQ(ui::LiveWidgets(), before);
}

TEST_F(UiLayerTest, FormCloseEndsOnlyTheMainFormsLoop) {
  TRecordingPanel panel;
  ShowIn(panel);
  int closes = 0;
  Form->OnClose = [&] { ++closes; };
  Form->MainForm = true;
  g_idle_add(
      [](gpointer F) -> gboolean {
        static_cast<ui::TForm*>(F)->Close();
        return G_SOURCE_REMOVE;
      },
      Form.get());
  ui::TApplication::Run();  // returns once the close request is handled
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(Form->Visible());
}

TEST_F(UiLayerTest, ElementScrollBarsAreGtkBarsOnTheChildLayer) {
  TRecordingPanel panel;
  ShowIn(panel);
  const int widgets = ui::LiveWidgets();
  auto bar = std::make_unique<ui::TElementScrollBar>(panel);
  EXPECT_EQ(ui::LiveWidgets(), widgets + 1);
  EXPECT_EQ(gtk_widget_get_parent(bar->Handle()), panel.ChildLayer());
  EXPECT_FALSE(gtk_widget_get_visible(bar->Handle()));
  const int thickness = bar->Height();
  EXPECT_GT(thickness, 0);
  int changes = 0;
  bar->OnChange = [&] { ++changes; };
  bar->SetKind(ui::sbVertical);
  EXPECT_EQ(bar->Width(), thickness);
  EXPECT_EQ(gtk_orientable_get_orientation(GTK_ORIENTABLE(bar->Handle())), GTK_ORIENTATION_VERTICAL);
  bar->SetMax(500);
  bar->SetPageSize(100);
  bar->SetPosition(50);
  bar->SetWindowPos(10, 20, thickness, 200);
  bar->SetVisible(true);
  EXPECT_EQ(changes, 0);  // the engine's own moves are not reported back
  Settle();
  GtkAllocation a;
  gtk_widget_get_allocation(bar->Handle(), &a);
  int x = 0, y = 0;
  gtk_widget_translate_coordinates(bar->Handle(), panel.ChildLayer(), 0, 0, &x, &y);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);
  EXPECT_EQ(a.height, 200);
  GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(bar->Handle()));
  EXPECT_EQ(gtk_adjustment_get_upper(adj), 500);
  EXPECT_EQ(gtk_adjustment_get_page_size(adj), 100);
  EXPECT_EQ(gtk_adjustment_get_value(adj), 50);
  struct Case {
    double value;
    int want;
  } cases[] = {{120.4, 120}, {1000, 400}, {-5, 0}};
  for (const Case& c : cases) {
    gboolean handled = FALSE;
    g_signal_emit_by_name(bar->Handle(), "change-value", GTK_SCROLL_JUMP, c.value, &handled);
    EXPECT_EQ(bar->Position(), c.want) << c.value;
  }
  EXPECT_EQ(changes, 3);
  bar.reset();
  EXPECT_EQ(ui::LiveWidgets(), widgets);
}

}  // namespace
}  // namespace ht::testing
