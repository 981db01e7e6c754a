#include "canvas/path_data_parser.h"

#include <gtest/gtest.h>

#include <cmath>

#include "canvas/path_dump.h"
#include "canvas/path_records.h"
#include "support/trace_canvas.h"

namespace ht {
namespace {

using testing::DumpPath;
using testing::TTracePath;

// The calls the reader makes on a path, as the trace path writes them.
std::string calls(StringView data) {
  TTracePath p(false);
  ParsePathData(p, data);
  return p.Text();
}

struct ParseCase {
  const char16_t* data;
  const char* calls;
};

TEST(PathDataParse, Commands) {
  const ParseCase cases[] = {
      // pairs after a move are lines
      {u"M 10 20 30 40", "M 10,20 L 30,40"},
      {u"m 10 20 30 40", "M 10,20 L 40,60"},
      {u"M10 20 30 40 50.5 60", "M 10,20 L 30,40 L 50.5,60"},
      {u"M0,0L10,0l0,10z", "M 0,0 L 10,0 L 10,10 Z"},
      {u"M 1 1 h 5 V 7", "M 1,1 L 6,1 L 6,7"},
      {u"M0 0 h5 5", "M 0,0 L 5,0 L 10,0"},
      {u"M0 0 v-2 H 3", "M 0,0 L 0,-2 L 3,-2"},
      // numbers: exponents, leading points, "+" signs, missing numbers
      {u"M 1e2 -.5", "M 100,-.5"},
      {u"M +1,+2", "M 1,2"},
      {u"M 10", "M 10,0"},
      {u"M1-2-3-4", "M 1,-2 L -3,-4"},
      // stray units between numbers are stepped over
      {u"M 1 2 # 3 4", "M 1,2 L 3,4"},
      // the second Z has nothing to close
      {u"M0 0 L 5 0 Z Z", "M 0,0 L 5,0 Z"},
      // a figure drawn right after Z starts at the closed figure's start
      {u"M1 1 L 5 1 Z l 2 2", "M 1,1 L 5,1 Z M 1,1 L 3,3"},
      // cubic curves, one AddBeziers per command
      {u"M0 0 C 1 1 2 2 3 3", "M 0,0 C 1,1 2,2 3,3"},
      {u"M0 0 c 1 1 2 2 3 3 4 4 5 5 6 6", "M 0,0 C 1,1 2,2 3,3 7,7 8,8 9,9"},
      // S reflects the previous second control point ...
      {u"M0 0 C 1 1 2 2 3 3 S 5 5 6 6", "M 0,0 C 1,1 2,2 3,3 C 4,4 5,5 6,6"},
      {u"M0 0 S 1 1 2 0 3 -1 4 0", "M 0,0 C 0,0 1,1 2,0 3,-1 3,-1 4,0"},
      // ... and starts at the current point after anything but a curve
      {u"M0 0 L 3 3 S 5 5 6 6", "M 0,0 L 3,3 C 3,3 5,5 6,6"},
      // quadratic curves become cubic ones; T reflects the Q control point
      {u"M0 0 Q 3 3 6 0", "M 0,0 C 2,2 4,2 6,0"},
      {u"M0 0 Q 3 3 6 0 T 12 0", "M 0,0 C 2,2 4,2 6,0 C 8,-2 10,-2 12,0"},
      {u"M0 0 q 3 3 6 0 3 -3 6 0", "M 0,0 C 2,2 4,2 6,0 8,-2 10,-2 12,0"},
  };
  for (const ParseCase& c : cases) EXPECT_EQ(calls(c.data), c.calls) << StringToUtf8(c.data);
}

TEST(PathDataParse, Arcs) {
  const ParseCase cases[] = {
      {u"M0 0 A 5 5 0 0 1 10 0", "M 0,0 A 0,-5,10,10,180,180"},
      {u"M0 0 A 5 5 0 0 0 10 0", "M 0,0 A 0,-5,10,10,180,-180"},
      {u"M0 0 a 5 5 0 0 1 10 0 l 1 1", "M 0,0 A 0,-5,10,10,180,180 L 11,1"},
      // radii too small to reach the end point are scaled up
      {u"M0 0 A 1 1 0 0 1 10 0", "M 0,0 A 0,-5,10,10,180,180"},
      // a zero radius draws a straight line; an arc to its start nothing
      {u"M0 0 A 0 5 0 0 1 10 0", "M 0,0 L 10,0"},
      {u"M0 0 A 5 5 0 0 1 0 0 L 1 1", "M 0,0 L 1,1"},
      // flags written without separators
      {u"M0 0 A5 5 0 0110 0", "M 0,0 A 0,-5,10,10,180,180"},
  };
  for (const ParseCase& c : cases) EXPECT_EQ(calls(c.data), c.calls) << StringToUtf8(c.data);
}

TEST(PathDataParse, RotatedArcIsRotatedAboutItsCentre) {
  // Half an ellipse with its long axis turned upright: from (0, 0) down to
  // (0, 20), bulging to the right when swept clockwise.
  THtCustomPath p;
  ParsePathData(p, u"M0 0 A 10 5 90 0 1 0 20");
  TPointFArray pts;
  for (int i = 1; i < p.Count(); ++i) {
    ASSERT_EQ(p.Rec(i).Kind, prCurveTo);
    pts.insert(pts.end(), p.Rec(i).Points.begin(), p.Rec(i).Points.end());
  }
  ASSERT_EQ(pts.size(), 6u);
  EXPECT_NEAR(pts[2].X, 5, 1e-3);
  EXPECT_NEAR(pts[2].Y, 10, 1e-3);
  EXPECT_NEAR(pts[5].X, 0, 1e-3);
  EXPECT_NEAR(pts[5].Y, 20, 1e-3);
}

TEST(PathDataParse, BadDataRaisesAndKeepsWhatCameBefore) {
  TTracePath p(false);
  try {
    ParsePathData(p, u"M 0 0 L 5 5 X 1 2");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(StringToUtf8(e.Message()), "Unknown path command X");
  }
  EXPECT_EQ(p.Text(), "M 0,0 L 5,5");

  // A number with no command to repeat: at the start, or after Z.
  TTracePath q(false);
  try {
    ParsePathData(q, u"5 5");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), String(u"Unknown path command ") + u'\0');
  }
  EXPECT_THROW(ParsePathData(q, u"M0 0 L 1 1 Z 5"), Exception);
}

