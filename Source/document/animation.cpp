#include "document/animation.h"

#include <algorithm>
#include <cmath>

#include "css/styled_element_link.h"
#include "document/element.h"
#include "platform/rtl/format.h"

namespace ht {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t p = int64_t(a) * int64_t(b);
  const bool negative = (p < 0) != (c < 0);
  const int64_t ap = p < 0 ? -p : p, ac = c < 0 ? -int64_t(c) : int64_t(c);
  const int64_t q = (ap + ac / 2) / ac;
  return int32_t(negative ? -q : q);
}

float EaseValue(float t, float b, float c, float d, TCSSTiming Timing) {
  switch (Timing) {
    case tmEase: {
      float u = t / (d / 2);
      if (u < 1) return c / 2 * u * u + b;
      float v = u - 1;
      return -c / 2 * (v * (v - 2) - 1) + b;
    }
    case tmEaseIn: {
      float u = t / d;
      return c * u * u + b;
    }
    case tmEaseOut: {
      float u = t / d;
      return -c * u * (u - 2) + b;
    }
    case tmEaseInOut: {
      float u = t / (d / 2);
      if (u < 1) return c / 2 * u * u * u + b;
      float v = u - 2;
      return c / 2 * (v * v * v + 2) + b;
    }
    default: return c * t / d + b;
  }
}

bool TAnimatedProperty::Active() const {
  // Single-precision comparison with a tolerance of 0.0001 relative to the
  // smaller magnitude, at least 0.0001.
  const float tol = std::max(0.0001f * std::min(std::fabs(Position), 1.0f), 0.0001f);
  return std::fabs(Position - 1.0f) > tol;
}

bool TAnimatedProperty::advance(int32_t StepTime) {
  if (Delay > 0) {
    Delay -= StepTime;
    if (Delay > 0) return false;
    if (Delay < 0) TimeSum = -Delay;
    Delay = 0;
    return true;
  }
  TimeSum += StepTime;
  return true;
}

// --- Colours -------------------------------------------------------------------------

void TAnimatedColor::Start(uint32_t AStartValue, uint32_t AEndValue, int32_t ATime, int32_t ADelay,
                           std::atomic<uint32_t>* AValue) {
  StartValue = AStartValue;
  EndValue = AEndValue;
  LastValue = AStartValue;
  AllTime = ATime;
  Delay = ADelay;
  StartDelay = ADelay;
  Value = AValue;
  SetValue(AStartValue);
  Position = 0;
  TimeSum = 0;
  // The colour starts 10 ms into its transition.
  if (ADelay == 0) StepValue(10);
}

void TAnimatedColor::SetValue(uint32_t AValue) {
  if (Value) Value->store(AValue, std::memory_order_relaxed);
  LastValue = AValue;
}

bool TAnimatedColor::NextStep(int32_t StepTime) {
  if (!Active()) return false;
  if (StepTime < 1) StepTime = 1;
  if (AllTime / StepTime == 0) {
    SetValue(EndValue);
    Position = 1.0f;
    return true;
  }
  if (!advance(StepTime)) return false;
  return StepValue(TimeSum);
}

bool TAnimatedColor::StepValue(int32_t AllSteps) {
  if (AllSteps >= AllTime || AllTime <= 0) {
    SetValue(EndValue);
    Position = 1.0f;
    return true;
  }
  Position = std::min(float(AllSteps) / float(AllTime), 1.0f);
  if (Position >= 1.0f) {
    SetValue(EndValue);
    Position = 1.0f;
    return true;
  }
  const int32_t t = AllSteps, T = AllTime;
  const int32_t sA = int32_t(StartValue >> 24), eA = int32_t(EndValue >> 24);
  const uint8_t a = uint8_t(sA - MulDiv(sA - eA, t, T));
  if (a <= 1) {
    SetValue(uint32_t(a) << 24);
    return true;
  }
  uint32_t result = uint32_t(a) << 24;
  for (int shift = 0; shift <= 16; shift += 8) {  // blue, green, red
    const uint8_t ps = uint8_t(MulDiv(int32_t((StartValue >> shift) & 0xFF), sA, 255));
    const uint8_t pe = uint8_t(MulDiv(int32_t((EndValue >> shift) & 0xFF), eA, 255));
    const int32_t mixed = ps - MulDiv(ps - pe, t, T);
    result |= uint32_t(MulDiv(mixed, 255, a) & 0xFF) << shift;
  }
  SetValue(result);
  return true;
}

// --- Numbers -------------------------------------------------------------------------

void TAnimatedFloat::Start(float AStartValue, float AEndValue, int32_t ATime, int32_t ADelay,
                           std::atomic<float>* AValue) {
  StartValue = AStartValue;
  EndValue = AEndValue;
  Delay = ADelay;
  StartDelay = ADelay;
  Value = AValue;
  if (std::fabs(AEndValue - AStartValue) < 0.00001f) {
    SetValue(EndValue);
    Position = 1.0f;
    return;
  }
  AllTime = ATime;
  SetValue(StartValue);
  Position = 0;
  TimeSum = 0;
  if (ADelay == 0) StepValue(0);
}

void TAnimatedFloat::SetValue(float AValue) {
  if (std::fabs(AValue - EndValue) < std::fabs(StartValue - EndValue) / 200) AValue = EndValue;
  if (Value) Value->store(AValue, std::memory_order_relaxed);
}

bool TAnimatedFloat::NextStep(int32_t StepTime) {
  if (!Active()) return false;
  if (!advance(StepTime)) return false;
  return StepValue(TimeSum);
}

bool TAnimatedFloat::StepValue(int32_t AllSteps) {
  if (AllSteps >= AllTime) {
    SetValue(EndValue);
    Position = 1.0f;
    return true;
  }
  Position = std::min(float(AllSteps) / float(AllTime), 1.0f);
  SetValue(EaseValue(Position * 100, StartValue, EndValue - StartValue, 100, Timing));
  return true;
}

String TAnimatedFloat::AsString() const {
  return Format(u"from %g to %g, time %d", StartValue, EndValue, AllTime);
}

// --- Keyframe animations -------------------------------------------------------------

namespace {
TCSSAnimation* animationOf(TElement* E) {
  auto* facts = E ? ElementStyleFactsOf(E->Style()) : nullptr;
  return facts ? facts->Style().Animation.get() : nullptr;
}
}  // namespace

bool TAnimatedElement::Active() const {
  TCSSAnimation* a = animationOf(Element);
  return a && a->Active && a->Iterations.load() != 0;
}

bool TAnimatedElement::NextStep(int32_t StepTime) {
  TCSSAnimation* a = animationOf(Element);
  return a ? a->Step(StepTime) : false;
}

}  // namespace ht
