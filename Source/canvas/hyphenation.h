#pragma once
// Where a word may be split at the end of a line. Each language is a
// THtLanguage found by its code (case-sensitive) in a process-wide registry
// and created on first request. A language may hold a dictionary of words
// with their break positions, loaded from text; the language "ru" also has a
// built-in syllable rule for words the dictionary does not list.
//
// A break position p (1-based) means the word may be split before its p-th
// character (UTF-16 unit).
#include "canvas/canvas_types.h"
#include "markup/hash_dictionary.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/string.h"

namespace ht {

class THtHyphenItem : public THtObject {
 public:
  String Word;  // upper case
  TCardinalArray Positions;
};

class THtLanguage : public THtObject {
 public:
  explicit THtLanguage(StringView AName) : Name(AName) {}

  // The registry's entry for LangCode, created when missing.
  static THtLanguage* GetLanguage(StringView LangCode);

  // Stores the upper-cased word with its positions, replacing an entry for
  // the same word.
  void AddHyphenation(StringView Word, const TCardinalArray& APositions);
  // One entry per line: a word, a blank, and the word written with "-" at
  // each break ("hyphenation hy-phen-a-tion" gives 3, 7 and 8). A byte-order
  // mark selects UTF-8 or UTF-16; without one the text is in the system's
  // code page.
  void LoadHyphenationfromStream(TStream& ST);
  // Words of 3 units or fewer have none; then the dictionary (ignoring the
  // word's case); then, for "ru" only, the built-in rule. Empty when none.
  TCardinalArray GetHyphenationPositions(StringView Word) const;

  String Name;
  std::unique_ptr<THtObjectDictionary> Hyphen;  // of THtHyphenItem by Word; created with the first word
};

// The built-in syllable rule on an upper-case Russian word.
TCardinalArray RussianHyphenationPositions(StringView UpperWord);

// The unit's shutdown: frees the registry and every language.
void FinalizeLanguages();

}  // namespace ht
