#pragma once
// One paint pass of a document and what belongs to the document as a whole:
// the background fill, the size hint of an element being resized, the
// blended selection highlight and the touch selection markers.
#include <functional>

#include "document/draw_info.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/string.h"

namespace ht {

class THtDocument;
class TElement;
class THtCanvas;
struct THtCanvasScene;

void BaseInternalPaint(THtDocument& Doc);
void BaseRawPaint(THtDocument& Doc, THtCanvas& ASurface, const THtCanvasScene& AScene);
// Adds a highlight rectangle, keeping the list by Top ascending and each
// visual row left to right.
void AddSelectionRect(THtDocument& Doc, const TRectF& R);
// Length of the overlap of [A1, A2] and [B1, B2], 0 when none.
float IntervalOverlap(float A1, float A2, float B1, float B2);
// Merges the pass's highlight rectangles and fills them as one shape.
void DrawSelectionRects(THtDocument& Doc);
void DrawResizeHint(THtDocument& Doc);
// The size shown in the hint: a table cell's share of its table ("33.3%")
// when its width is a percentage, else pixels ("120 px").
String ResizeHintText(const TElement& E);
void DrawSelectionMarkers(THtDocument& Doc);
void BaseApplyUserSize(TElement& E);

// The table of a table cell, or null for any other element; the tables
// unit fills it.
using THtCellTableHook = std::function<TElement*(const TElement& Cell)>;
THtCellTableHook& CellTableHook();

}  // namespace ht
