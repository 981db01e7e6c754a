// Images, tiles, box shadows and blurs of the Direct2D canvas.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "backends/canvas_dx.h"
#include "backends/dx_pages.h"
#include "canvas/blur.h"
#include "canvas/box_shadow.h"
#include "canvas/image_drawing.h"
#include "platform/rtl/numeric.h"

namespace ht {

using namespace d2d;

namespace {

float roundHalfAway(double x) { return float(x < 0 ? std::ceil(x - 0.5) : std::floor(x + 0.5)); }

D2D1_MATRIX_3X2_F matrixOf(float a, float b, float c, float d, float x, float y) { return {a, b, c, d, x, y}; }

THtPixelMap pixelMap(THtBitmapGP& B) {
  THtPixelMap m;
  core::TCoreSurface* s = B.Surface();
  m.Bits = s->ScanLine(0);
  m.Width = s->Width();
  m.Height = s->Height();
  m.Stride = s->Stride();
  return m;
}

}  // namespace

// ---------------------------------------------------------------- blur cache

bool TDXBlurCache::Same(int AMaxBorderRadius, float ARadius, uint32_t AColor, bool ASmall, float AW, float AH,
                        float AHOffset, float AVOffset) {
  if (AMaxBorderRadius == MaxBorderRadius && std::fabs(ARadius - Radius) <= 0.5f && AColor == Color &&
      ASmall == Small && BR && (!Small || (std::fabs(AW - W) <= 0.5f && std::fabs(AH - H) <= 0.5f)) &&
      AHOffset == HOffset && AVOffset == VOffset)
    return true;
  MaxBorderRadius = AMaxBorderRadius;
  Radius = ARadius;
  Color = AColor;
  Small = ASmall;
  W = AW;
  H = AH;
  HOffset = AHOffset;
  VOffset = AVOffset;
  return false;
}

// ---------------------------------------------------------------- bitmaps

std::shared_ptr<ID2D1Bitmap> THtCanvasDX::BitmapToD2DBitmap(THtBitmap* Bitmap) {
  auto* b = dynamic_cast<THtBitmapGP*>(Bitmap);
  if (!b || !b->FBitmap) return nullptr;
  return BitmapToD2DBitmap(b->FBitmap, true);
}

std::shared_ptr<ID2D1Bitmap> THtCanvasDX::BitmapRectToD2DBitmap(THtBitmap* Bitmap, const TRect& Rect) {
  auto* b = dynamic_cast<THtBitmapGP*>(Bitmap);
  if (!FContext || !b || !b->Surface()) return nullptr;
  core::TCoreSurface* s = b->Surface();
  const TRect r(std::max(Rect.Left, 0), std::max(Rect.Top, 0), std::min(Rect.Right, s->Width()),
                std::min(Rect.Bottom, s->Height()));
  const int w = r.Right - r.Left, h = r.Bottom - r.Top;
  if (w <= 0 || h <= 0) return nullptr;
  s->Flush();
  std::vector<uint8_t> rows(size_t(w) * size_t(h) * 4);
  for (int y = 0; y < h; ++y)
    std::memcpy(rows.data() + size_t(y) * w * 4, s->ScanLine(r.Top + y) + size_t(r.Left) * 4, size_t(w) * 4);
  D2D1_BITMAP_PROPERTIES props;
  props.pixelFormat = D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED);
  std::shared_ptr<ID2D1Bitmap> out;
  if (FAILED(FContext->CreateBitmap({UINT32(w), UINT32(h)}, rows.data(), UINT32(w) * 4, props, &out))) return nullptr;
  return out;
}

// ---------------------------------------------------------------- images

