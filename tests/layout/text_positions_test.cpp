// Carets under points, word and paragraph selection, selected text, word
// replacement and search, on the Ahem canvas (every character 16 px).
#include <cmath>

#include "canvas/font.h"
#include "layout_fixture.h"

namespace ht::testing {

class TextPositionsTest : public LayoutTest {
 protected:
  void Load(StringView Html) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
  }
  TTextElement* TextOf(StringView Content) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* t = dynamic_cast<TTextElement*>(n); t && t->Content() == Content) return t;
    return nullptr;
  }
  TDocSelection& Sel() { return Doc->Selection; }
  // The document x of a point D pixels into the run.
  static int XIn(TTextElement* T, THtLineBlock* LB, float D) {
    return int(std::lround(T->RealLeft())) + int(std::lround(LB->Left + D));
  }
};

TEST_F(TextPositionsTest, NearestSpaceAtRunEdgesAndInside) {
  Load(u"<p>abcdef</p>");
  TTextElement* t = TextOf(u"abcdef");
  ASSERT_TRUE(t && t->Font);
  THtLineBlock* lb = t->LineBlocks.First();
  const float m = t->Font->MinCharWidth;
  ASSERT_GT(m, 0);
  ASSERT_EQ(lb->LogicalWidth, 96);
  // A third of the narrowest character before the end takes the caret
  // after the last character; half of it after the start keeps it first.
  EXPECT_EQ(t->NearestSpace(XIn(t, lb, 96 - m / 3), lb), 7);
  EXPECT_EQ(t->NearestSpace(XIn(t, lb, m / 2), lb), 1);
  EXPECT_EQ(t->NearestSpace(XIn(t, lb, 32), lb), 3);
  EXPECT_EQ(t->NearestSpace(XIn(t, lb, 48), lb), 4);
  // Right to left: the logical start is at the right edge.
  lb->Flags.Include(trfRTL);
  EXPECT_EQ(t->NearestSpace(XIn(t, lb, 96 - m / 3), lb), 1);
  EXPECT_EQ(t->NearestSpace(XIn(t, lb, 0), lb), 7);
  EXPECT_EQ(t->NearestSpace(XIn(t, lb, 96 - 32), lb), 3);
}

TEST_F(TextPositionsTest, CaretNeverSplitsASurrogatePair) {
  Load(u"<p>a\U0001F600bc</p>");
  TTextElement* t = TextOf(u"a\U0001F600bc");
  ASSERT_TRUE(t);
  THtLineBlock* lb = t->LineBlocks.First();
  for (int d = 0; d <= int(lb->LogicalWidth); ++d) {
    const int p = t->NearestSpace(XIn(t, lb, float(d)), lb);
    EXPECT_NE(p, 3) << d;  // between the two halves
    EXPECT_GE(p, 1);
    EXPECT_LE(p, 6);
  }
}

TEST_F(TextPositionsTest, CharactersLinesAndVisibleIndexes) {
  Load(u"<p>ab   cd</p>");
  TTextElement* t = TextOf(u"ab   cd");
  ASSERT_TRUE(t);
  const TRectF r = t->Rects(0);
  const int y = int(r.Top) + 2;
  EXPECT_EQ(t->CharAtPoint(int(r.Left) + 20, y), 2);
  EXPECT_EQ(t->CharAtPoint(int(r.Left) + 1, y), 1);
  EXPECT_EQ(t->CharAtPoint(int(r.Left) + 20, int(r.Bottom) + 5), 0);
  EXPECT_EQ(t->LineAt(int(r.Left) + 20, y), 0);
  EXPECT_EQ(t->LineAt(int(r.Right) + 1, y), -1);
  // Runs "ab", one shown blank for three, "cd".
  struct {
    int Visible, Char;
  } cases[] = {{1, 1}, {2, 2}, {3, 3}, {4, 6}, {5, 7}, {6, 8}, {50, 8}};
  for (auto c : cases) EXPECT_EQ(t->CharIndexFromVisible(c.Visible), c.Char) << c.Visible;

  THtLineBlock* ab = t->LineBlocks.First();
  THtLineBlock* cd = t->LineBlocks.Last();
  EXPECT_EQ(ab->Nearestto(int(t->RealLeft()) + 60), cd);
  EXPECT_EQ(cd->Nearestto(int(t->RealLeft()) + 5), ab);
  // Past every run: the element's last run, never one of another element.
  EXPECT_EQ(ab->Nearestto(int(t->RealLeft()) + 500), cd);
}

