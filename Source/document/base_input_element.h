#pragma once
// TBaseInputElement: the base of the form-control elements. The forms unit
// derives its input, select and text-area elements from it and overrides
// the value; the document's form values read and write through it. The
// base keeps its value in the "value" attribute.
#include "document/element.h"

namespace ht {

class TBaseInputElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  virtual String GetValue();
  virtual void SetValue(StringView Value);
};

}  // namespace ht
