// The paint walk over hand-placed boxes on the trace canvas: z levels,
// clips, culling and the boxes that paint nothing.
#include "paint_fixture.h"

#include "platform/rtl/format.h"

namespace ht::testing {
namespace {

class StackingTest : public PaintTest {
 protected:
  // body > the divs a, b, c, each 100 x 50 (with the styles given), laid
  // out 60 px apart by the document's own pass.
  void Tree(StringView A, StringView B = u"", StringView C = u"") {
    const String box = u"width:100px;height:50px;margin:0 0 10px 0;";
    Load(u"<body style='margin:0'><div id=a style='" + box + String(A) + u"'></div><div id=b style='" + box +
         String(B) + u"'></div><div id=c style='" + box + String(C) + u"'></div></body>");
  }
  std::string Paint(float OffsetY = 0) {
    G().Calls.clear();
    Doc->Draw(&Target, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, OffsetY, 0);
    EXPECT_EQ(G().Balance, 0);
    return G().Only("Fill") + G().Only("IntersectClip");
  }
  THtObject Target;
};

TEST_F(StackingTest, ZLevelsPaintInAscendingOrder) {
  // The positive level after the in-flow content of level 0, the negative
  // one before it, whatever the tree order.
  Tree(u"position:relative;z-index:2;background:#000002", u"background:#000000",
       u"position:relative;z-index:-1;background:#00000F");
  EXPECT_EQ(Paint(),
            "FillRect FF00000F 0,120,100,170\n"
            "FillRect FF000000 0,60,100,110\n"
            "FillRect FF000002 0,0,100,50\n");
}

TEST_F(StackingTest, BoxesThatPaintNothing) {
  // Hidden: not even its visible children; opacity 0: neither box nor content.
  Tree(u"visibility:hidden;background:red", u"opacity:0;background:red;border:1px solid red",
       u"background:#00ff00");
  EXPECT_EQ(Paint(), "FillRect FF00FF00 0,122,100,172\n");
  // Out of view: culled.
  Tree(u"background:red;margin-top:900px");
  EXPECT_EQ(Paint(), "");
}

// Boxes out of view are passed over before they prepare anything (they are
// never marked drawn), unless what they paint may reach into the view: a
// transform, a shadow, a positioned descendant, content overflowing them.
TEST_F(StackingTest, OutOfViewBoxesAreSkippedUnlessTheirPaintReachesIn) {
  Load(u"<body style='margin:0'>"
       u"<div id=far style='height:50px;margin-top:1000px;background:red'></div>"
       u"<div id=moved style='height:50px;background:#0000ff;transform:translateY(-1000px)'></div>"
       u"<div id=shadow style='height:50px;background:#00ff00;box-shadow:0 -1000px 0 #00ff00'></div>"
       u"<div id=holder style='height:50px'><div id=abs style='position:absolute;top:0;width:10px;height:10px;"
       u"background:#ff00ff'></div></div>"
       u"<div id=spill style='height:10px;padding-top:1px'><div id=tall style='height:0;margin-top:-1200px;padding-top:20px;"
       u"background:#ffff00'></div></div>"
       u"</body>");
  const std::string calls = Paint();
  EXPECT_FALSE(ById(u"far")->HasFlag(efDrawn));
  EXPECT_EQ(G().Only("FillRect FFFF0000"), "");
  EXPECT_NE(G().Only("FillRect FF0000FF"), "") << calls;
  EXPECT_NE(G().Only("FillRect FF00FF00"), "") << calls;
  EXPECT_NE(G().Only("FillRect FFFF00FF"), "") << calls;
  EXPECT_NE(G().Only("FillRect FFFFFF00"), "") << calls;
  // Scrolled to it, the far box paints.
  Paint(-1000);
  EXPECT_TRUE(ById(u"far")->HasFlag(efDrawn));
  EXPECT_NE(G().Only("FillRect FFFF0000"), "");
}

// A long flow is walked by bands of runs, a band wholly out of view passed
// over in one step. The picture equals the walk of every run (as while a
// drag is under way, when bands are off), and a box restyled into view after
// the bands were made still paints.
TEST_F(StackingTest, LongFlowsPassOverBandsOutOfViewExactly) {
  String html = u"<body style='margin:0'>";
  for (int i = 0; i < 200; ++i) {
    const String n = Utf8ToString(std::to_string(i));
    html += u"<div id=d" + n + u" style='height:30px;background:#000080'>box " + n + u"</div>";
    if (i % 10 == 0) html += u"<span style='color:#008000'>inline " + n + u"</span>";
  }
  Load(html + u"</body>");
  Paint();
  for (float offset : {-3000.0f, -4510.0f, -5900.0f}) {
    Paint(offset);
    const std::string banded = Calls();
    Doc->DragElement = ById(u"d0");
    Paint(offset);
    Doc->DragElement = nullptr;
    EXPECT_EQ(banded, Calls()) << offset;
    EXPECT_NE(banded.find("FillRect FF000080"), std::string::npos) << offset;
  }
  Paint();
  ById(u"d150")->SetAttribute(u"style", u"height:30px;background:#abcdef;transform:translateY(-4400px)");
  const std::string calls = Paint();
  EXPECT_NE(calls.find("FillRect FFABCDEF"), std::string::npos) << calls;
}

TEST_F(StackingTest, OverflowClipsThePaddingBox) {
  Tree(u"overflow-x:hidden;padding:5px;border:2px solid red");
  EXPECT_EQ(G().Calls.size(), 0u);
  EXPECT_EQ(Paint(), "IntersectClip 2,-1000000,112,1000000\n");
  Tree(u"overflow:hidden;border-radius:6px");
  EXPECT_EQ(Paint().substr(0, 15), "IntersectClip [");
  // Zero height: nothing inside, no clip.
  Tree(u"overflow:hidden;height:0;background:red");
  EXPECT_EQ(Paint(), "");
}

TEST_F(StackingTest, FixedHeaderWithHiddenOverflowStaysAfterScrolling) {
  // Culled at its own drawing origin: scrolled 2,000 px down, the header
  // still shows at the top of the view.
  Tree(u"position:fixed;top:0;left:0;overflow:hidden;background:red");
  const std::string calls = Paint(-2000);
  EXPECT_NE(calls.find("FillRect FFFF0000 0,2000,100,2050"), std::string::npos) << calls;
}

TEST_F(StackingTest, SingularTransformsAndManyLevelsStaySane) {
  Tree(u"transform:scale(0);background:red", u"transform:matrix(1,2,2,4,0,0);background:red",
       u"transform:rotate(1e9deg) translate(1e30px);background:blue");
  Paint();
  EXPECT_EQ(G().Only("FillRect FFFF0000"), "");
  String html = u"<body>";
  for (int i = 0; i < 3000; ++i)
    html += u"<div style='position:relative;height:1px;z-index:" + FloatToText(i % 1000 - 500) + u"'></div>";
  Load(html + u"</body>");
  Paint();
}

}  // namespace
}  // namespace ht::testing
