#include "canvas/canvas.h"

#include <cmath>

#include "canvas/box_shadow.h"
#include "canvas/geometry.h"
#include "canvas/image_drawing.h"
#include "canvas/path_records.h"
#include "canvas/shape_composites.h"
#include "markup/object_list.h"

namespace ht {

const THtCanvasClass* HtDefaultCanvasClass = nullptr;

const THtCanvasClass THtCanvas::ClassType{"THtCanvas", nullptr, nullptr};

namespace {

// Guards the installed-font lists of every canvas class.
std::mutex& fontLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<IHtFontService>& fontService() {
  static std::shared_ptr<IHtFontService> service;
  return service;
}

}  // namespace

const THtCanvasClass* CanvasClassOrDefault(const THtCanvasClass* ACanvasClass) {
  if (ACanvasClass) return ACanvasClass;
  if (HtDefaultCanvasClass) return HtDefaultCanvasClass;
  throw Exception(String(u"No canvas class provided to HTML document"));
}

// ---------------------------------------------------------------------------
// THtCanvasClass

THtStringList* THtCanvasClass::InstalledFonts() const { throw EAbstractError(String(u"Abstract Error")); }
const THtBrushClass* THtCanvasClass::BrushClass() const { return &THtBrush::ClassType; }
const THtPenClass* THtCanvasClass::PenClass() const { return &THtPen::ClassType; }
const THtFontClass* THtCanvasClass::FontClass() const { return &THtFont::ClassType; }
const THtImageClass* THtCanvasClass::ImageClass() const { return &THtImage::ClassType; }
const THtPathClass* THtCanvasClass::PathClass() const { return &THtCustomPath::ClassType; }
const THtPageClass* THtCanvasClass::PageClass() const { return &THtPage::ClassType; }
const THtBitmapClass* THtCanvasClass::BitmapClass() const { return &THtBitmap::ClassType; }

std::unique_ptr<THtFontCollection> THtCanvasClass::CreateFontCollection() const {
  return std::make_unique<THtFontCollection>(this, false);
}

THtCanvasFlags THtCanvasClass::GetFlags() const {
  return {hcfNeedBuffer, hcfCacheTextWidth, hcfScaleCanvasDrawing};
}

void THtCanvasClass::GetFonts(std::vector<String>&) const {}

bool THtCanvasClass::HasFont(StringView FontName) const {
  std::lock_guard<std::mutex> guard(fontLock());
  THtStringList* installed = InstalledFonts();
  if (!installed) return false;
  if (installed->Count() == 0) {
    // A class whose GetFonts yields nothing retries on every call.
    std::vector<String> names;
    GetFonts(names);
    for (const String& n : names) installed->Add(FontNameLowerCase(n), nullptr);
  }
  String name = FontNameLowerCase(FontName);
  if (installed->Contains(name)) return true;
  static const StringView kSuffixes[] = {u" narrow", u" black",  u" bold",       u" extrabold",
                                         u" medium", u" light",  u" extralight", u" regular"};
  for (StringView suffix : kSuffixes)
    if (name.size() >= suffix.size() && StringView(name).substr(name.size() - suffix.size()) == suffix)
      name.resize(name.size() - suffix.size());
  return installed->Contains(name);
}

THtBytes THtCanvasClass::ImageListItemtoBytes(THtObject*, int) const { return THtBytes(); }

float THtCanvasClass::MeasureString(StringView, THtFont*, const THtTextStyle&, float, int, int) const {
  throw EAbstractError(String(u"Abstract Error"));
}

void THtCanvasClass::SplitString(StringView s, THtTextRuns& Runs, const THtTextRunClass* RunClass) const {
  SplitTextRuns(s, Runs, RunClass);
}

void THtCanvasClass::DecodeFontFamily(String& Family) const {
  static const struct {
    StringView generic, family;
  } kFamilies[] = {
      {u"monospace", u"Courier New"}, {u"serif", u"Times New Roman"},     {u"sans-serif", u"Arial"},
      {u"system-ui", u"Segoe UI"},    {u"cursive", u"Lucida Calligraphy"}, {u"fantasy", u"Harrington"},
      {u"times", u"Times New Roman"},
  };
  for (const auto& f : kFamilies)
    if (SameTextAscii(Family, f.generic)) {
      Family = String(f.family);
      return;
    }
}

bool THtCanvasClass::PointInPath(float, float, THtPath*) const { return false; }
bool THtCanvasClass::PointOnPath(float, float, THtPath*, float) const { return false; }

// ---------------------------------------------------------------------------
// THtCanvas

THtCanvas::THtCanvas() = default;
THtCanvas::~THtCanvas() = default;

THtPage* THtCanvas::GetPage(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw EListError(u"List index out of bounds (%d)", Index);
  return fPages[size_t(Index)].get();
}

void THtCanvas::BeginScene(const THtCanvasScene& AScene) {
  Scene = AScene;
  FStateStackIndex = -1;
  FCurrentMatrix.Reset();
  InitialMatrix.Reset();
  RootMatrix.Reset();
  RootMatrix.Translate(float(Scene.ViewPort.Left) + Scene.OffsetX, float(Scene.ViewPort.Top) + Scene.OffsetY);
  if (!SameSingle(Scene.Scale, 1)) RootMatrix.Scale(Scene.Scale, Scene.Scale);

  // Stretch the update rectangles towards the area the scroll uncovered.
  const int dx = -RoundHalfEven(Scene.ScrollX), dy = -RoundHalfEven(Scene.ScrollY);
  if (dx == 0 && dy == 0) return;
  for (TRect& r : Scene.UpdateRects) {
    if (dx > 0)
      r.Right = std::min(Scene.ViewPort.Right, r.Right + dx);
    else
      r.Left = std::max(0, r.Left + dx);
    if (dy > 0)
      r.Bottom = std::min(Scene.ViewPort.Bottom, r.Bottom + dy);
    else
      r.Top = std::max(0, r.Top + dy);
  }
}

void THtCanvas::CachedDraw(THtObject*, const TRectF&, float, float, uint32_t, float) {}

void THtCanvas::SaveState() {
  if (FStateStackIndex >= int(FStateStack.size()) - 1) FStateStack.emplace_back();
  ++FStateStackIndex;
  FStateStack[size_t(FStateStackIndex)].M = FCurrentMatrix;
}

void THtCanvas::RestoreState() {
  if (FStateStackIndex < 0) return;
  FCurrentMatrix = FStateStack[size_t(FStateStackIndex)].M;
  --FStateStackIndex;
}

void THtCanvas::IntersectClip(const TRectF&) {}
void THtCanvas::IntersectClip(THtPath*) {}
void THtCanvas::SetClip(const TRectF&) {}
void THtCanvas::SetSmoothingMode(bool) {}
void THtCanvas::SetCompositingMode(bool) {}

std::unique_ptr<THtPath> THtCanvas::newPath() const {
  const THtPathClass* cls = PathClass();
  std::unique_ptr<THtPath> path = cls ? cls->Create(false) : nullptr;
  if (!path) throw EAbstractError(String(u"Abstract Error"));
  return path;
}

void THtCanvas::DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) {
  auto path = newPath();
  path->AddLine(x1, y1, x2, y2);
  DrawPath(Pen, path.get());
}

