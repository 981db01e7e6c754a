#pragma once
// What the document needs to know of tables before the tables unit exists:
// which elements are rows and cells, their table and their row number.
// The defaults read the tree's tags ("tr"; "td" and "th"; the nearest
// "table" above; rows counted in document order within the table from 0);
// the tables unit's start-up replaces them with its own classes' answers.
namespace ht {

class TElement;

struct THtTableHooks {
  bool (*IsTableRow)(const TElement& E);
  bool (*IsTableCell)(const TElement& E);
  // The table of a row or cell; null when none.
  TElement* (*Table)(const TElement& E);
  // The row number of a row, or of a cell's row; -1 when none.
  int (*Row)(const TElement& E);
};

THtTableHooks& HtTableHooks();
// The hooks the document starts with.
const THtTableHooks& HtDefaultTableHooks();

// The table cell E is or lies in, up to (not beyond) its table; null when
// none.
TElement* EnclosingTableCell(const TElement* E);

}  // namespace ht
