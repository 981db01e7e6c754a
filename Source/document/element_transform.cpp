// Element transforms and the mapping of element coordinates to the
// document, the drawing surface and the device.
#include <cmath>

#include "canvas/canvas.h"
#include "css/element_style.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "markup/str_utils.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

// A matrix whose linear part has a determinant this close to 0 maps the box
// onto a line or a point: nothing of it can be seen or hit, and a drawing
// surface would keep such a matrix as a lasting error.
constexpr double kSingularDeterminant = 1e-12;

bool finite(float v) { return std::isfinite(v); }

// A scale factor, an angle or a matrix entry: the number as written (a
// calc() is evaluated); bare numbers travel as pixel measures but must not
// take the style's zoom.
float numberOf(const TMeasure& m) {
  if (m.Calc) return m.ToPixels();
  return m.Has(mfZero) ? 0.0f : m.FValue;
}

// A translation in pixels; percentages refer to Base.
float lengthOf(const TMeasure& m, const float& Base) {
  TMeasure c = m;
  c.Parent = &Base;
  return c.ToPixels();
}

bool usable(const THtMatrixData& M) {
  for (float v : M.Data)
    if (!finite(v)) return false;
  const double det = double(M.Data[THtMatrixData::m11]) * M.Data[THtMatrixData::m22] -
                     double(M.Data[THtMatrixData::m12]) * M.Data[THtMatrixData::m21];
  return std::isfinite(det) && std::fabs(det) >= kSingularDeterminant;
}

// M := M followed by A (a point goes through the old M first).
void composeAfter(THtMatrixData& M, const THtMatrixData& A) {
  THtMatrixData r = A;
  r.Multiply(M);
  M = r;
}

TElement* elementOf(TStyledHTMLNode* N) { return static_cast<TElement*>(N); }

}  // namespace

// --- Transforms ---------------------------------------------------------------------

bool TElement::CalcTransform(float CX, float CY) {
  const bool result = TransformMatrix(CX, CY, M);
  if (M.Flags == mfIdentity) {
    TElementStyle* style = IsText() ? nullptr : ElementStyleOf(this);
    if (!style || !style->HasTransform()) MJoint.reset();
  }
  return result;
}

bool TElement::TransformMatrix(float CX, float CY, THtMatrixData& M) const {
  M.Reset();
  TElementStyle* style = IsText() ? nullptr : ElementStyleOf(this);
  if (!style || !style->HasTransform()) return true;
  TTransform T;
  style->GetTransform(T, true);
  float OX = 0, OY = 0;
  GetTransformOrigin(OX, OY, CX, CY, T);
  if (!finite(OX)) OX = 0;
  if (!finite(OY)) OY = 0;
  const bool aroundOrigin = OX != 0 || OY != 0;
  if (aroundOrigin) M.Translate(-OX, -OY);

  // Percentages of translations refer to the border box.
  const float W = CalcWidth() - MarginLeft - MarginRight;
  const float H = CalcHeight() - MarginTop - MarginBottom;
  bool result = true;
  for (auto it = T.Items.rbegin(); it != T.Items.rend(); ++it) {
    const TTransformItem& item = *it;
    const std::vector<TMeasure>& a = item.Args;
    if (a.empty()) continue;
    auto arg = [&](size_t i) { return i < a.size() ? numberOf(a[i]) : 0.0f; };
    bool allFinite = true;
    for (const TMeasure& m : a) allFinite = allFinite && finite(numberOf(m));
    if (!allFinite) continue;  // a function with a non-finite argument is dropped
    switch (item.Kind) {
      case ttTranslate:
      case ttTranslate3d:
        M.Translate(lengthOf(a[0], W), a.size() > 1 ? lengthOf(a[1], H) : 0.0f);
        break;
      case ttTranslateX:
        M.Translate(lengthOf(a[0], W), 0);
        break;
      case ttTranslateY:
        M.Translate(0, lengthOf(a[0], H));
        break;
      case ttRotate: {
        // Whole turns change nothing; reducing keeps huge angles exact.
        const float angle = float(std::fmod(double(arg(0)), 360.0));
        if (angle == 0) break;
        if (a.size() >= 3) {
          const float cx = arg(1), cy = arg(2);
          M.Translate(-cx, -cy);
          M.Rotate(angle);
          M.Translate(cx, cy);
        } else {
          M.Rotate(angle);
        }
        break;
      }
      case ttRotateX: {
        const float angle = float(std::fmod(double(arg(0)), 360.0));
        if (angle != 0) M.Scale(1, float(std::cos(double(angle) * M_PI / 180.0)));
        break;
      }
      case ttScale: {
        const float sx = arg(0), sy = a.size() > 1 ? arg(1) : sx;
        if (sx == 1 && sy == 1) break;
        M.Scale(sx, sy);
        break;
      }
      case ttScaleX:
        if (arg(0) != 1) M.Scale(arg(0), 1);
        break;
      case ttScaleY:
        if (arg(0) != 1) M.Scale(1, arg(0));
        break;
      case ttMatrix: {
        if (a.size() < 6) break;
        THtMatrixData f;
        f.Init(arg(0), arg(1), arg(2), arg(3), arg(4), arg(5));
        composeAfter(M, f);
        break;
      }
      case ttNone:
      case ttTranslateZ:
      case ttSkew:
        break;
    }
  }
  if (aroundOrigin) M.Translate(OX, OY);
  // The kind of a composed matrix can over-state it (a rotation by a whole
  // turn, a translation there and back): painting and hit testing take the
  // identity's shortcut only when the kind says so.
  M.UpdateFlags();
  // A zero scale in any function, or a product of functions that maps the
  // box onto a line, leaves a singular matrix; huge factors can overflow.
  if (!usable(M)) {
    result = false;
    bool finiteEntries = true;
    for (float v : M.Data) finiteEntries = finiteEntries && finite(v);
    if (!finiteEntries) M.Reset();
  }
  return result;
}

