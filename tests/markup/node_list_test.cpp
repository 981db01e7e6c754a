#include <gtest/gtest.h>

#include <vector>

#include "markup/node.h"
#include "markup/node_list.h"

namespace ht {
namespace {

// A styled-node double: records class and style calls, answers the HTML and
// text operations from its tag and content, and compares by a "rank"
// attribute when the script function asks for it.
class TRecordingNode : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  std::vector<String> Calls;
  void CSS(StringView v) override { Calls.push_back(u"css " + String(v)); }
  void AddClass(StringView c) override { Calls.push_back(u"add " + String(c)); }
  void RemoveClass(StringView c) override { Calls.push_back(u"remove " + String(c)); }
  bool HasClass(StringView c) override { return GetAttribute(u"class") == c; }
  String GetInnerHTML() override { return u"<" + Tag() + u">"; }
  void SetInnerHTML(StringView v) override { SetContent(v); }
  String GetInnerText() override { return Content(); }
  void CallScriptFunction(THtScriptFunction*) override { Calls.push_back(u"each"); }
  int CallScriptCompare(THtScriptFunction*, THtNode* Other) override {
    return GetAttrI(u"rank") - Other->GetAttrI(u"rank");
  }
};
const THtNodeClass TRecordingNode::ClassType{"TRecordingNode", &THtmlNode::ClassType,
                                             CreateInstance<TRecordingNode, THtNode>};

TRecordingNode* add(THtNode* parent, StringView tag) {
  THtNode* n = parent->AddChild(&TRecordingNode::ClassType);
  n->SetTag(tag);
  return static_cast<TRecordingNode*>(n);
}

String tags(const THtNodeList& list) {
  String s;
  for (THtNode* n : list) s += n->Tag().empty() ? u"#" : n->Tag();
  return s;
}

// A query result over every child of parent.
std::unique_ptr<THtNodeList> select(THtNode* parent) {
  auto list = std::make_unique<THtNodeList>(false);
  for (int i = 0; i < parent->GetCount(); ++i) list->Add(parent->GetNode(i));
  return list;
}

TEST(NodeList, OwningListLinksSiblings) {
  THtNodeList list(true);
  auto* n1 = new THtmlNode(u"1");
  auto* n2 = new THtmlNode(u"2");
  auto* n3 = new THtmlNode(u"3");
  list.Add(n1);
  list.Add(n2);
  list.Add(n3);
  EXPECT_EQ(n1->NextSibling(), n2);
  EXPECT_EQ(n2->NextSibling(), n3);
  EXPECT_EQ(n3->NextSibling(), nullptr);
  list.Delete(1);
  EXPECT_EQ(n1->NextSibling(), n3);
  auto* n0 = new THtmlNode(u"0");
  list.Insert(0, n0);
  EXPECT_EQ(n0->NextSibling(), n1);
  list.Extract(n3);
  EXPECT_EQ(n1->NextSibling(), nullptr);
  EXPECT_EQ(n3->NextSibling(), nullptr);
  delete n3;
  EXPECT_THROW(list.GetNode(5), EListError);
}

TEST(NodeList, QueryResultNeverTouchesSiblingLinks) {
  THtmlNode p;
  TRecordingNode* a = add(&p, u"a");
  TRecordingNode* b = add(&p, u"b");
  TRecordingNode* c = add(&p, u"c");
  auto q = select(&p);
  q->Exchange(0, 2);
  q->Delete(1);
  q->Insert(0, b);
  q->SortbyAttr(u"x", scCaseSensitive, true);
  EXPECT_EQ(a->NextSibling(), b);
  EXPECT_EQ(b->NextSibling(), c);
  EXPECT_EQ(c->NextSibling(), nullptr);
  EXPECT_EQ(p.GetCount(), 3);  // deleting from a query result frees nothing
}

TEST(NodeList, GetAttrJoinsFromTheFirstNonEmptyValue) {
  struct Case {
    std::vector<String> values;
    String expected;
  };
  for (const Case& c : std::vector<Case>{{{u"", u"a", u""}, u"a,"},
                                         {{u"x", u"", u"y"}, u"x,,y"},
                                         {{u"", u""}, u""},
                                         {{}, u""}}) {
    THtmlNode p;
    for (const String& v : c.values) add(&p, u"n")->SetAttr(u"v", v);
    EXPECT_EQ(select(&p)->GetAttr(u"v"), c.expected);
  }
}

TEST(NodeList, FirstAndLastShortenTheSet) {
  THtmlNode p;
  for (StringView t : {u"a", u"b", u"c"}) add(&p, t);
  EXPECT_EQ(tags(select(&p)->First()), u"a");
  EXPECT_EQ(tags(select(&p)->Last()), u"c");
  THtNodeList empty(false);
  EXPECT_EQ(empty.First().Last().Count(), 0);
  THtmlNode one;
  add(&one, u"x");
  EXPECT_EQ(tags(select(&one)->First()), u"x");
  EXPECT_EQ(tags(select(&one)->Last()), u"x");
  EXPECT_EQ(p.GetCount(), 3);
}

TEST(NodeList, ParentAndChildrenReplaceTheSet) {
  THtmlNode root;
  TRecordingNode* p = add(&root, u"p");
  TRecordingNode* a = add(p, u"a");
  TRecordingNode* b = add(p, u"b");
  add(a, u"x");
  add(b, u"y");
  add(b, u"z");

  THtNodeList q(false);
  q.Add(a);
  q.Add(b);
  q.Add(&root);    // no parent: dropped
  q.Add(nullptr);  // nil entries too
  q.Parent();
  ASSERT_EQ(q.Count(), 2);
  EXPECT_EQ(q.GetNode(0), p);
  EXPECT_EQ(q.GetNode(1), p);

  THtNodeList r(false);
  r.Add(b);
  r.Add(a);
  EXPECT_EQ(tags(r.Children()), u"yzx");

  EXPECT_THROW(p->Nodes()->Parent(), EListError);
  EXPECT_THROW(p->Nodes()->Children(), EListError);
  EXPECT_THROW(p->Nodes()->Remove(), EListError);
  EXPECT_EQ(p->GetCount(), 2);
}

TEST(NodeList, RemoveDeletesEachNodeOnce) {
  THtmlNode root;
  TRecordingNode* p = add(&root, u"p");
  TRecordingNode* a = add(p, u"a");
  TRecordingNode* b = add(p, u"b");
  TRecordingNode* x = add(a, u"x");
  TRecordingNode* q = add(&root, u"q");
  THtmlNode loose(u"loose");

  // p twice (as Parent gives it), a descendant listed before its ancestor,
  // and a node without parent.
  THtNodeList set(false);
  for (THtNode* n : std::vector<THtNode*>{x, a, b, &loose, q}) set.Add(n);
  set.Parent();  // a, a, p, p, root, root
  EXPECT_EQ(tags(set), u"app#");
  THtNodeList mixed(false);
  for (THtNode* n : std::vector<THtNode*>{x, p, &loose, nullptr, p, b}) mixed.Add(n);
  mixed.Remove();
  EXPECT_EQ(mixed.Count(), 0);
  EXPECT_EQ(root.GetCount(), 1);
  EXPECT_EQ(root.GetNode(0), q);
  EXPECT_EQ(loose.Tag(), u"loose");
}

TEST(NodeList, SetTextAndAppendMakeNewChildren) {
  THtmlNode root;
  TRecordingNode* a = add(&root, u"a");
  TRecordingNode* b = add(&root, u"b");
  auto q = select(&root);
  q->Append(u"li");
  EXPECT_EQ(tags(*q), u"lili");
  EXPECT_EQ(q->GetNode(0)->Parent(), a);
  EXPECT_EQ(q->GetNode(1)->Parent(), b);
  q->SetText(u"t");
  EXPECT_EQ(tags(*q), u"##");
  EXPECT_EQ(q->GetNode(1)->Content(), u"t");
  EXPECT_EQ(b->GetNode(0)->GetNode(0), q->GetNode(1));
}

TEST(NodeList, ClassStyleHtmlAndScriptOperationsReachEveryNode) {
  THtmlNode root;
  TRecordingNode* a = add(&root, u"a");
  TRecordingNode* b = add(&root, u"b");
  a->SetAttr(u"class", u"on");
  auto q = select(&root);
  q->Add(nullptr);  // set operations pass nil entries over
  q->AddClass(u"k").ToggleClass(u"on").SetCSS(u"color", u"red").Each(nullptr);
  EXPECT_EQ(a->Calls, (std::vector<String>{u"add k", u"remove on", u"css color: red", u"each"}));
  EXPECT_EQ(b->Calls, (std::vector<String>{u"add k", u"add on", u"css color: red", u"each"}));
  q->on(u"click", u"go()").SetAttr(u"title", u"t");
  EXPECT_EQ(b->GetAttribute(u"onclick"), u"go()");
  EXPECT_EQ(q->GetAttr(u"title"), u"t,t");
  EXPECT_EQ(q->GetCSS(u"color"), u"");

  q->SetHTML(u"x");
  EXPECT_EQ(q->GetHTML(), u"<a>");
  EXPECT_EQ(q->GetText(), u"xx");
  EXPECT_EQ(THtNodeList(false).GetHTML(), u"");
  q->SortbyAttr(u"title", scCaseSensitive, true);  // nil reads as no attributes
  EXPECT_EQ(q->GetNode(0), nullptr);
}

TEST(NodeList, SortbyAttrUsesEveryKeyWithItsDirection) {
  THtmlNode root;
  struct Row {
    const char16_t *tag, *price, *weight;
  };
  for (Row r : {Row{u"a", u"2", u"1"}, Row{u"b", u"10", u"5"}, Row{u"c", u"2", u"3"},
                Row{u"d", u"1,5", u"9"}, Row{u"e", u"2", u"2"}}) {
    THtNode* n = add(&root, r.tag);
    n->SetAttr(u"price", r.price);
    n->SetAttr(u"weight", r.weight);
  }
  auto q = select(&root);
  q->SortbyAttr(u"price,^weight", scFloat, true);
  EXPECT_EQ(tags(*q), u"dceab");
  q->SortbyAttr(u"price,^weight", scFloat, false);
  EXPECT_EQ(tags(*q), u"baecd");
  q->SortbyAttr(u"price", scCaseSensitive, true);  // as text, "1,5" < "10" < "2"
  EXPECT_EQ(tags(*q).substr(0, 2), u"db");

  // Sorting the children list itself reorders the document.
  root.Nodes()->SortbyAttr(u"weight", scCaseSensitive, false);
  String linked;
  for (THtNode* n = root.GetNode(0); n; n = n->NextSibling()) linked += n->Tag();
  EXPECT_EQ(linked, u"dbcea");
}

TEST(NodeList, SortbyAttrReadsDates) {
  THtmlNode root;
  add(&root, u"a")->SetAttr(u"d", u"2021-03-05");
  add(&root, u"b");
  add(&root, u"c")->SetAttr(u"d", u"05.01.2020");
  auto q = select(&root);
  q->SortbyAttr(u"d", scDate, true);
  EXPECT_EQ(tags(*q), u"bca");
  add(&root, u"z")->SetAttr(u"d", u"not a date");
  EXPECT_THROW(select(&root)->SortbyAttr(u"d", scDate, true), EConvertError);
}

TEST(NodeList, SortElementsOrdersByScriptAndMovesSiblings) {
  for (bool asc : {true, false}) {
    THtmlNode root;
    int ranks[] = {3, 1, 4, 0, 2};
    for (int i = 0; i < 5; ++i) add(&root, String(1, char16_t(u'a' + i)))->SetAttrI(u"rank", ranks[i]);
    auto q = select(&root);
    q->SortElements(nullptr, asc);
    EXPECT_EQ(tags(*q), u"dbeac");
    String linked;
    for (THtNode* n = root.GetNode(0); n; n = n->NextSibling()) linked += n->Tag();
    EXPECT_EQ(linked, u"dbeac");
  }
}

TEST(NodeList, ReferenceCounting) {
  auto* counted = new THtNodeList(false, true);
  {
    IHtNodeList ref(counted);
    EXPECT_EQ(counted->RefCount(), 1);
    IHtNodeList copy = ref;
    EXPECT_EQ(counted->RefCount(), 2);
    try {
      counted->Free();
      FAIL() << "freed while referenced";
    } catch (const EInvalidPointer& e) {
      EXPECT_EQ(e.Message(), u"THtNodeList");
    }
  }  // the last reference frees the list (a leak would fail the sanitizer run)

  THtNodeList plain(false, false);
  EXPECT_EQ(plain._AddRef(), 0);
  EXPECT_EQ(plain._Release(), 0);
  {
    IHtNodeList ref(plain);
  }
  EXPECT_EQ(plain.RefCount(), 0);
  plain.Add(nullptr);  // still alive
  EXPECT_EQ(plain.Count(), 1);
}

}  // namespace
}  // namespace ht
