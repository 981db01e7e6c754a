#include <gtest/gtest.h>

#include <string>

#include "markup/markup_startup.h"
#include "markup/node.h"
#include "markup/node_list.h"
#include "platform/rtl/string.h"

namespace ht {
namespace {

// A compact picture of a tree: elements as tag(children), text in quotes,
// comments as <!--x-->, children separated by spaces.
std::string dump(const THtNode& n);

std::string dumpChildren(const THtNode& n) {
  std::string out;
  if (THtNodeList* list = n.ChildNodeList())
    for (THtNode* child : *list) {
      if (!out.empty()) out += ' ';
      out += dump(*child);
    }
  return out;
}

std::string dump(const THtNode& n) {
  if (n.TagType == htComment) return "<!--" + StringToUtf8(n.Content()) + "-->";
  if (n.Tag().empty()) return "\"" + StringToUtf8(n.Content()) + "\"";
  std::string out = StringToUtf8(n.Tag());
  if (n.Attributes())
    for (int i = 0; i < n.Attributes()->Count; ++i)
      out += "[" + StringToUtf8(n.Attributes()->GetName(i)) + "=" + StringToUtf8(n.Attributes()->GetValue(i)) + "]";
  if (!n.Content().empty()) out += "{" + StringToUtf8(n.Content()) + "}";
  if (n.GetCount() > 0) out += "(" + dumpChildren(n) + ")";
  return out;
}

std::string parsed(const char16_t* html) {
  THtmlNode root;
  root.Parse(html);
  return dumpChildren(root);
}

int maxDepth(const THtNode& n) {
  int deepest = 0;
  if (THtNodeList* list = n.ChildNodeList())
    for (THtNode* child : *list) deepest = std::max(deepest, 1 + maxDepth(*child));
  return deepest;
}

class TreeBuilder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { HtMarkupInitialize(); }
};

struct Case {
  const char16_t* html;
  const char* tree;
};

TEST_F(TreeBuilder, ImpliedEndsAndRepairs) {
  const Case cases[] = {
      {u"<p>a<p>b", "p(\"a\") p(\"b\")"},
      {u"<ul><li>a<li>b</ul>", "ul(li(\"a\") li(\"b\"))"},
      {u"<table><td>x</td></table>", "table(tr(td(\"x\")))"},
      {u"<table><tr><td>a<td>b</table>", "table(tr(td(\"a\") td(\"b\")))"},
      {u"<b><i>x</b>y</i>", "b(i(\"x\")) i(\"y\")"},
      {u"<div><span>a</div>b", "div(span(\"a\")) \"b\""},
      {u"<div>a</span>b</div>", "div(\"a\" \"b\")"},
      {u"<p>a<div>b</div>", "p(\"a\") div(\"b\")"},
      {u"<a href=1>x<a href=2>y", "a[href=1](\"x\") a[href=2](\"y\")"},
      {u"<br>text", "br \"text\""},
      {u"</br>", ""},
      {u"<dl><dt>a<dd>b<dt>c</dl>", "dl(dt(\"a\") dd(\"b\") dt(\"c\"))"},
      {u"<head><title>t</title><body>x", "head(title(\"t\")) body(\"x\")"},
      {u"<table><tr><td>a</tr><tr><td>b</table>", "table(tr(td(\"a\")) tr(td(\"b\")))"},
      {u"<table><tr><td>a</td></tr><div>x</div>", "table(tr(td(\"a\")) div(\"x\"))"},
      {u"<table><tr><td>a</td><div>x</div>", "table(tr(td(\"a\" div(\"x\"))))"},
      {u"<table><p>x</table>", "table(tr(td(p(\"x\"))))"},
      {u"<table><tr><td>a</td><tr>b", "table(tr(td(\"a\")) tr(\"b\"))"},
      {u"<div><table><tr><td>a</div>b</td></table>", "div(table(tr(td(\"a\" \"b\"))))"},
      {u"<!--c--><p>x", "<!--c--> p(\"x\")"},
      {u"<!DOCTYPE html><p>x", "p(\"x\")"},
      {u"<script>if (a<b) x();</script><p>y", "script{if (a<b) x();} p(\"y\")"},
      {u"<P CLASS=x>y", "p[class=x](\"y\")"},
      {u"<head><meta charset=x><div>y", "head(meta[charset=x]) div(\"y\")"},
      // An empty element met in a table body is put before the table.
      {u"<div><table><tbody><input><tr><td>x</table></div>", "div(input table(tbody(tr(td(\"x\")))))"},
      {u"<p><b>x</p>y", "p(b(\"x\")) b(\"y\")"},
      {u"<b>x</b></b>y", "b(\"x\") \"y\""},
  };
  for (const Case& c : cases) EXPECT_EQ(parsed(c.html), c.tree) << StringToUtf8(c.html);
}

TEST_F(TreeBuilder, TextAloneMakesTheRootABody) {
  THtmlNode root;
  root.Parse(u"hello");
  EXPECT_EQ(root.Tag(), u"body");
  ASSERT_EQ(root.GetCount(), 1);
  EXPECT_EQ(root.GetNode(0)->Content(), u"hello");
  THtmlNode doc;
  doc.Parse(u"<html><body>x</body></html>");
  EXPECT_EQ(doc.Tag(), u"");
}

TEST_F(TreeBuilder, NestingDepthIsBounded) {
  String html;
  for (int i = 0; i < 300; ++i) html += u"<div>";
  THtmlNode root;
  root.Parse(html);
  EXPECT_EQ(maxDepth(root), 256);
  // The element that arrives inside the one at depth 256 closes it and its
  // parent, so it becomes a sibling of that parent at depth 255.
  THtNode* n = &root;
  for (int depth = 0; depth < 254; ++depth) n = n->GetNode(0);
  // Divs 255 and 256 nest under it; the 44 after them come in pairs, one
  // at depth 255 holding the next at 256.
  ASSERT_EQ(n->GetCount(), 23);
  for (int i = 0; i < 23; ++i) EXPECT_EQ(maxDepth(*n->GetNode(i)), 1);
  // Deep nesting of every kind of element (formatting ones re-opened) stays
  // bounded too.
  String mixed;
  for (int i = 0; i < 2000; ++i) mixed += u"<b><i><table><tr><td><ul><li>";
  mixed += u"</td>x</div></b></i>y";
  THtmlNode deep;
  deep.Parse(mixed);
  EXPECT_LE(maxDepth(deep), 260);
}

TEST_F(TreeBuilder, InnerAndOuterHTML) {
  THtmlNode root;
  root.Parse(u"<div id=t>old</div>");
  auto* div = root.Node(0);
  div->SetInnerHTML(u"<p>a<p>b");
  EXPECT_EQ(dump(*div), "div[id=t](p(\"a\") p(\"b\"))");
  // A stray end tag naming the container does not cut the value short.
  div->SetInnerHTML(u"<span>a</div>b");
  EXPECT_EQ(dump(*div), "div[id=t](span(\"a\" \"b\"))");
  div->SetInnerHTML(u"");
  EXPECT_EQ(div->GetCount(), 0);

  div->SetOuterHTML(u"<!DOCTYPE x> <span id=a>t</span><b>z</b>");
  EXPECT_EQ(dump(root), "body(span[id=a](\"t\"))");
  root.Node(0)->SetOuterHTML(u"plain");
  EXPECT_EQ(dump(root), "body(\"plain\")");

  THtmlNode list(u"ul");
  THtmlNode* first = list.AddHTML(u"<li>a</li><li>b</li>");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, list.GetNode(0));
  EXPECT_EQ(dump(list), "ul(li(\"a\") li(\"b\"))");
  EXPECT_EQ(list.AddHTML(u""), nullptr);
  // Searches stay inside the added text: a paragraph added inside a
  // paragraph is kept, with everything after it.
  THtmlNode p(u"p");
  p.AddHTML(u"x<p>y</p>z");
  EXPECT_EQ(dump(p), "p(\"x\" p(\"y\") \"z\")");
}

