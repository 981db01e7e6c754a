#include "platform/gdi/gdi.h"

#include "platform/gdi/gdi_draw.h"
#include "platform/gdi/gdi_internal.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

namespace ht::gdi {

core::TCallTrace& GdiTrace() {
  static core::TCallTrace t("gdi");
  return t;
}

std::function<bool(DWORD)> GdiPlacementFault;

namespace {

// Private memory fonts: process-wide, looked up before the installed ones.
struct memFont {
  HANDLE handle;
  std::vector<std::shared_ptr<core::TCoreFontFace>> faces;
};
std::mutex memLock;
std::vector<memFont>& memFonts() {
  static auto* v = new std::vector<memFont>();
  return *v;
}
uintptr_t nextMemHandle = 1;

core::TFaceMatch findMemFont(StringView family, int weight, bool italic) {
  std::lock_guard<std::mutex> g(memLock);
  core::TFaceMatch best;
  int bestScore = 1 << 30;
  for (const auto& mf : memFonts())
    for (const auto& f : mf.faces) {
      if (!SameTextAscii(f->FamilyName(), family)) continue;
      int score = std::abs(f->Metrics().Weight - weight) + (f->Metrics().Italic != italic) * 10000;
      if (score < bestScore) {
        bestScore = score;
        best.Face = f;
        best.FaceName = f->FamilyName();
      }
    }
  return best;
}

String faceName(const LOGFONTW& lf) {
  String s;
  for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) s.push_back(lf.lfFaceName[i]);
  return s;
}

TGdiBitmap* stockBitmap() {
  static auto* b = new TGdiBitmap(1, 1, false);
  return b;
}

TGdiFont* stockFont() {
  static auto* f = [] {
    LOGFONTW lf;
    lf.lfHeight = -16;
    const char16_t name[] = u"Segoe UI";
    std::copy(std::begin(name), std::end(name), lf.lfFaceName);
    return new TGdiFont(lf);
  }();
  return f;
}

struct stockObjects {
  TGdiBrush white, black, null, dcBrush;
  TGdiPen whitePen, blackPen, nullPen, dcPen;
  stockObjects() {
    white.Color = 0xFFFFFF;
    null.Style = BS_NULL;
    dcBrush.UseDcColor = true;
    whitePen.Color = 0xFFFFFF;
    nullPen.Style = PS_NULL;
    dcPen.UseDcColor = true;
  }
};
stockObjects& stock() {
  static auto* s = new stockObjects();
  return *s;
}

bool isStock(HGDIOBJ o) {
  stockObjects& s = stock();
  return o == stockBitmap() || o == stockFont() || o == &s.white || o == &s.black || o == &s.null ||
         o == &s.dcBrush || o == &s.whitePen || o == &s.blackPen || o == &s.nullPen || o == &s.dcPen;
}

int regionType(cairo_region_t* r) {
  if (cairo_region_is_empty(r)) return NULLREGION;
  return cairo_region_num_rectangles(r) == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

// ---------------------------------------------------------------- objects

TGdiFont::TGdiFont(const LOGFONTW& ALog) : TGdiObject(okFont), Log(ALog) {}

const core::TFaceMatch& TGdiFont::Match() {
  if (!realised_) {
    realised_ = true;
    String name = faceName(Log);
    int weight = Log.lfWeight > 0 ? Log.lfWeight : FW_NORMAL;
    bool italic = Log.lfItalic != 0;
    match_ = findMemFont(name, weight, italic);
    if (!match_.Face) match_ = core::FontSystem::Find(name, weight, italic);
    if (!match_.Face) {
      substituted_ = true;
      match_ = core::FontSystem::Find(u"Arial", weight, italic);
      if (!match_.Face) match_ = core::FontSystem::Find(u"DejaVu Sans", weight, italic);
    }
    if (match_.Face) {
      const auto& m = match_.Face->Metrics();
      if (Log.lfHeight < 0)
        em_ = -double(Log.lfHeight);
      else if (Log.lfHeight > 0)
        em_ = double(Log.lfHeight) * m.UnitsPerEm / std::max(1, m.WinAscent + m.WinDescent);
      else
        em_ = 16;
    }
  }
  return match_;
}

bool TGdiFont::Substituted() {
  Match();
  return substituted_;
}

double TGdiFont::EmSize() {
  Match();
  return em_;
}

TGdiRegion::TGdiRegion() : TGdiObject(okRegion), Region(cairo_region_create()) {}
TGdiRegion::~TGdiRegion() { cairo_region_destroy(Region); }

HGDIOBJ GetStockObject(int Index) {
  stockObjects& s = stock();
  switch (Index) {
    case WHITE_BRUSH: return &s.white;
    case BLACK_BRUSH: return &s.black;
    case NULL_BRUSH: return &s.null;
    case DC_BRUSH: return &s.dcBrush;
    case WHITE_PEN: return &s.whitePen;
    case BLACK_PEN: return &s.blackPen;
    case NULL_PEN: return &s.nullPen;
    case DC_PEN: return &s.dcPen;
    default: return nullptr;
  }
}

TGdiBrush::~TGdiBrush() { delete Pattern; }

TGdiDC::TGdiDC() : Bitmap(stockBitmap()), Font(stockFont()) {
  A.Pen = &stock().blackPen;
  A.Brush = &stock().white;
}
TGdiDC::~TGdiDC() {
  if (DrawCr) cairo_destroy(DrawCr);
}

bool TGdiDC::ClipRects(std::vector<TRect>& Rects) const {
  Rects.clear();
  if (!Clip) return false;
  int n = cairo_region_num_rectangles(Clip->Region);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(Clip->Region, i, &r);
    Rects.emplace_back(r.x, r.y, r.x + r.width, r.y + r.height);
  }
  return true;
}

// ---------------------------------------------------------------- DCs

HDC CreateCompatibleDC(HDC) {
  GdiTrace().Add("CreateCompatibleDC");
  return new TGdiDC();
}

BOOL DeleteDC(HDC Dc) {
  if (!Dc || Dc == GetDC(0)) return 0;
  GdiTrace().Add("DeleteDC");
  delete Dc;
  return 1;
}

HDC GetDC(uintptr_t) {
  static TGdiDC* screen = new TGdiDC();
  return screen;
}

int ReleaseDC(uintptr_t, HDC) { return 1; }

int SaveDC(HDC Dc) {
  if (!Dc) return 0;
  TGdiDC::Saved s{Dc->Bitmap, Dc->Font, nullptr, Dc->GraphicsMode, Dc->A};
  if (Dc->Clip) {
    s.Clip = std::make_unique<TGdiRegion>();
    cairo_region_union(s.Clip->Region, Dc->Clip->Region);
  }
  Dc->States.push_back(std::move(s));
  int level = int(Dc->States.size());
  if (GdiTrace().Enabled) GdiTrace().Add("SaveDC(" + std::to_string(level) + ")");
  return level;
}

BOOL RestoreDC(HDC Dc, int Level) {
  if (!Dc) return 0;
  int n = int(Dc->States.size());
  int target = Level > 0 ? Level : n + Level + 1;
  if (target < 1 || target > n) return 0;
  if (GdiTrace().Enabled) GdiTrace().Add("RestoreDC(" + std::to_string(target) + ")");
  auto& s = Dc->States[size_t(target - 1)];
  Dc->Bitmap = s.Bitmap;
  Dc->Font = s.Font;
  Dc->Clip = std::move(s.Clip);
  ++Dc->ClipGeneration;
  Dc->GraphicsMode = s.GraphicsMode;
  Dc->A = s.A;
  Dc->States.resize(size_t(target - 1));
  return 1;
}

HGDIOBJ SelectObject(HDC Dc, HGDIOBJ Obj) {
  if (!Dc || !Obj) return nullptr;
  switch (Obj->Kind) {
    case TGdiObject::okFont: return std::exchange(Dc->Font, static_cast<TGdiFont*>(Obj));
    case TGdiObject::okBitmap: return std::exchange(Dc->Bitmap, static_cast<TGdiBitmap*>(Obj));
    case TGdiObject::okPen: return std::exchange(Dc->A.Pen, static_cast<TGdiPen*>(Obj));
    case TGdiObject::okBrush: return std::exchange(Dc->A.Brush, static_cast<TGdiBrush*>(Obj));
    case TGdiObject::okRegion: SelectClipRgn(Dc, static_cast<TGdiRegion*>(Obj)); return nullptr;
    default: return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ Obj) {
  if (!Obj || isStock(Obj)) return 0;
  delete Obj;
  return 1;
}

int SetGraphicsMode(HDC Dc, int Mode) {
  if (!Dc || (Mode != GM_COMPATIBLE && Mode != GM_ADVANCED)) return 0;
  int old = Dc->GraphicsMode;
  Dc->GraphicsMode = Mode;
  return old;
}

// ---------------------------------------------------------------- bitmaps

HBITMAP CreateCompatibleBitmap(HDC, int W, int H) {
  if (W < 0 || H < 0) return nullptr;
  return new TGdiBitmap(W, H, false);
}

HBITMAP CreateDIBSection32(int W, int Height, uint8_t** Bits) {
  if (W < 0) return nullptr;
  auto* b = new TGdiBitmap(W, std::abs(Height), Height > 0);
  if (Bits) *Bits = b->Surface.Bits();
  return b;
}

BOOL BitBlt(HDC Dest, int X, int Y, int W, int H, HDC Src, int SX, int SY, DWORD Rop) {
  if (!Dest || !Src || Rop != SRCCOPY) return 0;
  if (GdiTrace().Enabled)
    GdiTrace().Add("BitBlt(" + std::to_string(X) + "," + std::to_string(Y) + "," + std::to_string(W) + "," +
                   std::to_string(H) + ")");
  std::unique_ptr<core::TCoreSurface> snap;
  core::TCoreSurface* from = detail::CopySource(Src, Dest, snap);
  // The destination passes through the world transform (a scale
  // stretches the copy).
  TRect d;
  if (!detail::DeviceDestRect(Dest, X, Y, W, H, d)) return 1;
  core::TCoreContext c(Dest->Bitmap->Surface);
  std::vector<TRect> clip;
  if (Dest->ClipRects(clip)) c.ClipDeviceRects(clip);
  c.ClipDeviceRect(TRectF(float(d.Left), float(d.Top), float(d.Right), float(d.Bottom)));
  c.SetOperator(core::opSource);
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = from;
  p.ExtendX = p.ExtendY = core::exNone;
  p.Smooth = false;
  const double sx = W > 0 ? double(d.Right - d.Left) / W : 1, sy = H > 0 ? double(d.Bottom - d.Top) / H : 1;
  p.Matrix = core::TCoreMatrix{sx, 0, 0, sy, d.Left - SX * sx, d.Top - SY * sy};
  c.Paint(p);
  return 1;
}

// ---------------------------------------------------------------- regions

HRGN CreateRectRgn(int L, int T, int R, int B) {
  auto* r = new TGdiRegion();
  cairo_rectangle_int_t rc{std::min(L, R), std::min(T, B), std::abs(R - L), std::abs(B - T)};
  if (rc.width > 0 && rc.height > 0) cairo_region_union_rectangle(r->Region, &rc);
  return r;
}

int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode) {
  if (!Dest || !Src1 || (Mode != RGN_COPY && !Src2)) return RGN_ERROR;
  cairo_region_t* res = cairo_region_copy(Src1->Region);
  switch (Mode) {
    case RGN_AND: cairo_region_intersect(res, Src2->Region); break;
    case RGN_OR: cairo_region_union(res, Src2->Region); break;
    case RGN_XOR: cairo_region_xor(res, Src2->Region); break;
    case RGN_DIFF: cairo_region_subtract(res, Src2->Region); break;
    case RGN_COPY: break;
    default:
      cairo_region_destroy(res);
      return RGN_ERROR;
  }
  cairo_region_destroy(Dest->Region);
  Dest->Region = res;
  return regionType(res);
}

int ExtSelectClipRgn(HDC Dc, HRGN Rgn, int Mode) {
  if (!Dc) return RGN_ERROR;
  if (GdiTrace().Enabled) GdiTrace().Add("ExtSelectClipRgn(" + std::to_string(Mode) + ")");
  ++Dc->ClipGeneration;
  if (Mode == RGN_COPY) {
    if (!Rgn) {
      Dc->Clip.reset();
      return SIMPLEREGION;
    }
    Dc->Clip = std::make_unique<TGdiRegion>();
    cairo_region_union(Dc->Clip->Region, Rgn->Region);
    return regionType(Dc->Clip->Region);
  }
  if (!Rgn) return RGN_ERROR;
  if (!Dc->Clip) {
    // No clip is the whole bitmap.
    Dc->Clip = std::make_unique<TGdiRegion>();
    cairo_rectangle_int_t all{0, 0, Dc->Bitmap->Surface.Width(), Dc->Bitmap->Surface.Height()};
    cairo_region_union_rectangle(Dc->Clip->Region, &all);
  }
  TGdiRegion tmp;
  cairo_region_union(tmp.Region, Dc->Clip->Region);
  return CombineRgn(Dc->Clip.get(), &tmp, Rgn, Mode);
}

int SelectClipRgn(HDC Dc, HRGN Rgn) { return ExtSelectClipRgn(Dc, Rgn, RGN_COPY); }

int GetClipBox(HDC Dc, RECT* R) {
  if (!Dc || !R) return RGN_ERROR;
  if (!Dc->Clip) {
    *R = RECT{0, 0, Dc->Bitmap->Surface.Width(), Dc->Bitmap->Surface.Height()};
    return SIMPLEREGION;
  }
  cairo_rectangle_int_t e;
  cairo_region_get_extents(Dc->Clip->Region, &e);
  *R = RECT{e.x, e.y, e.x + e.width, e.y + e.height};
  return regionType(Dc->Clip->Region);
}

BOOL PtInRegion(HRGN Rgn, int X, int Y) { return Rgn && cairo_region_contains_point(Rgn->Region, X, Y); }

// ---------------------------------------------------------------- fonts

HFONT CreateFontIndirectW(const LOGFONTW* Log) {
  if (!Log) return nullptr;
  return new TGdiFont(*Log);
}

const core::TFaceMatch& SelectedFace(HDC Dc) { return Dc->Font->Match(); }

BOOL GetTextMetricsW(HDC Dc, TEXTMETRICW* Tm) {
  if (!Dc || !Tm) return 0;
  const auto& match = Dc->Font->Match();
  if (!match.Face) return 0;
  const auto& m = match.Face->Metrics();
  double s = Dc->Font->EmSize() / m.UnitsPerEm;
  TEXTMETRICW t;
  t.tmAscent = int(std::lround(m.WinAscent * s));
  t.tmDescent = int(std::lround(m.WinDescent * s));
  t.tmHeight = t.tmAscent + t.tmDescent;
  t.tmInternalLeading = std::max(0, t.tmHeight - int(std::lround(Dc->Font->EmSize())));
  t.tmExternalLeading =
      std::max(0, int(std::lround((m.Ascender + m.Descender + m.LineGap - m.WinAscent - m.WinDescent) * s)));
  t.tmAveCharWidth = int(std::lround(m.AvgCharWidth * s));
  t.tmMaxCharWidth = int(std::lround(match.Face->GlyphAdvance(match.Face->GlyphIndex(U'W')) * s));
  t.tmWeight = Dc->Font->Log.lfWeight > 0 ? Dc->Font->Log.lfWeight : m.Weight;
  t.tmItalic = Dc->Font->Log.lfItalic;
  t.tmUnderlined = Dc->Font->Log.lfUnderline;
  t.tmStruckOut = Dc->Font->Log.lfStrikeOut;
  t.tmPitchAndFamily = uint8_t((m.FixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE);
  *Tm = t;
  return 1;
}

namespace {
// Shapes with the DC's font through its face's run cache; integer advances
// at the font's em size.
std::shared_ptr<const core::TCoreFontFace::TShapedRun> shapeRun(HDC Dc, const char16_t* Text, int Count, DWORD Flags,
                                                                std::vector<int>& adv) {
  TGdiFont* font = Dc->Font;
  const auto& match = font->Match();
  if (!match.Face) return nullptr;
  // The four feature lists the placement flags choose between.
  static const std::vector<std::string> lists[4] = {
      {"-kern", "-liga", "-clig"}, {"-liga", "-clig"}, {"-kern"}, {}};
  const std::vector<std::string>& feats =
      lists[((Flags & GCP_USEKERNING) ? 1 : 0) | ((Flags & GCP_LIGATE) ? 2 : 0)];
  StringView text(Text, size_t(Count));
  bool rtl = false;
  if (Flags & GCP_REORDER) {
    // The script decides: right-to-left only for text that starts with a
    // strong right-to-left letter.
    for (char16_t c : text) {
      if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF)) {
        rtl = true;
        break;
      }
      if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= 0xC0 && c < 0x590)) break;
    }
  }
  auto run = match.Face->ShapeCached(text, rtl, feats);
  double s = Dc->Font->EmSize() / match.Face->UnitsPerEm();
  adv.resize(run->size());
  for (size_t i = 0; i < run->size(); ++i) adv[i] = int(std::lround((*run)[i].XAdvance * s));
  return run;
}
}  // namespace

