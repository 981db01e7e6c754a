// The document's style pass on the book page: the full pass (every element
// restyled), a second pass without changes (only walks), and a hover
// restyle of one element (its subtree only). BM_RawCascade is the landed
// cascade alone over the same elements, the reference for the full pass.
#include <benchmark/benchmark.h>

#include "shared_input.h"

#include <memory>
#include <vector>

#include "backends/backends_startup.h"
#include "css/default_style_sheet.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "layout/layout_startup.h"

namespace {

using namespace ht;

const char16_t* const kBookCSS =
    u"html { font-family: sans-serif; color: #333 } body { margin: 0; font-size: 1.6rem }"
    u" code { font-family: monospace; font-size: 0.875em } .boring { opacity: 0.6 }"
    u" pre { position: relative; padding: 1em } a { color: #4183c4 } a:hover { text-decoration: underline }"
    u" table { border-collapse: collapse } td, th { padding: 3px 20px; border: 1px solid #ddd }"
    u" #content { max-width: 750px; margin: 0 auto } ul li, ol li { margin: 0.25em 0 }"
    u" p { line-height: 1.45em } em { font-style: italic } strong { font-weight: bold }";

struct Book {
  bool ok = false;
  std::unique_ptr<THtDocument> doc;
  std::vector<TStyledHTMLNode*> elements;
  TElement* hover = nullptr;
  Book() {
    ok = bench::BookPage().ok;
    if (!ok) return;
    HtBackendsInitialize();
    HtLayoutInitialize();
    doc = std::make_unique<THtDocument>();
    doc->ParseStyles(kBookCSS);
    doc->Parse(bench::BookPage().text);
    for (THtNode* n = doc.get(); n; n = n->NextNode())
      if (auto* e = dynamic_cast<TElement*>(n); e && !n->Tag().empty() && n->Tag()[0] != u'!') {
        elements.push_back(e);
        if (!hover && n->Tag() == u"a") hover = e;
      }
  }
};


void BM_RawCascade(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  TCSSStyleSheet* sheets[] = {DefaultStyleSheet(), b.doc->Styles.get()};
  for (auto _ : state)
    for (TStyledHTMLNode* e : b.elements) ComputeElementStyle(*e, sheets);
  state.counters["elements"] = double(b.elements.size());
}

void BM_FullStylePass(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  for (auto _ : state) b.doc->RecalcStyles();
  state.counters["elements"] = double(b.elements.size());
}

void BM_UnchangedStylePass(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  b.doc->RecalcStyles();
  for (auto _ : state) b.doc->CalcStyle(b.doc->Styles.get());
}

void BM_HoverRestyle(benchmark::State& state) {
  Book b;
  if (!b.ok || !b.hover) return state.SkipWithError(bench::TSharedPage::Missing);
  b.doc->RecalcStyles();
  bool on = false;
  for (auto _ : state) {
    on = !on;
    b.hover->SetPseudoClass(pcHover, on, false);
    b.doc->CalcStyle(b.doc->Styles.get());
  }
}

BENCHMARK(BM_RawCascade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullStylePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnchangedStylePass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HoverRestyle)->Unit(benchmark::kMicrosecond);

}  // namespace
