// Hit testing on laid-out and painted documents (Ahem metrics: every
// character is one font size wide): box edges, dragged and resized boxes,
// clipping, filters, stacking order, transforms, the nearest run, viewport
// and document points, absolute character positions and the view tests.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/text_element.h"
#include "support/ahem_canvas.h"

namespace ht::testing {
namespace {

class HitTestingTest : public ::testing::Test {
 protected:
  // Body margin 0 and 10 px Ahem text, painted on a 400 x 300 view.
  void Load(StringView Body, float OffsetY = 0) {
    Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType);
    Doc->Parse(u"<body style='margin:0;font:10px Ahem;line-height:10px'>" + String(Body) + u"</body>");
    Paint(OffsetY);
  }
  void Paint(float OffsetY = 0) { Doc->Draw(&Target, TRect(0, 0, 400, 300), TRect(0, 0, 400, 300), 0, OffsetY, 0); }
  TElement* ById(StringView Id) { return Doc->GetElementbyId(Id); }
  // The id of the element under a viewport point, its tag when it has no
  // id, "#text" for text and "-" for nothing.
  std::string At(int X, int Y, StringView Tag = {}, StringView Class = {}) { return Name(Doc->GetElementAt(X, Y, Tag, Class)); }
  static std::string Name(TElement* E) {
    if (!E) return "-";
    if (E->IsText()) return "#text";
    const String id = E->GetAttribute(u"id");
    return StringToUtf8(id.empty() ? E->Tag() : id);
  }

