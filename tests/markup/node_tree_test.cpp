#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "markup/hash_dictionary.h"
#include "markup/node.h"
#include "markup/node_list.h"
#include "markup/string_rec.h"
#include "markup/tag_registry.h"

namespace ht {
namespace {

THtNode* add(THtNode* parent, StringView tag) {
  THtNode* n = parent->AddChild(&THtmlNode::ClassType);
  n->SetTag(tag);
  return n;
}

THtNode* addText(THtNode* parent, StringView text) {
  THtNode* n = parent->AddChild(&THtmlNode::ClassType);
  n->SetContent(text);
  return n;
}

// The children's tags in list order, failing when the sibling links disagree
// with the list.
String childTags(THtNode* parent) {
  String tags;
  THtNode* walk = parent->GetCount() ? parent->GetNode(0) : nullptr;
  for (int i = 0; i < parent->GetCount(); ++i) {
    EXPECT_EQ(walk, parent->GetNode(i)) << "link broken before index " << i;
    if (walk != parent->GetNode(i)) break;
    tags += parent->GetNode(i)->Tag();
    walk = walk->NextSibling();
  }
  EXPECT_EQ(walk, nullptr) << "last child links onwards";
  return tags;
}

// A node whose attribute names are case-sensitive, as XML nodes are.
class TCaseSensitiveNode : public THtNode {
 public:
  void CreateAttributes() override { FAttributes = std::make_unique<THtAttributes>(true); }
};

TEST(NodeTree, FreshNodeHasNoChildrenListOrAttributes) {
  THtmlNode n;
  EXPECT_EQ(n.GetCount(), 0);
  EXPECT_EQ(n.GetNode(0), nullptr);
  EXPECT_EQ(n.LastChild(), nullptr);
  EXPECT_EQ(n.Last(), &n);
  EXPECT_EQ(n.ChildNodeList(), nullptr);
  EXPECT_NE(n.Nodes(), nullptr);
  EXPECT_EQ(n.ChildNodeList(), n.Nodes());
  EXPECT_EQ(n.Attributes(), nullptr);
  EXPECT_EQ(THtmlNode(u"div").TagType, htIdent);
  EXPECT_EQ(THtmlNode(u"").TagType, htUnknown);
}

TEST(NodeTree, TagKeepsCaseAndHashesLowerCase) {
  THtmlNode n(u"DiV");
  EXPECT_EQ(n.Tag(), u"DiV");
  EXPECT_EQ(n.TagHash(), HtTagHash(u"div", 3));
  n.SetTag(u"");
  EXPECT_EQ(n.TagHash(), 0);
  THtStringRec rec(u"Span");
  EXPECT_EQ(rec.Hash, HtTagHash(u"Span", 4));
}

TEST(NodeTree, AttributeNamesFollowTheSetsCaseRule) {
  THtmlNode html;
  html.SetAttr(u"CLASS", u"a");
  EXPECT_EQ(html.Attributes()->GetName(0), u"class");
  EXPECT_EQ(html.GetAttribute(u"Class"), u"a");
  html.SetAttr(u"class", u"b");
  EXPECT_EQ(html.Attributes()->Count, 1);
  EXPECT_EQ(html.GetAttribute(u"CLASS"), u"b");

  TCaseSensitiveNode xml;
  xml.SetAttr(u"CLASS", u"a");
  xml.SetAttr(u"class", u"b");
  EXPECT_EQ(xml.Attributes()->Count, 2);
  EXPECT_EQ(xml.GetAttribute(u"CLASS"), u"a");
  EXPECT_EQ(xml.GetAttribute(u"class"), u"b");
  EXPECT_EQ(xml.GetAttribute(u"Class"), u"");
}

TEST(NodeTree, EmptyValueCreatesNoAttributeSetButIsStoredInOne) {
  THtmlNode n;
  n.SetAttr(u"title", u"");
  EXPECT_EQ(n.Attributes(), nullptr);
  EXPECT_FALSE(n.SetAttribute(u"title", u""));
  n.SetAttr(u"id", u"x");
  n.SetAttr(u"title", u"");
  EXPECT_TRUE(n.HasAttribute(u"title"));
  EXPECT_TRUE(n.HasAttributeValue(u"title", u""));
  EXPECT_TRUE(n.HasAttributeValue(u"absent", u""));
  EXPECT_FALSE(n.HasAttributeValue(u"absent", u"x"));
  EXPECT_FALSE(n.SetAttribute(u"id", u"x"));
  EXPECT_TRUE(n.SetAttribute(u"id", u"y"));
  EXPECT_TRUE(n.SetAttribute(u"lang", u"en"));
}

TEST(NodeTree, AttributeSetStaysSortedAndBisects) {
  THtAttributes set;
  for (StringView name : {u"zeta", u"Alpha", u"mid", u"beta", u"_x", u"Mida"}) set.SetAttribute(name, u"v");
  std::vector<String> names;
  for (int i = 0; i < set.Count; ++i) names.push_back(set.GetName(i));
  EXPECT_EQ(names, (std::vector<String>{u"_x", u"alpha", u"beta", u"mid", u"mida", u"zeta"}));
  int index = -1;
  EXPECT_FALSE(set.Find(u"gamma", index));
  EXPECT_EQ(index, 3);
  EXPECT_TRUE(set.Find(u"MID", index));
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(set.Find(u"", index));
  EXPECT_EQ(index, 0);

  set.Add(u"beta", u"dup");  // no check for an equal name: goes first
  EXPECT_EQ(set.Count, 7);
  EXPECT_EQ(set.GetValue(2), u"dup");
  set.ClearAttr(u"alpha");
  set.ClearAttr(u"nothing");
  EXPECT_EQ(set.Indexof(u"alpha"), -1);
  EXPECT_EQ(set.Count, 6);
  set.Clear();
  EXPECT_EQ(set.Count, 0);
  EXPECT_FALSE(set.Find(u"beta", index));
}

TEST(NodeTree, ParsedAttributesAreSortedOnceAndFirstValueWins) {
  THtmlNode n(u"div");
  n.ParseAttributes(u"zeta=1 Beta=2 alpha beta=3 ALPHA=4 gamma=5 alpha");
  const THtAttributes* a = n.Attributes();
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Count, 4);
  EXPECT_EQ(a->GetName(0), u"alpha");
  EXPECT_EQ(a->GetName(3), u"zeta");
  EXPECT_EQ(n.GetAttribute(u"beta"), u"2");   // the first valued one
  EXPECT_EQ(n.GetAttribute(u"alpha"), u"alpha");  // a bare name is its own value, the last one kept
  // Reading the set afterwards finds by bisection again.
  n.SetAttr(u"delta", u"d");
  EXPECT_EQ(n.Attributes()->GetName(2), u"delta");
  EXPECT_EQ(n.GetAttribute(u"gamma"), u"5");
}

TEST(NodeTree, ParseAttributesReplacesTheSet) {
  THtmlNode n(u"div");
  n.SetAttr(u"old", u"1");
  n.ParseAttributes(u"ID=a class=\"b c\" hidden");
  EXPECT_FALSE(n.HasAttribute(u"old"));
  EXPECT_EQ(n.GetAttribute(u"id"), u"a");
  EXPECT_EQ(n.GetAttribute(u"class"), u"b c");
  EXPECT_TRUE(n.HasAttribute(u"hidden"));
  n.ParseAttributes(u"");  // no attributes written: the set is kept
  EXPECT_EQ(n.GetAttribute(u"id"), u"a");
}

TEST(NodeTree, CopyAttributesFromAndTextContent) {
  THtmlNode a, b;
  a.SetAttr(u"x", u"1");
  a.SetAttr(u"y", u"2");
  b.SetAttr(u"x", u"0");
  b.CopyAttributesFrom(&a);
  EXPECT_EQ(b.GetAttribute(u"x"), u"1");
  EXPECT_EQ(b.GetAttribute(u"y"), u"2");

  THtmlNode p(u"p");
  addText(&p, u"one ");
  THtNode* b1 = add(&p, u"b");
  addText(b1, u"two");
  addText(&p, u" three");
  EXPECT_EQ(p.TextContent(), u"one two three");
}

// A node class with its own text: an ancestor's walk takes its answer for the
// whole subtree instead of descending into it.
class TMaskedText : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  String TextContent() override { return u"[" + FContent + u"]"; }

