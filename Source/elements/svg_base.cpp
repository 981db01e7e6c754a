// SVG child elements: presentation attributes, fill and stroke, the
// transform at paint time, groups, definitions, paint servers and clip
// paths.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "document/document.h"
#include "elements/svg_elements.h"
#include "elements/svg_guard.h"
#include "elements/svg_parse.h"
#include "elements/svg_support.h"
#include "markup/str_utils.h"

namespace ht {

const THtNodeClass TSVGBaseElement::ClassType{"TSVGBaseElement", &TElement::ClassType,
                                              CreateInstance<TSVGBaseElement, THtNode>};
const THtNodeClass TSVGGElement::ClassType{"TSVGGElement", &TSVGBaseElement::ClassType,
                                           CreateInstance<TSVGGElement, THtNode>};
const THtNodeClass TSVGAElement::ClassType{"TSVGAElement", &TSVGGElement::ClassType,
                                           CreateInstance<TSVGAElement, THtNode>};
const THtNodeClass TSVGDefsElement::ClassType{"TSVGDefsElement", &TSVGBaseElement::ClassType,
                                              CreateInstance<TSVGDefsElement, THtNode>};
const THtNodeClass TSVGClipPathElement::ClassType{"TSVGClipPathElement", &TSVGBaseElement::ClassType,
                                                  CreateInstance<TSVGClipPathElement, THtNode>};

thread_local int TSVGDepthGuard::Depth = 0;

namespace {

float clamp01(float v) { return std::isnan(v) ? 0.0f : std::min(1.0f, std::max(0.0f, v)); }

// Restores the surface to a depth when it leaves scope.
struct TStateRestore {
  THtCanvas* G;
  int Depth;
  explicit TStateRestore(THtCanvas* AG) : G(AG), Depth(AG ? AG->StateDepth() : 0) {}
  ~TStateRestore() {
    if (G)
      while (G->StateDepth() > Depth) G->RestoreState();
  }
};

bool tagIs(const THtNode* N, StringView Tag) { return N && SameTextAscii(N->Tag(), Tag); }

}  // namespace

TSVGBaseElement::TSVGBaseElement() { CreateStyle(); }
TSVGBaseElement::~TSVGBaseElement() = default;

const THtNodeClass* TSVGBaseElement::GetElementClass(StringView Tag, THtNode* ARoot) {
  if (Tag == u"a") return &TSVGAElement::ClassType;
  return TElement::GetElementClass(Tag, ARoot);
}

TSVGElement* TSVGBaseElement::SVGRoot() const { return dynamic_cast<TSVGElement*>(Container); }

bool TakeDrawingContainer(TElement& E) {
  TElement* root = E.Parent();
  while (root && !dynamic_cast<TSVGElement*>(root)) root = root->Parent();
  if (!root) return false;
  if (root != E.Container) {
    E.Container = root;
    E.UpdateFontSize();
  }
  return true;
}

void TSVGBaseElement::FindContainer() {
  if (!TakeDrawingContainer(*this)) TElement::FindContainer();
  if (SVGRoot() && !ClipPathId.empty() && !ClipElement) ResolveClipPath();
}

void TSVGBaseElement::ParseAttribute(StringView Param, StringView Value) {
  TElement::ParseAttribute(Param, Value);
  static constexpr StringView declared[] = {
      u"display",      u"fill",           u"fill-opacity",    u"fill-rule",        u"font-size",
      u"opacity",      u"stroke",         u"stroke-width",    u"stroke-opacity",   u"stop-color",
      u"stop-opacity", u"stroke-dasharray", u"stroke-linejoin", u"stroke-linecap", u"shape-rendering",
      u"text-anchor"};
  for (StringView d : declared)
    if (Param == d) {
      AddVirtualCSS2(Param, Value);
      return;
    }
  if (Param == u"transform") {
    // SVG transforms turn about the user-space origin.
    AddVirtualCSS2(u"transform", SVGTransformToCSS(Value));
    AddVirtualCSS2(u"transform-origin", u"0px 0px");
    return;
  }
  if (Param == u"font-family") {
    if (!IsBlankString(Value)) AddVirtualCSS2(u"font-family", u"'" + String(TrimBlanks(Value)) + u"'");
    return;
  }
  if (Param == u"clip-path") {
    String v(Value);
    const size_t hash = v.find(u'#');
    if (hash != String::npos) v = v.substr(hash + 1);
    const size_t close = v.find(u')');
    if (close != String::npos) v = v.substr(0, close);
    ClipPathId = v;
    ClipElement = nullptr;
    return;
  }
  TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  if (Param == u"x") s->X.Parse(Value);
  else if (Param == u"y") s->Y.Parse(Value);
  else if (Param == u"dx") s->DX.Parse(Value);
  else if (Param == u"dy") s->DY.Parse(Value);
  else if (Param == u"offset") s->StopOffset.Parse(Value);
}

void TSVGBaseElement::PrepareStacking() {
  TElement::PrepareStacking();
  if (TSVGElementStyle* s = SVGStyle()) s->ZIndex = 0;
}

void TSVGBaseElement::RestyleSelf() {
  if (auto* root = SVGRoot()) root->RestyleSelf();
  else TElement::RestyleSelf();
}

void TSVGBaseElement::UpdateStyleFlags() {
  TElement::UpdateStyleFlags();
  TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  if (s->HasTransform()) {
    CalcTransform(0, 0);
    if (M.Flags != mfIdentity) {
      InitJointMatrix();
      MJoint->MultiplyData(M);
    }
  } else {
    M.Reset();
  }
  const float w = s->StrokeWidth().ToPixels();
  s->FStrokeWidth = std::isfinite(w) ? w : 0.0f;
  s->FStrokeOpacity = s->StrokeOpacity();
  s->FStrokeOpacityNoted = true;
}

bool TSVGBaseElement::ApplyTransform(float CX, float CY) {
  TSVGElementStyle* s = SVGStyle();
  bool result = true;
  if (s && s->IsSet(cspTransition)) result = CalcTransform(CX, CY);
  if (M.Flags == mfIdentity) return result;
  const float* d = M.Data;
  if (SVGSameValue(std::fabs(d[0]) + std::fabs(d[1]), 0) || SVGSameValue(std::fabs(d[2]) + std::fabs(d[3]), 0))
    return false;
  for (float v : M.Data)
    if (!std::isfinite(v)) return false;
  if (THtCanvas* G = SVGSurfaceOf(this)) {
    G->SaveState();
    G->MatrixTransform(M, true);
  }
  return result;
}

void SVGTransformOrigin(const TRectF& Outer, const TTransform& T, float& OX, float& OY) {
  const float w = std::nearbyint(Outer.Right - Outer.Left), h = std::nearbyint(Outer.Bottom - Outer.Top);
  auto px = [](TMeasure m, float base) {
    m.Parent = &base;
    return m.ToPixels();
  };
  const TMeasure& mx = T.OriginX;
  const TMeasure& my = T.OriginY;
  if (mx.Has(mfLeft)) OX = Outer.Left;
  else if (mx.Has(mfRight)) OX = Outer.Right;
  else if (mx.Has(mfCenter)) OX = Outer.Left + (Outer.Right - Outer.Left) / 2;
  else OX = px(mx, w);
  if (my.Has(mfTop)) OY = Outer.Top;
  else if (my.Has(mfBottom)) OY = Outer.Bottom;
  else if (my.Has(mfCenter)) OY = Outer.Top + (Outer.Bottom - Outer.Top) / 2;
  else OY = px(my, h);
}

void TSVGBaseElement::GetTransformOrigin(float& OX, float& OY, float, float, const TTransform& T) const {
  SVGTransformOrigin(OuterRect, T, OX, OY);
}

void TSVGBaseElement::CalcBoxes(TFlow* Flow) {
  THtLineBlock* b = LineBlocks.Count() > 0 ? LineBlocks.Get(0) : LineBlocks.CreateBlock(this);
  b->E = this;
  b->Flags.Exclude(trfProcessed);
  b->Flags.Include(trfOutofFlow);
  if (Flow) Flow->AddBlock(b);
  TSVGDepthGuard guard;
  if (!guard.Ok()) return;
  for (int i = 0; i < Count(); ++i) {
    TElement* c = GetChild(i);
    if (c && !c->IsText()) c->CalcBoxes(Flow);
  }
}

void TSVGBaseElement::Draw(TFlow* Flow, const THtDrawInfo& DI) {
  TSVGElementStyle* s = SVGStyle();
  THtCanvas* G = SVGSurfaceOf(this);
  if (!s || !G || s->Display() == dsNone) return;
  TSVGDepthGuard guard;
  if (!guard.Ok()) return;
  THtDrawInfo di = DI;
  PrepareDrawInfo(di);
  const bool paged = Document && Document->Paged;
  IncludeFlag(efDrawn);
  if (s->Visibility != cvVisible || (s->Position() == epRunning && !paged)) {
    if (SelfFlow) SelfFlow->FirstNonPrintedBlock = SelfFlow->LastBlocktoPrint;
    return;
  }
  const TElementStyle* ps = Parent() ? ElementStyleOf(Parent()) : nullptr;
  s->CalculatedOpacity = s->Opacity() * (ps ? ps->CalculatedOpacity : 1.0f);
  TStateRestore restore(G);
  if (s->HasTransform() && !ApplyTransform(di.CX, di.CY)) return;
  if (paged && StartPage == -1) StartPage = Document->Page;
  DrawInline(Flow, di);
}

void TSVGBaseElement::DrawInline(TFlow*, const THtDrawInfo& DI) {
  THtCanvas* G = SVGSurfaceOf(this);
  if (!G) return;
  TStateRestore restore(G);
  ApplyClipPath();
  if (HasFlag(efDrag) && Document) {
    G->SaveState();
    G->TranslateTransform(float(Document->DragX), float(Document->DragY));
  }
  for (int i = 0; i < Count(); ++i) {
    TElement* c = GetChild(i);
    if (!c || c->IsText() || !c->Style() || c->Style()->Display() == dsNone) continue;
    c->Draw(SelfFlow.get(), DI);
  }
}

bool TSVGBaseElement::HitTest(float X, float Y, bool SelfOnly, bool Outside) {
  const TSVGElementStyle* s = SVGStyle();
  if (!s || s->Display() == dsNone) return false;
  if (!HasFlag(efVisible) || !HasFlag(efDrawn) || HasFlag(efDragMoved)) return false;
  return InternalHitTest(X, Y, 0, 0, SelfOnly, Outside);
}

bool TSVGBaseElement::InternalHitTest(float X, float Y, float, float, bool, bool Outside) {
  if (Outside || Count() == 0) return false;
  TSVGDepthGuard guard;
  if (!guard.Ok()) return false;
  // Every element undoes its own transform: the children's points are in
  // this element's coordinates.
  const TPointF p = UntransformedPoint(X, Y);
  for (int i = Count() - 1; i >= 0; --i) {
    auto* c = dynamic_cast<TSVGBaseElement*>(GetChild(i));
    if (c && c->HitTest(p.X, p.Y, false, false)) return true;
  }
  return false;
}

void TSVGBaseElement::AddToPath(THtPath* Path) {
  if (FOutlining) return;
  TSVGDepthGuard guard;
  if (!guard.Ok()) return;
  FOutlining = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FOutlining};
  for (int i = 0; i < Count(); ++i)
    if (auto* c = dynamic_cast<TSVGBaseElement*>(GetChild(i))) c->AddToPath(Path);
}

