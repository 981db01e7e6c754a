// Pointer input through the document's entry points on laid-out pages:
// hover chains, cursors, clicks and the active state, the wheel over
// overflow areas, the mouse and touch selection, dragging (thresholds,
// drops written back, drag-over chains, sortable lists) and
// interactive sizing with edges and designer handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <limits>
#include <string>

#include "document/computed_style.h"
#include "layout/overflow_data.h"
#include "paint/pointer.h"
#include "paint/pointer_fixture.h"

namespace ht::testing {
namespace {

TEST_F(PointerTest, HoverFollowsTheInnermostElementsChain) {
  Load(
      u"<div id=p style='position:absolute;left:0;top:0;width:200px;height:100px;padding:20px'>"
      u"<div id=c style='width:50px;height:30px'></div></div>"
      u"<div id=u style='position:absolute;left:300px;top:0;width:50px;height:50px'></div>");
  Move(30, 30);
  EXPECT_EQ(Doc->Event.Target, Id(u"c"));
  EXPECT_EQ(Entered, (V{"c", "p"}));
  Clear();
  // Into the parent's padding: the child alone leaves.
  Move(10, 10);
  EXPECT_EQ(Left, (V{"c"}));
  EXPECT_TRUE(Entered.empty());
  EXPECT_EQ(Of("mousemove"), (V{"p"}));
  Clear();
  // To an unrelated box: the old chain leaves up to the common ancestor.
  Move(310, 10);
  EXPECT_EQ(Left, (V{"p"}));
  EXPECT_EQ(Entered, (V{"u"}));
  EXPECT_EQ(Of("mouseout"), (V{"p"}));
  EXPECT_EQ(Of("mouseover"), (V{"u"}));
  Clear();
  // Outside every element but the root's chain: nothing left hovered below it.
  Move(390, 290);
  EXPECT_EQ(Left, (V{"u"}));
}

TEST_F(PointerTest, CursorsPointerEventsAndResizeEdges) {
  Load(
      u"<div id=o style='position:absolute;left:0;top:0;width:100px;height:100px;cursor:help'>"
      u"<div id=i style='width:50px;height:50px;cursor:pointer'></div>"
      u"<div id=n style='width:50px;height:20px;pointer-events:none'></div></div>"
      u"<div id=r style='position:absolute;left:200px;top:0;width:100px;height:50px;resize:both;overflow:hidden'>"
      u"</div>");
  Move(10, 10);
  EXPECT_EQ(Doc->Event.Target, Id(u"i"));
  EXPECT_EQ(Doc->Cursor, crHandPoint);  // the inner cursor wins
  EXPECT_EQ(Host.Cursor(), crHandPoint);
  Move(10, 60);
  EXPECT_EQ(Doc->Event.Target, Id(u"o"));  // through pointer-events: none
  EXPECT_EQ(Doc->Cursor, crHelp);
  Move(297, 10);
  EXPECT_EQ(Doc->Cursor, crHSplit);
  EXPECT_EQ(Doc->SizingElement, Id(u"r"));
  Move(296, 10);
  EXPECT_EQ(Doc->SizingElement, nullptr);
  EXPECT_EQ(Doc->Cursor, crDefault);
  Move(250, 47);
  EXPECT_EQ(Doc->Cursor, crVSplit);
  // Outside the client area: the default cursor, nothing proposed.
  Move(-1000, -1000);
  EXPECT_EQ(Doc->Cursor, crDefault);
  EXPECT_EQ(Doc->SizingElement, nullptr);
}

TEST_F(PointerTest, PressAndReleaseKeepActiveAndClick) {
  Load(
      u"<div id=d style='position:absolute;left:0;top:0;width:100px;height:100px'>"
      u"<div id=s style='width:40px;height:40px'></div>"
      u"<a id=a href='x' style='display:block;width:40px;height:40px'></a></div>");
  Press(10, 10);
  EXPECT_EQ(Of("mousedown"), (V{"s", "d"}));
  EXPECT_TRUE(ElementStyleOf(Id(u"d"))->CurrentPC & (1u << pcActive));
  // A second press without a release queues no second "mousedown".
  Press(10, 10);
  EXPECT_EQ(Of("mousedown"), (V{"s", "d"}));
  Clear();
  Release(10, 10);
  EXPECT_EQ(Adapter.Log, (V{"s:mouseup", "s:click", "d:mouseup", "d:click"}));
  EXPECT_EQ(Clicked.front(), "s");
  EXPECT_FALSE(ElementStyleOf(Id(u"d"))->CurrentPC & (1u << pcActive));
  // A release where nothing was pressed queues nothing.
  Clear();
  Release(10, 10);
  EXPECT_TRUE(Adapter.Log.empty());
  // A link's click is the last event run: its ancestors get none.
  Press(10, 50);
  Clear();
  Release(10, 50);
  EXPECT_EQ(Clicked, (V{"a"}));
  EXPECT_EQ(Of("mouseup"), (V{"a"}));
  // A double click queues "click" and "dblclick" for each element.
  Press(10, 10);
  Clear();
  Release(10, 10, ssLeft | ssDouble);
  EXPECT_EQ(Of("dblclick"), (V{"s", "d"}));
}

TEST_F(PointerTest, AHandlerDeletingThePressedElementMidRelease) {
  Load(
      u"<div id=d style='position:absolute;left:0;top:0;width:100px;height:100px'>"
      u"<div id=s style='width:40px;height:40px'><div id=t style='height:20px'></div></div></div>");
  Adapter.OnRun = [this](TElement* E, StringView Event) {
    if (Event == u"mouseup" && E->GetAttribute(u"id") == u"t") Id(u"d")->DeleteChild(Id(u"s"));
  };
  Press(10, 10);
  Clear();
  Release(10, 10);
  EXPECT_EQ(Id(u"s"), nullptr);
  EXPECT_EQ(Of("mouseup"), (V{"t", "d"}));
  // Moves and presses go on over what is left.
  Move(10, 10);
  EXPECT_EQ(Doc->Event.Target, Id(u"d"));
  Press(10, 10);
  Release(10, 10);
}

TEST_F(PointerTest, WheelScrollsOverflowAreasAndRoundsHalfAway) {
  Load(
      u"<div id=s style='position:absolute;left:0;top:0;width:100px;height:100px;overflow:auto'>"
      u"<div style='height:1000px'></div></div>");
  TElement* s = Id(u"s");
  ASSERT_TRUE(s->FOverflowData);
  s->FOverflowData->SetVOffset(50);
  Doc->OnMouseWheel(0, 120, TPoint{10, 10});
  EXPECT_EQ(s->FOverflowData->VOffset, 38);
  Doc->OnMouseWheel(0, -125, TPoint{10, 10});
  EXPECT_EQ(s->FOverflowData->VOffset, 50);
  Doc->OnMouseWheel(0, 120, TPoint{200, 200});  // not over the area
  EXPECT_EQ(s->FOverflowData->VOffset, 50);
  // A document point of 2.5: the wheel rounds it to 3, a press to 2.
  Doc->FDocOffsetX = 0.5f;
  Doc->OnMouseWheel(0, 0, TPoint{3, 3});
  EXPECT_EQ(Doc->Event.PageX, 3);
  Doc->OnMouseDown(3, 3, true, 0);
  EXPECT_EQ(Doc->Event.PageX, 2);
}

TEST_F(PointerTest, CoordinatesAtTheLimitsAndABrokenScale) {
  Load(u"<div id=d style='position:absolute;left:0;top:0;width:100px;height:100px' draggable=true></div>");
  for (float scale : {0.0f, std::numeric_limits<float>::quiet_NaN(), 2.5f}) {
    Doc->Surface->SetScaleFactor(scale);
    for (int v : {INT_MIN, -1, 0, INT_MAX}) {
      Move(v, v);
      Press(v, v);
      Move(v, v, ssLeft);
      Release(v, v);
      Doc->OnMouseWheel(0, v, TPoint{v, v});
    }
  }
  SUCCEED();
}

TEST_F(PointerTest, TouchReleaseKeepsTheSelectionAfterAScroll) {
  Load(u"<p id=p style='margin:0'>Some words to select here</p>");
  Doc->TouchEnabled = true;
  for (auto [offset, kept] : {std::pair{-6.0f, true}, std::pair{-5.0f, false}}) {
    Doc->FDocOffsetY = 0;
    Doc->Selection.SelectAll();
    ASSERT_FALSE(Doc->Selection.Empty());
    Press(300, 200, ssLeft | ssTouch);
    Doc->FDocOffsetY = offset;
    Release(300, 200, ssLeft | ssTouch);
    EXPECT_EQ(!Doc->Selection.Empty(), kept) << offset;
  }
  // A double-click release never clears it.
  Doc->FDocOffsetY = 0;
  Doc->Selection.SelectAll();
  Press(300, 200, ssLeft | ssTouch);
  Release(300, 200, ssLeft | ssTouch | ssDouble);
  EXPECT_FALSE(Doc->Selection.Empty());
}

TEST_F(PointerTest, MouseSelectionFollowsTheButton) {
  Load(u"<p id=p style='margin:0;font:20px Arial'>Some words to select here</p>");
  Doc->EnableSelection = true;
  Press(2, 10);
  ASSERT_NE(Doc->Selection.StartElement(), nullptr);
  Move(150, 10, ssLeft);
  EXPECT_FALSE(Doc->Selection.Empty());
  EXPECT_GT(Doc->Selection.EndPos, Doc->Selection.StartPos);
  Release(150, 10);
  EXPECT_FALSE(Doc->Selection.Empty());
  // A plain press clears it; with Shift it stays and the move extends it.
  const int end = Doc->Selection.EndPos;
  Press(200, 10, ssLeft | ssShift);
  Move(200, 10, ssLeft | ssShift);
  EXPECT_GT(Doc->Selection.EndPos, end);
  Release(200, 10);
  Doc->EnableSelection = false;
  Press(100, 10);
  EXPECT_TRUE(Doc->Selection.Empty());
}

TEST_F(PointerTest, NestedDetailsAllToggleOnARelease) {
  Load(
      u"<details id=o><summary style='display:block;height:20px'>a</summary>"
      u"<details id=i><summary id=s style='display:block;height:20px'>b</summary><p>c</p></details></details>");
  TElement* outer = Id(u"o");
  TElement* inner = Id(u"i");
  outer->SetPseudoClass(pcChecked, true, false);
  Doc->RecalcStyles();
  Paint();
  Press(5, 25);
  Release(5, 25);
  EXPECT_TRUE(ElementStyleOf(inner)->CurrentPC & (1u << pcChecked));
  EXPECT_FALSE(ElementStyleOf(outer)->CurrentPC & (1u << pcChecked));
}

TEST_F(PointerTest, AHoverColourChangeRepaintsOnlyItsRectangle) {
  Load(
      u"<style>#h{background:#ff0000} #h:hover{background:#0000ff} #w{width:50px} #w:hover{width:90px}</style>"
      u"<div id=h style='position:absolute;left:20px;top:30px;width:50px;height:40px'></div>"
      u"<div id=w style='position:absolute;left:200px;top:30px;height:40px;background:#00ff00'></div>");
  std::vector<TRect> painted;
  Doc->BeforeBeginScene = [&](THtDocument*, THtCanvasScene& Scene) { painted = Scene.UpdateRects; };
  Move(300, 250);  // the root's chain is hovered first
  Paint();
  Move(30, 40);
  // The box and its next sibling, which kept their places.
  ASSERT_EQ(Doc->DamageRects.size(), 2u);
  const TRect r = Doc->DamageRects[0];
  EXPECT_TRUE(r.Left <= 20 && r.Top <= 30 && r.Right >= 70 && r.Bottom >= 70 && r.Right <= 75 && r.Bottom <= 75)
      << r.Left << " " << r.Top << " " << r.Right << " " << r.Bottom;
  Paint();
  EXPECT_EQ(painted.size(), 2u);
  EXPECT_EQ(Target.Surface().Pixel(40, 50), 0xFF0000FFu);
  std::vector<uint32_t> partial;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) partial.push_back(Target.Surface().Pixel(x, y));
  // A whole repaint gives the same picture.
  Doc->Repaint();
  Paint();
  EXPECT_TRUE(painted.empty());
  size_t differ = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) differ += partial[size_t(y) * 400 + size_t(x)] != Target.Surface().Pixel(x, y);
  EXPECT_EQ(differ, 0u);
  // A hover change of layout repaints everything.
  Move(210, 40);
  EXPECT_TRUE(Doc->DamageRects.empty());
  Paint();
  EXPECT_TRUE(painted.empty());
}

