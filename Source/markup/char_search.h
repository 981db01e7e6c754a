#pragma once
// Search for one UTF-16 unit in a buffer. Two routines with one contract:
// the result is the 1-based index of the first match, 0 when there is none,
// when the pointer is null or when the count is 0. FindCharSSE42 may only be
// called when the processor has SSE4.2; FindChar is the routine chosen at
// start-up (the scalar one until then).
#include <cstddef>

namespace ht {

using TFindCharProc = size_t (*)(const char16_t* p, char16_t ch, size_t count);

size_t FindCharScalar(const char16_t* p, char16_t ch, size_t count);
size_t FindCharSSE42(const char16_t* p, char16_t ch, size_t count);

// Selects FindCharSSE42 when the processor has SSE4.2. Called by the
// utilities' start-up, before other threads exist.
void SelectFindChar();
size_t FindChar(const char16_t* p, char16_t ch, size_t count);

}  // namespace ht
