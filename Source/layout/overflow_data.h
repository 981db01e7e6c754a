#pragma once
// The scroll state of an element whose content overflows an auto or scroll
// box: the offsets of its content. Layout creates it; the element owns it.
namespace ht {

class TOverflowData {
 public:
  virtual ~TOverflowData() = default;
  int HOffset = 0;
  int VOffset = 0;
};

}  // namespace ht
