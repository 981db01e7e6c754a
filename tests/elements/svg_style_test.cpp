// SVG presentation properties: the registry entries, how values and
// attributes reach the SVG style, inheritance and resets; the svg root's
// size and user-space mapping, also when printed.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "backends/canvas_gdi.h"
#include "backends/pdf_exporter.h"
#include "svg_fixture.h"

namespace ht::testing {
namespace {

TEST(SVGProperties, SixteenEntriesBesideTheRegistrysOwn) {
  struct {
    const char16_t* Name;
    TCSSProperty Id;
    TCSSPropertyType Kind;
    bool Inherited;
    float Default;
  } const cases[] = {
      {u"clip-path", cspClipPath, cptComplex, false, 0},
      {u"dominant-baseline", cspDominantBaseline, cptEnum, false, 0},
      {u"fill", cspFill, cptComplex, false, 0},
      {u"fill-opacity", cspFillOpacity, cptNumber, true, 1},
      {u"fill-rule", cspFillRule, cptEnum, false, 0},
      {u"stroke", cspStroke, cptComplex, false, 0},
      {u"stroke-width", cspStrokeWidth, cptLength, false, 0},
      {u"stroke-opacity", cspStrokeOpacity, cptNumber, true, 1},
      {u"stop-color", cspStopColor, cptColor, false, 0},
      {u"stop-opacity", cspStopOpacity, cptNumber, false, 1},
      {u"stroke-dasharray", cspStrokeDasharray, cptComplex, false, 0},
      {u"stroke-dashoffset", cspStrokeDashoffset, cptLength, false, 0},
      {u"stroke-linejoin", cspStrokeLinejoin, cptEnum, false, 0},
      {u"stroke-linecap", cspStrokeLinecap, cptEnum, false, 0},
      {u"shape-rendering", cspShapeRendering, cptEnum, false, 0},
      {u"text-anchor", cspTextAnchor, cptEnum, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Name));
    const TCSSPropRec* p = FindCSSProp(c.Name);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Id, c.Id);
    EXPECT_EQ(p->Kind, c.Kind);
    EXPECT_EQ(p->Inherited, c.Inherited);
    EXPECT_EQ(p->DefaultValue, c.Default);
    EXPECT_FALSE(p->AffectsLayout);
    EXPECT_EQ(p->PercentBase, 0);
  }
  ASSERT_NE(FindCSSProp(u"break-after"), nullptr);
  EXPECT_EQ(int(FindCSSProp(u"break-after")->Id), 133);
  EXPECT_EQ(int(cspStopColor), 132);
  EXPECT_EQ(int(cspStopOpacity), 134);
}

TEST_F(SVGTest, KeywordsAndNumbersOfTheStyle) {
  Load(u"<svg><style>#b{shape-rendering:crispedges} #c{stroke-linejoin:arcs}</style>"
       u"<rect id=a shape-rendering=crispEdges stroke-linejoin=round stroke-linecap=square fill-opacity=1.5 "
       u"stroke-opacity=1.5 stroke-dasharray='4 2' fill-rule=evenodd />"
       u"<rect id=b fill=none x='50%' /><rect id=c />"
       u"<text id=t text-anchor=middle><tspan id=s text-anchor=start>x</tspan></text></svg>");
  TSVGElementStyle& a = St(u"a");
  EXPECT_EQ(a.ShapeRendering, srCrispEdges);
  EXPECT_EQ(a.StrokeLineJoin, ljRound);
  EXPECT_EQ(a.StrokeLineCap, lcSquare);
  EXPECT_EQ(a.FillOpacity(), 1.0f);
  EXPECT_EQ(a.StrokeOpacity(), 1.5f);
  ASSERT_TRUE(a.StrokeDashArray);
  EXPECT_EQ(*a.StrokeDashArray, (TSingleArray{4, 2}));
  EXPECT_EQ(a.FillRule, frEvenOdd);
  EXPECT_EQ(St(u"b").ShapeRendering, srDefault);
  EXPECT_EQ(St(u"c").StrokeLineJoin, ljMiter);
  EXPECT_EQ(St(u"b").Fill, SVGColorNone);
  EXPECT_EQ(St(u"c").Fill, 0xFF000000u);  // the built-in sheet fills svg content black
  EXPECT_EQ(St(u"b").X.ToPixels(), 0.0f);  // percentages of positions are 0
  EXPECT_EQ(St(u"c").FillOpacity(), 1.0f);
  EXPECT_EQ(St(u"t").TextAnchor, taMiddle);
  EXPECT_EQ(St(u"s").TextAnchor, taStart);
  // Children of the svg element take zoom 1 and no wrapping.
  EXPECT_EQ(St(u"s").Zoom, 1.0f);
  EXPECT_EQ(St(u"s").WhiteSpace, wsNowrap);
}

