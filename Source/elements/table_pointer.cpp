// Pointer input over tables: the designer's row and column insertion marks,
// the hover repaint of the designer grid, row resizing refused where a cell
// spans rows, and header cells dropped on other headers or on a group box.
#include <algorithm>
#include <cmath>

#include "document/computed_style.h"
#include "document/document.h"
#include "elements/table_element.h"
#include "layout/line_blocks.h"
#include "paint/pointer.h"

namespace ht {

namespace {

bool within(float V, float Low, float High) { return V >= Low && V <= High; }

bool isHeaderCell(const TElement& E) { return E.Tag() == u"th"; }

}  // namespace

// --- Insertion marks and hover ------------------------------------------------------

bool TTableElement::MouseMove(int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI) {
  const bool result = TElement::MouseMove(X, Y, State, Outside, DI);
  THtDocument* doc = Document;
  const TElementStyle* S = ElementStyleOf(this);
  if (!doc || !S || Outside) return result;
  THtDrawInfo di = DI;
  PrepareDrawInfo(di);
  const float x = float(X), y = float(Y);
  const bool inside =
      (S->OverflowX() == eoVisible || within(x - di.CX - OuterRect.Left, 0, OuterRect.Right - OuterRect.Left)) &&
      (S->OverflowY() == eoVisible || within(y - di.CY - OuterRect.Top, 0, OuterRect.Bottom - OuterRect.Top));
  if (!inside) return result;
  if (doc->DesignerGrid && !(State & (ssLeft | ssRight))) {
    const int oldRow = AddRowMark, oldCol = AddColMark;
    AddRowMark = AddColMark = -1;
    LocalToDocument(di.CX, di.CY);
    if (doc->HasOption(hoAddRowMarks) && within(x, di.CX - 20, di.CX + 8)) {
      if (within(y, di.CY - 2, di.CY + 10)) {
        AddRowMark = 0;
      } else {
        for (int i = 0; i < RowCount; ++i) {
          TTableRow* r = Row(i);
          if (!r) continue;
          THtDrawInfo rd = di;
          r->PrepareDrawInfo(rd);
          const float bottom = rd.CY + r->OuterRect.Bottom;
          if (within(y, bottom - 10, bottom + 10)) {
            AddRowMark = i + 1;
            break;
          }
        }
      }
    }
    if (AddRowMark < 0 && doc->HasOption(hoAddColMarks) && Columns && within(y, di.CY - 10, di.CY)) {
      for (int i = 0; i <= ColCount; ++i) {
        const float left = di.CX + Columns->ColLeft(i, 1);
        if (within(x, left - 8, left + 8)) {
          AddColMark = i;
          break;
        }
      }
    }
    if (AddRowMark != oldRow || AddColMark != oldCol) doc->NeedRepaint = true;
  }
  if (AddRowMark >= 0 || AddColMark >= 0) {
    doc->ActiveTable = this;
    doc->Event.Target = this;
  }
  return result;
}

void TTableElement::MouseEnter(int X, int Y, TShiftState State) {
  TElement::MouseEnter(X, Y, State);
  if (Document && Document->DesignerGrid) Document->NeedRepaint = true;
}

void TTableElement::MouseLeave(int X, int Y, TShiftState State) {
  TElement::MouseLeave(X, Y, State);
  if (!Document) return;
  // Marks are offered only while the pointer is over the table.
  if (AddRowMark >= 0 || AddColMark >= 0) {
    AddRowMark = AddColMark = -1;
    Document->NeedRepaint = true;
  }
  if (Document->DesignerGrid) Document->NeedRepaint = true;
}

// --- Row resizing ---------------------------------------------------------------------

bool TTableRow::MouseMove(int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI) {
  const bool result = TElement::MouseMove(X, Y, State, Outside, DI);
  THtDocument* doc = Document;
  if (!doc || !doc->EnableResize) return result;
  if (const TElementStyle* S = ElementStyleOf(this); S && ResizesVertically(S->Resize())) {
    THtDrawInfo di = DI;
    PrepareDrawInfo(di);
    if (std::fabs(float(Y) - (di.CY + OuterRect.Bottom)) < 5 && !CanResizeAt(float(X), float(Y), di.CX, di.CY)) {
      doc->Cursor = crDefault;
      // The edge offered by the base move is not a resize edge here.
      if (doc->SizingElement == this) doc->SizingElement = nullptr;
    }
  }
  // Just below the bottom edge of the row above, this row holds the
  // pointer and its section looks no further: the edge is offered here.
  if (Outside || (State & ssLeft) || !Table || Row < 1 || Row >= Table->RowCount) return result;
  TTableRow* above = Table->Row(Row - 1);
  const TElementStyle* AS = above ? ElementStyleOf(above) : nullptr;
  if (!AS || above->Parent() != Parent() || !ResizesVertically(AS->Resize()) || !above->HasFlag(efVisible))
    return result;
  THtDrawInfo da = DI;
  above->PrepareDrawInfo(da);
  const float bottom = da.CY + above->OuterRect.Bottom;
  const TRectF border = above->BorderRect();
  if (float(Y) >= bottom && float(Y) - bottom < 4 && within(float(X) - da.CX, border.Left, border.Right) &&
      above->CanResizeAt(float(X), float(Y), da.CX, da.CY)) {
    doc->Cursor = crVSplit;
    doc->SizingElement = above;
  }
  return result;
}

void TTableRow::BeginSizing(bool Horizontal, bool Vertical, int X, int Y) {
  if (CanResizeAt(float(X), float(Y), RealLeft(), RealTop())) TElement::BeginSizing(Horizontal, Vertical, X, Y);
}

// --- Header drops -----------------------------------------------------------------------

void TTableCell::EndDrag(int X, int Y) {
  THtDocument* doc = Document;
  const bool moved = HasFlag(efDragMoved);
  const bool tracked = doc && doc->DragElement == this;
  TElement::EndDrag(X, Y);
  // A drag-end handler may have removed the cell; a press released without
  // a move drops nothing.
  if (!doc || !moved || (tracked && doc->DragElement != this) || !isHeaderCell(*this)) return;
  THtLineBlock* run = nullptr;
  doc->GetLineBlockAt(float(X), float(Y), u"th", u"", run);
  if (run && run->E && run->E != this && isHeaderCell(*run->E)) {
    if (auto* other = dynamic_cast<TTableCell*>(run->E); other && other->Table() == Table()) {
      HeaderDropped(other);
      return;
    }
  }
  run = nullptr;
  doc->GetLineBlockAt(float(X), float(Y), u"div", u"table-group-box", run);
  if (run && run->E) HeaderDropped(run->E);
}

}  // namespace ht
