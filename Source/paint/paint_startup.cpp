#include "paint/paint_startup.h"

#include "document/paint_services.h"
#include "document/pointer_services.h"
#include "layout/layout_startup.h"
#include "paint/element_paint.h"
#include "paint/hit_testing.h"
#include "paint/paint_cycle.h"
#include "paint/paged_output.h"
#include "paint/pointer.h"
#include "paint/text_paint.h"

namespace ht {

namespace {

int startCount = 0;

// The stacking lists come with pointer handling.
void forgetNothing(THtDocument&, TElement&) {}

const THtPaintServices services{
    BaseDrawInnerElements, BaseDrawInline,     BaseDrawTable,      BaseFillBackground, BaseDrawRun,
    BaseDrawBlock,         BaseDrawBorder,     BaseDrawOutline,    BaseDraw,           BaseIsVisibleInView,
              BaseSurfaceLeft,    BaseSurfaceTop,     BaseApplyUserSize,  BaseInternalHitTest, BaseHitTest, BaseGetNearestLineBlockAt,
    forgetNothing,         BaseInternalPaint,  BaseRawPaint,       BasePageBottom,     BaseApplyPageOrientation,
    TextDraw,              TextDrawRun,        ImageDrawInline,    ImageDrawBlock,     ImageDrawBorder,
    ImageDrawInnerElements};

}  // namespace

const THtPaintServices& PaintUnitServices() { return services; }

void HtPaintInitialize() {
  if (startCount++ > 0) return;
  HtLayoutInitialize();
  InstallPaintServices(&services);
  InstallPointerServices(&PointerUnitServices());
  RegisterPagedElements();
}

void HtPaintFinalize() {
  if (startCount == 0 || --startCount > 0) return;
  InstallPaintServices(nullptr);
  InstallPointerServices(nullptr);
  HtLayoutFinalize();
}

}  // namespace ht
