#include "css/css_parser.h"

#include <gtest/gtest.h>

#include "css/style_sheet.h"

#include "css/property_registry.h"
#include "css_test_helpers.h"

namespace ht {
namespace {

class CSSParser : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterCSSProperties(); }
};

// The selector texts of every section, "|" between sections.
String Outline(TParsedSheet& p) {
  String out;
  for (size_t i = 0; i < p.size(); ++i) {
    if (i) out += u'|';
    bool first = true;
    for (const TCSSSelector* s : *p[i].Selectors) {
      if (!first) out += u',';
      first = false;
      out += SelectorText(*s);
    }
    out += u'{' + DeclaredText(p[i]) + u'}';
  }
  return out;
}

TEST_F(CSSParser, RulesSelectorsAndPositions) {
  TParsedSheet p(u"h1, h2.x { color: red }\np{margin:0}");
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(Outline(p), u"h1,h2.x{color:red;}|p{margin:0;}");
  const TCSSSection& s = p[0];
  EXPECT_EQ(s.Selectors->StartPos, 1);
  EXPECT_EQ(s.Selectors->EndPos, 8);
  EXPECT_EQ(s.BlockEndPos, 23);
  EXPECT_EQ(s.MediaSet, DefaultCSSMediaSet());
  EXPECT_EQ(s.Selectors->Get(1)->Section, &s);
}

TEST_F(CSSParser, RepeatedDeclarations) {
  struct {
    const char16_t* css;
    const char16_t* declared;
  } cases[] = {
      {u"p{color:red;color:blue}", u"color:blue;"},
      {u"p{color:red;Color:blue}", u"color:red; Color:blue;"},
      {u"p{color:red;width:1px;color:blue}", u"width:1px; color:blue;"},
      // The fallback pattern: an unsupported later value leaves the earlier one.
      {u"p{color:red;color:hsl(0, 100%, 50%)}", u"color:red;"},
      {u"p{display:block;display:foo}", u"display:block;"},
  };
  for (const auto& k : cases) {
    TParsedSheet p(k.css);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(DeclaredText(p[0]), k.declared) << StringToUtf8(k.css);
  }
}

TEST_F(CSSParser, ImportantMarks) {
  struct {
    const char16_t* css;
    bool important;
    const char16_t* text;
  } cases[] = {
      {u"p{color:red!important}", true, u"color:red!important;"},
      {u"p{color:red !IMPORTANT;}", true, u"color:red!important;"},
      {u"p{color:red ! important}", false, u"color:red important;"},
      {u"p{color:red !foo}", false, u"color:red foo;"},
      {u"p{color:red !}", false, u"color:red;"},
      {u"p{color:red !!important}", true, u"color:red!important;"},
      {u"p{color:red !!x}", false, u"color:red x;"},
  };
  for (const auto& k : cases) {
    TParsedSheet p(k.css);
    ASSERT_EQ(p[0].Values.size(), 1u) << StringToUtf8(k.css);
    EXPECT_EQ(p[0].Values[0].Important, k.important) << StringToUtf8(k.css);
    EXPECT_EQ(p[0].Values[0].AsString(), k.text);
  }
}

TEST_F(CSSParser, ValuePreparation) {
  TParsedSheet p(
      u"p{display:inline-block;font-weight:600;font-weight:650;float:foo;line-height:1.5;"
      u"font-size:medium;color:#00000000;border-color:inherit;--main:  1px;-x-y:z;foo:bar;"
      u"text-decoration:underline line-through}");
  TCSSSection& s = p[0];
  const TCSSValue* v = s.ItembyName(u"display");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Tokens[0].Color, uint32_t(dsInlineBlock));
  EXPECT_EQ(v->ApplyProc, capApplyDisplay);
  v = s.ItembyName(u"font-weight");
  ASSERT_TRUE(v) << "font-weight keeps values that are not keywords";
  EXPECT_EQ(v->Tokens[0].Color, UnknownKeywordMarker);
  EXPECT_FALSE(s.ItembyName(u"float"));
  v = s.ItembyName(u"line-height");
  EXPECT_EQ(v->Measure.FMUnit, muNone);
  EXPECT_FLOAT_EQ(v->Measure.FValue, 1.5f);
  v = s.ItembyName(u"font-size");
  EXPECT_EQ(v->Measure.FMUnit, muPX);
  EXPECT_FLOAT_EQ(v->Measure.FValue, 18);
  v = s.ItembyName(u"color");
  ASSERT_TRUE(v) << "transparent black is a valid colour";
  EXPECT_TRUE(v->Tokens[0].Compiled);
  EXPECT_EQ(v->Tokens[0].Color, 0u);
  v = s.ItembyName(u"border-color");
  EXPECT_TRUE(v->Inherit);
  EXPECT_EQ(v->Tokens[0].Color, InheritMarker);
  EXPECT_TRUE(s.ItembyName(u"--main")->Dashed);
  EXPECT_TRUE(s.ItembyName(u"-x-y")->Dashed);
  EXPECT_EQ(s.ItembyName(u"foo")->PropRec->Id, cspUnknown);
  EXPECT_EQ(s.ItembyName(u"text-decoration")->Tokens[0].Color, 12u);

  TParsedSheet q(u"p{font-weight:600;line-height:150%;width:calc(100% - 10px);height:calc(2em)}");
  EXPECT_EQ(q[0].ItembyName(u"font-weight")->Tokens[0].Color, uint32_t(fw600));
  EXPECT_EQ(q[0].ItembyName(u"line-height")->Measure.FMUnit, muPercent);
  EXPECT_EQ(q[0].FCalcValues.size(), 2u);
  EXPECT_EQ(q[0].ItembyName(u"width")->Measure.Calc, &q[0].FCalcValues[0]->Tokens);
}

