#pragma once
// SVG in documents. The svg element is a replaced element towards the HTML
// around it and the root of a user space towards its content: it maps the
// viewBox onto its content box as a matrix while its children paint, and
// maps pointer points back. Its children are styled and given boxes only at
// its first paint.
//
// Every element inside it (but a nested svg and foreignObject) is a
// TSVGBaseElement: a replaced element on z level 0 of its svg element that
// resolves fill and stroke into the surface's shared brush and pen, or a
// paint server brush it keeps. Coordinates below are user-space ones.
//
// Kept on purpose, departing from SVG: percentages of x, y, dx, dy, offset
// are 0; a radial gradient's cx, cy and r default to 0 and bounding-box
// numbers are pixels; content smaller than the box is always centred;
// symbol paints in place; opacity applies per element; a use element's
// colours beat its target's (for that draw only); no pattern, mask,
// marker, filter or textPath.
#include <cstdint>
#include <memory>
#include <vector>

#include "canvas/brush.h"
#include "canvas/matrix.h"
#include "canvas/path.h"
#include "canvas/path_records.h"
#include "canvas/pen.h"
#include "document/element.h"
#include "elements/svg_style.h"
#include "layout/text_element.h"

namespace ht {

class THtImage;
class TSVGElement;

struct TSVGStats {
  int Primitives = 0, Polygons = 0, Paths = 0, Texts = 0, Points = 0;
};

#define HT_PRESERVE_ASPECT_RATIO_VALUES(X) X(paMeet) X(paSlice) X(paNone)
HT_ENUM(TPreserveAspectRatio, uint8_t, HT_PRESERVE_ASPECT_RATIO_VALUES);

// Equal within the engine's tolerance: |a - b| <= max(1e-4 x min(|a|, |b|), 1e-4).
bool SVGSameValue(float a, float b);

// --- Root ------------------------------------------------------------------------------

class TSVGElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  TSVGElement();
  ~TSVGElement() override;

  std::unique_ptr<THtCustomMatrix> InverseMatrix;  // created on first use
  bool Nested = false;
  bool HasViewBox = false;
  bool ChildrenPrepared = false;
  TRectF ViewBox;  // left, top, right, bottom
  double VXRatio = 1, VYRatio = 1;
  TPreserveAspectRatio PreserveAspect = paMeet;

  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override;
  const TElementStyleClass* StyleClass() const override { return &SVGElementStyleClass; }
  float GetSurfaceLeft() const override;
  float GetSurfaceTop() const override;
  void ParseAttribute(StringView Param, StringView Value) override;
  bool IsReplacedElement() const override { return true; }
  // Inline svg boxes are laid out as inline blocks.
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
  void CalcChildBoxes(TFlow* Flow) override;
  // Maps a point of the page into user space.
  void UntransformPoint(TPointF& P) override;
  // The children sit at the user-space origin: the matrix places them.
  void LocalToDocument(float& X, float& Y) override;
  bool GetIntrinsicSize(float& W, float& H, bool& KeepAspect) override;
  // The box's width never comes from its content.
  float MinContentWidth() const override { return ContentWidth; }
  float MaxContentWidth() const override { return ContentWidth; }
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  // The outer box (moved by Left, Top) through the surface's current
  // matrix must hold the point; then the children, last first.
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside);
  bool IsVisibleInView(float X, float Y) const override;
  bool CalcChildStyles(TCSSStyleSheet* Styles) override;
  int AbsolutePositionDelta() override { return 1; }
  bool CalcLayout() override;
  void Draw(TFlow* Flow, const THtDrawInfo& DI) override;
  void ApplyUserSize() override;
  void GetStats(TSVGStats& Stats);
  // The content box offset of the viewBox mapping (centring).
  void ViewOffsets(float& OffX, float& OffY) const;
  // The user-space matrix of the content, relative to the content box.
  THtMatrixData UserMatrix() const;
  // Styles and boxes the children once (the first paint does it too).
  void PrepareChildren();
};

