#include "markup/object_list.h"

#include <algorithm>
#include <utility>

namespace ht {

namespace {

[[noreturn]] void stringListError(const char16_t* text) { throw EStringListError(String(text)); }

constexpr const char16_t* kListIndexError = u"List index out of bounds (%d)";
constexpr const char16_t* kSortedListError = u"Operation not allowed on sorted list";
constexpr const char16_t* kDuplicateString = u"String list does not allow duplicates";
constexpr const char16_t* kCapacityError = u"List capacity out of bounds (%d)";

}  // namespace

// ---------------------------------------------------------------------------
// THtObjectList

THtObjectList::THtObjectList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}

THtObjectList::~THtObjectList() { Clear(); }

void THtObjectList::IndexError(int32_t Index) { throw EListError(StringView(kListIndexError), Index); }

void THtObjectList::SetCapacity(int32_t NewCapacity) {
  if (NewCapacity < Count()) throw EListError(StringView(kCapacityError), NewCapacity);
  if (NewCapacity > Capacity())
    FList.reserve(size_t(NewCapacity));
  else
    FList.shrink_to_fit();
}

THtObject* THtObjectList::Get(int32_t Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return FList[size_t(Index)];
}

void THtObjectList::Put(int32_t Index, THtObject* Item) {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  THtObject* old = FList[size_t(Index)];
  if (old == Item) return;
  FList[size_t(Index)] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

int32_t THtObjectList::Add(THtObject* Item) {
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return Count() - 1;
}

void THtObjectList::Insert(int32_t Index, THtObject* Item) {
  if (Index < 0 || Index > Count()) IndexError(Index);
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void THtObjectList::Delete(int32_t Index) {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  THtObject* item = FList[size_t(Index)];
  FList.erase(FList.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

int32_t THtObjectList::Remove(THtObject* Item) {
  int32_t index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

THtObject* THtObjectList::Extract(THtObject* Item) {
  int32_t index = IndexOf(Item);
  if (index < 0) return nullptr;
  FList.erase(FList.begin() + index);
  if (Item) Notify(Item, lnExtracted);
  return Item;
}

int32_t THtObjectList::IndexOf(const THtObject* Item) const {
  auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : int32_t(it - FList.begin());
}

void THtObjectList::Exchange(int32_t Index1, int32_t Index2) {
  if (Index1 < 0 || Index1 >= Count()) IndexError(Index1);
  if (Index2 < 0 || Index2 >= Count()) IndexError(Index2);
  std::swap(FList[size_t(Index1)], FList[size_t(Index2)]);
}

void THtObjectList::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  if (CurIndex < 0 || CurIndex >= Count()) IndexError(CurIndex);
  if (NewIndex < 0 || NewIndex >= Count()) IndexError(NewIndex);
  THtObject* item = FList[size_t(CurIndex)];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, item);
}

void THtObjectList::Clear() {
  // Free in index order first, so an item's destructor still sees the later
  // items in place; the emptying below then finds only nil slots.
  if (FOwnsObjects) {
    for (auto& item : FList) {
      THtObject* p = item;
      item = nullptr;
      delete p;
    }
  }
  while (!FList.empty()) {
    THtObject* item = FList.back();
    FList.pop_back();
    if (item) Notify(item, lnDeleted);
  }
  FList.shrink_to_fit();
}

void THtObjectList::Notify(THtObject* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) delete Ptr;
}

// ---------------------------------------------------------------------------
// TIDList

TIDList::TIDList(int32_t ACapacity) {
  SetSorted(true);
  if (ACapacity != 0) SetCapacity(ACapacity);
}

TIDList::~TIDList() {
  FCount = 0;
  FCapacity = 0;
}

void TIDList::checkIndex(int32_t Index) const {
  if (Index < 0 || Index >= FCount) stringListError(u"SListIndexError");
}

void TIDList::SetCapacity(int32_t Value) {
  if (Value < FCount) throw EListError(StringView(kCapacityError), Value);
  if (Value == FCapacity) return;
  std::unique_ptr<TIDItem[]> items;
  if (Value > 0) {
    items = std::make_unique<TIDItem[]>(size_t(Value));
    std::copy(FItems.get(), FItems.get() + FCount, items.get());
  }
  FItems = std::move(items);
  FCapacity = Value;
}

void TIDList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) Sort();
  FSorted = Value;
}

