#pragma once
// The platform's canvas classes over the GDI facade: a font description that
// realises a GDI font on demand, a canvas on a DC (the engine's scene
// target) and a bitmap with its own canvas.
#include <memory>

#include "platform/gdi/gdi.h"
#include "platform/rtl/object.h"

namespace ht::gdi {

enum TFontStyleBit : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont {
 public:
  TFont() = default;
  ~TFont();
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  String Name = u"Segoe UI";
  int PixelsPerInch = 96;
  // Pixels: negative is the em size, positive the cell height.
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  // Points at PixelsPerInch: Height = -round(Size * PixelsPerInch / 72).
  int Size() const;
  void SetSize(int Value);
  uint8_t Style = 0;  // TFontStyleBit set
  void SetName(StringView Value);
  void SetStyle(uint8_t Value);
  // The GDI font for the current description, made on first use after a
  // change; owned.
  HFONT Handle();

 private:
  int FHeight = -16;
  HFONT FHandle = nullptr;
  void changed();
};

class TCanvas : public THtObject {
 public:
  // On Dc, or on a memory DC of its own when Dc is null.
  explicit TCanvas(HDC Dc = nullptr);
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The DC with Font selected.
  HDC Handle();
  TFont Font;
  int TextWidth(StringView Text);
  SIZE TextExtent(StringView Text);
  bool GetTextMetrics(TEXTMETRICW& Tm);

 private:
  HDC FDc;
  bool FOwnDc;
};

class TBitmap : public THtObject {
 public:
  TBitmap(int W = 1, int H = 1);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  void SetSize(int W, int H);
  int Width() const { return FBitmap->Surface.Width(); }
  int Height() const { return FBitmap->Surface.Height(); }
  core::TCoreSurface& Surface() { return FBitmap->Surface; }
  HBITMAP Handle() const { return FBitmap; }
  TCanvas& Canvas() { return *FCanvas; }

 private:
  HBITMAP FBitmap;
  std::unique_ptr<TCanvas> FCanvas;
};

}  // namespace ht::gdi
