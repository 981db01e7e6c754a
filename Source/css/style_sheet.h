#pragma once
// A parsed style sheet: its rules in source order, indexes of their
// selectors, its @media sets, @font-face fonts, @keyframes, @import URLs and
// custom properties. For one element it collects the matching declarations
// into a TCSSWeightList, from which computed style takes the last
// declaration of each property.
//
// A sheet may merge other sheets (Assign): their rules are filed in this
// sheet's indexes without being copied, so a merged sheet must outlive
// every sheet it was merged into. Sheets are not locked.
#include <atomic>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "css/css_parser.h"
#include "css/css_section.h"
#include "css/keyframe_map.h"
#include "css/style_maps.h"
#include "markup/hash_dictionary.h"
#include "markup/node.h"
#include "markup/object_list.h"

namespace ht {

// One @font-face entry.
class TCSSCustomFont : public THtObject {
 public:
  // Family is stored lower-cased.
  TCSSCustomFont(StringView AFamily, StringView ASrc, StringView AFontName);
  String Family;
  String Src;       // a URL, a data: URI or the name of the first src function
  String FontName;  // set by the document once it registered the loaded font
};

// A custom property ("--name: tokens"), stored under its name without the
// leading hyphens.
class TCSSVariable : public THtObject {
 public:
  String Name;
  TCSSTokens Tokens;
};

class TCSSStyleSheet : public THtObject, public ICSSSectionSink {
 public:
  TCSSStyleSheet();
  ~TCSSStyleSheet() override;
  TCSSStyleSheet(const TCSSStyleSheet&) = delete;
  TCSSStyleSheet& operator=(const TCSSStyleSheet&) = delete;

  // Adds the rules of CSS text S. SetWeight -1 weighs each selector by its
  // specificity; any other value is the fixed weight of every selector of S
  // (0 for the built-in sheet, InlineStyleWeight for a style attribute).
  // Raises ECSSParserError for a token of unknown type.
  void Parse(const String& S, int64_t SetWeight, bool Custom);
  // Adds a declaration list without braces (an inline style) as one rule
  // with the universal selector.
  void ParseValues(const String& S, int64_t SetWeight);
  // Merges Source into this sheet (see the header comment). Source's rules
  // are never changed by it.
  void Assign(TCSSStyleSheet& Source);
  // Empties the indexes, the rules and the keyframes; fonts, variables,
  // imports and media sets stay.
  void Clear();
  // Removes every rule whose first selector's text equals Selector.
  void ClearSection(StringView Selector);
  // Deletes, from every rule, each declaration named Name (any case).
  void DeleteProperty(StringView Name);
  // Appends to the first rule a declaration of the registered property
  // PropName whose only token is the first token of PropValue; nothing
  // without a rule or for an unregistered name.
  void AddInlineValue(StringView PropName, const String& PropValue);
  // The tokens of the declaration PropName of the first rule.
  const TCSSTokens& ValuebyName(StringView PropName) const;
  void GetAllClasses(TFastStringList& L) const;
  void GetAllIds(TFastStringList& L) const;
  // Re-tests every media set for medium M and the widths, storing each
  // result in its Disabled flag; answers whether any result changed.
  bool TestMediaSets(TCSSMedia M, int AMediaWidth, int AMediaDeviceWidth);

  // Adds the declarations of every rule of Map that matches E (its
  // pseudo-element bits APseudo requested) to WL.
  void GetElementSelectors(const THtNode& E, const ICSSNodeFacts& Facts, TCSSWeightList& WL,
                           const TCSSStyleMaps* Map, TCSSPseudoSet APseudo) const;
  // The declarations of the first universal rule of Main (an inline style
  // sheet's one rule), with that rule's weight and order.
  void GetAllSelectors(TCSSWeightList& WL) const;
  // Adds pcBefore, pcAfter and pcMarker to APseudo for each pseudo-element
  // index holding a selector whose rightmost compound accepts E.
  void GetElementPseudoClasses(const THtNode& E, const ICSSNodeFacts& Facts, TCSSPseudoSet& APseudo) const;
  // The declarations of keyframe FrameIndex (0-based) of the named
  // @keyframes, with the weight InlineStyleWeight and order 0.
  void GetAnimationSelectors(StringView KeyFramesName, int FrameIndex, TCSSWeightList& WL) const;
  // The percentages of the named @keyframes in ascending order.
  void GetAnimationSteps(StringView KeyFramesName, std::vector<int>& Steps) const;

  // The rules as CSS text, rules of one @media set inside one group.
  String AsString() const;
  // The declarations of every indexed rule of Main (tag, id, pseudo-class,
  // class, attribute indexes in that order; each rule once), trimmed.
  String AsInlineString() const;
  // Joins four equal border sides into "border" and four equal paddings
  // into "padding", in every rule.
  void Minify();
  // Turns the colours of "color", the border colours, "background-color"
  // and "background" into a dark variant (light text on dark ground).
  // Values are not recompiled.
  void ConvertLighttoDark();
  // S parsed into a temporary sheet, converted and written back.
  static String LighttoDark(const String& S);

  // Stores (or replaces) the custom property Name.
  void AddVariable(StringView Name, const TCSSTokens& Tokens);
  // Files S in the index of its population and gives it an order number:
  // orders below 10000 (the built-in sheet's) are kept.
  void RegisterSelector(TCSSSelector* S);

  const std::vector<std::unique_ptr<TCSSSection>>& Sections() const { return fSections; }
  const std::vector<String>& Imports() const { return fImports; }

  String Key;  // for the owner (a cache key)
  TCSSStyleMaps Main;  // selectors naming no pseudo-element
  std::unique_ptr<TCSSStyleMaps> Before, After, Marker;
  std::unique_ptr<TCSSKeyFrameMap> KeyFrames;
  std::unique_ptr<THtObjectDictionary> CustomFonts;  // TCSSCustomFont by lower-case family
  bool HasMediaQueries = false;      // some @media can fail to apply
  bool HasMediaSizeQueries = false;  // some @media tests a width
  // For the owner: above 0, the sheet is shared. Elements styled on two
  // threads (a page and an SVG image) may take the same cached sheet.
  std::atomic<int> RefCounter{0};
  int SelectorCounter = 10000;  // the source order counter
  String URL;  // base of the imports; copied into every rule
  std::vector<TCSSMediaSet*> MediaSets;  // every set to keep current, own and merged
  std::unique_ptr<THtObjectDictionary> Variables;  // TCSSVariable by name

 private:
  void AddSection(std::unique_ptr<TCSSSection> Section, const TCSSParser& Parser) override;
  void addRule(std::unique_ptr<TCSSSection> Section);
  void registerSelector(TCSSSelector* S, bool Merge);
  // S's order number in this sheet.
  int orderOf(const TCSSSelector& S) const;
  void addCustomFont(StringView Family, StringView Src);
  void adoptMediaSets(TCSSParser& Parser);
  // Order numbers of the selectors taken from other sheets by Assign.
  std::unordered_map<const TCSSSelector*, int> FMergedOrders;
  void collectFrom(const TCSSSelectors* List, const THtNode& E, const ICSSNodeFacts& Facts, size_t ClassCount,
                   TCSSPseudoSet APseudo, TCSSWeightList& WL) const;

  std::vector<std::unique_ptr<TCSSSection>> fSections;
  std::vector<std::unique_ptr<TCSSMediaSet>> FOwnMediaSets;
  std::vector<String> fImports;
  TCSSOwnSections FOwnSections;  // the rules of fSections, for merging
  int64_t FSetWeight = -1;  // of the Parse call running
  bool FCustom = false;
};

}  // namespace ht
