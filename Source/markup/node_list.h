#pragma once
// THtNodeList, the one list type of the node tree, in two roles:
// - a children list (owning): the Nodes list of a node. It frees its nodes
//   and keeps their next-sibling links in list order at every change;
// - a query result (not owning): nodes found by look-ups, XPath or selector
//   queries. It never touches sibling links, and offers jQuery-like set
//   operations that work on the nodes in list order and return the list so
//   calls chain.
// A query result may be reference counted and handed out as IHtNodeList,
// which frees it with its last reference.
#include <atomic>
#include <cstdint>

#include "markup/node_pool.h"
#include "markup/node.h"
#include "markup/object_list.h"
#include "platform/rtl/rtl_errors.h"

namespace ht {

// A counter that moves on every change to any children list (and on
// NoteTreeChange). Work cached against a node tree stays valid while it is
// unchanged; it starts at 1, so a stored 0 never matches.
uint64_t TreeChangeStamp();
void NoteTreeChange();
// A counter that moves only when a children list changes (a node added,
// removed or moved), unlike TreeChangeStamp, which layout passes move too.
uint64_t ChildListChangeStamp();

enum THtSortCompareType { scCaseSensitive, scCaseInsensitive, scFloat, scDate };

class THtNodeList : public THtObjectListOf<THtNode> {
 public:
  HT_NODE_POOL_OPERATORS
  explicit THtNodeList(bool AOwnsObjects, bool AIsRefCounted = false);
  // A list must not be destroyed while interface references remain; Free
  // checks that, the destructor only asserts it.
  ~THtNodeList() override;

  // Raises EInvalidPointer (message: the class name) when RefCount is not 0.
  void BeforeDestruction() const;
  // BeforeDestruction, then deletes the list.
  void Free();

  int RefCount() const { return FRefCount.load(); }
  bool IsRefCounted() const { return FIsRefCounted; }
  // Without reference counting both answer 0 and count nothing; _Release
  // frees the list when the count reaches 0.
  int _AddRef();
  int _Release();

  // --- Owning-list operations that keep the sibling links ------------------
  // These hide the base list's operations of the same names; change a
  // children list only through a THtNodeList, never through its base.
  int32_t Add(THtNode* Node);
  THtNode* AddNode(THtNode* Node) { Add(Node); return Node; }
  void Insert(int32_t Index, THtNode* Item);
  void Delete(int32_t Index);
  // Takes Item out without freeing it; its index, or -1 when absent.
  int32_t RemoveItem(THtNode* Item);
  THtNode* Extract(THtNode* Item);
  void Exchange(int32_t Index1, int32_t Index2);
  void Move(int32_t CurIndex, int32_t NewIndex);
  void Put(int32_t Index, THtNode* Item);

  // The list's own stable sort would leave the sibling links behind.
  template <class Compare>
  void Sort(Compare) = delete;

  THtNode* GetNode(int32_t Index) const { return Get(Index); }
  THtNode* Nodes(int32_t Index) const { return Get(Index); }
  int32_t GetCount() const { return Count(); }

  // --- Set operations (query results) ----------------------------------------
  // Nil entries are passed over. Operations that replace the set (Parent,
  // Children, SetText, Append, Remove) raise EListError on an owning list,
  // whose nodes they would free.
  THtNodeList& SetAttr(StringView Name, StringView Value);
  THtNodeList& Attribute(StringView Name, StringView Value) { return SetAttr(Name, Value); }
  THtNodeList& on(StringView EventName, StringView Func);
  // The values joined with ","; empty values before the first non-empty one
  // leave no separator.
  String GetAttr(StringView Name) const;
  THtNodeList& SetCSS(StringView Name, StringView Value);
  THtNodeList& Style(StringView StyleName, StringView StyleValue) { return SetCSS(StyleName, StyleValue); }
  String GetCSS(StringView Name) const;
  THtNodeList& AddClass(StringView ClassName);
  THtNodeList& RemoveClass(StringView ClassName);
  THtNodeList& ToggleClass(StringView ClassName);
  // InnerHTML of the first node; empty for an empty list.
  String GetHTML() const;
  THtNodeList& SetHTML(StringView Value);
  // InnerText of every node, concatenated.
  String GetText() const;
  // Each node gets a new text child; the set becomes those text nodes.
  THtNodeList& SetText(StringView Value);
  // Each node gets a new child element; the set becomes those elements.
  THtNodeList& Append(StringView Tag);
  THtNodeList& Each(THtScriptFunction* Func);
  // Keep only the first / the last item.
  THtNodeList& First();
  THtNodeList& Last();
  // Each node replaced by its parent; nodes without parent are dropped.
  THtNodeList& Parent();
  // The children of every node, in list order.
  THtNodeList& Children();
  // Deletes every node from its parent (freeing it), from the last one on.
  // Nodes freed along with an earlier one (duplicates, descendants) are
  // skipped.
  THtNodeList& Remove();

  // AttrName is a comma-separated list of keys; "^" before a key reverses
  // its direction. Not stable.
  THtNodeList& SortbyAttr(StringView AttrName, THtSortCompareType Compare, bool Asc);
  // Orders by CallScriptCompare; Asc has no effect. Swapped siblings are
  // exchanged in their parent's children list as well.
  THtNodeList& SortElements(THtScriptFunction* Compare, bool Asc);

 private:
  void relink(int32_t From, int32_t To);
  void relinkAll();
  void requireQueryResult() const;
  template <class Less>
  void quickSort(int32_t Lo, int32_t Hi, const Less& compare, bool swapInParents);

  // The flag first: it fills the base list's tail padding.
  bool FIsRefCounted;
  std::atomic<int> FRefCount{0};
};

// An interface reference to a node list: takes a reference on the list while
// held (when the list is reference counted) and releases it when dropped.
class IHtNodeList {
 public:
  IHtNodeList() = default;
  IHtNodeList(THtNodeList* List) : FList(List) { if (FList) FList->_AddRef(); }
  IHtNodeList(THtNodeList& List) : IHtNodeList(&List) {}
  IHtNodeList(const IHtNodeList& Other) : IHtNodeList(Other.FList) {}
  IHtNodeList(IHtNodeList&& Other) noexcept : FList(Other.FList) { Other.FList = nullptr; }
  IHtNodeList& operator=(IHtNodeList Other) noexcept {
    std::swap(FList, Other.FList);
    return *this;
  }
  ~IHtNodeList() { if (FList) FList->_Release(); }

  THtNodeList* get() const { return FList; }
  THtNodeList* operator->() const { return FList; }
  THtNodeList& operator*() const { return *FList; }
  explicit operator bool() const { return FList != nullptr; }

 private:
  THtNodeList* FList = nullptr;
};

}  // namespace ht
