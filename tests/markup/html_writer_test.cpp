#include <gtest/gtest.h>

#include "markup/fast_string.h"
#include "markup/html_writer.h"
#include "markup/markup_startup.h"
#include "markup/node.h"
#include "markup/node_list.h"
#include "platform/rtl/string.h"

namespace ht {
namespace {

class HtmlWriter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { HtMarkupInitialize(); }
};

TEST_F(HtmlWriter, EscapeHtmlTextTable) {
  struct {
    const char16_t* in;
    const char16_t* out;
  } const cases[] = {
      {u"a<b & c>", u"a&lt;b &amp; c&gt;"},
      {u"\u00A0", u"&nbsp;"},
      {u"\u0001x\u0008", u"&#1;x&#8;"},
      {u"\U0001F600", u"&#x01F600;"},
      {u"\u03B1\u2014\u0101", u"\u03B1\u2014\u0101"},  // ranges never named
      {u"\u2264", u"&le;"},
      // U+2026 lies in U+2000..U+209F, which is never named.
      {u"\u2026", u"\u2026"},
      {u"\u00E9\t\n", u"\u00E9\t\n"},
      // A lone high surrogate is copied; the unit after it is judged alone.
      {u"\xD800\u2232", u"\xD800&ClockwiseContourIntegral;"},
      {u"x\xD800", u"x\xD800"},
      {u"\xDC00<", u"\xDC00&lt;"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    const String out = EscapeHtmlText(c.in);
    EXPECT_EQ(out, c.out) << StringToUtf8(c.in);
    // Measuring and writing agree, and a caller's measurement is honoured.
    EXPECT_EQ(int(out.size()), int(StringView(c.in).size()) + HtmlTextEscapeGrowth(c.in));
    EXPECT_EQ(EscapeHtmlText(c.in, HtmlTextEscapeGrowth(c.in)), out);
    TFastString fs(16);
    AddEscapedHtmlText(fs, c.in);
    EXPECT_EQ(fs.ToString(), out);
  }
  EXPECT_EQ(EscapeHtmlText(String(u"a\0b", 3)), u"a&#0;b");
  // A wrong measurement from a caller costs room, never correctness.
  EXPECT_EQ(EscapeHtmlText(u"<<", 1), u"&lt;&lt;");
}

TEST_F(HtmlWriter, EscapeAttributeValues) {
  EXPECT_EQ(EscapeAttrValue(u"a\"b\nc\td\re'f"), u"a&quot;b&#xA;c&#9;d\re'f");
  EXPECT_EQ(EscapeAttrValue(u"<&>\u00A0\u2264"), u"&lt;&amp;&gt;&nbsp;\u2264");
  EXPECT_EQ(EscapeXmlAttrValue(u"\u00A0"), u"&#160;");
  EXPECT_EQ(AttrEscapeGrowth(u"\"\n\u00A0"), 5 + 4 + 5);
  EXPECT_EQ(EscapeAttrValue(u"plain"), u"plain");

  THtAttributes set;
  set.SetAttribute(u"checked", u"checked");
  set.SetAttribute(u"title", u"say \"hi\"");
  EXPECT_EQ(AsString(set), u"checked=\"checked\" title=\"say &quot;hi&quot;\"");
  TFastString fs(64);
  FastAsString(set, fs);
  EXPECT_EQ(fs.ToString(), u" checked title=\"say &quot;hi&quot;\"");
  TFastRawString raw(64);
  FastAsUTF8String(set, raw);
  EXPECT_EQ(raw.ToString(), " checked=\"checked\" title=\"say &quot;hi&quot;\"");
  THtAttributes xml(true);
  xml.SetAttribute(u"Checked", u"Checked");
  xml.SetAttribute(u"v", u"\u00A0");
  TFastString xs(64);
  FastAsString(xml, xs);
  EXPECT_EQ(xs.ToString(), u" Checked=\"Checked\" v=\"&#160;\"");
}

TEST_F(HtmlWriter, ElementForms) {
  THtmlNode root;
  THtmlNode* div = static_cast<THtmlNode*>(root.AddChild(&THtmlNode::ClassType));
  div->SetTag(u"div");
  EXPECT_EQ(div->GetOuterHTML(), u"<div></div>");
  div->SetTag(u"br");
  EXPECT_EQ(div->GetOuterHTML(), u"<br/>");
  div->SetTag(u"div");
  div->SetAttr(u"checked", u"checked");
  div->GetNodes();  // an empty children list
  EXPECT_EQ(div->GetOuterHTML(), u"<div checked></div>");
  div->SetAttr(u"checked", u"yes");
  EXPECT_EQ(div->GetOuterHTML(), u"<div checked=\"yes\"></div>");
  div->SetTag(u"xbody");
  EXPECT_EQ(div->GetOuterHTML(), u"<body checked=\"yes\"></body>");
}

TEST_F(HtmlWriter, RoundTrips) {
  struct {
    const char16_t* in;
    const char16_t* out;
  } const cases[] = {
      {u"<p class=a>x &amp; y<br>z</p>", u"<p class=\"a\">x &amp; y<br/>z</p>"},
      {u"<style>p > a { x: \"&\" }</style>", u"<style>p > a { x: \"&\" }</style>"},
      {u"<script type=t>a<b</script>", u"<script type=\"t\">a<b</script>"},
      {u"<!--c--><?pi x?>", u"<!--c--><?pi x?>"},
      {u"<div><![CDATA[a<b]]></div>", u"<div><![CDATA[a<b]]></div>"},
      {u"<input disabled value=\"a&quot;b\">", u"<input disabled value=\"a&quot;b\"/>"},
      {u"<meta http-equiv=Content-Type content=\"text/html; charset=koi8-r\">",
       u"<meta http-equiv=\"Content-Type\" content=\"text/html;\"/>"},
  };
  for (const auto& c : cases) {
    THtmlNode root;
    root.Parse(c.in);
    EXPECT_EQ(root.GetInnerHTML(), c.out) << StringToUtf8(c.in);
  }
  // The builder's charset replaces whatever the meta element said.
  THtmlNode root;
  root.Parse(u"<meta http-equiv=content-type content=x>");
  TFastString fs(64);
  fs.Charset = u"utf-8";
  static_cast<THtmlNode*>(root.GetNode(0))->FastInnerHTML(fs);
  EXPECT_EQ(fs.ToString(), u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>");
  // An untagged root writes only its children.
  EXPECT_EQ(root.GetOuterHTML(), u"<body>" + root.GetInnerHTML() + u"</body>");
}

TEST_F(HtmlWriter, FormattedIndentation) {
  THtmlNode root;
  root.Parse(u"<div><p>text</p></div>");
  TFastString fs(256);
  bool afterBlock = false;
  root.FastFormattedHTML(fs, 0, 2, afterBlock);
  EXPECT_EQ(fs.ToString(), u"\r\n  <div>\r\n    <p>text</p>\r\n  </div>");
  EXPECT_TRUE(afterBlock);

  THtmlNode mixed;
  mixed.Parse(u"<ul><li>a <b>b</b></li></ul><span>s</span><!--c-->");
  TFastString ms(256);
  afterBlock = false;
  mixed.FastFormattedHTML(ms, 0, 1, afterBlock);
  EXPECT_EQ(ms.ToString(), u"\r\n <ul>\r\n  <li>\r\n   a <b>b</b>\r\n  </li>\r\n </ul>\r\n <span>s</span><!--c-->");
}

}  // namespace
}  // namespace ht

namespace ht {
namespace {

TEST(HtmlWriterDeep, ExtraLengthOnlySizesTheResult) {
  EXPECT_EQ(EscapeHtmlText(u"a<b", 0), u"a&lt;b");
  EXPECT_EQ(EscapeAttrValue(u"\"", 0), u"&quot;");
  EXPECT_EQ(EscapeXmlAttrValue(u"&", 0), u"&amp;");
  EXPECT_EQ(EscapeHtmlText(u"plain", 0), u"plain");
}

TEST(HtmlWriterDeep, DeepTreesAreWrittenWithoutRecursion) {
  // Built through the node API, so the parser's depth cap does not apply.
  constexpr int depth = 20000;
  THtmlNode root(u"div");
  THtNode* n = &root;
  for (int i = 0; i < depth; ++i) {
    n = n->AddChild(&THtmlNode::ClassType);
    n->SetTag(u"p");
  }
  const String inner = root.GetInnerHTML();
  EXPECT_EQ(inner.size(), size_t(depth) * 7);  // "<p>" and "</p>" each
  EXPECT_EQ(inner.substr(0, 6), u"<p><p>");
  EXPECT_EQ(root.GetOuterHTML().size(), inner.size() + 11);
  // The indentation stops growing, so the output stays proportional.
  TFastString fs(65500);
  bool afterBlock = false;
  root.FastFormattedHTML(fs, 0, 2, afterBlock);
  EXPECT_LT(fs.TotalLength(), depth * (7 + 2 * (2 + 64)));
}

}  // namespace
}  // namespace ht