TEST_F(CSSParser, OnlyPropertiesWithEffectsGetTheGeneralRoutine) {
  TParsedSheet p(
      u"p{position:absolute;z-index:2;counter-increment:a;font-style:italic;clear:both;color:red;width:1px;"
      u"margin:0;float:left;display:block;background:red;foo:bar}");
  struct {
    const char16_t* name;
    TCSSApplyProc proc;
  } cases[] = {
      {u"position", capCallApplyProp}, {u"z-index", capCallApplyProp}, {u"counter-increment", capCallApplyProp},
      {u"font-style", capCallApplyProp}, {u"clear", capCallApplyProp}, {u"color", capNone},
      {u"width", capNone},               {u"margin", capNone},           {u"float", capNone},
      {u"display", capApplyDisplay},     {u"background", capApplyBackground}, {u"foo", capNone},
  };
  for (const auto& k : cases) {
    const TCSSValue* v = p[0].ItembyName(k.name);
    ASSERT_TRUE(v) << StringToUtf8(k.name);
    EXPECT_EQ(v->ApplyProc, k.proc) << StringToUtf8(k.name);
  }
}

TEST_F(CSSParser, MalformedTextIsSkipped) {
  struct {
    const char16_t* css;
    const char16_t* outline;
  } cases[] = {
      {u"p{color}q{color:red}", u"p{}|q{color:red;}"},
      {u"p{color:}q{color:red}", u"p{}|q{color:red;}"},
      {u"p{*zoom:1;color:red}", u"p{color:red;}"},
      {u"p{a:@x;color:red}", u"p{color:red;}"},
      {u"} p{color:red} q{color:blue}", u"p{color:red;}|q{color:blue;}"},
      {u"] p{color:red} q{color:blue}", u"q{color:blue;}"},
      {u"p;q{color:red} r{color:blue}", u"r{color:blue;}"},
      {u"p{color:red", u"p{color:red;}"},
      {u"p{color:red;margin:0", u"p{color:red; margin:0;}"},
      {u"p{/*x*/color/*y*/:/*z*/red/**/}", u"p{color:red;}"},
  };
  for (const auto& k : cases) {
    TParsedSheet p(k.css);
    EXPECT_EQ(Outline(p), k.outline) << StringToUtf8(k.css);
  }
}

TEST_F(CSSParser, SelectorListsRespectParentheses) {
  // An unknown pseudo-class keeps its rule (it never matches), and the
  // comma inside its parentheses does not split the list.
  TParsedSheet p(u"h3, :is(h1, h2) { color: red } h2 { color: blue }");
  EXPECT_EQ(Outline(p), u"h3,:Unknown{color:red;}|h2{color:blue;}");
  TParsedSheet q(u"p:not(.a, .b), a{color:red}");
  EXPECT_EQ(Outline(q), u"p:not(.a):not(.b),a{color:red;}");
  // What the selector reader cannot follow drops the rule rather than
  // widening it.
  struct {
    const char16_t* css;
    const char16_t* outline;
  } cases[] = {
      {u"p:not(2px){top:0} q{top:1px}", u"{}|q{top:1px;}"},
      {u"p:not(){top:0}", u"p:Unknown{top:0;}"},
      {u"a @page{top:0}", u"{}"},
      {u"a[ ]{top:0}", u"{}"},
      {u"p \"odd tag\"{top:0}", u"{}"},
      {u"p \"odd\"{top:0}", u"p odd{top:0;}"},
      {u"[title=\"a,b\"], q{top:0}", u"[title=\"a,b\"],q{top:0;}"},
  };
  for (const auto& k : cases) {
    TParsedSheet r(k.css);
    EXPECT_EQ(Outline(r), k.outline) << StringToUtf8(k.css);
  }
}

