#include "markup/attributes.h"

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

bool THtAttributes::Find(StringView AttrName, int& Index) const {
  Index = 0;
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
