#pragma once
// The painting operations that element and document classes declare are
// carried out by the painting unit, which sits above them in the build. Each
// such operation forwards to an entry of this table. Until the painting
// unit's start-up installs its entries the table holds neutral ones that draw
// nothing, hit nothing and treat every box as visible.
#include "document/draw_info.h"
#include "platform/rtl/geometry.h"

namespace ht {

class TElement;
class THtDocument;
class TFlow;
class THtLineBlock;
class THtCanvas;
class TTextElement;
class TImageElement;
struct THtCanvasScene;

struct THtPaintServices {
  // The element's paint dispatch and the steps it is made of (TElement's
  // virtual painting slots, in slot order).
  void (*DrawInnerElements)(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
  void (*DrawInline)(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
  void (*DrawTable)(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
  void (*FillBackground)(TElement& E, const THtDrawInfo& DI);
  void (*DrawRun)(TElement& E, TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI);
  void (*DrawBlock)(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
  void (*DrawBorder)(TElement& E, const THtDrawInfo& DI);
  void (*DrawOutline)(TElement& E, const THtDrawInfo& DI);
  void (*Draw)(TElement& E, TFlow* Flow, const THtDrawInfo& DI);
  // Whether E's painted box, placed at (X, Y) on the surface, meets the view.
  bool (*IsVisibleInView)(const TElement& E, float X, float Y);
  // E's origin on the drawing surface.
  float (*SurfaceLeft)(const TElement& E);
  float (*SurfaceTop)(const TElement& E);
  // Commits an interactive resize into E's inline style.
  void (*ApplyUserSize)(TElement& E);
  // Hit testing: TElement's InternalHitTest, HitTest and
  // GetNearestLineBlockAt (document points).
  bool (*InternalHitTest)(TElement& E, float X, float Y, float Left, float Top, bool SelfOnly, bool Outside);
  bool (*HitTest)(TElement& E, float X, float Y, bool SelfOnly, bool Outside);
  THtLineBlock* (*GetNearestLineBlockAt)(TElement& E, float X, float Y);
  // The document forgets E (caches, stacking lists) while E is destroyed.
  void (*ElementForgotten)(THtDocument& Doc, TElement& E);
  // The paint cycle of a document whose scene is filled (destination,
  // viewport, clip, offsets).
  void (*InternalPaint)(THtDocument& Doc);
  // Paints the document into a scene the caller has begun on ASurface.
  void (*RawPaint)(THtDocument& Doc, THtCanvas& ASurface, const THtCanvasScene& AScene);
  // Paged output: the usable bottom of the current page in document
  // coordinates (not paged: the inner bottom), less the vertical offset.
  float (*PageBottom)(THtDocument& Doc);
  // Paged output: E's "orientation" attribute becomes the page orientation.
  void (*ApplyPageOrientation)(TElement& E);
  // Text elements: all their runs at the draw info's level, or one run.
  void (*TextDraw)(TTextElement& E, TFlow* Flow, const THtDrawInfo& DI);
  void (*TextDrawRun)(TTextElement& E, TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI);
  // Images and inline frames: the box steps without the border, then the
  // border over the picture; the picture is the content.
  void (*ImageDrawInline)(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI);
  void (*ImageDrawBlock)(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI);
  void (*ImageDrawBorder)(TImageElement& E, const THtDrawInfo& DI);
  void (*ImageDrawInnerElements)(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI);
};

// The table in force; never null.
const THtPaintServices& HtPaintServices();
// Replaces the table (the painting unit's start-up); null restores the
// neutral entries.
void InstallPaintServices(const THtPaintServices* Services);
// The neutral table, so a test can tell which entries were replaced.
const THtPaintServices& NeutralPaintServices();

}  // namespace ht
