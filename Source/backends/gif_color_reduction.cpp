#include "backends/gif_color_reduction.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace ht {

// ---------------------------------------------------------------------------
// Bitmap access

namespace {

// Bytes blue, green, red of a colour stored in a four-byte pixel (red in the
// lowest byte, as the codec's colour values are).
inline void colorValueToBGR(const uint8_t* in, uint8_t* out) {
  out[0] = in[2];
  out[1] = in[1];
  out[2] = in[0];
}

inline void paletteToBGR(const TGIFPalette& palette, uint32_t index, uint8_t* out) {
  if (index < palette.size()) {
    out[0] = palette[index].Blue;
    out[1] = palette[index].Green;
    out[2] = palette[index].Red;
  } else {
    out[0] = out[1] = out[2] = 0;
  }
}

// Every pixel translated to blue, green, red bytes. The formats without a
// packed layout keep four bytes per pixel: gpf1bit holds its bits packed at
// the start of each row, gpf4bit a palette index in the first byte, the
// others a colour value.
void convertTo24(TGifBitmap& bitmap) {
  const THtGIFPixelFormat from = bitmap.PixelFormat();
  if (from == gpf24bit) return;
  const std::vector<uint8_t> old = bitmap.Data();
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  const size_t oldRow = size_t(w) * size_t(bitmap.PixelSize());
  const TGIFPalette& palette = bitmap.Palette();
  bitmap.SetPixelFormat(gpf24bit);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = old.data() + size_t(y) * oldRow;
    uint8_t* out = bitmap.ScanLine(y);
    for (int32_t x = 0; x < w; ++x, out += 3) {
      switch (from) {
        case gpf8bit: paletteToBGR(palette, in[x], out); break;
        case gpf1bit: paletteToBGR(palette, (in[x >> 3] >> (7 - (x & 7))) & 1, out); break;
        case gpf4bit: paletteToBGR(palette, in[size_t(x) * 4], out); break;
        case gpf16bit: {
          const uint32_t v = uint32_t(in[size_t(x) * 2] | in[size_t(x) * 2 + 1] << 8);
          out[0] = uint8_t((v & 31) * 8 + ((v >> 2) & 7));
          out[1] = uint8_t(((v >> 5) & 31) * 8 + ((v >> 7) & 7));
          out[2] = uint8_t(((v >> 10) & 31) * 8 + ((v >> 12) & 7));
          break;
        }
        default: colorValueToBGR(in + size_t(x) * 4, out); break;
      }
    }
  }
}

}  // namespace

TDIBReader::TDIBReader(TGifBitmap& Bitmap, THtGIFPixelFormat PixelFormat) : TDIB(Bitmap, PixelFormat) {
  if (PixelFormat == gpf24bit)
    convertTo24(Bitmap);
  else
    Bitmap.SetPixelFormat(PixelFormat);
}

TDIBWriter::TDIBWriter(TGifBitmap& Bitmap, THtGIFPixelFormat PixelFormat, int32_t Width, int32_t Height,
                       const TGIFPalette& Palette)
    : TDIB(Bitmap, PixelFormat), FPalette(Palette), FHeight(Height), FWidth(Width) {
  if (PixelFormat != gpf8bit && PixelFormat != gpf24bit) throw EHtGIFException(u"Unsupported PixelFormat");
  if (Width <= 0 || Height <= 0) throw EHtGIFException(u"Invalid image dimensions");
  CheckGifPixelBudget(Width, Height);
  Bitmap.SetHeight(0);
  Bitmap.SetPixelFormat(PixelFormat);
  Bitmap.SetWidth(Width);
  Bitmap.SetHeight(Height);
  Bitmap.SetPalette(FPalette);
}

// ---------------------------------------------------------------------------
// Lookup and dithering

