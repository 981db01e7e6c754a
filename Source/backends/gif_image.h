#pragma once
// The engine's GIF image model: a logical screen (header with the global
// colour table) and a list of frames, each an image block with the
// extensions written in front of it. Reads and writes GIF87a/89a, answers the
// loop count and composites frames into one 32-bit picture.
//
// Colours here are 32-bit values with red in the lowest byte, then green,
// then blue. Block objects are owned by their lists (image -> frames,
// frame -> extensions) and remove themselves from the list when freed.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "backends/gif_lzw.h"
#include "backends/gif_stream.h"
#include "markup/object_list.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/geometry.h"

namespace ht {

enum THtGIFVersion { gvUnknown, gv87a, gv89a };
enum TColorReduction { rmNone, rmQuantize, rmPalette };
enum TDitherMode { dmNearest, dmFloydSteinberg };
enum TFrameDisposalMethod { fdmUnspecified, fdmNoDisposal, fdmBackground, fdmPreviousFrame };
enum THtGIFPixelFormat { gpfDevice, gpf1bit, gpf4bit, gpf8bit, gpf15bit, gpf16bit, gpf24bit, gpf32bit, gpfCustom };
enum TGIFOptimizeOption { ooCrop, ooMerge, ooCleanup, ooColorTable };

// A set of optimisation phases (bit 0 = ooCrop ... bit 3 = ooColorTable).
struct TGIFOptimizeOptions {
  uint8_t Bits = 0;
  constexpr TGIFOptimizeOptions() = default;
  constexpr TGIFOptimizeOptions(std::initializer_list<TGIFOptimizeOption> Options) {
    for (TGIFOptimizeOption o : Options) Bits |= uint8_t(1u << o);
  }
  constexpr bool Contains(TGIFOptimizeOption Option) const { return Bits & (1u << Option); }
};

struct TGIFColor {
  uint8_t Red = 0, Green = 0, Blue = 0;
  bool operator==(const TGIFColor&) const = default;
};
using TGIFPalette = std::vector<TGIFColor>;

inline TGIFColor GifColorOf(uint32_t Color) {
  return TGIFColor{uint8_t(Color), uint8_t(Color >> 8), uint8_t(Color >> 16)};
}
inline uint32_t GifColorValue(TGIFColor c) { return c.Red + c.Green * 256u + c.Blue * 65536u; }

class THtGifImage;
class THtGIFFrame;
class TGIFExtension;

class THtGIFPartList;

// Base of every block object (header, frame, extension).
class THtGIFPart : public THtObject {
 public:
  explicit THtGIFPart(THtGifImage* AImage) : FImage(AImage) {}
  // Leaves the list that holds it.
  ~THtGIFPart() override;
  virtual THtGIFVersion GetVersion() const { return gv87a; }
  THtGIFVersion Version() const { return GetVersion(); }
  THtGifImage* Image() const { return FImage; }
  virtual void SaveToStream(TStream& Stream) = 0;
  virtual void LoadFromStream(TStream& Stream) = 0;

 protected:
  friend class THtGIFPartList;
  THtGifImage* FImage;
  // The list holding this part, so that freeing a part needs no search of a
  // list that may hold many thousands of frames or extensions.
  THtGIFPartList* FList = nullptr;
};

// An ordered list of parts that frees its items itself.
class THtGIFPartList : public THtObject {
 public:
  THtGIFPartList() : FItems(false) {}
  ~THtGIFPartList() override;
  THtGIFPartList(const THtGIFPartList&) = delete;
  THtGIFPartList& operator=(const THtGIFPartList&) = delete;

  virtual THtGifImage* GetImage() const = 0;
  THtGifImage* Image() const { return GetImage(); }
  virtual void SaveToStream(TStream& Stream);
  virtual void LoadFromStream(TStream& Stream) = 0;

  // The index of Item when listed already, else it is appended.
  int32_t Add(THtGIFPart* Item);
  void Clear();                // deletes from the last item down
  void Delete(int32_t Index);  // removes and frees
  int32_t IndexOf(const THtGIFPart* Item) const;
  void Insert(int32_t Index, THtGIFPart* Item);
  void Remove(THtGIFPart* Item);  // without freeing
  THtGIFPart* Items(int32_t Index) const { return static_cast<THtGIFPart*>(FItems.Get(Index)); }
  int32_t Count() const { return FItems.Count(); }

