// Whole documents laid out on the Ahem-metric canvas: block flow, lines,
// margins, floats, inline blocks, alignment and positioned boxes.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "layout_fixture.h"
#include "support/ahem_canvas.h"
#include "canvas/hyphenation.h"
#include "layout/flow.h"
#include "layout/layout_style.h"

namespace ht::testing {

namespace {

// The border box in document pixels, as "x,y w×h" with whole numbers.
std::string Box(TElement* E) {
  if (!E) return "missing";
  TRectF b = E->BorderRect();
  if (E->Style() && E->Style()->Display() == dsInline) {
    // An inline box covers its line fragments.
    b = E->Rects(0);
    for (int l = 1; l <= E->EndLine() - E->StartLine(); ++l) {
      const TRectF r = E->Rects(l);
      b = TRectF(std::min(b.Left, r.Left), std::min(b.Top, r.Top), std::max(b.Right, r.Right),
                 std::max(b.Bottom, r.Bottom));
    }
  }
  auto n = [](float v) { return std::to_string(int(std::lround(v))); };
  return n(E->RealLeft() + b.Left) + "," + n(E->RealTop() + b.Top) + " " + n(b.Right - b.Left) + "x" +
         n(b.Bottom - b.Top);
}

}  // namespace

class LayoutPassTest : public LayoutTest {
 protected:
  void Load(StringView Html, int Width = 800, int Height = 600) {
    Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}</style>" + String(Html));
    Doc->CalcSize(Width, Height);
  }
  TElement* Id(StringView Id) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* e = AsElement(n); e && !e->IsText() && e->GetId() == Id) return e;
    return nullptr;
  }
  std::string At(StringView I) { return Box(Id(I)); }
};

struct TLayoutCase {
  const char16_t* Name;
  const char16_t* Html;
  std::vector<std::pair<const char16_t*, const char*>> Boxes;  // id, "x,y w×h"
};

TEST_F(LayoutPassTest, BlocksStackWithWidthsAndMargins) {
  Load(u"<div id=a style='height:20px'></div><div id=b style='width:50%;padding:5px;border:1px solid'>x</div>"
       u"<div id=c style='margin:0 auto;width:100px;height:10px'></div>");
  EXPECT_EQ(At(u"a"), "0,0 800x20");
  EXPECT_EQ(At(u"b"), "0,20 412x22");
  EXPECT_EQ(At(u"c"), "350,42 100x10");
}

class LayoutCaseTest : public LayoutPassTest, public ::testing::WithParamInterface<TLayoutCase> {};

TEST_P(LayoutCaseTest, BoxesLandWhereExpected) {
  Load(GetParam().Html);
  for (const auto& [id, box] : GetParam().Boxes) EXPECT_EQ(At(id), box) << StringToUtf8(id);
}

