// The engine's units and GTK are started once for the suite, as the
// program does; the suite runs on a virtual X server (xvfb-run).
#include <gtest/gtest.h>

#include "backends/backends_startup.h"
#include "document/animation_thread.h"
#include "elements/elements_startup.h"
#include "host/html_panel.h"
#include "layout/layout_startup.h"
#include "platform/rtl/dispatcher.h"
#include "paint/paint_startup.h"
#include "platform/ui/application.h"

namespace {

class WindowEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ht::HtBackendsInitialize();
    ht::HtLayoutInitialize();
    ht::HtPaintInitialize();
    ht::HtElementsInitialize();
    ht::HtHostInitialize();
    // Animations advance only when a test runs a pass.
    ht::SetAnimationThread(std::make_unique<ht::TAnimationThread>(false));
    ASSERT_TRUE(ht::ui::TApplication::Initialize()) << "no X display: run the suite under xvfb-run";
  }
  void TearDown() override {
    ht::ui::TApplication::Finalize();
    EXPECT_EQ(ht::ui::LiveWidgets(), 0);
    ht::HtHostFinalize();
    ht::HtElementsFinalize();
    ht::HtPaintFinalize();
    ht::HtLayoutFinalize();
    ht::HtBackendsFinalize();
  }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

}  // namespace
