#include "platform/d2d/dwrite.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace ht::d2d {

namespace {

bool sameName(StringView a, StringView b) { return SameTextAscii(a, b); }

std::string featureString(const DWRITE_FONT_FEATURE& F) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += char((F.nameTag >> (8 * i)) & 0xFF);
  return s + "=" + std::to_string(F.parameter);
}

bool isSpace(char16_t c) { return c <= u' ' || c == u'\u00A0'; }

}  // namespace

// ---------------------------------------------------------------- names, fonts, families

HRESULT IDWriteLocalizedStrings::FindLocaleName(const String& Locale, UINT32* Index, BOOL* Exists) const {
  *Index = 0;
  *Exists = 0;
  for (size_t i = 0; i < Names.size(); ++i)
    if (sameName(Names[i].first, Locale)) {
      *Index = UINT32(i);
      *Exists = 1;
      break;
    }
  return S_OK;
}

HRESULT IDWriteLocalizedStrings::GetStringLength(UINT32 Index, UINT32* Length) const {
  if (Index >= Names.size()) return E_INVALIDARG;
  *Length = UINT32(Names[Index].second.size());
  return S_OK;
}

HRESULT IDWriteLocalizedStrings::GetString(UINT32 Index, String* Name) const {
  if (Index >= Names.size()) return E_INVALIDARG;
  *Name = Names[Index].second;
  return S_OK;
}

void IDWriteFont::GetMetrics(DWRITE_FONT_METRICS* M) const {
  const core::TFontMetrics& m = Face->Metrics();
  M->designUnitsPerEm = UINT32(m.UnitsPerEm);
  M->ascent = UINT32(std::max(0, m.WinAscent));
  M->descent = UINT32(std::max(0, m.WinDescent));
  M->lineGap = m.LineGap;
  M->underlinePosition = m.UnderlinePosition;
  M->underlineThickness = UINT32(std::max(0, m.UnderlineThickness));
  M->strikethroughPosition = m.StrikeoutPosition;
  M->strikethroughThickness = UINT32(std::max(0, m.StrikeoutSize));
}

DWRITE_FONT_WEIGHT IDWriteFont::GetWeight() const { return DWRITE_FONT_WEIGHT(Face->Metrics().Weight); }
DWRITE_FONT_STYLE IDWriteFont::GetStyle() const {
  return Face->Metrics().Italic ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL;
}

HRESULT IDWriteFontFamily::GetFamilyNames(std::shared_ptr<IDWriteLocalizedStrings>* Names) const {
  auto n = std::make_shared<IDWriteLocalizedStrings>();
  n->Names.emplace_back(u"en-us", Name);
  *Names = std::move(n);
  return S_OK;
}

HRESULT IDWriteFontFamily::GetFirstMatchingFont(DWRITE_FONT_WEIGHT Weight, DWRITE_FONT_STRETCH,
                                                DWRITE_FONT_STYLE Style, std::shared_ptr<IDWriteFont>* Font) const {
  Font->reset();
  std::shared_ptr<core::TCoreFontFace> face;
  if (Faces.empty()) {
    face = core::FontSystem::Find(Name, int(Weight), Style != DWRITE_FONT_STYLE_NORMAL).Face;
  } else {
    // The closest weight, the requested slant first.
    int best = -1;
    bool italic = Style != DWRITE_FONT_STYLE_NORMAL;
    for (auto& f : Faces) {
      int score = std::abs(f->Metrics().Weight - int(Weight)) + (f->Metrics().Italic != italic ? 10000 : 0);
      if (best < 0 || score < best) {
        best = score;
        face = f;
      }
    }
  }
  if (!face) return E_FAIL;
  auto f = std::make_shared<IDWriteFont>();
  f->Face = std::move(face);
  *Font = std::move(f);
  return S_OK;
}

HRESULT IDWriteFontCollection::GetFontFamily(UINT32 Index, std::shared_ptr<IDWriteFontFamily>* Family) const {
  if (Index >= Families.size()) {
    Family->reset();
    return E_INVALIDARG;
  }
  *Family = Families[Index];
  return S_OK;
}

HRESULT IDWriteFontCollection::FindFamilyName(StringView Name, UINT32* Index, BOOL* Exists) const {
  *Index = 0xFFFFFFFF;
  *Exists = 0;
  for (size_t i = 0; i < Families.size(); ++i)
    if (sameName(Families[i]->Name, Name)) {
      *Index = UINT32(i);
      *Exists = 1;
      break;
    }
  return S_OK;
}

std::shared_ptr<core::TCoreFontFace> IDWriteFontCollection::Match(StringView Family, UINT32 Weight,
                                                                   DWRITE_FONT_STYLE Style) const {
  if (System) return core::FontSystem::Find(Family, int(Weight), Style != DWRITE_FONT_STYLE_NORMAL).Face;
  UINT32 i;
  BOOL found;
  FindFamilyName(Family, &i, &found);
  if (!found) return nullptr;
  std::shared_ptr<IDWriteFont> font;
  Families[i]->GetFirstMatchingFont(DWRITE_FONT_WEIGHT(Weight), DWRITE_FONT_STRETCH_NORMAL, Style, &font);
  return font ? font->Face : nullptr;
}