 protected:
  bool HasOwnTextContent() const override { return true; }
};
const THtNodeClass TMaskedText::ClassType{"TMaskedText", &THtmlNode::ClassType,
                                          CreateInstance<TMaskedText, THtNode>};

TEST(NodeTree, TextContentOrderAndOverrides) {
  // root "r" < a "A" < (text "1", b "B" < text "2"), mask "M" < text "x" >, text "3"
  THtmlNode root(u"r");
  root.SetContent(u"r");
  THtNode* a = add(&root, u"a");
  a->SetContent(u"A");
  addText(a, u"1");
  THtNode* b = add(a, u"b");
  b->SetContent(u"B");
  addText(b, u"2");
  THtNode* mask = root.AddChild(&TMaskedText::ClassType);
  mask->SetTag(u"m");
  mask->SetContent(u"M");
  addText(mask, u"x");
  THtNode* untagged = addText(&root, u"3");
  addText(untagged, u"hidden");  // an untagged node gives its content only
  EXPECT_EQ(root.TextContent(), u"rA1B2[M]3");
  EXPECT_EQ(a->TextContent(), u"A1B2");
  EXPECT_EQ(mask->TextContent(), u"[M]");
}

// Each operation on the children a b c d e (as built) and the order after it.
TEST(NodeTree, SiblingLinksFollowEveryChange) {
  struct Case {
    const char* name;
    std::function<void(THtmlNode&)> op;
    String expected;
  };
  auto child = [](THtmlNode& p, StringView tag) { return p.NodebyName(tag); };
  const std::vector<Case> cases = {
      {"Exchange first and last", [&](THtmlNode& p) { p.Exchange(child(p, u"a"), child(p, u"e")); }, u"ebcda"},
      {"Exchange neighbours", [&](THtmlNode& p) { p.Exchange(child(p, u"b"), child(p, u"c")); }, u"acbde"},
      {"MoveNode forward", [&](THtmlNode& p) { p.MoveNode(child(p, u"a"), child(p, u"d")); }, u"bcdae"},
      {"MoveNode backward", [&](THtmlNode& p) { p.MoveNode(child(p, u"e"), child(p, u"b")); }, u"aebcd"},
      {"DeleteChild middle", [&](THtmlNode& p) { p.DeleteChild(child(p, u"c")); }, u"abde"},
      {"DeleteChild last", [&](THtmlNode& p) { p.DeleteChild(child(p, u"e")); }, u"abcd"},
      {"AddNode", [&](THtmlNode& p) { p.AddNode(std::make_unique<THtmlNode>(u"f")); }, u"abcdef"},
      {"MoveChildrento end", [&](THtmlNode& p) { p.MoveChildrento(child(p, u"c"), -1); }, u"c"},
      {"Insert at 0", [&](THtmlNode& p) { p.Nodes()->Insert(0, new THtmlNode(u"f")); }, u"fabcde"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    THtmlNode p;
    for (StringView tag : {u"a", u"b", u"c", u"d", u"e"}) add(&p, tag);
    c.op(p);
    EXPECT_EQ(childTags(&p), c.expected);
  }
}

TEST(NodeTree, MoveChildrentoInsertsInOrderAndRejectsDeeperNodes) {
  THtmlNode p;
  for (StringView tag : {u"a", u"b", u"c"}) add(&p, tag);
  THtNode* b = p.NodebyName(u"b");
  THtNode* x = add(b, u"x");
  add(b, u"y");
  p.MoveChildrento(b, 1);
  EXPECT_EQ(childTags(&p), u"b");
  EXPECT_EQ(childTags(b), u"xacy");
  EXPECT_EQ(b->GetNode(1)->Parent(), b);

  // x lies below p's child b: moving p's children into x would put b (x's
  // own ancestor) inside x.
  try {
    p.MoveChildrento(x, -1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Child node not found");
  }
  EXPECT_EQ(childTags(&p), u"b");
  EXPECT_EQ(childTags(b), u"xacy");
  EXPECT_THROW(p.MoveChildrento(b, 9), EListError);
  EXPECT_EQ(childTags(b), u"xacy");
}

TEST(NodeTree, MoveChildrentoParentPlacesChildrenBesideSelf) {
  for (bool before : {true, false}) {
    THtmlNode p;
    THtmlNode* c = static_cast<THtmlNode*>(add(&p, u"c"));
    add(c, u"a");
    add(c, u"b");
    c->MoveChildrentoParent(before);
    EXPECT_EQ(childTags(&p), before ? u"abc" : u"cab");
    EXPECT_EQ(c->GetCount(), 0);
    EXPECT_EQ(p.GetNode(0)->Parent(), &p);
  }
}

TEST(NodeTree, DeleteChildOfAStrangerRaisesAndChangesNothing) {
  THtmlNode p, other;
  add(&p, u"a");
  THtNode* stranger = add(&other, u"s");
  try {
    p.DeleteChild(stranger);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Child node not found");
  }
  THtmlNode empty;
  EXPECT_THROW(empty.DeleteChild(stranger), Exception);
  EXPECT_THROW(p.MoveNode(stranger, p.GetNode(0)), EListError);
  EXPECT_THROW(p.Exchange(p.GetNode(0), stranger), EListError);
  EXPECT_EQ(childTags(&p), u"a");
  EXPECT_EQ(other.GetNode(0), stranger);
}

// root( html( head, !comment, body( "text", div#1( span ), div#2 ) ) )
struct SampleTree {
  THtmlNode root;
  THtNode *html, *head, *comment, *body, *text, *div1, *span, *div2;
  SampleTree() {
    html = add(&root, u"html");
    head = add(html, u"head");
    comment = add(html, u"!");
    comment->TagType = htComment;
    body = add(html, u"body");
    text = addText(body, u"hi");
    div1 = add(body, u"div");
    span = add(div1, u"span");
    div2 = add(body, u"div");
  }
};

TEST(NodeTree, NavigationFollowsDocumentOrder) {
  SampleTree t;
  const std::vector<THtNode*> order = {&t.root, t.html, t.head, t.comment, t.body,
                                       t.text,  t.div1, t.span, t.div2};
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    EXPECT_EQ(order[i]->NextNode(), order[i + 1]) << i;
    EXPECT_EQ(order[i + 1]->PreviousNode(), order[i]) << i;
  }
  EXPECT_EQ(t.div2->NextNode(), nullptr);
  EXPECT_EQ(t.root.Last(), t.div2);
  EXPECT_EQ(t.span->Root(), &t.root);
  EXPECT_EQ(t.div2->PreviousSibling(), t.div1);
  EXPECT_EQ(t.text->PreviousSibling(), nullptr);

  EXPECT_EQ(t.div2->ChildIndex(), 1);  // the text node is not counted
  EXPECT_EQ(t.div2->NodeIndex(), 2);
  EXPECT_EQ(t.div2->TagIndex(), 1);
  EXPECT_EQ(t.root.NodeIndex(), -1);
  EXPECT_EQ(t.body->Countof(u"div"), 2);
  EXPECT_EQ(t.body->FirstChildTag(), t.div1);
  EXPECT_EQ(t.html->LastChildTag(), t.body);
  EXPECT_TRUE(t.span->HasAsParent(t.html));
  EXPECT_FALSE(t.span->HasAsParent(t.span));
  EXPECT_TRUE(t.span->HasParentTag(u"body"));
  EXPECT_EQ(t.span->UpTo(u"html"), t.html);
  EXPECT_EQ(t.span->UpTo({u"table", u"body"}), t.body);
  EXPECT_EQ(t.span->UpTo(u"span"), nullptr);

  EXPECT_EQ(t.root.AbsoluteTagIndex(), 0);
  EXPECT_EQ(static_cast<THtmlNode*>(t.html)->AbsoluteTagIndex(), 1);
  EXPECT_EQ(static_cast<THtmlNode*>(t.div1)->AbsoluteTagIndex(), 5);  // text skipped
  EXPECT_EQ(t.span->Path(), u"/html/body/div/span");
}

TEST(NodeTree, EnumerateElementsNumbersTaggedNonCommentNodes) {
  THtmlNode root;
  THtNode* a = add(&root, u"a");
  THtNode* comment = add(&root, u"!");
  comment->TagType = htComment;
  THtNode* packet = add(&root, u"DataPacket");
  THtNode* packet2 = add(&root, u"datapacket");
  packet2->SetAttr(u"id", u"keep");
  static_cast<THtmlNode*>(a)->EnumerateElements();
  EXPECT_EQ(a->GetAttribute(u"_id"), u"0");
  EXPECT_FALSE(comment->HasAttribute(u"_id"));
  EXPECT_EQ(packet->GetAttribute(u"_id"), u"1");
  EXPECT_EQ(packet->GetAttribute(u"id"), u"1");
  EXPECT_EQ(packet2->GetAttribute(u"id"), u"keep");
  EXPECT_FALSE(root.HasAttribute(u"_id"));  // the walk starts at a
}

TEST(NodeTree, SetInnerTextKeepsOneTextChild) {
  THtmlNode p(u"p");
  THtNode* first = addText(&p, u"old");
  add(&p, u"b");
  add(&p, u"i");
  p.SetInnerText(u"new");
  ASSERT_EQ(p.GetCount(), 1);
  EXPECT_EQ(p.GetNode(0), first);
  EXPECT_EQ(first->Content(), u"new");

  THtmlNode q(u"q");
  add(&q, u"b");
  q.SetInnerText(u"t");
  ASSERT_EQ(q.GetCount(), 1);
  EXPECT_EQ(q.GetNode(0)->Tag(), u"");
  EXPECT_EQ(q.GetNode(0)->ClassRefOf(), &THtmlNode::ClassType);
  EXPECT_EQ(q.GetNode(0)->Content(), u"t");
}

TEST(NodeTree, StyleClassAccessors) {
  THtmlNode n;
  n.SetStyleClass(u"");  // nothing to remove, no set made
  EXPECT_EQ(n.Attributes(), nullptr);
  n.SetStyleClass(u"a b");
  n.SetSelfStyle(u"color: red");
  n.SetId(u"x");
  EXPECT_EQ(n.GetStyleClass(), u"a b");
  EXPECT_EQ(n.GetSelfStyle(), u"color: red");
  EXPECT_EQ(n.GetId(), u"x");
  n.SetStyleClass(u"");
  EXPECT_FALSE(n.HasAttribute(u"class"));
  EXPECT_FALSE(n.HasClass(u"a"));
  EXPECT_TRUE(n.IsQuirksMode());
}

// Doubles for the document model's overrides: the root answers element
// classes from a registry, and parent assignments are counted.
class TTestElement : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  static inline TElementClasses* Registry = nullptr;
  static inline int ParentSets = 0;
  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override {
    if (ARoot || Parent()) return THtmlNode::GetElementClass(Tag, ARoot);
    return Registry->GetElementClass(Tag);
  }
  void SetParent(THtNode* Value) override {
    ++ParentSets;
    THtmlNode::SetParent(Value);
  }
};
const THtNodeClass TTestElement::ClassType{"TTestElement", &THtmlNode::ClassType,
                                           CreateInstance<TTestElement, THtNode>};

