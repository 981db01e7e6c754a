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
  std::vector<std::shared_ptr<d2d::IDWriteFontCollection>> FCollections;
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
