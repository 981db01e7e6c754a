#include <gtest/gtest.h>

#include <cstdlib>

#include "backends/backends_startup.h"
#include "backends/canvas_dx.h"
#include "backends/canvas_gdi.h"
#include "backends/canvas_gp.h"
#include "platform/rtl/module.h"

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

// Which class the start-up leaves as the default: Direct2D when its devices
// can be made, else GDI+; a library leaves the choice to its host program,
// and a class someone else chose stays.
TEST(BackendsStartup, DefaultCanvasClassTable) {
  ASSERT_EQ(HtBackendsInitCount(), 0);
  const THtCanvasClass* saved = HtDefaultCanvasClass;
  struct TCase {
    const char* Name;
    bool NoDirect3D, Library;
    const THtCanvasClass* Before;
    const THtCanvasClass* After;
  };
  const TCase cases[] = {
      {"healthy machine", false, false, nullptr, &THtCanvasDX::ClassType},
      {"no Direct3D device", true, false, nullptr, &THtCanvasGP::ClassType},
      {"running as a library", false, true, nullptr, &THtCanvasGP::ClassType},
      {"claimed by someone else", false, false, &THtCanvas::ClassType, &THtCanvas::ClassType},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.NoDirect3D) setenv("TARNWICK_NO_DIRECT3D", "1", 1);
    IsLibrary = c.Library;
    FreeD2DHelper();
    THtCanvasDX::ResetDirectXSupport();
    HtDefaultCanvasClass = c.Before;
    HtBackendsInitialize();
    EXPECT_EQ(HtDefaultCanvasClass, c.After);
    EXPECT_NE(HtDefaultCanvasClass, &THtCanvasGDI::ClassType);
    HtBackendsFinalize();
    EXPECT_EQ(HtDefaultCanvasClass, c.Before);
    unsetenv("TARNWICK_NO_DIRECT3D");
    IsLibrary = false;
  }
  FreeD2DHelper();
  THtCanvasDX::ResetDirectXSupport();
  HtDefaultCanvasClass = saved;
}

}  // namespace
}  // namespace ht
