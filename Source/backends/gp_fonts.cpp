#include "backends/gp_fonts.h"

#include <cmath>
#include <fstream>
#include <iterator>

#include "backends/canvas_gp.h"
#include "platform/rtl/exception.h"

namespace ht {

const THtFontClass THtFontGP::ClassType{
    "THtFontGP", &THtFont::ClassType,
    CreateInstance<THtFontGP, THtFont, THtFontCollection*, const String&, float, THtFontStyles>};

namespace {

String trimmed(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == u' ' || s[b] == u'\t')) ++b;
  while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t')) --e;
  return String(s.substr(b, e - b));
}

uint8_t gdiStyle(THtFontStyles s) {
  return uint8_t((s.Contains(hfsBold) ? gdi::fsBold : 0) | (s.Contains(hfsItalic) ? gdi::fsItalic : 0));
}

}  // namespace


// ---------------------------------------------------------------- THtFontGP

THtFontGP::THtFontGP(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle)
    : THtFont(AOwner, AFamily, AHeight, AStyle) {
  GDIFont.PixelsPerInch = 72;
  GDIFont.SetName(RealName);
  GDIFont.SetStyle(gdiStyle(AStyle));
  GDIFont.SetSize(1000);
  GDIDC = gdi::CreateCompatibleDC(nullptr);
  gdi::SetGraphicsMode(GDIDC, gdi::GM_ADVANCED);
  try {
    RealizeFont();
  } catch (...) {
    gdi::DeleteDC(GDIDC);
    throw;
  }
}

THtFontGP::~THtFontGP() { gdi::DeleteDC(GDIDC); }

void THtFontGP::RealizeFont() {
  gdi::TBitmap tmp(1, 1);
  gdi::TCanvas& canvas = tmp.Canvas();
  const int gpStyle = (FStyle.Contains(hfsBold) ? gdiplus::FontStyleBold : 0) |
                      (FStyle.Contains(hfsItalic) ? gdiplus::FontStyleItalic : 0);
  const float em = std::max(FHeight, 1.0f);

  std::unique_ptr<gdiplus::FontFamily> family;
  if (auto* owner = dynamic_cast<THtGPFontCollection*>(FOwner); owner && owner->PrivateFonts())
    family = owner->PrivateFonts()->GetFont(RealName);

  std::unique_ptr<gdiplus::Font> made;
  bool system = !family;
  if (family) {
    Custom = true;
    Fixed = false;
    made = std::make_unique<gdiplus::Font>(family.get(), em, gpStyle, gdiplus::UnitPixel);
    FSize = made->GetSize();
    MinCharWidth = FHeight / 3;
  } else {
    canvas.Font.SetName(trimmed(RealName));
    canvas.Font.PixelsPerInch = 96;
    canvas.Font.SetHeight(-int(std::lround(FHeight)));
    canvas.Font.SetStyle(gdiStyle(FStyle));
    made = std::make_unique<gdiplus::Font>(RealName, em, gpStyle, gdiplus::UnitPixel);
    FSize = float(std::abs(canvas.Font.Size()));
    if (made->GetLastStatus() != gdiplus::Ok) {
      canvas.Font.SetName(u"Arial");
      made = std::make_unique<gdiplus::Font>(u"Arial", em, gpStyle, gdiplus::UnitPixel);
      if (made->GetLastStatus() != gdiplus::Ok) throw Exception(String(u"Invalid font parameter"));
    }
  }
  Font = std::move(made);
  if (system) {
    family = std::make_unique<gdiplus::FontFamily>();
    Font->GetFamily(family.get());
  }
  RealName = family->GetFamilyName();

  // Cell ascent and descent share the line height in proportion.
  float a = family->GetCellAscent(gpStyle), d = family->GetCellDescent(gpStyle);
  LineHeight = Font->GetHeight(nullptr);
  Ascent = a;
  Descent = d;
  if (a + d != 0) {
    Ascent = LineHeight * a / (a + d);
    Descent = LineHeight * d / (a + d);
  }

  if (system) {
    gdi::TEXTMETRICW tm;
    canvas.GetTextMetrics(tm);
    Fixed = (tm.tmPitchAndFamily & gdi::TMPF_FIXED_PITCH) == 0;
    if (Fixed) Ascent = std::ceil(Ascent);
    if (Ascent == 0) Ascent = float(tm.tmAscent);
    if (Descent == 0) Descent = float(tm.tmDescent);
    MinCharWidth = float(canvas.TextWidth(u"i"));
  }

  GDIFont.SetName(RealName);
  GDIFont.SetStyle(gdiStyle(FStyle));
  gdi::SelectObject(GDIDC, GDIFont.Handle());

  UnderlinePosition = Descent / 2 - std::trunc(std::fabs(FHeight) / 18) / 2;
  StrikeoutPosition = Ascent * 0.7f - Ascent;

  const THtTextStyle plain;
  SpaceWidth = THtCanvasGP::ClassType.MeasureString(u"Z Z", this, plain, 1, 1, -1) -
               THtCanvasGP::ClassType.MeasureString(u"ZZ", this, plain, 1, 1, -1);
  if (system) FixedCharWidth = SpaceWidth;
}