void THtCanvasDX::GetImageBitmap(THtImageDX* Image, int w, int h) {
  if (!Image || !FContext) return;
  if (Image->FFrameBitmap && Image->FTargetVersion == FContextVersion) {
    const int bw = int(Image->FFrameBitmap->GetPixelSize().width);
    if (bw >= w - 2 || bw >= Image->Width) return;
  }
  Image->FFrameBitmap.reset();
  if (!Image->FDecoded || w <= 0 || h <= 0) return;
  std::shared_ptr<IWICImagingFactory> wic = D2DHelper().WICFactory();
  std::shared_ptr<IWICFormatConverter> conv;
  OleCheck(wic->CreateFormatConverter(&conv));
  std::shared_ptr<IWICBitmapSource> source = Image->FDecoded;
  if (w != Image->Width) {
    std::shared_ptr<IWICBitmapScaler> scaler;
    if (FAILED(wic->CreateBitmapScaler(&scaler))) return;
    if (FAILED(scaler->Initialize(Image->FDecoded, UINT(w), UINT(h), WICBitmapInterpolationModeLinear))) return;
    source = scaler;
  }
  if (FAILED(conv->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                              WICBitmapPaletteTypeCustom)))
    return;
  if (SUCCEEDED(FContext->CreateBitmapFromWicBitmap(conv.get(), nullptr, &Image->FFrameBitmap)))
    Image->FTargetVersion = FContextVersion;
  else
    Image->FFrameBitmap.reset();
}

