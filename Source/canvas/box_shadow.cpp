#include "canvas/box_shadow.h"

#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/canvas_scene.h"
#include "canvas/geometry.h"
#include "canvas/matrix.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {


TRectF boundsF(float X, float Y, float W, float H) { return TRectF(X, Y, X + W, Y + H); }

// A canvas of the owner's class drawing on a bitmap for the length of one
// rendering; the scene is ended and the canvas freed also when drawing fails.
class ScratchCanvas {
 public:
  ScratchCanvas(THtCanvas& Owner, THtBitmap& B) : canvas_(Owner.ClassRefOf()->Create()) {
    if (!canvas_) return;
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, B.Width(), B.Height()), B.Canvas());
    scene.Bitmap = &B;
    canvas_->BeginScene(scene);
    began_ = true;
  }
  ~ScratchCanvas() {
    if (!began_) return;
    try {
      canvas_->EndScene();
    } catch (...) {
      // Already unwinding from the drawing failure, which is the one to report.
    }
  }
  THtCanvas* get() { return canvas_.get(); }
  void End() {
    began_ = false;
    canvas_->EndScene();
  }

 private:
  std::unique_ptr<THtCanvas> canvas_;
  bool began_ = false;
};

void fillShape(THtCanvas& C, THtBrush* Brush, THtPath* Path, const TRectF& R, float Radius) {
  if (Path)
    C.FillPath(Brush, Path);
  else if (Radius > 0)
    C.FillRoundRect(Brush, R, Radius, Radius);
  else
    C.FillRectangle(Brush, R);
}

// The shadow is filled with the alpha's lowest bit cleared.
uint32_t shadowFillColor(uint32_t Color) { return Color & 0xFEFFFFFFu; }
constexpr uint32_t kClearColor = 0x00FFFFFF;

void drawSmallShadow(THtCanvas& Canvas, const THtShadowProps& P, THtPath* Path, int Pad) {
  const TRectF S = ShadowRect(P, Pad);
  const int W = RoundHalfEven(S.Right - S.Left), H = RoundHalfEven(S.Bottom - S.Top);
  if (W <= 0 || H <= 0) return;
  std::unique_ptr<THtBitmap> B = Canvas.BitmapClass()->Create(W, H, true);
  if (!B) return;
  B->FillRect(TRect(0, 0, W, H), 0);
  {
    ScratchCanvas scratch(Canvas, *B);
    THtCanvas* c = scratch.get();
    if (!c) return;
    c->SaveState();
    c->TranslateTransform(float(Pad) - P.R.Left, float(Pad) - P.R.Top);
    c->SetSmoothingMode(false);
    fillShape(*c, c->GetBrush(shadowFillColor(P.Color)), Path, P.R, P.MaxBorderRadius);
    c->RestoreState();
    c->BlurRect(TRectF(0, 0, float(W), float(H)), nullptr, P.Blur / 2);
    if (!P.HasBackground || (P.BackgroundColor >> 24) < 0xFF) {
      // The box itself, where it lies over its own shadow.
      c->TranslateTransform(-S.Left, -S.Top);
      c->SetCompositingMode(false);
      THtBrush* clear = c->GetBrush(kClearColor);
      if (P.MaxBorderRadius > 0) c->SetSmoothingMode(true);
      fillShape(*c, clear, Path, P.R, P.MaxBorderRadius);
    }
    scratch.End();
  }
  Canvas.DrawBitmap(B.get(), S, TRect(0, 0, W, H), float(P.Opacity) / 255);
}

