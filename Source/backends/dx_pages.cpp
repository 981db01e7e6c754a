#include "backends/dx_pages.h"

#include "backends/canvas_dx.h"
#include "backends/canvas_gdi.h"
#include "backends/gdi_images.h"

namespace ht {

const THtPageClass THtPageDX::ClassType{"THtPageDX", &THtPageMeta::ClassType,
                                        &CreateInstance<THtPageDX, THtPage, float, float, int, int>};
const THtImageClass THtImageCommands::ClassType{"THtImageCommands", &THtImage::ClassType,
                                                &CreateInstance<THtImageCommands, THtImage>};
const THtMetaCanvasDXClass THtMetaCanvasDX::ClassType{"THtMetaCanvasDX", &THtMetaCanvas::ClassType,
                                                      CreateInstance<THtMetaCanvasDX, THtCanvas>};

const THtCanvasClass* THtMetaCanvasDXClass::RefCanvas() const { return &THtCanvasDX::ClassType; }

void THtPageDX::ClearCache() {
  THtPageMeta::ClearCache();
  FList.reset();
}

std::shared_ptr<d2d::ID2D1CommandList> THtImageCommands::CommandList() const {
  return Page ? Page->FList : nullptr;
}

bool THtMetaCanvasDX::Print(THtObject* PrintDialog, StringView Title) {
  THtPrintMetaOptions o;
  o.PrinterCopiesToOne = true;
  // Web fonts installed for GDI are found in print too.
  o.Fonts = THtCanvasGDI::ClassType.SharedFontCollection();
  o.DeviceScale = true;
  return PrintMetaGDI(PrintDialog, this, Title, o);
}

}  // namespace ht
