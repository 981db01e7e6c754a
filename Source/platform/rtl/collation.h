#pragma once
// Locale-aware string comparison: the root collation rules at tertiary
// strength, so letters order alphabetically across scripts and accents
// while case still tells strings apart ("a" < "A" < "b").
#include <string>

#include "platform/rtl/string.h"

namespace ht {

// -1, 0 or 1 as A sorts before, with or after B.
int CompareStringW(StringView A, StringView B);
// A key whose byte order (std::string's operator<) is the order
// CompareStringW gives: for sorting many strings, each key made once.
std::string CollationKey(StringView S);

}  // namespace ht
