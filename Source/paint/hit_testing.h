#pragma once
// Hit testing: what lies under a point. The base versions of TElement's
// hit-testing slots (installed in the paint services table); the
// non-virtual queries of TElement and THtDocument are defined beside them
// in hit_testing.cpp and hit_queries.cpp.
#include "document/draw_info.h"

namespace ht {

class TElement;
class THtLineBlock;

bool BaseInternalHitTest(TElement& E, float X, float Y, float Left, float Top, bool SelfOnly, bool Outside);
bool BaseHitTest(TElement& E, float X, float Y, bool SelfOnly, bool Outside);
THtLineBlock* BaseGetNearestLineBlockAt(TElement& E, float X, float Y);

}  // namespace ht