void TSVGBaseElement::GetStats(TSVGStats& Stats) {
  TSVGDepthGuard guard;
  if (!guard.Ok()) return;
  ++Stats.Primitives;
  for (int i = 0; i < Count(); ++i)
    if (auto* c = dynamic_cast<TSVGBaseElement*>(GetChild(i))) c->GetStats(Stats);
}

// --- Fill and stroke ----------------------------------------------------------------------

uint32_t TSVGBaseElement::GetFillColor(float Opacity) const {
  const TSVGElementStyle* s = SVGStyle();
  if (!s || !IsSVGPaint(s->Fill)) return 0;
  const float o = std::min(1.0f, s->Opacity());
  return ApplyOpacity(s->Fill, clamp01(Opacity * s->FillOpacity() * o));
}

THtBrush* TSVGBaseElement::GetFillBrush(float Opacity, const TRectF& Rect) {
  TSVGElementStyle* s = SVGStyle();
  THtCanvas* G = SVGSurfaceOf(this);
  if (!s || !G) return nullptr;
  if (!s->FillUrl.empty()) {
    const TRectF box = OuterRect;
    const bool stale = !PaintBrush || FBrushUrl != s->FillUrl || box.Left != FBrushBox.Left ||
                       box.Top != FBrushBox.Top || box.Right != FBrushBox.Right || box.Bottom != FBrushBox.Bottom;
    if (stale) {
      PaintBrush = CreatePaintServerBrush(Rect);
      FBrushUrl = s->FillUrl;
      FBrushBox = box;
    }
    return PaintBrush.get();
  }
  const uint32_t c = GetFillColor(Opacity);
  if ((c >> 24) == 0) return nullptr;
  return G->GetBrush(c);
}

