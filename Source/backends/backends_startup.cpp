#include "backends/backends_startup.h"

#include "backends/canvas_dx.h"
#include "backends/canvas_gp.h"
#include "backends/dx_images.h"
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
  HtRegisterGifWICDecoder();
  // The GDI canvas is only ever named (by a host, a document or a print
  // routine): its start-up leaves the default alone. The GDI+ canvas is the
  // default unless Direct2D can be used (or someone else chose a class).
  if (!HtDefaultCanvasClass) HtDefaultCanvasClass = &THtCanvasGP::ClassType;
  THtCanvasDX::StartDirect2D();
}

void HtBackendsFinalize() {
  if (initCount == 0 || --initCount > 0) return;
  if (HtDefaultCanvasClass == &THtCanvasGP::ClassType || HtDefaultCanvasClass == &THtCanvasDX::ClassType)
    HtDefaultCanvasClass = nullptr;
  HtUnregisterGifWICDecoder();
  HtUnregisterGifDecoder();
  HtGifFinalize();
}

int HtBackendsInitCount() { return initCount; }

}  // namespace ht
