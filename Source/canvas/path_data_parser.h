#pragma once
// SVG path data read into a path of any class, through the path's own
// operations (MoveTo, LineTo, AddArc, AddBeziers, CloseFigure), and the
// quadratic-to-cubic conversion the reader uses.
//
// The reader follows SVG path syntax: implicit repeats of the last command
// (pairs after a move are lines), relative lower-case commands, reflected
// control points for S and T, elliptical arcs with radii scaled up when too
// small, and a figure after Z continuing from the closed figure's start.
// Missing numbers read as 0; commas, "+" signs and stray units between
// numbers are skipped.
#include "canvas/path.h"
#include "platform/rtl/string.h"

namespace ht {

// Appends the figures of s to Path. An unknown command letter, or a number
// with no command to repeat (data starting with a number, numbers after Z),
// raises Exception "Unknown path command " followed by the offending
// character (U+0000 for data that starts with a number); the figures read
// before it stay in Path.
void ParsePathData(THtPath& Path, StringView s);

// ParsePathData for painting code: bad data ends the figures where it
// starts (what came before stays drawn) and answers false instead of
// raising.
bool TryParsePathData(THtPath& Path, StringView s);

// Quadratic segments as cubic ones through Path.AddBeziers. Two points
// (control, end) continue from the path's current point (its record list's
// last point, (0, 0) without one); three or more are a start point, reached
// by LineTo, followed by (control, end) pairs; fewer than two do nothing.
void AddQBeziers(THtPath& Path, const TPointFArray& Points);

}  // namespace ht
