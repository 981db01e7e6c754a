#include "platform/d2d/dwrite.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include <unicode/ubidi.h>

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

const std::vector<std::string>& IDWriteTypography::FeatureStrings() const {
  if (FStrings.size() != Features.size()) {
    FStrings.clear();
    for (const DWRITE_FONT_FEATURE& f : Features) FStrings.push_back(featureString(f));
  }
  return FStrings;
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

template <class F>
void IDWriteTextLayout::apply(DWRITE_TEXT_RANGE Range, F&& Set) {
  size_t n = FFormats.size();
  size_t b = std::min<size_t>(Range.startPosition, n);
  size_t e = std::min<size_t>(n, b + Range.length);
  for (size_t i = b; i < e; ++i) Set(FFormats[i]);
  FShaped = false;
}

HRESULT IDWriteTextLayout::SetStrikethrough(BOOL On, DWRITE_TEXT_RANGE Range) {
  apply(Range, [&](TCharFormat& f) { f.Strike = On != 0; });
  return S_OK;
}

HRESULT IDWriteTextLayout::SetFontWeight(UINT32 Weight, DWRITE_TEXT_RANGE Range) {
  if (Weight < 1 || Weight > 999) return E_INVALIDARG;
  apply(Range, [&](TCharFormat& f) { f.Weight = Weight; });
  return S_OK;
}

HRESULT IDWriteTextLayout::SetFontStyle(DWRITE_FONT_STYLE Style, DWRITE_TEXT_RANGE Range) {
  apply(Range, [&](TCharFormat& f) { f.Style = Style; });
  return S_OK;
}

HRESULT IDWriteTextLayout::SetDrawingEffect(std::shared_ptr<IUnknown> Effect, DWRITE_TEXT_RANGE Range) {
  apply(Range, [&](TCharFormat& f) { f.Effect = Effect; });
  return S_OK;
}

HRESULT IDWriteTextLayout::SetTypography(std::shared_ptr<IDWriteTypography> T, DWRITE_TEXT_RANGE Range) {
  uint16_t index = 0;
  if (T) {
    const std::vector<std::string>& features = T->FeatureStrings();
    size_t i = 0;
    while (i < FTypographies.size() && FTypographies[i]->FeatureStrings() != features) ++i;
    if (i == FTypographies.size()) {
      if (i >= 0xFFFF) return E_INVALIDARG;
      FTypographies.push_back(std::move(T));
    }
    index = uint16_t(i + 1);
  }
  apply(Range, [&](TCharFormat& f) { f.Typography = index; });
  return S_OK;
}

std::shared_ptr<IDWriteTypography> IDWriteTextLayout::GetTypography(UINT32 Position) const {
  if (Position >= FFormats.size() || FFormats[Position].Typography == 0) return nullptr;
  return FTypographies[FFormats[Position].Typography - 1];
}

HRESULT IDWriteTextLayout::SetTrimming(const DWRITE_TRIMMING& T, std::shared_ptr<IDWriteInlineObject> Sign) {
  FTrimming = T;
  FTrimSign = Sign != nullptr;
  FShaped = false;
  return S_OK;
}

bool IDWriteTextLayout::Strikethrough() const {
  return std::any_of(FFormats.begin(), FFormats.end(), [](const TCharFormat& f) { return f.Strike; });
}

float IDWriteTextLayout::BaselineOffset() const {
  if (FSpacingMethod == DWRITE_LINE_SPACING_METHOD_UNIFORM) return FBaseline;
  const core::TFontMetrics& m = FFace->Metrics();
  return float(m.WinAscent) * FSize / float(m.UnitsPerEm);
}

std::shared_ptr<core::TCoreFontFace> IDWriteTextLayout::faceFor(UINT32 Weight, DWRITE_FONT_STYLE Style) {
  if (Weight == UINT32(FWeight) && Style == FStyle) return FFace;
  for (auto& [key, face] : FFaces)
    if (key.first == Weight && key.second == Style) return face;
  std::shared_ptr<core::TCoreFontFace> face = FCollection ? FCollection->Match(FFamily, Weight, Style) : nullptr;
  if (!face) face = FFace;
  FFaces.push_back({{Weight, Style}, face});
  return face;
}

namespace {

char32_t codePointAt(const String& s, size_t i, size_t& units) {
  char16_t c = s[i];
  units = 1;
  if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
    units = 2;
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
  }
  return c;
}

// Bidi embedding levels per UTF-16 unit; all BaseLevel when ICU fails.
std::vector<uint8_t> bidiLevels(const String& Text, uint8_t BaseLevel) {
  std::vector<uint8_t> levels(Text.size(), BaseLevel);
  UErrorCode err = U_ZERO_ERROR;
  UBiDi* bidi = ubidi_openSized(int32_t(Text.size()), 0, &err);
  if (U_FAILURE(err)) return levels;
  ubidi_setPara(bidi, reinterpret_cast<const UChar*>(Text.data()), int32_t(Text.size()), BaseLevel, nullptr, &err);
  if (U_SUCCESS(err)) {
    const UBiDiLevel* l = ubidi_getLevels(bidi, &err);
    if (U_SUCCESS(err) && l)
      for (size_t i = 0; i < Text.size(); ++i) levels[i] = uint8_t(l[i] & 0x7F);
  }
  ubidi_close(bidi);
  return levels;
}

}  // namespace