class TTextDouble : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
};
const THtNodeClass TTextDouble::ClassType{"TTextDouble", &THtmlNode::ClassType,
                                          CreateInstance<TTextDouble, THtNode>};

TEST(NodeTree, ElementClassesComeFromTheRootsOverride) {
  TElementClasses registry;
  registry.RegisterClass(u"", &TTextDouble::ClassType);
  registry.RegisterClass(u"div", &TTestElement::ClassType);
  TTestElement::Registry = &registry;
  TTestElement::ParentSets = 0;

  TTestElement root;
  THtNode* div = root.AddChild(root.GetElementClass(u"DIV", nullptr));
  EXPECT_EQ(div->ClassRefOf(), &TTestElement::ClassType);
  EXPECT_EQ(TTestElement::ParentSets, 1);
  THtNode* inner = div->CreateChild(div->GetElementClass(u"span", nullptr));  // via the root
  EXPECT_EQ(inner->ClassRefOf(), &THtmlNode::ClassType);
  EXPECT_EQ(inner->Parent(), div);
  inner->SetTag(u"span");
  EXPECT_EQ(TTestElement::ParentSets, 1);  // CreateChild bypasses SetParent
  static_cast<THtmlNode*>(div)->SetInnerText(u"t");
  EXPECT_EQ(div->GetNode(0)->ClassRefOf(), &TTextDouble::ClassType);

  THtmlNode plain;
  EXPECT_EQ(plain.GetElementClass(u"div", &root), &TTestElement::ClassType);
  EXPECT_EQ(plain.GetElementClass(u"div", nullptr), &THtmlNode::ClassType);
  EXPECT_THROW(plain.AddChild(nullptr), Exception);
  TTestElement::Registry = nullptr;
}

