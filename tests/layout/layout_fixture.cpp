#include "layout_fixture.h"

#include "support/ahem_canvas.h"
#include "tree_style.h"

namespace ht::testing {

void LayoutTest::SetUp() { Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType, false); }

TElement* LayoutTest::El(TElement* Parent, StringView Tag, StringView Css) {
  auto* e = new TElement();
  e->SetTag(Tag);
  if (!Css.empty()) e->SetAttribute(u"style", Css);
  return Parent->Add(e);
}

TTextElement* LayoutTest::Text(TElement* Parent, StringView Content) {
  auto* t = new TTextElement();
  t->SetContent(Content);
  Parent->Add(t);
  return t;
}

void LayoutTest::Style() { ComputeTreeStyles(Doc.get()); }

THtLineBlock* LayoutTest::Run(TElement* E, std::initializer_list<THtTextRunFlag> Flags, float Width, int Start,
                              int Count) {
  THtLineBlock* b = E->LineBlocks.CreateBlock(E);
  for (THtTextRunFlag f : Flags) b->Flags.Include(f);
  b->LogicalWidth = Width;
  b->Start = Start;
  b->Count = Count;
  return b;
}

}  // namespace ht::testing
