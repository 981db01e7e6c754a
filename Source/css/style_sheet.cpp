#include "css/style_sheet.h"

#include "css/media_query.h"
#include "markup/str_utils.h"
#include "markup/url_utils.h"

namespace ht {

namespace {

const TCSSTokens& emptyTokens() {
  static const TCSSTokens empty;
  return empty;
}

}  // namespace

TCSSCustomFont::TCSSCustomFont(StringView AFamily, StringView ASrc, StringView AFontName)
    : Family(FontNameLowerCase(AFamily)), Src(ASrc), FontName(AFontName) {}

TCSSStyleSheet::TCSSStyleSheet() = default;

TCSSStyleSheet::~TCSSStyleSheet() {
  // The indexes point at the rules' selectors: empty them first.
  Main.Clear();
  Before.reset();
  After.reset();
  Marker.reset();
  fSections.clear();
}

void TCSSStyleSheet::Parse(const String& S, int64_t SetWeight, bool Custom) {
  if (IsBlankString(S)) return;
  TCSSParser parser(S, true);
  FSetWeight = SetWeight;
  FCustom = Custom;
  auto finish = [&] {
    for (const TCSSImport& import : parser.FImports)
      fImports.push_back(URL.empty() ? import.Token.Name : CombineURL(URL, import.Token.Name));
    // Rules already taken point at these sets, also when parsing failed.
    adoptMediaSets(parser);
  };
  try {
    parser.ReadSections(*this);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TCSSStyleSheet::adoptMediaSets(TCSSParser& Parser) {
  for (auto& set : Parser.ExtractMediaSets()) {
    if (MediaSetIsQuery(*set)) HasMediaQueries = true;
    if (MediaSetTestsWidth(*set)) {
      HasMediaSizeQueries = true;
      set->HasSizeQuery = true;
    }
    MediaSets.push_back(set.get());
    FOwnMediaSets.push_back(std::move(set));
  }
}

void TCSSStyleSheet::AddSection(std::unique_ptr<TCSSSection> Section, const TCSSParser& Parser) {
  if (Section->Values.empty()) return;
  Section->URL = URL;
  if (Section->FontFace) {
    const TCSSTokens& family = Section->ValuebyName(u"font-family");
    const TCSSTokens& src = Section->ValuebyName(u"src");
    if (!family.empty() && !SameTextAscii(family[0].Name, u"inherit") && !src.empty())
      addCustomFont(family[0].Name, src[0].Name);
    FOwnSections.insert(Section.get());
    fSections.push_back(std::move(Section));
    return;
  }
  if (!Parser.FKeyFramesName.empty()) {
    if (!KeyFrames) KeyFrames = std::make_unique<TCSSKeyFrameMap>();
    KeyFrames->AddSection(Parser.FKeyFramesName, Section.release());
    return;
  }
  Section->Custom = FCustom;
  for (const TCSSValue& v : Section->Values)
    if (v.Token.Name.starts_with(u"--")) AddVariable(StringView(v.Token.Name).substr(2), v.Tokens);
  for (TCSSSelector* s : *Section->Selectors) s->Weight = FSetWeight == -1 ? s->Specificity() : int(uint32_t(FSetWeight));
  addRule(std::move(Section));
}

void TCSSStyleSheet::addRule(std::unique_ptr<TCSSSection> Section) {
  for (TCSSSelector* s : *Section->Selectors) registerSelector(s, true);
  // A rule merged into an earlier one is left empty; its calc() copies
  // still serve the moved values.
  if (Section->Values.empty() && Section->FCalcValues.empty()) return;
  FOwnSections.insert(Section.get());
  fSections.push_back(std::move(Section));
}

void TCSSStyleSheet::ParseValues(const String& S, int64_t SetWeight) {
  if (IsBlankString(S)) return;
  TCSSParser parser(S, true);
  parser.FSection = std::make_unique<TCSSSection>(true);
  parser.ReadDeclarations();
  std::unique_ptr<TCSSSection> section = std::move(parser.FSection);
  if (!section) return;
  section->MediaSet = DefaultCSSMediaSet();
  section->URL = URL;
  section->Compile();
  if (section->Values.empty() && section->FCalcValues.empty()) return;
  std::unique_ptr<TCSSSelector> universal = TCSSSelector::FromText(u"*");
  universal->Weight = SetWeight == -1 ? 0 : int(uint32_t(SetWeight));
  section->AddSelector(universal.release());
  addRule(std::move(section));
}

void TCSSStyleSheet::RegisterSelector(TCSSSelector* S) { registerSelector(S, true); }

void TCSSStyleSheet::registerSelector(TCSSSelector* S, bool Merge) {
  ++SelectorCounter;
  if (S->Order == 0 || S->Order > 9999) {
    // Another sheet's selector (Assign) may be merged into several sheets:
    // its number in this one is kept here, so that a second merge does not
    // renumber it under the first sheet's later rules.
    if (Merge)
      S->Order = SelectorCounter;
    else
      FMergedOrders[S] = SelectorCounter;
  }
  TCSSStyleMaps* maps = &Main;
  auto ensure = [](std::unique_ptr<TCSSStyleMaps>& m) -> TCSSStyleMaps* {
    if (!m) m = std::make_unique<TCSSStyleMaps>();
    return m.get();
  };
  if (S->PseudoSet & PseudoBit(pcBefore))
    maps = ensure(Before);
  else if (S->PseudoSet & PseudoBit(pcAfter))
    maps = ensure(After);
  else if (S->PseudoSet & PseudoBit(pcMarker))
    maps = ensure(Marker);
  maps->AddSelector(S, Merge ? &FOwnSections : nullptr);
}

void TCSSStyleSheet::Assign(TCSSStyleSheet& Source) {
  // Without merging: a merge would rewrite the source's rules.
  for (const auto& section : Source.fSections) {
    if (section->FontFace) continue;
    for (TCSSSelector* s : *section->Selectors) registerSelector(s, false);
  }
  if (Source.HasMediaQueries) {
    HasMediaQueries = true;
    for (auto it = Source.MediaSets.rbegin(); it != Source.MediaSets.rend(); ++it) MediaSets.push_back(*it);
  }
  if (Source.HasMediaSizeQueries) HasMediaSizeQueries = true;
  if (Source.CustomFonts) {
    int32_t position = 0;
    for (THtObject* o = Source.CustomFonts->NextObject(position); o; o = Source.CustomFonts->NextObject(position)) {
      const auto* font = static_cast<const TCSSCustomFont*>(o);
      if (!CustomFonts) CustomFonts = std::make_unique<THtObjectDictionary>(63, true, KeyField<&TCSSCustomFont::Family>);
      CustomFonts->AddObject(new TCSSCustomFont(font->Family, font->Src, font->FontName));
    }
  }
  if (Source.KeyFrames) {
    int32_t position = 0;
    for (THtObject* o = Source.KeyFrames->NextObject(position); o; o = Source.KeyFrames->NextObject(position)) {
      const auto* list = static_cast<const TCSSKeyFrameList*>(o);
      if (!KeyFrames) KeyFrames = std::make_unique<TCSSKeyFrameMap>();
      const TCSSSection* previous = nullptr;
      for (int32_t i = 0; i < list->Count(); ++i) {
        TCSSSection* section = list->SectionAt(i);
        if (section != previous) KeyFrames->AddSection(list->Name, section, false);
        previous = section;
      }
    }
  }
  if (Source.Variables) {
    int32_t position = 0;
    for (THtObject* o = Source.Variables->NextObject(position); o; o = Source.Variables->NextObject(position)) {
      const auto* v = static_cast<const TCSSVariable*>(o);
      AddVariable(v->Name, v->Tokens);
    }
  }
}

void TCSSStyleSheet::addCustomFont(StringView Family, StringView Src) {
  if (!CustomFonts) CustomFonts = std::make_unique<THtObjectDictionary>(53, true, KeyField<&TCSSCustomFont::Family>);
  CustomFonts->AddObject(new TCSSCustomFont(Family, Src, u""));
}

void TCSSStyleSheet::AddVariable(StringView Name, const TCSSTokens& Tokens) {
  if (!Variables) Variables = std::make_unique<THtObjectDictionary>(16, true, KeyField<&TCSSVariable::Name>);
  // A name set again (a framework sets its variables in many rules) takes
  // the new tokens into the variable it has, reusing its buffers.
  TCSSVariable* existing = nullptr;
  if (Variables->TryGetValue(Name, existing)) {
    existing->Tokens = Tokens;
    return;
  }
  auto* v = new TCSSVariable();
  v->Name = String(Name);
  v->Tokens = Tokens;
  Variables->AddObject(v);
}

int TCSSStyleSheet::orderOf(const TCSSSelector& S) const {
  if (!FMergedOrders.empty()) {
    const auto it = FMergedOrders.find(&S);
    if (it != FMergedOrders.end()) return it->second;
  }
  return S.Order;
}

void TCSSStyleSheet::Clear() {
  FMergedOrders.clear();
  Main.Clear();
  Before.reset();
  After.reset();
  Marker.reset();
  FOwnSections.clear();
  fSections.clear();
  KeyFrames.reset();
}

void TCSSStyleSheet::ClearSection(StringView Selector) {
  for (size_t i = fSections.size(); i-- > 0;) {
    TCSSSection* section = fSections[i].get();
    if (section->Selectors->Count() == 0 || SelectorText(*section->Selectors->First()) != Selector) continue;
    section->Values.clear();
    section->Compile();
    for (TCSSStyleMaps* maps : {&Main, Before.get(), After.get(), Marker.get()})
      if (maps) maps->RemoveSection(section);
    FOwnSections.erase(section);
    fSections.erase(fSections.begin() + ptrdiff_t(i));
  }
}

void TCSSStyleSheet::DeleteProperty(StringView Name) {
  for (const auto& section : fSections)
    for (size_t i = section->Values.size(); i-- > 0;)
      if (SameTextAscii(section->Values[i].Name, Name)) section->DeleteValue(int(i));
}

void TCSSStyleSheet::AddInlineValue(StringView PropName, const String& PropValue) {
  if (fSections.empty()) return;
  TCSSPropRec* rec = FindCSSProp(AsciiLowerCase(PropName));
  if (!rec) return;
  TCSSTokenizer tokenizer(PropValue, true);
  if (!tokenizer.NextToken() || tokenizer.Eof) return;
  TCSSValue v;
  v.PropRec = rec;
  v.Token.CType = ctIdent;
  v.Token.Name = String(PropName);
  v.Tokens.push_back(tokenizer.Token);
  fSections[0]->AddValue(v);
  fSections[0]->Compile();
}

const TCSSTokens& TCSSStyleSheet::ValuebyName(StringView PropName) const {
  return fSections.empty() ? emptyTokens() : fSections[0]->ValuebyName(PropName);
}

void TCSSStyleSheet::GetAllClasses(TFastStringList& L) const {
  for (const TCSSStyleMaps* maps : {&Main, static_cast<const TCSSStyleMaps*>(Before.get()),
                                    static_cast<const TCSSStyleMaps*>(After.get())})
    if (maps) maps->GetClasses(L);
}

void TCSSStyleSheet::GetAllIds(TFastStringList& L) const {
  for (const TCSSStyleMaps* maps : {&Main, static_cast<const TCSSStyleMaps*>(Before.get()),
                                    static_cast<const TCSSStyleMaps*>(After.get())})
    if (maps) maps->GetIds(L);
}

bool TCSSStyleSheet::TestMediaSets(TCSSMedia M, int AMediaWidth, int AMediaDeviceWidth) {
  bool changed = false;
  for (TCSSMediaSet* set : MediaSets) {
    const bool disabled = !MediaSetMatches(*set, M, AMediaWidth, AMediaDeviceWidth);
    if (set->Disabled != disabled) changed = true;
    set->Disabled = disabled;
  }
  return changed;
}

void TCSSStyleSheet::collectFrom(const TCSSSelectors* List, const THtNode& E, const ICSSNodeFacts& Facts,
                                 size_t ClassCount, TCSSPseudoSet APseudo, TCSSWeightList& WL) const {
  if (!List) return;
  for (const TCSSSelector* s : *List) {
    TCSSSection* section = s->Section;
    if (!section || (section->MediaSet && section->MediaSet->Disabled)) continue;
    if (s->Classes.size() > ClassCount) continue;
    if (!TestElement(E, *s, APseudo, Facts)) continue;
    const uint32_t order = uint32_t(orderOf(*s));
    for (TCSSValue& v : section->CompiledValues) WL.AddDeclaration(uint32_t(s->Weight), order, v);
  }
}

namespace {
const int32_t universalHash = HtTagHash(u"*", 1);
}

void TCSSStyleSheet::GetElementSelectors(const THtNode& E, const ICSSNodeFacts& Facts, TCSSWeightList& WL,
                                         const TCSSStyleMaps* Map, TCSSPseudoSet APseudo) const {
  if (!Map) return;
  const std::span<const TCSSClassRec> classes = Facts.NodeClasses(E);
  const size_t n = classes.size();
  const THtAttributes* attributes = E.Attributes();
  if (attributes && attributes->Count > 0) {
    if (Map->IdMap) {
      const String& id = E.GetAttribute(u"id");
      if (!id.empty()) collectFrom(Map->IdMap->Find(Map->IdMap->Hash(id), id), E, Facts, n, APseudo, WL);
    }
    if (Map->ClassMap)
      for (const TCSSClassRec& c : classes) collectFrom(Map->ClassMap->Find(c.hash, c.s), E, Facts, n, APseudo, WL);
    if (Map->AttrMap)
      Map->AttrMap->ForEachList([&](const TCSSSelectors* list) { collectFrom(list, E, Facts, n, APseudo, WL); });
  }
  collectFrom(Map->TagMap->Find(E.TagHash(), E.Tag()), E, Facts, n, APseudo, WL);
  collectFrom(Map->TagMap->Find(universalHash, u"*"), E, Facts, n, APseudo, WL);
  if (Map->PseudoMap) {
    // Structural pseudo-classes are tested by the selectors themselves.
    const TCSSPseudoSet state =
        Facts.NodeState(E) | APseudo | PseudoBit(pcNthChild) | PseudoBit(pcNthOfType);
    if (state & Map->PseudoMap->PseudoSet)
      for (const TPseudoMapRec& rec : Map->PseudoMap->PseudoLists)
        if (state & PseudoBit(rec.PseudoClass)) collectFrom(rec.List.get(), E, Facts, n, APseudo, WL);
  }
}

void TCSSStyleSheet::GetAllSelectors(TCSSWeightList& WL) const {
  const TCSSSelectors* list = Main.TagMap->Find(universalHash, u"*");
  if (!list || list->Count() == 0) return;
  const TCSSSelector* s = list->First();
  if (!s->Section) return;
  for (TCSSValue& v : s->Section->CompiledValues)
    if (v.PropRec && v.PropRec->Id != cspUnknown && !v.Dashed) WL.AddDeclaration(uint32_t(s->Weight), uint32_t(orderOf(*s)), v);
}

void TCSSStyleSheet::GetElementPseudoClasses(const THtNode& E, const ICSSNodeFacts& Facts,
                                             TCSSPseudoSet& APseudo) const {
  const THtAttributes* attributes = E.Attributes();
  const bool hasAttributes = attributes && attributes->Count > 0;
  auto anyMatch = [&](const TCSSSelectors* list) {
    if (!list) return false;
    for (const TCSSSelector* s : *list)
      if (s->MatchCompound(E, s->PseudoSet, Facts)) return true;
    return false;
  };
  auto matches = [&](const TCSSStyleMaps& map) {
    if (hasAttributes) {
      if (map.IdMap) {
        const String& id = E.GetAttribute(u"id");
        if (!id.empty() && anyMatch(map.IdMap->Find(map.IdMap->Hash(id), id))) return true;
      }
      if (map.ClassMap)
        for (const TCSSClassRec& c : Facts.NodeClasses(E))
          if (anyMatch(map.ClassMap->Find(c.hash, c.s))) return true;
      if (map.AttrMap) {
        bool found = false;
        map.AttrMap->ForEachList([&](const TCSSSelectors* list) { found = found || anyMatch(list); });
        if (found) return true;
      }
    }
    if (anyMatch(map.TagMap->Find(E.TagHash(), E.Tag()))) return true;
    if (anyMatch(map.TagMap->Find(universalHash, u"*"))) return true;
    if (map.PseudoMap)
      for (const TPseudoMapRec& rec : map.PseudoMap->PseudoLists)
        if (anyMatch(rec.List.get())) return true;
    return false;
  };
  if (Before && matches(*Before)) APseudo |= PseudoBit(pcBefore);
  if (After && matches(*After)) APseudo |= PseudoBit(pcAfter);
  if (Marker && matches(*Marker)) APseudo |= PseudoBit(pcMarker);
}

void TCSSStyleSheet::GetAnimationSelectors(StringView KeyFramesName, int FrameIndex, TCSSWeightList& WL) const {
  const TCSSKeyFrameList* list = KeyFrames ? KeyFrames->FindList(KeyFramesName) : nullptr;
  if (!list || FrameIndex < 0 || FrameIndex >= list->Count()) return;
  for (TCSSValue& v : list->SectionAt(FrameIndex)->CompiledValues) WL.AddValue(InlineStyleWeight, 0, &v);
}

void TCSSStyleSheet::GetAnimationSteps(StringView KeyFramesName, std::vector<int>& Steps) const {
  Steps.clear();
  const TCSSKeyFrameList* list = KeyFrames ? KeyFrames->FindList(KeyFramesName) : nullptr;
  if (!list) return;
  for (int32_t i = 0; i < list->Count(); ++i) Steps.push_back(list->Get(i));
}

}  // namespace ht
