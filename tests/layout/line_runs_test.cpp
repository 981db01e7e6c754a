#include <string>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "layout/flow.h"
#include "layout_fixture.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

TEST(AhemCanvas, FontsCarryAhemMetricsAndEveryUnitIsOneEm) {
  auto fonts = TAhemCanvas::ClassType.CreateFontCollection();
  THtFont* f = fonts->GetFont(u"Ahem", 20, THtFontStyles());
  EXPECT_FLOAT_EQ(f->Ascent, 16);
  EXPECT_FLOAT_EQ(f->Descent, 4);
  EXPECT_FLOAT_EQ(f->LineHeight, 20);
  EXPECT_FLOAT_EQ(f->SpaceWidth, 20);
  THtTextStyle ts;
  EXPECT_FLOAT_EQ(TAhemCanvas::ClassType.MeasureString(u"ab c", f, ts, 1, 1, 4), 80);
  ts.WordSpacing = 3;
  EXPECT_FLOAT_EQ(TAhemCanvas::ClassType.MeasureString(u"ab c", f, ts, 0.5f, 2, 3), 33);
}

TEST_F(LayoutTest, LinkSettersKeepBothDirectionsInAgreement) {
  TElement* p = El(Doc.get(), u"p");
  THtLineBlock* a = Run(p, {});
  THtLineBlock* b = Run(p, {});
  THtLineBlock* c = Run(p, {});
  try {
    a->SetNextBlock(a);
    FAIL() << "a self link was accepted";
  } catch (const Exception& ex) {
    EXPECT_EQ(ex.Message().substr(0, 17), u"Assertion failure");
  }
  EXPECT_THROW(a->SetPreviousBlock(a), Exception);

  a->SetNextBlock(b);
  EXPECT_EQ(b->PreviousBlock(), a);
  a->SetNextBlock(c);  // relinking clears the old back link
  EXPECT_EQ(b->PreviousBlock(), nullptr);
  EXPECT_EQ(c->PreviousBlock(), a);
  c->SetPreviousBlock(b);
  EXPECT_EQ(a->NextBlock(), nullptr);
  EXPECT_EQ(b->NextBlock(), c);

  // Removal joins the neighbours; the flow's ends are the caller's.
  a->SetNextBlock(b);
  b->RemoveFromFlow();
  EXPECT_EQ(a->NextBlock(), c);
  EXPECT_EQ(c->PreviousBlock(), a);
  TFlow flow(p);
  flow.Reset();
  THtLineBlock* only = Run(p, {trfText}, 5);
  flow.AddBlock(only);
  only->RemoveFromFlow();
  EXPECT_EQ(flow.FirstBlock, only);
  EXPECT_EQ(flow.LastBlock, only);
}

TEST_F(LayoutTest, FreedRunsLeaveTheChain) {
  TElement* div = El(Doc.get(), u"div", u"display:block");
  TElement* a = El(div, u"span");
  TElement* b = El(div, u"span");
  Style();
  TFlow* flow = div->EnsureSelfFlow();
  flow->Reset();
  THtLineBlock* ra = Run(a, {trfInlineStart});
  THtLineBlock* rb = Run(b, {trfInlineStart});
  THtLineBlock* rb2 = Run(b, {trfInlineEnd});
  flow->AddBlock(ra);
  flow->AddBlock(rb);
  flow->AddBlock(rb2);
  rb2->Left = 5;
  b->LineBlocks.Truncate(1);
  EXPECT_EQ(ra->NextBlock(), rb);
  EXPECT_EQ(rb->NextBlock(), nullptr);
  // Runs made after a truncation start clean wherever they go, and the
  // chain keeps its order.
  THtLineBlock* added = b->LineBlocks.CreateBlock(b);
  THtLineBlock* inserted = b->LineBlocks.InsertBlock(0, b);
  ASSERT_EQ(b->LineBlocks.Count(), 3);
  EXPECT_EQ(b->LineBlocks.Get(0), inserted);
  EXPECT_EQ(b->LineBlocks.Get(1), rb);
  EXPECT_EQ(b->LineBlocks.Get(2), added);
  for (THtLineBlock* r : {added, inserted}) {
    EXPECT_EQ(r->E, b);
    EXPECT_TRUE(r->Flags.Empty());
    EXPECT_EQ(r->Left, 0);
    EXPECT_EQ(r->NextBlock(), nullptr);
    EXPECT_EQ(r->PreviousBlock(), nullptr);
  }
  EXPECT_EQ(ra->NextBlock(), rb);
}