TFastColorLookup::TFastColorLookup(const TGIFPalette& Palette)
    : FPaletteEntries(std::make_unique<std::array<TGIFColor, 256>>()),
      FInverseLookup(std::make_unique<std::array<int16_t, 65536>>()) {
  FColors = int32_t(std::min<size_t>(Palette.size(), 256));
  std::copy_n(Palette.begin(), FColors, FPaletteEntries->begin());
  FInverseLookup->fill(-1);
  FRed.fill(1000);
  FGreen.fill(1000);
  FBlue.fill(1000);
  for (int32_t i = 0; i < FColors; ++i) {
    const TGIFColor& c = (*FPaletteEntries)[size_t(i)];
    FRed[size_t(i)] = c.Red;
    FGreen[size_t(i)] = c.Green;
    FBlue[size_t(i)] = c.Blue;
    const uint16_t key = Key(uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue);
    if ((*FInverseLookup)[key] < 0) (*FInverseLookup)[key] = int16_t(i);
  }
}

int32_t TFastColorLookup::Find(uint32_t Color) {
  const int32_t r = int32_t((Color >> 16) & 0xFF), g = int32_t((Color >> 8) & 0xFF), b = int32_t(Color & 0xFF);
  // The smallest distance first, then the first entry at it: the lower
  // index wins a tie.
  // Always all 256 slots (unused ones lie far outside the colour cube), so
  // the loop has a fixed length the compiler turns into vector code.
  int32_t distance[256];
  int32_t best = 0x30000;
  for (size_t i = 0; i < 256; ++i) {
    const int32_t dr = r - FRed[i], dg = g - FGreen[i], db = b - FBlue[i];
    distance[i] = dr * dr + dg * dg + db * db;
  }
  for (size_t i = 0; i < 256; ++i) best = std::min(best, distance[i]);
  int32_t index = 0;
  while (index < FColors && distance[index] != best) ++index;
  if (index >= FColors) index = 0;
  (*FInverseLookup)[Key(Color)] = int16_t(index);
  return index;
}

TDitherEngine::TDitherEngine(int32_t Width, TFastColorLookup& Lookup) : FLookup(&Lookup), FWidth(Width) {
  for (int32_t i = -255; i <= 255; ++i) ErrorLimit(i) = i;
}

void TDitherEngine::Reset() {
  FDirection = 1;
  FColumn = 0;
}

int32_t TDitherEngine::Dither(uint32_t Color, uint8_t* Res) {
  const int32_t index = FLookup->Lookup(Color, Res);
  FColumn += FDirection;
  return index;
}

void TDitherEngine::NextLine() {
  FDirection = -FDirection;
  // The new direction is the opposite of the finished line's.
  FColumn = FDirection > 0 ? 0 : FWidth - 1;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int32_t Width, TFastColorLookup& Lookup)
    : TDitherEngine(Width, Lookup) {
  // Small errors pass, medium ones are halved, large ones are capped so a
  // flat area next to a strong edge does not streak.
  for (int32_t e = 0; e <= 255; ++e) {
    const int32_t v = e < 16 ? e : e < 48 ? 16 + (e - 16) / 2 : 32;
    ErrorLimit(e) = v;
    ErrorLimit(-e) = -v;
  }
  const size_t n = size_t(std::max(Width, 0)) + 2;
  ErrorsR.assign(n, 0);
  ErrorsG.assign(n, 0);
  ErrorsB.assign(n, 0);
  Reset();
}

void TFloydSteinbergDitherer::Reset() {
  TDitherEngine::Reset();
  std::fill(ErrorsR.begin(), ErrorsR.end(), 0);
  std::fill(ErrorsG.begin(), ErrorsG.end(), 0);
  std::fill(ErrorsB.begin(), ErrorsB.end(), 0);
  ErrorR = ErrorsR.data();
  ErrorG = ErrorsG.data();
  ErrorB = ErrorsB.data();
  CurrentErrorR = CurrentErrorG = CurrentErrorB = 0;
  BelowErrorR = BelowErrorG = BelowErrorB = 0;
  BelowPrevErrorR = BelowPrevErrorG = BelowPrevErrorB = 0;
}

