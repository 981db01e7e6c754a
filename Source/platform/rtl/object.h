#pragma once
// The common root of engine objects that generic containers hold and may own:
// the object lists and the object dictionaries store `THtObject*` and free
// owned items with `delete`, so every class put into an owning container
// derives from THtObject (publicly, non-virtually) to get a virtual destructor.

namespace ht {

class THtObject {
 public:
  THtObject() = default;
  THtObject(const THtObject&) = default;
  THtObject& operator=(const THtObject&) = default;
  virtual ~THtObject() = default;
};

}  // namespace ht
