#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/gdi_paths.h"

namespace ht::gdi {
namespace {

class GdiPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = CreateCompatibleDC(nullptr);
  }
  void TearDown() override {
    for (HRGN r : regions) DeleteObject(r);
    DeleteDC(dc);
  }
  void read(std::vector<POINT>& pts, std::vector<BYTE>& types) {
    int n = GetPath(dc, nullptr, nullptr, 0);
    ASSERT_GE(n, 0);
    pts.resize(n);
    types.resize(n);
    ASSERT_EQ(n, GetPath(dc, pts.data(), types.data(), n));
  }
  HRGN region() {
    HRGN r = PathToRegion(dc);
    if (r) regions.push_back(r);
    return r;
  }
  HDC dc;
  std::vector<HRGN> regions;
};

TEST_F(GdiPaths, RectangleRecordsAClosedFigureWithExclusiveEdgesAndFillsByPixelCentres) {
  ASSERT_TRUE(BeginPath(dc));
  ASSERT_TRUE(Rectangle(dc, 2, 3, 12, 8));
  ASSERT_TRUE(EndPath(dc));
  std::vector<POINT> p;
  std::vector<BYTE> t;
  read(p, t);
  ASSERT_EQ(4u, p.size());
  int want[4][2] = {{2, 3}, {11, 3}, {11, 7}, {2, 7}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(want[i][0], p[i].x) << i;
    EXPECT_EQ(want[i][1], p[i].y) << i;
  }
  EXPECT_EQ(PT_MOVETO, t[0]);
  EXPECT_EQ(PT_LINETO, t[1]);
  EXPECT_EQ(PT_LINETO | PT_CLOSEFIGURE, t[3]);

  HRGN r = region();
  ASSERT_NE(nullptr, r);
  EXPECT_TRUE(PtInRegion(r, 2, 3));
  EXPECT_TRUE(PtInRegion(r, 10, 6));
  EXPECT_FALSE(PtInRegion(r, 11, 6));  // the polygon's right and bottom edges stay out
  EXPECT_FALSE(PtInRegion(r, 10, 7));
  EXPECT_FALSE(PtInRegion(r, 1, 3));
  // The path was consumed.
  EXPECT_EQ(-1, GetPath(dc, nullptr, nullptr, 0));

  // In advanced mode the rectangle keeps its right and bottom edge.
  SetGraphicsMode(dc, GM_ADVANCED);
  BeginPath(dc);
  Rectangle(dc, 2, 3, 12, 8);
  EndPath(dc);
  r = region();
  EXPECT_TRUE(PtInRegion(r, 11, 7));
  EXPECT_FALSE(PtInRegion(r, 12, 7));
}

TEST_F(GdiPaths, BracketCallsOutOfOrderFailAndBuffersAreChecked) {
  EXPECT_TRUE(LineTo(dc, 5, 5));  // outside a bracket: drawn, not recorded
  EXPECT_FALSE(EndPath(dc));
  EXPECT_EQ(nullptr, PathToRegion(dc));
  ASSERT_TRUE(BeginPath(dc));
  EXPECT_FALSE(CloseFigure(dc));  // no open figure
  LineTo(dc, 5, 5);
  EXPECT_EQ(-1, GetPath(dc, nullptr, nullptr, 0));  // still recording
  EndPath(dc);
  POINT p[1];
  BYTE t[1];
  EXPECT_EQ(-1, GetPath(dc, p, t, 1));
  EXPECT_EQ(uint32_t(core::csInsufficientBuffer), core::GetLastError());
  EXPECT_EQ(2, GetPath(dc, nullptr, nullptr, 0));
}

