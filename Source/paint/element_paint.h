#pragma once
// The painting of elements: the base versions of TElement's painting slots
// (TElement forwards to them through the paint services table that
// HtPaintInitialize installs) and the box routines they are made of.
//
// Coordinates: an element's boxes are in its flow's coordinates and are
// moved by the draw info's CX/CY into surface coordinates. Every SaveState a
// routine takes is undone in the same routine, also when drawing raises.
#include <functional>
#include <memory>

#include "canvas/path.h"
#include "css/element_shadow.h"
#include "document/draw_info.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;
class THtDocument;
class TFlow;
class THtLineBlock;
class THtCanvas;
class TBaseElementStyle;
class THtImage;

// --- Paint dispatch and stacking passes (element_draw.cpp) --------------------------
void BaseDraw(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
void BaseDrawBlock(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
void BaseDrawInline(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
void BaseDrawTable(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
void BaseDrawRun(TElement& E, TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI);
void BaseDrawInnerElements(TElement& E, TFlow* Flow, const THtDrawInfo& DI);

// --- Backgrounds (backgrounds.cpp) ---------------------------------------------------
void BaseFillBackground(TElement& E, const THtDrawInfo& DI);

// The current background image, or with Previous the one shown before a
// running cross-fade, in R at Opacity.
void DrawBackgroundImage(TElement& E, TRectF R, TBaseElementStyle& Style, bool Previous, float Opacity);

// --- Borders (borders.cpp) -------------------------------------------------------------
void BaseDrawBorder(TElement& E, const THtDrawInfo& DI);
// R with E's corner radii (ForClip: a clipping path); owned by the caller.
std::unique_ptr<THtPath> CreateBorderPath(const TElement& E, const TRectF& R, bool ForClip);
// R with E's elliptical corner radii, for clipping.
std::unique_ptr<THtPath> CreateClipPath(const TElement& E, const TRectF& R);

// --- Outline, box shadow, filter (box_effects.cpp) -----------------------------------
void BaseDrawOutline(TElement& E, const THtDrawInfo& DI);
void DrawBoxShadow(TElement& E, const THtDrawInfo& DI, const TElementShadow& Shadow);
void DrawFilter(TElement& E, const THtDrawInfo& DI);

// --- View queries (view_queries.cpp) ----------------------------------------------------
bool BaseIsVisibleInView(const TElement& E, float X, float Y);
// R (surface coordinates) meets the view of E's document surface.
bool RectInView(const TElement& E, const TRectF& R);
float BaseSurfaceLeft(const TElement& E);
float BaseSurfaceTop(const TElement& E);
// The usable bottom of the current page (paged) or of the client area.
float BasePageBottom(THtDocument& Doc);
// Page orientation by element comes with paged output.
void BaseApplyPageOrientation(TElement& E);

// R moved by (DX, DY).
inline TRectF Moved(const TRectF& R, float DX, float DY) {
  return TRectF{R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY};
}

// The document's drawing surface for E, or null.
THtCanvas* SurfaceOf(const TElement& E);
// Root-like: the body, the document, or an element that contains itself.
bool IsRootLike(const TElement& E);

}  // namespace ht
