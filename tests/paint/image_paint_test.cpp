// Images and inline frames: the picture, its placeholder, clip, border,
// tint and drag opacity on the trace canvas; the labelled box of a frame
// without a document; and a frame's document on the screen where its box
// is, in a scrolled, zoomed, double-buffered page.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "backends/canvas_gp.h"
#include "canvas/image.h"
#include "canvas/pen.h"
#include "css/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/image_element.h"
#include "markup/base64.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"
#include "support/ahem_canvas.h"

namespace ht::testing {
namespace {

std::string Hex(uint32_t V) {
  char b[9];
  std::snprintf(b, sizeof b, "%08X", V);
  return b;
}

String pngUrl(int W, int H) { return u"data:image/png;base64," + FastEncodeBase64(TracePng(W, H)); }

class ImagePaintTest : public ::testing::Test {
 protected:
  void Load(StringView Body) {
    Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType);
    Doc->Parse(u"<body style='margin:0'>" + String(Body) + u"</body>");
    Doc->CalcSize(800, 600);
  }
  TTraceCanvas& G() { return static_cast<TTraceCanvas&>(*Doc->Surface); }
  TImageElement* Img() {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* i = dynamic_cast<TImageElement*>(n)) return i;
    ADD_FAILURE() << "no image";
    return nullptr;
  }
  // One paint at the scale given; the image, shape, clip and text calls.
  std::string Paint(float Scale = 1) {
    Doc->Surface->SetScaleFactor(Scale);
    G().Groups = TTraceCanvas::tcAll;
    G().Calls.clear();
    THtObject target;
    Doc->Draw(&target, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, 0, 0);
    EXPECT_EQ(G().Balance, 0);
    std::string s;
    for (const std::string& c : G().Calls)
      if (c.rfind("Draw", 0) == 0 || c.rfind("Fill", 0) == 0 || c.rfind("IntersectClip", 0) == 0 || c.rfind("RoundRect", 0) == 0 ||
          c.rfind("SaveState", 0) == 0 || c.rfind("RestoreState", 0) == 0)
        s += c + "\n";
    return s;
  }

  std::unique_ptr<THtDocument> Doc;
};

TEST_F(ImagePaintTest, AMissingImageShowsItsPlaceholder) {
  // A thin light grey frame, dashed past 20 px; zoomed in strongly a
  // translucent grey fill.
  Load(u"<img src='missing.png' width=10 height=10>");
  EXPECT_EQ(Paint(), "DrawRect FFDDDDDD/1 0,0,10,10\n");
  Load(u"<img src='missing.png' width=30 height=10>");
  EXPECT_EQ(Paint(), "DrawRect FFDDDDDD/1 dash 0,0,30,10\n");
  EXPECT_EQ(Paint(6), "FillRect 50505050 0,0,30,10\n");
  // The pen is the surface's: it is solid again for whoever takes it next.
  EXPECT_EQ(G().GetPen(0xFFDDDDDDu, 1)->GetStyle(), hpsSolid);
}

TEST_F(ImagePaintTest, AnImageStillLoadingDrawsNothingUntilItFails) {
  // Bytes no decoder reads: a failed image, shown as the placeholder.
  Load(u"<img src='data:image/png;base64,AAAA' width=10 height=10>");
  TImageElement* img = Img();
  ASSERT_TRUE(img && img->HI);
  EXPECT_EQ(img->HI->LoadState, 3);
  const std::string placeholder = "DrawRect FFDDDDDD/1 0,0,10,10\n";
  EXPECT_EQ(Paint(), placeholder);
  // Still queued for the loader: nothing yet.
  Doc->BackgroundImageLoading = true;
  img->HI->LoadState = 1;
  EXPECT_EQ(Paint(), "");
  img->HI->LoadState = 3;
  EXPECT_EQ(Paint(), placeholder);
}

TEST_F(ImagePaintTest, ThePictureUnderItsRoundedBorder) {
  // Clipped to the rounded border box, stretched to the content box, the
  // border drawn over it.
  Load(u"<img src='" + pngUrl(20, 10) + u"' style='border:2px solid #ff0000;border-radius:4px'>");
  const std::string clip =
      "SaveState\nIntersectClip [M 4,0 L 20,0 A 16,0,8,8,270,90 L 24,10 A 16,6,8,8,360,90 L 4,14 A 0,6,8,8,90,90 L "
      "0,4 A 0,0,8,8,180,90]\n";
  const std::string border = "RestoreState\nRoundRect FFFF0000/2 0,0,24,14 r4,4\n";
  EXPECT_EQ(Paint(), clip + "DrawImage  2,2,22,12 o1\n" + border);
  // Dragged: a fifth of its opacity.
  Img()->IncludeFlag(efDragMoved);
  EXPECT_EQ(Paint(), clip + "DrawImage  2,2,22,12 o.2\n" + border);
  // Without border or radius: no clip.
  Load(u"<img src='" + pngUrl(20, 10) + u"' width=40>");
  EXPECT_EQ(Paint(), "DrawImage  0,0,40,20 o1\n");
}

