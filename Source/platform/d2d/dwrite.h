#pragma once
// DirectWrite over the core fonts: the system collection (the font
// configuration's families plus the alias table's Windows names), text
// formats, typography and text layouts shaped by the core's shaper, drawn on
// a Direct2D render target as core glyph runs.
//
// A layout keeps one line (no wrapping is ever done here); characters the
// chosen face lacks are taken from a fallback face of the system fonts.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/core_fonts.h"
#include "platform/d2d/d2d.h"

namespace ht::d2d {

enum DWRITE_FONT_WEIGHT : UINT32 {
  DWRITE_FONT_WEIGHT_THIN = 100,
  DWRITE_FONT_WEIGHT_EXTRA_LIGHT = 200,
  DWRITE_FONT_WEIGHT_LIGHT = 300,
  DWRITE_FONT_WEIGHT_NORMAL = 400,
  DWRITE_FONT_WEIGHT_MEDIUM = 500,
  DWRITE_FONT_WEIGHT_BOLD = 700,
  DWRITE_FONT_WEIGHT_EXTRA_BOLD = 800,
  DWRITE_FONT_WEIGHT_BLACK = 900
};
enum DWRITE_FONT_STYLE : UINT32 { DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STYLE_OBLIQUE, DWRITE_FONT_STYLE_ITALIC };
enum DWRITE_FONT_STRETCH : UINT32 { DWRITE_FONT_STRETCH_ULTRA_CONDENSED = 1, DWRITE_FONT_STRETCH_NORMAL = 5 };
enum DWRITE_WORD_WRAPPING : UINT32 { DWRITE_WORD_WRAPPING_WRAP, DWRITE_WORD_WRAPPING_NO_WRAP };
enum DWRITE_READING_DIRECTION : UINT32 { DWRITE_READING_DIRECTION_LEFT_TO_RIGHT, DWRITE_READING_DIRECTION_RIGHT_TO_LEFT };
enum DWRITE_LINE_SPACING_METHOD : UINT32 { DWRITE_LINE_SPACING_METHOD_DEFAULT, DWRITE_LINE_SPACING_METHOD_UNIFORM };
enum D2D1_DRAW_TEXT_OPTIONS : UINT32 { D2D1_DRAW_TEXT_OPTIONS_NONE = 0, D2D1_DRAW_TEXT_OPTIONS_ENABLE_COLOR_FONT = 4 };

struct DWRITE_FONT_METRICS {
  UINT32 designUnitsPerEm = 0;
  UINT32 ascent = 0, descent = 0;
  int32_t lineGap = 0;
  int32_t underlinePosition = 0;  // above the baseline is positive
  UINT32 underlineThickness = 0;
  int32_t strikethroughPosition = 0;
  UINT32 strikethroughThickness = 0;
};
struct DWRITE_TEXT_RANGE {
  UINT32 startPosition = 0;
  UINT32 length = 0;
};
struct DWRITE_TEXT_METRICS {
  float left = 0, top = 0, width = 0, widthIncludingTrailingWhitespace = 0, height = 0;
  float layoutWidth = 0, layoutHeight = 0;
  UINT32 maxBidiReorderingDepth = 1, lineCount = 1;
};

// Packs four characters into a tag, the first in the lowest byte.
constexpr UINT32 DWriteFontFeature(char a, char b, char c, char d) {
  return UINT32(uint8_t(a)) | UINT32(uint8_t(b)) << 8 | UINT32(uint8_t(c)) << 16 | UINT32(uint8_t(d)) << 24;
}

class IDWriteLocalizedStrings : public IUnknown {
 public:
  UINT32 GetCount() const { return UINT32(Names.size()); }
  HRESULT FindLocaleName(const String& Locale, UINT32* Index, BOOL* Exists) const;
  HRESULT GetStringLength(UINT32 Index, UINT32* Length) const;
  HRESULT GetString(UINT32 Index, String* Name) const;
  std::vector<std::pair<String, String>> Names;  // (locale, name)
};

class IDWriteFont : public IUnknown {
 public:
  void GetMetrics(DWRITE_FONT_METRICS* M) const;
  DWRITE_FONT_WEIGHT GetWeight() const;
  DWRITE_FONT_STYLE GetStyle() const;
  std::shared_ptr<core::TCoreFontFace> Face;
};

class IDWriteFontCollection;

class IDWriteFontFamily : public IUnknown {
 public:
  HRESULT GetFamilyNames(std::shared_ptr<IDWriteLocalizedStrings>* Names) const;
  HRESULT GetFirstMatchingFont(DWRITE_FONT_WEIGHT Weight, DWRITE_FONT_STRETCH Stretch, DWRITE_FONT_STYLE Style,
                               std::shared_ptr<IDWriteFont>* Font) const;
  String Name;
  // Faces of an in-memory family; empty for a system family.
  std::vector<std::shared_ptr<core::TCoreFontFace>> Faces;
};

class IDWriteFontCollection : public IUnknown {
 public:
  UINT32 GetFontFamilyCount() const { return UINT32(Families.size()); }
  HRESULT GetFontFamily(UINT32 Index, std::shared_ptr<IDWriteFontFamily>* Family) const;
  // Strict: the name must be a family of the collection (ignoring case).
  HRESULT FindFamilyName(StringView Name, UINT32* Index, BOOL* Exists) const;
  // The face for a family of this collection; for the system collection any
  // name the font system knows, else null.
  std::shared_ptr<core::TCoreFontFace> Match(StringView Family, UINT32 Weight, DWRITE_FONT_STYLE Style) const;
  bool System = false;
  std::vector<std::shared_ptr<IDWriteFontFamily>> Families;
};

class IDWriteTypography : public IUnknown {
 public:
  HRESULT AddFontFeature(DWRITE_FONT_FEATURE F) {
    Features.push_back(F);
    FStrings.clear();
    return S_OK;
  }
  // The features as shaper strings ("kern=1"), made once.
  const std::vector<std::string>& FeatureStrings() const;
  UINT32 GetFontFeatureCount() const { return UINT32(Features.size()); }
  HRESULT GetFontFeature(UINT32 Index, DWRITE_FONT_FEATURE* F) const;
  std::vector<DWRITE_FONT_FEATURE> Features;

