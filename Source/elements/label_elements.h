#pragma once
// Three small elements of forms: the label, whose clicks act on its input;
// the fieldset, whose border leaves a gap where its legend sits; and the
// comment, which stays in the tree without ever showing.
#include "document/element.h"

namespace ht {

// "label": a press or release on it is passed to its target (the element
// whose id its "for" names, else the first input inside it) at the
// target's own box corner, once per click, then handled as its own.
class THtLabelElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  void StyleChanged(bool ForceRecalc) override;
  void DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift) override;
  // The element the label acts on, or null.
  TElement* Target();
};

// "!": a comment; its display is none whatever the style sheets say.
class THtCommentElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  THtCommentElement();
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
};

// "fieldset": draws its legend first and its border clipped away behind
// the legend. The legend is the first "legend" child found by a box
// computation; the reference is dropped when that child leaves.
class TFieldSetElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TElement* FLegend = nullptr;  // one of the children; not owned

  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  void CalcBoxes(TFlow* Flow) override;
  void DrawBorder(const THtDrawInfo& DI) override;
  // The notch's ends from the border box's left edge; false without a
  // legend.
  bool NotchEnds(float& X1, float& X2);

 private:
  // The legend when it is still a child, else null (and forgotten).
  TElement* legend();
};

}  // namespace ht
