#pragma once
// Helpers shared by the line and placement passes of layout.
#include "css/css_keywords.h"
#include "layout/flow.h"

namespace ht {

class TElement;
class TStyledHTMLNode;
class THtLineBlock;

// Inline blocks, inline flex and inline tables: boxes that sit on a line.
inline bool IsInlineBlockLike(TDisplayStyle d) { return d == dsInlineBlock || d == dsInlineFlex || d == dsInlineTable; }

// The element's used line-height in pixels when set (neither auto nor
// initial); Number tells a bare number (a factor of the font size).
bool LineHeightPx(const TStyledHTMLNode* N, float& Px, bool* Number = nullptr);

// A block whose top and bottom margins touch (no height, border or padding
// between them): margins collapse through it.
bool IsEmptyCollapsible(const TElement* E);

// The line entry's metrics from the collected ones.
void FinishLineMetrics(TFlow& F, THtLineBlock* FirstBox, THtLineBlock* LastBox, THtLineSize& S, PHtLineInfo L);

// Nesting of the recursive layout passes. Trees built by edits can be far
// deeper than the parser allows; past this depth a pass leaves the subtree
// as it is rather than exhaust the stack.
constexpr int kMaxLayoutDepth = 512;
int& LayoutDepth();
inline bool LayoutDepthLeft() { return LayoutDepth() < kMaxLayoutDepth; }
struct TLayoutDepth {
  TLayoutDepth() { ++LayoutDepth(); }
  ~TLayoutDepth() { --LayoutDepth(); }
  TLayoutDepth(const TLayoutDepth&) = delete;
  TLayoutDepth& operator=(const TLayoutDepth&) = delete;
};

}  // namespace ht
