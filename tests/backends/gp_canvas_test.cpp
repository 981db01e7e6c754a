#include <cmath>

#include "backends/gp_test_fixture.h"

namespace ht::testing {
namespace {

using GPCanvas = GPCanvasTest;

TEST_F(GPCanvas, ClassDescribesTheBackEnd) {
  const THtCanvasClass* c = &THtCanvasGP::ClassType;
  EXPECT_EQ(c->GetFlags().ToBits(), 55u);
  EXPECT_EQ(c->BrushClass(), &THtBrushGP::ClassType);
  EXPECT_EQ(c->PenClass(), &THtPenGP::ClassType);
  EXPECT_EQ(c->PathClass(), &THtPathGP::ClassType);
  EXPECT_EQ(c->FontClass(), &THtFontGP::ClassType);
  EXPECT_EQ(c->SharedFontCollection(), c->SharedFontCollection());
  EXPECT_TRUE(c->SharedFontCollection()->Shared);
  EXPECT_FALSE(Fonts->Shared);
  EXPECT_TRUE(c->HasFont(u"Arial"));
  EXPECT_TRUE(c->HasFont(u"liberation sans"));
  EXPECT_FALSE(c->HasFont(u"Helvetica"));
  std::vector<String> names;
  c->GetFonts(names);
  for (const auto& n : names) EXPECT_NE(n[0], u'@');
}

TEST_F(GPCanvas, SceneTargetsAndStateErrors) {
  THtCanvasScene s;
  THtObject notACanvas;
  s.Init(TRect(0, 0, 10, 10), &notACanvas);
  try {
    Canvas->BeginScene(s);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"No canvas handle provided");
  }
  Begin();
  try {
    Canvas->RestoreState();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Restore from empty GDI+ state stack");
  }
}

TEST_F(GPCanvas, WholePixelFillsAndNestedClips) {
  Begin();
  THtBrush* red = Canvas->GetBrush(0xFFFF0000);
  // The path's half-unit shift meets the half-pixel centres: whole pixels.
  Canvas->FillRectangle(red, 10, 10, 10, 10);
  EXPECT_EQ(Px(10, 10), 0xFFFF0000u);
  EXPECT_EQ(Px(19, 19), 0xFFFF0000u);
  EXPECT_EQ(Px(20, 15), 0xFFFFFFFFu);
  EXPECT_EQ(Px(9, 15), 0xFFFFFFFFu);

  Target->Surface().Fill(0xFFFFFFFF);
  Canvas->SaveState();
  Canvas->IntersectClip(TRectF(0, 0, 50, 50));
  Canvas->SaveState();
  Canvas->IntersectClip(TRectF(0, 0, 10, 10));
  Canvas->RestoreState();
  Canvas->FillRectangle(red, 0, 0, 100, 50);
  Canvas->RestoreState();
  EXPECT_EQ(Px(30, 30), 0xFFFF0000u);  // the outer clip, not the inner one
  EXPECT_EQ(Px(60, 30), 0xFFFFFFFFu);
  EXPECT_EQ(Canvas->StateDepth(), 0);
  // A path clip that is one rectangle clips by its bounds.
  std::unique_ptr<THtPath> clip = Canvas->PathClass()->Create(true);
  clip->AddRectangle(60, 0, 10, 10);
  clip->CloseFigure();
  Canvas->SaveState();
  Canvas->IntersectClip(clip.get());
  Canvas->FillRectangle(Canvas->GetBrush(0xFF0000FF), 0, 0, 100, 50);
  Canvas->RestoreState();
  EXPECT_EQ(Px(62, 5), 0xFF0000FFu);
  EXPECT_EQ(Px(75, 5), 0xFFFFFFFFu);
}

TEST_F(GPCanvas, ScaledScenesAndSnapping) {
  for (float scale : {1.0f, 2.0f, 3.0f}) {
    Begin(60, 60, scale);
    Canvas->FillRectangle(Canvas->GetBrush(0xFFFF0000), 2, 2, 4, 4);
    // The half-unit shift is in document units, so it scales too.
    int lo = int(1.5f * scale), hi = int(5.5f * scale);
    EXPECT_EQ(Px(lo + 1, lo + 1), 0xFFFF0000u) << scale;
    EXPECT_EQ(Px(hi - 1, hi - 1), 0xFFFF0000u) << scale;
    EXPECT_EQ(Px(hi + 1, hi + 1), 0xFFFFFFFFu) << scale;
    EXPECT_FLOAT_EQ(Canvas->SnapToPixel(1.3f), std::round(1.3f * scale) / scale);
    // Only a scaling matrix snaps to half pixels.
    float half = scale == 1 ? 1.3f : std::round((1.3f - 0.5f) * scale) / scale + 0.5f / scale;
    EXPECT_FLOAT_EQ(Canvas->SnapToPixelEx(1.3f, true), half);
    EXPECT_FLOAT_EQ(Canvas->SnapWidth(0.1f), 1 / scale);
    EXPECT_FLOAT_EQ(Canvas->SnapWidth(0), 0);
    Canvas->EndScene();
  }
  Begin();
  Canvas->RotateTransform(30);
  EXPECT_FLOAT_EQ(Canvas->SnapToPixel(1.3f), 1.3f);  // rotated: untouched
  EXPECT_FLOAT_EQ(Canvas->SnapToPixelEx(1.3f, false), 1.3f);
}

TEST_F(GPCanvas, UpdateRectsClipTheScene) {
  Target = std::make_unique<gdi::TBitmap>(40, 40);
  Target->Surface().Fill(0xFFFFFFFF);
  THtCanvasScene s;
  s.Init(TRect(0, 0, 40, 40), &Target->Canvas());
  s.AddUpdateRect(TRect(0, 0, 10, 10));
  s.AddUpdateRect(TRect(30, 30, 40, 40));
  Canvas->BeginScene(s);
  Canvas->FillRectangle(Canvas->GetBrush(0xFF00FF00), 0, 0, 40, 40);
  Canvas->EndScene();
  EXPECT_EQ(Px(5, 5), 0xFF00FF00u);
  EXPECT_EQ(Px(35, 35), 0xFF00FF00u);
  EXPECT_EQ(Px(20, 20), 0xFFFFFFFFu);
  // The DC's clip ends with the scene.
  gdi::RECT box;
  gdi::GetClipBox(Target->Canvas().Handle(), &box);
  EXPECT_EQ(box.right, 40);
  EXPECT_EQ(box.top, 0);
}

}  // namespace
}  // namespace ht::testing
