#include "markup/node_list.h"

#include <cassert>
#include <unordered_set>
#include <utility>
#include <vector>

#include "markup/date_utils.h"
#include "markup/str_utils.h"

namespace ht {

namespace {
std::atomic<uint64_t> treeChanges{1};
std::atomic<uint64_t> childListChanges{1};
}  // namespace

uint64_t TreeChangeStamp() { return treeChanges.load(std::memory_order_relaxed); }
void NoteTreeChange() { treeChanges.fetch_add(1, std::memory_order_relaxed); }
uint64_t ChildListChangeStamp() { return childListChanges.load(std::memory_order_relaxed); }

THtNodeList::THtNodeList(bool AOwnsObjects, bool AIsRefCounted)
    : THtObjectListOf<THtNode>(AOwnsObjects), FIsRefCounted(AIsRefCounted) {}

THtNodeList::~THtNodeList() { assert(FRefCount.load() == 0); }

void THtNodeList::BeforeDestruction() const {
  if (FRefCount.load() != 0) throw EInvalidPointer(u"THtNodeList");
}

void THtNodeList::Free() {
  BeforeDestruction();
  delete this;
}

int THtNodeList::_AddRef() {
  if (!FIsRefCounted) return 0;
  return ++FRefCount;
}

int THtNodeList::_Release() {
  if (!FIsRefCounted) return 0;
  const int count = --FRefCount;
  if (count == 0) delete this;
  return count;
}

// --- Sibling links ------------------------------------------------------------

// Rewrites the links of the entries From-1 .. To so that each points at the
// next entry and the last one at nil. Only an owning list keeps links.
void THtNodeList::relink(int32_t From, int32_t To) {
  if (!OwnsObjects()) return;
  NoteTreeChange();
  childListChanges.fetch_add(1, std::memory_order_relaxed);
  const int32_t n = Count();
  if (From < 1) From = 1;
  if (To > n - 1) To = n - 1;
  THtObject* const* items = List();
  for (int32_t i = From - 1; i <= To; ++i)
    static_cast<THtNode*>(items[i])->FNextSibling =
        i + 1 < n ? static_cast<THtNode*>(items[i + 1]) : nullptr;
}

void THtNodeList::relinkAll() { relink(0, Count() - 1); }

int32_t THtNodeList::Add(THtNode* Node) {
  const int32_t i = THtObjectListOf<THtNode>::Add(Node);
  relink(i, i);
  return i;
}

void THtNodeList::Insert(int32_t Index, THtNode* Item) {
  THtObjectListOf<THtNode>::Insert(Index, Item);
  relink(Index, Index);
}

void THtNodeList::Delete(int32_t Index) {
  THtObjectListOf<THtNode>::Delete(Index);
  relink(Index, Index - 1);
}

int32_t THtNodeList::RemoveItem(THtNode* Item) {
  const int32_t i = IndexOf(Item);
  if (i < 0) return -1;
  THtObjectListOf<THtNode>::Extract(Item);
  if (OwnsObjects()) {
    Item->FNextSibling = nullptr;
    relink(i, i - 1);
  }
  return i;
}

THtNode* THtNodeList::Extract(THtNode* Item) { return RemoveItem(Item) >= 0 ? Item : nullptr; }

void THtNodeList::Exchange(int32_t Index1, int32_t Index2) {
  THtObjectListOf<THtNode>::Exchange(Index1, Index2);
  relink(Index1, Index1);
  relink(Index2, Index2);
}

void THtNodeList::Move(int32_t CurIndex, int32_t NewIndex) {
  THtObjectListOf<THtNode>::Move(CurIndex, NewIndex);
  relink(std::min(CurIndex, NewIndex), std::max(CurIndex, NewIndex));
}

void THtNodeList::Put(int32_t Index, THtNode* Item) {
  THtObjectListOf<THtNode>::Put(Index, Item);
  relink(Index, Index);
}

// --- Set operations -------------------------------------------------------------

namespace {

THtmlNode* asHtml(THtNode* node) { return dynamic_cast<THtmlNode*>(node); }

int compareAsciiFolded(StringView a, StringView b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = AsciiLower(a[i]), cb = AsciiLower(b[i]);
    if (ca != cb) return ca - cb;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int compareOrdinal(StringView a, StringView b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

void THtNodeList::requireQueryResult() const {
  if (OwnsObjects()) throw EListError(u"Operation not allowed on a list that owns its nodes");
}

THtNodeList& THtNodeList::SetAttr(StringView Name, StringView Value) {
  for (THtNode* node : *this)
    if (node) node->SetAttribute(Name, Value);
  return *this;
}

THtNodeList& THtNodeList::on(StringView EventName, StringView Func) {
  return SetAttr(u"on" + String(EventName), Func);
}

String THtNodeList::GetAttr(StringView Name) const {
  String result;
  for (THtNode* node : *this) {
    if (!node) continue;
    const String& value = node->GetAttribute(Name);
    if (result.empty()) {
      result = value;
    } else {
      result += u',';
      result += value;
    }
  }
  return result;
}

THtNodeList& THtNodeList::SetCSS(StringView Name, StringView Value) {
  const String text = String(Name) + u": " + String(Value);
  for (THtNode* node : *this)
    if (THtmlNode* html = asHtml(node)) html->CSS(text);
  return *this;
}

String THtNodeList::GetCSS(StringView) const { return String(); }

THtNodeList& THtNodeList::AddClass(StringView ClassName) {
  for (THtNode* node : *this)
    if (THtmlNode* html = asHtml(node)) html->AddClass(ClassName);
  return *this;
}

THtNodeList& THtNodeList::RemoveClass(StringView ClassName) {
  for (THtNode* node : *this)
    if (THtmlNode* html = asHtml(node)) html->RemoveClass(ClassName);
  return *this;
}

THtNodeList& THtNodeList::ToggleClass(StringView ClassName) {
  for (THtNode* node : *this)
    if (THtmlNode* html = asHtml(node)) html->ToggleClass(ClassName);
  return *this;
}

String THtNodeList::GetHTML() const {
  if (Count() == 0) return String();
  THtmlNode* html = asHtml(Get(0));
  return html ? html->GetInnerHTML() : String();
}

THtNodeList& THtNodeList::SetHTML(StringView Value) {
  for (THtNode* node : *this)
    if (THtmlNode* html = asHtml(node)) html->SetInnerHTML(Value);
  return *this;
}

String THtNodeList::GetText() const {
  String result;
  for (THtNode* node : *this)
    if (THtmlNode* html = asHtml(node)) result += html->GetInnerText();
  return result;
}

THtNodeList& THtNodeList::SetText(StringView Value) {
  requireQueryResult();
  std::vector<THtNode*> created;
  created.reserve(size_t(Count()));
  for (THtNode* node : *this) {
    if (!node) continue;
    THtNode* text = node->AddChild(node->GetElementClass(u"", nullptr));
    text->TagType = htString;
    text->SetContent(Value);
    created.push_back(text);
  }
  Clear();
  for (THtNode* node : created) Add(node);
  return *this;
}

THtNodeList& THtNodeList::Append(StringView Tag) {
  requireQueryResult();
  std::vector<THtNode*> created;
  created.reserve(size_t(Count()));
  for (THtNode* node : *this) {
    if (!node) continue;
    THtNode* child = node->AddChild(node->GetElementClass(Tag, nullptr));
    child->SetTag(Tag);
    created.push_back(child);
  }
  Clear();
  for (THtNode* node : created) Add(node);
  return *this;
}

THtNodeList& THtNodeList::Each(THtScriptFunction* Func) {
  for (THtNode* node : *this)
    if (node) node->CallScriptFunction(Func);
  return *this;
}

THtNodeList& THtNodeList::First() {
  for (int32_t i = Count() - 1; i > 0; --i) Delete(i);
  return *this;
}

THtNodeList& THtNodeList::Last() {
  while (Count() > 1) Delete(0);
  return *this;
}

THtNodeList& THtNodeList::Parent() {
  requireQueryResult();
  std::vector<THtNode*> parents;
  parents.reserve(size_t(Count()));
  for (THtNode* node : *this)
    if (node && node->FParent) parents.push_back(node->FParent);
  Clear();
  for (THtNode* node : parents) Add(node);
  return *this;
}

THtNodeList& THtNodeList::Children() {
  requireQueryResult();
  std::vector<THtNode*> children;
  for (THtNode* node : *this)
    for (int i = 0, n = node ? node->GetCount() : 0; i < n; ++i) children.push_back(node->GetNode(i));
  Clear();
  for (THtNode* node : children) Add(node);
  return *this;
}

THtNodeList& THtNodeList::Remove() {
  requireQueryResult();
  // Decide, while every node is still alive, which entries an earlier
  // deletion frees (duplicates and descendants of a deleted node): the list
  // is worked from its last entry to its first.
  const int32_t n = Count();
  std::vector<char> gone(size_t(n), 0);
  std::unordered_set<const THtNode*> deleted;
  for (int32_t i = n - 1; i >= 0; --i) {
    const THtNode* node = Get(i);
    if (!node) continue;
    bool freed = false;
    for (const THtNode* a = node; a && !freed; a = a->FParent) freed = deleted.count(a) > 0;
    if (freed)
      gone[size_t(i)] = 1;
    else if (node->FParent)
      deleted.insert(node);
  }
  try {
    while (Count() > 0) {
      const int32_t i = Count() - 1;
      // A freed entry is only dropped: not even its type may be looked at.
      THtObject* entry = List()[i];
      THtObjectListOf<THtNode>::Delete(i);
      if (!entry || gone[size_t(i)]) continue;
      THtNode* node = static_cast<THtNode*>(entry);
      if (node->FParent) node->FParent->DeleteChild(node);
    }
  } catch (...) {
    // Drop the entries that are already freed before letting the error out.
    for (int32_t i = Count() - 1; i >= 0; --i)
      if (gone[size_t(i)]) THtObjectListOf<THtNode>::Delete(i);
    throw;
  }
  return *this;
}

// --- Sorting -----------------------------------------------------------------------

// Partition as the classic Hoare scheme with the middle entry as pivot. The
// scans are bounded so that an inconsistent compare function cannot run off
// the list, and the smaller part is sorted recursively to bound the depth;
// neither changes the order a consistent compare function gives.
template <class Less>
void THtNodeList::quickSort(int32_t Lo, int32_t Hi, const Less& compare, bool swapInParents) {
  while (Lo < Hi) {
    int32_t i = Lo, j = Hi;
    THtNode* pivot = Get((Lo + Hi) / 2);
    do {
      while (i < Hi && compare(Get(i), pivot) < 0) ++i;
      while (j > Lo && compare(Get(j), pivot) > 0) --j;
      if (i <= j) {
        if (i != j) {
          THtNode* a = Get(i);
          THtNode* b = Get(j);
          THtObjectListOf<THtNode>::Exchange(i, j);
          if (swapInParents && a && b && a->FParent && a->FParent == b->FParent) {
            THtNodeList* siblings = a->FParent->FNodes.get();
            if (siblings && siblings != this)
              siblings->Exchange(siblings->IndexOf(a), siblings->IndexOf(b));
          }
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - Lo < Hi - i) {
      if (Lo < j) quickSort(Lo, j, compare, swapInParents);
      Lo = i;
    } else {
      if (i < Hi) quickSort(i, Hi, compare, swapInParents);
      Hi = j;
    }
  }
}

THtNodeList& THtNodeList::SortbyAttr(StringView AttrName, THtSortCompareType Compare, bool Asc) {
  struct Key {
    String Name;
    bool Descending;
  };
  std::vector<Key> keys;
  size_t start = 0;
  while (start <= AttrName.size()) {
    size_t comma = AttrName.find(u',', start);
    if (comma == StringView::npos) comma = AttrName.size();
    StringView name = AttrName.substr(start, comma - start);
    bool reverse = !name.empty() && name[0] == u'^';
    if (reverse) name.remove_prefix(1);
    keys.push_back({String(name), Asc == reverse});
    start = comma + 1;
  }
  auto compareValues = [Compare](const String& a, const String& b) -> int {
    switch (Compare) {
      case scCaseSensitive:
        return compareOrdinal(a, b);
      case scCaseInsensitive:
        return compareAsciiFolded(a, b);
      case scFloat: {
        const double x = FastStrToFloat(a), y = FastStrToFloat(b);
        return x < y ? -1 : (x > y ? 1 : 0);
      }
      case scDate: {
        const TDateTime x = a.empty() ? 0 : ParseDateTimeMask(a, u"");
        const TDateTime y = b.empty() ? 0 : ParseDateTimeMask(b, u"");
        return x < y ? -1 : (x > y ? 1 : 0);
      }
    }
    return 0;
  };
  static const String empty;
  auto compare = [&](THtNode* a, THtNode* b) {
    for (const Key& key : keys) {
      int c = compareValues(a ? a->GetAttribute(key.Name) : empty, b ? b->GetAttribute(key.Name) : empty);
      if (c != 0) return key.Descending ? -c : c;
    }
    return 0;
  };
  if (Count() > 1) quickSort(0, Count() - 1, compare, false);
  relinkAll();
  return *this;
}

THtNodeList& THtNodeList::SortElements(THtScriptFunction* Compare, bool) {
  auto compare = [Compare](THtNode* a, THtNode* b) {
    return a && b ? a->CallScriptCompare(Compare, b) : 0;
  };
  if (Count() > 1) quickSort(0, Count() - 1, compare, true);
  relinkAll();
  return *this;
}

}  // namespace ht
