// Queries and selection output over the book page, with fixed Ahem metrics:
//   ElementbyIdMissing   GetElementbyId of an id no element has (a full walk)
//   BarePreorderWalk     the same walk with no test per element
//   SelectedHTMLBody     the HTML of a selection over the whole body
//   InnerHTMLBody        the body's GetInnerHTML
//   VisibleCharIndex/N   the visible index of the last character of one
//                        text of N characters (time grows with its runs)
//   FindTextBook/C      FindText of a word the book lacks, from the document
//                        to its end (C: case-sensitive), a walk over every
//                        text's prepared text
//   ViewFindBook         u16string_view::find of the same word over the same
//                        texts joined into one string (the peer)
// Targets: ElementbyIdMissing within 2x of BarePreorderWalk; SelectedHTMLBody
// at least half the rate of InnerHTMLBody; FindTextBook at least half the
// rate of ViewFindBook.
#include <benchmark/benchmark.h>

#include <memory>

#include "document/document.h"
#include "layout/layout_startup.h"
#include "layout/text_element.h"
#include "shared_input.h"
#include "support/ahem_canvas.h"

namespace {

using namespace ht;

struct Book {
  bool ok = false;
  std::unique_ptr<THtDocument> doc;
  TElement* body = nullptr;
  Book() {
    ok = bench::BookPage().ok;
    if (!ok) return;
    HtLayoutInitialize();
    doc = std::make_unique<THtDocument>(&testing::TAhemCanvas::ClassType, false);
    doc->Parse(bench::BookPage().text);
    doc->CalcSize(1000, 800);
    body = doc->BodyElement;
    ok = body != nullptr;
  }
  ~Book() {
    if (!doc) return;
    doc.reset();
    HtLayoutFinalize();
  }
  long Elements() const {
    long n = 0;
    for (THtNode* x = doc->NextNode(); x; x = x->NextNode()) ++n;
    return n;
  }
};

void BM_ElementbyIdMissing(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  for (auto _ : state) benchmark::DoNotOptimize(b.doc->GetElementbyId(u"no-such-id-anywhere"));
  state.counters["elements/s"] =
      benchmark::Counter(double(b.Elements()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ElementbyIdMissing)->Unit(benchmark::kMicrosecond);

void BM_BarePreorderWalk(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  for (auto _ : state) benchmark::DoNotOptimize(b.Elements());
  state.counters["elements/s"] =
      benchmark::Counter(double(b.Elements()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BarePreorderWalk)->Unit(benchmark::kMicrosecond);

void BM_SelectedHTMLBody(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  TTextElement *first = nullptr, *last = nullptr;
  for (THtNode* n = b.body->NextNode(); n; n = n->NextNode())
    if (auto* t = dynamic_cast<TTextElement*>(n)) {
      if (!first) first = t;
      last = t;
    }
  if (!first) return state.SkipWithError("no text");
  b.doc->Selection.SetStartElement(first);
  b.doc->Selection.StartPos = 1;
  b.doc->Selection.SetEndElement(last);
  b.doc->Selection.EndPos = int(last->Content().size()) + 1;
  size_t bytes = 0;
  for (auto _ : state) bytes = b.doc->GetSelectedHTML().size();
  state.counters["units"] = double(bytes);
  state.counters["units/s"] = benchmark::Counter(double(bytes), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SelectedHTMLBody)->Unit(benchmark::kMillisecond);

void BM_InnerHTMLBody(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  size_t bytes = 0;
  for (auto _ : state) bytes = b.body->GetInnerHTML().size();
  state.counters["units"] = double(bytes);
  state.counters["units/s"] = benchmark::Counter(double(bytes), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_InnerHTMLBody)->Unit(benchmark::kMillisecond);

void BM_VisibleCharIndex(benchmark::State& state) {
  HtLayoutInitialize();
  {
    auto doc = std::make_unique<THtDocument>(&testing::TAhemCanvas::ClassType, false);
    String text;
    while (text.size() < size_t(state.range(0))) text += u"word ";
    text.resize(size_t(state.range(0)));
    doc->Parse(u"<div>" + text + u"</div>");
    doc->CalcSize(1000, 800);
    TTextElement* t = nullptr;
    for (THtNode* n = doc.get(); n && !t; n = n->NextNode()) t = dynamic_cast<TTextElement*>(n);
    if (!t) {
      state.SkipWithError("no text");
    } else {
      const int lastChar = int(t->Content().size());
      for (auto _ : state) benchmark::DoNotOptimize(t->VisibleCharIndex(lastChar));
      state.counters["blocks"] = double(t->LineBlocks.Count());
    }
  }
  HtLayoutFinalize();
}
BENCHMARK(BM_VisibleCharIndex)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

constexpr StringView kMissingWord = u"zqxjkv";

long bookTextUnits(THtDocument& Doc) {
  long n = 0;
  for (THtNode* x = Doc.NextNode(); x; x = x->NextNode())
    if (auto* t = dynamic_cast<TTextElement*>(x)) n += long(t->DisplayText.size());
  return n;
}

void BM_FindTextBook(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  const bool caseSensitive = state.range(0) != 0;
  for (auto _ : state) {
    int pos = 1;
    benchmark::DoNotOptimize(b.doc->FindText(kMissingWord, pos, b.doc.get(), true, caseSensitive));
  }
  state.counters["units/s"] =
      benchmark::Counter(double(bookTextUnits(*b.doc)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FindTextBook)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ViewFindBook(benchmark::State& state) {
  Book b;
  if (!b.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  String all;
  for (THtNode* x = b.doc->NextNode(); x; x = x->NextNode())
    if (auto* t = dynamic_cast<TTextElement*>(x)) all += t->DisplayText;
  const StringView view(all);
  for (auto _ : state) benchmark::DoNotOptimize(view.find(kMissingWord));
  state.counters["units/s"] = benchmark::Counter(double(all.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ViewFindBook)->Unit(benchmark::kMicrosecond);

}  // namespace
