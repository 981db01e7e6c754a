#include "css/float_bands.h"

#include <algorithm>
#include <cmath>

#include "css/styled_node.h"

namespace ht {

// --- TBlockSide ----------------------------------------------------------------

void TBlockSide::AddBand(float Top, float Bottom, float Edge, TStyledHTMLNode* Element) {
  const float T = std::max(0.0f, Top);
  if (Edge <= 0 || Bottom <= T) return;
  LastTop = std::max(LastTop, T);
  auto& b = Bands;
  if (!b.empty() && b.front().Top >= Bottom) {
    b.insert(b.begin(), {T, Bottom, Edge, Element});
    return;
  }
  size_t i = 0;
  while (i < b.size() && !(T < b[i].Bottom)) ++i;
  if (i == b.size()) {
    b.push_back({T, Bottom, Edge, Element});
    return;
  }
  if (b[i].Top == T && b[i].Bottom == Bottom) {
    b[i].Edge = std::max(b[i].Edge, Edge);
    return;
  }
  if (b[i].Top >= Bottom) {
    b.insert(b.begin() + ptrdiff_t(i), {T, Bottom, Edge, Element});
    return;
  }
  // The new band overlaps band i: cut off the part of band i above T.
  if (b[i].Top < T) {
    TBlockSideRec second = b[i];
    b[i].Bottom = T;
    b.insert(b.begin() + ptrdiff_t(i) + 1, second);
    ++i;
  }
  b[i].Top = T;
  if (b[i].Bottom >= Bottom) {
    if (b[i].Bottom > Bottom) {
      TBlockSideRec rest = b[i];
      rest.Top = Bottom;
      b.insert(b.begin() + ptrdiff_t(i) + 1, rest);
    }
    b[i].Bottom = Bottom;
    // Floats reach at least as far as the wider of the two.
    b[i].Edge = std::max(b[i].Edge, Edge);
    return;
  }
  // The new band reaches past band i: band i grows to Bottom and absorbs
  // the bands it now covers, keeping the widest edge among them so that no
  // float loses its room.
  float edge = std::max(b[i].Edge, Edge);
  b[i].Bottom = Bottom;
  size_t j = i + 1;
  while (j < b.size() && b[j].Bottom <= Bottom) edge = std::max(edge, b[j++].Edge);
  b.erase(b.begin() + ptrdiff_t(i) + 1, b.begin() + ptrdiff_t(j));
  if (i + 1 < b.size() && b[i + 1].Top < Bottom) {
    edge = std::max(edge, b[i + 1].Edge);
    b[i + 1].Top = Bottom;
  }
  b[i].Edge = edge;
}

void TBlockSide::CopyShifted(const TBlockSide& Source, float DX, float DY) {
  Clear();
  for (const TBlockSideRec& r : Source.Bands) {
    const float e = r.Edge - DX, bottom = r.Bottom - DY;
    if (e > 0 && bottom > 0) Bands.push_back({std::max(0.0f, r.Top - DY), bottom, e, r.Element});
  }
}

void TBlockSide::Clear() {
  Bands.clear();
  LastTop = 0;
}

float TBlockSide::LowestBottom() const { return Bands.empty() ? 0 : Bands.back().Bottom; }

float TBlockSide::EdgeAt(float Y1, float Y2) const {
  float result = 0;
  for (const TBlockSideRec& r : Bands)
    if ((r.Top >= Y1 && r.Top < Y2 - 1) || (Y1 >= r.Top && Y1 < r.Bottom - 1)) result = std::max(result, r.Edge);
  return result;
}

void TBlockSide::WidestBand(float& Edge, float& Bottom) const {
  Edge = 0;
  Bottom = 0;
  for (const TBlockSideRec& r : Bands)
    if (r.Edge >= Edge) {
      Edge = r.Edge;
      Bottom = r.Bottom;
    }
}

float TBlockSide::FindFit(float W, float Y, float H, float Avail, const TStyledHTMLNode* Element,
                          float& Indent) const {
  Indent = 0;
  float y = Y;
  if (Bands.empty() || y >= LowestBottom()) return y;
  if (W >= Avail) return std::max(y, LowestBottom());
  size_t i = 0;
  for (; i < Bands.size() && Bands[i].Bottom <= y; ++i)
    if (Element && Bands[i].Element == Element) return y;
  for (; i < Bands.size(); ++i) {
    const TBlockSideRec& r = Bands[i];
    if (Element && r.Element == Element) return y;
    if (r.Top > y + H || (r.Top == y + H && H > 0)) {
      Indent = 0;
      return y;
    }
    if (y + H >= r.Bottom && Avail - W >= r.Edge) {
      Indent = r.Edge;
      return y;
    }
    Indent = EdgeAt(y, y + H);
    if (Avail - W >= Indent) return y;
    y = r.Bottom;
  }
  Indent = 0;
  return y;
}

// --- TBlockFloats ----------------------------------------------------------------

TBlockFloats::TBlockFloats(TStyledHTMLNode* AOwner)
    : Left(std::make_unique<TBlockSide>()), Right(std::make_unique<TBlockSide>()), Owner(AOwner) {}

TBlockFloats::~TBlockFloats() = default;

void TBlockFloats::Reset() {
  Left->Clear();
  Right->Clear();
  Width = std::nearbyint(Owner->InnerWidth);  // the default rounding: halves to even
}

namespace {

// The container whose map receives bands passed up from Owner's map, or
// null when the owner keeps its floats to itself.
TStyledHTMLNode* passTarget(const TStyledHTMLNode* Owner) {
  if (!Owner->Parent() || Owner->OwnFloatContext()) return nullptr;
  TStyledHTMLNode* c = Owner->Container;
  return c == Owner ? nullptr : c;
}

}  // namespace

void TBlockFloats::passUp(float Top, float Bottom, float LeftEdge, float RightEdge, TStyledHTMLNode* Element) {
  TStyledHTMLNode* c = passTarget(Owner);
  if (!c) return;
  const TRectF ir = Owner->InnerRect();
  c->FloatMap()->AddBands(Top + ir.Top, Bottom + ir.Top, LeftEdge > 0 ? LeftEdge + ir.Left : 0,
                          RightEdge > 0 ? RightEdge + c->InnerWidth - ir.Right : 0, Element);
}

void TBlockFloats::AddFloat(TStyledHTMLNode* Float, bool ApplyRelative) {
  if (!Float) return;
  TRectF r = Float->OuterRect;
  if (r.Bottom - r.Top == 0 || r.Right - r.Left == 0) return;
  const IElementStyleFacts* st = Float->Style();
  if (!st) return;
  if (ApplyRelative && st->Position() == epRelative && Float->Container) {
    float dx = 0, dy = 0;
    TMeasure m;
    if (st->DeclaredMeasure(u"left", m) && !m.GetAuto()) {
      m.Parent = &Float->Container->InnerWidth;
      dx = m.ToPixels();
    }
    if (st->DeclaredMeasure(u"top", m) && !m.GetAuto()) {
      m.Parent = &Float->Container->InnerHeight;
      dy = m.ToPixels();
    }
    r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
  }
  float leftEdge = 0, rightEdge = 0;
  switch (st->Float()) {
    case fLeft:
      leftEdge = r.Right;
      Left->AddBand(r.Top, r.Bottom, leftEdge, Float);
      break;
    case fRight:
      rightEdge = Owner->InnerWidth - r.Left;
      Right->AddBand(r.Top, r.Bottom, rightEdge, Float);
      break;
    default:
      return;
  }
  passUp(r.Top, r.Bottom, leftEdge, rightEdge, Float);
}

void TBlockFloats::AddBands(float Top, float Bottom, float LeftEdge, float RightEdge, TStyledHTMLNode* Element) {
  if (LeftEdge > 0) Left->AddBand(Top, Bottom, LeftEdge, Element);
  if (RightEdge > 0) Right->AddBand(Top, Bottom, RightEdge, Element);
  if (LeftEdge > 0 || RightEdge > 0) passUp(Top, Bottom, LeftEdge, RightEdge, Element);
}

void TBlockFloats::CopyContainerFloats() {
  if (Owner->OwnFloatContext()) return;
  TStyledHTMLNode* c = Owner->Container;
  if (!c || c == Owner || !c->FloatMapIfAny()) return;
  const TBlockFloats* cm = c->FloatMapIfAny();
  const TRectF ir = Owner->InnerRect();
  Left->CopyShifted(*cm->Left, Owner->OuterRect.Left + Owner->LeftDelta(), Owner->OuterRect.Top + Owner->TopDelta());
  Right->CopyShifted(*cm->Right, c->InnerWidth - ir.Right, ir.Top);
}

float TBlockFloats::FindLinePosition(float W, float Y, float H, const TStyledHTMLNode* Element, float& LeftIndent,
                                     float& RightIndent, bool ClearLeft, bool ClearRight) {
  LeftIndent = 0;
  RightIndent = 0;
  Width = Owner->InnerWidth;
  if (!HasBands()) return Y;
  float y = Y;
  const bool tooWide = W > Width;
  auto clearLeftSide = [&] {
    if ((ClearLeft || tooWide) && Left->EdgeAt(y, y + H) != 0) y = std::max(y, Left->LowestBottom());
  };
  clearLeftSide();
  if ((ClearRight || tooWide) && Right->EdgeAt(y, y + H) != 0) {
    y = std::max(y, Right->LowestBottom());
    clearLeftSide();
  }
  if (tooWide || (ClearLeft && ClearRight) || (y >= Left->LowestBottom() && y >= Right->LowestBottom())) return y;
  if (ClearLeft || Left->Bands.empty() || y >= Left->LowestBottom())
    return Right->FindFit(W, y, H, Width, Element, RightIndent);
  if (ClearRight || Right->Bands.empty() || y >= Right->LowestBottom())
    return Left->FindFit(W, y, H, Width, Element, LeftIndent);
  // Floats on both sides: step down a pixel at a time, within bounds.
  for (;;) {
    LeftIndent = Left->EdgeAt(y, y + H);
    RightIndent = Right->EdgeAt(y, y + H);
    if (Width >= LeftIndent + RightIndent + W) return y;
    y += 1;
    if (y - Y > 3000) return y;
  }
}

float TBlockFloats::AvailableWidth(float Y, float H, float& LeftIndent, float& RightIndent) {
  LeftIndent = 0;
  RightIndent = 0;
  Width = Owner->InnerWidth;
  if (!HasBands() || (Y >= Left->LowestBottom() && Y >= Right->LowestBottom())) return Width;
  LeftIndent = Left->EdgeAt(Y, Y + H);
  RightIndent = Right->EdgeAt(Y, Y + H);
  return std::max(0.0f, Width - LeftIndent - RightIndent);
}

}  // namespace ht
