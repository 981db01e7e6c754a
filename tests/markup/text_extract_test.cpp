#include <gtest/gtest.h>

#include "markup/fast_string.h"
#include "markup/markup_startup.h"
#include "markup/node.h"
#include "platform/rtl/string.h"

namespace ht {
namespace {

class TextExtract : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { HtMarkupInitialize(); }
};

TEST_F(TextExtract, HTMLtoText) {
  struct {
    const char16_t* html;
    const char16_t* text;
  } const cases[] = {
      {u"<p>a</p><p>b</p>", u"a\r\nb"},
      {u"<h5>x</h5><h5>y</h5>", u"x\r\ny"},
      {u"<h5>x</h5><h6>y</h6>", u"xy"},  // "h6" starts no line
      {u"<table><tr><td>x<td>y</table>", u"\r\nx\ty"},
      {u"a<br>b", u"a\r\nb"},
      {u"<a href=u>link</a><img alt=i>", u"link"},
      {u"x<script>s()</script><style>p{}</style><!--c--><noscript>n</noscript>y", u"xy"},
      {u"<div> a </div>", u"a "},  // a leading block keeps its trailing blank
      {u"t<div> a </div>", u"t\r\na"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(THtmlNode::HTMLtoText(c.html), c.text) << StringToUtf8(c.html);
}

TEST_F(TextExtract, InnerTextOfAParentlessBlock) {
  THtmlNode row(u"tr");
  row.SetInnerHTML(u"<td> x </td><td>y</td>");
  EXPECT_EQ(row.GetInnerText(), u"\r\nx \ty");
}

TEST_F(TextExtract, FastInnerText) {
  THtmlNode root;
  root.Parse(u"<head><title>T</title></head><p>a<a href=h title=t>l</a></p><td>c</td>x<br><noscript>n</noscript>");
  TFastString fs(64);
  root.FastInnerText(fs);
  EXPECT_EQ(fs.ToString(), u"a h  t l\r\nc\r\nx\r\nn");
  EXPECT_EQ(root.GetRawInnerText(), u"");  // plain nodes hold no raw text of their own
}

}  // namespace
}  // namespace ht
