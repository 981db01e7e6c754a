// libFuzzer target: font file bytes. A face made from arbitrary bytes must
// either be refused or shape, outline and draw without reading outside its
// data, crashing or hanging.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/core_fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto face = ht::core::TCoreFontFace::FromMemory(std::vector<uint8_t>(data, data + size));
  if (!face) return 0;
  static const char16_t* texts[] = {u"Hello, world", u"ffi fl \u00E9\u0301", u"\u05E9\u05DC\u05D5\u05DD",
                                    u"\U0001F600 \u4E2D"};
  std::vector<ht::core::TShapedGlyph> glyphs;
  ht::core::TCorePath path;
  ht::core::TCoreSurface surface(32, 32);
  ht::core::TCoreContext context(surface);
  for (int i = 0; i < 4; ++i) {
    face->Shape(texts[i], i == 2, {"kern", "-liga", "smcp"}, glyphs);
    std::vector<uint32_t> ids;
    std::vector<ht::TPointF> pos;
    float x = 0;
    for (const auto& g : glyphs) {
      path.Clear();
      face->GlyphOutline(g.Glyph, 12, x, 20, path);
      ids.push_back(g.Glyph);
      pos.emplace_back(x, 20);
      x += g.XAdvance * 12.0f / float(face->UnitsPerEm());
    }
    ht::core::DrawGlyphRun(context, *face, 12, ids.data(), pos.data(), int(ids.size()),
                           ht::core::TCorePaint::Solid(0xFF000000));
  }
  return 0;
}
