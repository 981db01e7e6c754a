// Node tree: building and freeing large trees, attribute look-ups on wide
// attribute sets.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "markup/node.h"
#include "markup/node_list.h"

namespace {

using namespace ht;

// 100k nodes: 1000 sections of one element and 99 children, every other
// child an element with two attributes and a text child.
std::unique_ptr<THtmlNode> buildTree(int nodes) {
  auto root = std::make_unique<THtmlNode>(u"body");
  int made = 0;
  while (made < nodes) {
    THtNode* section = root->AddChild(&THtmlNode::ClassType);
    section->SetTag(u"div");
    ++made;
    for (int i = 0; i < 49 && made < nodes; ++i) {
      THtNode* p = section->AddChild(&THtmlNode::ClassType);
      p->SetTag(u"p");
      p->SetAttr(u"class", u"item");
      p->SetAttr(u"id", u"p");
      THtNode* text = p->AddChild(&THtmlNode::ClassType);
      text->SetContent(u"some text");
      made += 2;
    }
  }
  return root;
}

void BM_BuildAndFreeTree(benchmark::State& state) {
  const int nodes = int(state.range(0));
  for (auto _ : state) {
    auto root = buildTree(nodes);
    benchmark::DoNotOptimize(root.get());
  }
  state.SetItemsProcessed(state.iterations() * nodes);
}
BENCHMARK(BM_BuildAndFreeTree)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_WalkTree(benchmark::State& state) {
  auto root = buildTree(100000);
  for (auto _ : state) {
    int count = 0;
    for (THtNode* n = root.get(); n; n = n->NextNode()) ++count;
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_WalkTree)->Unit(benchmark::kMillisecond);

// Look-ups of every present name (spelled in upper case, so the names are
// compared in full) and of as many absent names.
void BM_AttributeLookup(benchmark::State& state) {
  const int width = int(state.range(0));
  THtmlNode node(u"div");
  std::vector<String> present, absent;
  for (int i = 0; i < width; ++i) {
    const String name = String(u"data-attr-") + AsciiToString(std::to_string(i * 7919 % 100003));
    node.SetAttr(name, u"v");
    String upper = name;
    for (auto& c : upper) c = AsciiUpper(c);
    present.push_back(upper);
    absent.push_back(name + u"x");
  }
  for (auto _ : state) {
    size_t found = 0;
    for (const String& n : present) found += node.GetAttribute(n).size();
    for (const String& n : absent) found += node.HasAttribute(n);
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * width * 2);
}
BENCHMARK(BM_AttributeLookup)->Arg(4)->Arg(32)->Arg(256);

// Building a wide attribute set one insertion at a time.
void BM_AttributeInsert(benchmark::State& state) {
  const int width = int(state.range(0));
  std::vector<String> names;
  for (int i = 0; i < width; ++i) {
    String name = u"a";
    name += AsciiToString(std::to_string(i * 7919 % 100003));
    names.push_back(name);
  }
  for (auto _ : state) {
    THtmlNode node;
    for (const String& n : names) node.SetAttr(n, u"v");
    benchmark::DoNotOptimize(node.Attributes());
  }
  state.SetItemsProcessed(state.iterations() * width);
}
BENCHMARK(BM_AttributeInsert)->Arg(32)->Arg(256);

}  // namespace
