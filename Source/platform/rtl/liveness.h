#pragma once
// Liveness tokens: how a worker thread (or a queued call) reaches an object
// that the main thread may free at any moment. The owner holds a TLiveness;
// workers hold TLivenessToken copies and enter only while the owner lives.
// The owner's destruction marks the token dead and then waits for every
// thread still inside, so nothing runs on a half-destroyed object.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ht {

class TLivenessState {
 public:
  // False once the owner began its destruction; otherwise counts the calling
  // thread as inside until the matching Leave.
  bool Enter();
  void Leave();
  bool Alive() const;
  // Marks the state dead and waits until no thread other than the caller is
  // inside. The caller itself may be inside (a queued call that frees its own
  // target): waiting for it would never end.
  void Kill();

 private:
  mutable std::mutex lock_;
  std::condition_variable left_;
  bool alive_ = true;
  std::vector<std::thread::id> inside_;
};

// A copyable handle to an owner's liveness; empty means "no target".
class TLivenessToken {
 public:
  TLivenessToken() = default;
  explicit TLivenessToken(std::shared_ptr<TLivenessState> state) : state_(std::move(state)) {}

  bool Empty() const { return !state_; }
  bool Alive() const { return state_ && state_->Alive(); }
  bool Enter() const { return state_ && state_->Enter(); }
  void Leave() const {
    if (state_) state_->Leave();
  }
  bool operator==(const TLivenessToken& other) const { return state_ == other.state_; }

 private:
  std::shared_ptr<TLivenessState> state_;
};

// Owned by the object whose life the token reports. Destroying it (or an
// earlier Kill, which the owner calls first thing in its destructor when its
// members must outlive the workers) ends the life and waits for workers.
class TLiveness {
 public:
  TLiveness() : state_(std::make_shared<TLivenessState>()) {}
  ~TLiveness() { Kill(); }
  TLiveness(const TLiveness&) = delete;
  TLiveness& operator=(const TLiveness&) = delete;

  TLivenessToken Token() const { return TLivenessToken(state_); }
  void Kill() { state_->Kill(); }
  bool Alive() const { return state_->Alive(); }

 private:
  std::shared_ptr<TLivenessState> state_;
};

// Enters a token for one scope; test Entered() before touching the target.
class TLivenessGuard {
 public:
  explicit TLivenessGuard(TLivenessToken token) : token_(std::move(token)), entered_(token_.Enter()) {}
  ~TLivenessGuard() {
    if (entered_) token_.Leave();
  }
  TLivenessGuard(const TLivenessGuard&) = delete;
  TLivenessGuard& operator=(const TLivenessGuard&) = delete;
  bool Entered() const { return entered_; }

 private:
  TLivenessToken token_;
  bool entered_;
};

}  // namespace ht
