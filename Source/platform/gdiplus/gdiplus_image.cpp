// GDI+ images, bitmaps, colour matrices, texture and path-gradient brushes,
// and image drawing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/gdi/gdi_meta.h"
#include "platform/gdiplus/gdiplus.h"

namespace ht::gdiplus {

bool ColorMatrix::AlphaOnly() const {
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      if (!(i == 3 && j == 3) && m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
  return true;
}

namespace {

// A copy of Src with the colour matrix applied (on straight colours).
std::shared_ptr<core::TCoreSurface> applyMatrix(core::TCoreSurface& Src, const ColorMatrix& M) {
  auto out = std::make_shared<core::TCoreSurface>(Src.Width(), Src.Height());
  Src.Flush();
  for (int y = 0; y < Src.Height(); ++y) {
    const uint8_t* s = Src.ScanLine(y);
    uint8_t* d = out->ScanLine(y);
    for (int x = 0; x < Src.Width(); ++x, s += 4, d += 4) {
      const float a = s[3] / 255.0f;
      float in[4] = {0, 0, 0, a};
      if (s[3]) in[0] = s[2] / 255.0f / a, in[1] = s[1] / 255.0f / a, in[2] = s[0] / 255.0f / a;
      float o[4];
      for (int j = 0; j < 4; ++j)
        o[j] = std::clamp(in[0] * M.m[0][j] + in[1] * M.m[1][j] + in[2] * M.m[2][j] + in[3] * M.m[3][j] + M.m[4][j],
                          0.0f, 1.0f);
      const float oa = o[3];
      d[3] = uint8_t(std::lround(oa * 255));
      d[2] = uint8_t(std::lround(o[0] * oa * 255));
      d[1] = uint8_t(std::lround(o[1] * oa * 255));
      d[0] = uint8_t(std::lround(o[2] * oa * 255));
    }
  }
  out->MarkDirty();
  return out;
}

}  // namespace

// ---------------------------------------------------------------- images

Image::~Image() = default;

std::unique_ptr<Image> Image::FromBytes(const uint8_t* Bytes, size_t Size) {
  std::unique_ptr<Image> img(new Image());
  auto data = std::make_shared<core::TCoreImage>();
  if (!core::DecodeImage(Bytes, Size, *data)) {
    img->FStatus = InvalidParameter;
    return img;
  }
  img->FData = std::move(data);
  img->FWidth = img->FData->Width;
  img->FHeight = img->FData->Height;
  img->wrap(img->FData->Frames[0].Bits.data(), img->FWidth, img->FHeight, img->FWidth * 4);
  return img;
}

void Image::wrap(uint8_t* Top, int W, int H, int Stride) {
  FSurface = std::make_unique<core::TCoreSurface>(Top, W, H, Stride);
}

unsigned Image::GetFrameCount() const {
  if (FStatus != Ok) return 0;
  return FData ? unsigned(FData->Frames.size()) : 1;
}

Status Image::SelectActiveFrame(unsigned Index) {
  if (FStatus != Ok || !FData || Index >= FData->Frames.size()) return InvalidParameter;
  FFrame = Index;
  wrap(FData->Frames[Index].Bits.data(), FWidth, FHeight, FWidth * 4);
  return Ok;
}

Status Image::GetPropertyItem(unsigned Tag, std::vector<uint32_t>& Values) const {
  Values.clear();
  if (FStatus != Ok || !FData || Tag != PropertyTagFrameDelay || FData->Frames.size() < 2) return GenericError;
  for (const auto& f : FData->Frames) Values.push_back(uint32_t(std::max(f.Delay, 0)));
  return Ok;
}

Status Image::RotateFlip(RotateFlipType Type) {
  if (Type == RotateNoneFlipY) FFlipY = !FFlipY;
  return Type == RotateNoneFlipNone || Type == RotateNoneFlipY ? Ok : NotImplemented;
}

Bitmap::Bitmap(INT Width, INT Height, INT Stride, PixelFormat Format, uint8_t* Scan0) {
  if (Width <= 0 || Height <= 0 || !Scan0 || std::abs(Stride) < Width * 4 ||
      (Format != PixelFormat32bppPARGB && Format != PixelFormat32bppARGB && Format != PixelFormat32bppRGB)) {
    FStatus = InvalidParameter;
    return;
  }
  FWidth = Width;
  FHeight = Height;
  wrap(Scan0, Width, Height, Stride);
}

Bitmap::Bitmap(INT Width, INT Height) {
  if (!core::WithinPixelBudget(Width, Height)) {
    FStatus = InvalidParameter;
    return;
  }
  FWidth = Width;
  FHeight = Height;
  FOwn.assign(size_t(Width) * size_t(Height) * 4, 0);
  wrap(FOwn.data(), Width, Height, Width * 4);
}

// ---------------------------------------------------------------- brushes

TextureBrush::TextureBrush(const Image* Img, WrapMode Mode, const ImageAttributes* Attr) : FWrap(Mode) {
  if (!Img || !Img->Surface() || Img->GetLastStatus() != Ok) {
    FStatus = InvalidParameter;
    return;
  }
  core::TCoreSurface& src = *Img->Surface();
  const ColorMatrix* cm = Attr ? Attr->GetColorMatrix() : nullptr;
  if (cm) {
    FTexture = applyMatrix(src, *cm);
  } else {
    // A copy, so the brush outlives the image.
    FTexture = std::make_shared<core::TCoreSurface>(src.Width(), src.Height());
    src.Flush();
    for (int y = 0; y < src.Height(); ++y) std::memcpy(FTexture->ScanLine(y), src.ScanLine(y), size_t(src.Width()) * 4);
    FTexture->MarkDirty();
  }
  if (Img->FlippedY()) FTransform.SetElements(1, 0, 0, -1, 0, REAL(src.Height()));
}

Status TextureBrush::TranslateTransform(REAL Dx, REAL Dy) {
  Matrix t(1, 0, 0, 1, Dx, Dy);
  return FTransform.Multiply(&t, true);
}

Status TextureBrush::ScaleTransform(REAL Sx, REAL Sy) {
  Matrix t(Sx, 0, 0, Sy, 0, 0);
  return FTransform.Multiply(&t, true);
}

Status TextureBrush::SetTransform(const Matrix* M) {
  if (!M) return InvalidParameter;
  FTransform = *M;
  return Ok;
}

core::TCorePaint TextureBrush::Paint() const {
  if (!FTexture) return core::TCorePaint::Solid(0);
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = FTexture.get();
  p.ExtendX = p.ExtendY = FWrap == WrapModeTile ? core::exRepeat : core::exNone;
  // Shapes are drawn half a pixel shifted; the texture shifts back so that
  // its pixels land on device pixels.
  p.Matrix = core::TCoreMatrix::Translation(-0.5, -0.5).After(FTransform.Core());
  return p;
}

PathGradientBrush::PathGradientBrush(const GraphicsPath* Path) {
  if (Path) Path->GetBounds(&FBounds);
  FCenter = PointF(FBounds.X + FBounds.Width / 2, FBounds.Y + FBounds.Height / 2);
}

Status PathGradientBrush::SetCenterColor(ARGB Color) {
  FCenterColor = Color;
  return Ok;
}

Status PathGradientBrush::SetCenterPoint(const PointF& P) {
  FCenter = P;
  return Ok;
}

Status PathGradientBrush::SetInterpolationColors(const ARGB* Colors, const REAL* Positions, INT Count) {
  if (!Colors || !Positions || Count < 2 || Positions[0] != 0 || Positions[Count - 1] != 1)
    return InvalidParameter;
  FStops.clear();
  for (INT i = 0; i < Count; ++i) FStops.push_back({Positions[i], Colors[i]});
  return Ok;
}

Status PathGradientBrush::SetTransform(const Matrix* M) {
  if (!M) return InvalidParameter;
  FTransform = *M;
  return Ok;
}

core::TCorePaint PathGradientBrush::Paint() const {
  const float rx = FBounds.Width / 2, ry = FBounds.Height / 2;
  if (!(rx > 0) || !(ry > 0)) return core::TCorePaint::Solid(0);
  core::TCorePaint p;
  p.Kind = core::pkRadial;
  // In the unit circle of the ellipse: from the centre point (radius 0) out
  // to the boundary (radius 1).
  const float cx = FBounds.X + rx, cy = FBounds.Y + ry;
  p.P0 = TPointF((FCenter.X - cx) / rx, (FCenter.Y - cy) / ry);
  p.R0 = 0;
  p.P1 = TPointF(0, 0);
  p.R1 = 1;
  p.ExtendX = core::exNone;
  p.Matrix = FTransform.Core().After(core::TCoreMatrix{rx, 0, 0, ry, cx, cy});
  if (FStops.empty()) {
    p.Stops = {{0, FCenterColor}, {1, FSurround}};
  } else {
    // Boundary-counted positions become offsets from the centre.
    for (auto it = FStops.rbegin(); it != FStops.rend(); ++it) p.Stops.push_back({1 - it->Offset, it->Color});
  }
  return p;
}

// ---------------------------------------------------------------- drawing

Status Graphics::DrawImage(const Image* Img, const RectF& Dest) {
  if (!Img) return done(InvalidParameter);
  return DrawImage(Img, Dest, 0, 0, REAL(Img->GetWidth()), REAL(Img->GetHeight()), UnitPixel, nullptr);
}

Status Graphics::DrawImage(const Image* Img, const RectF& Dest, REAL SrcX, REAL SrcY, REAL SrcW, REAL SrcH, Unit,
                           const ImageAttributes* Attr) {
  if (!Img || Img->GetLastStatus() != Ok || !Img->Surface()) return done(InvalidParameter);
  if (!(SrcW > 0) || !(SrcH > 0) || Dest.Width == 0 || Dest.Height == 0) return done(Ok);
  if (GdipTrace().Enabled) GdipTrace().Add("DrawImage");
  core::TCoreSurface* surface = Img->Surface();
  std::shared_ptr<core::TCoreSurface> transformed;
  float alpha = 1;
  if (const ColorMatrix* cm = Attr ? Attr->GetColorMatrix() : nullptr) {
    if (cm->AlphaOnly()) {
      alpha = std::clamp(cm->m[3][3], 0.0f, 1.0f);
    } else {
      transformed = applyMatrix(*surface, *cm);
      surface = transformed.get();
    }
  }
  textMatrix();
  FContext->Save();
  core::TCorePath clip;
  clip.Rectangle(Dest.X, Dest.Y, Dest.Width, Dest.Height);
  FContext->ClipPath(clip);
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = surface;
  p.ExtendX = p.ExtendY = core::exPad;
  p.Smooth = FState.Interpolation != InterpolationModeNearestNeighbor;
  const double sx = Dest.Width / SrcW, sy = Dest.Height / SrcH;
  core::TCoreMatrix m{sx, 0, 0, sy, Dest.X - SrcX * sx, Dest.Y - SrcY * sy};
  if (Img->FlippedY()) m = m.After(core::TCoreMatrix{1, 0, 0, -1, 0, double(surface->Height())});
  p.Matrix = m;
  FContext->Paint(p, alpha);
  FContext->Restore();
  return done(FContext->InError() ? GenericError : Ok);
}

void Graphics::rebind() {
  FContext = std::make_unique<core::TCoreContext>(FDc->Bitmap->Surface);
  applyClip();
  FContext->SetAntialias(FState.Smoothing == SmoothingModeAntiAlias || FState.Smoothing == SmoothingModeHighQuality);
  FContext->SetOperator(FState.Compositing == CompositingModeSourceCopy ? core::opSource : core::opOver);
}

Status Graphics::DrawDriverString(const UINT16* Text, INT Length, const Font* F, const Brush* B,
                                  const PointF* Positions, INT Flags, const Matrix* M, StringView Chars,
                                  const unsigned* GlyphOfChar) {
  gdi::TGdiMetaFile* mf = gdi::MetaOf(FDc);
  if (!mf || Chars.empty() || !Text || Length <= 0 || !F || !B || !Positions || !F->Face())
    return DrawDriverString(Text, Length, F, B, Positions, Flags, M);
  if (GdipTrace().Enabled) GdipTrace().Add("DrawDriverString(" + std::to_string(Length) + ")");
  // The drawing so far stays before the text; later drawing goes after it.
  mf->Cut();
  rebind();
  gdi::TMetaRecord r;
  r.iType = gdi::EMR_EXTTEXTOUTW;
  r.Text = std::make_unique<gdi::TMetaTextRecord>();
  gdi::TMetaTextRecord& t = *r.Text;
  t.Text = String(Chars);
  for (INT i = 0; i < Length; ++i) {
    t.Glyphs.push_back((Flags & DriverStringOptionsCmapLookup) ? F->Face()->GlyphIndex(Text[i]) : Text[i]);
    t.Positions.emplace_back(Positions[i].X, Positions[i].Y);
  }
  if (GlyphOfChar) t.GlyphOfChar.assign(GlyphOfChar, GlyphOfChar + Chars.size());
  t.Face = F->Face();
  t.EmPixels = F->EmPixels();
  t.Paint = B->Paint();
  t.Matrix = M ? FState.World.After(M->Core()) : FState.World;
  t.DcClip = FDcClip;
  t.HasDcClip = FHasDcClip;
  t.Clip = FState.Clip;
  t.Antialias = true;
  mf->Records.push_back(std::move(r));
  return done(Ok);
}

Status Graphics::DrawEllipse(const Pen* P, REAL X, REAL Y, REAL W, REAL H) {
  GraphicsPath p;
  p.AddEllipse(X, Y, W, H);
  return DrawPath(P, &p);
}

Status Graphics::DrawArc(const Pen* P, REAL X, REAL Y, REAL W, REAL H, REAL Start, REAL Sweep) {
  GraphicsPath p;
  p.AddArc(X, Y, W, H, Start, Sweep);
  return DrawPath(P, &p);
}

}  // namespace ht::gdiplus
