#pragma once
// Small steps shared by the readers of backgrounds, transforms and shadows.
#include "css/css_token.h"
#include "css/measure.h"

namespace ht {

// The current token is a function: moves the sequence onto the ")" that
// closes it (or past the end), so its arguments are not read again.
void SkipFunctionArguments(TCSSTokenSequence& Sequence);

// Sets M to Value percent, counted as set (also for 0).
void SetPercentValue(TMeasure& M, float Value);
// Sets M to Value pixels, counted as set (also for 0).
void SetPixelValue(TMeasure& M, float Value);

// A position token: an identifier or dimension is decoded as a length; a
// number is rounded to whole pixels (halves to even).
void DecodePositionToken(TMeasure& M, const TCSSToken& Token);

}  // namespace ht
