#include "markup/text_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ht {

const char16_t* FindTextStopScalar(const char16_t* p, const char16_t* end) {
  while (p < end && *p != u'<' && *p != u'&') ++p;
  return p;
}

const char16_t* FindTextStop(const char16_t* p, const char16_t* end) {
#if defined(__SSE2__)
  const __m128i lt = _mm_set1_epi16(short(u'<'));
  const __m128i amp = _mm_set1_epi16(short(u'&'));
  while (end - p >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int hit = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, lt), _mm_cmpeq_epi16(v, amp)));
    if (hit != 0) return p + __builtin_ctz(unsigned(hit)) / 2;
    p += 8;
  }
#endif
  return FindTextStopScalar(p, end);
}

}  // namespace ht
