// Line metrics and vertical margin collapsing. A line's height and baseline
// come from the runs on it, added as they join the line; block lines
// collapse the top margin of their block with what comes before it, and a
// flow that ends with a block line collapses that block's bottom margin
// into its owner's.
#include <algorithm>
#include <cmath>

#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"

namespace ht {

float THtLineSize::MarginHeight() const {
  return std::max({Outer, MarginAscent + MarginDescent, InnerHeight() + AboveTop + BelowBottom});
}

bool TFlow::AddToLineSize(PHtLineInfo ALine, THtLineBlock* B, THtLineSize& S) {
  TElement* e = B->E;
  if ((B->Has(trfBlank) || B->Has(trfInlineStart) || B->Has(trfInlineEnd)) && !B->IsLineBreak()) {
    const TWhiteSpace ws = e ? WhiteSpaceOf(e) : wsNormal;
    const bool keptBlank = B->IsText() && B->Has(trfBlank) && (ws == wsNowrap || ws == wsPre || ws == wsPreWrap);
    if (!keptBlank) return false;
  }
  S.Inner = std::max(S.Inner, B->LogicalHeight);
  if (e && !e->IsText()) S.Outer = std::max(S.Outer, e->CalcHeight());
  const bool boxLike = !B->IsText() && e && IsInlineBlockLike(DisplayOf(e));
  switch (B->VAlign) {
    case vaBaseLine:
      S.Ascent = std::max(S.Ascent, B->Ascent);
      S.Descent = std::max(S.Descent, B->Descent());
      if (boxLike) {
        S.MarginAscent = std::max(S.MarginAscent, B->Ascent + e->MarginTop);
        S.MarginDescent = std::max(S.MarginDescent, B->Descent() + e->MarginBottom);
      }
      break;
    case vaSub:
      if (B->IsText()) {
        S.Ascent = std::max(S.Ascent, B->Ascent);
        S.Descent = std::max(S.Descent, B->Descent() + B->LogicalHeight / 4);
      }
      break;
    case vaSuper:
      if (B->IsText()) {
        S.Ascent = std::max(S.Ascent, B->Ascent + B->LogicalHeight / 4);
        S.Descent = std::max(S.Descent, B->Descent());
      }
      break;
    case vaTextTop:
      if (boxLike) S.AboveTop = std::max(S.AboveTop, e->MarginTop);
      break;
    case vaBottom:
    case vaTextBottom:
      if (boxLike) S.BelowBottom = std::max(S.BelowBottom, e->MarginBottom);
      break;
    default:
      break;
  }
  ALine->Height = S.InnerHeight();
  if (!B->IsText() && Owner && Owner->IsBlockContainer()) FHeight = std::max(FHeight, S.MarginHeight());
  if (B->IsText() && e) {
    float lh = 0;
    if (LineHeightPx(e, lh) && lh > 0) S.Inner = std::max(S.Inner, lh);
  }
  return true;
}

// Turns the collected metrics into the line entry's.
void FinishLineMetrics(TFlow& F, THtLineBlock* FirstBox, THtLineBlock* LastBox, THtLineSize& S, PHtLineInfo L) {
  float ownerLH = 0;
  const bool ownerSet = F.FLinePass ? F.FOwnerLHSet : LineHeightPx(F.Owner, ownerLH);
  if (ownerSet) {
    float m = 0;
    bool any = false;
    const TElement* lastElement = nullptr;
    float elementLH = 0;
    bool elementNumber = false, elementSet = false;
    for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
      if (r->InFlow() && r->E) {
        TElement* e = r->E;
        if (e != lastElement) {
          lastElement = e;
          elementSet = LineHeightPx(e, elementLH, &elementNumber);
        }
        const TDisplayStyle d = DisplayOf(e);
        if (e->IsReplacedElement() || (!r->IsText() && (d == dsInlineBlock || d == dsInlineFlex))) {
          m = std::max(m, r->LogicalHeight);
          any = true;
        } else if (elementSet && elementNumber) {
          const TWhiteSpace ws = WhiteSpaceOf(e);
          const bool keptBlank = ws == wsNowrap || ws == wsPre || ws == wsPreWrap;
          if (r->IsText() && !r->Hidden() && (!r->Has(trfBlank) || keptBlank)) {
            m = std::max(m, elementLH);
            any = true;
          } else if (!r->IsText() && d == dsInlineTable && !r->Has(trfBlank)) {
            m = std::max(m, r->LogicalHeight);
            any = true;
          }
        } else if (elementSet && r->IsText() && !r->Has(trfBlank)) {
          m = std::max(m, elementLH);
          any = true;
        }
      }
      if (r == LastBox) break;
    }
    if (any) S.Inner = std::max(S.Inner, m);
  }
  S.Inner = std::max(S.Inner, S.Ascent + S.Descent);
  const float d = S.Inner - (S.Ascent + S.Descent);
  if (d > 0) {
    S.Ascent += d / 2;
    S.Descent += d / 2;
  }
  S.AboveTop = std::max(S.AboveTop, S.MarginAscent - S.Ascent);
  S.BelowBottom = std::max(S.BelowBottom, S.MarginDescent - S.Descent);
  const float g = S.Outer - (S.Ascent + S.Descent + S.AboveTop + S.BelowBottom);
  if (g > 0) {
    S.AboveTop += g / 2;
    S.BelowBottom += g / 2;
  }
  L->Height = S.Ascent + S.Descent;
  L->Ascent = S.Ascent;
  L->TopMargin = S.AboveTop;
  L->BottomMargin = S.BelowBottom;
}