THtPen* TSVGBaseElement::GetStrokePen(float Opacity) const {
  const TSVGElementStyle* s = SVGStyle();
  THtCanvas* G = SVGSurfaceOf(this);
  if (!s || !G || !IsSVGPaint(s->Stroke)) return nullptr;
  const float o = std::min(1.0f, s->Opacity());
  const float strokeOpacity = s->FStrokeOpacityNoted ? s->FStrokeOpacity : 1.0f;
  const uint32_t color = ApplyOpacity(s->Stroke, clamp01(strokeOpacity * Opacity * o));
  if ((color >> 24) == 0) return nullptr;
  THtPen* pen = G->GetPen(color, 1.0f);
  pen->SetLineJoin(s->StrokeLineJoin);
  pen->SetLineCap(s->StrokeLineCap);
  if (!SVGSameValue(s->FStrokeWidth, 0)) pen->SetWidth(std::max(0.0f, s->FStrokeWidth));
  const float offset = s->StrokeDashOffset.ToPixels();
  pen->SetDashOffset(std::isfinite(offset) ? offset : 0.0f);
  if (s->StrokeDashArray && !s->StrokeDashArray->empty()) {
    TSingleArray dashes = *s->StrokeDashArray;
    bool usable = false;
    for (float& d : dashes) {
      if (!std::isfinite(d) || d < 0) d = 0;
      usable = usable || d > 0;
    }
    // An odd list repeats to an even one, as SVG reads it.
    if (dashes.size() % 2) dashes.insert(dashes.end(), dashes.begin(), dashes.end());
    if (usable) pen->SetDashes(dashes);
  }
  return pen;
}

