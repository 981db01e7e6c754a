#include "css/css_selector.h"

#include <gtest/gtest.h>

#include "css/property_registry.h"
#include "css_test_helpers.h"

namespace ht {
namespace {

std::unique_ptr<TCSSSelector> Sel(StringView text) {
  auto s = TCSSSelector::FromText(text);
  EXPECT_TRUE(s) << StringToUtf8(text);
  return s;
}

bool Matches(StringView selector, const THtNode* node, const ICSSNodeFacts& facts, TCSSPseudoSet pseudo = 0) {
  auto s = Sel(selector);
  return s && TestElement(*node, *s, pseudo, facts);
}

class Selectors : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterCSSProperties(); }
  THtmlNode root{u"html"};
  TCSSPlainNodeFacts facts;
};

TEST_F(Selectors, ChildAndDescendantChains) {
  // a > b > b > c
  THtNode* a = AddElement(&root, u"a");
  THtNode* b1 = AddElement(a, u"b");
  THtNode* b2 = AddElement(b1, u"b");
  THtNode* c = AddElement(b2, u"c");
  struct {
    const char16_t* sel;
    bool expect;
  } cases[] = {
      {u"a > b > c", false}, {u"a b > c", true},   {u"a c", true},       {u"* > c", true},
      {u"b>b>c", true},      {u"a > b b c", true}, {u"a > c", false},    {u"html a b b c", true},
      {u"c", true},          {u"*", true},         {u"d c", false},      {u"b > b > b > c", false},
  };
  for (const auto& k : cases) EXPECT_EQ(Matches(k.sel, c, facts), k.expect) << StringToUtf8(k.sel);
  EXPECT_TRUE(Matches(u"* > a", a, facts));
  EXPECT_FALSE(Matches(u"* > html", &root, facts)) << "a node without a parent has no ancestor";
}

TEST_F(Selectors, SearchesStopWhenNoCandidateCanSucceed) {
  // html > div#x > (p, section > (span, em > i)); html > div#y > section > em > i
  THtNode* x = AddElement(&root, u"div");
  x->SetAttribute(u"id", u"x");
  AddElement(x, u"p");
  THtNode* section = AddElement(x, u"section");
  AddElement(section, u"span");
  THtNode* i = AddElement(AddElement(section, u"em"), u"i");
  THtNode* y = AddElement(&root, u"div");
  y->SetAttribute(u"id", u"y");
  THtNode* iy = AddElement(AddElement(AddElement(y, u"section"), u"em"), u"i");
  struct {
    const char16_t* sel;
    bool x, y;
  } cases[] = {
      {u"div p ~ section em > i", true, false}, {u"#y section i", false, true}, {u"p + section > em i", true, false},
      {u"span ~ em > i", true, false},          {u"span + em > i", true, false}, {u"em ~ span i", false, false},
      {u"html > div > section i", true, true},  {u"div > div i", false, false},  {u"p ~ section > * > i", true, false},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Matches(k.sel, i, facts), k.x) << StringToUtf8(k.sel);
    EXPECT_EQ(Matches(k.sel, iy, facts), k.y) << StringToUtf8(k.sel);
  }
  // Sixty nested spans against forty descendant steps: trying every way to
  // place the steps would take C(60, 40) tries before failing at the top.
  THtNode* deepest = &root;
  for (int n = 0; n < 60; ++n) deepest = AddElement(deepest, u"span");
  String steps;
  for (int n = 0; n < 40; ++n) steps += u" span";
  EXPECT_FALSE(Matches(u"div" + steps, deepest, facts));
  EXPECT_TRUE(Matches(u"html" + steps, deepest, facts));
  EXPECT_FALSE(Matches(u"div > span" + steps, deepest, facts));
}

TEST_F(Selectors, SiblingCombinatorsSkipTextNodes) {
  THtNode* div = AddElement(&root, u"div");
  AddElement(div, u"a");
  AddText(div, u" ");
  AddElement(div, u"span");
  AddText(div, u" ");
  THtNode* b = AddElement(div, u"b");
  EXPECT_FALSE(Matches(u"a + b", b, facts));
  EXPECT_TRUE(Matches(u"a ~ b", b, facts));
  EXPECT_TRUE(Matches(u"span + b", b, facts));
  EXPECT_TRUE(Matches(u"div > a ~ span + b", b, facts));
  EXPECT_FALSE(Matches(u"b ~ b", b, facts));
}

