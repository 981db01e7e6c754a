#pragma once
// Placing images on a canvas: one image into a rectangle (DrawImage), an
// image repeated over a rectangle (TileImage) and a CSS background image
// positioned, sized and repeated inside an element's box (FillImage).
//
// The Base* routines are what a canvas does when it has nothing better: the
// base DrawImage plays only vector images (their recorded picture); back ends
// draw raster images themselves. The Canvas* entry points are what callers
// use: they reach a canvas's own version when it has one (a canvas that
// implements IHtImageDrawing, such as the recording canvas) and the base
// routine otherwise.
#include <cstdint>

#include "canvas/canvas_types.h"
#include "css/css_keywords.h"
#include "css/measure.h"
#include "platform/rtl/geometry.h"

namespace ht {

enum TBackgroundSize : uint8_t { bsAuto, bsSize, bsCover, bsContain };

// The part of an element's computed background that placing its image
// reads: how it repeats, how it is sized and where it sits.
struct TElementBackground {
  TBackgroundRepeat Repeat = brRepeat;
  TBackgroundSize Size = bsAuto;
  TMeasure SizeX, SizeY;          // used with bsSize; auto keeps the image's own side
  TMeasure PositionX, PositionY;  // offsets, or the keyword flags mfLeft/mfCenter/...

  // A copy whose non-auto sizes and positions are fixed pixel values, so it
  // no longer depends on the style (and percentage bases) it came from.
  TElementBackground Resolved() const;
};

// Canvases that place images themselves. Stands in for the canvas's own
// virtual image operations.
class IHtImageDrawing {
 public:
  virtual void DrawImage(THtImage* Image, const TRectF& R, float Opacity) = 0;
  virtual void TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                         bool RepeatY, float Opacity, float Radius) = 0;
  virtual void FillImage(const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                         const TElementBackground& Background, float Opacity, float Radius) = 0;

 protected:
  ~IHtImageDrawing() = default;
};

void CanvasDrawImage(THtCanvas& Canvas, THtImage* Image, const TRectF& R, float Opacity);
void CanvasTileImage(THtCanvas& Canvas, THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin,
                     bool RepeatX, bool RepeatY, float Opacity, float Radius);
void CanvasFillImage(THtCanvas& Canvas, const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                     const TElementBackground& Background, float Opacity, float Radius);

// Plays a vector image's picture into R: clipped to R, moved to its corner
// and scaled by R's width over the image width (both axes) unless the width
// already rounds to the image width. Other images draw nothing.
void BaseDrawImage(THtCanvas& Canvas, THtImage* Image, const TRectF& R, float Opacity);
// One CanvasDrawImage per W x H tile. The grid is shifted by Origin (reduced
// to 0 <= shift < tile) and counted so that it covers R from that shifted
// start; an axis that does not repeat draws one tile. A tile size that is not
// positive (or not finite) draws nothing.
void BaseTileImage(THtCanvas& Canvas, THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin,
                   bool RepeatX, bool RepeatY, float Opacity, float Radius);
// Sizes and positions the image in R as Background says and draws it once
// or tiles it. An image without a size (width or height below 1) draws
// nothing.
void BaseFillImage(THtCanvas& Canvas, const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                   const TElementBackground& Background, float Opacity, float Radius);

}  // namespace ht
