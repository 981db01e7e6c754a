#include "canvas/image_drawing.h"

#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/geometry.h"
#include "canvas/meta_canvas.h"

namespace ht {

namespace {

// Target (an Assign copy of Source) holds Source's current pixel value when
// Source is not auto. Source is read, not the copy: the copy has no style to
// resolve em or percentage lengths against.
void fixToPixels(TMeasure& Target, const TMeasure& Source) {
  Target.Style = nullptr;
  Target.Parent = nullptr;
  Target.Calc = nullptr;
  if (Source.GetAuto()) return;
  const float px = Source.ToPixels();
  Target.FValue = px;
  Target.FMUnit = muPX;
  if (px == 0)
    Target.Include(mfZero);
  else
    Target.Exclude(mfZero);
}

}  // namespace

std::unique_ptr<TElementBackground> ResolvedBackground(const TElementBackground& Background) {
  auto b = std::make_unique<TElementBackground>();
  b->Assign(Background);
  fixToPixels(b->SizeX, Background.SizeX);
  fixToPixels(b->SizeY, Background.SizeY);
  fixToPixels(b->PositionX, Background.PositionX);
  fixToPixels(b->PositionY, Background.PositionY);
  return b;
}

void BaseDrawImage(THtCanvas& Canvas, THtImage* Image, const TRectF& R, float Opacity) {
  if (!Image || !Image->IsVector) return;
  Canvas.SaveState();
  try {
    Canvas.IntersectClip(R);
    if (R.Left != 0 || R.Top != 0) Canvas.TranslateTransform(R.Left, R.Top);
    const float w = R.Right - R.Left;
    if (std::lrint(w) != Image->Width && Image->Width != 0) {
      const float s = w / float(Image->Width);
      Canvas.ScaleTransform(s, s);
    }
    if (Image->MetaList) Image->MetaList->Play(&Canvas, Opacity);
  } catch (...) {
    Canvas.RestoreState();
    throw;
  }
  Canvas.RestoreState();
}

namespace {

// The grid shift: Origin reduced into [0, Size).
float gridShift(float Origin, float Size) {
  float o = Origin - std::trunc(Origin / Size) * Size;
  if (o < 0) o += Size;
  return o;
}

}  // namespace

void BaseTileImage(THtCanvas& Canvas, THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin,
                   bool RepeatX, bool RepeatY, float Opacity, float) {
  if (!(W > 0) || !(H > 0) || !std::isfinite(W) || !std::isfinite(H)) return;
  const float ox = std::isfinite(Origin.X) ? gridShift(Origin.X, W) : 0;
  const float oy = std::isfinite(Origin.Y) ? gridShift(Origin.Y, H) : 0;
  // The grid starts ox before R.Left, so it must reach ox further to cover R.
  const double nx = RepeatX ? std::ceil((double(R.Right) - R.Left + ox) / W) : 1;
  const double ny = RepeatY ? std::ceil((double(R.Bottom) - R.Top + oy) / H) : 1;
  if (!(nx >= 1) || !(ny >= 1)) return;
  // Only the tiles the clip rectangle can show are drawn, and never more per
  // axis than it has pixels (and a margin): tiles below a pixel show nothing
  // the next one would not, and a tiny tile would otherwise never end.
  double j0 = 0, j1 = nx, i0 = 0, i1 = ny;
  const TRect& clip = Canvas.ClipRect();
  if (clip.Right > clip.Left && clip.Bottom > clip.Top) {
    THtMatrixData inverse = *Canvas.CurrentMatrix();
    inverse.Inverse();
    const TRectF c = inverse.TransformRect(RectToRectF(clip));
    const double gridLeft = double(R.Left) - ox, gridTop = double(R.Top) - oy;
    if (RepeatX) {
      j0 = std::max(0.0, std::floor((double(c.Left) - gridLeft) / W));
      j1 = std::min(nx, std::ceil((double(c.Right) - gridLeft) / W));
    }
    if (RepeatY) {
      i0 = std::max(0.0, std::floor((double(c.Top) - gridTop) / H));
      i1 = std::min(ny, std::ceil((double(c.Bottom) - gridTop) / H));
    }
    if (!(j1 > j0) || !(i1 > i0)) return;
  }
  const double limitX = double(std::max(clip.Right - clip.Left, 0)) + 2;
  const double limitY = double(std::max(clip.Bottom - clip.Top, 0)) + 2;
  if (!(j1 - j0 <= std::max(limitX, 4096.0)) || !(i1 - i0 <= std::max(limitY, 4096.0))) return;
  for (double i = i0; i < i1; ++i)
    for (double j = j0; j < j1; ++j) {
      const float x = R.Left + float(j) * W - ox, y = R.Top + float(i) * H - oy;
      Canvas.DrawImage(Image, TRectF(x, y, x + W, y + H), Opacity);
    }
}

namespace {

// The drawn size of the image: fitted into the box (cover fills it, contain
// shows all of it), or its own size with the background's lengths over it.
TPointF fillImageSize(const THtImage& Image, const TRectF& B, const TElementBackground& Background) {
  const float ratio = float(Image.Width) / float(Image.Height);
  const float bw = B.Right - B.Left, bh = B.Bottom - B.Top;
  if (Background.Size == bsCover || Background.Size == bsContain) {
    // The box is relatively taller than the image: contain fits the width,
    // cover the height (and the other way round).
    const bool fitWidth = (bh * ratio > bw) == (Background.Size == bsContain);
    return fitWidth ? TPointF(bw, bw / ratio) : TPointF(bh * ratio, bh);
  }
  TPointF size(float(Image.Width), float(Image.Height));
  if (!Background.SizeX.GetAuto()) size.X = float(Background.SizeX.ToIntPixels());
  if (!Background.SizeY.GetAuto()) size.Y = float(Background.SizeY.ToIntPixels());
  return size;
}

// Places the image along one axis of the box [start, end): a repeated image
// keeps the box and shifts its grid by the answer; a single image moves
// start and the answer is 0.
float placeOnAxis(const TMeasure& pos, TMeasureFlag nearSide, TMeasureFlag farSide, float& start, float end,
                  float extent, bool repeat) {
  const bool pixels = !pos.GetAuto() && !pos.Has(nearSide);
  if (repeat) {
    if (pos.Has(mfCenter)) return -((end - start - extent) / 2);
    if (pos.Has(farSide)) return -(end - start - extent);
    return pixels ? -float(pos.ToIntPixels()) : 0;
  }
  if (pos.Has(mfCenter))
    start = start + (end - start - extent) / 2;
  else if (pos.Has(farSide))
    start = end - extent;
  else if (pixels)
    start = start + float(pos.ToIntPixels());
  return 0;
}

}  // namespace

void BaseFillImage(THtCanvas& Canvas, const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                   const TElementBackground& Background, float Opacity, float Radius) {
  if (!Image || Image->Width < 1 || Image->Height < 1) return;
  const TBackgroundRepeat rep = Background.Repeat;
  const bool repeatX = rep == brRepeat || rep == brRepeatX;
  const bool repeatY = rep == brRepeat || rep == brRepeatY;
  TRectF B = R;
  const TPointF size = fillImageSize(*Image, B, Background);
  const float iw = size.X, ih = size.Y;
  const float dx = placeOnAxis(Background.PositionX, mfLeft, mfRight, B.Left, B.Right, iw, repeatX);
  const float dy = placeOnAxis(Background.PositionY, mfTop, mfBottom, B.Top, B.Bottom, ih, repeatY);

  if (Background.Size == bsCover || Background.Size == bsContain)
    Canvas.DrawImage(Image, TRectF(B.Left, B.Top, B.Left + iw, B.Top + ih), Opacity);
  else if (rep == brNoRepeat)
    Canvas.DrawImage(Image,
                     TRectF(B.Left - OriginDeltaX, B.Top - OriginDeltaY, B.Left + iw - OriginDeltaX,
                            B.Top + ih - OriginDeltaY),
                     Opacity);
  else
    Canvas.TileImage(Image, iw, ih, B, TPointF(OriginDeltaX + dx, OriginDeltaY + dy), repeatX, repeatY, Opacity,
                     Radius);
}

}  // namespace ht