void TElement::GetTransformOrigin(float& OX, float& OY, float CX, float CY, const TTransform& T) const {
  const TRectF B = BorderRect();
  const float W = B.Right - B.Left, H = B.Bottom - B.Top;
  const TMeasure& mx = T.OriginX;
  const TMeasure& my = T.OriginY;
  if (mx.Has(mfLeft)) OX = B.Left;
  else if (mx.Has(mfRight)) OX = B.Right;
  else if (mx.Has(mfCenter)) OX = B.Left + W / 2;
  else OX = B.Left + lengthOf(mx, W);
  if (my.Has(mfTop)) OY = B.Top;
  else if (my.Has(mfBottom)) OY = B.Bottom;
  else if (my.Has(mfCenter)) OY = B.Top + H / 2;
  else OY = B.Top + lengthOf(my, H);
  OX += CX;
  OY += CY;
}

bool TElement::ApplyTransform(float CX, float CY) {
  const bool result = CalcTransform(CX, CY);
  if (M.Flags != mfIdentity) {
    InitJointMatrix();
    MJoint->Matrix.Multiply(M);
    if (result && Document && Document->Surface) {
      Document->Surface->SaveState();
      Document->Surface->MatrixTransform(M, true);
    }
  } else {
    MJoint.reset();
  }
  return result;
}

void TElement::InitJointMatrix() {
  MJoint.reset();
  for (TElement* p = Parent(); p; p = p->Parent())
    if (p->MJoint) {
      MJoint = p->MJoint->Clone();
      return;
    }
  MJoint = std::make_unique<THtCustomMatrix>();
}

void TElement::ClearJointMatrix() {
  MJoint.reset();
  if (TElement* b = AsElement(Before)) b->ClearJointMatrix();
  if (TElement* a = AsElement(After)) a->ClearJointMatrix();
  for (int i = 0; i < Count(); ++i)
    if (TElement* c = AsElement(FNodes->Get(i))) c->ClearJointMatrix();
}

void TElement::InverseTransformPoint(TPointF& P) {
  if (M.Flags == mfIdentity) return;
  THtMatrixData inverse = M;
  inverse.Inverse();
  P = inverse.TransformPoint(P);
}

void TElement::UntransformPoint(TPointF& P) { InverseTransformPoint(P); }

TPointF TElement::ParentTransformPoint(const TPointF& P) const {
  for (TElement* p = Parent(); p; p = p->Parent())
    if (p->MJoint) return p->MJoint->TransformPoint(P);
  return P;
}