 private:
  mutable std::vector<std::string> FStrings;
};

class IDWriteTextFormat : public IUnknown {
 public:
  UINT32 GetFontFamilyNameLength() const { return UINT32(FFamily.size()); }
  HRESULT GetFontFamilyName(String* Name) const {
    *Name = FFamily;
    return S_OK;
  }
  HRESULT GetFontCollection(std::shared_ptr<IDWriteFontCollection>* C) const {
    *C = FCollection;
    return S_OK;
  }
  DWRITE_FONT_WEIGHT GetFontWeight() const { return FWeight; }
  DWRITE_FONT_STYLE GetFontStyle() const { return FStyle; }
  DWRITE_FONT_STRETCH GetFontStretch() const { return FStretch; }
  float GetFontSize() const { return FSize; }
  const String& GetLocaleName() const { return FLocale; }
  HRESULT SetWordWrapping(DWRITE_WORD_WRAPPING W) {
    FWrapping = W;
    return S_OK;
  }
  DWRITE_WORD_WRAPPING GetWordWrapping() const { return FWrapping; }
  HRESULT SetReadingDirection(DWRITE_READING_DIRECTION D) {
    FDirection = D;
    return S_OK;
  }
  HRESULT SetLineSpacing(DWRITE_LINE_SPACING_METHOD Method, float Spacing, float Baseline);
  HRESULT GetLineSpacing(DWRITE_LINE_SPACING_METHOD* Method, float* Spacing, float* Baseline) const;
  // The face the format's family resolves to (never null once made).
  const std::shared_ptr<core::TCoreFontFace>& Face() const { return FFace; }

