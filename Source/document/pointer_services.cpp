#include "document/pointer_services.h"

#include "document/element.h"

namespace ht {

namespace {

void neutralHover(TElement&, int, int, TShiftState) {}
void neutralDoMouseDown(TElement&, int, int, bool, bool&, TShiftState) {}
bool neutralMouseMove(TElement&, int, int, TShiftState, bool, const THtDrawInfo&) { return false; }
void neutralMouseWheel(TElement&, TShiftState, int, TPoint) {}
void neutralEndDrag(TElement&, int, int) {}
void neutralBeginSizing(TElement&, bool, bool, int, int) {}
void neutralUngroup(TElement&, StringView, int) {}

const THtPointerServices neutralServices{neutralHover,     neutralHover,   neutralDoMouseDown,
                                         neutralMouseMove, neutralMouseWheel, neutralEndDrag,
                                         neutralBeginSizing, neutralUngroup};
THtPointerServices installed = neutralServices;

}  // namespace

THtPointerServices& HtPointerServices() { return installed; }
void InstallPointerServices(const THtPointerServices* Services) {
  // The table is kept by value so that a later unit (tables) can fill its
  // own entry without replacing the painting unit's.
  const auto ungroup = installed.Ungroup;
  installed = Services ? *Services : neutralServices;
  if (installed.Ungroup == neutralUngroup) installed.Ungroup = ungroup;
}
const THtPointerServices& NeutralPointerServices() { return neutralServices; }

}  // namespace ht
