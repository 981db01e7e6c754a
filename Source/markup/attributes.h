#pragma once
// The attribute set of a node: a small array of (name, value) pairs kept
// sorted by name and searched by bisection. Nodes carry few attributes, so
// the array grows one entry at a time.
//
// Sort order: by the first UTF-16 unit, then by the whole name. In a
// case-insensitive set (HTML) both steps fold ASCII A-Z to a-z and stored
// names are lower-cased; in a case-sensitive set (XML, HTML parsed
// case-sensitively) both steps are ordinal and names are stored as given.
#include <memory>
#include <unordered_map>
#include <vector>

#include "markup/node_pool.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

struct THtAttribute {
  String Name;
  String Value;
};

class THtAttributes : public THtObject {
 public:
  HT_NODE_POOL_OPERATORS
  explicit THtAttributes(bool ACaseSensitive = false) : CaseSensitive(ACaseSensitive) {}

  bool CaseSensitive;

 private:
  bool FInBulk = false;  // between BeginBulk and EndBulk

 public:
  // Entries [0, Count) are in use and sorted; List.size() is the capacity.
  // The array comes from the node pool, like the set itself.
  int Count = 0;
  std::vector<THtAttribute, TNodePoolAllocator<THtAttribute>> List;

  // Bisection. Found: Index is the match. Not found: Index is the insertion
  // place. An empty set or an empty name answers false with Index 0.
  bool Find(StringView AttrName, int& Index) const;
  int Indexof(StringView AttrName) const;
  // The value, or an empty string when absent. The reference stays valid
  // until the set is changed.
  const String& GetAttribute(StringView Name) const;

  // Direct access; the index is the caller's responsibility.
  const String& GetName(int Index) const { return List[size_t(Index)].Name; }
  const String& GetValue(int Index) const { return List[size_t(Index)].Value; }
  void SetValue(int Index, StringView Value) { List[size_t(Index)].Value = String(Value); }
  THtAttribute& GetItem(int Index) { return List[size_t(Index)]; }
  THtAttribute& operator[](int Index) { return List[size_t(Index)]; }

  // Inserts at the place Find gives without looking for an equal name, so a
  // duplicate lands before the existing entry.
  void Add(StringView AttrName, StringView AttrValue);
  // Replaces the value of an existing attribute, else inserts. Answers
  // whether anything changed.
  bool SetAttribute(StringView Name, StringView Value);
  // Removes the named attribute; nothing when absent.
  void ClearAttr(StringView Name);
  // Forgets every entry and keeps the array.
  void Clear() {
    Count = 0;
    FInBulk = false;
    FBulk.reset();
  }

  // Bulk filling for a reader that meets each name once or replaces it
  // (the HTML parser): between BeginBulk and EndBulk new names are appended
  // and found by a scan (a hash index once the set grows past a few
  // entries), and EndBulk sorts once, so a tag with very many attributes is
  // read in n log n rather than n squared. Only Find, Indexof, GetAttribute,
  // Add and SetAttribute may be used meanwhile.
  void BeginBulk();
  void EndBulk();
  bool InBulk() const { return FInBulk; }

  // Inserts (Name, Value) at Index, lower-casing the stored name unless the
  // set is case-sensitive.
  void InsertAt(int Index, StringView Name, StringView Value);

 private:
  String bulkKey(StringView Name) const;
  // The entry of Name in bulk mode (the first of equal names), or -1.
  int bulkFind(StringView Name) const;
  void makeBulkIndex();
  // The hash index of a bulk fill, made once the set outgrows a scan.
  std::unique_ptr<std::unordered_map<String, int>> FBulk;
};

}  // namespace ht
