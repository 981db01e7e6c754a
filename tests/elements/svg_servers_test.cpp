// Paint servers, clip paths, use, image and text.
#include <cmath>

#include "svg_fixture.h"

namespace ht::testing {
namespace {

class SVGServersTest : public SVGTest {
 protected:
  // The brush of the rect "r" after a paint of Markup in a 200 x 200 svg.
  THtBrush* Brush(StringView Defs, StringView RectAttrs = u"x=10 y=20 width=200 height=100") {
    Load(u"<svg width=400 height=300><defs>" + String(Defs) + u"</defs><rect id=r fill='url(#g)' " +
         String(RectAttrs) + u" /></svg>");
    return As<TSVGBaseElement>(u"r")->PaintBrush.get();
  }
};

TEST_F(SVGServersTest, LinearGradients) {
  const String stops = u"<stop offset=0 stop-color=red /><stop offset=1 stop-color=blue /></linearGradient>";
  THtBrush* b = Brush(u"<linearGradient id=g x1=0 y1=0 x2=1 y2=0>" + stops);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Kind, hbGradient);
  EXPECT_EQ(b->Angle, 90);
  EXPECT_EQ(b->GradientRect.Left, 10);
  EXPECT_EQ(b->GradientRect.Right, 210);
  EXPECT_EQ(b->GradientColors, (TCardinalArray{0xFFFF0000u, 0xFF0000FFu}));
  EXPECT_EQ(b->GradientPositions, (TSingleArray{0, 1}));
  EXPECT_EQ(Brush(u"<linearGradient id=g x1=0 y1=0 x2=0 y2=1>" + stops)->Angle, 180);
  // Absent coordinates run left to right, as in SVG.
  EXPECT_EQ(Brush(u"<linearGradient id=g>" + stops)->Angle, 90);
  b = Brush(u"<linearGradient id=g gradientUnits=userSpaceOnUse x1=10 x2=110 y1=0 y2=0>" + stops);
  EXPECT_EQ(b->GradientRect.Left, 10);
  EXPECT_EQ(b->GradientRect.Right, 110);
}

TEST_F(SVGServersTest, StopsAndTheirOpacities) {
  THtBrush* b = Brush(u"<linearGradient id=h><stop offset='20%' stop-color=red /><stop offset='10px' "
                      u"stop-color=lime stop-opacity=0.5 /></linearGradient>"
                      u"<linearGradient id=g href='#h'><stop offset=0 stop-color=black /></linearGradient>",
                      u"width=100 height=100 fill-opacity=0.5");
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->GradientColors.size(), 2u);
  EXPECT_EQ(b->GradientColors[0] >> 24, 0x80u);
  EXPECT_NEAR(int(b->GradientColors[1] >> 24), 64, 1);  // a quarter
  EXPECT_FLOAT_EQ(b->GradientPositions[0], 0.2f);
  // An absolute offset keeps its index and never runs back.
  EXPECT_FLOAT_EQ(b->GradientPositions[1], 1.0f);
  // A missing href target leaves the gradient's own stops.
  b = Brush(u"<linearGradient id=g href='#none'><stop offset=0.5 stop-color=black /></linearGradient>");
  EXPECT_EQ(b->GradientPositions[0], 0.5f);
  b = Brush(u"<linearGradient id=g><stop offset=nan stop-color=black /><stop offset=-3 /></linearGradient>");
  EXPECT_EQ(b->GradientPositions[0], 0.0f);
  EXPECT_EQ(b->GradientPositions[1], 0.0f);
}

TEST_F(SVGServersTest, RadialGradientsAndTransforms) {
  THtBrush* b = Brush(u"<radialGradient id=g cx='50%' r=20><stop offset=0 stop-color=red /></radialGradient>");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Kind, hbRadial);
  EXPECT_EQ(b->CX, 110);  // half of 200 from the box's left at 10
  EXPECT_EQ(b->FX, 110);  // the focus defaults to the centre
  EXPECT_GE(b->Radius, 20);  // grown with its stops moved in, to pad beyond the last
  b = Brush(u"<linearGradient id=g gradientTransform='rotate(45)' />");
  EXPECT_NEAR(b->Matrix.Data[0], std::sqrt(0.5f), 1e-5);
  EXPECT_NEAR(b->Matrix.Data[1], std::sqrt(0.5f), 1e-5);
  THtMatrixData m;
  ParseGradientTransform(*Root(), m, u"scale(2, 1) translateZ(5)");
  EXPECT_EQ(m.Data[0], 2);
  EXPECT_EQ(m.Data[3], 1);
  // A matrix in a list combines with the functions around it.
  ParseGradientTransform(*Root(), m, u"translate(5 0) matrix(2 0 0 2 0 0)");
  EXPECT_EQ(m.TransformPoint(TPointF{1, 1}).X, 7);
}

