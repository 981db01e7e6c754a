// Real pointer, wheel and key events through the X server (XTest): what
// the window layer hands the panel, and the viewer zoomed with Ctrl and the
// wheel showing what the document draws off screen at that scale.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
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

// The colour the X server shows at a client point of the panel (0xRRGGBB).
uint32_t screenPixel(ui::TCustomPanel& P, TPoint At) {
  const TPoint s = P.ClientToScreen(At);
  GdkPixbuf* pb = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), s.X, s.Y, 1, 1);
  if (!pb) return 0xFFFFFFFFu;
  const guchar* p = gdk_pixbuf_get_pixels(pb);
  const uint32_t c = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  g_object_unref(pb);
  return c;
}

// Runs animation passes of Ms and the main loop after each until Pred
// holds for the probe's colour, at most Passes times.
bool animateUntil(THtPanel& P, TPoint Probe, int Ms, int Passes, const std::function<bool(uint32_t)>& Pred,
                  std::vector<uint32_t>& Seen) {
  for (int i = 0; i < Passes; ++i) {
    AnimationThread().RunPass(Ms);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
    while (std::chrono::steady_clock::now() < end) {
      while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
      g_usleep(2000);
    }
    const uint32_t c = screenPixel(P, Probe);
    if (Seen.empty() || Seen.back() != c) Seen.push_back(c);
    if (Pred(c)) return true;
  }
  return false;
}

// The built-in page's box fades in over a second while the pointer is over
// it (its probe pixel goes from the window colour through blends to green)
// and back out once the pointer leaves it.
TEST_F(PointerEventsTest, HoveringTheBuiltInBoxFadesItInAndOut) {
  ui::TApplication::OnException = [](const String&) {};
  TForm1 form;  // no index.html beside the tests: the built-in page
  THtPanel& p = *form.HtPanel1;
  form.Show();
  ASSERT_TRUE(RunUntil([&] { return p.Width() == 1171 && p.Height() == 723; }));
  Settle();
  const TPoint probe{60, 90};  // inside the 100 px box at 10,10, below its text
  const uint32_t face = screenPixel(p, probe);
  ASSERT_NE(face, 0x008000u);
  fakeMove(p.ClientToScreen(TPoint{60, 60}));
  std::vector<uint32_t> seen;
  ASSERT_TRUE(animateUntil(p, probe, 50, 60, [](uint32_t c) { return c == 0x008000u; }, seen));
  // At 50 ms a pass, a one-second fade shows several blends on the way.
  EXPECT_GE(seen.size(), 4u);
  for (size_t i = 1; i + 1 < seen.size(); ++i) {
    EXPECT_NE(seen[i], face);
    EXPECT_LT(seen[i] >> 16, face >> 16) << i;  // red falls towards green's 0
  }
  fakeMove(p.ClientToScreen(TPoint{600, 400}));
  seen.clear();
  EXPECT_TRUE(animateUntil(p, probe, 50, 60, [&](uint32_t c) { return c == face; }, seen));
  form.SetVisible(false);
}

// A click on the sample page's link to index2.html loads that file from the
// program's folder; a click on its "#top" link leaves the page as it is
// (the window's link handler ignores anchors, and the panel then does not
// follow them either).
TEST_F(PointerEventsTest, TheSamplePagesLinksLoadIndexFilesAndIgnoreAnchors) {
  ui::TApplication::OnException = [](const String&) {};
  TForm1 form;
  THtPanel& p = *form.HtPanel1;
  form.Show();
  ASSERT_TRUE(RunUntil([&] { return p.Width() == 1171 && p.Height() == 723; }));
  p.LoadFromFile(u"app/index.html");
  p.SetScale(200);  // taller than the window: the "#top" link lies below it
  Settle();
  auto linkTo = [&](StringView Href) -> TElement* {
    for (THtNode* n = p.Doc(); n; n = n->NextNode())
      if (auto* e = dynamic_cast<TElement*>(n); e && e->Tag() == u"a" && e->GetAttribute(u"href") == Href) return e;
    return nullptr;
  };
  // Brings a link into view and points at the middle of its first line.
  auto pointAt = [&](TElement* Link) {
    p.ScrollIntoView(Link);
    Settle();
    const TRectF box = Link->Rects(Link->StartLine());
    const TPointF at = p.Doc()->DocumenttoViewport(
        TPointF{Link->RealLeft() + (box.Left + box.Right) / 2, Link->RealTop() + (box.Top + box.Bottom) / 2});
    fakeMove(p.ClientToScreen(TPoint{int(at.X), int(at.Y)}));
    Settle();
  };
  TElement* top = linkTo(u"#top");
  ASSERT_NE(top, nullptr);
  THtDocument* page = p.Doc();
  pointAt(top);
  const int offset = p.OffsetY;
  ASSERT_GT(offset, 0);  // the page's end, far from its top
  fakeClick(1);
  Settle();
  EXPECT_EQ(p.Doc(), page);
  EXPECT_EQ(p.OffsetY, offset);
  EXPECT_EQ(p.fCurrentFile, u"app/index.html");

  TElement* next = linkTo(u"index2.html");
  ASSERT_NE(next, nullptr);
  pointAt(next);
  fakeClick(1);
  ASSERT_TRUE(RunUntil([&] { return p.fCurrentFile == TForm1::ExeFolder() + u"index2.html"; }));
  EXPECT_NE(p.Doc()->Body()->GetInnerText().find(u"Lists and colours"), String::npos);
  form.SetVisible(false);
}

}  // namespace
}  // namespace ht::testing
