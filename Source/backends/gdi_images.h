#pragma once
// The GDI back end's images, pages and printing.
//
// THtImageGDI decodes BMP and icon bytes itself and hands JPEG, PNG and GIF
// to the registered image converter (none is registered by the engine;
// CoreImageConverter is one over the core's decoders that a program may
// register). THtPageGDI renders a recorded page into a metafile through a
// THtCanvasGDI; THtMetaCanvasGDI records documents page by page and prints
// them through a THtCanvasGDI on the printer.
#include <memory>

#include "canvas/exporters.h"
#include "canvas/image.h"
#include "canvas/meta_canvas.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/gdi/gdi_meta.h"

namespace ht {

class THtImageGDI : public THtImage {
 public:
  static const THtImageClass ClassType;
  const THtImageClass* ClassRefOf() const override { return &ClassType; }

  THtImageGDI() = default;
  ~THtImageGDI() override;

  TStream* GetSourceStream() override { return FSourceStream.get(); }
  // Fewer than 10 bytes are not decoded; any failure leaves the image not
  // loaded, never raises.
  void LoadFromBytes(const THtBytes& ABytes, bool InLoader) override;
  // Always false: nothing changes the wanted frame.
  bool NextFrame(int ElapsedMs) override;

  std::unique_ptr<TMemoryStream> FSourceStream;
  std::unique_ptr<gdi::TBitmap> Bitmap;  // premultiplied pixels
  // The pixels carry alpha (blended when drawn).
  bool AlphaPremultiplied = false;
  int ShownFrame = 0, WantedFrame = 0;
};

// A platform metafile as an object a page can hand out.
class THtMetafileGDI : public THtObject {
 public:
  explicit THtMetafileGDI(gdi::HENHMETAFILE AHandle) : Handle(AHandle) {}
  ~THtMetafileGDI() override { gdi::DeleteEnhMetaFile(Handle); }
  gdi::HENHMETAFILE Handle;
};

class THtPageGDI : public THtPageMeta {
 public:
  static const THtPageClass ClassType;
  const THtPageClass* ClassRefOf() const override { return &ClassType; }

  using THtPageMeta::THtPageMeta;

  // The page rendered once into a metafile (a THtMetafileGDI).
  THtObject* AsMetaFile() override;
  // The metafile in our own file format (see gdi_meta.h).
  THtBytes AsMetaFileBytes() override;

  std::unique_ptr<THtMetafileGDI> MetaFile;
};

class THtMetaCanvasGDIClass : public THtMetaCanvasClass {
 public:
  using THtMetaCanvasClass::THtMetaCanvasClass;
  const THtCanvasClass* RefCanvas() const override;
  const THtPageClass* PageClass() const override { return &THtPageGDI::ClassType; }
};

class THtMetaCanvasGDI : public THtMetaCanvas {
 public:
  static const THtMetaCanvasGDIClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
  bool Print(THtObject* PrintDialog, StringView Title) override;
};

// What another back end's recording canvas changes when it prints through
// the GDI canvas.
struct THtPrintMetaOptions {
  bool PrinterCopiesToOne = false;     // the printer's own copies set to 1 first
  THtFontCollection* Fonts = nullptr;  // the GDI canvases' font collection
  bool DeviceScale = false;            // the scene scale LOGPIXELSX / 96 alone
};

// Prints Source's pages through a THtCanvasGDI on the printer, without
// GDI+ and in print mode (a gdi::TPrintDialog chooses range and copies).
// True when at least one copy was printed; false when the dialog is
// cancelled or the printer does not start. The printer document is ended
// also when playing a page raises.
bool PrintMetaGDI(THtObject* PrintDialog, THtMetaCanvas* Source, StringView Title,
                  const THtPrintMetaOptions& Options = {});

// An image converter over the core's decoders.
class CoreImageConverter : public IHtImageConverter {
 public:
  std::unique_ptr<THtBitmapData> JPEGtoBitmapData(const THtBytes& ABytes) override { return decode(ABytes); }
  std::unique_ptr<THtBitmapData> PNGtoBitmapData(const THtBytes& ABytes) override { return decode(ABytes); }
  std::unique_ptr<THtBitmapData> GIFtoBitmapData(const THtBytes& ABytes) override { return decode(ABytes); }

 private:
  static std::unique_ptr<THtBitmapData> decode(const THtBytes& ABytes);
};

}  // namespace ht
