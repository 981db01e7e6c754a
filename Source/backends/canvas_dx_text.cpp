// Text of the Direct2D canvas: layouts, measuring, decorations and spacing.
#include <algorithm>
#include <cmath>

#include "backends/canvas_dx.h"
#include "canvas/colors.h"
#include "canvas/pen.h"

namespace ht {

using namespace d2d;

namespace {

// Clamps a 1-based run to s; false when nothing is left. A negative length
// runs to the end.
bool clampRun(StringView s, int& First, int& Length) {
  int n = int(s.size());
  if (First < 1) {
    if (Length >= 0) Length += First - 1;
    First = 1;
  }
  if (Length < 0) Length = n - First + 1;
  if (First > n) return false;
  Length = std::min(Length, n - First + 1);
  return Length > 0;
}

std::shared_ptr<IDWriteTypography> defaultTypography() {
  static std::shared_ptr<IDWriteTypography> t = [] {
    std::shared_ptr<IDWriteTypography> r;
    GetDWriteFactory()->CreateTypography(&r);
    const std::pair<const char*, UINT32> defaults[] = {{"lnum", 0}, {"pnum", 0}, {"onum", 0},
                                                       {"tnum", 0}, {"kern", 1}, {"liga", 1},
                                                       {"clig", 1}, {"calt", 1}, {"ccmp", 1}};
    for (auto& [tag, value] : defaults)
      r->AddFontFeature({DWriteFontFeature(tag[0], tag[1], tag[2], tag[3]), value});
    return r;
  }();
  return t;
}

bool blank(StringView s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c <= u' '; });
}

}  // namespace

std::shared_ptr<IDWriteTypography> THtCanvasDX::GetFontTypography(THtFont* Font) {
  std::shared_ptr<IDWriteTypography> def = defaultTypography();
  if (!Font || Font->FontFeatureSettings.empty()) return def;
  std::vector<DWRITE_FONT_FEATURE> list;
  for (const String& f : Font->FontFeatureSettings) {
    size_t eq = f.find(u'=');
    String name = f.substr(0, eq);
    String value = eq == String::npos ? String() : f.substr(eq + 1);
    if (name.size() != 4 || name == u"auto") continue;
    UINT32 param = 1;
    if (!value.empty() && std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }) &&
        value.size() < 10)
      param = UINT32(std::stoul(std::string(value.begin(), value.end())));
    list.push_back({DWriteFontFeature(char(name[0]), char(name[1]), char(name[2]), char(name[3])), param});
  }
  if (list.empty()) return def;
  size_t given = list.size();
  for (const DWRITE_FONT_FEATURE& d : def->Features)
    if (std::none_of(list.begin(), list.begin() + ptrdiff_t(given),
                     [&](const DWRITE_FONT_FEATURE& f) { return f.nameTag == d.nameTag; }))
      list.push_back(d);
  std::shared_ptr<IDWriteTypography> t;
  GetDWriteFactory()->CreateTypography(&t);
  for (const DWRITE_FONT_FEATURE& f : list) t->AddFontFeature(f);
  return t;
}

// ---------------------------------------------------------------- class functions

const THtFontClass* THtCanvasDXClass::FontClass() const { return &THtFontDX::ClassType; }

THtFontCollection* THtCanvasDXClass::SharedFontCollection() const {
  static std::unique_ptr<THtDXFontCollection> shared = std::make_unique<THtDXFontCollection>(this, true);
  return shared.get();
}

std::unique_ptr<THtFontCollection> THtCanvasDXClass::CreateFontCollection() const {
  return std::make_unique<THtDXFontCollection>(this, false);
}

void THtCanvasDXClass::GetFonts(std::vector<String>& List) const {
  std::shared_ptr<IDWriteFontCollection> c;
  OleCheck(GetDWriteFactory()->GetSystemFontCollection(&c, 0));
  for (UINT32 i = 0; i < c->GetFontFamilyCount(); ++i) {
    std::shared_ptr<IDWriteFontFamily> family;
    OleCheck(c->GetFontFamily(i, &family));
    std::shared_ptr<IDWriteLocalizedStrings> names;
    OleCheck(family->GetFamilyNames(&names));
    UINT32 index;
    BOOL exists;
    OleCheck(names->FindLocaleName(u"en-us", &index, &exists));
    if (!exists) index = 0;
    String name;
    OleCheck(names->GetString(index, &name));
    List.push_back(name);
  }
}

