#include "backends/dx_pages.h"

#include <algorithm>

#include "backends/canvas_dx.h"
#include "backends/canvas_gdi.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdi/gdi_meta.h"

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

namespace {

gdi::TPrinterOrientation orientationOf(float W, float H) { return H < W ? gdi::poLandscape : gdi::poPortrait; }

}  // namespace

bool THtMetaCanvasDX::Print(THtObject* PrintDialog, StringView Title) {
  const int count = PageCount();
  int first = 1, last = count, copies = 1;
  if (auto* dlg = dynamic_cast<gdi::TPrintDialog*>(PrintDialog)) {
    dlg->MinPage = dlg->FromPage = 1;
    dlg->MaxPage = dlg->ToPage = count;
    if (!dlg->Execute()) return false;
    if (dlg->PageNumsRange) first = std::max(dlg->FromPage, 1), last = std::min(dlg->ToPage, count);
    copies = dlg->Copies;
  }
  gdi::TPrinter& P = gdi::Printer();
  // Each copy is a document of its own.
  P.Copies = 1;
  bool printed = false;
  for (int copy = 0; copy < copies; ++copy) {
    P.Orientation = orientationOf(float(PageWidthPixels()), float(PageHeightPixels()));
    P.Title = Title.empty() ? String(u"Unnamed") : String(Title);
    P.BeginDoc();
    if (!P.Printing()) break;
    struct TEnd {
      gdi::TPrinter& P;
      ~TEnd() {
        if (P.Printing()) P.EndDoc();
      }
    } end{P};
    bool pagePrinted = false;
    for (int i = first - 1; i <= last - 1; ++i) {
      auto* page = dynamic_cast<THtPageMeta*>(GetPage(i));
      if (!page || !page->Meta) continue;
      const gdi::TPrinterOrientation o = page->Orientation == coLandscape ? gdi::poLandscape : gdi::poPortrait;
      if (o != P.Orientation) {
        P.EndDoc();
        P.Orientation = o;
        P.BeginDoc();
        pagePrinted = false;
      }
      if (i > 0 && pagePrinted) P.NewPage();
      THtCanvasGDI canvas;
      canvas.FAllowGDIP = false;
      canvas.PrintMode = true;
      // Web fonts installed for GDI are found in print too.
      canvas.SetFontCollection(THtCanvasGDI::ClassType.SharedFontCollection());
      gdi::TCanvas target(P.Handle());
      THtCanvasScene scene;
      scene.Init(TRect(0, 0, P.PageWidth(), P.PageHeight()), &target);
      scene.Scale = float(P.GetDeviceCaps(gdi::LOGPIXELSX)) / 96.0f;
      canvas.BeginScene(scene);
      page->Meta->Play(&canvas, 1);
      canvas.EndScene();
      pagePrinted = true;
    }
    P.EndDoc();
    printed = true;
  }
  return printed;
}

}  // namespace ht