 protected:
  THtObjectList FItems;
};

class TGIFImageList : public THtGIFPartList {
 public:
  explicit TGIFImageList(THtGifImage* AImage) : FImage(AImage) {}
  THtGifImage* GetImage() const override { return FImage; }
  // The block loop after the header.
  void LoadFromStream(TStream& Stream) override;
  THtGIFFrame* Frames(int32_t Index) const;

 private:
  THtGifImage* FImage;
};

class TGIFExtensionList : public THtGIFPartList {
 public:
  explicit TGIFExtensionList(THtGIFFrame* AFrame) : FFrame(AFrame) {}
  THtGifImage* GetImage() const override;
  // The extensions in front of an image block.
  void LoadFromStream(TStream& Stream) override;
  TGIFExtension* Extensions(int32_t Index) const;
  // Adds copies of Source's extensions (written out and read back).
  void Assign(const TGIFExtensionList& Source);

 private:
  THtGIFFrame* FFrame;
};

// ---------------------------------------------------------------------------
// Colour tables

class TGIFColorTable : public THtObject {
 public:
  ~TGIFColorTable() override = default;

  // Raises "Too many colors" beyond 256.
  int32_t Add(uint32_t Color);
  int32_t AddUnique(uint32_t Color);
  int32_t IndexOf(uint32_t Color) const;
  void Delete(int32_t Index);
  uint32_t GetColor(int32_t Index) const;
  void SetColor(int32_t Index, uint32_t Value);
  void ImportPalette(const TGIFPalette& Palette);
  void Assign(const TGIFColorTable& Source);
  void Clear();
  // The colours, padded with black to 2 ^ BitsPerPixel entries.
  void SaveToStream(TStream& Stream) const;
  void LoadFromStream(TStream& Stream, int32_t ACount);

  int32_t Count() const { return FCount; }
  int32_t BitsPerPixel() const;
  // The colours in use (a copy of the first Count entries).
  TGIFPalette Data() const { return TGIFPalette(FPalette.begin(), FPalette.begin() + FCount); }
  bool Optimized = false;  // sorted by use; written as the sort flag

  virtual void BuildHistogram(std::vector<std::pair<int32_t, int32_t>>& Histogram) = 0;
  virtual void RemapImages(const std::vector<int32_t>& Map) = 0;
  virtual bool Optimize() = 0;
  virtual void Changed() = 0;

 protected:
  bool SortByUsage();
  // The frames whose active table is this one.
  static void countPixels(THtGIFFrame& Frame, std::vector<std::pair<int32_t, int32_t>>& Histogram);
  static void remapPixels(THtGIFFrame& Frame, const std::vector<int32_t>& Map);

  TGIFPalette FPalette;  // its length is the capacity
  int32_t FCount = 0;
};

class TGIFHeader;

class TGIFGlobalColorTable : public TGIFColorTable {
 public:
  explicit TGIFGlobalColorTable(TGIFHeader* HeaderItem) : FHeader(HeaderItem) {}
  void BuildHistogram(std::vector<std::pair<int32_t, int32_t>>& Histogram) override;
  void RemapImages(const std::vector<int32_t>& Map) override;
  bool Optimize() override;
  void Changed() override;

 private:
  TGIFHeader* FHeader;
};

class TGIFLocalColorTable : public TGIFColorTable {
 public:
  explicit TGIFLocalColorTable(THtGIFFrame* AFrame) : FFrame(AFrame) {}
  void BuildHistogram(std::vector<std::pair<int32_t, int32_t>>& Histogram) override;
  void RemapImages(const std::vector<int32_t>& Map) override;
  bool Optimize() override;
  void Changed() override;

 private:
  THtGIFFrame* FFrame;
};

// ---------------------------------------------------------------------------
// Header

struct TGIFScreenDescriptor {
  uint16_t ScreenWidth = 0, ScreenHeight = 0;
  uint8_t PackedFields = 0, BackgroundColorIndex = 0, AspectRatio = 0;
};

class TGIFHeader : public THtGIFPart {
 public:
  explicit TGIFHeader(THtGifImage* GIFImage);
  ~TGIFHeader() override = default;

