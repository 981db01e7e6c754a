#pragma once
// Calls queued to the main thread. Worker threads never touch layout, element
// flags or widgets themselves: they post a call here, and the main thread runs
// it when it drains the queue (the GTK main loop in the app, Drain or RunUntil
// in tests).
//
// - FIFO: calls run in the order they were posted.
// - Coalescing: a call posted with a key while a call with the same key and
//   the same target is still pending replaces that call's function and keeps
//   its place, so a burst of "repaint" requests runs once with the latest
//   function. Once a call starts running, the same key queues anew.
// - Targets: a call posted with a liveness token runs inside it and is
//   skipped when the target died meanwhile.
// - Shutdown drops every pending call and refuses later posts.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/rtl/liveness.h"

namespace ht {

class TDispatcher {
 public:
  using TCall = std::function<void()>;
  // 0 = no coalescing. Callers build keys from a fixed tag per kind of call.
  using TKey = std::uintptr_t;

  TDispatcher() = default;
  ~TDispatcher();
  TDispatcher(const TDispatcher&) = delete;
  TDispatcher& operator=(const TDispatcher&) = delete;

  // The process's queue to the main thread.
  static TDispatcher& Main();

  // Any thread. False when the call was not queued as a new entry: it
  // coalesced into a pending one, its target is already dead, or the
  // dispatcher was shut down.
  bool Post(TCall fn, TLivenessToken target = {}, TKey key = 0);

  // Main thread. Runs the calls pending when it starts (calls they post wait
  // for the next drain, so a call that posts itself cannot spin) and returns
  // how many ran. A call that throws is reported to the log sink; the rest
  // still run.
  int Drain();
  // Main thread. Drains until pred() holds or the timeout passes, sleeping
  // while the queue is empty; returns pred()'s last answer.
  bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

  // Called on the posting thread after a call was queued as a new entry; the
  // GTK host wakes its main loop from it. Must not post or drain.
  void SetWakeUp(std::function<void()> wake);

  // Drops every pending call and refuses posts until Restart.
  void Shutdown();
  // Accepts posts again after Shutdown (units started again in one process).
  void Restart();

  std::size_t Pending() const;
  bool IsShutDown() const;

 private:
  struct TEntry {
    std::uint64_t id;
    TCall fn;
    TLivenessToken target;
    TKey key;
  };

  mutable std::mutex lock_;
  std::condition_variable posted_;
  std::deque<TEntry> queue_;
  std::uint64_t nextId_ = 1;
  bool shutDown_ = false;
  std::function<void()> wake_;
};

}  // namespace ht