 protected:
  friend class IDWriteFactory;
  String FFamily;
  std::shared_ptr<IDWriteFontCollection> FCollection;
  DWRITE_FONT_WEIGHT FWeight = DWRITE_FONT_WEIGHT_NORMAL;
  DWRITE_FONT_STYLE FStyle = DWRITE_FONT_STYLE_NORMAL;
  DWRITE_FONT_STRETCH FStretch = DWRITE_FONT_STRETCH_NORMAL;
  float FSize = 0;
  String FLocale;
  DWRITE_WORD_WRAPPING FWrapping = DWRITE_WORD_WRAPPING_WRAP;
  DWRITE_READING_DIRECTION FDirection = DWRITE_READING_DIRECTION_LEFT_TO_RIGHT;
  DWRITE_LINE_SPACING_METHOD FSpacingMethod = DWRITE_LINE_SPACING_METHOD_DEFAULT;
  float FLineSpacing = 0, FBaseline = 0;
  std::shared_ptr<core::TCoreFontFace> FFace;
};

enum DWRITE_TRIMMING_GRANULARITY : UINT32 { DWRITE_TRIMMING_GRANULARITY_NONE, DWRITE_TRIMMING_GRANULARITY_CHARACTER };
enum DWRITE_TEXT_ALIGNMENT : UINT32 {
  DWRITE_TEXT_ALIGNMENT_LEADING,
  DWRITE_TEXT_ALIGNMENT_TRAILING,
  DWRITE_TEXT_ALIGNMENT_CENTER,
  DWRITE_TEXT_ALIGNMENT_JUSTIFIED
};
struct DWRITE_TRIMMING {
  DWRITE_TRIMMING_GRANULARITY granularity = DWRITE_TRIMMING_GRANULARITY_NONE;
  UINT32 delimiter = 0, delimiterCount = 0;
};
// The ellipsis sign a factory makes for a format: U+2026 in its font.
class IDWriteInlineObject : public IUnknown {};
struct DWRITE_HIT_TEST_METRICS {
  UINT32 textPosition = 0, length = 0;
  float left = 0, top = 0, width = 0, height = 0;
  UINT32 bidiLevel = 0;
  BOOL isText = 1, isTrimmed = 0;
};

// What a layout hands its renderer: one glyph run and the text it shows.
enum DWRITE_MEASURING_MODE : UINT32 { DWRITE_MEASURING_MODE_NATURAL };
struct DWRITE_GLYPH_OFFSET {
  float advanceOffset = 0, ascenderOffset = 0;  // pixels, ascender up
};
struct DWRITE_GLYPH_RUN {
  const core::TCoreFontFace* fontFace = nullptr;
  float fontEmSize = 0;
  UINT32 glyphCount = 0;
  const uint16_t* glyphIndices = nullptr;
  const float* glyphAdvances = nullptr;
  const DWRITE_GLYPH_OFFSET* glyphOffsets = nullptr;
  BOOL isSideways = 0;
  UINT32 bidiLevel = 0;
};
struct DWRITE_GLYPH_RUN_DESCRIPTION {
  const char16_t* string = nullptr;
  UINT32 stringLength = 0;
  const uint16_t* clusterMap = nullptr;  // per character: its first glyph in the run
  UINT32 textPosition = 0;               // of the run's first character in the layout's text
};
struct DWRITE_STRIKETHROUGH {
  float width = 0, thickness = 0;
  float offset = 0;  // from the baseline to the line's top, negative above it
  DWRITE_READING_DIRECTION readingDirection = DWRITE_READING_DIRECTION_LEFT_TO_RIGHT;
};

// Draws what a layout holds, run by run (IDWriteTextLayout::Draw). The
// context is the caller's, handed back unchanged. Underlines are never
// asked for (layouts here have none) and inline objects never occur.
class IDWriteTextRenderer : public IUnknown {
 public:
  virtual HRESULT IsPixelSnappingDisabled(void* Context, BOOL* Disabled) = 0;
  virtual HRESULT GetCurrentTransform(void* Context, D2D1_MATRIX_3X2_F* Transform) = 0;
  virtual HRESULT GetPixelsPerDip(void* Context, float* PixelsPerDip) = 0;
  virtual HRESULT DrawGlyphRun(void* Context, float BaselineOriginX, float BaselineOriginY,
                               DWRITE_MEASURING_MODE Mode, const DWRITE_GLYPH_RUN& Run,
                               const DWRITE_GLYPH_RUN_DESCRIPTION& Description, IUnknown* Effect) = 0;
  virtual HRESULT DrawStrikethrough(void* Context, float BaselineOriginX, float BaselineOriginY,
                                    const DWRITE_STRIKETHROUGH& Strikethrough, IUnknown* Effect) = 0;
};

// One shaped glyph run of a layout: one face, one direction, one set of
// drawing attributes.
struct TDWriteRun {
  std::shared_ptr<core::TCoreFontFace> Face;
  UINT32 TextPosition = 0, TextLength = 0;  // characters of the displayed text
  std::vector<uint16_t> Indices;
  std::vector<float> Advances;              // pixels
  std::vector<DWRITE_GLYPH_OFFSET> Offsets; // pixels, y up
  std::vector<uint16_t> ClusterMap;         // per character: its first glyph in the run
  std::vector<UINT32> GlyphClusters;        // per glyph: the first character of its cluster (in the run)
  uint8_t BidiLevel = 0;
  bool Strike = false;
  std::shared_ptr<IUnknown> Effect;         // the drawing effect of the range
  float X = 0;                              // pen position of the run from the layout's left
  float Width = 0;
};

class IDWriteTextLayout : public IDWriteTextFormat {
 public:
  HRESULT SetMaxWidth(float W) {
    FMaxWidth = W;
    FShaped = false;
    return S_OK;
  }
  HRESULT SetMaxHeight(float H) {
    FMaxHeight = H;
    return S_OK;
  }
  float GetMaxWidth() const { return FMaxWidth; }
  float GetMaxHeight() const { return FMaxHeight; }
  // Ranges are clipped to the text.
  HRESULT SetStrikethrough(BOOL On, DWRITE_TEXT_RANGE Range);
  HRESULT SetFontWeight(UINT32 Weight, DWRITE_TEXT_RANGE Range);
  HRESULT SetFontStyle(DWRITE_FONT_STYLE Style, DWRITE_TEXT_RANGE Range);
  HRESULT SetDrawingEffect(std::shared_ptr<IUnknown> Effect, DWRITE_TEXT_RANGE Range);
  // The features of the range's characters; runs split where they change.
  HRESULT SetTypography(std::shared_ptr<IDWriteTypography> T, DWRITE_TEXT_RANGE Range);
  // The typography of the character at Position (null: none set).
  std::shared_ptr<IDWriteTypography> GetTypography(UINT32 Position) const;
  // Character trimming cuts the text where it overflows the maximum width
  // and ends it with the sign.
  HRESULT SetTrimming(const DWRITE_TRIMMING& T, std::shared_ptr<IDWriteInlineObject> Sign);
  // Justification spreads lines that wrap; a layout never wraps, so the
  // alignment is kept without effect (as for one unwrapped line).
  HRESULT SetTextAlignment(DWRITE_TEXT_ALIGNMENT A) {
    FAlignment = A;
    return S_OK;
  }
  DWRITE_TEXT_ALIGNMENT GetTextAlignment() const { return FAlignment; }
  HRESULT GetMetrics(DWRITE_TEXT_METRICS* M);
  // One entry per glyph run the range touches, placed with the layout's
  // top-left at (OriginX, OriginY).
  HRESULT HitTestTextRange(UINT32 Start, UINT32 Length, float OriginX, float OriginY,
                           std::vector<DWRITE_HIT_TEST_METRICS>* Metrics);
  const String& Text() const { return FText; }
  // The text as drawn (after trimming).
  const String& DisplayText();
  // Hands every run to the renderer in visual order, the layout's top-left
  // at (OriginX, OriginY): each glyph run, then its strike-through. The
  // baseline falls on a device pixel row unless the renderer disables
  // snapping or its transform rotates or skews.
  HRESULT Draw(void* Context, IDWriteTextRenderer* Renderer, float OriginX, float OriginY);
  // Shaped runs in visual order.
  const std::vector<TDWriteRun>& Runs();
  // The baseline below the layout's top, in pixels.
  float BaselineOffset() const;
  bool Strikethrough() const;

