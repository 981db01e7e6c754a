#include "canvas/geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace ht {
namespace {

TEST(RectRoutines, IntersectionTests) {
  const struct {
    TRect a, b;
    bool intersect;
  } cases[] = {
      {{0, 0, 10, 10}, {10, 0, 20, 10}, false},  // touching edges
      {{0, 0, 10, 10}, {0, 10, 10, 20}, false},
      {{0, 0, 10, 10}, {9, 9, 20, 20}, true},
      {{0, 0, 10, 10}, {2, 2, 3, 3}, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RectsIntersect(c.a, c.b), c.intersect);
    EXPECT_EQ(RectsIntersect(c.b, c.a), c.intersect);
    EXPECT_EQ(RectFIntersectsRect(RectToRectF(c.a), c.b), c.intersect);
  }
  EXPECT_TRUE(RectFIntersectsRect(TRectF(9.5f, 0, 10.5f, 1), TRect(0, 0, 10, 10)));
  EXPECT_FALSE(RectFIntersectsRect(TRectF(-1, -1, 0, 0), TRect(0, 0, 10, 10)));
}

TEST(RectRoutines, InsideAndIntersection) {
  EXPECT_TRUE(RectInsideRect(TRect(0, 0, 10, 10), TRect(0, 0, 10, 10)));
  EXPECT_TRUE(RectInsideRect(TRect(1, 1, 9, 9), TRect(0, 0, 10, 10)));
  EXPECT_FALSE(RectInsideRect(TRect(1, 1, 11, 9), TRect(0, 0, 10, 10)));
  EXPECT_TRUE(SameRect(RectIntersection(TRect(0, 0, 10, 10), TRect(5, -5, 20, 8)), TRect(5, 0, 10, 8)));
  // Disjoint rectangles give an inverted result, left for the caller to test.
  EXPECT_TRUE(SameRect(RectIntersection(TRect(0, 0, 2, 2), TRect(5, 5, 8, 8)), TRect(5, 5, 2, 2)));
  TRectF f = RectFIntersection(TRectF(0, 0, 10.5f, 10), TRectF(2.25f, -1, 20, 4));
  EXPECT_EQ(f.Left, 2.25f);
  EXPECT_EQ(f.Top, 0);
  EXPECT_EQ(f.Right, 10.5f);
  EXPECT_EQ(f.Bottom, 4);
}

TEST(RectRoutines, ContainsPointIsHalfOpen) {
  const TRectF r(0, 0, 10, 10);
  EXPECT_TRUE(RectFContainsPointF(r, TPointF(0, 0)));
  EXPECT_FALSE(RectFContainsPointF(r, TPointF(10, 5)));
  EXPECT_FALSE(RectFContainsPointF(r, TPointF(5, 10)));
  EXPECT_TRUE(RectFContainsPointF(r, TPointF(9.99f, 9.99f)));
  EXPECT_TRUE(RectFContainsPoint(r, TPoint(9, 0)));
  EXPECT_FALSE(RectFContainsPoint(r, TPoint(-1, 0)));
}

TEST(RectRoutines, RoundingRoundsHalvesToEven) {
  EXPECT_TRUE(SameRect(RectFToRect(TRectF(0.5f, 1.5f, 2.5f, 3.5f)), TRect(0, 2, 2, 4)));
  EXPECT_TRUE(SameRect(RectFToRect(TRectF(-0.5f, -1.5f, 2.49f, 2.51f)), TRect(0, -2, 2, 3)));
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(SameRect(RectFToRect(TRectF(-inf, std::numeric_limits<float>::quiet_NaN(), 1e20f, 0)),
                       TRect(std::numeric_limits<int>::min(), 0, std::numeric_limits<int>::max(), 0)));
}

}  // namespace
}  // namespace ht
