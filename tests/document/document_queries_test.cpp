// The document's queries over parsed trees.
#include "document_fixture.h"
#include "markup/node_list.h"

namespace ht::testing {

class DocumentQueriesTest : public DocumentTest {};

TEST_F(DocumentQueriesTest, ElementsByIdAndAttribute) {
  auto doc = NewDocument();
  doc->Parse(u"<div id=\"a\"><span id=\"b\" lang=\"en\">x</span></div><p id=\"b\" lang=\"EN\"></p><i lang=\"en\"></i>");
  TElement* first = doc->GetElementbyId(u"b");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Tag(), u"span");
  THtNodeList both(false);
  doc->GetElementsbyID(u"b", both);
  ASSERT_EQ(both.Count(), 2);
  EXPECT_EQ(both.Get(0), first);
  EXPECT_EQ(both.Get(1)->Tag(), u"p");
  EXPECT_EQ(doc->GetElementbyId(u"B"), nullptr);  // ids match case-sensitively
  EXPECT_EQ(doc->GetElementbyId(u"missing"), nullptr);
  // The empty id answers the first element without one.
  TElement* unnamed = doc->GetElementbyId(u"");
  ASSERT_TRUE(unnamed);
  EXPECT_TRUE(unnamed->GetAttribute(u"id").empty());
  EXPECT_NE(unnamed, doc.get());

  THtNodeList en(false);
  doc->GetElementsbyAttr(u"lang", u"en", en);
  ASSERT_EQ(en.Count(), 2);
  EXPECT_EQ(en.Get(0)->Tag(), u"span");
  EXPECT_EQ(en.Get(1)->Tag(), u"i");
  THtNodeList none(false);
  doc->GetElementsbyAttr(u"title", u"nothing", none);
  EXPECT_EQ(none.Count(), 0);
}

TEST_F(DocumentQueriesTest, HeadIsFoundOrMadeOnce) {
  auto parsed = NewDocument();
  parsed->Parse(u"<html><head><title>t</title></head><body>x</body></html>");
  TElement* head = parsed->Head();
  ASSERT_TRUE(head);
  EXPECT_EQ(head->Tag(), u"head");
  EXPECT_EQ(parsed->Head(), head);

  auto bare = NewDocument();
  auto* body = new TElement();
  body->SetTag(u"body");
  bare->Add(body);
  TElement* made = bare->Head();
  ASSERT_TRUE(made);
  EXPECT_EQ(made->Tag(), u"head");
  EXPECT_EQ(bare->Head(), made);
  EXPECT_EQ(bare->GetChild(0), made);  // the first child
  int heads = 0;
  for (THtNode* n = bare.get(); n; n = n->NextNode()) heads += n->Tag() == u"head";
  EXPECT_EQ(heads, 1);
}

TEST_F(DocumentQueriesTest, StyleSheetsListsEveryStyleElement) {
  auto doc = NewDocument();
  doc->Parse(u"<html><head><style>p{}</style></head><body><style>b{}</style><p>x</p></body></html>");
  IHtNodeList sheets = doc->StyleSheets();
  ASSERT_TRUE(sheets);
  EXPECT_EQ(sheets->Count(), 2);
}

}  // namespace ht::testing
