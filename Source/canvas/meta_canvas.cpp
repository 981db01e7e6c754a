#include "canvas/meta_canvas.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "canvas/exporters.h"
#include "canvas/image.h"
#include "canvas/path_records.h"
#include "markup/str_utils.h"

namespace ht {

const THtCanvasClass* HtRefCanvasClass = nullptr;

namespace {

// Vector images free a display list they own through this.
const bool metaListDeleterInstalled = [] {
  THtImage::MetaListDeleter = [](THtMetaList* L) { delete L; };
  return true;
}();

const String kPageCountPlaceholder = u"$$|$#";

}  // namespace

// ---------------------------------------------------------------------------
// THtMetaList

THtMetaList::THtMetaList(bool AOwnsObjects) : FRecs(AOwnsObjects) {}

THtMetaCanvasRec* THtMetaList::Add(THtMetaCanvasRec* ARec) {
  FRecs.Add(ARec);
  return ARec;
}

void THtMetaList::Play(THtCanvas* ACanvas, float AOpacity) {
  for (THtMetaCanvasRec* rec : FRecs) {
    if (OnDrawRecord) OnDrawRecord(rec, ACanvas, AOpacity, Page);
    rec->Draw(ACanvas, AOpacity);
  }
}

void THtMetaList::Unify() {
  for (THtMetaCanvasRec* rec : FRecs) rec->Unify();
}

// ---------------------------------------------------------------------------
// THtPageMeta

const THtPageClass THtPageMeta::ClassType{"THtPageMeta", &THtPage::ClassType,
                                          &CreateInstance<THtPageMeta, THtPage, float, float, int, int>};

THtPageMeta::THtPageMeta(float AWidthMM, float AHeightMM, int ANumber, int ADPI)
    : THtPage(AWidthMM, AHeightMM, ANumber, ADPI), Meta(std::make_unique<THtMetaList>(true)) {
  Meta->Page = ANumber - 1;
}

std::unique_ptr<THtImage> THtPageMeta::AsImage(int, int DPI) {
  const float d = DPI == 0 ? 96.0f : float(DPI);
  auto img = std::make_unique<THtImage>();
  img->IsVector = true;
  img->MetaList = Meta.get();
  img->ListShared = true;
  img->Loaded = true;
  img->Width = int(std::lrint(d * WidthMM / 25.4f));
  img->Height = int(std::lrint(d * HeightMM / 25.4f));
  return img;
}

THtBytes THtPageMeta::AsMetaFileBytes() { return THtBytes(); }

// ---------------------------------------------------------------------------
// THtMetaCanvasClass

const THtCanvasClass* THtMetaCanvasClass::RefCanvas() const {
  if (HtRefCanvasClass) return HtRefCanvasClass;
  if (HtDefaultCanvasClass) return HtDefaultCanvasClass;
  return &THtCanvas::ClassType;
}

THtCanvasFlags THtMetaCanvasClass::GetFlags() const {
  return RefCanvas()->GetFlags() - THtCanvasFlags{hcfNeedBuffer, hcfSupportsTextLayouts};
}

// ---------------------------------------------------------------------------
// THtMetaCanvas

const THtMetaCanvasClass THtMetaCanvas::ClassType{"THtMetaCanvas", &THtCanvas::ClassType,
                                                  &CreateInstance<THtMetaCanvas, THtCanvas>};

THtMetaCanvas::THtMetaCanvas() { (void)metaListDeleterInstalled; }

THtMetaCanvas::~THtMetaCanvas() = default;

void THtMetaCanvas::addRec(THtMetaCanvasRec* ARec) {
  std::unique_ptr<THtMetaCanvasRec> rec(ARec);
  // Without a scene or paging there is no list to record into.
  if (!FList) return;
  FList->Add(rec.release());
}

std::unique_ptr<THtMetaList> THtMetaCanvas::DetachList() {
  if (FList == FOwnList.get()) FList = nullptr;
  return std::move(FOwnList);
}

void THtMetaCanvas::DrawPath(THtPen* Pen, THtPath* Path) {
  addRec(std::make_unique<THtMetaPathRec>(Path, nullptr, Pen, false));
}

void THtMetaCanvas::FillPath(THtBrush* Brush, THtPath* Path) {
  addRec(std::make_unique<THtMetaPathRec>(Path, Brush, nullptr, true));
}

void THtMetaCanvas::IntersectClip(const TRectF& R) { addRec(std::make_unique<THtMetaClipRec>(R, nullptr)); }

void THtMetaCanvas::IntersectClip(THtPath* ClipPath) {
  addRec(std::make_unique<THtMetaClipRec>(TRectF(), ClipPath));
}

void THtMetaCanvas::FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) {
  addRec(std::make_unique<THtMetaEllipseRec>(X, Y, w, h, Brush, nullptr));
}

