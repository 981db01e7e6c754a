#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "markup/file_utils.h"
#include "markup/xml_node.h"

namespace ht {
namespace {

std::string u8(StringView s) { return StringToUtf8(s); }

template <class Fn>
std::string xmlError(Fn fn) {
  try {
    fn();
  } catch (const EHtXML& e) {
    return u8(e.Message());
  }
  return "";
}

TEST(XMLParse, DeclarationKeptCommentDropped) {
  THtXMLNode root(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- note --><root><a>x</a></root>");
  ASSERT_NE(root.ProcessingInstructins, nullptr);
  ASSERT_EQ(root.ProcessingInstructins->size(), 1u);
  EXPECT_EQ(u8((*root.ProcessingInstructins)[0]), "xml version=\"1.0\" encoding=\"UTF-8\"");
  EXPECT_EQ(u8(root.GetPIAttribute(u"xml", u"encoding")), "UTF-8");
  EXPECT_EQ(root.GetPIAttribute(u"xm", u"encoding"), u"");
  EXPECT_EQ(u8(root.Tag()), "root");
  ASSERT_EQ(root.Count(), 1);
  EXPECT_EQ(u8(root.GetNode(0)->Tag()), "a");
  EXPECT_EQ(u8(root.GetNode(0)->Content()), "x");
}

TEST(XMLParse, ContentTextNodesAndBlankRuns) {
  THtXMLNode mixed(u"<p>hi<b/> there</p>");
  EXPECT_EQ(u8(mixed.Content()), "hi");
  ASSERT_EQ(mixed.Count(), 2);
  EXPECT_EQ(u8(mixed.GetNode(0)->Tag()), "b");
  EXPECT_EQ(mixed.GetNode(1)->Tag(), u"");
  EXPECT_EQ(u8(mixed.GetNode(1)->Content()), " there");
  EXPECT_EQ(u8(mixed.GetValue()), "hi there");

  THtXMLNode indented(u"<r>\n  <a/>\n  <b/>\n</r>");
  EXPECT_EQ(indented.Count(), 2);
  EXPECT_EQ(u8(indented.Content()), "\n  \n  \n");

  THtXMLNode preserved(u"<r xml:space=\"preserve\">  <a/>  <b/></r>");
  EXPECT_TRUE(preserved.FPreserveSpace);
  EXPECT_EQ(u8(preserved.Content()), "  ");
  ASSERT_EQ(preserved.Count(), 3);
  EXPECT_EQ(u8(preserved.GetNode(1)->Content()), "  ");
}

TEST(XMLParse, AttributesAreCaseSensitive) {
  THtXMLNode root(u"<Root Id=\"1\" id=\"2\"><Item/></Root>");
  EXPECT_EQ(u8(root.Tag()), "Root");
  EXPECT_EQ(u8(root.GetAttribute(u"Id")), "1");
  EXPECT_EQ(u8(root.GetAttribute(u"id")), "2");
  EXPECT_NE(root.NodebyName(u"Item"), nullptr);
  EXPECT_EQ(root.NodebyName(u"item"), nullptr);
}

TEST(XMLParse, ErrorsAndLimits) {
  EXPECT_EQ(xmlError([] { THtXMLNode n(u"<a><b></c></a>"); }), "Tag order error: /b expected, /c found at position 7");
  EXPECT_EQ(xmlError([] { THtXMLNode n(u"<a><b>text"); }), "");
  EXPECT_THROW(THtXMLNode n(u"<a b=c></a>"), EHtmlParserException);

  THtXMLNode empty(u"just text");
  EXPECT_EQ(empty.Tag(), u"");
  EXPECT_EQ(empty.Content(), u"");

  auto nested = [](int levels) {
    String s;
    for (int i = 0; i < levels; ++i) s += u"<a>";
    return s;
  };
  EXPECT_EQ(xmlError([&] { THtXMLNode n(nested(THtXMLNode::MaxDepth)); }), "");
  EXPECT_EQ(xmlError([&] { THtXMLNode n(nested(THtXMLNode::MaxDepth + 1)); }), "XML contains too many nested nodes");
  EXPECT_EQ(xmlError([&] { THtXMLNode n(nested(200000)); }), "XML contains too many nested nodes");
}

class XMLFile : public ::testing::Test {
 protected:
  void TearDown() override { std::remove(path.c_str()); }
  String write(const std::string& bytes) {
    SaveRawBytesToFile(bytes, Utf8ToString(path));
    return Utf8ToString(path);
  }
  std::string path = (std::filesystem::temp_directory_path() / ("ht_xml_" + std::to_string(::getpid()) + ".xml")).string();
};

TEST_F(XMLFile, EncodingsByMark) {
  const std::string utf16le("\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0", 18);
  const std::string utf16be("\xFE\xFF\0<\0a\0>\0\xE9\0<\0/\0a\0>", 18);
  const std::pair<std::string, THtmlEncoding> cases[] = {
      {"\xEF\xBB\xBF<a>\xC3\xA9</a>", heDefault},
      {"<a>\xC3\xA9</a>", heUTF8},
      {utf16le, heDefault},
      {utf16be, heDefault},
      {std::string("<\0a\0>\0\xE9\0<\0/\0a\0>\0", 16), heUTF16},
  };
  for (const auto& [bytes, encoding] : cases) {
    auto node = THtXMLNode::CreateFromFile(write(bytes), encoding);
    EXPECT_EQ(u8(node->Tag()), "a");
    EXPECT_EQ(u8(node->Content()), "\u00e9");
  }
  EXPECT_EQ(xmlError([&] { THtXMLNode::CreateFromFile(write("<a"), heDefault); }),
            "Incorrect XML file " + path);
  EXPECT_THROW(THtXMLNode::CreateFromFile(u"/nonexistent/x.xml", heDefault), Exception);
}

TEST(XMLNode, AddAndGetCreateNode) {
  THtXMLNode root;
  root.SetTag(u"r");
  THtXMLNode* a = root.Add(u"a");
  THtXMLNode* c = root.Add(u"a/b");
  EXPECT_EQ(root.Count(), 2);  // a second a
  EXPECT_EQ(u8(c->Tag()), "b");
  EXPECT_EQ(c->XMLParent()->XMLParent(), &root);
  EXPECT_NE(c->XMLParent(), a);

  EXPECT_EQ(root.GetCreateNode(u"a"), a);
  THtXMLNode* made = root.GetCreateNode(u"a/x/y");
  EXPECT_EQ(made->XMLParent()->XMLParent(), a);
  EXPECT_EQ(root.GetCreateNode(u"a/x/y"), made);
  EXPECT_EQ(root.Count(), 2);
}

TEST(XMLNode, IndexingAndMoving) {
  THtXMLNode root(u"<r><a/><b/><c/></r>");
  EXPECT_EQ(xmlError([&] { root.GetNode(3); }), "Node index 3 out of range");
  EXPECT_EQ(xmlError([&] { root.GetNode(-1); }), "Node index -1 out of range");
  EXPECT_EQ(xmlError([] { THtXMLNode().GetNode(0); }), "Node index 0 out of range");

  std::unique_ptr<THtXMLNode> b = root.Extract(root.GetNode(1));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Parent(), nullptr);
  EXPECT_EQ(root.GetNode(0)->NextSibling(), root.GetNode(1));
  root.InsertNode(0, std::move(b));
  EXPECT_EQ(u8(root.Code()), "<r><b/><a/><c/></r>");
  root.Delete(2);
  EXPECT_EQ(u8(root.Code()), "<r><b/><a/></r>");

  auto orphan = THtXMLNode::CreateFromName(u"n", u"v", &root);
  EXPECT_EQ(orphan->Parent(), &root);
  EXPECT_EQ(root.Count(), 2);
}

TEST(XMLNode, CloneAndAssign) {
  THtXMLNode root(u"<r k=\"1\"><!--c--><a x=\"y\">t<b/></a>tail</r>");
  auto copy = root.Clone();
  EXPECT_EQ(copy->Parent(), nullptr);
  // The comment comes out as a text node.
  EXPECT_EQ(u8(copy->Code()), "<r k=\"1\">c<a x=\"y\">t<b/></a>tail</r>");

  THtXMLNode target(u"<old z=\"1\"><gone/></old>");
  target.Assign(root);
  EXPECT_EQ(u8(target.Code()), "<r k=\"1\"><!--c--><a x=\"y\">t<b/></a>tail</r>");

  // Copying a tree deeper than the stack would allow.
  THtXMLNode deep;
  deep.SetTag(u"d");
  THtXMLNode* n = &deep;
  for (int i = 0; i < 100000; ++i) n = n->Add(u"d");
  auto deepCopy = deep.Clone();
  int depth = 0;
  for (THtNode* m = deepCopy.get(); m; m = m->Count() ? m->GetNode(0) : nullptr) ++depth;
  EXPECT_EQ(depth, 100001);
  EXPECT_EQ(deep.Code().size(), deepCopy->Code().size());
}

TEST(XMLNode, ValuesNamesAndNamespaces) {
  THtXMLNode root(u"<svg:g><svg:rect/><x:y><ns:item/></x:y></svg:g>");
  EXPECT_EQ(u8(root.LocalName()), "g");
  EXPECT_EQ(u8(root.Prefix()), "svg");
  root.RemoveNamespaces();
  EXPECT_EQ(u8(root.Tag()), "svg:g");
  EXPECT_EQ(u8(root.Code()), "<svg:g><rect/><y><item/></y></svg:g>");
  EXPECT_EQ(u8(root.GetNode(0)->LocalName()), "rect");
  EXPECT_EQ(root.GetNode(0)->Prefix(), u"");

  THtXMLNode v(u"<v><a/>one<b/></v>");
  v.SetValue(u"two");  // to the first text child
  EXPECT_EQ(u8(v.GetNode(1)->Content()), "two");
  EXPECT_EQ(u8(v.SafeNodeValue(u"a")), "");
  EXPECT_EQ(u8(v.SafeNodeValue(u"zz")), "");
  v.GetNode(0)->SetValue(u"in a");
  EXPECT_EQ(u8(v.SafeNodeValue(u"a")), "in a");
}

TEST(XMLNode, XPathSetAndNodeProperty) {
  THtXMLNode list(u"<l><item/><item/><other/></l>");
  list.XPathSet(u"item/@id", u"7");
  EXPECT_EQ(u8(list.Code()), "<l><item id=\"7\"/><item id=\"7\"/><other/></l>");

  THtXMLNode empty;
  empty.SetTag(u"e");
  empty.XPathSet(u"x/y", u"v");
  EXPECT_EQ(u8(empty.Code()), "<e><x><y>v</y></x></e>");
  empty.SetNode(u"x/y", u"w");  // the first match only
  EXPECT_EQ(u8(empty.GetNode1(u"x/y")), "w");
  empty.SetNode(u"x/@k", u"");
  EXPECT_TRUE(empty.GetNode(0)->HasAttribute(u"k"));
  empty.XPathSet(u"*[@k]/z", u"1");  // conditions never create
  EXPECT_EQ(u8(empty.Code()), "<e><x k=\"\"><y>w</y><z>1</z></x></e>");
  empty.XPathSet(u"q[0]", u"1");
  EXPECT_EQ(empty.NodebyName(u"q"), nullptr);
}

TEST(XMLNode, AttributeHelpers) {
  THtXMLNode a(u"<a B=\"1\" c=\"2\"/>");
  a.LowerAttributes();
  EXPECT_EQ(u8(a.GetAttribute(u"b")), "1");
  EXPECT_EQ(u8(a.Code()), "<a b=\"1\" c=\"2\"/>");

  THtXMLNode b(u"<b x=\"9\"/>");
  THtXMLNode none(u"<n/>");
  b.CopyAttributesFrom(&none);
  EXPECT_EQ(u8(b.GetAttribute(u"x")), "9");
  b.CopyAttributesFrom(&a);
  EXPECT_EQ(u8(b.Code()), "<b b=\"1\" c=\"2\"/>");

  THtXMLNode s(u"<s><i k=\"b\"/><i k=\"C\"/><i k=\"a\"/></s>");
  s.SortbyAttr(u"k", true);
  EXPECT_EQ(u8(s.Code()), "<s><i k=\"C\"/><i k=\"a\"/><i k=\"b\"/></s>");
}

}  // namespace
}  // namespace ht