TEST(PathDataParse, TryParseStopsAtBadData) {
  TTracePath p(false);
  EXPECT_FALSE(TryParsePathData(p, u"M 0 0 C 1 1 2 2 3 3 K 9"));
  EXPECT_EQ(p.Text(), "M 0,0 C 1,1 2,2 3,3");
  TTracePath q(false);
  EXPECT_TRUE(TryParsePathData(q, u" M 1 2 "));
  EXPECT_EQ(q.Text(), "M 1,2");
}

TEST(PathDataParse, AddQBeziers) {
  THtCustomPath p;
  p.MoveTo(0, 0);
  AddQBeziers(p, {TPointF(3, 3)});  // too few
  AddQBeziers(p, {TPointF(3, 3), TPointF(6, 0)});
  EXPECT_EQ(DumpPath(p), "M0,0 C2,2 4,2 6,0");

  // Three or more: a start point, then (control, end) pairs; an even count
  // leaves the last point unused.
  THtCustomPath q;
  q.MoveTo(0, 0);
  AddQBeziers(q, {TPointF(1, 0), TPointF(4, 3), TPointF(7, 0), TPointF(9, 9)});
  EXPECT_EQ(DumpPath(q), "M0,0 L1,0 C3,2 5,2 7,0");
}

}  // namespace
}  // namespace ht