void THtCanvas::DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle) {
  auto path = newPath();
  path->AddArc(X, Y, w, h, StartAngle, SweepAngle, 1.0f);
  DrawPath(Pen, path.get());
}

void THtCanvas::FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) {
  auto path = newPath();
  path->AddArc(X, Y, w, h, 0, 359.9f, 1.0f);
  path->CloseFigure();
  FillPath(Brush, path.get());
}

void THtCanvas::DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) {
  auto path = newPath();
  path->AddArc(X, Y, w, h, 0, 360, 1.0f);
  path->CloseFigure();
  DrawPath(Pen, path.get());
}

void THtCanvas::FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) {
  auto path = newPath();
  path->AddRectangle(X, Y, w, h);
  FillPath(Brush, path.get());
}

void THtCanvas::DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) {
  auto path = newPath();
  path->AddRectangle(X, Y, w, h);
  DrawPath(Pen, path.get());
}

void THtCanvas::FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY) {
  if (SameSingle(RadiusX, 0) && SameSingle(RadiusY, 0)) {
    FillRectangle(Brush, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
    return;
  }
  auto path = newPath();
  path->AddRoundRect(R, RadiusX, RadiusY);
  FillPath(Brush, path.get());
}

void THtCanvas::RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) {
  ht::RoundRect(*this, Pen, R, RadiusX, RadiusY);
}

