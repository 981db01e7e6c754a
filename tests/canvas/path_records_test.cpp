#include "canvas/path_records.h"

#include <gtest/gtest.h>

#include <cmath>

#include "canvas/arc_geometry.h"
#include "canvas/path_data_parser.h"
#include "canvas/path_dump.h"
#include "support/trace_canvas.h"

namespace ht {
namespace {

using testing::DumpPath;
using testing::PointText;
using testing::RectFText;
using testing::TraceNum;

THtCustomPath parsed(StringView data) {
  THtCustomPath p;
  ParsePathData(p, data);
  return p;
}

std::string text(const THtCustomPath& p) { return StringToUtf8(p.AsString()); }

TEST(PathRecordsBuild, LinesStayMinimal) {
  THtCustomPath p;
  p.MoveTo(0, 0);
  p.LineTo(0, 10);
  p.LineTo(0, 20);
  EXPECT_EQ(DumpPath(p), "M0,0 L0,20");  // continued along the same axis
  p.LineTo(0, 5);
  EXPECT_EQ(DumpPath(p), "M0,0 L0,20 L0,5");  // turning back is a line of its own
  p.LineTo(0, 5);
  EXPECT_EQ(p.Count(), 3);  // a line to the current point adds nothing
  p.LineTo(7, 5);
  p.LineTo(9, 5);
  EXPECT_EQ(DumpPath(p), "M0,0 L0,20 L0,5 L9,5");

  THtCustomPath q;
  q.MoveTo(1, 1);
  q.MoveTo(2, 2);  // a move after a move replaces it
  q.LineTo(5, 2);
  q.MoveTo(5, 2);  // a move to the current point adds nothing
  q.CloseFigure();
  q.LineTo(8, 8);  // a line after a close starts a new figure
  q.CloseFigure();
  q.MoveTo(8, 8);  // ... as does a move after a close, even to the same point
  EXPECT_EQ(DumpPath(q), "M2,2 L5,2 Z M8,8 Z M8,8");
}

TEST(PathRecordsBuild, Beziers) {
  THtCustomPath p;
  p.MoveTo(0, 0);
  // One segment; the two extra points are ignored.
  p.AddBeziers({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
  // A loop back to its start still draws.
  p.AddBeziers({{10, 0}, {10, 10}, {3, 3}});
  // A segment that never leaves its start draws nothing.
  p.AddBeziers({{3, 3}, {3, 3}, {3, 3}});
  EXPECT_EQ(DumpPath(p), "M0,0 C1,1 2,2 3,3 C10,0 10,10 3,3");
  EXPECT_TRUE(p.HasCurves());
}

TEST(PathRecordsBuild, RectangleArcEllipseAndPaths) {
  THtCustomPath p;
  p.AddRectangle(1, 2, 3, 4);
  p.AddArc(0, 0, 10, 10, 0, 90, 5);
  p.AddEllipse(10, 10, 20, 5);
  p.StartFigure();
  EXPECT_EQ(DumpPath(p), "M1,2 L4,2 L4,6 L1,6 Z A0,0,10,10,0,90 E10,10,20,5 S");

  THtCustomPath q;
  q.AddPath(&p);
  q.AddPath(&q);
  EXPECT_EQ(q.Count(), 2 * p.Count());
  auto clone = p.Clone();
  EXPECT_EQ(DumpPath(*dynamic_cast<THtCustomPath*>(clone.get())), DumpPath(p));

  testing::TTracePath other(false);
  EXPECT_THROW(p.AddPath(&other), EInvalidCast);
  EXPECT_THROW(p.GetRec(p.Count()), EListError);
  p.Clear();
  EXPECT_TRUE(p.Empty());
}

TEST(PathRecordsQuery, LastPointAndBounds) {
  THtCustomPath p;
  TRectF r(9, 9, 9, 9);
  p.GetBounds(r, nullptr);
  EXPECT_EQ(RectFText(r), "0,0,0,0");
  EXPECT_EQ(PointText(p.LastPoint()), "0,0");
  p.CloseFigure();
  p.GetBounds(r, nullptr);
  EXPECT_EQ(RectFText(r), "0,0,0,0");

  THtCustomPath e;
  e.AddEllipse(10, 10, 20, 5);
  e.GetBounds(r, nullptr);
  EXPECT_EQ(RectFText(r), "10,10,30,15");
  THtMatrixData m;
  m.Scale(2, 2);
  e.GetBounds(r, &m);
  EXPECT_EQ(RectFText(r), "20,20,60,30");

  THtCustomPath c;
  c.MoveTo(-5, 0);
  c.AddBeziers({{0, -8}, {4, 0}, {4, 4}});
  c.GetBounds(r, nullptr);
  EXPECT_EQ(RectFText(r), "-5,-8,4,4");  // control points count
  c.CloseFigure();
  EXPECT_EQ(PointText(c.LastPoint()), "4,4");

  // The end of an arc of an ellipse is placed by its polar angle: at 45
  // degrees on a 20 x 10 ellipse the point lies on the diagonal.
  THtCustomPath a;
  a.AddArc(0, 0, 20, 10, 0, 45, 1);
  const TPointF end = a.LastPoint();
  EXPECT_NEAR(end.X - 10, end.Y - 5, 1e-4);
  EXPECT_NEAR((end.X - 10) * (end.X - 10) / 100 + (end.Y - 5) * (end.Y - 5) / 25, 1, 1e-4);
}

TEST(PathRecordsQuery, IsRect) {
  struct Case {
    const char16_t* data;
    bool rect;
  } cases[] = {
      {u"M0 0 L10 0 L10 10 L0 10 Z", true},
      {u"M0 0 L10 0 L10 10 L0 10 L0 0", true},
      {u"M0 0 V10 H10 V0 Z", true},
      {u"M0 0 L10 0 L10 10 L0 10", true},         // fills close by themselves
      {u"M0 0 L10 0 L0 10 Z", false},             // a diagonal
      {u"M0 0 L10 0 L10 10 L5 10 L5 5 Z", false},  // an L-shape
      {u"M0 0 L10 0 L10 10 L20 10", false},       // a step
      {u"M0 0 L10 0 L10 10 L0 10 Z M20 20 L30 20", false},
      {u"M0 0 L10 0 C10 10 10 10 0 10 Z", false},
      {u"M0 0 L10 0", false},
  };
  for (const Case& c : cases) EXPECT_EQ(parsed(c.data).IsRect(), c.rect) << StringToUtf8(c.data);
  THtCustomPath p;
  p.AddRectangle(5, 5, 10, 20);
  EXPECT_TRUE(p.IsRect());
}

TEST(PathRecordsCopy, TransformAndTranslate) {
  THtCustomPath p;
  p.MoveTo(10, 5);
  p.LineTo(20, 5);
  p.AddEllipse(0, 0, 4, 2);
  THtMatrixData m;
  m.Translate(1, 2);
  p.Transform(m);
  EXPECT_EQ(DumpPath(p), "M11,7 L21,7 E1,2,4,2");
  p.Translate(-1, -2);
  EXPECT_EQ(DumpPath(p), "M10,5 L20,5 E0,0,4,2");

  // An arc becomes cubic segments of at most 90 degrees after a line to
  // its start (none is needed when the path is already there).
  for (float sweep : {90.0f, 180.0f, 270.0f, -100.0f}) {
    THtCustomPath a;
    a.MoveTo(10, 5);
    a.AddArc(0, 0, 10, 10, 0, sweep, 1);
    a.Transform(THtMatrixData());
    ASSERT_EQ(a.Count(), 2) << sweep;
    const THtPathRec& curve = a.Rec(1);
    ASSERT_EQ(curve.Kind, prCurveTo);
    EXPECT_EQ(curve.Points.size(), 3 * size_t(std::ceil(std::fabs(sweep) / 90))) << sweep;
    const TPointF end = ArcEndPoint(0, 0, 10, 10, 0, sweep);
    EXPECT_NEAR(curve.Points.back().X, end.X, 1e-4);
    EXPECT_NEAR(curve.Points.back().Y, end.Y, 1e-4);
  }

  // Scaled or rotated, an ellipse becomes a closed curved figure.
  THtCustomPath e;
  e.AddEllipse(0, 0, 4, 2);
  THtMatrixData s;
  s.Scale(2, 3);
  e.Transform(s);
  EXPECT_EQ(DumpPath(e).substr(0, 8), "M8,3 C8,");
  EXPECT_EQ(e.Rec(e.Count() - 1).Kind, prCloseFigure);
  TRectF r;
  e.GetBounds(r, nullptr);
  EXPECT_NEAR(r.Right, 8, 1e-4);
  EXPECT_NEAR(r.Bottom, 6 + 0.0, 0.1);
}

TEST(PathRecordsCopy, Flatten) {
  // A cubic whose ends are 100 apart: 40 segments are held to 10, 2 raised
  // to 3.
  struct Case {
    float tolerance;
    int lines;
  } cases[] = {{0.5f, 10}, {10, 3}};
  for (const Case& c : cases) {
    THtCustomPath p, res;
    p.MoveTo(0, 0);
    p.AddBeziers({{30, 20}, {70, 20}, {100, 0}});
    p.Flatten(c.tolerance, res);
    ASSERT_EQ(res.Count(), 1 + c.lines) << c.tolerance;
    EXPECT_EQ(PointText(res.Rec(res.Count() - 1).Point), "100,0");
    EXPECT_FALSE(res.HasCurves());
  }

  // Short lines merge into the previous line; moves and closes are copied.
  THtCustomPath p, res;
  p.MoveTo(0, 0);
  p.LineTo(10, 0);
  p.LineTo(10.1f, 3);
  p.LineTo(10.2f, 3.05f);
  p.CloseFigure();
  p.Flatten(1, res);
  EXPECT_EQ(DumpPath(res), "M0,0 L10,0 L10.2,3.05 Z");

  // Arcs and ellipses flatten too instead of vanishing.
  THtCustomPath a, flat;
  a.AddArc(0, 0, 10, 10, 0, 180, 1);
  a.Flatten(0.5f, flat);
  EXPECT_GT(flat.Count(), 2);
  EXPECT_EQ(flat.Rec(0).Kind, prMoveTo);
  EXPECT_NEAR(flat.Rec(flat.Count() - 1).Point.X, 0, 1e-4);
}

struct TextCase {
  const char16_t* data;
  const char* text;
};

TEST(PathRecordsText, AsString) {
  THtCustomPath p;
  p.MoveTo(0, 0);
  p.LineTo(10, 0);
  p.LineTo(10, 10);
  EXPECT_EQ(text(p), "M0 0h10 v10 ");
  p.LineTo(0, 0);  // back to the start as the last record: a close
  EXPECT_EQ(text(p), "M0 0h10 v10 z");

  EXPECT_EQ(text(THtCustomPath()), "");

  const TextCase cases[] = {
      {u"M0 0 L10 0 L10 10 L 0 0 Z", "M0 0h10 v10 z"},
      {u"M1 1 L4 5 L4 5.5", "M1 1l3 4 v.5 "},
      {u"M0 0 C 1 1 2 2 3 3 4 4 5 5 6 6", "M0 0c1 1,2 2,3 3 1 1,2 2,3 3"},
      {u"M0 0 L 0 0 C 1 1 2 2 3 3", "M0 0c1 1,2 2,3 3"},
      {u"M0 0 A 5 5 0 0 1 10 0", "M0 0A5 5 0 0 1 10 0 "},
      {u"M0 0 A 5 5 0 0 1 10 0 L 10 10", "M0 0A5 5 0 0 1 10 0 L10 10"},
      {u"M0.123 0.125 L 1.33333 0.125", "M.12 .12l1.2133 .005 "},
  };
  for (const TextCase& c : cases) EXPECT_EQ(text(parsed(c.data)), c.text) << StringToUtf8(c.data);
}

TEST(PathRecordsText, ArcsAndEllipsesBecomeDrawableText) {
  // An arc alone starts with a move to its start point.
  THtCustomPath a;
  a.AddArc(0, 0, 10, 10, 180, 90, 1);
  EXPECT_EQ(text(a), "M0 5A5 5 0 0 1 5 0 ");

  // A whole turn goes as two half turns (an arc back to its own start
  // would draw nothing).
  THtCustomPath full;
  full.AddArc(0, 0, 10, 10, 0, 360, 1);
  EXPECT_EQ(text(full), "M10 5A5 5 0 0 1 0 5 5 5 0 0 1 10 5 ");

  THtCustomPath e;
  e.AddEllipse(10, 10, 20, 5);
  EXPECT_EQ(text(e), "M30 12.5A10 2.5 0 0 1 10 12.5 10 2.5 0 0 1 30 12.5 z");
}

TEST(PathRecordsText, TextReadsBackToTheSameText) {
  const char16_t* datas[] = {
      u"M10 20 L 30 40 L 30 80 H 0 Z",
      u"M0 0 C 10 0 20 10 20 20 S 30 40 50 50 Q 60 60 70 50 T 90 50 Z",
      u"M 5 5 A 20 10 0 1 1 40 5 L 40 40 A 10 10 0 0 0 20 40 z",
      u"M 0.3333 0.6667 l 1.11111 2.22222 l 3.33333 0 l 0 4.4444",
  };
  for (const char16_t* d : datas) {
    const String once = parsed(d).AsString();
    EXPECT_EQ(StringToUtf8(parsed(once).AsString()), StringToUtf8(once)) << StringToUtf8(d);
  }
  // Shapes the canvas builds: a rounded rectangle and a filled ellipse.
  THtCustomPath shapes;
  shapes.AddRoundRect(0, 0, 100, 50, 10, 8);
  shapes.CloseFigure();
  shapes.AddArc(10, 10, 30, 20, 0, 359.9f, 1);
  shapes.CloseFigure();
  const String once = shapes.AsString();
  EXPECT_EQ(StringToUtf8(once),
            "M10 0h80 A10 8 0 0 1 100 8 L100 42A10 8 0 0 1 90 50 L10 50A10 8 0 0 1 0 42 L0 8A10 8 0 0 1 10 0 "
            "zM40 20A15 10 0 1 1 40 19.9738 z");
  EXPECT_EQ(StringToUtf8(parsed(once).AsString()), StringToUtf8(once));

  // Relative steps follow the numbers as written, so they never drift.
  THtCustomPath many;
  many.MoveTo(0.004f, 0);
  for (int i = 1; i <= 2000; ++i) many.LineTo(0.004f + i * 0.33333f, float(i % 2));
  THtCustomPath back = parsed(many.AsString());
  const TPointF a = many.LastPoint(), b = back.LastPoint();
  EXPECT_NEAR(a.X, b.X, 0.01);
}

// A path of another class that keeps a record list beside it, as back-end
// paths do.
class TKeptRecordsPath : public testing::TTracePath {
 public:
  TKeptRecordsPath() : TTracePath(false) { SetCustomPath(std::make_unique<THtCustomPath>()); }
  void MoveTo(float X, float Y) override {
    TTracePath::MoveTo(X, Y);
    CustomPath()->MoveTo(X, Y);
  }
  void LineTo(float X, float Y) override {
    TTracePath::LineTo(X, Y);
    CustomPath()->LineTo(X, Y);
  }
};

TEST(PathRecordsOfAnyPath, RecordListParseAndText) {
  THtCustomPath records;
  THtPath& p = records;
  EXPECT_EQ(p.CustomPath(), &records);
  p.Parse(u"M0 0 L10 0 L10 10");
  p.AddQBeziers({TPointF(10, 20), TPointF(0, 20)});
  EXPECT_EQ(StringToUtf8(p.AsString()), "M0 0h10 v10 c0 6.667,-3.333 10,-10 10");
  // A copy is its own record list.
  const THtCustomPath copy(records);
  EXPECT_EQ(copy.CustomPath(), &copy);
  EXPECT_EQ(copy.AsString(), records.AsString());

  TKeptRecordsPath kept;
  kept.Parse(u"M1 1 h5");
  EXPECT_EQ(kept.Text(), "M 1,1 L 6,1");
  EXPECT_EQ(CustomPathOf(&kept), kept.CustomPath());
  EXPECT_EQ(StringToUtf8(kept.AsString()), "M1 1h5 ");
  EXPECT_EQ(StringToUtf8(PathAsString(&kept)), "M1 1h5 ");

  testing::TTracePath bare(false);
  bare.Parse(u"M1 1 h5");
  EXPECT_EQ(CustomPathOf(&bare), nullptr);
  EXPECT_EQ(bare.AsString(), u"");
  EXPECT_EQ(CustomPathOf(nullptr), nullptr);
}

TEST(PathRecordsDraw, DrawPathReplaysStrokes) {
  testing::TTraceCanvas c;
  THtPen pen(0xFF000000, 1);
  THtCustomPath p;
  p.AddRectangle(0, 0, 10, 5);
  p.MoveTo(0, 0);
  p.AddArc(20, 0, 10, 10, 0, 90, 1);
  p.DrawPath(&c, &pen);
  ASSERT_EQ(c.Calls.size(), 6u);
  EXPECT_EQ(c.Calls[0], "DrawPath FF000000/1 [M 0,0 L 10,0]");
  EXPECT_EQ(c.Calls[3], "DrawPath FF000000/1 [M 0,5 L 0,0]");  // the close draws the last edge
  EXPECT_EQ(c.Calls[4], "DrawPath FF000000/1 [M 0,0 L 30,5]");  // to the arc's start
  EXPECT_EQ(c.Calls[5], "DrawPath FF000000/1 [A 20,0,10,10,0,90]");
}

}  // namespace
}  // namespace ht
