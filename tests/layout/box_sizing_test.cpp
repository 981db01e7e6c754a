#include "layout/flow.h"
#include "layout_fixture.h"

namespace ht::testing {

class BoxSizingTest : public LayoutTest {
 protected:
  // The body's element children after box building, the body 400 px wide
  // (definite unless told otherwise) inside a root 600 px high.
  std::vector<TElement*> Build(StringView Html, bool DefiniteBody = true) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
    std::vector<TElement*> out;
    for (THtNode* n = Doc.get(); n && !Body; n = n->NextNode())
      if (n->Tag() == u"body") Body = static_cast<TElement*>(n);
    if (!Body) return out;
    Body->CalcBoxes(nullptr);
    Body->InnerWidth = 400;
    if (DefiniteBody) Body->SizeFlags |= sfWidthDefinite;
    else Body->SizeFlags &= ~uint32_t(sfWidthDefinite);
    Body->StyledParent()->InnerHeight = 600;
    for (int i = 0; i < Body->Count(); ++i)
      if (auto* e = AsElement(Body->GetNodes()->Get(i)); e && !e->IsText()) out.push_back(e);
    return out;
  }
  static bool Width(TElement* E) {
    return E->ResolveWidth(E->InnerDeltaX() + E->OuterDeltaX(), E->MinWidth(), E->MaxWidth());
  }
  TElement* Body = nullptr;
};

TEST_F(BoxSizingTest, WidthsInADefiniteContainer) {
  struct Case {
    const char16_t* Css;
    float Inner;
    bool Definite;
  };
  const Case cases[] = {
      {u"box-sizing:border-box; width:100px; padding:10px; border:1px solid", 78, true},
      // Paddings and borders larger than the width leave an empty content box.
      {u"box-sizing:border-box; width:10px; padding:20px", 0, true},
      {u"box-sizing:padding-box; width:10px; padding:20px; border:3px solid", 0, true},
      {u"box-sizing:padding-box; width:100px; padding:10px", 80, true},
      {u"width:100px; padding:10px", 100, true},
      {u"min-width:200px; max-width:100px", 200, false},  // the minimum wins
      {u"max-width:100px; padding:5px", 100, false},
      {u"padding:5px; margin:0 15px", 400 - 10 - 30, false},
      {u"width:50%", 200, true},
      {u"float:left; width:50%", 200, true},
  };
  String html;
  for (const Case& c : cases) html += u"<div style='" + String(c.Css) + u"'>aa bb</div>";
  auto e = Build(u"<body style='margin:0; padding:0; position:relative'>" + html + u"</body>");
  ASSERT_EQ(e.size(), std::size(cases));
  for (size_t i = 0; i < e.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "case " << i);
    EXPECT_EQ(Width(e[i]), cases[i].Definite);
    EXPECT_EQ(e[i]->InnerWidth, cases[i].Inner);
  }
}

TEST_F(BoxSizingTest, AbsoluteAndShrinkToFitBoxes) {
  auto e = Build(
      u"<body style='margin:0; padding:0; position:relative'>"
      u"<div style='position:absolute; left:10px; right:20px'>aa</div>"
      u"<div style='position:absolute; left:10px'>aa bb</div>"
      u"<div style='display:inline-block'>aa bb</div>"
      u"</body>");
  ASSERT_EQ(e.size(), 3u);
  ASSERT_EQ(e[0]->Container, Body);
  EXPECT_TRUE(Width(e[0]));
  EXPECT_EQ(e[0]->InnerWidth, 400 - 10 - 20);  // the container's border box less the insets
  EXPECT_FALSE(Width(e[1]));
  EXPECT_EQ(e[1]->InnerWidth, 80);  // shrunk to its max-content width
  EXPECT_FALSE(Width(e[2]));
  EXPECT_EQ(e[2]->InnerWidth, 80);
}

TEST_F(BoxSizingTest, PercentOfAnUnknownWidthFillsTheContainer) {
  auto e = Build(u"<body style='margin:0; padding:0'><div style='width:50%; padding:5px'>aa</div></body>", false);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_FALSE(Width(e[0]));
  EXPECT_EQ(e[0]->InnerWidth, 390);
}

