// The cascade of frameworks-1mb.css over every element of the book page,
// beside litehtml (Debian's liblitehtml-dev) in the same program:
//   FirstPass   every element's style made and loaded once (fresh tree)
//   RepeatPass  the same elements styled again
//   ParseAndStyle<Tarnwick>  the page's bytes to a tree, then the first pass
//   ParseAndStyle<Litehtml>  document::createFromString with the sheet as
//                            its master CSS (its parse and style, no layout)
// In both ParseAndStyle runs the sheet is parsed once, outside the timing.
#include <benchmark/benchmark.h>
#include <litehtml/litehtml.h>

#include "litehtml_container.h"

#include "shared_input.h"

#include <cstring>
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

struct Inputs {
  bool ok = false;
  std::string html, css;
  TCSSStyleSheet sheet;
  Inputs() {
    ok = bench::LoadSharedInput(bench::TSharedPage::Name, html) && bench::LoadSharedInput("frameworks-1mb.css", css);
    HtMarkupInitialize();
    RegisterCSSProperties();
    if (ok) sheet.Parse(Utf8ToString(css), -1, false);
  }
};

Inputs& inputs() {
  static Inputs in;
  return in;
}

constexpr const char* kMissing = "../shared/bench/ (book page, frameworks-1mb.css) not found; skipped";

// A freshly parsed page and its elements.
struct Page {
  std::unique_ptr<TBenchNode> root = std::make_unique<TBenchNode>();
  std::vector<TStyledHTMLNode*> elements;
  explicit Page(const std::string& html) {
    root->ParseBytes(html);
    for (THtNode* n = root.get(); n; n = n->NextNode())
      if (!n->Tag().empty() && n->Tag()[0] != u'!')
        if (auto* s = dynamic_cast<TStyledHTMLNode*>(n)) elements.push_back(s);
  }
};

void styleAll(const Page& page, TCSSStyleSheet& sheet) {
  TCSSStyleSheet* sheets[] = {DefaultStyleSheet(), &sheet};
  for (TStyledHTMLNode* e : page.elements) benchmark::DoNotOptimize(ComputeElementStyle(*e, sheets));
}

void BM_FirstPass(benchmark::State& state) {
  Inputs& in = inputs();
  if (!in.ok) {
    state.SkipWithError(kMissing);
    return;
  }
  size_t elements = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto page = std::make_unique<Page>(in.html);
    elements = page->elements.size();
    state.ResumeTiming();
    styleAll(*page, in.sheet);
    state.PauseTiming();
    page.reset();
    state.ResumeTiming();
  }
  state.counters["elements"] = double(elements);
}
BENCHMARK(BM_FirstPass)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RepeatPass(benchmark::State& state) {
  Inputs& in = inputs();
  if (!in.ok) {
    state.SkipWithError(kMissing);
    return;
  }
  Page page(in.html);
  styleAll(page, in.sheet);
  for (auto _ : state) styleAll(page, in.sheet);
  state.counters["elements"] = double(page.elements.size());
}
BENCHMARK(BM_RepeatPass)->Unit(benchmark::kMillisecond);

struct Tarnwick {
  std::unique_ptr<Page> page;
  void run(Inputs& in) {
    page = std::make_unique<Page>(in.html);
    styleAll(*page, in.sheet);
  }
  void free() { page.reset(); }
};

// Fonts of a fixed shape and text eight pixels a byte.
class TQuietContainer : public bench::TQuietLitehtmlContainer {
 public:
  TQuietContainer() : TQuietLitehtmlContainer(1024, 768, "sans-serif") {}
  litehtml::uint_ptr create_font(const litehtml::tchar_t*, int size, int, litehtml::font_style, unsigned int,
                                 litehtml::font_metrics* fm) override {
    if (fm) {
      fm->height = size;
      fm->ascent = size * 4 / 5;
      fm->descent = size / 5;
      fm->x_height = size / 2;
    }
    return 1;
  }
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr) override { return int(std::strlen(text)) * 8; }
};

struct Litehtml {
  TQuietContainer container;
  std::unique_ptr<litehtml::context> context;
  litehtml::document::ptr doc;
  void run(Inputs& in) {
    if (!context) {
      context = std::make_unique<litehtml::context>();
      context->load_master_stylesheet(in.css.c_str());
    }
    doc = litehtml::document::createFromString(in.html.c_str(), &container, context.get());
  }
  void free() { doc.reset(); }
};

template <class Engine>
void BM_ParseAndStyle(benchmark::State& state) {
  Inputs& in = inputs();
  if (!in.ok) {
    state.SkipWithError(kMissing);
    return;
  }
  Engine engine;
  engine.run(in);  // warms up (litehtml: loads its master sheet)
  engine.free();
  for (auto _ : state) {
    engine.run(in);
    state.PauseTiming();
    engine.free();
    state.ResumeTiming();
  }
}
BENCHMARK_TEMPLATE(BM_ParseAndStyle, Tarnwick)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_ParseAndStyle, Litehtml)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