// ---------------------------------------------------------------- dragging

TEST_F(PointerTest, DragStartsBeyondTenPixelsAndDropWritesLeftTop) {
  Load(u"<div id=g style='position:absolute;left:10px;top:10px;width:50px;height:50px' draggable=true></div>");
  TElement* g = Id(u"g");
  Press(20, 20);
  EXPECT_EQ(Doc->DragElement, g);
  Move(30, 30, ssLeft);
  EXPECT_FALSE(g->HasFlag(efDragMoved));
  EXPECT_TRUE(Of("dragstart").empty());
  Move(31, 20, ssLeft);
  EXPECT_TRUE(g->HasFlag(efDragMoved));
  EXPECT_EQ(Of("dragstart"), (V{"g"}));
  EXPECT_EQ(Doc->DragX, 11);
  Clear();
  Release(31, 20);
  const std::string style = utf8(g->GetAttribute(u"style"));
  EXPECT_NE(style.find("left:21px;top:10px"), std::string::npos) << style;
  EXPECT_EQ(Of("dragend"), (V{"g"}));
  // The element that was dragged raises no "mouseup" or click.
  EXPECT_TRUE(Of("mouseup").empty());
  EXPECT_TRUE(Of("click").empty());
  EXPECT_EQ(Doc->DragElement, nullptr);
  EXPECT_FALSE(g->HasFlag(efDragMoved));
  EXPECT_EQ(Doc->DragX, 0);

  // Ten pixels each way is no drag: the element stays where it was.
  Load(u"<div id=g style='position:absolute;left:10px;top:10px;width:50px;height:50px' draggable=true></div>");
  Press(20, 20);
  Move(30, 30, ssLeft);
  Release(30, 30);
  EXPECT_TRUE(Id(u"g")->GetAttribute(u"style").find(u"left: 20px") == String::npos);
  EXPECT_EQ(Of("click"), (V{"g"}));
}