const TLayoutCase kCases[] = {
    {u"SiblingMarginsCollapseToTheLarger",
     u"<p id=a style='margin:20px 0'>aaa</p><p id=b style='margin:10px 0'>bbb</p>"
     u"<p id=c style='margin:10px 0'>ccc</p><p id=d style='margin:20px 0'>ddd</p>",
     {{u"a", "0,20 800x10"}, {u"b", "0,50 800x10"}, {u"c", "0,70 800x10"}, {u"d", "0,100 800x10"}}},
    {u"AnEmptyBlockPassesBothMargins",
     u"<p id=a style='margin:0'>a</p><div id=e style='margin:10px 0'></div><p id=b style='margin:20px 0'>b</p>",
     {{u"a", "0,0 800x10"}, {u"b", "0,30 800x10"}}},
    {u"WordsWrapAndSpacesHang",
     u"<p id=p style='margin:0;width:55px'>aaa bbb ccc</p><p id=q style='margin:0;width:20px'>aaaaa b</p>",
     {{u"p", "0,0 55x30"}, {u"q", "0,30 20x20"}}},
    {u"FloatsNarrowTheLinesBesideThem",
     u"<div id=f style='float:left;width:100px;height:30px'></div><div id=t>xx yy</div>"
     u"<span id=ib style='display:inline-block;width:30px;height:30px'></span>"
     u"<div id=c style='clear:left;height:5px'></div>",
     {{u"f", "0,0 100x30"}, {u"t", "0,0 800x10"}, {u"ib", "100,10 30x30"}, {u"c", "0,40 800x5"}}},
    {u"RightFloatAndABlockOfItsOwnContextBeside",
     u"<div id=f style='float:right;width:100px;height:30px'></div>"
     u"<div id=o style='overflow:hidden;height:10px'></div>",
     {{u"f", "700,0 100x30"}, {u"o", "0,0 700x10"}}},
    {u"FloatTooWideForTheLineGoesBelowIt",
     u"<div style='width:100px'>aaaaaaa<span id=f style='float:left;width:50px;height:10px'></span></div>",
     {{u"f", "0,10 50x10"}}},
    {u"PositionedBoxes",
     u"<div id=r style='position:relative;left:5px;top:5px;height:50px'>"
     u"<div id=a style='position:absolute;left:10px;top:5px;width:20px;height:20px'></div>"
     u"<div id=s style='position:absolute;width:20px;height:20px'></div></div>"
     u"<div id=rr style='position:relative;right:10px;height:5px'></div>"
     u"<div id=x style='position:fixed;bottom:0;left:0;width:10px;height:10px'></div>",
     {{u"r", "5,5 800x50"}, {u"a", "15,10 20x20"}, {u"s", "5,5 20x20"}, {u"rr", "0,50 800x5"},
      {u"x", "0,590 10x10"}}},
    {u"TextAlignCenterAndRight",
     u"<p id=c style='margin:0;line-height:10px;text-align:center'><span id=s>aa</span></p>"
     u"<p style='margin:0;line-height:10px;text-align:right'><span id=r>aa</span></p>",
     {{u"s", "390,0 20x10"}, {u"r", "780,10 20x10"}}},
    {u"InlineBlockSitsOnTheBaseline",
     u"<div style='line-height:1'>xx<span id=ib style='display:inline-block;width:20px;height:30px'></span></div>",
     {{u"ib", "20,0 20x30"}}},
    {u"LineHeightOneAndAHalf",
     u"<div id=d style='font-size:20px;line-height:1.5'>x</div>", {{u"d", "0,0 800x30"}}},
};

INSTANTIATE_TEST_SUITE_P(Layout, LayoutCaseTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return StringToUtf8(info.param.Name); });

}  // namespace ht::testing

