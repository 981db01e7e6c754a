#include "markup/hash_dictionary.h"

#include <memory>
#include <utility>

namespace ht {

namespace {

constexpr int32_t kMaxCapacity = 0x40000000;
constexpr int32_t kLargeCount = 100000;

// Equality of a stored key string with the one sought; the lengths are
// compared first so most mismatches cost nothing.
inline bool sameKey(StringView stored, const char16_t* P, int32_t Len) {
  return stored.size() == size_t(Len) && stored.compare(0, size_t(Len), StringView(P, size_t(Len))) == 0;
}

}  // namespace

int32_t HtDefaultHash(const char16_t* P, int32_t Len) {
  uint32_t h = 0;
  for (int32_t i = 0; i < Len; ++i) h = h * 0x3E0F83E1u + uint32_t(uint16_t(P[i])) + 0x59D65D2Fu;
  return int32_t(h * 0x90C03487u);
}

int32_t HtTagHash(const char16_t* P, int32_t Len) { return HtTagHashOf(StringView(P, size_t(Len))); }

int32_t HtDictionaryCapacity(int32_t Requested, int32_t Count) {
  if (Requested > kMaxCapacity) throw EOutOfMemory(String(u"Out of memory"));
  int64_t n = Requested > Count ? Requested : Count;
  int s = Count > kLargeCount ? 3 : 2;
  int64_t c = 4;
  while (c - (c >> s) <= n && c < kMaxCapacity) c <<= 1;
  return int32_t(c);
}

// ---------------------------------------------------------------------------
// THtDictionaryCore

template <class TData>
void THtDictionaryCore<TData>::SetCapacity(int32_t ACapacity) {
  const int32_t c = HtDictionaryCapacity(ACapacity, FCount);
  const int32_t old = FItems ? FMask + 1 : 0;
  if (c == old || (c < old && FCount > 0)) return;

  std::unique_ptr<TItem[]> items(new TItem[size_t(c)]);
  for (int32_t i = 0; i < c; ++i) items[i] = TItem{i, nullptr};
  const uint32_t mask = uint32_t(c - 1);

  if (FCount > 0) {
    // Start right after an empty slot so that every run is visited from its
    // beginning and its entries keep their home-slot order in the new array.
    const uint32_t oldMask = uint32_t(old - 1);
    int32_t start = old - 1;
    while (start > 0 && FItems[start].Key != start) --start;
    for (int32_t k = 0; k < old; ++k) {
      const uint32_t from = (uint32_t(start) + uint32_t(k)) & oldMask;
      const TItem& item = FItems[from];
      if (item.Key == int32_t(from)) continue;
      uint32_t to = (uint32_t(item.Key) + 1) & mask;
      while (items[to].Key != int32_t(to)) to = (to + 1) & mask;
      items[to] = item;
    }
  }

  FItems = std::move(items);
  FMask = c - 1;
  FGrowLimit = c == kMaxCapacity ? c - 1 : FCount > kLargeCount ? c - (c >> 3) : c - (c >> 2);
}

template <class TData>
void THtDictionaryCore<TData>::GrowIfFull() {
  if (FCount < FGrowLimit) return;
  SetCapacity(0);
  // At the largest capacity one empty slot must remain, or look-ups of an
  // absent key would never stop.
  if (FCount >= FMask) throw EOutOfMemory(String(u"Out of memory"));
}

template <class TData>
int32_t THtDictionaryCore<TData>::InsertAt(int32_t Slot, int32_t Key, TData Data) {
  const uint32_t mask = uint32_t(FMask);
  TItem* items = FItems.get();
  const uint32_t s = uint32_t(Slot);
  if (items[s].Key != Slot) {
    uint32_t e = (s + 1) & mask;
    while (items[e].Key != int32_t(e)) e = (e + 1) & mask;
    while (e != s) {
      const uint32_t prev = (e - 1) & mask;
      items[e] = items[prev];
      e = prev;
    }
  }
  items[s] = TItem{Key, Data};
  ++FCount;
  return Slot;
}

template <class TData>
void THtDictionaryCore<TData>::ResetSlots(int32_t ACapacity) {
  if (!FItems || HtDictionaryCapacity(ACapacity, 0) != FMask + 1) {
    FItems.reset();
    FMask = -1;
    SetCapacity(ACapacity);
    return;
  }
  for (int32_t i = 0; i <= FMask; ++i) FItems[i] = TItem{i, nullptr};
}

template class THtDictionaryCore<void*>;
template class THtDictionaryCore<THtObject*>;

// ---------------------------------------------------------------------------
// THtIdObjectDictionary

THtIdObjectDictionary::THtIdObjectDictionary(int32_t ACapacity, bool AOwnsObjects)
    : FOwnsObjects(AOwnsObjects) {
  SetCapacity(ACapacity);
}

THtIdObjectDictionary::~THtIdObjectDictionary() {
  if (!FOwnsObjects) return;
  for (int32_t i = FMask; i >= 0; --i)
    if (FItems[i].Key != i) delete FItems[i].Data;
}

void THtIdObjectDictionary::Clear(int32_t ACapacity) {
  FCount = 0;
  if (FOwnsObjects) {
    for (int32_t i = FMask; i >= 0; --i) {
      if (FItems[i].Key == i) continue;
      THtObject* obj = FItems[i].Data;
      FItems[i] = TItem{i, nullptr};
      delete obj;
    }
  }
  ResetSlots(ACapacity);
}

THtObject* THtIdObjectDictionary::NextObject(int32_t& Position) const {
  for (int32_t i = Position < 0 ? 0 : Position; i <= FMask; ++i) {
    if (FItems[i].Key != i) {
      Position = i + 1;
      return FItems[i].Data;
    }
  }
  Position = FMask + 1;
  return nullptr;
}

// ---------------------------------------------------------------------------
// THtObjectDictionary

THtObjectDictionary::THtObjectDictionary(int32_t ACapacity, bool AOwnsObjects, THtObjectKeyFunc AKeyFunc,
                                         THtHashFunc AHashFunc)
    : THtIdObjectDictionary(ACapacity, AOwnsObjects),
      FHashFunc(AHashFunc ? AHashFunc : HtDefaultHash),
      FKeyFunc(AKeyFunc) {}

int32_t THtObjectDictionary::IndexOfChars(int32_t Hash, const char16_t* P, int32_t Len) const {
  return Probe(Hash, [&](const THtObject* stored) { return sameKey(FKeyFunc(stored), P, Len); });
}

int32_t THtObjectDictionary::IndexOfKey(int32_t Hash, StringView Key) const {
  return IndexOfChars(Hash, Key.data(), int32_t(Key.size()));
}

bool THtObjectDictionary::TryGetValue(StringView Key, THtObject*& AObject) const {
  int32_t slot = IndexOfKey(Hash(Key), Key);
  if (slot < 0) return false;
  AObject = FItems[slot].Data;
  return true;
}

int32_t THtObjectDictionary::AddWithHash(int32_t Hash, StringView Key, THtObject* AObject) {
  GrowIfFull();
  int32_t slot = IndexOfKey(Hash, Key);
  if (slot < 0) return InsertAt(~slot, Hash, AObject);
  THtObject* old = FItems[slot].Data;
  if (FOwnsObjects && old && old != AObject) {
    // Store the new object before freeing the old one, so the table never
    // holds a freed object even if the old one's destructor reaches back.
    FItems[slot].Data = AObject;
    delete old;
  } else {
    FItems[slot].Data = AObject;
  }
  return slot;
}

int32_t THtObjectDictionary::Add(StringView Key, THtObject* AObject) {
  return AddWithHash(Hash(Key), Key, AObject);
}

THtObject* THtObjectDictionary::AddObject(THtObject* AObject) {
  StringView key = FKeyFunc(AObject);
  AddWithHash(Hash(key), key, AObject);
  return AObject;
}

// ---------------------------------------------------------------------------
// THtIdPointerDictionary

THtIdPointerDictionary::THtIdPointerDictionary(int32_t ACapacity) { SetCapacity(ACapacity); }

void THtIdPointerDictionary::Clear(int32_t ACapacity) {
  FCount = 0;
  ResetSlots(ACapacity);
}

int32_t THtIdPointerDictionary::IndexOf(int32_t Id) const {
  return Probe(Id, [](const void*) { return true; });
}

int32_t THtIdPointerDictionary::Add(int32_t Id, void* Value) {
  GrowIfFull();
  int32_t slot = IndexOf(Id);
  if (slot < 0) return InsertAt(~slot, Id, Value);
  FItems[slot].Data = Value;
  return slot;
}

// ---------------------------------------------------------------------------
// THtPointerDictionary

THtPointerDictionary::THtPointerDictionary(int32_t ACapacity, THtRecordKeyFunc AKeyFunc, THtHashFunc AHashFunc)
    : THtIdPointerDictionary(ACapacity), FHashFunc(AHashFunc ? AHashFunc : HtDefaultHash), FKeyFunc(AKeyFunc) {}

int32_t THtPointerDictionary::IndexOfChars(int32_t Hash, const char16_t* P, int32_t Len) const {
  return Probe(Hash, [&](const void* stored) { return sameKey(FKeyFunc(stored), P, Len); });
}

int32_t THtPointerDictionary::IndexOfKey(int32_t Hash, StringView Key) const {
  return IndexOfChars(Hash, Key.data(), int32_t(Key.size()));
}

bool THtPointerDictionary::TryGetValue(StringView Key, void*& Value) const {
  return TryGetChars(Key.data(), int32_t(Key.size()), Value);
}

bool THtPointerDictionary::TryGetChars(const char16_t* P, int32_t Len, void*& Value) const {
  int32_t slot = IndexOfChars(FHashFunc(P, Len), P, Len);
  if (slot < 0) return false;
  Value = FItems[slot].Data;
  return true;
}

int32_t THtPointerDictionary::Add(int32_t Hash, StringView Key, void* Value) {
  GrowIfFull();
  int32_t slot = IndexOfKey(Hash, Key);
  if (slot < 0) return InsertAt(~slot, Hash, Value);
  FItems[slot].Data = Value;
  return slot;
}

// ---------------------------------------------------------------------------
// THtStringList

THtStringList::THtStringList(int32_t ACapacity)
    : THtObjectDictionary(ACapacity, true, KeyField<&THtNameObjectPair::Name>, HtDefaultHash) {}

int32_t THtStringList::Add(StringView Name, THtObject* AObject) {
  auto pair = std::make_unique<THtNameObjectPair>(Name, AObject);
  int32_t slot = THtObjectDictionary::Add(Name, pair.get());
  pair.release();
  return slot;
}

bool THtStringList::Contains(StringView Name) const { return IndexOfKey(Hash(Name), Name) >= 0; }

}  // namespace ht