void THtMetaCanvas::DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) {
  addRec(std::make_unique<THtMetaEllipseRec>(X, Y, w, h, nullptr, Pen));
}

void THtMetaCanvas::FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) {
  addRec(std::make_unique<THtMetaRectRec>(X, Y, w, h, Brush, nullptr));
}

void THtMetaCanvas::DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) {
  addRec(std::make_unique<THtMetaRectRec>(X, Y, w, h, nullptr, Pen));
}

void THtMetaCanvas::FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY) {
  auto rec = std::make_unique<THtMetaRectRec>(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top, Brush, nullptr);
  rec->Rounded = true;
  rec->Rx = RadiusX;
  rec->Ry = RadiusY;
  addRec(std::move(rec));
}

void THtMetaCanvas::RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) {
  auto rec = std::make_unique<THtMetaRectRec>(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top, nullptr, Pen);
  rec->Rounded = true;
  rec->Rx = RadiusX;
  rec->Ry = RadiusY;
  addRec(std::move(rec));
}

void THtMetaCanvas::DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) {
  if (!Pen) return;
  addRec(std::make_unique<THtMetaLineRec>(Pen, x1, y1, x2, y2));
}

void THtMetaCanvas::DrawImage(THtImage* Image, const TRectF& R, float Opacity) {
  if (!Image) return;
  addRec(std::make_unique<THtMetaImageRec>(Image, TRectF(0, 0, float(Image->Width), float(Image->Height)), R,
                                           Opacity));
}

void THtMetaCanvas::FillImage(const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                              const TElementBackground& Background, float Opacity, float Radius) {
  addRec(std::make_unique<THtMetaFillImageRec>(R, Image, OriginDeltaX, OriginDeltaY, Background, Opacity, Radius));
}

bool THtMetaCanvas::textPart(StringView s, int AFirstChar, int ALength, String& Part) const {
  const size_t first = size_t(std::max(AFirstChar, 1) - 1);
  if (first >= s.size()) return false;
  const size_t len = ALength < 0 ? s.size() - first : std::min(size_t(ALength), s.size() - first);
  if (len == 0) return false;
  Part = String(s.substr(first, len));
  return true;
}

void THtMetaCanvas::DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                               int AFirstChar, int ALength) {
  if (TextStyle.Opacity == 0 || (TextStyle.Color >> 24) == 0) return;
  String part;
  if (!textPart(s, AFirstChar, ALength, part)) return;
  addRec(std::make_unique<THtMetaTextRec>(part, R, Font, TextStyle));
}

void THtMetaCanvas::DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                                 const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke, int AFirstChar,
                                 int ALength) {
  if (TextStyle.Opacity == 0) return;
  String part;
  if (!textPart(s, AFirstChar, ALength, part)) return;
  addRec(std::make_unique<THtMetaTextExRec>(part, R, Font, TextStyle, ASpacing, AFill, AStroke));
}

void THtMetaCanvas::DrawLink(const TRectF& R, StringView Href, bool IsAnchor) {
  addRec(std::make_unique<THtMetaLinkRec>(R, Href, IsAnchor));
}

void THtMetaCanvas::DrawShadow(THtPath* Path, const THtShadowProps& Props) {
  addRec(std::make_unique<THtMetaShadowRec>(Path, Props));
}

void THtMetaCanvas::MatrixTransform(const THtMatrixData& M, bool Add) {
  if (Add) {
    addRec(std::make_unique<THtMetaMatrixRec>(M));
  } else {
    // The change from the current matrix to M, so that a replay (which
    // always composes) lands on M relative to wherever it started.
    THtMatrixData change = FCurrentMatrix;
    change.Inverse();
    change.Multiply(M);
    addRec(std::make_unique<THtMetaMatrixRec>(change));
  }
  THtCanvas::MatrixTransform(M, Add);
}

void THtMetaCanvas::SaveState() {
  THtCanvas::SaveState();
  addRec(std::make_unique<THtMetaStateRec>(true));
}

void THtMetaCanvas::RestoreState() {
  THtCanvas::RestoreState();
  addRec(std::make_unique<THtMetaStateRec>(false));
}

void THtMetaCanvas::BeginScene(const THtCanvasScene& AScene) {
  THtCanvas::BeginScene(AScene);
  if (!FList) {
    FOwnList = std::make_unique<THtMetaList>(true);
    FList = FOwnList.get();
  }
  if (std::fabs(Scene.Scale - 1) > 1e-4f) ScaleTransform(Scene.Scale, Scene.Scale);
  if (Scene.ViewPort.Left != 0 || Scene.ViewPort.Top != 0)
    TranslateTransform(float(Scene.ViewPort.Left), float(Scene.ViewPort.Top));
}