int32_t TIDList::Get(int32_t Index) const {
  checkIndex(Index);
  return FItems[size_t(Index)].FID;
}

void TIDList::Put(int32_t Index, int32_t ID) {
  if (FSorted) stringListError(u"SSortedListError");
  checkIndex(Index);
  FItems[size_t(Index)].FID = ID;
}

void* TIDList::GetObject(int32_t Index) const {
  checkIndex(Index);
  return FItems[size_t(Index)].FObject;
}

void TIDList::PutObject(int32_t Index, void* APointer) {
  checkIndex(Index);
  FItems[size_t(Index)].FObject = APointer;
}

uint32_t TIDList::GetTag(int32_t Index) const {
  checkIndex(Index);
  return FItems[size_t(Index)].FTag;
}

void TIDList::PutTag(int32_t Index, uint32_t ATag) {
  checkIndex(Index);
  FItems[size_t(Index)].FTag = ATag;
}

void TIDList::grow() {
  int32_t delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
  SetCapacity(FCapacity + delta);
}

void TIDList::insertItem(int32_t Index, int32_t ID) {
  if (FCount == FCapacity) grow();
  TIDItem* items = FItems.get();
  std::move_backward(items + Index, items + FCount, items + FCount + 1);
  items[Index] = TIDItem{ID, nullptr, 0};
  ++FCount;
}

int32_t TIDList::Add(int32_t ID) {
  int32_t index;
  if (FCount == 0 || !FSorted) {
    index = FCount;
  } else if (ID < FItems[0].FID) {
    index = 0;
  } else if (ID > FItems[size_t(FCount - 1)].FID) {
    index = FCount;
  } else {
    if (Find(ID, index) && FDuplicates == dupError) stringListError(u"SDuplicateString");
    while (index < FCount && FItems[size_t(index)].FID == ID) ++index;
  }
  insertItem(index, ID);
  return index;
}

int32_t TIDList::AddObject(int32_t ID, void* APointer) {
  int32_t index = Add(ID);
  FItems[size_t(index)].FObject = APointer;
  return index;
}

void TIDList::Insert(int32_t Index, int32_t ID) {
  if (FSorted) stringListError(u"SSortedListError");
  if (Index < 0 || Index > FCount) stringListError(u"SListIndexError");
  insertItem(Index, ID);
}

void TIDList::InsertObject(int32_t Index, int32_t ID, void* AObject) {
  Insert(Index, ID);
  PutObject(Index, AObject);
}

void TIDList::Clear() { FCount = 0; }

void TIDList::Delete(int32_t Index) {
  checkIndex(Index);
  TIDItem* items = FItems.get();
  std::move(items + Index + 1, items + FCount, items + Index);
  --FCount;
}

void TIDList::Exchange(int32_t Index1, int32_t Index2) {
  // Every check comes before any change, so a failed exchange leaves the list
  // as it was. The tag moves with its item.
  checkIndex(Index1);
  checkIndex(Index2);
  if (FSorted) stringListError(u"SSortedListError");
  std::swap(FItems[size_t(Index1)], FItems[size_t(Index2)]);
}

namespace {

template <class Key>
bool bisect(const TIDItem* items, int32_t count, Key id, int32_t& Index) {
  bool found = false;
  int32_t lo = 0, hi = count - 1;
  while (lo <= hi) {
    int32_t mid = int32_t((uint32_t(lo) + uint32_t(hi)) >> 1);
    Key probe = Key(items[mid].FID);
    if (probe < id) {
      lo = mid + 1;
    } else {
      // Keep narrowing to the left on a hit: lo ends on the first equal ID.
      hi = mid - 1;
      if (probe == id) found = true;
    }
  }
  Index = lo;
  return found;
}

}  // namespace

bool TIDList::Find(int32_t ID, int32_t& Index) const { return bisect<int32_t>(FItems.get(), FCount, ID, Index); }

bool TIDList::FindCardinal(uint32_t ID, int32_t& Index) const {
  return bisect<uint32_t>(FItems.get(), FCount, ID, Index);
}

int32_t TIDList::IndexOf(int32_t ID) const {
  int32_t index;
  return Find(ID, index) ? index : -1;
}

