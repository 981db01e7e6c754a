#pragma once
// TElementStyle: the computed style of an element. It adds to the style
// subsystem's computed style what needs the document: var() resolution
// against the document's custom properties (one set per document, not
// inherited per element), fonts and brushes made through the document's
// collection and surface, font-family fallback through the canvas class,
// and the start of transitions as animated values in the document's list.
#include <memory>

#include "css/element_style.h"
#include "css/styled_element_link.h"

namespace ht {

class TElement;
class THtDocument;
class THtFont;
class THtBrush;

class TElementStyle : public TBaseElementStyle {
 public:
  explicit TElementStyle(TElement* AElement) : FOwner(AElement) {}

  TElement* GetElement() const { return FOwner; }
  THtDocument* Document() const;

  // Seq stands on a var function token; leaves it on the substituted tokens
  // (the variable's, else the fallback after the comma, else the name).
  // A variable that refers back to itself resolves like a missing one.
  void ResolveVariables(TCSSTokenSequence& Seq) override;
  String FontFamily() const override;
  THtFont* GetFont();
  THtBrush* CreateBGColorBrush(uint32_t BGColor, float COpacity);
  // Starts the transitions for the values changed in this pass; 0.
  virtual int ApplyTransitions();

 private:
  void startColor(TCSSTransition& T, const TCSSPropRec& P);
  void startFloat(StringView N, float S, float E, TCSSTransition& T, TCSSPropRec* P);
  void applyTo(TCSSTransition& T, TCSSPropRec& P);
  void transformSplit(TCSSTransition& T);
  int32_t durationOf(const TCSSTransition& T, TCSSAnimation*& Attached) const;
  TElement* FOwner;  // not owned
  int FResolveDepth = 0;
};

// The style class of elements: makes a TElementStyle inside the facts the
// node geometry reads.
extern const TElementStyleClass ElementStyleClass;

// The computed style of E (null for an element without one).
TElementStyle* ElementStyleOf(const TStyledHTMLNode* E);

}  // namespace ht
