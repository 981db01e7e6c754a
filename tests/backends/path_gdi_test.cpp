#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/path_gdi.h"

namespace ht {
namespace {

using gdi::PtInRegion;

template <class R>
std::string box(const R& r) {
  return std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Right) + " " +
         std::to_string(r.Bottom);
}

TEST(PathGDI, NewPathIsEmptyAndRefusesASecondBeginPath) {
  THtPathGDI p(false);
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(0, p.PointCount);
  try {
    p.BeginPath();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(u"Duplicate call to BeginPath", e.Message());
  }
  TRectF r(1, 1, 1, 1);
  p.GetBounds(r, nullptr);
  EXPECT_EQ(box(TRectF(0, 0, 0, 0)), box(r));
}

// A rectangle replays as one Rectangle; a clip path records its points one
// pixel larger right and bottom. Either region covers the rectangle exactly.
TEST(PathGDI, RectanglePathReplaysAsItsShapeAndClipPathsCoverTheirEdge) {
  for (bool clip : {false, true}) {
    SCOPED_TRACE(clip);
    THtPathGDI p(clip);
    p.AddRectangle(10, 20, 30, 40);
    EXPECT_TRUE(p.fIsRect);
    EXPECT_FALSE(p.fHasCurves);
    EXPECT_EQ(box(TRect(10, 20, 40, 60)), box(p.fRect));
    TRectF b;
    p.GetBounds(b, nullptr);
    EXPECT_EQ(box(TRectF(10, 20, clip ? 40 : 39, clip ? 60 : 59)), box(b));
    gdi::HRGN r = p.Region();
    EXPECT_TRUE(PtInRegion(r, 10, 20));
    EXPECT_TRUE(PtInRegion(r, 39, 59));
    EXPECT_FALSE(PtInRegion(r, 39, 60));
    EXPECT_FALSE(PtInRegion(r, 40, 30));
    EXPECT_EQ(r, p.Region());  // made once
  }
}

TEST(PathGDI, OnlyNonAxisLinesCountAsCurves) {
  struct {
    float x1, y1, x2, y2;
    bool curves;
  } cases[] = {{0, 5, 20, 5, false}, {3, 0, 3, 9, false}, {0, 0, 10, 7, true}};
  for (auto& c : cases) {
    THtPathGDI p(false);
    p.AddLine(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(c.curves, p.fHasCurves) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
  }
}

TEST(PathGDI, BoundsOfAPathLeftOfAndAboveTheOriginAreItsOwn) {
  THtPathGDI p(false);
  p.MoveTo(-50, -40);
  p.LineTo(-10, -30);
  p.LineTo(-20, -5);
  TRectF b;
  p.GetBounds(b, nullptr);
  EXPECT_EQ(box(TRectF(-50, -40, -10, -5)), box(b));
}

TEST(PathGDI, CloneCopiesTheGdiPointsButNotTheCurves) {
  THtPathGDI p(false);
  p.MoveTo(5, 5);
  p.AddArc(0, 0, 40, 40, 0, 180, 1);
  p.AddBeziers({{10, 10}, {20, 30}, {40, 0}});
  p.CloseFigure();
  ASSERT_TRUE(p.fHasCurves);
  auto c = p.Clone();
  auto* q = dynamic_cast<THtPathGDI*>(c.get());
  ASSERT_NE(nullptr, q);
  q->EndPath();
  EXPECT_FALSE(q->fHasCurves);
  ASSERT_EQ(p.PointCount, q->PointCount);
  for (int i = 0; i < p.PointCount; ++i) {
    EXPECT_EQ(p.Points[i].x, q->Points[i].x) << i;
    EXPECT_EQ(p.Points[i].y, q->Points[i].y) << i;
    EXPECT_EQ(p.PointTypes[i], q->PointTypes[i]) << i;
  }
  EXPECT_EQ(p.AsString(), q->AsString());
}

// Every shape of a shapes-only path is replayed; a line first keeps the
// path on its points.
TEST(PathGDI, PathsOfSeveralShapesReplayThemAll) {
  THtPathGDI p(false);
  p.AddRectangle(0, 0, 10, 10);
  p.AddRoundRect(20, 0, 10, 10, 2, 2);
  EXPECT_TRUE(p.fIsRect);
  ASSERT_EQ(2u, p.Shapes.size());
  gdi::HRGN r = p.Region();
  EXPECT_TRUE(PtInRegion(r, 5, 5));
  EXPECT_TRUE(PtInRegion(r, 25, 5));

  THtPathGDI l(false);
  l.AddLine(0, 20, 0, 40);
  l.AddRectangle(0, 0, 10, 10);
  EXPECT_FALSE(l.fIsRect);
  l.EndPath();
  EXPECT_EQ(2 + 4, l.PointCount);
}

TEST(PathGDI, AddPathTakesTheShapesWithTheirCornerSizes) {
  THtPathGDI a(false), b(false);
  b.AddRoundRect(0, 0, 40, 30, 4, 6);
  a.AddPath(&b);
  EXPECT_TRUE(a.fIsRoundRect);
  EXPECT_EQ(8, a.fRadiusX);
  EXPECT_EQ(12, a.fRadiusY);
  EXPECT_EQ(box(TRect(0, 0, 40, 30)), box(a.fRect));
  EXPECT_TRUE(a.fHasCurves);
  a.EndPath();
  EXPECT_EQ(b.PointCount, a.PointCount);
}

TEST(PathGDI, TransformMapsLaterPointsAndRefusesAnEndedPath) {
  THtPathGDI p(false);
  THtMatrixData m;
  m.Data[0] = 2;
  m.Data[3] = 2;
  m.Data[4] = 100;
  p.Transform(m);
  p.MoveTo(1, 1);
  p.LineTo(5, 3);
  TRectF b;
  p.GetBounds(b, nullptr);
  EXPECT_EQ(box(TRectF(102, 2, 110, 6)), box(b));
  EXPECT_THROW(p.Transform(m), EGdiError);
  // Adding needs Clear after the points were read.
  EXPECT_THROW(p.LineTo(9, 9), EGdiError);
  p.Clear();
  p.MoveTo(1, 1);
  p.LineTo(2, 1);
  p.GetBounds(b, nullptr);
  EXPECT_EQ(box(TRectF(1, 1, 2, 1)), box(b));
}

TEST(PathGDI, CoordinatesBeyondTheIntegerRangeAreRefused) {
  THtPathGDI p(false);
  EXPECT_THROW(p.AddRectangle(0, 0, 3e9f, 10), EGdiError);
  EXPECT_THROW(p.MoveTo(-1e12f, 0), EGdiError);
}

TEST(PathGDI, ComesFromItsClassDescriptor) {
  auto p = THtPathGDI::ClassType.Create(true);
  auto* g = dynamic_cast<THtPathGDI*>(p.get());
  ASSERT_NE(nullptr, g);
  EXPECT_EQ(1, g->fCD);
}

}  // namespace
}  // namespace ht
