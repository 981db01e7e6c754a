#include "platform/core/core_fonts.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>
#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

namespace ht::core {

namespace {

std::mutex& ftLock() {
  static std::mutex m;
  return m;
}

FT_Library ftLibrary() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    FT_Init_FreeType(&l);
    return l;
  }();
  return lib;
}

String latin1OrUtf8(const char* s) { return s ? Utf8ToString(s) : String(); }

}  // namespace

// ---------------------------------------------------------------- faces

std::shared_ptr<TCoreFontFace> TCoreFontFace::FromFile(const std::string& FileName, int Index) {
  std::ifstream in(FileName, std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return FromMemory(std::move(bytes), Index);
}

std::shared_ptr<TCoreFontFace> TCoreFontFace::FromMemory(std::vector<uint8_t> Bytes, int Index) {
  if (Bytes.empty() || Index < 0) return nullptr;
  std::shared_ptr<TCoreFontFace> f(new TCoreFontFace());
  f->FBytes = std::move(Bytes);
  if (!f->init(Index)) return nullptr;
  return f;
}

bool TCoreFontFace::init(int Index) {
  {
    std::lock_guard<std::mutex> g(ftLock());
    if (FT_New_Memory_Face(ftLibrary(), FBytes.data(), FT_Long(FBytes.size()), Index, &FFace) != 0) {
      FFace = nullptr;
      return false;
    }
  }
  // Only scalable faces with a usable em and at least one glyph.
  if (!FT_IS_SCALABLE(FFace) || FFace->units_per_EM < 16 || FFace->num_glyphs < 1) return false;
  FFamily = latin1OrUtf8(FFace->family_name);
  FStyle = latin1OrUtf8(FFace->style_name);

  TFontMetrics& m = FMetrics;
  m.UnitsPerEm = FFace->units_per_EM;
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_HHEA));
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
  auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_POST));
  m.Ascender = hhea ? hhea->Ascender : FFace->ascender;
  m.Descender = hhea ? -hhea->Descender : -FFace->descender;
  m.LineGap = hhea ? hhea->Line_Gap : std::max(0, FFace->height - FFace->ascender + FFace->descender);
  if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
    m.WinAscent = os2->usWinAscent;
    m.WinDescent = os2->usWinDescent;
  } else {
    m.WinAscent = m.Ascender;
    m.WinDescent = m.Descender;
  }
  if (os2 && os2->version != 0xFFFF) {
    m.StrikeoutPosition = os2->yStrikeoutPosition;
    m.StrikeoutSize = os2->yStrikeoutSize;
    m.AvgCharWidth = os2->xAvgCharWidth;
    m.Weight = os2->usWeightClass ? os2->usWeightClass : 400;
  } else {
    m.Weight = (FFace->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  }
  if (post) {
    m.UnderlinePosition = post->underlinePosition;
    m.UnderlineThickness = post->underlineThickness;
  }
  m.Italic = (FFace->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  m.FixedPitch = FT_IS_FIXED_WIDTH(FFace) != 0;

  hb_blob_t* blob = hb_blob_create(reinterpret_cast<const char*>(FBytes.data()), unsigned(FBytes.size()),
                                   HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* face = hb_face_create(blob, unsigned(Index));
  hb_blob_destroy(blob);
  // FreeType reads tables lazily, so a truncated file opens fine and fails
  // later, glyph by glyph. Refuse a face whose tables run past the data.
  bool complete = true;
  FT_ULong tables = 0;
  if (FT_Sfnt_Table_Info(FFace, 0, nullptr, &tables) == 0) {
    for (FT_UInt i = 0; i < tables && complete; ++i) {
      FT_ULong tag = 0, length = 0;
      if (FT_Sfnt_Table_Info(FFace, i, &tag, &length) != 0) continue;
      hb_blob_t* t = hb_face_reference_table(face, hb_tag_t(tag));
      if (hb_blob_get_length(t) < length) complete = false;
      hb_blob_destroy(t);
    }
  }
  // FreeType drops directory entries that point past the data: the tables
  // every face needs must still be there.
  auto has = [&](const char* t) {
    FT_ULong len = 0;
    return FT_Load_Sfnt_Table(FFace, FT_MAKE_TAG(t[0], t[1], t[2], t[3]), 0, nullptr, &len) == 0 && len > 0;
  };
  for (const char* t : {"head", "hhea", "hmtx", "cmap", "maxp"})
    if (!has(t)) complete = false;
  if (!(has("glyf") && has("loca")) && !has("CFF ") && !has("CFF2")) complete = false;
  if (!complete) {
    hb_face_destroy(face);
    return false;
  }
  FHbFont = hb_font_create(face);
  hb_face_destroy(face);
  hb_font_set_scale(FHbFont, m.UnitsPerEm, m.UnitsPerEm);
  for (char32_t c = 0; c < 128; ++c) {
    hb_codepoint_t g = 0;
    FAsciiGlyphs[c] = hb_font_get_nominal_glyph(FHbFont, c, &g) ? g : 0;
  }
  return true;
}

TCoreFontFace::~TCoreFontFace() {
  if (FHbFont) hb_font_destroy(FHbFont);
  if (FCairoFace) cairo_font_face_destroy(FCairoFace);  // releases FFace through its user data
  else if (FFace) {
    std::lock_guard<std::mutex> g(ftLock());
    FT_Done_Face(FFace);
  }
}

int TCoreFontFace::GlyphCount() const { return int(FFace->num_glyphs); }

uint32_t TCoreFontFace::GlyphIndex(char32_t Ch) const {
  if (Ch < 128) return FAsciiGlyphs[Ch];
  hb_codepoint_t g = 0;
  return hb_font_get_nominal_glyph(FHbFont, Ch, &g) ? g : 0;
}

int TCoreFontFace::GlyphAdvance(uint32_t Glyph) const { return hb_font_get_glyph_h_advance(FHbFont, Glyph); }

void TCoreFontFace::Shape(StringView Text, bool RTL, const std::vector<std::string>& Features,
                          std::vector<TShapedGlyph>& Out) const {
  Out.clear();
  if (Text.empty()) return;
  thread_local hb_buffer_t* buf = hb_buffer_create();
  hb_buffer_clear_contents(buf);
  hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(Text.data()), int(Text.size()), 0, int(Text.size()));
  hb_buffer_set_direction(buf, RTL ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_guess_segment_properties(buf);
  // Callers shape many runs with one feature list: parse it once.
  thread_local std::vector<std::string> parsedFrom;
  thread_local std::vector<hb_feature_t> feats;
  if (Features != parsedFrom) {
    feats.clear();
    for (const auto& f : Features) {
      hb_feature_t hf;
      if (hb_feature_from_string(f.c_str(), int(f.size()), &hf)) feats.push_back(hf);
    }
    parsedFrom = Features;
  }
  hb_shape(FHbFont, buf, feats.data(), unsigned(feats.size()));
  unsigned n = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
  Out.resize(n);
  for (unsigned i = 0; i < n; ++i) {
    Out[i].Glyph = info[i].codepoint;
    Out[i].Cluster = info[i].cluster;
    Out[i].XAdvance = pos[i].x_advance;
    Out[i].XOffset = pos[i].x_offset;
    Out[i].YOffset = pos[i].y_offset;
  }
}

namespace {

constexpr size_t kRunGeneration = 8192;

// A small number for each feature list in use, so a run's cache key is its
// text plus two units. Callers pass the same few lists over and over: the
// last one seen on this thread answers without a look-up.
bool featureListId(const std::vector<std::string>& Features, uint32_t& Id) {
  thread_local std::vector<std::string> lastList;
  thread_local uint32_t lastId = 0;
  thread_local bool known = false;
  if (known && Features == lastList) {
    Id = lastId;
    return true;
  }
  static std::mutex lock;
  static std::vector<std::vector<std::string>> lists;
  std::lock_guard<std::mutex> g(lock);
  auto it = std::find(lists.begin(), lists.end(), Features);
  if (it == lists.end()) {
    // Pages that set a new feature list for every element shape uncached.
    if (lists.size() >= 4096) return false;
    it = lists.insert(lists.end(), Features);
  }
  lastList = Features;
  lastId = uint32_t(it - lists.begin());
  known = true;
  Id = lastId;
  return true;
}

}  // namespace

std::shared_ptr<const TCoreFontFace::TShapedRun> TCoreFontFace::ShapeCached(
    StringView Text, bool RTL, const std::vector<std::string>& Features) const {
  uint32_t id = 0;
  if (!featureListId(Features, id)) {
    auto run = std::make_shared<TShapedRun>();
    Shape(Text, RTL, Features, *run);
    return run;
  }
  thread_local String key;
  key.assign(Text.data(), Text.size());
  key.push_back(char16_t(id >> 15));
  key.push_back(char16_t((id & 0x7FFF) << 1 | (RTL ? 1 : 0)));
  {
    std::lock_guard<std::mutex> g(FRunLock);
    if (auto it = FRuns.find(key); it != FRuns.end()) return it->second;
    if (auto it = FOldRuns.find(key); it != FOldRuns.end()) {
      std::shared_ptr<const TShapedRun> run = it->second;
      FOldRuns.erase(it);
      if (FRuns.size() >= kRunGeneration) FOldRuns.swap(FRuns), FRuns.clear();
      FRuns.emplace(key, run);
      return run;
    }
  }
  auto run = std::make_shared<TShapedRun>();
  Shape(Text, RTL, Features, *run);
  std::lock_guard<std::mutex> g(FRunLock);
  if (FRuns.size() >= kRunGeneration) FOldRuns.swap(FRuns), FRuns.clear();
  FRuns.emplace(key, run);
  return run;
}

void TCoreFontFace::ClearShapeCache() const {
  std::lock_guard<std::mutex> g(FRunLock);
  FRuns.clear();
  FOldRuns.clear();
}

namespace {
struct outlineSink {
  TCorePath* path;
  double scale;
  float ox, oy;
  FT_Vector last;
  TPointF map(const FT_Vector* v) const {
    return TPointF(float(ox + v->x * scale), float(oy - v->y * scale));
  }
};

int moveTo(const FT_Vector* to, void* u) {
  auto* s = static_cast<outlineSink*>(u);
  if (s->path->HasCurrentPoint()) s->path->Close();
  TPointF p = s->map(to);
  s->path->MoveTo(p.X, p.Y);
  s->last = *to;
  return 0;
}
int lineTo(const FT_Vector* to, void* u) {
  auto* s = static_cast<outlineSink*>(u);
  TPointF p = s->map(to);
  s->path->LineTo(p.X, p.Y);
  s->last = *to;
  return 0;
}
int conicTo(const FT_Vector* c, const FT_Vector* to, void* u) {
  auto* s = static_cast<outlineSink*>(u);
  TPointF p0 = s->map(&s->last), pc = s->map(c), p3 = s->map(to);
  s->path->CurveTo(p0.X + 2.0f / 3 * (pc.X - p0.X), p0.Y + 2.0f / 3 * (pc.Y - p0.Y),
                   p3.X + 2.0f / 3 * (pc.X - p3.X), p3.Y + 2.0f / 3 * (pc.Y - p3.Y), p3.X, p3.Y);
  s->last = *to;
  return 0;
}
int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* u) {
  auto* s = static_cast<outlineSink*>(u);
  TPointF a = s->map(c1), b = s->map(c2), p = s->map(to);
  s->path->CurveTo(a.X, a.Y, b.X, b.Y, p.X, p.Y);
  s->last = *to;
  return 0;
}
}  // namespace

bool TCoreFontFace::GlyphOutline(uint32_t Glyph, float EmSize, float X, float Y, TCorePath& Out) const {
  if (!std::isfinite(EmSize) || !std::isfinite(X) || !std::isfinite(Y)) return false;
  std::lock_guard<std::mutex> g(FLock);
  if (FT_Load_Glyph(FFace, Glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return false;
  if (FFace->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
  outlineSink sink{&Out, double(EmSize) / FMetrics.UnitsPerEm, X, Y, {0, 0}};
  size_t before = Out.Ops.size();
  if (FT_Outline_Decompose(&FFace->glyph->outline, &funcs, &sink) != 0) return false;
  if (Out.Ops.size() > before) Out.Close();
  return true;
}

namespace {
cairo_user_data_key_t ftFaceKey;
void doneFace(void* p) {
  std::lock_guard<std::mutex> g(ftLock());
  FT_Done_Face(static_cast<FT_Face>(p));
}
}  // namespace

cairo_font_face_t* TCoreFontFace::CairoFace() const {
  std::lock_guard<std::mutex> g(FLock);
  if (!FCairoFace) {
    FCairoFace = cairo_ft_font_face_create_for_ft_face(FFace, FT_LOAD_NO_HINTING);
    // The cairo face outlives callers' references: it frees the FreeType
    // face when the last reference goes.
    cairo_font_face_set_user_data(FCairoFace, &ftFaceKey, FFace, doneFace);
  }
  return FCairoFace;
}

void DrawGlyphRun(TCoreContext& C, const TCoreFontFace& Face, float EmSize, const uint32_t* Glyphs,
                  const TPointF* Positions, int Count, const TCorePaint& Paint) {
  if (Count <= 0 || !C.Check(EmSize) || !C.Check(Paint) || C.InError()) return;
  thread_local std::vector<cairo_glyph_t> gl;
  gl.resize(size_t(Count));
  for (int i = 0; i < Count; ++i) {
    if (!C.Check(Positions[i].X) || !C.Check(Positions[i].Y)) return;
    gl[i].index = Glyphs[i];
    gl[i].x = Positions[i].X;
    gl[i].y = Positions[i].Y;
  }
  cairo_t* cr = C.Handle();
  // Setting the same face, size and options again still costs a scaled
  // font look-up in cairo: runs of one font skip it.
  cairo_font_face_t* cf = Face.CairoFace();
  cairo_matrix_t fm;
  cairo_get_font_matrix(cr, &fm);
  if (cairo_get_font_face(cr) != cf || fm.xx != double(EmSize) || fm.yy != double(EmSize) || fm.xy != 0 ||
      fm.yx != 0) {
    cairo_set_font_face(cr, cf);
    cairo_set_font_size(cr, EmSize);
    static cairo_font_options_t* opts = [] {
      cairo_font_options_t* o = cairo_font_options_create();
      cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
      cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
      cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
      return o;
    }();
    cairo_set_font_options(cr, opts);
  }
  if (Paint.Kind == pkSolid) {
    // Runs of one colour keep the source the last run set.
    const double r = ArgbR(Paint.Color), g = ArgbG(Paint.Color), b = ArgbB(Paint.Color), a = ArgbA(Paint.Color);
    cairo_pattern_t* src = cairo_get_source(cr);
    double sr, sg, sb, sa;
    if (cairo_pattern_get_type(src) != CAIRO_PATTERN_TYPE_SOLID ||
        cairo_pattern_get_rgba(src, &sr, &sg, &sb, &sa) != CAIRO_STATUS_SUCCESS || sr != r || sg != g || sb != b ||
        sa != a)
      cairo_set_source_rgba(cr, r, g, b, a);
  } else {
    cairo_pattern_t* p = CreatePattern(Paint);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
  }
  cairo_show_glyphs(cr, gl.data(), Count);
}

// ---------------------------------------------------------------- font system

namespace {

struct aliasEntry {
  const char16_t* alias;
  const char16_t* family;
};
// Metric-compatible stand-ins for the Windows families; system interface
// faces go to DejaVu. Nothing else is aliased: an unknown family is not found.
constexpr aliasEntry kAliases[] = {
    {u"Arial", u"Liberation Sans"},
    {u"Times New Roman", u"Liberation Serif"},
    {u"Courier New", u"Liberation Mono"},
    {u"Arial Narrow", u"Liberation Sans Narrow"},
    {u"Calibri", u"Carlito"},
    {u"Cambria", u"Caladea"},
    {u"Segoe UI", u"DejaVu Sans"},
    {u"Tahoma", u"DejaVu Sans"},
    {u"Verdana", u"DejaVu Sans"},
    {u"MS Sans Serif", u"DejaVu Sans"},
    {u"Microsoft Sans Serif", u"DejaVu Sans"},
    {u"MS Shell Dlg", u"DejaVu Sans"},
    {u"MS Shell Dlg 2", u"DejaVu Sans"},
    {u"Consolas", u"DejaVu Sans Mono"},
    {u"Lucida Console", u"DejaVu Sans Mono"},
    {u"Georgia", u"DejaVu Serif"},
};

String lower(StringView s) {
  String r(s);
  for (auto& c : r) c = AsciiLower(c);
  return r;
}

struct fontSystemState {
  std::mutex lock;
  FcConfig* config = nullptr;  // owned when test fonts are on
  bool testFonts = false;
  std::map<std::tuple<String, int, bool>, TFaceMatch> matches;
  std::map<std::pair<std::string, int>, std::shared_ptr<TCoreFontFace>> faces;
  std::map<std::tuple<char32_t, int, bool>, std::shared_ptr<TCoreFontFace>> charFaces;  // fallback faces
  std::vector<String> families;  // cached list, empty until asked

  FcConfig* current() {
    if (!config) {
      FcInit();
      config = FcConfigReference(nullptr);
    }
    return config;
  }
  void reset(FcConfig* c, bool test) {
    if (config) FcConfigDestroy(config);
    config = c;
    testFonts = test;
    matches.clear();
    charFaces.clear();
    families.clear();
  }
};

fontSystemState& state() {
  static fontSystemState* s = new fontSystemState();  // lives to the end of the process
  return *s;
}

// An alias keeps the name asked for, in the table's spelling; a real family
// keeps the font's own spelling.
String aliasSpelling(StringView Family, const String& FaceFamily) {
  for (const auto& a : kAliases)
    if (SameTextAscii(Family, a.alias)) return a.alias;
  return FaceFamily;
}

int fcWeightToOpenType(int w) { return int(FcWeightToOpenTypeDouble(w)); }

}  // namespace

String FontSystem::MapFamily(StringView Family) {
  for (const auto& a : kAliases)
    if (SameTextAscii(Family, a.alias)) return a.family;
  return String(Family);
}

TFaceMatch FontSystem::Find(StringView Family, int Weight, bool Italic) {
  auto& st = state();
  std::lock_guard<std::mutex> g(st.lock);
  auto key = std::make_tuple(lower(Family), Weight, Italic);
  if (auto it = st.matches.find(key); it != st.matches.end()) return it->second;

  TFaceMatch result;
  String real = MapFamily(Family);
  std::string realUtf8 = StringToUtf8(real);
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(realUtf8.c_str()));
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH,
                                     FC_FONTVERSION, nullptr);
  FcFontSet* set = FcFontList(st.current(), pat, os);
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  double best = 1e18;
  std::string bestFile;
  int bestIndex = 0;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcPattern* f = set->fonts[i];
    FcChar8* file = nullptr;
    int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, width = FC_WIDTH_NORMAL, version = 0;
    if (FcPatternGetString(f, FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(f, FC_INDEX, 0, &index);
    FcPatternGetInteger(f, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(f, FC_SLANT, 0, &slant);
    FcPatternGetInteger(f, FC_WIDTH, 0, &width);
    FcPatternGetInteger(f, FC_FONTVERSION, 0, &version);
    double score = std::abs(fcWeightToOpenType(weight) - Weight) + ((slant != FC_SLANT_ROMAN) != Italic) * 10000.0 +
                   std::abs(width - FC_WIDTH_NORMAL) * 100.0 - version * 1e-9;
    if (score < best) {
      best = score;
      bestFile = reinterpret_cast<const char*>(file);
      bestIndex = index;
    }
  }
  if (set) FcFontSetDestroy(set);
  if (!bestFile.empty()) {
    auto fk = std::make_pair(bestFile, bestIndex);
    auto& face = st.faces[fk];
    if (!face) face = TCoreFontFace::FromFile(bestFile, bestIndex);
    result.Face = face;
    if (face) result.FaceName = aliasSpelling(Family, face->FamilyName());
  }
  st.matches[key] = result;
  return result;
}

std::shared_ptr<TCoreFontFace> FontSystem::FindForChar(char32_t Ch, int Weight, bool Italic) {
  auto& st = state();
  std::lock_guard<std::mutex> g(st.lock);
  auto key = std::make_tuple(Ch, Weight, Italic);
  if (auto it = st.charFaces.find(key); it != st.charFaces.end()) return it->second;
  std::shared_ptr<TCoreFontFace> result;
  FcPattern* pat = FcPatternCreate();
  FcCharSet* cs = FcCharSetCreate();
  FcCharSetAddChar(cs, FcChar32(Ch));
  FcPatternAddCharSet(pat, FC_CHARSET, cs);
  FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(Weight));
  FcPatternAddInteger(pat, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(st.current(), pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult r;
  FcPattern* m = FcFontMatch(st.current(), pat, &r);
  FcCharSet* got = nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  if (m && FcPatternGetCharSet(m, FC_CHARSET, 0, &got) == FcResultMatch && FcCharSetHasChar(got, FcChar32(Ch)) &&
      FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(m, FC_INDEX, 0, &index);
    auto& face = st.faces[std::make_pair(std::string(reinterpret_cast<const char*>(file)), index)];
    if (!face) face = TCoreFontFace::FromFile(reinterpret_cast<const char*>(file), index);
    result = face;
  }
  if (m) FcPatternDestroy(m);
  FcCharSetDestroy(cs);
  FcPatternDestroy(pat);
  st.charFaces[key] = result;
  return result;
}

bool FontSystem::HasFamily(StringView Family) { return Find(Family, 400, false).Face != nullptr; }

std::vector<String> FontSystem::Families() {
  auto& st = state();
  {
    std::lock_guard<std::mutex> g(st.lock);
    if (st.families.empty()) {
      FcPattern* pat = FcPatternCreate();
      FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
      FcFontSet* set = FcFontList(st.current(), pat, os);
      FcObjectSetDestroy(os);
      FcPatternDestroy(pat);
      std::vector<String> names;
      for (int i = 0; set && i < set->nfont; ++i) {
        FcChar8* fam = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &fam) == FcResultMatch)
          names.push_back(Utf8ToString(reinterpret_cast<const char*>(fam)));
      }
      if (set) FcFontSetDestroy(set);
      std::sort(names.begin(), names.end());
      names.erase(std::unique(names.begin(), names.end()), names.end());
      st.families = names;
    }
  }
  std::vector<String> r = st.families;
  for (const auto& a : kAliases) {
    bool present = false;
    for (const auto& n : st.families)
      if (SameTextAscii(n, a.family)) present = true;
    if (present) r.push_back(a.alias);
  }
  return r;
}

void FontSystem::UseTestFonts(const std::string& ExtraFolder) {
  std::string extra = ExtraFolder;
  if (extra.empty()) {
    const char* src = std::getenv("TARNWICK_SOURCE_DIR");
    extra = std::string(src && *src ? src : ".") + "/tests/data/fonts";
  }
  FcInit();
  FcConfig* c = FcConfigCreate();
  // A cache of our own keeps later runs from rescanning the folders.
  FcConfigParseAndLoadFromMemory(
      c, reinterpret_cast<const FcChar8*>("<fontconfig><cachedir prefix=\"xdg\">tarnwick-fonts</cachedir>"
                                          "<cachedir>/tmp/tarnwick-fonts</cachedir></fontconfig>"),
      FcFalse);
  auto addDir = [&](const std::string& d) { FcConfigAppFontAddDir(c, reinterpret_cast<const FcChar8*>(d.c_str())); };
  addDir("/usr/share/fonts/truetype/liberation2");
  addDir("/usr/share/fonts/truetype/crosextra");
  addDir("/usr/share/fonts/truetype/dejavu");
  for (const char* style : {"Regular", "Bold", "Italic", "BoldItalic"}) {
    std::string f = std::string("/usr/share/fonts/truetype/liberation/LiberationSansNarrow-") + style + ".ttf";
    FcConfigAppFontAddFile(c, reinterpret_cast<const FcChar8*>(f.c_str()));
  }
  addDir(extra);
  auto& st = state();
  std::lock_guard<std::mutex> g(st.lock);
  st.reset(c, true);
}

void FontSystem::UseSystemFonts() {
  auto& st = state();
  std::lock_guard<std::mutex> g(st.lock);
  st.reset(nullptr, false);
}

bool FontSystem::UsingTestFonts() {
  auto& st = state();
  std::lock_guard<std::mutex> g(st.lock);
  return st.testFonts;
}

}  // namespace ht::core

// GCC names an AddressSanitizer build with a macro, clang (the fuzz
// targets' compiler) only through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define HT_LSAN_SUPPRESSIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HT_LSAN_SUPPRESSIONS 1
#endif
#endif
#if defined(HT_LSAN_SUPPRESSIONS)
// Fontconfig keeps caches for the life of the process that it never frees
// (FcInit alone leaves 288 bytes of its parsed configuration unreachable);
// they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
