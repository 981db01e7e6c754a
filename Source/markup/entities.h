#pragma once
// The named character references of HTML, in both directions: from a name to
// its code point (for the tokenizer) and from a character to the name the
// HTML writer uses for it.
//
// Both look-ups are process-wide and read-only once built: the markup unit's
// start-up creates them with CreateEntityDictionaries and its shutdown frees
// them with FreeEntityDictionaries; nothing creates them lazily.
#include <cstdint>

#include "markup/hash_dictionary.h"
#include "platform/rtl/string.h"

namespace ht {

// One reference: the name without ";" (case-sensitive) and one code point
// (the first, for references that stand for two).
struct THtmlEntity {
  StringView Name;
  uint32_t Value;
};

// The built-in rows, ordered by name ignoring ASCII case, upper case first.
constexpr int32_t HtmlEntityCount = 2125;
extern const THtmlEntity HtmlEntities[HtmlEntityCount];

class THtEntityDictionary : public THtPointerDictionary {
 public:
  // Enters every row of HtmlEntities.
  THtEntityDictionary();
  // The code point of the CharCount units at P, compared exactly, without
  // building a string; 0 when the name is not known.
  uint32_t FindEntity(const char16_t* P, int32_t CharCount) const;
};

class THtEntityReverseDictionary : public THtIdPointerDictionary {
 public:
  // Enters the first row (in table order) of every code point above U+00FF
  // outside the ranges whose letters are written as they are: U+0100..U+024F,
  // U+0370..U+04FF, U+0530..U+074F and U+2000..U+209F.
  THtEntityReverseDictionary();
  // The row naming the UTF-16 unit Ch (its low 16 bits), or null.
  const THtmlEntity* FindEntity(uint32_t Ch) const;
};

extern THtEntityDictionary* EntityDictionary;
extern THtEntityReverseDictionary* EntityReverseDictionary;

// Builds both look-ups (nothing happens when they exist) / frees them.
void CreateEntityDictionaries();
void FreeEntityDictionaries();

}  // namespace ht
