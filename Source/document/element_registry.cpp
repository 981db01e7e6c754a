#include "document/element_registry.h"

#include <memory>

#include "document/element.h"

namespace ht {

namespace {
std::unique_ptr<TElementClasses> registry;
}  // namespace

void InitElementClasses() {
  if (registry) return;
  registry = std::make_unique<TElementClasses>();
  registry->DefaultClass = &TElement::ClassType;
  registry->RegisterClass(u"*", &TElement::ClassType);
}

void RegisterElementClass(StringView Tag, const THtNodeClass* AClass) {
  InitElementClasses();
  registry->RegisterClass(AsciiLowerCase(Tag), AClass);
}

const THtNodeClass* ElementClassFor(StringView Tag) {
  if (!registry) return &TElement::ClassType;
  const THtNodeClass* c = registry->GetElementClass(Tag);
  return c ? c : &TElement::ClassType;
}

TElementClasses* ElementClasses() { return registry.get(); }

void FreeElementClasses() { registry.reset(); }

}  // namespace ht