  std::unique_ptr<THtDocument> Doc;
  THtObject Target;
};

// A long flow is searched by bands of runs, a band whose reach misses the
// point passed over at once: every point still finds what each box's own
// test finds (the innermost first, then the first in the flow), or the body
// between and beside them, nothing below it. Some boxes stand moved down, some have a child
// overflowing into the next box, and lines of text run between them.
TEST_F(HitTestingTest, LongFlowsFindWhatEachBoxFinds) {
  String body;
  std::vector<std::pair<std::string, std::string>> order;  // element id, expected name
  for (int i = 0; i < 150; ++i) {
    const std::string n = std::to_string(i);
    const bool moved = i % 9 == 4;
    body += u"<div id=d" + Utf8ToString(n) + u" style='width:300px;height:30px" +
            (moved ? u";position:relative;top:12px" : u"") + u"'>box";
    // Overflowing into a box in place, never into text or a moved box,
    // which stand above it.
    if (i % 13 == 6 && i % 10 != 0 && i % 9 != 3) {
      body += u"<div id=c" + Utf8ToString(n) + u" style='width:200px;height:45px'></div>";
      order.emplace_back("c" + n, "c" + n);
    }
    body += u"</div>";
    order.emplace_back("d" + n, "d" + n);
    if (moved) {  // room for the moved box
      body += u"<div id=g" + Utf8ToString(n) + u" style='height:12px'></div>";
      order.emplace_back("g" + n, "g" + n);
    }
    if (i % 10 == 0) {
      body += u"<span id=s" + Utf8ToString(n) + u">" + String(35, u'x') + u"</span>";
      order.emplace_back("s" + n, "#text");
    }
  }
  Load(body);
  // One view over the whole page: a box's own test finds only drawn boxes.
  Doc->Draw(&Target, TRect(0, 0, 400, 5000), TRect(0, 0, 400, 5000), 0, 0, 0);
  std::map<std::string, int> found;
  for (int y = 0; y < 5000; y += 3) {
    std::string expected = Doc->BodyElement->HitTest(190, float(y), true, false) ? "body" : "-";
    for (const auto& [id, name] : order)
      if (ById(Utf8ToString(id))->HitTest(190, float(y), true, false)) {
        expected = name;
        break;
      }
    EXPECT_EQ(At(190, y), expected) << y;
    ++found[expected.substr(0, 1)];
  }
  // Boxes, their overflowing children and the lines between were all met.
  EXPECT_GT(found["d"], 1000);
  EXPECT_GT(found["c"], 20);
  EXPECT_GT(found["#"], 20);
}

TEST_F(HitTestingTest, EdgesAreHalfOpen) {
  Load(u"<div id=a style='position:absolute;left:10px;top:20px;width:100px;height:50px'></div>");
  TElement* a = ById(u"a");
  struct {
    float X, Y;
    bool Hit;
  } const cases[] = {{10, 20, true}, {109.9f, 69.9f, true}, {110, 40, false}, {50, 70, false},
                     {9.9f, 40, false}, {50, 19.9f, false}};
  for (const auto& c : cases) EXPECT_EQ(a->HitTest(c.X, c.Y, true, false), c.Hit) << c.X << "," << c.Y;
  EXPECT_EQ(At(10, 20), "a");
  EXPECT_EQ(At(109, 69), "a");
  EXPECT_EQ(At(110, 40), "body");
  EXPECT_EQ(At(50, 70), "body");
  EXPECT_FALSE(a->HitTest(50, 40, false, true));  // outside a clipping ancestor
}

TEST_F(HitTestingTest, DraggedIsNeverHitResizedAlways) {
  Load(u"<div id=p style='width:200px;height:100px'><div id=a style='width:50px;height:50px'></div></div>");
  TElement* a = ById(u"a");
  EXPECT_EQ(At(20, 20), "a");
  a->IncludeFlag(efDragMoved);
  EXPECT_FALSE(a->HitTest(20, 20, true, false));
  EXPECT_EQ(At(20, 20), "p");
  EXPECT_EQ(Doc->HitTestEx(20, 20), htInside);
  a->ExcludeFlag(efDragMoved);
  a->IncludeFlag(efHSizeTracking);
  EXPECT_TRUE(a->HitTest(300, 250, true, false));
  EXPECT_EQ(a->HitTestEx(300, 250), htInside);
}

TEST_F(HitTestingTest, ClippedChildrenAreMissedOutsideTheClip) {
  Load(u"<div id=p style='width:100px;height:50px;overflow:hidden'>"
       u"<div id=c style='width:300px;height:20px'></div>"
       u"<div id=abs style='position:absolute;left:150px;top:30px;width:20px;height:20px'></div></div>"
       u"<div id=v style='width:100px;height:50px'><div id=w style='width:300px;height:20px'></div></div>"
       u"<div style='width:100px;height:50px;overflow:hidden'><div style='height:50px'>"
       u"<div id=abs2 style='position:absolute;left:150px;top:130px;width:20px;height:20px'></div></div></div>");
  TElement* p = ById(u"p");
  EXPECT_TRUE(p->HitTest(50, 10, false, false));
  EXPECT_FALSE(p->HitTest(200, 10, false, false));  // the child sticks out of the clip
  EXPECT_EQ(At(200, 10), "body");
  EXPECT_EQ(At(50, 10), "c");
  // Without clipping the child is found where it sticks out.
  EXPECT_TRUE(ById(u"v")->HitTest(200, 60, false, false));
  EXPECT_EQ(At(200, 60), "w");
  // An absolute box escapes a clip that is not its container's.
  auto topmost = [&](float X, float Y) {
    IHtNodeList list = Doc->ElementsFromPoint(X, Y);
    return list->Count() ? Name(AsElement(list->GetNode(0))) : "-";
  };
  EXPECT_EQ(topmost(160, 40), "body");
  EXPECT_EQ(topmost(160, 140), "abs2");
}

TEST_F(HitTestingTest, FiltersByTagAndClassNeverMatchText) {
  Load(u"<p id=p style='margin:0'>aaaa <b id=b class=k>bb</b></p>");
  EXPECT_EQ(At(5, 5), "#text");
  EXPECT_EQ(At(5, 5, u"*"), "p");
  EXPECT_EQ(At(55, 5, u"*"), "b");
  EXPECT_EQ(At(55, 5, u"b"), "b");
  EXPECT_EQ(At(5, 5, u"b"), "-");
  EXPECT_EQ(At(55, 5, {}, u"k"), "b");
  EXPECT_EQ(At(5, 5, {}, u"k"), "-");
  EXPECT_EQ(At(55, 5, u"p"), "p");
  EXPECT_EQ(At(350, 250), "body");
  std::string under;
  IHtNodeList list = Doc->ElementsFromPoint(55, 5);
  for (int i = 0; i < list->Count(); ++i) under += Name(AsElement(list->GetNode(i))) + " ";
  EXPECT_EQ(under, "#text b p body html ");
}

TEST_F(HitTestingTest, ElementsFromPointTopmostFirstEachOnce) {
  Load(u"<div id=a style='width:200px;height:100px'><div id=b style='width:100px;height:50px'></div></div>"
       u"<div id=z style='position:absolute;left:20px;top:20px;width:30px;height:30px;z-index:2'></div>");
  auto names = [&](float X, float Y) {
    std::string s;
    IHtNodeList list = Doc->ElementsFromPoint(X, Y);
    for (int i = 0; i < list->Count(); ++i) s += (s.empty() ? "" : " ") + Name(AsElement(list->GetNode(i)));
    return s;
  };
  EXPECT_EQ(names(60, 10), "b a body html");
  EXPECT_EQ(names(30, 30), "z b a body html");
  EXPECT_EQ(names(150, 80), "a body html");
  EXPECT_EQ(names(std::numeric_limits<float>::quiet_NaN(), 10), "");
}

TEST_F(HitTestingTest, RotatedBoxIsHitWhereItIsPainted) {
  // A 100 x 20 bar turned a quarter about its centre stands upright.
  Load(u"<div id=a style='position:absolute;left:50px;top:40px;width:100px;height:20px;transform:rotate(90deg)'></div>");
  TElement* a = ById(u"a");
  EXPECT_TRUE(a->HitTest(100, 5, true, false));
  EXPECT_FALSE(a->HitTest(60, 50, true, false));
  EXPECT_EQ(At(100, 5), "a");
  EXPECT_EQ(At(60, 50), "body");
}

TEST_F(HitTestingTest, HitTestExAreas) {
  Load(u"<div id=a style='margin:10px;border:5px solid;padding:5px;width:100px;height:50px'></div>"
       u"<span id=s>ab</span>");
  TElement* a = ById(u"a");
  struct {
    int X, Y;
    THitTestArea Area;
  } const cases[] = {{50, 40, htInside}, {50, 15, htBefore}, {50, 82, htAfter},  {12, 40, htBefore},
                     {125, 40, htAfter}, {5, 5, htBefore},   {200, 40, htOutside}, {50, 100, htOutside}};
  for (const auto& c : cases) EXPECT_EQ(a->HitTestEx(c.X, c.Y), c.Area) << c.X << "," << c.Y;
  TElement* s = ById(u"s");
  const TRectF r = s->Rects(0);
  EXPECT_EQ(s->HitTestEx(int(r.Left + s->RealLeft()) + 1, int(r.Top + s->RealTop()) + 1), htInside);
  EXPECT_EQ(s->HitTestEx(int(r.Right + s->RealLeft()) + 5, int(r.Top + s->RealTop()) + 1), htOutside);
}

TEST_F(HitTestingTest, NearestRun) {
  Load(u"<p id=p style='margin:0;width:50px'>aa bb cc</p><p id=e style='margin:0'></p>");
  TElement* p = ById(u"p");
  // Two lines of 10 px: "aa bb " and "cc".
  const THtLineBlock* onLine = p->GetNearestLineBlockAt(35, 3);
  ASSERT_TRUE(onLine);
  EXPECT_EQ(onLine->Line, 0);
  EXPECT_EQ(onLine->Text(), u"bb");
  const THtLineBlock* below = p->GetNearestLineBlockAt(5, 200);
  ASSERT_TRUE(below);
  EXPECT_EQ(below->Line, 1);
  EXPECT_EQ(below->Text(), u"cc");
  TElement* e = ById(u"e");
  EXPECT_EQ(e->GetNearestLineBlockAt(5, 30), e->FirstRun());

  TElement* found = nullptr;
  int pos = -1;
  Doc->GetNearestElement(42, 5, found, pos);
  ASSERT_TRUE(found);
  EXPECT_TRUE(found->IsText());
  EXPECT_EQ(pos, 5);  // after "aa bb" up to its middle: before the last "b"
  // Text standing right of the origin, a point at the end of the int range.
  Load(u"<p style='margin:0 0 0 40px'>aa bb</p>");
  Doc->GetNearestElement(INT_MIN, 5, found, pos);
  ASSERT_TRUE(found);
  EXPECT_EQ(pos, 1);
}

TEST_F(HitTestingTest, ViewportAndDocumentPoints) {
  Load(u"<div style='height:2000px'></div>", -40);
  Doc->Surface->SetScaleFactor(2.5f);
  const TPointF d = Doc->ViewporttoDocument(TPointF{100, 50});
  EXPECT_FLOAT_EQ(d.X, 40);
  EXPECT_FLOAT_EQ(d.Y, 60);
  const TPointF v = Doc->DocumenttoViewport(d);
  EXPECT_FLOAT_EQ(v.X, 100);
  EXPECT_FLOAT_EQ(v.Y, 50);
  EXPECT_EQ(Doc->DocOffsetY(), -40);
  // A scale that is no scale never divides by 0 nor makes NaN.
  for (float bad : {0.0f, std::numeric_limits<float>::quiet_NaN()}) {
    Doc->Surface->SetScaleFactor(bad);
    const TPointF b = Doc->ViewporttoDocument(TPointF{100, 50});
    EXPECT_TRUE(std::isfinite(b.X) && std::isfinite(b.Y));
    Doc->GetElementAt(INT_MAX, INT_MIN);
    Doc->ElementsFromPoint(float(INT_MAX), -2147483648.0f);
    TElement* e = nullptr;
    int pos = 0;
    Doc->GetNearestElement(INT_MIN, INT_MAX, e, pos);
  }
}

TEST_F(HitTestingTest, AbsoluteCharacterPositions) {
  Load(u"<p>abc<img id=i style='width:10px;height:10px'>de</p>");
  EXPECT_EQ(Doc->GetElementbyAbsolutePosition(-1, false), nullptr);
  TElement* first = Doc->GetElementbyAbsolutePosition(1, false);
  ASSERT_TRUE(first && first->IsText());
  EXPECT_EQ(first->GetInnerText(), u"abc");
  const int end = first->AbsoluteLinePosition() + first->AbsolutePositionDelta();
  EXPECT_EQ(Doc->GetElementbyAbsolutePosition(end, false), first);
  EXPECT_EQ(Doc->GetElementbyAbsolutePosition(end, true), ById(u"i"));
  int pos = first->AbsoluteLinePosition() + 1;
  const THtLineBlock* run = Doc->GetLineBlockbyAbsoluteCharPosition(pos);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->E, first);
  EXPECT_EQ(pos, 2);
}

