#include "platform/rtl/cpu_features.h"

namespace ht {

const TCpuFeatures& CpuFeatures() {
  static const TCpuFeatures features = [] {
    TCpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    f.SSE2 = __builtin_cpu_supports("sse2");
    f.SSE42 = __builtin_cpu_supports("sse4.2");
    f.AVX2 = __builtin_cpu_supports("avx2");
#endif
    return f;
  }();
  return features;
}

}  // namespace ht
