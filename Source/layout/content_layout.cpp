// The sizing pass proper: a box is sized, its content is laid out through
// its own flow and its height is settled from what the lines took.
#include <algorithm>
#include <cmath>

#include "canvas/font.h"
#include "css/float_bands.h"
#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

bool isTablePart(TDisplayStyle d) {
  return d == dsTable || d == dsTableRow || d == dsTableRowGroup || d == dsTableCell || d == dsInlineTable;
}

bool isCell(const TElement* E) { return E->HasFlag(efTableCell) || DisplayOf(E) == dsTableCell; }

}  // namespace

int& LayoutDepth() {
  static thread_local int depth = 0;
  return depth;
}

bool TElement::CalcLayout() {
  ExcludeFlag(efVMProcessed);
  const TDisplayStyle d = DisplayOf(this);
  if (d == dsInline || d == dsNone || !Style()) return true;
  if (KeepsLayout()) return keepLayout();
  const TLayoutInputs inputs = layoutInputs();
  CalcSizeFlags(false);
  const float hd = InnerDeltaX() + OuterDeltaX(), vd = InnerDeltaY() + OuterDeltaY();
  VDelta = 0;
  const TElementPosition pos = Style()->Position();
  const bool positioned = pos == epAbsolute || pos == epFixed;
  const bool isRoot = !Container || Container == this;
  float sw = 0;
  if (!isRoot && !(SizeFlags & sfWidthDefinite) && (positioned || IsFloated(this)) && SetWidthOf(this, sw)) {
    float l = 0, r = 0;
    const bool hasL = SetInsetOf(this, 3, l), hasR = SetInsetOf(this, 1, r);
    if (!(hasL && hasR)) {
      float w = Container->InnerWidth - hd;
      if (positioned) w -= (hasL ? l : 0) + (hasR ? r : 0);
      w = std::min(w, MaxContentWidth());
      w = std::min(w, MaxWidth());
      w = std::max(w, MinWidth());
      InnerWidth = std::max(0.0f, FiniteOr0(w));
      SizeFlags |= sfWidthFixed | sfWidthDefinite;
    }
  }
  if (isTablePart(d) || pos == epRunning) {
    float h = 0;
    if (d == dsTableCell && SetHeightOf(this, h)) InnerHeight = std::max(InnerHeight, FiniteOr0(h));
  } else {
    if (THtLineBlock* run = FirstRun()) OffsetRects(run->X() - OuterRect.Left, run->Y() - OuterRect.Top);
    CalcBoxSize(hd, vd, MinWidth(), MaxWidth());
  }
  const bool result = CalcContentLayout(true, true);
  rememberLayout(inputs, result);
  return result;
}

