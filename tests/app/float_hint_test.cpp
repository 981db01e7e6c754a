// Hints on the virtual X server: the floating hint window's geometry, its
// pointer watch, fades and focus, and the panel's tooltips and floating
// hints for the elements under the pointer.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "app/window_fixture.h"
#include "document/element.h"
#include "host/float_window.h"
#include "platform/ui/float_form.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

namespace ht::testing {
namespace {

Display* xDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

void movePointer(int X, int Y) {
  XTestFakeMotionEvent(xDisplay(), -1, X, Y, 0);
  XFlush(xDisplay());
  RunUntil([&] { return ui::CursorPos().X == X && ui::CursorPos().Y == Y; });
}

void leftButton(bool Down) {
  XTestFakeButtonEvent(xDisplay(), 1, Down, 0);
  XFlush(xDisplay());
  RunUntil([&] { return ui::LeftButtonDown() == Down; });
}

THtFloatBoundsInput input(int X, int Y, int ContentWidth, int ContentHeight, TRect Monitor) {
  THtFloatBoundsInput in;
  in.X = X;
  in.Y = Y;
  in.UserWidth = 500;
  in.ContentWidth = ContentWidth;
  in.ContentHeight = ContentHeight;
  in.Monitor = Monitor;
  return in;
}

TEST(FloatWindowBounds, PlacesTheWindowOnItsMonitor) {
  const TRect top{0, 0, 1280, 1000}, lower{0, 1000, 1280, 2000};
  auto with = [](THtFloatBoundsInput In, auto Change) {
    Change(In);
    return In;
  };
  struct Case {
    const char* Name;
    THtFloatBoundsInput In;
    THtFloatWindowAnimation Animation, Expected;
    TRect Bounds;
  } cases[] = {
      {"upper half", input(100, 100, 200, 100, top), fwaSlideDown, fwaSlideDown, {100, 100, 302, 202}},
      {"lower half, room below", input(100, 600, 200, 100, top), fwaSlideDown, fwaSlideDown, {100, 600, 302, 702}},
      // Up by the height and 26 pixels.
      {"lower half, reaching the bottom", input(100, 950, 200, 100, top), fwaSlideDown, fwaSlideUp,
       {100, 822, 302, 924}},
      // A monitor below another: its own middle and bottom count.
      {"second monitor, upper half", input(100, 1100, 200, 100, lower), fwaSlideDown, fwaSlideDown,
       {100, 1100, 302, 1202}},
      {"second monitor, at the bottom", input(100, 1950, 200, 100, lower), fwaBlend, fwaBlend,
       {100, 1822, 302, 1924}},
      // Cut to half the monitor less 26, and wider for the scroll bar.
      {"taller than half the monitor", input(100, 100, 200, 800, top), fwaNone, fwaNone, {100, 100, 322, 574}},
      {"past the right edge", input(1200, 100, 200, 100, top), fwaNone, fwaNone, {1078, 100, 1280, 202}},
      {"at 144 dpi", with(input(100, 100, 200, 100, top), [](auto& I) { I.DPI = 144; }), fwaNone, fwaNone,
       {100, 100, 402, 252}},
      {"not autosized", with(input(100, 100, 200, 100, top), [](auto& I) {
         I.Autosize = false;
         I.UserWidth = 150;
       }), fwaNone, fwaNone, {100, 100, 252, 202}},
      {"following the pointer", with(input(100, 100, 200, 100, top), [](auto& I) {
         I.FollowPointer = true;
         I.Pointer = TPoint{50, 300};
       }), fwaNone, fwaNone, {40, 208, 242, 310}},
      {"with the frame", with(input(100, 100, 200, 100, top), [](auto& I) { I.FrameWidth = I.FrameHeight = 2; }),
       fwaNone, fwaNone, {100, 100, 304, 204}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.Name);
    THtFloatWindowAnimation a = c.Animation;
    const TRect r = FloatWindowBounds(c.In, a);
    EXPECT_EQ(a, c.Expected);
    EXPECT_EQ(r.Left, c.Bounds.Left);
    EXPECT_EQ(r.Top, c.Bounds.Top);
    EXPECT_EQ(r.Right, c.Bounds.Right);
    EXPECT_EQ(r.Bottom, c.Bounds.Bottom);
  }
}

TEST(FloatWindowBounds, PointerNearTheClientCountsAsInside) {
  const TRect client{0, 0, 100, 50};
  EXPECT_TRUE(PointInFloatClient(client, TPoint{-29, 20}, false));
  EXPECT_TRUE(PointInFloatClient(client, TPoint{129, 79}, false));
  EXPECT_FALSE(PointInFloatClient(client, TPoint{-31, 20}, false));
  EXPECT_FALSE(PointInFloatClient(client, TPoint{-1, 20}, true));
  EXPECT_TRUE(PointInFloatClient(client, TPoint{0, 0}, true));
}

TEST(FloatWindowBounds, FrameHitTestCodes) {
  struct Case {
    int X, Y, Code;
  } cases[] = {{0, 0, 13},   {99, 0, 14},  {0, 49, 16},  {99, 49, 17}, {50, 7, 12}, {7, 25, 10},
               {50, 43, 15}, {93, 25, 11}, {50, 8, 0},   {8, 25, 0},   {50, 42, 0}, {92, 25, 0}};
  for (const Case& c : cases) EXPECT_EQ(ui::FrameHitTest(c.X, c.Y, 100, 50), c.Code) << c.X << "," << c.Y;
}

class FloatWindowTest : public WindowTest {
 protected:
  void TearDown() override {
    Window.reset();
    WindowTest::TearDown();
  }
  std::unique_ptr<THtFloatWindow> Window = std::make_unique<THtFloatWindow>();
};

TEST_F(FloatWindowTest, ShowsOnceAndFadesIn) {
  movePointer(310, 210);
  Window->Show(300, 200, 200, 0, u"<p>hint</p>", nullptr, fwaBlend);
  ASSERT_NE(Window->Form(), nullptr);
  EXPECT_EQ(Window->State(), fwsShowing);
  THtFloatForm* first = Window->Form();
  Window->Show(300, 200, 200, 0, u"<p>other</p>", nullptr, fwaNone);
  EXPECT_EQ(Window->Form(), first) << "a show waiting for its blend ignores the next";
  ASSERT_TRUE(RunUntil([&] { return Window->State() == fwsVisible && !Window->Ani.Enabled(); }));
  EXPECT_EQ(Window->AlphaBlend(), 255);
  EXPECT_FALSE(Window->Acrylic);
  EXPECT_THROW(Window->SetAlphaBlend(256), ERangeError);
  const TRect r = Window->Form()->BoundsRect();
  EXPECT_EQ(r.Left, 300);
  EXPECT_EQ(r.Top, 200);
  EXPECT_GT(r.Right - r.Left, 20);
  EXPECT_LE(r.Right - r.Left, 204 + 20);
}

TEST_F(FloatWindowTest, WithoutAnimationOpaqueOnlyOnceThePointerEnters) {
  movePointer(5, 5);
  Window->Show(300, 200, 200, 0, u"<p>hint</p>", nullptr, fwaNone);
  EXPECT_EQ(Window->State(), fwsVisible);
  EXPECT_EQ(Window->AlphaBlend(), 80);
  Window->PanelMouseEnter();
  EXPECT_EQ(Window->AlphaBlend(), 255);
}

TEST_F(FloatWindowTest, HidesAfterTwoChecksWithThePointerAway) {
  movePointer(305, 205);
  Window->Show(300, 200, 200, 0, u"<p>hint</p>", nullptr, fwaNone);
  Window->MouseMon.SetEnabled(false);  // the test makes the checks
  Settle();  // the pointer's crossing into the new window
  Window->MouseMonTimer();
  Window->MouseMonTimer();
  EXPECT_EQ(Window->State(), fwsVisible) << "the pointer is inside";
  movePointer(300 + 250, 5);
  Window->MouseMonTimer();
  EXPECT_EQ(Window->State(), fwsVisible) << "one check outside is not enough";
  Window->MouseMonTimer();
  EXPECT_EQ(Window->State(), fwsHiding);
  ASSERT_TRUE(RunUntil([&] { return Window->State() == fwsHidden; }));
  EXPECT_FALSE(gtk_widget_get_visible(Window->Form()->Handle()));
}

TEST_F(FloatWindowTest, TakesNoFocus) {
  auto owner = std::make_unique<THtPanel>();
  THtPanel& main = *owner;
  Form = std::make_unique<ui::TForm>();
  Form->SetClientSize(400, 300);
  main.SetParent(Form.get());
  Form->Show();
  ASSERT_TRUE(RunUntil([&] { return main.Width() == 400; }));
  // The X focus on the main window itself, not following the pointer as it
  // does on a server without a window manager.
  const ::Window xid = gdk_x11_window_get_xid(gtk_widget_get_window(Form->Handle()));
  XSetInputFocus(xDisplay(), xid, RevertToParent, CurrentTime);
  struct TRestore {
    ~TRestore() { XSetInputFocus(xDisplay(), PointerRoot, RevertToPointerRoot, CurrentTime); }
  } restore;
  main.SetFocus();
  ASSERT_TRUE(RunUntil([&] { return main.Focused(); }));
  movePointer(5, 5);
  Window->Show(600, 500, 200, 0, u"<p>hint <a href='x'>link</a></p>", nullptr, fwaNone);
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(Window->Form()->Handle()); }));
  // A click in the window leaves the focus where it was.
  movePointer(610, 510);
  XTestFakeButtonEvent(xDisplay(), 1, True, 0);
  XTestFakeButtonEvent(xDisplay(), 1, False, 0);
  XFlush(xDisplay());
  Settle();
  EXPECT_FALSE(gtk_window_has_toplevel_focus(GTK_WINDOW(Window->Form()->Handle())));
  EXPECT_FALSE(Window->Panel()->Focused());
  EXPECT_TRUE(main.Focused());
  Window->Hide(true);
  owner.reset();
}

