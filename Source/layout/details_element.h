#pragma once
// TDetailsElement: the element of the "details" tag. Closed, it lays out
// only its summary; a click released on it opens it (and closes it again).
// The open state is the pseudo-class :checked of its style; no attribute
// opens it.
#include "document/element.h"

namespace ht {

class TDetailsElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  bool Open() const;
  void CalcChildBoxes(TFlow* Flow) override;
  void DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift) override;
};

}  // namespace ht
