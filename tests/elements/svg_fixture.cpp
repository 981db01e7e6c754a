#include "svg_fixture.h"

#include "backends/canvas_gp.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

void SVGTest::SetUpTestSuite() { core::FontSystem::UseTestFonts(); }

void SVGTest::Load(StringView Html, int AW, int AH) {
  W = AW;
  H = AH;
  Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType);
  Doc->Parse(u"<body style='margin:0'>" + String(Html) + u"</body>");
  Paint();
}

std::string SVGTest::Paint() {
  Doc->CalcSize(W, H);
  // The scene's own calls are not recorded: only what the drawing does.
  if (Doc->Surface) {
    G().Groups = TTraceCanvas::tcAll;
    G().Calls.clear();
  }
  Doc->Draw(&Target, TRect(0, 0, W, H), TRect(0, 0, W, H), 0, 0, 0);
  EXPECT_EQ(G().Balance, 0);
  return G().Joined();
}

TElement* SVGTest::ById(StringView Id) {
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (n->GetAttribute(u"id") == Id) return AsElement(n);
  ADD_FAILURE() << "no element " << StringToUtf8(String(Id));
  return nullptr;
}

TSVGElement* SVGTest::Root() {
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (auto* s = dynamic_cast<TSVGElement*>(n)) return s;
  return nullptr;
}

void SVGPixelTest::SetUpTestSuite() { core::FontSystem::UseTestFonts(); }

void SVGPixelTest::Paint(StringView Html, int AW, int AH) {
  W = AW;
  H = AH;
  Doc = std::make_unique<THtDocument>(&THtCanvasGP::ClassType);
  Doc->Parse(u"<body style='margin:0'>" + String(Html) + u"</body>");
  auto target = std::make_unique<gdi::TBitmap>(W, H);
  target->Surface().Fill(0xFFFFFFFFu);
  Doc->CalcSize(W, H);
  Doc->Draw(&target->Canvas(), TRect(0, 0, W, H), TRect(0, 0, W, H), 0, 0, 0);
  target->Surface().Flush();
  Target = std::move(target);
}

uint32_t SVGPixelTest::Px(int X, int Y) const { return static_cast<gdi::TBitmap&>(*Target).Surface().Pixel(X, Y); }

TElement* SVGPixelTest::ById(StringView Id) {
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (n->GetAttribute(u"id") == Id) return AsElement(n);
  return nullptr;
}

}  // namespace ht::testing
