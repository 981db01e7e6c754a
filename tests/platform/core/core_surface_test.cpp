#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/core/core_status.h"
#include "platform/core/core_surface.h"

namespace ht::core {
namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

TCorePath rect(float x, float y, float w, float h) {
  TCorePath p;
  p.Rectangle(x, y, w, h);
  return p;
}

TEST(CoreSurface, BottomUpRowsAreStoredFromTheBottom) {
  TCoreSurface s(4, 3, true);
  EXPECT_LT(s.Stride(), 0);
  {
    TCoreContext c(s);
    c.Fill(rect(0, 0, 4, 1), TCorePaint::Solid(kRed));
  }
  EXPECT_EQ(s.Pixel(0, 0), kRed);
  EXPECT_EQ(s.Pixel(0, 2), 0u);
  // The top image row is the last row in memory.
  uint32_t last;
  std::memcpy(&last, s.Bits() + 2 * -s.Stride(), 4);
  EXPECT_EQ(last, kRed);
  EXPECT_EQ(s.ScanLine(0), s.Bits() + 2 * -s.Stride());
}

TEST(CoreContext, DeviceClipIgnoresTheMatrixAndNestedClipsRestore) {
  TCoreSurface s(20, 20);
  TCoreContext c(s);
  c.SetMatrix(TCoreMatrix::Scaling(2, 2));
  c.Save();
  c.ClipDeviceRect(TRectF(0, 0, 10, 10));
  c.Save();
  c.ClipDeviceRect(TRectF(0, 0, 5, 5));
  EXPECT_FLOAT_EQ(c.DeviceClipExtents().Right, 5);
  c.Restore();
  EXPECT_FLOAT_EQ(c.DeviceClipExtents().Right, 10);
  c.Fill(rect(0, 0, 10, 10), TCorePaint::Solid(kRed));  // 20 device pixels, clipped to 10
  c.Restore();
  EXPECT_EQ(s.Pixel(9, 9), kRed);
  EXPECT_EQ(s.Pixel(10, 10), 0u);
  EXPECT_FLOAT_EQ(c.DeviceClipExtents().Right, 20);
  c.Restore();  // unbalanced: ignored
  EXPECT_EQ(c.SaveDepth(), 0);
}

TEST(CoreContext, UnionOfDeviceRects) {
  TCoreSurface s(10, 10);
  TCoreContext c(s);
  c.ClipDeviceRects({TRect(0, 0, 2, 2), TRect(8, 8, 10, 10)});
  c.Paint(TCorePaint::Solid(kBlue));
  EXPECT_EQ(s.Pixel(1, 1), kBlue);
  EXPECT_EQ(s.Pixel(9, 9), kBlue);
  EXPECT_EQ(s.Pixel(5, 5), 0u);
}

TEST(CoreContext, NonFiniteInputStopsAllDrawing) {
  static const float nan = std::numeric_limits<float>::quiet_NaN();
  static const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    void (*op)(TCoreContext&);
  } cases[] = {
      {"path", [](TCoreContext& c) { c.Fill(rect(0, 0, nan, 2), TCorePaint::Solid(kRed)); }},
      {"matrix", [](TCoreContext& c) { c.SetMatrix(TCoreMatrix{1, 0, 0, 1, inf, 0}); }},
      {"clip", [](TCoreContext& c) { c.ClipDeviceRect(TRectF(0, 0, nan, 1)); }},
      {"stroke width", [](TCoreContext& c) {
         TCoreStroke st;
         st.Width = inf;
         c.Stroke(rect(0, 0, 2, 2), st, TCorePaint::Solid(kRed));
       }},
      {"gradient", [](TCoreContext& c) {
         TCorePaint p;
         p.Kind = pkLinear;
         p.P1 = TPointF(nan, 0);
         c.Paint(p);
       }},
  };
  for (const auto& k : cases) {
    TCoreSurface s(4, 4);
    TCoreContext c(s);
    k.op(c);
    EXPECT_TRUE(c.InError()) << k.name;
    c.SetMatrix(TCoreMatrix());
    c.Fill(rect(0, 0, 4, 4), TCorePaint::Solid(kRed));
    EXPECT_EQ(s.Pixel(1, 1), 0u) << k.name;
  }
}

