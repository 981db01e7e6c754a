#pragma once
// Base drawings of the canvas built only from its other operations (and so,
// in the end, from DrawPath and FillPath on a path of the canvas's own path
// class): the stroked rounded rectangle, the form-control glyphs (check box,
// radio button, push button), the wavy spelling underline and the sharp text
// shadow. Back ends may draw themed or native versions instead; these are
// what a canvas without them shows.
//
// THtCanvas's virtual operations of the same names call these by default;
// painting code calls the canvas's operations, so back ends can replace them.
//
// Angles are degrees, clockwise on the y-down surface. Every temporary pen,
// brush and path is created and freed within the call.
#include <cstdint>

#include "canvas/canvas.h"

namespace ht {

// The outline of a rounded rectangle as four corner arcs and four edges
// whose ends overlap by the pen width, so the joins close under any pen.
// A corner radius reaching past half the inner width strokes an ellipse.
void RoundRect(THtCanvas& Canvas, THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY);

// R is the glyph's box; DPI is not used by these base drawings.
void DrawCheck(THtCanvas& Canvas, const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled);
void DrawRadio(THtCanvas& Canvas, const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled);
// The button's outline goes through Canvas.RoundRect.
void DrawButton(THtCanvas& Canvas, const TRectF& R, int DPI, bool Checked, bool Active, bool HOver, bool Disabled);

// A zig-zag of 3-pixel steps one pixel above and below y1 from x1 to x2
// (y2 is not used). Non-finite coordinates draw nothing; a very long line is
// cut after 65536 steps (about 390000 pixels).
void DrawWavyLine(THtCanvas& Canvas, float x1, float y1, float x2, float y2, THtPen* Pen);

// The text in ShadowColor moved by (HOffset, VOffset), then the text itself.
// Blur is left to back ends that can blur.
void DrawTextShadow(THtCanvas& Canvas, StringView s, const TRectF& R, const THtTextStyle& TextStyle, THtFont* Font,
                    float HOffset, float VOffset, float Blur, uint32_t ShadowColor);

}  // namespace ht
