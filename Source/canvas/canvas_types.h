#pragma once
// Small types shared by the canvas and its drawing objects.
#include <cstdint>
#include <vector>

#include "css/font_style.h"
#include "platform/rtl/enum_set.h"

namespace ht {

using THtBytes = std::vector<uint8_t>;
using TCardinalArray = std::vector<uint32_t>;
using TSingleArray = std::vector<float>;


// Page orientation of paged output.
enum TCSSOrientation : uint8_t { coPortrait, coLandscape, coDefault };

class THtCanvas;
class THtCanvasClass;
class THtBrush;
class THtPen;
class THtFont;
class THtFontCollection;
class THtImage;
class THtPath;
class THtPage;
class THtBitmap;
class THtTextRun;
class THtTextRuns;
class THtTextObject;

}  // namespace ht
