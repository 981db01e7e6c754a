#include "canvas/path_data_parser.h"

#include <cmath>

#include "canvas/arc_geometry.h"
#include "canvas/matrix.h"
#include "canvas/path_records.h"
#include "markup/string_parser.h"
#include "platform/rtl/exception.h"

namespace ht {

namespace {

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

[[noreturn]] void unknownCommand(char16_t c) {
  String msg(u"Unknown path command ");
  msg += c;
  throw Exception(std::move(msg));
}

TPointF cubicControl1(const TPointF& s, const TPointF& q) {
  return TPointF((s.X + 2 * q.X) / 3, (s.Y + 2 * q.Y) / 3);
}
TPointF cubicControl2(const TPointF& q, const TPointF& e) {
  return TPointF((2 * q.X + e.X) / 3, (2 * q.Y + e.Y) / 3);
}

// (control, end) pairs from start as cubic segments.
TPointFArray quadPairsToCubic(TPointF start, const TPointF* pts, size_t pairs) {
  TPointFArray cubic;
  cubic.reserve(pairs * 3);
  for (size_t i = 0; i < pairs; ++i) {
    const TPointF q = pts[2 * i], e = pts[2 * i + 1];
    cubic.push_back(cubicControl1(start, q));
    cubic.push_back(cubicControl2(q, e));
    cubic.push_back(e);
    start = e;
  }
  return cubic;
}

class TPathDataReader {
 public:
  TPathDataReader(THtPath& APath, StringView s) : path(APath), p(String(s)) {}

  void Run() {
    while (!p.Empty()) {
      p.SkipBlanks();
      if (p.Empty()) break;
      const char16_t c = p.GetCurrent();
      const bool letter = IsAsciiLetter(c);
      if (!letter && !IsAsciiDigit(c) && c != u'-' && c != u'.') {
        p.Next();  // commas, "+" signs, stray units
        continue;
      }
      if (letter) {
        startCommand(c);
        p.Next();
        p.SkipBlanks();
      } else if (cmd == 0) {
        unknownCommand(0);
      } else if (lower(cmd) == u'z') {
        unknownCommand(c);  // Z takes no numbers
      }
      carryOut();
    }
    flush();
  }

 private:
  // A new command letter: hand over pending curves and set up reflections.
  void startCommand(char16_t c) {
    flush();
    const char16_t lc = lower(c);
    if (afterClose && lc != u'm' && lc != u'z') {
      // A figure drawn right after Z starts at the closed figure's start.
      path.MoveTo(float(curX), float(curY));
      afterClose = false;
    }
    cmd = c;
    if (lc == u's')
      buf.push_back(lastRun == u'c' ? reflectedControl() : curPoint());
    else if (lc == u't')
      buf.push_back(lastRun == u'q' ? reflectedControl() : curPoint());
    runStart = curPoint();
  }

  TPointF curPoint() const { return TPointF(float(curX), float(curY)); }
  TPointF reflectedControl() const { return TPointF(float(2 * curX - ctlX), float(2 * curY - ctlY)); }

  double num() { return p.ReadNumEx(); }

  // The pending curve points of the current command go to the path.
  void flush() {
    const char16_t lc = lower(cmd);
    char16_t run = 0;
    if (lc == u'c' || lc == u's') {
      const size_t n = buf.size() / 3 * 3;
      if (n > 0) {
        path.AddBeziers(n == buf.size() ? buf : TPointFArray(buf.begin(), buf.begin() + long(n)));
        setEnd(buf[n - 2], buf[n - 1]);
        run = u'c';
      }
    } else if (lc == u'q' || lc == u't') {
      const size_t pairs = buf.size() / 2;
      if (pairs > 0) {
        path.AddBeziers(quadPairsToCubic(runStart, buf.data(), pairs));
        setEnd(buf[2 * pairs - 2], buf[2 * pairs - 1]);
        run = u'q';
      }
    }
    if (cmd != 0) lastRun = run;
    buf.clear();
  }

  void setEnd(const TPointF& ctl, const TPointF& end) {
    ctlX = ctl.X;
    ctlY = ctl.Y;
    curX = end.X;
    curY = end.Y;
  }

