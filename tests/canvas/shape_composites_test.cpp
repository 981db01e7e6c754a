#include "canvas/shape_composites.h"

#include <gtest/gtest.h>

#include <functional>

#include "canvas/path_records.h"
#include "support/trace_canvas.h"

namespace ht {
namespace {

using testing::TraceNum;
using testing::TTraceCanvas;

// A trace canvas that also notes the colour each string is drawn in.
class TColorTraceCanvas : public TTraceCanvas {
 public:
  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override {
    TTraceCanvas::DrawString(s, R, Font, TextStyle, AFirstChar, ALength);
    char buf[16];
    snprintf(buf, sizeof buf, " %08X", TextStyle.Color);
    Calls.back() += buf;
  }
};

TEST(ShapeComposites, PrimitivePaths) {
  TTraceCanvas c;
  THtPen pen(0xFF000000, 1);
  THtBrush brush(0xFF00FF00);
  c.FillEllipse(&brush, 0, 0, 10, 20);
  c.DrawEllipse(&pen, 0, 0, 10, 20);
  c.FillRoundRect(&brush, TRectF(0, 0, 10, 5), 0, 0);
  c.FillRoundRect(&brush, TRectF(0, 0, 10, 6), 2, 3);
  EXPECT_EQ(c.Joined(),
            "FillPath FF00FF00 [A 0,0,10,20,0,359.9 Z]\n"
            "DrawPath FF000000/1 [A 0,0,10,20,0,360 Z]\n"
            "FillPath FF00FF00 [M 0,0 L 10,0 L 10,5 L 0,5 L 0,0]\n"
            "FillPath FF00FF00 [M 2,0 L 8,0 A 6,0,4,6,270,90 L 10,3 A 6,0,4,6,360,90 L 2,6 A 0,0,4,6,90,90 "
            "L 0,3 A 0,0,4,6,180,90]\n");
}

TEST(ShapeComposites, RoundRect) {
  TTraceCanvas c;
  THtPen pen(0xFF000000, 2);
  // A corner radius reaching past half the width strokes an ellipse.
  RoundRect(c, &pen, TRectF(0, 0, 100, 20), 60, 2);
  ASSERT_EQ(c.Calls.size(), 1u);
  EXPECT_EQ(c.Calls[0], "DrawPath FF000000/2 [A 0,0,100,20,0,360 Z]");

  c.Calls.clear();
  RoundRect(c, &pen, TRectF(0, 0, 100, 20), 10, 4);
  EXPECT_EQ(c.Joined(),
            "DrawPath FF000000/2 [A 0,0,20,8,178,94]\n"
            "DrawPath FF000000/2 [M 11,1 L 89,1]\n"
            "DrawPath FF000000/2 [A 78,0,20,8,268,94]\n"
            "DrawPath FF000000/2 [M 99,5 L 99,15]\n"
            "DrawPath FF000000/2 [A 78,10,20,8,358,94]\n"
            "DrawPath FF000000/2 [M 89,19 L 11,19]\n"
            "DrawPath FF000000/2 [A 0,10,20,8,88,94]\n"
            "DrawPath FF000000/2 [M 1,5 L 1,15]\n");

  // A vertical radius beyond half the height: the corner box is the full
  // height.
  c.Calls.clear();
  RoundRect(c, &pen, TRectF(0, 0, 100, 20), 10, 30);
  EXPECT_EQ(c.Calls[0], "DrawPath FF000000/2 [A 0,0,20,20,178,94]");
}

TEST(ShapeComposites, WavyLine) {
  struct Case {
    float x2;
    const char* path;
  } cases[] = {
      {10, "[M 0,6 L 3,4 L 6,6 L 9,4]"},
      {7, "[M 0,6 L 3,4 L 6,6 L 7,4]"},
      {0, "[M 0,6]"},
  };
  THtPen pen(0xFFFF0000, 1);
  for (const Case& k : cases) {
    TTraceCanvas c;
    DrawWavyLine(c, 0, 5, k.x2, 99, &pen);
    ASSERT_EQ(c.Calls.size(), 1u);
    EXPECT_EQ(c.Calls[0], std::string("DrawPath FFFF0000/1 ") + k.path) << k.x2;
  }
  // Nothing drawn for coordinates that are not numbers; a huge line ends.
  TTraceCanvas c;
  DrawWavyLine(c, 0, 5, std::numeric_limits<float>::infinity(), 5, &pen);
  EXPECT_TRUE(c.Calls.empty());
  DrawWavyLine(c, 0, 5, 1e9f, 5, &pen);
  EXPECT_EQ(c.Calls.size(), 1u);
}

TEST(ShapeComposites, ControlGlyphs) {
  const TRectF r(0, 0, 13, 13);
  TTraceCanvas check;
  DrawCheck(check, r, 96, true, false, true, true);  // disabled wins over hover
  EXPECT_EQ(check.Joined(),
            "DrawPath FFAAAAAA/1 [M 1,1 L 12,1 L 12,12 L 1,12 L 1,1]\n"
            "DrawPath FFAAAAAA/2 [M 4,5 L 6,8]\n"
            "DrawPath FFAAAAAA/2 [M 6,8 L 11,3]\n");

  TTraceCanvas hover;
  DrawCheck(hover, r, 96, false, false, true, false);
  EXPECT_EQ(hover.Calls.size(), 1u);
  EXPECT_EQ(hover.Calls[0].substr(0, 17), "DrawPath FF000050");

  TTraceCanvas radio;
  DrawRadio(radio, r, 96, true, false, false, false);
  EXPECT_EQ(radio.Joined(),
            "DrawPath FF000000/1 [A 0,0,10,10,0,360 Z]\n"
            "FillPath FF000000 [A 3,3,4,4,0,359.9 Z]\n");

  TTraceCanvas button;
  DrawButton(button, TRectF(0, 0, 60, 20), 96, false, true, true, false);
  ASSERT_GE(button.Calls.size(), 2u);
  EXPECT_EQ(button.Calls[0].substr(0, 8), "FillPath");
  EXPECT_EQ(button.Calls[1].substr(0, 17), "DrawPath FF505090");  // Active wins over hover
}

TEST(ShapeComposites, TextShadowGoesUnderTheText) {
  TColorTraceCanvas c;
  THtTextStyle style;
  style.Color = 0xFF000000;
  DrawTextShadow(c, u"Hi", TRectF(5, 5, 50, 20), style, nullptr, 0, 0, 3, 0x80FF0000);
  EXPECT_EQ(c.Joined(),
            "DrawString \"Hi\" 5,5  80FF0000\n"
            "DrawString \"Hi\" 5,5  FF000000\n");
  c.Calls.clear();
  DrawTextShadow(c, u"Hi", TRectF(5, 5, 50, 20), style, nullptr, 2, -1, 0, 0xFF808080);
  EXPECT_EQ(c.Calls[0], "DrawString \"Hi\" 7,4  FF808080");
}

// A trace canvas of the base canvas class: its paths are the base's record
// lists, traced as their class and path data.
class TBaseClassCanvas : public TTraceCanvas {
 public:
  const THtCanvasClass* ClassRefOf() const override { return &THtCanvas::ClassType; }
  void DrawPath(THtPen*, THtPath* Path) override { Calls.push_back("DrawPath " + describe(Path)); }
  void FillPath(THtBrush*, THtPath* Path) override { Calls.push_back("FillPath " + describe(Path)); }

