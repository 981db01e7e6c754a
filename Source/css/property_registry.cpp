#include "css/property_registry.h"

#include <array>
#include <memory>
#include <type_traits>

namespace ht {

namespace {

// Stands for "no keyword enumeration" in the property table.
struct TNoKeywords;

template <class E>
constexpr const TEnumTypeInfo* keywordsOf() {
  if constexpr (std::is_same_v<E, TNoKeywords>)
    return nullptr;
  else
    return EnumTypeInfo<E>();
}

// Keywords in common use that the enumerations spell otherwise.
struct TKeywordAlias {
  const TEnumTypeInfo* Type;
  StringView Keyword;  // without hyphens, lower case
  int Value;
};
constexpr TKeywordAlias keywordAliases[] = {
    {EnumTypeInfo<TListStyleType>(), u"disc", lstDisk},
};

// Keyword without its hyphens, lower-cased (ASCII).
String keywordKey(StringView keyword) {
  String s;
  s.reserve(keyword.size());
  for (char16_t c : keyword)
    if (c != u'-') s += AsciiLower(c);
  return s;
}

std::unique_ptr<THtObjectDictionary> registry;
// The entries by id (not owned): the first one registered for each id.
std::array<TCSSPropRec*, EnumCount<TCSSProperty>()> byId{};

void createRegistry() {
  if (!registry) registry = std::make_unique<THtObjectDictionary>(511, true, KeyField<&TCSSPropRec::Name>);
}

}  // namespace

TCSSPropRec* TCSSPropRec::AddSubProp(StringView Name) {
  if (TCSSPropRec* sub = FindCSSProp(Name)) SubProps.push_back(sub);
  return this;
}

TCSSPropRec* TCSSPropRec::SetEnum(StringView Prefix, const TEnumTypeInfo* TypeInfo) {
  EnumType = TypeInfo;
  EnumPrefix = String(Prefix);
  return this;
}

TCSSPropRec* RegisterCSSProp(StringView Name, TCSSProperty Id, TCSSPropertyType Kind, bool Inherited,
                             uint8_t PercentBase, float DefaultValue, bool AffectsLayout) {
  createRegistry();
  TCSSPropRec* rec = FindCSSProp(Name);
  if (!rec) {
    auto fresh = std::make_unique<TCSSPropRec>();
    fresh->Name = String(Name);
    rec = registry->AddObject(fresh.release());
  }
  if (size_t(rec->Id) < byId.size() && byId[size_t(rec->Id)] == rec) byId[size_t(rec->Id)] = nullptr;
  rec->Id = Id;
  if (size_t(Id) < byId.size() && !byId[size_t(Id)]) byId[size_t(Id)] = rec;
  rec->Kind = Kind;
  rec->Inherited = Inherited;
  rec->PercentBase = PercentBase;
  rec->DefaultValue = DefaultValue;
  rec->AffectsLayout = AffectsLayout;
  rec->SubProps.clear();
  rec->EnumType = nullptr;
  rec->EnumPrefix.clear();
  return rec;
}

void RegisterCSSProperties() {
  if (FindCSSProp(u"unknown")) return;
  createRegistry();
#define HT_REGISTER_PROP_(Name, Id, Kind, Inherited, PercentBase, DefaultValue, AffectsLayout, EnumT, Prefix, \
                          ...)                                                                           \
  {                                                                                                      \
    TCSSPropRec* rec = RegisterCSSProp(Name, Id, Kind, Inherited, PercentBase, DefaultValue, AffectsLayout); \
    if (const TEnumTypeInfo* info = keywordsOf<EnumT>()) rec->SetEnum(Prefix, info);                     \
    for (StringView sub : std::initializer_list<StringView>{__VA_ARGS__}) rec->AddSubProp(sub);          \
  }
#include "css/css_properties.def"
  HT_CSS_PROPERTY_TABLE(HT_REGISTER_PROP_)
#undef HT_REGISTER_PROP_
}

void UnregisterCSSProperties() {
  byId.fill(nullptr);
  registry.reset();
}

TCSSPropRec* FindCSSProp(StringView Name) {
  TCSSPropRec* rec = nullptr;
  if (registry) registry->TryGetValue(Name, rec);
  return rec;
}

TCSSPropRec* CSSPropRecOf(TCSSProperty Id) { return size_t(Id) < byId.size() ? byId[size_t(Id)] : nullptr; }

const THtObjectDictionary* CSSPropRegistry() { return registry.get(); }

bool TryGetEnumValue(StringView Prefix, StringView Name, const TEnumTypeInfo* TypeInfo, int& Value) {
  if (!TypeInfo) return false;
  int i = enum_detail::FindKeyword(TypeInfo->ValueNames, TypeInfo->Count, Prefix, Name);
  if (i < 0) {
    const String key = keywordKey(Name);
    for (const auto& alias : keywordAliases)
      if (alias.Type == TypeInfo && alias.Keyword == key) i = alias.Value;
  }
  if (i < 0) return false;
  Value = i;
  return true;
}

}  // namespace ht
