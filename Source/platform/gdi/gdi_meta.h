#pragma once
// Metafiles and printing of the GDI facade. A metafile is our own list of
// page records: drawing segments (cairo recording surfaces, replayable on
// any target) and text records that keep the characters a caller handed
// along with its glyphs, so the text of a recorded page can still be found
// and changed. Printing records each sheet as a metafile and hands the
// finished job to a print sink: by default one writing a PDF file; a host
// installs its own.
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/rtl/object.h"

namespace ht::gdi {

class TGdiMetaFile;
using HENHMETAFILE = TGdiMetaFile*;

struct TMetaTextRecord {
  String Text;                    // the characters
  std::vector<uint32_t> Glyphs;
  std::vector<UINT> GlyphOfChar;  // per character: its cluster's first glyph
  std::vector<TPointF> Positions; // baseline positions, one per glyph
  std::shared_ptr<core::TCoreFontFace> Face;
  double EmPixels = 0;
  core::TCorePaint Paint;
  core::TCoreMatrix Matrix;           // user to page space
  std::vector<TRect> DcClip;          // page space; used when HasDcClip
  bool HasDcClip = false;
  std::vector<core::TCorePath> Clip;  // page space
  bool Antialias = true;
};

constexpr DWORD EMR_CAIRO_SEGMENT = 1000, EMR_EXTTEXTOUTW = 84;

struct TMetaRecord {
  DWORD iType = EMR_CAIRO_SEGMENT;
  TGdiBitmap* Segment = nullptr;          // drawing segment (owned by the metafile)
  std::unique_ptr<TMetaTextRecord> Text;  // EMR_EXTTEXTOUTW
};

class TGdiMetaFile : public TGdiObject {
 public:
  TGdiMetaFile(int W, int H);
  ~TGdiMetaFile() override;
  int Width, Height;  // pixels
  std::vector<TMetaRecord> Records;
  std::vector<std::unique_ptr<TGdiBitmap>> Segments;
  HDC Dc = nullptr;  // while recording
  // Ends the drawing segment being recorded and starts a new one, so that a
  // record appended now keeps its place in the drawing order.
  TGdiBitmap* Cut();
};

// A DC recording a metafile of W x H pixels.
HDC CreateEnhMetaFileW(HDC Ref, int W, int H);
// Ends recording: the DC is freed and the metafile returned.
HENHMETAFILE CloseEnhMetaFile(HDC Dc);
BOOL DeleteEnhMetaFile(HENHMETAFILE Mf);
// Replays the records into R (scaled from the metafile's size).
BOOL PlayEnhMetaFile(HDC Dc, HENHMETAFILE Mf, const RECT* R);
void PlayEnhMetaFileOn(core::TCoreContext& C, HENHMETAFILE Mf, const core::TCoreMatrix& M);
// Calls Proc for every record in order; Proc returns 0 to stop.
using ENHMFENUMPROC = std::function<int(HENHMETAFILE, TMetaRecord&)>;
BOOL EnumEnhMetaFile(HDC Dc, HENHMETAFILE Mf, const ENHMFENUMPROC& Proc);
// Our own file format (not EMF): "HTMF", width, height, then per record its
// type and, for drawing segments, a PNG of the segment; for text, the
// characters, glyphs and positions.
std::vector<uint8_t> GetEnhMetaFileBits(HENHMETAFILE Mf);
// The metafile DC a DC records into, null for others.
TGdiMetaFile* MetaOf(HDC Dc);

// ---- printing
enum TPrinterOrientation { poPortrait, poLandscape };

struct TPrintedPage {
  std::unique_ptr<TGdiMetaFile> Meta;
  TPrinterOrientation Orientation = poPortrait;
};

struct TPrintJob {
  String Title;
  std::vector<TPrintedPage> Pages;
};

class TPrintSink {
 public:
  virtual ~TPrintSink() = default;
  // False when the job could not be printed.
  virtual bool Print(TPrintJob& Job) = 0;
};

// Writes each job to a PDF file: FileName, or the title with ".pdf" in the
// working folder. Keeps a log line per job: "<title>: <n> pages".
class TPdfPrintSink : public TPrintSink {
 public:
  explicit TPdfPrintSink(std::string AFileName = {}) : FileName(std::move(AFileName)) {}
  bool Print(TPrintJob& Job) override;
  std::string FileName;
  std::vector<std::string> Log;
};

// A link or link target on a page of a written PDF, in page pixels: a
// target named Name when IsAnchor, else a link to Name (a "#name" link goes
// to the target of that name, anything else is a URI).
struct TPdfLink {
  TRectF R;
  String Name;
  bool IsAnchor = false;
};

// Writes pages as one PDF, each at its own size (page pixels at 96 per
// inch), with the links of each page (Links may be shorter than Pages).
// The bytes go to Write, which answers false to stop. False when cairo
// fails or Write stopped. The print sink and the PDF exporter share it.
using TPdfWriteFunc = std::function<bool(const unsigned char* Data, unsigned Length)>;
bool WritePdfPages(const std::vector<TPrintedPage>& Pages, const std::vector<std::vector<TPdfLink>>& Links,
                   StringView Title, const TPdfWriteFunc& Write);

void SetPrintSink(std::shared_ptr<TPrintSink> Sink);
// The installed sink (a TPdfPrintSink until a host installs another).
std::shared_ptr<TPrintSink> GetPrintSink();

// Device capabilities of the printer (GetDeviceCaps).
constexpr int HORZSIZE = 4, VERTSIZE = 6, LOGPIXELSX = 88, LOGPIXELSY = 90, PHYSICALWIDTH = 110,
              PHYSICALHEIGHT = 111;

// The process's printer: an A4 sheet at 96 pixels per inch, all printable.
class TPrinter {
 public:
  String Title;
  TPrinterOrientation Orientation = poPortrait;
  int Copies = 1;
  // False: the sheets answer that they cannot blend (SHADEBLENDCAPS 0), as
  // some printers do, so that callers take their opaque routes.
  bool CanAlphaBlend = true;
  void BeginDoc();
  void NewPage();
  // Hands the job to the sink; false when nothing was printing.
  bool EndDoc();
  void Abort();
  bool Printing() const { return FPrinting; }
  // The DC of the current sheet (a metafile DC).
  HDC Handle() const { return FDc; }
  int PageWidth() const;
  int PageHeight() const;
  int GetDeviceCaps(int Index) const;
  // Jobs handed to the sink so far (tests read it).
  int JobCount = 0;

 private:
  void closeSheet();
  void newSheet();
  bool FPrinting = false;
  HDC FDc = nullptr;
  TPrintJob FJob;
};

TPrinter& Printer();

// What a print dialog offers; a host installs a real one.
class TPrintDialog : public THtObject {
 public:
  // False when cancelled.
  virtual bool Execute() = 0;
  int MinPage = 0, MaxPage = 0, FromPage = 0, ToPage = 0, Copies = 1;
  bool PageNumsRange = false;  // the user chose a page range
};

}  // namespace ht::gdi
