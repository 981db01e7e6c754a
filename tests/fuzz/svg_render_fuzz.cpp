// libFuzzer target: SVG markup parsed into a document, styled, laid out and
// painted on the trace canvas (every saved state restored, also when the
// canvas raises half-way) and by the Direct2D back end on a 256 x 256 cairo
// surface, then hit-tested on a grid of points through each svg element. Garbage
// viewBoxes, broken path data, huge or non-finite coordinates and stops, use
// cycles and deep groups must give some picture, never a crash or a hang.
//
// Byte 0: bit 0 wraps the rest in an svg element with a viewBox, so that
// short inputs reach the SVG classes; the other bits pick the injected
// failure of the trace canvas.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "backends/canvas_dx.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "elements/svg_elements.h"
#include "markup/html_tokenizer.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/stream.h"
#include "support/trace_canvas.h"

namespace {

void hitAll(ht::THtDocument& Doc) {
  for (ht::THtNode* n = &Doc; n; n = n->NextNode()) {
    auto* svg = dynamic_cast<ht::TSVGElement*>(n);
    if (!svg) continue;
    for (int y = -8; y <= 264; y += 17)
      for (int x = -8; x <= 264; x += 17) svg->InternalHitTest(float(x), float(y), 0, 0, false, false);
  }
}

void paintOn(const ht::THtCanvasClass* Class, const std::string& Markup, int ThrowAt) {
  ht::TMemoryStream stream(reinterpret_cast<const uint8_t*>(Markup.data()), Markup.size());
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
    doc.Draw(&target.Canvas(), ht::TRect(0, 0, 256, 256), ht::TRect(0, 0, 256, 256), 0, 0, 0);
  } catch (const ht::Exception&) {
    if (!trace || ThrowAt == 0) throw;  // only the injected failure may end a pass
  }
  if (trace && trace->Balance != 0) std::abort();
  hitAll(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtElementsInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  if (size == 0) return 0;
  std::string markup(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) markup = "<svg width=200 height=120 viewBox='0 0 100 60'>" + markup + "</svg>";
  const int throwAt = (data[0] >> 1) % 8 == 0 ? 1 + data[0] / 16 : 0;
  paintOn(&ht::testing::TTraceCanvas::ClassType, markup, throwAt);
  paintOn(&ht::THtCanvasDX::ClassType, markup, 0);
  return 0;
}