bool TSVGBaseElement::HasFill(float Opacity) const {
  const TSVGElementStyle* s = SVGStyle();
  return s && (!s->FillUrl.empty() || (GetFillColor(Opacity) >> 24) != 0);
}

bool TSVGBaseElement::HasStroke() const {
  const TSVGElementStyle* s = SVGStyle();
  if (!s || !IsSVGPaint(s->Stroke) || s->FStrokeWidth == 0) return false;
  const float o = std::min(1.0f, s->Opacity());
  const float strokeOpacity = s->FStrokeOpacityNoted ? s->FStrokeOpacity : 1.0f;
  return (ApplyOpacity(s->Stroke, clamp01(o * strokeOpacity)) >> 24) != 0;
}

float TSVGBaseElement::HitStrokeWidth() const {
  const TSVGElementStyle* s = SVGStyle();
  return s && HasStroke() ? s->FStrokeWidth : 0.0f;
}

TPointF TSVGBaseElement::UntransformedPoint(float X, float Y) const {
  TPointF p{X, Y};
  if (M.Flags == mfIdentity) return p;
  THtMatrixData inverse = M;
  const float det = M.Data[0] * M.Data[3] - M.Data[1] * M.Data[2];
  if (std::fabs(det) < 1e-4f || !std::isfinite(det)) return p;
  inverse.Inverse();
  return inverse.TransformPoint(p);
}

// --- Groups and definitions -----------------------------------------------------------------

void TSVGGElement::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  const TSVGElementStyle* s = SVGStyle();
  if (s && s->Visibility == cvHidden) return;
  TElement::DrawInnerElements(Flow, DI);
}

bool TSVGGElement::InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) {
  return TSVGBaseElement::InternalHitTest(X, Y, Left, Top, SelfOnly, Outside);
}

bool TSVGDefsElement::CalcStyle(TCSSStyleSheet* Styles) {
  bool result;
  if (HasFlag(efSelfStyleProcessed) && HasFlag(efStyleCalculated)) {
    result = false;
  } else {
    result = TElement::CalcStyle(Styles);
  }
  if (TSVGElementStyle* s = SVGStyle()) s->SetDisplay(dsNone);
  return result;
}

// --- Paint servers ------------------------------------------------------------------------

