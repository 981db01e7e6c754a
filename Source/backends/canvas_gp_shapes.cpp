// THtCanvasGP: outlines, fills with radial gradients, images, tiles,
// off-screen bitmaps, blurs and the classic control pictures.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "backends/canvas_gp.h"
#include "canvas/bitmap_effects.h"
#include "canvas/blur.h"
#include "canvas/geometry.h"
#include "backends/d2d_helper.h"
#include "platform/d2d/wic.h"
#include "platform/gdi/gdi_controls.h"

namespace ht {

namespace {

int roundPx(float v) { return int(std::lround(v)); }

// The path gradient of a radial brush: the centre takes the first colour,
// and the gradient's positions (counted from the centre) are turned into
// the path gradient's, counted from the boundary.
}  // namespace

void SetRadialStops(gdiplus::PathGradientBrush& B, const THtBrush& Brush) {
  const size_t n = std::min(Brush.GradientColors.size(), Brush.GradientPositions.size());
  std::vector<gdiplus::ARGB> colors;
  std::vector<gdiplus::REAL> positions;
  for (size_t i = n; i-- > 0;) {
    colors.push_back(Brush.GradientColors[i]);
    positions.push_back(1 - std::clamp(Brush.GradientPositions[i], 0.0f, 1.0f));
  }
  if (positions.front() > 0) {
    colors.insert(colors.begin(), colors.front());
    positions.insert(positions.begin(), 0);
  }
  if (positions.back() < 1) {
    colors.push_back(colors.back());
    positions.push_back(1);
  }
  B.SetCenterColor(Brush.GradientColors[0]);
  B.SetInterpolationColors(colors.data(), positions.data(), int(colors.size()));
}

namespace {

}  // namespace

// ---------------------------------------------------------------- outlines

void THtCanvasGP::DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) {
  auto* pen = dynamic_cast<THtPenGP*>(Pen);
  if (!G || !pen) return;
  pen->SetLineCap(lcFlat);
  const gdiplus::SmoothingMode old = G->GetSmoothingMode();
  if (x1 == x2 || y1 == y2) G->SetSmoothingMode(gdiplus::SmoothingModeNone);
  pen->SetWidth(SnapWidth(pen->GetWidth()));
  pen->Pen.SetStartCap(gdiplus::LineCapSquare);
  G->DrawLine(&pen->Pen, x1, y1, x2, y2);
  G->SetSmoothingMode(old);
}

void THtCanvasGP::DrawArc(THtPen* Pen, float X, float Y, float w, float h, float StartAngle, float SweepAngle) {
  auto* pen = dynamic_cast<THtPenGP*>(Pen);
  if (!G || !pen) return;
  const float width = pen->GetWidth();
  G->DrawArc(&pen->Pen, X + width / 2, Y + width / 2, w, h, StartAngle, SweepAngle);
}

void THtCanvasGP::DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) {
  auto* pen = dynamic_cast<THtPenGP*>(Pen);
  if (G && pen) G->DrawEllipse(&pen->Pen, X, Y, w, h);
}

void THtCanvasGP::DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) {
  auto* pen = dynamic_cast<THtPenGP*>(Pen);
  if (!G || !pen) return;
  pen->SetAlignInset(true);
  if ((w > 1000 || h > 1000) && pen->GetStyle() != hpsSolid) {
    // Long dashed outlines cost far more than they show.
    const THtPenStyle style = pen->GetStyle();
    pen->SetStyle(hpsSolid);
    G->DrawRectangle(&pen->Pen, gdiplus::RectF(SnapToPixel(X), SnapToPixel(Y), SnapToPixel(w), SnapToPixel(h)));
    pen->SetStyle(style);
    return;
  }
  pen->Pen.SetStartCap(gdiplus::LineCap(0x11));
  const float width = pen->GetWidth();
  pen->SetWidth(SnapWidth(width));
  G->DrawRectangle(&pen->Pen, gdiplus::RectF(X, Y, w, h));
  pen->Pen.SetStartCap(gdiplus::LineCapFlat);
  G->SetSmoothingMode(gdiplus::SmoothingModeAntiAlias);
  pen->SetWidth(width);
  pen->SetAlignInset(false);
}

// ---------------------------------------------------------------- fills

