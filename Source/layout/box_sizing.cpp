// Box sizing: the used content-box size of an element before its content is
// laid out.
#include <algorithm>
#include <cmath>

#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

bool hasGroup(const TStyledHTMLNode* N, IElementStyleFacts::TEdgeGroup G) { return N->Style() && N->Style()->HasGroup(G); }

bool isAbsoluteOrFixed(TElementPosition p) { return p == epAbsolute || p == epFixed; }

}  // namespace

bool TElement::ResolveWidth(float HorizontalDelta, float AMinWidth, float AMaxWidth) {
  if (!Style()) return false;
  const int userWidth = GetUserWidth();
  if (userWidth != 0 && !IsReplacedElement()) {
    InnerWidth = float(userWidth);
    return true;
  }
  const TDisplayStyle d = Style()->Display();
  const TElementPosition pos = Style()->Position();
  const bool isRoot = !Container || Container == this;
  float styleWidth = 0;
  bool percent = false;
  const bool widthSet = SetWidthOf(this, styleWidth, &percent);
  const TBoxSizing sizing = BoxSizingOf(this);
  const float paddings = hasGroup(this, IElementStyleFacts::TEdgeGroup::Padding) ? FPaddingLeft + FPaddingRight : 0.0f;
  const float borders = hasGroup(this, IElementStyleFacts::TEdgeGroup::Border) ? BorderLeft + BorderRight : 0.0f;

  float boxDelta = HorizontalDelta;
  if (widthSet && sizing == bsBorderbox)
    boxDelta = hasGroup(this, IElementStyleFacts::TEdgeGroup::Margin) ? std::max(0.0f, MarginLeft + MarginRight) : 0.0f;
  else if (widthSet && sizing == bsPaddingbox)
    boxDelta = borders + paddings;

  // The width this box may take from its container.
  float available = InnerWidth;
  if (!isRoot) {
    if (isAbsoluteOrFixed(pos)) {
      // Insets count from the container's padding box, so that is the room.
      available = Container->InnerWidth + Container->InnerDeltaX();
    } else {
      available = Container->InnerWidth;
      if (OwnFloatContext() && !IsFloated(this) && Container->FloatMapIfAny()) {
        const float top = OuterRect.Top, bottom = std::max(top + 1, OuterRect.Bottom);
        available -= Container->GetLeft(top, bottom) + Container->GetRight(top, bottom);
      }
    }
  }
  const bool containerDefinite = isRoot || (Container->SizeFlags & sfWidthDefinite);

  float w = 0;
  bool definite = false;
  float left = 0, right = 0;
  if (widthSet && (containerDefinite || !percent)) {
    w = styleWidth - float(VScrollBarWidth());
    definite = true;
  } else if (isAbsoluteOrFixed(pos) && containerDefinite && SetInsetOf(this, 3, left) && SetInsetOf(this, 1, right)) {
    w = available - left - right - float(VScrollBarWidth());
    definite = true;
  } else if (d == dsTable && containerDefinite) {
    w = available - boxDelta - float(Container->VScrollBarWidth());
  } else if (IsFlexItem()) {
    const TCSSFlexDirection fd = FlexDirectionOf(Container);
    if (widthSet) w = styleWidth;
    else if (fd == fdColumn || fd == fdColumnReverse) w = available - HorizontalDelta;
    else if (InnerWidth == 0 && SelfFlow) w = SelfFlow->MaxContentWidth;
    else w = InnerWidth;
  } else if (d == dsInlineBlock || d == dsTableCell || d == dsInlineFlex || d == dsInlineTable ||
             isAbsoluteOrFixed(pos) || pos == epRunning || IsFloated(this)) {
    const float minC = MinContentWidth(), maxC = MaxContentWidth();
    if (containerDefinite) {
      w = std::max(minC, std::min(maxC, available - boxDelta));
    } else if (widthSet && ((pos != epStatic && pos != epRelative) || IsFloated(this))) {
      w = styleWidth;
    } else {
      w = std::min(maxC, std::max(minC, available - boxDelta));
      if (d == dsTableCell && widthSet) w = std::max(w, std::round(styleWidth));
    }
    if (pos == epRunning && (d == dsBlock || d == dsListItem)) {
      SetInsetOf(this, 3, left);
      SetInsetOf(this, 1, right);
      w = available - boxDelta - left - right;
    }
  } else if (isRoot) {
    w = available;
  } else if (HasFlag(efVertical)) {
    w = 0;
  } else {
    w = available - boxDelta;
  }

  w = FiniteOr0(w);
  w = std::min(w, AMaxWidth);
  w = std::max(w, AMinWidth);  // the minimum wins over the maximum

  // A box-sizing that counts paddings and borders in the width can never
  // leave a negative content box, however large they are.
  if (isRoot || sizing == bsContentbox) InnerWidth = w;
  else if (sizing == bsBorderbox) InnerWidth = widthSet ? w - borders - paddings : w;
  else InnerWidth = widthSet ? w - borders - paddings : w - paddings;
  InnerWidth = std::max(0.0f, FiniteOr0(InnerWidth));
  return definite;
}