int32_t TFloydSteinbergDitherer::Dither(uint32_t Color, uint8_t* Res) {
  auto corrected = [this](int32_t channel, int32_t& current, const int32_t* rowError) {
    const int32_t v = std::clamp((current + *rowError + 8) / 16, -255, 255);
    const int32_t value = std::clamp(channel + ErrorLimit(v), 0, 255);
    current = value;
    return value;
  };
  const int32_t r = corrected(int32_t((Color >> 16) & 0xFF), CurrentErrorR, ErrorR);
  const int32_t g = corrected(int32_t((Color >> 8) & 0xFF), CurrentErrorG, ErrorG);
  const int32_t b = corrected(int32_t(Color & 0xFF), CurrentErrorB, ErrorB);
  const int32_t index = FLookup->Lookup(uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b), Res);
  FColumn += FDirection;
  auto spread = [](int32_t err, int32_t& current, int32_t* rowError, int32_t& below, int32_t& belowPrev) {
    if (err != 0) {
      *rowError = belowPrev + 3 * err;
      belowPrev = below + 5 * err;
      below = err;
      current = 7 * err;
    } else {
      current = 0;
    }
  };
  spread(r - Res[2], CurrentErrorR, ErrorR, BelowErrorR, BelowPrevErrorR);
  spread(g - Res[1], CurrentErrorG, ErrorG, BelowErrorG, BelowPrevErrorG);
  spread(b - Res[0], CurrentErrorB, ErrorB, BelowErrorB, BelowPrevErrorB);
  ErrorR += FDirection;
  ErrorG += FDirection;
  ErrorB += FDirection;
  return index;
}

void TFloydSteinbergDitherer::NextLine() {
  *ErrorR = BelowPrevErrorR;
  *ErrorG = BelowPrevErrorG;
  *ErrorB = BelowPrevErrorB;
  CurrentErrorR = CurrentErrorG = CurrentErrorB = 0;
  BelowErrorR = BelowErrorG = BelowErrorB = 0;
  BelowPrevErrorR = BelowPrevErrorG = BelowPrevErrorB = 0;
  TDitherEngine::NextLine();
  const size_t start = FDirection > 0 ? 0 : size_t(FWidth) + 1;
  ErrorR = ErrorsR.data() + start;
  ErrorG = ErrorsG.data() + start;
  ErrorB = ErrorsB.data() + start;
}

// ---------------------------------------------------------------------------
// Octree quantiser

TOctreeNode::TOctreeNode(int32_t Level, int32_t ColorBits, int32_t& LeafCount, TReducibleNodes& ReducibleNodes) {
  IsLeaf = Level == ColorBits;
  if (IsLeaf) {
    ++LeafCount;
  } else {
    Next = ReducibleNodes[size_t(Level)];
    ReducibleNodes[size_t(Level)] = this;
  }
}

namespace {

void GetPaletteColors(const TOctreeNode* Node, std::array<std::array<uint8_t, 4>, 256>& quads, int32_t& index) {
  if (Node->IsLeaf) {
    if (index >= 256) return;
    auto avg = [Node](int64_t sum) { return Node->PixelCount ? uint8_t(sum / Node->PixelCount) : uint8_t(0); };
    quads[size_t(index++)] = {avg(Node->BlueSum), avg(Node->GreenSum), avg(Node->RedSum), 0};
    return;
  }
  for (const TOctreeNode* child : Node->Child)
    if (child) GetPaletteColors(child, quads, index);
}

}  // namespace

