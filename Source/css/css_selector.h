#pragma once
// Compound selectors: one TCSSSelector holds the type, id, classes,
// attribute conditions and pseudo-classes of one compound and owns the
// compound on its left, so a complex selector such as "ul li > a" is held by
// its rightmost compound. Each compound is compiled once into the cheapest
// match routine that covers what it has, then matched right to left.
//
// Matching reads two things a plain markup node does not keep: the node's
// class list (lower case, hashed) and its pseudo-class state (hover, focus,
// the structural bits). They come through ICSSNodeFacts, which the styled
// node layer implements over its cached class hashes and computed style;
// TCSSPlainNodeFacts serves plain node trees (selector queries, tests).
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "css/css_keywords.h"
#include "css/css_token.h"
#include "markup/node.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

// A written keyword selects the value whose name without "pc" equals the
// keyword with its hyphens removed, ignoring case; any other name is
// pcUnknown, which no state holds, so a compound naming it never matches.
#define HT_CSS_PSEUDO_CLASS_VALUES(X) \
  X(pcNone)                           \
  X(pcLink)                           \
  X(pcHover)                          \
  X(pcActive)                         \
  X(pcVisited)                        \
  X(pcFocus)                          \
  X(pcBefore)                         \
  X(pcAfter)                          \
  X(pcFirstLetter)                    \
  X(pcFirstChild)                     \
  X(pcLastChild)                      \
  X(pcOnlyChild)                      \
  X(pcNthChild)                       \
  X(pcNthOfType)                      \
  X(pcFirstOfType)                    \
  X(pcChecked)                        \
  X(pcEmpty)                          \
  X(pcTarget)                         \
  X(pcValid)                          \
  X(pcInvalid)                        \
  X(pcSelection)                      \
  X(pcOnlyOfType)                     \
  X(pcMarker)                         \
  X(pcFocusWithin)                    \
  X(pcUnknown)
HT_KEYWORD_ENUM(TCSSPseudoClass, HT_CSS_PSEUDO_CLASS_VALUES);

// A 32-bit set of TCSSPseudoClass, one bit per ordinal.
using TCSSPseudoSet = uint32_t;
constexpr TCSSPseudoSet PseudoBit(TCSSPseudoClass pc) { return TCSSPseudoSet(1u) << unsigned(pc); }
// The pseudo-elements: requested by the caller rather than held as state.
constexpr TCSSPseudoSet PseudoElementBits = PseudoBit(pcBefore) | PseudoBit(pcAfter) | PseudoBit(pcMarker);

struct TCSSClassRec {
  String s;          // the class name in lower case
  int32_t hash = 0;  // HtTagHash of s
};
using TClassesArray = std::vector<TCSSClassRec>;

// One attribute condition. Op: 0 presence or "=", 1 "^=", 2 "$=", 3 "*=",
// 4 "~=", 5 "|=", 6 "!=".
struct TCSSCondition {
  String Name;
  String Value;
  uint8_t Op = 0;
};

// What matching reads of a node beyond the markup tree.
class ICSSNodeFacts {
 public:
  virtual ~ICSSNodeFacts() = default;
  // The node's classes, lower case with their HtTagHash, in any order;
  // empty when it has none. The span must stay valid during one match.
  virtual std::span<const TCSSClassRec> NodeClasses(const THtNode& Node) const = 0;
  // The node's pseudo-class state (hover, focus, first-child, ...).
  virtual TCSSPseudoSet NodeState(const THtNode& Node) const = 0;
};

// Facts of plain nodes: classes read from the "class" attribute (cached per
// node until Clear), state as set with SetState (none by default).
class TCSSPlainNodeFacts : public ICSSNodeFacts {
 public:
  std::span<const TCSSClassRec> NodeClasses(const THtNode& Node) const override;
  TCSSPseudoSet NodeState(const THtNode& Node) const override;
  void SetState(const THtNode* Node, TCSSPseudoSet State) { FStates[Node] = State; }
  void Clear();

 private:
  mutable std::unordered_map<const THtNode*, TClassesArray> FClasses;
  std::unordered_map<const THtNode*, TCSSPseudoSet> FStates;
};

