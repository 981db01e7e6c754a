// Element transforms, draw info and coordinate mapping. Boxes are given
// their geometry by hand: these operations only read it.
#include <gtest/gtest.h>

#include <cmath>

#include "canvas/canvas.h"
#include "document/document.h"
#include "trace_document.h"

namespace ht::testing {

namespace {

TElement* byId(THtDocument& doc, StringView id) {
  for (THtNode* n = &doc; n; n = n->NextNode())
    if (n->GetAttribute(u"id") == id) return dynamic_cast<TElement*>(n);
  return nullptr;
}

// A box whose margin box is (0, 0, w + 2m, h + 2m) with margins m.
void place(TElement* e, float w, float h, float m = 0) {
  e->MarginLeft = e->MarginTop = e->MarginRight = e->MarginBottom = m;
  e->OuterRect = TRectF(0, 0, w + 2 * m, h + 2 * m);
}

struct Loaded {
  std::unique_ptr<THtDocument> Doc;
  TElement* E = nullptr;
};

Loaded load(StringView css, float w = 100, float h = 50, float m = 0) {
  Loaded l{MakeTraceDocument(), nullptr};
  l.Doc->Parse(u"<div id=e style='" + String(css) + u"'>x</div>");
  l.E = byId(*l.Doc, u"e");
  if (l.E) place(l.E, w, h, m);
  return l;
}

void expectRect(const TRectF& r, float l, float t, float rr, float b) {
  EXPECT_NEAR(r.Left, l, 1e-3);
  EXPECT_NEAR(r.Top, t, 1e-3);
  EXPECT_NEAR(r.Right, rr, 1e-3);
  EXPECT_NEAR(r.Bottom, b, 1e-3);
}

}  // namespace

TEST(ElementTransform, BoundingRectanglesOfTransformedBoxes) {
  struct Case {
    const char16_t* Css;
    float Margin;
    TRectF Bounds;  // relative to the surface position of the box
  };
  const Case cases[] = {
      // About the centre (50, 25) of a 100 x 50 box.
      {u"transform: rotate(90deg)", 0, {25, -25, 75, 75}},
      // Percentages of translations use the border box, not the margin box.
      {u"transform: translate(50%, 0)", 10, {110, 10, 310, 60}},
      {u"transform: scale(2); transform-origin: 0 0", 0, {0, 0, 200, 100}},
      {u"transform: scale(2, 3); transform-origin: left top", 0, {0, 0, 200, 150}},
      {u"transform: scale(0.5); transform-origin: right bottom", 0, {50, 25, 100, 50}},
      {u"transform: matrix(1, 0, 0, 1, 5, 7)", 0, {5, 7, 105, 57}},
      // The last function acts first: rotate about the centre, then move.
      {u"transform: translate(10px, 0) rotate(90deg)", 0, {35, -25, 85, 75}},
      {u"transform: rotate(90deg) translate(10px, 0)", 0, {25, -15, 75, 85}},
      // rotateX flattens the box about its centre line.
      {u"transform: rotateX(60deg)", 0, {0, 12.5f, 100, 37.5f}},
      {u"transform: translateY(-20%)", 0, {0, -10, 100, 40}},
      {u"transform: rotate(-90deg, 0, 0); transform-origin: 0 0", 0, {0, -100, 50, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << String(c.Css).size() << " chars, case " << (&c - cases));
    Loaded l = load(c.Css, c.Margin ? 200 : 100, 50, c.Margin);
    ASSERT_TRUE(l.E);
    const float sx = l.E->SurfaceLeft(), sy = l.E->SurfaceTop();
    EXPECT_TRUE(l.E->ApplyTransform(sx, sy));
    ASSERT_TRUE(l.E->MJoint);
    const TRectF r = l.E->GetBoundingClientRect();
    expectRect(r, c.Bounds.Left + sx, c.Bounds.Top + sy, c.Bounds.Right + sx, c.Bounds.Bottom + sy);
    l.Doc->Surface->RestoreState();
  }
}

TEST(ElementTransform, IgnoredFunctionsLeaveTheIdentity) {
  for (const char16_t* css : {u"transform: skew(10deg)", u"transform: translateZ(5px)", u"transform: none",
                              u"transform: rotate(0deg) scale(1)", u"color: red",
                              // Whole turns, however many, change nothing.
                              u"transform: rotate(720000000deg)"}) {
    Loaded l = load(css);
    const int depth = l.Doc->Surface->StateDepth();
    EXPECT_TRUE(l.E->ApplyTransform(0, 0)) << String(css).size();
    EXPECT_EQ(l.E->M.Flags, mfIdentity);
    EXPECT_FALSE(l.E->MJoint);
    EXPECT_EQ(l.Doc->Surface->StateDepth(), depth);  // nothing pushed
    expectRect(l.E->GetBoundingClientRect(), l.E->SurfaceLeft(), l.E->SurfaceTop(), l.E->SurfaceLeft() + 100,
               l.E->SurfaceTop() + 50);
  }
}

TEST(ElementTransform, SingularOrHugeMatricesAreRefused) {
  // A surface keeps a singular matrix as a lasting error: none is pushed.
  for (const char16_t* css :
       {u"transform: scale(0)", u"transform: scaleX(0)", u"transform: scaleY(0)", u"transform: scale(1, 0)",
        u"transform: matrix(1, 2, 2, 4, 0, 0)", u"transform: rotate(30deg) scaleY(0)",
        u"transform: scale(1e30) scale(1e30)"}) {
    SCOPED_TRACE(::testing::Message() << String(css).size());
    Loaded l = load(css);
    const int depth = l.Doc->Surface->StateDepth();
    EXPECT_FALSE(l.E->ApplyTransform(0, 0));
    EXPECT_EQ(l.Doc->Surface->StateDepth(), depth);
    for (float v : l.E->M.Data) EXPECT_TRUE(std::isfinite(v));
  }
  // Huge but finite values give a finite matrix.
  for (const char16_t* css : {u"transform: translate(1e30px, 0)", u"transform: rotate(1e9deg)"}) {
    Loaded l = load(css);
    EXPECT_TRUE(l.E->CalcTransform(0, 0));
    for (float v : l.E->M.Data) EXPECT_TRUE(std::isfinite(v));
  }
}

TEST(ElementTransform, PushesTheMatrixAndJoinsTheAncestors) {
  auto doc = MakeTraceDocument();
  doc->Parse(u"<div id=a style='transform: translate(10px, 0)'><p id=b style='transform: translate(0, 5px)'>x</p>"
             u"<p id=c>y</p></div>");
  TElement *a = byId(*doc, u"a"), *b = byId(*doc, u"b"), *c = byId(*doc, u"c");
  place(a, 100, 50);
  place(b, 100, 20);
  place(c, 100, 20);
  const int depth = doc->Surface->StateDepth();
  ASSERT_TRUE(a->ApplyTransform(0, 0));
  EXPECT_EQ(doc->Surface->StateDepth(), depth + 1);
  EXPECT_EQ(doc->Surface->CurrentMatrix()->Data[THtMatrixData::dx], 10);
  ASSERT_TRUE(b->ApplyTransform(0, 0));
  ASSERT_TRUE(b->MJoint);
  EXPECT_EQ(b->MJoint->Matrix.Data[THtMatrixData::dx], 10);
  EXPECT_EQ(b->MJoint->Matrix.Data[THtMatrixData::dy], 5);
  // An untransformed child maps through its nearest transformed ancestor.
  const TPointF p = c->ParentTransformPoint(TPointF(1, 1));
  EXPECT_EQ(p.X, 11);
  EXPECT_EQ(p.Y, 1);
  TPointF q(20, 25);
  b->UntransformPoint(q);
  EXPECT_EQ(q.X, 20);
  EXPECT_EQ(q.Y, 20);
  doc->Surface->RestoreState();
  doc->Surface->RestoreState();
  // Removing the transform frees the joint matrix; clearing reaches the subtree.
  a->ClearJointMatrix();
  EXPECT_FALSE(a->MJoint);
  EXPECT_FALSE(b->MJoint);
}

TEST(ElementTransform, ScrollAreaGrowsByTheTransformedBox) {
  auto doc = MakeTraceDocument();
  doc->Parse(u"<div id=a style='transform: translate(300px, 0)'>x</div>"
             u"<div id=clip style='overflow: hidden'><div id=b style='width: 10px'>y</div></div>"
             u"<div id=f style='position: fixed'>z</div>");
  TElement *a = byId(*doc, u"a"), *b = byId(*doc, u"b"), *f = byId(*doc, u"f");
  place(a, 100, 50);
  place(b, 2000, 3000);
  place(f, 5000, 5000);
  doc->ContentWidth = doc->ContentHeight = 0;
  a->ExtendScrollArea();
  EXPECT_NEAR(doc->ContentWidth, a->RealLeft() + 400 - doc->LeftDelta(), 1e-3);
  EXPECT_NEAR(doc->ContentHeight, a->RealTop() + 50 - doc->TopDelta(), 1e-3);
  const float w = doc->ContentWidth, h = doc->ContentHeight;
  b->ExtendScrollArea();  // inside a clipping container
  f->ExtendScrollArea();  // fixed
  EXPECT_EQ(doc->ContentWidth, w);
  EXPECT_EQ(doc->ContentHeight, h);
}

TEST(DrawInfo, EachPositionTakesItsOrigin) {
  auto doc = MakeTraceDocument();
  doc->Parse(
      u"<div id=st>a</div><div id=rel style='position: relative'>b</div>"
      u"<div id=absl style='position: absolute; left: 5px'>c</div>"
      u"<div id=abst style='position: absolute; top: 5px'>d</div>"
      u"<div id=fix style='position: fixed'>e</div>"
      u"<div id=head style='position: running(heading)'>f</div>"
      u"<div id=foot style='position: running(footer)'>g</div>"
      u"<div id=other style='position: running(side)'>h</div>");
  doc->FDocOffsetX = -7;
  doc->FDocOffsetY = -11;
  doc->PageMargins[0] = 20;  // top
  doc->PageMargins[2] = 30;  // bottom
  doc->PageMargins[3] = 15;  // left
  doc->PageHeightPixels = 1000;
  doc->FFootnoteHeight = 40;
  for (const char16_t* id : {u"st", u"rel", u"absl", u"abst", u"fix", u"head", u"foot", u"other"}) {
    TElement* e = byId(*doc, id);
    ASSERT_TRUE(e);
    e->OuterRect = TRectF(3, 4, 103, 54);
    e->MarginLeft = 1;
    e->MarginTop = 2;
    e->BorderLeft = 1;
    e->BorderTop = 1;
  }
  struct Case {
    const char16_t* Id;
    bool Paged;
    THtDrawInfo Out;  // from (ZIndex 0, CX 100, CY 200, ACX 50, ACY 60)
  };
  const Case cases[] = {
      {u"st", false, {0, 100, 200, 50, 60}},
      {u"rel", false, {0, 100, 200, 105, 207}},
      // Only the axis with an inset leaves the static position.
      {u"absl", false, {0, 50, 200, 55, 207}},
      {u"abst", false, {0, 100, 60, 105, 67}},
      {u"fix", false, {0, 7, 11, 12, 18}},
      {u"fix", true, {0, 7, -20, 12, -13}},
      {u"head", true, {0, -15 + 7, -20 + 11, -15 + 7 + 5, -20 + 11 + 7}},
      {u"foot", true, {0, -15 + 7, 1000 - 30 - 20 + 40 + 11, -15 + 7 + 5, 1000 - 30 - 20 + 40 + 11 + 7}},
      {u"other", true, {0, 100 + 7, 1000 - 30 - 20 + 11, 100 + 7 + 5, 1000 - 30 - 20 + 11 + 7}},
      {u"other", false, {0, 100 + 7, 200 + 11, 100 + 7 + 5, 200 + 11 + 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    doc->Paged = c.Paged;
    THtDrawInfo di{0, 100, 200, 50, 60};
    byId(*doc, c.Id)->PrepareDrawInfo(di);
    EXPECT_EQ(di.CX, c.Out.CX);
    EXPECT_EQ(di.CY, c.Out.CY);
    EXPECT_EQ(di.ACX, c.Out.ACX);
    EXPECT_EQ(di.ACY, c.Out.ACY);
  }
  // A dragged box moves by the drag offset.
  TElement* st = byId(*doc, u"st");
  st->IncludeFlag(efDragMoved);
  doc->DragX = 4;
  doc->DragY = -6;
  THtDrawInfo di{0, 100, 200, 50, 60};
  st->PrepareDrawInfo(di);
  EXPECT_EQ(di.CX, 104);
  EXPECT_EQ(di.CY, 194);
}

TEST(Coordinates, ContentOriginAndDevicePoints) {
  auto doc = MakeTraceDocument();
  doc->Parse(u"<div id=e>x</div>");
  TElement* e = byId(*doc, u"e");
  ASSERT_TRUE(e);
  e->FPaddingLeft = e->PaddingTop = 3;
  e->BorderLeft = e->BorderTop = 2;
  e->MarginLeft = e->MarginTop = 5;
  e->OuterRect = TRectF(10, 20, 210, 120);
  e->VDelta = 4;
  float x = 0, y = 0;
  e->LocalToDocument(x, y);
  EXPECT_EQ(x, 10 + 10);
  EXPECT_EQ(y, 20 + 10 + 4);
  e->FOverflowData = std::make_unique<TOverflowData>(e);
  e->FOverflowData->HOffset = 6;
  e->FOverflowData->VOffset = 8;
  x = y = 0;
  e->LocalToDocument(x, y);
  EXPECT_EQ(x, 20 - 6);
  EXPECT_EQ(y, 34 - 8);

  doc->FDocOffsetX = -100;
  doc->FDocOffsetY = 0;
  doc->Surface->SetScaleFactor(2);
  const TPoint d = e->ClientToDestCanvas(TPoint(150, 7));
  EXPECT_EQ(d.X, doc->Surface->Scale(150 + e->RealLeft() - 100));
  EXPECT_EQ(d.Y, doc->Surface->Scale(7 + e->RealTop()));
  const TPoint c = e->ClienttoDocument(TPoint(1, 2));
  EXPECT_EQ(c.X, int(std::nearbyint(1 + e->RealLeft() + 10)));
  EXPECT_EQ(c.Y, int(std::nearbyint(2 + e->RealTop() + 20)));
}

}  // namespace ht::testing
