#pragma once
// Fonts of the Direct2D canvas: a DirectWrite text format per font, found
// among the collection's in-memory web fonts first, then the system fonts;
// a weight or width word at the end of a family name becomes a DirectWrite
// weight or stretch.
#include <memory>
#include <vector>

#include "canvas/font.h"
#include "platform/d2d/dwrite.h"

namespace ht {

class THtFontDX : public THtFont {
 public:
  static const THtFontClass ClassType;
  const THtFontClass* ClassRefOf() const override { return &ClassType; }

  // Raises EOleSysError when the metrics cannot be read.
  THtFontDX(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle);

  std::shared_ptr<d2d::IDWriteTextFormat> Font;  // no word wrapping
  float Underline = 0;       // offset below the baseline, pixels
  float Strike = 0;          // above the baseline, pixels
  float LineSpacing = 0;     // as the format reports it
  int UnderlineHeight = 1;   // whole pixels, at least 1
  bool IsTimes = false;      // the requested family starts with "times"

  // What the format was asked for (after the name's weight or width word).
  String FormatName;
  d2d::UINT32 FormatWeight = 400;
  d2d::DWRITE_FONT_STRETCH FormatStretch = d2d::DWRITE_FONT_STRETCH_NORMAL;

 private:
  void createFormat();
  void measure();
};

// One font added from bytes.
struct TDXCustomFont {
  String FontName;
  std::shared_ptr<const std::vector<uint8_t>> FontData;  // shared by fonts of the same bytes
  // The collection presenting it; null until one is built.
  std::shared_ptr<d2d::IDWriteFontCollection> Collection;
};

class TDXCustomFontCollection;

// Serves the bytes of one font.
class TDWriteFontResource : public d2d::IDWriteFontFileStream {
 public:
  explicit TDWriteFontResource(std::shared_ptr<TDXCustomFont> R) : Res(std::move(R)) {}
  d2d::HRESULT ReadFileFragment(const void** Start, d2d::UINT64 Offset, d2d::UINT64 Size, void** Context) override;
  void ReleaseFileFragment(void*) override {}
  d2d::HRESULT GetFileSize(d2d::UINT64* Size) override;
  d2d::HRESULT GetLastWriteTime(d2d::UINT64* Time) override;
  std::shared_ptr<TDXCustomFont> Res;
};

// Keys are 8 bytes: the address of a font of the owning collection. A key
// naming no font of it is refused.
class TDWriteFontFileLoader : public d2d::IDWriteFontFileLoader {
 public:
  d2d::HRESULT CreateStreamFromKey(const void* Key, d2d::UINT32 KeySize,
                                   std::shared_ptr<d2d::IDWriteFontFileStream>* Stream) override;
  TDXCustomFontCollection* FCollection = nullptr;
};

class TDWriteFontFileEnumerator : public d2d::IDWriteFontFileEnumerator {
 public:
  TDWriteFontFileEnumerator(d2d::IDWriteFactory* F, TDXCustomFontCollection* C) : FFactory(F), FCollection(C) {}
  d2d::HRESULT MoveNext(d2d::BOOL* HasCurrentFile) override;
  d2d::HRESULT GetCurrentFontFile(std::shared_ptr<d2d::IDWriteFontFile>* File) override;
  int FIndex = 0;
  std::shared_ptr<d2d::IDWriteFontFile> FCurrentfile;

 private:
  d2d::IDWriteFactory* FFactory;
  TDXCustomFontCollection* FCollection;
};

// Enumerates the fonts of its own collection (the key is not read).
class TDWriteFontCollectionLoader : public d2d::IDWriteFontCollectionLoader {
 public:
  d2d::HRESULT CreateEnumeratorFromKey(d2d::IDWriteFactory* Factory, const void* Key, d2d::UINT32 KeySize,
                                       std::shared_ptr<d2d::IDWriteFontFileEnumerator>* Enumerator) override;
  TDXCustomFontCollection* FCollection = nullptr;
};

// One batch of fonts presented to DirectWrite; its loaders stay registered
// for its life.
class TDXCustomFontCollection {
 public:
  // Raises EOleSysError when a loader cannot be registered.
  TDXCustomFontCollection();
  ~TDXCustomFontCollection();
  TDXCustomFontCollection(const TDXCustomFontCollection&) = delete;
  TDXCustomFontCollection& operator=(const TDXCustomFontCollection&) = delete;

  std::shared_ptr<d2d::IDWriteFontCollection> FFontCollection;
  std::shared_ptr<TDWriteFontFileLoader> Loader;
  std::shared_ptr<TDWriteFontCollectionLoader> ColLoader;
  std::vector<std::shared_ptr<TDXCustomFont>> FontList;

 private:
  std::shared_ptr<d2d::IDWriteFactory> FFactory;
};

// The fonts a Direct2D collection holds in memory. Each batch of fonts added
// between look-ups becomes a DirectWrite collection of its own, whose
// families are the family names inside the font files.
class TDXCustomFonts {
 public:
  // The same bytes under the same name add nothing; under another name the
  // new font shares the bytes. A name already present is replaced (formats
  // made from the older font keep its collection alive).
  void AddFontStream(const String& AFontName, TStream& AStream);
  // The collection presenting the font added under FontName (ignoring
  // case), or null.
  std::shared_ptr<d2d::IDWriteFontCollection> HasFont(StringView FontName);
  bool Empty() const { return FFonts.empty(); }
  size_t CollectionCount() const { return FCollections.size(); }
  const std::vector<std::pair<String, std::shared_ptr<TDXCustomFont>>>& Fonts() const { return FFonts; }

 private:
  bool FUpdated = false;
  std::vector<std::pair<String, std::shared_ptr<TDXCustomFont>>> FFonts;  // by lower-case name, in order
  std::vector<std::unique_ptr<TDXCustomFontCollection>> FCollections;
};

class THtDXFontCollection : public THtFontCollection {
 public:
  using THtFontCollection::THtFontCollection;

  void AddFontStream(const String& AName, TStream& AStream) override;
  void AddFontsFrom(THtFontCollection* ASource) override;

  TDXCustomFonts& CustomDXFonts() { return FCustom; }
  const TDXCustomFonts& CustomDXFonts() const { return FCustom; }

 private:
  TDXCustomFonts FCustom;
};

}  // namespace ht
