#pragma once
// Colour reduction for the GIF codec: an octree quantiser builds a palette
// for a true-colour bitmap, and a ditherer maps its pixels to that palette
// (nearest colour, or serpentine Floyd-Steinberg error diffusion) through a
// cache keyed by the colour's 5-6-5 bits. Also the colour-table optimiser
// that gives a whole image one global table of its most used colours.
//
// Colour values in this file are 0x00RRGGBB; 24-bit rows hold blue, green,
// red per pixel.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "backends/gif_image.h"

namespace ht {

// Row access to a bitmap in one pixel format.
class TDIB {
 public:
  TDIB(TGifBitmap& Bitmap, THtGIFPixelFormat PixelFormat) : FBitmap(&Bitmap), FPixelFormat(PixelFormat) {}
  TGifBitmap& Bitmap() const { return *FBitmap; }
  THtGIFPixelFormat PixelFormat() const { return FPixelFormat; }
  uint8_t* ScanLine(int32_t Row) const { return FBitmap->ScanLine(Row); }

 protected:
  TGifBitmap* FBitmap;  // not owned
  THtGIFPixelFormat FPixelFormat;
};

// Converts the bitmap to PixelFormat in place. Conversion to gpf24bit
// translates every pixel (palette formats through the palette, 16 bits as
// 5-5-5, four-byte formats as colour values); other targets only resize.
class TDIBReader : public TDIB {
 public:
  TDIBReader(TGifBitmap& Bitmap, THtGIFPixelFormat PixelFormat);
};

// Sizes and formats a result bitmap: gpf8bit or gpf24bit only ("Unsupported
// PixelFormat"), never 0 wide or high ("Invalid image dimensions").
class TDIBWriter : public TDIB {
 public:
  TDIBWriter(TGifBitmap& Bitmap, THtGIFPixelFormat PixelFormat, int32_t Width, int32_t Height,
             const TGIFPalette& Palette);

 private:
  TGIFPalette FPalette;
  int32_t FHeight, FWidth;
};

// Nearest palette colour per 5-6-5 key, found once and cached: every colour
// of one key shares the answer found for the first colour that asked.
class TFastColorLookup {
 public:
  explicit TFastColorLookup(const TGIFPalette& Palette);
  // Res receives the chosen colour as blue, green, red.
  int32_t Lookup(uint32_t Color, uint8_t* Res) {
    int32_t index = (*FInverseLookup)[Key(Color)];
    if (index < 0) index = Find(Color);
    const TGIFColor& c = (*FPaletteEntries)[size_t(index)];
    Res[0] = c.Blue;
    Res[1] = c.Green;
    Res[2] = c.Red;
    return index;
  }
  // The indices of Count blue, green, red pixels (the same answers as
  // Lookup, without the chosen colours).
  void LookupRow(const uint8_t* Pixels, uint8_t* Indices, int32_t Count) {
    const int16_t* inverse = FInverseLookup->data();
    for (int32_t x = 0; x < Count; ++x, Pixels += 3) {
      const uint32_t color = uint32_t(Pixels[2]) << 16 | uint32_t(Pixels[1]) << 8 | Pixels[0];
      const int32_t index = inverse[Key(color)];
      Indices[x] = uint8_t(index >= 0 ? index : Find(color));
    }
  }
  int32_t Colors() const { return FColors; }
  static uint16_t Key(uint32_t Color) {
    return uint16_t(((Color >> 19) & 0x1F) | (((Color >> 10) & 0x3F) << 5) | (((Color >> 3) & 0x1F) << 11));
  }

 private:
  // The nearest entry by squared distance (ties to the lower index), cached
  // under the colour's key.
  int32_t Find(uint32_t Color);

  int32_t FColors = 0;
  std::unique_ptr<std::array<TGIFColor, 256>> FPaletteEntries;
  std::unique_ptr<std::array<int16_t, 65536>> FInverseLookup;  // -1: not yet known
  // The entries' channels side by side, for a search the compiler vectorises.
  alignas(64) std::array<int32_t, 256> FRed{}, FGreen{}, FBlue{};
};

// Maps pixels to the nearest colour, walking rows in alternate directions.
class TDitherEngine {
 public:
  TDitherEngine(int32_t Width, TFastColorLookup& Lookup);
  virtual ~TDitherEngine() = default;
  virtual void Reset();
  virtual int32_t Dither(uint32_t Color, uint8_t* Res);
  virtual void NextLine();
  int32_t Direction() const { return FDirection; }
  int32_t Column() const { return FColumn; }

 protected:
  int32_t& ErrorLimit(int32_t Error) { return FErrorLimit[size_t(Error + 255)]; }

  int32_t FDirection = 1;
  int32_t FColumn = 0;
  TFastColorLookup* FLookup;  // not owned
  int32_t FWidth;
  std::array<int32_t, 511> FErrorLimit;  // indexed -255 .. 255
};

// Serpentine Floyd-Steinberg error diffusion with damped large errors.
class TFloydSteinbergDitherer : public TDitherEngine {
 public:
  TFloydSteinbergDitherer(int32_t Width, TFastColorLookup& Lookup);
  void Reset() override;
  int32_t Dither(uint32_t Color, uint8_t* Res) override;
  void NextLine() override;

