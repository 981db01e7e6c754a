// The recursive paint walk: whether an element paints at all, its transform
// and opacity, the paint order inside one box, and the stacking passes that
// walk a flow's runs once per z level.
//
// Kept on purpose: within one z level boxes paint in tree order (no
// separate float and inline phases); opacity applies to each primitive, not
// to a group; a box clips its content only when it is positioned or the
// level being painted is at most its own z-index.
#include <algorithm>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "document/table_hooks.h"
#include "layout/flow.h"
#include "paint/element_paint.h"
#include "paint/paged_output.h"
#include "paint/paint_guards.h"
#include "paint/text_paint.h"

namespace ht {

namespace {

bool isInlineDisplay(TDisplayStyle D) { return D == dsInline; }

// Undoes the state the element's transform saved, also when painting (or
// pushing the matrix itself) raises: back to the depth before the transform.
struct TTransformScope {
  THtCanvas* G = nullptr;
  int Depth = 0;
  ~TTransformScope() {
    if (G)
      while (G->StateDepth() > Depth) G->RestoreState();
  }
};

// A box that makes a stacking context paints in the pass of its own level
// only; any other box is visited in every pass, its content may hold other
// levels. Text runs are painted in the pass of their own level only.
bool visitedInPasses(const THtLineBlock& B) {
  return !B.Hidden() && !B.Has(trfInlineEnd) && B.E && !B.IsText() && B.E->HasFlag(efVisible);
}

int32_t levelOf(const TElement& E) {
  const TElementStyle* S = ElementStyleOf(&E);
  return S ? S->ZIndex : 0;
}

// The level of a text run: its element's, or 0 for text straight inside
// the stacking context being walked.
int32_t textLevel(const TTextWalk& W, const THtLineBlock& B) {
  if (B.E->Container == W.Owner && W.Owner->HasFlag(efStackingContext)) return 0;
  return levelOf(*B.E);
}

bool isPaintedText(const THtLineBlock& B) { return B.IsText() && B.E && !B.Hidden(); }

// Merged when the canvas lays out strings and the owner casts no text
// shadow; answers the last run used.
THtLineBlock* drawText(const TTextWalk& W, bool Merge, THtLineBlock* B) {
  if (!Merge) {
    B->E->DrawRun(W.Flow, B, W.ChildDI);
    return B;
  }
  // A space that ends a line is not drawn at all.
  if (B->Has(trfSpace) && B->NextBlock() && B->NextBlock()->Line != B->Line) return B;
  return DrawMergedText(W, B);
}

// Culling before a run's element prepares anything to paint: a long flow
// out of view then costs a few comparisons per run. Only boxes whose paint
// stays inside their border box and content rectangle, at the place layout
// gave them, are judged here; the rest decide in their own paint.
class TRunCull {
 public:
  explicit TRunCull(const TTextWalk& W) : FFlow(W.Flow), FCX(W.ChildDI.CX), FCY(W.ChildDI.CY) {
    const THtDocument* doc = W.Owner ? W.Owner->Document : nullptr;
    FG = W.Owner ? SurfaceOf(*W.Owner) : nullptr;
    FOn = FG && doc && !doc->Paged && !doc->BeforeElementDraw && !doc->EditorMode;
    // A dragged box is painted away from its place; bands are not used
    // (nor made) while one is.
    FBandsOn = FOn && !doc->DragElement;
  }
  // A text run whose line, with a line's height of room on either side
  // (decorations, glyphs past the line box), lies wholly out of view.
  bool TextOut(const THtLineBlock& B) const {
    if (!TextCullable(B)) return false;
    const THtLineInfo& L = FFlow->FLines[size_t(B.Line)];
    const float top = FCY + L.Y - L.TopMargin - L.Height, bottom = FCY + L.Y + L.Height + L.BottomMargin + L.Height;
    return !FG->DocumentRectInView(TRectF{FCX - kFar, top, FCX + kFar, bottom});
  }
  // A box in normal flow, untransformed, without shadow, outline or filter,
  // with nothing positioned inside, whose border box and content rectangle
  // lie wholly out of view.
  bool BoxOut(const THtLineBlock& B) const {
    TRectF r;
    return BoxCullable(B, r) && !FG->DocumentRectInView(Moved(r, FCX, FCY));
  }

