#include "canvas/svg_writer.h"

#include <gtest/gtest.h>

#include <functional>

#include "canvas/path_records.h"

namespace ht {
namespace {

std::string written(const std::function<void(THtSVGWriter&)>& fn) {
  THtSVGWriter w;
  fn(w);
  return StringToUtf8(w.ToString());
}

TEST(SVGWriterPath, CommandsAndRepeats) {
  struct Case {
    std::function<void(THtSVGWriter&)> fn;
    const char* text;
  } cases[] = {
      // pairs after a move are lines: no letter, a blank between numbers
      {[](THtSVGWriter& w) { w.Move(10, 20).LineTo(30, 40).LineTo(50.5, 60); }, "M10 20 30 40 50.5 60"},
      {[](THtSVGWriter& w) { w.LineRel(5, 0).LineRel(5, 0); }, "h5 5 "},
      {[](THtSVGWriter& w) { w.LineRel(0, 0); }, "h0 "},
      {[](THtSVGWriter& w) { w.LineRel(0, -2.5).LineRel(1, 1); }, "v-2.5 l1 1 "},
      {[](THtSVGWriter& w) { w.Move(1.006, 2.004).MoveRel(0.12346, -1); }, "M1.01 2m.1235 -1 "},
      {[](THtSVGWriter& w) { w.h(3).HRel(4).V(5).VRel(-6); }, "H3 h4 V5 v-6 "},
      {[](THtSVGWriter& w) { w.Arc(5, 5, 0, 1, 0, 10, 0).Arc(5, 5, 0, 0, 1, 20, 0); }, "A5 5 0 1 0 10 0 5 5 0 0 1 20 0 "},
      {[](THtSVGWriter& w) { w.Move(0, 0).Z().Z(); }, "M0 0z"},
      // plain text breaks the repeat chain
      {[](THtSVGWriter& w) { w.Move(1, 1).s(u"|").LineTo(2, 2); }, "M1 1|L2 2"},
  };
  for (const Case& c : cases) EXPECT_EQ(written(c.fn), c.text);

  THtSVGWriter w;
  EXPECT_TRUE(w.Empty());
  w.Move(0, 0);
  EXPECT_FALSE(w.Empty());
  EXPECT_EQ(w.LastCommand(), u'L');
}

TEST(SVGWriterElements, Shapes) {
  struct Case {
    std::function<void(THtSVGWriter&)> fn;
    const char* text;
  } cases[] = {
      {[](THtSVGWriter& w) { w.Line(1, 2, 3.1234f, 4, 0xFFFF0000, 1.5f); },
       "<line x1=\"1\" y1=\"2\" x2=\"3.123\" y2=\"4\" stroke=\"#ff0000\" stroke-width=\"1.5\"/>"},
      // a colour value of 0 leaves the attribute out; others keep alpha
      {[](THtSVGWriter& w) { w.Circle(5, 6, 2, 0, 0x80102030, 0); },
       "<circle r=\"2\" cx=\"5\" cy=\"6\" stroke=\"#10203080\"/>"},
      {[](THtSVGWriter& w) { w.Ellipse(5, 6, 2, 1, 0xFF00FF00, 0, 0); },
       "<ellipse rx=\"2\" ry=\"1\" cx=\"5\" cy=\"6\" fill=\"#00ff00\"/>"},
      {[](THtSVGWriter& w) { w.Rect(0, 0, 10, 5, 0, 0, 0, u"", 2, 3); },
       "<rect x=\"0\" y=\"0\" width=\"10\" height=\"5\" rx=\"2\" ry=\"3\"/>"},
      {[](THtSVGWriter& w) { w.Rect(0, 0, 10, 5, 0, 0, 0, u"a:\"b\"", 0, 3); },
       "<rect x=\"0\" y=\"0\" width=\"10\" height=\"5\" ry=\"3\" style=\"a:&quot;b&quot;\"/>"},
      {[](THtSVGWriter& w) { w.Text(1, 2, u"middle", u"a<b & c", u"", u"rotate(\"x\")", u"id=\"t\""); },
       "<text x=\"1 \" y=\"2 \" text-anchor=\"middle\" transform=\"rotate(&quot;x&quot;)\" id=\"t\">a&lt;b &amp; "
       "c</text>"},
      {[](THtSVGWriter& w) { w.BeginPath(0, 0, 0, u"", false, u"fill=\"url(#g)\"").Move(0, 0).EndPath(); },
       "<path  fill=\"url(#g)\" d=\"M0 0\"/>"},
      {[](THtSVGWriter& w) { w.BeginPath(0, 0xFF000000, 2, u"s", true).EndPath(); },
       "<path  fill=\"none\" stroke=\"#000000\" stroke-width=\"2\" style=\"s\" shape-rendering=\"crispEdges\"  "
       "d=\"\"/>"},
      {[](THtSVGWriter& w) { w.Path(u"M0 0\"", 0xFF0000FF, 0, 0); },
       "<path  fill=\"#0000ff\"  d=\"M0 0&quot;\"/>"},
  };
  for (const Case& c : cases) EXPECT_EQ(written(c.fn), c.text);
}

TEST(SVGWriterElements, StrokesAndDashes) {
  THtPen pen(0xFF112233, 1.256f);
  pen.SetStyle(hpsDashDot);
  EXPECT_EQ(written([&](THtSVGWriter& w) { w.Stroke(&pen); }),
            " stroke=\"#112233\" stroke-width=\"1.256\" stroke-dasharray=\"8,1,1,1\"");

  THtCustomPath p;
  p.MoveTo(0, 0);
  p.LineTo(4, 0);
  EXPECT_EQ(written([&](THtSVGWriter& w) { w.StrokePath(&p, &pen); }),
            "<path fill=\"none\" stroke=\"#112233\" stroke-width=\"1.26\" stroke-dasharray=\"8,1,1,1\" d=\"M0 "
            "0h4 \"/>");

  EXPECT_EQ(StringToUtf8(THtSVGWriter::StrokeStyle(0xFF000000, 2, hpsSolid, {4, 2.6f})),
            "stroke=\"#000000\" stroke-width=\"2\" stroke-dasharray=\"4,3\"");
  EXPECT_EQ(StringToUtf8(THtSVGWriter::StrokeStyle(0xFF000000, 2, hpsDot, {})),
            "stroke=\"#000000\" stroke-width=\"2\" stroke-dasharray=\"1\"");
  EXPECT_EQ(StringToUtf8(THtSVGWriter::StrokeStyleCSS(0xFF000000, 0.5f, hpsSolid, {4, 2.6f})),
            "stroke:#000000; stroke-width:.5; stroke-dasharray:4,3;");
  EXPECT_EQ(StringToUtf8(THtSVGWriter::StrokeStyleCSS(0xFF000000, 1, hpsDashDotDot, {})),
            "stroke:#000000; stroke-width:1; stroke-dasharray:8,1,1,1,1,1;");
}

}  // namespace
}  // namespace ht
