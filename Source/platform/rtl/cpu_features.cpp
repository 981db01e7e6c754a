#include "platform/rtl/cpu_features.h"

namespace ht {

namespace {

bool cpuSupports(int which) {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  switch (which) {
    case 0: return __builtin_cpu_supports("sse2");
    case 1: return __builtin_cpu_supports("sse4.2");
    case 2: return __builtin_cpu_supports("avx2");
  }
#else
  (void)which;
#endif
  return false;
}

}  // namespace

const TCpuFeatures& CpuFeatures() {
  static const TCpuFeatures features = [] {
    TCpuFeatures f;
    f.SSE2 = cpuSupports(0);
    f.SSE42 = cpuSupports(1);
    f.AVX2 = cpuSupports(2);
    return f;
  }();
  return features;
}

bool HasSSE2() { return cpuSupports(0); }
bool HasSSE42() { return cpuSupports(1); }

}  // namespace ht
