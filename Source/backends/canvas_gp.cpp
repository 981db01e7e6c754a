#include "backends/canvas_gp.h"

#include <algorithm>
#include <cmath>

#include "backends/gp_pages.h"
#include "canvas/colors.h"
#include "platform/rtl/exception.h"

namespace ht {

const THtCanvasGPClass THtCanvasGP::ClassType{"THtCanvasGP", &THtCanvas::ClassType,
                                              CreateInstance<THtCanvasGP, THtCanvas>};

float RoundHalfAway(float x) { return std::round(x); }

namespace {

// Clamps a 1-based run to s. Length < 0 means the rest of s.
}  // namespace

bool ClampTextRun(StringView s, int& First, int& Length) {
  const int len = int(s.size());
  if (Length < 0) Length = len - First + 1;
  if (First < 1) {
    Length += First - 1;
    First = 1;
  }
  if (First > len) return false;
  Length = std::min(Length, len - First + 1);
  return Length > 0;
}

namespace {

constexpr gdi::DWORD kPlacementFlags = gdi::GCP_USEKERNING | gdi::GCP_LIGATE;
constexpr gdi::DWORD kRetryFlags = 0x09000000;  // local digits, numeric override

void growPlacement(THtCharPlacement& CP, size_t Chars, size_t Glyphs) {
  if (CP.GlyphIndices.size() < Chars) CP.GlyphIndices.resize(Chars);
  if (CP.Glyphs.size() < Glyphs) {
    CP.Glyphs.resize(Glyphs);
    CP.CharWidths.resize(Glyphs);
  }
  CP.GR.lpDx = CP.CharWidths.data();
  CP.GR.lpGlyphs = CP.Glyphs.data();
  CP.GR.lpOrder = CP.GlyphIndices.data();
}

}  // namespace

gdi::DWORD GlyphPlacement(gdi::HDC DC, const char16_t* Text, int Count, THtCharPlacement& CP, bool RTL) {
  if (Count <= 0) return 0;
  growPlacement(CP, size_t(Count), size_t(Count));
  CP.GR.lStructSize = 64;
  gdi::DWORD flags = kPlacementFlags | (RTL ? gdi::GCP_REORDER : 0);
  bool retried = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    CP.GR.nGlyphs = gdi::UINT(CP.Glyphs.size());
    gdi::DWORD r = gdi::GetCharacterPlacementW(DC, Text, Count, 0, &CP.GR, flags);
    if (r != 0) return r;
    if (core::GetLastError() == core::csInsufficientBuffer && CP.GR.nGlyphs > CP.Glyphs.size()) {
      // More glyphs than characters: grow to what the shaper made.
      growPlacement(CP, size_t(Count), CP.GR.nGlyphs);
      continue;
    }
    if (retried) break;
    retried = true;
    flags |= kRetryFlags;
  }
  CP.GR.nGlyphs = 0;
  return 0;
}

// ---------------------------------------------------------------- class

const THtPageClass* THtCanvasGPClass::PageClass() const { return &THtPageGP::ClassType; }

THtStringList* THtCanvasGPClass::InstalledFonts() const {
  static std::unique_ptr<THtStringList> list = std::make_unique<THtStringList>(31);
  return list.get();
}

THtFontCollection* THtCanvasGPClass::SharedFontCollection() const {
  static std::unique_ptr<THtGPFontCollection> shared = std::make_unique<THtGPFontCollection>(this, true);
  return shared.get();
}

std::unique_ptr<THtFontCollection> THtCanvasGPClass::CreateFontCollection() const {
  return std::make_unique<THtGPFontCollection>(this, false);
}

THtCanvasFlags THtCanvasGPClass::GetFlags() const {
  return {hcfNeedBuffer, hcfCacheTextWidth, hcfScaleCanvasDrawing, hcfSupportsSimpleLayouts, hcfFullRepaint};
}

void THtCanvasGPClass::GetFonts(std::vector<String>& List) const {
  gdi::EnumFontsW(
      gdi::GetDC(0), nullptr,
      [&](const gdi::LOGFONTW* lf, const gdi::TEXTMETRICW*, gdi::DWORD type, gdi::LPARAM) {
        String name(lf->lfFaceName);
        if (!name.empty() && name[0] != u'@' && !(type & gdi::RASTER_FONTTYPE)) List.push_back(name);
        return 1;
      },
      0);
}

