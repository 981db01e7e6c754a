#include "document/script_adapter.h"

#include "document/document.h"
#include "platform/rtl/string.h"

namespace ht {

const CHtScriptAdapter THtScriptAdapter::ClassType{"THtScriptAdapter", nullptr,
                                                   CreateInstance<THtScriptAdapter, THtScriptAdapter>};

void THtScriptAdapter::AddScript(StringView, StringView) {}
void THtScriptAdapter::Compile() {}
void THtScriptAdapter::Clear() {}
void THtScriptAdapter::OnLoad(THtDocument*) {}
void THtScriptAdapter::RegisterObject(StringView, THtObject*) {}

THtScriptValue THtScriptAdapter::RunFunction(TElement*, THtObject*, const std::vector<String>&) { return {}; }

void THtScriptAdapter::Run(TElement* Element, StringView, StringView Script) {
  if (!Element || Script.size() < 5 || AsciiLowerCase(Script.substr(0, 5)) != u"form.") return;
  THtDocument* doc = Element->Document;
  if (!doc || doc->FormMethods.empty()) return;
  // Method names are matched ignoring ASCII case, as the form publishes
  // them.
  const String name = AsciiLowerCase(Script.substr(5));
  for (const auto& [key, method] : doc->FormMethods)
    if (method && AsciiLowerCase(key) == name) {
      method(Element);
      return;
    }
}

}  // namespace ht