// --- Coordinates --------------------------------------------------------------------

void TElement::PrepareDrawInfo(THtDrawInfo& DI) {
  TElementStyle* style = IsText() ? nullptr : ElementStyleOf(this);
  const TElementPosition position = style ? style->Position() : epStatic;
  THtDocument* doc = Document;
  switch (position) {
    case epAbsolute: {
      TElement* container = elementOf(Container);
      if (container && container != this && container->Style() && container->Style()->Display() == dsInline)
        container->PrepareDrawInfo(DI);
      // An axis with both insets auto keeps its static position.
      if (!(style->Top().GetAuto() && style->Bottom().GetAuto())) DI.CY = DI.ACY;
      if (!(style->Left().GetAuto() && style->Right().GetAuto())) DI.CX = DI.ACX;
      break;
    }
    case epFixed:
      if (doc) {
        DI.CX = -doc->FDocOffsetX;
        DI.CY = doc->Paged ? -float(doc->PageMargins[0]) : -doc->FDocOffsetY;
      }
      break;
    case epRunning:
      if (doc) {
        const String name = style->RunningBlock();
        const float pageBand = doc->PageHeightPixels - float(doc->PageMargins[2]) - float(doc->PageMargins[0]);
        if (name == u"heading") {
          DI.CX = -float(doc->PageMargins[3]);
          DI.CY = -float(doc->PageMargins[0]);
        } else if (name == u"footer") {
          DI.CX = -float(doc->PageMargins[3]);
          DI.CY = pageBand + doc->FFootnoteHeight;
        } else if (doc->Paged) {
          DI.CY = pageBand;
        }
        DI.CY -= doc->FDocOffsetY;
        DI.CX -= doc->FDocOffsetX;
      }
      break;
    default:
      break;
  }
  if (HasFlag(efDragMoved) && doc) {
    DI.CX += float(doc->DragX);
    DI.CY += float(doc->DragY);
  }
  if (IsAbsoluteContainer()) {
    DI.ACX = DI.CX + OuterRect.Left + MarginLeft + BorderLeft;
    DI.ACY = DI.CY + OuterRect.Top + MarginTop + BorderTop;
  }
}

void TElement::LocalToDocument(float& X, float& Y) {
  X += OuterRect.Left + LeftDelta();
  Y += OuterRect.Top + TopDelta() + VDelta;
  if (FOverflowData) {
    X -= float(FOverflowData->HOffset);
    Y -= float(FOverflowData->VOffset);
  }
}

TPoint TElement::ClienttoDocument(const TPoint& P) {
  return TPoint(RoundHalfEven(double(P.X) + RealLeft() + OuterRect.Left),
                RoundHalfEven(double(P.Y) + RealTop() + OuterRect.Top));
}

TPoint TElement::ClientToDestCanvas(const TPoint& P) {
  const float x = float(P.X) + RealLeft() + (Document ? Document->FDocOffsetX : 0.0f);
  const float y = float(P.Y) + RealTop() + (Document ? Document->FDocOffsetY : 0.0f);
  if (Document && Document->Surface) return TPoint(Document->Surface->Scale(x), Document->Surface->Scale(y));
  return TPoint(RoundHalfEven(x), RoundHalfEven(y));
}

TPoint TElement::AbsolutePosition() {
  const TRectF R = Rects(0);
  const float scale = Document && Document->Surface ? Document->Surface->ScaleFactor() : 1.0f;
  const float ox = Document ? Document->FDocOffsetX : 0.0f, oy = Document ? Document->FDocOffsetY : 0.0f;
  return TPoint(RoundHalfAway(double(SurfaceLeft() + R.Left + ox) * scale),
                RoundHalfAway(double(SurfaceTop() + R.Top + oy) * scale));
}

TPointF TElement::CharPoint(int CharIndex, bool /*AfterPrevious*/) {
  TPointF result{float(PageX()), float(PageY())};
  const TDisplayStyle display = Style() ? Style()->Display() : dsInline;
  if (!(display == dsInline || display == dsInlineBlock || display == dsInlineFlex || display == dsInlineTable))
    return result;
  const TRectF R = Rects(0);
  result.X = CharIndex <= 1 ? RealLeft() + R.Left : RealLeft() + R.Right + 1;
  TElement* container = elementOf(Container);
  if (!container) return result;
  const int line = StartLine();
  if (container->SelfFlow && line >= 0 && line < container->SelfFlow->LineCount())
    result.Y = float(container->PageY()) + container->SelfFlow->GetLine(line)->Y;
  else
    result.Y = float(container->PageY()) + InnerRect().Top;
  return result;
}

