// Overflow data and element scroll bars over a fake host control. Boxes get
// their sizes by hand: the bars only read them.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "layout/flow.h"
#include "layout_fixture.h"
#include "support/fake_scroll_bar.h"

namespace ht::testing {

class OverflowTest : public LayoutTest {
 protected:
  // A box of 200 x 100 with the style Css; its content ContentW x ContentH.
  TElement* Box(StringView Css, float ContentW = 0, float ContentH = 0, bool WithHost = true) {
    if (WithHost) Doc->Control = &Host;
    Doc->Parse(u"<div id=e style='" + String(Css) + u"'><p id=c>x</p></div>");
    TElement* e = nullptr;
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (n->GetAttribute(u"id") == u"e") e = static_cast<TElement*>(n);
    if (!e) return nullptr;
    e->OuterRect = TRectF(0, 0, 200, 100);
    e->InnerWidth = 200;
    e->InnerHeight = 100;
    e->ContentWidth = ContentW;
    e->ContentHeight = ContentH;
    return e;
  }
  static TFakeScrollBar* HBar(TElement* e) { return static_cast<TFakeScrollBar*>(e->FOverflowData->HBar.get()); }
  static TFakeScrollBar* VBar(TElement* e) { return static_cast<TFakeScrollBar*>(e->FOverflowData->VBar.get()); }
  TFakeHostControl Host;
};

TEST_F(OverflowTest, NoHostNoBars) {
  TElement* e = Box(u"overflow: scroll", 500, 500, false);
  ASSERT_TRUE(e);
  e->UpdateOverflow();
  EXPECT_FALSE(e->FOverflowData);
  EXPECT_FALSE(e->HasFlag(efHasOverflow));
  EXPECT_EQ(e->VScrollBarWidth(), 0);
  EXPECT_EQ(e->HScrollBarHeight(), 0);
  e->UpdateScrollBars();  // nothing to move
}

TEST_F(OverflowTest, BarsInUseAfterLayout) {
  struct Case {
    const char16_t* Css;
    float ContentW, ContentH;
    bool V, H;
    int VMax, VPage, HMax, HPage;
  };
  const Case cases[] = {
      {u"overflow-y: auto", 0, 80, false, false, 100, 100, 0, 0},
      {u"overflow-y: scroll", 0, 80, true, false, 100, 100, 0, 0},
      {u"overflow-y: auto", 0, 300, true, false, 300, 100, 0, 0},
      // One pixel of horizontal overflow is not worth a bar.
      {u"overflow-x: auto", 201, 0, false, false, 100, 0, 0, 0},
      {u"overflow-x: auto", 202, 0, false, true, 100, 0, 202, 200},
      {u"overflow-x: scroll", 50, 0, false, true, 100, 0, 50, 50},
      // A vertical bar in use narrows the room: 190 wide content no longer fits.
      {u"overflow: auto", 190, 300, true, true, 300, 100 - 16, 190, 190},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    SetUp();
    TElement* e = Box(c.Css, c.ContentW, c.ContentH);
    ASSERT_TRUE(e);
    e->UpdateOverflow();
    ASSERT_TRUE(e->FOverflowData);
    EXPECT_TRUE(e->HasFlag(efHasOverflow));
    EXPECT_TRUE(Doc->Body()->HasFlag(efHasOverflow));  // ancestors are marked too
    EXPECT_EQ(e->FOverflowData->VVisible, c.V);
    EXPECT_EQ(e->FOverflowData->HVisible, c.H);
    EXPECT_EQ(e->VScrollBarWidth(), c.V ? 16 : 0);
    EXPECT_EQ(e->HScrollBarHeight(), c.H ? 16 : 0);
    if (c.V || c.ContentH) {
      EXPECT_EQ(VBar(e)->Max(), c.VMax);
      EXPECT_EQ(VBar(e)->PageSize(), c.VPage);
    }
    if (c.H) {
      EXPECT_EQ(HBar(e)->Max(), c.HMax);
      EXPECT_EQ(HBar(e)->PageSize(), c.HPage);
    } else {
      EXPECT_EQ(HBar(e)->Max(), HBar(e)->PageSize());  // nothing to scroll
    }
    EXPECT_FALSE(HBar(e)->TabStop());
    EXPECT_EQ(VBar(e)->Kind(), ui::sbVertical);
  }
}

TEST_F(OverflowTest, BarsFollowTheBoxAndHideInPagedOutput) {
  TElement* e = Box(u"overflow: scroll; padding: 0", 400, 300);
  ASSERT_TRUE(e);
  e->UpdateOverflow();
  Doc->FDocOffsetX = -5;
  Doc->FDocOffsetY = -10;
  Doc->NeedRepaint = false;
  Doc->UpdateScrollBars();
  TFakeScrollBar *h = HBar(e), *v = VBar(e);
  ASSERT_TRUE(h->Visible() && v->Visible());
  const TPoint tl = e->ClientToDestCanvas(TPoint(0, 0)), br = e->ClientToDestCanvas(TPoint(200, 100));
  EXPECT_EQ(h->Left(), tl.X);
  EXPECT_EQ(h->Top(), br.Y - 16);
  EXPECT_EQ(h->Width(), 200 - 16);
  EXPECT_EQ(h->Height(), 16);
  EXPECT_EQ(v->Left(), br.X - 16);
  EXPECT_EQ(v->Top(), tl.Y);
  EXPECT_EQ(v->Width(), 16);
  EXPECT_EQ(v->Height(), 100);
  EXPECT_TRUE(Doc->NeedRepaint);
  // A second pass with nothing moved leaves the bars alone.
  const int hMoves = h->Moves, vMoves = v->Moves;
  Doc->NeedRepaint = false;
  Doc->UpdateScrollBars();
  EXPECT_EQ(h->Moves, hMoves);
  EXPECT_EQ(v->Moves, vMoves);
  EXPECT_FALSE(Doc->NeedRepaint);

  Doc->Paged = true;
  Doc->UpdateScrollBars();
  EXPECT_FALSE(h->Visible());
  EXPECT_FALSE(v->Visible());
}

TEST_F(OverflowTest, OffsetsClampToTheRangeAndRepaint) {
  TElement* e = Box(u"overflow: auto", 500, 300);
  ASSERT_TRUE(e);
  int repaints = 0;
  Doc->OnRepaint = [&](THtObject*) { ++repaints; };
  e->UpdateOverflow();
  e->SetScrollTop(1000);
  EXPECT_EQ(e->ScrollTop(), 300 - 84);  // the horizontal bar takes 16 of the page
  EXPECT_EQ(VBar(e)->Position(), 300 - 84);
  EXPECT_EQ(repaints, 1);
  e->SetScrollTop(1000);  // unchanged: no repaint
  EXPECT_EQ(repaints, 1);
  e->SetScrollLeft(-5);
  EXPECT_EQ(e->ScrollLeft(), 0);
  EXPECT_EQ(repaints, 1);
  // The user drags the horizontal bar.
  HBar(e)->UserMove(120);
  EXPECT_EQ(e->ScrollLeft(), 120);
  EXPECT_EQ(repaints, 2);
}

TEST_F(OverflowTest, EachUserScrollRunsOneScrollEventAfterBothOffsets) {
  TElement* e = Box(u"overflow: auto", 500, 300);
  ASSERT_TRUE(e);
  e->SetAttribute(u"onscroll", u"form.Scrolled");
  std::vector<std::pair<int, int>> seen;
  Doc->FormMethods[u"Scrolled"] = [&](TElement* E) { seen.emplace_back(E->ScrollLeft(), E->ScrollTop()); };
  e->UpdateOverflow();
  e->SetScrollTop(50);  // moves from code are no user scroll
  e->SetScrollLeft(20);
  EXPECT_TRUE(seen.empty());
  VBar(e)->SetPosition(70);
  HBar(e)->UserMove(30);  // takes both bars' positions
  Doc->NeedRepaint = false;
  VBar(e)->UserMove(90);
  EXPECT_TRUE(Doc->NeedRepaint);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{30, 70}, {30, 90}}));
}