// Runs read the same axes in a vertical writing mode: its flow turns them
// (with their boxes) after line breaking, so swapping here would turn them
// twice.
TEST_F(LayoutTest, RunAxesStayPutInVerticalWriting) {
  TElement* p = El(Doc.get(), u"p");
  THtLineBlock* r = Run(p, {}, 30);
  r->Left = 5;
  r->Top = 7;
  r->LogicalHeight = 11;
  p->IncludeFlag(efVertical);
  EXPECT_EQ(r->X(), 5);
  EXPECT_EQ(r->Y(), 7);
  EXPECT_EQ(r->XSize(), 30);
  EXPECT_EQ(r->YSize(), 11);
  r->SetXSize(40);
  EXPECT_EQ(r->LogicalWidth, 40);
}

TEST_F(LayoutTest, RunFlagsFollowTheBox) {
  TElement* block = El(Doc.get(), u"div", u"display:block");
  TElement* floated = El(Doc.get(), u"div", u"display:block; float:left");
  TElement* abs = El(Doc.get(), u"span", u"position:absolute");
  TElement* span = El(Doc.get(), u"span");
  TTextElement* text = Text(Doc.get(), u"x");
  Style();
  auto flags = [](TElement* e) { return e->LineBlocks.CreateBlock(e)->Flags; };
  EXPECT_EQ(flags(block), THtTextRunFlags({trfBlock}));
  EXPECT_EQ(flags(floated), THtTextRunFlags({trfBlock, trfOutofFlow}));
  EXPECT_EQ(flags(abs), THtTextRunFlags({trfOutofFlow}));
  EXPECT_TRUE(flags(span).Empty());
  EXPECT_TRUE(flags(text).Empty());
}

TEST_F(LayoutTest, BreakRulesReadWhiteSpaceAndDisplay) {
  TElement* nowrap = El(Doc.get(), u"span", u"white-space:nowrap");
  TElement* block = El(Doc.get(), u"div", u"display:block");
  TElement* ib = El(Doc.get(), u"span", u"display:inline-block");
  TTextElement* t = Text(nowrap, u"a");
  TTextElement* br = Text(nowrap, u"");
  br->IncludeFlag(efLineBreak);
  Style();
  THtLineBlock* rt = Run(t, {trfText, trfBreakBefore, trfBreakAfter});
  EXPECT_EQ(rt->WhiteSpace(), wsNowrap);
  EXPECT_FALSE(rt->CanBreakBefore());
  THtLineBlock* rbr = Run(br, {trfText, trfLineBreak, trfBreakAfter});
  EXPECT_EQ(rbr->WhiteSpace(), wsPreLine);
  EXPECT_TRUE(rbr->CanBreakAfter());
  THtLineBlock* rblock = Run(block, {trfBreakBefore});
  EXPECT_EQ(rblock->WhiteSpace(), wsNowrap);
  EXPECT_FALSE(rblock->CanBreakBefore());
  THtLineBlock* rib = Run(ib, {trfBreakBefore});
  EXPECT_EQ(rib->WhiteSpace(), wsNormal);
  EXPECT_TRUE(rib->CanBreakBefore());
  EXPECT_FALSE(rib->CanBreakAfter());  // no trfBreakAfter
}

TEST_F(LayoutTest, WordsTakeLettersBeforeAndLettersOrDigitsAfter) {
  TElement* p = El(Doc.get(), u"p", u"display:block");
  TTextElement* t = Text(p, u"12ab cd34\u0663x");
  Style();
  TFlow* flow = p->EnsureSelfFlow();
  flow->Reset();
  THtLineBlock* digits = Run(t, {trfText}, 0, 1, 2);
  THtLineBlock* ab = Run(t, {trfText}, 0, 3, 2);
  THtLineBlock* space = Run(t, {trfText, trfSpace}, 0, 5, 1);
  THtLineBlock* cd = Run(t, {trfText}, 0, 6, 2);
  THtLineBlock* num = Run(t, {trfText}, 0, 8, 2);
  THtLineBlock* arabic = Run(t, {trfText}, 0, 10, 1);
  for (THtLineBlock* r : {digits, ab, space, cd, num, arabic}) flow->AddBlock(r);

  THtWord w;
  EXPECT_FALSE(space->GetWord(w));
  ASSERT_TRUE(ab->GetWord(w));
  EXPECT_EQ(w.StartBlock, ab);  // digits before the word are not part of it
  EXPECT_EQ(w.Text(), u"ab");
  ASSERT_TRUE(cd->GetWord(w));
  EXPECT_EQ(w.EndBlock, num);  // digits after it are
  EXPECT_EQ(w.Text(), u"cd34");
  EXPECT_TRUE(num->IsNumbers());
  EXPECT_FALSE(arabic->IsNumbers());  // only ASCII digits count
  EXPECT_FALSE(arabic->IsLetters());
  EXPECT_TRUE(cd->IsLetters());
}

