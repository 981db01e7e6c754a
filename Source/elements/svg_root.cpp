// The svg element: intrinsic size from width, height and viewBox, the
// user-space matrix of its content, and the mapping of points back into
// user space.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "document/document.h"
#include "document/element_registry.h"
#include "elements/svg_elements.h"
#include "elements/svg_parse.h"
#include "markup/str_utils.h"
#include "platform/rtl/format.h"

namespace ht {

const THtNodeClass TSVGElement::ClassType{"TSVGElement", &TElement::ClassType, CreateInstance<TSVGElement, THtNode>};

bool SVGSameValue(float a, float b) {
  return std::fabs(a - b) <= std::max(0.0001f * std::min(std::fabs(a), std::fabs(b)), 0.0001f);
}

namespace {

double roundHalfEven(double v) { return std::nearbyint(v); }

bool isSet(const TMeasure& M) { return !M.GetAuto(); }

}  // namespace

// The element made its style in the base constructor, before it was an svg
// element: it takes one of its own class.
TSVGElement::TSVGElement() { CreateStyle(); }
TSVGElement::~TSVGElement() = default;

const THtNodeClass* TSVGElement::GetElementClass(StringView Tag, THtNode* ARoot) {
  if (Tag.empty()) return nullptr;  // text directly inside svg makes no node
  if (Tag == u"a") return &TSVGAElement::ClassType;
  return TElement::GetElementClass(Tag, ARoot);
}

float TSVGElement::GetSurfaceLeft() const { return Nested ? 0 : TElement::GetSurfaceLeft(); }
float TSVGElement::GetSurfaceTop() const { return Nested ? 0 : TElement::GetSurfaceTop(); }

void TSVGElement::ParseAttribute(StringView Param, StringView Value) {
  if (Param == u"viewbox") {
    HasViewBox = true;
    std::vector<float> n = ReadSVGNumbers(Value);
    n.resize(4, 0.0f);
    for (float& v : n)
      if (!std::isfinite(v)) v = 0;
    ViewBox = TRectF{n[0], n[1], n[0] + n[2], n[1] + n[3]};
    return;
  }
  if (Param == u"preserveaspectratio") {
    const String v = String(TrimBlanks(Value));
    PreserveAspect = v == u"none" ? paNone : v.ends_with(u"slice") ? paSlice : paMeet;
    return;
  }
  static constexpr StringView declared[] = {u"display",     u"fill",           u"fill-opacity",    u"font-size",
                                            u"opacity",     u"shape-rendering", u"stroke",         u"stroke-width",
                                            u"stroke-opacity", u"stroke-linejoin", u"stroke-linecap", u"transform",
                                            u"text-anchor"};
  for (StringView d : declared)
    if (Param == d) {
      AddVirtualCSS2(Param, Value);
      return;
    }
  if (Param == u"font-family") {
    if (!IsBlankString(Value)) AddVirtualCSS2(u"font-family", u"'" + String(TrimBlanks(Value)) + u"'");
    return;
  }
  if (Param == u"x" || Param == u"y") {
    AddVirtualCSS2(Param == u"x" ? u"left" : u"top", SVGLengthText(Value));
    return;
  }
  if (Param == u"offset") {
    if (auto* s = SVGStyleOf(this)) s->StopOffset.Parse(Value);
    return;
  }
  TElement::ParseAttribute(Param, Value);
}

bool TSVGElement::CalcStyle(TCSSStyleSheet* Styles) {
  const bool changed = TElement::CalcStyle(Styles);
  if (TSVGElementStyle* s = SVGStyleOf(this); s && s->Display() == dsInline) s->SetDisplay(dsInlineBlock);
  return changed;
}

bool TSVGElement::CalcChildStyles(TCSSStyleSheet* Styles) {
  return ChildrenPrepared && TElement::CalcChildStyles(Styles);
}

void TSVGElement::CalcChildBoxes(TFlow* Flow) {
  if (!ChildrenPrepared) return;
  for (int i = 0; i < Count(); ++i) {
    TElement* c = GetChild(i);
    if (!c || c->IsText() || !c->Style() || c->Style()->Display() == dsNone) continue;
    c->CalcBoxes(Flow);
  }
}

void TSVGElement::PrepareChildren() {
  if (ChildrenPrepared) return;
  ChildrenPrepared = true;
  if (Count() == 0 || !Document) return;
  if (Document->Styles) CalcChildStyles(Document->Styles.get());
  TFlow* flow = EnsureSelfFlow();
  CalcChildBoxes(flow);
  for (THtLineBlock* b = flow->FirstBlock; b; b = b->NextBlock())
    if (b->E && std::string_view(b->E->ClassRefOf()->ClassName()) == "TSVGForeignObject") b->E->CalcLayout();
}

bool TSVGElement::GetIntrinsicSize(float& W, float& H, bool& KeepAspect) {
  KeepAspect = true;
  if (Parent()) Nested = dynamic_cast<TSVGBaseElement*>(Parent()) || dynamic_cast<TSVGElement*>(Parent());
  TSVGElementStyle* s = SVGStyleOf(this);
  if (!s) return false;
  const TMeasure width = s->Width(), height = s->Height();
  const bool wSet = isSet(width), hSet = isSet(height);
  if (HasViewBox) {
    const double vbw = double(ViewBox.Right) - ViewBox.Left, vbh = double(ViewBox.Bottom) - ViewBox.Top;
    VXRatio = vbw > 0 ? width.ToPixels() / vbw : 1;
    VYRatio = vbh > 0 ? height.ToPixels() / vbh : 1;
    if (!wSet && hSet) {
      VXRatio = VYRatio;
      W = float(std::trunc(vbw * VXRatio));
      H = float(height.ToIntPixels());
    } else if (!hSet && wSet) {
      VYRatio = VXRatio;
      H = float(std::trunc(vbh * VYRatio));
      W = float(width.ToIntPixels());
    } else if (!wSet && !hSet) {
      const TDisplayStyle d = s->Display();
      if (d == dsInline || d == dsInlineBlock) {
        const float cw = Container && Container != this ? Container->InnerWidth : 0.0f;
        W = float(roundHalfEven(double(cw) - OuterDeltaX() - InnerDeltaX()));
        if (vbw != 0) {
          H = float(roundHalfEven(double(W) * vbh / vbw));
          VXRatio = VYRatio = double(W) / vbw;
        } else {
          H = 0;
        }
      } else {
        W = float(std::trunc(vbw));
        H = float(std::trunc(vbh));
        VXRatio = VYRatio = 1;
      }
    } else {
      W = float(width.ToIntPixels());
      H = float(height.ToIntPixels());
    }
    if (PreserveAspect == paMeet) VXRatio = VYRatio = std::min(VXRatio, VYRatio);
    else if (PreserveAspect == paSlice) VXRatio = VYRatio = std::max(VXRatio, VYRatio);
  } else {
    VXRatio = VYRatio = s->Zoom;
    W = wSet ? float(width.ToIntPixels()) : 300.0f;
    H = hSet ? float(height.ToIntPixels()) : 150.0f;
  }
  if (!std::isfinite(VXRatio)) VXRatio = 1;
  if (!std::isfinite(VYRatio)) VYRatio = 1;
  if (!std::isfinite(W) || W < 0) W = 0;
  if (!std::isfinite(H) || H < 0) H = 0;
  if (SelfFlow) {
    SelfFlow->MinWidth = std::min(SelfFlow->MinWidth, W);
    SelfFlow->MaxContentWidth = std::min(SelfFlow->MaxContentWidth, W);
  }
  return true;
}

bool TSVGElement::CalcLayout() {
  const TRectF outer = OuterRect;
  const bool result = TElement::CalcLayout();
  OuterRect = outer;
  CalcRects();
  if (SelfFlow) {
    SelfFlow->ContentRect = TRectF{0, 0, outer.Right - outer.Left, outer.Bottom - outer.Top};
    for (THtLineBlock* b = SelfFlow->FirstBlock; b; b = b->NextBlock())
      if (b->E && std::string_view(b->E->ClassRefOf()->ClassName()) == "TSVGForeignObject") b->E->CalcLayout();
  }
  return result;
}

void TSVGElement::ViewOffsets(float& OffX, float& OffY) const {
  OffX = OffY = 0;
  if (!HasViewBox) return;
  const double vbw = double(ViewBox.Right) - ViewBox.Left, vbh = double(ViewBox.Bottom) - ViewBox.Top;
  if (InnerWidth > vbw * VXRatio) OffX = float((InnerWidth - vbw * VXRatio) / 2);
  if (InnerHeight > vbh * VYRatio) OffY = float((InnerHeight - vbh * VYRatio) / 2);
}

THtMatrixData TSVGElement::UserMatrix() const {
  THtMatrixData m;
  if (HasViewBox) m.Translate(-ViewBox.Left, -ViewBox.Top);
  if (VXRatio != 1 || VYRatio != 1) m.Scale(float(VXRatio), float(VYRatio));
  return m;
}

void TSVGElement::Draw(TFlow* Flow, const THtDrawInfo& DI) {
  TSVGElementStyle* s = SVGStyleOf(this);
  if (!s || DI.ZIndex != s->ZIndex) return;
  THtDrawInfo di = DI;
  PrepareDrawInfo(di);
  if (Parent()) Nested = dynamic_cast<TSVGBaseElement*>(Parent()) || dynamic_cast<TSVGElement*>(Parent());
  if (!(Document && Document->Paged) && !Nested && !IsVisibleInView(di.CX, di.CY)) return;
  PrepareChildren();
  MJoint.reset();
  TElement::Draw(Flow, DI);
}

void TSVGElement::DrawInnerElements(TFlow*, const THtDrawInfo& DI) {
  THtCanvas* G = Document ? Document->Surface.get() : nullptr;
  TSVGElementStyle* s = SVGStyleOf(this);
  if (!G || !s) return;
  if (Nested) {
    const TMeasure left = s->Left(), top = s->Top();
    const float w = OuterRect.Right - OuterRect.Left, h = OuterRect.Bottom - OuterRect.Top;
    if (isSet(left)) {
      OuterRect.Left = left.ToPixels();
      OuterRect.Right = OuterRect.Left + w;
    }
    if (isSet(top)) {
      OuterRect.Top = top.ToPixels();
      OuterRect.Bottom = OuterRect.Top + h;
    }
    CalcRects();
  }
  // A viewBox shown at no width or height shows nothing; its matrix would
  // scale by 0, which no back end can invert (printing paints it even so).
  if (VXRatio == 0 || VYRatio == 0) return;
  float offX = 0, offY = 0;
  ViewOffsets(offX, offY);
  THtMatrixData m = UserMatrix();
  const TRectF inner = InnerRect();
  m.Translate(DI.CX + inner.Left + offX, DI.CY + inner.Top + offY);
  const int depth = G->StateDepth();
  struct TRestore {
    THtCanvas* G;
    int Depth;
    ~TRestore() {
      while (G->StateDepth() > Depth) G->RestoreState();
    }
  } restore{G, depth};
  // Nothing of the drawing shows outside the content box (a sliced viewBox
  // reaches beyond it).
  G->SaveState();
  G->IntersectClip(TRectF{DI.CX + inner.Left, DI.CY + inner.Top, DI.CX + inner.Right, DI.CY + inner.Bottom});
  if (m.Flags != mfIdentity) {
    G->SaveState();
    G->MatrixTransform(m, true);
    if (!MJoint) InitJointMatrix();
    MJoint->MultiplyData(m);
  }
  if (Count() == 0) return;
  THtDrawInfo child;
  child.ZIndex = 0;
  TFlow* flow = EnsureSelfFlow();
  for (int i = 0; i < Count(); ++i) {
    TElement* c = GetChild(i);
    if (!c || c->IsText() || !c->Style() || c->Style()->Display() == dsNone) continue;
    c->Draw(flow, child);
  }
}

void TSVGElement::LocalToDocument(float& X, float& Y) {
  TElement::LocalToDocument(X, Y);
  X = Y = 0;
}

void TSVGElement::UntransformPoint(TPointF& P) {
  if (!InverseMatrix) InverseMatrix = std::make_unique<THtCustomMatrix>();
  InverseMatrix->Reset();
  const TRectF inner = InnerRect();
  P.X -= RealLeft() + inner.Left;
  P.Y -= RealTop() + inner.Top;
  if (HasViewBox) {
    float offX = 0, offY = 0;
    ViewOffsets(offX, offY);
    P.X -= offX;
    P.Y -= offY;
  }
  if (!(VXRatio == 1 && VYRatio == 1) && VXRatio != 0 && VYRatio != 0) {
    InverseMatrix->Scale(float(1 / VXRatio), float(1 / VYRatio));
    P = InverseMatrix->TransformPoint(P);
  }
  if (HasViewBox) {
    P.X += ViewBox.Left;
    P.Y += ViewBox.Top;
  }
}

bool TSVGElement::InternalHitTest(float X, float Y, float Left, float Top, bool, bool Outside) {
  if (Outside) return false;
  TRectF r = OuterRect;
  r = TRectF{r.Left + Left, r.Top + Top, r.Right + Left, r.Bottom + Top};
  if (Document && Document->Surface) r = Document->Surface->CurrentMatrix()->TransformRect(r);
  return !(X < r.Left || Y < r.Top || X > r.Right || Y > r.Bottom);
}

bool TSVGElement::IsVisibleInView(float X, float Y) const {
  THtCanvas* G = Document ? Document->Surface.get() : nullptr;
  if (!G) return true;
  const TRectF r = OuterRect;
  return G->DocumentRectInView(TRectF{r.Left + X, r.Top + Y, r.Right + X, r.Bottom + Y});
}

void TSVGElement::ApplyUserSize() {
  const int w = GetUserWidth(), h = GetUserHeight();
  if (w > 0) SetAttribute(u"width", Format(u"%d", w));
  if (h > 0) SetAttribute(u"height", Format(u"%d", h));
  TElement::ApplyUserSize();
}

void TSVGElement::GetStats(TSVGStats& Stats) {
  Stats = TSVGStats();
  for (int i = 0; i < Count(); ++i)
    if (auto* c = dynamic_cast<TSVGBaseElement*>(GetChild(i))) c->GetStats(Stats);
}

// --- Start-up -----------------------------------------------------------------------------

void HtSVGInitialize() {
  RegisterSVGProperties();
  static const std::pair<const char16_t*, const THtNodeClass*> tags[] = {
      {u"svg", &TSVGElement::ClassType},
      {u"g", &TSVGGElement::ClassType},
      {u"rect", &TSVGRectElement::ClassType},
      {u"line", &TSVGLineElement::ClassType},
      {u"path", &TSVGPathElement::ClassType},
      {u"polygon", &TSVGPolyLineElement::ClassType},
      {u"polyline", &TSVGPolyLineElement::ClassType},
      {u"ellipse", &TSVGEllipseElement::ClassType},
      {u"circle", &TSVGCircleElement::ClassType},
      {u"text", &TSVGTextElement::ClassType},
      {u"tspan", &TSVGTextElement::ClassType},
      {u"image", &TSVGImageElement::ClassType},
      {u"radialelement", &TSVGBaseElement::ClassType},
      {u"stop", &TSVGBaseElement::ClassType},
      {u"use", &TSVGUseElement::ClassType},
      {u"foreignobject", &TSVGForeignObject::ClassType},
      {u"radialgradient", &TSVGDefsElement::ClassType},
      {u"lineargradient", &TSVGDefsElement::ClassType},
      {u"defs", &TSVGDefsElement::ClassType},
      {u"clippath", &TSVGClipPathElement::ClassType},
      {u"symbol", &TSVGBaseElement::ClassType},
  };
  for (const auto& [tag, cls] : tags) RegisterElementClass(tag, cls);
}

void HtSVGFinalize() {}

}  // namespace ht
