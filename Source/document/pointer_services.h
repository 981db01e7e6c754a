#pragma once
// Pointer input of elements is carried out by the painting unit, which
// holds hit testing and sits above the element model in the build. Each of
// TElement's virtual pointer operations forwards its base version to an
// entry of this table. Until the painting unit's start-up installs its
// entries the table holds neutral ones that do nothing.
#include "document/draw_info.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/shift_state.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;

struct THtPointerServices {
  void (*MouseEnter)(TElement& E, int X, int Y, TShiftState State);
  void (*MouseLeave)(TElement& E, int X, int Y, TShiftState State);
  void (*DoMouseDown)(TElement& E, int X, int Y, bool Down, bool& Ignore, TShiftState Shift);
  bool (*MouseMove)(TElement& E, int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI);
  void (*MouseWheel)(TElement& E, TShiftState Shift, int WheelDelta, TPoint MousePos);
  void (*EndDrag)(TElement& E, int X, int Y);
  void (*BeginSizing)(TElement& E, bool Horizontal, bool Vertical, int X, int Y);
  // A group tag (the field of a grouped column) dropped on header cell
  // column Col of Table: the table ungroups that field. Filled by the
  // tables unit; neutral: nothing happens.
  void (*Ungroup)(TElement& Table, StringView Field, int Col);
};

// The table in force; never null.
THtPointerServices& HtPointerServices();
// Replaces the table; null restores the neutral entries.
void InstallPointerServices(const THtPointerServices* Services);
const THtPointerServices& NeutralPointerServices();

}  // namespace ht
