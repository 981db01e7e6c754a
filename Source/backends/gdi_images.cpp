#include "backends/gdi_images.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "backends/canvas_gdi.h"
#include "platform/core/core_image.h"
#include "platform/rtl/numeric.h"

namespace ht {

const THtImageClass THtImageGDI::ClassType{"THtImageGDI", &THtImage::ClassType,
                                           CreateInstance<THtImageGDI, THtImage>};
const THtPageClass THtPageGDI::ClassType{"THtPageGDI", &THtPageMeta::ClassType,
                                         &CreateInstance<THtPageGDI, THtPage, float, float, int, int>};
const THtMetaCanvasGDIClass THtMetaCanvasGDI::ClassType{"THtMetaCanvasGDI", &THtMetaCanvas::ClassType,
                                                        CreateInstance<THtMetaCanvasGDI, THtCanvas>};

const THtCanvasClass* THtMetaCanvasGDIClass::RefCanvas() const { return &THtCanvasGDI::ClassType; }

// ---------------------------------------------------------------- images

THtImageGDI::~THtImageGDI() = default;

bool THtImageGDI::NextFrame(int) {
  const bool changed = ShownFrame != WantedFrame;
  ShownFrame = WantedFrame;
  return changed;
}

namespace {

// Decoded core pixels (premultiplied, top-down) into a new bitmap.
std::unique_ptr<gdi::TBitmap> bitmapOf(const core::TCoreImage& Img, bool& HasAlpha) {
  auto bmp = std::make_unique<gdi::TBitmap>(Img.Width, Img.Height);
  const uint8_t* src = Img.Frames[0].Bits.data();
  HasAlpha = false;
  for (int y = 0; y < Img.Height; ++y) {
    const uint8_t* row = src + size_t(y) * size_t(Img.Width) * 4;
    std::memcpy(bmp->Surface().ScanLine(y), row, size_t(Img.Width) * 4);
    for (int x = 0; x < Img.Width && !HasAlpha; ++x) HasAlpha = row[x * 4 + 3] != 255;
  }
  bmp->Surface().MarkDirty();
  return bmp;
}

// Converter data into a new bitmap: 32-bit PNG pixels are premultiplied,
// other 32-bit data is opaque, 24-bit rows are widened. Each row copies at
// most what the bitmap's scan line holds.
std::unique_ptr<gdi::TBitmap> bitmapOf(THtBitmapData& Data, bool Png, bool& Premultiplied) {
  const int bits = Data.PixelBits(), w = Data.Width(), h = Data.Height();
  Premultiplied = false;
  if ((bits != 32 && bits != 24) || w <= 0 || h <= 0 || !core::WithinPixelBudget(w, h)) return nullptr;
  std::vector<uint8_t>& bytes = Data.Data();
  if (bits == 32 && Png) {
    Premultiplied = true;
    for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
      const double a = bytes[i + 3] / 255.0;
      for (int k = 0; k < 3; ++k) bytes[i + size_t(k)] = uint8_t(RoundHalfEven(bytes[i + size_t(k)] * a));
    }
  }
  auto bmp = std::make_unique<gdi::TBitmap>(w, h);
  const size_t line = size_t(w) * 4;
  for (int y = 0; y < h; ++y) {
    const size_t at = size_t(y) * size_t(Data.Stride());
    if (at >= bytes.size()) break;
    const uint8_t* row = bytes.data() + at;
    const size_t avail = bytes.size() - at;
    uint8_t* dst = bmp->Surface().ScanLine(y);
    if (bits == 32) {
      std::memcpy(dst, row, std::min({size_t(Data.Stride()), line, avail}));
      if (!Png)
        for (int x = 0; x < w; ++x) dst[x * 4 + 3] = 255;
    } else {
      for (int x = 0; x < w && size_t(x) * 3 + 2 < avail; ++x) {
        dst[x * 4] = row[x * 3], dst[x * 4 + 1] = row[x * 3 + 1], dst[x * 4 + 2] = row[x * 3 + 2];
        dst[x * 4 + 3] = 255;
      }
    }
  }
  bmp->Surface().MarkDirty();
  return bmp;
}

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Whether a device-independent bitmap's pixels are all there: the platform
// refuses a cut or lying bitmap where the decoder would show what it has.
// Pixels at Bits bytes into the DIB, or after its header, masks and palette
// when Bits is 0; an icon's height counts its mask too.
bool wholeDib(const uint8_t* Dib, size_t Avail, size_t Bits, bool Icon) {
  if (Avail < 12) return false;
  const uint32_t hs = le32(Dib);
  if (hs < 12 || hs > Avail) return false;
  int64_t w, h;
  unsigned bpp, comp = 0, used = 0;
  if (hs == 12) {
    w = le16(Dib + 4), h = le16(Dib + 6), bpp = le16(Dib + 10);
  } else {
    if (hs < 16) return false;
    w = int32_t(le32(Dib + 4)), h = int32_t(le32(Dib + 8)), bpp = le16(Dib + 14);
    if (hs >= 20) comp = le32(Dib + 16);
    if (hs >= 36) used = le32(Dib + 32);
  }
  h = h < 0 ? -h : h;
  if (Icon) h /= 2;
  if (w <= 0 || h <= 0 || bpp == 0 || bpp > 32) return false;
  if (comp != 0 && comp != 3 && comp != 6) return true;  // run-length data is read as it comes
  if (!Bits) {
    const size_t masks = comp != 0 && hs == 40 ? (comp == 6 ? 16 : 12) : 0;
    const size_t colours = used ? used : bpp <= 8 ? (size_t(1) << bpp) : 0;
    Bits = hs + masks + colours * (hs == 12 ? 3 : 4);
  }
  const uint64_t stride = ((uint64_t(w) * bpp + 31) / 32) * 4;
  return Bits <= Avail && stride * uint64_t(h) <= Avail - Bits;
}

// BMP or icon bytes whose bitmaps are complete.
bool wholeBitmapFile(const THtBytes& B, uint8_t Kind) {
  const size_t n = B.size();
  if (Kind == hikBMP) {
    if (n < 14 + 12) return false;
    const uint32_t declared = le32(B.data() + 2), off = le32(B.data() + 10);
    if ((declared && declared > n) || off < 14 || off > n) return false;
    return wholeDib(B.data() + 14, n - 14, off - 14, false);
  }
  if (n < 6) return false;
  const unsigned count = le16(B.data() + 4);
  if (count == 0 || n < 6 + 16 * size_t(count)) return false;
  for (unsigned i = 0; i < count; ++i) {
    const uint8_t* e = B.data() + 6 + 16 * i;
    const uint32_t size = le32(e + 8), off = le32(e + 12);
    if (off >= n || size > n - off) return false;
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (size >= 8 && std::memcmp(B.data() + off, png, 8) == 0) continue;
    if (!wholeDib(B.data() + off, size, 0, true)) return false;
  }
  return true;
}

}  // namespace

