#include "markup/xml_node.h"

#include <utility>

#include "markup/xpath.h"

namespace ht {

const THtNodeClass THtXMLNode::ClassType{"THtXMLNode", &THtNode::ClassType, CreateInstance<THtXMLNode, THtNode>};

THtXMLNode::THtXMLNode() = default;

THtXMLNode::THtXMLNode(const String& XML) { ParseXML(XML); }

THtXMLNode::~THtXMLNode() { ProcessingInstructins.reset(); }

std::unique_ptr<THtXMLNode> THtXMLNode::CreateWithTag(const String& XML, THtObject* ATagObject) {
  auto node = std::make_unique<THtXMLNode>();
  node->TagObject = ATagObject;
  node->ParseXML(XML);
  return node;
}

std::unique_ptr<THtXMLNode> THtXMLNode::CreateFromName(StringView AName, StringView AValue, THtXMLNode* AParent) {
  auto node = std::make_unique<THtXMLNode>();
  node->SetTag(AName);
  node->TagType = htIdent;
  node->SetContent(AValue);
  node->FParent = AParent;
  return node;
}

const THtNodeClass* THtXMLNode::GetElementClass(StringView, THtNode*) { return &ClassType; }

// --- Children ------------------------------------------------------------------

THtXMLNode* THtXMLNode::newChildElement(StringView AName) {
  auto* child = static_cast<THtXMLNode*>(CreateChild(GetElementClass(AName, nullptr)));
  child->SetTag(AName);
  child->TagType = htIdent;
  return child;
}

THtXMLNode* THtXMLNode::Add(StringView AName) {
  THtXMLNode* node = this;
  size_t start = 0;
  for (;;) {
    const size_t slash = AName.find(u'/', start);
    const StringView part = AName.substr(start, slash == StringView::npos ? StringView::npos : slash - start);
    node = node->newChildElement(part);
    if (slash == StringView::npos) return node;
    start = slash + 1;
  }
}

THtXMLNode* THtXMLNode::AddNode(std::unique_ptr<THtXMLNode> Node) {
  return static_cast<THtXMLNode*>(THtNode::AddNode(std::move(Node)));
}

THtXMLNode* THtXMLNode::InsertNode(int Index, std::unique_ptr<THtXMLNode> Node) {
  if (Index < 0 || Index > GetCount()) throw EHtXML(u"Node index %d out of range", Index);
  Node->FParent = this;
  GetNodes()->Insert(Index, Node.get());
  return Node.release();
}

void THtXMLNode::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) throw EHtXML(u"Node index %d out of range", Index);
  FNodes->Delete(Index);
}

std::unique_ptr<THtXMLNode> THtXMLNode::Extract(THtXMLNode* Node) {
  if (!FNodes || !Node || FNodes->IndexOf(Node) < 0) return nullptr;
  FNodes->Extract(Node);
  Node->FParent = nullptr;
  return std::unique_ptr<THtXMLNode>(Node);
}

THtXMLNode* THtXMLNode::GetNode(int Index) const {
  if (!FNodes || Index < 0 || Index >= FNodes->Count()) throw EHtXML(u"Node index %d out of range", Index);
  return static_cast<THtXMLNode*>(FNodes->Get(Index));
}

namespace {

std::unique_ptr<THtXMLNode> newOfClass(const THtXMLNode& model) {
  std::unique_ptr<THtNode> made = model.ClassRefOf()->Create();
  if (auto* xml = dynamic_cast<THtXMLNode*>(made.get())) {
    made.release();
    return std::unique_ptr<THtXMLNode>(xml);
  }
  return std::make_unique<THtXMLNode>();
}

}  // namespace

std::unique_ptr<THtXMLNode> THtXMLNode::Clone() const {
  auto copyOne = [](const THtXMLNode& src, THtXMLNode& dst) {
    dst.SetTag(src.FTag);
    dst.FContent = src.FContent;
    if (src.FAttributes) {
      dst.CreateAttributes();
      for (int i = 0; i < src.FAttributes->Count; ++i)
        dst.FAttributes->SetAttribute(src.FAttributes->GetName(i), src.FAttributes->GetValue(i));
    }
    if (src.FNodes) dst.GetNodes();
  };
  std::unique_ptr<THtXMLNode> root = newOfClass(*this);
  copyOne(*this, *root);
  // An explicit work list: trees built by code may be deeper than the stack.
  std::vector<std::pair<const THtXMLNode*, THtXMLNode*>> work{{this, root.get()}};
  while (!work.empty()) {
    auto [src, dst] = work.back();
    work.pop_back();
    for (int i = 0; i < src->GetCount(); ++i) {
      const auto* child = static_cast<const THtXMLNode*>(src->FNodes->Get(i));
      THtXMLNode* copy = dst->AddNode(newOfClass(*child));
      copyOne(*child, *copy);
      if (child->GetCount() > 0) work.emplace_back(child, copy);
    }
  }
  return root;
}