TEST(NodeTree, ThemeColorProcedureIsProcessWide) {
  EXPECT_FALSE(THtmlNode::ThemeColorPrc());
  THtmlNode::SetThemeColorPrc([](int index) { return 0xFF000000u | uint32_t(index); });
  EXPECT_EQ(THtmlNode::ThemeColorPrc()(5), 0xFF000005u);
  THtmlNode::SetThemeColorPrc(nullptr);
}

// Records the order in which node bodies are destroyed, and how many
// children each still had then.
class TDestructionLog : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  static inline std::vector<String>* Log = nullptr;
  ~TDestructionLog() override { Log->push_back(Tag() + AsciiToString(std::to_string(GetCount()))); }
};
const THtNodeClass TDestructionLog::ClassType{"TDestructionLog", &THtmlNode::ClassType,
                                              CreateInstance<TDestructionLog, THtNode>};

TEST(NodeTree, ChildrenAreFreedInOrderAfterTheirParentsBody) {
  std::vector<String> log;
  TDestructionLog::Log = &log;
  {
    THtmlNode root;
    THtNode* a = root.AddChild(&TDestructionLog::ClassType);
    a->SetTag(u"a");
    a->AddChild(&TDestructionLog::ClassType)->SetTag(u"b");
    root.AddChild(&TDestructionLog::ClassType)->SetTag(u"c");
  }
  EXPECT_EQ(log, (std::vector<String>{u"a1", u"b0", u"c0"}));
  TDestructionLog::Log = nullptr;
}