void THtCanvasGP::FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) {
  auto* brush = dynamic_cast<THtBrushGP*>(Brush);
  if (!G || !brush || !(w > 0) || !(h > 0)) return;
  // GDI+ centres pixels on whole coordinates: half a unit up and left
  // covers whole pixels.
  const gdiplus::RectF r(SnapToPixel(X) - 0.5f, SnapToPixel(Y) - 0.5f, w, h);
  if (brush->Kind == hbRadial) {
    if (brush->GradientColors.empty()) return;
    gdiplus::SolidBrush outside(brush->GradientColors.back());
    G->FillRectangle(&outside, r);
    gdiplus::GraphicsPath ellipse;
    const float rad = brush->Radius;
    ellipse.AddEllipse(brush->OffsetX + brush->CX - rad, brush->OffsetY + brush->CY - rad, 2 * rad, 2 * rad);
    auto pg = std::make_unique<gdiplus::PathGradientBrush>(&ellipse);
    SetRadialStops(*pg, *brush);
    brush->Brush = std::move(pg);
  }
  if (brush->Brush) G->FillRectangle(brush->Brush.get(), r);
}

void THtCanvasGP::FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) {
  auto* brush = dynamic_cast<THtBrushGP*>(Brush);
  if (!G || !brush) return;
  if (brush->Kind == hbRadial) {
    std::unique_ptr<THtPath> path = PathClass()->Create(false);
    path->MoveTo(X, Y);
    path->AddArc(X, Y, w, h, 0, 360, 0);
    path->CloseFigure();
    FillPath(Brush, path.get());
    return;
  }
  if (brush->Brush) G->FillEllipse(brush->Brush.get(), X, Y, w, h);
}

void THtCanvasGP::FillPath(THtBrush* Brush, THtPath* Path) {
  auto* brush = dynamic_cast<THtBrushGP*>(Brush);
  auto* path = dynamic_cast<THtPathGP*>(Path);
  if (!G || !brush || !path) return;
  if (brush->Kind == hbRadial) {
    if (brush->GradientColors.empty()) return;
    // Outside the gradient ellipse the last colour goes on, as in CSS.
    gdiplus::SolidBrush outside(brush->GradientColors.back());
    G->FillPath(&outside, &path->Path);
    gdiplus::GraphicsPath ellipse;
    const float rad = brush->Radius;
    ellipse.AddEllipse(brush->CX - rad, brush->CY - rad, 2 * rad, 2 * rad);
    auto pg = std::make_unique<gdiplus::PathGradientBrush>(&ellipse);
    pg->SetCenterPoint(gdiplus::PointF(brush->FX, brush->FY));
    if (brush->Matrix.Flags != mfIdentity) {
      gdiplus::Matrix m = ToGPMatrix(brush->Matrix);
      pg->SetTransform(&m);
    }
    SetRadialStops(*pg, *brush);
    brush->Brush = std::move(pg);
  }
  if (brush->Brush) G->FillPath(brush->Brush.get(), &path->Path);
}

// ---------------------------------------------------------------- images

void THtCanvasGP::SetImageColorMatrix(const THtColorMatrix& CM) {
  THtCanvas::SetImageColorMatrix(CM);
  for (int i = 0; i < 25; ++i) FImageMatrix.m[i / 5][i % 5] = CM[size_t(i)];
}

void THtCanvasGP::DrawImage(THtImage* Image, const TRectF& R, float Opacity) {
  if (!Image) return;
  if (Image->IsVector) {
    THtCanvas::DrawImage(Image, R, Opacity);
    return;
  }
  auto* img = dynamic_cast<THtImageGP*>(Image);
  if (!G || !img || !img->FImage) return;
  const THtMatrixFlag f = FCurrentMatrix.Flags;
  if (f == mfScale || f == mfNegativeScale || f == mfRotation) G->SetInterpolationMode(gdiplus::InterpolationModeBilinear);
  const gdiplus::RectF dest = ToGPRect(R);
  if (Opacity == 1 && !HasImageColorMatrix()) {
    G->DrawImage(img->FImage.get(), dest);
  } else {
    gdiplus::ColorMatrix cm = HasImageColorMatrix() ? FImageMatrix : gdiplus::ColorMatrix();
    cm.m[3][3] = Opacity;
    gdiplus::ImageAttributes attr;
    attr.SetColorMatrix(&cm);
    G->DrawImage(img->FImage.get(), dest, 0, 0, gdiplus::REAL(img->FImage->GetWidth()),
                 gdiplus::REAL(img->FImage->GetHeight()), gdiplus::UnitPixel, &attr);
  }
  if (CurrentScale() != 1) G->SetInterpolationMode(gdiplus::InterpolationModeDefault);
}