std::shared_ptr<IDWriteFontCollection> DWriteSystemCollection() {
  static std::mutex lock;
  static std::shared_ptr<IDWriteFontCollection> cached;
  static bool cachedTest = false;
  std::lock_guard<std::mutex> g(lock);
  bool test = core::FontSystem::UsingTestFonts();
  if (!cached || cachedTest != test) {
    auto c = std::make_shared<IDWriteFontCollection>();
    c->System = true;
    for (const String& name : core::FontSystem::Families()) {
      auto f = std::make_shared<IDWriteFontFamily>();
      f->Name = name;
      c->Families.push_back(std::move(f));
    }
    cached = std::move(c);
    cachedTest = test;
  }
  return cached;
}

HRESULT IDWriteTypography::GetFontFeature(UINT32 Index, DWRITE_FONT_FEATURE* F) const {
  if (Index >= Features.size()) return E_INVALIDARG;
  *F = Features[Index];
  return S_OK;
}

// ---------------------------------------------------------------- formats and layouts

HRESULT IDWriteTextFormat::SetLineSpacing(DWRITE_LINE_SPACING_METHOD Method, float Spacing, float Baseline) {
  if (!(Spacing >= 0) || !std::isfinite(Baseline)) return E_INVALIDARG;
  FSpacingMethod = Method;
  FLineSpacing = Spacing;
  FBaseline = Baseline;
  return S_OK;
}

HRESULT IDWriteTextFormat::GetLineSpacing(DWRITE_LINE_SPACING_METHOD* Method, float* Spacing, float* Baseline) const {
  *Method = FSpacingMethod;
  *Spacing = FLineSpacing;
  *Baseline = FBaseline;
  return S_OK;
}

HRESULT IDWriteTextLayout::SetStrikethrough(BOOL On, DWRITE_TEXT_RANGE) {
  FStrike = On != 0;
  return S_OK;
}

HRESULT IDWriteTextLayout::SetTypography(std::shared_ptr<IDWriteTypography> T, DWRITE_TEXT_RANGE) {
  FTypography = std::move(T);
  FShaped = false;
  return S_OK;
}

float IDWriteTextLayout::BaselineOffset() const {
  if (FSpacingMethod == DWRITE_LINE_SPACING_METHOD_UNIFORM) return FBaseline;
  const core::TFontMetrics& m = FFace->Metrics();
  return float(m.WinAscent) * FSize / float(m.UnitsPerEm);
}

void IDWriteTextLayout::shape() {
  FShaped = true;
  FRuns.clear();
  FWidth = FTrailing = 0;
  if (FText.empty()) return;
  std::vector<std::string> features;
  if (FTypography)
    for (const DWRITE_FONT_FEATURE& f : FTypography->Features) features.push_back(featureString(f));
  TDWriteRun run;
  run.Face = FFace;
  run.TextPosition = 0;
  run.TextLength = UINT32(FText.size());
  run.RTL = FDirection == DWRITE_READING_DIRECTION_RIGHT_TO_LEFT;
  std::vector<core::TShapedGlyph> glyphs;
  FFace->Shape(FText, run.RTL, features, glyphs);
  float k = FSize / float(FFace->UnitsPerEm());
  run.ClusterMap.assign(FText.size(), 0xFFFF);
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const core::TShapedGlyph& g = glyphs[i];
    run.Indices.push_back(uint16_t(g.Glyph));
    run.Advances.push_back(float(g.XAdvance) * k);
    run.Offsets.emplace_back(float(g.XOffset) * k, float(g.YOffset) * k);
    if (g.Cluster < FText.size()) {
      uint16_t& m = run.ClusterMap[g.Cluster];
      m = std::min<uint16_t>(m, uint16_t(i));
    }
  }
  uint16_t last = 0;
  for (uint16_t& m : run.ClusterMap) {
    if (m == 0xFFFF) m = last;
    last = m;
  }
  for (float a : run.Advances) FWidth += a;
  // Trailing white space in logical order: the end of the text.
  size_t end = FText.size();
  while (end > 0 && isSpace(FText[end - 1])) --end;
  for (size_t i = 0; i < glyphs.size(); ++i)
    if (glyphs[i].Cluster >= end) FTrailing += run.Advances[i];
  FRuns.push_back(std::move(run));
}

const std::vector<TDWriteRun>& IDWriteTextLayout::Runs() {
  if (!FShaped) shape();
  return FRuns;
}

