// The cascade's hot path: collecting the matched declarations of every
// element of a tree from the built-in sheet and a document sheet of a few
// hundred rules, and parsing and indexing a sheet.
#include <benchmark/benchmark.h>

#include "css/default_style_sheet.h"
#include "css/property_registry.h"
#include "css/style_sheet.h"
#include "markup/node.h"
#include "platform/rtl/format.h"

namespace {

using namespace ht;

String documentCSS() {
  String css;
  for (int i = 0; i < 100; ++i) {
    css += Format(u".c%d { color: red; margin-top: %dpx } ", i, i);
    css += Format(u"div.c%d > p { padding-left: 1px } ", i);
    css += Format(u"#id%d { width: 10px } ", i);
    css += Format(u"ul li.c%d:hover a { color: blue !important } ", i);
    css += Format(u"[data-k%d] { height: 2px } ", i % 10);
  }
  return css;
}

// div.cN > (p#idN > a, ul > li.cN > a), 150 times: 900 elements.
void buildTree(THtNode& root) {
  for (int i = 0; i < 150; ++i) {
    THtNode* div = root.AddChild(&THtmlNode::ClassType);
    div->SetTag(u"div");
    div->SetAttr(u"class", Format(u"c%d", i % 100));
    THtNode* p = div->AddChild(&THtmlNode::ClassType);
    p->SetTag(u"p");
    p->SetAttr(u"id", Format(u"id%d", i));
    p->AddChild(&THtmlNode::ClassType)->SetTag(u"a");
    THtNode* ul = div->AddChild(&THtmlNode::ClassType);
    ul->SetTag(u"ul");
    THtNode* li = ul->AddChild(&THtmlNode::ClassType);
    li->SetTag(u"li");
    li->SetAttr(u"class", Format(u"c%d x y", (i * 7) % 100));
    li->AddChild(&THtmlNode::ClassType)->SetTag(u"a");
  }
}

void collectAll(const THtNode& node, const TCSSStyleSheet& builtIn, const TCSSStyleSheet& document,
                const ICSSNodeFacts& facts, int64_t& values) {
  for (int i = 0; i < node.Count(); ++i) {
    const THtNode& e = *node.ChildNodes(i);
    TCSSWeightList wl;
    builtIn.GetElementSelectors(e, facts, wl, &builtIn.Main, 0);
    document.GetElementSelectors(e, facts, wl, &document.Main, 0);
    values += wl.Count();
    collectAll(e, builtIn, document, facts, values);
  }
}

void BM_CollectDeclarations(benchmark::State& state) {
  RegisterCSSProperties();
  TCSSStyleSheet document;
  document.Parse(documentCSS(), -1, false);
  THtmlNode root(u"body");
  buildTree(root);
  TCSSPlainNodeFacts facts;
  int64_t values = 0;
  for (auto _ : state) collectAll(root, *DefaultStyleSheet(), document, facts, values);
  state.counters["elements/s"] = benchmark::Counter(double(state.iterations()) * 900, benchmark::Counter::kIsRate);
  benchmark::DoNotOptimize(values);
}
BENCHMARK(BM_CollectDeclarations)->Unit(benchmark::kMicrosecond);

void BM_ParseAndIndexSheet(benchmark::State& state) {
  RegisterCSSProperties();
  const String css = documentCSS();
  for (auto _ : state) {
    TCSSStyleSheet sheet;
    sheet.Parse(css, -1, false);
    benchmark::DoNotOptimize(sheet.Main.TagMap->Count());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(css.size() * 2));
}
BENCHMARK(BM_ParseAndIndexSheet)->Unit(benchmark::kMicrosecond);

}  // namespace
