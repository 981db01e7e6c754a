// Column widths frozen into col elements, and interactive resizing: a cell
// given a new width sets its column (also in other tables with the table's
// id), the table's other columns laid out around it.
#include <algorithm>
#include <cmath>

#include "document/document.h"
#include "elements/table_element.h"
#include "elements/table_util.h"
#include "layout/layout_style.h"
#include "platform/rtl/format.h"

namespace ht {

using namespace table_util;

std::u16string FormatPercent(float Value) {
  if (!std::isfinite(Value)) return u"0";
  const double whole = std::trunc(double(Value));
  const double tenth = std::nearbyint((double(Value) - whole) * 10.0);
  if (tenth >= 10) return Format(u"%d", int(whole) + 1);
  if (tenth >= 1) return Format(u"%d.%d", int(whole), int(tenth));
  return Format(u"%d", int(whole));
}

namespace {

// The width of column i as its col element says it: pixels, or a
// percentage of all columns for a column given in percent.
void writeColWidth(TTableColumns& Cols, int i) {
  TTableColumn& c = Cols.Cols[size_t(i)];
  if (!c.ColDesc) return;
  const float used = c.UsedWidth(Cols.WidthBase);
  String text;
  bool percent = false;
  if (!c.Auto && c.DefaultPercent) {
    const float total = Cols.TotalPixels();
    text = FormatPercent(total > 0 ? used * 100.0f / total : 0.0f) + u"%";
    percent = true;
  } else {
    text = Format(u"%d", int(std::nearbyint(std::isfinite(used) ? used : 0.0f)));
  }
  c.ColDesc->SetAttribute(u"width", text);
  c.ColDesc->AddVirtualCSS2(u"width", percent ? text : text + u"px");
  c.Auto = false;
}

}  // namespace

void TTableColumns::PrepareColTags() {
  TTableElement& t = *Table;
  t.ColDesc.clear();
  t.ColDescCount = 0;
  for (int i = t.Count() - 1; i >= 0; --i) {
    THtNode* n = t.ChildNodes(i);
    if (tagIs(n, u"col") || tagIs(n, u"colgroup")) t.DeleteChild(n);
  }
  for (TTableColumn& c : Cols) c.ColDesc = nullptr;
  t.ClearCellWidths();
  if (t.SelfFlow) t.SelfFlow->Reset();
  t.ColDesc.assign(Cols.size(), nullptr);
  for (int i = 0; i < Count(); ++i) {
    auto* col = static_cast<TElement*>(t.AddChild(t.GetElementClass(u"col", nullptr)));
    col->SetTag(u"col");
    col->TagType = htIdent;
    Cols[size_t(i)].ColDesc = col;
    t.ColDesc[size_t(i)] = col;
    writeColWidth(*this, i);
  }
  UpdateFlags();
  t.ColDescCount = Count();
  if (t.Document) t.Document->NeedRecalc = true;
}

void TTableColumns::UpdateColTags() {
  for (int i = 0; i < Count(); ++i) writeColWidth(*this, i);
}

void TTableColumns::SetColumnWidth(int Col, float X) {
  if (Col < 0 || Col >= Count() || !std::isfinite(X)) return;
  TTableElement& t = *Table;
  TTableColumn& c = Cols[size_t(Col)];
  const float old = c.Pixels(WidthBase);
  float W = t.InnerWidth + std::max(0.0f, X - c.UsedWidth(WidthBase));
  X = std::max(X, c.MinWidth);
  if (std::fabs(old - X) < 1) return;
  c.Width = TColumnWidth{true, false, X};
  float cssWidth = 0;
  if (Col + 1 < Count() && SetWidthOf(&t, cssWidth)) {
    // The next column takes the difference: the table keeps its width.
    TTableColumn& next = Cols[size_t(Col) + 1];
    next.Width = TColumnWidth{true, false, std::max(next.MinWidth, next.Pixels(WidthBase) + old - X)};
    W = t.InnerWidth;
  }
  UpdateFlags();
  t.DistributeColumns(W);
  UpdateColTags();
}

// --- Cells and tables at a resize's end ------------------------------------------

void TTableCell::ResizeColumnTo(int Value) {
  TTableElement* t = Table();
  if (!t) return;
  if (!t->Columns) t->PrepareColumns();
  TTableColumns& cols = *t->Columns;
  if (Col >= cols.Count()) return;
  if (Col >= t->ColDescCount) cols.PrepareColTags();
  if (Col + 1 == t->ColCount) {
    // The last column: the table's width follows its columns.
    for (TTableColumn& c : cols.Cols) {
      c.DefaultPercent = false;
      c.Width = TColumnWidth{true, false, std::round(c.Pixels(cols.WidthBase))};
    }
    cols.UpdateColTags();
    if (t->SelfStyleSheet()) t->ClearCSS(u"width", true);
    if (THtAttributes* a = t->Attributes()) a->ClearAttr(u"width");
    // Laid out again now, the table is as wide as its columns.
    t->SizeFlags &= ~(sfWidthDefinite | sfWidthFixed);
  }
  float s = 0;
  for (int i = Col; i < Col + ColSpan - 1 && i < cols.Count(); ++i) s += cols.Cols[size_t(i)].UsedWidth(cols.WidthBase);
  cols.SetColumnWidth(std::min(Col + ColSpan - 1, cols.Count() - 1), float(Value) + InnerDeltaX() - s);
}

void TTableCell::SetUserWidth(int Value) {
  ResizeColumnTo(Value);
  TTableElement* t = Table();
  if (!t || ColSpan != 1 || !t->Document) return;
  const String id = t->GetAttribute(u"id");
  if (id.empty()) return;
  for (THtNode* n = t->Document; n; n = n->NextNode()) {
    auto* other = childAs<TTableElement>(n);
    if (!other || other == t || other->GetAttribute(u"id") != id) continue;
    TTableCell* c = other->HeaderCount() > 0 ? other->HeaderCell(Col) : other->BodyCell(Col);
    if (c) c->ResizeColumnTo(Value);
  }
}

void TTableCell::ApplyUserSize() {
  if (TTableElement* t = Table(); t && Col + 1 == t->ColCount) {
    if (t->SelfStyleSheet()) t->ClearCSS(u"width", true);
    if (THtAttributes* a = t->Attributes()) a->ClearAttr(u"width");
  }
  NotifyParent(this, 1, 0);
}

void TTableElement::ApplyUserSize() {
  const int userWidth = GetUserWidth();
  TElement::ApplyUserSize();
  if (!Columns) PrepareColumns();
  TTableColumns& cols = *Columns;
  cols.PrepareColTags();
  bool percent = false;
  for (const TTableColumn& c : cols.Cols) percent = percent || c.Auto || c.DefaultPercent;
  if (!percent && cols.Count() > 0) {
    const TTableColumn& last = cols.Cols.back();
    cols.SetColumnWidth(cols.Count() - 1, std::max(last.MinWidth, float(userWidth) - cols.TotalPixels() +
                                                                       last.UsedWidth(cols.WidthBase)));
  }
  if (SelfStyleSheet()) {
    ClearCSS(u"width", false);
    ClearCSS(u"resize", false);
  }
}

}  // namespace ht