  void Clear();
  void Prepare();
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;
  void Assign(const TGIFHeader& Source);
  void Assign(const TGIFColorTable& Source);
  THtGIFVersion GetVersion() const override;

  uint16_t Width() const { return FScreenDescriptor.ScreenWidth; }
  uint16_t Height() const { return FScreenDescriptor.ScreenHeight; }
  void SetWidth(uint16_t Value) { FScreenDescriptor.ScreenWidth = Value; }
  void SetHeight(uint16_t Value) { FScreenDescriptor.ScreenHeight = Value; }
  uint8_t BackgroundColorIndex() const { return FScreenDescriptor.BackgroundColorIndex; }
  void SetBackgroundColorIndex(uint8_t Value);
  uint32_t BackgroundColor() const;
  void SetBackgroundColor(uint32_t Value);
  uint8_t AspectRatio() const { return FScreenDescriptor.AspectRatio; }
  void SetAspectRatio(uint8_t Value) { FScreenDescriptor.AspectRatio = Value; }
  uint8_t PackedFields() const { return FScreenDescriptor.PackedFields; }
  TGIFGlobalColorTable& ColorTable() const { return *FColorTable; }
  int32_t BitsPerPixel() const { return FColorTable->BitsPerPixel(); }

 private:
  TGIFScreenDescriptor FScreenDescriptor;
  std::unique_ptr<TGIFGlobalColorTable> FColorTable;
};

// ---------------------------------------------------------------------------
// Bitmap

// The codec's own in-memory bitmap: packed rows, a palette and a
// transparency mark. Copies own their data.
class TGifBitmap : public THtObject {
 public:
  TGifBitmap() = default;

  // Raises "Incompatible types" for nothing.
  void Assign(const TGifBitmap* Source);
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  void SetWidth(int32_t Value);
  void SetHeight(int32_t Value);
  THtGIFPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(THtGIFPixelFormat Value);
  const TGIFPalette& Palette() const { return FPalette; }
  void SetPalette(const TGIFPalette& Value) { FPalette = Value; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { FTransparent = Value; }
  int32_t TransparentIndex = 0;
  uint32_t TransparentColor() const;
  void SetTransparentColor(uint32_t Value) { FTransparentColor = Value; }
  bool Empty() const { return false; }

  int32_t PixelSize() const;
  uint8_t* ScanLine(int32_t Row) { return FData.data() + size_t(Row) * FWidth * PixelSize(); }
  const uint8_t* ScanLine(int32_t Row) const {
    return FData.data() + size_t(Row) * FWidth * PixelSize();
  }
  // The first pixel's value whatever the arguments (its one caller asks for 0, 0).
  uint32_t GetPixel(int32_t Col, int32_t Row) const;
  void Fill(uint32_t AColor);
  void FillRect(const TRect& Rect, uint32_t AColor);
  const std::vector<uint8_t>& Data() const { return FData; }
  // Fills the pixels from device-independent rows padded to 32 bits: 1 and
  // 4 bits become gpf8bit indices, 16 (5-5-5) and 32 bits become gpf24bit,
  // other counts of 8 or more copy rows in the present format. Raises
  // "Premature end of data" when AData holds fewer bytes than the rows need.
  void SetBits(const std::vector<uint8_t>& AData, int32_t ABitsPerPixel, bool Flip);

 private:
  void resize();

  TGIFPalette FPalette;
  std::vector<uint8_t> FData;
  int32_t FWidth = 0, FHeight = 0;
  THtGIFPixelFormat FPixelFormat = gpf24bit;
  bool FTransparent = false;
  uint32_t FTransparentColor = 0;
};

// ---------------------------------------------------------------------------
// Extensions

class TGIFExtension;

// Class reference of an extension class with its class-level operation:
// which class should read the block at the stream's position.
struct TGIFExtensionClass : TClassRef<TGIFExtension, THtGIFFrame*> {
  using FindSubFn = const TGIFExtensionClass* (*)(const TGIFExtensionClass* Self, TStream& Stream);
  constexpr TGIFExtensionClass(std::string_view name, const TGIFExtensionClass* parent, CreateFn create,
                               FindSubFn findSub)
      : TClassRef(name, parent, create), FindSubExtension(findSub) {}
  FindSubFn FindSubExtension;
};

using TGIFIdentifier = std::array<uint8_t, 11>;  // identifier (8) + authentication (3)

class TGIFExtension : public THtGIFPart {
 public:
  static const TGIFExtensionClass ClassType;
  virtual const TGIFExtensionClass* ClassRefOf() const = 0;

