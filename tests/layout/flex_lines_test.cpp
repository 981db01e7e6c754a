// Flex lines on the Ahem-metric canvas: wrapping at the main size, flexible
// lengths, shared extra height, columns of indefinite height and input no
// page would hold. Browser-checked rows live in tests/data/layout/css/flex.
#include <cmath>
#include <string>

#include "layout_fixture.h"
#include "layout/flow.h"

namespace ht::testing {

namespace {

class FlexLinesTest : public LayoutTest {
 protected:
  void Load(StringView Html) {
    Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}</style>" + String(Html));
    Doc->CalcSize(800, 600);
  }
  TElement* Id(StringView Id) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* e = AsElement(n); e && !e->IsText() && e->GetId() == Id) return e;
    return nullptr;
  }
  // "x,y wxh" of the border box in document pixels, to two decimals.
  std::string At(StringView I) {
    TElement* e = Id(I);
    if (!e) return "missing";
    const TRectF b = e->BorderRect();
    auto n = [](float v) {
      std::string s = std::to_string(std::lround(v * 100) / 100.0);
      s.erase(s.find_last_not_of('0') + 1);
      if (s.back() == '.') s.pop_back();
      return s;
    };
    return n(e->RealLeft() + b.Left) + "," + n(e->RealTop() + b.Top) + " " + n(b.Right - b.Left) + "x" +
           n(b.Bottom - b.Top);
  }
};

}  // namespace

TEST_F(FlexLinesTest, WrapsOnlyPastATenthOfAPixel) {
  Load(u"<div id=f style='display:flex;flex-wrap:wrap;width:100px'>"
       u"<div id=a style='flex-basis:50.04px;height:10px'></div><div id=b style='flex-basis:50.04px;height:10px'></div></div>"
       u"<div id=g style='display:flex;flex-wrap:wrap;width:100px'>"
       u"<div id=c style='flex-basis:50.2px;height:10px'></div><div id=d style='flex-basis:50.2px;height:10px'></div></div>");
  EXPECT_EQ(Id(u"f")->SelfFlow->LineCount(), 1);
  EXPECT_EQ(At(u"b"), "50,0 50x10");  // shrunk by the overflow
  EXPECT_EQ(Id(u"g")->SelfFlow->LineCount(), 2);
  EXPECT_EQ(At(u"d"), "0,20 50.2x10");
}

TEST_F(FlexLinesTest, OnlyAbsoluteChildrenKeepOneEmptyLine) {
  Load(u"<div id=f style='display:flex;width:100px'><div id=a style='position:absolute;width:30px;height:30px'>"
       u"</div></div><div id=after style='height:5px'></div>");
  TFlow* flow = Id(u"f")->SelfFlow.get();
  ASSERT_NE(flow, nullptr);
  EXPECT_EQ(flow->LineCount(), 1);
  EXPECT_EQ(flow->FHeight, 0);
  EXPECT_EQ(At(u"f"), "0,0 100x0");
  EXPECT_EQ(At(u"a"), "0,0 30x30");
}

TEST_F(FlexLinesTest, ExtraHeightIsSharedAmongLines) {
  Load(u"<div id=f style='display:flex;flex-wrap:wrap;width:100px;height:100px'>"
       u"<div id=a style='flex-basis:60px'>a</div><div id=b style='flex-basis:60px'>b</div></div>");
  EXPECT_EQ(At(u"a"), "0,0 60x50");
  EXPECT_EQ(At(u"b"), "0,50 60x50");
}

// A column without a height of its own spreads over its content, not over
// its max-height (2^30 when unset).
TEST_F(FlexLinesTest, AutoHeightColumnStaysContentSized) {
  Load(u"<div id=f style='display:flex;flex-direction:column;justify-content:center;width:100px'>"
       u"<div id=a style='flex:1'>a</div><div id=b style='height:20px'></div></div>"
       u"<div id=m style='display:flex;flex-direction:column;justify-content:flex-end;min-height:50px'>"
       u"<div id=c style='height:10px'></div></div>");
  EXPECT_EQ(At(u"f"), "0,0 100x30");
  EXPECT_EQ(At(u"a"), "0,0 100x10");
  EXPECT_EQ(At(u"b"), "0,10 100x20");
  EXPECT_EQ(At(u"m"), "0,30 800x50");
  EXPECT_EQ(At(u"c"), "0,70 800x10");
}

// Factors and bases that are NaN-like, negative or huge lay out as finite
// boxes no larger than 2^30 pixels.
TEST_F(FlexLinesTest, BadFactorsAndBasesStayFinite) {
  Load(u"<div id=f style='display:flex;width:300px'>"
       u"<div id=a style='flex-grow:1e30;flex-basis:-10px;height:10px'></div>"
       u"<div id=b style='flex-grow:-3;flex-shrink:1e38;flex-basis:1e12px;height:10px'>b</div>"
       u"<div id=c style='flex:1e39 1e39 50%;height:10px'></div></div>");
  for (const char16_t* id : {u"a", u"b", u"c"}) {
    const TRectF r = Id(id)->BorderRect();
    EXPECT_TRUE(std::isfinite(r.Left) && std::isfinite(r.Right)) << StringToUtf8(id);
    EXPECT_GE(r.Right - r.Left, 0) << StringToUtf8(id);
    EXPECT_LE(r.Right - r.Left, 1073741824.0f) << StringToUtf8(id);
  }
  EXPECT_EQ(At(u"f"), "0,0 300x10");
}

}  // namespace ht::testing
