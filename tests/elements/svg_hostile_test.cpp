// Hostile drawings: each one is styled, laid out, painted on the trace canvas
// (every saved state restored) and by the GDI+ back end, and hit-tested over a
// grid through the svg element; each must end with some picture, never a
// crash or a hang.
#include <gtest/gtest.h>

#include <string>

#include "elements/svg_fixture.h"

namespace ht::testing {
namespace {

struct THostileCase {
  const char* Name;
  std::u16string Html;
};

std::u16string repeat(std::u16string_view S, int N) {
  std::u16string r;
  for (int i = 0; i < N; ++i) r += S;
  return r;
}

std::vector<THostileCase> hostileCases() {
  return {
      {"GarbageViewBox", u"<svg viewBox='x 1e38 -0 nan' width=1e38 height=-5><rect width=9 height=9/></svg>"},
      {"ZeroViewBox", u"<svg viewBox='0 0 0 0'><circle r=5/></svg>"},
      {"BrokenPaths",
       u"<svg width=100 height=100><path d='M0 0L10 10Q1 2Z9 K3 4 C'/><path d='M'/><path d='L5 5'/>"
       u"<polygon points='1,2,3'/><polyline points='nan,1 2,inf'/></svg>"},
      {"HugeCoordinates",
       u"<svg width=100 height=100><rect x=1e38 y=-1e38 width=1e38 height=1e38 rx=1e38 stroke=red "
       u"stroke-width=1e38/><circle cx=1e38 r=1e38 fill=blue/><line x1=-1e38 x2=1e38 y2=1e38 stroke=red/>"
       u"<path d='M1e38 1e38 C-1e38 0 1e38 0 0 1e38Z' fill=green/></svg>"},
      {"NaNStops",
       u"<svg width=100 height=100><linearGradient id=g x1=nan x2=1e38><stop offset=nan stop-color=red/>"
       u"<stop offset=1e38 stop-opacity=nan/></linearGradient><radialGradient id=r r=-5 cx=nan>"
       u"<stop offset=-1/></radialGradient><rect width=50 height=50 fill='url(#g)'/>"
       u"<rect y=50 width=50 height=50 fill='url(#r)' gradientTransform='matrix(nan 0 0 0 0 0)'/></svg>"},
      {"UseCycles",
       u"<svg width=100 height=100><g id=a><use href='#b'/></g><g id=b><use href='#a'/></g>"
       u"<use id=self href='#self'/><clipPath id=c><use href='#a'/></clipPath>"
       u"<rect clip-path='url(#c)' width=9 height=9/></svg>"},
      {"DeepGroups", u"<svg width=100 height=100>" + repeat(u"<g transform='rotate(1)'>", 1500) +
                         u"<circle r=5 cx=5 cy=5/></svg>"},
      {"SingularTransforms",
       u"<svg width=100 height=100><rect transform='scale(0)' width=9 height=9/>"
       u"<g transform='matrix(0 0 0 0 0 0)'><circle r=4/></g><text transform='scale(1e38)' x=5 y=5>t</text></svg>"},
      {"TextLists",
       u"<svg width=100 height=100><text x='1 2 3' dx='1e38 nan' dy='-1e38' text-anchor=middle>ab"
       u"<tspan dx=5 x='nan'>c</tspan></text><text/><tspan>loose</tspan></svg>"},
      {"Dashes", u"<svg width=100 height=100><rect width=50 height=50 stroke=red stroke-dasharray='0 0 nan -1' "
                 u"stroke-dashoffset=1e38/><ellipse rx=20 ry=10 stroke=blue stroke-dasharray='1e-30'/></svg>"},
      // Drawing elements outside any drawing, between texts of a block.
      {"StrayElements", u"<div>a<g><rect width=5 height=5/></g>b<foreignObject>c</foreignObject>d</div>"},
      {"ImagesAndForeign",
       u"<svg width=100 height=100><image href='data:image/png;base64,AAAA' width=1e38 height=9/>"
       u"<foreignObject x=nan width=-5 height=1e38><p>x</p></foreignObject><svg x=1e38 viewBox='0 0 -1 -1'>"
       u"<rect width=2 height=2/></svg></svg>"},
  };
}

class SVGHostileTest : public SVGTest, public ::testing::WithParamInterface<THostileCase> {};

TEST_P(SVGHostileTest, PaintsAndHitTests) {
  const std::u16string& html = GetParam().Html;
  Load(html, 200, 200);
  EXPECT_EQ(G().Balance, 0);
  // Hit tests enter at the svg element, which tries its children, last first.
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (auto* svg = dynamic_cast<TSVGElement*>(n))
      for (int y = -10; y <= 210; y += 22)
        for (int x = -10; x <= 210; x += 22) svg->InternalHitTest(float(x), float(y), 0, 0, false, false);
}

// A block holding drawing elements outside any drawing is deleted: their
// runs leave the block's run chain with the block's own.
TEST_F(SVGTest, StrayElementsGoWithTheirBlock) {
  Load(u"<div id=d>a<g><rect width=5 height=5/></g>b<foreignObject>c</foreignObject>d</div><p>after</p>");
  TElement* d = Doc->GetElementbyId(u"d");
  ASSERT_TRUE(d);
  Doc->BodyElement->DeleteChild(d);
  Paint();
  Doc.reset();
}

class SVGHostilePixelTest : public SVGPixelTest, public ::testing::WithParamInterface<THostileCase> {};

TEST_P(SVGHostilePixelTest, PaintsOnTheBackEnd) { Paint(GetParam().Html, 100, 100); }

auto caseName = [](const auto& Info) { return std::string(Info.param.Name); };
INSTANTIATE_TEST_SUITE_P(Cases, SVGHostileTest, ::testing::ValuesIn(hostileCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Cases, SVGHostilePixelTest, ::testing::ValuesIn(hostileCases()), caseName);

}  // namespace
}  // namespace ht::testing
