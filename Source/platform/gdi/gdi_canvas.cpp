#include "platform/gdi/gdi_canvas.h"

#include <cmath>

namespace ht::gdi {

TFont::~TFont() {
  if (FHandle) DeleteObject(FHandle);
}

void TFont::changed() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

void TFont::SetHeight(int Value) {
  if (Value != FHeight) {
    FHeight = Value;
    changed();
  }
}

int TFont::Size() const { return -int(std::lround(double(FHeight) * 72 / PixelsPerInch)); }

void TFont::SetSize(int Value) { SetHeight(-int(std::lround(double(Value) * PixelsPerInch / 72))); }

void TFont::SetName(StringView Value) {
  if (Value != Name) {
    Name = String(Value);
    changed();
  }
}

void TFont::SetStyle(uint8_t Value) {
  if (Value != Style) {
    Style = Value;
    changed();
  }
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONTW lf;
    lf.lfHeight = FHeight;
    lf.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (Style & fsItalic) ? 1 : 0;
    lf.lfUnderline = (Style & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (Style & fsStrikeOut) ? 1 : 0;
    for (size_t i = 0; i < Name.size() && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = Name[i];
    FHandle = CreateFontIndirectW(&lf);
  }
  return FHandle;
}

TCanvas::TCanvas(HDC Dc) : FDc(Dc ? Dc : CreateCompatibleDC(nullptr)), FOwnDc(Dc == nullptr) {}

TCanvas::~TCanvas() {
  if (FOwnDc) DeleteDC(FDc);
}

HDC TCanvas::Handle() {
  SelectObject(FDc, Font.Handle());
  return FDc;
}

SIZE TCanvas::TextExtent(StringView Text) {
  SIZE s;
  GetTextExtentPoint32W(Handle(), Text.data(), int(Text.size()), &s);
  return s;
}

int TCanvas::TextWidth(StringView Text) { return TextExtent(Text).cx; }

bool TCanvas::GetTextMetrics(TEXTMETRICW& Tm) { return GetTextMetricsW(Handle(), &Tm) != 0; }

TBitmap::TBitmap(int W, int H) : FBitmap(CreateCompatibleBitmap(nullptr, W, H)) {
  FCanvas = std::make_unique<TCanvas>();
  SelectObject(FCanvas->Handle(), FBitmap);
}

TBitmap::~TBitmap() {
  FCanvas.reset();
  DeleteObject(FBitmap);
}

void TBitmap::SetSize(int W, int H) {
  HBITMAP b = CreateCompatibleBitmap(nullptr, W, H);
  SelectObject(FCanvas->Handle(), b);
  DeleteObject(FBitmap);
  FBitmap = b;
}

}  // namespace ht::gdi
