// Drawing with the GDI facade: aliased fills and strokes on whole device
// pixels, glyph runs, stretched copies and gradient fills.
#include "platform/gdi/gdi_draw.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/gdi_meta.h"
#include "platform/rtl/string.h"

namespace ht::gdi {

namespace {

BOOL fail(uint32_t Code = core::csInvalidParameter) {
  core::SetLastError(Code);
  return 0;
}

core::TCoreMatrix xfMatrix(const XFORM& x) { return {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy}; }

uint32_t argbOf(COLORREF c) { return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

void clipToDc(core::TCoreContext& c, HDC Dc) {
  std::vector<TRect> clip;
  if (Dc->ClipRects(clip)) c.ClipDeviceRects(clip);
}

bool brushPaint(HDC Dc, HBRUSH B, core::TCorePaint& P) {
  if (!B || B->Style == BS_NULL) return false;
  if (B->Style == BS_PATTERN) {
    if (!B->Pattern) return false;
    P = core::TCorePaint();
    P.Kind = core::pkSurface;
    P.Surface = &B->Pattern->Surface;
    P.ExtendX = P.ExtendY = core::exRepeat;
    P.Smooth = false;
    P.Matrix = core::TCoreMatrix::Translation(Dc->A.BrushOrg.x, Dc->A.BrushOrg.y);
    return true;
  }
  P = core::TCorePaint::Solid(argbOf(B->UseDcColor ? Dc->A.DCBrushColor : B->Color));
  return true;
}

// The pen as a device-space stroke; false for the null pen.
bool penStroke(HDC Dc, core::TCoreStroke& S, core::TCorePaint& P) {
  HPEN pen = Dc->A.Pen;
  if (!pen || (pen->Style & PS_STYLE_MASK) == PS_NULL) return false;
  P = core::TCorePaint::Solid(argbOf(pen->UseDcColor ? Dc->A.DCPenColor : pen->Color));
  const XFORM& x = Dc->A.Xf;
  const bool geometric = (pen->Style & PS_TYPE_MASK) == PS_GEOMETRIC || pen->Width > 1;
  double w = 1;
  if (geometric) {
    const double scale = std::sqrt(std::abs(double(x.eM11) * x.eM22 - double(x.eM12) * x.eM21));
    w = std::max(1.0, pen->Width * scale);
    switch (pen->Style & PS_ENDCAP_MASK) {
      case PS_ENDCAP_SQUARE: S.Cap = core::lcSquareCap; break;
      case PS_ENDCAP_FLAT: S.Cap = core::lcButt; break;
      default: S.Cap = core::lcRoundCap;
    }
    switch (pen->Style & PS_JOIN_MASK) {
      case PS_JOIN_MITER: S.Join = core::ljMiterJoin; break;
      case PS_JOIN_BEVEL: S.Join = core::ljBevelJoin; break;
      default: S.Join = core::ljRoundJoin;
    }
  }
  S.Width = float(w);
  const double u = geometric ? w : 1;
  switch (pen->Style & PS_STYLE_MASK) {
    case PS_DASH: S.Dashes = {geometric ? 3 * u : 18, geometric ? u : 6}; break;
    case PS_DOT: S.Dashes = {geometric ? u : 3, geometric ? u : 3}; break;
    case PS_DASHDOT: S.Dashes = {geometric ? 3 * u : 9, geometric ? u : 6, geometric ? u : 3, geometric ? u : 6}; break;
    case PS_DASHDOTDOT:
      S.Dashes = {geometric ? 3 * u : 9, u * (geometric ? 1 : 3), u * (geometric ? 1 : 3), u * (geometric ? 1 : 3),
                  u * (geometric ? 1 : 3), u * (geometric ? 1 : 3)};
      break;
    default: break;
  }
  return true;
}

core::TCorePath devicePath(const std::vector<POINT>& Pts, const std::vector<BYTE>& Types, float Offset,
                           bool CloseAll) {
  core::TCorePath p;
  auto closeOpen = [&] {
    if (CloseAll && !p.Empty() && p.Ops.back() != core::poClose) p.Close();
  };
  for (size_t i = 0; i < Pts.size() && i < Types.size(); ++i) {
    const BYTE t = Types[i] & ~PT_CLOSEFIGURE;
    size_t last = i;
    if (t == PT_MOVETO) {
      closeOpen();
      p.MoveTo(float(Pts[i].x) + Offset, float(Pts[i].y) + Offset);
    } else if (t == PT_BEZIERTO && i + 2 < Pts.size()) {
      p.CurveTo(float(Pts[i].x) + Offset, float(Pts[i].y) + Offset, float(Pts[i + 1].x) + Offset,
                float(Pts[i + 1].y) + Offset, float(Pts[i + 2].x) + Offset, float(Pts[i + 2].y) + Offset);
      last = i + 2;
    } else {
      p.LineTo(float(Pts[i].x) + Offset, float(Pts[i].y) + Offset);
    }
    if (Types[last] & PT_CLOSEFIGURE) p.Close();
    i = last;
  }
  closeOpen();
  return p;
}

bool hasBitmap(HDC Dc) { return Dc && Dc->Bitmap && Dc->Bitmap->Surface.Handle(); }

std::string traceArgs(int A, int B, int C, int D) {
  return "(" + std::to_string(A) + "," + std::to_string(B) + "," + std::to_string(C) + "," + std::to_string(D) + ")";
}

}  // namespace

BOOL detail::RenderPath(HDC Dc, const std::vector<POINT>& Pts, const std::vector<BYTE>& Types, bool Fill,
                        bool Stroke) {
  if (!hasBitmap(Dc)) return fail();
  if (Pts.empty()) return 1;
  core::TCoreContext c(Dc->Bitmap->Surface);
  clipToDc(c, Dc);
  c.SetAntialias(false);
  core::TCorePaint paint;
  if (Fill && brushPaint(Dc, Dc->A.Brush, paint)) {
    core::TCorePath p = devicePath(Pts, Types, 0, true);
    p.FillRule = Dc->A.FillMode == WINDING ? core::frWinding : core::frEvenOdd;
    c.Fill(p, paint);
  }
  core::TCoreStroke stroke;
  if (Stroke && penStroke(Dc, stroke, paint)) c.Stroke(devicePath(Pts, Types, 0.5f, false), stroke, paint);
  return 1;
}

core::TCoreSurface* detail::CopySource(HDC Src, HDC Dest, std::unique_ptr<core::TCoreSurface>& Snap) {
  core::TCoreSurface& src = Src->Bitmap->Surface;
  if (Src->Bitmap != Dest->Bitmap) return &src;
  Snap = std::make_unique<core::TCoreSurface>(src.Width(), src.Height());
  core::TCoreContext c(*Snap);
  c.SetOperator(core::opSource);
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = &src;
  p.ExtendX = p.ExtendY = core::exNone;
  c.Paint(p);
  return Snap.get();
}

bool detail::DeviceDestRect(HDC Dc, int X, int Y, int W, int H, TRect& R) {
  const XFORM& m = Dc->A.Xf;
  double l = 1e300, t = 1e300, r = -1e300, b = -1e300;
  for (double px : {double(X), double(X) + W})
    for (double py : {double(Y), double(Y) + H}) {
      const double dx = px * m.eM11 + py * m.eM21 + m.eDx, dy = px * m.eM12 + py * m.eM22 + m.eDy;
      l = std::min(l, dx), t = std::min(t, dy), r = std::max(r, dx), b = std::max(b, dy);
    }
  auto clampInt = [](double v) { return int(std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0)); };
  R = TRect(clampInt(l), clampInt(t), clampInt(r), clampInt(b));
  return R.Right > R.Left && R.Bottom > R.Top;
}

cairo_t* detail::DrawContext(HDC Dc) {
  cairo_surface_t* target = Dc->Bitmap->Surface.Handle();
  // The kept context holds a reference to its surface, so a surface at the
  // same address is the same surface.
  if (Dc->DrawCr && (cairo_get_target(Dc->DrawCr) != target || Dc->DrawCrClip != Dc->ClipGeneration)) {
    cairo_destroy(Dc->DrawCr);
    Dc->DrawCr = nullptr;
  }
  if (!Dc->DrawCr) {
    Dc->DrawCr = cairo_create(target);
    Dc->DrawCrClip = Dc->ClipGeneration;
    Dc->DrawCrColor = 0xFFFFFFFF;
    std::vector<TRect> clip;
    if (Dc->ClipRects(clip)) {
      for (const TRect& r : clip) cairo_rectangle(Dc->DrawCr, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
      cairo_clip(Dc->DrawCr);
    }
  }
  cairo_identity_matrix(Dc->DrawCr);
  cairo_new_path(Dc->DrawCr);
  return Dc->DrawCr;
}

// ---------------------------------------------------------------- objects

HPEN CreatePen(int Style, int Width, COLORREF Color) {
  if (Style < 0 || Style > int(PS_NULL)) return fail(), nullptr;
  auto* p = new TGdiPen();
  p->Style = DWORD(Style) | (Width > 1 ? PS_GEOMETRIC : PS_COSMETIC);
  p->Width = std::max(Width, 0);
  p->Color = Color & 0xFFFFFF;
  return p;
}

HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH* Brush, DWORD StyleCount, const DWORD* StyleArray) {
  if (!Brush || Brush->lbStyle != BS_SOLID || StyleCount || StyleArray || Width > 0x7FFFFFFF ||
      (Style & PS_STYLE_MASK) > PS_NULL || ((Style & PS_TYPE_MASK) == PS_COSMETIC && Width > 1))
    return fail(), nullptr;
  auto* p = new TGdiPen();
  p->Style = Style;
  p->Width = int(Width);
  p->Color = Brush->lbColor & 0xFFFFFF;
  return p;
}

HBRUSH CreateSolidBrush(COLORREF Color) {
  auto* b = new TGdiBrush();
  b->Color = Color & 0xFFFFFF;
  return b;
}

HBRUSH CreatePatternBrush(HBITMAP Bitmap) {
  if (!Bitmap || Bitmap->Surface.Width() <= 0 || Bitmap->Surface.Height() <= 0) return fail(), nullptr;
  auto* b = new TGdiBrush();
  b->Style = BS_PATTERN;
  core::TCoreSurface& src = Bitmap->Surface;
  b->Pattern = new TGdiBitmap(src.Width(), src.Height(), false);
  core::TCoreContext c(b->Pattern->Surface);
  c.SetOperator(core::opSource);
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = &src;
  p.ExtendX = p.ExtendY = core::exNone;
  c.Paint(p);
  return b;
}

COLORREF SetDCPenColor(HDC Dc, COLORREF Color) {
  if (!Dc) return CLR_INVALID;
  return std::exchange(Dc->A.DCPenColor, Color & 0xFFFFFF);
}

COLORREF SetDCBrushColor(HDC Dc, COLORREF Color) {
  if (!Dc) return CLR_INVALID;
  return std::exchange(Dc->A.DCBrushColor, Color & 0xFFFFFF);
}

COLORREF SetTextColor(HDC Dc, COLORREF Color) {
  if (!Dc) return CLR_INVALID;
  return std::exchange(Dc->A.TextColor, Color & 0xFFFFFF);
}

int SetBkMode(HDC Dc, int Mode) {
  if (!Dc || (Mode != TRANSPARENT && Mode != OPAQUE)) return fail();
  return std::exchange(Dc->A.BkMode, Mode);
}

UINT SetTextAlign(HDC Dc, UINT Align) {
  if (!Dc) return fail(), GDI_ERROR;
  return std::exchange(Dc->A.TextAlign, Align);
}

BOOL SetBrushOrgEx(HDC Dc, int X, int Y, POINT* Old) {
  if (!Dc) return fail();
  if (Old) *Old = Dc->A.BrushOrg;
  Dc->A.BrushOrg = POINT{X, Y};
  return 1;
}

int SetStretchBltMode(HDC Dc, int Mode) {
  if (!Dc || Mode < 1 || Mode > HALFTONE) return fail();
  return std::exchange(Dc->A.StretchMode, Mode);
}

// ---------------------------------------------------------------- fills and clips

namespace {
// The logical rectangle's device corners as one closed figure.
void rectFigure(HDC Dc, double L, double T, double R, double B, std::vector<POINT>& Pts, std::vector<BYTE>& Types) {
  const XFORM& m = Dc->A.Xf;
  auto dev = [&](double x, double y) {
    const double dx = x * m.eM11 + y * m.eM21 + m.eDx, dy = x * m.eM12 + y * m.eM22 + m.eDy;
    return POINT{int(std::clamp(std::nearbyint(dx), -2147483648.0, 2147483647.0)),
                 int(std::clamp(std::nearbyint(dy), -2147483648.0, 2147483647.0))};
  };
  Pts = {dev(L, T), dev(R, T), dev(R, B), dev(L, B)};
  Types = {PT_MOVETO, PT_LINETO, PT_LINETO, BYTE(PT_LINETO | PT_CLOSEFIGURE)};
}
bool axisAligned(const XFORM& x) { return x.eM12 == 0 && x.eM21 == 0; }
}  // namespace

int FillRect(HDC Dc, const RECT* R, HBRUSH Brush) {
  if (!hasBitmap(Dc) || !R || !Brush) return fail();
  if (GdiTrace().Enabled) GdiTrace().Add("FillRect" + traceArgs(R->left, R->top, R->right, R->bottom));
  if (Brush->Style == BS_NULL) return 1;
  if (Brush->Style == BS_SOLID && axisAligned(Dc->A.Xf)) {
    // Whole pixels of one colour: a device rectangle.
    const XFORM& m = Dc->A.Xf;
    auto dev = [](double v) { return std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0); };
    const double x0 = dev(R->left * m.eM11 + m.eDx), x1 = dev(R->right * m.eM11 + m.eDx);
    const double y0 = dev(R->top * m.eM22 + m.eDy), y1 = dev(R->bottom * m.eM22 + m.eDy);
    const double l = std::min(x0, x1), r = std::max(x0, x1), t = std::min(y0, y1), b = std::max(y0, y1);
    if (l >= r || t >= b) return 1;
    cairo_t* cr = detail::DrawContext(Dc);
    const COLORREF c = Brush->UseDcColor ? Dc->A.DCBrushColor : Brush->Color;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    if (Dc->DrawCrColor != c) {
      cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
      Dc->DrawCrColor = c;
    }
    cairo_rectangle(cr, l, t, r - l, b - t);
    cairo_fill(cr);
    return 1;
  }
  core::TCorePaint paint;
  if (!brushPaint(Dc, Brush, paint)) return 1;
  std::vector<POINT> pts;
  std::vector<BYTE> types;
  rectFigure(Dc, R->left, R->top, R->right, R->bottom, pts, types);
  core::TCoreContext c(Dc->Bitmap->Surface);
  clipToDc(c, Dc);
  c.SetAntialias(false);
  if (axisAligned(Dc->A.Xf)) {
    // Whole pixels: a device rectangle.
    const int l = std::min(pts[0].x, pts[2].x), r = std::max(pts[0].x, pts[2].x);
    const int t = std::min(pts[0].y, pts[2].y), b = std::max(pts[0].y, pts[2].y);
    if (l >= r || t >= b) return 1;
    c.ClipDeviceRect(TRectF(float(l), float(t), float(r), float(b)));
    c.Paint(paint);
    return 1;
  }
  c.Fill(devicePath(pts, types, 0, true), paint);
  return 1;
}

