// libFuzzer target: a page and a style sheet laid out end to end, then
// dumped. Byte 0 chooses the viewport width and whether the body's content
// is wrapped in a chain of elements made by tree edits, deeper than the
// parser ever nests; the rest is UTF-8 HTML, and after a zero byte CSS for
// the page. Any input must lay out in bounded time and stack without a
// crash; run.sh gives each input a time limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backends/backends_startup.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "layout/box_dump.h"
#include "layout/layout_startup.h"
#include "markup/html_tokenizer.h"
#include "support/ahem_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtBackendsInitialize(), ht::HtLayoutInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t split = bytes.find('\0');
  const std::string html = bytes.substr(0, split);
  const std::string css = split == std::string::npos ? std::string() : bytes.substr(split + 1);
  ht::THtDocument doc(&ht::testing::TAhemCanvas::ClassType);
  try {
    doc.Parse(ht::Utf8ToString("<style>" + css + "</style>" + html));
  } catch (const ht::EHtmlParserException&) {
    return 0;
  }
  if ((mode & 1) && doc.Body()) {
    // A chain of 300 to 1200 divs by edits, the body's children moved into
    // the innermost one.
    ht::TElement* body = doc.Body();
    std::vector<ht::TElement*> children;
    for (int i = 0; i < body->Count(); ++i)
      if (ht::TElement* e = ht::AsElement(body->GetNode(i))) children.push_back(e);
    ht::TElement* inner = body;
    const int depth = 300 + ((mode >> 1) & 3) * 300;
    for (int i = 0; i < depth; ++i) {
      auto* div = new ht::TElement();
      div->SetTag(u"div");
      inner = inner->Add(div);
    }
    for (ht::TElement* e : children) inner->Add(e);
    doc.RecalcStyles();
  }
  doc.CalcSize(1 + int(mode >> 3) * 40, 600);
  (void)ht::LayoutDump(doc);
  return 0;
}
