#pragma once
// Animated values: a running CSS transition or keyframe animation. The
// style pass makes them and hands them to the document's animation list,
// which owns them; the animation thread calls NextStep with the elapsed
// milliseconds, and each object writes its interpolated value straight into
// the computed-style slot it was given.
//
// Threads: objects are made on the main thread and stepped on the animation
// thread, both under the document's animation lock. The slots they write are
// atomics that painting reads without a lock.
#include <atomic>
#include <cstdint>

#include "css/css_animation.h"
#include "markup/object_list.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;

class TAbstractAnimation : public THtObject {
 public:
  TElement* Element = nullptr;  // not owned
  bool NeedRecalc = false;      // a change needs a new layout
  bool ChangeStyle = false;     // a change needs the element restyled
  TCSSTiming Timing = tmEase;
  TCSSTransition* Transition = nullptr;  // not owned; null for keyframe animations
  TCSSAnimation* Animation = nullptr;    // whose step duration this follows; not owned

  virtual bool Active() const = 0;
  // Advances by StepTime (>= 1) milliseconds; true when the value changed.
  virtual bool NextStep(int32_t StepTime) = 0;
  virtual String AsString() const { return String(); }
};

class TAnimatedProperty : public TAbstractAnimation {
 public:
  int32_t AllTime = 0;     // duration in milliseconds
  int32_t Steps = 0;
  int32_t Delay = 0;       // milliseconds still to wait
  int32_t StartDelay = 0;  // the delay given at start
  float Position = 0;      // progress 0 .. 1

  bool Active() const override;
  // Writes the value for AllSteps milliseconds of animation time.
  virtual bool StepValue(int32_t AllSteps) = 0;

 protected:
  int32_t TimeSum = 0;  // elapsed animation time in milliseconds
  // The delay rule shared by both property kinds: false while still waiting.
  bool advance(int32_t StepTime);
};

// A colour moves linearly in premultiplied form; the timing function is
// not used for colours.
class TAnimatedColor : public TAnimatedProperty {
 public:
  uint32_t StartValue = 0, EndValue = 0;
  std::atomic<uint32_t>* Value = nullptr;  // the slot; always given
  uint32_t LastValue = 0;

  void Start(uint32_t AStartValue, uint32_t AEndValue, int32_t ATime, int32_t ADelay, std::atomic<uint32_t>* AValue);
  void SetValue(uint32_t AValue);
  bool NextStep(int32_t StepTime) override;
  bool StepValue(int32_t AllSteps) override;
  int32_t TimeSumMs() const { return TimeSum; }
};

class TAnimatedFloat : public TAnimatedProperty {
 public:
  float StartValue = 0, EndValue = 0;
  std::atomic<float>* Value = nullptr;  // may be null

  void Start(float AStartValue, float AEndValue, int32_t ATime, int32_t ADelay, std::atomic<float>* AValue);
  void SetValue(float AValue);
  bool NextStep(int32_t StepTime) override;
  bool StepValue(int32_t AllSteps) override;
  String AsString() const override;
  int32_t TimeSumMs() const { return TimeSum; }
};

// Drives the keyframe animation state of its element's computed style.
class TAnimatedElement : public TAbstractAnimation {
 public:
  TAnimatedElement() {
    ChangeStyle = true;
    NeedRecalc = true;
  }
  bool Active() const override;
  bool NextStep(int32_t StepTime) override;
};

// The value at time t of a change from b by c over the duration d.
float EaseValue(float t, float b, float c, float d, TCSSTiming Timing);

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c
// is 0.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

}  // namespace ht
