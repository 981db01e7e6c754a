// Flex lines: the children of a flex container are gathered into lines
// along its main axis, sized from their flex bases with flex-grow and
// flex-shrink, spread with justify-content and aligned across each line
// with align-items and align-self. Each flex line is one entry of the
// flow's line table; the items' runs are moved with their boxes and the
// run chain is not walked.
//
// Where this layout keeps its own rules rather than CSS's: flex-basis auto
// and 0 both mean the content size; space-around spaces like space-evenly
// (equal gaps before, between and after); wrap-reverse wraps like wrap;
// text directly inside the container takes no part; order, gap,
// align-content and baseline alignment are not read.
#include <algorithm>
#include <cmath>
#include <vector>

#include "css/element_style.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"

namespace ht {

namespace {

const TBaseElementStyle* baseStyleOf(const TStyledHTMLNode* N) {
  auto* facts = N ? (N->Style() ? N->Style()->AsElementStyleFacts() : nullptr) : nullptr;
  return facts ? &facts->Style() : nullptr;
}

// Sizes past 2^30 pixels, negative ones and NaN are no sizes a page holds.
float sane(float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, NoSizeLimit) : 0.0f; }

// Flex factors: NaN and negative ones count as 0; huge ones are capped so
// that sums over many items and their products with a unit stay finite.
float factor(float v) { return std::isfinite(v) && v > 0 ? std::min(v, 1e9f) : 0.0f; }

bool positionedOut(const TElement* E) {
  const TElementPosition p = E->Style() ? E->Style()->Position() : epStatic;
  return p == epAbsolute || p == epFixed;
}

struct TFlexItem {
  TElement* E = nullptr;
  float Main = 0;    // outer size along the main axis
  float Grow = 0, Shrink = 0;
  bool Percent = false;  // the basis is a percentage
  bool Clamped = false;  // shrinking stopped at its minimum; its shrink left the sum
  int Line = 0;
};

void layOut(TElement* E) {
  if (!LayoutDepthLeft()) return;
  TLayoutDepth depth;
  E->CalcLayout();
}

void contentAgain(TElement* E, bool UpdateHeight) {
  if (!LayoutDepthLeft()) return;
  TLayoutDepth depth;
  E->CalcContentLayout(false, UpdateHeight);
}

// The first run follows the outer box.
void syncRun(TElement* E) {
  if (THtLineBlock* run = E->FirstRun()) {
    run->Left = E->OuterRect.Left;
    run->Top = E->OuterRect.Top;
    run->LogicalWidth = E->CalcWidth();
    run->LogicalHeight = E->CalcHeight();
  }
}

bool heightDefinite(const TElement* E) { return E->SizeFlags & (sfHeightDefinite | sfHeightFixed); }

}  // namespace

