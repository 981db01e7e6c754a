// The size facts of an element are asked for when its boxes are built and
// again when it is laid out in the same pass. Between the two nothing they
// read usually changes, so the second answer is the first one's: working
// them out reads a dozen declared sizes, which a table's thousands of cells
// pay twice per pass otherwise.
#include "document/document.h"
#include "layout/layout_style.h"

namespace ht {

void TElement::CalcSizeFlags(bool Reset) {
  const bool isRoot = !Container || Container == this;
  if (isRoot || !Document || DisplayOf(this) == dsNone) {
    // The root's facts start from its own: they are not a function of
    // the inputs alone. Hidden boxes keep theirs untouched.
    FSizeFactsMemo.Key.Pass = -1;
    return TStyledHTMLNode::CalcSizeFlags(Reset);
  }
  TSizeFactsKey key;
  key.Pass = Document->FLayoutPassNumber;
  key.Style = StyleChangeStamp();
  key.Facts = Style();
  key.Container = Container;
  key.ContainerFlags = Container->SizeFlags;
  key.Display = int(DisplayOf(this));
  key.ContainerDisplay = int(DisplayOf(Container));
  key.UserWidth = GetUserWidth() != 0;
  TSizeFactsMemo& memo = FSizeFactsMemo;
  if (memo.Key == key) {
    // Working the facts out from none gives the bits they add to those
    // held (or the whole set, for boxes that replace them); doing it again
    // over its own result changes nothing.
    bool hit = true;
    if (Reset ? memo.Reset : SizeFlags == memo.Flags) SizeFlags = memo.Flags;
    else if (memo.Reset && SizeFlagsOnlyAdd()) SizeFlags |= memo.Flags;
    else hit = false;
    if (hit) {
      CalcRelativeEdges();
      return;
    }
  }
  TStyledHTMLNode::CalcSizeFlags(Reset);
  memo.Key = key;
  memo.Reset = Reset;
  memo.Flags = SizeFlags;
}

}  // namespace ht
