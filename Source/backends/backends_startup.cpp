#include "backends/backends_startup.h"

namespace ht {

namespace {
int initCount = 0;
}

void HtBackendsInitialize() {
  if (initCount++ > 0) return;
}

void HtBackendsFinalize() {
  if (initCount == 0 || --initCount > 0) return;
}

int HtBackendsInitCount() { return initCount; }

}  // namespace ht