  explicit TGIFExtension(THtGIFFrame* AFrame);
  ~TGIFExtension() override;

  virtual uint8_t GetExtensionType() const = 0;
  uint8_t ExtensionType() const { return GetExtensionType(); }
  THtGIFFrame* Frame() const { return FFrame; }
  THtGIFVersion GetVersion() const override { return gv89a; }
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;
  // Copies another extension of the same kind (written out and read back).
  void Assign(TGIFExtension& Source);

  // The registry: a later registration of a label wins.
  static void RegisterExtension(uint8_t eLabel, const TGIFExtensionClass* eClass);
  // The class that reads the block whose label is at the stream's position;
  // null when none. The stream is left where it was.
  static const TGIFExtensionClass* FindExtension(TStream& Stream);
  static const TGIFExtensionClass* BaseFindSubExtension(const TGIFExtensionClass* Self, TStream&) {
    return Self;
  }

 protected:
  THtGIFFrame* FFrame;
};

struct TGIFGCERec {
  uint8_t BlockSize = 4;
  uint8_t PackedFields = 0;
  uint16_t DelayTime = 0;
  uint8_t TransparentColorIndex = 0;
  uint8_t Terminator = 0;
};

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassType;
  const TGIFExtensionClass* ClassRefOf() const override { return &ClassType; }

  explicit TGIFGraphicControlExtension(THtGIFFrame* AFrame);
  ~TGIFGraphicControlExtension() override;
  uint8_t GetExtensionType() const override { return 0xF9; }
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;

  uint16_t Delay() const { return FGCExtension.DelayTime; }
  void SetDelay(uint16_t Value) { FGCExtension.DelayTime = Value; }
  bool Transparent() const { return FGCExtension.PackedFields & 1; }
  void SetTransparent(bool Value);
  uint8_t TransparentColorIndex() const { return FGCExtension.TransparentColorIndex; }
  void SetTransparentColorIndex(int32_t Value);
  uint32_t TransparentColor() const;
  void SetTransparentColor(uint32_t Value);
  bool UserInput() const { return FGCExtension.PackedFields & 2; }
  void SetUserInput(bool Value);
  // 0 to 7; values above 3 are kept as numbers.
  int32_t Disposal() const { return (FGCExtension.PackedFields >> 2) & 7; }
  void SetDisposal(int32_t Value);
  const TGIFGCERec& Record() const { return FGCExtension; }
  uint8_t PackedFields() const { return FGCExtension.PackedFields; }
  void SetPackedFields(uint8_t Value) { FGCExtension.PackedFields = Value; }

 private:
  TGIFGCERec FGCExtension;
};

struct TGIFPlainTextExtensionRec {
  uint8_t BlockSize = 12;
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  uint8_t CellWidth = 0, CellHeight = 0, TextFGColorIndex = 0, TextBGColorIndex = 0;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassType;
  const TGIFExtensionClass* ClassRefOf() const override { return &ClassType; }

  explicit TGIFTextExtension(THtGIFFrame* ASubImage) : TGIFExtension(ASubImage) {}
  uint8_t GetExtensionType() const override { return 0x01; }
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;

  TGIFPlainTextExtensionRec& Record() { return FPlainTextExtension; }
  const TGIFStrings& Text() const { return FText; }
  void SetText(const TGIFStrings& Value) { FText = Value; }
  uint32_t ForegroundColor() const;  // from the frame's own local table
  uint32_t BackgroundColor() const;  // from the frame's active table

 private:
  TGIFStrings FText;
  TGIFPlainTextExtensionRec FPlainTextExtension;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassType;
  const TGIFExtensionClass* ClassRefOf() const override { return &ClassType; }

  explicit TGIFCommentExtension(THtGIFFrame* AFrame) : TGIFExtension(AFrame) {}
  uint8_t GetExtensionType() const override { return 0xFE; }
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;
  const TGIFStrings& Text() const { return FText; }
  void SetText(const TGIFStrings& Value) { FText = Value; }

