// Real pointer, wheel and key events through the X server (XTest): what
// the window layer hands the panel, and the viewer zoomed with Ctrl and the
// wheel showing what the document draws off screen at that scale.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/unit_main.h"
#include "app/window_fixture.h"
#include "canvas/canvas.h"
#include "document/animation_thread.h"
#include "platform/rtl/dispatcher.h"

// The X headers last: their macros (None, Bool, Status...) would clash with
// names above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>

namespace ht::testing {
namespace {

Display* xDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

void fakeMove(TPoint P) {
  XTestFakeMotionEvent(xDisplay(), -1, P.X, P.Y, 0);
  XFlush(xDisplay());
}

void fakeButton(unsigned Button, bool Down) {
  XTestFakeButtonEvent(xDisplay(), Button, Down, 0);
  XFlush(xDisplay());
}

void fakeClick(unsigned Button) {
  fakeButton(Button, true);
  fakeButton(Button, false);
}

void fakeKey(KeySym Sym, bool Down) {
  XTestFakeKeyEvent(xDisplay(), XKeysymToKeycode(xDisplay(), Sym), Down, 0);
  XFlush(xDisplay());
}

// A panel that writes down what the window layer hands it.
class TLogPanel : public ui::TCustomPanel {
 public:
  std::vector<std::string> Log;
  size_t Count() const { return Log.size(); }

 protected:
  static std::string shift(TShiftState S) {
    std::string s;
    if (S & ssCtrl) s += " ctrl";
    if (S & ssShift) s += " shift";
    if (S & ssLeft) s += " left";
    if (S & ssRight) s += " right";
    if (S & ssDouble) s += " double";
    return s;
  }
  void MouseDown(TMouseButton B, TShiftState S, int X, int Y) override {
    Log.push_back("down " + std::to_string(int(B)) + " " + std::to_string(X) + "," + std::to_string(Y) + shift(S));
  }
  void MouseUp(TMouseButton B, TShiftState S, int, int) override {
    Log.push_back("up " + std::to_string(int(B)) + shift(S));
  }
  void MouseMove(TShiftState, int X, int Y) override { LastMove = TPoint{X, Y}; }
  bool DoMouseWheel(TShiftState S, int Delta, TPoint) override {
    Log.push_back("wheel " + std::to_string(Delta) + shift(S));
    return true;
  }
  void KeyDown(uint16_t& Key, TShiftState S) override { Log.push_back("key " + std::to_string(Key) + shift(S)); }
  void Dispatch(ui::TMessage& M) override {
    if (M.Msg == ui::CM_MOUSELEAVE) Log.push_back("leave");
    if (M.Msg == ui::WM_MOUSEHWHEEL)
      Log.push_back("hwheel " + std::to_string(int16_t(uint16_t(uint32_t(M.WParam) >> 16))));
  }

 public:
  TPoint LastMove{-1, -1};
};

using PointerEventsTest = WindowTest;

TEST_F(PointerEventsTest, TheServersEventsReachThePanelsHandlers) {
  TLogPanel panel;
  ShowIn(panel, 300, 200);
  const TPoint at = panel.ClientToScreen(TPoint{40, 30});
  fakeMove(at);
  ASSERT_TRUE(RunUntil([&] { return panel.LastMove.X == 40 && panel.LastMove.Y == 30; }));

  // Two quick clicks: the second press is a double click; a third is plain.
  for (int i = 0; i < 3; ++i) fakeClick(1);
  ASSERT_TRUE(RunUntil([&] { return panel.Count() >= 6; }));
  EXPECT_EQ(panel.Log, (std::vector<std::string>{"down 0 40,30 left", "up 0", "down 0 40,30 left double", "up 0",
                                                 "down 0 40,30 left", "up 0"}));
  panel.Log.clear();
  fakeClick(3);
  ASSERT_TRUE(RunUntil([&] { return panel.Count() >= 2; }));
  EXPECT_EQ(panel.Log, (std::vector<std::string>{"down 1 40,30 right", "up 1"}));

  // Wheel notches are 120 each way, Ctrl comes with them; tilts go across.
  panel.Log.clear();
  fakeClick(4);
  fakeKey(XK_Control_L, true);
  fakeClick(5);
  fakeKey(XK_Control_L, false);
  fakeClick(7);
  ASSERT_TRUE(RunUntil([&] { return panel.Count() >= 3; }));
  EXPECT_EQ(panel.Log, (std::vector<std::string>{"wheel 120", "wheel -120 ctrl", "hwheel 120"}));

  // Keys reach the focused client area as virtual key codes.
  panel.Log.clear();
  gdk_window_focus(gtk_widget_get_window(gtk_widget_get_toplevel(panel.ClientArea())), GDK_CURRENT_TIME);
  panel.SetFocus();
  ASSERT_TRUE(RunUntil([&] { return panel.Focused(); }));
  for (KeySym k : {XK_Page_Down, XK_KP_Subtract}) {
    fakeKey(k, true);
    fakeKey(k, false);
  }
  ASSERT_TRUE(RunUntil([&] { return panel.Count() >= 2; }));
  EXPECT_EQ(panel.Log, (std::vector<std::string>{"key 34", "key 109"}));

  // Leaving the window.
  panel.Log.clear();
  fakeMove(TPoint{at.X + 600, at.Y + 600});
  ASSERT_TRUE(RunUntil([&] { return panel.Count() >= 1; }));
  EXPECT_EQ(panel.Log, (std::vector<std::string>{"leave"}));
}

// Ctrl with a real wheel notch zooms the viewer's page to 113 %, and the
// window then shows what the document draws off screen at that scale.
TEST_F(PointerEventsTest, CtrlWithTheWheelZoomsTheViewer) {
  ui::TApplication::OnException = [](const String&) {};
  TForm1 form;
  THtPanel& p = *form.HtPanel1;
  p.SetHTML({u"<body style='margin: 0; background: #fff'>",
             u"<div style='margin: 20px; width: 300px; height: 200px; background: #2a7ab0'></div>",
             u"<div style='margin: 20px 60px; width: 120px; height: 90px; border: 6px solid #c33'></div>",
             u"<div style='height: 1500px; background: linear-gradient(#fff, #484)'></div></body>"});
  form.Show();
  ASSERT_TRUE(RunUntil([&] { return p.Width() == 1171 && p.Height() == 723; }));
  Settle();
  fakeMove(p.ClientToScreen(TPoint{200, 150}));
  ASSERT_TRUE(RunUntil([] { return true; }));
  fakeKey(XK_Control_L, true);
  fakeClick(4);
  fakeKey(XK_Control_L, false);
  // The suite's animation thread runs a pass only when asked.
  ASSERT_TRUE(RunUntil([&] {
    AnimationThread().RunPass(10);
    return p.Scale() == 113 && !p.InSmoothZoom();
  }));
  EXPECT_FLOAT_EQ(p.Doc()->Surface->ScaleFactor(), 1.13f);
  Settle();
  const auto screen = screenPixels(p);
  const auto offscreen = offscreenPixels(p);
  ASSERT_EQ(screen.size(), offscreen.size());
  EXPECT_LE(differing(screen, offscreen), int(screen.size() / 1000));
  // The blue box grew with the page: 20 + 300 px became 23 + 339 at 113 %.
  EXPECT_EQ(screen[size_t(100 * p.ClientWidth() + 355)], 0x2A7AB0u);
  form.SetVisible(false);
}

}  // namespace
}  // namespace ht::testing