void THtImageGDI::LoadFromBytes(const THtBytes& ABytes, bool InLoader) {
  THtImage::LoadFromBytes(ABytes, InLoader);
  if (ABytes.size() < 10) return;
  try {
    FSourceStream = std::make_unique<TMemoryStream>(ABytes.data(), ABytes.size());
    std::unique_ptr<gdi::TBitmap> made;
    bool alpha = false;
    std::unique_ptr<THtBitmapData> data;
    switch (Kind) {
      case hikBMP:
      case hikIcon: {
        core::TCoreImage img;
        if (wholeBitmapFile(ABytes, Kind) && core::DecodeImage(ABytes.data(), ABytes.size(), img) && !img.Frames.empty() && img.Width > 0 &&
            img.Height > 0)
          made = bitmapOf(img, alpha);
        break;
      }
      case hikJPEG:
      case hikPNG:
      case hikGIF:
        if (auto conv = THtDocumentConverter::ImageConverter()) {
          data = Kind == hikJPEG ? conv->JPEGtoBitmapData(ABytes)
                 : Kind == hikPNG ? conv->PNGtoBitmapData(ABytes)
                                  : conv->GIFtoBitmapData(ABytes);
        }
        break;
      default:
        // Metafiles (our recorded pages are not that format), SVG (the
        // document renders it) and TIFF are not decoded here.
        break;
    }
    if (!made && data) made = bitmapOf(*data, Kind == hikPNG, alpha);
    if (made) {
      Bitmap = std::move(made);
      AlphaPremultiplied = alpha;
    }
  } catch (...) {
  }
  Loaded = Bitmap != nullptr;
  Width = Bitmap ? Bitmap->Width() : 0;
  Height = Bitmap ? Bitmap->Height() : 0;
}

std::unique_ptr<THtBitmapData> CoreImageConverter::decode(const THtBytes& ABytes) {
  core::TCoreImage img;
  if (!core::DecodeImage(ABytes.data(), ABytes.size(), img) || img.Frames.empty() || img.Width <= 0 ||
      img.Height <= 0)
    return nullptr;
  std::vector<uint8_t> rows(img.Frames[0].Bits.begin(), img.Frames[0].Bits.end());
  // The converter hands straight colours.
  for (size_t i = 0; i + 3 < rows.size(); i += 4) {
    const unsigned a = rows[i + 3];
    if (a == 0 || a == 255) continue;
    for (int k = 0; k < 3; ++k) rows[i + size_t(k)] = uint8_t(std::min(255u, (rows[i + size_t(k)] * 255 + a / 2) / a));
  }
  auto data = std::make_unique<THtBitmapData>(0, 0, 32);
  data->SetData(std::move(rows), img.Width, img.Height, 32);
  return data;
}