TColorQuantizer::TColorQuantizer(int32_t MaxColors, int32_t ColorBits)
    : FMaxColors(std::clamp(MaxColors, 1, 256)), FColorBits(std::clamp(ColorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() { DeleteTree(FTree); }

TOctreeNode* TColorQuantizer::NewNode(int32_t Level) {
  if (FFreeNodes.empty()) {
    constexpr size_t kBlock = 256;
    FBlocks.push_back(std::make_unique<TOctreeNode[]>(kBlock));
    for (size_t i = kBlock; i-- > 0;) FFreeNodes.push_back(&FBlocks.back()[i]);
  }
  TOctreeNode* node = FFreeNodes.back();
  FFreeNodes.pop_back();
  const uint32_t stamp = node->Stamp;
  new (node) TOctreeNode(Level, FColorBits, FLeafCount, FReducibleNodes);  // a recycled slot
  node->Stamp = stamp;
  return node;
}

void TColorQuantizer::DeleteTree(TOctreeNode*& Node) {
  if (!Node) return;
  for (int32_t i = 7; i >= 0; --i) DeleteTree(Node->Child[size_t(i)]);
  ++Node->Stamp;
  FFreeNodes.push_back(Node);
  Node = nullptr;
}

TOctreeNode* TColorQuantizer::AddColor(TOctreeNode*& Node, uint8_t Red, uint8_t Green, uint8_t Blue, int32_t Level) {
  TOctreeNode** slot = &Node;
  for (;;) {
    if (!*slot) *slot = NewNode(Level);
    TOctreeNode* n = *slot;
    if (n->IsLeaf) {
      ++n->PixelCount;
      n->RedSum += Red;
      n->GreenSum += Green;
      n->BlueSum += Blue;
      return n;
    }
    const int32_t shift = 7 - Level;
    const uint8_t mask = uint8_t(0x80 >> Level);
    const int32_t index = ((Red & mask) >> shift) << 2 | ((Green & mask) >> shift) << 1 | ((Blue & mask) >> shift);
    slot = &n->Child[size_t(index)];
    ++Level;
  }
}

void TColorQuantizer::ReduceTree() {
  int32_t level = FColorBits - 1;
  while (level > 0 && !FReducibleNodes[size_t(level)]) --level;
  TOctreeNode* node = FReducibleNodes[size_t(level)];
  if (!node) return;
  FReducibleNodes[size_t(level)] = node->Next;
  int64_t red = 0, green = 0, blue = 0;
  int32_t children = 0;
  for (TOctreeNode*& child : node->Child) {
    if (!child) continue;
    red += child->RedSum;
    green += child->GreenSum;
    blue += child->BlueSum;
    node->PixelCount += child->PixelCount;
    ++children;
    DeleteTree(child);
  }
  node->IsLeaf = true;
  node->RedSum = red;
  node->GreenSum = green;
  node->BlueSum = blue;
  FLeafCount -= children - 1;
}

int32_t TColorQuantizer::GetColorTable(std::array<std::array<uint8_t, 4>, 256>& RGBQuads) const {
  int32_t index = 0;
  if (FTree) GetPaletteColors(FTree, RGBQuads, index);
  return index;
}

bool TDIBQuantizer::ProcessPixels(const TGifBitmap& bitmap) {
  if (!FTree) FTree = NewNode(0);
  // The common depth gets its shifts as constants.
  if (FColorBits == 6)
    processRows<6>(bitmap);
  else
    processRows<0>(bitmap);
  return true;
}

template <int32_t FixedBits>
void TDIBQuantizer::processRows(const TGifBitmap& bitmap) {
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  const int32_t bits = FixedBits ? FixedBits : FColorBits, drop = 8 - bits;
  // A colour's path depends only on its top ColorBits bits per channel,
  // and a leaf stays the end of its paths until it is merged away (freed):
  // so the leaf is remembered with its stamp instead of walked to again.
  struct TPathCache {
    uint32_t Path = UINT32_MAX;
    uint32_t Stamp = 0;
    TOctreeNode* Leaf = nullptr;
  };
  constexpr uint32_t kCacheBits = 13;
  std::vector<TPathCache> cache(size_t(1) << kCacheBits);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* p = bitmap.ScanLine(y);
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const uint32_t path = uint32_t(p[2] >> drop) << (2 * bits) | uint32_t(p[1] >> drop) << bits | uint32_t(p[0] >> drop);
      TPathCache& c = cache[(path * 2654435761u) >> (32 - kCacheBits)];
      if (c.Path == path && c.Leaf->Stamp == c.Stamp) {
        TOctreeNode* leaf = c.Leaf;
        ++leaf->PixelCount;
        leaf->RedSum += p[2];
        leaf->GreenSum += p[1];
        leaf->BlueSum += p[0];
        continue;
      }
      TOctreeNode* leaf = AddColor(FTree, p[2], p[1], p[0], 0);
      c = TPathCache{path, leaf->Stamp, leaf};
      while (FLeafCount > FMaxColors) ReduceTree();
    }
  }
}

