// Box building: every displayed element becomes runs in the flow of the
// block container that lays them out. A block-level box is one run there
// and opens a flow of its own for its children; an inline element is an
// opening and a closing run around its children's runs in the same flow.
#include <algorithm>
#include <cmath>

#include "canvas/font.h"
#include "css/float_bands.h"
#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"

namespace ht {

namespace {

constexpr uint32_t kWidthFixed = 0x1;
constexpr uint32_t kWidthDefinite = 0x2;
constexpr uint32_t kHeightFixed = 0x100;

TElement* elementOf(TStyledHTMLNode* N) { return AsElement(N); }

// The flow a pseudo-element's runs go to: its container's own flow.
TFlow* containerFlow(TElement* E) {
  TElement* c = elementOf(E->Container);
  return c && c != E ? c->EnsureSelfFlow() : nullptr;
}

THtLineBlock* reusedRun(TElement* E, int Index) {
  while (E->LineBlocks.Count() <= Index) E->LineBlocks.CreateBlock(E);
  THtLineBlock* b = E->LineBlocks.Get(Index);
  b->E = E;
  b->Flags = THtTextRunFlags();
  b->Line = 0;
  b->Left = b->Top = 0;
  return b;
}

// A replaced element displayed inline is one atomic run, sized from its
// intrinsic size (keeping its aspect when it asks to) and its CSS sizes.
void replacedInlineBoxes(TElement& E, TFlow* Flow) {
  const float minW = E.MinWidth(), maxW = E.MaxWidth(), minH = E.MinHeight(), maxH = E.MaxHeight();
  // The minimum wins over the maximum.
  auto clampW = [&](float w) { return std::max(std::min(w, maxW), minW); };
  auto clampH = [&](float h) { return std::max(std::min(h, maxH), minH); };
  float iw = 0, ih = 0, ratio = 1;
  bool keep = false;
  if (E.GetIntrinsicSize(iw, ih, keep)) {
    const float k = ZoomOf(&E) * (E.Document && E.Document->FShrinkFactor > 0 ? E.Document->FShrinkFactor : 1.0f);
    if (ih > 0.01f) ratio = iw / ih;
    E.InnerWidth = clampW(iw * k);
    E.InnerHeight = clampH(ih * k);
  } else {
    E.InnerWidth = E.InnerHeight = 0;
  }
  float wc = 0, hc = 0;
  const bool wSet = SetWidthOf(&E, wc), hSet = SetHeightOf(&E, hc);
  if (wSet && hSet) {
    if (BoxSizingOf(&E) == bsBorderbox) wc -= E.InnerDeltaX(), hc -= E.InnerDeltaY();
    if (E.SizeFlags & kWidthDefinite) E.InnerWidth = clampW(wc);
    if (E.SizeFlags & sfHeightDefinite) E.InnerHeight = clampH(hc);
  } else if (wSet) {
    if (E.SizeFlags & kWidthDefinite) {
      E.InnerWidth = clampW(std::round(wc));
      if (keep && ratio != 0) E.InnerHeight = clampH(E.InnerWidth / ratio);
    }
  } else if (hSet) {
    if (E.SizeFlags & sfHeightDefinite) {
      E.InnerHeight = clampH(std::round(hc));
      if (keep) E.InnerWidth = E.InnerHeight * ratio;
    }
  }
  auto sane = [](float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, NoSizeLimit) : 0.0f; };
  E.InnerWidth = sane(E.InnerWidth);
  E.InnerHeight = sane(E.InnerHeight);
  E.ContentWidth = E.InnerWidth;
  E.ContentHeight = E.InnerHeight;
  THtLineBlock* run = reusedRun(&E, 0);
  run->Start = 1;
  run->Count = 1;
  run->LogicalWidth = E.InnerWidth + E.InnerDeltaX() + E.OuterDeltaX();
  run->LogicalHeight = E.InnerHeight + E.InnerDeltaY() + E.OuterDeltaY();
  run->Ascent = run->LogicalHeight;
  run->VAlign = VAlignOf(&E);
  run->Bidi = bdNeutral;
  if (Flow) Flow->AddBlock(run);
  if (auto* a = elementOf(E.After)) a->CalcBoxes(containerFlow(a));
}

}  // namespace

