#include "platform/rtl/liveness.h"

#include <algorithm>
#include <cassert>

namespace ht {

bool TLivenessState::Enter() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!alive_) return false;
  inside_.push_back(std::this_thread::get_id());
  return true;
}

void TLivenessState::Leave() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = std::find(inside_.begin(), inside_.end(), std::this_thread::get_id());
    assert(it != inside_.end() && "Leave without Enter on this thread");
    if (it != inside_.end()) inside_.erase(it);
  }
  left_.notify_all();
}

bool TLivenessState::Alive() const {
  std::lock_guard<std::mutex> hold(lock_);
  return alive_;
}

void TLivenessState::Kill() {
  std::unique_lock<std::mutex> hold(lock_);
  alive_ = false;
  const auto self = std::this_thread::get_id();
  left_.wait(hold, [&] {
    return std::all_of(inside_.begin(), inside_.end(), [&](std::thread::id id) { return id == self; });
  });
}

}  // namespace ht
