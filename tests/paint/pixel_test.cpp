// Pixel probes of painted boxes on the GDI+ back end over cairo: border
// sides, rounded corners, clips, transforms and opacity, and a fixed header
// in a scrolled view.
#include <gtest/gtest.h>

#include <memory>

#include "backends/canvas_gp.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht::testing {
namespace {

class PixelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  // body > div#a, absolutely placed by Css; the view is 200 x 100.
  void Paint(StringView Css, float OffsetY = 0) {
    Doc = std::make_unique<THtDocument>(&THtCanvasGP::ClassType);
    Doc->Parse(u"<body style='margin:0'><div id=a style='position:absolute;" + String(Css) + u"'></div></body>");
    Target = std::make_unique<gdi::TBitmap>(200, 100);
    Target->Surface().Fill(0xFF808080u);
    Doc->Draw(&Target->Canvas(), TRect(0, 0, 200, 100), TRect(0, 0, 200, 100), 0, OffsetY, 0);
    Target->Surface().Flush();
  }
  uint32_t Px(int x, int y) { return Target->Surface().Pixel(x, y); }

  std::unique_ptr<THtDocument> Doc;
  std::unique_ptr<gdi::TBitmap> Target;
};

TEST_F(PixelTest, FourSideColours) {
  Paint(u"left:10px;top:10px;width:88px;height:48px;border:6px solid;border-color:#ff0000 #00ff00 #0000ff #000000");
  EXPECT_EQ(Px(60, 12), 0xFFFF0000u);   // top
  EXPECT_EQ(Px(107, 40), 0xFF00FF00u);  // right
  EXPECT_EQ(Px(60, 67), 0xFF0000FFu);   // bottom
  EXPECT_EQ(Px(12, 40), 0xFF000000u);   // left
  EXPECT_EQ(Px(60, 40), 0xFFFFFFFFu);   // inside
  EXPECT_EQ(Px(5, 5), 0xFFFFFFFFu);     // outside
}

TEST_F(PixelTest, NothingOutsideARoundedCorner) {
  Paint(u"left:10px;top:10px;width:100px;height:60px;background:#0000ff;border-radius:20px");
  EXPECT_EQ(Px(11, 11), 0xFFFFFFFFu);
  EXPECT_EQ(Px(60, 40), 0xFF0000FFu);
  EXPECT_EQ(Px(20, 40), 0xFF0000FFu);
}

TEST_F(PixelTest, RotatedAndTranslucentBoxes) {
  // A 100 x 20 bar turned a quarter about its centre stands upright.
  Paint(u"left:50px;top:40px;width:100px;height:20px;background:#ff0000;transform:rotate(90deg)");
  EXPECT_EQ(Px(100, 5), 0xFFFF0000u);
  EXPECT_EQ(Px(60, 50), 0xFFFFFFFFu);
  Paint(u"left:10px;top:10px;width:100px;height:60px;background:#ff0000;opacity:0.5");
  const uint32_t p = Px(60, 40);
  EXPECT_EQ(p >> 24, 0xFFu);
  EXPECT_NEAR(int((p >> 8) & 0xFF), 128, 2);  // white half through
  EXPECT_EQ((p >> 16) & 0xFF, 0xFFu);
}

TEST_F(PixelTest, ClipOfHiddenOverflowKeepsTheShadowInside) {
  // The clip holds the content; the box's own shadow lies outside it.
  Paint(u"left:10px;top:10px;width:50px;height:30px;overflow:hidden;background:#00ff00;box-shadow:10px 10px 0 #000000");
  EXPECT_EQ(Px(30, 20), 0xFF00FF00u);
  EXPECT_LT((Px(65, 45) >> 16) & 0xFF, 8u);
}

TEST_F(PixelTest, FixedHeaderShowsInAScrolledView) {
  Paint(u"position:fixed;left:0;top:0;width:200px;height:20px;overflow:hidden;background:#ff0000", -2000);
  EXPECT_EQ(Px(100, 10), 0xFFFF0000u);
  EXPECT_EQ(Px(100, 50), 0xFFFFFFFFu);
}

TEST_F(PixelTest, TransparentBufferedPassKeepsTheTargetUnderIt) {
  // Cleared to colour 0 (never the default background) and blended onto
  // the target: what the page leaves empty shows the target's own grey.
  Doc = std::make_unique<THtDocument>(&THtCanvasGP::ClassType);
  Doc->Parse(u"<body style='margin:0'><div style='position:absolute;left:10px;top:10px;width:50px;height:30px;"
             u"background:#ff0000'></div></body>");
  Doc->Transparent = true;
  Doc->DoubleBuffered = true;
  Target = std::make_unique<gdi::TBitmap>(200, 100);
  Target->Surface().Fill(0xFF808080u);
  Doc->Draw(&Target->Canvas(), TRect(0, 0, 200, 100), TRect(0, 0, 200, 100), 0, 0, 0);
  Target->Surface().Flush();
  EXPECT_EQ(Px(30, 20), 0xFFFF0000u);
  EXPECT_EQ(Px(150, 80), 0xFF808080u);
  ASSERT_TRUE(Doc->B);
  EXPECT_EQ(Doc->B->Width(), 200);
}

}  // namespace
}  // namespace ht::testing