namespace {

bool collapsesAsBlock(const TElement* E) {
  if (E->IsText() || !E->Style()) return false;
  if (E->Document && E->Document->BodyElement == E) return false;
  const TElementPosition p = E->Style()->Position();
  if (p != epStatic && p != epRelative) return false;
  if (IsFloated(E)) return false;
  return E->IsBlock();
}

}  // namespace

// A block whose top and bottom margins touch: in flow, no height, border or
// padding between them.
bool IsEmptyCollapsible(const TElement* E) {
  if (!E || E->IsText() || !E->IsBlock() || E->OutofFlow() || E->InnerHeight != 0) return false;
  if (E->BorderTop != 0 || E->BorderBottom != 0 || E->PaddingTop != 0 || E->PaddingBottom != 0) return false;
  if (E->SelfFlow && E->SelfFlow->FHeight > 0) return false;
  return true;
}

namespace {

// Whether P's margin on Side (0 top, 2 bottom) meets its children's: an
// in-flow block with no border or padding on that side that starts no
// context of its own (the body's margins do meet its children's).
bool marginMeetsChildren(const TElement* P, int Side) {
  if (!P || P->IsText() || !P->Style() || P->OutofFlow()) return false;
  const TDisplayStyle d = P->Style()->Display();
  if (d != dsBlock && d != dsListItem) return false;
  const bool body = P->Document && P->Document->BodyElement == P;
  if (!body && P->IsBlockContainer()) return false;
  if (Side == 0) return P->BorderTop == 0 && P->PaddingTop == 0;
  return P->BorderBottom == 0 && P->PaddingBottom == 0;
}

int roundPx(float v) { return int(std::lround(std::isfinite(v) ? v : 0.0f)); }

// The line of Flow that holds E's run; -1 when none does.
int lineOf(TFlow* Flow, const TElement* E) {
  const THtLineBlock* run = E->LineBlocks.First();
  if (!run) return -1;
  const int l = run->Line;
  return l >= 0 && l < Flow->LineCount() ? l : -1;
}

}  // namespace

