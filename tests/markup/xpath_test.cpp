#include <gtest/gtest.h>

#include <string>

#include "markup/xml_node.h"
#include "markup/xpath.h"

namespace ht {
namespace {

std::string u8(StringView s) { return StringToUtf8(s); }

// The matches as "tag#id" joined with spaces (text nodes as their content).
std::string describe(const IHtNodeList& list) {
  std::string out;
  for (int i = 0; i < list->GetCount(); ++i) {
    const THtNode* n = list->GetNode(i);
    if (!out.empty()) out += ' ';
    out += n->Tag().empty() ? "'" + u8(n->Content()) + "'" : u8(n->Tag());
    if (n->HasAttribute(u"id")) out += "#" + u8(n->GetAttribute(u"id"));
  }
  return out;
}

// A tree built by code, as the HTML builder would leave it.
class XPathTree : public ::testing::Test {
 protected:
  THtNode* add(THtNode* parent, StringView tag, StringView id = u"") {
    THtNode* n = parent->AddChild(&THtmlNode::ClassType);
    n->SetTag(tag);
    n->TagType = htIdent;
    if (!id.empty()) n->SetAttr(u"id", id);
    return n;
  }
  THtNode* text(THtNode* parent, StringView content) {
    THtNode* n = parent->AddChild(&THtmlNode::ClassType);
    n->SetContent(content);
    return n;
  }
  void SetUp() override {
    html = add(&doc, u"html");
    body = add(html, u"body");
    THtNode* p = add(body, u"p", u"p1");
    text(p, u"intro");
    THtNode* div1 = add(body, u"div", u"d1");
    THtNode* a1 = add(div1, u"a", u"a1");
    a1->SetAttr(u"href", u"x.html");
    add(a1, u"a", u"a2");
    text(body, u"between");
    THtNode* div2 = add(body, u"div", u"d2");
    THtNode* a3 = add(div2, u"a", u"a3");
    a3->SetAttr(u"href", u"y.html");
    add(body, u"div");  // no id
  }
  THtmlNode doc;
  THtNode* html = nullptr;
  THtNode* body = nullptr;
};

TEST_F(XPathTree, ListQueries) {
  struct Case {
    const char16_t* path;
    const char* expected;
  };
  const Case cases[] = {
      {u"/html/body/div", "div#d1 div#d2 div"},
      {u"//a", "a#a1 a#a2 a#a3"},  // each before its descendants
      {u"html/body/div[0]", ""},   // the p before it counts
      {u"html/body/div[1]", "div#d1"},
      {u"html/body/div[ 1 ]", "div#d1"},  // a lone number is a position, blanks or not
      {u"html/body/div[-1]", ""},         // a negative position matches nothing
      {u"html/body/*[0]", "p#p1"},
      {u"html/body/div[last()]", "div"},
      {u"html/body/p[last()]", ""},
      {u"//a[@href]", "a#a1 a#a3"},
      {u"//a[@href='x.html']", "a#a1"},
      {u"//a[@href!=\"x.html\"]", "a#a2 a#a3"},
      {u"html/body/div/@id", "div#d1 div#d2"},  // the elements, not the attributes
      {u"html/body/text()", "'between'"},
      {u"html/body/p/..", "body"},
      {u"html/body/div[a]", "div#d1 div#d2"},
      {u"html/body/div[a/a]", "div#d1"},
      {u"html/body/*[text()='intro']", "p#p1"},
      {u"./html/body/p", "p#p1"},
      {u"", ""},
      {u"[[[", ""},
      {u"//", "'intro' 'between'"},  // an empty step matches the untagged nodes
      {u"html/body/div[@id or @x]", "div#d1 div#d2"},
      {u"html/body/div[not @id]", "div"},
  };
  for (const Case& c : cases) EXPECT_EQ(describe(XPath(&doc, c.path)), c.expected) << u8(c.path);
}

TEST_F(XPathTree, FirstOnlyStopsAfterFirstSubtreeWithMatches) {
  EXPECT_EQ(describe(XPath(body, u"//a", true)), "a#a1 a#a2");
  EXPECT_EQ(describe(XPath(body, u"div", true)), "div#d1");
}

TEST_F(XPathTree, ValueQueries) {
  EXPECT_EQ(u8(XPathValue(&doc, u"html/body/p")), "intro");
  EXPECT_EQ(u8(XPathValue(body, u"div/@id")), "");  // the last div has none
  EXPECT_EQ(u8(XPathValue(body, u"div[a]/@id")), "d2");
  EXPECT_EQ(u8(XPathValue(body, u"/html/body/div[1]/a/@href")), "x.html");
  EXPECT_EQ(u8(XPathValue(body, u"")), "");
  EXPECT_EQ(u8(XPathValue(body, u"nothing")), "");
}

TEST_F(XPathTree, CurrentNode) {
  THtNode* d2 = XPath(&doc, u"//div[@id='d2']")->GetNode(0);
  EXPECT_EQ(describe(XPath(body, u"current/..", false, d2)), "body");
  EXPECT_EQ(describe(XPath(body, u"div[@id=current/@id]", false, d2)), "div#d2");
}

TEST_F(XPathTree, CallbackForm) {
  std::string seen;
  XPath(body, u"//a", [&](THtNode* n, bool&) { seen += u8(n->GetAttribute(u"id")) + " "; });
  EXPECT_EQ(seen, "a2 a1 a3 ");  // descendants before their ancestor
  seen.clear();
  XPath(body, u"/html/body/div/a", [&](THtNode* n, bool& more) {
    seen += u8(n->GetAttribute(u"id")) + " ";
    more = false;
  });
  EXPECT_EQ(seen, "a1 ");
  seen.clear();
  XPath(body, u"div/@id", [&](THtNode*, bool&) { seen += "x"; });
  EXPECT_EQ(seen, "");
}

TEST(XPathConditions, NumbersAndJoins) {
  THtXMLNode list(u"<l><item n=\"2\"/><item n=\"3\"/><item n=\"4\" hidden=\"1\"/><item n=\"5\"/><item n=\"x\"/></l>");
  auto ns = [&](StringView path) {
    std::string out;
    IHtNodeList found = XPath(&list, path);
    for (int i = 0; i < found->GetCount(); ++i) out += u8(found->GetNode(i)->GetAttribute(u"n"));
    return out;
  };
  EXPECT_EQ(ns(u"item[@n>3]"), "45");
  EXPECT_EQ(ns(u"item[@n>=3 and not @hidden]"), "35");
  EXPECT_EQ(ns(u"item[@n<'x']"), "");
  EXPECT_EQ(ns(u"item[@n<=3]"), "23");
  EXPECT_EQ(ns(u"item[@n=2 or @n=5]"), "25");
  EXPECT_EQ(ns(u"item[@n != 'x' and @n < 4]"), "23");
  EXPECT_EQ(ns(u"item[@hidden or @n=2]"), "24");
  EXPECT_EQ(ns(u"item[3]"), "5");
  EXPECT_EQ(ns(u"item['lit']"), "2345x");  // a non-empty literal holds
}

TEST(XPathCompile, Steps) {
  TXPathProcessor xp(u"//a[@k='v/w']/@href");
  EXPECT_TRUE(xp.Root);
  ASSERT_EQ(xp.Nodes.size(), 2u);
  EXPECT_TRUE(xp.Nodes[0].All);
  EXPECT_EQ(xp.Nodes[0].Kind, xkTag);
  EXPECT_EQ(u8(xp.Nodes[0].Tag), "a");
  ASSERT_EQ(xp.Nodes[0].Conditions.size(), 1u);
  const TXCondition& c = xp.Nodes[0].Conditions[0];
  EXPECT_TRUE(c.leftattr);
  EXPECT_EQ(u8(c.left), "k");
  EXPECT_TRUE(c.rightstr);
  EXPECT_EQ(u8(c.right), "v/w");
  EXPECT_EQ(xp.Nodes[0].Next, &xp.Nodes[1]);
  EXPECT_EQ(xp.Nodes[1].Kind, xkAttr);
  EXPECT_EQ(u8(xp.Nodes[1].Tag), "href");

  TXPathProcessor kinds(u"*/../CURRENT/text()/x[last()]");
  ASSERT_EQ(kinds.Nodes.size(), 5u);
  EXPECT_EQ(kinds.Nodes[0].Kind, xkAsterisk);
  EXPECT_EQ(kinds.Nodes[1].Kind, xkParent);
  EXPECT_EQ(kinds.Nodes[2].Kind, xkCurrent);
  EXPECT_EQ(kinds.Nodes[3].Kind, xkTag);
  EXPECT_EQ(kinds.Nodes[3].Tag, u"");
  EXPECT_EQ(kinds.Nodes[4].Conditions[0].ctype, ctIndex);
  EXPECT_EQ(kinds.Nodes[4].Conditions[0].index, -1);
}

}  // namespace
}  // namespace ht

namespace ht {
namespace {

TEST(XPathDeepTrees, DescentIsIterative) {
  THtXMLNode root;
  root.SetTag(u"d");
  THtXMLNode* n = &root;
  for (int i = 0; i < 200000; ++i) n = n->Add(u"d");
  n->SetContent(u"bottom");
  EXPECT_EQ(XPath(&root, u"//d")->GetCount(), 200000);
  EXPECT_EQ(u8(XPathValue(&root, u"//d")), "bottom");  // a match below a match overwrites it
  int calls = 0;
  XPath(&root, u"//d", [&](THtNode* node, bool& more) {
    ++calls;
    more = node->Content() != u"bottom";  // reported first
  });
  EXPECT_EQ(calls, 1);
  root.XPathSet(u"//d/@k", u"v");
  EXPECT_EQ(u8(n->GetAttribute(u"k")), "v");
  // Absurdly long paths stop instead of exhausting the stack.
  String path;
  for (int i = 0; i < 100000; ++i) path += u"d/../";
  EXPECT_EQ(XPath(&root, path + u"d")->GetCount(), 0);
  root.XPathSet(path + u"@z", u"1");
}

}  // namespace
}  // namespace ht