bool TElement::ResolveHeight() {
  if (!Container || Container == this) return true;
  if (!Style()) return false;
  const int userHeight = GetUserHeight();
  if (userHeight != 0 && !IsReplacedElement()) {
    InnerHeight = float(userHeight);
    return true;
  }
  const TElementPosition pos = Style()->Position();
  float styleHeight = 0, top = 0, bottom = 0;
  bool percent = false;
  float h = 0;
  bool definite = false;
  if (SetHeightOf(this, styleHeight, &percent) &&
      ((Container->SizeFlags & sfHeightDefinite) || pos == epFixed || !percent)) {
    h = styleHeight;
    definite = true;
  } else if (isAbsoluteOrFixed(pos) && SetInsetOf(this, 0, top) && SetInsetOf(this, 2, bottom)) {
    h = Container->InnerHeight + Container->InnerDeltaY() - top - bottom;
    definite = true;
  } else if (Document && Document->BodyElement == this && StyledParent()) {
    // The body fills its parent's height.
    InnerHeight = std::max(0.0f, FiniteOr0(StyledParent()->InnerHeight - InnerDeltaY() - OuterDeltaY()));
    return true;
  } else {
    h = ContentHeight;
  }
  h = FiniteOr0(h);
  h = std::min(h, MaxHeight());
  h = std::max(h, MinHeight());

  const TBoxSizing sizing = BoxSizingOf(this);
  const float paddings = hasGroup(this, IElementStyleFacts::TEdgeGroup::Padding) ? PaddingTop + PaddingBottom : 0.0f;
  if (sizing == bsBorderbox) {
    if (hasGroup(this, IElementStyleFacts::TEdgeGroup::Border)) h -= BorderTop + BorderBottom;
    h -= paddings;
  } else if (sizing == bsPaddingbox) {
    h -= paddings;
  }
  InnerHeight = std::max(0.0f, FiniteOr0(h));
  return definite;
}

void TElement::CalcBoxSize(float HorizontalDelta, float VerticalDelta, float AMinWidth, float AMaxWidth) {
  bool wDef = ResolveWidth(HorizontalDelta, AMinWidth, AMaxWidth);
  bool hDef = ResolveHeight();
  float iw = 0, ih = 0;
  bool keepAspect = false;
  if (GetIntrinsicSize(iw, ih, keepAspect)) {
    iw = FiniteOr0(iw);
    ih = FiniteOr0(ih);
    if (!wDef) InnerWidth = iw;
    if (!hDef) InnerHeight = ih;
    float sw = 0;
    if (!SetWidthOf(this, sw)) SizeFlags |= sfWidthFixed;
    float sh = 0;
    if (!SetHeightOf(this, sh)) SizeFlags |= sfHeightFixed;
    if (keepAspect) {
      if (wDef && !hDef && iw != 0) InnerHeight = InnerWidth * ih / iw;
      else if (hDef && !wDef && ih != 0) InnerWidth = InnerHeight * iw / ih;
    }
    if (InnerWidth > AMaxWidth) {
      InnerWidth = AMaxWidth;
      if (!hDef && keepAspect && iw != 0) InnerHeight = InnerWidth * ih / iw;
    }
    if (InnerHeight > MaxHeight()) {
      InnerHeight = MaxHeight();
      if (!wDef && keepAspect && ih != 0) InnerWidth = InnerHeight * iw / ih;
    }
    InnerWidth = std::max(InnerWidth, AMinWidth);
    InnerHeight = std::max(InnerHeight, MinHeight());
    ContentWidth = InnerWidth;
    ContentHeight = InnerHeight;
    wDef = hDef = true;
  }
  OuterRect.Right = OuterRect.Left + InnerWidth + HorizontalDelta;
  OuterRect.Bottom = OuterRect.Top + InnerHeight + VerticalDelta;
  if (THtLineBlock* run = FirstRun()) {
    run->LogicalWidth = InnerWidth;
    run->LogicalHeight = InnerHeight;
  }
}

