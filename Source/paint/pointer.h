#pragma once
// Pointer interaction of elements: the base versions of TElement's pointer
// slots (installed in the pointer services table at the painting unit's
// start-up), the resize handles and the pointer shapes.
#include <cstdint>

#include "css/css_keywords.h"
#include "document/draw_info.h"
#include "platform/rtl/cursors.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/shift_state.h"

namespace ht {

class TElement;
struct THtPointerServices;

// The table the painting unit installs.
const THtPointerServices& PointerUnitServices();

void BaseMouseEnter(TElement& E, int X, int Y, TShiftState State);
void BaseMouseLeave(TElement& E, int X, int Y, TShiftState State);
void BaseDoMouseDown(TElement& E, int X, int Y, bool Down, bool& Ignore, TShiftState Shift);
bool BaseMouseMove(TElement& E, int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI);
void BaseMouseWheel(TElement& E, TShiftState Shift, int WheelDelta, TPoint MousePos);
void BaseEndDrag(TElement& E, int X, int Y);
void BaseBeginSizing(TElement& E, bool Horizontal, bool Vertical, int X, int Y);

// The resize handle of R under (X, Y): 1 top-left, 2 top, 3 top-right,
// 4 left, 5 right, 6 bottom-left, 7 bottom, 8 bottom-right, 0 none. A
// corner's grab area reaches 4 pixels outside R and 8 inside.
uint8_t ResizeHandleAt(const TRectF& R, int X, int Y);
// The pointer shape of a handle; crDefault for 0 and unknown codes.
TCursor ResizeHandleCursor(uint8_t Handle);
// The pointer shape of a CSS cursor value; ecAuto leaves the shape alone
// (Applies false).
TCursor CSSCursorToCursor(TCSSCursor Value, bool& Applies);
// Whether the element's resize value allows sizing on each axis.
bool ResizesHorizontally(TElementResize R);
bool ResizesVertically(TElementResize R);

}  // namespace ht
