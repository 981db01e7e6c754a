#pragma once
// The placed runs of an element. Layout fills them; the element owns the
// list from its construction, and the flow that laid the runs out chains
// them across elements (FirstBlock/LastBlock) without owning them.
#include <memory>
#include <vector>

namespace ht {

class TElement;

// One placed run of an element.
class THtLineBlock {
 public:
  explicit THtLineBlock(TElement* AOwner) : Owner(AOwner) {}
  TElement* Owner;  // not owned
  int Line = 0;     // the line of the flow the run lies on
  bool Hidden = false;
};

// Owning list of an element's runs, in placement order.
class THtLineBlocks {
 public:
  int Count() const { return int(FItems.size()); }
  THtLineBlock* Get(int Index) const { return FItems[size_t(Index)].get(); }
  THtLineBlock* First() const { return FItems.empty() ? nullptr : FItems.front().get(); }
  THtLineBlock* Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }
  THtLineBlock* Add(std::unique_ptr<THtLineBlock> Block) {
    FItems.push_back(std::move(Block));
    return FItems.back().get();
  }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<THtLineBlock>> FItems;
};

}  // namespace ht