namespace ht::testing {

// Lines of one container: each line's first run's text, left and top, and
// the runs' widths.
class LineTest : public LayoutPassTest {
 protected:
  std::vector<THtLineBlock*> Runs(StringView I) {
    std::vector<THtLineBlock*> out;
    TElement* e = Id(I);
    if (!e || !e->SelfFlow) return out;
    for (THtLineBlock* b = e->SelfFlow->FirstBlock; b; b = b->NextBlock()) out.push_back(b);
    return out;
  }
  // "text@line:left" of every text run.
  std::string Texts(StringView I) {
    std::string s;
    for (THtLineBlock* b : Runs(I))
      if (b->IsText())
        s += (s.empty() ? "" : " ") + StringToUtf8(b->DisplayText()) + "@" + std::to_string(b->Line) + ":" +
             std::to_string(int(std::lround(b->Left)));
    return s;
  }
};

TEST_F(LineTest, WordsSplitUnderBreakAllAndStayWholeOtherwise) {
  Load(u"<div id=n style='width:55px'>aaaaaaaa bb</div>"
       u"<div id=b style='width:55px;word-break:break-all'>aaaaaaaa bb</div>");
  EXPECT_EQ(Texts(u"n"), "aaaaaaaa@0:0  @0:80 bb@1:0");
  EXPECT_EQ(Texts(u"b"), "aaaaa@0:0 aaa@1:0  @1:30 b@1:40 b@2:0");
}

TEST_F(LineTest, OverflowOnlyBeyondHalfAPixel) {
  // "aa bb" is 50.5 pixels at 10.1 px and 51 at 10.2 px: only the second
  // passes a 50 pixel line by more than half a pixel.
  Load(u"<div id=a style='width:50px;font-size:10.1px'>aa bb</div>"
       u"<div id=b style='width:50px;font-size:10.2px'>aa bb</div>");
  EXPECT_EQ(Runs(u"a").back()->Line, 0);
  EXPECT_EQ(Runs(u"b").back()->Line, 1);
}

TEST_F(LineTest, HangingBlanksTakeNegativeWidths) {
  Load(u"<div id=a style='width:30px'>aa   bb</div>");
  auto r = Runs(u"a");
  ASSERT_GE(r.size(), 3u);
  EXPECT_EQ(r[1]->Line, 0);
  EXPECT_LT(r[1]->LogicalWidth, 0);
  EXPECT_EQ(r[2]->Line, 1);
}

TEST_F(LineTest, ALineOfOneForcedBreakTakesItsHeight) {
  Load(u"<div id=a style='line-height:10px'>a<br><br>b</div>");
  TElement* a = Id(u"a");
  ASSERT_EQ(a->SelfFlow->LineCount(), 3);
  EXPECT_EQ(a->SelfFlow->GetLine(1)->Height, 10);
  EXPECT_EQ(At(u"a"), "0,0 800x30");
}

TEST_F(LineTest, TabsStopAtTheIntervalAndNeverTwiceAtOne) {
  Load(u"<pre id=p style='tab-interval:50px;font:10px/1 Ahem'>a\tb\tc</pre>"
       u"<pre id=q style='tab-interval:50px;font:10px/1 Ahem'>a\t<span></span>\tc</pre>");
  auto lefts = [&](StringView I) {
    std::string out;
    for (THtLineBlock* b : Runs(I))
      if (b->IsText() && !b->Has(trfTab) && !b->IsLineBreak()) out += std::to_string(int(std::lround(b->Left))) + " ";
    return out;
  };
  EXPECT_EQ(lefts(u"p"), "0 50 100 ");
  // The second tab starts where the first ended: it moves 2 pixels first,
  // so it goes on to the next stop.
  EXPECT_EQ(lefts(u"q"), "0 100 ");
}

TEST_F(LineTest, JustifiedLinesFillTheWidthButTheLastStaysLeft) {
  Load(u"<div id=j style='width:100px;text-align:justify'>aa bb cc dd ee ff</div>"
       u"<div id=r style='width:100px;text-align:justify;direction:rtl'>aa bb cc dd ee ff</div>");
  // "aa bb cc" takes 60 of 100 pixels: each of its two spaces grows to 20,
  // the hanging one after "cc" stays out.
  EXPECT_EQ(Texts(u"j"), "aa@0:0  @0:20 bb@0:40  @0:60 cc@0:80  @0:100 dd@1:0  @1:20 ee@1:30  @1:50 ff@1:60");
  auto r = Runs(u"r");
  ASSERT_FALSE(r.empty());
  EXPECT_EQ(Id(u"r")->SelfFlow->GetLine(1)->Align, thRight);
}

TEST_F(LineTest, ABlockWithAutoMarginsCentresBetweenFloats) {
  Load(u"<div style='float:left;width:100px;height:50px'></div><div style='float:right;width:300px;height:50px'></div>"
       u"<div id=c style='margin:0 auto;width:100px;height:10px;overflow:hidden'></div>");
  EXPECT_EQ(At(u"c"), "250,0 100x10");
}

TEST_F(LineTest, ALaterFloatNeverGoesAboveAnEarlierOne) {
  Load(u"<div style='width:100px'><div id=a style='float:left;width:60px;height:10px'></div>"
       u"<div id=b style='float:left;width:60px;height:30px'></div>"
       u"<div id=c style='float:right;width:30px;height:10px'></div></div>");
  EXPECT_EQ(At(u"a"), "0,0 60x10");
  EXPECT_EQ(At(u"b"), "0,10 60x30");
  EXPECT_EQ(At(u"c"), "70,10 30x10");
}

TEST_F(LineTest, AScrolledContainerMovesItsContentUp) {
  Load(u"<div id=s style='height:50px'><div id=c style='height:200px'></div></div>");
  TElement* s = Id(u"s");
  s->FOverflowData = std::make_unique<TOverflowData>(s);
  const float before = Id(u"c")->RealTop();
  s->FOverflowData->VOffset = 30;
  EXPECT_EQ(Id(u"c")->RealTop(), before - 30);
}

TEST_F(LineTest, ATableCellSetsItsContentOffsetByVerticalAlign) {
  Load(u"<div id=b style='display:table-cell;height:40px;vertical-align:bottom'>x</div>"
       u"<div id=m style='display:table-cell;height:40px;vertical-align:middle'>x</div>");
  TElement* b = Id(u"b");
  TElement* m = Id(u"m");
  b->InnerHeight = 40;
  b->ContentHeight = 20;
  b->UpdateVAlign();
  m->InnerHeight = 40;
  m->ContentHeight = 20;
  m->UpdateVAlign();
  EXPECT_EQ(b->VDelta, 20);
  EXPECT_EQ(m->VDelta, 10);
}

TEST_F(LineTest, AnInlineBoxsClientLeftIsItsContentOnTheFirstLine) {
  Load(u"<div>aa<span id=s style='padding:3px 7px 30px 5px;border-left:2px solid;margin-left:4px'>bb</span></div>");
  // The span starts after "aa" (20) and its left margin (4); its content
  // after the border (2) and the left padding (5).
  EXPECT_EQ(Id(u"s")->GetClientLeft(), 20 + 4 + 2 + 5);
}

}  // namespace ht::testing

