#include "css/default_style_sheet.h"

#include <gtest/gtest.h>

#include <thread>

#include "css/colors.h"
#include "css/css_extensions.h"
#include "css/property_registry.h"
#include "css/style_unit.h"
#include "css_test_helpers.h"

namespace ht {
namespace {

class BuiltInSheet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterCSSProperties(); }
  static void TearDownTestSuite() { FreeDefaultStyleSheet(); }

  // Compiled values matched by the built-in sheet and then Document, as
  // "name=first token" with the last declaration of each name winning.
  std::map<String, String> computed(const THtNode* e, const TCSSStyleSheet* document = nullptr) {
    TCSSWeightList wl;
    DefaultStyleSheet()->GetElementSelectors(*e, facts, wl, &DefaultStyleSheet()->Main, 0);
    if (document) document->GetElementSelectors(*e, facts, wl, &document->Main, 0);
    std::map<String, String> values;
    for (int32_t i = 0; i < wl.Count(); ++i) values[wl.ValueAt(i)->Name] = wl.ValueAt(i)->Tokens[0].Name;
    return values;
  }

  THtmlNode root{u"html"};
  TCSSPlainNodeFacts facts;
};

TEST_F(BuiltInSheet, CreatedOnceEvenWhenAskedFromSeveralThreads) {
  FreeDefaultStyleSheet();
  TCSSStyleSheet* seen[4] = {};
  std::vector<std::thread> threads;
  for (auto& s : seen) threads.emplace_back([&s] { s = DefaultStyleSheet(); });
  for (auto& t : threads) t.join();
  for (auto* s : seen) EXPECT_EQ(s, seen[0]);
  EXPECT_EQ(DefaultStyleSheet(), seen[0]);
  const TCSSSection& first = *DefaultStyleSheet()->Sections().front();
  EXPECT_TRUE(SameTextAscii(SelectorText(*first.Selectors->First()), u":link"));
  EXPECT_EQ(first.Selectors->First()->Order, 1);
}

TEST_F(BuiltInSheet, ElementDefaults) {
  THtNode* h1 = AddElement(&root, u"h1");
  auto v = computed(h1);
  EXPECT_EQ(v[u"font-size"], u"2em");
  EXPECT_EQ(v[u"margin-top"], u".67em");
  EXPECT_EQ(v[u"margin-bottom"], u".67em");
  EXPECT_EQ(v[u"font-weight"], u"bold");
  EXPECT_EQ(v[u"display"], u"block");

  THtNode* td = AddElement(AddElement(AddElement(&root, u"table"), u"tr"), u"td");
  THtNode* p = AddElement(td, u"p");
  EXPECT_EQ(computed(p)[u"margin-top"], u"1em");
  EXPECT_EQ(computed(td)[u"display"], u"table-cell");
  // A document rule of equal weight (the universal selector) still wins.
  TCSSStyleSheet document;
  document.Parse(u"* { display: inline }", -1, false);
  EXPECT_EQ(computed(td, &document)[u"display"], u"inline");
  EXPECT_EQ(computed(AddElement(&root, u"summary"), nullptr).count(u"content"), 0u);
}

TEST_F(BuiltInSheet, PresentationalAttributes) {
  const struct {
    const char16_t* text;
    int px;
  } sizes[] = {{u"+1", 18}, {u"3", 16}, {u"7", 48}, {u"9", 9},       {u"-2", 10},  {u"abc", 10}, {u"0", 10},
               {u"1", 10},  {u"2", 13}, {u"+4", 48}, {u"", 10},       {u"12px", 12}, {u"xpx", 10}, {u"+", 10},
               {u"99999999999", 10}};
  for (const auto& s : sizes) EXPECT_EQ(FontSizeFromAttr(s.text), s.px) << StringToUtf8(s.text);
  const struct {
    const char16_t* text;
    THAlign align;
  } aligns[] = {{u"Center", thCenter}, {u"middle", thLeft}, {u"", thLeft},       {u"JUSTIFY", thJustify},
                {u"right", thRight},   {u"x", thXCenter},   {u"left", thLeft}};
  for (const auto& a : aligns) EXPECT_EQ(AlignFromAttr(a.text), a.align) << StringToUtf8(a.text);
}

