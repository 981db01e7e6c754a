// Text positions, points, splitting and editing on the Ahem canvas (every
// character one em: 16 px).
#include <string>
#include <vector>

#include "canvas/font.h"
#include "layout/flow.h"
#include "layout_fixture.h"

namespace ht::testing {

class TextGeometryTest : public LayoutTest {
 protected:
  std::vector<TTextElement*> Load(StringView Html, int Width = 800) {
    Doc->Parse(String(Html));
    Doc->CalcSize(Width, 600);
    std::vector<TTextElement*> texts;
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* t = dynamic_cast<TTextElement*>(n); t && !t->HasFlag(efLineBreak)) texts.push_back(t);
    return texts;
  }
  static TTextElement* Find(const std::vector<TTextElement*>& Texts, StringView Content) {
    for (TTextElement* t : Texts)
      if (t->Content() == Content) return t;
    return nullptr;
  }
};

TEST_F(TextGeometryTest, VisibleIndexesSkipCollapsedBlanks) {
  TTextElement* t = Find(Load(u"<div>ab   cd</div>"), u"ab   cd");
  ASSERT_TRUE(t);
  // Blocks: "ab" (1..2), one shown blank (3), "cd" (6..7); 4 and 5 collapse.
  EXPECT_EQ(t->VisibleLength(), 5);
  EXPECT_EQ(t->VisibleText(), u"ab cd");
  struct {
    int Char, Visible;
  } cases[] = {{1, 1}, {2, 2}, {3, 3}, {6, 4}, {7, 5}, {8, 6}, {100, 6}};
  for (auto c : cases) EXPECT_EQ(t->VisibleCharIndex(c.Char), c.Visible) << c.Char;
  EXPECT_EQ(t->CharIndex(4), 6);
  EXPECT_EQ(t->CharIndex(5), 7);
  EXPECT_EQ(t->CharIndex(6), 8);  // past the end: length + 1
  EXPECT_EQ(t->CharIndex(1000), 8);
  EXPECT_EQ(t->CharIndex(0), 1);
  EXPECT_EQ(t->CharIndex(-5), 1);
  EXPECT_EQ(t->CharBlock(-5), t->LineBlocks.First());
  EXPECT_EQ(t->CharBlock(1000), t->LineBlocks.Last());
  EXPECT_EQ(t->FirstChar(), 1);
  EXPECT_EQ(t->LastChar(), 7);
  EXPECT_EQ(t->AbsolutePositionDelta(), 5);
}

TEST_F(TextGeometryTest, AnswersWithoutBlocksOrText) {
  auto* t = new TTextElement();
  Doc->Add(t);
  EXPECT_EQ(t->VisibleCharIndex(3), 0);
  EXPECT_EQ(t->CharIndex(3), 0);
  EXPECT_EQ(t->CharBlock(1), nullptr);
  EXPECT_EQ(t->CharBlockIndex(1), -1);
  EXPECT_EQ(t->VisibleText(), u"");
  EXPECT_EQ(t->GetWordAt(1), u"");
  for (int pos : {-1, 0, 1, 50}) {
    const TPointF p = t->CharPoint(pos, true);
    EXPECT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
  }
  EXPECT_EQ(t->SplitBlockAtChar(nullptr, 2), nullptr);
}

TEST_F(TextGeometryTest, CaretAfterPreviousAtAWrappedLineStartEndsThePreviousLine) {
  TTextElement* t = Find(Load(u"<div style=\"width:80px\">aaa bbb</div>"), u"aaa bbb");
  ASSERT_TRUE(t);
  THtLineBlock* second = t->CharBlock(5);
  ASSERT_TRUE(second);
  ASSERT_EQ(second->Start, 5);
  ASSERT_GT(second->Line, t->LineBlocks.First()->Line);
  const TRectF line1 = t->LineBlocks.First()->RealRect();
  const TRectF line2 = second->RealRect();
  const TPointF before = t->CharPoint(5, false);
  EXPECT_FLOAT_EQ(before.X, line2.Left);
  EXPECT_FLOAT_EQ(before.Y, line2.Top);
  const TPointF after = t->CharPoint(5, true);
  EXPECT_FLOAT_EQ(after.Y, line1.Top);
  EXPECT_FLOAT_EQ(after.X, t->LineBlocks.Get(1)->RealRect().Right);  // the end of the line's blank
  EXPECT_GT(after.X, line1.Left);
  // Inside a block the caret sits after the measured characters.
  EXPECT_FLOAT_EQ(t->CharPoint(2, false).X, line1.Left + 16);
  // Out of range positions are held to the text.
  EXPECT_FLOAT_EQ(t->CharPoint(-3, false).X, line1.Left);
  EXPECT_FLOAT_EQ(t->CharPoint(1000, false).X, line2.Right);
}