// Whether Node counts as a sibling for combinators and structural
// pseudo-classes: an element, not text, a comment or a directive.
bool IsSiblingElement(const THtNode& Node);
// The structural pseudo-classes of Node's place among its sibling elements
// (first, last and only child, first and only of its type), as the element
// model keeps them in CurrentPC.
TCSSPseudoSet StructuralPseudoClasses(const THtNode& Node);

// Splits class attribute text at blanks into lower-cased, hashed entries.
TClassesArray ParseClassList(StringView Text);

class TCSSSection;
class TCSSSelector;

using TCSSMatchRoutine = bool (TCSSSelector::*)(const THtNode& Node, TCSSPseudoSet State,
                                                const ICSSNodeFacts& Facts) const;

class TCSSSelector : public THtObject {
 public:
  explicit TCSSSelector(TCSSSelector* ALeft = nullptr);
  ~TCSSSelector() override;
  TCSSSelector(const TCSSSelector&) = delete;
  TCSSSelector& operator=(const TCSSSelector&) = delete;

  // Builds the compound chain of one selector from its tokens (whitespace
  // kept, comments dropped) and compiles its match routines. Answers the
  // rightmost compound, or null when the tokens hold nothing.
  static std::unique_ptr<TCSSSelector> FromTokens(std::span<const TCSSToken> Tokens);
  // Parses selector text (a single selector, no comma list).
  static std::unique_ptr<TCSSSelector> FromText(StringView Text);

  // Adds a pseudo-class by keyword; Arg is the argument token of nth-child
  // and nth-of-type (or null).
  void AddPseudo(StringView Name, const TCSSToken* Arg);
  void AddClass(StringView Name);
  // Makes Conditions from AttrText and chooses Match for this compound and
  // every compound on its left.
  void CompileMatch();
  int Specificity() const;
  // Whether any compound of the chain (or of its :not() groups) names a
  // pseudo-class this engine does not know.
  bool HasUnknownPseudo() const;
  // Whether the selector holds what this engine cannot follow: an unknown
  // pseudo-class inside :not(), an attribute group without a name, or an at-keyword as a
  // type selector anywhere but alone on the left ("@font-face", "@page").
  // A rule with such a selector is dropped.
  bool Unsupported() const;

  // Whether this compound alone matches Node with the state State (its
  // :not() groups included).
  bool MatchCompound(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;

  TCSSPseudoClass Pseudo = pcNone;  // the first pseudo-class added
  int PseudoCount = 0;              // distinct pseudo-classes added
  // Relation to Left: 0 descendant, 1 child ">", 2 adjacent "+", 3 general "~".
  uint8_t Combinator = 0;
  String Tag;       // lower case; "*" universal; empty when absent
  String Id;
  String AttrText;  // the texts of all [...] groups, joined with U+0001
  std::vector<TCSSCondition> Conditions;
  bool Universal = false;
  TClassesArray Classes;
  TCSSPseudoSet PseudoSet = 0;
  int NthValue = 0;  // -1 odd, -2 even, otherwise the position
  std::unique_ptr<TCSSSelector> Left;
  std::vector<std::unique_ptr<TCSSSelector>> NotList;
  TCSSSection* Section = nullptr;  // not owned
  int Weight = 0;
  int Order = 0;
  int StartPos = 0;
  int EndPos = 0;
  TCSSMatchRoutine Match;

  // Match routines; each assumes the compound has only what its name says.
  bool MatchAny(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchTag(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchId(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchClasses(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchTagClasses(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchAttrPseudo(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchAttr(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchClassesPseudo(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;
  bool MatchAll(const THtNode& Node, TCSSPseudoSet State, const ICSSNodeFacts& Facts) const;

 private:
  bool classTest(const THtNode& Node, const ICSSNodeFacts& Facts) const;
  bool pseudoTest(const THtNode& Node, TCSSPseudoSet State) const;
  bool attrTest(const THtNode& Node) const;
  void makeConditions();
};

// The selector written back as CSS text.
String SelectorText(const TCSSSelector& Selector);

// Whether node E matches selector S (its rightmost compound) when the
// pseudo-element bits Pseudo are requested (0 for the element itself).
bool TestElement(const THtNode& E, const TCSSSelector& S, TCSSPseudoSet Pseudo, const ICSSNodeFacts& Facts);

}  // namespace ht
