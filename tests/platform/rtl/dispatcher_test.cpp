#include "platform/rtl/dispatcher.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace ht {
namespace {

using namespace std::chrono_literals;

// Collects log lines for one test and restores the previous sink.
struct LogCapture {
  std::vector<String> lines;
  TLogSink previous;
  LogCapture() {
    previous = SetLogSink([this](StringView m) { lines.emplace_back(m); });
  }
  ~LogCapture() { SetLogSink(std::move(previous)); }
};

TEST(Dispatcher, RunsInOrderAndLeavesCallsPostedWhileDrainingForTheNextDrain) {
  TDispatcher d;
  std::vector<int> ran;
  d.Post([&] { ran.push_back(1); });
  d.Post([&] {
    ran.push_back(2);
    d.Post([&] { ran.push_back(4); });  // must not run in this drain
  });
  d.Post([&] { ran.push_back(3); });
  EXPECT_EQ(d.Drain(), 3);
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(d.Pending(), 1u);
  EXPECT_EQ(d.Drain(), 1);
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(d.Drain(), 0);
}

TEST(Dispatcher, CoalescesOnlyPendingCallsOfOneKeyAndOneTarget) {
  TDispatcher d;
  TLiveness a, b;
  std::vector<String> ran;
  auto call = [&](String s) { return [&ran, s] { ran.push_back(s); }; };
  EXPECT_TRUE(d.Post(call(u"a1"), a.Token(), 7));
  EXPECT_TRUE(d.Post(call(u"x"), {}, 0));
  EXPECT_TRUE(d.Post(call(u"x"), {}, 0));           // key 0 never coalesces
  EXPECT_FALSE(d.Post(call(u"a2"), a.Token(), 7));  // replaces a1 in its place
  EXPECT_TRUE(d.Post(call(u"b1"), b.Token(), 7));   // same key, other target
  EXPECT_TRUE(d.Post(call(u"a-other"), a.Token(), 8));
  d.Drain();
  EXPECT_EQ(ran, (std::vector<String>{u"a2", u"x", u"x", u"b1", u"a-other"}));

  // A key whose call is running queues anew.
  ran.clear();
  d.Post([&] { EXPECT_TRUE(d.Post(call(u"again"), a.Token(), 7)); }, a.Token(), 7);
  d.Drain();
  d.Drain();
  EXPECT_EQ(ran, (std::vector<String>{u"again"}));
}

TEST(Dispatcher, SkipsCallsWhoseTargetDied) {
  TDispatcher d;
  int ran = 0;
  auto owner = std::make_unique<TLiveness>();
  TLivenessToken token = owner->Token();
  EXPECT_TRUE(d.Post([&] { ++ran; }, token));
  owner.reset();
  EXPECT_EQ(d.Drain(), 0);
  EXPECT_FALSE(d.Post([&] { ++ran; }, token));  // refused at once
  EXPECT_EQ(d.Pending(), 0u);
  EXPECT_EQ(ran, 0);

  // A dead target's pending call must not swallow a live target's call that
  // happens to share its key.
  auto first = std::make_unique<TLiveness>();
  d.Post([&] { ++ran; }, first->Token(), 1);
  first.reset();
  TLiveness second;
  EXPECT_TRUE(d.Post([&] { ++ran; }, second.Token(), 1));
  d.Drain();
  EXPECT_EQ(ran, 1);
}

TEST(Dispatcher, ACallMayFreeItsOwnTarget) {
  TDispatcher d;
  auto owner = std::make_unique<TLiveness>();
  d.Post([&] { owner.reset(); }, owner->Token());
  EXPECT_EQ(d.Drain(), 1);  // would wait for itself forever otherwise
  EXPECT_EQ(owner, nullptr);
}

TEST(Dispatcher, AThrowingCallIsLoggedAndTheRestRun) {
  LogCapture log;
  TDispatcher d;
  int ran = 0;
  d.Post([] { throw Exception(u"broken %d", 3); });
  d.Post([] { throw std::runtime_error("plain"); });
  d.Post([&] { ++ran; });
  EXPECT_EQ(d.Drain(), 3);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(log.lines, (std::vector<String>{u"Queued call failed: broken 3", u"Queued call failed: plain"}));
}

TEST(Dispatcher, WakeUpHookRunsOnThePostingThreadForNewEntriesOnly) {
  TDispatcher d;
  std::atomic<int> wakes{0};
  std::thread::id wokenOn;
  d.SetWakeUp([&] {
    wokenOn = std::this_thread::get_id();
    ++wakes;
  });
  std::thread::id poster;
  std::thread t([&] {
    poster = std::this_thread::get_id();
    d.Post([] {}, {}, 5);
    d.Post([] {}, {}, 5);  // coalesced: nothing new to wake for
  });
  t.join();
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(wokenOn, poster);
}

TEST(Dispatcher, ShutdownDropsPendingCallsAndRefusesPosts) {
  TDispatcher d;
  auto captured = std::make_shared<int>(0);
  std::weak_ptr<int> watch = captured;
  bool ran = false;
  d.Post([&ran, captured] { ran = true; });
  captured.reset();
  d.Shutdown();
  EXPECT_TRUE(watch.expired());  // the dropped call's captures are freed
  EXPECT_FALSE(d.Post([&] { ran = true; }));
  EXPECT_EQ(d.Drain(), 0);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(d.RunUntil([] { return false; }, 10s));  // returns at once
  d.Restart();
  EXPECT_TRUE(d.Post([&] { ran = true; }));
  d.Drain();
  EXPECT_TRUE(ran);
}

TEST(Dispatcher, RunUntilSleepsUntilAWorkerPostsAndGivesUpAtTheTimeout) {
  TDispatcher d;
  bool done = false;  // main thread only: set by the queued call
  std::thread worker([&] {
    std::this_thread::sleep_for(5ms);
    d.Post([&] { done = true; });
  });
  EXPECT_TRUE(d.RunUntil([&] { return done; }, 10s));
  worker.join();
  EXPECT_FALSE(d.RunUntil([] { return false; }, 5ms));
}

TEST(Dispatcher, ManyPostingThreadsKeepEachThreadsOrder) {
  TDispatcher d;
  constexpr int kThreads = 4, kEach = 200;
  std::vector<std::vector<int>> seen(kThreads);  // main thread only
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t)
    workers.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) d.Post([&seen, t, i] { seen[t].push_back(i); });
    });
  int total = 0;
  EXPECT_TRUE(d.RunUntil(
      [&] {
        total = 0;
        for (auto& s : seen) total += int(s.size());
        return total == kThreads * kEach;
      },
      30s));
  for (auto& w : workers) w.join();
  for (auto& s : seen) {
    ASSERT_EQ(s.size(), size_t(kEach));
    for (int i = 0; i < kEach; ++i) EXPECT_EQ(s[i], i);
  }
}

TEST(Liveness, DestructionWaitsForWorkersInsideAndShutsLaterOnesOut) {
  auto owner = std::make_unique<TLiveness>();
  TLivenessToken token = owner->Token();
  std::atomic<bool> inside{false}, release{false}, left{false}, killed{false};
  std::thread worker([&] {
    TLivenessGuard guard(token);
    ASSERT_TRUE(guard.Entered());
    inside = true;
    while (!release) std::this_thread::yield();
    left = true;
  });
  while (!inside) std::this_thread::yield();
  std::thread killer([&] {
    owner.reset();
    EXPECT_TRUE(left);  // the destructor returned only after the worker left
    killed = true;
  });
  std::this_thread::sleep_for(2ms);
  EXPECT_FALSE(killed);
  release = true;
  killer.join();
  worker.join();
  EXPECT_FALSE(token.Alive());
  TLivenessGuard late(token);
  EXPECT_FALSE(late.Entered());
}

}  // namespace
}  // namespace ht