TEST_F(GdiPaths, WorldTransformNeedsAdvancedModeAndLeftMultiplyAppliesFirst) {
  XFORM scale{2, 0, 0, 2, 0, 0}, shift{1, 0, 0, 1, 10, 20};
  EXPECT_FALSE(SetWorldTransform(dc, &shift));
  SetGraphicsMode(dc, GM_ADVANCED);
  ASSERT_TRUE(SetWorldTransform(dc, &shift));
  ASSERT_TRUE(ModifyWorldTransform(dc, &scale, MWT_LEFTMULTIPLY));
  BeginPath(dc);
  MoveToEx(dc, 1, 1, nullptr);
  LineTo(dc, 3, 2);
  EndPath(dc);
  std::vector<POINT> p;
  std::vector<BYTE> t;
  read(p, t);
  ASSERT_EQ(2u, p.size());
  EXPECT_EQ(12, p[0].x);
  EXPECT_EQ(22, p[0].y);
  EXPECT_EQ(16, p[1].x);
  EXPECT_EQ(24, p[1].y);
  ASSERT_TRUE(ModifyWorldTransform(dc, nullptr, MWT_IDENTITY));
  XFORM x;
  GetWorldTransform(dc, &x);
  EXPECT_EQ(0, x.eDx);
  EXPECT_EQ(1, x.eM11);
}

TEST_F(GdiPaths, AngleArcIsBeziersAroundItsCentreAndMovesTheCurrentPosition) {
  BeginPath(dc);
  MoveToEx(dc, 30, 20, nullptr);
  ASSERT_TRUE(AngleArc(dc, 20, 20, 10, 0, 360));
  POINT cur;
  MoveToEx(dc, 0, 0, &cur);
  EXPECT_EQ(30, cur.x);
  EXPECT_EQ(20, cur.y);
  EndPath(dc);
  std::vector<POINT> p;
  std::vector<BYTE> t;
  read(p, t);
  ASSERT_EQ(1u + 1 + 12, p.size());  // move, line to the start, four quarter Beziers
  EXPECT_EQ(PT_BEZIERTO, t[2]);
  // Counter-clockwise on screen: the first quarter ends at the top.
  EXPECT_EQ(20, p[4].x);
  EXPECT_EQ(10, p[4].y);
  HRGN r = region();
  EXPECT_TRUE(PtInRegion(r, 20, 20));
  EXPECT_TRUE(PtInRegion(r, 12, 20));
  EXPECT_FALSE(PtInRegion(r, 27, 27));  // outside the circle, inside its box
}

TEST_F(GdiPaths, PolyDrawReplaysGetPathAndRefusesABrokenCurveWhole) {
  BeginPath(dc);
  RoundRect(dc, 0, 0, 40, 30, 10, 10);
  MoveToEx(dc, 50, 50, nullptr);
  LineTo(dc, 60, 55);
  EndPath(dc);
  std::vector<POINT> p, q;
  std::vector<BYTE> t, u;
  read(p, t);
  BeginPath(dc);
  ASSERT_TRUE(PolyDraw(dc, p.data(), t.data(), int(p.size())));
  EndPath(dc);
  read(q, u);
  ASSERT_EQ(p.size(), q.size());
  for (size_t i = 0; i < p.size(); ++i) {
    EXPECT_EQ(p[i].x, q[i].x) << i;
    EXPECT_EQ(p[i].y, q[i].y) << i;
    EXPECT_EQ(t[i], u[i]) << i;
  }

  POINT bad[3] = {{0, 0}, {5, 5}, {9, 9}};
  BYTE badTypes[3] = {PT_MOVETO, PT_BEZIERTO, PT_BEZIERTO};
  BeginPath(dc);
  EXPECT_FALSE(PolyDraw(dc, bad, badTypes, 3));
  EndPath(dc);
  EXPECT_EQ(0, GetPath(dc, nullptr, nullptr, 0));
}

TEST_F(GdiPaths, FillModeDecidesNestedFigures) {
  for (int mode : {ALTERNATE, WINDING}) {
    SetPolyFillMode(dc, mode);
    BeginPath(dc);
    Rectangle(dc, 0, 0, 21, 21);
    Rectangle(dc, 5, 5, 16, 16);
    EndPath(dc);
    HRGN r = region();
    EXPECT_TRUE(PtInRegion(r, 2, 2)) << mode;
    EXPECT_EQ(mode == WINDING, bool(PtInRegion(r, 10, 10))) << mode;
  }
}

}  // namespace
}  // namespace ht::gdi
