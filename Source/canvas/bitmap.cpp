#include "canvas/bitmap.h"

namespace ht {

const THtBitmapClass THtBitmap::ClassType{"THtBitmap", nullptr, nullptr};

THtBitmap::THtBitmap(int, int, bool) {}

void THtBitmap::CopyFromCanvas(const THtObject*, const TRect&) {}

}  // namespace ht
