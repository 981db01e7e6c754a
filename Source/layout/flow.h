#pragma once
// TFlow: the line and flex layout context of one block container (its
// SelfFlow) or of a document's root box. Box building chains the runs of the
// container's content here in document order and accumulates its min- and
// max-content widths; line breaking then fills the line table. The flow
// links runs without owning them: each belongs to its element's LineBlocks.
#include <cstdint>
#include <vector>

#include "css/css_keywords.h"
#include "platform/rtl/geometry.h"

namespace ht {

class TElement;
class THtLineBlock;
struct TCSSValue;

// One line of the table.
struct THtLineInfo {
  float Y = 0;             // top of the line box (below TopMargin)
  float Height = 0;        // ascent plus descent after leading
  float Ascent = 0;        // from Y to the baseline
  float TopMargin = 0;     // extra space above the line box
  float BottomMargin = 0;  // extra space below it
  int Width = 0;           // used width of the content, whole pixels rounded up
  int LeftOffset = 0;      // start of the content (float indent, then aligned start)
  int RightOffset = 0;     // right float indent
  THAlign Align = thStart;
  THtLineBlock* FirstBox = nullptr;  // first run of the line
  bool IsBlock = false;              // the line holds one block-level box
};
using PHtLineInfo = THtLineInfo*;

// The metrics of one line, collected while its runs join it.
struct THtLineSize {
  float Ascent = 0;         // largest ascent of the baseline-aligned runs
  float Descent = 0;        // largest descent of the baseline-aligned runs
  float MarginAscent = 0;   // largest ascent plus top margin of baseline inline blocks
  float MarginDescent = 0;  // largest descent plus bottom margin of baseline inline blocks
  float AboveTop = 0;       // room needed above the line box
  float BelowBottom = 0;    // room needed below the line box
  float Inner = 0;          // largest run height, at least the line-height
  float Outer = 0;          // largest outer height of the runs' boxes
  float InnerHeight() const { return Inner > Ascent + Descent ? Inner : Ascent + Descent; }
  float MarginHeight() const;
};

class TFlow {
 public:
  explicit TFlow(TElement* AContainer);
  virtual ~TFlow() = default;
  TFlow(const TFlow&) = delete;
  TFlow& operator=(const TFlow&) = delete;

  // Ready for a new pass of box building: the indent and the width
  // accumulators start again and the chain is empty; the line table and
  // the pen are kept.
  virtual void Reset();
  // Appends a run to the chain and accumulates the widths; false when the
  // run was dropped as a collapsible space (it is hidden and not chained).
  bool AddBlock(THtLineBlock* ABlock);
  // Finishes the width accumulation after the last AddBlock: trailing
  // collapsible spaces are hidden.
  void UpdateMinMax();

  int LineCount() const { return int(FLines.size()); }
  // Raises Exception "flow line index out of range" outside the table.
  PHtLineInfo GetLine(int Index);
  PHtLineInfo Lines(int Index) { return GetLine(Index); }
  // The entry at Line, unchecked.
  PHtLineInfo CurrentLine() { return &FLines[size_t(Line)]; }
  // Closes the current line and opens the next, reusing an entry beyond.
  void NextLine();
  bool IsLineStart() const { return FirstBlock == nullptr; }
  // The owner's child on ALine nearest to x (within 10000 pixels).
  TElement* GetLineElement(int ALine, float x);
  void UpdateContentRect(const TRectF& R);
  // The position a tab run at pen position X advances to. Without tab
  // stops it steps to the owner's tab interval.
  float CustomTabStop(THtLineBlock* LB, THtLineBlock* LastBox, float X);
  // Breaks the chain into lines and places them; true when a box laid out
  // on the way asks its caller to lay out again.
  bool CalcLines();
  // The line pass of a flex container (not in paged output): its items in
  // flex lines, one table entry per line. Always true.
  bool CalcFlexLines();
  // Spreads the lines from FirstBlocktoPrint's over Columns columns of
  // ColumnWidth with Gap between them: a new column starts where a line
  // reaches the target height or after a break-after: column; lines of
  // later columns move right and up and close up.
  void DistributeColumns(int Columns, float Gap, float ColumnWidth, bool Paged);
  // Moves the runs of line Index (and the boxes of its non-text runs).
  void ShiftLine(int Index, float DX, float DY);
  // A vertical writing mode: the lines, broken along the owner's height,
  // turn into columns. Each run's left and top swap (vertical-rl mirrors
  // the lines so that the first is rightmost), boxes move with their runs,
  // and the owner's inner width and height and the flow's height and
  // content width swap too.
  void TurnLines(TCSSWritingMode Mode);
  // Finishes the line FirstBox..LastBox: direction, alignment, tabs,
  // metrics, vertical positions and the boxes on it.
  bool CalcCurrentLine(THtLineBlock* FirstBox, THtLineBlock* LastBox, THtLineSize& LineSize, float LineSpace,
                       int StartX, bool IsLastLine, bool HasRTL);
  // Adds the run's metrics to the line's; false when it contributed none.
  bool AddToLineSize(PHtLineInfo ALine, THtLineBlock* ABlock, THtLineSize& Size);

