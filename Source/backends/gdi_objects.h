#pragma once
// The GDI canvas's own drawing objects: fonts realised once at 1000 units
// to the em on a DC of their own (the canvas scales them by the world
// transform), pens that own a geometric GDI pen when the stock DC pen cannot
// draw them, and the per-canvas collection that installs a document's web
// fonts privately into the process.
#include <memory>
#include <vector>

#include "canvas/font.h"
#include "canvas/pen.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdi/gdi_draw.h"

namespace ht {

class THtFontGDI : public THtFont {
 public:
  static const THtFontClass ClassType;
  const THtFontClass* ClassRefOf() const override { return &ClassType; }

  THtFontGDI(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle);
  ~THtFontGDI() override;
  // The platform font never underlines: the canvas draws underlines.
  void SetStyle(THtFontStyles Value) override;

  std::unique_ptr<gdi::TFont> Font;  // 1000 pixels to the em
  gdi::HDC FFontDC = nullptr;        // GM_ADVANCED, Font selected

 private:
  void computeMetrics();
};

class THtPenGDI : public THtPen {
 public:
  static const THtPenClass ClassType;
  const THtPenClass* ClassRefOf() const override { return &ClassType; }

  THtPenGDI(uint32_t AColor, float AWidth);
  ~THtPenGDI() override;

  void SetColor(uint32_t Value) override;
  void SetWidth(float Value) override;
  void SetAlignInset(bool Value) override;
  void SetStyle(THtPenStyle Value) override;
  void SetLineJoin(THtLineJoin Value) override;
  void SetDashOffset(float Value) override;
  void SetLineCap(THtLineCap Value) override;

  // The geometric pen for the current settings; null when a solid, mitered,
  // flat-capped pen of width 1 or less lets the canvas use the DC pen.
  gdi::HPEN FPen = nullptr;

 private:
  void makePen();
};

// The ExtCreatePen style of a pen's settings (geometric, cap, style, join).
gdi::DWORD GdiPenStyle(const THtPen& Pen);

class THtFontCollectionGDI : public THtFontCollection {
 public:
  using THtFontCollection::THtFontCollection;
  // Takes back the fonts installed from streams; file fonts stay.
  ~THtFontCollectionGDI() override;

  // A missing or unusable file is ignored.
  void AddFontFile(const String& AName, const String& AFileName) override;
  // Raises EGdiError when the bytes hold no font.
  void AddFontStream(const String& AName, TStream& AStream) override;
  void AddFontsFrom(THtFontCollection* ASource) override { CopyCustomFontsFrom(ASource); }

  std::vector<gdi::HANDLE> MemFonts;
};

}  // namespace ht
