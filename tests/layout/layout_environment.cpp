// The layout unit (and the units below it) is started once for the suite.
#include <gtest/gtest.h>

#include "layout/layout_startup.h"

namespace {

class LayoutEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ht::HtLayoutInitialize(); }
  void TearDown() override { ht::HtLayoutFinalize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new LayoutEnvironment);

}  // namespace
