#pragma once
// The small list classes most engine containers are built on:
//
// - THtObjectList: a list of THtObject references that frees its items when it
//   owns them. It holds the polymorphic root THtObject (platform/rtl/object.h),
//   so one non-template core serves every list; subclasses that hold one item
//   type derive from THtObjectListOf<T>, which adds typed accessors and typed
//   iteration over the same core (T must derive from THtObject; it may still be
//   incomplete where the list class is declared).
// - TIDList: items pairing a 32-bit ID with an untyped object pointer and a
//   32-bit tag, normally kept in ascending ID order and searched by bisection.
//   The list never owns its objects (they may be plain records).
// - TFastStringList: a string list with its own ASCII-folding comparison and a
//   bisection that reports the first of several equal strings.
//
// None of them locks: callers serialise access. Indexes are 0-based.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "markup/node_pool.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/object.h"
#include "platform/rtl/rtl_errors.h"
#include "platform/rtl/string.h"

namespace ht {

// How a sorted list treats an item whose key is already present.
enum TDuplicates { dupIgnore, dupAccept, dupError };

// What the list reports to Notify for an item that enters or leaves it.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// ---------------------------------------------------------------------------
// THtObjectList
// ---------------------------------------------------------------------------

class THtObjectList : public THtObject {
 public:
  explicit THtObjectList(bool AOwnsObjects = true);
  // Frees the items when owning (see Clear). Notify overrides of subclasses
  // are no longer reached while the list is being destroyed.
  ~THtObjectList() override;
  THtObjectList(const THtObjectList&) = delete;
  THtObjectList& operator=(const THtObjectList&) = delete;

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  int32_t Count() const { return int32_t(FList.size()); }
  int32_t Capacity() const { return int32_t(FList.capacity()); }
  // Reserves room; a capacity below Count raises EListError.
  void SetCapacity(int32_t NewCapacity);

  // Range-checked access; a bad index raises EListError
  // "List index out of bounds (%d)".
  THtObject* Get(int32_t Index) const;
  THtObject* operator[](int32_t Index) const { return Get(Index); }
  // Replaces an item; the old one is reported as deleted (freed when owning).
  void Put(int32_t Index, THtObject* Item);
  THtObject* First() const { return Get(0); }
  THtObject* Last() const { return Get(Count() - 1); }

  int32_t Add(THtObject* Item);
  void Insert(int32_t Index, THtObject* Item);
  // Removes the item at Index; freed when owning.
  void Delete(int32_t Index);
  // Deletes the first occurrence of Item (freed when owning); its former
  // index, or -1 when absent.
  int32_t Remove(THtObject* Item);
  // Takes the first occurrence of Item out without ever freeing it; Item, or
  // nullptr when absent.
  THtObject* Extract(THtObject* Item);
  int32_t IndexOf(const THtObject* Item) const;
  void Exchange(int32_t Index1, int32_t Index2);
  void Move(int32_t CurIndex, int32_t NewIndex);
  // When owning, frees every item in index order first; then empties the list.
  void Clear();
  // Stable sort; Compare returns <0, 0 or >0 like a three-way comparison.
  template <class Compare>
  void Sort(Compare compare);

  // The item array, for callers that walk the list directly.
  THtObject* const* List() const { return FList.data(); }
  THtObject* const* begin() const { return FList.data(); }
  THtObject* const* end() const { return FList.data() + FList.size(); }

 protected:
  // Called for every item added, extracted or deleted (and for the old item
  // when Put replaces one); never for nil. Frees deleted items when owning.
  virtual void Notify(THtObject* Ptr, TListNotification Action);
  [[noreturn]] static void IndexError(int32_t Index);

 private:
  // The array comes from the node pool: children lists are the most
  // numerous lists, and a tree's lists are made and freed together.
  std::vector<THtObject*, TNodePoolAllocator<THtObject*>> FList;
  bool FOwnsObjects;
};

template <class Compare>
void THtObjectList::Sort(Compare compare) {
  std::stable_sort(FList.begin(), FList.end(),
                   [&](THtObject* a, THtObject* b) { return compare(a, b) < 0; });
}

// Typed face of THtObjectList for lists of one item type.
template <class T>
class THtObjectListOf : public THtObjectList {
 public:
  using THtObjectList::THtObjectList;

