// Box building: every displayed element becomes runs in the flow of the
// block container that lays them out. A block-level box is one run there
// and opens a flow of its own for its children; an inline element is an
// opening and a closing run around its children's runs in the same flow.
#include "canvas/font.h"
#include "css/float_bands.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"

namespace ht {

namespace {

constexpr uint32_t kHeightFixed = 0x100;

TElement* elementOf(TStyledHTMLNode* N) { return dynamic_cast<TElement*>(N); }

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

}  // namespace

void TElement::HideControls() {
  for (int i = 0; i < Count(); ++i)
    if (TElement* c = AsElement(GetNodes()->Get(i))) c->HideControls();
}

void TElement::CalcChildBoxes(TFlow* Flow) {
  for (int i = 0; i < Count(); ++i) {
    TElement* c = AsElement(GetNodes()->Get(i));
    if (!c) continue;
    if (!c->IsText() && DisplayOf(c) == dsNone) c->HideControls();
    else c->CalcBoxes(Flow);
  }
}

void TElement::CalcBoxes(TFlow* Flow) {
  if (HasFlag(efDestroying)) return;
  CalcSizeFlags(true);
  ContentWidth = 0;
  ContentHeight = 0;
  const TDisplayStyle d = DisplayOf(this);
  if (d == dsNone) return;  // the old runs stay as they were
  if (d == dsInline) CalcInlineBoxes(Flow);
  else CalcBlockBoxes(Flow);
  ExcludeFlag(efSpellChecked);
}

void TElement::CalcBlockBoxes(TFlow* Flow) {
  if (TBlockFloats* floats = FloatMapIfAny()) floats->Reset();
  const bool hasContent = Count() > 0 || Before || After;
  if (hasContent && !SelfFlow) EnsureSelfFlow();
  if (SelfFlow) SelfFlow->Reset();

  if (auto* b = elementOf(Before)) b->CalcBoxes(containerFlow(b));
  CalcChildBoxes(SelfFlow.get());
  if (auto* a = elementOf(After)) a->CalcBoxes(containerFlow(a));
  UpdateMinMaxWidth(MinWidth(), MaxWidth());

  THtLineBlock* run = LineBlocks.Count() > 0 ? LineBlocks.Get(0) : LineBlocks.CreateBlock(this);
  run->E = this;
  run->UpdateFlags();
  run->Flags.Exclude(trfProcessed);
  run->Line = 0;
  run->LogicalWidth = CalcWidth();
  run->LogicalHeight = CalcHeight();
  run->Ascent = run->LogicalHeight;
  TTextValues v;
  TextValuesOf(this, v);
  run->VAlign = v.VAlign;
  const TDisplayStyle d = DisplayOf(this);
  if (IsInlineLevelDisplay(d)) {
    run->Start = 1;
    run->Count = 1;
    const TWhiteSpace ws = WhiteSpaceOf(this);
    if (ws == wsNormal || ws == wsPreLine || ws == wsPreWrap) {
      run->Flags.Include(trfBreakBefore);
      run->Flags.Include(trfBreakAfter);
    }
  }
  if (Flow) Flow->AddBlock(run);
}

void TElement::CalcInlineBoxes(TFlow* Flow) {
  THtLineBlock* open = reusedRun(this, 0);
  open->Bidi = bdNeutral;
  TTextValues v;
  TextValuesOf(this, v);
  open->VAlign = v.VAlign;
  if (Count() > 0) {
    THtFont* font = nullptr;
    if (auto* t = dynamic_cast<TTextElement*>(GetNodes()->Get(0))) {
      if (!t->Font) t->ApplyFont(1.0f, false);
      font = t->Font;
    }
    if (!font) font = StyleFontOf(this);
    InnerHeight = font ? font->LineHeight : 0.0f;
    open->LogicalWidth = MarginLeft + BorderLeft + PaddingLeft();
    open->LogicalHeight = InnerHeight;
    open->Ascent = (SizeFlags & kHeightFixed) ? float(StyleHeight()) : (font ? font->Ascent : 0.0f) + BorderTop;
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
