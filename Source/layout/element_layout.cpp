// The layout operations of the element classes.
#include "document/element.h"

namespace ht {

THtLineBlock* TElement::FirstRun() { return LineBlocks.First(); }

THtLineBlock* TElement::LastRun() { return LineBlocks.Last(); }

THtLineBlock* TElement::LastVisibleRun() {
  if (LineBlocks.Count() == 0) return nullptr;
  for (int i = LineBlocks.Count() - 1; i >= 0; --i)
    if (!LineBlocks.Get(i)->Hidden()) return LineBlocks.Get(i);
  return LineBlocks.First();
}

}  // namespace ht