  class const_iterator {
   public:
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    explicit const_iterator(THtObject* const* p = nullptr) : p_(p) {}
    T* operator*() const { return cast(*p_); }
    const_iterator& operator++() { ++p_; return *this; }
    const_iterator operator++(int) { auto t = *this; ++p_; return t; }
    bool operator==(const const_iterator&) const = default;

   private:
    THtObject* const* p_;
  };

  T* Get(int32_t Index) const { return cast(THtObjectList::Get(Index)); }
  T* operator[](int32_t Index) const { return Get(Index); }
  void Put(int32_t Index, T* Item) { THtObjectList::Put(Index, Item); }
  T* First() const { return Get(0); }
  T* Last() const { return Get(Count() - 1); }
  int32_t Add(T* Item) { return THtObjectList::Add(Item); }
  void Insert(int32_t Index, T* Item) { THtObjectList::Insert(Index, Item); }
  int32_t Remove(T* Item) { return THtObjectList::Remove(Item); }
  T* Extract(T* Item) { return cast(THtObjectList::Extract(Item)); }
  int32_t IndexOf(const T* Item) const { return THtObjectList::IndexOf(Item); }
  template <class Compare>
  void Sort(Compare compare) {
    THtObjectList::Sort([&](THtObject* a, THtObject* b) { return compare(cast(a), cast(b)); });
  }
  const_iterator begin() const { return const_iterator(THtObjectList::begin()); }
  const_iterator end() const { return const_iterator(THtObjectList::end()); }

 private:
  static T* cast(THtObject* p) {
    static_assert(std::is_base_of_v<THtObject, T>, "list items derive from THtObject");
    return static_cast<T*>(p);
  }
};

// ---------------------------------------------------------------------------
// TIDList
// ---------------------------------------------------------------------------

struct TIDItem {
  int32_t FID;     // the key
  void* FObject;   // never owned by the list
  uint32_t FTag;   // free for the owner; 0 on a new item
};

// Errors are EStringListError with the fixed texts "SListIndexError",
// "SSortedListError" and "SDuplicateString"; the list is unchanged when one
// is raised. Exchange and Sort move whole items, tags included.
class TIDList : public THtObject {
 public:
  // A new list is sorted and keeps duplicates (dupIgnore refuses nothing).
  explicit TIDList(int32_t ACapacity = 0);
  ~TIDList() override;  // never frees the objects
  TIDList(const TIDList&) = delete;
  TIDList& operator=(const TIDList&) = delete;

  int32_t Capacity() const { return FCapacity; }
  // Reallocates to Value items; Value below Count raises EListError.
  virtual void SetCapacity(int32_t Value);
  bool Sorted() const { return FSorted; }
  // Setting the flag sorts the items first.
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  int32_t Count() const { return FCount; }

  int32_t Tag = 0;  // for the owner; the list never reads it

  int32_t Get(int32_t Index) const;                   // the ID at Index
  virtual void Put(int32_t Index, int32_t ID);        // raises on a sorted list
  virtual void* GetObject(int32_t Index) const;
  virtual void PutObject(int32_t Index, void* APointer);
  template <class T>
  T* ObjectAs(int32_t Index) const { return static_cast<T*>(GetObject(Index)); }
  uint32_t GetTag(int32_t Index) const;
  void PutTag(int32_t Index, uint32_t ATag);

  // Inserts an item with ID and a nil object: appended when the list is empty
  // or unsorted, else after every item with an equal ID. Returns its index.
  virtual int32_t Add(int32_t ID);
  int32_t AddObject(int32_t ID, void* APointer);
  virtual void Insert(int32_t Index, int32_t ID);     // raises on a sorted list
  void InsertObject(int32_t Index, int32_t ID, void* AObject);
  virtual void Clear();                               // keeps the memory
  virtual void Delete(int32_t Index);
  virtual void Exchange(int32_t Index1, int32_t Index2);

