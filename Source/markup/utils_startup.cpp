#include "markup/utils_startup.h"

#include <memory>

#include "markup/char_search.h"
#include "markup/compression.h"
#include "platform/rtl/cpu_features.h"

namespace ht {

namespace {
int gInitCount = 0;
}  // namespace

void HtUtilsInitialize() {
  if (gInitCount++ > 0) return;
  CpuFeatures();
  SelectFindChar();
  // The CRC and percent tables are built by the compiler.
  THtZIP::RegisterImplementation(std::make_shared<TDefZipImplementation>());
}

void HtUtilsFinalize() {
  if (gInitCount == 0 || --gInitCount > 0) return;
  THtZIP::RegisterImplementation(nullptr);
}

}  // namespace ht
