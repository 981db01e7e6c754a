#pragma once
// The process-wide registry of element classes by tag. Each unit registers
// the tags of its classes at its start-up; every element and the document
// answer the tree builder's class look-ups from it. Filled on the main
// thread during start-up and only read afterwards.
#include "markup/tag_registry.h"

namespace ht {

// Creates the registry when missing: default class TElement, "*" TElement.
void InitElementClasses();
// Registers (or replaces) the class of Tag (ASCII-lower-cased); "*" also
// sets the unknown-tag class, the empty tag the text class.
void RegisterElementClass(StringView Tag, const THtNodeClass* AClass);
// The registered class for Tag (the registry's look-up rule); TElement when
// the registry does not exist.
const THtNodeClass* ElementClassFor(StringView Tag);
// The registry, or null.
TElementClasses* ElementClasses();
void FreeElementClasses();

}  // namespace ht