int IntersectClipRect(HDC Dc, int L, int T, int R, int B) {
  if (!Dc) return RGN_ERROR;
  if (GdiTrace().Enabled) GdiTrace().Add("IntersectClipRect" + traceArgs(L, T, R, B));
  std::vector<POINT> pts;
  std::vector<BYTE> types;
  rectFigure(Dc, L, T, R, B, pts, types);
  HRGN rgn;
  if (axisAligned(Dc->A.Xf))
    rgn = CreateRectRgn(pts[0].x, pts[0].y, pts[2].x, pts[2].y);
  else
    rgn = detail::FiguresToRegion(pts, types, ALTERNATE);
  const int res = ExtSelectClipRgn(Dc, rgn, RGN_AND);
  DeleteObject(rgn);
  return res;
}

// ---------------------------------------------------------------- text

BOOL ExtTextOutW(HDC Dc, int X, int Y, UINT Options, const RECT*, const char16_t* Str, UINT Count, const int* Dx,
                 StringView Chars, const UINT* GlyphOfChar) {
  if (!hasBitmap(Dc) || (Count && !Str) || Count > 0x7FFFFFFF) return fail();
  if (GdiTrace().Enabled) GdiTrace().Add("ExtTextOutW(" + std::to_string(Count) + ")");
  if (Count == 0) return 1;
  const core::TFaceMatch& match = Dc->Font->Match();
  if (!match.Face) return fail(core::csGenericError);
  const core::TCoreFontFace& face = *match.Face;
  const double em = Dc->Font->EmSize(), unit = em / face.UnitsPerEm();
  thread_local std::vector<uint32_t> glyphs;
  thread_local std::vector<TPointF> pos;
  glyphs.resize(Count);
  pos.resize(Count);
  for (UINT i = 0; i < Count; ++i) glyphs[i] = (Options & ETO_GLYPH_INDEX) ? Str[i] : face.GlyphIndex(Str[i]);
  if (!(Options & ETO_GLYPH_INDEX) && Chars.empty()) Chars = StringView(Str, Count);
  const double ascent = std::lround(face.Metrics().WinAscent * unit);
  const double baseline = (Dc->A.TextAlign & TA_BASELINE) == TA_BASELINE ? Y : Y + ascent;
  double x = X;
  for (UINT i = 0; i < Count; ++i) {
    pos[i] = TPointF(float(x), float(baseline));
    x += Dx ? Dx[i] : std::lround(face.GlyphAdvance(glyphs[i]) * unit);
  }
  const core::TCorePaint paint = core::TCorePaint::Solid(argbOf(Dc->A.TextColor));
  if (TGdiMetaFile* mf = MetaOf(Dc); mf && !Chars.empty()) {
    // The drawing so far stays before the text; later drawing goes after it.
    mf->Cut();
    TMetaRecord r;
    r.iType = EMR_EXTTEXTOUTW;
    r.Text = std::make_unique<TMetaTextRecord>();
    TMetaTextRecord& t = *r.Text;
    t.Text = String(Chars);
    t.Glyphs = glyphs;
    if (GlyphOfChar) t.GlyphOfChar.assign(GlyphOfChar, GlyphOfChar + Chars.size());
    t.Positions = pos;
    t.Face = match.Face;
    t.EmPixels = em;
    t.Paint = paint;
    t.Matrix = xfMatrix(Dc->A.Xf);
    t.HasDcClip = Dc->ClipRects(t.DcClip);
    t.Antialias = true;
    mf->Records.push_back(std::move(r));
    return 1;
  }
  cairo_t* cr = detail::DrawContext(Dc);
  Dc->DrawCrColor = 0xFFFFFFFF;  // the run sets its own source
  const XFORM& xf = Dc->A.Xf;
  cairo_matrix_t m{xf.eM11, xf.eM12, xf.eM21, xf.eM22, xf.eDx, xf.eDy};
  cairo_set_matrix(cr, &m);
  core::TCoreContext c(cr);
  core::DrawGlyphRun(c, face, float(em), glyphs.data(), pos.data(), int(Count), paint);
  return 1;
}

