// Intrinsic widths: the min-content and max-content widths of a box,
// gathered in its own flow while its runs are built, with the box's own
// width limits folded in.
#include <algorithm>
#include <cmath>

#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_style.h"

namespace ht {

namespace {

constexpr uint32_t kWidthFixed = 1;

// The style width in pixels when set and not a percentage.
bool fixedStyleWidth(const TElement* E, float& Px) {
  bool percent = false;
  return SetWidthOf(E, Px, &percent) && !percent;
}

}  // namespace

bool TElement::IsFlexItem() const {
  if (IsText() || !Style() || Style()->Display() == dsNone) return false;
  const TElementPosition p = Style()->Position();
  return p != epAbsolute && p != epFixed && DisplayOf(Container) == dsFlex;
}

float TElement::MaxContentWidth() const {
  if (!SelfFlow || HasFlag(efVertical)) return ContentWidth;
  return SelfFlow->MaxContentWidth;
}

float TElement::MinContentWidth() const {
  const bool flowWidths = SelfFlow && !HasFlag(efVertical);
  if (DisplayOf(this) == dsTableCell) return flowWidths ? SelfFlow->MinWidth : 0.0f;
  float w = 0;
  if (fixedStyleWidth(this, w)) return flowWidths ? std::max(w, SelfFlow->MinWidth) : w;
  if (flowWidths) return SelfFlow->MinWidth;
  if (!(SizeFlags & kWidthFixed)) return 0;
  return IsReplacedElement() ? ContentWidth : InnerWidth;
}

void TElement::UpdateMinMaxWidth(float AMinWidth, float AMaxWidth) {
  (void)AMaxWidth;
  const TDisplayStyle d = DisplayOf(this);
  if (d == dsTable || d == dsTableRow || d == dsInlineTable) return;
  if (SelfFlow) SelfFlow->UpdateMinMax();
  const float minContent = MinContentWidth();
  float w = 0;
  if (!(SizeFlags & kWidthFixed) || d == dsTableCell || IsFlexItem()) {
    if (SelfFlow) {
      SelfFlow->MinWidth = std::max({SelfFlow->MinWidth, AMinWidth, minContent});
      SelfFlow->MaxContentWidth = std::max(SelfFlow->MaxContentWidth, minContent);
    }
  } else if (fixedStyleWidth(this, w)) {
    if (!SelfFlow) {
      ContentWidth = std::round(w);
    } else {
      SelfFlow->MaxContentWidth = std::max(SelfFlow->MaxContentWidth, minContent);
      SelfFlow->MinWidth = std::max(SelfFlow->MinWidth, InnerWidth);
    }
  }
  float maxW = 0;
  if (SelfFlow && FixedMaxWidthOf(this, maxW)) SelfFlow->MaxContentWidth = std::min(SelfFlow->MaxContentWidth, maxW);
}

}  // namespace ht
