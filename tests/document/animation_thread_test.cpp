#include "document/animation_thread.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "canvas/image.h"
#include "document/animation.h"
#include "document_fixture.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/log.h"

namespace ht::testing {
namespace {

using namespace std::chrono_literals;

struct LogCapture {
  std::mutex lock;
  std::vector<String> lines;
  TLogSink previous;
  LogCapture() {
    previous = SetLogSink([this](StringView m) {
      std::lock_guard<std::mutex> hold(lock);
      lines.emplace_back(m);
    });
  }
  ~LogCapture() { SetLogSink(std::move(previous)); }
  std::vector<String> Lines() {
    std::lock_guard<std::mutex> hold(lock);
    return lines;
  }
};

// An animation the test controls: it counts its steps and may throw or
// dawdle inside the pass.
struct TProbeAnimation : TAbstractAnimation {
  std::atomic<int>* steps = nullptr;
  int life = 1 << 30;  // steps until it ends
  bool throws = false;
  std::chrono::milliseconds dawdle{0};
  bool Active() const override { return life > 0; }
  bool NextStep(int32_t) override {
    if (throws) throw Exception(u"bad step");
    if (steps) ++*steps;
    if (dawdle.count()) std::this_thread::sleep_for(dawdle);
    return --life > 0;
  }
};

// An animated image with a new frame every second step of 10 ms; it notes
// the thread its frame is selected on.
struct TProbeImage : THtImage {
  int elapsed = 0, frame = 0, shown = 0;
  std::thread::id selectedOn;
  bool NextFrame(int ElapsedMs) override {
    elapsed += ElapsedMs;
    if (elapsed < 20) return false;
    elapsed = 0;
    ++frame;
    return true;
  }
  void SelectFrame() override {
    shown = frame;
    selectedOn = std::this_thread::get_id();
  }
};

// Installs a thread of the test's own, driven by RunPass unless started,
// posting to the test's dispatcher.
class AnimationThreadTest : public DocumentTest {
 protected:
  TDispatcher dispatcher;

  TAnimationThread& Install(bool Start = false) {
    SetAnimationThread(std::make_unique<TAnimationThread>(Start, TAnimationClock{}, &dispatcher));
    return AnimationThread();
  }
  void TearDown() override { SetAnimationThread(std::make_unique<TAnimationThread>(false)); }