BOOL GetTextExtentPoint32W(HDC Dc, const char16_t* Text, int Count, SIZE* Size) {
  if (!Dc || !Size || Count < 0 || (Count > 0 && !Text)) return 0;
  thread_local std::vector<int> adv;
  if (!shapeRun(Dc, Text, Count, GCP_USEKERNING | GCP_LIGATE, adv)) return 0;
  TEXTMETRICW tm;
  GetTextMetricsW(Dc, &tm);
  int w = 0;
  for (int a : adv) w += a;
  *Size = SIZE{w, tm.tmHeight};
  return 1;
}

DWORD GetCharacterPlacementW(HDC Dc, const char16_t* Text, int Count, int, GCP_RESULTSW* R, DWORD Flags) {
  if (GdiTrace().Enabled) GdiTrace().Add("GetCharacterPlacementW(" + std::to_string(Count) + ",0x" + [&] {
    char b[16];
    snprintf(b, sizeof b, "%X", Flags);
    return std::string(b);
  }() + ")");
  if (!Dc || !R || !Text || Count <= 0) {
    core::SetLastError(core::csInvalidParameter);
    return 0;
  }
  if (GdiPlacementFault && GdiPlacementFault(Flags)) {
    core::SetLastError(core::csGenericError);
    return 0;
  }
  thread_local std::vector<int> adv;
  auto run = shapeRun(Dc, Text, Count, Flags, adv);
  if (!run) {
    core::SetLastError(core::csGenericError);
    return 0;
  }
  const core::TCoreFontFace::TShapedRun& glyphs = *run;
  UINT n = UINT(glyphs.size());
  if (n > R->nGlyphs) {
    R->nGlyphs = n;
    core::SetLastError(core::csInsufficientBuffer);
    return 0;
  }
  int width = 0;
  for (UINT i = 0; i < n; ++i) {
    if (R->lpGlyphs) R->lpGlyphs[i] = WORD(glyphs[i].Glyph);
    if (R->lpDx) R->lpDx[i] = adv[i];
    width += adv[i];
  }
  if (R->lpOrder || R->lpCaretPos) {
    // Each character points at the first glyph (in visual order) of its
    // cluster; characters the shaper merged share that glyph.
    thread_local std::vector<int> firstGlyph;
    firstGlyph.assign(size_t(Count), -1);
    for (UINT i = 0; i < n; ++i) {
      UINT c = glyphs[i].Cluster;
      if (c < UINT(Count) && (firstGlyph[c] < 0 || int(i) < firstGlyph[c])) firstGlyph[c] = int(i);
    }
    int last = 0;
    for (int c = 0; c < Count; ++c) {
      if (firstGlyph[size_t(c)] < 0) firstGlyph[size_t(c)] = last;
      last = firstGlyph[size_t(c)];
    }
    if (R->lpOrder)
      for (int c = 0; c < Count; ++c) R->lpOrder[c] = UINT(firstGlyph[size_t(c)]);
    if (R->lpCaretPos) {
      thread_local std::vector<int> start;
      start.assign(n + 1, 0);
      for (UINT i = 0; i < n; ++i) start[i + 1] = start[i] + adv[i];
      for (int c = 0; c < Count; ++c) R->lpCaretPos[c] = start[size_t(firstGlyph[size_t(c)])];
    }
  }
  if (R->lpOutString) std::copy(Text, Text + Count, R->lpOutString);
  R->nGlyphs = n;
  R->nMaxFit = Count;
  const auto& m = Dc->Font->Match().Face->Metrics();
  double s = Dc->Font->EmSize() / m.UnitsPerEm;
  int height = int(std::lround(m.WinAscent * s)) + int(std::lround(m.WinDescent * s));
  // Never 0 on success, which would read as failure.
  DWORD extent = (DWORD(height & 0xFFFF) << 16) | DWORD(width & 0xFFFF);
  return extent ? extent : 1;
}

