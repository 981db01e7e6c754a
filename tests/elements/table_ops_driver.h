#pragma once
// Drives the data grid's operations from a byte string, for the grid
// operations fuzz target and the seeded sequences of the tests: a table
// with spans read from the first bytes, then one operation per three bytes
// with indexes in and out of range. Every operation either keeps the grid
// sound or raises the grid's exception; the table may remove itself with
// its last row, after which nothing of it is touched.
#include <cstddef>
#include <cstdint>
#include <string>

#include "document/document.h"
#include "elements/table_element.h"
#include "layout/layout_style.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/string.h"

namespace ht::testing {

// What is wrong with the grid, or empty.
inline std::string TableGridFault(TTableElement* T) {
  if (T->RowCount != T->HeaderCount() + T->BodyCount()) return "RowCount differs from the row lists";
  for (int r = 0; r < T->RowCount; ++r) {
    TTableRow* row = T->Row(r);
    if (!row) return "a listed row is not a table row";
    if (row->Row != r) return "row " + std::to_string(r) + " numbered " + std::to_string(row->Row);
    for (int k = 0; k < row->Count(); ++k) {
      auto* c = dynamic_cast<TTableCell*>(row->ChildNodes(k));
      if (c && DisplayOf(c) != dsNone && c->Col >= T->ColCount)
        return "a cell of row " + std::to_string(r) + " outside the grid";
    }
  }
  return {};
}

inline std::u16string TableFromBytes(const uint8_t*& Data, size_t& Size) {
  auto next = [&]() -> uint8_t {
    if (Size == 0) return 0;
    --Size;
    return *Data++;
  };
  const int rows = 1 + next() % 6, cols = 1 + next() % 5;
  std::u16string s = u"<table>";
  if (next() & 1) s += u"<col><col span=2>";
  for (int r = 0; r < rows; ++r) {
    const bool header = r == 0 && (next() & 1);
    s += header ? u"<thead><tr>" : u"<tr>";
    for (int c = 0; c < cols; ++c) {
      const uint8_t b = next();
      s += header ? u"<th" : u"<td";
      if (b & 0x10) s += u" colspan=" + Utf8ToString(std::to_string(1 + (b & 3)));
      if (b & 0x20) s += u" rowspan=" + Utf8ToString(std::to_string(1 + ((b >> 2) & 3)));
      if (b & 0x40) s += u" class=float";
      s += u">" + Utf8ToString(std::to_string(b % 7)) + (header ? u"</th>" : u"</td>");
    }
    s += header ? u"</tr></thead>" : u"</tr>";
  }
  return s + u"</table>";
}

// Runs the operations; false with Fault set when an operation broke the
// grid. Removed is set when the table removed itself.
inline bool RunTableOps(TTableElement* T, const uint8_t* Data, size_t Size, std::string& Fault, bool& Removed) {
  Removed = false;
  while (Size >= 3) {
    const uint8_t op = Data[0];
    const int a = int(int8_t(Data[1])) % 9, b = int(int8_t(Data[2])) % 9;
    Data += 3;
    Size -= 3;
    const bool last = T->RowCount == 1;
    try {
      switch (op % 15) {
        case 0: T->InsertRow(a, u"r"); break;
        case 1: T->InsertCol(a, u"c", b & 1 ? u"20" : u""); break;
        case 2:
          T->DeleteRow(a);
          if (last && a == 0) {
            Removed = true;
            return true;
          }
          break;
        case 3: T->DeleteCol(a); break;
        case 4: T->SetRowCount(std::abs(a) % 8 + 1); break;
        case 5: T->SetColCount(std::abs(a) % 8); break;
        case 6: T->Sort(a, true); break;
        case 7: T->MoveColumn(a, b); break;
        case 8: T->Group(a); break;
        case 9: T->Ungroup(u"k", a); break;
        case 10:
          if (a >= 0 && a < T->RowCount)
            if (TTableCell* c = T->Row(a)->Cells(std::abs(b) % 6)) c->SetColSpan(b);
          break;
        case 11:
          if (a >= 0 && a < T->RowCount)
            if (TTableCell* c = T->Row(a)->Cells(std::abs(b) % 6)) c->SetRowSpan(b);
          break;
        case 12: (void)T->AsCSV(); break;
        case 13: T->RemoveUnecessaryColspans(); break;
        case 14: T->AddRow(); break;
      }
    } catch (const ERangeError&) {
    } catch (const Exception& e) {
      if (e.Message() != u"Too many table columns") throw;
    }
    Fault = TableGridFault(T);
    if (!Fault.empty()) return false;
  }
  return true;
}

}  // namespace ht::testing