bool TFlow::CalcFlexLines() {
  PaintBands.clear();
  HitBands.clear();
  TElement* owner = Owner;
  FLines.resize(1);
  FLines[0] = THtLineInfo{};
  Line = 0;
  FCurX = 0;
  if (!owner) return true;
  const TBaseElementStyle* os = baseStyleOf(owner);
  const TCSSFlexDirection dir = os ? os->FlexDirection() : fdRow;
  const TCSSFlexWrap wrap = os ? os->FlexWrap() : fwNowrap;
  const TCSSJustifyContent justify = os ? os->JustifyContent() : jcFlexStart;
  const TCSSAlignItems alignItems = os ? os->AlignItems() : aiNormal;
  const bool column = dir == fdColumn || dir == fdColumnReverse;
  const bool reverse = dir == fdRowReverse || dir == fdColumnReverse;
  const bool wraps = wrap == fwWrap || wrap == fwReverse;
  const bool ownerHeightDefinite = heightDefinite(owner);
  const bool ownerWidthFixed = owner->SizeFlags & sfWidthFixed;

  // The main size lines wrap at.
  float b = 0;
  if (!column) {
    b = owner->InnerWidth;
    if (owner->IsFlexItem()) b = std::max(b, owner->MinContentWidth());
  } else {
    b = ownerHeightDefinite ? owner->InnerHeight : owner->MaxHeight();
  }
  b = sane(b);
  const float ownerMinMain = column ? sane(owner->MinHeight()) : 0.0f;
  const float ownerMaxMain = column ? sane(owner->MaxHeight()) : NoSizeLimit;

  std::vector<TFlexItem> items;
  const int childCount = owner->Count();
  int child = 0;
  float crossPos = 0;    // column directions: left edge of the current column
  float columnEnd = 0;   // column directions: the largest end of a column's items
  int stretchedLines = 0;

  auto alignOf = [&](const TElement* E) {
    const TBaseElementStyle* s = baseStyleOf(E);
    const TCSSAlignItems a = s ? s->AlignSelf() : aiInherit;
    return a == aiInherit ? alignItems : a;
  };
  auto shrinkFloor = [&](const TElement* E) {
    if (column) return std::max(E->MinHeight(), E->ContentHeight) + E->InnerDeltaY() + E->OuterDeltaY();
    return std::max(E->MinWidth(), E->MinContentWidth()) + E->InnerDeltaX() + E->OuterDeltaX();
  };
  // Row directions: the item's box in the band [Top, Top + Height); true
  // when it was stretched (its content is laid out again).
  auto alignInBand = [&](TFlexItem& it, float Top, float Height) {
    TElement* e = it.E;
    const float h = e->CalcHeight();
    bool stretched = false;
    switch (alignOf(e)) {
      case aiFlexStart:
        e->OffsetRects(0, Top - e->OuterRect.Top);
        break;
      case aiFlexEnd:
        e->OffsetRects(0, Top + Height - h - e->OuterRect.Top);
        break;
      case aiCenter:
        e->OffsetRects(0, Top + (Height - h) / 2 - e->OuterRect.Top);
        break;
      case aiNormal:
      case aiStretch:
        e->OffsetRects(0, Top - e->OuterRect.Top);
        // A box with a height of its own keeps it.
        if (!heightDefinite(e)) {
          e->OuterRect.Bottom = e->OuterRect.Top + Height;
          stretched = true;
        }
        break;
      default:
        break;
    }
    e->CalcRects();
    syncRun(e);
    if (stretched) {
      contentAgain(e, false);
      syncRun(e);
    }
    return stretched;
  };

  for (;;) {
    if (child >= childCount) break;
    PHtLineInfo L = CurrentLine();
    L->Align = thLeft;
    L->Height = 0;
    L->IsBlock = false;
    const size_t first = items.size();
    float total = 0, growSum = 0, shrinkSum = 0;

    // --- Gather the line's items ------------------------------------------------------
    for (; child < childCount; ++child) {
      TElement* c = AsElement(owner->GetNodes()->Get(child));
      if (!c) continue;
      if (c->IsText() || DisplayOf(c) == dsNone || positionedOut(c)) {
        if (!c->IsText() && DisplayOf(c) != dsNone && positionedOut(c)) layOut(c);
        continue;
      }
      c->InnerWidth = 0;
      layOut(c);
      c->SizeFlags &= ~uint32_t(sfWidthFixed);
      const TBaseElementStyle* cs = baseStyleOf(c);
      TFlexItem it;
      it.E = c;
      float basis = 0;
      if (cs) {
        const TMeasure m = cs->FlexBasis();
        if (!m.GetAuto()) {
          basis = sane(m.ToPixels());
          it.Percent = m.FMUnit == muPercent;
        }
        it.Grow = factor(cs->FlexGrow());
        it.Shrink = factor(cs->FlexShrink());
      }
      if (basis == 0) {
        it.Percent = false;
        it.Main = column ? c->CalcHeight() : c->CalcWidth();
      } else if (column) {
        it.Main = basis + c->InnerDeltaY() + c->OuterDeltaY();
      } else {
        it.Main = std::max(c->MinContentWidth(), basis) + c->InnerDeltaX() + c->OuterDeltaX();
      }
      it.Main = sane(it.Main);
      if (items.size() > first && wraps && total + it.Main > b + 0.1f) break;
      it.Line = Line;
      growSum += it.Grow;
      shrinkSum += it.Shrink;
      total += it.Main;
      items.push_back(it);
    }
    const size_t n = items.size() - first;
    if (n == 0) {
      // Nothing but boxes out of flow (or nothing at all): the table keeps
      // its entry and the flow its height.
      if (first == 0) return true;
      break;
    }

    // A column of indefinite height spreads over its content's size within
    // its min- and max-height, not over its max-height.
    float lineB = b;
    if (column && !ownerHeightDefinite) lineB = std::clamp(total, ownerMinMain, std::max(ownerMinMain, ownerMaxMain));

    // --- Free space ---------------------------------------------------------------------
    const float f = lineB - total;
    float s = 0, g = 0;
    switch (justify) {
      case jcFlexEnd:
        s = f;
        break;
      case jcCenter:
        s = std::max(0.0f, f / 2);
        break;
      case jcSpaceBetween:
        g = std::max(0.0f, f / float(std::max<size_t>(1, n - 1)));
        break;
      case jcSpaceAround:
        s = g = std::max(0.0f, f / float(n + 1));
        break;
      default:
        break;
    }
    float growUnit = 0, shrinkUnit = 0;
    if (growSum > 0 && total < lineB) {
      growUnit = f / growSum;
      s = g = 0;
    }
    if (shrinkSum > 0 && total > lineB) {
      shrinkUnit = (total - lineB) / shrinkSum;
      s = g = 0;
    }
    float overflow = total - lineB;

    // --- Flexible lengths ----------------------------------------------------------------
    auto resolve = [&](bool PercentOnly) {
      float previous = overflow;
      // Each round either clamps another item or ends: rounds past one per
      // item only chase float residues.
      for (size_t round = 0; round <= n; ++round) {
        for (size_t k = 0; k < n; ++k) {
          TFlexItem& it = items[first + (reverse ? n - 1 - k : k)];
          if (PercentOnly && !it.Percent) continue;
          TElement* e = it.E;
          if ((e->SizeFlags & sfWidthDefinite) && ownerWidthFixed) continue;
          const float old = it.Main;
          if (growUnit != 0 && it.Grow != 0) it.Main += it.Grow * growUnit;
          if (shrinkUnit != 0 && it.Shrink != 0) {
            it.Main -= shrinkUnit * it.Shrink;
            const float floor = shrinkFloor(e);
            if (it.Main < floor) {
              it.Main = floor;
              if (!it.Clamped) {
                it.Clamped = true;
                shrinkSum -= it.Shrink;
              }
            }
          }
          it.Main = sane(it.Main);
          overflow -= old - it.Main;
        }
        if (!(overflow < previous)) break;
        previous = overflow;
        growUnit = 0;
        if (shrinkSum > 0) shrinkUnit = std::max(0.0f, overflow / shrinkSum);
        else shrinkUnit = 0;
        if (overflow <= 0 || shrinkUnit == 0) break;
      }
    };
    bool anyPercent = false;
    for (size_t k = first; k < items.size(); ++k) anyPercent = anyPercent || items[k].Percent;
    if (anyPercent) resolve(true);
    if (overflow != 0) resolve(false);

    // --- Main axis ------------------------------------------------------------------------
    float resolved = 0;
    for (size_t k = first; k < items.size(); ++k) resolved += items[k].Main;
    float p = s;
    if (justify == jcFlexStart && reverse) p = lineB - resolved;
    L->FirstBox = items[first + (reverse ? n - 1 : 0)].E->FirstRun();
    float widest = 0;
    for (size_t k = 0; k < n; ++k) {
      TFlexItem& it = items[first + (reverse ? n - 1 - k : k)];
      TElement* e = it.E;
      THtLineBlock* run = e->FirstRun();
      if (run) run->Line = Line;
      if (!column) {
        e->OffsetRects(p - e->OuterRect.Left, FCurY - e->OuterRect.Top);
        e->OuterRect.Right = p + it.Main;
        e->CalcRects();
        syncRun(e);
        if (LayoutDepthLeft()) {
          e->RecalcWidth();
          // A width of the box's own style would undo the flexed size.
          if (std::fabs(e->CalcWidth() - it.Main) > 0.01f) {
            e->OuterRect.Right = p + it.Main;
            e->CalcRects();
          }
        }
        contentAgain(e, true);
        syncRun(e);
        L->Height = std::max(L->Height, e->CalcHeight());
      } else {
        e->OffsetRects(crossPos - e->OuterRect.Left, p - e->OuterRect.Top);
        e->OuterRect.Bottom = p + it.Main;
        e->CalcRects();
        syncRun(e);
        contentAgain(e, false);
        e->OuterRect.Bottom = p + it.Main;
        e->CalcRects();
        syncRun(e);
        L->Height = std::max(L->Height, e->CalcHeight());
        widest = std::max(widest, e->CalcWidth());
      }
      p += it.Main + g;
    }
    if (column) columnEnd = std::max(columnEnd, p - g);

    // --- Cross axis -----------------------------------------------------------------------
    bool stretchedLine = false;
    for (size_t k = first; k < items.size(); ++k) {
      TFlexItem& it = items[k];
      TElement* e = it.E;
      if (!column) {
        if (alignInBand(it, FCurY, L->Height)) stretchedLine = true;
        continue;
      }
      const float w = e->CalcWidth();
      switch (alignOf(e)) {
        case aiNormal:
        case aiStretch:
          if (!(e->SizeFlags & sfWidthDefinite) && w != widest) {
            e->OuterRect.Right = e->OuterRect.Left + widest;
            e->CalcRects();
            syncRun(e);
            contentAgain(e, false);
            e->OuterRect.Bottom = e->OuterRect.Top + it.Main;
            e->CalcRects();
          }
          stretchedLine = true;
          break;
        case aiFlexEnd:
          e->OffsetRects(crossPos + widest - w - e->OuterRect.Left, 0);
          break;
        case aiCenter:
          e->OffsetRects(crossPos + (widest - w) / 2 - e->OuterRect.Left, 0);
          break;
        default:
          e->OffsetRects(crossPos - e->OuterRect.Left, 0);
          break;
      }
      e->CalcRects();
      syncRun(e);
    }
    if (stretchedLine) L->Align = thCenter;
    if (!column || stretchedLine) ++stretchedLines;
    NextLine();
    FLines[size_t(Line)].Height = 0;
    if (column) crossPos += widest;
  }

  // --- Finishing -------------------------------------------------------------------------
  FLines.resize(size_t(Line));
  --Line;
  if (!column) {
    // Extra height of the container is shared among its lines.
    const float target = ownerHeightDefinite ? owner->InnerHeight : owner->MinHeight();
    if (std::isfinite(target) && FHeight < target && stretchedLines > 0 && Line >= 0) {
      const float extra = (target - FHeight) / float(stretchedLines);
      float y = 0;
      for (THtLineInfo& l : FLines) {
        l.Height += extra;
        l.Y = y;
        y += l.Height;
      }
      FCurY = y;
      for (TFlexItem& it : items) {
        THtLineInfo& l = FLines[size_t(it.Line)];
        if (alignInBand(it, l.Y, l.Height)) l.Align = thCenter;
      }
    }
    ContentWidth = int(std::lround(b));
    FHeight = FCurY;
  } else {
    FHeight = columnEnd;
    ContentWidth = std::max(int(std::lround(sane(owner->InnerWidth))), int(std::ceil(crossPos)));
  }
  for (TFlexItem& it : items) {
    it.E->PlaceBox(this);
    UpdateContentRect(it.E->OuterRect);
  }
  return true;
}

}  // namespace ht