namespace {

TGIFPalette optimizedPalette(const TGifBitmap& Bitmap, int32_t MaxColors, int32_t ColorBits) {
  TDIBQuantizer quantizer(MaxColors, ColorBits);
  quantizer.ProcessPixels(Bitmap);
  std::array<std::array<uint8_t, 4>, 256> quads{};
  const int32_t n = std::min(quantizer.GetColorTable(quads), std::clamp(MaxColors, 1, 256));
  // Only the leaves carry colours: a palette padded to MaxColors would hand
  // the ditherer black entries no pixel had.
  TGIFPalette palette(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const auto& q = quads[size_t(i)];
    palette[size_t(i)] = TGIFColor{q[2], q[1], q[0]};
  }
  return palette;
}

}  // namespace

TGIFPalette CreateOptimizedPalette(const TDIBReader& Reader, int32_t MaxColors, int32_t ColorBits) {
  return optimizedPalette(Reader.Bitmap(), MaxColors, ColorBits);
}

std::unique_ptr<TGifBitmap> ReduceColors(const TGifBitmap& Bitmap, TColorReduction ColorReduction,
                                         TDitherMode DitherMode, int32_t ReductionBits,
                                         const TGIFPalette* Palette) {
  auto result = std::make_unique<TGifBitmap>();
  // The source stays as it was: another format is converted in a copy, and
  // the ditherer writes the chosen colours back into a copy of the rows.
  TGifBitmap work;
  const TGifBitmap* pixels = &Bitmap;
  if (Bitmap.PixelFormat() != gpf24bit || ColorReduction == rmNone ||
      (ColorReduction != rmNone && DitherMode == dmFloydSteinberg)) {
    work.Assign(&Bitmap);
    TDIBReader reader(work, gpf24bit);
    pixels = &work;
  }
  if (ColorReduction == rmNone) {
    result->Assign(&work);
    return result;
  }
  TGIFPalette palette;
  if (ColorReduction == rmQuantize)
    palette = optimizedPalette(*pixels, 1 << std::clamp(ReductionBits, 1, 8), 6);
  else
    palette = Palette ? *Palette : Bitmap.Palette();
  TFastColorLookup lookup(palette);
  if (lookup.Colors() == 0) return result;

  const int32_t w = pixels->Width(), h = pixels->Height();
  TDIBWriter writer(*result, gpf8bit, w, h, TGIFPalette(palette.begin(), palette.begin() + lookup.Colors()));
  if (DitherMode != dmFloydSteinberg) {
    // Each pixel on its own: the row direction changes nothing.
    for (int32_t y = 0; y < h; ++y) lookup.LookupRow(pixels->ScanLine(y), result->ScanLine(y), w);
    return result;
  }
  TFloydSteinbergDitherer engine(w, lookup);
  engine.Reset();
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* src = work.ScanLine(y);
    uint8_t* dst = result->ScanLine(y);
    const int32_t dir = engine.Direction();
    for (int32_t x = engine.Column(); x >= 0 && x < w; x += dir) {
      uint8_t* p = src + size_t(x) * 3;
      dst[x] = uint8_t(engine.Dither(uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0], p));
    }
    engine.NextLine();
  }
  return result;
}