float THtCanvasDXClass::MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float,
                                      int AFirstChar, int ALength) const {
  auto* font = dynamic_cast<THtFontDX*>(Font);
  if (!font || !THtCanvasDX::IsDirectXSupported() || !clampRun(s, AFirstChar, ALength)) return 0;
  String text(s.substr(size_t(AFirstChar - 1), size_t(ALength)));
  std::replace(text.begin(), text.end(), u'\r', u' ');
  if (font->IsTimes && font->Style().Contains(hfsItalic)) std::replace(text.begin(), text.end(), u'"', u'\u201C');
  std::shared_ptr<IDWriteTextLayout> layout;
  if (FAILED(GetDWriteFactory()->CreateTextLayout(text, font->Font.get(), 2147483648.0f, 2147483648.0f, &layout)))
    return 0;
  layout->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
  layout->SetTypography(THtCanvasDX::GetFontTypography(font), {0, UINT32(ALength)});
  DWRITE_TEXT_METRICS m;
  layout->GetMetrics(&m);
  return m.widthIncludingTrailingWhitespace + TextStyle.LetterSpacing * float(ALength);
}

// ---------------------------------------------------------------- drawing

bool THtCanvasDX::beginText(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                            int& AFirstChar, int& ALength, float& Y, bool& Layout) {
  Layout = false;
  auto* font = dynamic_cast<THtFontDX*>(Font);
  if (!font || !drawing() || !FDXSolidBrush || TextStyle.Opacity == 0 || !clampRun(s, AFirstChar, ALength))
    return false;
  SetSolidColor(TextStyle.Color);
  if (TextStyle.Opacity != 1) FDXSolidBrush->Opacity = TextStyle.Opacity;
  Y = SnapCoordinate(R.Top + font->Ascent, true);
  StringView run = s.substr(size_t(AFirstChar - 1), size_t(ALength));
  if (blank(run)) return true;
  FTextLayout.reset();
  GetDWriteFactory()->CreateTextLayout(run, font->Font.get(), std::max(0.0f, R.Right - R.Left),
                                       std::max(0.0f, R.Bottom - R.Top), &FTextLayout);
  if (!FTextLayout) {
    if (TextStyle.Opacity != 1) FDXSolidBrush->Opacity = 1;
    return false;
  }
  DWRITE_TEXT_RANGE all{0, UINT32(ALength + 1)};
  FTextLayout->SetLineSpacing(DWRITE_LINE_SPACING_METHOD_UNIFORM, 0, font->Ascent);
  if (font->Style().Contains(hfsStrikeOut)) FTextLayout->SetStrikethrough(1, all);
  if (TextStyle.RTL) FTextLayout->SetReadingDirection(DWRITE_READING_DIRECTION_RIGHT_TO_LEFT);
  FTextLayout->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
  FTextLayout->SetTypography(GetFontTypography(font), all);
  Layout = true;
  return true;
}

void THtCanvasDX::endText(const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, float Y) {
  auto* font = static_cast<THtFontDX*>(Font);
  if (font->Style().Contains(hfsUnderline))
    drawDecorationLine(R.Left, std::round(Y + font->Underline) + 0.5f, R.Right, TextStyle, font);
  if (TextStyle.Opacity != 1) FDXSolidBrush->Opacity = 1;
}

void THtCanvasDX::DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                             int AFirstChar, int ALength) {
  float y;
  bool layout;
  if (!beginText(s, R, Font, TextStyle, AFirstChar, ALength, y, layout)) return;
  if (layout)
    FContext->DrawTextLayout({SnapCoordinate(R.Left - 0.5f, true), y - Font->Ascent}, FTextLayout.get(),
                             FDXSolidBrush.get(),
                             IsWindows81OrLater ? D2D1_DRAW_TEXT_OPTIONS_ENABLE_COLOR_FONT : D2D1_DRAW_TEXT_OPTIONS_NONE);
  endText(R, Font, TextStyle, y);
}

void THtCanvasDX::DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                               const TSingleArray& ASpacing, THtBrush*, THtPen*, int AFirstChar, int ALength) {
  float y;
  bool layout;
  if (!beginText(s, R, Font, TextStyle, AFirstChar, ALength, y, layout)) return;
  if (layout) drawSpaced({SnapCoordinate(R.Left, true), y - Font->Ascent}, FTextLayout.get(), TextStyle, ASpacing);
  endText(R, Font, TextStyle, y);
}

void THtCanvasDX::drawSpaced(D2D1_POINT_2F Origin, IDWriteTextLayout* Layout, const THtTextStyle& TextStyle,
                             const TSingleArray& Spacing) {
  FCustomRender->TextStyle = &TextStyle;
  FCustomRender->Spacing = Spacing;
  Layout->Draw(this, FCustomRender.get(), Origin.x, Origin.y);
  FCustomRender->Spacing.clear();
  FCustomRender->TextStyle = nullptr;
}

