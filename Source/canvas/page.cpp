#include "canvas/page.h"

#include <cmath>

#include "canvas/image.h"

namespace ht {

const THtPageClass THtPage::ClassType{"THtPage", nullptr,
                                      &CreateInstance<THtPage, THtPage, float, float, int, int>};

THtPage::THtPage(float AWidthMM, float AHeightMM, int ANumber, int ADPI)
    : Number(ANumber),
      WidthMM(AWidthMM),
      HeightMM(AHeightMM),
      WidthPx(int(std::lrint(ADPI * AWidthMM / 25.4))),
      HeightPx(int(std::lrint(ADPI * AHeightMM / 25.4))),
      DPI(ADPI),
      Orientation(AWidthMM > AHeightMM ? coLandscape : coPortrait) {}

std::unique_ptr<THtImage> THtPage::AsImage(int, int) { return nullptr; }

THtBytes THtPage::AsMetaFileBytes() {
  throw Exception(u"Metafile is not implemented for class %s", AsciiToString(ClassRefOf()->ClassName()));
}

THtObject* THtPage::AsMetaFile() {
  throw Exception(u"Metafile is not implemented for class %s", AsciiToString(ClassRefOf()->ClassName()));
}

}  // namespace ht
