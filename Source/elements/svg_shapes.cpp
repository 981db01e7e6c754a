// The basic SVG shapes: rect, ellipse, circle, line, path, polyline and
// polygon, with their painting, hit tests and clip outlines.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/path_data_parser.h"
#include "canvas/path_records.h"
#include "document/document.h"
#include "elements/svg_elements.h"
#include "elements/svg_guard.h"
#include "elements/svg_parse.h"
#include "elements/svg_support.h"
#include "markup/str_utils.h"
#include "platform/rtl/numeric.h"

namespace ht {

const THtNodeClass TSVGRectElement::ClassType{"TSVGRectElement", &TSVGBaseElement::ClassType,
                                              CreateInstance<TSVGRectElement, THtNode>};
const THtNodeClass TSVGEllipseElement::ClassType{"TSVGEllipseElement", &TSVGBaseElement::ClassType,
                                                 CreateInstance<TSVGEllipseElement, THtNode>};
const THtNodeClass TSVGCircleElement::ClassType{"TSVGCircleElement", &TSVGEllipseElement::ClassType,
                                                CreateInstance<TSVGCircleElement, THtNode>};
const THtNodeClass TSVGLineElement::ClassType{"TSVGLineElement", &TSVGBaseElement::ClassType,
                                              CreateInstance<TSVGLineElement, THtNode>};
const THtNodeClass TSVGPathElement::ClassType{"TSVGPathElement", &TSVGBaseElement::ClassType,
                                              CreateInstance<TSVGPathElement, THtNode>};
const THtNodeClass TSVGPolyLineElement::ClassType{"TSVGPolyLineElement", &TSVGPathElement::ClassType,
                                                  CreateInstance<TSVGPolyLineElement, THtNode>};

namespace {

// Left and top inclusive, right and bottom exclusive.
bool contains(const TRectF& R, float X, float Y) { return X >= R.Left && Y >= R.Top && X < R.Right && Y < R.Bottom; }

TRectF grown(const TRectF& R, float d) { return TRectF{R.Left - d, R.Top - d, R.Right + d, R.Bottom + d}; }

struct TStateRestore {
  THtCanvas* G;
  int Depth;
  explicit TStateRestore(THtCanvas* AG) : G(AG), Depth(AG ? AG->StateDepth() : 0) {}
  ~TStateRestore() {
    if (G)
      while (G->StateDepth() > Depth) G->RestoreState();
  }
};

// The opacity a painter passes: that of the ancestors (the element's own
// counts in the fill and stroke colours).
float inheritedOpacity(const TElement& E) {
  const TElementStyle* ps = E.Parent() ? ElementStyleOf(E.Parent()) : nullptr;
  return ps ? ps->CalculatedOpacity : 1.0f;
}

// Skips the stroke of a solid fill of the same colour only when the stroke
// is no wider than a pixel: a wider one reaches outside the fill.
bool strokeHidden(THtBrush* Brush, THtPen* Pen) {
  return Brush && Pen && Brush->Kind == hbSolid && Brush->Color() == Pen->GetColor() && Pen->GetWidth() <= 1.0f;
}

// A closed rectangle or rounded rectangle figure for stroking: the stroke
// lies centred on the outline.
std::unique_ptr<THtPath> outlinePath(THtCanvas& G, const TRectF& R, float RX, float RY) {
  std::unique_ptr<THtPath> p = G.PathClass()->Create(false);
  if (RX == 0 && RY == 0) {
    p->MoveTo(R.Left, R.Top);
    p->LineTo(R.Right, R.Top);
    p->LineTo(R.Right, R.Bottom);
    p->LineTo(R.Left, R.Bottom);
  } else {
    p->AddRoundRect(R, RX, RY);
  }
  p->CloseFigure();
  return p;
}

// Paths too large to flatten are answered by their bounds alone.
constexpr float kMaxHitExtent = 1e7f;

// Whether (X, Y) lies inside the flattened figures of Path.
bool pointInFigures(const THtCustomPath& Flat, float X, float Y, bool Winding) {
  int wind = 0, crossings = 0;
  TPointF start, cur;
  bool open = false;
  auto edge = [&](TPointF a, TPointF b) {
    if ((a.Y <= Y) != (b.Y <= Y)) {
      const float x = a.X + (Y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
      if (x > X) {
        ++crossings;
        wind += b.Y > a.Y ? 1 : -1;
      }
    }
  };
  for (int i = 0; i < Flat.Count(); ++i) {
    const THtPathRec& r = Flat.Rec(i);
    switch (r.Kind) {
      case prMoveTo:
        if (open) edge(cur, start);
        start = cur = r.Point;
        open = true;
        break;
      case prLineTo:
        if (!open) start = cur;
        edge(cur, r.Point);
        cur = r.Point;
        open = true;
        break;
      case prCloseFigure:
        if (open) edge(cur, start);
        cur = start;
        open = false;
        break;
      default: break;
    }
  }
  if (open) edge(cur, start);
  return Winding ? wind != 0 : (crossings % 2) != 0;
}

float segmentDistance(TPointF a, TPointF b, float X, float Y) {
  const float dx = b.X - a.X, dy = b.Y - a.Y;
  const float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? ((X - a.X) * dx + (Y - a.Y) * dy) / len2 : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  const float px = a.X + t * dx - X, py = a.Y + t * dy - Y;
  return std::sqrt(px * px + py * py);
}

// Whether (X, Y) lies within W / 2 of an edge of the flattened figures.
bool pointOnFigures(const THtCustomPath& Flat, float X, float Y, float W) {
  TPointF start, cur;
  for (int i = 0; i < Flat.Count(); ++i) {
    const THtPathRec& r = Flat.Rec(i);
    switch (r.Kind) {
      case prMoveTo: start = cur = r.Point; break;
      case prLineTo:
        if (segmentDistance(cur, r.Point, X, Y) <= W / 2) return true;
        cur = r.Point;
        break;
      case prCloseFigure:
        if (segmentDistance(cur, start, X, Y) <= W / 2) return true;
        cur = start;
        break;
      default: break;
    }
  }
  return false;
}

// Adds the figures of Source to Path, whatever Path's class.
void replayRecords(const THtCustomPath& Source, THtPath& Path) {
  for (int i = 0; i < Source.Count(); ++i) {
    const THtPathRec& r = Source.Rec(i);
    const TPointFArray& p = r.Points;
    switch (r.Kind) {
      case prMoveTo: Path.MoveTo(r.Point.X, r.Point.Y); break;
      case prLineTo: Path.LineTo(r.Point.X, r.Point.Y); break;
      case prCurveTo: Path.AddBeziers(p); break;
      case prQCurveto: Path.AddQBeziers(p); break;
      case prArc:
        if (p.size() >= 3) Path.AddArc(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, 1.0f);
        break;
      case prEllipse:
        if (p.size() >= 2) Path.AddEllipse(p[0].X, p[0].Y, p[1].X, p[1].Y);
        break;
      case prStartFigure: Path.StartFigure(); break;
      case prCloseFigure: Path.CloseFigure(); break;
      case prPolyline:
        for (size_t k = 0; k < p.size(); ++k) {
          if (k == 0) Path.MoveTo(p[k].X, p[k].Y);
          else Path.LineTo(p[k].X, p[k].Y);
        }
        break;
    }
  }
}

}  // namespace

// --- Rect --------------------------------------------------------------------------------

void TSVGRectElement::ParseAttribute(StringView Param, StringView Value) {
  TSVGBaseElement::ParseAttribute(Param, Value);
  if (Param == u"rx" || Param == u"ry") {
    const std::vector<float> n = ReadSVGNumbers(Value);
    const float v = n.empty() ? 0.0f : std::max(0.0f, FiniteOr0(n[0]));
    (Param == u"rx" ? RX : RY) = v;
  }
}

TRectF TSVGRectElement::ShapeRect() const {
  const TSVGElementStyle* s = SVGStyle();
  if (!s) return TRectF();
  const float x = FiniteOr0(s->X.ToPixels()), y = FiniteOr0(s->Y.ToPixels());
  const float w = std::max(0.0f, FiniteOr0(s->Width().ToPixels())), h = std::max(0.0f, FiniteOr0(s->Height().ToPixels()));
  return TRectF{x, y, x + w, y + h};
}

void TSVGRectElement::DrawInline(TFlow*, const THtDrawInfo&) {
  THtCanvas* G = SVGSurfaceOf(this);
  if (!G) return;
  TRectF r = ShapeRect();
  if (HasFlag(efDragMoved) && Document) {
    const float scale = G->CurrentScale() != 0 ? G->CurrentScale() : 1.0f;
    r = TRectF{r.Left + Document->DragX / scale, r.Top + Document->DragY / scale, r.Right + Document->DragX / scale,
               r.Bottom + Document->DragY / scale};
  }
  OuterRect = r;
  TStateRestore restore(G);
  ApplyClipPath();
  const float opacity = inheritedOpacity(*this);
  THtBrush* brush = GetFillBrush(opacity, r);
  // The shared solid brush and pen are separate objects; take the pen last.
  THtPen* pen = GetStrokePen(opacity);
  const bool square = SVGSameValue(RX, 0) && SVGSameValue(RY, 0);
  if (brush) {
    if (square) G->FillRectangle(brush, r);
    else G->FillRoundRect(brush, r, RX, RY);
  }
  if (pen && !strokeHidden(brush, pen)) {
    std::unique_ptr<THtPath> p = outlinePath(*G, r, square ? 0 : RX, square ? 0 : RY);
    G->DrawPath(pen, p.get());
  }
}

bool TSVGRectElement::InternalHitTest(float X, float Y, float, float, bool, bool Outside) {
  const TSVGElementStyle* s = SVGStyle();
  if (Outside || !s || s->Display() == dsNone) return false;
  const float h = HitStrokeWidth() / 2;
  TRectF r = grown(ShapeRect(), h);
  const TPointF p = UntransformedPoint(X, Y);
  if (contains(r, p.X, p.Y) && !HasFill(1.0f)) return !contains(grown(r, -2 * h), p.X, p.Y);
  return contains(r, p.X, p.Y);
}

void TSVGRectElement::AddToPath(THtPath* Path) {
  const TRectF r = ShapeRect();
  if (SVGSameValue(RX, 0) && SVGSameValue(RY, 0)) Path->AddRectangle(r);
  else Path->AddRoundRect(r, RX, RY);
  Path->CloseFigure();
}

// --- Ellipse and circle ------------------------------------------------------------------------

void TSVGEllipseElement::ParseAttribute(StringView Param, StringView Value) {
  TSVGBaseElement::ParseAttribute(Param, Value);
  TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  if (Param == u"cx") s->X.Parse(Value);
  else if (Param == u"cy") s->Y.Parse(Value);
  else if (Param == u"rx") AddVirtualCSS2(u"width", SVGLengthText(Value));
  else if (Param == u"ry") AddVirtualCSS2(u"height", SVGLengthText(Value));
}

void TSVGCircleElement::ParseAttribute(StringView Param, StringView Value) {
  TSVGEllipseElement::ParseAttribute(Param, Value);
  if (Param == u"r") {
    AddVirtualCSS2(u"width", SVGLengthText(Value));
    AddVirtualCSS2(u"height", SVGLengthText(Value));
  }
}

void TSVGEllipseElement::CalcBoxes(TFlow*) {
  const TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  RX = std::max(0.0f, FiniteOr0(s->Width().ToPixels()));
  RY = std::max(0.0f, FiniteOr0(s->Height().ToPixels()));
  const float cx = FiniteOr0(s->X.ToPixels()), cy = FiniteOr0(s->Y.ToPixels());
  InnerWidth = std::nearbyint(2 * RX);
  InnerHeight = std::nearbyint(2 * RY);
  OuterRect = TRectF{cx - RX, cy - RY, cx + RX, cy + RY};
  CalcRects();
}

void TSVGEllipseElement::DrawInline(TFlow*, const THtDrawInfo&) {
  THtCanvas* G = SVGSurfaceOf(this);
  if (!G || !G->DocumentRectInView(OuterRect)) return;
  const TRectF& r = OuterRect;
  const float opacity = inheritedOpacity(*this);
  if (THtBrush* brush = GetFillBrush(opacity, r)) G->FillEllipse(brush, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  if (THtPen* pen = GetStrokePen(opacity)) {
    if (!pen->Dashes.empty()) G->DrawArc(pen, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, 0, 359);
    else G->DrawEllipse(pen, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  }
}

bool TSVGEllipseElement::InternalHitTest(float X, float Y, float, float, bool, bool Outside) {
  const TSVGElementStyle* s = SVGStyle();
  if (Outside || !s || s->Display() == dsNone) return false;
  const float d = HitStrokeWidth() / 2;
  const TRectF r = grown(OuterRect, d);
  const bool inBox = contains(r, X, Y);
  if (!inBox || RX <= 0.00001f || RY <= 0.00001f) return inBox;
  const float cx = (OuterRect.Left + OuterRect.Right) / 2, cy = (OuterRect.Top + OuterRect.Bottom) / 2;
  auto u = [&](float a) {
    const float ex = (X - cx) / (RX + a), ey = (Y - cy) / (RY + a);
    return ex * ex + ey * ey;
  };
  if (HasFill(1.0f)) return u(d) <= 1;
  if (!HasStroke()) return true;
  if (u(d) > 1) return false;
  if (RX > d + 0.00001f && RY > d + 0.00001f) return u(-d) > 1;
  return true;
}

void TSVGEllipseElement::AddToPath(THtPath* Path) {
  // Shapes inside a clipPath get no boxes: take the geometry now.
  CalcBoxes(nullptr);
  Path->AddEllipse(OuterRect.Left, OuterRect.Top, 2 * RX, 2 * RY);
}

// --- Line ------------------------------------------------------------------------------

void TSVGLineElement::ParseAttribute(StringView Param, StringView Value) {
  TSVGBaseElement::ParseAttribute(Param, Value);
  TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  if (Param == u"x1") s->X.Parse(Value);
  else if (Param == u"y1") s->Y.Parse(Value);
  else if (Param == u"x2") AddVirtualCSS2(u"right", SVGLengthText(Value));
  else if (Param == u"y2") AddVirtualCSS2(u"bottom", SVGLengthText(Value));
}

void TSVGLineElement::Ends(float& x1, float& y1, float& x2, float& y2) const {
  x1 = y1 = x2 = y2 = 0;
  const TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  x1 = FiniteOr0(s->X.ToPixels());
  y1 = FiniteOr0(s->Y.ToPixels());
  x2 = FiniteOr0(s->Right().ToPixels());
  y2 = FiniteOr0(s->Bottom().ToPixels());
}

void TSVGLineElement::Draw(TFlow*, const THtDrawInfo& DI) {
  TSVGElementStyle* s = SVGStyle();
  THtCanvas* G = SVGSurfaceOf(this);
  if (!s || !G || s->Display() == dsNone) return;
  IncludeFlag(efDrawn);
  IncludeFlag(efCompletelyDrawn);
  if (s->Visibility != cvVisible) return;
  const TElementStyle* ps = Parent() ? ElementStyleOf(Parent()) : nullptr;
  s->CalculatedOpacity = s->Opacity() * (ps ? ps->CalculatedOpacity : 1.0f);
  TStateRestore restore(G);
  if (s->HasTransform() && !ApplyTransform(DI.CX, DI.CY)) return;
  if (THtPen* pen = GetStrokePen(inheritedOpacity(*this))) {
    float x1, y1, x2, y2;
    Ends(x1, y1, x2, y2);
    OuterRect = TRectF{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    G->DrawLine(pen, x1, y1, x2, y2);
  }
}

bool PointNearLine(float x1, float y1, float x2, float y2, float px, float py, float t) {
  TRectF r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  const bool isLong = r.Right - r.Left > t && r.Bottom - r.Top > t;
  if (r.Right - r.Left < t) {
    const float k = std::ceil((t - (r.Right - r.Left)) / 2);
    r.Left -= k;
    r.Right += k;
  }
  if (r.Bottom - r.Top < t) {
    const float k = std::ceil((t - (r.Bottom - r.Top)) / 2);
    r.Top -= k;
    r.Bottom += k;
  }
  const bool inside = contains(r, px, py);
  if (isLong && inside) {
    const double len = std::sqrt(double(y1 - y2) * (y1 - y2) + double(x2 - x1) * (x2 - x1));
    const double d = std::fabs(double(y1 - y2) * px + double(x2 - x1) * py + double(x1 - x2) * y1 + double(y2 - y1) * x1);
    return len > 0 && t > d / len;
  }
  return inside;
}

bool TSVGLineElement::InternalHitTest(float X, float Y, float, float, bool, bool Outside) {
  const TSVGElementStyle* s = SVGStyle();
  if (Outside || !s || s->Display() == dsNone) return false;
  const float t = std::max(HitStrokeWidth(), 4.0f);
  float x1, y1, x2, y2;
  Ends(x1, y1, x2, y2);
  return PointNearLine(x1, y1, x2, y2, X, Y, t);
}

// --- Path ------------------------------------------------------------------------------

TSVGPathElement::~TSVGPathElement() = default;

void TSVGPathElement::ParseAttributes(THtmlParser& HP) {
  TSVGBaseElement::ParseAttributes(HP);
  if (GetAttribute(u"fill-rule") == u"evenodd")
    if (TSVGElementStyle* s = SVGStyle()) s->FillRule = frEvenOdd;
}

void TSVGPathElement::ParseAttribute(StringView Param, StringView Value) {
  TSVGBaseElement::ParseAttribute(Param, Value);
  if (Param == u"d" && BasePath) {
    // Built again with the new data at the next paint or hit test.
    BasePath.reset();
    LastHitValid = false;
  }
}

void TSVGPathElement::BuildPath() {
  ParsePath(GetAttribute(u"d"));
  IsRectPath = Records && Records->IsRect();
}

void TSVGPathElement::ParsePath(StringView APath) {
  BasePath.reset();
  Records.reset();
  LastHitValid = false;
  const THtCanvasClass* cls = Document ? Document->CanvasClass : nullptr;
  const THtPathClass* pathClass = cls ? cls->PathClass() : nullptr;
  TSVGElementStyle* s = SVGStyle();
  if (!pathClass || !s) return;
  BasePath = pathClass->Create(false);
  BasePath->SetFillModeWinding(s->FillRule != frEvenOdd);
  TryParsePathData(*BasePath, APath);
  Records = std::make_unique<THtCustomPath>(false);
  TryParsePathData(*Records, APath);
  TRectF b;
  Records->GetBounds(b, nullptr);
  const float h = FiniteOr0(s->FStrokeWidth) / 2;
  OuterRect = grown(b, h);
  PathFillRule = s->FillRule;
}

void TSVGPathElement::EnsurePath() {
  if (!BasePath) BuildPath();
}

bool TSVGPathElement::CalcStyle(TCSSStyleSheet* Styles) {
  const bool result = TSVGBaseElement::CalcStyle(Styles);
  if (const TSVGElementStyle* s = SVGStyle(); BasePath && s && PathFillRule != s->FillRule) BuildPath();
  return result;
}

void TSVGPathElement::ClearJointMatrix() {
  TSVGBaseElement::ClearJointMatrix();
  if (BasePath) BuildPath();
}

void TSVGPathElement::DrawInline(TFlow*, const THtDrawInfo&) {
  THtCanvas* G = SVGSurfaceOf(this);
  TSVGElementStyle* s = SVGStyle();
  if (!G || !s) return;
  EnsurePath();
  // Hairlines of straight paths have no height: a pixel more keeps them.
  if (!BasePath || !G->DocumentRectInView(grown(OuterRect, 1))) return;
  TStateRestore restore(G);
  ApplyClipPath();
  const bool crisp = s->ShapeRendering == srCrispEdges;
  G->SetSmoothingMode(!crisp);
  struct TSmooth {
    THtCanvas* G;
    bool Crisp;
    ~TSmooth() {
      if (Crisp) G->SetSmoothingMode(true);
    }
  } smooth{G, crisp};
  TRectF bounds;
  if (Records) Records->GetBounds(bounds, nullptr);
  const float opacity = inheritedOpacity(*this);
  THtBrush* brush = GetFillBrush(opacity, OuterRect);
  BasePath->SetFillModeWinding(s->FillRule != frEvenOdd);
  THtPen* pen = GetStrokePen(opacity);
  if (brush) {
    brush->FillRect = OuterRect;
    if (IsRectPath) G->FillRectangle(brush, bounds);
    else G->FillPath(brush, BasePath.get());
  }
  if (pen && (pen->GetColor() >> 24) != 0 && !strokeHidden(brush, pen)) G->DrawPath(pen, BasePath.get());
}

bool TSVGPathElement::InternalHitTest(float X, float Y, float, float, bool, bool Outside) {
  if (LastHitValid && std::nearbyint(X) == std::nearbyint(LastHitX) && std::nearbyint(Y) == std::nearbyint(LastHitY))
    return LastHit;
  const TSVGElementStyle* s = SVGStyle();
  if (Outside || !s || s->Display() == dsNone) return false;
  LastHitX = X;
  LastHitY = Y;
  const TPointF p = UntransformedPoint(X, Y);
  EnsurePath();
  bool result = false;
  if (BasePath && contains(OuterRect, p.X, p.Y)) {
    const THtCustomPath* records = Records.get();
    const TRectF& o = OuterRect;
    const bool huge = !(std::fabs(o.Left) < kMaxHitExtent && std::fabs(o.Right) < kMaxHitExtent &&
                        std::fabs(o.Top) < kMaxHitExtent && std::fabs(o.Bottom) < kMaxHitExtent);
    if (!records || huge) {
      result = true;
    } else {
      THtCustomPath flat;
      records->Flatten(0.25f, flat);
      if (HasFill(1.0f)) result = pointInFigures(flat, p.X, p.Y, s->FillRule != frEvenOdd);
      else result = pointOnFigures(flat, p.X, p.Y, std::max(HitStrokeWidth(), 2.0f));
    }
  }
  LastHit = result;
  LastHitValid = true;
  return result;
}

void TSVGPathElement::AddToPath(THtPath* Path) {
  EnsurePath();
  if (Records) replayRecords(*Records, *Path);
}

void TSVGPathElement::GetStats(TSVGStats& Stats) {
  ++Stats.Primitives;
  if (dynamic_cast<TSVGPolyLineElement*>(this)) ++Stats.Polygons;
  else ++Stats.Paths;
  auto count = [&](const THtCustomPath& p) {
    for (int i = 0; i < p.Count(); ++i) Stats.Points += std::max<int>(1, int(p.Rec(i).Points.size()));
  };
  if (Records) {
    count(*Records);
    return;
  }
  THtCustomPath temp;
  if (dynamic_cast<TSVGPolyLineElement*>(this)) TryParsePathData(temp, u"M" + GetAttribute(u"points"));
  else TryParsePathData(temp, GetAttribute(u"d"));
  count(temp);
}

// --- Polyline and polygon ----------------------------------------------------------------------

void TSVGPolyLineElement::ParseAttribute(StringView Param, StringView Value) {
  TSVGPathElement::ParseAttribute(Param, Value);
  if (Param == u"points" && !IsBlankString(Value)) {
    BasePath.reset();
    LastHitValid = false;
  }
}

void TSVGPolyLineElement::BuildPath() {
  const String points = GetAttribute(u"points");
  if (IsBlankString(points)) return;
  ParsePath(u"M" + points + (SameTextAscii(Tag(), u"polygon") ? u"z" : u""));
  IsRectPath = false;
}

}  // namespace ht
