#pragma once
// Paths and world transforms of the GDI facade: the path bracket
// (BeginPath .. EndPath) records figures as integer device points with
// their point types, GetPath reads them back, PolyDraw replays them and
// PathToRegion turns them into a region. Arcs and rounded corners are
// recorded as cubic Beziers, as the platform does.
//
// Inside a bracket the shape calls (LineTo, PolyBezierTo, Rectangle,
// RoundRect, Ellipse, AngleArc, ArcTo, Arc, PolyDraw, Polyline) only record;
// outside one they draw, aliased: lines with the selected pen, closed shapes
// filled with the selected brush and outlined with the pen.
//
// The path, fill mode, arc direction and world transform are the device
// context's own (SaveDC keeps all but the path).
#include <cstdint>

#include "platform/gdi/gdi.h"

namespace ht::gdi {

constexpr BYTE PT_CLOSEFIGURE = 0x01, PT_LINETO = 0x02, PT_BEZIERTO = 0x04, PT_MOVETO = 0x06;
constexpr DWORD MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3;

// Opens a new bracket, dropping any path the context held.
BOOL BeginPath(HDC Dc);
// Closes the bracket; the path stays for GetPath, PathToRegion and PolyDraw.
BOOL EndPath(HDC Dc);
BOOL AbortPath(HDC Dc);
BOOL CloseFigure(HDC Dc);
// Count 0 asks for the number of points; a smaller buffer fails (-1, last
// error csInsufficientBuffer). Needs an ended path.
int GetPath(HDC Dc, POINT* Points, BYTE* Types, int Count);
// The ended path's region in device pixels (a pixel belongs when its centre
// is inside, under the poly fill mode); the path is consumed.
HRGN PathToRegion(HDC Dc);

BOOL MoveToEx(HDC Dc, int X, int Y, POINT* Old);
BOOL LineTo(HDC Dc, int X, int Y);
// Count is a multiple of 3.
BOOL PolyBezierTo(HDC Dc, const POINT* Points, DWORD Count);
BOOL PolyDraw(HDC Dc, const POINT* Points, const BYTE* Types, int Count);
// A closed figure from (L, T) to (R - 1, B - 1), the platform's exclusive
// right and bottom edge; to (R, B) in GM_ADVANCED, so that its region holds
// exactly the pixels L .. R - 1. RoundRect alike.
BOOL Rectangle(HDC Dc, int L, int T, int R, int B);
// Corners are quarter ellipses W x H (clamped to the box).
BOOL RoundRect(HDC Dc, int L, int T, int R, int B, int W, int H);
// The ellipse inscribed in the box (the same edges as Rectangle).
BOOL Ellipse(HDC Dc, int L, int T, int R, int B);
// Lines through the points; the current position stays.
BOOL Polyline(HDC Dc, const POINT* Points, int Count);
// ArcTo without the line from, nor the move of, the current position.
BOOL Arc(HDC Dc, int L, int T, int R, int B, int X1, int Y1, int X2, int Y2);
// A line from the current position to the arc's start, then the arc of the
// circle around (X, Y); angles in degrees counter-clockwise on screen.
BOOL AngleArc(HDC Dc, int X, int Y, DWORD Radius, float StartAngle, float SweepAngle);
// The arc of the ellipse in the box from the radial through (X1, Y1) to the
// one through (X2, Y2), in the arc direction, joined by a line from the
// current position; the current position ends at the arc's end.
BOOL ArcTo(HDC Dc, int L, int T, int R, int B, int X1, int Y1, int X2, int Y2);
int SetArcDirection(HDC Dc, int Dir);
int GetArcDirection(HDC Dc);
int SetPolyFillMode(HDC Dc, int Mode);
int GetPolyFillMode(HDC Dc);

// The ended path drawn and consumed: filled with the brush under the poly
// fill mode, outlined with the pen, or both.
BOOL FillPath(HDC Dc);
BOOL StrokePath(HDC Dc);
BOOL StrokeAndFillPath(HDC Dc);
// The ended path's region combined into the clip (RGN_AND, RGN_OR, RGN_COPY
// ...); the path is consumed.
BOOL SelectClipPath(HDC Dc, int Mode);

// World transforms need GM_ADVANCED (SetGraphicsMode); points are mapped
// when they are recorded.
BOOL SetWorldTransform(HDC Dc, const XFORM* X);
BOOL GetWorldTransform(HDC Dc, XFORM* X);
// Left-multiply: X applies before the transform already set.
BOOL ModifyWorldTransform(HDC Dc, const XFORM* X, DWORD Mode);


}  // namespace ht::gdi