int EnumFontsW(HDC, const char16_t* FaceName, const FONTENUMPROCW& Proc, LPARAM Data) {
  int r = 1;
  auto emit = [&](const String& name) {
    LOGFONTW lf;
    size_t n = std::min<size_t>(name.size(), LF_FACESIZE - 1);
    std::copy(name.begin(), name.begin() + ptrdiff_t(n), lf.lfFaceName);
    TEXTMETRICW tm;
    tm.tmPitchAndFamily = TMPF_VECTOR | TMPF_TRUETYPE;
    r = Proc(&lf, &tm, TRUETYPE_FONTTYPE, Data);
    return r != 0;
  };
  if (FaceName && *FaceName) {
    auto m = core::FontSystem::Find(FaceName, FW_NORMAL, false);
    if (m.Face) emit(m.FaceName);
    return r;
  }
  for (const auto& name : core::FontSystem::Families())
    if (!emit(name)) break;
  return r;
}

HANDLE AddFontMemResourceEx(const void* Font, DWORD Size, void*, DWORD* Count) {
  if (Count) *Count = 0;
  if (!Font || Size == 0) return nullptr;
  const auto* p = static_cast<const uint8_t*>(Font);
  memFont mf;
  for (int index = 0; index < 64; ++index) {
    auto face = core::TCoreFontFace::FromMemory(std::vector<uint8_t>(p, p + Size), index);
    if (!face) break;
    mf.faces.push_back(std::move(face));
  }
  if (mf.faces.empty()) return nullptr;
  std::lock_guard<std::mutex> g(memLock);
  mf.handle = reinterpret_cast<HANDLE>(nextMemHandle++);
  if (Count) *Count = DWORD(mf.faces.size());
  memFonts().push_back(std::move(mf));
  return memFonts().back().handle;
}

BOOL RemoveFontMemResourceEx(HANDLE Handle) {
  std::lock_guard<std::mutex> g(memLock);
  auto& v = memFonts();
  auto it = std::find_if(v.begin(), v.end(), [&](const memFont& m) { return m.handle == Handle; });
  if (it == v.end()) return 0;
  v.erase(it);
  return 1;
}

}  // namespace ht::gdi
