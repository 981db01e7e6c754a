#include "backends/pdf_exporter.h"

#include "backends/canvas_gdi.h"
#include "canvas/meta_canvas.h"
#include "canvas/meta_records.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdi/gdi_meta.h"

namespace ht {

const THtPagedExporterClass THtPdfExporter::ClassType{"THtPdfExporter", nullptr,
                                                      CreateInstance<THtPdfExporter, THtPagedExporter>, u"PDF"};

struct THtPdfExporter::TPages {
  std::vector<gdi::TPrintedPage> Pages;
  std::vector<std::vector<gdi::TPdfLink>> Links;
};

THtPdfExporter::THtPdfExporter() : FPages(std::make_unique<TPages>()) {}
THtPdfExporter::~THtPdfExporter() = default;

void THtPdfExporter::BeginDocument() {
  FPages->Pages.clear();
  FPages->Links.clear();
  fPage = -1;
}

namespace {

// The links and targets of a display list in page pixels: the list's
// matrices and saved states are followed as a replay would.
std::vector<gdi::TPdfLink> pageLinks(THtMetaList& Meta) {
  std::vector<gdi::TPdfLink> links;
  std::vector<THtMatrixData> stack;
  THtMatrixData current;
  for (THtMetaCanvasRec* rec : Meta) {
    if (auto* m = dynamic_cast<THtMetaMatrixRec*>(rec)) {
      current.Multiply(m->M);
    } else if (auto* st = dynamic_cast<THtMetaStateRec*>(rec)) {
      if (st->Save) {
        stack.push_back(current);
      } else if (!stack.empty()) {
        current = stack.back();
        stack.pop_back();
      }
    } else if (auto* l = dynamic_cast<THtMetaLinkRec*>(rec)) {
      links.push_back(gdi::TPdfLink{current.TransformRect(l->R), l->Href, l->IsAnchor});
    }
  }
  return links;
}

}  // namespace

bool THtPdfExporter::RenderPage(THtMetaList* AMeta, int APageWidthPixels, int APageHeightPixels) {
  THtPagedExporter::RenderPage(AMeta, APageWidthPixels, APageHeightPixels);
  const int w = std::max(1, APageWidthPixels), h = std::max(1, APageHeightPixels);
  gdi::HDC dc = gdi::CreateEnhMetaFileW(nullptr, w, h);
  try {
    THtCanvasGDI canvas;
    canvas.PrintMode = true;
    gdi::TCanvas target(dc);
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, w, h), &target);
    canvas.BeginScene(scene);
    if (AMeta) AMeta->Play(&canvas, 1.0f);
    canvas.EndScene();
  } catch (...) {
    gdi::DeleteEnhMetaFile(gdi::CloseEnhMetaFile(dc));
    throw;
  }
  gdi::TPrintedPage page;
  page.Meta.reset(gdi::CloseEnhMetaFile(dc));
  page.Orientation = h < w ? gdi::poLandscape : gdi::poPortrait;
  FPages->Pages.push_back(std::move(page));
  FPages->Links.push_back(AMeta ? pageLinks(*AMeta) : std::vector<gdi::TPdfLink>{});
  return true;
}

void THtPdfExporter::SavetoStream(TStream& AStream) {
  const gdi::TPdfWriteFunc write = [&AStream](const unsigned char* Data, unsigned Length) {
    AStream.WriteBuffer(Data, Length);
    return true;
  };
  if (!gdi::WritePdfPages(FPages->Pages, FPages->Links, u"", write))
    throw Exception(String(u"Cannot write PDF"));
}

void RegisterPdfExporter() { THtPagedExporter::RegisterExporter(u"PDF", &THtPdfExporter::ClassType); }

}  // namespace ht
