// libFuzzer target: display lists read from arbitrary recorded streams.
// Reading must end in a list or in an error, never read past the data,
// crash, hang or trip the sanitizers; whatever was read must write back and
// replay onto a recording canvas.
#include <cstddef>
#include <cstdint>

#include "canvas/meta_canvas.h"
#include "canvas/meta_stream.h"
#include "canvas/path_records.h"

namespace {

// Paths come back as record lists so that they can be written again.
class FuzzCanvasClass : public ht::THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;
  const ht::THtPathClass* PathClass() const override { return &ht::THtCustomPath::ClassType; }
};
const FuzzCanvasClass FuzzCanvas{"FuzzCanvas", &ht::THtCanvas::ClassType, nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Fonts outlive the records that use them; one collection per input keeps
  // the fonts of past inputs from piling up.
  ht::THtFontCollection fonts(&FuzzCanvas, false);
  ht::TMemoryStream in(data, size);
  ht::THtMetaList list(true);
  try {
    list.LoadfromStream(in, &FuzzCanvas, &fonts);
  } catch (const ht::EMetaStreamError&) {
    // the reader's own error; any other exception escapes and is reported
    return 0;
  }
  ht::TMemoryStream out;
  list.SavetoStream(out);
  ht::HtRefCanvasClass = &FuzzCanvas;
  ht::THtMetaCanvas meta;
  ht::THtCanvasScene scene;
  scene.Init(ht::TRect(0, 0, 1000, 1000), nullptr);
  meta.BeginScene(scene);
  list.Play(&meta, 0.5f);
  return 0;
}
