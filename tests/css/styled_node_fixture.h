#pragma once
// A styled node whose computed style is a plain record the test fills in.
#include <map>
#include <memory>

#include "css/styled_element_link.h"
#include "css/styled_node.h"

namespace ht {

struct TFakeStyle : IElementStyleFacts {
  bool Groups[3] = {false, false, false};    // indexed by TEdgeGroup
  bool Relative[3] = {false, false, false};
  TDisplayStyle FDisplay = dsBlock;
  TElementPosition FPosition = epStatic;
  TFloat FFloat = fNone;
  TElementOverflow FOverflowX = eoVisible, FOverflowY = eoVisible;
  TCSSDirection FDirection = cdLTR;
  float Margin[4] = {}, Padding[4] = {}, Border[4] = {};
  std::map<String, TMeasure> Measures;

  // Declares PropName with CSS text ("50%", "12px", "auto").
  void Declare(const String& PropName, StringView Text) {
    TMeasure m;
    m.Parse(Text);
    Measures[PropName] = m;
  }
  bool HasGroup(TEdgeGroup g) const override { return Groups[int(g)]; }
  bool RelativeGroup(TEdgeGroup g) const override { return Groups[int(g)] && Relative[int(g)]; }
  TDisplayStyle Display() const override { return FDisplay; }
  TElementPosition Position() const override { return FPosition; }
  TFloat Float() const override { return FFloat; }
  TElementOverflow OverflowX() const override { return FOverflowX; }
  TElementOverflow OverflowY() const override { return FOverflowY; }
  TCSSDirection CalculatedDirection() const override { return FDirection; }
  bool HasTransform() const override { return false; }
  TLineStyle BorderStyle(int) const override { return lsNone; }
  float MarginPx(int Side) const override { return Margin[Side]; }
  float PaddingPx(int Side) const override { return Padding[Side]; }
  float BorderWidthPx(int Side) const override { return Border[Side]; }
  bool DeclaredMeasure(StringView PropName, TMeasure& Out) const override {
    auto it = Measures.find(String(PropName));
    if (it == Measures.end()) return false;
    Out = it->second;
    return true;
  }
  void Reset() override {}
};

class TTestStyledNode : public TStyledHTMLNode {
 public:
  TFakeStyle& S() {
    if (!FStyle) FStyle = std::make_unique<TFakeStyle>();
    return static_cast<TFakeStyle&>(*FStyle);
  }
  // The document position the element model would supply.
  float FRealLeft = 0, FRealTop = 0;
  float GetRealLeft() const override { return FRealLeft; }
  float GetRealTop() const override { return FRealTop; }
  // Appends a child of this class and makes the child's container this.
  TTestStyledNode* Add(StringView ATag = u"div") {
    auto* c = static_cast<TTestStyledNode*>(AddNode(std::make_unique<TTestStyledNode>()));
    c->SetTag(ATag);
    c->Container = this;
    return c;
  }
};

// A styled node whose computed style comes from a real cascade; parsed
// children are of the same class.
class TCascadeNode : public TStyledHTMLNode {
 public:
  static inline const THtNodeClass ClassType{"TCascadeNode", &TStyledHTMLNode::ClassType,
                                             CreateInstance<TCascadeNode, THtNode>};
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  const TElementStyleClass* StyleClass() const override { return &ElementStyleFactsClass; }
};

// Computes the style of N and of its subtree against Sheets, parents
// first, and finds each node's container.
inline void CascadeTree(TStyledHTMLNode& N, std::span<TCSSStyleSheet* const> Sheets) {
  ComputeElementStyle(N, Sheets);
  N.FindContainer();
  if (THtNodeList* nodes = N.ChildNodeList())
    for (THtNode* child : *nodes)
      if (auto* s = dynamic_cast<TStyledHTMLNode*>(child)) CascadeTree(*s, Sheets);
}

}  // namespace ht
