#pragma once
// Placing images on a canvas: one image into a rectangle (DrawImage), an
// image repeated over a rectangle (TileImage) and a CSS background image
// positioned, sized and repeated inside an element's box (FillImage).
//
// DrawImage, TileImage and FillImage are virtual operations of THtCanvas;
// the Base* routines here are what the canvas base class does with them.
// The base DrawImage plays only vector images (their recorded picture);
// back ends draw raster images themselves.
#include <memory>

#include "canvas/canvas_types.h"
#include "css/element_background.h"
#include "platform/rtl/geometry.h"

namespace ht {

// A copy of Background for keeping beyond the element it came from (a
// display list): every size and position that is not auto becomes its
// current pixel value, so the copy no longer depends on the style (and
// percentage bases) of the element.
std::unique_ptr<TElementBackground> ResolvedBackground(const TElementBackground& Background);

// Plays a vector image's picture into R: clipped to R, moved to its corner
// and scaled by R's width over the image width (both axes) unless the width
// already rounds to the image width. Other images draw nothing.
void BaseDrawImage(THtCanvas& Canvas, THtImage* Image, const TRectF& R, float Opacity);
// One Canvas.DrawImage per W x H tile. The grid is shifted by Origin (reduced
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
