#include "markup/char_search.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/rtl/cpu_features.h"

namespace ht {
namespace {

TEST(CharSearch, FindsAtBlockEdgesAndTail) {
  std::vector<TFindCharProc> routines = {&FindCharScalar};
  if (CpuFeatures().SSE42) routines.push_back(&FindCharSSE42);
  for (TFindCharProc find : routines) {
    for (size_t at : {1u, 8u, 9u, 17u}) {
      std::u16string buffer(17, u'a');
      buffer[at - 1] = u'x';
      EXPECT_EQ(find(buffer.data(), u'x', buffer.size()), at);
    }
    const std::u16string none(17, u'a');
    EXPECT_EQ(find(none.data(), u'x', none.size()), 0u);
    EXPECT_EQ(find(none.data(), u'a', 0), 0u);
    EXPECT_EQ(find(nullptr, u'a', 5), 0u);
  }
}

// The vector search against the scalar one on seeded random buffers: every
// length from 0 to 64 at every misalignment, with the sought unit absent,
// present once and present several times.
TEST(CharSearch, SSE42MatchesScalar) {
  if (!CpuFeatures().SSE42) GTEST_SKIP() << "no SSE4.2";
  std::mt19937 rng(42);
  std::vector<char16_t> pool(64 + 8);
  for (int round = 0; round < 50; ++round) {
    // A small alphabet makes matches frequent; high units test the compare width.
    for (auto& c : pool) c = char16_t(0xFF00 + rng() % 6);
    const char16_t sought = char16_t(0xFF00 + rng() % 8);
    for (size_t offset = 0; offset < 8; ++offset) {
      for (size_t length = 0; length <= 64; ++length) {
        // Exactly sized, so that a read past the end trips the address sanitizer.
        const std::vector<char16_t> input(pool.begin(), pool.begin() + ptrdiff_t(offset + length));
        ASSERT_EQ(FindCharSSE42(input.data() + offset, sought, length),
                  FindCharScalar(input.data() + offset, sought, length))
            << "offset " << offset << " length " << length;
      }
    }
  }
}

}  // namespace
}  // namespace ht