// ---------------------------------------------------------------------------
// Colour-table optimisation

THistogram::THistogram(TGIFColorTable& ColorTable) : FCount(ColorTable.Count()), FColorTable(&ColorTable) {
  PHistogram.resize(size_t(FCount));
  for (int32_t i = 0; i < FCount; ++i) {
    TOptimizeEntry& e = PHistogram[size_t(i)];
    e.OldIndex = i;
    e.Color = ColorTable.GetColor(i);
    FList.push_back(&e);
  }
}

bool THistogram::ProcessFrame(THtGIFFrame& Frame) {
  if (Frame.Empty()) return false;
  FImages.push_back(&Frame);
  const bool transparent = Frame.Transparent();
  const int32_t t = transparent ? Frame.GraphicControlExtension()->TransparentColorIndex() : -1;
  bool seen = false;
  bool changed = false;
  for (uint8_t& p : Frame.Data()) {
    if (p == t) {
      seen = true;
      continue;
    }
    if (p >= FCount) {
      p = 0;
      changed = true;
    }
    TOptimizeEntry& e = PHistogram[p];
    if (e.Count == INT32_MAX) break;
    ++e.Count;
  }
  if (changed) Frame.FreeBitmap();
  if (transparent && !seen) {
    Frame.GraphicControlExtension()->SetTransparent(false);
    Frame.GraphicControlExtension()->SetTransparentColorIndex(0);
  }
  return seen;
}

namespace {
bool CompareCounts(const TOptimizeEntry* a, const TOptimizeEntry* b) { return a->Count > b->Count; }
bool CompareColors(const TOptimizeEntry* a, const TOptimizeEntry* b) { return a->Color > b->Color; }
}  // namespace

int32_t THistogram::Prune() {
  std::stable_sort(FList.begin(), FList.end(), CompareCounts);
  for (size_t i = 0; i < FList.size(); ++i) {
    if (FList[i]->Count != 0) continue;
    for (size_t j = i; j < FList.size(); ++j) FList[j]->Count = -1;
    FList.resize(i);
    break;
  }
  FCount = int32_t(FList.size());
  return FCount;
}

void THistogram::MapImages(bool UseTransparency, uint8_t NewTransparentColorIndex) {
  uint8_t map[256] = {};
  for (const TOptimizeEntry* e : FList) map[e->OldIndex] = uint8_t(e->NewIndex);
  for (THtGIFFrame* frame : FImages) {
    int32_t oldT = -1;
    if (frame->Transparent() && UseTransparency) {
      TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
      oldT = gce->TransparentColorIndex();
      gce->SetTransparentColorIndex(NewTransparentColorIndex);
    }
    for (uint8_t& p : frame->Data()) p = p == oldT ? NewTransparentColorIndex : map[p];
    frame->FreeBitmap();
  }
}

void TColorTableOptimizer::ProcessImage() {
  FUseTransparency = false;
  TGIFImageList& frames = FImage->Frames();
  if (FImage->GlobalColorTable().Count() > 0) {
    auto histogram = std::make_unique<THistogram>(FImage->GlobalColorTable());
    for (int32_t i = 0; i < frames.Count(); ++i) {
      THtGIFFrame* frame = frames.Frames(i);
      if (frame->Empty() || frame->ColorTable().Count() > 0) continue;
      if (histogram->ProcessFrame(*frame)) FUseTransparency = true;
    }
    if (histogram->FrameCount() > 0) FHistogramList.push_back(std::move(histogram));
  }
  for (int32_t i = 0; i < frames.Count(); ++i) {
    THtGIFFrame* frame = frames.Frames(i);
    if (frame->Empty() || frame->ColorTable().Count() == 0) continue;
    auto histogram = std::make_unique<THistogram>(frame->ColorTable());
    if (histogram->ProcessFrame(*frame)) FUseTransparency = true;
    FHistogramList.push_back(std::move(histogram));
  }
}