// ---------------------------------------------------------------- the text renderer

HRESULT TDXCustomTextRenderer::IsPixelSnappingDisabled(void*, BOOL* Disabled) {
  *Disabled = 0;
  return S_OK;
}

HRESULT TDXCustomTextRenderer::GetCurrentTransform(void* Context, D2D1_MATRIX_3X2_F* Transform) {
  static_cast<THtCanvasDX*>(Context)->FContext->GetTransform(Transform);
  return S_OK;
}

HRESULT TDXCustomTextRenderer::GetPixelsPerDip(void*, float* PixelsPerDip) {
  *PixelsPerDip = 1;  // targets draw at 96 dots per inch
  return S_OK;
}

HRESULT TDXCustomTextRenderer::DrawGlyphRun(void* Context, float BaselineOriginX, float BaselineOriginY,
                                            DWRITE_MEASURING_MODE, const DWRITE_GLYPH_RUN& Run,
                                            const DWRITE_GLYPH_RUN_DESCRIPTION& Description, IUnknown* Effect) {
  auto* canvas = static_cast<THtCanvasDX*>(Context);
  const float L = TextStyle ? TextStyle->LetterSpacing : 0;
  const bool spaced = !SameSingle(L, 0) || !Spacing.empty();
  const UINT32 P = Description.textPosition, C = Description.stringLength, n = Run.glyphCount;
  FAdvances.assign(Run.glyphAdvances, Run.glyphAdvances + n);
  // The characters before the run widen everything before it: the run
  // moves right by their letter spacing and extra advances.
  FRunShift = 0;
  if (spaced && n > 0) {
    FRunShift = L * float(P);
    for (size_t i = 1; i <= std::min<size_t>(P, Spacing.size() ? Spacing.size() - 1 : 0); ++i) FRunShift += Spacing[i];
    for (UINT32 c = 0; c < C; ++c)
      if (size_t(P + c) + 1 < Spacing.size() && Description.clusterMap[c] < n)
        FAdvances[Description.clusterMap[c]] += Spacing[P + c + 1];
    if (L != 0)
      for (float& a : FAdvances) a += L;
  }
  FGlyphs.resize(n);
  FPositions.resize(n);
  float pen = BaselineOriginX + FRunShift;
  for (UINT32 i = 0; i < n; ++i) {
    FGlyphs[i] = Run.glyphIndices[i];
    FPositions[i] = TPointF(pen + Run.glyphOffsets[i].advanceOffset, BaselineOriginY - Run.glyphOffsets[i].ascenderOffset);
    pen += FAdvances[i];
  }
  auto* effect = dynamic_cast<ID2D1SolidColorBrush*>(Effect);
  ID2D1Brush* brush = effect ? effect : canvas->FDXSolidBrush.get();
  canvas->FContext->DrawGlyphs(*Run.fontFace, Run.fontEmSize, FGlyphs.data(), FPositions.data(), int(n), brush);
  return S_OK;
}

HRESULT TDXCustomTextRenderer::DrawStrikethrough(void* Context, float BaselineOriginX, float BaselineOriginY,
                                                 const DWRITE_STRIKETHROUGH& S, IUnknown*) {
  auto* canvas = static_cast<THtCanvasDX*>(Context);
  const float y = BaselineOriginY + S.offset + S.thickness / 2;
  const float x = canvas->SnapToDevicePixel(BaselineOriginX + FRunShift);
  canvas->FContext->DrawLine({x, y}, {x + S.width, y}, canvas->FDXSolidBrush.get(), canvas->SnapStrokeWidth(S.thickness),
                             canvas->decorationStrokeStyle(tsSolid).get());
  return S_OK;
}

std::shared_ptr<ID2D1StrokeStyle> THtCanvasDX::decorationStrokeStyle(TCSSTextDecorationStyle Style) {
  D2D1_STROKE_STYLE_PROPERTIES p;
  p.dashCap = D2D1_CAP_STYLE_SQUARE;
  p.dashOffset = 0.5f;
  switch (Style) {
    case tsDotted: p.dashStyle = D2D1_DASH_STYLE_DOT; break;
    case tsDashed: p.dashStyle = D2D1_DASH_STYLE_DASH; break;
    case tsWavy: p.dashStyle = D2D1_DASH_STYLE_DASH_DOT_DOT; break;
    default: p.dashStyle = D2D1_DASH_STYLE_SOLID; break;
  }
  std::shared_ptr<ID2D1StrokeStyle> s;
  D2DHelper().D2DFactory->CreateStrokeStyle(p, nullptr, 0, &s);
  return s;
}

