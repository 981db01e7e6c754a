#include "markup/char_search.h"

#include "platform/rtl/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HT_HAVE_X86 1
#endif

namespace ht {

namespace {
TFindCharProc gFindChar = &FindCharScalar;
}  // namespace

size_t FindCharScalar(const char16_t* p, char16_t ch, size_t count) {
  if (!p) return 0;
  for (size_t i = 0; i < count; ++i)
    if (p[i] == ch) return i + 1;
  return 0;
}

#ifdef HT_HAVE_X86
__attribute__((target("sse4.2"))) size_t FindCharSSE42(const char16_t* p, char16_t ch,
                                                          size_t count) {
  if (!p) return 0;
  const __m128i needle = _mm_set1_epi16(short(ch));
  const size_t blocks = count / 8;
  for (size_t b = 0; b < blocks; ++b) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + b * 8));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(units, needle));
    if (mask != 0) return b * 8 + size_t(__builtin_ctz(unsigned(mask)) / 2) + 1;
  }
  for (size_t i = blocks * 8; i < count; ++i)
    if (p[i] == ch) return i + 1;
  return 0;
}
#else
size_t FindCharSSE42(const char16_t* p, char16_t ch, size_t count) {
  return FindCharScalar(p, ch, count);
}
#endif

void SelectFindChar() { gFindChar = CpuFeatures().SSE42 ? &FindCharSSE42 : &FindCharScalar; }

size_t FindChar(const char16_t* p, char16_t ch, size_t count) { return gFindChar(p, ch, count); }

}  // namespace ht