TEST_F(PointerTest, DroppingAStaticElementAddsToItsTranslation) {
  Load(u"<div id=t style='width:50px;height:50px;transform:translate(5px)' draggable=true></div>");
  Press(20, 20);
  Move(40, 30, ssLeft);
  Release(40, 30);
  const std::string style = utf8(Style(u"t"));
  EXPECT_NE(style.find("translate(25"), std::string::npos) << style;
  EXPECT_NE(style.find("10)"), std::string::npos) << style;
  // The style attribute is not rewritten.
  EXPECT_EQ(utf8(Id(u"t")->GetAttribute(u"style")).find("25"), std::string::npos);
  EXPECT_EQ(ElementStyleOf(Id(u"t"))->Position(), epStatic);
}

TEST_F(PointerTest, DragOverChainsEnterAndLeave) {
  Load(
      u"<div id=g style='position:absolute;left:0;top:0;width:20px;height:20px' draggable=true></div>"
      u"<div id=a style='position:absolute;left:100px;top:0;width:100px;height:100px'>"
      u"<div id=b style='width:50px;height:50px'></div></div>"
      u"<div id=c style='position:absolute;left:250px;top:0;width:50px;height:50px'></div>");
  Press(5, 5);
  Move(120, 70, ssLeft);
  EXPECT_EQ(Of("dragenter"), (V{"a"}));
  Clear();
  Move(120, 20, ssLeft);  // from a to its child b
  EXPECT_EQ(Of("dragenter"), (V{"b", "a"}));
  EXPECT_TRUE(Of("dragleave").empty());
  Clear();
  Move(260, 20, ssLeft);  // to an unrelated c
  EXPECT_EQ(Of("dragenter"), (V{"c"}));
  EXPECT_EQ(Of("dragleave"), (V{"b", "a"}));
  Clear();
  Release(260, 20);
  EXPECT_EQ(Of("drop"), (V{"c"}));
  EXPECT_EQ(Of("dragleave"), (V{"c"}));
}

