// HTML parsing of a large real-world page from its bytes (as stored, UTF-8)
// to a full tree, beside gumbo (Debian's libgumbo-dev) in the same program:
//   Parse        bytes to tree; freeing the tree is not timed
//   ParseAndFree bytes to tree, then the tree freed
//   OneShot      a fresh process per parse: start, read the file, parse,
//                free, exit (this program started again with --one-shot)
// plus writing the built tree back to HTML.
//
// Heap: glibc's defaults trim freed memory and hand large blocks back to
// the system, so every run pays for fresh pages; a warm heap keeps them:
//   GLIBC_TUNABLES=glibc.malloc.trim_threshold=4294967295:glibc.malloc.mmap_threshold=33554432
// The context line "heap" says which one a run used. Throughput counts the
// page's bytes.
#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "shared_input.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "markup/markup_startup.h"
#include "markup/node.h"

extern char** environ;

namespace {

const std::string& pageBytes() {
  static const std::string bytes = [] {
    std::string b;
    bench::LoadSharedInput(bench::TSharedPage::Name, b);
    return b;
  }();
  return bytes;
}

void prepare() {
  static const bool ready = [] {
    ht::HtMarkupInitialize();
    return true;
  }();
  (void)ready;
}

struct Tarnwick {
  std::unique_ptr<ht::THtmlNode> root;
  void parse(const std::string& bytes) {
    root = std::make_unique<ht::THtmlNode>();
    root->ParseBytes(bytes);
  }
  void free() { root.reset(); }
};

struct Gumbo {
  GumboOutput* output = nullptr;
  void parse(const std::string& bytes) {
    output = gumbo_parse_with_options(&kGumboDefaultOptions, bytes.data(), bytes.size());
  }
  void free() {
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    output = nullptr;
  }
};

template <class Parser>
void BM_Parse(benchmark::State& state) {
  const std::string& bytes = pageBytes();
  if (bytes.empty()) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  prepare();
  Parser parser;
  for (auto _ : state) {
    parser.parse(bytes);
    state.PauseTiming();
    parser.free();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

template <class Parser>
void BM_ParseAndFree(benchmark::State& state) {
  const std::string& bytes = pageBytes();
  if (bytes.empty()) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  prepare();
  Parser parser;
  for (auto _ : state) {
    parser.parse(bytes);
    parser.free();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

std::string selfPath;

// Starts this program again to read, parse and free the page once.
template <class Parser>
void BM_OneShot(benchmark::State& state) {
  if (pageBytes().empty()) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  const char* which = std::is_same_v<Parser, Tarnwick> ? "tarnwick" : "gumbo";
  for (auto _ : state) {
    std::vector<char*> args = {selfPath.data(), const_cast<char*>("--one-shot"), const_cast<char*>(which),
                               nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, selfPath.c_str(), nullptr, nullptr, args.data(), environ) != 0) {
      state.SkipWithError("cannot start the program again");
      return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("one-shot run failed");
      return;
    }
  }
}

int oneShot(const std::string& which) {
  std::string bytes;
  if (!bench::LoadSharedInput(bench::TSharedPage::Name, bytes)) return 2;
  if (which == "tarnwick") {
    ht::HtMarkupInitialize();
    Tarnwick t;
    t.parse(bytes);
    t.free();
  } else {
    Gumbo g;
    g.parse(bytes);
    g.free();
  }
  return 0;
}

void BM_WriteHTML(benchmark::State& state) {
  const std::string& bytes = pageBytes();
  if (bytes.empty()) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  prepare();
  ht::THtmlNode root;
  root.ParseBytes(bytes);
  for (auto _ : state) {
    ht::String html = root.GetInnerHTML();
    benchmark::DoNotOptimize(html.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

BENCHMARK_TEMPLATE(BM_Parse, Tarnwick)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Parse, Gumbo)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ParseAndFree, Tarnwick)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ParseAndFree, Gumbo)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_OneShot, Tarnwick)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_OneShot, Gumbo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteHTML)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--one-shot") == 0) return oneShot(argv[2]);
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  selfPath = n > 0 ? std::string(path, size_t(n)) : std::string(argv[0]);
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  benchmark::AddCustomContext("heap", tunables && std::strstr(tunables, "trim_threshold") ? "warm (GLIBC_TUNABLES)"
                                                                                         : "glibc defaults");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