void THtXMLNode::Assign(const THtXMLNode& Source) {
  if (FNodes) FNodes->Clear();
  FAttributes.reset();
  CopyAttributesFrom(&Source);
  for (int i = 0; i < Source.GetCount(); ++i) {
    const auto* child = static_cast<const THtXMLNode*>(Source.FNodes->Get(i));
    std::unique_ptr<THtXMLNode> copy = newOfClass(*child);
    if (child->FTag.empty()) {
      // Parsing would drop a lone text run; keep it as it is.
      copy->TagType = child->TagType;
      copy->FContent = child->FContent;
    } else {
      copy->ParseXML(child->Code());
    }
    AddNode(std::move(copy));
  }
  SetTag(Source.FTag);
}

void THtXMLNode::SortbyAttr(StringView AttrName, bool Asc) {
  if (FNodes) FNodes->SortbyAttr(AttrName, scCaseSensitive, Asc);
}

// --- Look-ups and values ----------------------------------------------------------

THtXMLNode* THtXMLNode::NodebyName(StringView NodeName) const {
  return static_cast<THtXMLNode*>(THtNode::NodebyName(NodeName));
}

THtXMLNode* THtXMLNode::NodebyAttr(StringView AttrName, StringView AttrValue) const {
  return static_cast<THtXMLNode*>(THtNode::NodebyAttr(AttrName, AttrValue));
}

String THtXMLNode::SafeNodeValue(StringView NodeName) const {
  const THtXMLNode* node = NodebyName(NodeName);
  return node ? node->GetValue() : String();
}

THtXMLNode* THtXMLNode::GetCreateNode(StringView NodeName) {
  THtXMLNode* node = this;
  size_t start = 0;
  for (;;) {
    const size_t slash = NodeName.find(u'/', start);
    const StringView part = NodeName.substr(start, slash == StringView::npos ? StringView::npos : slash - start);
    THtXMLNode* next = nullptr;
    for (int i = 0; i < node->GetCount() && !next; ++i)
      if (node->FNodes->Get(i)->Tag() == part) next = static_cast<THtXMLNode*>(node->FNodes->Get(i));
    node = next ? next : node->newChildElement(part);
    if (slash == StringView::npos) return node;
    start = slash + 1;
  }
}

String THtXMLNode::GetValue() const {
  if (FTag.empty() || !FNodes) return FContent;
  String result = FContent;
  for (int i = 0; i < FNodes->Count(); ++i) {
    const THtNode* child = FNodes->Get(i);
    if (child->Tag().empty()) result += child->Content();
  }
  return result;
}

String THtXMLNode::TextContent() {
  // Each tagged node's content, then its children in order: the contents of
  // untagged children and the text content of tagged ones.
  String result;
  std::vector<const THtNode*> work{this};
  while (!work.empty()) {
    const THtNode* n = work.back();
    work.pop_back();
    result += n->Content();
    if (n != this && n->Tag().empty()) continue;
    for (int i = n->GetCount() - 1; i >= 0; --i) work.push_back(n->ChildNodeList()->Get(i));
  }
  return result;
}

void THtXMLNode::SetValue(StringView Value) {
  if (!FTag.empty() && FContent.empty() && GetCount() > 0) {
    for (int i = 0; i < FNodes->Count(); ++i) {
      THtNode* child = FNodes->Get(i);
      if (child->Tag().empty()) {
        child->SetContent(Value);
        return;
      }
    }
  }
  SetContent(Value);
}

String THtXMLNode::LocalName() const {
  const size_t colon = FTag.find(u':');
  return colon == String::npos ? FTag : FTag.substr(colon + 1);
}

String THtXMLNode::Prefix() const {
  const size_t colon = FTag.find(u':');
  return colon == String::npos ? String() : FTag.substr(0, colon);
}

String THtXMLNode::GetNode1(StringView Name) { return XPathValue(this, Name, nullptr); }

namespace {

struct TXPathSetter {
  TXPathProcessor& xp;
  StringView value;
  int nesting = 0;  // one level per step; absurdly long paths stop setting

  static void setAttr(THtXMLNode* N, StringView name, StringView v) {
    if (!N->Attributes()) N->CreateAttributes();
    N->Attributes()->SetAttribute(name, v);
  }

  void apply(const TXPathNode& PN, THtXMLNode* N) {
    if (nesting >= 1000) return;
    ++nesting;
    applyStep(PN, N);
    --nesting;
  }

