#include "platform/rtl/enum_table.h"

namespace ht::enum_detail {

namespace {

// Compares prefix + keyword (hyphens skipped) with `name`, ignoring ASCII case.
bool matches(std::string_view name, StringView prefix, StringView keyword) {
  size_t n = 0;
  for (char16_t c : prefix) {
    if (n == name.size() || AsciiLower(c) != AsciiLower(char16_t(uint8_t(name[n])))) return false;
    ++n;
  }
  for (char16_t c : keyword) {
    if (c == u'-') continue;
    if (n == name.size() || AsciiLower(c) != AsciiLower(char16_t(uint8_t(name[n])))) return false;
    ++n;
  }
  return n == name.size();
}

}  // namespace

int FindKeyword(const std::string_view* names, size_t count, StringView prefix, StringView keyword) {
  for (size_t i = 0; i < count; ++i)
    if (matches(names[i], prefix, keyword)) return int(i);
  return -1;
}

}  // namespace ht::enum_detail