int32_t TIDList::IndexOfObject(const void* AObject) const {
  for (int32_t i = 0; i < FCount; ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

void TIDList::quickSort(int32_t L, int32_t R) {
  TIDItem* items = FItems.get();
  int32_t i;
  do {
    i = L;
    int32_t j = R;
    uint32_t pivot = uint32_t(items[(L + R) >> 1].FID);
    do {
      while (uint32_t(items[i].FID) < pivot) ++i;
      while (uint32_t(items[j].FID) > pivot) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (L < j) quickSort(L, j);
    L = i;
  } while (i < R);
}

void TIDList::Sort() {
  if (FSorted || FCount < 2) return;
  quickSort(0, FCount - 1);
}

// ---------------------------------------------------------------------------
// TFastStringList

TFastStringList::~TFastStringList() {
  if (OwnsObjects) FreeListObjects();
}

void TFastStringList::checkIndex(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EStringListError(StringView(kListIndexError), Index);
}

const String& TFastStringList::Get(int32_t Index) const {
  checkIndex(Index);
  return FList[size_t(Index)].FString;
}

void TFastStringList::Put(int32_t Index, StringView S) {
  if (FSorted) stringListError(kSortedListError);
  checkIndex(Index);
  FList[size_t(Index)].FString = String(S);
}

THtObject* TFastStringList::GetObject(int32_t Index) const {
  checkIndex(Index);
  return FList[size_t(Index)].FObject;
}

void TFastStringList::PutObject(int32_t Index, THtObject* AObject) {
  checkIndex(Index);
  FList[size_t(Index)].FObject = AObject;
}

void TFastStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) Sort();
  FSorted = Value;
}

void TFastStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  if (FSorted) Sort();
}

int32_t TFastStringList::AddObject(StringView S, THtObject* AObject) {
  int32_t index = Count();
  if (FSorted && Find(S, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) stringListError(kDuplicateString);
  }
  FList.insert(FList.begin() + index, TStringItem{String(S), AObject});
  return index;
}

void TFastStringList::InsertObject(int32_t Index, StringView S, THtObject* AObject) {
  if (FSorted) stringListError(kSortedListError);
  if (Index < 0 || Index > Count()) throw EStringListError(StringView(kListIndexError), Index);
  FList.insert(FList.begin() + Index, TStringItem{String(S), AObject});
}

void TFastStringList::Delete(int32_t Index) {
  checkIndex(Index);
  FList.erase(FList.begin() + Index);
}

void TFastStringList::Clear() { FList.clear(); }

int32_t TFastStringList::IndexOf(StringView S) const {
  int32_t index;
  if (FSorted) return Find(S, index) ? index : -1;
  for (int32_t i = 0; i < Count(); ++i)
    if (CompareStrings(FList[size_t(i)].FString, S) == 0) return i;
  return -1;
}

void TFastStringList::Sort() {
  std::stable_sort(FList.begin(), FList.end(), [this](const TStringItem& a, const TStringItem& b) {
    return CompareStrings(a.FString, b.FString) < 0;
  });
}

int TFastStringList::CompareStrings(StringView S1, StringView S2) const {
  size_t n = std::min(S1.size(), S2.size());
  if (FCaseSensitive) {
    for (size_t i = 0; i < n; ++i)
      if (S1[i] != S2[i]) return int(S1[i]) - int(S2[i]);
  } else {
    for (size_t i = 0; i < n; ++i) {
      char16_t a = AsciiLower(S1[i]), b = AsciiLower(S2[i]);
      if (a != b) return int(a) - int(b);
    }
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

bool TFastStringList::Find(StringView S, int32_t& Index) const {
  bool found = false;
  int32_t lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int32_t mid = (lo + hi) >> 1;
    int c = CompareStrings(FList[size_t(mid)].FString, S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      // Keep narrowing to the left on a hit: lo ends on the first equal string.
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  Index = lo;
  return found;
}

bool TFastStringList::FindPChar(const char16_t* P, int32_t Len, int32_t& Index) const {
  StringView key(P, size_t(std::max(Len, 0)));
  int32_t lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int32_t mid = (lo + hi) >> 1;
    int c = StringView(FList[size_t(mid)].FString).compare(key);
    if (c < 0) {
      lo = mid + 1;
    } else if (c > 0) {
      hi = mid - 1;
    } else {
      Index = mid;
      return true;
    }
  }
  return false;
}

void TFastStringList::FreeListObjects() {
  for (auto& item : FList) {
    THtObject* p = item.FObject;
    item.FObject = nullptr;
    delete p;
  }
  Clear();
}

}  // namespace ht