 private:
  TGIFStrings FText;
};

// Base of the application blocks; the data after the identifier is the
// subclass's.
class TGIFApplicationExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassType;

  TGIFApplicationExtension(THtGIFFrame* ASubImage, const TGIFIdentifier& Ident)
      : TGIFExtension(ASubImage), FIdent(Ident) {}
  uint8_t GetExtensionType() const override { return 0xFF; }
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;

  String Identifier() const;
  void SetIdentifier(StringView Value);
  String Authentication() const;
  void SetAuthentication(StringView Value);
  const TGIFIdentifier& Ident() const { return FIdent; }

  static void RegisterExtension(const TGIFIdentifier& eIdent, const TGIFExtensionClass* eClass);
  static const TGIFExtensionClass* FindSubExtension(const TGIFExtensionClass* Self, TStream& Stream);

 protected:
  virtual void SaveData(TStream& Stream) = 0;
  virtual void LoadData(TStream& Stream) = 0;

  TGIFIdentifier FIdent;
};

class TGIFBlock : public THtObject {
 public:
  explicit TGIFBlock(uint8_t ASize) : FSize(ASize), FData(ASize, 0) {}
  uint8_t Size() const { return FSize; }
  const std::vector<uint8_t>& Data() const { return FData; }
  void SaveToStream(TStream& Stream) const;
  void LoadFromStream(TStream& Stream);

 private:
  uint8_t FSize;
  std::vector<uint8_t> FData;
};

// An application block nobody registered: its sub-blocks are kept raw and
// written back unchanged.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  static const TGIFExtensionClass ClassType;
  const TGIFExtensionClass* ClassRefOf() const override { return &ClassType; }

  explicit TGIFUnknownAppExtension(THtGIFFrame* ASubImage)
      : TGIFApplicationExtension(ASubImage, TGIFIdentifier{}), FBlocks(true) {}
  const THtObjectListOf<TGIFBlock>& Blocks() const { return FBlocks; }

 protected:
  void SaveData(TStream& Stream) override;
  void LoadData(TStream& Stream) override;

 private:
  THtObjectListOf<TGIFBlock> FBlocks;
};

// The loop-count block ("NETSCAPE2.0", also read as "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  static const TGIFExtensionClass ClassType;
  const TGIFExtensionClass* ClassRefOf() const override { return &ClassType; }

  explicit TGIFAppExtNSLoop(THtGIFFrame* AFrame);
  uint16_t Loops = 0;
  uint32_t BufferSize = 0;

 protected:
  void SaveData(TStream& Stream) override;
  void LoadData(TStream& Stream) override;
};

TGIFIdentifier GifIdentifier(const char (&Text)[12]);

// Creates the two registries with their built-in entries (once, under a
// lock); called by the back ends' start-up. A look-up before it creates them
// the same way.
void HtGifInitialize();
// Frees the registries with their entries.
void HtGifFinalize();
// Removes every registration of eClass from both registries.
void GifUnregisterExtension(const TGIFExtensionClass* eClass);

// ---------------------------------------------------------------------------
// Frame

struct TGIFImageDescriptor {
  uint8_t Separator = 0x2C;
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  uint8_t PackedFields = 0;
};

class THtGIFFrame : public THtGIFPart {
 public:
  // Appends itself to the image's frame list.
  explicit THtGIFFrame(THtGifImage* GIFImage);
  ~THtGIFFrame() override;

  void Clear();
  bool Empty() const;
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;
  THtGIFVersion GetVersion() const override;
  // Copies another frame (nothing clears); Source's active table becomes
  // this frame's local table.
  void Assign(const THtGIFFrame* Source);
  // Makes the frame from a bitmap: palette formats are copied, others are
  // colour-reduced with the image's settings first.
  void Assign(const TGifBitmap* Source);
  // Shrinks a transparent frame to its non-transparent pixels.
  void Crop();
  // Turns pixels that repeat the previous frame into transparent pixels.
  void Merge(THtGIFFrame* Previous);
  void MakeTransparent(int32_t ColorIndex);
  void WriteImageData(TStream& Stream);

