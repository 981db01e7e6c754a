#include "markup/hash_dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ht {
namespace {

// A keyed object that records its destruction.
class Named : public THtObject {
 public:
  Named(std::u16string name, std::vector<std::u16string>* log = nullptr) : Name(std::move(name)), log_(log) {}
  ~Named() override {
    if (log_) log_->push_back(Name);
  }
  std::u16string Name;

 private:
  std::vector<std::u16string>* log_;
};

struct Record {
  const char16_t* Name;
  int Value;
};

int32_t hashOf(StringView s) { return HtDefaultHash(s.data(), int32_t(s.size())); }

// A hash that puts every key at a chosen home slot: the first unit is the
// key (home slot = first unit + 1, masked).
int32_t firstUnitHash(const char16_t* P, int32_t Len) { return Len ? int32_t(P[0]) : 0; }

std::vector<std::u16string> enumerate(const THtIdObjectDictionary& d) {
  std::vector<std::u16string> out;
  int32_t pos = 0;
  while (THtObject* o = d.NextObject(pos)) out.push_back(static_cast<Named*>(o)->Name);
  EXPECT_EQ(pos, d.Capacity());
  return out;
}

// Every entry lies within the run that starts at its home slot, and a run
// keeps its entries in the cyclic order of their home slots.
template <class D>
void expectRobinHoodOrder(const D& d) {
  const uint32_t mask = uint32_t(d.Capacity() - 1);
  int32_t count = 0;
  for (int32_t s = 0; s < d.Capacity(); ++s) {
    if (d.IsEmptySlot(s)) continue;
    ++count;
    const uint32_t dist = (uint32_t(s) - uint32_t(d.Items()[s].Key) - 1) & mask;
    for (uint32_t back = 1; back <= dist; ++back)
      ASSERT_FALSE(d.IsEmptySlot(int32_t((uint32_t(s) - back) & mask))) << "gap before slot " << s;
    const int32_t prev = int32_t((uint32_t(s) - 1) & mask);
    if (!d.IsEmptySlot(prev)) {
      const uint32_t prevDist = (uint32_t(prev) - uint32_t(d.Items()[prev].Key) - 1) & mask;
      ASSERT_LE(dist, prevDist + 1) << "slot " << s;
    }
  }
  EXPECT_EQ(count, d.Count());
}

TEST(HashDictionary, HashFunctionsGiveFixedValues) {
  struct Case {
    std::u16string text;
    uint32_t defaultHash, tagHash;
  };
  const Case cases[] = {
      {u"", 0, 0},
      {u"a", 0x170c96f0, 0x61},
      {u"div", 0x08ecab70, 0x0b0d95b3},
      {u"Opacity", 0x84e6edee, 0x50bc6673},
      {u"\u00e9\U0001F600", 0xbf17e3e5, 0xab881ee4},  // units above 0x7FFF count unsigned
  };
  for (const Case& c : cases) {
    EXPECT_EQ(uint32_t(HtDefaultHash(c.text.data(), int32_t(c.text.size()))), c.defaultHash);
    EXPECT_EQ(uint32_t(HtTagHash(c.text.data(), int32_t(c.text.size()))), c.tagHash);
  }
}

TEST(HashDictionary, CapacityAndGrowLimitPairs) {
  struct Case {
    int32_t requested, capacity, limit;
  };
  for (const Case& c : {Case{0, 4, 3}, Case{1, 4, 3}, Case{-5, 4, 3}, Case{3, 8, 6}, Case{16, 32, 24},
                        Case{127, 256, 192}, Case{256, 512, 384}, Case{2125, 4096, 3072},
                        Case{32001, 65536, 49152}}) {
    THtIdPointerDictionary d(c.requested);
    EXPECT_EQ(d.Capacity(), c.capacity) << c.requested;
    EXPECT_EQ(d.GrowLimit(), c.limit) << c.requested;
  }
  EXPECT_EQ(HtDictionaryCapacity(0x40000000, 0), 0x40000000);
  EXPECT_THROW(HtDictionaryCapacity(0x40000001, 0), EOutOfMemory);

  THtIdPointerDictionary d(0);
  for (int32_t id = 0; id < 3; ++id) d.Add(id * 7, nullptr);
  EXPECT_EQ(d.Capacity(), 4);
  d.Add(1000, nullptr);  // the fourth entry grows the table first
  EXPECT_EQ(d.Capacity(), 8);
  EXPECT_EQ(d.GrowLimit(), 6);
  EXPECT_EQ(d.Count(), 4);
}

TEST(HashDictionary, RobinHoodPlacementAndEnumerationFollowHomeSlots) {
  // Homes (capacity 8): 'a'=97 -> 2, 'b'=98 -> 3, 'i'=105 -> 2, 'g'=103 -> 0, 'o'=111 -> 0.
  THtObjectDictionary d(0, true, KeyField<&Named::Name>, firstUnitHash);
  d.SetCapacity(5);
  ASSERT_EQ(d.Capacity(), 8);
  EXPECT_EQ(d.Add(u"b1", new Named(u"b1")), 3);
  EXPECT_EQ(d.Add(u"a1", new Named(u"a1")), 2);
  EXPECT_EQ(d.Add(u"i1", new Named(u"i1")), 3);  // same home as a1: after it, b1 moves up
  EXPECT_EQ(d.Add(u"g1", new Named(u"g1")), 0);
  EXPECT_EQ(d.Add(u"o1", new Named(u"o1")), 1);
  EXPECT_EQ(enumerate(d), (std::vector<std::u16string>{u"g1", u"o1", u"a1", u"i1", u"b1"}));
  expectRobinHoodOrder(d);
  EXPECT_EQ(d.IndexOfKey(int32_t(u'b'), u"b1"), 4);
  EXPECT_EQ(d.IndexOfKey(int32_t(u'b'), u"b2"), ~5);  // after b1
  EXPECT_EQ(d.IndexOfKey(int32_t(u'a'), u"a2"), ~4);  // after a1 and i1, before b1
  // Equal hashes, different text: both keys live side by side.
  EXPECT_EQ(d.Add(u"a2", new Named(u"a2")), 4);
  Named* found = nullptr;
  ASSERT_TRUE(d.TryGetValue(u"a1", found));
  EXPECT_EQ(found->Name, u"a1");
  ASSERT_TRUE(d.TryGetValue(u"a2", found));
  EXPECT_EQ(found->Name, u"a2");
  EXPECT_EQ(enumerate(d), (std::vector<std::u16string>{u"g1", u"o1", u"a1", u"i1", u"a2", u"b1"}));
}

TEST(HashDictionary, RunsWrapPastTheLastSlot) {
  // Homes (capacity 8): 'f'=102 -> 7, 'v'=118 -> 7, 'g'=103 -> 0.
  THtObjectDictionary d(5, true, KeyField<&Named::Name>, firstUnitHash);
  d.Add(u"g1", new Named(u"g1"));
  d.Add(u"f1", new Named(u"f1"));
  d.Add(u"v1", new Named(u"v1"));  // wraps into slot 0 and pushes g1 to slot 1
  EXPECT_EQ(enumerate(d), (std::vector<std::u16string>{u"v1", u"g1", u"f1"}));
  expectRobinHoodOrder(d);
  THtObject* found = nullptr;
  EXPECT_TRUE(d.TryGetValue(u"g1", found));
  EXPECT_EQ(static_cast<Named*>(found)->Name, u"g1");
  // Growing keeps every run in home-slot order.
  d.SetCapacity(100);
  EXPECT_EQ(d.Capacity(), 256);
  expectRobinHoodOrder(d);
  EXPECT_EQ(enumerate(d), (std::vector<std::u16string>{u"f1", u"g1", u"v1"}));
}

TEST(HashDictionary, EnumerationOfTagNamesFollowsTheHashes) {
  const char16_t* tags[] = {u"html",  u"head", u"body",  u"div",  u"span", u"p",     u"a",
                            u"img",   u"table", u"tr",   u"td",   u"ul",   u"li",    u"script",
                            u"style", u"meta", u"link",  u"title", u"br",  u"input"};
  THtObjectDictionary byDefault(0, true, KeyField<&Named::Name>);
  THtObjectDictionary byTag(0, true, KeyField<&Named::Name>, HtTagHash);
  for (const char16_t* t : tags) {
    byDefault.AddObject(new Named(t));
    byTag.AddObject(new Named(t));
  }
  EXPECT_EQ(byDefault.Capacity(), 32);
  EXPECT_EQ(enumerate(byDefault),
            (std::vector<std::u16string>{u"br", u"head", u"span", u"style", u"table", u"li", u"body",
                                         u"img", u"link", u"script", u"div", u"a", u"meta", u"html",
                                         u"p", u"ul", u"td", u"title", u"tr", u"input"}));
  EXPECT_EQ(enumerate(byTag),
            (std::vector<std::u16string>{u"style", u"a", u"script", u"meta", u"ul", u"span", u"link",
                                         u"title", u"input", u"head", u"body", u"p", u"td", u"br",
                                         u"table", u"html", u"div", u"img", u"li", u"tr"}));
}

TEST(HashDictionary, ReplacementFreesTheOldObjectOnlyWhenOwning) {
  std::vector<std::u16string> freed;
  {
    THtObjectDictionary owning(0, true, KeyField<&Named::Name>);
    auto* first = new Named(u"k", &freed);
    int32_t slot = owning.AddObject(first) == first ? owning.IndexOfKey(hashOf(u"k"), u"k") : -1;
    EXPECT_EQ(owning.Add(u"k", first), slot);  // the same object again: kept
    EXPECT_TRUE(freed.empty());
    auto* second = new Named(u"k", &freed);
    EXPECT_EQ(owning.AddObject(second), second);
    EXPECT_EQ(freed.size(), 1u);
    EXPECT_EQ(owning.Count(), 1);
    Named* found = nullptr;
    EXPECT_TRUE(owning.TryGetValue(u"k", found));
    EXPECT_EQ(found, second);
  }
  EXPECT_EQ(freed.size(), 2u);  // the destructor frees the rest

  freed.clear();
  Named a(u"k", &freed), b(u"k", &freed);
  {
    THtObjectDictionary plain(0, false, KeyField<&Named::Name>);
    plain.AddObject(&a);
    plain.AddObject(&b);
    plain.Clear(0);
  }
  EXPECT_TRUE(freed.empty());
}

TEST(HashDictionary, StringListReplacesPairsButNotTheirObjects) {
  std::vector<std::u16string> freed;
  Named payload(u"payload", &freed);
  THtStringList list(31);
  EXPECT_EQ(list.Capacity(), 64);
  list.Add(u"Arial", &payload);
  list.Add(u"arial", nullptr);
  list.Add(u"Arial", nullptr);  // frees the first pair, not the payload
  EXPECT_TRUE(freed.empty());
  EXPECT_EQ(list.Count(), 2);  // 'A' and 'a' are different keys
  EXPECT_TRUE(list.Contains(u"arial"));
  EXPECT_FALSE(list.Contains(u"ARIAL"));
  THtNameObjectPair* pair = nullptr;
  ASSERT_TRUE(list.TryGetValue(u"Arial", pair));
  EXPECT_EQ(pair->Name, u"Arial");
  EXPECT_EQ(pair->Obj, nullptr);
}

TEST(HashDictionary, ClearFreesOwnedObjectsAndKeepsOrRebuildsTheSlots) {
  std::vector<std::u16string> freed;
  THtObjectDictionary d(16, true, KeyField<&Named::Name>);
  for (const char16_t* k : {u"x", u"y", u"z"}) d.AddObject(new Named(k, &freed));
  const auto* slots = d.Items();
  d.Clear(20);  // same capacity: the slot array stays
  EXPECT_EQ(freed.size(), 3u);
  EXPECT_EQ(d.Count(), 0);
  EXPECT_EQ(d.Items(), slots);
  for (int32_t s = 0; s < d.Capacity(); ++s) EXPECT_TRUE(d.IsEmptySlot(s));
  d.Clear(0);
  EXPECT_EQ(d.Capacity(), 4);
  EXPECT_EQ(d.GrowLimit(), 3);

  // A non-empty table never shrinks; an empty one may.
  THtIdPointerDictionary ids(100);
  ids.Add(1, nullptr);
  ids.SetCapacity(0);
  EXPECT_EQ(ids.Capacity(), 256);
  ids.Clear(100);
  ids.SetCapacity(0);
  EXPECT_EQ(ids.Capacity(), 4);
}

TEST(HashDictionary, PointerTablesLookUpByKeyAndByCharacters) {
  static Record records[] = {{u"amp", 38}, {u"lt", 60}, {u"gt", 62}, {u"nbsp", 160}};
  THtPointerDictionary d(0, RecordKeyField<&Record::Name>, HtTagHash);
  for (Record& r : records) d.Add(d.Hash(r.Name), r.Name, &r);
  EXPECT_EQ(d.Count(), 4);
  const std::u16string text = u"&nbsp;&amp";
  Record* found = nullptr;
  EXPECT_TRUE(d.TryGetChars(text.data() + 1, 4, found));
  EXPECT_EQ(found->Value, 160);
  EXPECT_FALSE(d.TryGetChars(text.data() + 1, 3, found));  // "nbs"
  EXPECT_EQ(found->Value, 160);  // untouched on a miss
  EXPECT_TRUE(d.TryGetValue(u"gt", found));
  EXPECT_EQ(found->Value, 62);
  EXPECT_LT(d.IndexOfKey(d.Hash(u"GT"), u"GT"), 0);

  // Integer keys: replacement keeps the count.
  THtIdPointerDictionary ids(0);
  int x = 0, y = 0;
  int32_t slot = ids.Add(0x1F600, &x);
  EXPECT_EQ(ids.Add(0x1F600, &y), slot);
  EXPECT_EQ(ids.Count(), 1);
  const void* stored = ids.Items()[ids.IndexOf(0x1F600)].Data;  // slots are read by value
  // Slots keep their pointers aligned, so leak checkers and references see them.
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&ids.Items()[0].Data) % alignof(void*), 0u);
  EXPECT_EQ(stored, &y);
  EXPECT_LT(ids.IndexOf(-1), 0);
}

TEST(HashDictionary, ManyKeysStayFindableAndLargeTablesSwitchToSevenEighths) {
  THtIdPointerDictionary d(0);
  // Keys with many equal home slots and negative values, across many resizes.
  for (int32_t i = 0; i < 229377; ++i) {
    d.Add(int32_t(uint32_t(i) * 0x9E3779B1u) & ~0xFF, reinterpret_cast<void*>(intptr_t(i) + 1));
    if (i == 196608) {
      EXPECT_EQ(d.Capacity(), 262144);  // past three quarters, not yet grown
      expectRobinHoodOrder(d);
    }
  }
  EXPECT_EQ(d.Count(), 229377);
  EXPECT_EQ(d.Capacity(), 524288);
  EXPECT_EQ(d.GrowLimit(), 524288 - 524288 / 8);
  expectRobinHoodOrder(d);
  for (int32_t i = 0; i < 229377; i += 97) {
    int32_t slot = d.IndexOf(int32_t(uint32_t(i) * 0x9E3779B1u) & ~0xFF);
    ASSERT_GE(slot, 0) << i;
  }
}

}  // namespace
}  // namespace ht
