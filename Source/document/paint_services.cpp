#include "document/paint_services.h"

namespace ht {

namespace {

void neutralDraw(TElement&) {}
bool neutralIsVisibleInView(const TElement&, float, float) { return true; }
TElement* neutralHitTest(TElement&, float, float) { return nullptr; }
void neutralElementForgotten(THtDocument&, TElement&) {}
void neutralInternalPaint(THtDocument&) {}

const THtPaintServices neutralServices{neutralDraw, neutralIsVisibleInView, neutralHitTest,
                                       neutralElementForgotten, neutralInternalPaint};
const THtPaintServices* installed = &neutralServices;

}  // namespace

const THtPaintServices& HtPaintServices() { return *installed; }
void InstallPaintServices(const THtPaintServices* Services) { installed = Services ? Services : &neutralServices; }
const THtPaintServices& NeutralPaintServices() { return neutralServices; }

}  // namespace ht