  // The bands of a long flow, made when missing or stale; null when the
  // flow is short or bands are off for this paint.
  const std::vector<TFlow::TPaintBand>* Bands(TFlow& F) const {
    if (!FBandsOn || F.LineCount() < kBandedLines) return nullptr;
    const uint64_t tree = TreeChangeStamp(), style = StyleChangeStamp();
    if (F.PaintBands.empty() || F.PaintBandsTreeStamp != tree || F.PaintBandsStyleStamp != style) {
      MakeBands(F);
      F.PaintBandsTreeStamp = tree;
      F.PaintBandsStyleStamp = style;
    }
    return &F.PaintBands;
  }
  // Whether every run of the band would be culled: its reach, a pixel
  // wider on each side than any of its runs' tests, lies out of view.
  bool BandOut(const TFlow::TPaintBand& Band) const {
    return Band.Cullable &&
           !FG->DocumentRectInView(TRectF{FCX - kFar, FCY + Band.Top - 1, FCX + kFar, FCY + Band.Bottom + 1});
  }
  static constexpr size_t kBandRuns = 32;

 private:
  static constexpr float kFar = 1000000;
  static constexpr int kBandedLines = 64;

  bool TextCullable(const THtLineBlock& B) const {
    if (!FOn || B.Line < 0 || B.Line >= FFlow->LineCount() || B.E->HasFlag(efVertical)) return false;
    // Runs of one text follow each other: its style is looked up (through
    // the inherited text shadow) once for them all. No style changes while
    // a flow is walked.
    if (B.E != FShadowE) {
      const TElementStyle* S = ElementStyleOf(B.E);
      FShadowE = B.E;
      FNoShadow = S && S->NoTextShadow();
    }
    return FNoShadow;
  }
  // R: the rectangle tested, in the flow's coordinates. For bands a box
  // whose own flow holds no runs reaches no further than its border box.
  bool BoxCullable(const THtLineBlock& B, TRectF& R, bool ForBands = false) const {
    if (!FOn) return false;
    const TElement& E = *B.E;
    const TElementStyle* S = ElementStyleOf(&E);
    if (!S || S->fDisplay == dsInline || (S->fPosition != epStatic && S->fPosition != epRelative) ||
        S->Visibility != cvVisible || S->HasTransform() || S->Filter() || S->IsSet(cspBoxShadow) ||
        S->IsSet(cspOutline) || S->IsSet(cspOutlineStyle) || IsRootLike(E))
      return false;
    if (E.HasFlag(efHasOutOfFlowElements) || E.HasFlag(efDragMoved) || E.HasFlag(efDesignerSelected) ||
        E.HasFlag(efVertical))
      return false;
    TRectF r = E.BorderRect();
    if (const TFlow* f = E.SelfFlow.get(); f && !(ForBands && !f->FirstBlock)) {
      const TRectF& c = f->ContentRect;
      // A content rectangle never measured says nothing.
      if (c.Right <= c.Left || c.Bottom <= c.Top) return false;
      r = TRectF{std::min(r.Left, c.Left + E.OuterRect.Left), std::min(r.Top, c.Top + E.OuterRect.Top),
                 std::max(r.Right, c.Right + E.OuterRect.Left), std::max(r.Bottom, c.Bottom + E.OuterRect.Top)};
    }
    // A list marker stands beside the box.
    if (S->fDisplay == dsListItem) r.Left = -kFar, r.Right = kFar;
    R = r;
    return true;
  }
  // An inline box that draws nothing of its own (no background, border,
  // outline or transform, not replaced): passing over its first run leaves
  // only its content, whose lines Top..Bottom cover with a line's height
  // of room on either side, as for its text runs.
  bool InlineReach(const TFlow& F, const THtLineBlock& B, float& Top, float& Bottom) const {
    if (!FOn) return false;
    const TElement& E = *B.E;
    const TElementStyle* S = ElementStyleOf(&E);
    if (!S || S->fDisplay != dsInline || (S->fPosition != epStatic && S->fPosition != epRelative) ||
        S->Visibility != cvVisible || S->HasTransform() || S->IsSet(cspOutline) || S->IsSet(cspOutlineStyle) ||
        E.IsReplacedElement())
      return false;
    if (E.HasFlag(efHasBackground) || E.HasFlag(efHasBorder) || E.HasFlag(efDragMoved) ||
        E.HasFlag(efDesignerSelected) || E.HasFlag(efVertical))
      return false;
    const int first = E.StartLine(), last = E.EndLine();
    if (first < 0 || last < first || last >= F.LineCount()) return false;
    Top = kFar;
    Bottom = -kFar;
    for (int l = first; l <= last; ++l) {
      const THtLineInfo& L = F.FLines[size_t(l)];
      Top = std::min(Top, L.Y - L.TopMargin - L.Height);
      Bottom = std::max(Bottom, L.Y + L.Height + L.BottomMargin + L.Height);
    }
    return true;
  }
  // Runs the walk passes over (hidden, inline ends, invisible boxes) reach
  // nowhere; any other run the tests above would never cull makes its band
  // one that is always walked.
  void MakeBands(TFlow& F) const;

