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

// Answers every question litehtml asks before layout with fixed values.
class TQuietContainer : public litehtml::document_container {
 public:
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
  void delete_font(litehtml::uint_ptr) override {}
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr) override { return int(std::strlen(text)) * 8; }
  void draw_text(litehtml::uint_ptr, const litehtml::tchar_t*, litehtml::uint_ptr, litehtml::web_color,
                 const litehtml::position&) override {}
  int pt_to_px(int pt) const override { return pt * 96 / 72; }
  int get_default_font_size() const override { return 16; }
  const litehtml::tchar_t* get_default_font_name() const override { return "sans-serif"; }
  void draw_list_marker(litehtml::uint_ptr, const litehtml::list_marker&) override {}
  void load_image(const litehtml::tchar_t*, const litehtml::tchar_t*, bool) override {}
  void get_image_size(const litehtml::tchar_t*, const litehtml::tchar_t*, litehtml::size& sz) override {
    sz.width = sz.height = 0;
  }
  void draw_background(litehtml::uint_ptr, const litehtml::background_paint&) override {}
  void draw_borders(litehtml::uint_ptr, const litehtml::borders&, const litehtml::position&, bool) override {}
  void set_caption(const litehtml::tchar_t*) override {}
  void set_base_url(const litehtml::tchar_t*) override {}
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t*, const litehtml::element::ptr&) override {}
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring&, litehtml::text_transform) override {}
  void import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) override {}
  void set_clip(const litehtml::position&, const litehtml::border_radiuses&, bool, bool) override {}
  void del_clip() override {}
  void get_client_rect(litehtml::position& client) const override { client = litehtml::position(0, 0, 1024, 768); }
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
                                                    const std::shared_ptr<litehtml::document>&) override {
    return nullptr;
  }
  void get_media_features(litehtml::media_features& media) const override {
    media.type = litehtml::media_type_screen;
    media.width = media.device_width = 1024;
    media.height = media.device_height = 768;
    media.color = 8;
    media.monochrome = 0;
    media.color_index = 256;
    media.resolution = 96;
  }
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
    language = "en";
    culture.clear();
  }
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
