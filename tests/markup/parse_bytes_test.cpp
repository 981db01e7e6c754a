// ParseBytes decides the encoding before decoding where it can; the tree
// must be the one Parse builds from the bytes decoded as a file's text, the
// meta rule re-decoding it afterwards.
#include <gtest/gtest.h>

#include <string>

#include "markup/file_utils.h"
#include "markup/markup_startup.h"
#include "markup/node.h"
#include "platform/rtl/string.h"

namespace ht {
namespace {

class ParseBytes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { HtMarkupInitialize(); }
};

std::string treeOf(THtmlNode& root) { return StringToUtf8(root.Tag() + u"|" + root.GetInnerHTML()); }

TEST_F(ParseBytes, SameTreeAsParsingTheDecodedFileText) {
  const std::string filler(1100, 'x');
  const std::string cases[] = {
      // UTF-8 named early: decoded once.
      "<html><head><meta charset=\"utf-8\"><title>\xC3\xA9t\xC3\xA9</title></head><body>\xE2\x82\xAC \xF0\x9F\x98\x80</body>",
      "<meta http-equiv=Content-Type content=\"text/html; charset=UTF-8\"><p a=\"\xC3\xA9\">x</p>",
      // Text and a reference before the meta are re-decoded with the tree.
      "<title>caf&eacute; \xC3</title><p>\xC3\xA9<meta charset=utf-8><p>\xC3\xA9",
      "<title>caf&eacute;</title><meta charset=utf-8><p>\xC3\xA9",
      // The guess fails: the meta sits in a comment, after the first
      // non-ASCII byte, inside a script, or a charset is named earlier.
      "<!-- <meta charset=utf-8> --><p>\xC3\xA9",
      "<p>\xC3\xA9</p><meta charset=utf-8><p>\xC3\xA9",
      "<script>var m='<meta charset=utf-8>'</script><p>\xC3\xA9",
      "<meta charset=windows-1251><meta charset=utf-8><p>\xE0\xE1",
      "<meta name=x content=\"charset=utf-8\"><p>\xC3\xA9",
      // The meta itself holds the first non-ASCII byte.
      "<meta charset=utf-8 title=\"\xC3\xA9\"><p>\xC3\xA9",
      // Named UTF-8 but not UTF-8, or plain ASCII.
      "<meta charset=utf-8><p>caf\xE9 cr\xE8me",
      "<meta charset=utf-8><p>plain",
      // Late metas (past the prescan) take the bytes from the source.
      "<p>" + filler + "</p><meta charset=utf-8><p>\xC3\xA9",
      "<p>" + filler + "</p><meta charset=windows-1251><p>\xE0\xE1",
      "<p>" + filler + "</p><meta charset=koi8-r><p>\xC1",
      "<p>\xE9</p><meta charset=windows-1251><p>\xE0\xE1",
      // Marks and UTF-16 are decoded as a file's text.
      "\xEF\xBB\xBF<p>\xC3\xA9</p><meta charset=windows-1251>",
      std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10),
      std::string("<\0p\0>\0", 6),
      "",
      "<",
  };
  for (const std::string& bytes : cases) {
    THtmlNode expected;
    expected.Parse(DecodeFileBytes(bytes));
    THtmlNode actual;
    actual.ParseBytes(bytes);
    EXPECT_EQ(treeOf(actual), treeOf(expected)) << bytes;
  }
}

// Parsing again replaces the children, as Parse does.
TEST_F(ParseBytes, ReplacesChildren) {
  THtmlNode root;
  root.ParseBytes("<meta charset=utf-8><p>\xC3\xA9");
  root.ParseBytes("<p>b");
  EXPECT_EQ(StringToUtf8(root.GetInnerHTML()), "<p>b</p>");
}

}  // namespace
}  // namespace ht