namespace {
// Glyphs, advances and width of a line with the DC's font.
bool shapeLine(HDC Dc, const String& Text, bool RTL, std::vector<WORD>& Glyphs, std::vector<int>& Dx,
               std::vector<UINT>& Order, int& Width) {
  Width = 0;
  Glyphs.clear();
  Dx.clear();
  Order.assign(Text.size(), 0);
  if (Text.empty()) return true;
  GCP_RESULTSW r;
  r.lStructSize = sizeof(r);
  UINT cap = UINT(Text.size()) * 2 + 8;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Glyphs.assign(cap, 0);
    Dx.assign(cap, 0);
    r.lpGlyphs = Glyphs.data();
    r.lpDx = Dx.data();
    r.lpOrder = Order.data();
    r.nGlyphs = cap;
    const DWORD flags = GCP_USEKERNING | GCP_LIGATE | (RTL ? GCP_REORDER : 0);
    if (GetCharacterPlacementW(Dc, Text.data(), int(Text.size()), 0, &r, flags)) {
      Glyphs.resize(r.nGlyphs);
      Dx.resize(r.nGlyphs);
      for (int d : Dx) Width += d;
      return true;
    }
    if (core::GetLastError() != core::csInsufficientBuffer) return false;
    cap = r.nGlyphs;
  }
  return false;
}
}  // namespace