TEST_F(SVGTest, AColourFillOrARestyleDropsAFillUrl) {
  Load(u"<svg><style>rect{fill:url(#g)} rect.red{fill:red}</style><rect id=a /></svg>");
  EXPECT_EQ(St(u"a").FillUrl, u"#g");
  ById(u"a")->AddClass(u"red");
  Paint();
  EXPECT_EQ(St(u"a").FillUrl, u"");
  EXPECT_EQ(St(u"a").Fill, 0xFFFF0000u);
}

TEST_F(SVGTest, FillOpacityBeyondItsRange) {
  Load(u"<svg width=100 height=100><rect id=a width=10 height=10 fill=red fill-opacity=-1 />"
       u"<rect id=b y=20 width=10 height=10 fill=red fill-opacity=0.5 opacity=0.5 /></svg>");
  const std::string calls = Paint();
  EXPECT_EQ(calls.find("0,0,10,10"), std::string::npos) << calls;  // nothing for a
  auto* b = As<TSVGBaseElement>(u"b");
  EXPECT_NEAR(int(b->GetFillColor(1.0f) >> 24), 64, 1);
}

TEST_F(SVGTest, CheckedSingleValuesFromAttributes) {
  // A value that would end the declaration is refused, not read as CSS.
  Load(u"<svg><circle id=c r='10;fill:red' /><ellipse id=e rx=4 ry=6 /></svg>");
  EXPECT_EQ(St(u"c").Fill, 0xFF000000u);
  EXPECT_EQ(As<TSVGEllipseElement>(u"e")->RX, 4.0f);
  EXPECT_EQ(As<TSVGEllipseElement>(u"e")->RY, 6.0f);
}

// --- Root -------------------------------------------------------------------------------

TEST_F(SVGTest, IntrinsicSizes) {
  struct {
    const char16_t* Html;
    float W, H, Ratio;
  } const cases[] = {
      {u"<svg></svg>", 300, 150, 1},
      {u"<svg viewBox='0 0 100 50' width=200></svg>", 200, 100, 2},
      {u"<div style='width:400px'><svg viewBox='0 0 100 50'></svg></div>", 400, 200, 4},
      {u"<svg viewBox='0 0 100 50' style='display:block'></svg>", 100, 50, 1},
      {u"<svg viewBox='0 0 100 100' width=200 height=100></svg>", 200, 100, 1},
      {u"<svg viewBox='0 0 100 100' width=200 height=100 preserveAspectRatio='xMidYMid slice'></svg>", 200, 100, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Html));
    Load(c.Html);
    TSVGElement* s = Root();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->OuterRect.Right - s->OuterRect.Left, c.W);
    EXPECT_EQ(s->OuterRect.Bottom - s->OuterRect.Top, c.H);
    EXPECT_EQ(s->VXRatio, c.Ratio);
    EXPECT_EQ(s->VYRatio, c.Ratio);
  }
}

TEST_F(SVGTest, AspectRatioKeywords) {
  for (auto [value, expected] : {std::pair{u"xMidYMid slice", paSlice}, std::pair{u"none", paNone},
                                 std::pair{u"xMinYMin", paMeet}}) {
    Load(u"<svg preserveAspectRatio='" + String(value) + u"'></svg>");
    EXPECT_EQ(Root()->PreserveAspect, expected);
  }
}

