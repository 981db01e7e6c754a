// HTML parsing of a large real-world page from its bytes (as stored, UTF-8)
// to a full tree, beside gumbo (Debian's libgumbo-dev) in the same program:
//   Parse        bytes to tree; freeing the tree is not timed
//   ParseAndFree bytes to tree, then the tree freed
//   OneShot      a fresh process per parse: start, read the file, parse,
//                free, exit (this program started again with --one-shot);
//                its counter peak_added_MB is the resident memory one parse
//                adds at its peak (VmHWM after the parse minus VmRSS before)
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

#include <cstdio>
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

// Starts this program again to read, parse and free the page once; the
// child reports the memory its parse added on a pipe.
template <class Parser>
void BM_OneShot(benchmark::State& state) {
  if (pageBytes().empty()) {
    state.SkipWithError(bench::TSharedPage::Missing);
    return;
  }
  const char* which = std::is_same_v<Parser, Tarnwick> ? "tarnwick" : "gumbo";
  double addedKb = 0;
  for (auto _ : state) {
    std::vector<char*> args = {selfPath.data(), const_cast<char*>("--one-shot"), const_cast<char*>(which),
                               nullptr};
    int fds[2];
    if (pipe(fds) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, selfPath.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
      close(fds[0]);
      state.SkipWithError("cannot start the program again");
      return;
    }
    char text[64] = {};
    const ssize_t got = read(fds[0], text, sizeof text - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got <= 0) {
      state.SkipWithError("one-shot run failed");
      return;
    }
    addedKb = std::atof(text);
  }
  state.counters["peak_added_MB"] = addedKb / 1024.0;
}

// A field of /proc/self/status in kB.
long statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return 0;
}

int oneShot(const std::string& which) {
  std::string bytes;
  if (!bench::LoadSharedInput(bench::TSharedPage::Name, bytes)) return 2;
  long before = 0, peak = 0;
  if (which == "tarnwick") {
    ht::HtMarkupInitialize();
    Tarnwick t;
    before = statusKb("VmRSS:");
    t.parse(bytes);
    peak = statusKb("VmHWM:");
    t.free();
  } else {
    Gumbo g;
    before = statusKb("VmRSS:");
    g.parse(bytes);
    peak = statusKb("VmHWM:");
    g.free();
  }
  std::printf("%ld\n", peak - before);
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
