#pragma once
// Joins a styled node to its computed style (TBaseElementStyle): the style
// reaches its node through TStyledElementLink, and the node's geometry reads
// the style through TElementStyleFacts, which owns both.
#include <memory>
#include <span>

#include "css/element_style.h"
#include "css/styled_node.h"

namespace ht {

class TStyledElementLink : public IStyledElement {
 public:
  explicit TStyledElementLink(TStyledHTMLNode* ANode, TBaseElementStyle* AStyle) : FNode(ANode), FStyle(AStyle) {}
  // The link of a node whose style is a TElementStyleFacts, else null.
  static TStyledElementLink* Of(const TStyledHTMLNode* Node);

  TBaseElementStyle* ElementStyle() const override { return FStyle; }
  IStyledElement* StyleParent() const override;
  IStyledElement* StyleContainer() const override;
  StringView StyleTag() const override { return FNode->Tag(); }
  bool IsQuirksMode() const override { return FNode->IsQuirksMode(); }
  const float* InnerWidthRef() const override { return &FNode->InnerWidth; }
  const float* InnerHeightRef() const override { return &FNode->InnerHeight; }
  const float* RootWidthRef() const override { return FNode->RootWidthRef(); }
  const float* RootHeightRef() const override { return FNode->RootHeightRef(); }
  uint32_t SizeFlags() const override { return FNode->SizeFlags; }
  uint32_t DefaultTextColor() const override { return FNode->DefaultTextColor(); }
  uint32_t DefaultBorderColor() const override { return FNode->DefaultBorderColor(); }
  String DefaultFontName() const override { return FNode->DefaultFontName(); }
  THAlign DefaultTextAlign() const override { return FNode->DefaultTextAlign(); }
  float NodeBorderWidth(int Side) const override;
  float DeviceScale() const override { return FNode->DeviceScale(); }
  bool Viewport(float& Width, float& Height, float& Scale) const override {
    return FNode->Viewport(Width, Height, Scale);
  }
  void StyleChanged(bool Recursive) override { FNode->StyleChanged(Recursive); }
  void SetCounter(StringView Name, int32_t Value) override { FNode->SetCounter(Name, Value); }
  void IncrementCounter(StringView Name) override { FNode->IncrementCounter(Name); }

 private:
  TStyledHTMLNode* FNode;
  TBaseElementStyle* FStyle;
};

// The computed style of a styled node as its geometry reads it.
class TElementStyleFacts : public IElementStyleFacts {
 public:
  explicit TElementStyleFacts(TStyledHTMLNode* Node);
  // With a style of a derived class (the document's computed style).
  TElementStyleFacts(TStyledHTMLNode* Node, std::unique_ptr<TBaseElementStyle> AStyle);
  ~TElementStyleFacts() override;

  TBaseElementStyle& Style() const { return *FStyle; }
  TStyledElementLink& Link() { return FLink; }
  TStyledElementLink* StyleLink() override { return &FLink; }
  TElementStyleFacts* AsElementStyleFacts() override { return this; }
  const TElementStyleFacts* AsElementStyleFacts() const override { return this; }

  bool HasGroup(TEdgeGroup Group) const override;
  bool RelativeGroup(TEdgeGroup Group) const override;
  TDisplayStyle Display() const override { return FStyle->Display(); }
  TElementPosition Position() const override { return FStyle->Position(); }
  TFloat Float() const override { return FStyle->Float(); }
  TElementOverflow OverflowX() const override { return FStyle->OverflowX(); }
  TElementOverflow OverflowY() const override { return FStyle->OverflowY(); }
  TCSSDirection CalculatedDirection() const override { return FStyle->CalculatedDirection; }
  bool HasTransform() const override { return FStyle->HasTransform(); }
  TLineStyle BorderStyle(int Side) const override { return FStyle->GetBorderStyle(Side); }
  float MarginPx(int Side) const override;
  float PaddingPx(int Side) const override;
  float BorderWidthPx(int Side) const override { return FStyle->BorderSideWidthPx(Side); }
  bool DeclaredMeasure(StringView PropName, TMeasure& Out) const override;
  bool DeclaredMeasureOf(TCSSProperty Id, StringView PropName, TMeasure& Out) const override;
  void Reset() override { FStyle->Reset(); }
  void SaveLastPropsOnce() override;

 private:
  bool declaredMeasure(const TCSSPropRec* rec, TMeasure& Out) const;

  std::unique_ptr<TBaseElementStyle> FStyle;
  TStyledElementLink FLink;
};

// The style class that makes a TElementStyleFacts for a node.
extern const TElementStyleClass ElementStyleFactsClass;

// The full cascade of one node: collects the declarations that apply to it
// from Sheets and its own sheet, and loads them into its computed style
// (made first with CreateStyle when missing). Answers false when the node
// has no TBaseElementStyle-backed style.
bool ComputeElementStyle(TStyledHTMLNode& Node, std::span<TCSSStyleSheet* const> Sheets);

}  // namespace ht