void THtCanvasGP::TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                            bool RepeatY, float Opacity, float Radius) {
  if (!Image) return;
  if (Image->IsVector) {
    THtCanvas::TileImage(Image, W, H, R, Origin, RepeatX, RepeatY, Opacity, Radius);
    return;
  }
  auto* img = dynamic_cast<THtImageGP*>(Image);
  if (!G || !img || !img->FImage || !(W > 0) || !(H > 0) || !std::isfinite(W) || !std::isfinite(H)) return;
  const float iw = float(img->FImage->GetWidth()), ih = float(img->FImage->GetHeight());
  if (iw < 1 || ih < 1) return;
  gdiplus::ImageAttributes attr;
  if (Opacity != 1) {
    gdiplus::ColorMatrix cm;
    cm.m[3][3] = Opacity;
    attr.SetColorMatrix(&cm);
  }
  gdiplus::TextureBrush brush(img->FImage.get(), gdiplus::WrapModeTile, &attr);
  // The tile is W x H, the size the caller asks for (background-size).
  brush.ScaleTransform(W / iw, H / ih);
  brush.TranslateTransform(R.Left - Origin.X, R.Top - Origin.Y);
  float w = R.Right - R.Left, h = R.Bottom - R.Top;
  if (!RepeatY) h = std::min(h, H);
  if (!RepeatX) w = std::min(w, W);
  if (w > 0 && h > 0) G->FillRectangle(&brush, gdiplus::RectF(R.Left - 0.5f, R.Top - 0.5f, w, h));
}

void THtCanvasGP::DrawBitmap(THtBitmap* B, const TRectF& DestR, const TRect& SrcR, float Opacity) {
  auto* bmp = dynamic_cast<THtBitmapGP*>(B);
  if (!G || !bmp || !bmp->Surface() || SrcR.Right <= SrcR.Left || SrcR.Bottom <= SrcR.Top) return;
  const THtMatrixFlag f = FCurrentMatrix.Flags;
  if (f == mfNegativeScale || f == mfRotation) {
    core::TCoreSurface* s = bmp->Surface();
    gdiplus::Bitmap wrapped(bmp->FWidth, bmp->FHeight, s->Stride(), gdiplus::PixelFormat32bppPARGB, s->ScanLine(0));
    G->SetInterpolationMode(gdiplus::InterpolationModeDefault);
    gdiplus::ColorMatrix cm;
    cm.m[3][3] = Opacity;
    gdiplus::ImageAttributes attr;
    attr.SetColorMatrix(&cm);
    G->DrawImage(&wrapped, ToGPRect(DestR), gdiplus::REAL(SrcR.Left), gdiplus::REAL(SrcR.Top),
                 gdiplus::REAL(SrcR.Right - SrcR.Left), gdiplus::REAL(SrcR.Bottom - SrcR.Top), gdiplus::UnitPixel,
                 &attr);
    return;
  }
  const TRectF d = FCurrentMatrix.TransformRect(DestR);
  const int l = roundPx(d.Left), t = roundPx(d.Top);
  gdi::BLENDFUNCTION bf;
  bf.SourceConstantAlpha = uint8_t(std::clamp(roundPx(Opacity * 255), 0, 255));
  gdi::AlphaBlend(FCanvasHandle, l, t, roundPx(d.Right) - l, roundPx(d.Bottom) - t, bmp->Handle, SrcR.Left, SrcR.Top,
                  SrcR.Right - SrcR.Left, SrcR.Bottom - SrcR.Top, bf);
}

// ---------------------------------------------------------------- blur and clear