TEST_F(TreeBuilder, OuterHTMLReplacesTheElement) {
  const Case cases[] = {
      {u"</div> <p id=a>x</p>", "body(p[id=a](\"x\"))"},
      {u"</b></i>\n<p>x</p>", "body(p(\"x\"))"},
      // A void element takes nothing after it.
      {u"<br>tail", "body(br)"},
      {u"<img src=a>x<b>y</b>", "body(img[src=a])"},
      {u"<span>a</span>b", "body(span(\"a\"))"},
  };
  for (const Case& c : cases) {
    THtmlNode root;
    root.Parse(u"<div>old</div>");
    root.Node(0)->SetOuterHTML(c.html);
    EXPECT_EQ(dump(root), c.tree) << StringToUtf8(c.html);
  }
  THtmlNode root;
  root.Parse(u"<div>old</div>");
  root.Node(0)->SetOuterHTML(u"<br>tail");
  EXPECT_EQ(root.Node(0)->GetOuterHTML(), u"<br/>");
}

TEST_F(TreeBuilder, TableBodyAtTheDepthCapEnds) {
  for (const char16_t* body : {u"<table><p>", u"<tbody><p>", u"<thead><p>x", u"<table><td>x"}) {
    String html;
    for (int i = 0; i < 254; ++i) html += u"<div>";
    html += body;
    THtmlNode root;
    root.Parse(html);
    EXPECT_LE(maxDepth(root), 258) << StringToUtf8(body);
  }
}

