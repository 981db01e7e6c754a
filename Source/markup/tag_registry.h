#pragma once
// The registry binding lower-case tag names to node classes, so the tree
// builder creates for every tag an object of the class registered for it.
// The document subsystem owns the process-wide instance and fills it at
// start-up; it is only read afterwards, so it has no lock.
#include "markup/hash_dictionary.h"
#include "markup/node.h"

namespace ht {

class THtElementClassContainer : public THtObject {
 public:
  // Stored as given; registering code lower-cases the name first.
  THtElementClassContainer(StringView AName, const THtNodeClass* ANodeClass)
      : Name(AName), NodeClass(ANodeClass) {}

  String Name;
  const THtNodeClass* NodeClass;
};

// Owns its entries, keyed by their Name; an entry added under an existing
// name replaces (and frees) the earlier one.
class TElementClasses : public THtObjectDictionary {
 public:
  TElementClasses();

  // The class for tags without an entry, once one is registered under "*".
  const THtNodeClass* UnknownTagClass = nullptr;
  // The class for text nodes (the empty tag), once one is registered.
  const THtNodeClass* TextNodeClass = nullptr;
  // The class for unregistered tags while UnknownTagClass is unset.
  const THtNodeClass* DefaultClass;

  // Empty tag: TextNodeClass (null when none). Otherwise the entry of the
  // ASCII-lower-cased tag, else UnknownTagClass, else DefaultClass.
  const THtNodeClass* GetElementClass(StringView Tag) const;

  // Adds an entry under the lower-cased tag; "*" also sets UnknownTagClass
  // and the empty tag TextNodeClass.
  void RegisterClass(StringView Tag, const THtNodeClass* NodeClass);
};

}  // namespace ht