int TElement::CollapseTopMargin(TFlow* Flow, int M) {
  if (!Flow || !collapsesAsBlock(this)) return 0;
  const int line = lineOf(Flow, this) < 0 ? Flow->Line : lineOf(Flow, this);
  if (line > 0 && !Flow->FLines[size_t(line - 1)].IsBlock) return 0;
  TElement* P = nullptr;
  if (line == 0) P = static_cast<TElement*>(Container);
  else if (THtLineBlock* fb = Flow->FLines[size_t(line - 1)].FirstBox) P = fb->E;
  if (!P) return 0;
  if (P == Container) {
    if (P == this || !marginMeetsChildren(P, 0)) return 0;
    if (P->MarginTop >= float(M)) return M;
    int r = 0;
    TElement* pc = static_cast<TElement*>(P->Container);
    if (pc && pc != P && pc->SelfFlow && LayoutDepthLeft()) {
      TLayoutDepth depth;
      r = P->CollapseTopMargin(pc->SelfFlow.get(), M);
    }
    if (r >= M) return r;
    const float grow = std::max(0.0f, float(M - r - roundPx(P->MarginTop)));
    if (grow > 0) {
      P->MarginTop += grow;
      P->OuterRect.Bottom += grow;
      P->CalcRects();
    }
    return M;
  }
  if (IsEmptyCollapsible(P)) {
    // Margins collapse through an empty block: the space between the block
    // before it and this one is the largest margin of all of them. K is
    // what the empty block's line already gave: the larger of its top
    // margin and the bottom margin of the block before it.
    float before = 0;
    if (line >= 2 && Flow->FLines[size_t(line - 2)].IsBlock && Flow->FLines[size_t(line - 2)].FirstBox &&
        Flow->FLines[size_t(line - 2)].FirstBox->E)
      before = std::max(0.0f, Flow->FLines[size_t(line - 2)].FirstBox->E->MarginBottom);
    const float k = std::max(before, std::max(0.0f, P->MarginTop));
    const float pb = std::max(0.0f, P->MarginBottom), a = std::max(0.0f, MarginTop);
    return roundPx(pb + a - std::max(0.0f, std::max(pb, a) - k));
  }
  if (!P->HasNonAutoMargin(2)) return 0;
  if (P->InnerHeight == 0) return roundPx(std::min(MarginTop, P->MarginBottom + P->MarginTop));
  const int a = roundPx(MarginTop);
  int b = roundPx(P->MarginBottom);
  if (b == 0 && P->SelfFlow && !(P->SizeFlags & (sfHeightFixed | sfHeightDefinite)) && P->SelfFlow->LineCount() > 0) {
    const THtLineInfo& last = P->SelfFlow->FLines[size_t(P->SelfFlow->Line)];
    if (last.IsBlock && last.FirstBox && last.FirstBox->E && last.FirstBox->E->HasNonAutoMargin(2))
      b = roundPx(last.FirstBox->E->MarginBottom);
  }
  if (b < a) return b;
  if (a < 0) return std::min(std::abs(a), std::abs(b));
  return a;
}

int TElement::CollapseBottomMargin(TFlow* Flow) {
  if (!Flow || !collapsesAsBlock(this)) return 0;
  const int line = lineOf(Flow, this);
  TElement* P = nullptr;
  if (line < 0 || line == Flow->Line) {
    P = static_cast<TElement*>(Container);
  } else if (size_t(line + 1) < Flow->FLines.size() && Flow->FLines[size_t(line + 1)].IsBlock &&
             Flow->FLines[size_t(line + 1)].FirstBox) {
    P = Flow->FLines[size_t(line + 1)].FirstBox->E;
  }
  if (!P || P != Container || P == this || !marginMeetsChildren(P, 2)) return 0;
  if (MarginBottom > P->MarginBottom) {
    P->OuterRect.Bottom += MarginBottom - P->MarginBottom;
    P->MarginBottom = MarginBottom;
    P->CalcRects();
  }
  // The whole margin leaves the flow: the owner's own bottom margin, now at
  // least as large, stands for both.
  return std::max(0, roundPx(MarginBottom));
}

}  // namespace ht
