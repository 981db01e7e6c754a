// Box edges, rectangles, deltas, size limits and size facts of a styled node.
#include <algorithm>
#include <cmath>
#include <utility>

#include "css/styled_node.h"

namespace ht {

namespace {

using TEdgeGroup = IElementStyleFacts::TEdgeGroup;

bool inSet(TDisplayStyle d, std::initializer_list<TDisplayStyle> set) {
  return std::find(set.begin(), set.end(), d) != set.end();
}

bool isPercent(const TMeasure& m) { return m.FMUnit == muPercent; }

// Edge widths this close to 0 are stored as exactly 0.
float zeroTolerant(float x) { return std::fabs(x) <= 0.0001f ? 0.0f : x; }

}  // namespace

bool TStyledHTMLNode::isTextNode() const { return HasFlag(efText); }

bool TStyledHTMLNode::floated() const { return FStyle && FStyle->Float() != fNone; }

bool TStyledHTMLNode::measureOf(TCSSProperty Id, StringView PropName, TMeasure& M) const {
  M = TMeasure();
  return FStyle && FStyle->DeclaredMeasureOf(Id, PropName, M);
}

// --- Filling ----------------------------------------------------------------------------

void TStyledHTMLNode::CalcEdges() {
  const IElementStyleFacts* st = FStyle.get();
  const TDisplayStyle d = st ? st->Display() : dsInline;
  if (st && st->HasGroup(TEdgeGroup::Margin) && !st->RelativeGroup(TEdgeGroup::Margin) &&
      !inSet(d, {dsTableRow, dsTableRowGroup, dsTableCell})) {
    MarginRight = st->MarginPx(1);
    MarginLeft = st->MarginPx(3);
  }
  if (st && st->HasGroup(TEdgeGroup::Padding) && !st->RelativeGroup(TEdgeGroup::Padding)) {
    PaddingTop = st->PaddingPx(0);
    FPaddingRight = st->PaddingPx(1);
    PaddingBottom = st->PaddingPx(2);
    FPaddingLeft = st->PaddingPx(3);
  } else {
    PaddingTop = FPaddingRight = PaddingBottom = FPaddingLeft = 0;
  }
  if (st && st->HasGroup(TEdgeGroup::Border) && !st->RelativeGroup(TEdgeGroup::Border)) {
    BorderTop = zeroTolerant(st->BorderWidthPx(0));
    BorderRight = zeroTolerant(st->BorderWidthPx(1));
    BorderBottom = zeroTolerant(st->BorderWidthPx(2));
    BorderLeft = zeroTolerant(st->BorderWidthPx(3));
  } else {
    BorderTop = BorderRight = BorderBottom = BorderLeft = 0;
  }
  if (HasFlag(efVertical)) {
    std::swap(MarginTop, MarginLeft);
    std::swap(MarginBottom, MarginRight);
    std::swap(PaddingTop, FPaddingLeft);
    std::swap(PaddingBottom, FPaddingRight);
    std::swap(BorderTop, BorderLeft);
    std::swap(BorderBottom, BorderRight);
  }
}

void TStyledHTMLNode::CalcRelativeEdges() {
  const IElementStyleFacts* st = FStyle.get();
  if (!st) return;
  const bool vertical = HasFlag(efVertical);
  if (st->HasGroup(TEdgeGroup::Padding) && st->RelativeGroup(TEdgeGroup::Padding)) {
    PaddingTop = st->PaddingPx(0);
    FPaddingRight = st->PaddingPx(1);
    PaddingBottom = st->PaddingPx(2);
    FPaddingLeft = st->PaddingPx(3);
    if (vertical) {
      std::swap(PaddingTop, FPaddingLeft);
      std::swap(PaddingBottom, FPaddingRight);
    }
  }
  if (st->HasGroup(TEdgeGroup::Border) && st->RelativeGroup(TEdgeGroup::Border)) {
    BorderTop = st->BorderWidthPx(0);
    BorderRight = st->BorderWidthPx(1);
    BorderBottom = st->BorderWidthPx(2);
    BorderLeft = st->BorderWidthPx(3);
    if (vertical) {
      std::swap(BorderTop, BorderLeft);
      std::swap(BorderBottom, BorderRight);
    }
  }
}

void TStyledHTMLNode::CalcRects() {
  const IElementStyleFacts* st = FStyle.get();
  InnerWidth = CalcWidth() - float(VScrollBarWidth());
  InnerHeight = CalcHeight() - float(HScrollBarHeight());
  if (!st) return;
  // Margins count whether declared or not: layout writes collapsed margins
  // into boxes that declare none.
  if (st->Display() != dsTableCell) {
    InnerWidth -= MarginLeft + MarginRight;
    InnerHeight -= MarginTop + MarginBottom;
  }
  if (st->HasGroup(TEdgeGroup::Padding)) {
    InnerWidth -= FPaddingLeft + FPaddingRight;
    InnerHeight -= PaddingTop + PaddingBottom;
  }
  if (st->HasGroup(TEdgeGroup::Border)) {
    InnerWidth -= BorderLeft + BorderRight;
    InnerHeight -= BorderTop + BorderBottom;
  }
}

void TStyledHTMLNode::GrowtoContainer() {
  for (TStyledHTMLNode* n = this; n;) {
    const bool wasFixed = n->SizeFlags & sfWidthFixed;
    n->SizeFlags |= sfGrowsToContent;
    if (n->Container == n || wasFixed) break;
    n = n->Container;
  }
}

void TStyledHTMLNode::OffsetRects(float dx, float dy) {
  OuterRect = {OuterRect.Left + dx, OuterRect.Top + dy, OuterRect.Right + dx, OuterRect.Bottom + dy};
}

// --- Rectangles -------------------------------------------------------------------------

TRectF TStyledHTMLNode::BorderRect() const {
  return {OuterRect.Left + MarginLeft, OuterRect.Top + MarginTop, OuterRect.Right - MarginRight,
          OuterRect.Bottom - MarginBottom};
}

TRectF TStyledHTMLNode::PaddingRect() const {
  const TRectF b = BorderRect();
  return {b.Left + BorderLeft, b.Top + BorderTop, b.Right - BorderRight, b.Bottom - BorderBottom};
}

TRectF TStyledHTMLNode::InnerRect() const {
  return {OuterRect.Left + MarginLeft + BorderLeft + PaddingLeft(), OuterRect.Top + MarginTop + BorderTop + PaddingTop,
          OuterRect.Right - float(VScrollBarWidth()) - MarginRight - PaddingRight() - BorderRight,
          OuterRect.Bottom - float(HScrollBarHeight()) - MarginBottom - BorderBottom - PaddingBottom};
}

TRectF TStyledHTMLNode::Rects(int /*Line*/) const { return BorderRect(); }

// --- Sizes ------------------------------------------------------------------------------

float TStyledHTMLNode::PaddingLeft() const {
  return FStyle && FStyle->CalculatedDirection() == cdRTL ? FPaddingRight : FPaddingLeft;
}

float TStyledHTMLNode::PaddingRight() const {
  return FStyle && FStyle->CalculatedDirection() == cdRTL ? FPaddingLeft : FPaddingRight;
}

float TStyledHTMLNode::InnerDeltaX() const {
  if (isTextNode()) return 0;
  float d = float(VScrollBarWidth());
  if (FStyle && FStyle->HasGroup(TEdgeGroup::Padding)) d += FPaddingLeft + FPaddingRight;
  return d;
}

float TStyledHTMLNode::InnerDeltaY() const {
  if (isTextNode()) return 0;
  float d = float(HScrollBarHeight());
  if (FStyle && FStyle->HasGroup(TEdgeGroup::Padding)) d += PaddingTop + PaddingBottom;
  return d;
}

float TStyledHTMLNode::OuterDeltaX() const {
  if (isTextNode() || !FStyle) return 0;
  float d = MarginLeft + MarginRight;
  if (FStyle->HasGroup(TEdgeGroup::Border)) d += BorderLeft + BorderRight;
  return d;
}

float TStyledHTMLNode::OuterDeltaY() const {
  if (isTextNode() || !FStyle || FStyle->Display() == dsInline) return 0;
  float d = MarginTop + MarginBottom;
  if (FStyle->HasGroup(TEdgeGroup::Border)) d += BorderTop + BorderBottom;
  return d;
}

float TStyledHTMLNode::LeftDelta() const { return PaddingLeft() + MarginLeft + BorderLeft; }
float TStyledHTMLNode::TopDelta() const { return PaddingTop + MarginTop + BorderTop; }
float TStyledHTMLNode::RightDelta() const {
  return PaddingRight() + MarginRight + BorderRight + float(VScrollBarWidth());
}
float TStyledHTMLNode::BottomDelta() const {
  return PaddingBottom + MarginBottom + BorderBottom + float(HScrollBarHeight());
}

float TStyledHTMLNode::MaxWidth() const {
  TMeasure m;
  if (measureOf(cspMaxWidth, u"max-width", m) && !m.GetAuto() &&
      (!isPercent(m) || (Container && (Container->SizeFlags & sfWidthDefinite))))
    return float(m.ToIntPixels());
  return NoSizeLimit;
}

float TStyledHTMLNode::MaxHeight() const {
  TMeasure m;
  if (measureOf(cspMaxHeight, u"max-height", m) && !m.GetAuto()) return float(m.ToIntPixels());
  return NoSizeLimit;
}

float TStyledHTMLNode::MinHeight() const {
  TMeasure m;
  return measureOf(cspMinHeight, u"min-height", m) && !m.GetAuto() ? float(m.ToIntPixels()) : 0.0f;
}

float TStyledHTMLNode::MinWidth() const {
  TMeasure m;
  const float mw = measureOf(cspMinWidth, u"min-width", m) && !m.GetAuto() ? float(m.ToIntPixels()) : 0.0f;
  if (FStyle && FStyle->Display() == dsTable && (SizeFlags & sfWidthFixed) && measureOf(cspWidth, u"width", m) &&
      !m.GetAuto())
    return std::max(mw, float(m.ToIntPixels()));
  return mw;
}

int TStyledHTMLNode::StyleHeight() const {
  TMeasure m;
  return measureOf(cspHeight, u"height", m) && !m.GetAuto() ? m.ToIntPixels() : 0;
}

// --- Tests ------------------------------------------------------------------------------

bool TStyledHTMLNode::RelativeWidth() const {
  if (!Parent()) return false;
  const TStyledHTMLNode* c = Container != this ? Container : nullptr;
  TMeasure m;
  if (measureOf(cspWidth, u"width", m) && !m.GetAuto()) return isPercent(m) && c && c->RelativeWidth();
  if (OutofFlow() || (FStyle && inSet(FStyle->Display(), {dsInlineBlock, dsInlineFlex, dsInlineTable}))) return true;
  return c && c->RelativeWidth();
}

bool TStyledHTMLNode::RelativeHeight() const {
  if (!Parent()) return false;
  TMeasure m;
  if (!measureOf(cspHeight, u"height", m) || m.GetAuto()) return true;
  if (isPercent(m)) return Container && Container != this && Container->RelativeHeight();
  return false;
}

bool TStyledHTMLNode::OutofFlow() const {
  if (!FStyle) return false;
  const TElementPosition p = FStyle->Position();
  return p == epAbsolute || p == epFixed || p == epRunning || floated();
}

bool TStyledHTMLNode::InFlow() const { return !OutofFlow(); }

bool TStyledHTMLNode::InFixedContainer() const {
  for (const TStyledHTMLNode* n = this; n; n = n->Container) {
    const TElementPosition p = n->FStyle ? n->FStyle->Position() : epStatic;
    if (p == epFixed || p == epRunning) return true;
    if (n->Container == n) break;
  }
  return false;
}

bool TStyledHTMLNode::InPositionedContainer() const {
  for (const TStyledHTMLNode* n = this; n; n = n->Container) {
    const TElementPosition p = n->FStyle ? n->FStyle->Position() : epStatic;
    if (p == epAbsolute || p == epFixed || p == epRunning) return true;
    if (n->Container == n) break;
  }
  return false;
}

TStyledHTMLNode* TStyledHTMLNode::OffsetParent() {
  TStyledHTMLNode* top = this;
  for (THtNode* n = Parent(); n; n = n->Parent()) {
    TStyledHTMLNode* s = dynamic_cast<TStyledHTMLNode*>(n);
    if (!s) continue;
    top = s;
    if (s->FStyle && (s->FStyle->Position() != epStatic || s->floated())) return s;
  }
  return top;
}

bool TStyledHTMLNode::IsBlock() const {
  return !isTextNode() && FStyle &&
         inSet(FStyle->Display(), {dsBlock, dsTable, dsTableRow, dsTableRowGroup, dsListItem, dsFlex});
}

bool TStyledHTMLNode::IsBlockOrInlineBlock() const {
  return !isTextNode() && FStyle &&
         inSet(FStyle->Display(), {dsBlock, dsInlineBlock, dsTable, dsTableRow, dsTableRowGroup, dsTableCell,
                                   dsListItem, dsFlex, dsInlineTable});
}

bool TStyledHTMLNode::IsBlockContainer() const {
  if (isTextNode()) return false;
  if (!Parent() || SameTextAscii(Tag(), u"body")) return true;
  if (!FStyle) return false;
  const TElementPosition p = FStyle->Position();
  return inSet(FStyle->Display(), {dsInlineBlock, dsTable, dsTableRow, dsTableCell, dsFlex, dsInlineFlex, dsInlineTable}) ||
         p == epAbsolute || p == epFixed || p == epRunning || floated() || FStyle->OverflowX() != eoVisible ||
         FStyle->OverflowY() != eoVisible;
}

TStyledHTMLNode* TStyledHTMLNode::BlockContainer() {
  TStyledHTMLNode* n = Container;
  TStyledHTMLNode* last = this;
  while (n) {
    if (n->IsBlockContainer()) return n;
    last = n;
    if (n->Container == n) break;
    n = n->Container;
  }
  return last;
}

bool TStyledHTMLNode::IsAbsoluteContainer() const {
  if (isTextNode()) return false;
  if (!Parent()) return true;
  return FStyle && (FStyle->Position() != epStatic || floated() || FStyle->HasTransform());
}

namespace {
const char16_t* const marginNames[4] = {u"margin-top", u"margin-right", u"margin-bottom", u"margin-left"};
const TCSSProperty marginIds[4] = {cspMarginTop, cspMarginRight, cspMarginBottom, cspMarginLeft};
}

bool TStyledHTMLNode::CanCollapseMargin(int Side) const {
  if (isTextNode() || !FStyle || OutofFlow() ||
      !inSet(FStyle->Display(), {dsBlock, dsTableRow, dsTableRowGroup, dsListItem}))
    return false;
  if (Side != 0 && Side != 2) return true;
  TMeasure m;
  return FStyle->BorderStyle(Side) == lsNone && measureOf(marginIds[Side], marginNames[Side], m) && !m.GetAuto() &&
         (Side == 0 ? PaddingTop : PaddingBottom) == 0;
}

bool TStyledHTMLNode::HasNonAutoMargin(int Side) const {
  if (isTextNode() || !FStyle || OutofFlow() ||
      !inSet(FStyle->Display(), {dsBlock, dsTableRow, dsTableRowGroup, dsListItem, dsFlex}))
    return false;
  if (Side < 0 || Side > 3) return true;
  TMeasure m;
  return measureOf(marginIds[Side], marginNames[Side], m) && !m.GetAuto();
}

// --- Size facts -------------------------------------------------------------------------

bool TStyledHTMLNode::SizeFlagsOnlyAdd() const {
  const IElementStyleFacts* st = FStyle.get();
  if (!st) return true;
  const TDisplayStyle d = st->Display();
  return d != dsTableRow && d != dsTableRowGroup && st->Position() != epRunning;
}

void TStyledHTMLNode::CalcSizeFlags(bool Reset) {
  const IElementStyleFacts* st = FStyle.get();
  if (!st || st->Display() == dsNone) return;
  CalcRelativeEdges();
  const bool isRoot = !Container || Container == this;
  if (Reset) SizeFlags = isRoot ? (sfWidthFixed | sfWidthDefinite) : 0;
  if (GetUserWidth() != 0) SizeFlags |= sfWidthFixed | sfWidthDefinite;
  const uint32_t C = isRoot ? SizeFlags : Container->SizeFlags;
  const bool cW = C & sfWidthDefinite, cH = C & sfHeightDefinite;
  TDisplayStyle d = st->Display();
  if (IsReplacedElement() && d == dsInline) d = dsInlineBlock;
  const TElementPosition pos = st->Position();

  TMeasure m, m2;
  auto set = [&](TCSSProperty id, StringView name, TMeasure& out) {
    return measureOf(id, name, out) && !out.GetAuto();
  };
  auto pct = [&](TCSSProperty id, StringView name) {
    TMeasure x;
    return measureOf(id, name, x) && isPercent(x);
  };
  // A length fact: fixed and definite, or definite by the container.
  auto fact = [&](const TMeasure& x, uint32_t fixedBits, uint32_t definiteBit, bool containerDefinite) {
    if (!isPercent(x)) SizeFlags |= fixedBits;
    else if (containerDefinite) SizeFlags |= definiteBit;
  };
  auto sameSet = [&](TCSSProperty ia, StringView a, TCSSProperty ib, StringView b) {
    return set(ia, a, m) && set(ib, b, m2) && m.FMUnit == m2.FMUnit && m.FValue == m2.FValue;
  };
  const bool hasMargin = st->HasGroup(TEdgeGroup::Margin);
  const bool hasPadding = st->HasGroup(TEdgeGroup::Padding);
  const bool pctGroup = st->RelativeGroup(TEdgeGroup::Margin) || st->RelativeGroup(TEdgeGroup::Padding);
  const bool blockish = inSet(d, {dsBlock, dsInlineBlock, dsTable, dsTableCell, dsListItem, dsFlex, dsInlineFlex,
                                  dsInlineTable});

  // Horizontal facts.
  if (d == dsInline) {
    SizeFlags |= sfWidthFixed | sfWidthDefinite;
    const bool percentEdge =
        (hasMargin && (pct(cspMarginRight, u"margin-right") || pct(cspMarginLeft, u"margin-left"))) ||
        (hasPadding && st->RelativeGroup(TEdgeGroup::Padding) &&
         (pct(cspPaddingRight, u"padding-right") || pct(cspPaddingLeft, u"padding-left")));
    if (!percentEdge) SizeFlags |= sfHEdgesFixed | sfHEdgesDefinite;
    else if (cW) SizeFlags |= sfHEdgesDefinite;
  } else if (d == dsTableRow || d == dsTableRowGroup) {
    SizeFlags = C;
  } else if (blockish) {
    if (set(cspWidth, u"width", m)) {
      if (!isPercent(m) && d != dsTableCell) SizeFlags |= sfWidthFixed | sfWidthDefinite;
      else if (cW) SizeFlags |= sfWidthDefinite;
    } else if (sameSet(cspMinWidth, u"min-width", cspMaxWidth, u"max-width")) {
      fact(m, sfWidthFixed | sfWidthDefinite, sfWidthDefinite, cW);
    }
    const TDisplayStyle cd =
        !isRoot && Container->FStyle ? Container->FStyle->Display() : dsBlock;
    if (cW && inSet(d, {dsBlock, dsListItem, dsFlex}) && !floated() && (pos == epStatic || pos == epRelative) &&
        cd != dsFlex) {
      SizeFlags |= sfWidthDefinite;
      if (C & sfWidthFixed) SizeFlags |= sfWidthFixed;
    } else if (cW && (pos == epAbsolute || pos == epFixed) && set(cspLeft, u"left", m) && set(cspRight, u"right", m2)) {
      SizeFlags |= sfWidthDefinite;
    } else if (pos == epRunning) {
      SizeFlags = sfWidthFixed | sfWidthDefinite;
    }
    if (set(cspMinWidth, u"min-width", m)) fact(m, sfMinWidthFixed | sfMinWidthDefinite, sfMinWidthDefinite, cW);
    if (set(cspMaxWidth, u"max-width", m)) fact(m, sfMaxWidthFixed | sfMaxWidthDefinite, sfMaxWidthDefinite, cW);
    // The declarations are read only for percentage edges (m and m2 are
    // set again before their next use).
    auto anyDeclared = [&] {
      return measureOf(cspMarginLeft, u"margin-left", m) || measureOf(cspMarginRight, u"margin-right", m) ||
             measureOf(cspPaddingLeft, u"padding-left", m) || measureOf(cspPaddingRight, u"padding-right", m);
    };
    auto marginsSetNoPct = [&] {
      return set(cspMarginLeft, u"margin-left", m) && set(cspMarginRight, u"margin-right", m2) && !isPercent(m) &&
             !isPercent(m2) && !pct(cspPaddingLeft, u"padding-left") && !pct(cspPaddingRight, u"padding-right");
    };
    if (!pctGroup || !anyDeclared() || marginsSetNoPct())
      SizeFlags |= sfHEdgesFixed | sfHEdgesDefinite;
    else if (cW) SizeFlags |= sfHEdgesDefinite;
  }

  // Vertical facts.
  if (d == dsInline) {
    SizeFlags |= sfHeightFixed | sfHeightDefinite | sfMinHeightFixed | sfMinHeightDefinite | sfMaxHeightFixed |
                 sfMaxHeightDefinite;
    const bool percentEdge =
        (hasMargin && (pct(cspMarginTop, u"margin-top") || pct(cspMarginBottom, u"margin-bottom"))) ||
        (hasPadding && (pct(cspPaddingTop, u"padding-top") || pct(cspPaddingBottom, u"padding-bottom")));
    if (!percentEdge) SizeFlags |= sfVEdgesFixed | sfVEdgesDefinite;
    else if (cH) SizeFlags |= sfVEdgesDefinite;
  } else if (blockish) {
    if (set(cspHeight, u"height", m))
      fact(m, sfHeightFixed | sfHeightDefinite, sfHeightDefinite, cH);
    else if (sameSet(cspMinHeight, u"min-height", cspMaxHeight, u"max-height"))
      fact(m, sfHeightFixed | sfHeightDefinite, sfHeightDefinite, cH);
    if (cH && (pos == epAbsolute || pos == epFixed) && set(cspTop, u"top", m) && set(cspBottom, u"bottom", m2))
      SizeFlags |= sfHeightDefinite;
    if (set(cspMinHeight, u"min-height", m)) fact(m, sfMinHeightFixed | sfMinHeightDefinite, sfMinHeightDefinite, cH);
    if (set(cspMaxHeight, u"max-height", m)) fact(m, sfMaxHeightFixed | sfMaxHeightDefinite, sfMaxHeightDefinite, cH);
    auto anyDeclared = [&] {
      return measureOf(cspMarginTop, u"margin-top", m) || measureOf(cspMarginBottom, u"margin-bottom", m) ||
             measureOf(cspPaddingTop, u"padding-top", m) || measureOf(cspPaddingBottom, u"padding-bottom", m);
    };
    auto marginUnsetOrPct = [&] {
      return !set(cspMarginTop, u"margin-top", m) || isPercent(m) || !set(cspMarginBottom, u"margin-bottom", m2) ||
             isPercent(m2);
    };
    if (pctGroup && anyDeclared() &&
        (marginUnsetOrPct() || pct(cspPaddingTop, u"padding-top") || pct(cspPaddingBottom, u"padding-bottom"))) {
      if (cH) SizeFlags |= sfVEdgesDefinite;
    } else {
      SizeFlags |= sfVEdgesFixed | sfVEdgesDefinite;
    }
  }
}

}  // namespace ht