void THtCanvasDX::drawDecorationLine(float x1, float y, float x2, const THtTextStyle& TextStyle, THtFont* Font) {
  auto* font = static_cast<THtFontDX*>(Font);
  if (TextStyle.DecorationStyle == tsWavy) {
    THtPen* pen = GetPen(ApplyOpacity(TextStyle.DecorationColor, TextStyle.Opacity), float(font->UnderlineHeight));
    DrawWavyLine(x1, y, x2, y, pen);
    return;
  }
  SetSolidColor(TextStyle.DecorationColor);
  FContext->DrawLine({x1, y}, {x2, y}, FDXSolidBrush.get(), float(font->UnderlineHeight),
                     decorationStrokeStyle(TextStyle.DecorationStyle).get());
}

}  // namespace ht

namespace ht {

using namespace d2d;

namespace {

// A then B, in Direct2D's row-vector order.
D2D1_MATRIX_3X2_F mul(const D2D1_MATRIX_3X2_F& a, const D2D1_MATRIX_3X2_F& b) {
  D2D1_MATRIX_3X2_F r;
  r._11 = a._11 * b._11 + a._12 * b._21;
  r._12 = a._11 * b._12 + a._12 * b._22;
  r._21 = a._21 * b._11 + a._22 * b._21;
  r._22 = a._21 * b._12 + a._22 * b._22;
  r._31 = a._31 * b._11 + a._32 * b._21 + b._31;
  r._32 = a._31 * b._12 + a._32 * b._22 + b._32;
  return r;
}

DWRITE_TEXT_RANGE range(int FirstChar, int Length) {
  return {UINT32(std::max(0, FirstChar - 1)), UINT32(std::max(0, Length))};
}

}  // namespace

// ---------------------------------------------------------------- text objects

void THtTextObjectDX::SetColor(uint32_t Color, int FirstChar, int Length) {
  if (!Layout || !Owner || !Owner->Context()) return;
  std::shared_ptr<ID2D1SolidColorBrush> brush;
  Owner->Context()->CreateSolidColorBrush(THtCanvasDX::ColorF(Color), nullptr, &brush);
  if (brush) Layout->SetDrawingEffect(brush, range(FirstChar, Length));
}

void THtTextObjectDX::SetStyle(THtFontStyles Style, int FirstChar, int Length, uint32_t AUnderlineColor,
                               TCSSTextDecorationStyle AUnderlineStyle) {
  if (!Layout) return;
  DWRITE_TEXT_RANGE r = range(FirstChar, Length);
  Layout->SetFontWeight(Style.Contains(hfsBold)         ? 700
                        : Style.Contains(hfsLight)      ? 300
                        : Style.Contains(hfsUltraLight) ? 200
                                                        : 400,
                        r);
  Layout->SetFontStyle(Style.Contains(hfsItalic) ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL, r);
  Layout->SetStrikethrough(Style.Contains(hfsStrikeOut), r);
  if (!Style.Contains(hfsUnderline)) return;
  if (!Underlines.empty() && Underlines.back().FirstChar + Underlines.back().Length == FirstChar &&
      Underlines.back().Color == AUnderlineColor) {
    Underlines.back().Length += Length;
    return;
  }
  Underlines.push_back({FirstChar, Length, AUnderlineColor, AUnderlineStyle});
}

void THtTextObjectDX::SetAlignment(THAlign Align) {
  if (Align == thJustify && Layout) Layout->SetTextAlignment(DWRITE_TEXT_ALIGNMENT_JUSTIFIED);
}

std::unique_ptr<THtTextObject> THtCanvasDX::CreateTextObject(StringView s, THtFont* Font, const THtTextStyle& TextStyle,
                                                             const TRectF& R, int AFirstChar, int ALength) {
  auto t = std::make_unique<THtTextObjectDX>();
  t->Owner = this;
  t->TextStyle = TextStyle;
  auto* font = dynamic_cast<THtFontDX*>(Font);
  if (!font || !IsDirectXSupported() || !clampRun(s, AFirstChar, ALength)) return t;
  String text(s.substr(size_t(AFirstChar - 1), size_t(ALength)));
  // An italic Times face has no straight double quote that looks right.
  if (font->Style().Contains(hfsItalic) && font->IsTimes) std::replace(text.begin(), text.end(), u'"', u'\u201C');
  GetDWriteFactory()->CreateTextLayout(text, font->Font.get(), std::max(0.0f, R.Right - R.Left),
                                       std::max(0.0f, R.Bottom - R.Top), &t->Layout);
  if (!t->Layout) return t;
  t->TextLength = UINT32(ALength);
  t->Layout->SetTypography(GetFontTypography(font), {0, UINT32(text.size())});
  if (TextStyle.RTL) t->Layout->SetReadingDirection(DWRITE_READING_DIRECTION_RIGHT_TO_LEFT);
  t->Layout->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
  t->Layout->SetLineSpacing(DWRITE_LINE_SPACING_METHOD_UNIFORM, 0, font->Ascent);
  return t;
}

void THtCanvasDX::DrawTextObject(THtTextObject* TextObject, const TRectF& R, THtFont* Font) {
  auto* t = dynamic_cast<THtTextObjectDX*>(TextObject);
  auto* font = dynamic_cast<THtFontDX*>(Font);
  if (!t || !font || !drawing() || !FDXSolidBrush) return;
  const THtTextStyle& T = t->TextStyle;
  if (!(T.Opacity > 0)) return;
  if (T.Opacity != 1) FDXSolidBrush->Opacity = T.Opacity;
  float y = SnapToDevicePixel(R.Top + font->Ascent);
  for (const THtTextObjectDX::TUnderline& u : t->Underlines) {
    float x, w;
    if (u.FirstChar == 1 && u.Length == int(t->TextLength)) {
      x = SnapCoordinate(R.Left, true);
      w = R.Right - R.Left;
    } else {
      if (!t->Layout) continue;
      t->Layout->SetTypography(GetFontTypography(font), {UINT32(u.FirstChar - 1), UINT32(u.Length)});
      std::vector<DWRITE_HIT_TEST_METRICS> hits;
      t->Layout->HitTestTextRange(UINT32(u.FirstChar - 1), UINT32(u.Length), R.Left, R.Top, &hits);
      if (hits.empty()) continue;
      x = hits[0].left;
      w = hits[0].width;
    }
    THtTextStyle line = T;
    line.DecorationColor = u.Color;
    line.DecorationStyle = u.Style;
    drawDecorationLine(x, SnapCoordinate(y + font->Underline + 0.5f, true), x + w, line, font);
  }
  bool vertical = T.WritingMode != wmHorizontalTB;
  if (vertical) {
    SaveState();
    D2D1_MATRIX_3X2_F move, rot, current;
    if (T.WritingMode == wmSidewaysLR) {
      move._31 = R.Left - R.Right;
      move._32 = font->Height();
      D2D1MakeRotateMatrix(-90, {R.Left, R.Top}, &rot);
    } else {
      move._32 = -font->Height();
      D2D1MakeRotateMatrix(90, {R.Left, R.Top}, &rot);
    }
    FContext->GetTransform(&current);
    FContext->SetTransform(mul(mul(move, rot), current));
    if (!StateStack.empty()) ++StateStack.back().TransformCount;
  }
  if (t->Layout) {
    UINT32 options = IsWindows81OrLater ? D2D1_DRAW_TEXT_OPTIONS_ENABLE_COLOR_FONT : D2D1_DRAW_TEXT_OPTIONS_NONE;
    if (t->Ellipsis) {
      std::shared_ptr<IDWriteInlineObject> sign;
      GetDWriteFactory()->CreateEllipsisTrimmingSign(t->Layout.get(), &sign);
      DWRITE_TRIMMING trim;
      trim.granularity = DWRITE_TRIMMING_GRANULARITY_CHARACTER;
      t->Layout->SetTrimming(trim, sign);
      t->Layout->SetMaxWidth(std::max(0.0f, R.Right - R.Left));
    }
    float x = SnapCoordinate(R.Left, true);
    if (t->Shadow) {
      SetSolidColor(t->ShadowColor);
      FContext->DrawTextLayout({x + t->ShadowX, y - font->Ascent + t->ShadowY}, t->Layout.get(), FDXSolidBrush.get(),
                               options);
    }
    SetSolidColor(T.Color);
    if (SameSingle(T.LetterSpacing, 0))
      FContext->DrawTextLayout({x, y - font->Ascent}, t->Layout.get(), FDXSolidBrush.get(), options);
    else
      drawSpaced({x, y - font->Ascent}, t->Layout.get(), T, {});
  }
  if (T.Opacity != 1) FDXSolidBrush->Opacity = 1;
  if (vertical) RestoreState();
}

}  // namespace ht
