#pragma once
// Transitions and keyframe animations as data: what a computed style keeps
// for them and the step clock of a keyframe animation. Running them (the
// animated values, their timing curves, the restyles they ask for) is the
// document's business.
//
// The animation thread writes the current values and the step state while
// the main thread reads them without a lock, so those slots are atomic.
#include <atomic>
#include <cstdint>
#include <vector>

#include "css/css_keywords.h"
#include "css/property_registry.h"

namespace ht {

// One transitioned property of an element.
class TCSSTransition {
 public:
  int32_t Duration = 0;  // milliseconds
  int32_t Delay = -1;    // milliseconds; -1 when the declaration gave none
  std::atomic<uint32_t> CurrentColor{0};  // ARGB of a running colour transition
  std::atomic<float> CurrentValue{0};     // of a running number or length (zoomed pixels)
  TCSSTiming Timing = tmEase;
  TCSSPropRec* Prop = nullptr;  // null for "all" and unregistered names; not owned
  std::atomic<bool> Active{false};
  void* Animation = nullptr;  // the document's running animated value; not owned

  // Copies Duration, Delay, Timing and Prop; the running state stays.
  void Assign(const TCSSTransition& Source);
};

using TCSSAnimationSteps = std::vector<int32_t>;

// The keyframe animation of one element and its step clock.
class TCSSAnimation {
 public:
  std::atomic<int32_t> VisibleStep{0};  // the keyframe index whose declarations are applied
  std::atomic<int32_t> CurrentStep{0};  // the keyframe index the clock has reached
  std::atomic<bool> StepTaken{false};   // the element has taken the current step's duration
  String Name;                          // the @keyframes name
  int32_t Duration = 0;                 // milliseconds, at most MaxAnimationDuration
  std::atomic<int32_t> Delay{0};        // milliseconds still to wait before the first step
  TCSSTiming Timing = tmEase;
  std::atomic<int32_t> Elapsed{0};     // into the current iteration; -1 right after one ended
  std::atomic<int32_t> Iterations{0};  // still to run; -1 infinite
  bool Active = false;                 // set by an animation declaration of the last cascade load
  TCSSAnimationSteps Steps;            // keyframe percentages, ascending
  std::atomic<int32_t> StepTime{0};    // milliseconds of the current step

  // The keyframe index whose declarations to append; also sets StepTime.
  int32_t StepDuration();
  // -1 right after an iteration ended, else Elapsed as a percentage of Duration.
  float IterationPercent() const;
  // Advances the clock by ElapsedMs; True when the element must be restyled.
  bool Step(int32_t ElapsedMs);
};

constexpr int32_t MaxAnimationDuration = 100000;

}  // namespace ht
