#include "backends/page_images.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "canvas/canvas_scene.h"
#include "canvas/meta_canvas.h"
#include "platform/core/core_image.h"
#include "platform/rtl/exception.h"

namespace ht {

namespace {

// Sides of a page picture, bounded so that a hostile scale cannot ask for
// gigabytes.
bool pictureSize(const THtPage& Page, float Scale, int& W, int& H) {
  if (!std::isfinite(Scale) || Scale <= 0) return false;
  const double w = std::max(1.0, std::round(double(Page.WidthPx) * Scale));
  const double h = std::max(1.0, std::round(double(Page.HeightPx) * Scale));
  if (w * h > double(1 << 28)) return false;
  W = int(w);
  H = int(h);
  return true;
}

}  // namespace

std::unique_ptr<gdi::TBitmap> RenderPageBitmap(THtCanvas& ACanvas, int Index, float Scale) {
  const auto* metaClass = dynamic_cast<const THtMetaCanvasClass*>(ACanvas.ClassRefOf());
  if (!metaClass) throw Exception(String(u"Page images need a recording canvas"));
  auto* page = dynamic_cast<THtPageMeta*>(ACanvas.GetPage(Index));
  if (!page) throw Exception(String(u"Page images need a recording canvas"));
  int w = 0, h = 0;
  if (!pictureSize(*page, Scale, w, h)) throw Exception(String(u"Invalid page image scale"));

  auto bitmap = std::make_unique<gdi::TBitmap>(w, h);
  bitmap->Surface().Fill(0xFFFFFFFFu);
  std::unique_ptr<THtCanvas> canvas = metaClass->RefCanvas()->Create();
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, w, h), &bitmap->Canvas());
  scene.Scale = Scale;
  canvas->BeginScene(scene);
  page->Meta->Play(canvas.get(), 1.0f);
  canvas->BeforeEndScene();
  canvas->EndScene();
  bitmap->Surface().Flush();
  return bitmap;
}

THtBytes PagetoPNG(THtCanvas& ACanvas, int Index, float Scale) {
  std::unique_ptr<gdi::TBitmap> bitmap = RenderPageBitmap(ACanvas, Index, Scale);
  core::TCoreSurface& s = bitmap->Surface();
  // The writer takes top-down rows without gaps; bitmaps may keep theirs
  // bottom-up.
  const size_t row = size_t(s.Width()) * 4;
  std::vector<uint8_t> rows(row * size_t(s.Height()));
  for (int y = 0; y < s.Height(); ++y) std::memcpy(rows.data() + row * size_t(y), s.ScanLine(y), row);
  THtBytes png = core::EncodePNG(rows.data(), s.Width(), s.Height());
  if (png.empty()) throw Exception(String(u"Cannot encode the page image"));
  return png;
}

void SavePagetoPNG(THtCanvas& ACanvas, int Index, StringView FileName, float Scale) {
  const THtBytes png = PagetoPNG(ACanvas, Index, Scale);
  std::ofstream out(StringToUtf8(String(FileName)), std::ios::binary | std::ios::trunc);
  if (out) out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  if (!out) throw Exception(u"Cannot write %s", String(FileName));
}

}  // namespace ht
