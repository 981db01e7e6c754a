#pragma once
// Printing on the desktop: a print sink that hands recorded pages to the
// toolkit's print operation (each page set up at its own size and
// orientation, then its records replayed at the printer's resolution), and
// a print dialog whose choice of printer, page range and copies the next
// job takes. Without a dialog executed first, the operation asks itself.
#include <memory>

#include "platform/gdi/gdi_meta.h"

namespace ht::ui {

class TGtkPrintDialog : public gdi::TPrintDialog {
 public:
  TGtkPrintDialog();
  ~TGtkPrintDialog() override;
  // Runs the toolkit's print dialog; false when cancelled.
  bool Execute() override;
};

class TGtkPrintSink : public gdi::TPrintSink {
 public:
  bool Print(gdi::TPrintJob& Job) override;
};

// Makes a TGtkPrintSink the process's print sink (the program does; tests
// keep the PDF sink).
void InstallGtkPrinting();

}  // namespace ht::ui
