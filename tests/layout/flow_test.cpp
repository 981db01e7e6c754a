#include <string>
#include <vector>

#include "layout/flow.h"
#include "layout_fixture.h"

namespace ht::testing {

namespace {

// A box whose intrinsic widths are given, standing for a laid-out child.
class TSizedBox : public TElement {
 public:
  TSizedBox(float AMin, float AMax) : FMin(AMin), FMax(AMax) {}
  float MinContentWidth() const override { return FMin; }
  float MaxContentWidth() const override { return FMax; }

 private:
  float FMin, FMax;
};

const std::initializer_list<THtTextRunFlag> kWord = {trfText, trfBreakBefore};
const std::initializer_list<THtTextRunFlag> kSpace = {trfText, trfSpace, trfBlank, trfCollapsible, trfBreakAfter};

}  // namespace

class FlowTest : public LayoutTest {
 protected:
  // A block owner with the style Css holding one text element.
  TFlow* Owner(StringView Css) {
    Box = El(Doc.get(), u"div", Css);
    T = Text(Box, u"x");
    return Box->EnsureSelfFlow();
  }
  TElement* Sized(float Min, float Max, StringView Css) {
    auto* e = new TSizedBox(Min, Max);
    e->SetTag(u"div");
    e->SetAttribute(u"style", Css);
    return Box->Add(e);
  }
  // Adds word and space runs: a positive width is a word, a negative one a
  // space of that width.
  void Words(TFlow* F, std::initializer_list<float> Widths) {
    for (float w : Widths) F->AddBlock(w >= 0 ? Run(T, kWord, w) : Run(T, kSpace, -w));
  }
  TElement* Box = nullptr;
  TTextElement* T = nullptr;
};

TEST_F(FlowTest, CollapsibleSpacesAtLineStartsAreDropped) {
  TFlow* f = Owner(u"display:block");
  TElement* inner = El(Box, u"p", u"display:block");
  Style();
  f->Reset();
  THtLineBlock* lead = Run(T, kSpace, 10);
  EXPECT_FALSE(f->AddBlock(lead));  // into an empty flow
  EXPECT_TRUE(lead->Hidden());
  EXPECT_EQ(f->FirstBlock, nullptr);

  THtLineBlock* word = Run(T, kWord, 30);
  EXPECT_TRUE(f->AddBlock(word));
  THtLineBlock* space = Run(T, kSpace, 10);
  EXPECT_TRUE(f->AddBlock(space));  // after a word it stays, with its width
  EXPECT_EQ(space->LogicalWidth, 10);

  // Trailing spaces before a block leave the chain.
  THtLineBlock* block = Run(inner, {trfBlock});
  EXPECT_TRUE(f->AddBlock(block));
  EXPECT_TRUE(space->Hidden());
  EXPECT_EQ(word->NextBlock(), block);
  EXPECT_EQ(f->MaxContentWidth, 30);

  // After a block: a space with a break of its own is kept at width 0...
  THtLineBlock* afterBlock = Run(T, {trfText, trfSpace, trfCollapsible, trfBreakBefore}, 10);
  EXPECT_TRUE(f->AddBlock(afterBlock));
  EXPECT_EQ(afterBlock->LogicalWidth, 0);
  EXPECT_FALSE(afterBlock->Hidden());
  // ...and a space after a forced break that allows a break after it is not.
  THtLineBlock* br = Run(T, {trfText, trfLineBreak, trfBreakAfter});
  f->AddBlock(br);
  THtLineBlock* afterBreak = Run(T, kSpace, 10);
  EXPECT_FALSE(f->AddBlock(afterBreak));
  EXPECT_TRUE(afterBreak->Hidden());
  EXPECT_EQ(f->LastBlock, br);
}

TEST_F(FlowTest, SpacedWordBetweenBlocksKeepsOnlyTheWordsWidth) {
  TFlow* f = Owner(u"display:block");
  TElement* a = El(Box, u"p", u"display:block");
  TElement* b = El(Box, u"p", u"display:block");
  Style();
  f->Reset();
  THtLineBlock* ra = Run(a, {trfBlock});
  f->AddBlock(ra);
  Words(f, {-10, -10, 40, -10, -10});
  THtLineBlock* rb = Run(b, {trfBlock});
  f->AddBlock(rb);
  f->UpdateMinMax();
  // Chained: the block, the first space at width 0 (it may break), the
  // word, the block; the other spaces are hidden.
  std::vector<float> widths;
  for (THtLineBlock* r = f->FirstBlock; r; r = r->NextBlock()) widths.push_back(r->LogicalWidth);
  EXPECT_EQ(widths, (std::vector<float>{0, 0, 40, 0}));
  int hidden = 0;
  for (int i = 0; i < T->LineBlocks.Count(); ++i) hidden += T->LineBlocks.Get(i)->Hidden();
  EXPECT_EQ(hidden, 3);
  EXPECT_EQ(f->MaxContentWidth, 40);
  EXPECT_EQ(f->MinWidth, 40);
}

TEST_F(FlowTest, MinAndMaxContentWidthsOfInlineContent) {
  struct Case {
    const char16_t* Css;
    std::initializer_list<float> Runs;
    float Min, Max;
  };
  const Case cases[] = {
      {u"display:block", {30, -10, 40}, 40, 80},
      {u"display:block; white-space:nowrap", {30, -10, 40}, 80, 80},  // the whole line
      {u"display:block; white-space:pre", {30, -10, 40}, 80, 80},
      {u"display:block; word-break:break-all", {30, -10, 40}, 0, 80},  // breaks anywhere
      {u"display:block", {30, -10, 40, -10, -10}, 40, 80},             // trailing spaces trimmed
      {u"display:block; text-indent:15px", {30}, 30, 45},  // a break may precede the first word
      {u"display:list-item; list-style-position:inside", {30}, 30, 50},  // room for the marker
      {u"display:block; float:left; width:100px", {150, -10, 150}, 160, 100},  // min not clamped
      {u"display:block; float:left", {150, -10, 150}, 160, 310},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Css, c.Css + std::char_traits<char16_t>::length(c.Css)));
    Doc = std::make_unique<THtDocument>(Doc->CanvasClass, false);
    TFlow* f = Owner(c.Css);
    Style();
    f->Reset();
    Words(f, c.Runs);
    f->UpdateMinMax();
    EXPECT_EQ(f->MinWidth, c.Min);
    EXPECT_EQ(f->MaxContentWidth, c.Max);
  }
}

