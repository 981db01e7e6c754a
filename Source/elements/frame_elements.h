#pragma once
// Frames and framesets keep the markup of framed pages in the tree: a
// frame remembers its source address as its content text (nothing is
// loaded), a frameset reads its "rows" or "cols" list into lengths and
// keeps the book of frame sizes. Both are laid out and painted as ordinary
// blocks. Sizes starts empty and nothing here fills it, so sizes and
// offsets answer 0 until a caller does.
#include <vector>

#include "css/measure.h"
#include "document/element.h"

namespace ht {

class TFrameElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  // "src" becomes the content text.
  void ParseAttribute(StringView Param, StringView Value) override;
};

class TFrameSetElement : public TFrameElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  std::vector<TMeasure> Rows;  // the last "rows" or "cols" list (columns too)
  std::vector<int> Sizes;      // per frame index, in pixels
  bool IsRows = false;         // Rows came from "rows"

  // "rows" and "cols" read into Rows; anything else as a frame.
  void ParseAttribute(StringView Param, StringView Value) override;
  // Counting only frame children (framesets too) in order from -1: the
  // count at Frame, so a child that is not a frame gets the index of the
  // last frame before it; -1 when Frame is not a child.
  int FrameIndex(const TElement* Frame) const;
  // Sizes at Frame's index; 0 outside Sizes.
  int FrameSize(const TElement* Frame) const;
  // The sum of the sizes before E's index.
  int FrameLeft(const TElement* E) const;
  // Frame E took the size W (H for rows); its next neighbour gives or takes
  // the difference, so the total stays. Nothing for the last frame.
  void UpdateSize(const TElement* E, int W, int H);
  void ParseSizes(StringView Value, bool AIsRows);
};

}  // namespace ht
