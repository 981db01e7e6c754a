#include "backends/backends_startup.h"

#include "backends/gif_image.h"

namespace ht {

namespace {
int initCount = 0;
}

void HtBackendsInitialize() {
  if (initCount++ > 0) return;
  HtGifInitialize();
}

void HtBackendsFinalize() {
  if (initCount == 0 || --initCount > 0) return;
  HtGifFinalize();
}

int HtBackendsInitCount() { return initCount; }

}  // namespace ht
