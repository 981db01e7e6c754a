#include "css/style_maps.h"

#include <algorithm>

namespace ht {

bool AddMergedSelector(TCSSSelectors& List, TCSSSelector* S, const TCSSOwnSections* OwnSections) {
  // Only into a lone earlier rule of the same media: a rule between them
  // would lose to the moved declarations, and rules of other media would
  // apply where they were never meant to.
  TCSSSelector* first = List.Count() == 1 ? List.First() : nullptr;
  if (!first || !OwnSections || first->Weight != S->Weight || !first->Section || !S->Section ||
      first->Section == S->Section || first->Section->MediaSet != S->Section->MediaSet ||
      !OwnSections->count(first->Section)) {
    List.Add(S);
    return false;
  }
  TCSSSection& earlier = *first->Section;
  TCSSSection& later = *S->Section;
  for (const TCSSValue& v : later.Values) {
    auto same = std::find_if(earlier.Values.begin(), earlier.Values.end(), [&](const TCSSValue& e) {
      return SameTextAscii(e.Token.Name, v.Token.Name);
    });
    if (same != earlier.Values.end()) {
      // A later normal declaration does not override an important one.
      if (same->Important && !v.Important) continue;
      earlier.Values.erase(same);
    }
    // Appended rather than replaced in place, so that it also overrides
    // longhands the earlier rule declared after a shorthand.
    earlier.AddValue(v);
  }
  later.Values.clear();
  later.Compile();
  earlier.Compile();
  return true;
}

// ---------------------------------------------------------------------------

TCSSStyleMap::TCSSStyleMap(int AKind)
    : THtObjectDictionary(255, true, KeyField<&TCSSSelectors::Key>, HtTagHash), Kind(AKind) {}

void TCSSStyleMap::Add(StringView Key, TCSSSelector* S, bool Merge, TCSSPseudoClass PseudoClass,
                       const TCSSOwnSections* OwnSections) {
  TCSSSelectors* list = nullptr;
  if (Kind == 1) {
    for (TPseudoMapRec& rec : PseudoLists)
      if (rec.PseudoClass == PseudoClass) list = rec.List.get();
    if (!list) {
      PseudoLists.push_back({PseudoClass, std::make_unique<TCSSSelectors>(false)});
      list = PseudoLists.back().List.get();
    }
    PseudoSet |= S->PseudoSet;
  } else {
    const int32_t hash = Hash(Key);
    list = Find(hash, Key);
    if (!list) {
      list = new TCSSSelectors(false);
      list->Key = String(Key);
      AddWithHash(hash, list->Key, list);
      FOrderedValid.store(false, std::memory_order_relaxed);
    }
  }
  if (Merge && !S->Left && S->Section && S->Section->Selectors->Count() == 1)
    AddMergedSelector(*list, S, OwnSections);
  else
    list->Add(S);
}

void TCSSStyleMap::Clear() {
  THtObjectDictionary::Clear();
  FOrderedValid.store(false, std::memory_order_relaxed);
  PseudoLists.clear();
  PseudoSet = 0;
}

const std::vector<TCSSSelectors*>& TCSSStyleMap::orderedLists() const {
  if (!FOrderedValid.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> guard(FOrderedLock);
    if (!FOrderedValid.load(std::memory_order_relaxed)) {
      FOrdered.clear();
      int32_t position = 0;
      for (THtObject* o = NextObject(position); o; o = NextObject(position))
        FOrdered.push_back(static_cast<TCSSSelectors*>(o));
      FOrderedValid.store(true, std::memory_order_release);
    }
  }
  return FOrdered;
}

int TCSSStyleMap::ListCount() const { return Kind == 1 ? int(PseudoLists.size()) : Count(); }

TCSSSelectors* TCSSStyleMap::ListAt(int Index) const {
  if (Kind == 1) return Index >= 0 && Index < int(PseudoLists.size()) ? PseudoLists[size_t(Index)].List.get() : nullptr;
  int32_t position = 0;
  for (THtObject* o = NextObject(position); o; o = NextObject(position))
    if (Index-- == 0) return static_cast<TCSSSelectors*>(o);
  return nullptr;
}

TCSSSelectors* TCSSStyleMap::Find(int32_t Hash, StringView Key) const {
  if (Kind == 1 || Count() == 0) return nullptr;
  const int32_t slot = IndexOfKey(Hash, Key);
  return slot >= 0 ? static_cast<TCSSSelectors*>(Items()[slot].Data) : nullptr;
}

void TCSSStyleMap::RemoveSection(const TCSSSection* Section) {
  ForEachList([&](TCSSSelectors* list) {
    for (int32_t j = list->Count() - 1; j >= 0; --j)
      if (list->Get(j)->Section == Section) list->Delete(j);
  });
}

// ---------------------------------------------------------------------------

TCSSStyleMaps::TCSSStyleMaps() : TagMap(std::make_unique<TCSSStyleMap>(0)) {}

void TCSSStyleMaps::Clear() {
  for (auto* m : {&IdMap, &TagMap, &ClassMap, &AttrMap, &PseudoMap})
    if (*m) (*m)->Clear();
}

namespace {
TCSSStyleMap& ensure(std::unique_ptr<TCSSStyleMap>& map, int kind) {
  if (!map) map = std::make_unique<TCSSStyleMap>(kind);
  return *map;
}
}  // namespace

void TCSSStyleMaps::AddSelector(TCSSSelector* S, const TCSSOwnSections* OwnSections) {
  if (!S->Tag.empty()) {
    // Only a bare "*" rule merges; "*.x" or "*[a]" stay rules of their own.
    const bool merge = S->Universal && S->Id.empty() && S->Classes.empty() && S->AttrText.empty() &&
                       S->PseudoSet == 0 && S->NotList.empty();
    TagMap->Add(S->Tag, S, merge, pcNone, OwnSections);
  } else if (!S->Id.empty()) {
    ensure(IdMap, 0).Add(S->Id, S, false, pcNone, OwnSections);
  } else if (!S->Classes.empty()) {
    ensure(ClassMap, 0).Add(S->Classes[0].s, S, false, pcNone, OwnSections);
  } else if (!S->AttrText.empty()) {
    ensure(AttrMap, 0).Add(AsciiLowerCase(S->AttrText), S, false, pcNone, OwnSections);
  } else if (S->PseudoSet & ~PseudoElementBits) {
    ensure(PseudoMap, 1).Add(u"", S, false, S->Pseudo, OwnSections);
  }
}

void TCSSStyleMaps::RemoveSection(const TCSSSection* Section) {
  for (auto* m : {&IdMap, &TagMap, &ClassMap, &AttrMap, &PseudoMap})
    if (*m) (*m)->RemoveSection(Section);
}

void TCSSStyleMaps::collect(TFastStringList& L, bool Classes) const {
  for (const auto* m : {&IdMap, &TagMap, &ClassMap, &AttrMap}) {
    if (!*m) continue;
    (*m)->ForEachList([&](const TCSSSelectors* list) {
      for (const TCSSSelector* sel : *list) {
        for (const TCSSSelector* s = sel; s; s = s->Left.get()) {
          if (Classes) {
            for (const TCSSClassRec& c : s->Classes)
              if (L.IndexOf(c.s) < 0) L.Add(c.s);
          } else if (!s->Id.empty() && L.IndexOf(s->Id) < 0) {
            L.Add(s->Id);
          }
        }
      }
    });
  }
}

void TCSSStyleMaps::GetClasses(TFastStringList& L) const { collect(L, true); }
void TCSSStyleMaps::GetIds(TFastStringList& L) const { collect(L, false); }

// ---------------------------------------------------------------------------

TCSSWeightList::TCSSWeightList() { SetSorted(false); }

void TCSSWeightList::AddValue(uint32_t Weight, uint32_t Order, PCSSValue Value) {
  const int32_t n = Count();
  auto weightAt = [&](int32_t i) { return uint32_t(Get(i)); };
  int32_t at;
  if (n == 0 || Weight > weightAt(n - 1)) {
    at = n;
  } else if (Weight < weightAt(0)) {
    at = 0;
  } else if (FindCardinal(Weight, at)) {
    for (int32_t i = at; i < n && weightAt(i) == Weight; ++i)
      if (GetObject(i) == Value) return;
    while (at < n && weightAt(at) == Weight && GetTag(at) <= Order) ++at;
  }
  InsertObject(at, int32_t(Weight), Value);
  PutTag(at, Order);
}

}  // namespace ht
