#pragma once
// Tables: the table element builds a grid from its markup (rows in header
// then body order, each cell placed at a starting column with its column
// and row spans) that column widths, row layout, paging and drawing read.
// The grid is derived from the element tree and rebuilt from it whenever
// the table's content or a row's display changes; the tree stays the
// content.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "document/element.h"
#include "elements/table_columns.h"

namespace ht {

class TTableRow;
class TTableCell;

enum TTableFlag : uint8_t {
  tfHasColspans,     // a placed cell spans more than one column
  tfHasRowspans,     // a placed cell spans more than one row
  tfHasAutoColumns,  // declared for the column set; nothing sets it
  tfNeedPrepare,     // a row's display changed: the next restyle prepares again
};
using TTableFlags = uint8_t;

// Columns are counted in 16 bits with a carry counter each; the grid stays
// below this many.
constexpr int kMaxTableColumns = 2048;

class TTableElement : public TElement {
  friend class TTableCell;

 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TTableElement();
  ~TTableElement() override;

  int SortColumn = -1;
  uint16_t ColCount = 0;
  bool fBorderCollapse = false;
  bool fLastRowComplete = false, fHeaderComplete = false;
  int fFirstBodyRow = 0, fLastBodyRow = 0, fPrevLastBodyRow = 0;
  int fFirstHeaderRow = 0, fLastHeaderRow = 0, fPrevLastHeaderRow = 0;
  int RowCount = 0;
  float fWidthBase = 0;
  // Non-owning row lists, null until the first Prepare.
  std::unique_ptr<TElementList> Header, Body, TBodies;
  TTableFlags TableFlags = 0;
  std::vector<TElement*> ColDesc;  // the col element of each described column
  int CellBorderWidth = 0;
  int ColDescCount = 0;
  int HCellSpacing = 2, VCellSpacing = 2;
  int CellPadding = 1;
  int BorderHeight = 0, BorderWidth = 0;
  int SelectedColumn = -1;
  TElement* THead = nullptr;
  TElement* TFoot = nullptr;
  TElement* Caption = nullptr;
  int AddRowMark = -1, AddColMark = -1;
  bool HeaderFit = false, HeaderRepeat = false;
  std::unique_ptr<TTableColumns> Columns;
  int fMaxRowSpan = 1;  // the longest row span the last layout met
  bool fScrollingDescendants = false;  // the last layout left scroll state inside the table

  bool HasTableFlag(TTableFlag f) const { return TableFlags & (1u << f); }
  void IncludeTableFlag(TTableFlag f) { TableFlags |= uint8_t(1u << f); }
  void ExcludeTableFlag(TTableFlag f) { TableFlags &= uint8_t(~(1u << f)); }

  // Rebuilds the row lists, sections, caption and column descriptions from
  // the children, adds an implicit tbody when there is none, then builds
  // the grid. Raises Exception "Too many table columns" past 2047 columns
  // (the columns counted so far stay).
  void Prepare();
  // Places every cell of the rows and numbers the rows.
  void BuildGrid();
  // Header rows first, then body rows; no range check.
  TTableRow* Row(int Index) const;
  // Raises ERangeError "Table row index out of range" when ARow >= RowCount;
  // else the cell of that row covering Col, or null.
  TTableCell* GetCells(int Col, int ARow) const;
  TTableCell* Cells(int Col, int ARow) const { return GetCells(Col, ARow); }
  // The cell of the last row covering the last column; null when empty.
  TTableCell* GetLastCell() const;
  TTableCell* LastCell() const { return GetLastCell(); }
  // The header cell of Col: with several header rows, only a cell starting
  // exactly at Col, searched from the last header row up.
  TTableCell* HeaderCell(int Col) const;
  // The first body cell covering Index from the last body row up.
  TTableCell* BodyCell(int Index) const;
  // Merges columns that every cell starting there spans alike.
  void RemoveUnecessaryColspans();
  void SetInnerHTML(StringView s) override;
  void SetOuterHTML(StringView s) override;
  // The element's cascade, then the grid again, the sections' display and
  // a pending Prepare.
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
  // The index in Body of the nearest row at or above RowElement whose class
  // is exactly "group" (0 when none).
  int GroupRowIndex(TElement* RowElement) const;
  // Resets the paging state.
  void ResetPaging();
  // E, or an element holding E, is being freed: the row lists, sections,
  // caption and col elements let go of what lies in it, and the next
  // restyle prepares the table again.
  void ForgetPart(TElement* E);