TEST_F(TextGeometryTest, SplittingRelinksTheChainAndLeavesSmallBlocksWhole) {
  auto texts = Load(u"<div>abcdef<b>g</b></div>");
  TTextElement* t = Find(texts, u"abcdef");
  ASSERT_TRUE(t);
  THtLineBlock* b = t->LineBlocks.First();
  THtLineBlock* after = b->NextBlock();
  ASSERT_TRUE(after);
  for (int bad : {-1, 0, 6, 100}) EXPECT_EQ(t->SplitBlockAtChar(b, bad), b) << bad;
  EXPECT_EQ(t->LineBlocks.Count(), 1);

  THtLineBlock* second = t->SplitBlock(b, 40);  // two characters fit in 40 px
  ASSERT_NE(second, b);
  EXPECT_EQ(b->Count, 2);
  EXPECT_FLOAT_EQ(b->LogicalWidth, 32);
  EXPECT_EQ(second->Start, 3);
  EXPECT_EQ(second->Count, 4);
  EXPECT_FLOAT_EQ(second->LogicalWidth, 64);
  EXPECT_EQ(b->NextBlock(), second);
  EXPECT_EQ(second->PreviousBlock(), b);
  EXPECT_EQ(second->NextBlock(), after);
  EXPECT_EQ(after->PreviousBlock(), second);
  EXPECT_EQ(t->LineBlocks.Get(1), second);

  EXPECT_EQ(t->SplitBlock(b, 1), b);  // not even one character fits
  second->LogicalWidth = 7;
  EXPECT_EQ(t->SplitBlock(second, 3), second);  // narrower than 8 px
  THtLineBlock* one = t->SplitBlockAtChar(b, 1);
  EXPECT_EQ(t->SplitBlock(one, 8), one);  // a single character
}

TEST_F(TextGeometryTest, EditedTextKeepsItsSpacesVisible) {
  auto texts = Load(u"<div><p>x</p>t<p>y</p><pre>p</pre><span>u</span> <span>v</span></div>");
  TTextElement* between = Find(texts, u"t");
  ASSERT_TRUE(between);
  between->SetAndPrepareContent(u" a  b ");
  EXPECT_EQ(between->Content(), u"\u00A0a\u00A0 b\u00A0");
  EXPECT_EQ(between->DisplayText, between->Content());

  TTextElement* pre = Find(texts, u"p");
  ASSERT_TRUE(pre);
  pre->SetAndPrepareContent(u" a  b ");
  EXPECT_EQ(pre->Content(), u" a  b ");

  // Inside a line: inner non-breaking spaces between letters become spaces,
  // runs of spaces alternate.
  TTextElement* u = Find(texts, u"u");
  ASSERT_TRUE(u);
  u->SetAndPrepareContent(u"a\u00A0b    c");
  EXPECT_EQ(u->Content(), u"a b\u00A0 \u00A0 c");
  u->SetAndPrepareContent(u"");
  EXPECT_EQ(u->Content(), u"");
  u->SetAndPrepareContent(u"\u00A0");
  EXPECT_EQ(u->Content(), u"\u00A0");
}

TEST_F(TextGeometryTest, FixedPitchMeasuresCjkThroughTheCanvas) {
  TTextElement* t = Find(Load(u"<div>abc</div>"), u"abc");
  ASSERT_TRUE(t && t->Font);
  const bool fixed = t->Font->Fixed;
  const float width = t->Font->FixedCharWidth;
  t->Font->Fixed = true;
  t->Font->FixedCharWidth = 5;
  EXPECT_FLOAT_EQ(t->TextWidth(u"abc", 1, -1), 15);
  EXPECT_FLOAT_EQ(t->TextWidth(u"a\u4E2D", 1, -1), 32);  // not 10
  EXPECT_FLOAT_EQ(t->TextWidth(u"\U0001F600x", 1, 2), 10);
  EXPECT_FLOAT_EQ(t->TextWidth(u"", 1, -1), 0);
  t->Font->Fixed = fixed;
  t->Font->FixedCharWidth = width;
}