// ---------------------------------------------------------------- pages

THtObject* THtPageGDI::AsMetaFile() {
  if (MetaFile) return MetaFile.get();
  const int w = RoundHalfEven(WidthMM * DPI / 25.4), h = RoundHalfEven(HeightMM * DPI / 25.4);
  gdi::HDC dc = gdi::CreateEnhMetaFileW(nullptr, w, h);
  gdi::SetGraphicsMode(dc, gdi::GM_ADVANCED);
  gdi::ModifyWorldTransform(dc, nullptr, gdi::MWT_IDENTITY);
  try {
    gdi::TCanvas target(dc);
    THtCanvasGDI canvas;
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, WidthPx, HeightPx), &target);
    canvas.BeginScene(scene);
    if (Meta) Meta->Play(&canvas, 1.0f);
    canvas.EndScene();
  } catch (...) {
    gdi::DeleteEnhMetaFile(gdi::CloseEnhMetaFile(dc));
    throw;
  }
  MetaFile = std::make_unique<THtMetafileGDI>(gdi::CloseEnhMetaFile(dc));
  return MetaFile.get();
}

THtBytes THtPageGDI::AsMetaFileBytes() {
  AsMetaFile();
  return gdi::GetEnhMetaFileBits(MetaFile->Handle);
}

// ---------------------------------------------------------------- printing

bool THtMetaCanvasGDI::Print(THtObject* PrintDialog, StringView Title) {
  return PrintMetaGDI(PrintDialog, this, Title);
}

bool PrintMetaGDI(THtObject* PrintDialog, THtMetaCanvas* Source, StringView Title,
                  const THtPrintMetaOptions& Options) {
  if (!Source) return false;
  const int count = Source->PageCount();
  int first = 1, last = count, copies = 1;
  if (auto* dlg = dynamic_cast<gdi::TPrintDialog*>(PrintDialog)) {
    dlg->MinPage = 1;
    dlg->MaxPage = dlg->ToPage = count;
    dlg->FromPage = 1;
    if (!dlg->Execute()) return false;
    if (dlg->PageNumsRange) first = std::max(dlg->FromPage, 1), last = std::min(dlg->ToPage, count);
    copies = dlg->Copies;
  }
  gdi::TPrinter& P = gdi::Printer();
  if (Options.PrinterCopiesToOne) P.Copies = 1;  // every copy is a document of its own
  auto orientation = [](int W, int H) { return H < W ? gdi::poLandscape : gdi::poPortrait; };
  bool printed = false;
  for (int copy = 0; copy < copies; ++copy) {
    P.Orientation = orientation(Source->PageWidthPixels(), Source->PageHeightPixels());
    P.Title = Title.empty() ? String(u"Unnamed") : String(Title);
    P.BeginDoc();
    if (!P.Printing()) break;
    try {
      // A new printer page only after a page of the same document: a
      // document begun for a change of orientation starts on its own sheet.
      bool sheetUsed = false;
      for (int i = first - 1; i <= last - 1; ++i) {
        auto* page = dynamic_cast<THtPageMeta*>(Source->GetPage(i));
        if (!page) continue;
        const gdi::TPrinterOrientation o = orientation(page->WidthPx, page->HeightPx);
        if (o != P.Orientation) {
          // A document with nothing on it yet is dropped, not printed blank.
          if (sheetUsed)
            P.EndDoc();
          else
            P.Abort();
          P.Orientation = o;
          P.BeginDoc();
          sheetUsed = false;
        }
        if (i > 0 && sheetUsed) P.NewPage();
        THtCanvasGDI canvas;
        canvas.FAllowGDIP = false;
        canvas.PrintMode = true;
        if (Options.Fonts) canvas.SetFontCollection(Options.Fonts);
        gdi::TCanvas target(P.Handle());
        THtCanvasScene scene;
        scene.Init(TRect(0, 0, P.PageWidth(), P.PageHeight()), &target);
        const double logX = P.GetDeviceCaps(gdi::LOGPIXELSX);
        scene.Scale = Options.DeviceScale
                          ? float(logX / 96)
                          : float(P.GetDeviceCaps(gdi::HORZSIZE) /
                                  (P.GetDeviceCaps(gdi::PHYSICALWIDTH) / logX * 25.4) * logX / 96);
        canvas.BeginScene(scene);
        if (page->Meta) page->Meta->Play(&canvas, 1.0f);
        canvas.EndScene();
        sheetUsed = true;
      }
    } catch (...) {
      P.EndDoc();
      throw;
    }
    P.EndDoc();
    printed = true;
  }
  return printed;
}

}  // namespace ht