TEST_F(TextPositionsTest, WordSelection) {
  Load(u"<p>foo-bar baz</p><p>some<br>thing</p>");
  TTextElement* t = TextOf(u"foo-bar baz");
  ASSERT_TRUE(t);
  // On a letter of bar: "-" and the space bound the word.
  t->SelectWordAt(6);
  EXPECT_EQ(Sel().StartElement(), t);
  EXPECT_EQ(Sel().StartPos, 5);
  EXPECT_EQ(Sel().EndPos, 8);
  EXPECT_EQ(Sel().Text(), u"bar");
  // The first letter of a word after a blank starts it.
  Sel().Clear();
  t->SelectWordAt(9);
  EXPECT_EQ(Sel().Text(), u"baz");
  // On a space nothing is selected.
  Sel().Clear();
  t->SelectWordAt(8);
  EXPECT_TRUE(Sel().Empty());
  // A line break ends a word.
  TTextElement* thing = TextOf(u"thing");
  thing->SelectWordAt(2);
  EXPECT_EQ(Sel().Text(), u"thing");
  EXPECT_EQ(Sel().StartElement(), thing);
}

TEST_F(TextPositionsTest, WordAcrossTwoRunsOfOneLine) {
  Load(u"<p>something else</p>");
  TTextElement* t = TextOf(u"something else");
  ASSERT_TRUE(t);
  t->SplitBlockAtChar(t->LineBlocks.First(), 4);  // "some" + "thing"
  ASSERT_EQ(t->LineBlocks.Get(1)->Start, 5);
  t->SelectWordAt(7);
  EXPECT_EQ(Sel().StartPos, 1);
  EXPECT_EQ(Sel().EndPos, 10);
  t->SelectWordAt(2);
  EXPECT_EQ(Sel().Text(), u"something");
}

TEST_F(TextPositionsTest, ParagraphSelection) {
  Load(u"<div><p>a <b>b</b></p><h6>six</h6></div><p>c</p>");
  TextOf(u"a ")->SelectPara();
  EXPECT_EQ(Sel().StartElement(), TextOf(u"a "));
  EXPECT_EQ(Sel().StartPos, 1);
  EXPECT_EQ(Sel().EndElement(), TextOf(u"b"));
  EXPECT_EQ(Sel().EndPos, 2);
  EXPECT_EQ(Sel().Text(), u"a b");
  // "h6" is no paragraph tag, and nothing above it is one.
  Sel().Clear();
  TextOf(u"six")->SelectPara();
  EXPECT_TRUE(Sel().Empty());
}

TEST_F(TextPositionsTest, SelectedTextReplacesSpacesAndBreaks) {
  Load(u"<p>a&nbsp;b</p><pre>c\nd</pre><p>e\nf</p>");
  TTextElement* ab = TextOf(u"a\u00A0b");
  TTextElement* cd = TextOf(u"c\nd");
  TTextElement* ef = TextOf(u"e\nf");
  ASSERT_TRUE(ab && cd && ef);
  Sel().SetStartElement(ab);
  Sel().StartPos = 1;
  Sel().SetEndElement(ab);
  Sel().EndPos = 4;
  EXPECT_EQ(ab->SelectedText(), u"a b");
  EXPECT_EQ(ab->SelectedHTMLText(), u"a\u00A0b");
  Sel().SetEndElement(cd);
  EXPECT_EQ(cd->SelectedText(), u"c\nd");
  Sel().SetStartElement(ef);
  Sel().StartPos = 1;
  Sel().SetEndElement(ef);
  Sel().EndPos = 3;
  EXPECT_EQ(ef->SelectedText(), u"e ");
  // Outside the selection a text gives nothing.
  EXPECT_EQ(ab->SelectedText(), u"");
}

TEST_F(TextPositionsTest, SelectedHtmlOfHalfABoldWord) {
  Load(u"<p>x<b>bold</b>y</p>");
  Sel().SetStartElement(TextOf(u"x"));
  Sel().StartPos = 1;
  Sel().SetEndElement(TextOf(u"bold"));
  Sel().EndPos = 3;
  EXPECT_EQ(Doc->GetSelectedHTML(), u"x<b>bo</b>");
  EXPECT_EQ(Sel().Text(), u"xbo");
  Sel().Clear();
  EXPECT_EQ(Doc->GetSelectedHTML(), u"");
}

TEST_F(TextPositionsTest, FindText) {
  Load(u"<p>first</p><p>xxabyyab</p>");
  TTextElement* t = TextOf(u"xxabyyab");
  ASSERT_TRUE(t);
  struct {
    const char16_t* Pattern;
    int From;
    bool Down, CaseSensitive;
    int Pos;  // 0: not found
  } cases[] = {
      {u"ab", 1, true, false, 3},  {u"ab", 4, true, false, 7},  {u"ab", 8, true, false, 0},
      {u"ab", 8, false, false, 7}, {u"ab", 6, false, false, 3}, {u"AB", 1, true, false, 3},
      {u"AB", 1, true, true, 0},   {u"", 1, true, false, 0},    {u"abx", 1, true, false, 0},
  };
  for (auto c : cases) {
    int pos = c.From;
    TElement* found = Doc->FindText(c.Pattern, pos, t, c.Down, c.CaseSensitive);
    EXPECT_EQ(found, c.Pos ? t : nullptr) << StringToUtf8(c.Pattern) << " from " << c.From;
    if (c.Pos) {
      EXPECT_EQ(pos, c.Pos) << StringToUtf8(c.Pattern) << " from " << c.From;
    }
  }
  // From the document on, across elements; backward from the last text.
  int pos = 1;
  EXPECT_EQ(Doc->FindText(u"YY", pos, Doc.get(), true, false), t);
  EXPECT_EQ(pos, 5);
  pos = 1;
  EXPECT_EQ(Doc->FindText(u"irs", pos, t, false, false), TextOf(u"first"));
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(Doc->FindText(u"ab", pos, nullptr, true, false), nullptr);
}