TEST_F(LayoutTest, WalksCrossNestedFlows) {
  // <div> a <span inline-block> b c </span> d <p> e </p> </div>
  TElement* div = El(Doc.get(), u"div", u"display:block");
  TTextElement* a = Text(div, u"a");
  TElement* ib = El(div, u"span", u"display:inline-block");
  TTextElement* b = Text(ib, u"bc");
  TTextElement* d = Text(div, u"d");
  TElement* p = El(div, u"p", u"display:block");
  TTextElement* e = Text(p, u"e");
  Style();
  TFlow* outer = div->EnsureSelfFlow();
  TFlow* inner = ib->EnsureSelfFlow();
  TFlow* pf = p->EnsureSelfFlow();
  outer->Reset();
  inner->Reset();
  pf->Reset();
  THtLineBlock* ra = Run(a, {trfText}, 10, 1, 1);
  THtLineBlock* rib = Run(ib, {}, 20);
  THtLineBlock* rb = Run(b, {trfText}, 10, 1, 1);
  THtLineBlock* rc = Run(b, {trfText}, 10, 2, 1);
  THtLineBlock* rd = Run(d, {trfText}, 10, 1, 1);
  THtLineBlock* rp = Run(p, {trfBlock});
  THtLineBlock* re = Run(e, {trfText}, 10, 1, 1);
  for (THtLineBlock* r : {ra, rib, rd, rp}) outer->AddBlock(r);
  inner->AddBlock(rb);
  inner->AddBlock(rc);
  pf->AddBlock(re);

  EXPECT_EQ(ra->Next(), rib);
  EXPECT_EQ(rib->Next(), rb);  // into the inline block's own flow
  EXPECT_EQ(rc->Next(), rd);   // and out of it
  EXPECT_EQ(rp->Next(), re);
  EXPECT_EQ(re->Next(), nullptr);
  EXPECT_EQ(re->Previous(), rd);  // the run before the block holding it
  EXPECT_EQ(rd->Previous(), rc);  // descending into the inline block
  EXPECT_EQ(rb->Previous(), ra);
  EXPECT_EQ(rib->Last(), rc);

  // Lines: the inline block sits on outer line 1 with everything inside.
  rd->Line = 1;
  rib->Line = 1;
  rb->Line = 0;
  rc->Line = 0;
  EXPECT_TRUE(rc->SameLine(rd));
  EXPECT_TRUE(rd->SameLine(rb));
  EXPECT_FALSE(ra->SameLine(rb));
  EXPECT_FALSE(re->SameLine(rd));  // a block lies between
  EXPECT_EQ(rd->LineStart(), rb);  // back into the inline block, stopping at line 0 outside
  EXPECT_EQ(rb->LineEnd(), rd);
  EXPECT_EQ(p->LineBlocks.GetLineBlock(0), rp);
  EXPECT_EQ(p->LineBlocks.GetLineBlock(1), nullptr);
}

TEST_F(LayoutTest, VisibleWalksSkipFloatsHiddenAndEmptyText) {
  TElement* div = El(Doc.get(), u"div", u"display:block");
  TTextElement* a = Text(div, u"a");
  TElement* fl = El(div, u"img", u"float:left; display:block");
  TTextElement* empty = Text(div, u"");
  TTextElement* br = Text(div, u"");
  br->IncludeFlag(efLineBreak);
  TTextElement* z = Text(div, u"z");
  Style();
  TFlow* flow = div->EnsureSelfFlow();
  flow->Reset();
  THtLineBlock* ra = Run(a, {trfText}, 10, 1, 1);
  THtLineBlock* rf = Run(fl, {}, 10);
  THtLineBlock* rempty = Run(empty, {trfText});
  THtLineBlock* rbr = Run(br, {trfText, trfLineBreak});
  THtLineBlock* rz = Run(z, {trfText}, 10, 1, 1);
  for (THtLineBlock* r : {ra, rf, rempty, rbr, rz}) flow->AddBlock(r);
  EXPECT_EQ(ra->NextVisible(), rbr);  // the float and the empty text are skipped
  EXPECT_EQ(rz->PreviousVisible(), rbr);
  EXPECT_EQ(rbr->PreviousVisible(), ra);
  rz->Flags.Include(trfHidden);
  EXPECT_EQ(rbr->NextVisible(), nullptr);
}

}  // namespace ht::testing
