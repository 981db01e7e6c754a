// Colour regions of a paint fixture as the engine paints it (GDI+ back end)
// against the regions headless Chromium painted (tools/browser_paint.py
// wrote them beside the page): every region's bounds within 1 pixel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <cctype>
#include <vector>
#include <sstream>
#include <string>

#include "backends/canvas_gp.h"
#include "document/document.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht::testing {
namespace {

std::string pagePath(const std::string& Name) {
  const char* src = std::getenv("TARNWICK_SOURCE_DIR");
  return std::string(src && *src ? src : ".") + "/tests/data/paint/" + Name;
}

struct TBounds {
  int L = 0, T = 0, R = 0, B = 0;
  bool Empty = true;
};

TEST(BrowserRegions, MatchWithinOnePixel) {
  core::FontSystem::UseTestFonts();
  std::ifstream in(pagePath("regions.json"));
  ASSERT_TRUE(in) << "regions.json missing";
  std::stringstream text;
  text << in.rdbuf();
  const std::string json = text.str();
  // The numbers after Pos, in order, up to a closing bracket.
  auto numbersAfter = [&](size_t Pos, int Count) {
    std::vector<int> v;
    while (int(v.size()) < Count && Pos < json.size()) {
      if (std::isdigit(static_cast<unsigned char>(json[Pos]))) {
        size_t used = 0;
        v.push_back(std::stoi(json.substr(Pos), &used));
        Pos += used;
      } else {
        ++Pos;
      }
    }
    return v;
  };
  const size_t sizeAt = json.find("\"size\"");
  ASSERT_NE(sizeAt, std::string::npos);
  const std::vector<int> size = numbersAfter(sizeAt + 6, 2);
  ASSERT_EQ(size.size(), 2u);
  const int W = size[0], H = size[1];
  std::map<std::string, TBounds> want;
  for (size_t at = json.find("\"#"); at != std::string::npos; at = json.find("\"#", at + 1)) {
    const std::string name = json.substr(at + 1, 7);
    const size_t colon = json.find(':', at);
    const size_t value = json.find_first_not_of(" \n\t", colon + 1);
    TBounds b;
    if (json.compare(value, 4, "null") != 0) {
      const std::vector<int> n = numbersAfter(value, 4);
      if (n.size() == 4) b = TBounds{n[0], n[1], n[2], n[3], false};
    }
    want[name] = b;
  }
  ASSERT_GT(want.size(), 5u);

  THtDocument doc(&THtCanvasGP::ClassType);
  doc.LoadfromFile(Utf8ToString(pagePath("regions.html")));
  doc.CalcSize(W, H);
  gdi::TBitmap target(W, H);
  target.Surface().Fill(0xFFFFFFFFu);
  doc.Draw(&target.Canvas(), TRect(0, 0, W, H), TRect(0, 0, W, H), 0, 0, 0);
  target.Surface().Flush();

  for (const auto& [name, expected] : want) {
    const uint32_t c = uint32_t(std::stoul(name.substr(1), nullptr, 16));
    TBounds got;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const uint32_t p = target.Surface().Pixel(x, y);
        bool near = true;
        for (int shift = 0; shift < 24; shift += 8)
          near = near && std::abs(int((p >> shift) & 0xFF) - int((c >> shift) & 0xFF)) <= 8;
        if (!near) continue;
        if (got.Empty) got = TBounds{x, y, x + 1, y + 1, false};
        got.L = std::min(got.L, x);
        got.T = std::min(got.T, y);
        got.R = std::max(got.R, x + 1);
        got.B = std::max(got.B, y + 1);
      }
    ASSERT_EQ(got.Empty, expected.Empty) << name;
    if (got.Empty) continue;
    EXPECT_NEAR(got.L, expected.L, 1) << name;
    EXPECT_NEAR(got.T, expected.T, 1) << name;
    EXPECT_NEAR(got.R, expected.R, 1) << name;
    EXPECT_NEAR(got.B, expected.B, 1) << name;
  }
}

}  // namespace
}  // namespace ht::testing