TEST_F(FlowTest, ForcedBreaksEndTheLineWidths) {
  TFlow* f = Owner(u"display:block");
  Style();
  f->Reset();
  Words(f, {20, -10, 20});
  f->AddBlock(Run(T, {trfText, trfLineBreak, trfBreakAfter}));
  Words(f, {30});
  f->UpdateMinMax();
  EXPECT_EQ(f->MaxContentWidth, 50);
  EXPECT_EQ(f->MinWidth, 30);
}

TEST_F(FlowTest, BlockChildrenAddTheirIntrinsicWidths) {
  struct Case {
    const char16_t* Css;
    float Min, Max;
  };
  const Case cases[] = {
      {u"display:block", 60, 190},
      {u"display:flex", 60, 300},                          // a row adds them
      {u"display:flex; flex-direction:column", 60, 190},  // a column takes the widest
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Css, c.Css + std::char_traits<char16_t>::length(c.Css)));
    Doc = std::make_unique<THtDocument>(Doc->CanvasClass, false);
    TFlow* f = Owner(c.Css);
    TElement* a = Sized(50, 100, u"display:block; margin-left:10px");
    TElement* b = Sized(20, 190, u"display:block");
    TElement* abs = Sized(500, 900, u"display:block; position:absolute");
    Style();
    f->Reset();
    for (TElement* e : {a, b, abs}) {
      THtLineBlock* r = e->LineBlocks.CreateBlock(e);
      f->AddBlock(r);
    }
    f->UpdateMinMax();
    EXPECT_EQ(f->MinWidth, c.Min);
    EXPECT_EQ(f->MaxContentWidth, c.Max);
  }
}

TEST_F(FlowTest, FloatsWidenTheLineTheyStandBeside) {
  TFlow* f = Owner(u"display:block");
  TElement* fl = Sized(10, 120, u"display:block; float:left");
  TElement* p = El(Box, u"p", u"display:block");
  Style();
  f->Reset();
  Words(f, {30});
  THtLineBlock* rf = fl->LineBlocks.CreateBlock(fl);
  EXPECT_TRUE(f->AddBlock(rf));
  f->AddBlock(Run(p, {trfBlock}));
  f->UpdateMinMax();
  EXPECT_EQ(f->MaxContentWidth, 120);  // the line is as wide as the float beside it
}

TEST_F(FlowTest, LineTableIsCheckedAndGrowsOneLineAtATime) {
  TFlow* f = Owner(u"display:block; line-height:24px");
  Style();
  EXPECT_EQ(f->LineCount(), 1);
  for (int bad : {-1, 1}) {
    try {
      f->GetLine(bad);
      FAIL() << bad;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), u"flow line index out of range");
    }
  }
  f->CurrentLine()->Height = 20;
  f->CurrentLine()->BottomMargin = 5;
  f->CurrentLine()->Align = thCenter;
  f->FCurX = 33;
  f->NextLine();
  EXPECT_EQ(f->LineCount(), 2);
  EXPECT_EQ(f->Line, 1);
  EXPECT_EQ(f->GetLine(1)->Y, 25);
  EXPECT_EQ(f->GetLine(1)->Height, 24);
  EXPECT_EQ(f->GetLine(1)->Align, thCenter);
  EXPECT_EQ(f->FHeight, 25);
  EXPECT_EQ(f->FCurX, 0);

  // A new pass reuses the entries beyond without clearing them.
  f->GetLine(1)->Width = 77;
  f->Line = 0;
  f->FCurY = 0;
  f->NextLine();
  EXPECT_EQ(f->LineCount(), 2);
  EXPECT_EQ(f->GetLine(1)->Width, 77);
}

TEST_F(FlowTest, ContentRectGrowsOutwardsToWholePixels) {
  TFlow* f = Owner(u"display:block");
  f->Reset();
  f->UpdateContentRect(TRectF(-2.5f, 1.5f, 10.2f, 7.5f));
  EXPECT_EQ(f->ContentRect.Left, -2);
  EXPECT_EQ(f->ContentRect.Top, 0);  // not smaller than before
  EXPECT_EQ(f->ContentRect.Right, 11);
  EXPECT_EQ(f->ContentRect.Bottom, 7.5f);
}

}  // namespace ht::testing
