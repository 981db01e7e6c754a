#pragma once
// Loads a real-world input from the shared corpus beside the checkout:
// ../shared/bench/ from the working directory, then
// $TARNWICK_SOURCE_DIR/../shared/bench/. Benchmarks skip when it is absent.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace bench