  void applyStep(const TXPathNode& PN, THtXMLNode* N) {
    switch (PN.Kind) {
      case xkAttr:
        setAttr(N, PN.Tag, value);
        return;
      case xkParent: {
        THtXMLNode* P = N->XMLParent();
        if (!P) return;
        if (PN.Next)
          apply(*PN.Next, P);
        else
          P->SetValue(value);
        return;
      }
      case xkCurrent:
        return;
      case xkTag:
      case xkAsterisk:
        break;
    }
    // With "//" each child's subtree is handled before the child itself;
    // the descent is iterative, so deep trees built by code are safe.
    struct Frame {
      THtXMLNode* node;
      int next;
      THtXMLNode* pending;
      bool matched;
      bool stopped;
    };
    std::vector<Frame> stack{{N, 0, nullptr, false, false}};
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (THtXMLNode* C = f.pending) {
        f.pending = nullptr;
        if ((PN.Kind == xkAsterisk || C->Tag() == PN.Tag) && xp.CheckConditions(PN, C)) {
          f.matched = true;
          if (PN.Next) {
            apply(*PN.Next, C);
          } else {
            C->SetValue(value);
            f.stopped = !PN.All;  // without "//" only the first match is set
          }
        }
        continue;
      }
      if (!f.stopped && f.next < f.node->GetCount()) {
        auto* C = static_cast<THtXMLNode*>(f.node->ChildNodeList()->Get(f.next++));
        f.pending = C;
        if (PN.All) stack.push_back({C, 0, nullptr, false, false});
        continue;
      }
      const Frame done = f;
      stack.pop_back();
      if (done.matched || PN.Kind != xkTag || !PN.Conditions.empty() || PN.Tag.empty()) continue;
      THtXMLNode* C = done.node->Add(PN.Tag);
      if (PN.Next)
        apply(*PN.Next, C);
      else
        C->SetValue(value);
    }
  }
};

}  // namespace

void THtXMLNode::XPathSet(StringView APath, StringView AValue) {
  TXPathProcessor xp(APath);
  xp.Current = nullptr;  // "current" steps do nothing here
  if (PXPathNode first = xp.First()) TXPathSetter{xp, AValue}.apply(*first, this);
}

void THtXMLNode::RemoveNamespaces() {
  std::vector<THtNode*> work;
  auto pushChildren = [&work](const THtNode* n) {
    for (int i = n->GetCount() - 1; i >= 0; --i) work.push_back(n->ChildNodeList()->Get(i));
  };
  pushChildren(this);
  while (!work.empty()) {
    THtNode* n = work.back();
    work.pop_back();
    const size_t colon = n->Tag().find(u':');
    if (colon != String::npos) n->SetTag(String(n->Tag().substr(colon + 1)));
    pushChildren(n);
  }
}

// --- Attributes and processing instructions ----------------------------------------

void THtXMLNode::CreateAttributes() { FAttributes = std::make_unique<THtAttributes>(true); }

void THtXMLNode::LowerAttributes() {
  if (!FAttributes) return;
  // Lower-casing changes the sort order, so the set is rebuilt.
  std::vector<THtAttribute> entries(FAttributes->List.begin(), FAttributes->List.begin() + FAttributes->Count);
  FAttributes->Clear();
  for (const THtAttribute& a : entries) FAttributes->SetAttribute(AsciiLowerCase(a.Name), a.Value);
}

void THtXMLNode::CopyAttributesFrom(const THtXMLNode* XN) {
  if (!XN || !XN->FAttributes || XN->FAttributes->Count == 0) return;
  if (!FAttributes)
    CreateAttributes();
  else
    FAttributes->Clear();
  for (int i = 0; i < XN->FAttributes->Count; ++i)
    FAttributes->SetAttribute(XN->FAttributes->GetName(i), XN->FAttributes->GetValue(i));
}

void THtXMLNode::AddProcessingInstruction(StringView PI) {
  if (!ProcessingInstructins) ProcessingInstructins = std::make_unique<std::vector<String>>();
  ProcessingInstructins->emplace_back(PI);
}

String THtXMLNode::GetPIAttribute(StringView PIName, StringView AttrName) const {
  if (!ProcessingInstructins) return String();
  for (const String& pi : *ProcessingInstructins) {
    if (pi.size() <= PIName.size() || StringView(pi).substr(0, PIName.size()) != PIName || pi[PIName.size()] != u' ')
      continue;
    try {
      THtXMLNode element(u"<" + pi + u"/>");
      return element.GetAttribute(AttrName);
    } catch (const Exception&) {
      return String();
    }
  }
  return String();
}

}  // namespace ht