TRectF TElement::GetBoundingClientRect() {
  TRectF R = BorderRect();
  const float sx = SurfaceLeft(), sy = SurfaceTop();
  R = TRectF(R.Left + sx, R.Top + sy, R.Right + sx, R.Bottom + sy);
  for (TElement* e = this; e; e = e->Parent())
    if (e->MJoint) {
      R = e->MJoint->TransformRect(R);
      break;
    }
  if (Document && Document->Surface) R = Document->Surface->RootMatrix.TransformRect(R);
  return R;
}

void TElement::ExtendScrollArea() {
  IElementStyleFacts* style = Style();
  if (!style || !Document) return;
  const TElementPosition position = style->Position();
  const TDisplayStyle display = style->Display();
  if (position == epFixed || position == epRunning || display == dsInline || display == dsInlineBlock ||
      display == dsTableCell)
    return;
  bool growX = true, growY = true;
  for (TStyledHTMLNode* c = Container; c && c != Document; c = c->Container) {
    IElementStyleFacts* cs = c->Style();
    if (cs) {
      if (cs->Position() == epFixed) return;
      if (cs->OverflowY() != eoVisible) growY = false;
      if (cs->OverflowX() != eoVisible) growX = false;
    }
    if (!growX && !growY) return;
    if (c->Container == c) break;
  }
  TRectF R = BorderRect();
  if (SelfFlow && display != dsTable) {
    // The flow's content rectangle is relative to this box's margin corner.
    const TRectF& C = SelfFlow->ContentRect;
    const float ox = OuterRect.Left, oy = OuterRect.Top;
    R.Left = std::min(R.Left, C.Left + ox);
    R.Top = std::min(R.Top, C.Top + oy);
    if (style->OverflowX() == eoVisible) R.Right = std::max(R.Right, C.Right + ox);
    if (style->OverflowY() == eoVisible) R.Bottom = std::max(R.Bottom, C.Bottom + oy);
  }
  const float rl = RealLeft(), rt = RealTop();
  R = TRectF(R.Left + rl, R.Top + rt, R.Right + rl, R.Bottom + rt);
  CalcTransform(rl, rt);
  R = M.TransformRect(R);
  if (growX) Document->ContentWidth = std::max(Document->ContentWidth, R.Right - Document->LeftDelta());
  if (growY) Document->ContentHeight = std::max(Document->ContentHeight, R.Bottom - Document->TopDelta());
  R = TRectF(R.Left - rl, R.Top - rt, R.Right - rl, R.Bottom - rt);
  if (TElement* container = elementOf(Container); container && container != this && container->SelfFlow)
    container->SelfFlow->UpdateContentRect(R);
}

void TElement::ScrollIntoView(TElement* E) {
  TOverflowData* od = FOverflowData.get();
  IElementStyleFacts* style = Style();
  if (!od || !E || !style || !(style->OverflowY() == eoScroll || style->OverflowY() == eoAuto)) return;
  if (!od->VBar || !od->VBar->Visible()) return;
  bool descendant = false;
  for (TElement* p = E->Parent(); p && !descendant; p = p->Parent()) descendant = p == this;
  if (!descendant) return;
  const float dx = E->RealLeft() - RealLeft();
  const float dy = E->RealTop() - RealTop() - InnerRect().Top;
  const TRectF R(E->OuterRect.Left + dx, E->OuterRect.Top + dy, E->OuterRect.Right + dx, E->OuterRect.Bottom + dy);
  const float V = float(od->VOffset), Hgt = CalcHeight();
  if (R.Bottom > Hgt)
    od->SetVOffset(RoundHalfEven(std::min(R.Top + V, R.Bottom + V - Hgt)));
  else if (R.Top < 0)
    od->SetVOffset(RoundHalfEven(R.Top + V));
}

}  // namespace ht
