#pragma once
// Paged output and printing of the GDI+ back end: THtPageGP records a page
// as a platform metafile; THtMetaCanvasGP is the recording canvas that
// prints its display lists through a THtCanvasGP.
#include <memory>

#include "backends/gdi_images.h"
#include "canvas/meta_canvas.h"
#include "canvas/page.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdi/gdi_meta.h"

namespace ht {

class THtPageGP : public THtPage {
 public:
  static const THtPageClass ClassType;
  const THtPageClass* ClassRefOf() const override { return &ClassType; }

  THtPageGP(float AWidthMM, float AHeightMM, int ANumber, int ADPI);
  ~THtPageGP() override;

  // The page's pixels as an image (the recording ends first).
  std::unique_ptr<THtImage> AsImage(int AWidth, int DPI) override;
  // The page's own metafile (a THtMetafileGDI over Meta, owned by the
  // page); the recording ends first.
  THtObject* AsMetaFile() override;
  // Our own metafile format (see gdi_meta.h), not EMF.
  THtBytes AsMetaFileBytes() override;
  // Ends recording: the metafile is complete from now on.
  void CloseRecording();

  gdi::HENHMETAFILE Meta = nullptr;          // owned through MetaFile
  std::unique_ptr<THtMetafileGDI> MetaFile;  // hands Meta out; frees it
  std::unique_ptr<gdi::TCanvas> MetaCanvas;  // the canvas the page is drawn on while recorded
  gdi::HDC MetaDC = nullptr;
};

class THtMetaCanvasGPClass : public THtMetaCanvasClass {
 public:
  using THtMetaCanvasClass::THtMetaCanvasClass;
  const THtCanvasClass* RefCanvas() const override;
};

class THtMetaCanvasGP : public THtMetaCanvas {
 public:
  static const THtMetaCanvasGPClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
  bool Print(THtObject* PrintDialog, StringView Title) override;
};

// Prints Source's pages (in its print order, skipping disabled pages) on
// the printer through a THtCanvasGP. False when the dialog is cancelled or
// printing does not start.
bool PrintMeta(THtObject* PrintDialog, THtMetaCanvas* Source, StringView Title);

// Writes the page count over the first "$$|$#" of every text record of the
// page (left-aligned, padded to five characters). Counts of six digits and
// more do not fit: the placeholder stays.
void ReplacePageCountPlaceholder(gdi::HENHMETAFILE Meta, int Count);

}  // namespace ht