void THtCanvas::DrawCheck(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) {
  ht::DrawCheck(*this, R, DPI, Checked, Active, HOver, Disabled);
}

void THtCanvas::DrawRadio(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) {
  ht::DrawRadio(*this, R, DPI, Checked, Active, HOver, Disabled);
}

void THtCanvas::DrawButton(const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled) {
  ht::DrawButton(*this, R, DPI, Checked, Active, HOver, Disabled);
}

void THtCanvas::DrawWavyLine(float x1, float y1, float x2, float y2, THtPen* Pen) {
  ht::DrawWavyLine(*this, x1, y1, x2, y2, Pen);
}

void THtCanvas::DrawTextShadow(StringView s, const TRectF& R, const THtTextStyle& TextStyle, THtFont* Font,
                               float HOffset, float VOffset, float Blur, uint32_t ShadowColor) {
  ht::DrawTextShadow(*this, s, R, TextStyle, Font, HOffset, VOffset, Blur, ShadowColor);
}

void THtCanvas::DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                             const TSingleArray&, THtBrush*, THtPen*, int AFirstChar, int ALength) {
  DrawString(s, R, Font, TextStyle, AFirstChar, ALength);
}

std::unique_ptr<THtTextObject> THtCanvas::CreateTextObject(StringView, THtFont*, const THtTextStyle&,
                                                           const TRectF&, int, int) {
  return nullptr;
}

void THtCanvas::DrawTextObject(THtTextObject*, const TRectF&, THtFont*) {}
void THtCanvas::DrawLink(const TRectF&, StringView, bool) {}
void THtCanvas::BeginLink(StringView, StringView) {}

void THtCanvas::ScaleTransform(float XScale, float YScale) {
  if (SameSingle(XScale, 1) && SameSingle(YScale, 1)) return;
  THtMatrixData m;
  m.Init(XScale, 0, 0, YScale, 0, 0);
  MatrixTransform(m, true);
}

void THtCanvas::TranslateTransform(float XOffset, float YOffset) {
  if (SameSingle(XOffset, 0) && SameSingle(YOffset, 0)) return;
  THtMatrixData m;
  m.Init(1, 0, 0, 1, XOffset, YOffset);
  MatrixTransform(m, true);
}

void THtCanvas::RotateTransform(float Angle) { MatrixTransform(THtMatrixData::CreateRotation(Angle), true); }

void THtCanvas::MatrixTransform(const THtMatrixData& M, bool Add) {
  if (Add)
    FCurrentMatrix.Multiply(M);
  else
    FCurrentMatrix = M;
}

void THtCanvas::BlurRect(const TRectF&, THtPath*, float) {}
void THtCanvas::DrawBitmap(THtBitmap*, const TRectF&, const TRect&, float) {}

void THtCanvas::DrawImage(THtImage* Image, const TRectF& R, float Opacity) { BaseDrawImage(*this, Image, R, Opacity); }

void THtCanvas::TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                          bool RepeatY, float Opacity, float Radius) {
  BaseTileImage(*this, Image, W, H, R, Origin, RepeatX, RepeatY, Opacity, Radius);
}

void THtCanvas::FillImage(const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                          const TElementBackground& Background, float Opacity, float Radius) {
  BaseFillImage(*this, R, Image, OriginDeltaX, OriginDeltaY, Background, Opacity, Radius);
}

void THtCanvas::DrawShadow(THtPath* Path, const THtShadowProps& Props) {
  DrawBoxShadow(*this, Props, Path, FShadowCache);
}

THtPen* THtCanvas::GetPen(uint32_t AColor, float AWidth) {
  if (FPen) {
    FPen->SetColor(AColor);
    FPen->SetWidth(AWidth);
    FPen->SetLineJoin(ljMiter);
    FPen->SetLineCap(lcFlat);
    FPen->SetStyle(hpsSolid);
    FPen->SetDashes({});
  } else {
    FPen = PenClass()->Create(AColor, AWidth);
  }
  return FPen.get();
}

