#include "backends/gdi_objects.h"

#include <cmath>
#include <filesystem>

#include "backends/path_gdi.h"
#include "canvas/colors.h"
#include "platform/rtl/numeric.h"

namespace ht {

const THtFontClass THtFontGDI::ClassType{
    "THtFontGDI", &THtFont::ClassType,
    CreateInstance<THtFontGDI, THtFont, THtFontCollection*, const String&, float, THtFontStyles>};
const THtPenClass THtPenGDI::ClassType{"THtPenGDI", &THtPen::ClassType,
                                       CreateInstance<THtPenGDI, THtPen, uint32_t, float>};

namespace {

uint8_t gdiStyle(THtFontStyles s) {
  return uint8_t((s.Contains(hfsBold) ? gdi::fsBold : 0) | (s.Contains(hfsItalic) ? gdi::fsItalic : 0) |
                 (s.Contains(hfsStrikeOut) ? gdi::fsStrikeOut : 0));
}

}  // namespace

// ---------------------------------------------------------------- fonts

THtFontGDI::THtFontGDI(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle)
    : THtFont(AOwner, AFamily, AHeight, AStyle) {
  Font = std::make_unique<gdi::TFont>();
  Font->SetName(RealName);
  Font->PixelsPerInch = 72;
  Font->SetSize(1000);
  Font->SetStyle(gdiStyle(AStyle));
  FFontDC = gdi::CreateCompatibleDC(nullptr);
  gdi::SetGraphicsMode(FFontDC, gdi::GM_ADVANCED);
  computeMetrics();
}

THtFontGDI::~THtFontGDI() { gdi::DeleteDC(FFontDC); }

void THtFontGDI::SetStyle(THtFontStyles Value) {
  THtFont::SetStyle(Value);
  Font->SetStyle(gdiStyle(Value));
  gdi::SelectObject(FFontDC, Font->Handle());
}

void THtFontGDI::computeMetrics() {
  const double a = FHeight / 1000.0, H = std::abs(Font->Height());
  gdi::SelectObject(FFontDC, Font->Handle());
  char16_t face[256];
  if (gdi::GetTextFaceW(FFontDC, 256, face) > 0) RealName = face;
  gdi::TEXTMETRICW tm;
  if (gdi::GetTextMetricsW(FFontDC, &tm)) {
    Fixed = (tm.tmPitchAndFamily & gdi::TMPF_FIXED_PITCH) == 0;
    Ascent = float(tm.tmAscent * a);
    Descent = float(tm.tmDescent * a);
    LineHeight = float((tm.tmHeight + tm.tmExternalLeading) * a);
    gdi::SIZE four, spaced;
    gdi::GetTextExtentPoint32W(FFontDC, u"iiii", 4, &four);
    gdi::GetTextExtentPoint32W(FFontDC, u"i            ", 13, &spaced);
    MinCharWidth = float(four.cx * a / 4);
    SpaceWidth = float((spaced.cx - four.cx / 4.0) * a / 12);
    if (Fixed) FixedCharWidth = SpaceWidth;
    if (tm.tmAscent + tm.tmDescent > 2 * H) {
      // A cell more than twice the size: the em box shares the ascent's
      // proportion.
      Ascent = float(tm.tmAscent * H / tm.tmHeight * a);
      Descent = float((H - tm.tmAscent) * a);
      LineHeight = Ascent + Descent;
    }
  } else {
    Ascent = float(0.8 * H * a);
    Descent = float(0.2 * H * a);
    LineHeight = float(1.1 * H * a);
    MinCharWidth = SpaceWidth = float(H * a);
  }
}

// ---------------------------------------------------------------- pens

gdi::DWORD GdiPenStyle(const THtPen& Pen) {
  static constexpr gdi::DWORD caps[] = {gdi::PS_ENDCAP_FLAT, gdi::PS_ENDCAP_SQUARE, gdi::PS_ENDCAP_ROUND};
  static constexpr gdi::DWORD styles[] = {gdi::PS_SOLID,      gdi::PS_DASH,          gdi::PS_DOT,
                                          gdi::PS_DASHDOT,    gdi::PS_DASHDOTDOT,    gdi::PS_NULL};
  static constexpr gdi::DWORD joins[] = {gdi::PS_JOIN_MITER, gdi::PS_JOIN_BEVEL, gdi::PS_JOIN_ROUND};
  return gdi::PS_GEOMETRIC | caps[Pen.GetLineCap() % 3] | styles[Pen.GetStyle() % 6] | joins[Pen.GetLineJoin() % 3];
}

THtPenGDI::THtPenGDI(uint32_t AColor, float AWidth) : THtPen(AColor, AWidth) { makePen(); }

THtPenGDI::~THtPenGDI() {
  if (FPen) gdi::DeleteObject(FPen);
}

void THtPenGDI::makePen() {
  if (FPen) gdi::DeleteObject(FPen);
  FPen = nullptr;
  if (FPenStyle == hpsSolid && FLineJoin == ljMiter && FLineCap == lcFlat && FWidth <= 1) return;
  gdi::LOGBRUSH b;
  b.lbStyle = gdi::BS_SOLID;
  b.lbColor = SwapRedBlue(FColor);
  FPen = gdi::ExtCreatePen(GdiPenStyle(*this), gdi::DWORD(std::max(0, RoundHalfEven(FWidth))), &b, 0, nullptr);
}

void THtPenGDI::SetColor(uint32_t Value) {
  THtPen::SetColor(Value);
  makePen();
}
void THtPenGDI::SetWidth(float Value) {
  THtPen::SetWidth(Value);
  makePen();
}
void THtPenGDI::SetAlignInset(bool Value) {
  THtPen::SetAlignInset(Value);
  makePen();
}
void THtPenGDI::SetStyle(THtPenStyle Value) {
  THtPen::SetStyle(Value);
  makePen();
}
void THtPenGDI::SetLineJoin(THtLineJoin Value) {
  THtPen::SetLineJoin(Value);
  makePen();
}
void THtPenGDI::SetDashOffset(float Value) {
  THtPen::SetDashOffset(Value);
  makePen();
}
void THtPenGDI::SetLineCap(THtLineCap Value) {
  THtPen::SetLineCap(Value);
  makePen();
}

// ---------------------------------------------------------------- web fonts

THtFontCollectionGDI::~THtFontCollectionGDI() {
  for (gdi::HANDLE h : MemFonts) gdi::RemoveFontMemResourceEx(h);
}

void THtFontCollectionGDI::AddFontFile(const String&, const String& AFileName) {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(StringToUtf8(AFileName)), ec)) return;
  gdi::AddFontResourceExW(AFileName.c_str(), gdi::FR_PRIVATE, nullptr);
}

void THtFontCollectionGDI::AddFontStream(const String& AName, TStream& AStream) {
  const std::vector<uint8_t> bytes = StreamBytes(AStream);
  gdi::DWORD count = 0;
  gdi::HANDLE h = gdi::AddFontMemResourceEx(bytes.data(), gdi::DWORD(bytes.size()), nullptr, &count);
  if (!h) {
    core::SetLastError(core::csInvalidParameter);
    RaiseLastGdiError();
  }
  MemFonts.push_back(h);
  RecordCustomFont(AName, AStream);
}

}  // namespace ht
