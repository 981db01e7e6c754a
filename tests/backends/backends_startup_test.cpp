#include <gtest/gtest.h>

#include "backends/backends_startup.h"

namespace ht {
namespace {

TEST(BackendsStartup, CallsNest) {
  int before = HtBackendsInitCount();
  HtBackendsInitialize();
  HtBackendsInitialize();
  EXPECT_EQ(HtBackendsInitCount(), before + 2);
  HtBackendsFinalize();
  HtBackendsFinalize();
  EXPECT_EQ(HtBackendsInitCount(), before);
}

}  // namespace
}  // namespace ht