TEST(NodeTree, DeepTreesAreWalkedAndFreedWithoutRecursion) {
  auto root = std::make_unique<THtmlNode>(u"root");
  THtNode* n = root.get();
  for (int i = 0; i < 200000; ++i) {
    n = add(n, u"d");
    n->SetContent(u"x");
  }
  addText(add(n, u"leaf"), u"end");
  EXPECT_NE(root->FindNode(u"leaf"), nullptr);
  EXPECT_EQ(root->TextContent(), String(200000, u'x') + u"end");
  root.reset();
}

TEST(TagRegistry, LookUpRule) {
  TElementClasses r;
  EXPECT_EQ(r.DefaultClass, &THtmlNode::ClassType);
  EXPECT_EQ(r.GetElementClass(u""), nullptr);
  EXPECT_EQ(r.GetElementClass(u"blink"), &THtmlNode::ClassType);

  r.RegisterClass(u"DIV", &TTestElement::ClassType);
  EXPECT_EQ(r.GetElementClass(u"div"), &TTestElement::ClassType);
  EXPECT_EQ(r.GetElementClass(u"DiV"), &TTestElement::ClassType);

  r.DefaultClass = &THtNode::ClassType;
  EXPECT_EQ(r.GetElementClass(u"blink"), &THtNode::ClassType);
  r.RegisterClass(u"*", &TTextDouble::ClassType);
  EXPECT_EQ(r.GetElementClass(u"blink"), &TTextDouble::ClassType);
  EXPECT_EQ(r.GetElementClass(u"*"), &TTextDouble::ClassType);

  r.RegisterClass(u"div", &THtmlNode::ClassType);  // the second registration wins
  EXPECT_EQ(r.GetElementClass(u"DIV"), &THtmlNode::ClassType);
  EXPECT_EQ(r.Count(), 2);
  r.RegisterClass(u"", &TTextDouble::ClassType);
  EXPECT_EQ(r.GetElementClass(u""), &TTextDouble::ClassType);
}

}  // namespace
}  // namespace ht
