#include "backends/gp_test_fixture.h"

namespace ht::testing {
namespace {

using GPObjects = GPCanvasTest;

gdiplus::RectF gpBounds(THtPathGP& p) {
  gdiplus::RectF b;
  p.Path.GetBounds(&b);
  return b;
}

TEST_F(GPObjects, PathEdgeCases) {
  THtPathGP p(false);
  p.AddLine(5, 5, 5, 5);  // no segment, a move
  p.LineTo(10, 5);
  gdiplus::RectF b = gpBounds(p);
  EXPECT_FLOAT_EQ(b.X, 5);
  EXPECT_FLOAT_EQ(b.Width, 5);
  EXPECT_EQ(p.Path.GetPointCount(), 2);

  THtPathGP r(false);
  r.AddRectangle(0, 0, 10, 10);
  b = gpBounds(r);
  EXPECT_FLOAT_EQ(b.X, -0.5f);
  EXPECT_FLOAT_EQ(b.X + b.Width, 9.5f);
  TRectF rec;
  r.CustomPath()->GetBounds(rec, nullptr);
  EXPECT_FLOAT_EQ(rec.Left, 0);
  EXPECT_FLOAT_EQ(rec.Right, 10);

  // Moves open a new figure only after drawing: no empty figures.
  THtPathGP m(false);
  m.MoveTo(0, 0);
  m.MoveTo(1, 1);
  m.LineTo(2, 2);
  m.MoveTo(3, 3);
  m.LineTo(4, 4);
  EXPECT_EQ(m.Path.GetPointCount(), 4);

  THtPathGP clip(true);
  clip.AddRectangle(1, 2, 3, 4);
  std::unique_ptr<THtPath> copy = clip.Clone();
  EXPECT_FALSE(copy->ForClip());
  EXPECT_EQ(copy->AsString(), clip.AsString());
  TRectF cb;
  copy->GetBounds(cb, nullptr);
  EXPECT_FLOAT_EQ(cb.Left, 0.5f);
}

TEST_F(GPObjects, HitRegionFollowsEveryChange) {
  THtPathGP p(false);
  p.AddRectangle(0, 0, 10, 10);
  EXPECT_TRUE(THtCanvasGP::ClassType.PointInPath(5, 5, &p));
  p.Clear();
  p.AddRectangle(20, 0, 10, 10);
  EXPECT_FALSE(THtCanvasGP::ClassType.PointInPath(5, 5, &p));
  EXPECT_TRUE(THtCanvasGP::ClassType.PointInPath(25, 5, &p));
  THtMatrixData shift;
  shift.Init(1, 0, 0, 1, 100, 0);
  p.Transform(shift);
  EXPECT_TRUE(THtCanvasGP::ClassType.PointInPath(125, 5, &p));
}

TEST_F(GPObjects, BrushesMirrorTheirState) {
  THtBrushGP solid(0xFF112233);
  solid.SetColor(0xFF445566);
  EXPECT_EQ(static_cast<gdiplus::SolidBrush*>(solid.Brush.get())->GetColor(), 0xFF445566u);
  // A fill rectangle of zero width still gets a gradient one unit wide.
  THtBrushGP grad(TRectF(0, 0, 0, 10), 0xFFFF0000, 0xFF0000FF, 90, TRectF(3, 0, 3, 10));
  auto* lin = dynamic_cast<gdiplus::LinearGradientBrush*>(grad.Brush.get());
  ASSERT_NE(lin, nullptr);
  EXPECT_EQ(lin->GetLastStatus(), gdiplus::Ok);
  EXPECT_FLOAT_EQ(lin->GetRectangle().Width, 1);
  EXPECT_FLOAT_EQ(lin->GetRectangle().X, 3);
  grad.SetGradientColors({0, 0.5f}, {0xFFFF0000, 0xFF00FF00});
  EXPECT_EQ(lin->Paint().Stops.size(), 3u);  // a stop at 1 is appended
  std::unique_ptr<THtBrush> radial = THtBrushGP::ClassType.CreateRadialGradient(0, 0, 5, 5, 5, 5, 5, {});
  EXPECT_EQ(static_cast<THtBrushGP*>(radial.get())->Brush, nullptr);
  // Drawing with a radial brush that has no GDI+ brush yet paints nothing.
  Begin();
  Canvas->FillRectangle(radial.get(), 0, 0, 10, 10);
  EXPECT_EQ(Px(5, 5), 0xFFFFFFFFu);
}

TEST_F(GPObjects, PensMirrorTheirState) {
  Begin();
  THtPen* pen = Canvas->GetPen(0xFF000000, 2);
  auto* gp = static_cast<THtPenGP*>(pen);
  EXPECT_FLOAT_EQ(gp->Pen.GetMiterLimit(), 5);
  pen->SetLineCap(lcRound);
  pen->SetLineJoin(ljBevel);
  pen->SetAlignInset(true);
  EXPECT_EQ(gp->Pen.GetStartCap(), gdiplus::LineCapRound);
  EXPECT_EQ(gp->Pen.GetLineJoin(), gdiplus::LineJoinBevel);
  EXPECT_TRUE(pen->GetAlignInset());
  pen->SetDashes({3, 1});
  EXPECT_EQ(gp->Pen.GetDashStyle(), gdiplus::DashStyleCustom);
  EXPECT_EQ(gp->Pen.DashPattern(), (std::vector<float>{1.5f, 0.5f}));  // pen widths
  pen->SetAlignInset(false);
  pen->SetDashes({});
  // Clear draws nothing; back to solid draws again.
  pen->SetStyle(hpsClear);
  Canvas->DrawLine(pen, 0, 10, 100, 10);
  EXPECT_EQ(Px(50, 10), 0xFFFFFFFFu);
  pen->SetStyle(hpsSolid);
  Canvas->DrawLine(pen, 0, 10, 100, 10);
  EXPECT_EQ(Px(50, 10), 0xFF000000u);
}

}  // namespace
}  // namespace ht::testing