void ParseGradientTransform(const TElement&, THtMatrixData& M, StringView Text) {
  M.Reset();
  const std::vector<TSVGTransformItem> items = ParseSVGTransformList(Text);
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    const auto& a = it->Args;
    auto arg = [&](size_t k, float d) { return k < a.size() ? a[k] : d; };
    const String& n = it->Name;
    if (n == u"translate") {
      M.Translate(arg(0, 0), arg(1, 0));
    } else if (n == u"translatex") {
      M.Translate(arg(0, 0), 0);
    } else if (n == u"translatey") {
      M.Translate(0, arg(0, 0));
    } else if (n == u"rotate") {
      const float angle = arg(0, 0);
      if (SVGSameValue(angle, 0)) continue;
      if (a.size() >= 3) M.Translate(-a[1], -a[2]);
      M.Rotate(angle);
      if (a.size() >= 3) M.Translate(a[1], a[2]);
    } else if (n == u"scale") {
      const float sx = arg(0, 1), sy = arg(1, sx);
      if (!(SVGSameValue(sx, 1) && SVGSameValue(sy, 1))) M.Scale(sx, sy);
    } else if (n == u"scalex") {
      if (!SVGSameValue(arg(0, 1), 1)) M.Scale(arg(0, 1), 1);
    } else if (n == u"scaley") {
      if (!SVGSameValue(arg(0, 1), 1)) M.Scale(1, arg(0, 1));
    } else if (n == u"matrix" && a.size() >= 6) {
      // The matrix acts after the functions to its right, like every other.
      THtMatrixData f;
      f.Init(a[0], a[1], a[2], a[3], a[4], a[5]);
      f.Multiply(M);
      M = f;
    }
  }
  for (float v : M.Data)
    if (!std::isfinite(v)) {
      M.Reset();
      break;
    }
}