void THtCanvasDX::DrawImage(THtImage* Image, const TRectF& R, float Opacity) {
  if (!Image || !drawing()) return;
  if (Image->IsVector) {
    THtCanvas::DrawImage(Image, R, Opacity);
    return;
  }
  if (auto* commands = dynamic_cast<THtImageCommands*>(Image)) {
    SaveState();
    struct TRestore {
      THtCanvasDX* C;
      ~TRestore() { C->RestoreState(); }
    } restore{this};
    IntersectClip(R);
    if (R.Left != 0 || R.Top != 0) TranslateTransform(SnapToDevicePixel(R.Left), SnapToDevicePixel(R.Top));
    if (Image->Width > 0 && RoundHalfEven(R.Right - R.Left) != Image->Width) {
      const float f = (R.Right - R.Left) / float(Image->Width);
      ScaleTransform(f, f);
    }
    std::shared_ptr<ID2D1DeviceContext> dc;
    OleCheck(QueryInterface(FContext, &dc));
    if (std::shared_ptr<ID2D1CommandList> list = commands->CommandList())
      dc->DrawImage(list.get(), nullptr, nullptr, D2D1_INTERPOLATION_MODE_LINEAR, D2D1_COMPOSITE_MODE_SOURCE_OVER);
    return;
  }
  if (Image->ClassRefOf() != &THtImageDX::ClassType || !Image->IsLoaded()) return;
  auto* img = static_cast<THtImageDX*>(Image);
  const float* m = FCurrentMatrix.Data;
  const float s = std::fabs(m[THtMatrixData::m11] + m[THtMatrixData::m12]);
  if (img->Animated) {
    if (img->FTargetVersion != FContextVersion) {
      img->FFrameBitmap.reset();
      img->FTargetVersion = FContextVersion;
    }
    img->PrepareFrame(FContext.get());
  } else {
    const double w = std::ceil(double(R.Right - R.Left) * s);
    const double h = std::fabs(std::ceil(double(R.Bottom - R.Top) * (m[THtMatrixData::m22] + m[THtMatrixData::m21])));
    if (!(w <= kMaxSurfaceSide) || !(h <= kMaxSurfaceSide)) return;
    GetImageBitmap(img, int(w), int(h));
  }
  TRectF dest = R;
  if (std::fabs(float(img->Width) - (R.Right - R.Left) * s) <= 1.0f)
    dest = TRectF(SnapToDevicePixel(R.Left), SnapToDevicePixel(R.Top), SnapToDevicePixel(R.Right),
                  SnapToDevicePixel(R.Bottom));
  if (!img->FFrameBitmap) return;
  SetSmoothingMode(false);
  D2D1_RECT_F d{dest.Left, dest.Top, dest.Right, dest.Bottom};
  FContext->DrawBitmap(img->FFrameBitmap.get(), &d, Opacity, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

void THtCanvasDX::TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                            bool RepeatY, float Opacity, float Radius) {
  if (!Image || !Image->IsLoaded() || !drawing()) return;
  if (Image->IsVector) {
    SaveState();
    IntersectClip(R);
    THtCanvas::TileImage(Image, W, H, R, Origin, RepeatX, RepeatY, Opacity, Radius);
    RestoreState();
    return;
  }
  auto* img = dynamic_cast<THtImageDX*>(Image);
  if (!img || !(W > 0) || !(H > 0) || !std::isfinite(W) || !std::isfinite(H)) return;
  if (img->Animated) {
    if (img->FTargetVersion != FContextVersion) {
      img->FFrameBitmap.reset();
      img->FTargetVersion = FContextVersion;
    }
    img->PrepareFrame(FContext.get());
  } else {
    GetImageBitmap(img, img->Width, img->Height);
  }
  if (!img->FFrameBitmap) return;
  TRectF D = R;
  D2D1_BITMAP_BRUSH_PROPERTIES bp;
  bp.extendModeX = RepeatX ? D2D1_EXTEND_MODE_WRAP : D2D1_EXTEND_MODE_MIRROR;
  bp.extendModeY = RepeatY ? D2D1_EXTEND_MODE_WRAP : D2D1_EXTEND_MODE_MIRROR;
  if (!RepeatX) D.Right = std::min(D.Right, D.Left + W);
  if (!RepeatY) D.Bottom = std::min(D.Bottom, D.Top + H);
  bp.interpolationMode = D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
  const D2D1_SIZE_U px = img->FFrameBitmap->GetPixelSize();
  if (px.width == 0 || px.height == 0) return;
  // The tile is W x H, the size the caller asks for.
  D2D1_BRUSH_PROPERTIES props;
  props.opacity = Opacity;
  props.transform = D2D1MatrixMultiply(matrixOf(W / float(px.width), 0, 0, H / float(px.height), 0, 0),
                                       D2D1TranslationMatrix(R.Left - Origin.X, R.Top - Origin.Y));
  std::shared_ptr<ID2D1BitmapBrush> brush;
  OleCheck(FContext->CreateBitmapBrush(img->FFrameBitmap, &bp, &props, &brush));
  if (D.Right > D.Left && D.Bottom > D.Top) FContext->FillRectangle({D.Left, D.Top, D.Right, D.Bottom}, brush.get());
}

// ---------------------------------------------------------------- shadows

void THtCanvasDX::ClearRoundRectPixels(THtBitmap* Bitmap, const TRectF& R, float Radius) {
  auto* b = dynamic_cast<THtBitmapGP*>(Bitmap);
  if (!b || !b->Surface()) return;
  core::TCoreSurface* s = b->Surface();
  s->Flush();
  const int width = s->Width(), height = s->Height();
  auto clear = [&](int row, int x0, int x1) {
    x1 = std::min(x1, width);
    if (row < 0 || row >= height || x1 <= x0) return;
    std::memset(s->ScanLine(row) + size_t(x0) * 4, 0, size_t(x1 - x0) * 4);
  };
  const int top = int(std::ceil(R.Top)), bottom = int(std::trunc(R.Bottom)), n = int(std::trunc(Radius));
  for (int i = 0; i < n; ++i) {
    const float d = float(n - i);
    const float m = std::sqrt(std::max(0.0f, Radius * Radius - d * d));
    const int x0 = std::max(0, int(RoundHalfEven(R.Left + Radius - m)));
    const int x1 = int(std::trunc(R.Right - Radius + m));
    clear(top + i, x0, x1);
    clear(bottom - i - 1, x0, x1);
  }
  const int x0 = std::max(0, int(RoundHalfEven(R.Left)));
  const int count = std::min(width - x0, int(RoundHalfEven(R.Right - float(x0))));
  for (int y = std::max(0, top + n); y <= std::min(height - 1, bottom - n - 1); ++y) clear(y, x0, x0 + count);
  s->MarkDirty();
}

void THtCanvasDX::DrawShadow(THtPath* Path, const THtShadowProps& Props) {
  if (!drawing()) return;
  const int m = RoundHalfEven(Props.Blur * 2);
  const TRectF& R = Props.R;
  TRect SR(RoundHalfEven(R.Left + Props.HOffset), RoundHalfEven(R.Top + Props.VOffset),
           RoundHalfEven(R.Right + Props.HOffset), RoundHalfEven(R.Bottom + Props.VOffset));
  THtMatrixData inv = FCurrentMatrix;
  if (!inv.Inverse()) return;
  const TRectF vf = inv.TransformRect(TRectF(Scene.ClipRect.Left, Scene.ClipRect.Top, Scene.ClipRect.Right,
                                             Scene.ClipRect.Bottom));
  const TRect V(RoundHalfEven(vf.Left), RoundHalfEven(vf.Top), RoundHalfEven(vf.Right), RoundHalfEven(vf.Bottom));
  const TRect cut(std::max(SR.Left, V.Left) - m, std::max(SR.Top, V.Top) - m, std::min(SR.Right, V.Right) + m,
                  std::min(SR.Bottom, V.Bottom) + m);
  if (int64_t(cut.Right) - cut.Left < 1 || int64_t(cut.Bottom) - cut.Top < 1) return;
  if (!FBlurCache) FBlurCache = std::make_unique<TDXBlurCache>();
  // Only outer shadows with one corner radius are drawn here.
  if (!Props.OneBorderRadius || Props.Inset) return;
  DrawBoxShadow(TRectF(float(SR.Left), float(SR.Top), float(SR.Right), float(SR.Bottom)), Path, Props);
}

void THtCanvasDX::BuildShadowMask(const TRectF& R, int S, float HOffset, float VOffset, float Radius) {
  D2D1_LAYER_PARAMETERS lp;
  lp.contentBounds = {R.Left - S, R.Top - S, R.Right + S, R.Bottom + S};
  lp.maskAntialiasMode = D2D1_ANTIALIAS_MODE_ALIASED;
  lp.opacity = 1;
  std::shared_ptr<ID2D1Layer> layer;
  OleCheck(FContext->CreateLayer(nullptr, &layer));
  THtPathDX mask(true);
  mask.SetFillModeWinding(false);
  mask.MoveTo(R.Left - S, R.Top - S);
  mask.LineTo(R.Right + S, R.Top - S);
  mask.LineTo(R.Right + S, R.Bottom + S);
  mask.LineTo(R.Left - S, R.Bottom + S);
  mask.CloseFigure();
  const float L = R.Left - HOffset, T = R.Top - VOffset, Rt = R.Right - HOffset, B = R.Bottom - VOffset;
  if (Radius < 1) {
    mask.MoveTo(L + 0.5f, T + 0.5f);
    mask.LineTo(L + 0.5f, B - 0.5f);
    mask.LineTo(Rt - 0.5f, B - 0.5f);
    mask.LineTo(Rt - 0.5f, T + 0.5f);
  } else {
    const float p = Radius, d = 2 * Radius;
    mask.MoveTo(L + p, T + 0.5f);
    mask.AddArc(L + 0.5f, T + 0.5f, d, d, 270, -90, 0);
    mask.LineTo(L + 0.5f, B - p);
    mask.AddArc(L + 0.5f, B - d - 0.5f, d, d, 180, -90, 0);
    mask.LineTo(Rt - p, B - 0.5f);
    mask.AddArc(Rt - d - 0.5f, B - d - 0.5f, d, d, 90, -90, 0);
    mask.LineTo(Rt - 0.5f, T + p);
    mask.AddArc(Rt - d - 0.5f, T + 0.5f, d, d, 0, -90, 0);
  }
  mask.CloseFigure();
  mask.EndPath();
  lp.geometricMask = mask.Geometry.get();
  FContext->PushLayer(lp, layer.get());
}

void THtCanvasDX::DrawBoxShadow(const TRectF& R, THtPath* Path, const THtShadowProps& Props) {
  const int r = int(std::ceil(Props.MaxBorderRadius));
  const int b = int(std::ceil(Props.Blur * 2.5f));
  const int S = std::max({b, 2 * r, int(std::ceil(Props.HOffset)), 3});
  const int q = S / 4, T = 2 * S - q;
  const int W = RoundHalfEven(R.Right - R.Left), H = RoundHalfEven(R.Bottom - R.Top);
  if (Path && !Path->Empty())
    if (auto* dx = dynamic_cast<THtPathDX*>(Path); dx && !dx->FClosed) dx->EndPath();
  if (int64_t(W) * H < 10000) {
    DrawSmallShadow(Path, Props);
    return;
  }
  if (!SurfaceWithinBudget(2 * S, 2 * S)) return;
  bool pushed = false;
  if (!Props.HasBackground) {
    BuildShadowMask(R, S, Props.HOffset, Props.VOffset, Props.MaxBorderRadius);
    pushed = true;
  }
  struct TPop {
    ID2D1RenderTarget* Target;
    bool& Pushed;
    ~TPop() {
      if (Pushed) Target->PopLayer();
    }
  } pop{FContext.get(), pushed};
  TDXBlurCache& cache = *FBlurCache;
  if (!cache.Same(r, Props.Blur, Props.Color, false, float(W), float(H), Props.HOffset, Props.VOffset)) {
    THtBitmapGP B(2 * S, 2 * S, true);
    if (!B.Surface()) return;
    TGaussKernel K;
    if (Props.Blur > 0.1f) MakeGaussKernel(K, Props.Blur, 255, 1);
    if (Props.MaxBorderRadius > 0) B.Surface()->Fill(0);
    std::shared_ptr<ID2D1DCRenderTarget> target;
    D2D1_RENDER_TARGET_PROPERTIES rp = D2D1RenderTargetProperties(
        D2D1_RENDER_TARGET_TYPE_SOFTWARE, D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED),
        0, 0, 2, 0);
    if (FAILED(D2DHelper().D2DFactory->CreateDCRenderTarget(rp, &target)) || !target) return;
    RECT br{0, 0, 2 * S, 2 * S};
    OleCheck(target->BindDC(B.Handle, &br));
    target->BeginDraw();
    if (Props.MaxBorderRadius == 0) target->Clear(nullptr);
    std::shared_ptr<ID2D1SolidColorBrush> brush;
    target->CreateSolidColorBrush(ColorF(Props.Color), nullptr, &brush);
    const float fs = float(S);
    if (Props.MaxBorderRadius < 1) {
      target->FillRectangle({0, fs, fs, 2 * fs}, brush.get());
    } else {
      target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
      target->FillRoundedRectangle({{-10 * fs, fs, fs, 10 * fs}, Props.MaxBorderRadius, Props.MaxBorderRadius},
                                   brush.get());
    }
    target->EndDraw();
    if (Props.Blur >= 0.1f) {
      B.Surface()->Flush();
      BlurBitmapRect(pixelMap(B), K, TRect(0, 0, 2 * S - 1, 2 * S - 1), TRect(-1, -1, -1, -1));
      B.Surface()->MarkDirty();
    }
    cache.BA = BitmapRectToD2DBitmap(&B, TRect(std::min(2 * S - 1, q), 0, 2 * S, std::max(0, 2 * S - q - 1)));
    // Edge profiles: a row across the vertical edge, far from the corner.
    const int row = 2 * S - q - 1;
    B.Surface()->Flush();
    const uint8_t* src = B.Surface()->ScanLine(row);
    D2D1_BITMAP_BRUSH_PROPERTIES bp;
    bp.extendModeX = D2D1_EXTEND_MODE_CLAMP;
    bp.extendModeY = D2D1_EXTEND_MODE_MIRROR;
    bp.interpolationMode = D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
    {
      THtBitmapGP E(2 * S, 1, true);
      E.Surface()->Flush();
      std::memcpy(E.Surface()->ScanLine(0), src, size_t(2 * S) * 4);
      E.Surface()->MarkDirty();
      cache.BR.reset();
      if (auto bmp = BitmapToD2DBitmap(&E)) FContext->CreateBitmapBrush(bmp, &bp, nullptr, &cache.BR);
    }
    {
      // Across a horizontal edge, transparent at the top.
      THtBitmapGP E(1, 2 * S, true);
      E.Surface()->Flush();
      for (int i = 0; i < 2 * S; ++i) std::memcpy(E.Surface()->ScanLine(2 * S - 1 - i), src + size_t(i) * 4, 4);
      E.Surface()->MarkDirty();
      cache.BT.reset();
      if (auto bmp = BitmapToD2DBitmap(&E)) FContext->CreateBitmapBrush(bmp, &bp, nullptr, &cache.BT);
    }
  }
  if (!cache.BR || !cache.BT || !cache.BA) return;
  const float HR = R.Bottom - R.Top, WR = R.Right - R.Left, P = Props.Opacity / 255.0f;
  const float fs = float(S), fq = float(q), fT = float(T);
  // The centre: under the box unless the shadow moved further than S.
  if (std::fabs(Props.HOffset) > fs || std::fabs(Props.VOffset) > fs) {
    SetSolidColor(Props.Color);
    FDXSolidBrush->SetOpacity(P);
    FContext->FillRectangle({R.Left + fs - fq - 1, R.Top + fs - fq - 1, R.Right - fs + fq + 1, R.Bottom - fs + fq + 1},
                            FDXSolidBrush.get());
    FDXSolidBrush->SetOpacity(1);
  }
  FContext->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
  cache.BR->Opacity = P;
  cache.BT->Opacity = P;
  D2D1_MATRIX_3X2_F M0;
  FContext->GetTransform(&M0);
  FContext->SetTransform(D2D1MatrixMultiply(D2D1TranslationMatrix(R.Right - fs, R.Top + fs - fq), M0));
  FContext->FillRectangle({0, 0, fT, HR - 2 * fs + 2 * fq}, cache.BR.get());
  FContext->SetTransform(D2D1MatrixMultiply(matrixOf(-1, 0, 0, 1, R.Left + fs, R.Top + fs - fq), M0));
  FContext->FillRectangle({0, 0, fT, HR - 2 * fs + 2 * fq}, cache.BR.get());
  FContext->SetTransform(D2D1MatrixMultiply(D2D1TranslationMatrix(R.Left + fs - fq, R.Top - fs), M0));
  FContext->FillRectangle({0, 0, WR - 2 * fs + 2 * fq, fT}, cache.BT.get());
  FContext->SetTransform(D2D1MatrixMultiply(matrixOf(1, 0, 0, -1, R.Left + fs - fq, R.Bottom + fs - 0.5f), M0));
  FContext->FillRectangle({0, fT, WR - 2 * fs + 2 * fq, 0}, cache.BT.get());
  FContext->SetTransform(M0);
  D2D1_RECT_F tr{R.Right - fs + fq, R.Top - fs, R.Right - fs + fq + fT, R.Top - fs + fT};
  FContext->DrawBitmap(cache.BA.get(), &tr, P, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  const D2D1_MATRIX_3X2_F N1 = D2D1MatrixMultiply(matrixOf(-1, 0, 0, 1, R.Left - fs, R.Top - fs), M0);
  FContext->SetTransform(N1);
  D2D1_RECT_F tl{-fT, 0, 0, fT};
  FContext->DrawBitmap(cache.BA.get(), &tl, P, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  const D2D1_MATRIX_3X2_F N2 = D2D1MatrixMultiply(matrixOf(1, 0, 0, -1, 0, HR + fq), N1);
  FContext->SetTransform(N2);
  D2D1_RECT_F bl{-fT, -fT, 0, 0};
  FContext->DrawBitmap(cache.BA.get(), &bl, P, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  FContext->SetTransform(D2D1MatrixMultiply(matrixOf(-1, 0, 0, 1, float(-W) - fq, 0), N2));
  D2D1_RECT_F brr{0, -fT, fT, 0};
  FContext->DrawBitmap(cache.BA.get(), &brr, P, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  FContext->SetTransform(M0);
}

void THtCanvasDX::DrawSmallShadow(THtPath* Path, const THtShadowProps& Props) {
  const TRectF& R = Props.R;
  const int b = int(std::ceil(Props.Blur * 2.5f));
  const int W2 = RoundHalfEven(R.Right - R.Left + 2 * b), H2 = RoundHalfEven(R.Bottom - R.Top + 2 * b);
  TDXBlurCache& cache = *FBlurCache;
  const bool cached = cache.BA && cache.Same(RoundHalfEven(Props.MaxBorderRadius), Props.Blur, Props.Color, true,
                                             R.Right - R.Left, R.Bottom - R.Top, Props.HOffset, Props.VOffset);
  if (!cached) {
    if (W2 <= 0 || H2 <= 0 || !SurfaceWithinBudget(W2, H2)) return;
    THtBitmapGP B(W2, H2, true);
    if (!B.Surface()) return;
    std::shared_ptr<ID2D1DCRenderTarget> target;
    {
      std::lock_guard<std::mutex> lock(D2DHelper().Lock);
      D2D1_RENDER_TARGET_PROPERTIES rp = D2D1RenderTargetProperties(
          D2D1_RENDER_TARGET_TYPE_SOFTWARE, D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED),
          0, 0, 2, 0);
      if (FAILED(D2DHelper().D2DFactory->CreateDCRenderTarget(rp, &target)) || !target) return;
    }
    RECT br{0, 0, W2, H2};
    OleCheck(target->BindDC(B.Handle, &br));
    target->BeginDraw();
    std::shared_ptr<ID2D1SolidColorBrush> brush;
    target->CreateSolidColorBrush(ColorF(Props.Color), nullptr, &brush);
    target->SetTransform(D2D1TranslationMatrix(float(b) - R.Left, float(b) - R.Top));
    auto* dx = dynamic_cast<THtPathDX*>(Path);
    if (dx && dx->Geometry && !dx->Empty()) {
      target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
      target->FillGeometry(dx->Geometry.get(), brush.get());
    } else if (Props.MaxBorderRadius < 1) {
      target->FillRectangle({R.Left, R.Top, R.Right, R.Bottom}, brush.get());
    } else {
      target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
      target->FillRoundedRectangle({{R.Left, R.Top, R.Right, R.Bottom}, Props.MaxBorderRadius, Props.MaxBorderRadius},
                                   brush.get());
    }
    target->EndDraw();
    if (Props.Blur >= 0.1f) {
      B.Surface()->Flush();
      BlurBitmap32(pixelMap(B), TRect(b, b, W2 - b, H2 - b), Props.Blur, Props.Color,
                   int(std::ceil(Props.MaxBorderRadius)), Props.OneBorderRadius);
      B.Surface()->MarkDirty();
    }
    // The box itself is cut out of its shadow.
    if (Props.MaxBorderRadius <= 1) {
      target->BeginDraw();
      target->PushAxisAlignedClip({R.Left - Props.HOffset, R.Top - Props.VOffset, R.Right - Props.HOffset - 1,
                                   R.Bottom - Props.VOffset - 1},
                                  D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
      target->Clear(nullptr);
      target->PopAxisAlignedClip();
      target->EndDraw();
    } else {
      ClearRoundRectPixels(&B,
                           TRectF(b - Props.HOffset, b - Props.VOffset, b - Props.HOffset + R.Right - R.Left,
                                  b - Props.VOffset + R.Bottom - R.Top),
                           Props.MaxBorderRadius);
    }
    cache.BA = BitmapToD2DBitmap(&B);
    if (!cache.BA) return;
  }
  const float l = R.Left - b + Props.HOffset, t = R.Top - b + Props.VOffset;
  D2D1_RECT_F d{l, t, l + W2, t + H2};
  FContext->DrawBitmap(cache.BA.get(), &d, Props.Opacity / 255.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

// ---------------------------------------------------------------- blur

void THtCanvasDX::BlurRect(const TRectF& R, THtPath*, float BlurRadius) {
  if (!(BlurRadius > 0) || !drawing()) return;
  const TRectF D = FCurrentMatrix.TransformRect(R);
  const double dw = std::ceil(double(D.Right) - D.Left), dh = std::ceil(double(D.Bottom) - D.Top);
  if (!(dw > 0) || !(dh > 0) || !SurfaceWithinBudget(int64_t(std::min(dw, 1e9)), int64_t(std::min(dh, 1e9)))) return;
  // The effect exists only on a window's device context.
  std::shared_ptr<ID2D1DeviceContext> dc = std::dynamic_pointer_cast<ID2D1DeviceContext>(FContext);
  if (!dc || FContext != FDeviceContext) return;
  const int w = int(dw), h = int(dh);
  const int left = int(roundHalfAway(D.Left)), top = int(roundHalfAway(D.Top));
  D2D1_BITMAP_PROPERTIES props;
  props.pixelFormat = D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE);
  std::shared_ptr<ID2D1Bitmap> bmp;
  OleCheck(FContext->CreateBitmap({UINT32(w), UINT32(h)}, nullptr, 0, props, &bmp));
  D2D1_POINT_2U at{0, 0};
  D2D1_RECT_U src{UINT32(std::max(left, 0)), UINT32(std::max(top, 0)), UINT32(std::max(left + w, 0)),
                  UINT32(std::max(top + h, 0))};
  OleCheck(bmp->CopyFromRenderTarget(&at, FContext.get(), &src));
  std::shared_ptr<ID2D1Effect> effect;
  OleCheck(dc->CreateEffect(CLSID_D2D1GaussianBlur, &effect));
  OleCheck(effect->SetValue(D2D1_GAUSSIANBLUR_PROP_BORDER_MODE, float(D2D1_BORDER_MODE_HARD)));
  effect->SetInput(0, bmp);
  OleCheck(effect->SetValue(D2D1_GAUSSIANBLUR_PROP_STANDARD_DEVIATION, BlurRadius));
  OleCheck(effect->SetValue(D2D1_GAUSSIANBLUR_PROP_OPTIMIZATION, 0));
  FContext->SetTransform(D2D1IdentityMatrix());
  FContext->PushAxisAlignedClip({float(left), float(top), float(left + w), float(top + h)},
                                D2D1_ANTIALIAS_MODE_ALIASED);
  struct TPop {
    THtCanvasDX* C;
    ~TPop() {
      C->FContext->PopAxisAlignedClip();
    }
  };
  std::shared_ptr<ID2D1Image> output;
  effect->GetOutput(&output);
  {
    TPop pop{this};
    D2D1_POINT_2F offset{float(left), float(top)};
    dc->DrawImage(output.get(), &offset, nullptr, D2D1_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                  D2D1_COMPOSITE_MODE_SOURCE_OVER);
    setDeviceTransform();
  }
}

}  // namespace ht
