// Tables with fixed Ahem metrics (every character one em wide):
//   TableLayout/rows           a table of 8 columns laid out at 1280 px
//   LitehtmlTableLayout/rows   litehtml's render(1280) of the same markup
//                              (Debian's liblitehtml-dev, linked here only)
//   TableWindowPaint/rows      one window of the laid-out table painted
//                              (walk and calls, nothing recorded)
//   TableSortText, TableSortFloat
//                              the body sorted by a text and a "float"
//                              column, the grid rebuilt after each sort
//   StableSortKeysText, StableSortKeysFloat
//                              std::stable_sort over the same keys made
//                              once: the floor the sorts are measured by
//   TableRowCountGrow/rows     RowCount from 0 to rows and back to 1
// The targets: TableLayout/10000 within 1.5x of LitehtmlTableLayout/10000;
// TableWindowPaint/10000 within 1.2x of TableWindowPaint/100; each sort
// within 3x of its floor; TableRowCountGrow/10000 within 12x of /1000.
#include <benchmark/benchmark.h>
#include <litehtml/litehtml.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "canvas/meta_canvas.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "elements/table_element.h"
#include "litehtml_container.h"
#include "platform/rtl/collation.h"
#include "support/ahem_canvas.h"

namespace {

using namespace ht;

constexpr int kColumns = 8;

// Rows of eight short cells; column 1 holds words in shuffled order and
// column 2 numbers with a thousands space, both sortable.
std::string tableMarkup(int Rows) {
  std::mt19937 rng(7);
  std::string s = "<html><body><table><thead><tr>";
  for (int c = 0; c < kColumns; ++c) s += "<th>H" + std::to_string(c) + "</th>";
  s += "</tr></thead><tbody>";
  for (int r = 0; r < Rows; ++r) {
    s += "<tr>";
    const unsigned v = rng() % 1000000;
    for (int c = 0; c < kColumns; ++c) {
      if (c == 1) s += "<td>w" + std::to_string(rng() % 100000) + "</td>";
      else if (c == 2) s += "<td class=float>" + std::to_string(v / 1000) + " " + std::to_string(1000 + v % 1000).substr(1) + "</td>";
      else s += "<td>c" + std::to_string(c) + "</td>";
    }
    s += "</tr>";
  }
  return s + "</tbody></table></body></html>";
}

struct Units {
  Units() { HtElementsInitialize(); }
  ~Units() { HtElementsFinalize(); }
};

struct Grid {
  Units units;
  std::unique_ptr<THtDocument> doc;
  TTableElement* table = nullptr;
  explicit Grid(int Rows, bool Lay = true) {
    doc = std::make_unique<THtDocument>(&testing::TAhemCanvas::ClassType, false);
    doc->Parse(Utf8ToString(tableMarkup(Rows)));
    if (Lay) doc->CalcSize(1280, 800);
    else doc->RecalcStyles();
    for (THtNode* n = doc.get(); n && !table; n = n->NextNode()) table = dynamic_cast<TTableElement*>(n);
    if (table && !Lay) table->Prepare();
  }
};

void BM_TableLayout(benchmark::State& state) {
  Grid g(int(state.range(0)));
  if (!g.table) return state.SkipWithError("no table");
  for (auto _ : state) {
    g.doc->NeedRecalc = true;
    g.doc->CalcSize(1280, 800);
  }
  state.counters["height"] = double(g.doc->DocumentHeight);
}
BENCHMARK(BM_TableLayout)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

constexpr const char* kLitehtmlMaster = R"css(
html, body, div { display: block }
head, style, script { display: none }
table { display: table; border-spacing: 2px } tr { display: table-row }
thead, tbody, tfoot { display: table-row-group }
td, th { display: table-cell; padding: 1px } th { font-weight: bold }
body { margin: 8px }
)css";

void BM_LitehtmlTableLayout(benchmark::State& state) {
  const std::string html = tableMarkup(int(state.range(0)));
  bench::TAhemLitehtmlContainer container;
  litehtml::context context;
  context.load_master_stylesheet(kLitehtmlMaster);
  litehtml::document::ptr doc = litehtml::document::createFromString(html.c_str(), &container, &context);
  doc->render(1280);
  for (auto _ : state) doc->render(1280);
  state.counters["height"] = double(doc->height());
}
BENCHMARK(BM_LitehtmlTableLayout)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_TableWindowPaint(benchmark::State& state) {
  Grid g(int(state.range(0)));
  if (!g.table) return state.SkipWithError("no table");
  THtMetaCanvas null;  // without a scene it has no list: records nothing
  THtCanvasScene s;
  s.Init(TRect(0, 0, 1280, 800), nullptr);
  for (auto _ : state) g.doc->RawPaint(null, s);
}
BENCHMARK(BM_TableWindowPaint)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void sortBench(benchmark::State& state, int Col) {
  Grid g(10000);  // the keys are the texts as laid out
  if (!g.table) return state.SkipWithError("no table");
  for (auto _ : state) g.table->Sort(Col, true);
}

void BM_TableSortText(benchmark::State& state) { sortBench(state, 1); }
BENCHMARK(BM_TableSortText)->Unit(benchmark::kMillisecond);
void BM_TableSortFloat(benchmark::State& state) { sortBench(state, 2); }
BENCHMARK(BM_TableSortFloat)->Unit(benchmark::kMillisecond);

// The floor: the same keys, made once, sorted in place of the rows.
template <class Key>
void keysBench(benchmark::State& state, int Col, Key key) {
  Grid g(10000);
  if (!g.table) return state.SkipWithError("no table");
  using K = decltype(key(String()));
  std::vector<std::pair<K, int>> keys;
  for (int i = 0; i < g.table->BodyCount(); ++i)
    keys.emplace_back(key(g.table->Row(g.table->HeaderCount() + i)->Cells(Col)->GetRawInnerText()), i);
  bool asc = true;
  for (auto _ : state) {
    std::stable_sort(keys.begin(), keys.end(), [asc](const auto& a, const auto& b) {
      return asc ? a.first < b.first : b.first < a.first;
    });
    asc = !asc;
  }
}

void BM_StableSortKeysText(benchmark::State& state) {
  keysBench(state, 1, [](const String& s) { return CollationKey(s); });
}
BENCHMARK(BM_StableSortKeysText)->Unit(benchmark::kMillisecond);
void BM_StableSortKeysFloat(benchmark::State& state) {
  keysBench(state, 2, [](const String& s) {
    String t;
    for (char16_t c : s)
      if (c != u' ') t += c;
    return std::stod(StringToUtf8(t));
  });
}
BENCHMARK(BM_StableSortKeysFloat)->Unit(benchmark::kMillisecond);

void BM_TableRowCountGrow(benchmark::State& state) {
  const int rows = int(state.range(0));
  Grid g(1, false);
  if (!g.table) return state.SkipWithError("no table");
  for (auto _ : state) {
    g.table->SetRowCount(rows);
    g.table->SetRowCount(2);  // the header row and one body row stay
  }
}
BENCHMARK(BM_TableRowCountGrow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
