#include "platform/gdiplus/gdiplus.h"

#include <algorithm>
#include <cmath>

namespace ht::gdiplus {

core::TCallTrace& GdipTrace() {
  static core::TCallTrace t("gdiplus");
  return t;
}

namespace {
bool finite(std::initializer_list<REAL> v) {
  return std::all_of(v.begin(), v.end(), [](REAL x) { return std::isfinite(x); });
}
}  // namespace

// ---------------------------------------------------------------- matrix

Status Matrix::SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) {
  M = core::TCoreMatrix{m11, m12, m21, m22, dx, dy};
  return Ok;
}

void Matrix::GetElements(REAL* m) const {
  m[0] = REAL(M.xx);
  m[1] = REAL(M.yx);
  m[2] = REAL(M.xy);
  m[3] = REAL(M.yy);
  m[4] = REAL(M.x0);
  m[5] = REAL(M.y0);
}

Status Matrix::Multiply(const Matrix* Other, bool Append) {
  if (!Other) return InvalidParameter;
  M = Append ? Other->M.After(M) : M.After(Other->M);
  return Ok;
}

Status Matrix::Invert() {
  double det = M.xx * M.yy - M.yx * M.xy;
  if (!std::isfinite(det) || det == 0) return InvalidParameter;
  core::TCoreMatrix r;
  r.xx = M.yy / det;
  r.yx = -M.yx / det;
  r.xy = -M.xy / det;
  r.yy = M.xx / det;
  r.x0 = -(M.x0 * r.xx + M.y0 * r.xy);
  r.y0 = -(M.x0 * r.yx + M.y0 * r.yy);
  M = r;
  return Ok;
}

bool Matrix::IsIdentity() const {
  return M.xx == 1 && M.yx == 0 && M.xy == 0 && M.yy == 1 && M.x0 == 0 && M.y0 == 0;
}

// ---------------------------------------------------------------- brushes

LinearGradientBrush::LinearGradientBrush(const RectF& Rect, ARGB Color1, ARGB Color2, REAL Angle, bool)
    : FRect(Rect) {
  FPaint.Kind = core::pkLinear;
  FPaint.Stops = {{0, Color1}, {1, Color2}};
  if (!finite({Rect.X, Rect.Y, Rect.Width, Rect.Height, Angle}) || Rect.Width <= 0 || Rect.Height <= 0) {
    FStatus = InvalidParameter;
    FPaint = core::TCorePaint::Solid(Color1);
    return;
  }
  double a = Angle * 3.14159265358979323846 / 180;
  double dx = std::cos(a), dy = std::sin(a);
  double cx = Rect.X + Rect.Width / 2.0, cy = Rect.Y + Rect.Height / 2.0;
  // Half the extent of the rectangle's corners along the direction.
  double half = (std::fabs(dx) * Rect.Width + std::fabs(dy) * Rect.Height) / 2;
  FPaint.P0 = TPointF(float(cx - dx * half), float(cy - dy * half));
  FPaint.P1 = TPointF(float(cx + dx * half), float(cy + dy * half));
  FPaint.ExtendX = FPaint.ExtendY = core::exPad;
}

Status LinearGradientBrush::SetInterpolationColors(const ARGB* Colors, const REAL* Positions, INT Count) {
  if (!Colors || !Positions || Count < 2) return InvalidParameter;
  if (FPaint.Kind != core::pkLinear) return WrongState;
  FPaint.Stops.clear();
  for (INT i = 0; i < Count; ++i) {
    if (!std::isfinite(Positions[i])) return InvalidParameter;
    FPaint.Stops.push_back({std::clamp<double>(Positions[i], 0, 1), Colors[i]});
  }
  return Ok;
}

// ---------------------------------------------------------------- pens

Status Pen::SetDashStyle(DashStyle S) {
  if (S < DashStyleSolid || S > DashStyleCustom) return InvalidParameter;
  FDashStyle = S;
  return Ok;
}

