#include "document/paint_services.h"

#include "document/document.h"
#include "document/element.h"

namespace ht {

namespace {

void neutralFlowStep(TElement&, TFlow*, const THtDrawInfo&) {}
void neutralBoxStep(TElement&, const THtDrawInfo&) {}
void neutralDrawRun(TElement&, TFlow*, THtLineBlock*, const THtDrawInfo&) {}
bool neutralIsVisibleInView(const TElement&, float, float) { return true; }
float neutralSurfaceLeft(const TElement& E) { return E.RealLeft(); }
float neutralSurfaceTop(const TElement& E) { return E.RealTop(); }
void neutralApplyUserSize(TElement&) {}
bool neutralInternalHitTest(TElement&, float, float, float, float, bool, bool) { return false; }
bool neutralHitTest(TElement&, float, float, bool, bool) { return false; }
THtLineBlock* neutralGetNearestLineBlockAt(TElement& E, float, float) { return E.FirstRun(); }
void neutralElementForgotten(THtDocument&, TElement&) {}
void neutralInternalPaint(THtDocument&) {}
void neutralRawPaint(THtDocument&, THtCanvas&, const THtCanvasScene&) {}
// Without paged output every bottom is the client area's.
float neutralPageBottom(THtDocument& Doc) { return float(Doc.ClientHeight) - Doc.FDocOffsetY; }
void neutralApplyPageOrientation(TElement&) {}

// Distinct functions for the three flow steps of one signature, so a test
// can tell each entry from its neutral one by address.
void neutralDrawInline(TElement&, TFlow*, const THtDrawInfo&) {}
void neutralDrawTable(TElement&, TFlow*, const THtDrawInfo&) {}
void neutralDrawBlock(TElement&, TFlow*, const THtDrawInfo&) {}
void neutralDraw(TElement&, TFlow*, const THtDrawInfo&) {}
void neutralDrawBorder(TElement&, const THtDrawInfo&) {}
void neutralDrawOutline(TElement&, const THtDrawInfo&) {}
void neutralTextDraw(TTextElement&, TFlow*, const THtDrawInfo&) {}
void neutralTextDrawRun(TTextElement&, TFlow*, THtLineBlock*, const THtDrawInfo&) {}
void neutralImageDrawInline(TImageElement&, TFlow*, const THtDrawInfo&) {}
void neutralImageDrawBlock(TImageElement&, TFlow*, const THtDrawInfo&) {}
void neutralImageDrawBorder(TImageElement&, const THtDrawInfo&) {}
void neutralImageDrawInnerElements(TImageElement&, TFlow*, const THtDrawInfo&) {}

const THtPaintServices neutralServices{
    neutralFlowStep,        neutralDrawInline,      neutralDrawTable,    neutralBoxStep,
    neutralDrawRun,         neutralDrawBlock,       neutralDrawBorder,   neutralDrawOutline,
    neutralDraw,            neutralIsVisibleInView,      neutralSurfaceLeft,
    neutralSurfaceTop,      neutralApplyUserSize,   neutralInternalHitTest, neutralHitTest, neutralGetNearestLineBlockAt,
    neutralElementForgotten,
    neutralInternalPaint,   neutralRawPaint,        neutralPageBottom,   neutralApplyPageOrientation,
    neutralTextDraw,        neutralTextDrawRun,     neutralImageDrawInline,
    neutralImageDrawBlock,  neutralImageDrawBorder, neutralImageDrawInnerElements};
const THtPaintServices* installed = &neutralServices;

}  // namespace

const THtPaintServices& HtPaintServices() { return *installed; }
void InstallPaintServices(const THtPaintServices* Services) { installed = Services ? Services : &neutralServices; }
const THtPaintServices& NeutralPaintServices() { return neutralServices; }

}  // namespace ht
