#include "css/css_section.h"

#include <gtest/gtest.h>

#include "css/property_registry.h"
#include "css_test_helpers.h"

namespace ht {
namespace {

class CSSSection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterCSSProperties(); }
};

String Compiled(const String& declarations) {
  TParsedSheet p(u"p{" + declarations + u"}");
  return p.size() ? CompiledText(p[0]) : String(u"<none>");
}

TEST_F(CSSSection, ShorthandsExpandToLonghands) {
  struct {
    const char16_t* decl;
    const char16_t* compiled;
  } cases[] = {
      {u"margin:1px", u"margin-top:1px; margin-right:1px; margin-bottom:1px; margin-left:1px;"},
      {u"margin:1px 2px", u"margin-top:1px; margin-right:2px; margin-bottom:1px; margin-left:2px;"},
      {u"margin:1px 2px 3px", u"margin-top:1px; margin-right:2px; margin-bottom:3px; margin-left:2px;"},
      {u"padding:1px 2px 3px 4px 5px",
       u"padding-top:1px; padding-right:2px; padding-bottom:3px; padding-left:4px;"},
      {u"border-color:rgb(1, 2, 3) red",
       u"border-top-color:rgb(1, 2, 3); border-right-color:red; border-bottom-color:rgb(1, 2, 3); "
       u"border-left-color:red;"},
      {u"border-radius:10px / 5px", u"border-radius:10px / 5px;"},
      {u"overflow:hidden", u"overflow-x:hidden; overflow-y:hidden;"},
      {u"overflow:hidden auto", u"overflow-x:hidden; overflow-y:auto;"},
      {u"border:1px solid red",
       u"border-width:1px; border-top-style:solid; border-right-style:solid; border-bottom-style:solid; "
       u"border-left-style:solid; border-color:red;"},
      {u"border:thin #ff0000", u"border-width:thin; border-color: #ff0000;"},
      {u"font:italic bold 12px/1.5 Arial",
       u"font-style:italic; font-weight:bold; font-size:12px; line-height:1.5; font-family:Arial;"},
      {u"font:12px \"Open Sans\", Arial, sans-serif",
       u"font-size:12px; font-family:\"Open Sans\", Arial, sans-serif; font-style:normal; font-weight:normal;"},
      {u"font:small-caps 600 1em serif",
       u"font-weight:600; font-size:1em; font-family:serif; font-style:normal;"},
      {u"outline:2px solid red", u"outline-width:2px; outline-style:solid; outline-color:red;"},
      {u"outline:none", u"outline-style:none;"},
      {u"outline:thick solid", u"outline-width:thick; outline-style:solid;"},
      {u"flex:1 1 0", u"flex-grow:1; flex-shrink:1; flex-basis:0;"},
      {u"background:rgb(0, 0, 255) url(a.png) no-repeat left 10px",
       u"background-color:rgb(0, 0, 255); background-image:url('a.png'); background-repeat:no-repeat; "
       u"background-position-x:left; background-position-y:10px;"},
      {u"background:none", u"background-color:none; background-image:none;"},
      {u"background:#fff", u"background-color: #fff; background-image:none;"},
      {u"background:linear-gradient(red, blue) fixed",
       u"background-image:linear-gradient(red, blue); background-attachment:fixed;"},
      {u"text-decoration:underline dotted red",
       u"text-decoration-style:dotted; text-decoration-color:red; text-decoration-line:underline;"},
      {u"font:inherit", u"font-style:inherit; font-weight:inherit; font-size:inherit; font-family:inherit;"},
      {u"-webkit-border-radius:3px;--x:1px;foo:bar", u""},
      {u"display:block;color:red", u"display:block; color:red;"},
  };
  for (const auto& k : cases) EXPECT_EQ(Compiled(k.decl), k.compiled) << StringToUtf8(k.decl);
}