void TElement::BeforeCalcLayout() {
  StartPage = -1;
  ExcludeFlag(efPBBeforeProcessed);
  ExcludeFlag(efPBAfterProcessed);
  if (KeepsLayout()) {
    // Its style did not change: the margins are those it took last time.
    MarginTop = FLayoutMemo.StyleMargins[0];
    MarginRight = FLayoutMemo.StyleMargins[1];
    MarginBottom = FLayoutMemo.StyleMargins[2];
    MarginLeft = FLayoutMemo.StyleMargins[3];
    if (THtLineBlock* first = FirstRun()) first->Flags.Exclude(trfProcessed);
    return;
  }

  const IElementStyleFacts* st = Style();
  const TDisplayStyle d = st ? st->Display() : dsInline;
  if (st && !IsText() && st->HasGroup(IElementStyleFacts::TEdgeGroup::Margin) && d != dsTableRow && d != dsTableRowGroup &&
      d != dsTableCell) {
    MarginLeft = FiniteOr0(st->MarginPx(3));
    MarginRight = FiniteOr0(st->MarginPx(1));
    // An inline box's top and bottom margins are left as they are.
    if (d != dsInline) {
      MarginTop = FiniteOr0(st->MarginPx(0));
      MarginBottom = FiniteOr0(st->MarginPx(2));
    }
    if (HasFlag(efVertical)) {
      std::swap(MarginTop, MarginLeft);
      std::swap(MarginBottom, MarginRight);
    }
  } else {
    MarginTop = MarginRight = MarginBottom = MarginLeft = 0;
  }

  FLayoutMemo.StyleMargins[0] = MarginTop;
  FLayoutMemo.StyleMargins[1] = MarginRight;
  FLayoutMemo.StyleMargins[2] = MarginBottom;
  FLayoutMemo.StyleMargins[3] = MarginLeft;
  if (TFlow* f = SelfFlow.get()) {
    // Runs hidden at the end of the chain take no part in the new pass.
    while (f->LastBlock && f->LastBlock->Hidden()) {
      THtLineBlock* prev = f->LastBlock->PreviousBlock();
      f->LastBlock->SetPreviousBlock(nullptr);
      f->LastBlock = prev;
      if (!prev) f->FirstBlock = nullptr;
    }
    if (f->LastBlock) f->LastBlock->SetNextBlock(nullptr);
    f->FirstNonPrintedBlock = f->FirstBlock;
    f->Line = 0;
    f->FLines.assign(1, THtLineInfo{});
    int lineHeight = 0;
    if (!SetLineHeightOf(this, lineHeight)) lineHeight = 0;
    f->FLines[0].Height = float(lineHeight);
    f->FCurX = float(f->TextIndent);
    const float band = std::max(float(lineHeight), 1.0f) + float(f->TextIndent);
    f->FLines[0].LeftOffset = int(std::round(GetLeft(0, band)));
    f->FLines[0].RightOffset = int(std::round(GetRight(0, band)));
    f->FHeight = 0;
    f->StartY = 0;
    f->FCurY = VDelta;
  }
  if (THtLineBlock* first = FirstRun()) first->Flags.Exclude(trfProcessed);

  if (!LayoutDepthLeft()) return;
  TLayoutDepth depth;
  if (TElement* b = AsElement(Before)) b->BeforeCalcLayout();
  for (int i = 0; i < Count(); ++i)
    if (TElement* c = AsElement(GetNodes()->Get(i)); c && !c->IsText() && DisplayOf(c) != dsNone)
      c->BeforeCalcLayout();
  if (TElement* a = AsElement(After)) a->BeforeCalcLayout();
}

}  // namespace ht
