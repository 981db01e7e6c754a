#include "markup/node.h"
#include "markup/node_list.h"

namespace ht {

namespace {

// The node after n in document order within Root's subtree (Root excluded),
// null after the last one. Iterative, so deep trees are walked safely.
const THtNode* nextInSubtree(const THtNode* n, const THtNode* Root) {
  if (n->GetCount() > 0) return n->GetNode(0);
  for (; n && n != Root; n = n->Parent())
    if (n->NextSibling()) return n->NextSibling();
  return nullptr;
}

template <class Match>
THtNode* findDescendant(const THtNode* Root, const Match& match) {
  if (Root->GetCount() == 0) return nullptr;
  for (const THtNode* n = Root->GetNode(0); n; n = nextInSubtree(n, Root))
    if (match(n)) return const_cast<THtNode*>(n);
  return nullptr;
}

template <class Match>
THtNode* findChild(const THtNode* Parent, const Match& match) {
  for (int i = 0, n = Parent->GetCount(); i < n; ++i) {
    THtNode* child = Parent->GetNode(i);
    if (match(child)) return child;
  }
  return nullptr;
}

bool hasAttrValue(const THtNode* n, StringView AttrName, StringView AttrValue) {
  const THtAttributes* attrs = n->Attributes();
  int i;
  return attrs && attrs->Find(AttrName, i) && attrs->GetValue(i) == AttrValue;
}

}  // namespace

THtNode* THtNode::FindNode(StringView NodeName) const {
  return findDescendant(this, [&](const THtNode* n) { return n->Tag() == NodeName; });
}

THtNode* THtNode::FindNodebyAttr(StringView NodeName, StringView AttrName,
                                 StringView AttrValue) const {
  return findDescendant(this, [&](const THtNode* n) {
    return (NodeName.empty() || n->Tag() == NodeName) && n->GetAttribute(AttrName) == AttrValue;
  });
}

THtNode* THtNode::NodebyAttr(StringView AttrName, StringView AttrValue) const {
  return findChild(this, [&](const THtNode* n) { return hasAttrValue(n, AttrName, AttrValue); });
}

THtNode* THtNode::NodebyNameAttr(StringView NodeName, StringView AttrName,
                                 StringView AttrValue) const {
  return findChild(this, [&](const THtNode* n) {
    return n->Tag() == NodeName && hasAttrValue(n, AttrName, AttrValue);
  });
}

THtNode* THtNode::NodebyName(StringView NodeName) const {
  const THtNode* n = this;
  for (;;) {
    const size_t slash = NodeName.find(u'/');
    const StringView first = NodeName.substr(0, slash);
    THtNode* child = findChild(n, [&](const THtNode* c) { return c->Tag() == first; });
    if (!child || slash == StringView::npos) return child;
    n = child;
    NodeName.remove_prefix(slash + 1);
  }
}

THtNode* THtNode::NodebyNameIndex(StringView AName, int Index) const {
  int seen = 0;
  return findChild(this, [&](const THtNode* n) { return n->Tag() == AName && seen++ == Index; });
}

}  // namespace ht
