#include "markup/tag_registry.h"

namespace ht {

TElementClasses::TElementClasses()
    : THtObjectDictionary(127, true, KeyField<&THtElementClassContainer::Name>),
      DefaultClass(&THtmlNode::ClassType) {}

const THtNodeClass* TElementClasses::GetElementClass(StringView Tag) const {
  if (Tag.empty()) return TextNodeClass;
  THtElementClassContainer* entry;
  bool lower = true;
  for (char16_t c : Tag) lower = lower && !(c >= u'A' && c <= u'Z');
  if (lower ? TryGetValue(Tag, entry) : TryGetValue(AsciiLowerCase(Tag), entry))
    return entry->NodeClass;
  return UnknownTagClass ? UnknownTagClass : DefaultClass;
}

void TElementClasses::RegisterClass(StringView Tag, const THtNodeClass* NodeClass) {
  const String name = AsciiLowerCase(Tag);
  AddObject(new THtElementClassContainer(name, NodeClass));
  if (name == u"*") UnknownTagClass = NodeClass;
  if (name.empty()) TextNodeClass = NodeClass;
}

}  // namespace ht
