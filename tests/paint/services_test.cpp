// The painting unit's start-up replaces every neutral entry of the paint
// services table that elements and documents forward to.
#include <gtest/gtest.h>

#include <cstring>

#include "document/paint_services.h"
#include "paint/paint_startup.h"

namespace ht::testing {
namespace {

TEST(PaintServices, StartUpLeavesNoEntryNeutral) {
  const THtPaintServices& now = HtPaintServices();
  const THtPaintServices& neutral = NeutralPaintServices();
  EXPECT_EQ(&now, &PaintUnitServices());
  // The table holds function pointers only: compare them slot by slot.
  constexpr size_t slots = sizeof(THtPaintServices) / sizeof(void (*)());
  static_assert(slots * sizeof(void (*)()) == sizeof(THtPaintServices));
  for (size_t i = 0; i < slots; ++i) {
    void (*a)();
    void (*b)();
    std::memcpy(&a, reinterpret_cast<const char*>(&now) + i * sizeof a, sizeof a);
    std::memcpy(&b, reinterpret_cast<const char*>(&neutral) + i * sizeof b, sizeof b);
    EXPECT_NE(a, b) << "slot " << i << " is still neutral";
  }
}

}  // namespace
}  // namespace ht::testing