// --- Base and groups ------------------------------------------------------------------------

// Makes the nearest enclosing svg element E's container. False when E stands
// outside any drawing: there it is laid out in its nearest block's flow like
// any other element, so that block must be its container (its run chain is
// the one E's runs are unlinked from when the block goes).
bool TakeDrawingContainer(TElement& E);

class TSVGBaseElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  TSVGBaseElement();
  ~TSVGBaseElement() override;

  TElement* ClipElement = nullptr;  // not owned
  String ClipPathId;
  std::unique_ptr<THtBrush> PaintBrush;

  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override;
  const TElementStyleClass* StyleClass() const override { return &SVGElementStyleClass; }
  void FindContainer() override;
  void ParseAttribute(StringView Param, StringView Value) override;
  bool IsReplacedElement() const override { return true; }
  bool ApplyTransform(float CX, float CY) override;
  void GetTransformOrigin(float& OX, float& OY, float CX, float CY, const TTransform& T) const override;
  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override;
  void Draw(TFlow* Flow, const THtDrawInfo& DI) override;
  void PrepareStacking() override;
  void RestyleSelf() override;
  void UpdateStyleFlags() override;
  void CalcBoxes(TFlow* Flow) override;
  // SVG content never lays out like HTML boxes; nothing asks for another pass.
  bool CalcLayout() override { return false; }
  // The gate of a hit test: displayed, visible, drawn and not being moved.
  bool HitTest(float X, float Y, bool SelfOnly, bool Outside);
  using TElement::HitTest;
  // The element's own geometry; the base tries its SVG children, last first.
  virtual bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside);
  // Adds the outline (for clip paths); the base adds its SVG children's.
  virtual void AddToPath(THtPath* Path);
  virtual void GetStats(TSVGStats& Stats);

  // Fill and stroke with the element's style.
  uint32_t GetFillColor(float Opacity) const;
  // The paint server brush (kept; rebuilt when the url or the box changes)
  // or the surface's shared solid brush; null for no fill.
  THtBrush* GetFillBrush(float Opacity, const TRectF& Rect);
  THtPen* GetStrokePen(float Opacity) const;
  bool HasFill(float Opacity) const;
  bool HasStroke() const;
  // The svg element this one belongs to, or null.
  TSVGElement* SVGRoot() const;
  TSVGElementStyle* SVGStyle() const { return SVGStyleOf(this); }
  // The brush of the style's fill url, or null.
  std::unique_ptr<THtBrush> CreatePaintServerBrush(const TRectF& Rect);
  void ResolveClipPath();
  // Saves the state and clips to the clip path's outline when there is one;
  // answers whether it did (the caller restores).
  bool ApplyClipPath();
  // The point through the inverse of M when M is set.
  TPointF UntransformedPoint(float X, float Y) const;
  // The stroke width noted for hit tests: its pixels when HasStroke, else 0.
  float HitStrokeWidth() const;

 protected:
  bool FOutlining = false;  // inside AddToPath: a cycle through use elements ends here
 private:
  String FBrushUrl;
  TRectF FBrushBox;
};

class TSVGGElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  bool IsReplacedElement() const override { return false; }
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
};

// An "a" inside SVG: a group that event dispatch treats as a link.
class TSVGAElement : public TSVGGElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
};

// defs, linearGradient, radialGradient: styled, never displayed.
class TSVGDefsElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
  void DrawInline(TFlow*, const THtDrawInfo&) override {}
};

class TSVGClipPathElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  void DrawInline(TFlow*, const THtDrawInfo&) override {}
  void CalcBoxes(TFlow*) override {}
};

// The matrix of a gradientTransform attribute.
void ParseGradientTransform(const TElement& Element, THtMatrixData& M, StringView Text);

// --- Shapes ------------------------------------------------------------------------------

class TSVGRectElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  float RX = 0, RY = 0;
  void ParseAttribute(StringView Param, StringView Value) override;
  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override;
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void CalcBoxes(TFlow*) override {}
  void AddToPath(THtPath* Path) override;
  // x, y, width, height from the style.
  TRectF ShapeRect() const;
};

class TSVGEllipseElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  float RX = 0, RY = 0;
  void ParseAttribute(StringView Param, StringView Value) override;
  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override;
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void CalcBoxes(TFlow* Flow) override;
  void AddToPath(THtPath* Path) override;
};

class TSVGCircleElement : public TSVGEllipseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  void ParseAttribute(StringView Param, StringView Value) override;
};

class TSVGLineElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  void ParseAttribute(StringView Param, StringView Value) override;
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void CalcBoxes(TFlow*) override {}
  void Draw(TFlow* Flow, const THtDrawInfo& DI) override;
  void Ends(float& x1, float& y1, float& x2, float& y2) const;
};

// Whether (px, py) lies within t of the segment (x1, y1)-(x2, y2).
bool PointNearLine(float x1, float y1, float x2, float y2, float px, float py, float t);

class TSVGPathElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  ~TSVGPathElement() override;

  float LastHitX = 0, LastHitY = 0;
  bool LastHit = false;
  bool LastHitValid = false;  // cleared whenever the path is built again
  THtFillRule PathFillRule = frNonZero;
  bool IsRectPath = false;
  std::unique_ptr<THtPath> BasePath;
  // The same figures as records, whatever the canvas's path class keeps:
  // bounds, the rectangle test and hit tests read them.
  std::unique_ptr<THtCustomPath> Records;

  void ParseAttributes(THtmlParser& HP) override;
  using TSVGBaseElement::ParseAttributes;
  void ParseAttribute(StringView Param, StringView Value) override;
  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override;
  void ClearJointMatrix() override;
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void CalcBoxes(TFlow*) override {}
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
  void AddToPath(THtPath* Path) override;
  void GetStats(TSVGStats& Stats) override;
  virtual void BuildPath();
  // Bad data ends the figures where it stands.
  void ParsePath(StringView APath);
  void EnsurePath();
};

class TSVGPolyLineElement : public TSVGPathElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  void ParseAttribute(StringView Param, StringView Value) override;
  void BuildPath() override;
};

// --- Text, image, use, foreignObject ----------------------------------------------------------

// The text inside "text" and "tspan": one run per node, never broken.
class TSVGText : public TTextElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  void SplitIntoRuns() override;
};

class TSVGTextElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  bool LaidOut = false;
  TSingleArray DXList;

  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override;
  void SetInnerText(StringView Value) override;
  void ParseAttribute(StringView Param, StringView Value) override;
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void CalcBoxes(TFlow* Flow) override;
  void Draw(TFlow* Flow, const THtDrawInfo& DI) override;
  void GetStats(TSVGStats& Stats) override;
};

class TSVGImageElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  String Url;
  THtImage* HI = nullptr;  // the document's cache owns it

  void ParseAttribute(StringView Param, StringView Value) override;
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override { DrawInnerElements(Flow, DI); }
  void ClearJointMatrix() override;
  void ReleaseImage() override { HI = nullptr; }
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void CalcBoxes(TFlow* Flow) override;
  void DrawImage(const TRectF& R);
  void LoadImage();
  void CalcContentSize();
};

class TSVGUseElement : public TSVGBaseElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  TElement* Referenced = nullptr;  // not owned

  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override;
  void AddToPath(THtPath* Path) override;
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) override;
  void ResolveReference();

 private:
  bool FDrawing = false;  // a cycle through use elements ends here
};

class TSVGForeignObject : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  void FindContainer() override;
  void ParseAttribute(StringView Param, StringView Value) override;
  void GetTransformOrigin(float& OX, float& OY, float CX, float CY, const TTransform& T) const override;
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
};

// Registers the SVG properties and binds the SVG tags to their classes.
void HtSVGInitialize();
void HtSVGFinalize();

}  // namespace ht