void IDWriteTextLayout::shapeText(const String& Text, const std::vector<TCharFormat>& Formats) {
  FRuns.clear();
  FWidth = FTrailing = 0;
  // The layout's own text needs no copy; a trimmed text is kept.
  FTrimmed = &Text != &FText;
  if (FTrimmed) FDisplay = Text;
  if (Text.empty()) return;
  static const std::vector<std::string> none;
  uint8_t base = FDirection == DWRITE_READING_DIRECTION_RIGHT_TO_LEFT ? 1 : 0;
  // Left-to-right text without right-to-left letters or controls needs no
  // bidi pass.
  bool plain = base == 0 && std::none_of(Text.begin(), Text.end(), [](char16_t c) {
                 return (c >= 0x0590 && c < 0x0900) || (c >= 0x200E && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
                        (c >= 0xFB1D && c < 0xFE00) || (c >= 0xFE70 && c < 0xFF00) || (c >= 0xD800 && c < 0xDC00);
               });
  thread_local std::vector<uint8_t> levels;
  if (plain)
    levels.assign(Text.size(), 0);
  else
    levels = bidiLevels(Text, base);
  // The face of every unit: the format's, or a fallback that has the glyph;
  // units hold an index into the few faces used, so no unit touches a
  // reference count.
  std::vector<std::shared_ptr<core::TCoreFontFace>> used;
  auto indexOf = [&used](const std::shared_ptr<core::TCoreFontFace>& Face) {
    for (size_t k = 0; k < used.size(); ++k)
      if (used[k] == Face) return uint32_t(k);
    used.push_back(Face);
    return uint32_t(used.size() - 1);
  };
  thread_local std::vector<uint32_t> faces;
  faces.resize(Text.size());
  const TCharFormat* lastFormat = nullptr;
  uint32_t formatFace = 0;
  for (size_t i = 0; i < Text.size();) {
    size_t units;
    char32_t ch = codePointAt(Text, i, units);
    const TCharFormat& f = Formats[i];
    if (!lastFormat || f.Weight != lastFormat->Weight || f.Style != lastFormat->Style) {
      formatFace = indexOf(faceFor(f.Weight, f.Style));
      lastFormat = &f;
    }
    uint32_t face = formatFace;
    if (ch > 0x20 && ch != 0xA0 && !(ch >= 0x200B && ch <= 0x200F) && used[face]->GlyphIndex(ch) == 0 &&
        FCollection && FCollection->System)
      if (auto fb = core::FontSystem::FindForChar(ch, int(f.Weight), f.Style != DWRITE_FONT_STYLE_NORMAL))
        face = indexOf(fb);
    for (size_t k = 0; k < units; ++k) faces[i + k] = face;
    i += units;
  }
  // Logical runs of equal face, level and attributes.
  for (size_t b = 0; b < Text.size();) {
    size_t e = b + 1;
    while (e < Text.size() && faces[e] == faces[b] && levels[e] == levels[b] && Formats[e].Strike == Formats[b].Strike &&
           Formats[e].Typography == Formats[b].Typography && Formats[e].Effect == Formats[b].Effect)
      ++e;
    const uint16_t typography = Formats[b].Typography;
    const std::vector<std::string>& features =
        typography ? FTypographies[typography - 1]->FeatureStrings() : none;
    TDWriteRun run;
    run.Face = used[faces[b]];
    run.TextPosition = UINT32(b);
    run.TextLength = UINT32(e - b);
    run.BidiLevel = levels[b];
    run.Strike = Formats[b].Strike;
    run.Effect = Formats[b].Effect;
    const auto shaped = run.Face->ShapeCached(StringView(Text).substr(b, e - b), (run.BidiLevel & 1) != 0, features);
    const core::TCoreFontFace::TShapedRun& glyphs = *shaped;
    float k = FSize / float(run.Face->UnitsPerEm());
    run.ClusterMap.assign(e - b, 0xFFFF);
    const size_t n = glyphs.size();
    run.Indices.resize(n);
    run.Advances.resize(n);
    run.Offsets.resize(n);
    run.GlyphClusters.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const core::TShapedGlyph& g = glyphs[i];
      run.Indices[i] = uint16_t(g.Glyph);
      run.Advances[i] = float(g.XAdvance) * k;
      run.Offsets[i] = {float(g.XOffset) * k, float(g.YOffset) * k};
      run.Width += run.Advances[i];
      run.GlyphClusters[i] = g.Cluster;
      if (g.Cluster < e - b) {
        uint16_t& m = run.ClusterMap[g.Cluster];
        m = std::min<uint16_t>(m, uint16_t(i));
      }
    }
    uint16_t last = 0;
    for (uint16_t& m : run.ClusterMap) {
      if (m == 0xFFFF) m = last;
      last = m;
    }
    FRuns.push_back(std::move(run));
    b = e;
  }
  // Visual order: from the highest level down to the lowest odd one,
  // reverse every sequence of runs at that level or above.
  uint8_t maxLevel = 0, minOdd = 255;
  for (const TDWriteRun& r : FRuns) {
    maxLevel = std::max(maxLevel, r.BidiLevel);
    if (r.BidiLevel & 1) minOdd = std::min(minOdd, r.BidiLevel);
  }
  for (int level = maxLevel; level >= int(minOdd) && level > 0; --level)
    for (size_t i = 0; i < FRuns.size();) {
      if (FRuns[i].BidiLevel < level) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < FRuns.size() && FRuns[j].BidiLevel >= level) ++j;
      std::reverse(FRuns.begin() + ptrdiff_t(i), FRuns.begin() + ptrdiff_t(j));
      i = j;
    }
  for (TDWriteRun& r : FRuns) {
    r.X = FWidth;
    FWidth += r.Width;
  }
  // Trailing white space of the logical text.
  size_t end = Text.size();
  while (end > 0 && isSpace(Text[end - 1])) --end;
  for (const TDWriteRun& r : FRuns)
    for (size_t i = 0; i < r.Advances.size(); ++i)
      if (r.TextPosition + r.GlyphClusters[i] >= end) FTrailing += r.Advances[i];
}

