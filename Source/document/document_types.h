#pragma once
// Small types the document owns whose behaviour other units fill in: the
// queued element event, the pointer event and the selection (painting and
// interaction give them their operations; the document only holds them and
// keeps them clear of deleted elements).
#include <cstdint>
#include <vector>

#include "platform/rtl/geometry.h"
#include "platform/rtl/shift_state.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;
class THtDocument;

// One entry of a document's element event queue. E and Target are blanked
// (null) when the element they name is destroyed before the queue runs.
struct THtElementEvent {
  TElement* E = nullptr;
  TElement* Target = nullptr;  // the pointer event's target when queued
  String Event;
  TShiftState Shift = 0;
};
using THtElementEvents = std::vector<THtElementEvent>;

// The document's current pointer event, one per document. While pointer
// input is handled it describes that input; while queued element events
// run it describes the event being run. Read and written on the main
// thread only.
struct THtMouseEvent {
  int Button = 0;  // 1 left, 3 right, 2 middle, 0 none
  int PageX = 0;   // document point of the pointer
  int ClientX = 0;  // viewport point of the pointer
  int PageY = 0;
  int ClientY = 0;
  // The innermost element under the pointer; the queued event's target
  // while events run.
  TElement* Target = nullptr;
  // Set by StopPropagation; every pointer entry point clears it. While set,
  // the rest of the running batch and every immediate event are dropped.
  bool FStopped = false;
  TShiftState Shift = 0;
  void StopPropagation() { FStopped = true; }
  bool PropagationStopped() const { return FStopped; }
};

// The document's selection: a range of text between two caret positions in
// document order, or, in cell mode, a block of whole table cells.
//
// Caret positions: in a text element a 1-based index into its prepared
// text, position P lying before character P (its FirstChar is the first
// position its runs show, LastChar + 1 lies after its last character); in
// any other element 0 lies before it and 1 after it. A selection covers the
// characters from its real start position up to, not including, its real
// end position. Document order is the order of the elements' Index values
// (renumbered first when edits left them approximate).
//
// The selection owns nothing: the document clears it when it parses new
// content and when its start or end element is destroyed. Main thread only.
class TDocSelection {
 public:
  explicit TDocSelection(THtDocument* ADocument = nullptr) : FDocument(ADocument) {}

  // Absolute positions kept by SaveSelection; -1 when the saved selection
  // was empty.
  int FSavedStart = -1;
  int FSavedEnd = -1;
  bool FSavedCellMode = false;
  // The anchor (where the selection began) and the focus (where it ends
  // now). Written directly only where cell mode must not be re-derived.
  TElement* FStartElement = nullptr;
  TElement* FEndElement = nullptr;
  THtDocument* FDocument = nullptr;  // not owned
  int StartPos = 0;
  int EndPos = 0;
  // Whole table cells are selected; the ends are then cells.
  bool CellMode = false;
  // In cell mode: both end cells belong to one table.
  bool SingleTable = false;
  // Document points of the two touch handles, written while painting.
  TPointF LeftPoint, RightPoint;

  TElement* StartElement() const { return FStartElement; }
  TElement* EndElement() const { return FEndElement; }
  // Store the element, then derive cell mode again (UpdateCellMode).
  void SetStartElement(TElement* Value);
  void SetEndElement(TElement* Value);
  void UpdateCellMode();

  // No end, or one element with equal positions; one whole cell of a
  // single-table cell block is not empty.
  bool Empty() const;
  // Not empty and the end lies before the start.
  bool Inverted() const;
  // Swaps the ends and their positions (cell mode is not derived again).
  void Invert();
  // The ends in document order; null when an end is missing.
  TElement* RealStartElement() const;
  TElement* RealEndElement() const;
  int RealStartPos() const;
  int RealEndPos() const;
  // Empties the selection; a repaint is asked for when something was
  // selected.
  void Clear();
  // The whole body.
  void SelectAll();
  // Whether E lies inside the selection.
  bool InSelection(const TElement* E) const;
  // Whether E or part of its subtree lies inside.
  bool PartiallyInSelection(const TElement* E) const;
  // Whether the whole of E lies inside.
  bool FullSelected(const TElement* E) const;
  // Hit test of the two touch handles at document point (X, Y); Left tells
  // which one was hit.
  bool AtPoint(int X, int Y, bool& Left) const;
  // Keep and restore the selection as absolute positions across a rebuild
  // of the layout or the tree; a saved empty selection restores as Clear.
  void SaveSelection();
  void RestoreSelection();
  // Moves both ends onto line elements.
  void ShrinktoText();
  // The number of visible characters selected.
  int VisibleLength() const;
  // The number of different font names among the selected text elements.
  int SelectedFontCount() const;
  // The last element that really holds selected content.
  TElement* LastSelected() const;
  // The smallest enclosing element of the selection; asserts a non-empty
  // selection.
  TElement* TopElement() const;
  // The table cell that encloses both ends, or null.
  TElement* TopCell() const;
  TElement* FirstCell() const;
  TElement* LastCell() const;
  // Whether cell E belongs to a table of the selection.
  bool IsTopSelectedCell(const TElement* E) const;
  // The size of a single-table cell block; 0 otherwise.
  int SelectedRows() const;
  int SelectedCols() const;
  // The table of a single-table cell block, else null.
  TElement* SelectedTable() const;
  // The number of characters before the real start (end) in the whole
  // document; 0 when empty. Writing places the end there.
  int AbsoluteStart() const;
  int AbsoluteEnd() const;
  void SetAbsoluteStart(int Value);
  void SetAbsoluteEnd(int Value);
  // The whole body is selected.
  bool AllSelected() const;
  // The selected text (THtDocument::GetSelectedText).
  String Text() const;
  // Replaces the selected characters when the selection lies inside one
  // text element and is not in cell mode, then leaves the selection over
  // the inserted text.
  void SetText(StringView Value);

 private:
  // Renumbers the document's elements when edits left the numbers
  // approximate.
  void orderIndexes() const;
};

}  // namespace ht
