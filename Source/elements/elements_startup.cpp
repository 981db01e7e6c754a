#include "elements/elements_startup.h"

#include "document/element_registry.h"
#include "document/pointer_services.h"
#include "document/table_hooks.h"
#include "elements/form_elements.h"
#include "elements/svg_elements.h"
#include "elements/table_element.h"
#include "paint/paint_startup.h"

namespace ht {

namespace {

int startCount = 0;

template <class T>
const T* as(const TElement& E) {
  return E.ClassRefOf()->InheritsFrom(&T::ClassType) ? static_cast<const T*>(&E) : nullptr;
}

bool isRow(const TElement& E) { return as<TTableRow>(E) != nullptr; }
bool isCell(const TElement& E) { return as<TTableCell>(E) != nullptr; }

TElement* tableOf(const TElement& E) {
  if (const auto* r = as<TTableRow>(E)) return r->Table;
  if (const auto* c = as<TTableCell>(E)) return c->Table();
  return nullptr;
}

int rowOf(const TElement& E) {
  if (const auto* r = as<TTableRow>(E)) return r->Table ? r->Row : -1;
  if (const auto* c = as<TTableCell>(E)) {
    const auto* r = c->Parent() ? as<TTableRow>(*c->Parent()) : nullptr;
    return r && r->Table ? r->Row : -1;
  }
  return -1;
}

int colOf(const TElement& E) {
  const auto* c = as<TTableCell>(E);
  return c ? c->Col : 0;
}

int colSpanOf(const TElement& E) {
  const auto* c = as<TTableCell>(E);
  return c ? c->ColSpan : 1;
}

int rowSpanOf(const TElement& E) {
  const auto* c = as<TTableCell>(E);
  return c ? c->GetRowSpan() : 1;
}

TElement* nextCellOf(const TElement& E) {
  const auto* c = as<TTableCell>(E);
  return c ? c->GetNextCell() : nullptr;
}

TElement* previousCellOf(const TElement& E) {
  const auto* c = as<TTableCell>(E);
  return c ? c->GetPreviousCell() : nullptr;
}

int rowCountOf(const TElement& E) {
  const auto* t = as<TTableElement>(E);
  return t ? t->RowCount : 0;
}

int colCountOf(const TElement& E) {
  const auto* t = as<TTableElement>(E);
  return t ? t->ColCount : 0;
}

TElement* lastCellOf(const TElement& E) {
  const auto* t = as<TTableElement>(E);
  return t ? t->LastCell() : nullptr;
}

// An element about to be freed leaves the bookkeeping of the table it lies
// in (rows forget themselves: see ~TTableRow).
void forgetInTable(TElement& E) {
  for (TElement* p = E.Parent(); p; p = p->Parent())
    if (auto* t = dynamic_cast<TTableElement*>(p)) {
      t->ForgetPart(&E);
      return;
    }
}

// A group tag dropped on a header cell of the table.
void ungroupTable(TElement& Table, StringView Field, int Col) {
  if (auto* t = dynamic_cast<TTableElement*>(&Table)) t->Ungroup(Field, Col);
}

}  // namespace

void HtElementsInitialize() {
  if (startCount++ > 0) return;
  HtPaintInitialize();
  // The SVG properties join the registry before any document sheet is parsed.
  HtSVGInitialize();
  RegisterElementClass(u"table", &TTableElement::ClassType);
  RegisterElementClass(u"tr", &TTableRow::ClassType);
  RegisterElementClass(u"td", &TTableCell::ClassType);
  RegisterElementClass(u"th", &TTableCell::ClassType);
  RegisterFormElementClasses();
  THtTableHooks& hooks = HtTableHooks();
  hooks.IsTableRow = isRow;
  hooks.IsTableCell = isCell;
  hooks.Table = tableOf;
  hooks.Row = rowOf;
  hooks.Col = colOf;
  hooks.ColSpan = colSpanOf;
  hooks.RowSpan = rowSpanOf;
  hooks.NextCell = nextCellOf;
  hooks.PreviousCell = previousCellOf;
  hooks.RowCount = rowCountOf;
  hooks.ColCount = colCountOf;
  hooks.LastCell = lastCellOf;
  hooks.ElementDeleted = forgetInTable;
  HtPointerServices().Ungroup = ungroupTable;
}

void HtElementsFinalize() {
  if (startCount == 0 || --startCount > 0) return;
  HtTableHooks() = HtDefaultTableHooks();
  HtPointerServices().Ungroup = NeutralPointerServices().Ungroup;
  HtSVGFinalize();
  UnregisterFormElementClasses();
  for (const char16_t* tag : {u"table", u"tr", u"td", u"th"}) RegisterElementClass(tag, &TElement::ClassType);
  HtPaintFinalize();
}

}  // namespace ht
