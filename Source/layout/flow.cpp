#include "layout/flow.h"

#include <algorithm>
#include <cmath>

#include "document/element.h"
#include "layout/layout_style.h"
#include "platform/rtl/exception.h"

namespace ht {

namespace {

float horizontalDeltas(const TElement* e) { return e->InnerDeltaX() + e->OuterDeltaX(); }

bool isMarker(const THtLineBlock* r) { return r->Has(trfInlineStart) || r->Has(trfInlineEnd); }

// A width the box keeps whatever its content: set, and not a percentage of
// a base that may still change.
bool definiteWidth(const TElement* e) {
  float w = 0;
  bool percent = false;
  return SetWidthOf(e, w, &percent) && !percent;
}

}  // namespace

TFlow::TFlow(TElement* AContainer) : FLines(1), Owner(AContainer) {}

void TFlow::Reset() {
  TextIndent = TextIndentOf(Owner);
  MinWidth = MaxContentWidth = FMinLineWidth = FMaxLineWidth = float(TextIndent);
  FFloatWidth = 0;
  FirstBlock = nullptr;
  LastBlock = nullptr;
  FRunsMarked = false;
  FStyleElement = nullptr;
  FOwnerWhiteSpace = WhiteSpaceOf(Owner);
  FStyleCached = true;
  ContentWidth = TextIndent;
  ContentRect = TRectF();
  PaintBands.clear();
  HitBands.clear();
}

THtLineBlock* TFlow::lastInFlow() const {
  THtLineBlock* r = LastBlock;
  while (r && (r->Has(trfOutofFlow) || isMarker(r))) r = r->PreviousBlock();
  return r;
}

bool TFlow::AddBlock(THtLineBlock* B) {
  TElement* e = B->E;
  THtLineBlock* last = lastInFlow();

  // A collapsible space at the start of a line adds nothing; without a break
  // of its own, or after a run that breaks after itself, it is dropped.
  if (B->Has(trfCollapsible) &&
      (!last || last->Has(trfCollapsible) || last->Has(trfBlock) || last->Has(trfLineBreak))) {
    B->LogicalWidth = 0;
    if ((!B->Has(trfBreakBefore) && !B->Has(trfBreakAfter)) || !last || last->Has(trfBreakAfter)) {
      B->Flags.Include(trfHidden);
      return false;
    }
  }

  // Collapsible spaces before a block end nothing: they leave the chain.
  if (B->Has(trfBlock) && !B->Has(trfOutofFlow)) {
    THtLineBlock* r = last;
    while (r && r->Has(trfCollapsible)) {
      FMinLineWidth = std::max(0.0f, FMinLineWidth - r->LogicalWidth);
      FMaxLineWidth = std::max(0.0f, FMaxLineWidth - r->LogicalWidth);
      r->Flags.Include(trfHidden);
      THtLineBlock* prev = r->PreviousBlock();
      if (r == FirstBlock) FirstBlock = r->NextBlock();
      if (r == LastBlock) LastBlock = prev;
      r->RemoveFromFlow();
      while (prev && (prev->Has(trfOutofFlow) || prev->Has(trfInlineStart))) prev = prev->PreviousBlock();
      r = prev;
    }
  }

  // Append. A run from an earlier pass first leaves its old neighbours.
  if (B != LastBlock) B->SetPreviousBlock(nullptr);
  B->SetNextBlock(nullptr);
  if (!FirstBlock || !LastBlock) {
    FirstBlock = LastBlock = B;
  } else if (B != LastBlock) {
    LastBlock->SetNextBlock(B);
    LastBlock = B;
  }

  if (B->Has(trfLineBreak)) {
    MinWidth = std::max(MinWidth, FMinLineWidth);
    MaxContentWidth = std::max(MaxContentWidth, FMaxLineWidth);
    FMinLineWidth = FMaxLineWidth = FFloatWidth = 0;
  }
  if (!e) return true;

  const bool floated = B->Has(trfOutofFlow) && IsFloated(e);
  if (B->Has(trfBlock) && !floated) {
    if (B->Has(trfOutofFlow)) return true;  // positioned: no part of the content's width
    const float d = horizontalDeltas(e);
    FMinLineWidth = std::max(FMinLineWidth, e->MinContentWidth() + d);
    MinWidth = std::max(MinWidth, FMinLineWidth);
    if (DisplayOf(Owner) == dsFlex) {
      const TCSSFlexDirection dir = FlexDirectionOf(Owner);
      if (dir == fdRow || dir == fdRowReverse) FMaxLineWidth += e->MaxContentWidth() + d;
      else FMaxLineWidth = std::max(FMaxLineWidth, e->MaxContentWidth() + d);
    } else {
      FMinLineWidth = 0;
      FMaxLineWidth = std::max(FMaxLineWidth, definiteWidth(e) ? B->LogicalWidth : e->MaxContentWidth() + d);
      FMaxLineWidth = std::max(FMaxLineWidth, FFloatWidth);
      MaxContentWidth = std::max(MaxContentWidth, FMaxLineWidth);
      FMaxLineWidth = FFloatWidth = 0;
    }
    return true;
  }

  if (B->Has(trfTab)) FMaxLineWidth = std::max(FMinLineWidth, CustomTabStop(B, B, FMaxLineWidth));
  float m = 0, M = 0;
  const TDisplayStyle disp = B->IsText() ? dsInline : DisplayOf(e);
  if (disp == dsInlineBlock || disp == dsTable || disp == dsTableCell || disp == dsInlineFlex ||
      disp == dsInlineTable) {
    const float d = horizontalDeltas(e);
    m = e->MinContentWidth() + d;
    M = std::max(e->MaxContentWidth() + d, m);
  } else {
    M = B->LogicalWidth;
    if (!FStyleCached) {
      FElementWordBreak = WordBreakOf(e);
      FElementWhiteSpace = WhiteSpaceOf(e);
    } else if (e != FStyleElement) {
      // Runs of one element come in a row: its style is read once.
      FStyleElement = e;
      FElementWordBreak = WordBreakOf(e);
      FElementWhiteSpace = WhiteSpaceOf(e);
    }
    const TCSSWordBreak wb = FElementWordBreak;
    const TWhiteSpace ws = FElementWhiteSpace;
    const bool breaksAnywhere =
        (wb == wbBreakWord || wb == wbBreakAll) && (ws == wsNormal || ws == wsPreLine || ws == wsPreWrap);
    m = breaksAnywhere ? 0 : B->LogicalWidth;
    if (floated) FFloatWidth += std::max(B->LogicalWidth, e->MaxContentWidth() + horizontalDeltas(e));
  }
  FMaxLineWidth += M;
  if (floated) return true;

  const TWhiteSpace ows = FStyleCached ? FOwnerWhiteSpace : WhiteSpaceOf(Owner);
  if (ows == wsNowrap || ows == wsPre) {
    FMinLineWidth += m;
  } else {
    const bool opportunity = (B->Has(trfBreakBefore) && !(last && last->Has(trfProhibitRightBreak))) ||
                             (last && last->Has(trfBreakAfter) && !B->Has(trfProhibitLeftBreak));
    if (opportunity) {
      MinWidth = std::max(MinWidth, FMinLineWidth);
      FMinLineWidth = m;
    } else {
      FMinLineWidth += m;
    }
  }
  return true;
}

void TFlow::UpdateMinMax() {
  for (THtLineBlock* r = LastBlock; r && r != FirstBlock; r = r->PreviousBlock()) {
    if (r->Has(trfOutofFlow) || isMarker(r)) continue;
    if (!r->Has(trfCollapsible)) break;
    FMinLineWidth = std::max(0.0f, FMinLineWidth - r->LogicalWidth);
    FMaxLineWidth = std::max(0.0f, FMaxLineWidth - r->LogicalWidth);
    r->Flags.Include(trfHidden);
    r->LogicalWidth = 0;
  }
  MinWidth = std::max(MinWidth, FMinLineWidth);
  FMaxLineWidth = std::max(FMaxLineWidth, FFloatWidth);
  MaxContentWidth = std::max(MaxContentWidth, FMaxLineWidth);
  float w = 0;
  if (!SetWidthOf(Owner, w)) return;
  if (IsFloated(Owner)) MaxContentWidth = std::min(MaxContentWidth, w);
  if (Owner->IsReplacedElement()) {
    MinWidth = std::min(MinWidth, w);
    MaxContentWidth = std::min(MaxContentWidth, w);
  }
}

PHtLineInfo TFlow::GetLine(int Index) {
  if (Index < 0 || Index >= LineCount()) throw Exception(u"flow line index out of range");
  return &FLines[size_t(Index)];
}

void TFlow::NextLine() {
  const THtLineInfo& cur = FLines[size_t(Line)];
  FCurY += cur.Height + cur.BottomMargin;
  FHeight = std::max(FHeight, FCurY);
  const THAlign align = cur.Align;
  ++Line;
  if (size_t(Line) >= FLines.size()) FLines.resize(size_t(Line) + 1);
  THtLineInfo& next = FLines[size_t(Line)];
  next.Y = FCurY;
  next.Align = align;
  next.Height = 0;
  if (FLinePass) {
    if (FOwnerLHSet) next.Height = std::round(FOwnerLH);
  } else if (int lh = 0; SetLineHeightOf(Owner, lh)) {
    next.Height = float(lh);
  }
  FCurX = 0;
}

TElement* TFlow::GetLineElement(int ALine, float x) {
  if (!Owner) return nullptr;
  TElement* best = nullptr;
  float bestDist = 10000;
  const int n = Owner->Count();
  for (int i = 0; i < n; ++i) {
    TElement* c = AsElement(Owner->GetNodes()->Get(i));
    if (!c) continue;
    if (c->Style()) {
      const TElementPosition p = c->Style()->Position();
      if (p == epAbsolute || p == epFixed || p == epRunning) continue;
    }
    if (!c->Visible() || ALine < c->StartLine() || ALine > c->EndLine()) continue;
    const TRectF r = c->Rects(ALine - c->StartLine());
    const float dist = x < r.Left ? r.Left - x : x > r.Right ? x - r.Right : 0;
    if (dist < bestDist) {
      bestDist = dist;
      best = c;
      if (dist == 0) break;
    }
  }
  return best;
}

void TFlow::UpdateContentRect(const TRectF& R) {
  if (R.Left < ContentRect.Left) ContentRect.Left = std::trunc(R.Left);
  if (R.Top < ContentRect.Top) ContentRect.Top = std::trunc(R.Top);
  if (R.Right > ContentRect.Right) ContentRect.Right = std::ceil(R.Right);
  if (R.Bottom > ContentRect.Bottom) ContentRect.Bottom = R.Bottom;
}


}  // namespace ht
