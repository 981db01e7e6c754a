// String-keyed hash dictionary against std::unordered_map on 100k interned
// tag-like names: insertion (growing from empty and presized) and look-ups
// that hit and miss, with probe strings that are separate copies of the keys.
// Expect the clearest gains on presized inserts (no per-entry allocation, no
// key copy) and on misses (hash-only compares, Robin Hood early exit). Growing
// inserts are bound by first touches of each new slot array, and hits by the
// read of the stored object's key, which the table never copies.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "markup/hash_dictionary.h"

namespace {

using ht::String;

// An interned name: the dictionary reads the key from the object itself.
class Tag : public ht::THtObject {
 public:
  explicit Tag(String name) : Name(std::move(name)) {}
  String Name;
};

constexpr int kKeys = 100000;

struct Corpus {
  std::vector<std::unique_ptr<Tag>> tags;
  std::vector<String> hits;    // copies of the keys, shuffled
  std::vector<String> misses;  // absent names of the same shape
};

String tagLikeName(std::mt19937& rng) {
  static const char16_t letters[] = u"abcdefghijklmnopqrstuvwxyz";
  std::uniform_int_distribution<int> len(2, 10), letter(0, 25), digit(0, 9), shape(0, 9);
  String s;
  int n = len(rng);
  for (int i = 0; i < n; ++i) s += letters[letter(rng)];
  int k = shape(rng);
  if (k == 0) s += u'-', s += letters[letter(rng)], s += letters[letter(rng)];  // custom-element style
  if (k == 1) s += char16_t(u'1' + digit(rng) % 6);                             // h1..h6 style
  return s;
}

const Corpus& corpus() {
  static const Corpus c = [] {
    Corpus c;
    std::mt19937 rng(20261210);
    std::unordered_set<String> seen;
    while (int(c.tags.size()) < kKeys) {
      String s = tagLikeName(rng);
      if (seen.insert(s).second) c.tags.push_back(std::make_unique<Tag>(s));
    }
    for (const auto& t : c.tags) c.hits.push_back(t->Name);
    std::shuffle(c.hits.begin(), c.hits.end(), rng);
    while (int(c.misses.size()) < kKeys) {
      String s = tagLikeName(rng);
      if (!seen.count(s)) c.misses.push_back(s);
    }
    return c;
  }();
  return c;
}

std::unique_ptr<ht::THtObjectDictionary> filledDictionary() {
  auto d = std::make_unique<ht::THtObjectDictionary>(0, false, ht::KeyField<&Tag::Name>);
  for (const auto& t : corpus().tags) d->AddObject(t.get());
  return d;
}

std::unordered_map<String, Tag*> filledMap() {
  std::unordered_map<String, Tag*> m;
  for (const auto& t : corpus().tags) m.emplace(t->Name, t.get());
  return m;
}

void BM_HtDictionary_Insert(benchmark::State& state) {
  const Corpus& c = corpus();
  const int32_t presize = int32_t(state.range(0));
  for (auto _ : state) {
    ht::THtObjectDictionary d(presize, false, ht::KeyField<&Tag::Name>);
    for (const auto& t : c.tags) d.AddObject(t.get());
    benchmark::DoNotOptimize(d.Count());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_HtDictionary_Insert)->Arg(0)->Arg(kKeys)->Unit(benchmark::kMillisecond);

void BM_UnorderedMap_Insert(benchmark::State& state) {
  const Corpus& c = corpus();
  for (auto _ : state) {
    std::unordered_map<String, Tag*> m;
    if (state.range(0)) m.reserve(size_t(state.range(0)));
    for (const auto& t : c.tags) m.emplace(t->Name, t.get());
    benchmark::DoNotOptimize(m.size());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_UnorderedMap_Insert)->Arg(0)->Arg(kKeys)->Unit(benchmark::kMillisecond);

void BM_HtDictionary_Lookup(benchmark::State& state) {
  const Corpus& c = corpus();
  auto d = filledDictionary();
  const auto& probes = state.range(0) ? c.hits : c.misses;
  for (auto _ : state) {
    int found = 0;
    for (const String& p : probes) {
      Tag* t;
      found += d->TryGetValue(p, t);
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_HtDictionary_Lookup)->ArgName("hit")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_UnorderedMap_Lookup(benchmark::State& state) {
  const Corpus& c = corpus();
  auto m = filledMap();
  const auto& probes = state.range(0) ? c.hits : c.misses;
  for (auto _ : state) {
    int found = 0;
    for (const String& p : probes) found += m.find(p) != m.end();
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_UnorderedMap_Lookup)->ArgName("hit")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
