// libFuzzer target: bytes into a document (decoded as a stream), then the
// style pass again and a layout-cycle call. Missing or self-importing
// @import targets, bad @font-face sources, unterminated attr( and counter(
// and any DPI must end in a clear error or a sound fallback.
#include <cstddef>
#include <cstdint>

#include "backends/backends_startup.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "layout/layout_startup.h"
#include "markup/html_tokenizer.h"
#include "platform/rtl/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The process-wide sheets are made before the first input, so that they
  // do not count against it.
  static const bool ready =
      (ht::HtBackendsInitialize(), ht::HtLayoutInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ht::TMemoryStream stream(data + 1, size - 1);
  ht::THtDocument doc;
  doc.SharedStyles = (mode & 1) != 0;
  doc.SetDPI(mode & 2 ? 0 : 96 + (mode >> 2));
  // Imports answer with the bytes again, so a sheet may import itself.
  doc.OnGetUrl = [&](ht::THtDocument*, const ht::String& url, ht::TElement*) {
    return url.size() % 2 ? ht::String() : ht::String(u"@import 'x'; p::before{content: counter(a) attr(b");
  };
  try {
    doc.LoadfromStream(stream, ht::heUTF8, 0);
  } catch (const ht::EHtmlParserException&) {
    return 0;
  }
  doc.RecalcStyles();
  doc.CalcSize(800, 600);
  return 0;
}
