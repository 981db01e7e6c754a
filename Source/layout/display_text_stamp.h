#pragma once
// A counter that moves whenever any text element's prepared text is written
// again. Work cached from prepared texts (the document's text search) stays
// valid while it and the tree change stamp hold; it starts at 1, so a
// stored 0 never matches.
#include <cstdint>

namespace ht {

uint64_t DisplayTextStamp();
void NoteDisplayTextChange();

}  // namespace ht
