// The program block: unit start-ups in link order, the main window, the
// message loop, then shut-down in reverse once the window has closed.
#include <cstdio>
#include <exception>

#include "backends/backends_startup.h"
#include "backends/gdi_images.h"
#include "canvas/exporters.h"
#include "css/style_unit.h"
#include "document/animation_thread.h"
#include "document/global.h"
#include "elements/elements_startup.h"
#include "host/html_panel.h"
#include "http_unit.h"
#include "layout/layout_startup.h"
#include "markup/markup_startup.h"
#include "markup/utils_startup.h"
#include "paint/paint_startup.h"
#include "platform/rtl/dispatcher.h"
#include "platform/ui/application.h"
#include "platform/ui/print_sink.h"
#include "unit_main.h"

namespace {

void initializeUnits() {
  ht::HtUtilsInitialize();
  ht::HtMarkupInitialize();
  ht::InitStyleUnit();
  ht::HtBackendsInitialize();
  // Without it the GDI canvas could not show PNG, JPEG or GIF pictures.
  ht::THtDocumentConverter::RegisterImageConverter(std::make_shared<ht::CoreImageConverter>());
  ht::StartHttpClientUnit();
  ht::HtDocumentInitialize();
  ht::HtLayoutInitialize();
  ht::HtPaintInitialize();
  ht::HtElementsInitialize();
  ht::HtHostInitialize();
}

void finalizeUnits() {
  ht::HtHostFinalize();
  ht::HtElementsFinalize();
  ht::HtPaintFinalize();
  ht::HtLayoutFinalize();
  ht::HtDocumentFinalize();
  ht::FinishHttpClientUnit();
  ht::HtBackendsFinalize();
  ht::FinalizeStyleUnit();
  ht::HtMarkupFinalize();
  ht::HtUtilsFinalize();
}

}  // namespace

int main() {
  int result = 0;
  try {
    initializeUnits();
    if (!ht::ui::TApplication::Initialize()) {
      std::fprintf(stderr, "tarnwick: cannot open the display\n");
      finalizeUnits();
      return 1;
    }
    ht::ui::InstallGtkPrinting();
    ht::Form1 = new ht::TForm1();
    ht::Form1->MainForm = true;
    ht::Form1->Show();
    ht::ui::TApplication::Run();
    // Workers stop before anything they use goes away.
    if (ht::AnimationThreadExists()) ht::AnimationThread().Terminate();
    ht::TDispatcher::Main().Shutdown();
    delete ht::Form1;
    ht::Form1 = nullptr;
    ht::ui::TApplication::Finalize();
    finalizeUnits();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarnwick: %s\n", e.what());
    return 1;
  }
  if (const int live = ht::ui::LiveWidgets(); live != 0) {
    std::fprintf(stderr, "tarnwick: %d widgets still alive at exit\n", live);
    result = 1;
  }
  return result;
}