TEST(CoreContext, GroupsAndMasks) {
  TCoreSurface s(4, 1);
  TCoreContext c(s);
  c.PushGroup();
  c.Fill(rect(0, 0, 2, 1), TCorePaint::Solid(kBlue));
  c.PopGroup(0.5f);
  EXPECT_EQ(s.Pixel(0, 0) >> 24, 0x80u);
  c.PushGroup();
  c.Fill(rect(2, 0, 2, 1), TCorePaint::Solid(kRed));
  TCorePaint mask;
  mask.Kind = pkLinear;
  mask.P0 = TPointF(2, 0);
  mask.P1 = TPointF(4, 0);
  mask.Stops = {{0, 0xFF000000}, {1, 0x00000000}};
  c.PopGroupMasked(mask);
  EXPECT_GT(s.Pixel(2, 0) >> 24, s.Pixel(3, 0) >> 24);
  EXPECT_EQ(c.GroupDepth(), 0);
}

TEST(CoreContext, SurfacePaintExtendsPerAxis) {
  TCoreSurface tile(2, 2);
  tile.Fill(kRed);
  TCoreSurface s(8, 8);
  TCoreContext c(s);
  TCorePaint p;
  p.Kind = pkSurface;
  p.Surface = &tile;
  p.ExtendX = exRepeat;
  p.ExtendY = exNone;
  p.Smooth = false;
  c.Fill(rect(0, 0, 8, 8), p);
  EXPECT_EQ(s.Pixel(7, 1), kRed);  // repeated across
  EXPECT_EQ(s.Pixel(0, 3), 0u);    // not down
}

TEST(CoreContext, HitTests) {
  TCoreSurface s(1, 1);
  TCoreContext c(s);
  TCorePath p = rect(0, 0, 10, 10);
  EXPECT_TRUE(c.InFill(p, 5, 5));
  EXPECT_FALSE(c.InFill(p, 15, 5));
  TCoreStroke st;
  st.Width = 2;
  EXPECT_TRUE(c.InStroke(p, st, 10.5f, 5));
  EXPECT_FALSE(c.InStroke(p, st, 5, 5));
  c.SetMatrix(TCoreMatrix::Translation(100, 0));  // user space follows the matrix
  EXPECT_TRUE(c.InFill(p, 5, 5));
}

TEST(CorePath, ArcsMeasureAnglesOnTheEllipse) {
  TCorePath p;
  p.Arc(0, 0, 20, 10, 0, 90, false);
  TRectF b;
  ASSERT_TRUE(p.Bounds(b));
  EXPECT_FLOAT_EQ(p.Points.front().X, 20);
  EXPECT_NEAR(p.CurrentPoint().X, 10, 1e-4);
  EXPECT_NEAR(p.CurrentPoint().Y, 10, 1e-4);
  TCorePath full;
  full.Arc(0, 0, 10, 10, 30, 360, false);
  EXPECT_EQ(full.Ops.size(), 5u);  // a move and four quarter curves
  TCorePath back;
  back.Arc(0, 0, 10, 10, 0, -90, false);
  EXPECT_NEAR(back.CurrentPoint().Y, 0, 1e-4);  // counter-clockwise to the top
}

TEST(CorePath, MovesDoNotLeaveEmptyFiguresAndRectsAreRecognised) {
  TCorePath p;
  p.MoveTo(1, 1);
  p.MoveTo(2, 2);
  p.LineTo(3, 3);
  EXPECT_EQ(p.Ops.size(), 2u);
  TRectF r;
  EXPECT_TRUE(rect(1, 2, 3, 4).IsRect(&r));
  EXPECT_FLOAT_EQ(r.Bottom, 6);
  EXPECT_FALSE(p.IsRect());
}

TEST(CoreStatus, TraceRecordsOnlyWhenOn) {
  TCallTrace t("test");
  t.Add("A");
  t.Enabled = true;
  t.Add("B(1)");
  t.Add("B(2)");
  EXPECT_EQ(t.Text(), "B(1); B(2)");
  EXPECT_EQ(t.Count("B("), 2);
  EXPECT_EQ(TraceNum(-0.001), "0");
  EXPECT_EQ(TraceNum(1.5), "1.5");
  SetLastError(122);
  EXPECT_EQ(GetLastError(), 122u);
}

}  // namespace
}  // namespace ht::core
