#pragma once
// Fonts of the GDI+ canvas: a GDI+ font to draw glyph runs with, a text
// brush, and a GDI font of the same family held at 1000 units to the em in a
// DC of its own, on which the canvas shapes text. Web fonts go into a GDI+
// private collection (and into GDI as private memory fonts, so shaping finds
// the same face) owned by the canvas's font collection.
#include <memory>
#include <vector>

#include "canvas/font.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdiplus/gdiplus.h"

namespace ht {

class THtFontGP : public THtFont {
 public:
  static const THtFontClass ClassType;
  const THtFontClass* ClassRefOf() const override { return &ClassType; }

  // Raises Exception "Invalid font parameter" when neither the family nor
  // "Arial" can be made.
  THtFontGP(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle);
  ~THtFontGP() override;

  // A change of underline or strike-out only is just stored; anything else
  // realises the font again.
  void SetStyle(THtFontStyles Value) override;
  // Empties the width cache when the scale changes.
  void SetScale(float Value) override;
  // Fills the metrics from the family (a web font from the owner's private
  // fonts first).
  void RealizeFont();

  std::unique_ptr<gdiplus::Font> Font;
  gdiplus::SolidBrush Brush{0xFF000000};
  gdi::HDC GDIDC = nullptr;
  gdi::TFont GDIFont;
};

class TGPPrivateFonts {
 public:
  TGPPrivateFonts() = default;
  ~TGPPrivateFonts();
  TGPPrivateFonts(const TGPPrivateFonts&) = delete;
  TGPPrivateFonts& operator=(const TGPPrivateFonts&) = delete;

  // Names already known (ignoring case) are not loaded again.
  void AddFont(const String& FontName, const String& FontUrl);
  void AddFontData(const String& FontName, TStream& FontData);
  // The family whose name inside the font equals FontName (ignoring case),
  // when FontName was added; null otherwise. The caller owns it.
  std::unique_ptr<gdiplus::FontFamily> GetFont(StringView FontName) const;

  std::vector<String> FontNames;  // lower case
  gdiplus::PrivateFontCollection Fonts;

 private:
  void addToGdi(const std::vector<uint8_t>& Bytes);
  std::vector<gdi::HANDLE> FGdiFonts;
};

class THtGPFontCollection : public THtFontCollection {
 public:
  using THtFontCollection::THtFontCollection;
  ~THtGPFontCollection() override;

  void AddFontFile(const String& AName, const String& AFileName) override;
  void AddFontStream(const String& AName, TStream& AStream) override;
  // Copies the custom fonts of ASource that have bytes and are not here yet.
  void AddFontsFrom(THtFontCollection* ASource) override;

  TGPPrivateFonts* PrivateFonts() const { return FPrivateFonts.get(); }

 private:
  std::unique_ptr<TGPPrivateFonts> FPrivateFonts;
};

}  // namespace ht
