#pragma once
// Records of a THtCustomPath as one line of text for test expectations:
// "M x,y", "L x,y", "C x,y x,y x,y", "A x,y,w,h,start,sweep", "E x,y,w,h",
// "Z" (close), "S" (start figure), numbers with at most two decimals.
#include <string>

#include "canvas/path_records.h"
#include "support/trace_canvas.h"

namespace ht::testing {

inline std::string PointText(const TPointF& p) { return TraceNum(p.X) + "," + TraceNum(p.Y); }
inline std::string RectFText(const TRectF& r) {
  return TraceNum(r.Left) + "," + TraceNum(r.Top) + "," + TraceNum(r.Right) + "," + TraceNum(r.Bottom);
}

inline std::string DumpPath(const THtCustomPath& P) {
  std::string s;
  auto pt = [](const TPointF& p) { return TraceNum(p.X) + "," + TraceNum(p.Y); };
  for (int i = 0; i < P.Count(); ++i) {
    const THtPathRec& r = P.Rec(i);
    if (!s.empty()) s += ' ';
    switch (r.Kind) {
      case prMoveTo: s += "M" + pt(r.Point); break;
      case prLineTo: s += "L" + pt(r.Point); break;
      case prCurveTo:
        s += "C";
        for (size_t k = 0; k < r.Points.size(); ++k) s += (k ? " " : "") + pt(r.Points[k]);
        break;
      case prArc: s += "A" + pt(r.Points[0]) + "," + pt(r.Points[1]) + "," + pt(r.Points[2]); break;
      case prEllipse: s += "E" + pt(r.Points[0]) + "," + pt(r.Points[1]); break;
      case prCloseFigure: s += "Z"; break;
      case prStartFigure: s += "S"; break;
      default: s += "?"; break;
    }
  }
  return s;
}

}  // namespace ht::testing
