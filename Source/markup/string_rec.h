#pragma once
// An interned name: the entry type of the parser's tag and attribute name
// tables, so equal names met during one parse share one string.
#include <cstdint>

#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

class THtStringRec : public THtObject {
 public:
  // Hash is HtTagHash of the value exactly as given.
  explicit THtStringRec(StringView AValue);

  String Value;
  int32_t Hash;
};

}  // namespace ht