TEST_F(BuiltInSheet, ExtensionsMergeOncePerDocument) {
  TCSSStyleSheet untouched;
  THtStringList classes(16);
  classes.Add(u"tree", nullptr);
  classes.Add(u"grid", nullptr);
  TCSSExtension::AddExtensions(classes, untouched);
  EXPECT_EQ(untouched.Main.TagMap->Count(), 0);

  TCSSExtension::RegisterExtension({u"grid", u"tree"}, u".tree { color: red } p { margin-top: 0 }");
  TCSSExtension::RegisterExtension({u"grid", u"tree"}, u".tree { color: red } p { margin-top: 0 }");
  TCSSExtension::RegisterExtension({u"other"}, u"div { color: blue }");
  TCSSStyleSheet document;
  TCSSExtension::AddExtensions(classes, document);
  ASSERT_TRUE(document.Main.ClassMap);
  EXPECT_EQ(document.Main.ClassMap->Find(HtTagHash(u"tree", 4), u"tree")->Count(), 1);
  EXPECT_EQ(document.Main.TagMap->Find(HtTagHash(u"p", 1), u"p")->Count(), 1);
  EXPECT_FALSE(document.Main.TagMap->Find(HtTagHash(u"div", 3), u"div"));
  TCSSExtension::FreeExtensions();
}

TEST_F(BuiltInSheet, SelectorQueries) {
  TJQueryProcessor query(u"div.item > a, span");
  ASSERT_TRUE(query.Section);
  ASSERT_EQ(query.Section->Selectors->Count(), 2);
  THtNode* div = AddElement(&root, u"div", {u"class", u"item"});
  THtNode* a = AddElement(div, u"a");
  EXPECT_TRUE(TestElement(*a, *query.Section->Selectors->First(), 0, facts));
  EXPECT_FALSE(TestElement(*div, *query.Section->Selectors->First(), 0, facts));
  EXPECT_FALSE(TJQueryProcessor(u"   ").Section);
}

TEST_F(BuiltInSheet, UnitShutdownFreesAndStartUpRestores) {
  InitStyleUnit();
  TCSSExtension::RegisterExtension({u"k"}, u"p { color: red }");
  ASSERT_TRUE(DefaultStyleSheet());
  FinalizeStyleUnit();
  EXPECT_EQ(CSSPropRegistry(), nullptr);
  InitStyleUnit();
  ASSERT_NE(FindCSSProp(u"color"), nullptr);
  // The extension list was emptied: nothing is merged any more.
  THtStringList classes(4);
  classes.Add(u"k", nullptr);
  TCSSStyleSheet document;
  TCSSExtension::AddExtensions(classes, document);
  EXPECT_EQ(document.Main.TagMap->Count(), 0);
  EXPECT_GT(DefaultStyleSheet()->Sections().size(), 80u);
}

TEST_F(BuiltInSheet, StartUpInstallsTheDefaultThemeColourUnlessOneIsSet) {
  const TThemeColorProc saved = THtmlNode::ThemeColorPrc();
  THtmlNode::SetThemeColorPrc(nullptr);
  InitStyleUnit();
  ASSERT_TRUE(THtmlNode::ThemeColorPrc());
  EXPECT_EQ(THtmlNode::ThemeColorPrc()(5), DefaultThemeColor(5));
  THtmlNode::SetThemeColorPrc([](int) { return 0xFF010203u; });
  InitStyleUnit();
  EXPECT_EQ(THtmlNode::ThemeColorPrc()(5), 0xFF010203u);
  THtmlNode::SetThemeColorPrc(saved);
}

}  // namespace
}  // namespace ht
