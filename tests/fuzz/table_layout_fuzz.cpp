// libFuzzer target: markup through the table grid, column widths and row
// layout, painted on the trace canvas, then laid out page by page as paged
// output does. Spans, widths, spacing and heights of any value must lay out
// and paint in bounded time, and every table must end within a bounded
// number of pages; a grid too wide ends in the grid's exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "css/default_style_sheet.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "elements/table_element.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/stream.h"
#include "support/ahem_canvas.h"

namespace {

void pages(ht::THtDocument& Doc, float PageHeight) {
  std::vector<ht::TTableElement*> tables;
  for (ht::THtNode* n = &Doc; n; n = n->NextNode())
    if (auto* t = dynamic_cast<ht::TTableElement*>(n)) tables.push_back(t);
  Doc.Paged = true;
  Doc.PageHeightPixels = PageHeight;
  for (ht::TTableElement* t : tables) {
    t->BeforeCalcLayout();
    const int limit = t->RowCount + 3;
    for (int page = 0;; ++page) {
      if (page > limit) std::abort();  // a table that never ends
      t->SetFlag(ht::efCompletelyDrawn, true, false, true);
      Doc.Page = page;
      if (t->StartPage == -1) t->StartPage = page;
      Doc.FPagingBreak = (page & 1) != 0;
      if (!t->CalcLayout()) continue;
      t->DrawTable(nullptr, ht::THtDrawInfo{});
      if (t->HasFlag(ht::efCompletelyDrawn)) break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtElementsInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  if (size == 0) return 0;
  const int width = 40 + (data[0] >> 2) * 8;
  ht::TMemoryStream stream(data + 1, size - 1);
  ht::THtDocument doc(&ht::testing::TAhemCanvas::ClassType);
  try {
    doc.LoadfromStream(stream, ht::heUTF8, 0);
    doc.CalcSize(width, 256);
    ht::gdi::TBitmap target(64, 64);
    auto& trace = static_cast<ht::testing::TTraceCanvas&>(*doc.Surface);
    trace.Groups = ht::testing::TTraceCanvas::tcAll;
    doc.Draw(&target.Canvas(), ht::TRect(0, 0, width, 256), ht::TRect(0, 0, width, 256), 0, 0, 0);
    if (trace.Balance != 0) std::abort();
    pages(doc, 20.0f + float(data[0] & 3) * 60.0f);
  } catch (const ht::EHtmlParserException&) {
  } catch (const ht::Exception& e) {
    // The grid's limit is the one error tables may raise.
    if (e.Message() != u"Too many table columns") throw;
  }
  return 0;
}
