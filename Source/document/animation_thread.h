#pragma once
// The process-wide animation thread ("HTAnimation"): every 10 ms it steps the
// running animations of the documents registered with it and calls the
// subscribed procedures (smooth scrolling and zooming of the host). It never
// restyles, lays out or paints: when a document changed it posts one
// RepaintDocs call to the main thread's dispatcher.
//
// Locks: Docs (held for a whole document pass, and by RepaintDocs on the main
// thread) and Procs are re-entrant, because RepaintDocs -> restyle ->
// AddAnimation -> RegisterDoc comes back on the same thread. RegisterDoc only
// takes a small lock of its own, since AddAnimation calls it holding the
// document's animation lock, which the pass takes inside the Docs lock.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "markup/object_list.h"
#include "platform/rtl/dispatcher.h"
#include "platform/rtl/liveness.h"

namespace ht {

// Called with the milliseconds since the previous pass (at least Step).
using THtAnimationProc = std::function<void(int32_t Step)>;
// Monotonic time in microseconds; tests inject their own.
using TAnimationClock = std::function<int64_t()>;

class TBaseAnimationThread {
 public:
  // AStart false makes a thread that never runs by itself: tests drive it
  // with RunPass. Calls for the main thread go to ADispatcher.
  explicit TBaseAnimationThread(bool AStart = true, TAnimationClock AClock = {},
                                TDispatcher* ADispatcher = &TDispatcher::Main());
  virtual ~TBaseAnimationThread();
  TBaseAnimationThread(const TBaseAnimationThread&) = delete;
  TBaseAnimationThread& operator=(const TBaseAnimationThread&) = delete;

  std::atomic<int32_t> Step{10};      // sleep between passes in milliseconds
  std::atomic<bool> Disabled{false};  // passes are skipped while set

  void RegisterDoc(THtObject* Doc);
  // Once this returns, no pass steps Doc any more (it waits for a running one).
  void UnregisterDoc(THtObject* Doc);
  bool IsRegistered(THtObject* Doc);

  // The same procedure may be subscribed twice; each token removes one.
  uint64_t Subscribe(THtAnimationProc Proc);
  void Unsubscribe(uint64_t Token);
  size_t ProcCount();

  // One pass as the loop runs it, Elapsed milliseconds after the last one.
  void RunPass(int32_t Elapsed);
  // Main thread: brings every registered document's picture up to date.
  void RepaintDocs();
  // Stops the loop and waits for it; queued RepaintDocs calls are skipped.
  void Terminate();
  bool Terminated() const { return FTerminated; }

 protected:
  // Steps one document; false takes it off the thread.
  virtual bool AnimateDoc(THtObject* Doc, int32_t AStep, bool& NeedRepaint) = 0;
  virtual void RepaintDoc(THtObject* Doc) = 0;

 private:
  struct TProcRecord {
    uint64_t Token;
    THtAnimationProc Proc;
  };

  void Execute();
  void pass(int32_t Elapsed);
  bool inUnr(THtObject* Doc) const;

  std::recursive_mutex FDocsLock;
  std::vector<THtObject*> Docs;  // no duplicates; guarded by FDocsLock
  std::vector<THtObject*> Unr;   // removals pending; guarded by FDocsLock
  std::mutex FAddLock;
  std::vector<THtObject*> FAdded;  // registrations pending; guarded by FAddLock

  std::recursive_mutex FProcsLock;
  std::vector<TProcRecord> Procs;  // guarded by FProcsLock
  std::vector<uint64_t> Unp;       // removals pending; guarded by FProcsLock
  uint64_t FNextToken = 1;         // guarded by FProcsLock

  TAnimationClock FClock;
  TDispatcher* FDispatcher;
  std::atomic<bool> FTerminated{false};
  std::mutex FSleepLock;
  std::condition_variable FWake;
  TLiveness FLiveness;  // queued RepaintDocs calls run inside it
  std::thread FThread;
};

// The thread for THtDocument.
class TAnimationThread : public TBaseAnimationThread {
 public:
  using TBaseAnimationThread::TBaseAnimationThread;
  ~TAnimationThread() override;

 protected:
  bool AnimateDoc(THtObject* Doc, int32_t AStep, bool& NeedRepaint) override;
  void RepaintDoc(THtObject* Doc) override;
};

// The process's thread, made and started on first use.
TAnimationThread& AnimationThread();
bool AnimationThreadExists();
// Replaces the process's thread (null frees it, as the document unit's
// shut-down does); tests install one they drive by hand.
void SetAnimationThread(std::unique_ptr<TAnimationThread> AThread);

}  // namespace ht
