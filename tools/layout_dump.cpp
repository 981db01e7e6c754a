// tools/layout_dump FILE.html [--width N] [--canvas ahem|gp]
// Lays a page out at N x 600 pixels (800 by default) and prints its layout
// dump, the text that layout fixtures hold beside their page. The default
// canvas measures text with fixed Ahem metrics, as the tests do; "gp" measures
// through the GDI+ back end over cairo with the test fonts (Ahem included).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "document/document.h"
#include "layout/box_dump.h"
#include "elements/elements_startup.h"
#include "platform/core/core_fonts.h"
#include "platform/rtl/exception.h"
#include "support/ahem_canvas.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: layout_dump FILE.html [--width N] [--canvas ahem|gp]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file, canvas = "ahem";
  int width = 800;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--width") && i + 1 < argc) {
      char* end = nullptr;
      const long w = std::strtol(argv[++i], &end, 10);
      if (*end || w < 1 || w > 100000) return usage();
      width = int(w);
    } else if (!std::strcmp(argv[i], "--canvas") && i + 1 < argc) {
      canvas = argv[++i];
      if (canvas != "ahem" && canvas != "gp") return usage();
    } else if (argv[i][0] == '-' || !file.empty()) {
      return usage();
    } else {
      file = argv[i];
    }
  }
  if (file.empty()) return usage();
  if (canvas == "gp") {
    const char* src = std::getenv("TARNWICK_SOURCE_DIR");
    ht::core::FontSystem::UseTestFonts(std::string(src && *src ? src : TARNWICK_SOURCE_DIR) + "/tests/data/fonts");
  }
  ht::HtBackendsInitialize();
  ht::HtElementsInitialize();
  int status = 0;
  try {
    const ht::THtCanvasClass* cls = &ht::testing::TAhemCanvas::ClassType;
    if (canvas == "gp") cls = &ht::THtCanvasGP::ClassType;
    ht::THtDocument doc(cls);
    doc.LoadfromFile(ht::Utf8ToString(file));
    doc.CalcSize(width, 600);
    std::fputs(ht::LayoutDump(doc).c_str(), stdout);
  } catch (const ht::Exception& e) {
    std::fprintf(stderr, "layout_dump: %s\n", e.what());
    status = 1;
  }
  ht::HtElementsFinalize();
  ht::HtBackendsFinalize();
  return status;
}
