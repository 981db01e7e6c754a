#include "css/css_extensions.h"

namespace ht {

namespace {
std::vector<std::unique_ptr<TCSSExtension>>& extensions() {
  static std::vector<std::unique_ptr<TCSSExtension>> list;
  return list;
}
}  // namespace

void TCSSExtension::RegisterExtension(const std::vector<String>& AKeyClasses, const String& ACSS) {
  for (const auto& known : extensions())
    if (known->KeyClasses == AKeyClasses && known->FText == ACSS) return;
  auto extension = std::make_unique<TCSSExtension>();
  extension->KeyClasses = AKeyClasses;
  extension->FText = ACSS;
  extension->CSS = std::make_unique<TCSSStyleSheet>();
  extension->CSS->Parse(ACSS, -1, false);
  extensions().push_back(std::move(extension));
}

void TCSSExtension::AddExtensions(const THtStringList& ClassList, TCSSStyleSheet& StyleSheet) {
  for (const auto& extension : extensions()) {
    for (const String& keyClass : extension->KeyClasses) {
      if (!ClassList.Contains(keyClass)) continue;
      StyleSheet.Assign(*extension->CSS);
      break;
    }
  }
}

void TCSSExtension::FreeExtensions() { extensions().clear(); }

TJQueryProcessor::TJQueryProcessor(const String& Query) {
  TCSSParser parser(Query + u"{}", true);
  // A query that is only blanks still reads the empty block as a rule.
  if (parser.NextSection() && parser.FSection->Selectors->Count() > 0) Section = std::move(parser.FSection);
}

}  // namespace ht
