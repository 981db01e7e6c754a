#pragma once
// TBaseInputElement: the base of the form-control elements, a replaced
// element. The forms unit derives its input, select and text-area elements
// from it and overrides the accessors; the document's form values read and
// write through them. The base keeps its value in the "value" attribute,
// is never disabled and displays its value.
#include "document/element.h"

namespace ht {

class TBaseInputElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  bool IsReplacedElement() const override { return true; }

  virtual String GetValue();
  virtual void SetValue(StringView Value);
  virtual bool GetDisabled() { return false; }
  virtual void SetDisabled(bool Value) { (void)Value; }
  virtual String GetDisplayValue() { return GetValue(); }
};

}  // namespace ht
