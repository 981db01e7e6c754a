#pragma once
// The keyword enumerations of CSS properties (display, float, cursor, ...).
// Each enumeration comes from one X-macro line list in css_keywords.def,
// which yields the enum, its value names and a TEnumTypeInfo that the
// property registry hands out as the enumeration's run-time description.
#include <cstdint>
#include <string_view>

#include "platform/rtl/enum_table.h"

namespace ht {

// Run-time description of a keyword enumeration: its type name and the value
// names in ordinal order (each name is the prefix followed by the keyword
// without hyphens, e.g. "dsInlineBlock").
struct TEnumTypeInfo {
  std::string_view Name;
  const std::string_view* ValueNames;
  size_t Count;
};

template <class E>
struct TKeywordEnum;

// The description of the keyword enumeration E.
template <class E>
constexpr const TEnumTypeInfo* EnumTypeInfo() {
  return &TKeywordEnum<E>::Info;
}

#define HT_KEYWORD_ENUM(Type, LIST)                                                          \
  HT_ENUM(Type, uint8_t, LIST);                                                              \
  template <>                                                                                \
  struct TKeywordEnum<Type> {                                                                \
    static constexpr TEnumTypeInfo Info{#Type, TEnumInfo<Type>::Names.data(),                \
                                        TEnumInfo<Type>::Names.size()};                      \
  }

#include "css/css_keywords.def"

}  // namespace ht
