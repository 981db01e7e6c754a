// Style sheet parsing: the shared frameworks-1mb.css into a kept (indexed)
// sheet, freeing it untimed, and a generated 1 MB sheet through the section
// reader; selector matching of 1,000 selectors against every element of a
// 10,000-element tree.
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "css/css_parser.h"
#include "css/css_selector.h"
#include "css/property_registry.h"
#include "css/style_sheet.h"
#include "markup/node.h"

namespace {

using namespace ht;

const char* const kTags[] = {"div", "p", "span", "a", "ul", "li", "h1", "h2", "table", "td", "img", "section"};
const char* const kClasses[] = {"nav", "item", "active", "btn", "btn-primary", "card", "row", "col", "header",
                                "footer", "menu", "title", "text-muted", "container", "icon", "link"};

std::string pick(std::mt19937& rng, const char* const* list, size_t n) { return list[rng() % n]; }

std::string randomSelector(std::mt19937& rng) {
  std::string s;
  const int compounds = 1 + int(rng() % 3);
  for (int c = 0; c < compounds; ++c) {
    if (c) s += (rng() % 3 == 0) ? " > " : " ";
    switch (rng() % 5) {
      case 0: s += pick(rng, kTags, std::size(kTags)); break;
      case 1: s.append(".").append(pick(rng, kClasses, std::size(kClasses))); break;
      case 2:
        s.append(pick(rng, kTags, std::size(kTags))).append(".").append(pick(rng, kClasses, std::size(kClasses)));
        break;
      case 3: s.append("#id").append(std::to_string(rng() % 500)); break;
      default: s.append(pick(rng, kTags, std::size(kTags))).append(":hover"); break;
    }
  }
  return s;
}

// A realistic mix: lists of selectors, shorthands, colours, media blocks,
// comments and keyframes, about Bytes long.
String generateSheet(size_t bytes) {
  std::mt19937 rng(42);
  static const char* const decls[] = {
      "color: #333", "background: #fff url(img/bg.png) no-repeat left top", "margin: 0 auto",
      "padding: 4px 8px 12px", "font: italic bold 12px/1.5 \"Open Sans\", Arial, sans-serif",
      "border: 1px solid rgb(200, 200, 200)", "display: inline-block", "width: calc(100% - 20px)",
      "line-height: 1.4", "text-decoration: underline", "outline: 2px solid red", "border-radius: 4px",
      "color: red !important", "font-weight: 600", "-webkit-transition: all .2s", "--accent: #07f",
      "overflow: hidden auto", "z-index: 10", "flex: 1 1 0"};
  std::string s;
  while (s.size() < bytes) {
    const int kind = int(rng() % 20);
    if (kind == 0) s.append("/* section ").append(std::to_string(s.size())).append(" */\n");
    if (kind == 1) s.append("@media screen and (max-width: ").append(std::to_string(400 + rng() % 800)).append("px) {\n");
    const int sels = 1 + int(rng() % 3);
    for (int i = 0; i < sels; ++i) s.append(i ? ", " : "").append(randomSelector(rng));
    s += " {\n";
    const int n = 2 + int(rng() % 6);
    for (int i = 0; i < n; ++i) s.append("  ").append(decls[rng() % std::size(decls)]).append(";\n");
    s += "}\n";
    if (kind == 1) s += "}\n";
  }
  return AsciiToString(s);
}

struct Sink : ICSSSectionSink {
  size_t Sections = 0;
  void AddSection(std::unique_ptr<TCSSSection> Section, const TCSSParser&) override {
    Sections += Section->Selectors->Count() > 0;
  }
};

// frameworks-1mb.css parsed into a style sheet that is kept, as a document
// keeps it; the sheet is freed outside the timing.
void BM_ParseFrameworksSheet(benchmark::State& state) {
  std::string bytes;
  if (!bench::LoadSharedInput("frameworks-1mb.css", bytes)) {
    state.SkipWithError("../shared/bench/frameworks-1mb.css not found; skipped");
    return;
  }
  RegisterCSSProperties();
  const String text = Utf8ToString(bytes);
  std::unique_ptr<TCSSStyleSheet> sheet;
  for (auto _ : state) {
    sheet = std::make_unique<TCSSStyleSheet>();
    sheet->Parse(text, -1, false);
    state.PauseTiming();
    sheet.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_ParseFrameworksSheet)->Unit(benchmark::kMillisecond);

void BM_ParseSheet(benchmark::State& state) {
  RegisterCSSProperties();
  const String text = generateSheet(1 << 20);
  size_t sections = 0;
  for (auto _ : state) {
    TCSSParser parser(text, true);
    Sink sink;
    parser.ReadSections(sink);
    sections = sink.Sections;
    benchmark::DoNotOptimize(sections);
  }
  state.counters["rules"] = double(sections);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParseSheet)->Unit(benchmark::kMillisecond);

void BM_MatchSelectors(benchmark::State& state) {
  RegisterCSSProperties();
  std::mt19937 rng(7);
  // A tree of 10,000 elements, up to 8 levels deep.
  THtmlNode root(u"html");
  std::vector<THtNode*> elements;
  std::vector<THtNode*> parents{&root};
  while (elements.size() < 10000) {
    THtNode* parent = parents[rng() % parents.size()];
    THtNode* n = parent->AddChild(&THtmlNode::ClassType);
    n->SetTag(AsciiToString(pick(rng, kTags, std::size(kTags))));
    std::string cls = pick(rng, kClasses, std::size(kClasses));
    if (rng() % 2) cls.append(" ").append(pick(rng, kClasses, std::size(kClasses)));
    n->SetAttr(u"class", AsciiToString(cls));
    if (rng() % 10 == 0) n->SetAttr(u"id", AsciiToString(std::string("id").append(std::to_string(rng() % 500))));
    elements.push_back(n);
    if (parents.size() < 2000) parents.push_back(n);
  }
  std::vector<std::unique_ptr<TCSSSelector>> selectors;
  for (int i = 0; i < 1000; ++i) selectors.push_back(TCSSSelector::FromText(AsciiToString(randomSelector(rng))));
  TCSSPlainNodeFacts facts;
  for (THtNode* e : elements) facts.NodeClasses(*e);  // class lists parsed once, as a styled node caches them
  size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (THtNode* e : elements)
      for (const auto& s : selectors) matches += TestElement(*e, *s, 0, facts);
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = double(matches);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(elements.size() * selectors.size()));
}
BENCHMARK(BM_MatchSelectors)->Unit(benchmark::kMillisecond);

}  // namespace