void THtMetaCanvas::NewPage(TCSSOrientation Orientation) {
  THtCanvas::NewPage(Orientation);
  auto* page = dynamic_cast<THtPageMeta*>(fPages.back().get());
  if (!page) throw EInvalidCast(String(u"Invalid class typecast"));
  FList = page->Meta.get();
}

void THtMetaCanvas::EndPaging() {
  THtCanvas::EndPaging();
  const String count = AsciiToString(std::to_string(PageCount()));
  for (auto& page : fPages) {
    auto* meta = dynamic_cast<THtPageMeta*>(page.get());
    if (!meta) continue;
    for (THtMetaCanvasRec* rec : *meta->Meta) {
      // Only plain text: text drawn with fill and stroke keeps its text.
      if (typeid(*rec) != typeid(THtMetaTextRec)) continue;
      auto* text = static_cast<THtMetaTextRec*>(rec);
      if (text->Text.find(kPageCountPlaceholder) != String::npos)
        text->Text = FastReplaceStr(text->Text, kPageCountPlaceholder, count);
    }
  }
}

void THtMetaCanvas::AddPages(THtMetaCanvas& Source) {
  for (auto& page : Source.fPages)
    if (!dynamic_cast<THtPageMeta*>(page.get())) throw EInvalidCast(String(u"Invalid class typecast"));
  for (auto& page : Source.fPages) {
    static_cast<THtPageMeta*>(page.get())->Meta->Unify();
    fPages.push_back(std::move(page));
  }
  Source.fPages.clear();
  // Source no longer has the page it was recording into.
  Source.FList = Source.FOwnList.get();
}

void THtMetaCanvas::MultipageSheetSize(int& W, int& H) const {
  const int pw = FPageWidthPixels, ph = FPageHeightPixels;
  if ((FMultipageOrientation == coLandscape) == (pw > ph)) {
    W = pw;
    H = ph;
  } else {
    W = ph;
    H = pw;
  }
}

void THtMetaCanvas::BuildMultipages() {
  Multipages.clear();
  const int hp = std::max(FHPages, 1), vp = std::max(FVPages, 1);
  const int n = hp * vp;
  int sw, sh;
  MultipageSheetSize(sw, sh);
  const double longer = std::max(FPageWidthPixels, FPageHeightPixels);
  const double shorter = std::min(FPageWidthPixels, FPageHeightPixels);
  const float s = n == 4 ? 0.5f : longer > 0 ? float(shorter / longer) : 1.0f;
  THtMetaList* sheet = nullptr;
  for (int i = 0; i < PageCount(); ++i) {
    const int c = i % n;
    if (c == 0) {
      Multipages.push_back(std::make_unique<THtMetaList>(false));
      sheet = Multipages.back().get();
    }
    THtMatrixData m;
    m.Init(s, 0, 0, s, float(sw) / float(hp) * float(c % hp), float(sh) / float(vp) * float(c / hp));
    // The sheet frees the records made for it, never the page's records.
    sheet->Add(std::make_unique<THtMetaStateRec>(true));
    sheet->Add(std::make_unique<THtMetaMatrixRec>(m));
    if (auto* page = dynamic_cast<THtPageMeta*>(fPages[size_t(i)].get()))
      for (THtMetaCanvasRec* rec : *page->Meta) sheet->Add(rec);
    sheet->Add(std::make_unique<THtMetaStateRec>(false));
  }
}

void THtMetaCanvas::ExportTo(THtPagedExporter& AExporter) {
  for (int index : PrintOrder)
    if (index < 0 || index >= PageCount()) throw EListError(u"List index out of bounds (%d)", index);
  AExporter.BeginDocument();
  try {
    if (FMultipageOrientation == coDefault) {
      const int count = PrintOrder.empty() ? PageCount() : int(PrintOrder.size());
      for (int k = 0; k < count; ++k) {
        auto* page = dynamic_cast<THtPageMeta*>(GetPage(PrintOrder.empty() ? k : PrintOrder[size_t(k)]));
        if (!page || page->Disabled) continue;
        if (!AExporter.RenderPage(page->Meta.get(), page->WidthPx, page->HeightPx)) break;
      }
    } else {
      BuildMultipages();
      int sw, sh;
      MultipageSheetSize(sw, sh);
      for (auto& sheet : Multipages)
        if (!AExporter.RenderPage(sheet.get(), sw, sh)) break;
    }
  } catch (...) {
    AExporter.EndDocument();
    throw;
  }
  AExporter.EndDocument();
}

void THtMetaCanvas::SavetoPDFStream(TStream& AStream) {
  const THtPagedExporterClass* cls = THtPagedExporter::FindExporter(u"PDF");
  if (!cls) throw Exception(String(u"PDF exporter not registered (add quennet unit into project)"));
  std::unique_ptr<THtPagedExporter> exporter = cls->Create();
  ExportTo(*exporter);
  exporter->SavetoStream(AStream);
}

}  // namespace ht
