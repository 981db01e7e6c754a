// Matching compound selectors and selector chains against nodes.
#include "css/css_selector.h"
#include "css/css_text_utils.h"
#include "markup/attributes.h"
#include "markup/hash_dictionary.h"
#include "markup/node_list.h"

namespace ht {

TClassesArray ParseClassList(StringView Text) {
  TClassesArray result;
  size_t i = 0;
  while (i < Text.size()) {
    while (i < Text.size() && Text[i] <= u' ') ++i;
    const size_t b = i;
    while (i < Text.size() && Text[i] > u' ') ++i;
    if (i > b) {
      TCSSClassRec rec;
      rec.s = AsciiLowerCase(Text.substr(b, i - b));
      rec.hash = HtTagHash(rec.s.data(), int32_t(rec.s.size()));
      result.push_back(std::move(rec));
    }
  }
  return result;
}

std::span<const TCSSClassRec> TCSSPlainNodeFacts::NodeClasses(const THtNode& Node) const {
  auto it = FClasses.find(&Node);
  if (it == FClasses.end()) {
    const THtAttributes* a = Node.Attributes();
    it = FClasses.emplace(&Node, a ? ParseClassList(a->GetAttribute(u"class")) : TClassesArray()).first;
  }
  return it->second;
}

TCSSPseudoSet TCSSPlainNodeFacts::NodeState(const THtNode& Node) const {
  const auto it = FStates.find(&Node);
  return it == FStates.end() ? 0 : it->second;
}

void TCSSPlainNodeFacts::Clear() {
  FClasses.clear();
  FStates.clear();
}

// --- The parts of a compound ------------------------------------------------

bool TCSSSelector::classTest(const THtNode& Node, const ICSSNodeFacts& Facts) const {
  const std::span<const TCSSClassRec> own = Facts.NodeClasses(Node);
  if (own.size() < Classes.size()) return false;
  if (own.size() > 1) {
    for (const TCSSClassRec& c : Classes) {
      bool found = false;
      for (const TCSSClassRec& o : own)
        if (o.hash == c.hash && o.s == c.s) {
          found = true;
          break;
        }
      if (!found) return false;
    }
    return true;
  }
  return Classes.empty() || (own[0].hash == Classes[0].hash && own[0].s == Classes[0].s);
}

bool IsSiblingElement(const THtNode& Node) {
  return !Node.Tag().empty() && Node.TagType != htComment && Node.TagType != htDirective;
}

namespace {

// The index of N in its parent's children list, or -1. Only the list's
// pointers are compared: the siblings themselves are not read, which in a
// long list costs a cache miss each.
int32_t indexInParent(const THtNode& N) {
  const THtNode* parent = N.Parent();
  const THtNodeList* list = parent ? parent->ChildNodeList() : nullptr;
  return list ? list->IndexOf(&N) : -1;
}

// The 1-based position of Node among its parent's elements.
int elementPosition(const THtNode& Node) {
  const THtNode* parent = Node.Parent();
  if (!parent) return 1;
  int p = 1;
  for (int i = 0, n = parent->Count(); i < n; ++i) {
    const THtNode* s = parent->GetNode(i);
    if (s == &Node) break;
    if (IsSiblingElement(*s)) ++p;
  }
  return p;
}

}  // namespace

TCSSPseudoSet StructuralPseudoClasses(const THtNode& Node) {
  const THtNode* parent = Node.Parent();
  if (!parent || !IsSiblingElement(Node)) return 0;
  bool first = true, last = true, firstOfType = true, lastOfType = true;
  // Each scan stops as soon as its answers are known, so styling every
  // child of a long list does not cost the square of its length.
  for (int i = 0, n = parent->Count(); i < n; ++i) {
    const THtNode* s = parent->GetNode(i);
    if (s == &Node) break;
    if (!IsSiblingElement(*s)) continue;
    first = false;
    if (s->Tag() == Node.Tag()) {
      firstOfType = false;
      break;
    }
  }
  // The last of its type only counts for "only of type", which needs the
  // first of its type too.
  for (const THtNode* s = Node.NextSibling(); s && (last || (lastOfType && firstOfType)); s = s->NextSibling()) {
    if (!IsSiblingElement(*s)) continue;
    last = false;
    if (s->Tag() == Node.Tag()) lastOfType = false;
  }
  TCSSPseudoSet result = 0;
  if (first) result |= PseudoBit(pcFirstChild);
  if (last) result |= PseudoBit(pcLastChild);
  if (first && last) result |= PseudoBit(pcOnlyChild);
  if (firstOfType) result |= PseudoBit(pcFirstOfType);
  if (firstOfType && lastOfType) result |= PseudoBit(pcOnlyOfType);
  return result;
}

bool TCSSSelector::pseudoTest(const THtNode& Node, TCSSPseudoSet State) const {
  if (PseudoSet & PseudoBit(pcNthChild)) {
    const int p = elementPosition(Node);
    const bool ok = NthValue == -1 ? (p & 1) == 1 : NthValue == -2 ? (p & 1) == 0 : p == NthValue;
    if (!ok) return false;
    const TCSSPseudoSet rest = PseudoSet & ~PseudoBit(pcNthChild);
    return (State & rest) == rest;
  }
  if (PseudoSet & PseudoBit(pcNthOfType)) {
    if (Node.TagIndex() + 1 != NthValue) return false;
    const TCSSPseudoSet rest = PseudoSet & ~PseudoBit(pcNthOfType);
    return (State & rest) == rest;
  }
  return (State & PseudoSet) == PseudoSet;
}

bool TCSSSelector::attrTest(const THtNode& Node) const {
  const THtAttributes* attrs = Node.Attributes();
  for (const TCSSCondition& c : Conditions) {
    int index = 0;
    if (!attrs || !attrs->Find(c.Name, index)) {
      if (c.Op == 6) return true;
      return false;
    }
    const StringView v = attrs->GetValue(index);
    const StringView w = c.Value;
    bool ok = false;
    switch (c.Op) {
      case 0: ok = w.empty() || v == w; break;
      case 1: ok = !w.empty() && v.size() >= w.size() && v.substr(0, w.size()) == w; break;
      case 2: ok = !w.empty() && v.size() >= w.size() && v.substr(v.size() - w.size()) == w; break;
      case 3: ok = !w.empty() && v.find(w) != StringView::npos; break;
      case 4: {
        const String padded = u' ' + String(v) + u' ';
        ok = padded.find(u' ' + String(w) + u' ') != String::npos;
        break;
      }
      case 5: ok = v == w || (v.size() > w.size() && v.substr(0, w.size()) == w && v[w.size()] == u'-'); break;
      case 6: ok = v != w; break;
      default: break;
    }
    if (!ok) return false;
  }
  return true;
}

// --- Match routines -----------------------------------------------------------

bool TCSSSelector::MatchAny(const THtNode&, TCSSPseudoSet, const ICSSNodeFacts&) const { return true; }

bool TCSSSelector::MatchTag(const THtNode& Node, TCSSPseudoSet, const ICSSNodeFacts&) const {
  return Node.Tag() == Tag;
}

bool TCSSSelector::MatchId(const THtNode& Node, TCSSPseudoSet, const ICSSNodeFacts&) const {
  const THtAttributes* a = Node.Attributes();
  return a && a->GetAttribute(u"id") == Id;
}

bool TCSSSelector::MatchClasses(const THtNode& Node, TCSSPseudoSet, const ICSSNodeFacts& Facts) const {
  return classTest(Node, Facts);
}

bool TCSSSelector::MatchTagClasses(const THtNode& Node, TCSSPseudoSet, const ICSSNodeFacts& Facts) const {
  return Node.Tag() == Tag && classTest(Node, Facts);
}

bool TCSSSelector::MatchAttrPseudo(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts&) const {
  return Node.Attributes() && pseudoTest(Node, State) && attrTest(Node);
}

bool TCSSSelector::MatchAttr(const THtNode& Node, TCSSPseudoSet, const ICSSNodeFacts&) const {
  return Node.Attributes() && attrTest(Node);
}

bool TCSSSelector::MatchClassesPseudo(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const {
  return classTest(Node, Facts) && pseudoTest(Node, State);
}

bool TCSSSelector::MatchAll(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const {
  if (!Universal && !Tag.empty() && Node.Tag() != Tag) return false;
  if (!Id.empty()) {
    const THtAttributes* a = Node.Attributes();
    if (!a || a->GetAttribute(u"id") != Id) return false;
  }
  if (!Classes.empty() && !classTest(Node, Facts)) return false;
  if (PseudoSet && !pseudoTest(Node, State)) return false;
  if (!Conditions.empty() && !attrTest(Node)) return false;
  return true;
}

bool TCSSSelector::MatchCompound(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const {
  if (!(this->*Match)(Node, State, Facts)) return false;
  for (const auto& n : NotList)
    if ((n.get()->*(n->Match))(Node, State, Facts)) return false;
  return true;
}

// --- Chains -------------------------------------------------------------------

namespace {

// The nearest earlier sibling element, searched back from the node's own
// place.
const THtNode* previousElement(const THtNode* n) {
  const THtNode* parent = n->Parent();
  if (!parent) return nullptr;
  for (int32_t i = indexInParent(*n); i-- > 0;) {
    const THtNode* s = parent->ChildNodeList()->Get(i);
    if (IsSiblingElement(*s)) return s;
  }
  return nullptr;
}

// How a chain failed, so that a search over ancestors or siblings can stop as
// soon as no further candidate can succeed (without this, chains of
// descendant combinators backtrack exponentially):
//   FailsLocally     - this candidate fails; others may still match.
//   FailsAllSiblings - this candidate and every earlier sibling fail.
//   FailsCompletely  - this candidate and every ancestor fail.
enum class ChainMatch { Matches, FailsLocally, FailsAllSiblings, FailsCompletely };

ChainMatch matchLeft(const TCSSSelector& C, const THtNode& N, TCSSPseudoSet Pseudo, const ICSSNodeFacts& Facts);

// Matches C's left part against candidate m and the rest of the chain.
ChainMatch tryCandidate(const TCSSSelector& L, const THtNode& m, TCSSPseudoSet Pseudo, const ICSSNodeFacts& Facts) {
  if (!L.MatchCompound(m, Facts.NodeState(m) | Pseudo, Facts)) return ChainMatch::FailsLocally;
  return matchLeft(L, m, Pseudo, Facts);
}

// C has matched N; completes the chain to C's left.
ChainMatch matchLeft(const TCSSSelector& C, const THtNode& N, TCSSPseudoSet Pseudo, const ICSSNodeFacts& Facts) {
  const TCSSSelector* L = C.Left.get();
  if (!L) return ChainMatch::Matches;
  switch (C.Combinator) {
    case 1: {
      const THtNode* p = N.Parent();
      if (!p) return ChainMatch::FailsCompletely;
      const ChainMatch r = tryCandidate(*L, *p, Pseudo, Facts);
      // N's siblings share the parent, so they fail with it.
      return r == ChainMatch::Matches || r == ChainMatch::FailsCompletely ? r : ChainMatch::FailsAllSiblings;
    }
    case 2: {
      const THtNode* p = N.Parent() ? previousElement(&N) : nullptr;
      if (!p) return ChainMatch::FailsAllSiblings;
      return tryCandidate(*L, *p, Pseudo, Facts);
    }
    case 3: {
      // Earlier element siblings, nearest first.
      const THtNode* parent = N.Parent();
      if (!parent) return ChainMatch::FailsAllSiblings;
      // Not in the list: every child counts as earlier.
      int i = indexInParent(N);
      if (i < 0) i = parent->Count();
      while (--i >= 0) {
        const THtNode* p = parent->GetNode(i);
        if (!IsSiblingElement(*p)) continue;
        const ChainMatch r = tryCandidate(*L, *p, Pseudo, Facts);
        if (r != ChainMatch::FailsLocally) return r;
      }
      return ChainMatch::FailsAllSiblings;
    }
    default:
      for (const THtNode* p = N.Parent(); p; p = p->Parent()) {
        const ChainMatch r = tryCandidate(*L, *p, Pseudo, Facts);
        if (r == ChainMatch::Matches || r == ChainMatch::FailsCompletely) return r;
      }
      return ChainMatch::FailsCompletely;
  }
}

}  // namespace

bool TestElement(const THtNode& E, const TCSSSelector& S, TCSSPseudoSet Pseudo, const ICSSNodeFacts& Facts) {
  if ((S.PseudoSet & Pseudo) != Pseudo) return false;
  // A compound that counts its place among its siblings walks them. When a
  // child combinator names the parent, the chain needs that parent to
  // match anyway: testing it first spares the walk over the children of
  // every other parent (":nth-child" alone is tried on every element).
  constexpr TCSSPseudoSet counting = PseudoBit(pcNthChild) | PseudoBit(pcNthOfType);
  if ((S.PseudoSet & counting) && S.Combinator == 1 && S.Left) {
    const THtNode* p = E.Parent();
    if (!p || !S.Left->MatchCompound(*p, Facts.NodeState(*p) | Pseudo, Facts)) return false;
  }
  if (!S.MatchCompound(E, Facts.NodeState(E) | Pseudo, Facts)) return false;
  return matchLeft(S, E, Pseudo, Facts) == ChainMatch::Matches;
}

}  // namespace ht