TEST_F(BoxSizingTest, Heights) {
  auto e = Build(
      u"<body style='margin:0; padding:1px; border:2px solid'>"
      u"<div style='height:50px; padding:5px; box-sizing:border-box; border:2px solid'></div>"
      u"<div style='height:5px; padding:10px; box-sizing:border-box'></div>"
      u"<div style='height:50%'></div>"
      u"<div style='min-height:30px; max-height:10px'></div>"
      u"</body>");
  ASSERT_EQ(e.size(), 4u);
  EXPECT_TRUE(e[0]->ResolveHeight());
  EXPECT_EQ(e[0]->InnerHeight, 50 - 10 - 4);
  EXPECT_TRUE(e[1]->ResolveHeight());
  EXPECT_EQ(e[1]->InnerHeight, 0);  // never below an empty content box
  e[2]->ContentHeight = 17;
  EXPECT_FALSE(e[2]->ResolveHeight());  // a percentage of an unknown height is ignored
  EXPECT_EQ(e[2]->InnerHeight, 17);
  EXPECT_FALSE(e[3]->ResolveHeight());
  EXPECT_EQ(e[3]->InnerHeight, 30);
  // The body fills its parent's height.
  EXPECT_TRUE(Body->ResolveHeight());
  EXPECT_EQ(Body->InnerHeight, 600 - 2 - 4);
}

TEST_F(BoxSizingTest, BoxSizeSetsTheOuterRectAndTheFirstRun) {
  auto e = Build(u"<body style='margin:0; padding:0'><div style='width:100px; height:20px; padding:10px'>aa</div></body>");
  ASSERT_EQ(e.size(), 1u);
  e[0]->OuterRect = TRectF{5, 7, 5, 7};
  e[0]->CalcBoxSize(e[0]->InnerDeltaX() + e[0]->OuterDeltaX(), e[0]->InnerDeltaY() + e[0]->OuterDeltaY(),
                    e[0]->MinWidth(), e[0]->MaxWidth());
  EXPECT_EQ(e[0]->OuterRect.Right, 5 + 120);
  EXPECT_EQ(e[0]->OuterRect.Bottom, 7 + 40);
  ASSERT_NE(e[0]->FirstRun(), nullptr);
  EXPECT_EQ(e[0]->FirstRun()->LogicalWidth, 100);
  EXPECT_EQ(e[0]->FirstRun()->LogicalHeight, 20);
}

}  // namespace ht::testing

namespace ht::testing {

TEST_F(BoxSizingTest, BeforeLayoutTakesMarginsAndResetsTheFlow) {
  auto e = Build(
      u"<body style='margin:0; padding:0'>"
      u"<div style='margin:1px 2px 3px 4px; line-height:20px'>aa <span style='margin:5px 6px'>bb</span></div>"
      u"</body>");
  ASSERT_EQ(e.size(), 1u);
  TElement* span = nullptr;
  for (int i = 0; i < e[0]->Count(); ++i)
    if (auto* c = AsElement(e[0]->GetNodes()->Get(i)); c && !c->IsText()) span = c;
  ASSERT_NE(span, nullptr);
  span->MarginTop = 9;
  ASSERT_NE(e[0]->SelfFlow, nullptr);
  e[0]->SelfFlow->FLines.resize(3);
  e[0]->SelfFlow->Line = 2;

  Body->BeforeCalcLayout();
  EXPECT_EQ(e[0]->MarginTop, 1);
  EXPECT_EQ(e[0]->MarginRight, 2);
  EXPECT_EQ(e[0]->MarginBottom, 3);
  EXPECT_EQ(e[0]->MarginLeft, 4);
  EXPECT_EQ(span->MarginLeft, 6);
  EXPECT_EQ(span->MarginTop, 9);  // an inline keeps its top and bottom margins
  TFlow* f = e[0]->SelfFlow.get();
  EXPECT_EQ(f->Line, 0);
  ASSERT_EQ(f->LineCount(), 1);
  EXPECT_EQ(f->GetLine(0)->Height, 20);
  EXPECT_EQ(f->FirstNonPrintedBlock, f->FirstBlock);
  ASSERT_NE(f->LastBlock, nullptr);
  EXPECT_FALSE(f->LastBlock->Hidden());
  EXPECT_EQ(f->LastBlock->NextBlock(), nullptr);
}

}  // namespace ht::testing
