// Metafiles as our own page records, the printer and the PDF print sink.
#include "platform/gdi/gdi_meta.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <mutex>

#include "platform/core/core_image.h"

namespace ht::gdi {

namespace {

std::unique_ptr<TGdiBitmap> newSegment(int W, int H) {
  cairo_rectangle_t extents{0, 0, double(std::max(W, 1)), double(std::max(H, 1))};
  return std::make_unique<TGdiBitmap>(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents), W, H);
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

TGdiMetaFile::TGdiMetaFile(int W, int H) : Width(std::max(W, 0)), Height(std::max(H, 0)) {}
TGdiMetaFile::~TGdiMetaFile() = default;

TGdiBitmap* TGdiMetaFile::Cut() {
  if (!Segments.empty()) {
    TMetaRecord r;
    r.Segment = Segments.back().get();
    Records.push_back(std::move(r));
  }
  TGdiBitmap* old = Segments.empty() ? nullptr : Segments.back().get();
  Segments.push_back(newSegment(Width, Height));
  if (Dc) {
    // Saved states follow too: restoring one must not bring back a
    // segment that is already a record.
    Dc->Bitmap = Segments.back().get();
    for (auto& st : Dc->States)
      if (st.Bitmap == old) st.Bitmap = Dc->Bitmap;
  }
  return Segments.back().get();
}

TGdiMetaFile* MetaOf(HDC Dc) { return Dc ? Dc->Meta : nullptr; }

HDC CreateEnhMetaFileW(HDC, int W, int H) {
  auto* mf = new TGdiMetaFile(W, H);
  HDC dc = CreateCompatibleDC(nullptr);
  dc->Meta = mf;
  mf->Dc = dc;
  mf->Cut();
  return dc;
}

HENHMETAFILE CloseEnhMetaFile(HDC Dc) {
  TGdiMetaFile* mf = MetaOf(Dc);
  if (!mf) return nullptr;
  // The last segment becomes a record; the DC goes.
  TMetaRecord r;
  r.Segment = mf->Segments.back().get();
  mf->Records.push_back(std::move(r));
  mf->Dc = nullptr;
  Dc->Meta = nullptr;
  Dc->Bitmap = nullptr;
  DeleteDC(Dc);
  return mf;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE Mf) {
  if (!Mf || Mf->Dc) return 0;
  delete Mf;
  return 1;
}

void PlayEnhMetaFileOn(core::TCoreContext& C, HENHMETAFILE Mf, const core::TCoreMatrix& M) {
  if (!Mf) return;
  for (TMetaRecord& r : Mf->Records) {
    C.Save();
    C.SetMatrix(M);
    if (r.Segment) {
      core::TCorePaint p;
      p.Kind = core::pkSurface;
      p.Surface = &r.Segment->Surface;
      p.ExtendX = p.ExtendY = core::exNone;
      C.Paint(p);
    } else if (r.Text && r.Text->Face) {
      const TMetaTextRecord& t = *r.Text;
      if (t.HasDcClip) {
        core::TCorePath clip;
        clip.FillRule = core::frWinding;
        for (const TRect& c : t.DcClip)
          clip.Rectangle(float(c.Left), float(c.Top), float(c.Right - c.Left), float(c.Bottom - c.Top));
        C.ClipPath(clip);
      }
      for (const auto& c : t.Clip) C.ClipPath(c);
      C.SetMatrix(M.After(t.Matrix));
      C.SetAntialias(t.Antialias);
      core::DrawGlyphRun(C, *t.Face, float(t.EmPixels), t.Glyphs.data(), t.Positions.data(), int(t.Glyphs.size()),
                         t.Paint);
    }
    C.Restore();
  }
}

BOOL PlayEnhMetaFile(HDC Dc, HENHMETAFILE Mf, const RECT* R) {
  if (!Dc || !Mf || !R || !Dc->Bitmap) return 0;
  if (GdiTrace().Enabled) GdiTrace().Add("PlayEnhMetaFile");
  core::TCoreContext c(Dc->Bitmap->Surface);
  std::vector<TRect> clip;
  if (Dc->ClipRects(clip)) c.ClipDeviceRects(clip);
  const double sx = Mf->Width ? double(R->right - R->left) / Mf->Width : 1;
  const double sy = Mf->Height ? double(R->bottom - R->top) / Mf->Height : 1;
  PlayEnhMetaFileOn(c, Mf, core::TCoreMatrix{sx, 0, 0, sy, double(R->left), double(R->top)});
  return 1;
}

BOOL EnumEnhMetaFile(HDC, HENHMETAFILE Mf, const ENHMFENUMPROC& Proc) {
  if (!Mf || !Proc) return 0;
  for (TMetaRecord& r : Mf->Records)
    if (!Proc(Mf, r)) return 0;
  return 1;
}

std::vector<uint8_t> GetEnhMetaFileBits(HENHMETAFILE Mf) {
  std::vector<uint8_t> out;
  if (!Mf) return out;
  out = {'H', 'T', 'M', 'F'};
  put32(out, uint32_t(Mf->Width));
  put32(out, uint32_t(Mf->Height));
  put32(out, uint32_t(Mf->Records.size()));
  for (TMetaRecord& r : Mf->Records) {
    put32(out, r.Segment ? EMR_CAIRO_SEGMENT : EMR_EXTTEXTOUTW);
    std::vector<uint8_t> data;
    if (r.Segment) {
      core::TCoreSurface s(Mf->Width, Mf->Height);
      {
        core::TCoreContext c(s);
        core::TCorePaint p;
        p.Kind = core::pkSurface;
        p.Surface = &r.Segment->Surface;
        p.ExtendX = p.ExtendY = core::exNone;
        c.Paint(p);
      }
      s.Flush();
      std::vector<uint8_t> rows(size_t(Mf->Width) * size_t(Mf->Height) * 4);
      for (int y = 0; y < Mf->Height; ++y)
        std::memcpy(rows.data() + size_t(y) * Mf->Width * 4, s.ScanLine(y), size_t(Mf->Width) * 4);
      data = core::EncodePNG(rows.data(), Mf->Width, Mf->Height);
    } else if (r.Text) {
      put32(data, uint32_t(r.Text->Text.size()));
      for (char16_t c : r.Text->Text) data.push_back(uint8_t(c)), data.push_back(uint8_t(c >> 8));
      put32(data, uint32_t(r.Text->Glyphs.size()));
      for (size_t i = 0; i < r.Text->Glyphs.size(); ++i) {
        put32(data, r.Text->Glyphs[i]);
        uint32_t x, y;
        std::memcpy(&x, &r.Text->Positions[i].X, 4);
        std::memcpy(&y, &r.Text->Positions[i].Y, 4);
        put32(data, x);
        put32(data, y);
      }
    }
    put32(out, uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

// ---------------------------------------------------------------- print sinks

namespace {

cairo_status_t pdfWrite(void* Closure, const unsigned char* Data, unsigned Length) {
  return (*static_cast<const TPdfWriteFunc*>(Closure))(Data, Length) ? CAIRO_STATUS_SUCCESS
                                                                      : CAIRO_STATUS_WRITE_ERROR;
}

// A tag attribute string: quotes and backslashes escaped.
std::string tagText(StringView S) {
  std::string out;
  for (char c : StringToUtf8(S)) {
    if (c == '\'' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::string num(double V) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", std::isfinite(V) ? V : 0.0);
  return buf;
}

void addLinks(cairo_t* cr, const std::vector<TPdfLink>& Links, double Pt) {
  for (const TPdfLink& l : Links) {
    if (l.Name.empty()) continue;
    if (l.IsAnchor) {
      const std::string a = "name='" + tagText(l.Name) + "' x=" + num(l.R.Left * Pt) + " y=" + num(l.R.Top * Pt);
      cairo_tag_begin(cr, CAIRO_TAG_DEST, a.c_str());
      cairo_tag_end(cr, CAIRO_TAG_DEST);
      continue;
    }
    const std::string rect = " rect=[" + num(l.R.Left * Pt) + " " + num(l.R.Top * Pt) + " " +
                             num((l.R.Right - l.R.Left) * Pt) + " " + num((l.R.Bottom - l.R.Top) * Pt) + "]";
    const std::string a = l.Name[0] == u'#' ? "dest='" + tagText(StringView(l.Name).substr(1)) + "'" + rect
                                            : "uri='" + tagText(l.Name) + "'" + rect;
    cairo_tag_begin(cr, CAIRO_TAG_LINK, a.c_str());
    cairo_tag_end(cr, CAIRO_TAG_LINK);
  }
}

}  // namespace

bool WritePdfPages(const std::vector<TPrintedPage>& Pages, const std::vector<std::vector<TPdfLink>>& Links,
                   StringView Title, const TPdfWriteFunc& Write) {
  if (Pages.empty()) return false;
  const double pt = 72.0 / 96;
  const TGdiMetaFile* first = Pages[0].Meta.get();
  cairo_surface_t* pdf =
      cairo_pdf_surface_create_for_stream(pdfWrite, const_cast<TPdfWriteFunc*>(&Write), first->Width * pt, first->Height * pt);
  if (cairo_surface_status(pdf) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(pdf);
    return false;
  }
  cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_TITLE, StringToUtf8(Title).c_str());
  cairo_t* cr = cairo_create(pdf);
  {
    core::TCoreContext c(cr);
    for (size_t i = 0; i < Pages.size(); ++i) {
      const TGdiMetaFile* meta = Pages[i].Meta.get();
      cairo_pdf_surface_set_size(pdf, meta->Width * pt, meta->Height * pt);
      PlayEnhMetaFileOn(c, const_cast<TGdiMetaFile*>(meta), core::TCoreMatrix::Scaling(pt, pt));
      if (i < Links.size()) {
        cairo_save(cr);
        cairo_identity_matrix(cr);
        addLinks(cr, Links[i], pt);
        cairo_restore(cr);
      }
      cairo_show_page(cr);
    }
  }
  cairo_destroy(cr);
  cairo_surface_finish(pdf);
  const bool ok = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(pdf);
  return ok;
}

bool TPdfPrintSink::Print(TPrintJob& Job) {
  if (Job.Pages.empty()) return false;
  std::string name = FileName;
  if (name.empty()) name = StringToUtf8(Job.Title) + ".pdf";
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return false;
  const TPdfWriteFunc write = [f](const unsigned char* Data, unsigned Length) {
    return std::fwrite(Data, 1, Length, f) == Length;
  };
  bool ok = WritePdfPages(Job.Pages, {}, Job.Title, write);
  ok = std::fclose(f) == 0 && ok;
  Log.push_back(StringToUtf8(Job.Title) + ": " + std::to_string(Job.Pages.size()) + " pages");
  return ok;
}

namespace {
std::mutex sinkLock;
std::shared_ptr<TPrintSink>& sinkRef() {
  static std::shared_ptr<TPrintSink> sink = std::make_shared<TPdfPrintSink>();
  return sink;
}
}  // namespace

void SetPrintSink(std::shared_ptr<TPrintSink> Sink) {
  std::lock_guard<std::mutex> g(sinkLock);
  sinkRef() = Sink ? std::move(Sink) : std::make_shared<TPdfPrintSink>();
}

std::shared_ptr<TPrintSink> GetPrintSink() {
  std::lock_guard<std::mutex> g(sinkLock);
  return sinkRef();
}

// ---------------------------------------------------------------- printer

int TPrinter::PageWidth() const { return Orientation == poPortrait ? 794 : 1123; }
int TPrinter::PageHeight() const { return Orientation == poPortrait ? 1123 : 794; }

int TPrinter::GetDeviceCaps(int Index) const {
  switch (Index) {
    case HORZSIZE: return Orientation == poPortrait ? 210 : 297;
    case VERTSIZE: return Orientation == poPortrait ? 297 : 210;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case PHYSICALWIDTH:
    case 8 /* HORZRES */: return PageWidth();
    case PHYSICALHEIGHT:
    case 10 /* VERTRES */: return PageHeight();
    case 2 /* TECHNOLOGY */: return 2 /* DT_RASPRINTER */;
  }
  return 0;
}

void TPrinter::newSheet() {
  FDc = CreateEnhMetaFileW(nullptr, PageWidth(), PageHeight());
  FDc->DeviceCaps = [this](int Index) { return GetDeviceCaps(Index); };
  FDc->ShadeBlendCaps = CanAlphaBlend ? 0x11 : 0;
}

void TPrinter::BeginDoc() {
  if (FPrinting) return;
  FJob = TPrintJob();
  FJob.Title = Title;
  FPrinting = true;
  newSheet();
}

void TPrinter::closeSheet() {
  if (!FDc) return;
  TPrintedPage page;
  page.Meta.reset(CloseEnhMetaFile(FDc));
  page.Orientation = Orientation;
  FDc = nullptr;
  FJob.Pages.push_back(std::move(page));
}

void TPrinter::NewPage() {
  if (!FPrinting) return;
  closeSheet();
  newSheet();
}

bool TPrinter::EndDoc() {
  if (!FPrinting) return false;
  closeSheet();
  FPrinting = false;
  ++JobCount;
  TPrintJob job = std::move(FJob);
  FJob = TPrintJob();
  return GetPrintSink()->Print(job);
}

void TPrinter::Abort() {
  if (FDc) DeleteEnhMetaFile(CloseEnhMetaFile(FDc));
  FDc = nullptr;
  FPrinting = false;
  FJob = TPrintJob();
}

TPrinter& Printer() {
  static TPrinter printer;
  return printer;
}

}  // namespace ht::gdi
