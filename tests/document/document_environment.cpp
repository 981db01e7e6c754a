// The document unit is started once for the whole suite and shut down at
// its end, so that shut-down runs and nothing it owns is left behind.
#include <gtest/gtest.h>

#include "layout/layout_startup.h"

namespace {

class DocumentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ht::HtLayoutInitialize(); }
  void TearDown() override { ht::HtLayoutFinalize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new DocumentEnvironment);

}  // namespace