void THtCanvasGP::BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius) {
  if (!FCanvasHandle) return;
  const TRectF d = FCurrentMatrix.TransformRect(R);
  TRect P(roundPx(d.Left), roundPx(d.Top), roundPx(d.Right), roundPx(d.Bottom));
  const int radius = roundPx(BlurRadius);
  auto* kept = dynamic_cast<THtBitmapGP*>(Scene.Bitmap);
  if (kept && kept->Surface() && !BorderPath) {
    // The buffer holds its rows bottom-up.
    core::TCoreSurface* s = kept->Surface();
    const TRect flipped(P.Left, kept->FHeight - P.Bottom, P.Right, kept->FHeight - P.Top);
    s->Flush();
    BoxBlurRect(kept->Buffer, kept->FWidth, kept->FHeight, ptrdiff_t(kept->FWidth) * 4, flipped, radius);
    s->MarkDirty();
    return;
  }
  const int w = P.Right - P.Left, h = P.Bottom - P.Top;
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<THtBitmap> tmp = BitmapClass()->Create(w, h, true);
  auto* b = dynamic_cast<THtBitmapGP*>(tmp.get());
  if (!b || !b->Surface()) return;
  b->CopyFromCanvas(Canvas, P);
  b->Surface()->Flush();
  BoxBlurRect(b->Buffer, w, h, ptrdiff_t(w) * 4, TRect(0, 0, w, h), radius);
  b->Surface()->MarkDirty();
  if (auto* border = dynamic_cast<THtPathGP*>(BorderPath)) {
    // Only the part inside the border keeps the blur.
    gdiplus::GraphicsPath cut = border->Path;
    cut.SetFillMode(gdiplus::FillModeAlternate);
    cut.AddRectangle(gdiplus::RectF(float(P.Left), float(P.Top), float(w), float(h)));
    gdiplus::Graphics g(b->Handle);
    gdiplus::Matrix m(1, 0, 0, 1, -float(P.Left), -float(P.Top));
    g.SetTransform(&m);
    g.SetCompositingMode(gdiplus::CompositingModeSourceCopy);
    gdiplus::SolidBrush clear(0x00FFFFFF);
    g.FillPath(&clear, &cut);
  }
  b->DrawOnCanvas(Canvas, RectToRectF(P), 255, true);
}

void THtCanvasGP::Clear(uint32_t AColor) {
  auto* kept = dynamic_cast<THtBitmapGP*>(Scene.Bitmap);
  if (kept) {
    if (Scene.UpdateRects.empty())
      kept->FillRect(Scene.ClipRect, AColor);
    else
      for (const TRect& r : Scene.UpdateRects) kept->FillRect(r, AColor);
    return;
  }
  if (G) G->Clear(AColor);
}

// ---------------------------------------------------------------- zoom preview

bool ScaleInPlace(THtBitmapGP& Bitmap, const TRectF& NewRect) {
  core::TCoreSurface* s = Bitmap.Surface();
  if (!s) return false;
  const double fl = NewRect.Left, ft = NewRect.Top;
  const double fw = double(NewRect.Right) - fl, fh = double(NewRect.Bottom) - ft;
  // Beyond a million pixels either way nothing would fit the budget; the
  // bound also keeps the rounding below inside int.
  constexpr double limit = 1e6;
  for (double v : {fl, ft, fw, fh})
    if (!std::isfinite(v) || std::fabs(v) > limit) return false;
  const int W = int(std::lround(fw)), H = int(std::lround(fh));
  if (W <= 0 || H <= 0 || !core::WithinPixelBudget(W, H)) return false;
  const int L = int(std::lround(fl)), T = int(std::lround(ft));
  const int bw = Bitmap.FWidth, bh = Bitmap.FHeight;

  s->Flush();
  // The WIC bitmap reads the DIB's own pixels; the scaled picture goes to a
  // buffer of its own, so the source is whole while it is read.
  std::shared_ptr<d2d::IWICImagingFactory> wic = D2DHelper().WICFactory();
  auto source = std::make_shared<d2d::IWICBitmap>(std::shared_ptr<core::TCoreSurface>(std::shared_ptr<void>(), s),
                                                  d2d::GUID_WICPixelFormat32bppPBGRA);
  std::shared_ptr<d2d::IWICBitmapScaler> scaler;
  d2d::HRESULT hr = wic->CreateBitmapScaler(&scaler);
  if (d2d::SUCCEEDED(hr)) hr = scaler->Initialize(source, d2d::UINT(W), d2d::UINT(H), d2d::WICBitmapInterpolationModeLinear);
  if (d2d::FAILED(hr)) return false;
  const size_t stride = size_t(W) * 4;
  std::vector<uint8_t> scaled(stride * size_t(H));
  hr = scaler->CopyPixels(nullptr, d2d::UINT(stride), d2d::UINT(scaled.size()), scaled.data());
  if (d2d::FAILED(hr)) return false;

  // The part of the destination inside the bitmap.
  const int x0 = std::max(L, 0), x1 = int(std::min<int64_t>(int64_t(L) + W, bw));
  const int y0 = std::max(T, 0), y1 = int(std::min<int64_t>(int64_t(T) + H, bh));
  for (int y = y0; y < y1 && x0 < x1; ++y)
    std::memcpy(s->ScanLine(y) + size_t(x0) * 4, scaled.data() + size_t(y - T) * stride + size_t(x0 - L) * 4,
                size_t(x1 - x0) * 4);
  s->MarkDirty();
  return true;
}