  // --- Column widths (table_widths.cpp) -------------------------------------
  // Spacing, columns measured from the cells, the table's min- and
  // max-content widths.
  void UpdateMinMaxWidth(float AMinWidth, float AMaxWidth) override;
  // Distributes the width the table may use over its columns.
  void CalcTableColumns() override;
  void CalcBoxes(TFlow* Flow) override;
  float ColWidth(int Col, int Span) const { return Columns ? Columns->ColSpanWidth(Col, Span) : 0.0f; }
  // The CSS width as a content width; 0 without one.
  float StyleInnerWidth() const;
  void PrepareColumns();
  void MeasureRowCells(TElement* R);
  void DistributeColumns(float W);
  bool FixedLayout() const;

  // --- Rows and layout (table_layout.cpp) -----------------------------------
  void BeforeCalcLayout() override;
  bool CalcLayout() override;
  // Rows First .. First+Count-1 with the spacing between them.
  float RowsHeight(int First, int Count) const;
  int HeaderHeight() const;
  // Grows the rows a row-spanning cell of row Index covers to its height.
  void DistributeSpanHeights(int Index);
  void GrowRows(int First, int Last, float X);
  void ShrinkRows(int First, int Last, float X);
  // In paged output: the row (a grid index) moves to the next page whole
  // rather than being cut.
  bool KeepRowTogether(int Index) const;
  // The table's own border box only (none for a static table outside a
  // clipping ancestor); its content is hit through its rows.
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  // The run nearest to the page point inside the grid row at its height,
  // else the table's own.
  THtLineBlock* GetNearestLineBlockAt(float X, float Y) override;
  int HeaderCount() const { return Header ? Header->Count() : 0; }
  int BodyCount() const { return Body ? Body->Count() : 0; }

  // --- Data grid: editing (table_edit.cpp) -----------------------------------
  // Every operation keeps the row lists, RowCount and the grid in step with
  // the tree, then restyles and lays the document out again once, after the
  // outermost operation. Indexes outside the grid raise ERangeError ("Table
  // row index out of range", "Table column index out of range").
  //
  // Writers of ColCount and RowCount: columns or rows added at the end hold
  // a no-break space; shrinking deletes from the end. Deleting the last row
  // removes the table from its parent when the operation is done: the
  // caller must not use the table afterwards.
  void SetColCount(int Value);
  void SetRowCount(int Value);
  // A new row at grid index NewRowIndex (0..RowCount): under a header row
  // at 0 it is a header row. A column covered by a cell spanning across
  // the new row widens that cell's row span instead of getting a cell.
  void InsertRow(int NewRowIndex, StringView CellContent);
  // A new column at NewColIndex (0..ColCount): a cell next to the column
  // before it, or one more column of a cell spanning across it; a col
  // element when the table describes its columns. Answers the col element
  // of the new column, or null. Raises "Too many table columns" at 2048
  // (cells made before stay).
  TElement* InsertCol(int NewColIndex, StringView CellContent, StringView AWidth);
  // Cells starting in the row are split back to one row first; spans from
  // above lose the row.
  void DeleteRow(int Index);
  // Spans across the column lose it; a cell starting there is split and
  // deleted; its col element loses one column.
  void DeleteCol(int ColIndex);
  // An empty row appended to the last body section (the sections are
  // prepared first when there is none).
  TTableRow* AddRow();
  // Tab-separated rows (CR LF between them) of quoted cell texts; a cell
  // spanning columns is written once per column.
  String AsCSV();
  // "cellspacing", "cellpadding", "border", "bordercolor" and "bgcolor".
  void ParseAttribute(StringView Param, StringView Value) override;
  // Drops the width attributes and inline widths of every cell.
  void ClearCellWidths();
  // The inline style of every body cell of the column, except in group and
  // total rows.
  void SetColumnStyle(int ColumnIndex, StringView AStyle);

