#pragma once
// Runs: one piece of an element placed on one line (a stretch of a text
// element's characters, the marker where an inline element starts or ends,
// or the single run of a whole box). Every element owns its runs in
// LineBlocks; the flow of the nearest block container links the runs of
// all its content into one chain in document order without owning them.
#include <memory>
#include <vector>

#include "platform/rtl/geometry.h"
#include "canvas/text_run.h"
#include "css/css_keywords.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;
class THtLineBlock;

// A word as a range of runs linked through the chain.
struct THtWord {
  THtLineBlock* StartBlock = nullptr;
  THtLineBlock* EndBlock = nullptr;
  // The texts of the runs from StartBlock to EndBlock, both included.
  String Text() const;
  int AbsoluteStart() const;
  int AbsoluteEnd() const;
};

class THtLineBlock : public THtTextRun {
 public:
  static const THtTextRunClass ClassType;
  const THtTextRunClass* ClassRefOf() const override { return &ClassType; }

  THtLineBlock() = default;
  explicit THtLineBlock(TElement* AE) : E(AE) {}
  // Leaves the chain first, unless the element's container is being
  // destroyed with everything it holds.
  ~THtLineBlock() override;
  THtLineBlock(const THtLineBlock&) = delete;
  THtLineBlock& operator=(const THtLineBlock&) = delete;

  TElement* E = nullptr;  // not owned
  float Left = 0, Top = 0, LogicalHeight = 0, Ascent = 0;
  TVAlign VAlign = vaBaseLine;

  // --- Chain ---------------------------------------------------------------
  THtLineBlock* NextBlock() const { return FNextBlock; }
  THtLineBlock* PreviousBlock() const { return FPreviousBlock; }
  // Both setters keep the two links of a pair in agreement; a run linked to
  // itself is a programming error (Exception "Assertion failure").
  void SetNextBlock(THtLineBlock* Value);
  void SetPreviousBlock(THtLineBlock* Value);
  // Joins the neighbours and clears both own links; the flow's first and
  // last run are the caller's.
  void RemoveFromFlow();
  // Flags from the element: a block-level box gets trfBlock (and
  // trfOutofFlow when floated or positioned), another out-of-flow box
  // trfOutofFlow; text runs take theirs from the text element.
  void UpdateFlags();

  bool Has(THtTextRunFlag f) const { return Flags.Contains(f); }
  bool Hidden() const { return Has(trfHidden); }

  // --- Geometry --------------------------------------------------------------
  // Physical axes. A flow lays its runs out along (Left) and across (Top)
  // its lines in every writing mode; a vertical one turns them into
  // physical positions after line breaking (TFlow::TurnLines), together
  // with the boxes on them, so runs and boxes always share one pair of
  // axes and X is Left.
  float X() const { return Left; }
  float Y() const { return Top; }
  float XSize() const { return LogicalWidth; }
  float YSize() const { return LogicalHeight; }
  void SetX(float V) { Left = V; }
  void SetY(float V) { Top = V; }
  void SetXSize(float V) { LogicalWidth = V; }
  void SetYSize(float V) { LogicalHeight = V; }
  TRectF R() const;
  TRectF LogicalR() const { return R(); }
  TRectF RealRect() const;
  float Descent() const { return LogicalHeight - Ascent; }
  int LastChar() const { return Start + Count - 1; }

  // --- Text ------------------------------------------------------------------
  // Count characters of the element's content from Start.
  String Text() const;
  // The run's slice of the text element's display text; empty for a line
  // break.
  String DisplayText() const;
  int VisibleLength() const;
  bool IsText() const { return Has(trfText); }
  bool IsLineBreak() const { return Has(trfLineBreak); }
  bool InFlow() const { return !Has(trfOutofFlow); }
  // Text that is not space, blank, a line break or hidden.
  bool IsPlainText() const;
  bool IsLetters() const;
  bool IsNumbers() const;
  bool IsLineElement() const;
  bool SameBlock(const THtLineBlock* ABlock) const;

  // --- Break rules -------------------------------------------------------------
  TWhiteSpace WhiteSpace() const;
  bool CanBreakBefore() const;
  bool CanBreakAfter() const;

  // --- Walks across nested flows (document order) ------------------------------
  THtLineBlock* Next() const;
  THtLineBlock* Last();
  THtLineBlock* Previous() const;
  THtLineBlock* NextVisible() const;
  THtLineBlock* PreviousVisible() const;
  bool SameLine(const THtLineBlock* Block) const;
  THtLineBlock* LineStart();
  THtLineBlock* WrappedLineStart();
  THtLineBlock* LineEnd();
  String FullLineText();
  // The word this run is part of; false unless it is plain text.
  bool GetWord(THtWord& W);

  // --- Positions and words of the selection (text_positions.cpp) ---------------
  // The run of the same element nearest to document x X.
  THtLineBlock* Nearestto(int X);
  // Moves the selection's start (Left) and/or end (Right) to the word
  // boundaries around the element position CharPos, crossing into the runs
  // beside it on the same line.
  void SelectWordAt(int CharPos, bool Left, bool Right);

 private:
  friend class THtLineBlocks;
  bool visibleStep(const THtLineBlock* Start) const;
  // Out of the chain and as a new run of AE, for reuse as a spare.
  void renew(TElement* AE);
  THtLineBlock* FNextBlock = nullptr;
  THtLineBlock* FPreviousBlock = nullptr;
};

// Owning list of an element's runs, in placement order. Runs cut off by
// Truncate are kept as spares and handed out again by CreateBlock and
// InsertBlock, so that a layout that builds the same runs again (a text
// whose last blank is dropped, a line pass splitting a run anew) does not
// free and allocate them each time.
class THtLineBlocks {
 public:
  int Count() const { return FCount; }
  THtLineBlock* Get(int Index) const { return FItems[size_t(Index)].get(); }
  THtLineBlock* GetBlock(int Index) const { return Get(Index); }
  THtLineBlock* First() const { return FCount ? FItems.front().get() : nullptr; }
  THtLineBlock* Last() const { return FCount ? FItems[size_t(FCount - 1)].get() : nullptr; }
  THtLineBlock* Add(std::unique_ptr<THtLineBlock> Block) { return Insert(FCount, std::move(Block)); }
  // Places Block at Index (0..Count).
  THtLineBlock* Insert(int Index, std::unique_ptr<THtLineBlock> Block) {
    FItems.insert(FItems.begin() + Index, std::move(Block));
    ++FCount;
    return FItems[size_t(Index)].get();
  }
  int IndexOf(const THtLineBlock* Block) const {
    for (int i = 0; i < FCount; ++i)
      if (FItems[size_t(i)].get() == Block) return i;
    return -1;
  }
  // A new run of E, appended, with its flags set from E.
  THtLineBlock* CreateBlock(TElement* AE);
  // A new run of E placed at Index (0..Count), with no flags.
  THtLineBlock* InsertBlock(int Index, TElement* AE);
  // The first run whose Line equals ALine; null when none.
  THtLineBlock* GetLineBlock(int ALine) const;
  // Drops the runs from Index on: they leave the chain and wait as spares.
  void Truncate(int Index);
  // Frees every run, spares included.
  void Clear() {
    FItems.clear();
    FCount = 0;
  }

 private:
  // The first FCount are the runs; the rest are spares, out of any chain.
  std::vector<std::unique_ptr<THtLineBlock>> FItems;
  int FCount = 0;
};

}  // namespace ht