void renderCache(THtCanvas& Canvas, THtShadowCache& Cache, const THtShadowProps& P, int Pad, int Side) {
  Cache.Props = P;
  if (Cache.B->Width() != Side || Cache.B->Height() != Side) Cache.B->SetSize(Side, Side);
  const int W = Side, H = Side;
  Cache.B->FillRect(TRect(0, 0, W, H), 0);
  ScratchCanvas scratch(Canvas, *Cache.B);
  THtCanvas* c = scratch.get();
  if (!c) return;
  c->SetSmoothingMode(false);
  const TRectF shape{float(Pad), float(Pad), float(W - Pad), float(H - Pad)};
  fillShape(*c, c->GetBrush(shadowFillColor(P.Color)), nullptr, shape, P.MaxBorderRadius);
  c->BlurRect(TRectF(0, 0, float(W), float(H)), nullptr, P.Blur / 2);
  if (!P.HasBackground) {
    c->SetCompositingMode(false);
    fillShape(*c, c->GetBrush(kClearColor), nullptr, ShadowCutoutRect(shape, P.HOffset, P.VOffset),
              P.MaxBorderRadius);
  }
  scratch.End();
}

// Restores the canvas state saved for device-pixel slices, also on failure.
struct StateGuard {
  THtCanvas* Canvas = nullptr;
  ~StateGuard() {
    if (Canvas) Canvas->RestoreState();
  }
};

void drawLargeShadow(THtCanvas& Canvas, const THtShadowProps& P, int Pad, std::unique_ptr<THtShadowCache>& Cache) {
  const int side = ShadowCacheSide(P, Pad);
  if (side > HtMaxShadowCacheSide) return;
  bool hit = false;
  if (!Cache) {
    std::unique_ptr<THtBitmap> B = Canvas.BitmapClass()->Create(side, side, true);
    if (!B) return;
    Cache = std::make_unique<THtShadowCache>();
    Cache->B = std::move(B);
  } else {
    hit = SameShadowKey(Cache->Props, P);
  }
  if (!hit) renderCache(Canvas, *Cache, P, Pad, side);

  const int W = Cache->B->Width(), H = Cache->B->Height();
  const int half = RoundHalfEven((side - 10) / 2.0), hx = RoundHalfEven(P.HOffset), vy = RoundHalfEven(P.VOffset);
  const TRectF S = ShadowRect(P, Pad);
  const THtMatrixData M = *Canvas.CurrentMatrix();
  int s = half, hxd = hx, vyd = vy;
  TRect D = RectFToRect(S);
  StateGuard guard;
  if (M.Flags <= mfScale) {
    // Place the slices on whole device pixels.
    s = RoundHalfEven(half * M.XScale());
    hxd = RoundHalfEven(P.HOffset * M.XScale());
    vyd = RoundHalfEven(P.VOffset * M.YScale());
    D = RectFToRect(M.TransformRect(S));
    Canvas.SaveState();
    guard.Canvas = &Canvas;
    Canvas.MatrixTransform(THtMatrixData::Identity(), false);
  }
  for (const THtShadowSlice& slice : ShadowSlices(D, s, hxd, vyd, half, hx, vy, W, H))
    if (Canvas.DocumentRectInView(slice.Dest))
      Canvas.DrawBitmap(Cache->B.get(), slice.Dest, slice.Src, float(P.Opacity) / 255);
}

}  // namespace

void HtShadowProps(THtShadowProps& P, const TRectF& R, float MaxBorderRadius, bool OneBorderRadius, float HOffset,
                   float VOffset, float Blur, uint32_t Color, uint8_t Opacity, bool Inset) {
  P.R = R;
  P.MaxBorderRadius = MaxBorderRadius;
  P.OneBorderRadius = OneBorderRadius;
  P.HOffset = HOffset;
  P.VOffset = VOffset;
  P.Blur = Blur;
  P.Color = Color;
  P.Opacity = Opacity;
  P.Inset = Inset;
}

int ShadowPad(float Blur) {
  if (!(Blur > 0)) return 0;
  return RoundHalfEven(double(std::min(Blur, HtMaxShadowBlur)) * 3);
}

TRectF ShadowRect(const THtShadowProps& P, int Pad) {
  return TRectF(P.R.Left + P.HOffset - float(Pad), P.R.Top + P.VOffset - float(Pad), P.R.Right + P.HOffset + float(Pad),
                P.R.Bottom + P.VOffset + float(Pad));
}

