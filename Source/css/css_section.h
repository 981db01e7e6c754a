#pragma once
// A rule (TCSSSection): its selectors, its declarations as written and the
// longhand values compiled from them, which matching hands to computed
// style. Shorthands are expanded once, when the rule is read or changed.
// Sections also write themselves back as CSS text.
#include <cstdint>
#include <memory>
#include <vector>

#include "css/css_media_set.h"
#include "css/css_selector.h"
#include "css/css_value.h"
#include "markup/fast_string.h"
#include "markup/object_list.h"

namespace ht {

// A list of selectors, owning or not as created. Key is the index key when
// the list is an index entry; StartPos and EndPos the source span of a
// rule's selector list.
class TCSSSelectors : public THtObjectListOf<TCSSSelector> {
 public:
  using THtObjectListOf<TCSSSelector>::THtObjectListOf;
  String Key;
  int StartPos = 0;
  int EndPos = 0;
};

class TCSSSection : public THtObject {
 public:
  explicit TCSSSection(bool FOwnsSelectors = true);
  ~TCSSSection() override;
  TCSSSection(const TCSSSection&) = delete;
  TCSSSection& operator=(const TCSSSection&) = delete;

  // Sets S's Section and appends it (the list owns S when it owns its items).
  void AddSelector(TCSSSelector* S);
  // Rebuilds CompiledValues from Values.
  void Compile();
  // Appends a copy of V belonging to this section (no recompilation).
  void AddValue(const TCSSValue& V);
  // Removes the value at Index (0-based) and recompiles.
  void DeleteValue(int Index);
  // The tokens of the first declared (compiled) value whose Token.Name
  // equals Name ignoring case; empty when there is none.
  const TCSSTokens& ValuebyName(StringView Name) const;
  const TCSSTokens& CompiledValuebyName(StringView Name) const;
  TCSSValue* ItembyName(StringView Name);

  // "sel1, sel2" CR LF "{" CR LF, "  decl" CR LF per value, "}".
  String AsString() const;
  void WriteTo(TFastString& Out) const;
  // The declarations one after the other, trimmed.
  String AsInlineString() const;
  // Joins four equal border sides into "border" and four equal paddings
  // into "padding".
  void Minify();

  // Keeps a copy of the tokens of a calc() value for the section's life and
  // answers it.
  const TCSSTokens* AddCalcValue(const TCSSTokens& Tokens);

  std::vector<std::unique_ptr<TCSSCalcValueObject>> FCalcValues;
  std::unique_ptr<TCSSSelectors> Selectors;
  TCSSValues Values;          // as written, in order
  TCSSValues CompiledValues;  // the longhands made by Compile
  int BlockStartPos = 0;
  int BlockEndPos = 0;
  bool Custom = false;
  bool FontFace = false;
  TCSSMediaSet* MediaSet = nullptr;  // never null once parsed; not owned
  String URL;
  // Written only by TCSSOwnSections (style_maps.h): the set that holds this
  // rule, valid while the set's generation is unchanged.
  struct {
    const void* Owner = nullptr;
    uint64_t Generation = 0;
  } OwnerMark;
};

}  // namespace ht
