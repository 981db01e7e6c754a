#include "markup/object_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace ht {
namespace {

// An object that records its own destruction in a shared log.
class Tracked : public THtObject {
 public:
  Tracked(int id, std::vector<int>* log) : Id(id), log_(log) {}
  ~Tracked() override { log_->push_back(Id); }
  int Id;

 private:
  std::vector<int>* log_;
};

template <class E, class F>
std::string messageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "<no exception>";
}

// ---------------------------------------------------------------------------
// THtObjectList

TEST(ObjectList, OwningListFreesWhatLeavesExceptExtracted) {
  std::vector<int> freed;
  {
    THtObjectListOf<Tracked> list(true);
    Tracked* items[6];
    for (int i = 0; i < 6; ++i) list.Add(items[i] = new Tracked(i, &freed));
    list.Delete(1);                           // frees 1
    EXPECT_EQ(list.Remove(items[2]), 1);      // frees 2
    EXPECT_EQ(list.Extract(items[3]), items[3]);
    EXPECT_EQ(list.Extract(items[3]), nullptr);
    list.Put(0, new Tracked(9, &freed));      // frees 0
    EXPECT_EQ(freed, (std::vector<int>{1, 2, 0}));
    delete items[3];                          // extracted: ours to free
    freed.clear();
    list.Add(new Tracked(7, &freed));
    list.Clear();                             // index order: 9, 4, 5, 7
    EXPECT_EQ(freed, (std::vector<int>{9, 4, 5, 7}));
    EXPECT_EQ(list.Count(), 0);
    list.Add(new Tracked(8, &freed));
  }
  EXPECT_EQ(freed.back(), 8);  // the destructor frees what is left
}

TEST(ObjectList, NonOwningListFreesNothing) {
  std::vector<int> freed;
  Tracked a(1, &freed), b(2, &freed);
  {
    THtObjectList list(false);
    list.Add(&a);
    list.Add(&b);
    list.Delete(0);
    list.Put(0, &a);
    list.Clear();
    list.Add(&b);
  }
  EXPECT_TRUE(freed.empty());
}

