#pragma once
// The engine's hash tables: open addressing with linear probing kept in Robin
// Hood order, power-of-two capacities, a 32-bit key per slot and no removal
// of single entries. Two families:
//
// - integer-keyed tables (THtIdObjectDictionary, THtIdPointerDictionary): the
//   slot key is an id chosen by the caller;
// - string-keyed tables (THtObjectDictionary, THtPointerDictionary,
//   THtStringList): the slot key is the 32-bit hash of a string that is not
//   copied into the table. It is read from the stored object or record itself
//   through a key function fixed at creation (see KeyField / RecordKeyField),
//   at every comparison, so a stored entry must not change its key while it
//   is in a table.
//
// Enumeration is in slot order, which follows the hashes and the probing
// exactly as implemented here; output that enumerates a table depends on it,
// so the hash functions, home slots and the resize walk must not change.
//
// Slots: an empty slot holds its own index as key; there is no other
// occupancy flag. The home slot of key k is (k + 1) & mask. Tables don't lock.
#include <cstdint>
#include <memory>

#include "platform/rtl/exception.h"
#include "platform/rtl/object.h"
#include "platform/rtl/rtl_errors.h"
#include "platform/rtl/string.h"

namespace ht {

// Hash over UTF-16 code units (unsigned 16-bit), 32-bit wrap-around
// arithmetic; both give 0 for an empty string and neither folds case.
using THtHashFunc = int32_t (*)(const char16_t* P, int32_t Len);
int32_t HtDefaultHash(const char16_t* P, int32_t Len);
int32_t HtTagHash(const char16_t* P, int32_t Len);
// HtTagHash at compile time, for tables of known names.
constexpr int32_t HtTagHashOf(StringView S) {
  uint32_t h = 0, a = 63689;
  for (char16_t c : S) {
    h = h * a + uint32_t(uint16_t(c));
    a *= 378551u;
  }
  return int32_t(h);
}

// The least power of two, at least 4, whose load limit (three quarters, or
// seven eighths once Count is above 100000) exceeds max(Requested, Count);
// at most 2^30. Requested above 2^30 raises EOutOfMemory.
int32_t HtDictionaryCapacity(int32_t Requested, int32_t Count);

// One slot: the key and the value, each naturally aligned, so a stored
// pointer can be read (and found by leak checkers) where it lies. Read slots
// by value; the layout is no interface.
template <class TData>
struct THtDictionaryItem {
  int32_t Key;
  TData Data;
};
using THtPointerDictionaryItem = THtDictionaryItem<void*>;
using THtObjectDictionaryItem = THtDictionaryItem<THtObject*>;

// Reads the key string of a stored object / record.
using THtObjectKeyFunc = StringView (*)(const THtObject* AObject);
using THtRecordKeyFunc = StringView (*)(const void* ARecord);

namespace dictionary_detail {
template <class>
struct MemberOf;
template <class C, class M>
struct MemberOf<M C::*> {
  using Class = C;
};
}  // namespace dictionary_detail

// Key function reading a string field (String, StringView or a
// zero-terminated const char16_t*) of a class derived from THtObject:
//   THtObjectDictionary d(16, true, KeyField<&TMyItem::Name>);
template <auto Field>
StringView KeyField(const THtObject* AObject) {
  using C = typename dictionary_detail::MemberOf<decltype(Field)>::Class;
  return StringView(static_cast<const C*>(AObject)->*Field);
}

// The same for the records that the pointer tables point at.
template <auto Field>
StringView RecordKeyField(const void* ARecord) {
  using C = typename dictionary_detail::MemberOf<decltype(Field)>::Class;
  return StringView(static_cast<const C*>(ARecord)->*Field);
}

// The slot array and the probing shared by both families.
template <class TData>
class THtDictionaryCore : public THtObject {
 public:
  using TItem = THtDictionaryItem<TData>;

  THtDictionaryCore(const THtDictionaryCore&) = delete;
  THtDictionaryCore& operator=(const THtDictionaryCore&) = delete;

  int32_t Count() const { return FCount; }
  int32_t Capacity() const { return FMask + 1; }
  int32_t GrowLimit() const { return FGrowLimit; }
  // The slot array (Capacity() slots), for reading a slot found by a look-up.
  const TItem* Items() const { return FItems.get(); }
  bool IsEmptySlot(int32_t Slot) const { return FItems[Slot].Key == Slot; }

  // Resizes and rehashes to HtDictionaryCapacity(ACapacity, Count()); a
  // non-empty table never shrinks.
  void SetCapacity(int32_t ACapacity);

 protected:
  THtDictionaryCore() = default;

  // The slot holding key k for which match(Data) holds, or the complement of
  // the slot where k would be inserted. Stops at an empty slot or at an entry
  // nearer its home than k would be (Robin Hood early exit).
  template <class Match>
  int32_t Probe(int32_t k, Match match) const {
    const uint32_t mask = uint32_t(FMask);
    const TItem* items = FItems.get();
    uint32_t s = uint32_t(k);
    uint32_t i = 0;
    for (;;) {
      s = (s + 1) & mask;
      int32_t r = items[s].Key;
      ++i;
      if (((s - uint32_t(r)) & mask) < i) return ~int32_t(s);
      if (r == k && match(items[s].Data)) return int32_t(s);
    }
  }

  // Grows the table when the count has reached the grow limit; called before
  // the look-up of every insertion.
  void GrowIfFull();
  // Stores a new entry at Slot (the complement of a failed Probe), moving the
  // run that starts there up by one slot.
  int32_t InsertAt(int32_t Slot, int32_t Key, TData Data);
  // Marks every slot empty, or rebuilds the array when ACapacity gives
  // another capacity. FCount must already be 0.
  void ResetSlots(int32_t ACapacity);

