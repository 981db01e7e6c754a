#include "tree_style.h"

#include "css/styled_element_link.h"
#include "document/element.h"

namespace ht::testing {

void ComputeTreeStyles(TElement* Root) {
  for (THtNode* n = Root; n; n = n->NextNode()) {
    auto* e = AsElement(n);
    if (!e || e->IsText() || e == Root) continue;
    if (!e->Style()) e->CreateStyle();
    auto* facts = dynamic_cast<TElementStyleFacts*>(e->Style());
    auto* parentFacts = e->Parent() ? dynamic_cast<TElementStyleFacts*>(e->Parent()->Style()) : nullptr;
    if (facts) {
      facts->Style().Reset();
      if (parentFacts) facts->Style().Inherit(parentFacts->Style());
    }
    ComputeElementStyle(*e, {});
  }
  for (THtNode* n = Root; n; n = n->NextNode())
    if (auto* e = AsElement(n)) {
      e->FindContainer();
      if (!e->IsText() && e->Style()) e->CalcEdges();
    }
}

}  // namespace ht::testing