TEST_F(OverflowTest, ScrollIntoViewBringsADescendantIn) {
  TElement* e = Box(u"overflow-y: scroll", 0, 1000);
  ASSERT_TRUE(e);
  e->UpdateOverflow();
  Doc->UpdateScrollBars();
  ASSERT_TRUE(VBar(e)->Visible());
  TElement* c = nullptr;
  for (THtNode* n = e; n; n = n->NextNode())
    if (n->GetAttribute(u"id") == u"c") c = static_cast<TElement*>(n);
  ASSERT_TRUE(c);
  // Where c's origin lies in the box's visible area (the scroll offset
  // moves it up).
  auto dy = [&] { return c->RealTop() - e->RealTop() - e->InnerRect().Top; };
  // Below the box: scrolled so that its bottom meets the box's bottom.
  c->OuterRect = TRectF(0, 400 - dy(), 50, 450 - dy());
  e->ScrollIntoView(c);
  EXPECT_EQ(e->ScrollTop(), 450 - 100);
  // Above the box (at the current offset): scrolled so that its top shows.
  c->OuterRect = TRectF(0, -20 - dy(), 50, 10 - dy());
  e->ScrollIntoView(c);
  EXPECT_EQ(e->ScrollTop(), 350 - 20);
  // Inside: nothing moves; an element outside the box is ignored.
  c->OuterRect = TRectF(0, 10 - dy(), 50, 20 - dy());
  e->ScrollIntoView(c);
  EXPECT_EQ(e->ScrollTop(), 330);
  e->ScrollIntoView(Doc->Body());
  EXPECT_EQ(e->ScrollTop(), 330);
}

TEST_F(OverflowTest, ABarComingIntoUseBreaksTheLinesAgain) {
  // Two 40 px words fit the 100 px box on one line, not the 84 px left
  // beside a vertical bar; with the bar the content is broken once more.
  auto lines = [&](bool WithHost, bool& VBar) {
    SetUp();
    if (WithHost) Doc->Control = &Host;
    Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}</style>"
               u"<div id=e style='width:100px;height:15px;overflow-y:auto'>aaaa bbbb cccc dddd</div>");
    Doc->CalcSize(800, 600);
    TElement* e = nullptr;
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (n->GetAttribute(u"id") == u"e") e = static_cast<TElement*>(n);
    VBar = e && e->VScrollBarWidth() > 0;
    return e && e->SelfFlow ? e->SelfFlow->LineCount() : -1;
  };
  bool bar = false;
  EXPECT_EQ(lines(false, bar), 2);
  EXPECT_FALSE(bar);  // no host, no bar
  EXPECT_EQ(lines(true, bar), 4);
  EXPECT_TRUE(bar);
}

}  // namespace ht::testing