  // --- Data grid: sorting, grouping, column moves (table_sort.cpp) ------------
  // Sorts the body by Col: ascending, or reversed when Col already is the
  // sort column (Asc is not read). Group rows stay, total rows end their
  // group, rows with equal keys keep their order.
  void Sort(int Col, bool Asc);
  void SetSortColumn(int Value) { Sort(Value, true); }
  bool SortAscending() const { return FSortAscending; }
  // Whether a sort has reordered the body rows.
  bool Sorted() const { return FSorted; }
  // Group rows before every run of equal texts in Col (sorted by it first);
  // the column is hidden.
  void Group(int Col);
  // After a sort the body rows move into the first body section in their
  // sorted order before the table is written.
  void FastInnerHTML(TFastString& FS) override;
  // Ends grouping by the column whose header cell's "field" is ColName and
  // moves it to NewIndex; without such a header cell nothing changes.
  void Ungroup(StringView ColName, int NewIndex);
  // Moves a column's cells (and its col element) to NewIndex.
  void MoveColumn(int Index, int NewIndex);

  // --- Interactive resizing (table_col_tags.cpp) ------------------------------
  // Freezes the widths into col elements and gives the last column what the
  // user's new table width leaves.
  void ApplyUserSize() override;

  // --- Pointer (table_pointer.cpp) -------------------------------------------
  // With the document's DesignerGrid and no button held, a pointer near a
  // row's bottom edge left of the content (hoAddRowMarks) or near a column's
  // left edge above it (hoAddColMarks) sets AddRowMark or AddColMark; the
  // table then is the document's ActiveTable and the event's target.
  bool MouseMove(int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI) override;
  // The designer grid's frames follow the table's hover: a repaint. Leaving
  // clears the insertion marks.
  void MouseEnter(int X, int Y, TShiftState State) override;
  void MouseLeave(int X, int Y, TShiftState State) override;

  // --- Drawing (table_draw.cpp) ----------------------------------------------
  void Draw(TFlow* Flow, const THtDrawInfo& DI) override;
  void DrawTable(TFlow* Flow, const THtDrawInfo& DI) override;
  void DrawBlock(TFlow* Flow, const THtDrawInfo& DI) override;
  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override;
  void FillBackground(const THtDrawInfo& DI) override;
  // Only a table holding scrolling boxes walks its rows: a window's paint
  // does not grow with the table.
  void UpdateScrollBars() override;
  // Cell backgrounds of the grid rows First .. Last, before any row's
  // content.
  void DrawRowBackgrounds(int First, int Last, const THtDrawInfo& DI);

 private:
  // The paged row loop; false when the whole table moves to the next page.
  bool pagedRows(float Caption);
  void drawLevel(int32_t Z, const THtDrawInfo& DI2, const THtDrawInfo& DI);
  void drawPage(const THtDrawInfo& DI2, const THtDrawInfo& DI);
  void drawSpannedCell(int Col, const THtDrawInfo& DI2);
  // The background of row Index over its box, where no cell of a row above
  // reaches down; DR is prepared for the row, DI is the rows' draw info.
  void fillRowBesideSpans(int Index, const THtDrawInfo& DR, const THtDrawInfo& DI);
  void drawRow(TElement* R, const THtDrawInfo& DI2);
  void drawGroupBorder(TElement* Group, const THtDrawInfo& DI2, bool PageOnly);
  // The designer's row or column insertion mark, when one is offered.
  void drawInsertionMarks(const THtDrawInfo& DI2);
  // InnerWidth, then the percentage base from it.
  void setInnerWidth(float W, float Spacing);
  void syncColumns();

  // Editing scopes nest; the outermost one restyles and lays out once and
  // removes the table when its last row went.
  template <class F>
  void editing(bool Layout, F&& Work);
  void finishEdit();
  int fEditDepth = 0;
  bool fEditLayout = false;
  bool fRemovePending = false;
  bool FSortAscending = true, FSorted = false;
  void deleteRow(int Index);
  void renumberRows(int From);
  void insertGroupRow(int I, StringView Text);
  void sortBody();

  // Raises Exception "Too many table columns" at 2048 and above.
  void setGridColCount(int Value);
  void registerRow(TElement* R, TElementList& List);
  // Frees a row the table already took out of its lists.
  void freeRow(TElement* R);
  bool fPlainRows = false;  // a listed row is not of the row class
  void addColDesc(TElement* Col);
};

class TTableRow : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TTableRow();
  ~TTableRow() override;

  // Entry k: the height the cells of row span k+2 starting here need.
  std::vector<float> fSpanHeights;
  bool fFixedHeight = false, fPercentHeight = false;
  int Row = 0;
  float MaxTopBorder = 0, MaxBottomBorder = 0;
  TTableElement* Table = nullptr;  // not owned

