// Data grid editing: rows and columns inserted and deleted with their spans
// and col elements, cells merged and split, the column and row counts,
// tab-separated export and the table's presentational attributes.
#include <algorithm>
#include <vector>

#include "css/style_sheet.h"
#include "document/document.h"
#include "elements/table_element.h"
#include "elements/table_util.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

namespace ht {

using namespace table_util;

namespace {

constexpr StringView kNoBreakSpace = u"\u00A0";

TElement* makeChild(TElement* Parent, const THtNodeClass* Class, StringView Tag) {
  auto* e = static_cast<TElement*>(Parent->AddChild(Class));
  e->SetTag(Tag);
  e->TagType = htIdent;
  return e;
}

TTableCell* newCell(TElement* Row, StringView Tag) {
  return static_cast<TTableCell*>(makeChild(Row, &TTableCell::ClassType, Tag));
}

// The last cell child of Row starting before column Col (null: none), after
// which a cell of column Col belongs.
TTableCell* cellBefore(TElement* Row, int Col) {
  TTableCell* found = nullptr;
  for (int k = 0; k < Row->Count(); ++k)
    if (auto* c = childAs<TTableCell>(Row->ChildNodes(k)); c && c->Col < Col) found = c;
  return found;
}

// Places Cell (a child of Row) right after After, or first without one.
void placeAfter(TElement* Row, TTableCell* After, TTableCell* Cell) { Row->InsertAfter(After, Cell); }

void setSpanAttribute(TElement* Cell, StringView Name, int Value) {
  if (Value == 1) {
    if (THtAttributes* a = Cell->Attributes()) a->ClearAttr(Name);
  } else {
    Cell->SetAttribute(Name, Format(u"%d", Value));
  }
}

void copyStyleText(TElement* From, TElement* To) {
  const String style = From->GetAttribute(u"style");
  if (!style.empty()) To->SetAttribute(u"style", style);
}

// Appends a line break and then the children of From to To.
void absorbChildren(TElement* To, TElement* From) {
  makeChild(To, From->GetElementClass(u"br", nullptr), u"br");
  while (From->Count() > 0) {
    TElement* c = AsElement(From->ChildNodes(0));
    if (!c) {
      From->DeleteChild(From->ChildNodes(0));
      continue;
    }
    To->Add(c);
  }
}

}  // namespace

// --- Editing scope --------------------------------------------------------------

void TTableElement::finishEdit() {
  THtDocument* doc = Document;
  const bool layout = fEditLayout;
  fEditLayout = false;
  if (fRemovePending) {
    fRemovePending = false;
    if (TElement* p = Parent()) {
      p->DeleteChild(this);  // frees the table: nothing of it is read below
      if (doc) {
        doc->RecalcStyles();
        doc->Changed = true;
        doc->NeedRecalc = true;
      }
      return;
    }
  }
  BuildGrid();
  if (!doc) return;
  doc->RecalcIndexes();
  doc->RecalcStyles();
  doc->Changed = true;
  doc->NeedRecalc = true;
  doc->NeedRepaint = true;
  // A document never laid out is laid out by its next paint.
  if (layout && doc->FLaidOut) doc->Recalc();
}

void TTableElement::renumberRows(int From) {
  for (int i = std::max(0, From); i < RowCount; ++i)
    if (TTableRow* r = Row(i)) r->Row = i;
}

// --- Rows ---------------------------------------------------------------------------

void TTableElement::InsertRow(int NewRowIndex, StringView CellContent) {
  editing(true, [&] {
    if (!Body) Prepare();
    if (NewRowIndex > RowCount) throw ERangeError(u"Table row index out of range");
    NewRowIndex = std::max(0, NewRowIndex);
    const int h = HeaderCount();
    // What each column gets: a cell spanning across the new row grows by
    // one row, every other column gets a new cell. A cell spanning several
    // columns is met once.
    std::vector<std::pair<TTableCell*, int>> widen;
    std::vector<int> newCols;
    for (int col = 0; col < ColCount;) {
      TTableCell* above = nullptr;
      int j = NewRowIndex - 1;
      for (; j >= 0 && !above; --j)
        if (TTableRow* r = Row(j)) above = r->Cells(col);
      ++j;
      const int span = above ? above->GetRowSpan() : 1;
      if (above && span > 1 && j + span > NewRowIndex) {
        widen.emplace_back(above, span);
        col = std::max(col + 1, above->Col + above->ColSpan);
        continue;
      }
      newCols.push_back(col++);
    }
    // The new row's place in the tree: before the row it displaces, or
    // after the row before it; a row after the last header row opens the
    // body.
    auto rowAt = [&](int i) { return static_cast<TElement*>(i < h ? Header->Get(i) : Body->Get(i - h)); };
    TElement* parent = this;
    TElement* before = nullptr;
    TElement* after = nullptr;
    if (NewRowIndex < RowCount && (NewRowIndex == 0 || NewRowIndex == h)) {
      before = rowAt(NewRowIndex);
      parent = before->Parent();
    } else if (NewRowIndex == h && h > 0 && TBodies && TBodies->Count() > 0) {
      parent = static_cast<TElement*>(TBodies->Get(TBodies->Count() - 1));
    } else if (NewRowIndex > 0) {
      after = rowAt(NewRowIndex - 1);
      parent = after->Parent();
    }
    if (!parent) parent = this;
    auto* row = static_cast<TTableRow*>(makeChild(parent, &TTableRow::ClassType, u"tr"));
    if (before) parent->InsertBefore(before, row);
    else if (after) parent->InsertAfter(after, row);
    row->Table = this;
    if (NewRowIndex < h) Header->Insert(NewRowIndex, row);
    else Body->Insert(NewRowIndex - h, row);
    ++RowCount;
    renumberRows(NewRowIndex);
    for (auto [cell, span] : widen) cell->SetAttribute(u"rowspan", Format(u"%d", span + 1));
    for (int col : newCols) {
      TTableCell* c = newCell(row, u"td");
      c->SetInnerText(CellContent);
      c->Col = uint16_t(col);
    }
    if (!widen.empty()) IncludeTableFlag(tfHasRowspans);
    NotifyParent(this, 5, NewRowIndex);
  });
}

void TTableElement::deleteRow(int Index) {
  if (!Body) Prepare();
  if (Index < 0 || Index >= RowCount) throw ERangeError(u"Table row index out of range");
  const int h = HeaderCount();
  auto* r = static_cast<TElement*>(Index < h ? Header->Get(Index) : Body->Get(Index - h));
  bool split = false;
  for (int k = 0; k < r->Count(); ++k)
    if (auto* c = childAs<TTableCell>(r->ChildNodes(k)); c && c->GetRowSpan() > 1) {
      c->setRowSpan(1);
      split = true;
    }
  if (Index < h) Header->Delete(Index);
  else Body->Delete(Index - h);
  --RowCount;
  freeRow(r);
  if (RowCount == 0) {
    NotifyParent(this, 6, Index);
    fRemovePending = true;
    return;
  }
  if (HasTableFlag(tfHasRowspans))
    for (int j = Index - 1; j >= 0; --j) {
      TTableRow* above = Row(j);
      if (!above) continue;
      for (int k = 0; k < above->Count(); ++k) {
        auto* c = childAs<TTableCell>(above->ChildNodes(k));
        if (!c) continue;
        const String& attr = c->GetAttribute(u"rowspan");
        if (attr.empty()) continue;
        const long long v = leadingInteger(attr);
        if (v >= Index - j + 1) c->SetAttribute(u"rowspan", Format(u"%d", int(v - 1)));
      }
    }
  renumberRows(Index);
  if (split) BuildGrid();
  NotifyParent(this, 6, Index);
}

void TTableElement::DeleteRow(int Index) {
  editing(false, [&] { deleteRow(Index); });
}

TTableRow* TTableElement::AddRow() {
  if (!TBodies || TBodies->Count() == 0) Prepare();
  auto* section = static_cast<TElement*>(TBodies->Get(TBodies->Count() - 1));
  auto* row = static_cast<TTableRow*>(makeChild(section, &TTableRow::ClassType, u"tr"));
  row->Table = this;
  row->Row = RowCount;
  Body->Add(row);
  ++RowCount;
  StyleChanged(true);
  return row;
}

void TTableElement::SetRowCount(int Value) {
  editing(true, [&] {
    if (!Body) Prepare();
    Value = std::max(0, Value);
    while (RowCount < Value) InsertRow(RowCount, kNoBreakSpace);
    while (RowCount > Value) deleteRow(RowCount - 1);
  });
}

// --- Columns ------------------------------------------------------------------------

TElement* TTableElement::InsertCol(int NewColIndex, StringView CellContent, StringView AWidth) {
  TElement* result = nullptr;
  editing(true, [&] {
    if (!Body) Prepare();
    if (NewColIndex > ColCount) throw ERangeError(u"Table column index out of range");
    // Raised before anything is made, so that the grid stays whole.
    if (ColCount + 1 >= kMaxTableColumns) throw Exception(u"Too many table columns");
    NewColIndex = std::max(0, NewColIndex);
    // The cell covering the column before the new one in each row, also
    // from a row above; each spanning cell grows once.
    std::vector<TTableCell*> covering(size_t(RowCount), nullptr);
    if (NewColIndex > 0)
      for (int r = 0; r < RowCount; ++r) {
        TTableRow* row = Row(r);
        if (!row) continue;
        if (TTableCell* a = row->Cells(NewColIndex - 1)) {
          for (int k = 0; k < a->GetRowSpan() && r + k < RowCount; ++k) covering[size_t(r + k)] = a;
        }
      }
    std::vector<TTableCell*> widened;
    for (int r = 0; r < RowCount; ++r) {
      TTableRow* row = Row(r);
      if (!row) continue;
      if (NewColIndex == 0) {
        TTableCell* first = row->Cells(0);
        TTableCell* c = newCell(row, first ? StringView(first->Tag()) : StringView(u"td"));
        row->InsertAfter(nullptr, c);
        if (first) copyStyleText(first, c);
        c->SetInnerText(CellContent);
        continue;
      }
      TTableCell* a = covering[size_t(r)];
      if (!a) continue;
      const bool own = a->Parent() == row;
      if (a->Col + a->ColSpan == NewColIndex) {
        // The span ends before the new column: a cell of its own, also in
        // the rows a row span covers.
        TTableCell* anchor = own ? a : cellBefore(row, NewColIndex);
        TTableCell* c = newCell(row, a->Tag());
        placeAfter(row, anchor, c);
        copyStyleText(a, c);
        c->SetInnerText(CellContent);
        c->Col = uint16_t(NewColIndex);
      } else if (own && std::find(widened.begin(), widened.end(), a) == widened.end()) {
        widened.push_back(a);
        const int span = std::min(1024, a->ColSpan + 1);
        a->SetAttribute(u"colspan", Format(u"%d", span));
        a->ColSpan = uint16_t(span);
      }
    }
    setGridColCount(ColCount + 1);
    if (NewColIndex < ColDescCount && size_t(NewColIndex) < ColDesc.size()) {
      TElement* at = ColDesc[size_t(NewColIndex)];
      TElement* parent = at->Parent() ? at->Parent() : this;
      TElement* col = makeChild(parent, GetElementClass(u"col", nullptr), u"col");
      if (at->Parent()) parent->InsertBefore(at, col);
      if (!AWidth.empty()) col->SetAttribute(u"width", AWidth);
      ColDesc.insert(ColDesc.begin() + NewColIndex, col);
      ++ColDescCount;
      result = col;
    } else {
      ColDesc.resize(size_t(ColDescCount));
      TElement* previous = nullptr;
      while (ColDescCount <= NewColIndex) {
        TElement* col = makeChild(this, GetElementClass(u"col", nullptr), u"col");
        if (previous) InsertAfter(previous, col);
        previous = col;
        ColDesc.push_back(col);
        ++ColDescCount;
      }
      result = ColDesc[size_t(NewColIndex)];
      if (!AWidth.empty()) result->SetAttribute(u"width", AWidth);
    }
    BuildGrid();
    NotifyParent(this, 3, NewColIndex);
  });
  return result;
}

void TTableElement::DeleteCol(int ColIndex) {
  editing(false, [&] {
    if (!Body) Prepare();
    if (ColIndex < 0 || ColIndex >= ColCount) throw ERangeError(u"Table column index out of range");
    for (int r = 0; r < RowCount; ++r) {
      TTableRow* row = Row(r);
      if (!row) continue;
      TTableCell* at = row->Cells(ColIndex);
      if (at && at->Col != ColIndex) at = nullptr;
      for (int k = 0; k < row->Count(); ++k) {
        auto* c = childAs<TTableCell>(row->ChildNodes(k));
        if (c && c->Col < ColIndex && ColIndex < c->Col + c->ColSpan) {
          c->ColSpan = uint16_t(c->ColSpan - 1);
          setSpanAttribute(c, u"colspan", c->ColSpan);
        }
      }
      if (at) {
        if (at->ColSpan > 1) at->setColSpan(1);
        row->DeleteChild(at);
      }
    }
    if (ColIndex < ColDescCount && size_t(ColIndex) < ColDesc.size()) {
      TElement* col = ColDesc[size_t(ColIndex)];
      // The entry goes first: a col element freed below is not looked for.
      ColDesc.erase(ColDesc.begin() + ColIndex);
      --ColDescCount;
      const String span = col->GetAttribute(u"span");
      if (span == u"2") {
        col->Attributes()->ClearAttr(u"span");
      } else if (!span.empty()) {
        col->SetAttribute(u"span", Format(u"%d", int(leadingInteger(span) - 1)));
      } else if (TElement* p = col->Parent()) {
        p->DeleteChild(col);
      }
    }
    BuildGrid();
    NotifyParent(this, 4, ColIndex);
  });
}

void TTableElement::SetColCount(int Value) {
  editing(true, [&] {
    if (!Body) Prepare();
    Value = std::max(0, Value);
    while (ColCount < Value) InsertCol(ColCount, kNoBreakSpace, u"100");
    while (ColCount > Value) DeleteCol(ColCount - 1);
  });
}

// --- Export, attributes, cell styles -------------------------------------------------

String TTableElement::AsCSV() {
  String s;
  for (int r = 0; r < RowCount; ++r) {
    if (r > 0) s += u"\r\n";
    TTableRow* row = Row(r);
    TTableCell* last = nullptr;
    String text;
    for (int c = 0; c < ColCount; ++c) {
      if (c > 0) s += u'\t';
      TTableCell* cell = row ? row->Cells(c) : nullptr;
      if (!cell) continue;
      if (cell != last) {
        last = cell;
        const String raw = cell->GetInnerText();
        StringView t = raw;
        while (!t.empty() && IsBlankChar(t.back())) t.remove_suffix(1);
        text.assign(1, u'"');
        for (char16_t ch : t) {
          if (ch == u'"') text += u'"';
          text += ch;
        }
        text += u'"';
      }
      s += text;
    }
  }
  return s;
}

void TTableElement::ParseAttribute(StringView Param, StringView Value) {
  TElement::ParseAttribute(Param, Value);
  long long v = 0;
  if (SameTextAscii(Param, u"cellspacing")) {
    AddVirtualCSS2(u"border-spacing", String(TrimBlanks(Value)) + u"px");
  } else if (SameTextAscii(Param, u"cellpadding")) {
    if (readInteger(Value, v)) CellPadding = int(std::clamp<long long>(v, -100000, 100000));
  } else if (SameTextAscii(Param, u"border")) {
    if (Value == u"0") return;
    if (Value.empty()) v = 1;
    else if (!readInteger(Value, v)) return;
    const int w = int(std::clamp<long long>(v, -100000, 100000));
    CellBorderWidth = w;
    AddVirtualCSS2(u"border-width", Format(u"%dpx", w));
    AddVirtualCSS2(u"border-style", u"solid");
  } else if (SameTextAscii(Param, u"bordercolor")) {
    AddVirtualCSS2(u"border-color", Value);
  } else if (SameTextAscii(Param, u"bgcolor")) {
    AddVirtualCSS2(u"background-color", Value);
  }
}

void TTableElement::ClearCellWidths() {
  for (int r = 0; r < RowCount; ++r) {
    TElement* row = Row(r);
    if (!row) continue;
    for (int k = 0; k < row->Count(); ++k) {
      TElement* c = AsElement(row->ChildNodes(k));
      if (!c) continue;
      if (childAs<TTableCell>(c) && c->Attributes()) c->Attributes()->ClearAttr(u"width");
      if (TCSSStyleSheet* sheet = c->SelfStyleSheet(); sheet && !sheet->ValuebyName(u"width").empty())
        c->ClearCSS(u"width", true);
    }
  }
}

void TTableElement::SetColumnStyle(int ColumnIndex, StringView AStyle) {
  for (int i = 0; i < BodyCount(); ++i) {
    auto* row = childAs<TTableRow>(Body->Get(i));
    if (!row || row->HasClass(u"total") || row->HasClass(u"group")) continue;
    TTableCell* c = row->Cells(ColumnIndex);
    if (!c) continue;
    c->SetAttr(u"style", AStyle);
    c->ClearSelfStyleSheet();
    c->ExcludeFlag(efSelfStyleProcessed);
    c->StyleChanged(true);
  }
  SetStyleCalculated(false);
  if (Document) {
    Document->Changed = true;
    Document->NeedRecalc = true;
    Document->NeedRepaint = true;
  }
}

// --- Cells: merging and splitting ---------------------------------------------------

void TTableCell::CopyInlineDeclarations(TTableCell* Target, std::initializer_list<StringView> Names) {
  TCSSStyleSheet* sheet = SelfStyleSheet();
  if (!Target || !sheet || sheet->Sections().empty()) return;
  String css;
  for (const TCSSValue& v : sheet->Sections().front()->Values)
    for (StringView name : Names)
      if (SameTextAscii(v.Name, name)) {
        String d = v.AsString();
        if (v.Important && d.find(u"important") == String::npos) {
          if (!d.empty() && d.back() == u';') d.pop_back();
          d += u" !important;";
        }
        css += d;
      }
  if (!css.empty()) Target->AddCSS(css, false, 1);
}

void TTableCell::setColSpan(int Value) {
  TTableElement* t = Table();
  const int v = t ? std::min(Value, int(t->ColCount) - int(Col)) : std::min(Value, 1024);
  if (v <= 0 || v == ColSpan) return;
  const int row0 = GetRow();
  const int rows = t ? GetRowSpan() : 1;
  if (v > ColSpan && t) {
    for (int r = row0; r < row0 + rows && r < t->RowCount; ++r) {
      TTableRow* row = t->Row(r);
      TTableCell* x = row ? row->Cells(Col + ColSpan) : nullptr;
      if (!x || x == this) continue;
      if (x->SelfStyleSheet())
        x->CopyInlineDeclarations(this, {u"border-right", u"border-right-width", u"border-right-color", u"border-right-style"});
      int k = v - ColSpan;
      int pos = x->NodeIndex();
      while (pos < row->Count() && k > 0) {
        auto* c = childAs<TTableCell>(row->ChildNodes(pos));
        if (!c || c == this) {
          ++pos;
          continue;
        }
        if (c->ColSpan > k) {
          c->ColSpan = uint16_t(c->ColSpan - k);
          setSpanAttribute(c, u"colspan", c->ColSpan);
          break;
        }
        if (THtNode* last = Last(); last != this)
          if (auto* text = AsElement(last); text && text->IsText()) text->SetContent(text->Content() + u" ");
        absorbChildren(this, c);
        k -= c->ColSpan;
        row->DeleteChild(c);
      }
    }
  } else if (v < ColSpan && t) {
    for (int r = row0; r < row0 + rows && r < t->RowCount; ++r) {
      TTableRow* row = t->Row(r);
      if (!row) continue;
      TTableCell* anchor = r == row0 ? this : cellBefore(row, Col);
      for (int n = 0; n < ColSpan - v; ++n) {
        TTableCell* c = newCell(row, Tag());
        placeAfter(row, anchor, c);
        if (SelfStyleSheet()) copyStyleText(this, c);
        c->SetInnerText(kNoBreakSpace);
        c->Col = uint16_t(Col + v + n);
        anchor = c;
      }
    }
  }
  ColSpan = uint16_t(v);
  setSpanAttribute(this, u"colspan", v);
}

void TTableCell::setRowSpan(int Value) {
  TTableElement* t = Table();
  TTableRow* own = childAs<TTableRow>(Parent());
  if (!t || !own || own->Table != t) {
    if (Value >= 1) setSpanAttribute(this, u"rowspan", std::min(Value, 65535));
    return;
  }
  const int row0 = GetRow(), span = GetRowSpan();
  int v = std::min(Value, t->RowCount - row0);
  if (v <= 0 || v == span) return;
  int d = v - span;
  if (d < 0) {
    for (int r = row0 + span - 1, n = 0; n < -d && r > row0; --r, ++n) {
      TTableRow* row = t->Row(r);
      if (!row) continue;
      TTableCell* anchor = cellBefore(row, Col);
      TTableCell* c = newCell(row, u"td");
      placeAfter(row, anchor, c);
      if (SelfStyleSheet()) copyStyleText(this, c);
      if (ColSpan > 1) {
        c->ColSpan = ColSpan;
        c->SetAttribute(u"colspan", Format(u"%d", int(ColSpan)));
      }
      c->Col = Col;
    }
  } else {
    // Every cell to absorb must start in this cell's column with its span.
    for (int r = row0 + span; r < row0 + v; ++r) {
      TTableRow* row = t->Row(r);
      TTableCell* y = row ? row->Cells(Col) : nullptr;
      if (y && (y->ColSpan != ColSpan || y->Col != Col)) return;
    }
    if (TTableRow* last = t->Row(row0 + v - 1))
      if (TTableCell* y = last->Cells(Col); y && y->SelfStyleSheet())
        y->CopyInlineDeclarations(this, {u"border-bottom", u"border-bottom-width", u"border-bottom-color",
                                         u"border-bottom-style"});
    for (int r = row0 + span; r < row0 + v && d > 0;) {
      TTableRow* row = t->Row(r);
      TTableCell* y = row ? row->Cells(Col) : nullptr;
      if (!y) {
        ++r;
        continue;
      }
      const int u = y->GetRowSpan();
      if (d < u) {
        // The rest of y's span stays below this cell's new end: y moves
        // down to the first row it still covers alone.
        TTableRow* target = t->Row(r + d);
        if (target && target != row) {
          target->InsertAfter(cellBefore(target, Col), y);
          y->Col = Col;
        }
        setSpanAttribute(y, u"rowspan", u - d);
        break;
      }
      d -= u;
      if (y->Count() > 0) absorbChildren(this, y);
      row->DeleteChild(y);
      r += u;
    }
    if (Col == 0 && ColSpan == t->ColCount) {
      while (v > 1 && row0 + 1 < t->RowCount) {
        t->deleteRow(row0 + 1);
        --v;
      }
      v = 1;
    }
  }
  setSpanAttribute(this, u"rowspan", v);
}

void TTableCell::SetColSpan(int Value) {
  TTableElement* t = Table();
  if (!t) return setColSpan(Value);
  t->editing(true, [&] {
    setColSpan(Value);
    t->BuildGrid();
  });
}

void TTableCell::SetRowSpan(int Value) {
  TTableElement* t = Table();
  if (!t) return setRowSpan(Value);
  t->editing(true, [&] {
    setRowSpan(Value);
    t->BuildGrid();
  });
}

}  // namespace ht
