// Whole documents laid out on the Ahem-metric canvas: block flow, lines,
// margins, floats, inline blocks, alignment and positioned boxes.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "layout_fixture.h"
#include "layout/flow.h"

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