THtBrush* THtCanvas::GetBrush(uint32_t AColor) {
  if (FSolidBrush)
    FSolidBrush->SetColor(AColor);
  else
    FSolidBrush = BrushClass()->Create(AColor);
  return FSolidBrush.get();
}

void THtCanvas::SetImageColorMatrix(const THtColorMatrix& CM) {
  if (!FImageColorMatrix) FImageColorMatrix = std::make_unique<THtColorMatrix>();
  *FImageColorMatrix = CM;
}

void THtCanvas::SetPageWidthMM(float Value) {
  FPageWidthMM = Value;
  FPageWidthPixels = RoundHalfEven(Value * float(FDPI) / 25.4f);
}

void THtCanvas::SetPageHeightMM(float Value) {
  FPageHeightMM = Value;
  FPageHeightPixels = RoundHalfEven(Value * float(FDPI) / 25.4f);
}

void THtCanvas::BeginPaging(float APageWidthMM, float APageHeightMM, int ADPI) {
  FPageWidthMM = APageWidthMM;
  FPageHeightMM = APageHeightMM;
  FDPI = ADPI;
  FPageWidthPixels = RoundHalfEven(APageWidthMM * float(ADPI) / 25.4f);
  FPageHeightPixels = RoundHalfEven(APageHeightMM * float(ADPI) / 25.4f);
  FPaged = true;
  fPages.clear();
  NewPage(coDefault);
}

void THtCanvas::NewPage(TCSSOrientation Orientation) {
  float w = FPageWidthMM, h = FPageHeightMM;
  if ((Orientation == coPortrait && w > h) || (Orientation == coLandscape && w < h)) {
    std::swap(w, h);
    // Following pages keep the exchanged size.
    SetPageWidthMM(w);
    SetPageHeightMM(h);
  }
  fPages.push_back(PageClass()->Create(w, h, PageCount() + 1, FDPI));
}

bool THtCanvas::Print(THtObject*, StringView) { return false; }

void THtCanvas::SavetoPDF(StringView FileName) {
  // The file is touched only once the PDF exists: a failing export leaves
  // an existing file as it was.
  TMemoryStream pdf;
  SavetoPDFStream(pdf);
  TFileStream stream(FileName, fmCreate);
  stream.WriteBuffer(pdf.Data().data(), pdf.Data().size());
}

void THtCanvas::SavetoPDFStream(TStream&) {}

float THtCanvas::CurrentScale() const {
  return std::fabs(FCurrentMatrix.Data[THtMatrixData::m11]) + std::fabs(FCurrentMatrix.Data[THtMatrixData::m12]);
}

void THtCanvas::Clear(uint32_t AColor) {
  THtMatrixData inverse = FCurrentMatrix;
  inverse.Inverse();
  // Copy: FillRectangle of a back end may start a new scene.
  const std::vector<TRect> rects =
      Scene.UpdateRects.empty() ? std::vector<TRect>{Scene.ClipRect} : Scene.UpdateRects;
  for (const TRect& r : rects) FillRectangle(GetBrush(AColor), inverse.TransformRect(RectToRectF(r)));
}

bool THtCanvas::FastScale(const THtCanvasScene&, const TRectF&) { return false; }

void THtCanvas::RegisterFontService(std::shared_ptr<IHtFontService> AFontService) {
  fontService() = std::move(AFontService);
}

std::shared_ptr<IHtFontService> THtCanvas::FontService() { return fontService(); }

int THtCanvas::Scale(float X) const { return RoundHalfEven(X * ScaleFactor()); }

bool THtCanvas::CanvasRectInView(const TRect& R) const {
  if (!RectsIntersect(R, Scene.ClipRect)) return false;
  if (Scene.UpdateRects.empty()) return true;
  for (const TRect& u : Scene.UpdateRects)
    if (RectsIntersect(R, u)) return true;
  return false;
}

bool THtCanvas::DocumentRectInView(const TRectF& R) const {
  const TRectF m = FCurrentMatrix.TransformRect(R);
  return CanvasRectInView(TRect(RoundHalfEven(m.Left - 0.5f), RoundHalfEven(m.Top - 0.5f), RoundHalfEven(m.Right + 0.5f),
                                RoundHalfEven(m.Bottom + 0.5f)));
}

}  // namespace ht
