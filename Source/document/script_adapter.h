#pragma once
// THtScriptAdapter: the bridge from element events to a scripting engine.
// The base class runs no scripts except "form." followed by a method name,
// which calls that method of the host form (the document's FormMethods
// table, filled by the host) with the element.
#include <memory>
#include <vector>

#include "platform/rtl/class_ref.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;
class THtDocument;
class THtScriptAdapter;

struct CHtScriptAdapter : TClassRef<THtScriptAdapter> {
  using TClassRef<THtScriptAdapter>::TClassRef;
};

// The result of a script function; empty (unassigned) in the base class.
struct THtScriptValue {
  bool Assigned = false;
  String Value;
};

class THtScriptAdapter : public THtObject {
 public:
  static const CHtScriptAdapter ClassType;
  virtual const CHtScriptAdapter* ClassRefOf() const { return &ClassType; }

  virtual void AddScript(StringView Script, StringView ScriptType);
  virtual void Compile();
  virtual void Clear();
  virtual void OnLoad(THtDocument* ADocument);
  // "form.Name" (prefix in any case) calls the host form's method Name
  // (looked up ignoring case) with Element; anything else does nothing.
  virtual void Run(TElement* Element, StringView Event, StringView Script);
  virtual void RegisterObject(StringView Name, THtObject* Value);
  virtual THtScriptValue RunFunction(TElement* Element, THtObject* Func, const std::vector<String>& Params);
};

}  // namespace ht