TEST_F(Selectors, NthChildCountsElementsOnly) {
  THtNode* ul = AddElement(&root, u"ul");
  std::vector<THtNode*> li;
  for (int i = 0; i < 5; ++i) {
    AddText(ul, u"\n");
    li.push_back(AddElement(ul, u"li"));
  }
  auto pick = [&](StringView sel) {
    String got;
    for (size_t i = 0; i < li.size(); ++i)
      if (Matches(sel, li[i], facts)) got += char16_t(u'1' + i);
    return got;
  };
  EXPECT_EQ(pick(u"li:nth-child(odd)"), u"135");
  EXPECT_EQ(pick(u"li:nth-child(even)"), u"24");
  EXPECT_EQ(pick(u"li:nth-child(2)"), u"2");
  EXPECT_EQ(pick(u"li:nth-of-type(3)"), u"3");
  EXPECT_EQ(pick(u"li:nth-of-type(odd)"), u"") << "odd and even are not read for nth-of-type";
}

TEST_F(Selectors, AttributeConditions) {
  struct {
    const char16_t* sel;
    const char16_t* name;
    const char16_t* value;  // null: attribute absent
    bool expect;
  } cases[] = {
      {u"[lang|=en]", u"lang", u"en", true},
      {u"[lang|=en]", u"lang", u"en-US", true},
      {u"[lang|=en]", u"lang", u"english", false},
      {u"[x!=y]", u"z", u"1", true},
      {u"[x!=y]", u"x", u"y", false},
      {u"[x!=y]", u"x", u"w", true},
      {u"[href^='http']", u"href", u"https://a", true},
      {u"[href^='']", u"href", u"abc", false},
      {u"[href$=\".png\"]", u"href", u"a.png", true},
      {u"[href$=\".png\"]", u"href", u"a.PNG", false},
      {u"[title*=mid]", u"title", u"amidst", true},
      {u"[class~=b]", u"class", u"a b c", true},
      {u"[class~=b]", u"class", u"abc", false},
      {u"[type=text]", u"type", u"text", true},
      {u"[type=\"text\"]", u"type", u"password", false},
      {u"[disabled]", u"disabled", u"", true},
      {u"[disabled]", u"other", u"", false},
      {u"input[type=text][name]", u"type", u"text", false},
  };
  for (const auto& k : cases) {
    THtmlNode parent(u"div");
    THtNode* n = AddElement(&parent, u"input");
    n->CreateAttributes();
    n->Attributes()->Add(k.name, k.value);  // SetAttr would drop an empty value
    TCSSPlainNodeFacts f;
    EXPECT_EQ(Matches(k.sel, n, f), k.expect) << StringToUtf8(k.sel) << " on " << StringToUtf8(k.value);
  }
}

TEST_F(Selectors, ClassesIdsAndNot) {
  THtNode* div = AddElement(&root, u"div", {u"id", u"main", u"class", u"Box wide"});
  THtNode* p = AddElement(div, u"p", {u"class", u"box"});
  THtNode* in = AddElement(div, u"input", {u"class", u"a"});
  THtNode* in2 = AddElement(div, u"input", {u"class", u"b"});
  struct {
    const char16_t* sel;
    const THtNode* node;
    bool expect;
  } cases[] = {
      {u".box", div, true},          {u".wide.box", div, true},      {u"div.box.wide", div, true},
      {u".box.wide", p, false},      {u"#main", div, true},          {u"#main.wide", div, true},
      {u"#main > .box", p, true},    {u"#other", div, false},        {u"p.box", p, true},
      {u"input:not(.a)", in, false}, {u"input:not(.a)", in2, true},  {u"div:not(p)", div, true},
      {u"p:not(p)", p, false},       {u":not(.a, .b)", in2, false},  {u":not(.a, .b)", p, true},
      {u"*:not(*)", p, false},       {u"p:not([class])", p, false},  {u"p:frobnicate", p, false},
  };
  for (const auto& k : cases) EXPECT_EQ(Matches(k.sel, k.node, facts), k.expect) << StringToUtf8(k.sel);
}