TEST_F(TreeBuilder, TextNodesAreStrings) {
  THtmlNode root;
  root.Parse(u"<p>x</p>");
  EXPECT_EQ(root.Node(0)->GetNode(0)->TagType, htString);
  THtmlNode set(u"p");
  set.SetInnerText(u"y");
  EXPECT_EQ(set.GetNode(0)->TagType, htString);
}

// A document element in standards mode.
class TStandardsNode : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  bool IsQuirksMode() override { return false; }
};
const THtNodeClass TStandardsNode::ClassType{"TStandardsNode", &THtmlNode::ClassType,
                                             CreateInstance<TStandardsNode, THtNode>};

TEST_F(TreeBuilder, InnerHTMLFoldsNamesInEveryMode) {
  TStandardsNode doc;
  doc.SetInnerHTML(u"<P CLASS=x>y<BR>z</P>");
  EXPECT_EQ(dumpChildren(doc), "p[class=x](\"y\" br \"z\")");
  EXPECT_EQ(doc.GetNode(0)->GetAttribute(u"class"), u"x");
}

TEST_F(TreeBuilder, NodeClassesComeFromTheGlobalRoot) {
  TStandardsNode doc;
  doc.Parse(u"<div><p>x</p></div>");
  const THtNode* p = doc.GetNode(0)->GetNode(0);
  EXPECT_EQ(p->ClassRefOf(), &TStandardsNode::ClassType);
  EXPECT_EQ(p->GetNode(0)->ClassRefOf(), &TStandardsNode::ClassType);
}

// A registry that knows no class for "span" and gives rows a plain node.
class TPickyNode : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override {
    if (ARoot) return ARoot->GetElementClass(Tag, nullptr);
    if (Tag == u"span") return nullptr;
    if (Tag == u"tr") return &THtNode::ClassType;
    return &ClassType;
  }
};
const THtNodeClass TPickyNode::ClassType{"TPickyNode", &THtmlNode::ClassType, CreateInstance<TPickyNode, THtNode>};

TEST_F(TreeBuilder, TagsWithoutAClassAreDropped) {
  TPickyNode root;
  root.Parse(u"<p>a<span>b</span>c</p><table><td>x</td></table>y");
  // The span's content stays in the paragraph; the row cannot hold the cell.
  EXPECT_EQ(dumpChildren(root), "p(\"a\" \"b\" \"c\") table(tr \"x\") \"y\"");
}

}  // namespace
}  // namespace ht