void THtFontGP::SetStyle(THtFontStyles Value) {
  const THtFontStyles decorations{hfsUnderline, hfsStrikeOut};
  bool onlyDecorations = (Value - decorations) == (FStyle - decorations);
  THtFont::SetStyle(Value);
  if (!onlyDecorations) RealizeFont();
}

void THtFontGP::SetScale(float Value) {
  if (SameSingle(Value, FScale)) return;
  THtFont::SetScale(Value);
  FWidths->Clear(1023);
}

// ---------------------------------------------------------------- private fonts

TGPPrivateFonts::~TGPPrivateFonts() {
  for (gdi::HANDLE h : FGdiFonts) gdi::RemoveFontMemResourceEx(h);
}

void TGPPrivateFonts::addToGdi(const std::vector<uint8_t>& Bytes) {
  if (Bytes.empty()) return;
  gdi::DWORD count = 0;
  if (gdi::HANDLE h = gdi::AddFontMemResourceEx(Bytes.data(), gdi::DWORD(Bytes.size()), nullptr, &count))
    FGdiFonts.push_back(h);
}

void TGPPrivateFonts::AddFont(const String& FontName, const String& FontUrl) {
  String lower = FontNameLowerCase(FontName);
  if (std::find(FontNames.begin(), FontNames.end(), lower) != FontNames.end()) return;
  Fonts.AddFontFile(FontUrl);
  // GDI shapes what GDI+ draws: it gets the same face.
  std::ifstream in(StringToUtf8(FontUrl), std::ios::binary);
  if (in) addToGdi(std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  FontNames.push_back(lower);
}

void TGPPrivateFonts::AddFontData(const String& FontName, TStream& FontData) {
  String lower = FontNameLowerCase(FontName);
  if (std::find(FontNames.begin(), FontNames.end(), lower) != FontNames.end()) return;
  std::vector<uint8_t> bytes = StreamBytes(FontData);
  if (!bytes.empty()) Fonts.AddMemoryFont(bytes.data(), int(bytes.size()));
  addToGdi(bytes);
  FontNames.push_back(lower);
}

std::unique_ptr<gdiplus::FontFamily> TGPPrivateFonts::GetFont(StringView FontName) const {
  String lower = FontNameLowerCase(FontName);
  if (std::find(FontNames.begin(), FontNames.end(), lower) == FontNames.end()) return nullptr;
  for (const auto& f : Fonts.GetFamilies())
    if (SameTextAscii(f.GetFamilyName(), FontName)) return f.Clone();
  return nullptr;
}

// ---------------------------------------------------------------- collection

THtGPFontCollection::~THtGPFontCollection() {
  // Fonts refer to the private fonts while they are freed.
  Clear();
}

void THtGPFontCollection::AddFontFile(const String& AName, const String& AFileName) {
  if (!FPrivateFonts) FPrivateFonts = std::make_unique<TGPPrivateFonts>();
  FPrivateFonts->AddFont(AName, AFileName);
}

void THtGPFontCollection::AddFontStream(const String& AName, TStream& AStream) {
  if (!FPrivateFonts) FPrivateFonts = std::make_unique<TGPPrivateFonts>();
  FPrivateFonts->AddFontData(AName, AStream);
  RecordCustomFont(AName, AStream);
}

void THtGPFontCollection::AddFontsFrom(THtFontCollection* ASource) {
  CopyCustomFontsFrom(ASource);
}

}  // namespace ht