HRESULT IDWriteTextLayout::GetMetrics(DWRITE_TEXT_METRICS* M) {
  if (!FShaped) shape();
  *M = DWRITE_TEXT_METRICS();
  M->widthIncludingTrailingWhitespace = FWidth;
  M->width = FWidth - FTrailing;
  const core::TFontMetrics& m = FFace->Metrics();
  float k = FSize / float(m.UnitsPerEm);
  M->height = FSpacingMethod == DWRITE_LINE_SPACING_METHOD_UNIFORM && FLineSpacing > 0
                  ? FLineSpacing
                  : float(m.WinAscent + m.WinDescent + std::max(0, m.LineGap)) * k;
  M->layoutWidth = FMaxWidth;
  M->layoutHeight = FMaxHeight;
  if (FDirection == DWRITE_READING_DIRECTION_RIGHT_TO_LEFT) M->left = std::max(0.0f, FMaxWidth - FWidth);
  return S_OK;
}

// ---------------------------------------------------------------- factory

HRESULT IDWriteFactory::GetSystemFontCollection(std::shared_ptr<IDWriteFontCollection>* C, BOOL) {
  *C = DWriteSystemCollection();
  return S_OK;
}

HRESULT IDWriteFactory::CreateTextFormat(StringView Family, std::shared_ptr<IDWriteFontCollection> Collection,
                                         UINT32 Weight, DWRITE_FONT_STYLE Style, DWRITE_FONT_STRETCH Stretch,
                                         float Size, StringView Locale,
                                         std::shared_ptr<IDWriteTextFormat>* Format) {
  Format->reset();
  if (!(Size > 0) || !std::isfinite(Size) || Weight < 1 || Weight > 999) return E_INVALIDARG;
  auto system = DWriteSystemCollection();
  if (!Collection) Collection = system;
  // A family found nowhere is substituted, as at drawing time.
  std::shared_ptr<core::TCoreFontFace> face = Collection->Match(Family, Weight, Style);
  if (!face && Collection != system) face = system->Match(Family, Weight, Style);
  if (!face) face = system->Match(u"Arial", Weight, Style);
  for (size_t i = 0; !face && i < system->Families.size(); ++i) face = system->Match(system->Families[i]->Name, Weight, Style);
  if (!face) return E_FAIL;
  auto f = std::make_shared<IDWriteTextFormat>();
  f->FFamily = String(Family);
  f->FCollection = std::move(Collection);
  f->FWeight = DWRITE_FONT_WEIGHT(Weight);
  f->FStyle = Style;
  f->FStretch = Stretch;
  f->FSize = Size;
  f->FLocale = String(Locale);
  f->FFace = std::move(face);
  *Format = std::move(f);
  return S_OK;
}

HRESULT IDWriteFactory::CreateTextLayout(StringView Text, IDWriteTextFormat* Format, float MaxWidth, float MaxHeight,
                                         std::shared_ptr<IDWriteTextLayout>* Layout) {
  Layout->reset();
  if (!Format || !(MaxWidth >= 0) || !(MaxHeight >= 0)) return E_INVALIDARG;
  auto l = std::make_shared<IDWriteTextLayout>();
  static_cast<IDWriteTextFormat&>(*l) = *Format;
  l->FText = String(Text);
  l->FMaxWidth = MaxWidth;
  l->FMaxHeight = MaxHeight;
  *Layout = std::move(l);
  return S_OK;
}

HRESULT IDWriteFactory::CreateTypography(std::shared_ptr<IDWriteTypography>* T) {
  *T = std::make_shared<IDWriteTypography>();
  return S_OK;
}

// ---------------------------------------------------------------- drawing

void ID2D1RenderTarget::DrawTextLayout(D2D1_POINT_2F Origin, IDWriteTextLayout* Layout, ID2D1Brush* Brush,
                                       UINT32) {
  if (!Layout || !Brush || !FDrawing) return;
  DWRITE_TEXT_METRICS tm;
  Layout->GetMetrics(&tm);
  float x = Origin.x + tm.left;
  float y = Origin.y + Layout->BaselineOffset();
  std::vector<uint32_t> glyphs;
  std::vector<TPointF> pos;
  float size = Layout->GetFontSize();
  for (const TDWriteRun& run : Layout->Runs()) {
    glyphs.clear();
    pos.clear();
    float pen = x;
    for (size_t i = 0; i < run.Indices.size(); ++i) {
      glyphs.push_back(run.Indices[i]);
      pos.emplace_back(pen + run.Offsets[i].X, y - run.Offsets[i].Y);
      pen += run.Advances[i];
    }
    DrawGlyphs(*run.Face, size, glyphs.data(), pos.data(), int(glyphs.size()), Brush);
    if (Layout->Strikethrough()) {
      const core::TFontMetrics& m = run.Face->Metrics();
      float k = size / float(m.UnitsPerEm);
      float top = y - float(m.StrikeoutPosition) * k;
      FillRectangle({x, top, pen, top + std::max(1.0f, float(m.StrikeoutSize) * k)}, Brush);
    }
    x = pen;
  }
}

}  // namespace ht::d2d
