#pragma once
// Documents holding tables, parsed and styled on the Ahem-metric canvas.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "document/document.h"
#include "elements/table_element.h"

namespace ht::testing {

class TableTest : public ::testing::Test {
 protected:
  // Parses Html, computes styles and answers the first table, prepared.
  TTableElement* Load(StringView Html);
  // The element with the given id, or null.
  TElement* ById(StringView Id);
  TTableCell* Cell(StringView Id) { return dynamic_cast<TTableCell*>(ById(Id)); }
  // "id@col" of each row's placed cells, rows separated by " | ".
  static std::string Grid(TTableElement* T);

  std::unique_ptr<THtDocument> Doc;
};

}  // namespace ht::testing