TEST_F(PointerTest, SortableListsReorderAtHalfway) {
  const String item = u" style='display:inline-block;width:40px;height:20px' draggable=true></div>";
  Load(u"<div id=l class=sortable style='width:300px'><div id=i1" + item + u"<div id=i2" + item +
       u"<div id=i3" + item + u"</div>");
  TElement* list = Id(u"l");
  Press(10, 10);
  Move(70, 10, ssLeft);  // the left edge halfway over i2
  Release(70, 10);
  ASSERT_EQ(list->GetChild(1), Id(u"i1"));
  EXPECT_EQ(list->GetChild(0), Id(u"i2"));
  EXPECT_EQ(list->GetChild(2), Id(u"i3"));
}

// ---------------------------------------------------------------- sizing

TEST_F(PointerTest, ResizeHandleGrabAreas) {
  const TRectF r{100, 100, 200, 200};
  const struct {
    int X, Y;
    uint8_t Handle;
  } cases[] = {{96, 96, 1},   {95, 100, 0},  {108, 108, 1}, {109, 120, 0}, {150, 96, 2}, {204, 96, 3},
               {96, 150, 4},  {204, 150, 5}, {96, 204, 6},  {150, 204, 7}, {192, 192, 8}, {150, 150, 0}};
  for (const auto& c : cases) EXPECT_EQ(ResizeHandleAt(r, c.X, c.Y), c.Handle) << c.X << "," << c.Y;
  EXPECT_EQ(ResizeHandleCursor(1), crSizeNWSE);
  EXPECT_EQ(ResizeHandleCursor(6), crSizeNESW);
  EXPECT_EQ(ResizeHandleCursor(9), crDefault);
}