TEST_F(CSSSection, CompiledValuesArePrepared) {
  TParsedSheet p(u"p{border:1px solid red;margin:0 auto;background:transparent}");
  const TCSSSection& s = p[0];
  const TCSSTokens& style = s.CompiledValuebyName(u"border-left-style");
  ASSERT_EQ(style.size(), 1u);
  EXPECT_EQ(style[0].Color, uint32_t(lsSolid));
  EXPECT_EQ(s.CompiledValuebyName(u"BORDER-COLOR")[0].Color, 0xFFFF0000u);
  EXPECT_TRUE(s.CompiledValuebyName(u"margin-top").size() == 1u);
  EXPECT_TRUE(s.CompiledValuebyName(u"margin").empty());
  EXPECT_EQ(s.ValuebyName(u"margin").size(), 2u);
  for (const TCSSValue& v : s.CompiledValues) EXPECT_EQ(v.Section, &s);
}

TEST_F(CSSSection, TextOutput) {
  TParsedSheet p(u"p, div { color: red }");
  EXPECT_EQ(p[0].AsString(), u"p, div\r\n{\r\n  color:red;\r\n}");
  struct {
    const char16_t* decl;
    const char16_t* text;
  } cases[] = {
      {u"color: #FFF", u"color: #FFF;"},
      {u"font-family: \"Open Sans\", Arial", u"font-family:\"Open Sans\", Arial;"},
      {u"content: 'say \"hi\"'", u"content:\"say \\\"hi\\\"\";"},
      {u"background: red url( x.png ) no-repeat", u"background:red url('x.png') no-repeat;"},
      {u"width: calc(100% - 2px) !important", u"width:calc(100% - 2px)!important;"},
      {u"margin: 0 auto", u"margin:0 auto;"},
      {u"font-family: a\\!b, \\31 x", u"font-family:a\\!b, \\31 x;"},
  };
  for (const auto& k : cases) {
    TParsedSheet q(u"a{" + String(k.decl) + u"}");
    ASSERT_EQ(q[0].Values.size(), 1u) << StringToUtf8(k.decl);
    const String text = q[0].Values[0].AsString();
    EXPECT_EQ(text, k.text);
    // Reading the text back gives the same declaration.
    TParsedSheet r(u"a{" + text + u"}");
    ASSERT_EQ(r[0].Values.size(), 1u) << StringToUtf8(text);
    EXPECT_EQ(r[0].Values[0].AsString(), text);
  }
  TParsedSheet i(u"a{color:red; margin:0}");
  EXPECT_EQ(i[0].AsInlineString(), u"color:red;margin:0;");
}

TEST_F(CSSSection, MinifyJoinsEqualSides) {
  TParsedSheet p(
      u"a{border-top:1px solid red;border-right:1px solid red;border-bottom:1px solid red;"
      u"border-left:1px solid red;color:red}"
      u"b{border-top:1px solid red;border-right:1px solid red;border-bottom:1px solid red;"
      u"border-left:2px solid red}"
      u"c{padding-top:1px;padding-right:1px;padding-bottom:1px;padding-left:1px}");
  for (size_t i = 0; i < p.size(); ++i) p[i].Minify();
  EXPECT_EQ(DeclaredText(p[0]), u"border:1px solid red; color:red;");
  EXPECT_EQ(p[0].CompiledValuebyName(u"border-top-style").size(), 1u);
  EXPECT_EQ(p[1].Values.size(), 4u);
  EXPECT_EQ(DeclaredText(p[2]), u"padding:1px;");
  EXPECT_EQ(CompiledText(p[2]), u"padding-top:1px; padding-right:1px; padding-bottom:1px; padding-left:1px;");
}

TEST_F(CSSSection, ValuesAddedAndDeleted) {
  TParsedSheet p(u"a{color:red;margin:1px}");
  TCSSSection& s = p[0];
  TCSSValue extra = s.Values[0];
  extra.Section = nullptr;
  s.AddValue(extra);
  EXPECT_EQ(s.Values.back().Section, &s);
  EXPECT_EQ(s.CompiledValues.size(), 5u) << "adding does not recompile";
  s.DeleteValue(1);
  EXPECT_EQ(CompiledText(s), u"color:red; color:red;");
  s.DeleteValue(7);
  EXPECT_EQ(s.Values.size(), 2u);
}

}  // namespace
}  // namespace ht