bool TElement::CalcContentLayout(bool ResetFloats, bool UpdateHeight) {
  THtLineBlock* run = FirstRun();
  if (!run) return true;
  bool result = true;
  const TDisplayStyle d = DisplayOf(this);
  const bool inlineLevel = IsInlineLevelDisplay(d);
  TFlow* flow = SelfFlow.get();
  // Spaces that hung at a line end get their widths back, and floats and
  // inline blocks are laid out again.
  if (flow && flow->FRunsMarked) {
    for (THtLineBlock* r = flow->FirstBlock; r; r = r->NextBlock()) {
      if (r->LogicalWidth < 0 && r->Has(trfSpace)) r->LogicalWidth = -r->LogicalWidth;
      r->Flags.Exclude(trfProcessed);
    }
    flow->FRunsMarked = false;
  }

  auto runHeight = [&] {
    return inlineLevel ? InnerHeight + InnerDeltaY() + BorderTop + BorderBottom : CalcHeight();
  };
  run->SetXSize(CalcWidth());
  run->SetYSize(runHeight());

  const TElementPosition pos = Style() ? Style()->Position() : epStatic;
  float sw = 0;
  if ((d == dsInlineBlock || d == dsFlex || d == dsInlineFlex) && (pos == epStatic || pos == epRelative) &&
      !IsFloated(this) && Style() && Style()->OverflowX() == eoVisible && !SetWidthOf(this, sw) && flow &&
      flow->MinWidth > InnerWidth) {
    InnerWidth = flow->MinWidth;
    OuterRect.Right = OuterRect.Left + InnerWidth + InnerDeltaX() + OuterDeltaX();
  }
  if (IsBlock() && !IsBlockContainer())
    OffsetRects(run->X() - OuterRect.Left, run->Y() - OuterRect.Top);

  if (flow && d != dsTableRow && d != dsTableRowGroup && d != dsTable) {
    ContentHeight = 0;
    CalcRects();
    if (ResetFloats) {
      if (TBlockFloats* fm = FloatMapIfAny()) fm->Reset();
      TElement* c = static_cast<TElement*>(Container);
      if (!IsBlockContainer() && c && c != this && c->FloatMapIfAny() && c->FloatMapIfAny()->HasBands()) {
        FloatMap()->Reset();
        FloatMap()->CopyContainerFloats();
      }
    }
    if (!IsReplacedElement()) {
      result = flow->CalcLines();
    } else {
      flow->FirstBlocktoPrint = flow->FirstBlock;
      flow->LastBlocktoPrint = flow->LastBlock;
    }
    if (UpdateHeight) {
      ContentHeight = std::max(ContentHeight, flow->FHeight);
      if (!Style() || Style()->OverflowX() != eoHidden) ContentWidth = std::max(ContentWidth, float(flow->ContentWidth));
      // The root keeps the viewport's height; the document's size follows
      // its content afterwards.
      const bool isRoot = !Container || Container == this;
      const bool heightDefinite = (SizeFlags & (sfHeightFixed | sfHeightDefinite)) || GetUserHeight() != 0 || isRoot;
      float h = 0;
      if (!heightDefinite) {
        InnerHeight = ContentHeight;
        // The body fills its parent's height and grows with its content;
        // a percentage height takes its share of the parent's.
        if (Document && Document->BodyElement == this && StyledParent()) {
          bool percent = false;
          if (SetHeightOf(this, h, &percent) && percent)
            InnerHeight = std::max(0.0f, h);
          else
            InnerHeight = std::max(InnerHeight, StyledParent()->InnerHeight - InnerDeltaY() - OuterDeltaY());
        }
      } else if (isCell(this) && SetHeightOf(this, h)) {
        InnerHeight = std::max(ContentHeight, h - InnerDeltaY());
      }
      InnerHeight = std::max(std::min(InnerHeight, MaxHeight()), MinHeight());
      InnerHeight = std::max(0.0f, FiniteOr0(InnerHeight));
    }
  }

  OuterRect.Bottom = OuterRect.Top + InnerHeight + InnerDeltaY() + OuterDeltaY();
  if (HasFlag(efVertical)) OuterRect.Right = OuterRect.Left + InnerWidth + InnerDeltaX() + OuterDeltaX();
  CalcRects();
  run->SetYSize(runHeight());

  if (IsInlineBlockLike(d)) {
    if (IsReplacedElement()) {
      run->Ascent = run->VAlign == vaMiddle ? run->LogicalHeight / 2 : run->LogicalHeight;
    } else {
      bool found = false;
      if (flow && flow->LineCount() > 0 && flow->FirstBlock) {
        for (THtLineBlock* r = flow->LastBlock; r; r = r->PreviousBlock()) {
          if (r->IsText() && !r->Has(trfBlank) && !r->Has(trfBlock) && r->Line >= 0 && r->Line < flow->LineCount()) {
            const THtLineInfo& l = flow->FLines[size_t(r->Line)];
            run->Ascent = std::min(run->LogicalHeight, l.Y + l.Ascent + PaddingTop + BorderTop);
            found = true;
            break;
          }
          if (r == flow->FirstBlock) break;
        }
      }
      if (!found) {
        THtFont* font = LayoutFontOf(this);
        run->Ascent = std::min(run->LogicalHeight, (font ? font->Ascent : 0.0f) + PaddingTop + BorderTop);
      }
    }
    run->Ascent = std::max(0.0f, FiniteOr0(run->Ascent));
  } else if (d != dsTableRowGroup) {
    run->SetXSize(CalcWidth());
    if (run->Has(trfBlock)) run->Ascent = run->LogicalHeight;
  }

  if (isCell(this)) UpdateVAlign();

  const int barWidth = VScrollBarWidth();
  UpdateOverflow();
  if (VScrollBarWidth() != barWidth) {
    CalcRects();
    if (flow && !IsReplacedElement()) {
      // The first pass hid the spaces that ended its lines (negative
      // widths); the narrower lines end elsewhere.
      for (THtLineBlock* r = flow->FirstBlock; r; r = r->NextBlock()) {
        r->Flags.Exclude(trfProcessed);
        if (r->Has(trfSpace) && r->LogicalWidth < 0) r->LogicalWidth = -r->LogicalWidth;
      }
      flow->CalcLines();
    }
  }

  if (flow) {
    TRectF& cr = flow->ContentRect;
    cr.Left = LeftDelta() + std::min(cr.Left, 0.0f);
    cr.Top = TopDelta() + std::min(cr.Top, 0.0f);
    cr.Right = std::max(cr.Right + RightDelta(), CalcWidth());
    cr.Bottom = std::max(cr.Bottom + BottomDelta(), CalcHeight());
  }
  return result;
}

void TElement::RecalcWidth() {
  if (!LayoutDepthLeft()) return;
  TLayoutDepth depth;
  const float hd = InnerDeltaX() + OuterDeltaX();
  CalcBoxSize(hd, InnerDeltaY() + OuterDeltaY(), MinWidth(), MaxWidth());
  const TDisplayStyle d = DisplayOf(this);
  if ((d == dsInlineBlock || d == dsInlineFlex) && !(SizeFlags & sfWidthDefinite)) InnerWidth = MaxContentWidth();
  OuterRect.Right = OuterRect.Left + InnerWidth + hd;
  if (d == dsInline) return;
  for (int i = 0; i < Count(); ++i) {
    TElement* c = AsElement(GetNodes()->Get(i));
    if (!c || c->IsText()) continue;
    const TDisplayStyle cd = DisplayOf(c);
    if (c->IsReplacedElement() || cd == dsBlock || cd == dsTable || cd == dsTableRow || cd == dsTableRowGroup ||
        cd == dsListItem || cd == dsFlex)
      c->RecalcWidth();
  }
}

}  // namespace ht
