#include "platform/rtl/dispatcher.h"

#include <exception>
#include <utility>

#include "platform/rtl/exception.h"
#include "platform/rtl/log.h"

namespace ht {

TDispatcher::~TDispatcher() { Shutdown(); }

TDispatcher& TDispatcher::Main() {
  static TDispatcher main;
  return main;
}

bool TDispatcher::Post(TCall fn, TLivenessToken target, TKey key) {
  if (!fn || (!target.Empty() && !target.Alive())) return false;
  std::function<void()> wake;
  TCall replaced;  // freed outside the lock: its captures may post
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (shutDown_) return false;
    if (key != 0) {
      for (TEntry& e : queue_) {
        if (e.key == key && e.target == target) {
          replaced = std::exchange(e.fn, std::move(fn));
          return false;
        }
      }
    }
    queue_.push_back(TEntry{nextId_++, std::move(fn), std::move(target), key});
    wake = wake_;
  }
  posted_.notify_all();
  if (wake) wake();
  return true;
}

int TDispatcher::Drain() {
  std::uint64_t last;
  {
    std::lock_guard<std::mutex> hold(lock_);
    last = nextId_ - 1;
  }
  int ran = 0;
  for (;;) {
    TEntry entry;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (queue_.empty() || queue_.front().id > last) break;
      entry = std::move(queue_.front());
      queue_.pop_front();
    }
    TLivenessGuard guard(entry.target);
    if (!entry.target.Empty() && !guard.Entered()) continue;
    ++ran;
    try {
      entry.fn();
    } catch (const Exception& e) {
      HtLog(u"Queued call failed: " + e.Message());
    } catch (const std::exception& e) {
      HtLog(u"Queued call failed: " + Utf8ToString(e.what()));
    } catch (...) {
      HtLog(u"Queued call failed");
    }
  }
  return ran;
}

bool TDispatcher::RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    Drain();
    if (pred()) return true;
    std::unique_lock<std::mutex> hold(lock_);
    if (!posted_.wait_until(hold, deadline, [&] { return !queue_.empty() || shutDown_; })) break;
    if (shutDown_ && queue_.empty()) break;
  }
  Drain();
  return pred();
}

void TDispatcher::SetWakeUp(std::function<void()> wake) {
  std::lock_guard<std::mutex> hold(lock_);
  wake_ = std::move(wake);
}

void TDispatcher::Shutdown() {
  std::deque<TEntry> dropped;
  {
    std::lock_guard<std::mutex> hold(lock_);
    shutDown_ = true;
    dropped.swap(queue_);
  }
  posted_.notify_all();
  // `dropped` frees the calls here, outside the lock.
}

void TDispatcher::Restart() {
  std::lock_guard<std::mutex> hold(lock_);
  shutDown_ = false;
}

std::size_t TDispatcher::Pending() const {
  std::lock_guard<std::mutex> hold(lock_);
  return queue_.size();
}

bool TDispatcher::IsShutDown() const {
  std::lock_guard<std::mutex> hold(lock_);
  return shutDown_;
}

}  // namespace ht