void IDWriteTextLayout::shape() {
  FShaped = true;
  shapeText(FText, FFormats);
  if (!FTrimSign || FTrimming.granularity != DWRITE_TRIMMING_GRANULARITY_CHARACTER || FWidth - FTrailing <= FMaxWidth ||
      FText.empty())
    return;
  // Cut characters from the end until the kept text and the sign fit.
  for (size_t keep = FText.size(); keep-- > 0;) {
    if (keep > 0 && FText[keep] >= 0xDC00 && FText[keep] < 0xE000) continue;  // not inside a pair
    String cut = FText.substr(0, keep) + u'\u2026';
    std::vector<TCharFormat> formats(FFormats.begin(), FFormats.begin() + ptrdiff_t(keep));
    formats.push_back(FFormats[keep > 0 ? keep - 1 : 0]);
    shapeText(cut, formats);
    if (FWidth <= FMaxWidth || keep == 0) return;
  }
}

HRESULT IDWriteTextLayout::Draw(void* Context, IDWriteTextRenderer* Renderer, float OriginX, float OriginY) {
  if (!Renderer) return E_INVALIDARG;
  DWRITE_TEXT_METRICS tm;
  GetMetrics(&tm);
  const float x = OriginX + tm.left;
  float y = OriginY + BaselineOffset();
  BOOL unsnapped = 0;
  D2D1_MATRIX_3X2_F m;
  if (SUCCEEDED(Renderer->IsPixelSnappingDisabled(Context, &unsnapped)) && !unsnapped &&
      SUCCEEDED(Renderer->GetCurrentTransform(Context, &m)) && m._12 == 0 && m._21 == 0 && m._22 != 0)
    y = (std::round(y * m._22 + m._32) - m._32) / m._22;
  for (const TDWriteRun& r : FRuns) {
    DWRITE_GLYPH_RUN g;
    g.fontFace = r.Face.get();
    g.fontEmSize = FSize;
    g.glyphCount = UINT32(r.Indices.size());
    g.glyphIndices = r.Indices.data();
    g.glyphAdvances = r.Advances.data();
    g.glyphOffsets = r.Offsets.data();
    g.bidiLevel = r.BidiLevel;
    DWRITE_GLYPH_RUN_DESCRIPTION d;
    d.string = DisplayText().data() + r.TextPosition;
    d.stringLength = r.TextLength;
    d.clusterMap = r.ClusterMap.data();
    d.textPosition = r.TextPosition;
    HRESULT hr = Renderer->DrawGlyphRun(Context, x + r.X, y, DWRITE_MEASURING_MODE_NATURAL, g, d, r.Effect.get());
    if (FAILED(hr)) return hr;
    if (!r.Strike) continue;
    const core::TFontMetrics& fm = r.Face->Metrics();
    const float k = FSize / float(fm.UnitsPerEm);
    DWRITE_STRIKETHROUGH st;
    st.width = r.Width;
    st.thickness = float(fm.StrikeoutSize) * k;
    st.offset = -float(fm.StrikeoutPosition) * k;
    st.readingDirection = (r.BidiLevel & 1) ? DWRITE_READING_DIRECTION_RIGHT_TO_LEFT
                                            : DWRITE_READING_DIRECTION_LEFT_TO_RIGHT;
    hr = Renderer->DrawStrikethrough(Context, x + r.X, y, st, r.Effect.get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

const std::vector<TDWriteRun>& IDWriteTextLayout::Runs() {
  if (!FShaped) shape();
  return FRuns;
}

const String& IDWriteTextLayout::DisplayText() {
  if (!FShaped) shape();
  return FTrimmed ? FDisplay : FText;
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

HRESULT IDWriteTextLayout::HitTestTextRange(UINT32 Start, UINT32 Length, float OriginX, float OriginY,
                                            std::vector<DWRITE_HIT_TEST_METRICS>* Metrics) {
  Metrics->clear();
  DWRITE_TEXT_METRICS tm;
  GetMetrics(&tm);
  UINT32 end = Start + std::min(Length, UINT32(0xFFFFFFFF) - Start);
  for (const TDWriteRun& r : FRuns) {
    UINT32 b = std::max(Start, r.TextPosition), e = std::min(end, r.TextPosition + r.TextLength);
    if (b >= e) continue;
    // The span of the glyphs whose clusters start inside the range.
    float lo = 1e30f, hi = -1e30f, pen = 0;
    for (size_t i = 0; i < r.Advances.size(); ++i) {
      UINT32 c = r.TextPosition + r.GlyphClusters[i];
      if (c >= b && c < e) {
        lo = std::min(lo, pen);
        hi = std::max(hi, pen + r.Advances[i]);
      }
      pen += r.Advances[i];
    }
    if (lo > hi) continue;
    DWRITE_HIT_TEST_METRICS h;
    h.textPosition = b;
    h.length = e - b;
    h.left = OriginX + tm.left + r.X + lo;
    h.top = OriginY;
    h.width = hi - lo;
    h.height = tm.height;
    h.bidiLevel = r.BidiLevel;
    Metrics->push_back(h);
  }
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
  l->FFormats.assign(l->FText.size(), IDWriteTextLayout::TCharFormat{Format->FWeight, Format->FStyle, false, 0, nullptr});
  *Layout = std::move(l);
  return S_OK;
}

namespace {
constexpr HRESULT DWRITE_E_ALREADYREGISTERED = HRESULT(0x88985006u);
template <class T>
HRESULT registerIn(std::vector<std::shared_ptr<T>>& List, std::shared_ptr<T> Item) {
  if (!Item) return E_INVALIDARG;
  for (auto& x : List)
    if (x == Item) return DWRITE_E_ALREADYREGISTERED;
  List.push_back(std::move(Item));
  return S_OK;
}
template <class T>
HRESULT unregisterIn(std::vector<std::shared_ptr<T>>& List, T* Item) {
  for (auto it = List.begin(); it != List.end(); ++it)
    if (it->get() == Item) {
      List.erase(it);
      return S_OK;
    }
  return E_INVALIDARG;
}
}  // namespace

HRESULT IDWriteFactory::RegisterFontFileLoader(std::shared_ptr<IDWriteFontFileLoader> Loader) {
  return registerIn(FFileLoaders, std::move(Loader));
}
HRESULT IDWriteFactory::UnregisterFontFileLoader(IDWriteFontFileLoader* Loader) {
  return unregisterIn(FFileLoaders, Loader);
}
HRESULT IDWriteFactory::RegisterFontCollectionLoader(std::shared_ptr<IDWriteFontCollectionLoader> Loader) {
  return registerIn(FCollectionLoaders, std::move(Loader));
}
HRESULT IDWriteFactory::UnregisterFontCollectionLoader(IDWriteFontCollectionLoader* Loader) {
  return unregisterIn(FCollectionLoaders, Loader);
}

HRESULT IDWriteFactory::CreateCustomFontFileReference(const void* Key, UINT32 KeySize, IDWriteFontFileLoader* Loader,
                                                      std::shared_ptr<IDWriteFontFile>* File) {
  File->reset();
  auto it = std::find_if(FFileLoaders.begin(), FFileLoaders.end(), [&](auto& l) { return l.get() == Loader; });
  if (it == FFileLoaders.end() || (!Key && KeySize)) return E_INVALIDARG;
  auto f = std::make_shared<IDWriteFontFile>();
  const auto* k = static_cast<const uint8_t*>(Key);
  f->Key.assign(k, k + KeySize);
  f->Loader = *it;
  *File = std::move(f);
  return S_OK;
}

HRESULT IDWriteFactory::CreateCustomFontCollection(IDWriteFontCollectionLoader* Loader, const void* Key,
                                                   UINT32 KeySize, std::shared_ptr<IDWriteFontCollection>* Collection) {
  Collection->reset();
  if (std::none_of(FCollectionLoaders.begin(), FCollectionLoaders.end(), [&](auto& l) { return l.get() == Loader; }))
    return E_INVALIDARG;
  std::shared_ptr<IDWriteFontFileEnumerator> e;
  HRESULT hr = Loader->CreateEnumeratorFromKey(this, Key, KeySize, &e);
  if (FAILED(hr)) return hr;
  if (!e) return E_FAIL;
  auto c = std::make_shared<IDWriteFontCollection>();
  BOOL has = 0;
  while (SUCCEEDED(hr = e->MoveNext(&has)) && has) {
    std::shared_ptr<IDWriteFontFile> file;
    if (FAILED(e->GetCurrentFontFile(&file)) || !file || !file->Loader) continue;
    std::shared_ptr<IDWriteFontFileStream> stream;
    if (FAILED(file->Loader->CreateStreamFromKey(file->Key.data(), UINT32(file->Key.size()), &stream)) || !stream)
      continue;
    UINT64 size = 0;
    if (FAILED(stream->GetFileSize(&size)) || size == 0 || size > (UINT64(1) << 31)) continue;
    const void* start = nullptr;
    void* context = nullptr;
    if (FAILED(stream->ReadFileFragment(&start, 0, size, &context)) || !start) continue;
    const auto* b = static_cast<const uint8_t*>(start);
    std::vector<uint8_t> bytes(b, b + size);
    stream->ReleaseFileFragment(context);
    auto face = core::TCoreFontFace::FromMemory(std::move(bytes));
    if (!face) continue;
    std::shared_ptr<IDWriteFontFamily> family;
    for (auto& f : c->Families)
      if (sameName(f->Name, face->FamilyName())) family = f;
    if (!family) {
      family = std::make_shared<IDWriteFontFamily>();
      family->Name = face->FamilyName();
      c->Families.push_back(family);
    }
    family->Faces.push_back(std::move(face));
  }
  if (FAILED(hr)) return hr;
  *Collection = std::move(c);
  return S_OK;
}

HRESULT IDWriteFactory::CreateEllipsisTrimmingSign(IDWriteTextFormat* Format,
                                                   std::shared_ptr<IDWriteInlineObject>* Sign) {
  Sign->reset();
  if (!Format) return E_INVALIDARG;
  *Sign = std::make_shared<IDWriteInlineObject>();
  return S_OK;
}

HRESULT IDWriteFactory::CreateTypography(std::shared_ptr<IDWriteTypography>* T) {
  *T = std::make_shared<IDWriteTypography>();
  return S_OK;
}

// ---------------------------------------------------------------- drawing

float ID2D1RenderTarget::SnapTextBaseline(float X, float Y) const {
  const D2D1_MATRIX_3X2_F& m = FTransform;
  if (m._12 != 0 || m._21 != 0 || m._22 == 0) return Y;
  float device = X * m._12 + Y * m._22 + m._32;
  return (std::round(device) - m._32) / m._22;
}

void ID2D1RenderTarget::DrawTextLayout(D2D1_POINT_2F Origin, IDWriteTextLayout* Layout, ID2D1Brush* Brush,
                                       UINT32) {
  if (!Layout || !Brush || !FDrawing) return;
  DWRITE_TEXT_METRICS tm;
  Layout->GetMetrics(&tm);
  float x = Origin.x + tm.left;
  float y = SnapTextBaseline(x, Origin.y + Layout->BaselineOffset());
  thread_local std::vector<uint32_t> glyphs;
  thread_local std::vector<TPointF> pos;
  float size = Layout->GetFontSize();
  for (const TDWriteRun& run : Layout->Runs()) {
    // A brush set as the range's drawing effect paints it.
    auto* effect = dynamic_cast<ID2D1Brush*>(run.Effect.get());
    ID2D1Brush* brush = effect ? effect : Brush;
    glyphs.clear();
    pos.clear();
    float pen = x + run.X;
    for (size_t i = 0; i < run.Indices.size(); ++i) {
      glyphs.push_back(run.Indices[i]);
      pos.emplace_back(pen + run.Offsets[i].advanceOffset, y - run.Offsets[i].ascenderOffset);
      pen += run.Advances[i];
    }
    DrawGlyphs(*run.Face, size, glyphs.data(), pos.data(), int(glyphs.size()), brush);
    if (run.Strike) {
      const core::TFontMetrics& m = run.Face->Metrics();
      float k = size / float(m.UnitsPerEm);
      float top = y - float(m.StrikeoutPosition) * k;
      FillRectangle({x + run.X, top, x + run.X + run.Width, top + std::max(1.0f, float(m.StrikeoutSize) * k)}, brush);
    }
  }
}

}  // namespace ht::d2d
