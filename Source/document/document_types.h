#pragma once
// Small types the document owns whose behaviour other units fill in: the
// queued element event, the pointer event and the selection (painting and
// interaction give them their operations; the document only holds them and
// keeps them clear of deleted elements), and the modifier-key set.
#include <cstdint>
#include <vector>

#include "platform/rtl/string.h"

namespace ht {

class TElement;
class THtDocument;

// The platform's set of modifier keys and buttons, one bit per value.
enum TShiftStateBit : uint16_t {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
  ssTouch = 1u << 7,
  ssPen = 1u << 8,
  ssCommand = 1u << 9,
  ssHorizontal = 1u << 10,
};
using TShiftState = uint16_t;

// One entry of a document's element event queue. E and Target are blanked
// (null) when the element they name is destroyed before the queue runs.
struct THtElementEvent {
  TElement* E = nullptr;
  TElement* Target = nullptr;  // the pointer event's target when queued
  String Event;
  TShiftState Shift = 0;
};
using THtElementEvents = std::vector<THtElementEvent>;

// The document's current pointer event. Read and written on the main
// thread only.
struct THtMouseEvent {
  TElement* Target = nullptr;
  bool FPropagationStopped = false;
  void StopPropagation() { FPropagationStopped = true; }
  bool PropagationStopped() const { return FPropagationStopped; }
};

// The document's text selection: the elements its ends lie in and the
// caret positions there (1-based: position P lies before character P, so an
// end at 1 takes nothing of its element). Painting and interaction set it
// and complete its operations; the document gives it what writing the
// selected HTML reads.
struct TDocSelection {
  explicit TDocSelection(THtDocument* ADocument = nullptr) : FDocument(ADocument) {}

  THtDocument* FDocument = nullptr;  // not owned
  TElement* StartElement = nullptr;
  TElement* EndElement = nullptr;
  int StartPos = 0, EndPos = 0;
  // Whole table cells are selected, from the start's cell to the end's.
  bool CellMode = false;

  // Both ends null and the positions zero; a repaint is asked for when
  // something was selected.
  void Clear();
  bool Empty() const { return !StartElement || !EndElement; }
  // The ends in document order (the order numbers are renumbered first when
  // edits left them approximate). Null when empty.
  TElement* RealStartElement() const;
  TElement* RealEndElement() const;
  int RealStartPos() const;
  int RealEndPos() const;
  // In cell mode, the table holding both ends' cells; else null.
  TElement* SelectedTable() const;
  bool SingleTable() const { return SelectedTable() != nullptr; }
  // E or part of its subtree is selected.
  bool PartiallyInSelection(const TElement* E) const;
  // All of E lies inside the selection.
  bool FullSelected(const TElement* E) const;
  bool InSelection(const TElement* E) const { return FullSelected(E); }
  enum TCoverage { scNone, scPartial, scFull };
  // Both answers above in one: scFull, scPartial (some but not all of E)
  // or scNone.
  TCoverage Coverage(const TElement* E) const;

 private:
  // The ends in document order, into the out values; false when empty.
  bool ordered(TElement*& S, int& SPos, TElement*& E, int& EPos) const;
};

}  // namespace ht