float THtCanvasGPClass::MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float,
                                      int AFirstChar, int ALength) const {
  auto* font = dynamic_cast<THtFontGP*>(Font);
  if (!font || s.empty() || !ClampTextRun(s, AFirstChar, ALength)) return 0;
  thread_local String run;
  run.assign(s.substr(size_t(AFirstChar - 1), size_t(ALength)));
  std::replace(run.begin(), run.end(), u'\u00A0', u' ');
  thread_local THtCharPlacement cp;
  if (GlyphPlacement(font->GDIDC, run.data(), int(run.size()), cp, TextStyle.RTL) == 0) return 0;
  long sum = 0;
  for (gdi::UINT i = 0; i < cp.GR.nGlyphs; ++i) sum += cp.CharWidths[i];
  return float(sum) * font->Height() / 1000;
}

bool THtCanvasGPClass::PointInPath(float X, float Y, THtPath* Path) const {
  auto* p = dynamic_cast<THtPathGP*>(Path);
  return p && p->VisRegion()->IsVisible(X, Y);
}

// ---------------------------------------------------------------- scenes and state

THtCanvasGP::~THtCanvasGP() { G.reset(); }

void THtCanvasGP::BeginScene(const THtCanvasScene& AScene) {
  THtCanvas::BeginScene(AScene);
  Canvas = Scene.Canvas;
  gdi::HDC dc = CanvasDC(Canvas);
  if (!dc) throw Exception(String(u"No canvas handle provided"));
  FDCSave = gdi::SaveDC(dc);
  if (!Scene.UpdateRects.empty()) {
    gdi::HRGN rgn = gdi::CreateRectRgn(0, 0, 0, 0);
    for (const TRect& r : Scene.UpdateRects) {
      gdi::HRGN one = gdi::CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
      gdi::CombineRgn(rgn, rgn, one, gdi::RGN_OR);
      gdi::DeleteObject(one);
    }
    gdi::ExtSelectClipRgn(dc, rgn, gdi::RGN_AND);
    gdi::DeleteObject(rgn);
  }
  G = std::make_unique<gdiplus::Graphics>(dc);
  FCanvasHandle = dc;
  StateStack.clear();
  G->SetSmoothingMode(gdiplus::SmoothingModeAntiAlias);
  G->SetTextRenderingHint(gdiplus::TextRenderingHintClearTypeGridFit);
  if (!FGPMatrix) FGPMatrix = std::make_unique<gdiplus::Matrix>();
  TranslateTransform(float(Scene.ViewPort.Left) + Scene.OffsetX * Scene.Scale,
                     float(Scene.ViewPort.Top) + Scene.OffsetY * Scene.Scale);
  if (std::fabs(Scene.Scale - 1) > 0.0001f) ScaleTransform(Scene.Scale, Scene.Scale);
}

void THtCanvasGP::EndScene() {
  G.reset();
  StateStack.clear();
  THtCanvas::EndScene();
  if (FCanvasHandle) gdi::RestoreDC(FCanvasHandle, FDCSave);
  FCanvasHandle = nullptr;
}

void THtCanvasGP::SaveState() {
  THtCanvas::SaveState();
  if (G) StateStack.push_back(G->Save());
}

void THtCanvasGP::RestoreState() {
  if (StateStack.empty()) throw Exception(String(u"Restore from empty GDI+ state stack"));
  G->Restore(StateStack.back());
  StateStack.pop_back();
  THtCanvas::RestoreState();
}

void THtCanvasGP::MatrixTransform(const THtMatrixData& M, bool Add) {
  THtCanvas::MatrixTransform(M, Add);
  if (!FGPMatrix) FGPMatrix = std::make_unique<gdiplus::Matrix>();
  const float* d = FCurrentMatrix.Data;
  FGPMatrix->SetElements(d[0], d[1], d[2], d[3], d[4], d[5]);
  if (G) G->SetTransform(FGPMatrix.get());
}

void THtCanvasGP::SetClip(const TRectF& R) {
  if (G) G->SetClip(ToGPRect(R));
}

void THtCanvasGP::IntersectClip(const TRectF& R) {
  if (G) G->IntersectClip(ToGPRect(R));
}

void THtCanvasGP::IntersectClip(THtPath* ClipPath) {
  if (!G || !ClipPath) return;
  TRectF b;
  ClipPath->GetBounds(b, nullptr);
  const THtCustomPath* recs = ClipPath->CustomPath();
  if (recs && recs->IsRect() && !recs->HasCurves()) {
    G->IntersectClip(ToGPRect(b));
    return;
  }
  // A path out of view adds no clip.
  if (!DocumentRectInView(b)) return;
  auto* p = dynamic_cast<THtPathGP*>(ClipPath);
  if (!p) return;
  gdiplus::Region r(&p->Path);
  G->IntersectClip(&r);
}

