// tools/render_html FILE.html OUT.png [--width N] [--height N] [--scroll Y] [--pages]
// Lays a page out at N x H pixels (800 x 600 by default) and paints it with
// the GDI+ back end over cairo, using the test fonts (Ahem included), into a
// PNG. --scroll paints the view scrolled down by Y pixels. --pages cuts the
// document into printed pages instead (A4 unless @page or a doc-section says
// otherwise), recorded and replayed by the Direct2D back end, and writes each
// page image as OUT-1.png, OUT-2.png, ...
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "backends/backends_startup.h"
#include "backends/canvas_dx.h"
#include "backends/canvas_gp.h"
#include "backends/page_images.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "paint/paint_startup.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/exception.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: render_html FILE.html OUT.png [--width N] [--height N] [--scroll Y] [--pages]\n");
  return 2;
}

bool readInt(const char* s, long Min, long Max, int& Out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (*end || v < Min || v > Max) return false;
  Out = int(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file, out;
  int width = 800, height = 600, scroll = 0;
  bool pages = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--pages")) {
      pages = true;
      continue;
    }
    if (!std::strcmp(argv[i], "--width") && i + 1 < argc) {
      if (!readInt(argv[++i], 1, 20000, width)) return usage();
    } else if (!std::strcmp(argv[i], "--height") && i + 1 < argc) {
      if (!readInt(argv[++i], 1, 20000, height)) return usage();
    } else if (!std::strcmp(argv[i], "--scroll") && i + 1 < argc) {
      if (!readInt(argv[++i], 0, 10000000, scroll)) return usage();
    } else if (argv[i][0] == '-') {
      return usage();
    } else if (file.empty()) {
      file = argv[i];
    } else if (out.empty()) {
      out = argv[i];
    } else {
      return usage();
    }
  }
  if (file.empty() || out.empty()) return usage();
  const char* src = std::getenv("TARNWICK_SOURCE_DIR");
  ht::core::FontSystem::UseTestFonts(std::string(src && *src ? src : TARNWICK_SOURCE_DIR) + "/tests/data/fonts");
  ht::HtBackendsInitialize();
  ht::HtElementsInitialize();
  int status = 0;
  try {
    if (pages) {
      ht::THtDocument doc(ht::THtCanvasDX::ClassType.PrintCanvasClass());
      doc.LoadfromFile(ht::Utf8ToString(file));
      doc.GeneratePagesForPrint(0, 0, false, 0);
      std::string stem = out.size() > 4 && out.ends_with(".png") ? out.substr(0, out.size() - 4) : out;
      for (int i = 0; i < doc.Surface->PageCount(); ++i)
        ht::SavePagetoPNG(*doc.Surface, i, ht::Utf8ToString(stem + "-" + std::to_string(i + 1) + ".png"));
      std::printf("%d pages\n", doc.Surface->PageCount());
    } else {
    ht::THtDocument doc(&ht::THtCanvasGP::ClassType);
    doc.LoadfromFile(ht::Utf8ToString(file));
    doc.CalcSize(width, height);
    ht::gdi::TBitmap target(width, height);
    target.Surface().Fill(0xFFFFFFFFu);
    const ht::TRect view(0, 0, width, height);
    doc.Draw(&target.Canvas(), view, view, 0, -float(scroll), 0);
    target.Surface().Flush();
    if (!target.Surface().WritePNG(out)) throw ht::Exception(u"cannot write %s", ht::Utf8ToString(out));
    }
  } catch (const ht::Exception& e) {
    std::fprintf(stderr, "render_html: %s\n", e.what());
    status = 1;
  }
  ht::HtElementsFinalize();
  ht::HtBackendsFinalize();
  return status;
}
