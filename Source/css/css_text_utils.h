#pragma once
// Small text helpers shared by the CSS parser, selectors and text output.
#include "platform/rtl/numeric.h"
#include "platform/rtl/string.h"

namespace ht {

inline bool StartsWithText(StringView S, StringView Prefix) {
  return S.size() >= Prefix.size() && S.substr(0, Prefix.size()) == Prefix;
}

}  // namespace ht