TEST_F(SVGServersTest, ImageBrushAndMissingServer) {
  EXPECT_EQ(Brush(u"<pattern id=g><image href='data:,x' /></pattern>")->Kind, hbImage);
  EXPECT_EQ(Brush(u"<linearGradient id=other />"), nullptr);
}

TEST_F(SVGServersTest, ClipPaths) {
  Load(u"<svg width=200 height=200><clipPath id=c><rect x=5 y=5 width=10 height=10 /></clipPath>"
       u"<clipPath id=empty></clipPath><rect clip-path='url(#c)' width=50 height=50 fill=red />"
       u"<rect style='clip-path:url(#empty)' width=50 height=50 fill=blue /></svg>");
  const std::string calls = G().Joined();
  EXPECT_NE(calls.find("IntersectClip [M 5,5 L 15,5 L 15,15 L 5,15 L 5,5 Z]\nFillRect FFFF0000"), std::string::npos) << calls;
  EXPECT_NE(calls.find("IntersectClip []\nFillRect FF0000FF"), std::string::npos) << calls;
}

TEST_F(SVGServersTest, UseDrawsItsTargetShiftedWithItsOwnColours) {
  Load(u"<svg width=200 height=200><rect id=r x=5 width=10 height=10 fill=red />"
       u"<use id=u href='#r' x=10 fill=blue /><g id=g><use id=loop href='#g' /></g></svg>");
  const std::string calls = Paint();
  EXPECT_NE(calls.find("FillRect FFFF0000 5,0,15,10"), std::string::npos) << calls;
  EXPECT_NE(calls.find("SaveState\nMatrixTransform+"), std::string::npos) << calls;
  EXPECT_NE(calls.find("FillRect FF0000FF 5,0,15,10"), std::string::npos) << calls;
  EXPECT_EQ(St(u"r").Fill, 0xFFFF0000u);  // only for the draw
  EXPECT_EQ(As<TSVGUseElement>(u"loop")->Referenced, nullptr);
  EXPECT_TRUE(As<TSVGUseElement>(u"u")->HitTest(16, 5, false, false));
  EXPECT_FALSE(As<TSVGUseElement>(u"u")->HitTest(6, 5, false, false));
}

TEST_F(SVGServersTest, UseCyclesEnd) {
  Load(u"<svg width=200 height=200><clipPath id=c><use id=a href='#b' /></clipPath>"
       u"<g id=b><use href='#c2' /></g><g id=c2><use href='#b' /><rect width=5 height=5 /></g>"
       u"<rect clip-path='url(#c)' width=9 height=9 /></svg>");
  Paint();  // ends
}

TEST_F(SVGServersTest, TextPlacement) {
  Load(u"<svg width=300 height=200 font-family=Ahem font-size=10>"
       u"<text id=t x=50 y=30 text-anchor=middle>abcd</text>"
       u"<text id=s x=10 y=60>ab<tspan id=p x=100>cd</tspan><tspan dx=5>ef</tspan></text>"
       u"<text id=d dx='1 2 3'>x</text><text id=e dx=4>x</text></svg>");
  auto* t = As<TSVGTextElement>(u"t");
  EXPECT_EQ(t->OuterRect.Left, 30);  // 40 wide, centred on 50
  EXPECT_EQ(t->OuterRect.Top, 22);   // the baseline at 30, Ahem's ascent 8
  const std::string calls = Paint();
  EXPECT_NE(calls.find("DrawString \"ab\" 10,52"), std::string::npos) << calls;
  EXPECT_NE(calls.find("DrawString \"cd\" 100,52"), std::string::npos) << calls;
  EXPECT_NE(calls.find("DrawString \"ef\" 125,52"), std::string::npos) << calls;
  EXPECT_EQ(As<TSVGTextElement>(u"d")->DXList, (TSingleArray{1, 2, 3}));
  EXPECT_TRUE(As<TSVGTextElement>(u"e")->DXList.empty());
  EXPECT_TRUE(t->HitTest(35, 25, false, false));
  EXPECT_FALSE(t->HitTest(25, 25, false, false));
}

TEST_F(SVGServersTest, ForeignObjectIsPlacedAbsolutely) {
  Load(u"<svg width=300 height=200><foreignObject id=f x=20 y=30 width=100 height=50>"
       u"<div>html</div></foreignObject></svg>");
  TElementStyle* s = ElementStyleOf(ById(u"f"));
  EXPECT_EQ(s->Position(), epAbsolute);
  EXPECT_EQ(s->Left().ToPixels(), 20);
  EXPECT_EQ(s->Top().ToPixels(), 30);
}

}  // namespace
}  // namespace ht::testing
