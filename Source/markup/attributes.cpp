#include "markup/attributes.h"

#include <algorithm>

namespace ht {

namespace {

const String kEmpty;

int firstUnit(StringView s, bool fold) {
  if (s.empty()) return -1;  // an empty name sorts first
  return fold ? AsciiLower(s[0]) : s[0];
}

// Ordinal comparison of two names, folding ASCII A-Z when asked.
int compareNames(StringView a, StringView b, bool fold) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int ca = fold ? AsciiLower(a[i]) : a[i];
    const int cb = fold ? AsciiLower(b[i]) : b[i];
    if (ca != cb) return ca - cb;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

String THtAttributes::bulkKey(StringView Name) const {
  String key(Name);
  if (!CaseSensitive)
    for (char16_t& c : key) c = AsciiLower(c);
  return key;
}

// A bulk fill scans its entries up to this many; beyond, a hash index
// finds them.
constexpr int kBulkScan = 12;

void THtAttributes::makeBulkIndex() {
  FBulk = std::make_unique<std::unordered_map<String, int>>();
  for (int i = 0; i < Count; ++i) FBulk->emplace(bulkKey(List[size_t(i)].Name), i);
}

void THtAttributes::BeginBulk() {
  FInBulk = true;
  if (Count > kBulkScan) makeBulkIndex();
}

void THtAttributes::EndBulk() {
  if (!FInBulk) return;
  FInBulk = false;
  FBulk.reset();
  const bool fold = !CaseSensitive;
  auto less = [fold](const THtAttribute& a, const THtAttribute& b) {
    const int fa = firstUnit(a.Name, fold), fb = firstUnit(b.Name, fold);
    return fa != fb ? fa < fb : compareNames(a.Name, b.Name, fold) < 0;
  };
  if (Count > kBulkScan) {
    std::stable_sort(List.begin(), List.begin() + Count, less);
    return;
  }
  // A stable insertion sort: most tags carry a few attributes.
  for (int i = 1; i < Count; ++i) {
    if (!less(List[size_t(i)], List[size_t(i) - 1])) continue;
    THtAttribute item = std::move(List[size_t(i)]);
    int j = i;
    for (; j > 0 && less(item, List[size_t(j) - 1]); --j) List[size_t(j)] = std::move(List[size_t(j) - 1]);
    List[size_t(j)] = std::move(item);
  }
}

int THtAttributes::bulkFind(StringView Name) const {
  if (FBulk) {
    const auto it = FBulk->find(bulkKey(Name));
    return it == FBulk->end() ? -1 : it->second;
  }
  const bool fold = !CaseSensitive;
  for (int i = 0; i < Count; ++i) {
    const String& name = List[size_t(i)].Name;
    if (name.size() == Name.size() && compareNames(name, Name, fold) == 0) return i;
  }
  return -1;
}

bool THtAttributes::Find(StringView AttrName, int& Index) const {
  Index = 0;
  if (FInBulk) {
    Index = Count;
    if (AttrName.empty()) return false;
    const int i = bulkFind(AttrName);
    if (i < 0) return false;
    Index = i;
    return true;
  }
  if (Count == 0 || AttrName.empty()) return false;
  const bool fold = !CaseSensitive;
  const int probeFirst = firstUnit(AttrName, fold);
  int lo = 0, hi = Count - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const String& name = List[size_t(mid)].Name;
    int c = firstUnit(name, fold) - probeFirst;
    if (c == 0) {
      // Interned names: the very same characters need no comparison.
      const bool same = fold && name.data() == AttrName.data() && name.size() == AttrName.size();
      c = same ? 0 : compareNames(name, AttrName, fold);
    }
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        Index = mid;
        return true;
      }
    }
  }
  Index = lo;
  return false;
}

int THtAttributes::Indexof(StringView AttrName) const {
  int i;
  return Find(AttrName, i) ? i : -1;
}

const String& THtAttributes::GetAttribute(StringView Name) const {
  int i;
  return Find(Name, i) ? List[size_t(i)].Value : kEmpty;
}

void THtAttributes::InsertAt(int Index, StringView Name, StringView Value) {
  if (size_t(Count) == List.size()) List.emplace_back();
  for (int i = Count; i > Index; --i) List[size_t(i)] = std::move(List[size_t(i) - 1]);
  THtAttribute& item = List[size_t(Index)];
  item.Name.assign(Name);
  if (!CaseSensitive)
    for (char16_t& c : item.Name) c = AsciiLower(c);
  item.Value.assign(Value);
  ++Count;
  if (FBulk)
    FBulk->emplace(item.Name, Index);
  else if (FInBulk && Count > kBulkScan)
    makeBulkIndex();
}

void THtAttributes::Add(StringView AttrName, StringView AttrValue) {
  int i;
  Find(AttrName, i);
  InsertAt(i, AttrName, AttrValue);
}

bool THtAttributes::SetAttribute(StringView Name, StringView Value) {
  int i;
  if (Find(Name, i)) {
    String& v = List[size_t(i)].Value;
    if (v == Value) return false;
    v = String(Value);
    return true;
  }
  InsertAt(i, Name, Value);
  return true;
}

void THtAttributes::ClearAttr(StringView Name) {
  int i;
  if (!Find(Name, i)) return;
  for (int j = i; j < Count - 1; ++j) List[size_t(j)] = std::move(List[size_t(j) + 1]);
  --Count;
}

}  // namespace ht