  uint16_t Left() const { return FImageDescriptor.Left; }
  uint16_t Top() const { return FImageDescriptor.Top; }
  uint16_t Width() const { return FImageDescriptor.Width; }
  uint16_t Height() const { return FImageDescriptor.Height; }
  void SetLeft(int32_t Value) { SetBounds(Value, Top(), Width(), Height()); }
  void SetTop(int32_t Value) { SetBounds(Left(), Value, Width(), Height()); }
  void SetWidth(int32_t Value) { SetBounds(Left(), Top(), Value, Height()); }
  void SetHeight(int32_t Value) { SetBounds(Left(), Top(), Width(), Value); }
  // Raises "Invalid image size" beyond 65535 and "Image is too large" above
  // the pixel budget; a new size reallocates the pixels.
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
  // Right and bottom lie outside the frame; assigning takes them as the last
  // column and row inside it.
  TRect BoundsRect() const { return TRect{Left(), Top(), Left() + Width(), Top() + Height()}; }
  void SetBoundsRect(const TRect& Value);
  TRect ClientRect() const { return TRect{0, 0, Width(), Height()}; }
  bool Interlaced() const { return FImageDescriptor.PackedFields & 0x40; }
  const TGIFImageDescriptor& Descriptor() const { return FImageDescriptor; }
  TGIFImageDescriptor& Descriptor() { return FImageDescriptor; }

  TGIFLocalColorTable& ColorTable() const { return *FColorTable; }
  TGIFColorTable& ActiveColorTable() const;
  std::vector<uint8_t>& Data() { return FData; }
  const std::vector<uint8_t>& Data() const { return FData; }
  int32_t DataSize() const { return int32_t(FData.size()); }
  TGIFExtensionList& Extensions() const { return *FExtensions; }
  int32_t ColorResolution() const { return BitsPerPixel() - 1; }
  int32_t BitsPerPixel() const { return FColorTable->BitsPerPixel(); }
  bool Transparent() const;
  TGIFGraphicControlExtension* GraphicControlExtension() const { return FGCE; }
  uint16_t Delay() const;
  void SetDelay(uint16_t Value);

  uint8_t* Scanline(int32_t Row);
  uint8_t Pixels(int32_t Col, int32_t Row);
  void SetPixel(int32_t Col, int32_t Row, uint8_t Value);

  TGIFPalette Palette();
  void SetPalette(const TGIFPalette& Value);
  void DropPalette() { FLocalPalette.reset(); }
  // Made on demand; null for an empty frame.
  TGifBitmap* Bitmap();
  // Frees the cached bitmap; a bitmap given becomes the frame (Assign).
  void SetBitmap(const TGifBitmap* Value);
  bool HasBitmap() const { return FBitmap != nullptr; }
  void SetHasBitmap(bool Value);
  void FreeBitmap() { FBitmap.reset(); }
  // Allocates the pixel buffer filled with the fill index (see SetBounds).
  void AllocateData();

 private:
  friend class TGIFGraphicControlExtension;
  friend class TGIFExtension;
  uint8_t fillIndex() const;
  void assignBitmap(const TGifBitmap& Bitmap);

  std::unique_ptr<TGifBitmap> FBitmap;
  std::unique_ptr<TGIFPalette> FLocalPalette;
  std::vector<uint8_t> FData;
  std::unique_ptr<TGIFLocalColorTable> FColorTable;
  TGIFImageDescriptor FImageDescriptor;
  std::unique_ptr<TGIFExtensionList> FExtensions;
  TGIFGraphicControlExtension* FGCE = nullptr;
};

// ---------------------------------------------------------------------------
// Image

class THtGifImage : public THtObject {
 public:
  THtGifImage();
  ~THtGifImage() override;
  THtGifImage(const THtGifImage&) = delete;
  THtGifImage& operator=(const THtGifImage&) = delete;

