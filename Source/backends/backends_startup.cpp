#include "backends/backends_startup.h"

#include "backends/canvas_gp.h"
#include "backends/gif_decoder.h"
#include "backends/gif_image.h"
#include "backends/gp_images.h"

namespace ht {

namespace {
int initCount = 0;
}

void HtBackendsInitialize() {
  if (initCount++ > 0) return;
  HtGifInitialize();
  HtRegisterGifDecoder();
  // The GDI+ canvas is the default until a back end that ranks above it
  // claims the default.
  if (!HtDefaultCanvasClass) HtDefaultCanvasClass = &THtCanvasGP::ClassType;
}

void HtBackendsFinalize() {
  if (initCount == 0 || --initCount > 0) return;
  if (HtDefaultCanvasClass == &THtCanvasGP::ClassType) HtDefaultCanvasClass = nullptr;
  HtUnregisterGifDecoder();
  HtGifFinalize();
}

int HtBackendsInitCount() { return initCount; }

}  // namespace ht
