// The table hooks' defaults, read from the tree's tags.
#include "document/table_hooks.h"

#include "document/element.h"

namespace ht {

namespace {

bool isTag(const TElement& E, StringView Tag) { return E.Tag() == Tag; }
bool isCellTag(const TElement& E) { return isTag(E, u"td") || isTag(E, u"th"); }

TElement* defaultTable(const TElement& E) {
  for (TElement* p = E.Parent(); p; p = p->Parent())
    if (isTag(*p, u"table")) return p;
  return nullptr;
}

// The rows of a table in document order (rows of nested tables left out).
template <class Fn>
void forEachRow(const TElement& Table, Fn&& fn) {
  const THtNode* end = const_cast<TElement&>(Table).Last();
  for (THtNode* x = Table.NextNode(); x; x = x->NextNode()) {
    if (auto* e = dynamic_cast<TElement*>(x); e && isTag(*e, u"tr") && defaultTable(*e) == &Table)
      if (!fn(e)) return;
    if (x == end) return;
  }
}

int defaultRow(const TElement& E) {
  const TElement* row = &E;
  while (row && !isTag(*row, u"tr")) row = row->Parent();
  if (!row) return -1;
  TElement* table = defaultTable(*row);
  if (!table) return -1;
  int n = 0, found = -1;
  forEachRow(*table, [&](TElement* r) {
    if (r == row) {
      found = n;
      return false;
    }
    ++n;
    return true;
  });
  return found;
}

int defaultCol(const TElement& Cell) {
  int n = 0;
  for (TElement* e = Cell.Previous(); e; e = e->Previous())
    if (isCellTag(*e)) ++n;
  return n;
}

int one(const TElement&) { return 1; }

TElement* firstCellOf(const TElement* Row) {
  for (TElement* e = Row ? (Row->Count() ? AsElement(Row->GetNode(0)) : nullptr) : nullptr; e; e = e->Next())
    if (isCellTag(*e)) return e;
  return nullptr;
}

TElement* lastCellOf(const TElement* Row) {
  for (TElement* e = Row ? AsElement(Row->LastChild()) : nullptr; e; e = e->Previous())
    if (isCellTag(*e)) return e;
  return nullptr;
}

// The row Delta rows away from a cell's row in its table; null when none.
TElement* rowBeside(const TElement& Cell, int Delta) {
  TElement* table = defaultTable(Cell);
  const int row = defaultRow(Cell);
  if (!table || row < 0) return nullptr;
  TElement* found = nullptr;
  int n = 0;
  forEachRow(*table, [&](TElement* r) {
    if (n++ == row + Delta) {
      found = r;
      return false;
    }
    return true;
  });
  return found;
}

TElement* defaultNextCell(const TElement& Cell) {
  for (TElement* e = Cell.Next(); e; e = e->Next())
    if (isCellTag(*e)) return e;
  return firstCellOf(rowBeside(Cell, 1));
}

TElement* defaultPreviousCell(const TElement& Cell) {
  for (TElement* e = Cell.Previous(); e; e = e->Previous())
    if (isCellTag(*e)) return e;
  return lastCellOf(rowBeside(Cell, -1));
}

int defaultRowCount(const TElement& Table) {
  int n = 0;
  forEachRow(Table, [&](TElement*) { return ++n, true; });
  return n;
}

int defaultColCount(const TElement& Table) {
  int most = 0;
  forEachRow(Table, [&](TElement* r) {
    int n = 0;
    for (TElement* e = (r->Count() ? AsElement(r->GetNode(0)) : nullptr); e; e = e->Next())
      if (isCellTag(*e)) ++n;
    if (n > most) most = n;
    return true;
  });
  return most;
}

TElement* defaultLastCell(const TElement& Table) {
  TElement* last = nullptr;
  forEachRow(Table, [&](TElement* r) { return last = r, true; });
  return lastCellOf(last);
}

const THtTableHooks kDefaultHooks{
    [](const TElement& E) { return isTag(E, u"tr"); },
    [](const TElement& E) { return isCellTag(E); },
    defaultTable,
    defaultRow,
    defaultCol,
    one,
    one,
    defaultNextCell,
    defaultPreviousCell,
    defaultRowCount,
    defaultColCount,
    defaultLastCell,
    [](TElement&) {},
};

THtTableHooks gHooks = kDefaultHooks;

}  // namespace

THtTableHooks& HtTableHooks() { return gHooks; }
const THtTableHooks& HtDefaultTableHooks() { return kDefaultHooks; }

TElement* EnclosingTableCell(const TElement* E) {
  for (const TElement* p = E; p; p = p->Parent()) {
    if (gHooks.IsTableCell(*p)) return const_cast<TElement*>(p);
    if (isTag(*p, u"table")) break;
  }
  return nullptr;
}

}  // namespace ht