TEST_F(PointerTest, ImagesKeepTheirAspectUnlessShiftIsHeld) {
  for (bool shift : {false, true}) {
    Load(u"<img id=m style='position:absolute;left:0;top:0;width:100px;height:50px;resize:both'>");
    Doc->ProportionalImageResize = true;
    Move(98, 20);
    ASSERT_EQ(Doc->SizingElement, Id(u"m"));
    Press(98, 20, shift ? ssLeft | ssShift : ssLeft);
    EXPECT_TRUE(Id(u"m")->HasFlag(efHSizeTracking));
    Move(150, 20, ssLeft);
    EXPECT_EQ(Doc->FUserWidth, 150);
    EXPECT_EQ(Doc->FUserHeight, shift ? 0 : 75);
    Release(150, 20);
    const std::string style = utf8(Id(u"m")->GetAttribute(u"style"));
    EXPECT_NE(style.find("width:150px"), std::string::npos) << style;
    EXPECT_EQ(style.find("height:75px") != std::string::npos, !shift) << style;
    EXPECT_EQ(Doc->SizingElement, nullptr);
    EXPECT_FALSE(Id(u"m")->HasFlag(efHSizeTracking));
  }
}

TEST_F(PointerTest, CornerPressSizesBothWaysAndTheLeftHandleWidens) {
  Load(u"<div id=b style='position:absolute;left:50px;top:0;width:100px;height:50px;resize:both'></div>");
  Move(149, 49);
  Press(150, 50);
  TElement* b = Id(u"b");
  EXPECT_TRUE(b->HasFlag(efHSizeTracking) && b->HasFlag(efVSizeTracking));
  EXPECT_EQ(Doc->FSizingHandle, 8);
  Release(150, 50);

  b->IncludeFlag(efDesignerSelected);
  Move(52, 25);
  EXPECT_EQ(Doc->Cursor, crSizeWE);
  Press(52, 25);
  EXPECT_EQ(Doc->FSizingHandle, 4);
  Move(40, 25, ssLeft);
  EXPECT_EQ(Doc->FUserWidth, 110);
  EXPECT_EQ(Doc->Cursor, crSizeWE);
  Release(40, 25);
  EXPECT_NE(utf8(b->GetAttribute(u"style")).find("width:110px"), std::string::npos);
}

}  // namespace
}  // namespace ht::testing
