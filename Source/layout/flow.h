#pragma once
// TFlow: the line and flex layout context of an element (its SelfFlow) or of
// a document's root box. Layout fills the line table; the element model
// creates and frees flows and clears the run chain when an element whose
// runs it may hold is destroyed.
namespace ht {

class TElement;
class THtLineBlock;

class TFlow {
 public:
  explicit TFlow(TElement* AOwner) : Owner(AOwner) {}
  virtual ~TFlow() = default;
  TFlow(const TFlow&) = delete;
  TFlow& operator=(const TFlow&) = delete;

  // Forgets every line and the run chain, ready for a new layout pass.
  virtual void Reset();

  TElement* Owner;  // not owned
  // The first and last run laid out in this flow; runs belong to their
  // elements' LineBlocks.
  THtLineBlock* FirstBlock = nullptr;
  THtLineBlock* LastBlock = nullptr;
};

}  // namespace ht
