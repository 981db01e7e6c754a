#pragma once
// Loads a real-world input from the shared corpus beside the checkout:
// ../shared/bench/ from the working directory, then
// $TARNWICK_SOURCE_DIR/../shared/bench/. Benchmarks skip when it is absent.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/rtl/string.h"

namespace bench {

inline bool LoadSharedInput(const std::string& name, std::string& bytes) {
  std::string candidates[2] = {"../shared/bench/" + name, ""};
  if (const char* src = std::getenv("TARNWICK_SOURCE_DIR"))
    candidates[1] = std::string(src) + "/../shared/bench/" + name;
  for (const std::string& path : candidates) {
    if (path.empty()) continue;
    std::ifstream in(path, std::ios::binary);
    if (!in) continue;
    std::ostringstream ss;
    ss << in.rdbuf();
    bytes = ss.str();
    return true;
  }
  return false;
}

// The large real-world page most markup and style benchmarks run over,
// decoded once to UTF-16.
struct TSharedPage {
  static constexpr const char* Name = "rust-book-print.html";
  static constexpr const char* Missing = "../shared/bench/rust-book-print.html not found; skipped";
  bool ok = false;
  size_t bytes = 0;  // as stored (UTF-8), the base of MB/s figures
  ht::String text;
};

inline const TSharedPage& BookPage() {
  static const TSharedPage page = [] {
    TSharedPage p;
    std::string raw;
    p.ok = LoadSharedInput(TSharedPage::Name, raw);
    p.bytes = raw.size();
    p.text = ht::Utf8ToString(raw);
    return p;
  }();
  return page;
}

}  // namespace bench
