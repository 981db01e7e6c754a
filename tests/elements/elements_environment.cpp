// The elements unit (and every unit below it) is started once for the suite.
#include <gtest/gtest.h>

#include "elements/elements_startup.h"

namespace {

class ElementsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ht::HtElementsInitialize(); }
  void TearDown() override { ht::HtElementsFinalize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new ElementsEnvironment);

}  // namespace
