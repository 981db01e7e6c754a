// The document unit is started once for the whole suite and shut down at
// its end, so that shut-down runs and nothing it owns is left behind.
#include <gtest/gtest.h>

#include "document/animation_thread.h"
#include "layout/layout_startup.h"

namespace {

class DocumentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ht::HtLayoutInitialize();
    // Animations advance only when a test runs a pass, never on their own.
    ht::SetAnimationThread(std::make_unique<ht::TAnimationThread>(false));
  }
  void TearDown() override { ht::HtLayoutFinalize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new DocumentEnvironment);

}  // namespace