int DrawTextW(HDC Dc, const char16_t* Text, int Count, RECT* R, UINT Format) {
  if (!hasBitmap(Dc) || !R || (!Text && Count)) return fail();
  if (Count < 0) Count = Text ? int(std::char_traits<char16_t>::length(Text)) : 0;
  if (GdiTrace().Enabled) GdiTrace().Add("DrawTextW(" + std::to_string(Count) + ")");
  String line(Text, size_t(Count));
  // One line: breaks end it.
  if (size_t nl = line.find_first_of(u"\r\n"); nl != String::npos && (Format & DT_SINGLELINE) == 0) line.resize(nl);
  for (char16_t& c : line)
    if (c == u'\r' || c == u'\n') c = u' ';
  const bool rtl = Format & DT_RTLREADING;
  std::vector<WORD> glyphs;
  std::vector<int> dx;
  std::vector<UINT> order;
  int width = 0;
  if (!shapeLine(Dc, line, rtl, glyphs, dx, order, width)) return 0;
  const int avail = R->right - R->left;
  if ((Format & DT_END_ELLIPSIS) && width > avail) {
    String head = line;
    String cut;
    do {
      if (head.empty()) break;
      head.pop_back();
      if (!head.empty() && head.back() >= 0xD800 && head.back() < 0xDC00) head.pop_back();
      cut = head + u"...";
      if (!shapeLine(Dc, cut, rtl, glyphs, dx, order, width)) return 0;
    } while (width > avail);
    line = cut;
  }
  TEXTMETRICW tm;
  GetTextMetricsW(Dc, &tm);
  if (Format & DT_CALCRECT) {
    R->right = R->left + width;
    R->bottom = R->top + tm.tmHeight;
    return tm.tmHeight;
  }
  int x = R->left;
  if (Format & DT_RIGHT)
    x = R->right - width;
  else if (Format & DT_CENTER)
    x = R->left + (avail - width) / 2;
  std::vector<char16_t> ids(glyphs.begin(), glyphs.end());
  if (!ExtTextOutW(Dc, x, R->top, ETO_GLYPH_INDEX, nullptr, ids.data(), UINT(ids.size()), dx.data(), line,
                   order.data()))
    return 0;
  return tm.tmHeight;
}

