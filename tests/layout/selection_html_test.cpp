// The word walk with the spell-check hook, and the HTML of a selection, on
// laid-out documents.
#include <string>
#include <vector>

#include "layout/flow.h"
#include "layout_fixture.h"

namespace ht::testing {

class WordWalkTest : public LayoutTest {
 protected:
  void Load(StringView Html) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
  }
  TElement* Tagged(StringView Tag, int Nth = 0) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (n->Tag() == Tag && Nth-- == 0) return AsElement(n);
    return nullptr;
  }
  TTextElement* TextOf(StringView Content) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* t = dynamic_cast<TTextElement*>(n); t && t->Content() == Content) return t;
    return nullptr;
  }
  std::vector<String> Words(TElement* E) {
    std::vector<String> out;
    THtWord w;
    for (bool f = E->GetFirstWord(w); f; f = E->GetNextSiblingWord(w, true)) out.push_back(w.Text());
    return out;
  }
  void Select(TElement* S, int SPos, TElement* E, int EPos, bool CellMode = false) {
    Doc->Selection.SetStartElement(S);
    Doc->Selection.StartPos = SPos;
    Doc->Selection.SetEndElement(E);
    Doc->Selection.EndPos = EPos;
    Doc->Selection.CellMode = CellMode;
  }
};

TEST_F(WordWalkTest, WordsJoinAcrossInlineMarkersAndSkipLeadingDigits) {
  Load(u"<p>hel<b>lo</b> 12ab wor, x</p>");
  TElement* p = Tagged(u"p");
  ASSERT_TRUE(p);
  EXPECT_EQ(Words(p), (std::vector<String>{u"hello", u"wor", u"x"}));
  // The document walk starts at the document and takes digits too.
  THtWord w;
  ASSERT_TRUE(Doc->GetFirstWord(w));
  EXPECT_EQ(w.Text(), u"hello");
  ASSERT_TRUE(Doc->GetNextWord(w, false));
  EXPECT_EQ(w.Text(), u"12ab");
  // No own flow, no words.
  TElement* b = Tagged(u"b");
  EXPECT_FALSE(b->SelfFlow && b->SelfFlow->FirstBlock);
  EXPECT_TRUE(Words(b).empty());
  TElement loose;
  EXPECT_FALSE(loose.GetFirstWord(w));
}

TEST_F(WordWalkTest, SpellCheckMarksTheRunsOfRejectedWords) {
  Load(u"<p>hel<b>lo</b> good</p>");
  TElement* p = Tagged(u"p");
  TTextElement* hel = TextOf(u"hel");
  TTextElement* lo = TextOf(u"lo");
  ASSERT_TRUE(p && hel && lo);
  auto incorrect = [](TTextElement* t) { return t->LineBlocks.First()->Has(trfSpellIncorrect); };

  // Without a hook, or with checking off, the element is still checked.
  p->ProcessSpellcheck();
  EXPECT_TRUE(p->HasFlag(efSpellChecked));
  std::vector<String> asked;
  Doc->OnSpellCheck = [&](TElement* E, const String& W) {
    EXPECT_TRUE(E->IsText());
    asked.push_back(W);
    return W != u"hello";
  };
  Doc->SpellChecking = false;
  p->ExcludeFlag(efSpellChecked);
  p->ProcessSpellcheck();
  EXPECT_TRUE(p->HasFlag(efSpellChecked));
  EXPECT_TRUE(asked.empty());
  EXPECT_FALSE(incorrect(hel));

  Doc->SpellChecking = true;
  p->ProcessSpellcheck();
  EXPECT_EQ(asked, (std::vector<String>{u"hello", u"good"}));
  EXPECT_TRUE(incorrect(hel));
  EXPECT_TRUE(incorrect(lo));
  EXPECT_FALSE(TextOf(u" good")->LineBlocks.Last()->Has(trfSpellIncorrect));

  // An accepted word loses the mark; editing the text asks for a new check.
  Doc->OnSpellCheck = [](TElement*, const String&) { return true; };
  p->ProcessSpellcheck();
  EXPECT_FALSE(incorrect(hel));
  hel->SetAndPrepareContent(u"hal");
  EXPECT_FALSE(p->HasFlag(efSpellChecked));
}

