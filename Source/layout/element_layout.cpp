// The layout operations of the element classes.
#include "document/element.h"

namespace ht {

THtLineBlock* TElement::FirstRun() { return LineBlocks ? LineBlocks->First() : nullptr; }

THtLineBlock* TElement::LastRun() { return LineBlocks ? LineBlocks->Last() : nullptr; }

THtLineBlock* TElement::LastVisibleRun() {
  if (!LineBlocks || LineBlocks->Count() == 0) return nullptr;
  for (int i = LineBlocks->Count() - 1; i >= 0; --i)
    if (!LineBlocks->Get(i)->Hidden) return LineBlocks->Get(i);
  return LineBlocks->First();
}

}  // namespace ht
