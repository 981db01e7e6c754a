#pragma once
// CSS extensions: extra style sheets a program registers, merged into a
// document's sheet only when the document uses one of their key classes.
// And the selector-query processor, which turns a query such as
// "div.item > a" into a rule whose selectors can be matched against nodes.
#include <memory>
#include <vector>

#include "css/css_section.h"
#include "css/style_sheet.h"
#include "markup/hash_dictionary.h"

namespace ht {

class TCSSExtension : public THtObject {
 public:
  std::vector<String> KeyClasses;  // the class names that switch the extension on
  std::unique_ptr<TCSSStyleSheet> CSS;  // shared by every sheet that merged it

  // Registers a sheet parsed from ACSS with specificity weights; a
  // registration repeating an earlier one (same classes, same text) is
  // ignored, so the sheet is never merged twice. The registered list is not
  // locked: register before documents are parsed.
  static void RegisterExtension(const std::vector<String>& AKeyClasses, const String& ACSS);
  // Merges into StyleSheet, in registration order, each extension one of
  // whose key classes is a key of ClassList; each extension at most once
  // per call.
  static void AddExtensions(const THtStringList& ClassList, TCSSStyleSheet& StyleSheet);
  // Frees every registered extension (style unit shutdown); documents that
  // merged one must be gone by then.
  static void FreeExtensions();

 private:
  String FText;  // the CSS text, to recognise a repeated registration
};

class TJQueryProcessor : public THtObject {
 public:
  // Parses Query followed by "{}". Raises ECSSParserError for a token of
  // unknown type.
  explicit TJQueryProcessor(const String& Query);
  // The parsed query: its Selectors are the query's selectors; null when
  // the query held no rule.
  std::unique_ptr<TCSSSection> Section;
};

}  // namespace ht
