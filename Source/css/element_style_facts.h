#pragma once
// What the box geometry and the float map of a styled node read of the
// node's computed style. The computed style implements it; keeping the
// geometry behind this seam lets it be filled and tested without a cascade.
#include "css/css_keywords.h"
#include "css/measure.h"
#include "css/property_registry.h"
#include "platform/rtl/string.h"

namespace ht {

class TStyledHTMLNode;
class TStyledElementLink;
class TElementStyleFacts;

// Sides are numbered 0 top, 1 right, 2 bottom, 3 left.
class IElementStyleFacts {
 public:
  virtual ~IElementStyleFacts() = default;

  // The link to the node's computed style when the facts come from one;
  // style inheritance asks it for every inherited value, so it is a
  // virtual call rather than a type test.
  virtual TStyledElementLink* StyleLink() { return nullptr; }

  // The edge property groups: present when the node declares any property
  // of the group, relative when one of them is a percentage.
  enum class TEdgeGroup { Border, Margin, Padding };
  virtual bool HasGroup(TEdgeGroup Group) const = 0;
  virtual bool RelativeGroup(TEdgeGroup Group) const = 0;

  virtual TDisplayStyle Display() const = 0;
  virtual TElementPosition Position() const = 0;
  // The node's own "float" (fNone when not declared).
  virtual TFloat Float() const = 0;
  virtual TElementOverflow OverflowX() const = 0;
  virtual TElementOverflow OverflowY() const = 0;
  virtual TCSSDirection CalculatedDirection() const = 0;
  virtual bool HasTransform() const = 0;
  virtual TLineStyle BorderStyle(int Side) const = 0;

  // Edge widths in pixels; percentages resolve against the current bases.
  virtual float MarginPx(int Side) const = 0;
  virtual float PaddingPx(int Side) const = 0;
  // 0 when the side's border style is none or hidden.
  virtual float BorderWidthPx(int Side) const = 0;

  // True when the property (a registered name such as "max-width") is
  // declared for the node; Out is its measure, auto included.
  virtual bool DeclaredMeasure(StringView PropName, TMeasure& Out) const = 0;
  // The same for a property the caller knows by id as well as by name: the
  // computed style finds it without hashing the name (box geometry asks
  // this for every box in every layout).
  virtual bool DeclaredMeasureOf(TCSSProperty Id, StringView PropName, TMeasure& Out) const {
    (void)Id;
    return DeclaredMeasure(PropName, Out);
  }

  // The computed-style facts of the cascade, or null for other facts: a
  // virtual call where the style passes would otherwise cast per node.
  virtual TElementStyleFacts* AsElementStyleFacts() { return nullptr; }
  virtual const TElementStyleFacts* AsElementStyleFacts() const { return nullptr; }

  // Forgets the computed values so that the next style pass recomputes.
  virtual void Reset() = 0;
  // Saves the current values, when none are saved yet, so that a change
  // made through the node's own CSS can be detected (transitions).
  virtual void SaveLastPropsOnce() {}
};

// The computed-style facts behind Facts, or null (Facts null too).
inline TElementStyleFacts* ElementStyleFactsOf(IElementStyleFacts* Facts) {
  return Facts ? Facts->AsElementStyleFacts() : nullptr;
}

}  // namespace ht
