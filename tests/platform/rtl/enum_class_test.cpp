#include "platform/rtl/class_ref.h"
#include "platform/rtl/enum_table.h"

#include <gtest/gtest.h>

namespace ht {

#define HT_TEST_DISPLAY_VALUES(X) \
  X(dsInline)                     \
  X(dsBlock)                      \
  X(dsInlineBlock)                \
  X(dsNone)
HT_ENUM(TTestDisplay, uint8_t, HT_TEST_DISPLAY_VALUES);

namespace {

TEST(EnumTable, NamesAndCount) {
  static_assert(EnumCount<TTestDisplay>() == 4);
  EXPECT_EQ(EnumName(dsInlineBlock), "dsInlineBlock");
  EXPECT_EQ(EnumName(TTestDisplay(9)), "");
}

TEST(EnumTable, KeywordRule) {
  struct Case {
    const char16_t* keyword;
    bool found;
    TTestDisplay value;
  } cases[] = {
      {u"inline-block", true, dsInlineBlock}, {u"INLINE", true, dsInline},
      {u"in-line", true, dsInline},           {u"none", true, dsNone},
      {u"inlin", false, dsInline},            {u"", false, dsInline},
  };
  for (const auto& c : cases) {
    TTestDisplay v = dsInline;
    EXPECT_EQ(EnumFromKeyword(c.keyword, u"ds", v), c.found) << EnumName(c.value);
    if (c.found) {
      EXPECT_EQ(v, c.value);
    }
  }
}

struct TShape {
  virtual ~TShape() = default;
  virtual int Sides() const = 0;
};
struct TSquare : TShape {
  explicit TSquare(int scale) : scale(scale) {}
  int Sides() const override { return 4 * scale; }
  int scale;
};
using TShapeClass = TClassRef<TShape, int>;
const TShapeClass ShapeClass{"TShape", nullptr, nullptr};
const TShapeClass SquareClass{"TSquare", &ShapeClass, CreateInstance<TSquare, TShape, int>};

TEST(ClassRef, CreatesThroughDescriptorAndWalksParents) {
  auto sq = SquareClass.Create(2);
  ASSERT_NE(sq, nullptr);
  EXPECT_EQ(sq->Sides(), 8);
  EXPECT_TRUE(SquareClass.InheritsFrom(&ShapeClass));
  EXPECT_FALSE(ShapeClass.InheritsFrom(&SquareClass));
  EXPECT_TRUE(ShapeClass.IsAbstract());
  EXPECT_EQ(ShapeClass.Create(1), nullptr);
}

}  // namespace
}  // namespace ht
