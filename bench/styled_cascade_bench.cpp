// The full cascade of a large real page: for every element, match the
// built-in sheet and a book-like document sheet, add the element's own
// sheet, and load the winners into its computed style. Counts elements.
// Also the heap one parse of the page into styled nodes adds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "shared_input.h"

#include <memory>
#include <string>
#include <vector>

#include "css/default_style_sheet.h"
#include "css/property_registry.h"
#include "css/style_sheet.h"
#include "css/styled_element_link.h"
#include "markup/markup_startup.h"

namespace {

using namespace ht;

class TBenchNode : public TStyledHTMLNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  const TElementStyleClass* StyleClass() const override { return &ElementStyleFactsClass; }
};
const THtNodeClass TBenchNode::ClassType{"TBenchNode", &TStyledHTMLNode::ClassType,
                                         CreateInstance<TBenchNode, THtNode>};

const char16_t* const kBookCSS =
    u"html { font-family: sans-serif; color: #333 } body { margin: 0; font-size: 1.6rem }"
    u" code { font-family: monospace; font-size: 0.875em } .hide-boring .boring { display: none }"
    u" .boring { opacity: 0.6 } pre { position: relative; padding: 1em } pre > .buttons { position: absolute; right: 0 }"
    u" .header { text-decoration: none } h1 .header, h2 .header, h3 .header { color: inherit }"
    u" a { color: #4183c4 } a:hover { text-decoration: underline } .listing { margin: 1em 0 }"
    u" .playground { border: 1px solid #ccc } .file-name { font-weight: bold } .filename { font-style: italic }"
    u" code.language-rust { background: #f6f7f6 } code.language-console { background: #eee }"
    u" .language-rust.ignore { border-left: 3px solid orange } .does_not_compile { border-left-color: red }"
    u" .note { padding: 0 20px; border-left: 5px solid #4183c4 } .caption { text-align: center }"
    u" table { border-collapse: collapse } td, th { padding: 3px 20px; border: 1px solid #ddd }"
    u" thead tr { background: #eee } .table-wrapper { overflow-x: auto } .center { text-align: center }"
    u" #content { max-width: 750px; margin: 0 auto } main > h1:first-child { margin-top: 0 }"
    u" ul li, ol li { margin: 0.25em 0 } blockquote { margin: 20px 0; padding: 0 20px }"
    u" img { max-width: 100% } p { line-height: 1.45em } em { font-style: italic } strong { font-weight: bold }"
    u" .sidebar .chapter li.chapter-item { line-height: 1.5em } [hidden] { display: none }";

struct Page {
  bool ok = false;
  TBenchNode root;
  std::vector<TStyledHTMLNode*> elements;
  TCSSStyleSheet sheet;
  Page() {
    ok = bench::BookPage().ok;
    HtMarkupInitialize();
    RegisterCSSProperties();
    sheet.Parse(kBookCSS, -1, false);
    if (!ok) return;
    root.Parse(bench::BookPage().text);
    for (THtNode* n = &root; n; n = n->NextNode())
      if (!n->Tag().empty() && n->Tag()[0] != u'!')
        if (auto* s = dynamic_cast<TStyledHTMLNode*>(n)) elements.push_back(s);
  }
};

Page& page() {
  static Page p;
  return p;
}

// The heap one parse of the page into styled nodes adds, in MB: the tree is
// kept while it is counted. Registered first, so that no freed tree's
// blocks are there to be reused; the time is not the point.
void BM_StyledParseMemory(benchmark::State& state) {
  if (!bench::BookPage().ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  HtMarkupInitialize();
  RegisterCSSProperties();
  auto inUse = [] {
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd);
  };
  double added = 0;
  for (auto _ : state) {
    const double before = inUse();
    auto root = std::make_unique<TBenchNode>();
    root->Parse(bench::BookPage().text);
    added = inUse() - before;
    state.PauseTiming();
    root.reset();
    state.ResumeTiming();
  }
  state.counters["added_MB"] = added / (1024.0 * 1024.0);
}
BENCHMARK(BM_StyledParseMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FullCascade(benchmark::State& state) {
  Page& p = page();
  if (!p.ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  TCSSStyleSheet* sheets[] = {DefaultStyleSheet(), &p.sheet};
  // The first pass also makes each element's style and own sheet.
  for (TStyledHTMLNode* e : p.elements) ComputeElementStyle(*e, sheets);
  for (auto _ : state)
    for (TStyledHTMLNode* e : p.elements) benchmark::DoNotOptimize(ComputeElementStyle(*e, sheets));
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(p.elements.size()));
  state.counters["elements"] = double(p.elements.size());
}
BENCHMARK(BM_FullCascade)->Unit(benchmark::kMillisecond);

// The first pass over a freshly parsed page: makes every style and own sheet.
void BM_FirstCascade(benchmark::State& state) {
  Page& p = page();
  if (!p.ok) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  TCSSStyleSheet* sheets[] = {DefaultStyleSheet(), &p.sheet};
  std::unique_ptr<TBenchNode> root;
  std::vector<TStyledHTMLNode*> elements;
  for (auto _ : state) {
    state.PauseTiming();
    root = std::make_unique<TBenchNode>();
    root->Parse(bench::BookPage().text);
    elements.clear();
    for (THtNode* n = root.get(); n; n = n->NextNode())
      if (!n->Tag().empty() && n->Tag()[0] != u'!')
        if (auto* s = dynamic_cast<TStyledHTMLNode*>(n)) elements.push_back(s);
    state.ResumeTiming();
    for (TStyledHTMLNode* e : elements) benchmark::DoNotOptimize(ComputeElementStyle(*e, sheets));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(p.elements.size()));
}
BENCHMARK(BM_FirstCascade)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