Status Pen::SetDashPattern(const REAL* Dashes, INT Count) {
  if (!Dashes || Count <= 0) return InvalidParameter;
  for (INT i = 0; i < Count; ++i)
    if (!(Dashes[i] > 0) || !std::isfinite(Dashes[i])) return InvalidParameter;
  FPattern.assign(Dashes, Dashes + Count);
  FDashStyle = DashStyleCustom;
  return Ok;
}

bool Pen::Stroke(core::TCoreStroke& S) const {
  // A zero width is the thinnest visible line.
  S.Width = FWidth > 0 ? FWidth : 1;
  S.Cap = FStartCap == LineCapRound ? core::lcRoundCap : FStartCap == LineCapSquare ? core::lcSquareCap : core::lcButt;
  S.Join = FJoin == LineJoinRound ? core::ljRoundJoin : FJoin == LineJoinBevel ? core::ljBevelJoin : core::ljMiterJoin;
  S.MiterLimit = std::max(1.0f, FMiterLimit);
  S.Dashes.clear();
  static const std::vector<REAL> dash{3, 1}, dot{1, 1}, dashDot{3, 1, 1, 1}, dashDotDot{3, 1, 1, 1, 1, 1};
  const std::vector<REAL>* pattern = nullptr;
  switch (FDashStyle) {
    case DashStyleSolid: break;
    case DashStyleDash: pattern = &dash; break;
    case DashStyleDot: pattern = &dot; break;
    case DashStyleDashDot: pattern = &dashDot; break;
    case DashStyleDashDotDot: pattern = &dashDotDot; break;
    case DashStyleCustom:
      if (FPattern.empty()) return false;
      pattern = &FPattern;
      break;
  }
  if (pattern) {
    // Dash lengths are multiples of the width (at least one pixel).
    double unit = std::max(1.0f, S.Width);
    for (REAL d : *pattern) S.Dashes.push_back(d * unit);
    S.DashOffset = float(FDashOffset * unit);
  }
  return true;
}

// ---------------------------------------------------------------- fonts

namespace {
int weightOf(INT style) { return (style & FontStyleBold) ? 700 : 400; }
bool italicOf(INT style) { return (style & FontStyleItalic) != 0; }

std::shared_ptr<core::TCoreFontFace> bestFace(const std::vector<std::shared_ptr<core::TCoreFontFace>>& faces,
                                              INT style) {
  std::shared_ptr<core::TCoreFontFace> best;
  int bestScore = 1 << 30;
  for (const auto& f : faces) {
    int score = std::abs(f->Metrics().Weight - weightOf(style)) + (f->Metrics().Italic != italicOf(style)) * 10000;
    if (score < bestScore) {
      bestScore = score;
      best = f;
    }
  }
  return best;
}
}  // namespace

FontFamily::FontFamily(StringView Name, const FontCollection* Collection) : FCollection(Collection) {
  if (Collection) {
    auto faces = Collection->FacesOf(Name);
    if (!faces.empty()) {
      FName = faces.front()->FamilyName();
      FStatus = Ok;
    }
  } else {
    auto m = core::FontSystem::Find(Name, 400, false);
    if (m.Face) {
      FName = m.FaceName;
      FStatus = Ok;
    }
  }
  if (GdipTrace().Enabled) GdipTrace().Add("FontFamily(" + StringToUtf8(Name) + ")=" + std::to_string(FStatus));
}

std::shared_ptr<core::TCoreFontFace> FontFamily::Face(INT Style) const {
  if (FStatus != Ok) return nullptr;
  if (FCollection) return bestFace(FCollection->FacesOf(FName), Style);
  return core::FontSystem::Find(FName, weightOf(Style), italicOf(Style)).Face;
}

UINT16 FontFamily::GetEmHeight(INT Style) const {
  auto f = Face(Style);
  return f ? UINT16(f->UnitsPerEm()) : 0;
}
UINT16 FontFamily::GetCellAscent(INT Style) const {
  auto f = Face(Style);
  return f ? UINT16(f->Metrics().WinAscent) : 0;
}
UINT16 FontFamily::GetCellDescent(INT Style) const {
  auto f = Face(Style);
  return f ? UINT16(f->Metrics().WinDescent) : 0;
}
UINT16 FontFamily::GetLineSpacing(INT Style) const {
  auto f = Face(Style);
  if (!f) return 0;
  const auto& m = f->Metrics();
  return UINT16(std::max(m.WinAscent + m.WinDescent, m.Ascender + m.Descender + m.LineGap));
}