void THtCanvasGP::SetSmoothingMode(bool Smooth) {
  if (G) G->SetSmoothingMode(Smooth ? gdiplus::SmoothingModeAntiAlias : gdiplus::SmoothingModeNone);
}

void THtCanvasGP::SetCompositingMode(bool ModeOver) {
  if (G) G->SetCompositingMode(ModeOver ? gdiplus::CompositingModeSourceOver : gdiplus::CompositingModeSourceCopy);
}

// ---------------------------------------------------------------- shapes

void THtCanvasGP::DrawPath(THtPen* Pen, THtPath* Path) {
  auto* pen = dynamic_cast<THtPenGP*>(Pen);
  auto* path = dynamic_cast<THtPathGP*>(Path);
  if (G && pen && path) G->DrawPath(&pen->Pen, &path->Path);
}


// ---------------------------------------------------------------- snapping

float THtCanvasGP::SnapToPixel(float x) const {
  const float m11 = FCurrentMatrix.Data[0], m12 = FCurrentMatrix.Data[1];
  if (m11 > 0 && m12 == 0) return RoundHalfAway(x * m11) / m11;
  return x;
}

float THtCanvasGP::SnapToPixelEx(float x, bool Half) const {
  const float m11 = FCurrentMatrix.Data[0];
  const THtMatrixFlag f = FCurrentMatrix.Flags;
  if ((f == mfScale || f == mfNegativeScale) && m11 != 0 && m11 < 9) {
    if (Half) return RoundHalfAway((x - 0.5f) * m11) / m11 + 0.5f / m11;
    return RoundHalfAway(x * m11) / m11;
  }
  return x;
}

float THtCanvasGP::SnapWidth(float w) const {
  if (w == 0) return 0;
  const float m11 = FCurrentMatrix.Data[0], m12 = FCurrentMatrix.Data[1];
  if (m11 > 0 && m12 == 0) return std::max(RoundHalfAway(w * m11 - 0.25f), 1.0f) / m11;
  return w;
}

// ---------------------------------------------------------------- text

bool THtCanvasGP::placeRun(StringView s, const TRectF& R, THtFontGP* Font, float LetterSpacing,
                           const TSingleArray* Spacing, int First, int Length, bool RTL) {
  if (GlyphPlacement(Font->GDIDC, s.data() + (First - 1), Length, FCharPlacement, RTL) == 0) return false;
  const gdi::UINT n = FCharPlacement.GR.nGlyphs;
  if (FGPos.size() < n) FGPos.resize(n);
  if (n == 0) return true;
  const float scale = Font->Height() / 1000;
  const float y = R.Top + Font->Ascent;
  // The first character of each glyph's cluster, -1 for the other glyphs
  // of a cluster.
  thread_local std::vector<int> firstChar;
  if (Spacing) {
    firstChar.assign(n, -1);
    for (int c = Length - 1; c >= 0; --c) {
      gdi::UINT g = FCharPlacement.GlyphIndices[size_t(c)];
      if (g < n) firstChar[g] = c;
    }
  }
  float x = R.Left;
  FGPos[0] = gdiplus::PointF(x, y);
  for (gdi::UINT i = 1; i < n; ++i) {
    x += FCharPlacement.CharWidths[i - 1] * scale;
    if (Spacing) {
      int k = firstChar[i];
      size_t at = size_t(First - 1) + size_t(k);
      if (k >= 1 && at < Spacing->size()) x += (*Spacing)[at];
    } else {
      x += LetterSpacing;
    }
    FGPos[i] = gdiplus::PointF(x, y);
  }
  return true;
}

void THtCanvasGP::DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                             int AFirstChar, int ALength) {
  auto* font = dynamic_cast<THtFontGP*>(Font);
  if (!G || !font || !ClampTextRun(s, AFirstChar, ALength) || font->Height() == 0) return;
  font->Brush.SetColor(ApplyOpacity(TextStyle.Color, TextStyle.Opacity));
  if (!placeRun(s, R, font, TextStyle.LetterSpacing, nullptr, AFirstChar, ALength, TextStyle.RTL)) return;
  const gdi::UINT n = FCharPlacement.GR.nGlyphs;
  if (n != 0)
    G->DrawDriverString(FCharPlacement.Glyphs.data(), int(n), font->Font.get(), &font->Brush, FGPos.data(), 0,
                        nullptr, s.substr(size_t(AFirstChar - 1), size_t(ALength)),
                        FCharPlacement.GlyphIndices.data());
  if (font->Style().Contains(hfsUnderline) || font->Style().Contains(hfsStrikeOut))
    DrawDecorations(R, font, TextStyle);
}

