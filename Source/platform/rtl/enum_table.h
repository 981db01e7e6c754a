#pragma once
// Enumerations whose value names are needed at run time (CSS keywords,
// selector text, generated HTML). Each enumeration is written once, as an
// X-macro list in a .def file, one line per value:
//
//   // display.def
//   #define HT_DISPLAY_VALUES(X)  X(dsInline) X(dsBlock) X(dsInlineBlock)
//   (in the file, one X(...) per line, each line ending in a backslash)
//   HT_ENUM(TDisplay, uint8_t, HT_DISPLAY_VALUES)
//
// which yields the plain enumeration TDisplay, its names table, EnumName()
// and the keyword look-up of EnumFromKeyword(). Use HT_ENUM inside namespace ht.
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/rtl/string.h"

namespace ht {

// Specialised by HT_ENUM for every enumeration it declares.
template <class E>
struct TEnumInfo;

namespace enum_detail {
// The index of the value name equal to prefix + keyword, ignoring ASCII case
// and the keyword's hyphens; -1 when none is.
int FindKeyword(const std::string_view* names, size_t count, StringView prefix, StringView keyword);
}  // namespace enum_detail

template <class E>
constexpr size_t EnumCount() {
  return TEnumInfo<E>::Names.size();
}

template <class E>
std::string_view EnumName(E value) {
  const auto& names = TEnumInfo<E>::Names;
  const size_t i = size_t(value);
  return i < names.size() ? names[i] : std::string_view();
}

// The keyword rule: the enumeration's prefix is put before the keyword with
// its hyphens removed, and the result is looked up among the value names
// ignoring case ("inline-block" with prefix "ds" gives dsInlineBlock).
template <class E>
bool EnumFromKeyword(StringView keyword, StringView prefix, E& value) {
  const auto& names = TEnumInfo<E>::Names;
  const int i = enum_detail::FindKeyword(names.data(), names.size(), prefix, keyword);
  if (i < 0) return false;
  value = E(i);
  return true;
}

#define HT_ENUM_ENTRY_(name) name,
#define HT_ENUM_NAME_(name) std::string_view(#name),
#define HT_ENUM_COUNT_(name) +1

#define HT_ENUM(Type, Underlying, LIST)                                                     \
  enum Type : Underlying { LIST(HT_ENUM_ENTRY_) };                                          \
  template <>                                                                               \
  struct TEnumInfo<Type> {                                                                  \
    static constexpr std::array<std::string_view, 0 LIST(HT_ENUM_COUNT_)> Names{           \
        {LIST(HT_ENUM_NAME_)}};                                                             \
  }

}  // namespace ht