  void Clear();
  void LoadFromStream(TStream& Stream);
  void LoadfromFile(StringView FileName);
  void SaveToStream(TStream& Stream);
  void SaveToFile(StringView Filename);
  // Copies of every frame of Source; the last frame made.
  THtGIFFrame* Add(const THtGifImage& Source);
  THtGIFFrame* Add(const THtGIFFrame& Source);
  // Nothing clears.
  void Assign(const THtGifImage* Source);
  void Assign(const THtGIFFrame& Source);
  void Pack();
  uint32_t EffectiveBackgroundColor() const;
  // Runs the chosen phases; the last three arguments have no effect.
  void Optimize(TGIFOptimizeOptions Options, TColorReduction AColorReduction = rmQuantize,
                TDitherMode ADitherMode = dmFloydSteinberg, int32_t AReductionBits = 8);
  // Builds one global table of the most used colours and remaps every frame.
  void OptimizeColorTable();
  // Reads a device-independent bitmap (header, palette, pixels) from ST and
  // answers in Data the bytes of a one-frame GIF. On an error Data keeps
  // what it held.
  static void ConvertDIB(TStream& ST, std::vector<uint8_t>& Data, bool Flip, bool Transparent);

  TGIFGlobalColorTable& GlobalColorTable() const { return FHeader->ColorTable(); }
  TGIFHeader& Header() const { return *FHeader; }
  THtGIFVersion Version() const;
  TGIFImageList& Frames() const { return *FFrames; }
  int32_t ColorResolution() const;
  int32_t BitsPerPixel() const;
  uint8_t BackgroundColorIndex() const { return FHeader->BackgroundColorIndex(); }
  void SetBackgroundColorIndex(uint8_t Value);
  uint32_t BackgroundColor() const { return FHeader->BackgroundColor(); }
  void SetBackgroundColor(uint32_t Value);
  uint8_t AspectRatio() const { return FHeader->AspectRatio(); }
  void SetAspectRatio(uint8_t Value);
  bool IsTransparent() const;
  uint32_t DrawBackgroundColor = 0x1FFFFFFF;  // 0x1FFFFFFF: none chosen
  TColorReduction ColorReduction = rmQuantize;
  int32_t ReductionBits() const { return FReductionBits; }
  void SetReductionBits(int32_t Value);  // 3 to 8
  TDitherMode DitherMode = dmFloydSteinberg;
  // The composited picture; null without frames.
  TGifBitmap* Bitmap();
  int32_t Width() const { return FHeader->Width(); }
  int32_t Height() const { return FHeader->Height(); }
  void SetWidth(int32_t Value);
  void SetHeight(int32_t Value);
  bool Transparent() const { return IsTransparent(); }
  void SetTransparent(bool Value) { FTransparent = Value; }
  bool Empty() const { return FFrames->Count() == 0; }
  TGIFPalette Palette();
  void SetPalette(const TGIFPalette& Value);
  void DropPalette() { FGlobalPalette.reset(); }
  int32_t FrameIndex() const { return FFrameIndex; }
  // Composites frames into the picture up to Index.
  void SetFrameIndex(int32_t Index);
  // 0 repeats for ever; otherwise how many times the animation is shown.
  int32_t LoopCount() const;
  void FreeBitmap() { FBitmap.reset(); }
  // While loading: counts a frame's pixels against the file's budget,
  // raising "Image is too large" beyond it.
  void ReserveLoadPixels(int64_t Pixels);

  bool Modified = false;
  // Composes the 32-bit picture as premultiplied BGRA (blue in the lowest
  // byte, clear pixels all zero), the layout of the drawing surfaces, so a
  // back end can draw the picture where it lies. Set before the first
  // composition.
  bool PictureBGRA = false;

 private:
  void restorePrevious(int32_t PrevIndex);
  void saveUnder(int32_t Index, const TRect& Rect);

  bool IsInsideGetPalette = false;
  std::unique_ptr<TGIFImageList> FFrames;
  std::unique_ptr<TGIFHeader> FHeader;
  std::unique_ptr<TGIFPalette> FGlobalPalette;
  int32_t FReductionBits = 8;
  std::unique_ptr<TGifBitmap> FBitmap;
  bool FTransparent = true;
  int32_t FFrameIndex = -1;
  // What lay under the last frame drawn with disposal "previous frame", to
  // be put back before the next frame.
  int32_t FSavedIndex = -1;
  TRect FSavedRect{};
  std::vector<uint8_t> FSavedPixels;
  int64_t FLoadPixelsLeft = -1;  // -1: not loading
};

}  // namespace ht
