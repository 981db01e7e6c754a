// libFuzzer target: font file bytes. A face made from arbitrary bytes must
// either be refused or shape, outline and draw without reading outside its
// data, crashing or hanging. The same bytes then go through the Direct2D
// canvas as a web font: added to a collection, asked for by the family
// inside them, measured and drawn in a scene.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "backends/canvas_dx.h"
#include "platform/core/core_fonts.h"
#include "platform/rtl/stream.h"

namespace {

void throughDirect2D(const uint8_t* data, size_t size, const ht::String& family) {
  using namespace ht;
  static bool bound = [] {
    BindDirect2DEntryPoints();
    return THtCanvasDX::IsDirectXSupported();
  }();
  if (!bound) return;
  auto fonts = THtCanvasDX::ClassType.CreateFontCollection();
  TMemoryStream stream(data, size);
  fonts->AddFontStream(u"Fuzzed", stream);
  try {
    THtFont* font = fonts->GetFont(family.empty() ? String(u"Fuzzed") : family, 14, {});
    THtTextStyle style;
    style.Color = 0xFF000000;
    THtCanvasDX::ClassType.MeasureString(u"Hello \u05E9\u05DC", font, style, 1, 1, -1);
    gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
    gdi::HBITMAP bmp = gdi::CreateDIBSection32(64, 32, nullptr);
    gdi::SelectObject(dc, bmp);
    {
      gdi::TCanvas target(dc);
      THtCanvasDX canvas;
      canvas.SetFontCollection(fonts.get());
      THtCanvasScene scene;
      scene.Init(TRect(0, 0, 64, 32), &target);
      canvas.BeginScene(scene);
      canvas.DrawString(u"ffi Hello", TRectF(0, 0, 64, 32), font, style, 1, -1);
      style.LetterSpacing = 1;
      canvas.DrawStringEx(u"Wave", TRectF(0, 16, 64, 32), font, style, {0, 1, 2}, nullptr, nullptr, 1, -1);
      canvas.BeforeEndScene();
      canvas.EndScene();
    }
    gdi::DeleteDC(dc);
    gdi::DeleteObject(bmp);
  } catch (const ht::Exception&) {
    // A refused font raises a clear error; anything else is a finding.
  }
}

}  // namespace

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
  throughDirect2D(data, size, face->FamilyName());
  return 0;
}
