#include <cmath>
#include <string>
#include <vector>

#include "layout/flow.h"
#include "layout_fixture.h"

namespace ht::testing {

class TextRunsTest : public LayoutTest {
 protected:
  // Parses Html, computes its styles and returns the texts in order.
  std::vector<TTextElement*> Load(StringView Html) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
    std::vector<TTextElement*> texts;
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* t = dynamic_cast<TTextElement*>(n)) texts.push_back(t);
    return texts;
  }
  // The line blocks the text makes in a fresh flow of its container, as
  // "text:width" each.
  std::vector<std::string> Build(TTextElement* T) {
    auto* c = static_cast<TElement*>(T->Container);
    TFlow* f = c->EnsureSelfFlow();
    f->Reset();
    T->CalcBoxes(f);
    std::vector<std::string> out;
    for (int i = 0; i < T->LineBlocks.Count(); ++i) {
      THtLineBlock* b = T->LineBlocks.Get(i);
      std::string s = StringToUtf8(b->DisplayText()) + ":" + std::to_string(int(b->LogicalWidth));
      if (b->Hidden()) s += "(hidden)";
      out.push_back(s);
    }
    return out;
  }
  using Strings = std::vector<std::string>;
};

TEST_F(TextRunsTest, BlanksCollapseUnderNormalAndStayUnderPre) {
  auto t = Load(u"<div>a  b \n c</div><pre>a  b \n c</pre>");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(Build(t[0]), (Strings{"a:16", " :16", "b:16", " :16", "c:16"}));
  EXPECT_EQ(Build(t[1]), (Strings{"a:16", "  :32", "b:16", " :16", ":0", " :16", "c:16"}));  // a line break shows no text
  EXPECT_EQ(t[0]->LineBlocks.Get(1)->Count, 1);  // two blanks count as one
  EXPECT_TRUE(t[0]->LineBlocks.Get(1)->Has(trfCollapsible));
}

TEST_F(TextRunsTest, TextBetweenBlocksKeepsOnlyItsWords) {
  auto t = Load(u"<div><p>x</p>  word  <p>y</p> \n <p>z</p><br></div>");
  TTextElement *word = nullptr, *blank = nullptr, *br = nullptr;
  for (TTextElement* e : t) {
    if (e->Content() == u"  word  ") word = e;
    if (e->Content() == u" \n ") blank = e;
    if (e->Tag() == u"br") br = e;
  }
  ASSERT_TRUE(word && blank && br);
  for (TTextElement* e : {word, blank}) {
    e->SetOwnTextFlag(tfNearBlock, true);
    e->SetOwnTextFlag(tfLeftIsBlock, true);
    e->SetOwnTextFlag(tfRightIsBlock, true);
  }
  EXPECT_EQ(Build(word), (Strings{"word:64"}));
  EXPECT_TRUE(Build(blank).empty());
  EXPECT_TRUE(blank->Empty);
  EXPECT_TRUE(blank->HasTextFlag(tfSpaceElement));
  br->SetOwnTextFlag(tfNearBlock, true);
  EXPECT_EQ(Build(br), (Strings{":1"}));  // a line break, never empty
  EXPECT_FALSE(br->Empty);
  EXPECT_TRUE(br->LineBlocks.Get(0)->IsLineBreak());
}

TEST_F(TextRunsTest, CaseTransformsKeepTheLength) {
  auto t = Load(
      u"<p style='text-transform:uppercase'>stra\u00DFe</p><p style='text-transform:capitalize'>word</p>"
      u"<p style='text-transform:lowercase'>ABC</p>");
  ASSERT_EQ(t.size(), 3u);
  Build(t[0]);
  EXPECT_EQ(t[0]->DisplayText.size(), t[0]->Content().size());
  EXPECT_EQ(t[0]->DisplayText, u"STRA\u00DFE");
  Build(t[1]);
  EXPECT_EQ(t[1]->DisplayText, u"word");
  Build(t[2]);
  EXPECT_EQ(t[2]->DisplayText, u"abc");
}

TEST_F(TextRunsTest, LineHeightNeverShrinksARunAndFontSizeZeroMeasuresNothing) {
  auto t = Load(
      u"<p style='line-height:0.5'>a</p><p style='line-height:40px'>b</p><p style='line-height:2'>c</p>"
      u"<p style='font-size:0'>d e</p>");
  ASSERT_EQ(t.size(), 4u);
  Build(t[0]);
  EXPECT_EQ(t[0]->LineBlocks.Get(0)->LogicalHeight, 16);
  EXPECT_EQ(t[0]->LineBlocks.Get(0)->Ascent, 12.8f);
  Build(t[1]);
  EXPECT_EQ(t[1]->LineBlocks.Get(0)->LogicalHeight, 40);
  Build(t[2]);
  EXPECT_EQ(t[2]->LineBlocks.Get(0)->LogicalHeight, 32);
  EXPECT_EQ(Build(t[3]), (Strings{"d:0", " :0", "e:0"}));
}

TEST_F(TextRunsTest, ARebuildReusesItsLineBlocks) {
  auto t = Load(u"<p>one two</p>");
  ASSERT_EQ(t.size(), 1u);
  Build(t[0]);
  THtLineBlock* first = t[0]->LineBlocks.Get(0);
  EXPECT_EQ(Build(t[0]), (Strings{"one:48", " :16", "two:48"}));
  EXPECT_EQ(t[0]->LineBlocks.Get(0), first);
  t[0]->SetContent(u"x");
  EXPECT_EQ(Build(t[0]), (Strings{"x:16"}));
}

TEST_F(TextRunsTest, HostileTextGivesFiniteRuns) {
  auto t = Load(u"<p>x</p><p style='font-size:1e9px'>ab</p><p style='font-size:calc(0px/0)'>ab</p>");
  ASSERT_EQ(t.size(), 3u);
  String big(1000000, u'x');
  big += u"\xD800 \xDC00\u0000y";
  t[0]->SetContent(big);
  Strings runs = Build(t[0]);
  ASSERT_FALSE(runs.empty());
  for (int i = 0; i < t[0]->LineBlocks.Count(); ++i)
    EXPECT_TRUE(std::isfinite(t[0]->LineBlocks.Get(i)->LogicalWidth));
  EXPECT_GE(t[0]->LineBlocks.Get(0)->LogicalWidth, 16000000.0f);
  for (TTextElement* e : {t[1], t[2]}) {
    Build(e);
    for (int i = 0; i < e->LineBlocks.Count(); ++i) {
      EXPECT_TRUE(std::isfinite(e->LineBlocks.Get(i)->LogicalWidth));
      EXPECT_TRUE(std::isfinite(e->LineBlocks.Get(i)->LogicalHeight));
    }
  }
}

}  // namespace ht::testing
