// Borders, drawn on boxes placed by hand at (10, 20): which primitive each
// kind of border becomes and where its geometry lies.
#include "paint_fixture.h"

namespace ht::testing {
namespace {

class BorderTest : public PaintTest {
 protected:
  // A box with Css, W x H at (10, 20), drawn once; the calls it made.
  std::string Draw(StringView Css, float W, float H) {
    Load(u"<body><div id=a style='" + String(Css) + u"'></div></body>");
    TElement* e = Place(u"a", TRectF{10, 20, 10 + W, 20 + H});
    St(e).CalculatedOpacity = 1;
    e->DrawBorder(THtDrawInfo{});
    return Calls();
  }
};

struct BorderCase {
  const char16_t* Css;
  float W, H;
  const char* Expected;
};

TEST_F(BorderTest, EachKindOfBorderBecomesItsPrimitive) {
  const BorderCase cases[] = {
      // Uniform borders are one stroke: a rectangle, a rounded rectangle or an ellipse.
      {u"border:1px solid #ff0000", 100, 50, "Smooth off\nDrawRect FFFF0000/1 10,20,110,70\nSmooth on\n"},
      // No double lines: a double border is one solid stroke of the full width.
      {u"border:3px double red", 100, 50, "Smooth off\nDrawRect FFFF0000/3 10,20,110,70\nSmooth on\n"},
      {u"border:2px solid red;border-radius:10px", 40, 40, "Smooth on\nRoundRect FFFF0000/2 10,20,50,60 r10,10\nSmooth on\n"},
      {u"border:2px solid red;border-radius:20px", 40, 40, "Smooth on\nDrawEllipse FFFF0000/2 10,20,50,60\nSmooth on\n"},
      // Thin borders: a 0.3 px width still shows one pixel; 2.7 px strokes at 2.7.
      {u"border-top:0.3px solid red", 100, 50, "Smooth off\nSmooth off\nDrawLine FFFF0000/.3 10,20.5 110,20.5 flat\nSmooth on\n"},
      {u"border:2.7px solid red", 100, 50, "Smooth off\nDrawRect FFFF0000/2.7 10,20,110,70\nSmooth on\n"},
      // A dotted top between sides of width 0: a dotted line with flat caps.
      {u"border-top:1px dotted blue", 100, 50, "Smooth off\nSmooth off\nDrawLine FF0000FF/1 dot 10,20.5 110,20.5 flat\nSmooth on\n"},
  };
  for (const BorderCase& c : cases) EXPECT_EQ(Draw(c.Css, c.W, c.H), c.Expected) << StringToUtf8(c.Css);
}

TEST_F(BorderTest, SidesOfDifferentColoursMeetOnTheDiagonals) {
  const std::string calls = Draw(u"border-top:4px solid red;border-left:2px solid blue", 100, 50);
  // The top trapezoid ends at (L + 2, T + 4); the left side is a trapezoid too.
  EXPECT_NE(calls.find("FillPath FFFF0000 [M 10,19.5 L 110,19.5 L 110,24 L 12,24 L 10,20]"), std::string::npos)
      << calls;
  EXPECT_NE(calls.find("FillPath FF0000FF [M 10,19.5 L 12,24 L 12,70 L 10,70.5 L 10,19.5]"), std::string::npos)
      << calls;
}

TEST_F(BorderTest, ClampedRadiiAreDrawnSideBySideInWedges) {
  // 40 x 20 with a 30 px radius: the radii clamp to 10, no longer the ones
  // declared, so each side is stroked inside its own clipped wedge.
  const std::string calls = Draw(u"border:2px solid red;border-radius:30px", 40, 20);
  EXPECT_EQ(G().Only("SaveState").size(), 4 * std::string("SaveState\n").size()) << calls;
  EXPECT_EQ(G().Only("RoundRect FFFF0000/2").size() > 0, true) << calls;
  EXPECT_EQ(calls.find(" r30"), std::string::npos) << calls;
  EXPECT_NE(calls.find(" r10,10"), std::string::npos) << calls;
  EXPECT_EQ(G().Balance, 0);
}

TEST_F(BorderTest, InlineBoxOverThreeLinesDrawsItsEndEdgesOnce) {
  Load(u"<body><p><span id=s style='border:1px solid red;border-left-color:blue;border-right-color:lime'>"
       u"x</span></p></body>");
  TElement* s = Place(u"s", TRectF{0, 0, 50, 10});
  St(s).CalculatedOpacity = 1;
  s->LineBlocks.Clear();
  for (int line = 0; line < 3; ++line) s->LineBlocks.CreateBlock(s)->Line = line;
  s->DrawBorder(THtDrawInfo{});
  auto count = [&](const std::string& what) {
    const std::string all = Calls();
    int n = 0;
    for (size_t p = all.find(what); p != std::string::npos; p = all.find(what, p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("FF0000FF/1"), 1) << Calls();  // left: first line only
  EXPECT_EQ(count("FF00FF00/1"), 1) << Calls();  // right: last line only
  EXPECT_EQ(count("FFFF0000/1"), 6) << Calls();  // top and bottom on each line
}

TEST_F(BorderTest, BorderPathsFollowTheCorners) {
  Load(u"<body><div id=a style='border-radius:8px'></div><div id=b style='border-top-left-radius:8px'></div>"
       u"</body>");
  TElement* a = Place(u"a", TRectF{0, 0, 40, 30});
  TElement* b = Place(u"b", TRectF{0, 0, 40, 30});
  auto text = [](const std::unique_ptr<THtPath>& p) { return static_cast<TTracePath&>(*p).Text(); };
  const TRectF r{0, 0, 40, 30};
  EXPECT_EQ(text(CreateBorderPath(*a, r, false)).substr(0, 1), "M");
  EXPECT_EQ(text(CreateBorderPath(*b, r, false)),
            "M 8,0 L 40,0 L 40,30 L 0,30 L 0,8 A 0,0,16,16,180,90 Z");
  EXPECT_EQ(text(CreateBorderPath(*b, TRectF{0, 0, 0, 30}, false)), "");
  // The clip path keeps the right and bottom edges one pixel inside.
  EXPECT_EQ(text(CreateClipPath(*b, r)), "M 8,0 L 39,0 L 39,29 L 0,29 L 0,8 A 0,0,16,16,180,90");
}

TEST_F(BorderTest, HugeAndBrokenValuesStaySane) {
  for (const char16_t* css : {u"border:1e9px solid red", u"border:2px solid red;border-radius:1e9px",
                              u"border-top:2px solid red;border-left:1e9px solid blue;border-radius:1e9px 3px"}) {
    Draw(css, 40, 20);
    EXPECT_EQ(G().Balance, 0) << StringToUtf8(css);
  }
}

}  // namespace
}  // namespace ht::testing