  void carryOut() {
    const char16_t lc = lower(cmd);
    const bool rel = cmd == lc;
    if (lc == u'z') {
      if (drawn) {
        path.CloseFigure();
        curX = startX;
        curY = startY;
        drawn = false;
        afterClose = true;
      }
      return;
    }
    const double v = num();
    const double ox = rel ? curX : 0, oy = rel ? curY : 0;
    switch (lc) {
      case u'm': {
        const double y = num();
        curX = ox + v;
        curY = oy + y;
        path.MoveTo(float(curX), float(curY));
        startX = float(curX);
        startY = float(curY);
        cmd = rel ? u'l' : u'L';
        afterClose = false;
        break;
      }
      case u'l': {
        const double y = num();
        curX = ox + v;
        curY = oy + y;
        path.LineTo(float(curX), float(curY));
        break;
      }
      case u'h':
        curX = ox + v;
        path.LineTo(float(curX), float(curY));
        break;
      case u'v':
        curY = oy + v;
        path.LineTo(float(curX), float(curY));
        break;
      case u'c': {
        const double y = num();
        buf.emplace_back(float(ox + v), float(oy + y));
        if (buf.size() % 3 == 0) setCur(buf.back());
        break;
      }
      case u's': {
        const double y = num();
        if (buf.size() % 3 == 0 && buf.size() >= 3)
          buf.emplace_back(float(2 * curX - buf[buf.size() - 2].X), float(2 * curY - buf[buf.size() - 2].Y));
        buf.emplace_back(float(ox + v), float(oy + y));
        if (buf.size() % 3 == 0) setCur(buf.back());
        break;
      }
      case u'q': {
        const double y = num();
        buf.emplace_back(float(ox + v), float(oy + y));
        if (buf.size() % 2 == 0) setCur(buf.back());
        break;
      }
      case u't': {
        const double y = num();
        // Each further end point gets the reflection of the previous
        // segment's control point.
        if (buf.size() % 2 == 0 && buf.size() >= 2)
          buf.emplace_back(float(2 * curX - buf[buf.size() - 2].X), float(2 * curY - buf[buf.size() - 2].Y));
        buf.emplace_back(float(ox + v), float(oy + y));
        setCur(buf.back());
        break;
      }
      case u'a': arc(v, ox, oy); break;
      default: unknownCommand(cmd);
    }
    drawn = true;
  }

  void setCur(const TPointF& pt) {
    curX = pt.X;
    curY = pt.Y;
  }

  void arc(double rx, double ox, double oy) {
    const double ry = num();
    const double phi = num();
    const bool large = p.ReadInt1() == 1;
    const bool sweep = p.ReadInt1() == 1;
    const double x = ox + num();
    const double y = oy + num();
    const float x0 = float(curX), y0 = float(curY), x1 = float(x), y1 = float(y);
    if (x0 == x1 && y0 == y1) {
      // An arc back to its own start is no arc at all.
    } else if (float(rx) == 0 || float(ry) == 0) {
      path.LineTo(x1, y1);  // a zero radius makes the arc a straight line
    } else {
      float cx, cy, start, sw, urx, ury;
      CalcArc(x0, y0, x1, y1, float(rx), float(ry), float(phi), large, sweep, cx, cy, start, sw, &urx, &ury);
      if (!std::isnan(cx) && !std::isnan(cy)) {
        if (float(phi) == 0) {
          path.AddArc(cx - urx, cy - ury, 2 * urx, 2 * ury, start, sw, 1.0f);
        } else {
          // The arc of the unrotated ellipse, rotated about its centre.
          double t0, dt;
          ArcParametric(2 * urx, 2 * ury, start, sw, t0, dt);
          TPointFArray pts;
          ArctoBezier(cx, cy, urx, ury, t0, dt, pts);
          if (pts.size() > 1) {
            THtMatrixData m;
            m.Translate(-cx, -cy);
            m.Rotate(float(phi));
            m.Translate(cx, cy);
            TPointFArray segs(pts.begin() + 1, pts.end());
            for (TPointF& pt : segs) pt = m.TransformPoint(pt);
            path.AddBeziers(segs);
          }
        }
      }
    }
    curX = x;
    curY = y;
  }

  THtPath& path;
  TStringParser p;
  double curX = 0, curY = 0;   // the current point
  float startX = 0, startY = 0;  // the figure's start, the target of Z
  char16_t cmd = 0;             // the command being repeated
  TPointFArray buf;             // curve points not yet handed over
  TPointF runStart;             // the current point when the command began
  double ctlX = 0, ctlY = 0;    // last control point handed over
  char16_t lastRun = 0;         // 'c' or 'q' when the previous command drew curves
  bool drawn = false;           // something drawn since the start or the last Z
  bool afterClose = false;      // the last command closed a figure
};

}  // namespace

void ParsePathData(THtPath& Path, StringView s) { TPathDataReader(Path, s).Run(); }

bool TryParsePathData(THtPath& Path, StringView s) {
  try {
    ParsePathData(Path, s);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void AddQBeziers(THtPath& Path, const TPointFArray& Points) {
  if (Points.size() < 2) return;
  if (Points.size() == 2) {
    THtCustomPath* records = CustomPathOf(&Path);
    const TPointF start = records ? records->LastPoint() : TPointF();
    Path.AddBeziers(quadPairsToCubic(start, Points.data(), 1));
    return;
  }
  Path.LineTo(Points[0].X, Points[0].Y);
  Path.AddBeziers(quadPairsToCubic(Points[0], Points.data() + 1, (Points.size() - 1) / 2));
}

}  // namespace ht
