// Single-feature drawings of tests/data/svg painted inline by the Direct2D back
// end and compared with the peer renderer's pictures beside them (made by
// tools/make_svg_references.sh), with a tolerance for anti-aliasing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "backends/canvas_dx.h"
#include "document/document.h"
#include "platform/core/core_fonts.h"
#include "platform/core/core_surface.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht::testing {
namespace {

std::string dataDir() {
  const char* src = std::getenv("TARNWICK_SOURCE_DIR");
  return std::string(src && *src ? src : ".") + "/tests/data/svg/";
}

class SVGReferenceTest : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
};

TEST_P(SVGReferenceTest, MatchesThePeer) {
  const std::string name = GetParam();
  std::unique_ptr<core::TCoreSurface> reference = core::TCoreSurface::ReadPNG(dataDir() + name + ".png");
  ASSERT_TRUE(reference) << name;
  const int w = reference->Width(), h = reference->Height();
  std::ifstream in(dataDir() + name + ".svg");
  ASSERT_TRUE(in) << name;
  std::stringstream text;
  text << in.rdbuf();
  THtDocument doc(&THtCanvasDX::ClassType);
  doc.Parse(u"<body style='margin:0'>" + Utf8ToString(text.str()) + u"</body>");
  doc.CalcSize(w, h);
  gdi::TBitmap target(w, h);
  target.Surface().Fill(0xFFFFFFFFu);
  doc.Draw(&target.Canvas(), TRect(0, 0, w, h), TRect(0, 0, w, h), 0, 0, 0);
  target.Surface().Flush();
  auto close = [](uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8)
      if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 40) return false;
    return true;
  };
  // A pixel differs when no reference pixel within one pixel of it is close:
  // the back ends place anti-aliased edges half a pixel apart.
  int differing = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t a = target.Surface().Pixel(x, y);
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int rx = x + dx, ry = y + dy;
          near = rx >= 0 && ry >= 0 && rx < w && ry < h && close(a, reference->Pixel(rx, ry));
        }
      if (!near) ++differing;
    }
  // Edges may differ by anti-aliasing; shapes, colours and places may not.
  const int allowed = w * h / 200;
  EXPECT_LE(differing, allowed) << name;
  if (differing > allowed) target.Surface().WritePNG("/tmp/svg_" + name + "_actual.png");
}

INSTANTIATE_TEST_SUITE_P(Drawings, SVGReferenceTest,
                         ::testing::Values("shapes", "strokes", "fillrule", "transforms", "viewbox_meet",
                                           "viewbox_slice", "viewbox_none", "gradients", "clip", "use", "opacity",
                                           "text"),
                         [](const auto& Info) { return std::string(Info.param); });

}  // namespace
}  // namespace ht::testing