INT FontCollection::GetFamilyCount() const { return INT(GetFamilies().size()); }

std::vector<FontFamily> FontCollection::GetFamilies() const {
  std::vector<FontFamily> r;
  for (const auto& f : FFaces) {
    bool seen = false;
    for (const auto& x : r)
      if (SameTextAscii(x.GetFamilyName(), f->FamilyName())) seen = true;
    if (!seen) r.emplace_back(f->FamilyName(), this);
  }
  return r;
}

std::vector<std::shared_ptr<core::TCoreFontFace>> FontCollection::FacesOf(StringView Family) const {
  std::vector<std::shared_ptr<core::TCoreFontFace>> r;
  for (const auto& f : FFaces)
    if (SameTextAscii(f->FamilyName(), Family)) r.push_back(f);
  return r;
}

Status PrivateFontCollection::AddFontFile(const String& FileName) {
  auto f = core::TCoreFontFace::FromFile(StringToUtf8(FileName));
  if (GdipTrace().Enabled) GdipTrace().Add("AddFontFile=" + std::string(f ? "0" : "10"));
  if (!f) return FileNotFound;
  FFaces.push_back(std::move(f));
  return Ok;
}

Status PrivateFontCollection::AddMemoryFont(const void* Memory, INT Length) {
  if (!Memory || Length <= 0) return InvalidParameter;
  const auto* p = static_cast<const uint8_t*>(Memory);
  auto f = core::TCoreFontFace::FromMemory(std::vector<uint8_t>(p, p + Length));
  if (GdipTrace().Enabled) GdipTrace().Add("AddMemoryFont=" + std::string(f ? "0" : "10"));
  if (!f) return FileNotFound;
  FFaces.push_back(std::move(f));
  return Ok;
}

Font::Font(const FontFamily* Family, REAL EmSize, INT Style, Unit U)
    : FSize(EmSize), FStyle(Style), FUnit(U) {
  if (Family) FFamily = *Family;
  init();
}

Font::Font(StringView FamilyName, REAL EmSize, INT Style, Unit U, const FontCollection* Collection)
    : FFamily(FamilyName, Collection), FSize(EmSize), FStyle(Style), FUnit(U) {
  init();
}

void Font::init() {
  if (!FFamily.IsAvailable()) {
    FStatus = FontFamilyNotFound;
  } else if (!(FSize > 0) || !std::isfinite(FSize)) {
    FStatus = InvalidParameter;
  } else {
    FFace = FFamily.Face(FStyle);
    FStatus = FFace ? Ok : FontStyleNotFound;
  }
}

Status Font::GetFamily(FontFamily* Family) const {
  if (!Family) return InvalidParameter;
  *Family = FFamily;
  return FFamily.GetLastStatus();
}

REAL Font::GetHeight(const Graphics*) const {
  if (FStatus != Ok) return 0;
  UINT16 em = FFamily.GetEmHeight(FStyle);
  return em ? EmPixels() * FFamily.GetLineSpacing(FStyle) / em : 0;
}

const StringFormat* StringFormat::GenericTypographic() {
  static StringFormat f = [] {
    StringFormat s;
    s.Typographic = true;
    return s;
  }();
  return &f;
}

const StringFormat* StringFormat::GenericDefault() {
  static StringFormat f;
  return &f;
}

// ---------------------------------------------------------------- paths

Status GraphicsPath::SetFillMode(FillMode Mode) {
  P.FillRule = Mode == FillModeWinding ? core::frWinding : core::frEvenOdd;
  return Ok;
}

Status GraphicsPath::AddLine(REAL X1, REAL Y1, REAL X2, REAL Y2) {
  if (FOpen)
    P.LineTo(X1, Y1);
  else
    P.MoveTo(X1, Y1);
  P.LineTo(X2, Y2);
  FOpen = true;
  return Ok;
}

