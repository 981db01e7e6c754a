#pragma once
// A timer of the main loop: OnTimer runs every Interval milliseconds while
// Enabled (a GLib timeout). Changing the interval or enabling again
// restarts the count; a handler may stop or free its own timer.
#include <functional>
#include <memory>

namespace ht::ui {

class TTimer {
 public:
  explicit TTimer(int AInterval = 1000) : FInterval(AInterval) {}
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  std::function<void()> OnTimer;
  bool Enabled() const { return FSource != 0; }
  void SetEnabled(bool Value);
  int Interval() const { return FInterval; }
  void SetInterval(int Value);

 private:
  static int tick(void* Self);
  unsigned FSource = 0;
  int FInterval;
  // Cleared when the timer is freed inside its own handler.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

}  // namespace ht::ui