std::unique_ptr<THtBrush> TSVGBaseElement::CreatePaintServerBrush(const TRectF& Rect) {
  TSVGElement* root = SVGRoot();
  TSVGElementStyle* s = SVGStyle();
  THtCanvas* G = SVGSurfaceOf(this);
  if (!root || !s || !G || s->FillUrl.empty()) return nullptr;
  const String id = s->FillUrl.substr(1);
  THtNode* server = root->FindNodebyAttr(u"", u"id", id);
  if (!server || id.empty()) return nullptr;
  const THtBrushClass* brushClass = G->BrushClass();
  if (!brushClass) return nullptr;

  for (int i = 0; i < server->Count(); ++i)
    if (tagIs(server->GetNode(i), u"image")) {
      std::unique_ptr<THtBrush> b = brushClass->Create(0);
      b->Kind = hbImage;
      auto* img = dynamic_cast<TSVGImageElement*>(server->GetNode(i));
      b->Image = img ? img->HI : nullptr;
      return b;
    }

  const float left = OuterRect.Left, top = OuterRect.Top;
  const float bw = OuterRect.Right - OuterRect.Left, bh = OuterRect.Bottom - OuterRect.Top;
  TMeasure m;
  m.Init(s);
  auto attr = [&](StringView name, float& out, float percentBase) {
    if (!server->HasAttribute(name)) return false;
    m.Parse(server->GetAttribute(name));
    const float v = m.FMUnit == muPercent ? m.FValue * percentBase / 100.0f : m.ToPixels();
    out = std::isfinite(v) ? v : 0.0f;
    return true;
  };
  float cx = 0, cy = 0, fx = 0, fy = 0, r = 0;
  attr(u"cx", cx, bw);
  attr(u"cy", cy, bh);
  if (!attr(u"fx", fx, bw)) fx = cx;
  if (!attr(u"fy", fy, bh)) fy = cy;
  attr(u"r", r, std::max(bw, bh));
  THtMatrixData matrix;
  if (server->HasAttribute(u"gradienttransform"))
    ParseGradientTransform(*this, matrix, server->GetAttribute(u"gradienttransform"));
  const bool userSpace = server->GetAttribute(u"gradientunits") == u"userSpaceOnUse";

  std::unique_ptr<THtBrush> brush;
  float extent = 1;
  if (tagIs(server, u"radialgradient")) {
    if (!userSpace) {
      cx += left;
      fx += left;
      cy += top;
      fy += top;
    }
    brush = brushClass->CreateRadialGradient(0, 0, cx, cy, fx, fy, r, matrix);
    extent = r;
  } else {
    // Absent coordinates take SVG's defaults: 0%, 0%, 100%, 0%.
    auto coord = [&](StringView name, float absent) {
      if (!server->HasAttribute(name)) return absent;
      m.Parse(server->GetAttribute(name));
      const float v = m.FMUnit == muPercent ? m.FValue / 100.0f : m.FValue;
      return std::isfinite(v) ? v : 0.0f;
    };
    const float x1 = coord(u"x1", 0), x2 = coord(u"x2", 1), y1 = coord(u"y1", 0), y2 = coord(u"y2", 0);
    float angle;
    if (SVGSameValue(y1, y2)) angle = x2 > x1 ? 90.0f : 270.0f;
    else angle = float(std::atan2(double(x2) - x1, double(y1) - y2) * 180.0 / 3.14159265358979323846);
    TRectF g;
    if (x1 == x2 && y1 == y2) g = OuterRect;
    else if (!userSpace) g = TRectF{left + bw * x1, top + bh * y1, left + bw * x2, top + bh * y2};
    else g = TRectF{x1, y1, x2, y2};
    brush = brushClass->CreateGradient(g, 0, 0, angle, Rect);
    brush->Matrix = matrix;
    extent = std::max(std::fabs(x2 - x1), std::fabs(y2 - y1));
  }

  // The stops: those of the gradient an href names, else its own.
  THtNode* stopsOf = server;
  String href = server->GetAttribute(u"xlink:href") + server->GetAttribute(u"href");
  if (!href.empty()) {
    if (THtNode* target = Root()->FindNodebyAttr(u"", u"id", StringView(href).substr(1)))
      if (target != server) stopsOf = target;
  }
  TCardinalArray colors;
  TSingleArray positions;
  for (int i = 0; i < stopsOf->Count(); ++i) {
    THtNode* stop = stopsOf->GetNode(i);
    if (!tagIs(stop, u"stop")) continue;
    uint32_t color = 0;
    float position = 0;
    const auto* ss = SVGStyleOf(dynamic_cast<TStyledHTMLNode*>(stop));
    if (ss && stop->HasAttribute(u"offset")) {
      color = ApplyOpacity(ss->StopColor, clamp01(ss->StopOpacity * s->FillOpacity()));
      const TMeasure& o = ss->StopOffset;
      if (o.FMUnit == muPercent) position = o.FValue / 100.0f;
      else if (o.FMUnit == muNone) position = o.FValue;
      else position = extent > 0 ? std::min(1.0f, o.ToPixels() / extent) : 1.0f;
    }
    // Offsets run from 0 to 1 and never back.
    position = clamp01(position);
    if (!positions.empty()) position = std::max(position, positions.back());
    colors.push_back(color);
    positions.push_back(position);
  }
  if (brush->Kind == hbRadial && r > 0 && !positions.empty()) {
    // Beyond its last stop a gradient keeps the last colour (SVG's pad):
    // the radius grows to reach every corner of the box and the stops
    // move inwards, so no back end repeats or mirrors the stops there.
    const TRectF& box = OuterRect;
    float reach = 0;
    for (float x : {box.Left, box.Right})
      for (float y : {box.Top, box.Bottom}) reach = std::max(reach, std::hypot(x - brush->CX, y - brush->CY));
    const float k = std::max(1.0f, reach / r + 1.0f);
    if (std::isfinite(k) && k > 1.0f) {
      brush->Radius = r * k;
      for (float& p : positions) p /= k;
    }
  }
  brush->SetGradientColors(positions, colors);
  return brush;
}

// --- Clip paths -------------------------------------------------------------------------------

void TSVGBaseElement::ResolveClipPath() {
  TSVGElement* root = SVGRoot();
  if (!root || ClipPathId.empty() || ClipElement) return;
  THtNode* n = root->FindNodebyAttr(u"clippath", u"id", ClipPathId);
  if (!n) n = root->FindNodebyAttr(u"clipPath", u"id", ClipPathId);
  ClipElement = AsElement(n);
}

bool TSVGBaseElement::ApplyClipPath() {
  if (!ClipElement && !ClipPathId.empty() && SVGRoot()) ResolveClipPath();
  THtCanvas* G = SVGSurfaceOf(this);
  if (!ClipElement || !G || !G->PathClass()) return false;
  G->SaveState();
  std::unique_ptr<THtPath> path = G->PathClass()->Create(true);
  for (int i = 0; i < ClipElement->Count(); ++i)
    if (auto* c = dynamic_cast<TSVGBaseElement*>(ClipElement->GetChild(i))) c->AddToPath(path.get());
  path->EndPath();
  G->IntersectClip(path.get());
  return true;
}

}  // namespace ht
