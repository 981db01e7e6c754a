// Replaying path records as separate strokes on a canvas: kept apart from
// the records themselves, which need no canvas.
#include <cmath>

#include "canvas/arc_geometry.h"
#include "canvas/canvas.h"
#include "canvas/matrix.h"
#include "canvas/path_records.h"

namespace ht {

namespace {


}  // namespace

void THtCustomPath::DrawPath(THtCanvas* Canvas, THtPen* Pen) const {
  TPointF cur, figStart;
  bool open = false;
  auto line = [&](const TPointF& p) {
    if (open && !SamePoint(cur, p)) Canvas->DrawLine(Pen, cur.X, cur.Y, p.X, p.Y);
    cur = p;
    open = true;
  };
  for (int i = 0; i < FCount; ++i) {
    const THtPathRec& r = FRecs[size_t(i)];
    switch (r.Kind) {
      case prMoveTo:
        cur = figStart = r.Point;
        open = true;
        break;
      case prLineTo:
        if (!open) figStart = cur;
        open = true;
        line(r.Point);
        break;
      case prArc: {
        const TPointF box = r.Points[0], size = r.Points[1], angles = r.Points[2];
        const TPointF s = ArcStartPoint(box.X, box.Y, size.X, size.Y, angles.X);
        if (open)
          line(s);
        else
          cur = figStart = s;
        open = true;
        Canvas->DrawArc(Pen, box.X, box.Y, size.X, size.Y, angles.X, angles.Y);
        cur = recEnd(i);
        break;
      }
      case prEllipse:
        Canvas->DrawEllipse(Pen, r.Points[0].X, r.Points[0].Y, r.Points[1].X, r.Points[1].Y);
        break;
      case prCurveTo:
      case prQCurveto: {
        THtCustomPath one;
        one.MoveTo(cur.X, cur.Y);
        *one.Add() = r;
        THtCustomPath flat;
        one.Flatten(0.5f, flat);
        if (!open) figStart = cur;
        open = true;
        for (int k = 1; k < flat.FCount; ++k) line(flat.FRecs[size_t(k)].Point);
        break;
      }
      case prPolyline:
        for (const TPointF& p : r.Points) {
          if (!open) cur = figStart = p;
          line(p);
        }
        break;
      case prCloseFigure:
        if (open) line(figStart);
        open = false;
        break;
      default: break;
    }
  }
}

}  // namespace ht