TEST_F(Selectors, StateAndPseudoElementRequests) {
  THtNode* a = AddElement(&root, u"a", {u"href", u"x"});
  EXPECT_FALSE(Matches(u"a:hover", a, facts));
  facts.SetState(a, PseudoBit(pcHover) | PseudoBit(pcFirstChild));
  EXPECT_TRUE(Matches(u"a:hover", a, facts));
  EXPECT_TRUE(Matches(u"a:first-child:hover", a, facts));
  EXPECT_FALSE(Matches(u"a:hover:focus", a, facts));
  EXPECT_TRUE(Matches(u"[href]:hover", a, facts));
  facts.SetState(&root, PseudoBit(pcFocusWithin));
  EXPECT_TRUE(Matches(u":focus-within > a:hover", a, facts));
  // ::before is served only to a ::before request, and a request for it is
  // served only by selectors that name it.
  EXPECT_TRUE(Matches(u"a::before", a, facts, PseudoBit(pcBefore)));
  EXPECT_FALSE(Matches(u"a", a, facts, PseudoBit(pcBefore)));
  EXPECT_FALSE(Matches(u"a::after", a, facts, PseudoBit(pcBefore)));
}

TEST_F(Selectors, SpecificityAndMatchRoutine) {
  struct {
    const char16_t* sel;
    int weight;
    TCSSMatchRoutine routine;
  } cases[] = {
      {u"#a.b", 272, &TCSSSelector::MatchAll},
      {u"ul li.x:hover", 34, &TCSSSelector::MatchAll},
      {u"a[href][title]", 17, &TCSSSelector::MatchAll},
      {u"#x", 256, &TCSSSelector::MatchId},
      {u"*", 0, &TCSSSelector::MatchAny},
      {u"p", 1, &TCSSSelector::MatchTag},
      {u"p::before", 17, &TCSSSelector::MatchTag},
      {u".a.b", 32, &TCSSSelector::MatchClasses},
      {u"p.a", 17, &TCSSSelector::MatchTagClasses},
      {u"[x]:hover", 32, &TCSSSelector::MatchAttrPseudo},
      {u"[x][y]", 16, &TCSSSelector::MatchAttr},
      {u".a:hover", 32, &TCSSSelector::MatchClassesPseudo},
      {u"p:not(.a)", 1, &TCSSSelector::MatchTag},
      {u"a:hover:hover", 17, &TCSSSelector::MatchAll},
  };
  for (const auto& k : cases) {
    auto s = Sel(k.sel);
    EXPECT_EQ(s->Specificity(), k.weight) << StringToUtf8(k.sel);
    EXPECT_TRUE(s->Match == k.routine) << StringToUtf8(k.sel);
  }
}

TEST_F(Selectors, TextReadsBackToTheSameSelector) {
  struct {
    const char16_t* sel;
    const char16_t* text;
  } cases[] = {
      {u"ul li > a.x:hover", u"ul li>a.x:Hover"},
      {u"a + b ~ c", u"a+b~c"},
      {u"input[type=\"text\"]:not(.a)", u"input[type=text]:not(.a)"},
      {u"li:nth-child(odd):first-child", u"li:FirstChild:NthChild(odd)"},
      {u"#Main .B[x][y]", u"#Main .b[x][y]"},
      {u"DIV:not(p)", u"div:not(p)"},
      {u"[title='a b.c'][x|=\"en\"]", u"[title=\"a b.c\"][x|=en]"},
      {u".\\31 a#\\31 b", u"#1b.\\31 a"},
  };
  for (const auto& k : cases) {
    const String text = SelectorText(*Sel(k.sel));
    EXPECT_EQ(text, k.text);
    EXPECT_EQ(SelectorText(*Sel(text)), text) << "re-read " << StringToUtf8(text);
  }
}

}  // namespace
}  // namespace ht