TEST_F(ImagePaintTest, ASelectedImageIsTinted) {
  Load(u"<img src='" + pngUrl(20, 10) + u"'>");
  Doc->Selection.SelectAll();
  ASSERT_TRUE(Doc->Selection.InSelection(Img()));
  EXPECT_EQ(Paint(), "DrawImage  0,0,20,10 o1\nFillRect " + Hex(ParseHtColor(u"highlight") & 0x30FFFFFFu) +
                         " 0,0,20,10\n");
  // Blended: its rectangle joins the merged highlight drawn after the tree.
  Doc->BlendedSelection = true;
  const std::string merged = Paint();
  EXPECT_EQ(merged.substr(0, 25), "DrawImage  0,0,20,10 o1\nF");
  EXPECT_NE(merged.find("FillPath " + Hex(ParseHtColor(u"highlight") & 0x40FFFFFFu) + " [M 0,0 L 20,0 L 20,10 L 0,10"),
            std::string::npos);
  // Hidden selection: no tint.
  Doc->BlendedSelection = false;
  Doc->HideSelection = true;
  EXPECT_EQ(Paint(), "DrawImage  0,0,20,10 o1\n");
}

TEST_F(ImagePaintTest, AFrameWithoutADocumentShowsItsSize) {
  // A grey frame; the label (13 px Ahem: 182 px wide) centred across and
  // 65 px down.
  Load(u"<iframe style='width:300px;height:150px;border:0'></iframe>");
  EXPECT_EQ(Paint(), "DrawRect FF909090/1 0,0,300,150\nDrawString \"IFRAME 300x150\" 59,65 Arial\n");
}

// The frame's own page (a green body) lands on its box wherever the parent
// is scrolled and zoomed, also when the parent paints through its
// off-screen bitmap.
TEST(IFramePixels, TheFramesPageShowsOnItsBoxInAScrolledZoomedBufferedParent) {
  core::FontSystem::UseTestFonts();
  THtDocument doc(&THtCanvasGP::ClassType);
  ASSERT_TRUE(doc.DoubleBuffered);
  doc.OnGetUrl = [](THtDocument*, const String& Url, TElement*) {
    return Url == u"inner.html" ? String(u"<body style='margin:0;background:#00ff00'>") : String();
  };
  doc.Parse(
      u"<body style='margin:0'><div style='height:300px'></div>"
      u"<iframe src='inner.html' style='width:40px;height:30px;border:0;margin-left:50px'></iframe>"
      u"<div style='height:600px'></div></body>");
  doc.Surface->SetScaleFactor(2);
  // Laid out deep enough to reach the frame.
  doc.CalcSize(200, 1000);
  gdi::TBitmap target(200, 200);
  target.Surface().Fill(0xFF808080u);
  // Scrolled down by 250 document pixels: the frame's box is 50..90 across
  // and 50..80 down in document pixels, twice that on the screen.
  doc.Draw(&target.Canvas(), TRect(0, 0, 200, 200), TRect(0, 0, 200, 200), 0, -250, 0);
  target.Surface().Flush();
  TIFrameElement* frame = nullptr;
  for (THtNode* n = &doc; n && !frame; n = n->NextNode()) frame = dynamic_cast<TIFrameElement*>(n);
  ASSERT_TRUE(frame && frame->NestedDocument());
  EXPECT_EQ(target.Surface().Pixel(140, 130), 0xFF00FF00u);
  EXPECT_EQ(target.Surface().Pixel(102, 102), 0xFF00FF00u);
  EXPECT_EQ(target.Surface().Pixel(178, 158), 0xFF00FF00u);
  EXPECT_NE(target.Surface().Pixel(90, 130), 0xFF00FF00u);
  EXPECT_NE(target.Surface().Pixel(140, 90), 0xFF00FF00u);
  EXPECT_NE(target.Surface().Pixel(185, 130), 0xFF00FF00u);
}

}  // namespace
}  // namespace ht::testing