  const TFlow* FFlow;
  THtCanvas* FG = nullptr;
  float FCX, FCY;
  bool FOn = false, FBandsOn = false;
  mutable const TElement* FShadowE = nullptr;  // the last text run's element
  mutable bool FNoShadow = false;              // and whether it casts no text shadow
};

void TRunCull::MakeBands(TFlow& F) const {
  F.PaintBands.clear();
  TFlow::TPaintBand band;
  size_t n = 0;
  for (THtLineBlock* b = F.FirstBlock; b; b = b->NextBlock(), ++n) {
    if (n % kBandRuns == 0) {
      if (n > 0) F.PaintBands.push_back(band);
      band = TFlow::TPaintBand{nullptr, kFar, -kFar, true};
    }
    band.Last = b;
    if (!band.Cullable) continue;
    float top = 0, bottom = 0;
    if (isPaintedText(*b)) {
      if (!TextCullable(*b)) {
        band.Cullable = false;
        continue;
      }
      const THtLineInfo& L = F.FLines[size_t(b->Line)];
      top = L.Y - L.TopMargin - L.Height;
      bottom = L.Y + L.Height + L.BottomMargin + L.Height;
    } else if (visitedInPasses(*b)) {
      TRectF r;
      if (BoxCullable(*b, r, true)) {
        top = r.Top;
        bottom = r.Bottom;
      } else if (!InlineReach(F, *b, top, bottom)) {
        band.Cullable = false;
        continue;
      }
    } else {
      continue;
    }
    band.Top = std::min(band.Top, top);
    band.Bottom = std::max(band.Bottom, bottom);
  }
  if (n > 0) F.PaintBands.push_back(band);
}

void zLevelPass(const TTextWalk& W, bool Merge, THtDrawInfo ChildDI, int32_t Z) {
  ChildDI.ZIndex = Z;
  TTextWalk w = W;
  w.ChildDI = ChildDI;
  const TRunCull cull(w);
  // A band wholly out of view is passed over at its first run; index
  // counts the runs so far, to know where bands start.
  const std::vector<TFlow::TPaintBand>* bands = cull.Bands(*W.Flow);
  size_t index = 0;
  for (THtLineBlock* b = W.Flow->FirstBlock; b; b = b->NextBlock(), ++index) {
    if (bands && index % TRunCull::kBandRuns == 0 && index / TRunCull::kBandRuns < bands->size()) {
      const TFlow::TPaintBand& band = (*bands)[index / TRunCull::kBandRuns];
      if (cull.BandOut(band)) {
        b = band.Last;
        index += TRunCull::kBandRuns - 1;
        continue;
      }
    }
    if (isPaintedText(*b)) {
      if (textLevel(w, *b) == Z && !cull.TextOut(*b)) {
        THtLineBlock* last = drawText(w, Merge, b);
        if (bands)
          for (THtLineBlock* t = b; t && t != last; t = t->NextBlock()) ++index;
        b = last;
      }
      continue;
    }
    if (!visitedInPasses(*b) || cull.BoxOut(*b)) continue;
    if (b->E->HasFlag(efStackingContext) && levelOf(*b->E) != Z) continue;
    b->E->DrawRun(W.Flow, b, ChildDI);
  }
}

// Every level of a stacking context. With many levels the runs are sorted
// by level once, so a pass visits the boxes of its own level and those
// visited in every pass, not every run of the flow.
void zLevelPasses(const TTextWalk& W, bool Merge, const THtDrawInfo& ChildDI, const std::vector<int32_t>& Levels) {
  if (Levels.size() <= 4) {
    for (int32_t z : Levels) zLevelPass(W, Merge, ChildDI, z);
    return;
  }
  std::vector<THtLineBlock*> runs;
  std::vector<size_t> always;
  std::vector<std::pair<int32_t, size_t>> leveled;
  const TRunCull cull(W);
  for (THtLineBlock* b = W.Flow->FirstBlock; b; b = b->NextBlock()) {
    const bool text = isPaintedText(*b);
    if (!text && !visitedInPasses(*b)) continue;
    if (text ? cull.TextOut(*b) : cull.BoxOut(*b)) continue;
    const size_t index = runs.size();
    runs.push_back(b);
    if (text)
      leveled.emplace_back(textLevel(W, *b), index);
    else if (b->E->HasFlag(efStackingContext))
      leveled.emplace_back(levelOf(*b->E), index);
    else
      always.push_back(index);
  }
  std::stable_sort(leveled.begin(), leveled.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  TTextWalk w = W;
  for (int32_t z : Levels) {
    w.ChildDI = ChildDI;
    w.ChildDI.ZIndex = z;
    auto own = std::lower_bound(leveled.begin(), leveled.end(), std::make_pair(z, size_t(0)));
    auto ownEnd = own;
    while (ownEnd != leveled.end() && ownEnd->first == z) ++ownEnd;
    // Flow order: merge the two lists of run indexes. Runs a merged text
    // chunk took are passed over.
    std::vector<THtLineBlock*> taken;
    auto a = always.begin();
    while (a != always.end() || own != ownEnd) {
      size_t index;
      if (own == ownEnd || (a != always.end() && *a < own->second)) index = *a++;
      else index = (own++)->second;
      THtLineBlock* b = runs[index];
      if (std::find(taken.begin(), taken.end(), b) != taken.end()) continue;
      taken.clear();
      if (!isPaintedText(*b)) {
        b->E->DrawRun(W.Flow, b, w.ChildDI);
        continue;
      }
      THtLineBlock* last = drawText(w, Merge, b);
      for (THtLineBlock* t = b; t != last && t; t = t->NextBlock()) taken.push_back(t->NextBlock());
    }
  }
}

bool isLink(const TElement& E) {
  const TElementStyle* S = ElementStyleOf(&E);
  return S && (S->CurrentPC & PseudoBit(pcLink));
}

// Paged output paints only the runs layout gave the current page, and moves
// the flow's cursor of printed runs past what is complete, so the next page
// starts after it.
void pagedRunWalk(const TTextWalk& W, bool Merge, TElement& Owner, TFlow& Flow) {
  THtLineBlock* const first = Flow.FirstBlocktoPrint;
  THtLineBlock* const end = Flow.LastBlocktoPrint;
  if (!first || first == end) return;
  const bool link = isLink(Owner);
  if (link) DrawLinkAreas(Owner);
  for (THtLineBlock* b = first; b && b != end; b = b->NextBlock()) {
    if (b->Hidden() || !b->E) continue;
    if (b->IsText()) {
      b = drawText(W, Merge, b);
      if (!b || b == end) break;
      continue;
    }
    const TElementStyle* st = ElementStyleOf(b->E);
    if (st && st->fPosition == epRunning) continue;
    b->E->DrawRun(W.Flow, b, W.ChildDI);
  }
  bool unfinished = false;
  for (THtLineBlock* b = first; b && b != end && !unfinished; b = b->NextBlock()) {
    if (!b->E) continue;
    if (!b->Has(trfInlineEnd) && b->E->HasFlag(efCompletelyDrawn)) {
      Flow.FirstNonPrintedBlock = b->NextBlock();
      continue;
    }
    const TElementStyle* st = ElementStyleOf(b->E);
    if (!b->E->HasFlag(efCompletelyDrawn) && b->E->SelfFlow && st && st->fPosition != epAbsolute &&
        st->fPosition != epRunning)
      unfinished = true;
  }
  if (link)
    if (THtCanvas* G = SurfaceOf(Owner)) G->EndLink();
  if (!unfinished) Flow.FirstNonPrintedBlock = end;
}

}  // namespace

void BaseDraw(TElement& E, TFlow* Flow, const THtDrawInfo& DI) {
  THtDocument* doc = E.Document;
  TElementStyle* S = ElementStyleOf(&E);
  if (!S) return;
  if (doc && doc->BeforeElementDraw) doc->BeforeElementDraw(&E);
  THtDrawInfo di = DI;
  E.PrepareDrawInfo(di);
  if (doc && doc->Paged) DrawAnchors(E, di);
  E.IncludeFlag(efDrawn);
  const bool paged = doc && doc->Paged;
  if (S->Visibility != cvVisible || (S->fPosition == epRunning && !paged)) {
    if (E.SelfFlow) E.SelfFlow->FirstNonPrintedBlock = E.SelfFlow->LastBlocktoPrint;
    E.HideControls();
    return;
  }
  // Tested at the prepared origin: a fixed box is culled where it shows,
  // not where its static place would be after scrolling.
  if (S->OverflowX() == eoHidden && S->OverflowY() == eoHidden && !E.IsVisibleInView(di.CX, di.CY)) return;
  const bool transformed = !isInlineDisplay(S->fDisplay) || E.IsReplacedElement() || S->HasTransform();
  TTransformScope transformScope;
  if (transformed) {
    transformScope.G = SurfaceOf(E);
    if (transformScope.G) transformScope.Depth = transformScope.G->StateDepth();
    if (!E.ApplyTransform(di.CX, di.CY)) return;
  }
  if (paged && E.StartPage == -1) E.StartPage = doc->Page;
  const TElement* parent = E.Parent();
  const TElementStyle* ps = parent ? ElementStyleOf(parent) : nullptr;
  // A text element shares its parent's style, whose opacity is already set.
  if (doc && &E == doc)
    S->CalculatedOpacity = doc->Opacity;
  else if (E.OwnsStyle())
    S->CalculatedOpacity = S->Opacity() * (ps ? ps->CalculatedOpacity : doc ? doc->Opacity : 1.0f);
  switch (S->fDisplay) {
    case dsInline:
      if (di.ZIndex == S->ZIndex) E.DrawInline(Flow, di);
      break;
    case dsTable:
    case dsInlineTable: E.DrawTable(Flow, di); break;
    default: E.DrawBlock(Flow, di); break;
  }
}

void BaseDrawBlock(TElement& E, TFlow* Flow, const THtDrawInfo& DI) {
  TElementStyle* S = ElementStyleOf(&E);
  THtCanvas* G = SurfaceOf(E);
  THtDocument* doc = E.Document;
  if (!S || !G) return;
  const int32_t z = S->ZIndex;
  if ((E.HasFlag(efStackingContext) && z != DI.ZIndex) || S->CalculatedOpacity == 0) return;
  const bool ownLevel = z == DI.ZIndex;
  const bool visible = ownLevel && (E.HasFlag(efDesignerSelected) || S->fDisplay == dsTableRow ||
                                    E.IsVisibleInView(DI.CX, DI.CY));
  const TElementOverflow ox = S->OverflowX(), oy = S->OverflowY();
  const bool paged = doc && doc->Paged;
  bool collapsed = false;
  if (!paged && (ox != eoVisible || oy != eoVisible)) collapsed = E.BorderRect().Bottom - E.BorderRect().Top == 0;

  if (ownLevel && !collapsed && visible) {
    if (S->Filter()) DrawFilter(E, DI);
    const bool rowOrCell = S->fDisplay == dsTableRow || S->fDisplay == dsTableCell;
    TElementShadow shadow;
    bool shadowWanted = false;
    if (S->IsSet(cspBoxShadow) && !rowOrCell) {
      shadow = S->BoxShadow();
      shadowWanted = !shadow.IsEmpty();
    }
    const bool background = E.HasFlag(efHasBackground) && !rowOrCell;
    if (shadowWanted && shadow.Inset) {
      if (background) E.FillBackground(DI);
      DrawBoxShadow(E, DI, shadow);
    } else {
      if (shadowWanted) DrawBoxShadow(E, DI, shadow);
      if (background) E.FillBackground(DI);
    }
    E.DrawBorder(DI);
    if (S->IsSet(cspOutline) || S->IsSet(cspOutlineStyle)) E.DrawOutline(DI);
  }

  std::unique_ptr<TSavedState> clip;
  if (ox != eoVisible || oy != eoVisible) {
    TRectF r = Moved(E.PaddingRect(), DI.CX, DI.CY);
    if (ox == eoVisible) {
      r.Left = -1000000;
      r.Right = 1000000;
    }
    if (oy == eoVisible) {
      r.Top = -1000000;
      r.Bottom = 1000000;
    }
    if (!RectInView(E, r)) return;
    const bool positioned = S->fPosition != epStatic;
    if (!collapsed && (positioned || DI.ZIndex <= z)) {
      clip = std::make_unique<TSavedState>(*G);
      if (ox == eoHidden && oy == eoHidden && S->IsSet(cspBorderTopLeftradius)) {
        std::unique_ptr<THtPath> path = CreateClipPath(E, r);
        if (path) G->IntersectClip(path.get());
      } else {
        G->IntersectClip(r);
      }
    }
  }
  if (!collapsed) E.DrawInnerElements(Flow, DI);
  clip.reset();
  if (visible && S->CalculatedOpacity != 0) {
    if (E.HasFlag(efDesignerSelected)) {
      DrawDesignerSelection(E, DI);
    } else if (doc && doc->DesignerGrid && S->fDisplay == dsTableCell) {
      TElement* table = HtTableHooks().Table(E);
      const TElementStyle* ts = table ? ElementStyleOf(table) : nullptr;
      bool open = false;
      for (int side = 0; side < 4; ++side) open = open || S->GetBorderStyle(side) == lsNone;
      if (open && ts && (ts->CurrentPC & (1u << unsigned(pcHover)))) DrawCellGridFrame(E, DI);
    }
    if (S->IsSet(cspBoxReflect)) E.DrawBlockHook();
  }
}

void BaseDrawInline(TElement& E, TFlow* Flow, const THtDrawInfo& DI) {
  TElementStyle* S = ElementStyleOf(&E);
  if (!S) return;
  if (E.HasFlag(efHasBackground)) E.FillBackground(DI);
  if (E.HasFlag(efHasBorder)) E.DrawBorder(DI);
  if (S->IsSet(cspOutline) || S->IsSet(cspOutlineStyle)) E.DrawOutline(DI);
  if (E.IsReplacedElement()) E.DrawInnerElements(Flow, DI);
  if (E.HasFlag(efDesignerSelected)) DrawDesignerSelection(E, DI);
  if (E.Document && E.Document->Paged && isLink(E)) DrawLinkAreas(E);
}

void BaseDrawTable(TElement& E, TFlow* Flow, const THtDrawInfo& DI) { E.DrawBlock(Flow, DI); }

void BaseDrawRun(TElement& E, TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI) {
  const TElementStyle* S = ElementStyleOf(&E);
  // An inline box is drawn once, at its first run, with all its pieces.
  if (!S || S->fDisplay != dsInline || Block == E.FirstRun()) {
    E.Draw(Flow, DI);
  } else if (E.Document && E.Document->Paged && (S->CurrentPC & PseudoBit(pcLink))) {
    if (THtCanvas* G = SurfaceOf(E)) G->EndLink();
  }
}

void BaseDrawInnerElements(TElement& E, TFlow*, const THtDrawInfo& DI) {
  TFlow* flow = E.SelfFlow.get();
  TElementStyle* S = ElementStyleOf(&E);
  if (!flow || !flow->FirstBlock || !S) return;
  if (S->fDisplay == dsListItem && S->ZIndex == DI.ZIndex) DrawListMarker(E, DI);
  const bool rowOrGroup = S->fDisplay == dsTableRow || S->fDisplay == dsTableRowGroup;
  const TRectF& content = flow->ContentRect;
  // A flow whose content rectangle was never measured is not culled.
  const bool paged = E.Document && E.Document->Paged;
  if (!E.HasFlag(efHasOutOfFlowElements) && !rowOrGroup && content.Right > content.Left &&
      content.Bottom > content.Top &&
      !RectInView(E, Moved(content, DI.CX + E.OuterRect.Left, DI.CY + E.OuterRect.Top))) {
    if (paged) flow->FirstNonPrintedBlock = flow->LastBlocktoPrint;
    return;
  }
  THtDrawInfo child = DI;
  E.LocalToDocument(child.CX, child.CY);
  // Runs are placed from the content origin, less the scroll offsets.
  flow->PaintOriginX = child.CX;
  flow->PaintOriginY = child.CY;
  TTextWalk walk;
  walk.Owner = &E;
  walk.Flow = flow;
  walk.ChildDI = child;
  THtCanvas* G = SurfaceOf(E);
  const THtCanvasFlags flags = G ? G->GetFlags() : THtCanvasFlags{};
  walk.UseTextLayouts = flags.Contains(hcfSupportsTextLayouts);
  walk.Justified = S->TextAlign() == thJustify;
  const bool merge = (walk.UseTextLayouts || flags.Contains(hcfSupportsSimpleLayouts)) && S->NoTextShadow();
  if (paged)
    pagedRunWalk(walk, merge, E, *flow);
  else if (E.HasFlag(efStackingContext) && !E.FZLevels.empty())
    zLevelPasses(walk, merge, child, E.FZLevels);
  else
    zLevelPass(walk, merge, child, DI.ZIndex);
}

}  // namespace ht
