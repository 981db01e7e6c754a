#include "css/styled_element_link.h"

#include <cmath>

#include "css/property_registry.h"
#include "css/style_maps.h"

namespace ht {

namespace {
std::unique_ptr<IElementStyleFacts> createFacts(TStyledHTMLNode* Node) {
  return std::make_unique<TElementStyleFacts>(Node);
}
}  // namespace

const TElementStyleClass ElementStyleFactsClass{"TElementStyleFacts", nullptr, createFacts};

TStyledElementLink* TStyledElementLink::Of(const TStyledHTMLNode* Node) {
  IElementStyleFacts* facts = Node ? Node->Style() : nullptr;
  return facts ? facts->StyleLink() : nullptr;
}

IStyledElement* TStyledElementLink::StyleParent() const { return Of(FNode->StyledParent()); }

IStyledElement* TStyledElementLink::StyleContainer() const {
  return FNode->Container == FNode ? nullptr : Of(FNode->Container);
}

float TStyledElementLink::NodeBorderWidth(int Side) const {
  switch (Side) {
    case 0: return FNode->BorderTop;
    case 1: return FNode->BorderRight;
    case 2: return FNode->BorderBottom;
    default: return FNode->BorderLeft;
  }
}

TElementStyleFacts::TElementStyleFacts(TStyledHTMLNode* Node)
    : FStyle(std::make_unique<TBaseElementStyle>()), FLink(Node, FStyle.get()) {
  FStyle->FElement = &FLink;
}

TElementStyleFacts::TElementStyleFacts(TStyledHTMLNode* Node, std::unique_ptr<TBaseElementStyle> AStyle)
    : FStyle(std::move(AStyle)), FLink(Node, FStyle.get()) {
  FStyle->FElement = &FLink;
}

TElementStyleFacts::~TElementStyleFacts() = default;

namespace {
TCSSGeneralProperties groupBit(IElementStyleFacts::TEdgeGroup g) {
  switch (g) {
    case IElementStyleFacts::TEdgeGroup::Border: return GeneralBit(cgBorder);
    case IElementStyleFacts::TEdgeGroup::Margin: return GeneralBit(cgMargin);
    default: return GeneralBit(cgPadding);
  }
}
}  // namespace

bool TElementStyleFacts::HasGroup(TEdgeGroup Group) const { return FStyle->GeneralProps & groupBit(Group); }
bool TElementStyleFacts::RelativeGroup(TEdgeGroup Group) const { return FStyle->RelativeProps & groupBit(Group); }

float TElementStyleFacts::MarginPx(int Side) const {
  switch (Side) {
    case 0: return FStyle->MarginTopPx();
    case 1: return FStyle->MarginRightPx();
    case 2: return FStyle->MarginBottomPx();
    default: return FStyle->MarginLeftPx();
  }
}

float TElementStyleFacts::PaddingPx(int Side) const {
  switch (Side) {
    case 0: return FStyle->PaddingTopPx();
    case 1: return FStyle->PaddingRightPx();
    case 2: return FStyle->PaddingBottomPx();
    default: return FStyle->PaddingLeftPx();
  }
}

bool TElementStyleFacts::DeclaredMeasure(StringView PropName, TMeasure& Out) const {
  return declaredMeasure(FindCSSProp(PropName), Out);
}

bool TElementStyleFacts::DeclaredMeasureOf(TCSSProperty Id, StringView PropName, TMeasure& Out) const {
  // The entry of the id answers only when it is the one of the name.
  const TCSSPropRec* rec = CSSPropRecOf(Id);
  if (!rec || rec->Name != PropName) rec = FindCSSProp(PropName);
  return declaredMeasure(rec, Out);
}

bool TElementStyleFacts::declaredMeasure(const TCSSPropRec* rec, TMeasure& Out) const {
  if (!rec || !FStyle->FindOwnProp(rec->Id)) return false;
  Out.Init(FStyle.get());
  FStyle->GetMeasure(rec->Id, Out, FStyle->GetPropParent(*rec), false, false);
  return true;
}

void TElementStyleFacts::SaveLastPropsOnce() {
  if (FStyle->FLastProps.empty()) FStyle->SaveLastProps();
}

bool ComputeElementStyle(TStyledHTMLNode& Node, std::span<TCSSStyleSheet* const> Sheets) {
  if (!Node.Style()) Node.CreateStyle();
  auto* facts = (Node.Style() ? Node.Style()->AsElementStyleFacts() : nullptr);
  if (!facts) return false;
  TBaseElementStyle& style = facts->Style();
  // What the element model keeps in CurrentPC before matching: the node's
  // place among its siblings, and the link state of an anchor with a target.
  constexpr TCSSPseudoSet structural = PseudoBit(pcFirstChild) | PseudoBit(pcLastChild) | PseudoBit(pcOnlyChild) |
                                       PseudoBit(pcFirstOfType) | PseudoBit(pcOnlyOfType);
  style.CurrentPC = (style.CurrentPC & ~structural) | StructuralPseudoClasses(Node);
  if (Node.Tag() == u"a" && Node.HasAttribute(u"href")) style.CurrentPC |= PseudoBit(pcLink);
  TCSSWeightList wl;
  Node.CollectDeclarations(Sheets, wl);
  style.LoadProps(wl, false);
  // The font size that em and rem of this node's subtree resolve against.
  const TBaseElementStyle* parent = style.FElement->StyleParent() ? style.FElement->StyleParent()->ElementStyle() : nullptr;
  style.IntFontSize = parent ? parent->IntFontSize : float(DefaultFontSizePx);
  const float px = style.FontSize().ToPixels();
  if (px > 0 && std::isfinite(px)) style.IntFontSize = px;
  Node.IncludeFlag(efStyleCalculated);
  return true;
}

}  // namespace ht