bool IsLargeShadow(const THtShadowProps& P) {
  return (P.R.Right - P.R.Left) * (P.R.Bottom - P.R.Top) >= HtLargeShadowArea;
}

int ShadowCacheSide(const THtShadowProps& P, int Pad) {
  const double m = std::max(std::fabs(P.HOffset), std::fabs(P.VOffset));
  const double side = std::nearbyint(double(P.MaxBorderRadius) * 2) + 4.0 * Pad + std::nearbyint(m) + 5;
  return side > 1e9 ? 1000000000 : int(side);
}

bool SameShadowKey(const THtShadowProps& Cached, const THtShadowProps& P) {
  return Cached.Color == P.Color && SameSingle(Cached.MaxBorderRadius, P.MaxBorderRadius) &&
         SameSingle(Cached.HOffset, P.HOffset) && SameSingle(Cached.VOffset, P.VOffset) &&
         SameSingle(Cached.Blur, P.Blur) && Cached.HasBackground == P.HasBackground;
}

TRectF ShadowCutoutRect(const TRectF& Shape, float HOffset, float VOffset) {
  return TRectF(Shape.Left - HOffset, Shape.Top - VOffset, Shape.Right - HOffset, Shape.Bottom - VOffset);
}

std::array<THtShadowSlice, 8> ShadowSlices(const TRect& D, int s, int hxd, int vyd, int Half, int HX, int VY, int W,
                                           int H) {
  const float L = float(D.Left), T = float(D.Top), Rt = float(D.Right), Bt = float(D.Bottom);
  const float fs = float(s);
  return {{
      {boundsF(L, T, fs, fs), TRect(0, 0, Half, Half)},
      {boundsF(Rt - fs, T, fs, fs), TRect(W - Half, 0, W, Half)},
      {boundsF(L, Bt - fs, fs, fs), TRect(0, H - Half, Half, H)},
      {boundsF(Rt - fs, Bt - fs, fs, fs), TRect(W - Half, H - Half, W, H)},
      {boundsF(L + fs, T, Rt - L - 2 * fs, fs - float(vyd)), TRect(Half, 0, Half + 1, Half - VY)},
      {boundsF(L + fs, Bt - fs - float(vyd), Rt - L - 2 * fs, fs + float(vyd)), TRect(Half, H - Half - VY, Half + 1, H)},
      {boundsF(L, T + fs, fs - float(hxd), Bt - T - 2 * fs), TRect(0, Half, Half - HX, Half + 1)},
      {boundsF(Rt - fs - float(hxd), T + fs, fs + float(hxd), Bt - T - 2 * fs), TRect(W - Half - HX, Half, W, Half + 1)},
  }};
}

void DrawBoxShadow(THtCanvas& Canvas, const THtShadowProps& Props, THtPath* Path,
                   std::unique_ptr<THtShadowCache>& Cache) {
  THtShadowProps p = Props;
  // A corner radius never exceeds half the box; a huge blur is drawn at the
  // largest one that still changes the picture.
  const float w = p.R.Right - p.R.Left, h = p.R.Bottom - p.R.Top;
  if (!(w > 0) || !(h > 0)) return;
  p.MaxBorderRadius = std::clamp(p.MaxBorderRadius, 0.0f, std::min(w, h) / 2);
  p.Blur = std::clamp(p.Blur, 0.0f, HtMaxShadowBlur);
  const int pad = ShadowPad(p.Blur);
  const double smallPixels = (double(w) + 2 * pad) * (double(h) + 2 * pad);
  if (!IsLargeShadow(p) && smallPixels <= double(HtMaxSmallShadowPixels))
    drawSmallShadow(Canvas, p, Path, pad);
  else
    drawLargeShadow(Canvas, p, pad, Cache);
}

}  // namespace ht