  // Line-building state, shared with line breaking and alignment.
  std::vector<THtLineInfo> FLines;
  float FMinLineWidth = 0, FMaxLineWidth = 0, FFloatWidth = 0;
  float FCurX = 0, FCurY = 0, FHeight = 0;
  const TCSSValue* FTabStops = nullptr;  // not owned
  bool FDecimalTab = false;
  int Line = 0;

  // The owner's line-height, read once per line pass (it walks the style's
  // ancestors): set (neither auto nor initial), and its pixels and whether
  // it is a bare number.
  bool FLinePass = false, FOwnerLHSet = false, FOwnerLHNumber = false;
  // A line pass left hanging (negative) widths or processed flags on runs
  // of the chain, to be undone before the next one.
  bool FRunsMarked = false;
  float FOwnerLH = 0;
  THAlign FOwnerAlign = thStart;  // the owner's text-align, read with its line-height

  TElement* Owner;  // not owned
  float MaxContentWidth = 0;
  float MinWidth = 0;
  int TextIndent = 0;
  int ContentWidth = 0;
  int StartY = 0;
  THtLineBlock* FirstBlock = nullptr;
  THtLineBlock* LastBlock = nullptr;
  THtLineBlock* FirstBlocktoPrint = nullptr;
  THtLineBlock* LastBlocktoPrint = nullptr;
  THtLineBlock* FirstNonPrintedBlock = nullptr;
  TRectF ContentRect;
  // Where the runs' positions start on the drawing surface; painting sets
  // it before it draws any run of the flow.
  float PaintOriginX = 0, PaintOriginY = 0;

  // Painting's index of a long chain: consecutive runs in bands, each with
  // how far up and down the paint of its runs may reach (flow coordinates),
  // so that a band wholly out of view is passed over in one step. Cleared
  // by every new box building or line pass; painting also checks the tree
  // and style stamps it was made at.
  struct TPaintBand {
    THtLineBlock* Last = nullptr;  // the band's last run
    float Top = 0, Bottom = 0;
    bool Cullable = false;  // every run of it may be culled by its reach alone
  };
  std::vector<TPaintBand> PaintBands;
  uint64_t PaintBandsTreeStamp = 0, PaintBandsStyleStamp = 0;
  // The same for hit testing: how far up and down a point may find
  // something in each band's runs.
  std::vector<TPaintBand> HitBands;
  uint64_t HitBandsTreeStamp = 0, HitBandsStyleStamp = 0;

 private:
  THtLineBlock* lastInFlow() const;
  // Style values box building reads for every run, valid from one Reset
  // to the next (styles do not change within a pass).
  bool FStyleCached = false;
  const TElement* FStyleElement = nullptr;
  TCSSWordBreak FElementWordBreak = wbNormal;
  TWhiteSpace FElementWhiteSpace = wsNormal;
  TWhiteSpace FOwnerWhiteSpace = wsNormal;
};

}  // namespace ht
