#include <gtest/gtest.h>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"

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

TEST(BackendsStartup, GdiPlusCanvasIsTheDefaultUnlessClaimed) {
  ASSERT_EQ(HtBackendsInitCount(), 0);
  const THtCanvasClass* saved = HtDefaultCanvasClass;
  HtDefaultCanvasClass = nullptr;
  HtBackendsInitialize();
  EXPECT_EQ(HtDefaultCanvasClass, &THtCanvasGP::ClassType);
  HtBackendsFinalize();
  EXPECT_EQ(HtDefaultCanvasClass, nullptr);
  HtDefaultCanvasClass = &THtCanvas::ClassType;  // claimed by someone else
  HtBackendsInitialize();
  EXPECT_EQ(HtDefaultCanvasClass, &THtCanvas::ClassType);
  HtBackendsFinalize();
  EXPECT_EQ(HtDefaultCanvasClass, &THtCanvas::ClassType);
  HtDefaultCanvasClass = saved;
}

}  // namespace
}  // namespace ht
