// libFuzzer target: HTML and CSS bytes into a document, laid out, then
// painted twice: on the trace canvas (every saved state restored, also when
// the canvas raises half-way) and by the GDI+ back end on a 256 x 256 cairo
// surface. Broken transforms, radii, widths, blurs, stops and z-indexes must
// paint something sane or nothing, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "markup/html_tokenizer.h"
#include "paint/paint_startup.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/stream.h"
#include "support/trace_canvas.h"

namespace {

void paintOn(const ht::THtCanvasClass* Class, const uint8_t* data, size_t size, int ThrowAt) {
  ht::TMemoryStream stream(data, size);
  ht::THtDocument doc(Class);
  try {
    doc.LoadfromStream(stream, ht::heUTF8, 0);
  } catch (const ht::EHtmlParserException&) {
    return;
  }
  doc.CalcSize(256, 256);
  ht::gdi::TBitmap target(256, 256);
  auto* trace = dynamic_cast<ht::testing::TTraceCanvas*>(doc.Surface.get());
  if (trace) {
    trace->Groups = ht::testing::TTraceCanvas::tcAll;
    trace->ThrowAtCall = ThrowAt;
  }
  try {
    doc.Draw(&target.Canvas(), ht::TRect(0, 0, 256, 256), ht::TRect(0, 0, 256, 256), 0, -float(size % 97), 0);
  } catch (const ht::Exception&) {
    if (!trace || ThrowAt == 0) throw;  // only the injected failure may end a pass
  }
  if (trace && trace->Balance != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtBackendsInitialize(), ht::HtPaintInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  if (size == 0) return 0;
  const int throwAt = data[0] % 8 == 0 ? 1 + data[0] / 8 : 0;
  paintOn(&ht::testing::TTraceCanvas::ClassType, data + 1, size - 1, throwAt);
  paintOn(&ht::THtCanvasGP::ClassType, data + 1, size - 1, 0);
  return 0;
}