TEST(ObjectList, BadIndexRaisesListError) {
  THtObjectList list(false);
  THtObject a;
  list.Add(&a);
  EXPECT_EQ(messageOf<EListError>([&] { list.Get(1); }), "List index out of bounds (1)");
  EXPECT_EQ(messageOf<EListError>([&] { list.Get(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(messageOf<EListError>([&] { list.Delete(5); }), "List index out of bounds (5)");
  EXPECT_EQ(messageOf<EListError>([&] { list.Insert(2, &a); }), "List index out of bounds (2)");
  EXPECT_EQ(messageOf<EListError>([&] { list.Exchange(0, 3); }), "List index out of bounds (3)");
  THtObjectList empty(false);
  EXPECT_EQ(messageOf<EListError>([&] { empty.Last(); }), "List index out of bounds (-1)");
  EXPECT_EQ(list.Count(), 1);
}

TEST(ObjectList, TypedListIteratesSortsAndMoves) {
  std::vector<int> freed;
  THtObjectListOf<Tracked> list(true);
  for (int id : {3, 1, 2, 1}) list.Add(new Tracked(id, &freed));
  Tracked* firstOne = list[1];
  list.Sort([](const Tracked* a, const Tracked* b) { return a->Id - b->Id; });
  std::vector<int> ids;
  for (Tracked* t : list) ids.push_back(t->Id);
  EXPECT_EQ(ids, (std::vector<int>{1, 1, 2, 3}));
  EXPECT_EQ(list.First(), firstOne);  // stable
  list.Move(3, 0);
  list.Exchange(1, 2);
  EXPECT_EQ(list.First()->Id, 3);
  EXPECT_EQ(list.IndexOf(firstOne), 2);
  EXPECT_TRUE(freed.empty());
}

// ---------------------------------------------------------------------------
// TIDList

std::vector<int32_t> idsOf(const TIDList& list) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < list.Count(); ++i) ids.push_back(list.Get(i));
  return ids;
}

TEST(IDList, NewListIsSortedAndKeepsEqualIdsInAddOrder) {
  TIDList list;
  EXPECT_TRUE(list.Sorted());
  EXPECT_EQ(list.Duplicates(), dupIgnore);
  int first5 = 0, second5 = 0;
  EXPECT_EQ(list.AddObject(5, &first5), 0);
  EXPECT_EQ(list.Add(3), 0);
  EXPECT_EQ(list.AddObject(5, &second5), 2);
  EXPECT_EQ(list.Add(1), 0);
  EXPECT_EQ(idsOf(list), (std::vector<int32_t>{1, 3, 5, 5}));
  EXPECT_EQ(list.GetObject(2), &first5);
  EXPECT_EQ(list.GetObject(3), &second5);
  EXPECT_EQ(list.GetTag(3), 0u);
  // An equal ID in the middle goes after all its equals.
  list.Add(4);
  list.Add(4);
  EXPECT_EQ(list.AddObject(4, &first5), 4);
  EXPECT_EQ(list.AddObject(3, &second5), 2);
  EXPECT_EQ(idsOf(list), (std::vector<int32_t>{1, 3, 3, 4, 4, 4, 5, 5}));
  EXPECT_EQ(list.IndexOfObject(&second5), 2);
  EXPECT_EQ(list.IndexOf(6), -1);
  EXPECT_EQ(list.IndexOf(4), 3);
}

TEST(IDList, FindReportsFirstEqualOrInsertionPoint) {
  TIDList list;
  for (int32_t id : {1, 3, 3, 3, 7}) list.Add(id);
  struct Case {
    int32_t id;
    bool found;
    int32_t index;
  };
  for (const Case& c : {Case{3, true, 1}, Case{4, false, 4}, Case{0, false, 0}, Case{8, false, 5},
                        Case{7, true, 4}, Case{1, true, 0}}) {
    int32_t index = -99;
    EXPECT_EQ(list.Find(c.id, index), c.found) << c.id;
    EXPECT_EQ(index, c.index) << c.id;
  }
  TIDList empty;
  int32_t index = -99;
  EXPECT_FALSE(empty.Find(3, index));
  EXPECT_EQ(index, 0);
}

TEST(IDList, SignedAddUnsignedSortAndFindCardinal) {
  TIDList list;
  list.SetSorted(false);
  int objects[4];
  int32_t ids[] = {5, -1, 0, int32_t(0x80000000)};
  for (int i = 0; i < 4; ++i) {
    list.AddObject(ids[i], &objects[i]);
    list.PutTag(i, uint32_t(100 + i));
  }
  list.SetSorted(true);  // sorts unsigned: 0, 5, 0x80000000, -1
  EXPECT_EQ(idsOf(list), (std::vector<int32_t>{0, 5, int32_t(0x80000000), -1}));
  EXPECT_EQ(list.GetObject(3), &objects[1]);
  EXPECT_EQ(list.GetTag(3), 101u);  // the tag travels with its item
  int32_t index = -99;
  EXPECT_TRUE(list.FindCardinal(0xFFFFFFFFu, index));
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(list.FindCardinal(6, index));
  EXPECT_EQ(index, 2);
}

TEST(IDList, ErrorsCarryFixedTextsAndLeaveListUnchanged) {
  TIDList sorted;
  TIDList unsorted;
  unsorted.SetSorted(false);
  unsorted.Add(7);
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* message;
  };
  const Case cases[] = {
      {"Put on sorted, index missing", [&] { sorted.Put(0, 9); }, "SSortedListError"},
      {"Insert on sorted", [&] { sorted.Insert(0, 9); }, "SSortedListError"},
      {"Get empty", [&] { sorted.Get(0); }, "SListIndexError"},
      {"GetObject", [&] { sorted.GetObject(-1); }, "SListIndexError"},
      {"PutObject", [&] { unsorted.PutObject(1, nullptr); }, "SListIndexError"},
      {"Delete", [&] { unsorted.Delete(1); }, "SListIndexError"},
      {"Put bad index", [&] { unsorted.Put(1, 3); }, "SListIndexError"},
      {"Insert past end", [&] { unsorted.Insert(2, 3); }, "SListIndexError"},
      {"Exchange bad index", [&] { unsorted.Exchange(0, 1); }, "SListIndexError"},
  };
  for (const Case& c : cases) EXPECT_EQ(messageOf<EStringListError>(c.call), c.message) << c.what;

  sorted.Add(1);
  sorted.Add(2);
  EXPECT_EQ(messageOf<EStringListError>([&] { sorted.Exchange(0, 1); }), "SSortedListError");
  sorted.SetDuplicates(dupError);
  EXPECT_EQ(messageOf<EStringListError>([&] { sorted.Add(2); }), "SDuplicateString");
  EXPECT_EQ(messageOf<EStringListError>([&] { sorted.Add(1); }), "SDuplicateString");
  EXPECT_EQ(idsOf(sorted), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(idsOf(unsorted), (std::vector<int32_t>{7}));
  unsorted.Insert(1, 3);
  unsorted.Exchange(0, 1);
  unsorted.Put(0, 4);
  EXPECT_EQ(idsOf(unsorted), (std::vector<int32_t>{4, 7}));
}

TEST(IDList, GrowthStepsAndClearKeepsMemory) {
  TIDList list;
  std::vector<int32_t> capacities;
  for (int32_t i = 0; i < 100; ++i) {
    list.Add(i);
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  const TIDItem* memory = list.List();
  list.Clear();
  list.Add(3);
  EXPECT_EQ(list.Capacity(), 118);
  EXPECT_EQ(list.List(), memory);
  EXPECT_EQ(TIDList(10).Capacity(), 10);
}

TEST(IDList, FreeObjectsFreesEveryObjectInIndexOrder) {
  std::vector<int> freed;
  TIDList list;
  list.AddObject(2, new Tracked(2, &freed));
  list.AddObject(1, new Tracked(1, &freed));
  list.FreeObjects<Tracked>();
  list.Clear();
  EXPECT_EQ(freed, (std::vector<int>{1, 2}));
}

// ---------------------------------------------------------------------------
// TFastStringList

std::vector<std::u16string> stringsOf(const TFastStringList& list) {
  std::vector<std::u16string> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

TEST(FastStringList, CaseInsensitiveFindGivesFirstEqualButFindPCharIsOrdinal) {
  TFastStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  for (const char16_t* s : {u"width", u"Opacity", u"color", u"OPACITY", u"z"}) list.Add(s);
  EXPECT_EQ(stringsOf(list), (std::vector<std::u16string>{u"color", u"OPACITY", u"Opacity", u"width", u"z"}));
  int32_t index = -1;
  EXPECT_TRUE(list.Find(u"opacity", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find(u"opacityx", index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list.IndexOf(u"WIDTH"), 3);

  const std::u16string probe = u"opacity";
  index = -7;
  EXPECT_FALSE(list.FindPChar(probe.data(), int32_t(probe.size()), index));
  EXPECT_EQ(index, -7);  // untouched on a miss
  const std::u16string exact = u"Opacity!";
  EXPECT_TRUE(list.FindPChar(exact.data(), 7, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.FindPChar(exact.data(), 8, index));
}

TEST(FastStringList, DuplicatesPolicyAndCaseSensitivity) {
  TFastStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add(u"b"), 0);
  EXPECT_EQ(list.Add(u"a"), 0);
  EXPECT_EQ(list.Add(u"B"), 1);  // dupIgnore: the existing index
  EXPECT_EQ(list.Count(), 2);
  list.SetDuplicates(dupError);
  EXPECT_EQ(messageOf<EStringListError>([&] { list.Add(u"A"); }), "String list does not allow duplicates");
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.Add(u"B"), 0);  // ordinal: "B" < "a" < "b"
  EXPECT_EQ(stringsOf(list), (std::vector<std::u16string>{u"B", u"a", u"b"}));
  EXPECT_EQ(messageOf<EStringListError>([&] { list.Insert(0, u"x"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(messageOf<EListError>([&] { list.Get(3); }), "List index out of bounds (3)");
  EXPECT_EQ(messageOf<EListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
}

TEST(FastStringList, OwnedObjectsAreFreedOnlyByDestructorOrFreeListObjects) {
  std::vector<int> freed;
  auto* kept = new Tracked(1, &freed);
  {
    TFastStringList list;
    list.OwnsObjects = true;
    list.AddObject(u"one", kept);
    list.AddObject(u"two", new Tracked(2, &freed));
    list.AddObject(u"three", new Tracked(3, &freed));
    list.Delete(0);  // not freed by Delete
    EXPECT_TRUE(freed.empty());
  }
  EXPECT_EQ(freed, (std::vector<int>{2, 3}));
  delete kept;
  TFastStringList list;
  list.AddObject(u"x", new Tracked(4, &freed));
  list.FreeListObjects();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(freed.back(), 4);
}

}  // namespace
}  // namespace ht