 private:
  // The errors carried from the previous row (Width + 2 entries each).
  std::vector<int32_t> ErrorsR, ErrorsG, ErrorsB;
  int32_t* ErrorR = nullptr;
  int32_t* ErrorG = nullptr;
  int32_t* ErrorB = nullptr;
  int32_t CurrentErrorR = 0, CurrentErrorG = 0, CurrentErrorB = 0;
  int32_t BelowErrorR = 0, BelowErrorG = 0, BelowErrorB = 0;
  int32_t BelowPrevErrorR = 0, BelowPrevErrorG = 0, BelowPrevErrorB = 0;
};

struct TOctreeNode;
using TReducibleNodes = std::array<TOctreeNode*, 8>;

struct TOctreeNode {
  TOctreeNode() = default;
  TOctreeNode(int32_t Level, int32_t ColorBits, int32_t& LeafCount, TReducibleNodes& ReducibleNodes);
  bool IsLeaf = false;
  uint32_t Stamp = 1;  // changes whenever the node is freed
  int32_t PixelCount = 0;
  int64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
  TOctreeNode* Next = nullptr;  // the next reducible node of the same level
  TReducibleNodes Child{};      // owned
};

// Octree colour quantiser: at most MaxColors leaves, ColorBits levels.
class TColorQuantizer {
 public:
  TColorQuantizer(int32_t MaxColors, int32_t ColorBits);
  virtual ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;
  // Appends one blue, green, red, 0 entry per leaf; answers their number.
  int32_t GetColorTable(std::array<std::array<uint8_t, 4>, 256>& RGBQuads) const;
  int32_t LeafCount() const { return FLeafCount; }

 protected:
  // Answers the leaf the colour was added to.
  TOctreeNode* AddColor(TOctreeNode*& Node, uint8_t Red, uint8_t Green, uint8_t Blue, int32_t Level);
  void ReduceTree();
  TOctreeNode* NewNode(int32_t Level);
  void DeleteTree(TOctreeNode*& Node);

  // Nodes are recycled: a busy picture creates and merges nodes all the time.
  std::vector<std::unique_ptr<TOctreeNode[]>> FBlocks;
  std::vector<TOctreeNode*> FFreeNodes;

  TOctreeNode* FTree = nullptr;
  int32_t FLeafCount = 0;
  TReducibleNodes FReducibleNodes{};
  int32_t FMaxColors, FColorBits;
};

class TDIBQuantizer : public TColorQuantizer {
 public:
  using TColorQuantizer::TColorQuantizer;
  bool ProcessImage(const TDIBReader& Reader) { return ProcessPixels(Reader.Bitmap()); }
  // The same for a bitmap already in gpf24bit.
  bool ProcessPixels(const TGifBitmap& Bitmap);

 private:
  template <int32_t FixedBits>
  void processRows(const TGifBitmap& Bitmap);
};

// A palette of the image's colours: as many entries as the tree has leaves,
// at most MaxColors.
TGIFPalette CreateOptimizedPalette(const TDIBReader& Reader, int32_t MaxColors, int32_t ColorBits);

// A new 8-bit bitmap of Bitmap's pixels reduced to a palette (built by the
// quantiser for rmQuantize, Palette for rmPalette), or a 24-bit copy for
// rmNone. Bitmap itself is left unchanged. An empty palette gives an empty
// 24-bit bitmap.
std::unique_ptr<TGifBitmap> ReduceColors(const TGifBitmap& Bitmap, TColorReduction ColorReduction,
                                         TDitherMode DitherMode, int32_t ReductionBits,
                                         const TGIFPalette* Palette);

// ---------------------------------------------------------------------------
// Colour-table optimisation across frames

struct TOptimizeEntry {
  int32_t Count = 0;      // use count; -1 once pruned
  int32_t OldIndex = 0;   // index in the source table
  int32_t NewIndex = 256; // index in the new table; 256 = not assigned
  uint32_t Color = 0;     // red | green << 8 | blue << 16
  TOptimizeEntry* Merged = nullptr;  // the entry this one was merged into
};

// Use counts of one colour table's entries over the frames that use it.
class THistogram {
 public:
  explicit THistogram(TGIFColorTable& ColorTable);
  // Counts a frame's pixels; answers whether a transparent pixel was seen.
  bool ProcessFrame(THtGIFFrame& Frame);
  // Drops the unused entries; answers how many are left.
  int32_t Prune();
  void MapImages(bool UseTransparency, uint8_t NewTransparentColorIndex);
  std::vector<TOptimizeEntry*>& List() { return FList; }
  int32_t Count() const { return FCount; }
  int32_t FrameCount() const { return int32_t(FImages.size()); }

 private:
  std::vector<TOptimizeEntry> PHistogram;
  int32_t FCount;
  TGIFColorTable* FColorTable;  // not owned
  std::vector<TOptimizeEntry*> FList;
  std::vector<THtGIFFrame*> FImages;
};

class TColorTableOptimizer {
 public:
  explicit TColorTableOptimizer(THtGifImage& Image) : FImage(&Image) {}
  void Optimize();

 private:
  void ProcessImage();
  void MergeColors();
  void CreateColorTable();
  void ApplyColorTable();

  THtGifImage* FImage;
  std::vector<std::unique_ptr<THistogram>> FHistogramList;
  std::vector<TOptimizeEntry*> FHistogram;
  TGIFPalette FColorTable;
  int32_t FFinalCount = 0;
  bool FUseTransparency = false;
  uint8_t FNewTransparentColorIndex = 0;
};

}  // namespace ht