TEST_F(SVGTest, MeetCentresAndMapsPointsBack) {
  Load(u"<div style='margin-left:30px'><svg width=200 height=100 viewBox='0 0 100 100'>"
       u"<rect width=10 height=10 x=10 y=10 fill=red /></svg></div>");
  TSVGElement* s = Root();
  // The user-space matrix: (10, 10) paints at (60, 10) of the content box.
  float offX = 0, offY = 0;
  s->ViewOffsets(offX, offY);
  THtMatrixData m = s->UserMatrix();
  m.Translate(offX, offY);
  const TPointF painted = m.TransformPoint(TPointF{10, 10});
  EXPECT_FLOAT_EQ(painted.X, 60);
  EXPECT_FLOAT_EQ(painted.Y, 10);
  TPointF p{30 + 60, 10};
  s->UntransformPoint(p);
  EXPECT_FLOAT_EQ(p.X, 10);
  EXPECT_FLOAT_EQ(p.Y, 10);
}

TEST_F(SVGTest, ViewBoxOriginMapsToTheContentCorner) {
  Load(u"<svg width=100 height=100 viewBox='10 10 100 100'><rect x=10 y=10 width=5 height=5 fill=red /></svg>");
  const TPointF painted = Root()->UserMatrix().TransformPoint(TPointF{10, 10});
  EXPECT_FLOAT_EQ(painted.X, 0);
  EXPECT_FLOAT_EQ(painted.Y, 0);
  TPointF p{0, 0};
  Root()->UntransformPoint(p);
  EXPECT_FLOAT_EQ(p.X, 10);
  EXPECT_FLOAT_EQ(p.Y, 10);
}

TEST_F(SVGTest, ViewBoxShownAtNoSizePrints) {
  // Printing paints every svg, seen or not; one shown at no width or height
  // would scale its drawing by 0, a matrix the GDI back end refuses when
  // the recorded page is replayed into the PDF.
  RegisterPdfExporter();
  const THtCanvasClass* saved = HtDefaultCanvasClass;
  HtDefaultCanvasClass = &THtCanvasGDI::ClassType;
  for (const char16_t* html : {u"<p>a</p><svg viewBox='0 0 10 10' width=0 height=10><rect width=9 height=9 /></svg>",
                               u"<p>a</p><svg viewBox='0 0 10 10' width=10 height=0><rect width=9 height=9 /></svg>"}) {
    SCOPED_TRACE(StringToUtf8(html));
    std::vector<uint8_t> pdf;
    EXPECT_NO_THROW(pdf = THtDocument::HTMLtoPDF(html, u""));
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + std::min<size_t>(pdf.size(), 5)), "%PDF-");
  }
  HtDefaultCanvasClass = saved;
  THtPagedExporter::RegisterExporter(u"PDF", nullptr);
}

TEST_F(SVGTest, ChildrenWaitForTheFirstPaint) {
  Doc = std::make_unique<THtDocument>(&TTraceCanvas::ClassType);
  Doc->Parse(u"<svg>text <rect id=r /> more</svg>");
  Doc->CalcSize(400, 300);
  TSVGElement* s = Root();
  EXPECT_FALSE(s->ChildrenPrepared);
  EXPECT_FALSE(ById(u"r")->StyleCalculated());
  EXPECT_EQ(s->Count(), 1);  // text directly inside svg makes no node
  Doc->Draw(&Target, TRect(0, 0, 400, 300), TRect(0, 0, 400, 300), 0, 0, 0);
  EXPECT_TRUE(s->ChildrenPrepared);
  EXPECT_TRUE(ById(u"r")->StyleCalculated());
}

TEST_F(SVGTest, NestedSvgIsPlacedByXAndY) {
  Load(u"<svg width=300 height=200><svg id=n x=20 y=30 width=50 height=40><rect width=5 height=5 fill=red /></svg></svg>");
  auto* n = As<TSVGElement>(u"n");
  EXPECT_TRUE(n->Nested);
  EXPECT_EQ(n->OuterRect.Left, 20);
  EXPECT_EQ(n->OuterRect.Top, 30);
  // Its content paints through a matrix moving it there.
  const std::string calls = Paint();
  EXPECT_NE(calls.find("MatrixTransform+"), std::string::npos) << calls;
  EXPECT_NE(calls.find("FillRect FFFF0000 0,0,5,5"), std::string::npos) << calls;
}

}  // namespace
}  // namespace ht::testing
