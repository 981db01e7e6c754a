// SVG shapes as call traces on the trace canvas, and their hit tests.
#include "svg_fixture.h"

namespace ht::testing {
namespace {

std::string only(const std::string& Calls, const std::string& Prefix) {
  std::string out;
  size_t i = 0;
  while (i < Calls.size()) {
    size_t e = Calls.find('\n', i);
    if (e == std::string::npos) e = Calls.size();
    const std::string line = Calls.substr(i, e - i);
    if (line.rfind(Prefix, 0) == 0) out += (out.empty() ? "" : "\n") + line;
    i = e + 1;
  }
  return out;
}

class SVGShapesTest : public SVGTest {
 protected:
  // One shape inside a 200 x 200 svg; the drawing calls.
  std::string Shape(StringView Markup) {
    Load(u"<svg width=200 height=200>" + String(Markup) + u"</svg>");
    const std::string calls = Paint();
    return only(calls, "Fill") + "|" + only(calls, "Draw");
  }
};

TEST_F(SVGShapesTest, PaintCalls) {
  struct {
    const char16_t* Markup;
    const char* Calls;
  } const cases[] = {
      {u"<rect x=10 y=20 width=30 height=40 fill=red />", "FillRect FFFF0000 10,20,40,60|"},
      // ry does not default to rx.
      {u"<rect x=10 y=20 width=30 height=40 rx=5 fill=red />", "FillRoundRect FFFF0000 10,20,40,60 r5,0|"},
      // The stroke lies centred on the outline.
      {u"<rect width=30 height=40 fill=none stroke=blue stroke-width=4 />",
       "|DrawPath FF0000FF/4 [M 0,0 L 30,0 L 30,40 L 0,40 Z]"},
      // A same-coloured stroke of a pixel adds nothing; a wider one reaches out of the fill.
      {u"<rect width=30 height=40 fill=red stroke=red />", "FillRect FFFF0000 0,0,30,40|"},
      {u"<rect width=30 height=40 fill=red stroke=red stroke-width=10 />",
       "FillRect FFFF0000 0,0,30,40|DrawPath FFFF0000/10 [M 0,0 L 30,0 L 30,40 L 0,40 Z]"},
      {u"<path d='M0 0 L10 0 L10 10 L0 10 Z' fill=red />", "FillRect FFFF0000 0,0,10,10|"},
      {u"<polygon points='0,0 10,0 5,10' fill=red />", "FillPath FFFF0000 [M 0,0 L 10,0 L 5,10 Z]|"},
      {u"<polyline points='0,0 10,0 5,10' fill=none stroke=red />", "|DrawPath FFFF0000/1 [M 0,0 L 10,0 L 5,10]"},
      // Bad path data ends the figures where it stands.
      {u"<path d='M0 0 L10 0 X 5 5' fill=none stroke=red />", "|DrawPath FFFF0000/1 [M 0,0 L 10,0]"},
      {u"<circle cx=50 cy=50 r=10 fill=red />", "FillEllipse|"},
      {u"<line x1=0 y1=0 x2=100 y2=50 stroke=red stroke-width=2 />", "|DrawLine FFFF0000/2 0,0 100,50 flat"},
      {u"<rect width=10 height=10 fill=red fill-opacity=0 />", "|"},
      {u"<rect width=10 height=10 fill=none stroke=red stroke-opacity=0 />", "|"},
      {u"<g fill=lime><rect width=10 height=10 /></g>", "FillRect FF00FF00 0,0,10,10|"},
      {u"<g style='visibility:hidden'><rect width=10 height=10 /></g>", "|"},
      {u"<defs><rect width=10 height=10 /></defs><clipPath><rect width=10 height=10 /></clipPath>", "|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Markup));
    const std::string calls = Shape(c.Markup);
    if (std::string(c.Calls) == "FillEllipse|") EXPECT_EQ(calls.rfind("FillPath FFFF0000 [A 40,40,20,20", 0), 0u) << calls;
    else EXPECT_EQ(calls, c.Calls);
  }
}

TEST_F(SVGShapesTest, CircleBoxAndDashedEllipse) {
  Shape(u"<circle id=c cx=50 cy=50 r=10 /><ellipse id=e cx=50 cy=50 rx=20 ry=10 fill=none stroke=red "
        u"stroke-dasharray='3 1' />");
  auto* c = As<TSVGCircleElement>(u"c");
  EXPECT_EQ(c->OuterRect.Left, 40);
  EXPECT_EQ(c->OuterRect.Bottom, 60);
  EXPECT_EQ(c->InnerWidth, 20);
  // A dashed outline is an arc that leaves a degree open at its start.
  EXPECT_NE(G().Joined().find("A 30,40,40,20,0,359]"), std::string::npos) << G().Joined();
}

TEST_F(SVGShapesTest, HitTests) {
  Shape(u"<rect id=band x=10 y=10 width=40 height=40 fill=none stroke=red stroke-width=4 />"
        u"<rect id=thin x=60 y=10 width=40 height=40 fill=none stroke=red />"
        u"<line id=l x1=0 y1=100 x2=100 y2=200 stroke=red stroke-width=10 />"
        u"<line id=h x1=100 y1=150 x2=190 y2=150 stroke=red />"
        u"<ellipse id=e cx=150 cy=50 rx=20 ry=10 fill=none />"
        u"<circle id=ring cx=150 cy=150 r=20 fill=none stroke=red stroke-width=4 />");
  struct {
    const char16_t* Id;
    float X, Y;
    bool Hit;
  } const cases[] = {
      {u"band", 9, 30, true},    // within half the stroke outside the edge
      {u"band", 11.5f, 30, true},
      {u"band", 30, 30, false},  // not in the middle of an unfilled rect
      {u"band", 7, 30, false},
      {u"thin", 80, 30, false},  // no stroke width: HasStroke is true with width 1 but only the band hits
      {u"l", 50, 152, true},
      {u"l", 50, 170, false},
      {u"h", 120, 151, true},    // a horizontal line hits within 2 pixels
      {u"h", 120, 153, false},
      {u"e", 135, 45, true},     // neither fill nor stroke: the whole box
      {u"ring", 150, 131, true},
      {u"ring", 150, 150, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Id) + " " + std::to_string(c.X) + "," + std::to_string(c.Y));
    EXPECT_EQ(As<TSVGBaseElement>(c.Id)->HitTest(c.X, c.Y, false, false), c.Hit);
  }
}

TEST_F(SVGShapesTest, PathHitsAndItsCache) {
  Shape(u"<path id=p d='M-5 -5 L5 -5 L5 5 L-5 5 Z' fill=red />"
        u"<path id=q d='M20 20 L40 20 L30 40 Z' fill=red />");
  auto* p = As<TSVGPathElement>(u"p");
  EXPECT_TRUE(p->HitTest(0, 0, false, false));  // a first test at the origin tests the path
  auto* q = As<TSVGPathElement>(u"q");
  EXPECT_TRUE(q->HitTest(30, 25, false, false));
  EXPECT_TRUE(q->HitTest(30.4f, 25.4f, false, false));  // the same rounded point: the cached answer
  EXPECT_FALSE(q->HitTest(21, 38, false, false));
  // New data is built again and the cache forgets the old answer.
  q->SetAttribute(u"d", u"M100 100 L110 100 L110 110 Z");
  EXPECT_FALSE(q->HitTest(30, 25, false, false));
  EXPECT_TRUE(q->HitTest(109, 101, false, false));
}

TEST_F(SVGShapesTest, GroupHitsTheLastChildThroughItsTransform) {
  Shape(u"<g id=g><rect id=a width=50 height=50 fill=red /><rect id=b width=50 height=50 fill=blue "
        u"transform='translate(100 0)' /></g>");
  auto* g = As<TSVGGElement>(u"g");
  EXPECT_TRUE(g->HitTest(120, 10, false, false));
  EXPECT_TRUE(g->HitTest(10, 10, false, false));
  EXPECT_FALSE(g->HitTest(75, 10, false, false));
  ById(u"b")->IncludeFlag(efDragMoved);
  EXPECT_FALSE(As<TSVGBaseElement>(u"b")->HitTest(120, 10, false, false));
}

TEST_F(SVGShapesTest, ShapeRenderingSwitchesSmoothing) {
  Shape(u"<path d='M0 0 L10 0 L5 10 Z' fill=red shape-rendering=crispEdges />");
  const std::string calls = G().Joined();
  EXPECT_LT(calls.find("Smooth off"), calls.find("FillPath"));
  EXPECT_GT(calls.rfind("Smooth on"), calls.find("FillPath"));
}

}  // namespace
}  // namespace ht::testing
