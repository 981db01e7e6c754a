#include "markup/node.h"

#include <string>
#include <vector>

#include "markup/hash_dictionary.h"
#include "markup/node_list.h"

namespace ht {

const THtNodeClass THtNode::ClassType{"THtNode", nullptr, CreateInstance<THtNode, THtNode>};
const THtNodeClass THtmlNode::ClassType{"THtmlNode", &THtNode::ClassType,
                                        CreateInstance<THtmlNode, THtNode>};

namespace {
const String kEmpty;
}  // namespace

// --- Construction -----------------------------------------------------------

THtNode::THtNode() = default;

THtNode::~THtNode() {
  if (!FNodes || FNodes->Count() == 0 || !FNodes->OwnsObjects()) return;
  // Ordinary trees free their children recursively, in index order, each
  // child while its own children still exist. Below a fixed depth the
  // subtree is taken apart without recursion instead, so that pathologically
  // deep trees cannot exhaust the stack: every node there loses its
  // children (which join the work list) before it is deleted.
  static thread_local int depth = 0;
  constexpr int kRecursiveDepth = 256;
  if (depth < kRecursiveDepth) {
    ++depth;
    FNodes.reset();
    --depth;
    return;
  }
  std::vector<THtNode*> work;
  auto takeChildren = [&work](THtNodeList& list) {
    for (int32_t i = list.Count() - 1; i >= 0; --i) work.push_back(list.Get(i));
    list.SetOwnsObjects(false);
    list.Clear();
    list.SetOwnsObjects(true);
  };
  takeChildren(*FNodes);
  while (!work.empty()) {
    THtNode* n = work.back();
    work.pop_back();
    if (n->FNodes && n->FNodes->Count() > 0 && n->FNodes->OwnsObjects()) takeChildren(*n->FNodes);
    delete n;
  }
}

// --- Tag, content, links ----------------------------------------------------

void THtNode::SetTag(StringView Value) {
  FTag = String(Value);
  if (Value.empty()) {
    FTagHash = 0;
    return;
  }
  bool lower = true;
  for (char16_t c : Value) lower = lower && !(c >= u'A' && c <= u'Z');
  if (lower) {
    FTagHash = HtTagHash(Value.data(), int32_t(Value.size()));
    return;
  }
  const String folded = AsciiLowerCase(Value);
  FTagHash = HtTagHash(folded.data(), int32_t(folded.size()));
}

void THtNode::SetContent(StringView Value) { FContent = String(Value); }

void THtNode::SetParent(THtNode* Value) { FParent = Value; }

// --- Children ----------------------------------------------------------------

THtNodeList* THtNode::GetNodes() {
  if (!FNodes) FNodes = std::make_unique<THtNodeList>(true, false);
  return FNodes.get();
}

int THtNode::GetCount() const { return FNodes ? FNodes->Count() : 0; }

THtNode* THtNode::GetNode(int Index) const { return FNodes ? FNodes->Get(Index) : nullptr; }

THtNode* THtNode::newChild(const THtNodeClass* NodeClass) {
  if (!NodeClass) throw Exception(u"Node class not assigned");
  std::unique_ptr<THtNode> node = NodeClass->Create();
  if (!node) throw Exception(u"Cannot create a node of the abstract class %s",
                             AsciiToString(NodeClass->ClassName()));
  return node.release();
}

THtNode* THtNode::AddChild(const THtNodeClass* NodeClass) {
  std::unique_ptr<THtNode> node(newChild(NodeClass));
  node->SetParent(this);
  GetNodes()->Add(node.get());
  return node.release();
}

THtNode* THtNode::CreateChild(const THtNodeClass* NodeClass) {
  std::unique_ptr<THtNode> node(newChild(NodeClass));
  node->FParent = this;
  GetNodes()->Add(node.get());
  return node.release();
}

THtNode* THtNode::AddNode(std::unique_ptr<THtNode> Node) {
  Node->FParent = this;
  GetNodes()->Add(Node.get());
  return Node.release();
}

void THtNode::DeleteChild(THtNode* E) {
  const int i = FNodes && E ? FNodes->IndexOf(E) : -1;
  if (i < 0) throw Exception(u"Child node not found");
  FNodes->Delete(i);
}

void THtNode::Exchange(THtNode* Node1, THtNode* Node2) {
  THtNodeList* list = GetNodes();
  list->Exchange(list->IndexOf(Node1), list->IndexOf(Node2));
}

// --- Navigation ---------------------------------------------------------------

THtNode* THtNode::PreviousSibling() const {
  const int i = NodeIndex();
  return i > 0 ? FParent->FNodes->Get(i - 1) : nullptr;
}

THtNode* THtNode::NextNode() const {
  if (GetCount() > 0) return FNodes->Get(0);
  for (const THtNode* n = this; n; n = n->FParent)
    if (n->FNextSibling) return n->FNextSibling;
  return nullptr;
}

THtNode* THtNode::PreviousNode() const {
  THtNode* prev = PreviousSibling();
  return prev ? prev->Last() : FParent;
}

THtNode* THtNode::Last() {
  THtNode* n = this;
  while (n->GetCount() > 0) n = n->FNodes->Get(n->FNodes->Count() - 1);
  return n;
}

THtNode* THtNode::LastChild() const {
  const int n = GetCount();
  return n > 0 ? FNodes->Get(n - 1) : nullptr;
}

THtNode* THtNode::LastChildTag() const {
  for (int i = GetCount() - 1; i >= 0; --i) {
    THtNode* child = FNodes->Get(i);
    if (!child->FTag.empty()) return child;
  }
  return nullptr;
}

THtNode* THtNode::FirstChildTag() const {
  for (int i = 0, n = GetCount(); i < n; ++i) {
    THtNode* child = FNodes->Get(i);
    if (!child->FTag.empty() && child->FTag != u"!") return child;
  }
  return nullptr;
}

THtNode* THtNode::Root() {
  THtNode* n = this;
  while (n->FParent) n = n->FParent;
  return n;
}

int THtNode::ChildIndex() const {
  if (!FParent || !FParent->FNodes) return 0;
  int result = 0;
  for (THtNode* sibling : *FParent->FNodes) {
    if (sibling == this) break;
    if (!sibling->FTag.empty()) ++result;
  }
  return result;
}

int THtNode::NodeIndex() const {
  if (!FParent || !FParent->FNodes) return -1;
  return FParent->FNodes->IndexOf(this);
}

int THtNode::TagIndex() const {
  if (!FParent || !FParent->FNodes) return 0;
  int result = 0;
  for (THtNode* sibling : *FParent->FNodes) {
    if (sibling == this) break;
    if (sibling->FTag == FTag) ++result;
  }
  return result;
}

int THtNode::Countof(StringView ATag) const {
  int result = 0;
  for (int i = 0, n = GetCount(); i < n; ++i)
    if (FNodes->Get(i)->FTag == ATag) ++result;
  return result;
}

bool THtNode::HasAsParent(const THtNode* E) const {
  for (const THtNode* n = FParent; n; n = n->FParent)
    if (n == E) return true;
  return false;
}

bool THtNode::HasParentTag(StringView ATag) const { return UpTo(ATag) != nullptr; }

THtNode* THtNode::UpTo(StringView ATag) const {
  for (THtNode* n = FParent; n; n = n->FParent)
    if (n->FTag == ATag) return n;
  return nullptr;
}

THtNode* THtNode::UpTo(std::initializer_list<StringView> ATags) const {
  for (THtNode* n = FParent; n; n = n->FParent)
    for (StringView tag : ATags)
      if (n->FTag == tag) return n;
  return nullptr;
}

String THtNode::Path() const {
  std::vector<const String*> tags;
  for (const THtNode* n = this; n; n = n->FParent) tags.push_back(&n->FTag);
  String result;
  for (size_t i = tags.size(); i-- > 0;) {
    result += *tags[i];
    if (i > 0) result += u'/';
  }
  return result;
}

// --- Attributes -------------------------------------------------------------------

void THtNode::CreateAttributes() { FAttributes = std::make_unique<THtAttributes>(false); }

void THtNode::SetAttr(StringView Name, StringView Value) { THtNode::SetAttribute(Name, Value); }

bool THtNode::SetAttribute(StringView Name, StringView Value) {
  if (!FAttributes) {
    if (Value.empty()) return false;
    CreateAttributes();
    FAttributes->Add(Name, Value);
    return true;
  }
  return FAttributes->SetAttribute(Name, Value);
}

const String& THtNode::GetAttribute(StringView Name) const {
  return FAttributes ? FAttributes->GetAttribute(Name) : kEmpty;
}

bool THtNode::HasAttribute(StringView Name) const {
  return FAttributes && FAttributes->Indexof(Name) >= 0;
}

bool THtNode::HasAttributeValue(StringView Name, StringView Value) const {
  int i;
  if (FAttributes && FAttributes->Find(Name, i)) return FAttributes->GetValue(i) == Value;
  return Value.empty();
}

void THtNode::CopyAttributesFrom(const THtNode* Source) {
  const THtAttributes* attrs = Source ? Source->FAttributes.get() : nullptr;
  if (!attrs || attrs == FAttributes.get()) return;
  for (int i = 0; i < attrs->Count; ++i) SetAttr(attrs->GetName(i), attrs->GetValue(i));
}

// --- Text -----------------------------------------------------------------------------

String THtNode::TextContent() {
  // Depth-first in document order with an explicit stack: a tagged node adds
  // its content and then its children; an untagged one only its content.
  String result = FContent;
  std::vector<THtNode*> work;
  auto pushChildren = [&work](const THtNode* n) {
    for (int32_t i = n->GetCount() - 1; i >= 0; --i) work.push_back(n->FNodes->Get(i));
  };
  pushChildren(this);
  while (!work.empty()) {
    THtNode* n = work.back();
    work.pop_back();
    if (n->FTag.empty()) {
      result += n->FContent;
    } else if (n->HasOwnTextContent()) {
      result += n->TextContent();
    } else {
      result += n->FContent;
      pushChildren(n);
    }
  }
  return result;
}

// --- Class and script hooks -------------------------------------------------------

const THtNodeClass* THtNode::GetElementClass(StringView Tag, THtNode* ARoot) {
  if (ARoot) return ARoot->GetElementClass(Tag, nullptr);
  if (FParent) return Root()->GetElementClass(Tag, nullptr);
  return ClassRefOf();
}

void THtNode::CallScriptFunction(THtScriptFunction*) {}

int THtNode::CallScriptCompare(THtScriptFunction*, THtNode*) { return 0; }

std::unique_ptr<THtNodeList> THtNode::GetJQueryList(StringView, bool) { return nullptr; }

// --- THtmlNode -------------------------------------------------------------------------

THtmlNode::THtmlNode() = default;

THtmlNode::THtmlNode(StringView ATag) {
  SetTag(ATag);
  if (!ATag.empty()) TagType = htIdent;
}

THtmlNode* THtmlNode::Node(int Index) const { return static_cast<THtmlNode*>(GetNode(Index)); }

THtmlNode* THtmlNode::HtmlParent() const { return static_cast<THtmlNode*>(FParent); }

void THtmlNode::MoveNode(THtNode* OldNode, THtNode* NewNode) {
  THtNodeList* list = GetNodes();
  list->Move(list->IndexOf(OldNode), list->IndexOf(NewNode));
}

void THtmlNode::MoveChildrento(THtNode* E, int Index) {
  // Only a direct child can take its siblings: a deeper node would end up
  // holding one of its own ancestors.
  if (!E || E->Parent() != this || !FNodes || FNodes->IndexOf(E) < 0)
    throw Exception(u"Child node not found");
  THtNodeList* target = E->GetNodes();
  if (Index < 0) Index = target->Count();
  if (Index > target->Count()) throw EListError(u"List index out of bounds (%d)", Index);
  for (int i = 0; i < FNodes->Count();) {
    THtNode* child = FNodes->Get(i);
    if (child == E) {
      ++i;
      continue;
    }
    FNodes->RemoveItem(child);
    child->SetParent(E);
    target->Insert(Index++, child);
  }
}

void THtmlNode::MoveChildrentoParent(bool ABefore) {
  if (!FParent || GetCount() == 0) return;
  THtNodeList* siblings = FParent->GetNodes();
  int at = siblings->IndexOf(this);
  if (at < 0) throw Exception(u"Child node not found");
  if (!ABefore) ++at;
  for (THtNode* child : *FNodes) {
    child->SetParent(FParent);
    siblings->Insert(at++, child);
  }
  FNodes->SetOwnsObjects(false);
  FNodes->Clear();
  FNodes->SetOwnsObjects(true);
}

int THtmlNode::AbsoluteTagIndex() {
  int result = 0;
  THtNode* n = Root();
  while (n && n != this) {
    n = n->NextNode();
    if (n && !n->Tag().empty()) ++result;
  }
  return result;
}

void THtmlNode::EnumerateElements() {
  int number = 0;
  for (THtNode* n = this; n; n = n->NextNode()) {
    if (n->Tag().empty() || n->TagType == htComment || n->TagType == htDirective) continue;
    const String text = AsciiToString(std::to_string(number));
    n->SetAttr(u"_id", text);
    if (SameTextAscii(n->Tag(), u"datapacket") && n->GetAttribute(u"id").empty())
      n->SetAttr(u"id", text);
    ++number;
  }
}

THtmlNode* THtmlNode::FindNode(StringView NodeName) const {
  return static_cast<THtmlNode*>(THtNode::FindNode(NodeName));
}

void THtmlNode::SetStyleClass(StringView Value) {
  if (!Value.empty())
    SetAttribute(u"class", Value);
  else if (FAttributes)
    FAttributes->ClearAttr(u"class");
}

void THtmlNode::SetSelfStyle(StringView Value) { SetAttribute(u"style", Value); }

void THtmlNode::SetInnerText(StringView Value) {
  const int keep = GetCount() > 0 && FNodes->Get(0)->Tag().empty() ? 1 : 0;
  for (int i = GetCount() - 1; i >= keep; --i) FNodes->Delete(i);
  THtNode* text = keep ? FNodes->Get(0) : AddChild(GetElementClass(u"", nullptr));
  text->TagType = htString;  // the kind parsed text nodes have
  text->SetContent(Value);
}

void THtmlNode::CSS(StringView) {}
void THtmlNode::AddClass(StringView) {}
void THtmlNode::RemoveClass(StringView) {}
bool THtmlNode::HasClass(StringView) { return false; }

void THtmlNode::ToggleClass(StringView CSSClass) {
  if (HasClass(CSSClass))
    RemoveClass(CSSClass);
  else
    AddClass(CSSClass);
}

bool THtmlNode::IsQuirksMode() { return true; }

namespace {
TThemeColorProc& themeColorProc() {
  static TThemeColorProc proc;
  return proc;
}
}  // namespace

void THtmlNode::SetThemeColorPrc(TThemeColorProc Proc) { themeColorProc() = std::move(Proc); }

const TThemeColorProc& THtmlNode::ThemeColorPrc() { return themeColorProc(); }

}  // namespace ht