void TColorTableOptimizer::MergeColors() {
  std::stable_sort(FHistogram.begin(), FHistogram.end(), CompareColors);
  TOptimizeEntry* head = FHistogram.front();
  for (size_t i = 1; i < FHistogram.size(); ++i) {
    TOptimizeEntry* e = FHistogram[i];
    if (e->Color == head->Color) {
      head->Count = int32_t(std::min<int64_t>(int64_t(head->Count) + e->Count, INT32_MAX));
      e->Count = 0;
      e->Merged = head;
    } else {
      head = e;
    }
  }
}

void TColorTableOptimizer::CreateColorTable() {
  std::stable_sort(FHistogram.begin(), FHistogram.end(), CompareCounts);
  const int32_t limit = FUseTransparency ? 255 : 256;
  FFinalCount = 0;
  while (FFinalCount < int32_t(FHistogram.size()) && FFinalCount < limit && FHistogram[size_t(FFinalCount)]->Count != 0)
    ++FFinalCount;
  FColorTable.assign(256, TGIFColor{});
  for (int32_t i = 0; i < FFinalCount; ++i) {
    FHistogram[size_t(i)]->NewIndex = i;
    FColorTable[size_t(i)] = GifColorOf(FHistogram[size_t(i)]->Color);
  }
  for (size_t i = size_t(FFinalCount); i < FHistogram.size(); ++i) {
    TOptimizeEntry* e = FHistogram[i];
    if (e->Count == 0) continue;
    const TGIFColor c = GifColorOf(e->Color);
    int32_t best = 195075, bestIndex = 0;
    for (int32_t k = 0; k < FFinalCount; ++k) {
      const TGIFColor& kc = FColorTable[size_t(k)];
      const int32_t dr = c.Red - kc.Red, dg = c.Green - kc.Green, db = c.Blue - kc.Blue;
      const int32_t d = dr * dr + dg * dg + db * db;
      if (d < best) {
        best = d;
        bestIndex = k;
      }
    }
    e->NewIndex = bestIndex;
  }
  // Merged entries follow their head, which always has a count.
  for (TOptimizeEntry* e : FHistogram)
    if (e->Count == 0 && e->Merged) e->NewIndex = e->Merged->NewIndex;
  if (FUseTransparency) {
    FNewTransparentColorIndex = uint8_t(FFinalCount);
    FColorTable[size_t(FFinalCount)] = TGIFColor{};
    ++FFinalCount;
  }
}

void TColorTableOptimizer::ApplyColorTable() {
  TGIFImageList& frames = FImage->Frames();
  for (int32_t i = 0; i < frames.Count(); ++i) frames.Frames(i)->ColorTable().Clear();
  // Only the colours in use: padding to 256 entries would make every frame
  // 8 bits deep whatever it holds.
  FImage->GlobalColorTable().ImportPalette(TGIFPalette(FColorTable.begin(), FColorTable.begin() + FFinalCount));
  FImage->GlobalColorTable().Optimized = true;
}

void TColorTableOptimizer::Optimize() {
  ProcessImage();
  for (auto& histogram : FHistogramList) {
    histogram->Prune();
    FHistogram.insert(FHistogram.end(), histogram->List().begin(), histogram->List().end());
  }
  // Nothing counted: the image has no pixels to remap.
  if (FHistogram.empty()) return;
  MergeColors();
  CreateColorTable();
  ApplyColorTable();
  for (auto& histogram : FHistogramList) histogram->MapImages(FUseTransparency, FNewTransparentColorIndex);
  TGIFImageList& frames = FImage->Frames();
  for (int32_t i = 0; i < frames.Count(); ++i) {
    frames.Frames(i)->FreeBitmap();
    frames.Frames(i)->DropPalette();
  }
  FImage->FreeBitmap();
  FImage->DropPalette();
}

void THtGifImage::OptimizeColorTable() {
  TColorTableOptimizer optimizer(*this);
  optimizer.Optimize();
}

}  // namespace ht