TEST_F(HitTestingTest, ViewTestsAndLastLine) {
  Load(u"<div id=a style='height:50px'></div><div style='height:1000px'></div>"
       u"<div id=b style='height:50px;box-shadow:0 -20px 10px black'></div>"
       u"<p id=p style='margin:0;width:50px'><span id=s>aa bb cc</span></p>");
  TElement* a = ById(u"a");
  TElement* b = ById(u"b");
  EXPECT_TRUE(a->IsVisibleInView(a->RealLeft(), a->RealTop()));
  // Drawn with its border box's top at y: the shadow reaches 30 px above it.
  auto shownAt = [&](float y) { return b->IsVisibleInView(b->RealLeft(), y - b->BorderRect().Top); };
  EXPECT_TRUE(shownAt(320));
  EXPECT_FALSE(shownAt(340));
  EXPECT_TRUE(a->RectInView(TRect(0, 299, 10, 310)));
  EXPECT_FALSE(a->RectInView(TRectF{0, 300, 10, 310}));
  TElement* s = ById(u"s");
  EXPECT_EQ(s->StartLine(), 0);
  EXPECT_EQ(s->EndLine(), 1);
  EXPECT_EQ(ById(u"p")->EndLine(), ById(u"p")->StartLine());
}

}  // namespace
}  // namespace ht::testing
