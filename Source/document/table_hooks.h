#pragma once
// What the document, layout and painting need to know of tables before the
// tables unit exists: which elements are rows and cells, their table, and
// a cell's place in the grid. The defaults read the tree's tags ("tr";
// "td" and "th"; the nearest "table" above; rows counted in document order
// within the table from 0; a cell's column is its number among the cells
// of its row, spanning one row and one column); the tables unit's start-up
// replaces them with its own classes' answers.
namespace ht {

class TElement;

struct THtTableHooks {
  bool (*IsTableRow)(const TElement& E);
  bool (*IsTableCell)(const TElement& E);
  // The table of a row or cell; null when none.
  TElement* (*Table)(const TElement& E);
  // The row number of a row, or of a cell's row; -1 when none.
  int (*Row)(const TElement& E);
  // A cell's first grid column and its column and row spans.
  int (*Col)(const TElement& Cell);
  int (*ColSpan)(const TElement& Cell);
  int (*RowSpan)(const TElement& Cell);
  // The cell after (before) a cell, walking on into the next (previous)
  // row at the row's end (start); null when none.
  TElement* (*NextCell)(const TElement& Cell);
  TElement* (*PreviousCell)(const TElement& Cell);
  // A table's grid size and the cell covering its last row and column.
  int (*RowCount)(const TElement& Table);
  int (*ColCount)(const TElement& Table);
  TElement* (*LastCell)(const TElement& Table);
  // E is about to be freed: a table that keeps it (a row, a section, a
  // caption, a col element) lets it go.
  void (*ElementDeleted)(TElement& E);
};

THtTableHooks& HtTableHooks();
// The hooks the document starts with.
const THtTableHooks& HtDefaultTableHooks();

// The table cell E is or lies in, up to (not beyond) its table; null when
// none.
TElement* EnclosingTableCell(const TElement* E);

}  // namespace ht