 private:
  friend class IDWriteFactory;
  struct TCharFormat {
    UINT32 Weight;
    DWRITE_FONT_STYLE Style;
    bool Strike = false;
    uint16_t Typography = 0;  // 1 + an index into FTypographies; 0 for none
    std::shared_ptr<IUnknown> Effect;
  };
  template <class F>
  void apply(DWRITE_TEXT_RANGE Range, F&& Set);
  void shape();
  void shapeText(const String& Text, const std::vector<TCharFormat>& Formats);
  std::shared_ptr<core::TCoreFontFace> faceFor(UINT32 Weight, DWRITE_FONT_STYLE Style);
  String FText, FDisplay;
  std::vector<TCharFormat> FFormats;
  float FMaxWidth = 0, FMaxHeight = 0;
  // Typographies of differing features (one entry serves every object
  // with the same features, so equal ones never split a run).
  std::vector<std::shared_ptr<IDWriteTypography>> FTypographies;
  DWRITE_TRIMMING FTrimming;
  bool FTrimSign = false;
  DWRITE_TEXT_ALIGNMENT FAlignment = DWRITE_TEXT_ALIGNMENT_LEADING;
  std::vector<TDWriteRun> FRuns;
  std::vector<std::pair<std::pair<UINT32, DWRITE_FONT_STYLE>, std::shared_ptr<core::TCoreFontFace>>> FFaces;
  float FWidth = 0, FTrailing = 0;
  bool FShaped = false;
  bool FTrimmed = false;  // FDisplay holds the text as drawn
};

// Font files served by the application (in-memory fonts): DirectWrite asks
// a collection loader for an enumerator of files, and a file loader for a
// stream of each file's bytes.
using UINT64 = uint64_t;
class IDWriteFontFileStream : public IUnknown {
 public:
  // Points Start at Size bytes from Offset; E_FAIL (with null pointers)
  // when they are not all inside the file.
  virtual HRESULT ReadFileFragment(const void** Start, UINT64 Offset, UINT64 Size, void** Context) = 0;
  virtual void ReleaseFileFragment(void* Context) = 0;
  virtual HRESULT GetFileSize(UINT64* Size) = 0;
  virtual HRESULT GetLastWriteTime(UINT64* Time) = 0;
};
class IDWriteFontFileLoader : public IUnknown {
 public:
  virtual HRESULT CreateStreamFromKey(const void* Key, UINT32 KeySize,
                                      std::shared_ptr<IDWriteFontFileStream>* Stream) = 0;
};
class IDWriteFontFile : public IUnknown {
 public:
  std::vector<uint8_t> Key;
  std::shared_ptr<IDWriteFontFileLoader> Loader;
};
class IDWriteFontFileEnumerator : public IUnknown {
 public:
  virtual HRESULT MoveNext(BOOL* HasCurrentFile) = 0;
  virtual HRESULT GetCurrentFontFile(std::shared_ptr<IDWriteFontFile>* File) = 0;
};
class IDWriteFontCollectionLoader : public IUnknown {
 public:
  virtual HRESULT CreateEnumeratorFromKey(IDWriteFactory* Factory, const void* Key, UINT32 KeySize,
                                          std::shared_ptr<IDWriteFontFileEnumerator>* Enumerator) = 0;
};

class IDWriteFactory : public IUnknown {
 public:
  // Loaders must be registered before collections or file references use
  // them; registering one twice is DWRITE_E_ALREADYREGISTERED.
  HRESULT RegisterFontFileLoader(std::shared_ptr<IDWriteFontFileLoader> Loader);
  HRESULT UnregisterFontFileLoader(IDWriteFontFileLoader* Loader);
  HRESULT RegisterFontCollectionLoader(std::shared_ptr<IDWriteFontCollectionLoader> Loader);
  HRESULT UnregisterFontCollectionLoader(IDWriteFontCollectionLoader* Loader);
  HRESULT CreateCustomFontFileReference(const void* Key, UINT32 KeySize, IDWriteFontFileLoader* Loader,
                                        std::shared_ptr<IDWriteFontFile>* File);
  // The faces of every file the loader's enumerator gives; files whose bytes
  // are not a font are skipped.
  HRESULT CreateCustomFontCollection(IDWriteFontCollectionLoader* Loader, const void* Key, UINT32 KeySize,
                                     std::shared_ptr<IDWriteFontCollection>* Collection);
  HRESULT GetSystemFontCollection(std::shared_ptr<IDWriteFontCollection>* C, BOOL CheckForUpdates = 0);
  // A null collection is the system collection.
  HRESULT CreateTextFormat(StringView Family, std::shared_ptr<IDWriteFontCollection> Collection, UINT32 Weight,
                           DWRITE_FONT_STYLE Style, DWRITE_FONT_STRETCH Stretch, float Size, StringView Locale,
                           std::shared_ptr<IDWriteTextFormat>* Format);
  HRESULT CreateTextLayout(StringView Text, IDWriteTextFormat* Format, float MaxWidth, float MaxHeight,
                           std::shared_ptr<IDWriteTextLayout>* Layout);
  HRESULT CreateTypography(std::shared_ptr<IDWriteTypography>* T);
  HRESULT CreateEllipsisTrimmingSign(IDWriteTextFormat* Format, std::shared_ptr<IDWriteInlineObject>* Sign);

 private:
  std::vector<std::shared_ptr<IDWriteFontFileLoader>> FFileLoaders;
  std::vector<std::shared_ptr<IDWriteFontCollectionLoader>> FCollectionLoaders;
};

// The shared system collection of the process (rebuilt when the font system
// changes between test and machine fonts).
std::shared_ptr<IDWriteFontCollection> DWriteSystemCollection();

}  // namespace ht::d2d