namespace ht::testing {

TEST_F(LineTest, HyphensSplitAtTheLastPointThatFitsAndNeverShortWords) {
  TCardinalArray points;
  points.push_back(3);
  points.push_back(7);
  points.push_back(8);
  THtLanguage::GetLanguage(u"x-test")->AddHyphenation(u"hyphenation", points);
  Load(u"<div id=h lang=x-test style='width:80px;hyphens:auto'>hyphenation</div>"
       u"<div id=s lang=x-test style='width:20px;hyphens:auto'>abc</div>");
  // 80 pixels less a space leave 70: "hyphena" (7 letters) is the longest
  // first part that fits.
  EXPECT_EQ(Texts(u"h"), "hyphena@0:0 tion@1:0");
  auto h = Runs(u"h");
  ASSERT_FALSE(h.empty());
  EXPECT_TRUE(h.front()->Has(trfHyphen));
  EXPECT_EQ(Texts(u"s"), "abc@0:0");
}

}  // namespace ht::testing

namespace ht::testing {

TEST_F(LineTest, SplitRunsAreBuiltAgainOnTheNextLayout) {
  Load(u"<div id=b style='width:55px;word-break:break-all'>aaaaaaaa bb</div><p id=after>x</p>");
  EXPECT_EQ(Texts(u"b"), "aaaaa@0:0 aaa@1:0  @1:30 b@1:40 b@2:0");
  Id(u"b")->SetAttribute(u"style", u"width:95px;word-break:break-all");
  Doc->CalcSize(800, 600);
  EXPECT_EQ(Texts(u"b"), "aaaaaaaa@0:0  @0:80 bb@1:0");
  Doc->CalcSize(800, 600);
  EXPECT_EQ(Texts(u"b"), "aaaaaaaa@0:0  @0:80 bb@1:0");
}

}  // namespace ht::testing

namespace ht::testing {

// Placed boxes grow the document's scroll area by their transformed
// bounds, unless a container clips them; fixed and filtered boxes are
// listed for the scroll's repaint.
TEST_F(LayoutPassTest, TransformedBoxesGrowTheScrollArea) {
  Load(u"<div id=t style='width:100px;height:100px;transform:translate(2000px,1000px)'></div>");
  EXPECT_EQ(Doc->DocumentWidth, 2100);
  EXPECT_EQ(Doc->DocumentHeight, 1100);
  // The container's content rectangle takes the moved box in too, so
  // painting does not cull it.
  EXPECT_GE(Id(u"t")->Parent()->SelfFlow->ContentRect.Bottom, 1100);

  Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType, false);
  Load(u"<div style='overflow:hidden;height:100px'>"
       u"<div style='width:100px;height:100px;transform:translate(2000px,1000px)'></div></div>");
  EXPECT_EQ(Doc->DocumentWidth, 800);
  EXPECT_EQ(Doc->DocumentHeight, 600);
}

TEST_F(LayoutPassTest, FixedAndFilteredBoxesAreListedForScrolling) {
  Load(u"<div style='height:50px'></div><div style='position:fixed;top:5px;left:0;width:100px;height:20px'></div>"
       u"<div style='margin-left:7px;height:10px;filter:blur(2px)'></div><div style='height:10px'></div>");
  auto& list = Doc->ScrollRepaintList;
  ASSERT_EQ(list.size(), 2u);
  const THtScrollRepaintEntry& filtered = list[0].IsFixed ? list[1] : list[0];
  const THtScrollRepaintEntry& fixed = list[0].IsFixed ? list[0] : list[1];
  EXPECT_TRUE(fixed.IsFixed);
  EXPECT_EQ(fixed.R.Top, 5);
  EXPECT_EQ(fixed.R.Bottom, 25);
  EXPECT_FALSE(filtered.IsFixed);
  EXPECT_EQ(filtered.R.Left, 0);  // the margin box
  EXPECT_EQ(filtered.R.Top, 50);
  // A second layout lists them again, once.
  Doc->NeedRecalc = true;
  Doc->CalcSize(800, 600);
  EXPECT_EQ(list.size(), 2u);
}

}  // namespace ht::testing
