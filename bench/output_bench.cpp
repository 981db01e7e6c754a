// Output of the shared book page: the whole page to PDF through HTMLtoPDF
// (paged layout, painting onto recorded pages, the PDF exporter) beside
// headless Chromium printing the same file to PDF, when Debian's chromium is
// installed (its process start is included: so is ours, cold, in the first
// iteration); and the document saved as HTML text (OuterHTML) beside the
// node tree's own GetInnerHTML over the same tree, which it should reach
// within 0.8 times.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "backends/canvas_gdi.h"
#include "backends/pdf_exporter.h"
#include "canvas/canvas.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "platform/core/core_fonts.h"
#include "shared_input.h"

namespace {

void ready() {
  // Printing records pages on the default canvas class; without one,
  // HTMLtoPDF raises before it measures anything.
  static const bool done = (ht::core::FontSystem::UseTestFonts(), ht::HtElementsInitialize(),
                            ht::RegisterPdfExporter(),
                            ht::HtDefaultCanvasClass = &ht::THtCanvasGDI::ClassType, true);
  (void)done;
}

void BM_BookToPdf(benchmark::State& state) {
  ready();
  const bench::TSharedPage& page = bench::BookPage();
  if (!page.ok) return state.SkipWithError(bench::TSharedPage::Missing);
  size_t bytes = 0;
  for (auto _ : state) bytes = ht::THtDocument::HTMLtoPDF(page.text, u"").size();
  state.counters["pdf_bytes"] = double(bytes);
}
BENCHMARK(BM_BookToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

// The path of the shared input as Chromium is given it.
std::string bookPath() {
  for (std::string dir : {std::string("../shared/bench/"),
                          std::getenv("TARNWICK_SOURCE_DIR")
                              ? std::string(std::getenv("TARNWICK_SOURCE_DIR")) + "/../shared/bench/"
                              : std::string()}) {
    if (dir.empty()) continue;
    const std::filesystem::path p = std::filesystem::path(dir) / bench::TSharedPage::Name;
    if (std::filesystem::exists(p)) return std::filesystem::absolute(p).string();
  }
  return {};
}

bool haveChromium() { return std::system("command -v chromium >/dev/null 2>&1") == 0; }

void BM_ChromiumBookToPdf(benchmark::State& state) {
  const std::string book = bookPath();
  if (book.empty()) return state.SkipWithError(bench::TSharedPage::Missing);
  if (!haveChromium()) return state.SkipWithError("chromium not installed (apt-get install chromium); skipped");
  const std::string out =
      (std::filesystem::temp_directory_path() / ("ht_chromium_" + std::to_string(::getpid()) + ".pdf")).string();
  const std::string cmd = "chromium --headless --no-sandbox --disable-gpu --no-pdf-header-footer --print-to-pdf='" +
                          out + "' 'file://" + book + "' >/dev/null 2>&1";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(cmd.c_str());
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (rc != 0) {
      state.SkipWithError("chromium failed");
      break;
    }
  }
  std::error_code ec;
  state.counters["pdf_bytes"] = double(std::filesystem::file_size(out, ec));
  std::filesystem::remove(out, ec);
}
BENCHMARK(BM_ChromiumBookToPdf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

ht::THtDocument* bookDocument() {
  static std::unique_ptr<ht::THtDocument> doc = []() -> std::unique_ptr<ht::THtDocument> {
    ready();
    const bench::TSharedPage& page = bench::BookPage();
    if (!page.ok) return nullptr;
    auto d = std::make_unique<ht::THtDocument>(&ht::THtCanvasGDI::ClassType);
    d->Parse(page.text);
    d->OuterHTML();  // the first call restyles
    return d;
  }();
  return doc.get();
}

void BM_OuterHTML(benchmark::State& state) {
  ht::THtDocument* doc = bookDocument();
  if (!doc) return state.SkipWithError(bench::TSharedPage::Missing);
  size_t units = 0;
  for (auto _ : state) units = doc->OuterHTML().size();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(units) * 2);
}
BENCHMARK(BM_OuterHTML)->Unit(benchmark::kMillisecond);

void BM_GetInnerHTML(benchmark::State& state) {
  ht::THtDocument* doc = bookDocument();
  if (!doc) return state.SkipWithError(bench::TSharedPage::Missing);
  size_t units = 0;
  for (auto _ : state) units = doc->GetInnerHTML().size();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(units) * 2);
}
BENCHMARK(BM_GetInnerHTML)->Unit(benchmark::kMillisecond);

}  // namespace
