#include "layout/flow.h"

namespace ht {

void TFlow::Reset() {
  FirstBlock = nullptr;
  LastBlock = nullptr;
}

}  // namespace ht
