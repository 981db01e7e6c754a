#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "markup/file_utils.h"
#include "markup/xml_node.h"

namespace ht {
namespace {

std::string u8(StringView s) { return StringToUtf8(s); }

TEST(XMLWriter, EmptyElementForms) {
  THtXMLNode a;
  a.SetTag(u"a");
  a.TagType = htIdent;
  EXPECT_EQ(u8(a.Code()), "<a/>");
  a.GetNodes();  // an empty children list
  EXPECT_EQ(u8(a.Code()), "<a></a>");
  EXPECT_EQ(a.UTF8Code(false), "<a></a>");
}

TEST(XMLWriter, TextEscaping) {
  struct Case {
    const char16_t* text;
    const char* written;
  };
  const Case cases[] = {
      {u"<&>", "&lt;&amp;&gt;"},
      {u"say \"hi\" 'x'", "say \"hi\" 'x'"},
      {u"a\u00a0b", "a&#160;b"},
      // XML has no form for these, not even a reference: U+FFFD stands in.
      {u"\u0003\u0008\t", "\uFFFD\uFFFD\t"},
      {u"ab\uFFFE\uFFFF", "ab\uFFFD\uFFFD"},
      {u"\U0001F600", "&#x01F600;"},
      {u"\u00e9", "\u00e9"},
  };
  for (const Case& c : cases) {
    THtXMLNode n;
    n.SetTag(u"t");
    n.SetContent(c.text);
    EXPECT_EQ(u8(n.Code()), "<t>" + std::string(c.written) + "</t>") << c.written;
    EXPECT_EQ(n.UTF8Code(false), "<t>" + std::string(c.written) + "</t>") << c.written;
  }
  THtXMLNode attrs;
  attrs.SetTag(u"a");
  attrs.SetAttr(u"v", u"q\"<&>\n\t\u00a0'");
  EXPECT_EQ(u8(attrs.Code()), "<a v=\"q&quot;&lt;&amp;&gt;&#xA;&#9;&#160;'\"/>");
  THtXMLNode nul;
  nul.SetTag(u"t");
  nul.SetContent(String(u"a\u0000b", 3));
  EXPECT_EQ(nul.UTF8Code(false), "<t>a\uFFFDb</t>");
  attrs.SetAttr(u"v", String(u"a\u0000b\uFFFF", 4));
  EXPECT_EQ(u8(attrs.Code()), "<a v=\"a\uFFFDb\uFFFD\"/>");
}

TEST(XMLWriter, NodeKindsAndBlankContent) {
  THtXMLNode root(u"<r>\n <a>1</a><!--c--><![CDATA[<x>]]><b/> tail<!DOCTYPE d></r>");
  EXPECT_EQ(u8(root.Code()), "<r><a>1</a><!--c--><![CDATA[<x>]]><b/> tail<!DOCTYPE d></r>");
  // The UTF-8 form keeps the blank content.
  EXPECT_EQ(root.UTF8Code(false), "<r>\n <a>1</a><!--c--><![CDATA[<x>]]><b/> tail<!DOCTYPE d></r>");
  EXPECT_EQ(u8(root.InnerCode()), "\n <a>1</a><!--c--><![CDATA[<x>]]><b/> tail<!DOCTYPE d>");
  EXPECT_EQ(u8(root.GetNode(0)->InnerCode()), "1");
  EXPECT_EQ(root.GetNode(2)->InnerCode(), u"");
}

TEST(XMLWriter, ProcessingInstructionsOnlyInUtf16) {
  THtXMLNode root(u"<?xml version=\"1.0\"?><r/>");
  EXPECT_EQ(u8(root.Code()), "<?xml version=\"1.0\"?>\r\n<r/>");
  EXPECT_EQ(root.UTF8Code(false), "<r/>");
  EXPECT_EQ(root.UTF8Code(true), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<r/>");
}

TEST(XMLWriter, Indentation) {
  THtXMLNode root(u"<r><b>x</b><c>y<d/></c></r>");
  EXPECT_EQ(u8(root.FormattedCode()), "<r>\r\n  <b>x</b>\r\n  <c>y\r\n    <d/>\r\n  </c>\r\n</r>");
  EXPECT_EQ(root.UTF8FormattedCode(true),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<r>\r\n  <b>x</b>\r\n  <c>y\r\n    "
            "<d/>\r\n  </c>\r\n</r>");
  // A child is written as if it had no parent.
  EXPECT_EQ(u8(root.GetNode(1)->FormattedCode()), "<c>y\r\n  <d/>\r\n</c>");
}

TEST(XMLWriter, DeepTreesAreWrittenWithoutRecursion) {
  THtXMLNode root;
  root.SetTag(u"d");
  THtXMLNode* n = &root;
  for (int i = 0; i < 200000; ++i) n = n->Add(u"d");
  const String code = root.Code();
  EXPECT_EQ(code.size(), 200001u * 7 - 3);  // every "<d></d>" but the innermost "<d/>"
  EXPECT_EQ(root.UTF8Code(false).size(), code.size());
  EXPECT_EQ(root.Clone()->Code().size(), code.size());
}

class XMLSave : public ::testing::Test {
 protected:
  void TearDown() override { std::remove(path.c_str()); }
  std::string path = (std::filesystem::temp_directory_path() / ("ht_xmlw_" + std::to_string(::getpid()) + ".xml")).string();
};

TEST_F(XMLSave, FilesAndRoundTrip) {
  THtXMLNode root(u"<r a=\"\u00e9\"><b>\u00e9</b></r>");
  const String file = Utf8ToString(path);
  root.SaveToFileUTF8(file);
  EXPECT_EQ(LoadFileToRawString(file),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<r a=\"\xC3\xA9\"><b>\xC3\xA9</b></r>");
  EXPECT_EQ(THtXMLNode::CreateFromFile(file, heDefault)->UTF8Code(false), root.UTF8Code(false));

  root.SaveToFileUTF8Format(file);
  EXPECT_EQ(LoadFileToRawString(file).substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(u8(THtXMLNode::CreateFromFile(file, heDefault)->GetNode(0)->Content()), "\u00e9");

  THtXMLNode ascii(u"<r><b>x</b></r>");
  ascii.SaveToFileANSI(file);
  EXPECT_EQ(LoadFileToRawString(file), "<r><b>x</b></r>");
}

}  // namespace
}  // namespace ht
