#pragma once
// Documents parsed from HTML on the trace canvas, with boxes placed by hand
// (edges from the computed style, the margin box given), a scene begun on a
// 800 x 600 view, and the trace's shape, smoothing and effect calls on.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "document/computed_style.h"
#include "document/document.h"
#include "paint/element_paint.h"
#include "support/trace_canvas.h"

namespace ht::testing {

class PaintTest : public ::testing::Test {
 protected:
  void Load(StringView Html) {
    Doc = std::make_unique<THtDocument>(&TTraceCanvas::ClassType);
    Doc->Parse(String(Html));
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, 800, 600), nullptr);
    G().BeginScene(scene);
    G().Groups = TTraceCanvas::tcAll;
    G().Calls.clear();
  }
  TTraceCanvas& G() { return static_cast<TTraceCanvas&>(*Doc->Surface); }
  TElement* ById(StringView Id) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (n->GetAttribute(u"id") == Id) return AsElement(n);
    ADD_FAILURE() << "no element " << StringToUtf8(String(Id));
    return nullptr;
  }
  // Edges from the style; the margin box at R.
  TElement* Place(StringView Id, TRectF R) {
    TElement* e = ById(Id);
    e->CalcEdges();
    e->OuterRect = R;
    return e;
  }
  TElementStyle& St(TElement* E) { return *ElementStyleOf(E); }
  // Runs of Children chained into Parent's own flow, as box building
  // leaves them (each child one block run).
  void Chain(TElement* Parent, std::initializer_list<TElement*> Children) {
    TFlow* flow = Parent->EnsureSelfFlow();
    for (TElement* c : Children) {
      THtLineBlock* b = c->LineBlocks.CreateBlock(c);
      b->Flags.Include(trfBlock);
      flow->AddBlock(b);
    }
  }
  std::string Calls() const { return const_cast<PaintTest*>(this)->G().Joined(); }

  std::unique_ptr<THtDocument> Doc;
};

}  // namespace ht::testing
