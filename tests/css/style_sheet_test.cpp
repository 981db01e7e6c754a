#include "css/style_sheet.h"

#include <gtest/gtest.h>

#include "css/media_query.h"
#include "css/property_registry.h"
#include "css_test_helpers.h"

namespace ht {
namespace {

class StyleSheet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterCSSProperties(); }

  // The text of the last matched declaration of Property, over the sheets
  // in the order given (as the element model asks them).
  String winner(const THtNode* e, std::initializer_list<const TCSSStyleSheet*> sheets, StringView property = u"color") {
    TCSSWeightList wl;
    for (const TCSSStyleSheet* s : sheets) s->GetElementSelectors(*e, facts, wl, &s->Main, 0);
    String text;
    for (int32_t i = 0; i < wl.Count(); ++i)
      if (wl.ValueAt(i)->Name == property) text = wl.ValueAt(i)->Tokens[0].Name;
    return text;
  }

  THtmlNode root{u"html"};
  TCSSPlainNodeFacts facts;
};

TEST_F(StyleSheet, RulesKeptAndDropped) {
  TCSSStyleSheet sheet;
  sheet.Parse(u" \r\n\t ", -1, false);
  EXPECT_TRUE(sheet.Sections().empty());
  sheet.Parse(u"p {} div { color: red } ::before { color: blue }", -1, false);
  ASSERT_EQ(sheet.Sections().size(), 2u);
  EXPECT_EQ(sheet.Sections()[0]->MediaSet, DefaultCSSMediaSet());
  // A bare pseudo-element is filed nowhere and so never matches.
  EXPECT_FALSE(sheet.Before && sheet.Before->TagMap->Count() > 0);
  EXPECT_FALSE(sheet.HasMediaQueries);
  EXPECT_EQ(sheet.Sections()[0]->Selectors->First()->Order, 10001);
}

