#pragma once
// The property registry: the engine's one table of the CSS properties it
// knows, keyed by the lower-case property name. Each entry (TCSSPropRec)
// gives the property's id, the kind of value it takes, what its percentages
// refer to, whether it is inherited, its numeric default, whether a change
// needs a new layout, the longhands of a shorthand and the keyword
// enumeration of its values.
//
// RegisterCSSProperties builds the 149 entries of this subsystem once at
// start-up; the SVG subsystem adds its sixteen presentation properties
// (ids 124-132 and 134-140) through RegisterCSSProp. After start-up the
// registry is read-only and may be read from any thread.
#include <cstdint>
#include <vector>

#include "css/css_keywords.h"
#include "markup/hash_dictionary.h"
#include "platform/rtl/enum_table.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

#include "css/css_property_ids.def"
static_assert(EnumCount<TCSSProperty>() == 165, "TCSSProperty ids are stored; their number is fixed");

// How a declaration's value of the property is compiled.
#define HT_CSS_PROPERTY_TYPE_VALUES(X) X(cptLength) X(cptNumber) X(cptColor) X(cptString) X(cptEnum) X(cptComplex)
HT_ENUM(TCSSPropertyType, uint8_t, HT_CSS_PROPERTY_TYPE_VALUES);

class TCSSPropRec : public THtObject {
 public:
  String Name;  // lower case; the registry key
  TCSSProperty Id = cspUnknown;
  TCSSPropertyType Kind = cptNumber;
  // What a percentage refers to: 0 own InnerWidth, 1 own InnerHeight, 2 the
  // style's font size, 3 the container's InnerWidth, 4 its InnerHeight; any
  // other value: no base.
  uint8_t PercentBase = 0;
  bool Inherited = false;
  float DefaultValue = 0;
  bool AffectsLayout = false;
  std::vector<TCSSPropRec*> SubProps;  // a shorthand's longhands, not owned
  const TEnumTypeInfo* EnumType = nullptr;
  String EnumPrefix;  // lower case, e.g. "ds" for TDisplayStyle

  // Appends the registered entry `Name` to SubProps; an unregistered name is
  // skipped. Returns this entry, so calls chain.
  TCSSPropRec* AddSubProp(StringView Name);
  TCSSPropRec* SetEnum(StringView Prefix, const TEnumTypeInfo* TypeInfo);
};

// Creates the registry and its 149 entries; later calls do nothing.
void RegisterCSSProperties();
// Frees the registry and every entry (unit shutdown).
void UnregisterCSSProperties();

// Creates an entry (no enumeration, no longhands), adds it to the registry
// under Name and returns it. A name registered again keeps its entry (so
// longhand links stay valid) and takes the new field values.
TCSSPropRec* RegisterCSSProp(StringView Name, TCSSProperty Id, TCSSPropertyType Kind, bool Inherited,
                             uint8_t PercentBase, float DefaultValue, bool AffectsLayout);

// The registry: an owning THtObjectDictionary keyed by each entry's Name;
// null before RegisterCSSProperties.
const THtObjectDictionary* CSSPropRegistry();

// The entry registered under Name, compared exactly (callers lower-case
// first), or null. Null as well before RegisterCSSProperties has run.
TCSSPropRec* FindCSSProp(StringView Name);
// The first entry registered with Id, or null: a look-up without hashing a
// name, for callers that know the property's id.
TCSSPropRec* CSSPropRecOf(TCSSProperty Id);

// The keyword rule: Prefix is put before Name with every "-" removed and the
// result is looked up among the value names of TypeInfo ignoring case; the
// ordinal of the match goes to Value. "disc" is also accepted for the list
// style written "disk" in the enumeration.
bool TryGetEnumValue(StringView Prefix, StringView Name, const TEnumTypeInfo* TypeInfo, int& Value);

}  // namespace ht