TEST_F(TextPositionsTest, FindTextKeepsToOneTextAndSeesChangedTexts) {
  Load(u"<p>xa<b>by</b>ab</p>");
  TTextElement *xa = TextOf(u"xa"), *ab = TextOf(u"ab");
  ASSERT_TRUE(xa && ab);
  // "a|b" across two texts is no match, either way.
  int pos = 1;
  EXPECT_EQ(Doc->FindText(u"ab", pos, Doc.get(), true, false), ab);
  EXPECT_EQ(pos, 1);
  pos = 1;
  EXPECT_EQ(Doc->FindText(u"ab", pos, TextOf(u"by"), false, true), nullptr);
  EXPECT_EQ(pos, 0);
  // A text written again is searched as it reads now.
  xa->SetAndPrepareContent(u"cAb");
  pos = 1;
  EXPECT_EQ(Doc->FindText(u"ab", pos, Doc.get(), true, false), xa);
  EXPECT_EQ(pos, 2);
  pos = 1;
  EXPECT_EQ(Doc->FindText(u"Ab", pos, Doc.get(), true, true), xa);
  pos = 1;
  EXPECT_EQ(Doc->FindText(u"ab", pos, Doc.get(), true, true), ab);
}

TEST_F(TextPositionsTest, ReplaceWordFindsTheReplacedWordAgain) {
  Load(u"<p>one two three</p>");
  THtWord w;
  ASSERT_TRUE(Doc->GetFirstWord(w));
  ASSERT_TRUE(Doc->GetNextWord(w, false));
  EXPECT_EQ(w.Text(), u"two");
  EXPECT_TRUE(Doc->ReplaceWord(w, u"deux"));
  EXPECT_EQ(w.Text(), u"deux");
  EXPECT_EQ(TextOf(u"one deux three") != nullptr, true);
  ASSERT_TRUE(Doc->GetNextWord(w, false));
  EXPECT_EQ(w.Text(), u"three");
  EXPECT_FALSE(Doc->ReplaceWord(w, u""));  // no word left at or after its place
  THtWord none;
  EXPECT_FALSE(Doc->ReplaceWord(none, u"x") && none.StartBlock == nullptr);
}

}  // namespace ht::testing

namespace ht::testing {

TEST_F(TextPositionsTest, OddCharactersAndAMegabyteOfText) {
  // Lone surrogates and U+0000 are ordinary characters here.
  const String odd = String(u"a\xD800 b\xDC00") + char16_t(0) + u"c \xD83D";
  String html = u"<p>" + odd + u"</p><p>";
  String big;
  while (big.size() < (size_t(1) << 20)) big += u"lorem ipsum ";
  html += big + u"tail</p>";
  Load(html);
  TTextElement* t = TextOf(odd);
  ASSERT_TRUE(t);
  for (int p = -1; p <= int(odd.size()) + 2; ++p) {
    Sel().Clear();
    t->SelectWordAt(p);
    (void)Sel().Text();
    (void)Doc->GetSelectedHTML();
  }
  THtLineBlock* lb = t->LineBlocks.First();
  for (int x = -20; x < 200; x += 3) {
    const int p = t->NearestSpace(x, lb);
    EXPECT_GE(p, 1);
    EXPECT_LE(p, int(odd.size()) + 1);
  }
  int pos = 1;
  EXPECT_EQ(Doc->FindText(String(1, char16_t(0)), pos, Doc.get(), true, false), t);
  EXPECT_EQ(pos, 6);
  pos = 1;
  EXPECT_EQ(Doc->FindText(u"\xDC00", pos, Doc.get(), true, false), t);
  EXPECT_EQ(pos, 5);

  // The megabyte paragraph: whole, searched to its end, and its last word.
  Sel().SelectAll();
  const String all = Sel().Text();
  EXPECT_GT(all.size(), big.size());
  EXPECT_EQ(all.substr(all.size() - 4), u"tail");
  pos = 1;
  TElement* found = Doc->FindText(u"TAIL", pos, t, true, false);
  ASSERT_TRUE(found);
  EXPECT_EQ(pos, int(big.size()) + 1);
  auto* bigText = static_cast<TTextElement*>(found);
  Sel().Clear();
  bigText->SelectWordAt(pos + 1);
  EXPECT_EQ(Sel().Text(), u"tail");
}

}  // namespace ht::testing