TEST_F(TextGeometryTest, HitTestNeverAnswersForOutside) {
  TTextElement* t = Find(Load(u"<div>abc</div>"), u"abc");
  ASSERT_TRUE(t);
  const TRectF r = t->LineBlocks.First()->R();
  const float x = r.Left + 4, y = r.Top + 4;
  EXPECT_FALSE(t->InternalHitTest(x, y, 0, 0, false, false));  // not drawn yet
  t->IncludeFlag(efDrawn);
  EXPECT_TRUE(t->InternalHitTest(x, y, 0, 0, false, false));
  EXPECT_TRUE(t->InternalHitTest(x + 100, y + 50, 100, 50, false, false));
  EXPECT_FALSE(t->InternalHitTest(x, y, 0, 0, false, true));
  EXPECT_FALSE(t->InternalHitTest(r.Right + 1, y, 0, 0, false, false));
  EXPECT_FALSE(t->InternalHitTest(x, r.Bottom + 1, 0, 0, false, false));
}

TEST_F(TextGeometryTest, TextAnswersNeverReadPastTheContent) {
  TTextElement* t = Find(Load(u"<div>abcdef</div>"), u"abcdef");
  ASSERT_TRUE(t);
  // The blocks still cover six characters of a now shorter content, as a
  // template or a parameter's answer of another length leaves them.
  t->SetContent(u"ab");
  EXPECT_EQ(t->VisibleText(), u"ab");
  EXPECT_EQ(t->LastChar(), 2);
  EXPECT_EQ(t->GetRawInnerText(), u"ab");
  Doc->Selection.SetStartElement(t);
  Doc->Selection.StartPos = 2;
  Doc->Selection.SetEndElement(t);
  Doc->Selection.EndPos = 6;
  EXPECT_EQ(t->SelectedHTMLText(), u"b");
  // Surrogate pairs and non-breaking spaces are kept whole.
  t->SetContent(u"\U0001F600\u00A0");
  EXPECT_EQ(t->VisibleText(), u"\U0001F600\u00A0");
}

TEST_F(TextGeometryTest, InnerTextAndHtml) {
  auto texts = Load(u"<div>a &lt; b<br>c\nd</div>");
  TTextElement* a = Find(texts, u"a < b");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->GetInnerText(), u"a < b");
  TFastString fs(64);
  a->FastInnerHTML(fs);
  EXPECT_EQ(fs.ToString(), u"a &lt; b");
  TTextElement* br = nullptr;
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (auto* t = dynamic_cast<TTextElement*>(n); t && t->HasFlag(efLineBreak)) br = t;
  ASSERT_TRUE(br);
  EXPECT_EQ(br->GetInnerText(), u"\r\n");
  EXPECT_EQ(br->AbsolutePositionDelta(), 2);
  TTextElement* c = Find(texts, u"c\nd");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->GetInnerText(), u"c d");
}

TEST_F(TextGeometryTest, WordsAtPositions) {
  TTextElement* t = Find(Load(u"<p>one two</p>"), u"one two");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->GetWordAt(2), u"one");
  EXPECT_EQ(t->GetWordAt(6), u"two");
  EXPECT_EQ(t->GetWordAt(4), u"");  // the blank
  for (int bad : {-1, 0, 8, 100}) EXPECT_EQ(t->GetWordAt(bad), u"") << bad;
  t->IgnoreWordAt(5);
  EXPECT_EQ(t->Content(), u"one two");
  t->ReplaceWordAt(6, u"three");
  EXPECT_EQ(t->Content(), u"one three");
}


TEST_F(TextGeometryTest, NeighbourhoodFollowsLinesAndContainers) {
  auto texts = Load(u"<p>a<br>b <i>c</i></p><p>d</p>");
  TTextElement *a = Find(texts, u"a"), *b = Find(texts, u"b "), *c = Find(texts, u"c"), *d = Find(texts, u"d");
  ASSERT_TRUE(a && b && c && d);
  EXPECT_TRUE(a->IsLineStart());   // first in its container
  EXPECT_TRUE(b->IsLineStart());   // after a line break
  EXPECT_FALSE(c->IsLineStart());  // on b's line
  EXPECT_TRUE(a->IsLineEnd());     // a line break follows
  EXPECT_TRUE(c->IsLineEnd());     // the next element is in another container
  EXPECT_TRUE(c->IsNext(b));
  EXPECT_FALSE(b->IsNext(a));  // the line break's text lies between
  EXPECT_FALSE(d->IsNext(c));  // a block lies between
  EXPECT_EQ(b->NextTextElement(), c);
  EXPECT_EQ(d->PreviousTextElement(), c);
}

}  // namespace ht::testing
