#include <gtest/gtest.h>

#include "styled_node_fixture.h"

namespace ht {
namespace {

using G = IElementStyleFacts::TEdgeGroup;

class BoxGeometry : public ::testing::Test {
 protected:
  TTestStyledNode Root;
  TTestStyledNode* Box = nullptr;
  void SetUp() override {
    Root.SetTag(u"html");
    Root.Container = &Root;
    Root.S();
    Box = Root.Add();
  }
  // A box with margins 1 2 3 4, borders 5 and paddings 5/10 (left/right).
  TFakeStyle& edged() {
    TFakeStyle& s = Box->S();
    s.Groups[int(G::Margin)] = s.Groups[int(G::Border)] = s.Groups[int(G::Padding)] = true;
    s.Margin[1] = 2;
    s.Margin[3] = 4;
    for (float& b : s.Border) b = 5;
    s.Padding[1] = 10;
    s.Padding[3] = 5;
    Box->MarginTop = 1;
    Box->MarginBottom = 3;
    Box->OuterRect = {0, 0, 200, 100};
    return s;
  }
};

TEST_F(BoxGeometry, RectsAndDeltas) {
  edged();
  Box->CalcEdges();
  Box->CalcRects();
  EXPECT_FLOAT_EQ(Box->InnerWidth, 200 - 6 - 10 - 15);
  EXPECT_FLOAT_EQ(Box->InnerHeight, 100 - 4 - 10);
  const TRectF r = Box->InnerRect();
  EXPECT_FLOAT_EQ(r.Left, 4 + 5 + 5);
  EXPECT_FLOAT_EQ(r.Right, 200 - 2 - 10 - 5);
  const TRectF p = Box->PaddingRect();
  EXPECT_FLOAT_EQ(p.Top, 6);
  EXPECT_FLOAT_EQ(Box->OuterDeltaX(), 6 + 10);
  EXPECT_FLOAT_EQ(Box->InnerDeltaX(), 15);
  EXPECT_FLOAT_EQ(Box->LeftDelta(), 14);
}

TEST_F(BoxGeometry, RightToLeftSwapsStartAndEndPadding) {
  TFakeStyle& s = edged();
  Box->CalcEdges();
  const float ltrInnerX = Box->InnerDeltaX();
  s.FDirection = cdRTL;
  EXPECT_FLOAT_EQ(Box->PaddingLeft(), 10);
  EXPECT_FLOAT_EQ(Box->PaddingRight(), 5);
  EXPECT_FLOAT_EQ(Box->LeftDelta(), 10 + 4 + 5);
  EXPECT_FLOAT_EQ(Box->InnerDeltaX(), ltrInnerX);
}

TEST_F(BoxGeometry, EdgeCasesOfEdges) {
  TFakeStyle& s = edged();
  s.Border[0] = 0.00005f;
  Box->CalcEdges();
  EXPECT_EQ(Box->BorderTop, 0.0f);
  // A table cell never subtracts its margins.
  s.FDisplay = dsTableCell;
  Box->CalcRects();
  EXPECT_FLOAT_EQ(Box->InnerWidth, 200 - 10 - 15);
  // Inline boxes have no vertical outer delta; text nodes no deltas.
  s.FDisplay = dsInline;
  EXPECT_FLOAT_EQ(Box->OuterDeltaY(), 0);
  EXPECT_GT(Box->OuterDeltaX(), 0);
  Box->IncludeFlag(efText);
  EXPECT_FLOAT_EQ(Box->OuterDeltaX() + Box->InnerDeltaX() + Box->InnerDeltaY(), 0);
  // Vertical writing turns the sides.
  Box->ExcludeFlag(efText);
  Box->IncludeFlag(efVertical);
  Box->CalcEdges();
  EXPECT_FLOAT_EQ(Box->PaddingTop, 5);
  EXPECT_FLOAT_EQ(Box->MarginLeft, 1);
}

TEST_F(BoxGeometry, SizeLimits) {
  TFakeStyle& s = Box->S();
  EXPECT_FLOAT_EQ(Box->MaxWidth(), NoSizeLimit);
  float base = 300;
  s.Declare(u"max-width", u"50%");
  s.Measures[u"max-width"].Parent = &base;
  Root.SizeFlags = 0;
  EXPECT_FLOAT_EQ(Box->MaxWidth(), 1073741824.0f);  // container width not definite
  Root.SizeFlags = sfWidthDefinite;
  EXPECT_FLOAT_EQ(Box->MaxWidth(), 150);
  s.Declare(u"max-width", u"none");
  EXPECT_FLOAT_EQ(Box->MaxWidth(), NoSizeLimit);
  s.Declare(u"min-height", u"12px");
  EXPECT_FLOAT_EQ(Box->MinHeight(), 12);
  EXPECT_TRUE(Box->RelativeHeight());
  s.Declare(u"height", u"40px");
  EXPECT_FALSE(Box->RelativeHeight());
  EXPECT_EQ(Box->StyleHeight(), 40);
}

TEST_F(BoxGeometry, SizeFlags) {
  struct Case {
    const char* Name;
    TDisplayStyle Display;
    TElementPosition Position;
    std::vector<std::pair<String, String>> Declared;
    uint32_t Container;
    uint32_t Must, MustNot;
  };
  const Case cases[] = {
      {"px width is fixed", dsInlineBlock, epStatic, {{u"width", u"100px"}}, 0, sfWidthFixed | sfWidthDefinite, 0},
      {"50% in definite container", dsInlineBlock, epStatic, {{u"width", u"50%"}}, sfWidthDefinite, sfWidthDefinite,
       sfWidthFixed},
      {"50% in indefinite container", dsInlineBlock, epStatic, {{u"width", u"50%"}}, 0, 0, sfWidthDefinite},
      {"block stretches", dsBlock, epStatic, {}, sfWidthDefinite | sfWidthFixed, sfWidthDefinite | sfWidthFixed, 0},
      {"absolute with left and right", dsBlock, epAbsolute, {{u"left", u"0"}, {u"right", u"5px"}}, sfWidthDefinite,
       sfWidthDefinite, sfWidthFixed},
      {"equal min and max width", dsInlineBlock, epStatic, {{u"min-width", u"20px"}, {u"max-width", u"20px"}}, 0,
       sfWidthFixed | sfMinWidthFixed | sfMaxWidthFixed, 0},
      {"inline", dsInline, epStatic, {}, 0, sfWidthFixed | sfHeightFixed | sfHEdgesFixed | sfVEdgesFixed, 0},
      {"height % of indefinite", dsBlock, epStatic, {{u"height", u"10%"}}, sfWidthDefinite, 0, sfHeightDefinite},
      {"row copies container", dsTableRow, epStatic, {}, 0x2A5, 0x2A5, ~0x2A5u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TTestStyledNode* n = Root.Add();
    TFakeStyle& s = n->S();
    s.FDisplay = c.Display;
    s.FPosition = c.Position;
    for (const auto& [name, value] : c.Declared) s.Declare(name, value);
    Root.SizeFlags = c.Container;
    n->CalcSizeFlags(true);
    EXPECT_EQ(n->SizeFlags & c.Must, c.Must);
    EXPECT_EQ(n->SizeFlags & c.MustNot, 0u);
  }
  // display none leaves the facts untouched, even with Reset.
  TTestStyledNode* hidden = Root.Add();
  hidden->S().FDisplay = dsNone;
  hidden->SizeFlags = 0x1234;
  hidden->CalcSizeFlags(true);
  EXPECT_EQ(hidden->SizeFlags, 0x1234u);
  // The root is width fixed and definite.
  Root.CalcSizeFlags(true);
  EXPECT_EQ(Root.SizeFlags & 3u, 3u);
}

TEST_F(BoxGeometry, GrowtoContainerStopsAtFixedWidth) {
  TTestStyledNode* mid = Box->Add();
  TTestStyledNode* leaf = mid->Add();
  Box->SizeFlags = sfWidthFixed;
  leaf->GrowtoContainer();
  EXPECT_TRUE(leaf->SizeFlags & sfGrowsToContent);
  EXPECT_TRUE(Box->SizeFlags & sfGrowsToContent);
  EXPECT_FALSE(Root.SizeFlags & sfGrowsToContent);
}

TEST_F(BoxGeometry, ContainmentTests) {
  TFakeStyle& s = Box->S();
  EXPECT_TRUE(Box->InFlow());
  EXPECT_FALSE(Box->IsBlockContainer());
  s.FOverflowX = eoHidden;
  EXPECT_TRUE(Box->IsBlockContainer());
  s.FOverflowX = eoVisible;
  s.FFloat = fLeft;
  EXPECT_TRUE(Box->OutofFlow());
  EXPECT_TRUE(Box->IsBlockContainer());
  s.FFloat = fNone;
  s.FPosition = epFixed;
  TTestStyledNode* leaf = Box->Add();
  leaf->S();
  EXPECT_TRUE(leaf->InFixedContainer());
  EXPECT_EQ(leaf->OffsetParent(), Box);
  leaf->Container = nullptr;  // a partial tree must not crash the walks
  EXPECT_FALSE(leaf->InFixedContainer());
  EXPECT_FALSE(leaf->RelativeWidth());
}

}  // namespace
}  // namespace ht
