#pragma once
// The scan for the end of a text run in markup: the first "<" or "&".
// FindTextStop reads eight units at a time (SSE2) where it can;
// FindTextStopScalar is the reference it must agree with.
namespace ht {

// The first unit in [p, end) that is "<" or "&", or end.
const char16_t* FindTextStop(const char16_t* p, const char16_t* end);
const char16_t* FindTextStopScalar(const char16_t* p, const char16_t* end);

}  // namespace ht
