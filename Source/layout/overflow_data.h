#pragma once
// TOverflowData: the scroll state of an element whose overflow-x or
// overflow-y is scroll or auto, with the element's own pair of scroll bars
// over the document's host control. Layout creates it (UpdateOverflow) and
// sets the bars' ranges; before a screen paint Updatepos moves the bars to
// where the element is drawn. The element owns it. Main thread only: the
// bars are platform controls.
#include <memory>

#include "platform/rtl/object.h"
#include "platform/ui/scroll_bar.h"

namespace ht {

class TElement;

class TOverflowData : public THtObject {
 public:
  // Makes the bars when E's document has a host control (none without).
  explicit TOverflowData(TElement* E);
  ~TOverflowData() override;
  TOverflowData(const TOverflowData&) = delete;
  TOverflowData& operator=(const TOverflowData&) = delete;

  // Current scroll offsets in document pixels. Read them directly; write
  // them through the setters, which clamp to the bar's range, move the bar
  // and repaint.
  int HOffset = 0;
  int VOffset = 0;
  // The thickness of both bars: the height of a new horizontal bar.
  int BarThickness = 0;
  std::unique_ptr<ui::TScrollBar> HBar;  // null without a host control
  std::unique_ptr<ui::TScrollBar> VBar;
  TElement* Element;  // not owned
  bool VVisible = false;  // the vertical bar is in use after the last layout
  bool HVisible = false;

  // Clamped to 0 .. the bar's maximum less its page size; nothing when
  // unchanged.
  void SetHOffset(int Value);
  void SetVOffset(int Value);
  // The bars' change handler: takes their positions as the offsets (through
  // the setters), asks for a repaint and runs the element's "scroll" event.
  void Change();
  // Shows, hides and moves the bars.
  void Updatepos();

 private:
  bool setOffset(int& Offset, ui::TScrollBar* Bar, int Value);
};

}  // namespace ht
