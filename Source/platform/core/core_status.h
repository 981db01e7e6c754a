#pragma once
// Result codes, the per-thread last error and the switchable call trace the
// facades (GDI, GDI+, Direct2D) share. A facade keeps one TCallTrace; tests
// switch it on to see which route a back end took without comparing pixels.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ht::core {

enum TCoreStatus : int {
  csOk = 0,
  csGenericError = 1,
  csInvalidParameter = 2,
  csOutOfMemory = 3,
  csFileNotFound = 10,
  csFontFamilyNotFound = 14,
  csFontStyleNotFound = 15,
  csNotTrueTypeFont = 16,
  csInsufficientBuffer = 122,
};

// The last error of the calling thread (GetLastError-like).
void SetLastError(uint32_t Code);
uint32_t GetLastError();

class TCallTrace {
 public:
  explicit TCallTrace(std::string_view AFacade) : Facade(AFacade) {}

  // Records Call when the trace is on; callers that build costly text test
  // Enabled first.
  void Add(std::string_view Call) {
    if (Enabled) Calls.emplace_back(Call);
  }
  void Clear() { Calls.clear(); }
  // The recorded calls joined by "; ".
  std::string Text() const;
  // How many recorded calls start with Name.
  int Count(std::string_view Name) const;

  std::string Facade;
  bool Enabled = false;
  std::vector<std::string> Calls;
};

// Short number text for traces ("1.5", "-2", "0.25").
std::string TraceNum(double v);

}  // namespace ht::core
