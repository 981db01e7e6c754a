#include "markup/url_utils.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

TEST(UrlUtils, CombineURL) {
  struct Case {
    const char16_t* base;
    const char16_t* ref;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"dir/page.html", u"img.png", u"dir/img.png"},
      {u"page.html", u"img.png", u"page.htmlimg.png"},
      {u"C:/site/page.html", u"/img.png", u"C:/img.png"},
      {u"http://host.org/a/b.html", u"/img.png", u"http://host.org/img.png"},
      {u"https://host.org", u"/img.png", u"https://host.org/img.png"},
      {u"dir/page.html", u"//x/y.js", u"http://x/y.js"},
      {u"https://host.org/a.html", u"//x/y.js", u"https://x/y.js"},
      {u"https://host.org/a.html", u"//http://x/y.js", u"http://x/y.js"},
      {u"dir\\page.html", u"img.png", u"dir\\page.htmlimg.png"},
      {u"dir/", u"", u"dir/"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CombineURL(c.base, c.ref), c.expected) << StringToUtf8(c.base) << " + " << StringToUtf8(c.ref);
}

TEST(UrlUtils, EncodeAndDecode) {
  EXPECT_EQ(URLEncode(u"a b/\u00e9"), u"a+b%2f%c3%a9");
  EXPECT_EQ(URLDecode(u"a+b%2F%c3%a9"), u"a b/\u00e9");
  EXPECT_EQ(URLEncode(u"!()*-.\\_~'"), u"!()*-.\\_~%27");
  EXPECT_EQ(URLEncode(u"\u20ac"), u"%e2%82%ac");
  // A surrogate pair is one character of four UTF-8 bytes.
  EXPECT_EQ(URLEncode(u"\U0001F600"), u"%f0%9f%98%80");
  EXPECT_EQ(URLEncode(String(1, char16_t(0xD800))), u"%ef%bf%bd");

  EXPECT_EQ(URLDecode(u"100%%"), u"100%");
  EXPECT_EQ(URLDecode(u"%zz%4"), u"%zz%4");  // no byte spelled: the "%" stays
  EXPECT_EQ(URLDecode(u"%"), u"%");
  EXPECT_EQ(URLDecode(String(u"ab\0cd", 5)), u"ab");
  EXPECT_EQ(URLDecode(u"\u00e9"), u"\u00e9");

  const String texts[] = {u"", u"plain", u"a b+c&d=e/f?g#h", u"\u00e9\u20ac\U0001F600 \u4e2d",
                          u"100% sure", u"tab\there"};
  for (const auto& text : texts) EXPECT_EQ(URLDecode(URLEncode(text)), text) << StringToUtf8(text);
}

}  // namespace
}  // namespace ht
