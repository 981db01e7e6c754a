#include "platform/core/core_status.h"

#include <charconv>
#include <cmath>

namespace ht::core {

namespace {
thread_local uint32_t lastError = 0;
}

void SetLastError(uint32_t Code) { lastError = Code; }
uint32_t GetLastError() { return lastError; }

std::string TCallTrace::Text() const {
  std::string r;
  for (const auto& c : Calls) {
    if (!r.empty()) r += "; ";
    r += c;
  }
  return r;
}

int TCallTrace::Count(std::string_view Name) const {
  int n = 0;
  for (const auto& c : Calls)
    if (std::string_view(c).substr(0, Name.size()) == Name) ++n;
  return n;
}

std::string TraceNum(double v) {
  if (!std::isfinite(v)) return "nan";
  double r = std::round(v * 100) / 100;
  if (r == 0) r = 0;  // no "-0"
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::general, 8);
  return std::string(buf, res.ptr);
}

}  // namespace ht::core
