#pragma once
// Fonts of the drawing core: faces from files or memory (FreeType), shaping
// (harfbuzz, at units-per-em so results are exact design units), outlines,
// glyph runs drawn by cairo, and the font system that finds a face by family
// (fontconfig, with one strict alias table for the Windows family names).
//
// Text is never hinted; glyph runs use grey anti-aliasing.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/core_path.h"
#include "platform/core/core_surface.h"
#include "platform/rtl/string.h"

typedef struct FT_FaceRec_* FT_Face;
typedef struct hb_font_t hb_font_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace ht::core {

// Design-unit metrics of a face (descents positive, downwards).
struct TFontMetrics {
  int UnitsPerEm = 1000;
  int Ascender = 0, Descender = 0, LineGap = 0;  // hhea
  int WinAscent = 0, WinDescent = 0;             // OS/2 (hhea when absent)
  int UnderlinePosition = 0;                     // post: above the baseline is positive
  int UnderlineThickness = 0;
  int StrikeoutPosition = 0, StrikeoutSize = 0;  // OS/2
  int AvgCharWidth = 0;
  int Weight = 400;
  bool Italic = false;
  bool FixedPitch = false;
};

struct TShapedGlyph {
  uint32_t Glyph = 0;
  uint32_t Cluster = 0;  // index of the first UTF-16 unit of the glyph's cluster
  int XAdvance = 0;      // design units
  int XOffset = 0, YOffset = 0;
};

class TCoreFontFace {
 public:
  // Null when the file cannot be read or holds no usable face.
  static std::shared_ptr<TCoreFontFace> FromFile(const std::string& FileName, int Index = 0);
  // Null for bytes that are not a font (garbage or truncated data).
  static std::shared_ptr<TCoreFontFace> FromMemory(std::vector<uint8_t> Bytes, int Index = 0);
  ~TCoreFontFace();
  TCoreFontFace(const TCoreFontFace&) = delete;
  TCoreFontFace& operator=(const TCoreFontFace&) = delete;

  // The family and style names inside the font.
  const String& FamilyName() const { return FFamily; }
  const String& StyleName() const { return FStyle; }
  const TFontMetrics& Metrics() const { return FMetrics; }
  int UnitsPerEm() const { return FMetrics.UnitsPerEm; }
  int GlyphCount() const;
  // 0 (the missing glyph) when the face has no glyph for the character.
  uint32_t GlyphIndex(char32_t Ch) const;
  int GlyphAdvance(uint32_t Glyph) const;

  // Shapes Text in design units. Features are CSS/OpenType feature strings
  // ("kern", "-liga", "smcp=1"); unreadable ones are skipped. Glyphs come in
  // visual order (right to left text reversed, as the shaper gives them).
  void Shape(StringView Text, bool RTL, const std::vector<std::string>& Features,
             std::vector<TShapedGlyph>& Out) const;
  // The same glyphs through the face's run cache: every canvas and back end
  // that measures or draws a run with this face and these features shares
  // one shaping of it (layout measures a word, a repaint draws it again).
  // Bounded; safe on any thread; never null.
  using TShapedRun = std::vector<TShapedGlyph>;
  std::shared_ptr<const TShapedRun> ShapeCached(StringView Text, bool RTL,
                                                const std::vector<std::string>& Features) const;
  // Forgets every cached run (for measuring shaping itself).
  void ClearShapeCache() const;
  // Appends the glyph's outline at EmSize pixels with its origin (baseline)
  // at (X, Y), y down. False when the glyph has no outline data.
  bool GlyphOutline(uint32_t Glyph, float EmSize, float X, float Y, TCorePath& Out) const;

  hb_font_t* HbFont() const { return FHbFont; }
  // The cairo face for glyph runs, made on first use.
  cairo_font_face_t* CairoFace() const;
  FT_Face Face() const { return FFace; }

 private:
  TCoreFontFace() = default;
  bool init(int Index);

  std::vector<uint8_t> FBytes;
  FT_Face FFace = nullptr;
  hb_font_t* FHbFont = nullptr;
  mutable cairo_font_face_t* FCairoFace = nullptr;
  mutable std::mutex FLock;  // FreeType faces are not thread-safe
  // Two generations of shaped runs: when the young one fills up it becomes
  // the old one, and a hit in the old one moves the run back, so runs in
  // use stay while the rest ages out.
  using TRunMap = std::unordered_map<String, std::shared_ptr<const TShapedRun>>;
  mutable std::mutex FRunLock;
  mutable TRunMap FRuns, FOldRuns;
  String FFamily, FStyle;
  TFontMetrics FMetrics;
  uint32_t FAsciiGlyphs[128] = {};  // the character map's answers for ASCII, asked once
};

// Draws glyphs at their baseline origins (user space of C) with the face at
// EmSize pixels.
void DrawGlyphRun(TCoreContext& C, const TCoreFontFace& Face, float EmSize, const uint32_t* Glyphs,
                  const TPointF* Positions, int Count, const TCorePaint& Paint);

// How a family name was resolved.
struct TFaceMatch {
  std::shared_ptr<TCoreFontFace> Face;
  String FaceName;  // the name asked for (an alias keeps the alias) in the face's spelling
};

// The process-wide font system.
namespace FontSystem {
// The family an alias stands for ("Arial" -> "Liberation Sans"); other names
// unchanged. Case-insensitive.
String MapFamily(StringView Family);
// The closest face of an installed family (Weight 100..900); Face is null
// when the family (after the alias table) is not installed.
TFaceMatch Find(StringView Family, int Weight, bool Italic);
bool HasFamily(StringView Family);
// An installed face that has a glyph for Ch, closest to Weight and Italic;
// null when no face has one.
std::shared_ptr<TCoreFontFace> FindForChar(char32_t Ch, int Weight, bool Italic);
// Installed family names plus the aliases whose families are installed.
std::vector<String> Families();
// A private configuration over the test font folders and ExtraFolder (by
// default tests/data/fonts of the source tree, from $TARNWICK_SOURCE_DIR or
// the working folder), so widths never depend on the machine.
void UseTestFonts(const std::string& ExtraFolder = "");
// Back to the machine's configuration.
void UseSystemFonts();
bool UsingTestFonts();
}  // namespace FontSystem

}  // namespace ht::core
