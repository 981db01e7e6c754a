// The painting unit (and every unit below it) is started once for the suite.
#include <gtest/gtest.h>

#include "paint/paint_startup.h"

namespace {

class PaintEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ht::HtPaintInitialize(); }
  void TearDown() override { ht::HtPaintFinalize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new PaintEnvironment);

}  // namespace
