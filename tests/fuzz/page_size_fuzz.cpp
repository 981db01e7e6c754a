// libFuzzer target: page size and margin text. The input is split at its
// first two zero bytes into an @page size value, a doc-section "size" text and
// a doc-section "margins" text; a print document reads all three as paging
// begins and again as the section's size applies. Any text must end with a
// finite page of sane size and margins, never a crash, a hang or a page of
// gigapixels.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "backends/canvas_gdi.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "markup/html_tokenizer.h"
#include "platform/rtl/string.h"

namespace {

std::string part(const uint8_t*& p, const uint8_t* end) {
  const uint8_t* start = p;
  while (p < end && *p) ++p;
  std::string s(reinterpret_cast<const char*>(start), size_t(p - start));
  if (p < end) ++p;
  return s;
}

// Attribute text without the quote that would end it.
std::string attr(std::string s) {
  for (char& c : s)
    if (c == '"') c = '\'';
  return s;
}

void checkPage(const ht::THtDocument& D) {
  const bool sane = std::isfinite(D.PageWidthMM) && std::isfinite(D.PageHeightMM) && D.PageWidthMM > 0 &&
                    D.PageHeightMM > 0 && D.PageWidthMM <= 100000 && D.PageHeightMM <= 100000;
  if (!sane) std::abort();
  for (int m : D.PageMargins)
    if (m < -1000000 || m > 1000000) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (ht::HtElementsInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  const std::string pageSize = part(p, end), sectionSize = part(p, end), margins = part(p, end);
  const std::string html = "<style>@page {size: " + pageSize + "; margin: " + pageSize +
                           "}</style><doc-section size=\"" + attr(sectionSize) + "\" margins=\"" + attr(margins) +
                           "\"></doc-section><p>x</p>";
  ht::THtDocument doc(ht::THtCanvasGDI::ClassType.PrintCanvasClass());
  try {
    doc.Parse(ht::Utf8ToString(html));
  } catch (const ht::EHtmlParserException&) {
    return 0;
  }
  doc.BeginPaging(0, 0, false, 0);
  doc.CalcPageMargins();
  checkPage(doc);
  doc.ApplySectionPageSize(ht::Utf8ToString(sectionSize));
  checkPage(doc);
  return 0;
}