bool THtCanvasGP::FastScale(const THtCanvasScene& AScene, const TRectF& NewRect) {
  auto* kept = dynamic_cast<THtBitmapGP*>(AScene.Bitmap ? AScene.Bitmap : Scene.Bitmap);
  if (!kept) return false;
  const int vw = AScene.ViewPort.Right - AScene.ViewPort.Left, vh = AScene.ViewPort.Bottom - AScene.ViewPort.Top;
  if (vw <= 0 || vh <= 0) return false;
  kept->SetSize(vw, vh);
  if (!ScaleInPlace(*kept, NewRect)) return false;
  if (NewRect.Right - NewRect.Left > float(vw))
    kept->DrawOnCanvas(AScene.Canvas, RectToRectF(AScene.ViewPort), 255, false);
  return true;
}

// ---------------------------------------------------------------- control pictures

namespace {

enum class Picture { Check, Radio, Button };

// The classic picture of a control in a transparent bitmap of the pixel
// rectangle's size; drawn by the caller.
void drawControl(THtCanvasGP& C, Picture Kind, const TRectF& R, bool Checked, bool Active, bool HOver,
                 bool Disabled) {
  if (!C.G) return;
  const float grow = Kind == Picture::Button ? 0 : 1;
  const int l = roundPx(R.Left - grow), t = roundPx(R.Top - grow), r = roundPx(R.Right + grow),
            b = roundPx(R.Bottom + grow);
  const int w = r - l, h = b - t;
  if (w <= 0 || h <= 0 || !core::WithinPixelBudget(w, h)) return;
  THtBitmapGP bmp(w, h, true);
  if (!bmp.Surface()) return;
  bmp.FillRect(TRect(0, 0, w, h), 0);
  gdi::UINT state = Kind == Picture::Check ? gdi::DFCS_BUTTONCHECK
                    : Kind == Picture::Radio ? gdi::DFCS_BUTTONRADIO
                                             : gdi::DFCS_BUTTONPUSH;
  if (Checked) state |= 0x1400;
  if (Active) state |= gdi::DFCS_PUSHED;
  if (HOver) state |= gdi::DFCS_HOT;
  if (Disabled) state |= gdi::DFCS_INACTIVE;
  gdi::RECT rc{0, 0, w, h};
  gdi::DrawFrameControl(bmp.Handle, &rc, gdi::DFC_BUTTON, state);
  core::TCoreSurface* s = bmp.Surface();
  s->Flush();
  THtPixelMap map;
  map.Bits = s->ScanLine(0);
  map.Width = w;
  map.Height = h;
  map.Stride = s->Stride();
  SetBitmapAlphaExcept(map, 255, 0);
  s->MarkDirty();
  gdiplus::Bitmap pic(w, h, s->Stride(), gdiplus::PixelFormat32bppPARGB, s->ScanLine(0));
  const gdiplus::InterpolationMode old = C.G->GetInterpolationMode();
  switch (Kind) {
    case Picture::Check:
      C.G->SetInterpolationMode(gdiplus::InterpolationModeHighQuality);
      C.G->DrawImage(&pic, gdiplus::RectF(R.Left, R.Top - 1, float(w), float(h)));
      break;
    case Picture::Radio:
      C.G->SetInterpolationMode(gdiplus::InterpolationModeBilinear);
      C.G->DrawImage(&pic, gdiplus::RectF(R.Left, R.Top, float(w), float(h)));
      break;
    case Picture::Button:
      C.G->DrawImage(&pic, gdiplus::RectF(R.Left, R.Top, float(w), float(h)));
      break;
  }
  C.G->SetInterpolationMode(old);
}

}  // namespace

void THtCanvasGP::DrawCheck(const TRectF& R, int, bool Checked, bool Active, bool HOver, bool Disabled) {
  drawControl(*this, Picture::Check, R, Checked, Active, HOver, Disabled);
}

void THtCanvasGP::DrawRadio(const TRectF& R, int, bool Checked, bool Active, bool HOver, bool Disabled) {
  drawControl(*this, Picture::Radio, R, Checked, Active, HOver, Disabled);
}

void THtCanvasGP::DrawButton(const TRectF& R, int, bool Checked, bool Active, bool HOver, bool Disabled) {
  drawControl(*this, Picture::Button, R, Checked, Active, HOver, Disabled);
}

}  // namespace ht
