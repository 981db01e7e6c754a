#pragma once
// The paged exporter "PDF": each page's display list is played through the
// GDI canvas into a page record and the pages are written as one PDF (the
// routine the PDF print sink writes with), each at its own size, with the
// page's links and link targets. Only RegisterPdfExporter registers it: the
// program itself ships none.
#include <memory>
#include <vector>

#include "canvas/exporters.h"

namespace ht {

class THtPdfExporter : public THtPagedExporter {
 public:
  static const THtPagedExporterClass ClassType;
  const THtPagedExporterClass* ClassRefOf() const override { return &ClassType; }

  THtPdfExporter();
  ~THtPdfExporter() override;

  void BeginDocument() override;
  void EndDocument() override {}
  bool RenderPage(THtMetaList* AMeta, int APageWidthPixels, int APageHeightPixels) override;
  // Raises Exception "Cannot write PDF" when nothing can be written.
  void SavetoStream(TStream& AStream) override;

 private:
  struct TPages;
  std::unique_ptr<TPages> FPages;
};

// Registers THtPdfExporter as "PDF".
void RegisterPdfExporter();

}  // namespace ht
