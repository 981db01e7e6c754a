#pragma once
// Computes the style of every element under Root from its style attribute,
// each inheriting from its parent, then finds every container. Kept apart
// from the drawing headers, which declare their own font-style set.
namespace ht {
class TElement;
}

namespace ht::testing {

void ComputeTreeStyles(TElement* Root);

}  // namespace ht::testing
