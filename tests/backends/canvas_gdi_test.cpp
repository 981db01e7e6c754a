#include <gtest/gtest.h>

#include <memory>

#include "backends/canvas_gdi.h"
#include "canvas/brush.h"

namespace ht {
namespace {

constexpr uint32_t White = 0xFFFFFFFF, Red = 0xFFFF0000;

class CanvasGDI : public ::testing::Test {
 protected:
  void SetUp() override {
    Target = std::make_unique<gdi::TBitmap>(40, 30);
    Target->Surface().Fill(White);
    Canvas = std::make_unique<THtCanvasGDI>();
  }
  void Begin() {
    THtCanvasScene s;
    s.Init(TRect(0, 0, 40, 30), &Target->Canvas());
    Canvas->BeginScene(s);
  }
  // The filled box: the first and last red pixel on each axis, or "none".
  std::string redBox() {
    int l = 99, t = 99, r = -1, b = -1;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        if (Target->Surface().Pixel(x, y) == Red) l = std::min(l, x), t = std::min(t, y), r = std::max(r, x),
                                                  b = std::max(b, y);
    if (r < 0) return "none";
    return std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " + std::to_string(b);
  }
  std::unique_ptr<gdi::TBitmap> Target;
  std::unique_ptr<THtCanvasGDI> Canvas;
  THtBrush red{Red};
};

TEST_F(CanvasGDI, FillsTheRectanglesPixelsUnderTheWorldTransform) {
  Begin();
  Canvas->FillRectangle(&red, 2, 3, 4, 5);
  EXPECT_EQ("2 3 5 7", redBox());
  EXPECT_EQ(White, Target->Surface().Pixel(6, 3));

  Target->Surface().Fill(White);
  Canvas->SaveState();
  Canvas->TranslateTransform(10, 1);
  Canvas->ScaleTransform(2, 2);
  Canvas->FillRectangle(&red, 1, 1, 3, 2);
  EXPECT_EQ("12 3 17 6", redBox());
  Canvas->RestoreState();

  Target->Surface().Fill(White);
  Canvas->FillRectangle(&red, 2, 3, 4, 5);
  EXPECT_EQ("2 3 5 7", redBox());
}

TEST_F(CanvasGDI, StatesRestoreTheClipAndRefuseAnEmptyStack) {
  Begin();
  Canvas->SaveState();
  gdi::HRGN clip = gdi::CreateRectRgn(0, 0, 4, 4);
  gdi::ExtSelectClipRgn(Canvas->CanvasHandle(), clip, gdi::RGN_AND);
  gdi::DeleteObject(clip);
  Canvas->FillRectangle(&red, 2, 2, 10, 10);
  EXPECT_EQ("2 2 3 3", redBox());
  Canvas->RestoreState();
  Canvas->FillRectangle(&red, 2, 2, 10, 10);
  EXPECT_EQ("2 2 11 11", redBox());
  try {
    Canvas->RestoreState();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(u"Restore from empty GDI state stack", e.Message());
  }
}

TEST_F(CanvasGDI, FillsPathsByTheirRegionAndEndSceneLeavesTheDcAsFound) {
  Begin();
  auto path = THtCanvasGDI::ClassType.PathClass()->Create(false);
  path->AddRectangle(5, 5, 10, 10);
  path->AddRectangle(20, 5, 3, 3);
  Canvas->TranslateTransform(1, 0);
  Canvas->FillPath(&red, path.get());
  EXPECT_EQ("6 5 23 14", redBox());  // every shape, each of its full size
  EXPECT_EQ(White, Target->Surface().Pixel(18, 6));
  Canvas->EndScene();
  gdi::HDC dc = Target->Canvas().Handle();
  EXPECT_TRUE(dc->States.empty());
  gdi::XFORM x;
  gdi::GetWorldTransform(dc, &x);
  EXPECT_EQ(0, x.eDx);

  THtCanvasScene s;
  THtObject notACanvas;
  s.Init(TRect(0, 0, 4, 4), &notACanvas);
  EXPECT_THROW(Canvas->BeginScene(s), Exception);
}

}  // namespace
}  // namespace ht
