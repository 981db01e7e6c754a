#include "css/float_bands.h"

#include <gtest/gtest.h>

#include <vector>

#include "styled_node_fixture.h"

namespace ht {
namespace {

struct TBand {
  float Top, Bottom, Edge;
};

std::vector<TBand> bandsOf(const TBlockSide& s) {
  std::vector<TBand> r;
  for (const TBlockSideRec& b : s.Bands) r.push_back({b.Top, b.Bottom, b.Edge});
  return r;
}

TEST(FloatBands, AddBandKeepsBandsSortedDisjointAndWidest) {
  struct Case {
    const char* Name;
    std::vector<TBand> Added;
    std::vector<TBand> Expected;
  };
  const Case cases[] = {
      {"negative top stored from 0", {{-5, 10, 20}}, {{0, 10, 20}}},
      {"zero or negative edge ignored", {{0, 10, 0}, {0, 10, -3}}, {}},
      {"same span keeps larger edge", {{0, 10, 20}, {0, 10, 15}}, {{0, 10, 20}}},
      {"in front", {{20, 30, 5}, {0, 10, 7}}, {{0, 10, 7}, {20, 30, 5}}},
      {"in a gap", {{0, 10, 5}, {40, 50, 5}, {20, 30, 9}}, {{0, 10, 5}, {20, 30, 9}, {40, 50, 5}}},
      {"middle split into three, wider new edge", {{0, 30, 10}, {10, 20, 25}}, {{0, 10, 10}, {10, 20, 25}, {20, 30, 10}}},
      // A narrower float inside a wider one must not shrink the room the wider one takes.
      {"middle split, narrower new edge", {{0, 30, 25}, {10, 20, 10}}, {{0, 10, 25}, {10, 20, 25}, {20, 30, 25}}},
      {"reaching past: absorbs covered bands", {{0, 10, 30}, {10, 20, 40}, {20, 40, 5}, {5, 25, 10}},
       {{0, 5, 30}, {5, 25, 40}, {25, 40, 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TBlockSide side;
    for (const TBand& b : c.Added) side.AddBand(b.Top, b.Bottom, b.Edge, nullptr);
    const auto got = bandsOf(side);
    ASSERT_EQ(got.size(), c.Expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_FLOAT_EQ(got[i].Top, c.Expected[i].Top) << i;
      EXPECT_FLOAT_EQ(got[i].Bottom, c.Expected[i].Bottom) << i;
      EXPECT_FLOAT_EQ(got[i].Edge, c.Expected[i].Edge) << i;
    }
  }
}

TEST(FloatBands, EdgeAtHasOnePixelToleranceAtBothEnds) {
  TBlockSide side;
  side.AddBand(10, 20, 30, nullptr);
  const struct { float Y1, Y2, Edge; } cases[] = {
      {0, 11, 0},     // line bottom within a pixel of the band top
      {0, 11.5f, 30}, {19, 30, 0},  // line top within a pixel of the band bottom
      {18.5f, 30, 30}, {12, 14, 30}, {25, 40, 0},
  };
  for (const auto& c : cases) EXPECT_FLOAT_EQ(side.EdgeAt(c.Y1, c.Y2), c.Edge) << c.Y1 << ".." << c.Y2;
  float e, b;
  side.AddBand(30, 40, 30, nullptr);
  side.WidestBand(e, b);
  EXPECT_FLOAT_EQ(b, 40);  // the last on ties
  EXPECT_FLOAT_EQ(side.LowestBottom(), 40);
}

TEST(FloatBands, CopyShiftedTranslatesAndDropsWhatFallsOutside) {
  TBlockSide src, dst;
  src.AddBand(0, 10, 5, nullptr);    // edge 5 - 8 <= 0: dropped
  src.AddBand(20, 50, 30, nullptr);  // kept
  dst.CopyShifted(src, 8, 25);
  const auto got = bandsOf(dst);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_FLOAT_EQ(got[0].Top, 0);
  EXPECT_FLOAT_EQ(got[0].Bottom, 25);
  EXPECT_FLOAT_EQ(got[0].Edge, 22);
}

class FloatMap : public ::testing::Test {
 protected:
  TTestStyledNode Root;
  TTestStyledNode* Block = nullptr;
  void SetUp() override {
    Root.SetTag(u"html");
    Root.Container = &Root;
    Root.InnerWidth = 300;
    Block = Root.Add();
    Block->InnerWidth = 300;
    Block->S();
  }
  TTestStyledNode* addFloat(TFloat side, TRectF r) {
    TTestStyledNode* f = Block->Add();
    f->S().FFloat = side;
    f->OuterRect = r;
    Block->FloatMap()->AddFloat(f, false);
    return f;
  }
};

TEST_F(FloatMap, LinePositionAndWidthBesideFloats) {
  TBlockFloats* map = Block->FloatMap();
  float li, ri;
  EXPECT_FLOAT_EQ(map->FindLinePosition(100, 5, 10, nullptr, li, ri, false, false), 5);  // no bands
  addFloat(fLeft, {0, 0, 100, 50});
  addFloat(fRight, {250, 20, 300, 80});
  EXPECT_FLOAT_EQ(map->AvailableWidth(30, 10, li, ri), 150);
  EXPECT_FLOAT_EQ(li, 100);
  EXPECT_FLOAT_EQ(ri, 50);
  EXPECT_FLOAT_EQ(map->AvailableWidth(100, 10, li, ri), 300);
  EXPECT_FLOAT_EQ(map->FindLinePosition(150, 0, 10, nullptr, li, ri, false, false), 0);
  EXPECT_FLOAT_EQ(li, 100);
  // Too wide beside both floats: steps down until the left float ends
  // (within the one-pixel tolerance).
  EXPECT_FLOAT_EQ(map->FindLinePosition(200, 25, 10, nullptr, li, ri, false, false), 49);
  EXPECT_FLOAT_EQ(map->FindLinePosition(10, 0, 10, nullptr, li, ri, true, false), 50);  // clear left
  EXPECT_FLOAT_EQ(map->FindLinePosition(10, 0, 10, nullptr, li, ri, true, true), 80);   // clear both
}

TEST_F(FloatMap, AvailableWidthNeverBelowZero) {
  addFloat(fLeft, {0, 0, 200, 50});
  addFloat(fRight, {50, 0, 300, 50});
  float li, ri;
  EXPECT_FLOAT_EQ(Block->FloatMap()->AvailableWidth(10, 10, li, ri), 0);
}

TEST_F(FloatMap, SearchBelowTwoSidesStopsAfter3000Pixels) {
  addFloat(fLeft, {0, 0, 160, 10000});
  addFloat(fRight, {140, 0, 300, 10000});
  float li, ri;
  EXPECT_FLOAT_EQ(Block->FloatMap()->FindLinePosition(20, 7, 10, nullptr, li, ri, false, false), 7 + 3001);
}

TEST_F(FloatMap, ZeroSizedFloatAddsNoBand) {
  addFloat(fLeft, {0, 10, 100, 10});
  addFloat(fLeft, {0, 10, 0, 40});
  EXPECT_FALSE(Block->FloatMap()->HasBands());
}

TEST_F(FloatMap, FloatsReachTheContainerUnlessOverflowHidesThem) {
  Block->OuterRect = {10, 20, 310, 220};  // no edges: the inner rect is the outer one
  Root.InnerWidth = 400;
  addFloat(fLeft, {0, 0, 100, 50});
  ASSERT_NE(Root.FloatMapIfAny(), nullptr);
  const auto up = bandsOf(*Root.FloatMapIfAny()->Left);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_FLOAT_EQ(up[0].Top, 20);
  EXPECT_FLOAT_EQ(up[0].Bottom, 70);
  EXPECT_FLOAT_EQ(up[0].Edge, 110);
  addFloat(fRight, {250, 0, 300, 30});  // right edge 50 + (400 - 310)
  EXPECT_FLOAT_EQ(Root.FloatMapIfAny()->Right->EdgeAt(20, 40), 140);

  TTestStyledNode* hidden = Root.Add();
  hidden->S().FOverflowY = eoHidden;
  hidden->InnerWidth = 300;
  TTestStyledNode* f = hidden->Add();
  f->S().FFloat = fLeft;
  f->OuterRect = {0, 100, 100, 150};
  hidden->FloatMap()->AddFloat(f, false);
  EXPECT_FLOAT_EQ(hidden->GetLeft(110, 120), 100);
  EXPECT_FLOAT_EQ(Root.GetLeft(100, 400), 0);
}

TEST_F(FloatMap, PartialTreesWithoutContainerDoNotCrash) {
  Block->Container = nullptr;
  addFloat(fLeft, {0, 0, 100, 50});
  Block->FloatMap()->CopyContainerFloats();
  EXPECT_FLOAT_EQ(Block->GetLeft(0, 10), 100);  // nothing to copy from: its own band stays
  EXPECT_EQ(Root.FloatMapIfAny(), nullptr);
}

TEST_F(FloatMap, CopyContainerFloatsTakesTheContainersBands) {
  Block->FloatMap()->AddBands(0, 100, 80, 0, nullptr);
  TTestStyledNode* inner = Block->Add();
  inner->S();
  inner->OuterRect = {30, 40, 300, 200};
  inner->FloatMap()->CopyContainerFloats();
  EXPECT_FLOAT_EQ(inner->GetLeft(0, 10), 50);
  EXPECT_FLOAT_EQ(inner->FloatMapIfAny()->Left->LowestBottom(), 60);
}

}  // namespace
}  // namespace ht
