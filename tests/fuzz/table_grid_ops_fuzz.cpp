// libFuzzer target: a table with spans read from the first bytes, then a
// sequence of the data grid's operations (rows and columns inserted and
// deleted, counts set, sorting, grouping, column moves, merging and
// splitting, export) with indexes in and out of range. After every
// operation the grid is sound or the grid's exception came; the table may
// remove itself with its last row. Then the document lays out and paints.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

#include "css/default_style_sheet.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "elements/table_element.h"
#include "elements/table_ops_driver.h"
#include "support/ahem_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtElementsInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  const std::u16string html = ht::testing::TableFromBytes(data, size);
  ht::THtDocument doc(&ht::testing::TAhemCanvas::ClassType);
  doc.Parse(u"<body>" + html + u"</body>");
  doc.CalcSize(300, 200);
  ht::TTableElement* table = nullptr;
  for (ht::THtNode* n = &doc; n && !table; n = n->NextNode()) table = dynamic_cast<ht::TTableElement*>(n);
  if (!table) return 0;
  table->Prepare();
  std::string fault;
  bool removed = false;
  if (!ht::testing::RunTableOps(table, data, size, fault, removed)) {
    std::fprintf(stderr, "grid fault: %s\n", fault.c_str());
    std::abort();
  }
  doc.NeedRecalc = true;
  doc.CalcSize(300, 200);
  return 0;
}