  // The first cell child whose columns contain Index, or null.
  TTableCell* Cells(int Index) const;
  // Appends a "td" whose content is CellHTML.
  TTableCell* AddCell(StringView CellHTML);
  int MaxRowSpan() const { return int(fSpanHeights.size()) + 1; }
  float MaxSpanHeight() const;
  float SpanHeight(int ARowSpan) const;
  void SetSpanHeight(int ARowSpan, float Value);
  // Moves the cell covering column Index to the place of the cell covering
  // NewIndex; nothing when either is missing.
  void MoveCell(int Index, int NewIndex);
  // Places and lays out the cells; the row's height from its single-row
  // cells.
  bool CalcLayout() override;
  // The row's final height, and its cells' heights down their row spans.
  void UpdateHeight(float NewHeight);
  // The border box, down to the last row the row's cells span.
  TRectF SpanRect() const;
  // The row-resize zone: false only within 5 pixels of the row's bottom
  // (Top + its bottom) over a cell spanning rows. (Left, Top) is the
  // row's position on the page.
  bool CanResizeAt(float X, float Y, float Left, float Top) const;
  bool IsVisibleInView(float X, float Y) const override;
  // Over the bottom edge of a cell spanning rows the row offers no resize
  // edge, and sizing does not begin there. Just below the bottom edge of
  // the row above (same section), where this row holds the pointer, this
  // row offers that row's edge.
  bool MouseMove(int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI) override;
  void BeginSizing(bool Horizontal, bool Vertical, int X, int Y) override;
  // A row is never hit by itself, only through its cells, over its box
  // extended down the rows its cells span; a row being sized is hit
  // everywhere.
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  // Binds the row to its table and keeps its display a table row's; a
  // change of display makes the table prepare its grid again.
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
};

class TTableCell : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TTableCell();

  uint16_t Col = 0;
  uint16_t ColSpan = 1;

  // The table of the parent row when bound, else the nearest "table" above.
  TTableElement* Table() const;
  // The parent row's Row, 0 without a row.
  int GetRow() const;
  // The "rowspan" attribute's leading integer, at least 1, and at most the
  // rows left in the table when bound.
  int GetRowSpan() const;
  TTableCell* GetNextRowCell() const;
  TTableCell* GetPreviousRowCell() const;
  // Walks on into the next (previous) grid row at the row's end (start).
  TTableCell* GetNextCell() const;
  TTableCell* GetPreviousCell() const;
  // Merging (Value above the span) absorbs the cells the span grows over,
  // their content following a line break; splitting leaves cells holding a
  // no-break space. A vertical merge needs cells of this cell's column
  // span below; rows without a cell in the column are passed over. A cell
  // as wide as the table deletes the rows it would span.
  void SetColSpan(int Value);
  void SetRowSpan(int Value);
  // Writes the named declarations of this cell's inline style into
  // Target's inline style.
  void CopyInlineDeclarations(TTableCell* Target, std::initializer_list<StringView> Names);
  // The new width of the cell's column (and of the same column in other
  // tables with this table's id): frozen into col elements.
  void SetUserWidth(int Value) override;
  void ResizeColumnTo(int Value);
  // Ends an interactive resize: the last column lets the table's width go.
  void ApplyUserSize() override;
  // A header cell dropped on Target: on another header cell of the table
  // the column moves there; on an empty "table-group-box" the table is
  // grouped by the column and the box gets a tag for it. False when Target
  // takes no drop.
  bool HeaderDropped(TElement* Target);
  // The end of a drag that moved a header cell: dropped on another header
  // cell of the table or on a "table-group-box" (HeaderDropped).
  void EndDrag(int X, int Y) override;
  // "colspan" read as an integer, clamped to 1..1024; other text leaves it.
  void ParseAttribute(StringView Param, StringView Value) override;
  // Cells have no margins and do not float; the table's markup padding and
  // border width fill the sides CSS leaves; a row's background shows
  // through a cell without one.
  void PrepareStacking() override;
  void FillBackground(const THtDrawInfo& DI) override;
  THAlign DefaultTextAlign() const override;
  uint32_t DefaultBorderColor() const override;
  int AbsolutePositionDelta() override { return 1; }

 private:
  friend class TTableElement;
  TTableRow* parentRow() const;
  // The work of SetColSpan and SetRowSpan without the grid rebuild and
  // refresh, for operations that run several of them.
  void setColSpan(int Value);
  void setRowSpan(int Value);
};

}  // namespace ht
