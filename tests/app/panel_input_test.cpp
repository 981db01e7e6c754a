// THtPanel's input and motion on the virtual X server: the wheel, keys and
// clicks handed to the handlers, smooth scrolling and zooming stepped by
// hand through the animation thread, the scale and DPI, pinch gestures and
// scrolling elements into view.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <climits>
#include <random>

#include "app/window_fixture.h"
#include "canvas/canvas.h"
#include "document/animation_thread.h"
#include "document/element.h"
#include "host/html_panel.h"
#include "platform/rtl/dispatcher.h"

namespace ht::testing {
namespace {

class TInputPanel : public THtPanel {
 public:
  using THtPanel::DoMouseWheel;
  using THtPanel::FInitialScale;
  using THtPanel::FTargetScale;
  using THtPanel::FTargetYOffset;
  using THtPanel::fInZoom;
  using THtPanel::ScaleFactorChanged;
  int DocH = -1;
  int DocumentPixelHeight() override { return DocH >= 0 ? DocH : THtPanel::DocumentPixelHeight(); }
};

class PanelInputTest : public WindowTest {
 protected:
  void SetUp() override {
    Panel = std::make_unique<TInputPanel>();
    Panel->SetVerticalScrollBar(hsbAlways);
    Panel->SetHorizontalScrollBar(hsbAlways);
    Panel->SetHTML({u"<p>Some text</p>"});
    Panel->TickCount = [this] { return Now; };
    Form = std::make_unique<ui::TForm>();
    Form->SetClientSize(640, 480);
    Panel->SetParent(Form.get());
    Form->Show();
    ASSERT_TRUE(RunUntil([&] { return Panel->Width() == 640 && Panel->Height() == 480; }));
    Settle();
    Panel->LastPaintTime = 0;
    TDispatcher::Main().Drain();
  }
  void TearDown() override {
    Panel.reset();
    WindowTest::TearDown();
  }
  // One animation-thread pass of Ms milliseconds and its posted ticks.
  void Tick(int Ms = 10) {
    Now += Ms;
    AnimationThread().RunPass(Ms);
    TDispatcher::Main().Drain();
  }
  TPoint ScreenPoint(int X, int Y) { return Panel->ClientToScreen(TPoint{X, Y}); }
  void Wheel(int Delta, TShiftState Shift = 0) {
    Panel->PostWheelMessage(false, Delta, Shift, ScreenPoint(10, 10));
    TDispatcher::Main().Drain();
  }
  uint16_t Key(uint16_t K, TShiftState Shift = 0) {
    Panel->InputKeyDown(K, Shift);
    return K;
  }
  std::unique_ptr<TInputPanel> Panel;
  int64_t Now = 1000000;
};

TEST_F(PanelInputTest, CtrlWithTheWheelOrKeysZooms) {
  // Smooth zooms from the wheel: the target after one notch either way.
  Wheel(120, ssCtrl);
  EXPECT_EQ(Panel->FTargetScale, 113);
  EXPECT_TRUE(Panel->InSmoothZoom());
  for (int i = 0; i < 12; ++i) Tick();
  EXPECT_FALSE(Panel->InSmoothZoom());
  EXPECT_EQ(Panel->Scale(), 113);
  Panel->SetScale(100);
  Wheel(-120, ssCtrl);
  EXPECT_EQ(Panel->FTargetScale, 87);
  for (int i = 0; i < 12; ++i) Tick();
  EXPECT_FALSE(Panel->SubscribedtoAnimation());

  // Keys zoom at once.
  struct Case {
    int from;
    uint16_t key;
    TShiftState shift;
    int want;
  } cases[] = {
      {15, ui::VK_SUBTRACT, ssCtrl, 10},  // never below 10
      {100, ui::VK_SUBTRACT, ssCtrl, 90},
      {100, ui::VK_ADD, ssCtrl, 110},
      {250, '0', ssCtrl, 100},
      {250, '0', 0, 250},  // without Ctrl nothing
  };
  for (const Case& c : cases) {
    Panel->SetScale(c.from);
    ASSERT_EQ(Panel->Scale(), c.from);
    Key(c.key, c.shift);
    EXPECT_EQ(Panel->Scale(), c.want) << c.from << " key " << c.key;
  }
  // A percent of 0 or less is refused.
  for (int bad : {0, -5, INT_MIN}) {
    Panel->SetScale(bad);
    EXPECT_EQ(Panel->Scale(), 250);
  }
  // Without AllowScaling the wheel scrolls.
  Panel->SetScale(100);
  Panel->FAllowScaling = false;
  Panel->DocH = 5000;
  Wheel(-120, ssCtrl);
  EXPECT_FALSE(Panel->InSmoothZoom());
  EXPECT_EQ(Panel->FTargetYOffset, 120);
}

TEST_F(PanelInputTest, QueuedWheelStepsScrollOnceByTheirSum) {
  Panel->DocH = 5000;
  for (int i = 0; i < 10; ++i) Panel->PostWheelMessage(false, -120, 0, ScreenPoint(5, 5));
  TDispatcher::Main().Drain();
  EXPECT_EQ(Panel->FTargetYOffset, 1200);
  // A second turn while the first runs adds to its target.
  Tick();
  Wheel(-120);
  EXPECT_EQ(Panel->FTargetYOffset, 1320);
  // The wheel event handler may take the step.
  Panel->fOnMouseWheel = [](THtObject*, TShiftState, int, TPoint, bool& Handled) { Handled = true; };
  Wheel(-120);
  EXPECT_EQ(Panel->FTargetYOffset, 1320);
}

TEST_F(PanelInputTest, SmoothScrollFollowsItsEaseOutCurve) {
  Panel->DocH = 5000;
  Panel->SetTargetPosition(0, 1000);
  EXPECT_TRUE(Panel->InSmoothScroll());
  EXPECT_TRUE(Panel->SubscribedtoAnimation());
  for (int i = 0; i < 10; ++i) Tick();
  EXPECT_EQ(Panel->OffsetY, 750);  // 100 of 200 ms
  for (int i = 0; i < 9; ++i) Tick();
  EXPECT_EQ(Panel->OffsetY, 1000);  // within 3 px of the end at 190 ms
  EXPECT_FALSE(Panel->InSmoothScroll());
  EXPECT_FALSE(Panel->SubscribedtoAnimation());
  Tick();  // a tick after the end finds nothing
  EXPECT_EQ(Panel->OffsetY, 1000);

  // A second target restarts the curve from where the first had got to.
  Panel->SetTargetPosition(0, 0);
  for (int i = 0; i < 10; ++i) Tick();
  EXPECT_EQ(Panel->OffsetY, 250);
  Panel->SetTargetPosition(0, 2000);
  Tick();
  EXPECT_EQ(Panel->OffsetY, 421);  // 10 ms of the new curve: 250 + 1750 x 0.05 x 1.95
  // Targets past the end stop at it; the present one moves nothing.
  Panel->SetTargetPosition(0, 100000);
  EXPECT_EQ(Panel->FTargetYOffset, 5000 - Panel->ClientHeight());
}

TEST_F(PanelInputTest, SmoothZoomReachesItsTargetIn100Ms) {
  Panel->SetTargetScale(200);
  EXPECT_TRUE(Panel->InSmoothZoom());
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(Panel->Scale(), 150);
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(Panel->Scale(), 200);
  EXPECT_FALSE(Panel->InSmoothZoom());
  EXPECT_FALSE(Panel->SubscribedtoAnimation());
  // Ctrl with the wheel during a running smooth scroll does not zoom.
  Panel->DocH = 5000;
  Panel->SetTargetPosition(0, 500);
  Wheel(120, ssCtrl);
  Tick();
  EXPECT_EQ(Panel->Scale(), 200);
}

TEST_F(PanelInputTest, TicksAfterTheEndFindNothing) {
  Panel->DocH = 5000;
  auto step = Panel->AnimationStep();
  Panel->SetTargetPosition(0, 1000);
  step(10);  // a tick posted by hand, as a pass would
  Panel.reset();
  step(10);  // and one from a thread that has not seen the panel end
  EXPECT_NO_FATAL_FAILURE(TDispatcher::Main().Drain());
  AnimationThread().RunPass(10);
  TDispatcher::Main().Drain();
  EXPECT_EQ(AnimationThread().ProcCount(), 0u);
}

// The animation thread running on its own while the page is rebuilt again
// and again under smooth scrolls and zooms: ticks of a subscription that a
// rebuild dropped, or that arrive after it, find nothing to move.
TEST_F(PanelInputTest, SmoothScrollAndZoomDuringRebuilds) {
  SetAnimationThread(std::make_unique<TAnimationThread>());
  struct TRestore {
    ~TRestore() { SetAnimationThread(std::make_unique<TAnimationThread>(false)); }
  } restore;
  Panel->TickCount = nullptr;
  const std::vector<String> page{u"<body style='margin:0'><div style='height:4000px;background:#eee'>x</div>"};
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
  for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
    Panel->SetHTML(page);
    Panel->SetTargetPosition(0, (i % 7) * 300);
    if (i % 3 == 0) Panel->SetTargetScale(100 + (i % 5) * 20);
    const auto slice = std::chrono::steady_clock::now() + std::chrono::milliseconds(15);
    while (std::chrono::steady_clock::now() < slice) {
      while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
      TDispatcher::Main().Drain();
      g_usleep(1000);
    }
  }
  EXPECT_GT(Panel->Scale(), 0);
  EXPECT_GE(Panel->OffsetY, 0);
  EXPECT_LE(Panel->OffsetY, std::max(0, Panel->DocumentPixelHeight() - Panel->ClientHeight()));
}

TEST_F(PanelInputTest, ScaleFollowsTheDpiAndZoomKeepsThePointInPlace) {
  Panel->SetDPI(144);
  EXPECT_EQ(Panel->Scale(), 100);
  EXPECT_FLOAT_EQ(Panel->Doc()->Surface->ScaleFactor(), 1.5f);
  Panel->SetScale(200);
  EXPECT_FLOAT_EQ(Panel->Doc()->Surface->ScaleFactor(), 3.0f);
  Panel->SetDPI(96);  // the percent stays
  EXPECT_EQ(Panel->Scale(), 200);
  Panel->SetScale(100);
  // The toolkit's scale factor of 2 (a high-DPI screen) is 192 DPI.
  EXPECT_EQ(Panel->CurrentDPI, 96);
  Panel->ScaleFactorChanged(2);
  EXPECT_EQ(Panel->CurrentDPI, 192);
  EXPECT_EQ(Panel->Scale(), 100);
  EXPECT_FLOAT_EQ(Panel->Doc()->Surface->ScaleFactor(), 2.0f);
  Panel->ScaleFactorChanged(1);
  EXPECT_EQ(Panel->CurrentDPI, 96);

  // Without ScaleFromCenter the top-left document point stays.
  Panel->DocH = 20000;
  Panel->OffsetY = 300;
  Panel->SetScale(200);
  EXPECT_EQ(Panel->OffsetY, 600);
  Panel->SetScale(100);
  // With it, the point under the given client point stays.
  Panel->FScaleFromCenter = true;
  Panel->OffsetY = 300;
  const int ch = Panel->ClientHeight();
  Panel->ScalefromPoint(200, TPoint{0, ch / 2}, false);
  EXPECT_EQ(Panel->OffsetY, (300 + ch / 2) * 2 - ch / 2);
}

TEST_F(PanelInputTest, APinchEndsOnWholeSteps) {
  struct Case {
    int endDistance, want;
  } cases[] = {{97, 100}, {104, 100}, {15, 20}, {150, 150}};
  for (const Case& c : cases) {
    Panel->SetScale(100);
    bool handled = false;
    Panel->DoGesture({TGestureEventInfo::igiZoom, TGestureEventInfo::gfBegin, {}, 100}, handled);
    EXPECT_TRUE(Panel->fInZoom);
    Panel->DoGesture({TGestureEventInfo::igiZoom, TGestureEventInfo::gfEnd, {}, c.endDistance}, handled);
    EXPECT_TRUE(handled);
    EXPECT_FALSE(Panel->fInZoom);
    EXPECT_EQ(Panel->Scale(), c.want) << c.endDistance;
  }
  // A pan without a selection is the platform's.
  bool handled = true;
  Panel->DoGesture({TGestureEventInfo::igiPan, 0, {10, 10}, 0}, handled);
  EXPECT_FALSE(handled);
}

TEST_F(PanelInputTest, KeysScrollAtOnce) {
  Panel->DocH = 5000;
  const int bottom = 5000 - Panel->ClientHeight();
  struct Case {
    int from;
    uint16_t key;
    TShiftState shift;
    int want;
  } cases[] = {
      {100, ui::VK_DOWN, 0, 116},     {100, ui::VK_UP, 0, 84},
      {100, ui::VK_END, ssCtrl, bottom}, {100, ui::VK_END, 0, 100},
      {900, ui::VK_HOME, ssCtrl, 0},  {100, ui::VK_NEXT, 0, 100 + Panel->Height()},
      {900, ui::VK_PRIOR, 0, 900 - Panel->Height()}, {100, ui::VK_LEFT, 0, 100},
  };
  for (const Case& c : cases) {
    Panel->OffsetY = c.from;
    Key(c.key, c.shift);
    EXPECT_EQ(Panel->OffsetY, c.want) << "key " << c.key;
  }
  // A key handler may take the key; with the keyboard off nothing moves.
  Panel->OffsetY = 100;
  Panel->OnKeyDown = [](ui::TCustomPanel&, uint16_t& K, TShiftState) { K = 0; };
  EXPECT_EQ(Key(ui::VK_DOWN), 0);
  EXPECT_EQ(Panel->OffsetY, 100);
  Panel->OnKeyDown = nullptr;
  Panel->fDisableKeyboard = true;
  Key(ui::VK_DOWN);
  EXPECT_EQ(Panel->OffsetY, 100);
  ui::TMessage m{ui::WM_GETDLGCODE, 0, 0, 0};
  Panel->Dispatch(m);
  EXPECT_EQ(m.Result, 131);
}

TEST_F(PanelInputTest, ClickedElementsRaiseThePanelsEvents) {
  Panel->SetHTML({u"<p><a id=l href='index2.html'>link</a></p>"});
  Settle();  // the document takes pointer input once it has been painted
  TElement* link = Panel->Doc()->GetElementbyId(u"l");
  ASSERT_NE(link, nullptr);
  std::vector<std::string> log;
  Panel->fOnUrlClick = [&](TElement*) { log.push_back("url"); };
  Panel->fOnElementClick = [&](TElement*) { log.push_back("element"); };
  Panel->fOnElementClickEx = [&](TElement*, TMouseButton B, TShiftState S) {
    log.push_back("ex " + std::to_string(int(B)) + ((S & ssRight) ? " right" : ""));
  };
  struct Case {
    TMouseButton button;
    bool wheelBetween;
    std::vector<std::string> want;
  } cases[] = {
      {mbLeft, false, {"url", "element", "ex 0"}},
      {mbRight, false, {"ex 1 right"}},  // a right release: only the extended event
      {mbLeft, true, {}},                 // a wheel turn between press and release cancels the click
  };
  Panel->DocH = 5000;
  // The document finds the link under the pointer and reports its click
  // during the release; of a link's chain only the link is reported.
  const TRectF box = link->Rects(link->StartLine());
  const TPointF at = Panel->Doc()->DocumenttoViewport(
      TPointF{link->RealLeft() + (box.Left + box.Right) / 2, link->RealTop() + (box.Top + box.Bottom) / 2});
  const int x = int(at.X), y = int(at.Y);
  for (const Case& c : cases) {
    log.clear();
    Panel->InputMouseDown(c.button, 0, x, y);
    if (c.wheelBetween) Wheel(-120);
    Panel->InputMouseUp(c.button, 0, x, y);
    EXPECT_EQ(log, c.want) << int(c.button) << c.wheelBetween;
    EXPECT_TRUE(Panel->fUrlClickList.empty());
  }
}

TEST_F(PanelInputTest, ALinkHandlerThatRaisesStillGetsItsRebuild) {
  Panel->SetHTML({u"<a id=l href='x'>link</a>"});
  TElement* link = Panel->Doc()->GetElementbyId(u"l");
  Panel->fOnUrlClick = [&](TElement*) {
    Panel->SetHTML({u"<p id=after>after</p>"});
    throw Exception(u"cannot open");
  };
  Panel->InputMouseDown(mbLeft, 0, 5, 5);
  Panel->DoClick(link);
  EXPECT_THROW(Panel->InputMouseUp(mbLeft, 0, 5, 5), Exception);
  EXPECT_NE(Panel->Doc()->GetElementbyId(u"after"), nullptr);
  EXPECT_TRUE(Panel->fUrlClickList.empty());
}

TEST_F(PanelInputTest, AnchorsAndElementsScrollIntoView) {
  std::vector<String> html{u"<body style='margin: 0'><a id=l href='#intro'>to intro</a>"
                           u"<div style='height: 2000px'></div><h2 id=intro style='margin: 0'>Intro</h2>"
                           u"<div style='height: 2000px'></div><a id=bare href='#'>bare</a></body>"};
  Panel->SetHTML(html);
  THtDocument* doc = Panel->Doc();
  TElement* link = doc->GetElementbyId(u"l");
  TElement* intro = doc->GetElementbyId(u"intro");
  ASSERT_TRUE(link && intro);
  const float introTop = intro->RealTop() + intro->Rects(0).Top;
  ASSERT_GT(introTop, 1900);
  for (int percent : {100, 200}) {
    Panel->SetScale(percent);
    Panel->OffsetY = 0;
    Panel->InputMouseDown(mbLeft, 0, 5, 5);
    Panel->DoClick(link);
    Panel->InputMouseUp(mbLeft, 0, 5, 5);
    // The element's top is 10 document pixels below the window's top.
    EXPECT_NEAR(introTop * percent / 100.0 - Panel->OffsetY, 10 * percent / 100.0, 1) << percent;
  }
  Panel->SetScale(100);
  // A visible element stays where it is; one below comes up to the bottom.
  const int shown = Panel->OffsetY;
  Panel->ScrollIntoView(intro);
  EXPECT_EQ(Panel->OffsetY, shown);
  Panel->OffsetY = 0;
  Panel->ScrollIntoView(intro);
  const float introBottom = intro->RealTop() + intro->Rects(0).Bottom;
  EXPECT_NEAR(Panel->OffsetY, introBottom - Panel->ClientHeight(), 1);
  // Above the window: its top meets the window's top.
  Panel->OffsetY = 3000;
  Panel->ScrollIntoView(intro);
  EXPECT_NEAR(Panel->OffsetY, introTop, 1);
  // Centred smoothly; the horizontal offset goes back to 0.
  Panel->OffsetX = 20;
  Panel->ScrollIntoCenter(intro);
  for (int i = 0; i < 25; ++i) Tick();
  EXPECT_NEAR(Panel->OffsetY, intro->PageY() - Panel->ClientHeight() / 2, 3);
  EXPECT_EQ(Panel->OffsetX, 0);
}

TEST_F(PanelInputTest, LeavingTheWindowEndsTheHintAndAWheelTiltScrollsAcross) {
  Panel->SetHTML({u"<div style='width: 3000px; height: 3000px'></div>"});
  Panel->HintElement = Panel->Doc()->Body();
  ui::TMessage leave{ui::CM_MOUSELEAVE, 0, 0, 0};
  Panel->Dispatch(leave);
  EXPECT_EQ(Panel->HintElement, nullptr);
  Panel->PostWheelMessage(true, 120, 0, ScreenPoint(5, 5));
  TDispatcher::Main().Drain();
  for (int i = 0; i < 25; ++i) Tick();
  EXPECT_EQ(Panel->OffsetX, 120);
}

// A seeded storm of input: presses, moves and releases anywhere, wheel
// steps of any size, zooms and scroll targets of any integer, keys, ticks
// and rebuilds asked for by click handlers. It must end without a crash or
// a hang, with the offsets inside the document and a positive scale.
TEST_F(PanelInputTest, AStormOfInputEndsSoundly) {
  std::vector<String> page{u"<body><a id=l href='#t'>link</a><div style='height: 3000px; width: 2000px'></div>"
                           u"<p id=t>target</p></body>"};
  Panel->SetHTML(page);
  Panel->fOnUrlClick = [&](TElement*) { Panel->SetHTML(page); };
  Panel->fOnElementClick = [&](TElement* E) { Panel->FollowAnchor(E); };
  std::mt19937 rnd(20261211);
  auto any = [&] { return int(rnd()); };
  auto small = [&](int N) { return int(rnd() % unsigned(N)); };
  const uint16_t keys[] = {ui::VK_PRIOR, ui::VK_NEXT, ui::VK_END, ui::VK_HOME, ui::VK_UP, ui::VK_DOWN, '0', ui::VK_ADD,
                           ui::VK_SUBTRACT};
  for (int i = 0; i < 10000; ++i) {
    const TShiftState shift = TShiftState(rnd() & (ssShift | ssCtrl | ssLeft | ssDouble));
    const int x = small(3) == 0 ? any() : small(700) - 30, y = small(3) == 0 ? any() : small(500) - 30;
    switch (small(12)) {
      case 0: Panel->InputMouseDown(TMouseButton(small(3)), shift, x, y); break;
      case 1: Panel->InputMouseMove(shift, x, y); break;
      case 2:
        if (small(4) == 0 && Panel->Doc()) Panel->DoClick(Panel->Doc()->GetElementbyId(u"l"));
        Panel->InputMouseUp(TMouseButton(small(3)), shift, x, y);
        break;
      case 3: Panel->PostWheelMessage(small(4) == 0, small(2) ? any() : small(481) - 240, shift, TPoint{x, y}); break;
      case 4: Panel->SetScale(small(2) ? any() : small(400)); break;
      case 5: Panel->SetTargetPosition(small(2) ? any() : small(4000), small(2) ? any() : small(4000)); break;
      case 6: Key(keys[small(9)], shift); break;
      case 7: Panel->SetTargetScale(small(2) ? any() : small(400) + 1); break;
      case 8: TDispatcher::Main().Drain(); break;
      default: Tick(small(30) + 1); break;
    }
    ASSERT_GT(Panel->Doc()->Surface->ScaleFactor(), 0.0f) << i;
  }
  TDispatcher::Main().Drain();
  Settle();
  EXPECT_GE(Panel->OffsetY, 0);
  EXPECT_GE(Panel->OffsetX, 0);
  EXPECT_LE(Panel->OffsetY, std::max(0, Panel->DocumentPixelHeight() - Panel->ClientHeight()));
  EXPECT_LE(Panel->OffsetX, std::max(0, Panel->DocumentPixelWidth() - Panel->ClientWidth()));
}

}  // namespace
}  // namespace ht::testing
