#pragma once
// Shared between the facade's own files; not for callers.
#include <memory>
#include <vector>

#include <cairo.h>

#include "platform/gdi/gdi.h"
#include "platform/rtl/geometry.h"

namespace ht::gdi::detail {

// Figures of device points and point types as closed polygons (Beziers
// flattened).
std::vector<std::vector<TPointF>> FlattenFigures(const std::vector<POINT>& Pts, const std::vector<BYTE>& Types);
// The pixels whose centres the figures cover under the fill mode.
HRGN FiguresToRegion(const std::vector<POINT>& Pts, const std::vector<BYTE>& Types, int Mode);
// Draws device-space figures on the DC's bitmap, aliased and inside its
// clip: filled with the selected brush (every figure closed), outlined with
// the selected pen.
BOOL RenderPath(HDC Dc, const std::vector<POINT>& Pts, const std::vector<BYTE>& Types, bool Fill, bool Stroke);

// The destination rectangle of a blit (logical) in device pixels: through
// the world transform, its bounds when it rotates. False when empty.
bool DeviceDestRect(HDC Dc, int X, int Y, int W, int H, TRect& R);

// The surface a copy from Src to Dest reads: Src's own, or a snapshot of it
// kept in Snap when both share a bitmap (a copy onto itself).
core::TCoreSurface* CopySource(HDC Src, HDC Dest, std::unique_ptr<core::TCoreSurface>& Snap);

// The DC's kept drawing context on its bitmap, clipped to its clip, with
// the identity matrix; callers set the rest and leave it as they like.
cairo_t* DrawContext(HDC Dc);

}  // namespace ht::gdi::detail