TEST_F(CSSParser, MediaBlocks) {
  TParsedSheet p(
      u"@media print { p { color: red } }\n"
      u"q { color: blue }\n"
      u"@media only screen and (max-width: 600px) { r { color: green } s{x:y} }\n"
      u"@media (min-width:30em) { t { margin: 0 } }\n"
      u"@media tv, print { u{ top:0 } }");
  ASSERT_EQ(p.size(), 6u);
  const TCSSMediaSet* print = p[0].MediaSet;
  EXPECT_EQ(print->Media, MediaBit(cmPrint));
  EXPECT_EQ(p[1].MediaSet, DefaultCSSMediaSet());
  const TCSSMediaSet* screen = p[2].MediaSet;
  EXPECT_EQ(p[3].MediaSet, screen);
  EXPECT_EQ(screen->Media, MediaBit(cmScreen));
  EXPECT_EQ(screen->MaxWidth, 600);
  EXPECT_EQ(p[4].MediaSet->Media, MediaBit(cmAll)) << "a query of features only applies to all media";
  EXPECT_EQ(p[4].MediaSet->MinWidth, 30);
  EXPECT_EQ(p[5].MediaSet->Media, MediaBit(cmTV) | MediaBit(cmPrint));
  EXPECT_EQ(p.Parser.FMediaTexts.size(), 5u);
  EXPECT_EQ(p.Parser.FMediaTexts[1], u"print");
  EXPECT_FALSE(p[2].MediaSet->Tokens.empty());
  EXPECT_EQ(p.Parser.ExtractMediaSets().size(), 4u);
}

TEST_F(CSSParser, UnknownAtRulesSkipTheirWholeBlock) {
  struct {
    const char16_t* css;
    const char16_t* outline;
  } cases[] = {
      {u"@supports (display:grid) { a { color: red } b { color: blue } } c { color: green }",
       u"c{color:green;}"},
      {u"@namespace svg url(x); p{color:red}", u"p{color:red;}"},
      {u"@font-feature-values F { @styleset { a: 1 } } p{color:red}", u"p{color:red;}"},
  };
  for (const auto& k : cases) {
    TParsedSheet p(k.css);
    EXPECT_EQ(Outline(p), k.outline) << StringToUtf8(k.css);
  }
  // Inside @media, the skipped block does not close the group.
  TParsedSheet m(u"@media print { @supports (x:y) { a{top:0} } p { color:red } } q{color:blue}");
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].MediaSet->Media, MediaBit(cmPrint));
  EXPECT_EQ(Outline(m), u"p{color:red;}|q{color:blue;}");
  EXPECT_EQ(m[1].MediaSet, DefaultCSSMediaSet());
}

TEST_F(CSSParser, OtherAtRules) {
  TParsedSheet p(
      u"@charset \"utf-8\"; @import url(a.css) screen; @import 'b.css';"
      u"@font-face { font-family: X; src: url(x.woff) } @page { margin: 1cm }"
      u"@keyframes spin { from { top: 0 } 50% { top: 5px } } p { top: 1px }");
  EXPECT_EQ(p.Parser.FCharset, u"utf-8");
  ASSERT_EQ(p.Parser.FImports.size(), 2u);
  EXPECT_EQ(p.Parser.FImports[0].Token.CType, ctURI);
  EXPECT_EQ(p.Parser.FImports[0].Token.Name, u"a.css");
  ASSERT_EQ(p.Parser.FImports[0].Media.size(), 1u);
  EXPECT_EQ(p.Parser.FImports[0].Media[0].Name, u"screen");
  EXPECT_EQ(p.Parser.FImports[1].Token.Name, u"b.css");
  ASSERT_EQ(p.size(), 5u);
  EXPECT_TRUE(p[0].FontFace);
  EXPECT_EQ(p[0].Selectors->First()->Tag, u"@font-face");
  EXPECT_FALSE(p[1].FontFace);
  EXPECT_EQ(p[1].Selectors->First()->Tag, u"@page");
  EXPECT_EQ(p.Sheet.KeyFrames[2], u"spin");
  EXPECT_EQ(p[3].Selectors->First()->Tag, u"50%");
  EXPECT_EQ(p.Sheet.KeyFrames[4], u"");
}

TEST_F(CSSParser, DeclarationListsAndAllTokens) {
  TCSSParser parser(u"color: red; margin: 1px 2px", true);
  parser.FSection = std::make_unique<TCSSSection>(true);
  parser.ReadDeclarations();
  EXPECT_EQ(DeclaredText(*parser.FSection), u"color:red; margin:1px 2px;");
  TCSSParser all(u"a /*c*/ b", true);
  TCSSTokens tokens;
  all.ReadAllTokens(tokens);
  EXPECT_EQ(tokens.size(), 5u);
  TCSSParser empty(u"", true);
  EXPECT_FALSE(empty.NextSection());
}

}  // namespace
}  // namespace ht

namespace ht {
namespace {

TEST(CSSParserHostile, DeepNotNestingDropsTheRule) {
  String css = u"p";
  for (int i = 0; i < 20000; ++i) css += u":not(";
  css += u"a";
  for (int i = 0; i < 20000; ++i) css += u")";
  css += u"{top:0} q{top:1px}";
  TCSSStyleSheet sheet;
  sheet.Parse(css, -1, false);
  EXPECT_EQ(sheet.AsString().find(u"top:0"), String::npos);
  EXPECT_NE(sheet.AsString().find(u"top:1px"), String::npos) << StringToUtf8(sheet.AsString());
  // Shallow nesting is still read.
  TCSSStyleSheet shallow;
  shallow.Parse(u"p:not(:not(.a)){top:0}", -1, false);
  EXPECT_NE(shallow.AsString().find(u"top:0"), String::npos);
}

}  // namespace
}  // namespace ht