int GetTextFaceW(HDC Dc, int Count, char16_t* Name) {
  if (!Dc) return fail();
  const core::TFaceMatch& m = Dc->Font->Match();
  String face = m.Face ? (Dc->Font->Substituted() ? String(u"Arial") : m.FaceName) : String();
  if (!Name || Count <= 0) return int(face.size()) + 1;
  const size_t n = std::min(face.size(), size_t(Count - 1));
  std::copy(face.begin(), face.begin() + ptrdiff_t(n), Name);
  Name[n] = 0;
  return int(n);
}

int AddFontResourceExW(const char16_t* FileName, DWORD, void*) {
  if (!FileName) return fail();
  std::ifstream in(StringToUtf8(FileName), std::ios::binary);
  if (!in) return fail(core::csFileNotFound);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DWORD count = 0;
  // File fonts stay installed for the life of the process.
  if (!AddFontMemResourceEx(bytes.data(), DWORD(bytes.size()), nullptr, &count)) return fail(core::csGenericError);
  return int(count);
}

// ---------------------------------------------------------------- copies and gradients

BOOL StretchBlt(HDC Dest, int X, int Y, int W, int H, HDC Src, int SX, int SY, int SW, int SH, DWORD Rop) {
  if (!hasBitmap(Dest) || !hasBitmap(Src) || Rop != SRCCOPY || W <= 0 || H <= 0 || SW <= 0 || SH <= 0) return fail();
  if (GdiTrace().Enabled)
    GdiTrace().Add(std::string(Dest->A.StretchMode == HALFTONE ? "StretchBlt/HALFTONE" : "StretchBlt") +
                   traceArgs(X, Y, W, H));
  std::unique_ptr<core::TCoreSurface> snap;
  core::TCoreSurface* from = detail::CopySource(Src, Dest, snap);
  TRect d;
  if (!detail::DeviceDestRect(Dest, X, Y, W, H, d)) return 1;
  core::TCoreContext c(Dest->Bitmap->Surface);
  clipToDc(c, Dest);
  c.ClipDeviceRect(TRectF(float(d.Left), float(d.Top), float(d.Right), float(d.Bottom)));
  c.SetOperator(core::opSource);
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = from;
  p.ExtendX = p.ExtendY = core::exPad;
  p.Smooth = Dest->A.StretchMode == HALFTONE;
  const double sx = double(d.Right - d.Left) / SW, sy = double(d.Bottom - d.Top) / SH;
  p.Matrix = core::TCoreMatrix{sx, 0, 0, sy, d.Left - SX * sx, d.Top - SY * sy};
  c.Paint(p);
  return 1;
}

