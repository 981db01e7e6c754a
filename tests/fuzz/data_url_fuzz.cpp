// libFuzzer target: arbitrary text as an image URL of a document on the
// GDI+ back end. The first byte picks the form: a data: URL with ";base64",
// one without (percent-decoded), one with a utf8 marker, or the bytes as
// they are; the rest is the payload, one character per byte. Malformed,
// truncated and huge payloads must end in a failed (state 3) or null
// image, and a second request must return the cached answer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "canvas/image.h"
#include "document/data_url.h"
#include "document/document.h"
#include "layout/layout_startup.h"
#include "markup/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = (ht::HtBackendsInitialize(), ht::HtLayoutInitialize(), true);
  (void)started;
  if (size == 0) return 0;
  static const char16_t* const prefixes[] = {u"data:image/png;base64,", u"data:image/png,",
                                             u"data:image/svg+xml;utf8,", u""};
  ht::String url = prefixes[data[0] % 4];
  for (size_t i = 1; i < size; ++i) url.push_back(char16_t(data[i]));

  ht::TDataUrl parts;
  if (ht::SplitDataUrl(url, parts)) {
    ht::THtBytes bytes;
    ht::String text;
    ht::DecodeDataUrl(parts, bytes, text);
    if (!text.empty() && !bytes.empty()) std::abort();
    if (parts.Base64 && !ht::IsSVGText(parts.Payload) && bytes != ht::DecodeBase64ToBytes(parts.Payload)) std::abort();
  }

  ht::THtDocument doc(&ht::THtCanvasGP::ClassType);
  // Nothing but the URL itself may answer.
  doc.OnGetUrl = [](ht::THtDocument*, const ht::String&, ht::TElement*) { return ht::String(); };
  ht::THtImage* image = doc.GetImage(url, nullptr, false);
  if (image) {
    const uint8_t state = image->LoadState;
    if (state != 2 && state != 3) std::abort();
    if ((state == 2) != image->IsLoaded()) std::abort();
  }
  if (doc.GetImage(url, nullptr, false) != image) std::abort();
  return 0;
}
