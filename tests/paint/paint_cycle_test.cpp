// The document's paint pass on the trace canvas: when it paints, what it
// clears, the update rectangles of a scroll, the selection rectangle list,
// the size hint and a canvas that raises in the middle of a pass.
#include "paint_fixture.h"

#include "canvas/image.h"
#include "document/animation_thread.h"
#include "markup/base64.h"
#include "paint/paint_cycle.h"

namespace ht::testing {
namespace {

class PaintCycleTest : public PaintTest {
 protected:
  // The tree html > body > div#a, each box placed and chained.
  // Laid out by the document's own pass: div#a at (10, 10, 110, 60).
  void Tree(StringView BodyCss, StringView DivCss) {
    Load(u"<body style='margin:0;" + String(BodyCss) + u"'><div id=a style='margin:10px;width:100px;height:50px;" +
         String(DivCss) + u"'></div></body>");
  }
  void Paint(float OffsetY = 0, TRect Clip = TRect(0, 0, 800, 600)) {
    G().Calls.clear();
    Doc->Draw(&Target, TRect(0, 0, 800, 600), Clip, 0, OffsetY, 0);
  }
  THtObject Target;
};

TEST_F(PaintCycleTest, NoTargetOrNoAreaPaintsNothing) {
  Tree(u"", u"background:red");
  int before = 0;
  Doc->BeforePaint = [&](THtObject*) { ++before; };
  G().Calls.clear();
  Doc->Draw(nullptr, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, 0, 0);
  EXPECT_EQ(before, 1);
  EXPECT_EQ(Calls(), "");
  Paint(0, TRect(100, 0, 100, 600));  // zero width
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(Doc->NeedRepaint);
  Paint();
  EXPECT_FALSE(Doc->NeedRepaint);
  EXPECT_EQ(Doc->PaintCount, 3);
}

TEST_F(PaintCycleTest, ClearsWithTheDefaultColourOnlyWithoutABackground) {
  Tree(u"", u"background:red");
  Paint();
  EXPECT_EQ(G().Only("Clear"), "Clear FFFFFFFF\n");
  EXPECT_EQ(G().Only("Fill"), "FillRect FFFF0000 10,10,110,60\n");
  EXPECT_EQ(G().Only("BeginScene") + G().Only("EndScene"), "BeginScene\nEndScene\n");
  // An opaque body background clears the whole surface instead.
  Tree(u"background:#00ff00", u"");
  Paint();
  EXPECT_EQ(G().Only("Clear"), "Clear FFFFFFFF\nClear FF00FF00\n");
  Doc->Transparent = true;
  Paint();
  EXPECT_EQ(G().Only("Clear"), "Clear FF00FF00\n");
}

TEST_F(PaintCycleTest, ScrollAddsFixedAndFilterRectangles) {
  Tree(u"", u"");
  Doc->CalcSize(800, 600);  // layout fills the list afresh
  Doc->ScrollRepaintList = {{true, TRectF{0, 0, 100, 20}},
                            {false, TRectF{0, 1010, 50, 1030}},
                            {false, TRectF{0, 0, 50, 20}}};
  std::vector<TRect> updates;
  Doc->BeforeBeginScene = [&](THtDocument*, THtCanvasScene& S) { updates = S.UpdateRects; };
  Doc->Surface->Scene.ScrollY = 5;
  Paint(-1000);
  ASSERT_EQ(updates.size(), 2u);
  // A fixed box stays where the view is; a filtered one moves with the
  // document and is added only when it meets the view.
  EXPECT_EQ(updates[0].Top, 0);
  EXPECT_EQ(updates[0].Right, 100);
  EXPECT_EQ(updates[1].Top, 10);
  EXPECT_EQ(updates[1].Bottom, 30);
}

// The rectangles of a scroll frame are not carried into the next one: a
// second scroll gets its own, a frame without a scroll repaints the view.
// Painted straight onto the target, so no fresh buffer starts them afresh.
TEST_F(PaintCycleTest, ScrollRectanglesLastOneFrame) {
  Tree(u"", u"");
  Doc->DoubleBuffered = false;
  Doc->CalcSize(800, 600);
  Doc->ScrollRepaintList = {{true, TRectF{0, 0, 100, 20}}, {false, TRectF{0, 1010, 50, 1030}}};
  std::vector<TRect> updates;
  Doc->BeforeBeginScene = [&](THtDocument*, THtCanvasScene& S) { updates = S.UpdateRects; };
  for (int frame = 0; frame < 2; ++frame) {
    Doc->Surface->Scene.ScrollY = 5;
    Paint(-1000.0f + 40 * float(frame));
    ASSERT_EQ(updates.size(), 2u) << frame;
    EXPECT_EQ(updates[1].Top, 10 + 40 * frame) << frame;
  }
  Doc->Surface->Scene.ScrollY = 0;
  Paint(-960);
  EXPECT_TRUE(updates.empty());
  EXPECT_TRUE(Doc->Surface->Scene.UpdateRects.empty());
}

// A paint that drew an animated picture keeps the document on the animation
// thread, which reads the flag from its own thread; one without lets it go.
TEST_F(PaintCycleTest, AnimatedImagesKeepTheDocumentOnTheAnimationThread) {
  SetAnimationThread(std::make_unique<TAnimationThread>(false));
  Tree(u"", u"background-image:url(data:image/png;base64," + FastEncodeBase64(TracePng(4, 4)) + u")");
  Paint();
  ASSERT_NE(Doc->FImages, nullptr);
  ASSERT_GT(Doc->FImages->Count(), 0);
  EXPECT_FALSE(Doc->HasAnimatedImages());
  for (int32_t i = 0; i < Doc->FImages->Count(); ++i)
    if (auto* image = static_cast<THtImage*>(Doc->FImages->GetObject(i))) image->Animated = true;
  Paint();
  EXPECT_TRUE(Doc->HasAnimatedImages());
  EXPECT_TRUE(Doc->SubscribedtoAnimation);
  TAnimationThread& thread = AnimationThread();
  thread.RunPass(10);
  EXPECT_TRUE(thread.IsRegistered(Doc.get()));

  for (int32_t i = 0; i < Doc->FImages->Count(); ++i)
    if (auto* image = static_cast<THtImage*>(Doc->FImages->GetObject(i))) image->Animated = false;
  Paint();
  EXPECT_FALSE(Doc->HasAnimatedImages());
  thread.RunPass(10);
  EXPECT_FALSE(thread.IsRegistered(Doc.get()));
  Doc.reset();
  SetAnimationThread(std::make_unique<TAnimationThread>(false));
}

TEST_F(PaintCycleTest, SelectionRectanglesKeepRowsInOrder) {
  Load(u"<body></body>");
  auto order = [&] {
    std::string s;
    for (const TRectF& r : Doc->FSelectionRects) s += std::to_string(int(r.Left)) + "," + std::to_string(int(r.Top)) + " ";
    return s;
  };
  // One row arriving right to left ends up left to right.
  for (float x : {40.0f, 20.0f, 0.0f}) AddSelectionRect(*Doc, TRectF{x, 10, x + 10, 20});
  EXPECT_EQ(order(), "0,10 20,10 40,10 ");
  // Above every entry: to the front. Equal tops keep arrival order.
  AddSelectionRect(*Doc, TRectF{5, 0, 15, 5});
  AddSelectionRect(*Doc, TRectF{100, 30, 110, 40});
  AddSelectionRect(*Doc, TRectF{0, 30, 10, 40});
  EXPECT_EQ(order(), "5,0 0,10 20,10 40,10 0,30 100,30 ");
  EXPECT_EQ(IntervalOverlap(0, 10, 5, 20), 5);
  EXPECT_EQ(IntervalOverlap(0, 10, 10, 20), 0);
}

TEST_F(PaintCycleTest, PercentageCellOfATableWithoutWidthShowsPixels) {
  Load(u"<body><div id=t></div><div id=c style='width:50%'></div></body>");
  TElement* table = Place(u"t", TRectF{0, 0, 0, 30});
  TElement* cell = Place(u"c", TRectF{0, 0, 40, 30});
  CellTableHook() = [&](const TElement& E) { return &E == cell ? table : nullptr; };
  Doc->SizingElement = cell;
  cell->IncludeFlag(efHSizeTracking);
  EXPECT_EQ(ResizeHintText(*cell), u"40 px");
  table->OuterRect = TRectF{0, 0, 120, 30};
  EXPECT_EQ(ResizeHintText(*cell), u"33.3%");
  // Near the top of the view the hint box starts at 0.
  DrawResizeHint(*Doc);
  EXPECT_EQ(Calls(), "Smooth on\nFillRoundRect E0EEEEEE 35,-5,110,18 r10,10\nSmooth on\n");
  CellTableHook() = nullptr;
  Doc->SizingElement = nullptr;
}

TEST_F(PaintCycleTest, ACanvasThatRaisesStaysBalanced) {
  Tree(u"overflow:hidden", u"background:red;border:2px solid blue;border-radius:4px;transform:rotate(10deg);"
                           u"overflow:hidden;box-shadow:2px 2px 3px black;outline:1px solid red");
  G().CallCount = 0;
  Paint();
  const int calls = G().CallCount;
  ASSERT_GT(calls, 10);
  for (int n = 1; n <= calls; ++n) {
    G().ThrowAtCall = n;
    G().CallCount = 0;
    G().Balance = 0;
    EXPECT_THROW(Paint(), Exception) << n;
    EXPECT_EQ(G().Balance, 0) << "call " << n << "\n" << Calls();
    if (n > 1) {
      EXPECT_EQ(G().Calls.back(), "EndScene") << n;
    }
  }
  G().ThrowAtCall = 0;
}

TEST_F(PaintCycleTest, RawPaintDrawsIntoASceneBegunElsewhere) {
  Tree(u"", u"background:red");
  Doc->Draw(&Target, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, 0, 0);  // lays the page out
  TTraceCanvas other;
  other.Groups = TTraceCanvas::tcAll;
  THtCanvasScene scene;
  scene.Init(TRect(5, 7, 405, 307), nullptr);
  other.BeginScene(scene);
  other.Calls.clear();
  const int before = Doc->PaintCount;
  Doc->RawPaint(other, scene);
  // No scene of its own, the view's corner as the origin, the clip in it,
  // and the document's own surface back afterwards.
  EXPECT_EQ(Doc->PaintCount, before + 1);
  EXPECT_EQ(other.Only("BeginScene") + other.Only("EndScene"), "");
  // A buffered document leaves clearing to whoever began the scene.
  EXPECT_EQ(other.Only("Clear"), Doc->DoubleBuffered ? "" : "Clear FFFFFFFF\n");
  EXPECT_NE(other.Joined().find("MatrixTransform= translate(5,7)\nIntersectClip 0,0,400,300"), std::string::npos)
      << other.Joined();
  EXPECT_NE(other.Joined().find("FillRect FFFF0000 10,10,110,60"), std::string::npos) << other.Joined();
  EXPECT_EQ(other.Balance, 0);
  EXPECT_EQ(Doc->Surface.get(), &G());
}

}  // namespace
}  // namespace ht::testing