// The panel's hint fields, open for the tests.
class THintPanel : public THtPanel {
 public:
  using THtPanel::FHintStr;
  void HintShow(ui::TMessage& M) { Dispatch(M); }
};

class PanelHintTest : public WindowTest {
 protected:
  void SetUp() override {
    Panel = std::make_unique<THintPanel>();
    Form = std::make_unique<ui::TForm>();
    Form->SetClientSize(400, 300);
    Panel->SetParent(Form.get());
    Panel->Hint = u"panel hint";
    Panel->SetHTML({u"<p id=both title='the title' floathint='<b>float</b>'>both</p><p id=float "
                    u"floathint='<i>only</i>'>float</p>"});
    Form->Show();
    ASSERT_TRUE(RunUntil([&] { return Panel->Width() == 400; }));
    movePointer(5, 5);
  }
  void TearDown() override {
    Panel.reset();
    WindowTest::TearDown();
  }
  TElement* byId(const char16_t* Id) { return Panel->Doc()->GetElementbyId(Id); }
  bool floatShowing() { return Panel->HtFloatHintWindow() && Panel->HtFloatHintWindow()->Showing(); }
  std::unique_ptr<THintPanel> Panel;
};

TEST_F(PanelHintTest, TitleGivesTheTooltipOnly) {
  TElement* both = byId(u"both");
  Panel->DoElementEnter(both);
  EXPECT_EQ(Panel->FHintStr, u"the title");
  EXPECT_EQ(Panel->HintElement, both);
  EXPECT_FALSE(floatShowing());
  ui::THintInfo info;
  info.CursorPos = TPoint{30, 40};
  ui::TMessage m{ui::CM_HINTSHOW, 0, reinterpret_cast<intptr_t>(&info), 0};
  Panel->HintShow(m);
  EXPECT_EQ(m.Result, 0);
  EXPECT_EQ(info.HintStr, u"the title");
  EXPECT_EQ(info.CursorRect.Left, 30);
  EXPECT_EQ(info.CursorRect.Bottom - info.CursorRect.Top, 1);
  Panel->DoElementExit(both);
  EXPECT_EQ(Panel->FHintStr, u"panel hint");
  Panel->FHintStr.clear();
  m.Result = 0;
  Panel->HintShow(m);
  EXPECT_EQ(m.Result, 1) << "no text, no tooltip";
}