void THtCanvasGP::DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                               const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke, int AFirstChar,
                               int ALength) {
  auto* font = dynamic_cast<THtFontGP*>(Font);
  if (!G || !font || !ClampTextRun(s, AFirstChar, ALength) || font->Height() == 0) return;
  font->Brush.SetColor(ApplyOpacity(TextStyle.Color, TextStyle.Opacity));
  if (AStroke && (!AFill || AFill->GetColor() != AStroke->GetColor())) {
    THtPen* pen = GetPen(ApplyOpacity(AStroke->GetColor(), TextStyle.Opacity), AStroke->GetWidth());
    DrawOutlinedText(s, R, font, TextStyle, AFill, pen, AFirstChar, ALength);
    return;
  }
  auto* fill = dynamic_cast<THtBrushGP*>(AFill);
  if (!fill || !fill->Brush) return;
  if (!placeRun(s, R, font, 0, &ASpacing, AFirstChar, ALength, TextStyle.RTL)) return;
  const gdi::UINT n = FCharPlacement.GR.nGlyphs;
  if (n != 0)
    G->DrawDriverString(FCharPlacement.Glyphs.data(), int(n), font->Font.get(), fill->Brush.get(), FGPos.data(), 0,
                        nullptr, s.substr(size_t(AFirstChar - 1), size_t(ALength)),
                        FCharPlacement.GlyphIndices.data());
  if (font->Style().Contains(hfsUnderline) || font->Style().Contains(hfsStrikeOut))
    DrawDecorations(R, font, TextStyle);
}

void THtCanvasGP::DrawOutlinedText(StringView s, const TRectF& R, THtFontGP* Font, const THtTextStyle&,
                                   THtBrush* Fill, THtPen* Pen, int AFirstChar, int ALength) {
  if (!G || !Font || !ClampTextRun(s, AFirstChar, ALength)) return;
  const int style = (Font->Style().Contains(hfsBold) ? gdiplus::FontStyleBold : 0) |
                    (Font->Style().Contains(hfsItalic) ? gdiplus::FontStyleItalic : 0);
  gdiplus::FontFamily family;
  Font->Font->GetFamily(&family);
  gdiplus::GraphicsPath path(gdiplus::FillModeAlternate);
  path.AddString(s.substr(size_t(AFirstChar - 1), size_t(ALength)), &family, style, Font->Height(),
                 gdiplus::PointF(R.Left, R.Top), gdiplus::StringFormat::GenericTypographic());
  path.CloseAllFigures();
  if (auto* fill = dynamic_cast<THtBrushGP*>(Fill); fill && fill->Brush) G->FillPath(fill->Brush.get(), &path);
  if (auto* pen = dynamic_cast<THtPenGP*>(Pen)) G->DrawPath(&pen->Pen, &path);
}

void THtCanvasGP::DrawDecorations(const TRectF& R, THtFontGP* Font, const THtTextStyle& TextStyle) {
  if (!G) return;
  std::vector<float> ys;
  if (Font->Style().Contains(hfsUnderline)) ys.push_back(R.Top + Font->Ascent + Font->UnderlinePosition);
  if (Font->Style().Contains(hfsStrikeOut)) ys.push_back(R.Top + Font->Ascent + Font->StrikeoutPosition);
  const float t = std::ceil(std::fabs(Font->Height()) / 18);
  const uint32_t color = ApplyOpacity(TextStyle.DecorationColor, TextStyle.Opacity);
  if (TextStyle.DecorationStyle == tsSolid) {
    G->SetSmoothingMode(gdiplus::SmoothingModeNone);
    Font->Brush.SetColor(color);
    for (float y : ys) G->FillRectangle(&Font->Brush, gdiplus::RectF(R.Left, SnapToPixel(y), R.Right - R.Left, t));
    G->SetSmoothingMode(gdiplus::SmoothingModeAntiAlias);
    return;
  }
  THtPen* pen = GetPen(color, t);
  if (TextStyle.DecorationStyle == tsDotted) pen->SetStyle(hpsDot);
  if (TextStyle.DecorationStyle == tsDashed) pen->SetStyle(hpsDash);
  if (TextStyle.DecorationStyle == tsWavy) {
    for (float y : ys) DrawWavyLine(R.Left, y, R.Right, y, pen);
    return;
  }
  for (float y : ys) DrawLine(pen, R.Left, SnapToPixel(y), R.Right, SnapToPixel(y));
  pen->SetStyle(hpsSolid);
}

}  // namespace ht
