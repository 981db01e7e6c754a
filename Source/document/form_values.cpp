// The document's form access: the values of its named form controls as a
// name=value list, values written back through that list, and validity.
#include "document/form_values.h"

#include "css/css_selector.h"
#include "css/element_style_facts.h"
#include "css/styled_element_link.h"
#include "document/base_input_element.h"
#include "document/document.h"
#include "markup/str_utils.h"

namespace ht {

const THtNodeClass TBaseInputElement::ClassType{"TBaseInputElement", &TElement::ClassType,
                                                CreateInstance<TBaseInputElement, THtNode>};

String TBaseInputElement::GetValue() { return GetAttribute(u"value"); }

void TBaseInputElement::SetValue(StringView Value) { SetAttribute(u"value", Value); }

void TFormValuesList::Put(int Index, StringView S) {
  TStringList::Put(Index, S);
  if (FFilling || !FDocument) return;
  const String name = Names(Index), value = ValueFromIndex(Index);
  for (THtNode* n = FDocument->NextNode(); n; n = n->NextNode()) {
    auto* input = dynamic_cast<TBaseInputElement*>(n);
    if (input && SameTextAscii(input->GetAttribute(u"name"), name)) input->SetValue(value);
  }
}

TFormValuesList& THtDocument::FormValues() {
  if (!FFormValues) FFormValues = std::make_unique<TFormValuesList>(this);
  TFormValuesList& list = *FFormValues;
  list.Clear();
  struct TFilling {
    TFormValuesList& L;
    ~TFilling() { L.FFilling = false; }
  } filling{list};
  list.FFilling = true;
  for (THtNode* n = NextNode(); n; n = n->NextNode()) {
    auto* input = dynamic_cast<TBaseInputElement*>(n);
    if (!input) continue;
    const String name = input->GetAttribute(u"name");
    if (!name.empty()) list.SetValues(name, input->GetValue());
  }
  return list;
}

bool THtDocument::FormValid() {
  for (THtNode* n = NextNode(); n; n = n->NextNode()) {
    auto* input = dynamic_cast<TBaseInputElement*>(n);
    if (!input) continue;
    const auto* facts = ElementStyleFactsOf(input->Style());
    if (facts && (facts->Style().CurrentPC & (1u << unsigned(pcInvalid)))) return false;
  }
  return true;
}

}  // namespace ht