 private:
  static std::string describe(THtPath* Path) {
    const bool records = Path->ClassRefOf() == &THtCustomPath::ClassType;
    return (records ? "[" : "other [") + StringToUtf8(PathAsString(Path)) + "]";
  }
};

TEST(CanvasComposites, BaseCanvasDrawsThroughRecordPaths) {
  TBaseClassCanvas c;
  THtPen pen(0xFF000000, 1);
  THtBrush brush(0xFF00FF00);
  c.DrawLine(&pen, 1, 2, 3, 4);
  c.FillRectangle(&brush, 0, 0, 10, 5);
  c.DrawWavyLine(0, 5, 7, 99, &pen);
  c.DrawCheck(TRectF(0, 0, 13, 13), 96, false, false, false, false);
  EXPECT_EQ(c.Joined(),
            "DrawPath [M1 2l2 2 ]\n"
            "FillPath [M0 0h10 v5 h-10 z]\n"
            "DrawPath [M0 6l3 -2 3 2 1 -2 ]\n"
            "DrawPath [M1 1h11 v11 h-11 z]\n");
}

TEST(CanvasComposites, OperationsDefaultToTheBaseDrawings) {
  const TRectF r(0, 0, 13, 13);
  THtPen pen(0xFFFF0000, 1);
  THtTextStyle style;
  // Each virtual operation against the base drawing it stands for.
  const std::function<void(THtCanvas&, bool)> cases[] = {
      [&](THtCanvas& c, bool op) {
        op ? c.DrawCheck(r, 96, true, false, true, false) : DrawCheck(c, r, 96, true, false, true, false);
      },
      [&](THtCanvas& c, bool op) {
        op ? c.DrawRadio(r, 96, true, false, false, true) : DrawRadio(c, r, 96, true, false, false, true);
      },
      [&](THtCanvas& c, bool op) {
        op ? c.DrawButton(r, 96, false, false, true, false) : DrawButton(c, r, 96, false, false, true, false);
      },
      [&](THtCanvas& c, bool op) { op ? c.RoundRect(&pen, r, 3, 2) : RoundRect(c, &pen, r, 3, 2); },
      [&](THtCanvas& c, bool op) { op ? c.DrawWavyLine(2, 5, 20, 9, &pen) : DrawWavyLine(c, 2, 5, 20, 9, &pen); },
      [&](THtCanvas& c, bool op) {
        op ? c.DrawTextShadow(u"Hi", r, style, nullptr, 2, 1, 0, 0xFF808080)
           : DrawTextShadow(c, u"Hi", r, style, nullptr, 2, 1, 0, 0xFF808080);
      },
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TColorTraceCanvas viaOperation, direct;
    cases[i](viaOperation, true);
    cases[i](direct, false);
    EXPECT_FALSE(direct.Calls.empty()) << i;
    EXPECT_EQ(viaOperation.Joined(), direct.Joined()) << i;
  }
}

TEST(CanvasComposites, ButtonOutlineUsesTheCanvasRoundRect) {
  struct TOwnRoundRect : TTraceCanvas {
    void RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) override {
      Calls.push_back("RoundRect " + TraceNum(Pen->GetWidth()) + " " + TraceNum(R.Right) + " " +
                      TraceNum(RadiusX) + "," + TraceNum(RadiusY));
    }
  } c;
  c.DrawButton(TRectF(0, 0, 60, 20), 96, false, false, false, false);
  ASSERT_EQ(c.Calls.size(), 2u);
  EXPECT_EQ(c.Calls[0].substr(0, 8), "FillPath");
  EXPECT_EQ(c.Calls[1], "RoundRect 1 60 5,5");
}

}  // namespace
}  // namespace ht
