// Text lines and the selection tint in pixels, on the GDI+ back end with
// the Ahem test font: its space is blank, so what shows of underlined or
// struck-out spaces is the decoration line alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "backends/canvas_gp.h"
#include "css/colors.h"
#include "document/document.h"
#include "layout/text_element.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht::testing {
namespace {

class TextPixelsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  // Five spaces of 20 px Ahem at the top left of a white 200 x 40 view.
  void Load(StringView Css) {
    Doc = std::make_unique<THtDocument>(&THtCanvasGP::ClassType);
    Doc->Parse(u"<body style='margin:0;background:#fff'><pre style='margin:0;font:20px Ahem;color:#000;" +
               String(Css) + u"'>     </pre></body>");
  }
  void Paint() {
    Target = std::make_unique<gdi::TBitmap>(200, 40);
    Target->Surface().Fill(0xFFFFFFFFu);
    Doc->Draw(&Target->Canvas(), TRect(0, 0, 200, 40), TRect(0, 0, 200, 40), 0, 0, 0);
    Target->Surface().Flush();
  }
  uint32_t Px(int x, int y) { return Target->Surface().Pixel(x, y); }
  // The rows of column X darker than mid grey.
  std::vector<int> DarkRows(int X) {
    std::vector<int> rows;
    for (int y = 0; y < 40; ++y)
      if (((Px(X, y) >> 8) & 0xFF) < 0x80) rows.push_back(y);
    return rows;
  }

  std::unique_ptr<THtDocument> Doc;
  std::unique_ptr<gdi::TBitmap> Target;
};

TEST_F(TextPixelsTest, UnderlineAndStrikeOutRows) {
  // The baseline is 16 px down (Ahem's ascent is 0.8 em).
  Load(u"text-decoration:underline");
  Paint();
  std::vector<int> rows = DarkRows(50);
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.front(), 16);
  EXPECT_LE(rows.back(), 20);
  EXPECT_LE(rows.size(), 3u);
  EXPECT_EQ(DarkRows(150).size(), 0u);  // past the five spaces

  Load(u"text-decoration:line-through");
  Paint();
  rows = DarkRows(50);
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.front(), 4);
  EXPECT_LE(rows.back(), 12);
  EXPECT_LE(rows.size(), 3u);

  Load(u"");
  Paint();
  EXPECT_EQ(DarkRows(50).size(), 0u);
}

TEST_F(TextPixelsTest, SelectedCharactersAreTinted) {
  Load(u"");
  Doc->EnableSelection = true;
  Paint();
  TTextElement* text = nullptr;
  for (THtNode* n = Doc.get(); n && !text; n = n->NextNode()) text = dynamic_cast<TTextElement*>(n);
  ASSERT_TRUE(text);
  // The second to the fourth space: 20 to 80 px across, a line tall.
  Doc->Selection.SetStartElement(text);
  Doc->Selection.StartPos = 2;
  Doc->Selection.SetEndElement(text);
  Doc->Selection.EndPos = 5;
  Doc->NeedRepaint = true;
  Paint();
  const uint32_t h = ParseHtColor(u"highlight");
  const double a = 0x40 / 255.0;
  for (int shift : {0, 8, 16}) {
    const int expected = int(255 * (1 - a) + ((h >> shift) & 0xFF) * a + 0.5);
    EXPECT_NEAR(int((Px(50, 10) >> shift) & 0xFF), expected, 2) << shift;
  }
  EXPECT_EQ(Px(10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Px(90, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Px(50, 30), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace ht::testing
