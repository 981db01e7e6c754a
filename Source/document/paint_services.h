#pragma once
// The painting operations that element and document classes declare are
// carried out by the painting unit, which sits above them in the build. Each
// such operation forwards to an entry of this table. Until the painting
// unit's start-up installs its entries the table holds neutral ones that draw
// nothing, hit nothing and treat every box as visible.
namespace ht {

class TElement;
class THtDocument;

struct THtPaintServices {
  // Draws E and its subtree on its document's surface.
  void (*Draw)(TElement& E);
  // Whether E's painted box, placed at (X, Y) on the surface, meets the view.
  bool (*IsVisibleInView)(const TElement& E, float X, float Y);
  // The element at document point (X, Y) in E's subtree, or null.
  TElement* (*HitTest)(TElement& E, float X, float Y);
  // The document forgets E (caches, stacking lists) while E is destroyed.
  void (*ElementForgotten)(THtDocument& Doc, TElement& E);
  // The paint cycle of a document whose scene is filled (destination,
  // viewport, clip, offsets).
  void (*InternalPaint)(THtDocument& Doc);
};

// The table in force; never null.
const THtPaintServices& HtPaintServices();
// Replaces the table (the painting unit's start-up); null restores the
// neutral entries.
void InstallPaintServices(const THtPaintServices* Services);
// The neutral table, so a test can tell which entries were replaced.
const THtPaintServices& NeutralPaintServices();

}  // namespace ht