void TElement::HideControls() {
  const THtNodeList* l = ChildNodeList();
  for (int i = 0; l && i < l->Count(); ++i)
    if (TElement* c = AsElement(static_cast<THtNode*>(l->List()[i]))) c->HideControls();
}

void TElement::CalcChildBoxes(TFlow* Flow) {
  // Straight from the list's array, its length read again for each child:
  // every box of every pass comes through here.
  const THtNodeList* l = ChildNodeList();
  for (int i = 0; l && i < l->Count(); ++i) {
    TElement* c = AsElement(static_cast<THtNode*>(l->List()[i]));
    if (!c) continue;
    if (!c->IsText() && DisplayOf(c) == dsNone) c->HideControls();
    else c->CalcBoxes(Flow);
  }
}

void TElement::CalcBoxes(TFlow* Flow) {
  if (HasFlag(efDestroying)) return;
  DecideKeepLayout();
  // A kept box's size facts and sizes are those its last layout left.
  if (!KeepsLayout()) {
    CalcSizeFlags(true);
    ContentWidth = 0;
    ContentHeight = 0;
  }
  const TDisplayStyle d = DisplayOf(this);
  if (d == dsNone) return;  // the old runs stay as they were
  if (!LayoutDepthLeft()) return;
  TLayoutDepth depth;
  if (d == dsInline) CalcInlineBoxes(Flow);
  else CalcBlockBoxes(Flow);
  ExcludeFlag(efSpellChecked);
}

void TElement::CalcBlockBoxes(TFlow* Flow) {
  // A box keeping its layout keeps its flow, floats and content's runs.
  const bool keep = KeepsLayout();
  if (!keep) {
    if (TBlockFloats* floats = FloatMapIfAny()) floats->Reset();
    const bool hasContent = Count() > 0 || Before || After;
    if (hasContent && !SelfFlow) EnsureSelfFlow();
    if (SelfFlow) SelfFlow->Reset();
  }

  const float hd = InnerDeltaX() + OuterDeltaX(), vd = InnerDeltaY() + OuterDeltaY();
  const TDisplayStyle d = DisplayOf(this);
  if (keep) {
    restoreKeptSize();
  } else {
    if (IsFlexItem()) InnerWidth = 0;
    CalcBoxSize(hd, vd, MinWidth(), MaxWidth());
    const bool isRoot = !Container || Container == this;
    const uint32_t cFlags = isRoot ? SizeFlags : Container->SizeFlags;
    if ((SizeFlags & kWidthDefinite) && (cFlags & kWidthFixed) && d != dsTableCell) SizeFlags |= kWidthFixed;
    if (!isRoot && (cFlags & kWidthFixed) && (d == dsBlock || d == dsListItem) && DisplayOf(Container) != dsFlex &&
        !OutofFlow())
      SizeFlags |= kWidthFixed | kWidthDefinite;
  }

  if (!keep) {
    if (auto* b = elementOf(Before)) b->CalcBoxes(containerFlow(b));
    CalcChildBoxes(SelfFlow.get());
    if (auto* a = elementOf(After)) a->CalcBoxes(containerFlow(a));
    UpdateMinMaxWidth(MinWidth(), MaxWidth());
  }

  if ((d == dsInlineBlock || d == dsInlineFlex) && !(SizeFlags & kWidthDefinite)) {
    InnerWidth = std::max(0.0f, MaxContentWidth());
    if (!std::isfinite(InnerWidth)) InnerWidth = 0;
  }
  OuterRect.Right = OuterRect.Left + InnerWidth + hd;

  THtLineBlock* run = LineBlocks.Count() > 0 ? LineBlocks.Get(0) : LineBlocks.CreateBlock(this);
  run->E = this;
  run->UpdateFlags();
  run->Flags.Exclude(trfProcessed);
  run->Line = 0;
  run->LogicalWidth = CalcWidth();
  run->LogicalHeight = CalcHeight();
  const TVAlign valign = VAlignOf(this);
  run->VAlign = valign;
  const bool floated = IsFloated(this) && (Style()->Float() == fLeft || Style()->Float() == fRight);
  if (floated) run->LogicalWidth = std::max(run->LogicalWidth, MinContentWidth());
  if (SizeFlags & kHeightFixed) {
    run->LogicalHeight = IsInlineLevelDisplay(d) ? InnerHeight + InnerDeltaY() + BorderTop + BorderBottom
                                                 : InnerHeight + InnerDeltaY() + OuterDeltaY();
  }
  if (IsInlineLevelDisplay(d)) {
    run->Start = 1;
    run->Count = 1;
    const TWhiteSpace ws = WhiteSpaceOf(this);
    if (ws == wsNormal || ws == wsPreLine || ws == wsPreWrap) {
      run->Flags.Include(trfBreakBefore);
      run->Flags.Include(trfBreakAfter);
    }
    float a = 0;
    if (!IsReplacedElement() && d != dsInlineTable && Count() > 0)
      a = run->LogicalHeight - PaddingBottom - MarginBottom - BorderBottom - MarginTop;
    else
      a = run->LogicalHeight - BorderTop - MarginTop;
    if (valign == vaMiddle) a /= 2;
    run->Ascent = std::max(0.0f, a);
  } else {
    run->Ascent = run->LogicalHeight;
  }
  if (Flow) Flow->AddBlock(run);

  if (floated) {
    auto* bc = dynamic_cast<TElement*>(BlockContainer());
    if (bc && bc != this && bc->SelfFlow) {
      TFlow* f = bc->SelfFlow.get();
      f->MinWidth = std::max(f->MinWidth, MinContentWidth() + hd);
      if (SizeFlags & kWidthFixed) f->MinWidth = std::max(f->MinWidth, InnerWidth + hd);
    }
  }
}

