#pragma once
// Selector indexes and the list of an element's matched declarations.
//
// Every selector is filed under one key of its rightmost compound (its tag,
// else its id, first class, attribute text or first pseudo-class), so an
// element only tests the selectors whose key it carries. TCSSWeightList
// collects the declarations that matched one element in cascade order.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "css/css_section.h"
#include "css/css_selector.h"
#include "markup/hash_dictionary.h"
#include "markup/object_list.h"

namespace ht {

// Sections whose values a merge may rewrite (those of the sheet doing the
// filing); a rule of another sheet is never changed by a merge. Each
// section carries the mark of the set holding it, so that filing a rule and
// testing it cost no look-up; clear forgets every mark at once.
class TCSSOwnSections {
 public:
  TCSSOwnSections() = default;
  TCSSOwnSections(const TCSSOwnSections&) = delete;
  TCSSOwnSections& operator=(const TCSSOwnSections&) = delete;

  void insert(TCSSSection* S) { S->OwnerMark = {this, FGeneration}; }
  void erase(TCSSSection* S) {
    if (count(S)) S->OwnerMark = {};
  }
  void clear() { ++FGeneration; }
  size_t count(const TCSSSection* S) const {
    return S->OwnerMark.Owner == this && S->OwnerMark.Generation == FGeneration;
  }

 private:
  uint64_t FGeneration = 1;
};

// Appends S to List, or, when List's first selector has S's weight and its
// section belongs to OwnSections, moves S's declarations into that section
// (a later declaration of the same name replaces the earlier one) and leaves
// S out: repeated universal rules and repeated inline styles collapse into
// one rule. Answers whether S was merged.
bool AddMergedSelector(TCSSSelectors& List, TCSSSelector* S, const TCSSOwnSections* OwnSections);

struct TPseudoMapRec {
  TCSSPseudoClass PseudoClass = pcNone;
  std::unique_ptr<TCSSSelectors> List;  // not owning its selectors
};
using TPseudoMap = std::vector<TPseudoMapRec>;

// Key string -> TCSSSelectors (Kind 0), or pseudo-class -> TCSSSelectors
// (Kind 1, in PseudoLists). The map frees its lists, never their selectors.
class TCSSStyleMap : public THtObjectDictionary {
 public:
  explicit TCSSStyleMap(int AKind);

  int Kind;  // 0 keyed index, 1 pseudo-class index
  TPseudoMap PseudoLists;
  TCSSPseudoSet PseudoSet = 0;  // union of the pseudo-classes of every selector filed here

  // Files S under Key (Kind 0) or under PseudoClass (Kind 1). With Merge,
  // a selector without Left that is its section's only selector may be
  // merged into the list's first rule (AddMergedSelector).
  void Add(StringView Key, TCSSSelector* S, bool Merge, TCSSPseudoClass PseudoClass,
           const TCSSOwnSections* OwnSections);
  void Clear();
  // The lists in table order (Kind 0) or array order (Kind 1).
  int ListCount() const;
  TCSSSelectors* ListAt(int Index) const;
  // Calls F(TCSSSelectors*) for every list, in ListAt order.
  template <class F>
  void ForEachList(F f) const {
    if (Kind == 1) {
      for (const TPseudoMapRec& rec : PseudoLists) f(rec.List.get());
      return;
    }
    for (TCSSSelectors* list : orderedLists()) f(list);
  }
  // The list under Key (hash HtTagHash of Key), or null.
  TCSSSelectors* Find(int32_t Hash, StringView Key) const;
  // Drops every selector of Section from every list.
  void RemoveSection(const TCSSSection* Section);

 private:
  // The keyed lists in table order, gathered once after the map last
  // changed: the attribute index is walked for every element with
  // attributes, and the table holds many empty slots. Made on first use
  // under a lock, as two threads may style with one sheet; changes of the
  // map are never concurrent with its use.
  const std::vector<TCSSSelectors*>& orderedLists() const;
  mutable std::vector<TCSSSelectors*> FOrdered;
  mutable std::atomic<bool> FOrderedValid{false};
  mutable std::mutex FOrderedLock;
};

// The five indexes of one selector population; the tag index exists from
// the start, the others are made on first use.
class TCSSStyleMaps : public THtObject {
 public:
  TCSSStyleMaps();

  std::unique_ptr<TCSSStyleMap> IdMap, TagMap, ClassMap, AttrMap, PseudoMap;

  void Clear();
  // Files S by its rightmost compound; a selector of a bare pseudo-element
  // (such as ::before alone) is filed nowhere.
  void AddSelector(TCSSSelector* S, const TCSSOwnSections* OwnSections);
  void RemoveSection(const TCSSSection* Section);
  // Adds every class (id) named by a compound of a filed selector, once.
  void GetClasses(TFastStringList& L) const;
  void GetIds(TFastStringList& L) const;

 private:
  void collect(TFastStringList& L, bool Classes) const;
};

// Weights in the cascade, compared unsigned. A selector weighs its
// specificity (id 256, class, attribute group and pseudo-class 16, type 1)
// or its sheet's fixed weight: 0 for the built-in sheet, InlineStyleWeight
// for an element's style attribute. Important declarations rank above every
// normal one, then by their own weight, the inline style's on top.
constexpr uint32_t InlineStyleWeight = 0xFF000000u;
constexpr uint32_t ImportantWeight(uint32_t Weight) {
  return Weight >= InlineStyleWeight ? 0xFFFFFFFFu : InlineStyleWeight + 1 + (Weight < 0x00FFFFFDu ? Weight : 0x00FFFFFDu);
}

// The declarations matched for one element: items ordered by weight
// (compared unsigned), then by the selector's order number, then as added.
// Each item's id is the weight, its object the PCSSValue, its tag the order.
// Computed style takes the last item of each property.
class TCSSWeightList : public TIDList {
 public:
  TCSSWeightList();
  // Inserts Value; a value already held with the same weight is not added
  // again (a rule reached through two of its selectors counts once).
  void AddValue(uint32_t Weight, uint32_t Order, PCSSValue Value);
  // Adds the declaration Value of a rule weighing Weight: an important one
  // with ImportantWeight. Every path into the cascade adds through here.
  void AddDeclaration(uint32_t Weight, uint32_t Order, TCSSValue& Value) {
    AddValue(Value.Important ? ImportantWeight(Weight) : Weight, Order, &Value);
  }
  PCSSValue ValueAt(int32_t Index) const { return static_cast<PCSSValue>(GetObject(Index)); }
  uint32_t WeightAt(int32_t Index) const { return uint32_t(Get(Index)); }
};

}  // namespace ht
