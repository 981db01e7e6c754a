#pragma once
// THtSVGWriter: a text builder for SVG. It writes compact path data (the "d"
// attribute: repeated command letters left out, relative forms where they
// are shorter) and a few complete SVG elements. The caller takes the text
// with ToString.
//
// Number formats: F = at most 3 fraction digits, N2 / N4 = at most 2 / 4,
// W = at most 2 (stroke widths); always the compact form (no trailing zeros,
// no point without a fraction, no "0" before the point). Colours are written
// "#rrggbb" when opaque and "#rrggbbaa" otherwise; a colour value of 0 means
// "no such attribute" in the element writers.
//
// Attribute values taken from callers (Style, Transform, Anchor, path text)
// are escaped as attribute values; Text's Value is escaped as text. Attr and
// Attrs are raw attribute markup and are written as they are.
#include <cstdint>

#include "canvas/canvas_types.h"
#include "canvas/pen.h"
#include "markup/fast_string.h"
#include "platform/rtl/string.h"

namespace ht {

class THtPath;

class THtSVGWriter : public TFastString {
 public:
  explicit THtSVGWriter(int ADelta = 256) : TFastString(ADelta) {}

  // Nothing written yet.
  bool Empty() const { return TotalLength() == 0; }

  // ---- primitives
  // Plain text; the next path command writes its letter.
  THtSVGWriter& s(StringView Value);
  THtSVGWriter& F(double Value);
  THtSVGWriter& FS(double Value);
  THtSVGWriter& Color(uint32_t AColor);
  // Starts a path command: the letter is left out when it repeats the last
  // command (a blank then separates the numbers when needed). A move is
  // remembered as "L", since pairs after a move are line coordinates.
  THtSVGWriter& Com(char16_t ACommand);
  char16_t LastCommand() const { return FLastCommand; }

  // ---- path commands
  THtSVGWriter& Move(double X, double Y);
  THtSVGWriter& MoveRel(double dx, double dy);
  THtSVGWriter& LineTo(double X, double Y);
  // "h" when dy is exactly 0, "v" when dx is exactly 0, else "l".
  THtSVGWriter& LineRel(double dx, double dy);
  THtSVGWriter& h(double Value);
  THtSVGWriter& HRel(double Delta);
  THtSVGWriter& V(double Value);
  THtSVGWriter& VRel(double Delta);
  THtSVGWriter& Arc(double Rx, double Ry, double Angle, int large, int sweep, double X, double Y);
  THtSVGWriter& Z();

  // ---- elements
  THtSVGWriter& Line(float x1, float y1, float x2, float y2, uint32_t Stroke, float StrokeWidth);
  THtSVGWriter& Circle(float CX, float CY, float R, uint32_t Fill, uint32_t Stroke, float StrokeWidth);
  THtSVGWriter& Ellipse(float CX, float CY, float RX, float RY, uint32_t Fill, uint32_t Stroke, float StrokeWidth);
  THtSVGWriter& Rect(float X, float Y, float W, float H, uint32_t Fill, uint32_t Stroke, float StrokeWidth,
                     StringView Style = {}, float RX = 0, float RY = 0);
  THtSVGWriter& Text(float X, float Y, StringView Anchor, StringView Value, StringView Style = {},
                     StringView Transform = {}, StringView Attrs = {});
  // Opens a path element up to the start of its "d" value; EndPath closes it.
  THtSVGWriter& BeginPath(uint32_t Fill, uint32_t Stroke, float StrokeWidth, StringView Style = {},
                          bool CrispEdges = false, StringView Attr = {});
  THtSVGWriter& EndPath();
  THtSVGWriter& Path(StringView APath, uint32_t Fill, uint32_t Stroke, float StrokeWidth);
  // An unfilled path element with the pen's colour, width and dashes and the
  // path's own path data.
  THtSVGWriter& StrokePath(THtPath* APath, THtPen* Pen);
  THtSVGWriter& Stroke(uint32_t AColor, float AWidth);
  THtSVGWriter& Stroke(THtPen* APen);

  // "stroke=... stroke-width=..." plus dashes (DashArray rounded to integers,
  // else the dash attribute of AStyle).
  static String StrokeStyle(uint32_t AColor, float AWidth, THtPenStyle AStyle, const TSingleArray& DashArray);
  // The same as CSS declarations.
  static String StrokeStyleCSS(uint32_t AColor, float AWidth, THtPenStyle AStyle, const TSingleArray& DashArray);

 private:
  // Numbers in N4 or N2 format (no letter, no blank).
  void num(double Value, int Digits) { Add(Value, Digits); }
  void attrs(uint32_t Fill, uint32_t Stroke, float StrokeWidth);
  // Name=Q value Q with the value escaped as an attribute value.
  void attr(StringView Name, StringView Value);
  void attrNum(StringView Name, double Value);
  void escapedAttr(StringView Value);
  void escapedText(StringView Value);

  char16_t FLastCommand = 0;
};

}  // namespace ht
