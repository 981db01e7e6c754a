#include "backends/gp_pages.h"

#include <cmath>
#include <string>

#include "backends/canvas_gp.h"
#include "backends/gp_images.h"

namespace ht {

const THtPageClass THtPageGP::ClassType{"THtPageGP", &THtPage::ClassType,
                                        &CreateInstance<THtPageGP, THtPage, float, float, int, int>};
const THtMetaCanvasGPClass THtMetaCanvasGP::ClassType{"THtMetaCanvasGP", &THtMetaCanvas::ClassType,
                                                      CreateInstance<THtMetaCanvasGP, THtCanvas>};

const THtCanvasClass* THtMetaCanvasGPClass::RefCanvas() const { return &THtCanvasGP::ClassType; }

// ---------------------------------------------------------------- pages

THtPageGP::THtPageGP(float AWidthMM, float AHeightMM, int ANumber, int ADPI)
    : THtPage(AWidthMM, AHeightMM, ANumber, ADPI) {
  const int w = int(std::lround(AWidthMM * float(ADPI) / 25.4f)), h = int(std::lround(AHeightMM * float(ADPI) / 25.4f));
  MetaDC = gdi::CreateEnhMetaFileW(nullptr, w, h);
  gdi::SetGraphicsMode(MetaDC, gdi::GM_ADVANCED);
  Meta = gdi::MetaOf(MetaDC);
  MetaFile = std::make_unique<THtMetafileGDI>(Meta);
  MetaCanvas = std::make_unique<gdi::TCanvas>(MetaDC);
}

THtPageGP::~THtPageGP() { CloseRecording(); }

void THtPageGP::CloseRecording() {
  if (!MetaDC) return;
  MetaCanvas.reset();
  gdi::CloseEnhMetaFile(MetaDC);
  MetaDC = nullptr;
}

std::unique_ptr<THtImage> THtPageGP::AsImage(int, int) {
  CloseRecording();
  auto img = std::make_unique<THtImageGP>();
  if (!Meta || Meta->Width <= 0 || Meta->Height <= 0 || !core::WithinPixelBudget(Meta->Width, Meta->Height))
    return img;
  core::TCoreSurface s(Meta->Width, Meta->Height);
  {
    core::TCoreContext c(s);
    gdi::PlayEnhMetaFileOn(c, Meta, core::TCoreMatrix());
  }
  s.Flush();
  img->LoadFromPixels(s.ScanLine(0), s.Width(), s.Height(), s.Stride());
  return img;
}

THtObject* THtPageGP::AsMetaFile() {
  CloseRecording();
  return MetaFile.get();
}

THtBytes THtPageGP::AsMetaFileBytes() {
  CloseRecording();
  return gdi::GetEnhMetaFileBits(Meta);
}

void ReplacePageCountPlaceholder(gdi::HENHMETAFILE Meta, int Count) {
  if (!Meta || Count > 99999) return;
  String count = Utf8ToString(std::to_string(Count));
  count.resize(5, u' ');
  gdi::EnumEnhMetaFile(nullptr, Meta, [&](gdi::HENHMETAFILE, gdi::TMetaRecord& r) {
    if (r.iType != gdi::EMR_EXTTEXTOUTW || !r.Text) return 1;
    gdi::TMetaTextRecord& t = *r.Text;
    const size_t at = t.Text.find(u"$$|$#");
    if (at == String::npos) return 1;
    for (size_t k = 0; k < 5; ++k) {
      t.Text[at + k] = count[k];
      // The glyph of the character changes with it.
      if (at + k < t.GlyphOfChar.size() && t.GlyphOfChar[at + k] < t.Glyphs.size() && t.Face)
        t.Glyphs[t.GlyphOfChar[at + k]] = t.Face->GlyphIndex(count[k]);
    }
    return 1;
  });
}

// ---------------------------------------------------------------- printing

namespace {

const String& titleOr(StringView Title, String& Keep) {
  Keep = Title.empty() ? String(u"Unnamed") : String(Title);
  return Keep;
}

gdi::TPrinterOrientation orientationOf(float W, float H) { return H < W ? gdi::poLandscape : gdi::poPortrait; }

// Ends the document also when printing fails.
struct DocGuard {
  gdi::TPrinter& P;
  bool Done = false;
  ~DocGuard() {
    if (!Done && P.Printing()) P.EndDoc();
  }
};

}  // namespace

void THtCanvasGP::EndPaging() {
  THtCanvas::EndPaging();
  const int count = PageCount();
  for (int i = 0; i < count; ++i)
    if (auto* page = dynamic_cast<THtPageGP*>(GetPage(i))) {
      page->CloseRecording();
      ReplacePageCountPlaceholder(page->Meta, count);
    }
}

bool THtCanvasGP::Print(THtObject* PrintDialog, StringView Title) {
  const int count = PageCount();
  if (count == 0) return false;
  int first = 1, last = count, copies = 1;
  if (auto* dlg = dynamic_cast<gdi::TPrintDialog*>(PrintDialog)) {
    dlg->MinPage = dlg->FromPage = 1;
    dlg->MaxPage = dlg->ToPage = count;
    if (!dlg->Execute()) return false;
    if (dlg->PageNumsRange) first = std::max(dlg->FromPage, 1), last = std::min(dlg->ToPage, count);
    copies = std::max(dlg->Copies, 1);
  }
  gdi::TPrinter& P = gdi::Printer();
  String title;
  bool printed = false;
  for (int copy = 0; copy < copies; ++copy) {
    THtPage* p0 = GetPage(first - 1);
    P.Orientation = orientationOf(float(p0->WidthPx), float(p0->HeightPx));
    P.Title = titleOr(Title, title);
    P.BeginDoc();
    if (!P.Printing()) break;
    DocGuard guard{P};
    bool firstSheet = true;
    for (int i = first; i <= last; ++i) {
      auto* page = dynamic_cast<THtPageGP*>(GetPage(i - 1));
      if (!page) continue;
      page->CloseRecording();
      const gdi::TPrinterOrientation o = orientationOf(float(page->WidthPx), float(page->HeightPx));
      if (o != P.Orientation) {
        P.EndDoc();
        P.Orientation = o;
        P.BeginDoc();
        firstSheet = true;
      }
      if (!firstSheet) P.NewPage();
      firstSheet = false;
      // The printable share of the paper width.
      const double f = P.GetDeviceCaps(gdi::HORZSIZE) /
                       (double(P.GetDeviceCaps(gdi::PHYSICALWIDTH)) / P.GetDeviceCaps(gdi::LOGPIXELSX) * 25.4);
      const double sx = f * P.GetDeviceCaps(gdi::LOGPIXELSX) / 96, sy = f * P.GetDeviceCaps(gdi::LOGPIXELSY) / 96;
      const double dx = FCurrentMatrix.Data[4] * page->DPI / 96, dy = FCurrentMatrix.Data[5] * page->DPI / 96;
      // The page's metafile at its physical size.
      const double w = page->WidthMM / 25.4 * 96 * sx, h = page->HeightMM / 25.4 * 96 * sy;
      gdi::RECT r{int(std::lround(dx)), int(std::lround(dy)), int(std::lround(dx + w)), int(std::lround(dy + h))};
      gdi::PlayEnhMetaFile(P.Handle(), page->Meta, &r);
    }
    guard.Done = true;
    P.EndDoc();
    printed = true;
  }
  return printed;
}

bool THtMetaCanvasGP::Print(THtObject* PrintDialog, StringView Title) { return PrintMeta(PrintDialog, this, Title); }

bool PrintMeta(THtObject* PrintDialog, THtMetaCanvas* Source, StringView Title) {
  if (!Source) return false;
  const int count = Source->PageCount();
  int first = 1, last = Source->PrintOrder.empty() ? count : int(Source->PrintOrder.size());
  if (auto* dlg = dynamic_cast<gdi::TPrintDialog*>(PrintDialog)) {
    dlg->MinPage = dlg->FromPage = 1;
    dlg->MaxPage = dlg->ToPage = last;
    if (!dlg->Execute()) return false;
    if (dlg->PageNumsRange) first = std::max(dlg->FromPage, 1), last = std::min(dlg->ToPage, last);
  }
  gdi::TPrinter& P = gdi::Printer();
  String title;
  P.Orientation = orientationOf(Source->PageWidthMM(), Source->PageHeightMM());
  P.Title = titleOr(Title, title);
  P.BeginDoc();
  if (!P.Printing()) return false;
  DocGuard guard{P};
  THtCanvasGP canvas;
  std::unique_ptr<THtFontCollection> fonts;
  if (Source->FontCollection()) {
    fonts = THtCanvasGP::ClassType.CreateFontCollection();
    fonts->AddFontsFrom(Source->FontCollection());
    canvas.SetFontCollection(fonts.get());
  }
  bool firstSheet = true;
  for (int pos = first; pos <= last; ++pos) {
    const int index = Source->PrintOrder.empty() ? pos - 1 : Source->PrintOrder[size_t(pos - 1)];
    if (index < 0 || index >= count) continue;
    auto* page = dynamic_cast<THtPageMeta*>(Source->GetPage(index));
    if (!page || page->Disabled || !page->Meta) continue;
    const gdi::TPrinterOrientation o = orientationOf(page->WidthMM, page->HeightMM);
    if (o != P.Orientation) {
      P.EndDoc();
      P.Orientation = o;
      P.BeginDoc();
      firstSheet = true;
    }
    if (!firstSheet) P.NewPage();
    firstSheet = false;
    gdi::TCanvas target(P.Handle());
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, P.PageWidth(), P.PageHeight()), &target);
    canvas.BeginScene(scene);
    page->Meta->Play(&canvas, 1);
    canvas.EndScene();
  }
  guard.Done = true;
  P.EndDoc();
  return true;
}

}  // namespace ht