  // Bisection (signed / unsigned order): on a hit Index is the first equal
  // item, on a miss the insertion point. Neither checks Sorted.
  virtual bool Find(int32_t ID, int32_t& Index) const;
  virtual bool FindCardinal(uint32_t ID, int32_t& Index) const;
  virtual int32_t IndexOf(int32_t ID) const;          // -1 when absent
  int32_t IndexOfObject(const void* AObject) const;   // linear; -1 when absent
  // Sorts by ID compared unsigned; nothing when already marked sorted.
  virtual void Sort();

  // Deletes every item's object as a T (in index order). The items stay and
  // still point at the freed objects: clear the list afterwards.
  template <class T>
  void FreeObjects() {
    for (int32_t i = 0; i < FCount; ++i) delete static_cast<T*>(GetObject(i));
  }

  const TIDItem* List() const { return FItems.get(); }

 private:
  void checkIndex(int32_t Index) const;
  void grow();
  void insertItem(int32_t Index, int32_t ID);
  void quickSort(int32_t L, int32_t R);

  std::unique_ptr<TIDItem[]> FItems;
  int32_t FCapacity = 0;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  int32_t FCount = 0;
};

// ---------------------------------------------------------------------------
// TFastStringList
// ---------------------------------------------------------------------------

struct TStringItem {
  String FString;
  THtObject* FObject;
};

// Case-insensitive by default (folding only ASCII A-Z), unsorted, dupIgnore.
// Only the destructor frees objects, and only when OwnsObjects is set.
// A bad index raises EStringListError "List index out of bounds (%d)".
class TFastStringList : public THtObject {
 public:
  TFastStringList() = default;
  ~TFastStringList() override;
  TFastStringList(const TFastStringList&) = delete;
  TFastStringList& operator=(const TFastStringList&) = delete;

  bool OwnsObjects = false;

  int32_t Count() const { return int32_t(FList.size()); }
  const String& Get(int32_t Index) const;
  const String& operator[](int32_t Index) const { return Get(Index); }
  // Replacing a string raises on a sorted list.
  void Put(int32_t Index, StringView S);
  THtObject* GetObject(int32_t Index) const;
  void PutObject(int32_t Index, THtObject* AObject);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);  // sorts when set
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);  // re-sorts a sorted list
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

  // On a sorted list: inserted at the insertion point that Find gives (before
  // equal strings); an existing string gives its index under dupIgnore and
  // raises under dupError.
  int32_t Add(StringView S) { return AddObject(S, nullptr); }
  int32_t AddObject(StringView S, THtObject* AObject);
  // Raises on a sorted list.
  void Insert(int32_t Index, StringView S) { InsertObject(Index, S, nullptr); }
  void InsertObject(int32_t Index, StringView S, THtObject* AObject);
  void Delete(int32_t Index);
  void Clear();
  int32_t IndexOf(StringView S) const;
  void Sort();

  // Ordinal comparison when CaseSensitive, else comparison with ASCII A-Z
  // folded to lower case.
  virtual int CompareStrings(StringView S1, StringView S2) const;
  // Bisection with CompareStrings; on a hit Index is the first equal string,
  // on a miss the insertion point.
  virtual bool Find(StringView S, int32_t& Index) const;
  // Bisection comparing ordinally whatever CaseSensitive says; on a hit Index
  // is the probe that matched (not necessarily the first equal string); on a
  // miss Index is left untouched.
  bool FindPChar(const char16_t* P, int32_t Len, int32_t& Index) const;

  // Frees every object, sets each to nil, then clears the list.
  void FreeListObjects();

  const TStringItem* List() const { return FList.data(); }

 private:
  void checkIndex(int32_t Index) const;

  std::vector<TStringItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
};

}  // namespace ht