  std::unique_ptr<THtDocument> QuietDocument(int* repaints) {
    auto doc = NewDocument();
    doc->NeedRecalc = false;
    doc->OnRepaint = [repaints](THtObject*) { ++*repaints; };
    return doc;
  }
};

TEST_F(AnimationThreadTest, OneSecondLinearTransitionTakesAboutAHundredPassesThenTheDocumentLeaves) {
  TAnimationThread& thread = Install();
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  std::atomic<float> slot{0};
  auto* a = new TAnimatedFloat;
  a->Timing = tmLinear;
  a->Start(0, 100, 1000, 0, &slot);
  doc->AddAnimation(a);
  EXPECT_TRUE(thread.IsRegistered(doc.get()));

  int passes = 0;
  while (thread.IsRegistered(doc.get()) && passes < 1000) {
    thread.RunPass(10);
    dispatcher.Drain();
    ++passes;
  }
  EXPECT_NEAR(passes, 101, 2);  // 100 steps and one pass that finds nothing left
  EXPECT_NEAR(repaints, 100, 2);
  EXPECT_EQ(slot.load(), 100.0f);
  EXPECT_FALSE(doc->SubscribedtoAnimation);
  EXPECT_EQ(doc->ElementEvents().size(), 0u);  // no element: no transitionend

  // The next animation subscribes the document again.
  auto* b = new TAnimatedFloat;
  b->Start(0, 1, 1000, 0, &slot);
  doc->AddAnimation(b);
  EXPECT_TRUE(thread.IsRegistered(doc.get()));
}

TEST_F(AnimationThreadTest, AnInvisibleDocumentStaysRegisteredButFrozen) {
  TAnimationThread& thread = Install();
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  std::atomic<int> steps{0};
  auto* a = new TProbeAnimation;
  a->steps = &steps;
  doc->FVisible = false;
  doc->AddAnimation(a);
  for (int i = 0; i < 5; ++i) thread.RunPass(10);
  EXPECT_EQ(steps, 0);
  EXPECT_TRUE(thread.IsRegistered(doc.get()));
  EXPECT_EQ(dispatcher.Pending(), 0u);
}

TEST_F(AnimationThreadTest, AnimatedImagesAdvanceOnTheThreadAndShowTheirFrameOnTheMainThread) {
  TAnimationThread& thread = Install(true);
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  auto* image = new TProbeImage;
  image->Animated = true;
  doc->GetImage(u"x.gif", nullptr, true);  // the cache exists
  {
    std::lock_guard<std::recursive_mutex> guard(doc->FAnimationLock);
    doc->FImages->AddObject(u"probe", image);
  }
  doc->SetHasAnimatedImages(true);
  doc->SubscribetoAnimation();
  // The running thread advances the frame and hands the repaint over.
  ASSERT_TRUE(dispatcher.RunUntil([&] { return repaints > 0; }, 5s));
  EXPECT_GT(image->shown, 0);
  EXPECT_EQ(image->selectedOn, std::this_thread::get_id());
  // Without animations the document stays on the thread for its images.
  EXPECT_TRUE(thread.IsRegistered(doc.get()));
  thread.Terminate();
  doc->SetHasAnimatedImages(false);
}

TEST_F(AnimationThreadTest, TwoEndingInOnePassWhereTheEarlierChangesLayoutLeaveNeedRecalc) {
  TAnimationThread& thread = Install();
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  std::vector<String> ended;
  doc->OnAnimationEnd = [&](THtDocument*, TAbstractAnimation* A) { ended.push_back(A->AsString()); };
  for (bool layout : {true, false}) {
    auto* a = new TProbeAnimation;
    a->life = 0;  // ends at its first step
    a->NeedRecalc = layout;
    doc->AddAnimation(a);
  }
  thread.RunPass(10);
  EXPECT_TRUE(doc->NeedRecalc);
  EXPECT_TRUE(doc->NeedRepaint);
  EXPECT_EQ(doc->AnimationCount(), 0u);
  EXPECT_EQ(ended.size(), 2u);
  EXPECT_EQ(dispatcher.Pending(), 1u);  // the hand-off, once
}

TEST_F(AnimationThreadTest, TheThreadListsElementsToRestyleAndTheMainThreadClearsTheirFlags) {
  TAnimationThread& thread = Install();
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  auto* kept = static_cast<TElement*>(doc->Add(new TElement()));
  auto* deleted = static_cast<TElement*>(doc->Add(new TElement()));
  for (TElement* E : {kept, deleted}) {
    E->SetStyleCalculated(true);
    auto* a = new TProbeAnimation;
    a->ChangeStyle = true;
    a->Element = E;
    doc->AddAnimation(a);
  }
  doc->Changed = false;
  thread.RunPass(10);
  EXPECT_TRUE(doc->Changed);
  EXPECT_TRUE(kept->StyleCalculated());  // the flag word is not the thread's
  doc->DeleteChild(deleted);               // leaves the list with its animation
  EXPECT_EQ(doc->AnimationCount(), 1u);
  doc->ApplyAnimatedStyles();
  EXPECT_FALSE(kept->StyleCalculated());
}

TEST_F(AnimationThreadTest, SubscribedProceduresCountEachSubscriptionAndAThrowingOneIsDropped) {
  LogCapture log;
  TAnimationThread& thread = Install();
  std::vector<int32_t> steps;
  auto proc = [&](int32_t s) { steps.push_back(s); };
  const uint64_t first = thread.Subscribe(proc);
  thread.Subscribe(proc);
  int throws = 0;
  thread.Subscribe([&](int32_t) {
    ++throws;
    throw Exception(u"broken %d", 1);
  });
  thread.RunPass(4);  // handed at least Step
  EXPECT_EQ(steps, (std::vector<int32_t>{10, 10}));
  thread.Unsubscribe(first);
  thread.RunPass(25);
  EXPECT_EQ(steps, (std::vector<int32_t>{10, 10, 25}));
  EXPECT_EQ(throws, 1);
  EXPECT_EQ(thread.ProcCount(), 1u);
  EXPECT_EQ(log.Lines(), (std::vector<String>{u"HtAnimationThread: broken 1"}));
}

TEST_F(AnimationThreadTest, AThrowingPassIsLoggedAndThePassesGoOn) {
  LogCapture log;
  TAnimationThread& thread = Install();
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  auto* a = new TProbeAnimation;
  a->throws = true;
  doc->AddAnimation(a);
  thread.RunPass(10);
  a->throws = false;
  thread.RunPass(10);
  EXPECT_EQ(log.Lines(), (std::vector<String>{u"HtAnimationThread: bad step"}));
  EXPECT_EQ(dispatcher.Pending(), 1u);
}

TEST_F(AnimationThreadTest, AHandOffQueuedBeforeTheThreadWasFreedIsSkipped) {
  TAnimationThread& thread = Install();
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  doc->AddAnimation(new TProbeAnimation);
  thread.RunPass(10);
  ASSERT_EQ(dispatcher.Pending(), 1u);
  SetAnimationThread(std::make_unique<TAnimationThread>(false));
  EXPECT_EQ(dispatcher.Drain(), 0);
  EXPECT_EQ(repaints, 0);
}

TEST_F(AnimationThreadTest, ADocumentDestroyedMidPassWaitsForThePass) {
  Install(/*Start=*/true);
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  std::atomic<int> steps{0};
  auto* a = new TProbeAnimation;
  a->steps = &steps;
  a->dawdle = 3ms;
  doc->AddAnimation(a);
  while (steps == 0) std::this_thread::yield();
  doc.reset();  // ASan reports a pass still reaching the freed document
  const int after = steps;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(steps, after);
}

TEST_F(AnimationThreadTest, AnAnimationAddedWhileTheThreadDropsTheDocumentIsNeverStranded) {
  TAnimationThread& thread = Install(/*Start=*/true);
  thread.Step = 1;
  int repaints = 0;
  auto doc = QuietDocument(&repaints);
  for (int i = 0; i < 200; ++i) {
    auto* a = new TProbeAnimation;
    a->life = 1;
    doc->AddAnimation(a);
    if (i % 8 == 0) std::this_thread::sleep_for(1ms);
  }
  // A stranded document keeps its animation for good.
  EXPECT_TRUE(dispatcher.RunUntil([&] { return doc->AnimationCount() == 0; }, 10s));
}

}  // namespace
}  // namespace ht::testing