Status GraphicsPath::AddArc(REAL X, REAL Y, REAL W, REAL H, REAL StartAngle, REAL SweepAngle) {
  P.Arc(X, Y, W, H, StartAngle, SweepAngle, FOpen);
  FOpen = true;
  return Ok;
}

Status GraphicsPath::AddBeziers(const PointF* Points, INT Count) {
  if (!Points || Count < 4 || (Count - 1) % 3 != 0) return InvalidParameter;
  if (FOpen)
    P.LineTo(Points[0].X, Points[0].Y);
  else
    P.MoveTo(Points[0].X, Points[0].Y);
  for (INT i = 1; i + 2 < Count; i += 3)
    P.CurveTo(Points[i].X, Points[i].Y, Points[i + 1].X, Points[i + 1].Y, Points[i + 2].X, Points[i + 2].Y);
  FOpen = true;
  return Ok;
}

Status GraphicsPath::AddRectangle(const RectF& R) {
  P.Rectangle(R.X, R.Y, R.Width, R.Height);
  FOpen = false;
  return Ok;
}

Status GraphicsPath::AddEllipse(REAL X, REAL Y, REAL W, REAL H) {
  P.Arc(X, Y, W, H, 0, 360, false);
  P.Close();
  FOpen = false;
  return Ok;
}

Status GraphicsPath::AddPath(const GraphicsPath* Other, bool Connect) {
  if (!Other) return InvalidParameter;
  P.Append(Other->P, Connect && FOpen);
  FOpen = Other->FOpen;
  return Ok;
}

Status GraphicsPath::AddString(StringView Text, const FontFamily* Family, INT Style, REAL EmSize,
                               const PointF& Origin, const StringFormat*) {
  if (!Family || !Family->IsAvailable()) return InvalidParameter;
  if (!finite({EmSize, Origin.X, Origin.Y})) return InvalidParameter;
  auto face = Family->Face(Style);
  if (!face) return FontStyleNotFound;
  std::vector<core::TShapedGlyph> glyphs;
  face->Shape(Text, false, {}, glyphs);
  double scale = double(EmSize) / face->UnitsPerEm();
  double x = Origin.X;
  double baseline = Origin.Y + face->Metrics().WinAscent * scale;
  for (const auto& g : glyphs) {
    face->GlyphOutline(g.Glyph, EmSize, float(x + g.XOffset * scale), float(baseline - g.YOffset * scale), P);
    x += g.XAdvance * scale;
  }
  FOpen = false;
  return Ok;
}

Status GraphicsPath::StartFigure() {
  FOpen = false;
  return Ok;
}

Status GraphicsPath::CloseFigure() {
  P.Close();
  FOpen = false;
  return Ok;
}

Status GraphicsPath::CloseAllFigures() {
  // Close every figure that is not closed yet.
  std::vector<core::TCorePathOp> ops;
  for (size_t i = 0; i < P.Ops.size(); ++i) {
    if (P.Ops[i] == core::poMove && !ops.empty() && ops.back() != core::poClose) ops.push_back(core::poClose);
    ops.push_back(P.Ops[i]);
  }
  if (!ops.empty() && ops.back() != core::poClose) ops.push_back(core::poClose);
  P.Ops = std::move(ops);
  FOpen = false;
  return Ok;
}

Status GraphicsPath::Reset() {
  P.Clear();
  P.FillRule = core::frEvenOdd;
  FOpen = false;
  return Ok;
}

Status GraphicsPath::Transform(const Matrix* M) {
  if (!M) return Ok;
  P.Transform(M->Core());
  return Ok;
}