TEST_F(WordWalkTest, SelectionAcrossTwoParagraphs) {
  Load(u"<p>one two</p><p>three four</p>");
  TTextElement* a = TextOf(u"one two");
  TTextElement* b = TextOf(u"three four");
  ASSERT_TRUE(a && b);
  Select(a, 5, b, 6);
  EXPECT_EQ(Doc->GetSelectedHTML(), u"<p>two</p><p>three</p>");
  EXPECT_FALSE(Doc->FSerializingSelection);
  // An end before the start selects the same.
  Select(b, 6, a, 5);
  EXPECT_EQ(Doc->GetSelectedHTML(), u"<p>two</p><p>three</p>");
  // Outside a selection export the whole element is written.
  EXPECT_EQ(Tagged(u"p")->GetOuterHTML(), u"<p>one two</p>");
}

TEST_F(WordWalkTest, SelectionInsideABoldWordKeepsTheBoldTags) {
  Load(u"<p>a <b>bold</b> c</p>");
  Select(TextOf(u"bold"), 2, TextOf(u"bold"), 4);
  EXPECT_EQ(Doc->GetSelectedHTML(), u"<b>ol</b>");
}

TEST_F(WordWalkTest, SelectionEndingAtTheStartOfAParagraphLeavesItOut) {
  Load(u"<p>one</p><p>two</p>");
  for (int end : {0, 1}) {
    Select(TextOf(u"one"), 1, TextOf(u"two"), end);
    EXPECT_EQ(Doc->GetSelectedHTML(), u"<p>one</p>") << end;
  }
  Doc->Selection.Clear();
  EXPECT_EQ(Doc->GetSelectedHTML(), u"");
}

TEST_F(WordWalkTest, CellSelectionWritesTheTableAndItsSelectedRows) {
  Load(u"<table><tr><td>r1</td></tr><tr><td>r2</td></tr><tr><td>r3</td></tr></table>");
  Select(TextOf(u"r2"), 1, TextOf(u"r3"), 3, true);
  EXPECT_EQ(Doc->Selection.SelectedTable(), Tagged(u"table"));
  const String html = Doc->GetSelectedHTML();
  EXPECT_NE(html.find(u"<table>"), String::npos) << StringToUtf8(html);
  EXPECT_NE(html.find(u"<tr><td>r2</td></tr><tr><td>r3</td></tr>"), String::npos) << StringToUtf8(html);
  EXPECT_EQ(html.find(u"r1"), String::npos) << StringToUtf8(html);
}

TEST_F(WordWalkTest, TextsKnowTheirSelectedRangeBeforeAPaint) {
  Load(u"<p>one</p><p>two</p><p>six</p>");
  TTextElement* a = TextOf(u"one");
  TTextElement* b = TextOf(u"two");
  TTextElement* c = TextOf(u"six");
  Select(a, 2, b, 3);
  Doc->EnableSelection = true;
  Doc->UpdateScrollBars();
  EXPECT_TRUE(a->HasTextFlag(tfInSelection));
  // SelStart and SelEnd are the first and last selected character.
  EXPECT_EQ(a->SelStart, 2);
  EXPECT_EQ(a->SelEnd, 3);
  EXPECT_TRUE(b->HasTextFlag(tfInSelection));
  EXPECT_EQ(b->SelStart, 1);
  EXPECT_EQ(b->SelEnd, 2);
  EXPECT_FALSE(c->HasTextFlag(tfInSelection));
  Doc->EnableSelection = false;
  Doc->UpdateScrollBars();
  EXPECT_FALSE(a->HasTextFlag(tfInSelection));
}

TEST_F(WordWalkTest, OrderNumbersAreRenumberedBeforeTheEndsAreOrdered) {
  Load(u"<p>one</p><p>two</p>");
  TTextElement* a = TextOf(u"one");
  TTextElement* b = TextOf(u"two");
  // An edit left the numbers out of order.
  a->Index = b->Index + 1000000;
  Doc->FIndexesDirty = true;
  Select(b, 1, a, 2);
  EXPECT_EQ(Doc->Selection.RealStartElement(), a);
  EXPECT_EQ(Doc->Selection.RealEndElement(), b);
  EXPECT_FALSE(Doc->FIndexesDirty);
  EXPECT_EQ(Doc->Selection.RealStartPos(), 2);
  EXPECT_TRUE(Doc->Selection.FullSelected(Tagged(u"p")) == false);
  EXPECT_TRUE(Doc->Selection.PartiallyInSelection(Tagged(u"p")));
}

}  // namespace ht::testing