void TElement::CalcInlineBoxes(TFlow* Flow) {
  // The runs carry the side margins, which the sizing pass would only take
  // from the style after this: take them now, or a changed margin shows one
  // layout late.
  if (const IElementStyleFacts* st = Style(); st && !HasFlag(efVertical)) {
    const bool set = st->HasGroup(IElementStyleFacts::TEdgeGroup::Margin);
    const float l = set ? st->MarginPx(3) : 0.0f, r = set ? st->MarginPx(1) : 0.0f;
    MarginLeft = std::isfinite(l) ? l : 0.0f;
    MarginRight = std::isfinite(r) ? r : 0.0f;
  }
  if (IsReplacedElement()) {
    replacedInlineBoxes(*this, Flow);
    return;
  }
  THtLineBlock* open = reusedRun(this, 0);
  open->Bidi = bdNeutral;
  open->VAlign = VAlignOf(this);
  if (Count() > 0) {
    THtFont* font = nullptr;
    if (auto* t = AsTextElement(GetNodes()->Get(0))) {
      // The text child takes its font in its own box building, after this:
      // a font size changed since the last layout must show now.
      t->ApplyFont(1.0f, false);
      font = t->Font;
    }
    if (!font) font = LayoutFontOf(this);
    InnerHeight = font ? font->LineHeight : 0.0f;
    open->LogicalWidth = MarginLeft + BorderLeft + PaddingLeft();
    open->LogicalHeight = InnerHeight;
    float styleH = 0;
    open->Ascent = (SizeFlags & kHeightFixed) && SetHeightOf(this, styleH) ? float(StyleHeight())
                                                                             : (font ? font->Ascent : 0.0f) + BorderTop;
  } else {
    open->LogicalWidth = open->LogicalHeight = open->Ascent = 0;
  }
  open->Flags = THtTextRunFlags{trfInlineStart, trfProhibitRightBreak};
  if (Flow) Flow->AddBlock(open);

  if (auto* b = elementOf(Before)) {
    TElement* c = elementOf(b->Container);
    if (c && c != b && DisplayOf(c) == dsInline) {
      TElement* outer = elementOf(c->Container);
      b->CalcBoxes(outer && outer != c ? outer->EnsureSelfFlow() : nullptr);
    } else {
      b->CalcBoxes(containerFlow(b));
    }
  }
  CalcChildBoxes(Flow);

  THtLineBlock* close = reusedRun(this, 1);
  close->LogicalWidth = MarginRight + BorderRight + PaddingRight();
  close->LogicalHeight = open->LogicalHeight;
  close->Ascent = open->Ascent;
  close->Bidi = bdNeutral;
  close->VAlign = open->VAlign;
  close->Flags = THtTextRunFlags{trfInlineEnd};
  if (Flow) Flow->AddBlock(close);
  if (auto* a = elementOf(After)) a->CalcBoxes(containerFlow(a));
}

}  // namespace ht
