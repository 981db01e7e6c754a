#include "css/css_animation.h"

#include <algorithm>

namespace ht {

void TCSSTransition::Assign(const TCSSTransition& Source) {
  Duration = Source.Duration;
  Delay = Source.Delay;
  Timing = Source.Timing;
  Prop = Source.Prop;
}

int32_t TCSSAnimation::StepDuration() {
  const int32_t count = int32_t(Steps.size());
  if (Elapsed == 0) {
    // Not advanced yet: the first step's length, the whole run with one step.
    StepTime = count >= 2 ? (Steps[1] - Steps[0]) * Duration / 100 : Duration;
    return 0;
  }
  StepTaken = true;
  const int32_t i = VisibleStep;
  StepTime = (i >= 1 && i < count) ? (Steps[size_t(i)] - Steps[size_t(i - 1)]) * Duration / 100 : 0;
  return i;
}

float TCSSAnimation::IterationPercent() const {
  const int32_t elapsed = Elapsed;
  if (elapsed < 0) return -1;
  return Duration ? float(elapsed) * 100.0f / float(Duration) : 0.0f;
}

bool TCSSAnimation::Step(int32_t ElapsedMs) {
  const int32_t count = int32_t(Steps.size());
  if (Duration == 0 || count < 2) return false;
  if (Delay > 0) {
    Delay -= ElapsedMs;
    if (Delay > 0) return false;
  }
  if (Elapsed > 0) {
    const float percent = IterationPercent();
    int32_t step = count;
    for (int32_t i = 1; i < count; ++i)
      if (percent <= float(Steps[size_t(i)])) {
        step = i;
        break;
      }
    CurrentStep = step;
  }
  const bool validStep = CurrentStep >= 0 && CurrentStep < count;
  bool result = (validStep && CurrentStep != VisibleStep) || Elapsed < 0;
  if (validStep && StepTaken && CurrentStep != VisibleStep) {
    VisibleStep = int32_t(CurrentStep);
    StepTaken = false;
  }
  Elapsed = std::max<int32_t>(1, Elapsed + ElapsedMs);
  if (Elapsed > Duration) {
    if (Iterations > 0) --Iterations;
    Elapsed = -1;
    if (Iterations != 0) result = true;
    CurrentStep = 0;
    if (StepTaken && VisibleStep != 0) {
      VisibleStep = 0;
      StepTaken = false;
    }
  }
  if (VisibleStep != CurrentStep && Iterations != 0) result = true;
  return result;
}

}  // namespace ht