BOOL GradientFill(HDC Dc, const TRIVERTEX* Vertices, UINT NumVertices, const GRADIENT_RECT* Rects, UINT NumRects,
                  DWORD Mode) {
  if (!hasBitmap(Dc) || !Vertices || !Rects || (Mode != GRADIENT_FILL_RECT_H && Mode != GRADIENT_FILL_RECT_V))
    return fail();
  if (GdiTrace().Enabled) GdiTrace().Add(Mode == GRADIENT_FILL_RECT_H ? "GradientFill(H)" : "GradientFill(V)");
  core::TCoreContext c(Dc->Bitmap->Surface);
  clipToDc(c, Dc);
  c.SetAntialias(false);
  c.SetMatrix(xfMatrix(Dc->A.Xf));
  auto colour = [](const TRIVERTEX& v) {
    return 0xFF000000u | (uint32_t(v.Red >> 8) << 16) | (uint32_t(v.Green >> 8) << 8) | uint32_t(v.Blue >> 8);
  };
  for (UINT i = 0; i < NumRects; ++i) {
    if (Rects[i].UpperLeft >= NumVertices || Rects[i].LowerRight >= NumVertices) return fail();
    const TRIVERTEX& a = Vertices[Rects[i].UpperLeft];
    const TRIVERTEX& b = Vertices[Rects[i].LowerRight];
    const float l = float(std::min(a.x, b.x)), r = float(std::max(a.x, b.x));
    const float t = float(std::min(a.y, b.y)), btm = float(std::max(a.y, b.y));
    if (l >= r || t >= btm) continue;
    core::TCorePaint p;
    p.Kind = core::pkLinear;
    p.P0 = TPointF(float(a.x), float(a.y));
    p.P1 = Mode == GRADIENT_FILL_RECT_H ? TPointF(float(b.x), float(a.y)) : TPointF(float(a.x), float(b.y));
    p.Stops = {{0, colour(a)}, {1, colour(b)}};
    core::TCorePath path;
    path.Rectangle(l, t, r - l, btm - t);
    c.Fill(path, p);
  }
  return 1;
}

// ---------------------------------------------------------------- capabilities

int GetDeviceCaps(HDC Dc, int Index) {
  if (!Dc) return 0;
  if (Index == SHADEBLENDCAPS) return Dc->ShadeBlendCaps;
  if (Dc->DeviceCaps) return Dc->DeviceCaps(Index);
  const int w = Dc->Bitmap ? Dc->Bitmap->Surface.Width() : 0, h = Dc->Bitmap ? Dc->Bitmap->Surface.Height() : 0;
  switch (Index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES:
    case PHYSICALWIDTH: return w;
    case VERTRES:
    case PHYSICALHEIGHT: return h;
    case HORZSIZE: return int(std::lround(w * 25.4 / 96));
    case VERTSIZE: return int(std::lround(h * 25.4 / 96));
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
  }
}

}  // namespace ht::gdi
