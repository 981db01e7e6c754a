// Box and text fixtures painted by the GDI+ back end, compared with reviewed
// golden pictures (tests/data/paint, made by tools/render_html) with a
// tolerance for anti-aliasing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "backends/canvas_gp.h"
#include "document/document.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht::testing {
namespace {

std::string dataDir() {
  const char* src = std::getenv("TARNWICK_SOURCE_DIR");
  return std::string(src && *src ? src : ".") + "/tests/data/paint/";
}

struct GoldenCase {
  const char* Name;
  int W, H;
};

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
};

TEST_P(GoldenTest, MatchesTheReviewedPicture) {
  const GoldenCase& c = GetParam();
  THtDocument doc(&THtCanvasGP::ClassType);
  doc.LoadfromFile(Utf8ToString(dataDir() + c.Name + ".html"));
  doc.CalcSize(c.W, c.H);
  gdi::TBitmap target(c.W, c.H);
  target.Surface().Fill(0xFFFFFFFFu);
  doc.Draw(&target.Canvas(), TRect(0, 0, c.W, c.H), TRect(0, 0, c.W, c.H), 0, 0, 0);
  target.Surface().Flush();
  std::unique_ptr<core::TCoreSurface> golden = core::TCoreSurface::ReadPNG(dataDir() + c.Name + ".png");
  ASSERT_TRUE(golden) << c.Name;
  ASSERT_EQ(golden->Width(), c.W);
  ASSERT_EQ(golden->Height(), c.H);
  int differing = 0;
  for (int y = 0; y < c.H; ++y)
    for (int x = 0; x < c.W; ++x) {
      const uint32_t a = target.Surface().Pixel(x, y), b = golden->Pixel(x, y);
      for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 24) {
          ++differing;
          break;
        }
    }
  // Edges may move by anti-aliasing; whole shapes may not.
  EXPECT_LE(differing, c.W * c.H / 200) << c.Name;
  if (differing > c.W * c.H / 200) target.Surface().WritePNG(std::string("/tmp/") + c.Name + "_actual.png");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GoldenTest,
                         ::testing::Values(GoldenCase{"boxes", 600, 260}, GoldenCase{"stacking", 400, 240},
                                           GoldenCase{"text", 400, 260}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace ht::testing
