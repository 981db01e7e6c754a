#pragma once
// Fonts and font collections. Fonts are made only by a collection's GetFont,
// shared per (family, height, style without decorations, features) and owned
// by the collection; each font keeps a cache of measured text widths.
#include <memory>
#include <vector>

#include "canvas/canvas_types.h"
#include "markup/hash_dictionary.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/object.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/string.h"

namespace ht {

// Class reference of the fonts; the virtual constructor takes the owner
// collection, the family, the height in CSS pixels and the style.
class THtFontClass : public TClassRef<THtFont, THtFontCollection*, const String&, float, THtFontStyles> {
 public:
  using TClassRef::TClassRef;
};

// One cached width: the measured text is the key.
class THtFontWidthRec : public THtObject {
 public:
  THtFontWidthRec(StringView As, float AWidth) : s(As), width(AWidth) {}
  String s;
  float width;
};

class THtFont : public THtObject {
 public:
  static const THtFontClass ClassType;
  virtual const THtFontClass* ClassRefOf() const { return &ClassType; }

  // AOwner is required (EAssertionFailed without one). RealName is AFamily
  // with a generic family replaced by the owner's canvas class.
  THtFont(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle);

  virtual void SetScale(float Value) { FScale = Value; }
  virtual void SetStyle(THtFontStyles Value) { FStyle = Value; }

  // Looks up the ALength units of s from AFirstChar (1-based) without
  // building a string. Found: W = the cached width and true; otherwise
  // false and W unchanged (also for a range outside s).
  virtual bool GetWidth(StringView s, int AFirstChar, int ALength, float& W) const;
  // Caches W for s, replacing an entry with the same key.
  virtual void AddWidth(StringView s, float W);
  // The same for the key formed by the ALength units from AFirstChar
  // (1-based; clipped to s).
  virtual void AddWidth(StringView s, int AFirstChar, int ALength, float W);

  const String& FontKey() const { return FFontKey; }
  float Size() const { return FSize; }
  float Height() const { return FHeight; }
  const String& Family() const { return FFamily; }
  float Scale() const { return FScale; }
  THtFontStyles Style() const { return FStyle; }
  THtObjectDictionary& Widths() const { return *FWidths; }
  THtFontCollection* Owner() const { return FOwner; }

  // The key function of the collection's dictionary.
  static StringView KeyOf(const THtObject* AFont) { return static_cast<const THtFont*>(AFont)->FFontKey; }

  String RealName;  // the family after generic names are replaced
  std::vector<String> FontFeatureSettings;
  // Filled by the back ends when they realise the font.
  float FixedCharWidth = 0, MinCharWidth = 0, SpaceWidth = 0;
  bool Custom = false, Fixed = false;
  float Ascent = 0, Descent = 0, LineHeight = 0, UnderlinePosition = 0, UnderlineThikness = 0,
        StrikeoutPosition = 0;

 protected:
  friend class THtFontCollection;
  String FFontKey;
  float FSize;    // points: height * 72 / 96
  float FHeight;  // CSS pixels, as requested
  String FFamily; // as requested, at most 31 units
  float FScale = 1.0f;
  THtFontStyles FStyle;
  std::unique_ptr<THtObjectDictionary> FWidths;
  THtFontCollection* FOwner;
};

// A private font added to a collection by a back end.
class THtCustomFont : public THtObject {
 public:
  String FontNameLower;
  String FontName;
  THtBytes FontData;  // the font file
};

// The fonts of a canvas, keyed by THtFont::FontKey and owned.
class THtFontCollection : public THtObjectDictionary {
 public:
  THtFontCollection(const THtCanvasClass* ACanvasClass, bool AShared);
  ~THtFontCollection() override;

  // The font for a family, height, style and features, created on first
  // request. Underline and strike-out share the font of the plain style; the
  // returned font carries the full AStyle of this request.
  virtual THtFont* GetFont(StringView AFamily, float AHeight, THtFontStyles AStyle,
                           const std::vector<String>& AFeatures = {});
  // Passes the file to AddFontStream when it exists; a missing file is
  // ignored.
  virtual void AddFontFile(const String& AName, const String& AFileName);
  virtual void AddFontStream(const String& AName, TStream& AStream);
  virtual void AddFontsFrom(THtFontCollection* ASource);
  virtual THtBytes GetFontData();

  // The key under which GetFont keeps a font.
  static String FontKeyFor(StringView AFamily, float AHeight, THtFontStyles AStyle,
                           const std::vector<String>& AFeatures);

  const THtCanvasClass* CanvasClass;  // makes the fonts
  bool Shared;                        // the one collection a back end shares
  // Added fonts keep their bytes (a document sets this on the collection of
  // a recording canvas, so the fonts travel with the recording).
  bool KeepFontData = false;
  std::unique_ptr<THtObjectDictionary> CustomFonts;  // of THtCustomFont by FontNameLower

 protected:
  // Files a font a back end has just added under its name, with its bytes
  // when KeepFontData is set.
  void RecordCustomFont(const String& AName, TStream& AStream);
  // Adds, through AddFontStream, each font of ASource that kept its bytes and
  // is not here yet.
  void CopyCustomFontsFrom(THtFontCollection* ASource);
};

// The whole stream from position 0 (a memory stream's own bytes).
std::vector<uint8_t> StreamBytes(TStream& Stream);


}  // namespace ht
