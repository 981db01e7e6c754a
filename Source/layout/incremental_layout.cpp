// Incremental layout: after a restyle that marked the boxes it changed
// (with their ancestors), a layout of the same viewport lays out only the
// marked boxes. Every other box that was laid out before keeps its flow,
// lines and size and is only moved, as long as what its layout took from
// outside (its container's width, definite height and size facts, its
// margins, and no floats beside it) is what it was, and when
// no child's margins collapse through it; when a
// kept box finds them changed, the pass is run again in full.
#include "css/float_bands.h"
#include "document/document.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"

namespace ht {

bool TElement::KeepsLayout() const {
  return Document && Document->FIncrementalLayout && FKeptInPass == Document->FLayoutPassNumber;
}

void TElement::DecideKeepLayout() {
  FKeptInPass = canKeepLayout() ? Document->FLayoutPassNumber : -1;
}

bool TElement::canKeepLayout() const {
  if (!Document || !Document->FIncrementalLayout || !FLayoutMemo.Valid || HasFlag(efNeedRecalc) || IsText())
    return false;
  const TDisplayStyle d = DisplayOf(this);
  if (d != dsBlock && d != dsListItem && d != dsInlineBlock) return false;
  // Margins of block children collapse through a box that is no block
  // container, so its container's pass depends on its content.
  if (IsBlockContainer() || !SelfFlow) return true;
  for (int i = 0; i < SelfFlow->LineCount(); ++i)
    if (SelfFlow->FLines[size_t(i)].IsBlock) return false;
  return true;
}

TElement::TLayoutInputs TElement::layoutInputs() const {
  TLayoutInputs in;
  if (const TStyledHTMLNode* c = Container; c && c != this) {
    in.ContainerWidth = c->InnerWidth;
    in.ContainerFlags = c->SizeFlags;
    // An auto height is no base for percentages: only a definite one counts.
    if (c->SizeFlags & (sfHeightFixed | sfHeightDefinite)) in.ContainerHeight = c->InnerHeight;
    const TBlockFloats* f = c->FloatMapIfAny();
    in.Floats = f && f->HasBands();
  }
  in.Margins[0] = MarginTop;
  in.Margins[1] = MarginRight;
  in.Margins[2] = MarginBottom;
  in.Margins[3] = MarginLeft;
  return in;
}

void TElement::rememberLayout(const TLayoutInputs& Inputs, bool Result) {
  TLayoutMemo& m = FLayoutMemo;
  m.Valid = true;
  m.Inputs = Inputs;
  m.Result = Result;
  m.Width = CalcWidth();
  m.Height = CalcHeight();
  m.InnerWidth = InnerWidth;
  m.InnerHeight = InnerHeight;
  m.ContentWidth = ContentWidth;
  m.ContentHeight = ContentHeight;
  m.VDelta = VDelta;
  m.SizeFlags = SizeFlags;
  m.Margins[0] = MarginTop;
  m.Margins[1] = MarginRight;
  m.Margins[2] = MarginBottom;
  m.Margins[3] = MarginLeft;
  if (const THtLineBlock* run = LineBlocks.Count() > 0 ? LineBlocks.Get(0) : nullptr) {
    m.RunWidth = run->LogicalWidth;
    m.RunHeight = run->LogicalHeight;
    m.Ascent = run->Ascent;
  }
  ExcludeFlag(efNeedRecalc);
}

void TElement::restoreKeptSize() {
  const TLayoutMemo& m = FLayoutMemo;
  OuterRect.Right = OuterRect.Left + m.Width;
  OuterRect.Bottom = OuterRect.Top + m.Height;
  SizeFlags = m.SizeFlags;
  InnerWidth = m.InnerWidth;
  InnerHeight = m.InnerHeight;
  ContentWidth = m.ContentWidth;
  ContentHeight = m.ContentHeight;
  VDelta = m.VDelta;
}

bool TElement::keepLayout() {
  // Floats beside a box narrow it or its lines: where they were or are,
  // the box is laid out again.
  const TLayoutInputs now = layoutInputs();
  if (now != FLayoutMemo.Inputs || now.Floats) {
    Document->FIncrementalFailed = true;
    return true;
  }
  const TLayoutMemo& m = FLayoutMemo;
  THtLineBlock* run = LineBlocks.Count() > 0 ? LineBlocks.Get(0) : nullptr;
  if (run) OffsetRects(run->X() - OuterRect.Left, run->Y() - OuterRect.Top);
  MarginTop = m.Margins[0];
  MarginRight = m.Margins[1];
  MarginBottom = m.Margins[2];
  MarginLeft = m.Margins[3];
  restoreKeptSize();
  CalcRects();
  restoreKeptSize();
  if (run) {
    run->LogicalWidth = m.RunWidth;
    run->LogicalHeight = m.RunHeight;
    run->Ascent = m.Ascent;
  }
  return m.Result;
}

}  // namespace ht