  std::unique_ptr<TItem[]> FItems;
  int32_t FCount = 0;
  int32_t FGrowLimit = 0;
  int32_t FMask = -1;
};

extern template class THtDictionaryCore<void*>;
extern template class THtDictionaryCore<THtObject*>;

// ---------------------------------------------------------------------------
// Object tables

// Base of the object tables; frees stored objects on replacement, Clear and
// destruction when owning.
class THtIdObjectDictionary : public THtDictionaryCore<THtObject*> {
 public:
  THtIdObjectDictionary(int32_t ACapacity, bool AOwnsObjects);
  ~THtIdObjectDictionary() override;

  bool OwnsObjects() const { return FOwnsObjects; }
  // Removes every entry (freeing the objects when owning).
  void Clear(int32_t ACapacity = 0);
  // Enumeration step: the value of the first occupied slot at or after
  // Position, with Position moved past it; nullptr (and Position = Capacity())
  // at the end. Start at 0.
  THtObject* NextObject(int32_t& Position) const;

 protected:
  bool FOwnsObjects;
};

// String-keyed object table; the key string is read from each stored object.
class THtObjectDictionary : public THtIdObjectDictionary {
 public:
  // A nil hash function means HtDefaultHash.
  THtObjectDictionary(int32_t ACapacity, bool AOwnsObjects, THtObjectKeyFunc AKeyFunc,
                      THtHashFunc AHashFunc = nullptr);

  THtHashFunc HashFunc() const { return FHashFunc; }
  int32_t Hash(StringView Key) const { return FHashFunc(Key.data(), int32_t(Key.size())); }

  // Writes AObject only when found.
  bool TryGetValue(StringView Key, THtObject*& AObject) const;
  template <class T>
  bool TryGetValue(StringView Key, T*& AObject) const {
    THtObject* found;
    if (!TryGetValue(Key, found)) return false;
    AObject = static_cast<T*>(found);
    return true;
  }
  // The slot holding Key (with the table's hash Hash), or the complement of
  // its insertion slot.
  int32_t IndexOfKey(int32_t Hash, StringView Key) const;
  int32_t IndexOfChars(int32_t Hash, const char16_t* P, int32_t Len) const;
  // Inserts or replaces; returns the slot used.
  int32_t AddWithHash(int32_t Hash, StringView Key, THtObject* AObject);
  int32_t Add(StringView Key, THtObject* AObject);
  // Adds AObject under its own key; returns AObject.
  THtObject* AddObject(THtObject* AObject);
  template <class T>
  T* AddObject(T* AObject) {
    AddObject(static_cast<THtObject*>(AObject));
    return AObject;
  }

 protected:
  THtHashFunc FHashFunc;
  THtObjectKeyFunc FKeyFunc;
};

// ---------------------------------------------------------------------------
// Pointer tables (never own what they store)

class THtIdPointerDictionary : public THtDictionaryCore<void*> {
 public:
  explicit THtIdPointerDictionary(int32_t ACapacity);

  void Clear(int32_t ACapacity = 0);
  // The slot of Id, or the complement of its insertion slot; read the value
  // from Items()[slot].Data.
  int32_t IndexOf(int32_t Id) const;
  // Inserts or replaces; returns the slot used.
  int32_t Add(int32_t Id, void* Value);
};

// String-keyed pointer table; the key string is read from each pointed-to
// record.
class THtPointerDictionary : public THtIdPointerDictionary {
 public:
  // A nil hash function means HtDefaultHash.
  THtPointerDictionary(int32_t ACapacity, THtRecordKeyFunc AKeyFunc, THtHashFunc AHashFunc = nullptr);

  THtHashFunc HashFunc() const { return FHashFunc; }
  int32_t Hash(StringView Key) const { return FHashFunc(Key.data(), int32_t(Key.size())); }

  // Value is written only when found.
  bool TryGetValue(StringView Key, void*& Value) const;
  bool TryGetChars(const char16_t* P, int32_t Len, void*& Value) const;
  template <class T>
  bool TryGetValue(StringView Key, T*& Value) const {
    void* found;
    if (!TryGetValue(Key, found)) return false;
    Value = static_cast<T*>(found);
    return true;
  }
  template <class T>
  bool TryGetChars(const char16_t* P, int32_t Len, T*& Value) const {
    void* found;
    if (!TryGetChars(P, Len, found)) return false;
    Value = static_cast<T*>(found);
    return true;
  }
  int32_t IndexOfKey(int32_t Hash, StringView Key) const;
  int32_t IndexOfChars(int32_t Hash, const char16_t* P, int32_t Len) const;
  // Hash must come from the table's hash function. Inserts or replaces.
  int32_t Add(int32_t Hash, StringView Key, void* Value);

 protected:
  THtHashFunc FHashFunc;
  THtRecordKeyFunc FKeyFunc;
};

// ---------------------------------------------------------------------------
// Name list

// A name with an object that the pair does not own.
class THtNameObjectPair : public THtObject {
 public:
  THtNameObjectPair(StringView AName, THtObject* AObj) : Name(AName), Obj(AObj) {}
  String Name;
  THtObject* Obj;
};

// An owning table of THtNameObjectPair keyed by Name with HtDefaultHash.
class THtStringList : public THtObjectDictionary {
 public:
  explicit THtStringList(int32_t ACapacity);

  // Stores a new pair; a pair already stored under Name is freed (its object
  // is left alone). Returns the slot used.
  int32_t Add(StringView Name, THtObject* AObject);
  bool Contains(StringView Name) const;
};

}  // namespace ht