TEST_F(StyleSheet, CascadeBySpecificityImportanceAndInlineStyle) {
  THtNode* p = AddElement(&root, u"p", {u"class", u"x"});
  struct {
    const char16_t* document;
    const char16_t* inlineStyle;
    const char16_t* expected;
  } cases[] = {
      {u"p { color: red } .x { color: blue }", nullptr, u"blue"},
      {u".x { color: blue } p { color: red }", nullptr, u"blue"},
      {u"p { color: red !important } .x { color: blue }", nullptr, u"red"},
      {u".x { color: blue }", u"color: olive", u"olive"},
      {u".x { color: blue !important }", u"color: olive", u"blue"},
      {u"* { color: blue !important }", u"color: olive", u"blue"},
      {u".x { color: blue !important }", u"color: olive !important", u"olive"},
      {u"#i, .x { color: blue !important }", u"color: olive !important", u"olive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.document));
    TCSSStyleSheet document, inlineSheet;
    document.Parse(c.document, -1, false);
    if (c.inlineStyle) inlineSheet.ParseValues(c.inlineStyle, InlineStyleWeight);
    EXPECT_EQ(winner(p, {&document, &inlineSheet}), c.expected);
  }
}

TEST_F(StyleSheet, BuiltInRulesLoseToLaterDocumentRulesOfEqualWeight) {
  THtNode* td = AddElement(&root, u"td");
  TCSSStyleSheet builtIn, document;
  builtIn.SelectorCounter = 0;
  builtIn.Parse(u"td { color: red }", 0, false);
  document.Parse(u"* { color: blue }", -1, false);
  EXPECT_EQ(builtIn.Sections()[0]->Selectors->First()->Order, 1);
  EXPECT_EQ(winner(td, {&document, &builtIn}), u"blue");
  // Merged into the document, the built-in rule keeps its low order.
  document.Assign(builtIn);
  EXPECT_EQ(builtIn.Sections()[0]->Selectors->First()->Order, 1);
  EXPECT_EQ(winner(td, {&document}), u"blue");
}

TEST_F(StyleSheet, UniversalRulesMerge) {
  TCSSStyleSheet sheet;
  sheet.Parse(u"* { color: red !important; margin: 0 } * { color: blue; padding: 1px } * { margin: 2px }"
              u"*[a] { color: green } *.x { color: navy }",
              -1, false);
  ASSERT_EQ(sheet.Sections().size(), 3u);
  EXPECT_EQ(DeclaredText(*sheet.Sections()[0]), u"color:red!important; padding:1px; margin:2px;");
  EXPECT_EQ(sheet.Main.TagMap->Find(HtTagHash(u"*", 1), u"*")->Count(), 3);

  // Repeated inline styles of one element collapse too.
  TCSSStyleSheet inlineSheet;
  inlineSheet.ParseValues(u"color: red", InlineStyleWeight);
  inlineSheet.ParseValues(u"color: blue", InlineStyleWeight);
  ASSERT_EQ(inlineSheet.Sections().size(), 1u);
  EXPECT_EQ(inlineSheet.ValuebyName(u"color")[0].Name, u"blue");
}

TEST_F(StyleSheet, AssignLeavesTheSourceIntact) {
  THtNode* div = AddElement(&root, u"div");
  TCSSStyleSheet source, document;
  source.Parse(u"* { color: red !important; border-spacing: 1px 2px }", -1, false);
  document.Parse(u"* { margin: 0 }", -1, false);
  document.Assign(source);
  document.Parse(u"* { padding: 0 }", -1, false);
  ASSERT_EQ(source.Sections()[0]->Values.size(), 2u);
  const TCSSValue& spacing = source.Sections()[0]->Values[1];
  EXPECT_TRUE(source.Sections()[0]->Values[0].Important);
  EXPECT_FLOAT_EQ(spacing.Measure2.FValue, 2);
  EXPECT_EQ(winner(div, {&document}), u"red");
  EXPECT_EQ(winner(div, {&source}), u"red");
}

TEST_F(StyleSheet, WeightListOrder) {
  TCSSValue a, b, c;
  TCSSWeightList wl;
  wl.AddValue(16, 10005, &a);
  wl.AddValue(1, 10009, &b);
  wl.AddValue(ImportantWeight(0), 10001, &c);
  wl.AddValue(16, 10002, &c);
  wl.AddValue(16, 10003, &a);  // the same value at the same weight: kept once
  wl.AddValue(InlineStyleWeight, 10000, &b);
  const PCSSValue order[] = {&b, &c, &a, &b, &c};
  ASSERT_EQ(wl.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(wl.ValueAt(i), order[i]) << i;
  EXPECT_GT(ImportantWeight(0), InlineStyleWeight);
  EXPECT_GT(ImportantWeight(InlineStyleWeight), ImportantWeight(0x10000));
}

TEST_F(StyleSheet, MediaQueries) {
  struct {
    const char16_t* query;
    TCSSMedia medium;
    int width;
    bool applies;
  } cases[] = {
      {u"print", cmPrint, 800, true},
      {u"print", cmScreen, 800, false},
      {u"not print", cmPrint, 800, false},
      {u"not print", cmScreen, 800, true},
      {u"screen and (prefers-color-scheme: dark)", cmScreen, 800, false},
      {u"not screen and (prefers-color-scheme: dark)", cmScreen, 800, true},
      {u"screen and (max-width: 600px)", cmScreen, 600, true},
      {u"screen and (max-width: 600px)", cmScreen, 601, false},
      {u"(min-width: 40em)", cmScreen, 640, true},
      {u"(min-width: 40em)", cmScreen, 639, false},
      {u"print, (min-width: 300px)", cmScreen, 400, true},
      {u"only screen and (min-device-width: 500px)", cmScreen, 400, false},
      {u"tv", cmScreen, 400, false},
      {u"nonsense", cmScreen, 400, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.query));
    TCSSStyleSheet sheet;
    sheet.Parse(u"@media " + String(c.query) + u" { p { color: red } }", -1, false);
    ASSERT_EQ(sheet.MediaSets.size(), 1u);
    EXPECT_TRUE(sheet.HasMediaQueries);
    EXPECT_EQ(MediaSetMatches(*sheet.MediaSets[0], c.medium, c.width, 0), c.applies);
  }
  TCSSStyleSheet all;
  all.Parse(u"@media all { p { color: red } }", -1, false);
  EXPECT_FALSE(all.HasMediaQueries);
}

TEST_F(StyleSheet, TestMediaSetsReportsChanges) {
  THtNode* p = AddElement(&root, u"p");
  TCSSStyleSheet sheet;
  sheet.Parse(u"p { color: blue } @media (max-width: 600px) { p { color: red } } p { margin: 0 }", -1, false);
  EXPECT_TRUE(sheet.HasMediaSizeQueries);
  EXPECT_EQ(sheet.Sections()[2]->MediaSet, DefaultCSSMediaSet());
  EXPECT_FALSE(sheet.TestMediaSets(cmScreen, 600, 0));
  EXPECT_EQ(winner(p, {&sheet}), u"red");
  EXPECT_TRUE(sheet.TestMediaSets(cmScreen, 601, 0));
  EXPECT_EQ(winner(p, {&sheet}), u"blue");
  EXPECT_FALSE(sheet.TestMediaSets(cmScreen, 700, 0));
  EXPECT_EQ(MediaSetAsString(*sheet.MediaSets[0]), u"@media (max-width: 600px) ");
}

TEST_F(StyleSheet, IndexesReachEveryKindOfSelector) {
  THtNode* div = AddElement(&root, u"div");
  THtNode* a = AddElement(div, u"a", {u"id", u"k", u"class", u"y z", u"href", u"u"});
  facts.SetState(a, PseudoBit(pcHover));
  TCSSStyleSheet sheet;
  sheet.Parse(u"#k { color: red } .z { margin-top: 0 } [href] { padding-top: 0 } :hover { width: 1px } div > a { height: 1px }"
              u" :focus { left: 0 } .q { top: 0 } a::before { content: 'x' } .y::after { content: 'y' }",
              -1, false);
  TCSSWeightList wl;
  sheet.GetElementSelectors(*a, facts, wl, &sheet.Main, 0);
  std::vector<String> names;
  for (int32_t i = 0; i < wl.Count(); ++i) names.push_back(wl.ValueAt(i)->Name);
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(names.back(), u"color");  // the id rule weighs most
  TCSSPseudoSet pseudo = 0;
  sheet.GetElementPseudoClasses(*a, facts, pseudo);
  EXPECT_EQ(pseudo, PseudoBit(pcBefore) | PseudoBit(pcAfter));
  TCSSWeightList before;
  sheet.GetElementSelectors(*a, facts, before, sheet.Before.get(), PseudoBit(pcBefore));
  EXPECT_EQ(before.Count(), 1);
  TFastStringList classes, ids;
  sheet.GetAllClasses(classes);
  sheet.GetAllIds(ids);
  EXPECT_EQ(classes.Count(), 3);
  EXPECT_EQ(ids.Count(), 1);
}

TEST_F(StyleSheet, AtRulesImportsAndVariables) {
  TCSSStyleSheet sheet;
  sheet.URL = u"http://host/css/main.css";
  sheet.Parse(u"@import url(more.css) screen; @font-face { font-family: \"My Font\"; src: url(f.woff) }"
              u" p { --gap: 4px; color: red } @keyframes spin { to { left: 9px } from { left: 0 } 50% { left: 3px } }"
              u" div { --gap: 5px }",
              -1, false);
  ASSERT_EQ(sheet.Imports().size(), 1u);
  EXPECT_EQ(sheet.Imports()[0], u"http://host/css/more.css");
  TCSSCustomFont* font = nullptr;
  ASSERT_TRUE(sheet.CustomFonts && sheet.CustomFonts->TryGetValue(u"my font", font));
  EXPECT_EQ(font->Src, u"f.woff");
  TCSSVariable* gap = nullptr;
  ASSERT_TRUE(sheet.Variables && sheet.Variables->TryGetValue(u"gap", gap));
  EXPECT_EQ(gap->Tokens[0].Name, u"5px");
  std::vector<int> steps;
  sheet.GetAnimationSteps(u"spin", steps);
  EXPECT_EQ(steps, (std::vector<int>{0, 50, 100}));
  TCSSWeightList wl;
  sheet.GetAnimationSelectors(u"spin", 2, wl);
  ASSERT_EQ(wl.Count(), 1);
  EXPECT_EQ(wl.ValueAt(0)->Tokens[0].Name, u"9px");

  TCSSStyleSheet document;
  document.Assign(sheet);
  EXPECT_TRUE(document.CustomFonts && document.CustomFonts->TryGetValue(u"my font", font));
  document.GetAnimationSteps(u"spin", steps);
  EXPECT_EQ(steps.size(), 3u);
}

TEST_F(StyleSheet, EditingRules) {
  THtNode* p = AddElement(&root, u"p", {u"class", u"x"});
  TCSSStyleSheet sheet;
  sheet.Parse(u"p { color: red; Margin: 0 } .x { color: blue } p { margin: 1px }", -1, false);
  sheet.ClearSection(u".x");
  EXPECT_EQ(sheet.Sections().size(), 2u);
  EXPECT_EQ(winner(p, {&sheet}), u"red");
  sheet.DeleteProperty(u"MARGIN");
  EXPECT_TRUE(sheet.Sections()[1]->Values.empty());
  EXPECT_EQ(sheet.Sections()[0]->Values.size(), 1u);
  sheet.AddInlineValue(u"width", u"12px 13px");
  EXPECT_EQ(sheet.ValuebyName(u"width").size(), 1u);
  sheet.AddInlineValue(u"no-such-property", u"1");
  EXPECT_EQ(sheet.Sections()[0]->Values.size(), 2u);
  sheet.Clear();
  EXPECT_TRUE(sheet.Sections().empty());
  EXPECT_EQ(winner(p, {&sheet}), u"");
}

TEST_F(StyleSheet, TextOutputAndDarkVariant) {
  TCSSStyleSheet sheet;
  sheet.Parse(u"p, div { color: red } @media print { div { color: #336 } } a { background: #fff url(a.png);"
              u" background-color: rgb(0, 0, 0) } b { background: navy; border-top: 1px solid; border-right: 1px solid;"
              u" border-bottom: 1px solid; border-left: 1px solid }",
              -1, false);
  sheet.Minify();
  EXPECT_EQ(sheet.AsString(),
            u"p, div\r\n{\r\n  color:red;\r\n}\r\n"
            u"@media print {\r\ndiv\r\n{\r\n  color: #336;\r\n}\r\n}\r\n"
            u"a\r\n{\r\n  background: #fff url('a.png');\r\n  background-color:rgb(0, 0, 0);\r\n}\r\n"
            u"b\r\n{\r\n  background:navy;\r\n  border:1px solid;\r\n}\r\n");
  EXPECT_EQ(sheet.AsInlineString(),
            u"background: #fff url('a.png');background-color:rgb(0, 0, 0);background:navy;border:1px solid;"
            u"color:red;color: #336;");
  sheet.ConvertLighttoDark();
  // Text gets light (lightness at least 0.6, saturation at most 0.7);
  // grounds get dark, a near-white ground transparent.
  EXPECT_EQ(sheet.Sections()[0]->Values[0].AsString(), u"color: #e05252;");
  EXPECT_EQ(sheet.Sections()[1]->Values[0].AsString(), u"color: #bbbbdd;");
  EXPECT_EQ(sheet.Sections()[2]->Values[0].AsString(), u"background:transparent url('a.png');");
  EXPECT_EQ(sheet.Sections()[2]->Values[1].AsString(), u"background-color: #ffffff;");
  EXPECT_EQ(sheet.Sections()[3]->Values[0].AsString(), u"background: #7f7fff;");
  EXPECT_EQ(TCSSStyleSheet::LighttoDark(u"b { color: black }"), u"b\r\n{\r\n  color: #f2f2f2;\r\n}\r\n");
}

}  // namespace
}  // namespace ht