// The toolkit's question whether a tooltip shows at a client point.
bool queryTooltip(GtkWidget* Area, int X, int Y) {
  GtkTooltip* tip = GTK_TOOLTIP(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
  gboolean shows = FALSE;
  g_signal_emit_by_name(Area, "query-tooltip", X, Y, FALSE, tip, &shows);
  g_object_unref(tip);
  return shows;
}

TEST_F(PanelHintTest, TheToolkitAsksThePanel) {
  Panel->FHintStr.clear();
  EXPECT_FALSE(queryTooltip(Panel->ClientArea(), 50, 20));
  Panel->DoElementEnter(byId(u"both"));
  EXPECT_TRUE(queryTooltip(Panel->ClientArea(), 50, 20));
}

TEST_F(PanelHintTest, FloatHintWithoutShowHintOrTitle) {
  Panel->ShowHint = false;
  TElement* both = byId(u"both");
  Panel->DoElementEnter(both);
  EXPECT_EQ(Panel->FHintStr, u"panel hint") << "the panel's own hint stays";
  ASSERT_TRUE(floatShowing());
  EXPECT_NE(Panel->HtFloatHintWindow()->HTML().find(u"<b>float</b>"), String::npos);
  THtFloatForm* form = Panel->HtFloatHintWindow()->Form();
  Panel->DoElementEnter(both);
  EXPECT_EQ(Panel->HtFloatHintWindow()->Form(), form) << "already showing for the element";
  // Leaving the element hides the window once the pointer is away from it.
  movePointer(900, 700);
  Panel->DoElementExit(both);
  EXPECT_EQ(Panel->HintElement, nullptr);
  ASSERT_TRUE(RunUntil([&] { return !floatShowing(); }));
  Panel->ShowHint = true;
  Panel->DoElementEnter(byId(u"float"));
  EXPECT_TRUE(floatShowing());
  EXPECT_NE(Panel->HtFloatHintWindow()->HTML().find(u"<i>only</i>"), String::npos);
}

TEST_F(PanelHintTest, NoHintWhileTheLeftButtonIsDown) {
  leftButton(true);
  Panel->DoElementEnter(byId(u"both"));
  Panel->DoElementEnter(byId(u"float"));
  leftButton(false);
  EXPECT_EQ(Panel->FHintStr, u"panel hint");
  EXPECT_EQ(Panel->HintElement, nullptr);
  EXPECT_FALSE(floatShowing());
}

}  // namespace
}  // namespace ht::testing