Status GraphicsPath::GetBounds(RectF* Bounds, const Matrix* M, const Pen*) const {
  if (!Bounds) return InvalidParameter;
  core::TCorePath p = P;
  if (M) p.Transform(M->Core());
  TRectF r;
  p.Bounds(r);
  *Bounds = RectF(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  return Ok;
}

Status GraphicsPath::GetLastPoint(PointF* Point) const {
  if (!Point || P.Points.empty()) return InvalidParameter;
  *Point = PointF(P.Points.back().X, P.Points.back().Y);
  return Ok;
}

namespace {
// One 1 x 1 surface for hit tests.
core::TCoreContext& hitContext() {
  thread_local core::TCoreSurface s(1, 1);
  thread_local core::TCoreContext c(s);
  return c;
}
}  // namespace

bool GraphicsPath::IsVisible(REAL X, REAL Y) const { return hitContext().InFill(P, X, Y); }

// ---------------------------------------------------------------- regions

Region::Region(const RectF& R) { Intersect(R); }

Region::Region(const GraphicsPath* Path) {
  if (Path) FParts.push_back(Path->P);
  else FParts.emplace_back();  // empty
}

Status Region::Intersect(const RectF& R) {
  core::TCorePath p;
  p.Rectangle(R.X, R.Y, R.Width, R.Height);
  FParts.push_back(std::move(p));
  return Ok;
}

Status Region::Intersect(const Region* Other) {
  if (!Other) return InvalidParameter;
  FParts.insert(FParts.end(), Other->FParts.begin(), Other->FParts.end());
  return Ok;
}

Status Region::MakeInfinite() {
  FParts.clear();
  return Ok;
}

Status Region::Transform(const Matrix* M) {
  if (!M) return InvalidParameter;
  for (auto& p : FParts) p.Transform(M->Core());
  return Ok;
}

bool Region::IsVisible(REAL X, REAL Y) const {
  for (const auto& p : FParts)
    if (!hitContext().InFill(p, X, Y)) return false;
  return true;
}

Status Region::GetBounds(RectF* R) const {
  if (!R) return InvalidParameter;
  if (FParts.empty()) {
    *R = RectF(-4194304, -4194304, 8388608, 8388608);
    return Ok;
  }
  TRectF acc;
  bool first = true;
  for (const auto& p : FParts) {
    TRectF b;
    p.Bounds(b);
    if (first) acc = b;
    else {
      acc.Left = std::max(acc.Left, b.Left);
      acc.Top = std::max(acc.Top, b.Top);
      acc.Right = std::min(acc.Right, b.Right);
      acc.Bottom = std::min(acc.Bottom, b.Bottom);
    }
    first = false;
  }
  *R = RectF(acc.Left, acc.Top, std::max(0.0f, acc.Right - acc.Left), std::max(0.0f, acc.Bottom - acc.Top));
  return Ok;
}

// ---------------------------------------------------------------- graphics

Graphics::Graphics(gdi::HDC Dc) : FDc(Dc) {
  GdipTrace().Add("Graphics(HDC)");
  static core::TCoreSurface empty(1, 1);
  FContext = std::make_unique<core::TCoreContext>(Dc ? Dc->Bitmap->Surface : empty);
  if (!Dc) FStatus = InvalidParameter;
  FHasDcClip = Dc && Dc->ClipRects(FDcClip);
  applyClip();
}

Graphics::Graphics(core::TCoreSurface* Surface) {
  GdipTrace().Add("Graphics(Surface)");
  static core::TCoreSurface empty(1, 1);
  FContext = std::make_unique<core::TCoreContext>(Surface ? *Surface : empty);
  if (!Surface) FStatus = InvalidParameter;
  applyClip();
}

Graphics::~Graphics() = default;

GraphicsState Graphics::Save() {
  GraphicsState s = FNextState++;
  FSaved.emplace_back(s, FState);
  if (GdipTrace().Enabled) GdipTrace().Add("Save=" + std::to_string(s));
  return s;
}

Status Graphics::Restore(GraphicsState State) {
  if (GdipTrace().Enabled) GdipTrace().Add("Restore(" + std::to_string(State) + ")");
  for (size_t i = FSaved.size(); i-- > 0;) {
    if (FSaved[i].first == State) {
      FState = FSaved[i].second;
      FSaved.resize(i);
      applyClip();
      FContext->SetAntialias(FState.Smoothing != SmoothingModeNone && FState.Smoothing != SmoothingModeHighSpeed &&
                             FState.Smoothing != SmoothingModeDefault);
      FContext->SetOperator(FState.Compositing == CompositingModeSourceCopy ? core::opSource : core::opOver);
      return done(Ok);
    }
  }
  return done(InvalidParameter);
}

Status Graphics::SetTransform(const Matrix* M) {
  if (!M) return done(InvalidParameter);
  if (!M->Core().IsFinite()) {
    // A bad matrix never reaches cairo: the context stops drawing.
    FContext->Check(M->Core());
    return done(InvalidParameter);
  }
  FState.World = M->Core();
  if (GdipTrace().Enabled) {
    REAL e[6];
    M->GetElements(e);
    std::string t = "SetTransform(";
    for (int i = 0; i < 6; ++i) t += (i ? "," : "") + core::TraceNum(e[i]);
    GdipTrace().Add(t + ")");
  }
  return done(Ok);
}

Status Graphics::GetTransform(Matrix* M) const {
  if (!M) return InvalidParameter;
  M->SetCore(FState.World);
  return Ok;
}

Status Graphics::ResetTransform() {
  FState.World = core::TCoreMatrix();
  return done(Ok);
}

Status Graphics::SetSmoothingMode(SmoothingMode Mode) {
  FState.Smoothing = Mode;
  FContext->SetAntialias(Mode == SmoothingModeAntiAlias || Mode == SmoothingModeHighQuality);
  if (GdipTrace().Enabled) GdipTrace().Add("SetSmoothingMode(" + std::to_string(Mode) + ")");
  return done(Ok);
}

Status Graphics::SetCompositingMode(CompositingMode Mode) {
  FState.Compositing = Mode;
  FContext->SetOperator(Mode == CompositingModeSourceCopy ? core::opSource : core::opOver);
  return done(Ok);
}

Status Graphics::SetTextRenderingHint(TextRenderingHint Hint) {
  FState.TextHint = Hint;
  return done(Ok);
}

void Graphics::applyClip() {
  FContext->ResetClip();
  FContext->SetMatrix(core::TCoreMatrix());
  if (FHasDcClip) FContext->ClipDeviceRects(FDcClip);
  // Regions take whole pixels whose centres lie inside, never parts of them.
  bool aa = FContext->Antialias();
  FContext->SetAntialias(false);
  for (const auto& p : FState.Clip) FContext->ClipPath(p);
  FContext->SetAntialias(aa);
}

Status Graphics::SetClip(const RectF& R, CombineMode Mode) {
  Region r(R);
  return SetClip(&r, Mode);
}

Status Graphics::SetClip(const Region* R, CombineMode Mode) {
  if (!R) return done(InvalidParameter);
  if (Mode == CombineModeReplace) FState.Clip.clear();
  for (auto p : R->Parts()) {
    if (!p.IsFinite()) {
      FContext->Check(p);
      return done(InvalidParameter);
    }
    p.Transform(core::TCoreMatrix::Translation(0.5, 0.5).After(FState.World));
    FState.Clip.push_back(std::move(p));
  }
  if (GdipTrace().Enabled) {
    RectF b;
    R->GetBounds(&b);
    GdipTrace().Add(std::string(Mode == CombineModeReplace ? "SetClip(" : "IntersectClip(") + core::TraceNum(b.X) +
                    "," + core::TraceNum(b.Y) + "," + core::TraceNum(b.Width) + "," + core::TraceNum(b.Height) + ")");
  }
  applyClip();
  return done(Ok);
}

Status Graphics::IntersectClip(const RectF& R) { return SetClip(R, CombineModeIntersect); }
Status Graphics::IntersectClip(const Region* R) { return SetClip(R, CombineModeIntersect); }

Status Graphics::ResetClip() {
  FState.Clip.clear();
  applyClip();
  return done(Ok);
}

Status Graphics::GetClipBounds(RectF* R) const {
  if (!R) return InvalidParameter;
  TRectF d = FContext->DeviceClipExtents();
  Matrix inv;
  inv.SetCore(core::TCoreMatrix::Translation(0.5, 0.5).After(FState.World));
  if (inv.Invert() != Ok) return InvalidParameter;
  core::TCorePath p;
  p.Rectangle(d.Left, d.Top, d.Right - d.Left, d.Bottom - d.Top);
  p.Transform(inv.Core());
  TRectF b;
  p.Bounds(b);
  *R = RectF(b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top);
  return Ok;
}

void Graphics::shapeMatrix() { FContext->SetMatrix(core::TCoreMatrix::Translation(0.5, 0.5).After(FState.World)); }
void Graphics::textMatrix() { FContext->SetMatrix(FState.World); }

Status Graphics::Clear(ARGB Color) {
  FContext->SetMatrix(core::TCoreMatrix());
  FContext->SetOperator(core::opSource);
  FContext->Paint(core::TCorePaint::Solid(Color));
  FContext->SetOperator(FState.Compositing == CompositingModeSourceCopy ? core::opSource : core::opOver);
  return done(Ok);
}

Status Graphics::FillPath(const Brush* B, const GraphicsPath* Path) {
  if (!B || !Path) return done(InvalidParameter);
  GdipTrace().Add("FillPath");
  shapeMatrix();
  FContext->Fill(Path->P, B->Paint());
  return done(FContext->InError() ? GenericError : Ok);
}

Status Graphics::DrawPath(const Pen* P, const GraphicsPath* Path) {
  if (!P || !Path) return done(InvalidParameter);
  GdipTrace().Add("DrawPath");
  core::TCoreStroke s;
  if (!P->Stroke(s)) return done(Ok);  // nothing to draw
  shapeMatrix();
  core::TCorePaint paint = core::TCorePaint::Solid(P->GetColor());
  if (P->GetAlignment() == PenAlignmentInset && !Path->P.Ops.empty() && Path->P.Ops.back() == core::poClose) {
    // Inset: the inner half of a stroke twice as wide.
    FContext->Save();
    FContext->ClipPath(Path->P);
    s.Width *= 2;
    FContext->Stroke(Path->P, s, paint);
    FContext->Restore();
  } else {
    FContext->Stroke(Path->P, s, paint);
  }
  return done(FContext->InError() ? GenericError : Ok);
}

Status Graphics::FillRectangle(const Brush* B, const RectF& R) {
  GraphicsPath p;
  p.AddRectangle(R);
  return FillPath(B, &p);
}

Status Graphics::DrawRectangle(const Pen* P, const RectF& R) {
  GraphicsPath p;
  p.AddRectangle(R);
  return DrawPath(P, &p);
}

Status Graphics::DrawLine(const Pen* P, REAL X1, REAL Y1, REAL X2, REAL Y2) {
  GraphicsPath p;
  p.AddLine(X1, Y1, X2, Y2);
  return DrawPath(P, &p);
}

Status Graphics::FillEllipse(const Brush* B, REAL X, REAL Y, REAL W, REAL H) {
  GraphicsPath p;
  p.AddEllipse(X, Y, W, H);
  return FillPath(B, &p);
}

Status Graphics::DrawDriverString(const UINT16* Text, INT Length, const Font* F, const Brush* B,
                                  const PointF* Positions, INT Flags, const Matrix* M) {
  if (!Text || Length < 0 || !F || !B || !Positions || !F->Face()) return done(InvalidParameter);
  if (GdipTrace().Enabled) GdipTrace().Add("DrawDriverString(" + std::to_string(Length) + ")");
  if (Length == 0) return done(Ok);
  thread_local std::vector<uint32_t> glyphs;
  thread_local std::vector<TPointF> pos;
  glyphs.resize(size_t(Length));
  pos.resize(size_t(Length));
  for (INT i = 0; i < Length; ++i) {
    glyphs[size_t(i)] = (Flags & DriverStringOptionsCmapLookup) ? F->Face()->GlyphIndex(Text[i]) : Text[i];
    pos[size_t(i)] = TPointF(Positions[i].X, Positions[i].Y);
  }
  core::TCoreMatrix m = FState.World;
  if (M) m = m.After(M->Core());
  FContext->SetMatrix(m);
  core::DrawGlyphRun(*FContext, *F->Face(), F->EmPixels(), glyphs.data(), pos.data(), Length, B->Paint());
  return done(FContext->InError() ? GenericError : Ok);
}

}  // namespace ht::gdiplus
