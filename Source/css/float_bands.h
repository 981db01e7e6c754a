#pragma once
// The float map of a block container: for its left and its right side, a
// list of horizontal bands saying how far floats reach in between two
// heights. Line layout asks it for the width left at a height and where a
// box of a given size fits; float placement registers floats in it and,
// translated, in the maps of the enclosing blocks.
//
// Coordinates are document pixels relative to the owner's content box: y
// grows downwards; a left band's edge is its distance from the left content
// edge, a right band's edge its distance from the right content edge.
#include <memory>
#include <vector>

namespace ht {

class TStyledHTMLNode;

struct TBlockSideRec {
  float Top = 0;     // first y of the band, never below 0
  float Bottom = 0;  // where the band ends
  float Edge = 0;    // how far the floats reach in; always above 0
  TStyledHTMLNode* Element = nullptr;  // the float that made it; not owned
};

// One side of a map. Bands are sorted by Top and never overlap.
class TBlockSide {
 public:
  std::vector<TBlockSideRec> Bands;
  float LastTop = 0;  // the largest Top added since the last Clear

  // Records floats reaching Edge between Top and Bottom. Where the new band
  // overlaps an older one, the overlap keeps the larger edge.
  void AddBand(float Top, float Bottom, float Edge, TStyledHTMLNode* Element);
  // Clears this side and takes Source's bands moved by -DX (edges) and -DY.
  void CopyShifted(const TBlockSide& Source, float DX, float DY);
  void Clear();
  float LowestBottom() const;
  // The largest edge among bands meeting the line Y1..Y2, with a one-pixel
  // tolerance at both ends; 0 when none.
  float EdgeAt(float Y1, float Y2) const;
  // The edge and bottom of the widest band (the last on ties); 0, 0 without
  // bands.
  void WidestBand(float& Edge, float& Bottom) const;
  // The y at which a box W wide and H high fits beside this side's floats,
  // with Avail pixels of width in all; Indent is the room the floats take.
  float FindFit(float W, float Y, float H, float Avail, const TStyledHTMLNode* Element,
                float& Indent) const;
};

class TBlockFloats {
 public:
  explicit TBlockFloats(TStyledHTMLNode* AOwner);
  ~TBlockFloats();
  TBlockFloats(const TBlockFloats&) = delete;
  TBlockFloats& operator=(const TBlockFloats&) = delete;

  std::unique_ptr<TBlockSide> Left;
  std::unique_ptr<TBlockSide> Right;
  float Width = 0;  // the owner's InnerWidth as last read
  TStyledHTMLNode* Owner;  // not owned

  // Clears both sides and reads the owner's width (rounded, halves to even).
  void Reset();
  // Registers a placed float by its OuterRect and own float side, and passes
  // it up to the enclosing maps unless the owner keeps its own context.
  void AddFloat(TStyledHTMLNode* Float, bool ApplyRelative);
  void AddBands(float Top, float Bottom, float LeftEdge, float RightEdge, TStyledHTMLNode* Element);
  // Takes the container's bands, translated into the owner's content box.
  void CopyContainerFloats();
  // The y where a box W x H fits; ClearLeft/ClearRight push it below the
  // floats of that side. The search stops 3000 pixels below Y.
  float FindLinePosition(float W, float Y, float H, const TStyledHTMLNode* Element, float& LeftIndent,
                         float& RightIndent, bool ClearLeft, bool ClearRight);
  // The width left between the floats for a line at Y, H high (never < 0).
  float AvailableWidth(float Y, float H, float& LeftIndent, float& RightIndent);

  bool HasBands() const { return !Left->Bands.empty() || !Right->Bands.empty(); }

 private:
  void passUp(float Top, float Bottom, float LeftEdge, float RightEdge, TStyledHTMLNode* Element);
};

}  // namespace ht
